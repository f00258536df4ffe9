#include <gtest/gtest.h>

#include <string>

#include "keymapper/KeyMapperPrefill.h"
#include "keymapper/KeyMapperView.h"

namespace vel {
namespace {

TEST(KeyMapperPrefillTest, StretchQuestionHintOnceAndButtonTexts) {
  const struct {
    int32_t key, offset;
    bool up;
    int32_t from, to;
    bool in;
  } ranges[] = {{36, 0, true, 36, 127, true},
                {36, 0, false, 0, 36, true},
                {36, 1, true, 24, 127, true},
                {20, 2, true, 0, -1, false},
                {127, -1, true, 0, -1, false}};
  for (const auto& r : ranges) {
    const TPrefillRange got = PrefillRange(r.key, r.offset, r.up);
    EXPECT_EQ(got.InMap, r.in) << r.key << " " << r.offset;
    if (r.in) {
      EXPECT_EQ(std::make_pair(got.From, got.To), std::make_pair(r.from, r.to));
    }
  }
  bool shown = false;
  EXPECT_EQ(
      PrefillQuestion(36, 127, "digit", true, shown),
      "About to prefill digit mode from C1 to G8, ok?\r\n\r\n(you can toggle these warnings on/off using the "
      "button above the prefill buttons)");
  EXPECT_TRUE(shown);
  EXPECT_EQ(PrefillQuestion(-1, -1, "pitch", false, shown),
            "About to reset pitch mode to novice factory settings, ok?");
  EXPECT_EQ(PrefillQuestion(-1, -1, "pitch", true, shown),
            "About to reset pitch mode to standard factory settings, ok?");

  const TPrefillRow& srec = PrefillRows()[std::size_t(ScreenRowOf(MtSRec))];
  EXPECT_EQ(
      PrefillHint(srec, TPrefillFn::Rec),
      "Prefill step record mode keys with 'step-recordable' function from current key to start/end depending "
      "on direction");
  EXPECT_EQ(FactoryHint(PrefillRows()[std::size_t(ScreenRowOf(MtMetr))]),
            "Reset all metronome notes to factory settings");
}

}  // namespace
}  // namespace vel
