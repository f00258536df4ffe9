#include "styles/forms/CfgStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <optional>

#include "base/Messages.h"
#include "keys/StyleKeysLocked.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/Settings.h"
#include "settings/forms/StatusHints.h"
#include "styles/StyleChains.h"
#include "styles/StyleEditLocked.h"
#include "ui_CfgStyle.h"

namespace vel {

namespace {

// The colours the window shows, as the settings write them ($00BBGGRR).
const QColor kAccentOn(0xEF, 0x90, 0x90);     // a row with steps, sounding
const QColor kAccentOff(0xC0, 0xF0, 0xC0);    // a row with steps, muted
const QColor kChainActive(0x00, 0x00, 0xFF);  // a step with repeats
const QColor kChainIdle(0x80, 0x80, 0x80);
const QColor kCellSelected(0xFF, 0xFF, 0x00);
const QColor kTriggerBreak(0x80, 0x00, 0x00);
const QColor kTriggerReturn(0x00, 0x80, 0x00);
const QColor kNotApplicable(0x40, 0x40, 0x40);
constexpr int32_t kStepGap = 5;  // pixels between grid steps, so each is easy to hit

// The grid's font: the system's fixed-pitch font, its steps spread apart.
QFont GridFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setLetterSpacing(QFont::AbsoluteSpacing, kStepGap);
  return f;
}

// The note lists fit their longest item in this font (the system's fonts are wider than the
// original's 130 and 55 pixels allow).
int32_t NoteListWidth(const QWidget* w, bool gm) {
  QFont bold = w->font();
  bold.setBold(true);  // a row with steps shows its note in bold
  const QFontMetrics fm(bold);
  return fm.horizontalAdvance(gm ? QStringLiteral("F#-1 Closed HiHat") : QStringLiteral("C#-2")) + 32;
}
constexpr int32_t kChainColumns = 4;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

void SetBold(QWidget* w, bool bold) {
  if (w->font().bold() == bold) return;
  QFont f = w->font();
  f.setBold(bold);
  w->setFont(f);
}

// A background that falls back to the window's own colour (the button face) for an invalid colour.
void SetBg(QWidget* w, const QColor& colour) {
  const QColor c = colour.isValid() ? colour : w->window()->palette().color(QPalette::Window);
  QPalette p = w->palette();
  if (p.color(QPalette::Window) == c && p.color(QPalette::Button) == c && w->autoFillBackground()) return;
  p.setColor(QPalette::Window, c);
  p.setColor(QPalette::Button, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

TStepButton StepButton(Qt::MouseButton b) {
  if (b == Qt::LeftButton) return TStepButton::Left;
  if (b == Qt::RightButton) return TStepButton::Right;
  return TStepButton::Other;
}

// The row's state the grid colours show.
struct TRowLook {
  bool HasSteps = false;
  bool On = false;
};

void ShowRowLook(QWidget* w, const TRowLook& look) {
  SetBold(w, look.HasSteps);
  SetBg(w, look.HasSteps ? (look.On ? kAccentOn : kAccentOff) : QColor());
}

}  // namespace

TfrmCfgStyle::TfrmCfgStyle(TfrmMain& main, TStyleStore& store)
    : TCfgWindow(main, {store.Traits->Ties ? "mnuCfgBass" : "mnuCfgDrum",
                        store.Traits->Ties ? &Cfg.WindowCfgBassLeft : &Cfg.WindowCfgDrumLeft,
                        store.Traits->Ties ? &Cfg.WindowCfgBassTop : &Cfg.WindowCfgDrumTop,
                        store.Traits->Topics.Style}),
      ui(std::make_unique<Ui::frmCfgStyle>()),
      store_(store),
      traits_(*store.Traits) {
  ui->setupUi(this);
  setObjectName(Q("frmCfg" + Family()));
  charWidth_ =
      std::max(1, QFontMetrics(GridFont()).horizontalAdvance(QString(kStyleMaxSteps, 'x')) / kStyleMaxSteps);
  ui->chkDspGMNames->setVisible(!traits_.Ties);
  for (QToolButton* b : {ui->sbtnTriggerBreak, ui->sbtnShowChains, ui->sbtnShowPatterns})
    b->setCheckable(true);
  for (QSlider* s : {ui->tbVelVarPercent, ui->tbFlamPercent}) s->setFixedWidth(80);
  MakeRows();
  MakeChainGrid();
  FillNoteLists();
  WireControls();
  WireEditors();
  SetHints();
  ShowUndoButtons();
  connect(ui->sbtnSaveConfig, &QToolButton::clicked, this, [this] { ClosePendingEdits(false, true); });
  Wire(ui->sbtnSaveConfig);
  created_ = true;
}

TfrmCfgStyle::~TfrmCfgStyle() = default;

std::string TfrmCfgStyle::Family() const {
  return std::string(traits_.Name);
}

void TfrmCfgStyle::On(TTopic topic) {
  // A key that switches the metronome type or styles mode drops an edit left open, shown or not.
  if (topic == TTopic::MetrModeByKey) ClosePendingEdits(false, true);
  TCfgWindow::On(topic);
}

void TfrmCfgStyle::OnShowing(TTopic topic) {
  const TStyleTopics& mine = traits_.Topics;
  if (topic == mine.Styles) {
    RefreshStyleLists(true);
  } else if (topic == mine.Style) {
    LoadControls();
  } else if (topic == mine.Trigger) {
    ShowTriggerState();
  } else if (topic == mine.Chain) {
    ShowChain(TakeChainNo(store_));
  } else if (topic == TTopic::MetrMode) {
    SetCaptions();
  }
}

// ---------------------------------------------------------------------------------------------------
// Building

void TfrmCfgStyle::MakeRows() {
  const QFont fixed = GridFont();
  const int32_t gridWidth = charWidth_ * kStyleMaxSteps + 4;
  auto gridLabel = [&](QLabel* l, int32_t row) {
    l->setFont(fixed);
    l->setFixedWidth(gridWidth);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setMargin(0);
    l->setIndent(0);
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(this);
    auto* beat = new QLabel(ui->grpPattern);
    beat->setObjectName(QString("lblvGridBeats%1").arg(row));
    beat->setFont(fixed);
    beat->setFixedWidth(gridWidth);
    beat->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    beat->setMargin(0);
    beat->setIndent(0);
    SetFgColour(beat, QColor(0xA0, 0xA0, 0xA0));
    ui->glPattern->addWidget(beat, row, 4);
    beat->lower();
    lblvGridBeats[row] = beat;
  };
  gridLabel(ui->lblvGridAccent, 0);
  for (int32_t r = 1; r < kStyleRows; ++r) {
    const std::size_t i = r - 1;
    auto* chk = new QCheckBox(ui->grpPattern);
    chk->setObjectName(QString("chkNotes%1").arg(r));
    chkNotes[i] = chk;
    auto* cbo = new QComboBox(ui->grpPattern);
    cbo->setObjectName(QString("cboNotes%1").arg(r));
    cbo->setMaxVisibleItems(20);
    cboNotes[i] = cbo;
    for (bool accent : {false, true}) {
      auto* tb = new QSlider(Qt::Horizontal, ui->grpPattern);
      tb->setObjectName(QString(accent ? "tbAccVels%1" : "tbVels%1").arg(r));
      tb->setRange(0, 127);
      tb->setSingleStep(1);
      tb->setPageStep(5);
      tb->setFixedWidth(60);
      (accent ? tbAccVels : tbVels)[i] = tb;
      connect(tb, &QSlider::valueChanged, this, [this, r, accent](int v) { VelChanged(r, v, accent); });
    }
    auto* grid = new QLabel(ui->grpPattern);
    grid->setObjectName(QString("lblvGridSteps%1").arg(r));
    lblvGridSteps[i] = grid;
    ui->glPattern->addWidget(chk, r, 0);
    ui->glPattern->addWidget(cbo, r, 1);
    ui->glPattern->addWidget(tbVels[i], r, 2);
    ui->glPattern->addWidget(tbAccVels[i], r, 3);
    ui->glPattern->addWidget(grid, r, 4);
    gridLabel(grid, r);
    connect(chk, &QCheckBox::clicked, this, [this, r] { RowOnClick(r); });
    connect(cbo, &QComboBox::activated, this, [this, r](int index) { NoteListPick(r, index); });
  }
}

void TfrmCfgStyle::MakeChainGrid() {
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const char* titles[kChainColumns] = {"Style", "Patt", "Rpts", "Jump"};
  for (int32_t c = 0; c < kChainColumns; ++c) {
    auto* t = new QLabel(titles[c], ui->grpChains);
    t->setObjectName(QString("lblChainTitle%1").arg(c));
    ui->glChains->addWidget(t, 0, c + 1);
  }
  const int32_t cellWidth = QFontMetrics(fixed).horizontalAdvance(QStringLiteral(">99")) + 6;
  for (int32_t chain = 0; chain < kChainCount; ++chain) {
    auto* start = new QToolButton(ui->grpChains);
    start->setObjectName(QString("sbtnChainNoStart%1").arg(chain));
    start->setText(QString::number(chain + 1));
    start->setCheckable(true);
    start->setAutoRaise(true);
    sbtnChainNoStart[chain] = start;
    ui->glChains->addWidget(start, 1 + chain * kChainStepCount, 0);
    connect(start, &QToolButton::clicked, this, [this, chain] { ChainStartClick(chain); });
    for (int32_t step = 0; step < kChainStepCount; ++step)
      for (int32_t col = 0; col < kChainColumns; ++col) {
        auto* cell = new QLabel(ui->grpChains);
        cell->setObjectName(QString("lblvChainStep%1_%2_%3").arg(chain).arg(step).arg(col));
        cell->setFont(fixed);
        cell->setFixedWidth(cellWidth);
        cell->setAlignment(Qt::AlignCenter);
        cell->setLineWidth(1);
        cell->installEventFilter(this);
        ChainCells[chain][step][col] = cell;
        ui->glChains->addWidget(cell, 1 + chain * kChainStepCount + step, col + 1);
      }
  }
  ui->glChains->setRowStretch(1 + kChainCount * kChainStepCount, 1);
}

void TfrmCfgStyle::WireControls() {
  auto onClick = [this](QAbstractButton* b, auto fn) { connect(b, &QAbstractButton::clicked, this, fn); };
  connect(ui->lstPatStyles, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* it) { StyleListClick(ui->lstPatStyles->row(it)); });
  connect(ui->lstPatMains, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* it) { PatListClick(TPatList::Main, ui->lstPatMains->row(it)); });
  connect(ui->lstPatBreaks, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* it) { PatListClick(TPatList::Break, ui->lstPatBreaks->row(it)); });
  connect(ui->lstPatStyles, &QListWidget::itemDoubleClicked, this,
          [this] { OpenEditor(TEditor::StyleName); });
  connect(ui->lstPatMains, &QListWidget::itemDoubleClicked, this, [this] { OpenEditor(TEditor::PatName); });
  connect(ui->lstPatBreaks, &QListWidget::itemDoubleClicked, this, [this] { OpenEditor(TEditor::PatName); });
  onClick(ui->sbtnRevertPat, [this] { RevertClick(); });
  onClick(ui->sbtnCopyPat, [this] { CopyClick(); });
  onClick(ui->sbtnCutPat, [this] { CutClick(); });
  onClick(ui->sbtnPastePat, [this] { PasteClick(); });
  onClick(ui->sbtnDelStyle, [this] { DeleteStyleClick(); });
  onClick(ui->sbtnDelMain, [this] { DeletePatternClick(TPatList::Main); });
  onClick(ui->sbtnDelBreak, [this] { DeletePatternClick(TPatList::Break); });
  onClick(ui->sbtnAddStyle, [this] { AddStyleClick(false); });
  onClick(ui->sbtnInsStyle, [this] { AddStyleClick(true); });
  onClick(ui->sbtnAddMain, [this] { AddPatternClick(TPatList::Main, false); });
  onClick(ui->sbtnInsMain, [this] { AddPatternClick(TPatList::Main, true); });
  onClick(ui->sbtnAddBreak, [this] { AddPatternClick(TPatList::Break, false); });
  onClick(ui->sbtnInsBreak, [this] { AddPatternClick(TPatList::Break, true); });
  onClick(ui->chkChainOn, [this] { ChainOnClick(); });
  onClick(ui->sbtnTriggerBreak, [this] { TriggerClick(); });
  onClick(ui->sbtnRandStyle, [this] { RandomClick(); });
  onClick(ui->chkUsePatTSig, [this] { UsePatTSigClick(); });
  onClick(ui->chkAccent, [this] { AccentClick(); });
  onClick(ui->chkDspGMNames, [this] { GMNamesClick(); });
  onClick(ui->sbtnResetNotes, [this] { ResetNotesClick(); });
  onClick(ui->sbtnResetVels, [this] { ResetVelsClick(); });
  onClick(ui->sbtnShowChains, [this] { ShowChainsClick(); });
  onClick(ui->sbtnShowPatterns, [this] { ShowPatternsClick(); });
  onClick(ui->sbtnCfgMetr, [this] {
    ClosePendingEdits(false, true);
    main_.Views().ShowCfgMetr();
  });
  connect(ui->tbFlamPercent, &QSlider::valueChanged, this, [this](int v) { FlamChanged(v); });
  connect(ui->tbVelVarPercent, &QSlider::valueChanged, this, [this](int v) { VelVarChanged(v); });
  for (QWidget* w : {static_cast<QWidget*>(ui->lblStyles), static_cast<QWidget*>(ui->lblMains),
                     static_cast<QWidget*>(ui->lblBreaks), static_cast<QWidget*>(ui->grpStyles),
                     static_cast<QWidget*>(ui->grpChains), static_cast<QWidget*>(ui->lblvStyleName),
                     static_cast<QWidget*>(ui->lblvPatName), static_cast<QWidget*>(ui->lblvPatTSigSteps)})
    w->installEventFilter(this);
}

void TfrmCfgStyle::WireEditors() {
  struct TParts {
    TEditor Editor;
    QLineEdit* Edit;
    QToolButton* Enter;
    QToolButton* Esc;
  };
  for (const TParts& p :
       {TParts{TEditor::StyleName, ui->edtStyleName, ui->btnStyleNameEnter, ui->btnStyleNameEsc},
        TParts{TEditor::PatName, ui->edtPatName, ui->btnPatNameEnter, ui->btnPatNameEsc},
        TParts{TEditor::TSigSteps, ui->edtPatTSigSteps, ui->btnPatTSigStepsEnter, ui->btnPatTSigStepsEsc}}) {
    const TEditor e = p.Editor;
    p.Edit->installEventFilter(this);
    connect(p.Edit, &QLineEdit::textEdited, this, [this, e](const QString& t) { EditorTextChanged(e, t); });
    connect(p.Edit, &QLineEdit::returnPressed, this, [this, e] { AcceptEditor(e); });
    connect(p.Enter, &QToolButton::clicked, this, [this, e] { AcceptEditor(e); });
    connect(p.Esc, &QToolButton::clicked, this, [this, e] { CloseEditor(e); });
    // The buttons leave the focus in the edit box, so that a click on them is no focus loss.
    p.Enter->setFocusPolicy(Qt::NoFocus);
    p.Esc->setFocusPolicy(Qt::NoFocus);
  }
}

void TfrmCfgStyle::FillNoteLists() {
  const bool gm = !traits_.Ties && store_.DspGMNames;
  notesGM_ = gm;
  notesNumeric_ = Cfg.KeyDefsNumeric != 0;
  QStringList items;
  for (const std::string& s : NoteListItems(notesNumeric_, gm)) items << Q(s);
  for (QComboBox* c : cboNotes) {
    const QSignalBlocker block(c);
    const int keep = c->currentIndex();
    c->clear();
    c->addItems(items);
    c->setCurrentIndex(keep);
    c->setFixedWidth(NoteListWidth(c, gm));
  }
}

// ---------------------------------------------------------------------------------------------------
// Loading and drawing

void TfrmCfgStyle::RefreshStyleLists(bool reload) {
  ClearChainCell();
  QStringList lines;
  for (const std::string& line : TakeStyleLines(store_)) lines << Q(line);
  {
    const QSignalBlocker b1(ui->lstPatStyles), b2(ui->lstPatMains), b3(ui->lstPatBreaks);
    ui->lstPatStyles->clear();
    ui->lstPatStyles->addItems(lines);
    ui->lstPatMains->clear();
    ui->lstPatBreaks->clear();
  }
  if (reload) LoadControls();
}

void TfrmCfgStyle::LoadControls() {
  // The options and rows only: the styles stay in the store.
  bool refill = false;
  const TLoadedOptions s = TakeOptions(refill);
  {
    const auto blocks = QuietLoadedControls();
    ShowOptions(s, refill);
    ShowRows(s);
  }
  SetChainMode(s.ChainOn);
  FillPatternLists();
  SelectListRows();
  DisplayPatternGrid(Edit.PatUndoValid && Edit.UndoStyle == store_.StyleNo &&
                     Edit.UndoPattern == store_.PatNo);
  ShowTriggerState();
  ShowChain(s.ChainNo);
  ShowGroups(false);
  SetCaptions();
}

TfrmCfgStyle::TLoadedOptions TfrmCfgStyle::TakeOptions(bool& refill) {
  TLoadedOptions s = TakeStyleOptions(store_);
  // The lists are refilled only when their items change: 15 lists of 128 items are slow to fill.
  refill = notesGM_ != (!traits_.Ties && s.DspGMNames) || notesNumeric_ != s.KeyDefsNumeric;
  return s;
}

std::vector<std::unique_ptr<QSignalBlocker>> TfrmCfgStyle::QuietLoadedControls() {
  // Only the controls a load sets: blocking every child each status tick costs more than the load.
  std::vector<QObject*> quiet = {ui->sbtnShowChains, ui->sbtnShowPatterns, ui->chkDspGMNames,
                                 ui->chkUsePatTSig,  ui->chkAccent,        ui->chkChainOn,
                                 ui->tbFlamPercent,  ui->tbVelVarPercent};
  for (std::size_t i = 0; i < chkNotes.size(); ++i)
    quiet.insert(quiet.end(), {chkNotes[i], cboNotes[i], tbVels[i], tbAccVels[i]});
  std::vector<std::unique_ptr<QSignalBlocker>> blocks;
  for (QObject* o : quiet) blocks.push_back(std::make_unique<QSignalBlocker>(o));
  return blocks;
}

void TfrmCfgStyle::ShowOptions(const TLoadedOptions& s, bool refill) {
  ui->sbtnShowChains->setChecked(s.ShowChains);
  ui->sbtnShowPatterns->setChecked(s.ShowPatterns);
  ui->chkDspGMNames->setChecked(s.DspGMNames);
  if (refill) FillNoteLists();
  ui->chkUsePatTSig->setChecked(s.UsePatTSig);
  ui->chkAccent->setChecked(s.AccentEnabled);
  ui->chkChainOn->setChecked(s.ChainOn);
  ui->tbFlamPercent->setValue(s.FlamSpeed);
  ui->lblFlamPercent->setText(Q(FlamLabel(s.FlamSpeed)));
  ui->tbVelVarPercent->setValue(s.VelVar);
  ui->lblVelVarPercent->setText(Q(VelVarLabel(s.VelVar)));
}

void TfrmCfgStyle::ShowRows(const TLoadedOptions& s) {
  for (int32_t r = 1; r < kStyleRows; ++r) {
    const std::size_t i = r - 1;
    chkNotes[i]->setText(Q(s.RowMap[r].ShortName.Str()));
    chkNotes[i]->setChecked(s.RowOn[i]);
    cboNotes[i]->setCurrentIndex(NoteListIndex(std::clamp(s.RowMap[r].Note, 0, 127)));
    tbVels[i]->setValue(s.RowVel[i]);
    tbAccVels[i]->setValue(s.RowAccVel[i]);
    // The bars show no number: the pop-up tells the level.
    tbVels[i]->setToolTip(QString::number(s.RowVel[i]));
    tbAccVels[i]->setToolTip(QString::number(s.RowAccVel[i]));
  }
}

void TfrmCfgStyle::FillPatternLists() {
  QStringList mains;
  QStringList breaks;
  const TPatternLines lines = TakePatternLines(store_);
  for (const std::string& line : lines.Mains) mains << Q(line);
  for (const std::string& line : lines.Breaks) breaks << Q(line);
  const QSignalBlocker b1(ui->lstPatMains), b2(ui->lstPatBreaks);
  ui->lstPatMains->clear();
  ui->lstPatMains->addItems(mains);
  ui->lstPatBreaks->clear();
  ui->lstPatBreaks->addItems(breaks);
}

void TfrmCfgStyle::SelectListRows() {
  const auto [style, pattern, valid, defined] = TakeSelection(store_);
  const QSignalBlocker b1(ui->lstPatStyles), b2(ui->lstPatMains), b3(ui->lstPatBreaks);
  ui->lstPatStyles->setCurrentRow(defined ? style : -1);
  const bool main = valid && pattern < kStyleFirstBreak;
  ui->lstPatMains->setCurrentRow(main ? pattern : -1);
  ui->lstPatBreaks->setCurrentRow(valid && !main ? pattern - kStyleFirstBreak : -1);
  if (!main) ui->lstPatMains->clearSelection();
  if (!valid || main) ui->lstPatBreaks->clearSelection();
  // A delete acts on the current pattern of its own list.
  ui->sbtnDelStyle->setEnabled(defined);
  ui->sbtnDelMain->setEnabled(main);
  ui->sbtnDelBreak->setEnabled(valid && !main);
}

void TfrmCfgStyle::DisplayPatternGrid(bool keepUndo) {
  const TPatternView view = TakePatternView(store_);
  const TStylePattern& p = view.Pattern;
  const bool valid = view.Valid;
  const std::string& styleCaption = view.StyleCaption;
  const std::string& patCaption = view.PatCaption;
  const auto& rowOn = view.RowOn;
  const bool accentOn = view.AccentOn;
  ui->lblvStyleName->setText(Q(styleCaption));
  ui->lblvPatName->setText(valid ? Q(patCaption) : QString());
  ui->lblvPatTSigSteps->setText(valid ? Q(TSigStepsText(p)) : QString());
  const QString beats = valid ? Q(BeatMarkerText(p)) : QString();
  for (QLabel* b : lblvGridBeats) b->setText(beats);
  ui->lblvGridAccent->setText(valid ? Q(GridRowText(p, 0)) : QString());
  ui->lblvGridAccent->setEnabled(valid);
  ShowRowLook(ui->chkAccent, {!p.Rows[0].Empty(), accentOn});
  for (int32_t r = 1; r < kStyleRows; ++r) {
    lblvGridSteps[r - 1]->setText(valid ? Q(GridRowText(p, r)) : QString());
    lblvGridSteps[r - 1]->setEnabled(valid);
    ShowRowLook(cboNotes[r - 1], {!p.Rows[r].Empty(), rowOn[r - 1] != 0});
  }
  ui->lblFlamPercent->setEnabled(HasFlamSteps(p));
  ui->lblAccVels->setEnabled(!p.Rows[0].Empty());
  if (!keepUndo) DropUndo(Edit);
  ShowUndoButtons();
}

void TfrmCfgStyle::ShowUndoButtons() {
  const auto [chainOn, valid] = TakeUndoButtonState(store_);
  ui->sbtnRevertPat->setEnabled(!chainOn && Edit.PatUndoValid);
  ui->sbtnPastePat->setEnabled(!chainOn && valid && Edit.ClipboardFilled);
  ui->sbtnCopyPat->setEnabled(!chainOn && valid);
  ui->sbtnCutPat->setEnabled(!chainOn && valid);
}

void TfrmCfgStyle::ShowChain(int32_t chain) {
  const auto [cells, styleCaption, patCaption, chainNo, valid] = TakeChainView(store_, chain);
  ui->lblvStyleName->setText(Q(styleCaption));
  ui->lblvPatName->setText(valid ? Q(patCaption) : QString());
  if (chain < 0 || chain >= kChainCount) return;
  for (int32_t c = 0; c < kChainCount; ++c) {
    const QSignalBlocker block(sbtnChainNoStart[c]);
    sbtnChainNoStart[c]->setChecked(c == chainNo);
  }
  for (int32_t step = 0; step < kChainStepCount && step < int32_t(cells.size()); ++step) {
    const TChainCells& cc = cells[step];
    const std::array<std::string, kChainColumns> texts = {cc.Style, cc.Pattern, cc.Repeats, cc.Jump};
    for (int32_t col = 0; col < kChainColumns; ++col) {
      QLabel* l = ChainCells[chain][step][col];
      l->setText(Q(texts[col]));
      SetFgColour(l, col == 3 || cc.Active ? kChainActive : kChainIdle);
    }
    // The playing step: its style cell framed.
    QLabel* styleCell = ChainCells[chain][step][0];
    styleCell->setFrameShape(cc.Playing ? QFrame::Box : QFrame::NoFrame);
  }
}

void TfrmCfgStyle::ShowTriggerState() {
  const TBreakTriggerState state = TakeTriggerState(store_);
  QToolButton* b = ui->sbtnTriggerBreak;
  const QSignalBlocker block(b);
  b->setText(Q(std::string(BreakTriggerCaption(state))));
  b->setChecked(state != TBreakTriggerState::Idle);
  SetBold(b, state != TBreakTriggerState::Idle);
  QPalette p = b->palette();
  const QColor text = state == TBreakTriggerState::BreakPending    ? kTriggerBreak
                      : state == TBreakTriggerState::ReturnPending ? kTriggerReturn
                                                                   : palette().color(QPalette::ButtonText);
  if (p.color(QPalette::ButtonText) != text) {
    p.setColor(QPalette::ButtonText, text);
    b->setPalette(p);
  }
}

void TfrmCfgStyle::SetCaptions() {
  const auto [modeStyles, drumType] = TakeMetrStyleMode();
  const std::string suffix = StyleCaptionSuffix(traits_, modeStyles, drumType);
  const QColor colour = suffix.empty()
                            ? ToQColor(traits_.Ties ? Cfg.ClFgMetrBass : Cfg.ClFgMetrDrum, main_.SysPalette())
                            : kNotApplicable;
  const std::string family = Family();
  const std::pair<QGroupBox*, const char*> groups[] = {
      {ui->grpStyles, " styles"}, {ui->grpChains, " chains"}, {ui->grpPattern, " pattern"}};
  for (auto [g, word] : groups) {
    g->setTitle(Q(family + word + suffix));
    // Only the title: a palette on the group would colour every control in it.
    const QString sheet = QString("QGroupBox#%1::title { color: %2; }").arg(g->objectName(), colour.name());
    if (g->styleSheet() != sheet) g->setStyleSheet(sheet);
  }
  for (QLabel* l : {ui->lblvStyleName, ui->lblvPatName, ui->lblvPatTSigSteps}) SetFgColour(l, colour);
}

void TfrmCfgStyle::ShowGroups(bool moveLeftEdge) {
  const auto [chains, patterns] = TakeShownGroups(store_);
  const QSignalBlocker b1(ui->sbtnShowChains), b2(ui->sbtnShowPatterns);
  ui->sbtnShowChains->setChecked(chains);
  ui->sbtnShowPatterns->setChecked(patterns);
  const bool chainsChange = ui->grpChains->isVisibleTo(this) != chains;
  const int32_t before = width();
  ui->grpChains->setVisible(chains);
  ui->grpPattern->setVisible(patterns);
  layout()->activate();
  adjustSize();
  // Showing or hiding the chains keeps the styles group where it was on the screen, as long as the
  // window's left edge stays on it: chains pushed off the screen could not be reached.
  if (moveLeftEdge && chainsChange && isVisible()) {
    int32_t left = x() - (width() - before);
    if (const QScreen* s = screen()) left = std::max(left, s->availableGeometry().left());
    move(left, y());
  }
}

// ---------------------------------------------------------------------------------------------------
// Selection

void TfrmCfgStyle::ClearTriggerAndClose(bool clearCell) {
  ClosePendingEdits(false, clearCell);
  SetBreakTrigger(store_, false);
  ShowTriggerState();
}

void TfrmCfgStyle::StyleListClick(int32_t row) {
  ClearTriggerAndClose(false);
  const int32_t pattern = StyleToSelect(store_, row);
  if (pattern < 0) return;
  SelectPattern(row, pattern);
}

void TfrmCfgStyle::PatListClick(TPatList list, int32_t row) {
  ClearTriggerAndClose(false);
  const int32_t pattern = row + (list == TPatList::Break ? kStyleFirstBreak : 0);
  const auto [go, style, hadCell] = PickFromPatList(store_, pattern);
  if (!go) return;
  SelectPattern(style, pattern);
  if (hadCell) ClearChainCell();
}

void TfrmCfgStyle::SelectPattern(int32_t style, int32_t pattern) {
  const auto [newStyle, cell, chain] = SelectStylePattern(store_, style, pattern);
  if (newStyle) FillPatternLists();
  SelectListRows();
  if (cell) ShowChain(chain);
  DisplayPatternGrid(false);
  ShowTriggerState();
}

// ---------------------------------------------------------------------------------------------------
// Grid and pattern buttons

void TfrmCfgStyle::GridMouseDown(int32_t row, int32_t x, Qt::MouseButton button) {
  const auto [chainOn, changed] = ClickGrid(store_, Edit, row, x, charWidth_, StepButton(button));
  if (chainOn) {
    ShowMessage("Cannot edit pattern if chain mode is on", MsgKind::Warning);
    return;
  }
  if (changed) DisplayPatternGrid(true);
}

void TfrmCfgStyle::AfterPatternEdit() {
  // The list lines show names and time signatures.
  RefreshStyleLists(false);
  FillPatternLists();
  SelectListRows();
}

void TfrmCfgStyle::RevertClick() {
  ClosePendingEdits(false, true);
  ui->sbtnRevertPat->setEnabled(false);
  const bool reverted = UndoPatternEdits(store_, Edit);
  DisplayPatternGrid(false);
  if (reverted) AfterPatternEdit();
}

void TfrmCfgStyle::CopyClick() {
  ClosePendingEdits(false, true);
  CopyPatternToClipboard(store_, Edit);
  ShowUndoButtons();
}

void TfrmCfgStyle::CutClick() {
  ClosePendingEdits(false, true);
  CutPatternToClipboard(store_, Edit);
  DisplayPatternGrid(false);
}

void TfrmCfgStyle::PasteClick() {
  ClosePendingEdits(false, true);
  if (!PastePatternFromClipboard(store_, Edit)) return;
  DisplayPatternGrid(true);
  AfterPatternEdit();
}

// ---------------------------------------------------------------------------------------------------
// Deletes, adds and inserts

void TfrmCfgStyle::DeleteStyleClick() {
  ClearTriggerAndClose(true);
  const TDeleteAsk ask = AskDeleteStyle(store_);
  if (!ask.Ok) return;
  if (ShowMessage(ask.Question, MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) return;
  if (!DeleteAskedStyle(store_, ask.Style)) return;
  // The next style now stands at the index: the deleted one's undo copy must not revert it.
  DropUndo(Edit);
  RefreshStyleLists(true);
}

void TfrmCfgStyle::DeletePatternClick(TPatList list) {
  ClearTriggerAndClose(true);
  const TDeleteAsk ask = AskDeletePattern(store_, list);
  if (!ask.Ok) return;
  if (ShowMessage(ask.Question, MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) return;
  if (!DeleteAskedPattern(store_, ask.Style, ask.Pattern)) return;
  DropUndo(Edit);
  RefreshStyleLists(true);
}

void TfrmCfgStyle::AddStyleClick(bool insert) {
  ClearTriggerAndClose(true);
  const std::string refusal = AddStyle(store_, insert);
  if (!refusal.empty()) {
    ShowMessage(refusal, MsgKind::Warning);
    return;
  }
  DropUndo(Edit);
  RefreshStyleLists(true);
}

void TfrmCfgStyle::AddPatternClick(TPatList list, bool insert) {
  ClearTriggerAndClose(true);
  const std::string refusal = AddPattern(store_, list, insert);
  if (!refusal.empty()) {
    ShowMessage(refusal, MsgKind::Warning);
    return;
  }
  DropUndo(Edit);
  RefreshStyleLists(true);
}

// ---------------------------------------------------------------------------------------------------
// In-place editors

namespace {

struct TEditorParts {
  QLabel* Label;
  QLineEdit* Edit;
  QToolButton* Enter;
  QToolButton* Esc;
};

TEditorParts Parts(Ui::frmCfgStyle& u, TfrmCfgStyle::TEditor e) {
  switch (e) {
    case TfrmCfgStyle::TEditor::StyleName:
      return {u.lblvStyleName, u.edtStyleName, u.btnStyleNameEnter, u.btnStyleNameEsc};
    case TfrmCfgStyle::TEditor::PatName:
      return {u.lblvPatName, u.edtPatName, u.btnPatNameEnter, u.btnPatNameEsc};
    case TfrmCfgStyle::TEditor::TSigSteps:
      break;
  }
  return {u.lblvPatTSigSteps, u.edtPatTSigSteps, u.btnPatTSigStepsEnter, u.btnPatTSigStepsEsc};
}

void ShowEditorParts(const TEditorParts& p, bool open) {
  p.Label->setVisible(!open);
  p.Edit->setVisible(open);
  p.Enter->setVisible(open);
  p.Esc->setVisible(open);
}

}  // namespace

bool TfrmCfgStyle::EditorOpen(TEditor editor) const {
  return Parts(*ui, editor).Edit->isVisibleTo(this);
}

void TfrmCfgStyle::OpenEditor(TEditor editor) {
  ClearTriggerAndClose(true);
  const auto [chainOn, ok, text, style, pattern] = OpenStyleEditor(store_, editor);
  editStyle_ = style;
  editPattern_ = pattern;
  if (chainOn) {
    static const char* kRefusals[] = {"Can't edit style name if chain mode is on",
                                      "Can't edit pattern name if chain mode is on",
                                      "Can't edit pattern time sig and steps if chain mode is on"};
    ShowMessage(kRefusals[int(editor)], MsgKind::Error);
    return;
  }
  if (!ok) return;
  const TEditorParts p = Parts(*ui, editor);
  savedText_[int(editor)] = text;
  p.Edit->setText(Q(text));
  ShowEditorParts(p, true);
  p.Edit->setFocus(Qt::OtherFocusReason);
  p.Edit->selectAll();
}

void TfrmCfgStyle::EditorTextChanged(TEditor editor, const QString& text) {
  if (editor == TEditor::TSigSteps) return;  // kept in the box until Enter
  StoreEditedName(editor, text.toStdString(), false);
  RefreshStyleLists(true);
}

void TfrmCfgStyle::StoreEditedName(TEditor editor, const std::string& text, bool accepting) {
  StoreEditorName(store_, editor, editStyle_, editPattern_, text, accepting);
}

void TfrmCfgStyle::AcceptEditor(TEditor editor) {
  if (!EditorOpen(editor)) return;
  if (editor == TEditor::TSigSteps) {
    AcceptTSigSteps();
    return;
  }
  const TEditorParts p = Parts(*ui, editor);
  StoreEditedName(editor, p.Edit->text().toStdString(), true);
  closingEditor_ = true;
  ShowEditorParts(p, false);
  closingEditor_ = false;
  RefreshStyleLists(true);
}

void TfrmCfgStyle::AcceptTSigSteps() {
  const TEditorParts parts = Parts(*ui, TEditor::TSigSteps);
  const std::string text = parts.Edit->text().toStdString();
  const int32_t style = editStyle_;
  const int32_t pattern = editPattern_;
  const std::optional<TTSigStepsEdit> parsed = ParseEditedTSigSteps(store_, style, pattern, text);
  if (!parsed) return;
  const TTSigStepsEdit& e = *parsed;
  // The boxes take the focus: that is no cancel.
  closingEditor_ = true;
  bool go = e.Ok;
  if (!e.Ok) ShowMessage(e.Error, MsgKind::Error);
  if (e.Ok && !e.Question.empty())
    go = ShowMessage(e.Question, MsgKind::Warning, MsgButtons::YesNo) == MsgAnswer::Yes;
  if (go) go = ApplyEditedTSigSteps(store_, style, pattern, e);
  if (!go) {
    parts.Edit->setText(Q(savedText_[int(TEditor::TSigSteps)]));
    parts.Edit->setFocus(Qt::OtherFocusReason);
    parts.Edit->selectAll();
    closingEditor_ = false;
    return;
  }
  ShowEditorParts(parts, false);
  closingEditor_ = false;
  RefreshStyleLists(true);
}

void TfrmCfgStyle::CloseEditor(TEditor editor) {
  if (!EditorOpen(editor) || closingEditor_) return;
  closingEditor_ = true;
  const TEditorParts p = Parts(*ui, editor);
  if (editor != TEditor::TSigSteps) StoreEditedName(editor, savedText_[int(editor)], false);
  ShowEditorParts(p, false);
  closingEditor_ = false;
  if (editor != TEditor::TSigSteps) RefreshStyleLists(true);
}

void TfrmCfgStyle::ClosePendingEdits(bool accept, bool clearCell) {
  for (TEditor e : {TEditor::StyleName, TEditor::PatName, TEditor::TSigSteps}) {
    if (!EditorOpen(e)) continue;
    if (accept)
      AcceptEditor(e);
    else
      CloseEditor(e);
  }
  if (clearCell) ClearChainCell();
}

// ---------------------------------------------------------------------------------------------------
// Chains

void TfrmCfgStyle::ClearChainCell() {
  if (ClearChainCellMark(store_)) ShowChainCellHighlight();
}

void TfrmCfgStyle::ShowChainCellHighlight() {
  const auto [chain, step] = TakeChainCell(store_);
  for (int32_t c = 0; c < kChainCount; ++c)
    for (int32_t s = 0; s < kChainStepCount; ++s)
      for (int32_t col = 0; col < 2; ++col) {
        QLabel* l = ChainCells[c][s][col];
        const bool on = c == chain && s == step;
        if (on || l->autoFillBackground()) SetBg(l, on ? kCellSelected : QColor());
      }
  for (QLabel* l : {ui->lblStyles, ui->lblMains, ui->lblBreaks})
    SetBg(l, step >= 0 ? kCellSelected : QColor());
}

void TfrmCfgStyle::ChainModeRefusal(const char* text, bool warning) {
  ShowMessage(text, warning ? MsgKind::Warning : MsgKind::Error);
}

void TfrmCfgStyle::ChainCellMouseDown(int32_t chain, int32_t step, int32_t column, Qt::MouseButton button) {
  ClosePendingEdits(false, false);
  const int32_t delta = button == Qt::LeftButton ? -1 : button == Qt::RightButton ? 1 : 0;
  const bool chainOn = ClickChainCell(store_, chain, step, column, delta);
  if (column < 2 && chainOn) {
    ChainModeRefusal("Cannot change style/pattern if chain mode is on", true);
    return;
  }
  if (column < 2) ShowChainCellHighlight();
  ShowChain(chain);
}

void TfrmCfgStyle::ChainStartClick(int32_t chain) {
  ClosePendingEdits(false, false);
  if (StartChainAt(store_, chain)) ChainModeRefusal("Cannot set chain start if chain mode is on", true);
  ShowChain(chain);
}

void TfrmCfgStyle::ChainOnClick() {
  ClearTriggerAndClose(true);
  SetChainMode(ui->chkChainOn->isChecked());
}

void TfrmCfgStyle::SetChainMode(bool on) {
  const auto [redraw, chain] = SwitchChainMode(store_, on);
  if (on) ClearChainCell();
  for (QWidget* w : {static_cast<QWidget*>(ui->lstPatStyles), static_cast<QWidget*>(ui->lstPatMains),
                     static_cast<QWidget*>(ui->lstPatBreaks), static_cast<QWidget*>(ui->sbtnRandStyle),
                     static_cast<QWidget*>(ui->sbtnTriggerBreak)})
    w->setEnabled(!on);
  ShowUndoButtons();
  if (redraw) ShowChain(chain);
}

void TfrmCfgStyle::TriggerClick() {
  const bool down = ui->sbtnTriggerBreak->isChecked();
  ClosePendingEdits(false, true);
  SetBreakTrigger(store_, down);
  ShowTriggerState();
}

void TfrmCfgStyle::RandomClick() {
  ClearTriggerAndClose(true);
  PickRandomStyle(store_);
  ShowTriggerState();
  DropUndo(Edit);
  FillPatternLists();
  SelectListRows();
  DisplayPatternGrid(false);
}

// ---------------------------------------------------------------------------------------------------
// Options and rows

void TfrmCfgStyle::UsePatTSigClick() {
  ClosePendingEdits(false, true);
  SetUsePatTSig(store_, ui->chkUsePatTSig->isChecked());
}

void TfrmCfgStyle::FlamChanged(int32_t value) {
  if (!created_) return;
  ui->lblFlamPercent->setText(Q(FlamLabel(value)));
  SetFlamSpeed(store_, value);
}

void TfrmCfgStyle::VelVarChanged(int32_t value) {
  if (!created_) return;
  ui->lblVelVarPercent->setText(Q(VelVarLabel(value)));
  SetVelVar(store_, value);
}

void TfrmCfgStyle::RowOnClick(int32_t row) {
  ClosePendingEdits(false, true);
  if (row < 1 || row >= kStyleRows)
    return ReportDesignError("HandleDynamicControls error: Unexpected chkNotes I: " + std::to_string(row));
  if (SetRowOn(store_, row, chkNotes[row - 1]->isChecked())) DisplayPatternGrid(false);
}

void TfrmCfgStyle::NoteListPick(int32_t row, int32_t index) {
  ClosePendingEdits(false, true);
  SetRowNote(store_, row, 127 - index);
}

void TfrmCfgStyle::VelChanged(int32_t row, int32_t value, bool accent) {
  if (!created_ || row < 1 || row >= kStyleRows) return;
  (accent ? tbAccVels : tbVels)[row - 1]->setToolTip(QString::number(value));
  SetRowLevel(store_, row, accent, value);
}

void TfrmCfgStyle::AccentClick() {
  ClosePendingEdits(false, true);
  if (SetAccentEnabled(store_, ui->chkAccent->isChecked())) DisplayPatternGrid(false);
}

void TfrmCfgStyle::GMNamesClick() {
  ClosePendingEdits(false, true);
  SetDspGMNames(store_, ui->chkDspGMNames->isChecked());
  FillNoteLists();
}

void TfrmCfgStyle::ResetNotesClick() {
  ClosePendingEdits(false, true);
  const std::string what = traits_.Ties ? "bass notes" : "drum instruments";
  if (ShowMessage("About to reset all " + what +
                      " to factory settings, ok?\r\n(on/off settings will remain unchanged)",
                  MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes)
    return;
  ResetRowMap(store_, false);
  LoadControls();
}

void TfrmCfgStyle::ResetVelsClick() {
  ClosePendingEdits(false, true);
  const std::string what = traits_.Ties ? "bass" : "drum";
  if (ShowMessage("About to reset all " + what + " levels to factory settings, ok?", MsgKind::Confirmation,
                  MsgButtons::YesNo) != MsgAnswer::Yes)
    return;
  ResetRowMap(store_, true);
  LoadControls();
}

void TfrmCfgStyle::ShowChainsClick() {
  ClosePendingEdits(false, true);
  SetShowChains(store_, ui->sbtnShowChains->isChecked());
  ShowGroups(true);
}

void TfrmCfgStyle::ShowPatternsClick() {
  ClosePendingEdits(false, true);
  SetShowPatterns(store_, ui->sbtnShowPatterns->isChecked());
  ShowGroups(false);
}

// ---------------------------------------------------------------------------------------------------
// Events

bool TfrmCfgStyle::event(QEvent* e) {
  if (ShowStatusHint(*this, *ui->stbStatus, e)) return true;
  if (e->type() == QEvent::WindowActivate) {
    main_.Views().ApplyActiveWindowHints(this);
    // Coming back to the window drops what was left open in it. Back from a box of its own (the
    // time signature's error) is no such return: that editor stays open to be put right.
    if (!deactivatedByBox_) ClosePendingEdits(false, true);
    deactivatedByBox_ = false;
  }
  if (e->type() == QEvent::WindowDeactivate) {
    ui->stbStatus->clearMessage();
    deactivatedByBox_ = QApplication::activeModalWidget() != nullptr;
  }
  return TCfgWindow::event(e);
}

bool TfrmCfgStyle::EditorEvent(TEditor editor, QEvent* e) {
  // Focus loss cancels, as Escape does; Enter accepts (returnPressed).
  if (e->type() == QEvent::FocusOut && !closingEditor_) CloseEditor(editor);
  if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape) return false;
  CloseEditor(editor);
  return true;
}

bool TfrmCfgStyle::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  for (TEditor ed : {TEditor::StyleName, TEditor::PatName, TEditor::TSigSteps})
    if (watched == Parts(*ui, ed).Edit) return EditorEvent(ed, e);
  if (type == QEvent::MouseButtonDblClick) {
    if (watched == ui->lblvStyleName) OpenEditor(TEditor::StyleName);
    if (watched == ui->lblvPatName) OpenEditor(TEditor::PatName);
    if (watched == ui->lblvPatTSigSteps) OpenEditor(TEditor::TSigSteps);
    return false;
  }
  if (type != QEvent::MouseButtonPress) return false;
  return MouseDown(watched, static_cast<QMouseEvent*>(e));
}

bool TfrmCfgStyle::MouseDown(QObject* watched, QMouseEvent* me) {
  auto* label = qobject_cast<QLabel*>(watched);
  if (watched == ui->lblvGridAccent) {
    GridMouseDown(0, int32_t(me->position().x()) - label->contentsRect().left(), me->button());
    return true;
  }
  for (int32_t r = 1; r < kStyleRows; ++r)
    if (watched == lblvGridSteps[r - 1]) {
      GridMouseDown(r, int32_t(me->position().x()) - label->contentsRect().left(), me->button());
      return true;
    }
  for (int32_t c = 0; c < kChainCount; ++c)
    for (int32_t s = 0; s < kChainStepCount; ++s)
      for (int32_t col = 0; col < kChainColumns; ++col)
        if (watched == ChainCells[c][s][col]) {
          ChainCellMouseDown(c, s, col, me->button());
          return true;
        }
  if (watched == ui->lblStyles || watched == ui->lblMains || watched == ui->lblBreaks) {
    ClosePendingEdits(false, true);
  } else if (watched == ui->grpStyles || watched == ui->grpChains) {
    ClosePendingEdits(false, false);
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// Hints

void TfrmCfgStyle::SetHints() {
  const bool bass = traits_.Ties;
  const struct {
    QWidget* w;
    std::string hint;
  } hints[] = {
      {ui->lblvStyleName, "Current style; double-click to edit name"},
      {ui->lblvPatName, "Current pattern; double-click to edit name"},
      {ui->lblvPatTSigSteps, "Pattern time sig & no. of grid steps; double-click to edit either value"},
      {ui->sbtnShowChains, "Show/hide chain/song settings"},
      {ui->sbtnShowPatterns,
       bass ? "Show/hide pattern & note settings" : "Show/hide pattern & instrument settings"},
      {ui->sbtnCfgMetr, "Metronome seq no., MIDI channels, gate/note-time & visible attribs"},
      {ui->chkChainOn, "Turn on chain mode (selection & editing disabled)"},
      {ui->chkUsePatTSig, "Force pattern time-sigs to override main time-sig"},
      {ui->sbtnRandStyle, "Select a style & main pattern at random (run-time 'metr 99')"},
      {ui->sbtnTriggerBreak, "Trigger a single break cycle using last-used break no. (run-time 'metr /')"},
      {ui->lblStyles, "Style list; copied to chain if title highlighted"},
      {ui->lblMains, "Main patterns; copied to chain if title highlighted"},
      {ui->lblBreaks, "Break patterns; copied to chain if title highlighted"},
      {ui->lstPatStyles, "Select style (run-time metr command); double-click to edit name"},
      {ui->lstPatMains, "Select main pattern (run-time metr command); double-click to edit name"},
      {ui->lstPatBreaks, "Select break pattern (run-time metr command); double-click to edit name"},
      {ui->edtStyleName, "Enter name for this style, max 10 chars; press enter to accept"},
      {ui->edtPatName, "Enter name for this pattern, max 7 chars; press enter to accept"},
      {ui->edtPatTSigSteps, "Enter pattern time sig or no. of grid steps or both; press enter to accept"},
      {ui->sbtnAddStyle, "Add empty style to end of style list"},
      {ui->sbtnInsStyle, "Insert empty style before current style posn"},
      {ui->sbtnDelStyle, "Delete current style and all its main & break patterns"},
      {ui->sbtnAddMain, "Add empty pattern to end of main list"},
      {ui->sbtnInsMain, "Insert empty pattern before current posn in main list"},
      {ui->sbtnDelMain, "Delete current main pattern"},
      {ui->sbtnAddBreak, "Add empty pattern to end of break list"},
      {ui->sbtnInsBreak, "Insert empty pattern before current posn in break list"},
      {ui->sbtnDelBreak, "Delete current break pattern"},
      {ui->sbtnRevertPat,
       "Restore current pattern grid contents prior to editing; only available until pattern no. changes"},
      {ui->sbtnCutPat, "Copy current pattern contents to clipboard and delete pattern"},
      {ui->sbtnCopyPat, "Copy current pattern contents to clipboard"},
      {ui->sbtnPastePat, "Paste clipboard into current pattern; click Revert to undo"},
      {ui->lblvGridAccent, "Accented pattern steps; left-click to edit, click Revert to undo"},
      {ui->chkAccent, "Enable/ignore accented steps; global for all patterns"},
      {ui->lblVels, "Velocity for each beat; global for all patterns"},
      {ui->lblAccVels,
       "Velocity for each accented beat; global for all patterns; only applicable if pattern contains "
       "accented "
       "steps"},
      {ui->tbVelVarPercent, "Amount of random velocity variation between notes; global for all patterns"},
      {ui->tbFlamPercent,
       "Move flam/grace-note closer to main beat; global for all patterns; only applicable if pattern "
       "contains "
       "flam steps"},
      {ui->sbtnResetNotes, bass ? "Reset all note assignments to factory settings"
                                : "Reset all instrument/note assignments to factory settings"},
      {ui->sbtnResetVels, "Reset all velocities and accent velocities to factory settings"},
      {ui->chkDspGMNames, "Show General MIDI drum assignment names in addition to the MIDI note name"},
      {ui->grpChains->findChild<QLabel*>("lblChainTitle0"),
       "Style for each step in chain (if different from previous)"},
      {ui->grpChains->findChild<QLabel*>("lblChainTitle1"), "Pattern for each step in chain"},
      {ui->grpChains->findChild<QLabel*>("lblChainTitle2"), "No. of repeats for each step in chain"},
      {ui->grpChains->findChild<QLabel*>("lblChainTitle3"), "Target chain no. after step finishes"},
  };
  for (const auto& h : hints) h.w->setStatusTip(Q(h.hint));
  SetRowAndCellHints();
}

void TfrmCfgStyle::SetRowAndCellHints() {
  const bool bass = traits_.Ties;
  const char* inst = bass ? "note" : "instrument";
  const std::string rowHint =
      std::string(bass ? "Note" : "Instrument/note") + " mapping; global for all patterns";
  for (int32_t i = 0; i < kStyleInstRows; ++i) {
    cboNotes[i]->setStatusTip(Q(rowHint));
    chkNotes[i]->setStatusTip(Q("Enable/mute " + std::string(inst) + "; global for all patterns"));
    tbVels[i]->setStatusTip(ui->lblVels->statusTip());
    tbAccVels[i]->setStatusTip(ui->lblAccVels->statusTip());
    lblvGridSteps[i]->setStatusTip(Q("Pattern steps for each " + std::string(inst) +
                                     "; left/right-click to edit, click Revert to undo"));
  }
  const char* cellHints[kChainColumns] = {
      "Style for this step (if different from previous); click to toggle chain edit mode",
      "Pattern for this step; click to toggle chain edit mode",
      "No. of repeats for this step; left/right-click to dec/inc value",
      "Jump to start of specified chain then return; left/right-click to dec/inc value"};
  for (auto& chain : ChainCells)
    for (auto& step : chain)
      for (int32_t col = 0; col < kChainColumns; ++col) step[col]->setStatusTip(cellHints[col]);
  for (int32_t c = 0; c < kChainCount; ++c)
    sbtnChainNoStart[c]->setStatusTip("Current chain number; click to set chain start");
}

}  // namespace vel
