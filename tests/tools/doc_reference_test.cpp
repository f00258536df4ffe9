// The generated documents against the tables they are made from: every function code and every
// settings keyword has its entry, once, and the factory keys are those the program loads.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/ViewTestState.h"
#include "settings/Settings.h"
#include "tools/DocReference.h"

namespace vel {
namespace {

using DocReferenceTest = test::ViewEngineTest;

int Count(std::string_view text, std::string_view what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The table row of a keyword: from "| `Keyword` |" to the end of its line.
std::string RowOf(const std::string& text, const std::string& keyword) {
  const std::size_t at = text.find("| `" + keyword + "` |");
  if (at == std::string::npos) return {};
  return text.substr(at, text.find('\n', at) - at);
}

TEST_F(DocReferenceTest, TheCommandReferenceHasEveryFunctionOfEveryModeOnceWithItsFactoryKeys) {
  const TDocText doc = CommandReferenceMarkdown(CaptureFactoryKeyMaps());
  EXPECT_TRUE(doc.Missing.empty()) << doc.Missing.front();
  int functions = 0;
  for (int t = 0; t < ModeTypeCount; ++t)
    for (const TKeyFn& fn : KeyFns(static_cast<TModeType>(t))) {
      EXPECT_EQ(Count(doc.Markdown, "`" + fn.Keyword + "`"), 1) << fn.Keyword;
      ++functions;
    }
  EXPECT_GT(functions, 1000);
  // Keys as the standard and the novice factory maps have them; "-" where a map has none.
  const std::pair<const char*, const char*> rows[] = {
      {"CmdPlay",
       "| `CmdPlay` | `play` | The selected seqs play un-muted until told otherwise. | C#1 | C#1 |"},
      {"CmdCalib",
       "| `CmdCalib` | `cal` | Calibrate: the next key pressed becomes the command key. | B, C4 | - |"},
      {"CmdSeq1", "| `CmdSeq1` | `seq 1` | Selects or deselects seq 1 for the next command. | F1 | F1 |"},
      {"LiveN", "| `LiveN` | `p` | A note key: played live. | C-2..B, C#1..G8 | C-2..B, C#1..G8 |"},
      {"PitchDec12", "| `PitchDec12` | `-12` | Pitch offset -12 semitones. | C2 | C2 |"},
      {"SRecNoteLenFrac8", "| `SRecNoteLenFrac8` | `1/8` | Step length 1/8 note. | A1 | A1 |"},
      {"CmdPlayMute2",
       "| `CmdPlayMute2` | `pm 2` | The selected seqs play for 2 cycles, then mute for as long, and so on. | "
       "B1 | - |"},
  };
  for (const auto& [keyword, row] : rows) EXPECT_EQ(RowOf(doc.Markdown, keyword), row);
  // A computer key stroke: one row, its keyword in each of the four maps with their keys.
  EXPECT_NE(doc.Markdown.find("| ` +` | `LiveHKAdd` | `HKAdd` D#1 | `RecHKAdd` | `SRecHKAdd` |"),
            std::string::npos);
}

TEST_F(DocReferenceTest, AFunctionTheDocumentsDoNotKnowHasNoDescription) {
  struct Case {
    TModeType mode;
    TKeyFn fn;
    bool known;
  };
  const Case cases[] = {
      {MtCmd, {200, "CmdWarpDrive", "warp", ""}, false},
      {MtRangeN, {60, "NumWarp", "warp", ""}, false},
      {MtFtsType, {80, "FtsModeLydian", "lyd", ""}, false},
      {MtLive, {1, "LiveRecStop", "rec stop", ""}, true},
      {MtRec, {RecHotkeyBase, "RecHKCR", " cr", ""}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeKeyFn(c.mode, c.fn).has_value(), c.known) << c.fn.Keyword;
}

TEST_F(DocReferenceTest, TheConfigurationGuideHasEverySettingsKeywordOnceAndNoKeyMapEntry) {
  const TDocText doc = ConfigurationGuideMarkdown(FactorySettingsText());
  EXPECT_TRUE(doc.Missing.empty()) << doc.Missing.front();
  for (const CfgScalar& s : CfgScalars)
    EXPECT_EQ(Count(doc.Markdown, "| `" + std::string(s.Keyword) + "` |"), 1) << s.Keyword;
  for (const CfgColour& c : CfgColours)
    EXPECT_EQ(Count(doc.Markdown, "| `" + std::string(c.Keyword) + "` |"), 1) << c.Keyword;
  EXPECT_EQ(RowOf(doc.Markdown, "CmdPlay"), "");
  const std::pair<const char*, const char*> rows[] = {
      {"BeatsPerBar", "| `BeatsPerBar` | `4` | 1 to 64 |"},
      {"KinetraceSize", "| `KinetraceSize` | `5` | 1 to 6 (kept inside) |"},
      {"NoviceMode", "| `NoviceMode` | `N` | Y or N |"},
      {"LastSavedMidiFolder", "| `LastSavedMidiFolder` | `~/Vellorine` | a folder, or Unused |"},
  };
  for (const auto& [keyword, row] : rows) EXPECT_EQ(RowOf(doc.Markdown, keyword), row);
  // The file's notes are text: a "<m>" there would be taken for a tag and hide the rest of the guide.
  EXPECT_NE(doc.Markdown.find("Colours, format: \\<m\\> \\| \\<red n\\>"), std::string::npos);
  // A guide that lacks a keyword of the tables is refused.
  EXPECT_FALSE(ConfigurationGuideMarkdown("Version = 13.03\r\n").Missing.empty());
}

TEST_F(DocReferenceTest, ReadingTheFactoryMapsLeavesTheMapsInUseAsTheyWere) {
  SetKeyFnCmd(60, CmdStop, "stop");
  Cfg.InPortOctaveOffset[0].store(2);
  Cfg.StandardMode = 0;
  const TFactoryKeySets keys = CaptureFactoryKeyMaps();
  EXPECT_EQ(keys.Standard.Codes[MtCmd][60], CmdTimeF);
  EXPECT_EQ(keys.Novice.Codes[MtCmd][60], KeyModeInfo(MtCmd).IgnoreCode);
  EXPECT_EQ(KeyMapCmd[60].load(), CmdStop);
  EXPECT_EQ(KeyLabelsCmd[60], "stop");
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 2);
  EXPECT_EQ(Cfg.StandardMode, 0);
}

TEST_F(DocReferenceTest, TemplatesShowEachMapAnOctaveARowWithTheBlackKeysShaded) {
  const std::string html = TemplatesHtml(CaptureFactoryKeyMaps());
  // The Live map: C1 is the command key, every other key plays.
  EXPECT_NE(html.find("<tr><td><b>C1</b></td><td align=\"center\"><tt>cmd</tt></td>"
                      "<td align=\"center\" bgcolor=\"#d0d0d0\"><tt>p</tt></td>"),
            std::string::npos);
  // A label's words stand on lines of their own.
  EXPECT_NE(html.find("<tt>seq<br>1</tt>"), std::string::npos);
  EXPECT_EQ(Count(html, "<h2>"), 2);
}

}  // namespace
}  // namespace vel
