#include "keymaps/KeyFnFromLabel.h"

#include <mutex>

#include "base/General.h"
#include "base/Messages.h"
#include "base/UiHooks.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr const char* kCrLf = "\r\n";

// Asks whether the calibrate key should move to the new Live Cmd key's pitch class; on Yes makes
// m the calibrate key of both control inputs and zeroes their octave offsets. True when an
// offset was reset.
bool AskCalibrateKeyFollows(int gridKey, int m) {
  const std::string newClass = PitchClassName(m);
  const std::string oldClass = PitchClassName(Cfg.InPortLiveCmdKey[0].load(kRelaxed));
  if (newClass == oldClass) return false;
  const std::string question = "About to map a Live Cmd function to key " + KeyNoToNote(gridKey) + kCrLf +
                               kCrLf + "Do you also want the octave offset calibrate key to be " + kCrLf +
                               "based on " + newClass + " instead of " + oldClass + " from now on?" + kCrLf +
                               "e.g. you may want to do this if " + newClass + " is your leftmost key";
  if (ShowMessage(question, MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) return false;
  bool offsetReset = false;
  for (int i = 0; i < 2; ++i) {
    if (Cfg.InPortOctaveOffset[i].load(kRelaxed) != 0) {
      Cfg.InPortOctaveOffset[i].store(0, kRelaxed);
      offsetReset = true;
    }
    Cfg.InPortLiveCmdKey[i].store(m, kRelaxed);
  }
  return offsetReset;
}

void TellRecalibrate() {
  // The offsets are gone, so no argument mode entered under them may stay.
  if (KeyMapCalls().ReturnToLiveMode) KeyMapCalls().ReturnToLiveMode();
  ShowMessage(std::string("Octave offsets have been reset to 0, so re-calibration is reqd.") + kCrLf +
                  "Please click OK, then " + CalibPromptText(),
              MsgKind::Warning, MsgButtons::Ok);
  PublishTopic(TTopic::CalibrationLost);
}

// Stores code and label at the mapped key and sends the key to the label display; false (and
// nothing stored) when the mapped key lies outside the map, which the key mapper never passes.
bool SetMappedKey(TModeType t, int m, uint8_t code, const std::string& label) {
  if (!InRange(m, 0, KeyCount - 1)) {
    ReportDesignError("KeyFnFromLabel" + std::string(KeyModeInfo(t).Name) + " error: Unexpected Key");
    return false;
  }
  SetKeyFn(t, m, code, label);
  if (KeyMapCalls().TarloSendKey) KeyMapCalls().TarloSendKey(t, m);
  return true;
}

}  // namespace

std::string CalibPromptText() {
  return "Press live Cmd key (" + KeyNoToNote(Cfg.InPortLiveCmdKey[0].load(kRelaxed)) + ")";
}

std::string KeyFnFromLabel(TModeType t, int gridKey, std::string_view token) {
  if (t >= ModeTypeCount) {
    ReportDesignError("KeyFnFromLabel error: Unexpected ModeType");
    return " ";
  }
  const TKeyModeInfo& info = KeyModeInfo(t);
  const int m = MappedKey(0, gridKey);
  std::string label(token);
  uint8_t code = info.IgnoreCode;
  if (const TKeyFn* fn = FindKeyFnByToken(t, token))
    code = fn->Code;
  else
    label = " ";

  bool offsetReset = false;
  if (t == MtLive && code == 0 && InRange(m, 0, KeyCount - 1))
    offsetReset = AskCalibrateKeyFollows(gridKey, m);
  if (!SetMappedKey(t, m, code, label)) return KeyLabelDefs.ModeDefaultLabels[t];
  if (offsetReset) TellRecalibrate();
  return KeyLabelsOf(t)[m];
}

std::string KeyFnFromCode(TModeType t, int gridKey, uint8_t code, std::string_view label) {
  if (t >= ModeTypeCount) {
    ReportDesignError("KeyFnFromCode error: Unexpected ModeType");
    return " ";
  }
  const int m = MappedKey(0, gridKey);
  if (!SetMappedKey(t, m, code, std::string(label))) return KeyLabelDefs.ModeDefaultLabels[t];
  return KeyLabelsOf(t)[m];
}

std::string KeyFnFromLabelLive(int k, std::string_view token) {
  return KeyFnFromLabel(MtLive, k, token);
}
std::string KeyFnFromLabelHotkey(int k, std::string_view token) {
  return KeyFnFromLabel(MtHotkey, k, token);
}
std::string KeyFnFromLabelCmd(int k, std::string_view token) {
  return KeyFnFromLabel(MtCmd, k, token);
}
std::string KeyFnFromLabelRec(int k, std::string_view token) {
  return KeyFnFromLabel(MtRec, k, token);
}
std::string KeyFnFromLabelSRec(int k, std::string_view token) {
  return KeyFnFromLabel(MtSRec, k, token);
}
std::string KeyFnFromLabelRangeN(int k, std::string_view token) {
  return KeyFnFromLabel(MtRangeN, k, token);
}
std::string KeyFnFromLabelTSig(int k, std::string_view token) {
  return KeyFnFromLabel(MtTSig, k, token);
}
std::string KeyFnFromLabelTShift(int k, std::string_view token) {
  return KeyFnFromLabel(MtTShift, k, token);
}
std::string KeyFnFromLabelFtsType(int k, std::string_view token) {
  return KeyFnFromLabel(MtFtsType, k, token);
}
std::string KeyFnFromLabelQuant(int k, std::string_view token) {
  return KeyFnFromLabel(MtQuant, k, token);
}
std::string KeyFnFromLabelMetr(int k, std::string_view token) {
  return KeyFnFromLabel(MtMetr, k, token);
}
std::string KeyFnFromLabelFtsRoot(int k, std::string_view token) {
  return KeyFnFromLabel(MtFtsRoot, k, token);
}
std::string KeyFnFromLabelFtn(int k, std::string_view token) {
  return KeyFnFromLabel(MtFtn, k, token);
}
std::string KeyFnFromLabelPitch(int k, std::string_view token) {
  return KeyFnFromLabel(MtPitch, k, token);
}

}  // namespace vel
