#include <gtest/gtest.h>

#include "tools/ReferenceTexts.h"

namespace vel {
namespace {

TEST(ReferenceTexts, ProgramListHasSixteenFamiliesOfEightNumberedFromZero) {
  const auto lines = GMProgramLines();
  ASSERT_EQ(lines.size(), 16u * 9u + 15u);  // heading + 8 each, a blank between, none after
  struct Row {
    size_t at;
    const char* text;
  } rows[] = {{0, "Pianos"},
              {1, "0 - Acoustic Grand Piano"},
              {8, "7 - Clavinet"},
              {9, ""},
              {10, "Tuned Percussion"},
              {11, "8 - Celeste"},
              {40, "Basses"},
              {50, "Strings"},
              {48, "39 - Synth Bass 2"},
              {54, "43 - Contrabass"},
              {118, "95 - Sweep Pad"},
              {121, "96 - Rain"},
              {128, "103 - Sci-Fi"},
              {150, "Sound Effects"},
              {151, "120 - Guitar Fret Noise"},
              {158, "127 - Gunshot"}};
  for (const Row& r : rows) EXPECT_EQ(lines[r.at], r.text) << r.at;
}

TEST(ReferenceTexts, DrumListNamesNotesThirtyFiveToEightyOne) {
  const auto lines = GMDrumLines();
  ASSERT_EQ(lines.size(), 48u);
  EXPECT_EQ(lines[0], "B\tAc Bass Drum");
  EXPECT_EQ(lines[1], "C1\tKick Drum 1");
  EXPECT_EQ(lines[7], "F#1\tClosed Hi Hat");
  EXPECT_EQ(lines[46], "A4\tOpen Triangle");
  EXPECT_EQ(lines[47], "");
}

TEST(ReferenceTexts, ShortcutHelpLeavesOutTheFunctionKeysNothingAnswers) {
  const auto lines = QwertyHelpLines();
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(lines[0], "Template window must have focus, and");
  EXPECT_EQ(lines[9], "  ");
  EXPECT_EQ(lines[10], "  Ctrl+F1 - set focus to main screen");
  EXPECT_EQ(lines[37], "  \\ z x c v b n m");
  EXPECT_EQ(lines[40], "dependent on key mapping.");
  for (const auto& l : lines) EXPECT_EQ(l.find("F1.."), std::string::npos);
  for (const auto& l : lines) EXPECT_EQ(l.find("toggle"), std::string::npos);
}

}  // namespace
}  // namespace vel
