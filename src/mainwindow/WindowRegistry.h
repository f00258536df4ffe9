#pragma once
// The one registry of the windows. A window (or an area of the main window) implements TWindow,
// registers for as long as it exists, hears every topic (base/Topics.h: what changed in the model)
// and redraws what it shows of it, and says which of the core's calls it answers. The registry
// delivers the topics and is the one place that fills the window side of the core's hook structs
// (UiHooks' publish and log, RunHooks, RefreshHooks, PortHooks, CfgLink): the core
// keeps calling its hooks, and they lead here. GUI thread only.
// The timer thread's hooks (EngineHooks, MidiInHooks) stay plain function pointers outside it:
// no window answers on that path, and nothing there may allocate.
//
// A window registers for as long as it lives, for example:
//   class TfrmCfgPerf : public QWidget, public TWindow {
//     void On(TTopic t) override { if (isVisible() && t == TTopic::Settings) LoadCfgPerfControls(); }
//     void Answer(TWindowCalls& c) override { c.Run.UsageReport = [this] { Report(); }; }
//     TRegistration registration_ = Windows().Register(*this);  // the last member: goes first
//   };
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Topics.h"
#include "base/UiHooks.h"
#include "engine/RunControl.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/Refresh.h"
#include "settings/CfgLink.h"

namespace vel {

// The diagnostics log's sink in UiHooks. While no window answers it, the hook is what it was
// before one did (the default, or a test's recorder).
struct TLogCalls {
  std::function<void(const std::string& text)> AddLogLines;
};

// The core's calls a window may answer; it fills the members it answers and leaves the rest
// empty. Only the window members are taken (TWindowRegistry::Fill lists them): the program state,
// display timers, usage report and the end of the application of RunHooks; all of RefreshHooks and
// PortHooks; the settings dialogs, the factory load and the status text of CfgLink; the log's
// lines of UiHooks.
struct TWindowCalls {
  TRunHooks Run;
  TRefreshHooks Refresh;
  TPortHooks Ports;
  TCfgLinkHooks Cfg;
  TLogCalls Log;
};

class TWindow {
 public:
  virtual ~TWindow() = default;
  // Something the window may show changed: it redraws what it shows of it, and ignores the rest
  // (a window not showing, most topics). A topic never comes with EngineLock held, so a redraw
  // may read the engine through the calls that take it.
  virtual void On(TTopic /*topic*/) {}
  // The core's calls the window answers, each into the window; asked at registration and again
  // when the window says its answers changed (TWindowRegistry::AnswersChanged).
  virtual void Answer(TWindowCalls& /*calls*/) {}
};

// A window made of its answers, for areas that only answer calls and for tests.
class TWindowAnswers : public TWindow {
 public:
  TWindowAnswers() = default;
  explicit TWindowAnswers(TWindowCalls calls) : Calls(std::move(calls)) {}
  void Answer(TWindowCalls& calls) override { calls = Calls; }
  void On(TTopic topic) override {
    if (Hears) Hears(topic);
  }
  TWindowCalls Calls;
  // What it does when a topic reaches it; empty: nothing.
  std::function<void(TTopic topic)> Hears;
};

// A stand-in's answers replace every window's answers to the calls it answers, whenever it
// registered: a test puts its recorder in this way before the window exists.
enum class TRegisterAs : uint8_t { Window, StandIn };

// Keeps a window registered until it goes (or Reset).
class TRegistration {
 public:
  TRegistration() = default;
  explicit TRegistration(TWindow* window) : window_(window) {}
  TRegistration(TRegistration&& other) noexcept : window_(other.window_) { other.window_ = nullptr; }
  TRegistration& operator=(TRegistration&& other) noexcept;
  TRegistration(const TRegistration&) = delete;
  TRegistration& operator=(const TRegistration&) = delete;
  ~TRegistration() { Reset(); }
  void Reset();

 private:
  TWindow* window_ = nullptr;
};

class TWindowRegistry {
 public:
  // Adds the window after those registered (a window registered again keeps its place and its
  // answers are asked afresh) and fills the hooks again.
  [[nodiscard]] TRegistration Register(TWindow& window, TRegisterAs as = TRegisterAs::Window);
  // Removes the window and fills the hooks again; a call it answered is empty once no window
  // answers it.
  void Unregister(TWindow& window);
  // Asks a registered window's answers afresh (one that answers only while it shows) and fills
  // the hooks again.
  void AnswersChanged(TWindow& window);
  // The topic, to every registered window in order of registration.
  void Deliver(TTopic topic);
  // Every topic raised since the last delivery (RaiseTopic, any thread), each once, in the order
  // of the topic list. The main window's status tick calls it.
  void DeliverRaised();
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  bool Registered(const TWindow& window) const;

 private:
  struct TEntry {
    TWindow* Window;
    TRegisterAs As;
    TWindowCalls Calls;
  };
  void Fill();
  template <typename Part, typename Fn>
  void FillSlot(Part& target, Part TWindowCalls::*part, Fn Part::*slot) const;
  std::vector<TEntry> entries_;
  // The log hook as it was before a window answered it.
  std::function<void(const std::string& text)> logBefore_;
  bool logTaken_ = false;
};

// The registry in force.
TWindowRegistry& Windows();

}  // namespace vel
