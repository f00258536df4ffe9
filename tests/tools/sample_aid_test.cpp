#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/AllocCounter.h"
#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiRecorder.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "mainwindow/ViewTestState.h"
#include "tools/SampleAid.h"

namespace vel {
namespace {

using Played = std::vector<std::pair<int32_t, int32_t>>;  // (pitch, velocity) of each note-on

class SampleAidTest : public test::ViewEngineTest {
 protected:
  void SetUp() override {
    ViewEngineTest::SetUp();
    rec.Install();
    ResetSampleAid();
    SetSampleAidSender(nullptr);
    InstallSampleAidHooks();
    Showing.SampleAidShowing = 1;
  }
  void TearDown() override {
    Showing.SampleAidShowing = 0;
    EngineHooks.SampleAidTick = nullptr;
    ResetSampleAid();
    ViewEngineTest::TearDown();
  }
  static void SetRange(TSampleAidRange& r, std::vector<int32_t> v) {
    r.FirstPitch = v[0];
    r.LastPitch = v[1];
    r.PitchStep = v[2];
    r.CurPitch = v[0];
    r.FirstVel = v[3];
    r.LastVel = v[4];
    r.VelStep = v[5];
    r.CurVel = v[3];
    r.NoteLen = 2;
    r.Gap = 1;
  }
  // Ticks n times; each message sent on dev with the tick it went out on (0: before the ticks).
  static std::vector<std::pair<int, std::string>> Timeline(int n, int dev = 0) {
    std::vector<std::pair<int, std::string>> out;
    auto take = [&](int tick) {
      for (const std::string& h : SentHex(dev)) out.emplace_back(tick, h);
      ClearSent();
    };
    take(0);
    for (int t = 1; t <= n; ++t) {
      Ticks(1);
      take(t);
    }
    return out;
  }
  static Played NoteOns(const std::vector<std::pair<int, std::string>>& tl) {
    Played p;
    for (const auto& [tick, h] : tl) {
      if (h.rfind("9", 0) == 0)
        p.emplace_back(std::stoi(h.substr(3, 2), nullptr, 16), std::stoi(h.substr(6, 2), nullptr, 16));
    }
    return p;
  }
  test::UiRecorder rec;
};

TEST_F(SampleAidTest, WalksPlayEveryGridPointInOrderAndPlayOneEndsAtTheStart) {
  struct Case {
    const char* what;
    std::vector<int32_t> range;  // first, last, step of pitch, then of velocity
    bool holdPitch, holdVel, pitchFirst;
    Played played;
  };
  const Case cases[] = {
      {"pitch first",
       {36, 38, 1, 100, 120, 20},
       false,
       false,
       true,
       {{36, 100}, {37, 100}, {38, 100}, {36, 120}, {37, 120}, {38, 120}}},
      {"velocity first",
       {36, 38, 1, 100, 120, 20},
       false,
       false,
       false,
       {{36, 100}, {36, 120}, {37, 100}, {37, 120}, {38, 100}, {38, 120}}},
      {"falling, velocity held",
       {84, 36, 12, 100, 120, 20},
       false,
       true,
       true,
       {{84, 100}, {72, 100}, {60, 100}, {48, 100}, {36, 100}}},
      {"step not dividing the span", {36, 40, 3, 90, 90, 1}, false, true, true, {{36, 90}, {39, 90}}},
      {"pitch held, falling velocity",
       {60, 72, 1, 100, 40, 30},
       true,
       false,
       true,
       {{60, 100}, {60, 70}, {60, 40}}},
  };
  for (const Case& c : cases) {
    TSampleAidRange& r = SampleAid.Audition;
    SetRange(r, c.range);
    r.HoldPitch = c.holdPitch;
    r.HoldVel = c.holdVel;
    r.PitchFirst = c.pitchFirst;
    ClearSent();
    ASSERT_TRUE(SampleAidStart(SaPlay1 + kSampleAidAuditionBase)) << c.what;
    EXPECT_EQ(NoteOns(Timeline(100)), c.played) << c.what;
    EXPECT_FALSE(SampleAidBusy()) << c.what;
    EXPECT_EQ(r.CurPitch.load(), c.range[0]) << c.what;
    EXPECT_EQ(r.CurVel.load(), c.range[3]) << c.what;
  }
}

TEST_F(SampleAidTest, NotesSoundTheirLengthAndGapsWaitTheirGapAtOneMsPerTick) {
  TSampleAidRange& r = SampleAid.Audition;
  SetRange(r, {60, 61, 1, 100, 100, 1});
  r.HoldVel = 1;
  r.NoteLen = 50;
  r.Gap = 20;
  SampleAid.AuditionOut.Channel = 2;
  ASSERT_TRUE(SampleAidStart(SaPlay + kSampleAidAuditionBase));
  const auto tl = Timeline(190);
  const std::vector<std::pair<int, std::string>> want = {
      {0, "92 3C 64"},   {50, "82 3C 64"},  {70, "92 3D 64"},
      {120, "82 3D 64"}, {140, "92 3C 64"}, {190, "82 3C 64"},
  };
  EXPECT_EQ(tl, want);
  SampleAidAbort();
  Ticks(2);
  EXPECT_FALSE(SampleAidBusy());
}

int gWakes = 0;

TEST_F(SampleAidTest, AGapWakesTheWindowAtEachWholeSecondLeftAndWhenCancelled) {
  SetSampleAidWake([] { ++gWakes; });
  SampleAid.Sample.NoteLen = 10;
  SampleAid.Sample.Gap = 2500;
  ASSERT_TRUE(SampleAidStart(SaPlay));
  Ticks(10);  // the note ends, the gap starts
  gWakes = 0;
  Ticks(1500);  // 2000 and 1000 ms left
  EXPECT_EQ(gWakes, 2);
  SampleAidAbort();
  gWakes = 0;
  Ticks(1);
  EXPECT_EQ(gWakes, 1);
  EXPECT_FALSE(SampleAidBusy());
  SetSampleAidWake(nullptr);
}

TEST_F(SampleAidTest, AbortsEndTheNoteOnTheNextTickOrCancelTheGap) {
  for (const bool inGap : {false, true}) {
    TSampleAidRange& r = SampleAid.Audition;
    SetRange(r, {60, 72, 1, 100, 100, 1});
    r.HoldVel = 1;
    r.NoteLen = 10;
    r.Gap = 10;
    ClearSent();
    ASSERT_TRUE(SampleAidStart(SaPlay + kSampleAidAuditionBase));
    Ticks(inGap ? 15 : 5);
    ClearSent();
    SampleAidAbort();
    const auto tl = Timeline(50);
    const std::vector<std::pair<int, std::string>> want =
        inGap ? std::vector<std::pair<int, std::string>>{}
              : std::vector<std::pair<int, std::string>>{{1, "80 3C 64"}};
    EXPECT_EQ(tl, want) << inGap;
    EXPECT_EQ(r.CurPitch.load(), 61) << inGap;  // the walk stands past the ended note
    EXPECT_FALSE(SampleAidBusy()) << inGap;
  }
}

TEST_F(SampleAidTest, NoteOffFollowsTheCapturedNoteAndTheSamplerGetsACopyOnlyWhereItDiffers) {
  // Audition: the lists change while the note sounds.
  SampleAid.AuditionOut.Channel = 3;
  SampleAid.Audition.CurPitch = 40;
  ASSERT_TRUE(SampleAidStart(SaNote + kSampleAidAuditionBase));
  SampleAid.AuditionOut.Port = 1;
  SampleAid.AuditionOut.Channel = 5;
  SampleAid.Audition.CurPitch = 50;
  Ticks(60);
  EXPECT_EQ(SentHex(0), (std::vector<std::string>{"93 28 2F", "83 28 2F"}));
  EXPECT_TRUE(SentHex(1).empty());
  EXPECT_EQ(SampleAid.Audition.CurPitch.load(), 50);  // Note does not step

  struct Case {
    int32_t samplerPort, samplerChannel;
    std::vector<std::string> dev0, dev1;
  };
  const Case cases[] = {
      {0, 0, {"90 24 2F", "80 24 2F"}, {}},
      {0, 2, {"90 24 2F", "92 24 2F", "80 24 2F", "82 24 2F"}, {}},
      {1, 0, {"90 24 2F", "80 24 2F"}, {"90 24 2F", "80 24 2F"}},
  };
  for (const Case& c : cases) {
    ResetSampleAid();
    SampleAid.SamplerPort = c.samplerPort;
    SampleAid.SamplerChannel = c.samplerChannel;
    ClearSent();
    ASSERT_TRUE(SampleAidStart(SaStep));
    Ticks(600);
    EXPECT_EQ(SentHex(0), c.dev0) << c.samplerPort << c.samplerChannel;
    EXPECT_EQ(SentHex(1), c.dev1) << c.samplerPort << c.samplerChannel;
    EXPECT_EQ(SampleAid.Sample.CurPitch.load(), 39);  // Step moves on by one
  }
}

TEST_F(SampleAidTest, ProgramAndBankGoOutInTheMethodsOrder) {
  RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  const std::pair<int32_t, std::vector<std::string>> cases[] = {
      {1, {"C3 14"}},
      {2, {"B3 00 07", "B3 20 0A", "C3 14"}},
      {5, {"C3 0A", "C3 14"}},
  };
  for (const auto& [method, hex] : cases) {
    ClearSent();
    EXPECT_TRUE(SampleAidSendProgBank(1, 3, 20, 10, 7, method));
    EXPECT_EQ(SentHex(1), hex) << method;
  }
}

TEST_F(SampleAidTest, ARefusedNoteOnEndsTheActionAtOnce) {
  RunCtl.ProgState = TProgState::Config;
  EXPECT_FALSE(SampleAidStart(SaPlay));
  EXPECT_FALSE(SampleAidBusy());
  EXPECT_EQ(SampleAid.StopReq.load(), 1);
  EXPECT_EQ(SampleAid.ReqStepFocus[0].load(), 1);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(
      rec.boxes[0].text,
      "Vellorine must be running to send MIDI notes\r\n\r\nClick the Run button or click 'Action, Run'");
  RunCtl.ProgState = TProgState::Running;
  // A refused note-off (the port gone) ends the action too, with no note left marked sounding: a
  // note that cannot be reached would refuse every new action and the window's close for good.
  SampleAid.Sample.NoteLen = 1;
  ASSERT_TRUE(SampleAidStart(SaPlay));
  const int32_t ports = RunCtl.OutPortsAllocated;
  RunCtl.OutPortsAllocated = -1;
  Ticks(3);
  RunCtl.OutPortsAllocated = ports;
  EXPECT_FALSE(SampleAid.NoteSounding.load());
  EXPECT_FALSE(SampleAidBusy());
  EXPECT_EQ(SampleAid.StopReq.load(), 1);
}

TEST_F(SampleAidTest, ARefusedFirstNoteShowsItsBoxOnceTheLockIsLetGo) {
  // The box waits for the user; the timer and the keys must not wait with it.
  std::vector<bool> lockedAtBox;
  const auto record = Ui().MessageBox;
  Ui().MessageBox = [&lockedAtBox, record](const std::string& text, const std::string& caption, MsgKind kind,
                                           MsgButtons buttons) {
    lockedAtBox.push_back(EngineLock.HeldByMe());
    return record(text, caption, kind, buttons);
  };
  RunCtl.ProgState = TProgState::Config;
  EXPECT_FALSE(SampleAidStart(SaNote));
  RunCtl.ProgState = TProgState::Running;
  const int32_t ports = RunCtl.OutPortsAllocated;
  RunCtl.OutPortsAllocated = -1;
  EXPECT_FALSE(SampleAidStart(SaNote + kSampleAidAuditionBase));
  RunCtl.OutPortsAllocated = ports;
  EXPECT_EQ(lockedAtBox, (std::vector<bool>{false, false}));
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(
      rec.boxes[1].text,
      "Unable to send MIDI - no output ports allocated\r\n\r\nClick 'Settings, Ports' to allocate ports");
}

TEST_F(SampleAidTest, NoActionStartsWhileTheWindowIsClosed) {
  // Nothing ticks a note to its end then: a click that reaches a button of the closed window (the
  // mouse released after the window shut) would leave its note sounding.
  Showing.SampleAidShowing = 0;
  ClearSent();
  EXPECT_FALSE(SampleAidStart(SaNote + kSampleAidAuditionBase));
  EXPECT_FALSE(SampleAid.NoteSounding.load());
  EXPECT_FALSE(SampleAidBusy());
  EXPECT_TRUE(SentHex(0).empty());
}

TEST_F(SampleAidTest, TheStopWaitLetsTheTickEndTheNoteOrEndsItItselfAndRefusesNewActions) {
  for (const bool ticking : {true, false}) {
    int pumps = 0;
    bool refused = true;
    Ui().ProcessEvents = [&] {
      ++pumps;
      refused = refused && !SampleAidStart(SaNote);
      if (ticking) Ticks(1);
    };
    ResetSampleAid();
    SampleAid.Audition.NoteLen = 1000;
    ClearSent();
    ASSERT_TRUE(SampleAidStart(SaPlay + kSampleAidAuditionBase));
    if (ticking) {
      WaitForSampleAid();
    } else {
      WaitForSampleAid(0);
    }
    EXPECT_EQ(SentHex(0), (std::vector<std::string>{"90 24 2F", "80 24 2F"})) << ticking;
    EXPECT_FALSE(SampleAid.NoteSounding.load()) << ticking;
    EXPECT_EQ(pumps, ticking ? 1 : 50) << ticking;
    EXPECT_TRUE(refused) << ticking;
    Ticks(5);
    EXPECT_FALSE(SampleAidBusy()) << ticking;
  }
}

TEST(SampleAidGrid, StepsSnapsAndClampsStayOnTheWalksGrid) {
  // first, last, step, value: the walk's next and previous points
  EXPECT_EQ(StepTowardLast(84, 36, 12, 48), 36);
  EXPECT_EQ(StepTowardLast(84, 36, 12, 36), 36);
  EXPECT_EQ(StepTowardLast(36, 40, 3, 39), 39);
  EXPECT_EQ(StepTowardFirst(36, 60, 3, 36), 36);
  EXPECT_EQ(StepTowardFirst(84, 36, 12, 72), 84);
  struct Case {
    int32_t first, last, current, step;
    bool outward;
    int32_t want;
  };
  const Case cases[] = {
      {36, 60, 40, 3, false, 39}, {36, 60, 40, 3, true, 42},   {36, 60, 20, 3, true, 36},
      {36, 60, 70, 3, false, 60}, {84, 36, 50, 12, false, 60}, {84, 36, 50, 12, true, 48},
      {84, 36, 90, 12, true, 84}, {84, 36, 30, 12, true, 36},  {120, 127, 127, 5, true, 125},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SampleAidClampCurrent(c.first, c.last, c.current, c.step, 0, 127, c.outward), c.want)
        << c.first << " " << c.last << " " << c.current << " " << c.outward;
  }
}

// The timer thread's part must not allocate: a counting sender stands in for the ports.
int32_t gFakeSends = 0;
bool FakeSender(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool, int32_t) {
  ++gFakeSends;
  return true;
}

TEST_F(SampleAidTest, TheTickDoesNotAllocate) {
  SetSampleAidSender(&FakeSender);
  SampleAid.Audition.NoteLen = 3;
  SampleAid.Audition.Gap = 2;
  ASSERT_TRUE(SampleAidStart(SaPlay + kSampleAidAuditionBase));
  gFakeSends = 0;
  std::lock_guard lock(EngineLock);
  EXPECT_EQ(test::CountNews([] {
              for (int i = 0; i < 500; ++i) SampleAidTick(1);
            }),
            0);
  EXPECT_EQ(gFakeSends, 200);
  SampleAidAbort();
  SampleAidTick(1);
  SampleAidTick(1);
}

TEST_F(SampleAidTest, ARefusalOnTheTimerThreadWarnsWithoutAllocating) {
  struct Case {
    const char* what;
    int32_t port;
    TProgState state;
    const char* warning;
  };
  const Case cases[] = {
      {"the port lost its device", 2, TProgState::Running, "Unable to send MIDI - no output ports allocated"},
      {"the engine stopped", 0, TProgState::Config, "Vellorine must be running to send MIDI notes"},
  };
  for (const Case& c : cases) {
    ResetSampleAid();
    SampleAid.Audition.NoteLen = 2;
    SampleAid.Audition.Gap = 1;
    RunCtl.ProgState = TProgState::Running;
    ASSERT_TRUE(SampleAidStart(SaPlay + kSampleAidAuditionBase)) << c.what;
    Ticks(2);  // the note ends; the next waits for its gap
    SampleAid.AuditionOut.Port = c.port;
    RunCtl.PortDevIdx[2] = -1;
    RunCtl.ProgState = c.state;
    Msgs.WarnMsg.Clear();
    long news = -1;
    std::thread([&] {
      std::lock_guard lock(EngineLock);
      news = test::CountNews([] { SampleAidTick(1); });
    }).join();
    EXPECT_EQ(news, 0) << c.what;
    EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), c.warning) << c.what;
    EXPECT_TRUE(rec.boxes.empty()) << c.what;
    EXPECT_EQ(SampleAid.StopReq.load(), 1) << c.what;
  }
}

TEST_F(SampleAidTest, TicksOnTheTimerThreadRaceNothingWithTheWindowsEdits) {
  SetSampleAidSender(&FakeSender);
  std::atomic<bool> done{false};
  std::thread timer([&] {
    while (!done) {
      std::lock_guard lock(EngineLock);
      SampleAidTick(1);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    TSampleAidRange& r = SampleAid.Audition;
    r.FirstPitch = 36 + i % 5;
    r.LastPitch = 60;
    r.CurPitch = SampleAidClampCurrent(r.FirstPitch, r.LastPitch, r.CurPitch, 1, 0, 127, false);
    r.NoteLen = 1 + i % 3;
    SampleAid.AuditionOut.Port = i % 2;
    SampleAid.SamplerChannel = i % 16;
    if (i % 100 == 0) SampleAidStart(SaPlay + kSampleAidAuditionBase);
    if (i % 100 == 50) SampleAidAbort();
  }
  SampleAidAbort();
  while (SampleAidBusy()) std::this_thread::yield();
  done = true;
  timer.join();
  EXPECT_FALSE(SampleAid.NoteSounding.load());
}

}  // namespace
}  // namespace vel
