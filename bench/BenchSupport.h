#pragma once
// What the engine benchmarks share: the loopback outputs on ports 0..2 stamped with the engine
// clock, and the timing of each call on its own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "platform/midi/Midi.h"

namespace vel::bench {

inline uint32_t EngineClock() {
  return static_cast<uint32_t>(Transport.MsClock.load());
}

// Opens the loopback outputs once and allocates them to ports 0..2 (port p on device p).
inline void UseLoopbackOutputs() {
  static midi::Handle out[midi::loopback::kOutDevs];
  static bool opened = false;
  midi::SelectBackend(midi::Backend::Loopback);
  midi::Rescan();
  midi::loopback::SetClock(&EngineClock);
  for (int d = 0; d < midi::loopback::kOutDevs; ++d) {
    if (!opened) midi::OutOpen(d, out[d]);
    RunCtl.MidiOutDevs[d].Handle = out[d];
    RunCtl.MidiOutDevs[d].Opened = 1;
    RunCtl.PortDevIdx[d] = static_cast<int8_t>(d);
  }
  opened = true;
  RunCtl.OutPortsAllocated = 2;
}

// Times each call of fn (or fn(n), n counting the calls) alone; before each, between(n) runs
// untimed. The counters give the median, the 99th and 99.9th percentiles and the worst call in
// microseconds.
template <typename Fn, typename Between>
void TimeEachCall(benchmark::State& state, Fn fn, Between between) {
  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(state.max_iterations));
  uint32_t n = 0;
  for (auto _ : state) {
    between(n);
    const auto t0 = std::chrono::steady_clock::now();
    if constexpr (std::is_invocable_v<Fn, uint32_t>) {
      fn(n);
    } else {
      fn();
    }
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

// The index of the listed device of that name, -1 none.
inline int32_t FindDev(const std::array<TMidiDevRec, midi::kMaxDevs>& table, int32_t last,
                       const std::string& name) {
  for (int32_t i = 0; i <= last; ++i)
    if (table[i].DevName == name) return i;
  return -1;
}

// Nearest rank; p 0 is the least.
inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
  return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

}  // namespace vel::bench
