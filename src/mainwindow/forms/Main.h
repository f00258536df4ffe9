#pragma once
#include <QMainWindow>

namespace vel {

// The main window. For now an empty form; closing it ends the program.
class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
};

}  // namespace vel
