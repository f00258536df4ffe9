#include "settings/forms/StatusHints.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QWidget>

#include "settings/Settings.h"

namespace vel {

bool ShowStatusHint(const QWidget& window, QStatusBar& bar, QEvent* e) {
  if (e->type() != QEvent::StatusTip) return false;
  if (Cfg.AutoHints != 0 && window.isActiveWindow())
    bar.showMessage(static_cast<QStatusTipEvent*>(e)->tip());
  else
    bar.clearMessage();
  return true;
}

bool ShowStatusHint(QMainWindow& window, QEvent* e) {
  return e->type() == QEvent::StatusTip && ShowStatusHint(window, *window.statusBar(), e);
}

}  // namespace vel
