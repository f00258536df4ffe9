#include "styles/StyleChains.h"

#include <algorithm>

#include "base/Messages.h"
#include "base/Topics.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

bool IsChain(int32_t chain) {
  return chain >= 0 && chain < kChainCount;
}
bool IsChainStep(int32_t step) {
  return step >= 0 && step < kChainStepCount;
}

TChainStep& CurrentStep(TStyleStore& store) {
  return store.Chains[store.ChainNo][store.ChainStepNo];
}

// Keeps the position inside the chain tables whatever a settings file or an old session left there.
void KeepPositionInChains(TStyleStore& store) {
  if (!IsChain(store.ChainNo)) store.ChainNo = IsChain(store.ChainNoStart) ? store.ChainNoStart : 0;
  if (!IsChainStep(store.ChainStepNo)) store.ChainStepNo = 0;
}

// Chain mode off: start or end a break cycle. True when the pattern changed.
bool StepBreak(TStyleStore& store) {
  const TStyleFamilyTraits& traits = *store.Traits;
  const bool sameStyle = store.StyleNo == store.BuiltStyle && IsDefinedStyle(store, store.StyleNo);
  bool switched = false;
  if (store.BreakTrigger) {
    // A style without breaks keeps its main pattern rather than play an undefined slot.
    if (sameStyle && store.Styles[store.StyleNo].LastBreak >= 0) {
      const int32_t lastBreak =
          kStyleFirstBreak + std::min(store.Styles[store.StyleNo].LastBreak, kStyleBreakCount - 1);
      const int32_t played = store.LastBreakPlayed;
      store.PatNo = (played >= kStyleFirstBreak && played <= lastBreak) ? played : kStyleFirstBreak;
      store.BreakActive = 1;
      switched = true;
    }
    store.BreakTrigger = 0;
    RaiseTopic(traits.Topics.Trigger);
  } else if (store.BreakActive) {
    if (sameStyle && store.Styles[store.StyleNo].LastMain >= 0) {
      const int32_t lastMain = std::min(store.Styles[store.StyleNo].LastMain, kStyleMainCount - 1);
      const int32_t played = store.LastMainPlayed;
      store.PatNo = (played >= 0 && played <= lastMain) ? played : 0;
      switched = true;
    }
    store.BreakActive = 0;
    RaiseTopic(traits.Topics.Trigger);
  }
  if (switched) traits.MetrChanged->store(0, kRelaxed);
  return switched;
}

// Chain mode on: count the current step down and follow the chain.
void StepChain(TStyleStore& store, bool fromChain) {
  const TStyleFamilyTraits& traits = *store.Traits;
  // A chain that has not started yet begins with its step's full repeats, whatever the last run left.
  const bool starting = store.ChainStepNo < 0;
  KeepPositionInChains(store);
  if (starting || !fromChain) {
    store.ChainRepeat = CurrentStep(store).Repeats;
  } else {
    --store.ChainRepeat;
  }
  if (store.ChainRepeat < 1) AdvanceChain(store);
  const TChainStep& step = CurrentStep(store);
  if ((step.Style != store.StyleNo || step.Pattern != store.PatNo) &&
      IsValidStylePattern(store, step.Style, step.Pattern)) {
    store.StyleNo = step.Style;
    store.PatNo = step.Pattern;
    traits.MetrChanged->store(0, kRelaxed);
  }
  RaiseTopic(traits.Topics.Chain);
}

}  // namespace

void ResetChainPosns(TStyleStore& store) {
  store.ChainReturn.fill(TChainReturnPos{});
}

void ResetChains(TStyleStore& store) {
  ResetChainPosns(store);
  for (auto& chain : store.Chains) chain.fill(TChainStep{});
  store.ChainCellStep = -1;
  RestartChain(store);
  store.ChainOn = 0;
}

void ResetChainsAndStart(TStyleStore& store) {
  ResetChains(store);
  RestartChain(store);
}

void SetChainNoStart(TStyleStore& store, int32_t chain) {
  if (!IsChain(chain)) chain = 0;
  store.ChainNoStart = chain;
  store.ChainNo = chain;
  ResetChainPosns(store);
}

void RestartChain(TStyleStore& store) {
  store.ChainNo = store.ChainNoStart;
  store.ChainStepNo = -1;
}

bool SetChainMode(TStyleStore& store, bool on) {
  if (on) {
    RestartChain(store);
    store.ChainOn = 1;
    RequestStyleRebuild();
    return true;
  }
  store.ChainOn = 0;
  if (store.ChainStepNo < 0) return false;
  RestartChain(store);
  return true;
}

void AdvanceChain(TStyleStore& store) {
  KeepPositionInChains(store);
  bool found = false;
  for (int32_t tries = 0; tries < kChainCount * kChainStepCount && !found; ++tries) {
    const TChainStep& step = CurrentStep(store);
    const bool lastStep = store.ChainStepNo == kChainStepCount - 1;
    if (IsChain(step.Jump)) {
      store.ChainReturn[step.Jump] = {store.ChainNo, lastStep ? 0 : store.ChainStepNo + 1};
      store.ChainNo = step.Jump;
      store.ChainStepNo = 0;
    } else if (lastStep) {
      const TChainReturnPos back = store.ChainReturn[store.ChainNo];
      if (IsChain(back.Chain) && IsChainStep(back.Step)) {
        store.ChainReturn[store.ChainNo] = TChainReturnPos{};
        store.ChainNo = back.Chain;
        store.ChainStepNo = back.Step;
      } else {
        store.ChainStepNo = 0;
      }
    } else {
      ++store.ChainStepNo;
    }
    found = CurrentStep(store).Repeats > 0;
  }
  if (!found) {
    store.ChainNo = IsChain(store.ChainNoStart) ? store.ChainNoStart : 0;
    store.ChainStepNo = 0;
    ResetChainPosns(store);
  }
  store.ChainRepeat = CurrentStep(store).Repeats;
}

TStyleBarPick NextStyleBar(TStyleStore& store, bool fromChain) {
  const TStyleFamilyTraits& traits = *store.Traits;
  TStyleBarPick pick;
  if (store.ChainOn) {
    StepChain(store, fromChain);
  } else {
    pick.RebuildPending = StepBreak(store);
  }
  pick.RebuildPending = pick.RebuildPending || store.ChainOn || store.VelVar >= 1;
  pick.Style = store.StyleNo;
  pick.Pattern = store.PatNo;
  if (!IsValidStylePattern(store, pick.Style, pick.Pattern)) return pick;
  pick.Source = &store.Patterns[pick.Style][pick.Pattern];
  if (traits.MetrChanged->load(kRelaxed) == 0) {
    // Remember the pattern for the break and the return; a new style starts both afresh.
    const bool newStyle = pick.Style != store.BuiltStyle;
    if (pick.Pattern < kStyleFirstBreak) {
      store.LastMainPlayed = pick.Pattern;
      if (newStyle) store.LastBreakPlayed = kStyleFirstBreak;
    } else {
      store.LastBreakPlayed = pick.Pattern;
      if (newStyle) store.LastMainPlayed = 0;
    }
    traits.MetrChanged->store(1, kRelaxed);
    pick.Stale = true;
  }
  return pick;
}

TBreakTriggerState BreakTriggerState(const TStyleStore& store) {
  if (store.BreakTrigger) return TBreakTriggerState::BreakPending;
  if (store.BreakActive) return TBreakTriggerState::ReturnPending;
  return TBreakTriggerState::Idle;
}

std::string_view BreakTriggerCaption(TBreakTriggerState state) {
  switch (state) {
    case TBreakTriggerState::BreakPending:
      return ">";
    case TBreakTriggerState::ReturnPending:
      return "<";
    case TBreakTriggerState::Idle:
      break;
  }
  return "/";
}

bool ArmBreak(TStyleStore& store) {
  if (store.ChainOn) {
    Msgs.WarnMsg.Set("Trigger ignored; style/var under chain control");
    return false;
  }
  const bool mainBuilt = store.BuiltPat < kStyleFirstBreak;
  store.BreakTrigger = mainBuilt ? 1 : 0;
  store.BreakActive = mainBuilt ? 0 : 1;
  RaiseTopic(store.Traits->Topics.Trigger);
  return true;
}

void ClearTrigger(TStyleStore& store, bool raiseFlag) {
  store.BreakTrigger = 0;
  store.BreakActive = 0;
  if (raiseFlag) RaiseTopic(store.Traits->Topics.Trigger);
}

}  // namespace vel
