#pragma once
// The key modes 0..121, one row per mode number: who takes the mode's keys, the key map they are
// looked up in with the code a key outside the map gets, and the fixed texts the status display
// builds the mode's prompt from. The router reads its bands, maps and handlers from here only, so
// routing and what the display shows of a mode cannot drift apart.
#include <array>
#include <cstdint>
#include <string_view>

#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"

namespace vel {

// Who takes the keys of a mode. The argument handlers take only note-ons, with the mode's code.
enum class TModeHandler : uint8_t {
  None,         // inactive: note-ons dropped, note-offs to LiveFifo
  Live,         // HandleLiveKey
  Rec,          // HandleRecModeKey
  StepRec,      // HandleStepRecModeKey
  Command,      // ExecCommand
  RecBarsStop,  // HandleRecBarsStopKey
  Tempo,        // HandleTempoModeKey
  Prog,         // HandleProgModeKey
  Chan,         // HandleChanModeKey
  RecBarsNN,    // HandleRecBarsNNModeKey
  RecBarsN,     // HandleRecBarsNModeKey
  Cycle,        // HandleCycleModeKey
  PitchCycles,  // HandlePitchCyclesModeKey
  Load,         // HandleLoadModeKey
  Save,         // HandleSaveModeKey
  TempoSlew,    // HandleTempoSlewModeKey
  TempoDiv,     // HandleTempoDivModeKey
  Vel,          // HandleVelModeKey
  Part,         // HandlePartModeKey
  Port,         // HandlePortModeKey
  Calibrate,    // CalibrateOctave, with the note itself
  Hotkey,       // HandleHotkeyModeKey
  Pitch,        // HandlePitchModeKey
  TimeSig,      // HandleTimeSigModeKey
  TimeShift,    // HandleTimeShiftModeKey
  FtsRoot,      // HandleFtsRootModeKey
  FtsType,      // HandleFtsTypeModeKey
  Ftn,          // HandleFtnModeKey, note-ons and note-offs
  Quant,        // HandleQuantModeKey
  MetrNote,     // HandleMetrNoteModeKey
  MetrNoteLen,  // SetMetrBarBeat
  MetrStyle,    // HandleMetrStyleModeKey
};

// A mode that reads no key map (inactive, calibrate), and its out-of-map code.
inline constexpr TMapNo kNoMap = static_cast<TMapNo>(0xFF);
inline constexpr uint8_t kNoCode = 0xFF;

// One key mode. The prompt pieces: Prompt is the text shown on entering the mode (n, nn, m, p
// stand for digits to come); PromptAlt the same mode's other entry text (raw recording, a sweep
// both ways, a current scene to step from, tap tempo in standard mode, time shift with repeat);
// PromptHead and PromptTail the fixed text before and after what is filled in while the mode
// runs (the digits so far, a note name, a command name). A recording mode's text after the first
// note is its Prompt or PromptAlt + "ing".
struct TKeyModeRow {
  TModeHandler Handler = TModeHandler::None;
  TMapNo Map = kNoMap;
  uint8_t OutOfMapCode = kNoCode;
  std::string_view Prompt;
  std::string_view PromptAlt;
  std::string_view PromptHead;
  std::string_view PromptTail;
};

inline constexpr int kKeyModeCount = ModeNo(TKeyMode::FirstInvalid);

namespace keymodetable {

// A key outside the map gets the map's out-of-map code: the Live and recording maps' note code, so
// that a key the octave shift moves off the map is still played, every other map's ignore code.
constexpr uint8_t OutOfMapCode(TMapNo map) {
  for (const TKeyModeInfo& info : KeyModeInfos)
    if (info.MapNo == map) return info.OutOfMapCode;
  return kNoCode;
}

struct Builder {
  std::array<TKeyModeRow, kKeyModeCount> Rows{};
  std::array<bool, kKeyModeCount> Set{};

  constexpr void Modes(int first, int last, TModeHandler handler, TMapNo map) {
    for (int m = first; m <= last; ++m) {
      Rows[m].Handler = handler;
      Rows[m].Map = map;
      Rows[m].OutOfMapCode = OutOfMapCode(map);
      Set[m] = true;
    }
  }
  constexpr void Text(int mode, std::string_view prompt, std::string_view alt = {},
                      std::string_view head = {}, std::string_view tail = {}) {
    Rows[mode].Prompt = prompt;
    Rows[mode].PromptAlt = alt;
    Rows[mode].PromptHead = head;
    Rows[mode].PromptTail = tail;
  }
  constexpr bool AllSet() const {
    for (bool s : Set)
      if (!s) return false;
    return true;
  }
};

constexpr Builder Build() {
  using H = TModeHandler;
  Builder b;
  b.Modes(0, 0, H::None, kNoMap);
  b.Text(0, "Ignore");
  b.Modes(1, 1, H::Live, MapLive);
  b.Text(1, "Live");
  b.Modes(2, 2, H::Rec, MapRec);
  b.Text(2, "Real-time record", "Raw record");
  b.Modes(3, 3, H::StepRec, MapSRec);
  b.Text(3, "Step record");
  b.Modes(4, 4, H::Command, MapCmd);
  b.Text(4, "Command? ", {}, {}, " (double-press reqd)");
  b.Modes(5, 5, H::RecBarsStop, MapRec);
  b.Text(5, "Record bars:stop-play key?");

  b.Modes(6, 20, H::Tempo, MapRangeN);
  b.Modes(30, 31, H::Tempo, MapRangeN);
  b.Text(6, "Tempo nnnnn?", {}, "Tempo ");
  for (int m : {7, 9, 10}) b.Text(m, {}, {}, "Tempo ");
  b.Text(8, "Tempo nnn, +/- ?", "Tempo nnn, +/-, 3 taps?", "Tempo ");
  for (int m = 11; m <= 20; ++m) b.Text(m, {}, {}, "Tempo sweep ");
  b.Text(30, "Tempo tap 2 of 3");
  b.Text(31, "Tempo tap 3 of 3");

  b.Modes(21, 29, H::Prog, MapRangeN);
  b.Text(21, "Prog nnn, +/- ?", {}, "Prog ");
  b.Text(22, {}, {}, "Prog ", "nn?");
  b.Text(23, {}, {}, "Prog ", "n?");
  b.Text(24, "Prog sweep nnn --> mmm?", "Prog sweep nnn <--> mmm?", "Prog sweep ");
  for (int m = 25; m <= 29; ++m) b.Text(m, {}, {}, "Prog sweep ");

  b.Modes(32, 33, H::Chan, MapRangeN);
  b.Modes(63, 66, H::Chan, MapRangeN);
  b.Text(32, "Channel nn, +/- ?", {}, "Channel ");
  b.Text(33, {}, {}, "Channel ", "n?");
  b.Text(63, "Channel sweep nn --> mm?", "Channel sweep nn <--> mm?");

  b.Modes(34, 35, H::RecBarsNN, MapRangeN);
  b.Text(34, "Record bars:nn?  0=normal rec ", {}, "Record bars:");
  b.Text(35, {}, {}, "Record bars:", "n?  0=normal rec");
  b.Modes(79, 79, H::RecBarsN, MapRangeN);
  b.Text(79, "Record bars:n?  0=normal rec ");

  b.Modes(36, 47, H::Cycle, MapRangeN);
  b.Modes(67, 78, H::Cycle, MapRangeN);
  b.Modes(83, 87, H::Cycle, MapRangeN);
  b.Modes(95, 100, H::Cycle, MapRangeN);
  b.Text(36, "Play cycles:nn?  0=forever");
  b.Text(38, "Mute cycles:nn?  0=forever");
  b.Text(40, "PlayMute cycles:nn, a/b?  0=forever");
  b.Text(67, "PlayMute cycles:pp/mm?  0=forever");
  b.Text(42, "MutePlay cycles:nn, a/b?  0=forever");
  b.Text(71, "MutePlay cycles:mm/pp?  0=forever");
  b.Text(44, "PlayMuteTog cycles:nn, a/b?  0=forever");
  b.Text(75, "PlayMuteTog cycles:pp/mm?  0=forever");
  b.Text(46, "Pitch cycles:nn?  0=reset");
  b.Text(83, "Play cycles:n?  0=forever");
  b.Text(84, "Mute cycles:n?  0=forever");
  b.Text(85, "PlayMute cycles:n, a/b?  0=forever");
  b.Text(95, "PlayMute cycles:p/m?  0=forever");
  b.Text(86, "MutePlay cycles:n, a/b?  0=forever");
  b.Text(97, "MutePlay cycles:m/p?  0=forever");
  b.Text(87, "PlayMuteTog cycles:n, a/b?  0=forever");
  b.Text(99, "PlayMuteTog cycles:p/m?  0=forever");

  b.Modes(48, 55, H::Load, MapRangeN);
  for (int m : {48, 49})
    b.Text(m, "Load all from scene nn, ext?", "Load all from scene nn, +/-, ext?  0=curr");
  for (int m : {50, 51})
    b.Text(m, "Load all from ext scene nn?", "Load all from ext scene nn, +/- ?  0=curr");
  for (int m : {52, 53}) b.Text(m, "Load from scene nn, ext?", "Load from scene nn, +/-, ext?  0=curr");
  for (int m : {54, 55}) b.Text(m, "Load from ext scene nn ?", "Load from ext scene nn, +/- ?  0=curr");
  b.Modes(56, 59, H::Save, MapRangeN);
  for (int m : {56, 57}) b.Text(m, "Save all to scene nn ?", "Save all to scene nn, +/- ?  0=curr");
  for (int m : {58, 59}) b.Text(m, "Save to scene nn ?", "Save to scene nn, +/- ?  0=curr");

  b.Modes(60, 61, H::TempoSlew, MapRangeN);
  b.Text(60, "Tempo slew nn, +/- ?", {}, "Tempo slew ");
  b.Text(61, {}, {}, "Tempo slew ", "n?");
  b.Modes(62, 62, H::TempoDiv, MapQuant);
  b.Text(62, "Tempo clock div 1/n ?");

  b.Modes(80, 80, H::Vel, MapRangeN);
  b.Modes(93, 94, H::Vel, MapRangeN);
  b.Text(80, "Vel n, +/- ?");
  b.Text(93, "Vel sweep n --> m?", "Vel sweep n <--> m?");
  b.Modes(81, 81, H::Part, MapRangeN);
  b.Modes(89, 90, H::Part, MapRangeN);
  b.Text(81, "Part n, +/- ?");
  b.Text(89, "Part sweep n --> m?", "Part sweep n <--> m?");
  b.Modes(82, 82, H::Port, MapRangeN);
  b.Modes(91, 92, H::Port, MapRangeN);
  b.Text(82, "Port n, +/- ?");
  b.Text(91, "Port sweep n --> m?", "Port sweep n <--> m?");
  b.Modes(88, 88, H::PitchCycles, MapRangeN);
  b.Text(88, "Pitch cycles:n?  0=reset");

  b.Modes(101, 101, H::Calibrate, kNoMap);
  b.Text(101, {}, {}, "Press live Cmd key (", ")");
  b.Modes(102, 102, H::Hotkey, MapHotkey);
  b.Text(102, "Hotkey  n?");
  b.Modes(103, 103, H::Pitch, MapPitch);
  b.Text(103, "Pitch offset n?", {}, "Pitch:", " offset n?");
  b.Modes(104, 105, H::TimeSig, MapTSig);
  b.Text(104, "Time signature n/m?");
  b.Text(105, {}, {}, "Time signature ", "/m?");
  b.Modes(106, 109, H::TimeShift, MapTShift);
  b.Text(106, "Time shift fwds n x 1/n?", "Time shift fwds  rept n x 1/n?");
  b.Text(107, {}, {}, "Time shift fwds ", " x 1/n?");
  b.Text(108, "Time shift back n x 1/n?", "Time shift back  rept n x 1/n?");
  b.Text(109, {}, {}, "Time shift back ", " x 1/n?");
  b.Modes(110, 110, H::FtsRoot, MapFtsRoot);
  b.Text(110, "Fts root n?");
  b.Modes(111, 111, H::FtsType, MapFtsType);
  b.Text(111, {}, {}, "Fts ", " type n?  curr=unchanged");
  b.Modes(112, 112, H::Ftn, MapFtn);
  b.Text(112, "Ftn notes n..n?");
  b.Modes(113, 114, H::Quant, MapQuant);
  b.Text(113, "Quantise notes 1/n?  0=off");
  b.Text(114, {}, "Quantise nq off, sq 1/n?  0=curr", "Quantise nq 1/", ", sq 1/n?  0=curr");
  b.Modes(115, 116, H::MetrNote, MapMetr);
  b.Text(115, "Metr basic bar note?");
  b.Text(116, {}, {}, "Metr basic bar ", ", beat note?");
  b.Modes(117, 117, H::MetrNoteLen, MapTSig);
  b.Text(117, {}, {}, "Metr basic ", ", length 1/n?");
  b.Modes(118, 121, H::MetrStyle, MapRangeN);
  b.Text(118, "Metr style nnnn/nn, +/- ?  99=random", {}, "Metr style ");
  for (int m = 119; m <= 121; ++m) b.Text(m, {}, {}, "Metr style ");
  return b;
}

}  // namespace keymodetable

static_assert(keymodetable::Build().AllSet(), "every key mode 0..121 needs its row");

inline constexpr std::array<TKeyModeRow, kKeyModeCount> KeyModeTable = keymodetable::Build().Rows;

// The row of a mode; 122 and above are no mode and are routed as the inactive one.
constexpr const TKeyModeRow& KeyModeRow(TKeyMode mode) {
  return ModeNo(mode) < kKeyModeCount ? KeyModeTable[ModeNo(mode)] : KeyModeTable[0];
}

}  // namespace vel
