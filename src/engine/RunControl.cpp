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
#include "styles/StylesState.h"

namespace vel {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The diagnostics log of the GUI thread; device results are posted through the queue instead.
void Log(const std::string& text) {
  if (DiagFlags) DiagLogTimed(text);
}

void SleepMs(int32_t ms) {
  if (TimerIo.Sleep) {
    TimerIo.Sleep(ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

bool ValidInDev(int32_t devIdx) {
  return devIdx >= 0 && devIdx <= MidiInDevsLast && devIdx < midi::kMaxDevs;
}
bool ValidOutDev(int32_t devIdx) {
  return devIdx >= 0 && devIdx <= MidiOutDevsLast && devIdx < midi::kMaxDevs;
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
  ProgState = state;
  const std::string text = ProgStateText(state);
  if (DiagFlags && text != LastLoggedState) {
    DiagLogTimed("Status: " + text);
    LastLoggedState = text;
  }
}

bool HaveOutPorts() {
  return OutPortsAllocated >= 0;
}

// ---------------------------------------------------------------------------------------------------
// Devices

void LoadInDevNames() {
  ListDevices(MidiInDevs, MidiInDevsLast, false);
}

void LoadOutDevList() {
  ListDevices(MidiOutDevs, MidiOutDevsLast, true);
}

bool OpenInPort(int32_t devIdx, int32_t port) {
  if (!ValidInDev(devIdx) || !IsValidPort(port)) return false;
  CloseInPort(devIdx, port, false);
  TMidiDevRec& d = MidiInDevs[devIdx];
  PostDiagMsg(StepText("Opening", false, d, port) + ", name " + d.DevName);
  midi::Handle h = midi::kInvalidHandle;
  const midi::Result r =
      midi::InOpen(static_cast<int>(d.DevId), &MidiInCallback, static_cast<uintptr_t>(devIdx), h);
  if (!LogMidiResult(r, false, StepText("Open", false, d, port), true)) return false;
  Lock lock(EngineLock);
  d.Opened = 1;
  d.Handle = h;
  d.PortNo = static_cast<int8_t>(port);
  return h != midi::kInvalidHandle;
}

bool OpenOutPort(int32_t devIdx, int32_t port) {
  if (!ValidOutDev(devIdx) || !IsValidPort(port)) return false;
  CloseOutPort(devIdx, port, false);
  TMidiDevRec& d = MidiOutDevs[devIdx];
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
  TMidiDevRec& d = MidiInDevs[devIdx];
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
    LastInTimestamp[port] = 0;
  }
  if (!LogMidiResult(midi::InStart(h), false, StepText("Start", false, d, port), true)) return false;
  Lock lock(EngineLock);
  d.Started = 1;
  return true;
}

bool CloseInPort(int32_t devIdx, int32_t port, bool slow) {
  if (!ValidInDev(devIdx)) return false;
  TMidiDevRec& d = MidiInDevs[devIdx];
  bool closed = true;
  if (d.Opened && d.Handle != midi::kInvalidHandle) {
    const midi::Handle h = d.Handle;
    LogMidiResult(midi::InStop(h), false, StepText("Stop", false, d, port), true);
    if (LogMidiResult(midi::InReset(h), false, StepText("Reset", false, d, port), true))
      WaitBeforeClose(slow);
    // Closed even when the reset failed: the MIDI layer always lets the handle go, so the record
    // must not keep it.
    closed = LogMidiResult(midi::InClose(h), false, StepText("Close", false, d, port), true);
  }
  Lock lock(EngineLock);
  d.Opened = 0;
  d.Started = 0;
  d.Handle = midi::kInvalidHandle;
  return closed;
}

bool CloseOutPort(int32_t devIdx, int32_t port, bool slow) {
  if (!ValidOutDev(devIdx)) return false;
  TMidiDevRec& d = MidiOutDevs[devIdx];
  bool closed = true;
  if (d.Opened && d.Handle != midi::kInvalidHandle) {
    const midi::Handle h = d.Handle;
    if (TarloOn && RunHooks.TarloUsesOutDev && RunHooks.TarloUsesOutDev(devIdx)) {
      ShowMessage("Tarlo port P" + std::to_string(port + 1) + " de-allocated - closing link",
                  MsgKind::Warning);
      CallHook(RunHooks.TarloClose);
    }
    if (LogMidiResult(midi::OutReset(h), true, StepText("Reset", true, d, port), true)) WaitBeforeClose(slow);
    closed = LogMidiResult(midi::OutClose(h), true, StepText("Close", true, d, port), true);
  }
  Lock lock(EngineLock);
  d.Opened = 0;
  d.Handle = midi::kInvalidHandle;
  return closed;
}

void CloseAllInPorts() {
  for (int32_t port = 0; port <= std::min<int32_t>(InPortsAllocated, kPorts - 1); ++port) {
    const int32_t dev = InPortDevIdx[port];
    if (ValidInDev(dev)) CloseInPort(dev, port, false);
  }
  {
    Lock lock(EngineLock);
    for (int32_t port = 0; port < kPorts; ++port) {
      const int32_t dev = InPortDevIdx[port];
      if (ValidInDev(dev)) {
        MidiInDevs[dev].PortNo = -1;
        MidiInDevs[dev].PortName.clear();
      }
    }
    InPortDevIdx.fill(-1);
    InPortsAllocated = -1;
    ResetExtClock();
  }
  CallHook(RunHooks.InPortsClosed);
}

void CloseAllOutPorts() {
  for (int32_t port = 0; port <= std::min<int32_t>(OutPortsAllocated, kPorts - 1); ++port) {
    const int32_t dev = PortDevIdx[port];
    if (ValidOutDev(dev)) CloseOutPort(dev, port, false);
  }
  {
    Lock lock(EngineLock);
    for (int32_t port = 0; port < kPorts; ++port) {
      const int32_t dev = PortDevIdx[port];
      if (ValidOutDev(dev)) {
        MidiOutDevs[dev].PortNo = -1;
        MidiOutDevs[dev].PortName.clear();
      }
    }
    PortDevIdx.fill(-1);
    OutPortsAllocated = -1;
    LivePort = 0;
    for (int32_t s = 0; s <= LastSeq(); ++s) SeqBuf(s).Port = 0;
  }
  CallHook(RunHooks.OutPortsClosed);
}

void CloseAllPorts() {
  Log("Closing ports...");
  Ui().BusyCursor(true);
  struct CursorBack {
    ~CursorBack() { Ui().BusyCursor(false); }
  } cursorBack;
  if (TarloOn) CallHook(RunHooks.TarloClose);
  CloseAllInPorts();
  StopRunning();
  CloseAllOutPorts();
  DisableDspTimers();
}

void LogPortTables(bool outputs) {
  if (!DiagFlags) return;
  auto line = [](const char* title, int32_t n, const auto& table, int32_t dev, bool valid) {
    const std::string devName = valid ? table[dev].DevName : std::string();
    const std::string portName = valid ? table[dev].PortName : std::string();
    DiagLogTimed(std::string(title) + std::to_string(n + 1) + ", " + "DevName:" + devName + ", " +
                 "PortName:" + portName);
  };
  if (!outputs) {
    for (int32_t n = 0; n <= std::min<int32_t>(InPortsAllocated, kPorts - 1); ++n)
      line("MIDI in ports: Port:", n, MidiInDevs, InPortDevIdx[n], ValidInDev(InPortDevIdx[n]));
    return;
  }
  for (int32_t n = 0; n <= std::min<int32_t>(OutPortsAllocated, kPorts - 1); ++n)
    line("MIDI out ports: Port:", n, MidiOutDevs, PortDevIdx[n], ValidOutDev(PortDevIdx[n]));
  DiagLogTimed("Live out port: " + std::to_string(LivePort + 1));
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
  int64_t res = std::max<int64_t>(MidiTimerResolution, caps.periodMin);
  res = std::min<int64_t>(res, caps.periodMax);
  MidiTimerRes = static_cast<int32_t>(res);
  r = TimerIo.BeginPeriod(static_cast<uint32_t>(MidiTimerRes));
  PeriodBegun = r == mmtimer::kOk ? 1 : 0;
  LogTimerResult(r, "Set Res: " + std::to_string(MidiTimerRes), true);
  if (PeriodBegun && MidiTimerRes != MidiTimerResolution)
    Log("MidiTimerResMsInt: " + std::to_string(MidiTimerResolution) + " not supported;" +
        " using: " + std::to_string(MidiTimerRes));
  if (!PeriodBegun && why)
    *why = "SetTimerResolution error: Unable to set timer resolution " + std::to_string(MidiTimerRes) +
           " ms - error 0x" + IntToHex(r, 8);
  return PeriodBegun != 0;
}

bool ResetTimerResolution() {
  if (!PeriodBegun) return true;
  const bool ok = LogTimerResult(TimerIo.EndPeriod(static_cast<uint32_t>(MidiTimerRes)), "Reset Res", true);
  if (ok) PeriodBegun = 0;
  return ok;
}

bool InitMidiTimer() {
  Log("Setting timer: " + std::to_string(MidiTimerInterval) + ", " + std::to_string(MidiTimerRes));
  uint32_t id = 0;
  try {
    // A period below 1 ms cannot be had: the timer refuses it.
    const uint32_t period = MidiTimerInterval > 0 ? static_cast<uint32_t>(MidiTimerInterval) : 0;
    id = TimerIo.SetEvent(period, static_cast<uint32_t>(std::max(MidiTimerRes, 0)), &TimerProc, 0);
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string("InitMidiTimer error: Unable to create timer - ") + e.what());
    return false;
  }
  MidiTimerId = id;
  TimerExists = id != 0 ? 1 : 0;
  TimerBusy = TimerExists;
  if (TimerExists) {
    Log("Status: Running");
    return true;
  }
  // Running without ticks would look alive and do nothing: back to Config, and say why.
  StopRunning();
  ReportDesignError("InitMidiTimer error: Unable to create timer");
  return false;
}

void KillMidiTimer() {
  if (!TimerExists) return;
  if (LogTimerResult(TimerIo.KillEvent(MidiTimerId), "Kill timer", true)) {
    TimerExists = 0;
    TimerBusy = 0;
  }
}

// ---------------------------------------------------------------------------------------------------
// Running

void StartRunning() {
  if (!HaveOutPorts()) return;
  ResetEngine();
  SetProgState(TProgState::Running);
  StopRunningBusy = 0;
  CallHook(RunHooks.PromptCalibrateCmdKey);
  if (DiagFlags) {
    for (std::size_t i = 0; i < ParamStrs.size(); ++i)
      DiagLogTimed("Param " + std::to_string(i) + ": " + ParamStrs[i]);
    DiagLogTimed("AppDataFolder: " + AppDataFolder);
    DiagLogTimed("UserProfileFolder: " + UserProfileFolder);
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
      if (MetrSeqNo >= 0 && MetrSeqNo < kSeqs && MetrRebuildPending)
        BuildMetronomeBar(SeqRecs[MetrSeqNo].PlayPart & 1, false);
    }
    EnableDspStatus(true, false);
    EnableDspMetr(true);
    SetKeyMode(TKeyMode::Live);
    KeyModeShown = KeyMode.load();
    {
      Lock lock(EngineLock);
      ClearTimerAccumulators();
      CallHook(RunHooks.ClearDPressTimes);
      ClockWatchMs = 0;
      ExtClockLastMs = -1;  // no clock yet: the first one is not averaged
    }
    for (int32_t port = 0; port <= std::min<int32_t>(InPortsAllocated, kPorts - 1); ++port)
      StartInPort(InPortDevIdx[port], port);
    {
      Lock lock(EngineLock);
      InvalidateSeqProgs(true);
      InvalidateSeqProgs(false);
      MarkLiveProgsSent();
    }
    RequestSeqGridRedraw();
    if (DiagFlags) {
      DiagLogTimed(std::string("TPB:") + " " + std::to_string(BeatTicks) + " " + "NQ:" + " " +
                   std::to_string(NQTicks) + " " + "SQ:" + " " + std::to_string(SQTicks) + " " +
                   "Quant note-offs: " + BoolToYN(QuantiseNoteOffs != 0));
      DiagLogTimed("IgnoreDriverTStamps: " + BoolToYN(IgnoreDriverTStamps != 0));
    }
    StartHotkeySender();
    InitMidiTimer();
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string(" - ") + e.what());
  }
}

void StopRunning() {
  if (StopRunningBusy) return;
  StopRunningBusy = 1;
  if (SampleAidShowing) CallHook(RunHooks.WaitForSampleAid);
  if (HaveOutPorts()) {
    {
      Lock lock(EngineLock);
      // Note-offs for what the live output sounds on any channel (a multiplier range reaches
      // past the live channel's reset), then the reset.
      SilenceLiveNotes();
      if (IsValidPort(LivePort)) ResetPortChannel(LivePort, LiveChan[LivePort]);
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
  if (ProgState != TProgState::Config) SetProgState(TProgState::Stopping);
  SetKeyMode(TKeyMode::Inactive);
  {
    Lock lock(EngineLock);
    StopAllParts(false);
  }
  // The timer callback clears TimerBusy at its first tick outside Running. Waiting without the
  // engine lock: the callback must get it to finish a tick in progress.
  bool logged = false;
  for (int i = 0; i < 10 && TimerBusy; ++i) {
    if (DiagFlags && !logged) {
      DiagLogTimed("Waiting for MIDI timer");
      logged = true;
    }
    Ui().ProcessEvents();
    SleepMs(100);
  }
  KillMidiTimer();
  ResetTimerResolution();
  StopHotkeySender();
  if (ProgState != TProgState::Config) SetProgState(TProgState::Config);
  if (DiagFlags) CallHook(RunHooks.UsageReport);
  ResetEngine();
  CallHook(RunHooks.LoadMainCombos);
  CallHook(RunHooks.ClearPendingDiagNote);
  EnableDspMetr(false);
  EnableDspStatus(true, true);
}

void ResetEngine() {
  // Idempotent; here so that no run starts without the style stores reaching the builder.
  InitMetronomeHooks();
  // A timer or period still held is given back rather than forgotten.
  KillMidiTimer();
  ResetTimerResolution();
  CallHook(RunHooks.ResetDisplays);
  CallHook(RunHooks.ResetKeyPath);
  Lock lock(EngineLock);
  MsClock = 0;
  FtnTimer = 0;
  StatusAlertTime = 0;
  TargetTempo = Tempo;
  ResetExtClock();
  WarningCount = 0;
  ErrorCount = 0;
  ResetAllParts(false);
  TempoSweep.On = 0;
  StopLiveSweeps();
  TimerBusy = 0;
  MetrRebuilt = 1;
  ClearDrumTrigger(true);
  ClearBassTrigger(true);
  DrumLastMainPlayed = 0;
  DrumLastBreakPlayed = kStyleFirstBreak;
  BassLastMainPlayed = 0;
  BassLastBreakPlayed = kStyleFirstBreak;
  SetDrumChainNoStart(DrumStore.ChainNoStart);
  SetBassChainNoStart(BassStore.ChainNoStart);
  CfgDrumRefresh = 1;
  CfgBassRefresh = 1;
  if (MetrSeqNo >= 0) MetrRebuildPending = 1;
  RestartBeatCount(true);
  RecStartedClock = 0;
  ResetRecBarCount();
  ResetMidiInBuffer();
  SetKeyMode(TKeyMode::Inactive);
  KeyModeShown = KeyMode.load();
  KeyModeShownPrev = KeyMode.load();
  LastLiveKey = -1;
  KeyHold = 0;
  LiveSelected = 0;
  SelectionChanged = 1;
  InLightOther = InLightNote = InLightHotkey = 0;
  InLightOtherTime = InLightNoteTime = InLightHotkeyTime = 0;
  PitchCyclesN = 0;
  PitchCyclesNN = 0;
  PitchCycles = 0;
  ResetLiveFifo();
  ResetRawFifo();
  ResetDiagTraceFifo();
  ResetDiagMsgsFifo();
  StatusMsg.Clear();
}

void StopAllParts(bool playingOnly) {
  Lock lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (playingOnly) {
      SeqBuf(s).SeqState = TSeqState::Stopped;
      continue;
    }
    for (int32_t p = 0; p < kParts; ++p) PartBufs[p][s].SeqState = TSeqState::Stopped;
  }
}

void ResetAllParts(bool playingOnly) {
  Lock lock(EngineLock);
  StopAllParts(playingOnly);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (playingOnly) {
      ResetSeqAttribs(SeqRecs[s].PlayPart & 1, s, false);
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
  SwitchDspTimer(TDspTimer::Status, on, configRate ? 100 : DspStatusInterval, "UpdateDspStatus: ");
}

void EnableDspMetr(bool on) {
  SwitchDspTimer(TDspTimer::Metr, on, DspMetrInterval, "UpdateDspMetr: ");
}

void EnableDspDiag(bool on) {
  SwitchDspTimer(TDspTimer::Diag, on, DspDiagInterval, "UpdateDspDiag: ");
}

void DisableDspTimers() {
  if (!RunHooks.SetDspTimer) return;
  RunHooks.SetDspTimer(TDspTimer::Status, false, DspStatusInterval);
  RunHooks.SetDspTimer(TDspTimer::Metr, false, DspMetrInterval);
  RunHooks.SetDspTimer(TDspTimer::Diag, false, DspDiagInterval);
}

// ---------------------------------------------------------------------------------------------------
// Faults that end the program

void CriticalDesignError(const std::string& text) {
  CriticalErrorClose("Design error: " + text);
}

void CriticalErrorClose(const std::string& text) {
  if (!text.empty()) {
    Log(text);
    ShowMessage(text, MsgKind::Error, MsgButtons::Ok);
  }
  CloseAllPorts();
  CallHook(RunHooks.FreeRunTimeControls);
  CallHook(RunHooks.RestoreSysColours);
  Ui().ProcessEvents();
  ShowMessage("Critical error; Vellorine closing...", MsgKind::Warning, MsgButtons::Ok);
  if (DiagFlags) CallHook(RunHooks.CloseDiagWindow);
  CloseEngineMutexes();
}

void CloseEngineMutexes() {
  CallHook(RunHooks.EndApplication);
}

}  // namespace vel
