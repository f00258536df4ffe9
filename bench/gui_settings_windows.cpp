// The settings windows, offscreen, on factory settings over loopback: the show of each (loader,
// layout and first paint) and the colour scheme a changed panel colour applies to the main window.
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "engine/RunControl.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Main.h"
#include "settings/Settings.h"
#include "settings/forms/CfgBehaviour.h"
#include "settings/forms/CfgColours.h"
#include "settings/forms/CfgKinetrace.h"
#include "settings/forms/CfgMChan.h"
#include "settings/forms/CfgMetr.h"
#include "settings/forms/CfgPerf.h"
#include "settings/forms/CfgTiming.h"
#include "settings/forms/CfgVKbd.h"
#include "ui_Main.h"

namespace {

vel::bench::TBenchMainWindow window("settings-windows");

vel::TfrmMain& Form() {
  return window.Get();
}

// Opened from its menu item and painted; closed between.
void ShowWindow(benchmark::State& state, QAction* (*item)(vel::TfrmMain&),
                QWidget& (*window)(vel::TfrmMain&)) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state,
      [&f, item, window] {
        item(f)->trigger();
        window(f).repaint();
      },
      [&f, window](uint32_t) {
        window(f).close();
        QCoreApplication::processEvents();
      });
}

void BM_ShowColours(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgColours; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgColours(); });
}
BENCHMARK(BM_ShowColours)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowPerf(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgPerformance; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgPerf(); });
}
BENCHMARK(BM_ShowPerf)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowKinetrace(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgKinetrace; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgKinetrace(); });
}
BENCHMARK(BM_ShowKinetrace)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowVKbd(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgVKbd; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgVKbd(); });
}
BENCHMARK(BM_ShowVKbd)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowMetr(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgMetrSeq; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgMetr(); });
}
BENCHMARK(BM_ShowMetr)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowBehaviour(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgBehaviour; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgBehaviour(); });
}
BENCHMARK(BM_ShowBehaviour)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ShowTiming(benchmark::State& state) {
  ShowWindow(
      state, [](vel::TfrmMain& f) { return f.Widgets().mnuCfgTiming; },
      [](vel::TfrmMain& f) -> QWidget& { return f.CfgTiming(); });
}
BENCHMARK(BM_ShowTiming)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// With all nine output ports allocated: every row of the multiplier shows.
void BM_ShowMChan(benchmark::State& state) {
  Form();
  const int32_t allocated = vel::RunCtl.OutPortsAllocated;
  vel::RunCtl.OutPortsAllocated = vel::kPorts - 1;
  ShowWindow(
      state, [](vel::TfrmMain& m) { return m.Widgets().mnuCfgMChan; },
      [](vel::TfrmMain& m) -> QWidget& { return m.CfgMChan(); });
  vel::RunCtl.OutPortsAllocated = allocated;
}
BENCHMARK(BM_ShowMChan)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// Follow-up A of a panel colour, alternating between two colours.
void BM_ColourFollowUpA(benchmark::State& state) {
  vel::TfrmMain& f = Form();
  vel::bench::TimeEachCall(
      state, [&f] { f.CfgColours().RunAction(vel::TColourAction::ApplyColourScheme); },
      [](uint32_t n) { vel::Cfg.ClPanelControl = n % 2 ? vel::Rgb(200, 10, 20) : vel::Rgb(20, 10, 200); });
}
BENCHMARK(BM_ColourFollowUpA)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
