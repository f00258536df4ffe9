#pragma once
// The other end of every JACK connection in the end-to-end tests and the benchmarks: a libjack
// client "peer" with a MIDI input "in", which records what arrives with its frame and time, and a
// MIDI output "out", which plays what the caller queues. Also the few helpers both sides use to
// wait for the server and find the peer's ports among our devices.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi/Midi.h"
#include "platform/midi/PortSync.h"
#include "platform/midi/SpscRing.h"

namespace vel::test {

// Whether a client can connect to the server JACK_DEFAULT_SERVER names.
inline bool ServerAnswers() {
  jack_status_t st{};
  jack_client_t* c = jack_client_open("probe", JackNoStartServer, &st);
  if (!c) return false;
  jack_client_close(c);
  return true;
}

// Polls pred until it holds or the time is up. The bound only ends a wait for what will never
// come: a busy machine may take many seconds over what an idle one does at once.
template <class Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(60),
               std::chrono::microseconds poll = std::chrono::milliseconds(1)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(poll);
  }
  return true;
}

// Index of the listed input or output device of that name, -1 when there is none.
inline int DevIndex(bool input, const std::string& name) {
  const int n = input ? midi::InDevCount() : midi::OutDevCount();
  std::string s;
  for (int i = 0; i < n; ++i) {
    if ((input ? midi::InDevName(i, s) : midi::OutDevName(i, s)) == midi::kOk && s == name) return i;
  }
  return -1;
}
inline int InIndex(const std::string& name) {
  return DevIndex(true, name);
}
inline int OutIndex(const std::string& name) {
  return DevIndex(false, name);
}

class Peer {
 public:
  struct Event {
    uint32_t frame;         // absolute frame it arrived at
    uint64_t timeUs;        // that frame as JACK time
    uint64_t cycleStartUs;  // the start of the cycle it came in
    uint32_t length;
    std::array<uint8_t, 256> bytes;  // the first of them
    std::vector<uint8_t> Bytes() const {
      return {bytes.begin(), bytes.begin() + std::min<std::size_t>(length, bytes.size())};
    }
  };
  // Arrivals kept: the latest this many, At() counting from the first ever.
  static constexpr std::size_t kKeep = 4096;
  static constexpr int kMaxExtra = 4;

  // Queued messages go out spacing frames apart from frame 0 of a cycle, as many as the cycle
  // holds; spacing 0 puts all that fit the port's buffer at frame 0.
  explicit Peer(uint32_t spacing = 4) : spacing_(spacing) {}
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;
  ~Peer() { Close(); }

  // Opens the client with "in", "out" and further outputs of the given names (registered before
  // "in" and "out" when extrasFirst, so that the server's order differs).
  bool Open(std::string& why, const std::vector<std::string>& extraOutputs = {}, bool extrasFirst = false) {
    events_.resize(kKeep);
    jack_status_t status{};
    client_ =
        jack_client_open("peer", static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), &status);
    if (!client_) {
      why = "peer client could not connect (JACK status " + std::to_string(status) + ")";
      return false;
    }
    bool ok = true;
    if (extrasFirst) {
      for (const auto& n : extraOutputs) ok = AddOutput(n) && ok;
    }
    in_ = Register("in", JackPortIsInput);
    out_ = Register("out", JackPortIsOutput);
    if (!extrasFirst) {
      for (const auto& n : extraOutputs) ok = AddOutput(n) && ok;
    }
    if (!ok || !in_ || !out_ || jack_set_process_callback(client_, &Peer::Process, this) != 0 ||
        jack_set_xrun_callback(client_, &Peer::Xrun, this) != 0 || jack_activate(client_) != 0) {
      why = "peer ports could not be set up";
      return false;
    }
    return true;
  }

  void Close() {
    if (client_) jack_client_close(client_);
    client_ = nullptr;
  }

  // A further output that only ever sends nothing; also while the client runs.
  bool AddOutput(const std::string& name) {
    const int n = extraCount_.load();
    if (n == kMaxExtra) return false;
    jack_port_t* p = Register(name.c_str(), JackPortIsOutput);
    if (!p) return false;
    extra_[n] = p;
    extraCount_.store(n + 1);
    return true;
  }

  jack_client_t* Client() const { return client_; }
  jack_port_t* In() const { return in_; }
  jack_port_t* Out() const { return out_; }

  // One thread only: the ring has one producer.
  bool Queue(const uint8_t* m, uint32_t n) { return ring_.Push(m, n, 0); }
  bool Queue(const std::vector<uint8_t>& m) { return Queue(m.data(), static_cast<uint32_t>(m.size())); }
  // A message to go out at an absolute frame (the next cycle's start when that frame is past), in
  // the order queued: frames must not decrease. One thread only.
  bool QueueAtFrame(uint32_t frame, const std::vector<uint8_t>& m) {
    return timed_.Push(m.data(), static_cast<uint32_t>(m.size()), frame);
  }
  // Goes out at that frame of the next cycle (not before what was queued before it).
  bool QueueAt(const std::vector<uint8_t>& m, uint32_t frame) {
    return ring_.Push(m.data(), static_cast<uint32_t>(m.size()), int64_t{frame} + 1);
  }

  std::size_t Count() const { return count_.load(std::memory_order_acquire); }
  const Event& At(std::size_t i) const { return events_[i % kKeep]; }
  bool WaitCount(std::size_t n) {
    return WaitUntil([&] { return Count() >= n; });
  }
  // The real-time priority of the process callback, as the server gives its clients (0: none, -1:
  // no cycle yet).
  int ProcessPriority() const { return priority_.load(); }
  // Cycles the server reported late or broken off so far: a busy machine's, in which MIDI may
  // come late or be lost on its way.
  int Xruns() const { return xruns_.load(); }
  uint32_t FrameTime() const { return jack_frame_time(client_); }

 private:
  jack_port_t* Register(const char* name, unsigned long flags) {
    return jack_port_register(client_, name, JACK_DEFAULT_MIDI_TYPE, flags, 0);
  }

  static int Process(jack_nframes_t nframes, void* arg) {
    static_cast<Peer*>(arg)->RunCycle(nframes);
    return 0;
  }

  static int Xrun(void* arg) {
    ++static_cast<Peer*>(arg)->xruns_;
    return 0;
  }

  void RunCycle(jack_nframes_t nframes) {
    int policy = SCHED_OTHER;
    sched_param sp{};
    pthread_getschedparam(pthread_self(), &policy, &sp);
    priority_.store(policy == SCHED_OTHER ? 0 : sp.sched_priority, std::memory_order_relaxed);
    const jack_nframes_t start = jack_last_frame_time(client_);
    const uint64_t startUs = jack_frames_to_time(client_, start);

    void* in = jack_port_get_buffer(in_, nframes);
    midi::detail::PortBufferTaken(in);
    const uint32_t n = jack_midi_get_event_count(in);
    std::size_t c = count_.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < n; ++i) {
      jack_midi_event_t ev;
      if (jack_midi_event_get(&ev, in, i) != 0 || ev.size == 0) continue;
      Event& e = events_[c % kKeep];
      e.frame = start + ev.time;
      e.timeUs = jack_frames_to_time(client_, start + ev.time);
      e.cycleStartUs = startUs;
      e.length = static_cast<uint32_t>(ev.size);
      std::memcpy(e.bytes.data(), ev.buffer, std::min<std::size_t>(ev.size, e.bytes.size()));
      ++c;
    }
    midi::detail::PortBufferDone(in);
    count_.store(c, std::memory_order_release);

    const int extras = extraCount_.load();
    for (int i = 0; i < extras; ++i) {
      void* buf = jack_port_get_buffer(extra_[i], nframes);
      midi::detail::PortBufferTaken(buf);
      jack_midi_clear_buffer(buf);
      midi::detail::PortBufferDone(buf);
    }
    void* out = jack_port_get_buffer(out_, nframes);
    midi::detail::PortBufferTaken(out);
    jack_midi_clear_buffer(out);
    std::array<uint8_t, 256> buf;
    uint32_t lastFrame = 0;
    for (uint32_t k = 0;; ++k) {
      uint32_t frame = k * spacing_;
      // A message is taken only when it can be written, so none is lost to a full buffer.
      if (frame >= nframes || jack_midi_max_event_size(out) < buf.size()) break;
      Ring::Header h;
      bool truncated = false;
      if (!ring_.Pop(buf.data(), buf.size(), h, truncated)) break;
      if (h.timeNs > 0) frame = std::min<uint32_t>(static_cast<uint32_t>(h.timeNs - 1), nframes - 1);
      frame = std::max(frame, lastFrame);
      if (!truncated) jack_midi_event_write(out, frame, buf.data(), h.length);
      lastFrame = frame;
    }
    // Timed messages due in this cycle, at their frame.
    while (jack_midi_max_event_size(out) >= pendingBytes_.size()) {
      if (!pendingValid_) {
        bool truncated = false;
        if (!timed_.Pop(pendingBytes_.data(), pendingBytes_.size(), pending_, truncated)) break;
        pendingValid_ = !truncated;
        if (!pendingValid_) continue;
      }
      const int64_t due = pending_.timeNs - static_cast<int64_t>(start);
      if (due >= static_cast<int64_t>(nframes)) break;
      const auto frame = std::max<uint32_t>(lastFrame, due > 0 ? static_cast<uint32_t>(due) : 0);
      jack_midi_event_write(out, frame, pendingBytes_.data(), pending_.length);
      lastFrame = frame;
      pendingValid_ = false;
    }
    midi::detail::PortBufferDone(out);
  }

  using Ring = midi::detail::SpscRing<1 << 16>;
  const uint32_t spacing_;
  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  std::array<jack_port_t*, kMaxExtra> extra_{};
  std::atomic<int> extraCount_{0};
  std::vector<Event> events_;
  std::atomic<std::size_t> count_{0};
  std::atomic<int> priority_{-1};
  std::atomic<int> xruns_{0};
  Ring ring_;
  // Messages for a given frame, and the one taken out of the ring but not yet due.
  Ring timed_;
  Ring::Header pending_{};
  std::array<uint8_t, 256> pendingBytes_{};
  bool pendingValid_ = false;
};

}  // namespace vel::test
