#pragma once
// Settings - Metronome drum and Settings - Metronome bass: the style editor of one style family. One
// class made twice, over the family's store; what differs comes from the store's traits.
//
// The styles group lists the styles and the current style's main and break patterns and edits
// names, time signature and steps in place; the pattern group shows the current pattern as a grid
// of step characters that mouse clicks edit, beside each row's on/off box, note list and levels;
// the chain group shows the chain steps and the playing one. The store is read and changed through
// StyleEditLocked.h, whose functions take EngineLock (never across a box); every change to what is
// played asks the metronome for a rebuild.
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/forms/CfgWindow.h"
#include "styles/StyleEditLocked.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QSignalBlocker;
class QSlider;
class QToolButton;

namespace Ui {
class frmCfgStyle;
}

namespace vel {

class TfrmCfgStyle : public TCfgWindow {
 public:
  TfrmCfgStyle(TfrmMain& main, TStyleStore& store);
  ~TfrmCfgStyle() override;

  void On(TTopic topic) override;

  // The operations the rest of the program asks for (drum names: RefreshDrumStyleLists,
  // LoadCfgDrumControls, SetCfgDrumCaptions, CloseDrumPendingEdits, ShowDrumChain,
  // ShowDrumTriggerState, SelectDrumPattern, DisplayPatternGrid, SetDrumChainMode).
  void RefreshStyleLists(bool reload);
  void LoadControls();
  void SetCaptions();
  void ClosePendingEdits(bool accept, bool clearCell);
  void ShowChain(int32_t chain);
  void ShowTriggerState();
  void SelectPattern(int32_t style, int32_t pattern);
  void DisplayPatternGrid(bool keepUndo);
  void SetChainMode(bool on);

  // The three in-place editors.
  using TEditor = TStyleEditor;
  void OpenEditor(TEditor editor);
  void AcceptEditor(TEditor editor);
  void CloseEditor(TEditor editor);
  bool EditorOpen(TEditor editor) const;

  // Handlers, each with the row, list or cell it came from.
  void StyleListClick(int32_t row);
  void PatListClick(TPatList list, int32_t row);
  void GridMouseDown(int32_t row, int32_t x, Qt::MouseButton button);
  void RevertClick();
  void CopyClick();
  void CutClick();
  void PasteClick();
  void DeleteStyleClick();
  void DeletePatternClick(TPatList list);
  void AddStyleClick(bool insert);
  void AddPatternClick(TPatList list, bool insert);
  void ChainCellMouseDown(int32_t chain, int32_t step, int32_t column, Qt::MouseButton button);
  void ChainStartClick(int32_t chain);
  void ChainOnClick();
  void TriggerClick();
  void RandomClick();
  void UsePatTSigClick();
  void FlamChanged(int32_t value);
  void VelVarChanged(int32_t value);
  void RowOnClick(int32_t row);
  void NoteListPick(int32_t row, int32_t index);
  void VelChanged(int32_t row, int32_t value, bool accent);
  void AccentClick();
  void GMNamesClick();
  void ResetNotesClick();
  void ResetVelsClick();
  void ShowChainsClick();
  void ShowPatternsClick();

  // The grid's character width in pixels (the system's fixed-pitch font).
  int32_t GridCharWidth() const { return charWidth_; }

  std::unique_ptr<Ui::frmCfgStyle> ui;
  // Instrument rows 1..15 at index r - 1.
  std::array<QCheckBox*, kStyleInstRows> chkNotes{};
  std::array<QComboBox*, kStyleInstRows> cboNotes{};
  std::array<QSlider*, kStyleInstRows> tbVels{};
  std::array<QSlider*, kStyleInstRows> tbAccVels{};
  std::array<QLabel*, kStyleInstRows> lblvGridSteps{};
  std::array<QLabel*, kStyleRows> lblvGridBeats{};  // the beat marker behind each row
  // Chain cells by chain and step: style, pattern, repeats, jump.
  std::array<QToolButton*, kChainCount> sbtnChainNoStart{};
  std::array<std::array<std::array<QLabel*, 4>, kChainStepCount>, kChainCount> ChainCells{};
  TStyleEditState Edit;

 protected:
  void Load() override { RefreshStyleLists(true); }
  void OnShowing(TTopic topic) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // What a load shows of the store's options and rows, copied under EngineLock.
  using TLoadedOptions = TStyleOptions;
  TLoadedOptions TakeOptions(bool& refill);
  // The controls a load sets, quiet while it sets them: a load runs no handler.
  std::vector<std::unique_ptr<QSignalBlocker>> QuietLoadedControls();
  void ShowOptions(const TLoadedOptions& s, bool refill);
  void ShowRows(const TLoadedOptions& s);
  void MakeRows();
  void MakeChainGrid();
  void WireControls();
  void WireEditors();
  void SetHints();
  void SetRowAndCellHints();
  bool EditorEvent(TEditor editor, QEvent* e);
  bool MouseDown(QObject* watched, QMouseEvent* e);
  void FillNoteLists();
  void FillPatternLists();
  void ShowGroups(bool moveLeftEdge);
  void ShowUndoButtons();
  void SelectListRows();
  void ClearChainCell();
  void ShowChainCellHighlight();
  void ChainModeRefusal(const char* text, bool warning);
  void EditorTextChanged(TEditor editor, const QString& text);
  // Stores a name editor's text on the style or pattern it was opened on.
  void StoreEditedName(TEditor editor, const std::string& text, bool accepting);
  void AcceptTSigSteps();
  // Common opening of most handlers: editors closed, the trigger cleared and redrawn.
  void ClearTriggerAndClose(bool clearCell);
  void AfterPatternEdit();
  std::string Family() const;

  TStyleStore& store_;
  const TStyleFamilyTraits& traits_;
  bool created_ = false;
  int32_t charWidth_ = 9;
  bool notesGM_ = false;  // what the note lists hold
  bool notesNumeric_ = false;
  std::array<std::string, 3> savedText_{};
  // The style and pattern the open editor edits: a style key or a break may move the selection
  // while it is open, and the edit must not follow it.
  int32_t editStyle_ = -1;
  int32_t editPattern_ = -1;
  bool closingEditor_ = false;
  // The window lost the focus to a modal box, so its return is no activation of its own.
  bool deactivatedByBox_ = false;
};

}  // namespace vel
