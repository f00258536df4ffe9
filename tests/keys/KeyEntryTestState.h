#pragma once
// A clean engine for key-path tests (the engine fixture: loopback devices on ports 0..2, Running,
// live port 0), with fresh key-path state and the engine lock held as the key path holds it.
// Program changes are allowed on port 0 only; every seq is stopped on port 0, channel 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "base/EngineLock.h"
#include "engine/EngineTestState.h"
#include "engine/MidiFifo.h"
#include "keys/KeyArgs.h"
#include "keys/ResetAllState.h"
#include "platform/midi/ShortMsg.h"

namespace vel::test {

class KeyEntryTest : public EngineTest {
 protected:
  void ResetState() override { ResetAllState(); }
  void SetUp() override {
    EngineTest::SetUp();
    lock_ = std::unique_lock(EngineLock);
    RunCtl.MidiOutDevs[0].ProgChangesEnabled = 1;
  }
  void TearDown() override {
    // The reset stops the hotkey sender, which must not wait under the lock.
    lock_.unlock();
    EngineTest::TearDown();
  }

  // What waits in LiveFifo, oldest first, as "C3 05 00"; the queue is left empty.
  static std::vector<std::string> TakeLiveFifo() {
    std::vector<std::string> out;
    std::lock_guard lock(LiveFifo.Mutex);
    uint32_t raw = 0;
    while (LiveFifo.Pop(raw)) {
      const midi::TShortMsg m{raw};
      char text[12];
      std::snprintf(text, sizeof text, "%02X %02X %02X", m.Status(), m.Data1(), m.Data2());
      out.emplace_back(text);
    }
    return out;
  }

  static void SelectSeq(int seq) { SeqBuf(seq).Selected = 1; }

 private:
  std::unique_lock<TEngineLock> lock_;
};

}  // namespace vel::test
