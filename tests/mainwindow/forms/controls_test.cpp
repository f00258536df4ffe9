#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainControls.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"
#include "ui_Main.h"

namespace vel {
namespace {

using Ints = std::vector<int>;

// The main window started on factory settings in a private home, on the loopback backend.
class ControlsTest : public test::FormRig {
 protected:
  void SetUp() override {
    FormRig::SetUp();
    ASSERT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  }
  void TearDown() override {
    RunCtl.ProgState = TProgState::Config;
    FormRig::TearDown();
  }
  // The user's choice of an item.
  static void Choose(QComboBox* cbo, int index) {
    cbo->setCurrentIndex(index);
    emit cbo->activated(index);
  }
  static void Click(QAbstractButton* b, bool checked) {
    b->setChecked(checked);
    emit b->clicked(checked);
  }
  static void LeftClick(QWidget* w) {
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(t, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w, &e);
    }
  }
  static Ints Selected() {
    std::lock_guard lock(EngineLock);
    Ints sel;
    for (int s = 0; s <= LastSeq(); ++s)
      if (SeqBuf(s).Selected) sel.push_back(s);
    return sel;
  }
  static bool Bold(const QWidget* w) { return w->font().bold(); }
};

TEST_F(ControlsTest, SelectedRowsKeepTheirSelectionThroughTheRefresh) {
  {
    std::lock_guard lock(EngineLock);
    for (int s : {0, 1, 3}) SeqBuf(s).Selected = 1;
  }
  Choose(form->SeqRows()[1].cboSeqSVel, 7);
  Ints svels;
  for (int s = 0; s < 4; ++s) svels.push_back(SeqBuf(s).Act.SVel);
  EXPECT_EQ(svels, (Ints{7, 7, 5, 7}));
  EXPECT_EQ(Selected(), (Ints{0, 1, 3}));
  EXPECT_EQ(form->SeqRows()[3].cboSeqSVel->currentIndex(), 7) << "the lists show the values again";
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  // The live row's channel outlives the refresh it runs.
  ASSERT_EQ(RunCtl.LivePort, 0);
  Choose(form->Widgets().cboLiveChans, 4);
  EXPECT_EQ(Live.Chan[0], 4);
  EXPECT_EQ(form->Widgets().cboLiveChans->currentIndex(), 4);

  // The "Seq" heading: some unselected selects all, all selected deselects all.
  LeftClick(form->Widgets().lblSeqNos);
  EXPECT_EQ(Selected(), (Ints{0, 1, 2, 3}));
  LeftClick(form->Widgets().lblSeqPartNos);
  EXPECT_EQ(Selected(), Ints{});
  // Held down, the track heading shows the other position format; released, the usual one.
  const uint8_t posn = Cfg.DspSeqNumPosn;
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(t, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->Widgets().lblSeqTracks, &e);
    EXPECT_EQ(Cfg.DspSeqNumPosn, t == QEvent::MouseButtonPress ? !posn : posn);
  }
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ControlsTest, TimeSignatureTempoAndMetronomeType) {
  const Ui::frmMain& ui = form->Widgets();
  // Under the drum style's control the beats list refuses and shows the stored value again.
  Cfg.MetrSeqNo = 0;
  Cfg.MetrModeStyles = 1;
  Cfg.MetrTypePitchLocked = 1;
  DrumStore.UsePatTSig = 1;
  Choose(ui.cboTSigBeats, 1);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text,
            "Main time signature is being overridden by the current metronome Drum style.\r\n\r\nEither "
            "uncheck Styles here, or uncheck 'Override main tsig' in Settings, Metronome, Drum...");
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(Cfg.BeatsPerBar, 4);
  EXPECT_EQ(ui.cboTSigBeats->currentText().toStdString(), "4");
  // Free of it, 3/4 reaches the active bar with its length.
  Cfg.MetrModeStyles = 0;
  Choose(ui.cboTSigBeats, 1);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 3);
  EXPECT_EQ(Transport.ActBar.BarTicks, 3 * 3840);
  EXPECT_EQ(rec.boxes.size(), 1u);

  // Tempo lists: no glide; a tempo outside the list is held to it and the list follows.
  const std::tuple<QComboBox*, int, int, int> tempos[] = {{ui.cboTempoIntLSB, 80, 10000, 80},
                                                          {ui.cboTempoIntLSB, -1, 2000, 0},
                                                          {ui.cboTempoIntLSB, 300, 32000, 300}};
  for (const auto& [cbo, index, tempo, shown] : tempos) {
    Choose(cbo, index);
    EXPECT_EQ(Cfg.Tempo, tempo) << index;
    EXPECT_EQ(Cfg.TargetTempo, tempo) << index;
    EXPECT_EQ(ui.cboTempoIntLSB->currentIndex(), shown) << index;
  }

  // Type buttons: pressing the type in force does nothing; switching while running with a
  // metronome seq rebuilds the bar without the refresh (which would refuse while running).
  emit ui.sbtnMetrTypePitchLocked->clicked(false);
  EXPECT_EQ(Cfg.MetrTypePitchLocked, 1);
  EXPECT_TRUE(Bold(ui.sbtnMetrTypePitchLocked));
  {
    std::lock_guard lock(EngineLock);
    ClearPartBuf(0, 0);
    RunCtl.OutPortsAllocated = 0;  // the builder writes only for an output
  }
  RunCtl.ProgState = TProgState::Running;
  emit ui.sbtnMetrTypePitched->clicked(false);
  RunCtl.ProgState = TProgState::Config;
  RunCtl.OutPortsAllocated = -1;
  EXPECT_EQ(Cfg.MetrTypePitchLocked, 0);
  EXPECT_TRUE(Bold(ui.sbtnMetrTypePitched));
  EXPECT_FALSE(Bold(ui.sbtnMetrTypePitchLocked));
  EXPECT_GE(SeqBuf(0).Head, 0) << "the bar was rebuilt";
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "");
  // Bars buttons: the bold one follows the setting.
  emit ui.sbtnMetrBars3->clicked(false);
  EXPECT_EQ(Cfg.MetrBars, 3);
  EXPECT_TRUE(Bold(ui.sbtnMetrBars3));
  EXPECT_FALSE(Bold(ui.sbtnMetrBars1));
}

TEST_F(ControlsTest, AColouredControlThatIsDisabledStillLooksDisabled) {
  QToolButton button;
  button.setEnabled(false);
  const QColor grey = button.palette().color(QPalette::Disabled, button.foregroundRole());
  const QColor own(1, 2, 3);
  ASSERT_NE(grey, own);
  SetFgColour(&button, own);
  EXPECT_EQ(button.palette().color(QPalette::Active, button.foregroundRole()), own);
  EXPECT_EQ(button.palette().color(QPalette::Inactive, button.foregroundRole()), own);
  EXPECT_EQ(button.palette().color(QPalette::Disabled, button.foregroundRole()), grey);
}

TEST_F(ControlsTest, ClockSourceAndInputOctave) {
  const Ui::frmMain& ui = form->Widgets();
  // Start-up shows the settings: the source is read back from these boxes.
  EXPECT_TRUE(ui.rbClocksInt->isChecked());
  EXPECT_FALSE(ui.chkClocksExtLock->isChecked());
  EXPECT_TRUE(ui.chkQuantNoteOffs->isChecked());
  Click(ui.rbClocksExt, true);
  EXPECT_EQ(Cfg.ClocksSourceInternal, 0);
  EXPECT_FALSE(ui.cboTempoIntLSB->isEnabled());
  EXPECT_TRUE(Bold(ui.lblvTempoExt));
  EXPECT_FALSE(Bold(ui.lblvTempoInt));
  // The status tick's way back on losing the clock: the box checked, then the source applied, after
  // which the unlocked-external condition that warns no longer holds.
  ui.rbClocksInt->setChecked(true);
  form->Controls().ApplyClockSource();
  EXPECT_EQ(Cfg.ClocksSourceInternal, 1);
  EXPECT_FALSE(ui.rbClocksExt->isChecked());
  EXPECT_TRUE(ui.cboTempoIntLSB->isEnabled());
  EXPECT_TRUE(Bold(ui.lblvTempoInt));
  Click(ui.chkClocksExtLock, true);
  EXPECT_EQ(Cfg.ClocksSourceExtLock, 1);

  // Calibration moved the offset to +2 behind the up-down's back: a step starts from there.
  Cfg.InPortOctaveOffset[0] = 2;
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(ui.udInPort0Oct, &up);
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 3);
  EXPECT_EQ(ui.lblvInPort0OctOffset->text().toStdString(), "+3");
  Choose(ui.cboInPort0FilterChan, 0);
  EXPECT_EQ(Cfg.MainInPortFilterChan, -1);
  Choose(ui.cboInPort0FilterChan, 16);
  EXPECT_EQ(Cfg.MainInPortFilterChan, 15);
}

TEST_F(ControlsTest, ListsShowTheNumberStoredAndLeaveOthersStored) {
  const Ui::frmMain& ui = form->Widgets();
  Cfg.MetrTypePitchLocked = 1;
  Choose(ui.cboMetrBarSVel, 6);
  EXPECT_EQ(Cfg.MetrDrumBarSVel, 7);
  EXPECT_EQ(ui.cboMetrBarSVel->currentIndex(), 6);
  // Values a hand-edited file gave that no list holds: no selection, and kept.
  Cfg.MetrDrumBarSVel = 0;
  Cfg.MainInPortFilterChan = 20;
  form->Controls().RefreshAllControls();
  EXPECT_EQ(ui.cboMetrBarSVel->currentIndex(), -1);
  EXPECT_EQ(ui.cboInPort0FilterChan->currentIndex(), -1);
  EXPECT_EQ(Cfg.MetrDrumBarSVel, 0);
  EXPECT_EQ(Cfg.MainInPortFilterChan, 20);
}

}  // namespace
}  // namespace vel
