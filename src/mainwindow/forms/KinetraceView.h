#pragma once
// The Kinetrace panel's drawing: the background picture, when one is loaded and shown, and the
// blobs of the sounding notes. It lies inside the panel's frame and draws in the panel's
// coordinates; it repaints only when its blobs or picture change.
#include <QImage>
#include <QPalette>
#include <QWidget>

#include "mainwindow/Kinetrace.h"

namespace vel {

class TKinetraceView : public QWidget {
 public:
  // saved resolves system colours; it must outlive the view.
  TKinetraceView(QWidget* panel, const QPalette* saved);

  // True when the blobs differed from the ones shown, and a repaint was asked for.
  bool SetModel(const TKinetraceModel& model);
  const TKinetraceModel& Model() const { return model_; }

  // The loaded background picture; a null image unloads it.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // Where the picture stands, in the panel's coordinates, whether it shows and whether it fills
  // its box or keeps its own size.
  void SetPicturePlace(const TRect& box, bool visible, bool stretch);
  const TRect& PictureBox() const { return pictureBox_; }
  bool PictureShown() const { return pictureVisible_ && !picture_.isNull(); }

  // The panel's frame width: the view's offset inside the panel.
  void SetBorder(int32_t border) { border_ = border; }
  int32_t Paints() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QPalette* saved_;
  TKinetraceModel model_;
  QImage picture_;
  TRect pictureBox_;
  bool pictureVisible_ = false;
  bool pictureStretch_ = true;
  int32_t border_ = 0;
  int32_t paints_ = 0;
};

}  // namespace vel
