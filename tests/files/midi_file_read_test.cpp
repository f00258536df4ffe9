// The MIDI file reader: time scaling, tempo and time signature, the program's own settings text,
// slot choice and discarded tracks, refusals, and corrupt files that leave the seqs as they were.
#include <gtest/gtest.h>

#include <tuple>

#include "base/UiRecorder.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "files/DemoFiles.h"
#include "files/FilesTestState.h"
#include "files/MidiFile.h"
#include "files/TempFolder.h"

namespace vel {
namespace {

using test::Bytes;
using test::Cat;
using test::Header;
using test::TEvents;
using test::TextEvent;
using test::Track;

class MidiFileReadTest : public test::FilesTest {};

// One note of 100 source ticks on channel 1, then end of track.
std::vector<uint8_t> OneNote(int division) {
  return Cat({Header(0, 1, division), Track(Bytes("00 90 3C 64 64 80 3C 40 00 FF 2F 00"))});
}

TEST_F(MidiFileReadTest, DivisionsScaleExactlyAndLogTheirRounding) {
  struct Row {
    int division;
    int32_t off;  // the note off's time in 3840ths
    std::vector<std::string> log;
  } rows[] = {
      {96, 4000, {}},
      {480, 800, {}},
      {3840, 100, {}},
      {7680, 50, {}},
      {100,
       3840,
       {"Timing may not be accurate due to Time Division rounding errors",
        "TickScaleFactor: x38, rounding error: 40"}},
      {5000,
       76,
       {"Timing may not be accurate due to Time Division rounding errors",
        "TickScaleFactor: 1/1, rounding error: 1160"}},
  };
  Trace.DiagFlags = 1;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.division);
    TakeDiag();
    ASSERT_TRUE(Load(OneNote(r.division)));
    EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643C90}, {r.off, 0x403C80}, {r.off, 0xFF}}));
    std::vector<std::string> rounding;
    for (const std::string& line : TakeDiag())
      if (line.rfind("Timing", 0) == 0 || line.rfind("TickScale", 0) == 0) rounding.push_back(line);
    EXPECT_EQ(rounding, r.log);
  }
}

TEST_F(MidiFileReadTest, TempoEventsWithinLimitsAndTheirWarnings) {
  struct Row {
    const char* us;  // 24-bit tempo value
    int32_t tempo;
    const char* warn;
  } rows[] = {
      {"03 A9 80", 25000, ""},                                            // 240000: 250 BPM
      {"02 49 F0", 32000, "@SMF tempo 400 too large, truncated to 320"},  // 150000
      {"5B 8D 80", 2000, "@SMF tempo 10 too small, increased to 20"},     // 6000000
      {"0A 2C 2B", 9000, ""},                                             // 666667: 90 BPM, not 89
      {"07 A1 1F", 12000, ""},                                            // 499999
      {"00 00 00", 15000, ""},                                            // ignored
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.us);
    RunCtl.ProgState = TProgState::Config;
    Cfg.Tempo = 15000;
    ClearTexts();
    ASSERT_TRUE(Load(Cat({Header(0, 1, 96), Track(Cat({Bytes("00 FF 51 03"), Bytes(r.us),
                                                       Bytes("00 90 3C 64 60 80 3C 00 00 FF 2F 00")}))})));
    EXPECT_EQ(Cfg.Tempo, r.tempo);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.warn);
  }
  // While running the target tempo moves, and only the first tempo event of a file counts.
  RunCtl.ProgState = TProgState::Running;
  ASSERT_TRUE(
      Load(Cat({Header(1, 2, 96), Track(Bytes("00 FF 51 03 03 A9 80 00 90 3C 64 60 80 3C 00 00 FF 2F 00")),
                Track(Bytes("00 FF 51 03 07 A1 20 00 90 3C 64 60 80 3C 00 00 FF 2F 00"))})));
  EXPECT_EQ(Cfg.TargetTempo, 25000);
}

TEST_F(MidiFileReadTest, TimeSignatures) {
  struct Row {
    const char* ts;
    int32_t beats, len;
  } rows[] = {{"03 03", 3, 8}, {"00 02", 4, 4}, {"01 03", 8, 8}, {"07 02", 7, 4}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ts);
    Cfg.BeatsPerBar = 5;
    Cfg.NoteLenFrac = 16;
    ASSERT_TRUE(
        Load(Cat({Header(0, 1, 96), Track(Cat({Bytes("00 FF 58 04"), Bytes(r.ts),
                                               Bytes("18 08 00 90 3C 64 60 80 3C 00 00 FF 2F 00")}))})));
    EXPECT_EQ(Cfg.BeatsPerBar, r.beats);
    EXPECT_EQ(Cfg.NoteLenFrac, r.len);
  }
}

std::vector<uint8_t> OwnFile(const std::string& firstText, const std::string& secondText = "") {
  const auto notes =
      Bytes("00 FF 51 03 07 A1 20 00 FF 20 01 03 00 C3 05 00 93 3C 64 83 60 83 3C 00 00 FF 2F 00");
  if (secondText.empty()) return Cat({Header(0, 1, 3840), Track(Cat({TextEvent(firstText), notes}))});
  return Cat({Header(1, 2, 3840), Track(Cat({TextEvent(firstText), notes})),
              Track(Cat({TextEvent(secondText), Bytes("00 91 30 64 83 60 81 30 00 00 FF 2F 00")}))});
}

TEST_F(MidiFileReadTest, OwnSettingsTextComesBackFieldByField) {
  ASSERT_TRUE(Load(
      OwnFile("i=Vellorine,v=13.03,s=2,p=2,pl=Y,tr=-3,po=3,pr=5,sv=8,ht=12345,pi=4,ps=2/1/1/2,os=1/2/1/3,"
              "cs=2/1/2/16,rs=1/1/10/20,vs=2/2/0/9,ic=3/1/-2,td=4")))
      << Msgs.WarnMsg.Peek();
  const TPartBuf& b = Seqs.PartBufs[1][1];
  // The program change ahead of the events is the "pr" program: it sets the program only.
  EXPECT_EQ(test::PartEvents(1, 1), (TEvents{{0, 0x643C93}, {480, 0x3C83}, {480, 0xFF}}));
  EXPECT_EQ(b.PitchLocked, 1);
  EXPECT_EQ(b.PitchBase, -3);
  EXPECT_EQ(b.PortPend, 2);
  EXPECT_EQ(b.Pend.SVel, 8);
  EXPECT_EQ(b.ChanPend, 3);
  EXPECT_EQ(b.Chan[2], 3);
  EXPECT_EQ(PlayCycle.PortChanProgs[2][3].ProgReq, 5);
  EXPECT_EQ(Cfg.TargetTempo, 12345);
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepOn, 1);
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepPingPong, 1);
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepHigh, 1);
  EXPECT_EQ((std::vector<int>{b.PortSweep.On, b.PortSweep.PingPong, b.PortSweep.Dir, b.PortSweep.Low,
                              b.PortSweep.High}),
            (std::vector<int>{1, 0, 1, 0, 2}));
  EXPECT_EQ((std::vector<int>{b.ChanSweep.On, b.ChanSweep.Low, b.ChanSweep.High}),
            (std::vector<int>{1, 1, 15}));
  EXPECT_EQ((std::vector<int>{b.ProgSweep.On, b.ProgSweep.Low, b.ProgSweep.High}),
            (std::vector<int>{1, 10, 20}));
  EXPECT_EQ((std::vector<int>{b.SVelSweep.On, b.SVelSweep.Dir, b.SVelSweep.Low, b.SVelSweep.High}),
            (std::vector<int>{1, 1, 0, 9}));
  EXPECT_EQ((std::vector<int>{b.PitchCycles, b.PitchCycleTransA, b.PitchCycleTransB, b.Pend.Transpose,
                              b.PitchCycleSel}),
            (std::vector<int>{3, -2, -5, -5, 1}));
  EXPECT_EQ(b.TempoDiv, 4);
  EXPECT_EQ(b.TempoDivPend, 4);
}

TEST_F(MidiFileReadTest, SettingsFieldsOutOfOrderAndOldVersions) {
  struct Row {
    const char* text;
    int port, svel, transpose;
  } rows[] = {
      // Before 10.15 the port was written 0-based.
      {"i=Vellorine,v=10.14,s=1,p=1,po=2,sv=3", 2, 3, 0},
      {"i=Vellorine,v=10.15,s=1,p=1,po=2,sv=3", 1, 3, 0},
      // "sv" before "po" stops the reading there: neither is applied.
      {"i=Vellorine,v=13.03,s=1,p=1,pi=2,sv=3,po=2", 0, 5, 2},
      // An unallocated port and an out-of-range velocity scale are left alone.
      {"i=Vellorine,v=13.03,s=1,p=1,po=9,sv=10", 0, 5, 0},
      // A field with more than a number in it is no number: it is left alone too.
      {"i=Vellorine,v=13.03,s=1,p=1,po=2,sv=3x", 1, 5, 0},
      // Not the program's own file: nothing is read.
      {"Iden=Vellorine,v=13.03,s=1,p=1,po=2,sv=3", 0, 5, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    Seqs.PartBufs[0][0].PortPend = 0;
    ASSERT_TRUE(Load(OwnFile(r.text)));
    const TPartBuf& b = Seqs.PartBufs[0][0];
    EXPECT_EQ(b.PortPend, r.port);
    EXPECT_EQ(b.Pend.SVel, r.svel);
    EXPECT_EQ(b.Pend.Transpose, r.transpose);
  }
}

TEST_F(MidiFileReadTest, TracksGoToSlotsInOrderAndDiscardedOnesGiveTheirSlotAway) {
  const auto controllersOnly = Track(Bytes("00 B0 07 64 60 B0 07 50 00 FF 2F 00"));
  const auto notes = [](const char* note) {
    return Track(Cat({Bytes("00 90"), Bytes(note), Bytes("64 60 80"), Bytes(note), Bytes("00 00 FF 2F 00")}));
  };
  ASSERT_TRUE(Load(Cat({Header(1, 3, 96), controllersOnly, notes("30"), notes("31")})));
  EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643090}, {3840, 0x3080}, {3840, 0xFF}}));
  EXPECT_EQ(test::PartEvents(0, 1), (TEvents{{0, 0x643190}, {3840, 0x3180}, {3840, 0xFF}}));
  // Nine tracks for eight parts: the last is discarded with its warning.
  std::vector<uint8_t> nine = Header(1, 9, 96);
  for (int t = 0; t < 9; ++t) nine = Cat({nine, notes("40")});
  ASSERT_TRUE(Load(nine));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Tracks discarded; not enough seqs");
  EXPECT_EQ(Seqs.PartBufs[1][3].EventsUsed, 3);
  // Selected parts only: the selected seqs in order, others untouched.
  ClearTexts();
  SeqBuf(1).Selected = 1;
  Seqs.SeqRecs[3].PlayPart = 1;
  SeqBuf(3).Selected = 1;
  ASSERT_TRUE(Load(Cat({Header(1, 3, 96), notes("50"), notes("51"), notes("52")}), false));
  EXPECT_EQ(test::PartEvents(0, 1)[0].second, 0x645090u);
  EXPECT_EQ(test::PartEvents(1, 3)[0].second, 0x645190u);
  EXPECT_EQ(test::PartEvents(0, 0)[0].second, 0x644090u);
  // A track loaded into the metronome seq is flagged, for the main window's warning.
  Cfg.MetrSeqNo = 1;
  ASSERT_TRUE(Load(Cat({Header(1, 2, 96), notes("50"), notes("51")}))) << Msgs.WarnMsg.Peek();
  EXPECT_EQ(Files.MetrSeqLoaded, 1);
  ASSERT_TRUE(Load(Cat({Header(0, 1, 96), notes("50")})));
  EXPECT_EQ(Files.MetrSeqLoaded, 0);
}

TEST_F(MidiFileReadTest, RunningStatusSysexUnknownMetaAndHotkeysInOwnFiles) {
  const auto data =
      Cat({TextEvent("i=Vellorine,v=13.03,s=1,p=1"), Bytes("00 F0 03 7E 7F F7 00 FF 7F 02 01 02"),
           Bytes("00 90 3C 64 00 3E 64 10 3C 00 00 3E 00"), Bytes("05 FF 07 03 68 31 41"),
           Bytes("05 FF 07 03 68 30 41 00 FF 2F 00")});
  ASSERT_TRUE(Load(Cat({Header(0, 1, 3840), Track(data)})));
  EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643C90},
                                             {0, 0x643E90},
                                             {16, 0x3C80},
                                             {16, 0x3E80},
                                             {21, 0x804190},
                                             {26, 0x804180},
                                             {26, 0xFF}}));
  EXPECT_EQ(Seqs.PartBufs[0][0].HasHotkeyEvents, 1);
  // In another program's file a cue point is only a cue point.
  ASSERT_TRUE(Load(
      Cat({Header(0, 1, 3840), Track(Bytes("00 90 3C 64 05 FF 07 03 68 31 41 10 80 3C 00 00 FF 2F 00"))})));
  EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643C90}, {21, 0x3C80}, {21, 0xFF}}));
}

TEST_F(MidiFileReadTest, CorruptFilesGiveTheirTextAndLeaveTheSeqsAsTheyWere) {
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* text;
  } rows[] = {
      {"empty", {}, "@MIDI file error: missing MThd chunk header"},
      {"not MIDI", test::Text("RIFF....WAVEfmt "), "@MIDI file error: missing MThd chunk header"},
      {"truncated header", Bytes("4D 54 68 64 00 00 00 06 00 01"),
       "@MIDI file error: invalid no. of tracks field"},
      {"header size", Bytes("4D 54 68 64 00 00 00 08 00 01 00 01 00 60 00 00"),
       "@MIDI file error: invalid header size"},
      {"no tracks", Header(1, 0, 96), "@MIDI file error: no tracks"},
      {"SMPTE", Header(0, 1, 0xE728), "@MIDI file error: frames-per-sec currently unsupported"},
      {"missing track", Header(1, 2, 96), "@MIDI file error: missing MTrk chunk header"},
      {"track past the end", Cat({Header(0, 1, 96), Bytes("4D 54 72 6B 00 00 01 00 00 90 3C 64")}),
       "@MIDI file error: invalid track data"},
      {"data byte without status", Cat({Header(0, 1, 96), Track(Bytes("00 3C 64 00 FF 2F 00"))}),
       "@MIDI file error: invalid track data"},
      {"event cut short", Cat({Header(0, 1, 96), Track(Bytes("00 90 3C"))}),
       "@MIDI file error: invalid track data"},
      {"five-byte delta", Cat({Header(0, 1, 96), Track(Bytes("81 81 81 81 01 90 3C 64"))}),
       "@MIDI file error: invalid track data"},
      {"meta past the track", Cat({Header(0, 1, 96), Track(Bytes("00 FF 01 40 41 42"))}),
       "@MIDI file error: invalid track data"},
      {"bad second track",
       Cat({Header(1, 2, 96), Track(Bytes("00 90 3C 64 60 80 3C 00 00 FF 2F 00")), Track(Bytes("00 F4 00"))}),
       "@MIDI file error: invalid track data"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ClearTexts();
    ClearPartBuf(0, 0);
    ClearPartBuf(1, 2);
    Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}});
    Fill(1, 2, {{5, 0x643090}});
    Cfg.Tempo = 13300;
    EXPECT_FALSE(Load(r.bytes));
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.text);
    EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643C90}, {960, 0x3C80}}));
    EXPECT_EQ(test::PartEvents(1, 2), (TEvents{{5, 0x643090}}));
    EXPECT_EQ(Cfg.Tempo, 13300);
  }
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "HandleSysex error: Unexpected MidiQual: 244");
}

TEST_F(MidiFileReadTest, LoadsNeedStoppedSeqsAndFilesThatExist) {
  Fill(0, 1, {{0, 0x643C90}});
  struct Row {
    TSeqState state;
    bool selected;
    bool all;
    const char* text;
  } rows[] = {
      {TSeqState::Playing, false, true, "@Load command ignored: all seqs must be stopped"},
      {TSeqState::Recording, false, true, "@Load command ignored: all seqs must be stopped"},
      {TSeqState::Playing, true, false, "@Load command ignored: all selected seqs must be stopped"},
      {TSeqState::Playing, false, false, "@No seqs loaded"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    ClearTexts();
    SeqBuf(1).SeqState = r.state;
    SeqBuf(1).Selected = r.selected;
    EXPECT_FALSE(Load(OneNote(96), r.all));
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.text);
    EXPECT_EQ(test::PartEvents(0, 1), (TEvents{{0, 0x643C90}}));
  }
  SeqBuf(1).SeqState = TSeqState::Stopped;
  test::TempFolder folder;
  EXPECT_FALSE(LoadSeqsFromMidiFile(-1, folder / "missing.mid", false, true));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Error opening MIDI file " + (folder / "missing.mid"));
  EXPECT_EQ(test::PartEvents(0, 1), (TEvents{{0, 0x643C90}}));
  test::UiRecorder ui;
  EXPECT_FALSE(Unlocked([&] { return LoadSeqsFromMidiFile(-1, folder / "missing.mid", true, true); }));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Cannot open MIDI file missing.mid\r\nin folder " + folder.Path());
}

TEST_F(MidiFileReadTest, AFullPartIsLeftEmptyWithTheOverflowText) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 2500; ++i) data = Cat({data, Bytes("00 90 3C 64 01 80 3C 00")});
  data = Cat({data, Bytes("00 FF 2F 00")});
  ASSERT_FALSE(Load(Cat({Header(0, 1, 96), Track(data)})));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Load seq 1 aborted; buffer overflow");
  EXPECT_EQ(Seqs.PartBufs[0][0].Head, -1);
}

// A file that reads but would load nothing, or not all it holds, changes no part, setting or tempo.
TEST_F(MidiFileReadTest, FilesThatLoadNothingOrTooMuchChangeNothing) {
  const auto notes = Track(Bytes("00 90 3C 64 60 80 3C 00 00 FF 2F 00"));
  const auto controllers = Track(Bytes("00 B0 07 64 60 B0 07 50 00 FF 2F 00"));
  std::vector<uint8_t> long6001;  // 3000 notes, their offs and the end: one more than a part holds
  for (int i = 0; i < 3000; ++i) long6001 = Cat({long6001, Bytes("00 90 3C 64 01 80 3C 00")});
  long6001 = Track(Cat({long6001, Bytes("00 FF 2F 00")}));
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    bool all;
    const char* text;
  } rows[] = {
      {"one empty track, all parts", Cat({Header(0, 1, 96), Track(Bytes("00 FF 2F 00"))}), true,
       "No seqs loaded"},
      {"two controller-only tracks, selected", Cat({Header(1, 2, 96), controllers, controllers}), false,
       "No seqs loaded"},
      {"notes of no length, selected", Cat({Header(0, 1, 96), Track(Bytes("00 90 3C 64 00 80 3C 00"))}),
       false, "No seqs loaded"},
      {"an overlong track, selected", Cat({Header(0, 1, 96), long6001}), false,
       "Load seq 2 aborted; buffer overflow"},
      {"a good track then an overlong one, all parts", Cat({Header(1, 2, 96), notes, long6001}), true,
       "Load seq 2 aborted; buffer overflow"},
  };
  // Seq 2 is selected and stopped with a seven-event take; seq 3 plays on.
  Fill(0, 1, {{0, 0x643C90}, {0, 0x4007B0}, {100, 0x3C80}, {200, 0x503E90}, {300, 0x3E80}, {400, 0x05C0}});
  ASSERT_TRUE(InsertPartEvent(0, 1, 0xFF, 3840, false));
  Fill(1, 2, {{5, 0x643090}});
  SeqBuf(1).Selected = 1;
  SeqBuf(1).PortPend = 2;
  const TEvents take = test::PartEvents(0, 1);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ClearTexts();
    SeqBuf(2).SeqState = r.all ? TSeqState::Stopped : TSeqState::Playing;
    Cfg.Tempo = 13300;
    test::UiRecorder ui;
    EXPECT_FALSE(Unlocked(
        [&] { return LoadSeqsFromMidiBytes(r.bytes.data(), r.bytes.size(), "x.mid", true, r.all); }));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, r.text);
    EXPECT_EQ(test::PartEvents(0, 1), take);
    EXPECT_EQ(SeqBuf(1).PortPend, 2);
    EXPECT_EQ(test::PartEvents(1, 2), (TEvents{{5, 0x643090}}));
    EXPECT_EQ(Cfg.Tempo, 13300);
  }
}

TEST_F(MidiFileReadTest, EveryDemoLoadsAndPlays) {
  const int tracks[] = {2, 3, 4, 6, 1, 1, 1, 1, 1, 1};
  for (int d = 0; d < kDemoFiles; ++d) {
    SCOPED_TRACE(d + 1);
    const auto demo = DemoFile(d);
    ASSERT_GE(demo.size(), 14u);
    EXPECT_EQ(demo[9], d < 4 ? 1 : 0);
    EXPECT_EQ(demo[11], tracks[d]);
    EXPECT_EQ((demo[12] << 8) | demo[13], 3840);
    ClearTexts();
    ASSERT_TRUE(LoadSeqsFromMidiFile(d, "", false, true)) << Msgs.WarnMsg.Peek();
    EXPECT_EQ(Msgs.WarnMsg.Peek(), "");
    int loaded = 0;
    for (int p = 0; p < kParts; ++p)
      for (int s = 0; s < kSeqs; ++s) loaded += Seqs.PartBufs[p][s].Head >= 0;
    EXPECT_EQ(loaded, tracks[d]);
  }
  // The fourth, the program's own, puts its six tracks in both parts of seqs 1 to 3 at its own tempo;
  // the sweep example its menu item names: each seq sweeps verse to chorus, the drums' velocity
  // sweeps 4 to 8 and back.
  ASSERT_TRUE(LoadSeqsFromMidiFile(3, "", false, true));
  EXPECT_EQ(Cfg.TargetTempo, 12550);
  for (int s = 0; s < 3; ++s) {
    EXPECT_GE(Seqs.PartBufs[1][s].Head, 0);
    const TSeqRec& r = Seqs.SeqRecs[s];
    EXPECT_EQ(std::tuple(r.PartSweepOn, r.PartSweepLow, r.PartSweepHigh, r.PartSweepDir, r.PartSweepPingPong),
              std::tuple(1, 0, 1, 0, 0))
        << s;
  }
  EXPECT_EQ(Seqs.SeqRecs[3].PartSweepOn, 0);
  for (int p = 0; p < kParts; ++p) {
    const auto& v = Seqs.PartBufs[p][2].SVelSweep;
    EXPECT_EQ(std::tuple(v.On, v.Low, v.High, v.Dir, v.PingPong), std::tuple(1, 4, 8, 0, 1)) << p;
    EXPECT_EQ(Seqs.PartBufs[p][0].SVelSweep.On, 0) << p;
  }
  // Demo 5 plays its notes on port 0.
  ASSERT_TRUE(LoadSeqsFromMidiFile(4, "", false, true));
  Cfg.Tempo = Cfg.TargetTempo = 12000;
  ClearSent();
  Play(0);
  Ticks(200);
  const auto sent = SentHex(0);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0], "90 3C 78");
  EXPECT_FALSE(LoadSeqsFromMidiFile(10, "", false, true));
}

}  // namespace
}  // namespace vel
