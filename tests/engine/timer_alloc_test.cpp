// The timer callback never allocates.
#include <gtest/gtest.h>

#include "base/AllocCounter.h"
#include "engine/EngineTestState.h"
#include "keymaps/KeyModes.h"

namespace vel {
namespace {

class TimerAllocTest : public test::EngineTest {
 protected:
  static long CountedTicks(int n) {
    return test::CountNews([n] { Ticks(n); });
  }
};

TEST_F(TimerAllocTest, ABusyTimerTickAllocatesNothing) {
  // Everything a tick can do at once: four seqs with multiplied notes, hotkeys, program and
  // controller changes and time shifts, part changes at the wrap, live input through the
  // multiplier, MIDI clock, a logarithmic tempo glide, traces and diagnostic posts that overflow
  // their queues, the force-to-notes timeout, record counting and the hooks.
  Trace.DiagFlags = 1;
  Trace.OutTraceOn = 1;
  Trace.TraceNotes = Trace.TraceController = Trace.TraceProgChanges = Trace.TraceMC = Trace.TraceHotkey = 1;
  Cfg.DisableHotkeys = 0;
  Cfg.HotkeysTargetActiveWin = 1;
  HotkeyIo.SendKey = [](uint8_t, bool) { return true; };
  Cfg.MIDIOutClocksEnabled.fill(1);
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMin[1] = 0;
  Cfg.MChanMax[1] = 3;
  Cfg.MChanPitchOffset[1][3] = 100;
  Live.MChanApplies = 1;
  RunCtl.LivePort = 1;
  for (auto& dev : RunCtl.MidiOutDevs) dev.ProgChangesEnabled = 1;
  Cfg.UseLgTempos = 1;
  Cfg.TempoSlewTime = 1000;
  SetTargetTempo(24000, true);
  static const TScaleTbl tbl{0, 1, 0, -1, 0, 0, 1, 0, -1, 0, 1, 0, 0, 1, 0, -1, 0, 0, 1, 0, -1, 0, 1, 0};
  for (int s = 0; s < kSeqs; ++s) {
    for (int p = 0; p < kParts; ++p) {
      TPartBuf& b = Seqs.PartBufs[p][s];
      for (int32_t t = 0; t < 3840; t += 40) {
        InsertPartEvent(p, s, 0x643090 | static_cast<uint32_t>(t % 48) << 8, t, true);
        InsertPartEvent(p, s, 0x003080 | static_cast<uint32_t>(t % 48) << 8, t + 30, true);
      }
      InsertPartEvent(p, s, 0x804190, 100, false);
      InsertPartEvent(p, s, 0x804180, 200, false);
      InsertPartEvent(p, s, 0x05C0, 300, false);
      InsertPartEvent(p, s, 0x4001B0, 400, false);
      InsertPartEvent(p, s, 0xFF, 3840, false);
      b.PortPend = static_cast<int8_t>(s % 3);
      b.ChanPend = static_cast<int8_t>(s);
      b.Pend.ScaleTbl = &tbl;
      b.Pend.FtsType = 8;
      b.TimeShiftRept = s == 3 ? -500 : 0;
      b.PortSweep = {1, 0, 2, 0, 1};
      b.ProgSweep = {1, 0, 127, 0, 0};
    }
    Seqs.SeqRecs[s].PartSweepOn = 1;
    Seqs.SeqRecs[s].PartSweepHigh = 1;
    Play(s);
  }
  EngineHooks.FinishFtnEntry = [] {};
  EngineHooks.SampleAidTick = [](int32_t) {};
  EngineHooks.RecBarCountDone = [] {};
  Showing.SampleAidShowing = 1;
  Transport.RecActive = 1;
  Transport.RecBeatCountOn = 1;
  Transport.RecBarCountOn = 1;
  Transport.RecBarCount = 3;

  // The loopback backend reserves its record of sent messages at the first message: send some
  // first (emptying the record keeps the room) so that only the engine is measured.
  for (int d = 0; d < midi::loopback::kOutDevs; ++d)
    for (int i = 0; i < 60000; ++i) SendShortMsg(d, 0xF8, false);
  ClearSent();

  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 40; ++i) WriteLiveFifo(0x503C90 + static_cast<uint32_t>(i % 4) * 0x100);
    for (int i = 0; i < 40; ++i) WriteLiveFifo(0x003C80 + static_cast<uint32_t>(i % 4) * 0x100);
    WriteLiveFifo(0x804290);
    WriteRawFifo(0x2000E0);
    Keys.KeyMode = TKeyMode::Ftn;
    Transport.FtnTimer = 3;
    EXPECT_EQ(CountedTicks(2000), 0) << "round " << round;
    RunQueuedHotkeyStrokes();
    for (int d = 0; d < midi::loopback::kOutDevs; ++d) ASSERT_LT(midi::loopback::SentCount(d), 60000u);
    ClearSent();
  }
  EXPECT_EQ(Cfg.Tempo, 24000);
  EXPECT_GT(DiagTraceFifo.HighWater, 900);
}

TEST_F(TimerAllocTest, TheCountSeesAnAllocation) {
  int* volatile p = nullptr;
  // The pointer escapes through a volatile, so an optimiser cannot drop the new/delete pair.
  EXPECT_EQ(test::CountNews([&p] { p = new int(3); }), 1);
  delete p;
}

}  // namespace
}  // namespace vel
