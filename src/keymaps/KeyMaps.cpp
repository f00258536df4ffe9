#include "keymaps/KeyMaps.h"

#include <algorithm>
#include <iterator>

#include "base/General.h"
#include "base/Messages.h"
#include "base/UiHooks.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyModes.h"
#include "platform/TextCut.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The order in which ClearKeyMaps and the sentinel resolution walk the modes.
constexpr TModeType kClearOrder[] = {MtLive,    MtRec,   MtSRec,  MtCmd,  MtRangeN,  MtTSig, MtTShift,
                                     MtFtsType, MtQuant, MtPitch, MtMetr, MtFtsRoot, MtFtn,  MtHotkey};
constexpr TModeType kResolveOrder[] = {MtLive,   MtHotkey,  MtRec,   MtSRec,  MtCmd,  MtRangeN,  MtTSig,
                                       MtTShift, MtFtsType, MtQuant, MtPitch, MtMetr, MtFtsRoot, MtFtn};

bool ValidModeType(TModeType t) {
  return t < ModeTypeCount;
}

}  // namespace

KeyMapHooks& KeyMapCalls() {
  static KeyMapHooks hooks;
  return hooks;
}

TKeyMap& KeyMapOf(TModeType t) {
  return KeyMaps.KeyFnTables[KeyModeInfo(t).MapNo];
}
TKeyLabelTable& KeyLabelsOf(TModeType t) {
  return KeyMaps.KeyLabelTables[KeyModeInfo(t).LabelNo];
}
TKeyColourTable& KeyFontColoursOf(TModeType t) {
  return KeyMaps.KeyFontColours[KeyModeInfo(t).LabelNo];
}
TKeyColourTable& KeyBackColoursOf(TModeType t) {
  return KeyMaps.KeyBackColours[KeyModeInfo(t).LabelNo];
}

uint8_t KeyCodeAt(TModeType t, int key) {
  if (!InRange(key, 0, KeyCount - 1)) return KeyModeInfo(t).OutOfMapCode;
  return KeyMapOf(t)[key].load(kRelaxed);
}

void SetKeyFn(TModeType t, int key, uint8_t code, std::string_view label) {
  if (!ValidModeType(t)) {
    ReportDesignError("SetKeyFn error: Unexpected ModeType");
    return;
  }
  const TKeyModeInfo& info = KeyModeInfo(t);
  if (!InRange(key, 0, KeyCount - 1)) {
    ReportDesignError("SetKeyFn" + std::string(info.Name) + " error: Unexpected Key");
    return;
  }
  KeyMaps.KeyFnTables[info.MapNo][key].store(code, kRelaxed);
  KeyMaps.KeyLabelTables[info.LabelNo][key] = std::string(CutChars(label, 8));
  const TKeyColours c = KeyColoursOf(t, code);
  KeyMaps.KeyFontColours[info.LabelNo][key] = c.Font;
  KeyMaps.KeyBackColours[info.LabelNo][key] = c.Back;
}

void SetKeyFnLive(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtLive, key, code, label);
}
void SetKeyFnCmd(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtCmd, key, code, label);
}
void SetKeyFnRec(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtRec, key, code, label);
}
void SetKeyFnSRec(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtSRec, key, code, label);
}
void SetKeyFnRangeN(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtRangeN, key, code, label);
}
void SetKeyFnTSig(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtTSig, key, code, label);
}
void SetKeyFnTShift(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtTShift, key, code, label);
}
void SetKeyFnFtsType(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtFtsType, key, code, label);
}
void SetKeyFnQuant(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtQuant, key, code, label);
}
void SetKeyFnPitch(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtPitch, key, code, label);
}
void SetKeyFnMetr(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtMetr, key, code, label);
}
void SetKeyFnFtsRoot(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtFtsRoot, key, code, label);
}
void SetKeyFnFtn(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtFtn, key, code, label);
}
void SetKeyFnHotkey(int key, uint8_t code, std::string_view label) {
  SetKeyFn(MtHotkey, key, code, label);
}

void SetKeyFnRange(TModeType t, int first, int last, uint8_t code, std::string_view label) {
  if (!ValidModeType(t)) {
    ReportDesignError("SetKeyFnRange error: Unexpected ModeType");
    return;
  }
  first = std::max(first, 0);
  last = std::min(last, KeyCount - 1);
  if (last < first) return;
  for (int k = first; k <= last; ++k) SetKeyFn(t, k, code, label);
  if (KeyMapCalls().TarloSendKeyRange) KeyMapCalls().TarloSendKeyRange(t, first, last);
}

void ClearKeyMaps() {
  for (int k = 0; k < KeyCount; ++k)
    for (TModeType t : kClearOrder) SetKeyFn(t, k, KeyModeInfo(t).Sentinel(), "?");
}

void ResolveKeyMapSentinels() {
  for (TModeType t : kResolveOrder) {
    const TKeyModeInfo& info = KeyModeInfo(t);
    for (int k = 0; k < KeyCount; ++k)
      if (KeyCodeAt(t, k) == info.Sentinel()) SetKeyFn(t, k, info.IgnoreCode, " ");
  }
}

int MappedKey(int input, int note) {
  constexpr int kInputs = static_cast<int>(std::size(Cfg.InPortOctaveOffset));
  const int64_t offset = InRange(input, 0, kInputs - 1) ? Cfg.InPortOctaveOffset[input].load(kRelaxed) : 0;
  const int64_t m = note - 12 * offset;
  // Far outside the map is as good as just outside; keep the result an int.
  return static_cast<int>(std::clamp<int64_t>(m, -1000, 1000));
}

uint8_t MapNoteToCode(TModeType t, int input, int note) {
  const TKeyModeInfo& info = KeyModeInfo(t);
  if (!InRange(input, 0, 1)) return info.OutOfMapCode;
  const int m = MappedKey(input, note);
  if (!InRange(m, 0, KeyCount - 1)) return info.OutOfMapCode;
  return KeyMaps.KeyFnTables[info.MapNo][m].load(kRelaxed);
}

TModeType KeyModeToLabMode(TKeyMode keyMode) {
  switch (keyMode) {
    case TKeyMode::Inactive:
      return MtNone;
    case TKeyMode::Live:
    case TKeyMode::Calibrate:
      return MtLive;
    case TKeyMode::Command:
      return MtCmd;
    case TKeyMode::Record:
    case TKeyMode::RecBarsStop:
      return MtRec;
    case TKeyMode::StepRecord:
      return MtSRec;
    case TKeyMode::TimeSigBeats:
    case TKeyMode::TimeSigBeatLen:
    case TKeyMode::MetrNoteLen:
      return MtTSig;
    case TKeyMode::TempoDiv:
    case TKeyMode::QuantNotes:
    case TKeyMode::QuantSeq:
      return MtQuant;
    case TKeyMode::Pitch:
      return MtPitch;
    case TKeyMode::MetrBarNote:
    case TKeyMode::MetrBeatNote:
      return MtMetr;
    case TKeyMode::FtsRoot:
      return MtFtsRoot;
    case TKeyMode::FtsType:
      return MtFtsType;
    case TKeyMode::Ftn:
      return MtFtn;
    case TKeyMode::Hotkey:
      return MtHotkey;
    default:
      break;
  }
  if (IsTimeShiftMode(keyMode)) return MtTShift;
  if (IsRangeNMode(keyMode)) return MtRangeN;
  Msgs.ErrMsg.Set("KeyModeToLabMode error: Invalid KeyMode");
  return MtNone;
}

void RelabelMetrNoteKeys() {
  constexpr uint8_t kCmdMetrNote = 136;
  bool changed = false;
  // Every map key, not only those the grid shows under the octave shift: a key out of view must
  // not keep the colours of the old metronome mode.
  for (int m = 0; m < KeyCount; ++m) {
    if (KeyMapCmd[m].load(kRelaxed) != kCmdMetrNote) continue;
    SetKeyFnCmd(m, kCmdMetrNote, "met nn");
    if (KeyMapCalls().TarloSendKey) KeyMapCalls().TarloSendKey(MtCmd, m);
    changed = true;
  }
  if (changed) PublishTopic(TTopic::KeyMaps);
}

}  // namespace vel
