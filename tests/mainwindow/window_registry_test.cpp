#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mainwindow/WindowRegistry.h"

namespace vel {
namespace {

// A window that notes what reaches it under its name.
class NotingWindow : public TWindow {
 public:
  NotingWindow(std::string name, std::vector<std::string>& notes, std::vector<TTopic> shows = {})
      : name_(std::move(name)), notes_(notes), shows_(std::move(shows)) {}
  void On(TTopic topic) override {
    for (TTopic t : shows_)
      if (t == topic) {
        notes_.push_back(name_ + " " + TopicName(topic));
        if (OnRedraw) OnRedraw();
      }
  }
  void Answer(TWindowCalls& calls) override {
    calls.Run.ApplyProgState = [this](TProgState s) {
      notes_.push_back(name_ + " state " + std::to_string(int(s)));
    };
    calls.Cfg.OpenDialog = [this](const std::string&, const std::string&) { return name_; };
  }
  std::function<void()> OnRedraw;

 private:
  std::string name_;
  std::vector<std::string>& notes_;
  std::vector<TTopic> shows_;
};

class WindowRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RunHooks = TRunHooks{};
    RefreshHooks = TRefreshHooks{};
    PortHooks = TPortHooks{};
    CfgLink() = TCfgLinkHooks{};
    Ui() = UiHooks{};
  }
  std::vector<std::string> notes;
};

TEST_F(WindowRegistryTest, ATopicReachesEveryWindowInOrderOfRegistration) {
  Topics.Clear();
  NotingWindow a("a", notes, {TTopic::Colours, TTopic::DrumChain});
  NotingWindow b("b", notes, {TTopic::DrumChain});
  NotingWindow c("c", notes, {TTopic::DrumChain, TTopic::KeyMaps});
  PublishTopic(TTopic::DrumChain);  // no window yet: raised for the next delivery
  TRegistration ra = Windows().Register(a);
  TRegistration rb = Windows().Register(b);
  TRegistration rc = Windows().Register(c);
  PublishTopic(TTopic::Colours);
  PublishTopic(TTopic::BassChain);  // shown by none
  EXPECT_EQ(notes, (std::vector<std::string>{"a Colours"}));

  // What any thread raised goes out once, in the order of the topic list, at the next delivery.
  notes.clear();
  RaiseTopic(TTopic::DrumChain);
  RaiseTopic(TTopic::KeyMaps);
  Windows().DeliverRaised();
  Windows().DeliverRaised();
  EXPECT_EQ(notes, (std::vector<std::string>{"c KeyMaps", "a DrumChain", "b DrumChain", "c DrumChain"}));
  EXPECT_FALSE(Topics.Raised(TTopic::DrumChain));

  // A window's redraw closes a later window: that one is not told.
  notes.clear();
  b.OnRedraw = [&] { rc.Reset(); };
  PublishTopic(TTopic::DrumChain);
  EXPECT_EQ(notes, (std::vector<std::string>{"a DrumChain", "b DrumChain"}));
  EXPECT_EQ(Windows().Count(), 2);

  // Gone with the last window, a published topic is raised again, for whoever comes.
  ra.Reset();
  rb.Reset();
  EXPECT_EQ(Windows().Count(), 0);
  notes.clear();
  PublishTopic(TTopic::DrumChain);
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(Topics.Raised(TTopic::DrumChain));
  Topics.Clear();
}

TEST_F(WindowRegistryTest, CallsRunEveryAnswerAndStandInsReplaceTheWindowsAnswers) {
  RunHooks.TarloClose = [this] { notes.push_back("tarlo"); };  // the program's own, not a window's
  NotingWindow a("a", notes);
  NotingWindow b("b", notes);
  TRegistration ra = Windows().Register(a);
  {
    TRegistration rb = Windows().Register(b);
    RunHooks.ApplyProgState(TProgState::Config);
    // A call with a result takes the first window's.
    EXPECT_EQ(CfgLink().OpenDialog("t", "f"), "a");

    // A stand-in takes the calls it answers, whenever it came; the others stay the windows'.
    TWindowAnswers standIn;
    standIn.Calls.Run.ApplyProgState = [this](TProgState) { notes.push_back("stand-in"); };
    TRegistration rs = Windows().Register(standIn, TRegisterAs::StandIn);
    RunHooks.ApplyProgState(TProgState::Running);
    EXPECT_EQ(CfgLink().OpenDialog("t", "f"), "a");
    // Moved, the registration still holds the window.
    TRegistration moved = std::move(rs);
    RunHooks.ApplyProgState(TProgState::Running);
  }
  RunHooks.ApplyProgState(TProgState::Config);
  RunHooks.TarloClose();
  EXPECT_EQ(notes, (std::vector<std::string>{"a state 4", "b state 4", "stand-in", "stand-in", "a state 4",
                                             "tarlo"}));

  // No window answers: the calls are empty and the core skips them.
  ra.Reset();
  EXPECT_FALSE(RunHooks.ApplyProgState);
  EXPECT_FALSE(CfgLink().OpenDialog);
  EXPECT_FALSE(RefreshHooks.LoadMainControls);
  EXPECT_TRUE(RunHooks.TarloClose);
}

TEST_F(WindowRegistryTest, AnAnswerMayOpenAndCloseWindowsWhileItsCallRuns) {
  NotingWindow b("b", notes);
  NotingWindow c("c", notes);
  TWindowAnswers a;
  TRegistration ra, rb, rc;
  // The first call closes b and opens c, then goes on with what it holds (on the heap).
  bool first = true;
  a.Calls.Run.ApplyProgState = [&, name = std::string(40, 'a')](TProgState) {
    if (std::exchange(first, false)) {
      rb.Reset();
      rc = Windows().Register(c);
    }
    notes.push_back(name.substr(0, 2));
  };
  a.Calls.Cfg.OpenDialog = [&ra, text = std::string(40, 'x')](const std::string&, const std::string&) {
    ra.Reset();
    return text;
  };
  ra = Windows().Register(a);
  rb = Windows().Register(b);
  // b is gone before its turn; c answers from the next call on.
  RunHooks.ApplyProgState(TProgState::Config);
  RunHooks.ApplyProgState(TProgState::Config);
  EXPECT_EQ(notes, (std::vector<std::string>{"aa", "aa", "c state 4"}));
  // An answer that closes its own window still returns what it held.
  EXPECT_EQ(CfgLink().OpenDialog("t", "f"), std::string(40, 'x'));
  EXPECT_EQ(CfgLink().OpenDialog("t", "f"), "c");
}

TEST_F(WindowRegistryTest, TheLogLeadsToTheAnsweringWindowAndBackToWhatWasThereBefore) {
  std::vector<std::string> before;
  Ui().AddLogLines = [&before](const std::string& text) { before.push_back(text); };
  // Answers only while "showing", as the diagnostics window does.
  struct LogWindow : TWindow {
    bool showing = false;
    std::vector<std::string> lines;
    void Answer(TWindowCalls& calls) override {
      if (showing) calls.Log.AddLogLines = [this](const std::string& text) { lines.push_back(text); };
    }
  } w;
  TRegistration r = Windows().Register(w);
  Ui().AddLogLines("hidden");
  w.showing = true;
  Windows().AnswersChanged(w);
  Ui().AddLogLines("shown");
  w.showing = false;
  Windows().AnswersChanged(w);
  Ui().AddLogLines("hidden again");
  w.showing = true;
  Windows().AnswersChanged(w);
  r.Reset();
  Ui().AddLogLines("gone");
  EXPECT_EQ(w.lines, std::vector<std::string>{"shown"});
  EXPECT_EQ(before, (std::vector<std::string>{"hidden", "hidden again", "gone"}));
}

}  // namespace
}  // namespace vel
