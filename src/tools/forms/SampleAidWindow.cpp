#include "tools/forms/SampleAidWindow.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "base/EngineLock.h"
#include "base/Formats.h"
#include "base/General.h"
#include "base/Showing.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/forms/RadioGroup.h"
#include "settings/forms/StatusHints.h"
#include "tools/SampleAid.h"
#include "tools/SampleAidFigures.h"
#include "ui_SampleAidWindow.h"

namespace vel {

namespace {

constexpr int kSample = TfrmSampleAid::kSample;
constexpr int kAudition = TfrmSampleAid::kAudition;

// The eventfd the timer thread writes to; -1 while no window listens.
std::atomic<int> gWakeFd{-1};

void WakeSampleAidWindow() {
  const int fd = gWakeFd.load(std::memory_order_relaxed);
  if (fd < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

TSampleAidRange& RangeOf(int mode) {
  return mode == kSample ? SampleAid.Sample : SampleAid.Audition;
}
TSampleAidOutput& OutputOf(int mode) {
  return mode == kSample ? SampleAid.TargetOut : SampleAid.AuditionOut;
}
// The mode whose action the sequencer runs (or ran last).
int ModeOfState(uint8_t state) {
  return state > kSampleAidAuditionBase ? kAudition : kSample;
}

QString Num(int64_t n) {
  return QString::number(n);
}
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

void FillNumbers(QComboBox* c, int first, int last) {
  for (int n = first; n <= last; ++n) c->addItem(Num(n));
}

// A shown or hidden control keeps its room, so the window keeps its size.
void Keep(QWidget* w, bool shown) {
  QSizePolicy p = w->sizePolicy();
  p.setRetainSizeWhenHidden(true);
  w->setSizePolicy(p);
  w->setVisible(shown);
}

// The grid point of a walk nearest to where the last bar was dragged; the walk may turn round.
int32_t NearestGridPoint(const TWalkAxis& a, int32_t target) {
  const int32_t out = SnapToStepGrid(a.first, target, target, a.step, a.min, a.max, true);
  const int32_t in = SnapToStepGrid(a.first, target, target, a.step, a.min, a.max, false);
  return std::abs(out - target) <= std::abs(in - target) ? out : in;
}

// The last bar moved: a drag snaps to the nearest grid point, a line (arrow key, wheel) is one
// step and a page the larger move of the grid.
bool LastBarMoved(TWalkAxis& a, int32_t pos, int action, bool dragged) {
  const int32_t delta = pos - a.last;
  if (delta == 0) return false;
  if (action == QAbstractSlider::SliderMove && dragged) {
    const int32_t last = NearestGridPoint(a, pos);
    if (last == a.last) return false;
    const bool up = last > a.last;
    a.last = last;
    a.cur = SampleAidClampCurrent(a.first, a.last, a.cur, a.step, a.min, a.max, up);
    return true;
  }
  const bool page =
      action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub;
  return SampleAidLastChanged(a, page ? delta : (delta > 0 ? 1 : -1));
}

const char* const kHints[][2] = {
    {"rbModeAudition", "Switch to audition mode"},
    {"rbModeSample", "Switch to sample mode"},
    {"sbtnWidthToggle", "Shrink/expand window to display one mode or both"},
    {"lblvSampleRate", "Sampling rate in samples/sec"},
    {"lblvSampleBits", "No. of bits used for each sample"},
    {"lblvSampleChannels", "No. of audio channels for each sample"},
    {"lblTotSampleSize", "Tot sample mem size based on rate/bits/channels & note-on times"},
    {"lblvTotSampleSize", "Total mem estimate - ignores sampler compression/truncation etc."},
    {"cboTargetPNos", "Port no. for device to be sampled"},
    {"cboAuditionPNos", "Port no. for device to be auditioned"},
    {"cboTargetBankSelMethods", "Bank select method for target device to be sampled"},
    {"cboAuditionBankSelMethods", "Bank select method for device to be auditioned"},
    {"cboSamplerPNos", "Port no. for sampler (only if port & chan different to target)"},
    {"cboSamplerChanNos", "Channel no. for MIDI output on this port"},
    {"lblvSampleNextCountdown", "Time before next note-on will be output"},
};

// Hints both modes share; %1 is "Sample" or "Audition", %2 "Target" or "Audition".
const char* const kModeHints[][2] = {
    {"lblvFirst%1Key", "First pitch step value in range"},
    {"lblv%1KeyStep", "Semitone adjustment for each pitch step"},
    {"lblvLast%1Key", "Last pitch step value in range"},
    {"lblvTot%1Keys", "Total no. of pitch steps, inclusive of first & last values"},
    {"rb%1KeyThenVel", "Adjust pitch first at each step before adjusting velocity"},
    {"lblvFirst%1Vel", "First velocity step value in range"},
    {"lblv%1VelStep", "Adjustment for each velocity step"},
    {"lblvLast%1Vel", "Last velocity step value in range"},
    {"lblvTot%1Vels", "Total no. of velocity steps, inclusive of first & last values"},
    {"rb%1VelThenKey", "Adjust velocity first at each step before adjusting pitch"},
    {"cbo%1NoteOn", "Note-on length for each note in sequence"},
    {"lblvTot%1s", "No. of notes in sequence; product of pitch & vel steps"},
    {"lblvTot%1Time", "Total of all note-on times in sequence"},
    {"shp%1NoteOn", "Lit during note-on period"},
    {"chkHold%1Key", "Disable pitch step adjustment"},
    {"lblv%1Key", "Pitch for current note in sequence ready for output"},
    {"chkHold%1Vel", "Disable velocity step adjustment"},
    {"lblv%1Vel", "Velocity for current note in sequence ready for output"},
    {"sbtnFirst%1Key", "Position sequence at note with first pitch step, ignoring hold"},
    {"sbtnPrev%1Key", "Position sequence at note with previous pitch step, ignoring hold"},
    {"sbtnNext%1Key", "Position sequence at note with next pitch step, ignoring hold"},
    {"sbtnLast%1Key", "Position sequence at note with last pitch step, ignoring hold"},
    {"sbtnFirst%1Vel", "Position sequence at note with first velocity step, ignoring hold"},
    {"sbtnPrev%1Vel", "Position sequence at note with previous velocity step, ignoring hold"},
    {"sbtnNext%1Vel", "Position sequence at note with next velocity step, ignoring hold"},
    {"sbtnLast%1Vel", "Position sequence at note with last velocity step, ignoring hold"},
    {"sbtn%1Note", "Output current note"},
    {"sbtn%1NoteAbort", "Terminate current note"},
    {"btn%1Step", "Output current note and move to next note in sequence"},
    {"cbo%2ChanNos", "Channel no. for MIDI output on this port"},
    {"cbo%2BankSel0Nos", "Bank select value for control change #0 (msb)"},
    {"cbo%2BankSel32Nos", "Bank select value for control change 32 (lsb) or patch (100-127)"},
    {"cbo%2ProgNos", "Program-change no. output when port/chan/bank/prog changed"},
    {"cbo%1NoteOff", "Delay time between each note-on in sequence"},
    {"lblv%1RemNotes", "No. of notes remaining in sequence"},
    {"lblv%1RemCycleTime", "Remaining time for sequence to complete"},
    {"sbtn%1Play1", "Play sequence from current to last, then stop"},
    {"sbtn%1Play", "Play sequence from current to last, then repeat from first to last"},
    {"sbtn%1PlayAbort", "Stop sequence and terminate current note"},
};

}  // namespace

TfrmSampleAid::TfrmSampleAid(QWidget* parent) : QMainWindow(parent, Qt::Tool), ui(new Ui::frmSampleAid) {
  ui->setupUi(this);
  // The window is as large as its shown halves, no more: narrowing it shrinks it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  ResetSampleAid();
  FindHalf(kSample, "Sample", "Target");
  FindHalf(kAudition, "Audition", "Audition");
  FillLists();
  SetUpBars();
  WireHalf(kSample);
  WireHalf(kAudition);
  WireEstimate();
  // One choice, whichever halves head the two buttons.
  modes_ = MakeRadioGroup(this, {{ui->rbModeSample, kSample}, {ui->rbModeAudition, kAudition}});
  OnRadioPicked(modes_, this, [this](int32_t) { ModeClicked(); });
  connect(ui->sbtnWidthToggle, &QToolButton::clicked, this, [this] { SampleAidLayout(true); });
  for (TSampleAidHalf& h : Half) {
    Keep(h.Spacebar, false);
    h.Lamp->setAutoFillBackground(true);
  }
  // Both halves' groups line up, though only Sample's range has the estimate row and only one
  // head has the toggle.
  ui->grpAuditionRange->setMinimumHeight(ui->grpSampleRange->sizeHint().height());
  for (QRadioButton* rb : {ui->rbModeAudition, ui->rbModeSample})
    rb->setMinimumHeight(ui->sbtnWidthToggle->sizeHint().height());
  Keep(ui->lblSampleNextCountdown, false);
  Keep(ui->lblvSampleNextCountdown, false);
  SampleAidSetHints();
  WireWake();
  for (int m : {kSample, kAudition}) {
    EnableHalf(m, m == kAudition);
    SampleAidBankSelControls(m, 0);
    ShowBars(m);
  }
  SampleAidLayout(false);
  KeepSavedPlace(this, {&left_, &top_});
  registration_ = Windows().Register(*this);
}

TfrmSampleAid::~TfrmSampleAid() {
  registration_.Reset();
  SetSampleAidWake(nullptr);
  StopSampleAidTicks();
  gWakeFd = -1;
  delete wakeNotifier_;
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TfrmSampleAid::On(TTopic topic) {
  // A stop lets the sample aid finish its step while the timer still runs.
  if (topic == TTopic::RunStopping && Showing.SampleAidShowing) WaitForSampleAid();
  if (topic == TTopic::OutPorts && isVisible()) FillPortLists();
}

void TfrmSampleAid::FindHalf(int mode, const QString& p, const QString& out) {
  TSampleAidHalf& h = Half[mode];
  auto label = [this](const QString& n) { return findChild<QLabel*>(n); };
  auto button = [this](const QString& n) { return findChild<QAbstractButton*>(n); };
  auto combo = [this](const QString& n) { return findChild<QComboBox*>(n); };
  h.Panel = findChild<QWidget*>("pnl" + p);
  const QString bars[6] = {"First" + p + "Key", "Last" + p + "Key", p + "KeyStep",
                           "First" + p + "Vel", "Last" + p + "Vel", p + "VelStep"};
  for (int i = 0; i < 6; ++i) {
    h.Bars[i] = findChild<QSlider*>("tb" + bars[i]);
    h.BarValues[i] = label("lblv" + bars[i]);
  }
  h.TotKeys = label("lblvTot" + p + "Keys");
  h.TotVels = label("lblvTot" + p + "Vels");
  h.TotNotes = label("lblvTot" + p + "s");
  h.TotTime = label("lblvTot" + p + "Time");
  h.RemNotes = label("lblv" + p + "RemNotes");
  h.RemTime = label("lblv" + p + "RemCycleTime");
  h.CurKey = label("lblv" + p + "Key");
  h.CurVel = label("lblv" + p + "Vel");
  h.Spacebar = label("lbl" + p + "Spacebar");
  h.Lamp = findChild<QFrame*>("shp" + p + "NoteOn");
  h.HoldKey = findChild<QCheckBox*>("chkHold" + p + "Key");
  h.HoldVel = findChild<QCheckBox*>("chkHold" + p + "Vel");
  h.PitchOrder =
      MakeRadioGroup(this, {{button("rb" + p + "KeyThenVel"), 1}, {button("rb" + p + "VelThenKey"), 0}});
  h.Note = button("sbtn" + p + "Note");
  h.NoteAbort = button("sbtn" + p + "NoteAbort");
  h.Step = button("btn" + p + "Step");
  h.Play1 = button("sbtn" + p + "Play1");
  h.Play = button("sbtn" + p + "Play");
  h.PlayAbort = button("sbtn" + p + "PlayAbort");
  const char* moves[4] = {"First", "Prev", "Next", "Last"};
  for (int i = 0; i < 8; ++i)
    h.Moves[i] = button("sbtn" + QString(moves[i % 4]) + p + (i < 4 ? "Key" : "Vel"));
  h.NoteOn = combo("cbo" + p + "NoteOn");
  h.NoteOff = combo("cbo" + p + "NoteOff");
  h.Port = combo("cbo" + out + "PNos");
  h.Chan = combo("cbo" + out + "ChanNos");
  h.Prog = combo("cbo" + out + "ProgNos");
  h.Method = combo("cbo" + out + "BankSelMethods");
  h.Bank0 = combo("cbo" + out + "BankSel0Nos");
  h.Bank32 = combo("cbo" + out + "BankSel32Nos");
  h.Bank0Label = label("lbl" + out + "BankSel0Nos");
  h.Bank32Label = label("lbl" + out + "BankSel32Nos");
}

void TfrmSampleAid::FillLists() {
  const TSampleAidList noteOn[2] = {TSampleAidList::SampleNoteOn, TSampleAidList::AuditionNoteOn};
  const TSampleAidList noteOff[2] = {TSampleAidList::SampleNoteOff, TSampleAidList::AuditionNoteOff};
  for (int m : {kSample, kAudition}) {
    TSampleAidHalf& h = Half[m];
    for (auto [combo, list] : {std::pair{h.NoteOn, noteOn[m]}, std::pair{h.NoteOff, noteOff[m]}}) {
      for (const std::string& item : SampleAidDurationItems(list)) combo->addItem(Q(item));
      combo->setCurrentIndex(SampleAidDurationStart(list));
    }
    RangeOf(m).NoteLen = ParseDurationText(h.NoteOn->currentText().toStdString());
    RangeOf(m).Gap = ParseDurationText(h.NoteOff->currentText().toStdString());
    for (QComboBox* c : {h.Prog, h.Bank0, h.Bank32}) FillNumbers(c, 0, 127);
    for (const char* method : kSampleAidMethods) h.Method->addItem(method);
    FillNumbers(h.Chan, 1, 16);
  }
  FillNumbers(ui->cboSamplerChanNos, 1, 16);
  for (QComboBox* c : findChildren<QComboBox*>()) c->setMaxVisibleItems(20);
  for (QComboBox* c : {Half[0].Chan, Half[1].Chan, ui->cboSamplerChanNos}) c->setMaxVisibleItems(16);
}

void TfrmSampleAid::SetUpBars() {
  for (TSampleAidHalf& h : Half)
    for (int i = 0; i < 6; ++i) {
      QSlider* tb = h.Bars[i];
      const bool pitch = i < 3;
      if (i % 3 == 2) {
        tb->setRange(1, pitch ? 12 : 64);
        tb->setPageStep(10);
      } else {
        tb->setRange(pitch ? 0 : 1, 127);
        tb->setPageStep(pitch ? 12 : 10);
      }
      tb->setSingleStep(1);
    }
}

void TfrmSampleAid::WireHalf(int m) {
  TSampleAidHalf& h = Half[m];
  for (int i = 0; i < 6; ++i)
    connect(h.Bars[i], &QSlider::actionTriggered, this,
            [this, m, i](int action) { BarAction(m, i, action); });
  for (int i = 0; i < 8; ++i)
    connect(h.Moves[i], &QAbstractButton::clicked, this, [this, m, i] { Move(m, i); });
  const std::pair<QAbstractButton*, uint8_t> actions[] = {
      {h.Note, SaNote}, {h.Step, SaStep}, {h.Play1, SaPlay1}, {h.Play, SaPlay}};
  for (auto [b, action] : actions)
    connect(b, &QAbstractButton::clicked, this, [this, m, action = action] { StartAction(m, action); });
  for (QAbstractButton* b : {h.NoteAbort, h.PlayAbort})
    connect(b, &QAbstractButton::clicked, this, [this, m] {
      SampleAidAbort();
      SampleAid.ReqStepFocus[m] = 1;
      SampleAidRefresh();
    });
  for (QCheckBox* c : {h.HoldKey, h.HoldVel})
    connect(c, &QCheckBox::clicked, this, [this, m, c](bool on) {
      (c == Half[m].HoldKey ? RangeOf(m).HoldPitch : RangeOf(m).HoldVel) = on ? 1 : 0;
      SampleAid.ReqRemaining = 1;
      SampleAid.ReqStepFocus[m] = 1;
      SampleAidRefresh();
    });
  OnRadioPicked(h.PitchOrder, this, [this, m](int32_t) {
    RangeOf(m).PitchFirst = CheckedRadio(Half[m].PitchOrder) == 1 ? 1 : 0;
    SampleAid.ReqRemaining = 1;
    SampleAidRefresh();
  });
  connect(h.NoteOn, &QComboBox::activated, this, [this, m] { DurationChanged(m, true); });
  connect(h.NoteOff, &QComboBox::activated, this, [this, m] { DurationChanged(m, false); });
  for (QComboBox* c : {h.Port, h.Chan, h.Prog, h.Bank0, h.Bank32})
    connect(c, &QComboBox::activated, this, [this, m] { ReadOutput(m); });
  connect(h.Method, &QComboBox::activated, this, [this, m](int index) {
    SampleAidBankSelControls(m, index);
    ReadOutput(m);
  });
  h.Step->installEventFilter(this);
  if (m == kSample)
    for (QComboBox* c : {ui->cboSamplerPNos, ui->cboSamplerChanNos})
      connect(c, &QComboBox::activated, this, [this] {
        ReadSamplerOutput();
        SampleAidRefresh();
      });
}

void TfrmSampleAid::WireEstimate() {
  const std::pair<QToolButton*, int> ups[] = {
      {ui->udSampleRateUp, 0}, {ui->udSampleBitsUp, 1}, {ui->udSampleChannelsUp, 2}};
  const std::pair<QToolButton*, int> downs[] = {
      {ui->udSampleRateDown, 0}, {ui->udSampleBitsDown, 1}, {ui->udSampleChannelsDown, 2}};
  for (auto [b, which] : ups)
    connect(b, &QToolButton::clicked, this, [this, which = which] { Estimate(which, 1); });
  for (auto [b, which] : downs)
    connect(b, &QToolButton::clicked, this, [this, which = which] { Estimate(which, -1); });
}

void TfrmSampleAid::Estimate(int which, int by) {
  int32_t& entry = which == 0 ? rate_ : which == 1 ? bits_ : channels_;
  entry = std::clamp(entry + by, 0, which == 2 ? 1 : 9);
  SampleAid.ReqTotals = 1;
  SampleAidRefresh();
}

// The timer thread writes to an eventfd; its notifier starts the one-shot refresh timer here.
void TfrmSampleAid::WireWake() {
  tmUpdateScreen = new QTimer(this);
  tmUpdateScreen->setObjectName("tmUpdateScreen");
  tmUpdateScreen->setSingleShot(true);
  tmUpdateScreen->setInterval(1);
  connect(tmUpdateScreen, &QTimer::timeout, this, [this] { SampleAidRefresh(); });
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) return;
  wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
  connect(wakeNotifier_, &QSocketNotifier::activated, this, [this] {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    tmUpdateScreen->start();
  });
  gWakeFd = wakeFd_;
  SetSampleAidWake(&WakeSampleAidWindow);
}

void TfrmSampleAid::SampleAidSetHints() {
  for (const auto& [name, hint] : kHints)
    if (auto* w = findChild<QWidget*>(name)) w->setStatusTip(hint);
  const char* const bars = "Fine:drag,wheel/up,dwn,left,right Coarse:click/page up,page dwn";
  for (const TSampleAidHalf& h : Half)
    for (QSlider* tb : h.Bars) tb->setStatusTip(bars);
  for (auto [p, out] : {std::pair{"Sample", "Target"}, std::pair{"Audition", "Audition"}})
    for (const auto& [pattern, hint] : kModeHints)
      if (auto* w = findChild<QWidget*>(QString(pattern).replace("%1", p).replace("%2", out)))
        w->setStatusTip(hint);
}

void TfrmSampleAid::Open(const std::string& caption) {
  setWindowTitle(Q(caption));
  if (!isVisible()) {
    adjustSize();
    RestoreSavedPlace(this, {&left_, &top_});
  }
  show();
  raise();
  activateWindow();
}

void TfrmSampleAid::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) SampleAidOnShow();
}

void TfrmSampleAid::SampleAidOnShow() {
  auto& s = SampleAid;
  FillPortLists();
  if (firstShow_) {
    for (int m : {kSample, kAudition}) {
      TSampleAidRange& r = RangeOf(m);
      r.HoldPitch = Half[m].HoldKey->isChecked() ? 1 : 0;
      r.HoldVel = Half[m].HoldVel->isChecked() ? 1 : 0;
      r.CurPitch = r.FirstPitch.load();
      r.CurVel = r.FirstVel.load();
      SampleAidBankSelControls(m, Half[m].Method->currentIndex());
    }
    s.ReqStepFocus[kAudition] = 1;
    firstShow_ = false;
  }
  for (int m : {kSample, kAudition}) {
    s.ReqCurPitch[m] = 1;
    s.ReqCurVel[m] = 1;
  }
  s.ReqTotals = 1;
  s.ReqLamp = 1;
  s.ReqRemaining = 1;
  s.ReqMode = 1;
  tmUpdateScreen->start();
  Showing.SampleAidShowing = 1;
}

// Refilled as the outputs come and go; a list is usable only with an output port, and keeps its
// choice where the port still exists.
void TfrmSampleAid::FillPortLists() {
  QComboBox* lists[3] = {Half[kAudition].Port, Half[kSample].Port, ui->cboSamplerPNos};
  int before[3];
  for (int i = 0; i < 3; ++i) before[i] = lists[i]->currentIndex();
  FillSampleAidPortCombos(lists[0], lists[1], lists[2]);
  for (int i = 0; i < 3; ++i) {
    if (before[i] > 0 && before[i] < lists[i]->count()) lists[i]->setCurrentIndex(before[i]);
    lists[i]->setEnabled(lists[i]->count() > 0 && (i == 0) != sampleMode_);
  }
  ReadAuditionOutput();
  ReadTargetOutput();
  ReadSamplerOutput();
}

void TfrmSampleAid::closeEvent(QCloseEvent* e) {
  // The sounding note ends here, at the first click: waiting for the next tick would refuse this
  // close whenever a note sounds, which in an Audition run is most of the time. Under the lock,
  // between ticks: one that starts a note as the countdowns are cleared would leave it sounding.
  SampleAidEndNote();
  Showing.SampleAidShowing = 0;
  QMainWindow::closeEvent(e);
}

bool TfrmSampleAid::event(QEvent* e) {
  return ShowStatusHint(*this, e) || QMainWindow::event(e);
}

// "(spacebar)" shows while a Step button has the focus: the space bar steps through the walk.
bool TfrmSampleAid::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut)
    for (TSampleAidHalf& h : Half)
      if (watched == h.Step) h.Spacebar->setVisible(e->type() == QEvent::FocusIn);
  return QMainWindow::eventFilter(watched, e);
}

void TfrmSampleAid::SetButtons(int m, bool busy, bool automatic) {
  TSampleAidHalf& h = Half[m];
  for (QAbstractButton* b : {h.Note, h.Step, h.Play1, h.Play}) b->setEnabled(!busy);
  h.NoteAbort->setEnabled(busy && !automatic);
  h.PlayAbort->setEnabled(busy && automatic);
}

void TfrmSampleAid::EnableHalf(int m, bool active) {
  TSampleAidHalf& h = Half[m];
  if (active) {
    SetButtons(m, false, false);
  } else {
    for (QAbstractButton* b : {h.Note, h.Step, h.Play1, h.Play, h.NoteAbort, h.PlayAbort})
      b->setEnabled(false);
  }
  for (QAbstractButton* b : h.Moves) b->setEnabled(active);
  for (QComboBox* c : {h.NoteOn, h.NoteOff, h.Chan, h.Prog, h.Method, h.Bank0, h.Bank32})
    c->setEnabled(active);
  h.Port->setEnabled(active && h.Port->count() > 0);
  if (m == kSample) {
    ui->cboSamplerPNos->setEnabled(active && ui->cboSamplerPNos->count() > 0);
    ui->cboSamplerChanNos->setEnabled(active);
  }
}

void TfrmSampleAid::SampleAidBankSelControls(int m, int index) {
  TSampleAidHalf& h = Half[m];
  const int method = std::clamp(index, 0, 4) + 1;
  const bool msb = method == 2 || method == 3;
  const bool second = method == 2 || method == 4 || method == 5;
  Keep(h.Bank0, msb);
  Keep(h.Bank0Label, msb);
  Keep(h.Bank32, second);
  Keep(h.Bank32Label, second);
  h.Bank32Label->setText(method == 5 ? "patch" : "cc32");
  OutputOf(m).Method = method;
}

void TfrmSampleAid::ReadOutput(int m) {
  if (m == kAudition)
    ReadAuditionOutput();
  else
    ReadTargetOutput();
  SampleAidRefresh();
}

namespace {

// The port of a port list's item "P<n>", counted from 0; nothing while the list has no item picked.
std::optional<int32_t> PickedPort(const QComboBox* list) {
  if (list->currentIndex() < 0) return std::nullopt;
  return ParseInt(list->currentText().mid(1).toStdString(), {.Blanks = false}).value_or(0) - 1;
}

// A list left empty (no output port) keeps the port and channel as they were.
void ReadOutputLists(const TSampleAidHalf& h, TSampleAidOutput& o) {
  if (const std::optional<int32_t> port = PickedPort(h.Port)) {
    o.Port = *port;
    o.Channel = std::max(h.Chan->currentIndex(), 0);
  }
  o.Method = std::max(h.Method->currentIndex(), 0) + 1;
  o.Msb = std::max(h.Bank0->currentIndex(), 0);
  o.LsbOrPatch = std::max(h.Bank32->currentIndex(), 0);
  o.Program = std::max(h.Prog->currentIndex(), 0);
}

}  // namespace

void TfrmSampleAid::ReadAuditionOutput() {
  ReadOutputLists(Half[kAudition], SampleAid.AuditionOut);
  SampleAid.ReqAuditionOut = 1;
}

void TfrmSampleAid::ReadTargetOutput() {
  ReadOutputLists(Half[kSample], SampleAid.TargetOut);
  SampleAid.ReqTargetOut = 1;
  ReadSamplerOutput();
}

void TfrmSampleAid::ReadSamplerOutput() {
  auto& s = SampleAid;
  if (const std::optional<int32_t> port = PickedPort(ui->cboSamplerPNos)) {
    s.SamplerPort = *port;
    s.SamplerChannel = std::max(ui->cboSamplerChanNos->currentIndex(), 0);
  }
  // The sampler gets its own copy of each note only on another port or channel.
  ui->lblSamplerDevice->setEnabled(s.SamplerPort != s.TargetOut.Port ||
                                   s.SamplerChannel != s.TargetOut.Channel);
}

void TfrmSampleAid::ModeClicked() {
  auto& s = SampleAid;
  s.StopReq = 1;
  sampleMode_ = CheckedRadio(modes_) == kSample;
  s.ReqStepFocus[kSample] = 1;
  s.ReqStepFocus[kAudition] = 1;
  s.ReqMode = 1;
  SampleAidRefresh();
  SampleAidLayout(false);
}

void TfrmSampleAid::SampleAidLayout(bool toggle) {
  if (toggle) wide_ = !wide_;
  const int active = sampleMode_ ? kSample : kAudition;
  // Audition stands left, Sample right; narrow shows the active half alone.
  Half[kAudition].Panel->setVisible(wide_ || active == kAudition);
  Half[kSample].Panel->setVisible(wide_ || active == kSample);
  PlaceModeButtons();
  ui->sbtnWidthToggle->setText(wide_ ? QString::fromUtf8("\u21e5\u21e4") : QString::fromUtf8("\u21e4\u21e5"));
  // Now, not at the next layout pass: the window takes its new size at once.
  centralWidget()->layout()->activate();
  layout()->activate();
}

// Wide, each mode button heads its half and the toggle the Audition half; narrow, both buttons
// and the toggle head the half that shows.
void TfrmSampleAid::PlaceModeButtons() {
  QHBoxLayout* heads[2] = {ui->hlSampleMode, ui->hlAuditionMode};
  for (QHBoxLayout* head : heads)
    while (QLayoutItem* item = head->takeAt(0)) delete item;
  if (wide_) {
    for (int m : {kSample, kAudition}) {
      heads[m]->addStretch(1);
      heads[m]->addWidget(m == kSample ? ui->rbModeSample : ui->rbModeAudition);
      heads[m]->addStretch(1);
    }
    heads[kAudition]->addWidget(ui->sbtnWidthToggle);
    return;
  }
  QHBoxLayout* head = heads[sampleMode_ ? kSample : kAudition];
  head->addWidget(ui->rbModeAudition);
  head->addWidget(ui->rbModeSample);
  head->addStretch(1);
  head->addWidget(ui->sbtnWidthToggle);
}

void TfrmSampleAid::StartAction(int m, uint8_t action) {
  const uint8_t state = action + (m == kAudition ? kSampleAidAuditionBase : 0);
  SetButtons(m, true, action == SaPlay1 || action == SaPlay);
  // Refused (a note still ending, the stop routine waiting, the note-on refused): back to idle.
  if (!SampleAidStart(state)) SetButtons(m, false, false);
  SampleAidRefresh();
}

void TfrmSampleAid::Move(int m, int which) {
  TSampleAidRange& r = RangeOf(m);
  const bool pitch = which < 4;
  const TWalkAxis a = pitch ? PitchAxis(r) : VelAxis(r);
  int32_t cur = a.cur;
  switch (which % 4) {
    case 0:
      cur = a.first;
      break;
    case 1:
      cur = StepTowardFirst(a.first, a.last, a.step, cur);
      break;
    case 2:
      cur = StepTowardLast(a.first, a.last, a.step, cur);
      break;
    default:
      cur = a.last;
      break;
  }
  (pitch ? r.CurPitch : r.CurVel) = cur;
  (pitch ? SampleAid.ReqCurPitch[m] : SampleAid.ReqCurVel[m]) = 1;
  SampleAid.ReqStepFocus[m] = 1;
  SampleAidRefresh();
}

void TfrmSampleAid::BarAction(int m, int bar, int action) {
  TSampleAidRange& r = RangeOf(m);
  QSlider* tb = Half[m].Bars[bar];
  const bool pitch = bar < 3;
  TWalkAxis a = pitch ? PitchAxis(r) : VelAxis(r);
  const int32_t pos = tb->sliderPosition();
  bool changed = false;
  if (bar % 3 == 0)
    changed = SampleAidFirstChanged(a, pos);
  else if (bar % 3 == 1)
    changed = LastBarMoved(a, pos, action, tb->isSliderDown());
  else
    changed = SampleAidStepChanged(a, pos);
  if (changed) {
    StoreSampleAidAxis(r, pitch, a);
    (pitch ? SampleAid.ReqCurPitch[m] : SampleAid.ReqCurVel[m]) = 1;
    SampleAid.ReqTotals = 1;
  }
  // The bar shows its value again, whatever the move asked for.
  ShowBars(m);
  SampleAidRefresh();
}

void TfrmSampleAid::DurationChanged(int m, bool noteOn) {
  auto& s = SampleAid;
  const int32_t ms =
      ParseDurationText((noteOn ? Half[m].NoteOn : Half[m].NoteOff)->currentText().toStdString());
  (noteOn ? RangeOf(m).NoteLen : RangeOf(m).Gap) = ms;
  // A running countdown of this mode restarts from the new value.
  if (ModeOfState(s.State) == m) (noteOn ? s.NoteCd : s.GapCd).Left = ms;
  s.ReqTotals = 1;
  SampleAidRefresh();
}

void TfrmSampleAid::SampleAidRefresh() {
  auto& s = SampleAid;
  const int active = sampleMode_ ? kSample : kAudition;
  if (s.StopReq && !s.ReqMode) SetButtons(active, false, false);
  if (s.ReqMode.exchange(0)) {
    EnableHalf(1 - active, false);
    EnableHalf(active, true);
    SampleAidBankSelControls(active, Half[active].Method->currentIndex());
    ShowColours();
    (active == kAudition ? s.ReqAuditionOut : s.ReqTargetOut) = 1;
    s.ReqTotals = 1;
    s.ReqLamp = 1;
  }
  for (int m : {kSample, kAudition}) {
    const TSampleAidRange& r = RangeOf(m);
    if (s.ReqCurPitch[m].exchange(0)) {
      Half[m].CurKey->setText(Q(KeyNoToNote(r.CurPitch)));
      s.ReqRemaining = 1;
    }
    if (s.ReqCurVel[m].exchange(0)) {
      Half[m].CurVel->setText(Num(r.CurVel));
      s.ReqRemaining = 1;
    }
  }
  SendChangedProgBank();
  for (int m : {kSample, kAudition})
    if (s.ReqStepFocus[m].exchange(0) && Half[m].Step->isEnabled() && Half[m].Step->isVisible())
      Half[m].Step->setFocus();
  if (s.ReqTotals.exchange(0)) {
    ShowTotals(kSample);
    ShowTotals(kAudition);
    s.ReqRemaining = 1;
  }
  const bool lamp = s.ReqLamp.exchange(0) != 0;
  if (s.ReqRemaining.exchange(0) || lamp) {
    ShowRemaining(kSample);
    ShowRemaining(kAudition);
    ShowNextIn();
  }
  if (lamp) ShowLamps();
}

// The active mode's program and bank go out when its output changed and no note sounds.
void TfrmSampleAid::SendChangedProgBank() {
  auto& s = SampleAid;
  if (s.NoteSounding) return;
  const int active = sampleMode_ ? kSample : kAudition;
  if (!(active == kAudition ? s.ReqAuditionOut : s.ReqTargetOut).exchange(0)) return;
  const TSampleAidOutput& o = OutputOf(active);
  SampleAidSendProgBank(o.Port, o.Channel, o.Program, o.LsbOrPatch, o.Msb, o.Method);
}

void TfrmSampleAid::ShowBars(int m) {
  const TSampleAidRange& r = RangeOf(m);
  const int32_t values[6] = {r.FirstPitch, r.LastPitch, r.PitchStep, r.FirstVel, r.LastVel, r.VelStep};
  for (int i = 0; i < 6; ++i) {
    const QSignalBlocker block(Half[m].Bars[i]);
    Half[m].Bars[i]->setValue(values[i]);
    Half[m].BarValues[i]->setText(i % 3 != 2 && i < 3 ? Q(KeyNoToNote(values[i])) : Num(values[i]));
  }
}

void TfrmSampleAid::ShowTotals(int m) {
  const TSampleAidRange& r = RangeOf(m);
  TSampleAidHalf& h = Half[m];
  ShowBars(m);
  if (r.PitchStep <= 0 || r.VelStep <= 0) return;
  const int32_t channels = channels_ + 1;
  const TSampleAidTotals t = SampleAidTotals(r, kSampleAidRates[rate_], kSampleAidBits[bits_], channels);
  h.TotKeys->setText(Num(t.pitches));
  h.TotVels->setText(Num(t.vels));
  h.TotNotes->setText(Num(t.notes));
  h.TotTime->setText(Q(FormatDurationMs(t.timeMs, true)));
  if (m != kSample) return;
  ui->lblvTotSampleSize->setText(Q(FormatByteSize(t.bytes)));
  ui->lblvSampleRate->setText(Num(kSampleAidRates[rate_]));
  ui->lblvSampleBits->setText("Bits " + Num(kSampleAidBits[bits_]));
  ui->lblvSampleChannels->setText(channels == 1 ? "Mono" : channels == 2 ? "Stereo" : "Ch " + Num(channels));
}

void TfrmSampleAid::ShowRemaining(int m) {
  const TSampleAidRange& r = RangeOf(m);
  Half[m].RemNotes->setText(Num(SampleAidNotesLeft(r)));
  Half[m].RemTime->setText(Q(FormatDurationMs(SampleAidTimeLeftMs(r), true)));
}

void TfrmSampleAid::ShowNextIn() {
  const auto& s = SampleAid;
  const int32_t left = s.GapCd.Left;
  const bool shown =
      sampleMode_ && ModeOfState(s.State) == kSample && s.GapCd.Active && !s.NoteSounding && left >= 1000;
  if (shown) ui->lblvSampleNextCountdown->setText(Q(FormatDurationMs(left, false, true)));
  ui->lblSampleNextCountdown->setVisible(shown);
  ui->lblvSampleNextCountdown->setVisible(shown);
}

// Maroon for Sample, navy for Audition: the lamp of the mode whose note sounds (a note of the
// mode just left ends on the next tick).
void TfrmSampleAid::ShowLamps() {
  const bool sounding = SampleAid.NoteSounding != 0;
  const int mode = ModeOfState(SampleAid.State);
  for (int m : {kSample, kAudition}) {
    QPalette p = Half[m].Lamp->palette();
    const QColor lit = m == kSample ? QColor(0x80, 0, 0) : QColor(0, 0, 0x80);
    p.setColor(QPalette::Window, sounding && m == mode ? lit : palette().color(QPalette::Button));
    Half[m].Lamp->setPalette(p);
  }
}

// The active mode's half and button in its colour, the other half grey; only on a mode change.
void TfrmSampleAid::ShowColours() {
  const int active = sampleMode_ ? kSample : kAudition;
  const QColor colour = active == kSample ? QColor(0x80, 0, 0) : QColor(0, 0, 0x80);
  for (int m : {kSample, kAudition}) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, m == active ? colour : QColor(Qt::gray));
    Half[m].Panel->setPalette(p);
  }
  // Set outright, so that each button keeps its colour whichever half it heads.
  QPalette on = QApplication::palette();
  on.setColor(QPalette::WindowText, colour);
  QPalette off = QApplication::palette();
  off.setColor(QPalette::WindowText, off.color(QPalette::WindowText));
  (active == kSample ? ui->rbModeSample : ui->rbModeAudition)->setPalette(on);
  (active == kSample ? ui->rbModeAudition : ui->rbModeSample)->setPalette(off);
}

}  // namespace vel
