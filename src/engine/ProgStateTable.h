#pragma once
// What the main window offers in each program state: which controls show, which are enabled,
// their captions and hints. A pure function of the state and the settings; the main window applies
// the result (RunHooks.ApplyProgState) and SetProgState stores the state.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "base/Sizes.h"
#include "engine/ProgState.h"

namespace vel {

// One control's new state; a member left empty stays as it is.
struct TCtlState {
  std::optional<bool> Shown;
  std::optional<bool> Enabled;
  std::optional<std::string> Caption;
  std::optional<std::string> Hint;
  std::optional<std::string> Text;  // a combo's text; empty for no selection
  bool operator==(const TCtlState&) const = default;
};

// The run-time controls of one seq row (created by the main window per seq in use).
struct TSeqRowCtls {
  // Editing controls (Config).
  TCtlState PartNoCombo, ChanCombo, ProgCombo, SVelCombo, PortCombo, MutedCheck, PitchLockCheck;
  // Value labels (Running).
  TCtlState PartNoLabel, ChanLabel, ProgLabel, PortLabel, SVelLabel, PitchLabel, ScaleLabel;
  // Shown in both states.
  TCtlState TransLabel, TimeShiftMark, TempoDivLabel, ActivityLight;
  bool operator==(const TSeqRowCtls&) const = default;
};

// Where lblTempoIntLSB goes: right-aligned to lblvTempoInt's right edge (Running) or with its left
// edge at cboTempoIntLSB (Config).
enum class TLsbAlign : uint8_t { Unchanged, RightOfTempoInt, AtCombo };

struct TProgStateInputs {
  bool StandardMode = true;  // the full screen, not the novice one
  int32_t InPortsAllocated = -1;
  int32_t OutPortsAllocated = -1;
  bool MetrSeqSet = false;  // a metronome seq is set
  bool DspScale = true;
  bool DspTempoDiv = true;
  bool DspMidiActivity = true;
  // From the main window: input port 2's name label is visible, chkAuxInPortReqd is checked.
  bool InPort1NameVisible = false;
  bool AuxInPortReqdChecked = false;
  int32_t LivePort = -1;
  int32_t LiveChan = 0;  // of the live port, 0-based
  int32_t LiveSVel = 5;
  int32_t LastSeq = 3;  // seq rows in use 0..LastSeq
};

struct TProgStateView {
  bool Valid = false;  // false above Config: nothing is to change
  // Designed controls and menu items by name. cboClocksExtPNos, lblClocksExtPNos and
  // chkIgnoreDriverTStamps are the timing window's, applied while it shows.
  std::map<std::string, TCtlState> Controls;
  // Seq rows 0..LastSeq; rows beyond are left alone. While Initialising every run-time control of these
  // rows is hidden (HideSeqRows), not only those named here.
  std::array<TSeqRowCtls, kSeqs> SeqRows{};
  bool HideSeqRows = false;
  // The wait message: shown with this text, hidden, or left.
  std::optional<std::string> WaitMessage;
  bool HideWaitMessage = false;
  std::optional<bool> AcceptDroppedFiles;
  // UpdateMetrControls (running) and ShowTarloControls (show), when to be called.
  std::optional<bool> UpdateMetrControls;
  std::optional<bool> ShowTarloControls;
  TLsbAlign TempoIntLsbAlign = TLsbAlign::Unchanged;
};

inline constexpr const char* kControlHintRun =
    "Start running & processing MIDI input data; this is the normal state of Vellorine";
inline constexpr const char* kControlHintStop =
    "Stop & return to config mode; all sequences will stop & MIDI input will be ignored";

TProgStateView ProgStateControls(TProgState state, const TProgStateInputs& in);

// The inputs as the settings and the engine hold them now; the main window sets its own two.
TProgStateInputs CurrentProgStateInputs();

}  // namespace vel
