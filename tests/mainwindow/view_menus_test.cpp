#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/ViewMenus.h"

namespace vel {
namespace {

TEST(ViewMenus, MenuCaptionsFollowTheButtonsAndTheQwertySetting) {
  struct Case {
    std::string button;
    bool qwertyDisabled;
    TMenuCaption want;
  };
  const Case cases[] = {
      {"Run", false, {"Run", "Ctrl+R"}},
      {"Stop", false, {"Stop", "Ctrl+S"}},
      {"Calibrate Cmd key", false, {"Calibrate Cmd key", "Ctrl+C"}},
      {"Press live Cmd key", false, {"Press live Cmd key", "Ctrl+P"}},
      {"Run", true, {"&Run", ""}},
      {"Press live Cmd key", true, {"&Press live Cmd key", ""}},
      {"", false, {"", ""}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MenuCaptionFromButton(c.button, c.qwertyDisabled), c.want)
        << c.button << " " << c.qwertyDisabled;
}

TEST(ViewMenus, StopQuestionAndCalibratePromptTexts) {
  EXPECT_EQ(StopQuestionText(false), "About to stop processing MIDI & return to config mode, ok?");
  EXPECT_EQ(StopQuestionText(true),
            "About to stop processing MIDI & return to config mode, ok?\r\n"
            "Please stop all seqs first to reduce chance of stuck notes");
  EXPECT_EQ(
      CalibPromptView(true, 37),
      (TCalibPromptView{"Press live Cmd key",
                        "Press the live Cmd key (must be any C# key) on your MIDI keyboard to recalibrate "
                        "octave offset"}));
  EXPECT_EQ(
      CalibPromptView(false, 37),
      (TCalibPromptView{"Calibrate Cmd key",
                        "Align live cmd key to your current keyboard octave setting (can also use run-time "
                        "calib command)"}));
}

TEST(ViewMenus, KinetraceStepsWrapAndOutOfRangeValuesEnterAtTheNearEnd) {
  using V = TKinetraceValue;
  struct Case {
    V value;
    int32_t from;
    bool inc;
    int32_t want;
  };
  const Case cases[] = {
      {V::Tail, 9, true, 1},   {V::Tail, 1, false, 9},   {V::Shape, 1, false, 4}, {V::Shape, 4, true, 1},
      {V::Style, 1, false, 2}, {V::Style, 2, true, 1},   {V::Size, 6, true, 1},   {V::Size, 3, false, 2},
      {V::Decay, 2, true, 3},  {V::Decay, 4, true, 1},   {V::Tail, 0, true, 1},   {V::Tail, 0, false, 9},
      {V::Shape, 12, true, 1}, {V::Shape, 12, false, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StepCyclic(c.from, KinetraceRange(c.value), c.inc), c.want)
        << int(c.value) << " from " << c.from << (c.inc ? " inc" : " dec");
}

TEST(ViewMenus, KinetracePanelClicksByButtonAndModifiers) {
  using V = TKinetraceValue;
  using K = TKinetraceClick;
  struct Case {
    bool right, shift, ctrl, alt;
    TKinetraceClickAction want;
  };
  const Case cases[] = {
      {true, false, false, true, {K::Step, V::Shape, true}},
      {false, false, false, true, {K::Step, V::Shape, false}},
      {true, true, false, false, {K::Step, V::Size, true}},
      {false, false, true, false, {K::Step, V::Decay, false}},
      {true, false, true, true, {K::Step, V::Tail, true}},
      {false, true, false, true, {K::Step, V::Style, false}},
      {true, true, true, false, {K::Posn, V::Shape, true}},
      {true, false, false, false, {K::CycleBackground, V::Shape, true}},
      {false, false, false, false, {K::ShuffleColours, V::Shape, false}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KinetraceClickAction(c.right, c.shift, c.ctrl, c.alt), c.want)
        << c.right << c.shift << c.ctrl << c.alt;
}

TEST(ViewMenus, NextAndPreviousImageInNameOrderWithTheSameExtension) {
  const std::vector<std::string> folder = {"c.JPG", "notes.txt", "a.jpg", "b.png", "b.jpg", ".hidden.jpg"};
  struct Case {
    std::string current;
    bool next;
    std::string want;
  };
  const Case cases[] = {
      {"a.jpg", true, "b.jpg"},         // name order, whatever the listing order
      {"c.JPG", true, ".hidden.jpg"},   // the last wraps to the first; the extension in either case
      {".hidden.jpg", false, "c.JPG"},  // the first wraps back to the last
      {"b.png", true, ""},              // alone with its extension
      {"gone.jpg", true, ""},           // no longer in the folder
  };
  for (const Case& c : cases) EXPECT_EQ(StepImageName(c.current, folder, c.next), c.want) << c.current;
  EXPECT_EQ(ImageLoadErrorText("Unsupported image format"),
            "Unable to load image - Unsupported image format\r\n"
            "Maybe file is not a valid image or this image format cannot be handled");
}

TEST(ViewMenus, WindowGeometry) {
  // Width: to the screen's width at 0, and back to the normal width centred.
  EXPECT_EQ(ToggleMainWidth(1040, 1920, 1040), (TSpan{0, 1920}));
  EXPECT_EQ(ToggleMainWidth(1920, 1920, 1040), (TSpan{440, 1040}));
  // Height: reduced to full, anything else to reduced; taller than full is cut but for posn 22.
  EXPECT_EQ(ToggleMainHeight(210, 440, 210), 440);
  EXPECT_EQ(ToggleMainHeight(300, 440, 210), 210);
  EXPECT_EQ(ResizedClientHeight(500, 440, true, 21), 440);
  EXPECT_EQ(ResizedClientHeight(500, 440, true, 22), 500);
  EXPECT_EQ(LowerControlsVisible(300, 440, true, 3), (TLowerControls{false, false}));
  EXPECT_EQ(LowerControlsVisible(300, 440, true, 6), (TLowerControls{false, true}));
  EXPECT_EQ(LowerControlsVisible(440, 440, true, 3), (TLowerControls{true, true}));
  EXPECT_EQ(CentredPlace(1040, 470, 1920, 1080), (TPlace{440, 305}));
  EXPECT_EQ(CentredPlace(3000, 20, 1920, 1080), (TPlace{0, 515}));
}

}  // namespace
}  // namespace vel
