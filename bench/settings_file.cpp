// Full save and full load of a settings file with every key map filled and all 40 styles of both
// families filled with every pattern: the time of each.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "keymaps/KeyMaps.h"
#include "settings/CfgFactory.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

void FillStore(TStyleStore& st, bool bass) {
  st.LastStyle = kStyleCount - 1;
  for (int s = 0; s < kStyleCount; ++s) {
    st.Styles[s] = TStyleHeader{kStyleMainCount - 1, kStyleBreakCount - 1,
                                NameStr<kStyleNameLen>(std::string_view("Style" + std::to_string(s + 1)))};
    for (int p = 0; p < kStylePatternCount; ++p) {
      TStylePattern& pat = st.Patterns[s][p];
      pat.Steps = 16;
      pat.TSigNum = 4;
      pat.TSigDen = 4;
      pat.Name = std::string_view("P" + std::to_string(p));
      for (int r = 0; r < kStyleRows; ++r) {
        std::string row(16, '.');
        for (int i = (r + p) % 4; i < 16; i += 4) row[i] = r == 0 ? 'x' : "xfbt"[(i + s) % (bass ? 4 : 3)];
        SetStyleRow(pat, r, row);
      }
    }
  }
}

// Every key of every map carries a function: each code of the mode in turn.
void FillKeyMaps() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto& fns = KeyFns(static_cast<TModeType>(t));
    for (int k = 0; k < 128; ++k) {
      const TKeyFn& f = fns[(k * 7) % fns.size()];
      SetKeyFn(static_cast<TModeType>(t), k, f.Code, f.Token);
    }
  }
}

struct Setup {
  std::string file;
  Setup() {
    const auto dir = std::filesystem::temp_directory_path() / "vel-bench-settings";
    std::filesystem::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    file = (dir / "full.txt").string();
    LoadConfigFactory();
    CfgEngine.InPortsAllocated = 1;
    CfgEngine.OutPortsAllocated = 8;  // every per-port entry written
    FillKeyMaps();
    FillStore(DrumStore, false);
    FillStore(BassStore, true);
  }
};

Setup& State() {
  static Setup s;
  return s;
}

void BM_FullSave(benchmark::State& state) {
  Setup& s = State();
  for (auto _ : state) benchmark::DoNotOptimize(SaveConfigFileAs(s.file, CfgFull, true));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(s.file));
}
BENCHMARK(BM_FullSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FullLoad(benchmark::State& state) {
  Setup& s = State();
  SaveConfigFileAs(s.file, CfgFull, true);
  for (auto _ : state) {
    CfgFiles.ConfigFileName = s.file;
    benchmark::DoNotOptimize(LoadConfigFile(false, CfgFull));
  }
}
BENCHMARK(BM_FullLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace vel

BENCHMARK_MAIN();
