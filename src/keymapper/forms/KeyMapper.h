#pragma once
// The key mapper window: the fourteen key maps as a grid of 128 key columns, scrolled by keys,
// buttons or the wheel; the key just played and its key mode light up; a cell click opens the
// mode's list to pick the key's function.
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "keymapper/KeyMapperPrefill.h"
#include "keymapper/KeyMapperView.h"
#include "mainwindow/WindowRegistry.h"

class QComboBox;
class QLabel;
class QStatusBar;
class QToolButton;

namespace vel {

class TfrmMain;
class TKeyGrid;

class TfrmKeyMapper : public QWidget, public TWindow {
 public:
  explicit TfrmKeyMapper(TfrmMain& main);
  ~TfrmKeyMapper() override;

  void On(TTopic topic) override;
  void Answer(TWindowCalls& calls) override;

  // Opens it with this title; the first opening scrolls to the live calibrate key.
  void Open(const std::string& title);
  void SetFirstVisibleKey(int32_t key);
  void SelectCurrentKey(int32_t key, bool toggle);
  void ScrollKeyGrid(int32_t n);
  // Repaints the colours and live lights; returns the error text ("" when none).
  std::string UpdateMidiKeyDsp();
  void FillLabels();
  void HideModeCombos();
  // A press on a mode cell: selects the key and opens the row's list over the cell.
  void ModeCellMouseDown(int32_t row, int32_t key);
  // The pick of item index in the list of a screen row.
  void PickModeItem(int32_t row, int32_t index);
  // The user drops a list down: back to its full width, fitted to the window.
  void DropDownModeCombo(QComboBox* c);
  void ToggleColours();
  void ToggleHints();
  void ToggleWidth();
  // A row's ignore, play or record button: the stretch from the current key, after the question.
  void PrefillModeKeys(int32_t row, TPrefillFn fn);
  // A row's factory button.
  void ResetModeKeys(int32_t row);
  bool ConfirmPrefill(int32_t from, int32_t to, const std::string& modeWord);
  void TogglePrefillWarnings();
  void UpdatePrefillButtons();

  // Window state.
  int32_t KmCurrentKey = 0;
  bool KmPrefillUp = true;
  bool KmLabelColours = false;
  bool KmLabelHints = true;
  bool KmComboShowing = false;
  bool KmPrefillWarnings = true;
  bool KmPrefillHintShown = false;
  int32_t KmComboLeft = 0;
  int32_t KmClientHeight = 0;
  TKeyMapperWidths Widths{};

  TKeyGrid* Grid = nullptr;
  QLabel* lblKey = nullptr;
  std::array<QLabel*, KeyMapperRowCount> RowLabels{};
  std::array<QComboBox*, KeyMapperRowCount> Combos{};  // by screen row
  QToolButton* sbtnLabelColoursReqd = nullptr;
  QToolButton* sbtnLabelHintsReqd = nullptr;
  QToolButton* sbtnWidth = nullptr;
  QToolButton* sbtnSaveConfig = nullptr;
  QToolButton* sbtnResetAll = nullptr;
  QToolButton* sbtnPrefillWarningReqd = nullptr;
  std::vector<QToolButton*> PrefillButtons;  // the 30 prefill and 14 factory buttons
  QStatusBar* stbStatus = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void MakeHeader();
  void MakeScrollPanel();
  void MakePrefillButtons(QWidget* hdr);
  void MakeCombos();
  void FillModeCombos();
  void ShowModeCombo(int32_t row, int32_t left);
  void GridPressed(int32_t key, int32_t hit);
  int32_t GridLeft() const;
  TfrmMain& main_;
  bool opened_ = false;
  TRegistration registration_;
};

}  // namespace vel
