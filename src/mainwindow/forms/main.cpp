#include <QApplication>

#include "mainwindow/forms/Main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vellorine");
  QApplication::setApplicationDisplayName("Vellorine");
  vel::TfrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
