#include "keys/TimeKeys.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/ArgKeys.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

constexpr int32_t kTempoSlew = keymode::TempoSlew.First;
constexpr int32_t kTempoSlewUnits = keymode::TempoSlew.Last;
constexpr int32_t kTempoDiv = ModeNo(TKeyMode::TempoDiv);
constexpr int32_t kTSigBeats = ModeNo(TKeyMode::TimeSigBeats);
constexpr int32_t kTSigBeatLen = ModeNo(TKeyMode::TimeSigBeatLen);
constexpr int32_t kShiftFwd = ModeNo(TKeyMode::TimeShiftFwd);
constexpr int32_t kShiftFwdN = keymode::TimeShiftFwd.Last;
constexpr int32_t kShiftBack = ModeNo(TKeyMode::TimeShiftBack);
constexpr int32_t kQuantNotes = ModeNo(TKeyMode::QuantNotes);
constexpr int32_t kQuantSeqs = ModeNo(TKeyMode::QuantSeq);
constexpr int32_t kMaxSlewSeconds = 99;

bool IsMetrSeq(int32_t seq) {
  return seq == Cfg.MetrSeqNo;
}

void TimeShiftDone(bool forward) {
  if (Keys.KeyHold) {
    Commands.TimeShiftRepeat = 0;
    EnterMode(forward ? kShiftFwd : kShiftBack);
  } else {
    ReturnToLiveMode();
  }
}

void ApplyTimeShift(int32_t n) {
  const int32_t mode = ModeNow();
  const bool forward = mode == kShiftFwd || mode == kShiftFwdN;
  if (mode == kShiftFwd || mode == kShiftBack) {
    TimeKeys.TimeShiftBeatsEntry = n;
    if (n == 0) Commands.TimeShiftRepeat = 0;
    EnterMode(mode + 1);
    return;
  }
  const int32_t beats = TimeKeys.TimeShiftBeatsEntry;
  const bool reset = beats == 0 || n == 0;
  if (!reset && !DividesWholeNote(n)) return;
  int32_t shift = 0;
  if (!reset) {
    shift = static_cast<int32_t>(static_cast<int64_t>(beats) * Cfg.BarTicks / n);
    if (forward) shift = -shift;
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.Head < 0 || IsMetrSeq(s)) continue;
    if (reset) {
      b.TimeShiftRept = 0;
    } else {
      b.TimeShift = shift;
      b.TimeShiftReptOn = 1;
      b.TimeShiftRept = Commands.TimeShiftRepeat ? shift : 0;
    }
  }
  std::string text = forward ? "Time shift fwds " : "Time shift back ";
  if (reset)
    text += "reset rept";
  else
    text += std::to_string(beats) + " x 1/" + std::to_string(n) + (Commands.TimeShiftRepeat ? " rept" : "");
  Msgs.StatusMsg.Set(text);
  TimeShiftDone(forward);
}

// One seq's length changed by amount; false when it cannot be.
bool ResizeSeq(int32_t seq, int32_t amount, bool grow) {
  const int32_t part = Seqs.SeqRecs[seq].PlayPart & 1;
  TPartBuf& b = Seqs.PartBufs[part][seq];
  if (b.Tail < 0) return false;
  if (grow) {
    if (amount <= 0) return true;
    if (midi::TShortMsg{b.Events[b.Tail].Msg}.Status() != kEndMarker &&
        !InsertPartEvent(part, seq, kEndMarker, b.Events[b.Tail].Time, false))
      return false;
    if (static_cast<int64_t>(b.Events[b.Tail].Time) + amount > INT32_MAX) return false;
    b.Events[b.Tail].Time += amount;
    b.RElap = b.Events[b.Tail].Time;
    return true;
  }
  TPartEvent& last = b.Events[b.Tail];
  if (amount < 1 || amount >= b.RElap) return false;
  const int32_t floor = last.Prev >= 0 ? b.Events[last.Prev].Time : 0;
  if (last.Time - amount < floor) return false;
  last.Time -= amount;
  b.RElap = last.Time;
  return true;
}

}  // namespace

void SetTempoSlew(int32_t seconds) {
  Cfg.TempoSlewTime = seconds * 1000;
  Msgs.StatusMsg.Set("Tempo slew " + std::to_string(seconds));
  RaiseTopic(TTopic::TempoSlew);
  Args.TempoSlewEntry = 0;
  HoldOrReturn(kTempoSlew);
}

void HandleTempoSlewModeKey(const TModeKey& key) {
  const int32_t mode = ModeNow();
  const int32_t now = Cfg.TempoSlewTime / 1000;
  if (key.Code == NumInc || key.Code == NumDec) {
    if (mode != kTempoSlew) return;
    if (key.Code == NumInc && now < kMaxSlewSeconds) SetTempoSlew(now + 1);
    if (key.Code == NumDec && now > 0) SetTempoSlew(now - 1);
    return;
  }
  const int32_t digit = DecodeNumKey(key.Input, key.Code);
  if (digit < 0) return;
  if (mode == kTempoSlew) {
    Args.TempoSlewEntry += 10 * digit;
    EnterMode(kTempoSlewUnits);
  } else if (mode == kTempoSlewUnits) {
    Args.TempoSlewEntry += digit;
    SetTempoSlew(Args.TempoSlewEntry);
  }
}

void HandleTempoDivModeKey(const TModeKey& key) {
  if (CommonArgKey(key.Code)) return;
  int32_t n = DecodeQntKey(key.Code);
  if (n < 0) return;
  if (n == 0) n = 1;
  bool any = false;
  if (Live.Selected) {
    Live.TempoClockDiv = n;
    any = true;
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || IsMetrSeq(s)) continue;
    b.TempoDivPend = n;
    if (b.SeqState == TSeqState::Stopped) {
      b.TempoDiv = n;
      RequestSeqGridRedraw();
    }
    any = true;
  }
  if (any) Msgs.StatusMsg.Set("Tempo clock div 1/" + std::to_string(n));
  HoldOrReturn(kTempoDiv);
}

void HandleQuantModeKey(const TModeKey& key) {
  if (CommonArgKey(key.Code)) return;
  const int32_t n = DecodeQntKey(key.Code);
  if (n < 0) return;
  if (ModeNow() == kQuantNotes) {
    TimeKeys.QuantNoteEntry = n;
    EnterMode(kQuantSeqs);
    return;
  }
  if (n > 0) Cfg.SQNoteLenFrac = n;
  SetNoteQuantise(TimeKeys.QuantNoteEntry);
  const std::string seqs = ", seqs 1/" + std::to_string(Cfg.SQNoteLenFrac);
  Msgs.StatusMsg.Set(TimeKeys.QuantNoteEntry == 0
                         ? "Quantise notes off" + seqs
                         : "Quantise notes 1/" + std::to_string(TimeKeys.QuantNoteEntry) + seqs);
  HoldOrReturn(kQuantNotes);
}

bool TSigUnderStyleControl() {
  if (Cfg.MetrSeqNo < 0 || !Cfg.MetrModeStyles) return false;
  return (Cfg.MetrTypePitchLocked ? DrumStore.UsePatTSig : BassStore.UsePatTSig) != 0;
}

void HandleTimeSigModeKey(const TModeKey& key) {
  if (CommonArgKey(key.Code)) return;
  const int32_t n = DecodeTSigKey(key.Code);
  if (n <= 0) return;
  if (ModeNow() == kTSigBeats) {
    TimeKeys.TSigBeatsEntry = n;
    EnterMode(kTSigBeatLen);
    return;
  }
  if (TSigUnderStyleControl()) {
    Msgs.WarnMsg.Set("TimeSig command ignored; under metr style control");
  } else if (SetTimeSig(TimeKeys.TSigBeatsEntry, n)) {
    Msgs.StatusMsg.Set("Time signature  " + std::to_string(Cfg.BeatsPerBar) + "/" +
                       std::to_string(Cfg.NoteLenFrac));
  } else {
    Msgs.WarnMsg.Set("TimeSig command ignored; denominator must be power of 2");
  }
  HoldOrReturn(kTSigBeats);
}

void HandleTimeShiftModeKey(const TModeKey& key) {
  if (CommonArgKey(key.Code)) return;
  const int32_t mode = ModeNow();
  const bool forward = mode == kShiftFwd || mode == kShiftFwdN;
  switch (key.Code) {
    case TShiftRept:
      Commands.TimeShiftRepeat = 1;
      return;
    case TShiftSeqSQ:
    case TShiftSeqSQInc:
    case TShiftSeqSQDec: {
      const bool grow = key.Code == TShiftSeqSQ ? forward : key.Code == TShiftSeqSQInc;
      GrowShrinkSeqs(true, grow);
      Msgs.StatusMsg.Set(grow ? "Time shift grow to next SQ boundary"
                              : "Time shift shrink to prev SQ boundary");
      TimeShiftDone(forward);
      return;
    }
    case TShiftSeqAlign:
    case TShiftSeqAlignInc:
    case TShiftSeqAlignDec: {
      const bool grow = key.Code == TShiftSeqAlign ? forward : key.Code == TShiftSeqAlignInc;
      GrowShrinkSeqs(false, grow);
      Msgs.StatusMsg.Set(grow ? "Time shift grow to largest seq" : "Time shift shrink to smallest seq");
      TimeShiftDone(forward);
      return;
    }
    default:
      break;
  }
  const int32_t n = DecodeQntKey(key.Code);
  if (n >= 0) ApplyTimeShift(n);
}

namespace {

// The seqs a grow or shrink reaches: selected, holding events, not the metronome nor sweeping.
bool GrowShrinkEligible(int32_t s) {
  const TPartBuf& b = SeqBuf(s);
  return !IsMetrSeq(s) && !Seqs.SeqRecs[s].PartSweepOn && b.Selected && b.Head >= 0;
}

// The longest (grow) or shortest length of the eligible seqs; -1 when there is none.
int32_t GrowShrinkTarget(bool grow) {
  int32_t target = -1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (!GrowShrinkEligible(s)) continue;
    const int32_t len = SeqBuf(s).RElap;
    if (target < 0 || (grow ? len > target : len < target)) target = len;
  }
  return target;
}

}  // namespace

void GrowShrinkSeqs(bool toSQ, bool grow) {
  int32_t target = -1;
  if (!toSQ) {
    target = GrowShrinkTarget(grow);
    if (target < 0 || (grow && target == 0)) return;
  }
  const int32_t step = Transport.ActBar.SQTicks;
  if (toSQ && step == 0) return;
  bool failed = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (!GrowShrinkEligible(s)) continue;
    const int32_t amount = toSQ ? step : std::abs(target - SeqBuf(s).RElap);
    if (!ResizeSeq(s, amount, grow)) failed = true;
  }
  RequestSeqGridRedraw();
  if (failed && Trace.DiagFlags)
    PostDiagMsg(grow ? "Cannot expand seq(s) without overflowing"
                     : "Cannot shrink seq(s) further without losing data");
}

}  // namespace vel
