#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QThread>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Showing.h"
#include "engine/EngineTestState.h"
#include "mainwindow/forms/FormRig.h"
#include "tools/SampleAid.h"
#include "tools/forms/SampleAidWindow.h"
#include "ui_SampleAidWindow.h"

namespace vel {
namespace {

constexpr int kSample = TfrmSampleAid::kSample;
constexpr int kAudition = TfrmSampleAid::kAudition;

class SampleAidWindowTest : public test::RunFormRig {
 protected:
  // Running, the window open and what its opening sent cleared.
  TfrmSampleAid& Open() {
    Run();
    emit ui().mnuTools->aboutToShow();
    ui().mnuToolsSampleAid->trigger();
    TfrmSampleAid& w = form->SampleAidWindow();
    w.SampleAidRefresh();
    midi::loopback::ClearSent();
    return w;
  }
  static void Tick() {
    std::lock_guard lock(EngineLock);
    SampleAidTick(1);
  }
  static QString Text(TfrmSampleAid& w, const char* label) { return w.findChild<QLabel*>(label)->text(); }
};

TEST_F(SampleAidWindowTest, OpensOnlyWhileRunningWithItsListsAndSendsTheAuditionProgram) {
  emit ui().mnuTools->aboutToShow();
  EXPECT_FALSE(ui().mnuToolsSampleAid->isEnabled());
  Run();
  midi::loopback::ClearSent();
  emit ui().mnuTools->aboutToShow();
  EXPECT_TRUE(ui().mnuToolsSampleAid->isEnabled());
  ui().mnuToolsSampleAid->trigger();
  TfrmSampleAid& w = form->SampleAidWindow();
  w.SampleAidRefresh();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), "Sample Aid");
  EXPECT_EQ(Showing.SampleAidShowing, 1);
  // Each show sends the active mode's program; Audition is active.
  EXPECT_EQ(test::LoopbackSentHex(0), std::vector<std::string>{"C0 00"});
  EXPECT_TRUE(rec.boxes.empty());
  const std::pair<QComboBox*, int> sizes[] = {{w.Half[kSample].NoteOn, 69},  {w.Half[kAudition].NoteOn, 40},
                                              {w.Half[kSample].NoteOff, 34}, {w.Half[kAudition].NoteOff, 13},
                                              {w.Half[kAudition].Chan, 16},  {w.Half[kSample].Prog, 128},
                                              {w.Half[kAudition].Port, 1},   {w.ui->cboSamplerPNos, 1}};
  for (auto [combo, n] : sizes) EXPECT_EQ(combo->count(), n) << combo->objectName().toStdString();
  EXPECT_EQ(w.Half[kSample].NoteOn->currentText(), "500ms");
  EXPECT_EQ(w.Half[kSample].NoteOff->currentText(), "4s");
  EXPECT_TRUE(w.Half[kAudition].Port->isEnabled());
  EXPECT_FALSE(w.Half[kSample].Port->isEnabled());
  EXPECT_FALSE(w.Half[kSample].Note->isEnabled());
  EXPECT_EQ(Text(w, "lblvAuditionKey"), "C1");
  EXPECT_EQ(Text(w, "lblvTotSampleSize"), "2.47MB");
  EXPECT_EQ(w.Half[kAudition].Step->statusTip(), "Output current note and move to next note in sequence");
  EXPECT_EQ(w.ui->cboSamplerPNos->statusTip(),
            "Port no. for sampler (only if port & chan different to target)");
  // The sampler gets copies, and its label shows it, only on another port or channel.
  EXPECT_FALSE(w.ui->lblSamplerDevice->isEnabled());
  w.ui->cboSamplerChanNos->setCurrentIndex(3);
  emit w.ui->cboSamplerChanNos->activated(3);
  EXPECT_TRUE(w.ui->lblSamplerDevice->isEnabled());
  EXPECT_EQ(SampleAid.SamplerChannel, 3);
  // The tick wakes the refresh through the event loop: a Step's note-off moves the current pitch.
  SampleAid.Audition.NoteLen = 1;
  w.Half[kAudition].Step->click();
  Tick();
  for (int i = 0; i < 100 && Text(w, "lblvAuditionKey") == "C1"; ++i) {
    QApplication::processEvents();
    QThread::msleep(1);
  }
  EXPECT_EQ(Text(w, "lblvAuditionKey").toStdString(), KeyNoToNote(37));
  EXPECT_TRUE(w.Half[kAudition].Step->isEnabled());
  // Without an output port the lists are empty and unusable, and the choice stays as it was.
  SampleAid.AuditionOut.Port = 0;
  RunCtl.OutPortsAllocated = -1;
  PublishTopic(TTopic::OutPorts);
  EXPECT_EQ(w.Half[kAudition].Port->count(), 0);
  EXPECT_FALSE(w.Half[kAudition].Port->isEnabled());
  EXPECT_EQ(SampleAid.AuditionOut.Port, 0);
  RunCtl.OutPortsAllocated = 0;
  // It opens again where it was moved this session.
  w.move(40, 30);
  QApplication::processEvents();
  w.close();
  ui().mnuToolsSampleAid->trigger();
  EXPECT_EQ(w.pos(), QPoint(40, 30));
}

TEST_F(SampleAidWindowTest, TotalsRemainingFiguresAndTheEstimateFollowTheRanges) {
  TfrmSampleAid& w = Open();
  struct Case {
    const char* what;
    int mode;
    std::vector<int32_t> range;     // first, last, step, current of pitch, then of velocity; length, gap
    std::vector<const char*> want;  // pitch steps, velocity steps, notes, time, notes left, time left
  };
  const Case cases[] = {
      {"sample",
       kSample,
       {36, 60, 3, 36, 47, 127, 40, 47, 500, 4000},
       {"9", "3", "27", "14s", "27", "2m:2s"}},
      {"falling",
       kAudition,
       {84, 36, 12, 60, 100, 120, 20, 100, 50, 20},
       {"5", "2", "10", "0.500s", "8", "0.560s"}},
      {"uneven", kAudition, {36, 40, 3, 39, 1, 127, 64, 127, 1000, 0}, {"2", "2", "4", "4s", "1", "1s"}},
  };
  for (const Case& c : cases) {
    TSampleAidRange& r = c.mode == kSample ? SampleAid.Sample : SampleAid.Audition;
    std::atomic<int32_t>* fields[] = {&r.FirstPitch, &r.LastPitch, &r.PitchStep, &r.CurPitch, &r.FirstVel,
                                      &r.LastVel,    &r.VelStep,   &r.CurVel,    &r.NoteLen,  &r.Gap};
    for (size_t i = 0; i < c.range.size(); ++i) *fields[i] = c.range[i];
    SampleAid.ReqTotals = 1;
    w.SampleAidRefresh();
    const TSampleAidHalf& h = w.Half[c.mode];
    const QLabel* labels[] = {h.TotKeys, h.TotVels, h.TotNotes, h.TotTime, h.RemNotes, h.RemTime};
    for (size_t i = 0; i < 6; ++i)
      EXPECT_EQ(labels[i]->text().toStdString(), c.want[i]) << c.what << " " << i;
  }
  // The estimate's up-downs: mono halves the size, 8 bits halves it again.
  w.ui->udSampleChannelsDown->click();
  EXPECT_EQ(Text(w, "lblvSampleChannels"), "Mono");
  EXPECT_EQ(Text(w, "lblvTotSampleSize"), "1.24MB");
  for (int i = 0; i < 5; ++i) w.ui->udSampleBitsDown->click();
  EXPECT_EQ(Text(w, "lblvSampleBits"), "Bits 8");
  EXPECT_EQ(Text(w, "lblvTotSampleSize"), "633KB");
}

TEST_F(SampleAidWindowTest, FirstAndLastBarsKeepTheGridWithAStepAboveOne) {
  TfrmSampleAid& w = Open();
  QSlider* first = w.Half[kSample].Bars[0];
  QSlider* last = w.Half[kSample].Bars[1];
  struct Case {
    QSlider* bar;
    QAbstractSlider::SliderAction action;
    int dragTo;  // for a drag
    int32_t first, last;
  };
  const Case cases[] = {
      {first, QAbstractSlider::SliderSingleStepAdd, 0, 37, 61},  // last follows up onto the grid
      {first, QAbstractSlider::SliderSingleStepSub, 0, 36, 60},
      {first, QAbstractSlider::SliderSingleStepSub, 0, 35, 59},  // and down
      {last, QAbstractSlider::SliderSingleStepAdd, 0, 35, 62},   // a line: one step of 3
      {last, QAbstractSlider::SliderPageStepAdd, 0, 35, 74},     // a page: 12
      {last, QAbstractSlider::SliderPageStepSub, 0, 35, 62},
      {last, QAbstractSlider::SliderMove, 66, 35, 65},  // a drag: the nearest grid point
      {last, QAbstractSlider::SliderMove, 67, 35, 68},
      {last, QAbstractSlider::SliderMove, 30, 35, 29},  // even past first: a falling walk
  };
  for (const Case& c : cases) {
    if (c.action == QAbstractSlider::SliderMove) {
      c.bar->setSliderDown(true);
      c.bar->setSliderPosition(c.dragTo);
      c.bar->setSliderDown(false);
    } else {
      c.bar->triggerAction(c.action);
    }
    EXPECT_EQ(SampleAid.Sample.FirstPitch, c.first) << c.dragTo;
    EXPECT_EQ(SampleAid.Sample.LastPitch, c.last) << c.dragTo;
    EXPECT_EQ(first->value(), c.first);
    EXPECT_EQ(last->value(), c.last);
  }
  EXPECT_EQ(Text(w, "lblvLastSampleKey"), QString::fromStdString(KeyNoToNote(29)));
}

TEST_F(SampleAidWindowTest, BankControlsShowTheListsOfEachMethod) {
  TfrmSampleAid& w = Open();
  const TSampleAidHalf& h = w.Half[kAudition];
  struct Case {
    bool msb, second;
    const char* label;
  };
  const Case cases[] = {{false, false, "cc32"},
                        {true, true, "cc32"},
                        {true, false, "cc32"},
                        {false, true, "cc32"},
                        {false, true, "patch"}};
  for (int i = 0; i < 5; ++i) {
    h.Method->setCurrentIndex(i);
    emit h.Method->activated(i);
    EXPECT_EQ(!h.Bank0->isHidden(), cases[i].msb) << i;
    EXPECT_EQ(!h.Bank0Label->isHidden(), cases[i].msb) << i;
    EXPECT_EQ(!h.Bank32->isHidden(), cases[i].second) << i;
    EXPECT_EQ(h.Bank32Label->text(), cases[i].label) << i;
    EXPECT_EQ(SampleAid.AuditionOut.Method, i + 1);
  }
  // The change sent the program with its patch first.
  EXPECT_EQ(test::LoopbackSentHex(0).back(), "C0 00");
}

// The first close ends the sounding note and closes: running, its note-off goes out at once,
// and nothing follows on later ticks; stopped, the refused note-off leaves nothing sounding.
TEST_F(SampleAidWindowTest, CloseEndsTheSoundingNoteAtOnce) {
  TfrmSampleAid& w = Open();
  TSampleAidHalf& h = w.Half[kAudition];
  for (const bool running : {true, false}) {
    SCOPED_TRACE(running ? "running" : "stopped");
    w.Open("Sample Aid");
    w.SampleAidRefresh();
    midi::loopback::ClearSent();
    h.Note->click();
    ASSERT_TRUE(SampleAid.NoteSounding.load());
    EXPECT_FALSE(h.Note->isEnabled());
    EXPECT_TRUE(h.NoteAbort->isEnabled());
    if (!running) RunCtl.ProgState = TProgState::Config;  // stopped with the note still marked sounding
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(SampleAid.NoteSounding.load());
    EXPECT_EQ(Showing.SampleAidShowing, 0);
    const std::vector<std::string> want =
        running ? std::vector<std::string>{"90 24 2F", "80 24 2F"} : std::vector<std::string>{"90 24 2F"};
    Tick();
    EXPECT_EQ(test::LoopbackSentHex(0), want);
  }
  RunCtl.ProgState = TProgState::Running;
  // A close waits for a tick in flight: one that starts a note as the countdowns are cleared
  // would leave it sounding with nothing to end it.
  w.Open("Sample Aid");
  std::atomic<bool> locked{false}, released{false};
  std::thread tick([&] {
    std::lock_guard lock(EngineLock);
    locked = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    released = true;
  });
  while (!locked) std::this_thread::yield();
  w.close();
  EXPECT_TRUE(released);
  tick.join();
}

TEST_F(SampleAidWindowTest, ActionsAreRefusedWhileTheStopWaitsAndModesSwapTheHalves) {
  TfrmSampleAid& w = Open();
  SampleAid.Waiting = 1;
  w.Half[kAudition].Play->click();
  SampleAid.Waiting = 0;
  EXPECT_TRUE(test::LoopbackSentHex(0).empty());
  EXPECT_TRUE(w.Half[kAudition].Play->isEnabled());
  EXPECT_FALSE(w.Half[kAudition].PlayAbort->isEnabled());
  // Sample mode: its half takes the buttons and sends the target's program; narrow shows it alone.
  w.ui->rbModeSample->click();
  EXPECT_TRUE(w.Half[kSample].Play->isEnabled());
  EXPECT_FALSE(w.Half[kAudition].Play->isEnabled());
  EXPECT_EQ(test::LoopbackSentHex(0), std::vector<std::string>{"C0 00"});
  const int wide = w.width();
  w.ui->sbtnWidthToggle->click();
  EXPECT_FALSE(w.Wide());
  EXPECT_TRUE(w.Half[kAudition].Panel->isHidden());
  EXPECT_LT(w.width(), wide);
  w.ui->rbModeAudition->click();
  EXPECT_FALSE(w.Half[kAudition].Panel->isHidden());
  EXPECT_TRUE(w.Half[kSample].Panel->isHidden());
  w.ui->sbtnWidthToggle->click();
  EXPECT_EQ(w.width(), wide);
}

}  // namespace
}  // namespace vel
