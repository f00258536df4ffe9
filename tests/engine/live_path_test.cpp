// The live path: what is played goes to the live port fitted to the live settings, counted so
// that no note-off goes out alone; hotkeys become key strokes, in order, on the hotkey sender.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EnvScope.h"
#include "base/Messages.h"
#include "engine/EngineTestState.h"

namespace vel {
namespace {

using Hexes = std::vector<std::string>;

// What the hotkey sender did ("activate 42", "down 41", "up 41"), recorded from whichever thread
// it ran on.
std::mutex gStrokesMutex;
std::vector<std::string> gStrokes;
keys::WindowId gActive = 0;
bool gActivateOk = true;

void Record(const std::string& s) {
  std::lock_guard lock(gStrokesMutex);
  gStrokes.push_back(s);
}

std::vector<std::string> Strokes() {
  std::lock_guard lock(gStrokesMutex);
  return gStrokes;
}

class LivePathTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    {
      std::lock_guard lock(gStrokesMutex);
      gStrokes.clear();
    }
    gActive = 0;
    gActivateOk = true;
    HotkeyIo.SendKey = [](uint8_t key, bool down) {
      char text[16];
      std::snprintf(text, sizeof text, "%s %02X", down ? "down" : "up", key);
      Record(text);
      return true;
    };
    HotkeyIo.ActiveWindow = [] { return gActive; };
    HotkeyIo.Activate = [](keys::WindowId w) {
      Record("activate " + std::to_string(w));
      if (gActivateOk) gActive = w;
      return gActivateOk;
    };
    Cfg.DisableHotkeys = 0;
  }
};

TEST_F(LivePathTest, NotesTakeTheLiveChannelPitchAndScale) {
  Live.Chan[0] = 3;
  Live.Pitch = 2;
  ProcessLiveEvent(0x643C90);
  ProcessLiveEvent(0x003C80);
  Live.Pitch = 70;  // off the keyboard: silent, and counted as played
  ProcessLiveEvent(0x503C90);
  ProcessLiveEvent(0x003C80);
  EXPECT_EQ(SentHex(), (Hexes{"93 3E 64", "83 3E 00", "93 3C 00", "83 3C 00"}));

  // A scale table read at the pitch class from the root: note -11 has class 1.
  TScaleTbl tbl{};
  tbl[2] = 20;
  Live.ScaleMap = &tbl;
  Live.FtsRoot = 11;
  Live.Pitch = -12;
  ClearSent();
  ProcessLiveEvent(0x640190);
  EXPECT_EQ(SentHex(), Hexes{"93 09 64"});
}

TEST_F(LivePathTest, VelocityScaleZeroDropsNotesButNotControllers) {
  Live.Chan[0] = 1;
  Live.SVel = 9;
  ProcessLiveEvent(0x643C90);
  Live.SVel = 3;
  ProcessLiveEvent(0x643E90);
  Live.SVel = 0;
  ProcessLiveEvent(0x644090);
  ProcessLiveEvent(0x3040A0);
  ProcessLiveEvent(0x0030D0);
  ProcessLiveEvent(0x4000E0);
  ProcessLiveEvent(0x7F07B5);
  EXPECT_EQ(SentHex(), (Hexes{"91 3C 7F", "91 3E 3C", "B1 07 7F"}));
}

TEST_F(LivePathTest, VelocityScaleZeroStillEndsTheNotesThatSound) {
  // A sweep or a command may silence the live output while keys are held: the held notes must
  // still stop, and only they.
  ProcessLiveEvent(0x643C90);
  Live.SVel = 0;
  ProcessLiveEvent(0x643E90);  // dropped
  ProcessLiveEvent(0x003C80);  // C3 sounded: its note-off goes out
  ProcessLiveEvent(0x003E90);  // D3 never sounded: nothing
  ProcessLiveEvent(0x003C90);  // C3 no longer counted: nothing
  EXPECT_EQ(SentHex(), (Hexes{"90 3C 64", "80 3C 00"}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3C], 0);
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3E], 0);
}

TEST_F(LivePathTest, OtherChannelMessagesTakeTheLiveChannel) {
  Live.Chan[0] = 6;
  ProcessLiveEvent(0x3040A0);
  ProcessLiveEvent(0x0030D0);
  ProcessLiveEvent(0x4000E0);
  ProcessLiveEvent(0xF8);
  EXPECT_EQ(SentHex(), (Hexes{"A6 40 30", "D6 30", "E6 00 40"}));
  ProcessLiveEvent(0x12);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "AdjustLiveEvent error: Unexpected MEvStatusByte 12");
}

TEST_F(LivePathTest, ANoteOffWithoutItsNoteOnIsNotSent) {
  ProcessLiveEvent(0x003C80);
  ProcessLiveEvent(0x003C90);  // a note-on of velocity 0 is a note-off too
  EXPECT_TRUE(Sent().empty());
  ProcessLiveEvent(0x643C90);
  ProcessLiveEvent(0x003C90);
  ProcessLiveEvent(0x003C80);
  EXPECT_EQ(SentHex(), (Hexes{"90 3C 64", "90 3C 00"}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3C], 0);
  FlushLiveFifo();
  EXPECT_EQ(SentHex().size(), 2u);
}

TEST_F(LivePathTest, TheMultiplierPlaysOneNotePerChannelAndTheFlushSilencesEach) {
  Live.MChanApplies = 1;
  Cfg.MChanMin[0] = 1;
  Cfg.MChanMax[0] = 3;
  Cfg.MChanPitchOffset[0][2] = 7;
  Cfg.MChanPitchOffset[0][3] = 12;
  Live.SVel = 6;
  ProcessLiveEvent(0x503C90);
  EXPECT_EQ(SentHex(), (Hexes{"91 3C 60", "92 43 60", "93 48 60"}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[2][0x43], 1);
  ProcessLiveEvent(0x2000E0);  // pitch bend goes to every channel unchanged
  ClearSent();
  FlushLiveFifo();
  EXPECT_EQ(SentHex(), (Hexes{"81 3C 00", "82 43 00", "83 48 00"}));
}

TEST_F(LivePathTest, EachMultiplierCopyStartsFromTheIncomingVelocity) {
  Live.MChanApplies = 1;
  Cfg.MChanMin[0] = 0;
  Cfg.MChanMax[0] = 2;
  Cfg.MChanPitchOffset[0][1] = 100;
  ProcessLiveEvent(0x503C90);
  EXPECT_EQ(SentHex(), (Hexes{"90 3C 50", "91 3C 00", "92 3C 50"}));
}

TEST_F(LivePathTest, AFailedMultiplierSendIsPosted) {
  Trace.DiagFlags = 1;
  Live.MChanApplies = 1;
  RunCtl.MidiOutDevs[0].Handle = midi::kInvalidHandle;
  ProcessLiveEvent(0x503C90);
  std::string line;
  ASSERT_TRUE(ReadDiagMsgsFifo(line));
  EXPECT_EQ(line, "midiOut res: 5");
}

TEST_F(LivePathTest, ProgramChangesNeedTheDeviceAndKeepTheirChannel) {
  Live.Chan[0] = 4;
  ProcessLiveEvent(0x11C2);
  EXPECT_TRUE(Sent().empty());
  RunCtl.MidiOutDevs[0].ProgChangesEnabled = 1;
  ProcessLiveEvent(0x11C2);
  EXPECT_EQ(SentHex(), Hexes{"C2 11"});
  EXPECT_EQ(PlayCycle.PortChanProgs[0][2].ProgReq, 0x11);
  EXPECT_EQ(PlayCycle.PortChanProgs[0][2].ProgSent, 0x11);

  PlayCycle.PortChanProgs[0][4] = {9, 3, 0, 0};
  MarkLiveProgsSent();
  EXPECT_EQ(PlayCycle.PortChanProgs[0][4].ProgSent, 9);
  EXPECT_EQ(PlayCycle.PortChanProgs[0][4].ProgSentValid, 1);

  QueueProgChange(5, 0x21);
  EXPECT_EQ(ReadLiveFifo(), 0x21C5u);
}

TEST_F(LivePathTest, WithoutALivePortNothingIsPlayedButHotkeysWork) {
  RunCtl.LivePort = -1;
  Cfg.HotkeysTargetActiveWin = 1;
  ProcessLiveEvent(0x643C90);
  ProcessLiveEvent(0x7F07B0);
  ProcessLiveEvent(0x804190);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3C], 0);
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 1);
  EXPECT_EQ(Strokes(), std::vector<std::string>{"down 41"});
}

TEST_F(LivePathTest, HotkeysGoToTheTargetWindowInOrder) {
  Live.HotkeyTargetWnd = 42;
  gActive = 7;
  ProcessLiveEvent(0x801090);  // shift down
  ProcessLiveEvent(0x804190);  // a down
  ProcessLiveEvent(0x804180);  // a up
  ProcessLiveEvent(0x001080);  // not a hotkey: an unmatched note-off, dropped
  ProcessLiveEvent(0x801080);  // shift up
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 4);
  EXPECT_EQ(Strokes(), (std::vector<std::string>{"activate 42", "down 10", "down 41", "up 41", "up 10"}));
  EXPECT_EQ(Live.InLightHotkey, 1);
}

TEST_F(LivePathTest, AHotkeyWhoseWindowCannotBeBroughtForwardIsDropped) {
  Live.HotkeyTargetWnd = 42;
  gActivateOk = false;
  ProcessLiveEvent(0x804190);
  RunQueuedHotkeyStrokes();
  EXPECT_EQ(Strokes(), std::vector<std::string>{"activate 42"});
}

TEST_F(LivePathTest, DisabledHotkeysSendNothingAndSayWhy) {
  Cfg.DisableHotkeys = 1;
  Cfg.HotkeysTargetActiveWin = 1;
  ProcessLiveEvent(0x804190);
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 0);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Hotkey operation is disabled; see Settings, Behaviour");
}

TEST_F(LivePathTest, TheHotkeySenderThreadSendsQueuedStrokesInOrder) {
  Cfg.HotkeysTargetActiveWin = 1;
  StartHotkeySender();
  for (uint32_t key = 0x41; key <= 0x45; ++key) {
    ProcessLiveEvent(0x800090 | key << 8);
    ProcessLiveEvent(0x800080 | key << 8);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Strokes().size() < 10 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  StopHotkeySender();
  EXPECT_EQ(Strokes(), (std::vector<std::string>{"down 41", "up 41", "down 42", "up 42", "down 43", "up 43",
                                                 "down 44", "up 44", "down 45", "up 45"}));
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 0);
}

TEST_F(LivePathTest, WithoutADisplayHotkeysGoNowhereQuietly) {
  // The real key layer, with no X display to talk to.
  HotkeyIo = THotkeyIo{};
  const test::TEnvScope noDisplay("DISPLAY", nullptr);
  keys::Close();
  Live.HotkeyTargetWnd = 42;
  ProcessLiveEvent(0x804190);
  Cfg.HotkeysTargetActiveWin = 1;
  ProcessLiveEvent(0x804180);
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 2);
  EXPECT_FALSE(keys::Available());
  EXPECT_STREQ(keys::UnavailableReason(), "no X display");
  EXPECT_TRUE(Sent().empty());
  keys::Close();
}

TEST_F(LivePathTest, LightsAndTheNoteDisplayFollowWhatIsPlayed) {
  Cfg.KinetraceDecay = 4;
  ProcessLiveEvent(0x643C91);
  EXPECT_EQ(Live.InLightNote, 1);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][0x3C].Vel, 0x64);
  ProcessLiveEvent(0x003C81);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][0x3C].Tail, 1000);
  ProcessLiveEvent(0x5540B0);
  EXPECT_EQ(Live.InLightOther, 1);
  EXPECT_EQ(PlayCycle.SustainVals[0], 0x55);
  ResetNoteOnCounts();
  EXPECT_EQ(PlayCycle.SustainVals[0], 0);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][0x3C].Tail, 0);
  EXPECT_EQ(PlayCycle.NoteOnCountsScroll, 49);
  EXPECT_EQ(PlayCycle.KinetraceDirty, 1);
}

TEST_F(LivePathTest, WithLocalControlOffNothingGoesOut) {
  PlayCycle.LocalControlOn = 0;
  ProcessLiveEvent(0x643C90);
  ProcessLiveEvent(0x7F07B0);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace vel
