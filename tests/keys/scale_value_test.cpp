#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/MidiMsg.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyPathTestState.h"
#include "keys/ScaleValue.h"

namespace vel {
namespace {

using test::KeyPathTest;
using test::NoteOn;

TScaleTbl Twice(std::array<int32_t, 12> octave) {
  TScaleTbl t{};
  for (int i = 0; i < 12; ++i) t[i] = t[i + 12] = octave[i];
  return t;
}

TEST(ScaleTables, GivenTablesMoveTheOtherClassesAsDescribed) {
  struct Case {
    uint8_t type;
    TScaleTbl table;
  };
  const Case cases[] = {
      {FtsScaleMajor, Twice({0, -1, 0, -1, 0, 0, -1, 0, -1, 0, -1, 0})},
      // M: D down two to C, F down to E, F# up to G, A down two to G, A# up two to C, B up to C.
      {FtsChordMaj, Twice({0, -1, -2, 1, 0, -1, 1, 0, -1, -2, 2, 1})},
      // add9 keeps no root: C goes up to D, B up three to D.
      {FtsChordAdd9, Twice({2, 1, 0, -1, 0, -1, 1, 0, -1, -2, -3, 3})},
      {FtsScaleHung, Twice({0, -1, 0, 0, -1, 1, 0, 0, 0, -1, 0, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    ASSERT_NE(FtsScaleTable(c.type), nullptr);
    EXPECT_EQ(*FtsScaleTable(c.type), c.table);
  }
}

TEST(ScaleTables, EveryEntryGoesToTheNearestKeptClassDownOnATie) {
  for (int type = kFtsTypeFirstTable; type <= kFtsTypeLastTable; ++type) {
    SCOPED_TRACE("type " + std::to_string(type));
    const uint16_t kept = FtsKeptClasses(static_cast<uint8_t>(type));
    const TScaleTbl* t = FtsScaleTable(static_cast<uint8_t>(type));
    ASSERT_NE(t, nullptr);
    ASSERT_NE(kept, 0);
    auto isKept = [&](int pc) { return (kept >> ((pc % 12 + 12) % 12)) & 1; };
    for (int pc = 0; pc < 12; ++pc) {
      const int32_t offset = (*t)[pc];
      EXPECT_EQ((*t)[pc + 12], offset);
      EXPECT_TRUE(isKept(pc + offset)) << "pc " << pc;
      int nearest = 12;
      for (int d = 0; d < 12; ++d)
        if (isKept(pc + d) || isKept(pc - d)) {
          nearest = d;
          break;
        }
      EXPECT_EQ(std::abs(offset), nearest) << "pc " << pc;
      if (isKept(pc - nearest)) {
        EXPECT_LE(offset, 0) << "pc " << pc;
      }
    }
  }
  for (uint8_t other : {0, 5, 6, 7, 71, 255}) {
    EXPECT_EQ(FtsScaleTable(other), nullptr);
    EXPECT_EQ(FtsKeptClasses(other), 0);
  }
}

class ScaleValueTest : public KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    std::lock_guard lock(EngineLock);
    Live.Selected = 1;
    SeqBuf(1).Selected = 1;
  }
  static void Set(int32_t root, uint8_t type) {
    std::lock_guard lock(EngineLock);
    SetScaleValue(root, type);
  }
};

TEST_F(ScaleValueTest, RootDMajorMakesAPlayedDSharpSoundAsD) {
  Set(2, FtsScaleMajor);
  EXPECT_EQ(Live.FtsRoot, 2);
  EXPECT_EQ(Live.FtsType, FtsScaleMajor);
  EXPECT_EQ(Live.ScaleMap, FtsScaleTable(FtsScaleMajor));
  const TPartBuf& b = SeqBuf(1);
  EXPECT_EQ(b.Pend.FtsRoot, 2);
  EXPECT_EQ(b.Pend.FtsType, FtsScaleMajor);
  EXPECT_EQ(b.Pend.ScaleTbl, FtsScaleTable(FtsScaleMajor));
  EXPECT_EQ(msg::ScaleNote(b.Pend.ScaleTbl, b.Pend.FtsRoot, 63), 62);

  SetKey(MapLive, 63, LiveN);
  Press(63);
  Ticks(1);
  EXPECT_EQ(SentHex(0), std::vector<std::string>{"90 3E 64"});
}

TEST_F(ScaleValueTest, NotesQueuedBeforeTheChangeKeepTheOldScale) {
  {
    std::lock_guard lock(EngineLock);
    WriteLiveFifo(NoteOn(63));
  }
  Set(2, FtsScaleMajor);
  // The queue was played out first, as D#, and the note silenced.
  EXPECT_EQ(SentHex(0), (std::vector<std::string>{"90 3F 64", "80 3F 00"}));
}

TEST_F(ScaleValueTest, CurrChangesOnlyTheRootAndOffClearsTheScale) {
  Set(0, FtsChordMin);
  Set(5, kFtsTypeCurr);
  EXPECT_EQ(Live.FtsRoot, 5);
  EXPECT_EQ(Live.FtsType, FtsChordMin);
  EXPECT_EQ(Live.ScaleMap, FtsScaleTable(FtsChordMin));
  EXPECT_EQ(SeqBuf(1).Pend.FtsRoot, 5);
  EXPECT_EQ(SeqBuf(1).Pend.FtsType, FtsChordMin);
  EXPECT_EQ(SeqBuf(1).Pend.ScaleTbl, FtsScaleTable(FtsChordMin));

  Set(0, kFtsTypeOff);
  EXPECT_EQ(Live.FtsType, kFtsTypeOff);
  EXPECT_EQ(Live.ScaleMap, nullptr);
  EXPECT_EQ(SeqBuf(1).Pend.FtsType, kFtsTypeOff);
  EXPECT_EQ(SeqBuf(1).Pend.ScaleTbl, nullptr);
  EXPECT_TRUE(Msgs.ErrMsg.IsEmpty());
}

TEST_F(ScaleValueTest, PitchLockedAndUnselectedTargetsKeepTheirScale) {
  {
    std::lock_guard lock(EngineLock);
    Live.PitchLocked = 1;
    SeqBuf(1).PitchLocked = 1;
    SeqBuf(2).Selected = 1;
  }
  Set(4, FtsScaleMajor);
  EXPECT_EQ(Live.FtsRoot, 0);
  EXPECT_EQ(Live.ScaleMap, nullptr);
  for (int s : {0, 1, 3}) {
    EXPECT_EQ(SeqBuf(s).Pend.FtsRoot, 0);
    EXPECT_EQ(SeqBuf(s).Pend.ScaleTbl, nullptr);
  }
  EXPECT_EQ(SeqBuf(2).Pend.FtsRoot, 4);
  EXPECT_EQ(SeqBuf(2).Pend.ScaleTbl, FtsScaleTable(FtsScaleMajor));
}

TEST_F(ScaleValueTest, ATypeThatIsNoScaleTurnsTheTargetsScaleOff) {
  for (uint8_t type : {0, 3, 71, 200}) {
    SCOPED_TRACE("type " + std::to_string(type));
    Set(0, FtsScaleMajor);
    Msgs.ErrMsg.Clear();
    Set(3, type);
    EXPECT_EQ(Msgs.ErrMsg.Peek(), "SetScaleValue error: Unexpected MapRangeScaleNTypeKey");
    EXPECT_EQ(Live.FtsType, kFtsTypeOff);
    EXPECT_EQ(Live.ScaleMap, nullptr);
    EXPECT_EQ(SeqBuf(1).Pend.FtsType, kFtsTypeOff);
    EXPECT_EQ(SeqBuf(1).Pend.ScaleTbl, nullptr);
  }
}

}  // namespace
}  // namespace vel
