#include "keymapper/forms/KeyMapper.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>

#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "keymapper/KeyMapLists.h"
#include "keymapper/forms/KeyGrid.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FitFont.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/Settings.h"
#include "settings/forms/StatusHints.h"

namespace vel {

namespace {
constexpr int32_t kHdrTop = 50;
constexpr int32_t kHdrWidth = 152;
constexpr int32_t kHdrHeight = 352;
constexpr int32_t kScrollTop = kHdrTop + kHdrHeight + 1;
constexpr int32_t kScrollHeight = 19;
constexpr int32_t kComboHintWidth = 260;

// A mode list that widens again to its full width each time the user drops it down.
class TModeComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;
  void showPopup() override {
    if (BeforePopup) BeforePopup();
    QComboBox::showPopup();
  }
};

// A control's hint: a tool tip, and the status bar's text while the window is active.
void SetHint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

QToolButton* Button(QWidget* parent, const char* name, const QString& text, QRect r, const char* hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setGeometry(r);
  if (hint) SetHint(b, hint);
  return b;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QPoint at, bool bold = false) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(at);
  l->setAutoFillBackground(true);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  l->adjustSize();
  return l;
}
TSavedPlace SavedPlace() {
  return {&Cfg.WindowKeyMapperLeft, &Cfg.WindowKeyMapperTop, &Cfg.WindowKeyMapperWidth,
          &Cfg.WindowKeyMapperHeight};
}

}  // namespace

TfrmKeyMapper::TfrmKeyMapper(TfrmMain& main) : QWidget(&main, Qt::Tool), main_(main) {
  KeepSavedPlace(this, SavedPlace());
  setObjectName("frmKeyMapper");
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFocusPolicy(Qt::StrongFocus);
  // The design's small font: eleven pixels, so that the texts fit their places.
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);
  Widths = KeyMapperWidthsFor(screen() ? screen()->geometry().width() : 1024);
  auto* warning =
      Label(this, "lblWarning", "Warning: leaving this key mapper window open may impact timing", {8, 2});
  SetFgColour(warning, QColor(128, 0, 0));
  QLabel* help1 = Label(
      this, "lblHelp1",
      "To change maps, scroll left/right to reqd. key (press MIDI key to confirm) & click reqd. entry; 'p' = "
      "playable live, 'r' = recordable, 'sr' = step recordable, ' ' = key ignored in that mode",
      {8, 17});
  QLabel* help2 =
      Label(this, "lblHelp2",
            "Clicking anywhere in key columns defines the 'current key'.  Click key number in column "
            "header to toggle direction for prefill buttons",
            {8, 32});
  // The help lines show whole within the window, as far in from its right edge as from its left.
  for (QLabel* help : {help1, help2}) {
    help->setFont(FitFont(help->font(), help->text(), Widths.WindowWidth - 2 * help->x()));
    help->adjustSize();
  }
  MakeHeader();
  Grid = new TKeyGrid(this);
  Grid->setGeometry(kHdrWidth, kHdrTop, Widths.WindowWidth - kHdrWidth, kHdrHeight);
  Grid->SetColWidth(Widths.KeyColWidth);
  Grid->Pressed = [this](int32_t key, int32_t hit) { GridPressed(key, hit); };
  Grid->installEventFilter(this);
  MakeScrollPanel();
  auto* status = stbStatus = new QStatusBar(this);
  status->setObjectName("stbStatus");
  status->setSizeGripEnabled(false);
  const int32_t statusHeight = status->sizeHint().height();
  KmClientHeight = kScrollTop + kScrollHeight + statusHeight;
  status->setGeometry(0, KmClientHeight - statusHeight, Widths.WindowWidth, statusHeight);
  MakeCombos();
  setFixedSize(Widths.WindowWidth, KmClientHeight);
  SelectCurrentKey(0, false);
  SetFirstVisibleKey(36);
  registration_ = Windows().Register(*this);
}

TfrmKeyMapper::~TfrmKeyMapper() {
  registration_.Reset();
  Showing.KeyMapperShowing = 0;
}

void TfrmKeyMapper::MakeHeader() {
  auto* hdr = new QFrame(this);
  hdr->setObjectName("pnlHdr");
  hdr->setFrameStyle(QFrame::Panel | QFrame::Raised);
  hdr->setGeometry(0, kHdrTop, kHdrWidth, kHdrHeight);
  hdr->installEventFilter(this);
  lblKey = Label(hdr, "lblKey", "Key no.", {86, TKeyGrid::kKeyNoTop}, true);
  SetHint(lblKey, "MIDI key no. 0-127");
  SetHint(Label(hdr, "lblNote", "Note", {102, TKeyGrid::kNoteTop}, true),
          "Note name & octave no. using the octave numbering convention where middle C is C3");
  Label(hdr, "lblMode", "Modes", {77, 47});
  sbtnLabelColoursReqd =
      Button(hdr, "sbtnLabelColoursReqd", "Colours", {5, 5, 45, 17}, "Use template label colours");
  sbtnLabelHintsReqd =
      Button(hdr, "sbtnLabelHintsReqd", "Hints", {5, 25, 45, 17}, "Use hints in label drop-down lists");
  // A left-right arrow: widen to the screen or back.
  sbtnWidth = Button(hdr, "sbtnWidth", QString(QChar(0x2194)), {59, 5, 18, 17}, "Expand/shrink window width");
  for (QToolButton* b : {sbtnLabelColoursReqd, sbtnLabelHintsReqd}) b->setCheckable(true);
  sbtnLabelHintsReqd->setChecked(true);
  QObject::connect(sbtnLabelColoursReqd, &QToolButton::clicked, this, [this] { ToggleColours(); });
  QObject::connect(sbtnLabelHintsReqd, &QToolButton::clicked, this, [this] { ToggleHints(); });
  QObject::connect(sbtnWidth, &QToolButton::clicked, this, [this] { ToggleWidth(); });
  for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
    const TKeyMapperRowDef& d = KeyMapperRowDefs()[std::size_t(r)];
    RowLabels[std::size_t(r)] = Label(hdr, d.Label, d.Caption, {78, d.Top}, true);
    SetHint(RowLabels[std::size_t(r)], d.Hint);
  }
  MakePrefillButtons(hdr);
}

void TfrmKeyMapper::MakePrefillButtons(QWidget* hdr) {
  SetHint(Label(hdr, "lblPrefill", "Prefill", {21, 47}), "Prefill/reset individual mode maps");
  sbtnResetAll =
      Button(hdr, "sbtnResetAll", "Reset", {59, 25, 36, 17}, "Reset all modes (rows) to factory settings");
  QObject::connect(sbtnResetAll, &QToolButton::clicked, this, [this] {
    HideModeCombos();
    main_.Files().ResetKeyMapsToFactory();
  });
  sbtnPrefillWarningReqd =
      Button(hdr, "sbtnPrefillWarningReqd", "!!", {5, 46, 13, 15}, "Disable prefill safety warning prompts");
  sbtnPrefillWarningReqd->setCheckable(true);
  QObject::connect(sbtnPrefillWarningReqd, &QToolButton::clicked, this, [this] { TogglePrefillWarnings(); });
  for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
    const TPrefillRow& p = PrefillRows()[std::size_t(r)];
    const int32_t top = KeyMapperRowDefs()[std::size_t(r)].Top - 2;
    const std::string name = std::string("sbtn") + p.Name;
    auto add = [&](const char* suffix, const char* caption, int32_t left, const std::string& hint) {
      QToolButton* b = Button(hdr, (name + suffix).c_str(), caption, {left, top, 15, 17}, hint.c_str());
      PrefillButtons.push_back(b);
      return b;
    };
    for (TPrefillFn fn : {TPrefillFn::Ignore, TPrefillFn::Play, TPrefillFn::Rec}) {
      if (fn == TPrefillFn::Rec && p.RecCode == 0) continue;
      const char* suffix = fn == TPrefillFn::Ignore ? "Ignore" : fn == TPrefillFn::Play ? "Play" : "Rec";
      const char* caption = fn == TPrefillFn::Ignore ? "-" : fn == TPrefillFn::Play ? "p" : p.RecLabel;
      const int32_t left = fn == TPrefillFn::Ignore ? 5 : fn == TPrefillFn::Play ? 22 : 39;
      QObject::connect(add(suffix, caption, left, PrefillHint(p, fn)), &QToolButton::clicked, this,
                       [this, r, fn] { PrefillModeKeys(r, fn); });
    }
    QObject::connect(add("Factory", "R", 59, FactoryHint(p)), &QToolButton::clicked, this,
                     [this, r] { ResetModeKeys(r); });
  }
  UpdatePrefillButtons();
}

void TfrmKeyMapper::PrefillModeKeys(int32_t row, TPrefillFn fn) {
  HideModeCombos();
  const TPrefillRange range = PrefillRange(KmCurrentKey, Cfg.InPortOctaveOffset[0], KmPrefillUp);
  if (!range.InMap) {
    ShowMessage(KeyOutOfRangeText(KmCurrentKey), MsgKind::Warning);
    return;
  }
  const TPrefillRow& p = PrefillRows()[std::size_t(row)];
  if (!ConfirmPrefill(range.From, range.To, p.ModeWord)) return;
  SetKeyFnRange(KeyMapperScreenRows[std::size_t(row)], range.From, range.To, PrefillCode(p, fn),
                PrefillLabel(p, fn));
  RefreshKeyMapViews();
}

void TfrmKeyMapper::ResetModeKeys(int32_t row) {
  HideModeCombos();
  const TPrefillRow& p = PrefillRows()[std::size_t(row)];
  if (!ConfirmPrefill(-1, -1, p.ModeWord)) return;
  p.Factory();
  RefreshKeyMapViews();
}

bool TfrmKeyMapper::ConfirmPrefill(int32_t from, int32_t to, const std::string& modeWord) {
  if (!KmPrefillWarnings) return true;
  const std::string text = PrefillQuestion(from, to, modeWord, Cfg.StandardMode != 0, KmPrefillHintShown);
  return ShowMessage(text, MsgKind::Warning, MsgButtons::YesNo) == MsgAnswer::Yes;
}

void TfrmKeyMapper::TogglePrefillWarnings() {
  HideModeCombos();
  KmPrefillWarnings = !KmPrefillWarnings;
  UpdatePrefillButtons();
}

void TfrmKeyMapper::UpdatePrefillButtons() {
  sbtnPrefillWarningReqd->setChecked(!KmPrefillWarnings);
  const QColor c = KmPrefillWarnings ? QColor() : ToQColor(Cfg.ClStWarning, palette());
  SetFgColour(sbtnPrefillWarningReqd, c.isValid() ? c : palette().color(QPalette::ButtonText));
  for (QToolButton* b : PrefillButtons)
    SetFgColour(b, c.isValid() ? c : palette().color(QPalette::ButtonText));
}

void TfrmKeyMapper::MakeScrollPanel() {
  auto* pnl = new QFrame(this);
  pnl->setObjectName("pnlScrollKbd");
  pnl->setGeometry(kHdrWidth, kScrollTop, 262, kScrollHeight);
  pnl->installEventFilter(this);
  Label(pnl, "Label1", "Scroll octaves", {2, 2});
  Label(pnl, "Label2", "Keys", {140, 2});
  const struct {
    const char* name;
    QChar arrow;
    int32_t left, n;
  } steps[] = {{"udScrollOctaveDown", QChar(0x25C0), 80, -12},
               {"udScrollOctaveUp", QChar(0x25B6), 106, 12},
               {"udScrollKeyDown", QChar(0x25C0), 166, -1},
               {"udScrollKeyUp", QChar(0x25B6), 184, 1}};
  for (const auto& s : steps) {
    QToolButton* b =
        Button(pnl, s.name, QString(s.arrow), {s.left, 0, s.n == 12 || s.n == -12 ? 26 : 16, 18}, nullptr);
    const int32_t n = s.n;
    QObject::connect(b, &QToolButton::clicked, this, [this, n] { ScrollKeyGrid(n); });
  }
  sbtnSaveConfig =
      Button(pnl, "sbtnSaveConfig", "Save", {226, 1, 33, 17}, "Save all settings to default config file");
  QObject::connect(sbtnSaveConfig, &QToolButton::clicked, this,
                   [this] { main_.Files().SaveDefaultConfig(); });
}

void TfrmKeyMapper::MakeCombos() {
  for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
    auto* c = new TModeComboBox(this);
    c->BeforePopup = [this, c] { DropDownModeCombo(c); };
    c->setObjectName(QString::fromLatin1(ModeComboOf(KeyMapperScreenRows[std::size_t(r)]).Name.data()));
    c->hide();
    c->installEventFilter(this);
    // Only a user's pick edits a map: preselecting and refilling change the index too.
    QObject::connect(c, &QComboBox::activated, this, [this, r](int index) { PickModeItem(r, index); });
    Combos[std::size_t(r)] = c;
  }
  FillModeCombos();
}

void TfrmKeyMapper::FillModeCombos() {
  for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
    QComboBox* c = Combos[std::size_t(r)];
    const int keep = c->currentIndex();
    c->clear();
    for (const std::string& t :
         ModeComboItemTexts(ModeComboOf(KeyMapperScreenRows[std::size_t(r)]), KmLabelHints))
      c->addItem(QString::fromLatin1(t.data(), qsizetype(t.size())));
    c->setCurrentIndex(keep);
  }
}

void TfrmKeyMapper::On(TTopic topic) {
  if (!isVisible()) return;
  if (topic == TTopic::KeyMaps) {
    // The maps changed (an edit here, a load, the factory maps): new labels, and the live key's
    // lamp shown again over them.
    FillLabels();
    RaiseTopic(TTopic::LiveKey);
  } else if (topic == TTopic::KeyMode) {
    Keys.KeyModeShown = Keys.KeyMode.load();
  } else if (topic == TTopic::LiveKey) {
    // The status display drops what its request returns, so the window reports its own error.
    const std::string err = UpdateMidiKeyDsp();
    if (!err.empty()) ReportDesignError(err);
  }
}

void TfrmKeyMapper::Answer(TWindowCalls& calls) {
  calls.Refresh.CloseKeyMapWindows = [this] { close(); };
}

void TfrmKeyMapper::Open(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
  RestoreSavedPlace(this, SavedPlace());
  show();
  raise();
  activateWindow();
  if (!opened_) {
    opened_ = true;
    SetFirstVisibleKey(Cfg.InPortLiveCmdKey[0]);
  }
  Keys.KeyModeShown = Keys.KeyMode.load();
  RaiseTopic(TTopic::LiveKey);
}

void TfrmKeyMapper::FillLabels() {
  const auto family = vel::FillKeyMapperLabels();
  std::array<std::array<std::string, 128>, KeyMapperRowCount> screen;
  for (int32_t f = 0; f < KeyMapperRowCount; ++f)
    screen[std::size_t(ScreenRowOf(KeyMapperRows[std::size_t(f)]))] = family[std::size_t(f)];
  Grid->SetCaptions(screen);
}

void TfrmKeyMapper::SetFirstVisibleKey(int32_t key) {
  HideModeCombos();
  Grid->SetFirstKey(std::clamp(key, 0, 127));
}

void TfrmKeyMapper::ScrollKeyGrid(int32_t n) {
  const int32_t first = ScrollFirstKey(Grid->FirstKey(), n);
  if (first != Grid->FirstKey()) SetFirstVisibleKey(first);
}

void TfrmKeyMapper::SelectCurrentKey(int32_t key, bool toggle) {
  HideModeCombos();
  if (key != KmCurrentKey)
    KmCurrentKey = key;
  else if (toggle)
    KmPrefillUp = !KmPrefillUp;
  Grid->SetMarks(KeyNoMarks(KmCurrentKey, KmPrefillUp), KmCurrentKey);
}

std::string TfrmKeyMapper::UpdateMidiKeyDsp() {
  const TKeyMapperDsp d =
      KeyMapperDsp(KeyMapperGridCells(), KmLabelColours, uint8_t(Keys.KeyModeShown.load()),
                   uint8_t(Keys.KeyModeShownPrev.load()), Showing.LastLiveKey.load());
  const QPalette& pal = palette();
  SetBgColour(lblKey, ToQColor(d.LitRow == kGridRowKeyNo ? clAqua : clBtnFace, pal));
  for (int32_t r = 0; r < KeyMapperRowCount; ++r)
    SetBgColour(RowLabels[std::size_t(r)], ToQColor(d.LitRow == r ? clAqua : clBtnFace, pal));
  Grid->SetDsp(d);
  return d.ErrText;
}

void TfrmKeyMapper::HideModeCombos() {
  for (QComboBox* c : Combos)
    if (c) c->hide();
  KmComboShowing = false;
}

int32_t TfrmKeyMapper::GridLeft() const {
  return Grid->x();
}

void TfrmKeyMapper::GridPressed(int32_t key, int32_t hit) {
  if (hit >= 0) {
    ModeCellMouseDown(hit, key);
  } else if (hit == TKeyGrid::kHitKeyNo) {
    SelectCurrentKey(key, true);
  } else {
    SelectCurrentKey(key, false);
  }
}

void TfrmKeyMapper::ModeCellMouseDown(int32_t row, int32_t key) {
  SelectCurrentKey(key, false);
  ShowModeCombo(row, GridLeft() + (key - Grid->FirstKey()) * Widths.KeyColWidth - Widths.KeyColOffset);
}

void TfrmKeyMapper::ShowModeCombo(int32_t row, int32_t left) {
  HideModeCombos();
  const int32_t w = KmLabelHints ? kComboHintWidth : Widths.KeyColWidth;
  const int32_t l = FitComboLeft(left, w, Grid->x() + Grid->width(), Widths.KeyColWidth);
  if (l < 0) {
    ShowMessage(ComboTooNarrowText(KmLabelHints), MsgKind::Error);
    return;
  }
  QComboBox* c = Combos[std::size_t(row)];
  const QRect cell = Grid->CellRect(KmCurrentKey, row);
  c->setGeometry(l, kHdrTop + cell.top() - 2, w, c->sizeHint().height());
  const std::string& caption = Grid->Caption(row, KmCurrentKey);
  const TModeCombo& combo = ModeComboOf(KeyMapperScreenRows[std::size_t(row)]);
  if (caption == " ") {
    c->setCurrentIndex(0);
  } else {
    for (std::size_t i = 0; i < combo.Items.size(); ++i)
      if (combo.Items[i].Token == caption) {
        c->setCurrentIndex(int(i));
        break;
      }
  }
  c->show();
  c->raise();
  KmComboLeft = left;
  KmComboShowing = true;
}

void TfrmKeyMapper::DropDownModeCombo(QComboBox* c) {
  const int32_t w = KmLabelHints ? kComboHintWidth : Widths.KeyColWidth;
  const int32_t l = FitComboLeft(KmComboLeft, w, Grid->x() + Grid->width(), Widths.KeyColWidth);
  if (l < 0) {
    ShowMessage(ComboTooNarrowText(KmLabelHints), MsgKind::Error);
    return;
  }
  c->setGeometry(l, c->y(), w, c->height());
}

void TfrmKeyMapper::PickModeItem(int32_t row, int32_t index) {
  const int32_t m = KmCurrentKey - 12 * Cfg.InPortOctaveOffset[0];
  const TModeCombo& combo = ModeComboOf(KeyMapperScreenRows[std::size_t(row)]);
  if (m >= 0 && m <= 127 && index >= 0 && std::size_t(index) < combo.Items.size()) {
    const std::string label =
        KeyFnFromComboItem(combo.ModeType, KmCurrentKey, combo.Items[std::size_t(index)]);
    Grid->SetCaption(row, KmCurrentKey, label);
    QComboBox* c = Combos[std::size_t(row)];
    c->setGeometry(KmComboLeft, c->y(), Widths.KeyColWidth, c->height());
  } else {
    HideModeCombos();
    ShowMessage(KeyOutOfRangeText(KmCurrentKey), MsgKind::Warning);
  }
  RefreshKeyMapViews();
}

void TfrmKeyMapper::ToggleColours() {
  HideModeCombos();
  KmLabelColours = !KmLabelColours;
  sbtnLabelColoursReqd->setChecked(KmLabelColours);
  UpdateMidiKeyDsp();
}

void TfrmKeyMapper::ToggleHints() {
  HideModeCombos();
  KmLabelHints = !KmLabelHints;
  sbtnLabelHintsReqd->setChecked(KmLabelHints);
  FillModeCombos();
  UpdateMidiKeyDsp();
}

void TfrmKeyMapper::ToggleWidth() {
  HideModeCombos();
  const int32_t screenWidth = screen() ? screen()->geometry().width() : Widths.WindowWidth;
  if (width() != screenWidth) {
    setFixedSize(screenWidth, KmClientHeight);
    move(0, y());
  } else {
    setFixedSize(Widths.WindowWidth, KmClientHeight);
    move((screenWidth - Widths.WindowWidth) / 2, y());
  }
}

void TfrmKeyMapper::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Showing.KeyMapperShowing = 1;
  Ui().BusyCursor(true);
  FillLabels();
  SelectCurrentKey(KmCurrentKey, false);
  Ui().BusyCursor(false);
}

void TfrmKeyMapper::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  HideModeCombos();
  Showing.KeyMapperShowing = 0;
}

void TfrmKeyMapper::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  HideModeCombos();
  Grid->resize(width() - Grid->x(), kHdrHeight);
  if (auto* status = findChild<QStatusBar*>("stbStatus")) status->resize(width(), status->height());
}

void TfrmKeyMapper::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    HideModeCombos();
    return;
  }
  if (KmComboShowing || Cfg.TemplateQwertyDisabled) return QWidget::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_PageUp:
      ScrollKeyGrid(12);
      break;
    case Qt::Key_PageDown:
      ScrollKeyGrid(-12);
      break;
    case Qt::Key_End:
      SetFirstVisibleKey(127);
      break;
    case Qt::Key_Home:
      SetFirstVisibleKey(0);
      break;
    case Qt::Key_Up:
    case Qt::Key_Right:
      ScrollKeyGrid(1);
      break;
    case Qt::Key_Left:
    case Qt::Key_Down:
      ScrollKeyGrid(-1);
      break;
    default:
      return QWidget::keyPressEvent(event);
  }
}

void TfrmKeyMapper::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (KmComboShowing) return;
  ScrollKeyGrid(event->angleDelta().y() >= 0 ? 1 : -1);
}

void TfrmKeyMapper::mousePressEvent(QMouseEvent* event) {
  HideModeCombos();
  QWidget::mousePressEvent(event);
}

bool TfrmKeyMapper::event(QEvent* event) {
  if (ShowStatusHint(*this, *stbStatus, event)) return true;
  if (event->type() == QEvent::WindowActivate) main_.Views().ApplyActiveWindowHints(this);
  // Leaving the window closes an open list: it would stand over the grid, waiting, meanwhile.
  if (event->type() == QEvent::WindowDeactivate) {
    stbStatus->clearMessage();
    HideModeCombos();
  }
  return QWidget::event(event);
}

bool TfrmKeyMapper::eventFilter(QObject* watched, QEvent* event) {
  // Escape in a list closes it; a press on the header or scroll panel closes the open list.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
      qobject_cast<QComboBox*>(watched)) {
    HideModeCombos();
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress && qobject_cast<QFrame*>(watched)) HideModeCombos();
  return QWidget::eventFilter(watched, event);
}

}  // namespace vel
