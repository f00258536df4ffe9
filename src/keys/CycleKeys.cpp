#include "keys/CycleKeys.h"

#include <array>
#include <string>

#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/RecordKeys.h"
#include "keys/ValueEntry.h"
#include "keys/ValueSetters.h"

namespace vel {

namespace {

// One cycle command's modes (0 none): one-digit count, two-digit count, and for the alternating
// ones the separate first and second counts, one place each (SepN) or two (SepNN).
struct TCycleRow {
  TCycleKind Kind;
  int32_t N;
  TModeSteps NN, SepN, SepNN;
  int32_t TKeyArgs::*First;
  int32_t TCycleEntry::*Second;
};

constexpr TModeSteps kNone{0, 0};

constexpr std::array<TCycleRow, 6> kCycleRows = {{
    {TCycleKind::Play, ModeNo(TKeyMode::PlayCyclesN), keymode::PlayCyclesNN, kNone, kNone,
     &TKeyArgs::PlayCyclesEntry, nullptr},
    {TCycleKind::Mute, ModeNo(TKeyMode::MuteCyclesN), keymode::MuteCyclesNN, kNone, kNone,
     &TKeyArgs::MuteCyclesEntry, nullptr},
    {TCycleKind::PlayMute, ModeNo(TKeyMode::PlayMuteN), keymode::PlayMuteNN, keymode::PlayMuteSepN,
     keymode::PlayMuteSepNN, &TKeyArgs::PlayCyclesEntry, &TCycleEntry::PlayMuteMuteEntry},
    {TCycleKind::MutePlay, ModeNo(TKeyMode::MutePlayN), keymode::MutePlayNN, keymode::MutePlaySepN,
     keymode::MutePlaySepNN, &TKeyArgs::MuteCyclesEntry, &TCycleEntry::MutePlayPlayEntry},
    {TCycleKind::PlayMuteTog, ModeNo(TKeyMode::PlayMuteTogN), keymode::PlayMuteTogNN,
     keymode::PlayMuteTogSepN, keymode::PlayMuteTogSepNN, &TKeyArgs::PmtCyclesEntry,
     &TCycleEntry::PmtMuteEntry},
    {TCycleKind::Pitch, 0, keymode::PitchCyclesNN, kNone, kNone, &TKeyArgs::PitchCyclesEntry, nullptr},
}};

// Which place of which entry a mode is.
enum class TPlace : uint8_t {
  None,
  N,
  NNTens,
  NNUnits,
  FirstN,
  SecondN,
  FirstTens,
  FirstUnits,
  SecondTens,
  SecondUnits
};

TPlace PlaceOf(const TCycleRow& r, int32_t m) {
  if (m == 0) return TPlace::None;
  if (m == r.N) return TPlace::N;
  if (r.NN.Has(m)) return r.NN.StepOf(m) == 0 ? TPlace::NNTens : TPlace::NNUnits;
  if (r.SepN.First && r.SepN.Has(m)) return r.SepN.StepOf(m) == 0 ? TPlace::FirstN : TPlace::SecondN;
  if (r.SepNN.First && r.SepNN.Has(m)) {
    constexpr std::array<TPlace, 4> kSteps = {TPlace::FirstTens, TPlace::FirstUnits, TPlace::SecondTens,
                                              TPlace::SecondUnits};
    return kSteps[static_cast<std::size_t>(r.SepNN.StepOf(m))];
  }
  return TPlace::None;
}

void CycleEntryDone(const TCycleRow& r, bool twoDigits) {
  if (!Keys.KeyHold) {
    ReturnToLiveMode();
  } else if (twoDigits) {
    Args.*r.First = 0;
    SetKeyMode(r.NN.Mode());
  } else {
    SetKeyMode(KeyModeFromNo(r.N));
  }
}

void BarsEntered() {
  if (Args.RecBarsEntry > 0) {
    Transport.RecBarCount = Args.RecBarsEntry;
    SetKeyMode(TKeyMode::RecBarsStop);
  } else {
    StartRecord();
  }
}

// The cycle command whose entry the mode is, and the place of it; null when it is none.
const TCycleRow* CycleRowOf(int32_t m, TPlace& place) {
  for (const auto& r : kCycleRows) {
    place = PlaceOf(r, m);
    if (place != TPlace::None) return &r;
  }
  return nullptr;
}

// The cyclic key switches to separate counts, only from the first place of an alternating entry.
void SeparateCountsKey(const TCycleRow& r, TPlace place) {
  if (place == TPlace::N && r.SepN.First) {
    Args.*r.First = 0;
    SetKeyMode(r.SepN.Mode());
  } else if (place == TPlace::NNTens && r.SepNN.First) {
    Args.*r.First = 0;
    SetKeyMode(r.SepNN.Mode());
  }
}

// One digit at its place: the entry moves to the next place, or the counts are set.
void CycleDigit(const TCycleRow& r, TPlace place, int32_t d) {
  int32_t& first = Args.*r.First;
  switch (place) {
    case TPlace::N:
      SetCycles(r.Kind, d, d, false);
      CycleEntryDone(r, false);
      break;
    case TPlace::NNTens:
      first = 10 * d;
      SetKeyMode(r.NN.Mode(1));
      break;
    case TPlace::NNUnits:
      first += d;
      if (r.Kind == TCycleKind::Pitch) {
        Keys.PitchCycles = first;
        SetKeyMode(TKeyMode::Pitch);
        break;
      }
      SetCycles(r.Kind, first, first, false);
      CycleEntryDone(r, true);
      break;
    case TPlace::FirstN:
      first = d;
      CycleEntry.*r.Second = 0;
      SetKeyMode(r.SepN.Mode(1));
      break;
    case TPlace::SecondN:
      SetCycles(r.Kind, first, d, false);
      CycleEntryDone(r, false);
      break;
    case TPlace::FirstTens:
      first = 10 * d;
      SetKeyMode(r.SepNN.Mode(1));
      break;
    case TPlace::FirstUnits:
      first += d;
      CycleEntry.*r.Second = 0;
      SetKeyMode(r.SepNN.Mode(2));
      break;
    case TPlace::SecondTens:
      CycleEntry.*r.Second = 10 * d;
      SetKeyMode(r.SepNN.Mode(3));
      break;
    case TPlace::SecondUnits:
      CycleEntry.*r.Second += d;
      SetCycles(r.Kind, first, CycleEntry.*r.Second, false);
      CycleEntryDone(r, true);
      break;
    case TPlace::None:
      break;
  }
}

}  // namespace

void HandleCycleModeKey(const TModeKey& key) {
  TPlace place = TPlace::None;
  const TCycleRow* row = CycleRowOf(ModeNo(Keys.KeyMode.load()), place);
  if (!row) return;
  if (key.Code == NumCyclic) {
    SeparateCountsKey(*row, place);
    return;
  }
  const int32_t d = DecodeNumKey(key.Input, key.Code);
  if (d >= 0) CycleDigit(*row, place, d);
}

void HandleRecBarsNModeKey(const TModeKey& key) {
  if (key.Code == NumEsc) {
    ReturnToLiveMode();
  } else if (key.Code >= Num0 && key.Code <= Num9) {
    Args.RecBarsEntry = key.Code - Num0;
    BarsEntered();
  }
}

void HandleRecBarsNNModeKey(const TModeKey& key) {
  if (key.Code == NumEsc) {
    ReturnToLiveMode();
  } else if (key.Code >= Num0 && key.Code <= Num9) {
    if (Keys.KeyMode.load() == TKeyMode::RecBarsNN) {
      Args.RecBarsEntry = 10 * (key.Code - Num0);
      SetKeyMode(keymode::RecBarsNN.Mode(1));
    } else {
      Args.RecBarsEntry += key.Code - Num0;
      BarsEntered();
    }
  }
}

void HandleRecBarsStopKey(const TModeKey& key) {
  if (key.Code == RecEsc) {
    ResetRecBarCount();
    ReturnToLiveMode();
  } else if (key.Code >= RecStop && key.Code <= RecMutePlayRR) {
    RecKeys.DelayedRecKeyInput = static_cast<int8_t>(key.Input);
    RecKeys.DelayedRecKeyMsg = key.Msg;
    RecKeys.DelayedRecKeyCode = key.Code;
    RecKeys.DelayedRecKeyDue = 0;
    Transport.RecBarCountOn = 1;
    StartRecord();
  }
}

void HandleVelModeKey(const TModeKey& key) {
  HandleValueKey(TEntryValue::Vel, key.Input, key.Code);
}

}  // namespace vel
