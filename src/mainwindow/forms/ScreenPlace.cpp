#include "mainwindow/forms/ScreenPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "mainwindow/WindowPlace.h"

namespace vel {

namespace {

TPlaceRect RectOf(const QScreen* s) {
  const QRect r = s->availableGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

void MoveToSavedPlace(QWidget* window, int32_t savedLeft, int32_t savedTop) {
  // The first screen is the one a lost window is centred on.
  std::vector<TPlaceRect> screens;
  const QScreen* first = QGuiApplication::primaryScreen();
  if (first) screens.push_back(RectOf(first));
  for (const QScreen* s : QGuiApplication::screens())
    if (s != first) screens.push_back(RectOf(s));
  const QSize size = window->frameGeometry().size();
  const TPlacePoint p = PlaceWindow(savedLeft, savedTop, size.width(), size.height(), screens);
  window->move(p.Left, p.Top);
}

}  // namespace vel
