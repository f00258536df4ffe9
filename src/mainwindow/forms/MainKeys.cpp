#include "mainwindow/forms/MainKeys.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace vel {

TComputerKeys::TComputerKeys(const TComputerKeysWidgets& widgets) : w_(widgets) {
  // The window, not its first control, has the keys when it opens; a click on the background
  // gives them back.
  w_.Background->setFocusPolicy(Qt::ClickFocus);
  w_.Background->setFocus();
  KeysBackFromMenuBar();
}

void TComputerKeys::KeysBackFromMenuBar() {
  // A menu closed with Esc leaves the menu bar holding the keys to step through its titles, and
  // the next key would only end that: a musician's Esc of Esc 1 p would be lost and 1 and p
  // would play as notes. The keys go back to where they were before the bar took them.
  QMenuBar* bar = w_.MenuBar;
  QObject::connect(qApp, &QApplication::focusChanged, bar, [this, bar](QWidget* old, QWidget* now) {
    if (now == bar) beforeMenuBar_ = old;
  });
  for (QAction* title : bar->actions()) {
    QMenu* menu = title->menu();
    if (!menu) continue;
    // The bar takes the keys after the menu has gone, so look once the closing has run.
    QObject::connect(menu, &QMenu::aboutToHide, bar, [this, bar] {
      QMetaObject::invokeMethod(
          bar,
          [this, bar] {
            if (QApplication::focusWidget() != bar || QApplication::activePopupWidget()) return;
            QWidget* to = beforeMenuBar_ ? beforeMenuBar_.data() : w_.Background;
            to->setFocus(Qt::PopupFocusReason);
          },
          Qt::QueuedConnection);
    });
  }
}

void TComputerKeys::Answer(TWindowCalls& calls) {
  // Running is for playing: a list still focused from Config would take the keys as a search.
  calls.Run.ApplyProgState = [background = w_.Background](TProgState state) {
    if (state == TProgState::Running) background->setFocus();
  };
}

}  // namespace vel
