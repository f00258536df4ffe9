// The tools windows, offscreen over loopback: a line added to a full diagnostics log (the cap's
// drop, the list's append and scroll), the save of a full log through the atomic writer, and the
// sample aid's redraw after a note (current note, remaining figures, lamp), which each note of a
// Play run asks of the GUI thread. The sample aid's tick has its own benchmark.
#include <unistd.h>

#include <QAction>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/DiagLog.h"
#include "mainwindow/forms/Main.h"
#include "tools/DiagLogModel.h"
#include "tools/SampleAid.h"
#include "tools/forms/Diag.h"
#include "tools/forms/SampleAidWindow.h"
#include "ui_Main.h"

namespace {

vel::bench::TBenchMainWindow window("tools-windows");

vel::TfrmDiag& OpenDiag() {
  vel::TfrmMain& f = window.Get();
  if (!f.Diag().isVisible()) f.Widgets().mnuToolsDiag->trigger();
  for (int i = 0; i < 1000; ++i) f.Diag().AddLogEntry("P1- 12345 00403C90 Note on ch1 C4 vel 64");
  return f.Diag();
}

void BM_AddLineToFullLog(benchmark::State& state) {
  OpenDiag();
  vel::bench::TimeEachCall(
      state, [] { vel::DiagLogTimed("P1- 12345 00403C90 Note on ch1 C4 vel 64"); }, [](uint32_t) {});
}
BENCHMARK(BM_AddLineToFullLog)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_SaveFullLog(benchmark::State& state) {
  vel::TfrmDiag& d = OpenDiag();
  const std::string file = "/tmp/vel-bench-diag-" + std::to_string(getpid()) + ".log";
  vel::bench::TimeEachCall(
      state, [&d, &file] { vel::SaveDiagLogFile(file, d.Log().FileText("Vellorine", "Linux")); },
      [](uint32_t) {});
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveFullLog)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

void BM_SampleAidRefreshAfterANote(benchmark::State& state) {
  vel::TfrmSampleAid& w = window.Get().SampleAidWindow();
  auto& s = vel::SampleAid;
  // No program change: the engine is not running and would refuse it with a box.
  s.ReqAuditionOut = 0;
  s.ReqTargetOut = 0;
  w.SampleAidRefresh();
  vel::bench::TimeEachCall(
      state, [&w] { w.SampleAidRefresh(); },
      [&s](uint32_t n) {
        s.Audition.CurPitch = 36 + static_cast<int32_t>(n % 48);
        s.NoteSounding = n % 2;
        s.ReqCurPitch[vel::TfrmSampleAid::kAudition] = 1;
        s.ReqCurVel[vel::TfrmSampleAid::kAudition] = 1;
        s.ReqLamp = 1;
      });
  s.NoteSounding = 0;
}
BENCHMARK(BM_SampleAidRefreshAfterANote)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
