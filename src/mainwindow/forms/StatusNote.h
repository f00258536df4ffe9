#pragma once
// What a file operation reports in the main window's status bar ("Settings saved to ..."). The
// hints of the controls under the mouse share that bar: a menu closing over a control would put
// its hint over the note at once, so for a few seconds after a note the hints wait.
#include <QElapsedTimer>
#include <QObject>
#include <string>

class QMainWindow;

namespace vel {

class TStatusNote : public QObject {
 public:
  explicit TStatusNote(QMainWindow* window);
  void Show(const std::string& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMainWindow* window_;
  QElapsedTimer shown_;
};

}  // namespace vel
