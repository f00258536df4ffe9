#pragma once
// One seq row's track lane, painted from its lane model: the grid ticks, the length bar and the
// play position marker or trail. It repaints only when its model changes.
#include <QPalette>
#include <QWidget>

#include "mainwindow/Lanes.h"

namespace vel {

class TSeqLane : public QWidget {
 public:
  // The lane's height: the grid ticks' length; the bar and marker stand inside it.
  static constexpr int32_t kHeight = 12;

  // saved resolves system colours; it must outlive the lane.
  TSeqLane(QWidget* parent, const QPalette* saved);

  // True when the model differed from the one shown, and a repaint was asked for.
  bool SetModel(const TLaneModel& model);
  const TLaneModel& Model() const { return model_; }
  // Paint events served, for the repaint checks.
  int32_t Paints() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QPalette* saved_;
  TLaneModel model_;
  int32_t paints_ = 0;
};

}  // namespace vel
