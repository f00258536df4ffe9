// Cost of one command key as the key path carries it out: EngineLock taken, ExecCommand, lock
// given back. Each call is timed on its own; the counters give the median, the 99th and 99.9th
// percentiles and the worst call in microseconds.
//
//   CommandPlay/join:0  CmdPlay on a selected stopped seq while nothing plays (bar 1 restarts, the
//                       note display clears, MIDI Start goes to a sync port, the seq starts at once);
//   CommandPlay/join:1  CmdPlay on a selected stopped seq while the three others play (the seq
//                       joins on the seq-quantise grid, at a bar position that moves each call);
//   CommandSelect       CmdSeq1, the selection key, which stays in Command mode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/Commands.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

using bench::TimeEachCall;

// Four seqs of 200 events each over a bar, all stopped; port 0 takes MIDI Start.
void SetUpEngine() {
  bench::UseLoopbackOutputs();
  RunCtl.LivePort = 2;
  Cfg.MetrSeqNo = -1;
  Cfg.MidiOutSyncEnabled[0] = 1;
  for (int s = 0; s < kSeqs; ++s) {
    ClearPartBuf(0, s);
    TPartBuf& b = Seqs.PartBufs[0][s];
    b.SeqState = TSeqState::Stopped;
    b.Selected = 0;
    for (int32_t i = 0; i < 200; ++i) {
      const uint32_t note = 36 + static_cast<uint32_t>(i / 2 % 48);
      InsertPartEvent(0, s, i % 2 ? 0x000080 | note << 8 : 0x640090 | note << 8, i * 76, true);
    }
    InsertPartEvent(0, s, 0xFF, 15360, false);
    Seqs.SeqRecs[s] = TSeqRec{};
  }
  midi::loopback::ClearSent();
  RunCtl.ProgState = TProgState::Running;
}

void Key(uint8_t code) {
  std::lock_guard lock(EngineLock);
  ExecCommand(0, 0, code);
}

// Seq 0 stopped, selected and waiting in Command mode; with others, seqs 1..3 play.
void ReadyToStart(uint32_t n, bool others) {
  std::lock_guard lock(EngineLock);
  for (int s = 0; s < kSeqs; ++s) {
    TPartBuf& b = SeqBuf(s);
    const bool play = others && s > 0;
    if (play && b.SeqState == TSeqState::Playing) continue;
    b.SeqState = play ? TSeqState::Playing : TSeqState::Stopped;
    b.PlayEvIndex = b.Head;
    b.PElap = 0;
    if (play) AdvanceSeqEvent(s, true, 0, 0);
  }
  SeqBuf(0).Selected = 1;
  Transport.RecStartedClock = 0;
  PlayCycle.TicksToBarEnd = 1 + static_cast<int32_t>(n * 37 % 15360);
  SetKeyMode(TKeyMode::Command);
  if (n % 512 == 0) midi::loopback::ClearSent();
}

void BM_CommandPlay(benchmark::State& state) {
  SetUpEngine();
  const bool others = state.range(0) == 1;
  TimeEachCall(
      state, [] { Key(CmdPlay); }, [others](uint32_t n) { ReadyToStart(n, others); });
  RunCtl.ProgState = TProgState::Config;
  midi::loopback::ClearSent();
}
BENCHMARK(BM_CommandPlay)
    ->ArgName("join")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(100000)
    ->Unit(benchmark::kMicrosecond);

void BM_CommandSelect(benchmark::State& state) {
  SetUpEngine();
  SetKeyMode(TKeyMode::Command);
  TimeEachCall(
      state, [] { Key(CmdSeq1); }, [](uint32_t) {});
  RunCtl.ProgState = TProgState::Config;
}
BENCHMARK(BM_CommandSelect)->UseManualTime()->Iterations(100000)->Unit(benchmark::kMicrosecond);

void BM_Baseline(benchmark::State& state) {
  uint32_t x = 0;
  TimeEachCall(
      state, [&] { benchmark::DoNotOptimize(x = x * 1664525u + 1013904223u); }, [](uint32_t) {});
}
BENCHMARK(BM_Baseline)->UseManualTime()->Iterations(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
