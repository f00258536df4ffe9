#include "mainwindow/WindowRegistry.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace vel {

namespace {

template <typename Fn>
using TAnswers = std::vector<std::pair<const TWindow*, Fn>>;

// One call made of the answers: each in turn for a call without a result, else the first. An
// answer may open or close a window, and the registry then fills the hooks again, replacing this
// very call while it runs: the call holds its answers until it returns, and skips the answer of a
// window gone meanwhile.
template <typename R, typename... A>
std::function<R(A...)> Compose(const TWindowRegistry& registry, TAnswers<std::function<R(A...)>> answers) {
  if (answers.empty()) return nullptr;
  auto shared = std::make_shared<const TAnswers<std::function<R(A...)>>>(std::move(answers));
  // Each call copies what it needs first: the closure itself may be gone once an answer returns.
  if constexpr (std::is_void_v<R>) {
    return [registry = &registry, shared = std::move(shared)](A... args) {
      const auto held = shared;
      const TWindowRegistry* windows = registry;
      for (const auto& [window, answer] : *held)
        if (windows->Registered(*window)) answer(args...);
    };
  } else {
    return [shared = std::move(shared)](A... args) -> R {
      const auto held = shared;
      return held->front().second(args...);
    };
  }
}

// The registry's answer to a published topic, set once so that a delivery never replaces the
// hook it runs in.
struct TPublishToWindows {
  TWindowRegistry* Registry;
  void operator()(TTopic topic) const {
    if (Registry->Count() == 0) {
      Topics.Raise(topic);
    } else {
      Registry->Deliver(topic);
    }
  }
};

}  // namespace

TRegistration& TRegistration::operator=(TRegistration&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
  }
  return *this;
}

void TRegistration::Reset() {
  if (window_) Windows().Unregister(*std::exchange(window_, nullptr));
}

TRegistration TWindowRegistry::Register(TWindow& window, TRegisterAs as) {
  TEntry entry{&window, as, {}};
  window.Answer(entry.Calls);
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Window == &window; });
  if (it != entries_.end()) {
    *it = std::move(entry);
  } else {
    entries_.push_back(std::move(entry));
  }
  Fill();
  return TRegistration(&window);
}

void TWindowRegistry::Unregister(TWindow& window) {
  std::erase_if(entries_, [&](const TEntry& e) { return e.Window == &window; });
  Fill();
}

void TWindowRegistry::AnswersChanged(TWindow& window) {
  for (TEntry& e : entries_)
    if (e.Window == &window) {
      e.Calls = {};
      window.Answer(e.Calls);
    }
  Fill();
}

bool TWindowRegistry::Registered(const TWindow& window) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Window == &window; });
}

void TWindowRegistry::Deliver(TTopic topic) {
  // A redraw may open or close windows: the list is taken first, and a window gone meanwhile is
  // skipped.
  std::vector<TWindow*> windows;
  windows.reserve(entries_.size());
  for (const TEntry& e : entries_) windows.push_back(e.Window);
  for (TWindow* w : windows)
    if (Registered(*w)) w->On(topic);
}

void TWindowRegistry::DeliverRaised() {
  const uint64_t raised = Topics.TakeAll();
  for (int32_t t = 0; t < kTopicCount; ++t) {
    const auto topic = static_cast<TTopic>(t);
    if ((raised & TTopicSet::Bit(topic)) != 0) Deliver(topic);
  }
}

template <typename Part, typename Fn>
void TWindowRegistry::FillSlot(Part& target, Part TWindowCalls::*part, Fn Part::*slot) const {
  TAnswers<Fn> windows;
  TAnswers<Fn> standIns;
  for (const TEntry& e : entries_) {
    const Fn& answer = e.Calls.*part.*slot;
    if (answer) (e.As == TRegisterAs::StandIn ? standIns : windows).emplace_back(e.Window, answer);
  }
  target.*slot = Compose(*this, standIns.empty() ? std::move(windows) : std::move(standIns));
}

void TWindowRegistry::Fill() {
  TRunHooks& run = RunHooks;
  for (auto slot : {&TRunHooks::UsageReport, &TRunHooks::EndApplication})
    FillSlot(run, &TWindowCalls::Run, slot);
  FillSlot(run, &TWindowCalls::Run, &TRunHooks::ApplyProgState);
  FillSlot(run, &TWindowCalls::Run, &TRunHooks::SetDspTimer);

  TRefreshHooks& refresh = RefreshHooks;
  for (auto slot : {&TRefreshHooks::ClearWindowMessages, &TRefreshHooks::CloseKeyMapWindows,
                    &TRefreshHooks::ReloadMainWindow, &TRefreshHooks::SelectTarloControls})
    FillSlot(refresh, &TWindowCalls::Refresh, slot);
  FillSlot(refresh, &TWindowCalls::Refresh, &TRefreshHooks::PortRowsChanged);
  FillSlot(refresh, &TWindowCalls::Refresh, &TRefreshHooks::LoadMainControls);
  FillSlot(PortHooks, &TWindowCalls::Ports, &TPortHooks::PortUsersChanged);

  TCfgLinkHooks& cfg = CfgLink();
  FillSlot(cfg, &TWindowCalls::Cfg, &TCfgLinkHooks::OpenDialog);
  FillSlot(cfg, &TWindowCalls::Cfg, &TCfgLinkHooks::SaveDialog);
  FillSlot(cfg, &TWindowCalls::Cfg, &TCfgLinkHooks::LoadConfigAndApplyFactory);
  FillSlot(cfg, &TWindowCalls::Cfg, &TCfgLinkHooks::SetStatusText);

  TLogCalls log;
  FillSlot(log, &TWindowCalls::Log, &TLogCalls::AddLogLines);
  if (log.AddLogLines) {
    if (!logTaken_) logBefore_ = std::move(Ui().AddLogLines);
    logTaken_ = true;
    Ui().AddLogLines = std::move(log.AddLogLines);
  } else if (logTaken_) {
    Ui().AddLogLines = std::move(logBefore_);
    logTaken_ = false;
  }

  // A topic published is the registry's own answer (raised again while no window is registered).
  if (!Ui().Publish.target<TPublishToWindows>()) Ui().Publish = TPublishToWindows{this};
}

TWindowRegistry& Windows() {
  static TWindowRegistry registry;
  return registry;
}

}  // namespace vel
