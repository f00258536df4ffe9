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
  bool LightVisible(int i) const { return lights_[std::size_t(i)].Visible; }
  QRect LightRect(int i) const { return lights_[std::size_t(i)].Rect; }
  QColor LightColour(int i) const { return lights_[std::size_t(i)].Colour; }

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
