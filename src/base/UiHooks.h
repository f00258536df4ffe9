#pragma once
// The engine's only road to the windows. Core code never includes the toolkit: where it must ask
// the user, show the busy cursor, pump events, write the diagnostics log or refresh a showing
// window, it calls through these function objects. The GUI fills them at start-up; tests install
// recorders (tests/engine/UiRecorder.h). Every default does nothing, so core code runs headless.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/HookSlots.h"

namespace vel {

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// The refresh procedures the core asks of the windows, named as the windows name them. One list
// makes both the enumeration and the names, so a request and its name never drift apart.
#define VEL_REFRESH_REQUESTS(X) \
  X(UpdateTemplateLabels)       \
  X(FillKeyMapperLabels)        \
  X(ListKeyMapsTable)           \
  X(ShowKeyMapperKeyMode)       \
  X(UpdateMidiKeyDsp)           \
  X(RefreshKeyMapViews)         \
  X(SetKeyColours)              \
  X(LoadColourShapes)           \
  X(SetCfgDrumCaptions)         \
  X(SetCfgBassCaptions)         \
  X(LoadCfgPerfControls)        \
  X(LoadCfgKinetraceControls)   \
  X(LoadCfgVKbdControls)        \
  X(LoadCfgBehaviourControls)   \
  X(ShowSRecNoteLenFrac)        \
  X(ShowSRecNoteOnPercent)      \
  X(ShowSRecChordDetect)        \
  X(ShowTempoSlewTime)          \
  X(FillClockPortCombo)         \
  X(ShowMetrNoteLenFrac)        \
  X(LoadCfgMChanControls)       \
  X(FillSampleAidPortCombos)    \
  X(RefreshDrumStyleLists)      \
  X(RefreshBassStyleLists)      \
  X(LoadCfgDrumControls)        \
  X(ShowDrumTriggerState)       \
  X(ShowDrumChain)              \
  X(LoadCfgBassControls)        \
  X(ShowBassTriggerState)       \
  X(ShowBassChain)

// A refresh request as a value, so that a misspelt request does not compile.
enum class TRefresh : uint8_t {
#define VEL_REFRESH_ENUM(name) name,
  VEL_REFRESH_REQUESTS(VEL_REFRESH_ENUM)
#undef VEL_REFRESH_ENUM
};
inline constexpr int32_t kRefreshCount = 0
#define VEL_REFRESH_COUNT(name) +1
    VEL_REFRESH_REQUESTS(VEL_REFRESH_COUNT)
#undef VEL_REFRESH_COUNT
    ;

// The procedure's name ("LoadCfgPerfControls"), for logs and test records.
const char* RefreshName(TRefresh which);

// The answer of a box's first button (Ok or Yes), as if the user pressed Enter; what the
// default message box returns when no window is there to ask.
MsgAnswer FirstButtonAnswer(MsgButtons buttons);

struct UiHooks {
  // A modal message box; returns the button pressed. GUI thread only.
  std::function<MsgAnswer(const std::string& text, const std::string& caption, MsgKind kind,
                          MsgButtons buttons)>
      MessageBox = [](const std::string&, const std::string&, MsgKind, MsgButtons buttons) {
        return FirstButtonAnswer(buttons);
      };
  // The hourglass cursor on (true) or back to normal (false).
  std::function<void(bool on)> BusyCursor = [](bool) {};
  // Processes pending window messages, so a long wait keeps the windows alive.
  std::function<void()> ProcessEvents = [] {};
  // The diagnostics log: adds text, split into lines at CR LF, to the end of the log.
  std::function<void(const std::string& text)> AddLogLines = [](const std::string&) {};
  // Asks the showing windows that serve it to run one of their refresh procedures. The window
  // registry answers it; windows not showing ignore it. GUI thread only.
  std::function<void(TRefresh which)> Refresh = [](TRefresh) {};
  // Moves the virtual keyboard's shown key range by keys (an octave recalibration). Called on the
  // key path's thread, which for MIDI input is the MIDI-in thread: the window posts the move to
  // the GUI thread and never lays itself out from here.
  std::function<void(int32_t keys)> MoveTemplateKeyRange = [](int32_t) {};
};

// The hooks in force. Replace members only while no other thread calls through them (at start-up,
// or in a test before the engine runs).
UiHooks& Ui();

inline auto HookSlots(const UiHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, MessageBox),
      VEL_HOOK_SLOT(h, BusyCursor),
      VEL_HOOK_SLOT(h, ProcessEvents),
      VEL_HOOK_SLOT(h, AddLogLines),
      VEL_HOOK_SLOT(h, Refresh),
      VEL_HOOK_SLOT(h, MoveTemplateKeyRange),
  });
}
static_assert(kAllSlotsListed<UiHooks, std::function<void()>>, "a member of UiHooks is not in HookSlots");

// A message box through the hooks.
inline MsgAnswer ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons = MsgButtons::Ok,
                             const std::string& caption = {}) {
  return Ui().MessageBox(text, caption, kind, buttons);
}

}  // namespace vel
