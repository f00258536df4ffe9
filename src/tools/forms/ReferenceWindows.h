#pragma once
// The three read-only reference windows: the virtual keyboard's shortcut help and the General
// MIDI program and drum lists. Each is a sizeable tool window holding one scrolling text box;
// they keep no state, send nothing and read nothing.
#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <vector>

namespace vel {

class TfrmReference : public QWidget {
  Q_OBJECT
 public:
  // width: the design client width, kept as the window's fixed width, or as its maximum when
  // the width may shrink (down to 100); bottom: the room left under the text box.
  TfrmReference(QWidget* parent, const char* name, const QString& caption, QSize design,
                const std::vector<std::string>& lines, bool fixedWidth, int bottom);
  QPlainTextEdit* Text() const { return text_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  QPlainTextEdit* text_;
  int bottom_;
  bool centred_ = false;
};

// Factories keep the captions, sizes and texts in one place.
TfrmReference* MakeQwertyHelp(QWidget* parent);
TfrmReference* MakeGMPrograms(QWidget* parent);
TfrmReference* MakeGMDrums(QWidget* parent);

}  // namespace vel
