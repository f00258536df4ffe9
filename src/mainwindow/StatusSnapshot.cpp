#include "mainwindow/StatusSnapshot.h"

#include <mutex>

#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Scenes.h"
#include "keys/Commands.h"
#include "keys/CycleKeys.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "keys/SceneKeys.h"
#include "keys/TimeKeys.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

constexpr int32_t kLightMs = 100;
constexpr int32_t kClockLossMs = 200;

template <typename T>
TSweepSnap SweepOf(const TSweep<T>& s) {
  return {s.On != 0, s.Dir != 0};
}

// The device of an output port takes program changes; false for a port with no device.
bool ProgDevOk(int32_t port, bool& hasDevice) {
  hasDevice = false;
  if (!IsValidPort(port)) return false;
  const int32_t dev = RunCtl.PortDevIdx[port];
  if (dev < 0 || dev >= int32_t(RunCtl.MidiOutDevs.size())) return false;
  hasDevice = true;
  return RunCtl.MidiOutDevs[dev].ProgChangesEnabled != 0;
}

int32_t ProgSentOn(int32_t port, int32_t chan) {
  if (!IsValidPort(port) || chan < 0 || chan >= kChans) return -1;
  return PlayCycle.PortChanProgs[port][chan].ProgSent;
}

int32_t ProgReqOn(int32_t port, int32_t chan) {
  if (!IsValidPort(port) || chan < 0 || chan >= kChans) return -1;
  return PlayCycle.PortChanProgs[port][chan].ProgReq;
}

// Hotkey over note over other, as both light kinds rank them; the higher one drops the lower.
uint8_t AgeLights(uint8_t& hotkey, int32_t& hotkeyTime, uint8_t& note, int32_t& noteTime, uint8_t& other,
                  int32_t& otherTime, int32_t now, bool hotkeyAndNote) {
  uint8_t lit = 0;
  if (hotkeyAndNote && AgeLight(hotkey, hotkeyTime, now)) {
    note = other = 0;
    noteTime = otherTime = 0;
    lit = 1;
  }
  if (lit == 0 && hotkeyAndNote && AgeLight(note, noteTime, now)) {
    other = 0;
    otherTime = 0;
    lit = 2;
  }
  if (AgeLight(other, otherTime, now) && lit == 0) lit = 3;
  return lit;
}

// The seq's programs, what its changes ask of the lane grid, and its activity light. Takes the
// change flags it reports.
void CopySeqMarks(TPartBuf& b, TSeqSnap& out, int32_t now, bool lights) {
  bool hasDev = false;
  out.ProgActOk = ProgDevOk(b.Port, hasDev);
  out.ProgPendOk = ProgDevOk(b.PortPend, hasDev) && RunCtl.OutPortsAllocated >= 0;
  out.ProgAct = ProgSentOn(b.Port, out.Chan);
  out.ProgPend = ProgReqOn(b.PortPend, b.ChanPend);
  // Both flags ask for the lane grid; the selection flag also waits for Command mode, where its
  // key marks are drawn.
  // A selection flag left waiting asks for the grid once, not on every tick it waits.
  out.GridDirty = b.RecChanged != 0 || (b.SelChanged != 0 && !out.SelWaiting);
  b.RecChanged = 0;
  out.SelChanged = b.SelChanged != 0 && Keys.KeyMode == TKeyMode::Command;
  if (out.SelChanged) b.SelChanged = 0;
  out.SelWaiting = b.SelChanged != 0;
  out.LitBy = 0;
  const TSeqState st = b.SeqState;
  if (lights && (st == TSeqState::Playing || st == TSeqState::PlayMuted || st == TSeqState::StopPrimed))
    out.LitBy = AgeLights(b.LightHotkey, b.LightHotkeyTime, b.LightNoteOn, b.LightNoteOnTime, b.LightOther,
                          b.LightOtherTime, now, true);
}

void CopySeq(int32_t s, TSeqSnap& out, int32_t now, bool lights) {
  const TSeqRec& rec = Seqs.SeqRecs[s];
  TPartBuf& b = Seqs.PartBufs[rec.PlayPart & 1][s];
  out.StateRaw = uint8_t(b.SeqState);
  out.State = b.SeqState;
  out.Selected = b.Selected != 0;
  out.HasEvents = b.Head >= 0;
  out.HasHotkeyEvents = b.HasHotkeyEvents != 0;
  out.PitchLocked = b.PitchLocked != 0;
  out.MChanApplies = b.MChanApplies != 0;
  out.PlayPart = rec.PlayPart;
  out.SelPart = rec.SelPart;
  out.PartSweepOn = rec.PartSweepOn != 0;
  out.PRRem = b.PRRem;
  out.MRRem = b.MRRem;
  out.PitchBase = b.PitchBase;
  out.PitchCycles = b.PitchCycles;
  out.PitchCyclesRem = b.PitchCyclesRem;
  out.Transpose = b.Act.Transpose;
  out.TransposePend = b.Pend.Transpose;
  out.ActOffs = b.Act.LowNoteOffs != 0 || b.Act.HighNoteOffs != 0 || b.Act.FirstNoteOffs != 0;
  out.PendOffs = b.Pend.LowNoteOffs != 0 || b.Pend.HighNoteOffs != 0 || b.Pend.FirstNoteOffs != 0;
  out.SVel = b.Act.SVel;
  out.SVelPend = b.Pend.SVel;
  out.Muted = b.Act.Muted != 0;
  out.MutedPend = b.Pend.Muted != 0;
  out.FtsRoot = b.Act.FtsRoot;
  out.FtsRootPend = b.Pend.FtsRoot;
  out.FtsType = b.Act.FtsType;
  out.FtsTypePend = b.Pend.FtsType;
  out.FtnName = b.Act.FtnScaleName;
  out.FtnNamePend = b.Pend.FtnScaleName;
  out.TempoDiv = b.TempoDiv;
  out.TempoDivPend = b.TempoDivPend;
  out.RElap = b.RElap;
  out.PElap = b.PElap;
  out.TimeShiftRept = b.TimeShiftRept;
  out.Port = b.Port;
  out.PortPend = b.PortPend;
  out.Chan = IsValidPort(b.Port) ? b.Chan[b.Port] : 0;
  out.ChanPend = b.ChanPend;
  out.PortSweep = SweepOf(b.PortSweep);
  out.ChanSweep = SweepOf(b.ChanSweep);
  out.ProgSweep = SweepOf(b.ProgSweep);
  out.SVelSweep = SweepOf(b.SVelSweep);
  CopySeqMarks(b, out, now, lights);
}

void CopyLive(TLiveSnap& out, int32_t now, bool liveMode) {
  out.Port = RunCtl.LivePort;
  out.Chan = IsValidPort(RunCtl.LivePort) ? Live.Chan[RunCtl.LivePort] : 0;
  out.MChanApplies = Live.MChanApplies != 0;
  out.SVel = Live.SVel;
  out.Pitch = Live.Pitch;
  out.TransposeBase = Live.TransposeBase;
  out.PitchLocked = Live.PitchLocked != 0;
  out.FtsRoot = Live.FtsRoot;
  out.FtsType = Live.FtsType;
  out.FtsName = Live.FtsName;
  out.TempoClockDiv = Live.TempoClockDiv;
  out.Selected = Live.Selected != 0;
  out.PortSweep = SweepOf(Live.PortSweep);
  out.ChanSweep = SweepOf(Live.ChanSweep);
  out.ProgSweep = SweepOf(Live.ProgSweep);
  out.SVelSweep = SweepOf(Live.SVelSweep);
  out.TempoSweep = SweepOf(Live.TempoSweep);
  out.ProgOk = ProgDevOk(RunCtl.LivePort, out.HasDevice) && RunCtl.OutPortsAllocated >= 0;
  out.Prog = ProgSentOn(RunCtl.LivePort, out.Chan);
  uint8_t hk = Live.InLightHotkey, nt = Live.InLightNote, ot = Live.InLightOther;
  int32_t hkT = Live.InLightHotkeyTime, ntT = Live.InLightNoteTime, otT = Live.InLightOtherTime;
  out.LitBy = AgeLights(hk, hkT, nt, ntT, ot, otT, now, liveMode);
  out.OtherLit = ot != 0;
  Live.InLightHotkey = hk;
  Live.InLightNote = nt;
  Live.InLightOther = ot;
  Live.InLightHotkeyTime = hkT;
  Live.InLightNoteTime = ntT;
  Live.InLightOtherTime = otT;
}

// A first press waits for its second only until its deadline (the rule the commands apply);
// after it the next press is a first press again, and the prompt must not ask for a second.
bool DPressWaiting(int32_t now) {
  const TDoublePress& d = Args.DPress;
  for (int32_t deadline : {d.DPressTimeDelete, d.DPressTimeDeleteProgs, d.DPressTimeReset,
                           d.DPressTimeCalibrate, d.DPressTimeLoad, d.DPressTimeSave, d.DPressTimeHotkey}) {
    if (deadline == 0) continue;
    const int32_t left = static_cast<int32_t>(static_cast<uint32_t>(deadline) - static_cast<uint32_t>(now));
    if (left >= 0 && left <= Cfg.DPressInterval) return true;
  }
  return false;
}

void CopyEntry(TEntrySnap& e, int32_t now) {
  e.TempoEntry = Args.TempoEntry;
  e.TempoEntryStarted = Args.TempoEntryStarted != 0;
  e.TempoSweepTo = Args.TempoSweepTo;
  e.TempoSweepBothWays = Args.TempoSweepBothWays != 0;
  e.ProgEntry = Args.ProgEntry;
  e.ProgSweepTo = Args.ProgSweepTo;
  e.ProgSweepBothWays = Args.ProgSweepBothWays != 0;
  e.ChanEntry = Args.ChanEntry;
  e.ChanSweepTo = Args.ChanSweepTo;
  e.ChanSweepBothWays = Args.ChanSweepBothWays != 0;
  e.TempoSlewEntry = Args.TempoSlewEntry;
  e.RecBarsEntry = Args.RecBarsEntry;
  e.PlayCyclesEntry = Args.PlayCyclesEntry;
  e.MuteCyclesEntry = Args.MuteCyclesEntry;
  e.PmtCyclesEntry = Args.PmtCyclesEntry;
  e.PitchCyclesEntry = Args.PitchCyclesEntry;
  e.PlayMuteMuteEntry = CycleEntry.PlayMuteMuteEntry;
  e.MutePlayPlayEntry = CycleEntry.MutePlayPlayEntry;
  e.PmtMuteEntry = CycleEntry.PmtMuteEntry;
  e.PartSweepFrom = SceneKeys.PartSweepFrom;
  e.PortSweepFrom = SceneKeys.PortSweepFrom;
  e.VelSweepFrom = CycleEntry.VelSweepFrom;
  e.PartSweepBothWays = SceneKeys.PartSweepBothWays != 0;
  e.PortSweepBothWays = SceneKeys.PortSweepBothWays != 0;
  e.VelSweepBothWays = CycleEntry.VelSweepBothWays != 0;
  e.TimeShiftRepeat = Commands.TimeShiftRepeat != 0;
  e.LoadSceneEntry = Args.LoadSceneEntry;
  e.SaveSceneEntry = Args.SaveSceneEntry;
  e.PitchCycles = Keys.PitchCycles;
  e.PitchCyclesOn = Keys.PitchCyclesN != 0 || Keys.PitchCyclesNN != 0;
  if (!DPressWaiting(now)) {
    e.DPressPendingCmd.clear();
  } else if (e.DPressPendingCmd != Args.DPress.DPressPendingCmd) {
    e.DPressPendingCmd = Args.DPress.DPressPendingCmd;
  }
  e.CurScene = Scenes.CurScene;
  e.TSigBeatsEntry = TimeKeys.TSigBeatsEntry;
  e.TimeShiftBeatsEntry = TimeKeys.TimeShiftBeatsEntry;
  e.QuantNoteEntry = TimeKeys.QuantNoteEntry;
  e.FtsRootEntry = Args.FtsRootEntry;
  e.MetrBarNoteEntry = Args.MetrBarNoteEntry;
  e.MetrBeatNoteEntry = Args.MetrBeatNoteEntry;
}

void CopyMetrStyle(TStatusSnapshot& snap) {
  if (snap.MetrSeqNo < 0 || snap.ProgState < TProgState::Running) return;
  const bool drum = Cfg.MetrTypePitchLocked != 0;
  const TStyleStore& st = drum ? DrumStore : BassStore;
  snap.MetrStyleEqual = st.BuiltStyle == st.StyleNo && st.BuiltPat == st.PatNo;
  auto set = [](std::string& to, std::string&& from) {
    if (to != from) to = std::move(from);
  };
  set(snap.MetrStylePend, FmtStyleCaption(st, st.StyleNo));
  set(snap.MetrPatPend, FmtPatCaption(st, st.StyleNo, st.PatNo));
  if (!snap.MetrStyleEqual) {
    // No bar built from a style yet: nothing to name, so the chosen one blinks against a blank.
    const bool built = st.BuiltStyle >= 0;
    set(snap.MetrStyleAct, built ? FmtStyleCaption(st, st.BuiltStyle) : std::string());
    set(snap.MetrPatAct, built ? FmtPatCaption(st, st.BuiltStyle, st.BuiltPat) : std::string());
  }
}

}  // namespace

bool AgeLight(uint8_t& flag, int32_t& since, int32_t now) {
  if (flag == 0) return false;
  if (since == 0) since = now;
  if (now - since <= kLightMs) return true;
  flag = 0;
  since = 0;
  return false;
}

namespace {

void CopyRecording(TStatusSnapshot& snap) {
  snap.RecActive = Transport.RecActive != 0;
  snap.RecRawMode = Transport.RecRawMode != 0;
  const bool raw = snap.RecRawMode;
  snap.ArrowFromLive = (raw ? Cfg.RecRawAttribSrcLive : Cfg.RecIntAttribSrcLive) != 0;
  snap.ArrowToLive = (raw ? Cfg.RecRawAttribSrcToLive : Cfg.RecIntAttribSrcToLive) != 0;
  snap.RecRetake = Transport.RecRetake != 0;
  snap.RecAutoIncSeq = Args.RecAutoIncSeq != 0;
  snap.RecBarCountOn = Transport.RecBarCountOn != 0;
  snap.RecBarCount = Transport.RecBarCount;
  snap.RecBeatCount = Transport.RecBeatCount;
  snap.RecPitchOffset = RecKeys.RecPitchOffset;
  snap.SRecNoteLenFrac = Cfg.SRecNoteLenFrac;
  snap.SRecNoteOnPercent = Cfg.SRecNoteOnPercent;
}

// The bar settings asked for and those in force.
void CopyBar(TStatusSnapshot& snap) {
  snap.BeatsPerBar = Cfg.BeatsPerBar;
  snap.NoteLenFrac = Cfg.NoteLenFrac;
  snap.NQNoteLenFrac = Cfg.NQNoteLenFrac;
  snap.SQNoteLenFrac = Cfg.SQNoteLenFrac;
  const TBarSettings& act = Transport.ActBar;
  snap.ActBeatsPerBar = act.BeatsPerBar;
  snap.ActNoteLenFrac = act.NoteLenFrac;
  snap.NQActNoteLenFrac = act.NQNoteLenFrac;
  snap.SQActNoteLenFrac = act.SQNoteLenFrac;
  snap.ActBeatTicks = act.BeatTicks;
  snap.ActBarTicks = act.BarTicks;
  snap.ActSQTicks = act.SQTicks;
}

void CopyClock(TStatusSnapshot& snap, TProgState ps) {
  snap.Tempo = Cfg.Tempo;
  snap.TempoSlewTime = Cfg.TempoSlewTime;
  snap.ClocksExtPNo = Cfg.ClocksExtPNo;
  snap.ClockLost = false;
  snap.SwitchToInternal = false;
  if (ps == TProgState::Running && Transport.ClockWatchMs - MidiIn.ExtClockLastMs >= kClockLossMs) {
    // No clock for 200 ms: the external tempo is unknown until clocks come again.
    MidiIn.ExtClockAvg = 0;
    snap.ClockLost = true;
    snap.SwitchToInternal = Cfg.ClocksSourceInternal == 0 && Cfg.ClocksSourceExtLock == 0;
  }
  snap.ExtClockCount = MidiIn.ClockIntervalCount;
  snap.ExtClockSum = MidiIn.ClockIntervalSum;
  snap.ExtClockValid = MidiIn.ExtClockAvg >= 1;
}

void CopyScenesAndMetronome(TStatusSnapshot& snap) {
  snap.CurScene = Scenes.CurScene;
  snap.CurExtScene = Scenes.CurExtScene;
  snap.MetrTypePitchLocked = Cfg.MetrTypePitchLocked != 0;
  const bool drum = snap.MetrTypePitchLocked;
  snap.MetrBarNote = drum ? Cfg.MetrDrumBarNote : Cfg.MetrBassBarNote;
  snap.MetrBarSVel = drum ? Cfg.MetrDrumBarSVel : Cfg.MetrBassBarSVel;
  snap.MetrBeatNote = drum ? Cfg.MetrDrumBeatNote : Cfg.MetrBassBeatNote;
  snap.MetrBeatSVel = drum ? Cfg.MetrDrumBeatSVel : Cfg.MetrBassBeatSVel;
  CopyMetrStyle(snap);
}

// The last recorded event and the key marks to send; takes the flags it reports.
void CopyMarks(TStatusSnapshot& snap) {
  snap.LastRecEventNew = RecKeys.LastRecEventNew.exchange(0) != 0;
  snap.LastRecEvent = RecKeys.LastRecEvent;
  snap.SRecTime = RecKeys.SRecTime;

  snap.MarkSelLive = false;
  if (snap.KeyMode == TKeyMode::Command && Keys.SelectionChanged.exchange(0) != 0) snap.MarkSelLive = true;
  snap.MarkPitchZones = false;
  if (snap.KeyMode == TKeyMode::Pitch && Keys.PitchZoneSelCleared.exchange(0) != 0)
    snap.MarkPitchZones = true;
  for (int32_t i = 0; i < 3; ++i) snap.PitchZoneSel[i] = Keys.PitchZoneSel[i] != 0;
}

void CopyPortNames(TStatusSnapshot& snap) {
  for (int32_t p = 0; p < kPorts; ++p) {
    const int32_t dev = RunCtl.PortDevIdx[p];
    const std::string& name = dev >= 0 && dev < int32_t(RunCtl.MidiOutDevs.size())
                                  ? RunCtl.MidiOutDevs[dev].PortName
                                  : std::string();
    if (snap.OutPortNames[p] != name) snap.OutPortNames[p] = name;
  }
}

}  // namespace

bool TakeStatusSnapshot(TStatusSnapshot& snap, bool wantPortNames) {
  std::unique_lock lock(EngineLock, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  const TProgState ps = RunCtl.ProgState.load();
  snap.ProgState = ps;
  snap.ProgStateRaw = uint8_t(ps);
  snap.KeyMode = Keys.KeyMode.load();
  snap.KeyHold = Keys.KeyHold != 0;
  const int32_t now = Transport.MsClock.load();
  snap.MsClock = now;
  snap.MaxActiveSeqs = LastSeq();
  snap.MetrSeqNo = Cfg.MetrSeqNo;
  snap.OutPortsAllocated = RunCtl.OutPortsAllocated;
  snap.InPortsAllocated = RunCtl.InPortsAllocated;
  const bool lights = Cfg.DspMidiActivity != 0;
  snap.GridDirty = false;
  for (int32_t s = 0; s <= snap.MaxActiveSeqs; ++s) {
    CopySeq(s, snap.Seqs[s], now, lights);
    snap.GridDirty |= snap.Seqs[s].GridDirty && Cfg.DspSeqGrid != 0;
  }
  CopyLive(snap.Live, now, snap.KeyMode == TKeyMode::Live);
  CopyEntry(snap.Entry, now);
  CopyRecording(snap);
  CopyBar(snap);
  CopyClock(snap, ps);
  CopyScenesAndMetronome(snap);
  CopyMarks(snap);
  if (wantPortNames) CopyPortNames(snap);
  return true;
}

}  // namespace vel
