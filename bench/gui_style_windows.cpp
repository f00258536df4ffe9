// The drum style window, offscreen, on factory settings over loopback: a grid click to the redrawn
// grid (target under 5 ms), and the whole reload with 40 styles that a style key sends each status
// tick while the metronome plays (target under 5 ms).
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <mutex>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/EngineLock.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "styles/StyleEdit.h"
#include "styles/forms/CfgStyle.h"

namespace {

vel::bench::TBenchMainWindow window("style-windows");

vel::TfrmCfgStyle& Drum() {
  vel::TfrmMain& f = window.Get();
  if (!f.CfgDrum().isVisible()) {
    {
      std::lock_guard lock(vel::EngineLock);
      vel::DrumStore.ShowChains = 1;
      vel::DrumStore.ShowPatterns = 1;
    }
    f.Views().ShowCfgMetrDrum();
    QCoreApplication::processEvents();
  }
  return f.CfgDrum();
}

// A left click on step n of the bass drum row, and what the event loop then repaints.
void BM_GridClickToRedrawnGrid(benchmark::State& state) {
  vel::TfrmCfgStyle& w = Drum();
  QLabel* row = w.lblvGridSteps[14];
  vel::bench::TimeEachCall(
      state,
      [&w, row](uint32_t n) {
        const int x = w.GridCharWidth() * int(n % 16) + 1;
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 2), row->mapToGlobal(QPointF(x, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(row, &e);
        // The label's repaint and any layout the change asks for, as the event loop runs them.
        QCoreApplication::processEvents();
      },
      [](uint32_t) {});
}
BENCHMARK(BM_GridClickToRedrawnGrid)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

// The reload with 40 styles and the current one moving, and its repaint.
void BM_LoadControlsWith40Styles(benchmark::State& state) {
  vel::TfrmCfgStyle& w = Drum();
  {
    std::lock_guard lock(vel::EngineLock);
    while (vel::DrumStore.LastStyle < vel::kStyleCount - 1)
      vel::InsertStyle(vel::DrumStore, vel::DrumStore.LastStyle + 1);
  }
  w.RefreshStyleLists(true);
  vel::bench::TimeEachCall(
      state,
      [&w] {
        w.LoadControls();
        QCoreApplication::processEvents();
      },
      [](uint32_t n) {
        std::lock_guard lock(vel::EngineLock);
        vel::DrumStore.StyleNo = int32_t(n % vel::kStyleCount);
        vel::DrumStore.PatNo = 0;
      });
}
BENCHMARK(BM_LoadControlsWith40Styles)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
