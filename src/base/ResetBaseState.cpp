#include "base/ResetBaseState.h"

#include "base/FileReplace.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "base/UiHooks.h"
#include "platform/midi/Midi.h"

namespace vel {

void ResetBaseState() {
  midi::ResetCounters();
  midi::loopback::Reset();
  Msgs = TMessages{};
  Trace = TTrace{};
  Showing = TShowing{};
  Topics.Clear();
  Ui() = UiHooks{};
  FileReplaceHooks = TFileReplaceHooks{};
}

}  // namespace vel
