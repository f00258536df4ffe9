#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/Topics.h"
#include "base/Showing.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyTokens.h"
#include "keys/HotkeyStrokes.h"
#include "keys/KeyPathTestState.h"
#include "keys/LiveKeys.h"

namespace vel {
namespace {

using test::FromVKbd;
using test::KeyPathTest;
using test::NoteOff;
using test::NoteOn;
using test::TakeLiveFifo;

constexpr uint32_t Hk(uint32_t status, uint32_t vk) {
  return midi::TShortMsg::Pack(status, vk, 128).Raw;
}

// The stroke a keyword suffix names, read from the name alone: modifiers as their prefix says, the
// key by its name.
THotkeyStroke StrokeNamed(std::string name) {
  THotkeyStroke s;
  const std::pair<const char*, std::pair<uint8_t, uint8_t>> prefixes[] = {
      {"CtrlShift", {kVkCtrl, kVkShift}},
      {"CtrlAlt", {kVkCtrl, kVkAlt}},
      {"AltShift", {kVkAlt, kVkShift}},
      {"Ctrl", {kVkCtrl, 0}},
      {"Alt", {kVkAlt, 0}},
      {"Shift", {kVkShift, 0}},
  };
  for (const auto& [prefix, mods] : prefixes) {
    if (name.rfind(prefix, 0) == 0 && name.size() > std::string(prefix).size()) {
      s.Mod1 = mods.first;
      s.Mod2 = mods.second;
      name = name.substr(std::string(prefix).size());
      break;
    }
  }
  const std::map<std::string, uint8_t> keys = {
      {"CR", 0x0D},      {"Esc", 0x1B},      {"Left", 0x25},      {"Right", 0x27},
      {"Up", 0x26},      {"Down", 0x28},     {"PageUp", 0x21},    {"PageDown", 0x22},
      {"Add", 0x6B},     {"Subtract", 0x6D}, {"Multiply", 0x6A},  {"Divide", 0x6F},
      {"Decimal", 0x6E}, {"Space", 0x20},    {"BackSpace", 0x08}, {"Tab", 0x09},
  };
  if (keys.count(name)) {
    s.Key = keys.at(name);
  } else if (name.size() == 1) {
    s.Key = static_cast<uint8_t>(name[0]);  // letters and digits are their own codes
  } else if (name[0] == 'F') {
    s.Key = static_cast<uint8_t>(0x6F + std::stoi(name.substr(1)));
  }
  return s;
}

TEST(HotkeyStrokes, EveryStrokeIsTheOneItsKeywordNames) {
  ASSERT_EQ(HotkeySuffixes().size(), static_cast<std::size_t>(HotkeyCount));
  for (int i = 0; i < HotkeyCount; ++i) {
    SCOPED_TRACE(HotkeySuffixes()[i]);
    const THotkeyStroke want = StrokeNamed(HotkeySuffixes()[i]);
    ASSERT_NE(want.Key, 0);
    EXPECT_EQ(HotkeyStrokes[i].Mod1, want.Mod1);
    EXPECT_EQ(HotkeyStrokes[i].Mod2, want.Mod2);
    EXPECT_EQ(HotkeyStrokes[i].Key, want.Key);
  }
}

class LiveKeysTest : public KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    Cfg.DisableHotkeys = 0;
    Cfg.HotkeysTargetActiveWin = 0;
    SetKey(MapLive, 60, LiveCmd);
    SetKey(MapLive, 61, LiveRecStop);
    SetKey(MapLive, 62, LiveN);
    SetKey(MapLive, 63, LiveHKCtrlShiftB);
    SetKey(MapLive, 64, 3);
    SetKey(MapLive, 65, KeyModeInfo(MtLive).IgnoreCode);
  }
};

const std::vector<uint32_t> kCtrlShiftB = {Hk(0x90, 0xA2), Hk(0x90, 0xA0), Hk(0x90, 0x42),
                                           Hk(0x80, 0x42), Hk(0x80, 0xA0), Hk(0x80, 0xA2)};

TEST_F(LiveKeysTest, AStrokeKeyWritesItsWholeStrokeAndItsNoteOffGoesOnPlain) {
  Press(63);
  EXPECT_EQ(TakeLiveFifo(), kCtrlShiftB);
  Release(63);
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(63)});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

TEST_F(LiveKeysTest, AStrokeThatDoesNotFitWhollyIsDroppedWhole) {
  {
    std::lock_guard lock(EngineLock);
    for (int i = 0; i < LiveFifo.kMaxFill - 5; ++i) WriteLiveFifo(NoteOn(40));
  }
  Press(63);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "LiveFifo overflow; data discarded");
  std::lock_guard lock(LiveFifo.Mutex);
  EXPECT_EQ(LiveFifo.Count, LiveFifo.kMaxFill - 5);
}

TEST_F(LiveKeysTest, NotesCommandAndOtherKeys) {
  struct Case {
    const char* name;
    uint32_t msg;
    std::vector<uint32_t> live;
    TKeyMode mode;
  };
  const Case cases[] = {
      {"live note on", NoteOn(62, 90, 3), {NoteOn(62, 90, 3)}, TKeyMode::Live},
      {"live note off", NoteOff(62, 64, 3), {NoteOff(62, 64, 3)}, TKeyMode::Live},
      {"command", NoteOn(60), {}, TKeyMode::Command},
      {"command off", NoteOff(60), {NoteOff(60)}, TKeyMode::Live},
      {"record/stop off", NoteOff(61), {NoteOff(61)}, TKeyMode::Live},
      {"code 3", NoteOn(64), {}, TKeyMode::Live},
      {"code 3 off", NoteOff(64), {NoteOff(64)}, TKeyMode::Live},
      {"ignore", NoteOn(65), {}, TKeyMode::Live},
      {"ignore off", NoteOff(65), {NoteOff(65)}, TKeyMode::Live},
      {"virtual keyboard note", FromVKbd(NoteOn(62)), {FromVKbd(NoteOn(62))}, TKeyMode::Live},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Keys.KeyMode = TKeyMode::Live;
    Live.Selected = 1;
    SeqBuf(0).Selected = 1;
    Key(c.msg);
    EXPECT_EQ(TakeLiveFifo(), c.live);
    EXPECT_EQ(Mode(), c.mode);
    // Command mode starts with nothing selected.
    if (c.mode == TKeyMode::Command) {
      EXPECT_EQ(Live.Selected, 0);
      EXPECT_EQ(SeqBuf(0).Selected, 0);
    }
  }
}

TEST_F(LiveKeysTest, HotkeysDisabledOrFromTheVirtualKeyboardToTheActiveWindowAreRefused) {
  struct Case {
    const char* name;
    uint8_t disabled, activeWin;
    bool vkbd;
    std::string warning;
    bool sent;
  };
  const Case cases[] = {
      {"disabled", 1, 0, false, "Hotkey operation is disabled; see Settings, Behaviour", false},
      {"disabled, virtual keyboard", 1, 1, true, "Hotkey operation is disabled; see Settings, Behaviour",
       false},
      {"virtual keyboard, active window", 0, 1, true,
       "@Cannot use virtual keyboard to send hotkeys to active window", false},
      {"virtual keyboard, named window", 0, 0, true, "", true},
      {"device, active window", 0, 1, false, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Cfg.DisableHotkeys = c.disabled;
    Cfg.HotkeysTargetActiveWin = c.activeWin;
    Msgs.WarnMsg.Clear();
    Key(c.vkbd ? FromVKbd(NoteOn(63)) : NoteOn(63));
    EXPECT_EQ(Msgs.WarnMsg.Peek(), c.warning);
    EXPECT_EQ(TakeLiveFifo(), c.sent ? kCtrlShiftB : std::vector<uint32_t>{});
  }
}

TEST_F(LiveKeysTest, TheVirtualKeyboardAdviceIsPostedOncePerRunWhileDiagnosticsAreOn) {
  const std::string advice =
      "Cannot use virtual keyboard to send hotkeys to active window\r\n"
      "The virtual keyboard window will always be active if you use it\r\n"
      "Either use a nominated window or issue hotkeys from seqs or external input devices";
  auto posts = [] {
    std::vector<std::string> out;
    std::string text;
    while (ReadDiagMsgsFifo(text)) out.push_back(text);
    return out;
  };
  RefuseVKbdHotkey();
  EXPECT_TRUE(posts().empty());
  EXPECT_EQ(Args.VKbdHotkeyAdviceShown, 0);
  Trace.DiagFlags = 1;
  RefuseVKbdHotkey();
  RefuseVKbdHotkey();
  EXPECT_EQ(posts(), std::vector<std::string>{advice});
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Cannot use virtual keyboard to send hotkeys to active window");
}

TEST_F(LiveKeysTest, RecordStopKeyRecordsIntoAStoppedSeqAndStopsAPlayingOne) {
  struct Case {
    const char* name;
    int32_t recStopSeqNo;
    int selected;  // -1 none
    uint8_t currToDef, immStop;
    TSeqState before;
    TSeqState after;
    int32_t recStopSeqNoAfter;
    std::string status;
    TKeyMode mode;
    uint8_t behaviourRefresh, endCycleNow;
  };
  const TSeqState P = TSeqState::Playing, S = TSeqState::Stopped, SP = TSeqState::StopPrimed,
                  RP = TSeqState::RecPrimed;
  const Case cases[] = {
      {"default seq records", 2, -1, 0, 0, S, RP, 2, "", TKeyMode::Record, 0, 0},
      {"default seq stops at its end", 2, -1, 0, 0, P, SP, 2, "Stop", TKeyMode::Live, 0, 0},
      {"default seq stops now", 2, -1, 0, 1, P, SP, 2, "Stop", TKeyMode::Live, 0, 1},
      {"muted seq stops too", 2, -1, 0, 0, TSeqState::PlayMuted, SP, 2, "Stop", TKeyMode::Live, 0, 0},
      {"selected seq, default kept", 2, 0, 0, 0, S, RP, 2, "", TKeyMode::Record, 0, 0},
      {"selected seq becomes default", 2, 0, 1, 0, S, RP, 0, "", TKeyMode::Record, 1, 0},
      {"no default, nothing selected", -1, -1, 0, 0, S, S, -1, "", TKeyMode::Live, 0, 0},
      {"no default, selected seq", -1, 0, 1, 0, S, RP, -1, "", TKeyMode::Record, 0, 0},
      {"default beyond the seqs in use", 3, -1, 0, 0, S, S, 3, "", TKeyMode::Live, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Cfg.MaxActiveSeqs = 2;
    Cfg.RecStopSeqNo = c.recStopSeqNo;
    Cfg.RecStopCurrToDef = c.currToDef;
    Cfg.RecStopImmStop = c.immStop;
    Keys.KeyMode = TKeyMode::Live;
    Msgs.StatusMsg.Clear();
    Topics.Clear();
    Transport.RecFromLiveKey = 0;
    Live.Selected = 1;
    for (int s = 0; s < kSeqs; ++s) {
      TPartBuf& b = SeqBuf(s);
      ClearPartBuf(0, s);
      Fill(0, s, {{0, NoteOn(40)}, {100, NoteOff(40)}});
      b.SeqState = c.before;
      b.Selected = s == c.selected;
      b.EndCycleNow = 0;
    }
    Press(61);
    const int target = c.selected >= 0 ? c.selected : c.recStopSeqNo;
    if (target >= 0 && target <= 2) {
      EXPECT_EQ(SeqBuf(target).SeqState, c.after);
      EXPECT_EQ(SeqBuf(target).EndCycleNow, c.endCycleNow);
    } else {
      for (int s = 0; s < kSeqs; ++s) EXPECT_EQ(SeqBuf(s).SeqState, c.before);
    }
    EXPECT_EQ(Cfg.RecStopSeqNo, c.recStopSeqNoAfter);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Mode(), c.mode);
    EXPECT_EQ(Topics.Raised(TTopic::Behaviour), c.behaviourRefresh != 0);
    EXPECT_EQ(Live.Selected, 0);
    EXPECT_EQ(Transport.RecFromLiveKey, c.mode == TKeyMode::Record ? 1 : 0);
    if (c.mode == TKeyMode::Record) {
      EXPECT_EQ(Seqs.SavedSeqSelection[target], 1);
    }
    TakeLiveFifo();
  }
}

class HotkeyModeTest : public LiveKeysTest {
 protected:
  void SetUp() override {
    LiveKeysTest::SetUp();
    SetKey(MapHotkey, 48, HotkeyEsc);
    SetKey(MapHotkey, 49, HotkeyLiveN);
    SetKey(MapHotkey, 50, HotkeyHold);
    SetKey(MapHotkey, 51, HotkeyHoldOff);
    SetKey(MapHotkey, 52, HotkeyHoldTog);
    SetKey(MapHotkey, 60, HKCtrlA);
    SetKey(MapHotkey, 61, HKCR);
    SetKey(MapHotkey, 62, HKAltShiftF12);
    Keys.KeyMode = TKeyMode::Hotkey;
  }
};

TEST_F(HotkeyModeTest, OneStrokeWithoutHoldThenLiveModeAndTheLabelInTheStatus) {
  Press(60);
  EXPECT_EQ(TakeLiveFifo(),
            (std::vector<uint32_t>{Hk(0x90, 0xA2), Hk(0x90, 0x41), Hk(0x80, 0x41), Hk(0x80, 0xA2)}));
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Hotkey 'c+ A'");
  EXPECT_EQ(Mode(), TKeyMode::Live);
  // Its note-off is the router's: on to LiveFifo in any mode.
  Release(60);
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(60)});
}

TEST_F(HotkeyModeTest, WithHoldSeveralStrokesFollowUntilEsc) {
  Press(50);
  EXPECT_EQ(Keys.KeyHold.load(), 1);
  Press(61);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Hotkey 'cr'");
  Press(62);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Hotkey 'as+ F12'");
  EXPECT_EQ(TakeLiveFifo(),
            (std::vector<uint32_t>{Hk(0x90, 0x0D), Hk(0x80, 0x0D), Hk(0x90, 0xA4), Hk(0x90, 0xA0),
                                   Hk(0x90, 0x7B), Hk(0x80, 0x7B), Hk(0x80, 0xA0), Hk(0x80, 0xA4)}));
  EXPECT_EQ(Mode(), TKeyMode::Hotkey);
  Press(49);
  EXPECT_EQ(Mode(), TKeyMode::Hotkey);
  Press(52);
  EXPECT_EQ(Keys.KeyHold.load(), 0);
  Press(52);
  EXPECT_EQ(Keys.KeyHold.load(), 1);
  Press(51);
  EXPECT_EQ(Keys.KeyHold.load(), 0);
  EXPECT_EQ(Mode(), TKeyMode::Hotkey);
  Press(50);
  Press(48);
  EXPECT_EQ(Mode(), TKeyMode::Live);
  EXPECT_EQ(Keys.KeyHold.load(), 0);
  EXPECT_TRUE(TakeLiveFifo().empty());
}

TEST_F(HotkeyModeTest, ARefusedOrDroppedStrokeShowsNoStatusAndStillEndsTheMode) {
  Cfg.DisableHotkeys = 1;
  Press(60);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Hotkey operation is disabled; see Settings, Behaviour");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Mode(), TKeyMode::Live);

  Cfg.DisableHotkeys = 0;
  Cfg.HotkeysTargetActiveWin = 1;
  Keys.KeyMode = TKeyMode::Hotkey;
  Key(FromVKbd(NoteOn(60)));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Cannot use virtual keyboard to send hotkeys to active window");
  EXPECT_EQ(Mode(), TKeyMode::Live);

  // A stroke the full queue cannot take whole is not reported as sent.
  {
    std::lock_guard lock(EngineLock);
    for (int i = 0; i < LiveFifo.kMaxFill - 1; ++i) WriteLiveFifo(NoteOn(40));
  }
  Cfg.HotkeysTargetActiveWin = 0;
  Keys.KeyMode = TKeyMode::Hotkey;
  Press(60);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "LiveFifo overflow; data discarded");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Mode(), TKeyMode::Live);
  EXPECT_TRUE(TakeLiveFifo().size() == static_cast<std::size_t>(LiveFifo.kMaxFill - 1));
}

}  // namespace
}  // namespace vel
