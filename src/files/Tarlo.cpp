#include "files/Tarlo.h"

#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/RunControl.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"
#include "platform/TextCut.h"

namespace vel {

namespace {

using TLock = std::lock_guard<std::mutex>;

constexpr uint8_t kKindKeys = 0x20;
constexpr uint8_t kKindTitles = 0x2F;
constexpr uint8_t kKindMode = 0x40;
constexpr uint8_t kKindNoMode = 0x4E;
constexpr uint8_t kKindOctaveUp = 0x50;
constexpr uint8_t kKindOctaveDown = 0x60;
constexpr uint8_t kSameLabel = 0x08;
constexpr uint8_t kSameRecord = 0x0C;
constexpr uint8_t kSameColours = 0x04;
constexpr int32_t kMaxOctave = 15;

bool LinkOn() {
  return Cfg.TarloOn != 0 && Tarlo.Handle != midi::kInvalidHandle;
}

void Put(uint8_t b) {
  if (Tarlo.Pos < kTarloBufSize) Tarlo.Buf[Tarlo.Pos] = b;
  ++Tarlo.Pos;
}

// The head of a message and its kind bytes; the last-record memory starts afresh. The caller holds
// the mutex. False when the link is closed.
bool BeginMsg(std::initializer_list<uint8_t> kind) {
  if (!LinkOn()) return false;
  Tarlo.Pos = 0;
  for (uint8_t b : {uint8_t{0xF0}, uint8_t{0x7E}, Tarlo.DevId, uint8_t{0x02}, uint8_t{0x12}}) Put(b);
  for (uint8_t b : kind) Put(b);
  Tarlo.LastLabel = " ";
  Tarlo.LastFont = 0;
  Tarlo.LastBack = 0xFFFFFF;
  return true;
}

void PutColour(TColor c) {
  if (IsSysColour(c)) {
    Put(static_cast<uint8_t>(c & 0x7F));
    return;
  }
  Put(static_cast<uint8_t>((c & 0xFF) >> 1));
  Put(static_cast<uint8_t>(((c >> 8) & 0xFF) >> 1));
  Put(static_cast<uint8_t>(((c >> 16) & 0xFF) >> 1));
}

// The label as the display takes it: eight bytes at most, cut between characters, each a
// seven-bit character and none a control byte (those mark the record's parts), never empty.
std::string WireLabel(const std::string& label) {
  std::string out;
  for (char ch : CutChars(label, 8, 8)) {
    const uint8_t b = static_cast<uint8_t>(ch) & 0x7F;
    out += b < 0x20 || b == 0x7F ? ' ' : static_cast<char>(b);
  }
  return out.empty() ? " " : out;
}

// One key record. False, with the buffer marked full, when it does not fit.
bool AddKey(int32_t key, bool withKeyNo, const std::string& rawLabel, TColor font, TColor back) {
  const std::string label = WireLabel(rawLabel);
  if (Tarlo.Pos + label.size() + 8 > kTarloBufSize) {
    Tarlo.Pos = kTarloBufSize;
    return false;
  }
  if (withKeyNo) Put(static_cast<uint8_t>(key & 0x7F));
  const bool sameColours = font == Tarlo.LastFont && back == Tarlo.LastBack;
  if (label == Tarlo.LastLabel && sameColours) {
    Put(kSameRecord);
  } else {
    if (label == Tarlo.LastLabel) {
      Put(kSameLabel);
    } else {
      for (char ch : label) Put(static_cast<uint8_t>(ch));
    }
    if (sameColours && label != Tarlo.LastLabel) {
      Put(kSameColours);
    } else {
      Put(static_cast<uint8_t>((IsSysColour(font) ? 0 : 2) | (IsSysColour(back) ? 0 : 1)));
      PutColour(font);
      PutColour(back);
    }
  }
  Tarlo.LastLabel = label;
  Tarlo.LastFont = font;
  Tarlo.LastBack = back;
  return true;
}

bool Send() {
  if (Tarlo.Pos >= kTarloBufSize) {
    if (Trace.DiagFlags) PostDiagMsg("Tarlo error: buffer overflow");
    return false;
  }
  Put(0xF7);
  const midi::Result r = midi::OutLongMsg(Tarlo.Handle, Tarlo.Buf.data(), Tarlo.Pos);
  if (Trace.DiagFlags)
    PostDiagMsg("midiOutLongMsg" + (r == midi::kOk ? std::string(" ok") : " error: " + midi::ErrorText(r)));
  if (r != midi::kOk) {
    if (Trace.DiagFlags) PostDiagMsg("Tarlo error: send fail");
    return false;
  }
  return true;
}

bool AddMapKeys(TModeType t, int32_t first, int32_t last) {
  const TKeyLabelTable& labels = KeyLabelsOf(t);
  const TKeyColourTable& fonts = KeyFontColoursOf(t);
  const TKeyColourTable& backs = KeyBackColoursOf(t);
  for (int32_t k = std::max(first, 0); k <= std::min(last, KeyCount - 1); ++k)
    if (!AddKey(k, k == std::max(first, 0), labels[k], fonts[k], backs[k])) return false;
  return true;
}

void CloseLocked() {
  if (Cfg.TarloOn && Trace.DiagFlags) PostDiagMsg("Tarlo closed");
  Cfg.TarloOn = 0;
  Tarlo.Handle = midi::kInvalidHandle;
  Tarlo.DevIdx = -1;
}

void SetRange(TModeType t, int32_t first, int32_t last, uint8_t code, const std::string& label) {
  // The setter sends the range through the key maps' call.
  SetKeyFnRange(t, first, last, code, label);
}

}  // namespace

bool TarloSendModeTitles() {
  TLock lock(Tarlo.Mutex);
  if (!BeginMsg({kKindTitles})) return false;
  for (int t = 0; t < ModeTypeCount; ++t)
    if (!AddKey(t, t == 0, KeyLabelDefs.ModeDefaultLabels[t], KeyLabelDefs.ModeDefaultFontColours[t],
                KeyLabelDefs.ModeDefaultBackColours[t]))
      return false;
  return Send();
}

bool TarloSendAllModes() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    TLock lock(Tarlo.Mutex);
    if (!BeginMsg({kKindKeys, static_cast<uint8_t>(t)})) return false;
    if (!AddMapKeys(static_cast<TModeType>(t), 0, KeyCount - 1) || !Send()) return false;
  }
  return true;
}

bool TarloSendKeyMode() {
  const TModeType t = KeyModeToLabMode(Keys.KeyMode.load());
  TLock lock(Tarlo.Mutex);
  if (t == MtNone ? !BeginMsg({kKindNoMode, 0}) : !BeginMsg({kKindMode, static_cast<uint8_t>(t)}))
    return false;
  return Send();
}

bool TarloSendOctave(int32_t shift) {
  const int32_t n = std::clamp(shift, -kMaxOctave, kMaxOctave);
  TLock lock(Tarlo.Mutex);
  if (!BeginMsg({static_cast<uint8_t>(n >= 0 ? kKindOctaveUp + n : kKindOctaveDown - n)})) return false;
  return Send();
}

bool TarloSendKey(TModeType modeType, int32_t key, const std::string& label, TColor font, TColor back) {
  if (modeType >= ModeTypeCount || key < 0 || key >= KeyCount) return false;
  TLock lock(Tarlo.Mutex);
  if (!BeginMsg({kKindKeys, static_cast<uint8_t>(modeType)})) return false;
  if (!AddKey(key, true, label, font, back)) return false;
  return Send();
}

bool TarloSendKeyState(uint8_t code, int32_t key, bool on) {
  if (key < 0 || key >= KeyCount) return false;
  TLock lock(Tarlo.Mutex);
  if (!BeginMsg({static_cast<uint8_t>(on ? 0x10 : 0x00), static_cast<uint8_t>(code & 0x7F),
                 static_cast<uint8_t>(key)}))
    return false;
  return Send();
}

bool TarloSendKeyRange(TModeType modeType, int32_t first, int32_t last) {
  if (modeType >= ModeTypeCount || last < first) return false;
  TLock lock(Tarlo.Mutex);
  if (!BeginMsg({kKindKeys, static_cast<uint8_t>(modeType)})) return false;
  if (!AddMapKeys(modeType, first, last)) {
    if (Trace.DiagFlags) PostDiagMsg("Tarlo error: buffer overflow");
    return false;
  }
  return Send();
}

void TarloSendModeLive(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtLive, first, last, code, label);
}
void TarloSendModeCmd(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtCmd, first, last, code, label);
}
void TarloSendModeRec(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtRec, first, last, code, label);
}
void TarloSendModeSRec(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtSRec, first, last, code, label);
}
void TarloSendModeRangeN(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtRangeN, first, last, code, label);
}
void TarloSendModeTSigN(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtTSig, first, last, code, label);
}
void TarloSendModeTShiftN(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtTShift, first, last, code, label);
}
void TarloSendModeQuant(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtQuant, first, last, code, label);
}
void TarloSendModePitch(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtPitch, first, last, code, label);
}
void TarloSendModeMetr(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtMetr, first, last, code, label);
}
void TarloSendModeFtsRoot(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtFtsRoot, first, last, code, label);
}
void TarloSendModeFtsType(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtFtsType, first, last, code, label);
}
void TarloSendModeFtn(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtFtn, first, last, code, label);
}
void TarloSendModeHotkey(int32_t first, int32_t last, uint8_t code, const std::string& label) {
  SetRange(MtHotkey, first, last, code, label);
}

void TarloClose() {
  TLock lock(Tarlo.Mutex);
  CloseLocked();
}

bool TarloUsesOutDev(int32_t devIdx) {
  TLock lock(Tarlo.Mutex);
  return Cfg.TarloOn != 0 && Tarlo.DevIdx == devIdx;
}

void TarloOpen(int32_t port, int32_t devId) {
  TarloClose();
  int32_t devIdx = -1;
  midi::Handle handle = midi::kInvalidHandle;
  {
    // The device tables belong to the engine.
    std::lock_guard engine(EngineLock);
    if (port >= 0 && port <= RunCtl.OutPortsAllocated && port < kPorts) {
      devIdx = RunCtl.PortDevIdx[port];
      if (devIdx >= 0 && devIdx < midi::kMaxDevs && RunCtl.MidiOutDevs[devIdx].Opened)
        handle = RunCtl.MidiOutDevs[devIdx].Handle;
    }
  }
  if (handle == midi::kInvalidHandle) {
    ShowMessage("Tarlo port " + std::to_string(port + 1) + " not available", MsgKind::Error);
    return;
  }
  {
    TLock lock(Tarlo.Mutex);
    Tarlo.DevIdx = static_cast<int8_t>(devIdx);
    Tarlo.DevId = static_cast<uint8_t>(devId & 0x7F);
    Tarlo.Handle = handle;
    Tarlo.Pos = 0;
    Cfg.TarloOn = 1;
  }
  if (Trace.DiagFlags)
    PostDiagMsg("Tarlo open, port " + std::to_string(port + 1) + ", sysex id " + std::to_string(devId));
  Ui().BusyCursor(true);
  TarloSendModeTitles();
  TarloSendOctave(0);
  TarloSendAllModes();
  TarloSendOctave(Cfg.InPortOctaveOffset[0]);
  TarloSendKeyMode();
  Ui().BusyCursor(false);
}

void InstallTarloCalls() {
  KeyMapHooks& k = KeyMapCalls();
  k.TarloSendKey = [](TModeType t, int key) {
    if (t >= ModeTypeCount || key < 0 || key >= KeyCount) return;
    TarloSendKey(t, key, KeyLabelsOf(t)[key], KeyFontColoursOf(t)[key], KeyBackColoursOf(t)[key]);
  };
  k.TarloSendKeyRange = [](TModeType t, int first, int last) { TarloSendKeyRange(t, first, last); };
  k.TarloResendColours = [] { Tarlo.ResendPending = 1; };
  RunHooks.TarloUsesOutDev = &TarloUsesOutDev;
  RunHooks.TarloClose = &TarloClose;
}

}  // namespace vel
