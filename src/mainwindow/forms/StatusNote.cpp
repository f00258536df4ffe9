#include "mainwindow/forms/StatusNote.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>

namespace vel {

namespace {

// Long enough to read a path.
constexpr qint64 kNoteHoldMs = 5000;

}  // namespace

TStatusNote::TStatusNote(QMainWindow* window) : QObject(window), window_(window) {
  window_->installEventFilter(this);
}

void TStatusNote::Show(const std::string& text) {
  window_->statusBar()->showMessage(QString::fromStdString(text));
  shown_.start();
}

bool TStatusNote::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::StatusTip && shown_.isValid() &&
      shown_.elapsed() < kNoteHoldMs)
    return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace vel
