// Cost of one sample aid tick on the timer thread under the engine lock, during an Audition Play
// run with 2 ms notes and 1 ms gaps, so that most ticks send a note-on or a note-off to the
// loopback backend. Each call is timed on its own (median, 99th and 99.9th percentile, worst in
// microseconds). Target: under 2 microseconds.
#include <benchmark/benchmark.h>

#include <mutex>

#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/RunControl.h"
#include "platform/midi/Midi.h"
#include "tools/SampleAid.h"

namespace {

using namespace vel;

void BM_SampleAidTick(benchmark::State& state) {
  bench::UseLoopbackOutputs();
  RunCtl.ProgState = TProgState::Running;
  ResetSampleAid();
  SampleAid.Audition.NoteLen = 2;
  SampleAid.Audition.Gap = 1;
  SampleAidStart(SaPlay + kSampleAidAuditionBase);
  bench::TimeEachCall(
      state,
      [] {
        std::lock_guard lock(EngineLock);
        SampleAidTick(1);
      },
      [](uint32_t n) {
        if (n % 512 == 0) midi::loopback::ClearSent();
      });
  SampleAidAbort();
  {
    std::lock_guard lock(EngineLock);
    SampleAidTick(1);
    SampleAidTick(1);
  }
  RunCtl.ProgState = TProgState::Config;
  midi::loopback::ClearSent();
}

}  // namespace

BENCHMARK(BM_SampleAidTick)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
