#include "mainwindow/forms/QtUiHooks.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

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

QString Text(const std::string& s) {
  // The texts break lines with CR LF; a label wants LF alone.
  return QString::fromStdString(s).replace("\r\n", "\n");
}

}  // namespace

void InstallQtUiHooks() {
  UiHooks& ui = Ui();
  ui.MessageBox = [](const std::string& text, const std::string& caption, MsgKind kind, MsgButtons buttons) {
    QMessageBox box(IconOf(kind), caption.empty() ? QApplication::applicationDisplayName() : Text(caption),
                    Text(text), ButtonsOf(buttons), QApplication::activeWindow());
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
