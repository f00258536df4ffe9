// The timer thread never allocates, and the force-to-notes completion runs on it.
#include <gtest/gtest.h>

#include "base/AllocCounter.h"
#include "engine/PlayCycle.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyPathTestState.h"

namespace vel {
namespace {

using FtnAllocTest = test::KeyPathTest;

TEST_F(FtnAllocTest, TheTickThatCompletesAForceToNotesEntryAllocatesNothing) {
  for (int pc = 0; pc < 12; ++pc) SetKey(MapFtn, 60 + pc, static_cast<uint8_t>(FtnNoteFirst + pc));
  Cfg.FtnTimerThreshold = 5;
  Live.Selected = 1;
  SeqBuf(0).Selected = 1;
  SeqBuf(3).Selected = 1;
  Keys.KeyMode = TKeyMode::Ftn;
  // Live notes waiting, which the scale change plays out first.
  {
    std::lock_guard lock(EngineLock);
    for (int n = 40; n < 50; ++n) WriteLiveFifo(test::NoteOn(n));
  }
  for (int pc : {0, 1, 2, 4, 5, 7, 8, 10}) Press(60 + pc);
  Ticks(4);
  // The loopback backend records what it is sent in a growing list: give it room first (emptying
  // it keeps the room) so that only the engine is measured.
  for (int i = 0; i < 1000; ++i) SendShortMsg(0, 0xF8, false);
  ClearSent();
  EXPECT_EQ(test::CountNews([] { Ticks(1); }), 0);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn CC#DEFGG#!");
}

}  // namespace
}  // namespace vel
