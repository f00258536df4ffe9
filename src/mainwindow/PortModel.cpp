#include "mainwindow/PortModel.h"

#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Sizes.h"
#include "base/UiHooks.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "mainwindow/PortNames.h"
#include "platform/midi/Midi.h"
#include "settings/CfgFile.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

bool IsInputs(TPortSide side) {
  return side == TPortSide::Inputs;
}

auto& DevTable(TPortSide side) {
  return IsInputs(side) ? RunCtl.MidiInDevs : RunCtl.MidiOutDevs;
}
int32_t DevsLast(TPortSide side) {
  return IsInputs(side) ? RunCtl.MidiInDevsLast : RunCtl.MidiOutDevsLast;
}
auto& PortDevs(TPortSide side) {
  return IsInputs(side) ? RunCtl.InPortDevIdx : RunCtl.PortDevIdx;
}
int8_t& Allocated(TPortSide side) {
  return IsInputs(side) ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated;
}
bool IsDev(TPortSide side, int32_t dev) {
  return dev >= 0 && dev <= DevsLast(side) && dev < static_cast<int32_t>(DevTable(side).size());
}
bool InConfig() {
  return RunCtl.ProgState == TProgState::Config;
}
// Ports change only while the engine is idle: in Config, and in Initialising while the refresh
// re-finds them.
bool EngineIdle() {
  return RunCtl.ProgState != TProgState::Running && RunCtl.ProgState != TProgState::Stopping;
}
// A device row that can take the next port.
bool AllocatableRow(TPortSide side, int32_t row) {
  const auto& items = PortListOf(side).DevItems;
  if (row < 0 || row >= static_cast<int32_t>(items.size())) return false;
  const int32_t dev = items[row].DevIdx;
  return IsDev(side, dev) && !DevTable(side)[dev].Opened && Allocated(side) < kPorts - 1;
}

void CallPortUsers(TPortSide side) {
  if (PortHooks.PortUsersChanged) PortHooks.PortUsersChanged(side);
}

// The hourglass for the length of an operation, after the window has caught up with its clicks.
struct TBusy {
  TBusy() {
    Ui().ProcessEvents();
    Ui().BusyCursor(true);
  }
  ~TBusy() { Ui().BusyCursor(false); }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;
};

void ListDevices(TPortSide side) {
  TPortList& list = PortListOf(side);
  list.DevItems.clear();
  const auto& table = DevTable(side);
  const auto& portDevs = PortDevs(side);
  std::vector<bool> allocated(table.size(), false);
  for (int32_t p = 0; p <= std::min<int32_t>(Allocated(side), kPorts - 1); ++p) {
    const int32_t dev = portDevs[p];
    if (!IsDev(side, dev)) continue;
    allocated[dev] = true;
    list.DevItems.push_back({table[dev].DevName, dev});
  }
  bool separated = false;
  for (int32_t dev = 0; dev <= DevsLast(side); ++dev) {
    if (allocated[dev]) continue;
    if (!separated) list.DevItems.push_back({kFreeDevicesLine, -1});
    separated = true;
    list.DevItems.push_back({table[dev].DevName, dev});
  }
}

// Port items, PortName and PortNo from port `from` on, after the ports moved.
void RenumberPorts(TPortSide side, int32_t from) {
  TPortList& list = PortListOf(side);
  auto& table = DevTable(side);
  for (int32_t k = from; k <= Allocated(side) && k < static_cast<int32_t>(list.PortItems.size()); ++k) {
    const int32_t dev = PortDevs(side)[k];
    list.PortItems[k] = PortItemText(k, StripPortPrefix(list.PortItems[k]));
    if (!IsDev(side, dev)) continue;
    table[dev].PortName = list.PortItems[k];
    table[dev].PortNo = static_cast<int8_t>(k);
  }
}

// The per-port output settings travel with their port. Expects EngineLock held.
void CopyOutPortSettings(int32_t to, int32_t from) {
  Cfg.MIDIOutClocksEnabled[to] = Cfg.MIDIOutClocksEnabled[from];
  Cfg.MidiOutSyncEnabled[to] = Cfg.MidiOutSyncEnabled[from];
  Cfg.MChanEnabled[to] = Cfg.MChanEnabled[from];
  Cfg.MChanMin[to] = Cfg.MChanMin[from];
  Cfg.MChanMax[to] = Cfg.MChanMax[from];
  Cfg.MChanPitchOffset[to] = Cfg.MChanPitchOffset[from];
}
void ClearOutPortSettings(int32_t port) {
  Cfg.MIDIOutClocksEnabled[port] = 0;
  Cfg.MidiOutSyncEnabled[port] = 0;
  Cfg.MChanEnabled[port] = 0;
  Cfg.MChanMin[port] = 0;
  Cfg.MChanMax[port] = 0;
  Cfg.MChanPitchOffset[port] = {};
}

std::string OpenFailureText(TPortSide side, int32_t port, const std::string& devName) {
  return std::string(IsInputs(side) ? "Failed to open/start input port " : "Failed to open output port ") +
         std::to_string(port + 1) + ": " + devName + "\r\n" + "(possibly in use by another program?)" +
         "\r\n\r\nClick 'Settings, Ports' to allocate ports";
}

}  // namespace

std::string PortItemText(int32_t port, const std::string& name) {
  return "P" + std::to_string(port + 1) + "- " + name;
}

void ListInDevices() {
  ListDevices(TPortSide::Inputs);
}

void ListOutDevices() {
  ListDevices(TPortSide::Outputs);
}

int32_t FreeDevicesRow(TPortSide side) {
  const auto& items = PortListOf(side).DevItems;
  for (std::size_t r = 0; r < items.size(); ++r)
    if (items[r].DevIdx < 0) return static_cast<int32_t>(r);
  return static_cast<int32_t>(items.size());
}

bool CanAllocate(TPortSide side, int32_t row) {
  return InConfig() && AllocatableRow(side, row);
}

bool AllocateSelectedDevice(TPortSide side, int32_t row) {
  if (!EngineIdle() || !AllocatableRow(side, row)) return false;
  TBusy busy;
  TPortList& list = PortListOf(side);
  const int32_t dev = list.DevItems[row].DevIdx;
  auto& d = DevTable(side)[dev];
  const int32_t p = Allocated(side) + 1;
  bool ok = false;
  if (IsInputs(side)) {
    {
      // The input path finds the port of a message by these two before the open returns.
      Lock lock(EngineLock);
      RunCtl.InPortDevIdx[p] = static_cast<int8_t>(dev);
      d.PortNo = static_cast<int8_t>(p);
    }
    ok = OpenInPort(dev, p) && StartInPort(dev, p);
    if (!ok) {
      // An input that opened but did not start is closed again, so no device stays open unallocated.
      CloseInPort(dev, p, false);
      Lock lock(EngineLock);
      RunCtl.InPortDevIdx[p] = -1;
      d.PortNo = -1;
    }
  } else {
    ok = OpenOutPort(dev, p);
  }
  if (!ok) {
    ShowMessage(OpenFailureText(side, p, d.DevName), MsgKind::Error);
    return false;
  }
  const std::string item = PortItemText(p, AbbrevDevName(d.DevName));
  {
    Lock lock(EngineLock);
    Allocated(side) = static_cast<int8_t>(p);
    PortDevs(side)[p] = static_cast<int8_t>(dev);
    d.PortName = item;
    d.PortNo = static_cast<int8_t>(p);
    if (IsInputs(side) && p == 0 && Cfg.ClocksExtPNo == -1) {
      Cfg.ClocksExtPNo = 0;
      ResetExtClock();
    }
  }
  list.PortItems.resize(static_cast<std::size_t>(p));
  list.PortItems.push_back(item);
  // The row joins the allocated block, after the ports allocated before it.
  const TDevItem moved = list.DevItems[row];
  list.DevItems.erase(list.DevItems.begin() + row);
  list.DevItems.insert(list.DevItems.begin() + p, moved);
  // With no free device left the separator has nothing to separate, as a fresh listing shows it.
  if (!list.DevItems.empty() && list.DevItems.back().DevIdx < 0) list.DevItems.pop_back();
  CallPortUsers(side);
  return true;
}

int32_t DeallocatePort(TPortSide side, int32_t port) {
  const int32_t last = Allocated(side);
  if (!EngineIdle() || port < 0 || port > last) return -1;
  TBusy busy;
  TPortList& list = PortListOf(side);
  const int32_t dev = PortDevs(side)[port];
  if (IsInputs(side)) {
    CloseInPort(dev, port, false);
  } else {
    CloseOutPort(dev, port, false);
  }
  {
    Lock lock(EngineLock);
    if (IsDev(side, dev)) {
      DevTable(side)[dev].PortNo = -1;
      DevTable(side)[dev].PortName.clear();
    }
    auto& portDevs = PortDevs(side);
    for (int32_t k = port; k < last; ++k) {
      portDevs[k] = portDevs[k + 1];
      if (!IsInputs(side)) CopyOutPortSettings(k, k + 1);
    }
    // Whatever becomes port 1 starts with its channel multiplier off.
    if (!IsInputs(side) && port == 0) Cfg.MChanEnabled[0] = 0;
    portDevs[last] = -1;
    if (!IsInputs(side)) ClearOutPortSettings(last);
    Allocated(side) = static_cast<int8_t>(last - 1);
    if (IsInputs(side)) {
      // The external clock stays with its device; with its device gone it falls back to port 1.
      if (Cfg.ClocksExtPNo == port) {
        Cfg.ClocksExtPNo = last > 0 ? 0 : -1;
        ResetExtClock();
      } else if (Cfg.ClocksExtPNo > port) {
        Cfg.ClocksExtPNo = Cfg.ClocksExtPNo - 1;
      }
    }
  }
  if (port < static_cast<int32_t>(list.PortItems.size())) list.PortItems.erase(list.PortItems.begin() + port);
  {
    Lock lock(EngineLock);
    RenumberPorts(side, port);
  }
  ListDevices(side);
  CallPortUsers(side);
  if (last == 0) return -1;
  return port < last ? port : last - 1;
}

int32_t MovePort(TPortSide side, int32_t port, bool down) {
  const int32_t last = Allocated(side);
  const int32_t other = down ? port + 1 : port - 1;
  if (!EngineIdle() || port < 0 || port > last || other < 0 || other > last) return port;
  TPortList& list = PortListOf(side);
  {
    Lock lock(EngineLock);
    auto& portDevs = PortDevs(side);
    std::swap(portDevs[port], portDevs[other]);
    if (IsInputs(side)) {
      if (Cfg.ClocksExtPNo == port) {
        Cfg.ClocksExtPNo = other;
      } else if (Cfg.ClocksExtPNo == other) {
        Cfg.ClocksExtPNo = port;
      }
    } else {
      const auto clocks = Cfg.MIDIOutClocksEnabled[port];
      const auto sync = Cfg.MidiOutSyncEnabled[port];
      const auto on = Cfg.MChanEnabled[port];
      const auto lo = Cfg.MChanMin[port];
      const auto hi = Cfg.MChanMax[port];
      const auto offsets = Cfg.MChanPitchOffset[port];
      CopyOutPortSettings(port, other);
      Cfg.MIDIOutClocksEnabled[other] = clocks;
      Cfg.MidiOutSyncEnabled[other] = sync;
      Cfg.MChanEnabled[other] = on;
      Cfg.MChanMin[other] = lo;
      Cfg.MChanMax[other] = hi;
      Cfg.MChanPitchOffset[other] = offsets;
      // Whatever becomes port 1 starts with its channel multiplier off.
      if (std::min(port, other) == 0) Cfg.MChanEnabled[0] = 0;
    }
    if (static_cast<int32_t>(list.PortItems.size()) > std::max(port, other))
      std::swap(list.PortItems[port], list.PortItems[other]);
    RenumberPorts(side, std::min(port, other));
  }
  if (static_cast<int32_t>(list.DevItems.size()) > std::max(port, other))
    std::swap(list.DevItems[port], list.DevItems[other]);
  CallPortUsers(side);
  return other;
}

void ApplyPortRename(TPortSide side, int32_t port, const std::string& text) {
  TPortList& list = PortListOf(side);
  if (port < 0 || port > Allocated(side) || port >= static_cast<int32_t>(list.PortItems.size())) return;
  const int32_t dev = PortDevs(side)[port];
  // Held as the settings file gives it back: no ";" or "=", no control characters, and not the word
  // the file writes for no name.
  std::string name = CfgFreeText(StripPortPrefix(text), std::string::npos);
  if (EqualsNoCase(name, "Unused")) name.clear();
  if (name.empty() && IsDev(side, dev)) name = AbbrevDevName(DevTable(side)[dev].DevName);
  list.PortItems[port] = PortItemText(port, name);
  Lock lock(EngineLock);
  if (IsDev(side, dev)) DevTable(side)[dev].PortName = list.PortItems[port];
}

void RescanDevices(bool outputs) {
  const TPortSide side = outputs ? TPortSide::Outputs : TPortSide::Inputs;
  if (outputs) {
    CloseAllOutPorts();
  } else {
    CloseAllInPorts();
  }
  PortListOf(side).PortItems.clear();
  // A whole rescan renumbers both sides, and an open device keeps its handle, not its number; so
  // it is taken (and both tables listed from it) only with nothing of the other side open. Else
  // only this side is listed again, and the other keeps its numbers and its open devices.
  bool otherOpen = false;
  for (const auto& d : outputs ? RunCtl.MidiInDevs : RunCtl.MidiOutDevs) otherOpen = otherOpen || d.Opened;
  if (otherOpen) {
    if (outputs) {
      midi::RescanOutputs();
    } else {
      midi::RescanInputs();
    }
  } else {
    midi::Rescan();
    if (outputs) {
      LoadInDevNames();
      ListInDevices();
    } else {
      LoadOutDevList();
      ListOutDevices();
    }
  }
  if (outputs) {
    LoadOutDevList();
    ListOutDevices();
  } else {
    LoadInDevNames();
    ListInDevices();
  }
}

int32_t SelectPortComboByName(const std::vector<std::string>& items, int32_t& current,
                              const std::string& name) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (StripPortPrefix(items[i]) != name) continue;
    current = static_cast<int32_t>(i);
    return PortIdxFromItem(items[i]);
  }
  if (current < 0 || current >= static_cast<int32_t>(items.size())) return -1;
  return PortIdxFromItem(items[current]);
}

TChosenPorts ChosenPortsNow() {
  TChosenPorts r;
  Lock lock(EngineLock);
  r.Live = RunCtl.LivePort;
  for (int32_t s = 0; s < kSeqs; ++s) r.Seqs[s] = Seqs.PartBufs[Seqs.SeqRecs[s].PlayPart & 1][s].PortPend;
  return r;
}

int32_t OutPortOfDev(int32_t dev, int32_t otherwise) {
  Lock lock(EngineLock);
  int32_t port = otherwise;
  for (int32_t p = 0; p <= RunCtl.OutPortsAllocated && p < kPorts; ++p)
    if (dev >= 0 && RunCtl.PortDevIdx[p] == dev) port = p;
  return port;
}

}  // namespace vel
