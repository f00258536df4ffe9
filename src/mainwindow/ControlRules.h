#pragma once
// The rules behind the main window's control groups (metronome, quantise, clock, inputs): what a
// choice stores and what must follow it. GUI thread; each procedure that writes settings takes
// EngineLock itself and must be called without it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/Settings.h"

namespace vel {

// A list item's whole decimal number (an optional leading "-"); nothing for any other text.
std::optional<int32_t> ComboNumber(const std::string& text);

// The tempo of the "Warp" (thousands of BPM) and "Tempo" (BPM) lists in hundredths of BPM, held to
// the engine's 2000..32000; an unreadable part counts as 0.
int32_t TempoFromCombos(const std::string& warpText, const std::string& bpmText);
// The "Tempo" list's item ("20".."320") that shows a tempo.
int32_t TempoBpmIndex(int32_t tempo);
// Tempo and its glide target := tempo, at once.
void SetTempoNow(int32_t tempo);

// The refusal of a time-signature change while the current metronome style sets it; empty when
// the change may go ahead. beats: the beats list, else the note-value list.
std::string TSigRefusal(bool beats);

// Metronome lists of the current type (drum or bass, by MetrTypePitchLocked): velocity 1..9 as
// shown, note as its name or number. False, storing nothing, for a value no list holds.
bool SetMetrSVel(bool bar, const std::string& text);
bool SetMetrNote(bool bar, const std::string& text);

// The basic metronome's bars 1..4: stored and the bar rebuilt when n differs. True when changed.
bool SetMetrBars(int32_t n);

// The metronome type: what the form must do after it.
enum class TMetrTypeFollow : uint8_t { Nothing, ShowOnly, Refresh, Rebuilt };
// Drum (MetrTypePitchLocked 1) or bass. Unchanged: Nothing. Changed: ShowOnly without a metronome
// seq; with one, Refresh in Config, else the bar's rebuild requested (Rebuilt).
TMetrTypeFollow SetMetrType(bool drum);

// The clock source from the "Int" and "Lock" boxes.
void SetClockSource(bool internal, bool extLock);

// An input's octave offset, -9..9; the display link is told when open. False for any other value.
bool SetInPortOctave(int32_t input, int32_t offset);
// "+3", "+0", "-2": the octave offset label's text.
std::string OctaveOffsetText(int32_t offset);

// What the group boxes show, read together: the settings, each seq's pitch lock and the last
// output port that has boxes (-1 none).
struct TControlChecks {
  TCfg Cfg;
  std::array<uint8_t, kSeqs> PitchLocked{};
  int32_t LastOutPort = -1;
};
TControlChecks ControlChecksNow();
// The last output port that has clock and sync boxes (-1 none).
int32_t LastOutPortNow();

// The metronome type's labels follow it; the other type's trigger is cleared. What the type
// buttons show.
struct TMetrTypeShown {
  bool Drum = false;
  bool Styles = false;
};
TMetrTypeShown RelabelMetrType();
// The same, read alone (the keyboard switches them too).
TMetrTypeShown MetrTypeNow();
int32_t MetrBarsNow();
// The metronome bar is rebuilt for a changed setting.
void RebuildMetrBar();
void SetMetrFill(bool on);

// A port's clock box; the recording's clock start is forgotten.
void SetMidiOutClocks(int32_t port, bool on);
void SetMidiOutSync(int32_t port, bool on);
// The seq track heading held down shows the other position format.
void ToggleDspSeqNumPosn();

// A time-signature list's choice: beats per bar (beats) or the note value; the beat ticks follow.
// Not the engine's SetTimeSig, which sets both and checks them.
void SetTimeSigChoice(bool beats, int32_t n);
// A quantise note value (NQNoteLenFrac or SQNoteLenFrac); the quantise ticks follow.
void SetQuantNoteLen(int32_t TBarSettings::*field, int32_t n);

}  // namespace vel
