#pragma once
// The seq length and position texts of the "Bars.SQ" column and of a long seq's numeric lane.
#include <cstdint>
#include <string>

namespace vel {

// The bar settings the texts count in (the active ones).
struct TBarGrid {
  int32_t BarTicks = 15360;
  int32_t SQTicks = 1920;
  int32_t SQNoteLenFrac = 8;
};

// Bars from 0, with the remainder in start-quantise steps: "4", "4.3/16", "ov" past 999 bars;
// "0" (emptyAsZero) or "-" when the length or the grid is 0.
std::string FmtSeqLen(bool emptyAsZero, int32_t ticks, const TBarGrid& grid);
// Bars from 1: "1", "3.5/16"; "-" when the length or the grid is 0.
std::string FmtSeqPos(int32_t length, int32_t position, const TBarGrid& grid);
// The Cmd field after a step-recorded event: where it went and what it is, "" for none. The event
// lies in a part, so a rest or end marker reads "rest".
std::string StepRecordedText(int32_t srecTime, uint32_t event, const TBarGrid& grid);

}  // namespace vel
