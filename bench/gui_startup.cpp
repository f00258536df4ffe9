// The main window's start-up, offscreen, on factory settings over the loopback MIDI backend, with a
// private home, settings and lock folder. In process: from nothing to the window in Config (the first
// run also builds the application object and its hooks, as the program's entry does; the later runs
// build the window alone). As a process: from spawning the built program to its scene folder
// appearing, which the settings' refresh makes just before it enters Config.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "GuiBenchSupport.h"
#include "engine/RunControl.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Main.h"
#include "settings/CfgFactory.h"

namespace {

int appArgc = 1;
char arg0[] = "vellorine";
char* appArgv[] = {arg0, nullptr};
std::optional<QApplication> app;

std::string dir;

void PrivateFolders() {
  if (!dir.empty()) return;
  dir = vel::bench::MakePrivateHome("start");
}

// What the program's entry does before the window.
void StartApplication() {
  app.emplace(appArgc, appArgv);
  QApplication::setApplicationName("Vellorine");
  vel::bench::InstallEntryHooks();
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

// The program beside this benchmark's folder: build/<preset>/vellorine.
std::string ProgramPath() {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  return (self.parent_path().parent_path() / "vellorine").string();
}

void BM_ProcessStartToSettingsApplied(benchmark::State& state) {
  PrivateFolders();
  const std::string program = ProgramPath();
  const std::string scenes = std::string(getenv("HOME")) + "/Vellorine/Scenes";
  for (auto _ : state) {
    std::filesystem::remove_all(std::string(getenv("HOME")) + "/Vellorine");
    char* args[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const auto t0 = std::chrono::steady_clock::now();
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, args, environ) != 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
      seen = std::filesystem::is_directory(scenes);
      if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const auto t1 = std::chrono::steady_clock::now();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!seen) {
      state.SkipWithError("the program never applied its settings");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
}
BENCHMARK(BM_ProcessStartToSettingsApplied)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  // The application goes before the statics it uses.
  app.reset();
  if (!dir.empty()) std::filesystem::remove_all(dir);
  return 0;
}
