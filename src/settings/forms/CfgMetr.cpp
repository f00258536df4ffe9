#include "settings/forms/CfgMetr.h"

#include <QAction>
#include <QButtonGroup>
#include <QSignalBlocker>
#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/Sizes.h"
#include "engine/RunControl.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainControls.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindowsMetr.h"
#include "settings/Settings.h"
#include "ui_CfgMetr.h"

namespace vel {

TfrmCfgMetr::TfrmCfgMetr(TfrmMain& main)
    : TCfgWindow(main,
                 {"mnuCfgMetrSeq", &Showing.CfgMetrShowing, &left_, &top_, TRefresh::ShowMetrNoteLenFrac}),
      ui(std::make_unique<Ui::frmCfgMetr>()) {
  ui->setupUi(this);
  setObjectName("frmCfgMetr");
  FillIntCombo(ui->cboMetrDrumChan, 1, 1, 16);
  FillIntCombo(ui->cboMetrBassChan, 1, 1, 16);
  ui->cboMetrSeqNos->setMaxVisibleItems(4);
  NoteLenFrac = MakeRadioGroup(this, "rbMetrNoteLenFrac", 2, 64);
  NoteOnPercent = MakeRadioGroup(this, "rbMetrNoteOnPercent", 5, 99);
  TViewMenus& views = main_.Views();
  connect(ui->cboMetrSeqNos, &QComboBox::activated, this, [this](int i) {
    main_.Controls().SetMetronomeSeq(i - 1, [this] { FillMetrSeqNos(); });
    EnableMetrSeqControls();
  });
  connect(ui->cboMetrDrumChan, &QComboBox::activated, this,
          [this, &views] { views.SetMetrDrumChan(ui->cboMetrDrumChan->currentText().toInt() - 1); });
  connect(ui->cboMetrBassChan, &QComboBox::activated, this,
          [this, &views] { views.SetMetrBassChan(ui->cboMetrBassChan->currentText().toInt() - 1); });
  connect(NoteLenFrac, &QButtonGroup::idClicked, this, [this](int n) { PickMetrNoteLenFrac(n); });
  connect(NoteOnPercent, &QButtonGroup::idClicked, this, [&views](int n) { views.SetMetrNoteOnPercent(n); });
  // Read by the main window's tick-tock display alone, at its next bar.
  connect(ui->chkMetrStartOnLeft, &QCheckBox::clicked, this,
          [](bool on) { Cfg.MetrStartOnLeft = on ? 1 : 0; });
  connect(ui->sbtnConfigDrum, &QToolButton::clicked, this, [&views] { views.ShowCfgMetrDrum(); });
  connect(ui->sbtnConfigBass, &QToolButton::clicked, this, [&views] { views.ShowCfgMetrBass(); });
  Wire(ui->sbtnSaveConfig);
  // Ports allocated or freed by the user, and re-found after a settings load.
  auto outputs = [this](TPortSide side) {
    if (side == TPortSide::Outputs && isVisible()) FillMetrSeqNos();
  };
  portAnswers_.Calls.Ports.PortUsersChanged = outputs;
  portAnswers_.Calls.Refresh.PortRowsChanged = outputs;
  portAnswers_.Calls.Run.OutPortsClosed = [this] {
    if (isVisible()) FillMetrSeqNos();
  };
  portRegistration_ = Windows().Register(portAnswers_);
}

TfrmCfgMetr::~TfrmCfgMetr() = default;

void TfrmCfgMetr::RefreshCfgMetr() {
  ui->chkMetrStartOnLeft->setChecked(Cfg.MetrStartOnLeft != 0);
  ShowMetrNoteLenFrac();
  SelectRadio(NoteOnPercent, MetrNoteOnPercentButton(Cfg.MetrNoteOnPercent));
  FillMetrSeqNos();
  SelectComboByValue(ui->cboMetrDrumChan, Cfg.MetrDrumChan + 1);
  SelectComboByValue(ui->cboMetrBassChan, Cfg.MetrBassChan + 1);
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
  int32_t seq = -1;
  bool outputs = false;
  {
    std::lock_guard lock(EngineLock);
    seq = Cfg.MetrSeqNo;
    outputs = RunCtl.OutPortsAllocated >= 0;
  }
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
  int32_t value = 0;
  {
    // A time signature played on the MIDI-in thread may move it.
    std::lock_guard lock(EngineLock);
    value = Cfg.MetrNoteLenFrac;
  }
  SelectRadio(NoteLenFrac, MetrNoteLenFracButton(value));
}

void TfrmCfgMetr::PickMetrNoteLenFrac(int32_t n) {
  // A refused value leaves the buttons showing the stored one.
  if (!main_.Views().SetMetrNoteLenFrac(n)) ShowMetrNoteLenFrac();
}

}  // namespace vel
