#include "mainwindow/Refresh.h"

#include <mutex>
#include <string>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Sizes.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keymaps/KeyLabels.h"
#include "keys/TimeKeys.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"
#include "tools/TemplateSettings.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

template <typename T>
void Call(const std::function<T>& hook) {
  if (hook) hook();
}

// Re-finds saved port p of a side by its device name: the first free device of that name, so two
// devices of one name come back as two ports. False when none is there or it cannot be opened.
bool RefindPort(TPortSide side, int32_t p) {
  const bool inputs = side == TPortSide::Inputs;
  const std::string& devName = inputs ? Cfg.InPortDevNames[p] : Cfg.OutPortDevNames[p];
  const auto& items = PortListOf(side).DevItems;
  int32_t row = -1;
  for (int32_t r = FreeDevicesRow(side) + 1; r < static_cast<int32_t>(items.size()); ++r) {
    if (items[r].Text == devName) {
      row = r;
      break;
    }
  }
  if (row < 0 || !AllocateSelectedDevice(side, row)) return false;
  // The allocation numbered it as the next port: p, since the ports before it all came back.
  const int32_t port = inputs ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated;
  ApplyPortRename(side, port, inputs ? Cfg.InPortNames[p] : Cfg.OutPortNames[p]);
  return true;
}

void RefindPorts(TPortSide side) {
  const bool inputs = side == TPortSide::Inputs;
  const int32_t loaded = std::min<int32_t>(inputs ? Cfg.InPortsLoaded : Cfg.OutPortsLoaded, kPorts - 1);
  for (int32_t p = 0; p <= loaded; ++p) {
    if (!RefindPort(side, p)) break;
    if (!inputs) {
      Lock lock(EngineLock);
      RunCtl.MidiOutDevs[RunCtl.PortDevIdx[p]].ProgChangesEnabled = Cfg.ProgChangesEnabled[p];
    }
  }
  if (inputs) {
    Cfg.InPortsLoaded = RunCtl.InPortsAllocated;
  } else {
    Cfg.OutPortsLoaded = RunCtl.OutPortsAllocated;
  }
  if (RefreshHooks.PortRowsChanged) RefreshHooks.PortRowsChanged(side);
}

// The port of a saved port name among the output ports; no match keeps the current one.
int8_t PortByName(int32_t loadedPort, int32_t current) {
  if (loadedPort < 0 || loadedPort >= kPorts) return static_cast<int8_t>(current);
  int32_t selected = current;
  const int32_t port = SelectPortComboByName(PortLists.Out.PortItems, selected, Cfg.OutPortNames[loadedPort]);
  // No output at all: the live and seq ports rest on port 1, as closing the outputs leaves them.
  return static_cast<int8_t>(port < 0 ? 0 : port);
}

void Reinitialise() {
  SetProgState(TProgState::Initialising);
  Msgs.ErrMsg.Clear();
  Msgs.WarnMsg.Clear();
  Msgs.StatusAlertPending = 0;
  Msgs.StatusAlertText.Clear();
  Call(RefreshHooks.ClearWindowMessages);
  Call(RefreshHooks.CloseKeyMapWindows);
  Call(RefreshHooks.ReloadMainWindow);
  // The virtual keyboard takes the loaded key length before its settings window reloads.
  SetTemplateKeySize(Cfg.TemplateKeySizeLoaded);
  PublishTopic(TTopic::Settings);
  SetKLabDefs();
  RefindPorts(TPortSide::Inputs);
  RefindPorts(TPortSide::Outputs);
  {
    Lock lock(EngineLock);
    if (Cfg.LivePortNoLoaded >= 0) RunCtl.LivePort = PortByName(Cfg.LivePortNoLoaded, RunCtl.LivePort);
    for (int32_t s = 0; s < kSeqs; ++s) {
      TPartBuf& b = Seqs.PartBufs[Seqs.SeqRecs[s].PlayPart & 1][s];
      if (b.PortNoLoaded >= 0) b.PortPend = PortByName(b.PortNoLoaded, b.PortPend);
    }
    Live.TempoClockDiv = 1;
  }
  CreateSceneFolders();
  Call(RefreshHooks.SelectTarloControls);
  if (Cfg.TarloOnRequested) TarloOpen(Cfg.TarloSysExPortNo, Cfg.TarloSysExDevId);
}

}  // namespace

bool RefreshAll(bool reinit) {
  if (RunCtl.ProgState == TProgState::Running) {
    Msgs.ErrMsg.Set("RefreshAll error: Unexpected ProgState");
    return false;
  }
  if (reinit) Reinitialise();
  ApplyPendingMetre();
  ApplyPendingSeqValues();
  const TMainComboIndices combos = LoadMainCombos();
  if (RefreshHooks.LoadMainControls) RefreshHooks.LoadMainControls(combos);
  {
    Lock lock(EngineLock);
    Scenes.CurScene = 0;
    Scenes.CurExtScene = 0;
    Scenes.SceneSaved = 1;
  }
  ResetAllParts(false);
  ResetEngine();
  ResetUsagePeaks();
  SetProgState(TProgState::Config);
  {
    Lock lock(EngineLock);
    TStyleStore& store = Cfg.MetrTypePitchLocked ? DrumStore : BassStore;
    // A style left without patterns stays chosen, as the style window and the settings file keep it.
    if (!IsSelectableStylePattern(store, store.StyleNo, store.PatNo)) {
      store.StyleNo = 0;
      store.PatNo = 0;
    }
    Showing.MetrDrumChanged = 0;
    Showing.MetrBassChanged = 0;
    if (Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo < kSeqs)
      BuildMetronomeBar(Seqs.SeqRecs[Cfg.MetrSeqNo].PlayPart & 1, false);
  }
  return true;
}

void ClearAllPartBufs() {
  Lock lock(EngineLock);
  for (int32_t part = 0; part < kParts; ++part) {
    for (int32_t seq = 0; seq < kSeqs; ++seq) {
      ClearPartBuf(part, seq);
      ResetSeqAttribs(part, seq, true);
      TPartBuf& b = Seqs.PartBufs[part][seq];
      b.TempoDivPend = 1;
      b.TempoDiv = 1;
    }
  }
}

TPortRequest PortsInForce() {
  TPortRequest r;
  Lock lock(EngineLock);
  r.InPorts = RunCtl.InPortsAllocated;
  r.OutPorts = RunCtl.OutPortsAllocated;
  for (int32_t p = 0; p < kPorts; ++p) {
    const int32_t in = RunCtl.InPortDevIdx[p];
    const int32_t out = RunCtl.PortDevIdx[p];
    if (in >= 0 && in < int32_t(RunCtl.MidiInDevs.size())) {
      r.InDevNames[p] = RunCtl.MidiInDevs[in].DevName;
      r.InNames[p] = RunCtl.MidiInDevs[in].PortName;
    }
    const bool hasOut = out >= 0 && out < int32_t(RunCtl.MidiOutDevs.size());
    if (hasOut) {
      r.OutDevNames[p] = RunCtl.MidiOutDevs[out].DevName;
      r.OutNames[p] = RunCtl.MidiOutDevs[out].PortName;
    }
    r.ProgChangesEnabled[p] = hasOut ? RunCtl.MidiOutDevs[out].ProgChangesEnabled : 1;
  }
  return r;
}

void RequestPorts(const TPortRequest& ports) {
  Cfg.InPortsLoaded = ports.InPorts;
  Cfg.OutPortsLoaded = ports.OutPorts;
  Cfg.InPortDevNames = ports.InDevNames;
  Cfg.InPortNames = ports.InNames;
  Cfg.OutPortDevNames = ports.OutDevNames;
  Cfg.OutPortNames = ports.OutNames;
  Cfg.ProgChangesEnabled = ports.ProgChangesEnabled;
}

void ResetPortChanTables() {
  Lock lock(EngineLock);
  Live.Chan.fill(0);
  for (auto& port : PlayCycle.PortChanProgs) port.fill(TChanProg{});
  for (auto& parts : Seqs.PartBufs)
    for (TPartBuf& b : parts) b.Chan.fill(0);
}

void ResetUsagePeaks() {
  {
    Lock lock(EngineLock);
    for (int32_t s = 0; s <= LastSeq(); ++s)
      for (int32_t part = 0; part < kParts; ++part) Seqs.PartBufs[part][s].EventsPeak = -1;
  }
  // The count goes with the indices: a ring whose count says empty while its indices do not would
  // hand out items it no longer counts.
  auto zero = [](auto& fifo) {
    std::lock_guard lock(fifo.Mutex);
    fifo.ReadIdx = fifo.WriteIdx;
    fifo.Count = 0;
    fifo.HighWater = 0;
  };
  zero(LiveFifo);
  zero(RawFifo);
  zero(DiagTraceFifo);
  zero(DiagMsgsFifo);
}

bool TarloControlsVisible() {
  return Cfg.StandardMode && RunCtl.OutPortsAllocated >= 0;
}

TMetrControls UpdateMetrControls(bool running) {
  const bool m = Cfg.MetrSeqNo >= 0;
  const bool s = Cfg.MetrModeStyles != 0;
  const bool o = RunCtl.OutPortsAllocated >= 0;
  const bool novice = Cfg.StandardMode == 0;
  TMetrControls c;
  c.StyleLabels = {m && s, true};
  c.NoteCombos = {!running && m && !s, o};
  c.SVelLabel = {!running && m && !s && novice, true};
  c.NoteLabels = {running && m && !s, true};
  c.Fill = {m && !s, o};
  c.BarBeatLabels = {running || !s, true};
  c.ModeStyles = {m && !novice, o};
  c.TypeButtons = {m, true};
  c.ModeStylesChecked = s;
  return c;
}

TMetrControls MetrControlsNow(bool running) {
  Lock lock(EngineLock);
  return UpdateMetrControls(running);
}

TProgStateInputs ProgStateInputsNow() {
  Lock lock(EngineLock);
  return CurrentProgStateInputs();
}

}  // namespace vel
