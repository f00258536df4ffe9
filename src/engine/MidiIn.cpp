#include "engine/MidiIn.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyModes.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr uint32_t kMaxTimestamp = 2147483647u;

// The virtual keyboard animates the notes of the control inputs.
bool Animated() {
  return TemplateShowing && TemplateAnimateSize > 1;
}

void TraceIn(int32_t port, uint32_t msg, int32_t time) {
  const auto status = static_cast<uint8_t>(msg);
  if (!DiagFlags || !InTraceOn || status < 0x80 || !TraceEventReqd(status)) return;
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
  if (ClocksSourceInternal) return MidiInSyncIntEnabled;
  return MidiInSyncExtEnabled && port == ClocksExtPNo;
}

void HandleNoteOff(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const int32_t note = msg::Data1(msg);
  // The key path takes every note-off as status 8n.
  RouteKey(port, (msg & 0xFFFFFF0Fu) | 0x80u, time, false, !control);
  if (!control) return;
  if (KeyMapperShowing && note == LastLiveKey) {
    LastLiveKey = -1;
    KeyLabelsRedraw = 1;
  }
  if (Animated() && note < 128) {
    LiveNoteTable[note].Tail = 200;
    LiveNoteAnyLit = 1;
  }
}

void HandleNoteOn(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const int32_t note = msg::Data1(msg);
  const int32_t vel = msg::Data2(msg);
  if (control && KeyMapperShowing) {
    LastLiveKey = note;
    KeyModeShownPrev = KeyMode.load();
    KeyLabelsRedraw = 1;
  }
  RouteKey(port, msg, time, true, !control);
  if (!control) return;
  if (KeyMapperShowing) {
    KeyModeShown = KeyMode.load();
    KeyLabelsRedraw = 1;
  }
  if (Animated() && note < 128) {
    LiveNoteTable[note] = TNoteAnim{vel, vel, 0};
    LiveNoteAnyLit = 1;
  }
}

void HandleController(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const uint32_t number = msg::Data1(msg);
  const uint32_t value = msg::Data2(msg);
  const TKeyMode mode = KeyMode;
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
  if (number == 122 && InterpretLocalControl) {
    if (value == 0) {
      if (LocalControlOn) LocalControlOff();
    } else if (!LocalControlOn) {
      LocalControlOn = 1;
      LocalCtlDirty = 1;
    }
    return;
  }
  WriteLiveFifo(msg);
  if (number == 64 && Animated()) LiveNoteAux[msg & 0x0F] = static_cast<int32_t>(value);
}

// Pressure, program change and pitch bend.
void HandleOtherChannelMsg(int32_t port, uint32_t msg, int32_t time, bool control, bool pass) {
  if (!pass) return;
  const TKeyMode mode = KeyMode;
  if (mode == TKeyMode::Record) {
    ToRecording(port, msg, time, !control);
    return;
  }
  if (mode == TKeyMode::StepRecord && (msg & 0xF0) == 0xC0) {
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
  const auto status = static_cast<uint8_t>(msg);
  switch (status) {
    case 0xF0:
      InSysEx[port] = 1;
      break;
    case 0xF7:
      InSysEx[port] = 0;
      break;
    case 0xF8:
      if (time >= 0) HandleMidiClock(port, time);
      break;
    case 0xFA:
      HandleMidiStart(port, time);
      break;
    case 0xFB:
      if (MidiInSyncContEnabled) HandleMidiStart(port, time);
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

}  // namespace

void MidiInCallback(midi::Handle, uintptr_t instance, const midi::InMessage& m) {
  if (ProgState.load() == TProgState::Initialising) return;
  if (m.type != midi::InMsg::Data && m.type != midi::InMsg::Error) return;
  std::lock_guard lock(EngineLock);
  if (InPortsAllocated < 0) return;
  if (m.type == midi::InMsg::Error) {
    if (m.data == nullptr && m.length > 0) {
      // Messages lost because they came faster than they were taken.
      MidiInMoreData = 1;
      return;
    }
    WarnMsg.Set("MidiInCallback " + std::to_string(instance) + " Invalid MIDI msg: " + IntToHex(m.msg, 8));
    return;
  }
  if (instance >= static_cast<uintptr_t>(midi::kMaxDevs)) return;
  const int32_t port = MidiInDevs[instance].PortNo;
  if (!IsValidPort(port)) return;
  const int32_t time = IgnoreDriverTStamps ? MsClock.load() : CheckMidiInTimestamp(port, m.msg, m.timeMs);
  HandleMidiIn(port, m.msg, time);
}

int32_t CheckMidiInTimestamp(int32_t port, uint32_t msg, uint32_t t) {
  if (!IsValidPort(port)) return 0;
  const int32_t prev = LastInTimestamp[port];
  if (t > kMaxTimestamp) {
    WarnMsg.Set("MidiIn timestamp out of range");
    if (DiagFlags) {
      TraceIn(port, msg, prev);
      PostDiagMsg("MidiIn port " + std::to_string(port + 1) + " " + IntToHex(msg, 8) + ", timestamp " +
                  std::to_string(t) + " exceeds internal limit " + std::to_string(kMaxTimestamp) +
                  ", resetting to " + std::to_string(prev));
    }
    return prev;
  }
  const auto time = static_cast<int32_t>(t);
  if (time >= prev) {
    LastInTimestamp[port] = time;
    return time;
  }
  if (DiagFlags && static_cast<int64_t>(prev) - time > 2 * static_cast<int64_t>(MidiTimerRes)) {
    TraceIn(port, msg, prev);
    PostDiagMsg("MidiIn port " + std::to_string(port + 1) + " " + IntToHex(msg, 8) + ", timestamp " +
                std::to_string(t) + " earlier than prev " + std::to_string(prev) +
                ", resetting to prev (res " + std::to_string(MidiTimerRes) + ")" + "\r\n" +
                " (ignore warnings if using virtual or qwerty keyboard)");
  }
  return prev;
}

void HandleMidiIn(int32_t port, uint32_t msg, int32_t time) {
  if (!IsValidPort(port)) return;
  std::lock_guard lock(EngineLock);
  const auto status = static_cast<uint8_t>(msg);
  if (InSysEx[port]) {
    if (status == 0xF7) {
      InSysEx[port] = 0;
      return;
    }
    if (status < 0x80) return;
    if (status == 0xFA) {
      // A Start inside a SysEx dump is obeyed; the dump goes on being skipped.
      HandleSys(port, msg, time);
      return;
    }
    InSysEx[port] = 0;
  }
  if (status < 0x80) return;
  if (status >= 0xF0) {
    HandleSys(port, msg, time);
    return;
  }

  const bool control = port == 0 || (port == 1 && AuxInPortReqd);
  // The filter channels are held 0-based, as the status byte's low nibble.
  const int32_t filter = port == 0 ? MainInPortFilterChan : AuxInPortFilterChan;
  const bool pass = !control || filter < 0 || filter == static_cast<int32_t>(status & 0x0F);
  switch (status >> 4) {
    case 0x8:
      HandleNoteOff(port, msg, time, control, pass);
      TraceIn(port, msg, time);
      break;
    case 0x9:
      if (msg::Data2(msg) == 0) {
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

void HandleMidiClock(int32_t port, int32_t time) {
  if (port != ClocksExtPNo) return;
  const bool first = ExtClockLastMs < 0;
  const int64_t interval = first ? 0 : static_cast<int64_t>(time) - ExtClockLastMs;
  // The engine plays only while Running; the clock is still timed outside it for the display.
  if (!ClocksSourceInternal && ProgState.load() == TProgState::Running) {
    ExtClockTicks = static_cast<int32_t>(static_cast<uint32_t>(ExtClockTicks) + 160u);
    ExtTickCents += 16000;
    const int32_t ticks = ExtTickCents / 100;
    if (ticks >= 1) {
      TickSeq(ticks);
      ExtTickCents -= ticks * 100;
    }
  }
  ExtClockLastMs = time;
  if (first || interval < 1 || interval > INT32_MAX) return;
  ClockIntervalIdx = ClockIntervalIdx + 1 == kClockIntervals ? 0 : ClockIntervalIdx + 1;
  if (ClockIntervalCount < kClockIntervals) ++ClockIntervalCount;
  ClockIntervalSum += static_cast<int32_t>(interval) - ClockIntervals[ClockIntervalIdx];
  ClockIntervals[ClockIntervalIdx] = static_cast<int32_t>(interval);
  ExtClockAvg = static_cast<int32_t>(ClockIntervalSum / ClockIntervalCount);
}

void HandleMidiStart(int32_t port, int32_t) {
  const TKeyMode mode = KeyMode;
  if (mode != TKeyMode::Live && mode != TKeyMode::Command) return;
  if (!SyncAllowed(port)) return;
  if (DspMidiActivity) InLightOther = 1;
  if (NoSeqPlaying()) RestartBeatCount(true);
  if (mode == TKeyMode::Live) {
    // Exactly the seqs that the last MIDI Stop stopped start again.
    for (int32_t s = 0; s <= LastSeq(); ++s) {
      TPartBuf& b = SeqBuf(s);
      b.Selected = b.WasRunning;
      b.SelChanged = 1;
    }
  }
  if (MidiInHooks.ExecCommand) MidiInHooks.ExecCommand(static_cast<uint8_t>(port), 0xFA, kCmdPlay);
}

void HandleMidiStop(int32_t port, int32_t) {
  if (KeyMode != TKeyMode::Live) return;
  if (!SyncAllowed(port)) return;
  if (DspMidiActivity) InLightOther = 1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    b.WasRunning = b.SeqState != TSeqState::Stopped;
    b.Selected = 1;
    b.SelChanged = 1;
  }
  if (MidiInHooks.ExecCommand) MidiInHooks.ExecCommand(static_cast<uint8_t>(port), 0xFC, kCmdStop);
}

void LocalControlOff() {
  std::lock_guard lock(EngineLock);
  if (OutPortsAllocated >= 0) {
    // Note-offs for what the live output sounds on any channel, then the live channel's reset.
    SilenceLiveNotes();
    if (IsValidPort(LivePort)) ResetPortChannel(LivePort, LiveChan[LivePort]);
    MarkLiveProgsSent();
    ResetSeqs(false, true);
    // Playing seqs would reset their channels at their next tick, when nothing may be sent any
    // more: every marked channel is reset now, while it still can be.
    ResetSeqOutputs(true);
    InvalidateSeqProgs(true);
  }
  LocalControlOn = 0;
  LocalCtlDirty = 1;
}

void ResetExtClock() {
  std::lock_guard lock(EngineLock);
  ExtClockTicks = 0;
  ExtTickCents = 0;
  ExtClockLastMs = -1;
  ClockIntervals.fill(0);
  ClockIntervalIdx = 0;
  ClockIntervalSum = 0;
  ClockIntervalCount = 0;
  ExtClockAvg = 0;
  InSysEx.fill(0);
}

}  // namespace vel
