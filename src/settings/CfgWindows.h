#pragma once
// The settings windows' rules that need no window: which radio button a stored value shows and
// which controls a value enables.
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// The button (numbered as its value) of a radio group of first..last that shows value; 0 for a
// value no button holds (a hand-edited file): the group then shows no selection and the value
// stays stored until a button is picked.
int32_t RadioFor(int32_t value, int32_t first, int32_t last);

// With the Kinetrace decay off (1) there is no tail: its buttons are disabled, the tail kept.
bool KinetraceTailsEnabled(int32_t decay);
// With the key depression off (1) there is nothing to decay.
bool TemplateAnimDecayEnabled(int32_t animateSize);

// ---- the colours window ----

// What follows a changed colour: A the main window's colour scheme, K the key labels' colours,
// T the virtual keyboard's keys, D / B the drum / bass window's captions then A, G the seq grid.
enum class TColourFollowUp : uint8_t { None, A, K, T, D, B, G };
// The scheme applied, the key maps recoloured and the seq grid redrawn are done at once; the rest
// is said to the windows as the topic of the same name.
enum class TColourAction : uint8_t {
  ApplyColourScheme,
  RecolourKeyMaps,
  KeyLabels,
  KeyColours,
  MetrMode,
  RequestSeqGridRedraw,
};
// The actions of a follow-up, in the order they run.
std::vector<TColourAction> FollowUpActions(TColourFollowUp kind);

// The boxes of the colours window; each holds rows of a label and its swatches.
enum class TColourBox : uint8_t {
  Panels,
  Tracks,
  Text,
  MidiLights,
  MetrLights,
  Window,
  Labels,
  Keys,
  Kinetrace,
  System,
};
// One row: the label beside its swatches (text colour first, then background, then a second
// background) and the settings they show, by keyword.
struct TColourRow {
  TColourBox Box;
  const char* Label;
  std::vector<const char*> Settings;
  TColourFollowUp After;
};
// The rows of the window in its order: 103 single colours; the 16 channel colours of the
// Kinetrace box follow them, made apart.
const std::vector<TColourRow>& ColourRows();
// The swatch's name: "shp" + keyword, the two inactive title-bar swatches spelt "InActive".
std::string SwatchName(const std::string& setting);

}  // namespace vel
