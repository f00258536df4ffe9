// The timer callback: clocks, MIDI clock output, tempo glide and tempo text, bar and beat
// counting, the force-to-notes timeout, the queues it drains, record beat counting, and a tick
// that finds the engine lock busy.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/Formats.h"
#include "engine/EngineTestState.h"
#include "keymaps/KeyModes.h"

namespace vel {
namespace {

using test::SentMsg;
using Sends = std::vector<SentMsg>;

class TimerProcTest : public test::EngineTest {};

TEST_F(TimerProcTest, OutsideRunningTheClockStandsAndTimerBusyClears) {
  Fill(0, 0, {{0, 0x643C90}, {3840, 0xFF}});
  Play(0);
  RunCtl.ProgState = TProgState::Config;
  Ticks(10);
  EXPECT_EQ(Transport.MsClock, 0);
  EXPECT_EQ(RunCtl.TimerBusy, 0);
  EXPECT_TRUE(Sent().empty());
  RunCtl.ProgState = TProgState::Running;
  Ticks(1);
  EXPECT_EQ(Transport.MsClock, 1);
  EXPECT_EQ(Transport.ClockWatchMs, 1);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}}));
}

TEST_F(TimerProcTest, MidiClockGoesOutEvery160TicksToTheClockPorts) {
  Cfg.MIDIOutClocksEnabled[0] = 1;
  Cfg.MIDIOutClocksEnabled[2] = 1;
  Ticks(500);
  Sends expected;
  for (uint32_t n = 1; n <= 24; ++n) expected.push_back({(16000 * n + 767) / 768, "F8"});
  EXPECT_EQ(Sent(0), expected);
  EXPECT_EQ(Sent(2), expected);
  EXPECT_TRUE(Sent(1).empty());
  EXPECT_EQ(expected.back().time, 500u);  // 24 clocks a quarter note
}

TEST_F(TimerProcTest, EveryClockDueGoesOutWhenOneCallbackCoversMoreThan160Ticks) {
  Cfg.MIDIOutClocksEnabled[0] = 1;
  Cfg.Tempo = Cfg.TargetTempo = 32000;
  Cfg.MidiTimerInterval = 10;  // 204.8 ticks a callback
  Ticks(100);
  EXPECT_EQ(Sent().size(), 128u);  // 20480 x 100 / 16000
  EXPECT_EQ(Sent()[3], (SentMsg{40, "F8"}));
  EXPECT_EQ(Sent()[4], (SentMsg{40, "F8"}));
  EXPECT_LT(ClockCentsAcc(), 16000);
  EXPECT_EQ(Transport.MsClock, 1000);
}

TEST_F(TimerProcTest, WithAnExternalClockTheTimerNeitherTicksNorSendsClocks) {
  Cfg.MIDIOutClocksEnabled[0] = 1;
  Cfg.ClocksSourceInternal = 0;
  Fill(0, 0, {{0, 0x643C90}, {3840, 0xFF}});
  Play(0);
  Ticks(100);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Transport.MsClock, 100);
  EXPECT_EQ(TickCentsAcc(), 0);
}

TEST_F(TimerProcTest, TheTempoGlidesByWholeBpmOverTheSlewTime) {
  Cfg.TempoSlewTime = 2000;
  SetTargetTempo(14000, true);
  EXPECT_EQ(Transport.TempoSlewReload, 100);
  Ticks(99);
  EXPECT_EQ(TempoToStr(Cfg.Tempo), "120.00");
  Ticks(1);
  EXPECT_EQ(TempoToStr(Cfg.Tempo), "121.00");
  Ticks(1900);
  EXPECT_EQ(TempoToStr(Cfg.Tempo), "140.00");
  Ticks(100);
  EXPECT_EQ(Cfg.Tempo, 14000);
}

TEST_F(TimerProcTest, WithoutSlewTimeATempoChangeTakesEffectAtTheNextTick) {
  SetTargetTempo(9000, true);
  EXPECT_EQ(Cfg.Tempo, 12000);
  Ticks(1);
  EXPECT_EQ(Cfg.Tempo, 9000);
  EXPECT_EQ(TickCentsAcc(), 76);  // 576 hundredths: the new tempo already counts in this tick
}

TEST_F(TimerProcTest, ALogarithmicGlideStepsByAHundredAndTwentiethOfAnOctave) {
  Cfg.UseLgTempos = 1;
  Cfg.TempoSlewTime = 1200;
  SetTargetTempo(24000, true);
  EXPECT_EQ(Transport.TempoSlewReload, 10);  // 120 steps
  Ticks(10);
  EXPECT_EQ(Cfg.Tempo, 12070);
  Ticks(1200);
  EXPECT_EQ(Cfg.Tempo, 24000);
}

TEST_F(TimerProcTest, SetTargetTempoRoundsFromTenBpmUp) {
  SetTargetTempo(12345, false);
  EXPECT_EQ(Cfg.TargetTempo, 12300);
  SetTargetTempo(12350, false);
  EXPECT_EQ(Cfg.TargetTempo, 12400);
  SetTargetTempo(950, false);
  EXPECT_EQ(Cfg.TargetTempo, 950);
  Ticks(1);
  EXPECT_EQ(Cfg.Tempo, kMinTempo);  // the engine keeps its tempo in range
  EXPECT_EQ(RoundTempo(12049), 12000);
  EXPECT_EQ(RoundTempo(12050), 12100);
}

TEST_F(TimerProcTest, TempoTextReadsBackUnchanged) {
  EXPECT_EQ(TempoToStr(12000), "120.00");
  EXPECT_EQ(TempoToStr(9505), "95.05");
  EXPECT_EQ(StrToTempo("120.5"), 12050);
  EXPECT_EQ(StrToTempo("95.05"), 9505);
  EXPECT_EQ(StrToTempo("120"), 12000);
  EXPECT_EQ(StrToTempo(" 80.25 "), 8025);
  for (int32_t t : {2000, 2001, 9505, 12000, 12345, 31999, 32000})
    EXPECT_EQ(StrToTempo(TempoToStr(t)), t) << t;
  for (const char* bad : {"", "abc", "120.", ".5", "12.3.4", "-120", "1e3", "120,5"})
    EXPECT_EQ(StrToTempo(bad), std::nullopt) << bad;
}

TEST_F(TimerProcTest, ConversionsAtTheCurrentTempo) {
  EXPECT_EQ(MsToTickCents(1), 768);
  EXPECT_EQ(MsToTicks(1000), 7680);
  EXPECT_EQ(TicksToMs(3840), 500);
  Cfg.Tempo = 32000;
  EXPECT_EQ(MsToTicks(500), 10240);
  EXPECT_EQ(TempoStep(true, 2, 2000, 32000, 0), 31800);
  EXPECT_EQ(TempoStep(false, 2, 2000, 32000, 0), 32000);
  Cfg.UseLgTempos = 1;
  EXPECT_EQ(TempoStep(true, 12, 2000, 32000, 1.0594631f), 16000);
}

TEST_F(TimerProcTest, BeatsAndBarsCountWhileASeqPlays) {
  Fill(0, 0, {{0, 0x643C90}, {60000, 0xFF}});
  Play(0);
  RestartBeatCount(true);
  Ticks(499);
  EXPECT_EQ(PlayCycle.BeatNo, 1);
  Ticks(1);
  EXPECT_EQ(PlayCycle.BeatNo, 2);
  EXPECT_EQ(PlayCycle.BeatChanged, 1);
  Ticks(1500);
  EXPECT_EQ(PlayCycle.BeatNo, 1);
  EXPECT_EQ(PlayCycle.BarNo, 2);

  // A new time signature mid-bar: the beat length changes at the next bar end, the bar length one
  // bar later.
  ASSERT_TRUE(SetTimeSig(3, 8));
  Ticks(100);
  EXPECT_EQ(Transport.ActBar.BeatTicks, 3840);
  Ticks(1900);
  EXPECT_EQ(PlayCycle.BarNo, 3);
  EXPECT_EQ(Transport.ActBar.BeatTicks, 1920);
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 15360);
  Ticks(2000);
  EXPECT_EQ(PlayCycle.BarNo, 4);
  EXPECT_EQ(Transport.ActBar.BarTicks, 5760);
  Ticks(749);
  EXPECT_EQ(PlayCycle.BarNo, 4);
  Ticks(1);
  EXPECT_EQ(PlayCycle.BarNo, 5);
}

TEST_F(TimerProcTest, WithNothingPlayingTheBarCountStaysAtZero) {
  RestartBeatCount(true);
  Ticks(2500);
  EXPECT_EQ(PlayCycle.BarNo, 0);
  EXPECT_EQ(PlayCycle.SeqsRunning, 0);
}

TEST_F(TimerProcTest, SetTimeSigRefusesBadSignatures) {
  EXPECT_FALSE(SetTimeSig(0, 4));
  EXPECT_FALSE(SetTimeSig(4, 6));
  EXPECT_FALSE(SetTimeSig(4, 1));
  EXPECT_EQ(Cfg.BeatsPerBar, 4);
  EXPECT_EQ(Cfg.NoteLenFrac, 4);
  EXPECT_TRUE(SetTimeSig(7, 16));
  EXPECT_EQ(Cfg.BarTicks, 6720);
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 16);
}

TEST_F(TimerProcTest, TheForceToNotesTimerCompletesTheEntry) {
  static int finished;
  finished = 0;
  EngineHooks.FinishFtnEntry = [] { ++finished; };
  Keys.KeyMode = TKeyMode::Ftn;
  Transport.FtnTimer = 5;
  Ticks(4);
  EXPECT_EQ(finished, 0);
  Ticks(1);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(Transport.FtnTimer, 0);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  Ticks(10);
  EXPECT_EQ(finished, 1);

  Keys.KeyMode = TKeyMode::Ftn;
  Keys.KeyHold = 1;
  Transport.FtnTimer = 1;
  Ticks(1);
  EXPECT_EQ(finished, 2);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Ftn);
  EXPECT_EQ(Keys.KeyHold, 1);
}

// Each tick takes from each queue its oldest message and every one after it due before the next
// tick, in order, at most 16: a chord goes out whole on the tick it is due, a message stamped for
// a later tick waits for it, and a flood drains 16 a tick. Time is the engine's ms clock: a
// message stamped at ms t is due before the tick that makes the clock t + 1 ends.
TEST_F(TimerProcTest, ATickTakesEveryQueuedLiveMessageDueBeforeTheNextInOrderUpTo16) {
  struct TQueued {
    bool raw;
    uint32_t msg;
    int32_t stampMs;
  };
  auto notes = [](int32_t n, int32_t stampMs, bool raw = false) {
    std::vector<TQueued> v;
    for (int32_t i = 0; i < n; ++i)
      v.push_back({raw, 0x640090u | static_cast<uint32_t>(0x30 + i) << 8, stampMs});
    return v;
  };
  auto sent = [](int32_t n, uint32_t tick, int32_t first = 0) {
    Sends v;
    for (int32_t i = first; i < first + n; ++i)
      v.push_back({tick, test::Hex({'\x90', static_cast<char>(0x30 + i), '\x64'})});
    return v;
  };
  const Sends flood = test::Join({sent(16, 1), sent(4, 2, 16)});
  const struct {
    const char* what;
    std::vector<TQueued> queued;
    Sends expected;  // after three ticks
  } cases[] = {
      {"a ten-note chord", notes(10, 0), sent(10, 1)},
      {"played during the tick before", notes(10, 1), sent(10, 1)},
      {"a chord and controllers on the raw queue",
       {{false, 0x643090, 0}, {false, 0x643190, 0}, {true, 0x0107B0, 0}, {true, 0x0207B0, 0}},
       {{1, "90 30 64"}, {1, "90 31 64"}, {1, "B0 07 01"}, {1, "B0 07 02"}}},
      {"stamped for the next tick or later: the oldest only",
       {{false, 0x643090, 2}, {false, 0x643190, 2}, {false, 0x643290, 3}},
       {{1, "90 30 64"}, {2, "90 31 64"}, {3, "90 32 64"}}},
      {"one due later holds back those behind it",
       {{false, 0x643090, 0}, {false, 0x643190, 2}, {false, 0x643290, 0}},
       {{1, "90 30 64"}, {2, "90 31 64"}, {2, "90 32 64"}}},
      {"twenty at once", notes(20, 0), flood},
      {"twenty at once on the raw queue", notes(20, 0, true), flood},
  };
  clock::TSystemClock engineMs(&test::EngineMsNs);
  clock::Override(&engineMs);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetLiveFifo();
    ResetRawFifo();
    Transport.MsClock = 0;
    ClearSent();
    for (const TQueued& q : c.queued) {
      MidiIn.InStampNs = int64_t{q.stampMs} * 1000000;
      ASSERT_TRUE(q.raw ? WriteRawFifo(q.msg) : WriteLiveFifo(q.msg));
    }
    MidiIn.InStampNs = midi::kNow;
    Ticks(3);
    EXPECT_EQ(Sent(), c.expected);
    // Note-offs for what the case left sounding.
    FlushLiveFifo();
  }
  clock::Override(nullptr);
}

TEST_F(TimerProcTest, RecordingCountsBeatsAndEndsABarCount) {
  static int done;
  done = 0;
  EngineHooks.RecBarCountDone = [] { ++done; };
  Transport.RecActive = 1;
  Transport.RecBeatCountOn = 1;
  Transport.RecBarCountOn = 1;
  Transport.RecBarCount = 2;
  Ticks(499);
  EXPECT_EQ(Transport.RecBeatCount, 0);
  Ticks(1);
  EXPECT_EQ(Transport.RecBeatCount, 1);
  Ticks(1500);
  EXPECT_EQ(Transport.RecBarCount, 1);
  Ticks(1999);
  EXPECT_EQ(done, 0);
  Ticks(1);
  EXPECT_EQ(Transport.RecBeatCount, 8);
  EXPECT_EQ(Transport.RecBarCount, 0);
  EXPECT_EQ(done, 1);
  Ticks(2000);
  EXPECT_EQ(done, 1);
}

TEST_F(TimerProcTest, TheSampleAidTicksOnlyWhileItIsOn) {
  static int32_t ms;
  ms = 0;
  EngineHooks.SampleAidTick = [](int32_t t) { ms += t; };
  Cfg.MidiTimerInterval = 2;
  Ticks(3);
  EXPECT_EQ(ms, 0);
  Showing.SampleAidShowing = 1;
  Ticks(3);
  Showing.SampleAidShowing = 0;
  EXPECT_EQ(ms, 6);
}

TEST_F(TimerProcTest, TicksThatFindTheLockBusyAreMadeUpByTheNext) {
  Fill(0, 0, {{40, 0x643C90}, {3840, 0xFF}});
  Play(0);
  std::atomic<int> stage{0};
  std::thread holder([&] {
    std::lock_guard lock(EngineLock);
    stage = 1;
    while (stage != 2) std::this_thread::yield();
  });
  while (stage != 1) std::this_thread::yield();
  Ticks(5);
  const int32_t heldClock = Transport.MsClock;
  const std::size_t heldSent = Sent().size();
  stage = 2;
  holder.join();
  EXPECT_EQ(heldClock, 0);
  EXPECT_EQ(heldSent, 0u);
  Ticks(1);  // six ticks at once: 46 ticks, so the note at 40 is due
  EXPECT_EQ(Transport.MsClock, 6);
  EXPECT_EQ(Sent(), (Sends{{6, "90 3C 64"}}));
  EXPECT_EQ(TickCentsAcc(), 8);
}

}  // namespace
}  // namespace vel
