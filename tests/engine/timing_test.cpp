// The timer's tick count at any tempo, and the time each message sent carries: seq events and MIDI
// clocks the time they fell due inside the timer period, live messages their input time.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "base/EngineLock.h"
#include "engine/EngineTestState.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/SimFrameClock.h"
#include "engine/Transport.h"
#include "platform/Clock.h"
#include "platform/midi/Midi.h"

namespace vel {
namespace {

using test::EngineTest;

class TimingTest : public EngineTest {
 protected:
  // The due time of every message sent on a device, in ns.
  static std::vector<int64_t> Dues(int dev = 0) {
    std::vector<int64_t> out;
    for (std::size_t i = 0; i < midi::loopback::SentCount(dev); ++i)
      out.push_back(midi::loopback::SentAt(dev, i).dueNs);
    return out;
  }
  // Seqs, play cycle and clocks as at the start of a run, at the given tempo; the devices stay.
  static void Fresh(int32_t tempo, int32_t interval = 1) {
    for (auto& part : Seqs.PartBufs)
      for (auto& b : part) b = TPartBuf{};
    PlayCycle = TPlay{};
    Transport = TTransport{};
    ClearTimerAccumulators();
    Cfg.Tempo = Cfg.TargetTempo = tempo;
    Cfg.MidiTimerInterval = interval;
    ClearSent();
  }
  // When the whole tick at position ticks passes at tempo (hundredths of BPM), in ns.
  static double TickTimeNs(int64_t ticks, int32_t tempo) { return ticks * 1e11 / (tempo * 64.0); }
};

TEST_F(TimingTest, TicksOverAMinuteAreTheExactCountAtAnyTempo) {
  struct Case {
    int32_t tempo;
    int32_t interval;
  };
  for (const Case c : {Case{2005, 1}, Case{9730, 1}, Case{12700, 1}, Case{31999, 1}, Case{9730, 3}}) {
    SCOPED_TRACE(c.tempo);
    Fresh(c.tempo, c.interval);
    // A seq that plays throughout keeps the bar counter going.
    Fill(0, 0, {{0, 0x643C90}, {4000000, 0xFF}});
    Play(0);
    const int32_t bars0 = PlayCycle.BarNo;
    const int32_t toEnd0 = PlayCycle.TicksToBarEnd;
    Ticks(60000 / c.interval);
    const int64_t passed =
        int64_t{PlayCycle.BarNo - bars0} * Transport.ActBar.BarTicks + toEnd0 - PlayCycle.TicksToBarEnd;
    const int64_t exact = int64_t{c.tempo} * 64 * 60000 / 100000;
    EXPECT_EQ(passed, exact);
    EXPECT_EQ(Transport.TickFracAcc, int64_t{c.tempo} * 64 * 60000 % 100000);
    EXPECT_EQ(Transport.MsClock, 60000);
  }
}

TEST_F(TimingTest, TheClockPositionAtATimeIsTheLastTicksPlusTheTimeSinceAtTheTempo) {
  Fresh(9730, 3);
  EXPECT_EQ(TickPosAtNs(0), std::nullopt);  // before the first tick
  Ticks(10);
  // 30 ms at 97.30 BPM: 622720 units a ms; the tick was at 30 ms of the loopback clock.
  EXPECT_EQ(Transport.TickPosUnits, 18681600);
  EXPECT_EQ(Transport.TickPosNs, 30000000);
  EXPECT_EQ(Transport.TickPosMs, 30);
  struct Case {
    int64_t ns;
    std::optional<int64_t> want;
  };
  const Case cases[] = {
      {30300000, 18868416},          // 0.3 ms after the tick
      {29000001, 18058881},          // just under 1 ms before it
      {60030000000, 37381881600},    // at the reach
      {60030000001, std::nullopt},   // beyond it: a stamp from another run
      {-59970000001, std::nullopt},  // as far before it
      {midi::kNow, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ns);
    EXPECT_EQ(TickPosAtNs(c.ns), c.want);
  }
  EXPECT_EQ(TickPosAtMs(30), 18681600);
  EXPECT_EQ(TickPosAtMs(25), 15568000);
  // A new run forgets the tick's time; the ms clock still maps.
  ClearTimerAccumulators();
  EXPECT_EQ(TickPosAtNs(30000000), std::nullopt);
  EXPECT_EQ(TickPosAtMs(31), 19304320);
}

TEST_F(TimingTest, MidiClockOutFollowsTheExactCountAndCarriesItsDueTime) {
  Cfg.MIDIOutClocksEnabled[0] = 1;
  Cfg.Tempo = Cfg.TargetTempo = 12700;
  Ticks(60000);
  // 127 x 24 clocks a minute, each stamped where its 160 ticks passed.
  ASSERT_EQ(Sent().size(), 127u * 24);
  const std::vector<int64_t> dues = Dues();
  for (std::size_t n : {0u, 1u, 2u, 1000u, 3047u}) {
    SCOPED_TRACE(n);
    EXPECT_NEAR(static_cast<double>(dues[n]), TickTimeNs(160 * static_cast<int64_t>(n + 1), 12700), 1.0);
    EXPECT_EQ(Sent()[n].hex, "F8");
    // Sent at the first timer tick at or after it fell due.
    EXPECT_EQ(int64_t{Sent()[n].time} * 1000000 - dues[n] < 1000000, true);
    EXPECT_GE(int64_t{Sent()[n].time} * 1000000, dues[n]);
  }
}

TEST_F(TimingTest, AnEventDueInsideATimerPeriodCarriesThatTime) {
  struct Case {
    int32_t tempo;
    int32_t tick;
    uint32_t sentMs;
  };
  // 120 BPM: 7.68 ticks a ms; 97.3 BPM: 6.2272; 319.99 BPM: 20.47936.
  for (const Case c :
       {Case{12000, 4, 1}, Case{12000, 960, 125}, Case{9730, 100, 17}, Case{31999, 3841, 188}}) {
    SCOPED_TRACE(c.tick);
    Fresh(c.tempo);
    Fill(0, 0, {{c.tick, 0x643C90}, {c.tick, 0x643E90}, {8000, 0xFF}});
    Play(0);
    Ticks(static_cast<int>(c.sentMs));
    ASSERT_EQ(Sent(), (std::vector<test::SentMsg>{{c.sentMs, "90 3C 64"}, {c.sentMs, "90 3E 64"}}));
    const std::vector<int64_t> dues = Dues();
    EXPECT_NEAR(static_cast<double>(dues[0]), TickTimeNs(c.tick, c.tempo), 1.0);
    EXPECT_EQ(dues[1], dues[0]);
  }
}

TEST_F(TimingTest, EveryStepOfAStartedSeqIsEqualFromItsFirstEvent) {
  // Started between ticks: the first event goes out at the next tick as before, but is placed
  // where the seq's grid begins, one step before the second.
  Ticks(3);
  Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}, {1920, 0x643C90}, {3840, 0xFF}});
  Play(0);
  Ticks(250);
  ASSERT_EQ(Sent(), (std::vector<test::SentMsg>{{4, "90 3C 64"}, {128, "80 3C 00"}, {253, "90 3C 64"}}));
  const std::vector<int64_t> dues = Dues();
  EXPECT_EQ(dues[1] - dues[0], 125000000);
  EXPECT_EQ(dues[2] - dues[1], 125000000);
}

int64_t gCommandLagNs = 0;
int64_t LaggingClockNs() {
  return test::EngineMsNs() + gCommandLagNs;
}

// A seq started by a command 0.6 ms after a tick sends its program change at once; the change is
// placed where the engine's time stands, the last whole tick, where the seq begins, so its first
// note is not held back behind it.
TEST_F(TimingTest, TheProgramChangeOfASeqStartedBetweenTicksDoesNotHoldBackItsFirstNote) {
  static clock::TSystemClock lagging(&LaggingClockNs);  // the fixture clears it after the test
  clock::Override(&lagging);
  RunCtl.MidiOutDevs[0].ProgChangesEnabled = 1;
  PlayCycle.PortChanProgs[0][0].ProgReq = 5;
  Ticks(3);
  Fill(0, 0, {{0, 0x643C90}, {960, 0xFF}});
  gCommandLagNs = 600000;
  Play(0);
  gCommandLagNs = 0;
  Ticks(1);
  ASSERT_EQ(Sent(), (std::vector<test::SentMsg>{{3, "C0 05"}, {4, "90 3C 64"}}));
  const std::vector<int64_t> dues = Dues();
  EXPECT_EQ(dues[1], dues[0]);
  EXPECT_EQ(dues[0], 2994792);  // the whole tick 3 ms had passed, 23 ticks at 120 BPM
}

TEST_F(TimingTest, ALiveMessageKeepsItsInputTimeThroughTheQueue) {
  Live.MChanApplies = 0;
  Live.Chan[0] = 2;
  Ticks(10);
  {
    std::lock_guard lock(EngineLock);
    MidiIn.InStampNs = 10400000;
    ASSERT_TRUE(WriteLiveFifo(0x643C90));
    MidiIn.InStampNs = midi::kNow;
  }
  Ticks(1);
  {
    // Written without an input (the GUI's keys): the time it was queued.
    std::lock_guard lock(EngineLock);
    ASSERT_TRUE(WriteLiveFifo(0x643E90));
  }
  Ticks(1);
  EXPECT_EQ(SentHex(), (std::vector<std::string>{"92 3C 64", "92 3E 64"}));
  EXPECT_EQ(Dues(), (std::vector<int64_t>{10400000, 11000000}));
}

TEST_F(TimingTest, TheMultipliersCopiesKeepTheirStampAndOrder) {
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMin[0] = 1;
  Cfg.MChanMax[0] = 3;
  Live.Chan[0] = 1;
  Live.MChanApplies = 1;
  Ticks(5);
  {
    std::lock_guard lock(EngineLock);
    ProcessLiveEvent(0x643C90, 4500000);
    ProcessLiveEvent(0x003C80, 4700000);
  }
  EXPECT_EQ(SentHex(), (std::vector<std::string>{"91 3C 64", "92 3C 64", "93 3C 64", "81 3C 00", "82 3C 00",
                                                 "83 3C 00"}));
  EXPECT_EQ(Dues(), (std::vector<int64_t>{4500000, 4500000, 4500000, 4700000, 4700000, 4700000}));
}

TEST_F(TimingTest, AStampOutsideTheWindowIsClampedToItsEdgeAndCounted) {
  Live.MChanApplies = 0;
  Live.Chan[0] = 0;
  Ticks(100);
  // The window reaches one timer period and a quarter of a ms back, and not past now.
  EXPECT_EQ(midi::LateWindowNs(), 1250000);
  const uint64_t clamps = midi::ClampedStamps();
  struct Case {
    int64_t stamp;
    int64_t placed;
    uint64_t counted;
  };
  for (const Case c : {Case{99000000, 99000000, 0}, Case{98750000, 98750000, 0}, Case{98749999, 98750000, 1},
                       Case{0, 98750000, 1}, Case{-5000000000, 98750000, 1}, Case{100000001, 100000000, 1},
                       Case{9000000000, 100000000, 1}}) {
    SCOPED_TRACE(c.stamp);
    ClearSent();
    const uint64_t before = midi::ClampedStamps();
    {
      std::lock_guard lock(EngineLock);
      ProcessLiveEvent(0x0740B0, c.stamp);
    }
    ASSERT_EQ(SentHex(), (std::vector<std::string>{"B0 40 07"}));
    EXPECT_EQ(Dues(), (std::vector<int64_t>{c.placed}));
    EXPECT_EQ(midi::ClampedStamps() - before, c.counted);
  }
  EXPECT_EQ(midi::ClampedStamps() - clamps, 5u);
}

}  // namespace
}  // namespace vel
