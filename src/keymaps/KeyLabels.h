#pragma once
// Key label colours: one rule per mode turns a function code into a font and a back colour over
// the "ClKt" colour settings. Also the default labels and colours of keys outside the map, and
// the label and colour contents of the virtual keyboard's keys. GUI thread.
#include <array>
#include <cstdint>
#include <string>

#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"
#include "settings/Settings.h"

namespace vel {

struct TKeyColours {
  TColor Font;
  TColor Back;
  bool operator==(const TKeyColours&) const = default;
};

// The colour rules, one per mode. Pure functions of the code and the colour settings (and, for
// the metronome-note command, MetrModeStyles).
void KeyColoursLive(uint8_t code, TColor& font, TColor& back);
void KeyColoursHotkey(uint8_t code, TColor& font, TColor& back);
void KeyColoursCmd(uint8_t code, TColor& font, TColor& back);
void KeyColoursRec(uint8_t code, TColor& font, TColor& back);
void KeyColoursSRec(uint8_t code, TColor& font, TColor& back);
void KeyColoursRangeN(uint8_t code, TColor& font, TColor& back);
void KeyColoursQuant(uint8_t code, TColor& font, TColor& back);
void KeyColoursTSig(uint8_t code, TColor& font, TColor& back);
void KeyColoursPitch(uint8_t code, TColor& font, TColor& back);
void KeyColoursMetr(uint8_t code, TColor& font, TColor& back);
void KeyColoursFtsRoot(uint8_t code, TColor& font, TColor& back);
void KeyColoursFtsType(uint8_t code, TColor& font, TColor& back);
void KeyColoursFtn(uint8_t code, TColor& font, TColor& back);
void KeyColoursTShift(uint8_t code, TColor& font, TColor& back);
// The rule of a mode type 0..13.
TKeyColours KeyColoursOf(TModeType t, uint8_t code);

// The default label and colours of each mode's keys. GUI thread only.
struct TKeyLabelDefaults {
  // Mode-type order. The labels never change; the colours are set by SetKLabDefs.
  std::array<std::string, ModeTypeCount> ModeDefaultLabels = {"p", " ", "r", "sr", " ", " ", " ",
                                                              " ", " ", " ", " ",  " ", " ", " "};
  std::array<TColor, ModeTypeCount> ModeDefaultFontColours{};
  std::array<TColor, ModeTypeCount> ModeDefaultBackColours{};
};
inline TKeyLabelDefaults KeyLabelDefs;

// Fills the three default tables: each mode's out-of-map label and the colours its rule gives
// its out-of-map code.
void SetKLabDefs();
// Recolours every key of every map from its code, rebuilds the defaults and asks the key mapper
// and the label display to redraw.
void RecolourKeyMaps();
// The same under EngineLock, from a window: the key path reads the colours.
void RecolourKeyMapsLocked();

// The short label of a Pitch code (the Pitch tokens; " " for the ignore code and its sentinel,
// "?" for anything else).
std::string PitchCodeLabel(uint8_t code);
// Every blank becomes a line break (CR), so a label shows on two lines.
std::string LabelToMultiLine(const std::string& label);

// What one key of a key-map view shows.
struct TKeyView {
  std::string Label;
  TColor Font;
  TColor Back;
  bool operator==(const TKeyView&) const = default;
};

// The label and colours that a view shows for grid key k of mode t: the key's own at the key k
// maps to under input 1's octave offset, or the mode's defaults when that falls outside 0..127;
// "?" in the warning colours when t is no mode (MtNone).
TKeyView KeyViewAt(TModeType t, int gridKey);

// The virtual keyboard's 128 keys in a key mode: the labels and colours of the mode's map, the
// mode's defaults for keys shifted outside the map, and "?" in the warning colours when the key
// mode has no map. The window captions each key with LabelToMultiLine of its label.
std::array<TKeyView, 128> TemplateKeyViews(TKeyMode keyMode);

}  // namespace vel
