// A full settings reload from the Config menu ("All settings from default file"), from the click to
// state Config again: every port closed, the devices listed, the file read, nine output and nine
// input ports re-found by name and opened, the engine reset and the window's controls reloaded.
// Offscreen, on the loopback backend with nine devices each way.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "keys/KeyPath.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "platform/midi/Midi.h"
#include "ui_Main.h"

namespace vel {
namespace {

void AllocateAll(TPortSide side) {
  ListInDevices();
  ListOutDevices();
  while (AllocateSelectedDevice(side, FreeDevicesRow(side) + 1)) {
  }
}

void BM_ConfigReloadNinePorts(benchmark::State& state) {
  const std::string home = (std::filesystem::temp_directory_path() / "vel-bench-reload").string();
  std::filesystem::remove_all(home);
  bench::UsePrivateHome(home);
  midi::loopback::SetDevCounts(kPorts, kPorts);

  int argc = 1;
  char arg0[] = "vellorine-bench";
  char* argv[] = {arg0, nullptr};
  QApplication app(argc, argv);
  // As the program's main block wires the engine and the settings file to each other.
  InstallKeyModeCalls();
  InstallKeyPath();
  {
    TfrmMain form;
    AllocateAll(TPortSide::Outputs);
    AllocateAll(TPortSide::Inputs);
    if (RunCtl.OutPortsAllocated != kPorts - 1 || RunCtl.InPortsAllocated != kPorts - 1) {
      state.SkipWithError("nine ports each way not allocated");
      return;
    }
    form.Files().SaveDefaultConfig();
    // Only the confirmation may be asked; any other box would be a fault of the reload.
    int64_t boxes = 0;
    Ui().MessageBox = [&boxes](const std::string&, const std::string&, MsgKind, MsgButtons buttons) {
      ++boxes;
      return FirstButtonAnswer(buttons);
    };
    // The confirmation answers Yes: the default hooks take the first button.
    bench::TimeEachCall(
        state,
        [&] {
          emit form.Widgets().mnuConfig->aboutToShow();
          form.Widgets().mnuConfigLoadAllFromDefault->trigger();
        },
        [](uint32_t) {});
    state.counters["boxes_per_reload"] = static_cast<double>(boxes) / static_cast<double>(state.iterations());
    Ui() = UiHooks{};
    if (RunCtl.ProgState.load() != TProgState::Config || RunCtl.OutPortsAllocated != kPorts - 1 ||
        RunCtl.InPortsAllocated != kPorts - 1)
      state.SkipWithError(("the reload ended in state " + std::to_string(int(RunCtl.ProgState.load())) +
                           " with " + std::to_string(RunCtl.OutPortsAllocated + 1) + " outputs and " +
                           std::to_string(RunCtl.InPortsAllocated + 1) + " inputs")
                              .c_str());
    CloseAllPorts();
  }
  InstanceLocks.ReleaseAll();
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_ConfigReloadNinePorts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
}  // namespace vel

BENCHMARK_MAIN();
