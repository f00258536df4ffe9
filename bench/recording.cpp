// Recording from the keyboard.
// - One recorded note on the MIDI-in thread: HandleMidiIn in key mode Record with a take running,
//   on the loopback backend: the lock, the key routing, the Record map, the held-note count, the
//   quantise (grid 960 ticks, or off), the insert into the part and the write to LiveFifo. Note-ons
//   and note-offs alternate; the take is armed again, untimed, before its part fills. Each call is
//   timed on its own (median, 99th and 99.9th percentiles, worst, in microseconds).
// - Recording accuracy over a private JACK server (dummy driver, 48 kHz, 64, 256 and 2048 frames):
//   the engine runs as the program runs, a peer plays 64 notes at exact frames with quantise off
//   and ends the take after four bars; the seq then plays the take back twice. Each played-back
//   onset is measured against the frame its note was played at, one and two take lengths on,
//   plus the path's constant latency (the median of the live echoes' delays, latency_frames), in
//   ms: median, 99th percentile and worst of the absolute deviation, and the mean signed one (a
//   loop that starts early or late shows there); at 120 and 97.3 BPM. A run whose dummy driver
//   lost frames against the system clock (slip_ms, over 0.25 ms) is played again, up to 3 times.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "../tests/e2e/JackPeer.h"
#include "../tests/e2e/JackServer.h"
#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyPath.h"
#include "keys/RecordKeys.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace {

using vel::bench::FindDev;
using vel::bench::Percentile;

using namespace vel;
using bench::TimeEachCall;
using test::JackServer;
using test::Peer;

constexpr int kEndKey = 30;
constexpr int kFirstNoteKey = 48;

void MapRecordKeys() {
  for (auto& code : KeyMapRec) code.store(RecN);
  KeyMapRec[kEndKey].store(RecPlay);
}

// Seq 0 alone selected and stopped, then primed for a take as the record command does.
void ArmTake() {
  std::lock_guard lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    SeqBuf(s).Selected = s == 0;
    SeqBuf(s).SeqState = TSeqState::Stopped;
  }
  Transport.RecStepMode = 0;
  Transport.RecRawMode = 0;
  StartRecord();
}

uint32_t Note(uint32_t n) {
  const uint32_t note = 48 + (n / 2) % 24;
  return n % 2 ? 0x000080 | note << 8 : 0x640090 | note << 8;
}

void RecordedNote(benchmark::State& state, int32_t grid) {
  bench::UseLoopbackOutputs();
  RunCtl.LivePort = 0;
  Cfg.InPortOctaveOffset[0] = 0;
  InstallKeyPath();
  MapRecordKeys();
  ResetLiveFifo();
  RunCtl.ProgState = TProgState::Running;
  Transport.ActBar.NQTicks = grid;
  ArmTake();
  TimeEachCall(
      state, [](uint32_t n) { HandleMidiIn(0, Note(n), static_cast<int32_t>(n)); },
      [](uint32_t n) {
        // The timer would take each message; a part holds 4999 events.
        if (n % 256 == 0) ResetLiveFifo();
        if (n % 4000 == 3999) ArmTake();
      });
  RunCtl.ProgState = TProgState::Config;
  SetKeyMode(TKeyMode::Inactive);
}

void BM_RecordedNote(benchmark::State& state) {
  RecordedNote(state, 0);
}

void BM_RecordedNoteQuantised(benchmark::State& state) {
  RecordedNote(state, 960);
}

// The server, the peer and the engine running on them: input port 1 on the peer's output, output
// port 1 on its input. The destructor undoes it all, the server last.
class RecordingOverJack {
 public:
  ~RecordingOverJack() {
    if (jack_) {
      StopRunning();
      if (in_ >= 0) CloseInPort(in_, 0, false);
      if (out_ >= 0) CloseOutPort(out_, 0, false);
      RunCtl.InPortDevIdx.fill(-1);
      RunCtl.PortDevIdx.fill(-1);
      RunCtl.InPortsAllocated = RunCtl.OutPortsAllocated = -1;
      midi::SelectBackend(midi::Backend::Loopback);
    }
    peer_.reset();
    server_.Stop();
  }

  bool Start(int32_t tempo, int period, std::string& why) {
    if (!JackServer::Installed()) {
      why = "/usr/bin/jackd is missing (install jackd2)";
      return false;
    }
    server_.period = period;
    if (!server_.Start(test::ServerAnswers, why)) return false;
    peer_ = std::make_unique<Peer>();
    if (!peer_->Open(why)) return false;
    if (midi::SelectBackend(midi::Backend::Jack) != midi::kOk) {
      why = "the JACK backend could not be selected";
      return false;
    }
    jack_ = true;
    midi::Rescan();
    LoadInDevNames();
    LoadOutDevList();
    in_ = FindDev(RunCtl.MidiInDevs, RunCtl.MidiInDevsLast, "peer:out");
    out_ = FindDev(RunCtl.MidiOutDevs, RunCtl.MidiOutDevsLast, "peer:in");
    if (in_ < 0 || out_ < 0) {
      why = "the peer's ports are not among the devices";
      return false;
    }
    RunCtl.InPortDevIdx[0] = static_cast<int8_t>(in_);
    RunCtl.InPortsAllocated = 0;
    RunCtl.PortDevIdx[0] = static_cast<int8_t>(out_);
    RunCtl.OutPortsAllocated = 0;
    RunCtl.MidiOutDevs[out_].ProgChangesEnabled = 0;
    RunCtl.LivePort = 0;
    if (!OpenInPort(in_, 0) || !OpenOutPort(out_, 0)) {
      why = "the engine could not open the peer's ports";
      return false;
    }
    InstallKeyPath();
    MapRecordKeys();
    Cfg.InPortOctaveOffset[0] = 0;
    Cfg.Tempo = Cfg.TargetTempo = tempo;
    Cfg.NQTicks = 0;
    SetProgState(TProgState::Config);
    StartRunning();
    if (RunCtl.ProgState != TProgState::Running) {
      why = "StartRunning did not reach Running";
      return false;
    }
    {
      std::lock_guard lock(EngineLock);
      Transport.ActBar.NQTicks = 0;
    }
    return true;
  }

  Peer& peer() { return *peer_; }

 private:
  JackServer server_;
  std::unique_ptr<Peer> peer_;
  bool jack_ = false;
  int32_t in_ = -1;
  int32_t out_ = -1;
};

constexpr double kFramesPerMs = JackServer::kRate / 1000.0;
constexpr std::size_t kNotes = 64;
constexpr double kMaxSlipMs = 0.25;

// One take as the peer played and heard it: the frames the notes were played at, the note-ons
// that came back (the live echoes, then two passes of the loop), the take's length in frames and
// how far the server's frames fell behind the system clock meanwhile.
struct TTakeRun {
  std::vector<int64_t> played;
  std::vector<int64_t> heard;
  double takeFrames = 0;
  double slipMs = 0;
};

bool PlayTake(Peer& peer, int32_t tempo, TTakeRun& run, std::string& why) {
  const double barMs = 4 * 60000.0 * 100 / tempo;
  // 64 notes at random points of four bars, at least 60 ms apart, each held 40 ms.
  std::minstd_rand gen(7);
  std::vector<double> playedMs = {0};
  while (playedMs.size() < kNotes) {
    const double ms = std::uniform_real_distribution<double>(0, 4 * barMs - 100)(gen);
    if (std::all_of(playedMs.begin(), playedMs.end(), [&](double p) { return std::abs(p - ms) >= 60; }))
      playedMs.push_back(ms);
  }
  std::sort(playedMs.begin(), playedMs.end());
  const uint32_t frame0 = peer.FrameTime();
  const auto wall0 = std::chrono::steady_clock::now();
  const uint32_t first = frame0 + static_cast<uint32_t>(300 * kFramesPerMs);
  auto frameAt = [&](double ms) { return first + static_cast<uint32_t>(std::lround(ms * kFramesPerMs)); };
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> timed;
  run.played.clear();
  for (std::size_t i = 0; i < playedMs.size(); ++i) {
    const auto note = static_cast<uint8_t>(kFirstNoteKey + i % 24);
    run.played.push_back(frameAt(playedMs[i]) - first);
    timed.push_back({frameAt(playedMs[i]), {0x90, note, 0x64}});
    timed.push_back({frameAt(playedMs[i] + 40), {0x80, note, 0x00}});
  }
  timed.push_back({frameAt(4 * barMs), {0x90, kEndKey, 0x64}});
  timed.push_back({frameAt(4 * barMs + 10), {0x80, kEndKey, 0x00}});
  std::stable_sort(timed.begin(), timed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  const std::size_t before = peer.Count();
  for (const auto& [frame, bytes] : timed) peer.QueueAtFrame(frame, bytes);
  run.takeFrames = 4 * barMs * kFramesPerMs;

  const bool heard = test::WaitUntil(
      [&] {
        run.heard.clear();
        for (std::size_t i = before; i < peer.Count(); ++i) {
          const Peer::Event& e = peer.At(i);
          if (e.length == 3 && (e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] != 0)
            run.heard.push_back(static_cast<int32_t>(e.frame - first));
        }
        return run.heard.size() >= 3 * kNotes;
      },
      std::chrono::milliseconds(static_cast<int>(12 * barMs + 5000)));
  run.slipMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall0).count() -
               (peer.FrameTime() - frame0) / kFramesPerMs;
  if (!heard) why = "the take was not heard back";
  return heard;
}

void BM_RecordingAccuracy(benchmark::State& state) {
  const auto tempo = static_cast<int32_t>(state.range(0));
  const auto period = static_cast<int>(state.range(1));
  std::vector<double> deviations;
  double signedSum = 0;
  int64_t latency = 0;
  double slip = 0;
  for (auto _ : state) {
    TTakeRun run;
    for (int attempt = 0; attempt < 3; ++attempt) {
      RecordingOverJack s;
      std::string why;
      if (!s.Start(tempo, period, why)) {
        state.SkipWithError(why.c_str());
        return;
      }
      ArmTake();
      if (!PlayTake(s.peer(), tempo, run, why)) {
        state.SkipWithError(why.c_str());
        return;
      }
      if (std::abs(run.slipMs) <= kMaxSlipMs) break;
    }
    slip = run.slipMs;
    std::vector<int64_t> echoes;
    for (std::size_t i = 0; i < kNotes; ++i) echoes.push_back(run.heard[i] - run.played[i]);
    std::nth_element(echoes.begin(), echoes.begin() + kNotes / 2, echoes.end());
    latency = echoes[kNotes / 2];
    for (std::size_t pass = 1; pass <= 2; ++pass) {
      for (std::size_t i = 0; i < kNotes; ++i) {
        const double want =
            static_cast<double>(run.played[i] + latency) + static_cast<double>(pass) * run.takeFrames;
        const double dev = (static_cast<double>(run.heard[pass * kNotes + i]) - want) / kFramesPerMs;
        deviations.push_back(std::abs(dev));
        signedSum += dev;
      }
    }
  }
  state.counters["median_ms"] = Percentile(deviations, 50);
  state.counters["p99_ms"] = Percentile(deviations, 99);
  state.counters["worst_ms"] = Percentile(deviations, 100);
  state.counters["mean_ms"] = deviations.empty() ? 0 : signedSum / static_cast<double>(deviations.size());
  state.counters["latency_frames"] = static_cast<double>(latency);
  state.counters["slip_ms"] = slip;
}
// The JACK runs first: the loopback outputs, once open, stay open for the rest of the program.
BENCHMARK(BM_RecordingAccuracy)
    ->ArgsProduct({{12000, 9730}, {64, 256, 2048}})
    ->ArgNames({"tempo", "frames"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordedNote)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordedNoteQuantised)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
