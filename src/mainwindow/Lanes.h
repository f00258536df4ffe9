#pragma once
// The seq track lanes of the seq status panel, as numbers: each seq's bar on one time scale (the
// longest filling the lane), its play position, the grid ticks at the beat or seq-quantise step,
// and the numeric position that stands in for the lane of a seq far longer than the others. Pure:
// the status tick copies the engine's values into TLanesIn under its lock; the form paints the
// result.
#include <array>
#include <cstdint>
#include <string>

#include "base/Sizes.h"
#include "engine/PartBufs.h"
#include "mainwindow/SeqLenText.h"
#include "settings/Settings.h"

namespace vel {

// One seq's playing part, as the tick found it.
struct TLaneSeqIn {
  bool InUse = false;  // s <= MaxActiveSeqs
  int32_t RElap = 0;
  int32_t PElap = 0;
  int32_t TempoDiv = 1;
  int16_t Head = -1;
  TSeqState SeqState = TSeqState::Stopped;
  uint8_t Muted = 0;  // active
  uint8_t SVel = 5;   // active
};

struct TLanesIn {
  std::array<TLaneSeqIn, kSeqs> Seqs{};
  int32_t RecBeatCount = 0;
  int32_t ActBeatTicks = 0;
  int32_t BarTicks = 0;
  int32_t SQTicks = 0;
  int32_t SQNoteLenFrac = 0;
  int32_t NoteLenFrac = 0;
  int32_t BeatsPerBar = 0;
  int32_t MetrSeqNo = -1;
  bool DspSeqNumPosn = false;
  bool DspSeqGrid = false;
  bool DspSolidTracks = false;
  TColor ClSeqTrack = 0, ClPosnSeq = 0, ClPosnSeqMuted = 0, ClPosnMetrSeq = 0, ClPosnMetrSeqMuted = 0,
         ClSeqGridTicks = 0;
};

// The seq's length in ticks at its tempo divider; a recording part grows with the counted beats
// even before its events reach that far.
int64_t LaneSeqLength(const TLaneSeqIn& s, int32_t recBeatCount, int32_t actBeatTicks);

// The grid step in ticks: the beat, or the seq-quantise step when that divides the beat evenly;
// 0 when no grid can be drawn.
int32_t SeqGridStep(int32_t barTicks, int32_t beatsPerBar, int32_t noteLenFrac, int32_t sqNoteLenFrac);

// What one row's lane shows. Lefts are from the lane's left edge; a width of 0 hides the shape.
struct TLaneModel {
  bool LaneVisible = false;     // the lane and its shapes
  bool NumPosnVisible = false;  // the numeric position instead
  std::string NumPosnText;
  TColor PosnColour = 0;  // marker, trail or numeric text
  TColor BarColour = 0;
  int32_t BarWidth = 0;
  int32_t PosnLeft = 0;
  int32_t PosnWidth = 0;
  TColor GridColour = 0;
  int32_t GridPx = 0;     // pixels between ticks
  int32_t GridTicks = 0;  // ticks at 0, GridPx, ... (GridTicks of them); 0 none
  bool operator==(const TLaneModel&) const = default;
};

struct TLanesModel {
  std::array<TLaneModel, kSeqs> Seqs{};
  int64_t Longest = 0;    // among the seqs that draw a lane
  int32_t LaneWidth = 0;  // the bars' scale: the full width, or whole grid steps + 1
  bool operator==(const TLanesModel&) const = default;
};

// Every row's lane from the tick's values and the lane's full width in pixels.
TLanesModel LanesModel(const TLanesIn& in, int32_t fullWidth);

}  // namespace vel
