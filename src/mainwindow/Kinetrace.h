#pragma once
// The Kinetrace live note display, as numbers: where each sounding note's blob stands (its pitch
// class a direction or column, its octave a ring or row), how big and what colour it is, and how
// released notes fade by the sustain pedal and the decay setting. Pure: the fade runs on the
// engine's note table under its lock; the form paints the blobs.
#include <array>
#include <cstdint>

#include "base/Sizes.h"
#include "engine/PlayCycle.h"
#include "mainwindow/Layout.h"
#include "settings/Settings.h"

namespace vel {

// At most this many blobs are drawn; later notes wait.
constexpr int32_t kKinetraceBlobs = 50;

enum class TBlobKind : uint8_t { Ellipse = 1, RoundRect = 2, Circle = 3, RoundSquare = 4 };

// The blobs' geometry for a panel size and the shape, size and style settings. In polar style the
// origin is the centre; in grid style it is the bottom-left cell's corner.
struct TKinetraceGeom {
  bool Valid = false;  // false: the panel has no room inside its margins
  bool Grid = false;
  TBlobKind Kind = TBlobKind::Ellipse;
  int32_t MaxW = 0, MaxH = 0;
  int32_t StepX = 0, StepY = 0;
  int32_t OriginX = 0, OriginY = 0;
  bool operator==(const TKinetraceGeom&) const = default;
};
TKinetraceGeom LayoutKinetraceBlobs(int32_t width, int32_t height, int32_t border, int32_t shape,
                                    int32_t size, int32_t style);

using TNoteTable = std::array<std::array<TNoteDsp, 128>, kChans>;

struct TFadeSettings {
  int32_t Decay = 3;  // KinetraceDecay
  int32_t StatusInterval = 50;
  int32_t FullPedalMin = 64;
  int32_t HalfPedalMin = 50;
};

struct TLitNote {
  uint8_t Chan = 0;
  uint8_t Note = 0;
  int32_t Level = 0;
  bool operator==(const TLitNote&) const = default;
};
struct TLitNotes {
  std::array<TLitNote, kKinetraceBlobs> Notes{};
  int32_t Count = 0;
  bool operator==(const TLitNotes& o) const;
};

// One pass over the note table in channel and note order: fades every released note by one tick
// and collects the notes to draw. When the blobs run out the pass stops, so later notes neither
// show nor fade until fewer sound. True while something still fades (the display must come back).
bool FadeKinetrace(TNoteTable& notes, const std::array<int32_t, kChans>& sustain, const TFadeSettings& s,
                   TLitNotes& lit);

struct TBlob {
  TRect Box;
  TColor Colour = 0;
  bool operator==(const TBlob&) const = default;
};
struct TKinetraceModel {
  TBlobKind Kind = TBlobKind::Ellipse;
  std::array<TBlob, kKinetraceBlobs> Blobs{};
  int32_t Count = 0;
  bool operator==(const TKinetraceModel& o) const;
};

// One note's blob: its box in the panel's coordinates and its colour. tail keeps an edge or corner
// of the largest blob's box fixed while the blob shrinks (KinetraceTail 2..9; others centred).
TBlob PlaceBlob(const TKinetraceGeom& g, int32_t tail, int32_t note, int32_t level, TColor chanColour);
TKinetraceModel KinetraceModel(const TKinetraceGeom& g, int32_t tail, const TLitNotes& lit,
                               const std::array<TColor, kChans>& chanColours);

// The background picture's box inside the panel: the inner area (twice the border in from each
// edge); unstretched, a picture smaller than that stands centred at its own size.
TRect KinetracePictureRect(int32_t width, int32_t height, int32_t border, int32_t pictureW, int32_t pictureH,
                           bool stretch);

// The main window's width without the note display's room, unless the display stands among the
// group boxes (positions 1..5), which need the whole width.
int32_t KinetraceAvailWidth(int32_t laidOutWidth, bool dspKinetrace, int32_t posn, int32_t panelWidth);

}  // namespace vel
