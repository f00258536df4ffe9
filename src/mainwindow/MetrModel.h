#pragma once
// The metronome display (beat light, swing mark, beat and bar), the tempo fields, the metronome
// notes, the control inputs' octave offsets, the load lights and the diagnostics drain's trace
// line. Pure: inputs are plain values, state lives in the structs the caller keeps.
#include <cstdint>
#include <optional>
#include <string>

#include "mainwindow/StatusModel.h"
#include "settings/Settings.h"

namespace vel {

// Spare time not yet measured.
inline constexpr int32_t kNotMeasured = 0x7FFFFFFF;

struct TRect4 {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TRect4&) const = default;
};
// The beat light's three sizes, all centred on one point of the metronome group.
inline constexpr TRect4 kBeatLightBar1{156, 50, 23, 19};
inline constexpr TRect4 kBeatLightBeat{159, 52, 17, 14};
inline constexpr TRect4 kBeatLightSmall{162, 55, 11, 8};
inline constexpr int32_t kBeatLightCentreX = 167;
inline constexpr int32_t kBeatLightCentreY = 59;

// The metronome light's state between ticks; the engine reset starts it afresh.
struct TBeatLightState {
  int32_t BeatDspLastMs = 0;
  bool BeatTooFast = false;      // below 50 ms between beats, until above 100
  bool BeatSwingHidden = false;  // below 150, until above 200
  bool BeatLightSmall = false;   // below 200, until above 250
  int32_t MetrLightHoldMs = 0;
};

struct TMetrInput {
  int32_t ActBeatTicks = 0;
  bool BeatChanged = false;  // taken and cleared by the caller
  int32_t BeatNo = 1, BarNo = 0, ActNoteLenFrac = 4, ActBeatsPerBar = 4;
  bool SeqsRunning = false;
  int32_t MsClock = 0;
  int32_t IntervalMs = 10;
  bool MetrStartOnLeft = true;
};

struct TBeatLightView {
  bool Visible = true;
  TRect4 Rect = kBeatLightSmall;
  TColor Colour = 0;
  bool operator==(const TBeatLightView&) const = default;
};

struct TMetrView {
  bool Any = false;                     // nothing at all while ActBeatTicks is 0
  std::optional<TBeatLightView> Light;  // only when it changes
  bool SwingSet = false;
  bool LeftVisible = false, RightVisible = false;
  TColor SwingColour = 0;
  std::string Beat, Bar;
};
void UpdateDspMetr(const TMetrInput& in, const TCfg& cfg, TBeatLightState& st, TMetrView& view);

// lblvTempoSlew, lblvTempoInt, lblvTempoExt. External tempo: 2500 x count / sum, rounded; "?"
// without an input, without clocks, or past 999 BPM (the last colour kept: Colour unset).
struct TTempoView {
  std::string Slew, Int, Ext;
  std::optional<TColor> ExtColour;
};
TTempoView ShowTempoDisplay(int32_t tempo, const TSweepSnap& sweep, int32_t slewMs, bool inputs,
                            bool clockValid, int32_t clockCount, int64_t clockSum, const TCfg& cfg);

struct TMetrNotesView {
  std::string BarNote, BarSVel, BeatNote, BeatSVel;
};
TMetrNotesView ShowMetrNotes(int32_t barNote, int32_t barSVel, int32_t beatNote, int32_t beatSVel);

TText ShowInOctaveOffset(int32_t offset, const TCfg& cfg);
// "Press live Cmd key (" + the note name of the main input's live Cmd key + ")".
std::string CalibPromptText(int32_t liveCmdKey);

// A load light: lit in ClStOverload, dark (disabled) in ClText.
struct TLoadLight {
  bool Lit = false;
  TColor Colour = 0;
  bool operator==(const TLoadLight&) const = default;
};
TLoadLight SpareLight(int32_t spareMs, const TCfg& cfg);
// The input overload: lit on every tick that finds the flag; the flag and its time are dropped
// once more than 1000 ms have passed since the first such tick.
TLoadLight InputOverload(uint8_t& moreData, int32_t& since, int32_t now, const TCfg& cfg);

// "P" + (port + 1) + "- " + stamp + " " + eight hex digits, + " " + decoding when decode.
std::string TraceLine(int32_t port, int32_t stamp, uint32_t msg, bool decode);

}  // namespace vel
