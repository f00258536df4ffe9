#include "keys/CycleKeys.h"

#include <array>
#include <string>

#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/CommandModes.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/RecordKeys.h"
#include "keys/ValueSetters.h"

namespace vel {

namespace {

// One cycle command's modes by number (0 none): one-digit count, two-digit count, and for the
// alternating ones the separate first and second counts of each.
struct TCycleRow {
  TCycleKind Kind;
  int32_t N, NN, FirstN, SecondN, FirstNN, SecondNN;
  int32_t TKeyArgs::*First;
  int32_t TCycleEntry::*Second;
};

constexpr std::array<TCycleRow, 6> kCycleRows = {{
    {TCycleKind::Play, 83, 36, 0, 0, 0, 0, &TKeyArgs::PlayCyclesEntry, nullptr},
    {TCycleKind::Mute, 84, 38, 0, 0, 0, 0, &TKeyArgs::MuteCyclesEntry, nullptr},
    {TCycleKind::PlayMute, 85, 40, 95, 96, 67, 69, &TKeyArgs::PlayCyclesEntry,
     &TCycleEntry::PlayMuteMuteEntry},
    {TCycleKind::MutePlay, 86, 42, 97, 98, 71, 73, &TKeyArgs::MuteCyclesEntry,
     &TCycleEntry::MutePlayPlayEntry},
    {TCycleKind::PlayMuteTog, 87, 44, 99, 100, 75, 77, &TKeyArgs::PmtCyclesEntry, &TCycleEntry::PmtMuteEntry},
    {TCycleKind::Pitch, 0, 46, 0, 0, 0, 0, &TKeyArgs::PitchCyclesEntry, nullptr},
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
  if (m == r.NN) return TPlace::NNTens;
  if (m == r.NN + 1) return TPlace::NNUnits;
  if (r.FirstN && m == r.FirstN) return TPlace::FirstN;
  if (r.SecondN && m == r.SecondN) return TPlace::SecondN;
  if (r.FirstNN && m == r.FirstNN) return TPlace::FirstTens;
  if (r.FirstNN && m == r.FirstNN + 1) return TPlace::FirstUnits;
  if (r.SecondNN && m == r.SecondNN) return TPlace::SecondTens;
  if (r.SecondNN && m == r.SecondNN + 1) return TPlace::SecondUnits;
  return TPlace::None;
}

void CycleEntryDone(const TCycleRow& r, bool twoDigits) {
  if (!Keys.KeyHold) {
    ReturnToLiveMode();
  } else if (twoDigits) {
    Args.*r.First = 0;
    SetKeyMode(KeyModeFromNo(r.NN));
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

}  // namespace

void HandleCycleModeKey(uint8_t input, uint8_t code) {
  const int32_t m = ModeNo(Keys.KeyMode.load());
  const TCycleRow* row = nullptr;
  TPlace place = TPlace::None;
  for (const auto& r : kCycleRows) {
    place = PlaceOf(r, m);
    if (place != TPlace::None) {
      row = &r;
      break;
    }
  }
  if (!row) return;
  const TCycleRow& r = *row;
  int32_t& first = Args.*r.First;
  if (code == NumCyclic) {
    // Separate counts only from the first place of an alternating entry.
    if (place == TPlace::N && r.FirstN) {
      first = 0;
      SetKeyMode(KeyModeFromNo(r.FirstN));
    } else if (place == TPlace::NNTens && r.FirstNN) {
      first = 0;
      SetKeyMode(KeyModeFromNo(r.FirstNN));
    }
    return;
  }
  const int32_t d = DecodeNumKey(input, code);
  if (d < 0) return;
  switch (place) {
    case TPlace::N:
      SetCycles(r.Kind, d, d, false);
      CycleEntryDone(r, false);
      break;
    case TPlace::NNTens:
      first = 10 * d;
      SetKeyMode(KeyModeFromNo(r.NN + 1));
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
      SetKeyMode(KeyModeFromNo(r.SecondN));
      break;
    case TPlace::SecondN:
      SetCycles(r.Kind, first, d, false);
      CycleEntryDone(r, false);
      break;
    case TPlace::FirstTens:
      first = 10 * d;
      SetKeyMode(KeyModeFromNo(r.FirstNN + 1));
      break;
    case TPlace::FirstUnits:
      first += d;
      CycleEntry.*r.Second = 0;
      SetKeyMode(KeyModeFromNo(r.SecondNN));
      break;
    case TPlace::SecondTens:
      CycleEntry.*r.Second = 10 * d;
      SetKeyMode(KeyModeFromNo(r.SecondNN + 1));
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

void HandleRecBarsNModeKey(uint8_t, uint8_t code) {
  if (code == NumEsc) {
    ReturnToLiveMode();
  } else if (code >= Num0 && code <= Num9) {
    Args.RecBarsEntry = code - Num0;
    BarsEntered();
  }
}

void HandleRecBarsNNModeKey(uint8_t, uint8_t code) {
  if (code == NumEsc) {
    ReturnToLiveMode();
  } else if (code >= Num0 && code <= Num9) {
    if (Keys.KeyMode.load() == cmdmode::RecBarsNN) {
      Args.RecBarsEntry = 10 * (code - Num0);
      SetKeyMode(KeyModeFromNo(35));
    } else {
      Args.RecBarsEntry += code - Num0;
      BarsEntered();
    }
  }
}

void HandleRecBarsStopKey(uint8_t input, uint32_t msg, uint8_t code) {
  if (code == RecEsc) {
    ResetRecBarCount();
    ReturnToLiveMode();
  } else if (code >= RecStop && code <= RecMutePlayRR) {
    RecKeys.DelayedRecKeyInput = static_cast<int8_t>(input);
    RecKeys.DelayedRecKeyMsg = msg;
    RecKeys.DelayedRecKeyCode = code;
    RecKeys.DelayedRecKeyDue = 0;
    Transport.RecBarCountOn = 1;
    StartRecord();
  }
}

void VelEntryDone() {
  if (Keys.KeyHold) {
    SetKeyMode(cmdmode::Vel);
  } else {
    ReturnToLiveMode();
  }
}

void HandleVelModeKey(uint8_t input, uint8_t code) {
  const int32_t m = ModeNo(Keys.KeyMode.load());
  if (code == NumInc || code == NumDec) {
    SetSVelValue(code == NumInc ? VtInc : VtDec, 0, 0, 0, false);
    Msgs.StatusMsg.Set(code == NumInc ? "Vel inc" : "Vel dec");
    VelEntryDone();
    return;
  }
  if ((code == NumSweep1 || code == NumSweep2) && (m == 80 || m == 93)) {
    CycleEntry.VelSweepBothWays = code == NumSweep2;
    SetKeyMode(KeyModeFromNo(93));
    return;
  }
  const int32_t d = DecodeNumKey(input, code);
  if (d < 0) return;
  const auto v = static_cast<uint8_t>(d);
  if (m == 80) {
    SetSVelValue(VtAbsolute, v, 0, 0, false);
    Msgs.StatusMsg.Set("Vel " + std::to_string(d));
    VelEntryDone();
  } else if (m == 93) {
    CycleEntry.VelSweepFrom = v;
    SetKeyMode(KeyModeFromNo(94));
  } else if (m == 94) {
    const uint8_t from = CycleEntry.VelSweepFrom;
    SetSVelValue(VtSweep, 0, from, v, CycleEntry.VelSweepBothWays);
    Msgs.StatusMsg.Set("Vel sweep " + std::to_string(from) + (CycleEntry.VelSweepBothWays ? "<-->" : "-->") +
                       std::to_string(d));
    VelEntryDone();
  }
}

}  // namespace vel
