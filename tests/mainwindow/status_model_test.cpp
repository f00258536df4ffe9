#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/SeqLenText.h"
#include "mainwindow/StatusModel.h"
#include "settings/Settings.h"

namespace vel {
namespace {

constexpr TColor kRow = Rgb(1, 2, 3);
constexpr TColor kPend = Rgb(9, 9, 9);

// Distinct colours, so that every assertion names the one it expects.
TCfg Colours() {
  TCfg c;
  c.ClText = Rgb(10, 0, 0);
  c.ClStSeqNo = Rgb(11, 0, 0);
  c.ClStSelected = Rgb(12, 0, 0);
  c.ClStRecPrimed = Rgb(13, 0, 0);
  c.ClStRecording = Rgb(14, 0, 0);
  c.ClStFlashPend = Rgb(15, 0, 0);
  c.ClStFlashPendPart = Rgb(16, 0, 0);
  c.ClStSelnActive = Rgb(17, 0, 0);
  c.ClStWarning = Rgb(18, 0, 0);
  c.ClBgStatusBar = Rgb(19, 0, 0);
  c.ClPanelSeqRec = Rgb(20, 0, 0);
  return c;
}

TEST(StatusFlashClock, Shows400AndDarkens100AtEitherInterval) {
  for (const int32_t interval : {50, 100}) {
    TFlashClock clock;
    std::string phases;
    int flips = 0;
    for (int tick = 0; tick < 20 * 50 / interval; ++tick) {
      flips += StepFlashClock(clock, interval);
      phases += clock.On ? '1' : '0';
    }
    // Each character is one tick of the interval: 400 ms on, 100 ms off, over one second.
    const std::string want = interval == 50 ? "11111110011111111001" : "1110111101";
    EXPECT_EQ(phases, want) << interval;
    EXPECT_EQ(flips, 4) << interval;
  }
}

TEST(StatusAlert, WarnsThenCalmsThenClearsAfterFourSecondsOfTheEngineClock) {
  const TCfg cfg = Colours();
  TAlertStep a = StepAlert(0, 1000, true, "Warning: x", cfg);
  EXPECT_EQ(a.Time, 1000);
  EXPECT_EQ(a.Colour, cfg.ClStWarning);
  EXPECT_FALSE(a.Text.has_value());
  EXPECT_FALSE(a.Done);

  a = StepAlert(1000, 1050, false, "Warning: x", cfg);
  EXPECT_FALSE(a.Colour.has_value());  // 50 ms is not past the bright phase
  EXPECT_EQ(a.Text, "");
  a = StepAlert(1000, 1051, true, "Warning: x", cfg);
  EXPECT_EQ(a.Colour, cfg.ClBgStatusBar);
  EXPECT_EQ(a.Text, "Warning: x");
  EXPECT_EQ(a.Time, 1000);

  a = StepAlert(1000, 5000, true, "Warning: x", cfg);
  EXPECT_FALSE(a.Done);
  a = StepAlert(1000, 5001, true, "Warning: x", cfg);
  EXPECT_TRUE(a.Done);
  EXPECT_EQ(a.Time, 0);
  EXPECT_EQ(a.Colour, clBtnFace);
  EXPECT_EQ(a.Text, "");
}

TEST(StatusRows, StateTextsColoursAndBlinking) {
  const TCfg cfg = Colours();
  struct Case {
    uint8_t state;
    int32_t prRem, mrRem;
    bool muted, hasEvents, barCountOn;
    std::string on, off;
    TColor colour;
  };
  const std::vector<Case> cases = {
      {0, 3, 0, false, true, false, "p:3", "", cfg.ClText},
      {0, 0, 0, false, true, false, "p", "", cfg.ClText},
      {1, 2, 0, true, true, false, "p:2", "p:2", cfg.ClText},
      {1, 0, 0, true, true, false, "m", "m", cfg.ClText},
      {1, 0, 0, false, true, false, "p", "p", cfg.ClText},
      {2, 0, 4, false, true, false, "m:4", "", cfg.ClText},
      {3, 0, 0, false, true, false, "m", "m", cfg.ClText},
      {4, 0, 0, false, true, false, "s", "", cfg.ClText},
      {5, 0, 0, false, true, false, "s", "s", cfg.ClText},
      {5, 0, 0, false, false, false, "-", "-", cfg.ClText},
      {6, 0, 0, false, false, true, "r:2", "r:2", cfg.ClStRecPrimed},
      {6, 0, 0, false, false, false, "r", "r", cfg.ClStRecPrimed},
      {7, 0, 0, false, true, true, "r:2", "", cfg.ClStRecording},
  };
  for (const Case& c : cases) {
    TSeqSnap q;
    q.PRRem = c.prRem;
    q.MRRem = c.mrRem;
    q.Muted = c.muted;
    q.HasEvents = c.hasEvents;
    std::string error;
    const TText on = SeqStateText(q, c.state, true, c.barCountOn, 2, cfg, error);
    const TText off = SeqStateText(q, c.state, false, c.barCountOn, 2, cfg, error);
    EXPECT_EQ(on.Text, c.on) << int(c.state);
    EXPECT_EQ(off.Text, c.off) << int(c.state);
    EXPECT_EQ(on.Colour, c.colour) << int(c.state);
    EXPECT_EQ(error, "");
  }
  std::string error;
  const TText bad = SeqStateText(TSeqSnap{}, 8, true, false, 0, cfg, error);
  EXPECT_EQ(error, "UpdateDspStatus-3 error: Invalid SeqState");
  EXPECT_EQ(bad.Colour, cfg.ClText);
}

TEST(StatusRows, FlashRule) {
  using S = TSeqState;
  struct Case {
    bool equal, flashOn, sweep, actGe;
    S state;
    bool active;
    std::string mark;
    TColor colour;
  };
  const std::vector<Case> cases = {
      {true, false, false, true, S::Playing, true, "", kRow},      // settled
      {false, true, false, true, S::Playing, true, "", kRow},      // pending, bright phase
      {false, false, false, true, S::Playing, false, "", kPend},   // pending, dark phase
      {false, false, true, true, S::Playing, true, "<", kRow},     // sweeping down
      {false, false, true, false, S::Playing, true, ">", kRow},    // sweeping up, never blinks
      {false, true, false, true, S::Stopped, false, "", kRow},     // stopped: what it starts with
      {true, true, true, false, S::Stopped, false, "^", kRow},     // stopped sweep
      {false, true, false, true, S::RecPrimed, false, "", kPend},  // primed: pending colour
      {false, true, false, true, S::Recording, true, "", kRow},    // recording plays active
  };
  for (const Case& c : cases) {
    const TFlashPick f = FlashRule(c.equal, c.flashOn, c.sweep, c.actGe, c.state, kRow, kPend);
    EXPECT_EQ(f.Active, c.active);
    EXPECT_EQ(f.Mark, c.mark);
    EXPECT_EQ(f.Colour, c.colour);
  }
}

TStatusSnapshot TwoSeqs() {
  TStatusSnapshot s;
  s.ProgState = TProgState::Running;
  s.MaxActiveSeqs = 1;
  s.OutPortsAllocated = 3;
  for (TSeqSnap& q : s.Seqs) {
    q.State = TSeqState::Playing;
    q.StateRaw = 1;
    q.HasEvents = true;
    q.ProgActOk = q.ProgPendOk = true;
    q.ProgAct = q.ProgPend = 5;
  }
  return s;
}

TEST(StatusRows, PendingValuesBlinkAndSweepsShowWhereTheyGo) {
  TCfg cfg = Colours();
  cfg.DspProgNames = 0;
  cfg.DspPortNames = 0;
  TStatusSnapshot s = TwoSeqs();
  TSeqSnap& q = s.Seqs[0];
  q.Transpose = 2;
  q.TransposePend = 5;
  q.PitchBase = 0;
  q.Port = 1;  // port 2 plays, port 3 next, sweeping up
  q.PortPend = 2;
  q.PortSweep.On = true;
  q.PlayPart = 0;
  q.SelPart = 1;
  TStatusView on, off;
  BuildStatusView(s, cfg, true, on);
  BuildStatusView(s, cfg, false, off);
  EXPECT_EQ(on.Rows[0].Pitch.Text, "+2");
  EXPECT_EQ(on.Rows[0].Pitch.Colour, cfg.ClText);
  EXPECT_EQ(off.Rows[0].Pitch.Text, "+5");
  EXPECT_EQ(off.Rows[0].Pitch.Colour, cfg.ClStFlashPend);
  EXPECT_EQ(on.Rows[0].Port->Text, ">2");
  EXPECT_EQ(off.Rows[0].Port->Text, ">2");
  EXPECT_TRUE(on.Rows[0].Port->Bold);
  // Sq.Pt: an unselected row's number stays in the seq-number colour while its part blinks.
  EXPECT_EQ(on.Rows[0].PartNo.Text, "1.1");
  EXPECT_EQ(off.Rows[0].PartNo.Text, "1.2");
  EXPECT_EQ(off.Rows[0].PartNo.Colour, cfg.ClStSeqNo);
  EXPECT_EQ(on.Rows[0].Trans.Text, "+0");

  // Stopped: the pending value in the row colour; offsets colour it.
  q.State = TSeqState::Stopped;
  q.StateRaw = 5;
  q.PendOffs = true;
  q.Selected = true;
  BuildStatusView(s, cfg, true, on);
  EXPECT_EQ(on.Rows[0].Pitch.Text, "+5");
  EXPECT_EQ(on.Rows[0].Pitch.Colour, cfg.ClStSelnActive);
  EXPECT_EQ(on.Rows[0].PartNo.Text, "1.2");
  EXPECT_EQ(on.Rows[0].PartNo.Colour, cfg.ClStSelected);
  EXPECT_EQ(on.Rows[0].Port->Text, "^3");
}

TEST(StatusRows, RecordArrowsFromLiveOnEveryRowToLiveOnTheFirst) {
  TCfg cfg = Colours();
  TStatusSnapshot s = TwoSeqs();
  for (TSeqSnap& q : s.Seqs) {
    q.State = TSeqState::Recording;
    q.StateRaw = 7;
  }
  TStatusView v;
  s.ArrowFromLive = true;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].PartNo.Text, "->1.1");
  EXPECT_EQ(v.Rows[1].PartNo.Text, "->2.1");
  EXPECT_EQ(v.Rows[0].Panel, cfg.ClPanelSeqRec);
  s.ArrowFromLive = false;
  s.ArrowToLive = true;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].PartNo.Text, "1.1->");
  EXPECT_EQ(v.Rows[1].PartNo.Text, "2.1");
  s.ArrowToLive = false;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].PartNo.Text, "1.1");
}

TEST(StatusRows, ProgramDashesAndNamesVelocityBlink) {
  TCfg cfg = Colours();
  TStatusSnapshot s = TwoSeqs();
  TSeqSnap& q = s.Seqs[0];
  TStatusView v;
  cfg.DspProgNames = 1;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].Prog->Text, "5-" + cfg.UserProgNames[5]);
  EXPECT_FALSE(v.Rows[0].Prog->Bold);
  q.ProgAct = -1;
  q.ProgPend = -1;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].Prog->Text, "?");
  q.ProgActOk = false;  // the active port's device refuses program changes
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].Prog->Text, "-");
  EXPECT_EQ(v.Rows[0].Prog->Colour, cfg.ClText);
  s.OutPortsAllocated = -1;  // no port: left as it is
  BuildStatusView(s, cfg, true, v);
  EXPECT_FALSE(v.Rows[0].Prog.has_value());
  EXPECT_FALSE(v.Rows[0].Port.has_value());

  // A pending mute darkens the digit in the bright phase; silent shows greyed.
  q.MutedPend = true;
  BuildStatusView(s, cfg, true, v);
  EXPECT_FALSE(v.Rows[0].SVel.Visible);
  BuildStatusView(s, cfg, false, v);
  EXPECT_TRUE(v.Rows[0].SVel.Visible);
  EXPECT_TRUE(v.Rows[0].SVel.Enabled);
  q.SVel = q.SVelPend = 0;
  BuildStatusView(s, cfg, false, v);
  EXPECT_EQ(v.Rows[0].SVel.Text, "0");
  EXPECT_FALSE(v.Rows[0].SVel.Enabled);
  cfg.StandardMode = 0;
  BuildStatusView(s, cfg, false, v);
  EXPECT_FALSE(v.Rows[0].SVel.Visible);
}

TEST(StatusRows, MetronomeSeqDividerAndLength) {
  TCfg cfg = Colours();
  TStatusSnapshot s = TwoSeqs();
  s.MetrSeqNo = 1;
  s.Seqs[0].TempoDiv = s.Seqs[0].TempoDivPend = 2;
  s.Seqs[0].RElap = 2 * 15360;
  s.Seqs[1].State = TSeqState::Recording;
  s.Seqs[1].StateRaw = 7;
  s.Seqs[1].RElap = 0;
  s.RecBeatCount = 5;
  TStatusView v;
  BuildStatusView(s, cfg, true, v);
  EXPECT_EQ(v.Rows[0].TDiv.Text, "1/2");
  EXPECT_EQ(v.Rows[1].TDiv.Text, "x");
  EXPECT_EQ(v.Rows[0].Len.Text, "4");
  EXPECT_EQ(v.Rows[1].Len.Text, "1.2/8");  // five counted beats of a 4/4 bar
}

}  // namespace
}  // namespace vel
