#pragma once
// Run control: the program state and the life of the engine between Config and Running; the MIDI
// device tables and the opening, starting and closing of their devices; the engine timer (its
// resolution, creation and kill); the start and stop of running; the engine reset; the display
// timers; the critical close. Everything here runs on the GUI thread and must be called without
// EngineLock held (but StopAllParts and ResetAllParts, which the engine reset calls under it): it
// takes the lock itself around engine data, and never holds it while it waits for the timer or the
// MIDI-in thread (debug builds check that at each wait). The device tables are guarded by
// EngineLock; ProgState and TimerBusy are read by every thread without it.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Atomic.h"
#include "base/HookSlots.h"
#include "base/Sizes.h"
#include "engine/ProgState.h"
#include "platform/MmTimer.h"
#include "platform/midi/Midi.h"

namespace vel {

// An input or output port 0..8.
inline bool IsValidPort(int32_t port) {
  return port >= 0 && port < kPorts;
}

// One system MIDI device.
struct TMidiDevRec {
  uint32_t DevId = 0;                      // the MIDI layer's device index
  std::string DevName;                     // at most 31 characters, stable from run to run
  std::string PortName;                    // the user's name of the port it is allocated to; empty when none
  int8_t PortNo = -1;                      // the port 0..8 it is allocated to, -1 none
  uint32_t Handle = midi::kInvalidHandle;  // all ones while closed
  uint8_t Opened = 0;
  uint8_t Started = 0;             // input devices: started by the last StartRunning
  uint8_t ProgChangesEnabled = 0;  // output devices: program changes may be sent on it
};

// The device records of one side, owning the handles their open records hold: a record closes
// through Close, and the tables' reset (RunCtl = TRun{}) closes what is still open, so no path
// forgets a device (an open device refuses the next open of it). The program's end leaves them
// to the process, as the MIDI layer may be gone by then.
class TDevRecs : public std::array<TMidiDevRec, midi::kMaxDevs> {
 public:
  explicit TDevRecs(bool outputs) : outputs_(outputs) {}
  TDevRecs(const TDevRecs&) = default;
  TDevRecs& operator=(const TDevRecs& other);
  ~TDevRecs() = default;

  // Closes the record's device when it is open and forgets its handle (under EngineLock, which
  // the caller must not hold: an input's close waits for the MIDI-in worker). kOk when none was
  // open; either way the record holds no handle afterwards.
  midi::Result Close(TMidiDevRec& d);

 private:
  midi::Result CloseHandle(midi::Handle h) const;
  void CloseOpen();
  bool outputs_;
};

// Run control's state. The device tables, the live port and the timer's handles are guarded by
// EngineLock (written on the GUI thread under it, read by the engine under it); ProgState and
// TimerBusy are shared atomics that every thread reads without it; the command line and folders
// belong to the GUI thread.
struct TRun {
  // The program state in force.
  TAtomic<TProgState> ProgState{TProgState::Initialising};
  // Set when the engine timer is created; the timer callback clears it once it finds the program
  // not Running, which tells the stop that the callback has left its work.
  TAtomic<uint8_t> TimerBusy{0};
  TDevRecs MidiInDevs{false};
  TDevRecs MidiOutDevs{true};
  int8_t MidiInDevsLast = -1;  // last listed record, -1 none
  int8_t MidiOutDevsLast = -1;
  // Port to device index, -1 none.
  std::array<int8_t, kPorts> InPortDevIdx = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::array<int8_t, kPorts> PortDevIdx = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  // Last allocated port, -1 none.
  int8_t InPortsAllocated = -1;
  int8_t OutPortsAllocated = -1;
  // The output port of the live output, -1 none.
  int8_t LivePort = -1;
  // The multimedia timer. MidiTimerRes is the resolution in use (the setting clamped to what the
  // timer offers); PeriodBegun: a period was begun and must be ended; TimerExists: the timer runs.
  int32_t MidiTimerRes = 1;
  uint8_t PeriodBegun = 0;
  uint32_t MidiTimerId = 0;
  uint8_t TimerExists = 0;
  // Guard of StopRunning: set by it, cleared only by StartRunning, so a second stop does nothing.
  // The key path and the MIDI input read it too: nothing starts once a stop has begun.
  TAtomic<uint8_t> StopRunningBusy{0};
  // The user has been told that the MIDI server of the open inputs went away. Every input of that
  // server reports the loss; one warning says it. Cleared when an input opens again.
  uint8_t MidiServerLostTold = 0;
  // The diagnostics line that told the user the timer runs without real-time scheduling (once a
  // program run; empty: not told). Kept for the diagnostics window, which logs only while it shows
  // and so shows it again when it opens. GUI thread.
  std::string NoRealTimeLine;
  // The MIDI layer's count of clamped time stamps when this run started.
  uint64_t ClampsAtStart = 0;
  // The state text last written to the diagnostics log.
  std::string LastLoggedState;
  // The command line (element 0 the program) and the two folders, as start-up found them; the start
  // of running logs them.
  std::vector<std::string> ParamStrs;
  std::string AppDataFolder;
  std::string UserProfileFolder;
};
inline TRun RunCtl;

// What run control asks of the timer and the clock. Tests replace the members to record the calls
// or to make them fail, and to wait without sleeping.
struct TTimerIo {
  std::function<mmtimer::Result(mmtimer::Caps&)> GetDevCaps = &mmtimer::GetDevCaps;
  std::function<mmtimer::Result(uint32_t)> BeginPeriod = &mmtimer::BeginPeriod;
  std::function<mmtimer::Result(uint32_t)> EndPeriod = &mmtimer::EndPeriod;
  std::function<uint32_t(uint32_t, uint32_t, mmtimer::TimerCallback, uintptr_t)> SetEvent =
      &mmtimer::SetEvent;
  std::function<mmtimer::Result(uint32_t)> KillEvent = &mmtimer::KillEvent;
  // The real-time priority the begun period's timer threads take; 0: none.
  std::function<int()> RealTimePriority = &mmtimer::RealTimePriority;
  std::function<void(int32_t ms)> Sleep;  // empty: the calling thread sleeps
};
inline TTimerIo TimerIo;

enum class TDspTimer : uint8_t { Status, Metr, Diag };

// Calls into the windows and into parts of the program built elsewhere, where the caller needs an
// answer or an argument carried; what merely happened is published as a topic (base/Topics.h).
// Start-up fills every one (the key path's, the display link's, and through the window registry
// the windows'); an empty one is skipped, which only a test rig sees. GUI thread only.
struct TRunHooks {
  // Applies ProgStateControls (ProgStateTable.h) for the state to the main window.
  std::function<void(TProgState state)> ApplyProgState;
  // Switches a display timer of the main window on with the interval, or off. Switching the
  // status timer on also restarts its flash clock (on, 400 ms left).
  std::function<void(TDspTimer timer, bool on, int32_t intervalMs)> SetDspTimer;
  // The key path's part of the engine reset: the tap-tempo time and interval, the program
  // calibration request.
  std::function<void()> ResetKeyPath;
  // The first-press times of the double-press commands (start of running).
  std::function<void()> ClearDPressTimes;
  // Stop of running, diagnostics on: the usage report.
  std::function<void()> UsageReport;
  // The display link: whether it sends on this output device, and its close.
  std::function<bool(int32_t devIdx)> TarloUsesOutDev;
  std::function<void()> TarloClose;
  // The critical close's last step, after the windows heard CriticalClose and ProgramEnding:
  // release the per-copy locks and end the application.
  std::function<void()> EndApplication;
};
inline TRunHooks RunHooks;

inline auto HookSlots(const TRunHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, ApplyProgState),
      VEL_HOOK_SLOT(h, SetDspTimer),
      VEL_HOOK_SLOT(h, ResetKeyPath),
      VEL_HOOK_SLOT(h, ClearDPressTimes),
      VEL_HOOK_SLOT(h, UsageReport),
      VEL_HOOK_SLOT(h, TarloUsesOutDev),
      VEL_HOOK_SLOT(h, TarloClose),
      VEL_HOOK_SLOT(h, EndApplication),
  });
}
static_assert(kAllSlotsListed<TRunHooks, std::function<void()>>, "a member of TRunHooks is not in HookSlots");

// ---- program state ----

// "Initialising...", "Loading config...", "Running", "Stopping...", "Config"; empty above Config.
const char* ProgStateText(TProgState state);
// Enters a state: the main window applies its controls, ProgState takes the value and the change
// is logged. Above Config: a design error and nothing changes.
void SetProgState(TProgState state);
// A stop of running has begun (and no run started since): nothing may start playing or recording.
inline bool StopBegun() {
  return RunCtl.StopRunningBusy.load() != 0;
}
// An output port is allocated: running can start.
bool HaveOutPorts();

// ---- devices ----

// Lists the MIDI layer's input / output devices into the tables (the caller rescans the layer
// first when it wants a fresh list). Open devices must be closed first.
void LoadInDevNames();
void LoadOutDevList();
// Each takes a MidiInDevs / MidiOutDevs index and a port 0..8; false on any other index, or when
// the device call failed (logged with diagnostics on). The records always tell the truth: a device
// closes even when its reset fails.
bool OpenInPort(int32_t devIdx, int32_t port);
bool OpenOutPort(int32_t devIdx, int32_t port);
bool StartInPort(int32_t devIdx, int32_t port);
bool CloseInPort(int32_t devIdx, int32_t port, bool slow);
bool CloseOutPort(int32_t devIdx, int32_t port, bool slow);
// Closes every allocated input (output) and leaves none allocated; the external clock is reset
// (the live and seq ports go back to port 0).
void CloseAllInPorts();
void CloseAllOutPorts();
// The orderly close before shut-down: display link, inputs, stop, outputs, display timers.
void CloseAllPorts();
// Diagnostics: the allocated input ports, or the output ports with the live and seq ports.
void LogPortTables(bool outputs);

// ---- timer ----

// Begins the timer period at the configured resolution clamped to the timer's range. On failure
// why (when given) says what failed.
bool SetTimerResolution(std::string* why = nullptr);
bool ResetTimerResolution();
// Creates the engine timer (TimerProc every MidiTimerInterval ms). A timer that cannot be created
// is reported as a design error and the program returns to Config. True when it runs. The first
// timer of the program run that goes without real-time scheduling says so (kNoRealTimeText) in
// the status line and the diagnostics log, and keeps the log's line (NoRealTimeLine); one that has
// it logs the priority it took.
bool InitMidiTimer();
inline constexpr const char* kNoRealTimeText =
    "No real-time scheduling: timing may wobble when the computer is busy. "
    "Help, Documentation, Troubleshooting says how to grant it";
void KillMidiTimer();

// ---- running ----

void StartRunning();
void StopRunning();
void ResetEngine();
void ResetAllParts(bool playingOnly);
void StopAllParts(bool playingOnly);

// ---- display timers ----

void EnableDspStatus(bool on, bool configRate);
void EnableDspMetr(bool on);
void EnableDspDiag(bool on);
void DisableDspTimers();

// ---- faults that end the program ----

void CriticalDesignError(const std::string& text);
// Shows text (when not empty), closes the ports, tells the user the program is closing and ends it.
void CriticalErrorClose(const std::string& text);
void CloseEngineMutexes();

}  // namespace vel
