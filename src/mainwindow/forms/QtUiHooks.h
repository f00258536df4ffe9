#pragma once
// The toolkit's side of UiHooks: message boxes, the busy cursor and event pumping.
#include <string>

class QMessageBox;

namespace vel {

void InstallQtUiHooks();

// A box's text, CR LF between its lines. Each line stands whole, as the text breaks it, when the
// widest fits the room a box may take on its screen; only a longer line is wrapped.
void SetBoxText(QMessageBox& box, const std::string& text);

// The busy cursor for a scope; restored on every way out.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace vel
