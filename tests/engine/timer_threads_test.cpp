// The timer callback on the real timer thread while other threads work the engine as the MIDI-in
// and GUI threads do: entry points under EngineLock, atomic reads without it.
// Run under the thread sanitizer, this is where a data race would show.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/EngineTestState.h"
#include "keymaps/KeyModes.h"
#include "platform/MmTimer.h"

namespace vel {
namespace {

using namespace std::chrono_literals;

class TimerThreadsTest : public test::EngineTest {};

TEST_F(TimerThreadsTest, TheTimerPlaysWhileOtherThreadsChangeTheEngine) {
  {
    std::lock_guard lock(EngineLock);
    Cfg.DisableHotkeys = 0;
    Cfg.HotkeysTargetActiveWin = 1;
    HotkeyIo.SendKey = [](uint8_t, bool) { return true; };
    Cfg.MIDIOutClocksEnabled[0] = 1;
    for (int s = 0; s < kSeqs; ++s) {
      Fill(0, s, {{0, 0x643C90}, {10, 0x3C80}, {20, 0x804190}, {30, 0x804180}, {200, 0xFF}});
      Play(s);
    }
  }
  StartHotkeySender();
  const uint32_t id = mmtimer::SetEvent(1, 1, &TimerProc, 0);
  ASSERT_NE(id, 0u);

  std::atomic<bool> stop{false};
  // The MIDI-in thread: live input into the queue, recording into a part, key modes.
  std::thread midiIn([&] {
    uint32_t n = 0;
    while (!stop) {
      {
        // As HandleMidiIn: a queue overflow resets the live channel, which is engine data.
        std::lock_guard lock(EngineLock);
        if (Seqs.PartBufs[1][n % kSeqs].EventsUsed > 4000) ClearPartBuf(1, n % kSeqs);
        InsertPartEvent(1, n % kSeqs, 0x643C90, static_cast<int32_t>(n % 3840), true);
        SetKeyMode(n % 2 ? TKeyMode::Live : TKeyMode::Command);
      }
      ++n;
      std::this_thread::sleep_for(200us);
    }
  });
  // The GUI thread: commands, and a display that reads the atomics without the lock.
  int32_t lastClock = 0;
  for (int i = 0; i < 150; ++i) {
    {
      std::lock_guard lock(EngineLock);
      Seqs.SeqRecs[i % kSeqs].SelPart = (i / kSeqs) % kParts;
      if (i % 10 == 0) SetTargetTempo(i % 20 ? 18000 : 9000, false);
      if (i % 25 == 0) {
        Seqs.PartBufs[0][i % kSeqs].Selected = 1;
        StopSeqs();
      }
      if (SeqBuf(i % kSeqs).SeqState == TSeqState::Stopped && SeqBuf(i % kSeqs).Head >= 0) Play(i % kSeqs);
    }
    lastClock = Transport.MsClock.load();
    (void)Keys.KeyMode.load();
    (void)PlayCycle.BeatNo.load();
    std::this_thread::sleep_for(2ms);
  }
  stop = true;
  midiIn.join();

  // The stop: once the program leaves Running the callback clears TimerBusy.
  RunCtl.ProgState = TProgState::Stopping;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (RunCtl.TimerBusy && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(RunCtl.TimerBusy, 0);
  EXPECT_EQ(mmtimer::KillEvent(id), mmtimer::kOk);
  StopHotkeySender();
  const int32_t stoppedClock = Transport.MsClock.load();
  EXPECT_GT(stoppedClock, 0);
  EXPECT_GE(stoppedClock, lastClock);
  EXPECT_FALSE(Sent().empty());
}

}  // namespace
}  // namespace vel
