#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "mainwindow/SettingSetters.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/KinetraceView.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainLanes.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"
#include "settings/forms/CfgVKbd.h"
#include "ui_CfgVKbd.h"
#include "ui_Main.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

// The main window in Config on the loopback backend, its timer calls faked, its boxes recorded.
class ViewMenusTest : public test::FormRig {
 protected:
  void BeforeStart() override {
    StandInDspTimer([this](TDspTimer t, bool on, int32_t ms) {
      if (t == TDspTimer::Diag) diagTimer.push_back(on ? ms : -1);
    });
    FakeEngineTimer();
  }
  void SetUp() override {
    FormRig::SetUp();
    rec.boxes.clear();
  }
  void TearDown() override {
    CloseAllOutPorts();
    FormRig::TearDown();
  }
  // Output port 0 on the first loopback device, so that running can start.
  void AllocateOutput() {
    RunCtl.PortDevIdx[0] = 0;
    RunCtl.MidiOutDevs[0].PortName = "Out 1";
    ASSERT_TRUE(OpenOutPort(0, 0));
    RunCtl.OutPortsAllocated = 0;
    RunCtl.LivePort = 0;
    SetProgState(TProgState::Config);
  }
  std::string Shortcut(QAction* a) { return a->shortcut().toString().toStdString(); }

  std::vector<int32_t> diagTimer;
};

TEST_F(ViewMenusTest, RunStopAsksOnceAndNoLeavesItRunningAndTheButtonUsable) {
  AllocateOutput();
  const Ui::frmMain& ui = form->Widgets();
  ui.sbtnControl->click();
  ASSERT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_EQ(ui.mnuActionControl->text().toStdString(), "Stop");
  EXPECT_EQ(Shortcut(ui.mnuActionControl), "Ctrl+S");

  rec.Answer(MsgAnswer::No);
  ui.sbtnControl->click();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "About to stop processing MIDI & return to config mode, ok?");
  EXPECT_EQ(rec.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  EXPECT_TRUE(ui.sbtnControl->isEnabled());
  EXPECT_TRUE(ui.mnuActionControl->isEnabled());

  rec.Answer(MsgAnswer::Yes);
  ui.mnuActionControl->trigger();
  EXPECT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_EQ(ui.mnuActionControl->text().toStdString(), "Run");
  EXPECT_EQ(Shortcut(ui.mnuActionControl), "Ctrl+R");
  EXPECT_TRUE(ui.sbtnControl->isEnabled());
}

TEST_F(ViewMenusTest, RunWithoutAnOutputPortSaysWhyInTheStatusLine) {
  const Ui::frmMain& ui = form->Widgets();
  CloseAllOutPorts();
  RunCtl.OutPortsAllocated = -1;
  SetProgState(TProgState::Config);
  // The button is disabled, so a click reaches it as the mouse's press and release alone.
  ASSERT_FALSE(ui.sbtnControl->isEnabled());
  const QPointF at(4, 4);
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent click(t, at, ui.sbtnControl->mapToGlobal(at), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ui.sbtnControl, &click);
  }
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_EQ(form->statusBar()->currentMessage().toStdString(),
            "No MIDI output port allocated: Settings, Ports, MIDI");
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ViewMenusTest, CalibratePromptTogglesAndCaptionsFollowDisableQwertyControls) {
  const Ui::frmMain& ui = form->Widgets();
  // The virtual keyboard settings' box, as the user sets it.
  auto QwertyDisabled = [this](bool on) { form->CfgVKbd().ui->chkTemplateQwertyDisabled->setChecked(on); };
  struct Step {
    std::function<void()> act;
    bool pending;
    TKeyMode mode;
    std::string caption, menu, shortcut;
  };
  const Step steps[] = {
      {[&] { ui.sbtnCalibrate->click(); }, true, TKeyMode::Calibrate, "Press live Cmd key",
       "Press live Cmd key", "Ctrl+P"},
      // Off outside Running: key mode 0.
      {[&] { ui.mnuActionCalibrate->trigger(); }, false, TKeyMode::Inactive, "Calibrate Cmd key",
       "Calibrate Cmd key", "Ctrl+C"},
      {[&] { QwertyDisabled(true); }, false, TKeyMode::Inactive, "Calibrate Cmd key", "&Calibrate Cmd key",
       ""},
      {[&] { ui.sbtnCalibrate->click(); }, true, TKeyMode::Calibrate, "Press live Cmd key",
       "&Press live Cmd key", ""},
      {[&] { QwertyDisabled(false); }, true, TKeyMode::Calibrate, "Press live Cmd key", "Press live Cmd key",
       "Ctrl+P"},
  };
  int n = 0;
  for (const Step& s : steps) {
    s.act();
    SCOPED_TRACE(n++);
    EXPECT_EQ(Args.CalibratePending, s.pending ? 1 : 0);
    EXPECT_EQ(Keys.KeyMode.load(), s.mode);
    EXPECT_EQ(ui.sbtnCalibrate->text().toStdString(), s.caption);
    EXPECT_EQ(ui.mnuActionCalibrate->text().toStdString(), s.menu);
    EXPECT_EQ(Shortcut(ui.mnuActionCalibrate), s.shortcut);
  }
  // The Run/Stop item follows the setting too.
  QwertyDisabled(true);
  EXPECT_EQ(ui.mnuActionControl->text().toStdString(), "&Run");
  EXPECT_EQ(Shortcut(ui.mnuActionControl), "");
}

TEST_F(ViewMenusTest, KinetraceStepsWrapFromMenuAndPanel) {
  const Ui::frmMain& ui = form->Widgets();
  auto rightClick = [&](Qt::KeyboardModifiers mods) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, mods);
    QApplication::sendEvent(ui.pnlKinetrace, &press);
  };
  struct Case {
    int32_t* setting;
    int32_t from;
    std::function<void()> act;
    int32_t want;
  };
  const Case cases[] = {
      {&Cfg.KinetraceTail, 9, [&] { ui.mnuKinetraceIncTail->trigger(); }, 1},
      {&Cfg.KinetraceShape, 1, [&] { ui.mnuKinetraceDecShape->trigger(); }, 4},
      {&Cfg.KinetraceStyle, 1, [&] { ui.mnuKinetraceDecStyle->trigger(); }, 2},
      {&Cfg.KinetraceShape, 4, [&] { rightClick(Qt::AltModifier); }, 1},
      {&Cfg.KinetraceTail, 9, [&] { rightClick(Qt::ControlModifier | Qt::AltModifier); }, 1},
  };
  for (const Case& c : cases) {
    *c.setting = c.from;
    c.act();
    EXPECT_EQ(*c.setting, c.want);
  }
}

TEST_F(ViewMenusTest, ImageNextWrapsInNameOrderAndABadImageClearsTheImageSettings) {
  const std::string folder = dir + "/img";
  fs::create_directories(folder);
  QImage small(4, 3, QImage::Format_RGB32);
  small.fill(Qt::red);
  ASSERT_TRUE(small.save(QString::fromStdString(folder + "/b.png"), "PNG"));
  ASSERT_TRUE(small.save(QString::fromStdString(folder + "/a.png"), "PNG"));
  ASSERT_TRUE(small.save(QString::fromStdString(folder + "/c.PNG"), "PNG"));
  ASSERT_TRUE(small.save(QString::fromStdString(folder + "/z.bmp"), "BMP"));
  const Ui::frmMain& ui = form->Widgets();

  Cfg.KinetraceImgFile = folder + "/c.PNG";
  Cfg.KinetraceImgVisible = 0;
  ui.mnuKinetraceImgNext->trigger();
  EXPECT_EQ(Cfg.KinetraceImgFile, folder + "/a.png");
  EXPECT_EQ(Cfg.KinetraceImgVisible, 1);
  EXPECT_EQ(form->Lanes().KinetraceView->Picture().size(), QSize(4, 3));
  ui.mnuKinetraceImgPrev->trigger();
  EXPECT_EQ(Cfg.KinetraceImgFile, folder + "/c.PNG");
  EXPECT_TRUE(rec.boxes.empty());

  // A file that only claims to be an image, next after c.PNG in name order: d.png.
  std::ofstream(folder + "/d.png") << "not a picture";
  ui.mnuKinetraceImgNext->trigger();
  ASSERT_EQ(rec.boxes.size(), 1u);
  const std::string& text = rec.boxes[0].text;
  EXPECT_EQ(text.rfind("Unable to load image - ", 0), 0u) << text;
  EXPECT_TRUE(text.ends_with("\r\nMaybe file is not a valid image or this image format cannot be handled"))
      << text;
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(Cfg.KinetraceImgFile, "");
  EXPECT_EQ(Cfg.KinetraceImgVisible, 0);
  EXPECT_TRUE(form->Lanes().KinetraceView->Picture().isNull());
}

TEST_F(ViewMenusTest, BarCountEndFromAnotherThreadReplaysTheRecordKeyOnTheGuiThread) {
  RecKeys.DelayedRecKeyDue = 0;
  std::thread timerThread([] { EngineHooks.RecBarCountDone(); });
  timerThread.join();
  EXPECT_EQ(RecKeys.DelayedRecKeyDue.load(), 1);
  EXPECT_FALSE(form->Views().tmMidiInPost->isActive());  // started only by the queued call
  QCoreApplication::processEvents();
  EXPECT_TRUE(form->Views().tmMidiInPost->isActive());
  for (int i = 0; i < 50 && form->Views().tmMidiInPost->isActive(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    QCoreApplication::processEvents();
  }
  EXPECT_FALSE(form->Views().tmMidiInPost->isActive());
  // The replay took the request (not in key mode Record, so nothing was played).
  EXPECT_EQ(RecKeys.DelayedRecKeyDue.load(), 0);
}

TEST_F(ViewMenusTest, DiagnosticsOnAndOffLogTheirTimer) {
  rec.log.clear();
  diagTimer.clear();
  form->Views().SetDiagActive(true);
  EXPECT_EQ(Trace.DiagFlags.load(), 1);
  form->Views().SetDiagActive(false);
  EXPECT_EQ(Trace.DiagFlags.load(), 0);
  ASSERT_EQ(rec.log.size(), 2u);
  EXPECT_TRUE(rec.log[0].ends_with(" UpdateDspDiag: 20")) << rec.log[0];
  EXPECT_TRUE(rec.log[1].ends_with(" UpdateDspDiag: off")) << rec.log[1];
  EXPECT_EQ(diagTimer, (std::vector<int32_t>{20, -1}));
}

TEST_F(ViewMenusTest, StatusBarHintsOnlyWithAutoHintsAndOnlyInTheActiveWindow) {
  auto hint = [&] {
    form->statusBar()->clearMessage();
    QStatusTipEvent tip("Cancel the current command");
    QApplication::sendEvent(form.get(), &tip);
    return form->statusBar()->currentMessage().toStdString();
  };
  struct Case {
    uint8_t autoHints;
    bool mainActive;
    std::string want;
  };
  const Case cases[] = {
      {1, true, "Cancel the current command"},
      {0, true, ""},
      {1, false, ""},
  };
  QWidget other;
  for (const Case& c : cases) {
    form->Widgets().mnuViewAutoHints->setChecked(c.autoHints == 0);
    form->Widgets().mnuViewAutoHints->trigger();
    ASSERT_EQ(Cfg.AutoHints, c.autoHints);
    form->Views().ApplyActiveWindowHints(c.mainActive ? static_cast<QWidget*>(form.get()) : &other);
    EXPECT_EQ(hint(), c.want) << int(c.autoHints) << c.mainActive;
  }
}

TEST_F(ViewMenusTest, MenuTogglesWaitForTheEngineLockToStoreWhatTheEngineReads) {
  const Ui::frmMain& ui = form->Widgets();
  struct Case {
    QAction* item;
    uint8_t* setting;
    uint8_t after;
  };
  // Read by the key path, the timer thread and the MIDI-in thread.
  const Case cases[] = {{ui.mnuFileLoadExtScenes, &Cfg.LoadExtScenes, 1},
                        {ui.mnuFileIgnoreEmbeddedProgChanges, &Cfg.IgnoreEmbeddedProgChanges, 1},
                        {ui.mnuViewMidiActivity, &Cfg.DspMidiActivity, 0},
                        {ui.mnuViewSeqGrid, &Cfg.DspSeqGrid, 1},
                        {ui.mnuKinetraceOff, &Cfg.DspKinetrace, 0},
                        {ui.mnuKinetraceOn, &Cfg.DspKinetrace, 1}};
  for (const Case& c : cases) {
    const std::string name = c.item->objectName().toStdString();
    const uint8_t before = c.after ? 0 : 1;
    *c.setting = before;
    if (c.item->isCheckable()) c.item->setChecked(before != 0);
    uint8_t seen = 0;
    std::promise<void> held;
    // A tick holding the lock: the click waits for it.
    std::thread tick([&] {
      std::lock_guard lock(EngineLock);
      held.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      seen = *c.setting;
    });
    held.get_future().wait();
    c.item->trigger();
    tick.join();
    EXPECT_EQ(seen, before) << name;
    EXPECT_EQ(*c.setting, c.after) << name;
  }
}

TEST_F(ViewMenusTest, WindowCallsWaitForTheEngineLockOverWhatTheEngineThreadsTouch) {
  AllocateOutput();
  const Ui::frmMain& ui = form->Widgets();
  struct Case {
    const char* what;
    std::function<void()> before;
    // Run by the lock's holder as it lets go: a read must see what it writes, a write must come
    // after what it reads.
    std::function<int32_t()> atRelease;
    std::function<void()> call;
    std::function<int32_t()> after;
    int32_t seen, want;
  };
  const Case cases[] = {
      {"program state controls read the live velocity the keyboard sets", [] { Live.SVel = 3; },
       [] {
         Live.SVel = 7;
         return 0;
       },
       [] { SetProgState(TProgState::Config); }, [&ui] { return ui.cboLiveSVels->currentText().toInt(); }, 0,
       7},
      {"the Kinetrace decay the live path reads", [] { Cfg.KinetraceDecay = 2; },
       [] { return Cfg.KinetraceDecay; }, [&ui] { ui.mnuKinetraceIncDecay->trigger(); },
       [] { return Cfg.KinetraceDecay; }, 2, 3},
  };
  for (const Case& c : cases) {
    c.before();
    int32_t seen = -1;
    std::promise<void> held;
    std::thread tick([&] {
      std::lock_guard lock(EngineLock);
      held.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      seen = c.atRelease();
    });
    held.get_future().wait();
    c.call();
    tick.join();
    EXPECT_EQ(seen, c.seen) << c.what;
    EXPECT_EQ(c.after(), c.want) << c.what;
  }
}

TEST_F(ViewMenusTest, SettingsSettersWaitForTheEngineLockWhileRunning) {
  // Running with a stopped metronome seq: a metronome setting rebuilds its part at once.
  AllocateOutput();
  RunCtl.ProgState = TProgState::Running;
  Cfg.MetrSeqNo = 0;
  struct Case {
    const char* what;
    std::function<void()> set;
  };
  const Case cases[] = {
      {"note-on percent", [this] { SetMetrNoteOnPercent(60); }},
      {"drum channel", [this] { SetMetrDrumChan(8); }},
      {"bass channel", [this] { SetMetrBassChan(1); }},
      {"note length", [this] { EXPECT_TRUE(SetMetrNoteLenFrac(8)); }},
      {"chord detection", [this] { SetSRecChordDetectReqd(true); }},
      {"local control", [] { StoreCfg(BindCfg(&Cfg.InterpretLocalControl), 1); }},
  };
  for (const Case& c : cases) {
    std::unique_lock lock(EngineLock);
    // Another thread holds the lock, as the timer tick does: the setter waits for it.
    auto done = std::async(std::launch::async, c.set);
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout) << c.what;
    lock.unlock();
    done.get();
  }
  {
    std::lock_guard lock(EngineLock);
    EXPECT_NE(SeqBuf(0).Head, -1);
    EXPECT_EQ(Cfg.MetrDrumChan, 8);
    EXPECT_EQ(Cfg.MetrNoteLenFrac, 8);
    ClearPartBuf(0, 0);
    ClearPartBuf(1, 0);
  }
  Cfg.MetrSeqNo = -1;
  RunCtl.ProgState = TProgState::Config;
}

}  // namespace
}  // namespace vel
