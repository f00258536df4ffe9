#include <gtest/gtest.h>

#include <string>

#include "platform/TextCut.h"

namespace vel {
namespace {

// Cuts count characters and fall between them, also when a byte limit is the tighter one.
TEST(TextCut, CutsBetweenCharactersAtTheCharacterOrByteLimit) {
  struct Case {
    const char* text;
    std::size_t chars;
    std::size_t bytes;
    const char* cut;
  };
  constexpr std::size_t kAny = std::string_view::npos;
  const Case cases[] = {
      {"Rockabilly", 7, kAny, "Rockabi"},
      {"Rock", 7, kAny, "Rock"},
      {"Rockabill\xC3\xA9", 10, kAny, "Rockabill\xC3\xA9"},   // 10 characters in 11 bytes
      {"Rockabill\xC3\xA9!", 10, kAny, "Rockabill\xC3\xA9"},  // one past
      {"\xE6\x9D\xB1\xE4\xBA\xAC", 1, kAny, "\xE6\x9D\xB1"},  // three-byte characters
      {"a\xF0\x9F\xA5\x81z", 2, kAny, "a\xF0\x9F\xA5\x81"},   // a four-byte character
      {"Rockabill\xC3\xA9", 10, 10, "Rockabill"},             // the byte limit falls inside the last
      {"ab\xF0\x9F\xA5\x81", 3, 5, "ab"},
      {"ab\xF0\x9F\xA5\x81", 3, 6, "ab\xF0\x9F\xA5\x81"},
      {"\xA9\xA9x", 1, kAny, "\xA9\xA9"},  // stray continuation bytes stay together
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(CutChars(c.text, c.chars, c.bytes)), c.cut) << c.text;
  EXPECT_EQ(CharCount("Rockabill\xC3\xA9"), 10u);
  EXPECT_EQ(CharCount("\xA9\xA9x"), 2u);
  EXPECT_EQ(CharCount(""), 0u);
}

}  // namespace
}  // namespace vel
