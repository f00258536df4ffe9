#pragma once
// The editing of a style store as the style windows do it, without the windows: the step cycle of
// a grid click, the three in-place editors' texts, the pattern's undo copy and clipboard, deleting,
// adding and inserting styles and patterns with the chain references kept pointing at the same
// data, and the texts of the grid, the chain cells and the note lists.
//
// Callers hold EngineLock around every call that takes a TStyleStore& (the timer thread builds
// bars from the store); nothing here asks the user. A flow that asks (a delete, a shrinking step
// count) is split into the question's text and the change, so the lock is never held across a box.
// Every change to what the metronome plays ends with RequestStyleRebuild.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "styles/StyleStore.h"

namespace vel {

// What the window keeps beside the store: the current pattern as it was before its first edit, and
// the pattern clipboard, which survives changes of the current pattern.
struct TStyleEditState {
  TStylePattern PatUndo{};
  bool PatUndoValid = false;
  int32_t UndoStyle = -1;  // the pattern the undo copy belongs to
  int32_t UndoPattern = -1;
  TStylePattern PatClipboard{};
  bool ClipboardFilled = false;
};

// ---------------------------------------------------------------------------------------------------
// Grid

enum class TStepButton : uint8_t { Left, Right, Other };

// The character a click turns a step into: left "." -> "x", anything else -> "."; right (instrument
// rows only) "." and "x" -> "f" (bass "t"), "t" -> "f", "f" -> "b", "b" -> ".". Unchanged where the
// click does nothing (right on the accent row, other buttons).
char NextStepChar(const TStyleFamilyTraits& traits, int32_t row, char current, TStepButton button);

// The step (0-based) under a click at x on a grid row of fixed-width characters; -1 right of the
// last step or left of the first.
int32_t StepAtX(int32_t x, int32_t charWidth, int32_t steps);

// A step of the current pattern clicked. The first change since the pattern was selected keeps the
// undo copy. False when nothing changed, the current selection names no defined pattern or the
// row or step is outside it.
bool ClickStep(TStyleStore& store, TStyleEditState& edit, int32_t row, int32_t step, TStepButton button);

// A row as the grid shows it: its steps, or Steps rests when it is empty.
std::string GridRowText(const TStylePattern& pattern, int32_t row);
// Steps blanks with "." at every step whose index is a multiple of the beats per bar.
std::string BeatMarkerText(const TStylePattern& pattern);
// "4/4, 16".
std::string TSigStepsText(const TStylePattern& pattern);
// Some instrument row holds a flam or grace step ("f" or "b").
bool HasFlamSteps(const TStylePattern& pattern);

// The pattern the window edits: the current one when it names a defined pattern, else nullptr.
TStylePattern* CurrentPattern(TStyleStore& store);
const TStylePattern* CurrentPattern(const TStyleStore& store);
// The first defined pattern of a style: main 0, else the first break, else -1.
int32_t FirstValidPattern(const TStyleStore& store, int32_t style);
// Puts the current style and pattern on a defined pair: kept when valid, else the style's first
// pattern, else style 0's; with no pattern anywhere they stay as they are (the grid then refuses
// edits). True when they changed.
bool KeepSelectionValid(TStyleStore& store);

// ---------------------------------------------------------------------------------------------------
// In-place editors

// The text before the first ";" as the settings file will give it back (CfgFreeText): without "=",
// trimmed, cut to maxLen characters and trimmed again, so that the window shows what is saved.
std::string EditedText(std::string_view text, std::size_t maxLen);
// Each keystroke of the name editors stores the name at once; accepting an empty style name
// stores "Unnamed" (a pattern name may stay empty). A style named "Unused" has no name, as in the file.
void SetStyleName(TStyleStore& store, int32_t style, std::string_view text, bool accepting);
void SetPatternName(TStyleStore& store, int32_t style, int32_t pattern, std::string_view text);

// What the time signature and steps editor makes of its text, checked against the pattern.
struct TTSigStepsEdit {
  bool Ok = false;
  std::string Error;     // why not, when not Ok
  std::string Question;  // a confirmation to ask first, when the new steps cut off notes
  int32_t TSigNum = 0;
  int32_t TSigDen = 0;
  int32_t Steps = 0;
};
inline constexpr std::string_view kTSigStepsHelp =
    "Valid formats are:-\r\nn/n n - new time sig and new no. of steps\r\nn/n - new time sig with no. of "
    "steps unchanged\r\nn - new no. of steps with time sig unchanged";
TTSigStepsEdit ParseTSigSteps(const TStylePattern& pattern, std::string_view text);
// Stores a parsed edit: rows lengthened with rests or cut (a row left all rests becomes empty).
void ApplyTSigSteps(TStylePattern& pattern, const TTSigStepsEdit& edit);

// ---------------------------------------------------------------------------------------------------
// Revert, copy, cut, paste (the current pattern)

void DropUndo(TStyleEditState& edit);
// True when there was an undo copy of the current pattern to put back.
bool RevertPattern(TStyleStore& store, TStyleEditState& edit);
// True when the pattern had notes and went to the clipboard; an empty pattern leaves it as it was.
bool CopyPattern(const TStyleStore& store, TStyleEditState& edit);
// Copy, then every row emptied (time signature, steps and name stay); the undo copy is dropped.
bool CutPattern(TStyleStore& store, TStyleEditState& edit);
// The clipboard over the current pattern, the old one kept for Revert. False when the clipboard is
// empty or equals the pattern.
bool PastePattern(TStyleStore& store, TStyleEditState& edit);
bool SamePattern(const TStylePattern& a, const TStylePattern& b);

// ---------------------------------------------------------------------------------------------------
// Chains

// Whether a chain step names the style (and pattern).
bool ChainNamesStyle(const TStyleStore& store, int32_t style);
bool ChainNamesPattern(const TStyleStore& store, int32_t style, int32_t pattern);
// Adds delta to the style of every step naming a style in from..last; the count of steps changed.
int32_t ShiftChainStyleRefs(TStyleStore& store, int32_t from, int32_t last, int32_t delta);
// Adds delta to the pattern of every step naming this style and a pattern in from..last.
int32_t ShiftChainPatRefs(TStyleStore& store, int32_t style, int32_t from, int32_t last, int32_t delta);

// One chain step as its four cells show it.
struct TChainCells {
  std::string Style;    // "01", or " -" when the style is that of the step before
  std::string Pattern;  // "40"
  std::string Repeats;  // " 3", or " -" when none
  std::string Jump;     // ">1", or " -"
  bool Active = false;  // repeats above 0: blue, else grey (the jump cell is always blue)
  bool Playing = false;
};
std::vector<TChainCells> ChainCellTexts(const TStyleStore& store, int32_t chain);
// Left click decreases, right increases: repeats 0..99 (the playing step's repeats left follow),
// jump -1..last chain. False when out of the tables.
bool StepChainRepeats(TStyleStore& store, int32_t chain, int32_t step, int32_t delta);
bool StepChainJump(TStyleStore& store, int32_t chain, int32_t step, int32_t delta);
// The selected chain cell takes this style and pattern.
void CopyToChainCell(TStyleStore& store, int32_t style, int32_t pattern);

// ---------------------------------------------------------------------------------------------------
// Deletes, adds and inserts

// "About to delete current style '01 Rock', ok?" and the rest of the box's text.
std::string DeleteStyleQuestion(const TStyleStore& store, int32_t style);
std::string DeletePatternQuestion(const TStyleStore& store, int32_t style, int32_t pattern);
// Deletes a defined style: later styles move down, chain steps naming them with them; the current
// style stays at the index (or the new last style) with its first pattern. False when undefined.
bool DeleteStyle(TStyleStore& store, int32_t style);
// Deletes a defined pattern: later patterns of its list move down, chain steps with them; the
// current pattern stays at the index, or the list's new last, or the style's first pattern.
bool DeletePattern(TStyleStore& store, int32_t style, int32_t pattern);

enum class TPatList : uint8_t { Main, Break };
// The refusal when the list is full, else empty.
std::string ListFullText(const TStyleStore& store, int32_t style, bool styles, TPatList list);
// A new style "Unnamed" with one empty main and one empty break at index at (0..LastStyle + 1),
// made current; later styles and their chain references move up. False when full or at is out.
bool InsertStyle(TStyleStore& store, int32_t at);
// A new empty 4/4 pattern of 16 steps at index at of the style's list, made current.
bool InsertPattern(TStyleStore& store, int32_t style, TPatList list, int32_t at);
// Where the insert buttons insert: before the current style, before the current pattern when it is
// in the list, else at the list's end.
int32_t InsertPatternAt(const TStyleStore& store, TPatList list);

// ---------------------------------------------------------------------------------------------------
// Rows and captions

// The note list of a row: note 127 first, so the item index is 127 - note. With gmNames the notes
// 35..81 add a blank and their General MIDI drum name.
std::vector<std::string> NoteListItems(bool numeric, bool gmNames);
inline int32_t NoteListIndex(int32_t note) {
  return 127 - note;
}
// The suffix of the group captions: empty while the metronome plays this family's styles.
std::string StyleCaptionSuffix(const TStyleFamilyTraits& traits, bool modeStyles, bool metrTypeDrum);
// "Flam/grace" or "Flam/grace off"; "Vel var" or "Vvar off".
std::string FlamLabel(int32_t flamSpeed);
std::string VelVarLabel(int32_t velVar);

}  // namespace vel
