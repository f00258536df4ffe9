#pragma once
// The port allocation panel (Settings > Ports) and the main window's port rows: the two panels
// take the place of the seqs and the groups while they show; closing them brings those back, logs
// the port tables and refills the port rows and combos. Also the live row's own values, the seq
// count and the display link's port, whose changes refresh the whole window.
#include <array>
#include <functional>

#include "base/Sizes.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QAction;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QSpinBox;
class QToolButton;
class QWidget;

namespace vel {

// The panels and the port rows, the live row's and the display link's lists, the menus and groups
// the panels stand in for while they show; the window the handlers live with (a new seq count may
// move it), the seq rows' port lists, the outputs' clock and sync boxes, and the window's own
// calls on closing the panels.
struct TPortPanelWidgets {
  QToolButton* btnRenameInPortDone = nullptr;
  QToolButton* btnRenameOutPortDone = nullptr;
  QComboBox* cboInPort0FilterChan = nullptr;
  QComboBox* cboInPort1FilterChan = nullptr;
  QComboBox* cboLivePorts = nullptr;
  QComboBox* cboLiveSVels = nullptr;
  QComboBox* cboMaxActiveSeqs = nullptr;
  QComboBox* cboTarloPNo = nullptr;
  QComboBox* cboTarloSysexDevId = nullptr;
  QCheckBox* chkLivePLocked = nullptr;
  QLineEdit* edtInPName = nullptr;
  QLineEdit* edtOutPName = nullptr;
  QGroupBox* grpClock = nullptr;
  QGroupBox* grpControl = nullptr;
  QGroupBox* grpMetr = nullptr;
  QGroupBox* grpPorts = nullptr;
  QLabel* lblIn0 = nullptr;
  QLabel* lblIn1 = nullptr;
  QLabel* lblMidiOutClocks = nullptr;
  QLabel* lblMidiOutSync = nullptr;
  QLabel* lblOut = nullptr;
  QLabel* lblTarlo = nullptr;
  QLabel* lblvInPort0Name = nullptr;
  QLabel* lblvInPort0OctOffset = nullptr;
  QLabel* lblvInPort1Name = nullptr;
  QLabel* lblvInPort1OctOffset = nullptr;
  QLabel* lblvOutPort0Name = nullptr;
  QListWidget* lstInDNames = nullptr;
  QListWidget* lstInPNames = nullptr;
  QListWidget* lstOutDNames = nullptr;
  QListWidget* lstOutPNames = nullptr;
  QMenu* mnuAction = nullptr;
  QAction* mnuCfgPorts = nullptr;
  QMenu* mnuConfig = nullptr;
  QMenu* mnuFile = nullptr;
  QMenu* mnuSettings = nullptr;
  QMenu* mnuView = nullptr;
  QMenu* mnuWindows = nullptr;
  QFrame* pnlConfigInPorts = nullptr;
  QFrame* pnlConfigOutPorts = nullptr;
  QFrame* pnlKinetrace = nullptr;
  QFrame* pnlSeqStatus = nullptr;
  QToolButton* sbtnDone = nullptr;
  QToolButton* sbtnInPortAlloc = nullptr;
  QToolButton* sbtnInPortDeAlloc = nullptr;
  QToolButton* sbtnInPortDown = nullptr;
  QToolButton* sbtnInPortUp = nullptr;
  QToolButton* sbtnOutPortAlloc = nullptr;
  QToolButton* sbtnOutPortDeAlloc = nullptr;
  QToolButton* sbtnOutPortDown = nullptr;
  QToolButton* sbtnOutPortUp = nullptr;
  QToolButton* sbtnRenameInPort = nullptr;
  QToolButton* sbtnRenameOutPort = nullptr;
  QToolButton* sbtnRescanInDevs = nullptr;
  QToolButton* sbtnRescanOutDevs = nullptr;
  QSpinBox* udInPort0Oct = nullptr;
  QSpinBox* udInPort1Oct = nullptr;
  QWidget* Window = nullptr;
  TRunTimeControls RunTime;
  std::function<void()> LayoutSeqStatusColumns;
  std::function<void(TProgState state)> ApplyProgState;
};

class TPortPanel : public TWindow {
 public:
  explicit TPortPanel(const TPortPanelWidgets& widgets);
  TPortPanel(const TPortPanel&) = delete;
  TPortPanel& operator=(const TPortPanel&) = delete;
  // The port users, the port rows and combos after a refresh, and the closing of a side's ports.
  void Answer(TWindowCalls& calls) override;
  void On(TTopic topic) override;

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
  TPortPanelWidgets w_;
  // One side's panel: its lists, buttons and port renaming.
  void WireSide(bool inputs);
  void WirePortMoves(bool inputs);
  void WireRename(bool inputs);
  void WireRefresh(bool inputs);
  // The live row's own values, the seq count and the display link's port.
  void WireLiveRowAndSeqCount();
};

}  // namespace vel
