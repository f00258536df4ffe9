#include "mainwindow/forms/SeqLane.h"

#include <QPainter>

#include "mainwindow/forms/Colours.h"

namespace vel {

namespace {

// Where the shapes stand inside the lane: the bar 9 and the marker 8 pixels high, both 2 below the
// lane's top, so the grid ticks show above and below them.
constexpr int32_t kShapeTop = 2;
constexpr int32_t kBarHeight = 9;
constexpr int32_t kPosnHeight = 8;
constexpr qreal kRadius = 3;

}  // namespace

TSeqLane::TSeqLane(QWidget* parent, const QPalette* saved) : QWidget(parent), saved_(saved) {
  // It fills itself with the row's colour (which it inherits), so a repaint leaves the row alone.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

bool TSeqLane::SetModel(const TLaneModel& model) {
  if (model == model_) return false;
  model_ = model;
  update();
  return true;
}

void TSeqLane::paintEvent(QPaintEvent*) {
  ++paints_;
  const TLaneModel& m = model_;
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  if (!m.LaneVisible) return;
  const QPalette saved = saved_ ? *saved_ : QPalette();
  if (m.GridTicks > 0 && m.GridPx > 0) {
    p.setPen(QPen(ToQColor(m.GridColour, saved), 1, Qt::SolidLine));
    for (int32_t i = 0; i < m.GridTicks; ++i) {
      const int32_t x = i * m.GridPx;
      if (x > width()) break;
      p.drawLine(x, 0, x, kHeight);
    }
  }
  // Whole-pixel shapes, as cheap to repaint every tick as the grid.
  if (m.BarWidth > 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(m.BarColour, saved));
    p.drawRoundedRect(QRect(0, kShapeTop, m.BarWidth, kBarHeight), kRadius, kRadius);
  }
  if (m.PosnWidth > 0) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(ToQColor(m.PosnColour, saved));
    p.drawRoundedRect(QRect(m.PosnLeft, kShapeTop, m.PosnWidth - 1, kPosnHeight - 1), kRadius, kRadius);
  }
}

}  // namespace vel
