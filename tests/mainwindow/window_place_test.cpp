#include <gtest/gtest.h>

#include "mainwindow/WindowPlace.h"

namespace vel {
namespace {

TEST(WindowPlace, SavedPlaceKeptWhileItsTitleLiesOnAScreen) {
  const std::vector<TRect> two = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  const std::vector<TRect> one = {{0, 0, 1920, 1080}};
  struct Row {
    int32_t left, top, width, height;
    const std::vector<TRect>* screens;
    TPlacePoint expected;
  } rows[] = {
      {-1, -1, 400, 300, &one, {760, 390}},      // never placed: centred
      {100, 200, 400, 300, &one, {100, 200}},    // on the screen
      {-1, 200, 400, 300, &one, {-1, 200}},      // only the left edge is off
      {2000, 100, 400, 300, &two, {2000, 100}},  // on the second screen
      {2000, 100, 400, 300, &one, {760, 390}},   // that screen gone
      {1880, 100, 400, 300, &one, {760, 390}},   // 40 px of title left: too little to grab
      {1870, 100, 400, 300, &one, {1870, 100}},  // 50 px: enough
      {100, 1070, 400, 300, &one, {760, 390}},   // title below the bottom edge
      {100, -30, 400, 300, &one, {760, 390}},    // title above the top edge
      {-1, -1, 2400, 1200, &one, {0, 0}},        // larger than the screen: top left on it
      {-1, -1, 400, 300, &two, {760, 390}},      // centred on the first screen
  };
  for (const Row& r : rows)
    EXPECT_EQ(PlaceWindow(r.left, r.top, r.width, r.height, *r.screens), r.expected)
        << r.left << "," << r.top << " " << r.width << "x" << r.height;
  EXPECT_EQ(PlaceWindow(-1, -1, 400, 300, {}), (TPlacePoint{0, 0}));
  EXPECT_EQ(PlaceWindow(5000, 5, 400, 300, {}), (TPlacePoint{5000, 5}));
}

}  // namespace
}  // namespace vel
