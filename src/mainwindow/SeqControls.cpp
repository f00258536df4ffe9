#include "mainwindow/SeqControls.h"

#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Sizes.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "mainwindow/ControlRules.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/PortNames.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

bool InUse(int32_t seq) {
  return seq >= 0 && seq <= LastSeq();
}

// Runs change on each target of the row's seq; Changed when some call said so.
template <typename F>
TSeqEdit ForTargets(int32_t seq, F change) {
  TSeqEdit edit;
  if (!InUse(seq)) return edit;
  Lock lock(EngineLock);
  edit.WasSelected = SeqBuf(seq).Selected != 0;
  for (int32_t t : TargetSeqs(seq)) edit.Changed |= change(SeqBuf(t), t);
  return edit;
}

// A number the list shows, within lo..hi.
std::optional<int32_t> ListValue(const std::string& text, int32_t lo, int32_t hi) {
  const std::optional<int32_t> n = ComboNumber(text);
  if (!n || *n < lo || *n > hi) return std::nullopt;
  return n;
}

TMidiDevRec* OutDevRec(int32_t port) {
  if (!IsValidPort(port)) return nullptr;
  const int32_t idx = RunCtl.PortDevIdx[port];
  return idx >= 0 && idx < midi::kMaxDevs ? &RunCtl.MidiOutDevs[idx] : nullptr;
}

const TMidiDevRec* InDevRec(int32_t port) {
  if (!IsValidPort(port)) return nullptr;
  const int32_t idx = RunCtl.InPortDevIdx[port];
  return idx >= 0 && idx < midi::kMaxDevs ? &RunCtl.MidiInDevs[idx] : nullptr;
}

int8_t DevIdxByName(const std::array<TMidiDevRec, midi::kMaxDevs>& devs, int32_t last,
                    const std::string& name) {
  for (int32_t i = 0; i <= last && i < midi::kMaxDevs; ++i)
    if (devs[i].DevName == name) return static_cast<int8_t>(i);
  return -1;
}

void UpdateLiveMChan() {
  const int32_t port = RunCtl.LivePort;
  Live.MChanApplies = IsValidPort(port) && msg::MChanTakes(port, Live.Chan[port]);
}

}  // namespace

std::vector<int32_t> TargetSeqs(int32_t seq) {
  if (!InUse(seq)) return {};
  if (!SeqBuf(seq).Selected) return {seq};
  std::vector<int32_t> targets;
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) targets.push_back(s);
  return targets;
}

TSeqEdit SeqOutPortChange(int32_t seq, const std::string& itemText) {
  TSeqEdit edit;
  const int32_t port = PortIdxFromItem(itemText);
  if (port >= 0 && InUse(seq)) {
    edit = ForTargets(seq, [port](TPartBuf& b, int32_t) {
      b.PortPend = static_cast<int8_t>(port);
      b.ChanPend = b.Chan[port];
      return true;
    });
    if (!edit.WasSelected) {
      Lock lock(EngineLock);
      DeselectAll();
    }
  }
  ApplyPendingSeqValues();
  return edit;
}

TSeqEdit SeqChanChange(int32_t seq, const std::string& chanText) {
  const std::optional<int32_t> chan = ListValue(chanText, 1, kChans);
  if (!chan) return {};
  return ForTargets(seq, [c = *chan](TPartBuf& b, int32_t) {
    b.ChanPend = static_cast<int8_t>(c - 1);
    return true;
  });
}

TSeqEdit SeqProgChange(int32_t seq, int32_t itemIndex) {
  if (itemIndex < 0 || itemIndex > kCfgProgs) return {};
  return ForTargets(seq, [itemIndex](TPartBuf& b, int32_t) {
    if (IsValidPort(b.Port)) ApplyProgChoice(b.Port, b.Chan[b.Port] & 15, itemIndex);
    return true;
  });
}

TSeqEdit SeqSVelChange(int32_t seq, const std::string& digitText) {
  const std::optional<int32_t> svel = ListValue(digitText, 0, 9);
  if (!svel) return {};
  return ForTargets(seq, [v = *svel](TPartBuf& b, int32_t) {
    b.Pend.SVel = static_cast<uint8_t>(v);
    return true;
  });
}

TSeqEdit SeqPartNoChange(int32_t seq, const std::string& partText) {
  const std::optional<int32_t> part = ListValue(partText, 1, kParts);
  if (!part) return {};
  return ForTargets(seq, [p = *part](TPartBuf&, int32_t t) {
    Seqs.SeqRecs[t].SelPart = p - 1;
    return true;
  });
}

TSeqEdit SeqMutedClick(int32_t seq, bool checked) {
  const auto m = static_cast<uint8_t>(checked);
  return ForTargets(seq, [m](TPartBuf& b, int32_t) {
    if (b.Pend.Muted == m) return false;
    b.Pend.Muted = m;
    // A mouse mute ends running play or mute cycles.
    b.PRRem = -1;
    b.MRRem = -1;
    return true;
  });
}

TSeqEdit SeqPitchLockClick(int32_t seq, bool checked) {
  const auto locked = static_cast<uint8_t>(checked);
  return ForTargets(seq, [locked](TPartBuf& b, int32_t) {
    if (b.PitchLocked == locked) return false;
    b.PitchLocked = locked;
    return true;
  });
}

void SeqNoClick(int32_t seq) {
  if (!InUse(seq)) return;
  Lock lock(EngineLock);
  ToggleSeqSelected(seq);
}

bool AnySeqPlaying() {
  Lock lock(EngineLock);
  return !NoSeqPlaying();
}

void StartUpRouting() {
  Lock lock(EngineLock);
  auto mchanApplies = [](int32_t port) {
    return uint8_t(Cfg.MChanEnabled[port] != 0 && Cfg.MChanMin[port] <= 0 && 0 <= Cfg.MChanMax[port]);
  };
  for (TSeqRec& rec : Seqs.SeqRecs) {
    rec.SelPart = 0;
    rec.PlayPart = 0;
  }
  RunCtl.LivePort = 0;
  Live.Chan.fill(0);
  Live.MChanApplies = mchanApplies(0);
  for (auto& part : Seqs.PartBufs)
    for (TPartBuf& b : part) {
      b.PortPend = 0;
      b.Port = 0;
      b.ChanPend = 0;
      b.Chan.fill(0);
      b.MChanApplies = mchanApplies(0);
    }
}

void SetLiveSVel(int32_t digit) {
  Lock lock(EngineLock);
  Live.SVel = static_cast<uint8_t>(std::clamp(digit, 0, 9));
}

void SeqHeaderClick() {
  Lock lock(EngineLock);
  if (AllSeqsSelected()) {
    DeselectAll();
  } else {
    SelectAllSeqs();
  }
}

void EndSeqEdit(const TSeqEdit& edit, const std::function<void()>& refresh) {
  if (!edit.Changed) return;
  if (edit.WasSelected) {
    Lock lock(EngineLock);
    SaveSeqSelection();
  }
  refresh();
  if (edit.WasSelected) {
    Lock lock(EngineLock);
    RestoreSeqSelection();
  }
}

void LivePortChanged(const std::string& itemText) {
  {
    Lock lock(EngineLock);
    RunCtl.LivePort = static_cast<int8_t>(PortIdxFromItem(itemText));
    // The multiplier follows the port: the old port's range says nothing about the new one.
    UpdateLiveMChan();
  }
  ApplyPendingSeqValues();
}

void LiveChanChanged(const std::string& chanText) {
  const std::optional<int32_t> chan = ListValue(chanText, 1, kChans);
  Lock lock(EngineLock);
  if (!chan || !IsValidPort(RunCtl.LivePort)) return;
  Live.Chan[RunCtl.LivePort] = static_cast<int8_t>(*chan - 1);
  UpdateLiveMChan();
}

void LiveProgChanged(int32_t itemIndex) {
  Lock lock(EngineLock);
  const int32_t port = RunCtl.LivePort;
  if (IsValidPort(port)) ApplyProgChoice(port, Live.Chan[port] & 15, itemIndex);
}

void ApplyProgChoice(int32_t port, int32_t chan, int32_t itemIndex) {
  if (!IsValidPort(port) || chan < 0 || chan >= kChans || itemIndex < 0 || itemIndex > kCfgProgs) return;
  TMidiDevRec* dev = OutDevRec(port);
  if (itemIndex == 0) {
    if (dev) dev->ProgChangesEnabled = 0;
    return;
  }
  if (dev) dev->ProgChangesEnabled = 1;
  TChanProg& cp = PlayCycle.PortChanProgs[port][chan];
  if (cp.ProgSent != itemIndex - 1) cp.ProgReq = itemIndex - 1;
}

bool SetMetronomeSeq(int32_t seq, const std::function<void()>& refill) {
  auto refuse = [&refill] {
    ShowMessage("Cannot change metronome seq while seqs are running", MsgKind::Information);
    if (refill) refill();
    return false;
  };
  bool stopped = false;
  bool overwrite = false;
  {
    Lock lock(EngineLock);
    if (seq < -1 || seq > LastSeq()) return false;
    stopped = AllSeqsStopped();
    overwrite = seq >= 0 && seq != Cfg.MetrSeqNo && SeqBuf(seq).Head >= 0;
  }
  // The boxes are shown without the lock: the engine keeps running behind them.
  if (!stopped) return refuse();
  if (overwrite &&
      ShowMessage("About to overwrite seq " + std::to_string(seq + 1) + " with metronome pattern, ok?",
                  MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) {
    if (refill) refill();
    return false;
  }
  {
    Lock lock(EngineLock);
    // A seq may have been started from the keyboard while the question was open.
    if (AllSeqsStopped()) {
      Cfg.MetrSeqNo = seq;
      RequestMetrRebuild();
      return true;
    }
  }
  return refuse();
}

std::string InPortDevName(int32_t port) {
  Lock lock(EngineLock);
  const TMidiDevRec* dev = InDevRec(port);
  return dev ? dev->DevName : std::string();
}

std::string OutPortDevName(int32_t port) {
  Lock lock(EngineLock);
  const TMidiDevRec* dev = OutDevRec(port);
  return dev ? dev->DevName : std::string();
}

std::string InPortName(int32_t port) {
  Lock lock(EngineLock);
  const TMidiDevRec* dev = InDevRec(port);
  return dev ? dev->PortName : std::string();
}

std::string OutPortName(int32_t port) {
  Lock lock(EngineLock);
  const TMidiDevRec* dev = OutDevRec(port);
  return dev ? dev->PortName : std::string();
}

int8_t InDevIdxByName(const std::string& name) {
  Lock lock(EngineLock);
  return DevIdxByName(RunCtl.MidiInDevs, RunCtl.MidiInDevsLast, name);
}

int8_t OutDevIdxByName(const std::string& name) {
  Lock lock(EngineLock);
  return DevIdxByName(RunCtl.MidiOutDevs, RunCtl.MidiOutDevsLast, name);
}

}  // namespace vel
