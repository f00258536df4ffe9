#include <QCheckBox>
#include <QListWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/DiagLog.h"
#include "base/General.h"
#include "base/Showing.h"
#include "engine/RunControl.h"
#include "mainwindow/Caption.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "tools/forms/Diag.h"

namespace vel {
namespace {

class DiagWindowTest : public test::FormRig {
 protected:
  // The trace switches are the engine's, kept across windows: each test leaves them as found.
  void TearDown() override {
    FormRig::TearDown();
    Trace.InTraceOn = 0;
    Trace.OutTraceOn = 0;
  }
};

std::string LastLine(const TfrmDiag& w) {
  return w.Log().Lines().empty() ? "" : w.Log().Lines().back();
}
bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

TEST_F(DiagWindowTest, OpenLogsEveryLinePauseDropsEvenItsOwnAndResumeComesFirst) {
  TfrmDiag& w = form->Diag();
  EXPECT_TRUE(ui().mnuToolsDiag->isEnabled());
  ui().mnuToolsDiag->trigger();
  ASSERT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), "Diagnostics, MIDI trace");
  EXPECT_EQ(Trace.DiagFlags, 1);
  const size_t before = w.Log().Lines().size();
  DiagLog("a\r\n\r\nb");
  EXPECT_EQ(w.Log().Lines().size(), before + 2);
  EXPECT_EQ(w.lstLog->count(), static_cast<int>(before + 2));
  EXPECT_EQ(w.lstLog->item(w.lstLog->count() - 1)->text(), "b");
  w.mnuViewPause->trigger();
  EXPECT_TRUE(EndsWith(LastLine(w), " Logging paused (new entries discarded)"));
  const size_t paused = w.Log().Lines().size();
  DiagLog("dropped");
  w.chkInTraceOn->click();  // its own line is dropped too
  EXPECT_EQ(w.Log().Lines().size(), paused);
  w.mnuViewPause->trigger();
  EXPECT_EQ(w.Log().Lines().size(), paused + 1);
  EXPECT_TRUE(EndsWith(LastLine(w), " Logging resumed"));
  w.mnuViewClear->trigger();
  EXPECT_EQ(w.lstLog->count(), 0);
  // No hints in its status bar with AutoHints off.
  Cfg.AutoHints = 0;
  QStatusTipEvent tip("Save log entries to file");
  QApplication::sendEvent(&w, &tip);
  EXPECT_EQ(w.statusBar()->currentMessage(), "");
}

// A warning told while the window was closed, when nothing logs, is there when it opens, each time.
TEST_F(DiagWindowTest, OpeningShowsTheRealTimeWarningToldBefore) {
  const std::string line = "09:41:07 Warning: " + std::string(kNoRealTimeText);
  RunCtl.NoRealTimeLine = line;
  TfrmDiag& w = form->Diag();
  for (int open = 0; open < 2; ++open) {
    ui().mnuToolsDiag->trigger();
    ASSERT_TRUE(w.isVisible());
    const auto& lines = w.Log().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << open;
    rec.Answer(MsgAnswer::Yes);
    w.close();
    ASSERT_FALSE(w.isVisible());
  }
  RunCtl.NoRealTimeLine.clear();
}

TEST_F(DiagWindowTest, TickingOutputWhileInputIsTickedLogsOffThenOn) {
  TfrmDiag& w = form->Diag();
  ui().mnuToolsDiag->trigger();
  w.chkInTraceOn->click();
  EXPECT_EQ(Trace.InTraceOn, 1);
  w.chkOutTraceOn->click();
  EXPECT_FALSE(w.chkInTraceOn->isChecked());
  EXPECT_EQ(Trace.InTraceOn, 0);
  EXPECT_EQ(Trace.OutTraceOn, 1);
  const auto& l = w.Log().Lines();
  ASSERT_GE(l.size(), 2u);
  EXPECT_TRUE(EndsWith(l[l.size() - 2], " MIDI input tracing off"));
  EXPECT_TRUE(EndsWith(l.back(), " MIDI output tracing on"));
  w.chkOutTraceOn->click();
  EXPECT_EQ(Trace.OutTraceOn, 0);
}

TEST_F(DiagWindowTest, CloseNoKeepsAllYesClearsAndTurnsDiagnosticsOff) {
  TfrmDiag& w = form->Diag();
  ui().mnuToolsDiag->trigger();
  DiagLog("kept");
  const size_t lines = w.Log().Lines().size();
  rec.Answer(MsgAnswer::No);
  w.close();
  ASSERT_FALSE(rec.boxes.empty());
  EXPECT_EQ(rec.boxes.back().text,
            "About to close the Diagnostics window, ok?\r\n\r\nDiagnostic info will be lost unless you "
            "save it first...\r\nTo save the diag log, click No, then File, Save...");
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.Log().Lines().size(), lines);
  EXPECT_EQ(Trace.DiagFlags, 1);
  rec.Answer(MsgAnswer::Yes);
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.Log().Lines().empty());
  EXPECT_EQ(Trace.DiagFlags, 0);
  rec.log.clear();
  DiagLog("after");  // the log hook is the one from before the window opened
  EXPECT_EQ(rec.log, std::vector<std::string>{"after"});
  // The program's end closes it without asking.
  ui().mnuToolsDiag->trigger();
  const size_t boxes = rec.boxes.size();
  PublishTopic(TTopic::ProgramEnding);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(rec.boxes.size(), boxes);
}

TEST_F(DiagWindowTest, SaveWritesTheHeaderAndLinesWithCrLfAndRemembersTheFolder) {
  TfrmDiag& w = form->Diag();
  ui().mnuToolsDiag->trigger();
  w.mnuViewClear->trigger();
  Desktop().FileDialog = [](const TFileDialog&) { return std::string(); };
  w.mnuFileSaveDiag->trigger();
  EXPECT_TRUE(EndsWith(LastLine(w), " Save diag log cancelled"));
  w.mnuViewClear->trigger();
  DiagLog("one\r\ntwo");
  const std::string file = dir + "/d.log";
  Desktop().FileDialog = [&file](const TFileDialog& d) {
    EXPECT_EQ(d.Title, "Save diagnostics log to file");
    EXPECT_EQ(d.Filter, "Log files (*.log)|*.log");
    return file;
  };
  w.mnuFileSaveDiag->trigger();
  std::ifstream in(file, std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(),
            ProgVersionText(true, true) + "\r\n\r\n" + WindowsVersionText() + "\r\n\r\none\r\ntwo\r\n");
  EXPECT_EQ(Cfg.LastSavedDiagLogFolder, dir);
}

}  // namespace
}  // namespace vel
