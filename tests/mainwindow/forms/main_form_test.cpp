#include <gtest/gtest.h>

#include <QApplication>

#include "mainwindow/forms/Main.h"

namespace {

int argc = 1;
char arg0[] = "vellorine-test";
char* argv[] = {arg0, nullptr};

TEST(MainForm, TitleAndCloseEndsProgram) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vellorine");
  vel::TfrmMain frmMain;
  frmMain.show();
  EXPECT_EQ(frmMain.windowTitle().toStdString(), "Vellorine");
  EXPECT_EQ(frmMain.objectName().toStdString(), "frmMain");
  // The last window closing quits the event loop: exec must return rather than hang.
  QMetaObject::invokeMethod(&frmMain, "close", Qt::QueuedConnection);
  EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
