#include "base/Formats.h"

#include <algorithm>
#include <cstdio>

namespace vel {

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
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
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

}  // namespace vel
