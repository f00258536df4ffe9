#pragma once
// The value entry: program, channel, tempo, part, port and velocity scale keyed digit by digit in
// their argument modes, or stepped by one there or by a command, on one engine driven by a small
// description of each value. Runs on the key path's thread under EngineLock.
#include <cstdint>

namespace vel {

enum class TEntryValue : uint8_t { Prog, Chan, Tempo, Part, Port, Vel };

// A key in one of the value's argument modes: inc/dec, the sweep keys, a digit, or one of the
// codes every argument mode shares.
void HandleValueKey(TEntryValue value, uint8_t input, uint8_t code);

// A value command: valSource VsEnterMode begins the entry, VsInc and VsDec step the value by one.
void HandleCmdValue(TEntryValue value, uint8_t valSource);

// A value command's source is one of the three; else the error text names the command's handler
// (proc) and the key mode returns to Live.
bool ValidValSource(uint8_t valSource, const char* proc);

}  // namespace vel
