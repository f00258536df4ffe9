#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <future>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Sizes.h"
#include "settings/CfgBinding.h"
#include "settings/ResetModelState.h"
#include "settings/Settings.h"

namespace vel {
namespace {

class CfgBindingTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetModelState(); }
  void TearDown() override { ResetModelState(); }
};

// A control shows what the settings file holds: counted from 1, in seconds; its range is the
// file's (a kept-inside range held in ms shows in seconds).
TEST_F(CfgBindingTest, ShownAndHeldBothWaysWithTheRangeOfTheSettingsRow) {
  struct Row {
    const char* what;
    CfgVarRef var;
    int32_t held, shown, lo, hi;
  } rows[] = {
      {"seconds, kept inside", &Cfg.TempoSlewTime, 7000, 7, 0, 1000},
      {"from 1, none as 0", &Cfg.RecStopSeqNo, -1, 0, 0, 4},
      {"from 1, a byte", &Cfg.MetrDrumChan, 15, 16, 1, 16},
      {"from 1, ports", &Cfg.ClocksExtPNo, 2, 3, 0, kPorts},
      {"as held, kept inside", &Cfg.KinetracePosn, 22, 22, 1, 22},
      {"as held, refused outside", &Cfg.DspStatusInterval, 35, 35, 1, 10000},
      {"as held, no limits", &Cfg.FtnTimerThreshold, 70, 70, INT32_MIN, INT32_MAX},
      {"a flag", &Cfg.KinetraceDBuff, 0, 0, INT32_MIN, INT32_MAX},
      {"no row: written by hand", &Cfg.TemplateKeySize, 45, 45, INT32_MIN, INT32_MAX},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const TCfgBinding b = BindCfg(r.var);
    EXPECT_EQ(ShownValue(b, r.held), r.shown);
    EXPECT_EQ(HeldValue(b, r.shown), r.held);
    EXPECT_EQ(b.Lo, r.lo);
    EXPECT_EQ(b.Hi, r.hi);
    StoreCfg(b, r.held);
    EXPECT_EQ(HeldCfg(b), r.held);
    EXPECT_EQ(ReadCfgLocked(b), r.held);
  }
  // Part of a second shows as the whole seconds before it.
  EXPECT_EQ(ShownValue(BindCfg(&Cfg.TempoSlewTime), 3999), 3);
}

TEST_F(CfgBindingTest, AStoreWaitsForTheEngineLock) {
  std::unique_lock lock(EngineLock);
  auto done = std::async(std::launch::async, [] { StoreCfg(BindCfg(&Cfg.MetrBassChan), 5); });
  EXPECT_EQ(done.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  EXPECT_EQ(Cfg.MetrBassChan, 0);
  lock.unlock();
  done.get();
  EXPECT_EQ(Cfg.MetrBassChan, 5);
}

}  // namespace
}  // namespace vel
