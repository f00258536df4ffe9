#include "mainwindow/PortNames.h"

#include <vector>

namespace vel {

namespace {

constexpr std::size_t kAbbrevLen = 16;

bool HasPortPrefix(const std::string& text) {
  return text.size() >= 4 && text[0] == 'P' && text[2] == '-' && text[3] == ' ';
}

// The byte offset of each character of a UTF-8 text, and its end: device names may hold
// non-ASCII characters, which a cut must not split.
std::vector<std::size_t> CharStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(text.size());
  return starts;
}

}  // namespace

std::string AbbrevDevName(const std::string& devName) {
  const std::vector<std::size_t> at = CharStarts(devName);
  const std::size_t len = at.size() - 1;
  if (len <= kAbbrevLen) return devName;
  auto isBlank = [&](std::size_t ch) { return devName[at[ch]] == ' '; };
  // Head and tail fill the 14 characters left beside "..".
  std::size_t headLen = isBlank(4) ? 4 : 5;
  std::size_t tailStart = len - (kAbbrevLen - 2 - headLen);
  // A tail that would begin with a blank gives its first place to the head.
  if (isBlank(tailStart)) {
    ++headLen;
    ++tailStart;
  }
  return devName.substr(0, at[headLen]) + ".." + devName.substr(at[tailStart]);
}

std::string StripPortPrefix(const std::string& text) {
  return HasPortPrefix(text) ? text.substr(4) : text;
}

int32_t PortIdxFromItem(const std::string& text) {
  if (!HasPortPrefix(text) || text[1] < '1' || text[1] > '9') return -1;
  return text[1] - '1';
}

}  // namespace vel
