#include "base/Messages.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "base/DiagLog.h"
#include "base/General.h"
#include "base/ResetBaseState.h"
#include "base/Showing.h"
#include "base/UiRecorder.h"

namespace vel {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBaseState();
    ui.Install();
  }
  void TearDown() override { ResetBaseState(); }

  // What the log got, without its time stamp; fails on a line that has none.
  std::string Untimed(const std::string& line) {
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d (.*)$)");
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, stamped)) << line;
    return m.size() > 1 ? m[1].str() : line;
  }

  test::UiRecorder ui;
};

TEST_F(MessagesTest, MessageTextSetTakeAndClear) {
  EXPECT_TRUE(Msgs.StatusMsg.IsEmpty());
  Msgs.StatusMsg.Set("Play");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play");
  EXPECT_FALSE(Msgs.StatusMsg.IsEmpty());
  EXPECT_EQ(Msgs.StatusMsg.TakeAndClear(), "Play");
  EXPECT_TRUE(Msgs.StatusMsg.IsEmpty());
  EXPECT_EQ(Msgs.StatusMsg.TakeAndClear(), "");
  Msgs.StatusMsg.Set("Reset");
  Msgs.StatusMsg.Set("Mute");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Mute");
}

TEST_F(MessagesTest, MessageTextCutsAnOverlongText) {
  std::string text(MessageText::kCapacity + 40, 'w');
  Msgs.WarnMsg.Set(text);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), text.substr(0, MessageText::kCapacity));
}

TEST_F(MessagesTest, DesignErrorIsCountedRaisedAndLoggedWithDiagnosticsOn) {
  ReportDesignError("TickSeq-2 error: Unexpected SeqState");
  EXPECT_EQ(Msgs.ErrorCount, 1);
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: TickSeq-2 error: Unexpected SeqState");
  EXPECT_EQ(Msgs.StatusAlertPending, 1);
  EXPECT_TRUE(ui.log.empty());

  Trace.DiagFlags = 1;
  ReportDesignError("SetProgState error: Unexpected psState");
  EXPECT_EQ(Msgs.ErrorCount, 2);
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(Untimed(ui.log[0]), "Design error: SetProgState error: Unexpected psState");
  EXPECT_EQ(Msgs.WarningCount, 0);
}

TEST_F(MessagesTest, WarningWithLeadingAtIsShownAndCountedButNotLogged) {
  Trace.DiagFlags = 1;
  ReportWarning("@Tracks discarded; not enough seqs");
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Warning: Tracks discarded; not enough seqs");
  EXPECT_EQ(Msgs.StatusAlertPending, 1);
  EXPECT_EQ(Msgs.WarningCount, 1);
  EXPECT_TRUE(ui.log.empty());

  ReportWarning("LiveFifo overflow; data discarded");
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Warning: LiveFifo overflow; data discarded");
  EXPECT_EQ(Msgs.WarningCount, 2);
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(Untimed(ui.log[0]), "Warning: LiveFifo overflow; data discarded");

  Trace.DiagFlags = 0;
  ReportWarning("Tempo command ignored; active tempo is external");
  EXPECT_EQ(Msgs.WarningCount, 3);
  EXPECT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(Msgs.ErrorCount, 0);
}

TEST_F(MessagesTest, UnexpectedValuesReachTheStatusLineNamedByTheirProcedure) {
  // What the status display does with each text: take it, report it.
  KeyNoToNote(-5);
  ReportDesignError(Msgs.ErrMsg.TakeAndClear());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: KeyNoToNote error: Unexpected NoteNo: -5");
  EXPECT_TRUE(Msgs.ErrMsg.IsEmpty());

  TraceEventReqd(0x70);
  ReportDesignError(Msgs.ErrMsg.TakeAndClear());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: TraceEventReqd-2 error: Unexpected StatusByte: 112");

  DecodeEvent(0x00000012, false, false);
  ReportWarning(Msgs.WarnMsg.TakeAndClear());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Warning: DecodeEvent error: Unexpected MidiCmd: 1");
  EXPECT_EQ(Msgs.ErrorCount, 2);
  EXPECT_EQ(Msgs.WarningCount, 1);
}

TEST_F(MessagesTest, ConfigErrorShowsAnErrorBoxAndLogsWithDiagnosticsOn) {
  EXPECT_TRUE(ReportConfigError("MidiTimerInterval", ""));
  EXPECT_TRUE(ui.boxes.empty());

  EXPECT_FALSE(ReportConfigError("MidiTimerInterval", "Out of range"));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Config error: MidiTimerInterval: Out of range");
  EXPECT_EQ(ui.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_TRUE(ui.log.empty());

  Trace.DiagFlags = 1;
  EXPECT_FALSE(ReportConfigError("DspStatusInterval", "Out of range"));
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(Untimed(ui.log[0]), "Config error: DspStatusInterval: Out of range");
  // Config errors are not status alerts.
  EXPECT_EQ(Msgs.StatusAlertPending, 0);
  EXPECT_EQ(Msgs.ErrorCount, 0);
}

TEST_F(MessagesTest, AppendWithComma) {
  EXPECT_EQ(AppendWithComma("", "Tempo"), "Tempo");
  EXPECT_EQ(AppendWithComma("Tempo", "MaxActiveSeqs"), "Tempo, MaxActiveSeqs");
  EXPECT_EQ(AppendWithComma("a, b", ""), "a, b, ");
}

TEST_F(MessagesTest, DiagLogWritesThroughTheLogSink) {
  DiagLogTimed("Status: Running");
  DiagLog("MIDI input buffer\r\nsecond line");
  ASSERT_EQ(ui.log.size(), 2u);
  EXPECT_EQ(Untimed(ui.log[0]), "Status: Running");
  EXPECT_EQ(ui.log[1], "MIDI input buffer\r\nsecond line");
}

TEST(UiHooksTest, RecorderAnswersFromItsScriptAndRestoresTheDefaults) {
  {
    test::UiRecorder ui;
    ui.Answer(MsgAnswer::No);
    EXPECT_EQ(ShowMessage("About to close Vellorine, ok?", MsgKind::Confirmation, MsgButtons::YesNo),
              MsgAnswer::No);
    EXPECT_EQ(ShowMessage("again", MsgKind::Confirmation, MsgButtons::OkCancel), MsgAnswer::Ok);
    Ui().BusyCursor(true);
    Ui().BusyCursor(false);
    PublishTopic(TTopic::Settings);
    Ui().ProcessEvents();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "About to close Vellorine, ok?");
    EXPECT_EQ(ui.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(ui.topics, std::vector<std::string>{"Settings"});
    EXPECT_EQ(ui.eventPumps, 1);
  }
  // The defaults again: nobody to ask, so the first button's answer; nothing recorded.
  EXPECT_EQ(ShowMessage("q", MsgKind::Confirmation, MsgButtons::YesNoCancel), MsgAnswer::Yes);
  EXPECT_EQ(ShowMessage("q", MsgKind::Information), MsgAnswer::Ok);
  DiagLog("goes nowhere");
}

}  // namespace
}  // namespace vel
