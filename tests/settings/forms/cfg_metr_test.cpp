#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QToolButton>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/PartBufs.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/Settings.h"
#include "settings/forms/CfgMetr.h"
#include "ui_CfgMetr.h"
#include "ui_Main.h"

namespace vel {
namespace {

using CfgMetrTest = test::FormRig;
using CfgMetrRunTest = test::RunFormRig;

void Pick(QComboBox* c, const QString& text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

QStringList Items(QComboBox* c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}

bool ChannelsEnabled(const Ui::frmCfgMetr& u) {
  const bool on = u.cboMetrDrumChan->isEnabled();
  EXPECT_EQ(u.cboMetrBassChan->isEnabled(), on);
  EXPECT_EQ(u.lblMetrChan->isEnabled(), on);
  EXPECT_EQ(u.lblMetrDrumChan->isEnabled(), on);
  EXPECT_EQ(u.lblMetrBassChan->isEnabled(), on);
  return on;
}

TEST_F(CfgMetrTest, MenuItemAndShowCfgMetrOpenItWithTheMainWindowsTitle) {
  TfrmCfgMetr& m = form->CfgMetr();
  EXPECT_FALSE(m.isVisible());
  ASSERT_TRUE(ui().mnuCfgMetrSeq->isEnabled());
  for (int way = 0; way < 2; ++way) {
    if (way == 0)
      ui().mnuCfgMetrSeq->trigger();
    else
      form->Views().ShowCfgMetr();
    EXPECT_TRUE(m.isVisible()) << way;
    EXPECT_EQ(m.windowTitle().toStdString(), SettingsCaption("Settings - Metronome"));
    m.close();
    EXPECT_FALSE(m.isVisible()) << way;
  }
  // The style windows are offered as the main window offers them.
  ui().mnuCfgMetrSeq->trigger();
  EXPECT_TRUE(m.ui->sbtnConfigDrum->isEnabled());
  EXPECT_TRUE(m.ui->sbtnConfigBass->isEnabled());
}

// What the loader shows of each stored value (which stays stored), with no output port.
TEST_F(CfgMetrTest, LoaderShowsEachValuesButtonAndItemAndStoresNothing) {
  TfrmCfgMetr& m = form->CfgMetr();
  struct Row {
    int32_t lenFrac, lenButton;
    int32_t percent, percentButton;
    int32_t maxActive, seq;
    QStringList items;
    int32_t item;
    bool channels;
  } rows[] = {
      {2, 2, 5, 5, 3, -1, {"None", "1", "2", "3", "4"}, 0, false},
      {64, 64, 99, 99, 3, 3, {"None", "1", "2", "3", "4"}, 4, true},
      {8, 8, 75, 75, 1, 1, {"None", "1", "2"}, 2, true},
      {12, 8, 60, 75, 1, 2, {"None", "1", "2"}, -1, false},  // past the list: no choice
      {128, 8, 100, 75, 0, 0, {"None", "1"}, 1, true},
  };
  ui().mnuCfgMetrSeq->trigger();
  for (const Row& r : rows) {
    Cfg.MetrNoteLenFrac = r.lenFrac;
    Cfg.MetrNoteOnPercent = r.percent;
    Cfg.MaxActiveSeqs = r.maxActive;
    Cfg.MetrSeqNo = r.seq;
    Cfg.MetrDrumChan = 9;
    Cfg.MetrBassChan = 0;
    Cfg.MetrStartOnLeft = r.channels ? 1 : 0;
    m.Reload();
    EXPECT_EQ(m.NoteLenFrac->checkedId(), r.lenButton) << r.lenFrac;
    EXPECT_EQ(m.NoteOnPercent->checkedId(), r.percentButton) << r.percent;
    EXPECT_EQ(Items(m.ui->cboMetrSeqNos), r.items) << r.seq;
    EXPECT_EQ(m.ui->cboMetrSeqNos->currentIndex(), r.item) << r.seq;
    EXPECT_FALSE(m.ui->cboMetrSeqNos->isEnabled());  // no output port
    EXPECT_EQ(ChannelsEnabled(*m.ui), r.channels) << r.seq;
    EXPECT_EQ(m.ui->cboMetrDrumChan->currentText(), "10");
    EXPECT_EQ(m.ui->cboMetrBassChan->currentText(), "1");
    EXPECT_EQ(m.ui->chkMetrStartOnLeft->isChecked(), r.channels);
    EXPECT_EQ((std::vector<int32_t>{Cfg.MetrNoteLenFrac, Cfg.MetrNoteOnPercent, Cfg.MetrSeqNo}),
              (std::vector<int32_t>{r.lenFrac, r.percent, r.seq}));
  }
  // A pick stores the shown value.
  Cfg.MetrNoteOnPercent = 60;
  Cfg.MetrStartOnLeft = 0;
  m.Reload();
  m.ui->rbMetrNoteOnPercent75->click();
  EXPECT_EQ(Cfg.MetrNoteOnPercent, 75);
  Pick(m.ui->cboMetrDrumChan, "16");
  Pick(m.ui->cboMetrBassChan, "3");
  EXPECT_EQ(Cfg.MetrDrumChan, 15);
  EXPECT_EQ(Cfg.MetrBassChan, 2);
  m.ui->chkMetrStartOnLeft->click();
  EXPECT_EQ(Cfg.MetrStartOnLeft, 1);
}

// Notes per bar shorter than the time signature's beat are refused and the buttons show the
// stored value; a time signature that moved it re-selects its button.
TEST_F(CfgMetrTest, ARefusedNotesPerBarPickReturnsTheButton) {
  TfrmCfgMetr& m = form->CfgMetr();
  Cfg.NoteLenFrac = 8;
  Cfg.MetrNoteLenFrac = 8;
  ui().mnuCfgMetrSeq->trigger();
  (void)Msgs.WarnMsg.TakeAndClear();
  m.ui->rbMetrNoteLenFrac4->click();
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Value 1/4 ignored - incompatible with current time signature");
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 8);
  EXPECT_EQ(m.NoteLenFrac->checkedId(), 8);
  m.ui->rbMetrNoteLenFrac16->click();
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 16);
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "");
  {
    std::lock_guard lock(EngineLock);
    Cfg.MetrNoteLenFrac = 32;
  }
  PublishTopic(TTopic::MetrNoteLen);
  EXPECT_EQ(m.NoteLenFrac->checkedId(), 32);
}

// With an output port the seq list is live: "None" switches the metronome off, a change is
// refused while a seq runs and an overwrite asks first; each refusal shows the stored seq again.
TEST_F(CfgMetrRunTest, SeqChangesRefusedOrDeclinedShowTheStoredSeqAgain) {
  TfrmCfgMetr& m = form->CfgMetr();
  Cfg.MaxActiveSeqs = 3;
  Cfg.MetrSeqNo = 0;
  RunCtl.OutPortsAllocated = -1;
  ui().mnuCfgMetrSeq->trigger();
  QComboBox* seqs = m.ui->cboMetrSeqNos;
  EXPECT_FALSE(seqs->isEnabled());
  // The list follows the outputs while the window shows: allocated, closed, re-found.
  RunCtl.OutPortsAllocated = 0;
  PortHooks.PortUsersChanged(TPortSide::Outputs);
  EXPECT_TRUE(seqs->isEnabled());
  RunCtl.OutPortsAllocated = -1;
  PublishTopic(TTopic::OutPortsClosed);
  EXPECT_FALSE(seqs->isEnabled());
  RunCtl.OutPortsAllocated = 0;
  RefreshHooks.PortRowsChanged(TPortSide::Outputs);
  ASSERT_TRUE(seqs->isEnabled());
  EXPECT_TRUE(ChannelsEnabled(*m.ui));
  Pick(seqs, "None");
  EXPECT_EQ(Cfg.MetrSeqNo, -1);
  EXPECT_FALSE(ChannelsEnabled(*m.ui));

  {
    std::lock_guard lock(EngineLock);
    SeqBuf(2).Head = 0;  // seq 3 holds events
  }
  rec.Answer(MsgAnswer::No);
  Pick(seqs, "3");
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "About to overwrite seq 3 with metronome pattern, ok?");
  EXPECT_EQ(Cfg.MetrSeqNo, -1);
  EXPECT_EQ(seqs->currentText(), "None");
  EXPECT_FALSE(ChannelsEnabled(*m.ui));

  {
    std::lock_guard lock(EngineLock);
    SeqBuf(2).Head = -1;
    SeqBuf(1).SeqState = TSeqState::Playing;
  }
  Pick(seqs, "2");
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[1].text, "Cannot change metronome seq while seqs are running");
  EXPECT_EQ(Cfg.MetrSeqNo, -1);
  EXPECT_EQ(seqs->currentText(), "None");
  EXPECT_FALSE(ChannelsEnabled(*m.ui));
  {
    std::lock_guard lock(EngineLock);
    SeqBuf(1).SeqState = TSeqState::Stopped;
  }
  Pick(seqs, "4");
  EXPECT_EQ(Cfg.MetrSeqNo, 3);
  EXPECT_TRUE(ChannelsEnabled(*m.ui));
  EXPECT_EQ(rec.boxes.size(), 2u);
}

}  // namespace
}  // namespace vel
