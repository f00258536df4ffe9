#include "settings/forms/CfgColours.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "engine/PartBufs.h"
#include "keymaps/KeyLabels.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "ui_CfgColours.h"

namespace vel {

namespace {

// A colour swatch that answers a press of the mouse.
class TSwatch : public QFrame {
 public:
  explicit TSwatch(std::function<void()> pressed) : pressed_(std::move(pressed)) {
    setFrameShape(QFrame::Box);
    setFixedSize(18, 14);
    setAutoFillBackground(true);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) pressed_();
  }

 private:
  std::function<void()> pressed_;
};

const char* LayoutName(TColourBox box) {
  switch (box) {
    case TColourBox::Panels:
      return "glPanels";
    case TColourBox::Tracks:
      return "glTracks";
    case TColourBox::Text:
      return "glText";
    case TColourBox::MidiLights:
      return "glMidiLights";
    case TColourBox::MetrLights:
      return "glMetrLights";
    case TColourBox::Window:
      return "glWindow";
    case TColourBox::Labels:
      return "glLabels";
    case TColourBox::Keys:
      return "glKeys";
    case TColourBox::Kinetrace:
      return "glKinetrace";
    case TColourBox::System:
      return "glSystem";
  }
  return "";
}

TColor* SettingOf(const std::string& keyword) {
  for (const CfgColour& c : CfgColours)
    if (c.Keyword == keyword) return c.Var;
  return nullptr;
}

constexpr const char* kGridTicksWarning =
    "Grid ticks colour won't take effect until grid is enabled (see View option)";
constexpr const char* kTitleWarning =
    "Title panel colour won't take effect as it is\r\ncurrently overridden by template mode colours (see "
    "View "
    "option)";

}  // namespace

TfrmCfgColours::TfrmCfgColours(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgColours", &Cfg.WindowCfgColoursLeft,
                        &Cfg.WindowCfgColoursTop, TTopic::Colours}),
      ui(std::make_unique<Ui::frmCfgColours>()) {
  ui->setupUi(this);
  setObjectName("frmCfgColours");
  RunAction = [this](TColourAction a) { RunDefaultAction(a); };
  MakeSwatches();
  MakeChannelSwatches();
  ui->grpSystemOff->hide();
  connect(ui->sbtnColoursRst, &QToolButton::clicked, this, [this] { main_.Files().ResetAllColours(); });
  connect(ui->sbtnResetSys, &QToolButton::clicked, this, [this] { main_.Files().ResetSysColours(); });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgColours::~TfrmCfgColours() = default;

QFrame* TfrmCfgColours::AddSwatch(const std::string& keyword, TColor* setting, TColourFollowUp after) {
  const size_t index = slots_.size();
  auto* swatch = new TSwatch([this, index] { SwatchPressed(slots_[index]); });
  swatch->setObjectName(QString::fromStdString(SwatchName(keyword)));
  slots_.push_back({keyword, swatch, setting, after});
  return swatch;
}

void TfrmCfgColours::MakeSwatches() {
  // The boxes of pairs head their swatch columns.
  for (const char* name : {"glLabels", "glSystem"}) {
    auto* grid = findChild<QGridLayout*>(name);
    const char* heads[] = {"fg", "bg", name == std::string("glLabels") ? "bg 2" : "bg end"};
    for (int c = 0; c < 3; ++c) {
      auto* head = new QLabel(heads[c], this);
      head->setEnabled(false);
      grid->addWidget(head, 0, c + 1, Qt::AlignHCenter);
    }
  }
  for (const TColourRow& r : ColourRows()) {
    auto* grid = findChild<QGridLayout*>(LayoutName(r.Box));
    if (!grid) continue;
    const int row = grid->rowCount();
    auto* label = new QLabel(r.Label, this);
    label->setObjectName(QString("lbl") + r.Settings.front());
    grid->addWidget(label, row, 0);
    // Text colours stand in the first swatch column, backgrounds after them.
    int col = 2;
    for (const char* s : r.Settings) {
      const bool fg = std::string(s).find("Fg") != std::string::npos;
      const bool single =
          r.Settings.size() == 1 && r.Box != TColourBox::Labels && r.Box != TColourBox::System;
      grid->addWidget(AddSwatch(s, SettingOf(s), r.After), row, single || fg ? 1 : col++);
    }
  }
}

void TfrmCfgColours::MakeChannelSwatches() {
  auto* grid = findChild<QGridLayout*>("glKinetrace");
  const int row = grid->rowCount();
  grid->addWidget(new QLabel("Chan", this), row + 1, 0);
  for (int32_t c = 0; c < kChans; ++c) {
    const int r = row + (c / 8) * 2;
    const int col = 1 + c % 8;
    grid->addWidget(new QLabel(QString::number(c + 1), this), r, col, Qt::AlignHCenter);
    QFrame* swatch =
        AddSwatch("ClKinetraceChan" + std::to_string(c), &Cfg.ClKinetraceChan[c], TColourFollowUp::A);
    swatch->setObjectName(QString("shpClKinetraceChan%1").arg(c));
    grid->addWidget(swatch, r + 1, col);
  }
}

void TfrmCfgColours::LoadColourShapes() {
  for (const TSlot& s : slots_) {
    if (!s.Setting) continue;
    const QColor c = ToQColor(*s.Setting, main_.SysPalette());
    SetBgColour(s.Swatch, c.isValid() ? c : main_.SysPalette().color(QPalette::Button));
  }
  if (auto* l = findChild<QLabel*>("lblClSeqGridTicks")) l->setEnabled(Cfg.DspSeqGrid != 0);
  if (auto* l = findChild<QLabel*>("lblClPanelTitle")) l->setEnabled(Cfg.DspKModeTitleColours == 0);
}

void TfrmCfgColours::showEvent(QShowEvent* event) {
  // Only the first copy may change the shared colours.
  ui->grpSystem->setVisible(main_.FirstInstance());
  ui->grpSystemOff->setVisible(!main_.FirstInstance());
  TCfgWindow::showEvent(event);
}

bool TfrmCfgColours::PickColour(QFrame* swatch, TColor& setting) {
  TColor picked = setting;
  if (!Desktop().ColourDialog || !Desktop().ColourDialog(setting, picked)) return false;
  const QColor shown = swatch->palette().color(swatch->backgroundRole());
  const QColor chosen = ToQColor(picked, main_.SysPalette());
  if (picked == setting || (chosen.isValid() && chosen.rgb() == shown.rgb())) return false;
  setting = picked;
  SetBgColour(swatch, chosen);
  return true;
}

void TfrmCfgColours::PressSwatch(const std::string& swatchName) {
  for (const TSlot& s : slots_)
    if (s.Swatch->objectName().toStdString() == swatchName) SwatchPressed(s);
}

void TfrmCfgColours::SwatchPressed(const TSlot& slot) {
  if (!slot.Setting) return;
  // The pick goes ahead after the warning.
  const char* warning = nullptr;
  if (slot.Keyword == "ClSeqGridTicks" && !Cfg.DspSeqGrid) warning = kGridTicksWarning;
  if (slot.Keyword == "ClPanelTitle" && Cfg.DspKModeTitleColours) warning = kTitleWarning;
  if (warning) ShowMessage(warning, MsgKind::Warning);
  if (!PickColour(slot.Swatch, *slot.Setting)) return;
  for (TColourAction a : FollowUpActions(slot.After)) RunAction(a);
}

void TfrmCfgColours::RunDefaultAction(TColourAction action) {
  switch (action) {
    case TColourAction::ApplyColourScheme:
      main_.ApplyColourScheme();
      break;
    case TColourAction::RecolourKeyMaps:
      RecolourKeyMapsLocked();
      break;
    case TColourAction::KeyLabels:
      PublishTopic(TTopic::KeyLabels);
      break;
    case TColourAction::KeyColours:
      PublishTopic(TTopic::KeyColours);
      break;
    case TColourAction::MetrMode:
      PublishTopic(TTopic::MetrMode);
      break;
    case TColourAction::RequestSeqGridRedraw:
      RequestSeqGridRedraw();
      break;
  }
}

}  // namespace vel
