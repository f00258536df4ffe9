#pragma once
// Where the seq status columns, the seq rows, the group boxes and the note display stand. Pure:
// the form measures its heading captions and hands in their widths with the view settings; the
// results are lefts, widths and visibility that it applies to absolutely placed widgets.
#include <array>
#include <cstdint>
#include <optional>

#include "base/Sizes.h"
#include "mainwindow/Rect.h"

namespace vel {

struct TColumnInput {
  bool StandardMode = true;
  bool MorePortsThanOne = false;  // OutPortsAllocated > 0
  bool AnyMChan = false;          // some allocated output port has the channel multiplier on
  bool DspPortNames = true;
  bool DspProgNames = true;
  bool DspScale = true;
  bool DspMidiActivity = true;
  bool DspSeqLen = true;
  bool DspTempoDiv = true;
  // The heading labels' widths, as their captions measure.
  int32_t PartNosW = 0, PortsW = 0, ChansW = 0, ProgsW = 0, MutedW = 0, SVelsW = 0, ScalesW = 0, TransW = 0,
          PitchesW = 0, MidiActivityW = 0, SeqNosW = 0, StatesW = 0, LenW = 0, TDivsW = 0, TracksW = 0;
  int32_t SeqStatusWidth = 0;  // pnlSeqStatus
  // The program and port controls' widths, as their widest items measure; a column is never
  // narrower than its fixed width.
  int32_t ProgCtlW = 0;
  int32_t PortCtlW = 0;
};

struct TColumn {
  int32_t Left = 0;
  int32_t Width = 0;
  bool Visible = true;
  int32_t Right() const { return Left + Width; }
};

struct TColumnLayout {
  TColumn PartNos, Ports, Chans, Progs, Muted, SVels, Scales, Trans, Pitches, MidiActivity, SeqNos, States,
      Len, TDivs, Tracks;
  int32_t SeqLaneLeft = 0;
  int32_t SeqLaneWidth = 0;
  int32_t SeqPanelWidth = 0;
  int32_t TitleLeft = 0;  // pnlTitle
  // The program and port columns' control width: names shown or numbers only.
  int32_t ProgWidth = 0;
  int32_t PortWidth = 0;
};

// The seq status headings, left to right, by the view settings.
TColumnLayout LayoutSeqStatusColumns(const TColumnInput& in);

// The seq area follows the window's width: the status panel, each row and the live panel, the lanes.
struct TSeqWidths {
  int32_t SeqStatusWidth = 0;
  int32_t SeqPanelWidth = 0;
  int32_t SeqLaneWidth = 0;
  bool operator==(const TSeqWidths&) const = default;
};
TSeqWidths LayoutSeqStatusWidths(int32_t clientWidth, int32_t seqLaneLeft);

// Each output port's "Clk" and "Syn" boxes stand beside its row of the port list, their headings
// above them; the list is made as tall as its nine rows.
struct TPortBoxInput {
  int32_t ListLeft = 0, ListTop = 0, ListWidth = 0;
  int32_t FrameWidth = 0;  // the list's frame, on each side
  int32_t RowHeight = 0;   // one row of the list
  int32_t BoxSize = 0;     // a check box's indicator
  int32_t HeadingHeight = 0;
  bool StandardMode = true;
};
struct TPortBoxPlaces {
  int32_t ClocksLeft = 0, SyncLeft = 0;
  int32_t HeadingTop = 0;
  std::array<int32_t, kPorts> Top{};
  int32_t ListHeight = 0;
  bool Visible = false;  // boxes and headings: standard mode only
};
TPortBoxPlaces PlacePortSyncBoxes(const TPortBoxInput& in);

// The top of seq s's row panel below headings ending at headingBottom.
int32_t SeqRowTop(int32_t headingBottom, int32_t s);

// The four group boxes from the seq status panel's left, each 4 right of the one before, and the
// note display among them when its position is 1..5 (1 before Control .. 5 after Ports).
struct TGroupInput {
  int32_t StartLeft = 0;
  int32_t ControlW = 0, MetrW = 0, ClockW = 0, PortsW = 0;
  int32_t ClockTop = 0, ClockHeight = 0;
  bool DspKinetrace = false;
  int32_t KinetracePosn = 0;
};
struct TGroupPlaces {
  int32_t ControlLeft = 0, MetrLeft = 0, ClockLeft = 0, PortsLeft = 0;
  std::optional<TRect> Kinetrace;  // set when the note display stands among the groups
};
TGroupPlaces PlaceGroupBoxes(const TGroupInput& in);

// The note display over the seq area, positions 6..22; nothing for other positions.
struct TOverSeqsInput {
  int32_t Posn = 0;
  int32_t SeqTop0 = 0;  // top of seq 0's row panel
  int32_t LiveTop = 0;  // pnlLive
  TRect SeqStatus;      // pnlSeqStatus
  int32_t MidiActivityLeft = 0, TracksLeft = 0, ProgsLeft = 0, SVelsLeft = 0;
  int32_t ClientHeight = 0;
};
std::optional<TRect> PlaceKinetraceOverSeqs(const TOverSeqsInput& in);

}  // namespace vel
