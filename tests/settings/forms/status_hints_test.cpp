#include <gtest/gtest.h>

#include <QApplication>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QWidget>
#include <string>

#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "settings/forms/StatusHints.h"

namespace vel {
namespace {

using StatusHintsTest = test::FormRig;

TEST_F(StatusHintsTest, AHintShowsOnlyInTheActiveWindowWithAutoHintsOn) {
  QWidget window, other;
  QStatusBar bar(&window);
  struct Case {
    uint8_t autoHints;
    bool active;
    std::string want;
  };
  const Case cases[] = {{1, true, "Save log entries to file"}, {0, true, ""}, {1, false, ""}};
  window.show();
  other.show();
  for (const Case& c : cases) {
    Cfg.AutoHints = c.autoHints;
    QWidget& active = c.active ? window : other;
    active.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(window.isActiveWindow(), c.active);
    bar.showMessage("left over");
    QStatusTipEvent tip("Save log entries to file");
    EXPECT_TRUE(ShowStatusHint(window, bar, &tip));
    EXPECT_EQ(bar.currentMessage().toStdString(), c.want) << int(c.autoHints) << c.active;
  }
  // Any other event is the window's own.
  bar.showMessage("kept");
  QEvent activate(QEvent::WindowActivate);
  EXPECT_FALSE(ShowStatusHint(window, bar, &activate));
  EXPECT_EQ(bar.currentMessage().toStdString(), "kept");
}

}  // namespace
}  // namespace vel
