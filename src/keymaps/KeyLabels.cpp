#include "keymaps/KeyLabels.h"

#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
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
    Set(font, back, ClKtFgNoteVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 5)
    Set(font, back, ClKtFgNoteVal, ClKtBgPitchFcn);
  else if (code == 6)
    Set(font, back, ClKtFgNoteVal, ClKtBgNoteFcn2);
  else if (code == 19)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgNoteVal, ClKtBgNoteFcn);
}

}  // namespace

void KeyColoursLive(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgLiveVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgRecVal, ClKtBgRecFcn);
  else if (code == 2)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 3, 161))
    Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn);
  else if (code == 162)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgLiveVal, ClKtBgWarnFcn);
}

void KeyColoursHotkey(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgNone, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 2, 4))
    Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn2);
  else if (code == 162)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn);
}

void KeyColoursCmd(uint8_t code, TColor& font, TColor& back) {
  switch (code) {
    case 0:
    case 120:
    case 138:
    case 139:
    case 140:
      return Set(font, back, ClKtFgNone, ClKtBgWarnFcn);
    case 1:
      return Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
    // The N and NN forms, and port, channel, program, velocity and part entry.
    case 11:
    case 12:
    case 21:
    case 22:
    case 32:
    case 33:
    case 42:
    case 43:
    case 53:
    case 54:
    case 109:
    case 112:
    case 115:
    case 121:
    case 141:
      return Set(font, back, ClKtFgDigitVal, ClKtBgCmdMode);
    case 103:
    case 104:
      return Set(font, back, ClKtFgDigitVal, ClKtBgPitchFcn);
    case 105:
    case 106:
    case 107:
    case 137:
      return Set(font, back, ClKtFgNone, ClKtBgPitchFcn);
    case 118:
    case 119:
    case 130:
    case 135:
      return Set(font, back, ClKtFgTimeVal, ClKtBgTimeFcn);
    case 124:
    case 127:
      return Set(font, back, ClKtFgDigitVal, ClKtBgTimeFcn);
    case 125:
    case 126:
      return Set(font, back, ClKtFgNone, ClKtBgTimeFcn);
    case 128:
    case 129:
      return Set(font, back, ClKtFgNoteVal, ClKtBgPitchFcn);
    case kCmdMetrNote:
      if (MetrModeStyles) return Set(font, back, ClKtFgDigitVal, ClKtBgDigitFcn2);
      return Set(font, back, ClKtFgNoteVal, ClKtBgNoteFcn);
    case 144:
    case 145:
      return Set(font, back, ClKtFgDigitVal, ClKtBgWarnFcn);
    case 146:
      return Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn);
    case 147:
      return Set(font, back, ClKtFgNone, ClKtBgNone);
    default:
      break;
  }
  if (InRange(code, 56, 63)) return Set(font, back, ClKtFgRecVal, ClKtBgRecFcn);
  if (InRange(code, 64, 71)) return Set(font, back, ClKtFgDigitVal, ClKtBgRecFcn);
  if (InRange(code, 72, 90) || code == 108) return Set(font, back, ClKtFgSelVal, ClKtBgSelFcn);
  if (InRange(code, 91, 102)) return Set(font, back, ClKtFgNone, ClKtBgPitchFcn);
  if (InRange(code, 131, 134)) return Set(font, back, ClKtFgNone, ClKtBgTimeFcn);
  Set(font, back, ClKtFgNone, ClKtBgCmdMode);
}

void KeyColoursRec(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgRecVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 47)
    Set(font, back, ClKtFgRecVal, ClKtBgRecFcn);
  else if (InRange(code, 48, 206))
    Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn);
  else if (code == 207)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgRecVal, ClKtBgWarnFcn);
}

void KeyColoursSRec(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgRecVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 74)
    Set(font, back, ClKtFgRecVal, ClKtBgRecFcn);
  else if (InRange(code, 75, 233))
    Set(font, back, ClKtFgNone, ClKtBgHotkeyFcn);
  else if (code == 234)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgRecVal, ClKtBgWarnFcn);
}

void KeyColoursRangeN(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgDigitVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 15, 21))
    Set(font, back, ClKtFgDigitVal, ClKtBgDigitFcn2);
  else if (code == 22)
    Set(font, back, ClKtFgDigitVal, ClKtBgTimeFcn);
  else if (code == 44)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgDigitVal, ClKtBgDigitFcn);
}

void KeyColoursTSig(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgTimeVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 68)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgTimeVal, ClKtBgTimeFcn);
}

void KeyColoursTShift(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgTimeVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 5, 11))
    Set(font, back, ClKtFgTimeVal, ClKtBgTimeFcn2);
  else if (code == 77)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgTimeVal, ClKtBgTimeFcn);
}

void KeyColoursQuant(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgTimeVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 77)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgTimeVal, ClKtBgTimeFcn);
}

void KeyColoursPitch(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgPitchVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 5, 14))
    Set(font, back, ClKtFgPitchVal, ClKtBgPitchFcn2);
  else if (code == 15)  // +0: back to the base value
    Set(font, back, ClKtFgPitchVal, ClKtBgWarnFcn);
  else if (code == 112)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgPitchVal, ClKtBgPitchFcn);
}

void KeyColoursMetr(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgNoteVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (InRange(code, 5, 10))
    Set(font, back, ClKtFgNoteVal, ClKtBgNoteFcn2);
  else if (code == 11)
    Set(font, back, ClKtFgDigitVal, ClKtBgDigitFcn2);
  else if (code == 140)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgNoteVal, ClKtBgNoteFcn);
}

void KeyColoursFtsRoot(uint8_t code, TColor& font, TColor& back) {
  KeyColoursNoteChoice(code, font, back);
}
void KeyColoursFtn(uint8_t code, TColor& font, TColor& back) {
  KeyColoursNoteChoice(code, font, back);
}

void KeyColoursFtsType(uint8_t code, TColor& font, TColor& back) {
  if (code == 0)
    Set(font, back, ClKtFgPitchVal, ClKtBgWarnFcn);
  else if (code == 1)
    Set(font, back, ClKtFgLiveVal, ClKtBgLiveFcn);
  else if (code == 5)
    Set(font, back, ClKtFgNoteVal, ClKtBgPitchFcn);
  else if (code == 6 || code == 7)
    Set(font, back, ClKtFgPitchVal, ClKtBgPitchFcn2);
  else if (code == 71)
    Set(font, back, ClKtFgNone, ClKtBgNone);
  else
    Set(font, back, ClKtFgPitchVal, ClKtBgPitchFcn);
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
      Set(c.Font, c.Back, ClKtFgWarnVal, ClKtBgWarnFcn);
      break;
  }
  return c;
}

void SetKLabDefs() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const TKeyModeInfo& info = KeyModeInfo(static_cast<TModeType>(t));
    ModeDefaultLabels[t] = std::string(info.DefaultLabel);
    const TKeyColours c = KeyColoursOf(info.ModeType, info.OutOfMapCode);
    ModeDefaultFontColours[t] = c.Font;
    ModeDefaultBackColours[t] = c.Back;
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
  if (KeyMapperShowing.load(std::memory_order_relaxed)) KeyLabelsRedraw.store(1, std::memory_order_relaxed);
  if (KeyMapCalls().TarloResendColours) KeyMapCalls().TarloResendColours();
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
  if (t >= ModeTypeCount) return {"?", ClKtFgWarnVal, ClKtBgWarnFcn};
  const int m = MappedKey(0, gridKey);
  if (!InRange(m, 0, KeyCount - 1))
    return {ModeDefaultLabels[t], ModeDefaultFontColours[t], ModeDefaultBackColours[t]};
  return {KeyLabelsOf(t)[m], KeyFontColoursOf(t)[m], KeyBackColoursOf(t)[m]};
}

std::array<TKeyView, 128> TemplateKeyViews(TKeyMode keyMode) {
  const TModeType t = KeyModeToLabMode(keyMode);
  std::array<TKeyView, 128> keys;
  for (int k = 0; k < KeyCount; ++k) keys[k] = KeyViewAt(t, k);
  return keys;
}

}  // namespace vel
