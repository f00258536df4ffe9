#include "mainwindow/Layout.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TColumnInput Widths() {
  TColumnInput in;
  in.MorePortsThanOne = true;
  in.PartNosW = 30, in.PortsW = 30, in.ChansW = 20, in.ProgsW = 40, in.MutedW = 10, in.SVelsW = 20;
  in.ScalesW = 30, in.TransW = 25, in.PitchesW = 30, in.MidiActivityW = 10, in.SeqNosW = 25;
  in.StatesW = 30, in.LenW = 20, in.TDivsW = 20, in.TracksW = 35;
  in.SeqStatusWidth = 900;
  return in;
}

TEST(Layout, SeqStatusColumnsByViewSettings) {
  struct Row {
    const char* name;
    void (*change)(TColumnInput&);
    bool ports;
    int32_t portsLeft, chans, progs;
    bool scales;
    int32_t trans, pitches, activity, seqNos, tracks;
    bool tdivs;
  };
  const Row rows[] = {
      {"factory, two ports", [](TColumnInput&) {}, true, 46, 170, 198, true, 406, 435, 493, 507, 650, true},
      {"one port", [](TColumnInput& in) { in.MorePortsThanOne = false; }, false, 0, 46, 74, true, 282, 311,
       369, 383, 526, true},
      // The transpose column moves left by the scale column's width + 24.
      {"scale off", [](TColumnInput& in) { in.DspScale = false; }, true, 46, 170, 198, false, 352, 381, 439,
       453, 596, true},
      {"numbers only, multiplier",
       [](TColumnInput& in) {
         in.DspProgNames = false;
         in.DspPortNames = false;
         in.AnyMChan = true;
       },
       true, 46, 99, 137, true, 274, 303, 361, 375, 518, true},
      // Programme names as wide as measured push the columns after them; never narrower.
      {"long programme names", [](TColumnInput& in) { in.ProgCtlW = 150; }, true, 46, 170, 198, true, 452,
       481, 539, 553, 696, true},
      {"short programme names", [](TColumnInput& in) { in.ProgCtlW = 50; }, true, 46, 170, 198, true, 406,
       435, 493, 507, 650, true},
      {"novice", [](TColumnInput& in) { in.StandardMode = false; }, false, 0, 0, 0, false, 0, 8, 66, 80, 191,
       false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TColumnInput in = Widths();
    r.change(in);
    const TColumnLayout o = LayoutSeqStatusColumns(in);
    EXPECT_EQ(o.Ports.Visible, r.ports);
    EXPECT_EQ(o.Ports.Left, r.portsLeft);
    EXPECT_EQ(o.Chans.Left, r.chans);
    EXPECT_EQ(o.Progs.Left, r.progs);
    EXPECT_EQ(o.Scales.Visible, r.scales);
    EXPECT_EQ(o.Trans.Left, r.trans);
    EXPECT_EQ(o.Pitches.Left, r.pitches);
    EXPECT_EQ(o.MidiActivity.Left, r.activity);
    EXPECT_EQ(o.SeqNos.Left, r.seqNos);
    EXPECT_EQ(o.Tracks.Left, r.tracks);
    EXPECT_EQ(o.SeqLaneLeft, r.tracks);
    EXPECT_EQ(o.TDivs.Visible, r.tdivs);
    EXPECT_EQ(o.SeqPanelWidth, 892);
    EXPECT_EQ(o.SeqLaneWidth, 892 - r.tracks - 4);
    EXPECT_EQ(o.TitleLeft, r.tracks + 35 + 12);
  }
}

TEST(Layout, HiddenColumnsGiveTheirRoomAway) {
  TColumnInput in = Widths();
  in.DspMidiActivity = false;
  in.DspSeqLen = false;
  in.DspTempoDiv = false;
  const TColumnLayout o = LayoutSeqStatusColumns(in);
  EXPECT_FALSE(o.MidiActivity.Visible);
  EXPECT_FALSE(o.Len.Visible);
  // Pitches end at 465: seq numbers at 465 + 28 + 8, states after them, the lane 16 on.
  EXPECT_EQ(o.SeqNos.Left, 501);
  EXPECT_EQ(o.States.Left, 530);
  EXPECT_EQ(o.Tracks.Left, 576);
  // A panel narrower than the columns leaves no lane rather than a negative one.
  in.SeqStatusWidth = 100;
  EXPECT_EQ(LayoutSeqStatusColumns(in).SeqLaneWidth, 0);
}

TEST(Layout, SeqRowsFollowTheHeadings) {
  EXPECT_EQ(SeqRowTop(20, 0), 28);
  EXPECT_EQ(SeqRowTop(20, 3), 100);
}

TEST(Layout, GroupBoxesAndTheNoteDisplayAmongThem) {
  struct Row {
    bool on;
    int32_t posn;
    int32_t control, metr, clock, ports;
    std::optional<TRect> kinetrace;
  };
  const Row rows[] = {
      {true, 0, 4, 108, 312, 466, std::nullopt},
      {true, 1, 158, 262, 466, 620, TRect{4, 305, 150, 115}},
      {true, 3, 4, 108, 466, 620, TRect{312, 305, 150, 115}},
      {true, 5, 4, 108, 312, 466, TRect{720, 305, 150, 115}},
      {false, 3, 4, 108, 312, 466, std::nullopt},
      {true, 12, 4, 108, 312, 466, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.posn);
    TGroupInput in{4, 100, 200, 150, 250, 300, 120, r.on, r.posn};
    const TGroupPlaces o = PlaceGroupBoxes(in);
    EXPECT_EQ(o.ControlLeft, r.control);
    EXPECT_EQ(o.MetrLeft, r.metr);
    EXPECT_EQ(o.ClockLeft, r.clock);
    EXPECT_EQ(o.PortsLeft, r.ports);
    EXPECT_EQ(o.Kinetrace, r.kinetrace);
  }
}

TEST(Layout, NoteDisplayOverTheSeqs) {
  struct Row {
    int32_t posn;
    int32_t svelsLeft;
    std::optional<TRect> want;
  };
  const Row rows[] = {
      {5, 328, std::nullopt},
      {6, 328, TRect{5, 56, 488, 134}},
      {8, 328, TRect{198, 56, 291, 134}},
      {10, 328, TRect{328, 56, 161, 134}},
      // A column standing right of the activity column leaves no width, never a negative one.
      {10, 600, TRect{600, 56, 0, 134}},
      {12, 328, TRect{650, 56, 252, 134}},
      {13, 328, TRect{5, 31, 488, 197}},
      {19, 328, TRect{650, 31, 252, 197}},
      {20, 328, TRect{5, 56, 898, 134}},
      {21, 328, TRect{5, 31, 898, 197}},
      {22, 328, TRect{4, 0, 900, 600}},
      {23, 328, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.posn);
    TOverSeqsInput in{r.posn, 56, 190, TRect{4, 30, 900, 200}, 493, 650, 198, r.svelsLeft, 600};
    EXPECT_EQ(PlaceKinetraceOverSeqs(in), r.want);
  }
}

TEST(Layout, SeqAreaFollowsTheWindowWidth) {
  struct Row {
    int32_t client, laneLeft;
    TSeqWidths want;
  };
  const Row rows[] = {
      {1040, 650, {1036, 1028, 374}},
      {1280, 650, {1276, 1268, 614}},
      // Narrower than the lanes' left: no lane, never a negative width.
      {600, 650, {596, 588, 0}},
      {2, 0, {0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.client);
    EXPECT_EQ(LayoutSeqStatusWidths(r.client, r.laneLeft), r.want);
  }
}

TEST(Layout, PortBoxesBesideTheirRows) {
  TPortBoxInput in;
  in.ListLeft = 400, in.ListTop = 24, in.ListWidth = 300, in.FrameWidth = 2, in.RowHeight = 17;
  in.BoxSize = 13, in.HeadingHeight = 16;
  TPortBoxPlaces o = PlacePortSyncBoxes(in);
  EXPECT_EQ(o.ClocksLeft, 708);
  EXPECT_EQ(o.SyncLeft, 736);
  EXPECT_EQ(o.HeadingTop, 6);
  const std::array<int32_t, kPorts> tops = {28, 45, 62, 79, 96, 113, 130, 147, 164};
  EXPECT_EQ(o.Top, tops);
  // Nine whole rows and the frame: no port's row scrolls away from its boxes.
  EXPECT_EQ(o.ListHeight, 157);
  EXPECT_TRUE(o.Visible);
  in.StandardMode = false;
  EXPECT_FALSE(PlacePortSyncBoxes(in).Visible);
}

}  // namespace
}  // namespace vel
