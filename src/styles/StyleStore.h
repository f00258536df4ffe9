#pragma once
// The drum and bass style stores. Each family owns one store: up to 40 styles of up to 30 main and 29
// break patterns, each pattern a grid of 16 rows by 1..16 steps, a row map that gives each row its note,
// per-row switches and levels, a few playing options, the chains and the current style and pattern.
//
// The two families are one design: TStyleStore holds a family's data and TStyleFamilyTraits what
// differs between them (row map, factory style, refresh bytes). The names the rest of the program uses
// (DrumStyles, BassPatterns, DrumStyleNo, IsValidDrumStylePattern, ...) are thin names onto the two
// stores.
//
// Everything here is read by the timer thread's metronome builder and written by the style windows,
// the settings reader and the style commands: callers hold EngineLock, so a half-edited pattern is
// never read. The store is fixed-size so that the timer thread never allocates.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Showing.h"
#include "base/Topics.h"
#include "platform/TextCut.h"

namespace vel {

// ---------------------------------------------------------------------------------------------------
// Sizes

inline constexpr int32_t kStyleCount = 40;
inline constexpr int32_t kStylePatternCount = 59;
inline constexpr int32_t kStyleMainCount = 30;   // main patterns at indices 0..29
inline constexpr int32_t kStyleFirstBreak = 30;  // break patterns at indices 30..58
inline constexpr int32_t kStyleBreakCount = 29;
inline constexpr int32_t kStyleRows = 16;  // row 0 is the accent row
inline constexpr int32_t kStyleInstRows = 15;
inline constexpr int32_t kStyleMaxSteps = 16;
inline constexpr int32_t kStyleNameLen = 10;
inline constexpr int32_t kStylePatNameLen = 7;
inline constexpr int32_t kStyleShortNameLen = 3;
inline constexpr int32_t kStyleLongNameLen = 16;
inline constexpr int32_t kStyleNoteNameLen = 4;
// Shown numbers: a style as index + 1, a pattern as index + 40 (mains 40..69, breaks 70..98).
inline constexpr int32_t kStylePatShownBase = 40;

inline constexpr int32_t kStyleVelVarFactory = 40;  // percent

inline constexpr int32_t kChainCount = 1;
inline constexpr int32_t kChainStepCount = 2;
inline constexpr int32_t kChainMaxRepeats = 99;  // a step's repeats run 0..99

// ---------------------------------------------------------------------------------------------------
// Fixed-size text

// A text of at most N characters in at most Bytes bytes, held in place; longer texts are cut
// between characters, as the stored names and rows are. Rows hold one byte per step; names take
// room for N characters of up to four bytes each (NameStr).
template <std::size_t N, std::size_t Bytes = N>
class ShortStr {
 public:
  constexpr ShortStr() = default;
  // Texts convert like strings do.
  constexpr ShortStr(std::string_view s) { Assign(s); }
  constexpr ShortStr(const char* s) { Assign(s); }

  constexpr ShortStr& operator=(std::string_view s) {
    Assign(s);
    return *this;
  }
  constexpr ShortStr& operator=(const char* s) {
    Assign(s);
    return *this;
  }

  constexpr void Assign(std::string_view s) {
    s = CutChars(s, N, Bytes);
    len_ = static_cast<uint8_t>(s.size());
    for (std::size_t i = 0; i < Bytes; ++i) chars_[i] = i < len_ ? s[i] : '\0';
  }
  constexpr std::string_view View() const { return {chars_.data(), len_}; }
  std::string Str() const { return std::string(View()); }
  constexpr std::size_t Size() const { return len_; }
  constexpr bool Empty() const { return len_ == 0; }
  // Character i, counted from 0; '.' (a rest) past the end, so an empty row reads as all rests.
  constexpr char At(std::size_t i) const { return i < len_ ? chars_[i] : '.'; }

  friend constexpr bool operator==(const ShortStr& a, const ShortStr& b) { return a.View() == b.View(); }
  friend constexpr bool operator==(const ShortStr& a, std::string_view b) { return a.View() == b; }
  friend constexpr bool operator==(const ShortStr& a, const char* b) {
    return a.View() == std::string_view(b);
  }

 private:
  static_assert(Bytes < 256, "the length is held in a byte");
  std::array<char, Bytes> chars_{};
  uint8_t len_ = 0;
};
template <std::size_t N>
using NameStr = ShortStr<N, N * 4>;

// ---------------------------------------------------------------------------------------------------
// Records

// One pattern. Rows[0] is the accent row ("." and "x" only), Rows[r] instrument row r. Character n of a
// row is step n + 1: "." rest, "x" note, "f" flam (bass: grace) note only, "b" flam and note, bass "t"
// tie. An all-rest row is held empty; any other row holds exactly Steps characters.
struct TStylePattern {
  int32_t Steps = 0;
  int32_t TSigNum = 0;
  int32_t TSigDen = 0;
  std::array<ShortStr<kStyleMaxSteps>, kStyleRows> Rows{};
  NameStr<kStylePatNameLen> Name{};
};

// One style. LastBreak counts from 30; -1 when the style has no pattern of that kind.
struct TStyleHeader {
  int32_t LastMain = -1;
  int32_t LastBreak = -1;
  NameStr<kStyleNameLen> Name{};
};

// One row of the row map. Note and MappedNote are -1 for the accent row.
struct TStyleRowDef {
  int32_t Note = -1;
  ShortStr<kStyleNoteNameLen> NoteName{};
  int32_t MappedNote = -1;  // the note the row had when the map was last built
  NameStr<kStyleShortNameLen> ShortName{};
  NameStr<kStyleLongNameLen> LongName{};
};

// One chain step; active when Repeats is above 0. Jump: the chain to play after this step, -1 none.
struct TChainStep {
  int32_t Jump = -1;
  int32_t Style = 0;
  int32_t Pattern = 0;
  int32_t Repeats = 0;
};

// Where a chain entered by a jump continues; -1, -1 when no return is pending.
struct TChainReturnPos {
  int32_t Chain = -1;
  int32_t Step = -1;
};

// ---------------------------------------------------------------------------------------------------
// What differs between the families

// A family's topics: its styles defined, the style or pattern chosen, the break trigger, the chain.
struct TStyleTopics {
  TTopic Styles;
  TTopic Style;
  TTopic Trigger;
  TTopic Chain;
};

struct TStyleFamilyTraits {
  std::string_view Name;  // "Drum" or "Bass"
  // Row map notes and short names; entry 0 (the accent row) is not taken from here.
  std::array<int32_t, kStyleRows> Notes;
  std::array<std::string_view, kStyleRows> ShortNames;
  bool GMLongNames;  // long names are the General MIDI drum names of the notes
  int32_t FlamSpeedFactory;
  // The factory style: its name, the steps of both patterns, and the rows of main pattern 0 and break
  // pattern 30 ("" for an empty row).
  std::string_view FactoryStyleName;
  int32_t FactorySteps;
  std::array<std::string_view, kStyleRows> FactoryMain;
  std::array<std::string_view, kStyleRows> FactoryBreak;
  // 0: the builder's copy of the current pattern is stale.
  std::atomic<uint8_t>* MetrChanged;
  // What the family says when it changes.
  TStyleTopics Topics;
  // Steps may hold ties ("t"): a right click cycles through them.
  bool Ties;
};

// General MIDI short drum names for notes 35..81, indexed by note - 35.
inline constexpr int32_t kGMDrumFirstNote = 35;
inline constexpr int32_t kGMDrumLastNote = 81;
inline constexpr std::array<std::string_view, kGMDrumLastNote - kGMDrumFirstNote + 1> GMDrumShortNames = {
    "Bass Drum",    "Kick Drum 1",  "Side Stick",   "Ac Snare",     "Hand Clap",    "El Snare",
    "Lo Floor Tom", "Closed HiHat", "Hi Floor Tom", "Pedal Hi Hat", "Low Tom",      "Open Hi Hat",
    "Lo Mid Tom",   "Hi Mid Tom",   "Crash Cym 1",  "High Tom",     "Ride Cym 1",   "Chinese Cym",
    "Ride CymBell", "Tambourine",   "Splash Cym",   "Cowbell",      "Crash Cym 2",  "Vibraslap",
    "Ride Cym 2",   "Hi Bongo",     "Low Bongo",    "Mute HiConga", "Open HiConga", "Low Conga",
    "High Timbale", "Low Timbale",  "High Agogo",   "Low Agogo",    "Cabasa",       "Maracas",
    "Short Whistl", "Long Whistle", "Short Guiro",  "Long Guiro",   "Claves",       "Hi Woodblock",
    "Lo Woodblock", "Mute Cuica",   "Open Cuica",   "Mute Triang",  "Open Triang",
};

inline constexpr TStyleFamilyTraits kDrumTraits = {
    "Drum",
    {-1, 49, 51, 42, 46, 44, 50, 47, 38, 37, 43, 69, 39, 56, 54, 36},
    {"AC", "CC", "RC", "CH", "OH", "PH", "HT", "MT", "SD", "RS", "HFT", "CAB", "CPS", "CB", "TAM", "BD"},
    true,
    60,
    "Rock",
    16,
    {"", "", "", "x.x.x.x.x.x.x.x.", "", "", "", "", "....x.......x...", "", "", "", "", "", "",
     "x.x.....x.x....."},
    {"", "", "", "x.x.x.x.x.x.x...", "", "", "", "", "....x.......xx..", "", "", "", "", "", "",
     "x.x.....x.x...x."},
    &Showing.MetrDrumChanged,
    {TTopic::DrumStyles, TTopic::DrumStyle, TTopic::DrumTrigger, TTopic::DrumChain},
    false,
};

inline constexpr TStyleFamilyTraits kBassTraits = {
    "Bass",
    {-1, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41, 40, 39, 38, 37, 36},
    {"AC", "r2", "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10", "r11", "r12", "r13", "r14", "r15", "r16"},
    false,
    57,
    "Sample1",
    8,
    {"", "", "", "..t...tt", "", "", "", "", "....xx..", "", "", "", "", "", "", "tt......"},
    {"", "", "", "..t.....", "", "", "", "", "...x.x..", "", "", "", "......x.", ".......x", "", "tx......"},
    &Showing.MetrBassChanged,
    {TTopic::BassStyles, TTopic::BassStyle, TTopic::BassTrigger, TTopic::BassChain},
    true,
};

// ---------------------------------------------------------------------------------------------------
// One family's store

struct TStyleStore {
  // Starts with the family's factory styles and the factory values of its settings.
  explicit TStyleStore(const TStyleFamilyTraits& traits);

  const TStyleFamilyTraits* Traits;

  // Styles and patterns. A style s is defined when 0 <= s <= LastStyle; slots outside the defined
  // ranges keep whatever they held and are never shown or played.
  std::array<TStyleHeader, kStyleCount> Styles{};
  int32_t LastStyle = -1;
  std::array<std::array<TStylePattern, kStylePatternCount>, kStyleCount> Patterns{};

  // Rows, for all patterns of the family. Index r - 1 of the per-row arrays is instrument row r.
  std::array<TStyleRowDef, kStyleRows> RowMap{};
  std::array<uint8_t, kStyleInstRows> RowOn{};
  std::array<uint8_t, kStyleInstRows> RowVel{};     // 0..127
  std::array<uint8_t, kStyleInstRows> RowAccVel{};  // 0..127

  // Playing options and window options (settings).
  uint8_t AccentEnabled = 1;
  uint8_t DspGMNames = 1;  // drum only: note lists show General MIDI drum names
  uint8_t UsePatTSig = 1;
  int32_t FlamSpeed = 100;               // percent, 100 = off; bass: the grace note
  int32_t VelVar = kStyleVelVarFactory;  // percent, 0 = off
  uint8_t ShowChains = 0;
  uint8_t ShowPatterns = 0;

  // Current style and pattern, and what the metronome builder last built (-1 nothing yet).
  int32_t StyleNo = 0;
  int32_t PatNo = 0;
  int32_t BuiltStyle = -1;
  int32_t BuiltPat = -1;
  // The last main and break pattern the builder played, for a break and the return from it.
  int32_t LastMainPlayed = 0;
  int32_t LastBreakPlayed = kStyleFirstBreak;

  // Chains.
  std::array<std::array<TChainStep, kChainStepCount>, kChainCount> Chains{};
  std::array<TChainReturnPos, kChainCount> ChainReturn{};
  int32_t ChainNoStart = 0;
  int32_t ChainNo = 0;
  int32_t ChainStepNo = -1;  // -1 before the first step
  uint8_t ChainOn = 0;
  int32_t ChainRepeat = 0;  // repeats left of the current step
  // The chain cell selected in the window; step -1 when none.
  int32_t ChainCellChain = 0;
  int32_t ChainCellStep = -1;

  // Break trigger: a break cycle is armed; the break plays and the return to the main is armed.
  uint8_t BreakTrigger = 0;
  uint8_t BreakActive = 0;
};

inline TStyleStore DrumStore{kDrumTraits};
inline TStyleStore BassStore{kBassTraits};

// Called (when set) wherever the store asks for the metronome bar to be rebuilt; the engine installs
// its RequestMetrRebuild here.
inline void (*OnMetrRebuildRequest)() = nullptr;
inline void RequestStyleRebuild() {
  if (OnMetrRebuildRequest) OnMetrRebuildRequest();
}

// ---------------------------------------------------------------------------------------------------
// Operations on either store

// True when 0 <= style <= LastStyle (and within the tables).
bool IsDefinedStyle(const TStyleStore& store, int32_t style);
// True when 0 <= style <= LastStyle and pattern is one of that style's main patterns (0..LastMain) or
// break patterns (30..30 + LastBreak).
bool IsValidStylePattern(const TStyleStore& store, int32_t style, int32_t pattern);
// A current style and pattern the window keeps and the settings file gives back: a valid pair, or a
// defined style that has no pattern left with pattern 0, so that its patterns can be added.
bool IsSelectableStylePattern(const TStyleStore& store, int32_t style, int32_t pattern);

// Every header becomes (-1, -1, no name) and row 0 of the row map the accent row. LastStyle, the patterns
// and the instrument rows stay.
void ClearStyles(TStyleStore& store);

// Rows 1..15 of the row map from the family's table; resetOnOff switches every row and the accent on,
// resetLevels sets every velocity to 80 and accent velocity to 100. Then asks for a rebuild and has a
// showing window reload its controls.
void CreateRowMap(TStyleStore& store, bool resetOnOff, bool resetLevels);

// Replaces the styles, the row map and levels, the current style and pattern and the chains with the
// family's factory set, and asks for a rebuild.
void LoadStyleFactory(TStyleStore& store);

// The store's own options at their factory values: accent, General MIDI names, the patterns' time
// signature, flam (grace) speed, velocity variation, the hidden lists, the chain to start with and the
// current style and pattern. LoadStyleFactory leaves them, since resetting the styles alone keeps
// them; the factory settings and a refused settings file call both.
void LoadStyleOptionsFactory(TStyleStore& store);

// Stores the steps of one pattern row; a row of rests alone is stored empty.
void SetStyleRow(TStylePattern& pattern, int32_t row, std::string_view steps);

// "01-Rock": the style number (index + 1, two digits), "-" and the style's name.
std::string FmtStyleCaption(const TStyleStore& store, int32_t style);
// "40-Main1": the pattern number (index + 40, two digits), "-" and the name when it has one; in chain mode
// with repeats left, "*" and the repeats ("40-Main1*3").
std::string FmtPatCaption(const TStyleStore& store, int32_t style, int32_t pattern);
// List lines: "01 4/4 Rock" (the time signature of the style's pattern 0; left out when its numerator
// is not above 0) and "70 4/4 Break1".
std::string FmtStyleLine(const TStyleStore& store, int32_t style);
std::string FmtPatLine(const TStyleStore& store, int32_t style, int32_t pattern);

// ---------------------------------------------------------------------------------------------------
// Drum and bass procedures

// The settings keywords name the stores' members with the family in front: "DrumStyleNo" is
// DrumStore.StyleNo, "UseBassPatTSig" BassStore.UsePatTSig, "BassGraceSpeed" BassStore.FlamSpeed.
// "DrumInst" + n and its "Enabled", "Vel" and "AccVel" entries are DrumStore.RowMap[n].Note,
// RowOn[n - 1], RowVel[n - 1] and RowAccVel[n - 1]; the chain step entries are DrumStore.Chains (bass
// likewise).

inline bool IsValidDrumStylePattern(int32_t style, int32_t pattern) {
  return IsValidStylePattern(DrumStore, style, pattern);
}
inline bool IsValidBassStylePattern(int32_t style, int32_t pattern) {
  return IsValidStylePattern(BassStore, style, pattern);
}
inline void ClearDrumStyles() {
  ClearStyles(DrumStore);
}
inline void ClearBassStyles() {
  ClearStyles(BassStore);
}
inline void CreateDrumRowMap(bool resetOnOff, bool resetLevels) {
  CreateRowMap(DrumStore, resetOnOff, resetLevels);
}
inline void CreateBassRowMap(bool resetOnOff, bool resetLevels) {
  CreateRowMap(BassStore, resetOnOff, resetLevels);
}
inline void LoadDrumFactory() {
  LoadStyleFactory(DrumStore);
}
inline void LoadBassFactory() {
  LoadStyleFactory(BassStore);
}
// The family's styles and its own options, all at factory.
inline void LoadDrumFactoryAll() {
  LoadStyleFactory(DrumStore);
  LoadStyleOptionsFactory(DrumStore);
}
inline void LoadBassFactoryAll() {
  LoadStyleFactory(BassStore);
  LoadStyleOptionsFactory(BassStore);
}
inline std::string FmtDrumStyleCaption(int32_t style) {
  return FmtStyleCaption(DrumStore, style);
}
inline std::string FmtBassStyleCaption(int32_t style) {
  return FmtStyleCaption(BassStore, style);
}
inline std::string FmtDrumPatCaption(int32_t style, int32_t pattern) {
  return FmtPatCaption(DrumStore, style, pattern);
}
inline std::string FmtBassPatCaption(int32_t style, int32_t pattern) {
  return FmtPatCaption(BassStore, style, pattern);
}

}  // namespace vel
