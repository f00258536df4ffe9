#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainStatus.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {
namespace {

// The main window started offscreen on the loopback backend, with its own display hooks.
class StatusDisplayTest : public test::FormRig {
 protected:
};

TEST_F(StatusDisplayTest, AnUnchangedSnapshotAppliesNothingTheSecondTime) {
  // Start-up ended in Config: the status timer runs at the Config rate.
  EXPECT_TRUE(form->Status().tmUpdateDspStatus->isActive());
  EXPECT_EQ(form->Status().tmUpdateDspStatus->interval(), 100);
  EXPECT_TRUE(form->Status().tmUpdateDspStatus->isSingleShot());
  form->Status().UpdateDspStatus();
  const int64_t first = form->Status().DspApplies();
  EXPECT_GT(first, 0);
  form->Status().UpdateDspStatus();
  EXPECT_EQ(form->Status().DspApplies(), first);
  // Seq 1: seq 0 is the metronome's, which has its bar once an output port is allocated.
  EXPECT_EQ(form->SeqRows()[1].lblSeqState->text().toStdString(), "-");
  EXPECT_EQ(form->SeqRows()[1].lblSeqTrans->text().toStdString(), "+0");
  EXPECT_EQ(form->Widgets().lblvTempoInt->text().toStdString(), "120");

  // A change shows at the next tick, and only it is applied.
  {
    std::lock_guard lock(EngineLock);
    Seqs.PartBufs[0][1].PitchBase = 7;
  }
  form->Status().UpdateDspStatus();
  EXPECT_EQ(form->SeqRows()[1].lblSeqTrans->text().toStdString(), "+7");
  EXPECT_EQ(form->Status().DspApplies(), first + 2);  // the pitch's offset and the base
}

TEST_F(StatusDisplayTest, TheFlashRunsAtTheTimersOwnIntervalInConfig) {
  // Key mode 0: the control button's text blinks. At the Config rate of 100 ms the fourth tick is
  // the dark one, whatever the running interval setting says.
  Cfg.DspStatusInterval = 50;
  std::vector<bool> bright;
  for (int tick = 0; tick < 6; ++tick) {
    form->Status().UpdateDspStatus();
    const QColor c = form->Widgets().sbtnControl->palette().color(
        QPalette::Active, form->Widgets().sbtnControl->foregroundRole());
    bright.push_back(c == QColor(128, 0, 0));
  }
  EXPECT_EQ(bright, (std::vector<bool>{true, true, true, false, true, true}));
}

TEST_F(StatusDisplayTest, BusyEngineSkipsTheTickAndAWarningTakesItsText) {
  Msgs.WarnMsg.Set("Tempo command ignored; active tempo is external");
  std::thread holder;
  std::atomic<bool> held{false}, release{false};
  holder = std::thread([&] {
    std::lock_guard lock(EngineLock);
    held = true;
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  const int32_t warnings = Msgs.WarningCount;
  form->Status().UpdateDspStatus();
  release = true;
  holder.join();
  EXPECT_EQ(form->Status().DspSkippedTicks(), 1);
  // The message was taken before the engine lock was tried.
  EXPECT_EQ(Msgs.WarningCount, warnings + 1);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Warning: Tempo command ignored; active tempo is external");
}

TEST_F(StatusDisplayTest, ExternalClockLossWarnsOnceAndChecksInternal) {
  {
    std::lock_guard lock(EngineLock);
    Cfg.ClocksSourceInternal = 0;
    Cfg.ClocksSourceExtLock = 0;
    Cfg.ClocksExtPNo = 1;
    Transport.ClockWatchMs = 500;
    MidiIn.ExtClockLastMs = 100;
    MidiIn.ExtClockAvg = 21;
  }
  form->Widgets().rbClocksExt->setChecked(true);
  RunCtl.ProgState = TProgState::Running;
  const int32_t warnings = Msgs.WarningCount;
  for (int tick = 0; tick < 3; ++tick) form->Status().UpdateDspStatus();
  RunCtl.ProgState = TProgState::Config;
  EXPECT_EQ(Msgs.WarningCount, warnings + 1);
  EXPECT_EQ(Msgs.StatusAlertText.Peek(),
            "Warning: No MIDI clocks from input P2; switching to internal clock source");
  EXPECT_TRUE(form->Widgets().rbClocksInt->isChecked());
  EXPECT_EQ(MidiIn.ExtClockAvg.load(), 0);
  EXPECT_EQ(form->Widgets().lblvTempoExt->text().toStdString(), "?");
}

TEST_F(StatusDisplayTest, TheDrainMovesOneTraceAndOneTextATickAndTheUsageReportGoesToTheLog) {
  Trace.DiagFlags = 1;
  Trace.DecodeTrace = 0;
  WriteDiagTraceFifo(0, 0x00403C90, 1234);
  WriteDiagTraceFifo(2, 0x000000F8, 7);
  PostDiagMsg("first");
  PostDiagMsg("second");
  rec.log.clear();
  form->Status().UpdateDspDiag();
  ASSERT_EQ(rec.log.size(), 2u);
  EXPECT_EQ(rec.log[0].substr(9), "P1- 1234 00403C90");
  EXPECT_EQ(rec.log[1].substr(9), "first");
  form->Status().UpdateDspDiag();
  form->Status().UpdateDspDiag();
  ASSERT_EQ(rec.log.size(), 4u);
  EXPECT_EQ(rec.log[2].substr(9), "P3- 7 000000F8");
  EXPECT_EQ(rec.log[3].substr(9), "second");

  rec.log.clear();
  RunHooks.UsageReport();
  ASSERT_FALSE(rec.log.empty());
  EXPECT_EQ(rec.log.back(), "Warnings " + std::to_string(Msgs.WarningCount.load()) + ", errors " +
                                std::to_string(Msgs.ErrorCount.load()));
  Trace.DiagFlags = 0;
  Trace.DecodeTrace = 1;
  rec.log.clear();
  form->Status().UpdateDspDiag();
  RunHooks.UsageReport();
  EXPECT_TRUE(rec.log.empty());
}

TEST_F(StatusDisplayTest, MetronomeTickShowsTheBeat) {
  {
    std::lock_guard lock(EngineLock);
    Transport.ActBar.BeatTicks = 3840;
    Transport.ActBar.NoteLenFrac = 4;
  }
  PlayCycle.BeatNo = 3;
  PlayCycle.BarNo = 12;
  PlayCycle.BeatChanged = 1;
  Transport.MsClock = 5000;
  form->Status().UpdateDspMetr();
  EXPECT_EQ(form->Widgets().lblvBeat->text().toStdString(), "3/4");
  EXPECT_EQ(form->Widgets().lblvBar->text().toStdString(), "12");
  EXPECT_EQ(PlayCycle.BeatChanged.load(), 0);
  const int64_t applied = form->Status().DspApplies();
  form->Status().UpdateDspMetr();  // no new beat: nothing to apply
  EXPECT_EQ(form->Status().DspApplies(), applied);
}

TEST_F(StatusDisplayTest, ItsHooksGoWithTheWindow) {
  EXPECT_TRUE(RunHooks.SetDspTimer);
  EXPECT_TRUE(RunHooks.UsageReport);
  EnableDspMetr(true);
  EXPECT_TRUE(form->Status().tmUpdateDspMetr->isActive());
  EXPECT_EQ(form->Status().tmUpdateDspMetr->interval(), Cfg.DspMetrInterval);
  DisableDspTimers();
  EXPECT_FALSE(form->Status().tmUpdateDspStatus->isActive());
  EXPECT_FALSE(form->Status().tmUpdateDspMetr->isActive());
  form.reset();
  EXPECT_FALSE(RunHooks.SetDspTimer);
  EXPECT_FALSE(RunHooks.UsageReport);
}

}  // namespace
}  // namespace vel
