#include "styles/StyleEditLocked.h"

#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/UiHooks.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using Guard = std::lock_guard<TEngineLock>;

bool InstRow(int32_t row) {
  return row >= 1 && row < kStyleRows;
}

uint8_t Flag(bool on) {
  return on ? 1 : 0;
}

// An option or row setting changed under the lock; what is played is rebuilt only when it moved.
template <typename T>
bool StoreAndRebuild(T& field, T value) {
  Guard lock(EngineLock);
  if (field == value) return false;
  field = value;
  RequestStyleRebuild();
  return true;
}

// A display setting: nothing played depends on it.
void StoreLocked(uint8_t& field, uint8_t value) {
  Guard lock(EngineLock);
  field = value;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Reading what a window shows

int32_t TakeChainNo(const TStyleStore& store) {
  Guard lock(EngineLock);
  return store.ChainNo;
}

std::vector<std::string> TakeStyleLines(const TStyleStore& store) {
  std::vector<std::string> lines;
  Guard lock(EngineLock);
  for (int32_t s = 0; s <= std::min(store.LastStyle, kStyleCount - 1); ++s)
    lines.push_back(FmtStyleLine(store, s));
  return lines;
}

TStyleOptions TakeStyleOptions(TStyleStore& store) {
  TStyleOptions s;
  Guard lock(EngineLock);
  if (KeepSelectionValid(store)) RequestStyleRebuild();
  s.ShowChains = store.ShowChains;
  s.ShowPatterns = store.ShowPatterns;
  s.ChainNo = store.ChainNo;
  s.DspGMNames = store.DspGMNames;
  s.UsePatTSig = store.UsePatTSig;
  s.AccentEnabled = store.AccentEnabled;
  s.ChainOn = store.ChainOn;
  s.FlamSpeed = store.FlamSpeed;
  s.VelVar = store.VelVar;
  s.RowOn = store.RowOn;
  s.RowVel = store.RowVel;
  s.RowAccVel = store.RowAccVel;
  s.RowMap = store.RowMap;
  s.KeyDefsNumeric = Cfg.KeyDefsNumeric != 0;
  return s;
}

TPatternLines TakePatternLines(const TStyleStore& store) {
  TPatternLines lines;
  Guard lock(EngineLock);
  const int32_t style = store.StyleNo;
  if (!IsDefinedStyle(store, style)) return lines;
  const TStyleHeader& h = store.Styles[style];
  for (int32_t p = 0; p <= std::min(h.LastMain, kStyleMainCount - 1); ++p)
    lines.Mains.push_back(FmtPatLine(store, style, p));
  for (int32_t p = 0; p <= std::min(h.LastBreak, kStyleBreakCount - 1); ++p)
    lines.Breaks.push_back(FmtPatLine(store, style, kStyleFirstBreak + p));
  return lines;
}

TStyleSelection TakeSelection(const TStyleStore& store) {
  TStyleSelection s;
  Guard lock(EngineLock);
  s.Style = store.StyleNo;
  s.Pattern = store.PatNo;
  s.Valid = IsValidStylePattern(store, s.Style, s.Pattern);
  s.Defined = IsDefinedStyle(store, s.Style);
  return s;
}

TPatternView TakePatternView(const TStyleStore& store) {
  TPatternView v;
  Guard lock(EngineLock);
  if (const TStylePattern* cur = CurrentPattern(store)) {
    v.Pattern = *cur;
    v.Valid = true;
  }
  v.StyleCaption = FmtStyleCaption(store, store.StyleNo);
  v.PatCaption = FmtPatCaption(store, store.StyleNo, store.PatNo);
  v.RowOn = store.RowOn;
  v.AccentOn = store.AccentEnabled != 0;
  return v;
}

TUndoButtonState TakeUndoButtonState(const TStyleStore& store) {
  Guard lock(EngineLock);
  return {store.ChainOn != 0, CurrentPattern(store) != nullptr};
}

TChainView TakeChainView(const TStyleStore& store, int32_t chain) {
  TChainView v;
  Guard lock(EngineLock);
  v.Cells = ChainCellTexts(store, chain);
  v.StyleCaption = FmtStyleCaption(store, store.StyleNo);
  v.PatCaption = FmtPatCaption(store, store.StyleNo, store.PatNo);
  v.ChainNo = store.ChainNo;
  v.Valid = IsValidStylePattern(store, store.StyleNo, store.PatNo);
  return v;
}

TBreakTriggerState TakeTriggerState(const TStyleStore& store) {
  Guard lock(EngineLock);
  return BreakTriggerState(store);
}

TMetrStyleMode TakeMetrStyleMode() {
  Guard lock(EngineLock);
  return {Cfg.MetrModeStyles != 0, Cfg.MetrTypePitchLocked != 0};
}

TShownGroups TakeShownGroups(const TStyleStore& store) {
  Guard lock(EngineLock);
  return {store.ShowChains != 0, store.ShowPatterns != 0};
}

TChainCellMark TakeChainCell(const TStyleStore& store) {
  Guard lock(EngineLock);
  return {store.ChainCellChain, store.ChainCellStep};
}

// ---------------------------------------------------------------------------------------------------
// Selection

int32_t StyleToSelect(const TStyleStore& store, int32_t row) {
  Guard lock(EngineLock);
  if (!IsDefinedStyle(store, row)) return -1;
  if (row == store.StyleNo && store.ChainCellStep < 0) return -1;
  // A style without main patterns starts on its first break, never on an undefined slot.
  return std::max(0, FirstValidPattern(store, row));
}

TPatListPick PickFromPatList(const TStyleStore& store, int32_t pattern) {
  TPatListPick pick;
  Guard lock(EngineLock);
  pick.HadCell = store.ChainCellStep >= 0;
  pick.Style = store.StyleNo;
  if (!IsValidStylePattern(store, pick.Style, pattern)) return pick;
  if (pattern == store.PatNo && !pick.HadCell) return pick;
  pick.Go = true;
  return pick;
}

TSelected SelectStylePattern(TStyleStore& store, int32_t style, int32_t pattern) {
  TSelected s;
  Guard lock(EngineLock);
  s.NewStyle = style != store.StyleNo;
  store.StyleNo = style;
  store.PatNo = pattern;
  store.Traits->MetrChanged->store(0, std::memory_order_relaxed);
  s.Cell = store.ChainCellStep >= 0;
  if (s.Cell) CopyToChainCell(store, style, pattern);
  s.ChainNo = store.ChainNo;
  RequestStyleRebuild();
  return s;
}

// ---------------------------------------------------------------------------------------------------
// Grid and pattern buttons

TGridClick ClickGrid(TStyleStore& store, TStyleEditState& edit, int32_t row, int32_t x, int32_t charWidth,
                     TStepButton button) {
  TGridClick click;
  Guard lock(EngineLock);
  click.ChainOn = store.ChainOn != 0;
  const TStylePattern* p = CurrentPattern(store);
  if (!click.ChainOn && p)
    click.Changed = ClickStep(store, edit, row, StepAtX(x, charWidth, p->Steps), button);
  return click;
}

bool UndoPatternEdits(TStyleStore& store, TStyleEditState& edit) {
  Guard lock(EngineLock);
  return RevertPattern(store, edit);
}

void CopyPatternToClipboard(const TStyleStore& store, TStyleEditState& edit) {
  Guard lock(EngineLock);
  CopyPattern(store, edit);
}

void CutPatternToClipboard(TStyleStore& store, TStyleEditState& edit) {
  Guard lock(EngineLock);
  CutPattern(store, edit);
}

bool PastePatternFromClipboard(TStyleStore& store, TStyleEditState& edit) {
  Guard lock(EngineLock);
  return PastePattern(store, edit);
}

// ---------------------------------------------------------------------------------------------------
// Deletes, adds and inserts

TDeleteAsk AskDeleteStyle(const TStyleStore& store) {
  TDeleteAsk ask;
  Guard lock(EngineLock);
  ask.Style = store.StyleNo;
  if (!IsDefinedStyle(store, ask.Style)) return ask;
  ask.Question = DeleteStyleQuestion(store, ask.Style);
  ask.Ok = true;
  return ask;
}

TDeleteAsk AskDeletePattern(const TStyleStore& store, TPatList list) {
  TDeleteAsk ask;
  Guard lock(EngineLock);
  ask.Style = store.StyleNo;
  ask.Pattern = store.PatNo;
  const bool inList = (ask.Pattern >= kStyleFirstBreak) == (list == TPatList::Break);
  if (!inList || !IsValidStylePattern(store, ask.Style, ask.Pattern)) return ask;
  ask.Question = DeletePatternQuestion(store, ask.Style, ask.Pattern);
  ask.Ok = true;
  return ask;
}

bool DeleteAskedStyle(TStyleStore& store, int32_t style) {
  Guard lock(EngineLock);
  // The box let the engine run: act only on the style it asked about.
  return store.StyleNo == style && DeleteStyle(store, style);
}

bool DeleteAskedPattern(TStyleStore& store, int32_t style, int32_t pattern) {
  Guard lock(EngineLock);
  return store.StyleNo == style && store.PatNo == pattern && DeletePattern(store, style, pattern);
}

std::string AddStyle(TStyleStore& store, bool insert) {
  Guard lock(EngineLock);
  std::string refusal = ListFullText(store, store.StyleNo, true, TPatList::Main);
  const int32_t at = insert && IsDefinedStyle(store, store.StyleNo) ? store.StyleNo : store.LastStyle + 1;
  if (refusal.empty()) InsertStyle(store, at);
  return refusal;
}

std::string AddPattern(TStyleStore& store, TPatList list, bool insert) {
  Guard lock(EngineLock);
  const int32_t style = store.StyleNo;
  std::string refusal = ListFullText(store, style, false, list);
  if (refusal.empty()) {
    const int32_t end =
        (list == TPatList::Main ? 0 : kStyleFirstBreak) +
        (list == TPatList::Main ? store.Styles[style].LastMain : store.Styles[style].LastBreak) + 1;
    InsertPattern(store, style, list, insert ? InsertPatternAt(store, list) : end);
  }
  return refusal;
}

// ---------------------------------------------------------------------------------------------------
// In-place editors

TEditorOpening OpenStyleEditor(const TStyleStore& store, TStyleEditor editor) {
  TEditorOpening o;
  Guard lock(EngineLock);
  o.ChainOn = store.ChainOn != 0;
  const TStylePattern* p = CurrentPattern(store);
  if (editor == TStyleEditor::StyleName && IsDefinedStyle(store, store.StyleNo)) {
    o.Text = store.Styles[store.StyleNo].Name.Str();
    o.Ok = true;
  } else if (editor != TStyleEditor::StyleName && p) {
    o.Text = editor == TStyleEditor::PatName ? p->Name.Str() : TSigStepsText(*p);
    o.Ok = true;
  }
  o.Style = store.StyleNo;
  o.Pattern = store.PatNo;
  return o;
}

void StoreEditorName(TStyleStore& store, TStyleEditor editor, int32_t style, int32_t pattern,
                     const std::string& text, bool accepting) {
  Guard lock(EngineLock);
  if (editor == TStyleEditor::StyleName)
    SetStyleName(store, style, text, accepting);
  else
    SetPatternName(store, style, pattern, text);
}

std::optional<TTSigStepsEdit> ParseEditedTSigSteps(const TStyleStore& store, int32_t style, int32_t pattern,
                                                   const std::string& text) {
  Guard lock(EngineLock);
  if (!IsValidStylePattern(store, style, pattern)) return std::nullopt;
  return ParseTSigSteps(store.Patterns[style][pattern], text);
}

bool ApplyEditedTSigSteps(TStyleStore& store, int32_t style, int32_t pattern, const TTSigStepsEdit& edit) {
  Guard lock(EngineLock);
  if (!IsValidStylePattern(store, style, pattern)) return false;
  ApplyTSigSteps(store.Patterns[style][pattern], edit);
  RequestStyleRebuild();
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Chains

bool ClearChainCellMark(TStyleStore& store) {
  Guard lock(EngineLock);
  if (store.ChainCellStep < 0) return false;
  store.ChainCellStep = -1;
  return true;
}

bool ClickChainCell(TStyleStore& store, int32_t chain, int32_t step, int32_t column, int32_t delta) {
  Guard lock(EngineLock);
  const bool chainOn = store.ChainOn != 0;
  if (column == 2 && delta != 0) StepChainRepeats(store, chain, step, delta);
  if (column == 3 && delta != 0) StepChainJump(store, chain, step, delta);
  if (column < 2 && !chainOn) {
    const bool same = store.ChainCellChain == chain && store.ChainCellStep == step;
    store.ChainCellChain = chain;
    store.ChainCellStep = same ? -1 : step;
  }
  return chainOn;
}

bool StartChainAt(TStyleStore& store, int32_t chain) {
  Guard lock(EngineLock);
  const bool chainOn = store.ChainOn != 0;
  if (!chainOn) SetChainNoStart(store, chain);
  return chainOn;
}

TChainModeSwitch SwitchChainMode(TStyleStore& store, bool on) {
  TChainModeSwitch s;
  Guard lock(EngineLock);
  if (on != (store.ChainOn != 0)) s.Redraw = SetChainMode(store, on) || on;
  s.ChainNo = store.ChainNo;
  return s;
}

// ---------------------------------------------------------------------------------------------------
// Options and rows

void SetUsePatTSig(TStyleStore& store, bool on) {
  StoreAndRebuild(store.UsePatTSig, Flag(on));
}

void SetFlamSpeed(TStyleStore& store, int32_t value) {
  StoreAndRebuild(store.FlamSpeed, value);
}

void SetVelVar(TStyleStore& store, int32_t value) {
  StoreAndRebuild(store.VelVar, value);
}

bool SetRowOn(TStyleStore& store, int32_t row, bool on) {
  return InstRow(row) && StoreAndRebuild(store.RowOn[row - 1], Flag(on));
}

void SetRowNote(TStyleStore& store, int32_t row, int32_t note) {
  if (!InstRow(row) || note < 0 || note > 127) return;
  StoreAndRebuild(store.RowMap[row].Note, note);
}

void SetRowLevel(TStyleStore& store, int32_t row, bool accent, int32_t value) {
  if (!InstRow(row)) return;
  auto& levels = accent ? store.RowAccVel : store.RowVel;
  Guard lock(EngineLock);
  if (levels[row - 1] == value) return;
  levels[row - 1] = static_cast<uint8_t>(std::clamp(value, 0, 127));
  RequestStyleRebuild();
}

bool SetAccentEnabled(TStyleStore& store, bool on) {
  return StoreAndRebuild(store.AccentEnabled, Flag(on));
}

void SetDspGMNames(TStyleStore& store, bool on) {
  StoreLocked(store.DspGMNames, Flag(on));
}

void ResetRowMap(TStyleStore& store, bool levels) {
  const TUiAfterLock after;
  Guard lock(EngineLock);
  CreateRowMap(store, false, levels);
}

void SetShowChains(TStyleStore& store, bool on) {
  StoreLocked(store.ShowChains, Flag(on));
}

void SetShowPatterns(TStyleStore& store, bool on) {
  StoreLocked(store.ShowPatterns, Flag(on));
}

}  // namespace vel
