// The command handlers that ExecCommand and the argument modes share: play and mute cycles, the
// play/mute toggle, pitch, transpose and lock, the value commands, record, delete and reset.
#include <algorithm>
#include <string>

#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Scenes.h"
#include "keymaps/KeyModes.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/ScaleValue.h"
#include "keys/SceneKeys.h"
#include "keys/ValueEntry.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// "Play cycles:4/0", or ":0=forever" when both counts are 0.
std::string CyclesText(const char* what, int32_t count, int32_t count2) {
  std::string text = std::string(what) + " cycles:";
  if (count == 0 && count2 == 0) return text + "0=forever";
  return text + std::to_string(count) + "/" + std::to_string(count2);
}

// The play cycles (mute: the mute cycles) and what follows them. A remaining count of n cycles is
// held as n + 1: the start of the cycle that the command begins counts one off.
void SetCycleCounts(TPartBuf& b, bool alternate, int32_t count, int32_t count2, bool mute) {
  int32_t& first = mute ? b.MuteCycles : b.PlayCycles;
  int32_t& firstRem = mute ? b.MRRem : b.PRRem;
  int32_t& second = mute ? b.PlayCycles : b.MuteCycles;
  int32_t& secondRem = mute ? b.PRRem : b.MRRem;
  first = count;
  if (count < 1) {
    second = 0;
    firstRem = count;
    return;
  }
  if (alternate) {
    second = count2;
  } else {
    second = 0;
    secondRem = 0;
  }
  firstRem = count + 1;
}

// Where a starting seq joins: in ticks from now, negative when it joins late, and whether it is
// so late that the notes it skips are silenced.
struct TStartOffset {
  int32_t Ticks = 0;
  bool Late = false;
};

TStartOffset StartOffset(bool nothingPlays, bool restarted) {
  const int32_t toBarEnd = PlayCycle.TicksToBarEnd;
  bool barAlign = nothingPlays;
  if (nothingPlays) ResetNoteDisplays();
  // The bar count began again with this start: the seqs begin with its first bar.
  if (restarted) return {std::max(toBarEnd - Transport.ActBar.BarTicks, 0), false};
  if (!nothingPlays && Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo <= LastSeq()) {
    const TPartBuf& m = SeqBuf(Cfg.MetrSeqNo);
    barAlign = m.Selected && m.SeqState == TSeqState::Stopped;
  }
  // A grid of no length (settings that escaped validation) means at once.
  if (barAlign) {
    const int32_t bar = Transport.ActBar.BarTicks;
    return {bar >= 1 ? toBarEnd % bar : 0, false};
  }
  const int32_t grid = Transport.ActBar.SQTicks;
  if (grid < 1) return {};
  const int32_t offset = toBarEnd % grid;
  // The last grid point passed less than half a step ago: join it late rather than wait.
  if (offset > grid / 2) return {offset - grid, grid - offset > Cfg.BeatTicks / 2};
  return {offset, false};
}

// A stopped seq starts from the head of its part. Its position, time shift and first event are
// written before its state leaves Stopped; the start of cycle that schedules the first event must
// see the new state (it counts the first cycle and takes the pending attributes over), and
// EngineLock keeps the timer out until all of it is done.
void StartStoppedSeq(int32_t seq, const TStartOffset& offset, bool mute) {
  TPartBuf& b = SeqBuf(seq);
  if (b.PitchCycles > 0) {
    b.PitchCyclesRem = b.PitchCycles + 1;
    b.PitchCycleSel = 1;
    b.Pend.Transpose = b.PitchCycleTransA;
  }
  b.PElap = 0;
  b.PlayEvIndex = b.Head;
  if (offset.Ticks < 0) {
    b.TimeShift = offset.Ticks;
    b.TimeShiftReptOn = offset.Late;
  }
  if (offset.Ticks != 0) {
    b.SeqState = mute ? TSeqState::PlayMutedPrimed : TSeqState::PlayPrimed;
  } else {
    b.SeqState = mute ? TSeqState::PlayMuted : TSeqState::Playing;
  }
  AdvanceSeqEvent(seq, true, offset.Ticks > 0 ? offset.Ticks : 0, 0);
}

// Every pitch target is locked: the selected seqs and the live output when selected. Refusing only
// when the live output is among them would report a pitch change that changed nothing.
bool AllPitchTargetsLocked() {
  bool any = Live.Selected;
  bool allLocked = !Live.Selected || Live.PitchLocked;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    const TPartBuf& b = SeqBuf(s);
    if (!b.Selected) continue;
    any = true;
    if (!b.PitchLocked) allLocked = false;
  }
  return any && allLocked;
}

// The delete commands: the selected stopped seqs lose their events (or program changes); a seq
// that runs is left alone with a warning.
void DeleteInSelSeqs(uint8_t dPressReqd, const char* name, int32_t& deadline, void (*del)(int32_t, int32_t)) {
  if (dPressReqd && !DPressCheck(name, deadline)) return;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (!SeqBuf(s).Selected) continue;
    if (SeqBuf(s).SeqState == TSeqState::Stopped) {
      del(Seqs.SeqRecs[s].PlayPart & 1, s);
      Msgs.StatusMsg.Set(name);
    } else {
      Msgs.WarnMsg.Set(std::string(name) + " command ignored for Seq" + std::to_string(s + 1) +
                       "; seq running");
    }
  }
  ReturnToLiveMode();
}

// A selected seq takes the play or mute key: a waiting stop is called off, a stopped seq starts,
// a running one takes the counts and plays or mutes.
void PlayMuteSeq(int32_t s, const TStartOffset& offset, bool alternate, int32_t count, int32_t count2,
                 bool mute) {
  TPartBuf& b = SeqBuf(s);
  b.Pend.Muted = mute;
  switch (b.SeqState) {
    case TSeqState::StopPrimed:
      // The stop waiting for the end of the cycle is called off; the counts stay.
      b.SeqState = mute ? TSeqState::PlayMuted : TSeqState::Playing;
      break;
    case TSeqState::Stopped:
      SetCycleCounts(b, alternate, count, count2, mute);
      StartStoppedSeq(s, offset, mute);
      break;
    default:
      SetCycleCounts(b, alternate, count, count2, mute);
      if (mute && b.SeqState == TSeqState::Playing) b.SeqState = TSeqState::PlayMuted;
      if (mute && b.SeqState == TSeqState::PlayPrimed) b.SeqState = TSeqState::PlayMutedPrimed;
      if (!mute && b.SeqState == TSeqState::PlayMuted) b.SeqState = TSeqState::Playing;
      if (!mute && b.SeqState == TSeqState::PlayMutedPrimed) b.SeqState = TSeqState::PlayPrimed;
      break;
  }
}

}  // namespace

void SetPlayMuteCycles(bool alternate, int32_t count, int32_t count2, bool mute, bool returnToLive) {
  const bool nothingPlays = NoSeqPlaying();
  // From silence the bar count begins again, where the output can still place the first notes.
  const bool restart = nothingPlays && Cfg.ClocksSourceInternal;
  const int32_t lead = restart ? StartLeadTicks() : 0;
  if (restart) {
    RestartBeatCount(true);
    StartBarCountdown(lead);
  }
  const TStartOffset offset = StartOffset(nothingPlays, restart);
  // The first seq that starts from silence starts the outgoing clock as well, on its first tick.
  bool first = true;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    const TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.Head < 0) continue;
    if (first && restart && !Transport.RecStartedClock)
      StartMidiClock(WholeTickPos() + int64_t{lead} * kTickUnits);
    first = false;
    PlayMuteSeq(s, offset, alternate, count, count2, mute);
  }
  const char* what = alternate ? (mute ? "MutePlay" : "PlayMute") : (mute ? "Mute" : "Play");
  Msgs.StatusMsg.Set(CyclesText(what, count, count2));
  if (returnToLive) ReturnToLiveMode();
}

void HandleCmdPyMuTog(int32_t count, int32_t count2, bool returnToLive) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected) continue;
    const bool nowMuted = !b.Pend.Muted;
    const TSeqState state = b.SeqState;
    if (state > TSeqState::Recording) {
      // Nothing of a seq in an unknown state is touched.
      Msgs.ErrMsg.Set(nowMuted ? "HandleCmdPyMuTog-1 error: Unexpected SeqState"
                               : "HandleCmdPyMuTog-2 error: Unexpected SeqState");
      continue;
    }
    b.Pend.Muted = nowMuted;
    b.PlayCycles = count;
    b.MuteCycles = count2;
    if (nowMuted) {
      b.MRRem = count2 >= 1 ? count2 + 1 : count2;
      if (state == TSeqState::PlayPrimed) b.SeqState = TSeqState::PlayMutedPrimed;
      if (state == TSeqState::Playing) b.SeqState = TSeqState::PlayMuted;
    } else {
      b.PRRem = count >= 1 ? count + 1 : count;
      if (state == TSeqState::PlayMutedPrimed) b.SeqState = TSeqState::PlayPrimed;
      if (state == TSeqState::PlayMuted) b.SeqState = TSeqState::Playing;
    }
    if (state == TSeqState::Stopped) b.Act.Muted = b.Pend.Muted;
  }
  Msgs.StatusMsg.Set(CyclesText("PlayMuteTog", count, count2));
  if (returnToLive) ReturnToLiveMode();
}

void SetCycles(TCycleKind kind, int32_t count, int32_t count2, bool returnToLive) {
  // The stop has reset and deselected the seqs: none may start again behind its back.
  if (StopBegun()) {
    if (returnToLive) ReturnToLiveMode();
    return;
  }
  switch (kind) {
    case TCycleKind::Play:
      SetPlayMuteCycles(false, count, 0, false, returnToLive);
      break;
    case TCycleKind::Mute:
      SetPlayMuteCycles(false, count, 0, true, returnToLive);
      break;
    case TCycleKind::PlayMute:
      SetPlayMuteCycles(true, count, count2, false, returnToLive);
      break;
    case TCycleKind::MutePlay:
      SetPlayMuteCycles(true, count, count2, true, returnToLive);
      break;
    case TCycleKind::PlayMuteTog:
      HandleCmdPyMuTog(count, count2, returnToLive);
      break;
    case TCycleKind::Pitch:
      break;
  }
}

void HandleCmdPitch(bool enterMode, bool up, bool hold) {
  if (AllPitchTargetsLocked()) {
    Msgs.WarnMsg.Set("Pitch command ignored; all selected items are pitch-locked");
    ReturnToLiveMode();
    return;
  }
  Keys.PitchCyclesN = 0;
  Keys.PitchCyclesNN = 0;
  if (!enterMode) {
    SetSeqPitch(false, 0, up);
    Msgs.StatusMsg.Set(up ? "Pitch octave inc" : "Pitch octave dec");
    ReturnToLiveMode();
    return;
  }
  if (hold) Keys.KeyHold = 1;
  SetKeyMode(TKeyMode::Pitch);
}

void SetPitchCyclesCmd(bool enterMode, int32_t cycles) {
  Keys.PitchCycles = cycles;
  Keys.PitchCyclesN = 1;
  Keys.PitchCyclesNN = 0;
  SetKeyMode(enterMode || cycles >= 1 ? TKeyMode::Pitch : TKeyMode::PitchCyclesN);
}

void EnterPitchCyclesNN() {
  Args.PitchCyclesEntry = 0;
  Keys.PitchCyclesN = 0;
  Keys.PitchCyclesNN = 1;
  SetKeyMode(TKeyMode::PitchCyclesNN);
}

void HandleCmdTrans() {
  if (Live.Selected) Live.TransposeBase = Live.Pitch;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.Selected) b.PitchBase = b.Pend.Transpose;
  }
  Msgs.StatusMsg.Set("Transpose");
  ReturnToLiveMode();
}

void HandleCmdPitchLock(bool lock) {
  if (Live.Selected) Live.PitchLocked = lock;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.Selected) b.PitchLocked = lock;
  }
  Msgs.StatusMsg.Set(lock ? "Pitch lock" : "Pitch unlock");
  ReturnToLiveMode();
}

void HandleCmdTimeShift(bool forward) {
  bool any = false;
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (s != Cfg.MetrSeqNo && SeqBuf(s).Selected) any = true;
  if (!any) {
    ReturnToLiveMode();
    return;
  }
  Commands.TimeShiftRepeat = 0;
  SetKeyMode(forward ? TKeyMode::TimeShiftFwd : TKeyMode::TimeShiftBack);
}

void HandleCmdTempo(uint8_t valSource) {
  if (!Cfg.ClocksSourceInternal) {
    Msgs.WarnMsg.Set("Tempo command ignored; active tempo is external");
    ReturnToLiveMode();
    return;
  }
  HandleCmdValue(TEntryValue::Tempo, valSource);
}

void HandleCmdPort(uint8_t, uint32_t, uint8_t valSource) {
  HandleCmdValue(TEntryValue::Port, valSource);
}

void HandleCmdChan(uint8_t, uint32_t, uint8_t valSource) {
  HandleCmdValue(TEntryValue::Chan, valSource);
}

void HandleCmdProg(uint8_t valSource) {
  HandleCmdValue(TEntryValue::Prog, valSource);
}

void HandleCmdVel(uint8_t valSource) {
  HandleCmdValue(TEntryValue::Vel, valSource);
}

void HandleCmdPart(uint8_t valSource) {
  HandleCmdValue(TEntryValue::Part, valSource);
}

void HandleCmdLoad(uint8_t valSource, bool all) {
  if (!ValidValSource(valSource, "HandleCmdLoad")) return;
  const TKeyMode mode = Keys.KeyMode;
  // In a load entry the entry says which scenes; from elsewhere the setting does.
  const bool ext = IsLoadMode(mode) ? IsExtLoadMode(mode) : Cfg.LoadExtScenes != 0;
  if (valSource == VsEnterMode) {
    Args.LoadSceneEntry = 0;
    SetKeyMode(LoadMode(all, ext));
    return;
  }
  const bool inc = valSource == VsInc;
  SetLoadValue(inc ? VtInc : VtDec, 0, all, ext, LoadText(all, ext) + (inc ? "inc" : "dec"));
  ReturnToLiveMode();
}

void HandleCmdSave(uint8_t valSource, bool all) {
  if (!ValidValSource(valSource, "HandleCmdSave")) return;
  if (valSource == VsEnterMode) {
    Args.SaveSceneEntry = 0;
    SetKeyMode(SaveMode(all));
    return;
  }
  const bool inc = valSource == VsInc;
  SetSaveValue(inc ? VtInc : VtDec, 0, all, SaveText(all) + (inc ? "inc" : "dec"));
  ReturnToLiveMode();
}

void HandleCmdRecB() {
  if (!AnySeqSelected()) {
    ReturnToLiveMode();
    return;
  }
  Args.RecBarsEntry = 0;
  SetKeyMode(TKeyMode::RecBarsN);
}

void HandleCmdRecBB() {
  if (!AnySeqSelected()) {
    ReturnToLiveMode();
    return;
  }
  Args.RecBarsEntry = 0;
  SetKeyMode(TKeyMode::RecBarsNN);
}

void PrepRecordCmd() {
  Live.Selected = 0;
  Keys.SelectionChanged = 1;
  ResetRecBarCount();
  Transport.RecBeatCountOn = 0;
  Transport.RecBeatCount = 0;
  Transport.RecBarCount = -1;
}

void DeleteSeqsCmd() {
  DeleteInSelSeqs(Cfg.DPressDeleteSeqsReqd, "Delete", Args.DPress.DPressTimeDelete, &ClearPartBuf);
}

void DeleteProgsCmd() {
  DeleteInSelSeqs(Cfg.DPressDeleteProgsInSeqsReqd, "Delete progs", Args.DPress.DPressTimeDeleteProgs,
                  &DeleteProgChanges);
}

void ResetCmd() {
  if (Cfg.DPressResetSeqsReqd && !DPressCheck("Reset", Args.DPress.DPressTimeReset)) return;
  if (Live.Selected) {
    ResetLiveAttribs();
    if (IsValidPort(RunCtl.LivePort)) ResetPortChannel(RunCtl.LivePort, Live.Chan[RunCtl.LivePort]);
    MarkLiveProgsSent();
  }
  if (ResetSeqs(true, false)) {
    ResetSeqOutputs(true);
    InvalidateSeqProgs(true);
  }
  ReturnToLiveMode();
}

void SetNoteQuantise(int32_t frac) {
  Cfg.NQNoteLenFrac = frac;
  RecalcQuantTicks();
}

void ClearFtnMap() {
  Args.FtnMap = TKeyArgs::FtnMapCleared();
  Args.FtnName.Set("");
}

}  // namespace vel
