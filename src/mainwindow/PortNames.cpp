#include "mainwindow/PortNames.h"

#include "platform/TextCut.h"

namespace vel {

namespace {

constexpr std::size_t kAbbrevLen = 16;

bool HasPortPrefix(const std::string& text) {
  return text.size() >= 4 && text[0] == 'P' && text[2] == '-' && text[3] == ' ';
}

}  // namespace

std::string AbbrevDevName(const std::string& devName) {
  // Device names may hold non-ASCII characters: positions count characters, and the byte offset
  // of character ch is the length of the first ch characters.
  auto at = [&](std::size_t ch) { return CutChars(devName, ch).size(); };
  const std::size_t len = CharCount(devName);
  if (len <= kAbbrevLen) return devName;
  auto isBlank = [&](std::size_t ch) { return devName[at(ch)] == ' '; };
  // Head and tail fill the 14 characters left beside "..".
  std::size_t headLen = isBlank(4) ? 4 : 5;
  std::size_t tailStart = len - (kAbbrevLen - 2 - headLen);
  // A tail that would begin with a blank gives its first place to the head.
  if (isBlank(tailStart)) {
    ++headLen;
    ++tailStart;
  }
  return devName.substr(0, at(headLen)) + ".." + devName.substr(at(tailStart));
}

std::string StripPortPrefix(const std::string& text) {
  return HasPortPrefix(text) ? text.substr(4) : text;
}

int32_t PortIdxFromItem(const std::string& text) {
  if (!HasPortPrefix(text) || text[1] < '1' || text[1] > '9') return -1;
  return text[1] - '1';
}

}  // namespace vel
