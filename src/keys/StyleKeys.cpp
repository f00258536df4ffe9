#include "keys/StyleKeys.h"

#include <string>

#include "base/Messages.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/Metronome.h"
#include "engine/PartBufs.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"

namespace vel {

namespace {

constexpr int32_t kRandomPattern = 99;
constexpr int32_t kMaxDraws = 4;
// The steps of the style entry.
constexpr int32_t kStyleTens = 0;
constexpr int32_t kStyleUnits = 1;
constexpr int32_t kPatternTens = 2;
constexpr int32_t kPatternUnits = 3;
static_assert(keymode::MetrStyle.Count() == 4);

// The family the metronome plays: drums with the pitch-locked type, else bass.
TStyleStore& StoreInUse() {
  return Cfg.MetrTypePitchLocked ? DrumStore : BassStore;
}

}  // namespace

bool SelectStyle(TStyleStore& store, int32_t style, int32_t pattern) {
  if (!IsValidStylePattern(store, style, pattern)) {
    const bool defined = IsDefinedStyle(store, style);
    const int32_t lastMain = defined ? store.Styles[static_cast<std::size_t>(style)].LastMain : -1;
    const int32_t lastBreak = defined ? store.Styles[static_cast<std::size_t>(style)].LastBreak : -1;
    Msgs.WarnMsg.Set("Metr command ignored; pattern no. " + std::to_string(pattern + 40) +
                     " out of range 40.." + std::to_string(lastMain + 40) + " or 70.." +
                     std::to_string(lastBreak + 70) + " for style " + std::to_string(style + 1));
    return false;
  }
  if (store.ChainOn) {
    Msgs.WarnMsg.Set("Style ignored; style/pattern under chain control");
    return false;
  }
  ClearTrigger(store, true);
  store.StyleNo = style;
  store.PatNo = pattern;
  RequestMetrRebuild();
  RaiseTopic(store.Traits->Topics.Style);
  return true;
}

bool RandomStyle(TStyleStore& store) {
  if (store.LastStyle < 0) return SelectStyle(store, 0, 0);
  int32_t style = 0;
  int32_t pattern = 0;
  for (int32_t draw = 0; draw < kMaxDraws; ++draw) {
    style = MetrRandom(store.LastStyle + 1);
    const int32_t lastMain = store.Styles[static_cast<std::size_t>(style)].LastMain;
    pattern = lastMain >= 0 ? MetrRandom(lastMain + 1) : 0;
    if (style != store.StyleNo || pattern != store.PatNo) break;
  }
  const bool ok = SelectStyle(store, style, pattern);
  if (ok) ClearTrigger(store, true);
  return ok;
}

bool TriggerBreak(TStyleStore& store) {
  const bool inUse = &store == &StoreInUse();
  if (!Cfg.MetrModeStyles || !inUse || Cfg.MetrSeqNo < 0 || Cfg.MetrSeqNo > LastSeq() ||
      SeqBuf(Cfg.MetrSeqNo).SeqState != TSeqState::Playing)
    return false;
  if (!ArmBreak(store)) return false;
  Metr.MetrRebuildPending = 1;
  return true;
}

void StartMetrStyleEntry() {
  Args.MetrStyleEntry = 0;
  Args.MetrPatternEntry = 0;
  SetKeyMode(TKeyMode::MetrStyle);
}

void MetrStyleEntryDone() {
  if (Keys.KeyHold) {
    StartMetrStyleEntry();
  } else {
    ReturnToLiveMode();
  }
}

namespace {

// The pattern step keys, on the first place only, and the break trigger. False for other keys.
bool MetrStyleCommandKey(uint8_t code, int32_t place, TStyleStore& store) {
  if (code == NumInc || code == NumDec) {
    if (place != kStyleTens) return true;
    const bool inc = code == NumInc;
    if (SelectStyle(store, store.StyleNo, store.PatNo + (inc ? 1 : -1)))
      Msgs.StatusMsg.Set(inc ? "Metr style pattern inc" : "Metr style pattern dec");
    MetrStyleEntryDone();
    return true;
  }
  if (code != NumCyclic) return false;
  if (TriggerBreak(store)) Msgs.StatusMsg.Set("Metr trigger break");
  MetrStyleEntryDone();
  return true;
}

// A digit before the last place: the entry goes on (a tens digit of 4 or more is a pattern's, the
// style's being kept). False on the last place.
bool MetrStyleDigit(int32_t place, int32_t d, const TStyleStore& store) {
  switch (place) {
    case kStyleTens:
      if (d >= 4) {
        Args.MetrPatternEntry = 10 * d;
        SetKeyMode(keymode::MetrStyle.Mode(kPatternUnits));
      } else {
        Args.MetrStyleEntry = 10 * d;
        SetKeyMode(keymode::MetrStyle.Mode(kStyleUnits));
      }
      return true;
    case kStyleUnits:
      Args.MetrStyleEntry += d;
      if (Args.MetrStyleEntry > store.LastStyle + 1) {
        ReportValueOutOfRange("Metr style", Args.MetrStyleEntry, 0, store.LastStyle + 1);
        MetrStyleEntryDone();
        return true;
      }
      Args.MetrPatternEntry = 0;
      SetKeyMode(keymode::MetrStyle.Mode(kPatternTens));
      return true;
    case kPatternTens:
      Args.MetrPatternEntry = 10 * d;
      SetKeyMode(keymode::MetrStyle.Mode(kPatternUnits));
      return true;
    default:
      return false;
  }
}

// The entry is complete: style and pattern 0 go back to the plain click, the random pattern picks
// one, any other pattern is selected (style 0: in the style in use).
void EndMetrStyleEntry(TStyleStore& store) {
  const int32_t style = Args.MetrStyleEntry;
  const int32_t pattern = Args.MetrPatternEntry;
  if (style == 0 && pattern == 0) {
    // Back to the plain click and its note entry.
    Cfg.MetrModeStyles = 0;
    RaiseTopic(TTopic::MetrModeByKey);
    RequestMetrRebuild();
    SetKeyMode(TKeyMode::MetrBarNote);
    return;
  }
  if (pattern == kRandomPattern) {
    if (RandomStyle(store))
      Msgs.StatusMsg.Set("Metr style random " + std::to_string(store.StyleNo + 1) + ", pat " +
                         std::to_string(store.PatNo + 40));
  } else {
    const int32_t shown = style == 0 ? store.StyleNo + 1 : style;
    if (SelectStyle(store, shown - 1, pattern - 40))
      Msgs.StatusMsg.Set("Metr style " + std::to_string(shown) + ", pattern " + std::to_string(pattern));
  }
  MetrStyleEntryDone();
}

}  // namespace

void HandleMetrStyleModeKey(const TModeKey& key) {
  const int32_t place = keymode::MetrStyle.StepOf(ModeNo(Keys.KeyMode.load()));
  TStyleStore& store = StoreInUse();
  if (MetrStyleCommandKey(key.Code, place, store)) return;
  const int32_t d = DecodeNumKey(key.Input, key.Code);
  if (d < 0 || MetrStyleDigit(place, d, store)) return;
  Args.MetrPatternEntry += d;
  EndMetrStyleEntry(store);
}

}  // namespace vel
