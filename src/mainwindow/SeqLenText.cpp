#include "mainwindow/SeqLenText.h"

#include "base/General.h"

namespace vel {

std::string FmtSeqLen(bool emptyAsZero, int32_t ticks, const TBarGrid& g) {
  if (ticks == 0 || g.BarTicks == 0 || g.SQTicks == 0) return emptyAsZero ? "0" : "-";
  const int32_t bars = ticks / g.BarTicks;
  const int32_t rest = ticks % g.BarTicks;
  const std::string whole = bars > 999 ? std::string("ov") : std::to_string(bars);
  if (rest == 0) return whole;
  return whole + "." + std::to_string(rest / g.SQTicks) + "/" + std::to_string(g.SQNoteLenFrac);
}

std::string FmtSeqPos(int32_t length, int32_t position, const TBarGrid& g) {
  if (length == 0 || g.BarTicks == 0 || g.SQTicks == 0) return "-";
  const int32_t bars = position / g.BarTicks;
  const int32_t rest = position % g.BarTicks;
  if (rest == 0) return std::to_string(bars + 1);
  return std::to_string(bars + 1) + "." + std::to_string(rest / g.SQTicks) + "/" +
         std::to_string(g.SQNoteLenFrac);
}

std::string StepRecordedText(int32_t srecTime, uint32_t event, const TBarGrid& grid) {
  if (event == 0) return {};
  return FmtSeqLen(true, srecTime, grid) + ": " + DecodeEvent(event, true, false);
}

}  // namespace vel
