#pragma once
// The port allocation panel (Settings > Ports) and the main window's port rows: the two panels
// take the place of the seqs and the groups while they show; closing them brings those back, logs
// the port tables and refills the port rows and combos. Also the live row's own values, the seq
// count and the display link's port, whose changes refresh the whole window.
#include "mainwindow/MainCombos.h"
#include "mainwindow/forms/MainArea.h"

namespace vel {

class TPortPanel : public TMainArea {
 public:
  explicit TPortPanel(TfrmMain& form);
  // The port users, the port rows and combos after a refresh, and the closing of a side's ports.
  void Answer(TWindowCalls& calls) override;

  // Settings > Ports.
  void mnuCfgPortsClick();
  void ClosePortPanel();
  void UpdatePortButtons(bool inputs);
  // The Ports group's rows of one side, and for outputs the live and seq port combos.
  void UpdatePortRows(bool inputs);
  void SelectPortCombos(const TMainComboIndices& idx);
  // RefreshAll, with reinit after listing the devices afresh; the window's lists, rows and combos
  // reload as the areas' answers to it.
  bool RefreshAllWithWindow(bool reinit);

 private:
  // One side's panel: its lists, buttons and port renaming.
  void WireSide(bool inputs);
  void WirePortMoves(bool inputs);
  void WireRename(bool inputs);
  void WireRefresh(bool inputs);
  // The live row's own values, the seq count and the display link's port.
  void WireLiveRowAndSeqCount();
};

}  // namespace vel
