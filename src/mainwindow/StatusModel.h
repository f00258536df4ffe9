#pragma once
// The status display's view model: the flash clock every blinking element shares, the status
// bar's alert, and each seq row's texts, colours and visibility, built from a snapshot by pure
// functions. The form applies what differs from what it applied last.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Sizes.h"
#include "mainwindow/StatusSnapshot.h"
#include "settings/Settings.h"

namespace vel {

// One label as the display draws it.
struct TText {
  std::string Text;
  TColor Colour = clDefault;
  bool Bold = false;
  bool Enabled = true;
  bool Visible = true;
  bool operator==(const TText&) const = default;
};

// Blinking elements show 400 ms and go dark 100 ms. Restarted on, 400 ms left, whenever the
// status timer is switched on.
struct TFlashClock {
  bool On = true;
  int32_t MsLeft = 400;
};
// One tick of intervalMs; true when the phase flipped.
bool StepFlashClock(TFlashClock& clock, int32_t intervalMs);

// One tick of the status bar's alert while running. Colour and text are set only where given.
struct TAlertStep {
  std::optional<TColor> Colour;
  std::optional<std::string> Text;
  int32_t Time = 0;   // the alert's start time to keep
  bool Done = false;  // the alert is over: pending cleared, its text emptied, time 0
};
TAlertStep StepAlert(int32_t time, int32_t now, bool flashOn, const std::string& text, const TCfg& cfg);

// "+0", "+5", "-3".
std::string SignedText(int32_t v);

// The flash rule: which side of a value shows, with its sweep mark and colour.
struct TFlashPick {
  bool Active = true;
  std::string Mark;  // "<" / ">" on a sweeping active value, "^" on a sweeping pending one
  TColor Colour = clDefault;
};
TFlashPick FlashRule(bool equal, bool flashOn, bool sweep, bool actAtLeastPend, TSeqState state,
                     TColor rowColour, TColor pendColour);

// The State column, with "UpdateDspStatus-3 error: Invalid SeqState" in error for a bad state.
TText SeqStateText(const TSeqSnap& seq, uint8_t rawState, bool flashOn, bool recBarCountOn,
                   int32_t recBarCount, const TCfg& cfg, std::string& error);

struct TSeqLightView {
  TColor Colour = 0;
  bool Large = false;
  bool operator==(const TSeqLightView&) const = default;
};

struct TSeqRowView {
  TColor Panel = 0;
  TText PartNo, SeqNo, State, Pitch, Scale, Trans, Len, TDiv, TimeShift, SVel;
  TColor SeqNoBg = 0;
  // Left as they are when no output port is allocated or the part has no port.
  std::optional<TText> Port, Chan, Prog;
  TSeqLightView Light;
};

struct TStatusView {
  std::array<TSeqRowView, kSeqs> Rows{};
  int32_t LastRow = -1;
  // Metronome style captions.
  std::string MetrStyleName, MetrStylePatNo;
  // Design errors found while building, to report.
  std::vector<std::string> Errors;
};

void BuildStatusView(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, TStatusView& view);

}  // namespace vel
