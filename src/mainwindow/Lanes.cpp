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

namespace {

// The lanes' shared scale: every lane is drawn against the longest seq and the grid step.
struct TLaneScale {
  std::array<int64_t, kSeqs> Length{};
  std::array<bool, kSeqs> IsLong{};  // shown as a text position instead of a lane
  int64_t Longest = 0;
  int32_t LaneWidth = 0;
  int32_t Step = 0;   // grid step in ticks
  int32_t Px = 0;     // grid step in pixels, 0 without a grid
  int64_t Steps = 0;  // grid steps along the longest lane
};

TLaneScale LaneScale(const TLanesIn& in, int32_t fullWidth) {
  TLaneScale sc;
  for (int32_t s = 0; s < kSeqs; ++s) {
    const TLaneSeqIn& q = in.Seqs[s];
    if (!q.InUse) continue;
    sc.Length[s] = LaneSeqLength(q, in.RecBeatCount, in.ActBeatTicks);
    sc.IsLong[s] = in.DspSeqNumPosn && in.BarTicks > 0 && sc.Length[s] / in.BarTicks > kLongSeqBars;
    if (!sc.IsLong[s]) sc.Longest = std::max(sc.Longest, sc.Length[s]);
  }
  // The grid rounds the lane to whole steps, so the longest lane ends exactly on a tick.
  const int32_t full = std::max(fullWidth, 0);
  sc.LaneWidth = full;
  if (in.DspSeqGrid && sc.Longest > 0) {
    sc.Step = SeqGridStep(in.BarTicks, in.BeatsPerBar, in.NoteLenFrac, in.SQNoteLenFrac);
    sc.Steps = sc.Step > 0 ? sc.Longest / sc.Step : 0;
    if (sc.Steps > 0 && full / sc.Steps >= kMinGridPx) {
      sc.Px = static_cast<int32_t>(full / sc.Steps);
      sc.LaneWidth = Clamp32(sc.Steps * sc.Px + 1);
    }
  }
  return sc;
}

// A lane's bar, position marker and grid ticks.
void LaneBar(const TLanesIn& in, const TLaneSeqIn& q, int64_t length, const TLaneScale& sc, TLaneModel& m) {
  m.BarColour = in.ClSeqTrack;
  const int64_t bar = static_cast<int64_t>(sc.LaneWidth) * length / sc.Longest;
  m.BarWidth = Clamp32(std::max<int64_t>(bar, 0));
  int64_t x = static_cast<int64_t>(sc.LaneWidth) * q.PElap / sc.Longest;
  if (x < 0 || x > bar - kPosnEndMargin) x = 0;
  if (in.DspSolidTracks) {
    m.PosnWidth = std::max(kMinTrailWidth, Clamp32(x));
  } else {
    m.PosnLeft = Clamp32(x);
    m.PosnWidth = kMarkerWidth;
  }
  if (sc.Px > 0) {
    m.GridColour = in.ClSeqGridTicks;
    m.GridPx = sc.Px;
    m.GridTicks = Clamp32(std::min(length / sc.Step, sc.Steps) + 1);
  }
}

}  // namespace

TLanesModel LanesModel(const TLanesIn& in, int32_t fullWidth) {
  TLanesModel o;
  const TLaneScale sc = LaneScale(in, fullWidth);
  o.Longest = sc.Longest;
  o.LaneWidth = sc.LaneWidth;

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
    if (sc.IsLong[s]) {
      m.NumPosnVisible = true;
      m.NumPosnText = "(" + FmtSeqPos(Clamp32(sc.Length[s]), q.PElap, fmt) + ")";
      continue;
    }
    m.LaneVisible = true;
    // A recording part shows its growing length even before its first event.
    const bool empty = q.Head < 0 && q.SeqState != TSeqState::Recording;
    if (empty || sc.Longest <= 0) continue;
    LaneBar(in, q, sc.Length[s], sc, m);
  }
  return o;
}

}  // namespace vel
