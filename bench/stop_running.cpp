// The stop of running: how long StopRunning takes from its call to the program reaching Config,
// with the real engine timer ticking and every seq playing on the loopback outputs, a channel
// sweep and a pedal held among them. Most of it is the two waits that let the resets leave.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "settings/Settings.h"

namespace vel {
namespace {

using Clock = std::chrono::steady_clock;

// One bar of notes per seq, on channel s, the last seq's with the pedal down and its channel
// sweeping over 1..4.
void FillSeqs() {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    ClearPartBuf(0, s);
    TPartBuf& b = Seqs.PartBufs[0][s];
    b.Port = b.PortPend = 0;
    b.Chan[0] = b.ChanPend = static_cast<int8_t>(s);
    for (int32_t i = 0; i < 8; ++i) {
      const uint32_t note = static_cast<uint32_t>(60 + i);
      InsertPartEvent(0, s, 0x640090 | note << 8, i * 1920, false);
      InsertPartEvent(0, s, 0x000080 | note << 8, i * 1920 + 960, true);
    }
    if (s == LastSeq()) {
      InsertPartEvent(0, s, 0x7F40B0, 0, false);
      b.ChanSweep.On = 1;
      b.ChanSweep.Low = 0;
      b.ChanSweep.High = 3;
    }
  }
}

void StartAll() {
  std::lock_guard lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    b.SeqState = TSeqState::Playing;
    b.PlayEvIndex = b.Head;
    AdvanceSeqEvent(s, true, 0, 0);
  }
}

void BM_StopRunning(benchmark::State& state) {
  bench::UseLoopbackOutputs();
  RunCtl.LivePort = 0;
  Cfg.MetrSeqNo = -1;
  Clock::time_point config{};
  RunHooks.ApplyProgState = [&](TProgState s) {
    if (s == TProgState::Config) config = Clock::now();
  };
  SetProgState(TProgState::Config);
  for (auto _ : state) {
    StartRunning();
    FillSeqs();
    StartAll();
    // Let the seqs play into their second bar.
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(state.range(0))));
    const auto t0 = Clock::now();
    StopRunning();
    state.SetIterationTime(std::chrono::duration<double>(config - t0).count());
  }
  RunHooks.ApplyProgState = nullptr;
}

BENCHMARK(BM_StopRunning)->Arg(300)->Arg(2300)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vel

BENCHMARK_MAIN();
