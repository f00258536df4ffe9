#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/MetrModel.h"
#include "mainwindow/StatusSnapshot.h"
#include "mainwindow/UsageReport.h"
#include "settings/Settings.h"

namespace vel {
namespace {

TEST(MetrDisplay, BeatLightAndSwingFollowTheBeatIntervalWithHysteresis) {
  TCfg cfg;
  cfg.ClStWarning = Rgb(1, 0, 0);
  cfg.ClText = Rgb(2, 0, 0);
  TBeatLightState st;
  TMetrInput in;
  in.ActBeatTicks = 3840;
  in.BeatChanged = true;
  in.BeatNo = 2;
  in.SeqsRunning = true;
  struct Beat {
    int32_t d;
    bool visible;
    TRect4 rect;
    TColor colour;
    bool swingShown;
    TColor swingColour;
  };
  const TRect4 beat = kBeatLightBeat, small = kBeatLightSmall;
  const std::vector<Beat> beats = {
      {500, true, beat, cfg.ClMetrLightBeatN, true, cfg.ClText},
      {190, true, small, cfg.ClKtBgWarnFcn, true, cfg.ClStWarning},  // below 200: small
      {220, true, small, cfg.ClKtBgWarnFcn, true, cfg.ClStWarning},  // kept up to 250
      {260, true, beat, cfg.ClMetrLightBeatN, true, cfg.ClText},
      {140, true, small, cfg.ClKtBgWarnFcn, false, cfg.ClStWarning},  // below 150: no swing
      {180, true, small, cfg.ClKtBgWarnFcn, false, cfg.ClStWarning},  // kept up to 200
      {210, true, small, cfg.ClKtBgWarnFcn, true, cfg.ClStWarning},
      {40, false, small, cfg.ClMetrLightDefault, false, cfg.ClStWarning},  // below 50: no light
      {90, false, small, cfg.ClMetrLightDefault, false, cfg.ClStWarning},  // kept up to 100
      {110, true, small, cfg.ClKtBgWarnFcn, false, cfg.ClStWarning},
  };
  for (const Beat& b : beats) {
    in.MsClock += b.d;
    TMetrView v;
    UpdateDspMetr(in, cfg, st, v);
    ASSERT_TRUE(v.Light.has_value());
    EXPECT_EQ(v.Light->Visible, b.visible) << b.d;
    EXPECT_EQ(v.Light->Rect, b.rect) << b.d;
    EXPECT_EQ(v.Light->Colour, b.colour) << b.d;
    EXPECT_EQ(v.LeftVisible || v.RightVisible, b.swingShown) << b.d;
    EXPECT_EQ(v.SwingColour, b.swingColour) << b.d;
    EXPECT_EQ(v.Beat, "2/4");
  }
}

TEST(MetrDisplay, BarLightHoldsThenShrinksAndTheSwingAlternates) {
  TCfg cfg;
  TBeatLightState st;
  TMetrInput in;
  in.ActBeatTicks = 3840;
  in.BeatChanged = true;
  in.BeatNo = 1;
  in.BarNo = 3;
  in.MsClock = 1000;
  in.SeqsRunning = true;
  TMetrView v;
  UpdateDspMetr(in, cfg, st, v);
  EXPECT_EQ(v.Light->Rect, kBeatLightBar1);
  EXPECT_EQ(v.Light->Colour, cfg.ClMetrLightBeat1);
  EXPECT_TRUE(v.LeftVisible);  // odd beat, starting on the left
  EXPECT_FALSE(v.RightVisible);
  EXPECT_EQ(v.Bar, "3");
  in.BeatChanged = false;
  for (int tick = 1; tick <= 8; ++tick) {
    UpdateDspMetr(in, cfg, st, v);
    EXPECT_EQ(v.Light.has_value(), tick == 8) << tick;
  }
  EXPECT_EQ(v.Light->Rect, kBeatLightSmall);
  EXPECT_EQ(v.Light->Colour, cfg.ClMetrLightDefault);
  // In 3/4 the mark flips every other bar; nothing runs: always the start side.
  in.BeatChanged = true;
  in.ActBeatsPerBar = 3;
  in.BarNo = 4;
  in.MsClock += 500;
  UpdateDspMetr(in, cfg, st, v);
  EXPECT_TRUE(v.RightVisible);
  in.BarNo = 5;
  in.MsClock += 500;
  UpdateDspMetr(in, cfg, st, v);
  EXPECT_TRUE(v.LeftVisible);
  in.SeqsRunning = false;
  in.MsClock += 500;
  UpdateDspMetr(in, cfg, st, v);
  EXPECT_TRUE(v.RightVisible);
  EXPECT_FALSE(v.LeftVisible);
  in.ActBeatTicks = 0;
  UpdateDspMetr(in, cfg, st, v);
  EXPECT_FALSE(v.Any);
}

TEST(TempoDisplay, InternalAndExternalTempoTexts) {
  TCfg cfg;
  cfg.ClText = Rgb(1, 0, 0);
  cfg.ClStTempoInvalid = Rgb(2, 0, 0);
  const TSweepSnap none, down{true, true};
  TTempoView t = ShowTempoDisplay(12049, none, 3000, true, true, 50, 1042, cfg);
  EXPECT_EQ(t.Slew, "3");
  EXPECT_EQ(t.Int, "120");
  EXPECT_EQ(t.Ext, "120");  // 50 clocks of about 20.8 ms
  EXPECT_EQ(t.ExtColour, cfg.ClText);
  t = ShowTempoDisplay(950, down, 0, true, true, 50, 12500, cfg);
  EXPECT_EQ(t.Int, "<9.50");
  EXPECT_EQ(t.Ext, "10");
  EXPECT_EQ(t.ExtColour, cfg.ClStTempoInvalid);
  t = ShowTempoDisplay(12000, none, 0, true, true, 50, 50, cfg);  // 1 ms clocks: 2500 BPM
  EXPECT_EQ(t.Ext, "?");
  EXPECT_FALSE(t.ExtColour.has_value());
  t = ShowTempoDisplay(12000, none, 0, true, true, 1, 10001, cfg);  // rounds to 0
  EXPECT_EQ(t.Ext, "?");
  EXPECT_EQ(t.ExtColour, cfg.ClText);
  for (auto [inputs, valid, count, sum] :
       {std::tuple{false, true, 50, 1042}, std::tuple{true, false, 50, 1042}, std::tuple{true, true, 0, 0},
        std::tuple{true, true, 5, -3}}) {
    t = ShowTempoDisplay(12000, none, 0, inputs, valid, count, sum, cfg);
    EXPECT_EQ(t.Ext, "?");
    EXPECT_EQ(t.ExtColour, cfg.ClText);
  }
}

TEST(StatusLights, AgeingOverloadAndSpareTime) {
  uint8_t flag = 1;
  int32_t since = 0;
  EXPECT_TRUE(AgeLight(flag, since, 1000));
  EXPECT_EQ(since, 1000);
  EXPECT_TRUE(AgeLight(flag, since, 1100));
  EXPECT_FALSE(AgeLight(flag, since, 1101));
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(since, 0);
  EXPECT_FALSE(AgeLight(flag, since, 1200));

  TCfg cfg;
  cfg.ClStOverload = Rgb(1, 0, 0);
  uint8_t more = 1;
  int32_t at = 0;
  EXPECT_EQ(InputOverload(more, at, 500, cfg), (TLoadLight{true, cfg.ClStOverload}));
  EXPECT_EQ(InputOverload(more, at, 1500, cfg), (TLoadLight{true, cfg.ClStOverload}));
  EXPECT_EQ(more, 1);
  EXPECT_EQ(InputOverload(more, at, 1501, cfg), (TLoadLight{true, cfg.ClStOverload}));
  EXPECT_EQ(more, 0);
  EXPECT_EQ(InputOverload(more, at, 1502, cfg), (TLoadLight{false, cfg.ClText}));
  EXPECT_EQ(SpareLight(1, cfg), (TLoadLight{false, cfg.ClText}));
  EXPECT_EQ(SpareLight(0, cfg), (TLoadLight{true, cfg.ClStOverload}));
  EXPECT_EQ(SpareLight(kNotMeasured, cfg), (TLoadLight{false, cfg.ClText}));

  EXPECT_EQ(ShowInOctaveOffset(2, cfg), (TText{"+2", cfg.ClStOctaveNonZero}));
  EXPECT_EQ(ShowInOctaveOffset(0, cfg), (TText{"+0", cfg.ClText}));
  EXPECT_EQ(ShowInOctaveOffset(-1, cfg), (TText{"-1", cfg.ClStOctaveNonZero}));
}

TEST(DiagDrain, TraceLineAndUsageReport) {
  EXPECT_EQ(TraceLine(0, 1234, 0x00403C90, false), "P1- 1234 00403C90");
  EXPECT_EQ(TraceLine(8, 0, 0x7F, false), "P9- 0 0000007F");
  EXPECT_EQ(TraceLine(0, 1234, 0x00403C90, true).rfind("P1- 1234 00403C90 ", 0), 0u);

  TUsageInput in;
  in.Live = {3, 17};
  in.Raw = {0, 2};
  in.Diag = {1, 999};
  in.Warnings = 4;
  in.Errors = 1;
  for (auto& seq : in.Parts)
    for (auto& p : seq) p.Peak = -1;
  EXPECT_EQ(UsageReportLines(in), (std::vector<std::string>{
                                      "Fifos curr/peak/max: Live 3/17/1000, Raw 0/2/1000, Diag 1/999/1000",
                                      "Warnings 4, errors 1",
                                  }));
  in.Parts[0][0] = {12, 40};
  in.Parts[0][1] = {0, 0};
  in.Parts[1][1] = {4999, 4998};
  in.Parts[2][0] = {1, 0};
  in.Parts[3][1] = {7, 9};
  const std::vector<std::string> lines = UsageReportLines(in);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Seq/Part usage, max 5000, curr/peak:-");
  EXPECT_EQ(lines[1], "S1 P1   12/  41, S1 P2    0/   1, S2 P2 4999/4999, S3 P1    1/   1");
  EXPECT_EQ(lines[2], "S4 P2    7/  10");
  // Only the seqs in use.
  in.MaxActiveSeqs = 1;
  EXPECT_EQ(UsageReportLines(in)[1], "S1 P1   12/  41, S1 P2    0/   1, S2 P2 4999/4999");
}

}  // namespace
}  // namespace vel
