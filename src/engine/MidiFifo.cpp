#include "engine/MidiFifo.h"

#include <algorithm>
#include <cstdio>

#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/LivePath.h"
#include "engine/MidiIn.h"
#include "engine/MidiMsg.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

template <typename T, int32_t N>
bool WriteOne(TMidiFifo<T, N>& fifo, const T& item, std::string_view overflowText,
              std::string_view timeoutText) {
  FifoLock lock;
  if (!LockFifo(fifo.Mutex, lock)) {
    PostDiagMsg(timeoutText);
    return false;
  }
  if (fifo.Push(item)) return true;
  lock.unlock();
  Msgs.WarnMsg.Set(overflowText);
  return false;
}

// Any item is taken.
struct TAnyItem {
  constexpr bool operator()(const auto&) const { return true; }
};

// The oldest item, when takes lets it go; false when the queue is empty or it stays.
template <typename T, int32_t N, typename Takes = TAnyItem>
bool ReadOne(TMidiFifo<T, N>& fifo, T& item, std::string_view timeoutText, Takes takes = {}) {
  FifoLock lock;
  if (!LockFifo(fifo.Mutex, lock)) {
    PostDiagMsg(timeoutText);
    return false;
  }
  return fifo.Count > 0 && takes(fifo.Slots[fifo.ReadIdx]) && fifo.Pop(item);
}

// The oldest live message when it is stamped before dueBeforeNs; 0 when there is none or it is not.
template <int32_t N>
uint32_t ReadStamped(TMidiFifo<TLiveMsg, N>& fifo, int64_t& stampNs, int64_t dueBeforeNs,
                     std::string_view timeoutText) {
  TLiveMsg item;
  const bool got =
      ReadOne(fifo, item, timeoutText, [dueBeforeNs](const TLiveMsg& m) { return m.StampNs < dueBeforeNs; });
  stampNs = got ? item.StampNs : midi::kNow;
  return got ? item.Msg : 0;
}

template <typename T, int32_t N>
void ResetOne(TMidiFifo<T, N>& fifo, std::string_view timeoutText) {
  FifoLock lock;
  if (!LockFifo(fifo.Mutex, lock)) {
    PostDiagMsg(timeoutText);
    return;
  }
  fifo.Clear();
}

// The stamp of a live message written now.
TLiveMsg Stamped(uint32_t msg) {
  const int64_t in = MidiIn.InStampNs;
  return TLiveMsg{msg, in != midi::kNow ? in : midi::NowNs()};
}

}  // namespace

bool WriteLiveFifo(uint32_t msg) {
  FifoLock lock;
  if (!LockFifo(LiveFifo.Mutex, lock)) {
    PostDiagMsg("Write LiveFifo timeout; data discarded");
    return false;
  }
  if (LiveFifo.Push(Stamped(msg))) return true;
  // A queue this full means the timer has stopped taking: start again from silence, with the
  // queue emptied before any other writer gets in.
  Msgs.WarnMsg.Set("LiveFifo overflow; data discarded");
  // The counted notes get their note-offs before the counts go: the controller reset below
  // reaches the live channel only, not the rest of a multiplier range.
  SilenceLiveNotes();
  ResetLiveFifo();
  lock.unlock();
  if (RunCtl.OutPortsAllocated >= 0 && IsValidPort(RunCtl.LivePort))
    ResetPortChannel(RunCtl.LivePort, Live.Chan[RunCtl.LivePort]);
  MarkLiveProgsSent();
  return false;
}

bool WriteRawFifo(uint32_t msg) {
  return WriteOne(RawFifo, Stamped(msg), "RawFifo overflow; data discarded",
                  "Write RawFifo timeout; data discarded");
}

bool WriteLiveFifoBlock(int32_t last, const std::array<uint32_t, 8>& msgs) {
  if (last < 0 || last >= static_cast<int32_t>(msgs.size())) return false;
  FifoLock lock;
  if (!LockFifo(LiveFifo.Mutex, lock)) {
    PostDiagMsg("Write LiveFifo timeout; data discarded");
    return false;
  }
  std::array<TLiveMsg, 8> items;
  for (int32_t i = 0; i <= last; ++i) items[i] = Stamped(msgs[i]);
  if (LiveFifo.PushAll(items.data(), last + 1)) return true;
  lock.unlock();
  Msgs.WarnMsg.Set("LiveFifo overflow; data discarded");
  return false;
}

uint32_t ReadLiveFifo(int64_t& stampNs, int64_t dueBeforeNs) {
  return ReadStamped(LiveFifo, stampNs, dueBeforeNs, "Read LiveFifo timeout");
}

uint32_t ReadRawFifo(int64_t& stampNs, int64_t dueBeforeNs) {
  return ReadStamped(RawFifo, stampNs, dueBeforeNs, "Read RawFifo timeout");
}

uint32_t ReadLiveFifo() {
  int64_t stamp = 0;
  return ReadLiveFifo(stamp);
}

uint32_t ReadRawFifo() {
  int64_t stamp = 0;
  return ReadRawFifo(stamp);
}

namespace {

// Note-offs on the live port for the counted notes of channels lo..hi, whose counts go to 0.
bool SilenceLiveChans(int32_t lo, int32_t hi) {
  uint16_t chans = 0;
  for (int32_t ch = std::max(lo, 0); ch <= std::min(hi, kChans - 1); ++ch)
    chans |= static_cast<uint16_t>(1u << ch);
  return SilenceLiveChansOn(RunCtl.LivePort, chans);
}

// Where the counted live notes sound: the port they went out on, else the live port.
int32_t LiveNotesPort() {
  return IsValidPort(Live.NotesPort) ? Live.NotesPort : RunCtl.LivePort;
}

}  // namespace

bool SilenceLiveChansOn(int32_t port, uint16_t chans) {
  if (!IsValidPort(port) || chans == 0) return true;
  FifoLock lock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, lock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return true;
  }
  const bool trace = TraceEventReqd(0x80);
  for (int32_t note = 0; note < 128; ++note) {
    for (int32_t ch = 0; ch < kChans; ++ch) {
      if (!(chans & (1u << ch))) continue;
      int32_t& count = LiveNoteOnCounter.Counts[ch][note];
      const uint32_t off = midi::TShortMsg::Pack(0x80, note, 0).WithChannel(ch).Raw;
      // A full queue takes more once the device has sent some: the note still sounds, so it
      // stays counted. Any other failure will not mend by waiting.
      for (; count >= 1; --count)
        if (SendShortMsg(port, off, trace) == midi::kErrQueueFull) return false;
    }
  }
  return true;
}

bool SilenceLiveNotes() {
  // Where the notes went out: after a move of the live port they may still sound on the old one.
  return SilenceLiveChansOn(LiveNotesPort(), static_cast<uint16_t>((1u << kChans) - 1));
}

void ForgetSilencedLiveNotes(int32_t port, uint32_t msg) {
  const midi::TShortMsg m{msg};
  const bool all = m.Status() == 0xFF;
  if (!all && !m.IsController(0x7B) && !m.IsController(0x78)) return;
  if (port != LiveNotesPort()) return;
  FifoLock lock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, lock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return;
  }
  if (all) {
    for (auto& channel : LiveNoteOnCounter.Counts) channel.fill(0);
  } else {
    LiveNoteOnCounter.Counts[m.Channel()].fill(0);
  }
}

void FlushLiveFifo() {
  {
    FifoLock lock;
    if (LockFifo(LiveFifo.Mutex, lock)) {
      TLiveMsg item;
      while (LiveFifo.Pop(item)) ProcessLiveEvent(item.Msg, item.StampNs);
    } else {
      PostDiagMsg("Flush LiveFifo timeout");
    }
  }
  // Silence what is still sounding, even when the queue could not be had: the live channel as
  // notes went out on it (AdjustLiveEvent keeps its low four bits), or the multiplier range.
  if (IsValidPort(RunCtl.LivePort)) {
    const int32_t port = RunCtl.LivePort;
    if (Live.MChanApplies) {
      SilenceLiveChans(msg::MChanLo(port), msg::MChanHi(port));
    } else {
      SilenceLiveChans(Live.Chan[port] & 0x0F, Live.Chan[port] & 0x0F);
    }
  }
  if (Cfg.DspKinetrace) ResetNoteOnCounts();
}

void WriteDiagTraceFifo(int32_t port, uint32_t msg, int32_t time) {
  if (!Trace.DiagFlags) return;
  WriteOne(DiagTraceFifo, TTraceEvent{port, time, msg}, "DiagTraceFifo overlow; data discarded",
           "Write DiagTraceFifo timeout; data discarded");
}

void PostDiagMsg(std::string_view text) {
  if (!Trace.DiagFlags) return;
  FifoLock lock;
  // This queue cannot report on itself: its faults go to the warning text.
  if (!LockFifo(DiagMsgsFifo.Mutex, lock)) {
    Msgs.WarnMsg.Set("Write DiagMsgsFifo timeout; data discarded");
    return;
  }
  TDiagMsg slot;
  slot.Set(text);
  if (DiagMsgsFifo.Push(slot)) return;
  lock.unlock();
  Msgs.WarnMsg.Set("DiagMsgsFifo overflow; data discarded");
}

bool ReadDiagTraceFifo(TTraceEvent& event) {
  return ReadOne(DiagTraceFifo, event, "Read DiagTraceFifo timeout");
}

bool ReadDiagMsgsFifo(std::string& text) {
  FifoLock lock;
  if (!LockFifo(DiagMsgsFifo.Mutex, lock)) {
    Msgs.WarnMsg.Set("Read DiagMsgsFifo timeout");
    return false;
  }
  TDiagMsg slot;
  if (!DiagMsgsFifo.Pop(slot)) return false;
  text = slot.Get();
  return true;
}

void ResetLiveFifo() {
  FifoLock lock;
  if (!LockFifo(LiveFifo.Mutex, lock)) {
    PostDiagMsg("Reset LiveFifo timeout");
    return;
  }
  LiveFifo.Clear();
  FifoLock countLock;
  if (!LockFifo(LiveNoteOnCounter.Mutex, countLock)) {
    PostDiagMsg("LiveNoteOnCounter access timeout");
    return;
  }
  for (auto& channel : LiveNoteOnCounter.Counts) channel.fill(0);
}

void ResetRawFifo() {
  ResetOne(RawFifo, "Reset RawFifo timeout");
}

void ResetDiagTraceFifo() {
  ResetOne(DiagTraceFifo, "Reset DiagTraceFifo timeout");
}

void ResetDiagMsgsFifo() {
  FifoLock lock;
  if (!LockFifo(DiagMsgsFifo.Mutex, lock)) {
    Msgs.WarnMsg.Set("Reset DiagMsgsFifo timeout");
    return;
  }
  DiagMsgsFifo.Clear();
}

void ResetMidiInBuffer() {
  MidiIn.MidiInBuffer.fill(TMidiInEntry{});
  MidiIn.MidiInBufferLast = -1;
}

}  // namespace vel
