#pragma once
// The rules behind the main window's Action, View, Kinetrace and Windows menus: the captions and
// short-cuts that follow "Disable qwerty controls", the calibrate prompt's texts, the Kinetrace's
// cyclic steps and panel clicks, the background image's next and previous file, and the window
// geometry of the width and height toggles. Pure: the form applies the results. The last section
// is the menus' work on the engine's data; each of its procedures takes EngineLock itself and must
// be called without it (GUI thread, but for RecBarCountDonePost).
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// ---- Action menu ----

// A menu item's caption and short-cut ("" none) taken from its button's caption: with the qwerty
// controls disabled, "&" + caption and no short-cut; else the caption and Ctrl + its first letter.
struct TMenuCaption {
  std::string Caption;
  std::string ShortCut;
  bool operator==(const TMenuCaption&) const = default;
};
TMenuCaption MenuCaptionFromButton(const std::string& buttonCaption, bool qwertyDisabled);

// The question before a stop to Config; the stuck-notes advice only while a seq plays.
std::string StopQuestionText(bool seqPlaying);

// The error box when starting to run threw.
std::string StartRunningErrorText(const std::string& what);

// The calibrate button's caption and hint, prompting or not; liveCmdKey is input 1's live Cmd key.
struct TCalibPromptView {
  std::string Caption;
  std::string Hint;
  bool operator==(const TCalibPromptView&) const = default;
};
TCalibPromptView CalibPromptView(bool prompting, int32_t liveCmdKey);

// ---- Kinetrace ----

enum class TKinetraceValue : uint8_t { Shape, Size, Decay, Tail, Style };

struct TStepRange {
  int32_t Lo = 1;
  int32_t Hi = 1;
};
TStepRange KinetraceRange(TKinetraceValue v);

// One step up or down through lo..hi, wrapping at the ends. A value outside the range (a hand-edited
// settings file) enters it at the end the step moves towards.
int32_t StepCyclic(int32_t value, TStepRange range, bool inc);

// What a click on the Kinetrace panel does, by button and modifiers.
enum class TKinetraceClick : uint8_t { Step, Posn, CycleBackground, ShuffleColours, None };
struct TKinetraceClickAction {
  TKinetraceClick Kind = TKinetraceClick::None;
  TKinetraceValue Value = TKinetraceValue::Shape;
  bool Inc = false;
  bool operator==(const TKinetraceClickAction&) const = default;
};
// Right clicks increase, left clicks decrease; Alt shape, Shift size, Ctrl decay, Ctrl+Alt tail,
// Shift+Alt style, Shift+Ctrl position; no modifier: right cycles the background, left shuffles.
TKinetraceClickAction KinetraceClickAction(bool right, bool shift, bool ctrl, bool alt);

// ---- background image ----

// The file after (or before) current in its folder: names (without folder) of the folder's files,
// in any order. Only names with current's extension (either case) count, taken in name order,
// wrapping at the ends. Empty when current is not among them or stands alone.
std::string StepImageName(const std::string& current, std::vector<std::string> names, bool next);

// The error box of an image that cannot be loaded.
std::string ImageLoadErrorText(const std::string& why);

// ---- window geometry ----

// The width toggle: narrower than the screen goes to the full screen width at left 0; otherwise
// the normal width, centred.
struct TSpan {
  int32_t Left = 0;
  int32_t Width = 0;
  bool operator==(const TSpan&) const = default;
};
TSpan ToggleMainWidth(int32_t width, int32_t screenWidth, int32_t normalWidth);

// The height toggle: from the reduced height to the full, from anything else to the reduced.
int32_t ToggleMainHeight(int32_t clientHeight, int32_t fullHeight, int32_t reducedHeight);

// The resize rule: taller than full is cut back, but for a Kinetrace over the whole height (22).
int32_t ResizedClientHeight(int32_t clientHeight, int32_t fullHeight, bool dspKinetrace, int32_t posn);

// What the lower part of the window shows at a client height.
struct TLowerControls {
  bool GroupsAndStatus = false;
  bool Kinetrace = false;
  bool operator==(const TLowerControls&) const = default;
};
TLowerControls LowerControlsVisible(int32_t clientHeight, int32_t fullHeight, bool dspKinetrace,
                                    int32_t posn);

// Where "Centre all windows" puts a window of this size (at least 50 by 50).
struct TPlace {
  int32_t Left = 0;
  int32_t Top = 0;
  bool operator==(const TPlace&) const = default;
};
TPlace CentredPlace(int32_t width, int32_t height, int32_t screenWidth, int32_t screenHeight);

// ---- the engine's side ----

// The timer thread's end of a record-bar count (EngineHooks.RecBarCountDone, filled at start-up):
// counts, then wakes the GUI thread through the event counter set below (-1 none) to replay the
// held key.
void RecBarCountDonePost();
void SetRecBarPostFd(int fd);

// The calibrate prompt's request: cleared, or toggled.
void ClearCalibratePending();
void ToggleCalibratePending();
// The key mode follows the request: calibrating while it stands, else back to live mode (running)
// or inactive when it was calibrating. True while prompting.
bool ApplyCalibratePending();

// A Kinetrace setting one cyclic step on; false for a value that names none.
bool StepKinetraceSetting(TKinetraceValue value, bool inc);
// On, the note counts start afresh.
void SetDspKinetrace(bool on);

}  // namespace vel
