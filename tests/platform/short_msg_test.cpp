// The packed short message: every layer decides note-on, note-off and hotkey through it, so a
// fault here would show everywhere at once.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/midi/ShortMsg.h"

namespace vel::midi {
namespace {

struct TQueryRow {
  const char* what;
  uint32_t raw;
  uint8_t status, kind, channel, d1, d2;
  bool note, noteOn, noteOff, hotkey, progChange;
};

TEST(ShortMsg, QueriesDecodeEachKindOfMessage) {
  const TQueryRow rows[] = {
      // raw, status, kind, channel, data 1, data 2; note, note-on, note-off, hotkey, program change
      {"note-on", 0x00643C90, 0x90, 0x9, 0, 0x3C, 0x64, true, true, false, false, false},
      {"note-on velocity 1", 0x00013C9E, 0x9E, 0x9, 14, 0x3C, 0x01, true, true, false, false, false},
      {"note-on velocity 0", 0x00003C95, 0x95, 0x9, 5, 0x3C, 0x00, true, false, true, false, false},
      {"note-off", 0x00403C8F, 0x8F, 0x8, 15, 0x3C, 0x40, true, false, true, false, false},
      {"hotkey down", 0x00804193, 0x93, 0x9, 3, 0x41, 0x80, true, true, false, true, false},
      {"hotkey up", 0x00804183, 0x83, 0x8, 3, 0x41, 0x80, true, false, true, true, false},
      {"velocity 128 on pressure", 0x008041A3, 0xA3, 0xA, 3, 0x41, 0x80, false, false, false, false, false},
      {"sustain controller", 0x007F40B1, 0xB1, 0xB, 1, 0x40, 0x7F, false, false, false, false, false},
      {"program change", 0x000005C9, 0xC9, 0xC, 9, 0x05, 0x00, false, false, false, false, true},
      {"channel pressure", 0x000030D2, 0xD2, 0xD, 2, 0x30, 0x00, false, false, false, false, false},
      {"pitch bend", 0x004000EF, 0xEF, 0xE, 15, 0x00, 0x40, false, false, false, false, false},
      {"clock", 0x000000F8, 0xF8, 0xF, 8, 0x00, 0x00, false, false, false, false, false},
      {"top byte ignored", 0xAB643C90, 0x90, 0x9, 0, 0x3C, 0x64, true, true, false, false, false},
  };
  for (const TQueryRow& r : rows) {
    SCOPED_TRACE(r.what);
    const TShortMsg m{r.raw};
    EXPECT_EQ(m.Status(), r.status);
    EXPECT_EQ(m.Kind(), r.kind);
    EXPECT_EQ(m.Channel(), r.channel);
    EXPECT_EQ(m.Data1(), r.d1);
    EXPECT_EQ(m.Data2(), r.d2);
    EXPECT_EQ(m.Bytes(), (std::array<uint8_t, 3>{r.status, r.d1, r.d2}));
    EXPECT_EQ(m.IsNote(), r.note);
    EXPECT_EQ(m.IsNoteOn(), r.noteOn);
    EXPECT_EQ(m.IsNoteOff(), r.noteOff);
    EXPECT_EQ(m.IsHotkey(), r.hotkey);
    EXPECT_EQ(m.IsProgChange(), r.progChange);
    EXPECT_EQ(m.IsController(r.d1), r.kind == 0xB);
    EXPECT_FALSE(m.IsController(static_cast<uint8_t>(r.d1 + 1)));
  }
}

TEST(ShortMsg, SubstitutionsChangeOnlyTheirNibble) {
  struct TRow {
    uint32_t raw;
    uint32_t chan;
    uint32_t withChannel;
    uint8_t kind;
    uint32_t withKind;
  };
  const TRow rows[] = {
      {0x00643C90, 9, 0x00643C99, 0x8, 0x00643C80},
      {0xAB7F3C9F, 0, 0xAB7F3C90, 0x8, 0xAB7F3C8F},      // data bytes and the top byte stay
      {0x000005C3, 0x1A, 0x000005CA, 0x1B, 0x000005B3},  // only the low nibble is taken
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.raw);
    EXPECT_EQ(TShortMsg{r.raw}.WithChannel(r.chan).Raw, r.withChannel);
    EXPECT_EQ(TShortMsg{r.raw}.WithKind(r.kind).Raw, r.withKind);
  }
}

TEST(ShortMsg, PackTakesTheLowByteOfEachPart) {
  EXPECT_EQ(TShortMsg::Pack(0x90, 60, 100).Raw, 0x00643C90u);
  EXPECT_EQ(TShortMsg::Pack(0xC0, 5, 0).WithChannel(12).Raw, 0x000005CCu);
  EXPECT_EQ(TShortMsg::Pack(0x1B0, 0x140, 0x17F).Raw, 0x007F40B0u);
  static_assert(TShortMsg::Pack(0x93, 60, 0).IsNoteOff(), "usable in constant expressions");
}

}  // namespace
}  // namespace vel::midi
