#pragma once
// The diagnostics log lines of MIDI layer and timer calls, posted to the diagnostics queue while
// diagnostics are on.
#include <cstdint>
#include <string>

namespace vel {

// Posts text + " error: " + the MIDI layer's error text for a failed call, or text + " ok" for a
// good one when logOk; only while diagnostics are on. True when result is 0.
bool LogMidiResult(uint32_t result, bool isOutput, const std::string& text, bool logOk);
// The same for timer calls: text + " error: 0x" + the result in eight hex digits.
bool LogTimerResult(uint32_t result, const std::string& text, bool logOk);

}  // namespace vel
