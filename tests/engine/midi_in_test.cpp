// The MIDI input path: SysEx skipping, the control-channel filter, the queues, recording modes,
// Local Control, the external clock, MIDI Start and Stop, time stamps, the virtual keyboard's
// animation and the key mapper's live key, and input tracing.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/Topics.h"
#include "engine/RunTestState.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"

namespace vel {
namespace {

using Lines = std::vector<std::string>;

struct Call {
  int input;
  uint32_t msg;
  uint32_t time;
  bool noteOn;
  bool raw;
  bool operator==(const Call&) const = default;
};
void PrintTo(const Call& c, std::ostream* os) {
  char text[64];
  std::snprintf(text, sizeof text, "{%d %08X %u %d %d}", c.input, c.msg, c.time, c.noteOn, c.raw);
  *os << text;
}
using Calls = std::vector<Call>;

// What the key path and the command executor were handed.
Calls gRouted;
Calls gRecorded;
Calls gStepRecorded;
std::vector<std::pair<uint8_t, std::vector<uint8_t>>> gCommands;  // code, selection at the call
TKeyMode gKeyModeAfterRoute = TKeyMode::Inactive;                 // Inactive: the route leaves the mode

void RecordRoute(int8_t input, uint32_t msg, uint32_t time, bool noteOn, bool raw) {
  gRouted.push_back({input, msg, time, noteOn, raw});
  if (gKeyModeAfterRoute != TKeyMode::Inactive) SetKeyMode(gKeyModeAfterRoute);
}
void RecordRec(int8_t input, uint32_t msg, uint32_t time, bool isNote, bool noteOn, bool raw) {
  EXPECT_FALSE(isNote);
  EXPECT_FALSE(noteOn);
  gRecorded.push_back({input, msg, time, noteOn, raw});
}
void RecordStepRec(int8_t input, uint32_t msg, uint32_t time, bool isNote, bool noteOn, bool raw) {
  EXPECT_FALSE(isNote);
  gStepRecorded.push_back({input, msg, time, noteOn, raw});
}

// Stands in for the command executor: Stop is the transport's StopSeqs, Play starts the selected
// stopped seqs from their first event.
void StandInCommand(uint8_t, uint32_t, uint8_t code) {
  std::vector<uint8_t> sel;
  for (int s = 0; s <= LastSeq(); ++s) sel.push_back(SeqBuf(s).Selected);
  gCommands.push_back({code, sel});
  if (code == CmdStop) {
    StopSeqs();
    return;
  }
  test::StandInPlay();
}

class MidiInTest : public test::RunRig {
 protected:
  void SetUp() override {
    RunRig::SetUp();
    gRouted.clear();
    gRecorded.clear();
    gStepRecorded.clear();
    gCommands.clear();
    gKeyModeAfterRoute = TKeyMode::Inactive;
    MidiInHooks.RouteKeyByKeyMode = &RecordRoute;
    MidiInHooks.HandleRecModeKey = &RecordRec;
    MidiInHooks.HandleStepRecModeKey = &RecordStepRec;
    MidiInHooks.ExecCommand = &StandInCommand;
  }

  // Running with inputs 1..ins and one output; the timer is the journal's, so nothing ticks unless
  // the test calls TimerProc.
  void Run(int ins) {
    Allocate(ins, 1);
    StartRunning();
    ASSERT_EQ(RunCtl.ProgState, TProgState::Running);
    midi::loopback::ClearSent();
  }

  static void In(int32_t port, uint32_t msg, int32_t time = 0) { HandleMidiIn(port, msg, time); }

  // Bytes as they arrive on loopback input device dev, at the rig's clock.
  static void Inject(int dev, uint32_t msg, uint32_t atMs) {
    test::gRigClockMs = atMs;
    ASSERT_EQ(midi::loopback::InjectShort(dev, msg), midi::kOk);
    midi::loopback::Drain();
  }

  static std::vector<uint32_t> Drain(TMidiFifo<TLiveMsg, 1000>& fifo) {
    std::vector<uint32_t> out;
    std::lock_guard lock(fifo.Mutex);
    TLiveMsg m;
    while (fifo.Pop(m)) out.push_back(m.Msg);
    return out;
  }

  static void Fill(int seq, std::initializer_list<std::pair<int32_t, uint32_t>> events) {
    test::FillPart(0, seq, events);
  }
  static void Play(int seq) {
    std::lock_guard lock(EngineLock);
    test::StartSeq(seq);
  }

  static midi::InMessage Data(uint32_t msg, uint32_t timeMs) {
    return midi::InMessage{midi::InMsg::Data, msg, timeMs, nullptr, 0};
  }
};

// ---- SysEx ----

TEST_F(MidiInTest, SysExBytesNeverReachTheQueuesAndF7EndsThem) {
  Allocate(3, 1);
  for (uint32_t b : {0xF0u, 0x7Du, 0x01u, 0x40u, 0x7Fu, 0xF7u}) In(0, b);
  for (uint32_t b : {0xF0u, 0x10u, 0x20u, 0xF7u}) In(2, b);
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(Count(RawFifo), 0);
  EXPECT_EQ(MidiIn.InSysEx[0], 0);
  // A data byte without a status is skipped as well.
  In(0, 0x40);
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(gRouted, Calls{});
}

TEST_F(MidiInTest, StatusByteEndsASysExAndIsHandled) {
  Allocate(1, 1);
  In(0, 0xF0);
  In(0, 0x22);
  In(0, 0x6407B0);
  EXPECT_EQ(MidiIn.InSysEx[0], 0);
  In(0, 0x33);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6407B0});
}

TEST_F(MidiInTest, StartInsideASysExIsObeyedAndTheSysExGoesOn) {
  Run(1);
  Cfg.MidiInSyncIntEnabled = 1;
  In(0, 0xF0);
  In(0, 0xFA);
  EXPECT_EQ(MidiIn.InSysEx[0], 1);
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0].first, CmdPlay);
  In(0, 0x6407);  // a data byte still belongs to the SysEx
  In(0, 0xF7);
  EXPECT_EQ(MidiIn.InSysEx[0], 0);
  EXPECT_EQ(Count(LiveFifo), 0);
}

TEST_F(MidiInTest, SysExBlockFromADeviceLeavesNoTrace) {
  Allocate(1, 1);
  ASSERT_TRUE(StartInPort(0, 0));
  const uint8_t dump[] = {0xF0, 0x7D, 0x01, 0x02, 0x03, 0xF7};
  Inject(0, 0x6401B0, 1);
  ASSERT_EQ(midi::loopback::Inject(0, dump, sizeof dump), midi::kOk);
  Inject(0, 0x6402B0, 2);
  EXPECT_EQ(Drain(LiveFifo), (std::vector<uint32_t>{0x6401B0, 0x6402B0}));
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  EXPECT_EQ(MidiIn.InSysEx[0], 0);
}

// ---- channel filter and queues ----

TEST_F(MidiInTest, MainInputTakesOnlyItsFilterChannel) {
  Allocate(1, 1);
  Cfg.MainInPortFilterChan = 2;  // channel 3, held 0-based
  In(0, 0x6407B2);
  In(0, 0x6407B0);
  In(0, 0x643C92, 5);
  In(0, 0x643C90, 6);
  In(0, 0x0005C3);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6407B2});
  EXPECT_EQ(gRouted, (Calls{{0, 0x643C92, 5, true, false}}));
  Cfg.ClocksExtPNo = 0;
  In(0, 0xF8, 40);  // system messages pass whatever the filter
  EXPECT_EQ(MidiIn.ExtClockLastMs, 40);
  Cfg.MainInPortFilterChan = 0;  // channel 1
  In(0, 0x6407B0);
  In(0, 0x6407B1);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6407B0});
  Cfg.MainInPortFilterChan = -1;
  In(0, 0x6407BF);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6407BF});
}

TEST_F(MidiInTest, AuxInputIsAControlInputWithItsOwnFilterOrElseRaw) {
  Allocate(3, 1);
  Cfg.AuxInPortReqd = 1;
  Cfg.MainInPortFilterChan = 0;
  Cfg.AuxInPortFilterChan = 4;
  In(1, 0x6407B4);
  In(1, 0x6407B0);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6407B4});
  EXPECT_EQ(Count(RawFifo), 0);
  // Raw inputs ignore the filter and go to RawFifo.
  In(2, 0x6407B9);
  Cfg.AuxInPortReqd = 0;
  In(1, 0x6407B9);
  In(1, 0x0003C9);
  In(1, 0x2000E9);
  EXPECT_EQ(Drain(RawFifo), (std::vector<uint32_t>{0x6407B9, 0x6407B9, 0x0003C9, 0x2000E9}));
  EXPECT_EQ(Count(LiveFifo), 0);
}

TEST_F(MidiInTest, NotesGoToTheKeyRoutingAVelocityZeroAsANoteOff) {
  Allocate(3, 1);
  Cfg.AuxInPortReqd = 0;
  In(0, 0x01643C90, 55);  // the virtual keyboard marks its notes in the top byte
  In(0, 0x01003C92, 56);
  In(0, 0x00403C81, 57);
  In(1, 0x007F2099, 58);
  In(2, 0x00002095, 59);
  EXPECT_EQ(gRouted, (Calls{{0, 0x01643C90, 55, true, false},
                            {0, 0x01003C82, 56, false, false},
                            {0, 0x00403C81, 57, false, false},
                            {1, 0x007F2099, 58, true, true},
                            {2, 0x00002085, 59, false, true}}));
  EXPECT_EQ(Count(LiveFifo), 0);
}

TEST_F(MidiInTest, RecordingModesTakeTheOtherChannelMessages) {
  Allocate(3, 1);
  Keys.KeyMode = TKeyMode::Record;
  In(0, 0x6407B0, 10);
  In(0, 0x007BB0, 11);  // channel mode messages are dropped
  In(0, 0x0005C0, 12);
  In(0, 0x4000E0, 13);
  In(2, 0x6407B5, 14);
  EXPECT_EQ(gRecorded, (Calls{{0, 0x6407B0, 10, false, false},
                              {0, 0x0005C0, 12, false, false},
                              {0, 0x4000E0, 13, false, false},
                              {2, 0x6407B5, 14, false, true}}));
  Keys.KeyMode = TKeyMode::StepRecord;
  In(0, 0x6407B0, 20);
  In(0, 0x0079B0, 21);
  In(0, 0x0005C0, 22);
  In(0, 0x4000E0, 23);
  In(0, 0x0040D0, 24);
  EXPECT_EQ(gStepRecorded, (Calls{{0, 0x6407B0, 20, false, false}, {0, 0x0005C0, 22, false, false}}));
  EXPECT_EQ(Drain(LiveFifo), (std::vector<uint32_t>{0x4000E0, 0x0040D0}));
  EXPECT_EQ(gRecorded.size(), 4u);
}

TEST_F(MidiInTest, PortsOutsideTheTablesAreDropped) {
  Allocate(1, 1);
  In(-1, 0x6407B0);
  In(9, 0x6407B0);
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(Count(RawFifo), 0);
}

// ---- Input time ----

TEST_F(MidiInTest, ALiveControllerLeavesAtItsInputTimeUnlessDriverStampsAreIgnored) {
  Run(1);
  Live.Chan[0] = 1;
  Inject(0, 0x6407B0, 5);
  test::gRigClockMs = 6;
  TimerProc(7, 0);
  Cfg.IgnoreDriverTStamps = 1;
  Inject(0, 0x6507B0, 6);
  test::gRigClockMs = 7;
  TimerProc(7, 0);
  ASSERT_EQ(SentHex(), (Lines{"B1 07 64", "B1 07 65"}));
  EXPECT_EQ(midi::loopback::SentAt(0, 0).dueNs, 5000000);
  // Stamped when it was queued, on the MIDI-in thread.
  EXPECT_EQ(midi::loopback::SentAt(0, 1).dueNs, 6000000);
}

// ---- Local Control ----

TEST_F(MidiInTest, LocalControlOffStopsTheSeqsAndSilencesEverythingUntilItIsOn) {
  Run(1);
  Cfg.InterpretLocalControl = 1;
  Live.Chan[0] = 1;
  Fill(0, {{0, 0x643C90}, {1920, 0x003C80}, {3840, 0xFF}});
  SeqBuf(0).ChanPend = 4;
  Play(0);
  TimerProc(7, 0);
  EXPECT_EQ(SentHex(), Lines{"94 3C 64"});
  midi::loopback::ClearSent();

  In(0, 0x007AB0);
  EXPECT_EQ(PlayCycle.LocalControlOn, 0);
  EXPECT_EQ(MidiIn.LocalCtlDirty, 1);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::StopPrimed);
  // The live channel and the playing seq's channel are reset while they still can be.
  EXPECT_EQ(SentHex(), test::Join({test::ChannelResetHex(1), test::ChannelResetHex(4)}));
  midi::loopback::ClearSent();
  for (int i = 0; i < 4000; ++i) TimerProc(7, 0);
  In(0, 0x6407B0);
  TimerProc(7, 0);
  EXPECT_EQ(SentHex(), Lines{});
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);

  MidiIn.LocalCtlDirty = 0;
  In(0, 0x7F7AB0);
  EXPECT_EQ(PlayCycle.LocalControlOn, 1);
  EXPECT_EQ(MidiIn.LocalCtlDirty, 1);
  In(0, 0x6407B0);
  TimerProc(7, 0);
  EXPECT_EQ(SentHex(), Lines{"B1 07 64"});
  // Local Control on again while on changes nothing.
  MidiIn.LocalCtlDirty = 0;
  In(0, 0x407AB0);
  EXPECT_EQ(MidiIn.LocalCtlDirty, 0);
}

TEST_F(MidiInTest, LocalControlOffEndsTheLiveNotesOfTheWholeMultiplierRange) {
  // The live channel's reset does not reach the multiplier's other channels: every counted live
  // note gets its note-off first.
  Run(1);
  Cfg.InterpretLocalControl = 1;
  Live.Chan[0] = 1;
  Cfg.MChanMin[0] = 1;
  Cfg.MChanMax[0] = 2;
  Live.MChanApplies = 1;
  WriteLiveFifo(0x643C90);
  TimerProc(7, 0);
  EXPECT_EQ(SentHex(), (Lines{"91 3C 64", "92 3C 64"}));
  midi::loopback::ClearSent();

  In(0, 0x007AB0);
  EXPECT_EQ(SentHex(), test::Join({{"81 3C 00", "82 3C 00"}, test::ChannelResetHex(1)}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[2][0x3C], 0);
}

TEST_F(MidiInTest, Controller122IsAnOrdinaryControllerUnlessInterpreted) {
  Allocate(3, 1);
  In(0, 0x007AB0);
  Cfg.InterpretLocalControl = 1;
  In(2, 0x007AB0);  // raw inputs never carry Local Control
  EXPECT_EQ(PlayCycle.LocalControlOn, 1);
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x007AB0});
  EXPECT_EQ(Drain(RawFifo), std::vector<uint32_t>{0x007AB0});
}

// ---- MIDI Start and Stop ----

TEST_F(MidiInTest, StopThenStartRestartsExactlyTheSeqsThatWerePlaying) {
  Run(1);
  Cfg.MidiInSyncIntEnabled = 1;
  Cfg.StopImmStop = 1;
  for (int s = 0; s < kSeqs; ++s) Fill(s, {{0, 0x643C90}, {1920, 0x003C80}, {3840, 0xFF}});
  Play(0);
  Play(2);
  Inject(0, 0xFC, 10);
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0], (std::pair<uint8_t, std::vector<uint8_t>>{CmdStop, {1, 1, 1, 1}}));
  TimerProc(7, 0);
  for (int s = 0; s < kSeqs; ++s) EXPECT_EQ(SeqBuf(s).SeqState, TSeqState::Stopped) << s;

  Inject(0, 0xFA, 20);
  ASSERT_EQ(gCommands.size(), 2u);
  EXPECT_EQ(gCommands[1], (std::pair<uint8_t, std::vector<uint8_t>>{CmdPlay, {1, 0, 1, 0}}));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
  EXPECT_EQ(SeqBuf(1).SeqState, TSeqState::Stopped);
  EXPECT_EQ(SeqBuf(2).SeqState, TSeqState::Playing);
  EXPECT_EQ(SeqBuf(3).SeqState, TSeqState::Stopped);
  EXPECT_EQ(PlayCycle.BarNo, 1);  // nothing played: the beat count restarted
}

TEST_F(MidiInTest, ContinueStartsOnlyWhenAllowedAndSyncNeedsItsSwitch) {
  Run(2);
  In(0, 0xFA);
  In(0, 0xFC);
  EXPECT_TRUE(gCommands.empty());
  Cfg.MidiInSyncIntEnabled = 1;
  In(0, 0xFB);
  EXPECT_TRUE(gCommands.empty());
  Cfg.MidiInSyncContEnabled = 1;
  In(1, 0xFB);
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0].first, CmdPlay);
}

TEST_F(MidiInTest, WithTheExternalClockOnlyTheClockPortStartsAndStops) {
  Run(2);
  Cfg.ClocksSourceInternal = 0;
  Cfg.ClocksExtPNo = 1;
  Cfg.MidiInSyncIntEnabled = 1;
  In(0, 0xFA);
  EXPECT_TRUE(gCommands.empty());
  Cfg.MidiInSyncExtEnabled = 1;
  In(0, 0xFA);
  EXPECT_TRUE(gCommands.empty());
  In(1, 0xFA);
  In(1, 0xFC);
  ASSERT_EQ(gCommands.size(), 2u);
  EXPECT_EQ(gCommands[1].first, CmdStop);
}

TEST_F(MidiInTest, StartWorksInLiveAndCommandModeStopOnlyInLive) {
  Run(1);
  Cfg.MidiInSyncIntEnabled = 1;
  SeqBuf(1).Selected = 1;
  Keys.KeyMode = TKeyMode::Command;
  In(0, 0xFC);
  EXPECT_TRUE(gCommands.empty());
  In(0, 0xFA);
  ASSERT_EQ(gCommands.size(), 1u);
  // In Command mode the selection made there stands.
  EXPECT_EQ(gCommands[0].second, (std::vector<uint8_t>{0, 1, 0, 0}));
  Keys.KeyMode = TKeyMode::Record;
  In(0, 0xFA);
  EXPECT_EQ(gCommands.size(), 1u);
}

// ---- external clock ----

TEST_F(MidiInTest, TwentyFourClocksAdvancePlaybackByExactlyOneQuarterNote) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.ClocksExtPNo = 0;
  Run(1);
  Fill(0, {{0, 0x643C90}, {3840, 0x643E90}, {7680, 0xFF}});
  Play(0);
  // The first clock comes long after the start: its distance to nothing is no interval.
  for (int i = 0; i < 23; ++i) Inject(0, 0xF8, 500 + 20 * i);
  EXPECT_EQ(SentHex(), Lines{"90 3C 64"});
  Inject(0, 0xF8, 500 + 20 * 23);
  EXPECT_EQ(SentHex(), (Lines{"90 3C 64", "90 3E 64"}));
  EXPECT_EQ(MidiIn.ExtClockTicks, 3840);
  EXPECT_EQ(MidiIn.ClockIntervalCount, 23);
  EXPECT_EQ(MidiIn.ExtClockAvg, 20);
  EXPECT_EQ(MidiIn.ExtClockLastMs, 960);
}

TEST_F(MidiInTest, ClockTimingDoesNotChangeHowFarItAdvances) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.ClocksExtPNo = 0;
  Run(1);
  Fill(0, {{0, 0x643C90}, {3840, 0x643E90}, {7680, 0xFF}});
  Play(0);
  const uint32_t times[] = {0,   1,   1,   1,   90,  91,  92,   400,  400,  400,  401, 402,
                            900, 901, 902, 903, 904, 905, 2000, 2001, 2002, 2003, 2004};
  for (uint32_t t : times) Inject(0, 0xF8, t);
  EXPECT_EQ(SentHex(), Lines{"90 3C 64"});
  Inject(0, 0xF8, 2005);
  EXPECT_EQ(SentHex(), (Lines{"90 3C 64", "90 3E 64"}));
}

TEST_F(MidiInTest, ClocksFromOtherPortsOrOutsideRunningDoNotPlay) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.ClocksExtPNo = 1;
  Allocate(2, 1);
  In(1, 0xF8, 100);  // Config: timed, not played
  In(1, 0xF8, 125);
  EXPECT_EQ(MidiIn.ExtClockTicks, 0);
  EXPECT_EQ(MidiIn.ExtClockAvg, 25);
  StartRunning();
  In(0, 0xF8, 10);
  EXPECT_EQ(MidiIn.ExtClockTicks, 0);
  EXPECT_EQ(MidiIn.ExtClockLastMs, -1);  // the start reset the clock
  In(1, 0xF8, 10);
  EXPECT_EQ(MidiIn.ExtClockTicks, 160);
  // With the internal clock the clock port is only timed.
  Cfg.ClocksSourceInternal = 1;
  In(1, 0xF8, 30);
  EXPECT_EQ(MidiIn.ExtClockTicks, 160);
  EXPECT_EQ(MidiIn.ExtClockAvg, 20);
}

TEST_F(MidiInTest, TheIntervalRingAveragesTheLastFiftyClocks) {
  Cfg.ClocksExtPNo = 0;
  Allocate(1, 1);
  int32_t t = 0;
  In(0, 0xF8, t);
  for (int i = 0; i < 50; ++i) In(0, 0xF8, t += 10);
  EXPECT_EQ(MidiIn.ExtClockAvg, 10);
  for (int i = 0; i < 25; ++i) In(0, 0xF8, t += 30);
  EXPECT_EQ(MidiIn.ExtClockAvg, 20);
  EXPECT_EQ(MidiIn.ClockIntervalCount, 50);
  // Two clocks at one time stamp make no interval.
  In(0, 0xF8, t);
  EXPECT_EQ(MidiIn.ExtClockAvg, 20);
  ResetExtClock();
  In(0, 0xF8, t + 1000);
  EXPECT_EQ(MidiIn.ClockIntervalCount, 0);
  EXPECT_EQ(MidiIn.ExtClockAvg, 0);
}

// ---- time stamps and the callback ----

TEST_F(MidiInTest, TimeStampOutOfRangeKeepsThePreviousOne) {
  Allocate(1, 1);
  Cfg.ClocksExtPNo = 0;
  Trace.DiagFlags = 1;
  MidiInCallback(0, 0, Data(0xF8, 1000));
  EXPECT_EQ(MidiIn.ExtClockLastMs, 1000);
  MidiInCallback(0, 0, Data(0x6407B0, 0x80000000u));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "MidiIn timestamp out of range");
  MidiInCallback(0, 0, Data(0xF8, 0xFFFFFFFFu));
  EXPECT_EQ(MidiIn.ExtClockLastMs, 1000);
  EXPECT_EQ(MidiIn.LastInTimestamp[0], 1000);
  EXPECT_EQ(Journal(),
            (Lines{"post: MidiIn port 1 006407B0, timestamp 2147483648 exceeds internal limit 2147483647, "
                   "resetting to 1000",
                   "post: MidiIn port 1 000000F8, timestamp 4294967295 exceeds internal limit 2147483647, "
                   "resetting to 1000"}));
}

TEST_F(MidiInTest, EarlierTimeStampTakesThePreviousOneAndIsLoggedBeyondTwiceTheResolution) {
  Allocate(1, 1);
  Cfg.ClocksExtPNo = 0;
  Trace.DiagFlags = 1;
  RunCtl.MidiTimerRes = 2;
  MidiInCallback(0, 0, Data(0xF8, 1000));
  MidiInCallback(0, 0, Data(0xF8, 996));
  MidiInCallback(0, 0, Data(0xF8, 995));
  EXPECT_EQ(MidiIn.ExtClockLastMs, 1000);
  EXPECT_EQ(Journal(),
            (Lines{"post: MidiIn port 1 000000F8, timestamp 995 earlier than prev 1000, resetting to prev "
                   "(res 2)\r\n (ignore warnings if using virtual or qwerty keyboard)"}));
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  MidiInCallback(0, 0, Data(0xF8, 1001));
  EXPECT_EQ(MidiIn.ExtClockLastMs, 1001);
}

TEST_F(MidiInTest, IgnoringDriverTimeStampsTakesTheEngineClock) {
  Allocate(1, 1);
  Cfg.ClocksExtPNo = 0;
  Cfg.IgnoreDriverTStamps = 1;
  Transport.MsClock = 77;
  MidiInCallback(0, 0, Data(0xF8, 5000));
  EXPECT_EQ(MidiIn.ExtClockLastMs, 77);
  EXPECT_EQ(MidiIn.LastInTimestamp[0], 0);
}

TEST_F(MidiInTest, CallbackDropsInputItCannotPlace) {
  Allocate(1, 1);
  MidiInCallback(0, 40, Data(0x6401B0, 1));  // no such slot
  RunCtl.MidiInDevs[0].PortNo = 9;
  MidiInCallback(0, 0, Data(0x6402B0, 2));
  RunCtl.MidiInDevs[0].PortNo = -1;
  MidiInCallback(0, 0, Data(0x6403B0, 3));
  RunCtl.MidiInDevs[0].PortNo = 0;
  RunCtl.ProgState = TProgState::Initialising;
  MidiInCallback(0, 0, Data(0x6404B0, 4));
  RunCtl.ProgState = TProgState::Config;
  RunCtl.InPortsAllocated = -1;
  MidiInCallback(0, 0, Data(0x6405B0, 5));
  RunCtl.InPortsAllocated = 0;
  MidiInCallback(0, 0, Data(0x6406B0, 6));
  EXPECT_EQ(Drain(LiveFifo), std::vector<uint32_t>{0x6406B0});
}

TEST_F(MidiInTest, DriverErrorsBecomeWarningsAndLostInputLightsTheOverload) {
  Allocate(1, 1);
  ASSERT_TRUE(StartInPort(0, 0));
  const uint8_t broken[] = {0x90, 0x3C};
  ASSERT_EQ(midi::loopback::Inject(0, broken, sizeof broken), midi::kOk);
  midi::loopback::Drain();
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "MidiInCallback 0 Invalid MIDI msg: 00003C90");
  MidiInCallback(0, 0, midi::InMessage{midi::InMsg::Error, 0x6407B0, 0, nullptr, 12});
  EXPECT_EQ(MidiIn.MidiInMoreData, 1);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  EXPECT_EQ(Count(LiveFifo), 0);
}

TEST_F(MidiInTest, ALostServerIsSaidOnceUntilAnInputOpensAgain) {
  Run(2);
  // Each input of the server says it went away; the user hears it once, not as a broken message.
  const struct {
    int dev;
    bool reopenFirst;
    const char* warning;
  } steps[] = {{0, false, "Loopback error: The MIDI server went away"},
               {1, false, ""},
               {0, false, ""},
               {1, true, "Loopback error: The MIDI server went away"},
               {0, false, ""}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.dev);
    if (s.reopenFirst) {
      ASSERT_TRUE(OpenInPort(s.dev, s.dev));
      ASSERT_TRUE(StartInPort(s.dev, s.dev));
    }
    ASSERT_EQ(midi::loopback::LoseInput(s.dev), midi::kOk);
    midi::loopback::Drain();
    EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), s.warning);
  }
  EXPECT_EQ(midi::loopback::LoseInput(2), midi::kErrNotReady);
  EXPECT_EQ(RunCtl.ProgState, TProgState::Running);
  EXPECT_EQ(MidiIn.MidiInMoreData, 0);
  EXPECT_EQ(Count(LiveFifo), 0);
}

// ---- virtual keyboard animation and the key mapper ----

TEST_F(MidiInTest, ControlNotesAnimateTheVirtualKeyboardAndTheKeyMapper) {
  Allocate(3, 1);
  Cfg.AuxInPortReqd = 0;
  Showing.TemplateShowing = 1;
  Cfg.TemplateAnimateSize = 4;
  Showing.KeyMapperShowing = 1;
  Keys.KeyMode = TKeyMode::Live;
  gKeyModeAfterRoute = TKeyMode::Command;
  In(0, 0x643C90);
  EXPECT_EQ(Showing.LastLiveKey, 0x3C);
  EXPECT_EQ(Keys.KeyModeShownPrev, TKeyMode::Live);
  EXPECT_EQ(Keys.KeyModeShown, TKeyMode::Command);
  EXPECT_TRUE(Topics.Raised(TTopic::LiveKey));
  EXPECT_EQ(MidiIn.LiveNoteTable[0x3C].Vel, 0x64);
  EXPECT_EQ(MidiIn.LiveNoteTable[0x3C].Level, 0x64);
  EXPECT_EQ(Showing.LiveNoteAnyLit, 1);

  Topics.Clear();
  In(0, 0x003C90);
  EXPECT_EQ(Showing.LastLiveKey, -1);
  EXPECT_TRUE(Topics.Raised(TTopic::LiveKey));
  EXPECT_EQ(MidiIn.LiveNoteTable[0x3C].Tail, 200);

  // Raw input animates nothing.
  In(2, 0x504090);
  In(1, 0x504190);
  EXPECT_EQ(MidiIn.LiveNoteTable[0x40].Vel, 0);
  EXPECT_EQ(MidiIn.LiveNoteTable[0x41].Vel, 0);
  EXPECT_EQ(Showing.LastLiveKey, -1);

  In(0, 0x7F40B2);
  EXPECT_EQ(MidiIn.LiveNoteAux[2], 0x7F);
  Cfg.TemplateAnimateSize = 1;
  In(0, 0x504290);
  In(0, 0x3340B2);
  EXPECT_EQ(MidiIn.LiveNoteTable[0x42].Vel, 0);
  EXPECT_EQ(MidiIn.LiveNoteAux[2], 0x7F);
}

// ---- tracing ----

TEST_F(MidiInTest, InputIsTracedInTicksNoteOnsOnlyWhenTheyPass) {
  Allocate(1, 1);
  Trace.DiagFlags = 1;
  Trace.InTraceOn = 1;
  Trace.TraceNotes = 1;
  Trace.TraceController = 1;
  Cfg.MainInPortFilterChan = 0;
  In(0, 0x6407B1, 500);  // filtered out, traced
  In(0, 0x643C91, 500);  // filtered out, not traced
  In(0, 0x643C90, 1000);
  In(0, 0xF8, 1000);  // clock trace off
  In(0, 0xFE, 1000);
  std::vector<TTraceEvent> got;
  TTraceEvent e;
  while (ReadDiagTraceFifo(e)) got.push_back(e);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Msg, 0x6407B1u);
  EXPECT_EQ(got[0].Time, 3840);  // 500 ms at 120 BPM
  EXPECT_EQ(got[1].Msg, 0x643C90u);
  EXPECT_EQ(got[1].Time, 7680);
  Trace.InTraceOn = 0;
  In(0, 0x643C90, 1000);
  EXPECT_FALSE(ReadDiagTraceFifo(e));
}

}  // namespace
}  // namespace vel
