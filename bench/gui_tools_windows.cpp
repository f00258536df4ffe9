// The diagnostics window, offscreen over loopback: a line added to a full log (the cap's drop,
// the list's append and scroll) and the save of a full log through the atomic writer.
#include <unistd.h>

#include <QAction>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/DiagLog.h"
#include "mainwindow/forms/Main.h"
#include "tools/DiagLogModel.h"
#include "tools/forms/Diag.h"
#include "ui_Main.h"

namespace {

vel::bench::TBenchMainWindow window("tools-windows");

vel::TfrmDiag& OpenDiag() {
  vel::TfrmMain& f = window.Get();
  if (!f.Diag().isVisible()) f.ui->mnuToolsDiag->trigger();
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

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
