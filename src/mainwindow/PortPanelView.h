#pragma once
// What the port panel and the Ports group show: the enabling of the panel's buttons, their hints,
// the rows of the Ports group after the panel closes, and the port numbers other windows list.
// GUI thread only.
#include <cstdint>
#include <string>

#include "mainwindow/MainCombos.h"
#include "mainwindow/PortModel.h"

namespace vel {

struct TPortButtons {
  bool Alloc = false;
  bool DeAlloc = false;
  bool Up = false;
  bool Down = false;
  bool Name = false;
  bool operator==(const TPortButtons&) const = default;
};
// The buttons of one side for the selected device row and port row (-1 none).
TPortButtons UpdatePortButtons(TPortSide side, int32_t devRow, int32_t portRow);

struct TPortPanelHints {
  std::string Refresh, Alloc, DeAlloc, Up, Down;
};
TPortPanelHints PortPanelHints(TPortSide side, bool config);

// The Ports group of the main window.
struct TPortRows {
  bool In0Visible = false;
  bool In0Controls = false;  // channel filter and octave
  std::string In0Name;
  bool In1Visible = false;
  bool In1Controls = false;
  std::string In1Caption, In1Hint, In1Name;
  bool OutVisible = false;
  std::string OutText, OutHint;
};
TPortRows PortRows();

// "P1" .. "Pn" for ports 0..lastPort; empty for none.
TItems PortNumberItems(int32_t lastPort);

// After the ports changed: a live or seq port beyond the last port, or any port while only one
// exists, becomes port 1. Takes EngineLock.
void FitPortsToAllocation();

}  // namespace vel
