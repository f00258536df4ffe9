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
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using midi::TShortMsg;
using msg::WithNote;

bool LivePortValid() {
  return IsValidPort(RunCtl.LivePort);
}

bool LiveProgChangesAllowed() {
  return ProgChangesAllowed(RunCtl.LivePort);
}

int32_t LiveScaleNote(int32_t note) {
  return msg::ScaleNote(Live.ScaleMap, Live.FtsRoot, note);
}

// Counts a note on the live output and tells whether it may be sent: a note-on always, a
// note-off only for a counted note-on. When the count cannot be had, the note goes out anyway.
bool CountLiveOutput(uint32_t msg, bool noteOn) {
  FifoLock lock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, lock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return true;
  }
  const TShortMsg m{msg};
  int32_t& count = LiveNoteOnCounter.Counts[m.Channel()][m.Data1() & 0x7F];
  if (noteOn) {
    ++count;
    return true;
  }
  if (count <= 0) return false;
  --count;
  return true;
}

// A counted note the output did not take: a note-on that never sounded, a note-off that ended
// nothing.
void UncountLiveOutput(uint32_t msg, bool noteOn) {
  FifoLock lock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, lock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return;
  }
  const TShortMsg m{msg};
  int32_t& count = LiveNoteOnCounter.Counts[m.Channel()][m.Data1() & 0x7F];
  if (noteOn) {
    if (count > 0) --count;
  } else {
    ++count;
  }
}

midi::Result SendLive(uint32_t msg, bool multiplierCopy) {
  if (!LivePortValid()) return midi::kErrInvalidHandle;
  const bool trace = Trace.DiagFlags && Trace.OutTraceOn && TraceEventReqd(TShortMsg{msg}.Status());
  const midi::Result result = SendShortMsg(RunCtl.LivePort, msg, trace);
  const TShortMsg m{msg};
  if (result == midi::kOk && m.IsNoteOn()) {
    if (Live.NotesPort != RunCtl.LivePort) ReleaseMovedLiveOutput();
    Live.NotesPort = RunCtl.LivePort;
    Live.NoteChans |= static_cast<uint16_t>(1u << m.Channel());
  }
  if (result == midi::kOk && m.IsController(0x40)) {
    uint16_t& down = Live.PedalsDown[RunCtl.LivePort];
    const uint16_t bit = static_cast<uint16_t>(1u << m.Channel());
    down = m.Data2() >= 64 ? down | bit : down & static_cast<uint16_t>(~bit);
  }
  if (multiplierCopy && result != midi::kOk && PlayCycle.LocalControlOn && Trace.DiagFlags) {
    char text[40];
    const int n = std::snprintf(text, sizeof text, "midiOut res: %u", result);
    PostDiagMsg(std::string_view(text, static_cast<std::size_t>(n)));
  }
  return result;
}

// A counted note to the live output, its count kept true to what the output took.
void SendLiveNote(uint32_t msg, bool noteOn, bool multiplierCopy) {
  if (SendLive(msg, multiplierCopy) != midi::kOk) UncountLiveOutput(msg, noteOn);
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

// A note on the live channel, pitched and scaled, at the live velocity; a hotkey note as it came.
uint32_t AdjustLiveNote(uint32_t msg, uint32_t c, bool& drop, bool& mchan, bool& hotkey, bool& noteOn,
                        bool& isNote) {
  const TShortMsg m{msg};
  noteOn = m.IsNoteOn();
  // Silence drops new notes only: a note that sounded before the scale went to 0 still gets
  // its note-off (the count passes only note-offs of notes that went out).
  if (Live.SVel == 0 && noteOn) {
    drop = true;
    noteOn = false;
    return msg;
  }
  isNote = true;
  if (m.IsHotkey()) {
    hotkey = true;
    return msg;
  }
  mchan = Live.MChanApplies;
  if (!mchan) msg = WithNote(m.WithChannel(c).Raw, LiveScaleNote(m.Data1() + Live.Pitch));
  const TShortMsg adj{msg};
  if (adj.IsNoteOn()) {
    const uint32_t out = std::min<uint32_t>(127, adj.Data2() * Live.SVel / 5);
    msg = TShortMsg::Pack(adj.Status(), adj.Data1(), out).Raw;
  }
  return msg;
}

}  // namespace

uint32_t AdjustLiveEvent(uint32_t msg, bool& drop, bool& mchan, bool& hotkey, bool& noteOn, bool& isNote) {
  drop = mchan = hotkey = noteOn = isNote = false;
  const uint32_t c = LivePortValid() ? static_cast<uint32_t>(Live.Chan[RunCtl.LivePort]) & 0x0F : 0;
  const TShortMsg m{msg};
  switch (m.Kind()) {
    case 0x8:
    case 0x9:
      return AdjustLiveNote(msg, c, drop, mchan, hotkey, noteOn, isNote);
    case 0xA:
    case 0xD:
      if (Live.SVel == 0) {
        drop = true;
        return msg;
      }
      return m.WithChannel(c).Raw;
    case 0xB:
      return m.WithChannel(c).Raw;
    case 0xC: {
      if (!LiveProgChangesAllowed()) {
        drop = true;
        return msg;
      }
      TChanProg& cp = PlayCycle.PortChanProgs[RunCtl.LivePort][m.Channel()];
      cp.ProgReq = cp.ProgSent = m.Data1();
      return msg;
    }
    case 0xE:
      if (Live.SVel == 0) {
        drop = true;
        return msg;
      }
      mchan = Live.MChanApplies;
      if (!mchan) msg = m.WithChannel(c).Raw;
      return msg;
    case 0xF:
      drop = true;
      return msg;
    default:
      drop = true;
      WarnUnexpectedStatus("AdjustLiveEvent", m.Status());
      return msg;
  }
}

namespace {

void ProcessLiveEventNow(uint32_t msg);

}  // namespace

void ProcessLiveEvent(uint32_t msg, int64_t stampNs) {
  // A flush from within a seq's send keeps that send's stamp for what follows it.
  const int64_t outer = PlayCycle.SendDueNs;
  PlayCycle.SendDueNs = stampNs;
  ProcessLiveEventNow(msg);
  PlayCycle.SendDueNs = outer;
}

namespace {

// Through the channel multiplier: a copy on each of the live port's multiplied channels.
void SendLiveToMChans(uint32_t msg, bool isNote, bool noteOn) {
  const int32_t port = RunCtl.LivePort;
  msg::ForMChans(port, [&](int32_t k) {
    const uint32_t copy = isNote ? msg::MChanNoteCopy(msg, port, k, Live.Pitch, Live.ScaleMap, Live.FtsRoot)
                                 : TShortMsg{msg}.WithChannel(k).Raw;
    if (isNote && !CountLiveOutput(copy, noteOn)) return;
    if (isNote) {
      SendLiveNote(copy, noteOn, true);
    } else {
      SendLive(copy, true);
    }
    if (Cfg.DspKinetrace) CountLiveNote(copy, isNote, noteOn);
  });
  if (Cfg.DspMidiActivity) FlagInActivity(isNote, noteOn, false);
}

// A hotkey note plays nothing: it becomes a key stroke for the window it names.
void SendLiveHotkey(uint32_t msg, bool isNote, bool noteOn) {
  if (Cfg.DspMidiActivity) FlagInActivity(isNote, noteOn, false);
  if (Cfg.DisableHotkeys) {
    Msgs.WarnMsg.Set("Hotkey operation is disabled; see Settings, Behaviour");
    return;
  }
  SendHotkeyStroke(TShortMsg{msg}.Data1(), noteOn);
  if (Trace.TraceHotkey) WriteDiagTraceFifo(RunCtl.LivePort, msg, 0);
  if (Cfg.DspMidiActivity) FlagInActivity(isNote, noteOn, true);
}

void ProcessLiveEventNow(uint32_t msg) {
  bool drop, mchan, hotkey, noteOn, isNote;
  msg = AdjustLiveEvent(msg, drop, mchan, hotkey, noteOn, isNote);
  if (drop) return;
  // Without a live port nothing is played (and so nothing counted); hotkeys still work.
  if (hotkey) {
    SendLiveHotkey(msg, isNote, noteOn);
    return;
  }
  if (!LivePortValid()) return;
  if (mchan) {
    SendLiveToMChans(msg, isNote, noteOn);
    return;
  }
  if (isNote && !CountLiveOutput(msg, noteOn)) return;
  if (isNote) {
    SendLiveNote(msg, noteOn, false);
  } else {
    SendLive(msg, false);
  }
  if (Cfg.DspMidiActivity) FlagInActivity(isNote, noteOn, false);
  if (Cfg.DspKinetrace) CountLiveNote(msg, isNote, noteOn);
}

}  // namespace

void ReleaseMovedLiveOutput() {
  const bool trace = Trace.DiagFlags && Trace.OutTraceOn && TraceEventReqd(0xB0);
  for (int32_t p = 0; p < kPorts; ++p) {
    uint16_t left = Live.PedalsDown[p];
    if (left == 0) continue;
    if (p == RunCtl.LivePort) left &= static_cast<uint16_t>(~(1u << (Live.Chan[p] & 0x0F)));
    for (int32_t c = 0; c < kChans; ++c)
      if (left & (1u << c)) SendShortMsg(p, TShortMsg::Pack(0xB0, 0x40, 0).WithChannel(c).Raw, trace);
    Live.PedalsDown[p] &= static_cast<uint16_t>(~left);
  }
  if (Live.NoteChans == 0) return;
  uint16_t inForce = 0;
  if (Live.NotesPort == RunCtl.LivePort && LivePortValid()) {
    const int32_t port = RunCtl.LivePort;
    if (Live.MChanApplies) {
      msg::ForMChans(port, [&](int32_t c) { inForce |= static_cast<uint16_t>(1u << c); });
    } else {
      inForce = static_cast<uint16_t>(1u << (Live.Chan[port] & 0x0F));
    }
  }
  const uint16_t left = Live.NoteChans & static_cast<uint16_t>(~inForce);
  if (left == 0) return;
  // What a full queue refused stays counted and marked, for the next tick to send.
  if (SilenceLiveChansOn(Live.NotesPort, left)) Live.NoteChans &= static_cast<uint16_t>(~left);
}

void QueueProgChange(int32_t chan, int32_t prog) {
  WriteLiveFifo(TShortMsg::Pack(0xC0, static_cast<uint32_t>(prog) & 0x7F, 0).WithChannel(chan).Raw);
}

void MarkLiveProgsSent() {
  if (!LiveProgChangesAllowed()) return;
  const int32_t port = RunCtl.LivePort;
  auto mark = [&](int32_t c) {
    TChanProg& cp = PlayCycle.PortChanProgs[port][c];
    cp.ProgSentValid = 1;
    cp.ProgSent = cp.ProgReq;
  };
  msg::ForProgChans(port, Live.MChanApplies, Live.Chan[port], mark);
}

void FlagInActivity(bool isNote, bool noteOn, bool hotkey) {
  if (!isNote) {
    Live.InLightOther = 1;
  } else if (noteOn) {
    if (hotkey) {
      Live.InLightHotkey = 1;
    } else {
      Live.InLightNote = 1;
    }
  }
}

void CountLiveNote(uint32_t msg, bool isNote, bool noteOn) {
  const TShortMsg m{msg};
  const int32_t ch = m.Channel();
  const int32_t n = m.Data1() & 0x7F;
  if (isNote && noteOn) {
    PlayCycle.NoteOnCounts[ch][n] = TNoteDsp{m.Data2(), m.Data2(), 0};
  } else if (isNote) {
    PlayCycle.NoteOnCounts[ch][n].Tail = KinetraceTailTicks();
  } else if (m.IsController(64)) {
    PlayCycle.SustainVals[ch] = m.Data2();
  } else {
    return;
  }
  PlayCycle.KinetraceDirty = 1;
}

void ResetNoteOnCounts() {
  for (auto& ch : PlayCycle.NoteOnCounts) ch.fill(TNoteDsp{});
  PlayCycle.SustainVals.fill(0);
  PlayCycle.NoteOnCountsScroll = 49;
  PlayCycle.KinetraceDirty = 1;
}

void SendHotkeyStroke(uint8_t key, bool down) {
  const THotkeyStroke s{key, static_cast<uint8_t>(down), Cfg.HotkeysTargetActiveWin,
                        Live.HotkeyTargetWnd.load(std::memory_order_relaxed)};
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
