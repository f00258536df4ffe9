#pragma once
// The engine's only road to the windows. Core code never includes the toolkit: where it must ask
// the user, show the busy cursor, pump events or write the diagnostics log, it calls through these
// function objects; what changed in the model it says as a topic (base/Topics.h), never naming a
// window. The GUI fills them at start-up; tests install recorders (tests/base/UiRecorder.h).
// Every default does nothing, so core code runs headless.
#include <array>
#include <cstdint>
#include <functional>
#include <source_location>
#include <string>
#include <vector>

#include "base/HookSlots.h"
#include "base/Topics.h"

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
  // Delivers a topic to the windows at once (PublishTopic). The window registry answers it; until a
  // window registers the topic is raised for the next delivery. GUI thread only.
  std::function<void(TTopic topic)> Publish = [](TTopic topic) { Topics.Raise(topic); };
  // Moves the key range a keyboard view shows by keys (an octave recalibration). Called on the
  // key path's thread, which for MIDI input is the MIDI-in thread: the answer posts the move to
  // the GUI thread and never lays a window out from here.
  std::function<void(int32_t keys)> MoveShownKeyRange = [](int32_t) {};
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
      VEL_HOOK_SLOT(h, Publish),
      VEL_HOOK_SLOT(h, MoveShownKeyRange),
  });
}
static_assert(kAllSlotsListed<UiHooks, std::function<void()>>, "a member of UiHooks is not in HookSlots");

// A message box through the hooks, on the GUI thread. Never with the engine lock held: the box
// waits for the user, and the timer and the keys would wait with it (debug builds abort, naming
// the caller). Inside a TUiAfterLock a box with only an OK button waits for it to go instead.
MsgAnswer ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons = MsgButtons::Ok,
                      const std::string& caption = {},
                      std::source_location where = std::source_location::current());

// What a GUI handler reports and announces under the engine lock, kept until the lock is let go.
// The handler makes one before it takes the lock; while it lives on that thread, boxes that only
// report (an OK button) and published topics wait in it, and when it goes they are shown and
// delivered, in the order they came. Code under the lock may then report and announce as it
// goes, and no box or redraw ever keeps the timer and the keys waiting. A box that asks a question
// cannot wait: it must not come with the lock held at all. One made inside another hands what it
// holds to the outer one.
class TUiAfterLock {
 public:
  explicit TUiAfterLock(std::source_location where = std::source_location::current());
  ~TUiAfterLock();
  TUiAfterLock(const TUiAfterLock&) = delete;
  TUiAfterLock& operator=(const TUiAfterLock&) = delete;

  // The one holding on the calling thread, or null.
  static TUiAfterLock* Current();
  void HoldBox(const std::string& text, const std::string& caption, MsgKind kind);
  void HoldTopic(TTopic topic);

 private:
  struct THeld {
    bool IsTopic;
    TTopic Topic;
    std::string Text, Caption;
    MsgKind Kind;
  };
  std::vector<THeld> held_;
  TUiAfterLock* outer_;
  std::source_location where_;
};

}  // namespace vel
