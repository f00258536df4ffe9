#include "settings/CfgFile.h"

#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "base/General.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "platform/TextCut.h"

namespace vel {

std::string_view CfgKindTitle(uint8_t kind) {
  switch (kind) {
    case CfgColoursOnly:
      return "Colours";
    case CfgKeyMapsOnly:
      return "Key maps";
    case CfgDrumsOnly:
      return "Drum patterns";
    case CfgBassOnly:
      return "Bass patterns";
    default:
      return {};
  }
}

std::string_view CfgKindWord(uint8_t kind) {
  switch (kind) {
    case CfgColoursOnly:
      return "colour ";
    case CfgKeyMapsOnly:
      return "key map ";
    case CfgDrumsOnly:
      return "drum ";
    case CfgBassOnly:
      return "bass ";
    default:
      return {};
  }
}

void TCfgText::WriteCfgLine(std::string_view text, std::string_view value) {
  if (text.empty() && value.empty()) {
    text_ += "\r\n";
  } else if (text == "-") {
    text_ += "\r\n;";
    text_.append(80, '-');
    text_ += "\r\n";
  } else if (value.empty()) {
    text_ += "; ";
    text_ += text;
    text_ += "\r\n";
  } else {
    text_ += text;
    text_ += " = ";
    text_ += value;
    text_ += "\r\n";
  }
}

void TCfgText::Comments(std::initializer_list<std::string_view> lines) {
  for (std::string_view l : lines) {
    if (l.empty())
      Blank();
    else
      WriteCfgLine(l);
  }
}

std::string_view TrimCfg(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseCfgLine(std::string_view line, TCfgEntry& entry, bool& valid, std::string& kept) {
  const std::size_t semi = line.find(';');
  if (semi != std::string_view::npos) line = line.substr(0, semi);
  line = TrimCfg(line);
  if (line.empty()) return false;
  kept.assign(line);
  const std::size_t eq = line.find('=');
  // '=' at position 2 or later (1-based), so the keyword holds one character at least.
  valid = eq != std::string_view::npos && eq >= 1 && line.size() >= 2;
  if (!valid) return true;
  entry.Keyword.assign(TrimCfg(line.substr(0, eq)));
  std::string_view rest = line.substr(eq + 1);
  const std::size_t eq2 = rest.find('=');
  if (eq2 != std::string_view::npos) rest = rest.substr(0, eq2);
  entry.Value.assign(TrimCfg(rest));
  if (entry.Keyword.empty()) valid = false;
  return true;
}

bool TCfgLines::Next(TCfgEntry& entry, bool& valid, std::string& kept) {
  while (pos_ < text_.size()) {
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    const std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++lineNo_;
    valid = false;
    if (ParseCfgLine(line, entry, valid, kept)) return true;
  }
  return false;
}

namespace {

// Length of the UTF-8 sequence that starts at s[i]; 0 when it is not a valid one.
std::size_t Utf8SeqLen(std::string_view s, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// Windows-1252 0x80..0x9F; 0 where the code page leaves a hole (taken as Latin-1 then).
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

namespace {

bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = Utf8SeqLen(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendCp1252(std::string& out, std::string_view bytes) {
  for (char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else if (c < 0xA0 && kCp1252High[c - 0x80] != 0)
      AppendUtf8(out, kCp1252High[c - 0x80]);
    else
      AppendUtf8(out, c);
  }
}

}  // namespace

std::string DecodeCfgBytes(std::string_view bytes) {
  // A byte-order mark that an editor put in front is no part of the first line.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (IsUtf8(bytes)) return std::string(bytes);
  // Decided line by line: one broken line (a hand edit, or a name cut inside a character by an
  // older save) must not turn every other name of the file into code-page mojibake.
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t end = bytes.find('\n', pos);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view line = bytes.substr(pos, end - pos);
    if (IsUtf8(line))
      out += line;
    else
      AppendCp1252(out, line);
    pos = end;
  }
  return out;
}

std::string CfgFreeText(std::string_view text, std::size_t maxLen, bool dropCommas) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == ';' || c == '=' || (dropCommas && c == ',')) continue;
    kept += u < 0x20 || u == 0x7F ? ' ' : c;
  }
  return std::string(TrimCfg(CutChars(TrimCfg(kept), maxLen)));
}

std::string KeyText(int32_t key, bool numeric) {
  if (numeric || key < 0 || key > 127) return std::to_string(key);
  return KeyNoToNote(key, false);
}

int32_t NoteNameToNo(std::string_view text) {
  text = TrimCfg(text);
  if (text.empty()) return -1;
  if (text[0] >= '0' && text[0] <= '9') {
    const std::optional<int32_t> n = ParseInt(text);
    if (!n || *n < 0 || *n > 127) return -1;
    return *n;
  }
  static constexpr int32_t kPc[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'A' || letter > 'G') return -1;
  int32_t note = kPc[letter - 'A'];
  std::size_t octAt = 1;
  if (text.size() > 1) {
    const char c2 = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
    if (c2 == '#' || c2 == 'S') {
      ++note;
      octAt = 2;
    }
  }
  const std::string_view octText = TrimCfg(text.substr(octAt));
  const std::optional<int32_t> parsed = octText.empty() ? 0 : ParseInt(octText);
  if (!parsed) return -1;
  const int32_t octave = *parsed;
  if (octave < -100 || octave > 100) return -1;
  return note + (octave + 2) * 12;
}

std::string ColourToText(TColor colour) {
  if (IsSysColour(colour)) return std::to_string(colour & 0x00FFFFFFu);
  return std::to_string(colour & 0xFF) + ", " + std::to_string((colour >> 8) & 0xFF) + ", " +
         std::to_string((colour >> 16) & 0xFF);
}

bool TextToColour(std::string_view text, TColor& colour) {
  int32_t parts[3] = {0, 0, 0};
  int n = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view field =
        text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    const std::optional<int32_t> part = n == 3 ? std::nullopt : ParseInt(field);
    if (!part) return false;
    parts[n++] = *part;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (n == 1) {
    if (parts[0] < 0 || parts[0] > 0xFFFFFF) return false;
    colour = SysColour(static_cast<uint32_t>(parts[0]));
    return true;
  }
  if (n != 3) return false;
  for (int32_t p : parts)
    if (p < 0 || p > 255) return false;
  colour =
      Rgb(static_cast<uint8_t>(parts[0]), static_cast<uint8_t>(parts[1]), static_cast<uint8_t>(parts[2]));
  return true;
}

void LogCfgIfDiag(const std::string& text) {
  if (Trace.DiagFlags.load(std::memory_order_relaxed)) Ui().AddLogLines(text);
}

namespace {
std::string HomeFolder() {
  std::string home = GetEnvVar("HOME");
  if (home.empty()) home = "/tmp";
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}
}  // namespace

std::string SettingsFolder() {
  std::string base = GetEnvVar("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != '/') base = HomeFolder() + "/.config";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/Vellorine";
}

std::string DefaultCfgFileName() {
  return SettingsFolder() + "/SeqDefaults.txt";
}

std::string UserProfileFolder() {
  return HomeFolder() + "/Vellorine";
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool ReadFileBytes(const std::string& fileName, std::string& bytes) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return false;
  bytes = ss.str();
  return true;
}

}  // namespace vel
