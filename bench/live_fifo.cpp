// Cost of one LiveFifo write and read: alone, and with a second thread writing at the same time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "engine/MidiFifo.h"
#include "engine/RunControl.h"

namespace {

void BM_LiveFifoWriteRead(benchmark::State& state) {
  vel::RunCtl.OutPortsAllocated = -1;
  vel::ResetLiveFifo();
  uint32_t msg = 0x643C90;
  for (auto _ : state) {
    vel::WriteLiveFifo(msg);
    benchmark::DoNotOptimize(vel::ReadLiveFifo());
  }
}
BENCHMARK(BM_LiveFifoWriteRead);

// A second writer keeps the queue's lock busy; it backs off while the queue is half full so that
// no overflow resets the queue under the measured thread.
void BM_LiveFifoWriteReadContended(benchmark::State& state) {
  vel::RunCtl.OutPortsAllocated = -1;
  vel::ResetLiveFifo();
  std::atomic<bool> stop{false};
  std::atomic<int> pending{0};
  std::thread writer([&] {
    while (!stop.load(std::memory_order_relaxed)) {
      if (pending.load(std::memory_order_relaxed) < 500) {
        if (vel::WriteLiveFifo(0x7F4090)) pending.fetch_add(1, std::memory_order_relaxed);
      } else {
        std::this_thread::yield();
      }
    }
  });
  for (auto _ : state) {
    vel::WriteLiveFifo(0x643C90);
    uint32_t got = vel::ReadLiveFifo();
    if (got == 0x7F4090) pending.fetch_sub(1, std::memory_order_relaxed);
    benchmark::DoNotOptimize(got);
  }
  stop = true;
  writer.join();
  vel::ResetLiveFifo();
}
BENCHMARK(BM_LiveFifoWriteReadContended)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
