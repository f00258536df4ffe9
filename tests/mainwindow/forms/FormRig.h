#pragma once
// A started main window on the loopback backend, in a private home and settings folder, with the
// boxes recorded and no sleeping.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/Messages.h"
#include "base/UiRecorder.h"
#include "engine/RunControl.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/Main.h"
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
    ResetAllToFactory();
    TimerIo.Sleep = [](int32_t) {};
    app.emplace(argc, argv);
    form = std::make_unique<TfrmMain>();
    ASSERT_TRUE(form->Started());
    savedDesktop = Desktop();
    Desktop().ShellOpen = [](const std::string&) { return kShellOk; };
  }
  void TearDown() override {
    form.reset();
    app.reset();
    Desktop() = savedDesktop;
    InstanceLocks.ReleaseAll();
    TimerIo.Sleep = nullptr;
    Msgs.WarnMsg.TakeAndClear();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  Ui::frmMain& ui() { return *form->ui; }

  std::string dir;
  TDesktopHooks savedDesktop;
  UiRecorder rec;
  int argc = 1;
  char arg0[16] = "vellorine";
  char* argv[2] = {arg0, nullptr};
  std::optional<QApplication> app;
  std::unique_ptr<TfrmMain> form;
};

}  // namespace vel::test
