// Cost of one timer callback with all eight parts full (4999 events each) and playing, the four
// seqs sweeping between their two parts, plus one live note on the live port every tick, sent to
// the loopback backend. Each call is timed on its own; the counters give the median, the 99th and
// 99.9th percentiles and the worst call in microseconds. The baseline times a call that does
// nearly nothing in the same way: its worst is what the machine adds (interrupts, other work).
//
//   spread: the events evenly over four bars (an event every 12 ticks, a few per call);
//   chords: the same events stacked on the sixteenth notes of the four bars (about 78 per
//           sixteenth per seq, so a call on a sixteenth sends some 300 messages).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

constexpr int32_t kPartTicks = 4 * 15360;
using bench::TimeEachCall;

void SetUpEngine(bool chords) {
  bench::UseLoopbackOutputs();
  RunCtl.LivePort = 2;
  Cfg.MetrSeqNo = -1;
  Cfg.TempoSlewTime = 0;
  Cfg.MIDIOutClocksEnabled.fill(1);
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMin[1] = 0;
  Cfg.MChanMax[1] = 2;
  for (int s = 0; s < kSeqs; ++s) {
    for (int p = 0; p < kParts; ++p) {
      ClearPartBuf(p, s);
      TPartBuf& b = Seqs.PartBufs[p][s];
      b.SeqState = TSeqState::Stopped;
      b.PortPend = static_cast<int8_t>(s % 3);
      b.ChanPend = static_cast<int8_t>(s);
      for (int32_t i = 0; i < kMaxPartEvents - 1; ++i) {
        const int32_t t = chords ? (i * 64 / kMaxPartEvents) * 960 : i * kPartTicks / kMaxPartEvents;
        const uint32_t note = 36 + static_cast<uint32_t>(i / 2 % 48);
        InsertPartEvent(p, s, i % 2 ? 0x000080 | note << 8 : 0x640090 | note << 8, t, true);
      }
      InsertPartEvent(p, s, 0xFF, kPartTicks, false);
    }
    Seqs.SeqRecs[s] = TSeqRec{};
    Seqs.SeqRecs[s].PartSweepOn = 1;
    Seqs.SeqRecs[s].PartSweepHigh = 1;
    TPartBuf& b = SeqBuf(s);
    b.SeqState = TSeqState::Playing;
    b.PlayEvIndex = b.Head;
    AdvanceSeqEvent(s, true, 0, 0);
  }
  ResetLiveFifo();
  // The loopback backend keeps what it is sent in growing lists: give them their room before the
  // timing, so that their growth is not counted as the engine's.
  for (int d = 0; d < midi::loopback::kOutDevs; ++d)
    for (int i = 0; i < 20000; ++i) SendShortMsg(d, 0xF8, false);
  midi::loopback::ClearSent();
  RunCtl.ProgState = TProgState::Running;
}

void BM_TimerProc(benchmark::State& state) {
  SetUpEngine(state.range(0) == 1);
  TimeEachCall(
      state, [] { TimerProc(1, 0); },
      [](uint32_t n) {
        const uint32_t note = 40 + (n / 2) % 24;
        WriteLiveFifo(n % 2 ? 0x000080 | note << 8 : 0x500090 | note << 8);
        if (n % 512 == 0) midi::loopback::ClearSent();
      });
  RunCtl.ProgState = TProgState::Config;
  midi::loopback::ClearSent();
}
BENCHMARK(BM_TimerProc)
    ->ArgName("chords")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(200000)
    ->Unit(benchmark::kMicrosecond);

void BM_Baseline(benchmark::State& state) {
  uint32_t x = 0;
  TimeEachCall(
      state, [&] { benchmark::DoNotOptimize(x = x * 1664525u + 1013904223u); }, [](uint32_t) {});
}
BENCHMARK(BM_Baseline)->UseManualTime()->Iterations(200000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
