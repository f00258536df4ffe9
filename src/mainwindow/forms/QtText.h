#pragma once
// The engine keeps UTF-8 std::strings; the widgets take QStrings.
#include <QString>
#include <string>

namespace vel {

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace vel
