#pragma once
// The key mode: how the next key of a control input is taken. A mode is a number 0..121; only the
// numbers that are named somewhere in the code get a name. The argument modes in between are steps
// of one command's entry and are known to their handlers, which reach them by number (ModeNo,
// KeyModeFromNo): a table by mode has one row per number.
#include <cstdint>

namespace vel {

enum class TKeyMode : uint8_t {
  Inactive = 0,
  Live = 1,
  Record = 2,
  StepRecord = 3,
  Command = 4,
  RecBarsStop = 5,  // the key that stops a record-bars take and plays
  FirstArg = 5,     // first argument mode
  TempoDiv = 62,    // tempo clock divider (a Quant map mode)
  Calibrate = 101,
  Hotkey = 102,
  Pitch = 103,
  TimeSigBeats = 104,
  TimeSigBeatLen = 105,
  TimeShiftFwd = 106,  // 106, 107: forwards; 108, 109: back
  TimeShiftLast = 109,
  FtsRoot = 110,
  FtsType = 111,
  Ftn = 112,
  QuantNotes = 113,
  QuantSeq = 114,
  MetrBarNote = 115,
  MetrBeatNote = 116,
  MetrNoteLen = 117,  // uses the TSig map
  MetrStyle = 118,    // 118..121: style and pattern digits
  LastArg = 121,
  FirstInvalid = 122,  // this and above are no key mode
};

// The mode's number, and the mode of a number (the caller keeps it below FirstInvalid).
constexpr uint8_t ModeNo(TKeyMode m) {
  return static_cast<uint8_t>(m);
}
constexpr TKeyMode KeyModeFromNo(int32_t n) {
  return static_cast<TKeyMode>(static_cast<uint8_t>(n));
}

// The ranges below are the only places that rely on the order of the numbers.

// A command is taking its argument keys (FirstArg..LastArg); Inactive, Live, Record, StepRecord
// and Command lie below.
constexpr bool IsArgMode(TKeyMode m) {
  return m >= TKeyMode::FirstArg && m <= TKeyMode::LastArg;
}
// One of the four time-shift steps (TimeShiftFwd..TimeShiftLast), which share the TShift map.
constexpr bool IsTimeShiftMode(TKeyMode m) {
  return m >= TKeyMode::TimeShiftFwd && m <= TKeyMode::TimeShiftLast;
}
// An argument step whose keys are digits of the RangeN map: the numbered steps after RecBarsStop
// and before Calibrate (TempoDiv among them reads the Quant map), and the metronome style and
// pattern digits.
constexpr bool IsRangeNMode(TKeyMode m) {
  return (m > TKeyMode::RecBarsStop && m < TKeyMode::Calibrate && m != TKeyMode::TempoDiv) ||
         (m >= TKeyMode::MetrStyle && m <= TKeyMode::LastArg);
}

}  // namespace vel
