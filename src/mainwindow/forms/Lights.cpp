#include "mainwindow/forms/Lights.h"

#include <QPaintEvent>
#include <QPainter>

namespace vel {

TLights::TLights(QWidget* parent, int count) : QWidget(parent), lights_(std::size_t(count)) {
  // Clicks reach the controls underneath; nothing but the lights is painted.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
}

bool TLights::SetLight(int i, const QRect& rect, const QColor& colour, bool visible) {
  if (i < 0 || i >= int(lights_.size())) return false;
  TLight& l = lights_[std::size_t(i)];
  if (l.Rect == rect && l.Colour == colour && l.Visible == visible) return false;
  if (l.Visible) update(l.Rect.adjusted(-1, -1, 1, 1));
  l.Rect = rect;
  l.Colour = colour;
  l.Visible = visible;
  if (visible) update(rect.adjusted(-1, -1, 1, 1));
  return true;
}

void TLights::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  for (const TLight& l : lights_) {
    if (!l.Visible || !l.Colour.isValid() || !event->rect().intersects(l.Rect)) continue;
    p.setPen(l.Colour.darker(160));
    p.setBrush(l.Colour);
    p.drawEllipse(QRectF(l.Rect).adjusted(0.5, 0.5, -0.5, -0.5));
  }
}

}  // namespace vel
