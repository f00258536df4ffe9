#include "mainwindow/forms/ScreenPlace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <utility>
#include <vector>

#include "mainwindow/WindowPlace.h"

namespace vel {

namespace {

TRect RectOf(const QScreen* s) {
  const QRect r = s->availableGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

void MoveToSavedPlace(QWidget* window, int32_t savedLeft, int32_t savedTop) {
  // The first screen is the one a lost window is centred on.
  std::vector<TRect> screens;
  const QScreen* first = QGuiApplication::primaryScreen();
  if (first) screens.push_back(RectOf(first));
  for (const QScreen* s : QGuiApplication::screens())
    if (s != first) screens.push_back(RectOf(s));
  const QSize size = window->frameGeometry().size();
  const TPlacePoint p = PlaceWindow(savedLeft, savedTop, size.width(), size.height(), screens);
  window->move(p.Left, p.Top);
}

namespace {

constexpr const char* kKeeperName = "placeKeeper";

// Follows one window's geometry; a child of the window, so it goes with it.
class TPlaceKeeper : public QObject {
 public:
  TPlaceKeeper(QWidget* window, const TSavedPlace& place, std::function<bool()> keeping)
      : QObject(window), window_(window), place_(place), keeping_(std::move(keeping)) {
    setObjectName(kKeeperName);
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || !Keeping()) return false;
    if (event->type() == QEvent::Move) StorePlace();
    if (event->type() == QEvent::Resize) StoreSize();
    return false;
  }

  void Store() {
    if (!Keeping()) return;
    StorePlace();
    StoreSize();
  }

 private:
  bool Keeping() const { return window_->isVisible() && (!keeping_ || keeping_()); }
  void StorePlace() {
    *place_.Left = window_->x();
    *place_.Top = window_->y();
  }
  void StoreSize() {
    if (place_.Width) *place_.Width = window_->width();
    if (place_.Height) *place_.Height = window_->height();
  }

  QWidget* window_;
  TSavedPlace place_;
  std::function<bool()> keeping_;
};

}  // namespace

void RestoreSavedPlace(QWidget* window, const TSavedPlace& place) {
  if (window->isVisible()) return;
  const int w = place.Width && *place.Width > 0 ? *place.Width : window->width();
  const int h = place.Height && *place.Height > 0 ? *place.Height : window->height();
  window->resize(w, h);
  MoveToSavedPlace(window, *place.Left, *place.Top);
}

void KeepSavedPlace(QWidget* window, const TSavedPlace& place, std::function<bool()> keeping) {
  new TPlaceKeeper(window, place, std::move(keeping));
}

void StoreSavedPlace(QWidget* window) {
  QObject* found = window->findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly);
  if (auto* keeper = dynamic_cast<TPlaceKeeper*>(found)) keeper->Store();
}

}  // namespace vel
