// Run control: the start and stop of running step by step, the timer and its resolution, the
// device tables with their open, start and close, the close of all ports and the critical close.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/RunTestState.h"
#include "keymaps/KeyModes.h"

namespace vel {
namespace {

using Lines = std::vector<std::string>;
using test::Join;

// Every critical close ends so, from the outputs' close on.
const Lines kCriticalCloseEnd = {
    "out ports closed", "dsp Status off", "dsp Metr off", "dsp Diag off",
    "cursor off",       "critical close", "pump",         "box: Critical error; Vellorine closing...",
    "program ending"};

class RunControlTest : public test::RunRig {
 protected:
  // A controller on the main input, as the device delivers it.
  static void InjectController(uint32_t msg) {
    ASSERT_EQ(midi::loopback::InjectShort(0, msg), midi::kOk);
    midi::loopback::Drain();
  }
};

// ---- start ----

TEST_F(RunControlTest, StartWithoutAnOutputPortDoesNothing) {
  Allocate(1, 0);
  Trace.DiagFlags = 1;
  StartRunning();
  EXPECT_EQ(Journal(), Lines{});
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Inactive);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Started, 0);
}

TEST_F(RunControlTest, StartTakesItsStepsInOrderAndEndsRunningWithOneTimer) {
  Allocate(1, 1);
  Trace.DiagFlags = 1;
  TKeyMode keyModeAtTimer = TKeyMode::Inactive;
  uint8_t startedAtTimer = 0;
  onSetEvent = [&] {
    keyModeAtTimer = Keys.KeyMode;
    startedAtTimer = RunCtl.MidiInDevs[0].Started;
  };
  StartRunning();
  EXPECT_EQ(Journal(), (Lines{
                           "state 2",
                           "log: Status: Running",
                           "log: AppDataFolder: ",
                           "log: UserProfileFolder: ",
                           "log: MIDI in ports: Port:1, DevName:Loopback In 1, PortName:In 1",
                           "log: MIDI out ports: Port:1, DevName:Loopback Out 1, PortName:Out 1",
                           "log: Live out port: 1",
                           "log: Seq1 out port: 1",
                           "log: Seq2 out port: 1",
                           "log: Seq3 out port: 1",
                           "log: Seq4 out port: 1",
                           "timer: caps",
                           "log: Res: 1-1000000",
                           "timer: begin 1",
                           "post: Set Res: 1 ok",
                           "log: UpdateDspStatus: 50",
                           "dsp Status on 50",
                           "log: UpdateDspMetr: 10",
                           "dsp Metr on 10",
                           "post: Starting input device 0, port 1, name Loopback In 1",
                           "post: Reset input device 0, port 1 ok",
                           "post: Start input device 0, port 1 ok",
                           "log: TPB: 3840 NQ: 1920 SQ: 1920 Quant note-offs: Y",
                           "log: IgnoreDriverTStamps: N",
                           "log: Setting timer: 1, 1",
                           "timer: set 1 1 TimerProc",
                           "log: Status: Running",
                           "log: Real-time scheduling: priority 5",
                       }));
  EXPECT_EQ(RunCtl.ProgState, TProgState::Running);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(keyModeAtTimer, TKeyMode::Live);
  EXPECT_EQ(startedAtTimer, 1);
  EXPECT_EQ(RunCtl.TimerExists, 1);
  EXPECT_EQ(RunCtl.TimerBusy, 1);
  EXPECT_EQ(RunCtl.MidiTimerId, 7u);
  EXPECT_EQ(RunCtl.PeriodBegun, 1);
}

TEST_F(RunControlTest, TheFirstRunWithoutRealTimeSchedulingSaysSoOnce) {
  Allocate(1, 1);
  realTimePriority = 0;
  const std::string said =
      "Warning: No real-time scheduling: timing may wobble when the computer is busy. "
      "Help, Documentation, Troubleshooting says how to grant it";
  // Said with diagnostics off too: the log keeps it for when they are opened.
  for (int run = 0; run < 2; ++run) {
    journal.clear();
    StartRunning();
    ASSERT_EQ(RunCtl.ProgState, TProgState::Running);
    const Lines j = Journal();
    EXPECT_EQ(std::count(j.begin(), j.end(), "log: " + said), run == 0 ? 1 : 0) << run;
    EXPECT_EQ(Msgs.StatusAlertText.Peek(), run == 0 ? said : "") << run;
    EXPECT_EQ(Msgs.WarningCount, run == 0 ? 1 : 0) << run;
    Msgs.StatusAlertText.Clear();
    onPump = [] { TimerProc(7, 0); };
    StopRunning();
  }
}

TEST_F(RunControlTest, ResolutionBelowTheTimersMinimumTakesTheMinimum) {
  Allocate(0, 1);
  Trace.DiagFlags = 1;
  capsGiven = {2, 50};
  Cfg.MidiTimerResolution = 0;
  StartRunning();
  EXPECT_EQ(JournalFrom("timer: caps"),
            (Lines{"timer: caps", "log: Res: 2-50", "timer: begin 2", "post: Set Res: 2 ok",
                   "log: MidiTimerResMsInt: 0 not supported; using: 2", "log: UpdateDspStatus: 50",
                   "dsp Status on 50", "log: UpdateDspMetr: 10", "dsp Metr on 10",
                   "log: TPB: 3840 NQ: 1920 SQ: 1920 Quant note-offs: Y", "log: IgnoreDriverTStamps: N",
                   "log: Setting timer: 1, 2", "timer: set 1 2 TimerProc", "log: Status: Running",
                   "log: Real-time scheduling: priority 5"}));
  Cfg.MidiTimerResolution = 80;
  StopRunning();
  EXPECT_EQ(RunCtl.MidiTimerRes, 2);
  StartRunning();
  EXPECT_EQ(RunCtl.MidiTimerRes, 50);
}

TEST_F(RunControlTest, StartBuildsThePendingMetronomeBar) {
  Allocate(0, 1);
  Cfg.MetrSeqNo = 1;
  StartRunning();
  EXPECT_GE(SeqBuf(1).Head, 0);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(SeqBuf(0).Head, -1);
}

// ---- faults at the start ----

TEST_F(RunControlTest, TimerThatCannotBeCreatedIsReportedAndTheProgramReturnsToConfig) {
  Allocate(1, 1);
  eventId = 0;
  StartRunning();
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Inactive);
  EXPECT_EQ(RunCtl.TimerExists, 0);
  EXPECT_EQ(RunCtl.PeriodBegun, 0);
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: InitMidiTimer error: Unable to create timer");
  EXPECT_EQ(Msgs.StatusAlertPending, 1);
  EXPECT_EQ(Msgs.ErrorCount, 1);
  // Nothing to kill and nobody to wait for; the period is ended.
  const Lines stop = JournalFrom("timer: set 1 1 TimerProc");
  EXPECT_EQ(stop, (Lines{"timer: set 1 1 TimerProc", "sleep 200", "sleep 200", "state 3", "timer: end 1",
                         "state 4", "dsp Metr off", "dsp Status on 100"}));
  // The user can start again.
  eventId = 9;
  journal.clear();
  StartRunning();
  EXPECT_EQ(RunCtl.ProgState, TProgState::Running);
  EXPECT_EQ(RunCtl.TimerExists, 1);
}

TEST_F(RunControlTest, RefusedTimerResolutionClosesTheProgramSayingWhy) {
  Allocate(1, 1);
  beginResult = mmtimer::kErrNoCanDo;
  StartRunning();
  EXPECT_EQ(JournalFrom("timer: begin 1"),
            Join({{"timer: begin 1",
                   "box: SetTimerResolution error: Unable to set timer resolution 1 ms - error 0x00000061",
                   "cursor on", "pump", "in ports closed", "sleep 200", "sleep 200", "state 3", "state 4",
                   "dsp Metr off", "dsp Status on 100", "pump"},
                  kCriticalCloseEnd,
                  {"end"}}));
  EXPECT_EQ(RunCtl.PeriodBegun, 0);
  EXPECT_EQ(RunCtl.TimerExists, 0);
  EXPECT_EQ(RunCtl.InPortsAllocated, -1);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 0);
}

TEST_F(RunControlTest, UnreadableTimerCapabilitiesCloseTheProgramSayingWhy) {
  Allocate(0, 1);
  capsResult = 129;
  StartRunning();
  const Lines j = Journal();
  ASSERT_GE(j.size(), 3u);
  EXPECT_EQ(JournalFrom("timer: caps").at(1),
            "box: SetTimerResolution error: Unable to get the timer's capabilities - error 0x00000081");
  EXPECT_EQ(j.back(), "end");
}

TEST_F(RunControlTest, ExceptionDuringTheStartEndsInTheCriticalClose) {
  Allocate(0, 1);
  RunHooks.SetDspTimer = [this](TDspTimer t, bool on, int32_t) {
    if (t == TDspTimer::Metr && on) throw std::runtime_error("no timer left");
    Note("dsp");
  };
  StartRunning();
  EXPECT_EQ(JournalFrom("dsp").at(1), "box:  - no timer left");
  EXPECT_EQ(Journal().back(), "end");
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
}

// ---- stop ----

TEST_F(RunControlTest, StopLogsTheTimeStampsThisRunClampedToTheOutputWindow) {
  Allocate(1, 1);
  Trace.DiagFlags = 1;
  StartRunning();
  ASSERT_EQ(RunCtl.ProgState, TProgState::Running);
  test::gRigClockMs = 500;
  {
    std::lock_guard lock(EngineLock);
    // An input stamp from before a restart, and one from a clock that jumped ahead.
    ProcessLiveEvent(0x6407B0, 1000000);
    ProcessLiveEvent(0x6507B0, 900000000);
  }
  EXPECT_EQ(midi::loopback::SentAt(0, midi::loopback::SentCount(0) - 2).dueNs, 498750000);
  EXPECT_EQ(midi::loopback::SentAt(0, midi::loopback::SentCount(0) - 1).dueNs, 500000000);
  journal.clear();
  onPump = [] { TimerProc(7, 0); };
  StopRunning();
  const Lines j = Journal();
  EXPECT_NE(std::find(j.begin(), j.end(), "log: Time stamps clamped to the output window: 2"), j.end());
}

TEST_F(RunControlTest, StopResetsTheOutputsKillsTheTimerAndKeepsTheInputsOpen) {
  Allocate(1, 1);
  Trace.DiagFlags = 1;
  Live.Chan[0] = 2;
  StartRunning();
  ASSERT_EQ(RunCtl.ProgState, TProgState::Running);
  WriteLiveFifo(0x6401B0);
  WriteRawFifo(0x6402B0);
  midi::loopback::ClearSent();
  journal.clear();
  // The timer callback notices the stop at its next tick.
  onPump = [] { TimerProc(7, 0); };
  StopRunning();
  EXPECT_EQ(Journal(), (Lines{"sleep 200", "sleep 200", "state 3", "log: Status: Stopping...",
                              "log: Waiting for MIDI timer", "pump", "sleep 100", "timer: kill 7",
                              "post: Kill timer ok", "timer: end 1", "post: Reset Res ok", "state 4",
                              "log: Status: Config", "log: UpdateDspMetr: off", "dsp Metr off",
                              "log: UpdateDspStatus: 100", "dsp Status on 100"}));
  // Every seq's channel (all on port 1, channel 1: once), then, once the timer has stopped, the
  // live channel; the controller queued at the stop never went out.
  EXPECT_EQ(SentHex(), test::Join({test::ChannelResetHex(0), test::ChannelResetHex(2)}));
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Inactive);
  EXPECT_EQ(RunCtl.TimerExists, 0);
  EXPECT_EQ(RunCtl.TimerBusy, 0);
  EXPECT_EQ(RunCtl.PeriodBegun, 0);
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(Count(RawFifo), 0);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 1);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Started, 1);
  // Input still arrives in Config and waits in its queue.
  InjectController(0x6407B0);
  EXPECT_EQ(Count(LiveFifo), 1);

  journal.clear();
  midi::loopback::ClearSent();
  StopRunning();
  EXPECT_EQ(Journal(), Lines{});
  EXPECT_EQ(SentHex(), Lines{});
}

TEST_F(RunControlTest, StopWaitsTenTimesWithoutTheEngineLockWhenTheTimerNeverAnswers) {
  Allocate(0, 1);
  Trace.DiagFlags = 1;
  StartRunning();
  journal.clear();
  int lockFree = 0;
  onPump = [&] {
    // Another thread must be able to take the lock while the stop waits.
    std::thread other([&] {
      if (EngineLock.try_lock()) {
        ++lockFree;
        EngineLock.unlock();
      }
    });
    other.join();
  };
  StopRunning();
  Lines expected = {"sleep 200", "sleep 200", "state 3", "log: Status: Stopping...",
                    "log: Waiting for MIDI timer"};
  for (int i = 0; i < 10; ++i) {
    expected.push_back("pump");
    expected.push_back("sleep 100");
  }
  for (const char* s : {"timer: kill 7", "post: Kill timer ok", "timer: end 1", "post: Reset Res ok",
                        "state 4", "log: Status: Config", "log: UpdateDspMetr: off", "dsp Metr off",
                        "log: UpdateDspStatus: 100", "dsp Status on 100"})
    expected.push_back(s);
  EXPECT_EQ(Journal(), expected);
  EXPECT_EQ(lockFree, 10);
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
}

TEST_F(RunControlTest, StopWithoutAnOutputPortSkipsTheResetsButStillStops) {
  Allocate(0, 1);
  StartRunning();
  RunCtl.OutPortsAllocated = -1;
  journal.clear();
  midi::loopback::ClearSent();
  onPump = [] { TimerProc(7, 0); };
  StopRunning();
  EXPECT_EQ(Journal(), (Lines{"state 3", "pump", "sleep 100", "timer: kill 7", "timer: end 1", "state 4",
                              "dsp Metr off", "dsp Status on 100"}));
  EXPECT_EQ(SentHex(), Lines{});
}

TEST_F(RunControlTest, StopInConfigDoesNotPassThroughStopping) {
  Allocate(0, 1);
  StopRunning();
  EXPECT_EQ(Journal(), (Lines{"sleep 200", "sleep 200", "dsp Metr off", "dsp Status on 100"}));
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
}

TEST_F(RunControlTest, RealTimerTicksWhileRunningAndNotAfterTheStop) {
  Allocate(0, 1);
  UseRealTimer();
  StartRunning();
  ASSERT_EQ(RunCtl.TimerExists, 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Transport.MsClock < 20 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_GE(Transport.MsClock, 20);
  StopRunning();
  EXPECT_EQ(RunCtl.TimerExists, 0);
  EXPECT_EQ(RunCtl.PeriodBegun, 0);
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Transport.MsClock, 0);
}

// ---- the engine reset ----

TEST_F(RunControlTest, EngineResetClearsClocksQueuesSelectionAndStopsEveryPart) {
  Seqs.PartBufs[1][2].SeqState = TSeqState::Playing;
  SeqBuf(0).SeqState = TSeqState::Recording;
  SeqBuf(0).Selected = 1;
  SeqBuf(0).WasRunning = 1;
  Transport.MsClock = 1234;
  MidiIn.ExtClockTicks = 960;
  MidiIn.ExtClockLastMs = 50;
  MidiIn.InSysEx[3] = 1;
  Cfg.Tempo = 9000;
  Cfg.TargetTempo = 14000;
  Msgs.ErrorCount = 3;
  Msgs.WarningCount = 2;
  Keys.KeyMode = TKeyMode::Command;
  Keys.KeyHold = 1;
  Live.Selected = 1;
  Keys.PitchCycles = 4;
  Msgs.StatusMsg.Set("Play");
  WriteLiveFifo(0x6407B0);
  WriteRawFifo(0x6407B0);
  Cfg.MetrSeqNo = 1;
  ResetEngine();
  EXPECT_EQ(Seqs.PartBufs[1][2].SeqState, TSeqState::Stopped);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(SeqBuf(0).WasRunning, 0);
  EXPECT_EQ(Transport.MsClock, 0);
  EXPECT_EQ(MidiIn.ExtClockTicks, 0);
  EXPECT_EQ(MidiIn.ExtClockLastMs, -1);
  EXPECT_EQ(MidiIn.InSysEx[3], 0);
  EXPECT_EQ(Cfg.TargetTempo, 9000);
  EXPECT_EQ(Msgs.ErrorCount, 0);
  EXPECT_EQ(Msgs.WarningCount, 0);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Inactive);
  EXPECT_EQ(Keys.KeyHold, 0);
  EXPECT_EQ(Live.Selected, 0);
  EXPECT_EQ(Keys.PitchCycles, 0);
  EXPECT_TRUE(Msgs.StatusMsg.IsEmpty());
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(Count(RawFifo), 0);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
  EXPECT_EQ(PlayCycle.BarNo, 1);
}

TEST_F(RunControlTest, EngineResetGivesBackATimerItFindsRatherThanForgetIt) {
  RunCtl.TimerExists = 1;
  RunCtl.MidiTimerId = 4;
  RunCtl.PeriodBegun = 1;
  RunCtl.MidiTimerRes = 3;
  ResetEngine();
  EXPECT_EQ(Journal(), (Lines{"timer: kill 4", "timer: end 3"}));
  EXPECT_EQ(RunCtl.TimerExists, 0);
  EXPECT_EQ(RunCtl.PeriodBegun, 0);
}

TEST_F(RunControlTest, StopAllPartsStopsBothPartsOrOnlyThePlayingOnes) {
  Cfg.MaxActiveSeqs = 2;
  for (auto& part : Seqs.PartBufs)
    for (auto& b : part) b.SeqState = TSeqState::Playing;
  Seqs.SeqRecs[1].PlayPart = 1;
  StopAllParts(true);
  EXPECT_EQ(Seqs.PartBufs[0][0].SeqState, TSeqState::Stopped);
  EXPECT_EQ(Seqs.PartBufs[1][0].SeqState, TSeqState::Playing);
  EXPECT_EQ(Seqs.PartBufs[0][1].SeqState, TSeqState::Playing);
  EXPECT_EQ(Seqs.PartBufs[1][1].SeqState, TSeqState::Stopped);
  StopAllParts(false);
  for (int s = 0; s <= 2; ++s)
    for (int p = 0; p < kParts; ++p)
      EXPECT_EQ(Seqs.PartBufs[p][s].SeqState, TSeqState::Stopped) << p << " " << s;
  // Seq 4 is not in use.
  EXPECT_EQ(Seqs.PartBufs[0][3].SeqState, TSeqState::Playing);
}

// ---- program state ----

TEST_F(RunControlTest, ProgramStateAboveConfigIsADesignErrorAndChangesNothing) {
  Trace.DiagFlags = 1;
  SetProgState(static_cast<TProgState>(5));  // no state
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(Journal(), Lines{"log: Design error: SetProgState error: Unexpected psState"});
  EXPECT_EQ(Msgs.ErrorCount, 1);
}

TEST_F(RunControlTest, EachStateTextIsLoggedOnceWhileItLasts) {
  Trace.DiagFlags = 1;
  SetProgState(TProgState::Config);
  SetProgState(TProgState::Config);
  SetProgState(TProgState::LoadingConfig);
  SetProgState(TProgState::Config);
  EXPECT_EQ(Journal(), (Lines{"state 4", "log: Status: Config", "state 4", "state 1",
                              "log: Status: Loading config...", "state 4", "log: Status: Config"}));
}

// ---- devices ----

TEST_F(RunControlTest, DeviceListsFillTheTables) {
  Trace.DiagFlags = 1;
  LoadInDevNames();
  LoadOutDevList();
  EXPECT_EQ(
      Journal(),
      (Lines{"log: No. of MIDI inputs: 3", "log: Input device 0, name Loopback In 1",
             "log: Input device 1, name Loopback In 2", "log: Input device 2, name Loopback In 3",
             "log: No. of MIDI outputs: 3", "log: Output device 0, name Loopback Out 1",
             "log: Output device 1, name Loopback Out 2", "log: Output device 2, name Loopback Out 3"}));
  EXPECT_EQ(RunCtl.MidiInDevsLast, 2);
  EXPECT_EQ(RunCtl.MidiOutDevsLast, 2);
  EXPECT_EQ(RunCtl.MidiInDevs[2].DevName, "Loopback In 3");
  EXPECT_EQ(RunCtl.MidiInDevs[2].DevId, 2u);
  EXPECT_EQ(RunCtl.MidiInDevs[2].PortNo, -1);
  EXPECT_EQ(RunCtl.MidiInDevs[2].Handle, midi::kInvalidHandle);
  EXPECT_EQ(RunCtl.MidiInDevs[2].Started, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[1].ProgChangesEnabled, 1);
}

TEST_F(RunControlTest, ListingAgainClosesOpenDevicesFirst) {
  Allocate(1, 1);
  LoadInDevNames();
  LoadOutDevList();
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 0);
  // Both can be opened again: the handles were given back.
  EXPECT_TRUE(OpenInPort(0, 0));
  EXPECT_TRUE(OpenOutPort(0, 0));
}

TEST_F(RunControlTest, OpenStartAndClosePostEachStep) {
  LoadInDevNames();
  LoadOutDevList();
  Trace.DiagFlags = 1;
  journal.clear();
  EXPECT_TRUE(OpenInPort(1, 0));
  EXPECT_TRUE(StartInPort(1, 0));
  EXPECT_TRUE(StartInPort(1, 0));
  EXPECT_TRUE(CloseInPort(1, 0, true));
  EXPECT_TRUE(OpenOutPort(2, 3));
  EXPECT_TRUE(CloseOutPort(2, 3, false));
  EXPECT_EQ(Journal(), (Lines{"post: Opening input device 1, port 1, name Loopback In 2",
                              "post: Open input device 1, port 1 ok",
                              "post: Starting input device 1, port 1, name Loopback In 2",
                              "post: Reset input device 1, port 1 ok",
                              "post: Start input device 1, port 1 ok",
                              "post: Starting input device 1, port 1, name Loopback In 2",
                              "post: Stop input device 1, port 1 ok",
                              "post: Reset input device 1, port 1 ok",
                              "post: Start input device 1, port 1 ok",
                              "post: Stop input device 1, port 1 ok",
                              "post: Reset input device 1, port 1 ok",
                              "pump",
                              "sleep 100",
                              "pump",
                              "sleep 100",
                              "pump",
                              "sleep 100",
                              "pump",
                              "sleep 100",
                              "pump",
                              "sleep 100",
                              "post: Close input device 1, port 1 ok",
                              "post: Opening output device 2, port 4 Loopback Out 3",
                              "post: Open output device 2, port 4 ok",
                              "post: Reset output device 2, port 4 ok",
                              "post: Reset output device 2, port 4 ok",
                              "pump",
                              "post: Close output device 2, port 4 ok"}));
  EXPECT_EQ(RunCtl.MidiInDevs[1].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[2].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortNo, 3);
}

TEST_F(RunControlTest, StartingAnInputClearsItsLastTimeStamp) {
  Allocate(1, 0);
  MidiIn.LastInTimestamp[0] = 5000;
  EXPECT_TRUE(StartInPort(0, 0));
  EXPECT_EQ(MidiIn.LastInTimestamp[0], 0);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Started, 1);
}

TEST_F(RunControlTest, TheTablesResetClosesEveryDeviceTheyHoldOpen) {
  Allocate(2, 2);
  RunCtl = TRun{};
  EXPECT_EQ(RunCtl.MidiInDevs[1].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[1].Handle, midi::kInvalidHandle);
  // Really closed: every device opens again.
  for (int d = 0; d < 2; ++d) {
    SCOPED_TRACE(d);
    midi::Handle in = midi::kInvalidHandle;
    midi::Handle out = midi::kInvalidHandle;
    EXPECT_EQ(midi::InOpen(
                  d, [](midi::Handle, uintptr_t, const midi::InMessage&) {}, 0, in),
              midi::kOk);
    EXPECT_EQ(midi::OutOpen(d, out), midi::kOk);
    midi::InClose(in);
    midi::OutClose(out);
  }
}

TEST_F(RunControlTest, FailedResetStillClosesTheDevice) {
  Allocate(1, 1);
  Trace.DiagFlags = 1;
  midi::loopback::FailNext("reset", midi::kErrNotReady);
  EXPECT_TRUE(CloseInPort(0, 0, true));
  midi::loopback::FailNext("reset", midi::kErrNotReady);
  EXPECT_TRUE(CloseOutPort(0, 0, true));
  EXPECT_EQ(Journal(), (Lines{"post: Stop input device 0, port 1 ok",
                              "post: Reset input device 0, port 1 error: The device is busy or not started",
                              "post: Close input device 0, port 1 ok",
                              "post: Reset output device 0, port 1 error: The device is busy or not started",
                              "post: Close output device 0, port 1 ok"}));
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 0);
  EXPECT_EQ(RunCtl.MidiInDevs[0].Handle, midi::kInvalidHandle);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 0);
  // Really closed: the devices open again, and input no longer reaches anyone.
  EXPECT_EQ(midi::loopback::InjectShort(0, 0x6407B0), midi::kErrNotReady);
  EXPECT_TRUE(OpenInPort(0, 0));
  EXPECT_TRUE(OpenOutPort(0, 0));
}

TEST_F(RunControlTest, FailedCloseReportsFalseButTheRecordIsClosed) {
  Allocate(1, 0);
  midi::loopback::FailNext("close", midi::kErrBackend);
  EXPECT_FALSE(CloseInPort(0, 0, false));
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 0);
  EXPECT_TRUE(OpenInPort(0, 0));
}

TEST_F(RunControlTest, FailedOpenAndStartReportFalse) {
  LoadInDevNames();
  LoadOutDevList();
  midi::loopback::FailNext("open", midi::kErrNoDriver);
  EXPECT_FALSE(OpenInPort(0, 0));
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened, 0);
  midi::loopback::FailNext("open", midi::kErrNoDriver);
  EXPECT_FALSE(OpenOutPort(0, 0));
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 0);
  // A device that is not open is not started.
  EXPECT_FALSE(StartInPort(0, 0));
  ASSERT_TRUE(OpenInPort(0, 0));
  midi::loopback::FailNext("start", midi::kErrNotReady);
  EXPECT_FALSE(StartInPort(0, 0));
  EXPECT_EQ(RunCtl.MidiInDevs[0].Started, 0);
}

TEST_F(RunControlTest, DeviceAndPortIndicesOutsideTheTablesAreRefused) {
  LoadInDevNames();
  LoadOutDevList();
  EXPECT_FALSE(OpenInPort(-1, 0));
  EXPECT_FALSE(OpenInPort(3, 0));  // only three listed
  EXPECT_FALSE(OpenInPort(0, 9));
  EXPECT_FALSE(OpenOutPort(40, 0));
  EXPECT_FALSE(OpenOutPort(0, -1));
  EXPECT_FALSE(StartInPort(0, 9));
  EXPECT_FALSE(CloseInPort(32, 0, false));
  EXPECT_FALSE(CloseOutPort(-2, 0, false));
}

TEST_F(RunControlTest, ClosingTheDisplayLinksOutputClosesTheLinkFirst) {
  Allocate(0, 2);
  Cfg.TarloOn = 1;
  RunHooks.TarloUsesOutDev = [](int32_t dev) { return dev == 1; };
  CloseOutPort(0, 0, false);
  CloseOutPort(1, 1, false);
  Cfg.TarloOn = 0;
  EXPECT_EQ(Journal(),
            (Lines{"pump", "box: Tarlo port P2 de-allocated - closing link", "tarlo close", "pump"}));
}

TEST_F(RunControlTest, CloseAllPortsClosesInputsStopsClosesOutputsUnderTheBusyCursor) {
  Allocate(2, 2);
  StartRunning();
  Trace.DiagFlags = 1;
  journal.clear();
  onPump = [] { TimerProc(7, 0); };
  CloseAllPorts();
  const Lines j = Journal();
  ASSERT_GE(j.size(), 3u);
  EXPECT_EQ(j[0], "log: Closing ports...");
  EXPECT_EQ(j[1], "cursor on");
  EXPECT_EQ(j[2], "post: Stop input device 0, port 1 ok");
  EXPECT_EQ(JournalFrom("in ports closed").at(1), "sleep 200");
  EXPECT_EQ(JournalFrom("out ports closed"),
            (Lines{"out ports closed", "dsp Status off", "dsp Metr off", "dsp Diag off", "cursor off"}));
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(RunCtl.InPortsAllocated, -1);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
  EXPECT_EQ(RunCtl.InPortDevIdx[1], -1);
  EXPECT_EQ(RunCtl.PortDevIdx[1], -1);
  for (int d = 0; d < 2; ++d) {
    EXPECT_EQ(RunCtl.MidiInDevs[d].Opened, 0);
    EXPECT_EQ(RunCtl.MidiInDevs[d].PortNo, -1);
    EXPECT_EQ(RunCtl.MidiOutDevs[d].Opened, 0);
  }
}

TEST_F(RunControlTest, CloseAllOutPortsSendsTheLiveAndSeqOutputsBackToPort1) {
  Allocate(0, 3);
  RunCtl.LivePort = 2;
  SeqBuf(1).Port = 2;
  CloseAllOutPorts();
  EXPECT_EQ(RunCtl.LivePort, 0);
  EXPECT_EQ(SeqBuf(1).Port, 0);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
}

// ---- the critical close ----

TEST_F(RunControlTest, CriticalErrorShowsTheTextClosesAndEndsTheProgram) {
  Trace.DiagFlags = 1;
  CriticalDesignError("Boom");
  EXPECT_EQ(Journal(), Join({{"log: Design error: Boom", "box: Design error: Boom", "log: Closing ports...",
                              "cursor on", "in ports closed", "log: UpdateDspMetr: off", "dsp Metr off",
                              "log: UpdateDspStatus: 100", "dsp Status on 100"},
                             kCriticalCloseEnd,
                             {"end"}}));
}

}  // namespace
}  // namespace vel
