#pragma once
// The inter-thread queues. LiveFifo and RawFifo carry live input to the timer thread;
// DiagTraceFifo and DiagMsgsFifo carry diagnostics from any thread to the GUI thread. Each is a
// fixed ring behind its own re-entrant timed mutex (a LiveFifo overflow empties the queue while
// the writer still holds it); no wait lasts longer than 100 ms, and no write allocates, so the
// timer thread may use every one of them.
//
// Lock order: LiveFifo, then LiveNoteOnCounter, then DiagTraceFifo or DiagMsgsFifo. A diagnostic
// post never takes another lock.
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/Sizes.h"
#include "platform/midi/Midi.h"

namespace vel {

constexpr std::chrono::milliseconds kFifoWait{100};

// A re-entrant mutex with a timed wait. Built on a plain mutex and a condition variable rather
// than std::recursive_timed_mutex, whose timed wait the thread sanitizer cannot follow.
class FifoMutex {
 public:
  void lock() {
    std::unique_lock guard(state_);
    if (Reenter()) return;
    free_.wait(guard, [this] { return depth_ == 0; });
    Take();
  }
  bool try_lock() {
    std::lock_guard guard(state_);
    if (Reenter()) return true;
    if (depth_ != 0) return false;
    Take();
    return true;
  }
  template <class Rep, class Period>
  bool try_lock_for(const std::chrono::duration<Rep, Period>& wait) {
    std::unique_lock guard(state_);
    if (Reenter()) return true;
    if (!free_.wait_for(guard, wait, [this] { return depth_ == 0; })) return false;
    Take();
    return true;
  }
  void unlock() {
    {
      std::lock_guard guard(state_);
      if (--depth_ > 0) return;
      owner_ = std::thread::id();
    }
    free_.notify_one();
  }

 private:
  bool Reenter() {
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
    ++depth_;
    return true;
  }
  void Take() {
    owner_ = std::this_thread::get_id();
    depth_ = 1;
  }

  std::mutex state_;
  std::condition_variable free_;
  std::thread::id owner_;
  int depth_ = 0;
};

using FifoLock = std::unique_lock<FifoMutex>;

// Waits for the mutex at most kFifoWait; false on time-out.
inline bool LockFifo(FifoMutex& mutex, FifoLock& lock) {
  lock = FifoLock(mutex, std::defer_lock);
  return lock.try_lock_for(kFifoWait);
}

template <typename T, int32_t N>
struct TMidiFifo {
  static constexpr int32_t kSlots = N;
  // One slot stays free, so equal indices always mean empty.
  static constexpr int32_t kMaxFill = N - 1;

  FifoMutex Mutex;
  int32_t WriteIdx = 0;
  int32_t ReadIdx = 0;
  int32_t Count = 0;
  int32_t HighWater = 0;
  std::array<T, N> Slots{};

  // The members below expect the mutex held.

  // Stores the item; false (and nothing stored) when the queue is full.
  bool Push(const T& item) {
    if (Count >= kMaxFill) return false;
    Store(item);
    HighWater = std::max(HighWater, Count);
    return true;
  }
  // Stores all n items or, when they do not all fit, none.
  bool PushAll(const T* items, int32_t n) {
    if (n < 0 || Count + n > kMaxFill) return false;
    for (int32_t i = 0; i < n; ++i) Store(items[i]);
    HighWater = std::max(HighWater, Count);
    return true;
  }
  // Takes the oldest item; false when the queue is empty.
  bool Pop(T& item) {
    if (ReadIdx == WriteIdx) return false;
    item = Slots[ReadIdx];
    --Count;
    ReadIdx = ReadIdx + 1 == N ? 0 : ReadIdx + 1;
    return true;
  }
  // The oldest message alone, without its stamp.
  template <typename U>
  requires requires(const T& t) { U(t.Msg); }
  bool Pop(U& msg) {
    T item;
    if (!Pop(item)) return false;
    msg = item.Msg;
    return true;
  }
  void Clear() { WriteIdx = ReadIdx = Count = 0; }

 private:
  void Store(const T& item) {
    Slots[WriteIdx] = item;
    ++Count;
    WriteIdx = WriteIdx + 1 == N ? 0 : WriteIdx + 1;
  }
};

// One traced MIDI event.
struct TTraceEvent {
  int32_t Port = 0;  // output or input port 0..8, shown + 1
  int32_t Time = 0;  // 0 from output paths, the time stamp from input paths
  uint32_t Msg = 0;  // packed short message
};

// One diagnostic line in a fixed slot; longer lines are cut.
struct TDiagMsg {
  static constexpr std::size_t kCapacity = 254;
  uint8_t Length = 0;
  std::array<char, kCapacity> Text{};

  void Set(std::string_view text) {
    Length = static_cast<uint8_t>(std::min(text.size(), kCapacity));
    std::copy_n(text.data(), Length, Text.data());
  }
  std::string Get() const { return std::string(Text.data(), Length); }
};

// One live message and the time it came in on the MIDI layer's clock, which the output keeps.
struct TLiveMsg {
  uint32_t Msg = 0;
  int64_t StampNs = midi::kNow;
};

inline TMidiFifo<TLiveMsg, 1000> LiveFifo;
inline TMidiFifo<TLiveMsg, 1000> RawFifo;
inline TMidiFifo<TTraceEvent, 1000> DiagTraceFifo;
inline TMidiFifo<TDiagMsg, 150> DiagMsgsFifo;

// Notes sounding on the live output, per channel and note, so that FlushLiveFifo can silence
// them and no note-off goes out without its note-on. A synth stacks note-ons of one key, so a
// count is the note-ons the output took and no note-off has matched yet; what the synth is told
// to silence (ForgetSilencedLiveNotes) is no longer counted.
struct TNoteOnCounter {
  FifoMutex Mutex;
  std::array<std::array<int32_t, 128>, kChans> Counts{};
};
inline TNoteOnCounter LiveNoteOnCounter;

// Append one packed message, stamped with the input time of the message being handled
// (MidiIn.InStampNs), else with now; false when it was dropped (overflow or time-out). A LiveFifo
// overflow also empties LiveFifo and resets the live output's channel, which is engine data: the
// writers (the MIDI-in path, the live commands) hold EngineLock.
bool WriteLiveFifo(uint32_t msg);
bool WriteRawFifo(uint32_t msg);
// Appends msgs[0..last] (last 0..7) under one lock hold: all of them, or none when they do not
// all fit.
bool WriteLiveFifoBlock(int32_t last, const std::array<uint32_t, 8>& msgs);
// The oldest message, or 0 when the queue is empty; with its time stamp. Given dueBeforeNs, only
// a message stamped before it is taken (0 and the message stays otherwise).
uint32_t ReadLiveFifo();
uint32_t ReadRawFifo();
uint32_t ReadLiveFifo(int64_t& stampNs, int64_t dueBeforeNs = INT64_MAX);
uint32_t ReadRawFifo(int64_t& stampNs, int64_t dueBeforeNs = INT64_MAX);
// Plays every waiting live message now, then sends a note-off for every note still counted on
// the live output. Called before the live port, channel, program, pitch or scale changes.
void FlushLiveFifo();
// Sends a note-off on the live port for every note counted as sounding, on any channel, each
// count going down as the output takes its note-off. Takes LiveNoteOnCounter only. False when the
// output's queue was full: what it refused stays counted, for a later call to send.
bool SilenceLiveNotes();
// The same on output port `port` for the channels of the mask (bit c for channel c).
bool SilenceLiveChansOn(int32_t port, uint16_t chans);
// A message output port `port` took: where the live notes sound, an All Notes Off or All Sound
// Off ends the counts of its channel and a system reset those of every channel.
void ForgetSilencedLiveNotes(int32_t port, uint32_t msg);

// Appends one traced event; only while diagnostics are on.
void WriteDiagTraceFifo(int32_t port, uint32_t msg, int32_t time);
// Queues one diagnostic line from any thread; only while diagnostics are on.
void PostDiagMsg(std::string_view text);
// The diagnostics drain (GUI thread): the oldest entry; false when there is none.
bool ReadDiagTraceFifo(TTraceEvent& event);
bool ReadDiagMsgsFifo(std::string& text);

// Each empties its queue; ResetLiveFifo also clears the live note-on counts.
void ResetLiveFifo();
void ResetRawFifo();
void ResetDiagTraceFifo();
void ResetDiagMsgsFifo();
// Empties the recent-input buffer (MidiIn.h).
void ResetMidiInBuffer();

}  // namespace vel
