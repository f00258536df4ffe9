#pragma once
// The control group's view model: program state line, key-mode prompt and its colour, the live
// row, the metronome group's time signature and quantise values, the title panel and the live
// light. Pure: built from the status snapshot, the settings and the flash phase.
#include <cstdint>
#include <string>

#include "mainwindow/StatusModel.h"
#include "mainwindow/StatusSnapshot.h"
#include "settings/Settings.h"

namespace vel {

// The prompt font when the input colours are off: blue in $00BBGGRR.
inline constexpr TColor kPromptBlue = 0xFF0000;

struct TProgStateLine {
  std::string Text;
  TColor Colour = clDefault;
  std::string Error;  // "UpdateDspStatus-1 error: Invalid ProgState"
};
// diagOn: diagnostics on; tracing: input or output tracing on; keyMapper: its window shows.
TProgStateLine ProgStateLine(uint8_t state, int8_t inPorts, int8_t outPorts, bool diagOn, bool tracing,
                             bool keyMapper, const TCfg& cfg);

struct TPrompt {
  std::string Text;
  TColor Mode = clDefault;  // the mode colour M
  std::string Error;        // "UpdateDspStatus-2 error: Invalid KeyMode"
};
TPrompt KeyModePrompt(const TStatusSnapshot& snap, const TCfg& cfg, const std::string& calibPrompt);

struct TControlView {
  TText TSig, QuantN, QuantS;
  bool QuantNoteOffsVisible = false;
  TText ProgState;
  TText KeyMode;         // lblvKeyMode: text, font colour
  TColor KeyModeBg = 0;  // its background
  TText KeyModeCaption;  // lblKeyMode: "Held -", "Retake -", "Input -"
  TColor ControlFont = 0;
  TColor TitlePanel = 0;
  TColor LiveLight = 0;
  std::string Live1;  // "Live", "Live->", "->Live"
  TColor Live12Colour = 0;
  TColor LivePanel = 0;
  bool LivePortSet = false;
  TText LivePort, LiveChan, LiveProg, LiveSVel, LivePitch, LiveTrans, LiveTDiv, LiveScale;
  std::vector<std::string> Errors;
};
void BuildControlView(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, bool diagOn, bool tracing,
                      bool keyMapper, const std::string& calibPrompt, TControlView& view);

// One warning per loss of the external clock: true when the loss is new. told is the latch,
// re-armed once clocks come again.
bool ClockLossIsNew(bool lost, bool switchToInternal, bool& told);

// "No MIDI clocks from input P" + n + "; switching to internal clock source".
std::string ClockLossText(int32_t extPortNo);

}  // namespace vel
