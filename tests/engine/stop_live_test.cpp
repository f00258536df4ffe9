// The stop of running with live input on its way: what the live queues held when the stop began,
// and what came in while it ran, either goes out before the live output's last reset or never.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/EngineLock.h"
#include "engine/RunTestState.h"
#include "engine/Sounding.h"
#include "keymaps/KeyModes.h"

namespace vel {
namespace {

using Lines = std::vector<std::string>;
using test::ChannelResetHex;
using test::Join;

// Stands in for the live keys: in key mode Live a note of a control input goes to LiveFifo and one
// of a raw input to RawFifo; in any other mode it is not played.
void StandInLiveKeys(int8_t, uint32_t msg, uint32_t, bool, bool raw) {
  if (Keys.KeyMode != TKeyMode::Live) return;
  if (raw) {
    WriteRawFifo(msg);
  } else {
    WriteLiveFifo(msg);
  }
}

// A message arriving on loopback input device dev: 0 the main input, 1 the auxiliary control
// input, 2 a raw input.
struct In {
  int dev;
  uint32_t msg;
};

struct StopCase {
  const char* name;
  std::vector<In> played;      // before the stop, each taken by a timer tick
  std::vector<In> queued;      // waiting in the queues when the stop begins
  std::vector<In> firstWait;   // arriving while the seqs play to their stop
  std::vector<In> secondWait;  // arriving after the seqs' reset
  std::vector<In> keysOff;     // arriving once the keys are off, while the stop waits for the timer
  Lines sent;                  // all that went out in the run, the live channel being 3
};

void PrintTo(const StopCase& c, std::ostream* os) {
  *os << c.name;
}

const StopCase kCases[] = {
    {"NotesAndPedalQueuedAndArriving",
     {{0, 0x643C90}},
     {{0, 0x644090}, {0, 0x7F40B0}, {0, 0x003C80}},
     {{1, 0x644391}, {0, 0x0040B0}, {0, 0x7F40B0}},
     {{0, 0x644590}},
     {{0, 0x644790}, {0, 0x0040B0}},
     Join({{"92 3C 64", "92 40 64", "B2 40 7F", "82 3C 00", "92 43 64", "B2 40 00", "B2 40 7F"},
           ChannelResetHex(0),
           {"92 45 64", "82 40 00", "82 43 00", "82 45 00"},
           ChannelResetHex(2)})},
    {"RawInputPlaysOnTheLiveOutputToo",
     {{2, 0x643C91}},
     {{2, 0x7F40B1}},
     {{2, 0x003C81}, {2, 0x644891}},
     {},
     {{2, 0x7F40B1}, {2, 0x644A91}},
     Join({{"92 3C 64", "B2 40 7F", "82 3C 00", "92 48 64"},
           ChannelResetHex(0),
           {"82 48 00"},
           ChannelResetHex(2)})},
    {"QuietLiveOutputGetsOnlyTheResets",
     {{0, 0x643C90}, {0, 0x003C80}},
     {},
     {},
     {},
     {{0, 0x7F40B0}},
     Join({{"92 3C 64", "82 3C 00"}, ChannelResetHex(0), ChannelResetHex(2)})},
};

class StopLiveTest : public test::RunRig, public ::testing::WithParamInterface<StopCase> {
 protected:
  void SetUp() override {
    RunRig::SetUp();
    MidiInHooks.RouteKeyByKeyMode = &StandInLiveKeys;
  }

  // One after the other: the worker takes the inputs in turn, not in the order they were fed.
  static void Arrive(const std::vector<In>& ins) {
    for (const In& in : ins) {
      ASSERT_EQ(midi::loopback::InjectShort(in.dev, in.msg), midi::kOk);
      midi::loopback::Drain();
    }
  }

  // Enough ticks to play all that is queued.
  static void Ticks(int n) {
    for (int i = 0; i < n; ++i) TimerProc(7, 0);
  }
};

TEST_P(StopLiveTest, NothingSoundsAfterTheStop) {
  const StopCase& c = GetParam();
  Allocate(3, 1);
  Live.Chan[0] = 2;
  StartRunning();
  ASSERT_EQ(Keys.KeyMode, TKeyMode::Live);
  for (const In& in : c.played) {
    Arrive({in});
    Ticks(1);
  }
  Arrive(c.queued);
  // The timer goes on ticking through the two waits, as it does while the seqs play to their stop;
  // its first tick outside Running ends its work.
  int waits = 0;
  TimerIo.Sleep = [&](int32_t ms) {
    Note("sleep " + std::to_string(ms));
    if (ms != 200) return;
    Arrive(++waits == 1 ? c.firstWait : c.secondWait);
    Ticks(20);
  };
  onPump = [&] {
    Arrive(c.keysOff);
    Ticks(1);
  };
  StopRunning();
  ASSERT_EQ(waits, 2);
  ASSERT_EQ(RunCtl.ProgState, TProgState::Config);

  const Lines sent = SentHex();
  EXPECT_EQ(sent, c.sent);
  EXPECT_EQ(test::LeftSounding(sent), Lines{});
  EXPECT_EQ(test::NoteOnsAfterLastReset(sent), Lines{});
  // What came in after the keys went off was never played, and the engine reset emptied it.
  EXPECT_EQ(Count(LiveFifo), 0);
  EXPECT_EQ(Count(RawFifo), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, StopLiveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

// A stop whose live output takes only so much at a time: it waits for room without the engine lock
// and sends the rest in order, the note-offs first and the channel reset last; an output that
// never makes room ends the stop all the same, with a diagnostic.
class StopRefusedTest : public test::RunRig {
 protected:
  // Three notes held on the live channel 3, two of them stacked on one key; the seqs' channel
  // reset goes out while the timer runs. From the timer's end on, the output takes `first`
  // messages, then `more` after each wait of the stop.
  void StopWithRoom(int64_t first, int64_t more) {
    Allocate(1, 1);
    Live.Chan[0] = 2;
    StartRunning();
    {
      std::lock_guard lock(EngineLock);
      for (uint32_t msg : {0x643C90u, 0x643C90u, 0x644090u}) WriteLiveFifo(msg);
    }
    for (int i = 0; i < 3; ++i) TimerProc(7, 0);
    TimerIo.KillEvent = [this, first](uint32_t) {
      Note("timer: kill");
      midi::loopback::LimitSends(first);
      return mmtimer::kOk;
    };
    TimerIo.Sleep = [this, more](int32_t ms) {
      Note("sleep " + std::to_string(ms));
      if (ms == 2) midi::loopback::LimitSends(more);
    };
    StopRunning();
    ASSERT_EQ(RunCtl.ProgState, TProgState::Config);
  }

  int Waits() {
    const Lines j = Journal();
    return static_cast<int>(std::count(j.begin(), j.end(), "sleep 2"));
  }
};

TEST_F(StopRefusedTest, WhatTheOutputRefusesGoesOutAsItMakesRoomTheResetLast) {
  StopWithRoom(1, 4);
  const Lines sent = SentHex();
  EXPECT_EQ(sent, Join({{"92 3C 64", "92 3C 64", "92 40 64"},
                        ChannelResetHex(0),
                        {"82 3C 00", "82 3C 00", "82 40 00"},
                        ChannelResetHex(2)}));
  // Twelve messages to send: one at first, then four after each wait.
  EXPECT_EQ(Waits(), 3);
  EXPECT_EQ(test::LeftSounding(sent), Lines{});
}

TEST_F(StopRefusedTest, AnOutputThatNeverMakesRoomEndsTheStopInItsTimeAndSaysSo) {
  Trace.DiagFlags = 1;
  StopWithRoom(0, 0);
  EXPECT_EQ(SentHex(), Join({{"92 3C 64", "92 3C 64", "92 40 64"}, ChannelResetHex(0)}));
  EXPECT_EQ(Waits(), 1500);
  const Lines j = Journal();
  EXPECT_NE(std::find(j.begin(), j.end(), "log: Stop: 12 silencing messages could not be sent"), j.end());
  EXPECT_EQ(RunCtl.TimerExists, 0);
  // Nothing more could be done about what was left sounding.
  midi::loopback::ClearSent();
  Trace.DiagFlags = 0;
}

// The checks the stop tests lean on.
TEST(SoundingTest, NotesAndPedalsLeftAndNoteOnsAfterTheLastReset) {
  const Lines sent = {"92 3C 64", "92 3C 64", "82 3C 00", "B2 40 7F", "91 40 64", "B1 7B 00",
                      "91 41 64", "B1 40 7F", "90 30 00", "92 3E 64", "92 3E 00", "B1 7B 00"};
  EXPECT_EQ(test::LeftSounding(sent), (Lines{"pedal 1", "note 2 3C", "pedal 2"}));
  EXPECT_EQ(test::NoteOnsAfterLastReset(sent), (Lines{"92 3C 64", "92 3C 64", "92 3E 64"}));
}

}  // namespace
}  // namespace vel
