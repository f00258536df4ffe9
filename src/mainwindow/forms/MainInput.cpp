#include "mainwindow/forms/MainInput.h"

#include <QComboBox>
#include <QKeyEvent>
#include <algorithm>

#include "base/Formats.h"
#include "engine/RunControl.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/PortPanelView.h"
#include "settings/Settings.h"

namespace vel {

uint8_t QtKeyToVirtualKey(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<uint8_t>('A' + (qtKey - Qt::Key_A));
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<uint8_t>('0' + (qtKey - Qt::Key_0));
  switch (qtKey) {
    case Qt::Key_Escape:
      return kVkEscape;
    case Qt::Key_Backslash:
      return kVkBackslash;
    case Qt::Key_Equal:
      return kVkEquals;
    case Qt::Key_Minus:
      return kVkMinus;
    // The virtual keyboard's steering keys.
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_F1:
      return 112;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return 191;
    default:
      return 0;
  }
}

bool TQwertyKeys::Key(const QKeyEvent& event, bool down) {
  const uint8_t vk = QtKeyToVirtualKey(event.key());
  if (vk == 0 || !IsQwertyKey(vk)) return false;
  if (!down) {
    // Held keys are released whatever the setting or modifiers say now: no note is left hanging.
    if (!held_.test(vk)) return false;
    if (event.isAutoRepeat()) return true;
    held_.reset(vk);
    return QwertyKeyToMidi(vk, false);
  }
  if (Cfg.TemplateQwertyDisabled) return false;
  constexpr Qt::KeyboardModifiers kShifts =
      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  if (event.modifiers() & kShifts) return false;
  if (event.isAutoRepeat() || held_.test(vk)) return true;
  held_.set(vk);
  return QwertyKeyToMidi(vk, true);
}

void TQwertyKeys::ReleaseAll() {
  for (std::size_t vk = 0; vk < held_.size(); ++vk)
    if (held_.test(vk)) QwertyKeyToMidi(static_cast<uint8_t>(vk), false);
  held_.reset();
}

void FillIntCombo(QComboBox* combo, int32_t first, int32_t step, int32_t last) {
  const QSignalBlocker block(combo);
  combo->clear();
  combo->setEditable(false);
  if (step == 0) return;
  const int32_t n = std::max<int32_t>(0, (last - first) / step + 1);
  combo->setMaxVisibleItems(std::max<int32_t>(1, std::min<int32_t>(20, n)));
  for (int32_t i = 0; i < n; ++i) combo->addItem(QString::number(first + i * step));
}

void SelectComboByValue(QComboBox* combo, int32_t value) {
  const QSignalBlocker block(combo);
  const int count = combo->count();
  combo->setCurrentIndex(count - 1);
  for (int i = 0; i < count; ++i) {
    if (ParseInt(combo->itemText(i).toStdString(), {.Blanks = false}).value_or(0) >= value) {
      combo->setCurrentIndex(i);
      return;
    }
  }
}

namespace {

void FillPortNumbers(QComboBox* combo, int32_t lastPort) {
  if (!combo) return;
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& item : PortNumberItems(lastPort)) combo->addItem(QString::fromStdString(item));
}

}  // namespace

void FillClockPortCombo(QComboBox* combo) {
  FillPortNumbers(combo, RunCtl.InPortsAllocated);
  const QSignalBlocker block(combo);
  combo->setCurrentIndex(Cfg.ClocksExtPNo < combo->count() ? Cfg.ClocksExtPNo : -1);
  combo->setEnabled(RunCtl.InPortsAllocated >= 0);
}

void FillSampleAidPortCombos(QComboBox* a, QComboBox* b, QComboBox* c) {
  for (QComboBox* combo : {a, b, c}) FillPortNumbers(combo, RunCtl.OutPortsAllocated);
}

}  // namespace vel
