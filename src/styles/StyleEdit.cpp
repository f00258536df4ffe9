#include "styles/StyleEdit.h"

#include <algorithm>

#include "base/Formats.h"
#include "base/General.h"
#include "settings/CfgFile.h"

namespace vel {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string TwoDigits(int32_t n) {
  return PadStr(std::to_string(n), -2, '0');
}

std::string_view Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

int32_t ClampedSteps(const TStylePattern& pattern) {
  return std::clamp(pattern.Steps, 0, kStyleMaxSteps);
}

bool RowHasNotes(std::string_view row) {
  return row.find_first_not_of('.') != std::string_view::npos;
}

// The list a pattern index belongs to: its first index and its defined last (first - 1 when empty).
struct TListRange {
  int32_t First;
  int32_t Last;
  int32_t Capacity;
};
TListRange ListOf(const TStyleHeader& header, TPatList list) {
  if (list == TPatList::Main) return {0, std::min(header.LastMain, kStyleMainCount - 1), kStyleMainCount};
  return {kStyleFirstBreak, kStyleFirstBreak + std::min(header.LastBreak, kStyleBreakCount - 1),
          kStyleBreakCount};
}
TPatList ListOfPattern(int32_t pattern) {
  return pattern < kStyleFirstBreak ? TPatList::Main : TPatList::Break;
}
int32_t& LastOf(TStyleHeader& header, TPatList list) {
  return list == TPatList::Main ? header.LastMain : header.LastBreak;
}

TStylePattern NewPattern() {
  TStylePattern p;
  p.Steps = kStyleMaxSteps;
  p.TSigNum = 4;
  p.TSigDen = 4;
  return p;
}

bool IsChainCell(int32_t chain, int32_t step) {
  return chain >= 0 && chain < kChainCount && step >= 0 && step < kChainStepCount;
}

// The step count of the editor's steps text, or the text that refuses it.
bool ParseStepsText(std::string_view text, int32_t& steps, std::string& error) {
  const std::optional<int32_t> v = ParseInt(text, {.Blanks = true, .Saturate = true});
  if (!v) {
    error = kTSigStepsHelp;
    return false;
  }
  if (*v < 1 || *v > kStyleMaxSteps) {
    error = "No. of grid steps out of range 1.." + std::to_string(kStyleMaxSteps);
    return false;
  }
  steps = *v;
  return true;
}

bool LosesNotes(const TStylePattern& pattern, int32_t steps) {
  for (const auto& row : pattern.Rows)
    if (row.Size() > static_cast<std::size_t>(steps) && RowHasNotes(row.View().substr(steps))) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Grid

char NextStepChar(const TStyleFamilyTraits& traits, int32_t row, char current, TStepButton button) {
  if (button == TStepButton::Left) return current == '.' ? 'x' : '.';
  if (button != TStepButton::Right || row == 0) return current;
  switch (current) {
    case '.':
    case 'x':
      return traits.Ties ? 't' : 'f';
    case 't':
      return traits.Ties ? 'f' : '.';
    case 'f':
      return 'b';
    default:
      return '.';
  }
}

int32_t StepAtX(int32_t x, int32_t charWidth, int32_t steps) {
  if (x < 0 || charWidth <= 0) return -1;
  const int32_t step = x / charWidth;
  return step < steps ? step : -1;
}

bool ClickStep(TStyleStore& store, TStyleEditState& edit, int32_t row, int32_t step, TStepButton button) {
  TStylePattern* pattern = CurrentPattern(store);
  if (!pattern || row < 0 || row >= kStyleRows || step < 0 || step >= ClampedSteps(*pattern)) return false;
  std::string text = GridRowText(*pattern, row);
  const char next = NextStepChar(*store.Traits, row, text[step], button);
  if (next == text[step]) return false;
  if (!edit.PatUndoValid || edit.UndoStyle != store.StyleNo || edit.UndoPattern != store.PatNo) {
    edit.PatUndo = *pattern;
    edit.PatUndoValid = true;
    edit.UndoStyle = store.StyleNo;
    edit.UndoPattern = store.PatNo;
  }
  text[step] = next;
  SetStyleRow(*pattern, row, text);
  RequestStyleRebuild();
  return true;
}

std::string GridRowText(const TStylePattern& pattern, int32_t row) {
  const int32_t steps = ClampedSteps(pattern);
  std::string text(static_cast<std::size_t>(steps), '.');
  if (row < 0 || row >= kStyleRows) return text;
  for (int32_t i = 0; i < steps; ++i) text[i] = pattern.Rows[row].At(i);
  return text;
}

std::string BeatMarkerText(const TStylePattern& pattern) {
  const int32_t steps = ClampedSteps(pattern);
  std::string text(static_cast<std::size_t>(steps), ' ');
  for (int32_t i = 0; i < steps; ++i)
    if (pattern.TSigNum >= 1 ? i % pattern.TSigNum == 0 : i == 0) text[i] = '.';
  return text;
}

std::string TSigStepsText(const TStylePattern& pattern) {
  return std::to_string(pattern.TSigNum) + "/" + std::to_string(pattern.TSigDen) + ", " +
         std::to_string(pattern.Steps);
}

bool HasFlamSteps(const TStylePattern& pattern) {
  for (int32_t r = 1; r < kStyleRows; ++r)
    if (pattern.Rows[r].View().find_first_of("bf") != std::string_view::npos) return true;
  return false;
}

TStylePattern* CurrentPattern(TStyleStore& store) {
  if (!IsValidStylePattern(store, store.StyleNo, store.PatNo)) return nullptr;
  return &store.Patterns[store.StyleNo][store.PatNo];
}

const TStylePattern* CurrentPattern(const TStyleStore& store) {
  return CurrentPattern(const_cast<TStyleStore&>(store));
}

int32_t FirstValidPattern(const TStyleStore& store, int32_t style) {
  if (IsValidStylePattern(store, style, 0)) return 0;
  if (IsValidStylePattern(store, style, kStyleFirstBreak)) return kStyleFirstBreak;
  return -1;
}

bool KeepSelectionValid(TStyleStore& store) {
  if (IsSelectableStylePattern(store, store.StyleNo, store.PatNo)) return false;
  const int32_t oldStyle = store.StyleNo;
  const int32_t oldPat = store.PatNo;
  if (!IsDefinedStyle(store, store.StyleNo))
    store.StyleNo = std::max(0, std::min(store.StyleNo, store.LastStyle));
  // A style without patterns stays selected, so that its patterns can be added; its grid is off.
  const int32_t first = FirstValidPattern(store, store.StyleNo);
  store.PatNo = first >= 0 ? first : 0;
  return store.StyleNo != oldStyle || store.PatNo != oldPat;
}

// ---------------------------------------------------------------------------------------------------
// In-place editors

std::string EditedText(std::string_view text, std::size_t maxLen) {
  return CfgFreeText(text.substr(0, text.find(';')), maxLen);
}

void SetStyleName(TStyleStore& store, int32_t style, std::string_view text, bool accepting) {
  if (!IsDefinedStyle(store, style)) return;
  std::string name = EditedText(text, kStyleNameLen);
  // The file writes a style without a name as "Unused" and reads that word back as no name.
  if (EqualsNoCase(name, "Unused")) name.clear();
  if (accepting && name.empty()) name = "Unnamed";
  store.Styles[style].Name = name;
}

void SetPatternName(TStyleStore& store, int32_t style, int32_t pattern, std::string_view text) {
  if (!IsValidStylePattern(store, style, pattern)) return;
  store.Patterns[style][pattern].Name = EditedText(text, kStylePatNameLen);
}

TTSigStepsEdit ParseTSigSteps(const TStylePattern& pattern, std::string_view text) {
  TTSigStepsEdit edit;
  edit.TSigNum = pattern.TSigNum;
  edit.TSigDen = pattern.TSigDen;
  edit.Steps = pattern.Steps;
  const std::string t(Trimmed(text.substr(0, text.find(';'))));
  if (t.empty()) {
    edit.Error = kTSigStepsHelp;
    return edit;
  }
  const char sep = t.find(',') != std::string::npos ? ',' : ' ';
  const std::size_t at = t.find(sep);
  const std::string field1(Trimmed(std::string_view(t).substr(0, at)));
  std::string_view stepsText = t;
  if (field1.find('/') != std::string::npos) {
    ParseTimeSig(field1, edit.TSigNum, edit.TSigDen, edit.Error);
    if (!edit.Error.empty()) return edit;
    stepsText = at == std::string::npos ? std::string_view() : Trimmed(std::string_view(t).substr(at + 1));
  }
  if (!stepsText.empty() && !ParseStepsText(stepsText, edit.Steps, edit.Error)) return edit;
  std::string message;
  if (!CheckBarSteps(edit.TSigNum, edit.TSigDen, edit.Steps, message, kStyleMaxSteps)) {
    edit.Error = message;
    return edit;
  }
  if (edit.Steps < pattern.Steps && LosesNotes(pattern, edit.Steps))
    edit.Question = "About to truncate pattern from " + std::to_string(pattern.Steps) + " steps to " +
                    std::to_string(edit.Steps) + "; some grid data will be discarded, ok?";
  edit.Ok = true;
  return edit;
}

void ApplyTSigSteps(TStylePattern& pattern, const TTSigStepsEdit& edit) {
  if (!edit.Ok) return;
  for (int32_t r = 0; r < kStyleRows; ++r) {
    if (pattern.Rows[r].Empty()) continue;
    std::string row = pattern.Rows[r].Str();
    row.resize(static_cast<std::size_t>(edit.Steps), '.');
    SetStyleRow(pattern, r, row);
  }
  pattern.Steps = edit.Steps;
  pattern.TSigNum = edit.TSigNum;
  pattern.TSigDen = edit.TSigDen;
}

// ---------------------------------------------------------------------------------------------------
// Revert, copy, cut, paste

void DropUndo(TStyleEditState& edit) {
  edit.PatUndoValid = false;
  edit.UndoStyle = -1;
  edit.UndoPattern = -1;
}

bool RevertPattern(TStyleStore& store, TStyleEditState& edit) {
  TStylePattern* pattern = CurrentPattern(store);
  const bool mine = edit.PatUndoValid && edit.UndoStyle == store.StyleNo && edit.UndoPattern == store.PatNo;
  DropUndo(edit);
  if (!pattern || !mine) return false;
  *pattern = edit.PatUndo;
  RequestStyleRebuild();
  return true;
}

bool CopyPattern(const TStyleStore& store, TStyleEditState& edit) {
  const TStylePattern* pattern = CurrentPattern(store);
  if (!pattern) return false;
  const bool any =
      std::any_of(pattern->Rows.begin(), pattern->Rows.end(), [](const auto& r) { return !r.Empty(); });
  if (!any) return false;
  edit.PatClipboard = *pattern;
  edit.ClipboardFilled = true;
  return true;
}

bool CutPattern(TStyleStore& store, TStyleEditState& edit) {
  TStylePattern* pattern = CurrentPattern(store);
  if (!pattern) return false;
  const bool copied = CopyPattern(store, edit);
  for (auto& row : pattern->Rows) row = std::string_view();
  DropUndo(edit);
  RequestStyleRebuild();
  return copied;
}

bool PastePattern(TStyleStore& store, TStyleEditState& edit) {
  TStylePattern* pattern = CurrentPattern(store);
  if (!pattern || !edit.ClipboardFilled || SamePattern(*pattern, edit.PatClipboard)) return false;
  edit.PatUndo = *pattern;
  edit.PatUndoValid = true;
  edit.UndoStyle = store.StyleNo;
  edit.UndoPattern = store.PatNo;
  *pattern = edit.PatClipboard;
  RequestStyleRebuild();
  return true;
}

bool SamePattern(const TStylePattern& a, const TStylePattern& b) {
  return a.Steps == b.Steps && a.TSigNum == b.TSigNum && a.TSigDen == b.TSigDen && a.Name == b.Name &&
         a.Rows == b.Rows;
}

// ---------------------------------------------------------------------------------------------------
// Chains

bool ChainNamesStyle(const TStyleStore& store, int32_t style) {
  for (const auto& chain : store.Chains)
    for (const TChainStep& step : chain)
      if (step.Style == style) return true;
  return false;
}

bool ChainNamesPattern(const TStyleStore& store, int32_t style, int32_t pattern) {
  for (const auto& chain : store.Chains)
    for (const TChainStep& step : chain)
      if (step.Style == style && step.Pattern == pattern) return true;
  return false;
}

int32_t ShiftChainStyleRefs(TStyleStore& store, int32_t from, int32_t last, int32_t delta) {
  int32_t n = 0;
  for (auto& chain : store.Chains)
    for (TChainStep& step : chain)
      if (step.Style >= from && step.Style <= last) {
        step.Style += delta;
        ++n;
      }
  return n;
}

int32_t ShiftChainPatRefs(TStyleStore& store, int32_t style, int32_t from, int32_t last, int32_t delta) {
  int32_t n = 0;
  for (auto& chain : store.Chains)
    for (TChainStep& step : chain)
      if (step.Style == style && step.Pattern >= from && step.Pattern <= last) {
        step.Pattern += delta;
        ++n;
      }
  return n;
}

std::vector<TChainCells> ChainCellTexts(const TStyleStore& store, int32_t chain) {
  std::vector<TChainCells> cells;
  if (chain < 0 || chain >= kChainCount) return cells;
  for (int32_t i = 0; i < kChainStepCount; ++i) {
    const TChainStep& step = store.Chains[chain][i];
    TChainCells c;
    const bool sameStyle = i > 0 && step.Style == store.Chains[chain][i - 1].Style;
    c.Style = sameStyle ? " -" : TwoDigits(step.Style + 1);
    c.Pattern = TwoDigits(step.Pattern + kStylePatShownBase);
    c.Repeats = step.Repeats >= 1 ? PadStr(std::to_string(step.Repeats), -2, ' ') : " -";
    c.Jump = step.Jump >= 0 ? ">" + std::to_string(step.Jump + 1) : " -";
    c.Active = step.Repeats > 0;
    c.Playing = chain == store.ChainNo && i == store.ChainStepNo;
    cells.push_back(std::move(c));
  }
  return cells;
}

bool StepChainRepeats(TStyleStore& store, int32_t chain, int32_t step, int32_t delta) {
  if (!IsChainCell(chain, step)) return false;
  TChainStep& s = store.Chains[chain][step];
  s.Repeats = std::clamp(s.Repeats + delta, 0, kChainMaxRepeats);
  if (chain == store.ChainNo && step == store.ChainStepNo) store.ChainRepeat = s.Repeats;
  return true;
}

bool StepChainJump(TStyleStore& store, int32_t chain, int32_t step, int32_t delta) {
  if (!IsChainCell(chain, step)) return false;
  TChainStep& s = store.Chains[chain][step];
  s.Jump = std::clamp(s.Jump + delta, -1, kChainCount - 1);
  return true;
}

void CopyToChainCell(TStyleStore& store, int32_t style, int32_t pattern) {
  if (!IsChainCell(store.ChainCellChain, store.ChainCellStep)) return;
  TChainStep& s = store.Chains[store.ChainCellChain][store.ChainCellStep];
  s.Style = style;
  s.Pattern = pattern;
}

// ---------------------------------------------------------------------------------------------------
// Deletes, adds and inserts

std::string DeleteStyleQuestion(const TStyleStore& store, int32_t style) {
  const std::string name = (style >= 0 && style < kStyleCount) ? store.Styles[style].Name.Str() : "";
  std::string text = "About to delete current style '" + TwoDigits(style + 1) + " " + name +
                     "', ok?\r\n\r\nAll main and break patterns for this style will also be deleted";
  if (ChainNamesStyle(store, style)) text += "\r\n\r\nWarning - deleted style is referenced in chains";
  return text;
}

std::string DeletePatternQuestion(const TStyleStore& store, int32_t style, int32_t pattern) {
  std::string text = "About to delete current pattern '" + FmtStyleCaption(store, style) + ", " +
                     FmtPatCaption(store, style, pattern) + "', ok?";
  if (ChainNamesPattern(store, style, pattern))
    text += "\r\n\r\nWarning - deleted pattern is referenced in chains";
  return text;
}

bool DeleteStyle(TStyleStore& store, int32_t style) {
  if (!IsDefinedStyle(store, style)) return false;
  const int32_t last = std::min(store.LastStyle, kStyleCount - 1);
  ShiftChainStyleRefs(store, style + 1, last, -1);
  for (int32_t s = style; s < last; ++s) {
    store.Styles[s] = store.Styles[s + 1];
    store.Patterns[s] = store.Patterns[s + 1];
  }
  store.LastStyle = last - 1;
  store.StyleNo = std::max(0, std::min(style, store.LastStyle));
  store.PatNo = std::max(0, FirstValidPattern(store, store.StyleNo));
  RequestStyleRebuild();
  return true;
}

bool DeletePattern(TStyleStore& store, int32_t style, int32_t pattern) {
  if (!IsValidStylePattern(store, style, pattern)) return false;
  const TPatList list = ListOfPattern(pattern);
  TStyleHeader& header = store.Styles[style];
  const TListRange range = ListOf(header, list);
  ShiftChainPatRefs(store, style, pattern + 1, range.Last, -1);
  auto& patterns = store.Patterns[style];
  for (int32_t p = pattern; p < range.Last; ++p) patterns[p] = patterns[p + 1];
  LastOf(header, list) = range.Last - 1 - range.First;
  if (store.StyleNo == style) {
    if (ListOfPattern(store.PatNo) == list && store.PatNo > range.Last - 1) store.PatNo = range.Last - 1;
    KeepSelectionValid(store);
  }
  RequestStyleRebuild();
  return true;
}

std::string ListFullText(const TStyleStore& store, int32_t style, bool styles, TPatList list) {
  if (styles)
    return store.LastStyle + 1 >= kStyleCount
               ? "Style list is full (" + std::to_string(kStyleCount) + " styles)"
               : "";
  if (!IsDefinedStyle(store, style)) return "No style to add a pattern to; add a style first";
  const TListRange range = ListOf(store.Styles[style], list);
  if (range.Last - range.First + 1 < range.Capacity) return "";
  return std::string(list == TPatList::Main ? "Main" : "Break") + " pattern list is full (" +
         std::to_string(range.Capacity) + " patterns)";
}

bool InsertStyle(TStyleStore& store, int32_t at) {
  const int32_t last = std::min(store.LastStyle, kStyleCount - 1);
  if (last + 1 >= kStyleCount || at < 0 || at > last + 1) return false;
  ShiftChainStyleRefs(store, at, last, 1);
  for (int32_t s = last; s >= at; --s) {
    store.Styles[s + 1] = store.Styles[s];
    store.Patterns[s + 1] = store.Patterns[s];
  }
  store.LastStyle = last + 1;
  store.Styles[at] = TStyleHeader{0, 0, "Unnamed"};
  store.Patterns[at].fill(TStylePattern{});
  store.Patterns[at][0] = NewPattern();
  store.Patterns[at][kStyleFirstBreak] = NewPattern();
  store.StyleNo = at;
  store.PatNo = 0;
  RequestStyleRebuild();
  return true;
}

bool InsertPattern(TStyleStore& store, int32_t style, TPatList list, int32_t at) {
  if (!IsDefinedStyle(store, style)) return false;
  TStyleHeader& header = store.Styles[style];
  const TListRange range = ListOf(header, list);
  if (range.Last - range.First + 1 >= range.Capacity || at < range.First || at > range.Last + 1) return false;
  ShiftChainPatRefs(store, style, at, range.Last, 1);
  auto& patterns = store.Patterns[style];
  for (int32_t p = range.Last; p >= at; --p) patterns[p + 1] = patterns[p];
  patterns[at] = NewPattern();
  LastOf(header, list) = range.Last + 1 - range.First;
  store.StyleNo = style;
  store.PatNo = at;
  RequestStyleRebuild();
  return true;
}

int32_t InsertPatternAt(const TStyleStore& store, TPatList list) {
  if (!IsDefinedStyle(store, store.StyleNo)) return -1;
  const TListRange range = ListOf(store.Styles[store.StyleNo], list);
  if (store.PatNo >= range.First && store.PatNo <= range.Last) return store.PatNo;
  return range.Last + 1;
}

// ---------------------------------------------------------------------------------------------------
// Rows and captions

std::vector<std::string> NoteListItems(bool numeric, bool gmNames) {
  std::vector<std::string> items;
  items.reserve(128);
  for (int32_t note = 127; note >= 0; --note) {
    std::string item = KeyNoToNote(note, numeric);
    if (gmNames && note >= kGMDrumFirstNote && note <= kGMDrumLastNote)
      item += " " + std::string(GMDrumShortNames[note - kGMDrumFirstNote]);
    items.push_back(std::move(item));
  }
  return items;
}

std::string StyleCaptionSuffix(const TStyleFamilyTraits& traits, bool modeStyles, bool metrTypeDrum) {
  if (!modeStyles) return " - n/a if styles mode is off";
  const bool drum = traits.Name == "Drum";
  if (drum == metrTypeDrum) return "";
  return drum ? " - n/a if metr type is bass" : " - n/a if metr type is drum";
}

std::string FlamLabel(int32_t flamSpeed) {
  return flamSpeed >= 100 ? "Flam/grace off" : "Flam/grace";
}

std::string VelVarLabel(int32_t velVar) {
  return velVar <= 0 ? "Vvar off" : "Vel var";
}

}  // namespace vel
