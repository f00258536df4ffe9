#include "mainwindow/ViewMenus.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>

#include "base/EngineLock.h"
#include "base/General.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/RunControl.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "settings/Settings.h"

namespace vel {

TMenuCaption MenuCaptionFromButton(const std::string& buttonCaption, bool qwertyDisabled) {
  if (qwertyDisabled) return {"&" + buttonCaption, ""};
  if (buttonCaption.empty()) return {"", ""};
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(buttonCaption[0])));
  return {buttonCaption, std::string("Ctrl+") + first};
}

std::string StopQuestionText(bool seqPlaying) {
  std::string text = "About to stop processing MIDI & return to config mode, ok?";
  if (seqPlaying) text += "\r\nPlease stop all seqs first to reduce chance of stuck notes";
  return text;
}

std::string StartRunningErrorText(const std::string& what) {
  return what +
         "\r\n\r\nPlease report this error with what you were doing when it happened.\r\n"
         "Include your config file and diagnostics log if possible";
}

TCalibPromptView CalibPromptView(bool prompting, int32_t liveCmdKey) {
  if (prompting)
    return {"Press live Cmd key", "Press the live Cmd key (must be any " + PitchClassName(liveCmdKey) +
                                      " key) on your MIDI keyboard to recalibrate octave offset"};
  return {"Calibrate Cmd key",
          "Align live cmd key to your current keyboard octave setting (can also use run-time calib command)"};
}

TStepRange KinetraceRange(TKinetraceValue v) {
  switch (v) {
    case TKinetraceValue::Shape:
      return {1, 4};
    case TKinetraceValue::Size:
      return {1, 6};
    case TKinetraceValue::Decay:
      return {1, 4};
    case TKinetraceValue::Tail:
      return {1, 9};
    case TKinetraceValue::Style:
      return {1, 2};
  }
  return {1, 1};
}

int32_t StepCyclic(int32_t value, TStepRange range, bool inc) {
  if (value < range.Lo || value > range.Hi) return inc ? range.Lo : range.Hi;
  if (inc) return value == range.Hi ? range.Lo : value + 1;
  return value == range.Lo ? range.Hi : value - 1;
}

TKinetraceClickAction KinetraceClickAction(bool right, bool shift, bool ctrl, bool alt) {
  using V = TKinetraceValue;
  auto step = [right](V v) { return TKinetraceClickAction{TKinetraceClick::Step, v, right}; };
  if (shift && ctrl && alt) return {};
  if (shift && ctrl) return {TKinetraceClick::Posn, V::Shape, right};
  if (shift && alt) return step(V::Style);
  if (ctrl && alt) return step(V::Tail);
  if (alt) return step(V::Shape);
  if (shift) return step(V::Size);
  if (ctrl) return step(V::Decay);
  return {right ? TKinetraceClick::CycleBackground : TKinetraceClick::ShuffleColours, V::Shape, right};
}

namespace {

std::string LowerExt(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

std::string StepImageName(const std::string& current, std::vector<std::string> names, bool next) {
  const std::string ext = LowerExt(current);
  std::erase_if(names, [&ext](const std::string& n) { return LowerExt(n) != ext; });
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  const auto at = std::find(names.begin(), names.end(), current);
  if (at == names.end() || names.size() < 2) return {};
  const std::size_t i = static_cast<std::size_t>(at - names.begin());
  const std::size_t n = names.size();
  return names[next ? (i + 1) % n : (i + n - 1) % n];
}

std::string ImageLoadErrorText(const std::string& why) {
  return "Unable to load image - " + why + "\r\n" +
         "Maybe file is not a valid image or this image format cannot be handled";
}

TSpan ToggleMainWidth(int32_t width, int32_t screenWidth, int32_t normalWidth) {
  if (width < screenWidth) return {0, screenWidth};
  return {(screenWidth - normalWidth) / 2, normalWidth};
}

int32_t ToggleMainHeight(int32_t clientHeight, int32_t fullHeight, int32_t reducedHeight) {
  return clientHeight == reducedHeight ? fullHeight : reducedHeight;
}

int32_t ResizedClientHeight(int32_t clientHeight, int32_t fullHeight, bool dspKinetrace, int32_t posn) {
  if (dspKinetrace && posn == 22) return clientHeight;
  return std::min(clientHeight, fullHeight);
}

TLowerControls LowerControlsVisible(int32_t clientHeight, int32_t fullHeight, bool dspKinetrace,
                                    int32_t posn) {
  const bool full = clientHeight >= fullHeight;
  return {full, dspKinetrace && (full || posn > 5)};
}

TPlace CentredPlace(int32_t width, int32_t height, int32_t screenWidth, int32_t screenHeight) {
  return {std::max(0, (screenWidth - std::max(width, 50)) / 2),
          std::max(0, (screenHeight - std::max(height, 50)) / 2)};
}

// ---- the engine's side ----

namespace {

using Lock = std::lock_guard<TEngineLock>;

// The event counter that wakes the GUI thread to replay the held record key. The timer thread
// reads it under EngineLock, so closing it under the lock leaves no write in flight.
std::atomic<int> gPostFd{-1};

}  // namespace

// Timer thread: the bars are counted; the key itself is replayed on the GUI thread. A write to an
// eventfd neither allocates nor blocks, which a queued Qt call would not promise. Before the view
// menus made the counter, and after it is gone, only the count is done.
void RecBarCountDonePost() {
  RecBarCountDone();
  const int fd = gPostFd.load();
  if (fd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
  }
}

void SetRecBarPostFd(int fd) {
  Lock lock(EngineLock);
  gPostFd = fd;
}

void ClearCalibratePending() {
  Lock lock(EngineLock);
  Args.CalibratePending = 0;
}

void ToggleCalibratePending() {
  Lock lock(EngineLock);
  Args.CalibratePending = Args.CalibratePending ? 0 : 1;
}

bool ApplyCalibratePending() {
  Lock lock(EngineLock);
  const bool prompting = Args.CalibratePending != 0;
  Args.CalibDone = prompting ? 0 : 1;
  if (prompting) {
    DeselectAll();
    SetKeyMode(TKeyMode::Calibrate);
  } else if (Keys.KeyMode.load() == TKeyMode::Calibrate) {
    if (RunCtl.ProgState.load() == TProgState::Running) {
      ReturnToLiveMode();
    } else {
      SetKeyMode(TKeyMode::Inactive);
    }
  }
  return prompting;
}

bool StepKinetraceSetting(TKinetraceValue value, bool inc) {
  int32_t* setting = nullptr;
  switch (value) {
    case TKinetraceValue::Shape:
      setting = &Cfg.KinetraceShape;
      break;
    case TKinetraceValue::Size:
      setting = &Cfg.KinetraceSize;
      break;
    case TKinetraceValue::Decay:
      setting = &Cfg.KinetraceDecay;
      break;
    case TKinetraceValue::Tail:
      setting = &Cfg.KinetraceTail;
      break;
    case TKinetraceValue::Style:
      setting = &Cfg.KinetraceStyle;
      break;
  }
  if (!setting) return false;
  // The live path reads the decay on the timer and MIDI-in threads.
  Lock lock(EngineLock);
  *setting = StepCyclic(*setting, KinetraceRange(value), inc);
  return true;
}

void SetDspKinetrace(bool on) {
  // The timer and MIDI-in threads count notes for it while it is on.
  Lock lock(EngineLock);
  Cfg.DspKinetrace = on ? 1 : 0;
  if (on) ResetNoteOnCounts();
}

}  // namespace vel
