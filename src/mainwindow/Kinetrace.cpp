#include "mainwindow/Kinetrace.h"

#include <algorithm>

namespace vel {

namespace {

constexpr int32_t kMinBlob = 4;
constexpr int32_t kMaxLevel = 127;
// sin and cos of pc x 30 degrees, clockwise from twelve o'clock, in thousandths.
constexpr std::array<int32_t, 12> kSin = {0, 500, 866, 1000, 866, 500, 0, -500, -866, -1000, -866, -500};
constexpr std::array<int32_t, 12> kCos = {1000, 866, 500, 0, -500, -866, -1000, -866, -500, 0, 500, 866};

bool IsSquare(TBlobKind k) {
  return k == TBlobKind::Circle || k == TBlobKind::RoundSquare;
}

int32_t BlobExtent(int32_t most, int32_t level) {
  return std::min(std::max(most * level / kMaxLevel, kMinBlob), most);
}

}  // namespace

TKinetraceGeom LayoutKinetraceBlobs(int32_t width, int32_t height, int32_t border, int32_t shape,
                                    int32_t size, int32_t style) {
  TKinetraceGeom g;
  const int32_t mx = width / 32 + 2 * border;
  const int32_t my = height / 32 + 2 * border;
  const int32_t iw = width - 2 * mx;
  const int32_t ih = height - 2 * my;
  // A panel squeezed to nothing has no room for blobs (and would divide by zero).
  if (iw <= 0 || ih <= 0) return g;
  g.Valid = true;
  g.Kind = shape >= 1 && shape <= 4 ? static_cast<TBlobKind>(shape) : TBlobKind::Ellipse;
  const bool square = IsSquare(g.Kind);
  const int32_t ratio = iw / ih;
  // Ellipses and rounded rectangles are twice as wide as high unless the panel already is.
  const int32_t fx = !square && ratio < 2 ? 2 * size : size;
  const int32_t fy = size;
  g.Grid = style == 2;
  if (!g.Grid) {
    g.MaxW = (fx * iw / 2) / 11;
    g.MaxH = (fy * ih / 2) / 11;
    if (square) {
      g.MaxW = g.MaxH = std::min(g.MaxW, g.MaxH);
    } else {
      g.MaxW /= 2;
      g.MaxH /= 2;
    }
    g.StepX = (iw / 2 - g.MaxW) / 10;
    g.StepY = (ih / 2 - g.MaxH) / 10;
    g.OriginX = mx + iw / 2;
    g.OriginY = height - my - ih / 2;
  } else {
    g.MaxW = fx * iw / 12;
    g.MaxH = fy * ih / 11;
    if (square) {
      g.MaxW = g.MaxH = std::min(g.MaxW, g.MaxH);
    } else {
      g.MaxW /= 2;
      g.MaxH /= 2;
    }
    g.StepX = (iw - g.MaxW) / 11;
    g.StepY = (ih - g.MaxH) / 10;
    g.OriginX = mx + (iw - 11 * g.StepX - g.MaxW) / 2;
    g.OriginY = height - my - (ih - 10 * g.StepY - g.MaxH) / 2;
  }
  return g;
}

bool TLitNotes::operator==(const TLitNotes& o) const {
  return Count == o.Count && std::equal(Notes.begin(), Notes.begin() + Count, o.Notes.begin());
}

bool FadeKinetrace(TNoteTable& notes, const std::array<int32_t, kChans>& sustain, const TFadeSettings& s,
                   TLitNotes& lit) {
  lit.Count = 0;
  bool again = false;
  // The fade runs once per status tick, so its times in ms are counted in ticks. A tick longer
  // than the decay time still fades, by a whole velocity per tick.
  const int32_t interval = std::max(s.StatusInterval, 1);
  const int32_t decayMs = s.Decay == 2 ? 200 : s.Decay == 4 ? 1000 : 500;
  const int32_t ticksPerDecay = std::max(decayMs / interval, 1);
  for (int32_t ch = 0; ch < kChans; ++ch) {
    const bool full = sustain[ch] >= s.FullPedalMin;
    const bool half = sustain[ch] >= s.HalfPedalMin;
    for (int32_t n = 0; n < 128; ++n) {
      TNoteDsp& d = notes[ch][n];
      if (d.Level < 1 && d.Tail < 1) continue;
      if (lit.Count == kKinetraceBlobs) return again;
      if (d.Tail > 0) {
        d.Tail -= full ? 1 : half ? 2 : interval;
        if (d.Tail <= 0) {
          d.Level = 0;
          continue;
        }
        const int32_t step = full           ? 1
                             : half         ? 2
                             : s.Decay == 1 ? kMaxLevel
                                            : std::max(d.Vel / ticksPerDecay, 1);
        d.Level = std::max(d.Level - step, 0);
        if (d.Level > 0) again = true;
      }
      if (d.Level < 1) continue;
      lit.Notes[lit.Count++] = TLitNote{static_cast<uint8_t>(ch), static_cast<uint8_t>(n), d.Level};
    }
  }
  return again;
}

bool TKinetraceModel::operator==(const TKinetraceModel& o) const {
  return Kind == o.Kind && Count == o.Count &&
         std::equal(Blobs.begin(), Blobs.begin() + Count, o.Blobs.begin());
}

namespace {

// The way a tail setting (2..9, clockwise from below) pulls a blob within its largest box: -1, 0
// or +1 across and down. Other settings leave it centred.
struct TTailPull {
  int32_t X = 0;
  int32_t Y = 0;
};

TTailPull TailPull(int32_t tail) {
  static constexpr TTailPull kPulls[] = {{0, 1},  {1, 1},   {1, 0},  {1, -1},
                                         {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
  return tail >= 2 && tail <= 9 ? kPulls[tail - 2] : TTailPull{};
}

// Pitch climbs outwards in a spiral: one ring per octave, a twelfth of a ring per half step,
// in hundredths of a pixel.
TRect SpiralBox(const TKinetraceGeom& g, int32_t pc, int32_t octave, int32_t w, int32_t h, TTailPull pull) {
  const int64_t rx = static_cast<int64_t>(octave + 1) * g.StepX * 100 + pc * g.StepX * 100 / 12;
  const int64_t ry = static_cast<int64_t>(octave + 1) * g.StepY * 100 + pc * g.StepY * 100 / 12;
  const int32_t left = g.OriginX - w / 2 + static_cast<int32_t>(rx * kSin[pc] / 100000);
  const int32_t top = g.OriginY - h / 2 - static_cast<int32_t>(ry * kCos[pc] / 100000);
  const int32_t dx = (g.MaxW - w) / 2;
  const int32_t dy = (h - g.MaxH) / 2;
  return TRect{left + pull.X * dx, top + pull.Y * dy, w, h};
}

// A grid of a column per pitch class and a row per octave.
TRect GridBox(const TKinetraceGeom& g, int32_t pc, int32_t octave, int32_t w, int32_t h, TTailPull pull) {
  const int32_t a = pull.X > 0 ? g.MaxW - w : pull.X < 0 ? 0 : (g.MaxW - w) / 2;
  const int32_t c = pull.Y > 0 ? g.MaxH : pull.Y < 0 ? h : (g.MaxH + h) / 2;
  return TRect{g.OriginX + pc * g.StepX + a, g.OriginY - octave * g.StepY - c, w, h};
}

}  // namespace

TBlob PlaceBlob(const TKinetraceGeom& g, int32_t tail, int32_t note, int32_t level, TColor chanColour) {
  TBlob b;
  // Loud notes show the channel colour, quiet ones fade towards white.
  const TColor grey = static_cast<TColor>(std::clamp(255 - 2 * level, 0, 255));
  b.Colour = (grey | grey << 8 | grey << 16) | (chanColour & 0x00FFFFFFu);
  const int32_t w = BlobExtent(g.MaxW, level);
  const int32_t h = IsSquare(g.Kind) ? w : BlobExtent(g.MaxH, level);
  const int32_t pc = note % 12;
  const int32_t octave = note / 12;
  const TTailPull pull = TailPull(tail);
  b.Box = g.Grid ? GridBox(g, pc, octave, w, h, pull) : SpiralBox(g, pc, octave, w, h, pull);
  return b;
}

TKinetraceModel KinetraceModel(const TKinetraceGeom& g, int32_t tail, const TLitNotes& lit,
                               const std::array<TColor, kChans>& chanColours) {
  TKinetraceModel m;
  m.Kind = g.Kind;
  if (!g.Valid) return m;
  for (int32_t i = 0; i < lit.Count && i < kKinetraceBlobs; ++i) {
    const TLitNote& n = lit.Notes[i];
    m.Blobs[m.Count++] = PlaceBlob(g, tail, n.Note, n.Level, chanColours[n.Chan % kChans]);
  }
  return m;
}

TRect KinetracePictureRect(int32_t width, int32_t height, int32_t border, int32_t pictureW, int32_t pictureH,
                           bool stretch) {
  TRect r{2 * border, 2 * border, std::max(width - 4 * border, 0), std::max(height - 4 * border, 0)};
  if (stretch) return r;
  if (pictureW < r.Width) {
    r.Left += (r.Width - pictureW) / 2;
    r.Width = pictureW;
  }
  if (pictureH < r.Height) {
    r.Top += (r.Height - pictureH) / 2;
    r.Height = pictureH;
  }
  return r;
}

int32_t KinetraceAvailWidth(int32_t laidOutWidth, bool dspKinetrace, int32_t posn, int32_t panelWidth) {
  if (dspKinetrace && posn >= 1 && posn <= 5) return laidOutWidth;
  return laidOutWidth - panelWidth - 4;
}

}  // namespace vel
