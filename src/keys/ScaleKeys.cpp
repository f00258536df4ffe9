#include "keys/ScaleKeys.h"

#include <algorithm>

#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/PartBufs.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"
#include "keys/ArgKeys.h"
#include "keys/Commands.h"
#include "keys/KeyDecoders.h"
#include "keys/NumericEntry.h"
#include "keys/ScaleValue.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

void FtsOff() {
  SetScaleValue(0, kFtsTypeOff);
  Msgs.StatusMsg.Set("Fts off");
  HoldOrReturn(TKeyMode::FtsRoot);
}

void SetPitchLock(uint8_t code) {
  auto apply = [code](uint8_t& locked) {
    locked = code == PitchLock ? 1 : code == PitchUnlock ? 0 : !locked;
  };
  if (Live.Selected) {
    uint8_t l = Live.PitchLocked;
    apply(l);
    Live.PitchLocked = l;
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (SeqBuf(s).Selected) apply(SeqBuf(s).PitchLocked);
  }
}

}  // namespace

std::string FtsCodeName(int32_t code) {
  const TKeyFn* fn = FindKeyFnByCode(MtFtsType, static_cast<uint8_t>(code % 128));
  if (code % 128 == 71) return " ";
  return fn && !fn->Token.empty() ? fn->Token : "?";
}

void PitchStatus(const std::string& text) {
  const bool zones = Keys.PitchZoneSel[0] || Keys.PitchZoneSel[1] || Keys.PitchZoneSel[2];
  Msgs.StatusMsg.Set(zones ? text + " (indiv notes)" : text);
}

void HandleFtsRootModeKey(const TModeKey& key) {
  if (HoldKey(key.Code)) return;
  if (key.Code == FtsRootEsc) {
    ReturnToLiveMode();
  } else if (key.Code == FtsRootFtn) {
    ClearFtnMap();
    Transport.FtnTimer = 0;
    SetKeyMode(TKeyMode::Ftn);
  } else if (key.Code == FtsRootOff) {
    FtsOff();
  } else if (key.Code >= FtsRootNoteFirst && key.Code <= FtsRootNoteLast) {
    Args.FtsRootEntry = key.Code - FtsRootNoteFirst;
    SetKeyMode(TKeyMode::FtsType);
  }
}

void HandleFtsTypeModeKey(const TModeKey& key) {
  if (HoldKey(key.Code)) return;
  if (key.Code == FtsTypeEsc) {
    ReturnToLiveMode();
  } else if (key.Code == FtsTypeFtn) {
    ClearFtnMap();
    SetKeyMode(TKeyMode::Ftn);
  } else if (key.Code == FtsTypeOff) {
    FtsOff();
  } else if (key.Code == FtsTypeCurr || IsFtsTableType(key.Code)) {
    SetScaleValue(Args.FtsRootEntry, key.Code);
    std::string text = "Fts " + PitchClassName(Args.FtsRootEntry);
    if (key.Code != FtsTypeCurr) text += FtsCodeName(key.Code);
    Msgs.StatusMsg.Set(text);
    HoldOrReturn(TKeyMode::FtsRoot);
  }
}

namespace {

// The pitch keys other than the offsets; false for an offset key or one of no use here.
bool PitchCommandKey(uint8_t code, bool cycleCmd) {
  switch (code) {
    case PitchEsc:
      ReturnToLiveMode();
      return true;
    case PitchLock:
    case PitchUnlock:
    case PitchLockTog:
      SetPitchLock(code);
      return true;
    case PitchOctInc:
    case PitchOctDec:
      SetSeqPitch(false, 0, code == PitchOctInc);
      PitchStatus(code == PitchOctInc ? "Pitch octave inc" : "Pitch octave dec");
      return true;
    case PitchSelnLo:
    case PitchSelnHi:
    case PitchSeln1:
      if (!cycleCmd && AnySeqSelected()) {
        auto& zone = Keys.PitchZoneSel[static_cast<std::size_t>(code - PitchSelnLo)];
        zone = !zone;
        Keys.PitchZoneSelCleared = 1;
      }
      return true;
    case PitchSelnClr:
      if (AnySeqSelected()) {
        Keys.PitchZoneSel = {};
        Keys.PitchZoneSelCleared = 1;
      }
      return true;
    case PitchTrans:
      HandleCmdTrans();
      return true;
    default:
      return false;
  }
}

// After an offset: held keys stay in the pitch or cycle-count entry they came from.
void PitchOffsetDone() {
  if (!Keys.KeyHold) {
    ReturnToLiveMode();
  } else if (Keys.PitchCyclesN) {
    Keys.PitchCycles = 0;
    SetKeyMode(TKeyMode::PitchCyclesN);
  } else if (Keys.PitchCyclesNN) {
    Keys.PitchCycles = 0;
    Args.PitchCyclesEntry = 0;
    SetKeyMode(TKeyMode::PitchCyclesNN);
  } else {
    SetKeyMode(TKeyMode::Pitch);
  }
}

}  // namespace

void HandlePitchModeKey(const TModeKey& key) {
  if (HoldKey(key.Code)) return;
  const bool cycleCmd = Keys.PitchCyclesN || Keys.PitchCyclesNN;
  if (PitchCommandKey(key.Code, cycleCmd)) return;
  if (key.Code < PitchInc0 || key.Code > PitchDec48) return;
  int32_t offset = 0;
  if (key.Code == PitchInc0) {
    Keys.PitchCycles = 0;
  } else if (key.Code < PitchDec1) {
    offset = key.Code - PitchInc0;
  } else {
    offset = -(key.Code - PitchDec1 + 1);
  }
  SetSeqPitch(true, offset, false);
  std::string text = !cycleCmd               ? "Pitch"
                     : Keys.PitchCycles == 0 ? "Pitch cycles:0=reset"
                                             : "Pitch cycles:" + std::to_string(Keys.PitchCycles);
  text += offset >= 0 ? " offset +" + std::to_string(offset) : " offset " + std::to_string(offset);
  PitchStatus(text);
  PitchOffsetDone();
}

void HandlePitchCyclesModeKey(const TModeKey& key) {
  const int32_t n = DecodeNumKey(0, key.Code);
  if (n < 0) return;
  Keys.PitchCycles = n;
  SetKeyMode(TKeyMode::Pitch);
}

void HandleMetrNoteModeKey(const TModeKey& key) {
  if (HoldKey(key.Code)) return;
  const TKeyMode mode = Keys.KeyMode.load();
  bool changed = true;
  switch (key.Code) {
    case MetrEsc:
      ReturnToLiveMode();
      return;
    case MetrFillTog:
      Cfg.MetrFill = !Cfg.MetrFill;
      Msgs.StatusMsg.Set("Metr basic fill tog");
      break;
    case MetrBars1:
    case MetrBars2:
    case MetrBars3:
    case MetrBars4:
      Cfg.MetrBars = key.Code - MetrBars1 + 1;
      Msgs.StatusMsg.Set("Metr basic bars " + std::to_string(Cfg.MetrBars));
      break;
    case MetrTypeTog:
      Cfg.MetrTypePitchLocked = !Cfg.MetrTypePitchLocked;
      RaiseTopic(TTopic::MetrModeByKey);
      Msgs.StatusMsg.Set("Metr basic type tog");
      break;
    case MetrStyle:
      Cfg.MetrModeStyles = 1;
      RaiseTopic(TTopic::MetrModeByKey);
      RequestMetrRebuild();
      Args.MetrStyleEntry = 0;
      Args.MetrPatternEntry = 0;
      SetKeyMode(TKeyMode::MetrStyle);
      return;
    default:
      changed = false;
      break;
  }
  if (changed) {
    // Without a metronome seq the mode stays for another try.
    if (RequestMetrRebuild()) HoldOrReturn(TKeyMode::MetrBarNote);
    return;
  }
  if (key.Code < MetrNoteFirst || key.Code > MetrNoteLast) return;
  const int32_t note = key.Code - MetrNoteFirst;
  const int32_t level = std::max(1, VelToLevel(midi::TShortMsg{key.Msg}.Data2()));
  if (mode == TKeyMode::MetrBarNote) {
    Args.MetrBarNoteEntry = note;
    Args.MetrBarVelEntry = level;
    SetKeyMode(TKeyMode::MetrBeatNote);
  } else {
    Args.MetrBeatNoteEntry = note;
    Args.MetrBeatVelEntry = level;
    SetMetrBarBeat({.Code = TSig4});  // a quarter note
  }
}

void SetMetrBarBeat(const TModeKey& key) {
  if (HoldKey(key.Code)) return;
  if (key.Code == TSigEsc) {
    ReturnToLiveMode();
    return;
  }
  const int32_t n = DecodeTSigKey(key.Code);
  if (n < 0 || PowerOf2Index(n) < 0) return;
  if (n < Transport.ActBar.NoteLenFrac) {
    Msgs.WarnMsg.Set("Value 1/" + std::to_string(n) + " ignored - incompatible with current time signature");
  } else {
    Cfg.MetrNoteLenFrac = n;
    RaiseTopic(TTopic::MetrNoteLen);
  }
  if (Cfg.MetrTypePitchLocked) {
    Cfg.MetrDrumBarNote = Args.MetrBarNoteEntry;
    Cfg.MetrDrumBarSVel = Args.MetrBarVelEntry;
    Cfg.MetrDrumBeatNote = Args.MetrBeatNoteEntry;
    Cfg.MetrDrumBeatSVel = Args.MetrBeatVelEntry;
  } else {
    Cfg.MetrBassBarNote = Args.MetrBarNoteEntry;
    Cfg.MetrBassBarSVel = Args.MetrBarVelEntry;
    Cfg.MetrBassBeatNote = Args.MetrBeatNoteEntry;
    Cfg.MetrBassBeatSVel = Args.MetrBeatVelEntry;
  }
  RequestMetrRebuild();
  Msgs.StatusMsg.Set("Metr basic bar " + KeyNoToNote(Args.MetrBarNoteEntry) + ", beat " +
                     KeyNoToNote(Args.MetrBeatNoteEntry));
  HoldOrReturn(TKeyMode::MetrBarNote);
}

}  // namespace vel
