#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "tools/SampleAidFigures.h"

namespace vel {
namespace {

TEST(SampleAidFigures, DurationsAndSizesReadAndWriteTheirTexts) {
  struct Case {
    int64_t ms;
    bool wholeWhenLong, alwaysWhole;
    const char* text;
  };
  const Case durations[] = {
      {500, true, false, "0.500s"},        {1500, true, false, "2s"},     {1500, false, false, "1.500s"},
      {3723000, false, false, "1h:2m:3s"}, {59600, true, false, "1m:0s"}, {119600, true, false, "2m:0s"},
      {3599500, false, true, "1h:0m:0s"},  {0, true, false, "0s"},        {61005, false, false, "1m:1.005s"},
  };
  for (const Case& c : durations)
    EXPECT_EQ(FormatDurationMs(c.ms, c.wholeWhenLong, c.alwaysWhole), c.text) << c.ms;
  const std::pair<int64_t, const char*> sizes[] = {{-5, "-5B"},         {1023, "1023B"},
                                                   {1536, "2KB"},       {1048576, "1.00MB"},
                                                   {2592000, "2.47MB"}, {3221225472, "3.00GB"}};
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatByteSize(bytes), text) << bytes;
  // A comma-decimal locale must not change how "1.5s" reads.
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  const std::pair<const char*, int32_t> parsed[] = {{"500ms", 500},
                                                    {"4s", 4000},
                                                    {"1.5s", 1500},
                                                    {"29.5s", 29500},
                                                    {"nans", 0},
                                                    {"99999999999s", INT32_MAX},
                                                    {"99999999999ms", INT32_MAX},
                                                    {"-99999999999s", INT32_MIN}};
  for (const auto& [text, ms] : parsed) EXPECT_EQ(ParseDurationText(text), ms) << text;
  std::setlocale(LC_NUMERIC, "C");
}

TEST(SampleAidFigures, DurationListsHaveTheirItemsAndStartAtTheirDefaults) {
  struct Case {
    TSampleAidList list;
    size_t size;
    const char* start;
    const char* last;
    int32_t startMs;
  };
  const Case cases[] = {
      {TSampleAidList::SampleNoteOn, 69, "500ms", "30s", 500},
      {TSampleAidList::AuditionNoteOn, 40, "50ms", "30s", 50},
      {TSampleAidList::SampleNoteOff, 34, "4s", "30s", 4000},
      {TSampleAidList::AuditionNoteOff, 13, "20ms", "2s", 20},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> items = SampleAidDurationItems(c.list);
    ASSERT_EQ(items.size(), c.size) << c.start;
    EXPECT_EQ(items[SampleAidDurationStart(c.list)], c.start);
    EXPECT_EQ(items.back(), c.last);
    EXPECT_EQ(ParseDurationText(items[SampleAidDurationStart(c.list)]), c.startMs);
  }
  EXPECT_EQ(SampleAidDurationItems(TSampleAidList::SampleNoteOn)[11], "1.5s");
}

TEST(SampleAidFigures, TotalsAndRemainingFollowTheWalk) {
  ResetSampleAid();
  TSampleAidRange& r = SampleAid.Sample;
  const TSampleAidTotals t = SampleAidTotals(r, kSampleAidRates[6], kSampleAidBits[3], 2);
  EXPECT_EQ(t.pitches, 9);
  EXPECT_EQ(t.vels, 3);
  EXPECT_EQ(t.notes, 27);
  EXPECT_EQ(t.timeMs, 13500);
  EXPECT_EQ(FormatDurationMs(t.timeMs, true), "14s");
  EXPECT_EQ(t.bytes, 2592000);
  // From pitch 42 (third step) at velocity 87 (second step): 7 pitches left on this velocity, then
  // one more row of 9; each note with its 4 s gap.
  r.CurPitch = 42;
  r.CurVel = 87;
  struct Case {
    bool holdPitch, holdVel, pitchFirst;
    int32_t left;
  };
  const Case cases[] = {{false, false, true, 16},
                        {false, false, false, 2 + 6 * 3},
                        {true, false, true, 2},
                        {false, true, true, 7},
                        {true, true, true, 1}};
  for (const Case& c : cases) {
    r.HoldPitch = c.holdPitch;
    r.HoldVel = c.holdVel;
    r.PitchFirst = c.pitchFirst;
    EXPECT_EQ(SampleAidNotesLeft(r), c.left) << c.holdPitch << c.holdVel << c.pitchFirst;
    EXPECT_EQ(SampleAidTimeLeftMs(r), int64_t{c.left} * 4500);
  }
  ResetSampleAid();
}

TEST(SampleAidFigures, BarsMoveFirstLastAndStepOnTheGrid) {
  struct Case {
    const char* what;
    char bar;  // 'f' first to value, 'l' last by delta, 's' step to value
    int32_t arg;
    TWalkAxis before, after;
    bool changed;
  };
  const Case cases[] = {
      {"first up drags last outward", 'f', 37, {36, 60, 3, 39, 0, 127}, {37, 61, 3, 40, 0, 127}, true},
      {"first down pulls last inward", 'f', 35, {36, 60, 3, 39, 0, 127}, {35, 59, 3, 38, 0, 127}, true},
      {"a line moves last one step", 'l', 1, {36, 60, 3, 60, 0, 127}, {36, 63, 3, 60, 0, 127}, true},
      {"a page moves last four steps", 'l', -10, {36, 60, 3, 60, 0, 127}, {36, 48, 3, 48, 0, 127}, true},
      {"a page at step 1 moves by the page", 'l', 12, {36, 60, 1, 40, 0, 127}, {36, 72, 1, 40, 0, 127}, true},
      {"last stays inside the bar", 'l', 1, {100, 127, 9, 100, 1, 127}, {100, 127, 9, 100, 1, 127}, false},
      {"a bigger step snaps last out", 's', 5, {36, 60, 3, 45, 0, 127}, {36, 61, 5, 46, 0, 127}, true},
      {"falling velocity, smaller step", 's', 20, {127, 47, 40, 87, 1, 127}, {127, 47, 20, 87, 1, 127}, true},
  };
  for (const Case& c : cases) {
    TWalkAxis a = c.before;
    const bool changed = c.bar == 'f'   ? SampleAidFirstChanged(a, c.arg)
                         : c.bar == 'l' ? SampleAidLastChanged(a, c.arg)
                                        : SampleAidStepChanged(a, c.arg);
    EXPECT_EQ(changed, c.changed) << c.what;
    EXPECT_EQ(std::vector<int32_t>({a.first, a.last, a.step, a.cur}),
              std::vector<int32_t>({c.after.first, c.after.last, c.after.step, c.after.cur}))
        << c.what;
  }
}

}  // namespace
}  // namespace vel
