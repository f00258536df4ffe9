// MIDI through a private JACK server (48 kHz, 256 frames), against a peer client on libjack:
// - the cost of one send and of delivering a batch to the peer, and input delivered to our callback
//   (with our output closed, so that no connection loops back through the peer and JACK delays
//   none). Messages lost to an xrun of the server (a cycle the peer missed) are counted beside
//   the xruns, not taken for a failure of ours;
// - output timing: 400 messages sent 25 ms apart from a thread, each with its send time noted, and
//   received by the peer with frame-accurate times. How much the delay from send to arrival varies
//   (worst minus best) is what matters for notes; "frame0_" counters show what writing every
//   message at the start of the next cycle would have given for the same sends.
#include <benchmark/benchmark.h>
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../tests/e2e/JackPeer.h"
#include "../tests/e2e/JackServer.h"
#include "platform/midi/Midi.h"

namespace {

using namespace std::chrono_literals;
using vel::test::JackServer;
namespace midi = vel::midi;

using vel::test::InIndex;
using vel::test::OutIndex;
using vel::test::Peer;
using vel::test::ServerAnswers;

// Polled often: the wait is part of what some of the cases time.
template <class Pred>
bool WaitUntil(Pred pred) {
  return vel::test::WaitUntil(pred, 10s, 20us);
}

std::atomic<std::size_t> gReceived{0};
void CountInput(midi::Handle, uintptr_t, const midi::InMessage& m) {
  if (m.type == midi::InMsg::Data) gReceived.fetch_add(1, std::memory_order_release);
}

// A client that only counts the server's xruns.
class XrunWatch {
 public:
  ~XrunWatch() { Close(); }
  bool Open() {
    client_ = jack_client_open("xrunwatch", JackNoStartServer, nullptr);
    if (!client_) return false;
    jack_set_xrun_callback(client_, &XrunWatch::OnXrun, this);
    return jack_activate(client_) == 0;
  }
  void Close() {
    if (client_) jack_client_close(client_);
    client_ = nullptr;
  }
  std::size_t Count() const { return xruns_.load(std::memory_order_acquire); }

 private:
  static int OnXrun(void* arg) {
    static_cast<XrunWatch*>(arg)->xruns_.fetch_add(1, std::memory_order_acq_rel);
    return 0;
  }
  jack_client_t* client_ = nullptr;
  std::atomic<std::size_t> xruns_{0};
};

// One server, peer and pair of devices for the whole run.
struct Session {
  JackServer server;
  std::unique_ptr<Peer> peer;
  XrunWatch xruns;
  int outDev = -1;
  midi::Handle out = midi::kInvalidHandle;
  midi::Handle in = midi::kInvalidHandle;

  bool Start(std::string& why) {
    if (!server.Start(ServerAnswers, why)) return false;
    if (!xruns.Open()) {
      why = "the xrun watch could not connect";
      return false;
    }
    // The peer plays all it is given at the start of a cycle.
    peer = std::make_unique<Peer>(0);
    if (!peer->Open(why)) return false;
    midi::Result r = midi::SelectBackend(midi::Backend::Jack);
    if (r != midi::kOk) {
      why = "SelectBackend(Jack): " + midi::ErrorText(r);
      return false;
    }
    midi::Rescan();
    outDev = OutIndex("peer:in");
    if ((r = midi::OutOpen(outDev, out)) != midi::kOk ||
        (r = midi::InOpen(InIndex("peer:out"), &CountInput, 0, in)) != midi::kOk ||
        (r = midi::InStart(in)) != midi::kOk) {
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
    xruns.Close();
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
  std::size_t sent = 0, lost = 0;
  const std::size_t xruns0 = s.xruns.Count();
  for (auto _ : state) {
    const std::size_t target = s.peer->Count() + kBatch;
    for (std::size_t i = 0; i < kBatch; ++i) {
      if (midi::OutShortMsg(s.out, NoteMsg(sent++)) != midi::kOk) {
        state.SkipWithError("OutShortMsg failed");
        return;
      }
    }
    state.PauseTiming();
    const std::size_t xrunsBefore = s.xruns.Count();
    if (!vel::test::WaitUntil([&] { return s.peer->Count() >= target; }, 2s, 20us)) {
      // A cycle the server skipped takes what was written in it with it.
      if (s.xruns.Count() == xrunsBefore && s.xruns.Count() == xruns0) {
        state.SkipWithError("messages did not reach the peer, and no xrun explains it");
        return;
      }
      lost += target - s.peer->Count();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
  state.counters["xruns"] = static_cast<double>(s.xruns.Count() - xruns0);
  state.counters["lost_in_xruns"] = static_cast<double>(lost);
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
  // The input path alone: with our output connected to the same peer the graph holds a loop, and
  // JACK delays one of its connections by a period.
  if (s.out != midi::kInvalidHandle) midi::OutClose(s.out);
  s.out = midi::kInvalidHandle;
  struct Reopen {
    Session& s;
    ~Reopen() { midi::OutOpen(s.outDev, s.out); }
  } reopen{s};
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
      const Peer::Event& a = s.peer->At(base + i);
      if (a.bytes[0] != static_cast<uint8_t>(NoteMsg(i)) ||
          a.bytes[1] != static_cast<uint8_t>(NoteMsg(i) >> 8)) {
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
