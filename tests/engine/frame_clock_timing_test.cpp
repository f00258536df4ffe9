// The engine on an audio server's frame clock (a simulated server): its ticks follow the frames,
// every note lands on the frame its tick position means, an input frame maps to a tick position
// and back by the same mapping, and a server restart or skipped frames are counted with no tick
// made twice or left out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/EngineTestState.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "platform/midi/Midi.h"

namespace vel {
namespace {

using test::EngineTest;
using test::TSimFrameClock;

constexpr int32_t kSixteenth = kTicksPerQuarter / 4;

class FrameClockTiming : public EngineTest {
 protected:
  void TearDown() override {
    clock::Override(nullptr);
    EngineTest::TearDown();
  }

  // A one-bar part of sixteenths, note 60 + step (0..15), playing from the next tick.
  void PlaySixteenths(TSimFrameClock& fc, int32_t tempo) {
    clock::Override(&fc);
    Cfg.Tempo = Cfg.TargetTempo = tempo;
    Cfg.MidiTimerInterval = 1;
    for (int32_t i = 0; i < 16; ++i) {
      const auto note = static_cast<uint32_t>(60 + i) << 8;
      ASSERT_TRUE(InsertPartEvent(0, 0, 0x640090 | note, i * kSixteenth, true));
      ASSERT_TRUE(InsertPartEvent(0, 0, 0x000080 | note, i * kSixteenth + kSixteenth / 2, true));
    }
    ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 16 * kSixteenth, false));
    Play(0);
    ClearSent();
  }

  // Timer ticks of 1 ms; the note-ons sent meanwhile, as their note and due time.
  struct TOn {
    int32_t step;
    int64_t dueNs;
  };
  static void Run(int32_t ms, std::vector<TOn>& ons) {
    for (int32_t done = 0; done < ms; done += 500) {
      Ticks(std::min(500, ms - done));
      for (std::size_t i = 0; i < midi::loopback::SentCount(0); ++i) {
        const midi::loopback::Sent s = midi::loopback::SentAt(0, i);
        if (s.bytes.size() == 3 && s.bytes[0] == '\x90') ons.push_back({s.bytes[1] - 60, s.dueNs});
      }
      ClearSent();
    }
  }
};

// The server's frames run 100 ppm fast against the system clock the timer keeps: over ten
// minutes that is 60 ms, some 460 ticks at 120 BPM. The ticks follow the frames, and every note is
// on its frame: 6000 frames a sixteenth from the first, to the frame, to the last.
TEST_F(FrameClockTiming, TicksFollowTheFramesOfAServer100PpmFastOverTenMinutes) {
  TSimFrameClock fc(100, 256);
  PlaySixteenths(fc, 12000);
  const uint64_t clamps0 = midi::ClampedStamps();
  std::vector<TOn> ons;
  Run(600000, ons);
  // 600 s of the system clock are 600.06 s of frames: 4608460.8 ticks, not 4608000.
  EXPECT_NEAR(static_cast<double>(Transport.TickPosUnits) / kTickUnits, 4608460.8, 1.0);
  ASSERT_EQ(ons.size(), 4801u);
  const uint32_t first = fc.FrameAt(ons[0].dueNs);
  for (std::size_t k = 0; k < ons.size(); ++k) {
    ASSERT_EQ(ons[k].step, static_cast<int32_t>(k % 16)) << k;
    ASSERT_EQ(fc.FrameAt(ons[k].dueNs) - first, 6000u * k) << k;
  }
  EXPECT_EQ(midi::ClampedStamps(), clamps0);
  EXPECT_EQ(Transport.ClockSteps, 0u);
}

// At each tempo: the notes on their frames (to the nearest), and frames mapped to tick positions
// and back, as an input's frame stamp is.
TEST_F(FrameClockTiming, FramesAndTickPositionsMapBothWaysAtEveryTempo) {
  for (const int32_t tempo : {12000, 12700, 13000, 9730}) {
    SCOPED_TRACE(tempo);
    TearDown();
    SetUp();
    TSimFrameClock fc(0, 256);
    PlaySixteenths(fc, tempo);
    std::vector<TOn> ons;
    Run(20000, ons);
    ASSERT_GT(ons.size(), 120u);
    const double step = 48000.0 * 1500 / tempo;  // frames a sixteenth
    const uint32_t first = fc.FrameAt(ons[0].dueNs);
    const int64_t perMs = int64_t{tempo} * 64;
    for (std::size_t k = 0; k < ons.size(); ++k) {
      SCOPED_TRACE(k);
      const uint32_t frame = fc.FrameAt(ons[k].dueNs);
      EXPECT_EQ(frame - first, static_cast<uint32_t>(std::lround(static_cast<double>(k) * step)));
      // The frame's tick position is the note's, within half a frame...
      const std::optional<int64_t> pos = TickPosAtNs(fc.FrameNs(frame));
      ASSERT_TRUE(pos.has_value());
      const int64_t want = static_cast<int64_t>(k) * kSixteenth * kTickUnits;
      EXPECT_LE(std::abs(*pos - want), UnitsInNs(10417, perMs));
      // ...and the position's time falls on the frame again.
      EXPECT_EQ(fc.FrameAt(Transport.TickPosNs - NsOfUnits(Transport.TickPosUnits - *pos, perMs)), frame);
    }
  }
}

// The server dies and a new one starts 200 ms later at frame 0; later four periods of frames are
// skipped. The engine counts both; every note comes once and in turn, as many as the ticks made.
TEST_F(FrameClockTiming, AServerRestartAndAnXrunAreCountedAndNoTickIsMadeTwiceOrLost) {
  TSimFrameClock fc(0, 256);
  PlaySixteenths(fc, 13000);
  std::vector<TOn> ons;
  Run(5000, ons);
  fc.Restart(200000000);
  Run(5000, ons);
  fc.Skip(4);
  Run(5000, ons);
  EXPECT_EQ(Transport.ClockSteps, 2u);
  const int64_t ticks = Transport.TickPosUnits / kTickUnits;
  ASSERT_EQ(ons.size(), static_cast<std::size_t>(ticks / kSixteenth + 1));
  for (std::size_t k = 0; k < ons.size(); ++k) ASSERT_EQ(ons[k].step, static_cast<int32_t>(k % 16)) << k;
  // 15 s of the system clock, the 200 ms without a server included: nothing was lost.
  EXPECT_NEAR(static_cast<double>(ticks), 15.0 * 130 / 60 * kTicksPerQuarter, 2.0);
}

}  // namespace
}  // namespace vel
