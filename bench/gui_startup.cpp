// The main window's start-up, in process, offscreen: from nothing to the window in Config on factory
// settings over the loopback MIDI backend, with a private home, settings and lock folder. The first
// run also builds the application object and its hooks, as the program's entry does; the later runs
// build the window alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "keymaps/KeyMapsFactory.h"
#include "keys/KeyPath.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/ValidateConfig.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgFactory.h"
#include "settings/CfgLink.h"

namespace {

int argc = 1;
char arg0[] = "vellorine";
char* argv[] = {arg0, nullptr};
std::optional<QApplication> app;

void PrivateFolders() {
  static std::string dir;
  if (!dir.empty()) return;
  char tmpl[] = "/tmp/vel-bench-start-XXXXXX";
  dir = mkdtemp(tmpl);
  std::filesystem::create_directories(dir + "/run");
  std::filesystem::permissions(dir + "/run", std::filesystem::perms::owner_all);
  setenv("HOME", dir.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
  setenv("VELLORINE_MIDI", "loopback", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// What the program's entry does before the window.
void StartApplication() {
  app.emplace(argc, argv);
  QApplication::setApplicationName("Vellorine");
  vel::InstallQtUiHooks();
  vel::InstallKeyModeCalls();
  vel::InstallKeyPath();
  vel::CfgLink().ValidateConfig = [] { return vel::ValidateConfig(); };
  std::lock_guard lock(vel::EngineLock);
  vel::LoadKeyMapsFactory();
}

double StartToConfig(bool withApplication, std::unique_ptr<vel::TfrmMain>& form) {
  const auto t0 = std::chrono::steady_clock::now();
  if (withApplication) StartApplication();
  form = std::make_unique<vel::TfrmMain>();
  const auto t1 = std::chrono::steady_clock::now();
  if (!form->Started() || vel::RunCtl.ProgState.load() != vel::TProgState::Config) std::abort();
  return std::chrono::duration<double>(t1 - t0).count();
}

void Finish(std::unique_ptr<vel::TfrmMain>& form) {
  form.reset();
  vel::InstanceLocks.ReleaseAll();
  vel::ResetAllToFactory();
}

void BM_FirstStartToConfig(benchmark::State& state) {
  PrivateFolders();
  for (auto _ : state) {
    std::unique_ptr<vel::TfrmMain> form;
    state.SetIterationTime(StartToConfig(!app.has_value(), form));
    state.PauseTiming();
    Finish(form);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstStartToConfig)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WindowStartToConfig(benchmark::State& state) {
  PrivateFolders();
  if (!app) StartApplication();
  for (auto _ : state) {
    std::unique_ptr<vel::TfrmMain> form;
    state.SetIterationTime(StartToConfig(false, form));
    state.PauseTiming();
    Finish(form);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WindowStartToConfig)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
