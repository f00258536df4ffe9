#include "mainwindow/Kinetrace.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vel {

void PrintTo(const TRect& r, std::ostream* os) {
  *os << "{" << r.Left << ", " << r.Top << ", " << r.Width << ", " << r.Height << "}";
}

namespace {

TEST(KinetraceLayout, GeometryByShapeStyleAndPanel) {
  struct Case {
    int32_t w, h, border, shape, size, style;
    TKinetraceGeom want;
  };
  // The factory panel: 160 x 191 with a 1-pixel border; margins 7, inner 146 x 177.
  const Case cases[] = {
      {160, 191, 1, 1, 5, 1, {true, false, TBlobKind::Ellipse, 33, 20, 4, 6, 80, 96}},
      {160, 191, 1, 3, 5, 1, {true, false, TBlobKind::Circle, 33, 33, 4, 5, 80, 96}},
      {160, 191, 1, 2, 5, 2, {true, true, TBlobKind::RoundRect, 60, 40, 7, 13, 11, 181}},
      {160, 191, 1, 4, 5, 2, {true, true, TBlobKind::RoundSquare, 60, 60, 7, 11, 11, 181}},
      // Unknown shape and style values: ellipse, polar.
      {160, 191, 1, 9, 5, 0, {true, false, TBlobKind::Ellipse, 33, 20, 4, 6, 80, 96}},
      // A wide panel (inner 372 x 90, ratio 4) does not double the ellipse's width.
      {400, 100, 1, 1, 5, 1, {true, false, TBlobKind::Ellipse, 42, 10, 14, 3, 200, 50}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LayoutKinetraceBlobs(c.w, c.h, c.border, c.shape, c.size, c.style), c.want)
        << c.w << "x" << c.h << " shape " << c.shape << " style " << c.style;
  // No room inside the margins: nothing laid out (and no division by zero).
  EXPECT_FALSE(LayoutKinetraceBlobs(12, 12, 3, 1, 5, 1).Valid);
  EXPECT_FALSE(LayoutKinetraceBlobs(160, 0, 0, 1, 5, 1).Valid);
  EXPECT_FALSE(LayoutKinetraceBlobs(0, 0, 0, 3, 5, 2).Valid);
}

TEST(KinetraceLayout, BlobPlaceSizeAndColour) {
  const TKinetraceGeom polar = LayoutKinetraceBlobs(160, 191, 1, 3, 5, 1);
  const TKinetraceGeom grid = LayoutKinetraceBlobs(160, 191, 1, 1, 5, 2);
  struct Case {
    const TKinetraceGeom* g;
    int32_t tail, note, level;
    TRect want;
  };
  const Case cases[] = {
      // C above the centre at ring 6; F# below it at ring 6.5.
      {&polar, 1, 60, 127, {64, 50, 33, 33}},
      {&polar, 1, 66, 127, {64, 112, 33, 33}},
      // E (four o'clock) at ring 6 + 4/12: 0.866 across, 0.5 down.
      {&polar, 1, 64, 127, {85, 95, 33, 33}},
      // A quiet blob keeps the big box's top-right corner (tail 3) or its bottom edge (tail 6).
      {&polar, 3, 60, 32, {88, 50, 8, 8}},
      {&polar, 6, 60, 32, {76, 74, 8, 8}},
      // Level 1 still shows at the smallest size.
      {&polar, 1, 60, 1, {78, 64, 4, 4}},
      // Grid: column by pitch class, row by octave from the bottom.
      {&grid, 7, 61, 127, {18, 76, 60, 40}},
      {&grid, 1, 61, 20, {43, 93, 9, 6}},
      {&grid, 5, 0, 127, {11, 141, 60, 40}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlaceBlob(*c.g, c.tail, c.note, c.level, 0).Box, c.want)
        << "note " << c.note << " level " << c.level << " tail " << c.tail;
  // Loud notes take the channel colour, quiet ones fade towards white.
  EXPECT_EQ(PlaceBlob(polar, 1, 60, 127, Rgb(0, 0, 255)).Colour, 0xFF0101u);
  EXPECT_EQ(PlaceBlob(polar, 1, 60, 50, Rgb(0, 0, 255)).Colour, 0xFF9B9Bu);
  EXPECT_EQ(PlaceBlob(polar, 1, 60, 0, Rgb(0, 0, 255)).Colour, 0xFFFFFFu);
}

struct FadeCase {
  const char* what;
  int32_t decay, interval, pedal;
  TNoteDsp before, after;
  bool lit, again;
};

TEST(KinetraceFade, ReleasedNotesFadeByPedalAndDecay) {
  const FadeCase cases[] = {
      {"held", 3, 50, 0, {100, 100, 0}, {100, 100, 0}, true, false},
      {"decay 3: 500 ms", 3, 50, 0, {100, 100, 500}, {100, 90, 450}, true, true},
      {"decay 2: 200 ms", 2, 50, 0, {100, 100, 200}, {100, 75, 150}, true, true},
      {"decay 4: 1000 ms", 4, 50, 0, {100, 100, 1000}, {100, 95, 950}, true, true},
      {"at least one level", 3, 50, 0, {5, 5, 500}, {5, 4, 450}, true, true},
      {"full pedal", 3, 50, 64, {100, 100, 500}, {100, 99, 499}, true, true},
      {"half pedal", 3, 50, 50, {100, 100, 500}, {100, 98, 498}, true, true},
      {"decay 1 vanishes next tick", 1, 50, 0, {100, 100, 1}, {100, 0, -49}, false, false},
      {"faded out", 3, 50, 0, {100, 10, 500}, {100, 0, 450}, false, false},
      {"tail ran out", 3, 50, 64, {100, 90, 1}, {100, 0, 0}, false, false},
      // A tick longer than the decay time fades a whole velocity per tick.
      {"tick longer than decay", 2, 300, 0, {100, 100, 500}, {100, 0, 200}, false, false},
      // An interval below 1 counts as 1 ms.
      {"interval 0", 3, 0, 0, {100, 100, 500}, {100, 99, 499}, true, true},
  };
  for (const FadeCase& c : cases) {
    TNoteTable notes{};
    std::array<int32_t, kChans> sustain{};
    sustain[2] = c.pedal;
    notes[2][60] = c.before;
    TLitNotes lit;
    const bool again = FadeKinetrace(notes, sustain, TFadeSettings{c.decay, c.interval, 64, 50}, lit);
    const TNoteDsp& d = notes[2][60];
    EXPECT_EQ(d.Vel, c.after.Vel) << c.what;
    EXPECT_EQ(d.Level, c.after.Level) << c.what;
    EXPECT_EQ(d.Tail, c.after.Tail) << c.what;
    EXPECT_EQ(again, c.again) << c.what;
    ASSERT_EQ(lit.Count, c.lit ? 1 : 0) << c.what;
    if (c.lit) {
      EXPECT_EQ(lit.Notes[0], (TLitNote{2, 60, c.after.Level})) << c.what;
    }
  }
}

TEST(KinetraceFade, FiftyBlobsInChannelAndNoteOrderTheRestWait) {
  // 60 released notes: 30 on channel 1 and 30 on channel 4.
  TNoteTable notes{};
  for (int32_t n = 0; n < 30; ++n) {
    notes[0][40 + n] = TNoteDsp{100, 100, 500};
    notes[3][40 + n] = TNoteDsp{100, 100, 500};
  }
  TLitNotes lit;
  EXPECT_TRUE(FadeKinetrace(notes, {}, TFadeSettings{}, lit));
  ASSERT_EQ(lit.Count, kKinetraceBlobs);
  EXPECT_EQ(lit.Notes[29], (TLitNote{0, 69, 90}));
  EXPECT_EQ(lit.Notes[30], (TLitNote{3, 40, 90}));
  EXPECT_EQ(lit.Notes[49], (TLitNote{3, 59, 90}));
  EXPECT_EQ(notes[3][59].Tail, 450);
  // Neither drawn nor faded this tick.
  EXPECT_EQ(notes[3][60].Level, 100);
  EXPECT_EQ(notes[3][60].Tail, 500);
  EXPECT_EQ(notes[3][69].Level, 100);

  // Fewer sound: the waiting notes come in.
  for (int32_t n = 0; n < 30; ++n) notes[0][40 + n] = TNoteDsp{};
  EXPECT_TRUE(FadeKinetrace(notes, {}, TFadeSettings{}, lit));
  EXPECT_EQ(lit.Count, 30);
  EXPECT_EQ(lit.Notes[29], (TLitNote{3, 69, 90}));

  const TKinetraceGeom g = LayoutKinetraceBlobs(160, 191, 1, 1, 5, 1);
  std::array<TColor, kChans> colours{};
  colours[3] = Rgb(255, 0, 0);
  const TKinetraceModel m = KinetraceModel(g, 7, lit, colours);
  EXPECT_EQ(m.Count, 30);
  EXPECT_EQ(m.Blobs[0], PlaceBlob(g, 7, 40, 80, Rgb(255, 0, 0)));
  // A panel without room shows nothing.
  EXPECT_EQ(KinetraceModel(LayoutKinetraceBlobs(4, 4, 1, 1, 5, 1), 7, lit, colours).Count, 0);
}

TEST(KinetracePanel, PictureBoxAndAvailableWidth) {
  // Inner area of a 160 x 191 panel with a 1-pixel border: (2, 2) 156 x 187.
  EXPECT_EQ(KinetracePictureRect(160, 191, 1, 50, 300, false), (TRect{55, 2, 50, 187}));
  EXPECT_EQ(KinetracePictureRect(160, 191, 1, 51, 40, false), (TRect{54, 75, 51, 40}));
  EXPECT_EQ(KinetracePictureRect(160, 191, 1, 50, 40, true), (TRect{2, 2, 156, 187}));
  EXPECT_EQ(KinetracePictureRect(3, 3, 1, 50, 40, true), (TRect{2, 2, 0, 0}));

  EXPECT_EQ(KinetraceAvailWidth(1040, true, 3, 160), 1040);
  EXPECT_EQ(KinetraceAvailWidth(1040, true, 7, 160), 876);
  EXPECT_EQ(KinetraceAvailWidth(1040, false, 3, 160), 876);
}

}  // namespace
}  // namespace vel
