#include "mainwindow/forms/KinetraceView.h"

#include <QPainter>
#include <algorithm>

#include "mainwindow/forms/Colours.h"

namespace vel {

TKinetraceView::TKinetraceView(QWidget* panel, const QPalette* saved) : QWidget(panel), saved_(saved) {
  // The panel's own clicks step the display's settings.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // It fills its whole area itself, so a repaint leaves the panel underneath alone.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

bool TKinetraceView::SetModel(const TKinetraceModel& model) {
  if (model == model_) return false;
  model_ = model;
  update();
  return true;
}

void TKinetraceView::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void TKinetraceView::SetPicturePlace(const TRect& box, bool visible, bool stretch) {
  if (box == pictureBox_ && visible == pictureVisible_ && stretch == pictureStretch_) return;
  pictureBox_ = box;
  pictureVisible_ = visible;
  pictureStretch_ = stretch;
  update();
}

void TKinetraceView::paintEvent(QPaintEvent*) {
  ++paints_;
  QPainter p(this);
  p.fillRect(rect(), palette().color(backgroundRole()));
  p.translate(-border_, -border_);
  if (PictureShown()) {
    const QRect box(pictureBox_.Left, pictureBox_.Top, pictureBox_.Width, pictureBox_.Height);
    if (pictureStretch_) {
      p.drawImage(box, picture_);
    } else {
      // At its own size from the box's corner; what does not fit is cut off.
      p.save();
      p.setClipRect(box);
      p.drawImage(box.topLeft(), picture_);
      p.restore();
    }
  }
  if (model_.Count == 0) return;
  // Whole-pixel shapes without antialiasing: 50 smooth ellipses would cost a tick's budget.
  p.setPen(Qt::NoPen);
  const QPalette saved = saved_ ? *saved_ : QPalette();
  for (int32_t i = 0; i < model_.Count; ++i) {
    const TBlob& b = model_.Blobs[i];
    if (b.Box.Width <= 0 || b.Box.Height <= 0) continue;
    p.setBrush(ToQColor(b.Colour, saved));
    const QRect r(b.Box.Left, b.Box.Top, b.Box.Width, b.Box.Height);
    switch (model_.Kind) {
      case TBlobKind::Ellipse:
      case TBlobKind::Circle:
        p.drawEllipse(r);
        break;
      case TBlobKind::RoundRect:
      case TBlobKind::RoundSquare: {
        const qreal radius = std::min(r.width(), r.height()) / 4.0;
        p.drawRoundedRect(r, radius, radius);
        break;
      }
    }
  }
}

}  // namespace vel
