#pragma once
// The toolkit's side of UiHooks: message boxes, the busy cursor and event pumping.

namespace vel {

void InstallQtUiHooks();

// The busy cursor for a scope; restored on every way out.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace vel
