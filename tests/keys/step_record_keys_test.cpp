// Step takes: steps and gates, chords, rests, controllers in place, undo, the length and gate keys
// and the end of a step take.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "keys/RecordTestState.h"

namespace vel::test {
namespace {

using Ev = std::pair<int32_t, std::string>;
using Evs = std::vector<Ev>;

class StepRecordTest : public RecordTest {
 protected:
  void SetUp() override {
    RecordTest::SetUp();
    Cfg.SRecNoteLenFrac = 4;
    Cfg.SRecNoteOnPercent = 50;
    Cfg.SRecChordDetectReqd = 1;
    Cfg.SRecChordDetectThreshold = 150;
    Arm(true);
  }
};

TEST_F(StepRecordTest, EachNoteIsOneStepWithItsGate) {
  EXPECT_EQ(Mode(), TKeyMode::StepRecord);
  EXPECT_EQ(RecKeys.SRecStepTicks, 3840);
  EXPECT_EQ(RecKeys.SRecGateTicks, 1920);
  for (int note : {60, 62, 64}) {
    Down(note);
    Up(note);
    At(Transport.MsClock.load() + 200);
  }
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"},
                           {1920, "80 3C 64"},
                           {3840, "90 3E 64"},
                           {5760, "80 3E 64"},
                           {7680, "90 40 64"},
                           {9600, "80 40 64"}}));
  EXPECT_EQ(SeqBuf(0).RElap, 11520);
  EXPECT_EQ(RecKeys.SRecTime, 11520);
}

TEST_F(StepRecordTest, NotesWithinTheThresholdMakeAChordOnTheStepTheLastNoteStarted) {
  At(10);
  Down(60);
  At(100);
  Down(64);  // 90 ms later: a chord
  EXPECT_EQ(Trace.SRecChordNote, 1);
  EXPECT_EQ(RecKeys.SRecTime, 3840);
  At(400);
  Hit(NoteOn(kLen1Key));  // the step grows to a whole note before the next chord note
  Down(67);
  At(450);
  Down(71);
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"},
                           {0, "90 40 64"},
                           {1920, "80 3C 64"},
                           {1920, "80 40 64"},
                           {3840, "90 43 64"},
                           {3840, "90 47 64"},
                           {11520, "80 43 64"},
                           {11520, "80 47 64"}}));
  EXPECT_EQ(RecKeys.SRecTime, 3840 + 15360);
}

TEST_F(StepRecordTest, AChordNoteAfterAShorterStepNeverGoesBeforeZero) {
  Hit(NoteOn(kLen16Key));
  Down(60);
  Hit(NoteOn(kLen1Key));
  Down(64);
  EXPECT_EQ(Events().front(), (Ev{0, "90 3C 64"}));
  EXPECT_EQ(Events()[1], (Ev{0, "90 40 64"}));
  EXPECT_EQ(RecKeys.SRecTime, 15360);
}

TEST_F(StepRecordTest, RestsControllersAndUndo) {
  Down(60);
  At(300);
  Hit(NoteOn(kRestKey));
  Hit(0x000107B0);  // controller 7 = 1 at the step position, then again: replaced
  Hit(0x005007B0);
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {1920, "80 3C 64"}, {3840, "FF 00 00"}, {7680, "B0 07 50"}}));
  Hit(NoteOn(kUndoKey));  // the controller goes alone
  EXPECT_EQ(RecKeys.SRecTime, 7680);
  Hit(NoteOn(kUndoKey));  // the rest
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {1920, "80 3C 64"}}));
  EXPECT_EQ(RecKeys.SRecTime, 3840);
  At(600);
  Down(62);
  At(620);
  Down(65);  // a chord
  Hit(NoteOn(kUndoKey));
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"}, {1920, "80 3C 64"}}));
  EXPECT_EQ(RecKeys.SRecTime, 3840);
  EXPECT_EQ(RecKeys.LastRecEvent, 0x00643C80u);
  Hit(NoteOn(kUndoKey));  // the only step: the take starts over
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(RecKeys.RecFirstNoteIn, 0);
  EXPECT_EQ(Mode(), TKeyMode::StepRecord);
  Hit(NoteOn(kUndoKey));  // nothing left to undo
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
}

TEST_F(StepRecordTest, LengthAndGateKeysStopAtTheirEnds) {
  struct Case {
    int setKey;
    int32_t frac, percent;
    int key;
    int32_t wantFrac, wantPercent;
  };
  const Case cases[] = {
      {0, 1, 50, kLenIncKey, 1, 50},  {0, 64, 50, kLenDecKey, 64, 50}, {0, 8, 50, kLenIncKey, 6, 50},
      {0, 8, 50, kLenDecKey, 12, 50}, {0, 4, 99, kGateIncKey, 4, 99},  {0, 4, 99, kGateDecKey, 4, 99},
      {0, 4, 95, kGateIncKey, 4, 95}, {0, 4, 5, kGateDecKey, 4, 5},    {0, 4, 75, kGateIncKey, 4, 95},
      {0, 4, 25, kGateDecKey, 4, 5},  {kLen8Key, 4, 75, 0, 8, 75},     {kGate50Key, 4, 95, 0, 4, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.frac) + "/" + std::to_string(c.percent) + " key " + std::to_string(c.key));
    Cfg.SRecNoteLenFrac = c.frac;
    Cfg.SRecNoteOnPercent = c.percent;
    if (c.setKey) Hit(NoteOn(c.setKey));
    if (c.key) Hit(NoteOn(c.key));
    EXPECT_EQ(Cfg.SRecNoteLenFrac, c.wantFrac);
    EXPECT_EQ(Cfg.SRecNoteOnPercent, c.wantPercent);
  }
  Cfg.SRecNoteLenFrac = 4;
  Hit(NoteOn(kLen8Key));
  EXPECT_EQ(RecKeys.SRecStepTicks, 1920);
  EXPECT_EQ(RecKeys.SRecGateTicks, 1920 * 50 / 100);
}

TEST_F(StepRecordTest, TheEndKeyClosesTheTakeOnTheSeqGrid) {
  Transport.ActBar.SQTicks = 960;
  Down(60);
  {
    // A pitch bend at the step position (the input path passes step recording only controllers and
    // programs; the handler takes any channel message).
    std::lock_guard lock(EngineLock);
    HandleStepRecModeKey(0, 0x004000E0, 0, false, false, false);
  }
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(Events(), (Evs{{0, "90 3C 64"},
                           {1920, "80 3C 64"},
                           {3840, "E0 00 40"},
                           {3840, "FF 00 00"},
                           {3840, "E0 00 40"},
                           {3840, "FF 00 00"}}));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Playing);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Play");
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

TEST_F(StepRecordTest, TheLoopStartsAtTheEndKeysOwnTime) {
  // One quarter-note step; the end key reaches the engine at 1000 ms, stamped 1.4 ms later: the
  // loop starts at its tick, 1001.4 ms x 7.68, rounded, and repeats a quarter later.
  UseDevice();
  At(500);
  DeviceKey(NoteOn(60), 0);
  DeviceKey(NoteOff(60), 0);
  At(1000);
  DeviceKey(NoteOn(kPlayKey), 1400000);
  ASSERT_EQ(Events(), (Evs{{0, "90 3C 64"}, {1920, "80 3C 64"}, {3840, "FF 00 00"}}));
  ClearSent();
  At(1800);
  const std::vector<int64_t> dues = NoteDues();
  const double want[] = {TickNs(7691), TickNs(7691 + 1920), TickNs(7691 + 3840), TickNs(7691 + 5760)};
  ASSERT_EQ(dues.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<double>(dues[i]), want[i], 1.0) << i;
}

TEST_F(StepRecordTest, EndKeysBeforeTheFirstStepDoNotStartTheTake) {
  Hit(NoteOn(kPlayKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(Mode(), TKeyMode::StepRecord);
  // A take whose only key was a rest is discarded at its end, one grid step long.
  Transport.ActBar.SQTicks = 960;
  Hit(NoteOn(kRestKey));
  Hit(NoteOn(kUndoKey));
  EXPECT_EQ(RecKeys.SRecTime, 0);
  Hit(NoteOn(kEscKey));
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

}  // namespace
}  // namespace vel::test
