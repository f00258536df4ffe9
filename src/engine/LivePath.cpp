#include "engine/LivePath.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <semaphore>
#include <thread>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/MidiFifo.h"
#include "engine/MidiMsg.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using msg::Data1;
using msg::Data2;
using msg::Status;
using msg::WithNote;

bool LivePortValid() {
  return IsValidPort(LivePort);
}

bool LiveProgChangesAllowed() {
  return ProgChangesAllowed(LivePort);
}

int32_t LiveScaleNote(int32_t note) {
  return msg::ScaleNote(LiveScaleMap, LiveFtsRoot, note);
}

// Counts a note on the live output and tells whether it may be sent: a note-on always, a
// note-off only for a counted note-on. When the count cannot be had, the note goes out anyway.
bool CountLiveOutput(uint32_t msg, bool noteOn) {
  FifoLock lock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, lock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return true;
  }
  int32_t& count = LiveNoteOnCounter.Counts[Status(msg) & 0x0F][Data1(msg) & 0x7F];
  if (noteOn) {
    ++count;
    return true;
  }
  if (count <= 0) return false;
  --count;
  return true;
}

void SendLive(uint32_t msg, bool multiplierCopy) {
  if (!LivePortValid()) return;
  const bool trace = DiagFlags && OutTraceOn && TraceEventReqd(Status(msg));
  const midi::Result result = SendShortMsg(LivePort, msg, trace);
  if (multiplierCopy && result != midi::kOk && LocalControlOn && DiagFlags) {
    char text[40];
    const int n = std::snprintf(text, sizeof text, "midiOut res: %u", result);
    PostDiagMsg(std::string_view(text, static_cast<std::size_t>(n)));
  }
}

// ---- The hotkey sender -----------------------------------------------------------------------
//
// The fourth thread. It never takes EngineLock, so an X round trip holds up nothing but the next
// stroke. What it shares with the others, and how:
// - A stroke carries its key, direction and target, fixed when it is queued: the sender reads no
//   setting and no engine data.
// - HotkeyFifo, behind its own queue mutex: any thread queues (the timer thread, under EngineLock,
//   through ProcessLiveEvent); the sender takes, or without it the caller of RunQueuedHotkeyStrokes.
// - HotkeyWake counts queued strokes for the sender; HotkeyStop and HotkeySenderRunning are atomic.
// - HotkeyThread belongs to whoever starts and stops the sender (run control, on the GUI thread),
//   under HotkeyThreadMutex.
// - HotkeyIo (LivePath.h) is read by the sender without a lock: it is set only while no sender
//   runs, and the thread's start and join order those writes before and after its reads.

struct THotkeyStroke {
  uint8_t Key = 0;
  uint8_t Down = 0;
  uint8_t ToActiveWin = 0;
  keys::WindowId Target = 0;
};

TMidiFifo<THotkeyStroke, 256> HotkeyFifo;
std::counting_semaphore<1 << 20> HotkeyWake{0};
std::mutex HotkeyThreadMutex;
std::thread HotkeyThread;
std::atomic<bool> HotkeyStop{false};
// Wakes are given only while the sender runs, so the semaphore cannot count up without bound.
std::atomic<bool> HotkeySenderRunning{false};

void DoHotkeyStroke(const THotkeyStroke& s) {
  if (!s.ToActiveWin) {
    // The target window is brought forward first; when it cannot be, the stroke is dropped.
    if (HotkeyIo.ActiveWindow() != s.Target && !HotkeyIo.Activate(s.Target)) return;
  }
  HotkeyIo.SendKey(s.Key, s.Down != 0);
}

bool TakeHotkeyStroke(THotkeyStroke& s) {
  FifoLock lock;
  if (!LockFifo(HotkeyFifo.Mutex, lock)) return false;
  return HotkeyFifo.Pop(s);
}

void HotkeySenderLoop() {
  for (;;) {
    HotkeyWake.acquire();
    if (HotkeyStop.load()) return;
    THotkeyStroke s;
    if (TakeHotkeyStroke(s)) DoHotkeyStroke(s);
  }
}

}  // namespace

uint32_t AdjustLiveEvent(uint32_t msg, bool& drop, bool& mchan, bool& hotkey, bool& noteOn, bool& isNote) {
  drop = mchan = hotkey = noteOn = isNote = false;
  const uint32_t c = LivePortValid() ? static_cast<uint32_t>(LiveChan[LivePort]) & 0x0F : 0;
  const uint8_t status = Status(msg);
  const int32_t kind = status >> 4;
  switch (kind) {
    case 0x8:
    case 0x9: {
      const uint32_t vel = Data2(msg);
      // A note-on of velocity 0 is a note-off.
      noteOn = kind == 0x9 && vel > 0;
      // Silence drops new notes only: a note that sounded before the scale went to 0 still gets
      // its note-off (the count passes only note-offs of notes that went out).
      if (LiveSVel == 0 && noteOn) {
        drop = true;
        noteOn = false;
        return msg;
      }
      isNote = true;
      if (vel == 128) {
        hotkey = true;
        return msg;
      }
      mchan = LiveMChanApplies;
      if (!mchan) msg = WithNote(msg::WithChan(msg, c), LiveScaleNote(Data1(msg) + LivePitch));
      if (kind == 0x9 && Data2(msg) != 0) {
        const uint32_t out = std::min<uint32_t>(127, Data2(msg) * LiveSVel / 5);
        msg = (msg & 0x0000FFFFu) | (out << 16);
      }
      return msg;
    }
    case 0xA:
    case 0xD:
      if (LiveSVel == 0) {
        drop = true;
        return msg;
      }
      return msg::WithChan(msg, c);
    case 0xB:
      return msg::WithChan(msg, c);
    case 0xC: {
      if (!LiveProgChangesAllowed()) {
        drop = true;
        return msg;
      }
      TChanProg& cp = PortChanProgs[LivePort][status & 0x0F];
      cp.ProgReq = cp.ProgSent = Data1(msg);
      return msg;
    }
    case 0xE:
      if (LiveSVel == 0) {
        drop = true;
        return msg;
      }
      mchan = LiveMChanApplies;
      if (!mchan) msg = msg::WithChan(msg, c);
      return msg;
    case 0xF:
      drop = true;
      return msg;
    default:
      drop = true;
      WarnUnexpectedStatus("AdjustLiveEvent", status);
      return msg;
  }
}

void ProcessLiveEvent(uint32_t msg) {
  bool drop, mchan, hotkey, noteOn, isNote;
  msg = AdjustLiveEvent(msg, drop, mchan, hotkey, noteOn, isNote);
  if (drop) return;
  // Without a live port nothing is played (and so nothing counted); hotkeys still work.
  if (!hotkey && !LivePortValid()) return;
  if (mchan) {
    const int32_t port = LivePort;
    msg::ForMChans(port, [&](int32_t k) {
      const uint32_t copy = isNote ? msg::MChanNoteCopy(msg, port, k, LivePitch, LiveScaleMap, LiveFtsRoot)
                                   : msg::WithChan(msg, k);
      if (isNote && !CountLiveOutput(copy, noteOn)) return;
      SendLive(copy, true);
      if (DspKinetrace) CountLiveNote(copy, isNote, noteOn);
    });
    if (DspMidiActivity) FlagInActivity(isNote, noteOn, false);
    return;
  }
  if (isNote && !hotkey) {
    if (!CountLiveOutput(msg, noteOn)) return;
  }
  if (!hotkey) SendLive(msg, false);
  if (DspMidiActivity) FlagInActivity(isNote, noteOn, false);
  if (DspKinetrace && !hotkey) CountLiveNote(msg, isNote, noteOn);
  if (hotkey) {
    if (DisableHotkeys) {
      WarnMsg.Set("Hotkey operation is disabled; see Settings, Behaviour");
      return;
    }
    SendHotkeyStroke(Data1(msg), noteOn);
    if (TraceHotkey) WriteDiagTraceFifo(LivePort, msg, 0);
    if (DspMidiActivity) FlagInActivity(isNote, noteOn, true);
  }
}

void QueueProgChange(int32_t chan, int32_t prog) {
  WriteLiveFifo(0xC0u | (static_cast<uint32_t>(chan) & 0x0F) | ((static_cast<uint32_t>(prog) & 0x7F) << 8));
}

void MarkLiveProgsSent() {
  if (!LiveProgChangesAllowed()) return;
  const int32_t port = LivePort;
  auto mark = [&](int32_t c) {
    TChanProg& cp = PortChanProgs[port][c];
    cp.ProgSentValid = 1;
    cp.ProgSent = cp.ProgReq;
  };
  msg::ForProgChans(port, LiveMChanApplies, LiveChan[port], mark);
}

void FlagInActivity(bool isNote, bool noteOn, bool hotkey) {
  if (!isNote) {
    InLightOther = 1;
  } else if (noteOn) {
    if (hotkey) {
      InLightHotkey = 1;
    } else {
      InLightNote = 1;
    }
  }
}

void CountLiveNote(uint32_t msg, bool isNote, bool noteOn) {
  const int32_t ch = Status(msg) & 0x0F;
  const int32_t n = Data1(msg) & 0x7F;
  if (isNote && noteOn) {
    NoteOnCounts[ch][n] = TNoteDsp{Data2(msg), Data2(msg), 0};
  } else if (isNote) {
    NoteOnCounts[ch][n].Tail = KinetraceTailTicks();
  } else if ((Status(msg) & 0xF0) == 0xB0 && Data1(msg) == 64) {
    SustainVals[ch] = Data2(msg);
  } else {
    return;
  }
  KinetraceDirty = 1;
}

void ResetNoteOnCounts() {
  for (auto& ch : NoteOnCounts) ch.fill(TNoteDsp{});
  SustainVals.fill(0);
  NoteOnCountsScroll = 49;
  KinetraceDirty = 1;
}

void SendHotkeyStroke(uint8_t key, bool down) {
  const THotkeyStroke s{key, static_cast<uint8_t>(down), HotkeysTargetActiveWin,
                        HotkeyTargetWnd.load(std::memory_order_relaxed)};
  FifoLock lock;
  if (!LockFifo(HotkeyFifo.Mutex, lock)) return;
  // A stroke that finds the queue full is dropped, as a stroke without a target window is.
  if (!HotkeyFifo.Push(s)) return;
  lock.unlock();
  if (HotkeySenderRunning.load()) HotkeyWake.release();
}

void StartHotkeySender() {
  std::lock_guard guard(HotkeyThreadMutex);
  if (HotkeyThread.joinable()) return;
  {
    // Strokes queued while no sender ran are stale.
    FifoLock lock;
    if (LockFifo(HotkeyFifo.Mutex, lock)) HotkeyFifo.Clear();
  }
  HotkeyStop = false;
  HotkeySenderRunning = true;
  HotkeyThread = std::thread(HotkeySenderLoop);
}

void StopHotkeySender() {
  // The join may wait on a stroke's round trip to the window system.
  EngineLock.AssertNotHeld();
  std::lock_guard guard(HotkeyThreadMutex);
  if (!HotkeyThread.joinable()) return;
  HotkeySenderRunning = false;
  HotkeyStop = true;
  HotkeyWake.release();
  HotkeyThread.join();
  FifoLock lock;
  if (LockFifo(HotkeyFifo.Mutex, lock)) HotkeyFifo.Clear();
  while (HotkeyWake.try_acquire()) {
  }
}

int32_t RunQueuedHotkeyStrokes() {
  int32_t n = 0;
  THotkeyStroke s;
  while (TakeHotkeyStroke(s)) {
    DoHotkeyStroke(s);
    ++n;
  }
  return n;
}

}  // namespace vel
