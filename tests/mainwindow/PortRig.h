#pragma once
// The run-control rig reset as far as the main window's models, with the device tables listed from
// the loopback backend.
#include <string>
#include <vector>

#include "engine/RunTestState.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/ResetViewState.h"

namespace vel::test {

class PortRig : public RunRig {
 protected:
  void ResetState() override { ResetViewState(); }
  void SetUp() override {
    RunRig::SetUp();
    PortHooks.PortUsersChanged = [this](TPortSide side) {
      Note(side == TPortSide::Inputs ? "users: in" : "users: out");
    };
    Cfg.RunTimeSceneFolder = ::testing::TempDir() + "vel_port_rig";
    RescanDevices(false);
    RescanDevices(true);
    journal.clear();
  }

  static std::vector<std::string> DevTexts(TPortSide side) {
    std::vector<std::string> texts;
    for (const TDevItem& item : PortListOf(side).DevItems) texts.push_back(item.Text);
    return texts;
  }
  static std::vector<int> DevIdxs(TPortSide side) {
    const auto& ports = side == TPortSide::Inputs ? RunCtl.InPortDevIdx : RunCtl.PortDevIdx;
    return std::vector<int>(ports.begin(), ports.end());
  }
  // The row of the device-list item with that text.
  static int32_t Row(TPortSide side, const std::string& text) {
    const auto& items = PortListOf(side).DevItems;
    for (std::size_t r = 0; r < items.size(); ++r)
      if (items[r].Text == text) return static_cast<int32_t>(r);
    return -1;
  }
  void AllocateByName(TPortSide side, const std::string& devName) {
    ASSERT_TRUE(AllocateSelectedDevice(side, Row(side, devName))) << devName;
  }
};

}  // namespace vel::test
