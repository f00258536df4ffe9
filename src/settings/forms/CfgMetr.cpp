#include "settings/forms/CfgMetr.h"

#include <QAction>
#include <QSignalBlocker>
#include <algorithm>

#include "base/Sizes.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/SettingSetters.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainControls.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindowsMetr.h"
#include "settings/Settings.h"
#include "ui_CfgMetr.h"

namespace vel {

TfrmCfgMetr::TfrmCfgMetr(TfrmMain& main)
    : TCfgWindow(main,
                 {"mnuCfgMetrSeq", &left_, &top_, TTopic::MetrNoteLen}),
      ui(std::make_unique<Ui::frmCfgMetr>()) {
  ui->setupUi(this);
  setObjectName("frmCfgMetr");
  ui->cboMetrSeqNos->setMaxVisibleItems(4);
  NoteLenFrac = MakeRadioGroup(this, "rbMetrNoteLenFrac", 2, 64);
  NoteOnPercent = MakeRadioGroup(this, "rbMetrNoteOnPercent", 5, 99);
  TViewMenus& views = main_.Views();
  connect(ui->cboMetrSeqNos, &QComboBox::activated, this, [this](int i) {
    main_.Controls().SetMetronomeSeq(i - 1, [this] { FillMetrSeqNos(); });
    EnableMetrSeqControls();
  });
  Bind({
      {ui->cboMetrDrumChan, BindCfg(&Cfg.MetrDrumChan), {}, &SetMetrDrumChan},
      {ui->cboMetrBassChan, BindCfg(&Cfg.MetrBassChan), {}, &SetMetrBassChan},
      // Read by the main window's tick-tock display alone, at its next bar.
      {ui->chkMetrStartOnLeft, BindCfg(&Cfg.MetrStartOnLeft)},
  });
  OnRadioPicked(NoteLenFrac, this, [this](int32_t n) { PickMetrNoteLenFrac(n); });
  OnRadioPicked(NoteOnPercent, this, [](int32_t n) { SetMetrNoteOnPercent(n); });
  connect(ui->sbtnConfigDrum, &QToolButton::clicked, this, [&views] { views.ShowCfgMetrDrum(); });
  connect(ui->sbtnConfigBass, &QToolButton::clicked, this, [&views] { views.ShowCfgMetrBass(); });
  Wire(ui->sbtnSaveConfig);
  // Ports allocated or freed by the user, and re-found after a settings load.
  auto outputs = [this](TPortSide side) {
    if (side == TPortSide::Outputs && isVisible()) FillMetrSeqNos();
  };
  portAnswers_.Calls.Ports.PortUsersChanged = outputs;
  portAnswers_.Calls.Refresh.PortRowsChanged = outputs;
  portRegistration_ = Windows().Register(portAnswers_);
}

TfrmCfgMetr::~TfrmCfgMetr() = default;

void TfrmCfgMetr::RefreshCfgMetr() {
  ShowMetrNoteLenFrac();
  SelectRadio(NoteOnPercent, MetrNoteOnPercentButton(Cfg.MetrNoteOnPercent));
  FillMetrSeqNos();
  LoadBound();
  // The style windows' buttons open only the windows the main window offers too.
  for (auto [button, item] :
       {std::pair{ui->sbtnConfigDrum, "mnuCfgDrum"}, std::pair{ui->sbtnConfigBass, "mnuCfgBass"}}) {
    const QAction* action = main_.findChild<QAction*>(item);
    button->setEnabled(action && action->isEnabled());
  }
}

void TfrmCfgMetr::FillMetrSeqNos() {
  // Also called after a refused change, with the list's signal live: nothing here may store.
  const QSignalBlocker block(ui->cboMetrSeqNos);
  const auto [seq, outputs] = MetrSeqNow();
  const int32_t last = std::min<int32_t>(Cfg.MaxActiveSeqs, kSeqs - 1);
  ui->cboMetrSeqNos->clear();
  for (const std::string& s : MetrSeqItems(last)) ui->cboMetrSeqNos->addItem(QString::fromStdString(s));
  ui->cboMetrSeqNos->setCurrentIndex(MetrSeqItemIndex(seq, last));
  ui->cboMetrSeqNos->setEnabled(outputs);
  EnableMetrSeqControls();
}

void TfrmCfgMetr::EnableMetrSeqControls() {
  const bool on = MetrSeqControlsEnabled(ui->cboMetrSeqNos->currentIndex());
  for (QWidget* w : {static_cast<QWidget*>(ui->cboMetrDrumChan), static_cast<QWidget*>(ui->cboMetrBassChan),
                     static_cast<QWidget*>(ui->lblMetrChan), static_cast<QWidget*>(ui->lblMetrDrumChan),
                     static_cast<QWidget*>(ui->lblMetrBassChan)})
    w->setEnabled(on);
}

void TfrmCfgMetr::ShowMetrNoteLenFrac() {
  // A time signature played on the MIDI-in thread may move it.
  SelectRadio(NoteLenFrac, MetrNoteLenFracButton(ReadCfgLocked(BindCfg(&Cfg.MetrNoteLenFrac))));
}

void TfrmCfgMetr::PickMetrNoteLenFrac(int32_t n) {
  // A refused value leaves the buttons showing the stored one.
  if (!SetMetrNoteLenFrac(n)) ShowMetrNoteLenFrac();
}

}  // namespace vel
