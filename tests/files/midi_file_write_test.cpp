// The MIDI file writer: exact bytes of the header, the settings text, tempo and time signature,
// channel prefix, programs, channel events, hotkeys and markers; which parts become tracks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/PlayCycle.h"
#include "files/FilesTestState.h"
#include "files/MidiFile.h"
#include "files/TempFolder.h"

namespace vel {
namespace {

using test::Bytes;
using test::Cat;
using test::HexOf;
using test::TextEvent;
using test::Track;

class MidiFileWriteTest : public test::FilesTest {};

constexpr const char* kFirstText = "i=Vellorine,v=13.03,s=1,p=1,pl=N,tr=0,po=1,pr=0,sv=5,ht=12000,pi=0,td=1";

TEST_F(MidiFileWriteTest, OnePartIsFormat0WithEveryFirstTrackEventInOrder) {
  Fill(0, 0, {{0, 0x643C90}, {960, 0x003C80}});
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 3840, false));
  SeqBuf(0).ChanPend = 2;
  SeqBuf(0).Selected = 1;
  const auto expected =
      Cat({test::Header(0, 1, 3840),
           Track(Cat({TextEvent(kFirstText), Bytes("00 FF 51 03 07 A1 20"), Bytes("00 FF 58 04 04 02 18 08"),
                      Bytes("00 FF 20 01 02"), Bytes("00 92 3C 64 87 40 82 3C 00 96 40 FF 2F 00")}))});
  EXPECT_EQ(HexOf(Build(false, false)), HexOf(expected));
  // All parts at run time: the same single track.
  EXPECT_EQ(HexOf(Build(false, true)), HexOf(expected));
}

TEST_F(MidiFileWriteTest, SettingsTextWritesSweepsAndCyclesOnlyWhenOn) {
  struct Row {
    const char* name;
    void (*set)(TPartBuf& b);
    const char* text;
  } rows[] = {
      {"plain", [](TPartBuf&) {}, kFirstText},
      {"pitch lock, base and transpose",
       [](TPartBuf& b) {
         b.PitchLocked = 1;
         b.PitchBase = -12;
         b.Pend.Transpose = -5;
         b.Pend.SVel = 7;
         b.PortPend = 2;
       },
       "i=Vellorine,v=13.03,s=1,p=1,pl=Y,tr=-12,po=3,pr=0,sv=7,ht=12000,pi=7,td=1"},
      {"port sweep both ways, downward",
       [](TPartBuf& b) {
         b.PortSweep = {1, 0, 2, 1, 1};
       },
       "i=Vellorine,v=13.03,s=1,p=1,pl=N,tr=0,po=1,pr=0,sv=5,ht=12000,pi=0,os=2/2/1/3,td=1"},
      {"every part sweep but the seq's",
       [](TPartBuf& b) {
         b.ChanSweep = {1, 3, 5, 0, 0};
         b.ProgSweep = {1, 10, 20, 0, 1};
         b.SVelSweep = {1, 2, 9, 1, 0};
       },
       "i=Vellorine,v=13.03,s=1,p=1,pl=N,tr=0,po=1,pr=0,sv=5,ht=12000,pi=0,cs=1/1/4/6,rs=2/1/10/20,vs=1/2/2/"
       "9,td=1"},
      {"pitch cycles and divider",
       [](TPartBuf& b) {
         b.PitchBase = 2;
         b.PitchCycles = 4;
         b.PitchCycleTransA = 7;
         b.PitchCycleTransB = -1;
         b.Pend.Transpose = 2;
         b.TempoDivPend = 3;
       },
       "i=Vellorine,v=13.03,s=1,p=1,pl=N,tr=2,po=1,pr=0,sv=5,ht=12000,pi=0,ic=4/5/-3,td=3"},
      {"a swept sweep that is off is not written",
       [](TPartBuf& b) {
         b.PortSweep = {0, 0, 2, 1, 1};
       },
       kFirstText},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SeqBuf(0) = TPartBuf{};
    Fill(0, 0, {{0, 0x643C90}, {960, 0x003C80}});
    SeqBuf(0).Selected = 1;
    r.set(SeqBuf(0));
    const auto bytes = Build(false, false);
    ASSERT_GT(bytes.size(), 26u);
    const std::string text(bytes.begin() + 26, bytes.begin() + 26 + bytes[25]);
    EXPECT_EQ(text, r.text);
  }
}

TEST_F(MidiFileWriteTest, ManyPartsMakeFormat1AndTheMenuKeepsEmptyPartsUpToTheLast) {
  // Only the second part of seq 3 holds events: seven tracks from the menu, one at run time.
  Fill(1, 2, {{0, 0x403090}, {480, 0x3080}});
  const auto menu = Build(true, true);
  EXPECT_EQ(HexOf({menu.begin(), menu.begin() + 14}), HexOf(test::Header(1, 7, 3840)));
  const auto runTime = Build(false, true);
  EXPECT_EQ(HexOf({runTime.begin(), runTime.begin() + 14}), HexOf(test::Header(0, 1, 3840)));
  // The second track of the menu's file is seq 2's empty first part: text, channel prefix, end.
  std::size_t at = 14;
  const auto chunkLen = [&](std::size_t p) {
    return (uint32_t(menu[p + 4]) << 24) | (uint32_t(menu[p + 5]) << 16) | (uint32_t(menu[p + 6]) << 8) |
           menu[p + 7];
  };
  at += 8 + chunkLen(at);
  const std::vector<uint8_t> second(menu.begin() + static_cast<long>(at),
                                    menu.begin() + static_cast<long>(at + 8 + chunkLen(at)));
  EXPECT_EQ(HexOf(second), HexOf(Track(Cat({TextEvent("s=2,p=1,pl=N,tr=0,po=1,pr=0,sv=5,pi=0,td=1"),
                                            Bytes("00 FF 20 01 00"), Bytes("00 FF 2F 00")}))));
  // Two selected non-empty parts: format 1 with two tracks.
  Fill(0, 0, {{0, 0x403C90}, {480, 0x3C80}});
  SeqBuf(0).Selected = 1;
  Seqs.SeqRecs[2].PlayPart = 1;
  SeqBuf(2).Selected = 1;
  const auto two = Build(false, false);
  EXPECT_EQ(HexOf({two.begin(), two.begin() + 14}), HexOf(test::Header(1, 2, 3840)));
}

TEST_F(MidiFileWriteTest, EventsTakeThePartsChannelHotkeysBecomeCuesAndInnerMarkersAreSkipped) {
  Cfg.SaveProgChanges = 1;
  PlayCycle.PortChanProgs[0][5].ProgReq = 33;
  Fill(0, 0, {{0, 0x643C91}, {0, 0x0719C3}, {10, 0x2000E4}});
  ASSERT_TRUE(InsertPartEvent(0, 0, 0x804190, 20, false));  // hotkey down, key 0x41
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 1000, false));    // a rest
  ASSERT_TRUE(InsertPartEvent(0, 0, 0x804180, 1500, false));
  ASSERT_TRUE(InsertPartEvent(0, 0, 0x3C81, 2000, false));
  ASSERT_TRUE(InsertPartEvent(0, 0, 0x50D7, 2001, false));
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 3840, false));  // recording's double end marker
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 3840, false));
  SeqBuf(0).ChanPend = 5;
  SeqBuf(0).Selected = 1;
  const auto bytes = Build(false, false);
  const std::string text = "i=Vellorine,v=13.03,s=1,p=1,pl=N,tr=0,po=1,pr=33,sv=5,ht=12000,pi=0,td=1";
  const auto expected =
      Cat({test::Header(0, 1, 3840),
           Track(Cat({TextEvent(text), Bytes("00 FF 51 03 07 A1 20 00 FF 58 04 04 02 18 08"),
                      Bytes("00 FF 20 01 05 00 C5 21"), Bytes("00 95 3C 64 00 C5 19"), Bytes("0A E5 00 20"),
                      Bytes("0A FF 07 03 68 31 41"), Bytes("8B 48 FF 07 03 68 30 41"),
                      Bytes("83 74 85 3C 00 01 D5 50"), Bytes("8E 2F FF 2F 00")}))});
  EXPECT_EQ(HexOf(bytes), HexOf(expected));
  // Program changes stay out when they are not saved.
  Cfg.SaveProgChanges = 0;
  const auto noProgs = Build(false, false);
  EXPECT_EQ(HexOf(noProgs).find("C5"), std::string::npos);
}

TEST_F(MidiFileWriteTest, TimeSignatureOnlyForPowersOfTwoAndTempoFromWholeBpm) {
  struct Row {
    int32_t tempo, beats, len;
    const char* events;
  } rows[] = {
      {12345, 6, 8, "00 FF 51 03 07 71 7C 00 FF 58 04 06 03 18 08"},
      {32000, 3, 4, "00 FF 51 03 02 DC 6C 00 FF 58 04 03 02 18 08"},
      {2000, 5, 6, "00 FF 51 03 2D C6 C0"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.events);
    Cfg.Tempo = r.tempo;
    Cfg.BeatsPerBar = r.beats;
    Cfg.NoteLenFrac = r.len;
    SeqBuf(0) = TPartBuf{};
    Fill(0, 0, {{0, 0x643C90}});
    SeqBuf(0).Selected = 1;
    const auto bytes = Build(false, false);
    const std::size_t textEnd = 26 + bytes[25];
    const std::string events = HexOf({bytes.begin() + static_cast<long>(textEnd), bytes.end()});
    EXPECT_EQ(events.substr(0, std::string(r.events).size()), r.events);
    EXPECT_EQ(events.substr(std::string(r.events).size(), 15), " 00 FF 20 01 00");
  }
}

TEST_F(MidiFileWriteTest, RefusalsAndFaultsGiveTheirTexts) {
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(BuildMidiFile(true, true, out, error));
  EXPECT_EQ(error, "Nothing saved; all seqs are empty");
  EXPECT_FALSE(BuildMidiFile(false, false, out, error));
  EXPECT_EQ(error, "Nothing saved; seqs are empty");
  Fill(0, 0, {{0, 0x643C90}, {0x10000000, 0x3C80}});
  SeqBuf(0).Selected = 1;
  test::TempFolder folder;
  EXPECT_FALSE(SaveSeqsToMidiFile(folder / "big.mid", false, false));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Error in Save; delta time 268435456 too large in seq 1, part 1");
  EXPECT_FALSE(std::filesystem::exists(folder / "big.mid"));
  Seqs.SeqRecs[1].PartSweepOn = 1;
  EXPECT_FALSE(BuildMidiFile(false, true, out, error));
  EXPECT_EQ(error, "Cannot save seqs with sweeping part nos.");
}

TEST_F(MidiFileWriteTest, ASaveReplacesTheFileWholeAndAFailedOneLeavesTheOld) {
  test::TempFolder folder;
  Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}});
  SeqBuf(0).Selected = 1;
  const std::string file = folder / "song.mid";
  test::WriteBytes(file, {1, 2, 3});
  // A file of the user's that happens to bear the name "<file>.tmp" is not the writer's to use.
  test::WriteBytes(file + ".tmp", {4, 5});
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(SaveSeqsToMidiFile(file, false, true));
  const auto saved = Build(false, true);
  EXPECT_EQ(HexOf(test::ReadBytes(file)), HexOf(saved));
  EXPECT_EQ(HexOf(test::ReadBytes(file + ".tmp")), "04 05");
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write |
                                                             std::filesystem::perms::group_read);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            2);
  // A save that finds nothing leaves the file; one into a missing folder says so.
  ClearPartBuf(0, 0);
  EXPECT_FALSE(SaveSeqsToMidiFile(file, false, true));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Nothing saved; all seqs are empty");
  EXPECT_EQ(HexOf(test::ReadBytes(file)), HexOf(saved));
  Fill(0, 0, {{0, 0x643C90}});
  EXPECT_FALSE(SaveSeqsToMidiFile(folder / "none/x.mid", false, true));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Error creating MIDI file " + (folder / "none/x.mid"));
}

TEST(MidiFileTexts, VersionsAndFileMessages) {
  EXPECT_EQ(CfgVersionToInt("13.03"), 1303);
  EXPECT_EQ(CfgVersionToInt(" 10 . 15 "), 1015);
  // A version the settings file would refuse reads as no version (an old file) here too.
  EXPECT_EQ(CfgVersionToInt("9"), std::nullopt);
  EXPECT_EQ(CfgVersionToInt("10.159998999999:99"), std::nullopt);  // a file cannot overflow it
  EXPECT_EQ(FormatFileMsg("Cannot open MIDI file", "/home/u/Vellorine/a.mid"),
            "Cannot open MIDI file a.mid\r\nin folder /home/u/Vellorine");
  EXPECT_EQ(FormatFileMsg("Cannot open MIDI file", "a.mid"), "Cannot open MIDI file a.mid");
}

}  // namespace
}  // namespace vel
