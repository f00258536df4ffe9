#include "settings/forms/CfgWindow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QSlider>
#include <memory>
#include <vector>

#include "base/Formats.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/CfgWindows.h"

namespace vel {

std::optional<int32_t> PickedNumber(const QComboBox* combo) {
  if (combo->currentIndex() < 0) return std::nullopt;
  return ParseInt(combo->currentText().toStdString(), {.Blanks = false});
}

namespace {

void StoreBound(const TCfgControl& c, int32_t held) {
  if (c.Store) {
    c.Store(held);
  } else {
    StoreCfg(c.Binding, held);
  }
  if (c.After) c.After(held);
}

// Fills the control as its binding offers, and stores the user's change.
void Connect(QWidget* window, const TCfgControl& c) {
  const TCfgBinding& b = c.Binding;
  if (auto* box = qobject_cast<QCheckBox*>(c.Control)) {
    QObject::connect(box, &QCheckBox::toggled, window, [c](bool on) { StoreBound(c, on ? 1 : 0); });
  } else if (auto* combo = qobject_cast<QComboBox*>(c.Control)) {
    if (c.Items.Step) {
      FillIntCombo(combo, c.Items.First, c.Items.Step, c.Items.Last);
    } else {
      FillIntCombo(combo, b.Lo, 1, b.Hi);
    }
    QObject::connect(combo, &QComboBox::activated, window, [c, combo] {
      if (const std::optional<int32_t> n = PickedNumber(combo)) StoreBound(c, HeldValue(c.Binding, *n));
    });
  } else if (auto* group = qobject_cast<QButtonGroup*>(c.Control)) {
    OnRadioPicked(group, window, [c](int32_t n) { StoreBound(c, HeldValue(c.Binding, n)); });
  } else if (auto* slider = qobject_cast<QSlider*>(c.Control)) {
    slider->setRange(b.Lo, b.Hi);
    QObject::connect(slider, &QSlider::valueChanged, window,
                     [c](int n) { StoreBound(c, HeldValue(c.Binding, n)); });
  }
}

void Show(const TCfgControl& c) {
  const TCfgBinding& b = c.Binding;
  const int32_t shown = ShownValue(b, HeldCfg(b));
  if (auto* box = qobject_cast<QCheckBox*>(c.Control)) {
    box->setChecked(HeldCfg(b) != 0);
  } else if (auto* combo = qobject_cast<QComboBox*>(c.Control)) {
    SelectComboByValue(combo, shown);
  } else if (auto* group = qobject_cast<QButtonGroup*>(c.Control)) {
    SelectRadio(group, RadioFor(shown, b.Lo, b.Hi));
  } else if (auto* slider = qobject_cast<QSlider*>(c.Control)) {
    slider->setValue(shown);
  }
}

}  // namespace

TCfgWindow::TCfgWindow(TfrmMain& main, const TCfgWindowDef& def)
    : QWidget(&main, Qt::Tool), main_(main), def_(def) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  KeepSavedPlace(this, {def_.Left, def_.Top});
  registration_ = Windows().Register(*this);
}

TCfgWindow::~TCfgWindow() {
  registration_.Reset();
}

void TCfgWindow::On(TTopic topic) {
  if (!isVisible()) return;
  if (topic != TTopic::Settings) return OnShowing(topic);
  // An open window stays where it is after a settings load, and its place with it.
  Reload();
  *def_.Left = x();
  *def_.Top = y();
}

void TCfgWindow::OnShowing(TTopic topic) {
  if (topic == def_.Loader) Reload();
}

void TCfgWindow::Wire(QAbstractButton* save) {
  QObject::connect(save, &QAbstractButton::clicked, this, [this] { main_.Files().SaveDefaultConfig(); });
  main_.Files().SetSettingsWindow(def_.MenuItem, [this](const std::string& title) { Open(title); });
}

void TCfgWindow::Bind(TCfgControl control) {
  Connect(this, control);
  bound_.push_back(std::move(control));
}

void TCfgWindow::Bind(std::initializer_list<TCfgControl> controls) {
  for (const TCfgControl& c : controls) Bind(c);
}

void TCfgWindow::LoadBound() {
  for (const TCfgControl& c : bound_) Show(c);
}

void TCfgWindow::LoadBound(const QObject* control) {
  for (const TCfgControl& c : bound_)
    if (c.Control == control) Show(c);
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
}

}  // namespace vel
