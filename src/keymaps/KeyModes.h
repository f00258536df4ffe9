#pragma once
// Values of the key mode byte. Only the values that are named somewhere in the code get a constant;
// the argument modes in between are steps of one command's entry and are known to their handlers.
#include <cstdint>

namespace vel {

inline constexpr uint8_t KeyModeInactive = 0;
inline constexpr uint8_t KeyModeLive = 1;
inline constexpr uint8_t KeyModeRecord = 2;
inline constexpr uint8_t KeyModeStepRecord = 3;
inline constexpr uint8_t KeyModeCommand = 4;
inline constexpr uint8_t KeyModeRecBarsStop = 5;  // the key that stops a record-bars take and plays
inline constexpr uint8_t KeyModeFirstArg = 5;     // first argument mode
inline constexpr uint8_t KeyModeTempoDiv = 62;    // tempo clock divider (a Quant map mode)
inline constexpr uint8_t KeyModeCalibrate = 101;
inline constexpr uint8_t KeyModeHotkey = 102;
inline constexpr uint8_t KeyModePitch = 103;
inline constexpr uint8_t KeyModeTimeSigBeats = 104;
inline constexpr uint8_t KeyModeTimeSigBeatLen = 105;
inline constexpr uint8_t KeyModeTimeShiftFwd = 106;  // 106, 107: forwards; 108, 109: back
inline constexpr uint8_t KeyModeTimeShiftLast = 109;
inline constexpr uint8_t KeyModeFtsRoot = 110;
inline constexpr uint8_t KeyModeFtsType = 111;
inline constexpr uint8_t KeyModeFtn = 112;
inline constexpr uint8_t KeyModeQuantNotes = 113;
inline constexpr uint8_t KeyModeQuantSeq = 114;
inline constexpr uint8_t KeyModeMetrBarNote = 115;
inline constexpr uint8_t KeyModeMetrBeatNote = 116;
inline constexpr uint8_t KeyModeMetrNoteLen = 117;  // uses the TSig map
inline constexpr uint8_t KeyModeMetrStyle = 118;    // 118..121: style and pattern digits
inline constexpr uint8_t KeyModeLastArg = 121;
inline constexpr uint8_t KeyModeFirstInvalid = 122;  // this and above are no key mode

}  // namespace vel
