// The main window's layout, offscreen, on factory settings over loopback: the seq status columns,
// rows, port boxes and group boxes after a view toggle, and the seq area and groups after a resize
// step (alone, and with Qt's own layout and the repaint of the window).
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Main.h"
#include "settings/Settings.h"

namespace {

vel::bench::TBenchMainWindow window("layout");

vel::TfrmMain& Form() {
  return window.Get();
}

// The view settings that move columns, one flipped per step as the View menu does.
uint8_t* ViewSetting(uint32_t n) {
  uint8_t* settings[] = {&vel::Cfg.DspScale,    &vel::Cfg.DspPortNames,    &vel::Cfg.DspProgNames,
                         &vel::Cfg.DspSeqLen,   &vel::Cfg.DspMidiActivity, &vel::Cfg.DspTempoDiv,
                         &vel::Cfg.DspKinetrace};
  return settings[n % std::size(settings)];
}

void BM_ViewToggleLayout(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state, [&f] { f.LayoutSeqStatusColumns(); },
      [](uint32_t n) {
        uint8_t* s = ViewSetting(n);
        *s = *s ? 0 : 1;
      });
}
BENCHMARK(BM_ViewToggleLayout)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

int Width(uint32_t n) {
  return 1040 + static_cast<int>(n % 8) * 30;
}

void BM_ResizeStepLayout(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state,
      [&f] {
        // What the resize handler does.
        f.LayoutSeqStatusWidths();
        f.LayoutSeqStatusColumns();
      },
      [&f](uint32_t n) {
        f.resize(Width(n), f.height());
        QCoreApplication::processEvents();
      });
}
BENCHMARK(BM_ResizeStepLayout)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_ResizeStepWithRepaint(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state,
      [&f](uint32_t n) {
        f.resize(Width(n), f.height());
        QCoreApplication::processEvents();
      },
      [](uint32_t) {});
}
BENCHMARK(BM_ResizeStepWithRepaint)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
