#include "engine/RunControl.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/ResultLog.h"
#include "engine/Transport.h"
#include "keymaps/KeyModes.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

// The diagnostics log of the GUI thread; device results are posted through the queue instead.
void Log(const std::string& text) {
  if (Trace.DiagFlags) DiagLogTimed(text);
}

void SleepMs(int32_t ms) {
  if (TimerIo.Sleep) {
    TimerIo.Sleep(ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

bool ValidInDev(int32_t devIdx) {
  return devIdx >= 0 && devIdx <= RunCtl.MidiInDevsLast && devIdx < midi::kMaxDevs;
}
bool ValidOutDev(int32_t devIdx) {
  return devIdx >= 0 && devIdx <= RunCtl.MidiOutDevsLast && devIdx < midi::kMaxDevs;
}

// "Start input device 3, port 1": the description every device step is logged under.
std::string StepText(const char* word, bool output, const TMidiDevRec& d, int32_t port) {
  return std::string(word) + (output ? " output device " : " input device ") + std::to_string(d.DevId) +
         ", port " + std::to_string(port + 1);
}

// Before a close: give the device's last messages time to go.
void WaitBeforeClose(bool slow) {
  if (!slow) {
    Ui().ProcessEvents();
    return;
  }
  for (int i = 0; i < 5; ++i) {
    Ui().ProcessEvents();
    SleepMs(100);
  }
}

void CallHook(const std::function<void()>& hook) {
  if (hook) hook();
}

template <typename Records>
void ListDevices(Records& table, int8_t& last, bool outputs) {
  // Records of open devices would be lost with their handles: close those first.
  for (int32_t i = 0; i <= std::min<int32_t>(last, midi::kMaxDevs - 1); ++i) {
    if (!table[i].Opened) continue;
    if (outputs) {
      CloseOutPort(i, table[i].PortNo, false);
    } else {
      CloseInPort(i, table[i].PortNo, false);
    }
  }
  const int n = outputs ? midi::OutDevCount() : midi::InDevCount();
  Log(std::string(outputs ? "No. of MIDI outputs: " : "No. of MIDI inputs: ") + std::to_string(n));
  Lock lock(EngineLock);
  last = -1;
  for (int id = 0; id < n && last + 1 < midi::kMaxDevs; ++id) {
    std::string name;
    const midi::Result r = outputs ? midi::OutDevName(id, name) : midi::InDevName(id, name);
    if (r != midi::kOk) {
      LogMidiResult(r, outputs, outputs ? "LoadOutDevList" : "LoadInDevNames", false);
      continue;
    }
    TMidiDevRec& d = table[++last];
    d = TMidiDevRec{};
    d.DevId = static_cast<uint32_t>(id);
    d.DevName = name;
    d.ProgChangesEnabled = outputs ? 1 : 0;
    Log(std::string(outputs ? "Output device " : "Input device ") + std::to_string(id) + ", name " + name);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Program state

const char* ProgStateText(TProgState state) {
  switch (state) {
    case TProgState::Initialising:
      return "Initialising...";
    case TProgState::LoadingConfig:
      return "Loading config...";
    case TProgState::Running:
      return "Running";
    case TProgState::Stopping:
      return "Stopping...";
    case TProgState::Config:
      return "Config";
    default:
      return "";
  }
}

void SetProgState(TProgState state) {
  if (!IsValidProgState(state)) {
    ReportDesignError("SetProgState error: Unexpected psState");
    return;
  }
  if (RunHooks.ApplyProgState) RunHooks.ApplyProgState(state);
  RunCtl.ProgState = state;
  const std::string text = ProgStateText(state);
  if (Trace.DiagFlags && text != RunCtl.LastLoggedState) {
    DiagLogTimed("Status: " + text);
    RunCtl.LastLoggedState = text;
  }
}

bool HaveOutPorts() {
  return RunCtl.OutPortsAllocated >= 0;
}

// ---------------------------------------------------------------------------------------------------
// Devices

void LoadInDevNames() {
  ListDevices(RunCtl.MidiInDevs, RunCtl.MidiInDevsLast, false);
}

void LoadOutDevList() {
  ListDevices(RunCtl.MidiOutDevs, RunCtl.MidiOutDevsLast, true);
}

bool OpenInPort(int32_t devIdx, int32_t port) {
  if (!ValidInDev(devIdx) || !IsValidPort(port)) return false;
  CloseInPort(devIdx, port, false);
  TMidiDevRec& d = RunCtl.MidiInDevs[devIdx];
  PostDiagMsg(StepText("Opening", false, d, port) + ", name " + d.DevName);
  midi::Handle h = midi::kInvalidHandle;
  const midi::Result r =
      midi::InOpen(static_cast<int>(d.DevId), &MidiInCallback, static_cast<uintptr_t>(devIdx), h);
  if (!LogMidiResult(r, false, StepText("Open", false, d, port), true)) return false;
  Lock lock(EngineLock);
  d.Opened = 1;
  d.Handle = h;
  d.PortNo = static_cast<int8_t>(port);
  // An input that opens has a server: a later loss is a new one.
  RunCtl.MidiServerLostTold = 0;
  return h != midi::kInvalidHandle;
}

bool OpenOutPort(int32_t devIdx, int32_t port) {
  if (!ValidOutDev(devIdx) || !IsValidPort(port)) return false;
  CloseOutPort(devIdx, port, false);
  TMidiDevRec& d = RunCtl.MidiOutDevs[devIdx];
  PostDiagMsg(StepText("Opening", true, d, port) + " " + d.DevName);
  midi::Handle h = midi::kInvalidHandle;
  const midi::Result r = midi::OutOpen(static_cast<int>(d.DevId), h);
  if (!LogMidiResult(r, true, StepText("Open", true, d, port), true)) return false;
  {
    Lock lock(EngineLock);
    d.Opened = 1;
    d.Handle = h;
    d.PortNo = static_cast<int8_t>(port);
  }
  if (h == midi::kInvalidHandle) return false;
  LogMidiResult(midi::OutReset(h), true, StepText("Reset", true, d, port), true);
  return true;
}

bool StartInPort(int32_t devIdx, int32_t port) {
  if (!ValidInDev(devIdx) || !IsValidPort(port)) return false;
  TMidiDevRec& d = RunCtl.MidiInDevs[devIdx];
  PostDiagMsg(StepText("Starting", false, d, port) + ", name " + d.DevName);
  if (!d.Opened || d.Handle == midi::kInvalidHandle) return false;
  const midi::Handle h = d.Handle;
  if (d.Started) {
    LogMidiResult(midi::InStop(h), false, StepText("Stop", false, d, port), true);
    Lock lock(EngineLock);
    d.Started = 0;
  }
  LogMidiResult(midi::InReset(h), false, StepText("Reset", false, d, port), true);
  {
    // Before the start, so that the device's first time stamps meet a fresh check.
    Lock lock(EngineLock);
    MidiIn.LastInTimestamp[port] = 0;
  }
  if (!LogMidiResult(midi::InStart(h), false, StepText("Start", false, d, port), true)) return false;
  Lock lock(EngineLock);
  d.Started = 1;
  return true;
}

TDevRecs& TDevRecs::operator=(const TDevRecs& other) {
  if (this == &other) return *this;
  CloseOpen();
  std::array<TMidiDevRec, midi::kMaxDevs>::operator=(other);
  outputs_ = other.outputs_;
  return *this;
}

midi::Result TDevRecs::CloseHandle(midi::Handle h) const {
  return outputs_ ? midi::OutClose(h) : midi::InClose(h);
}

midi::Result TDevRecs::Close(TMidiDevRec& d) {
  const midi::Result r = d.Opened && d.Handle != midi::kInvalidHandle ? CloseHandle(d.Handle) : midi::kOk;
  Lock lock(EngineLock);
  d.Opened = 0;
  d.Started = 0;
  d.Handle = midi::kInvalidHandle;
  return r;
}

// The records are replaced next, so the handles are only let go of.
void TDevRecs::CloseOpen() {
  for (const TMidiDevRec& d : *this)
    if (d.Opened) CloseHandle(d.Handle);
}

bool CloseInPort(int32_t devIdx, int32_t port, bool slow) {
  // The close waits for the MIDI-in worker, which may be waiting for the engine lock.
  EngineLock.AssertNotHeld();
  if (!ValidInDev(devIdx)) return false;
  TMidiDevRec& d = RunCtl.MidiInDevs[devIdx];
  const bool open = d.Opened && d.Handle != midi::kInvalidHandle;
  if (open) {
    const midi::Handle h = d.Handle;
    LogMidiResult(midi::InStop(h), false, StepText("Stop", false, d, port), true);
    if (LogMidiResult(midi::InReset(h), false, StepText("Reset", false, d, port), true))
      WaitBeforeClose(slow);
  }
  // Closed even when the reset failed: the MIDI layer always lets the handle go, so the record
  // must not keep it.
  const midi::Result r = RunCtl.MidiInDevs.Close(d);
  return !open || LogMidiResult(r, false, StepText("Close", false, d, port), true);
}

bool CloseOutPort(int32_t devIdx, int32_t port, bool slow) {
  // The close may show a message box and waits for the device to send what it holds.
  EngineLock.AssertNotHeld();
  if (!ValidOutDev(devIdx)) return false;
  TMidiDevRec& d = RunCtl.MidiOutDevs[devIdx];
  const bool open = d.Opened && d.Handle != midi::kInvalidHandle;
  if (open) {
    const midi::Handle h = d.Handle;
    if (Cfg.TarloOn && RunHooks.TarloUsesOutDev && RunHooks.TarloUsesOutDev(devIdx)) {
      ShowMessage("Tarlo port P" + std::to_string(port + 1) + " de-allocated - closing link",
                  MsgKind::Warning);
      CallHook(RunHooks.TarloClose);
    }
    if (LogMidiResult(midi::OutReset(h), true, StepText("Reset", true, d, port), true)) WaitBeforeClose(slow);
  }
  const midi::Result r = RunCtl.MidiOutDevs.Close(d);
  return !open || LogMidiResult(r, true, StepText("Close", true, d, port), true);
}

void CloseAllInPorts() {
  for (int32_t port = 0; port <= std::min<int32_t>(RunCtl.InPortsAllocated, kPorts - 1); ++port) {
    const int32_t dev = RunCtl.InPortDevIdx[port];
    if (ValidInDev(dev)) CloseInPort(dev, port, false);
  }
  {
    Lock lock(EngineLock);
    for (int32_t port = 0; port < kPorts; ++port) {
      const int32_t dev = RunCtl.InPortDevIdx[port];
      if (ValidInDev(dev)) {
        RunCtl.MidiInDevs[dev].PortNo = -1;
        RunCtl.MidiInDevs[dev].PortName.clear();
      }
    }
    RunCtl.InPortDevIdx.fill(-1);
    RunCtl.InPortsAllocated = -1;
    ResetExtClock();
  }
  PublishTopic(TTopic::InPortsClosed);
}

void CloseAllOutPorts() {
  for (int32_t port = 0; port <= std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1); ++port) {
    const int32_t dev = RunCtl.PortDevIdx[port];
    if (ValidOutDev(dev)) CloseOutPort(dev, port, false);
  }
  {
    Lock lock(EngineLock);
    for (int32_t port = 0; port < kPorts; ++port) {
      const int32_t dev = RunCtl.PortDevIdx[port];
      if (ValidOutDev(dev)) {
        RunCtl.MidiOutDevs[dev].PortNo = -1;
        RunCtl.MidiOutDevs[dev].PortName.clear();
      }
    }
    RunCtl.PortDevIdx.fill(-1);
    RunCtl.OutPortsAllocated = -1;
    RunCtl.LivePort = 0;
    for (int32_t s = 0; s <= LastSeq(); ++s) SeqBuf(s).Port = 0;
  }
  PublishTopic(TTopic::OutPortsClosed);
}

void CloseAllPorts() {
  Log("Closing ports...");
  Ui().BusyCursor(true);
  struct CursorBack {
    ~CursorBack() { Ui().BusyCursor(false); }
  } cursorBack;
  if (Cfg.TarloOn) CallHook(RunHooks.TarloClose);
  CloseAllInPorts();
  StopRunning();
  CloseAllOutPorts();
  DisableDspTimers();
}

void LogPortTables(bool outputs) {
  if (!Trace.DiagFlags) return;
  auto line = [](const char* title, int32_t n, const auto& table, int32_t dev, bool valid) {
    const std::string devName = valid ? table[dev].DevName : std::string();
    const std::string portName = valid ? table[dev].PortName : std::string();
    DiagLogTimed(std::string(title) + std::to_string(n + 1) + ", " + "DevName:" + devName + ", " +
                 "PortName:" + portName);
  };
  if (!outputs) {
    for (int32_t n = 0; n <= std::min<int32_t>(RunCtl.InPortsAllocated, kPorts - 1); ++n)
      line("MIDI in ports: Port:", n, RunCtl.MidiInDevs, RunCtl.InPortDevIdx[n],
           ValidInDev(RunCtl.InPortDevIdx[n]));
    return;
  }
  for (int32_t n = 0; n <= std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1); ++n)
    line("MIDI out ports: Port:", n, RunCtl.MidiOutDevs, RunCtl.PortDevIdx[n],
         ValidOutDev(RunCtl.PortDevIdx[n]));
  DiagLogTimed("Live out port: " + std::to_string(RunCtl.LivePort + 1));
  for (int32_t s = 0; s <= LastSeq(); ++s)
    DiagLogTimed("Seq" + std::to_string(s + 1) + " out port: " + std::to_string(SeqBuf(s).Port + 1));
}

// ---------------------------------------------------------------------------------------------------
// Timer

bool SetTimerResolution(std::string* why) {
  mmtimer::Caps caps{};
  mmtimer::Result r = TimerIo.GetDevCaps(caps);
  if (r != mmtimer::kOk) {
    LogTimerResult(r, "SetTimerResolution", false);
    if (why)
      *why = "SetTimerResolution error: Unable to get the timer's capabilities - error 0x" + IntToHex(r, 8);
    return false;
  }
  Log("Res: " + std::to_string(caps.periodMin) + "-" + std::to_string(caps.periodMax));
  int64_t res = std::max<int64_t>(Cfg.MidiTimerResolution, caps.periodMin);
  res = std::min<int64_t>(res, caps.periodMax);
  RunCtl.MidiTimerRes = static_cast<int32_t>(res);
  r = TimerIo.BeginPeriod(static_cast<uint32_t>(RunCtl.MidiTimerRes));
  RunCtl.PeriodBegun = r == mmtimer::kOk ? 1 : 0;
  LogTimerResult(r, "Set Res: " + std::to_string(RunCtl.MidiTimerRes), true);
  if (RunCtl.PeriodBegun && RunCtl.MidiTimerRes != Cfg.MidiTimerResolution)
    Log("MidiTimerResMsInt: " + std::to_string(Cfg.MidiTimerResolution) + " not supported;" +
        " using: " + std::to_string(RunCtl.MidiTimerRes));
  if (!RunCtl.PeriodBegun && why)
    *why = "SetTimerResolution error: Unable to set timer resolution " + std::to_string(RunCtl.MidiTimerRes) +
           " ms - error 0x" + IntToHex(r, 8);
  return RunCtl.PeriodBegun != 0;
}

bool ResetTimerResolution() {
  if (!RunCtl.PeriodBegun) return true;
  const bool ok =
      LogTimerResult(TimerIo.EndPeriod(static_cast<uint32_t>(RunCtl.MidiTimerRes)), "Reset Res", true);
  if (ok) RunCtl.PeriodBegun = 0;
  return ok;
}

// Without real-time scheduling a busy desktop can hold the timer back by milliseconds; the user is
// told once, when the first run shows it, and where to read how to grant it. Decided here on the
// GUI thread once the timer runs, so the timer thread neither allocates nor reports.
void TellRealTime() {
  if (!TimerIo.RealTimePriority) return;
  if (const int priority = TimerIo.RealTimePriority(); priority > 0) {
    Log("Real-time scheduling: priority " + std::to_string(priority));
    return;
  }
  if (!RunCtl.NoRealTimeLine.empty()) return;
  const std::string text = kNoRealTimeText;
  RunCtl.NoRealTimeLine = TimeOfDayText() + " Warning: " + text;
  ReportWarning("@" + text);
  DiagLog(RunCtl.NoRealTimeLine);
}

bool InitMidiTimer() {
  Log("Setting timer: " + std::to_string(Cfg.MidiTimerInterval) + ", " + std::to_string(RunCtl.MidiTimerRes));
  uint32_t id = 0;
  try {
    // A period below 1 ms cannot be had: the timer refuses it.
    const uint32_t period = Cfg.MidiTimerInterval > 0 ? static_cast<uint32_t>(Cfg.MidiTimerInterval) : 0;
    id = TimerIo.SetEvent(period, static_cast<uint32_t>(std::max(RunCtl.MidiTimerRes, 0)), &TimerProc, 0);
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string("InitMidiTimer error: Unable to create timer - ") + e.what());
    return false;
  }
  RunCtl.MidiTimerId = id;
  RunCtl.TimerExists = id != 0 ? 1 : 0;
  RunCtl.TimerBusy = RunCtl.TimerExists;
  if (RunCtl.TimerExists) {
    Log("Status: Running");
    TellRealTime();
    return true;
  }
  // Running without ticks would look alive and do nothing: back to Config, and say why.
  StopRunning();
  ReportDesignError("InitMidiTimer error: Unable to create timer");
  return false;
}

void KillMidiTimer() {
  // The kill waits for a callback in progress to return.
  EngineLock.AssertNotHeld();
  if (!RunCtl.TimerExists) return;
  if (LogTimerResult(TimerIo.KillEvent(RunCtl.MidiTimerId), "Kill timer", true)) {
    RunCtl.TimerExists = 0;
    RunCtl.TimerBusy = 0;
  }
}

// ---------------------------------------------------------------------------------------------------
// Running

void StartRunning() {
  if (!HaveOutPorts()) return;
  ResetEngine();
  SetProgState(TProgState::Running);
  RunCtl.StopRunningBusy = 0;
  RunCtl.ClampsAtStart = midi::ClampedStamps();
  PublishTopic(TTopic::RunStarted);
  if (Trace.DiagFlags) {
    for (std::size_t i = 0; i < RunCtl.ParamStrs.size(); ++i)
      DiagLogTimed("Param " + std::to_string(i) + ": " + RunCtl.ParamStrs[i]);
    DiagLogTimed("AppDataFolder: " + RunCtl.AppDataFolder);
    DiagLogTimed("UserProfileFolder: " + RunCtl.UserProfileFolder);
  }
  LogPortTables(false);
  LogPortTables(true);
  try {
    std::string why;
    if (!SetTimerResolution(&why)) {
      CriticalErrorClose(why);
      return;
    }
    {
      Lock lock(EngineLock);
      if (Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo < kSeqs && Metr.MetrRebuildPending)
        BuildMetronomeBar(Seqs.SeqRecs[Cfg.MetrSeqNo].PlayPart & 1, false);
    }
    EnableDspStatus(true, false);
    EnableDspMetr(true);
    SetKeyMode(TKeyMode::Live);
    Keys.KeyModeShown = Keys.KeyMode.load();
    {
      Lock lock(EngineLock);
      ClearTimerAccumulators();
      CallHook(RunHooks.ClearDPressTimes);
      Transport.ClockWatchMs = 0;
      MidiIn.ExtClockLastMs = -1;  // no clock yet: the first one is not averaged
    }
    for (int32_t port = 0; port <= std::min<int32_t>(RunCtl.InPortsAllocated, kPorts - 1); ++port)
      StartInPort(RunCtl.InPortDevIdx[port], port);
    {
      Lock lock(EngineLock);
      InvalidateSeqProgs(true);
      InvalidateSeqProgs(false);
      MarkLiveProgsSent();
    }
    RequestSeqGridRedraw();
    if (Trace.DiagFlags) {
      DiagLogTimed(std::string("TPB:") + " " + std::to_string(Cfg.BeatTicks) + " " + "NQ:" + " " +
                   std::to_string(Cfg.NQTicks) + " " + "SQ:" + " " + std::to_string(Cfg.SQTicks) + " " +
                   "Quant note-offs: " + BoolToYN(Cfg.QuantiseNoteOffs != 0));
      DiagLogTimed("IgnoreDriverTStamps: " + BoolToYN(Cfg.IgnoreDriverTStamps != 0));
    }
    StartHotkeySender();
    InitMidiTimer();
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string(" - ") + e.what());
  }
}

namespace {

// How often, and how long each time, the stop waits for a device to send what it refused for a
// full queue: at least 3 s in all, which a MIDI server that still runs needs only a fraction of
// even after the longest live play.
constexpr int kSilenceWaits = 1500;
constexpr int32_t kSilenceWaitMs = 2;

// Runs step under the engine lock until it says it is done, waiting without the lock (the
// devices send meanwhile) while waits are left; false when they ran out first.
template <typename Step>
bool RetryUnlocked(Step step, int& waits) {
  for (;;) {
    {
      Lock lock(EngineLock);
      if (step()) return true;
    }
    if (waits >= kSilenceWaits) return false;
    ++waits;
    SleepMs(kSilenceWaitMs);
  }
}

// The stop's last word on the outputs, once the timer is gone. None of it may be lost: what a
// device refuses for a full queue (a long live play leaves thousands of note-offs to send at once)
// goes out as it makes room, in order, the resets last.
void SilenceOutputsAtStop() {
  // The live output is silenced only now: until the timer's last tick it went on playing what
  // the live queues held and what came in meanwhile, and a note or a pedal sent after the reset
  // would be left hanging. Nothing plays those queues from here on (the timer is gone, the keys
  // are off, the engine reset empties them), so these note-offs and this reset are the live
  // output's last word.
  int waits = 0;
  // Note-offs for what the live output sounds on any channel (a multiplier range reaches past
  // the live channel's reset); what a device refused stays counted for the next round.
  RetryUnlocked([] { return SilenceLiveNotes(); }, waits);
  {
    Lock lock(EngineLock);
    PlayCycle.HoldRefused = 1;
    // Then the live channel's reset, and every channel that sounded since its last reset: the
    // live output's pedal left where it was before a move, a seq's last tick.
    if (IsValidPort(RunCtl.LivePort)) ResetPortChannel(RunCtl.LivePort, Live.Chan[RunCtl.LivePort]);
    ResetDirtyChans();
  }
  RetryUnlocked([] { return SendHeldSends(); }, waits);
  int64_t lost = 0;
  {
    Lock lock(EngineLock);
    lost = DropHeldSends();
    FifoLock countLock;
    if (LockFifo(LiveNoteOnCounter.Mutex, countLock))
      for (const auto& channel : LiveNoteOnCounter.Counts)
        for (const int32_t count : channel) lost += count;
  }
  if (lost > 0) Log("Stop: " + std::to_string(lost) + " silencing messages could not be sent");
}

}  // namespace

void StopRunning() {
  // The stop waits for the timer to play the seqs to their end, which needs the lock.
  EngineLock.AssertNotHeld();
  if (RunCtl.StopRunningBusy.exchange(1)) return;
  PublishTopic(TTopic::RunStopping);
  if (HaveOutPorts()) {
    {
      Lock lock(EngineLock);
      ResetSeqs(false, true);
      DeselectAll();
    }
    // The timer plays the seqs to their stop meanwhile; the resets go out before the state changes.
    SleepMs(200);
    {
      Lock lock(EngineLock);
      ResetSeqOutputs(false);
    }
    SleepMs(200);
  }
  if (RunCtl.ProgState != TProgState::Config) SetProgState(TProgState::Stopping);
  SetKeyMode(TKeyMode::Inactive);
  {
    Lock lock(EngineLock);
    StopAllParts(false);
  }
  // The timer callback clears TimerBusy at its first tick outside Running. Waiting without the
  // engine lock: the callback must get it to finish a tick in progress.
  bool logged = false;
  for (int i = 0; i < 10 && RunCtl.TimerBusy; ++i) {
    if (Trace.DiagFlags && !logged) {
      DiagLogTimed("Waiting for MIDI timer");
      logged = true;
    }
    Ui().ProcessEvents();
    SleepMs(100);
  }
  KillMidiTimer();
  if (HaveOutPorts()) SilenceOutputsAtStop();
  ResetTimerResolution();
  StopHotkeySender();
  if (RunCtl.ProgState != TProgState::Config) SetProgState(TProgState::Config);
  if (Trace.DiagFlags) {
    CallHook(RunHooks.UsageReport);
    // Messages of this run whose time stamp lay outside what the output could place them by.
    const uint64_t clamps = midi::ClampedStamps() - RunCtl.ClampsAtStart;
    if (clamps > 0) DiagLogTimed("Time stamps clamped to the output window: " + std::to_string(clamps));
  }
  ResetEngine();
  PublishTopic(TTopic::RunStopped);
  EnableDspMetr(false);
  EnableDspStatus(true, true);
}

namespace {

// A run starts from a clean clock, record state, input path and key mode. The settings, the
// live output's settings and the seqs' contents stay, and so do the active bar settings, which
// change only at a bar end.
void ResetRunState() {
  const TBarSettings actBar = Transport.ActBar;
  Transport = TTransport{};
  Transport.ActBar = actBar;
  MidiIn = TMidiIn{};
  const bool modeChanged = Keys.KeyModeChanged || Keys.KeyMode != TKeyMode::Inactive;
  Keys = TKeys{};
  Keys.KeyModeChanged = modeChanged;
  Keys.SelectionChanged = 1;
  Msgs.StatusAlertTime = 0;
  Cfg.TargetTempo = Cfg.Tempo;
  Msgs.WarningCount = 0;
  Msgs.ErrorCount = 0;
  ResetAllParts(false);
}

// What was left sounding is forgotten with the run: the stop reset it.
void ForgetSounding() {
  PlayCycle.ChansDirty = TChanMask{};
  PlayCycle.SeqSounding.fill(TSeqSounding{});
  Live.PedalsDown.fill(0);
  Live.NotesPort = -1;
  Live.NoteChans = 0;
  Live.TempoSweep.On = 0;
  StopLiveSweeps();
  RunCtl.TimerBusy = 0;
}

// The metronome and both style builders start again from their first bars.
void ResetStyleBuilders() {
  Metr.MetrRebuilt = 1;
  ClearDrumTrigger(true);
  ClearBassTrigger(true);
  DrumStore.LastMainPlayed = 0;
  DrumStore.LastBreakPlayed = kStyleFirstBreak;
  BassStore.LastMainPlayed = 0;
  BassStore.LastBreakPlayed = kStyleFirstBreak;
  SetDrumChainNoStart(DrumStore.ChainNoStart);
  SetBassChainNoStart(BassStore.ChainNoStart);
  RaiseTopic(TTopic::DrumChain);
  RaiseTopic(TTopic::BassChain);
  if (Cfg.MetrSeqNo >= 0) Metr.MetrRebuildPending = 1;
}

// Counts, key mode, live selection and lights, and the queues.
void ResetKeysAndQueues() {
  RestartBeatCount(true);
  Transport.RecStartedClock = 0;
  ResetRecBarCount();
  ResetMidiInBuffer();
  SetKeyMode(TKeyMode::Inactive);
  Keys.KeyModeShown = Keys.KeyMode.load();
  Keys.KeyModeShownPrev = Keys.KeyMode.load();
  Showing.LastLiveKey = -1;
  Keys.KeyHold = 0;
  Live.Selected = 0;
  Keys.SelectionChanged = 1;
  Live.InLightOther = Live.InLightNote = Live.InLightHotkey = 0;
  Live.InLightOtherTime = Live.InLightNoteTime = Live.InLightHotkeyTime = 0;
  Keys.PitchCyclesN = 0;
  Keys.PitchCyclesNN = 0;
  Keys.PitchCycles = 0;
  ResetLiveFifo();
  ResetRawFifo();
  ResetDiagTraceFifo();
  ResetDiagMsgsFifo();
  Msgs.StatusMsg.Clear();
}

}  // namespace

void ResetEngine() {
  // Idempotent; here so that no run starts without the style stores reaching the builder.
  InitMetronomeHooks();
  // A timer or period still held is given back rather than forgotten.
  KillMidiTimer();
  ResetTimerResolution();
  PublishTopic(TTopic::EngineReset);
  CallHook(RunHooks.ResetKeyPath);
  Lock lock(EngineLock);
  ResetRunState();
  ForgetSounding();
  ResetStyleBuilders();
  ResetKeysAndQueues();
}

void StopAllParts(bool playingOnly) {
  Lock lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (playingOnly) {
      SeqBuf(s).SeqState = TSeqState::Stopped;
      continue;
    }
    for (int32_t p = 0; p < kParts; ++p) Seqs.PartBufs[p][s].SeqState = TSeqState::Stopped;
  }
}

void ResetAllParts(bool playingOnly) {
  Lock lock(EngineLock);
  StopAllParts(playingOnly);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (playingOnly) {
      ResetSeqAttribs(Seqs.SeqRecs[s].PlayPart & 1, s, false);
      continue;
    }
    for (int32_t p = 0; p < kParts; ++p) ResetSeqAttribs(p, s, false);
  }
  ResetNoteDisplays();
}

// ---------------------------------------------------------------------------------------------------
// Display timers

namespace {

void SwitchDspTimer(TDspTimer timer, bool on, int32_t interval, const char* name) {
  Log(std::string(name) + (on ? std::to_string(interval) : std::string("off")));
  if (RunHooks.SetDspTimer) RunHooks.SetDspTimer(timer, on, interval);
}

}  // namespace

void EnableDspStatus(bool on, bool configRate) {
  SwitchDspTimer(TDspTimer::Status, on, configRate ? 100 : Cfg.DspStatusInterval, "UpdateDspStatus: ");
}

void EnableDspMetr(bool on) {
  SwitchDspTimer(TDspTimer::Metr, on, Cfg.DspMetrInterval, "UpdateDspMetr: ");
}

void EnableDspDiag(bool on) {
  SwitchDspTimer(TDspTimer::Diag, on, Cfg.DspDiagInterval, "UpdateDspDiag: ");
}

void DisableDspTimers() {
  if (!RunHooks.SetDspTimer) return;
  RunHooks.SetDspTimer(TDspTimer::Status, false, Cfg.DspStatusInterval);
  RunHooks.SetDspTimer(TDspTimer::Metr, false, Cfg.DspMetrInterval);
  RunHooks.SetDspTimer(TDspTimer::Diag, false, Cfg.DspDiagInterval);
}

// ---------------------------------------------------------------------------------------------------
// Faults that end the program

void CriticalDesignError(const std::string& text) {
  CriticalErrorClose("Design error: " + text);
}

void CriticalErrorClose(const std::string& text) {
  // Message boxes, then the stop.
  EngineLock.AssertNotHeld();
  if (!text.empty()) {
    Log(text);
    ShowMessage(text, MsgKind::Error, MsgButtons::Ok);
  }
  CloseAllPorts();
  PublishTopic(TTopic::CriticalClose);
  Ui().ProcessEvents();
  ShowMessage("Critical error; Vellorine closing...", MsgKind::Warning, MsgButtons::Ok);
  PublishTopic(TTopic::ProgramEnding);
  CloseEngineMutexes();
}

void CloseEngineMutexes() {
  CallHook(RunHooks.EndApplication);
}

}  // namespace vel
