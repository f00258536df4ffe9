// MIDI through a private JACK server (48 kHz, 256 frames), against a peer client on libjack:
// - the cost of one send and of delivering a batch to the peer, and input delivered to our callback;
// - output timing: 400 messages sent 25 ms apart from a thread, each with its send time noted, and
//   received by the peer with frame-accurate times. How much the delay from send to arrival varies
//   (worst minus best) is what matters for notes; "frame0_" counters show what writing every
//   message at the start of the next cycle would have given for the same sends.
#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../tests/e2e/JackServer.h"
#include "platform/midi/Midi.h"
#include "platform/midi/SpscRing.h"

namespace {

using namespace std::chrono_literals;
using vel::test::JackServer;
namespace midi = vel::midi;

bool ServerAnswers() {
  jack_client_t* c = jack_client_open("probe", JackNoStartServer, nullptr);
  if (!c) return false;
  jack_client_close(c);
  return true;
}

template <class Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20us);
  }
  return true;
}

// The other end: records what reaches "in" with its time, plays what is queued on "out".
class Peer {
 public:
  struct Arrival {
    uint64_t timeUs;        // the event's own frame, as time
    uint64_t cycleStartUs;  // the start of the cycle it came in
    uint8_t status;
    uint8_t data1;
  };
  static constexpr std::size_t kKeep = 1 << 16;  // arrivals kept, the latest ones

  ~Peer() {
    if (client_) jack_client_close(client_);
  }

  bool Open() {
    client_ =
        jack_client_open("peer", static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), nullptr);
    if (!client_) return false;
    arrivals_.resize(kKeep);
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    return in_ && out_ && jack_set_process_callback(client_, &Peer::Process, this) == 0 &&
           jack_activate(client_) == 0;
  }

  std::size_t Count() const { return count_.load(std::memory_order_acquire); }
  const Arrival& At(std::size_t i) const { return arrivals_[i % kKeep]; }
  bool Queue(const uint8_t* m, uint32_t n) { return ring_.Push(m, n, 0); }

 private:
  static int Process(jack_nframes_t nframes, void* arg) {
    auto* self = static_cast<Peer*>(arg);
    const jack_nframes_t start = jack_last_frame_time(self->client_);
    const uint64_t startUs = jack_frames_to_time(self->client_, start);
    void* in = jack_port_get_buffer(self->in_, nframes);
    const uint32_t n = jack_midi_get_event_count(in);
    std::size_t c = self->count_.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < n; ++i) {
      jack_midi_event_t ev;
      if (jack_midi_event_get(&ev, in, i) != 0 || ev.size == 0) continue;
      self->arrivals_[c % kKeep] = {jack_frames_to_time(self->client_, start + ev.time), startUs,
                                    ev.buffer[0], ev.size > 1 ? ev.buffer[1] : uint8_t{0}};
      ++c;
    }
    self->count_.store(c, std::memory_order_release);

    void* out = jack_port_get_buffer(self->out_, nframes);
    jack_midi_clear_buffer(out);
    std::array<uint8_t, 256> buf;
    vel::midi::detail::SpscRing<1 << 18>::Header h;
    bool truncated = false;
    while (jack_midi_max_event_size(out) >= buf.size() &&
           self->ring_.Pop(buf.data(), buf.size(), h, truncated)) {
      if (!truncated) jack_midi_event_write(out, 0, buf.data(), h.length);
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  std::vector<Arrival> arrivals_;
  std::atomic<std::size_t> count_{0};
  vel::midi::detail::SpscRing<1 << 18> ring_;
};

std::atomic<std::size_t> gReceived{0};
void CountInput(midi::Handle, uintptr_t, const midi::InMessage& m) {
  if (m.type == midi::InMsg::Data) gReceived.fetch_add(1, std::memory_order_release);
}

// One server, peer and pair of devices for the whole run.
struct Session {
  JackServer server;
  std::unique_ptr<Peer> peer;
  midi::Handle out = midi::kInvalidHandle;
  midi::Handle in = midi::kInvalidHandle;

  bool Start(std::string& why) {
    if (!server.Start(ServerAnswers, why)) return false;
    peer = std::make_unique<Peer>();
    if (!peer->Open()) {
      why = "peer client could not be set up";
      return false;
    }
    midi::Result r = midi::SelectBackend(midi::Backend::Jack);
    if (r != midi::kOk) {
      why = "SelectBackend(Jack): " + midi::ErrorText(r);
      return false;
    }
    midi::Rescan();
    int outIdx = -1, inIdx = -1;
    std::string n;
    for (int i = 0; i < midi::OutDevCount(); ++i) {
      if (midi::OutDevName(i, n) == midi::kOk && n == "peer:in") outIdx = i;
    }
    for (int i = 0; i < midi::InDevCount(); ++i) {
      if (midi::InDevName(i, n) == midi::kOk && n == "peer:out") inIdx = i;
    }
    if ((r = midi::OutOpen(outIdx, out)) != midi::kOk ||
        (r = midi::InOpen(inIdx, &CountInput, 0, in)) != midi::kOk || (r = midi::InStart(in)) != midi::kOk) {
      why = "opening the devices: " + midi::ErrorText(r);
      return false;
    }
    return true;
  }

  void Stop() {
    if (in != midi::kInvalidHandle) midi::InClose(in);
    if (out != midi::kInvalidHandle) midi::OutClose(out);
    in = out = midi::kInvalidHandle;
    midi::SelectBackend(midi::Backend::Loopback);
    peer.reset();
    server.Stop();
  }
};
Session* gSession = nullptr;

// Alternating note-on and note-off, the note counting up.
uint32_t NoteMsg(std::size_t i) {
  const uint32_t note = static_cast<uint32_t>((i / 2) % 128);
  return (i % 2 == 0) ? (0x90u | note << 8 | 0x40u << 16) : (0x80u | note << 8);
}

constexpr std::size_t kBatch = 1000;

// What one OutShortMsg costs the caller: the facade's checks, the JACK frame stamp and the hand-over
// to the process callback. Batches are delivered between timings so the queue never fills.
void BM_JackSendShortMsg(benchmark::State& state) {
  Session& s = *gSession;
  std::size_t sent = 0;
  for (auto _ : state) {
    const std::size_t target = s.peer->Count() + kBatch;
    for (std::size_t i = 0; i < kBatch; ++i) {
      if (midi::OutShortMsg(s.out, NoteMsg(sent++)) != midi::kOk) {
        state.SkipWithError("OutShortMsg failed");
        return;
      }
    }
    state.PauseTiming();
    if (!WaitUntil([&] { return s.peer->Count() >= target; })) {
      state.SkipWithError("messages did not reach the peer");
      return;
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_JackSendShortMsg)->Unit(benchmark::kMicrosecond);

// A batch sent and received whole by the peer: messages per second through JACK, bounded by the
// period (a message waits one period by design).
void BM_JackOutBatchToPeer(benchmark::State& state) {
  Session& s = *gSession;
  const auto batch = static_cast<std::size_t>(state.range(0));
  std::size_t sent = 0;
  for (auto _ : state) {
    const std::size_t target = s.peer->Count() + batch;
    for (std::size_t i = 0; i < batch; ++i) {
      if (midi::OutShortMsg(s.out, NoteMsg(sent++)) != midi::kOk) {
        state.SkipWithError("OutShortMsg failed");
        return;
      }
    }
    if (!WaitUntil([&] { return s.peer->Count() >= target; })) {
      state.SkipWithError("messages did not reach the peer");
      return;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * batch));
}
BENCHMARK(BM_JackOutBatchToPeer)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A batch played by the peer in one cycle until our callback has had every message, on the MIDI-in
// worker.
void BM_JackInBatchFromPeer(benchmark::State& state) {
  Session& s = *gSession;
  const auto batch = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    const std::size_t target = gReceived.load() + batch;
    for (std::size_t i = 0; i < batch; ++i) {
      const uint32_t m = NoteMsg(i);
      const uint8_t b[3] = {static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8),
                            static_cast<uint8_t>(m >> 16)};
      if (!s.peer->Queue(b, 3)) {
        state.SkipWithError("peer queue full");
        return;
      }
    }
    if (!WaitUntil([&] { return gReceived.load(std::memory_order_acquire) >= target; })) {
      state.SkipWithError("messages did not reach the callback");
      return;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * batch));
}
BENCHMARK(BM_JackInBatchFromPeer)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Spread {
  double minMs = 0, maxMs = 0;
};
Spread SpreadOf(const std::vector<double>& v) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return {*lo, *hi};
}

// 400 messages, 25 ms apart, from a thread of their own.
void BM_JackOutputTiming(benchmark::State& state) {
  Session& s = *gSession;
  constexpr std::size_t kCount = 400;
  for (auto _ : state) {
    const std::size_t base = s.peer->Count();
    std::vector<uint64_t> sendUs(kCount);
    bool ok = true;
    std::thread sender([&] {
      auto next = std::chrono::steady_clock::now();
      for (std::size_t i = 0; i < kCount; ++i) {
        std::this_thread::sleep_until(next);
        next += 25ms;
        sendUs[i] = jack_get_time();
        if (midi::OutShortMsg(s.out, NoteMsg(i)) != midi::kOk) ok = false;
      }
    });
    sender.join();
    if (!ok || !WaitUntil([&] { return s.peer->Count() >= base + kCount; })) {
      state.SkipWithError("not every message arrived");
      return;
    }
    std::vector<double> delay(kCount), frame0(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
      const Peer::Arrival& a = s.peer->At(base + i);
      if (a.status != static_cast<uint8_t>(NoteMsg(i)) || a.data1 != static_cast<uint8_t>(NoteMsg(i) >> 8)) {
        state.SkipWithError("messages arrived out of order");
        return;
      }
      delay[i] = (static_cast<double>(a.timeUs) - static_cast<double>(sendUs[i])) / 1000.0;
      frame0[i] = (static_cast<double>(a.cycleStartUs) - static_cast<double>(sendUs[i])) / 1000.0;
    }
    const Spread d = SpreadOf(delay), f = SpreadOf(frame0);
    state.counters["delay_best_ms"] = d.minMs;
    state.counters["delay_worst_ms"] = d.maxMs;
    state.counters["jitter_ms"] = d.maxMs - d.minMs;
    state.counters["frame0_jitter_ms"] = f.maxMs - f.minMs;
  }
}
BENCHMARK(BM_JackOutputTiming)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!JackServer::Installed()) {
    std::fprintf(stderr, "skipped: %s is missing (install jackd2)\n", JackServer::kJackd);
    return 0;
  }
  Session session;
  std::string why;
  if (!session.Start(why)) {
    std::fprintf(stderr, "JACK session could not start: %s\n", why.c_str());
    session.Stop();
    return 1;
  }
  gSession = &session;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gSession = nullptr;
  session.Stop();
  return 0;
}
