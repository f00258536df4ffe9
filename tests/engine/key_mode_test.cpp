#include <gtest/gtest.h>

#include "base/UiRecorder.h"
#include "engine/KeyMode.h"
#include "keymaps/KeyFnFromLabel.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

using test::KeyMapTest;
using test::UiRecorder;

TEST_F(KeyMapTest, KeyModeToLabModeWithoutArgumentReadsTheKeyMode) {
  const TKeyMode saved = Keys.KeyMode.load();
  Keys.KeyMode.store(TKeyMode::StepRecord);
  EXPECT_EQ(KeyModeToLabMode(), MtSRec);
  Keys.KeyMode.store(TKeyMode::TempoDiv);
  EXPECT_EQ(KeyModeToLabMode(), MtQuant);
  Keys.KeyMode.store(TKeyMode::Inactive);
  EXPECT_EQ(KeyModeToLabMode(), MtNone);
  EXPECT_TRUE(Msgs.ErrMsg.IsEmpty());
  Keys.KeyMode.store(saved);
}

TEST_F(KeyMapTest, RecalibrationReturnsToLiveModeThroughTheEngine) {
  // The parser leaves the mode the old offsets routed into.
  InstallKeyModeCalls();
  UiRecorder ui;
  ui.Answer(MsgAnswer::Yes);
  const TKeyMode savedMode = Keys.KeyMode.load();
  Keys.KeyMode.store(TKeyMode::Command);
  Keys.KeyHold.store(1);
  Cfg.InPortOctaveOffset[1].store(2);

  EXPECT_EQ(KeyFnFromLabelLive(26, "cmd"), "cmd");
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text,
            "Octave offsets have been reset to 0, so re-calibration is reqd.\r\n"
            "Please click OK, then Press live Cmd key (D)");
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  EXPECT_EQ(Keys.KeyHold.load(), 0);
  EXPECT_EQ(Cfg.InPortOctaveOffset[1].load(), 0);

  Keys.KeyMode.store(savedMode);
  Keys.KeyHold.store(0);
}

}  // namespace
}  // namespace vel
