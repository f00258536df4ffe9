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
#include <mutex>

#include "base/EngineLock.h"
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
#include "mainwindow/forms/Main.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"
#include "ui_Main.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

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
  TCfg c;
  std::array<uint8_t, kSeqs> locked{};
  int32_t lastOut = -1;
  {
    Lock lock(EngineLock);
    c = Cfg;
    for (int32_t s = 0; s <= LastSeq(); ++s) locked[s] = SeqBuf(s).PitchLocked;
    lastOut = std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1);
  }
  SetChecked(ui->rbClocksInt, c.ClocksSourceInternal != 0);
  SetChecked(ui->rbClocksExt, c.ClocksSourceInternal == 0);
  SetChecked(ui->chkClocksExtLock, c.ClocksSourceExtLock != 0);
  for (int32_t p = 0; p <= lastOut; ++p) {
    if (form_.chkMidiOutClocks[p]) SetChecked(form_.chkMidiOutClocks[p], c.MIDIOutClocksEnabled[p] != 0);
    if (form_.chkMidiOutSync[p]) SetChecked(form_.chkMidiOutSync[p], c.MidiOutSyncEnabled[p] != 0);
  }
  SetChecked(ui->chkMidiInSyncInt, c.MidiInSyncIntEnabled != 0);
  SetChecked(ui->chkMidiInSyncExt, c.MidiInSyncExtEnabled != 0);
  SetChecked(ui->chkQuantNoteOffs, c.QuantiseNoteOffs != 0);
  SetChecked(ui->chkMetrFill, c.MetrFill != 0);
  SetChecked(ui->chkAuxInPortReqd, c.AuxInPortReqd != 0);
  // A hand-edited channel no list holds shows no selection and stays stored.
  auto filter = [](QComboBox* cbo, int32_t chan) {
    const QSignalBlocker block(cbo);
    cbo->setCurrentIndex(chan >= -1 && chan + 1 < cbo->count() ? chan + 1 : -1);
  };
  filter(ui->cboInPort0FilterChan, c.MainInPortFilterChan);
  filter(ui->cboInPort1FilterChan, c.AuxInPortFilterChan);
  for (int32_t i = 0; i < 2; ++i) {
    QSpinBox* ud = i == 0 ? ui->udInPort0Oct : ui->udInPort1Oct;
    const QSignalBlocker block(ud);
    ud->setValue(c.InPortOctaveOffset[i].load());
  }
  for (int32_t s = 0; s < kSeqs; ++s)
    if (form_.SeqRows[s].chkSeqPitchLock) SetChecked(form_.SeqRows[s].chkSeqPitchLock, locked[s] != 0);
  ShowMetrType();
  ShowMetrBars();
  ApplyClockSource();
}

void TControlGroups::ApplyClockSource() {
  const bool internal = ui->rbClocksInt->isChecked();
  SetClockSource(internal, ui->chkClocksExtLock->isChecked());
  ui->cboTempoIntLSB->setEnabled(internal);
  int32_t lastOut = -1;
  {
    Lock lock(EngineLock);
    lastOut = std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1);
  }
  for (int32_t p = 0; p <= lastOut; ++p)
    for (QCheckBox* box : {form_.chkMidiOutClocks[p], form_.chkMidiOutSync[p]})
      if (box) box->setEnabled(internal);
  SetBold(ui->lblvTempoInt, internal);
  SetBold(ui->lblvTempoExt, !internal);
}

void TControlGroups::SetMetronomeSeq(int32_t seq, const std::function<void()>& refill) {
  if (vel::SetMetronomeSeq(seq, refill)) UpdateMetrControls(Running());
}

void TControlGroups::UpdateMetrControls(bool running) {
  TMetrControls m;
  {
    Lock lock(EngineLock);
    m = vel::UpdateMetrControls(running);
  }
  // Only the controls that depend on an output port are enabled here; the others keep what the
  // program state gave them.
  auto apply = [](std::initializer_list<QWidget*> ws, const TShowEnable& se, bool enable) {
    for (QWidget* w : ws) {
      w->setVisible(se.Visible);
      if (enable) w->setEnabled(se.Enabled);
    }
  };
  apply({ui->lblvMetrStyleName, ui->lblvMetrStylePatNo}, m.StyleLabels, false);
  apply({ui->cboMetrBarNote, ui->cboMetrBeatNote, ui->cboMetrBarSVel, ui->cboMetrBeatSVel}, m.NoteCombos,
        true);
  apply({ui->lblMetrSVel}, m.SVelLabel, false);
  apply({ui->lblvMetrBarNote, ui->lblvMetrBeatNote, ui->lblvMetrBarSVel, ui->lblvMetrBeatSVel}, m.NoteLabels,
        false);
  apply({ui->chkMetrFill, ui->lblMetrFill}, m.Fill, true);
  apply({ui->chkMetrModeStyles, ui->lblMetrModeStyles}, m.ModeStyles, true);
  apply({ui->sbtnMetrTypePitched, ui->sbtnMetrTypePitchLocked}, m.TypeButtons, false);
  SetChecked(ui->chkMetrModeStyles, m.ModeStylesChecked);
  Ui().Refresh(TRefresh::SetCfgDrumCaptions);
  Ui().Refresh(TRefresh::SetCfgBassCaptions);
}

void TControlGroups::ShowMetrType() {
  UpdateMetrControls(Running());
  bool drum = false;
  bool styles = false;
  {
    Lock lock(EngineLock);
    RelabelMetrNoteKeys();
    drum = Cfg.MetrTypePitchLocked != 0;
    styles = Cfg.MetrModeStyles != 0;
    if (drum) {
      ClearDrumTrigger(true);
    } else {
      ClearBassTrigger(true);
    }
  }
  auto col = [this](TColor c) { return ToQColor(c, form_.SysPalette); };
  SetBold(ui->sbtnMetrTypePitchLocked, drum);
  SetBold(ui->sbtnMetrTypePitched, !drum);
  SetFgColour(ui->sbtnMetrTypePitchLocked, col(drum && styles ? Cfg.ClFgMetrDrum : Cfg.ClText));
  SetFgColour(ui->sbtnMetrTypePitched, col(!drum && styles ? Cfg.ClFgMetrBass : Cfg.ClText));
  for (QLabel* l : {ui->lblvMetrStyleName, ui->lblvMetrStylePatNo})
    SetFgColour(l, col(drum ? Cfg.ClFgMetrDrum : Cfg.ClFgMetrBass));
}

void TControlGroups::ShowMetrBars() {
  int32_t bars = 1;
  {
    Lock lock(EngineLock);
    bars = Cfg.MetrBars;
  }
  if (bars < 1 || bars > 4) {
    ReportDesignError("Unexpected value for MetrBars: " + std::to_string(bars));
    bars = 1;
  }
  QToolButton* buttons[] = {ui->sbtnMetrBars1, ui->sbtnMetrBars2, ui->sbtnMetrBars3, ui->sbtnMetrBars4};
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

TControlGroups::TControlGroups(TfrmMain& form) : TMainArea(form) {
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
    return s >= 0 && s < kSeqs && form_.SeqRows[s].pnlSeq ? &form_.SeqRows[s] : nullptr;
  };
  SeqHandlers.SeqOutPortChange = [this, row](int32_t s) {
    if (const TSeqRow* r = row(s)) {
      vel::SeqOutPortChange(s, Text(r->cboSeqPort));
      form_.SelectMainControls(LoadMainCombos());
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
    if (p < 0 || p >= kPorts || !form_.chkMidiOutClocks[p]) return;
    Lock lock(EngineLock);
    Cfg.MIDIOutClocksEnabled[p] = form_.chkMidiOutClocks[p]->isChecked();
    Transport.RecStartedClock = 0;
  };
  SeqHandlers.MidiOutSyncClick = [this](int32_t p) {
    if (p < 0 || p >= kPorts || !form_.chkMidiOutSync[p]) return;
    Lock lock(EngineLock);
    Cfg.MidiOutSyncEnabled[p] = form_.chkMidiOutSync[p]->isChecked();
  };
}

void TControlGroups::WireSeqHeadings() {
  // Seq area headings.
  for (QLabel* l : {ui->lblSeqNos, ui->lblSeqPartNos})
    OnPress(l, [](bool down) {
      if (!down) SeqHeaderClick();
    });
  // Held down, the track heading shows the other position format.
  OnPress(ui->lblSeqTracks, [](bool) {
    Lock lock(EngineLock);
    Cfg.DspSeqNumPosn = !Cfg.DspSeqNumPosn;
  });
}

void TControlGroups::WireLiveRow() {
  // Live row.
  QObject::connect(ui->cboLivePorts, &QComboBox::activated, &form_, [this] {
    LivePortChanged(Text(ui->cboLivePorts));
    form_.SelectMainControls(LoadMainCombos());
  });
  QObject::connect(ui->cboLiveChans, &QComboBox::activated, &form_, [this] {
    LiveChanChanged(Text(ui->cboLiveChans));
    RefreshAllControls();
  });
  QObject::connect(ui->cboLiveProgs, &QComboBox::activated, &form_, [this] {
    LiveProgChanged(ui->cboLiveProgs->currentIndex());
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
      form_.SelectMainControls(LoadMainCombos());
      return;
    }
    {
      Lock lock(EngineLock);
      (beats ? Cfg.BeatsPerBar : Cfg.NoteLenFrac) = *n;
      RecalcBeatTicks(false);
    }
    RefreshAllControls();
  };
  QObject::connect(ui->cboTSigBeats, &QComboBox::activated, &form_,
                   [this, tsig] { tsig(ui->cboTSigBeats, true); });
  QObject::connect(ui->cboTSigFrac, &QComboBox::activated, &form_,
                   [this, tsig] { tsig(ui->cboTSigFrac, false); });
  auto quant = [this](QComboBox* cbo, int32_t TBarSettings::*field) {
    QObject::connect(cbo, &QComboBox::activated, &form_, [this, cbo, field] {
      const std::optional<int32_t> n = ComboNumber(Text(cbo));
      if (!n) return;
      {
        Lock lock(EngineLock);
        Cfg.*field = *n;
        RecalcQuantTicks();
      }
      RefreshAllControls();
    });
  };
  quant(ui->cboQuantN, &TBarSettings::NQNoteLenFrac);
  quant(ui->cboQuantS, &TBarSettings::SQNoteLenFrac);
  QObject::connect(ui->chkQuantNoteOffs, &QCheckBox::clicked, &form_, [](bool checked) {
    {
      Lock lock(EngineLock);
      Cfg.QuantiseNoteOffs = checked;
    }
    SetProgState(RunCtl.ProgState.load());
  });
}

void TControlGroups::WireMetronomeGroup() {
  WireTimeSigAndQuantise();
  auto metr = [this](QComboBox* cbo, bool (*set)(bool, const std::string&), bool bar) {
    QObject::connect(cbo, &QComboBox::activated, &form_, [this, cbo, set, bar] {
      if (set(bar, Text(cbo))) RefreshAllControls();
    });
  };
  metr(ui->cboMetrBarSVel, &SetMetrSVel, true);
  metr(ui->cboMetrBeatSVel, &SetMetrSVel, false);
  metr(ui->cboMetrBarNote, &SetMetrNote, true);
  metr(ui->cboMetrBeatNote, &SetMetrNote, false);
  QToolButton* bars[] = {ui->sbtnMetrBars1, ui->sbtnMetrBars2, ui->sbtnMetrBars3, ui->sbtnMetrBars4};
  for (int32_t n = 1; n <= 4; ++n)
    QObject::connect(bars[n - 1], &QToolButton::clicked, &form_, [this, n] {
      if (SetMetrBars(n)) ShowMetrBars();
    });
  auto type = [this](bool drum) {
    const TMetrTypeFollow follow = SetMetrType(drum);
    if (follow == TMetrTypeFollow::Nothing) return;
    ShowMetrType();
    if (follow == TMetrTypeFollow::Refresh) RefreshAllControls();
  };
  QObject::connect(ui->sbtnMetrTypePitchLocked, &QToolButton::clicked, &form_, [type] { type(true); });
  QObject::connect(ui->sbtnMetrTypePitched, &QToolButton::clicked, &form_, [type] { type(false); });
  QObject::connect(ui->chkMetrFill, &QCheckBox::clicked, &form_, [](bool checked) {
    Lock lock(EngineLock);
    Cfg.MetrFill = checked;
    RequestMetrRebuild();
  });
  QObject::connect(ui->chkMetrModeStyles, &QCheckBox::clicked, &form_, [this](bool checked) {
    {
      Lock lock(EngineLock);
      Cfg.MetrModeStyles = checked;
    }
    ShowMetrType();
    {
      Lock lock(EngineLock);
      RequestMetrRebuild();
    }
    if (RunCtl.ProgState.load() == TProgState::Config) RefreshAllControls();
  });
}

void TControlGroups::WireClockGroup() {
  // Clock group.
  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(ui->rbClocksInt), static_cast<QAbstractButton*>(ui->rbClocksExt),
        static_cast<QAbstractButton*>(ui->chkClocksExtLock)})
    QObject::connect(b, &QAbstractButton::clicked, &form_, [this] { ApplyClockSource(); });
  auto tempo = [this] {
    const int32_t t = TempoFromCombos(Text(ui->cboTempoIntMSB), Text(ui->cboTempoIntLSB));
    SetTempoNow(t);
    {
      const QSignalBlocker block(ui->cboTempoIntLSB);
      ui->cboTempoIntLSB->setCurrentIndex(TempoBpmIndex(t));
    }
    RefreshAllControls();
  };
  QObject::connect(ui->cboTempoIntMSB, &QComboBox::activated, &form_, tempo);
  QObject::connect(ui->cboTempoIntLSB, &QComboBox::activated, &form_, tempo);
  QObject::connect(ui->chkMidiInSyncInt, &QCheckBox::clicked, &form_, [](bool checked) {
    Lock lock(EngineLock);
    Cfg.MidiInSyncIntEnabled = checked;
  });
  QObject::connect(ui->chkMidiInSyncExt, &QCheckBox::clicked, &form_, [](bool checked) {
    Lock lock(EngineLock);
    Cfg.MidiInSyncExtEnabled = checked;
  });
}

void TControlGroups::WireInputsGroup() {
  // Inputs group.
  QObject::connect(ui->cboInPort0FilterChan, &QComboBox::activated, &form_, [](int index) {
    Lock lock(EngineLock);
    Cfg.MainInPortFilterChan = index - 1;
  });
  QObject::connect(ui->cboInPort1FilterChan, &QComboBox::activated, &form_, [](int index) {
    Lock lock(EngineLock);
    Cfg.AuxInPortFilterChan = index - 1;
  });
  for (int32_t i = 0; i < 2; ++i) {
    QSpinBox* ud = i == 0 ? ui->udInPort0Oct : ui->udInPort1Oct;
    QLabel* shown = i == 0 ? ui->lblvInPort0OctOffset : ui->lblvInPort1OctOffset;
    ud->installEventFilter(new TOctaveSync(ud, i));
    QObject::connect(ud, &QSpinBox::valueChanged, &form_, [this, i, shown](int value) {
      if (!SetInPortOctave(i, value)) return;
      shown->setText(QString::fromStdString(OctaveOffsetText(value)));
      SetFgColour(shown, ToQColor(value != 0 ? Cfg.ClStOctaveNonZero : Cfg.ClText, form_.SysPalette));
    });
  }
  QObject::connect(ui->chkAuxInPortReqd, &QCheckBox::clicked, &form_, [](bool checked) {
    {
      Lock lock(EngineLock);
      Cfg.AuxInPortReqd = checked;
    }
    // The second input's rows follow the box.
    SetProgState(RunCtl.ProgState.load());
  });
}

}  // namespace vel
