// FlushLiveFifo and the LiveFifo overflow, heard on the loopback MIDI backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/General.h"
#include "engine/FifoTestState.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PlayCycle.h"
#include "engine/ResultLog.h"
#include "engine/RunControl.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace vel {
namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s += static_cast<char>(x);
  return s;
}

class FlushLiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetFifoState();
    ASSERT_EQ(midi::SelectBackend(midi::Backend::Loopback), midi::kOk);
    midi::Rescan();
    handle_ = OpenOut(1, 2);
    RunCtl.LivePort = 2;
    Live.Chan[2] = 0;
    Live.MChanApplies = 0;
    PlayCycle.LocalControlOn = 1;
    midi::loopback::ClearSent();
  }
  void TearDown() override {
    midi::OutClose(handle_);
    test::ResetFifoState();
  }

  // Loopback output device dev, opened as output port `port`.
  static midi::Handle OpenOut(int32_t dev, int32_t port) {
    midi::Handle h = midi::kInvalidHandle;
    EXPECT_EQ(midi::OutOpen(dev, h), midi::kOk);
    RunCtl.MidiOutDevs[dev].Handle = h;
    RunCtl.MidiOutDevs[dev].Opened = 1;
    RunCtl.PortDevIdx[port] = static_cast<int8_t>(dev);
    RunCtl.OutPortsAllocated = std::max(RunCtl.OutPortsAllocated, static_cast<int8_t>(port));
    return h;
  }

  static std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < midi::loopback::SentCount(1); ++i)
      out.push_back(midi::loopback::SentAt(1, i).bytes);
    return out;
  }

  midi::Handle handle_ = midi::kInvalidHandle;
};

TEST_F(FlushLiveTest, PlaysWhatWaitsThenSilencesEveryCountedNote) {
  WriteLiveFifo(0x643C90);  // C3 on
  WriteLiveFifo(0x644090);  // E3 on
  WriteLiveFifo(0x503C90);  // C3 on again: counted twice
  WriteLiveFifo(0x004080);  // E3 off
  WriteLiveFifo(0x003E80);  // D3 off, never on: not sent
  FlushLiveFifo();
  EXPECT_EQ(Sent(), (std::vector<std::string>{Bytes({0x90, 0x3C, 0x64}), Bytes({0x90, 0x40, 0x64}),
                                              Bytes({0x90, 0x3C, 0x50}), Bytes({0x80, 0x40, 0x00}),
                                              Bytes({0x80, 0x3C, 0x00}), Bytes({0x80, 0x3C, 0x00})}));
  EXPECT_EQ(LiveFifo.Count, 0);
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3C], 0);

  midi::loopback::ClearSent();
  FlushLiveFifo();
  EXPECT_TRUE(Sent().empty());
}

TEST_F(FlushLiveTest, SilencesTheLiveChannelOrTheMultiplierRange) {
  Live.Chan[2] = 4;
  LiveNoteOnCounter.Counts[4][10] = 1;
  LiveNoteOnCounter.Counts[5][11] = 1;
  FlushLiveFifo();
  EXPECT_EQ(Sent(), std::vector<std::string>{Bytes({0x84, 10, 0})});
  EXPECT_EQ(LiveNoteOnCounter.Counts[5][11], 1);

  midi::loopback::ClearSent();
  Live.MChanApplies = 1;
  Cfg.MChanMin[2] = 5;
  Cfg.MChanMax[2] = 6;
  LiveNoteOnCounter.Counts[6][127] = 2;
  LiveNoteOnCounter.Counts[7][0] = 1;
  FlushLiveFifo();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{Bytes({0x85, 11, 0}), Bytes({0x86, 127, 0}), Bytes({0x86, 127, 0})}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[7][0], 1);
}

TEST_F(FlushLiveTest, WithLocalControlOffNothingIsSentButTheCountsEmpty) {
  PlayCycle.LocalControlOn = 0;
  WriteLiveFifo(0x643C90);
  LiveNoteOnCounter.Counts[0][1] = 1;
  FlushLiveFifo();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][1], 0);
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][0x3C], 0);
}

TEST_F(FlushLiveTest, TracesTheNoteOffsWhenOutputTraceIsOn) {
  Trace.DiagFlags = 1;
  Trace.OutTraceOn = 1;
  Trace.TraceNotes = 1;
  LiveNoteOnCounter.Counts[0][60] = 1;
  FlushLiveFifo();
  TTraceEvent ev;
  ASSERT_TRUE(ReadDiagTraceFifo(ev));
  EXPECT_EQ(ev.Port, 2);
  EXPECT_EQ(ev.Time, 0);
  EXPECT_EQ(ev.Msg, 0x3C80u);
  EXPECT_FALSE(ReadDiagTraceFifo(ev));
}

TEST_F(FlushLiveTest, OverflowResetsTheLiveChannel) {
  Live.Chan[2] = 2;
  for (int i = 0; i < 999; ++i) WriteLiveFifo(0xF8);
  EXPECT_TRUE(Sent().empty());
  WriteLiveFifo(0xF8);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "LiveFifo overflow; data discarded");
  const int v = Cfg.CCVolResetValue;
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        Bytes({0xE2, 0x00, 0x40}), Bytes({0xB2, 0x01, 0x00}), Bytes({0xB2, 0x07, v}),
                        Bytes({0xB2, 0x0A, 0x40}), Bytes({0xB2, 0x40, 0x00}), Bytes({0xB2, 0x42, 0x00}),
                        Bytes({0xB2, 0x43, 0x00}), Bytes({0xB2, 0x79, 0x00}), Bytes({0xB2, 0x7B, 0x00})}));
  EXPECT_EQ(LiveFifo.Count, 0);
}

TEST_F(FlushLiveTest, OverflowEndsTheCountedNotesOfTheWholeMultiplierRange) {
  // The controller reset reaches the live channel only: the multiplier's other channels get
  // their note-offs first, and nothing is left counted.
  Live.Chan[2] = 2;
  Live.MChanApplies = 1;
  Cfg.MChanMin[2] = 2;
  Cfg.MChanMax[2] = 3;
  LiveNoteOnCounter.Counts[2][60] = 1;
  LiveNoteOnCounter.Counts[3][64] = 1;
  for (int i = 0; i < 1000; ++i) WriteLiveFifo(0xF8);
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(sent.size(), 11u);
  EXPECT_EQ(sent[0], Bytes({0x82, 60, 0}));
  EXPECT_EQ(sent[1], Bytes({0x83, 64, 0}));
  EXPECT_EQ(sent[2], Bytes({0xE2, 0x00, 0x40}));
  EXPECT_EQ(sent[10], Bytes({0xB2, 0x7B, 0x00}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[3][64], 0);
}

TEST_F(FlushLiveTest, SilenceLiveNotesEndsTheCountedNotesOfEveryChannel) {
  LiveNoteOnCounter.Counts[0][1] = 2;
  LiveNoteOnCounter.Counts[15][127] = 1;
  SilenceLiveNotes();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{Bytes({0x80, 1, 0}), Bytes({0x80, 1, 0}), Bytes({0x8F, 127, 0})}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][1], 0);
  EXPECT_EQ(LiveNoteOnCounter.Counts[15][127], 0);
}

TEST_F(FlushLiveTest, FlushUsesTheChannelTheNotesWentOutOn) {
  // A live channel outside 0..15 (a sweep's limits, a settings line) sends on its low four bits,
  // and the flush must end the notes there.
  Live.Chan[2] = 18;
  WriteLiveFifo(0x643C90);
  FlushLiveFifo();
  EXPECT_EQ(Sent(), (std::vector<std::string>{Bytes({0x92, 0x3C, 0x64}), Bytes({0x82, 0x3C, 0x00})}));
  EXPECT_EQ(LiveNoteOnCounter.Counts[2][0x3C], 0);
}

// The counts that are not 0, as "2:3C=3".
std::string Counted() {
  std::string out;
  for (int ch = 0; ch < kChans; ++ch)
    for (int n = 0; n < 128; ++n)
      if (const int32_t c = LiveNoteOnCounter.Counts[ch][n]) {
        char text[24];
        std::snprintf(text, sizeof text, "%s%X:%02X=%d", out.empty() ? "" : " ", ch, n, c);
        out += text;
      }
  return out;
}

struct CountCase {
  const char* name;
  uint32_t msg;
  bool live;         // through the live path, else sent on the live port as is
  int64_t room;      // messages the output takes; -1 all
  const char* left;  // Counted() after it, from "0:3C=3 5:40=1"
};

void PrintTo(const CountCase& c, std::ostream* os) {
  *os << c.name;
}

const CountCase kCountCases[] = {
    {"NoteOnStacks", 0x643C90, true, -1, "0:3C=4 5:40=1"},
    {"NoteOffEndsOneStackedNoteOn", 0x003C80, true, -1, "0:3C=2 5:40=1"},
    {"AllNotesOffEndsItsChannel", 0x007BB7, true, -1, "5:40=1"},
    {"AllSoundOffEndsItsChannel", 0x0078B0, true, -1, "5:40=1"},
    {"ResetAllControllersSilencesNothing", 0x0079B0, true, -1, "0:3C=3 5:40=1"},
    {"SystemResetEndsEveryChannel", 0xFF, false, -1, ""},
    {"RefusedNoteOnNeverSounded", 0x643C90, true, 0, "0:3C=3 5:40=1"},
    {"RefusedNoteOffStillSounds", 0x003C80, true, 0, "0:3C=3 5:40=1"},
    {"RefusedAllNotesOffSilencesNothing", 0x007BB0, true, 0, "0:3C=3 5:40=1"},
};

class LiveCountTest : public FlushLiveTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(LiveCountTest, CountsWhatTheSynthWasLeftSounding) {
  const CountCase& c = GetParam();
  LiveNoteOnCounter.Counts[0][0x3C] = 3;
  LiveNoteOnCounter.Counts[5][0x40] = 1;
  midi::loopback::LimitSends(c.room);
  if (c.live) {
    ProcessLiveEvent(c.msg);
  } else {
    SendShortMsg(2, c.msg, false);
  }
  EXPECT_EQ(Counted(), c.left);
}

INSTANTIATE_TEST_SUITE_P(Cases, LiveCountTest, ::testing::ValuesIn(kCountCases),
                         [](const ::testing::TestParamInfo<CountCase>& info) { return info.param.name; });

TEST_F(FlushLiveTest, NoteOffsTheOutputRefusesStayCountedForTheNextSilence) {
  LiveNoteOnCounter.Counts[0][0x3C] = 3;
  midi::loopback::LimitSends(1);
  EXPECT_FALSE(SilenceLiveNotes());
  EXPECT_EQ(Counted(), "0:3C=2");
  midi::loopback::LimitSends(-1);
  EXPECT_TRUE(SilenceLiveNotes());
  EXPECT_EQ(Counted(), "");
  EXPECT_EQ(Sent(), std::vector<std::string>(3, Bytes({0x80, 0x3C, 0x00})));
}

TEST_F(FlushLiveTest, AMovedLiveOutputsNoteOffsThatAFullQueueRefusedGoToItsOldPortNextTime) {
  const midi::Handle other = OpenOut(2, 3);
  // C3 sounds on port 2; the live port has moved to port 3.
  Live.NotesPort = 2;
  Live.NoteChans = 1;
  LiveNoteOnCounter.Counts[0][0x3C] = 1;
  RunCtl.LivePort = 3;
  midi::loopback::LimitSends(0);
  ReleaseMovedLiveOutput();
  EXPECT_EQ(Counted(), "0:3C=1");
  EXPECT_EQ(Live.NoteChans, 1);
  midi::loopback::LimitSends(-1);
  ReleaseMovedLiveOutput();
  EXPECT_EQ(Counted(), "");
  EXPECT_EQ(Live.NoteChans, 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{Bytes({0x80, 0x3C, 0x00})});
  EXPECT_EQ(midi::loopback::SentCount(2), 0u);
  // And a stop's silence goes where the notes went out, not to the live port.
  LiveNoteOnCounter.Counts[0][0x3E] = 1;
  EXPECT_TRUE(SilenceLiveNotes());
  EXPECT_EQ(Sent().back(), Bytes({0x80, 0x3E, 0x00}));
  EXPECT_EQ(midi::loopback::SentCount(2), 0u);
  midi::OutClose(other);
}

TEST_F(FlushLiveTest, LogMidiResultNamesTheFailure) {
  Trace.DiagFlags = 1;
  EXPECT_FALSE(LogMidiResult(midi::kErrInvalidHandle, true, "midiOutShortMsg", false));
  EXPECT_TRUE(LogMidiResult(midi::kOk, false, "midiInStart", true));
  EXPECT_TRUE(LogMidiResult(midi::kOk, false, "midiInStop", false));
  std::string text;
  ASSERT_TRUE(ReadDiagMsgsFifo(text));
  EXPECT_EQ(text, "midiOutShortMsg error: " + midi::ErrorText(midi::kErrInvalidHandle));
  ASSERT_TRUE(ReadDiagMsgsFifo(text));
  EXPECT_EQ(text, "midiInStart ok");
  EXPECT_FALSE(ReadDiagMsgsFifo(text));
  Trace.DiagFlags = 0;
}

TEST_F(FlushLiveTest, LogTimerResultPostsOnlyWithDiagnosticsOn) {
  EXPECT_FALSE(LogTimerResult(0x61, "Set Res", false));
  EXPECT_EQ(DiagMsgsFifo.Count, 0);
  Trace.DiagFlags = 1;
  EXPECT_FALSE(LogTimerResult(0x61, "Set Res", false));
  EXPECT_TRUE(LogTimerResult(0, "Kill timer", true));
  EXPECT_TRUE(LogTimerResult(0, "Reset Res", false));
  std::string text;
  ASSERT_TRUE(ReadDiagMsgsFifo(text));
  EXPECT_EQ(text, "Set Res error: 0x00000061");
  ASSERT_TRUE(ReadDiagMsgsFifo(text));
  EXPECT_EQ(text, "Kill timer ok");
  EXPECT_FALSE(ReadDiagMsgsFifo(text));
  Trace.DiagFlags = 0;
}

}  // namespace
}  // namespace vel
