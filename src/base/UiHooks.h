#pragma once
// The engine's only road to the windows. Core code never includes the toolkit: where it must ask
// the user, show the busy cursor, pump events, write the diagnostics log or refresh a showing
// window, it calls through these function objects. The GUI fills them at start-up; tests install
// recorders (tests/engine/UiRecorder.h). Every default does nothing, so core code runs headless.
#include <cstdint>
#include <functional>
#include <string>

namespace vel {

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

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
  // Asks a showing window to run one of its refresh procedures, named as the window names it
  // (for example "LoadCfgPerfControls", "RefreshDrumStyleLists"). Windows not showing ignore it.
  std::function<void(const char* which)> Refresh = [](const char*) {};
  // Moves the virtual keyboard's shown key range by keys (an octave recalibration). Called on the
  // key path's thread, which for MIDI input is the MIDI-in thread: the window posts the move to
  // the GUI thread and never lays itself out from here.
  std::function<void(int32_t keys)> MoveTemplateKeyRange = [](int32_t) {};
};

// The hooks in force. Replace members only while no other thread calls through them (at start-up,
// or in a test before the engine runs).
UiHooks& Ui();

// A message box through the hooks.
inline MsgAnswer ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons = MsgButtons::Ok,
                             const std::string& caption = {}) {
  return Ui().MessageBox(text, caption, kind, buttons);
}

}  // namespace vel
