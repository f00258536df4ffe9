#pragma once
// The status bar hints of the tool and editor windows: a window shows a control's hint only while
// it is the active window and AutoHints is on. (The main window keeps its own flag, set as the
// windows take turns, since it also stands in pop-ups for its title panel.)
class QEvent;
class QMainWindow;
class QStatusBar;
class QWidget;

namespace vel {

// For a window's event(): a status tip event goes to bar, shown or, when the window may not show
// hints now, cleared. True when e was a status tip (handled); false for any other event.
bool ShowStatusHint(const QWidget& window, QStatusBar& bar, QEvent* e);
// The same into a main window's own bar, asked for only on a status tip: statusBar() makes a bar
// when there is none, and that child's arrival is an event of the window too.
bool ShowStatusHint(QMainWindow& window, QEvent* e);

}  // namespace vel
