// Device names offered by the ALSA backend must not change between runs: RtMidi's client:port
// numbers go, our own ports are hidden, repeats are told apart, everything fits the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/midi/MidiBackend.h"

namespace vel::midi::detail {
namespace {

TEST(MidiDeviceNames, RtMidiNamesBecomeStableTableNames) {
  const std::vector<std::string> raw = {
      "Midi Through:Midi Through Port-0 14:0",
      "USB Keys:USB Keys MIDI 1 20:0",
      "USB Keys:USB Keys MIDI 1 24:0",
      "Vellorine:In Loopback In 1 128:0",
      "A very long client name indeed:and a long port name 130:1",
      "NoNumbers",
      "Odd:Name 1:x",
      "",
      "Synth:Port 7 a:1",
  };
  std::vector<std::string> names;
  std::vector<unsigned> portOf;
  StablePortNames(raw, "Vellorine", names, portOf);
  EXPECT_EQ(names, (std::vector<std::string>{"Midi Through:Midi Through Port-", "USB Keys:USB Keys MIDI 1",
                                             "USB Keys:USB Keys MIDI 1 #2", "A very long client name indeed:",
                                             "NoNumbers", "Odd:Name 1:x", "Synth:Port 7 a:1"}));
  EXPECT_EQ(portOf, (std::vector<unsigned>{0, 1, 2, 4, 5, 6, 8}));
}

TEST(MidiDeviceNames, RepeatsOfFullWidthNamesStayWithinTheWidth) {
  const std::string longName = "Some Interface With A Long Name:Port 1";
  const std::vector<std::string> raw = {longName + " 20:0", longName + " 21:0", longName + " 22:0"};
  std::vector<std::string> names;
  std::vector<unsigned> portOf;
  StablePortNames(raw, "Vellorine", names, portOf);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "Some Interface With A Long Name");
  EXPECT_EQ(names[1], "Some Interface With A Long N #2");
  EXPECT_EQ(names[2], "Some Interface With A Long N #3");
  for (const std::string& n : names) EXPECT_LE(n.size(), kMaxDevName);

  // A character across the width, or across the room left for " #2", is left out whole: the
  // settings file keeps these names and half a character would not read back.
  // 30 bytes, then a character of two: cut before it.
  EXPECT_EQ(TableNames({"Some Interface With A Long Nam\xC3\xA9"}),
            (std::vector<std::string>{"Some Interface With A Long Nam"}));
  // A repeat has 28 bytes before " #2", and byte 28 is the first of a character of two.
  const std::string accented = "Some Interface With A Long \xC3\xA9x";
  EXPECT_EQ(TableNames({accented, accented}),
            (std::vector<std::string>{accented, "Some Interface With A Long  #2"}));
}

// A port whose own name looks like a numbered repeat must not end up with the same name as one.
TEST(MidiDeviceNames, EveryNameInTheTableIsUnique) {
  const std::vector<std::string> raw = {"Synth:Port 20:0", "Synth:Port #2 20:1", "Synth:Port 21:0",
                                        "Synth:Port 22:0"};
  std::vector<std::string> names;
  std::vector<unsigned> portOf;
  StablePortNames(raw, "Vellorine", names, portOf);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Synth:Port", "Synth:Port #2", "Synth:Port #3", "Synth:Port #4"}));
  EXPECT_EQ(portOf, (std::vector<unsigned>{0, 1, 2, 3}));
  EXPECT_EQ(TableNames({"a", "a", "a #2"}), (std::vector<std::string>{"a", "a #2", "a #2 #2"}));
}

TEST(MidiDeviceNames, AtMostATableFullIsKept) {
  std::vector<std::string> raw;
  for (int i = 0; i < 40; ++i)
    raw.push_back("Dev " + std::to_string(i) + ":out " + std::to_string(i + 20) + ":0");
  std::vector<std::string> names;
  std::vector<unsigned> portOf;
  StablePortNames(raw, "Vellorine", names, portOf);
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kMaxDevs));
  EXPECT_EQ(names.back(), "Dev 31:out");
  EXPECT_EQ(portOf.back(), 31u);
}

TEST(MidiDeviceNames, ShortMessageLengthsFollowTheStatusByte) {
  const std::pair<int, int> lengths[] = {{0x00, 0}, {0x7F, 0}, {0x80, 3}, {0x9F, 3}, {0xAF, 3}, {0xB0, 3},
                                         {0xC0, 2}, {0xDF, 2}, {0xE5, 3}, {0xF0, 0}, {0xF1, 2}, {0xF2, 3},
                                         {0xF3, 2}, {0xF6, 1}, {0xF7, 0}, {0xF8, 1}, {0xFF, 1}};
  for (auto [in, want] : lengths) EXPECT_EQ(ShortMsgLength(in), want) << in;
}

}  // namespace
}  // namespace vel::midi::detail
