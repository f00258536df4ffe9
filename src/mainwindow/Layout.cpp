#include "mainwindow/Layout.h"

#include <algorithm>

namespace vel {

namespace {

TColumn At(int32_t left, int32_t width) {
  return TColumn{left, width, true};
}

TColumn Hidden(int32_t width) {
  return TColumn{0, width, false};
}

}  // namespace

namespace {

// Standard mode's value columns, from Sq.Pt to Pitch.
void ValueColumns(const TColumnInput& in, TColumnLayout& o) {
  o.PartNos = At(8, in.PartNosW);
  int32_t x = o.PartNos.Right() + 8;
  if (in.MorePortsThanOne) {
    o.Ports = At(x, in.PortsW);
    x = o.Ports.Left + o.PortWidth + 20;
  } else {
    // One port: nothing to choose, so the column gives its room to the others.
    o.Ports = Hidden(in.PortsW);
  }
  o.Chans = At(x, in.ChansW);
  x = o.Chans.Right() + 8;
  o.Progs = At(x + (in.AnyMChan ? 10 : 0), in.ProgsW);
  x = o.Progs.Left + o.ProgWidth + 12;
  o.Muted = At(x, in.MutedW);
  o.SVels = At(o.Muted.Right() + 4, in.SVelsW);
  x = o.SVels.Right() + 4;
  if (in.DspScale) {
    o.Scales = At(x + 4, in.ScalesW);
    x = o.Scales.Right() + 20;
  } else {
    o.Scales = Hidden(in.ScalesW);
  }
  o.Trans = At(x, in.TransW);
  o.Pitches = At(o.Trans.Right() + 4, in.PitchesW);
}

// Novice mode shows pitch and mute alone of the value columns.
void NoviceValueColumns(const TColumnInput& in, TColumnLayout& o) {
  o.PartNos = Hidden(in.PartNosW);
  o.Ports = Hidden(in.PortsW);
  o.Chans = Hidden(in.ChansW);
  o.Progs = Hidden(in.ProgsW);
  o.SVels = Hidden(in.SVelsW);
  o.Scales = Hidden(in.ScalesW);
  o.Trans = Hidden(in.TransW);
  o.Pitches = At(8, in.PitchesW);
  o.Muted = Hidden(in.MutedW);
}

// From the activity light to the lane, after the pitch column.
void StateColumns(const TColumnInput& in, TColumnLayout& o) {
  int32_t x = o.Pitches.Right() + 28;
  if (in.DspMidiActivity) {
    o.MidiActivity = At(x, in.MidiActivityW);
    x = o.MidiActivity.Right() - 4;
  } else {
    o.MidiActivity = Hidden(in.MidiActivityW);
  }
  o.SeqNos = At(x + 8, in.SeqNosW);
  o.States = At(o.SeqNos.Right() + 4, in.StatesW);
  x = o.States.Right() + 16;
  if (in.DspSeqLen) {
    o.Len = At(x, in.LenW);
    x += in.LenW + 16;
  } else {
    o.Len = Hidden(in.LenW);
  }
  if (in.DspTempoDiv && in.StandardMode) {
    o.TDivs = At(x, in.TDivsW);
    x += in.TDivsW + 12;
  } else {
    o.TDivs = Hidden(in.TDivsW);
  }
  o.Tracks = At(x, in.TracksW);
  o.SeqLaneLeft = x;
}

}  // namespace

TColumnLayout LayoutSeqStatusColumns(const TColumnInput& in) {
  TColumnLayout o;
  o.ProgWidth = std::max(in.DspProgNames ? 104 : 33, in.ProgCtlW);
  o.PortWidth = std::max(in.DspPortNames ? 104 : 33, in.PortCtlW);
  if (in.StandardMode) {
    ValueColumns(in, o);
  } else {
    NoviceValueColumns(in, o);
  }
  StateColumns(in, o);
  o.SeqPanelWidth = in.SeqStatusWidth - 8;
  o.SeqLaneWidth = std::max(0, o.SeqPanelWidth - o.Tracks.Left - 4);
  o.TitleLeft = o.Tracks.Right() + 12;
  return o;
}

TSeqWidths LayoutSeqStatusWidths(int32_t clientWidth, int32_t seqLaneLeft) {
  TSeqWidths w;
  // A window squeezed to nothing must not give negative sizes to the widgets.
  w.SeqStatusWidth = std::max(0, clientWidth - 4);
  w.SeqPanelWidth = std::max(0, w.SeqStatusWidth - 8);
  w.SeqLaneWidth = std::max(0, w.SeqPanelWidth - seqLaneLeft - 4);
  return w;
}

TPortBoxPlaces PlacePortSyncBoxes(const TPortBoxInput& in) {
  TPortBoxPlaces o;
  constexpr int32_t kGap = 8;      // list to the first box
  constexpr int32_t kColumn = 28;  // box to box: room for its heading
  o.ClocksLeft = in.ListLeft + in.ListWidth + kGap;
  o.SyncLeft = o.ClocksLeft + kColumn;
  o.HeadingTop = std::max(0, in.ListTop - in.HeadingHeight - 2);
  for (int32_t p = 0; p < kPorts; ++p)
    o.Top[p] = in.ListTop + in.FrameWidth + p * in.RowHeight + (in.RowHeight - in.BoxSize) / 2;
  o.ListHeight = 2 * in.FrameWidth + kPorts * in.RowHeight;
  o.Visible = in.StandardMode;
  return o;
}

int32_t SeqRowTop(int32_t headingBottom, int32_t s) {
  return headingBottom + 16 + s * 24 - 8;
}

TGroupPlaces PlaceGroupBoxes(const TGroupInput& in) {
  TGroupPlaces o;
  const bool among = in.DspKinetrace && in.KinetracePosn >= 1 && in.KinetracePosn <= 5;
  int32_t x = in.StartLeft;
  const int32_t widths[4] = {in.ControlW, in.MetrW, in.ClockW, in.PortsW};
  int32_t* lefts[4] = {&o.ControlLeft, &o.MetrLeft, &o.ClockLeft, &o.PortsLeft};
  for (int32_t slot = 1; slot <= 5; ++slot) {
    if (among && slot == in.KinetracePosn) {
      o.Kinetrace = TRect{x, in.ClockTop + 5, in.ClockW, in.ClockHeight - 5};
      x += in.ClockW + 4;
    }
    if (slot <= 4) {
      *lefts[slot - 1] = x;
      x += widths[slot - 1] + 4;
    }
  }
  return o;
}

std::optional<TRect> PlaceKinetraceOverSeqs(const TOverSeqsInput& in) {
  if (in.Posn < 6 || in.Posn > 22) return std::nullopt;
  const TRect& p = in.SeqStatus;
  if (in.Posn == 20) return TRect{p.Left + 1, in.SeqTop0, p.Width - 2, in.LiveTop - in.SeqTop0};
  if (in.Posn == 21) return TRect{p.Left + 1, p.Top + 1, p.Width - 2, p.Height - 3};
  if (in.Posn == 22) return TRect{p.Left, 0, p.Width, in.ClientHeight};
  const bool wholePanel = in.Posn >= 13;
  const int32_t col = wholePanel ? in.Posn - 7 : in.Posn;  // 13..19 as 6..12
  int32_t left = 0;
  int32_t width = 0;
  switch (col) {
    case 6:
      left = p.Left + 1;
      width = in.MidiActivityLeft - 5;
      break;
    case 7:
      left = p.Left + 1;
      width = in.TracksLeft - 5;
      break;
    case 8:
      left = in.ProgsLeft;
      width = in.MidiActivityLeft - left - 4;
      break;
    case 9:
      left = in.ProgsLeft;
      width = in.TracksLeft - left - 4;
      break;
    case 10:
      left = in.SVelsLeft;
      width = in.MidiActivityLeft - left - 4;
      break;
    case 11:
      left = in.SVelsLeft;
      width = in.TracksLeft - left - 4;
      break;
    default:
      left = in.TracksLeft;
      width = p.Left + p.Width - left - 2;
      break;
  }
  // A hidden column stands at 0, which would give a negative width.
  width = std::max(0, width);
  if (wholePanel) return TRect{left, p.Top + 1, width, p.Height - 3};
  return TRect{left, in.SeqTop0, width, in.LiveTop - in.SeqTop0};
}

}  // namespace vel
