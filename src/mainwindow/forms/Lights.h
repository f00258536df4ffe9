#pragma once
// A few round lights painted in one transparent widget laid over their controls: the per-seq MIDI
// activity lights, the metronome's beat light, the live input light. One widget paints them all,
// and only a light that changed is repainted.
#include <QColor>
#include <QRect>
#include <QWidget>
#include <vector>

namespace vel {

class TLights : public QWidget {
 public:
  TLights(QWidget* parent, int count);

  // Light i at rect (this widget's coordinates), in colour, shown or not. True when anything
  // changed (and the old and new places were marked for repaint).
  bool SetLight(int i, const QRect& rect, const QColor& colour, bool visible);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct TLight {
    QRect Rect;
    QColor Colour;
    bool Visible = false;
  };
  std::vector<TLight> lights_;
};

}  // namespace vel
