#include "settings/forms/CfgMChan.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

#include "engine/RunControl.h"
#include "mainwindow/MChanSettings.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/forms/Main.h"
#include "settings/CfgWindowsMChan.h"
#include "settings/Settings.h"
#include "ui_CfgMChan.h"

namespace vel {
namespace {

constexpr int kRowPitch = 21;
constexpr int kColPitch = 47;
constexpr int kOffsetWidth = 45;
constexpr int kRowHeight = 20;

// The range as the engine sends on it: a hand-edited file may hold channels outside 0..15.
int32_t MChanLo(int32_t p) {
  return std::max<int32_t>(Cfg.MChanMin[static_cast<size_t>(p)], 0);
}
int32_t MChanHi(int32_t p) {
  return std::min<int32_t>(Cfg.MChanMax[static_cast<size_t>(p)], kChans - 1);
}

int HeadingsBottom(const QLabel* heading) {
  return heading->geometry().bottom() + 1;
}

// The offset combos are narrow: their text gets the padding back, or "+12" would read "+1". The
// popup keeps its count of visible items rather than covering the screen.
constexpr const char* kOffsetPadding =
    "QComboBox { padding-left: 1px; padding-right: 0px; combobox-popup: 0; }";

// The drop-down list is as wide as its widest value in the combo's font (bold or plain), so "+36"
// reads "+36" where the combo's own width would cut it to "...".
void FitPopupToItems(QComboBox* o) {
  QAbstractItemView* v = o->view();
  const int scroll = v->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, v);
  v->setMinimumWidth(v->sizeHintForColumn(0) + scroll + 2 * v->frameWidth());
}

void SetBackground(QWidget* w, int32_t rgb, const char* base = "") {
  QString sheet(base);
  if (rgb >= 0)
    sheet += QString(" QComboBox, QCheckBox { background-color: #%1; }").arg(rgb, 6, 16, QChar('0'));
  w->setStyleSheet(sheet);
}

}  // namespace

TfrmCfgMChan::TfrmCfgMChan(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgMChan", &Cfg.WindowCfgMChanLeft, &Cfg.WindowCfgMChanTop, TTopic::OutPorts}),
      ui(std::make_unique<Ui::frmCfgMChan>()) {
  ui->setupUi(this);
  setObjectName("frmCfgMChan");
  HandleDynamicControls();
  LayoutDynamicControls();
  Wire(ui->sbtnSaveConfig);
}

// The run-time controls are children of their groups and go with the window.
TfrmCfgMChan::~TfrmCfgMChan() = default;

void TfrmCfgMChan::HandleDynamicControls() {
  for (int32_t c = 0; c < kChans; ++c) {
    auto* h = new QLabel(QString::number(c + 1), ui->grpOffsets);
    h->setAlignment(Qt::AlignCenter);
    ChanHeaders[static_cast<size_t>(c)] = h;
  }
  for (int32_t p = 0; p < kPorts; ++p) MakeRow(p);
}

void TfrmCfgMChan::MakeRow(int32_t p) {
  TPortRow& r = Rows[static_cast<size_t>(p)];
  r.Label = new QLabel(QString("P%1").arg(p + 1), ui->grpState);
  r.On = new QCheckBox(ui->grpState);
  connect(r.On, &QCheckBox::clicked, this, [this, p] { SetMChanEnabled(p); });
  r.Min = new QComboBox(ui->grpRange);
  r.Max = new QComboBox(ui->grpRange);
  for (QComboBox* c : {r.Min, r.Max})
    for (const std::string& s : FillNumberCombo(kChans - 1)) c->addItem(QString::fromStdString(s));
  connect(r.Min, &QComboBox::activated, this, [this, p] { SetMChanMin(p); });
  connect(r.Max, &QComboBox::activated, this, [this, p] { SetMChanMax(p); });
  r.Zero = new QToolButton(ui->grpPresets);
  r.Zero->setText("Clr");
  connect(r.Zero, &QToolButton::clicked, this, [this, p] { ZeroMChanOffsets(p); });
  r.Pipes = new QToolButton(ui->grpPresets);
  r.Pipes->setText("Set");
  connect(r.Pipes, &QToolButton::clicked, this, [this, p] { PipesMChanOffsets(p); });
  QStringList texts;
  for (const std::string& s : MChanOffsetTexts()) texts << QString::fromStdString(s);
  for (int32_t c = 0; c < kChans; ++c) {
    auto* o = new QComboBox(ui->grpOffsets);
    o->addItems(texts);
    o->setMaxVisibleItems(20);
    o->setStyleSheet(kOffsetPadding);
    o->setCurrentIndex(MChanOffsetItem(0));
    FitPopupToItems(o);
    connect(o, &QComboBox::activated, this, [this, p, c] { SetMChanPitchOffset(p, c); });
    r.Offsets[static_cast<size_t>(c)] = o;
  }
}

void TfrmCfgMChan::LayoutDynamicControls() {
  const int top = HeadingsBottom(ui->lblPort) + 4;
  for (int32_t c = 0; c < kChans; ++c)
    ChanHeaders[static_cast<size_t>(c)]->setGeometry(kColPitch * c + 4, ui->lblPort->y(), kOffsetWidth, 16);
  for (int32_t p = 0; p < kPorts; ++p) {
    const TPortRow& r = Rows[static_cast<size_t>(p)];
    const int y = top + kRowPitch * p;
    r.Label->setGeometry(ui->lblPort->x(), y, ui->lblPort->width(), kRowHeight);
    r.On->setGeometry(ui->lblOn->x(), y, 20, kRowHeight);
    r.Min->setGeometry(ui->lblMin->x(), y, ui->lblMin->width(), kRowHeight);
    r.Max->setGeometry(ui->lblMax->x(), y, ui->lblMax->width(), kRowHeight);
    r.Zero->setGeometry(ui->lblZero->x(), y, ui->lblZero->width() - 4, kRowHeight);
    r.Pipes->setGeometry(ui->lblPipes->x(), y, ui->lblPipes->width() - 4, kRowHeight);
    for (int32_t c = 0; c < kChans; ++c)
      r.Offsets[static_cast<size_t>(c)]->setGeometry(kColPitch * c + 4, y, kOffsetWidth, kRowHeight);
  }
  ui->grpState->setFixedWidth(ui->lblOn->geometry().right() + 8);
  ui->grpRange->setFixedWidth(ui->lblMax->geometry().right() + 8);
  ui->grpPresets->setFixedWidth(ui->lblPipes->geometry().right() + 8);
  ui->grpOffsets->setFixedWidth(kColPitch * (kChans - 1) + 4 + kOffsetWidth + 6);
}

void TfrmCfgMChan::UpdateMChanPortVisibility() {
  const int32_t n = std::clamp<int32_t>(RunCtl.OutPortsAllocated + 1, 0, kPorts);
  for (int32_t p = 0; p < kPorts; ++p) {
    const TPortRow& r = Rows[static_cast<size_t>(p)];
    const bool shown = p < n;
    for (QWidget* w : std::initializer_list<QWidget*>{r.Label, r.On, r.Min, r.Max, r.Zero, r.Pipes})
      w->setVisible(shown);
    for (QComboBox* o : r.Offsets) o->setVisible(shown);
  }
  LoadCfgMChanControls();
  SizeGroups(n);
}

void TfrmCfgMChan::SizeGroups(int32_t rows) {
  const int h = HeadingsBottom(ui->lblPort) + 4 + kRowPitch * rows + 4;
  for (QGroupBox* g : {ui->grpState, ui->grpRange, ui->grpPresets, ui->grpOffsets}) g->setFixedHeight(h);
  adjustSize();
}

// Sets the controls only: the engine's flags already follow the stored settings.
void TfrmCfgMChan::LoadCfgMChanControls() {
  const int32_t last = std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1);
  for (int32_t p = 0; p <= last; ++p) {
    const TPortRow& r = Rows[static_cast<size_t>(p)];
    const QSignalBlocker b0(r.On), b1(r.Min), b2(r.Max);
    r.On->setChecked(Cfg.MChanEnabled[static_cast<size_t>(p)] != 0);
    ShowOnBox(p);
    r.Min->setCurrentIndex(Cfg.MChanMin[static_cast<size_t>(p)]);
    r.Max->setCurrentIndex(Cfg.MChanMax[static_cast<size_t>(p)]);
    for (int32_t c = 0; c < kChans; ++c) {
      QComboBox* o = r.Offsets[static_cast<size_t>(c)];
      const QSignalBlocker b(o);
      o->setCurrentIndex(
          MChanOffsetItem(Cfg.MChanPitchOffset[static_cast<size_t>(p)][static_cast<size_t>(c)]));
    }
    ShowMChanRange(p);
  }
}

void TfrmCfgMChan::ShowOnBox(int32_t p) {
  QCheckBox* on = Rows[static_cast<size_t>(p)].On;
  SetBackground(on, on->isChecked() ? kMChanOnColour : -1);
}

void TfrmCfgMChan::ShowMChanRange(int32_t p) {
  const auto i = static_cast<size_t>(p);
  const bool on = Cfg.MChanEnabled[i] != 0;
  for (int32_t c = 0; c < kChans; ++c) {
    QComboBox* o = Rows[i].Offsets[static_cast<size_t>(c)];
    const bool in = Cfg.MChanMin[i] <= c && c <= Cfg.MChanMax[i];
    QFont f = o->font();
    f.setBold(in);
    o->setFont(f);
    SetBackground(o, MChanComboColour(in, on), kOffsetPadding);
    FitPopupToItems(o);
  }
}

void TfrmCfgMChan::SetMChanEnabled(int32_t p) {
  vel::SetMChanEnabled(p, Rows[static_cast<size_t>(p)].On->isChecked());
  ShowOnBox(p);
  ShowMChanRange(p);
}

void TfrmCfgMChan::SetMChanMin(int32_t p) {
  vel::SetMChanMin(p, Rows[static_cast<size_t>(p)].Min->currentIndex());
  ShowMChanRange(p);
}

void TfrmCfgMChan::SetMChanMax(int32_t p) {
  vel::SetMChanMax(p, Rows[static_cast<size_t>(p)].Max->currentIndex());
  ShowMChanRange(p);
}

void TfrmCfgMChan::SetMChanPitchOffset(int32_t p, int32_t c) {
  QComboBox* o = Rows[static_cast<size_t>(p)].Offsets[static_cast<size_t>(c)];
  // Nothing picked yet: the stored value stays.
  if (const std::optional<int32_t> offset = PickedNumber(o)) StoreMChanPitchOffset(p, c, *offset);
}

void TfrmCfgMChan::ApplyPreset(int32_t p, const std::vector<int32_t>& offsets) {
  const int32_t lo = MChanLo(p);
  for (size_t k = 0; k < offsets.size(); ++k) {
    const int32_t c = lo + static_cast<int32_t>(k);
    QComboBox* o = Rows[static_cast<size_t>(p)].Offsets[static_cast<size_t>(c)];
    const QSignalBlocker b(o);
    o->setCurrentIndex(MChanOffsetItem(offsets[k]));
    SetMChanPitchOffset(p, c);
  }
}

void TfrmCfgMChan::ZeroMChanOffsets(int32_t p) {
  ApplyPreset(p, ZeroPreset(MChanLo(p), MChanHi(p)));
}

void TfrmCfgMChan::PipesMChanOffsets(int32_t p) {
  ApplyPreset(p, PipesPreset(MChanLo(p), MChanHi(p)));
}

}  // namespace vel
