#include "base/General.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/Formats.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "platform/midi/ShortMsg.h"

namespace vel {

bool InRange(int32_t value, int32_t lo, int32_t hi) {
  return lo <= value && value <= hi;
}

std::string PadStr(const std::string& s, int32_t width, char padChar) {
  std::size_t want =
      width < 0 ? static_cast<std::size_t>(-static_cast<int64_t>(width)) : static_cast<std::size_t>(width);
  if (want <= s.size()) return s;
  std::string fill(want - s.size(), padChar);
  return width >= 1 ? s + fill : fill + s;
}

std::string IntToHex(uint32_t value, int32_t digits) {
  char text[12];
  std::snprintf(text, sizeof text, "%0*X", std::clamp(digits, 1, 8), value);
  return text;
}

std::string GetEnvVar(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

bool DirExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GetFields(const std::string& s, char delim, int32_t first, int32_t last) {
  const bool blanks = delim == ' ';
  auto isDelim = [&](char c) { return blanks ? (c == ' ' || c == '\t') : c == delim; };
  std::string result;
  int32_t field = 1;
  for (std::size_t i = 0; i < s.size() && field <= last; ++i) {
    char c = s[i];
    if (isDelim(c)) {
      // The separator belongs to the result only between two wanted fields.
      if (field >= first && field < last) result += c;
      ++field;
      if (blanks)
        while (i + 1 < s.size() && isDelim(s[i + 1])) ++i;
    } else if (field >= first) {
      result += c;
    }
  }
  if (!result.empty() && isDelim(result.back())) result.pop_back();
  return result;
}

std::string WindowsVersionText() {
  struct utsname u {};
  if (uname(&u) != 0) return "?";
  return std::string(u.sysname) + " " + u.release + " " + u.version;
}

namespace {

constexpr std::array<const char*, 12> kPitchNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                     "F#", "G",  "G#", "A",  "A#", "B"};

}  // namespace

std::string KeyNoToNote(int32_t note, bool numeric) {
  if (numeric) return std::to_string(note);
  if (note < 0) {
    Msgs.ErrMsg.Set("KeyNoToNote error: Unexpected NoteNo: " + std::to_string(note % 12));
    return "?";
  }
  std::string text = kPitchNames[note % 12];
  int32_t octave = note / 12 - 2;
  if (octave != 0) text += std::to_string(octave);
  return text;
}

std::string PitchClassName(int32_t key) {
  int32_t pc = key % 12;
  if (pc < 0) pc += 12;
  return KeyNoToNote(pc + 24);
}

std::string BoolToYN(bool b) {
  return b ? "Y" : "N";
}

bool YNToBool(const std::string& text) {
  if (text.empty()) return false;
  char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return c == 'y' || c == 't';
}

int32_t PowerOf2Index(int32_t n) {
  for (int32_t i = 0; i < 8; ++i)
    if (n == (1 << i)) return i;
  return -1;
}

bool IsValidBeatLen(int32_t n) {
  return n >= 2 && PowerOf2Index(n) >= 0;
}

bool DividesWholeNote(int32_t n) {
  return n >= 1 && kWholeNoteTicks % n == 0;
}

void ParseTimeSig(const std::string& text, int32_t& beats, int32_t& beatLen, std::string& error) {
  std::size_t slash = text.find('/');
  const bool oneSlash = slash != std::string::npos && text.find('/', slash + 1) == std::string::npos;
  const std::optional<int32_t> n =
      oneSlash ? ParseInt(std::string_view(text).substr(0, slash)) : std::nullopt;
  const std::optional<int32_t> d =
      oneSlash ? ParseInt(std::string_view(text).substr(slash + 1)) : std::nullopt;
  if (!n || !d) {
    error = "Time signature '" + text + "' must be in form n/n";
    return;
  }
  beats = *n;
  beatLen = *d;
  if (!InRange(beats, 1, 64))
    error = "Time signature beats-per-bar out of range 1.." + std::to_string(64);
  else if (!IsValidBeatLen(beatLen))
    error = "Time signature beat-length must be a power of 2";
  else
    error.clear();
}

bool CheckBarSteps(int32_t num, int32_t den, int32_t steps, std::string& message, int32_t maxSteps) {
  // A beat count of 0 or less fits no step count (and must not be divided by).
  auto fitsTimeSig = [&](int32_t v) { return num >= 1 && (static_cast<int64_t>(v) * den) % num == 0; };
  message.clear();
  if (!DividesWholeNote(steps)) {
    message = "Invalid no. of steps\r\nSteps (" + std::to_string(steps) +
              ") must be a factor of bar length (" + std::to_string(kWholeNoteTicks) + ")";
  } else if (!fitsTimeSig(steps)) {
    message = "Invalid combination of time-sig (" + std::to_string(num) + "/" + std::to_string(den) +
              ") and no. of steps (" + std::to_string(steps) + ")\r\nBeats-per-bar (" + std::to_string(num) +
              ") must be a factor of (steps * beat-length) (" +
              std::to_string(static_cast<int64_t>(steps) * den) + ")";
  }
  if (message.empty()) return true;
  std::string values;
  for (int32_t v = 1; v <= maxSteps; ++v)
    if (DividesWholeNote(v) && fitsTimeSig(v)) values = AppendWithComma(values, std::to_string(v));
  if (values.empty())
    message += "\r\n\r\nNo other step values are possible with this time-sig";
  else
    message += "\r\n\r\nPossible step values for this time-sig are: " + values;
  return false;
}

std::string KeyName(int32_t code) {
  switch (code) {
    case 8:
      return " bksp";
    case 9:
      return " tab";
    case 13:
      return " cr";
    case 27:
      return " escp";
    case 32:
      return " spce";
    case 33:
      return " pgup";
    case 34:
      return " pgdn";
    case 37:
      return " left";
    case 38:
      return " up";
    case 39:
      return " rght";
    case 40:
      return " down";
    case 106:
      return " *";
    case 107:
      return " +";
    case 109:
      return " -";
    case 110:
      return " .";
    case 111:
      return " /";
    case 160:
      return "shft";
    case 162:
      return "ctrl";
    case 164:
      return "alt";
    default:
      break;
  }
  if (InRange(code, 48, 57)) return std::string(" ") + static_cast<char>(code);
  if (InRange(code, 65, 90)) return std::string(" ") + static_cast<char>(code - 'A' + 'a');
  if (InRange(code, 112, 123)) return " F" + std::to_string(code - 111);
  return "?";
}

namespace {

// Controller names by number; nullptr where a controller has none.
const char* ControllerName(int32_t cc) {
  static const std::array<const char*, 128> names = [] {
    std::array<const char*, 128> n{};
    n[0] = "BankSel", n[1] = "ModWheel", n[2] = "Breath", n[4] = "Foot", n[5] = "PortaTime";
    n[6] = "DataEntryMSB", n[7] = "ChanVol", n[8] = "Balance", n[10] = "Pan", n[11] = "Expression";
    n[12] = "Effect1", n[13] = "Effect2";
    n[16] = "Gen1", n[17] = "Gen2", n[18] = "Gen3", n[19] = "Gen4";
    n[32] = "BankSelLSB", n[33] = "ModWheelLSB", n[34] = "BreathLSB", n[36] = "FootLSB";
    n[37] = "PortaTimeLSB", n[38] = "DataEntryLSB", n[39] = "ChanVolLSB", n[40] = "BalanceLSB";
    n[41] = "Undefined", n[42] = "PanLSB", n[43] = "ExpressionLSB", n[44] = "Effect1LSB";
    n[45] = "Effect2LSB";
    n[48] = "Gen1LSB", n[49] = "Gen2LSB", n[50] = "Gen3LSB", n[51] = "Gen4LSB";
    n[64] = "DamperPedal", n[65] = "PortaOnOff", n[66] = "Sustenuto", n[67] = "SoftPedal";
    n[68] = "LegatoFootswitch", n[69] = "Hold2", n[70] = "Sound1SoundVariation";
    n[71] = "Sound2HarmonicIntensity", n[72] = "Sound3ReleaseTime", n[73] = "Sound4AttackTime";
    n[74] = "Sound5Brightness", n[75] = "Sound6", n[76] = "Sound7", n[77] = "Sound8";
    n[78] = "Sound9", n[79] = "Sound10";
    n[80] = "Gen5", n[81] = "Gen6", n[82] = "Gen7", n[83] = "Gen8", n[84] = "PortaControl";
    n[91] = "Effects1Depth", n[92] = "Effects2Depth", n[93] = "Effects3Depth";
    n[94] = "Effects4Depth", n[95] = "Effects5Depth";
    n[96] = "DataIncrement", n[97] = "DataDecrement", n[98] = "NRPNLSB", n[99] = "NRPNMSB";
    n[100] = "RPNLSB", n[101] = "RPNMSB";
    n[120] = "AllSoundOff", n[121] = "ResetAllConts", n[122] = "LocalControlOnOff";
    n[123] = "AllNotesOff", n[124] = "OmniModeOn", n[125] = "OmniModeOff";
    n[126] = "MonoModeOnPolyOff", n[127] = "PolyModeOnMonoOff";
    return n;
  }();
  return InRange(cc, 0, 127) ? names[cc] : nullptr;
}

constexpr std::array<const char*, 15> kSystemNames = {
    "sysex start",  "midi time code", "song position pointer",
    "song select",  "undefined",      "undefined",
    "tune request", "sysex end",      "midi clock",
    "undefined",    "start",          "continue",
    "stop",         "undefined",      "active sensing"};

}  // namespace

std::string DecodeEvent(uint32_t msg, bool inPart, bool shortForm) {
  const midi::TShortMsg m{msg};
  const int32_t status = m.Status();
  const int32_t d1 = m.Data1();
  const int32_t d2 = m.Data2();
  const std::string chan = "chan " + std::to_string(m.Channel() + 1) + ", ";
  const int32_t kind = m.Kind();
  switch (kind) {
    case 0x8:
    case 0x9:
      if (m.IsHotkey()) return "hotkey '" + KeyName(d1) + (kind == 0x8 ? "' up" : "' down");
      if (shortForm)
        return "note " + KeyNoToNote(d1) + (Trace.SRecChordNote ? " + others" : "") + ", vel " +
               std::to_string(d2);
      return chan + "note " + KeyNoToNote(d1) + (kind == 0x8 ? " off, " : " on, ") + "vel " +
             std::to_string(d2);
    case 0xA:
      return chan + "key " + std::to_string(d1) + " pressure " + std::to_string(d2);
    case 0xB: {
      const char* name = ControllerName(d1);
      return chan + "cc " + (name ? std::string(name) : std::to_string(d1)) + " " + std::to_string(d2);
    }
    case 0xC:
      return chan + "prog change " + std::to_string(d1);
    case 0xD:
      return chan + "chan pressure " + std::to_string(d1);
    case 0xE:
      return chan + "pitch bend " + std::to_string(d2 * 128 + d1);
    case 0xF:
      if ((status & 0x0F) == 0x0F) return inPart ? "rest" : "system reset/no-op";
      return kSystemNames[status & 0x0F];
    default:
      Msgs.WarnMsg.Set("DecodeEvent error: Unexpected MidiCmd: " + std::to_string(kind));
      return "?";
  }
}

}  // namespace vel
