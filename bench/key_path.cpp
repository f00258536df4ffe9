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

#include "BenchSupport.h"
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

using bench::TimeEachCall;

void SetUpKeyPath(uint8_t liveCode) {
  bench::UseLoopbackOutputs();
  RunCtl.LivePort = 0;
  Cfg.DisableHotkeys = 0;
  Cfg.InPortOctaveOffset[0] = 1;
  InstallKeyPath();
  for (auto& code : KeyMapLive) code.store(liveCode);
  ResetLiveFifo();
  RunCtl.ProgState = TProgState::Running;
  SetKeyMode(TKeyMode::Live);
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
