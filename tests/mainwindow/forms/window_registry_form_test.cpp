#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/UiHooks.h"
#include "engine/RunControl.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/FormRig.h"

namespace vel {
namespace {

// A settings window as the registry sees it: it redraws for one topic while it shows and reloads
// its controls with every settings load.
class SettingsWindow : public TWindow {
 public:
  explicit SettingsWindow(std::vector<std::string>& notes) : notes_(notes) {}
  void On(TTopic topic) override {
    if (showing && topic == TTopic::Settings) notes_.push_back("reload");
  }
  void Answer(TWindowCalls& calls) override {
    calls.Run.UsageReport = [this] { notes_.push_back("usage"); };
  }
  bool showing = true;

 private:
  std::vector<std::string>& notes_;
};

using WindowRegistryFormTest = test::FormRig;

TEST_F(WindowRegistryFormTest, AnotherWindowJoinsTheMainWindowsAnswersUntilItGoes) {
  std::vector<std::string> notes;
  SettingsWindow w(notes);
  const int32_t areas = Windows().Count();
  bool ok = false;
  {
    TRegistration registration = Windows().Register(w);
    // Every settings load reloads the settings windows, the second as the first.
    form->LoadConfigAndApply(true, false, ok);
    form->LoadConfigAndApply(true, false, ok);
    PublishTopic(TTopic::Settings);
    w.showing = false;
    PublishTopic(TTopic::Settings);
    PublishTopic(TTopic::DrumChain);
    EXPECT_EQ(notes, (std::vector<std::string>{"reload", "reload", "reload"}));
    EXPECT_EQ(Windows().Count(), areas + 1);
  }
  // Gone, it is asked nothing; the main window's areas still answer theirs.
  notes.clear();
  form->LoadConfigAndApply(true, false, ok);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(Windows().Count(), areas);
  // The main window's own settings windows still answer it.
  EXPECT_TRUE(RefreshHooks.ReloadMainWindow);
  EXPECT_TRUE(RunHooks.SetDspTimer);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  // The window's own calls go with it.
  form.reset();
  EXPECT_EQ(Windows().Count(), 0);
  EXPECT_FALSE(RefreshHooks.ReloadMainWindow);
  EXPECT_FALSE(RunHooks.ApplyProgState);
}

}  // namespace
}  // namespace vel
