#pragma once
// A main window on the loopback backend, in a private home, settings and lock folder, with the
// boxes recorded and no sleeping. A fixture installs its own hooks in BeforeStart; one that starts
// the program itself, with parameters, sets startLater and calls Start.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "base/UiRecorder.h"
#include "engine/RunControl.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/ResetViewState.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/ProgramHooks.h"
#include "settings/CfgFactory.h"
#include "ui_Main.h"

namespace vel::test {

class FormRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vel-formrig-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    std::filesystem::create_directories(dir + "/run");
    std::filesystem::permissions(dir + "/run", std::filesystem::perms::owner_all);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    setenv("VELLORINE_MIDI", "loopback", 1);
    ResetViewState();
    rec.Install();
    ResetAllToFactory();
    TimerIo.Sleep = [](int32_t) {};
    savedDesktop = Desktop();
    Desktop().ShellOpen = [](const std::string&, const TShellDone& done) { done(kShellOk); };
    BeforeStart();
    if (startLater) return;
    Start({});
    ASSERT_TRUE(form->Started());
  }
  // The engine timer's calls answered without a timer: running starts and nothing ticks.
  static void FakeEngineTimer() {
    TimerIo.GetDevCaps = [](mmtimer::Caps& caps) {
      caps = {1, 1000000};
      return mmtimer::kOk;
    };
    TimerIo.BeginPeriod = [](uint32_t) { return mmtimer::kOk; };
    TimerIo.EndPeriod = [](uint32_t) { return mmtimer::kOk; };
    TimerIo.SetEvent = [](uint32_t, uint32_t, mmtimer::TimerCallback, uintptr_t) { return 7u; };
    TimerIo.KillEvent = [](uint32_t) { return mmtimer::kOk; };
    TimerIo.RealTimePriority = [] { return 20; };
  }
  void TearDown() override {
    form.reset();
    standInRegistration.Reset();
    standIn.reset();
    app.reset();
    Desktop() = savedDesktop;
    ResetViewState();
    std::error_code ec;
    // A test may have left its folder read-only.
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir, ec);
  }
  // Hooks the start-up already calls go in here: after the factory settings, before the window.
  virtual void BeforeStart() {}
  // Answers that replace the window's own to the calls they answer, from before the window until
  // after it.
  void StandIn(TWindowCalls calls) {
    standIn = std::make_unique<TWindowAnswers>(std::move(calls));
    standInRegistration = Windows().Register(*standIn, TRegisterAs::StandIn);
  }
  // The display timers' switching recorded (or dropped) in place of the window's timers.
  void StandInDspTimer(std::function<void(TDspTimer timer, bool on, int32_t intervalMs)> record) {
    TWindowCalls calls;
    calls.Run.SetDspTimer = std::move(record);
    StandIn(std::move(calls));
  }
  // Starts the program with these parameters after its own name.
  void Start(const std::vector<std::string>& params) {
    args = {"vellorine"};
    args.insert(args.end(), params.begin(), params.end());
    argv.clear();
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    argc = int(args.size());
    app.emplace(argc, argv.data());
    InstallWindowQueues();
    form = std::make_unique<TfrmMain>();
  }
  const Ui::frmMain& ui() { return form->Widgets(); }

  bool startLater = false;
  std::string dir;
  TDesktopHooks savedDesktop;
  UiRecorder rec;
  std::vector<std::string> args;
  std::vector<char*> argv;
  int argc = 0;
  std::optional<QApplication> app;
  std::unique_ptr<TfrmMain> form;
  std::unique_ptr<TWindowAnswers> standIn;
  TRegistration standInRegistration;
};

// The rig with an output port on the first loopback device and the engine timer faked, so that
// the Run button runs; Run clicks it.
class RunFormRig : public FormRig {
 protected:
  void BeforeStart() override {
    StandInDspTimer([](TDspTimer, bool, int32_t) {});
    FakeEngineTimer();
  }
  void SetUp() override {
    FormRig::SetUp();
    RunCtl.PortDevIdx[0] = 0;
    ASSERT_TRUE(OpenOutPort(0, 0));
    RunCtl.OutPortsAllocated = 0;
    SetProgState(TProgState::Config);
    rec.boxes.clear();
  }
  void TearDown() override {
    if (RunCtl.ProgState.load() == TProgState::Running) StopRunning();
    CloseAllOutPorts();
    FormRig::TearDown();
  }
  void Run() {
    ui().sbtnControl->click();
    ASSERT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  }
};

}  // namespace vel::test
