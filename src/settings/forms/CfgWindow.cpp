#include "settings/forms/CfgWindow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QMoveEvent>
#include <QSignalBlocker>
#include <memory>
#include <vector>

#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "mainwindow/forms/ScreenPlace.h"

namespace vel {

void FocusCfgControl(QAbstractButton* button) {
  // Checked directly: taking the focus would fail on a hidden window and steal it from the user.
  const QSignalBlocker block(button);
  button->setChecked(true);
}

void SelectRadio(QButtonGroup* group, int32_t id) {
  if (QAbstractButton* b = group->button(id)) {
    FocusCfgControl(b);
    return;
  }
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) {
    const QSignalBlocker block(b);
    b->setChecked(false);
  }
  group->setExclusive(true);
}

QButtonGroup* MakeRadioGroup(QWidget* window, const char* prefix, int32_t first, int32_t last) {
  auto* group = new QButtonGroup(window);
  for (int32_t n = first; n <= last; ++n)
    if (auto* b = window->findChild<QAbstractButton*>(QString(prefix) + QString::number(n))) {
      // The group alone decides, so that a group may also show no choice.
      b->setAutoExclusive(false);
      group->addButton(b, n);
    }
  return group;
}

TCfgWindow::TCfgWindow(TfrmMain& main, const TCfgWindowDef& def)
    : QWidget(&main, Qt::Tool), main_(main), def_(def) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  KeepSavedPlace(this, {def_.Left, def_.Top});
  registration_ = Windows().Register(*this);
}

TCfgWindow::~TCfgWindow() {
  registration_.Reset();
  *def_.Showing = 0;
}

void TCfgWindow::Answer(TWindowCalls& calls) {
  // An open window stays where it is after a settings load, and its place with it.
  calls.Refresh.ReloadSettingsWindows = [this] {
    if (!isVisible()) return;
    Reload();
    *def_.Left = x();
    *def_.Top = y();
  };
}

void TCfgWindow::Wire(QAbstractButton* save) {
  QObject::connect(save, &QAbstractButton::clicked, this, [this] { main_.Files().SaveDefaultConfig(); });
  main_.Files().SetSettingsWindow(def_.MenuItem, [this](const std::string& title) { Open(title); });
}

void TCfgWindow::Open(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
  if (!isVisible()) {
    adjustSize();
    MoveToSavedPlace(this, *def_.Left, *def_.Top);
  }
  show();
  raise();
  activateWindow();
}

void TCfgWindow::Reload() {
  std::vector<std::unique_ptr<QSignalBlocker>> blocks;
  for (QObject* o : findChildren<QObject*>()) blocks.push_back(std::make_unique<QSignalBlocker>(o));
  Load();
}

void TCfgWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Reload();
  *def_.Showing = 1;
}

void TCfgWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  *def_.Showing = 0;
}

}  // namespace vel
