// Cost of one metronome bar build, as the timer thread pays it at the metronome seq's end of part:
// the factory drum and bass styles (16 and 8 steps, three rows), and the fullest drum bar (every
// row of 16 flammed steps over four bars, 3900 events), each with randomised velocities so that
// the build runs every cycle.
#include <benchmark/benchmark.h>

#include "engine/Metronome.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace {

using namespace vel;

void SetUpMetronome(bool drum) {
  Cfg.MetrSeqNo = 0;
  RunCtl.OutPortsAllocated = 0;
  Cfg.MetrModeStyles = 1;
  Cfg.MetrTypePitchLocked = drum ? 1 : 0;
  Cfg.MetrBars = 1;
  DrumStore.VelVar = 40;
  BassStore.VelVar = 40;
  LoadDrumFactory();
  LoadBassFactory();
  Seqs.PartBufs[0][0].SeqState = TSeqState::Stopped;
}

void BuildBars(benchmark::State& state) {
  for (auto _ : state) {
    BuildMetronomeBar(0, true);
    benchmark::DoNotOptimize(Seqs.PartBufs[0][0].EventsUsed);
  }
  state.counters["events"] = Seqs.PartBufs[0][0].EventsUsed;
}

void BM_DrumFactoryBar(benchmark::State& state) {
  SetUpMetronome(true);
  BuildBars(state);
}
BENCHMARK(BM_DrumFactoryBar);

void BM_BassFactoryBar(benchmark::State& state) {
  SetUpMetronome(false);
  BuildBars(state);
}
BENCHMARK(BM_BassFactoryBar);

void BM_DrumFullestBars(benchmark::State& state) {
  SetUpMetronome(true);
  Cfg.MetrBars = 4;
  for (int r = 0; r < kStyleRows; ++r) SetStyleRow(DrumStore.Patterns[0][0], r, "bbbbbbbbbbbbbbbb");
  Showing.MetrDrumChanged = 0;
  BuildBars(state);
}
BENCHMARK(BM_DrumFullestBars);

}  // namespace

BENCHMARK_MAIN();
