#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/Topics.h"
#include "base/Messages.h"
#include "base/UiRecorder.h"
#include "engine/EngineTestState.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/ViewTestState.h"

namespace vel {
namespace {

constexpr const char* kMustRun =
    "Qwerty key ignored - Vellorine must be running to process MIDI input\r\n"
    "Click the Run button, or click 'Action, Run'";

struct Input {
  int32_t port;
  uint32_t msg;
  bool operator==(const Input&) const = default;
};

class QwertyTest : public test::ViewEngineTest {
 protected:
  void SetUp() override {
    ViewEngineTest::SetUp();
    rec.Install();
    InputIo.MidiIn = [this](int32_t port, uint32_t msg, int32_t) { inputs.push_back({port, msg}); };
    for (auto* map : {&KeyMapCmd, &KeyMapRangeN})
      for (auto& code : *map) code = 255;
    KeyMapCmd[40] = CmdPlay;
    KeyMapCmd[41] = CmdPlay;
    KeyMapCmd[12] = CmdEsc;
    KeyMapRangeN[70] = Num3;
    KeyMapRangeN[30] = NumDec;
  }
  test::UiRecorder rec;
  std::vector<Input> inputs;
};

TEST_F(QwertyTest, KeysBecomeNotesOnTheKeyboardPort) {
  struct Case {
    const char* what;
    uint8_t vk;
    bool down;
    TProgState state;
    bool swallowed;
    std::vector<Input> sent;
    bool box;
  };
  const auto R = TProgState::Running;
  const auto C = TProgState::Config;
  const Case cases[] = {
      {"M plays note 60 by the raw rule", 'M', true, R, true, {{0, 0x017F3C90}}, false},
      {"backslash is the lowest note", kVkBackslash, true, R, true, {{0, 0x017F3090}}, false},
      {"a release while stopped still goes", 'M', false, C, true, {{0, 0x017F3C80}}, false},
      {"a press while stopped is refused", 'M', true, C, true, {}, true},
      {"P finds the first Play key", 'P', true, R, true, {{0, 0x017F2890}}, false},
      {"Esc finds the Esc key", kVkEscape, true, R, true, {{0, 0x017F0C90}}, false},
      {"digit 3 looks up RangeN", '3', true, R, true, {{0, 0x017F4690}}, false},
      {"minus looks up RangeN", kVkMinus, true, R, true, {{0, 0x017F1E90}}, false},
      {"a code no key carries is swallowed", '4', true, R, true, {}, false},
      {"Tab is not one of its keys", 9, true, C, false, {}, false},
      {"F5 is not one of its keys", 116, true, C, false, {}, false},
      {"Y is not one of its keys", 'Y', true, R, false, {}, false},
  };
  for (const Case& c : cases) {
    inputs.clear();
    rec.boxes.clear();
    RunCtl.ProgState = c.state;
    EXPECT_EQ(QwertyKeyToMidi(c.vk, c.down), c.swallowed) << c.what;
    EXPECT_EQ(inputs, c.sent) << c.what;
    ASSERT_EQ(rec.boxes.size(), c.box ? 1u : 0u) << c.what;
    if (c.box) {
      EXPECT_EQ(rec.boxes[0].text, kMustRun);
    }
  }
}

TEST_F(QwertyTest, RawPortOnlyForASecondInputThatIsNotAuxiliary) {
  struct Case {
    bool raw;
    int8_t inputs;
    bool aux;
    int32_t port;
  };
  const Case cases[] = {{true, 1, false, 1}, {true, 1, true, 0}, {true, 0, false, 0}, {false, 1, false, 0}};
  for (const Case& c : cases) {
    inputs.clear();
    Cfg.QwertyRawPort = c.raw;
    Cfg.TemplateRawPort = c.raw;
    RunCtl.InPortsAllocated = c.inputs;
    Cfg.AuxInPortReqd = c.aux;
    QwertyKeyToMidi('M', true);
    VKbdMouseToMidi(2, 64, 100, true);
    EXPECT_EQ(inputs, (std::vector<Input>{{c.port, 0x017F3C90}, {c.port, 0x01644092}})) << c.raw << c.aux;
  }
}

class SendTestMidiTest : public test::ViewEngineTest {
 protected:
  void SetUp() override {
    ViewEngineTest::SetUp();
    rec.Install();
    RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  }
  test::UiRecorder rec;
};

TEST_F(SendTestMidiTest, BankMethodsAndNotesGoStraightToThePortsDevice) {
  struct Case {
    int32_t method;
    int32_t program;
    int32_t note;
    bool noteOn;
    std::vector<std::string> hex;
  };
  const Case cases[] = {
      {1, 20, -1, false, {"C3 14"}},
      {2, 20, -1, false, {"B3 00 07", "B3 20 0A", "C3 14"}},
      {3, 20, -1, false, {"B3 00 07", "C3 14"}},
      {4, 20, -1, false, {"B3 20 0A", "C3 14"}},
      {5, 20, -1, false, {"C3 0A", "C3 14"}},
      {1, -1, 60, true, {"93 3C 64"}},
      {1, -1, 60, false, {"83 3C 64"}},
  };
  for (const Case& c : cases) {
    ClearSent();
    EXPECT_TRUE(SendTestMidi(1, 3, c.method, 7, 10, c.program, c.note, c.noteOn, 100)) << c.method;
    EXPECT_EQ(SentHex(1), c.hex) << c.method;
  }
  EXPECT_TRUE(SentHex(0).empty());
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(SendTestMidiTest, OffTheGuiThreadARefusalGoesToTheWarningSlotNotABox) {
  Msgs.WarnMsg.Clear();
  bool sent = true;
  std::thread([&] { sent = SendTestMidi(3, 0, 1, 0, 0, -1, 60, true, 100); }).join();
  EXPECT_FALSE(sent);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Unable to send MIDI - no output ports allocated");
}

TEST_F(SendTestMidiTest, RefusalsSayWhyAndSendNothing) {
  const std::string noPorts =
      "Unable to send MIDI - no output ports allocated\r\n\r\nClick 'Settings, Ports' to allocate ports";
  const std::string notesNeedRun =
      "Vellorine must be running to send MIDI notes\r\n\r\nClick the Run button or click 'Action, Run'";
  const std::string progsNeedRun =
      "Vellorine must be running to send MIDI prog changes\r\n\r\nClick the Run button or click 'Action, "
      "Run'";
  const std::string progsOff =
      "Unable to send prog change as prog changes are disabled for this port\r\n\r\n"
      "If you want to enable these, select a valid Prog no. on main screen,\r\n"
      "then click the Run button or click 'Action, Run'";
  struct Case {
    const char* what;
    int32_t port;
    bool running;
    int32_t program;
    bool noteOn;
    std::string box;
  };
  const Case cases[] = {
      {"beyond the allocated ports", 3, true, -1, true, noPorts},
      {"a port without a device", 2, true, -1, true, noPorts},
      {"a note-off to no port, quietly", 2, true, -1, false, ""},
      {"a program change to no port", 2, true, 5, false, noPorts},
      {"a note-on while stopped", 1, false, -1, true, notesNeedRun},
      {"a note-off while stopped, quietly", 1, false, -1, false, ""},
      {"a program change while stopped", 1, false, 5, false, progsNeedRun},
      {"a program change while stopped, changes off", 0, false, 5, false, progsOff},
  };
  RunCtl.PortDevIdx[2] = -1;
  for (const Case& c : cases) {
    rec.boxes.clear();
    RunCtl.ProgState = c.running ? TProgState::Running : TProgState::Config;
    EXPECT_FALSE(SendTestMidi(c.port, 0, 1, 0, 0, c.program, c.program < 0 ? 60 : -1, c.noteOn, 100))
        << c.what;
    ASSERT_EQ(rec.boxes.size(), c.box.empty() ? 0u : 1u) << c.what;
    if (!c.box.empty()) {
      EXPECT_EQ(rec.boxes[0].text, c.box) << c.what;
    }
  }
  // Running, a port whose device takes no program changes: the status bar says so.
  RunCtl.ProgState = TProgState::Running;
  rec.boxes.clear();
  EXPECT_FALSE(SendTestMidi(0, 0, 1, 0, 0, 5, -1, false, 0));
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(),
            "Unable to send prog change as prog changes are disabled for this port");
  EXPECT_TRUE(rec.boxes.empty());
  for (int d = 0; d < 3; ++d) EXPECT_TRUE(SentHex(d).empty()) << d;
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

class WindowProcsTest : public test::ViewEngineTest {
 protected:
  void SetUp() override {
    ViewEngineTest::SetUp();
    rec.Install();
  }
  test::UiRecorder rec;
};

TEST_F(WindowProcsTest, ChannelMultiplierAppliesByPortAndChannel) {
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMin[1] = 2;
  Cfg.MChanMax[1] = 5;
  struct Case {
    int8_t port;
    int8_t chan;
    uint8_t applies;
  };
  for (const Case& c : {Case{1, 3, 1}, Case{1, 5, 1}, Case{1, 6, 0}, Case{1, 1, 0}, Case{0, 3, 0}}) {
    RunCtl.LivePort = c.port;
    Live.Chan[c.port] = c.chan;
    Seqs.PartBufs[1][2].PortPend = c.port;
    Seqs.PartBufs[1][2].ChanPend = c.chan;
    UpdateMChanApplies();
    EXPECT_EQ(Live.MChanApplies, c.applies) << int(c.port) << " " << int(c.chan);
    EXPECT_EQ(Seqs.PartBufs[1][2].MChanApplies, c.applies) << int(c.port) << " " << int(c.chan);
  }
}

TEST_F(WindowProcsTest, NoHotkeyWindowDisablesHotkeysUnlessTheyGoToTheActiveWindow) {
  struct Case {
    const char* name;
    uint8_t activeWin;
    uint8_t disabled;
  };
  for (const Case& c : {Case{"", 0, 1}, Case{"", 1, 0}, Case{"No window has this title 7f3e", 0, 1}}) {
    Cfg.HotkeysTargetWinName = c.name;
    Cfg.HotkeysTargetActiveWin = c.activeWin;
    Cfg.DisableHotkeys = 0;
    Topics.Clear();
    FindHotkeyTargetWindow();
    EXPECT_EQ(Cfg.DisableHotkeys, c.disabled) << c.name << int(c.activeWin);
    EXPECT_TRUE(Topics.Raised(TTopic::Behaviour));
  }
}

}  // namespace
}  // namespace vel
