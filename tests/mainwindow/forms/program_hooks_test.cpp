// The program's own start-up wiring: every call the core makes reaches its answer, and the calls
// that once had none do what they are for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <string>
#include <vector>

#include "base/FileReplace.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyFnFromLabel.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/ProgramHooks.h"
#include "settings/CfgFile.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "styles/StyleStore.h"
#include "ui_Main.h"

namespace vel {
namespace {

// Start-up as the program runs it, but with the boxes recorded so that none waits for a click.
class ProgramHooksTest : public test::FormRig {
 protected:
  void BeforeStart() override {
    InstallProgramHooks();
    startUpUi = Ui();
    rec.Install();
  }

  // The toolkit calls as start-up left them, before the recorder took their place. Their
  // defaults do nothing (so that core code runs headless) and so count as filled: only their
  // type tells the program's own answer from the default.
  UiHooks startUpUi;
};

// Every slot of every hook struct the core calls, named by its struct.
std::vector<std::pair<std::string, THookSlot>> AllSlots() {
  std::vector<std::pair<std::string, THookSlot>> all;
  auto add = [&](const char* owner, const auto& list) {
    for (const THookSlot& s : list) all.emplace_back(owner, s);
  };
  add("RunHooks", HookSlots(RunHooks));
  add("RefreshHooks", HookSlots(RefreshHooks));
  add("PortHooks", HookSlots(PortHooks));
  add("CfgLink", HookSlots(CfgLink()));
  add("KeyMapCalls", HookSlots(KeyMapCalls()));
  add("Ui", HookSlots(Ui()));
  add("MidiInHooks", HookSlots(MidiInHooks));
  add("EngineHooks", HookSlots(EngineHooks));
  add("FileReplaceHooks", HookSlots(FileReplaceHooks));
  all.emplace_back("StyleStore", THookSlot{"OnMetrRebuildRequest", OnMetrRebuildRequest != nullptr});
  return all;
}

TEST_F(ProgramHooksTest, StartUpFillsEverySlotTheCoreCalls) {
  const auto all = AllSlots();
  ASSERT_FALSE(all.empty());
  int optional = 0;
  for (const auto& [owner, slot] : all) {
    EXPECT_NE(std::string(slot.Name), "") << owner << ": a slot without its line in HookSlots";
    EXPECT_TRUE(slot.Filled || slot.Optional) << owner << "." << slot.Name << " is left empty by start-up";
    optional += slot.Optional ? 1 : 0;
  }
  // FileReplaceHooks.Written alone: a slot the program may leave empty is a choice made on purpose.
  EXPECT_EQ(optional, 1);

  const UiHooks defaults;
  EXPECT_NE(startUpUi.MessageBox.target_type(), defaults.MessageBox.target_type());
  EXPECT_NE(startUpUi.BusyCursor.target_type(), defaults.BusyCursor.target_type());
  EXPECT_NE(startUpUi.ProcessEvents.target_type(), defaults.ProcessEvents.target_type());
}

TEST_F(ProgramHooksTest, ACriticalCloseEndsTheApplicationAndGivesUpTheLocks) {
  ASSERT_EQ(InstanceLocks.CopyNo, 1);
  CriticalErrorClose("");
  ASSERT_FALSE(rec.boxes.empty());
  EXPECT_EQ(rec.boxes.back().text, "Critical error; Vellorine closing...");
  EXPECT_EQ(InstanceLocks.CopyNo, 0);
  EXPECT_TRUE(form->Closing());
  // The quit was asked for: the event loop ends at once rather than at the guard's exit.
  QTimer::singleShot(3000, form.get(), [] { QCoreApplication::exit(99); });
  EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(ProgramHooksTest, TheKeyMapperResettingTheOffsetsShowsTheCalibratePrompt) {
  Cfg.InPortOctaveOffset[0].store(1);
  rec.Answer(MsgAnswer::Yes);
  // Grid key 26 maps to key 14, whose pitch class is not the calibrate key's.
  EXPECT_EQ(KeyFnFromLabelLive(26, "cmd"), "cmd");
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 0);
  EXPECT_EQ(Args.CalibratePending, 1);
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Calibrate);
  EXPECT_EQ(ui().sbtnCalibrate->text().toStdString(), "Press live Cmd key");
}

TEST_F(ProgramHooksTest, TheEngineResetDropsTheKeyPathsPendingEntries) {
  Args.ProgCalibPending = 1;
  Args.TapTempoTime = 1200;
  Args.TapTempoInterval = 500;
  ResetEngine();
  EXPECT_EQ(Args.ProgCalibPending, 0);
  EXPECT_EQ(Args.TapTempoTime, 0);
  EXPECT_EQ(Args.TapTempoInterval, 0);
}

TEST_F(ProgramHooksTest, TheSettingsRefreshGivesTheVirtualKeyboardsAdviceAgain) {
  Args.VKbdHotkeyAdviceShown = 1;
  ASSERT_TRUE(RefreshAll(true));
  EXPECT_EQ(Args.VKbdHotkeyAdviceShown, 0);
}

TEST_F(ProgramHooksTest, AFullSettingsLoadEntersLoadingConfig) {
  const std::string file = dir + "/settings.txt";
  ASSERT_TRUE(SaveConfigFileAs(file, CfgFull, true));
  ASSERT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  CfgFiles.ConfigFileName = file;
  EXPECT_TRUE(LoadConfigFile(false, CfgFull));
  // The caller's apply ends the load in Config; until then the menus stay shut.
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::LoadingConfig);
  EXPECT_FALSE(ui().mnuFile->menuAction()->isEnabled());
  SetProgState(TProgState::Config);
}

}  // namespace
}  // namespace vel
