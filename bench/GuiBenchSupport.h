#pragma once
// What the window benchmarks share: a private home, settings and lock folder on the loopback
// backend, offscreen, and the hooks the program's entry installs before its window.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "keymaps/KeyMapsFactory.h"
#include "keys/KeyPath.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/ValidateConfig.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgLink.h"

namespace vel::bench {

// Home, settings and lock folder inside home (made here), the loopback MIDI backend, and
// offscreen unless the caller chose a platform: the window starts without asking anything.
inline void UsePrivateHome(const std::string& home) {
  std::filesystem::create_directories(home + "/run");
  std::filesystem::permissions(home + "/run", std::filesystem::perms::owner_all);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
  setenv("VELLORINE_MIDI", "loopback", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// A new private home /tmp/vel-bench-<name>-XXXXXX in use; its path.
inline std::string MakePrivateHome(const std::string& name) {
  std::string home = "/tmp/vel-bench-" + name + "-XXXXXX";
  if (!mkdtemp(home.data())) std::abort();
  UsePrivateHome(home);
  return home;
}

// What the program's entry installs after the application and before its window.
inline void InstallEntryHooks() {
  InstallQtUiHooks();
  InstallKeyModeCalls();
  InstallKeyPath();
  CfgLink().ValidateConfig = [] { return ValidateConfig(); };
  std::lock_guard lock(EngineLock);
  LoadKeyMapsFactory();
}

// One main window shown offscreen in a private home, made at its first use. Close takes the
// window, then the application, then the home away: the window uses both.
class TBenchMainWindow {
 public:
  explicit TBenchMainWindow(std::string name) : name_(std::move(name)) {}
  TfrmMain& Get() {
    if (form_) return *form_;
    dir_ = MakePrivateHome(name_);
    app_.emplace(argc_, argv_);
    InstallEntryHooks();
    form_ = std::make_unique<TfrmMain>();
    form_->show();
    QCoreApplication::processEvents();
    return *form_;
  }
  void Close() {
    form_.reset();
    app_.reset();
    InstanceLocks.ReleaseAll();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

 private:
  std::string name_;
  std::string dir_;
  int argc_ = 1;
  char arg0_[10] = "vellorine";
  char* argv_[2] = {arg0_, nullptr};
  std::optional<QApplication> app_;
  std::unique_ptr<TfrmMain> form_;
};

inline void RunBenchmarks(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

}  // namespace vel::bench
