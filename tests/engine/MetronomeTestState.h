#pragma once
// A clean engine with the metronome on seq 1 (index 0), fresh style stores with unvaried velocities,
// the builder's hooks installed, and the built part read back as (tick, message) pairs.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <vector>

#include "base/Messages.h"
#include "engine/EngineTestState.h"
#include "engine/Metronome.h"
#include "styles/StyleChains.h"
#include "styles/StyleTestState.h"

namespace vel::test {

// One part event: tick and packed message (status in the low byte, channel 0 as built).
struct PartEv {
  int32_t time;
  uint32_t msg;
  bool operator==(const PartEv&) const = default;
};
inline void PrintTo(const PartEv& e, std::ostream* os) {
  char text[32];
  std::snprintf(text, sizeof text, "{%d, 0x%06X}", e.time, e.msg);
  *os << text;
}
using PartEvs = std::vector<PartEv>;

// The part's events in list order.
inline PartEvs PartEvents(int part, int seq) {
  PartEvs out;
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) out.push_back({b.Events[i].Time, b.Events[i].Msg});
  return out;
}

// Note-on and note-off messages as the builder writes them (channel 0).
constexpr uint32_t On(uint32_t note, uint32_t vel) {
  return 0x90 | note << 8 | vel << 16;
}
constexpr uint32_t Off(uint32_t note) {
  return 0x80 | note << 8;
}
constexpr uint32_t kEnd = 0xFF;

class MetronomeTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    InitMetronomeHooks();
    DrumStore.VelVar = 0;
    BassStore.VelVar = 0;
    Cfg.MetrSeqNo = 0;
  }

  // The drum or the bass style metronome.
  static void UseDrumStyle() {
    Cfg.MetrModeStyles = 1;
    Cfg.MetrTypePitchLocked = 1;
  }
  static void UseBassStyle() {
    Cfg.MetrModeStyles = 1;
    Cfg.MetrTypePitchLocked = 0;
  }
  // Pattern 0 of style 0 with only the given rows (row index, steps); the rest emptied.
  static void SetOnlyRows(TStyleStore& store, std::initializer_list<std::pair<int, const char*>> rows,
                          int steps = 0) {
    TStylePattern& p = store.Patterns[0][0];
    for (int r = 0; r < kStyleRows; ++r) SetStyleRow(p, r, "");
    for (auto [r, text] : rows) SetStyleRow(p, r, text);
    if (steps > 0) p.Steps = steps;
  }
  // Note-ons only, as (tick, note, velocity) in one message.
  static PartEvs NoteOns(int part = 0, int seq = 0) {
    PartEvs out;
    for (const PartEv& e : PartEvents(part, seq))
      if ((e.msg & 0xF0) == 0x90) out.push_back(e);
    return out;
  }
  // The ms at which note-ons of one note went out on device 0.
  static std::vector<uint32_t> SentNoteOnTimes(const std::string& prefix) {
    std::vector<uint32_t> out;
    for (const SentMsg& m : Sent())
      if (m.hex.rfind(prefix, 0) == 0) out.push_back(m.time);
    return out;
  }
};

}  // namespace vel::test
