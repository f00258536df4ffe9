#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/CfgWindows.h"
#include "settings/Settings.h"

namespace vel {
namespace {

TEST(CfgWindowRules, RadioFallbackAndEnabling) {
  EXPECT_EQ(RadioFor(3, 1, 6), 3);
  EXPECT_EQ(RadioFor(7, 1, 6), 0);
  EXPECT_EQ(RadioFor(0, 1, 4), 0);
  EXPECT_FALSE(KinetraceTailsEnabled(1));
  EXPECT_TRUE(KinetraceTailsEnabled(2));
  EXPECT_FALSE(TemplateAnimDecayEnabled(1));
  EXPECT_TRUE(TemplateAnimDecayEnabled(5));
}

// Every slot names a colour the settings file knows, once; the window holds 103 of them and the
// sixteen status colours the file alone edits are not among them.
TEST(CfgWindowRules, ColourSlotsCoverTheFilesColoursButTheStatusOnes) {
  std::set<std::string> known;
  for (const CfgColour& c : CfgColours) known.insert(std::string(c.Keyword));
  std::set<std::string> slots;
  for (const TColourRow& r : ColourRows())
    for (const char* s : r.Settings) {
      EXPECT_TRUE(known.count(s)) << s;
      EXPECT_TRUE(slots.insert(s).second) << s;
    }
  EXPECT_EQ(slots.size(), 103u);
  EXPECT_EQ(known.size() - slots.size(), 16u);
  EXPECT_FALSE(slots.count("ClStRunning"));
  EXPECT_EQ(SwatchName("ClSysBgGradStartInactiveTitleBar"), "shpClSysBgGradStartInActiveTitleBar");
  EXPECT_EQ(SwatchName("ClSysBgGradEndInactiveTitleBar"), "shpClSysBgGradEndInActiveTitleBar");
  EXPECT_EQ(SwatchName("ClSysFgInActiveTitleBar"), "shpClSysFgInActiveTitleBar");
  EXPECT_EQ(SwatchName("ClPanelTitle"), "shpClPanelTitle");
}

}  // namespace
}  // namespace vel
