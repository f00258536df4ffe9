#include "mainwindow/Lanes.h"

#include <algorithm>
#include <limits>

namespace vel {

namespace {

// A seq longer than this many bars shows its position as text (with DspSeqNumPosn).
constexpr int64_t kLongSeqBars = 32;
constexpr int32_t kMarkerWidth = 12;
// A position this close to the bar's end is drawn at the lane's start: the marker would overrun.
constexpr int32_t kPosnEndMargin = 6;
constexpr int32_t kMinTrailWidth = 6;
// Grid ticks closer than this would blur into a bar.
constexpr int32_t kMinGridPx = 5;

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

int64_t LaneSeqLength(const TLaneSeqIn& s, int32_t recBeatCount, int32_t actBeatTicks) {
  int64_t ticks = s.RElap;
  if (s.SeqState == TSeqState::Recording)
    ticks = std::max(ticks, static_cast<int64_t>(recBeatCount) * actBeatTicks);
  return ticks * s.TempoDiv;
}

int32_t SeqGridStep(int32_t barTicks, int32_t beatsPerBar, int32_t noteLenFrac, int32_t sqNoteLenFrac) {
  if (beatsPerBar == 0) return 0;
  const int32_t beat = barTicks / beatsPerBar;
  if (noteLenFrac > 0 && sqNoteLenFrac > noteLenFrac && sqNoteLenFrac % noteLenFrac == 0)
    return beat / (sqNoteLenFrac / noteLenFrac);
  if (noteLenFrac == 0) return 0;
  return std::max(beat, 0);
}

TLanesModel LanesModel(const TLanesIn& in, int32_t fullWidth) {
  TLanesModel o;
  std::array<int64_t, kSeqs> length{};
  std::array<bool, kSeqs> isLong{};
  for (int32_t s = 0; s < kSeqs; ++s) {
    const TLaneSeqIn& q = in.Seqs[s];
    if (!q.InUse) continue;
    length[s] = LaneSeqLength(q, in.RecBeatCount, in.ActBeatTicks);
    isLong[s] = in.DspSeqNumPosn && in.BarTicks > 0 && length[s] / in.BarTicks > kLongSeqBars;
    if (!isLong[s]) o.Longest = std::max(o.Longest, length[s]);
  }
  const int64_t longest = o.Longest;

  // The grid rounds the lane to whole steps, so the longest lane ends exactly on a tick.
  const int32_t full = std::max(fullWidth, 0);
  int32_t laneWidth = full;
  int32_t step = 0;
  int32_t px = 0;
  int64_t steps = 0;
  if (in.DspSeqGrid && longest > 0) {
    step = SeqGridStep(in.BarTicks, in.BeatsPerBar, in.NoteLenFrac, in.SQNoteLenFrac);
    steps = step > 0 ? longest / step : 0;
    if (steps > 0 && full / steps >= kMinGridPx) {
      px = static_cast<int32_t>(full / steps);
      laneWidth = Clamp32(steps * px + 1);
    }
  }
  o.LaneWidth = laneWidth;

  const TBarGrid fmt{in.BarTicks, in.SQTicks, in.SQNoteLenFrac};
  for (int32_t s = 0; s < kSeqs; ++s) {
    const TLaneSeqIn& q = in.Seqs[s];
    TLaneModel& m = o.Seqs[s];
    if (!q.InUse) continue;
    const bool quiet = q.Muted != 0 || q.SVel == 0;
    if (s == in.MetrSeqNo) {
      m.PosnColour = quiet ? in.ClPosnMetrSeqMuted : in.ClPosnMetrSeq;
    } else {
      m.PosnColour = quiet ? in.ClPosnSeqMuted : in.ClPosnSeq;
    }
    if (isLong[s]) {
      m.NumPosnVisible = true;
      m.NumPosnText = "(" + FmtSeqPos(Clamp32(length[s]), q.PElap, fmt) + ")";
      continue;
    }
    m.LaneVisible = true;
    // A recording part shows its growing length even before its first event.
    const bool empty = q.Head < 0 && q.SeqState != TSeqState::Recording;
    if (empty || longest <= 0) continue;
    m.BarColour = in.ClSeqTrack;
    const int64_t bar = static_cast<int64_t>(laneWidth) * length[s] / longest;
    m.BarWidth = Clamp32(std::max<int64_t>(bar, 0));
    int64_t x = static_cast<int64_t>(laneWidth) * q.PElap / longest;
    if (x < 0 || x > bar - kPosnEndMargin) x = 0;
    if (in.DspSolidTracks) {
      m.PosnWidth = std::max(kMinTrailWidth, Clamp32(x));
    } else {
      m.PosnLeft = Clamp32(x);
      m.PosnWidth = kMarkerWidth;
    }
    if (px > 0) {
      m.GridColour = in.ClSeqGridTicks;
      m.GridPx = px;
      m.GridTicks = Clamp32(std::min(length[s] / step, steps) + 1);
    }
  }
  return o;
}

}  // namespace vel
