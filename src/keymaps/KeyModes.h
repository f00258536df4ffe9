#pragma once
// The key mode: how the next key of a control input is taken. A mode is a number 0..121, and
// every number is written here only: the modes that stand alone and the first mode of each
// argument entry are named in TKeyMode; an entry that takes several keys walks a run of modes,
// one per step, named below as a {first, last} row. The key-mode table, the key handlers and the
// prompts reach every mode through these names.
#include <cstdint>

namespace vel {

enum class TKeyMode : uint8_t;

// A run of argument modes, one per step of an entry (a digit place, a count, a sweep's end).
struct TModeSteps {
  uint8_t First;
  uint8_t Last;

  constexpr bool Has(int32_t m) const { return m >= First && m <= Last; }
  constexpr bool Has(TKeyMode m) const;
  // The step of mode m, 0 for the first.
  constexpr int32_t StepOf(int32_t m) const { return m - First; }
  constexpr int32_t Count() const { return Last - First + 1; }
  constexpr TKeyMode Mode(int32_t step = 0) const;
};

namespace keymode {

// Tempo: five places (hundredths of BPM) for a value and for each end of a sweep; a three-place
// entry (whole BPM) starts at the third place, and the five-place key moves it back two.
inline constexpr TModeSteps TempoValue{6, 10};
inline constexpr TModeSteps TempoFrom{11, 15};
inline constexpr TModeSteps TempoTo{16, 20};
inline constexpr int32_t kTempoHiPlaces = 2;
// Program: three places each for a value and a sweep's two ends.
inline constexpr TModeSteps ProgValue{21, 23};
inline constexpr TModeSteps ProgFrom{24, 26};
inline constexpr TModeSteps ProgTo{27, 29};
// The second and third taps of tap tempo.
inline constexpr TModeSteps TempoTaps{30, 31};
// Channel: two places each.
inline constexpr TModeSteps ChanValue{32, 33};
inline constexpr TModeSteps ChanFrom{63, 64};
inline constexpr TModeSteps ChanTo{65, 66};
// Two-digit counts: tens, then units.
inline constexpr TModeSteps RecBarsNN{34, 35};
inline constexpr TModeSteps PlayCyclesNN{36, 37};
inline constexpr TModeSteps MuteCyclesNN{38, 39};
inline constexpr TModeSteps PlayMuteNN{40, 41};
inline constexpr TModeSteps MutePlayNN{42, 43};
inline constexpr TModeSteps PlayMuteTogNN{44, 45};
inline constexpr TModeSteps PitchCyclesNN{46, 47};
// Scenes, two digits each: load every seq or the selected ones, from internal or external
// scenes, then save.
inline constexpr TModeSteps LoadAll{48, 49};
inline constexpr TModeSteps LoadAllExt{50, 51};
inline constexpr TModeSteps LoadSel{52, 53};
inline constexpr TModeSteps LoadSelExt{54, 55};
inline constexpr TModeSteps SaveAll{56, 57};
inline constexpr TModeSteps SaveSel{58, 59};
inline constexpr TModeSteps TempoSlew{60, 61};
// The separate counts of the alternating cycle entries: the first count's two places, then the
// second's (NN), or one place each (N).
inline constexpr TModeSteps PlayMuteSepNN{67, 70};
inline constexpr TModeSteps MutePlaySepNN{71, 74};
inline constexpr TModeSteps PlayMuteTogSepNN{75, 78};
// The one-place sweeps: start, end.
inline constexpr TModeSteps PartSweep{89, 90};
inline constexpr TModeSteps PortSweep{91, 92};
inline constexpr TModeSteps VelSweep{93, 94};
inline constexpr TModeSteps PlayMuteSepN{95, 96};
inline constexpr TModeSteps MutePlaySepN{97, 98};
inline constexpr TModeSteps PlayMuteTogSepN{99, 100};
// Time signature: beats, then beat length.
inline constexpr TModeSteps TimeSig{104, 105};
// Time shift forwards and back: beats, then the note value.
inline constexpr TModeSteps TimeShiftFwd{106, 107};
inline constexpr TModeSteps TimeShiftBack{108, 109};
inline constexpr TModeSteps Quant{113, 114};     // notes, then seqs
inline constexpr TModeSteps MetrNote{115, 116};  // bar note, then beat note
// Metronome style: two style digits and two pattern digits.
inline constexpr TModeSteps MetrStyle{118, 121};

}  // namespace keymode

enum class TKeyMode : uint8_t {
  Inactive = 0,
  Live = 1,
  Record = 2,
  StepRecord = 3,
  Command = 4,
  RecBarsStop = 5,  // the key that stops a record-bars take and plays
  FirstArg = 5,     // first argument mode
  // The first mode of each entry.
  Tempo = keymode::TempoValue.First + keymode::kTempoHiPlaces,  // three tempo digits, +/-, sweep, taps
  Prog = keymode::ProgValue.First,                              // three program digits
  Chan = keymode::ChanValue.First,                              // two channel digits
  RecBarsNN = keymode::RecBarsNN.First,                         // bars to record, two digits
  PlayCyclesNN = keymode::PlayCyclesNN.First,                   // play cycles, two digits
  MuteCyclesNN = keymode::MuteCyclesNN.First,                   // mute cycles, two digits
  PlayMuteNN = keymode::PlayMuteNN.First,                       // play-mute cycles, two digits
  MutePlayNN = keymode::MutePlayNN.First,                       // mute-play cycles, two digits
  PlayMuteTogNN = keymode::PlayMuteTogNN.First,                 // play-mute toggle cycles, two digits
  PitchCyclesNN = keymode::PitchCyclesNN.First,                 // pitch cycles, two digits
  LoadAll = keymode::LoadAll.First,                             // load every seq from a scene
  LoadAllExt = keymode::LoadAllExt.First,                       // ... from an external scene
  LoadSel = keymode::LoadSel.First,                             // load the selected seqs
  LoadSelExt = keymode::LoadSelExt.First,                       // ... from an external scene
  SaveAll = keymode::SaveAll.First,                             // save every seq to a scene
  SaveSel = keymode::SaveSel.First,                             // save the selected seqs
  TempoSlew = keymode::TempoSlew.First,                         // tempo slew, two digits
  TempoDiv = 62,                                                // tempo clock divider (a Quant map mode)
  RecBarsN = 79,                                                // bars to record, one digit
  Vel = 80,                                                     // velocity scale
  Part = 81,
  Port = 82,
  PlayCyclesN = 83,  // play cycles, one digit
  MuteCyclesN = 84,
  PlayMuteN = 85,
  MutePlayN = 86,
  PlayMuteTogN = 87,
  PitchCyclesN = 88,
  Calibrate = 101,
  Hotkey = 102,
  Pitch = 103,
  TimeSigBeats = keymode::TimeSig.First,
  TimeSigBeatLen = keymode::TimeSig.Last,
  TimeShiftFwd = keymode::TimeShiftFwd.First,  // forwards, then back, two steps each
  TimeShiftBack = keymode::TimeShiftBack.First,
  TimeShiftLast = keymode::TimeShiftBack.Last,
  FtsRoot = 110,
  FtsType = 111,
  Ftn = 112,
  QuantNotes = keymode::Quant.First,
  QuantSeq = keymode::Quant.Last,
  MetrBarNote = keymode::MetrNote.First,
  MetrBeatNote = keymode::MetrNote.Last,
  MetrNoteLen = 117,  // uses the TSig map
  MetrStyle = keymode::MetrStyle.First,
  LastArg = keymode::MetrStyle.Last,
  FirstInvalid = 122,  // this and above are no key mode
};

// The mode's number, and the mode of a number (the caller keeps it below FirstInvalid).
constexpr uint8_t ModeNo(TKeyMode m) {
  return static_cast<uint8_t>(m);
}
constexpr TKeyMode KeyModeFromNo(int32_t n) {
  return static_cast<TKeyMode>(static_cast<uint8_t>(n));
}

constexpr bool TModeSteps::Has(TKeyMode m) const {
  return Has(ModeNo(m));
}
constexpr TKeyMode TModeSteps::Mode(int32_t step) const {
  return KeyModeFromNo(First + step);
}

// A one-mode entry as a run of one step.
constexpr TModeSteps StepsOf(TKeyMode m) {
  return {ModeNo(m), ModeNo(m)};
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
         keymode::MetrStyle.Has(m);
}

// The load entry's modes: every seq or the selected ones, internal or external scenes, two modes
// (one per digit) each.
constexpr bool IsLoadMode(TKeyMode m) {
  return m >= TKeyMode::LoadAll && ModeNo(m) <= keymode::LoadSelExt.Last;
}
constexpr bool IsExtLoadMode(TKeyMode m) {
  return keymode::LoadAllExt.Has(m) || keymode::LoadSelExt.Has(m);
}
// The load entry for every seq or the selected ones, from internal or external scenes.
constexpr TKeyMode LoadMode(bool all, bool ext) {
  return all ? (ext ? TKeyMode::LoadAllExt : TKeyMode::LoadAll)
             : (ext ? TKeyMode::LoadSelExt : TKeyMode::LoadSel);
}
constexpr TKeyMode SaveMode(bool all) {
  return all ? TKeyMode::SaveAll : TKeyMode::SaveSel;
}

}  // namespace vel
