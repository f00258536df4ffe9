#include "mainwindow/Lanes.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

constexpr int32_t kBar = 15360;  // 4/4
constexpr int32_t kSQ = 960;     // 1/16

TEST(SeqLaneTexts, LengthsCountFromZeroAndPositionsFromOne) {
  const TBarGrid f{kBar, kSQ, 16};
  struct Case {
    bool emptyAsZero;
    int32_t ticks;
    const char* want;
  };
  for (const Case& c :
       {Case{false, 4 * kBar, "4"}, Case{false, 4 * kBar + 3 * kSQ, "4.3/16"}, Case{false, 999 * kBar, "999"},
        Case{false, 1000 * kBar, "ov"}, Case{false, 1000 * kBar + kSQ, "ov.1/16"},
        Case{false, kSQ - 1, "0.0/16"}, Case{false, 0, "-"}, Case{true, 0, "0"}})
    EXPECT_EQ(FmtSeqLen(c.emptyAsZero, c.ticks, f), c.want) << c.ticks;
  EXPECT_EQ(FmtSeqLen(false, 4 * kBar, TBarGrid{0, kSQ, 16}), "-");
  EXPECT_EQ(FmtSeqLen(true, 4 * kBar, TBarGrid{kBar, 0, 16}), "0");

  EXPECT_EQ(FmtSeqPos(40 * kBar, 2 * kBar + 5 * kSQ, f), "3.5/16");
  EXPECT_EQ(FmtSeqPos(40 * kBar, 0, f), "1");
  EXPECT_EQ(FmtSeqPos(40 * kBar, 39 * kBar, f), "40");
  EXPECT_EQ(FmtSeqPos(0, kBar, f), "-");
  EXPECT_EQ(FmtSeqPos(40 * kBar, kBar, TBarGrid{kBar, 0, 16}), "-");
}

TEST(SeqLaneTexts, TheLastStepRecordedEventSaysWhereAndWhat) {
  const TBarGrid f{kBar, 1920, 8};
  EXPECT_EQ(StepRecordedText(3 * 1920, 0xFF, f), "0.3/8: rest");
  EXPECT_EQ(StepRecordedText(kBar + 1920, 0x643C90, f), "1.1/8: chan 1, note C3 on, vel 100");
  EXPECT_EQ(StepRecordedText(0, 0x7F40B0, f), "0: chan 1, cc DamperPedal 127");
  EXPECT_EQ(StepRecordedText(kBar, 0, f), "");
}

TEST(SeqLaneGrid, StepIsTheBeatOrTheSeqQuantiseStepThatDividesIt) {
  EXPECT_EQ(SeqGridStep(kBar, 4, 4, 16), 960);   // four ticks per beat
  EXPECT_EQ(SeqGridStep(kBar, 4, 4, 8), 1920);   // two
  EXPECT_EQ(SeqGridStep(kBar, 4, 4, 12), 1280);  // triplets: three
  EXPECT_EQ(SeqGridStep(kBar, 4, 4, 4), 3840);   // not finer: the beat
  EXPECT_EQ(SeqGridStep(6 * 1920, 6, 8, 16), 960);
  EXPECT_EQ(SeqGridStep(6 * 1920, 6, 8, 12), 1920);  // 12 is no multiple of 8: the beat
  EXPECT_EQ(SeqGridStep(kBar, 0, 4, 16), 0);
  EXPECT_EQ(SeqGridStep(kBar, 4, 0, 16), 0);
}

// Seqs 0 and 1 playing 2 and 4 bars; 2 and 3 not in use.
TLanesIn TwoSeqs() {
  TLanesIn in;
  in.BarTicks = kBar;
  in.SQTicks = kSQ;
  in.SQNoteLenFrac = 8;
  in.NoteLenFrac = 4;
  in.BeatsPerBar = 4;
  in.ActBeatTicks = 3840;
  in.MetrSeqNo = -1;
  in.ClSeqTrack = 0x111111;
  in.ClPosnSeq = 0x222222;
  in.ClPosnSeqMuted = 0x333333;
  in.ClPosnMetrSeq = 0x444444;
  in.ClPosnMetrSeqMuted = 0x555555;
  in.ClSeqGridTicks = 0x666666;
  for (int32_t s = 0; s < 2; ++s) {
    TLaneSeqIn& q = in.Seqs[s];
    q.InUse = true;
    q.Head = 0;
    q.SeqState = TSeqState::Playing;
    q.RElap = (s + 1) * 2 * kBar;
  }
  return in;
}

TEST(SeqLanes, LongestFillsTheLaneAndTheGridRoundsItToWholeSteps) {
  TLanesIn in = TwoSeqs();
  TLanesModel m = LanesModel(in, 400);
  EXPECT_EQ(m.Longest, 4 * kBar);
  EXPECT_EQ(m.LaneWidth, 400);
  EXPECT_EQ(m.Seqs[0].BarWidth, 200);
  EXPECT_EQ(m.Seqs[1].BarWidth, 400);
  EXPECT_EQ(m.Seqs[0].BarColour, 0x111111u);
  EXPECT_EQ(m.Seqs[0].GridTicks, 0);
  EXPECT_FALSE(m.Seqs[2].LaneVisible);
  EXPECT_EQ(m.Seqs[2].BarWidth, 0);

  // Eighths in 4/4 over four bars: 32 steps of 12 pixels, the lane 32 x 12 + 1 wide.
  in.DspSeqGrid = true;
  m = LanesModel(in, 400);
  EXPECT_EQ(m.LaneWidth, 385);
  EXPECT_EQ(m.Seqs[0].BarWidth, 192);
  EXPECT_EQ(m.Seqs[1].BarWidth, 385);
  EXPECT_EQ(m.Seqs[0].GridPx, 12);
  EXPECT_EQ(m.Seqs[0].GridTicks, 17);
  EXPECT_EQ(m.Seqs[1].GridTicks, 33);
  EXPECT_EQ(m.Seqs[1].GridColour, 0x666666u);

  // Fewer than 5 pixels per step: no grid, the lane at its full width.
  m = LanesModel(in, 150);
  EXPECT_EQ(m.LaneWidth, 150);
  EXPECT_EQ(m.Seqs[1].GridTicks, 0);
  EXPECT_EQ(m.Seqs[1].BarWidth, 150);

  // The tempo divider stretches a seq on the common scale.
  in.DspSeqGrid = false;
  in.Seqs[0].TempoDiv = 4;
  m = LanesModel(in, 400);
  EXPECT_EQ(m.Longest, 8 * kBar);
  EXPECT_EQ(m.Seqs[0].BarWidth, 400);
  EXPECT_EQ(m.Seqs[1].BarWidth, 200);
}

TEST(SeqLanes, PositionMarkerTrailAndColours) {
  TLanesIn in = TwoSeqs();
  struct Case {
    int32_t pelap;
    bool solid;
    int32_t left, width;
  };
  // Seq 1's bar is 400 pixels wide over 4 bars: 100 pixels a bar.
  for (const Case& c : {Case{kBar, false, 100, 12}, Case{kBar, true, 0, 100}, Case{kBar / 40, true, 0, 6},
                        Case{4 * kBar - 5 * kBar / 100, false, 0, 12},  // within 6 of the end
                        Case{4 * kBar - 6 * kBar / 100, false, 394, 12}, Case{-kBar, false, 0, 12}}) {
    in.Seqs[1].PElap = c.pelap;
    in.DspSolidTracks = c.solid;
    const TLaneModel m = LanesModel(in, 400).Seqs[1];
    EXPECT_EQ(m.PosnLeft, c.left) << c.pelap;
    EXPECT_EQ(m.PosnWidth, c.width) << c.pelap;
  }
  EXPECT_EQ(LanesModel(in, 400).Seqs[1].PosnColour, 0x222222u);
  in.Seqs[1].Muted = 1;
  EXPECT_EQ(LanesModel(in, 400).Seqs[1].PosnColour, 0x333333u);
  in.MetrSeqNo = 1;
  EXPECT_EQ(LanesModel(in, 400).Seqs[1].PosnColour, 0x555555u);
  in.Seqs[1].Muted = 0;
  EXPECT_EQ(LanesModel(in, 400).Seqs[1].PosnColour, 0x444444u);
  in.Seqs[1].SVel = 0;
  EXPECT_EQ(LanesModel(in, 400).Seqs[1].PosnColour, 0x555555u);
}

TEST(SeqLanes, LongSeqShowsItsPositionAsTextAndLeavesTheScale) {
  TLanesIn in = TwoSeqs();
  in.SQNoteLenFrac = 16;
  in.DspSeqNumPosn = true;
  in.Seqs[2] = in.Seqs[0];
  in.Seqs[2].RElap = 40 * kBar;
  in.Seqs[2].PElap = 2 * kBar + 5 * kSQ;
  in.Seqs[3] = in.Seqs[0];
  in.Seqs[3].RElap = 32 * kBar;  // 32 bars still draw a lane
  TLanesModel m = LanesModel(in, 320);
  EXPECT_TRUE(m.Seqs[2].NumPosnVisible);
  EXPECT_FALSE(m.Seqs[2].LaneVisible);
  EXPECT_EQ(m.Seqs[2].NumPosnText, "(3.5/16)");
  EXPECT_EQ(m.Seqs[2].PosnColour, 0x222222u);
  EXPECT_TRUE(m.Seqs[3].LaneVisible);
  EXPECT_FALSE(m.Seqs[3].NumPosnVisible);
  EXPECT_EQ(m.Longest, 32 * kBar);
  EXPECT_EQ(m.Seqs[3].BarWidth, 320);
  EXPECT_EQ(m.Seqs[1].BarWidth, 40);

  // Without the option every seq shares the scale.
  in.DspSeqNumPosn = false;
  m = LanesModel(in, 320);
  EXPECT_TRUE(m.Seqs[2].LaneVisible);
  EXPECT_EQ(m.Seqs[2].BarWidth, 320);
  EXPECT_EQ(m.Seqs[3].BarWidth, 256);
}

TEST(SeqLanes, EmptyRecordingAndDegenerateInputs) {
  TLanesIn in = TwoSeqs();
  // An empty stopped part hides its bars but keeps its lane.
  in.Seqs[0].Head = -1;
  in.Seqs[0].RElap = 0;
  in.Seqs[0].SeqState = TSeqState::Stopped;
  TLanesModel m = LanesModel(in, 400);
  EXPECT_TRUE(m.Seqs[0].LaneVisible);
  EXPECT_EQ(m.Seqs[0].BarWidth, 0);
  EXPECT_EQ(m.Seqs[0].PosnWidth, 0);

  // A recording part grows with the counted beats before its first event: 12 beats = 3 bars.
  in.Seqs[0].SeqState = TSeqState::Recording;
  in.RecBeatCount = 12;
  m = LanesModel(in, 400);
  EXPECT_EQ(m.Seqs[0].BarWidth, 300);
  EXPECT_EQ(m.Seqs[0].PosnWidth, 12);
  EXPECT_EQ(LaneSeqLength(in.Seqs[0], 12, 3840), 3 * kBar);
  in.Seqs[0].RElap = 3 * kBar + 1;
  EXPECT_EQ(LaneSeqLength(in.Seqs[0], 12, 3840), 3 * kBar + 1);

  // No room and nothing to scale by: no widths below zero, no division by zero.
  m = LanesModel(in, -50);
  EXPECT_EQ(m.LaneWidth, 0);
  EXPECT_EQ(m.Seqs[1].BarWidth, 0);
  EXPECT_EQ(m.Seqs[1].PosnLeft, 0);
  in.Seqs[0].RElap = -kBar;  // a torn read
  in.Seqs[0].SeqState = TSeqState::Playing;
  in.Seqs[1].RElap = 0;
  in.DspSeqGrid = true;
  m = LanesModel(in, 400);
  EXPECT_EQ(m.Longest, 0);
  EXPECT_EQ(m.Seqs[0].BarWidth, 0);
  EXPECT_EQ(m.Seqs[1].BarWidth, 0);
  EXPECT_EQ(m.Seqs[1].GridTicks, 0);
}

}  // namespace
}  // namespace vel
