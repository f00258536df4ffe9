#include "mainwindow/PortNames.h"

namespace vel {

namespace {

constexpr std::size_t kAbbrevLen = 16;

bool HasPortPrefix(const std::string& text) {
  return text.size() >= 4 && text[0] == 'P' && text[2] == '-' && text[3] == ' ';
}

}  // namespace

std::string AbbrevDevName(const std::string& devName) {
  const std::size_t len = devName.size();
  if (len <= kAbbrevLen) return devName;
  // Head and tail fill the 14 characters left beside "..".
  std::size_t headLen = 5;
  if (devName[4] == ' ') headLen = 4;
  std::size_t tailStart = len - (kAbbrevLen - 2 - headLen);
  // A tail that would begin with a blank gives its first place to the head.
  if (devName[tailStart] == ' ') {
    ++headLen;
    ++tailStart;
  }
  return devName.substr(0, headLen) + ".." + devName.substr(tailStart);
}

std::string StripPortPrefix(const std::string& text) {
  return HasPortPrefix(text) ? text.substr(4) : text;
}

int32_t PortIdxFromItem(const std::string& text) {
  if (!HasPortPrefix(text) || text[1] < '1' || text[1] > '9') return -1;
  return text[1] - '1';
}

}  // namespace vel
