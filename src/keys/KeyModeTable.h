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
#include "keys/Commands.h"
#include "keys/CycleKeys.h"
#include "keys/LiveKeys.h"
#include "keys/ModeKey.h"
#include "keys/NumericEntry.h"
#include "keys/ScaleKeys.h"
#include "keys/SceneKeys.h"
#include "keys/StyleKeys.h"
#include "keys/TimeKeys.h"

namespace vel {

// Who takes the keys of a mode. The argument handlers take only note-ons, with the mode's code;
// the router takes the first five and Ftn itself.
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
  Calibrate,    // HandleCalibrateModeKey, with the note itself
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
  Count
};

// The argument handlers by who takes the keys; the modes the router takes itself have none.
// Given says which are set: a function's address may not be compared with null at compile time
// (sanitizer builds refuse it), so the table check reads Given.
struct TModeKeyFns {
  std::array<TModeKeyFn, static_cast<std::size_t>(TModeHandler::Count)> Fns{};
  std::array<bool, static_cast<std::size_t>(TModeHandler::Count)> Given{};
};
inline constexpr TModeKeyFns kModeKeyFns = [] {
  using H = TModeHandler;
  TModeKeyFns fns{};
  auto set = [&fns](H h, TModeKeyFn fn) {
    fns.Fns[static_cast<std::size_t>(h)] = fn;
    fns.Given[static_cast<std::size_t>(h)] = true;
  };
  set(H::Command, &ExecCommandKey);
  set(H::RecBarsStop, &HandleRecBarsStopKey);
  set(H::Tempo, &HandleTempoModeKey);
  set(H::Prog, &HandleProgModeKey);
  set(H::Chan, &HandleChanModeKey);
  set(H::RecBarsNN, &HandleRecBarsNNModeKey);
  set(H::RecBarsN, &HandleRecBarsNModeKey);
  set(H::Cycle, &HandleCycleModeKey);
  set(H::PitchCycles, &HandlePitchCyclesModeKey);
  set(H::Load, &HandleLoadModeKey);
  set(H::Save, &HandleSaveModeKey);
  set(H::TempoSlew, &HandleTempoSlewModeKey);
  set(H::TempoDiv, &HandleTempoDivModeKey);
  set(H::Vel, &HandleVelModeKey);
  set(H::Part, &HandlePartModeKey);
  set(H::Port, &HandlePortModeKey);
  set(H::Calibrate, &HandleCalibrateModeKey);
  set(H::Hotkey, &HandleHotkeyModeKey);
  set(H::Pitch, &HandlePitchModeKey);
  set(H::TimeSig, &HandleTimeSigModeKey);
  set(H::TimeShift, &HandleTimeShiftModeKey);
  set(H::FtsRoot, &HandleFtsRootModeKey);
  set(H::FtsType, &HandleFtsTypeModeKey);
  set(H::Quant, &HandleQuantModeKey);
  set(H::MetrNote, &HandleMetrNoteModeKey);
  set(H::MetrNoteLen, &SetMetrBarBeat);
  set(H::MetrStyle, &HandleMetrStyleModeKey);
  return fns;
}();

// The router takes these modes' keys itself, note-offs and raw notes included.
constexpr bool RoutedItself(TModeHandler h) {
  using H = TModeHandler;
  return h == H::None || h == H::Live || h == H::Rec || h == H::StepRec || h == H::Ftn;
}

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
  TModeKeyFn Key = nullptr;  // the argument handler of a note-on; none where RoutedItself
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
  std::array<int, kKeyModeCount> Set{};  // how often each mode was given its row

  constexpr void Modes(TModeSteps steps, TModeHandler handler, TMapNo map) {
    for (int m = steps.First; m <= steps.Last; ++m) {
      Rows[m].Handler = handler;
      Rows[m].Key = kModeKeyFns.Fns[static_cast<std::size_t>(handler)];
      Rows[m].Map = map;
      Rows[m].OutOfMapCode = OutOfMapCode(map);
      ++Set[m];
    }
  }
  constexpr void Modes(TKeyMode mode, TModeHandler handler, TMapNo map) {
    Modes(StepsOf(mode), handler, map);
  }
  constexpr void Text(int mode, std::string_view prompt, std::string_view alt = {},
                      std::string_view head = {}, std::string_view tail = {}) {
    Rows[mode].Prompt = prompt;
    Rows[mode].PromptAlt = alt;
    Rows[mode].PromptHead = head;
    Rows[mode].PromptTail = tail;
  }
  constexpr void Text(TKeyMode mode, std::string_view prompt, std::string_view alt = {},
                      std::string_view head = {}, std::string_view tail = {}) {
    Text(ModeNo(mode), prompt, alt, head, tail);
  }
  // Every mode has its row, and from one name only; every mode the router does not take itself
  // has its handler.
  constexpr bool AllSetOnce() const {
    for (int s : Set)
      if (s != 1) return false;
    for (const TKeyModeRow& row : Rows)
      if (RoutedItself(row.Handler) == kModeKeyFns.Given[static_cast<std::size_t>(row.Handler)]) return false;
    return true;
  }
};

using H = TModeHandler;
using M = TKeyMode;
namespace km = keymode;

// The modes below the argument modes, and the record-bars stop key.
constexpr void BuildBase(Builder& b) {
  b.Modes(M::Inactive, H::None, kNoMap);
  b.Text(M::Inactive, "Ignore");
  b.Modes(M::Live, H::Live, MapLive);
  b.Text(M::Live, "Live");
  b.Modes(M::Record, H::Rec, MapRec);
  b.Text(M::Record, "Real-time record", "Raw record");
  b.Modes(M::StepRecord, H::StepRec, MapSRec);
  b.Text(M::StepRecord, "Step record");
  b.Modes(M::Command, H::Command, MapCmd);
  b.Text(M::Command, "Command? ", {}, {}, " (double-press reqd)");
  b.Modes(M::RecBarsStop, H::RecBarsStop, MapRec);
  b.Text(M::RecBarsStop, "Record bars:stop-play key?");
}

// Tempo, program and channel: values and sweeps of several places.
constexpr void BuildDigitEntries(Builder& b) {
  for (TModeSteps s : {km::TempoValue, km::TempoFrom, km::TempoTo, km::TempoTaps})
    b.Modes(s, H::Tempo, MapRangeN);
  b.Text(km::TempoValue.First, "Tempo nnnnn?", {}, "Tempo ");
  for (int m = km::TempoValue.First + 1; m <= km::TempoValue.Last; ++m) b.Text(m, {}, {}, "Tempo ");
  b.Text(M::Tempo, "Tempo nnn, +/- ?", "Tempo nnn, +/-, 3 taps?", "Tempo ");
  for (int m = km::TempoFrom.First; m <= km::TempoTo.Last; ++m) b.Text(m, {}, {}, "Tempo sweep ");
  b.Text(km::TempoTaps.First, "Tempo tap 2 of 3");
  b.Text(km::TempoTaps.Last, "Tempo tap 3 of 3");

  for (TModeSteps s : {km::ProgValue, km::ProgFrom, km::ProgTo}) b.Modes(s, H::Prog, MapRangeN);
  b.Text(M::Prog, "Prog nnn, +/- ?", {}, "Prog ");
  b.Text(km::ProgValue.First + 1, {}, {}, "Prog ", "nn?");
  b.Text(km::ProgValue.First + 2, {}, {}, "Prog ", "n?");
  b.Text(km::ProgFrom.First, "Prog sweep nnn --> mmm?", "Prog sweep nnn <--> mmm?", "Prog sweep ");
  for (int m = km::ProgFrom.First + 1; m <= km::ProgTo.Last; ++m) b.Text(m, {}, {}, "Prog sweep ");

  for (TModeSteps s : {km::ChanValue, km::ChanFrom, km::ChanTo}) b.Modes(s, H::Chan, MapRangeN);
  b.Text(M::Chan, "Channel nn, +/- ?", {}, "Channel ");
  b.Text(km::ChanValue.Last, {}, {}, "Channel ", "n?");
  b.Text(km::ChanFrom.First, "Channel sweep nn --> mm?", "Channel sweep nn <--> mm?");
}

// Bars to record and the cycle counts.
constexpr void BuildCounts(Builder& b) {
  b.Modes(km::RecBarsNN, H::RecBarsNN, MapRangeN);
  b.Text(M::RecBarsNN, "Record bars:nn?  0=normal rec ", {}, "Record bars:");
  b.Text(km::RecBarsNN.Last, {}, {}, "Record bars:", "n?  0=normal rec");
  b.Modes(M::RecBarsN, H::RecBarsN, MapRangeN);
  b.Text(M::RecBarsN, "Record bars:n?  0=normal rec ");

  for (TModeSteps s : {km::PlayCyclesNN, km::MuteCyclesNN, km::PlayMuteNN, km::MutePlayNN, km::PlayMuteTogNN,
                       km::PlayMuteSepNN, km::MutePlaySepNN, km::PlayMuteTogSepNN, km::PlayMuteSepN,
                       km::MutePlaySepN, km::PlayMuteTogSepN})
    b.Modes(s, H::Cycle, MapRangeN);
  for (M m : {M::PlayCyclesN, M::MuteCyclesN, M::PlayMuteN, M::MutePlayN, M::PlayMuteTogN})
    b.Modes(m, H::Cycle, MapRangeN);
  b.Modes(km::PitchCyclesNN, H::Cycle, MapRangeN);
  b.Text(M::PlayCyclesNN, "Play cycles:nn?  0=forever");
  b.Text(M::MuteCyclesNN, "Mute cycles:nn?  0=forever");
  b.Text(M::PlayMuteNN, "PlayMute cycles:nn, a/b?  0=forever");
  b.Text(km::PlayMuteSepNN.First, "PlayMute cycles:pp/mm?  0=forever");
  b.Text(M::MutePlayNN, "MutePlay cycles:nn, a/b?  0=forever");
  b.Text(km::MutePlaySepNN.First, "MutePlay cycles:mm/pp?  0=forever");
  b.Text(M::PlayMuteTogNN, "PlayMuteTog cycles:nn, a/b?  0=forever");
  b.Text(km::PlayMuteTogSepNN.First, "PlayMuteTog cycles:pp/mm?  0=forever");
  b.Text(M::PitchCyclesNN, "Pitch cycles:nn?  0=reset");
  b.Text(M::PlayCyclesN, "Play cycles:n?  0=forever");
  b.Text(M::MuteCyclesN, "Mute cycles:n?  0=forever");
  b.Text(M::PlayMuteN, "PlayMute cycles:n, a/b?  0=forever");
  b.Text(km::PlayMuteSepN.First, "PlayMute cycles:p/m?  0=forever");
  b.Text(M::MutePlayN, "MutePlay cycles:n, a/b?  0=forever");
  b.Text(km::MutePlaySepN.First, "MutePlay cycles:m/p?  0=forever");
  b.Text(M::PlayMuteTogN, "PlayMuteTog cycles:n, a/b?  0=forever");
  b.Text(km::PlayMuteTogSepN.First, "PlayMuteTog cycles:p/m?  0=forever");
  b.Modes(M::PitchCyclesN, H::PitchCycles, MapRangeN);
  b.Text(M::PitchCyclesN, "Pitch cycles:n?  0=reset");
}

// Scenes, tempo slew and divider, velocity, part and port.
constexpr void BuildSmallEntries(Builder& b) {
  // Both digits of a scene entry show its text.
  struct TSceneText {
    TModeSteps Steps;
    std::string_view Prompt, Alt;
  };
  for (const TSceneText& t : {
           TSceneText{km::LoadAll, "Load all from scene nn, ext?",
                      "Load all from scene nn, +/-, ext?  0=curr"},
           TSceneText{km::LoadAllExt, "Load all from ext scene nn?",
                      "Load all from ext scene nn, +/- ?  0=curr"},
           TSceneText{km::LoadSel, "Load from scene nn, ext?", "Load from scene nn, +/-, ext?  0=curr"},
           TSceneText{km::LoadSelExt, "Load from ext scene nn ?", "Load from ext scene nn, +/- ?  0=curr"},
           TSceneText{km::SaveAll, "Save all to scene nn ?", "Save all to scene nn, +/- ?  0=curr"},
           TSceneText{km::SaveSel, "Save to scene nn ?", "Save to scene nn, +/- ?  0=curr"},
       }) {
    b.Modes(t.Steps, IsLoadMode(t.Steps.Mode()) ? H::Load : H::Save, MapRangeN);
    for (int m = t.Steps.First; m <= t.Steps.Last; ++m) b.Text(m, t.Prompt, t.Alt);
  }

  b.Modes(km::TempoSlew, H::TempoSlew, MapRangeN);
  b.Text(M::TempoSlew, "Tempo slew nn, +/- ?", {}, "Tempo slew ");
  b.Text(km::TempoSlew.Last, {}, {}, "Tempo slew ", "n?");
  b.Modes(M::TempoDiv, H::TempoDiv, MapQuant);
  b.Text(M::TempoDiv, "Tempo clock div 1/n ?");

  b.Modes(M::Vel, H::Vel, MapRangeN);
  b.Modes(km::VelSweep, H::Vel, MapRangeN);
  b.Text(M::Vel, "Vel n, +/- ?");
  b.Text(km::VelSweep.First, "Vel sweep n --> m?", "Vel sweep n <--> m?");
  b.Modes(M::Part, H::Part, MapRangeN);
  b.Modes(km::PartSweep, H::Part, MapRangeN);
  b.Text(M::Part, "Part n, +/- ?");
  b.Text(km::PartSweep.First, "Part sweep n --> m?", "Part sweep n <--> m?");
  b.Modes(M::Port, H::Port, MapRangeN);
  b.Modes(km::PortSweep, H::Port, MapRangeN);
  b.Text(M::Port, "Port n, +/- ?");
  b.Text(km::PortSweep.First, "Port sweep n --> m?", "Port sweep n <--> m?");
}

// The modes that read the note and time maps.
constexpr void BuildNoteModes(Builder& b) {
  b.Modes(M::Calibrate, H::Calibrate, kNoMap);
  b.Text(M::Calibrate, {}, {}, "Press live Cmd key (", ")");
  b.Modes(M::Hotkey, H::Hotkey, MapHotkey);
  b.Text(M::Hotkey, "Hotkey  n?");
  b.Modes(M::Pitch, H::Pitch, MapPitch);
  b.Text(M::Pitch, "Pitch offset n?", {}, "Pitch:", " offset n?");
  b.Modes(km::TimeSig, H::TimeSig, MapTSig);
  b.Text(M::TimeSigBeats, "Time signature n/m?");
  b.Text(M::TimeSigBeatLen, {}, {}, "Time signature ", "/m?");
  b.Modes(km::TimeShiftFwd, H::TimeShift, MapTShift);
  b.Modes(km::TimeShiftBack, H::TimeShift, MapTShift);
  b.Text(M::TimeShiftFwd, "Time shift fwds n x 1/n?", "Time shift fwds  rept n x 1/n?");
  b.Text(km::TimeShiftFwd.Last, {}, {}, "Time shift fwds ", " x 1/n?");
  b.Text(M::TimeShiftBack, "Time shift back n x 1/n?", "Time shift back  rept n x 1/n?");
  b.Text(km::TimeShiftBack.Last, {}, {}, "Time shift back ", " x 1/n?");
  b.Modes(M::FtsRoot, H::FtsRoot, MapFtsRoot);
  b.Text(M::FtsRoot, "Fts root n?");
  b.Modes(M::FtsType, H::FtsType, MapFtsType);
  b.Text(M::FtsType, {}, {}, "Fts ", " type n?  curr=unchanged");
  b.Modes(M::Ftn, H::Ftn, MapFtn);
  b.Text(M::Ftn, "Ftn notes n..n?");
  b.Modes(km::Quant, H::Quant, MapQuant);
  b.Text(M::QuantNotes, "Quantise notes 1/n?  0=off");
  b.Text(M::QuantSeq, {}, "Quantise nq off, sq 1/n?  0=curr", "Quantise nq 1/", ", sq 1/n?  0=curr");
  b.Modes(km::MetrNote, H::MetrNote, MapMetr);
  b.Text(M::MetrBarNote, "Metr basic bar note?");
  b.Text(M::MetrBeatNote, {}, {}, "Metr basic bar ", ", beat note?");
  b.Modes(M::MetrNoteLen, H::MetrNoteLen, MapTSig);
  b.Text(M::MetrNoteLen, {}, {}, "Metr basic ", ", length 1/n?");
  b.Modes(km::MetrStyle, H::MetrStyle, MapRangeN);
  b.Text(M::MetrStyle, "Metr style nnnn/nn, +/- ?  99=random", {}, "Metr style ");
  for (int m = km::MetrStyle.First + 1; m <= km::MetrStyle.Last; ++m) b.Text(m, {}, {}, "Metr style ");
}

constexpr Builder Build() {
  Builder b;
  BuildBase(b);
  BuildDigitEntries(b);
  BuildCounts(b);
  BuildSmallEntries(b);
  BuildNoteModes(b);
  return b;
}

}  // namespace keymodetable

// The names cover every mode number 0..121 once: no number without a name, none named twice.
static_assert(keymodetable::Build().AllSetOnce(), "every key mode 0..121 needs one row and its handler");

inline constexpr std::array<TKeyModeRow, kKeyModeCount> KeyModeTable = keymodetable::Build().Rows;

// The row of a mode; 122 and above are no mode and are routed as the inactive one.
constexpr const TKeyModeRow& KeyModeRow(TKeyMode mode) {
  return ModeNo(mode) < kKeyModeCount ? KeyModeTable[ModeNo(mode)] : KeyModeTable[0];
}

}  // namespace vel
