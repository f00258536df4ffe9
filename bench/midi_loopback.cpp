// Cost of a MIDI message through the facade and the loopback backend: input from injection to the
// callback on the MIDI-in worker, one at a time (latency) and in batches (throughput); output from
// OutShortMsg to the backend, alone and from four threads sharing one device.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/midi/Midi.h"

namespace vel::midi {
namespace {

std::atomic<uint64_t> gDelivered{0};

void CountCb(Handle, uintptr_t, const InMessage& m) {
  if (m.type == InMsg::Data || m.type == InMsg::LongData) gDelivered.fetch_add(1, std::memory_order_release);
}

struct InputDevice {
  Handle h = kInvalidHandle;
  explicit InputDevice(benchmark::State& state) {
    if (SelectBackend(Backend::Loopback) != kOk || InOpen(0, &CountCb, 0, h) != kOk || InStart(h) != kOk) {
      state.SkipWithError("cannot open the loopback input");
    }
  }
  ~InputDevice() { InClose(h); }
};

// One message at a time: inject, then wait until the worker has called back.
void BM_InputInjectToCallback(benchmark::State& state) {
  InputDevice dev(state);
  uint64_t expect = gDelivered.load();
  for (auto _ : state) {
    loopback::InjectShort(0, 0x643C90);
    ++expect;
    while (gDelivered.load(std::memory_order_acquire) < expect) {
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InputInjectToCallback)->UseRealTime();

// Batches of 1000 short messages, waiting for the last one.
void BM_InputThroughput(benchmark::State& state) {
  InputDevice dev(state);
  constexpr int kBatch = 1000;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) loopback::InjectShort(0, 0x90 | (i % 128) << 8 | 0x40 << 16);
    loopback::Drain();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_InputThroughput)->UseRealTime();

// Batches of 100 SysEx blocks of the given size.
void BM_InputSysExThroughput(benchmark::State& state) {
  InputDevice dev(state);
  std::vector<uint8_t> block(static_cast<std::size_t>(state.range(0)), 0x55);
  block.front() = 0xF0;
  block.back() = 0xF7;
  constexpr int kBatch = 100;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) loopback::Inject(0, block.data(), block.size());
    loopback::Drain();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetBytesProcessed(state.iterations() * kBatch * state.range(0));
}
BENCHMARK(BM_InputSysExThroughput)->Arg(16)->Arg(256)->UseRealTime();

// OutShortMsg note-on / note-off pairs; the loopback keeps every message, so the record is
// emptied now and then.
void BM_OutShortMsg(benchmark::State& state) {
  static Handle h = kInvalidHandle;
  if (state.thread_index() == 0) {
    SelectBackend(Backend::Loopback);
    if (OutOpen(0, h) != kOk) state.SkipWithError("cannot open the loopback output");
    loopback::ClearSent();
  }
  const uint32_t ch = static_cast<uint32_t>(state.thread_index()) & 0x0F;
  uint32_t n = 0;
  for (auto _ : state) {
    const uint32_t note = (n++ % 128) << 8;
    benchmark::DoNotOptimize(OutShortMsg(h, 0x400090 | ch | note));
    benchmark::DoNotOptimize(OutShortMsg(h, 0x80 | ch | note));
    if (state.thread_index() == 0 && (n % 65536) == 0) loopback::ClearSent();
  }
  state.SetItemsProcessed(state.iterations() * 2);
  if (state.thread_index() == 0) {
    OutClose(h);
    loopback::ClearSent();
  }
}
BENCHMARK(BM_OutShortMsg)->UseRealTime();
BENCHMARK(BM_OutShortMsg)->Threads(4)->UseRealTime();

}  // namespace
}  // namespace vel::midi

BENCHMARK_MAIN();
