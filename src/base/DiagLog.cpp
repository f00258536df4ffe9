#include "base/DiagLog.h"

#include <ctime>

#include "base/UiHooks.h"

namespace vel {

std::string TimeOfDayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

void DiagLogTimed(const std::string& text) {
  Ui().AddLogLines(TimeOfDayText() + " " + text);
}

void DiagLog(const std::string& text) {
  Ui().AddLogLines(text);
}

}  // namespace vel
