#include "styles/StyleStore.h"

#include "base/General.h"
#include "base/UiHooks.h"
#include "styles/StyleChains.h"

namespace vel {

namespace {

constexpr uint8_t kFactoryRowVel = 80;
constexpr uint8_t kFactoryRowAccVel = 100;

// Two digits with a leading zero, as style and pattern numbers are shown.
std::string TwoDigits(int32_t n) {
  return PadStr(std::to_string(n), -2, '0');
}

bool InArrays(int32_t style, int32_t pattern) {
  return style >= 0 && style < kStyleCount && pattern >= 0 && pattern < kStylePatternCount;
}

void SetAccentRow(TStyleStore& store) {
  TStyleRowDef& accent = store.RowMap[0];
  accent.Note = -1;
  accent.NoteName = "AC";
  accent.MappedNote = -1;
  accent.ShortName = "AC";
  accent.LongName = "Accent";
}

// The row map and, as asked, the switches and levels; no rebuild and no window.
void BuildRowMap(TStyleStore& store, bool resetOnOff, bool resetLevels) {
  const TStyleFamilyTraits& traits = *store.Traits;
  for (int32_t r = 1; r < kStyleRows; ++r) {
    TStyleRowDef& def = store.RowMap[r];
    const int32_t note = traits.Notes[r];
    def.Note = note;
    def.MappedNote = note;
    def.NoteName = KeyNoToNote(note);
    def.ShortName = traits.ShortNames[r];
    def.LongName = (traits.GMLongNames && note >= kGMDrumFirstNote && note <= kGMDrumLastNote)
                       ? GMDrumShortNames[note - kGMDrumFirstNote]
                       : std::string_view();
  }
  if (resetOnOff) {
    store.RowOn.fill(1);
    store.AccentEnabled = 1;
  }
  if (resetLevels) {
    store.RowVel.fill(kFactoryRowVel);
    store.RowAccVel.fill(kFactoryRowAccVel);
  }
}

void SetFactoryPattern(TStylePattern& pattern, int32_t steps, std::string_view name,
                       const std::array<std::string_view, kStyleRows>& rows) {
  pattern.Steps = steps;
  pattern.TSigNum = 4;
  pattern.TSigDen = 4;
  for (int32_t r = 0; r < kStyleRows; ++r) SetStyleRow(pattern, r, rows[r]);
  pattern.Name = name;
}

// The factory style and its two patterns, made current.
void LoadFactoryStyle(TStyleStore& store) {
  const TStyleFamilyTraits& traits = *store.Traits;
  store.LastStyle = 0;
  TStyleHeader& style = store.Styles[0];
  style.Name = traits.FactoryStyleName;
  style.LastMain = 0;
  style.LastBreak = 0;
  SetFactoryPattern(store.Patterns[0][0], traits.FactorySteps, "Main1", traits.FactoryMain);
  SetFactoryPattern(store.Patterns[0][kStyleFirstBreak], traits.FactorySteps, "Break1", traits.FactoryBreak);
  store.StyleNo = 0;
  store.PatNo = 0;
}

}  // namespace

TStyleStore::TStyleStore(const TStyleFamilyTraits& traits)
    : Traits(&traits), FlamSpeed(traits.FlamSpeedFactory) {
  ClearStyles(*this);
  BuildRowMap(*this, true, true);
  LoadFactoryStyle(*this);
}

bool IsDefinedStyle(const TStyleStore& store, int32_t style) {
  return style >= 0 && style <= store.LastStyle && style < kStyleCount;
}

bool IsValidStylePattern(const TStyleStore& store, int32_t style, int32_t pattern) {
  if (!IsDefinedStyle(store, style)) return false;
  const TStyleHeader& header = store.Styles[style];
  const int32_t lastMain = std::min(header.LastMain, kStyleMainCount - 1);
  const int32_t lastBreak = std::min(header.LastBreak, kStyleBreakCount - 1);
  if (pattern >= 0 && pattern <= lastMain) return true;
  return pattern >= kStyleFirstBreak && pattern <= kStyleFirstBreak + lastBreak;
}

bool IsSelectableStylePattern(const TStyleStore& store, int32_t style, int32_t pattern) {
  if (IsValidStylePattern(store, style, pattern)) return true;
  if (!IsDefinedStyle(store, style) || pattern != 0) return false;
  const TStyleHeader& header = store.Styles[style];
  return header.LastMain < 0 && header.LastBreak < 0;
}

void ClearStyles(TStyleStore& store) {
  for (TStyleHeader& header : store.Styles) header = TStyleHeader{};
  SetAccentRow(store);
}

void CreateRowMap(TStyleStore& store, bool resetOnOff, bool resetLevels) {
  BuildRowMap(store, resetOnOff, resetLevels);
  RequestStyleRebuild();
  PublishTopic(store.Traits->Topics.Style);
}

void LoadStyleFactory(TStyleStore& store) {
  ClearStyles(store);
  CreateRowMap(store, true, true);
  LoadFactoryStyle(store);
  ResetChainsAndStart(store);
  RequestStyleRebuild();
}

void LoadStyleOptionsFactory(TStyleStore& store) {
  store.AccentEnabled = 1;
  store.DspGMNames = 1;
  store.UsePatTSig = 1;
  store.FlamSpeed = store.Traits->FlamSpeedFactory;
  store.VelVar = kStyleVelVarFactory;
  store.ShowChains = 0;
  store.ShowPatterns = 0;
  store.StyleNo = 0;
  store.PatNo = 0;
  SetChainNoStart(store, 0);
  RequestStyleRebuild();
}

void SetStyleRow(TStylePattern& pattern, int32_t row, std::string_view steps) {
  if (row < 0 || row >= kStyleRows) return;
  const bool restsOnly = steps.find_first_not_of('.') == std::string_view::npos;
  pattern.Rows[row] = restsOnly ? std::string_view() : steps;
}

std::string FmtStyleCaption(const TStyleStore& store, int32_t style) {
  std::string text = TwoDigits(style + 1) + "-";
  if (style >= 0 && style < kStyleCount) text += store.Styles[style].Name.View();
  return text;
}

std::string FmtPatCaption(const TStyleStore& store, int32_t style, int32_t pattern) {
  std::string text = TwoDigits(pattern + kStylePatShownBase);
  if (InArrays(style, pattern)) {
    const auto& name = store.Patterns[style][pattern].Name;
    if (!name.Empty()) text += "-" + name.Str();
  }
  if (store.ChainOn && store.ChainRepeat >= 1) text += "*" + std::to_string(store.ChainRepeat);
  return text;
}

std::string FmtStyleLine(const TStyleStore& store, int32_t style) {
  std::string text = TwoDigits(style + 1) + " ";
  if (style < 0 || style >= kStyleCount) return text;
  const TStylePattern& first = store.Patterns[style][0];
  if (first.TSigNum > 0) text += std::to_string(first.TSigNum) + "/" + std::to_string(first.TSigDen) + " ";
  return text + store.Styles[style].Name.Str();
}

std::string FmtPatLine(const TStyleStore& store, int32_t style, int32_t pattern) {
  std::string text = TwoDigits(pattern + kStylePatShownBase) + " ";
  if (!InArrays(style, pattern)) return text;
  const TStylePattern& p = store.Patterns[style][pattern];
  return text + std::to_string(p.TSigNum) + "/" + std::to_string(p.TSigDen) + " " + p.Name.Str();
}

}  // namespace vel
