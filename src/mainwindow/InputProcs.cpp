#include "mainwindow/InputProcs.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/EngineLock.h"
#include "base/GuiThread.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Sizes.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Tarlo.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "platform/Keys.h"
#include "platform/midi/ShortMsg.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;
using midi::TShortMsg;

// Messages made by the keyboards carry 1 in their top byte, so the key path knows them.
constexpr uint32_t kKeyboardMark = 1u << 24;

bool Running() {
  return RunCtl.ProgState == TProgState::Running;
}

void ToInput(int32_t port, uint32_t msg) {
  const int32_t time = Transport.MsClock;
  if (InputIo.MidiIn) {
    InputIo.MidiIn(port, msg, time);
  } else {
    HandleMidiIn(port, msg, time);
  }
}

// What a computer key plays: a fixed note, or the first key of a map that carries a code.
struct TQwertyKey {
  int32_t Note = -1;
  const TKeyMap* Map = nullptr;
  uint8_t Code = 0;
};

std::optional<TQwertyKey> QwertyKey(uint8_t vk) {
  // The bottom two rows of the computer keyboard, a chromatic octave from C3 (48).
  static constexpr struct {
    uint8_t Vk;
    int32_t Note;
  } kNotes[] = {{kVkBackslash, 48}, {'A', 49}, {'Z', 50}, {'S', 51}, {'X', 52}, {'C', 53}, {'F', 54},
                {'V', 55},          {'G', 56}, {'B', 57}, {'H', 58}, {'N', 59}, {'M', 60}};
  for (const auto& k : kNotes)
    if (k.Vk == vk) return TQwertyKey{k.Note};
  static constexpr struct {
    uint8_t Vk;
    uint8_t Code;
  } kCommands[] = {{kVkEscape, CmdEsc}, {'P', CmdPlay}, {'W', CmdMute}, {'Q', CmdStop},
                   {'R', CmdRec},       {'O', CmdProg}, {'T', CmdTempo}};
  for (const auto& k : kCommands)
    if (k.Vk == vk) return TQwertyKey{-1, &KeyMapCmd, k.Code};
  if (vk >= '0' && vk <= '9') return TQwertyKey{-1, &KeyMapRangeN, static_cast<uint8_t>(Num0 + (vk - '0'))};
  if (vk == kVkEquals) return TQwertyKey{-1, &KeyMapRangeN, NumInc};
  if (vk == kVkMinus) return TQwertyKey{-1, &KeyMapRangeN, NumDec};
  return std::nullopt;
}

int32_t FirstKeyWithCode(const TKeyMap& map, uint8_t code) {
  for (int32_t key = 0; key < KeyCount; ++key)
    if (map[key] == code) return key;
  return -1;
}

// An output port with a device: anything else has nowhere to send to.
bool HasOutDevice(int32_t port) {
  Lock lock(EngineLock);
  if (port < 0 || port > RunCtl.OutPortsAllocated || port >= kPorts) return false;
  const int32_t dev = RunCtl.PortDevIdx[port];
  return dev >= 0 && dev < static_cast<int32_t>(RunCtl.MidiOutDevs.size());
}

// A refused test send: a box on the GUI thread; from the timer thread (the sample aid's tick) a
// box would break the toolkit, so the first line goes to the warning slot instead. The line is a
// view into the constant text and the slot a fixed buffer: the timer thread allocates nothing.
void TestMidiRefused(std::string_view text) {
  if (OnGuiThread()) {
    ShowMessage(std::string(text), MsgKind::Warning);
  } else {
    Msgs.WarnMsg.Set(text.substr(0, text.find("\r\n")));
  }
}

}  // namespace

int32_t KeyboardInPort(bool rawPortWanted) {
  return rawPortWanted && RunCtl.InPortsAllocated >= 1 && !Cfg.AuxInPortReqd ? 1 : 0;
}

bool IsQwertyKey(uint8_t virtualKey) {
  return QwertyKey(virtualKey).has_value();
}

bool QwertyKeyToMidi(uint8_t virtualKey, bool down) {
  const std::optional<TQwertyKey> key = QwertyKey(virtualKey);
  if (!key) return false;
  if (down && !Running()) {
    ShowMessage(
        "Qwerty key ignored - Vellorine must be running to process MIDI input\r\n"
        "Click the Run button, or click 'Action, Run'",
        MsgKind::Warning);
    return true;
  }
  const int32_t note = key->Map ? FirstKeyWithCode(*key->Map, key->Code) : key->Note;
  if (note < 0) return true;
  const uint32_t msg = TShortMsg::Pack(down ? 0x90 : 0x80, note, 127).Raw | kKeyboardMark;
  ToInput(KeyboardInPort(Cfg.QwertyRawPort != 0), msg);
  return true;
}

void VKbdMouseToMidi(int32_t channel, int32_t note, int32_t velocity, bool down) {
  if (down && !Running()) {
    ShowMessage(
        "Mouse click ignored - Vellorine must be running to process MIDI input\r\n"
        "Click the Run button, or click 'Action, Run'",
        MsgKind::Warning);
    return;
  }
  const uint32_t msg =
      TShortMsg::Pack(down ? 0x90 : 0x80, note & 0x7F, velocity & 0x7F).WithChannel(channel).Raw |
      kKeyboardMark;
  ToInput(KeyboardInPort(Cfg.TemplateRawPort != 0), msg);
}

bool SendTestMidi(int32_t port, int32_t channel, int32_t bankMethod, int32_t bankMsb, int32_t bankLsbOrPatch,
                  int32_t program, int32_t note, bool noteOn, int32_t velocity) {
  const bool progChange = program >= 0;
  if (!HasOutDevice(port)) {
    if (noteOn || note < 0)
      TestMidiRefused(
          "Unable to send MIDI - no output ports allocated\r\n\r\nClick 'Settings, Ports' to allocate ports");
    return false;
  }
  bool progsAllowed = false;
  {
    Lock lock(EngineLock);
    progsAllowed = ProgChangesAllowed(port);
  }
  if (!Running()) {
    if (progChange) {
      TestMidiRefused(progsAllowed
                          ? "Vellorine must be running to send MIDI prog changes\r\n\r\n"
                            "Click the Run button or click 'Action, Run'"
                          : "Unable to send prog change as prog changes are disabled for this port\r\n\r\n"
                            "If you want to enable these, select a valid Prog no. on main screen,\r\n"
                            "then click the Run button or click 'Action, Run'");
    } else if (noteOn) {
      TestMidiRefused(
          "Vellorine must be running to send MIDI notes\r\n\r\nClick the Run button or click 'Action, Run'");
    }
    return false;
  }
  if (progChange && !progsAllowed) {
    Msgs.WarnMsg.Set("Unable to send prog change as prog changes are disabled for this port");
    return false;
  }
  Lock lock(EngineLock);
  auto send = [port](TShortMsg m) { SendShortMsg(port, m.Raw, TraceEventReqd(m.Status())); };
  const uint32_t chan = static_cast<uint32_t>(channel) & 0x0F;
  auto at = [chan](uint32_t status, int32_t d1, int32_t d2) {
    return TShortMsg::Pack(status, static_cast<uint32_t>(d1) & 0x7F, static_cast<uint32_t>(d2) & 0x7F)
        .WithChannel(chan);
  };
  if (progChange) {
    if (bankMethod == 2 || bankMethod == 3) send(at(0xB0, 0x00, bankMsb));
    if (bankMethod == 2 || bankMethod == 4) send(at(0xB0, 0x20, bankLsbOrPatch));
    if (bankMethod == 5) send(at(0xC0, bankLsbOrPatch, 0));
    send(at(0xC0, program, 0));
    return true;
  }
  const TShortMsg m = at(noteOn ? 0x90 : 0x80, note, velocity);
  send(m);
  if (Cfg.DspKinetrace) CountLiveNote(m.Raw, true, m.IsNoteOn());
  return true;
}

void SetDiagActive(bool on) {
  if (on) {
    Trace.DiagFlags = 1;
    EnableDspDiag(true);
  } else {
    EnableDspDiag(false);
    Trace.DiagFlags = 0;
  }
}

void ResetDiagFifos() {
  ResetDiagTraceFifo();
  ResetDiagMsgsFifo();
}

void FindHotkeyTargetWindow() {
  const keys::WindowId window =
      Cfg.HotkeysTargetWinName.empty() ? 0 : HotkeyDirectory().Find(Cfg.HotkeysTargetWinName);
  {
    Lock lock(EngineLock);
    if (window != 0) {
      Live.HotkeyTargetWnd = window;
    } else if (!Cfg.HotkeysTargetActiveWin) {
      Cfg.DisableHotkeys = 1;
    }
  }
  RaiseTopic(TTopic::Behaviour);
}

void RefreshKeyMapViews() {
  // The same topic a key-map load or the factory maps raise, so every view follows each alike.
  PublishTopic(TTopic::KeyMaps);
}

void ShowKeyModeChange() {
  Keys.KeyModeChanged = 0;
  PublishTopic(TTopic::KeyMode);
  // The key mapper's lamp is drawn again over the new mode's map.
  RaiseTopic(TTopic::LiveKey);
  if (Cfg.TarloOn) TarloSendKeyMode();
}

void UpdateMChanApplies() {
  auto applies = [](int32_t port, int32_t chan) {
    return static_cast<uint8_t>(port >= 0 && port < kPorts && Cfg.MChanEnabled[port] != 0 &&
                                Cfg.MChanMin[port] <= chan && chan <= Cfg.MChanMax[port]);
  };
  Lock lock(EngineLock);
  const int32_t live = RunCtl.LivePort;
  if (live >= 0 && live < kPorts) Live.MChanApplies = applies(live, Live.Chan[live]);
  for (int32_t s = 0; s <= LastSeq(); ++s)
    for (auto& parts : Seqs.PartBufs) {
      TPartBuf& b = parts[s];
      if (b.PortPend >= 0) b.MChanApplies = applies(b.PortPend, b.ChanPend);
    }
}

}  // namespace vel
