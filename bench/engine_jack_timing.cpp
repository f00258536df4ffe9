// The engine over a private JACK server (dummy driver, 48 kHz), running as the program runs: JACK
// devices opened through run control, StartRunning with the real 1 ms multimedia timer. A peer
// client plays the keyboard; what the engine sends is recorded with the frame it arrived at.
// - Live latency: the peer sends a controller at a random frame of a cycle, one at a time; the
//   time from that frame to the frame the engine's live output arrives at, and its jitter (p99 -
//   min). listener:0 takes it back on the peer itself; listener:1 on a second client that only
//   listens, so that no connection closes a loop in the JACK graph.
// - Note timing: a one-bar seq of sixteenth notes loops under the internal clock at a tempo
//   (hundredths of BPM) and a JACK period (frames). On the frames the note-ons arrive at: the
//   deviation from a least-squares grid ("lsq_"), from the ideal grid laid from the first note
//   ("first_"), and the tempo error of the fitted step against the ideal one, in ppm.
// - MIDI clock out: the intervals between clocks as the peer receives them: mean, and deviation
//   from the ideal interval (median, p99, worst); and, as for live messages, how many were placed
//   late of their frame ("clamped").
// "clock_steps" counts the steps of the engine's clock (the server's frame clock) seen in the run;
// "rt_timer" is the SCHED_FIFO priority the engine's timer took and "rt_jack" the one the server
// runs its clients' callbacks at (0: none), which the timer must not exceed.
// Figures are in ms. VELLORINE_EBENCH_MESSAGES (2000) and VELLORINE_EBENCH_SECONDS (60) shorten a
// trial run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../tests/e2e/JackPeer.h"
#include "../tests/e2e/JackServer.h"
#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyMapsFactory.h"
#include "keys/KeyPath.h"
#include "platform/MmTimer.h"
#include "platform/midi/Midi.h"

namespace {

using vel::bench::FindDev;
using vel::bench::Percentile;

using namespace std::chrono_literals;
using vel::test::JackServer;
using vel::test::Peer;
namespace midi = vel::midi;

constexpr double kRate = JackServer::kRate;
constexpr int32_t kSixteenthTicks = vel::kTicksPerQuarter / 4;

// Frames of a sixteenth at tempo (hundredths of BPM): 15 s / BPM.
double SixteenthFrames(int64_t tempo) {
  return kRate * 1500.0 / static_cast<double>(tempo);
}

long EnvOr(const char* name, long fallback, long low, long high) {
  const char* v = std::getenv(name);
  if (!v || !*v) return fallback;
  return std::clamp(std::strtol(v, nullptr, 10), low, high);
}

double FramesToMs(double frames) {
  return frames * 1000.0 / kRate;
}

// A client "listener" with one MIDI input "in" that records the first three bytes of what arrives
// and its absolute frame.
class Listener {
 public:
  struct Event {
    uint32_t frame = 0;
    uint32_t length = 0;
    std::array<uint8_t, 3> bytes{};
  };
  static constexpr std::size_t kMax = 8192;

  ~Listener() { Close(); }

  bool Open(std::string& why) {
    client_ = jack_client_open("listener", static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                               nullptr);
    if (!client_) {
      why = "listener client could not connect";
      return false;
    }
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!in_ || jack_set_process_callback(client_, &Listener::Process, this) != 0 ||
        jack_activate(client_) != 0) {
      why = "listener port could not be set up";
      return false;
    }
    return true;
  }

  void Close() {
    if (client_) jack_client_close(client_);
    client_ = nullptr;
  }

  std::size_t Count() const { return count_.load(std::memory_order_acquire); }
  const Event& At(std::size_t i) const { return events_[i % kMax]; }

 private:
  static int Process(jack_nframes_t nframes, void* arg) {
    auto* self = static_cast<Listener*>(arg);
    const jack_nframes_t start = jack_last_frame_time(self->client_);
    void* in = jack_port_get_buffer(self->in_, nframes);
    const uint32_t n = jack_midi_get_event_count(in);
    std::size_t c = self->count_.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < n; ++i) {
      jack_midi_event_t ev;
      if (jack_midi_event_get(&ev, in, i) != 0 || ev.size == 0) continue;
      Event& e = self->events_[c++ % kMax];
      e.frame = start + ev.time;
      e.length = static_cast<uint32_t>(ev.size);
      std::memcpy(e.bytes.data(), ev.buffer, std::min<std::size_t>(ev.size, e.bytes.size()));
    }
    self->count_.store(c, std::memory_order_release);
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  std::array<Event, kMax> events_{};
  std::atomic<std::size_t> count_{0};
};

// The server, the peer (and the listener) and the engine running on them: input port 1 on the
// peer's output, output port 1 on the peer's or the listener's input. Everything is undone by Stop
// or the destructor, the server last.
class EngineOverJack {
 public:
  ~EngineOverJack() { Stop(); }

  bool Start(bool withListener, std::string& why, int period = JackServer::kPeriod) {
    if (!JackServer::Installed()) {
      why = "/usr/bin/jackd is missing (install jackd2)";
      return false;
    }
    server_.period = period;
    if (!server_.Start(vel::test::ServerAnswers, why)) return false;
    peer_ = std::make_unique<Peer>();
    if (!peer_->Open(why)) return false;
    if (withListener) {
      listener_ = std::make_unique<Listener>();
      if (!listener_->Open(why)) return false;
    }
    if (midi::SelectBackend(midi::Backend::Jack) != midi::kOk) {
      why = "the JACK backend could not be selected";
      return false;
    }
    jackSelected_ = true;
    midi::Rescan();
    vel::LoadInDevNames();
    vel::LoadOutDevList();
    in_ = FindDev(vel::RunCtl.MidiInDevs, vel::RunCtl.MidiInDevsLast, "peer:out");
    out_ = FindDev(vel::RunCtl.MidiOutDevs, vel::RunCtl.MidiOutDevsLast,
                   withListener ? "listener:in" : "peer:in");
    if (in_ < 0 || out_ < 0) {
      why = "the peer's ports are not among the devices";
      return false;
    }
    vel::RunCtl.InPortDevIdx[0] = static_cast<int8_t>(in_);
    vel::RunCtl.InPortsAllocated = 0;
    vel::RunCtl.PortDevIdx[0] = static_cast<int8_t>(out_);
    vel::RunCtl.OutPortsAllocated = 0;
    vel::RunCtl.LivePort = 0;
    if (!vel::OpenInPort(in_, 0) || !vel::OpenOutPort(out_, 0)) {
      why = "the engine could not open the peer's ports";
      return false;
    }
    vel::SetProgState(vel::TProgState::Config);
    return true;
  }

  bool Run(std::string& why) {
    vel::StartRunning();
    if (vel::RunCtl.ProgState != vel::TProgState::Running || !vel::RunCtl.TimerExists) {
      why = "StartRunning did not reach Running with a timer";
      return false;
    }
    rtTimer_ = vel::mmtimer::RealTimePriority();
    // As on stage, a command comes to an engine already ticking: the first tick of a run covers
    // the period before it, so a seq started before it would begin a period in the past.
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    for (;;) {
      {
        std::lock_guard lock(vel::EngineLock);
        if (vel::Transport.TickPosNs != midi::kNow) return true;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        why = "the timer did not tick within a second";
        return false;
      }
      std::this_thread::sleep_for(1ms);
    }
  }

  void Stop() {
    if (jackSelected_) {
      vel::StopRunning();
      if (in_ >= 0) vel::CloseInPort(in_, 0, false);
      if (out_ >= 0) vel::CloseOutPort(out_, 0, false);
      vel::RunCtl.InPortDevIdx.fill(-1);
      vel::RunCtl.PortDevIdx.fill(-1);
      vel::RunCtl.InPortsAllocated = vel::RunCtl.OutPortsAllocated = -1;
      midi::SelectBackend(midi::Backend::Loopback);
      jackSelected_ = false;
    }
    in_ = out_ = -1;
    listener_.reset();
    peer_.reset();
    server_.Stop();
  }

  Peer& peer() { return *peer_; }
  Listener* listener() { return listener_.get(); }
  jack_client_t* client() { return peer_->Client(); }

  void SetCommonCounters(benchmark::State& state) {
    state.counters["rt_timer"] = rtTimer_;
    state.counters["rt_jack"] = peer_->ProcessPriority();
  }

 private:
  JackServer server_;
  std::unique_ptr<Peer> peer_;
  std::unique_ptr<Listener> listener_;
  bool jackSelected_ = false;
  int rtTimer_ = 0;  // the timer thread's real-time priority in the last run (0: none)
  int32_t in_ = -1;
  int32_t out_ = -1;
};

// The frames sends go out at, each waited for 0 to 2 cycles' pause after the last send (as pauses
// picks) until a quarter period into a cycle: the peer's callback for it has run, so what is queued
// now goes out in the next, at the random frame sentAt of it. cycle: the cycle waited in.
struct SendFrames {
  jack_client_t* c;
  std::minstd_rand pauses;
  std::minstd_rand offsets;
  uint32_t after = jack_last_frame_time(c);
  uint32_t cycle = 0;
  uint32_t sentAt = 0;

  // Waits for send i's frame; false with why once `tries` sends were made (too many of them, of
  // what, unsure) or when the cycles stopped.
  bool Next(std::size_t i, std::size_t tries, const char* what, std::string& why) {
    if (i == tries) {
      why = std::string("too many ") + what + " whose cycle was unsure";
      return false;
    }
    const auto period = static_cast<int32_t>(jack_get_buffer_size(c));
    const auto pause = static_cast<int32_t>(pauses() % 3);
    const bool inCycle = vel::test::WaitUntil(
        [&] {
          cycle = jack_last_frame_time(c);
          const auto phase = static_cast<int32_t>(jack_frame_time(c) - cycle);
          return static_cast<int32_t>(cycle - after) >= pause * period && phase >= period / 4 &&
                 phase < 3 * period / 4;
        },
        2s, 50us);
    const auto offset = static_cast<uint32_t>(offsets() % static_cast<uint32_t>(period));
    sentAt = cycle + static_cast<uint32_t>(period) + offset;
    if (!inCycle) why = "the JACK cycles stopped";
    return inCycle;
  }
  // Held up past the cycle's end, the sending thread cannot tell which cycle took the send.
  bool Sure() const { return jack_last_frame_time(c) == cycle; }
  // The send is done with: the next pause counts from here.
  void Done() { after = jack_last_frame_time(c); }
};

// Sends controllers until `messages` more latencies, in frames, are collected; false with why on
// failure. Each is queued once the cycle it leaves in is known: a quarter period into a cycle the
// peer's callback for it has run, so the controller goes out at a random frame of the next. 0 to
// 2 cycles' pause between messages varies the phase against the 1 ms timer further.
template <typename Receiver>
bool MeasureLatency(EngineOverJack& s, const Receiver& rx, std::size_t messages, std::vector<double>& frames,
                    std::size_t& unsure, std::string& why) {
  constexpr std::size_t kWarmUp = 20;
  Peer& peer = s.peer();
  jack_client_t* c = s.client();
  const uint8_t status = static_cast<uint8_t>(0xB0 | (vel::Live.Chan[0] & 0x0F));
  const std::size_t goal = frames.size() + messages;
  SendFrames at{c, std::minstd_rand(1), std::minstd_rand(2)};
  std::size_t seen = rx.Count();
  for (std::size_t i = 0; frames.size() < goal; ++i) {
    if (!at.Next(i, kWarmUp + 2 * messages, "sends", why)) return false;
    const uint32_t sentAt = at.sentAt;
    const auto value = static_cast<uint8_t>(i & 0x7F);
    // At its absolute frame: queued for "the next cycle", a peer callback running late would
    // take it into this one, a period before the frame it is measured from.
    if (!peer.QueueAtFrame(sentAt, {0xB0, 0x07, value})) {
      why = "peer queue full";
      return false;
    }
    const bool sure = at.Sure();
    bool back = false;
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!back && std::chrono::steady_clock::now() < deadline) {
      for (; !back && seen < rx.Count(); ++seen) {
        const auto& e = rx.At(seen);
        if (e.length != 3 || e.bytes[0] != status || e.bytes[1] != 0x07 || e.bytes[2] != value) continue;
        const auto latency = static_cast<int32_t>(e.frame - sentAt);
        if (i >= kWarmUp) {
          if (sure && latency >= 0) {
            frames.push_back(latency);
          } else {
            ++unsure;
          }
        }
        back = true;
      }
      if (!back) std::this_thread::sleep_for(50us);
    }
    if (!back) {
      // A cycle our client did not run loses what came in it: the clock's steps tell.
      why =
          "a controller did not come back (clock steps: " + std::to_string(vel::Transport.ClockSteps.load()) +
          ")";
      return false;
    }
    at.Done();
  }
  return true;
}

// The timer's phase against the JACK cycles is set when running starts and then drifts only
// slowly, so running is started afresh for each of a number of rounds.
void BM_LiveLatencyOverJack(benchmark::State& state) {
  const auto messages = static_cast<std::size_t>(EnvOr("VELLORINE_EBENCH_MESSAGES", 2000, 10, 4000));
  constexpr std::size_t kRounds = 10;
  const bool withListener = state.range(0) != 0;
  for (auto _ : state) {
    EngineOverJack s;
    std::string why;
    const uint64_t clamps0 = midi::ClampedStamps();
    std::vector<double> frames;
    frames.reserve(messages);
    std::size_t unsure = 0;
    bool ok = s.Start(withListener, why);
    for (std::size_t r = 0; ok && r < kRounds; ++r) {
      ok = s.Run(why);
      const std::size_t n = messages * (r + 1) / kRounds - messages * r / kRounds;
      if (ok)
        ok = withListener ? MeasureLatency(s, *s.listener(), n, frames, unsure, why)
                          : MeasureLatency(s, s.peer(), n, frames, unsure, why);
      vel::StopRunning();
      // The stop's resets arrive before the next round looks.
      std::this_thread::sleep_for(50ms);
    }
    if (!ok) {
      state.SkipWithError(why.c_str());
      return;
    }
    state.counters["messages"] = static_cast<double>(frames.size());
    state.counters["unsure"] = static_cast<double>(unsure);
    state.counters["min_ms"] = FramesToMs(Percentile(frames, 0));
    state.counters["median_ms"] = FramesToMs(Percentile(frames, 50));
    state.counters["p99_ms"] = FramesToMs(Percentile(frames, 99));
    state.counters["worst_ms"] = FramesToMs(Percentile(frames, 100));
    state.counters["jitter_ms"] = FramesToMs(Percentile(frames, 99) - Percentile(frames, 0));
    state.counters["clamped"] = static_cast<double>(midi::ClampedStamps() - clamps0);
    state.counters["jack_period_ms"] = FramesToMs(jack_get_buffer_size(s.client()));
    s.SetCommonCounters(state);
  }
}
BENCHMARK(BM_LiveLatencyOverJack)
    ->ArgName("listener")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The first n keys the factory live map plays as live notes; fewer when it has fewer.
std::vector<uint8_t> LiveNoteKeys(std::size_t n) {
  std::vector<uint8_t> keys;
  for (int32_t k = 0; k < vel::KeyCount && keys.size() < n; ++k)
    if (vel::KeyMapLive[k].load() == vel::LiveN) keys.push_back(static_cast<uint8_t>(k));
  return keys;
}

// One chord's arrivals: the frames of its first and last note from the frame it was played at,
// and whether the notes came in the order played.
struct ChordOut {
  int32_t first = 0;
  int32_t last = 0;
  bool inOrder = true;
};

// Waits for the chord's note-ons (velocity vel) on the live channel; false when not all came.
template <typename Receiver>
bool ChordArrivals(const Receiver& rx, std::size_t& seen, const std::vector<uint8_t>& keys, uint8_t vel,
                   uint32_t sentAt, ChordOut& out) {
  const auto status = static_cast<uint8_t>(0x90 | (vel::Live.Chan[0] & 0x0F));
  std::size_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (got < keys.size() && std::chrono::steady_clock::now() < deadline) {
    for (; got < keys.size() && seen < rx.Count(); ++seen) {
      const auto& e = rx.At(seen);
      if (e.length != 3 || e.bytes[0] != status || e.bytes[2] != vel) continue;
      const auto at = static_cast<int32_t>(e.frame - sentAt);
      out.first = got == 0 ? at : std::min(out.first, at);
      out.last = got == 0 ? at : std::max(out.last, at);
      out.inOrder = out.inOrder && e.bytes[1] == keys[got];
      ++got;
    }
    if (got < keys.size()) std::this_thread::sleep_for(50us);
  }
  return got == keys.size();
}

// Plays `chords` more chords of the keys, all note-ons at one random frame of a cycle as
// MeasureLatency sends its controllers, each released a cycle later; what the recorder got of
// each goes to outs (a chord whose cycle was unsure, or that did not come back whole, is only
// counted).
template <typename Receiver>
bool MeasureChords(EngineOverJack& s, const Receiver& rx, const std::vector<uint8_t>& keys,
                   std::size_t chords, std::vector<ChordOut>& outs, std::size_t& unsure, std::size_t& lost,
                   std::string& why) {
  constexpr std::size_t kWarmUp = 5;
  Peer& peer = s.peer();
  jack_client_t* c = s.client();
  const auto period = jack_get_buffer_size(c);
  const std::size_t goal = outs.size() + chords;
  SendFrames at{c, std::minstd_rand(3), std::minstd_rand(4)};
  std::size_t seen = rx.Count();
  for (std::size_t i = 0; outs.size() < goal; ++i) {
    if (!at.Next(i, kWarmUp + 2 * chords, "chords", why)) return false;
    const uint32_t sentAt = at.sentAt;
    const auto vel = static_cast<uint8_t>(1 + i % 126);
    for (uint8_t k : keys) peer.QueueAtFrame(sentAt, {0x90, k, vel});
    for (uint8_t k : keys) peer.QueueAtFrame(sentAt + period, {0x80, k, 0});
    const bool sure = at.Sure();
    ChordOut out;
    if (!ChordArrivals(rx, seen, keys, vel, sentAt, out)) {
      // A cycle our client did not run (an xrun) loses what came in it.
      if (++lost > chords / 10 + 2) {
        why = "too many chords did not come back whole (clock steps: " +
              std::to_string(vel::Transport.ClockSteps.load()) + ")";
        return false;
      }
    } else if (i >= kWarmUp) {
      if (sure && out.first >= 0) {
        outs.push_back(out);
      } else {
        ++unsure;
      }
    }
    // The note-offs are out before the next chord.
    const uint32_t offAt = sentAt + period;
    vel::test::WaitUntil(
        [&] { return static_cast<int32_t>(jack_last_frame_time(c) - offAt) > 4 * (int32_t)period; }, 2s,
        50us);
    at.Done();
  }
  return true;
}

// Chords from the keyboard: `notes` note-ons played at one frame, taken through the factory
// live map to the live output and recorded by the listener. Per chord, in ms from the frame it
// was played at: its first and its last note out, and their spread; "smeared" the share of
// chords not out at one frame, "out_of_order" those whose notes came in another order, "lost"
// those not out whole (an xrun of the dummy driver).
// VELLORINE_EBENCH_CHORDS (400) shortens a trial run.
void BM_ChordLatencyOverJack(benchmark::State& state) {
  const auto chords = static_cast<std::size_t>(EnvOr("VELLORINE_EBENCH_CHORDS", 400, 10, 4000));
  constexpr std::size_t kRounds = 10;
  for (auto _ : state) {
    EngineOverJack s;
    std::string why;
    const uint64_t clamps0 = midi::ClampedStamps();
    std::vector<ChordOut> outs;
    std::size_t unsure = 0, lost = 0;
    bool ok = s.Start(true, why);
    std::vector<uint8_t> keys;
    if (ok) {
      std::lock_guard lock(vel::EngineLock);
      vel::InstallKeyPath();
      vel::LoadKeyMapsFactory();
      keys = LiveNoteKeys(static_cast<std::size_t>(state.range(0)));
    }
    if (ok && keys.size() != static_cast<std::size_t>(state.range(0))) {
      ok = false;
      why = "the factory live map has too few live notes";
    }
    for (std::size_t r = 0; ok && r < kRounds; ++r) {
      ok = s.Run(why);
      const std::size_t n = chords * (r + 1) / kRounds - chords * r / kRounds;
      if (ok) ok = MeasureChords(s, *s.listener(), keys, n, outs, unsure, lost, why);
      vel::StopRunning();
      std::this_thread::sleep_for(50ms);
    }
    if (!ok) {
      state.SkipWithError(why.c_str());
      return;
    }
    std::vector<double> first, last, spread;
    double smeared = 0, disordered = 0;
    for (const ChordOut& o : outs) {
      first.push_back(o.first);
      last.push_back(o.last);
      spread.push_back(o.last - o.first);
      smeared += o.last != o.first ? 1 : 0;
      disordered += o.inOrder ? 0 : 1;
    }
    state.counters["chords"] = static_cast<double>(outs.size());
    state.counters["unsure"] = static_cast<double>(unsure);
    state.counters["lost"] = static_cast<double>(lost);
    for (const auto& [name, v] : {std::pair{"first_", &first}, {"last_", &last}, {"spread_", &spread}}) {
      state.counters[std::string(name) + "median_ms"] = FramesToMs(Percentile(*v, 50));
      state.counters[std::string(name) + "p99_ms"] = FramesToMs(Percentile(*v, 99));
      state.counters[std::string(name) + "worst_ms"] = FramesToMs(Percentile(*v, 100));
    }
    state.counters["smeared"] = smeared / static_cast<double>(outs.size());
    state.counters["out_of_order"] = disordered;
    state.counters["clamped"] = static_cast<double>(midi::ClampedStamps() - clamps0);
    state.counters["clock_steps"] = static_cast<double>(vel::Transport.ClockSteps.load());
    s.SetCommonCounters(state);
  }
}
BENCHMARK(BM_ChordLatencyOverJack)
    ->ArgName("notes")
    ->Arg(1)
    ->Arg(5)
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// Seq 2: seq 1 is the factory metronome's, which the start of running rebuilds.
constexpr int32_t kSeq = 1;

// Sixteen sixteenths of note 60, each held for half its step; the part is one bar long.
bool FillSixteenths() {
  std::lock_guard lock(vel::EngineLock);
  vel::ClearPartBuf(0, kSeq);
  for (int32_t i = 0; i < 16; ++i) {
    const int32_t on = i * kSixteenthTicks;
    if (!vel::InsertPartEvent(0, kSeq, 0x643C90, on, true) ||
        !vel::InsertPartEvent(0, kSeq, 0x003C80, on + kSixteenthTicks / 2, true))
      return false;
  }
  return vel::InsertPartEvent(0, kSeq, 0xFF, 16 * kSixteenthTicks, false);
}

// The grid step each arrival belongs to, from the ideal step: a note lost on the way (an xrun of
// the dummy driver) leaves a gap instead of shifting every later one.
std::vector<double> StepIndices(const std::vector<double>& f, double step) {
  std::vector<double> k;
  for (double x : f) k.push_back(std::round((x - f.front()) / step));
  return k;
}

// Deviations in ms of f[i] from the line a + b k[i].
std::vector<double> LineDeviations(const std::vector<double>& k, const std::vector<double>& f, double a,
                                   double b) {
  std::vector<double> dev;
  for (std::size_t i = 0; i < f.size(); ++i) dev.push_back(FramesToMs(std::abs(f[i] - a - b * k[i])));
  return dev;
}

// The least-squares line through (k[i], f[i]).
void FitLine(const std::vector<double>& k, const std::vector<double>& f, double& a, double& b) {
  const double n = static_cast<double>(f.size());
  double sk = 0, sf = 0, skk = 0, skf = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    sk += k[i];
    sf += f[i];
    skk += k[i] * k[i];
    skf += k[i] * f[i];
  }
  b = (n * skf - sk * sf) / (n * skk - sk * sk);
  a = (sf - b * sk) / n;
}

void SetDeviationCounters(benchmark::State& state, const std::string& prefix,
                          const std::vector<double>& dev) {
  state.counters[prefix + "median_ms"] = Percentile(dev, 50);
  state.counters[prefix + "p99_ms"] = Percentile(dev, 99);
  state.counters[prefix + "worst_ms"] = Percentile(dev, 100);
}

// Frames of the messages the peer received since `first` that pass `want`, as doubles relative to
// the first of them (frame counts wrap in 32 bits).
template <typename Want>
std::vector<double> ArrivalFrames(Peer& peer, std::size_t first, std::size_t last, Want want) {
  std::vector<double> frames;
  uint32_t origin = 0;
  for (std::size_t i = std::max(first, last > Peer::kKeep ? last - Peer::kKeep : 0); i < last; ++i) {
    const Peer::Event& e = peer.At(i);
    if (!want(e)) continue;
    if (frames.empty()) origin = e.frame;
    frames.push_back(static_cast<double>(static_cast<uint32_t>(e.frame - origin)));
  }
  return frames;
}

// Runs the engine at a tempo and JACK period for the configured time with `setUp` done under the
// lock after running starts; the peer's arrivals from then on are [first, last).
template <typename SetUp>
bool RunFor(EngineOverJack& s, int64_t tempo, int period, SetUp setUp, std::size_t& first, std::size_t& last,
            double& frameClockPpm, std::string& why) {
  const long seconds = EnvOr("VELLORINE_EBENCH_SECONDS", 60, 2, 240);
  if (!s.Start(false, why, period)) return false;
  vel::Cfg.Tempo = vel::Cfg.TargetTempo = static_cast<int32_t>(tempo);
  if (!s.Run(why)) return false;
  Peer& peer = s.peer();
  jack_client_t* c = s.client();
  first = peer.Count();
  {
    std::lock_guard lock(vel::EngineLock);
    setUp();
  }
  const uint32_t frame0 = jack_frame_time(c);
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const uint32_t frame1 = jack_frame_time(c);
  const auto wall1 = std::chrono::steady_clock::now();
  last = peer.Count();
  const double wallS = std::chrono::duration<double>(wall1 - wall0).count();
  frameClockPpm = (static_cast<double>(frame1 - frame0) / kRate / wallS - 1) * 1e6;
  return true;
}

// Note timing. The frames are what a device behind JACK plays by; "frame_clock_ppm" says how far
// the dummy driver's frames ran from the system clock. The engine keeps time by those frames, so
// the tempo error on frames leaves it out and "tempo_err_time_ppm", the error on JACK's time of
// those frames, holds it.
void BM_NoteTimingOverJack(benchmark::State& state) {
  const int64_t tempo = state.range(0);
  const auto period = static_cast<int>(state.range(1));
  for (auto _ : state) {
    EngineOverJack s;
    std::string why;
    const uint64_t clamps0 = midi::ClampedStamps();
    if (!FillSixteenths()) {
      state.SkipWithError("the part could not be filled");
      return;
    }
    std::size_t first = 0, last = 0;
    double clockPpm = 0;
    auto play = [] {
      vel::TPartBuf& b = vel::SeqBuf(kSeq);
      b.SeqState = vel::TSeqState::Playing;
      b.PlayEvIndex = b.Head;
      vel::AdvanceSeqEvent(kSeq, true, 0, 0);
    };
    if (!RunFor(s, tempo, period, play, first, last, clockPpm, why)) {
      state.SkipWithError(why.c_str());
      return;
    }
    {
      std::lock_guard lock(vel::EngineLock);
      vel::SeqBuf(kSeq).SeqState = vel::TSeqState::Stopped;
    }
    const std::vector<double> f = ArrivalFrames(s.peer(), first, last, [](const Peer::Event& e) {
      return e.length == 3 && (e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] != 0;
    });
    if (f.size() < 3) {
      state.SkipWithError("too few notes reached the peer");
      return;
    }
    // The same notes on JACK's microsecond clock, which keeps the system clock's pace.
    std::vector<double> t;
    for (std::size_t i = std::max(first, last > Peer::kKeep ? last - Peer::kKeep : 0); i < last; ++i) {
      const Peer::Event& e = s.peer().At(i);
      if (e.length == 3 && (e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] != 0)
        t.push_back(static_cast<double>(e.timeUs) * kRate / 1e6);
    }
    const double step = SixteenthFrames(tempo);
    const double t0 = t.front();
    for (double& x : t) x -= t0;
    const std::vector<double> k = StepIndices(f, step);
    double a = 0, b = 0, at = 0, bt = 0;
    FitLine(k, f, a, b);
    FitLine(k, t, at, bt);
    state.counters["tempo_err_time_ppm"] = (bt / step - 1) * 1e6;
    SetDeviationCounters(state, "time_lsq_", LineDeviations(k, t, at, bt));
    SetDeviationCounters(state, "time_first_", LineDeviations(k, t, 0, step));
    state.counters["notes"] = static_cast<double>(f.size());
    state.counters["notes_missing"] = k.back() + 1 - static_cast<double>(f.size());
    SetDeviationCounters(state, "lsq_", LineDeviations(k, f, a, b));
    SetDeviationCounters(state, "first_", LineDeviations(k, f, 0, step));
    state.counters["first_vs_lsq_ms"] = FramesToMs(std::abs(a));
    state.counters["tempo_err_ppm"] = (b / step - 1) * 1e6;
    state.counters["first_step_ms"] = FramesToMs(f[1] - f[0]);
    state.counters["frame_clock_ppm"] = clockPpm;
    state.counters["clamped"] = static_cast<double>(midi::ClampedStamps() - clamps0);
    state.counters["clock_steps"] = static_cast<double>(vel::Transport.ClockSteps.load());
    s.SetCommonCounters(state);
    s.Stop();
    std::lock_guard lock(vel::EngineLock);
    vel::ClearPartBuf(0, kSeq);
  }
}
BENCHMARK(BM_NoteTimingOverJack)
    ->ArgNames({"tempo", "period"})
    ->ArgsProduct({{12000, 12700, 13000, 9730}, {64, 256, 2048}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// MIDI clock out: 24 clocks a quarter note on the peer's input.
void BM_ClockOutOverJack(benchmark::State& state) {
  const int64_t tempo = state.range(0);
  for (auto _ : state) {
    EngineOverJack s;
    std::string why;
    const uint64_t clamps0 = midi::ClampedStamps();
    std::size_t first = 0, last = 0;
    double clockPpm = 0;
    if (!RunFor(
            s, tempo, JackServer::kPeriod, [] { vel::Cfg.MIDIOutClocksEnabled[0] = 1; }, first, last,
            clockPpm, why)) {
      state.SkipWithError(why.c_str());
      return;
    }
    {
      std::lock_guard lock(vel::EngineLock);
      vel::Cfg.MIDIOutClocksEnabled[0] = 0;
    }
    const std::vector<double> f = ArrivalFrames(
        s.peer(), first, last, [](const Peer::Event& e) { return e.length == 1 && e.bytes[0] == 0xF8; });
    if (f.size() < 3) {
      state.SkipWithError("too few clocks reached the peer");
      return;
    }
    const double ideal = SixteenthFrames(tempo) / 6;
    std::vector<double> dev;
    for (std::size_t k = 1; k < f.size(); ++k) dev.push_back(FramesToMs(std::abs(f[k] - f[k - 1] - ideal)));
    state.counters["clocks"] = static_cast<double>(f.size());
    state.counters["ideal_ms"] = FramesToMs(ideal);
    state.counters["mean_ms"] = FramesToMs(f.back() / static_cast<double>(f.size() - 1));
    SetDeviationCounters(state, "dev_", dev);
    state.counters["frame_clock_ppm"] = clockPpm;
    state.counters["clamped"] = static_cast<double>(midi::ClampedStamps() - clamps0);
    state.counters["clock_steps"] = static_cast<double>(vel::Transport.ClockSteps.load());
    s.SetCommonCounters(state);
    s.Stop();
  }
}
BENCHMARK(BM_ClockOutOverJack)
    ->ArgName("tempo")
    ->Arg(12000)
    ->Arg(12700)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
