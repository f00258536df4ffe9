#include "mainwindow/PortPanelView.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/Sizes.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "mainwindow/PortNames.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

int32_t Allocated(TPortSide side) {
  return side == TPortSide::Inputs ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated;
}

std::string PortName(TPortSide side, int32_t port) {
  const auto& items = PortListOf(side).PortItems;
  return port < static_cast<int32_t>(items.size()) ? StripPortPrefix(items[port]) : std::string();
}

}  // namespace

TPortButtons UpdatePortButtons(TPortSide side, int32_t devRow, int32_t portRow) {
  const bool config = RunCtl.ProgState == TProgState::Config;
  const int32_t last = Allocated(side);
  const bool port = portRow >= 0 && portRow <= last;
  TPortButtons b;
  b.Alloc = CanAllocate(side, devRow);
  b.DeAlloc = config && port;
  b.Up = config && port && portRow > 0;
  b.Down = config && port && portRow < last;
  b.Name = port;
  return b;
}

TPortPanelHints PortPanelHints(TPortSide side, bool config) {
  if (!config) {
    const std::string no = "Not available in Run mode; click Stop first";
    return {no, no, no, no, no};
  }
  const bool in = side == TPortSide::Inputs;
  const std::string what = in ? "input" : "output";
  const std::string uses =
      in ? "(nos. are used for defining external clock source)" : "(nos. are used by run-time port command)";
  return {"De-allocate all " + what + " ports and rescan for MIDI " + what + " devices",
          "Allocate selected device to be used as an " + what + " port", "De-allocate selected port",
          "Decrease selected " + what + " port number " + uses,
          "Increase selected " + what + " port number " + uses};
}

TPortRows PortRows() {
  const bool standard = Cfg.StandardMode != 0;
  TPortRows r;
  r.In0Visible = RunCtl.InPortsAllocated >= 0;
  r.In0Controls = r.In0Visible && standard;
  r.In0Name = PortName(TPortSide::Inputs, 0);
  r.In1Visible = standard && RunCtl.InPortsAllocated >= 1;
  // A raw input is passed on as it comes: no channel filter or octave applies to it.
  r.In1Controls = r.In1Visible && Cfg.AuxInPortReqd;
  r.In1Name = PortName(TPortSide::Inputs, 1);
  if (Cfg.AuxInPortReqd) {
    r.In1Caption = "In";
    r.In1Hint =
        "Port 2 assigned as aux; merged with main port 1 and interpreted as control data (can be renamed in "
        "Settings, Ports)";
  } else {
    r.In1Caption = "Raw non-interpret";
    r.In1Hint = "Port 2 assigned as raw non-interpreted input (can be renamed in Settings, Ports)";
  }
  r.OutVisible = RunCtl.OutPortsAllocated >= 0;
  if (RunCtl.OutPortsAllocated == 0 || !standard) {
    r.OutText = PortName(TPortSide::Outputs, 0);
    r.OutHint =
        "Single output port assigned to all sequence & live outputs (can be renamed in Settings, Ports)";
  } else {
    r.OutText = "See individual seqs";
    r.OutHint = "Multiple output ports assigned individually to each sequence & live output";
  }
  return r;
}

TItems PortNumberItems(int32_t lastPort) {
  TItems items;
  for (int32_t p = 0; p <= lastPort && p < kPorts; ++p) items.push_back("P" + std::to_string(p + 1));
  return items;
}

void FitPortsToAllocation() {
  Lock lock(EngineLock);
  const int32_t last = RunCtl.OutPortsAllocated;
  auto fit = [last](int8_t& port) {
    if (port < 0 || port > last || last <= 0) port = 0;
  };
  fit(RunCtl.LivePort);
  for (int32_t s = 0; s <= LastSeq(); ++s)
    for (auto& parts : Seqs.PartBufs) {
      fit(parts[s].PortPend);
      fit(parts[s].Port);
    }
}

}  // namespace vel
