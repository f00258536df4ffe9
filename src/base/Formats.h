#pragma once
// The text forms that files, settings and windows share: the message that names a file, the tempo
// text, the version number. One of each, so a file read by two readers reads the same.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

// message + " " + the file name without folder (+ "\r\nin folder " + folder when it has one).
std::string FormatFileMsg(std::string_view message, const std::string& fileName);
// The folder part of a file name, without a trailing '/' ("/" for a file in the root); empty when
// the name has none.
std::string FolderOf(const std::string& fileName);

// "120.00" for 12000.
std::string TempoToStr(int32_t tempo);
// "120.5" is 12050, "95.05" 9505, "120" 12000; nothing for text that is not such a number.
std::optional<int32_t> StrToTempo(std::string_view text);

}  // namespace vel
