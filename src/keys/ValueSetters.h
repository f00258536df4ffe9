#pragma once
// The value setters: one change of port, channel, program, velocity scale, part or tempo, applied
// to the live output when selected and to every selected seq; a playing seq's pending value, a
// stopped seq's active one too. Runs on the key path's thread under EngineLock.
#include <cstdint>
#include <string>

#include "keys/KeyArgs.h"

namespace vel {

// One step of a swept or stepped value within lo..hi, wrapping when asked.
int32_t SweepStepValue(int32_t value, bool down, int32_t lo, int32_t hi, bool wrap);

// valType: TValType. Inc and dec pass the other arguments 0.
void SetPortValue(uint8_t valType, int8_t value, int8_t a, int8_t b, bool pingPong);
void SetChanValue(uint8_t valType, int8_t value, int8_t a, int8_t b, bool pingPong);
void SetProgValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong);
void SetSVelValue(uint8_t valType, uint8_t value, uint8_t a, uint8_t b, bool pingPong);
// exact: an absolute value keyed to the hundredth of a BPM keeps its hundredths.
void SetTempoValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong, bool exact = false);
// False only for a bad valType.
bool SetPartValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong);

// Run before every program command.
void ExpandProgTargets();

// WarnMsg := command + " command ignored; value " + value + " out of range " + lo + " to " + hi.
void ReportValueOutOfRange(const std::string& command, int32_t value, int32_t lo, int32_t hi);

}  // namespace vel
