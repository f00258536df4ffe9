#pragma once
// Procedures of the main window that other windows call: computer keys to the key path, numeric
// combo boxes, and the port lists of the timing and sample aid windows.
#include <bitset>
#include <cstdint>

class QComboBox;
class QKeyEvent;
class QWidget;

namespace vel {

// The Windows virtual-key code of a Qt key (the key maps and hotkeys speak those), 0 for none.
uint8_t QtKeyToVirtualKey(int qtKey);

// The computer keys typed into a window that plays with them, as the virtual keyboard does: off
// while "Disable qwerty controls" is on; a key with Shift, Ctrl, Alt or Meta goes on unplayed; a
// press is passed on once however long the key is held, and its release once. A release whose
// press the window never saw (a focused control took it) is not the window's.
class TQwertyKeys {
 public:
  // True when the window should swallow the key.
  bool Key(const QKeyEvent& event, bool down);
  // The releases of the keys still held: the window lost the keyboard and would never see them.
  void ReleaseAll();

 private:
  std::bitset<256> held_;
};

// Makes the combo a drop-down list of first, first + step, .. up to last. A step of 0 leaves it
// empty.
void FillIntCombo(QComboBox* combo, int32_t first, int32_t step, int32_t last);
// Selects the first item whose number is at least value; above every item, the last item.
void SelectComboByValue(QComboBox* combo, int32_t value);

// The timing window's external clock port list: "P1".."Pn" for the inputs, ClocksExtPNo selected,
// enabled only when an input exists.
void FillClockPortCombo(QComboBox* combo);
// The sample aid's three port lists: "P1".."Pn" for the outputs.
void FillSampleAidPortCombos(QComboBox* a, QComboBox* b, QComboBox* c);

}  // namespace vel
