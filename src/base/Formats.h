#pragma once
// The text forms that files, settings and windows share: the message that names a file, the tempo
// text, the version number. One of each, so a file read by two readers reads the same.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

// What a caller lets through around a whole decimal number. Every number may carry one sign.
struct TIntRules {
  // Blanks and tabs before and after the number; a combo's item or a command-line word has none.
  bool Blanks = true;
  // A number beyond 32 bits is held to the nearest end instead of refused: a file's field that
  // overflows must not take the file down with it.
  bool Saturate = false;
};
// The one integer parser: an optional '+' or '-' and decimal digits, nothing else; nothing when
// the text is not such a number (or, without Saturate, does not fit 32 bits).
std::optional<int32_t> ParseInt(std::string_view text, TIntRules rules = {});

// message + " " + the file name without folder (+ "\r\nin folder " + folder when it has one).
std::string FormatFileMsg(std::string_view message, const std::string& fileName);
// The folder part of a file name, without a trailing '/' ("/" for a file in the root); empty when
// the name has none.
std::string FolderOf(const std::string& fileName);

// "120.00" for 12000.
std::string TempoToStr(int32_t tempo);
// "120.5" is 12050, "95.05" 9505, "120" 12000; nothing for text that is not such a number.
std::optional<int32_t> StrToTempo(std::string_view text);

// "13.03" -> 1303: the text split at '.', fields one and two (blanks around allowed) whole numbers
// of 0..1000000 and 0..99; nothing for any other text.
std::optional<int32_t> CfgVersionToInt(std::string_view text);

}  // namespace vel
