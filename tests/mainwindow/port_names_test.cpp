#include <gtest/gtest.h>

#include "mainwindow/PortNames.h"

namespace vel {
namespace {

TEST(AbbrevDevName, KeepsHeadAndTailAtSixteen) {
  struct Case {
    const char* dev;
    const char* port;
  };
  const Case cases[] = {
      {"Soundcard XY Interface AB Synth", "Soundc..AB Synth"},  // tail blank: head gains one
      {"Microsoft GS Wavetable SW Synth", "Micros..SW Synth"},
      {"USB MIDI Interface", "USB M..Interface"},        // plain cut, 5 + 9
      {"Korg nanoKONTROL2 MIDI 1", "Korg..OL2 MIDI 1"},  // blank at 5: 4 + 10
      {"Roland UM-ONE MIDI 1", "Rolan..NE MIDI 1"},
      {"ABCD EFGH IJKLMNOPQ", "ABCD ..IJKLMNOPQ"},  // blank at 5 and tail blank
      {"Exactly sixteen!", "Exactly sixteen!"},     // 16: unchanged
      {"Short", "Short"},
      // Counted in characters, never cut inside one.
      {"Gr\u00fc\u00dfe Ger\u00e4t Sch\u00f6n", "Gr\u00fc\u00dfe..r\u00e4t Sch\u00f6n"},
      {"\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df\u00e9\u00e8\u00ea\u00eb\u00e0\u00e2\u00ee\u00ef\u00f4",
       "\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df\u00e9\u00e8\u00ea\u00eb\u00e0\u00e2\u00ee\u00ef\u00f4"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(AbbrevDevName(c.dev), c.port) << c.dev;
}

TEST(PortPrefix, StripsAndIndexes) {
  struct Case {
    const char* item;
    const char* name;
    int32_t port;
  };
  const Case cases[] = {
      {"P3- Synth", "Synth", 2},      {"P1- ", "", 0},        {"P9- Drums", "Drums", 8},
      {"P0- Zero", "Zero", -1},       {"PX- Odd", "Odd", -1}, {"P3-Synth", "P3-Synth", -1},
      {"Q3- Synth", "Q3- Synth", -1}, {"P3", "P3", -1},       {"", "", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripPortPrefix(c.item), c.name) << c.item;
    EXPECT_EQ(PortIdxFromItem(c.item), c.port) << c.item;
  }
}

}  // namespace
}  // namespace vel
