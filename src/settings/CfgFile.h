#pragma once
// The settings file's format: the line writer, the entry parser, the value forms (keys, colours;
// tempo and version texts are the shared ones of base/Formats.h) and the settings folder.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Formats.h"
#include "settings/Settings.h"

namespace vel {

// The version this build writes, and as a number (major * 100 + minor).
inline constexpr std::string_view kCfgVersionText = "13.03";
inline constexpr int32_t kCfgVersion = 1303;

// ConfigFileSubSection: which kind of settings file.
enum TCfgKind : uint8_t {
  CfgFull = 0,
  CfgColoursOnly = 1,
  CfgKeyMapsOnly = 2,
  CfgDrumsOnly = 3,
  CfgBassOnly = 4
};
// "Colours", "Key maps", "Drum patterns", "Bass patterns" (subset headers); empty for others.
std::string_view CfgKindTitle(uint8_t kind);
// "", "colour ", "key map ", "drum ", "bass " (load messages).
std::string_view CfgKindWord(uint8_t kind);

// The text of a settings file as it is being written: every line ends CR LF.
class TCfgText {
 public:
  // Both empty: an empty line. Text "-": an empty line and the separator. Value empty: a comment
  // "; " + text. Both given: "text = value".
  void WriteCfgLine(std::string_view text, std::string_view value = {});
  void Sep() { WriteCfgLine("-"); }
  void Blank() { WriteCfgLine({}, {}); }
  // Several comment lines.
  void Comments(std::initializer_list<std::string_view> lines);
  const std::string& Str() const { return text_; }
  std::string& Str() { return text_; }

 private:
  std::string text_;
};

// One entry of a file being read.
struct TCfgEntry {
  std::string Keyword;
  std::string Value;
  int32_t LineNo = 0;
};

// Splits one line as the entry pass does: the text before the first ';', trimmed. Returns false for
// a line with nothing left (skip it). Otherwise entry holds keyword, value (between the first and a
// second '=', trimmed) and valid tells whether the line is an entry ('=' at position 2 or later and
// three characters at least).
bool ParseCfgLine(std::string_view line, TCfgEntry& entry, bool& valid, std::string& kept);

// Walks a file's text line by line (LF ends a line) and gives each line with content as
// ParseCfgLine splits it, so the readers need not each keep the position and the line count.
class TCfgLines {
 public:
  explicit TCfgLines(std::string_view text) : text_(text) {}
  // The next line with content; false at the end of the text.
  bool Next(TCfgEntry& entry, bool& valid, std::string& kept);
  // The 1-based number of the line Next gave last.
  int32_t LineNo() const { return lineNo_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int32_t lineNo_ = 0;
};

// Blanks and tabs off both ends.
std::string_view TrimCfg(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view s);

// A file's bytes as UTF-8. Each line that is valid UTF-8 is kept as it is (every file this program
// writes is); a line that is not is read as Windows-1252, as older files were written.
std::string DecodeCfgBytes(std::string_view bytes);
// A free-text name (program, style, pattern or row name) as the file can hold it: control characters
// become blanks, the characters that end a value (';', '=', and ',' where a comma separates names)
// are dropped, and the text is trimmed, cut to maxLen characters and trimmed again, so that it is written
// and read back unchanged.
std::string CfgFreeText(std::string_view text, std::size_t maxLen, bool dropCommas = false);

// A key as the file writes it: the number, or the note name ("C-2" 0, "C" 24, "C3" 60, "G8" 127).
std::string KeyText(int32_t key, bool numeric);
// A key or note text to its note number: a number 0..127, or A..G with '#' or 's' and an octave;
// -1 when the text names no note. A note name is not range-tested ("G9" is 139).
int32_t NoteNameToNo(std::string_view text);

// "15" for a system colour, else "r, g, b" from the low three bytes.
std::string ColourToText(TColor colour);
// The inverse: one number 0..0xFFFFFF (system colour) or three numbers 0..255. False on anything else.
bool TextToColour(std::string_view text, TColor& colour);

// A line in the log window when diagnostics are on.
void LogCfgIfDiag(const std::string& text);

// $XDG_CONFIG_HOME/Vellorine, else ~/.config/Vellorine; no trailing '/'.
std::string SettingsFolder();
// The default settings file in the settings folder.
std::string DefaultCfgFileName();
// ~/Vellorine: where file dialogs start and the remembered folders begin.
std::string UserProfileFolder();

// True when both names are the same text or name the same file on disk.
bool SameFile(const std::string& a, const std::string& b);
// A file's bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& fileName, std::string& bytes);

}  // namespace vel
