// Cost of the lanes' and the Kinetrace's share of one status tick on the main window (offscreen):
// four playing seqs of 1..4 bars with the grid on, their positions moving every tick, and 50
// released notes fading under a full sustain pedal, so every tick changes every lane and blob.
//
//   LanesTick         EngineLock taken, LanesAndKinetraceLocked (copy and fade), lock given back,
//                     ApplyLanesAndKinetrace (models, compare, repaint requests);
//   LanesTickPainted  the same and the event pass that paints what changed;
//   LanesTickStill    nothing changed since the last tick: copy, models and compare only.
//
// Each call is timed on its own; the counters give the median, the 99th and 99.9th percentiles
// and the worst call in microseconds. The status tick as a whole should stay below 1 ms (median).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/EngineLock.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainLanes.h"
#include "settings/CfgFactory.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

using bench::TimeEachCall;

TfrmMain* Form = nullptr;

// 50 notes on three channels, released with the pedal down: each tick fades every one by a level.
void SeedNotes() {
  std::lock_guard lock(EngineLock);
  for (auto& ch : PlayCycle.NoteOnCounts) ch.fill(TNoteDsp{});
  for (int32_t n = 0; n < 50; ++n) PlayCycle.NoteOnCounts[n % 3][36 + n] = TNoteDsp{127, 127, 1000000};
  for (int32_t ch = 0; ch < 3; ++ch) PlayCycle.SustainVals[ch] = 127;
  PlayCycle.KinetraceDirty = 1;
}

void SetUpSeqs() {
  std::lock_guard lock(EngineLock);
  Cfg.DspSeqGrid = 1;
  Cfg.DspKinetrace = 1;
  for (int32_t s = 0; s < kSeqs; ++s) {
    TPartBuf& b = Seqs.PartBufs[0][s];
    b.Head = 0;
    b.SeqState = TSeqState::Playing;
    b.RElap = (s + 1) * Cfg.BarTicks;
    b.PElap = 0;
  }
}

// 50 ms at 120 BPM: 384 ticks.
void Advance() {
  std::lock_guard lock(EngineLock);
  for (int32_t s = 0; s < kSeqs; ++s) {
    TPartBuf& b = Seqs.PartBufs[0][s];
    b.PElap = (b.PElap + 384) % b.RElap;
  }
}

void Tick() {
  {
    std::lock_guard lock(EngineLock);
    Form->Lanes().LanesAndKinetraceLocked();
  }
  Form->Lanes().ApplyLanesAndKinetrace();
}

void Between(uint32_t n) {
  if (n % 100 == 0) SeedNotes();
  Advance();
}

void BM_LanesTick(benchmark::State& state) {
  SetUpSeqs();
  TimeEachCall(state, Tick, [](uint32_t n) {
    Between(n);
    QApplication::processEvents();
  });
}
BENCHMARK(BM_LanesTick)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

void BM_LanesTickPainted(benchmark::State& state) {
  SetUpSeqs();
  TimeEachCall(
      state,
      [] {
        Tick();
        QApplication::processEvents();
      },
      Between);
}
BENCHMARK(BM_LanesTickPainted)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

void BM_LanesTickStill(benchmark::State& state) {
  SetUpSeqs();
  {
    std::lock_guard lock(EngineLock);
    for (auto& ch : PlayCycle.NoteOnCounts) ch.fill(TNoteDsp{});
    for (int32_t n = 0; n < 50; ++n) PlayCycle.NoteOnCounts[n % 3][36 + n] = TNoteDsp{100, 100, 0};
    PlayCycle.KinetraceDirty = 1;
  }
  Tick();
  QApplication::processEvents();
  TimeEachCall(state, Tick, [](uint32_t) {});
}
BENCHMARK(BM_LanesTickStill)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // A private home and lock folder, offscreen, loopback MIDI: the window starts on the factory
  // settings without asking anything.
  const std::string dir = bench::MakePrivateHome("lanes");
  ResetAllToFactory();
  RunHooks.SetDspTimer = [](TDspTimer, bool, int32_t) {};
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  {
    auto form = std::make_unique<TfrmMain>();
    Form = form.get();
    form->show();
    QApplication::processEvents();
    bench::RunBenchmarks(argc, argv);
    Form = nullptr;
  }
  InstanceLocks.ReleaseAll();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
