#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "engine/LivePath.h"
#include "engine/RunControl.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/SettingSetters.h"
#include "mainwindow/ViewMenus.h"
#include "mainwindow/ViewTestState.h"
#include "settings/Settings.h"

namespace vel {
namespace {

class EngineSideTest : public test::ViewEngineTest {};

using TKinetraceFields = std::array<int32_t, 5>;  // shape, size, decay, tail, style

TKinetraceFields KinetraceFields() {
  return {Cfg.KinetraceShape, Cfg.KinetraceSize, Cfg.KinetraceDecay, Cfg.KinetraceTail, Cfg.KinetraceStyle};
}

// Each Kinetrace value steps its own setting and leaves the other four alone.
TEST_F(EngineSideTest, EachKinetraceValueStepsItsOwnSetting) {
  struct Case {
    TKinetraceValue value;
    bool inc;
    TKinetraceFields want;
  };
  const Case cases[] = {
      {TKinetraceValue::Shape, true, {3, 2, 2, 2, 2}}, {TKinetraceValue::Size, false, {2, 1, 2, 2, 2}},
      {TKinetraceValue::Decay, true, {2, 2, 3, 2, 2}}, {TKinetraceValue::Tail, false, {2, 2, 2, 1, 2}},
      {TKinetraceValue::Style, true, {2, 2, 2, 2, 1}}, {TKinetraceValue::Size, true, {2, 3, 2, 2, 2}},
  };
  for (const Case& c : cases) {
    Cfg.KinetraceShape = Cfg.KinetraceSize = Cfg.KinetraceDecay = Cfg.KinetraceTail = Cfg.KinetraceStyle = 2;
    EXPECT_TRUE(StepKinetraceSetting(c.value, c.inc));
    EXPECT_EQ(KinetraceFields(), c.want) << int(c.value) << " " << c.inc;
  }
}

// A smaller seq count drops a metronome seq beyond it; the allocated ports become the loaded ones.
TEST_F(EngineSideTest, SeqCountDropsAMetronomeSeqBeyondIt) {
  struct Case {
    int32_t count;
    int32_t metrBefore;
    int32_t metrAfter;
  };
  const Case cases[] = {{3, 2, 2}, {3, 3, -1}, {2, -1, -1}, {4, 3, 3}, {1, 1, -1}};
  RunCtl.InPortsAllocated = 0;
  RunCtl.OutPortsAllocated = 2;
  for (const Case& c : cases) {
    Cfg.MetrSeqNo = c.metrBefore;
    Cfg.InPortsLoaded = Cfg.OutPortsLoaded = 5;
    SetMaxActiveSeqs(c.count);
    EXPECT_EQ(Cfg.MaxActiveSeqs, c.count - 1);
    EXPECT_EQ(Cfg.MetrSeqNo, c.metrAfter) << c.count << " " << c.metrBefore;
    EXPECT_EQ(Cfg.InPortsLoaded, 0);
    EXPECT_EQ(Cfg.OutPortsLoaded, 2);
  }
}

TEST_F(EngineSideTest, LiveVelocityDigitIsHeldToZeroToNine) {
  const std::array<std::array<int32_t, 2>, 5> cases{{{-3, 0}, {0, 0}, {7, 7}, {9, 9}, {12, 9}}};
  for (const auto& [digit, want] : cases) {
    SetLiveSVel(digit);
    EXPECT_EQ(Live.SVel, want) << digit;
  }
}

}  // namespace
}  // namespace vel
