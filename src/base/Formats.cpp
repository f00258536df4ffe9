#include "base/Formats.h"

#include <algorithm>
#include <cstdio>

namespace vel {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<int32_t> ParseInt(std::string_view text, TIntRules rules) {
  if (rules.Blanks) text = TrimBlanks(text);
  bool neg = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    neg = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Counted in 64 bits and stopped just past the 32-bit range, so no digit count can overflow it.
  constexpr int64_t kBeyond = int64_t{INT32_MAX} + 2;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = std::min(v * 10 + (c - '0'), kBeyond);
  }
  if (neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) {
    if (!rules.Saturate) return std::nullopt;
    v = std::clamp<int64_t>(v, INT32_MIN, INT32_MAX);
  }
  return static_cast<int32_t>(v);
}

std::string FolderOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  if (slash == std::string::npos) return {};
  return fileName.substr(0, slash == 0 ? 1 : slash);
}

std::string FormatFileMsg(std::string_view message, const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  std::string text(message);
  text += " ";
  text += slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  if (slash != std::string::npos) text += "\r\nin folder " + FolderOf(fileName);
  return text;
}

std::string TempoToStr(int32_t tempo) {
  char text[24];
  const int n = std::snprintf(text, sizeof text, "%d.%02d", tempo / 100, tempo % 100);
  return std::string(text, static_cast<std::size_t>(n));
}

std::optional<int32_t> StrToTempo(std::string_view text) {
  text = TrimBlanks(text);
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(whole) || whole.size() > 6) return std::nullopt;
  if (dot != std::string_view::npos && !digits(frac)) return std::nullopt;
  int32_t tempo = 0;
  for (char c : whole) tempo = tempo * 10 + (c - '0');
  tempo *= 100;
  // The fraction is decimal: one digit is tenths, two hundredths; further digits are cut.
  if (!frac.empty()) tempo += (frac[0] - '0') * 10 + (frac.size() > 1 ? frac[1] - '0' : 0);
  return tempo;
}

std::optional<int32_t> CfgVersionToInt(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string_view minorText = text.substr(dot + 1);
  minorText = minorText.substr(0, minorText.find('.'));
  const std::optional<int32_t> major = ParseInt(text.substr(0, dot));
  const std::optional<int32_t> minor = ParseInt(minorText);
  if (!major || !minor || *major < 0 || *major > 1000000 || *minor < 0 || *minor > 99) return std::nullopt;
  return *major * 100 + *minor;
}

}  // namespace vel
