#include <gtest/gtest.h>

#include <QWidget>
#include <array>
#include <cstdint>

#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/ScreenPlace.h"

namespace vel {
namespace {

using ScreenPlaceTest = test::FormRig;

TEST_F(ScreenPlaceTest, AWindowOpensWhereItWasLeftAndItsPlaceFollowsOnlyTheUsersMoves) {
  int32_t left = -1, top = -1, width = -1, height = -1;
  const TSavedPlace place{&left, &top, &width, &height};
  QWidget window(form.get(), Qt::Tool);
  window.resize(300, 200);
  KeepSavedPlace(&window, place);

  // Never placed: the window keeps its own size.
  RestoreSavedPlace(&window, place);
  EXPECT_EQ(window.size(), QSize(300, 200));
  window.show();
  window.move(40, 50);
  window.resize(320, 210);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array{40, 50, 320, 210}));

  // Hidden, Qt's own moves are not the user's.
  window.hide();
  window.move(0, 0);
  window.resize(100, 100);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array{40, 50, 320, 210}));

  // Opened again (also after a restart): the saved size and place.
  RestoreSavedPlace(&window, place);
  window.show();
  EXPECT_EQ(window.pos(), QPoint(40, 50));
  EXPECT_EQ(window.size(), QSize(320, 210));

  // A showing window stays where the user has it.
  left = 5;
  RestoreSavedPlace(&window, place);
  EXPECT_EQ(window.pos(), QPoint(40, 50));
}

// The main window keeps its place only in its normal state; its place is also stored on demand
// (a settings load keeps the window where it is).
TEST_F(ScreenPlaceTest, APlaceIsKeptOnlyWhileItsKeepingSaysSoAndIsStoredOnDemand) {
  int32_t left = -1, top = -1, width = -1, height = -1;
  bool keeping = false;
  QWidget window(form.get(), Qt::Tool);
  window.resize(300, 200);
  window.show();
  StoreSavedPlace(&window);  // not kept yet: nothing
  KeepSavedPlace(&window, {&left, &top, &width, &height}, [&keeping] { return keeping; });
  window.move(40, 50);
  window.resize(320, 210);
  StoreSavedPlace(&window);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array{-1, -1, -1, -1}));

  keeping = true;
  window.move(60, 70);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array{60, 70, -1, -1}));
  left = top = width = height = 0;
  StoreSavedPlace(&window);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array{60, 70, 320, 210}));
}

}  // namespace
}  // namespace vel
