#pragma once
// What the style windows do to a style store, each under EngineLock, which it takes itself: the
// windows never take the lock. One function per thing a window reads or changes at once, so a
// handler's reads and writes stay one critical section; the window draws from what comes back.
// None is called with the lock held across a box: a flow that asks is split into the question and
// the change, and the change checks that the selection is still the one asked about.
// GUI thread; StyleEdit.h has the lock-free editing these call, keys/StyleKeysLocked.h the break
// trigger and the random style, which belong to the style keys.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "styles/StyleChains.h"
#include "styles/StyleEdit.h"

namespace vel {

// ---------------------------------------------------------------------------------------------------
// Reading what a window shows

int32_t TakeChainNo(const TStyleStore& store);
// The style list's lines, one per defined style.
std::vector<std::string> TakeStyleLines(const TStyleStore& store);

// The store's options and rows a load shows. The selection is first put on a defined pair (a
// rebuild asked for when it moved). KeyDefsNumeric is the note names' setting at the same moment.
struct TStyleOptions {
  uint8_t ShowChains = 0, ShowPatterns = 0, DspGMNames = 0, UsePatTSig = 0, AccentEnabled = 0, ChainOn = 0;
  int32_t ChainNo = 0, FlamSpeed = 0, VelVar = 0;
  std::array<uint8_t, kStyleInstRows> RowOn{}, RowVel{}, RowAccVel{};
  std::array<TStyleRowDef, kStyleRows> RowMap{};
  bool KeyDefsNumeric = false;
};
TStyleOptions TakeStyleOptions(TStyleStore& store);

// The current style's main and break list lines (empty for an undefined style).
struct TPatternLines {
  std::vector<std::string> Mains, Breaks;
};
TPatternLines TakePatternLines(const TStyleStore& store);

struct TStyleSelection {
  int32_t Style = 0;
  int32_t Pattern = 0;
  bool Valid = false;    // a defined pattern of a defined style
  bool Defined = false;  // the style is defined
};
TStyleSelection TakeSelection(const TStyleStore& store);

// The grid's pattern (a copy; empty when the selection names none) and the captions above it.
struct TPatternView {
  TStylePattern Pattern{};
  bool Valid = false;
  std::string StyleCaption, PatCaption;
  std::array<uint8_t, kStyleInstRows> RowOn{};
  bool AccentOn = false;
};
TPatternView TakePatternView(const TStyleStore& store);

struct TUndoButtonState {
  bool ChainOn = false;
  bool PatternValid = false;
};
TUndoButtonState TakeUndoButtonState(const TStyleStore& store);

// One chain's cells with the captions and the playing chain.
struct TChainView {
  std::vector<TChainCells> Cells;
  std::string StyleCaption, PatCaption;
  int32_t ChainNo = 0;
  bool Valid = false;  // the current style and pattern name a defined pattern
};
TChainView TakeChainView(const TStyleStore& store, int32_t chain);

TBreakTriggerState TakeTriggerState(const TStyleStore& store);

// The metronome's mode, which decides whether a family's captions are greyed.
struct TMetrStyleMode {
  bool ModeStyles = false;
  bool DrumType = false;
};
TMetrStyleMode TakeMetrStyleMode();

struct TShownGroups {
  bool Chains = false;
  bool Patterns = false;
};
TShownGroups TakeShownGroups(const TStyleStore& store);

// The chain cell the style and pattern lists copy to; Step -1 when none.
struct TChainCellMark {
  int32_t Chain = 0;
  int32_t Step = -1;
};
TChainCellMark TakeChainCell(const TStyleStore& store);

// ---------------------------------------------------------------------------------------------------
// Selection

// The pattern a click on the style list's row selects with it, or -1 when the click changes
// nothing (an undefined row, or the current style with no chain cell to copy to).
int32_t StyleToSelect(const TStyleStore& store, int32_t row);
// A click on a pattern list: Go when the pattern is defined and is new or goes to a chain cell.
struct TPatListPick {
  bool Go = false;
  int32_t Style = 0;
  bool HadCell = false;
};
TPatListPick PickFromPatList(const TStyleStore& store, int32_t pattern);
// Makes the pair current (copied to the chain cell when one is marked) and asks for a rebuild.
struct TSelected {
  bool NewStyle = false;
  bool Cell = false;
  int32_t ChainNo = 0;
};
TSelected SelectStylePattern(TStyleStore& store, int32_t style, int32_t pattern);

// ---------------------------------------------------------------------------------------------------
// Grid and pattern buttons

// A click at x on a grid row; refused while the chain mode is on.
struct TGridClick {
  bool ChainOn = false;
  bool Changed = false;
};
TGridClick ClickGrid(TStyleStore& store, TStyleEditState& edit, int32_t row, int32_t x, int32_t charWidth,
                     TStepButton button);
bool UndoPatternEdits(TStyleStore& store, TStyleEditState& edit);
void CopyPatternToClipboard(const TStyleStore& store, TStyleEditState& edit);
void CutPatternToClipboard(TStyleStore& store, TStyleEditState& edit);
bool PastePatternFromClipboard(TStyleStore& store, TStyleEditState& edit);

// ---------------------------------------------------------------------------------------------------
// Deletes, adds and inserts

// The question a delete asks about the current style (or the current pattern, when in the list),
// and the selection it asked about; Ok false when there is nothing to delete.
struct TDeleteAsk {
  bool Ok = false;
  int32_t Style = 0;
  int32_t Pattern = 0;
  std::string Question;
};
TDeleteAsk AskDeleteStyle(const TStyleStore& store);
TDeleteAsk AskDeletePattern(const TStyleStore& store, TPatList list);
// The delete once answered, only while the selection is still the one asked about.
bool DeleteAskedStyle(TStyleStore& store, int32_t style);
bool DeleteAskedPattern(TStyleStore& store, int32_t style, int32_t pattern);
// A new style at the end, or before the current one; the refusal when the list is full, else empty.
std::string AddStyle(TStyleStore& store, bool insert);
// A new pattern at the end of the list, or where InsertPatternAt puts it.
std::string AddPattern(TStyleStore& store, TPatList list, bool insert);

// ---------------------------------------------------------------------------------------------------
// In-place editors

enum class TStyleEditor : uint8_t { StyleName, PatName, TSigSteps };
// What an editor opens on: its text (Ok when there is a style or pattern to edit) and the
// selection it edits; refused by the window while the chain mode is on.
struct TEditorOpening {
  bool ChainOn = false;
  bool Ok = false;
  std::string Text;
  int32_t Style = -1;
  int32_t Pattern = -1;
};
TEditorOpening OpenStyleEditor(const TStyleStore& store, TStyleEditor editor);
// Stores a name editor's text on the style (StyleName) or pattern it was opened on.
void StoreEditorName(TStyleStore& store, TStyleEditor editor, int32_t style, int32_t pattern,
                     const std::string& text, bool accepting);
// The time signature editor's text parsed against its pattern; none when the pattern is gone.
std::optional<TTSigStepsEdit> ParseEditedTSigSteps(const TStyleStore& store, int32_t style, int32_t pattern,
                                                   const std::string& text);
// Stores the parsed edit; false when the pattern went while the boxes were up.
bool ApplyEditedTSigSteps(TStyleStore& store, int32_t style, int32_t pattern, const TTSigStepsEdit& edit);

// ---------------------------------------------------------------------------------------------------
// Chains

// Unmarks the chain cell; false when none was marked.
bool ClearChainCellMark(TStyleStore& store);
// A click on a chain cell with delta -1 (left), 1 (right) or 0: repeats and jump step, the style
// and pattern cells mark or unmark the cell unless the chain mode is on. The chain mode comes back.
bool ClickChainCell(TStyleStore& store, int32_t chain, int32_t step, int32_t column, int32_t delta);
// The chain to start with, unless the chain mode is on; the chain mode comes back.
bool StartChainAt(TStyleStore& store, int32_t chain);
// Switches the chain mode when it differs; Redraw when the chains must be shown again.
struct TChainModeSwitch {
  bool Redraw = false;
  int32_t ChainNo = 0;
};
TChainModeSwitch SwitchChainMode(TStyleStore& store, bool on);

// ---------------------------------------------------------------------------------------------------
// Options and rows. Each asks for a rebuild when it changes what is played; rows are 1..15 and a
// row, note or level outside them changes nothing.

void SetUsePatTSig(TStyleStore& store, bool on);
void SetFlamSpeed(TStyleStore& store, int32_t value);
void SetVelVar(TStyleStore& store, int32_t value);
// True when the row's on/off changed.
bool SetRowOn(TStyleStore& store, int32_t row, bool on);
// The row keeps its names: only what it plays changes.
void SetRowNote(TStyleStore& store, int32_t row, int32_t note);
// The level is kept in 0..127.
void SetRowLevel(TStyleStore& store, int32_t row, bool accent, int32_t value);
// True when the accent's on/off changed.
bool SetAccentEnabled(TStyleStore& store, bool on);
void SetDspGMNames(TStyleStore& store, bool on);
// The factory notes (levels false) or the factory levels.
void ResetRowMap(TStyleStore& store, bool levels);
void SetShowChains(TStyleStore& store, bool on);
void SetShowPatterns(TStyleStore& store, bool on);

}  // namespace vel
