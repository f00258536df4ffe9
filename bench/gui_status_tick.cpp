// Cost of one status display tick of the main window (snapshot under the engine lock, view model,
// applying what changed) with four seqs playing and every column shown, and of one metronome
// display tick. Between the timed calls the engine runs 5 ms (untimed), so positions, lights and
// beats move as they do while playing. Run offscreen (QT_QPA_PLATFORM=offscreen).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainStatus.h"
#include "settings/Settings.h"

namespace {

using namespace vel;

int argc = 1;
char arg0[] = "vellorine";
char* argv[] = {arg0, nullptr};

std::unique_ptr<QApplication> app;
std::unique_ptr<TfrmMain> form;
std::string dir;

// The window, started once in a private home on the loopback backend.
TfrmMain& Form() {
  if (form) return *form;
  dir = bench::MakePrivateHome("status");
  app = std::make_unique<QApplication>(argc, argv);
  form = std::make_unique<TfrmMain>();
  form->show();
  return *form;
}

// Four seqs of two bars, each on its own port and channel, with a pending transpose and a port
// sweep so that the flash rule works; seq 1 the metronome seq; every display column on.
void SetUpPlaying() {
  TfrmMain& f = Form();
  std::lock_guard lock(EngineLock);
  bench::UseLoopbackOutputs();
  for (auto* flag :
       {&Cfg.DspScale, &Cfg.DspTempoDiv, &Cfg.DspSeqLen, &Cfg.DspSeqGrid, &Cfg.DspMidiActivity,
        &Cfg.DspPortNames, &Cfg.DspProgNames, &Cfg.DspKModeInputColours, &Cfg.DspKModeTitleColours})
    *flag = 1;
  Cfg.MaxActiveSeqs = 3;
  Cfg.MetrSeqNo = 0;  // its style captions are drawn too
  for (int s = 0; s < kSeqs; ++s) {
    ClearPartBuf(0, s);
    TPartBuf& b = Seqs.PartBufs[0][s];
    b.PortPend = b.Port = static_cast<int8_t>(s % 3);
    b.ChanPend = static_cast<int8_t>(s);
    b.Chan[b.Port] = static_cast<int8_t>(s);
    b.Pend.Transpose = s;
    b.PortSweep.On = s == 3;
    for (int32_t i = 0; i < 64; ++i) {
      const uint32_t note = 48 + static_cast<uint32_t>(i % 24);
      InsertPartEvent(0, s, i % 2 ? 0x000080 | note << 8 : 0x640090 | note << 8, i * 480, true);
    }
    InsertPartEvent(0, s, 0xFF, 2 * 15360, false);
    Seqs.SeqRecs[s] = TSeqRec{};
    b.SeqState = TSeqState::Playing;
    b.PlayEvIndex = b.Head;
    AdvanceSeqEvent(s, true, 0, 0);
  }
  RunCtl.ProgState = TProgState::Running;
  RunCtl.TimerBusy = 1;
  f.LayoutSeqStatusColumns();
}

void RunEngine(uint32_t n) {
  for (int i = 0; i < 5; ++i) TimerProc(1, 0);
  if (n % 256 == 0) midi::loopback::ClearSent();
}

void BM_StatusTick(benchmark::State& state) {
  SetUpPlaying();
  TfrmMain& f = Form();
  const int64_t applies = f.Status().DspApplies();
  bench::TimeEachCall(
      state, [&f] { f.Status().UpdateDspStatus(); }, RunEngine);
  state.counters["applies_per_tick"] = double(f.Status().DspApplies() - applies) / double(state.iterations());
  state.counters["skipped"] = double(f.Status().DspSkippedTicks());
  RunCtl.ProgState = TProgState::Config;
}
BENCHMARK(BM_StatusTick)->UseManualTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);

// The same tick followed by the repaint it causes (the offscreen platform rasterises for real).
void BM_StatusTickAndPaint(benchmark::State& state) {
  SetUpPlaying();
  TfrmMain& f = Form();
  bench::TimeEachCall(
      state,
      [&f] {
        f.Status().UpdateDspStatus();
        QApplication::processEvents();
      },
      RunEngine);
  RunCtl.ProgState = TProgState::Config;
}
BENCHMARK(BM_StatusTickAndPaint)->UseManualTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);

void BM_MetrTick(benchmark::State& state) {
  SetUpPlaying();
  TfrmMain& f = Form();
  bench::TimeEachCall(
      state, [&f] { f.Status().UpdateDspMetr(); },
      [](uint32_t n) {
        TimerProc(1, 0);
        // A beat every fifth tick, as at a fast tempo with a 10 ms timer.
        if (n % 5 == 0) PlayCycle.BeatChanged = 1;
        if (n % 256 == 0) midi::loopback::ClearSent();
      });
  RunCtl.ProgState = TProgState::Config;
}
BENCHMARK(BM_MetrTick)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

// Counts the paint events the whole application handles.
class TPaintCounter : public QObject {
 public:
  int64_t Paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return QObject::eventFilter(watched, event);
  }
};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Ten seconds of the real display timers (status every 50 ms, metronome every 10 ms) while an
// engine thread plays the four seqs every millisecond: paints per second and the GUI thread's
// share of a core.
void BM_DisplaysWhilePlaying(benchmark::State& state) {
  SetUpPlaying();
  Cfg.DspStatusInterval = 50;
  Cfg.DspMetrInterval = 10;
  TPaintCounter paints;
  app->installEventFilter(&paints);
  for (auto _ : state) {
    std::atomic<bool> stop{false};
    std::thread engine([&stop] {
      while (!stop.load()) {
        TimerProc(1, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    EnableDspStatus(true, false);
    EnableDspMetr(true);
    QTimer drain;
    QObject::connect(&drain, &QTimer::timeout, [] { midi::loopback::ClearSent(); });
    drain.start(250);
    const double cpu0 = ThreadCpuSeconds();
    const int64_t paints0 = paints.Paints;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    loop.exec();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = ThreadCpuSeconds() - cpu0;
    DisableDspTimers();
    stop = true;
    engine.join();
    state.SetIterationTime(seconds);
    state.counters["paints_per_s"] = double(paints.Paints - paints0) / seconds;
    state.counters["gui_cpu_pct"] = 100.0 * cpu / seconds;
  }
  app->removeEventFilter(&paints);
  RunCtl.ProgState = TProgState::Config;
}
BENCHMARK(BM_DisplaysWhilePlaying)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  bench::RunBenchmarks(argc, argv);
  // The window goes before the application, and both before the statics they use.
  form.reset();
  app.reset();
  InstanceLocks.ReleaseAll();
  if (!dir.empty()) std::filesystem::remove_all(dir);
  return 0;
}
