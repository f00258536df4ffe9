#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <mutex>

#include "base/EngineLock.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "mainwindow/Kinetrace.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/KinetraceView.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainLanes.h"
#include "mainwindow/forms/SeqLane.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {
namespace {

// The main window started on the factory settings in a private home, shown offscreen.
class LanesFormTest : public test::FormRig {
 protected:
  void BeforeStart() override {
    StandInDspTimer([](TDspTimer, bool, int32_t) {});
  }
  void SetUp() override {
    FormRig::SetUp();
    if (HasFatalFailure()) return;
    form->show();
    QApplication::processEvents();
  }
  // One status tick's share: the copy under the lock, then the drawing and its paint.
  void Tick() {
    {
      std::lock_guard lock(EngineLock);
      form->Lanes().LanesAndKinetraceLocked();
    }
    form->Lanes().ApplyLanesAndKinetrace();
    QApplication::processEvents();
  }
};

TEST_F(LanesFormTest, LanesFollowTheSeqsAndAnUnchangedTickPaintsNothing) {
  {
    std::lock_guard lock(EngineLock);
    for (int32_t s = 0; s < 2; ++s) {
      TPartBuf& b = Seqs.PartBufs[0][s];
      b.Head = 0;
      b.SeqState = TSeqState::Playing;
      b.RElap = (s + 1) * 2 * Cfg.BarTicks;
      b.PElap = Cfg.BarTicks;
    }
    Cfg.DspSeqGrid = 0;
  }
  Tick();
  TSeqLane* lane0 = form->SeqRows()[0].SeqLane;
  TSeqLane* lane1 = form->SeqRows()[1].SeqLane;
  ASSERT_NE(lane0, nullptr);
  const int32_t full = form->SeqRows()[0].pnlSeq->width() - form->Columns().SeqLaneLeft - 4;
  ASSERT_GT(full, 100);
  EXPECT_EQ(lane1->Model().BarWidth, full);
  EXPECT_EQ(lane0->Model().BarWidth, full / 2);
  EXPECT_EQ(lane1->Model().PosnLeft, full / 4);
  EXPECT_TRUE(lane0->isVisible());
  EXPECT_EQ(form->SeqRows()[2].SeqLane->Model().BarWidth, 0);
  const int32_t paints0 = lane0->Paints();
  const int32_t paints1 = lane1->Paints();
  EXPECT_GT(paints1, 0);

  // Nothing moved: no repaint.
  Tick();
  Tick();
  EXPECT_EQ(lane0->Paints(), paints0);
  EXPECT_EQ(lane1->Paints(), paints1);

  // The position moves on: that lane alone repaints.
  {
    std::lock_guard lock(EngineLock);
    Seqs.PartBufs[0][1].PElap += Cfg.BarTicks;
  }
  Tick();
  EXPECT_EQ(lane1->Model().PosnLeft, full / 2);
  EXPECT_GT(lane1->Paints(), paints1);
  EXPECT_EQ(lane0->Paints(), paints0);

  // A seq far longer than the others shows its position as text instead.
  {
    std::lock_guard lock(EngineLock);
    Seqs.PartBufs[0][1].RElap = 40 * Cfg.BarTicks;
    Seqs.PartBufs[0][1].PElap = 2 * Cfg.BarTicks;
  }
  Tick();
  EXPECT_FALSE(lane1->isVisible());
  EXPECT_TRUE(form->SeqRows()[1].lblSeqNumPosn->isVisible());
  EXPECT_EQ(form->SeqRows()[1].lblSeqNumPosn->text().toStdString(), "(3)");
  EXPECT_EQ(lane0->Model().BarWidth, full);
}

TEST_F(LanesFormTest, KinetraceFadesUnderTheLockAndRepaintsOnlyOnChange) {
  QFrame* panel = form->Widgets().pnlKinetrace;
  ASSERT_TRUE(panel->isVisible());
  TKinetraceView* view = form->Lanes().KinetraceView;
  ASSERT_NE(view, nullptr);
  {
    std::lock_guard lock(EngineLock);
    PlayCycle.NoteOnCounts[0][60] = TNoteDsp{100, 100, 0};
    PlayCycle.NoteOnCounts[1][64] = TNoteDsp{100, 100, 500};
    PlayCycle.KinetraceDirty = 1;
  }
  Tick();
  // The released note faded one step (500 ms at 50 ms a tick) and asks for the next tick.
  EXPECT_EQ(PlayCycle.NoteOnCounts[1][64].Level, 90);
  EXPECT_EQ(PlayCycle.KinetraceDirty.load(), 1);
  EXPECT_EQ(PlayCycle.NoteOnCountsScroll, 1);
  ASSERT_EQ(view->Model().Count, 2);
  const TKinetraceGeom g = LayoutKinetraceBlobs(panel->width(), panel->height(), panel->frameWidth(),
                                                Cfg.KinetraceShape, Cfg.KinetraceSize, Cfg.KinetraceStyle);
  EXPECT_EQ(view->Model().Blobs[0], PlaceBlob(g, Cfg.KinetraceTail, 60, 100, Cfg.ClKinetraceChan[0]));
  const int32_t paints = view->Paints();
  EXPECT_GT(paints, 0);

  // The held note alone: the display settles and stops repainting.
  {
    std::lock_guard lock(EngineLock);
    PlayCycle.NoteOnCounts[1][64] = TNoteDsp{};
  }
  Tick();
  EXPECT_EQ(view->Model().Count, 1);
  EXPECT_EQ(PlayCycle.KinetraceDirty.load(), 0);
  const int32_t settled = view->Paints();
  EXPECT_GT(settled, paints);
  Tick();
  form->Lanes().ApplyLanesAndKinetrace();
  QApplication::processEvents();
  EXPECT_EQ(view->Paints(), settled);
}

TEST_F(LanesFormTest, KinetraceBoundsByPositionAndItsPicture) {
  QFrame* panel = form->Widgets().pnlKinetrace;
  // Position 3: between the Metronome and Clock boxes, the Clock box's size less 5 in height.
  Cfg.KinetracePosn = 3;
  form->PlaceGroupBoxes();
  const QRect metr = form->Widgets().grpMetr->geometry();
  const QRect clock = form->Widgets().grpClock->geometry();
  EXPECT_EQ(panel->geometry(), QRect(metr.right() + 1 + 4, clock.y() + 5, clock.width(), clock.height() - 5));
  EXPECT_EQ(clock.x(), panel->geometry().right() + 1 + 4);
  const int32_t b = panel->frameWidth();
  EXPECT_EQ(form->Lanes().KinetraceView->geometry(),
            QRect(b, b, panel->width() - 2 * b, panel->height() - 2 * b));

  // A small picture, not stretched, stands centred in the inner area at its own size.
  form->Lanes().KinetraceView->SetPicture(QImage(20, 10, QImage::Format_RGB32));
  Cfg.KinetraceImgFile = dir + "/bg.png";
  Cfg.KinetraceImgVisible = 1;
  Cfg.KinetraceImgStretch = 0;
  form->Lanes().SetKinetraceBounds();
  EXPECT_TRUE(form->Lanes().KinetraceView->PictureShown());
  EXPECT_EQ(form->Lanes().KinetraceView->PictureBox(),
            KinetracePictureRect(panel->width(), panel->height(), b, 20, 10, false));

  // Off, or at no position: hidden.
  Cfg.KinetracePosn = 0;
  form->Lanes().SetKinetraceBounds();
  EXPECT_FALSE(panel->isVisible());
  Cfg.KinetracePosn = 3;
  Cfg.DspKinetrace = 0;
  form->Lanes().SetKinetraceBounds();
  EXPECT_FALSE(panel->isVisible());
}

}  // namespace
}  // namespace vel
