#include "mainwindow/forms/QtUiHooks.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cstdint>

#include "base/UiHooks.h"

namespace vel {

namespace {

QMessageBox::Icon IconOf(MsgKind kind) {
  switch (kind) {
    case MsgKind::Information:
      return QMessageBox::Information;
    case MsgKind::Warning:
      return QMessageBox::Warning;
    case MsgKind::Error:
      return QMessageBox::Critical;
    case MsgKind::Confirmation:
      break;
  }
  return QMessageBox::Question;
}

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QMessageBox::Ok;
    case MsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
      break;
  }
  return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

MsgAnswer AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    default:
      return MsgAnswer::Ok;
  }
}

// Beside a box's text: its icon, the spacing and the margins.
constexpr int32_t kIconAndMargins = 120;

QString Text(const std::string& s) {
  // The texts break lines with CR LF; a label wants LF alone.
  return QString::fromStdString(s).replace("\r\n", "\n");
}

// The widest a box's text may be: the toolkit's limit for a box on that screen, less the icon
// and the margins beside the text.
int32_t TextRoom(const QMessageBox& box) {
  const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
  if (!screen) return 0;
  const int32_t width = screen->availableGeometry().width();
  const int32_t boxRoom = width <= 1024 ? width : std::min(width - 480, 1000);
  return boxRoom - kIconAndMargins;
}

}  // namespace

void SetBoxText(QMessageBox& box, const std::string& text) {
  const QString lines = Text(text);
  // The box would wrap any text wider than half the screen, and a wrap may fall inside a word
  // ("[/d<secs>]", "/home/user"): lines the text has placed are kept as they are.
  int32_t widest = 0;
  const QFontMetrics metrics(box.font());
  for (const QString& line : lines.split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
  if (widest > TextRoom(box)) {
    box.setTextFormat(Qt::PlainText);
    box.setText(lines);
    return;
  }
  box.setTextFormat(Qt::RichText);
  box.setText("<p style=\"white-space:pre\">" + lines.toHtmlEscaped() + "</p>");
}

void InstallQtUiHooks() {
  UiHooks& ui = Ui();
  ui.MessageBox = [](const std::string& text, const std::string& caption, MsgKind kind, MsgButtons buttons) {
    QMessageBox box(IconOf(kind), caption.empty() ? QApplication::applicationDisplayName() : Text(caption),
                    QString(), ButtonsOf(buttons), QApplication::activeWindow());
    SetBoxText(box, text);
    return AnswerOf(box.exec());
  };
  ui.BusyCursor = [](bool on) {
    if (on) {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QGuiApplication::overrideCursor()) {
      QGuiApplication::restoreOverrideCursor();
    }
  };
  ui.ProcessEvents = [] { QCoreApplication::processEvents(); };
}

TBusyCursor::TBusyCursor() {
  Ui().BusyCursor(true);
}

TBusyCursor::~TBusyCursor() {
  Ui().BusyCursor(false);
}

}  // namespace vel
