#include "tools/forms/ReferenceWindows.h"

#include <QScreen>

#include "tools/ReferenceTexts.h"

namespace vel {

namespace {
constexpr int kMinHeight = 30;
constexpr int kMinQwertyWidth = 100;
constexpr int kMargin = 2;
}  // namespace

TfrmReference::TfrmReference(QWidget* parent, const char* name, const QString& caption, QSize design,
                             const std::vector<std::string>& lines, bool fixedWidth, int bottom)
    : QWidget(parent, Qt::Tool), text_(new QPlainTextEdit(this)), bottom_(bottom) {
  setObjectName(name);
  setWindowTitle(caption);
  text_->setObjectName(QString("redt") + (name + 3));
  text_->setReadOnly(true);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The drum list's tab after a note name: the toolkit's wide default clips the longer drum names.
  text_->setTabStopDistance(text_->fontMetrics().horizontalAdvance("C#10"));
  QStringList all;
  for (const std::string& l : lines) all << QString::fromStdString(l);
  text_->setPlainText(all.join('\n'));
  // The size rules: a list keeps its design width, the help may narrow to 100; both keep 30 high.
  if (fixedWidth)
    setFixedWidth(design.width());
  else {
    setMinimumWidth(kMinQwertyWidth);
    setMaximumWidth(design.width());
  }
  setMinimumHeight(kMinHeight);
  resize(design);
  text_->move(kMargin, kMargin);
}

void TfrmReference::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  text_->resize(width() - 2 * kMargin, height() - kMargin - bottom_);
}

void TfrmReference::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (centred_) return;
  centred_ = true;
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TfrmReference* MakeQwertyHelp(QWidget* parent) {
  return new TfrmReference(parent, "frmQwerty", "Template/Virtual keyboard shortcuts", {278, 551},
                           QwertyHelpLines(), false, 2);
}

TfrmReference* MakeGMPrograms(QWidget* parent) {
  return new TfrmReference(parent, "frmGMPrograms", "GM Program assignments", {208, 400}, GMProgramLines(),
                           true, 0);
}

TfrmReference* MakeGMDrums(QWidget* parent) {
  return new TfrmReference(parent, "frmGMDrums", "GM Drum assignments", {203, 400}, GMDrumLines(), true, 2);
}

}  // namespace vel
