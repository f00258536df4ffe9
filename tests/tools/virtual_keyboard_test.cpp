#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tools/VirtualKeyboard.h"

namespace vel {
namespace {

TEST(VirtualKeyboard, RangeOperationsChangeOrRefuse) {
  using O = TRangeOp;
  struct Case {
    TKeyRange from;
    O op;
    std::optional<TKeyRange> to;
  };
  const Case cases[] = {
      {{36, 72}, O::StretchLeft, TKeyRange{35, 72}},  {{0, 72}, O::StretchLeft, std::nullopt},
      {{36, 72}, O::ShrinkLeft, TKeyRange{37, 72}},   {{61, 72}, O::ShrinkLeft, std::nullopt},
      {{36, 72}, O::StretchRight, TKeyRange{36, 73}}, {{36, 127}, O::StretchRight, std::nullopt},
      {{36, 72}, O::ShrinkRight, TKeyRange{36, 71}},  {{36, 47}, O::ShrinkRight, std::nullopt},
      {{36, 72}, O::PanUp, TKeyRange{37, 73}},        {{100, 127}, O::PanUp, std::nullopt},
      {{36, 72}, O::PanDown, TKeyRange{35, 71}},      {{0, 40}, O::PanDown, std::nullopt},
      {{100, 115}, O::OctaveUp, TKeyRange{112, 127}}, {{100, 120}, O::OctaveUp, std::nullopt},
      {{12, 40}, O::OctaveDown, TKeyRange{0, 28}},    {{11, 40}, O::OctaveDown, std::nullopt},
      {{36, 72}, O::ToTop, TKeyRange{91, 127}},       {{90, 127}, O::ToTop, std::nullopt},
      {{36, 72}, O::ToBottom, TKeyRange{0, 36}},      {{0, 72}, O::ToBottom, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyRangeOp(c.from, c.op), c.to) << int(c.op) << " " << c.from.Left;

  EXPECT_EQ(ZoomOctaves({36, 72}, 1), (TKeyRange{36, 48}));
  EXPECT_EQ(ZoomOctaves({55, 72}, 6), (TKeyRange{55, 127}));
  EXPECT_EQ(ZoomOctaves({60, 72}, 6), std::nullopt);
  EXPECT_EQ(ZoomOctaves({36, 72}, 7), std::nullopt);

  EXPECT_EQ(MoveKeyRange({36, 72}, 12), (TKeyRange{48, 84}));
  EXPECT_EQ(MoveKeyRange({36, 72}, -36), (TKeyRange{0, 36}));
  EXPECT_EQ(MoveKeyRange({36, 72}, -48), std::nullopt);
  EXPECT_EQ(MoveKeyRange({100, 120}, 12), std::nullopt);

  const std::pair<TKeyRange, bool> allowed[] = {
      {{0, 11}, true}, {{0, 10}, false}, {{-1, 20}, false}, {{100, 128}, false}, {{116, 127}, true}};
  for (const auto& [r, ok] : allowed)
    EXPECT_EQ(KeyRangeAllowed(r.Left, r.Right), ok) << r.Left << ".." << r.Right;
}

TEST(VirtualKeyboard, KeysFillTheRowExactlyAndWholeOctavesCountCToC) {
  struct Case {
    int32_t left, right, width;
  };
  for (const Case& c : {Case{0, 127, 1000}, Case{36, 72, 1280}, Case{60, 71, 333}, Case{0, 127, 130}}) {
    const std::vector<TKeyBox> boxes = LayoutKeys(c.left, c.right, c.width);
    ASSERT_EQ(int(boxes.size()), c.right - c.left + 1);
    EXPECT_EQ(boxes.front().BackLeft, 4);
    EXPECT_EQ(boxes.back().BackLeft + boxes.back().BackWidth, c.width - 4) << c.width;
    for (std::size_t i = 1; i < boxes.size(); ++i) {
      // Neighbours share their border pixel, and no key is narrower than one to its left.
      EXPECT_EQ(boxes[i].BackLeft, boxes[i - 1].BackLeft + boxes[i - 1].BackWidth - 1);
      EXPECT_GE(boxes[i].BackWidth + (i + 1 == boxes.size() ? 1 : 0), boxes[i - 1].BackWidth);
    }
  }
  const std::vector<TKeyBox> all = LayoutKeys(0, 127, 1000);
  EXPECT_EQ(all[0], (TKeyBox{4, 8, 4, 7}));
  EXPECT_EQ(LayoutKeys(60, 71, 200)[0], (TKeyBox{4, 17, 5, 14}));
  EXPECT_TRUE(LayoutKeys(60, 59, 200).empty());

  const std::pair<TKeyRange, int32_t> octaves[] = {{{48, 60}, 1},  {{60, 71}, -1}, {{0, 120}, 10},
                                                   {{36, 108}, 6}, {{36, 72}, 3},  {{36, 73}, -1}};
  for (const auto& [r, n] : octaves) EXPECT_EQ(WholeOctaves(r.Left, r.Right), n) << r.Left << ".." << r.Right;
}

TEST(VirtualKeyboard, HeightsSnapAtEachThreshold) {
  // Label 26, keys 40, panels 24, captions 14.
  const TKeyHeights k = BuildKeyHeights(26, 40, 24, 14);
  EXPECT_EQ(k, (TKeyHeights{26, 28, 4, 30, 40, 34, 70, 96, 112}));
  struct Case {
    int32_t asked, height;
    bool keys, buttons, help;
  };
  const Case cases[] = {
      {0, 34, false, false, false},  {34, 34, false, false, false}, {44, 34, false, false, false},
      {45, 70, true, false, false},  {50, 70, true, false, false},  {51, 34, false, false, false},
      {69, 34, false, false, false}, {70, 70, true, false, false},  {95, 95, true, false, false},
      {96, 96, true, true, false},   {111, 111, true, true, false}, {112, 112, true, true, true},
      {999, 112, true, true, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SnapHeight(k, c.asked), (TSnappedHeight{c.height, c.keys, c.buttons, c.help})) << c.asked;
  EXPECT_EQ(MinClientWidth(70, 250, 70), 430);
}

TEST(VirtualKeyboard, VelocityFollowsThePartHitAndItsHeight) {
  const TVelocityRule rule{true, true, 28, 40};  // whole scale 67
  struct Case {
    TVelocityRule rule;
    TKeyPart part;
    int32_t y, vel;
  };
  const Case cases[] = {
      {rule, TKeyPart::Label, 0, 1},
      {rule, TKeyPart::Label, 10, 37},
      {rule, TKeyPart::Label, 27, 102},
      {rule, TKeyPart::Key, 0, 106},
      {rule, TKeyPart::Key, 5, 125},
      {rule, TKeyPart::Key, 39, 127},
      {rule, TKeyPart::None, 20, 1},
      // Labels only: the label alone is the scale.
      {{true, false, 28, 40}, TKeyPart::Label, 10, 94},
      // A key as high as the label row still counts as a key.
      {{true, true, 28, 28}, TKeyPart::Key, 0, 127},
      {{false, true, 28, 40}, TKeyPart::Label, 0, 127},
      {{false, true, 28, 40}, TKeyPart::None, 0, 127},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VelocityFromMouse(c.rule, c.part, c.y), c.vel) << int(c.part) << " " << c.y;
}

TEST(VirtualKeyboard, NavigationKeysAndWheelZones) {
  using O = TRangeOp;
  const std::pair<uint8_t, O> ops[] = {
      {33, O::OctaveUp}, {34, O::OctaveDown}, {35, O::ToTop},   {36, O::ToBottom},     {37, O::PanDown},
      {38, O::PanUp},    {39, O::PanUp},      {40, O::PanDown}, {45, O::StretchRight}, {46, O::ShrinkRight}};
  for (const auto& [vk, op] : ops) {
    EXPECT_EQ(NavKey(vk, true, false), (TNavKey{true, TNavAction::Range, op})) << int(vk);
    EXPECT_EQ(NavKey(vk, false, false), (TNavKey{true, TNavAction::None, op})) << int(vk);
  }
  EXPECT_EQ(NavKey(kVkF1, true, true).Action, TNavAction::FocusMain);
  EXPECT_EQ(NavKey(kVkF1, true, false), (TNavKey{true, TNavAction::None}));
  EXPECT_EQ(NavKey(kVkF1, false, true), (TNavKey{true, TNavAction::None}));
  EXPECT_EQ(NavKey(kVkSlash, true, false).Action, TNavAction::Help);
  for (uint8_t vk : {uint8_t('A'), uint8_t(32), uint8_t(41), uint8_t(113)})
    EXPECT_FALSE(NavKey(vk, true, false).Consumed);

  const TWheelColumns cols{4, 70, 300, 250, 130, 40};
  const std::pair<int32_t, TWheelZone> zones[] = {
      {4, TWheelZone::LeftEdge},    {74, TWheelZone::LeftEdge},   {75, TWheelZone::RightEdge},
      {429, TWheelZone::RightEdge}, {430, TWheelZone::Pan},       {470, TWheelZone::Pan},
      {471, TWheelZone::RightEdge}, {1000, TWheelZone::RightEdge}};
  for (const auto& [x, zone] : zones) EXPECT_EQ(WheelZoneAt(cols, x), zone) << x;
  EXPECT_EQ(WheelOp(TWheelZone::LeftEdge, true), O::StretchLeft);
  EXPECT_EQ(WheelOp(TWheelZone::LeftEdge, false), O::ShrinkLeft);
  EXPECT_EQ(WheelOp(TWheelZone::Pan, true), O::PanUp);
  EXPECT_EQ(WheelOp(TWheelZone::Pan, false), O::PanDown);
  EXPECT_EQ(WheelOp(TWheelZone::RightEdge, true), O::StretchRight);
  EXPECT_EQ(WheelOp(TWheelZone::RightEdge, false), O::ShrinkRight);
}

TEST(VirtualKeyboard, WidthTogglesThroughThreeSpansAndDockingNeedsRoom) {
  const TRectI main{100, 50, 900, 600};
  EXPECT_EQ(ToggleTemplateWidth({10, 700, 500, 120}, 1920, main, false, 800), (TRectI{0, 700, 1920, 120}));
  EXPECT_EQ(ToggleTemplateWidth({0, 700, 1920, 120}, 1920, main, false, 800), (TRectI{100, 700, 900, 120}));
  const TRectI wideMain{0, 50, 1920, 600};
  EXPECT_EQ(ToggleTemplateWidth({0, 700, 1920, 120}, 1920, wideMain, false, 800),
            (TRectI{480, 700, 960, 120}));
  EXPECT_EQ(ToggleTemplateWidth({0, 700, 1920, 120}, 1920, wideMain, true, 800),
            (TRectI{560, 700, 800, 120}));

  EXPECT_EQ(DockedFrame({0, 0, 500, 120}, main, 770), (TRectI{100, 650, 900, 120}));
  EXPECT_EQ(DockedFrame({0, 0, 500, 120}, main, 769), std::nullopt);
  EXPECT_EQ(UndockedTop(650, 770), 653);
  EXPECT_EQ(UndockedTop(650, 653), 650);
}

TEST(VirtualKeyboard, AnimationDecaysLightsAndDepressesKeys) {
  TAnimateArgs a;  // 50 ms, Live, no pedal, decay 3, scale 4, keys 40
  struct Case {
    const char* what;
    TAnimateArgs args;
    int32_t vel;
    std::vector<int32_t> levels;  // after each refresh following the release; 0 is dark
  };
  auto with = [a](auto change) {
    TAnimateArgs b = a;
    change(b);
    return b;
  };
  const Case cases[] = {
      {"decay 3", a, 100, {75, 50, 25, 0}},
      {"decay 4 ends with the tail", with([](auto& b) { b.Decay = 4; }), 100, {90, 80, 70, 0}},
      {"decay 2 step below 1 is 1", with([](auto& b) { b.Decay = 2; }), 1, {0}},
      {"decay 1", with([](auto& b) { b.Decay = 1; }), 100, {0}},
      {"other decay counts as 3", with([](auto& b) { b.Decay = 9; }), 100, {75, 50, 25, 0}},
      {"not Live", with([](auto& b) { b.LiveMode = false; }), 100, {0}},
      {"half pedal", with([](auto& b) { b.HalfPedal = true; }), 10, {8, 6, 4, 2, 0}},
      {"full pedal", with([](auto& b) { b.FullPedal = true; }), 3, {2, 1, 0}},
      {"interval 500, decay 3", with([](auto& b) { b.IntervalMs = 500; }), 100, {0}},
      {"interval 150, decay 4",
       with([](auto& b) {
         b.IntervalMs = 150;
         b.Decay = 4;
       }),
       90,
       {60, 0}},
  };
  for (const Case& c : cases) {
    TNoteAnim r{c.vel, c.vel, 200};
    for (std::size_t i = 0; i < c.levels.size(); ++i) {
      bool fading = false;
      const TKeyLight light = AnimateKey(r, c.args, fading);
      EXPECT_EQ(light.Lit, c.levels[i] > 0) << c.what << " refresh " << i;
      EXPECT_EQ(fading, c.levels[i] > 0) << c.what << " refresh " << i;
      EXPECT_EQ(r.Level, c.levels[i]) << c.what << " refresh " << i;
    }
  }
  // Full pedal: one level per refresh, dark after 200 refreshes at most.
  TNoteAnim held{127, 127, 200};
  int32_t refreshes = 0;
  bool fading = true;
  const TAnimateArgs full = with([](auto& b) { b.FullPedal = true; });
  while (fading && refreshes < 500) {
    fading = false;
    AnimateKey(held, full, fading);
    ++refreshes;
  }
  EXPECT_EQ(refreshes, 127);
}

TEST(VirtualKeyboard, LitKeysTakeTheirColourAndDepression) {
  TAnimateArgs a;
  a.LitColour = 0x0000FF;
  struct Case {
    int32_t scale, keySize, level;
    bool velSensitive;
    TKeyLight light;
  };
  const Case cases[] = {
      {4, 40, 100, true, {true, 0x0000FF | (55u * 65793u), 15}},
      {5, 40, 127, true, {true, 0x0101FF, 32}},
      {5, 10, 127, false, {true, 0x0000FF, 2}},
      {5, 6, 127, false, {true, 0x0000FF, 0}},
      {2, 40, 100, false, {true, 0x0000FF, 5}},
      {3, 40, 100, false, {true, 0x0000FF, 7}},
      {1, 40, 100, false, {true, 0x0000FF, 0}},
  };
  for (const Case& c : cases) {
    a.AnimateSize = c.scale;
    a.KeySize = c.keySize;
    a.VelSensitive = c.velSensitive;
    TNoteAnim held{c.level, c.level, 0};
    bool fading = false;
    EXPECT_EQ(AnimateKey(held, a, fading), c.light) << c.scale << " " << c.keySize;
    EXPECT_EQ(held.Level, c.level);  // held notes stay as they are
    EXPECT_FALSE(fading);
  }
  // Only the shown keys are drawn; every key fades, so that moving the range shows no old light.
  std::array<TNoteAnim, 128> table{};
  table[59] = {100, 100, 200};
  table[60] = {100, 100, 200};
  table[61] = {100, 100, 0};
  std::array<TKeyLight, 128> lights{};
  lights[59].Lit = true;
  EXPECT_TRUE(AnimateKeys(table, 60, 72, TAnimateArgs{}, lights));
  EXPECT_FALSE(lights[59].Lit);
  EXPECT_EQ(table[59].Level, 75);
  EXPECT_EQ(table[60].Level, 75);
  EXPECT_TRUE(lights[61].Lit);
  EXPECT_FALSE(lights[62].Lit);
}

TEST(VirtualKeyboard, RangeMovesPostedFromAnotherThreadArriveInOrder) {
  TRangeMoves moves;
  TKeyRange range{36, 72};
  std::vector<int32_t> seen;
  std::thread key([&moves] {
    for (int32_t i = 0; i < 2000; ++i)
      while (!moves.Post(i % 2 == 0 ? 12 : -12)) std::this_thread::yield();
  });
  while (seen.size() < 2000) {
    for (int32_t keys : moves.TakeAll()) {
      seen.push_back(keys);
      if (auto moved = MoveKeyRange(range, keys)) range = *moved;
      (void)LayoutKeys(range.Left, range.Right, 800);
    }
  }
  key.join();
  EXPECT_EQ(range, (TKeyRange{36, 72}));
  for (std::size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], i % 2 == 0 ? 12 : -12) << i;
  // A full queue refuses rather than blocks.
  for (int32_t i = 0; i < 32; ++i) EXPECT_TRUE(moves.Post(1));
  EXPECT_FALSE(moves.Post(1));
  EXPECT_EQ(moves.TakeAll().size(), 32u);
}

}  // namespace
}  // namespace vel
