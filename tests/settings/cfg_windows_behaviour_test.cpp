#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/CfgWindowsBehaviour.h"

namespace vel {
namespace {

TEST(CfgWindowsBehaviour, HotkeyTargetsListEachFoundWindowOnceSorted) {
  THotkeyDirectory d;
  d.List = [] {
    return std::vector<keys::TitledWindow>{{5, "Synth"}, {9, "Editor"}, {6, "Synth"},
                                           {7, ""},      {8, "Gone"},   {3, "Alpha"}};
  };
  // Both "Synth" windows find the first; "Gone" closed between the listing and the look-up.
  d.Find = [](const std::string& t) -> keys::WindowId {
    if (t == "Synth") return 5;
    if (t == "Editor") return 9;
    if (t == "Alpha") return 3;
    return 0;
  };
  EXPECT_EQ(ListHotkeyTargetTitles(d), (std::vector<std::string>{"Alpha", "Editor", "Synth"}));
}

TEST(CfgWindowsBehaviour, HotkeyTargetChoiceAndTheButtonShown) {
  const std::string editor = "Editor";
  struct Row {
    THotkeySettings before;
    THotkeyTarget chosen;
    const std::string* title;
    THotkeySettings after;
  } rows[] = {
      // Disabling keeps where the hotkeys went.
      {{0, 1, "Synth"}, THotkeyTarget::Disabled, &editor, {1, 1, "Synth"}},
      {{1, 0, "Synth"}, THotkeyTarget::ActiveWindow, &editor, {0, 1, "Synth"}},
      {{1, 1, "Synth"}, THotkeyTarget::NamedWindow, &editor, {0, 0, "Editor"}},
      // Nothing selected in the list: the nominated name stays.
      {{1, 1, "Synth"}, THotkeyTarget::NamedWindow, nullptr, {0, 0, "Synth"}},
  };
  for (const Row& r : rows) {
    const THotkeySettings s = ChooseHotkeyTarget(r.before, r.chosen, r.title);
    EXPECT_EQ(s.DisableHotkeys, r.after.DisableHotkeys) << int(r.chosen);
    EXPECT_EQ(s.HotkeysTargetActiveWin, r.after.HotkeysTargetActiveWin) << int(r.chosen);
    EXPECT_EQ(s.HotkeysTargetWinName, r.after.HotkeysTargetWinName) << int(r.chosen);
    EXPECT_EQ(HotkeyTargetShown(s), r.chosen);
  }
}

TEST(CfgWindowsBehaviour, StepLengthAndGateButtonsForValuesNoButtonHolds) {
  const int32_t lens[][2] = {{1, 1}, {6, 6}, {7, 8}, {8, 8}, {12, 12}, {64, 64}, {0, 8}, {128, 8}};
  for (auto [stored, shown] : lens) EXPECT_EQ(StepLenButton(stored), shown) << stored;
  const int32_t gates[][2] = {{5, 5}, {25, 25}, {60, 75}, {75, 75}, {99, 99}, {100, 75}};
  for (auto [stored, shown] : gates) EXPECT_EQ(GateButton(stored), shown) << stored;
}

}  // namespace
}  // namespace vel
