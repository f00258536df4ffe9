// Cost of one key through HandleMidiIn in Live mode: the engine lock, the channel filter, the key
// routing, the Live map lookup under the input's octave offset and the write to LiveFifo, on the
// loopback backend with the engine Running. Note-ons and note-offs alternate over two octaves.
// Each call is timed on its own; the counters give the median, the 99th and 99.9th percentiles
// and the worst call in microseconds. A stroke key (Ctrl+Shift+B, six events as one block) is
// timed the same way.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyPath.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

midi::Handle gOut[midi::loopback::kOutDevs];
bool gOpened = false;

uint32_t EngineClock() {
  return static_cast<uint32_t>(Transport.MsClock.load());
}

void SetUpKeyPath(uint8_t liveCode) {
  midi::SelectBackend(midi::Backend::Loopback);
  midi::Rescan();
  midi::loopback::SetClock(&EngineClock);
  for (int d = 0; d < midi::loopback::kOutDevs; ++d) {
    if (!gOpened) midi::OutOpen(d, gOut[d]);
    RunCtl.MidiOutDevs[d].Handle = gOut[d];
    RunCtl.MidiOutDevs[d].Opened = 1;
    RunCtl.PortDevIdx[d] = static_cast<int8_t>(d);
  }
  gOpened = true;
  RunCtl.OutPortsAllocated = 2;
  RunCtl.LivePort = 0;
  Cfg.DisableHotkeys = 0;
  Cfg.InPortOctaveOffset[0] = 1;
  InstallKeyPath();
  for (auto& code : KeyMapLive) code.store(liveCode);
  ResetLiveFifo();
  RunCtl.ProgState = TProgState::Running;
  SetKeyMode(TKeyMode::Live);
}

// Times each call of fn alone; between calls, between() runs untimed.
template <typename Fn, typename Between>
void TimeEachCall(benchmark::State& state, Fn fn, Between between) {
  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(state.max_iterations));
  uint32_t n = 0;
  for (auto _ : state) {
    between(n);
    const auto t0 = std::chrono::steady_clock::now();
    fn(n);
    const auto t1 = std::chrono::steady_clock::now();
    ++n;
    const double s = std::chrono::duration<double>(t1 - t0).count();
    state.SetIterationTime(s);
    us.push_back(s * 1e6);
  }
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[us.size() * 99 / 100];
  state.counters["p999_us"] = us[us.size() * 999 / 1000];
  state.counters["worst_us"] = us.back();
}

uint32_t Note(uint32_t n) {
  const uint32_t note = 48 + (n / 2) % 24;
  return n % 2 ? 0x000080 | note << 8 : 0x640090 | note << 8;
}

void BM_LiveNote(benchmark::State& state) {
  SetUpKeyPath(LiveN);
  TimeEachCall(
      state, [](uint32_t n) { HandleMidiIn(0, Note(n), static_cast<int32_t>(n)); },
      // The timer would take each message; the queue never fills.
      [](uint32_t n) {
        if (n % 256 == 0) ResetLiveFifo();
      });
  RunCtl.ProgState = TProgState::Config;
  SetKeyMode(TKeyMode::Inactive);
}
BENCHMARK(BM_LiveNote)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

void BM_LiveStroke(benchmark::State& state) {
  SetUpKeyPath(LiveHKCtrlShiftB);
  TimeEachCall(
      state, [](uint32_t n) { HandleMidiIn(0, Note(n), static_cast<int32_t>(n)); },
      [](uint32_t n) {
        if (n % 64 == 0) ResetLiveFifo();
      });
  RunCtl.ProgState = TProgState::Config;
  SetKeyMode(TKeyMode::Inactive);
}
BENCHMARK(BM_LiveStroke)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

void BM_Baseline(benchmark::State& state) {
  uint32_t x = 0;
  TimeEachCall(
      state, [&](uint32_t) { benchmark::DoNotOptimize(x = x * 1664525u + 1013904223u); }, [](uint32_t) {});
}
BENCHMARK(BM_Baseline)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
