// The key mapper and key-maps table windows, offscreen, on factory settings over loopback: the
// live display's repaint after a played key, the opening (all captions and the first paint), the
// table's rebuild after one edit, and the window thread's time per second with 20 keys played.
#include <QAction>
#include <QApplication>
#include <chrono>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "keymapper/forms/KeyGrid.h"
#include "keymapper/forms/KeyMapper.h"
#include "keymapper/forms/KeyMaps.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/forms/Main.h"
#include "ui_Main.h"

namespace {

vel::bench::TBenchMainWindow window("key-mapper");

vel::TfrmMain& Form() {
  return window.Get();
}

// A key played in Live mode, then the status tick's repaint request served.
void BM_UpdateMidiKeyDsp(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  f.KeyMapper().Open("Key Mapper");
  vel::bench::TimeEachCall(
      state,
      [&f] {
        f.KeyMapper().UpdateMidiKeyDsp();
        f.KeyMapper().Grid->repaint();
      },
      [](uint32_t n) {
        vel::Showing.LastLiveKey = int32_t(36 + n % 48);
        vel::Keys.KeyModeShownPrev = vel::TKeyMode::Live;
        vel::Keys.KeyModeShown = vel::TKeyMode::Live;
      });
  f.KeyMapper().close();
}
BENCHMARK(BM_UpdateMidiKeyDsp)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_OpenKeyMapper(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state,
      [&f] {
        f.Widgets().mnuToolsKeyMapper->trigger();
        f.KeyMapper().repaint();
      },
      [&f](uint32_t) {
        f.KeyMapper().close();
        QCoreApplication::processEvents();
      });
}
BENCHMARK(BM_OpenKeyMapper)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

void BM_TableRebuildAfterEdit(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  f.KeyMaps().Open("Key Maps Table");
  vel::bench::TimeEachCall(
      state,
      [&f] {
        f.KeyMaps().ListKeyMapsTable(0);
        f.KeyMaps().repaint();
      },
      [](uint32_t n) { vel::SetKeyFnCmd(int(n % 128), 2, n % 2 ? "play" : " "); });
  f.KeyMaps().close();
}
BENCHMARK(BM_TableRebuildAfterEdit)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// One second of 20 keys, each lit and released with its repaint, as the status tick serves them;
// reports the window thread's CPU time per second.
void BM_TwentyKeysASecond(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  f.KeyMapper().Open("Key Mapper");
  vel::bench::TimeEachCall(
      state,
      [&f] {
        for (int k = 0; k < 20; ++k)
          for (int32_t lit : {36 + k, -1}) {
            vel::Showing.LastLiveKey = lit;
            f.KeyMapper().UpdateMidiKeyDsp();
            f.KeyMapper().Grid->repaint();
          }
      },
      [](uint32_t) {});
  f.KeyMapper().close();
}
BENCHMARK(BM_TwentyKeysASecond)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
