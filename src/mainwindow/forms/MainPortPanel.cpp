#include "mainwindow/forms/MainPortPanel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/Tarlo.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/PortPanelView.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "platform/TextCut.h"
#include "settings/CfgLink.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {

namespace {

constexpr int32_t kPanelGap = 4;
constexpr int32_t kInPanelHeight = 150;
// Columns of a panel: devices, arrows, ports, the clock and sync boxes, the buttons.
constexpr int32_t kPortsLeft = 370;
constexpr int32_t kClockLeft = 642;
constexpr int32_t kSyncLeft = 674;
constexpr int32_t kButtonsLeft = 720;
constexpr int32_t kRenameDoneLeft = 810;

TPortSide SideOf(bool inputs) {
  return inputs ? TPortSide::Inputs : TPortSide::Outputs;
}

bool InConfig() {
  return RunCtl.ProgState == TProgState::Config;
}

// One side's controls.
struct TSideControls {
  QFrame* Panel;
  QListWidget* Devs;
  QListWidget* Ports;
  QToolButton *Alloc, *DeAlloc, *Up, *Down, *Name, *Refresh, *RenameDone;
  QLineEdit* Edit;
};

TSideControls Side(Ui::frmMain& ui, bool inputs) {
  if (inputs)
    return {ui.pnlConfigInPorts,  ui.lstInDNames,         ui.lstInPNames,    ui.sbtnInPortAlloc,
            ui.sbtnInPortDeAlloc, ui.sbtnInPortUp,        ui.sbtnInPortDown, ui.sbtnRenameInPort,
            ui.sbtnRescanInDevs,  ui.btnRenameInPortDone, ui.edtInPName};
  return {ui.pnlConfigOutPorts,  ui.lstOutDNames,         ui.lstOutPNames,    ui.sbtnOutPortAlloc,
          ui.sbtnOutPortDeAlloc, ui.sbtnOutPortUp,        ui.sbtnOutPortDown, ui.sbtnRenameOutPort,
          ui.sbtnRescanOutDevs,  ui.btnRenameOutPortDone, ui.edtOutPName};
}

int32_t SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.first());
}

void SelectRow(QListWidget* list, int32_t row) {
  const QSignalBlocker block(list);
  list->clearSelection();
  list->setCurrentRow(row >= 0 && row < list->count() ? row : -1);
}

// The port being renamed on each side, -1 none.
int32_t RenamePort[2] = {-1, -1};

void HideRename(Ui::frmMain& ui, bool inputs) {
  const TSideControls c = Side(ui, inputs);
  c.Edit->hide();
  c.RenameDone->hide();
  RenamePort[inputs ? 0 : 1] = -1;
}

// A click on the panel's background ends a rename.
class TPanelClick : public QObject {
 public:
  TPanelClick(QObject* parent, Ui::frmMain& ui) : QObject(parent), ui_(ui) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      HideRename(ui_, true);
      HideRename(ui_, false);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  Ui::frmMain& ui_;
};

void AddLabel(QFrame* panel, const char* name, const char* text, int32_t x) {
  auto* l = new QLabel(QString::fromLatin1(text), panel);
  l->setObjectName(QString::fromLatin1(name));
  l->move(x, 4);
  l->adjustSize();
}

}  // namespace

// The panel's lists from the port model, with the rows to select afterwards.
static void FillPanelLists(Ui::frmMain& ui, bool inputs, int32_t devRow, int32_t portRow) {
  const TSideControls c = Side(ui, inputs);
  const TPortList& list = PortListOf(SideOf(inputs));
  {
    const QSignalBlocker block(c.Devs);
    c.Devs->clear();
    for (const TDevItem& item : list.DevItems) c.Devs->addItem(Q(item.Text));
  }
  {
    const QSignalBlocker block(c.Ports);
    c.Ports->clear();
    for (const std::string& item : list.PortItems) c.Ports->addItem(Q(item));
  }
  SelectRow(c.Devs, devRow);
  SelectRow(c.Ports, portRow);
}

// The per-port clock and sync boxes beside their port rows: shown in standard mode for the
// allocated ports, usable in Config.
static void PlaceClockBoxes(TfrmMain& f) {
  Ui::frmMain& ui = *f.ui;
  QListWidget* list = ui.lstOutPNames;
  const bool standard = Cfg.StandardMode != 0;
  for (int32_t p = 0; p < kPorts; ++p) {
    QCheckBox* clk = f.chkMidiOutClocks[p];
    QCheckBox* syn = f.chkMidiOutSync[p];
    if (!clk || !syn) continue;
    const bool allocated = p <= RunCtl.OutPortsAllocated && p < list->count();
    for (QCheckBox* box : {clk, syn}) {
      box->setVisible(standard && allocated);
      box->setEnabled(allocated && InConfig());
    }
    {
      const QSignalBlocker b1(clk), b2(syn);
      clk->setChecked(allocated && Cfg.MIDIOutClocksEnabled[p]);
      syn->setChecked(allocated && Cfg.MidiOutSyncEnabled[p]);
    }
    if (!allocated) continue;
    const QRect row = list->visualItemRect(list->item(p));
    const int32_t y = list->y() + list->frameWidth() + row.y() + (row.height() - 18) / 2;
    clk->setGeometry(kClockLeft, y, 20, 18);
    syn->setGeometry(kSyncLeft, y, 20, 18);
  }
}

static void StartPortRename(TfrmMain& f, bool inputs) {
  const TSideControls c = Side(*f.ui, inputs);
  const int32_t port = SelectedRow(c.Ports);
  if (port < 0) return;
  RenamePort[inputs ? 0 : 1] = port;
  const QRect row = c.Ports->visualItemRect(c.Ports->item(port));
  c.Edit->setGeometry(c.Ports->x() + c.Ports->frameWidth() + row.x(),
                      c.Ports->y() + c.Ports->frameWidth() + row.y(),
                      c.Ports->width() - 2 * c.Ports->frameWidth(), row.height() + 4);
  {
    const QSignalBlocker block(c.Edit);
    const std::string item = c.Ports->item(port)->text().toStdString();
    c.Edit->setText(
        Q(std::string(CutChars(std::string_view(item).substr(std::min<std::size_t>(4, item.size())), 16))));
  }
  c.RenameDone->move(kRenameDoneLeft, c.Edit->y());
  c.RenameDone->resize(c.RenameDone->sizeHint());
  c.RenameDone->show();
  c.Edit->show();
  c.Edit->raise();
  c.Edit->selectAll();
  c.Edit->setFocus();
}

void TPortPanel::UpdatePortButtons(bool inputs) {
  const TSideControls c = Side(*ui, inputs);
  const TPortButtons b = vel::UpdatePortButtons(SideOf(inputs), SelectedRow(c.Devs), SelectedRow(c.Ports));
  c.Alloc->setEnabled(b.Alloc);
  c.DeAlloc->setEnabled(b.DeAlloc);
  c.Up->setEnabled(b.Up);
  c.Down->setEnabled(b.Down);
  c.Name->setEnabled(b.Name);
}

void TPortPanel::mnuCfgPortsClick() {
  ui->mnuCfgPorts->setEnabled(false);
  for (QMenu* m : {ui->mnuFile, ui->mnuAction, ui->mnuConfig, ui->mnuSettings, ui->mnuView, ui->mnuWindows})
    m->menuAction()->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(ui->pnlSeqStatus), static_cast<QWidget*>(ui->grpControl),
                     static_cast<QWidget*>(ui->grpMetr), static_cast<QWidget*>(ui->grpClock),
                     static_cast<QWidget*>(ui->grpPorts), static_cast<QWidget*>(ui->pnlKinetrace)})
    w->hide();
  // The panels take the place of the seqs and the groups below them.
  const QRect seqs = ui->pnlSeqStatus->geometry();
  const int32_t bottom = ui->grpControl->geometry().bottom();
  ui->pnlConfigInPorts->setGeometry(seqs.x(), seqs.y(), seqs.width(), kInPanelHeight);
  const int32_t outTop = seqs.y() + kInPanelHeight + kPanelGap;
  ui->pnlConfigOutPorts->setGeometry(seqs.x(), outTop, seqs.width(), std::max(bottom - outTop, 200));
  for (bool inputs : {true, false}) {
    const TSideControls c = Side(*ui, inputs);
    for (QListWidget* list : {c.Devs, c.Ports}) list->resize(list->width(), c.Panel->height() - 30);
  }
  ui->sbtnDone->move(kButtonsLeft, ui->pnlConfigOutPorts->height() - 32);

  const bool config = InConfig();
  const bool standard = Cfg.StandardMode != 0;
  for (bool inputs : {true, false}) {
    const TSideControls c = Side(*ui, inputs);
    c.Devs->setEnabled(config);
    c.Ports->setEnabled(true);
    for (const char* name : {"lblInDNames", "lblOutDNames"})
      if (auto* l = c.Panel->findChild<QLabel*>(QString::fromLatin1(name))) l->setEnabled(config);
    FillPanelLists(*ui, inputs, -1, -1);
    HideRename(*ui, inputs);
    UpdatePortButtons(inputs);
    const TPortPanelHints h = PortPanelHints(SideOf(inputs), config);
    c.Refresh->setStatusTip(Q(h.Refresh));
    c.Alloc->setStatusTip(Q(h.Alloc));
    c.DeAlloc->setStatusTip(Q(h.DeAlloc));
    c.Up->setStatusTip(Q(h.Up));
    c.Down->setStatusTip(Q(h.Down));
    c.Refresh->setEnabled(config);
    c.Panel->show();
    c.Panel->raise();
  }
  for (QLabel* l : {ui->lblMidiOutClocks, ui->lblMidiOutSync}) {
    l->setVisible(standard);
    QFont font = l->font();
    font.setBold(!config);
    l->setFont(font);
  }
  PlaceClockBoxes(form_);
}

void TPortPanel::ClosePortPanel() {
  for (bool inputs : {true, false}) HideRename(*ui, inputs);
  for (QWidget* w : {static_cast<QWidget*>(ui->pnlSeqStatus), static_cast<QWidget*>(ui->grpControl),
                     static_cast<QWidget*>(ui->grpMetr), static_cast<QWidget*>(ui->grpClock),
                     static_cast<QWidget*>(ui->grpPorts)})
    w->show();
  ui->pnlKinetrace->setVisible(Cfg.DspKinetrace != 0);
  UpdatePortRows(true);
  ui->pnlConfigInPorts->hide();
  LogPortTables(false);
  UpdatePortRows(false);
  ui->pnlConfigOutPorts->hide();
  LogPortTables(true);
  for (QMenu* m : {ui->mnuFile, ui->mnuAction, ui->mnuConfig, ui->mnuSettings, ui->mnuView, ui->mnuWindows})
    m->menuAction()->setEnabled(true);
  // The port column shows with more than one output: the columns are laid out again.
  if (form_.SeqRows[0].pnlSeq) form_.LayoutSeqStatusColumns();
  form_.ApplyProgState(int(RunCtl.ProgState.load()));
}

void TPortPanel::UpdatePortRows(bool inputs) {
  const TPortRows r = PortRows();
  if (inputs) {
    for (QWidget* w : {static_cast<QWidget*>(ui->lblIn0), static_cast<QWidget*>(ui->lblvInPort0Name)})
      w->setVisible(r.In0Visible);
    ui->lblvInPort0Name->setText(Q(r.In0Name));
    for (QWidget* w :
         {static_cast<QWidget*>(ui->cboInPort0FilterChan), static_cast<QWidget*>(ui->udInPort0Oct),
          static_cast<QWidget*>(ui->lblvInPort0OctOffset)})
      w->setVisible(r.In0Controls);
    ui->lblIn1->setText(Q(r.In1Caption));
    ui->lblIn1->setStatusTip(Q(r.In1Hint));
    ui->lblIn1->adjustSize();
    ui->lblvInPort1Name->move(std::max(ui->lblvInPort0Name->x(), ui->lblIn1->x() + ui->lblIn1->width() + 4),
                              ui->lblvInPort1Name->y());
    ui->lblvInPort1Name->setText(Q(r.In1Name));
    ui->lblvInPort1Name->setStatusTip(Q(r.In1Hint));
    for (QWidget* w : {static_cast<QWidget*>(ui->lblIn1), static_cast<QWidget*>(ui->lblvInPort1Name)})
      w->setVisible(r.In1Visible);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->cboInPort1FilterChan), static_cast<QWidget*>(ui->udInPort1Oct),
          static_cast<QWidget*>(ui->lblvInPort1OctOffset)})
      w->setVisible(r.In1Controls);
    return;
  }
  for (QWidget* w : {static_cast<QWidget*>(ui->lblOut), static_cast<QWidget*>(ui->lblvOutPort0Name)})
    w->setVisible(r.OutVisible);
  ui->lblvOutPort0Name->setText(Q(r.OutText));
  ui->lblvOutPort0Name->setStatusTip(Q(r.OutHint));
  // The live and seq port lists follow the ports; a port that is gone becomes port 1.
  FitPortsToAllocation();
  const auto& items = PortLists.Out.PortItems;
  auto fill = [&items](QComboBox* combo, int32_t port) {
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string& item : items) combo->addItem(Q(item));
    combo->setCurrentIndex(port < combo->count() ? port : -1);
  };
  std::lock_guard lock(EngineLock);
  fill(ui->cboLivePorts, RunCtl.LivePort);
  for (int32_t s = 0; s < kSeqs; ++s)
    if (form_.SeqRows[s].cboSeqPort)
      fill(form_.SeqRows[s].cboSeqPort, Seqs.PartBufs[Seqs.SeqRecs[s].PlayPart & 1][s].PortPend);
}

void TPortPanel::SelectPortCombos(const TMainComboIndices& idx) {
  auto select = [](QComboBox* combo, int32_t index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
  };
  select(ui->cboLivePorts, idx.LivePorts);
  for (int32_t s = 0; s < kSeqs; ++s)
    if (form_.SeqRows[s].cboSeqPort) select(form_.SeqRows[s].cboSeqPort, idx.Seqs[s].Port);
}

bool TPortPanel::RefreshAllWithWindow(bool reinit) {
  // The ports are found again by name among the listed devices: list them as the tables stand.
  if (reinit) {
    ListInDevices();
    ListOutDevices();
  }
  return RefreshAll(reinit);
}

// The output-port users: the display link's port list, the sample aid, the channel multiplier
// window; the input-port users: the timing window's clock list.
static void PortUsersChanged(TfrmMain& f, TPortSide side) {
  Ui::frmMain& ui = *f.ui;
  if (side == TPortSide::Inputs) {
    if (Showing.CfgTimingShowing) Ui().Refresh(TRefresh::FillClockPortCombo);
    return;
  }
  PlaceClockBoxes(f);
  int32_t tarloPort = ui.cboTarloPNo->currentIndex();
  if (Cfg.TarloOn) {
    int32_t dev = -1;
    {
      std::lock_guard lock(Tarlo.Mutex);
      dev = Tarlo.DevIdx;
    }
    std::lock_guard lock(EngineLock);
    for (int32_t p = 0; p <= RunCtl.OutPortsAllocated && p < kPorts; ++p)
      if (dev >= 0 && RunCtl.PortDevIdx[p] == dev) tarloPort = p;
  }
  {
    const QSignalBlocker block(ui.cboTarloPNo);
    ui.cboTarloPNo->clear();
    for (const std::string& item : PortNumberItems(RunCtl.OutPortsAllocated))
      ui.cboTarloPNo->addItem(Q(item));
    ui.cboTarloPNo->setCurrentIndex(tarloPort < ui.cboTarloPNo->count() ? std::max(tarloPort, 0) : 0);
    ui.cboTarloPNo->setEnabled(RunCtl.OutPortsAllocated >= 0);
  }
  const bool tarlo = TarloControlsVisible();
  for (QWidget* w : {static_cast<QWidget*>(ui.lblTarlo), static_cast<QWidget*>(ui.cboTarloPNo),
                     static_cast<QWidget*>(ui.cboTarloSysexDevId)})
    w->setVisible(tarlo);
  if (Showing.SampleAidShowing) Ui().Refresh(TRefresh::FillSampleAidPortCombos);
  if (Showing.CfgMChanShowing) Ui().Refresh(TRefresh::LoadCfgMChanControls);
}

// The display link's lists show the link settings; a value the list does not hold leaves its choice.
static void SelectTarloControls(Ui::frmMain& ui) {
  auto select = [](QComboBox* combo, int32_t index) {
    if (index < 0 || index >= combo->count()) return;
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
  };
  select(ui.cboTarloPNo, Cfg.TarloSysExPortNo);
  select(ui.cboTarloSysexDevId, Cfg.TarloSysExDevId);
}

// The lists' choice becomes the link settings: a settings save writes it and the next refresh
// selects it again.
static void TakeTarloChoice(const Ui::frmMain& ui) {
  const int32_t port = ui.cboTarloPNo->currentIndex();
  if (port >= 0) {
    Cfg.TarloSysExPortNo = static_cast<int8_t>(port);
    CfgEngine.TarloPortIndex = port;
  }
  const int32_t id = ui.cboTarloSysexDevId->currentIndex();
  if (id >= 0) {
    Cfg.TarloSysExDevId = id;
    CfgEngine.TarloDevIdText = std::to_string(id);
  }
}

void TPortPanel::Answer(TWindowCalls& calls) {
  calls.Refresh.SelectTarloControls = [this] { SelectTarloControls(*ui); };
  calls.Ports.PortUsersChanged = [this](TPortSide side) { PortUsersChanged(form_, side); };
  // A refresh re-finds the ports: their rows, and the live and seq port combos after the main
  // window's own controls.
  calls.Refresh.PortRowsChanged = [this](TPortSide side) { UpdatePortRows(side == TPortSide::Inputs); };
  calls.Refresh.LoadMainControls = [this](const TMainComboIndices& idx) { SelectPortCombos(idx); };
  // Every port of a side closed (a rescan, a settings load, shut-down): its lists start again
  // with no port and every device free.
  calls.Run.InPortsClosed = [this] {
    PortLists.In.PortItems.clear();
    ListInDevices();
    FillPanelLists(*ui, true, -1, -1);
    UpdatePortRows(true);
  };
  calls.Run.OutPortsClosed = [this] {
    for (auto* boxes : {&form_.chkMidiOutClocks, &form_.chkMidiOutSync})
      for (QCheckBox* box : *boxes)
        if (box) box->setEnabled(false);
    PortLists.Out.PortItems.clear();
    ListOutDevices();
    FillPanelLists(*ui, false, -1, -1);
    UpdatePortRows(false);
  };
}

TPortPanel::TPortPanel(TfrmMain& form) : TMainArea(form) {
  RenamePort[0] = RenamePort[1] = -1;
  // The refresh buttons work from the panels, which hide the Ports group while they show.
  ui->sbtnRescanInDevs->setParent(ui->pnlConfigInPorts);
  ui->sbtnRescanOutDevs->setParent(ui->pnlConfigOutPorts);
  AddLabel(ui->pnlConfigInPorts, "lblInDNames", "Input devices", 8);
  AddLabel(ui->pnlConfigInPorts, "lblInPNames", "Input ports", kPortsLeft);
  AddLabel(ui->pnlConfigOutPorts, "lblOutDNames", "Output devices", 8);
  AddLabel(ui->pnlConfigOutPorts, "lblOutPNames", "Output ports", kPortsLeft);
  ui->lblMidiOutClocks->move(kClockLeft - 2, 4);
  ui->lblMidiOutSync->move(kSyncLeft - 2, 4);
  for (bool inputs : {true, false}) WireSide(inputs);
  QObject::connect(ui->sbtnDone, &QToolButton::clicked, &form_, [this] { ClosePortPanel(); });
  QObject::connect(ui->mnuCfgPorts, &QAction::triggered, &form_, [this] { mnuCfgPortsClick(); });
  WireLiveRowAndSeqCount();
}

void TPortPanel::WireSide(bool inputs) {
  const TSideControls c = Side(*ui, inputs);
  c.Devs->setGeometry(8, 22, 300, 120);
  c.Ports->setGeometry(kPortsLeft, 22, 260, 120);
  int32_t y = 22;
  for (QToolButton* b : {c.Alloc, c.DeAlloc, c.Up, c.Down}) {
    b->setGeometry(318, y, 40, 24);
    y += 28;
  }
  c.Name->setText("Name");
  c.Name->setGeometry(kButtonsLeft, 22, 80, 24);
  c.Refresh->setText("Refresh");
  c.Refresh->setGeometry(kButtonsLeft, 52, 80, 24);
  c.Refresh->show();
  c.Panel->installEventFilter(new TPanelClick(c.Panel, *ui));
  HideRename(*ui, inputs);
  WirePortMoves(inputs);
  WireRename(inputs);
  WireRefresh(inputs);
}

// Allocation, de-allocation and the moves up and down, each refilling the lists.
void TPortPanel::WirePortMoves(bool inputs) {
  const TSideControls c = Side(*ui, inputs);
  QObject::connect(c.Devs, &QListWidget::itemSelectionChanged, &form_,
                   [this, inputs] { UpdatePortButtons(inputs); });
  QObject::connect(c.Ports, &QListWidget::itemSelectionChanged, &form_,
                   [this, inputs] { UpdatePortButtons(inputs); });
  auto allocate = [this, inputs] {
    const TSideControls s = Side(*ui, inputs);
    s.Alloc->setEnabled(false);
    s.Devs->setEnabled(false);
    const int32_t row = SelectedRow(s.Devs);
    const bool ok = AllocateSelectedDevice(SideOf(inputs), row);
    const int32_t port = inputs ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated;
    FillPanelLists(*ui, inputs, ok ? -1 : row, ok ? port : SelectedRow(s.Ports));
    s.Devs->setEnabled(InConfig());
    PlaceClockBoxes(form_);
    UpdatePortButtons(inputs);
  };
  QObject::connect(c.Alloc, &QToolButton::clicked, &form_, allocate);
  QObject::connect(c.Devs, &QListWidget::itemDoubleClicked, &form_, [c, allocate] {
    if (c.Alloc->isEnabled()) allocate();
  });
  QObject::connect(c.DeAlloc, &QToolButton::clicked, &form_, [this, inputs] {
    HideRename(*ui, inputs);
    const TSideControls s = Side(*ui, inputs);
    s.DeAlloc->setEnabled(false);
    s.Ports->setEnabled(false);
    const int32_t port = DeallocatePort(SideOf(inputs), SelectedRow(s.Ports));
    FillPanelLists(*ui, inputs, -1, port);
    s.Ports->setEnabled(true);
    PlaceClockBoxes(form_);
    UpdatePortButtons(inputs);
  });
  auto move = [this, inputs](bool down) {
    HideRename(*ui, inputs);
    const TSideControls s = Side(*ui, inputs);
    const int32_t port = MovePort(SideOf(inputs), SelectedRow(s.Ports), down);
    FillPanelLists(*ui, inputs, -1, port);
    PlaceClockBoxes(form_);
    UpdatePortButtons(inputs);
  };
  QObject::connect(c.Up, &QToolButton::clicked, &form_, [move] { move(false); });
  QObject::connect(c.Down, &QToolButton::clicked, &form_, [move] { move(true); });
}

void TPortPanel::WireRename(bool inputs) {
  const TSideControls c = Side(*ui, inputs);
  QObject::connect(c.Name, &QToolButton::clicked, &form_, [this, inputs, c] {
    if (c.Edit->isVisible()) {
      HideRename(*ui, inputs);
    } else {
      StartPortRename(form_, inputs);
    }
  });
  QObject::connect(c.Ports, &QListWidget::itemDoubleClicked, &form_, [this, inputs, c] {
    SelectRow(c.Devs, -1);
    UpdatePortButtons(inputs);
    StartPortRename(form_, inputs);
  });
  QObject::connect(c.Edit, &QLineEdit::textEdited, &form_, [inputs, c](const QString& text) {
    const int32_t port = RenamePort[inputs ? 0 : 1];
    ApplyPortRename(SideOf(inputs), port, text.toStdString());
    const auto& items = PortListOf(SideOf(inputs)).PortItems;
    if (port >= 0 && port < static_cast<int32_t>(items.size()) && c.Ports->item(port))
      c.Ports->item(port)->setText(Q(items[port]));
  });
  QObject::connect(c.Edit, &QLineEdit::editingFinished, &form_, [this, inputs] { HideRename(*ui, inputs); });
  QObject::connect(c.RenameDone, &QToolButton::clicked, &form_, [this, inputs] { HideRename(*ui, inputs); });
}

// The device list read afresh: every port of the side closes.
void TPortPanel::WireRefresh(bool inputs) {
  const TSideControls c = Side(*ui, inputs);
  QObject::connect(c.Refresh, &QToolButton::clicked, &form_, [this, inputs] {
    const TSideControls s = Side(*ui, inputs);
    s.Refresh->setEnabled(false);
    HideRename(*ui, true);
    HideRename(*ui, false);
    Ui().ProcessEvents();
    Ui().BusyCursor(true);
    RescanDevices(!inputs);
    Ui().BusyCursor(false);
    FillPanelLists(*ui, inputs, -1, -1);
    s.Refresh->setEnabled(InConfig());
    PlaceClockBoxes(form_);
    UpdatePortButtons(inputs);
  });
}

void TPortPanel::WireLiveRowAndSeqCount() {
  // The live row's own values and the seq count.
  QObject::connect(ui->cboLiveSVels, &QComboBox::activated, &form_, [this] {
    {
      std::lock_guard lock(EngineLock);
      Live.SVel = static_cast<uint8_t>(std::clamp(ui->cboLiveSVels->currentText().toInt(), 0, 9));
    }
    RefreshAllWithWindow(false);
  });
  QObject::connect(ui->chkLivePLocked, &QCheckBox::clicked, &form_, [this](bool checked) {
    {
      std::lock_guard lock(EngineLock);
      Live.PitchLocked = checked ? 1 : 0;
    }
    RefreshAllWithWindow(false);
  });
  QObject::connect(ui->cboMaxActiveSeqs, &QComboBox::activated, &form_, [this] {
    const int32_t count = ui->cboMaxActiveSeqs->currentText().toInt();
    if (count == Cfg.MaxActiveSeqs + 1) return;
    if (ShowMessage("Warning - Changing no. of seqs may reset port allocation and names, ok?",
                    MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) {
      const QSignalBlocker block(ui->cboMaxActiveSeqs);
      ui->cboMaxActiveSeqs->setCurrentIndex(
          ui->cboMaxActiveSeqs->findText(QString::number(Cfg.MaxActiveSeqs + 1)));
      return;
    }
    {
      std::lock_guard lock(EngineLock);
      Cfg.MaxActiveSeqs = count - 1;
      if (Cfg.MetrSeqNo > Cfg.MaxActiveSeqs) Cfg.MetrSeqNo = -1;
      Cfg.InPortsLoaded = RunCtl.InPortsAllocated;
      Cfg.OutPortsLoaded = RunCtl.OutPortsAllocated;
    }
    {
      const TBusyCursor busy;
      RefreshAllWithWindow(true);
    }
    if (form_.y() < 0) form_.move(form_.x(), 0);
  });
  auto tarlo = [this] {
    TakeTarloChoice(*ui);
    if (Cfg.TarloOn) TarloOpen(ui->cboTarloPNo->currentIndex(), ui->cboTarloSysexDevId->currentIndex());
  };
  QObject::connect(ui->cboTarloPNo, &QComboBox::activated, &form_, tarlo);
  QObject::connect(ui->cboTarloSysexDevId, &QComboBox::activated, &form_, tarlo);
}

}  // namespace vel
