// The window's event loop while a version check waits the whole 10 s on a local server that
// accepts and never answers: the largest gap between the ticks of a 10 ms timer, which would show
// any wait that blocked the GUI thread. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "mainwindow/forms/VersionCheck.h"

namespace {

void BM_EventLoopDuringVersionCheck(benchmark::State& state) {
  const int waitMs = static_cast<int>(state.range(0));
  QTcpServer silent;
  silent.listen(QHostAddress::LocalHost, 0);
  const QString url = QString("http://127.0.0.1:%1/version.txt").arg(silent.serverPort());
  for (auto _ : state) {
    QObject owner;
    vel::TVersionCheck check(&owner);
    bool ok = true;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 maxGap = 0;
    int64_t ticks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      maxGap = std::max(maxGap, now - last);
      last = now;
      ++ticks;
    });
    clock.start();
    tick.start(10);
    QEventLoop loop;
    check.Start(url, waitMs, [&](bool answered, const std::string&) {
      ok = answered;
      loop.quit();
    });
    loop.exec();
    const qint64 waited = clock.elapsed();
    tick.stop();
    state.counters["wait_ms"] = static_cast<double>(waited);
    state.counters["ticks"] = static_cast<double>(ticks);
    state.counters["max_gap_ms"] = static_cast<double>(std::max(maxGap, waited - last));
    state.counters["answered"] = ok ? 1 : 0;
  }
}
BENCHMARK(BM_EventLoopDuringVersionCheck)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
