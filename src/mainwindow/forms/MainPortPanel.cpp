#include "mainwindow/forms/MainPortPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <mutex>

#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/Tarlo.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/PortPanelView.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/SettingSetters.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "platform/TextCut.h"
#include "settings/CfgBinding.h"
#include "settings/CfgLink.h"
#include "settings/Settings.h"
#include "settings/forms/CfgWindow.h"

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

TSideControls Side(const TPortPanelWidgets& ui, bool inputs) {
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

void HideRename(const TPortPanelWidgets& ui, bool inputs) {
  const TSideControls c = Side(ui, inputs);
  c.Edit->hide();
  c.RenameDone->hide();
  RenamePort[inputs ? 0 : 1] = -1;
}

// A click on the panel's background ends a rename.
class TPanelClick : public QObject {
 public:
  TPanelClick(QObject* parent, const TPortPanelWidgets& ui) : QObject(parent), ui_(ui) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      HideRename(ui_, true);
      HideRename(ui_, false);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const TPortPanelWidgets ui_;
};

void AddLabel(QFrame* panel, const char* name, const char* text, int32_t x) {
  auto* l = new QLabel(QString::fromLatin1(text), panel);
  l->setObjectName(QString::fromLatin1(name));
  l->move(x, 4);
  l->adjustSize();
}

}  // namespace

// The panel's lists from the port model, with the rows to select afterwards.
static void FillPanelLists(const TPortPanelWidgets& ui, bool inputs, int32_t devRow, int32_t portRow) {
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
static void PlaceClockBoxes(const TPortPanelWidgets& ui) {
  QListWidget* list = ui.lstOutPNames;
  const bool standard = Cfg.StandardMode != 0;
  for (int32_t p = 0; p < kPorts; ++p) {
    QCheckBox* clk = ui.RunTime.Clocks(p);
    QCheckBox* syn = ui.RunTime.Sync(p);
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

static void StartPortRename(const TPortPanelWidgets& ui, bool inputs) {
  const TSideControls c = Side(ui, inputs);
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
  const TSideControls c = Side(w_, inputs);
  const TPortButtons b = vel::UpdatePortButtons(SideOf(inputs), SelectedRow(c.Devs), SelectedRow(c.Ports));
  c.Alloc->setEnabled(b.Alloc);
  c.DeAlloc->setEnabled(b.DeAlloc);
  c.Up->setEnabled(b.Up);
  c.Down->setEnabled(b.Down);
  c.Name->setEnabled(b.Name);
}

void TPortPanel::mnuCfgPortsClick() {
  w_.mnuCfgPorts->setEnabled(false);
  for (QMenu* m : {w_.mnuFile, w_.mnuAction, w_.mnuConfig, w_.mnuSettings, w_.mnuView, w_.mnuWindows})
    m->menuAction()->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(w_.pnlSeqStatus), static_cast<QWidget*>(w_.grpControl),
                     static_cast<QWidget*>(w_.grpMetr), static_cast<QWidget*>(w_.grpClock),
                     static_cast<QWidget*>(w_.grpPorts), static_cast<QWidget*>(w_.pnlKinetrace)})
    w->hide();
  // The panels take the place of the seqs and the groups below them.
  const QRect seqs = w_.pnlSeqStatus->geometry();
  const int32_t bottom = w_.grpControl->geometry().bottom();
  w_.pnlConfigInPorts->setGeometry(seqs.x(), seqs.y(), seqs.width(), kInPanelHeight);
  const int32_t outTop = seqs.y() + kInPanelHeight + kPanelGap;
  w_.pnlConfigOutPorts->setGeometry(seqs.x(), outTop, seqs.width(), std::max(bottom - outTop, 200));
  for (bool inputs : {true, false}) {
    const TSideControls c = Side(w_, inputs);
    for (QListWidget* list : {c.Devs, c.Ports}) list->resize(list->width(), c.Panel->height() - 30);
  }
  w_.sbtnDone->move(kButtonsLeft, w_.pnlConfigOutPorts->height() - 32);

  const bool config = InConfig();
  const bool standard = Cfg.StandardMode != 0;
  for (bool inputs : {true, false}) {
    const TSideControls c = Side(w_, inputs);
    c.Devs->setEnabled(config);
    c.Ports->setEnabled(true);
    for (const char* name : {"lblInDNames", "lblOutDNames"})
      if (auto* l = c.Panel->findChild<QLabel*>(QString::fromLatin1(name))) l->setEnabled(config);
    FillPanelLists(w_, inputs, -1, -1);
    HideRename(w_, inputs);
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
  for (QLabel* l : {w_.lblMidiOutClocks, w_.lblMidiOutSync}) {
    l->setVisible(standard);
    QFont font = l->font();
    font.setBold(!config);
    l->setFont(font);
  }
  PlaceClockBoxes(w_);
}

void TPortPanel::ClosePortPanel() {
  for (bool inputs : {true, false}) HideRename(w_, inputs);
  for (QWidget* w : {static_cast<QWidget*>(w_.pnlSeqStatus), static_cast<QWidget*>(w_.grpControl),
                     static_cast<QWidget*>(w_.grpMetr), static_cast<QWidget*>(w_.grpClock),
                     static_cast<QWidget*>(w_.grpPorts)})
    w->show();
  w_.pnlKinetrace->setVisible(Cfg.DspKinetrace != 0);
  UpdatePortRows(true);
  w_.pnlConfigInPorts->hide();
  LogPortTables(false);
  UpdatePortRows(false);
  w_.pnlConfigOutPorts->hide();
  LogPortTables(true);
  for (QMenu* m : {w_.mnuFile, w_.mnuAction, w_.mnuConfig, w_.mnuSettings, w_.mnuView, w_.mnuWindows})
    m->menuAction()->setEnabled(true);
  // The port column shows with more than one output: the columns are laid out again.
  if (w_.RunTime.Row(0).pnlSeq) w_.LayoutSeqStatusColumns();
  w_.ApplyProgState(RunCtl.ProgState.load());
}

void TPortPanel::UpdatePortRows(bool inputs) {
  const TPortRows r = PortRows();
  if (inputs) {
    for (QWidget* w : {static_cast<QWidget*>(w_.lblIn0), static_cast<QWidget*>(w_.lblvInPort0Name)})
      w->setVisible(r.In0Visible);
    w_.lblvInPort0Name->setText(Q(r.In0Name));
    for (QWidget* w : {static_cast<QWidget*>(w_.cboInPort0FilterChan), static_cast<QWidget*>(w_.udInPort0Oct),
                       static_cast<QWidget*>(w_.lblvInPort0OctOffset)})
      w->setVisible(r.In0Controls);
    w_.lblIn1->setText(Q(r.In1Caption));
    w_.lblIn1->setStatusTip(Q(r.In1Hint));
    w_.lblIn1->adjustSize();
    w_.lblvInPort1Name->move(std::max(w_.lblvInPort0Name->x(), w_.lblIn1->x() + w_.lblIn1->width() + 4),
                             w_.lblvInPort1Name->y());
    w_.lblvInPort1Name->setText(Q(r.In1Name));
    w_.lblvInPort1Name->setStatusTip(Q(r.In1Hint));
    for (QWidget* w : {static_cast<QWidget*>(w_.lblIn1), static_cast<QWidget*>(w_.lblvInPort1Name)})
      w->setVisible(r.In1Visible);
    for (QWidget* w : {static_cast<QWidget*>(w_.cboInPort1FilterChan), static_cast<QWidget*>(w_.udInPort1Oct),
                       static_cast<QWidget*>(w_.lblvInPort1OctOffset)})
      w->setVisible(r.In1Controls);
    return;
  }
  for (QWidget* w : {static_cast<QWidget*>(w_.lblOut), static_cast<QWidget*>(w_.lblvOutPort0Name)})
    w->setVisible(r.OutVisible);
  w_.lblvOutPort0Name->setText(Q(r.OutText));
  w_.lblvOutPort0Name->setStatusTip(Q(r.OutHint));
  // The live and seq port lists follow the ports; a port that is gone becomes port 1.
  FitPortsToAllocation();
  const auto& items = PortLists.Out.PortItems;
  auto fill = [&items](QComboBox* combo, int32_t port) {
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string& item : items) combo->addItem(Q(item));
    combo->setCurrentIndex(port < combo->count() ? port : -1);
  };
  const TChosenPorts chosen = ChosenPortsNow();
  fill(w_.cboLivePorts, chosen.Live);
  for (int32_t s = 0; s < kSeqs; ++s)
    if (w_.RunTime.Row(s).cboSeqPort) fill(w_.RunTime.Row(s).cboSeqPort, chosen.Seqs[s]);
}

void TPortPanel::SelectPortCombos(const TMainComboIndices& idx) {
  auto select = [](QComboBox* combo, int32_t index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
  };
  select(w_.cboLivePorts, idx.LivePorts);
  for (int32_t s = 0; s < kSeqs; ++s)
    if (w_.RunTime.Row(s).cboSeqPort) select(w_.RunTime.Row(s).cboSeqPort, idx.Seqs[s].Port);
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
static void PortUsersChanged(const TPortPanelWidgets& ui, TPortSide side) {
  if (side == TPortSide::Inputs) {
    PublishTopic(TTopic::InPorts);
    return;
  }
  PlaceClockBoxes(ui);
  int32_t tarloPort = ui.cboTarloPNo->currentIndex();
  if (Cfg.TarloOn) {
    int32_t dev = -1;
    {
      std::lock_guard lock(Tarlo.Mutex);
      dev = Tarlo.DevIdx;
    }
    tarloPort = OutPortOfDev(dev, tarloPort);
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
  PublishTopic(TTopic::OutPorts);
}

// The display link's lists show the link settings; a value the list does not hold leaves its choice.
static void SelectTarloControls(const TPortPanelWidgets& ui) {
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
static void TakeTarloChoice(const TPortPanelWidgets& ui) {
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

void TPortPanel::On(TTopic topic) {
  // Every port of a side closed (a rescan, a settings load, shut-down): its lists start again
  // with no port and every device free.
  if (topic == TTopic::InPortsClosed) {
    PortLists.In.PortItems.clear();
    ListInDevices();
    FillPanelLists(w_, true, -1, -1);
    UpdatePortRows(true);
  } else if (topic == TTopic::OutPortsClosed) {
    for (auto* boxes : {w_.RunTime.OutClocks, w_.RunTime.OutSync})
      for (QCheckBox* box : *boxes)
        if (box) box->setEnabled(false);
    PortLists.Out.PortItems.clear();
    ListOutDevices();
    FillPanelLists(w_, false, -1, -1);
    UpdatePortRows(false);
  }
}

void TPortPanel::Answer(TWindowCalls& calls) {
  calls.Refresh.SelectTarloControls = [this] { SelectTarloControls(w_); };
  calls.Ports.PortUsersChanged = [this](TPortSide side) { PortUsersChanged(w_, side); };
  // A refresh re-finds the ports: their rows, and the live and seq port combos after the main
  // window's own controls.
  calls.Refresh.PortRowsChanged = [this](TPortSide side) { UpdatePortRows(side == TPortSide::Inputs); };
  calls.Refresh.LoadMainControls = [this](const TMainComboIndices& idx) { SelectPortCombos(idx); };
}

TPortPanel::TPortPanel(const TPortPanelWidgets& widgets) : w_(widgets) {
  RenamePort[0] = RenamePort[1] = -1;
  // The refresh buttons work from the panels, which hide the Ports group while they show.
  w_.sbtnRescanInDevs->setParent(w_.pnlConfigInPorts);
  w_.sbtnRescanOutDevs->setParent(w_.pnlConfigOutPorts);
  AddLabel(w_.pnlConfigInPorts, "lblInDNames", "Input devices", 8);
  AddLabel(w_.pnlConfigInPorts, "lblInPNames", "Input ports", kPortsLeft);
  AddLabel(w_.pnlConfigOutPorts, "lblOutDNames", "Output devices", 8);
  AddLabel(w_.pnlConfigOutPorts, "lblOutPNames", "Output ports", kPortsLeft);
  w_.lblMidiOutClocks->move(kClockLeft - 2, 4);
  w_.lblMidiOutSync->move(kSyncLeft - 2, 4);
  for (bool inputs : {true, false}) WireSide(inputs);
  QObject::connect(w_.sbtnDone, &QToolButton::clicked, w_.Window, [this] { ClosePortPanel(); });
  QObject::connect(w_.mnuCfgPorts, &QAction::triggered, w_.Window, [this] { mnuCfgPortsClick(); });
  WireLiveRowAndSeqCount();
}

void TPortPanel::WireSide(bool inputs) {
  const TSideControls c = Side(w_, inputs);
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
  c.Panel->installEventFilter(new TPanelClick(c.Panel, w_));
  HideRename(w_, inputs);
  WirePortMoves(inputs);
  WireRename(inputs);
  WireRefresh(inputs);
}

// Allocation, de-allocation and the moves up and down, each refilling the lists.
void TPortPanel::WirePortMoves(bool inputs) {
  const TSideControls c = Side(w_, inputs);
  QObject::connect(c.Devs, &QListWidget::itemSelectionChanged, w_.Window,
                   [this, inputs] { UpdatePortButtons(inputs); });
  QObject::connect(c.Ports, &QListWidget::itemSelectionChanged, w_.Window,
                   [this, inputs] { UpdatePortButtons(inputs); });
  auto allocate = [this, inputs] {
    const TSideControls s = Side(w_, inputs);
    s.Alloc->setEnabled(false);
    s.Devs->setEnabled(false);
    const int32_t row = SelectedRow(s.Devs);
    const bool ok = AllocateSelectedDevice(SideOf(inputs), row);
    const int32_t port = inputs ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated;
    FillPanelLists(w_, inputs, ok ? -1 : row, ok ? port : SelectedRow(s.Ports));
    s.Devs->setEnabled(InConfig());
    PlaceClockBoxes(w_);
    UpdatePortButtons(inputs);
  };
  QObject::connect(c.Alloc, &QToolButton::clicked, w_.Window, allocate);
  QObject::connect(c.Devs, &QListWidget::itemDoubleClicked, w_.Window, [c, allocate] {
    if (c.Alloc->isEnabled()) allocate();
  });
  QObject::connect(c.DeAlloc, &QToolButton::clicked, w_.Window, [this, inputs] {
    HideRename(w_, inputs);
    const TSideControls s = Side(w_, inputs);
    s.DeAlloc->setEnabled(false);
    s.Ports->setEnabled(false);
    const int32_t port = DeallocatePort(SideOf(inputs), SelectedRow(s.Ports));
    FillPanelLists(w_, inputs, -1, port);
    s.Ports->setEnabled(true);
    PlaceClockBoxes(w_);
    UpdatePortButtons(inputs);
  });
  auto move = [this, inputs](bool down) {
    HideRename(w_, inputs);
    const TSideControls s = Side(w_, inputs);
    const int32_t port = MovePort(SideOf(inputs), SelectedRow(s.Ports), down);
    FillPanelLists(w_, inputs, -1, port);
    PlaceClockBoxes(w_);
    UpdatePortButtons(inputs);
  };
  QObject::connect(c.Up, &QToolButton::clicked, w_.Window, [move] { move(false); });
  QObject::connect(c.Down, &QToolButton::clicked, w_.Window, [move] { move(true); });
}

void TPortPanel::WireRename(bool inputs) {
  const TSideControls c = Side(w_, inputs);
  QObject::connect(c.Name, &QToolButton::clicked, w_.Window, [this, inputs, c] {
    if (c.Edit->isVisible()) {
      HideRename(w_, inputs);
    } else {
      StartPortRename(w_, inputs);
    }
  });
  QObject::connect(c.Ports, &QListWidget::itemDoubleClicked, w_.Window, [this, inputs, c] {
    SelectRow(c.Devs, -1);
    UpdatePortButtons(inputs);
    StartPortRename(w_, inputs);
  });
  QObject::connect(c.Edit, &QLineEdit::textEdited, w_.Window, [inputs, c](const QString& text) {
    const int32_t port = RenamePort[inputs ? 0 : 1];
    ApplyPortRename(SideOf(inputs), port, text.toStdString());
    const auto& items = PortListOf(SideOf(inputs)).PortItems;
    if (port >= 0 && port < static_cast<int32_t>(items.size()) && c.Ports->item(port))
      c.Ports->item(port)->setText(Q(items[port]));
  });
  QObject::connect(c.Edit, &QLineEdit::editingFinished, w_.Window,
                   [this, inputs] { HideRename(w_, inputs); });
  QObject::connect(c.RenameDone, &QToolButton::clicked, w_.Window,
                   [this, inputs] { HideRename(w_, inputs); });
}

// The device list read afresh: every port of the side closes.
void TPortPanel::WireRefresh(bool inputs) {
  const TSideControls c = Side(w_, inputs);
  QObject::connect(c.Refresh, &QToolButton::clicked, w_.Window, [this, inputs] {
    const TSideControls s = Side(w_, inputs);
    s.Refresh->setEnabled(false);
    HideRename(w_, true);
    HideRename(w_, false);
    Ui().ProcessEvents();
    Ui().BusyCursor(true);
    RescanDevices(!inputs);
    Ui().BusyCursor(false);
    FillPanelLists(w_, inputs, -1, -1);
    s.Refresh->setEnabled(InConfig());
    PlaceClockBoxes(w_);
    UpdatePortButtons(inputs);
  });
}

void TPortPanel::WireLiveRowAndSeqCount() {
  // The live row's own values and the seq count.
  QObject::connect(w_.cboLiveSVels, &QComboBox::activated, w_.Window, [this] {
    SetLiveSVel(PickedNumber(w_.cboLiveSVels).value_or(0));
    RefreshAllWithWindow(false);
  });
  QObject::connect(w_.chkLivePLocked, &QCheckBox::clicked, w_.Window, [this](bool checked) {
    StoreLocked(Live.PitchLocked, checked ? 1 : 0);
    RefreshAllWithWindow(false);
  });
  QObject::connect(w_.cboMaxActiveSeqs, &QComboBox::activated, w_.Window, [this] {
    const int32_t count = PickedNumber(w_.cboMaxActiveSeqs).value_or(0);
    if (count == Cfg.MaxActiveSeqs + 1) return;
    if (ShowMessage("Warning - Changing no. of seqs may reset port allocation and names, ok?",
                    MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) {
      const QSignalBlocker block(w_.cboMaxActiveSeqs);
      w_.cboMaxActiveSeqs->setCurrentIndex(
          w_.cboMaxActiveSeqs->findText(QString::number(Cfg.MaxActiveSeqs + 1)));
      return;
    }
    SetMaxActiveSeqs(count);
    {
      const TBusyCursor busy;
      RefreshAllWithWindow(true);
    }
    if (w_.Window->y() < 0) w_.Window->move(w_.Window->x(), 0);
  });
  auto tarlo = [this] {
    TakeTarloChoice(w_);
    if (Cfg.TarloOn) TarloOpen(w_.cboTarloPNo->currentIndex(), w_.cboTarloSysexDevId->currentIndex());
  };
  QObject::connect(w_.cboTarloPNo, &QComboBox::activated, w_.Window, tarlo);
  QObject::connect(w_.cboTarloSysexDevId, &QComboBox::activated, w_.Window, tarlo);
}

}  // namespace vel
