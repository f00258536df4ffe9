#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <string>
#include <tuple>
#include <vector>

#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/LivePath.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "keys/RecordKeys.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/MainStatus.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"
#include "settings/forms/CfgBehaviour.h"
#include "settings/forms/CfgTiming.h"
#include "ui_CfgBehaviour.h"
#include "ui_CfgTiming.h"
#include "ui_Main.h"

namespace vel {
namespace {

using CfgBehaviourTimingTest = test::FormRig;

void Pick(QComboBox* c, const QString& text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

// A display of these windows; a title finds the first window of that title.
void Directory(std::vector<keys::TitledWindow> windows) {
  HotkeyDirectory().List = [windows] { return windows; };
  HotkeyDirectory().Find = [windows](const std::string& title) -> keys::WindowId {
    for (const auto& w : windows)
      if (w.title == title) return w.id;
    return 0;
  };
}

QStringList Items(QComboBox* c) {
  QStringList items;
  for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
  return items;
}

TEST_F(CfgBehaviourTimingTest, BothOpenFromTheirMenuItems) {
  for (auto [item, window, title] :
       {std::tuple{ui().mnuCfgBehaviour, static_cast<QWidget*>(&form->CfgBehaviour()),
                   "Settings - Behaviour/Safety"},
        std::tuple{ui().mnuCfgTiming, static_cast<QWidget*>(&form->CfgTiming()),
                   "Settings - Timing/Recording/MIDI"}}) {
    ASSERT_TRUE(item->isEnabled()) << title;
    item->trigger();
    EXPECT_TRUE(window->isVisible()) << title;
    EXPECT_EQ(window->windowTitle().toStdString(), SettingsCaption(title));
  }
}

TEST_F(CfgBehaviourTimingTest, BehaviourLoaderShowsValuesAndPicksStoreTheShownValue) {
  TfrmCfgBehaviour& b = form->CfgBehaviour();
  Ui::frmCfgBehaviour& u = *b.ui;
  Cfg.DPressInterval = 75;
  Cfg.RecStopSeqNo = -1;
  Cfg.RecIntAttribSrcLive = 0;
  Cfg.RecRawAttribSrcLive = 1;
  Cfg.AutoHoldDigit = 1;
  Cfg.DefSelLiveMidi = 1;
  Cfg.StopImmStop = 1;
  Cfg.DPressSaveReqd = 0;
  ui().mnuCfgBehaviour->trigger();
  // Between steps: the next step shows, the value stays until picked.
  EXPECT_EQ(u.cboDPressIntervals->currentText(), "100");
  EXPECT_EQ(Cfg.DPressInterval, 75);
  EXPECT_EQ(u.cboRecStopSeqNo->currentText(), "0");
  EXPECT_FALSE(u.chkRecStopCurrToDef->isEnabled());
  EXPECT_TRUE(u.rbRecIntAttribSrcSeq->isChecked());
  EXPECT_TRUE(u.chkRecIntAttribSrcToLive->isEnabled());
  EXPECT_TRUE(u.rbRecRawAttribSrcLive->isChecked());
  EXPECT_FALSE(u.chkRecRawAttribSrcToLive->isEnabled());
  EXPECT_TRUE(u.chkAutoHoldDigit->isChecked());
  EXPECT_TRUE(u.chkDefSelLiveMidi->isChecked());
  EXPECT_TRUE(u.chkStopImmStop->isChecked());
  EXPECT_FALSE(u.chkDPressSave->isChecked());

  Pick(u.cboDPressIntervals, "100");
  EXPECT_EQ(Cfg.DPressInterval, 100);
  Pick(u.cboRecStopSeqNo, "3");
  EXPECT_EQ(Cfg.RecStopSeqNo, 2);
  EXPECT_TRUE(u.chkRecStopCurrToDef->isEnabled());
  Pick(u.cboRecStopSeqNo, "0");
  EXPECT_EQ(Cfg.RecStopSeqNo, -1);
  EXPECT_FALSE(u.chkRecStopCurrToDef->isEnabled());
  u.rbRecIntAttribSrcLive->click();
  EXPECT_EQ(Cfg.RecIntAttribSrcLive, 1);
  EXPECT_FALSE(u.chkRecIntAttribSrcToLive->isEnabled());
  u.rbRecRawAttribSrcSeq->click();
  EXPECT_EQ(Cfg.RecRawAttribSrcLive, 0);
  EXPECT_TRUE(u.chkRecRawAttribSrcToLive->isEnabled());
  u.chkDPressSave->click();
  u.chkAutoHoldDigit->click();
  EXPECT_EQ(Cfg.DPressSaveReqd, 1);
  EXPECT_EQ(Cfg.AutoHoldDigit, 0);

  // A key toggling one of them reloads the window at the next status tick.
  Cfg.AutoHoldDigit = 1;
  RaiseTopic(TTopic::Behaviour);
  form->Status().tmUpdateDspStatusTimer();
  EXPECT_TRUE(u.chkAutoHoldDigit->isChecked());
}

TEST_F(CfgBehaviourTimingTest, HotkeyTargetNameKeptWhileAbsentVanishedEndsDisabledDuplicatesOnce) {
  TfrmCfgBehaviour& b = form->CfgBehaviour();
  Ui::frmCfgBehaviour& u = *b.ui;
  Directory({{4, "Editor"}});
  Cfg.DisableHotkeys = 0;
  Cfg.HotkeysTargetActiveWin = 0;
  Cfg.HotkeysTargetWinName = "Synth";
  // Opening with the nominated window absent shows it nominated and stores nothing.
  ui().mnuCfgBehaviour->trigger();
  EXPECT_TRUE(u.rbHotkeysToNamedWin->isChecked());
  EXPECT_EQ(u.cboHotkeysTarget->currentIndex(), -1);
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Synth");
  EXPECT_EQ(Cfg.DisableHotkeys, 0);

  // Choosing the button with nothing selected keeps the name; the window is not there.
  u.rbHotkeysToActiveWin->click();
  EXPECT_EQ(Cfg.HotkeysTargetActiveWin, 1);
  u.rbHotkeysToNamedWin->click();
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Synth");
  EXPECT_EQ(Cfg.DisableHotkeys, 1);
  EXPECT_TRUE(u.rbDisableHotkeys->isChecked());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(),
            "Warning: Hotkeys off: nominated window 'Synth' not found (Refresh lists the open windows)");

  // Two windows of one title come once; "Refresh" nominates the listed window it finds.
  Directory({{5, "Synth"}, {4, "Editor"}, {6, "Synth"}});
  u.sbtnRefreshHotkeyTargets->click();
  EXPECT_EQ(Items(u.cboHotkeysTarget), (QStringList{"Editor", "Synth"}));
  EXPECT_EQ(u.cboHotkeysTarget->currentText(), "Synth");
  u.rbHotkeysToNamedWin->click();
  EXPECT_EQ(Cfg.DisableHotkeys, 0);
  EXPECT_EQ(Live.HotkeyTargetWnd.load(), 5u);

  // The nominated title vanishes: choosing it again ends disabled.
  Pick(u.cboHotkeysTarget, "Editor");
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Editor");
  Directory({{5, "Synth"}});
  u.rbHotkeysToNamedWin->click();
  EXPECT_EQ(Cfg.DisableHotkeys, 1);
  EXPECT_TRUE(u.rbDisableHotkeys->isChecked());
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Editor");
  // "Refresh" with the name unlisted keeps it and shows no other title as chosen, which the
  // button would take in its place.
  u.sbtnRefreshHotkeyTargets->click();
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Editor");
  EXPECT_EQ(u.cboHotkeysTarget->currentIndex(), -1);
  // A "Refresh" keeps a pick still listed.
  Pick(u.cboHotkeysTarget, "Synth");
  Directory({{7, "Mixer"}, {5, "Synth"}});
  u.sbtnRefreshHotkeyTargets->click();
  EXPECT_EQ(u.cboHotkeysTarget->currentText(), "Synth");
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Synth");

  // Nothing ever picked: the button says what to do, and hotkeys stay off.
  Cfg.HotkeysTargetWinName.clear();
  Msgs.StatusAlertText.Clear();
  b.LoadCfgBehaviourControls();
  ASSERT_EQ(u.cboHotkeysTarget->currentIndex(), -1);
  u.rbHotkeysToNamedWin->click();
  EXPECT_TRUE(u.rbDisableHotkeys->isChecked());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(),
            "Warning: Hotkeys off: pick the nominated window in the list first (Refresh lists the open "
            "windows)");
}

TEST_F(CfgBehaviourTimingTest, TimingLoaderShowsTheRulesItemAndPicksStoreTheShownValue) {
  TfrmCfgTiming& t = form->CfgTiming();
  Ui::frmCfgTiming& u = *t.ui;
  Cfg.TempoSlewTime = 2500;
  Cfg.SRecNoteLenFrac = 7;
  Cfg.SRecNoteOnPercent = 60;
  Cfg.LnTempoStep = 150;
  Cfg.SRecChordDetectThreshold = 145;
  Cfg.FtnTimerThreshold = 5;
  Cfg.UseLgTempos = 1;
  Cfg.SRecChordDetectReqd = 0;
  Cfg.IgnoreDriverTStamps = 1;
  ui().mnuCfgTiming->trigger();
  struct Row {
    QComboBox* combo;
    const char* shown;
  } rows[] = {{u.cboTempoSlewTimes, "2"},
              {u.cboLnTempoSteps, "99"},
              {u.cboSRecChordDetectThreshold, "150"},
              {u.cboFtnTimerThreshold, "10"}};
  for (const Row& r : rows) EXPECT_EQ(r.combo->currentText(), r.shown) << r.combo->objectName().toStdString();
  EXPECT_EQ(t.StepLen->checkedId(), 8);
  EXPECT_EQ(t.Gate->checkedId(), 75);
  // Loading stores and applies nothing.
  EXPECT_EQ(Cfg.TempoSlewTime, 2500);
  EXPECT_EQ(Cfg.SRecNoteLenFrac, 7);
  EXPECT_EQ(Cfg.SRecNoteOnPercent, 60);
  EXPECT_EQ(Cfg.LnTempoStep, 150);
  EXPECT_TRUE(u.chkIgnoreDriverTStamps->isChecked());
  EXPECT_TRUE(u.cboLgTempoSteps->isEnabled());
  EXPECT_FALSE(u.cboLnTempoSteps->isEnabled());
  EXPECT_FALSE(u.cboSRecChordDetectThreshold->isEnabled());

  Pick(u.cboTempoSlewTimes, "2");
  EXPECT_EQ(Cfg.TempoSlewTime, 2000);
  u.rbSRecNoteLenFrac8->click();
  EXPECT_EQ(Cfg.SRecNoteLenFrac, 8);
  u.rbSRecNoteOnPercent75->click();
  EXPECT_EQ(Cfg.SRecNoteOnPercent, 75);
  Pick(u.cboFtnTimerThreshold, "40");
  EXPECT_EQ(Cfg.FtnTimerThreshold, 40);
  u.chkUseLgTempos->click();
  EXPECT_EQ(Cfg.UseLgTempos, 0);
  EXPECT_TRUE(u.cboLnTempoSteps->isEnabled());
  EXPECT_FALSE(u.lblLgTempoSteps->isEnabled());
  u.chkSRecChordDetectReqd->click();
  EXPECT_EQ(Cfg.SRecChordDetectReqd, 1);
  EXPECT_TRUE(u.cboSRecChordDetectThreshold->isEnabled());

  // A key changing the step length shows at the next status tick.
  Cfg.SRecNoteLenFrac = 16;
  RaiseTopic(TTopic::StepRecNoteLen);
  form->Status().tmUpdateDspStatusTimer();
  EXPECT_EQ(t.StepLen->checkedId(), 16);
  // Local control switched off by the MIDI-in thread shows in its box.
  PlayCycle.LocalControlOn = 0;
  MidiIn.LocalCtlDirty = 1;
  form->Status().tmUpdateDspStatusTimer();
  EXPECT_FALSE(u.chkLocalControlOn->isChecked());
}

TEST_F(CfgBehaviourTimingTest, TimingWindowsThreeControlsFollowTheProgramState) {
  Ui::frmCfgTiming& u = *form->CfgTiming().ui;
  ui().mnuCfgTiming->trigger();
  struct Row {
    int8_t inputs;
    TProgState state;
    bool clockPort;
    bool stamps;
  } rows[] = {
      // Stopping leaves the port list as it was.
      {0, TProgState::Config, true, true},   {1, TProgState::Stopping, true, false},
      {0, TProgState::Running, true, false}, {0, TProgState::Initialising, false, false},
      {-1, TProgState::Config, false, true},
  };
  for (const Row& r : rows) {
    RunCtl.InPortsAllocated = r.inputs;
    RunHooks.ApplyProgState(r.state);
    EXPECT_EQ(u.cboClocksExtPNos->isEnabled(), r.clockPort) << int(r.state) << " " << int(r.inputs);
    EXPECT_EQ(u.lblClocksExtPNos->isEnabled(), r.clockPort) << int(r.state);
    EXPECT_EQ(u.chkIgnoreDriverTStamps->isEnabled(), r.stamps) << int(r.state);
  }
  RunCtl.InPortsAllocated = -1;
}

}  // namespace
}  // namespace vel
