#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <string>

#include "base/Showing.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "settings/forms/CfgMChan.h"
#include "ui_CfgMChan.h"
#include "ui_Main.h"

namespace vel {
namespace {

using CfgMChanTest = test::FormRig;

// A user's pick of a list item.
void Pick(QComboBox* c, const QString& text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

bool RowShown(const TfrmCfgMChan::TPortRow& r) {
  return !r.Label->isHidden() && !r.On->isHidden() && !r.Min->isHidden() && !r.Pipes->isHidden() &&
         !r.Offsets[15]->isHidden();
}

// What the loader shows of each stored value, and that showing stores nothing.
TEST_F(CfgMChanTest, LoaderShowsTheAllocatedPortsRowsRangesAndOffsets) {
  RunCtl.OutPortsAllocated = 1;
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMin[0] = 2;
  Cfg.MChanMax[0] = 5;
  Cfg.MChanPitchOffset[0][2] = 7;
  Cfg.MChanPitchOffset[0][3] = -12;
  Cfg.MChanPitchOffset[0][4] = 40;  // a hand-edited value the list lacks
  Cfg.MChanEnabled[1] = 0;
  Cfg.MChanMin[1] = 9;
  Cfg.MChanMax[1] = 3;
  const auto before = Cfg;
  ui().mnuCfgMChan->trigger();
  TfrmCfgMChan& w = form->CfgMChan();
  ASSERT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle().toStdString(), "Settings - Channel multiplier");
  EXPECT_TRUE(RowShown(w.Rows[0]) && RowShown(w.Rows[1]));
  EXPECT_TRUE(w.Rows[2].Label->isHidden() && w.Rows[2].Offsets[0]->isHidden());
  EXPECT_EQ(w.ui->grpOffsets->height(), w.ui->grpState->height());
  const auto& r0 = w.Rows[0];
  EXPECT_TRUE(r0.On->isChecked());
  EXPECT_EQ(r0.Min->currentText(), "3");
  EXPECT_EQ(r0.Max->currentText(), "6");
  EXPECT_EQ(r0.Offsets[2]->currentText(), "+7");
  EXPECT_EQ(r0.Offsets[3]->currentText(), "-12");
  EXPECT_EQ(r0.Offsets[4]->currentIndex(), -1);
  EXPECT_EQ(r0.Offsets[0]->currentText(), "0");
  struct Cell {
    int port, chan;
    bool bold;
    const char* colour;
  } cells[] = {
      {0, 1, false, "#c0f0c0"}, {0, 2, true, "#ef9090"}, {0, 5, true, "#ef9090"}, {0, 6, false, "#c0f0c0"},
      {1, 3, false, ""},        {1, 9, false, ""},  // Min above Max: nothing inside, and off
  };
  for (const Cell& c : cells) {
    const QComboBox* o = w.Rows[c.port].Offsets[c.chan];
    EXPECT_EQ(o->font().bold(), c.bold) << c.port << "/" << c.chan;
    if (*c.colour) {
      EXPECT_TRUE(o->styleSheet().contains(c.colour)) << c.port << "/" << c.chan;
    } else {
      EXPECT_FALSE(o->styleSheet().contains("background")) << c.port << "/" << c.chan;
    }
  }
  EXPECT_EQ(Cfg.MChanPitchOffset, before.MChanPitchOffset);
  EXPECT_EQ(Cfg.MChanEnabled, before.MChanEnabled);

  // Off keeps the range in bold and drops the colours.
  r0.On->click();
  EXPECT_EQ(Cfg.MChanEnabled[0], 0);
  EXPECT_TRUE(r0.Offsets[2]->font().bold());
  EXPECT_FALSE(r0.Offsets[2]->styleSheet().contains("background"));
  EXPECT_FALSE(r0.Offsets[1]->styleSheet().contains("background"));
}

TEST_F(CfgMChanTest, PicksStoreTheShownValueAndPresetsFillOnlyTheRange) {
  RunCtl.OutPortsAllocated = 0;
  Cfg.MChanMin[0] = 2;
  Cfg.MChanMax[0] = 5;
  Cfg.MChanPitchOffset[0][1] = 3;
  Cfg.MChanPitchOffset[0][6] = 40;
  ui().mnuCfgMChan->trigger();
  TfrmCfgMChan& w = form->CfgMChan();
  const auto& r = w.Rows[0];
  Pick(r.Offsets[9], "+12");
  Pick(r.Offsets[10], "-3");
  EXPECT_EQ(Cfg.MChanPitchOffset[0][9], 12);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][10], -3);

  r.Pipes->click();
  for (int c = 2; c <= 5; ++c)
    EXPECT_EQ(r.Offsets[c]->currentText().toInt(), Cfg.MChanPitchOffset[0][c]) << c;
  EXPECT_EQ(Cfg.MChanPitchOffset[0][2], -12);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][3], 7);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][4], 0);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][5], 12);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][1], 3);  // outside the range: kept
  EXPECT_EQ(Cfg.MChanPitchOffset[0][6], 40);

  Pick(r.Min, "6");
  Pick(r.Max, "6");
  EXPECT_EQ(Cfg.MChanMin[0], 5);
  EXPECT_EQ(Cfg.MChanMax[0], 5);
  EXPECT_TRUE(r.Offsets[5]->font().bold());
  EXPECT_FALSE(r.Offsets[4]->font().bold());
  r.Zero->click();  // a range of one channel
  EXPECT_EQ(Cfg.MChanPitchOffset[0][5], 0);
  EXPECT_EQ(Cfg.MChanPitchOffset[0][2], -12);
  EXPECT_EQ(r.Offsets[5]->currentText(), "0");

  Pick(r.Min, "8");  // above Max: stored, and the presets do nothing
  EXPECT_EQ(Cfg.MChanMin[0], 7);
  EXPECT_FALSE(r.Offsets[5]->font().bold());
  const auto offsets = Cfg.MChanPitchOffset;
  r.Pipes->click();
  r.Zero->click();
  EXPECT_EQ(Cfg.MChanPitchOffset, offsets);
}

// The Pipes preset reaches +36: each list, bold inside the range or plain outside, shows every value
// whole, twenty at a time.
TEST_F(CfgMChanTest, OffsetListsShowTheirWidestValuesWhole) {
  RunCtl.OutPortsAllocated = 0;
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMin[0] = 0;
  Cfg.MChanMax[0] = 7;
  ui().mnuCfgMChan->trigger();
  TfrmCfgMChan& w = form->CfgMChan();
  for (int chan : {0, 8}) {
    QComboBox* o = w.Rows[0].Offsets[static_cast<size_t>(chan)];
    EXPECT_EQ(o->font().bold(), chan == 0);
    o->showPopup();
    QAbstractItemView* v = o->view();
    // The room each value needs, as the list's own item painter asks for it.
    EXPECT_GE(v->viewport()->width(), v->sizeHintForColumn(0)) << chan;
    EXPECT_EQ(v->viewport()->height() / v->sizeHintForRow(0), 20) << chan;
    o->hidePopup();
  }
}

TEST_F(CfgMChanTest, APortAllocatedWhileTheWindowIsOpenShowsItsRow) {
  const int32_t allocated = RunCtl.OutPortsAllocated;
  ASSERT_LT(allocated, kPorts - 1);
  ui().mnuCfgMChan->trigger();
  TfrmCfgMChan& w = form->CfgMChan();
  const auto& next = w.Rows[static_cast<size_t>(allocated + 1)];
  EXPECT_TRUE(next.Label->isHidden());
  const int before = w.ui->grpState->height();
  ui().mnuCfgPorts->trigger();
  const auto found = ui().lstOutDNames->findItems("Loopback Out 2", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  ui().lstOutDNames->setCurrentItem(found.first());
  ui().sbtnOutPortAlloc->click();
  ASSERT_EQ(RunCtl.OutPortsAllocated, allocated + 1);
  EXPECT_TRUE(RowShown(next));
  EXPECT_EQ(w.ui->grpState->height(), before + 21);
}

}  // namespace
}  // namespace vel
