// The command executor: codes it ignores, selection keys and default targets, play and mute with
// their cycles (from silence, on the grid and joining late), the toggle, double presses, tempo,
// hotkey, reset, the argument modes the commands enter and their status texts.
#include "keys/Commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Messages.h"
#include "engine/EngineTestState.h"
#include "files/MidiFile.h"
#include "files/Scenes.h"
#include "files/TempFolder.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyArgs.h"
#include "keys/ResetAllState.h"

namespace vel {
namespace {

using test::SentMsg;
using Sends = std::vector<SentMsg>;
using S = TSeqState;
constexpr TKeyMode Mode(int n) {
  return KeyModeFromNo(n);
}

// The command generator as a test fixes it: gives gDraw, notes the range asked for.
int32_t gDraw = 1;
int32_t gDrawRange = 0;
int32_t FixedDraw(int32_t range) {
  gDrawRange = range;
  return gDraw;
}

class CommandsTest : public test::EngineTest {
 protected:
  void ResetState() override { ResetAllState(); }
  void SetUp() override {
    EngineTest::SetUp();
    Keys.KeyMode = TKeyMode::Command;
  }
  static void ClearTexts() {
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    Msgs.ErrMsg.Clear();
  }
  static void Exec(uint8_t code) {
    std::lock_guard lock(EngineLock);
    ExecCommand(0, 0, code);
  }
  static void Select(int mask) {
    for (int s = 0; s < kSeqs; ++s) SeqBuf(s).Selected = (mask >> s) & 1;
  }
  static int Selection() {
    int mask = 0;
    for (int s = 0; s < kSeqs; ++s) mask |= SeqBuf(s).Selected << s;
    return mask;
  }
  // Empty, stopped seqs and a clock and bar count as a run starts them.
  static void FreshSeqs() {
    for (auto& part : Seqs.PartBufs)
      for (auto& b : part) b = TPartBuf{};
    Seqs.SeqRecs.fill(TSeqRec{});
    PlayCycle = TPlay{};
    Transport = TTransport{};
  }
  static std::vector<uint32_t> LinkedMsgs(int seq) {
    std::vector<uint32_t> out;
    const TPartBuf& b = SeqBuf(seq);
    for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) out.push_back(b.Events[i].Msg);
    return out;
  }
  // Note on at 0, off at 960, end at 3840 (a quarter note).
  static void FillCycle(int seq, uint32_t note = 0x3C) {
    Fill(0, seq, {{0, 0x640090 | note << 8}, {960, 0x80 | note << 8}, {3840, 0xFF}});
  }
};

TEST_F(CommandsTest, CodesOutsideTheMapAndCommandsOutsideRunningChangeNothing) {
  struct Row {
    uint8_t code;
    TProgState state;
    const char* err;
  } rows[] = {
      {CmdLiveN, TProgState::Running, ""},
      {CmdHotkey + 1, TProgState::Running, ""},
      {255, TProgState::Running, ""},
      {CmdPlay, TProgState::Config, "ExecCommand error: Unexpected ProgState"},
      {CmdEsc, TProgState::Stopping, "ExecCommand error: Unexpected ProgState"},
  };
  FillCycle(0);
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.code));
    ClearTexts();
    RunCtl.ProgState = r.state;
    Select(0b0001);
    Live.Selected = 1;
    Keys.KeyHold = 1;
    Exec(r.code);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
    EXPECT_EQ(Keys.KeyHold, 1);
    EXPECT_EQ(Live.Selected, 1);
    EXPECT_EQ(Selection(), 0b0001);
    EXPECT_EQ(SeqBuf(0).SeqState, S::Stopped);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
    EXPECT_EQ(Msgs.ErrMsg.Peek(), r.err);
  }
}

TEST_F(CommandsTest, SelectionKeysToggleAndStayInCommandMode) {
  struct Row {
    uint8_t code;
    int32_t maxActive;
    int before;
    uint8_t liveBefore;
    int after;
    uint8_t liveAfter;
  } rows[] = {
      {CmdSeq1, 3, 0b0000, 0, 0b0001, 0},      {CmdSeq2, 3, 0b0011, 1, 0b0001, 1},
      {CmdSeq4, 3, 0b0000, 0, 0b1000, 0},      {CmdSeq4, 2, 0b0000, 0, 0b0000, 0},  // seq 4 not in use
      {CmdSeq5, 3, 0b0000, 0, 0b0000, 0},      {CmdSeq16, 3, 0b0001, 0, 0b0001, 0},
      {CmdSelLive, 3, 0b0001, 0, 0b0001, 1},   {CmdSelLive, 3, 0b0001, 1, 0b0001, 0},
      {CmdSelAllBut, 3, 0b1010, 1, 0b0101, 1}, {CmdSelInv, 3, 0b1010, 0, 0b0101, 0},
      {CmdSelInv, 2, 0b0010, 0, 0b0101, 0},    {CmdDeSelAll, 3, 0b0111, 1, 0b0000, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.code));
    Cfg.MaxActiveSeqs = r.maxActive;
    Select(r.before);
    Live.Selected = r.liveBefore;
    Exec(r.code);
    EXPECT_EQ(Selection(), r.after);
    EXPECT_EQ(Live.Selected, r.liveAfter);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
  }
}

TEST_F(CommandsTest, CommandsWithoutTargetsTakeTheirDefaultsOrReturnToLive) {
  // Each command stays in its argument mode (or waits for a second press), so the targets it
  // went on with are still selected.
  struct Row {
    uint8_t code;
    uint8_t TCfg::*defSeqs;
    uint8_t TCfg::*defLive;
    int before;
    uint8_t liveBefore;
    TKeyMode mode;  // Live: refused
    int after;
    uint8_t liveAfter;
  } rows[] = {
      {CmdPlayN, nullptr, nullptr, 0b0100, 1, Mode(83), 0b0100, 0},
      {CmdPlayN, &TCfg::DefSelSeqsTransport, nullptr, 0, 0, Mode(83), 0b1111, 0},
      {CmdPlayN, nullptr, nullptr, 0, 0, TKeyMode::Live, 0, 0},
      {CmdPlayN, &TCfg::DefSelSeqsTransport, nullptr, 0, 1, TKeyMode::Live, 0, 0},
      {CmdPitch, nullptr, nullptr, 0, 1, TKeyMode::Pitch, 0, 1},
      {CmdPitch, &TCfg::DefSelSeqsPitch, nullptr, 0, 0, TKeyMode::Pitch, 0b1111, 0},
      {CmdPitch, nullptr, &TCfg::DefSelLivePitch, 0, 0, TKeyMode::Pitch, 0, 1},
      {CmdPitch, &TCfg::DefSelSeqsPitch, &TCfg::DefSelLivePitch, 0, 0, TKeyMode::Pitch, 0b1111, 1},
      {CmdPitch, nullptr, nullptr, 0, 0, TKeyMode::Live, 0, 0},
      {CmdPort, nullptr, &TCfg::DefSelLiveMidi, 0, 0, Mode(82), 0, 1},
      {CmdReset, &TCfg::DefSelSeqsReset, nullptr, 0, 0, TKeyMode::Command, 0b1111, 0},
      {CmdReset, nullptr, nullptr, 0, 0, TKeyMode::Live, 0, 0},
      {CmdTimeF, &TCfg::DefSelSeqsTime, nullptr, 0, 0, TKeyMode::TimeShiftFwd, 0b1111, 0},
      {CmdTimeB, nullptr, nullptr, 0, 0, TKeyMode::Live, 0, 0},
      {CmdDeleteSeqs, &TCfg::DefSelSeqsDelete, nullptr, 0, 0, TKeyMode::Command, 0b1111, 0},
      {CmdDeleteSeqs, &TCfg::DefSelSeqsDelete, nullptr, 0, 1, TKeyMode::Live, 0, 0},
      {CmdPart, &TCfg::DefSelSeqsPart, nullptr, 0, 0, Mode(81), 0b1111, 0},
      {CmdPart, nullptr, nullptr, 0, 0, TKeyMode::Live, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.code));
    Cfg = TCfg{};
    Cfg.MetrSeqNo = -1;
    for (auto d :
         {&TCfg::DefSelSeqsTransport, &TCfg::DefSelSeqsPitch, &TCfg::DefSelSeqsTime, &TCfg::DefSelSeqsMidi,
          &TCfg::DefSelSeqsReset, &TCfg::DefSelSeqsDelete, &TCfg::DefSelSeqsPart, &TCfg::DefSelLivePitch,
          &TCfg::DefSelLiveMidi, &TCfg::DefSelLiveReset})
      Cfg.*d = 0;
    if (r.defSeqs) Cfg.*r.defSeqs = 1;
    if (r.defLive) Cfg.*r.defLive = 1;
    Keys.KeyMode = TKeyMode::Command;
    Select(r.before);
    Live.Selected = r.liveBefore;
    Exec(r.code);
    EXPECT_EQ(Keys.KeyMode, r.mode);
    EXPECT_EQ(Selection(), r.after);
    EXPECT_EQ(Live.Selected, r.liveAfter);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), "");
  }
}

TEST_F(CommandsTest, CommandsOnTargetsDoNothingWithoutThemAndHoldNothing) {
  // Nothing selected and no default targets: back to Live, nothing held though every automatic
  // hold is on, nothing reported, no entry begun.
  Cfg.MetrSeqNo = -1;
  for (auto d :
       {&TCfg::DefSelSeqsTransport, &TCfg::DefSelSeqsPitch, &TCfg::DefSelSeqsTime, &TCfg::DefSelSeqsMidi,
        &TCfg::DefSelSeqsReset, &TCfg::DefSelSeqsDelete, &TCfg::DefSelSeqsPart, &TCfg::DefSelLivePitch,
        &TCfg::DefSelLiveMidi, &TCfg::DefSelLiveReset})
    Cfg.*d = 0;
  for (auto h : {&TCfg::AutoHoldDigit, &TCfg::AutoHoldTimeShift, &TCfg::AutoHoldFts, &TCfg::AutoHoldFtn,
                 &TCfg::AutoHoldPitch})
    Cfg.*h = 1;
  for (const uint8_t code :
       {CmdPlay,   CmdPlay4,       CmdPlayNN,    CmdMuteN,   CmdPlayMuteTog, CmdStop,
        CmdOctInc, CmdPitch,       CmdPitch0,    CmdPitch8,  CmdPitchN,      CmdPitchNN,
        CmdTrans,  CmdPitchUnlock, CmdPort,      CmdPortDec, CmdChan,        CmdChanInc,
        CmdProg,   CmdProgDec,     CmdTimeF,     CmdTimeB,   CmdVel,         CmdVelInc,
        CmdFts,    CmdFtn,         CmdPitchMode, CmdReset,   CmdDeleteSeqs,  CmdDeleteProgsInSeqs,
        CmdPart,   CmdPartInc}) {
    SCOPED_TRACE(int(code));
    Select(0);
    Live.Selected = 0;
    Keys.KeyMode = TKeyMode::Command;
    Keys.KeyHold = 0;
    Exec(code);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
    EXPECT_EQ(Keys.KeyHold, 0);
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
    EXPECT_EQ(Msgs.ErrMsg.Peek(), "");
  }
}

TEST_F(CommandsTest, PlayFromSilenceStartsOnBarOneWithOneMidiStart) {
  FillCycle(0);
  FillCycle(1, 0x40);
  Seqs.PartBufs[0][1].PlayEvIndex = Seqs.PartBufs[0][1].Tail;  // left where an earlier run stopped
  Seqs.PartBufs[0][1].PElap = 999;
  Cfg.MidiOutSyncEnabled[0] = Cfg.MidiOutSyncEnabled[2] = 1;
  PlayCycle.TicksToBarEnd = 5000;
  PlayCycle.BarNo = 7;
  Select(0b0011);
  Exec(CmdPlay);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(Selection(), 0);
  EXPECT_EQ(PlayCycle.BarNo, 1);
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 15360);
  EXPECT_EQ(Transport.RecStartedClock, 1);
  EXPECT_EQ(SentHex(0), std::vector<std::string>{"FA"});
  EXPECT_EQ(SentHex(1), std::vector<std::string>{});
  EXPECT_EQ(SentHex(2), std::vector<std::string>{"FA"});
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(SeqBuf(s).SeqState, S::Playing);
    EXPECT_EQ(SeqBuf(s).PlayEvIndex, SeqBuf(s).Head);
    EXPECT_EQ(SeqBuf(s).PElap, 0);
    EXPECT_EQ(SeqBuf(s).TicksRem, 0);
  }
  ClearSent();
  Ticks(1);
  EXPECT_EQ(Sent(0), (Sends{{1, "90 3C 64"}, {1, "90 40 64"}}));
}

// The loopback's clock, lagMs ahead of the engine's: the time a timer held up has let pass.
int32_t gLagMs = 0;
uint32_t LaggedClock() {
  return static_cast<uint32_t>(Transport.MsClock.load() + gLagMs);
}

// n timer ticks that find the engine lock held by another thread, as behind a long command: each
// is counted and made up by the next tick that gets the lock.
void HeldUpTicks(int n) {
  std::promise<void> held, release;
  std::thread holder([&] {
    std::lock_guard lock(EngineLock);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  for (int i = 0; i < n; ++i) TimerProc(1, 0);
  release.set_value();
  holder.join();
}

// A start from silence sends MIDI Start and a clock on one stamp, where the seq's first note falls
// due, and the clock's count begins there: a synced device starts with the seq. Also when the
// timer was held up just before the command: the start is placed where the output can still
// place its first notes, not at the last tick, long gone by the time they are sent.
TEST_F(CommandsTest, PlayFromSilenceStartsTheClockOnTheSeqsFirstNote) {
  struct Row {
    int32_t tempo;
    int32_t tickNs;  // whole ticks fall on whole ns at these tempos
    int32_t beforeMs;
    int32_t heldUpMs;
  };
  for (const Row r : {Row{12500, 125000, 23, 0}, Row{10000, 156250, 23, 0}, Row{15625, 100000, 37, 0},
                      Row{12500, 125000, 23, 5}, Row{2500, 625000, 24, 3}}) {
    SCOPED_TRACE(std::to_string(r.tempo) + " held up " + std::to_string(r.heldUpMs));
    FreshSeqs();
    ClearTimerAccumulators();
    Cfg.Tempo = Cfg.TargetTempo = r.tempo;
    Cfg.MidiOutSyncEnabled[0] = Cfg.MIDIOutClocksEnabled[0] = 1;
    FillCycle(0);
    Ticks(r.beforeMs);
    HeldUpTicks(r.heldUpMs);
    Keys.KeyMode = TKeyMode::Command;
    Select(0b0001);
    ClearSent();
    const uint64_t clamps = midi::ClampedStamps();
    gLagMs = r.heldUpMs;
    midi::loopback::SetClock(&LaggedClock);
    Exec(CmdPlay);
    gLagMs = 0;
    midi::loopback::SetClock(&test::EngineClock);
    // Two cycles of the quarter-note part, and the first of the next.
    Ticks(static_cast<int>(int64_t{8000} * r.tickNs / 1000000) + r.heldUpMs);
    int64_t start = -1;
    std::vector<int64_t> clocks, notes;
    for (std::size_t i = 0; i < midi::loopback::SentCount(0); ++i) {
      const midi::loopback::Sent m = midi::loopback::SentAt(0, i);
      const std::string hex = test::Hex(m.bytes);
      if (hex == "FA") start = m.dueNs;
      if (hex == "F8") clocks.push_back(m.dueNs);
      if (hex == "90 3C 64") notes.push_back(m.dueNs);
    }
    EXPECT_EQ(midi::ClampedStamps(), clamps);
    ASSERT_EQ(SentHex(0).at(0), "FA");
    ASSERT_EQ(SentHex(0).at(1), "F8");
    ASSERT_EQ(clocks.size(), 51u);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(clocks[0], start);
    EXPECT_GE(notes[0], start);
    EXPECT_LE(notes[0], start + 1000000);
    for (std::size_t n = 1; n < notes.size(); ++n)
      EXPECT_EQ(notes[n] - notes[n - 1], 3840 * int64_t{r.tickNs});
    for (std::size_t n = 1; n < clocks.size(); ++n)
      EXPECT_EQ(clocks[n] - clocks[n - 1], 160 * int64_t{r.tickNs});
  }
}

TEST_F(CommandsTest, WithAnExternalClockPlayWaitsForTheBarEndAndSendsNoStart) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.MidiOutSyncEnabled[0] = 1;
  FillCycle(0);
  PlayCycle.TicksToBarEnd = 5000;
  Select(0b0001);
  Exec(CmdPlay2);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play cycles:2/0");
  EXPECT_EQ(SeqBuf(0).SeqState, S::PlayPrimed);
  EXPECT_EQ(SeqBuf(0).TicksRem, 5000);
  EXPECT_EQ(SeqBuf(0).PRRem, 2);  // 2 + 1, less the cycle the start began
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 5000);
  EXPECT_TRUE(Sent(0).empty());
}

TEST_F(CommandsTest, WhileAnotherSeqPlaysAStartJoinsTheGridOrJoinsLate) {
  struct Row {
    int32_t toBarEnd;
    int32_t sqTicks;
    int32_t metrSeq;
    S state;
    int32_t ticksRem;
    int32_t timeShift;
    int32_t pElap;
    uint8_t carry;
    uint8_t reptOn;
  } rows[] = {
      {13440, 1920, -1, S::Playing, 0, 0, 0, 0, 0},             // on a grid point
      {14360, 1920, -1, S::PlayPrimed, 920, 0, 0, 0, 0},        // waits 920 for the next one
      {14400, 1920, -1, S::PlayPrimed, 960, 0, 0, 0, 0},        // half a step: waits
      {15260, 1920, -1, S::PlayPrimed, 0, -100, 100, 1, 0},     // 100 past a grid point: joins late
      {12360, 15360, -1, S::PlayPrimed, 0, -3000, 3000, 1, 1},  // over half a beat late: skipped notes silent
      {15260, 1920, 2, S::PlayPrimed, 15260, 0, 0, 0, 0},       // with the stopped metronome: the bar end
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.toBarEnd);
    FreshSeqs();
    Cfg.MetrSeqNo = r.metrSeq;
    FillCycle(0);
    FillCycle(1);
    FillCycle(2);
    Seqs.PartBufs[0][1].PortPend = Seqs.PartBufs[0][1].Port = 1;
    Play(1);
    Transport.ActBar.SQTicks = r.sqTicks;
    PlayCycle.TicksToBarEnd = r.toBarEnd;
    Select(r.metrSeq < 0 ? 0b0001 : 0b0101);
    Keys.KeyMode = TKeyMode::Command;
    Exec(CmdPlay1);
    const TPartBuf& b = SeqBuf(0);
    EXPECT_EQ(b.SeqState, r.state);
    EXPECT_EQ(b.TicksRem, r.ticksRem);
    EXPECT_EQ(b.TimeShift, r.timeShift);
    EXPECT_EQ(b.PElap, r.pElap);
    EXPECT_EQ(b.TimeShiftCarry, r.carry);
    EXPECT_EQ(b.TimeShiftReptOn, r.reptOn);
    EXPECT_EQ(b.PRRem, 1);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play cycles:1/0");
  }
  // The last late row's first tick: what the start skipped goes out at once, its note-on silent.
  FreshSeqs();
  Cfg.MetrSeqNo = -1;
  FillCycle(0);
  FillCycle(1);
  Seqs.PartBufs[0][1].PortPend = Seqs.PartBufs[0][1].Port = 1;
  Play(1);
  Transport.ActBar.SQTicks = 15360;
  PlayCycle.TicksToBarEnd = 12360;
  Select(0b0001);
  Exec(CmdPlay);
  ClearSent();
  Ticks(1);
  EXPECT_EQ(Sent(0), (Sends{{1, "90 3C 00"}, {1, "80 3C 00"}}));
}

TEST_F(CommandsTest, PlayAndMuteCountsByStateAndTheirStatus) {
  struct Row {
    uint8_t code;
    S before;
    S after;
    int32_t playCycles, prRem, muteCycles, mrRem;
    uint8_t muted;
    const char* status;
  } rows[] = {
      {CmdPlay4, S::Playing, S::Playing, 4, 5, 0, 0, 0, "Play cycles:4/0"},
      {CmdPlayMute2, S::PlayMuted, S::Playing, 2, 3, 2, 7, 0, "PlayMute cycles:2/2"},
      {CmdMute8, S::Playing, S::PlayMuted, 0, 0, 8, 9, 1, "Mute cycles:8/0"},
      {CmdMutePlay16, S::PlayPrimed, S::PlayMutedPrimed, 16, 7, 16, 17, 1, "MutePlay cycles:16/16"},
      {CmdPlay, S::PlayMutedPrimed, S::PlayPrimed, 0, 0, 0, 7, 0, "Play"},
      {CmdMute, S::Playing, S::PlayMuted, 0, 7, 0, 0, 1, "Mute"},
      {CmdMute, S::StopPrimed, S::PlayMuted, 7, 7, 7, 7, 1, "Mute"},  // the stop is called off
      {CmdPlay32, S::StopPrimed, S::Playing, 7, 7, 7, 7, 0, "Play cycles:32/0"},
      {CmdPlay1, S::Recording, S::Recording, 1, 2, 0, 0, 0, "Play cycles:1/0"},
  };
  FillCycle(0);
  FillCycle(1);
  Play(1);  // something plays, so no start goes out
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.code));
    TPartBuf& b = SeqBuf(0);
    b.SeqState = r.before;
    b.PlayCycles = b.PRRem = b.MuteCycles = b.MRRem = 7;
    b.Pend.Muted = !r.muted;
    Select(0b0001);
    Exec(r.code);
    EXPECT_EQ(b.SeqState, r.after);
    EXPECT_EQ(b.PlayCycles, r.playCycles);
    EXPECT_EQ(b.PRRem, r.prRem);
    EXPECT_EQ(b.MuteCycles, r.muteCycles);
    EXPECT_EQ(b.MRRem, r.mrRem);
    EXPECT_EQ(b.Pend.Muted, r.muted);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  }
  // R and RR take their count from the command generator: 1..9 and 1..99.
  struct Draw {
    uint8_t code;
    int32_t range;
    int32_t drawn;
  } draws[] = {{CmdPlayR, 9, 1}, {CmdPlayR, 9, 9}, {CmdPlayRR, 99, 1}, {CmdPlayRR, 99, 99}};
  CmdRandom = &FixedDraw;
  for (const Draw& d : draws) {
    SCOPED_TRACE(d.drawn);
    gDraw = d.drawn;
    gDrawRange = 0;
    Select(0b0001);
    Exec(d.code);
    EXPECT_EQ(gDrawRange, d.range);
    EXPECT_EQ(SeqBuf(0).PlayCycles, d.drawn);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play cycles:" + std::to_string(d.drawn) + "/0");
  }
}

TEST(CmdRandomTest, TheDefaultDrawsEveryCountInRangeAndRepeatsFromASeed) {
  const auto drawn = [](int32_t range) {
    std::vector<int32_t> out;
    for (int i = 0; i < 400; ++i) out.push_back(CmdRandomDefault(range));
    return out;
  };
  SeedCmdRandom(7);
  const std::vector<int32_t> first = drawn(9);
  SeedCmdRandom(7);
  EXPECT_EQ(drawn(9), first);
  std::vector<int> seen(10, 0);
  for (int32_t v : first) {
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 9);
    ++seen[static_cast<std::size_t>(v)];
  }
  for (int v = 1; v <= 9; ++v) EXPECT_GT(seen[static_cast<std::size_t>(v)], 0) << v;
  for (int32_t v : drawn(99)) {
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 99);
  }
}

TEST_F(CommandsTest, PlayMuteToggleFlipsEachSelectedSeq) {
  struct Row {
    S before;
    uint8_t muted;
    S after;
    uint8_t actMuted;
    int32_t prRem, mrRem;
  } rows[] = {
      {S::Playing, 0, S::PlayMuted, 0, 7, 3},     {S::PlayPrimed, 0, S::PlayMutedPrimed, 0, 7, 3},
      {S::PlayMuted, 1, S::Playing, 1, 3, 7},     {S::PlayMutedPrimed, 1, S::PlayPrimed, 1, 3, 7},
      {S::Stopped, 0, S::Stopped, 1, 7, 3},       {S::Stopped, 1, S::Stopped, 0, 3, 7},
      {S::StopPrimed, 0, S::StopPrimed, 0, 7, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.before));
    TPartBuf& b = SeqBuf(1);  // empty parts toggle too
    b.SeqState = r.before;
    b.Pend.Muted = b.Act.Muted = r.muted;
    b.PRRem = b.MRRem = 7;
    Select(0b0010);
    Exec(CmdPlayMuteTog2);
    EXPECT_EQ(b.SeqState, r.after);
    EXPECT_EQ(b.Pend.Muted, !r.muted);
    EXPECT_EQ(b.Act.Muted, r.actMuted);
    EXPECT_EQ(b.PlayCycles, 2);
    EXPECT_EQ(b.MuteCycles, 2);
    EXPECT_EQ(b.PRRem, r.prRem);
    EXPECT_EQ(b.MRRem, r.mrRem);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "PlayMuteTog cycles:2/2");
  }
  Select(0b0010);
  Exec(CmdPlayMuteTog);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "PlayMuteTog");
  // A seq in no known state is left as it is.
  SeqBuf(1).SeqState = static_cast<S>(9);
  SeqBuf(1).Pend.Muted = 0;
  Select(0b0010);
  Exec(CmdPlayMuteTog4);
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "HandleCmdPyMuTog-1 error: Unexpected SeqState");
  EXPECT_EQ(SeqBuf(1).Pend.Muted, 0);
  EXPECT_EQ(SeqBuf(1).PlayCycles, 0);  // as the plain toggle left it
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "PlayMuteTog cycles:4/4");
}

TEST_F(CommandsTest, DeleteWantsASecondPressWithinTheInterval) {
  struct Row {
    int32_t interval;
    int secondAfterMs;  // -1: no first press needed
    bool deleted;
  } rows[] = {
      {500, 400, true}, {500, 500, true}, {500, 600, false}, {0, -1, true}, {-5, -1, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.secondAfterMs);
    ClearTexts();
    Args = TKeyArgs{};
    Cfg.DPressInterval = r.interval;
    ClearPartBuf(0, 0);
    FillCycle(0);
    Select(0b0001);
    Keys.KeyMode = TKeyMode::Command;
    if (r.secondAfterMs >= 0) {
      Exec(CmdDeleteSeqs);
      EXPECT_EQ(Args.DPress.DPressPendingCmd, "Delete");
      EXPECT_EQ(Args.DPress.DPressTimeDelete, static_cast<int32_t>(test::EngineClock()) + 500);
      EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
      EXPECT_EQ(SeqBuf(0).Head, 0);
      Ticks(r.secondAfterMs);
    }
    const int32_t clock = static_cast<int32_t>(test::EngineClock());
    Exec(CmdDeleteSeqs);
    EXPECT_EQ(SeqBuf(0).Head, r.deleted ? -1 : 0);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.deleted ? "Delete" : "");
    EXPECT_EQ(Keys.KeyMode, r.deleted ? TKeyMode::Live : TKeyMode::Command);
    EXPECT_EQ(Args.DPress.DPressPendingCmd, r.deleted ? "" : "Delete");
    EXPECT_EQ(Args.DPress.DPressTimeDelete, r.deleted ? 0 : clock + 500);
  }
}

TEST_F(CommandsTest, EscapeKeepsAFirstPressAndALeftOverDeadlineIsNoSecondPress) {
  Cfg.DPressInterval = 500;
  FillCycle(0);
  Select(0b0001);
  Live.Selected = 1;
  Keys.KeyHold = 1;
  Exec(CmdDeleteSeqs);
  Exec(CmdEsc);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "");
  EXPECT_EQ(Args.DPress.DPressTimeDelete, 500);
  EXPECT_EQ(Selection(), 0b0001);  // seq selections stay
  EXPECT_EQ(Live.Selected, 0);
  EXPECT_EQ(Keys.KeyHold, 0);
  Keys.KeyMode = TKeyMode::Command;
  Ticks(100);
  Exec(CmdDeleteSeqs);
  EXPECT_EQ(SeqBuf(0).Head, -1);

  // A deadline left from a run whose clock has since started again from 0.
  FillCycle(0);
  Select(0b0001);
  Keys.KeyMode = TKeyMode::Command;
  Args.DPress.DPressTimeDelete = 100400;
  Exec(CmdDeleteSeqs);
  EXPECT_EQ(SeqBuf(0).Head, 0);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "Delete");
  ClearDPressTimes();
  EXPECT_EQ(Args.DPress.DPressTimeDelete, 0);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "");
}

TEST_F(CommandsTest, DeleteLeavesRunningSeqsWithAWarning) {
  Cfg.DPressDeleteSeqsReqd = Cfg.DPressDeleteProgsInSeqsReqd = 0;
  const std::vector<uint32_t> full = {0x643C90, 0x05C0, 0x3C80, 0xFF};
  for (const uint8_t code : {CmdDeleteSeqs, CmdDeleteProgsInSeqs}) {
    const bool progs = code == CmdDeleteProgsInSeqs;
    SCOPED_TRACE(progs);
    ClearTexts();
    for (int s = 1; s < 3; ++s) {
      ClearPartBuf(0, s);
      SeqBuf(s).SeqState = S::Stopped;
      FillCycle(s);
      InsertPartEvent(0, s, 0x05C0, 10, false);
    }
    Play(2);
    Select(0b0110);
    Exec(code);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), progs ? "Delete progs" : "Delete");
    EXPECT_EQ(Msgs.WarnMsg.Peek(), progs ? "Delete progs command ignored for Seq3; seq running"
                                         : "Delete command ignored for Seq3; seq running");
    EXPECT_EQ(LinkedMsgs(1),
              (progs ? std::vector<uint32_t>{0x643C90, 0x3C80, 0xFF} : std::vector<uint32_t>{}));
    EXPECT_EQ(LinkedMsgs(2), full);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  }
}

TEST_F(CommandsTest, TempoWithAnExternalClockIsRefusedUnlessItSetsTheDivider) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.AutoHoldDigit = 1;
  for (uint8_t code : {CmdTempo, CmdTempoInc, CmdTempoDec}) {
    ClearTexts();
    Keys.KeyMode = TKeyMode::Command;
    Exec(code);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), "Tempo command ignored; active tempo is external");
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
    EXPECT_EQ(Keys.KeyHold, 0);
    EXPECT_EQ(Selection(), 0);
  }
  ClearTexts();
  Keys.KeyMode = TKeyMode::Command;
  Select(0b0010);
  Exec(CmdTempo);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::TempoDiv);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "");
}

TEST_F(CommandsTest, HotkeyWhileDisabledWarnsAndWaitsInCommandMode) {
  Cfg.DisableHotkeys = 1;
  Select(0b0001);
  Exec(CmdHotkey);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Hotkey operation is disabled; see Settings, Behaviour");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
  EXPECT_EQ(Selection(), 0b0001);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "");

  Cfg.DisableHotkeys = 0;
  Cfg.AutoHoldHotkey = 1;
  Live.PortSweep.On = 1;
  Exec(CmdHotkey);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "Hotkey ");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
  Exec(CmdHotkey);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Hotkey);
  EXPECT_EQ(Keys.KeyHold, 1);
  EXPECT_EQ(Selection(), 0);
  EXPECT_EQ(Live.PortSweep.On, 0);
}

TEST_F(CommandsTest, ResetPutsBackTheLiveOutputAndTheSelectedSeqs) {
  Cfg.DPressInterval = 300;
  FillCycle(0);
  FillCycle(1);
  SeqBuf(0).Pend.Transpose = 5;
  SeqBuf(0).Pend.SVel = 2;
  Play(1);
  Live.Pitch = 7;
  Live.Chan[0] = 2;
  Live.Selected = 1;
  Select(0b0011);
  Exec(CmdReset);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Command);
  EXPECT_EQ(Args.DPress.DPressPendingCmd, "Reset");
  EXPECT_EQ(Live.Pitch, 7);
  EXPECT_TRUE(Sent(0).empty());
  Exec(CmdReset);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Reset");
  EXPECT_EQ(Live.Pitch, 0);
  EXPECT_EQ(SeqBuf(0).Pend.Transpose, 0);
  EXPECT_EQ(SeqBuf(0).Pend.SVel, 5);
  EXPECT_EQ(SeqBuf(1).SeqState, S::StopPrimed);
  EXPECT_EQ(SentHex(0), test::Join({test::ChannelResetHex(2), test::ChannelResetHex(0)}));
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(Selection(), 0);
}

TEST_F(CommandsTest, ArgumentCommandsClearTheirEntryAndHoldByTheirSetting) {
  struct Row {
    uint8_t code;
    int before;
    TKeyMode mode;
    uint8_t TCfg::*autoHold;  // null: never holds
    int32_t TKeyArgs::*entry;
  } rows[] = {
      {CmdPlayN, 1, Mode(83), &TCfg::AutoHoldDigit, nullptr},
      {CmdPlayNN, 1, Mode(36), &TCfg::AutoHoldDigit, &TKeyArgs::PlayCyclesEntry},
      {CmdPlayMuteNN, 1, Mode(40), &TCfg::AutoHoldDigit, &TKeyArgs::PlayCyclesEntry},
      {CmdMuteN, 1, Mode(84), &TCfg::AutoHoldDigit, nullptr},
      {CmdMutePlayNN, 1, Mode(42), &TCfg::AutoHoldDigit, &TKeyArgs::MuteCyclesEntry},
      {CmdPlayMuteTogNN, 1, Mode(44), &TCfg::AutoHoldDigit, &TKeyArgs::PmtCyclesEntry},
      {CmdPitchNN, 1, Mode(46), &TCfg::AutoHoldPitch, &TKeyArgs::PitchCyclesEntry},
      {CmdPitchN, 1, Mode(88), &TCfg::AutoHoldPitch, nullptr},
      {CmdPort, 1, Mode(82), &TCfg::AutoHoldDigit, nullptr},
      {CmdChan, 1, Mode(32), &TCfg::AutoHoldDigit, &TKeyArgs::ChanEntry},
      {CmdProg, 1, Mode(21), &TCfg::AutoHoldDigit, &TKeyArgs::ProgEntry},
      {CmdVel, 1, Mode(80), &TCfg::AutoHoldDigit, nullptr},
      {CmdPart, 1, Mode(81), nullptr, nullptr},
      {CmdTempo, 0, Mode(8), &TCfg::AutoHoldDigit, &TKeyArgs::TempoEntry},
      {CmdTempo, 1, TKeyMode::TempoDiv, &TCfg::AutoHoldQuantise, nullptr},
      {CmdTempoSlew, 0, Mode(60), &TCfg::AutoHoldDigit, &TKeyArgs::TempoSlewEntry},
      {CmdQuant, 0, TKeyMode::QuantNotes, &TCfg::AutoHoldQuantise, nullptr},
      {CmdFts, 1, TKeyMode::FtsRoot, &TCfg::AutoHoldFts, nullptr},
      {CmdFtn, 1, TKeyMode::Ftn, &TCfg::AutoHoldFtn, nullptr},
      {CmdTimeF, 1, TKeyMode::TimeShiftFwd, &TCfg::AutoHoldTimeShift, nullptr},
      {CmdTimeB, 1, Mode(108), &TCfg::AutoHoldTimeShift, nullptr},
      {CmdTimeSig, 0, TKeyMode::TimeSigBeats, &TCfg::AutoHoldTimeSig, nullptr},
      {CmdMetrNote, 0, TKeyMode::MetrBarNote, &TCfg::AutoHoldMetr, nullptr},
      {CmdPitch, 1, TKeyMode::Pitch, &TCfg::AutoHoldPitch, nullptr},
      {CmdRecB, 1, Mode(79), nullptr, &TKeyArgs::RecBarsEntry},
      {CmdRecBB, 1, Mode(34), nullptr, &TKeyArgs::RecBarsEntry},
      {CmdLoad, 0, Mode(48), nullptr, &TKeyArgs::LoadSceneEntry},
      {CmdLoad, 1, Mode(52), nullptr, &TKeyArgs::LoadSceneEntry},
      {CmdSave, 0, Mode(56), nullptr, &TKeyArgs::SaveSceneEntry},
      {CmdSave, 1, Mode(58), nullptr, &TKeyArgs::SaveSceneEntry},
  };
  Cfg.DPressLoadReqd = Cfg.DPressSaveReqd = 0;
  for (const bool hold : {false, true}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(testing::Message() << int(r.code) << (hold ? " hold" : ""));
      if (r.autoHold) Cfg.*r.autoHold = hold;
      Args.PlayCyclesEntry = Args.MuteCyclesEntry = Args.PmtCyclesEntry = Args.PitchCyclesEntry = 55;
      Args.ChanEntry = Args.ProgEntry = Args.TempoEntry = Args.TempoSlewEntry = Args.RecBarsEntry = 55;
      Args.LoadSceneEntry = Args.SaveSceneEntry = 55;
      Keys.KeyMode = TKeyMode::Command;
      Keys.KeyHold = 0;
      Select(r.before);
      Exec(r.code);
      EXPECT_EQ(Keys.KeyMode, r.mode);
      EXPECT_EQ(Keys.KeyHold, hold && r.autoHold ? 1 : 0);
      if (r.entry) {
        EXPECT_EQ(Args.*r.entry, 0);
      }
      if (r.autoHold) Cfg.*r.autoHold = 0;
    }
  }
  // CmdPitchMode holds whatever the setting; the external scenes have modes of their own.
  Select(1);
  Keys.KeyMode = TKeyMode::Command;
  Exec(CmdPitchMode);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Pitch);
  EXPECT_EQ(Keys.KeyHold, 1);
  // The pitch-cycle commands leave the count and which entry is under way for the pitch keys.
  struct Cycles {
    uint8_t code;
    int32_t cycles;
    uint8_t n, nn;
    TKeyMode mode;
  } cycleRows[] = {{CmdPitch8, 8, 1, 0, TKeyMode::Pitch},
                   {CmdPitch0, 0, 1, 0, TKeyMode::Pitch},
                   {CmdPitchN, 0, 1, 0, Mode(88)},
                   {CmdPitchNN, 5, 0, 1, Mode(46)},
                   {CmdPitch, 5, 0, 0, TKeyMode::Pitch}};
  for (const Cycles& c : cycleRows) {
    SCOPED_TRACE(int(c.code));
    Keys.PitchCycles = Keys.PitchCyclesN = Keys.PitchCyclesNN = 5;
    Select(1);
    Keys.KeyMode = TKeyMode::Command;
    Exec(c.code);
    EXPECT_EQ(Keys.PitchCycles, c.cycles);  // 5: left as it was
    EXPECT_EQ(Keys.PitchCyclesN, c.n);
    EXPECT_EQ(Keys.PitchCyclesNN, c.nn);
    EXPECT_EQ(Keys.KeyMode, c.mode);
  }
  Cfg.LoadExtScenes = 1;
  for (const int sel : {0, 1}) {
    Select(sel);
    Keys.KeyMode = TKeyMode::Command;
    Exec(CmdLoad);
    EXPECT_EQ(Keys.KeyMode, Mode(sel ? 54 : 50));
  }
}

TEST_F(CommandsTest, ValueStepsReportTheirStepAndBadSourcesTheirHandler) {
  struct Row {
    void (*call)();
    const char* status;
    const char* err;
  } rows[] = {
      {[] { HandleCmdPort(0, 0, VsInc); }, "Port inc", ""},
      {[] { HandleCmdChan(0, 0, VsDec); }, "Channel dec", ""},
      {[] { HandleCmdProg(VsInc); }, "Prog inc", ""},
      {[] { HandleCmdVel(VsDec); }, "Vel dec", ""},
      {[] { HandleCmdTempo(VsInc); }, "Tempo inc", ""},
      {[] { HandleCmdLoad(VsInc, true); }, "Load all from scene inc", ""},
      {[] { HandleCmdLoad(VsDec, false); }, "Load from scene dec", ""},
      {[] { HandleCmdSave(VsDec, true); }, "Save all to scene dec", ""},
      {[] { HandleCmdSave(VsInc, false); }, "Save to scene inc", ""},
      {[] { HandleCmdPort(0, 0, 3); }, "", "HandleCmdPort error: Unexpected ValSource"},
      {[] { HandleCmdChan(0, 0, 3); }, "", "HandleCmdChan error: Unexpected ValSource"},
      {[] { HandleCmdProg(3); }, "", "HandleCmdProg error: Unexpected ValSource"},
      {[] { HandleCmdVel(3); }, "", "HandleCmdVel error: Unexpected ValSource"},
      {[] { HandleCmdPart(3); }, "", "HandleCmdPart error: Unexpected ValSource"},
      {[] { HandleCmdTempo(3); }, "", "HandleCmdTempo error: Unexpected ValSource"},
      {[] { HandleCmdLoad(3, true); }, "", "HandleCmdLoad error: Unexpected ValSource"},
      {[] { HandleCmdSave(3, true); }, "", "HandleCmdSave error: Unexpected ValSource"},
  };
  // Scenes 1 to 3 and external scene 3 exist; the steps start from scene 2.
  test::TempFolder folder;
  Cfg.RunTimeSceneFolder = folder.Path();
  std::filesystem::create_directories(folder / "Scenes");
  test::FillPart(0, 0, {{0, 0x403C90}, {960, 0x3C80}});
  std::vector<uint8_t> scene;
  std::string error;
  ASSERT_TRUE(BuildMidiFile(false, true, scene, error));
  for (const char* name : {"Scenes/Scene-01.mid", "Scenes/Scene-02.mid", "Scenes/Scene-03.mid", "03-Ext.mid"})
    test::WriteBytes(folder / name, scene);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    ClearTexts();
    Keys.KeyMode = TKeyMode::Command;
    Keys.KeyHold = 1;
    Select(0b0001);
    Scenes.CurScene = Scenes.CurExtScene = 2;
    {
      std::lock_guard lock(EngineLock);
      r.call();
    }
    RunSceneFileJob();  // as the key path does once it lets go of the lock
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Msgs.ErrMsg.Peek(), r.err);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
    EXPECT_EQ(Keys.KeyHold, 0);
    EXPECT_EQ(Selection(), 0);
  }
  // In an external-scene entry the step names the external scenes.
  Keys.KeyMode = Mode(55);
  Select(0b0001);
  Scenes.CurExtScene = 2;
  {
    std::lock_guard lock(EngineLock);
    HandleCmdLoad(VsInc, false);
  }
  RunSceneFileJob();
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Load from ext scene inc");
}

TEST_F(CommandsTest, PitchCommandsSkipOnlyWhenEveryTargetIsLocked) {
  struct Row {
    uint8_t liveSel, liveLocked;
    int sel, locked;
    bool refused;
  } rows[] = {
      {1, 1, 0b00, 0b00, true},  {1, 1, 0b01, 0b01, true}, {1, 1, 0b01, 0b00, false},
      {1, 0, 0b01, 0b01, false}, {0, 0, 0b01, 0b01, true}, {0, 0, 0b11, 0b01, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << int(r.liveSel) << int(r.liveLocked) << r.sel << r.locked);
    ClearTexts();
    Keys.KeyMode = TKeyMode::Command;
    Live.Selected = r.liveSel;
    Live.PitchLocked = r.liveLocked;
    Select(r.sel);
    for (int s = 0; s < 2; ++s) {
      SeqBuf(s).PitchLocked = (r.locked >> s) & 1;
      SeqBuf(s).Pend.Transpose = 0;
    }
    Exec(CmdOctInc);
    EXPECT_EQ(Msgs.WarnMsg.Peek(),
              r.refused ? "Pitch command ignored; all selected items are pitch-locked" : "");
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.refused ? "" : "Pitch octave inc");
    EXPECT_EQ(SeqBuf(0).Pend.Transpose, !r.refused && !(r.locked & 1) && (r.sel & 1) ? 12 : 0);
    EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  }
}

TEST_F(CommandsTest, RecordCommandsSetTheirFlagsAndStart) {
  struct Row {
    uint8_t code;
    uint8_t raw, step, autoInc;
    TKeyMode mode;
  } rows[] = {
      {CmdRec, 0, 0, 0, TKeyMode::Record},
      {CmdRecRaw, 1, 0, 0, TKeyMode::Record},
      {CmdRecAutoIncSeq, 0, 0, 1, TKeyMode::Record},
      {CmdSRec, 0, 1, 0, TKeyMode::StepRecord},
      {CmdSRecRawAutoIncSeq, 1, 1, 1, TKeyMode::StepRecord},
      {CmdRecBRaw, 1, 0, 0, Mode(79)},
      {CmdRecBBAutoIncSeq, 0, 0, 1, Mode(34)},
  };
  Cfg.RecRawSyncReqd = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.code));
    SeqBuf(0).SeqState = S::Stopped;
    Select(0b0001);
    Live.Selected = 1;
    Transport.RecBarCountOn = 1;
    Transport.RecBarCount = 4;
    Transport.RecBeatCount = 9;
    Keys.KeyMode = TKeyMode::Command;
    Exec(r.code);
    EXPECT_EQ(Transport.RecRawMode, r.raw);
    EXPECT_EQ(Transport.RecStepMode, r.step);
    EXPECT_EQ(Args.RecAutoIncSeq, r.autoInc);
    EXPECT_EQ(Keys.KeyMode, r.mode);
    EXPECT_EQ(Live.Selected, 0);
    EXPECT_EQ(Transport.RecBarCountOn, 0);
    EXPECT_EQ(Transport.RecBarCount, -1);
    EXPECT_EQ(Transport.RecBeatCount, 0);
  }
  Select(0);
  Keys.KeyMode = TKeyMode::Command;
  Exec(CmdRecBB);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
}

TEST_F(CommandsTest, CalibrateWaitsForTheCalibrationKeyOnlyWhenThereIsOne) {
  Cfg.DPressCalibrateReqd = 0;
  Exec(CmdCalib);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Calibrate);
  EXPECT_EQ(Live.Selected, 1);
  // A calibration key that names no note could never end the mode.
  Cfg.InPortLiveCmdKey[0] = -1;
  Keys.KeyMode = TKeyMode::Command;
  ClearTexts();
  Exec(CmdCalib);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Calibrate command ignored; no live Cmd key is set");
}

}  // namespace
}  // namespace vel
