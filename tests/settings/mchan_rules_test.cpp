#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/CfgWindowsMChan.h"

namespace vel {
namespace {

TEST(MChanRulesTest, OffsetListItemsAndOffsetsMapBothWays) {
  const std::vector<std::string> texts = MChanOffsetTexts();
  ASSERT_EQ(texts.size(), 49u);
  EXPECT_EQ(texts.front(), "+36");
  EXPECT_EQ(texts[35], "+1");
  EXPECT_EQ(texts[36], "0");
  EXPECT_EQ(texts[37], "-1");
  EXPECT_EQ(texts.back(), "-12");
  for (int32_t item = 0; item < 49; ++item) {
    EXPECT_EQ(std::stoi(texts[static_cast<size_t>(item)]), MChanItemOffset(item)) << item;
    EXPECT_EQ(MChanOffsetItem(MChanItemOffset(item)), item);
  }
  // Hand-edited values the list lacks show no item.
  EXPECT_EQ(MChanOffsetItem(37), -1);
  EXPECT_EQ(MChanOffsetItem(-13), -1);
}

TEST(MChanRulesTest, PresetsFillTheRangeAndNothingWhenMinIsAboveMax) {
  const std::vector<int32_t> drawbars = {-12, 7, 0, 12, 19, 24, 28, 31, 36};
  std::vector<int32_t> wrapped = drawbars;
  wrapped.insert(wrapped.end(), {-12, 7, 0, 12, 19, 24, 28});
  EXPECT_EQ(PipesPreset(0, 15), wrapped);
  EXPECT_EQ(PipesPreset(2, 5), (std::vector<int32_t>{-12, 7, 0, 12}));
  EXPECT_EQ(PipesPreset(7, 7), (std::vector<int32_t>{-12}));
  EXPECT_TRUE(PipesPreset(6, 5).empty());
  EXPECT_EQ(ZeroPreset(9, 9), (std::vector<int32_t>{0}));
  EXPECT_EQ(ZeroPreset(0, 15), std::vector<int32_t>(16, 0));
  EXPECT_TRUE(ZeroPreset(6, 5).empty());
}

}  // namespace
}  // namespace vel
