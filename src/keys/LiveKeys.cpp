#include "keys/LiveKeys.h"

#include <array>
#include <string>

#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyTokens.h"
#include "keys/HotkeyStrokes.h"
#include "keys/KeyArgs.h"
#include "keys/KeyRouting.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr uint8_t kLiveHotkeyLast = LiveHotkeyBase + HotkeyCount - 1;
constexpr uint8_t kHotkeyHotkeyLast = HotkeyHotkeyBase + HotkeyCount - 1;
static_assert(kLiveHotkeyLast == LiveHKAltShiftF12 && kHotkeyHotkeyLast == HKAltShiftF12);

// True when the stroke may go out; otherwise says why not.
bool HotkeyAllowed(uint32_t msg) {
  if (Cfg.DisableHotkeys) {
    Msgs.WarnMsg.Set("Hotkey operation is disabled; see Settings, Behaviour");
    return false;
  }
  // The virtual keyboard's window is the active one while it is played.
  if (FromVirtualKeyboard(msg) && Cfg.HotkeysTargetActiveWin) {
    RefuseVKbdHotkey();
    return false;
  }
  return true;
}

bool WriteStroke(int32_t stroke) {
  std::array<uint32_t, 8> events{};
  const int32_t last = HotkeyStrokeEvents(HotkeyStrokes[stroke], events);
  return WriteLiveFifoBlock(last, events);
}

// The one key that records into a stopped seq and stops a playing one.
void RecordOrStop() {
  Live.Selected = 0;
  Keys.SelectionChanged = 1;
  const int32_t lastSeq = LastSeq();
  if (Cfg.RecStopSeqNo >= 0) {
    int32_t firstSelected = -1;
    for (int32_t s = 0; s <= lastSeq && firstSelected < 0; ++s)
      if (SeqBuf(s).Selected) firstSelected = s;
    if (firstSelected >= 0) {
      if (Cfg.RecStopCurrToDef && firstSelected != Cfg.RecStopSeqNo) {
        Cfg.RecStopSeqNo = firstSelected;
        RaiseTopic(TTopic::Behaviour);
      }
    } else if (Cfg.RecStopSeqNo <= lastSeq) {
      TPartBuf& b = SeqBuf(Cfg.RecStopSeqNo);
      b.Selected = 1;
      b.SelChanged = 1;
    }
  }
  bool record = false;
  bool stopNow = false;
  for (int32_t s = 0; s <= lastSeq; ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected) continue;
    if (b.SeqState < TSeqState::StopPrimed) {
      if (Cfg.RecStopImmStop) {
        stopNow = true;
      } else {
        b.SeqState = TSeqState::StopPrimed;
        Msgs.StatusMsg.Set("Stop");
      }
    } else if (b.SeqState == TSeqState::Stopped) {
      record = true;
    }
  }
  if (record) {
    ResetRecBarCount();
    Transport.RecFromLiveKey = 1;
    SaveSeqSelection();
    StartRecord();
  } else if (stopNow) {
    if (ResetSeqs(false, false)) {
      ResetSeqOutputs(true);
      InvalidateSeqProgs(true);
    }
    Msgs.StatusMsg.Set("Stop");
  }
}

}  // namespace

void HandleLiveKey(uint8_t input, uint32_t msg, bool noteOn) {
  const uint8_t code = ModeKeyCode(TKeyMode::Live, input, midi::TShortMsg{msg}.Data1());
  if (code == LiveN || !noteOn) {
    // A stroke went out whole at its note-on; every other note-off ends a note.
    WriteLiveFifo(msg);
    return;
  }
  if (code == LiveCmd) {
    DeselectAll();
    SetKeyMode(TKeyMode::Command);
  } else if (code == LiveRecStop) {
    RecordOrStop();
  } else if (code >= LiveHotkeyBase && code <= kLiveHotkeyLast) {
    SendLiveHotkey(code - LiveHotkeyBase, msg);
  }
}

void HandleHotkeyModeKey(const TModeKey& key) {
  switch (key.Code) {
    case HotkeyEsc:
      ReturnToLiveMode();
      return;
    case HotkeyHold:
      Keys.KeyHold = 1;
      return;
    case HotkeyHoldOff:
      Keys.KeyHold = 0;
      return;
    case HotkeyHoldTog:
      Keys.KeyHold = !Keys.KeyHold;
      return;
    default:
      break;
  }
  if (key.Code >= HotkeyHotkeyBase && key.Code <= kHotkeyHotkeyLast)
    SendHotkey(key.Code - HotkeyHotkeyBase, key.Msg);
}

void SendLiveHotkey(int32_t stroke, uint32_t msg) {
  if (stroke < 0 || stroke >= HotkeyCount || !HotkeyAllowed(msg)) return;
  WriteStroke(stroke);
}

void SendHotkey(int32_t stroke, uint32_t msg) {
  if (stroke >= 0 && stroke < HotkeyCount && HotkeyAllowed(msg) && WriteStroke(stroke)) {
    const std::string& label = HotkeyTokens()[stroke];
    const std::size_t start = label.find_first_not_of(' ');
    Msgs.StatusMsg.Set("Hotkey '" + (start == std::string::npos ? std::string() : label.substr(start)) + "'");
  }
  HotkeyModeDone();
}

void HotkeyModeDone() {
  if (!Keys.KeyHold) ReturnToLiveMode();
}

void RefuseVKbdHotkey() {
  constexpr const char* kRefusal = "Cannot use virtual keyboard to send hotkeys to active window";
  // Shown but kept out of the log: the advice below says it once.
  Msgs.WarnMsg.Set(std::string("@") + kRefusal);
  if (Trace.DiagFlags && !Args.VKbdHotkeyAdviceShown) {
    Args.VKbdHotkeyAdviceShown = 1;
    PostDiagMsg(std::string(kRefusal) +
                "\r\nThe virtual keyboard window will always be active if you use it"
                "\r\nEither use a nominated window or issue hotkeys from seqs or external input devices");
  }
}

}  // namespace vel
