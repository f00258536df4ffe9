#include "mainwindow/forms/MainStatus.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <mutex>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "keys/TimeKeys.h"
#include "mainwindow/ControlModel.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/MetrModel.h"
#include "mainwindow/SeqLenText.h"
#include "mainwindow/StatusModel.h"
#include "mainwindow/StatusSnapshot.h"
#include "mainwindow/UsageReport.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/KeepAwake.h"
#include "mainwindow/forms/Lights.h"

namespace vel {

namespace {

// The style's name and its pattern's side by side, each as wide as its text: fixed widths cut a
// pattern such as "40-Main1" to "40-M".
void PlaceStyleLabels(QLabel* name, QLabel* pattern) {
  name->resize(name->sizeHint().width(), name->height());
  const int32_t gap = name->fontMetrics().horizontalAdvance(QLatin1Char(' '));
  pattern->setGeometry(name->geometry().right() + 1 + gap, pattern->y(), pattern->sizeHint().width(),
                       pattern->height());
}

}  // namespace

// The displays' own state, GUI thread only.
struct TStatusState {
  // Each timer's interval while switched on.
  int32_t StatusInterval = 100, MetrInterval = 10, DiagInterval = 20;
  bool StatusOn = false, MetrOn = false, DiagOn = false;
  TFlashClock Flash;
  int32_t DspStatusSpareMs = kNotMeasured, DspMetrSpareMs = kNotMeasured, DspDiagSpareMs = kNotMeasured;
  int32_t MidiInOverloadTime = 0;
  TBeatLightState Beat;
  bool DiagStartLogged = false;
  bool ClockLossTold = false;
  bool FirstTick = true;
  TStatusSnapshot Snap;
  TStatusView View;
  TControlView Control;
  int64_t Applies = 0;
  int64_t Skipped = 0;
  std::unique_ptr<TKeepAwake> KeepAwake = std::make_unique<TKeepAwake>();
  TLights* SeqLights = nullptr;
  TLights* BeatLight = nullptr;
  TLights* LiveLight = nullptr;
  std::array<QPointer<QFrame>, kSeqs> RowsSeen{};
};

namespace {

constexpr int32_t kLightGrow = 2;
constexpr const char* kAutoSize = "velAutoSize";  // the large seq light: 14 x 14 around the 10 x 10 one

// Applies a value only where it differs from what the widget shows, and counts what it applied.
struct TApplier {
  int64_t& Count;
  const QPalette& Saved;

  QColor Fore(TColor c) const {
    const QColor q = ToQColor(c, Saved);
    return q.isValid() ? q : Saved.color(QPalette::Active, QPalette::WindowText);
  }
  QColor Back(TColor c) const {
    const QColor q = ToQColor(c, Saved);
    return q.isValid() ? q : Saved.color(QPalette::Active, QPalette::Window);
  }
  void Text(QLabel* w, const std::string& text) {
    if (!w) return;
    const QString q = QString::fromStdString(text);
    if (w->text() == q) return;
    w->setText(q);
    ++Count;
    // A value label designed without a width takes its text's (it stands in for a combo).
    if (w->property(kAutoSize).toBool())
      w->resize(w->sizeHint().width(), w->height() > 0 ? w->height() : w->sizeHint().height());
  }
  void Fg(QWidget* w, TColor c) {
    if (!w) return;
    const QColor q = Fore(c);
    if (w->palette().color(QPalette::Active, w->foregroundRole()) == q) return;
    SetFgColour(w, q);
    ++Count;
  }
  void Bg(QWidget* w, TColor c) {
    if (!w) return;
    const QColor q = Back(c);
    if (w->autoFillBackground() && w->palette().color(w->backgroundRole()) == q) return;
    SetBgColour(w, q);
    ++Count;
  }
  void Bold(QWidget* w, bool bold) {
    if (!w || w->font().bold() == bold) return;
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
    ++Count;
  }
  void Enabled(QWidget* w, bool on) {
    if (!w || w->testAttribute(Qt::WA_Disabled) != on) return;
    w->setEnabled(on);
    ++Count;
  }
  void Visible(QWidget* w, bool on) {
    if (!w || w->isHidden() != on) return;
    w->setVisible(on);
    ++Count;
  }
  // The designed font stays unless the value decides its weight (bold numbers, regular names).
  void Label(QLabel* w, const TText& t, bool visibility = false, bool weight = false) {
    Text(w, t.Text);
    Fg(w, t.Colour);
    if (weight) Bold(w, t.Bold);
    Enabled(w, t.Enabled);
    if (visibility) Visible(w, t.Visible);
  }
  void Light(TLights* l, int i, const QRect& r, TColor c, bool visible) {
    if (l && l->SetLight(i, r, Back(c), visible)) ++Count;
  }
  void Geometry(QWidget* w, const QRect& r) {
    if (!w || w->geometry() == r) return;
    w->setGeometry(r);
    ++Count;
  }
};

using TLabelMark = std::function<void(int32_t key, bool bold)>;

// Every key of a map with the code, sent over the display link with its state, and marked on the
// virtual keyboard's label, which shows map key k at k + 12 x the first input's octave offset.
void MarkKeys(const TKeyMap& map, uint8_t code, uint8_t tarloMode, bool on, bool firstOnly,
              const TLabelMark& label = nullptr) {
  for (int32_t key = 0; key < KeyCount; ++key) {
    if (map[std::size_t(key)].load() != code) continue;
    if (Cfg.TarloOn) TarloSendKeyState(tarloMode, key, on);
    if (label) label(key + 12 * Cfg.InPortOctaveOffset[0], on);
    if (firstOnly) return;
  }
}

// One status tick after the snapshot: each area of the window shows its part of it.
struct TStatusTick {
  TStatusTick(const TStatusWidgets& widgets, const TStatusLinks& areaLinks, TStatusState& display, bool flash,
              TLabelMark labelMark)
      : ui(&widgets),
        links(areaLinks),
        d(display),
        s(display.Snap),
        a{display.Applies, *widgets.SysPalette},
        flashOn(flash),
        running(display.Snap.ProgState == TProgState::Running),
        mark(std::move(labelMark)) {}

  // Program state, prompt, clock source and the output's local control.
  void ProgState() {
    BuildControlView(s, Cfg, flashOn, Trace.DiagFlags != 0, Trace.InTraceOn || Trace.OutTraceOn,
                     Showing.KeyMapperShowing != 0, CalibPromptText(Cfg.InPortLiveCmdKey[0]), d.Control);
    for (const std::string& e : d.Control.Errors) ReportDesignError(e);
    const TControlView& c = d.Control;
    a.Label(ui->lblvTSig, c.TSig);
    a.Label(ui->lblvQuantN, c.QuantN);
    a.Label(ui->lblvQuantS, c.QuantS);
    if (running) a.Visible(ui->chkQuantNoteOffs, c.QuantNoteOffsVisible);
    a.Label(ui->lblvProgState, c.ProgState);
    if (running && ClockLossIsNew(s.ClockLost, s.SwitchToInternal, d.ClockLossTold)) {
      ReportWarning(ClockLossText(s.ClocksExtPNo));
      ui->rbClocksInt->setChecked(true);
      links.ApplyClockSource();
    }
    if (s.ProgState == TProgState::Config && Trace.DiagFlags && !d.DiagStartLogged) {
      DiagLogTimed(c.ProgState.Text);
      d.DiagStartLogged = true;
    }
    if (MidiIn.LocalCtlDirty.exchange(0) != 0) {
      const bool local = PlayCycle.LocalControlOn != 0;
      a.Text(ui->lblOut, local ? "Output" : "Output (local off)");
      a.Fg(ui->lblOut, local ? Cfg.ClText : Cfg.ClStWarning);
      links.ShowLocalControlOn();
    }
  }

  // The live row, the last command and the input octave offsets.
  void LiveRow() {
    const TControlView& c = d.Control;
    a.Text(ui->lblLive1, c.Live1);
    a.Fg(ui->sbtnControl, c.ControlFont);
    a.Label(ui->lblvKeyMode, c.KeyMode);
    a.Bg(ui->lblvKeyMode, c.KeyModeBg);
    a.Label(ui->lblKeyMode, c.KeyModeCaption, true);
    a.Bg(ui->pnlTitle, c.TitlePanel);
    a.Geometry(d.LiveLight, ui->shpLiveMidiActivity->geometry());
    a.Light(d.LiveLight, 0, d.LiveLight->rect(), c.LiveLight,
            Cfg.DspMidiActivity && !ui->shpLiveMidiActivity->isHidden());
    if (s.LastRecEventNew) {
      const TBarGrid grid{s.ActBarTicks, s.ActSQTicks, s.SQActNoteLenFrac};
      Msgs.StatusMsg.Set(StepRecordedText(s.SRecTime, s.LastRecEvent, grid));
    }
    a.Text(ui->lblvLastCmd, Msgs.StatusMsg.Peek());
    for (int32_t input = 0; input < 2; ++input) {
      if (s.InPortsAllocated < input) continue;
      a.Label(input == 0 ? ui->lblvInPort0OctOffset : ui->lblvInPort1OctOffset,
              ShowInOctaveOffset(Cfg.InPortOctaveOffset[std::size_t(input)], Cfg));
    }
    a.Bg(ui->pnlLive, c.LivePanel);
    a.Fg(ui->lblLive1, c.Live12Colour);
    a.Fg(ui->lblLive2, c.Live12Colour);
    if (c.LivePortSet) {
      a.Label(ui->lblvLivePort, c.LivePort, false, true);
      a.Label(ui->lblvLiveChan, c.LiveChan);
      a.Label(ui->lblvLiveProg, c.LiveProg, false, true);
    }
    a.Label(ui->lblvLiveSVel, c.LiveSVel);
    a.Label(ui->lblvLivePitch, c.LivePitch);
    a.Label(ui->lblvLiveTrans, c.LiveTrans);
    if (Cfg.DspTempoDiv) a.Label(ui->lblvLiveTDiv, c.LiveTDiv);
    if (Cfg.DspScale) a.Label(ui->lblvLiveScale, c.LiveScale);
  }

  // Key marks over the display link and on the virtual keyboard's labels.
  void LinkKeyMarks() {
    const bool marks = Cfg.TarloOn != 0;
    const TLabelMark cmdMark = s.KeyMode == TKeyMode::Command ? mark : nullptr;
    if ((marks || cmdMark) && s.MarkSelLive)
      MarkKeys(KeyMapCmd, CmdSelLive, 1, s.Live.Selected, true, cmdMark);
    if (marks && s.MarkPitchZones) {
      const uint8_t zones[] = {PitchSelnLo, PitchSelnHi, PitchSeln1};
      for (int32_t i = 0; i < 3; ++i)
        MarkKeys(KeyMapPitch, zones[i], 8, s.PitchZoneSel[std::size_t(i)], false);
    }

    // The labels show the Command map only in Command mode.
    if ((marks || cmdMark) && s.KeyMode == TKeyMode::Command)
      for (int32_t q = 0; q <= s.MaxActiveSeqs; ++q)
        if (s.Seqs[std::size_t(q)].SelChanged)
          MarkKeys(KeyMapCmd, uint8_t(CmdSeq1 + q), 1, s.Seqs[std::size_t(q)].Selected, false, cmdMark);
  }

  // The seq rows, their lights and the metronome's style labels.
  void SeqRowsShown() {
    BuildStatusView(s, Cfg, flashOn, d.View);
    for (const std::string& e : d.View.Errors) ReportDesignError(e);
    bool rowsChanged = false;
    for (int32_t q = 0; q <= d.View.LastRow; ++q) rowsChanged = SeqRow(q) || rowsChanged;
    for (int32_t q = d.View.LastRow + 1; q < kSeqs; ++q) a.Light(d.SeqLights, q, QRect(), 0, false);
    a.Geometry(d.SeqLights, ui->pnlSeqStatus->rect());
    if (rowsChanged) d.SeqLights->raise();
    if (s.ProgState < TProgState::Running || s.MetrSeqNo >= 0) {
      const int64_t before = a.Count;
      a.Text(ui->lblvMetrStyleName, d.View.MetrStyleName);
      a.Text(ui->lblvMetrStylePatNo, d.View.MetrStylePatNo);
      if (a.Count != before) PlaceStyleLabels(ui->lblvMetrStyleName, ui->lblvMetrStylePatNo);
    }
  }

  // One row; true when its panel was made or freed since the last tick.
  bool SeqRow(int32_t q) {
    const TSeqRow& r = (*ui->SeqRows)[std::size_t(q)];
    const bool changed = d.RowsSeen[std::size_t(q)] != r.pnlSeq;
    d.RowsSeen[std::size_t(q)] = r.pnlSeq;
    if (!r.pnlSeq) return changed;
    const TSeqRowView& v = d.View.Rows[std::size_t(q)];
    a.Bg(r.pnlSeq, v.Panel);
    a.Label(r.lblSeqPartNo, v.PartNo);
    a.Label(r.lblSeqNo, v.SeqNo);
    a.Bg(r.lblSeqNo, v.SeqNoBg);
    a.Label(r.lblSeqState, v.State);
    a.Label(r.lblSeqPitch, v.Pitch);
    if (Cfg.DspScale) a.Label(r.lblSeqScale, v.Scale);
    a.Label(r.lblSeqTrans, v.Trans);
    if (Cfg.DspSeqLen) a.Label(r.lblSeqLen, v.Len);
    if (Cfg.DspTempoDiv) a.Label(r.lblSeqTDiv, v.TDiv);
    a.Label(r.lblSeqTimeShift, v.TimeShift);
    if (v.Port) a.Label(r.lblSeqPort, *v.Port, false, true);
    if (v.Chan) a.Label(r.lblSeqChan, *v.Chan);
    if (v.Prog) a.Label(r.lblSeqProg, *v.Prog, false, true);
    // The velocity's blink shows only where its label stands in for the combo (running).
    a.Label(r.lblSeqSVel, v.SVel, running && r.cboSeqSVel && r.cboSeqSVel->isHidden());
    if (Cfg.DspMidiActivity && r.shpSeqMidiActivity) {
      QFrame* shp = r.shpSeqMidiActivity;
      if (shp->frameShape() != QFrame::NoFrame) shp->setFrameShape(QFrame::NoFrame);
      QRect place = shp->geometry().translated(r.pnlSeq->pos());
      place.setSize(QSize(10, 10));
      if (v.Light.Large) place.adjust(-kLightGrow, -kLightGrow, kLightGrow, kLightGrow);
      a.Light(d.SeqLights, q, place, v.Light.Colour, !shp->isHidden() && !r.pnlSeq->isHidden());
    } else {
      a.Light(d.SeqLights, q, QRect(), 0, false);
    }
    return changed;
  }

  // Tempo every tick, the metronome notes when the bar was rebuilt, the scenes when one was saved.
  void TempoMetrScenes() {
    const TTempoView t =
        ShowTempoDisplay(s.Tempo, s.Live.TempoSweep, s.TempoSlewTime, s.InPortsAllocated >= 0,
                         s.ExtClockValid, s.ExtClockCount, s.ExtClockSum, Cfg);
    a.Text(ui->lblvTempoSlew, t.Slew);
    a.Text(ui->lblvTempoInt, t.Int);
    a.Text(ui->lblvTempoExt, t.Ext);
    if (t.ExtColour) a.Fg(ui->lblvTempoExt, *t.ExtColour);
    if (Metr.MetrRebuilt.exchange(0) != 0 || d.FirstTick) {
      const TMetrNotesView n = ShowMetrNotes(s.MetrBarNote, s.MetrBarSVel, s.MetrBeatNote, s.MetrBeatSVel);
      a.Text(ui->lblvMetrBarNote, n.BarNote);
      a.Text(ui->lblvMetrBarSVel, n.BarSVel);
      a.Text(ui->lblvMetrBeatNote, n.BeatNote);
      a.Text(ui->lblvMetrBeatSVel, n.BeatSVel);
    }
    if (Scenes.SceneSaved.exchange(0) != 0 || d.FirstTick) {
      const bool in = s.CurScene > 0, ext = s.CurExtScene > 0;
      a.Visible(ui->lblIntScene, ext);
      a.Visible(ui->lblvIntScene, in);
      a.Visible(ui->lblExtScene, ext);
      a.Visible(ui->lblvExtScene, ext);
      a.Text(ui->lblvIntScene, std::to_string(s.CurScene));
      a.Text(ui->lblvExtScene, std::to_string(s.CurExtScene));
    }
    d.FirstTick = false;
  }

  // Running: the load lights.
  void LoadLights() {
    uint8_t more = MidiIn.MidiInMoreData;
    const TLoadLight in = InputOverload(more, d.MidiInOverloadTime, s.MsClock, Cfg);
    if (more == 0) MidiIn.MidiInMoreData = 0;
    auto light = [this](QLabel* l, const TLoadLight& v) {
      a.Enabled(l, v.Lit);
      a.Fg(l, v.Colour);
    };
    light(ui->lblvMidiInLimit, in);
    light(ui->lblvDspMetrLimit, SpareLight(d.DspMetrSpareMs, Cfg));
    light(ui->lblvDspStatusLimit, SpareLight(d.DspStatusSpareMs, Cfg));
    if (Trace.DiagFlags) {
      light(ui->lblvDspDiagLimit, SpareLight(d.DspDiagSpareMs, Cfg));
    } else {
      a.Enabled(ui->lblvDspDiagLimit, false);
    }
  }

  // Running: the status bar alert's next step.
  void StatusAlert() {
    if (!Msgs.StatusAlertPending) return;
    const TAlertStep al =
        StepAlert(Msgs.StatusAlertTime, s.MsClock, flashOn, Msgs.StatusAlertText.Peek(), Cfg);
    Msgs.StatusAlertTime = al.Time;
    if (al.Colour) a.Bg(ui->Window->statusBar(), *al.Colour);
    if (al.Text && ui->Window->statusBar()->currentMessage() != QString::fromStdString(*al.Text)) {
      ui->Window->statusBar()->showMessage(QString::fromStdString(*al.Text));
      ++d.Applies;
    }
    if (al.Done) {
      Msgs.StatusAlertPending = 0;
      Msgs.StatusAlertText.Clear();
    }
  }

  // The calibrate button blinking, and its caption back once calibrated.
  void Calibrate(bool calibBlink, bool calibDone) {
    if (calibBlink) a.Fg(ui->sbtnCalibrate, flashOn ? Cfg.ClStCalibrate : clBtnFace);
    if (calibDone) {
      a.Fg(ui->sbtnCalibrate, Cfg.ClText);
      const QString caption = "Calibrate Cmd key";
      const QString hint =
          "Align live cmd key to your current keyboard octave setting (can also use run-time calib command)";
      ui->sbtnCalibrate->setText(caption);
      ui->sbtnCalibrate->setStatusTip(hint);
      ui->mnuActionCalibrate->setText(Cfg.TemplateQwertyDisabled ? "&" + caption : caption);
      ui->mnuActionCalibrate->setStatusTip(hint);
      PublishTopic(TTopic::KeyMaps);
    }
  }

  // The window's widgets, as the window names them.
  const TStatusWidgets* const ui;
  const TStatusLinks& links;
  TStatusState& d;
  const TStatusSnapshot& s;
  TApplier a;
  const bool flashOn;
  const bool running;
  // The virtual keyboard's label marks while it shows.
  const TLabelMark mark;
};

}  // namespace

TStatusDisplay::TStatusDisplay(const TStatusWidgets& widgets, TStatusLinks links)
    : w_(widgets), links_(std::move(links)), d_(std::make_unique<TStatusState>()) {
  TStatusState& d = *d_;
  auto makeTimer = [this](const char* name, void (TStatusDisplay::*handler)()) {
    auto* t = new QTimer(w_.Window);
    t->setObjectName(name);
    t->setSingleShot(true);
    QObject::connect(t, &QTimer::timeout, w_.Window, [this, handler] { (this->*handler)(); });
    return t;
  };
  tmUpdateDspStatus = makeTimer("tmUpdateDspStatus", &TStatusDisplay::tmUpdateDspStatusTimer);
  tmUpdateDspMetr = makeTimer("tmUpdateDspMetr", &TStatusDisplay::tmUpdateDspMetrTimer);
  tmUpdateDspDiag = makeTimer("tmUpdateDspDiag", &TStatusDisplay::tmUpdateDspDiagTimer);

  // The lights: painted over their places; the designed shapes only mark where.
  d.SeqLights = new TLights(w_.pnlSeqStatus, kSeqs);
  d.SeqLights->setObjectName("SeqLights");
  d.BeatLight = new TLights(w_.grpMetr, 1);
  d.BeatLight->setObjectName("BeatLight");
  d.BeatLight->setGeometry(w_.grpMetr->rect());
  d.LiveLight = new TLights(w_.shpLiveMidiActivity->parentWidget(), 1);
  d.LiveLight->setObjectName("LiveLight");
  d.LiveLight->setGeometry(w_.shpLiveMidiActivity->geometry());
  // The designed shapes keep their place, hint and shown state (the program state sets it) but
  // paint nothing: the lights are drawn over them.
  for (QFrame* shp : {w_.shpMetrLight, w_.shpLiveMidiActivity}) {
    shp->setFrameShape(QFrame::NoFrame);
    shp->setAutoFillBackground(false);
  }
  for (QLabel* l : w_.Window->findChildren<QLabel*>())
    if (l->objectName().startsWith("lblv") && l->width() == 0) l->setProperty(kAutoSize, true);
  w_.lblvMetrL->setText("\\");
  w_.lblvMetrR->setText("/");
  ResetLoadLights();
}

TStatusDisplay::~TStatusDisplay() = default;

void TStatusDisplay::Answer(TWindowCalls& calls) {
  calls.Run.SetDspTimer = [this](TDspTimer timer, bool on, int32_t intervalMs) {
    TStatusState& s = *d_;
    const int32_t ms = std::max(1, intervalMs);
    QTimer* t = timer == TDspTimer::Status ? tmUpdateDspStatus
                : timer == TDspTimer::Metr ? tmUpdateDspMetr
                                           : tmUpdateDspDiag;
    bool& isOn = timer == TDspTimer::Status ? s.StatusOn : timer == TDspTimer::Metr ? s.MetrOn : s.DiagOn;
    int32_t& interval = timer == TDspTimer::Status ? s.StatusInterval
                        : timer == TDspTimer::Metr ? s.MetrInterval
                                                   : s.DiagInterval;
    isOn = on;
    if (!on) {
      t->stop();
      return;
    }
    interval = ms;
    if (timer == TDspTimer::Status) s.Flash = TFlashClock{};
    t->start(ms);
  };
  calls.Run.UsageReport = [this] { UsageReport(); };
}

void TStatusDisplay::On(TTopic topic) {
  if (topic == TTopic::EngineReset) {
    ResetLoadLights();
    TStatusState& s = *d_;
    s.Beat = TBeatLightState{};
    s.DiagStartLogged = false;
    s.ClockLossTold = false;
    TApplier a{s.Applies, *w_.SysPalette};
    a.Light(s.BeatLight, 0, BeatLightRect(kBeatLightSmall), Cfg.ClMetrLightDefault,
            !w_.shpMetrLight->isHidden());
  } else if (topic == TTopic::RunStopped) {
    w_.SelectMainControls(LoadMainCombos());
  }
}

QRect TStatusDisplay::BeatLightRect(const TRect4& r) const {
  // The three sizes share one centre; here it is the designed shape's.
  const QPoint shift = w_.shpMetrLight->geometry().center() - QPoint(kBeatLightCentreX, kBeatLightCentreY);
  return QRect(r.Left, r.Top, r.Width, r.Height).translated(shift);
}

int64_t TStatusDisplay::DspApplies() const {
  return d_->Applies;
}

int64_t TStatusDisplay::DspSkippedTicks() const {
  return d_->Skipped;
}

void TStatusDisplay::tmUpdateDspStatusTimer() {
  TStatusState& d = *d_;
  const int32_t start = Transport.MsClock;
  UpdateDspStatus();
  d.DspStatusSpareMs = d.StatusInterval - (Transport.MsClock - start);
  if (d.StatusOn) tmUpdateDspStatus->start(d.StatusInterval);
}

void TStatusDisplay::tmUpdateDspMetrTimer() {
  TStatusState& d = *d_;
  const int32_t start = Transport.MsClock;
  UpdateDspMetr();
  d.DspMetrSpareMs = d.MetrInterval - (Transport.MsClock - start);
  if (d.MetrOn) tmUpdateDspMetr->start(d.MetrInterval);
}

void TStatusDisplay::tmUpdateDspDiagTimer() {
  TStatusState& d = *d_;
  const int32_t start = Transport.MsClock;
  UpdateDspDiag();
  d.DspDiagSpareMs = d.DiagInterval - (Transport.MsClock - start);
  if (d.DiagOn) tmUpdateDspDiag->start(d.DiagInterval);
}

void TStatusDisplay::ResetLoadLights() {
  TStatusState& d = *d_;
  d.DspStatusSpareMs = kNotMeasured;
  d.DspMetrSpareMs = kNotMeasured;
  MidiIn.MidiInMoreData = 0;
  d.MidiInOverloadTime = 0;
}

namespace {

// The flash clock runs at the timer's real interval, so blinking keeps its rhythm in Config too.
// The keep-awake nudge goes with its flips. Returns the flash's phase.
bool StepFlash(TStatusState& d) {
  const bool flipped = StepFlashClock(d.Flash, d.StatusInterval);
  if (!Cfg.KeepAwake) {
    d.KeepAwake->Set(false);
  } else if (flipped) {
    d.KeepAwake->Set(true);
  }
  return d.Flash.On;
}

// The texts the engine left for a box.
void ReportHeldMessages() {
  const std::string err = Msgs.ErrMsg.TakeAndClear();
  if (!err.empty()) ReportDesignError(err);
  const std::string warn = Msgs.WarnMsg.TakeAndClear();
  if (!warn.empty()) ReportWarning(warn);
}

void ShowTick(TStatusTick& tick, bool calibBlink, bool calibDone) {
  tick.ProgState();
  tick.LiveRow();
  tick.LinkKeyMarks();
  tick.SeqRowsShown();
  tick.TempoMetrScenes();
  if (tick.running) {
    tick.LoadLights();
    tick.StatusAlert();
  }
  tick.Calibrate(calibBlink, calibDone);
}

// What the display link asked for since the last tick.
void ServeLinkRequests() {
  if (Tarlo.ResendPending.exchange(0) != 0 && Cfg.TarloOn) TarloSendAllModes();
  if (Args.TarloOctaveSendPending.exchange(0) != 0 && Cfg.TarloOn) TarloSendOctave(Cfg.InPortOctaveOffset[0]);
}

}  // namespace

void TStatusDisplay::UpdateDspStatus() {
  TStatusState& d = *d_;
  const bool flashOn = StepFlash(d);
  ReportHeldMessages();

  bool calibBlink = false, calibDone = false;
  {
    std::unique_lock lock(EngineLock, std::try_to_lock);
    if (!lock.owns_lock()) {
      ++d.Skipped;
      return;
    }
    TakeStatusSnapshot(d.Snap, Cfg.DspPortNames != 0);
    calibBlink = Args.CalibratePending && !Args.CalibDone;
    calibDone = Args.CalibratePending && Args.CalibDone;
    if (calibDone) Args.CalibratePending = 0;
    links_.LanesAndKinetraceLocked();
    if (TemplateAnimate && Showing.TemplateShowing && Showing.LiveNoteAnyLit.exchange(0) != 0)
      TemplateAnimate(Cfg.DspStatusInterval);
  }
  TStatusTick tick(w_, links_, d, flashOn, Showing.TemplateShowing ? TemplateMark : nullptr);
  ShowTick(tick, calibBlink, calibDone);
  // The views of the key mode (virtual keyboard labels, key mapper, Tarlo) follow a key's change.
  if (Keys.KeyModeChanged.load() != 0) ShowKeyModeChange();
  // What changed since the last tick, to the windows that show it.
  Windows().DeliverRaised();
  ServeLinkRequests();
  if (Cfg.DspTemplate && !Showing.TemplateShowing) ShowTemplateWindow();

  links_.ApplyLanesAndKinetrace();
}

void TStatusDisplay::UpdateDspMetr() {
  TStatusState& d = *d_;
  TMetrInput in;
  {
    std::unique_lock lock(EngineLock, std::try_to_lock);
    if (!lock.owns_lock()) return;
    in.ActBeatTicks = Transport.ActBar.BeatTicks;
    in.ActNoteLenFrac = Transport.ActBar.NoteLenFrac;
    in.ActBeatsPerBar = Transport.ActBar.BeatsPerBar;
  }
  if (in.ActBeatTicks == 0) return;
  in.BeatChanged = PlayCycle.BeatChanged.exchange(0) != 0;
  in.BeatNo = PlayCycle.BeatNo;
  in.BarNo = PlayCycle.BarNo;
  in.SeqsRunning = PlayCycle.SeqsRunning != 0;
  in.MsClock = Transport.MsClock;
  in.IntervalMs = d.MetrInterval;
  in.MetrStartOnLeft = Cfg.MetrStartOnLeft != 0;
  TMetrView v;
  vel::UpdateDspMetr(in, Cfg, d.Beat, v);
  TApplier a{d.Applies, *w_.SysPalette};
  if (v.Light) {
    const TRect4& r = v.Light->Rect;
    a.Light(d.BeatLight, 0, BeatLightRect(r), v.Light->Colour,
            v.Light->Visible && !w_.shpMetrLight->isHidden());
  }
  if (!v.SwingSet) return;
  a.Visible(w_.lblvMetrL, v.LeftVisible);
  a.Visible(w_.lblvMetrR, v.RightVisible);
  a.Fg(w_.lblvMetrL, v.SwingColour);
  a.Fg(w_.lblvMetrR, v.SwingColour);
  a.Text(w_.lblvBeat, v.Beat);
  a.Text(w_.lblvBar, v.Bar);
}

void TStatusDisplay::UpdateDspDiag() {
  if (!Trace.DiagFlags) return;
  TTraceEvent ev;
  if (ReadDiagTraceFifo(ev)) DiagLogTimed(TraceLine(ev.Port, ev.Time, ev.Msg, Trace.DecodeTrace != 0));
  std::string text;
  if (ReadDiagMsgsFifo(text) && !text.empty()) DiagLogTimed(text);
}

void TStatusDisplay::UsageReport() {
  if (!Trace.DiagFlags) return;
  for (const std::string& line : UsageReportLines(TakeUsageFigures())) DiagLog(line);
}

void TStatusDisplay::ShowTemplateWindow() {
  if (TemplateShow) TemplateShow();
  if (!*w_.MainClosing && Showing.TemplateShowing && Cfg.TemplateDocked) DockTemplateWindow();
}

void TStatusDisplay::DockTemplateWindow() {
  const QRect f = w_.Window->frameGeometry();
  if (TemplatePlace) TemplatePlace(f.left(), f.top() + f.height(), f.width());
}

}  // namespace vel
