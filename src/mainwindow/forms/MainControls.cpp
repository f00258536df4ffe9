#include "mainwindow/forms/MainControls.h"

// The main window's control handlers: the seq rows and the live row (the mouse counterpart of the
// commands), the metronome, quantise, clock and inputs groups, the per-port clock and sync boxes
// and the seq area's headings. Lists act on `activated` only, so a loader's selection (made with
// signals blocked) never runs a handler.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include "base/Messages.h"
#include "base/UiHooks.h"
#include "engine/Metronome.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/ControlRules.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/forms/Colours.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"

namespace vel {

namespace {

std::string Text(const QComboBox* cbo) {
  return cbo->currentText().toStdString();
}

void SetBold(QWidget* w, bool bold) {
  QFont f = w->font();
  if (f.bold() == bold) return;
  f.setBold(bold);
  w->setFont(f);
}

void SetChecked(QAbstractButton* b, bool checked) {
  const QSignalBlocker block(b);
  b->setChecked(checked);
}

bool Running() {
  return RunCtl.ProgState.load() == TProgState::Running;
}

// A label's mouse press and release: labels have no signals for them.
class TPressFilter : public QObject {
 public:
  TPressFilter(QObject* parent, std::function<void(bool down)> onPress)
      : QObject(parent), onPress_(std::move(onPress)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type t = event->type();
    if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      onPress_(t == QEvent::MouseButtonPress);
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(bool)> onPress_;
};

void OnPress(QWidget* w, std::function<void(bool down)> onPress) {
  w->installEventFilter(new TPressFilter(w, std::move(onPress)));
}

// An up-down's step starts from the stored offset, which calibration may have moved since the
// control last showed it.
class TOctaveSync : public QObject {
 public:
  TOctaveSync(QSpinBox* ud, int32_t input) : QObject(ud), ud_(ud), input_(input) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress: {
        const QSignalBlocker block(ud_);
        ud_->setValue(Cfg.InPortOctaveOffset[input_].load());
        break;
      }
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QSpinBox* ud_;
  int32_t input_;
};

}  // namespace

void TControlGroups::RefreshAllControls() {
  // The window's areas reload their controls as the registry's answer to the refresh.
  RefreshAll(false);
}

void TControlGroups::LoadControlChecks() {
  const TControlChecks now = ControlChecksNow();
  const TCfg& c = now.Cfg;
  const std::array<uint8_t, kSeqs>& locked = now.PitchLocked;
  const int32_t lastOut = now.LastOutPort;
  SetChecked(w_.rbClocksInt, c.ClocksSourceInternal != 0);
  SetChecked(w_.rbClocksExt, c.ClocksSourceInternal == 0);
  SetChecked(w_.chkClocksExtLock, c.ClocksSourceExtLock != 0);
  for (int32_t p = 0; p <= lastOut; ++p) {
    if (w_.RunTime.Clocks(p)) SetChecked(w_.RunTime.Clocks(p), c.MIDIOutClocksEnabled[p] != 0);
    if (w_.RunTime.Sync(p)) SetChecked(w_.RunTime.Sync(p), c.MidiOutSyncEnabled[p] != 0);
  }
  SetChecked(w_.chkMidiInSyncInt, c.MidiInSyncIntEnabled != 0);
  SetChecked(w_.chkMidiInSyncExt, c.MidiInSyncExtEnabled != 0);
  SetChecked(w_.chkQuantNoteOffs, c.QuantiseNoteOffs != 0);
  SetChecked(w_.chkMetrFill, c.MetrFill != 0);
  SetChecked(w_.chkAuxInPortReqd, c.AuxInPortReqd != 0);
  // A hand-edited channel no list holds shows no selection and stays stored.
  auto filter = [](QComboBox* cbo, int32_t chan) {
    const QSignalBlocker block(cbo);
    cbo->setCurrentIndex(chan >= -1 && chan + 1 < cbo->count() ? chan + 1 : -1);
  };
  filter(w_.cboInPort0FilterChan, c.MainInPortFilterChan);
  filter(w_.cboInPort1FilterChan, c.AuxInPortFilterChan);
  for (int32_t i = 0; i < 2; ++i) {
    QSpinBox* ud = i == 0 ? w_.udInPort0Oct : w_.udInPort1Oct;
    const QSignalBlocker block(ud);
    ud->setValue(c.InPortOctaveOffset[i].load());
  }
  for (int32_t s = 0; s < kSeqs; ++s)
    if (w_.RunTime.Row(s).chkSeqPitchLock) SetChecked(w_.RunTime.Row(s).chkSeqPitchLock, locked[s] != 0);
  ShowMetrType();
  ShowMetrBars();
  ApplyClockSource();
}

void TControlGroups::ApplyClockSource() {
  const bool internal = w_.rbClocksInt->isChecked();
  SetClockSource(internal, w_.chkClocksExtLock->isChecked());
  w_.cboTempoIntLSB->setEnabled(internal);
  const int32_t lastOut = LastOutPortNow();
  for (int32_t p = 0; p <= lastOut; ++p)
    for (QCheckBox* box : {w_.RunTime.Clocks(p), w_.RunTime.Sync(p)})
      if (box) box->setEnabled(internal);
  SetBold(w_.lblvTempoInt, internal);
  SetBold(w_.lblvTempoExt, !internal);
}

void TControlGroups::SetMetronomeSeq(int32_t seq, const std::function<void()>& refill) {
  if (vel::SetMetronomeSeq(seq, refill)) UpdateMetrControls(Running());
}

void TControlGroups::UpdateMetrControls(bool running) {
  const TMetrControls m = MetrControlsNow(running);
  // Only the controls that depend on an output port are enabled here; the others keep what the
  // program state gave them.
  auto apply = [](std::initializer_list<QWidget*> ws, const TShowEnable& se, bool enable) {
    for (QWidget* w : ws) {
      w->setVisible(se.Visible);
      if (enable) w->setEnabled(se.Enabled);
    }
  };
  apply({w_.lblvMetrStyleName, w_.lblvMetrStylePatNo}, m.StyleLabels, false);
  apply({w_.cboMetrBarNote, w_.cboMetrBeatNote, w_.cboMetrBarSVel, w_.cboMetrBeatSVel}, m.NoteCombos, true);
  apply({w_.lblMetrSVel}, m.SVelLabel, false);
  apply({w_.lblvMetrBarNote, w_.lblvMetrBeatNote, w_.lblvMetrBarSVel, w_.lblvMetrBeatSVel}, m.NoteLabels,
        false);
  apply({w_.chkMetrFill, w_.lblMetrFill}, m.Fill, true);
  apply({w_.chkMetrModeStyles, w_.lblMetrModeStyles}, m.ModeStyles, true);
  apply({w_.sbtnMetrTypePitched, w_.sbtnMetrTypePitchLocked}, m.TypeButtons, false);
  SetChecked(w_.chkMetrModeStyles, m.ModeStylesChecked);
  PublishTopic(TTopic::MetrMode);
}

void TControlGroups::ShowMetrType() {
  UpdateMetrControls(Running());
  const auto [drum, styles] = RelabelMetrType();
  auto col = [this](TColor c) { return ToQColor(c, *w_.SysPalette); };
  SetBold(w_.sbtnMetrTypePitchLocked, drum);
  SetBold(w_.sbtnMetrTypePitched, !drum);
  SetFgColour(w_.sbtnMetrTypePitchLocked, col(drum && styles ? Cfg.ClFgMetrDrum : Cfg.ClText));
  SetFgColour(w_.sbtnMetrTypePitched, col(!drum && styles ? Cfg.ClFgMetrBass : Cfg.ClText));
  for (QLabel* l : {w_.lblvMetrStyleName, w_.lblvMetrStylePatNo})
    SetFgColour(l, col(drum ? Cfg.ClFgMetrDrum : Cfg.ClFgMetrBass));
}

void TControlGroups::ShowMetrBars() {
  int32_t bars = MetrBarsNow();
  if (bars < 1 || bars > 4) {
    ReportDesignError("Unexpected value for MetrBars: " + std::to_string(bars));
    bars = 1;
  }
  QToolButton* buttons[] = {w_.sbtnMetrBars1, w_.sbtnMetrBars2, w_.sbtnMetrBars3, w_.sbtnMetrBars4};
  for (int32_t n = 1; n <= 4; ++n) SetBold(buttons[n - 1], n == bars);
}

void TControlGroups::Answer(TWindowCalls& calls) {
  // Every way into Config (the settings load, each refresh, the stop) shows the settings in the
  // boxes: the clock source is read back from them.
  calls.Run.ApplyProgState = [this](TProgState state) {
    if (state == TProgState::Config) LoadControlChecks();
    // Running shows the metronome's notes and velocities as labels in place of the lists.
    if (state == TProgState::Running) UpdateMetrControls(true);
  };
}

TControlGroups::TControlGroups(const TControlWidgets& widgets) : w_(widgets) {
  WireSeqRows();
  WireSeqHeadings();
  WireLiveRow();
  WireMetronomeGroup();
  WireClockGroup();
  WireInputsGroup();
}

void TControlGroups::WireSeqRows() {
  // Seq rows: each row's lambda (made with the row) calls these with its seq.
  auto end = [this](const TSeqEdit& edit) { EndSeqEdit(edit, [this] { RefreshAllControls(); }); };
  auto row = [this](int32_t s) -> const TSeqRow* {
    return s >= 0 && s < kSeqs && w_.RunTime.Row(s).pnlSeq ? &w_.RunTime.Row(s) : nullptr;
  };
  SeqHandlers.SeqOutPortChange = [this, row](int32_t s) {
    if (const TSeqRow* r = row(s)) {
      vel::SeqOutPortChange(s, Text(r->cboSeqPort));
      w_.SelectMainControls(LoadMainCombos());
    }
  };
  SeqHandlers.SeqChanChange = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqChanChange(s, Text(r->cboSeqChan)));
  };
  SeqHandlers.SeqProgChange = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqProgChange(s, r->cboSeqProg->currentIndex()));
  };
  SeqHandlers.SeqSVelChange = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqSVelChange(s, Text(r->cboSeqSVel)));
  };
  SeqHandlers.SeqPartNoChange = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqPartNoChange(s, Text(r->cboSeqPartNo)));
  };
  SeqHandlers.SeqMutedClick = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqMutedClick(s, r->chkSeqMuted->isChecked()));
  };
  SeqHandlers.SeqPitchLockClick = [row, end](int32_t s) {
    if (const TSeqRow* r = row(s)) end(vel::SeqPitchLockClick(s, r->chkSeqPitchLock->isChecked()));
  };
  SeqHandlers.SeqNoClick = [](int32_t s) { vel::SeqNoClick(s); };
  SeqHandlers.MidiOutClocksClick = [this](int32_t p) {
    if (p < 0 || p >= kPorts || !w_.RunTime.Clocks(p)) return;
    SetMidiOutClocks(p, w_.RunTime.Clocks(p)->isChecked());
  };
  SeqHandlers.MidiOutSyncClick = [this](int32_t p) {
    if (p < 0 || p >= kPorts || !w_.RunTime.Sync(p)) return;
    SetMidiOutSync(p, w_.RunTime.Sync(p)->isChecked());
  };
}

void TControlGroups::WireSeqHeadings() {
  // Seq area headings.
  for (QLabel* l : {w_.lblSeqNos, w_.lblSeqPartNos})
    OnPress(l, [](bool down) {
      if (!down) SeqHeaderClick();
    });
  // Held down, the track heading shows the other position format.
  OnPress(w_.lblSeqTracks, [](bool) { ToggleDspSeqNumPosn(); });
}

void TControlGroups::WireLiveRow() {
  // Live row.
  QObject::connect(w_.cboLivePorts, &QComboBox::activated, w_.Window, [this] {
    LivePortChanged(Text(w_.cboLivePorts));
    w_.SelectMainControls(LoadMainCombos());
  });
  QObject::connect(w_.cboLiveChans, &QComboBox::activated, w_.Window, [this] {
    LiveChanChanged(Text(w_.cboLiveChans));
    RefreshAllControls();
  });
  QObject::connect(w_.cboLiveProgs, &QComboBox::activated, w_.Window, [this] {
    LiveProgChanged(w_.cboLiveProgs->currentIndex());
    RefreshAllControls();
  });
}

// Metronome group: time signature, refused while the metronome style sets it, and quantise.
void TControlGroups::WireTimeSigAndQuantise() {
  auto tsig = [this](QComboBox* cbo, bool beats) {
    const std::string refusal = TSigRefusal(beats);
    const std::optional<int32_t> n = ComboNumber(Text(cbo));
    if (!refusal.empty() || !n) {
      if (!refusal.empty()) ShowMessage(refusal, MsgKind::Warning);
      w_.SelectMainControls(LoadMainCombos());
      return;
    }
    SetTimeSigChoice(beats, *n);
    RefreshAllControls();
  };
  QObject::connect(w_.cboTSigBeats, &QComboBox::activated, w_.Window,
                   [this, tsig] { tsig(w_.cboTSigBeats, true); });
  QObject::connect(w_.cboTSigFrac, &QComboBox::activated, w_.Window,
                   [this, tsig] { tsig(w_.cboTSigFrac, false); });
  auto quant = [this](QComboBox* cbo, int32_t TBarSettings::*field) {
    QObject::connect(cbo, &QComboBox::activated, w_.Window, [this, cbo, field] {
      const std::optional<int32_t> n = ComboNumber(Text(cbo));
      if (!n) return;
      SetQuantNoteLen(field, *n);
      RefreshAllControls();
    });
  };
  quant(w_.cboQuantN, &TBarSettings::NQNoteLenFrac);
  quant(w_.cboQuantS, &TBarSettings::SQNoteLenFrac);
  QObject::connect(w_.chkQuantNoteOffs, &QCheckBox::clicked, w_.Window, [](bool checked) {
    StoreLocked(Cfg.QuantiseNoteOffs, checked);
    SetProgState(RunCtl.ProgState.load());
  });
}

void TControlGroups::WireMetronomeGroup() {
  WireTimeSigAndQuantise();
  auto metr = [this](QComboBox* cbo, bool (*set)(bool, const std::string&), bool bar) {
    QObject::connect(cbo, &QComboBox::activated, w_.Window, [this, cbo, set, bar] {
      if (set(bar, Text(cbo))) RefreshAllControls();
    });
  };
  metr(w_.cboMetrBarSVel, &SetMetrSVel, true);
  metr(w_.cboMetrBeatSVel, &SetMetrSVel, false);
  metr(w_.cboMetrBarNote, &SetMetrNote, true);
  metr(w_.cboMetrBeatNote, &SetMetrNote, false);
  QToolButton* bars[] = {w_.sbtnMetrBars1, w_.sbtnMetrBars2, w_.sbtnMetrBars3, w_.sbtnMetrBars4};
  for (int32_t n = 1; n <= 4; ++n)
    QObject::connect(bars[n - 1], &QToolButton::clicked, w_.Window, [this, n] {
      if (SetMetrBars(n)) ShowMetrBars();
    });
  auto type = [this](bool drum) {
    const TMetrTypeFollow follow = SetMetrType(drum);
    if (follow == TMetrTypeFollow::Nothing) return;
    ShowMetrType();
    if (follow == TMetrTypeFollow::Refresh) RefreshAllControls();
  };
  QObject::connect(w_.sbtnMetrTypePitchLocked, &QToolButton::clicked, w_.Window, [type] { type(true); });
  QObject::connect(w_.sbtnMetrTypePitched, &QToolButton::clicked, w_.Window, [type] { type(false); });
  QObject::connect(w_.chkMetrFill, &QCheckBox::clicked, w_.Window,
                   [](bool checked) { SetMetrFill(checked); });
  QObject::connect(w_.chkMetrModeStyles, &QCheckBox::clicked, w_.Window, [this](bool checked) {
    StoreLocked(Cfg.MetrModeStyles, checked);
    ShowMetrType();
    RebuildMetrBar();
    if (RunCtl.ProgState.load() == TProgState::Config) RefreshAllControls();
  });
}

void TControlGroups::WireClockGroup() {
  // Clock group.
  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(w_.rbClocksInt), static_cast<QAbstractButton*>(w_.rbClocksExt),
        static_cast<QAbstractButton*>(w_.chkClocksExtLock)})
    QObject::connect(b, &QAbstractButton::clicked, w_.Window, [this] { ApplyClockSource(); });
  auto tempo = [this] {
    const int32_t t = TempoFromCombos(Text(w_.cboTempoIntMSB), Text(w_.cboTempoIntLSB));
    SetTempoNow(t);
    {
      const QSignalBlocker block(w_.cboTempoIntLSB);
      w_.cboTempoIntLSB->setCurrentIndex(TempoBpmIndex(t));
    }
    RefreshAllControls();
  };
  QObject::connect(w_.cboTempoIntMSB, &QComboBox::activated, w_.Window, tempo);
  QObject::connect(w_.cboTempoIntLSB, &QComboBox::activated, w_.Window, tempo);
  QObject::connect(w_.chkMidiInSyncInt, &QCheckBox::clicked, w_.Window,
                   [](bool checked) { StoreLocked(Cfg.MidiInSyncIntEnabled, checked); });
  QObject::connect(w_.chkMidiInSyncExt, &QCheckBox::clicked, w_.Window,
                   [](bool checked) { StoreLocked(Cfg.MidiInSyncExtEnabled, checked); });
}

void TControlGroups::WireInputsGroup() {
  // Inputs group.
  QObject::connect(w_.cboInPort0FilterChan, &QComboBox::activated, w_.Window,
                   [](int index) { StoreLocked(Cfg.MainInPortFilterChan, index - 1); });
  QObject::connect(w_.cboInPort1FilterChan, &QComboBox::activated, w_.Window,
                   [](int index) { StoreLocked(Cfg.AuxInPortFilterChan, index - 1); });
  for (int32_t i = 0; i < 2; ++i) {
    QSpinBox* ud = i == 0 ? w_.udInPort0Oct : w_.udInPort1Oct;
    QLabel* shown = i == 0 ? w_.lblvInPort0OctOffset : w_.lblvInPort1OctOffset;
    ud->installEventFilter(new TOctaveSync(ud, i));
    QObject::connect(ud, &QSpinBox::valueChanged, w_.Window, [this, i, shown](int value) {
      if (!SetInPortOctave(i, value)) return;
      shown->setText(QString::fromStdString(OctaveOffsetText(value)));
      SetFgColour(shown, ToQColor(value != 0 ? Cfg.ClStOctaveNonZero : Cfg.ClText, *w_.SysPalette));
    });
  }
  QObject::connect(w_.chkAuxInPortReqd, &QCheckBox::clicked, w_.Window, [](bool checked) {
    StoreLocked(Cfg.AuxInPortReqd, checked);
    // The second input's rows follow the box.
    SetProgState(RunCtl.ProgState.load());
  });
}

}  // namespace vel
