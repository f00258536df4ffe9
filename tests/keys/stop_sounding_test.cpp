// Nothing left sounding: the stop of running with a Play key or a MIDI Start arriving while it
// waits, a cycle ended at once with its next event not yet due, and the live output and the seqs
// moving to another channel or port with a pedal down. Keys and sync messages go in through
// HandleMidiIn, the timer is TimerProc; what a listener on each output is left with is checked
// (and, after every stop, by the fixture).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/Sounding.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyPathTestState.h"

namespace vel {
namespace {

using Lines = std::vector<std::string>;
using test::ChannelResetHex;
using test::Join;

class StopSoundingTest : public test::KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    // Live key 60 enters the command keys; command key 62 is Play.
    SetKey(MapLive, 60, LiveCmd);
    SetKey(MapCmd, 62, CmdPlay);
    Cfg.MidiInSyncIntEnabled = 1;
  }

  // A quarter-note part on channel chan of port 0: a note at each beat, half a beat long, the
  // pedal down first when asked.
  static void FillQuarters(int seq, int chan, int beats, bool pedal = false) {
    TPartBuf& b = Seqs.PartBufs[0][seq];
    b.Port = b.PortPend = 0;
    b.Chan[0] = b.ChanPend = static_cast<int8_t>(chan);
    if (pedal) Fill(0, seq, {{0, 0x7F40B0}});
    for (int i = 0; i < beats; ++i) {
      const uint32_t note = static_cast<uint32_t>(0x3C + i);
      Fill(0, seq, {{i * 3840, 0x640090 | note << 8}, {i * 3840 + 1920, 0x80 | note << 8}});
    }
    Fill(0, seq, {{beats * 3840, 0xFF}});
  }
  static void PlayAll() {
    std::lock_guard lock(EngineLock);
    for (int s = 0; s <= LastSeq(); ++s)
      if (SeqBuf(s).Head >= 0) Play(s);
  }
  static void Ms(int n) { Ticks(n); }

  // The stop of running with the timer ticking through each of its waits; during the first wait,
  // before the ticks, the test's arrival.
  void Stop(const std::function<void()>& duringFirstWait) {
    int waits = 0;
    TimerIo.Sleep = [&](int32_t ms) {
      if (ms == 200 && ++waits == 1 && duringFirstWait) duringFirstWait();
      Ms(ms);
      if (ms == 200) playingInWait.push_back(!NoSeqPlaying());
    };
    StopRunning();
    ASSERT_EQ(RunCtl.ProgState, TProgState::Config);
    ASSERT_EQ(waits, 2);
  }

  // Per wait of 200 ms, whether a seq was playing at its end.
  std::vector<bool> playingInWait;
};

// What sounds on the outputs 0..2, each line headed by its output ("0 pedal 2").
Lines LeftOnOutputs() {
  return test::LeftSoundingOnOutputs();
}

struct ArrivalCase {
  const char* name;
  std::function<void()> arrive;
};

void PrintTo(const ArrivalCase& c, std::ostream* os) {
  *os << c.name;
}

class StopArrivalTest : public StopSoundingTest, public ::testing::WithParamInterface<ArrivalCase> {};

TEST_P(StopArrivalTest, NothingStartsOnceTheStopHasBegun) {
  FillQuarters(0, 1, 4);
  FillQuarters(1, 2, 2);
  PlayAll();
  Ms(300);
  ClearSent();
  Stop(GetParam().arrive);
  // The stop ended the cycles at once: no note of theirs went out after it began, and no seq
  // played again in either wait.
  EXPECT_EQ(playingInWait, (std::vector<bool>{false, false}));
  const Lines sent = SentHex();
  EXPECT_EQ(test::NoteOnsAfterLastReset(sent), Lines{});
  // The cycles' end, then the seqs' outputs (the empty seqs' channel 0 among them), the live
  // channel last.
  EXPECT_EQ(sent, Join({ChannelResetHex(1), ChannelResetHex(2), ChannelResetHex(1), ChannelResetHex(2),
                        ChannelResetHex(0), ChannelResetHex(0)}));
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
}

// The Play command's key, as the key path gets it: the command key, then Play.
void PlayKey() {
  for (int key : {60, 62}) {
    HandleMidiIn(0, test::NoteOn(key), 0);
    HandleMidiIn(0, test::NoteOff(key), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Arrivals, StopArrivalTest,
                         ::testing::Values(ArrivalCase{"PlayKey", &PlayKey},
                                           ArrivalCase{"MidiStartWithSync",
                                                       [] { HandleMidiIn(0, 0xFA, 0); }}),
                         [](const ::testing::TestParamInfo<ArrivalCase>& info) { return info.param.name; });

// A MIDI Stop (stop at once) 300 ms into a seq whose next note is due at beat 2: the channel is
// reset at once and the note never goes out.
TEST_F(StopSoundingTest, ACycleEndedAtOnceHoldsBackItsEventNotYetDue) {
  Cfg.StopImmStop = 1;
  FillQuarters(0, 0, 4);
  FillQuarters(1, 3, 1);  // stopped: the stop resets the outputs at once
  {
    std::lock_guard lock(EngineLock);
    Play(0);
  }
  Ms(300);
  EXPECT_EQ(SentHex(), (Lines{"90 3C 64", "80 3C 00"}));
  ClearSent();
  HandleMidiIn(0, 0xFC, 0);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Stop");
  Ms(1000);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  // The reset; the note-on's note-off (not due either) is the reset's all-notes-off.
  EXPECT_EQ(SentHex(), Join({ChannelResetHex(0), ChannelResetHex(3)}));
}

// The run's own stop ends the metronome's cycle at once; the bar rebuilt at that end moves the
// metronome to another channel. The drum note not yet due stays unsent, and the channel the
// metronome sounded on is reset.
TEST_F(StopSoundingTest, TheRunsStopResetsTheChannelAMetronomeRebuildLeaves) {
  Cfg.MetrSeqNo = 0;
  Cfg.MetrModeStyles = 0;
  FillQuarters(0, 9, 4);
  PlayAll();
  Ms(300);
  Cfg.MetrDrumChan = 5;
  Cfg.MetrBassChan = 5;
  Metr.MetrRebuildPending = 1;
  ClearSent();
  Stop({});
  EXPECT_EQ(Seqs.PartBufs[0][0].Chan[0], 5);
  const Lines sent = SentHex();
  EXPECT_EQ(test::NoteOnsAfterLastReset(sent), Lines{});
  // Then the seqs' channels (the empty seqs' channel 0 among them) and the live channel.
  EXPECT_EQ(sent, Join({ChannelResetHex(9), ChannelResetHex(5), ChannelResetHex(0), ChannelResetHex(0)}));
}

// The live output's channel sweeps on at the bar end while a note and the pedal are held: both
// are released on the channel left.
TEST_F(StopSoundingTest, TheLiveOutputReleasesNoteAndPedalOnTheChannelItLeaves) {
  Live.Chan[0] = 2;
  Live.ChanSweep = {1, 2, 4, 0, 0};
  // From a raw input: it plays on the live output whatever the key maps hold.
  Key(0x7F40B0, 2);
  Key(test::NoteOn(0x30), 2);
  Ms(1999);
  EXPECT_EQ(SentHex(), (Lines{"B2 40 7F", "92 30 64"}));
  ClearSent();
  Ms(2);
  EXPECT_EQ(Live.Chan[0], 3);
  EXPECT_EQ(SentHex(), (Lines{"82 30 00", "B2 40 00"}));
  // Let go on the new channel: nothing sounds there, nothing is sent for the note.
  Key(test::NoteOff(0x30), 2);
  Key(0x0040B0, 2);
  Ms(2);
  EXPECT_EQ(SentHex(), (Lines{"82 30 00", "B2 40 00", "B3 40 00"}));
  // Moved as the main window's combos move it, with no flush of the live queue: the next tick
  // releases what sounds on the channel left, and then on the port left.
  Key(0x7F40B0, 2);
  Key(test::NoteOn(0x31), 2);
  Ms(2);
  ClearSent();
  {
    std::lock_guard lock(EngineLock);
    Live.Chan[0] = 6;
  }
  Ms(1);
  EXPECT_EQ(SentHex(), (Lines{"B3 40 00", "83 31 00"}));
  Key(test::NoteOn(0x32), 2);
  Ms(1);
  {
    std::lock_guard lock(EngineLock);
    RunCtl.LivePort = 1;
  }
  Ms(1);
  EXPECT_EQ(SentHex(), (Lines{"B3 40 00", "83 31 00", "96 32 64", "86 32 00"}));
  EXPECT_EQ(test::LeftSoundingOnOutputs(), Lines{});
}

// A take that ends with the pedal down, moving at each start of cycle: along a channel sweep, or
// a port sweep. What it left on the channel or port it leaves is released there; the pedal stays
// down only where it plays now.
struct MoveCase {
  const char* name;
  std::function<void(TPartBuf&)> sweep;
  Lines left;               // after three cycles
  std::vector<Lines> sent;  // per output, from the third cycle's start on
};

void PrintTo(const MoveCase& c, std::ostream* os) {
  *os << c.name;
}

class SeqMoveTest : public StopSoundingTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(SeqMoveTest, ASeqReleasesWhatItLeavesWhereItNoLongerPlays) {
  const MoveCase& c = GetParam();
  FillQuarters(0, 1, 1, true);
  TPartBuf& b = Seqs.PartBufs[0][0];
  c.sweep(b);
  PlayAll();
  // Two cycles of 500 ms, then into the third.
  Ms(1100);
  EXPECT_EQ(LeftOnOutputs(), c.left);
  ClearSent();
  Ms(500);
  for (std::size_t d = 0; d < c.sent.size(); ++d) EXPECT_EQ(SentHex(static_cast<int>(d)), c.sent[d]) << d;
  Stop({});
}

INSTANTIATE_TEST_SUITE_P(Moves, SeqMoveTest,
                         ::testing::Values(MoveCase{"ChannelSweep",
                                                    [](TPartBuf& b) {
                                                      b.ChanSweep = {1, 1, 3, 0, 0};
                                                    },
                                                    {"0 note 3 3C", "0 pedal 3"},
                                                    {{"83 3C 00", "B3 40 00", "B1 40 7F", "91 3C 64"}}},
                                           MoveCase{"PortSweep",
                                                    [](TPartBuf& b) {
                                                      b.PortSweep = {1, 0, 1, 0, 0};
                                                    },
                                                    {"0 note 1 3C", "0 pedal 1"},
                                                    {{"81 3C 00", "B1 40 00"}, {"B1 40 7F", "91 3C 64"}}}),
                         [](const ::testing::TestParamInfo<MoveCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vel
