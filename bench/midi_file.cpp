// Save and load of four full seqs (both parts of each, 4999 events a part) as a scene key does it:
// the whole MIDI file written beside its name and renamed, or read and put into the parts. Each
// call is timed on its own; "bytes" is the file's size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "BenchSupport.h"
#include "base/EngineLock.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/MidiFile.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

using bench::TimeEachCall;

const std::string& FilePath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("vellorine-bench-" + std::to_string(::getpid()) + ".mid"))
          .string();
  return path;
}

// Every part of the four seqs full: notes on and off a 16th apart, a controller now and then,
// the end marker last.
void FillAllParts() {
  bench::UseLoopbackOutputs();
  Cfg.MaxActiveSeqs = 3;
  RunCtl.ProgState = TProgState::Config;
  for (int p = 0; p < kParts; ++p)
    for (int s = 0; s < kSeqs; ++s) {
      ClearPartBuf(p, s);
      Seqs.PartBufs[p][s].SeqState = TSeqState::Stopped;
      int32_t t = 0;
      for (int i = 0; i < kMaxPartEvents - 1; ++i) {
        const uint32_t note = 36 + (i / 2 + s * 7 + p * 3) % 48;
        const uint32_t msg = i % 50 == 49 ? midi::TShortMsg::Pack(0xB0, 1, i % 128).Raw
                             : i % 2 == 0 ? midi::TShortMsg::Pack(0x90, note, 100).Raw
                                          : midi::TShortMsg::Pack(0x80, note, 0).Raw;
        InsertPartEvent(p, s, msg, t, true);
        t += i % 2 == 0 ? 800 : 160;
      }
      InsertPartEvent(p, s, 0xFF, t + 960, false);
    }
}

void BM_SaveFourFullSeqs(benchmark::State& state) {
  std::lock_guard lock(EngineLock);
  FillAllParts();
  TimeEachCall(
      state, [] { benchmark::DoNotOptimize(SaveSeqsToMidiFile(FilePath(), false, true)); }, [](uint32_t) {});
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(FilePath()));
}
BENCHMARK(BM_SaveFourFullSeqs)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_LoadFourFullSeqs(benchmark::State& state) {
  std::lock_guard lock(EngineLock);
  FillAllParts();
  SaveSeqsToMidiFile(FilePath(), false, true);
  TimeEachCall(
      state, [] { benchmark::DoNotOptimize(LoadSeqsFromMidiFile(-1, FilePath(), false, true)); },
      [](uint32_t) {});
  int32_t events = 0;
  for (const auto& part : Seqs.PartBufs)
    for (const TPartBuf& b : part) events += b.EventsUsed;
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(FilePath()));
  state.counters["events"] = events;
  std::filesystem::remove(FilePath());
}
BENCHMARK(BM_LoadFourFullSeqs)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
