// The part-buffer and input-buffer dumps and the two test preloads.
#include "files/Dumps.h"

#include <gtest/gtest.h>

#include "base/UiRecorder.h"
#include "engine/MidiIn.h"
#include "files/FilesTestState.h"

namespace vel {
namespace {

using test::TEvents;

class DumpsTest : public test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    ui.Install();
  }
  test::UiRecorder ui;
};

TEST_F(DumpsTest, PartDumpListsStateEventsAndNoteBookkeeping) {
  Fill(0, 1, {{0, 0x643C90}, {480, 0x3C80}, {480, 0x404090}, {12000, 0x3E80}});
  ASSERT_TRUE(InsertPartEvent(0, 1, 0x804190, 12000, false));
  ASSERT_TRUE(InsertPartEvent(0, 1, 0xFF, 15360, false));
  Trace.DiagFlags = 1;
  DspSeqs(0, 1, false, false);
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(ui.log[0],
            "Seq:2, Part:1, State:Stopped, PlayEvIndex:0\r\n"
            "RElap:15360, PElap:0, PRRem:0, MRRem:0\r\n"
            "TicksRem:0, AdjMidiEvent:00000000\r\n"
            "Elap ticks, delta ticks, hex event, decode\r\n"
            "00000 00000 00643C90 chan 1, note C3 on, vel 100\r\n"
            "00480 00480 00003C80 chan 1, note C3 off, vel 0, len 480\r\n"
            "00480 00000 00404090 chan 1, note E3 on, vel 64\r\n"
            "12000 11520 00003E80 chan 1, note D3 off, vel 0, missing note-on\r\n"
            "12000 00000 00804190 hotkey ' a' down\r\n"
            "15360 03360 000000FF end marker\r\n"
            "Total note-on's 2, missing note-on's 1, missing note-off's 1\r\n"
            "480 00404090 chan 1, note E3 on, vel 64, missing note-off\r\n"
            "Lowest note C3, highest E3, first C3");
  ui.log.clear();
  DspSeqs(0, 1, false, true);
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_EQ(ui.log[0],
            "Seq:2, Part:1, State:Stopped, PlayEvIndex:0\r\n"
            "RElap:15360, PElap:0, PRRem:0, MRRem:0\r\n"
            "TicksRem:0, AdjMidiEvent:00000000\r\n"
            "Total note-on's 2, missing note-on's 1, missing note-off's 1\r\n"
            "480 00404090 chan 1, note E3 on, vel 64, missing note-off\r\n"
            "Lowest note C3, highest E3, first C3");
  // Filtered: only what the trace switches let through (notes and hotkeys, not the end marker).
  ui.log.clear();
  Trace.TraceNotes = 0;
  Trace.TraceHotkey = 1;
  DspSeqs(0, 1, true, false);
  ASSERT_EQ(ui.log.size(), 1u);
  EXPECT_NE(ui.log[0].find("decode\r\n12000 00000 00804190 hotkey ' a' down\r\nTotal"), std::string::npos)
      << ui.log[0];
  // A broken link ends the walk instead of running wild.
  ui.log.clear();
  Seqs.PartBufs[0][1].Events[2].Next = 9999;
  DspSeqs(0, 1, false, true);
  EXPECT_NE(ui.log[0].find("Total note-on's 2, missing note-on's 0, missing note-off's 1"), std::string::npos)
      << ui.log[0];
}

TEST_F(DumpsTest, NothingForEmptyOrUnusedPartsOrWithDiagnosticsOff) {
  Fill(0, 0, {{0, 0x643C90}});
  Trace.DiagFlags = 0;
  DspSeqs(0, 0, false, false);
  DumpMidiInBuffer();
  Trace.DiagFlags = 1;
  DspSeqs(1, 0, false, false);
  DspSeqs(2, 0, false, false);
  Cfg.MaxActiveSeqs = 2;
  Fill(0, 3, {{0, 0x643C90}});
  DspSeqs(0, 3, false, false);
  EXPECT_TRUE(ui.log.empty());
  MidiIn.MidiInBuffer[0] = {1234, 0x403C90};
  MidiIn.MidiInBuffer[1] = {1300, 0x3C80};
  MidiIn.MidiInBufferLast = 1;
  DumpMidiInBuffer();
  EXPECT_EQ(ui.log, (std::vector<std::string>{"MIDI input buffer\r\n1234 00403C90\r\n1300 00003C80"}));
}

TEST_F(DumpsTest, TestPreloadsPlayKnownArpeggios) {
  Unlocked([] { LoadTestSeqs(true); });
  EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x7F1890},
                                             {960, 0x7F1880},
                                             {3840, 0x301B90},
                                             {4800, 0x301B80},
                                             {7680, 0x301F90},
                                             {8640, 0x301F80},
                                             {11520, 0x302490},
                                             {12480, 0x302480},
                                             {15360, 0x7F1890},
                                             {16320, 0x7F1880},
                                             {19200, 0x301B90},
                                             {20160, 0x301B80},
                                             {23040, 0x301F90},
                                             {24000, 0x301F80},
                                             {26880, 0x302490},
                                             {27840, 0x302480},
                                             {30720, 0xFF}}));
  EXPECT_EQ(test::PartEvents(0, 1), (TEvents{{0, 0x7F2490},
                                             {960, 0x7F2480},
                                             {3840, 0x302790},
                                             {4800, 0x302780},
                                             {7680, 0x302B90},
                                             {8640, 0x302B80},
                                             {11520, 0x303090},
                                             {12480, 0x303080},
                                             {15360, 0xFF}}));
  // Variant B in 3/8: odd seqs their own pattern, everything two octaves up.
  Cfg.BeatsPerBar = 3;
  Cfg.NoteLenFrac = 8;
  RecalcBeatTicks(true);
  Unlocked([] { LoadTestSeqs(false); });
  EXPECT_EQ(test::PartEvents(0, 3), (TEvents{{0, 0x7F3C90},
                                             {480, 0x7F3C80},
                                             {1920, 0x303790},
                                             {2400, 0x303780},
                                             {3840, 0x303390},
                                             {4320, 0x303380},
                                             {5760, 0xFF}}));
  EXPECT_EQ(test::PartEvents(0, 2).size(), 13u);
  // Not while a seq plays.
  SeqBuf(1).SeqState = TSeqState::Playing;
  Unlocked([] { LoadTestSeqs(true); });
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Load ignored: all seqs must be stopped");
  EXPECT_EQ(test::PartEvents(0, 3).size(), 7u);
}

}  // namespace
}  // namespace vel
