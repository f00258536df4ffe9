#include "tools/forms/Template.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <mutex>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "keymaps/KeyLabels.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/ViewMenus.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FitFont.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainStatus.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "styles/forms/CfgStyle.h"
#include "tools/forms/ReferenceWindows.h"
#include "ui_Template.h"

namespace vel {

namespace {

// Long enough for a window manager to frame a newly shown window.
constexpr int32_t kSettleMs = 500;

// The range moves of the key path's thread wait here for the window's thread.
TRangeMoves RangeMoves;
std::mutex WindowMutex;
TfrmTemplate* Window = nullptr;  // guarded by WindowMutex

TRectI ToRect(const QRect& r) {
  return {r.left(), r.top(), r.width(), r.height()};
}

// The grey of the well's and the lit strip's border, as the system draws button faces.
QColor BtnFace(const QPalette& p) {
  return p.color(QPalette::Button);
}

int32_t Radius(int32_t w, int32_t h) {
  return std::min(6, std::min(w, h) / 4);
}

}  // namespace

void MoveTemplateKeyRangeQueued(int32_t keys) {
  // Octave calibrations come at the pace of a hand; a full queue means nobody takes them.
  if (!RangeMoves.Post(keys)) return;
  std::lock_guard lock(WindowMutex);
  if (Window) QMetaObject::invokeMethod(Window, &TfrmTemplate::TakeRangeMoves, Qt::QueuedConnection);
}

// ---- the key row ----

TKeyRowView::TKeyRowView(TfrmTemplate& form) : QWidget(&form), form_(form) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TKeyRowView::THit TKeyRowView::HitTest(QPoint p) const {
  const TfrmTemplate& f = form_;
  const TKeyHeights& h = f.heights_;
  const int32_t left = Cfg.TemplateLeftKeyNo;
  // The label row lies over the keys' top, so it is asked first.
  const bool inLabels = p.y() >= h.LabelRowTop && p.y() < h.LabelRowTop + h.LabelRowHeight;
  const bool inKeys = f.showKeys_ && p.y() >= h.KeyTop && p.y() < h.KeyTop + h.KeySize;
  if (!inLabels && !inKeys) return {};
  for (std::size_t i = 0; i < f.boxes_.size(); ++i) {
    const TKeyBox& b = f.boxes_[i];
    const int32_t key = left + static_cast<int32_t>(i);
    if (inLabels && p.x() >= b.BackLeft && p.x() < b.BackLeft + b.BackWidth)
      return {key, TKeyPart::Label, p.y() - h.LabelRowTop};
    if (!inLabels && p.x() >= b.KeyLeft && p.x() < b.KeyLeft + b.KeyWidth)
      return {key, TKeyPart::Key, p.y() - h.KeyTop};
  }
  return {};
}

QRect TKeyRowView::PartRect(int32_t key, TKeyPart part) const {
  const int32_t i = key - Cfg.TemplateLeftKeyNo;
  if (i < 0 || i >= static_cast<int32_t>(form_.boxes_.size())) return {};
  const TKeyBox& b = form_.boxes_[static_cast<std::size_t>(i)];
  const TKeyHeights& h = form_.heights_;
  if (part == TKeyPart::Label) return {b.BackLeft, h.LabelRowTop, b.BackWidth, h.LabelRowHeight};
  if (part == TKeyPart::Key) return {b.KeyLeft, h.KeyTop, b.KeyWidth, h.KeySize};
  return {};
}

QRegion TKeyRowView::AnimatedRegion() const {
  const TKeyHeights& h = form_.heights_;
  // The lit strips above the labels and the keys below them; the label row stays as it is.
  QRegion r(0, 0, width(), h.LabelRowTop);
  const int32_t keysTop = h.LabelRowTop + h.LabelRowHeight;
  if (form_.showKeys_) r += QRect(0, keysTop, width(), h.KeysHeight - keysTop);
  return r;
}

void TKeyRowView::paintEvent(QPaintEvent* e) {
  const TfrmTemplate& f = form_;
  const TKeyHeights& h = f.heights_;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor face = BtnFace(palette());
  const QPalette& saved = f.main_.SysPalette();
  const int32_t left = Cfg.TemplateLeftKeyNo;
  auto each = [&](auto draw) {
    for (std::size_t i = 0; i < f.boxes_.size(); ++i) {
      const auto key = static_cast<std::size_t>(left) + i;
      if (key < f.keys_.size()) draw(f.boxes_[i], f.keys_[key], f.lights_[key]);
    }
  };
  // Wells and keys: a sunk key uncovers the top of its well in the lit colour.
  if (f.showKeys_) {
    each([&](const TKeyBox& b, const TKeyRowKey& k, const TKeyLight& l) {
      QRect r(b.KeyLeft, h.KeyTop, b.KeyWidth - 1, h.KeySize - 1);
      const int32_t rad = Radius(b.KeyWidth, h.KeySize);
      if (l.Lit && l.Depress > 0) {
        p.setPen(face);
        p.setBrush(ToQColor(l.Colour, saved));
        p.drawRoundedRect(r, rad, rad);
        r.setTop(h.KeyTop + l.Depress);
      }
      p.setPen(Qt::black);
      p.setBrush(k.Key);
      p.drawRoundedRect(r, rad, rad);
    });
  }
  // Lit strips along the window's top.
  each([&](const TKeyBox& b, const TKeyRowKey&, const TKeyLight& l) {
    if (!l.Lit) return;
    p.setPen(face);
    p.setBrush(ToQColor(l.Colour, saved));
    p.drawRoundedRect(QRect(b.KeyLeft, 0, b.KeyWidth - 1, 4), 2, 2);
  });
  // Label backgrounds, sharing their borders, and the labels, unless only the lights changed.
  if (!e->region().intersects(QRect(0, h.LabelRowTop, width(), h.LabelRowHeight))) return;
  each([&](const TKeyBox& b, const TKeyRowKey& k, const TKeyLight&) {
    p.setPen(Qt::black);
    p.setBrush(k.Back);
    p.drawRect(QRect(b.BackLeft, h.LabelRowTop, b.BackWidth - 1, h.LabelRowHeight - 1));
  });
  QFont plain = font();
  QFont bold = font();
  bold.setBold(true);
  each([&](const TKeyBox& b, const TKeyRowKey& k, const TKeyLight&) {
    if (k.Label.isEmpty()) return;
    p.setFont(FitFont(k.Bold ? bold : plain, k.Label, b.BackWidth - 2));
    p.setPen(k.Font);
    p.drawText(QRect(b.BackLeft + 1, h.LabelRowTop + 1, b.BackWidth - 2, h.LabelHeight), Qt::AlignCenter,
               k.Label);
  });
}

void TKeyRowView::mousePressEvent(QMouseEvent* e) {
  const THit hit = HitTest(e->position().toPoint());
  if (hit.Part == TKeyPart::None) {
    form_.BackgroundPressed();
  } else if (e->button() == Qt::LeftButton) {
    form_.KeyMouseDownUp(hit, true);
  }
  e->accept();
}

void TKeyRowView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) form_.KeyMouseDownUp(HitTest(e->position().toPoint()), false);
  e->accept();
}

void TKeyRowView::mouseMoveEvent(QMouseEvent* e) {
  const THit hit = HitTest(e->position().toPoint());
  const bool leftHeld = (e->buttons() & Qt::LeftButton) != 0;
  if (hit.Part == TKeyPart::None) {
    form_.ReleaseMouseNote(leftHeld);
  } else {
    form_.KeyMouseMove(hit, leftHeld);
  }
  e->accept();
}

void TKeyRowView::leaveEvent(QEvent*) {
  form_.ReleaseMouseNote((QGuiApplication::mouseButtons() & Qt::LeftButton) != 0);
}

// ---- the window ----

TfrmTemplate::TfrmTemplate(TfrmMain& main)
    : QWidget(&main, Qt::Tool), ui(std::make_unique<Ui::frmTemplate>()), main_(main) {
  ui->setupUi(this);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  setFocusPolicy(Qt::StrongFocus);
  row_ = new TKeyRowView(*this);
  row_->lower();
  KeepRangeDrawable();
  for (QLabel* l : findChildren<QLabel*>()) l->setAttribute(Qt::WA_TransparentForMouseEvents);
  ui->sbtnWidth->setText(QString::fromUtf8("\u2194"));
  ui->sbtnDock->setText(QString::fromUtf8("\u2913"));
  if (!Docking()) {
    ui->sbtnDock->setEnabled(false);
    ui->sbtnDock->setToolTip("Docking needs an X11 desktop: here the desktop places the windows");
  }
  const QScreen* s = screen();
  resize(s ? s->availableGeometry().width() : 800, 130);
  WireButtons();
  KeepSavedPlace(this, {&Cfg.WindowTemplateLeft, &Cfg.WindowTemplateTop});
  RangeMoves.TakeAll();
  std::lock_guard lock(WindowMutex);
  Window = this;
}

TfrmTemplate::~TfrmTemplate() {
  {
    std::lock_guard lock(WindowMutex);
    Window = nullptr;
  }
  registration_.Reset();
  Showing.TemplateShowing = 0;
}

void TfrmTemplate::KeepRangeDrawable() {
  // A hand-edited range of fewer than 12 keys is not one the buttons and keys could work on; the
  // settings load stores the range after the window is made, so it is checked again at each show
  // and relabelling.
  if (!KeyRangeAllowed(Cfg.TemplateLeftKeyNo, Cfg.TemplateRightKeyNo)) {
    Cfg.TemplateLeftKeyNo = 36;
    Cfg.TemplateRightKeyNo = 72;
  }
}

bool TfrmTemplate::Docking() const {
  return QGuiApplication::platformName() == "xcb";
}

void TfrmTemplate::WireButtons() {
  using O = TRangeOp;
  const std::pair<QToolButton*, O> ops[] = {
      {ui->udLeftNotePrev, O::StretchLeft},  {ui->udLeftNoteNext, O::ShrinkLeft},
      {ui->udRightNotePrev, O::ShrinkRight}, {ui->udRightNoteNext, O::StretchRight},
      {ui->udKbdPrev, O::PanDown},           {ui->udKbdNext, O::PanUp}};
  for (const auto& [b, op] : ops)
    connect(b, &QToolButton::clicked, this, [this, op = op] { ApplyRangeOp(op); });
  const std::array<QToolButton*, 6> octs = {ui->sbtnOct1, ui->sbtnOct2, ui->sbtnOct3,
                                            ui->sbtnOct4, ui->sbtnOct5, ui->sbtnOct6};
  for (int32_t n = 1; n <= 6; ++n)
    connect(octs[std::size_t(n - 1)], &QToolButton::clicked, this, [this, n] { ZoomOctaves(n); });
  connect(ui->sbtnWidth, &QToolButton::clicked, this, [this] { ToggleTemplateWidth(); });
  connect(ui->sbtnDock, &QToolButton::clicked, this, [this](bool on) {
    if (!DockToMain(on)) ui->sbtnDock->setChecked(false);
  });
  connect(ui->sbtnHelp, &QToolButton::clicked, this, [this] { HandleNavKey(kVkSlash, true, false); });
}

void TfrmTemplate::On(TTopic topic) {
  // A key-map change (a reset, a load, a calibration) relabels the keys as a key-mode change does.
  if ((topic == TTopic::KeyLabels || topic == TTopic::KeyMaps || topic == TTopic::KeyMode) &&
      Showing.TemplateShowing != 0)
    UpdateTemplateLabels();
  if (topic == TTopic::KeyColours) SetKeyColours();
}

// ---- showing and closing ----

void TfrmTemplate::ShowTemplateWindow() {
  setWindowTitle(QString::fromStdString(SettingsCaption("Virtual keyboard & template")));
  ApplyStayOnTop();
  const bool first = !isVisible();
  // A window manager frames the window after this and moves it as it likes; until it is done
  // those moves must not drag the main window, and the place under the main window is taken
  // again once the frame's height is known.
  if (first) settling_ = true;
  show();
  if (!first) return;
  const QScreen* s = screen();
  const int32_t screenBottom = s ? s->availableGeometry().bottom() + 1 : 0;
  const QRect mainFrame = main_.frameGeometry();
  bool underMain = Cfg.TemplateDocked != 0;
  if (Cfg.WindowTemplateTop < 0) {
    // No place kept yet: under the main window when the screen has room for it.
    if (screenBottom >= mainFrame.bottom() + 1 + frameGeometry().height()) {
      move(x(), mainFrame.bottom() + 1);
      Cfg.WindowTemplateTop = mainFrame.bottom() + 1;
      underMain = true;
    }
  } else if (!Cfg.TemplateDocked) {
    // The kept place, or centred when it lies on no screen any more.
    if (Cfg.WindowTemplateWidth > 0)
      resize(Cfg.WindowTemplateWidth - (frameGeometry().width() - width()), height());
    MoveToSavedPlace(this, Cfg.WindowTemplateLeft, Cfg.WindowTemplateTop);
  }
  if (!underMain) {
    settling_ = false;
    return;
  }
  QTimer::singleShot(kSettleMs, this, [this] {
    if (settling_) Settle();
    settling_ = false;
  });
}

void TfrmTemplate::Settle() {
  if (main_.Closing() || !isVisible()) return;
  if (Cfg.TemplateDocked) {
    main_.Status().DockTemplateWindow();
    return;
  }
  placing_ = true;
  move(x(), main_.frameGeometry().bottom() + 1);
  Cfg.WindowTemplateTop = frameGeometry().top();
  placing_ = false;
}

void TfrmTemplate::CloseTemplateWindow() {
  close();
}

void TfrmTemplate::ApplyStayOnTop() {
  const bool on = Cfg.TemplateOnTop != 0;
  if (((windowFlags() & Qt::WindowStaysOnTopHint) != 0) == on) return;
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (shown) show();
}

void TfrmTemplate::showEvent(QShowEvent* e) {
  Showing.TemplateShowing = 1;
  Cfg.DspTemplate = 1;
  KeepRangeDrawable();
  BuildKeyGeometry();
  RecolourKeyMaps();
  SetKeyColours();
  UpdateTemplateLabels();
  FormResize();
  ui->sbtnDock->setChecked(Cfg.TemplateDocked != 0);
  QWidget::showEvent(e);
}

void TfrmTemplate::hideEvent(QHideEvent* e) {
  settling_ = false;
  // A key or note held now would never be released.
  ReleaseMouseNote(false);
  qwerty_.ReleaseAll();
  QWidget::hideEvent(e);
}

void TfrmTemplate::closeEvent(QCloseEvent* e) {
  // Closing with the program keeps the keyboard on for the next start.
  if (!main_.Closing()) {
    Showing.TemplateShowing = 0;
    Cfg.DspTemplate = 0;
  }
  e->accept();
}

void TfrmTemplate::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && !isActiveWindow()) {
    qwerty_.ReleaseAll();
    ReleaseMouseNote(false);
  }
  QWidget::changeEvent(e);
}

bool TfrmTemplate::event(QEvent* e) {
  // Moving to the keyboard drops a name or time signature left half-typed in a style window and
  // lets its chain cell go, so the next style picked there is not copied into the chain.
  if (e->type() == QEvent::WindowActivate) {
    if (main_.CfgDrum().isVisible()) main_.CfgDrum().ClosePendingEdits(false, true);
    if (main_.CfgBass().isVisible()) main_.CfgBass().ClosePendingEdits(false, true);
  }
  return QWidget::event(e);
}

// ---- geometry ----

void TfrmTemplate::BuildKeyGeometry() {
  if (Cfg.TemplateKeySize < 0) return;
  const QFontMetrics fm(font());
  const int32_t captionHeight = fm.height() + 1;
  heights_ = BuildKeyHeights(fm.height() + fm.lineSpacing(), Cfg.TemplateKeySize, ui->pnlLeft->height(),
                             captionHeight);
  laidKeySize_ = Cfg.TemplateKeySize;
  const int32_t panelTop = heights_.KeysHeight + 2;
  for (QFrame* pnl : {ui->pnlLeft, ui->pnlMiddle, ui->pnlRight}) pnl->move(pnl->x(), panelTop);
  for (QLabel* l : {ui->lblLeftPanel, ui->lblOctaves, ui->lblSlide, ui->lblDock, ui->lblWidth, ui->lblHelp,
                    ui->lblRightPanel}) {
    l->resize(fm.horizontalAdvance(l->text()) + 4, captionHeight);
    l->move(l->x(), panelTop + ui->pnlLeft->height());
  }
  const int32_t h = Cfg.TemplateShowHelp      ? heights_.HelpHeight
                    : Cfg.TemplateShowButtons ? heights_.ButtonsHeight
                    : Cfg.TemplateShowKeys    ? heights_.KeysHeight
                                              : heights_.LabelsHeight;
  const int32_t minWidth =
      MinClientWidth(ui->pnlLeft->width(), ui->pnlMiddle->width(), ui->pnlRight->width());
  setMinimumSize(minWidth, heights_.LabelsHeight);
  setMaximumHeight(heights_.HelpHeight);
  resize(std::max(width(), minWidth), h);
  FormResize();
}

void TfrmTemplate::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  FormResize();
}

void TfrmTemplate::FormResize() {
  if (laidKeySize_ < 0 || resizing_) return;
  resizing_ = true;
  const TSnappedHeight snap = SnapHeight(heights_, height());
  if (snap.Height != height()) resize(width(), snap.Height);
  resizing_ = false;
  Cfg.TemplateShowHelp = snap.ShowHelp ? 1 : 0;
  Cfg.TemplateShowButtons = snap.ShowButtons ? 1 : 0;
  Cfg.TemplateShowKeys = snap.ShowKeys ? 1 : 0;
  showKeys_ = snap.ShowKeys;
  if (isVisible()) Cfg.WindowTemplateWidth = frameGeometry().width();
  if (!main_.Closing() && Cfg.TemplateDocked && isVisible() && !placing_ && !settling_)
    main_.Views().AlignMainToTemplate(frameGeometry());
  PlacePanels();
  RelayoutKeys();
}

void TfrmTemplate::PlacePanels() {
  const int32_t w = width();
  ui->pnlLeft->move(4, ui->pnlLeft->y());
  ui->pnlRight->move(w - 4 - ui->pnlRight->width(), ui->pnlRight->y());
  ui->pnlMiddle->move((w - ui->pnlMiddle->width()) / 2, ui->pnlMiddle->y());
  auto under = [](QLabel* caption, const QWidget* control) {
    const QPoint at = control->mapTo(caption->parentWidget(), QPoint(0, 0));
    caption->move(at.x() + (control->width() - caption->width()) / 2, caption->y());
  };
  under(ui->lblLeftPanel, ui->udLeftNote);
  under(ui->lblSlide, ui->udKbd);
  under(ui->lblDock, ui->sbtnDock);
  under(ui->lblWidth, ui->sbtnWidth);
  under(ui->lblHelp, ui->sbtnHelp);
  under(ui->lblRightPanel, ui->udRightNote);
  ui->lblOctaves->move(ui->pnlMiddle->x() + ui->sbtnOct1->x() + 2, ui->lblOctaves->y());
}

void TfrmTemplate::RelayoutKeys() {
  if (laidKeySize_ < 0) return;
  const int32_t left = Cfg.TemplateLeftKeyNo, right = Cfg.TemplateRightKeyNo;
  boxes_ = LayoutKeys(left, right, width());
  laidRange_ = {left, right};
  row_->setGeometry(0, 0, width(), showKeys_ ? heights_.KeysHeight : heights_.LabelsHeight);
  const bool buttons = Cfg.TemplateShowButtons != 0, help = Cfg.TemplateShowHelp != 0;
  for (QFrame* pnl : {ui->pnlLeft, ui->pnlMiddle, ui->pnlRight}) pnl->setVisible(buttons);
  for (QLabel* l : {ui->lblLeftPanel, ui->lblOctaves, ui->lblSlide, ui->lblDock, ui->lblWidth, ui->lblHelp,
                    ui->lblRightPanel})
    l->setVisible(help);
  wholeOctaves_ = WholeOctaves(left, right);
  if (buttons) {
    ui->lblLeftNote->setText(QString::fromStdString(KeyNoToNote(left)));
    ui->lblRightNote->setText(QString::fromStdString(KeyNoToNote(right)));
    const std::array<QToolButton*, 6> octs = {ui->sbtnOct1, ui->sbtnOct2, ui->sbtnOct3,
                                              ui->sbtnOct4, ui->sbtnOct5, ui->sbtnOct6};
    for (int32_t n = 1; n <= 6; ++n) {
      QFont f = octs[std::size_t(n - 1)]->font();
      f.setBold(n == wholeOctaves_);
      octs[std::size_t(n - 1)]->setFont(f);
    }
  }
  row_->update();
}

// ---- labels, colours and lights ----

void TfrmTemplate::SetKeyColours() {
  for (int32_t k = 0; k < kVkbdKeys; ++k) {
    TColor c = Cfg.ClKtBgWhiteKeys;
    switch (k % 12) {
      case 0:
        c = Cfg.ClKtBgCKeys;
        break;
      case 1:
      case 3:
      case 6:
      case 8:
      case 10:
        c = Cfg.ClKtBgBlackKeys;
        break;
      default:
        break;
    }
    keys_[std::size_t(k)].Key = ToQColor(c, main_.SysPalette());
  }
  row_->update();
}

void TfrmTemplate::UpdateTemplateLabels() {
  if (!Showing.TemplateShowing) return;
  // A new key length from the settings window reaches the window this way.
  if (Cfg.TemplateKeySize != laidKeySize_) BuildKeyGeometry();
  // So does a range from a settings load.
  KeepRangeDrawable();
  if (laidRange_ != GetTemplateKeyRange()) RelayoutKeys();
  const std::array<TKeyView, 128> views = TemplateKeyViews(vel::Keys.KeyMode);
  for (std::size_t k = 0; k < views.size(); ++k) {
    TKeyRowKey& key = keys_[k];
    key.Label = QString::fromStdString(LabelToMultiLine(views[k].Label)).replace('\r', '\n');
    key.Font = ToQColor(views[k].Font, main_.SysPalette());
    key.Back = ToQColor(views[k].Back, main_.SysPalette());
    key.Bold = false;
  }
  row_->update();
}

void TfrmTemplate::MarkLabel(int32_t key, bool bold) {
  if (key < 0 || key >= kVkbdKeys || keys_[std::size_t(key)].Bold == bold) return;
  keys_[std::size_t(key)].Bold = bold;
  row_->update();
}

void TfrmTemplate::AnimateKeysLocked(int32_t intervalMs) {
  const int32_t port = RunCtl.LivePort;
  if (port < 0 || port >= kPorts) return;
  const int32_t pedal = MidiIn.LiveNoteAux[std::size_t(Live.Chan[std::size_t(port)] & 0x0F)];
  TAnimateArgs a;
  a.IntervalMs = intervalMs;
  a.LiveMode = vel::Keys.KeyMode == TKeyMode::Live;
  a.FullPedal = pedal >= Cfg.CCFullPedalMin;
  a.HalfPedal = pedal >= Cfg.CCHalfPedalMin;
  a.Decay = Cfg.TemplateAnimateDecay;
  a.AnimateSize = Cfg.TemplateAnimateSize;
  a.KeySize = Cfg.TemplateKeySize;
  a.VelSensitive = Cfg.TemplateVelSensitive != 0;
  a.LitColour = Cfg.ClKtBgAnimatedKeys;
  if (AnimateKeys(MidiIn.LiveNoteTable, Cfg.TemplateLeftKeyNo, Cfg.TemplateRightKeyNo, a, lights_))
    Showing.LiveNoteAnyLit = 1;
  // Only the lights and keys change.
  row_->update(row_->AnimatedRegion());
}

// ---- range ----

void TfrmTemplate::SetTemplateKeyRange(int32_t left, int32_t right) {
  if (!KeyRangeAllowed(left, right)) return;
  Cfg.TemplateLeftKeyNo = left;
  Cfg.TemplateRightKeyNo = right;
  if (Showing.TemplateShowing) RelayoutKeys();
}

TKeyRange TfrmTemplate::GetTemplateKeyRange() const {
  return {Cfg.TemplateLeftKeyNo, Cfg.TemplateRightKeyNo};
}

void TfrmTemplate::ApplyRangeOp(TRangeOp op) {
  if (const auto r = vel::ApplyRangeOp(GetTemplateKeyRange(), op)) SetTemplateKeyRange(r->Left, r->Right);
}

void TfrmTemplate::ZoomOctaves(int32_t n) {
  if (const auto r = vel::ZoomOctaves(GetTemplateKeyRange(), n)) SetTemplateKeyRange(r->Left, r->Right);
}

void TfrmTemplate::TakeRangeMoves() {
  for (int32_t keys : RangeMoves.TakeAll())
    if (const auto r = MoveKeyRange(GetTemplateKeyRange(), keys)) SetTemplateKeyRange(r->Left, r->Right);
}

// ---- mouse ----

int32_t TfrmTemplate::Velocity(const TKeyRowView::THit& hit) const {
  const TVelocityRule rule{Cfg.TemplatePosnSensitive != 0, showKeys_, heights_.LabelRowHeight,
                           heights_.KeySize};
  return VelocityFromMouse(rule, hit.Part, hit.Y);
}

void TfrmTemplate::SendMouseNote(int32_t note, bool on, int32_t velocity) {
  VKbdMouseToMidi(Cfg.TemplateChanNo, note, velocity, on);
}

void TfrmTemplate::KeyMouseDownUp(const TKeyRowView::THit& hit, bool down) {
  if (down) {
    if (mouseNote_ >= 0) SendMouseNote(mouseNote_, false, 0);
    mouseNote_ = hit.Key;
    SendMouseNote(hit.Key, true, Velocity(hit));
    return;
  }
  // Only the held key is released: a press that began elsewhere ends nothing.
  const int32_t held = mouseNote_;
  if (hit.Part != TKeyPart::None || held >= 0) mouseNote_ = -1;
  if (held >= 0) SendMouseNote(held, false, hit.Key == held ? Velocity(hit) : 0);
}

void TfrmTemplate::KeyMouseMove(const TKeyRowView::THit& hit, bool leftHeld) {
  if (!leftHeld) {
    // The release went elsewhere (a box, another window): the note ends here.
    ReleaseMouseNote(false);
    mouseNote_ = -2;
    return;
  }
  if (hit.Key == mouseNote_ || mouseNote_ == -2) return;
  if (mouseNote_ >= 0) SendMouseNote(mouseNote_, false, 0);
  mouseNote_ = hit.Key;
  SendMouseNote(hit.Key, true, Velocity(hit));
}

void TfrmTemplate::ReleaseMouseNote(bool leftHeld) {
  if (mouseNote_ < 0) return;
  const int32_t held = mouseNote_;
  mouseNote_ = leftHeld ? -1 : -2;
  SendMouseNote(held, false, 0);
}

void TfrmTemplate::BackgroundPressed() {
  RunEngineOp(ResetNoteDisplays);
}

void TfrmTemplate::mousePressEvent(QMouseEvent* e) {
  BackgroundPressed();
  e->accept();
}

void TfrmTemplate::wheelEvent(QWheelEvent* e) {
  const QPoint at = e->position().toPoint();
  e->accept();
  if (at.x() < 0 || at.x() > width() || at.y() < 0 || at.y() > height()) return;
  // The panels' columns count at any height, and while the panels are hidden.
  const TWheelColumns cols{ui->pnlLeft->x(),       ui->pnlLeft->width(), ui->pnlMiddle->x(),
                           ui->pnlMiddle->width(), ui->udKbd->x(),       ui->udKbd->width()};
  const QPoint d = e->angleDelta();
  const bool forward = (d.y() != 0 ? d.y() : d.x()) >= 0;
  ApplyRangeOp(WheelOp(WheelZoneAt(cols, at.x()), forward));
}

// ---- computer keys ----

bool TfrmTemplate::HandleNavKey(uint8_t virtualKey, bool down, bool ctrl) {
  const TNavKey nav = NavKey(virtualKey, down, ctrl);
  switch (nav.Action) {
    case TNavAction::Range:
      ApplyRangeOp(nav.Op);
      break;
    case TNavAction::FocusMain:
      main_.raise();
      main_.activateWindow();
      break;
    case TNavAction::Help:
      if (TfrmReference* help = main_.QwertyHelp()) {
        help->show();
        help->raise();
        help->activateWindow();
      }
      break;
    case TNavAction::None:
      break;
  }
  return nav.Consumed;
}

bool TfrmTemplate::KeyEvent(QKeyEvent* e, bool down) {
  // Steering keys act before the note keys' filter: they repeat, and Ctrl+F1 has its Ctrl.
  if (!Cfg.TemplateQwertyDisabled) {
    const uint8_t vk = QtKeyToVirtualKey(e->key());
    if (vk != 0 && HandleNavKey(vk, down, (e->modifiers() & Qt::ControlModifier) != 0)) return true;
  }
  return qwerty_.Key(*e, down);
}

void TfrmTemplate::keyPressEvent(QKeyEvent* e) {
  if (KeyEvent(e, true)) {
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

void TfrmTemplate::keyReleaseEvent(QKeyEvent* e) {
  if (KeyEvent(e, false)) {
    e->accept();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

// ---- placement ----

void TfrmTemplate::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (!isVisible()) return;
  // "Centre all windows" undocks without asking the button.
  if (!Cfg.TemplateDocked) ui->sbtnDock->setChecked(false);
  if (settling_) {
    // Only the docked place is kept through the window manager's moves; a window merely
    // opened under the main window takes that place once more when the frame is known.
    if (Cfg.TemplateDocked && !placing_) Settle();
    return;
  }
  if (!main_.Closing() && Cfg.TemplateDocked && !placing_) main_.Views().AlignMainToTemplate(frameGeometry());
}

void TfrmTemplate::PlaceUnderMain(int32_t left, int32_t top, int32_t width) {
  placing_ = true;
  move(left, top);
  resize(std::max(minimumWidth(), width - (frameGeometry().width() - this->width())), height());
  placing_ = false;
}

void TfrmTemplate::ToggleTemplateWidth() {
  const QScreen* s = screen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  TRectI frame = ToRect(frameGeometry()), mainFrame = ToRect(main_.frameGeometry());
  frame.Left -= area.x();
  mainFrame.Left -= area.x();
  TRectI r = vel::ToggleTemplateWidth(frame, area.width(), mainFrame, Cfg.TemplateDocked != 0,
                                      main_.Views().KinetraceAvailWidth());
  r.Left += area.x();
  move(r.Left, y());
  resize(std::max(minimumWidth(), r.Width - (frameGeometry().width() - width())), height());
}

bool TfrmTemplate::DockToMain(bool dock) {
  settling_ = false;  // the user's choice stands from here
  if (!Docking()) return false;
  const QScreen* s = screen();
  const int32_t screenBottom = s ? s->availableGeometry().bottom() + 1 : 0;
  if (!dock) {
    if (Cfg.TemplateDocked) {
      Cfg.TemplateDocked = 0;
      move(x(), UndockedTop(frameGeometry().top(), screenBottom));
    }
    return true;
  }
  const auto at = DockedFrame(ToRect(frameGeometry()), ToRect(main_.frameGeometry()), screenBottom);
  if (!at) {
    if (Trace.DiagFlags) DiagLogTimed("Unable to dock; main window too close to screen border");
    return false;
  }
  Cfg.TemplateDocked = 1;
  PlaceUnderMain(at->Left, at->Top, at->Width);
  return true;
}

// ---- wiring ----

std::unique_ptr<TfrmTemplate> WireTemplateWindow(TfrmMain& main) {
  auto window = std::make_unique<TfrmTemplate>(main);
  TfrmTemplate* w = window.get();
  TStatusDisplay& status = main.Status();
  status.TemplateShow = [w] { w->ShowTemplateWindow(); };
  status.TemplatePlace = [w](int32_t left, int32_t top, int32_t width) {
    w->PlaceUnderMain(left, top, width);
  };
  status.TemplateAnimate = [w](int32_t intervalMs) { w->AnimateKeysLocked(intervalMs); };
  status.TemplateMark = [w](int32_t key, bool bold) { w->MarkLabel(key, bold); };
  // The main window's Virtual keyboard menu, found by name.
  auto item = [&main](const char* name) { return main.findChild<QAction*>(name); };
  if (QAction* show = item("mnuTemplateShow")) {
    show->setEnabled(true);
    QObject::connect(show, &QAction::triggered, w, [&status] { status.ShowTemplateWindow(); });
  }
  if (QAction* hide = item("mnuTemplateHide")) {
    hide->setEnabled(true);
    QObject::connect(hide, &QAction::triggered, w, [w] { w->CloseTemplateWindow(); });
  }
  if (QAction* onTop = item("mnuTemplateOnTop"))
    QObject::connect(onTop, &QAction::triggered, w, [w] { w->ApplyStayOnTop(); });
  return window;
}

}  // namespace vel
