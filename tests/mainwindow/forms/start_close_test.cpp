#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/Dumps.h"
#include "files/MidiFile.h"
#include "keys/CfgEngineLink.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/Main.h"
#include "settings/CfgFactory.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

struct TimerCall {
  TDspTimer timer;
  bool on;
  int32_t interval;
};

// The display timers recorded as well; each test starts the program itself, with its parameters.
class MainFormTest : public test::FormRig {
 protected:
  MainFormTest() { startLater = true; }
  void BeforeStart() override {
    StandInDspTimer([this](TDspTimer t, bool on, int32_t ms) { timers.push_back({t, on, ms}); });
  }

  std::vector<TimerCall> timers;
};

TEST_F(MainFormTest, NoSettingsFileEndsInConfigWithTheStatusAtTheConfigRate) {
  Seqs.PartBufs[1][2].PortPend = 3;
  Seqs.PartBufs[1][2].Chan[4] = 7;
  Seqs.SeqRecs[2].PlayPart = 1;
  Live.Chan[0] = 5;
  Start({});
  // Seq and port defaults: part 0, port 0, channel 0 everywhere.
  EXPECT_EQ(Seqs.PartBufs[1][2].PortPend, 0);
  EXPECT_EQ(Seqs.PartBufs[1][2].Chan[4], 0);
  EXPECT_EQ(Seqs.SeqRecs[2].PlayPart, 0);
  EXPECT_EQ(Live.Chan[0], 0);
  ASSERT_TRUE(form->Started());
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_EQ(form->windowTitle().toStdString(), "Vellorine");
  EXPECT_EQ(InstanceLocks.CopyNo, 1);
  EXPECT_TRUE(form->FirstInstance());
  EXPECT_FALSE(form->AutoRunTimer()->isActive());
  ASSERT_FALSE(timers.empty());
  EXPECT_EQ(timers.back().timer, TDspTimer::Status);
  EXPECT_TRUE(timers.back().on);
  EXPECT_EQ(timers.back().interval, 100);
  EXPECT_EQ(RunCtl.UserProfileFolder, dir + "/Vellorine");
  EXPECT_EQ(form->DataFolder(), dir + "/config/Vellorine/");
  EXPECT_EQ(Cfg.LastLoadedConfigFolder, dir + "/Vellorine");
  // The rows of all four seqs, named for their hints, with the hint on them.
  for (int s = 0; s < 4; ++s) {
    auto* muted = form->findChild<QWidget*>(QString("chkSeqMuted%1").arg(s));
    ASSERT_NE(muted, nullptr);
    EXPECT_FALSE(muted->statusTip().isEmpty());
  }
  EXPECT_FALSE(form->Widgets().lblWaitMessage->isVisible());
}

TEST_F(MainFormTest, EachSeqRowCallsItsProcedureWithItsSeq) {
  Start({});
  std::vector<std::pair<std::string, int32_t>> calls;
  SeqHandlers.SeqMutedClick = [&](int32_t s) { calls.push_back({"muted", s}); };
  SeqHandlers.SeqChanChange = [&](int32_t s) { calls.push_back({"chan", s}); };
  // Without an output port the rows' editing controls are shown but disabled.
  EXPECT_TRUE(form->SeqRows()[2].chkSeqMuted->isVisibleTo(form.get()));
  EXPECT_FALSE(form->SeqRows()[2].chkSeqMuted->isEnabled());
  form->SeqRows()[2].chkSeqMuted->setEnabled(true);
  form->SeqRows()[2].chkSeqMuted->click();
  // A loader's selection runs no handler; only the user's choice does.
  form->SeqRows()[1].cboSeqChan->setCurrentIndex(3);
  emit form->SeqRows()[3].cboSeqChan->activated(3);
  const std::vector<std::pair<std::string, int32_t>> want = {{"muted", 2}, {"chan", 3}};
  EXPECT_EQ(calls, want);
  // The procedures hold the window: they go with it.
  EXPECT_TRUE(SeqHandlers.SeqOutPortChange);
  form.reset();
  for (bool set :
       {bool(SeqHandlers.SeqNoClick), bool(SeqHandlers.SeqMutedClick), bool(SeqHandlers.SeqOutPortChange),
        bool(SeqHandlers.MidiOutClocksClick), bool(SeqHandlers.MidiOutSyncClick)})
    EXPECT_FALSE(set);
}

TEST_F(MainFormTest, SettingsFileNamesTheCaptionAndWithoutPortsNoAutoRun) {
  // Blanks and non-ASCII letters in the folder and the name.
  std::filesystem::create_directories(dir + "/Café Lieder");
  const std::string file = dir + "/Café Lieder/Mein Süßes Lied.txt";
  ASSERT_TRUE(SaveConfigFileAs(file, CfgFull, true));
  ResetAllToFactory();
  Start({"-c" + dir + "/Café Lieder/Mein Süßes Lied"});
  EXPECT_EQ(form->windowTitle().toStdString(), "Vellorine Mein Süßes Lied");
  EXPECT_EQ(CfgFiles.ConfigFileName, file);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text,
            "Unable to auto run; MIDI ports not allocated\r\n\r\nClick 'Settings, Ports' to allocate ports");
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Error);
  EXPECT_FALSE(form->AutoRunTimer()->isActive());
  ASSERT_FALSE(timers.empty());
  EXPECT_EQ(timers.back().interval, 100);
}

#ifdef VELLORINE_PROGRAM
// From a terminal the help is printed and the program ends at once, with no display and no window.
TEST(CommandLineHelp, PrintedOnStandardOutputWithStatusZero) {
  int argc = 1;
  char arg0[] = "vellorine";
  char* argv[] = {arg0, nullptr};
  QCoreApplication app(argc, argv);
  for (const char* ask : {"--help", "-h"}) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DISPLAY");
    // Should it start after all, it starts nowhere that matters.
    env.insert("HOME", "/nonexistent");
    env.insert("XDG_CONFIG_HOME", "/nonexistent");
    run.setProcessEnvironment(env);
    run.start(VELLORINE_PROGRAM, {ask});
    const bool ended = run.waitForFinished(30000);
    if (!ended) run.kill();
    ASSERT_TRUE(ended) << ask;
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit) << ask;
    EXPECT_EQ(run.exitCode(), 0) << ask;
    EXPECT_EQ(run.readAllStandardOutput().toStdString(), ParamSyntaxLines()) << ask;
    EXPECT_EQ(run.readAllStandardError().toStdString(), "") << ask;
  }
}
#endif

TEST_F(MainFormTest, MissingFilesAreNamedAndStartUpGoesOn) {
  Start({"/cnone.txt", "/mnone.mid"});
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[0].text,
            ParamSyntaxText("Config file specified in parameter list not found\r\nnone.txt"));
  EXPECT_EQ(rec.boxes[1].text,
            ParamSyntaxText("Midi file specified in parameter list not found\r\nnone.mid"));
  EXPECT_EQ(form->windowTitle().toStdString(), "Vellorine");
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
}

TEST_F(MainFormTest, AMidiFileOnTheCommandLineLoadsIntoAllPartsAtStartUp) {
  const std::string song = dir + "/song.mid";
  {
    LoadTestSeqs(true);
    std::lock_guard lock(EngineLock);
    ASSERT_TRUE(SaveSeqsToMidiFile(song, true, true));
    for (int32_t part = 0; part < kParts; ++part)
      for (int32_t s = 0; s < kSeqs; ++s) ClearPartBuf(part, s);
  }
  Start({"/m" + song});
  // The factory settings make seq 1 the metronome's: the load warns as a menu load does.
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, MetrSeqOverwrittenText(0, true));
  EXPECT_EQ(Cfg.LastLoadedMidiFolder, dir);
  std::lock_guard lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) EXPECT_NE(SeqBuf(s).Head, -1) << s;
  for (int32_t part = 0; part < kParts; ++part)
    for (int32_t s = 0; s < kSeqs; ++s) ClearPartBuf(part, s);
}

TEST_F(MainFormTest, CloseQuestionText) {
  EXPECT_EQ(TfrmMain::CloseQuestionText(false),
            "About to close Vellorine, ok?\r\n\r\n"
            "Any changes or recordings you've made will be lost unless you save them first...\r\n"
            "To save current config, click No, then Config, Save... as reqd.\r\n"
            "To save MIDI recordings, click No, then File, Save MIDI... as reqd.");
  EXPECT_EQ(TfrmMain::CloseQuestionText(true),
            "About to close Vellorine, ok?\r\n\r\n"
            "To avoid stuck notes if seqs are running, click No and stop them first\r\n"
            "Any changes or recordings you've made will be lost unless you save them first...\r\n"
            "To save current config, click No, then Config, Save... as reqd.\r\n"
            "To save MIDI recordings, click No, then File, Save MIDI... as reqd.");
}

TEST_F(MainFormTest, NoKeepsTheWindowYesClosesInConfig) {
  Start({});
  form->show();
  rec.boxes.clear();
  rec.Answer(MsgAnswer::No);
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->Closing());
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, TfrmMain::CloseQuestionText(false));
  EXPECT_EQ(rec.boxes[0].buttons, MsgButtons::YesNo);

  // An open port panel closes alone, without the question.
  form->Widgets().pnlConfigOutPorts->show();
  EXPECT_FALSE(form->close());
  EXPECT_FALSE(form->Widgets().pnlConfigOutPorts->isVisible());
  EXPECT_EQ(rec.boxes.size(), 1u);

  // A pending auto-run must not outlive the close: it would start the engine again.
  form->AutoRunTimer()->start();
  rec.Answer(MsgAnswer::Yes);
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->AutoRunTimer()->isActive());
  EXPECT_EQ(rec.boxes.size(), 2u);
  EXPECT_TRUE(form->Closing());
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_EQ(form->findChild<QWidget*>("chkSeqMuted0"), nullptr);
}

TEST_F(MainFormTest, OnlyTheFirstCopySetsThePalette) {
  Start({});
  const QColor before = QApplication::palette().color(QPalette::Base);
  Cfg.ClSysBgWindow = Rgb(255, 0, 0);
  form->ApplyColourScheme();
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), QColor(255, 0, 0));
  // The system colours reset to the desktop's as saved: the next application restores it.
  LoadColoursSystem();
  form->ApplyColourScheme();
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), before);
  Cfg.ClSysBgWindow = Rgb(255, 0, 0);
  form->ApplyColourScheme();
  // Closing gives the saved palette back.
  form->SaveRestoreSysColours(false);
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), before);
}

// A system colour reaches what it names: the window text every label, the menu bar's colours the
// menu bar alone. The window's own colours that name a system colour follow the one in force.
TEST_F(MainFormTest, SystemColoursReachWhatTheyNameAndTheWindowFollowsThem) {
  Start({});
  const QColor buttonText = QApplication::palette().color(QPalette::ButtonText);
  Cfg.ClSysFgWindowText = Rgb(1, 2, 3);
  Cfg.ClSysFgMenuBar = Rgb(4, 5, 6);
  Cfg.ClSysBgMenuBar = Rgb(7, 8, 9);
  Cfg.ClSysBgBtnFace = Rgb(10, 20, 30);
  form->ApplyColourScheme();
  const QLabel plain;  // a label no colour setting names
  const QMenuBar* bar = form->menuBar();
  auto face = [](const QWidget* w) { return w->palette().color(QPalette::Window); };
  const QColor btnFace(10, 20, 30);
  const struct {
    const char* what;
    QColor got, want;
  } cases[] = {
      {"label text", plain.palette().color(QPalette::WindowText), QColor(1, 2, 3)},
      {"edit text", QApplication::palette().color(QPalette::Text), QColor(1, 2, 3)},
      {"button text", QApplication::palette().color(QPalette::ButtonText), buttonText},
      {"menu bar text", bar->palette().color(QPalette::ButtonText), QColor(4, 5, 6)},
      {"menu bar face", face(bar), QColor(7, 8, 9)},
      {"window", face(form->Widgets().centralwidget), btnFace},
      {"status bar", face(form->statusBar()), btnFace},
      {"seq status", face(form->Widgets().pnlSeqStatus), btnFace},
      {"control group", face(form->Widgets().grpControl), btnFace},
      {"live panel", face(form->Widgets().pnlLive), btnFace},
      // The menu text has no role of its own: a text naming it must not take a face colour.
      {"a text naming the menu text", ToQColor(SysColour(7), QApplication::palette()), QColor(1, 2, 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(MainFormTest, ASecondCopyLeavesThePaletteAndSaysWhy) {
  std::unique_ptr<instance::NamedMutex> other;
  std::string why;
  ASSERT_EQ(instance::CreateNamedMutex("Vellorine-RawFifo1", other, why), instance::CreateResult::Created);
  Start({});
  EXPECT_EQ(InstanceLocks.CopyNo, 2);
  EXPECT_FALSE(form->FirstInstance());
  const QColor before = QApplication::palette().color(QPalette::Base);
  Cfg.ClSysBgWindow = Rgb(255, 0, 0);
  Trace.DiagFlags = 1;
  form->ApplyColourScheme();
  Trace.DiagFlags = 0;
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), before);
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Only first instance of Vellorine can set system colours");
  // Its own window still takes the colours: seq rows alternate from the top.
  EXPECT_EQ(form->SeqRows()[0].pnlSeq->palette().color(QPalette::Window), QColor(208, 208, 208));
  EXPECT_EQ(form->SeqRows()[1].pnlSeq->palette().color(QPalette::Window), QColor(224, 224, 224));
  EXPECT_EQ(form->SeqRows()[2].pnlSeq->palette().color(QPalette::Window), QColor(208, 208, 208));
}

// A default settings file with an output port, and an engine timer that only counts: the auto-run
// path from the file to Running.
class AutoRunTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    TimerIo.SetEvent = [this](uint32_t, uint32_t, mmtimer::TimerCallback, uintptr_t) {
      return uint32_t(++made);
    };
    TimerIo.KillEvent = [this](uint32_t) {
      ++killed;
      return mmtimer::Result{mmtimer::kOk};
    };
    const std::string folder = dir + "/config/Vellorine";
    fs::create_directories(folder);
    CfgEngine.OutPortsAllocated = 0;
    CfgEngine.OutPortDevNames[0] = "Loopback Out 1";
    CfgEngine.OutPortNames[0] = "Synth";
    ASSERT_TRUE(SaveConfigFileAs(folder + "/SeqDefaults.txt", CfgFull, false));
    ResetAllToFactory();
    CfgEngine = TCfgEngineVals{};
    Start({});
    ASSERT_TRUE(form->Started());
  }
  void TearDown() override {
    if (form && !form->Closing()) {
      rec.Answer(MsgAnswer::Yes);
      EXPECT_TRUE(form->close());
    }
    // Every engine timer made was killed again.
    EXPECT_EQ(killed, made);
    MainFormTest::TearDown();
  }
  // Runs the event loop for a while, or until the program runs.
  static void Pump(int32_t ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && RunCtl.ProgState.load() != TProgState::Running)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  int32_t made = 0;
  int32_t killed = 0;
};

TEST_F(AutoRunTest, ADefaultFileWithAnOutputRunsAfterASecond) {
  for (auto& b : rec.boxes) ADD_FAILURE() << b.text;
  EXPECT_EQ(RunCtl.OutPortsAllocated, 0);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  ASSERT_TRUE(form->AutoRunTimer()->isActive());
  EXPECT_EQ(form->AutoRunTimer()->interval(), 1000);
  EXPECT_TRUE(form->AutoRunTimer()->isSingleShot());
  // The wait: the menus off, the message in place of the panels.
  EXPECT_FALSE(form->Widgets().mnuFile->menuAction()->isEnabled());
  EXPECT_TRUE(form->Widgets().lblWaitMessage->isVisible());
  EXPECT_EQ(form->Widgets().lblWaitMessage->text().toStdString(), "Preparing to auto-run...");
  EXPECT_FALSE(form->Widgets().pnlSeqStatus->isVisible());
  EXPECT_EQ(made, 0);
  // An output port in Config: the display link's controls offer themselves; while running, not.
  EXPECT_FALSE(form->Widgets().lblTarloDevId->isHidden());

  form->AutoRunTimer()->setInterval(1);
  Pump(2000);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  EXPECT_EQ(made, 1);
  EXPECT_FALSE(form->Widgets().lblWaitMessage->isVisible());
  EXPECT_TRUE(form->Widgets().pnlSeqStatus->isVisible());
  EXPECT_TRUE(form->Widgets().mnuFile->menuAction()->isEnabled());
  EXPECT_TRUE(form->Widgets().cboTarloPNo->isHidden());
  // Running: each seq row shows its values as labels, not as the editing controls of Config.
  const TSeqRow& row = form->SeqRows()[1];
  EXPECT_TRUE(row.cboSeqChan->isHidden());
  EXPECT_TRUE(row.chkSeqMuted->isHidden());
  EXPECT_FALSE(row.lblSeqChan->isHidden());
  EXPECT_FALSE(row.lblSeqPitch->isHidden());
  EXPECT_FALSE(row.lblSeqTrans->isHidden());
}

TEST_F(AutoRunTest, RunDuringTheWaitStartsOneEngineTimer) {
  ASSERT_TRUE(form->AutoRunTimer()->isActive());
  StartRunning();
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  EXPECT_FALSE(form->AutoRunTimer()->isActive());
  EXPECT_FALSE(form->Widgets().lblWaitMessage->isVisible());
  // Stopped again within the second: the auto-run must not start it behind the user's back.
  StopRunning();
  form->AutoRunTimer()->setInterval(1);
  Pump(50);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(killed, 1);
}

TEST_F(AutoRunTest, ClosingDuringTheWaitNeverRuns) {
  rec.Answer(MsgAnswer::Yes);
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->AutoRunTimer()->isActive());
  Pump(50);
  EXPECT_EQ(made, 0);
}

TEST_F(MainFormTest, ALoadEmptiesThePartsAndKeepsTheSeqValuesItLoaded) {
  CfgEngine.Parts[0][1].SVel = 7;
  CfgEngine.Parts[0][1].Muted = 1;
  CfgEngine.Parts[0][1].PitchLocked = 1;
  const std::string file = dir + "/song.txt";
  ASSERT_TRUE(SaveConfigFileAs(file, CfgFull, true));
  ResetAllToFactory();
  CfgEngine = TCfgEngineVals{};
  {
    std::lock_guard lock(EngineLock);
    ASSERT_TRUE(InsertPartEvent(0, 1, 0x403C90, 0, false));
  }
  InstallCfgEngineLink();
  Start({"/c" + file});
  CfgLink() = TCfgLinkHooks{};
  const TPartBuf& b = Seqs.PartBufs[0][1];
  EXPECT_EQ(b.EventsUsed, 0);
  EXPECT_EQ(b.Head, -1);
  EXPECT_EQ(b.Act.SVel, 7);
  EXPECT_EQ(b.Act.Muted, 1);
  EXPECT_EQ(b.PitchLocked, 1);
  EXPECT_TRUE(form->SeqRows()[1].chkSeqMuted->isChecked());
}

TEST_F(MainFormTest, ColoursFollowTheSettingsAndChangeOnlyWhatDiffers) {
  Start({});
  Cfg.ClText = Rgb(1, 2, 3);
  Cfg.ClTitleText = Rgb(4, 5, 6);
  Cfg.ClStSeqNo = Rgb(7, 8, 9);
  Cfg.ClFgMetrDrum = Rgb(200, 0, 0);
  Cfg.ClFgMetrBass = Rgb(0, 0, 200);
  Cfg.ClPanelMetr = Rgb(10, 20, 30);
  const QColor text(1, 2, 3), drum(200, 0, 0), bass(0, 0, 200);
  auto fg = [this](const char* name) {
    QWidget* w = form->findChild<QWidget*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w ? w->palette().color(QPalette::Active, w->foregroundRole()) : QColor();
  };
  struct Case {
    bool styles, drumType;
    QColor drumButton, bassButton, styleName;
  };
  for (const Case& c : {Case{true, true, drum, text, drum}, Case{true, false, text, bass, bass},
                        Case{false, true, text, text, drum}}) {
    Cfg.MetrModeStyles = c.styles;
    Cfg.MetrTypePitchLocked = c.drumType;
    form->ApplyColourScheme();
    SCOPED_TRACE(std::string(c.styles ? "styles " : "plain ") + (c.drumType ? "drum" : "bass"));
    EXPECT_EQ(fg("sbtnMetrTypePitchLocked"), c.drumButton);
    EXPECT_EQ(fg("sbtnMetrTypePitched"), c.bassButton);
    EXPECT_EQ(fg("lblvMetrStyleName"), c.styleName);
  }
  const std::pair<const char*, QColor> want[] = {
      {"lblvProgState", QColor(4, 5, 6)},
      {"lblvKeyMode", QColor(4, 5, 6)},
      {"lblSeqNos", QColor(7, 8, 9)},
      {"lblSeqPartNos", QColor(7, 8, 9)},
      {"lblSeqTracks", text},
      {"lblLive1", text},
      {"lblvIntScene", text},
      {"sbtnControl", text},
      {"chkMetrFill", text},
      {"lblQuantN", text},
      {"rbClocksInt", text},
      {"chkMidiInSyncExt", text},
      {"lblTarlo", text},
      {"chkAuxInPortReqd", text},
      {"cboInPort0FilterChan", text},
      {"grpMetr", text},
  };
  for (const auto& [name, colour] : want) EXPECT_EQ(fg(name), colour) << name;
  EXPECT_EQ(form->Widgets().grpMetr->palette().color(QPalette::Window), QColor(10, 20, 30));

  // A second application with nothing changed repaints nothing.
  struct Counter : QObject {
    int changes = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::PaletteChange) ++changes;
      return false;
    }
  } counter;
  for (QWidget* w : form->findChildren<QWidget*>()) w->installEventFilter(&counter);
  form->ApplyColourScheme();
  EXPECT_EQ(counter.changes, 0);
}

TEST_F(MainFormTest, PortBoxesStandBesideTheirRowsAndTheWindowStartsOnScreen) {
  Start({});
  QListWidget* list = form->Widgets().lstOutPNames;
  const QRect l = list->geometry();
  int prevTop = -1;
  for (int p = 0; p < 9; ++p) {
    SCOPED_TRACE(p);
    const QRect clk = form->MidiOutClocks()[p]->geometry();
    const QRect syn = form->MidiOutSync()[p]->geometry();
    EXPECT_EQ(clk.top(), syn.top());
    EXPECT_GT(clk.top(), prevTop);
    EXPECT_GE(clk.top(), l.top());
    EXPECT_LE(clk.bottom(), l.bottom());
    EXPECT_GT(clk.left(), l.right());
    EXPECT_GT(syn.left(), clk.left());
    prevTop = clk.top();
  }
  // The two port panels show together, one above the other.
  EXPECT_FALSE(
      form->Widgets().pnlConfigInPorts->geometry().intersects(form->Widgets().pnlConfigOutPorts->geometry()));
  const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_GE(form->frameGeometry().left(), avail.left());
  EXPECT_GE(form->frameGeometry().top(), avail.top());
  // The Tarlo controls show in Config with an output port only.
  EXPECT_TRUE(form->Widgets().lblTarloDevId->isHidden());
}

TEST_F(MainFormTest, NoFreeLockEndsStartUpWithItsBox) {
  // Holding LiveFifo1..1000 would be slow; an unusable lock folder fails at the first name.
  setenv("XDG_RUNTIME_DIR", (dir + "/missing/deeper").c_str(), 1);
  Start({});
  EXPECT_FALSE(form->Started());
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Failed to create mutex for Vellorine-LiveFifo1");
  EXPECT_EQ(InstanceLocks.CopyNo, 0);
}

}  // namespace
}  // namespace vel
