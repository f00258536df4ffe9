// Real-time takes from the keyboard: the first note at 0, quantise on record, the end of a take
// and what the seq does next, retakes, auto-increment, octave keys, pitch bend and the one clock.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keys/RecordTestState.h"
#include "platform/midi/Midi.h"

namespace vel::test {
namespace {

using Ev = std::pair<int32_t, std::string>;
using Evs = std::vector<Ev>;

class RealTimeRecordTest : public RecordTest {
 protected:
  void SetUp() override {
    RecordTest::SetUp();
    Transport.ActBar.NQTicks = 0;
  }
  // A fresh fixture for the next case of a table.
  void Fresh() {
    TearDown();
    SetUp();
  }
  // The external clock: a key's take time is exactly the tick count set before it.
  static void UseExtClock() {
    Cfg.ClocksSourceInternal = 0;
    MidiIn.ExtClockTicks = 0;
  }
};

TEST_F(RealTimeRecordTest, TheFirstNoteIsAtZeroAndLaterKeysRunOnTheEngineClock) {
  Arm();
  EXPECT_EQ(Mode(), TKeyMode::Record);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  At(100);
  Down(60);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Recording);
  EXPECT_EQ(Transport.RecStartTimeStamp, 100);
  At(350);  // 250 ms at 120 BPM: one eighth
  Up(60);
  Down(62, 90);
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {1920, "80 3C 00"}, {1920, "90 3E 5A"}}));
  EXPECT_EQ(RecKeys.RecLastEventTime, 1920);
  // The timer has played the first note live already.
  EXPECT_EQ(TakeLiveFifo(), (std::vector<uint32_t>{NoteOff(60), NoteOn(62, 90)}));
}

TEST_F(RealTimeRecordTest, QuantiseMovesNoteOnsToTheGridAndNoteOffsNeverBeforeThem) {
  struct Case {
    uint8_t quantiseOffs;
    int32_t on, off;
    int32_t wantOn, wantOff;
  };
  const Case cases[] = {
      {0, 479, 500, 0, 21},     // the note-off moves with its note-on
      {0, 480, 500, 960, 980},  // half a grid late goes to the next point
      {1, 479, 500, 0, 960},    // note-offs quantised on their own
      {1, 100, 300, 0, 960},    // onto its note-on: one grid step later
      {1, 1000, 1500, 960, 1920},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.on) + ".." + std::to_string(c.off));
    Fresh();
    UseExtClock();
    Cfg.QuantiseNoteOffs = c.quantiseOffs;
    Transport.ActBar.NQTicks = 960;
    Arm();
    Down(50);  // the first key is at 0 and never quantised
    Up(50);
    ExtTicks(c.on);
    Down(60);
    ExtTicks(c.off);
    Up(60);
    const Evs ev = Events();
    ASSERT_EQ(ev.size(), 4u);
    int32_t onTime = -1, offTime = -1;
    for (const auto& [t, text] : ev) {
      if (text == "90 3C 64") onTime = t;
      if (text == "80 3C 00") offTime = t;
    }
    EXPECT_EQ(onTime, c.wantOn);
    EXPECT_EQ(offTime, c.wantOff);
  }
}

TEST_F(RealTimeRecordTest, TheEndKeyRoundsTheLengthToTheSeqGridNeverShortOfAnEvent) {
  struct Case {
    int32_t noteGrid, seqGrid, offAt, endAt, want;
  };
  const Case cases[] = {
      {0, 960, 100, 1900, 1920},     {0, 960, 100, 2400, 2880},  // a tie rounds up
      {0, 960, 0, 0, 960},                                       // never a take of no length
      {0, 960, 1500, 400, 1920},                                 // past the last event
      {3840, 960, 2000, 1000, 3840},  // a coarse note grid put the note-off two steps past the key
      {0, 0, 100, 1234, 1234},        // no seq grid: the key's own time
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.endAt));
    Fresh();
    UseExtClock();
    Transport.ActBar.NQTicks = c.noteGrid;
    Transport.ActBar.SQTicks = c.seqGrid;
    PlayCycle.TicksToBarEnd = 15360;
    Arm();
    Down(60);
    ExtTicks(c.offAt);
    Up(60);
    ExtTicks(c.endAt);
    Hit(NoteOn(kPlayKey));
    EXPECT_EQ(RecKeys.RecLastEventTime, c.want);
    const Evs ev = Events();
    ASSERT_FALSE(ev.empty());
    EXPECT_EQ(ev.back(), (Ev{c.want, "FF 00 00"}));
    for (const auto& e : ev) EXPECT_LE(e.first, c.want);
    EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
  }
}

TEST_F(RealTimeRecordTest, EndKeysSetTheCyclesAndTheirTexts) {
  struct Case {
    int key;
    TSeqState state;
    // The remaining counts after the start of cycle that the end key makes: the take just played
    // was the first play cycle; a mute count is held one over.
    int32_t play, playRem, mute, muteRem;
    uint8_t muted;
    std::string status;
  };
  const Case cases[] = {
      {kStopKey, TSeqState::Stopped, 0, 0, 0, 0, 0, "Stop"},
      {kPlayKey, TSeqState::Playing, 0, 0, 0, 0, 0, "Play"},
      {kPlay4Key, TSeqState::Playing, 4, 3, 0, 0, 0, "Play cycles:4"},
      {kPlayMute4Key, TSeqState::Playing, 4, 3, 4, 4, 0, "PlayMute cycles:4"},
      {kMuteKey, TSeqState::PlayMuted, 0, 0, 0, 0, 1, "Mute"},
      {kMute2Key, TSeqState::PlayMuted, 0, 0, 2, 2, 1, "Mute cycles:2"},
      {kMutePlay1Key, TSeqState::PlayMuted, 1, 1, 1, 1, 1, "MutePlay cycles:1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Fresh();
    Arm();
    Down(60);
    At(500);
    Up(60);
    Msgs.StatusMsg.Clear();
    Hit(NoteOn(c.key));
    const TPartBuf& b = SeqBuf(0);
    EXPECT_EQ(b.SeqState, c.state);
    EXPECT_EQ(b.PlayCycles, c.play);
    EXPECT_EQ(b.PRRem, c.playRem);
    EXPECT_EQ(b.MuteCycles, c.mute);
    EXPECT_EQ(b.MRRem, c.muteRem);
    EXPECT_EQ(b.Pend.Muted, c.muted);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Mode(), TKeyMode::Live);
    EXPECT_EQ(Transport.RecActive.load(), 0);
  }
}

TEST_F(RealTimeRecordTest, ATakeLoopsAtOnceWithItsNotesWhereTheyWerePlayed) {
  Arm();
  At(10);
  Down(60);
  At(135);  // 960 ticks
  Up(60);
  At(510);  // 3072 ticks: rounds to 3840
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {960, "80 3C 00"}, {3840, "FF 00 00"}}));
  ClearSent();
  At(1400);
  std::vector<SentMsg> notes;
  for (const SentMsg& m : Sent(0))
    if (m.hex.starts_with("90") || m.hex.starts_with("80")) notes.push_back(m);
  ASSERT_EQ(notes.size(), 4u);
  // The loop starts with the end key and repeats every 500 ms; each note-off 125 ms after its note
  // (today's engine sends a started seq's first event one timer period early).
  EXPECT_NEAR(notes[1].time - notes[0].time, 125, 1);
  EXPECT_NEAR(notes[2].time - notes[0].time, 500, 1);
  EXPECT_EQ(notes[3].time - notes[2].time, 125u);
  EXPECT_EQ(notes[0].hex, "90 3C 64");
  EXPECT_LE(notes[0].time, 512u);
}

TEST_F(RealTimeRecordTest, NoteOnsAtTheEndBelongToTheNextCycleAndAreRemoved) {
  UseExtClock();
  Transport.ActBar.SQTicks = 960;
  Transport.ActBar.NQTicks = 960;
  Cfg.QuantiseNoteOffs = 0;
  Arm();
  Down(60);
  ExtTicks(500);
  Up(60);
  ExtTicks(950);
  Down(64);  // held across the end: its note-on goes, no note-off is added for it
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {500, "80 3C 00"}, {960, "FF 00 00"}}));
}

TEST_F(RealTimeRecordTest, HeldNotesAndPitchBendAreClosedAtTheEnd) {
  UseExtClock();
  Transport.ActBar.SQTicks = 960;
  Arm();
  Down(60);
  ExtTicks(100);
  Hit(0x005000E0);  // pitch bend, from the MIDI input path
  ExtTicks(900);
  Hit(NoteOn(kStopKey));
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"},
                           {100, "E0 00 50"},
                           {960, "FF 00 00"},
                           {960, "80 3C 00"},
                           {960, "E0 00 40"},
                           {960, "FF 00 00"}}));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
}

TEST_F(RealTimeRecordTest, OctaveKeysCloseHeldNotesAndShiftTheRecordedNotes) {
  UseExtClock();
  Arm();
  Hit(NoteOn(kOctDecKey));  // before the first key: only the offset
  EXPECT_EQ(RecKeys.RecPitchOffset, -12);
  Hit(NoteOn(kOctIncKey));
  Down(60);
  ExtTicks(300);
  Hit(NoteOn(kOctIncKey));
  Up(60);  // its note-off was recorded by the octave key: this one is unmatched now
  Down(60);
  EXPECT_EQ(RecKeys.RecPitchOffset, 12);
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {300, "80 3C 00"}, {300, "90 48 64"}}));
  for (int i = 0; i < 9; ++i) Hit(NoteOn(kOctIncKey));
  EXPECT_EQ(RecKeys.RecPitchOffset, 108);
}

TEST_F(RealTimeRecordTest, AnUnmatchedNoteOffGoesLiveAndIsNotRecorded) {
  Arm();
  Down(60);
  TakeLiveFifo();
  Up(64);
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}}));
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(64)});
}

TEST_F(RealTimeRecordTest, ATakeWithoutNotesIsDiscardedAndEscAsksForARetake) {
  // Started by a play key: a start marker at 0, nothing recorded, the seq ends stopped.
  Arm();
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(Events(), (Evs{{0, "FF 00 00"}}));
  At(300);
  Hit(NoteOn(kPlayKey));
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(Mode(), TKeyMode::Live);

  // Esc after the first note: the take is armed again and the next note starts it over.
  SeqBuf(0).Selected = 1;
  Arm();
  Down(60);
  At(600);
  Hit(NoteOn(kEscKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(Mode(), TKeyMode::Record);
  EXPECT_EQ(RecKeys.RecFirstNoteIn, 0);
  At(700);
  Down(62);
  EXPECT_EQ(Events(), (Evs{{0, "90 3E 64"}}));

  // Esc again asks for another retake; esc before the first key abandons the take.
  Hit(NoteOn(kEscKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  Hit(NoteOn(kEscKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

TEST_F(RealTimeRecordTest, AutoIncrementPrimesTheNextStoppedSeq) {
  Arm();
  Hit(NoteOn(kAutoIncKey));
  Down(60);
  At(400);
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
  EXPECT_EQ(SeqBuf(0).Selected, 0);
  EXPECT_EQ(SeqBuf(1).SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(SeqBuf(1).Selected, 1);
  EXPECT_EQ(Mode(), TKeyMode::Record);
  At(500);
  Down(64);
  EXPECT_EQ(Events(1), (Evs{{0, "90 40 64"}}));
  EXPECT_EQ(Events(0).front(), (Ev{0, "90 3C 64"}));
}

// Both record maps list the take's option keys in one order: the auto-increment toggle counts at
// any time, the raw toggle, the attribute sources and the switch to the other kind of take only
// before the take's first key.
TEST_F(RealTimeRecordTest, TheTakeOptionAndSwitchKeysOfBothMaps) {
  for (const bool step : {false, true}) {
    SCOPED_TRACE(step ? "step" : "real time");
    Fresh();
    const int first = step ? SRecAutoIncSeqTog : RecAutoIncSeqTog;
    for (int i = 0; i < 5; ++i) SetKey(step ? MapSRec : MapRec, 43 + i, static_cast<uint8_t>(first + i));
    Cfg.RecIntAttribSrcLive = 0;
    Args.RecAutoIncSeq = 0;
    Arm(step);
    const int autoInc = 43, raw = 44, srcSeq = 45, srcLive = 46, srcTog = 47;
    Hit(NoteOn(srcLive));
    EXPECT_EQ(Cfg.RecIntAttribSrcLive, 1);
    Hit(NoteOn(srcTog));
    EXPECT_EQ(Cfg.RecIntAttribSrcLive, 0);
    Hit(NoteOn(srcTog));
    Hit(NoteOn(srcSeq));
    EXPECT_EQ(Cfg.RecIntAttribSrcLive, 0);
    Hit(NoteOn(raw));
    EXPECT_EQ(Transport.RecRawMode, 1);
    Hit(NoteOn(raw));
    EXPECT_EQ(Transport.RecRawMode, 0);
    Hit(NoteOn(autoInc));
    EXPECT_EQ(Args.RecAutoIncSeq, 1);
    Down(60);
    Hit(NoteOn(srcLive));
    Hit(NoteOn(raw));
    EXPECT_EQ(Cfg.RecIntAttribSrcLive, 0);
    EXPECT_EQ(Transport.RecRawMode, 0);
    Hit(NoteOn(autoInc));
    EXPECT_EQ(Args.RecAutoIncSeq, 0);
    // The switch to the other kind of take counts before the first key only.
    const int other = 19;
    SetKey(step ? MapSRec : MapRec, other, step ? SRecRec : RecSRec);
    Hit(NoteOn(other));
    EXPECT_EQ(Transport.RecStepMode, step ? 1 : 0);
    Fresh();
    SetKey(step ? MapSRec : MapRec, other, step ? SRecRec : RecSRec);
    Arm(step);
    Hit(NoteOn(other));
    EXPECT_EQ(Transport.RecStepMode, step ? 0 : 1);
    EXPECT_EQ(Mode(), step ? TKeyMode::Record : TKeyMode::StepRecord);
  }
}

TEST_F(RealTimeRecordTest, AHotkeyGoesIntoTheFirstRecordingSeqOnly) {
  SeqBuf(1).Selected = 1;
  Arm();
  Down(60);
  At(250);
  Hit(NoteOn(kHotkeyAKey));
  EXPECT_EQ(Events(0), (Evs{{0, "90 3C 64"}, {1920, "90 41 80"}, {1920, "80 41 80"}}));
  EXPECT_EQ(Events(1), (Evs{{0, "90 3C 64"}}));
  EXPECT_EQ(SeqBuf(0).HasHotkeyEvents, 1);
}

TEST_F(RealTimeRecordTest, DeviceStampsAndTheDelayedKeyShareTheEngineClock) {
  // The device counts from its own start, far from the engine clock; the stop-play key is struck
  // on the auxiliary input an octave up, and comes back from there when the bar is done.
  Cfg.InPortOctaveOffset[1] = 1;
  constexpr int32_t kDevice = 100000;
  {
    std::lock_guard lock(EngineLock);
    Transport.RecBarCount = 1;
    Args.RecBarsEntry = 1;
    Keys.KeyMode = TKeyMode::RecBarsStop;
  }
  HandleMidiIn(1, NoteOn(kPlayKey + 12), 0);
  EXPECT_EQ(Mode(), TKeyMode::Record);
  EXPECT_EQ(Transport.RecBarCountOn.load(), 1);
  At(20);
  HitAt(NoteOn(60), kDevice + 20);
  At(145);
  HitAt(NoteOff(60), kDevice + 145);
  At(2019);
  EXPECT_EQ(RecKeys.DelayedRecKeyDue.load(), 0);
  At(2020);  // one 4/4 bar at 120 BPM after the first key
  EXPECT_EQ(RecKeys.DelayedRecKeyDue.load(), 1);
  EXPECT_TRUE(ReplayDelayedRecKey());
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {960, "80 3C 00"}, {15360, "FF 00 00"}}));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
  EXPECT_FALSE(ReplayDelayedRecKey());
}

TEST_F(RealTimeRecordTest, AFullPartEndsItsTakeShortenedWithNoNoteLeftSounding) {
  Arm();
  Down(60);  // held to the end
  {
    std::lock_guard lock(EngineLock);
    for (int i = 0; SeqBuf(0).EventsUsed < kMaxPartEvents - 1; ++i)
      ASSERT_TRUE(InsertPartEvent(0, 0, 0x000001B0u | static_cast<uint32_t>(i % 128) << 16, 10, false));
  }
  At(100);
  Down(62);  // the last room
  Down(64);  // refused
  EXPECT_EQ(SeqBuf(0).PoolFull, 1);
  Up(62);
  Up(64);
  At(500);
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Seq1 buffer overflow; take shortened");
  const TPartBuf& b = SeqBuf(0);
  EXPECT_EQ(b.SeqState, TSeqState::Playing);
  EXPECT_EQ(b.PoolFull, 0);
  EXPECT_LE(b.EventsUsed, kMaxPartEvents);
  const Evs ev = Events();
  ASSERT_GE(ev.size(), 3u);
  // Note 62 gave way; the held note 60 is closed at the end.
  EXPECT_EQ(ev[ev.size() - 2], (Ev{3840, "FF 00 00"}));
  EXPECT_EQ(ev.back(), (Ev{3840, "80 3C 00"}));
  for (const auto& e : ev) EXPECT_NE(e.second, "90 3E 64");
}

TEST_F(RealTimeRecordTest, ADeviceKeyRecordsAtTheExactTickOfItsArrival) {
  // A device message stamped offNs after the timer tick of engine ms: the second key's tick at the
  // tempo, counted from the first key's exact position and rounded to the nearest tick.
  struct Case {
    int32_t tempo;
    int32_t firstMs;
    int64_t firstOffNs;
    int32_t secondMs;
    int64_t secondOffNs;
    uint8_t ignoreStamps;
    int32_t want;
  };
  const Case cases[] = {
      {12000, 100, 0, 100, 300000, 0, 2},          // 0.3 ms = 2.304 ticks
      {12000, 100, 0, 101, 300000, 0, 10},         // 1.3 ms = 9.984 ticks
      {9730, 100, 0, 110, 300000, 0, 64},          // 10.3 ms = 64.140 ticks
      {9730, 100, 700000, 101, 300000, 0, 4},      // 0.6 ms = 3.736 ticks
      {12000, 100, 0, 100, 300000, 1, 0},          // stamps ignored: the time it was handled
      {12000, 100, 900000, 101, -800000, 0, 0},    // handled after a later-stamped key: the start
      {12000, 100, 0, 125, -61000000000, 0, 192},  // a stamp from long ago: the tick it was handled
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    Fresh();
    Cfg.Tempo = Cfg.TargetTempo = c.tempo;
    Cfg.IgnoreDriverTStamps = c.ignoreStamps;
    UseDevice();
    Arm();
    At(c.firstMs);
    DeviceKey(NoteOn(60), c.firstOffNs);
    At(c.secondMs);
    DeviceKey(NoteOn(62), c.secondOffNs);
    EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {c.want, "90 3E 64"}}));
    EXPECT_EQ(MidiIn.InStampNs, midi::kNow);
  }
}

// A take that starts the clock sends MIDI Start and a clock at its first key's own time, where
// the clock's count begins; a key stamped longer ago than the output can still place, at the
// earliest it can.
TEST_F(RealTimeRecordTest, ATakeThatStartsTheClockStartsItAtItsFirstKey) {
  struct Case {
    int64_t keyOffNs;
    int64_t startNs;
  };
  for (const Case c : {Case{-200000, 99800000}, Case{-2000000, 99750000}}) {
    SCOPED_TRACE(c.keyOffNs);
    Fresh();
    Cfg.Tempo = Cfg.TargetTempo = 12500;  // a clock every 20 ms
    Cfg.RecIntSyncReqd = 1;
    Cfg.MidiOutSyncEnabled[0] = Cfg.MIDIOutClocksEnabled[0] = 1;
    UseDevice();
    Arm();
    At(100);
    ClearSent();
    DeviceKey(NoteOn(60), c.keyOffNs);
    At(145);
    std::vector<std::pair<std::string, int64_t>> sent;
    for (std::size_t i = 0; i < midi::loopback::SentCount(0); ++i) {
      const midi::loopback::Sent m = midi::loopback::SentAt(0, i);
      if (m.bytes.size() == 1) sent.emplace_back(Hex(m.bytes), m.dueNs);
    }
    EXPECT_EQ(sent, (std::vector<std::pair<std::string, int64_t>>{{"FA", c.startNs},
                                                                  {"F8", c.startNs},
                                                                  {"F8", c.startNs + 20000000},
                                                                  {"F8", c.startNs + 40000000}}));
  }
}

TEST_F(RealTimeRecordTest, ATakeLoopsOnFromItsEndKeysOwnTimeWhenEverTheKeyIsHandled) {
  // A note at 100.4 ms held 125 ms (960 ticks at 120 BPM), the end key at 2100.4 ms: one bar.
  // The key reaches the engine before its time comes round (JACK hands a cycle's input over at
  // the cycle's start), at it, or late. Either way the loop and the bar go on from the key's
  // tick on the take's count, 771 + 15360: each note sent at the tick where it was played, one
  // and two bars on. A loop start already past sends its first note at once.
  struct Case {
    int32_t handledMs;
    int64_t endOffNs;
    int64_t firstTick;  // of the loop's first note-on
  };
  const Case cases[] = {
      {2099, 1400000, 16131},   // 11 ticks ahead of the last whole tick
      {2100, 400000, 16131},    // 3 ticks ahead
      {2103, -2600000, 16151},  // 20 ticks past: the first note at the next timer tick
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.handledMs);
    Fresh();
    UseDevice();
    Arm();
    At(100);
    DeviceKey(NoteOn(60), 400000);
    At(225);
    DeviceKey(NoteOff(60), 400000);
    At(c.handledMs);
    DeviceKey(NoteOn(kPlayKey), c.endOffNs);
    ASSERT_EQ(Events(), (Evs{{0, "90 3C 64"}, {960, "80 3C 00"}, {15360, "FF 00 00"}}));
    ClearSent();
    At(4300);
    const std::vector<int64_t> dues = NoteDues();
    const int64_t loop = 16131;
    const double want[] = {TickNs(c.firstTick), TickNs(loop + 960), TickNs(loop + 15360),
                           TickNs(loop + 16320)};
    ASSERT_EQ(dues.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<double>(dues[i]), want[i], 1.0) << i;
    // The bar restarted with the loop: its second bar began at tick 31491; 4300 ms is tick 33024.
    EXPECT_EQ(PlayCycle.TicksToBarEnd, 31491 + 15360 - 33024);
  }
}

TEST_F(RealTimeRecordTest, BesideAPlayingSeqTheLoopTakesTheGridPointNearestTheEndKeysOwnTime) {
  // Seq 2 plays from the run's start, so the bars run from tick 0 and the loop joins them on the
  // eighth-note grid. The end key was struck at tick 16330, past the midpoint (16320) between
  // 15360 and 17280, but is handled at tick 16296, before it: the loop starts at 17280 (2250 ms),
  // not back at 15360.
  Transport.ActBar.SQTicks = 1920;
  {
    std::lock_guard lock(EngineLock);
    Fill(0, 1, {{0, 0x6407B0}, {61440, 0xFF}});
    Play(1);
  }
  UseDevice();
  Arm();
  At(100);
  DeviceKey(NoteOn(60), 400000);  // tick 771.07
  At(225);
  DeviceKey(NoteOff(60), 400000);
  At(2122);
  DeviceKey(NoteOn(kPlayKey), 4300000);  // 2126.3 ms: tick 16329.98, 15559 on the take's count
  ASSERT_EQ(Events(), (Evs{{0, "90 3C 64"}, {960, "80 3C 00"}, {15360, "FF 00 00"}}));
  ClearSent();
  At(4700);
  const std::vector<int64_t> dues = NoteDues();
  const double want[] = {TickNs(17280), TickNs(17280 + 960), TickNs(17280 + 15360), TickNs(17280 + 16320)};
  ASSERT_EQ(dues.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<double>(dues[i]), want[i], 1.0) << i;
}

TEST_F(RealTimeRecordTest, TakeTimesAtTheirLimitStayThereThroughQuantise) {
  // The device's stamps jump 14 days ahead mid-take: the take time stops at its limit, and the
  // quarter-note grid (the limit lies 2047 ticks past a grid point, so rounds up), the note-off's
  // grid step or its note-on's adjustment, and the end's rounding keep it there.
  struct Case {
    uint8_t quantiseOffs;
    int32_t firstOff;  // the first note's note-off, 960 ticks after it
  };
  constexpr uint32_t kDays14 = 14u * 24 * 3600 * 1000;
  for (const Case c : {Case{0, 960}, Case{1, 3840}}) {
    SCOPED_TRACE(c.quantiseOffs);
    Fresh();
    Cfg.QuantiseNoteOffs = c.quantiseOffs;
    Transport.ActBar.NQTicks = 3840;
    Transport.ActBar.SQTicks = 3840;
    Arm();
    At(100);
    HitAt(NoteOn(60), 5000);
    At(225);
    HitAt(NoteOff(60), 5125);
    HitAt(NoteOn(62), 5000 + kDays14);
    HitAt(NoteOff(62), 5100 + kDays14);
    HitAt(NoteOn(kPlayKey), 6000 + kDays14);
    // The note-on struck at the end's time belongs to the next cycle and goes.
    EXPECT_EQ(
        Events(),
        (Evs{{0, "90 3C 64"}, {c.firstOff, "80 3C 00"}, {INT32_MAX, "80 3E 00"}, {INT32_MAX, "FF 00 00"}}));
    EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
    ClearSent();
    At(400);
    EXPECT_EQ(SentHex().front(), "90 3C 64");
  }
}

TEST_F(RealTimeRecordTest, ATakeFromTheLiveRecordKeyWaitsForANoteAndGivesTheSelectionBack) {
  SetKey(MapLive, 90, LiveRecStop);
  SeqBuf(0).Selected = 0;
  Cfg.RecStopSeqNo = 2;
  Press(90);
  EXPECT_EQ(Mode(), TKeyMode::Record);
  EXPECT_EQ(SeqBuf(2).SeqState, TSeqState::RecPrimed);
  Hit(NoteOn(kPlayKey));  // no play or stop key starts a take from the live key
  EXPECT_EQ(Transport.RecActive.load(), 0);
  Down(60);
  At(300);
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(SeqBuf(2).SeqState, TSeqState::Playing);
  EXPECT_EQ(Mode(), TKeyMode::Live);
  EXPECT_EQ(Keys.KeyHold.load(), 0);
  EXPECT_EQ(SeqBuf(2).Selected, 1);
  EXPECT_EQ(Transport.RecFromLiveKey, 0);
}

TEST_F(RealTimeRecordTest, RawInputOutsideARawTakeGoesToTheRawQueueOnce) {
  Arm();
  Down(60);
  TakeLiveFifo();
  {
    std::lock_guard lock(EngineLock);
    HandleRecModeKey(2, 0x005007B0, Transport.MsClock.load(), false, false, true);
    HandleRecModeKey(2, NoteOn(64), Transport.MsClock.load(), true, true, true);
  }
  EXPECT_EQ(TakeRawFifo(), (std::vector<uint32_t>{0x005007B0, NoteOn(64)}));
  EXPECT_TRUE(TakeLiveFifo().empty());
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}}));
}

}  // namespace
}  // namespace vel::test
