#include "engine/MidiIn.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using midi::TShortMsg;

constexpr uint32_t kMaxTimestamp = 2147483647u;

// The virtual keyboard animates the notes of the control inputs.
bool Animated() {
  return Showing.TemplateShowing && Cfg.TemplateAnimateSize > 1;
}

void TraceIn(int32_t port, uint32_t msg, int32_t time) {
  const uint8_t status = TShortMsg{msg}.Status();
  if (!Trace.DiagFlags || !Trace.InTraceOn || status < 0x80 || !TraceEventReqd(status)) return;
  WriteDiagTraceFifo(port, msg, MsToTicks(time));
}

void RouteKey(int32_t port, uint32_t msg, int32_t time, bool noteOn, bool raw) {
  if (MidiInHooks.RouteKeyByKeyMode)
    MidiInHooks.RouteKeyByKeyMode(static_cast<int8_t>(port), msg, static_cast<uint32_t>(time), noteOn, raw);
}

void ToRecording(int32_t port, uint32_t msg, int32_t time, bool raw) {
  if (MidiInHooks.HandleRecModeKey)
    MidiInHooks.HandleRecModeKey(static_cast<int8_t>(port), msg, static_cast<uint32_t>(time), false, false,
                                 raw);
}

void ToStepRecording(int32_t port, uint32_t msg, int32_t time, bool raw) {
  if (MidiInHooks.HandleStepRecModeKey)
    MidiInHooks.HandleStepRecModeKey(static_cast<int8_t>(port), msg, static_cast<uint32_t>(time), false,
                                     false, raw);
}

// MIDI Start, Continue and Stop are obeyed from any input with the internal clock, from the clock
// port with the external one, each when its switch is on.
bool SyncAllowed(int32_t port) {
  if (Cfg.ClocksSourceInternal) return Cfg.MidiInSyncIntEnabled;
  return Cfg.MidiInSyncExtEnabled && port == Cfg.ClocksExtPNo;
}

void HandleNoteOff(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const TShortMsg m{msg};
  const int32_t note = m.Data1();
  // The key path takes every note-off as status 8n.
  RouteKey(port, m.WithKind(0x8).Raw, time, false, !control);
  if (!control) return;
  if (Showing.KeyMapperShowing && note == Showing.LastLiveKey) {
    Showing.LastLiveKey = -1;
    RaiseTopic(TTopic::LiveKey);
  }
  if (Animated() && note < 128) {
    MidiIn.LiveNoteTable[note].Tail = 200;
    Showing.LiveNoteAnyLit = 1;
  }
}

void HandleNoteOn(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const TShortMsg m{msg};
  const int32_t note = m.Data1();
  const int32_t vel = m.Data2();
  if (control && Showing.KeyMapperShowing) {
    Showing.LastLiveKey = note;
    Keys.KeyModeShownPrev = Keys.KeyMode.load();
    RaiseTopic(TTopic::LiveKey);
  }
  RouteKey(port, msg, time, true, !control);
  if (!control) return;
  if (Showing.KeyMapperShowing) {
    Keys.KeyModeShown = Keys.KeyMode.load();
    RaiseTopic(TTopic::LiveKey);
  }
  if (Animated() && note < 128) {
    MidiIn.LiveNoteTable[note] = TNoteAnim{vel, vel, 0};
    Showing.LiveNoteAnyLit = 1;
  }
}

void HandleController(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const TShortMsg m{msg};
  const uint32_t number = m.Data1();
  const uint32_t value = m.Data2();
  const TKeyMode mode = Keys.KeyMode;
  const bool channelMode = number >= 120 && number <= 123;
  if (mode == TKeyMode::Record) {
    if (!channelMode) ToRecording(port, msg, time, !control);
    return;
  }
  if (mode == TKeyMode::StepRecord) {
    if (!channelMode) ToStepRecording(port, msg, time, !control);
    return;
  }
  if (!control) {
    WriteRawFifo(msg);
    return;
  }
  if (number == 122 && Cfg.InterpretLocalControl) {
    if (value == 0) {
      if (PlayCycle.LocalControlOn) LocalControlOff();
    } else if (!PlayCycle.LocalControlOn) {
      PlayCycle.LocalControlOn = 1;
      MidiIn.LocalCtlDirty = 1;
    }
    return;
  }
  WriteLiveFifo(msg);
  if (number == 64 && Animated()) MidiIn.LiveNoteAux[m.Channel()] = static_cast<int32_t>(value);
}

// Pressure, program change and pitch bend.
void HandleOtherChannelMsg(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const TKeyMode mode = Keys.KeyMode;
  if (mode == TKeyMode::Record) {
    ToRecording(port, msg, time, !control);
    return;
  }
  if (mode == TKeyMode::StepRecord && TShortMsg{msg}.IsProgChange()) {
    ToStepRecording(port, msg, time, !control);
    return;
  }
  if (control) {
    WriteLiveFifo(msg);
  } else {
    WriteRawFifo(msg);
  }
}

void HandleSys(int32_t port, uint32_t msg, int32_t time) {
  switch (TShortMsg{msg}.Status()) {
    case 0xF0:
      MidiIn.InSysEx[port] = 1;
      break;
    case 0xF7:
      MidiIn.InSysEx[port] = 0;
      break;
    case 0xF8:
      if (time >= 0) HandleMidiClock(port, time);
      break;
    case 0xFA:
      HandleMidiStart(port, time);
      break;
    case 0xFB:
      if (Cfg.MidiInSyncContEnabled) HandleMidiStart(port, time);
      break;
    case 0xFC:
      HandleMidiStop(port, time);
      break;
    case 0xFE:  // active sensing
      return;
    default:
      break;
  }
  TraceIn(port, msg, time);
}

// What the key path put off while it held the lock, once no caller up the stack holds it.
void RunAfterInput() {
  if (MidiInHooks.AfterInput && !EngineLock.HeldByMe()) MidiInHooks.AfterInput();
}

void MidiInLocked(uintptr_t instance, const midi::InMessage& m) {
  std::lock_guard lock(EngineLock);
  if (RunCtl.InPortsAllocated < 0) return;
  if (m.type == midi::InMsg::Error) {
    if (m.data == nullptr && m.length > 0) {
      // Messages lost because they came faster than they were taken.
      MidiIn.MidiInMoreData = 1;
      return;
    }
    if (m.data == nullptr && m.length == 0 && m.msg == 0) {
      // The device's MIDI server went away. Each of its inputs says so; the user is told once,
      // in the MIDI layer's words, rather than shown a message that was never there.
      if (!RunCtl.MidiServerLostTold) {
        RunCtl.MidiServerLostTold = 1;
        Msgs.WarnMsg.Set(std::string(midi::BackendName(midi::ActiveBackend())) +
                         " error: " + midi::ErrorText(midi::kErrServerGone));
      }
      return;
    }
    Msgs.WarnMsg.Set("MidiInCallback " + std::to_string(instance) +
                     " Invalid MIDI msg: " + IntToHex(m.msg, 8));
    return;
  }
  if (instance >= static_cast<uintptr_t>(midi::kMaxDevs)) return;
  const int32_t port = RunCtl.MidiInDevs[instance].PortNo;
  if (!IsValidPort(port)) return;
  const int32_t time =
      Cfg.IgnoreDriverTStamps ? Transport.MsClock.load() : CheckMidiInTimestamp(port, m.msg, m.timeMs);
  // What this message sends live keeps its input time to the output.
  MidiIn.InStampNs = Cfg.IgnoreDriverTStamps ? midi::kNow : m.timeNs;
  HandleMidiIn(port, m.msg, time);
  MidiIn.InStampNs = midi::kNow;
}

}  // namespace

void MidiInCallback(midi::Handle, uintptr_t instance, const midi::InMessage& m) {
  if (RunCtl.ProgState.load() == TProgState::Initialising) return;
  if (m.type != midi::InMsg::Data && m.type != midi::InMsg::Error) return;
  MidiInLocked(instance, m);
  RunAfterInput();
}

int32_t CheckMidiInTimestamp(int32_t port, uint32_t msg, uint32_t t) {
  EngineLock.AssertHeld();
  if (!IsValidPort(port)) return 0;
  const int32_t prev = MidiIn.LastInTimestamp[port];
  if (t > kMaxTimestamp) {
    Msgs.WarnMsg.Set("MidiIn timestamp out of range");
    if (Trace.DiagFlags) {
      TraceIn(port, msg, prev);
      PostDiagMsg("MidiIn port " + std::to_string(port + 1) + " " + IntToHex(msg, 8) + ", timestamp " +
                  std::to_string(t) + " exceeds internal limit " + std::to_string(kMaxTimestamp) +
                  ", resetting to " + std::to_string(prev));
    }
    return prev;
  }
  const auto time = static_cast<int32_t>(t);
  if (time >= prev) {
    MidiIn.LastInTimestamp[port] = time;
    return time;
  }
  if (Trace.DiagFlags && static_cast<int64_t>(prev) - time > 2 * static_cast<int64_t>(RunCtl.MidiTimerRes)) {
    TraceIn(port, msg, prev);
    PostDiagMsg("MidiIn port " + std::to_string(port + 1) + " " + IntToHex(msg, 8) + ", timestamp " +
                std::to_string(t) + " earlier than prev " + std::to_string(prev) +
                ", resetting to prev (res " + std::to_string(RunCtl.MidiTimerRes) + ")" + "\r\n" +
                " (ignore warnings if using virtual or qwerty keyboard)");
  }
  return prev;
}

namespace {

void HandleMidiInLocked(int32_t port, uint32_t msg, int32_t time) {
  std::lock_guard lock(EngineLock);
  const TShortMsg m{msg};
  const uint8_t status = m.Status();
  if (MidiIn.InSysEx[port]) {
    if (status == 0xF7) {
      MidiIn.InSysEx[port] = 0;
      return;
    }
    if (status < 0x80) return;
    if (status == 0xFA) {
      // A Start inside a SysEx dump is obeyed; the dump goes on being skipped.
      HandleSys(port, msg, time);
      return;
    }
    MidiIn.InSysEx[port] = 0;
  }
  if (status < 0x80) return;
  if (status >= 0xF0) {
    HandleSys(port, msg, time);
    return;
  }

  const bool control = port == 0 || (port == 1 && Cfg.AuxInPortReqd);
  // The filter channels are held 0-based, as the status byte's low nibble.
  const int32_t filter = port == 0 ? Cfg.MainInPortFilterChan : Cfg.AuxInPortFilterChan;
  const bool pass = !control || filter < 0 || filter == m.Channel();
  switch (m.Kind()) {
    case 0x8:
      HandleNoteOff(port, msg, time, control, pass);
      TraceIn(port, msg, time);
      break;
    case 0x9:
      if (m.IsNoteOff()) {
        HandleNoteOff(port, msg, time, control, pass);
      } else {
        HandleNoteOn(port, msg, time, control, pass);
      }
      if (pass) TraceIn(port, msg, time);
      break;
    case 0xB:
      HandleController(port, msg, time, control, pass);
      TraceIn(port, msg, time);
      break;
    default:  // An, Cn, Dn, En
      HandleOtherChannelMsg(port, msg, time, control, pass);
      TraceIn(port, msg, time);
      break;
  }
}

}  // namespace

void HandleMidiIn(int32_t port, uint32_t msg, int32_t time) {
  if (!IsValidPort(port)) return;
  HandleMidiInLocked(port, msg, time);
  RunAfterInput();
}

void HandleMidiClock(int32_t port, int32_t time) {
  EngineLock.AssertHeld();
  if (port != Cfg.ClocksExtPNo) return;
  const bool first = MidiIn.ExtClockLastMs < 0;
  const int64_t interval = first ? 0 : static_cast<int64_t>(time) - MidiIn.ExtClockLastMs;
  // The engine plays only while Running; the clock is still timed outside it for the display.
  if (!Cfg.ClocksSourceInternal && RunCtl.ProgState.load() == TProgState::Running) {
    MidiIn.ExtClockTicks = static_cast<int32_t>(static_cast<uint32_t>(MidiIn.ExtClockTicks) + 160u);
    MidiIn.ExtTickCents += 16000;
    const int32_t ticks = MidiIn.ExtTickCents / 100;
    if (ticks >= 1) {
      TickSeq(ticks);
      MidiIn.ExtTickCents -= ticks * 100;
    }
  }
  MidiIn.ExtClockLastMs = time;
  if (first || interval < 1 || interval > INT32_MAX) return;
  MidiIn.ClockIntervalIdx = MidiIn.ClockIntervalIdx + 1 == kClockIntervals ? 0 : MidiIn.ClockIntervalIdx + 1;
  if (MidiIn.ClockIntervalCount < kClockIntervals) ++MidiIn.ClockIntervalCount;
  MidiIn.ClockIntervalSum += static_cast<int32_t>(interval) - MidiIn.ClockIntervals[MidiIn.ClockIntervalIdx];
  MidiIn.ClockIntervals[MidiIn.ClockIntervalIdx] = static_cast<int32_t>(interval);
  MidiIn.ExtClockAvg = static_cast<int32_t>(MidiIn.ClockIntervalSum / MidiIn.ClockIntervalCount);
}

void HandleMidiStart(int32_t port, int32_t) {
  EngineLock.AssertHeld();
  const TKeyMode mode = Keys.KeyMode;
  if (mode != TKeyMode::Live && mode != TKeyMode::Command) return;
  if (!SyncAllowed(port)) return;
  // A Start arriving while the run stops (a drum machine stopped with the performer) starts
  // nothing: the stop has reset the seqs.
  if (StopBegun()) return;
  if (Cfg.DspMidiActivity) Live.InLightOther = 1;
  if (NoSeqPlaying()) RestartBeatCount(true);
  if (mode == TKeyMode::Live) {
    // Exactly the seqs that the last MIDI Stop stopped start again.
    for (int32_t s = 0; s <= LastSeq(); ++s) {
      TPartBuf& b = SeqBuf(s);
      b.Selected = b.WasRunning;
      b.SelChanged = 1;
    }
  }
  if (MidiInHooks.ExecCommand) MidiInHooks.ExecCommand(static_cast<uint8_t>(port), 0xFA, CmdPlay);
}

void HandleMidiStop(int32_t port, int32_t) {
  EngineLock.AssertHeld();
  if (Keys.KeyMode != TKeyMode::Live) return;
  if (!SyncAllowed(port)) return;
  if (Cfg.DspMidiActivity) Live.InLightOther = 1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    b.WasRunning = b.SeqState != TSeqState::Stopped;
    b.Selected = 1;
    b.SelChanged = 1;
  }
  if (MidiInHooks.ExecCommand) MidiInHooks.ExecCommand(static_cast<uint8_t>(port), 0xFC, CmdStop);
}

void LocalControlOff() {
  std::lock_guard lock(EngineLock);
  if (RunCtl.OutPortsAllocated >= 0) {
    // Note-offs for what the live output sounds on any channel, then the live channel's reset.
    SilenceLiveNotes();
    if (IsValidPort(RunCtl.LivePort)) ResetPortChannel(RunCtl.LivePort, Live.Chan[RunCtl.LivePort]);
    MarkLiveProgsSent();
    ResetSeqs(false, true);
    // Playing seqs would reset their channels at their next tick, when nothing may be sent any
    // more: every marked channel is reset now, while it still can be.
    ResetSeqOutputs(true);
    InvalidateSeqProgs(true);
  }
  PlayCycle.LocalControlOn = 0;
  MidiIn.LocalCtlDirty = 1;
}

void ResetExtClock() {
  std::lock_guard lock(EngineLock);
  MidiIn.ExtClockTicks = 0;
  MidiIn.ExtTickCents = 0;
  MidiIn.ExtClockLastMs = -1;
  MidiIn.ClockIntervals.fill(0);
  MidiIn.ClockIntervalIdx = 0;
  MidiIn.ClockIntervalSum = 0;
  MidiIn.ClockIntervalCount = 0;
  MidiIn.ExtClockAvg = 0;
  MidiIn.InSysEx.fill(0);
}

}  // namespace vel
