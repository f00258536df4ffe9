#include "base/Formats.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

namespace vel {
namespace {

using std::nullopt;

TEST(Formats, ParseIntTakesOneSignedNumberUnderTheCallersRules) {
  const TIntRules blanks{};
  const TIntRules bare{.Blanks = false};
  const TIntRules saturate{.Saturate = true};
  struct Case {
    const char* text;
    TIntRules rules;
    std::optional<int32_t> want;
  } cases[] = {
      {"42", blanks, 42},
      {" \t-7 ", blanks, -7},
      {"+15", blanks, 15},
      {"007", blanks, 7},
      {"-2147483648", blanks, INT32_MIN},
      {"2147483647", blanks, INT32_MAX},
      {"2147483648", blanks, nullopt},
      {"99999999999999999999", blanks, nullopt},
      {"99999999999999999999", saturate, INT32_MAX},
      {"-99999999999999999999", saturate, INT32_MIN},
      {"12abc", saturate, nullopt},
      {"", blanks, nullopt},
      {"  ", blanks, nullopt},
      {"-", blanks, nullopt},
      {"+-5", blanks, nullopt},
      {"1 2", blanks, nullopt},
      {"0x10", blanks, nullopt},
      {"5.0", blanks, nullopt},
      {" 5", bare, nullopt},
      {"5 ", bare, nullopt},
      {"-5", bare, -5},
      {"+5", bare, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "' blanks " + std::to_string(c.rules.Blanks));
    EXPECT_EQ(ParseInt(c.text, c.rules), c.want);
  }
}

TEST(Formats, TempoTextBothWays) {
  struct Case {
    const char* text;
    std::optional<int32_t> tempo;
  } cases[] = {
      {"120", 12000},       {"120.5", 12050},     {"95.05", 9505},    {" 80.25 ", 8025}, {"120.129", 12012},
      {"999999", 99999900}, {"1000000", nullopt}, {"-5", nullopt},    {"+5", nullopt},   {"120.", nullopt},
      {".5", nullopt},      {"12 0", nullopt},    {"1.2.3", nullopt}, {"", nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToTempo(c.text), c.tempo) << c.text;
  EXPECT_EQ(TempoToStr(12000), "120.00");
  EXPECT_EQ(TempoToStr(9505), "95.05");
  EXPECT_EQ(TempoToStr(2000), "20.00");
}

TEST(Formats, VersionNumbers) {
  struct Case {
    const char* text;
    std::optional<int32_t> version;
  } cases[] = {
      {"13.03", 1303},    {" 10 . 15 ", 1015},     {"6.22", 622},    {"13.03.7", 1303},
      {"0.00", 0},        {"13", nullopt},         {"13.", nullopt}, {"13.100", nullopt},
      {"-1.05", nullopt}, {"1000001.00", nullopt}, {"a.b", nullopt}, {"", nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(CfgVersionToInt(c.text), c.version) << c.text;
}

TEST(Formats, FileMessagesNameTheFileAndItsFolder) {
  struct Case {
    const char* file;
    const char* folder;
    const char* message;
  } cases[] = {
      {"/home/u/Vellorine/a.mid", "/home/u/Vellorine", "Cannot open a.mid\r\nin folder /home/u/Vellorine"},
      {"/a.mid", "/", "Cannot open a.mid\r\nin folder /"},
      {"a.mid", "", "Cannot open a.mid"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.file), c.folder);
    EXPECT_EQ(FormatFileMsg("Cannot open", c.file), c.message);
  }
}

}  // namespace
}  // namespace vel
