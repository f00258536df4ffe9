#include "keymaps/KeyLabels.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Topics.h"
#include "keymaps/KeyMaps.h"

namespace vel {

namespace {

constexpr uint8_t kCmdMetrNote = 136;

void Set(TColor& font, TColor& back, TColor f, TColor b) {
  font = f;
  back = b;
}

// The rule shared by FtsRoot and Ftn.
void KeyColoursNoteChoice(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 5)
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgPitchFcn);
  else if (code == 6)
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn2);
  else if (code == 19)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn);
}

// A command key's colours by code range; codes in no range take the plain command colours.
struct TCmdColours {
  uint8_t Lo;
  uint8_t Hi;
  TColor TCfg::*Font;
  TColor TCfg::*Back;
};
constexpr TCmdColours kCmdColours[] = {
    {0, 0, &TCfg::ClKtFgNone, &TCfg::ClKtBgWarnFcn},
    {120, 120, &TCfg::ClKtFgNone, &TCfg::ClKtBgWarnFcn},
    {138, 140, &TCfg::ClKtFgNone, &TCfg::ClKtBgWarnFcn},
    {1, 1, &TCfg::ClKtFgLiveVal, &TCfg::ClKtBgLiveFcn},
    // The N and NN forms, and port, channel, program, velocity and part entry.
    {11, 12, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {21, 22, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {32, 33, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {42, 43, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {53, 54, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {109, 109, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {112, 112, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {115, 115, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {121, 121, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {141, 141, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgCmdMode},
    {103, 104, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgPitchFcn},
    {105, 107, &TCfg::ClKtFgNone, &TCfg::ClKtBgPitchFcn},
    {137, 137, &TCfg::ClKtFgNone, &TCfg::ClKtBgPitchFcn},
    {118, 119, &TCfg::ClKtFgTimeVal, &TCfg::ClKtBgTimeFcn},
    {130, 130, &TCfg::ClKtFgTimeVal, &TCfg::ClKtBgTimeFcn},
    {135, 135, &TCfg::ClKtFgTimeVal, &TCfg::ClKtBgTimeFcn},
    {124, 124, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgTimeFcn},
    {127, 127, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgTimeFcn},
    {125, 126, &TCfg::ClKtFgNone, &TCfg::ClKtBgTimeFcn},
    {128, 129, &TCfg::ClKtFgNoteVal, &TCfg::ClKtBgPitchFcn},
    {144, 145, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgWarnFcn},
    {146, 146, &TCfg::ClKtFgNone, &TCfg::ClKtBgHotkeyFcn},
    {147, 147, &TCfg::ClKtFgNone, &TCfg::ClKtBgNone},
    {56, 63, &TCfg::ClKtFgRecVal, &TCfg::ClKtBgRecFcn},
    {64, 71, &TCfg::ClKtFgDigitVal, &TCfg::ClKtBgRecFcn},
    {72, 90, &TCfg::ClKtFgSelVal, &TCfg::ClKtBgSelFcn},
    {108, 108, &TCfg::ClKtFgSelVal, &TCfg::ClKtBgSelFcn},
    {91, 102, &TCfg::ClKtFgNone, &TCfg::ClKtBgPitchFcn},
    {131, 134, &TCfg::ClKtFgNone, &TCfg::ClKtBgTimeFcn},
};

}  // namespace

void KeyColoursLive(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn);
  else if (code == 2)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 3, 161))
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn);
  else if (code == 162)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgWarnFcn);
}

void KeyColoursHotkey(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 2, 4))
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn2);
  else if (code == 162)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn);
}

void KeyColoursCmd(uint8_t code, TColor& font, TColor& back) {
  if (code == kCmdMetrNote) {
    if (Cfg.MetrModeStyles) return Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2);
    return Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn);
  }
  for (const TCmdColours& c : kCmdColours)
    if (InRange(code, c.Lo, c.Hi)) return Set(font, back, Cfg.*c.Font, Cfg.*c.Back);
  Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgCmdMode);
}

void KeyColoursRec(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 47)
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn);
  else if (InRange(code, 48, 206))
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn);
  else if (code == 207)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgWarnFcn);
}

void KeyColoursSRec(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 74)
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn);
  else if (InRange(code, 75, 233))
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn);
  else if (code == 234)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgRecVal, Cfg.ClKtBgWarnFcn);
}

void KeyColoursRangeN(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 15, 21))
    Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2);
  else if (code == 22)
    Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgTimeFcn);
  else if (code == 44)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn);
}

void KeyColoursTSig(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 68)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn);
}

void KeyColoursTShift(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 5, 11))
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn2);
  else if (code == 77)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn);
}

void KeyColoursQuant(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 77)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn);
}

void KeyColoursPitch(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 5, 14))
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn2);
  else if (code == 15)  // +0: back to the base value
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgWarnFcn);
  else if (code == 112)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn);
}

void KeyColoursMetr(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (InRange(code, 5, 10))
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn2);
  else if (code == 11)
    Set(font, back, Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2);
  else if (code == 140)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn);
}

void KeyColoursFtsRoot(uint8_t code, TColor& font, TColor& back) {
  KeyColoursNoteChoice(code, font, back);
}
void KeyColoursFtn(uint8_t code, TColor& font, TColor& back) {
  KeyColoursNoteChoice(code, font, back);
}

void KeyColoursFtsType(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn);
  else if (code == 5)
    Set(font, back, Cfg.ClKtFgNoteVal, Cfg.ClKtBgPitchFcn);
  else if (code == 6 || code == 7)
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn2);
  else if (code == 71)
    Set(font, back, Cfg.ClKtFgNone, Cfg.ClKtBgNone);
  else
    Set(font, back, Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn);
}

TKeyColours KeyColoursOf(TModeType t, uint8_t code) {
  TKeyColours c{};
  switch (t) {
    case MtLive:
      KeyColoursLive(code, c.Font, c.Back);
      break;
    case MtCmd:
      KeyColoursCmd(code, c.Font, c.Back);
      break;
    case MtRec:
      KeyColoursRec(code, c.Font, c.Back);
      break;
    case MtSRec:
      KeyColoursSRec(code, c.Font, c.Back);
      break;
    case MtRangeN:
      KeyColoursRangeN(code, c.Font, c.Back);
      break;
    case MtTSig:
      KeyColoursTSig(code, c.Font, c.Back);
      break;
    case MtTShift:
      KeyColoursTShift(code, c.Font, c.Back);
      break;
    case MtQuant:
      KeyColoursQuant(code, c.Font, c.Back);
      break;
    case MtPitch:
      KeyColoursPitch(code, c.Font, c.Back);
      break;
    case MtMetr:
      KeyColoursMetr(code, c.Font, c.Back);
      break;
    case MtFtsRoot:
      KeyColoursFtsRoot(code, c.Font, c.Back);
      break;
    case MtFtsType:
      KeyColoursFtsType(code, c.Font, c.Back);
      break;
    case MtFtn:
      KeyColoursFtn(code, c.Font, c.Back);
      break;
    case MtHotkey:
      KeyColoursHotkey(code, c.Font, c.Back);
      break;
    default:
      Set(c.Font, c.Back, Cfg.ClKtFgWarnVal, Cfg.ClKtBgWarnFcn);
      break;
  }
  return c;
}

void SetKLabDefs() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const TKeyModeInfo& info = KeyModeInfo(static_cast<TModeType>(t));
    KeyLabelDefs.ModeDefaultLabels[t] = std::string(info.DefaultLabel);
    const TKeyColours c = KeyColoursOf(info.ModeType, info.OutOfMapCode);
    KeyLabelDefs.ModeDefaultFontColours[t] = c.Font;
    KeyLabelDefs.ModeDefaultBackColours[t] = c.Back;
  }
}

void RecolourKeyMaps() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (int k = 0; k < KeyCount; ++k) {
      const TKeyColours c = KeyColoursOf(mt, KeyCodeAt(mt, k));
      KeyFontColoursOf(mt)[k] = c.Font;
      KeyBackColoursOf(mt)[k] = c.Back;
    }
  }
  SetKLabDefs();
  RaiseTopic(TTopic::LiveKey);
  if (KeyMapCalls().TarloResendColours) KeyMapCalls().TarloResendColours();
}

void RecolourKeyMapsLocked() {
  std::lock_guard lock(EngineLock);
  RecolourKeyMaps();
}

std::string PitchCodeLabel(uint8_t code) {
  if (code == 112 || code == 113) return " ";
  const TKeyFn* fn = FindKeyFnByCode(MtPitch, code);
  return fn ? fn->Token : "?";
}

std::string LabelToMultiLine(const std::string& label) {
  std::string s = label;
  for (char& c : s)
    if (c == ' ') c = '\r';
  return s;
}

TKeyView KeyViewAt(TModeType t, int gridKey) {
  // No map: what the virtual keyboard shows for a key mode without one.
  if (t >= ModeTypeCount) return {"?", Cfg.ClKtFgWarnVal, Cfg.ClKtBgWarnFcn};
  const int m = MappedKey(0, gridKey);
  if (!InRange(m, 0, KeyCount - 1))
    return {KeyLabelDefs.ModeDefaultLabels[t], KeyLabelDefs.ModeDefaultFontColours[t],
            KeyLabelDefs.ModeDefaultBackColours[t]};
  return {KeyLabelsOf(t)[m], KeyFontColoursOf(t)[m], KeyBackColoursOf(t)[m]};
}

std::array<TKeyView, 128> TemplateKeyViews(TKeyMode keyMode) {
  const TModeType t = KeyModeToLabMode(keyMode);
  std::array<TKeyView, 128> keys;
  for (int k = 0; k < KeyCount; ++k) keys[k] = KeyViewAt(t, k);
  return keys;
}

}  // namespace vel
