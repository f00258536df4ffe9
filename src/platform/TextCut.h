#pragma once
// Texts cut to a length, for every layer (device names here, settings and style names above).
// Lengths count characters, and a cut never falls inside a UTF-8 sequence:
// half a character in a name would make the settings file it is saved in invalid UTF-8.
#include <cstddef>
#include <string_view>

namespace vel {

// A byte that continues a UTF-8 sequence (10xxxxxx).
constexpr bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The first maxChars characters of s, fewer when the next one would end past maxBytes bytes. A
// character is a byte that is not a continuation byte with the continuation bytes after it.
constexpr std::string_view CutChars(std::string_view s, std::size_t maxChars,
                                    std::size_t maxBytes = std::string_view::npos) {
  std::size_t chars = 0;
  std::size_t at = 0;
  while (at < s.size()) {
    std::size_t end = at + 1;
    while (end < s.size() && IsUtf8Continuation(s[end])) ++end;
    if (chars == maxChars || end > maxBytes) break;
    ++chars;
    at = end;
  }
  return s.substr(0, at);
}

// The number of characters of s, counted as CutChars counts them.
constexpr std::size_t CharCount(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += IsUtf8Continuation(c) ? 0 : 1;
  return n + (!s.empty() && IsUtf8Continuation(s[0]) ? 1 : 0);
}

}  // namespace vel
