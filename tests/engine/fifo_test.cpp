#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "engine/FifoTestState.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"

namespace vel {
namespace {

class FifoTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetFifoState(); }
  void TearDown() override { test::ResetFifoState(); }

  std::vector<std::string> DiagLines() {
    std::vector<std::string> lines;
    std::string text;
    while (ReadDiagMsgsFifo(text)) lines.push_back(text);
    return lines;
  }
};

TEST_F(FifoTest, ReadOfAnEmptyQueueGivesZeroAndChangesNothing) {
  EXPECT_EQ(ReadLiveFifo(), 0u);
  EXPECT_EQ(ReadRawFifo(), 0u);
  EXPECT_EQ(LiveFifo.ReadIdx, 0);
  EXPECT_EQ(LiveFifo.Count, 0);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
}

TEST_F(FifoTest, LiveFifoTakes999AndOverflowsAtTheThousandth) {
  // No output port: the overflow only empties the queue.
  RunCtl.OutPortsAllocated = -1;
  for (uint32_t i = 1; i <= 999; ++i) ASSERT_TRUE(WriteLiveFifo(0x90 | i << 8)) << i;
  EXPECT_EQ(LiveFifo.Count, 999);
  EXPECT_EQ(LiveFifo.HighWater, 999);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());

  EXPECT_FALSE(WriteLiveFifo(0x123490));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "LiveFifo overflow; data discarded");
  EXPECT_EQ(LiveFifo.Count, 0);
  EXPECT_EQ(ReadLiveFifo(), 0u);
  // Accepts again at once.
  EXPECT_TRUE(WriteLiveFifo(0x7F3C90));
  EXPECT_EQ(ReadLiveFifo(), 0x7F3C90u);
}

TEST_F(FifoTest, LiveFifoOverflowClearsTheLiveNoteCounts) {
  RunCtl.OutPortsAllocated = -1;
  LiveNoteOnCounter.Counts[0][60] = 2;
  for (int i = 0; i < 999; ++i) WriteLiveFifo(0x90);
  WriteLiveFifo(0x90);
  EXPECT_EQ(LiveNoteOnCounter.Counts[0][60], 0);
}

TEST_F(FifoTest, RawFifoOverflowDropsOnlyTheNewMessage) {
  for (uint32_t i = 1; i <= 999; ++i) ASSERT_TRUE(WriteRawFifo(i));
  EXPECT_FALSE(WriteRawFifo(5000));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "RawFifo overflow; data discarded");
  EXPECT_EQ(RawFifo.Count, 999);
  EXPECT_EQ(ReadRawFifo(), 1u);
}

TEST_F(FifoTest, DiagQueuesOverflowWithTheirOwnTexts) {
  Trace.DiagFlags = 1;
  for (int i = 0; i < 149; ++i) PostDiagMsg("line " + std::to_string(i));
  EXPECT_EQ(DiagMsgsFifo.Count, 149);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  PostDiagMsg("one too many");
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "DiagMsgsFifo overflow; data discarded");
  EXPECT_EQ(DiagMsgsFifo.Count, 149);
  std::vector<std::string> lines = DiagLines();
  ASSERT_EQ(lines.size(), 149u);
  EXPECT_EQ(lines.front(), "line 0");
  EXPECT_EQ(lines.back(), "line 148");

  Msgs.WarnMsg.Clear();
  for (int i = 0; i < 999; ++i) WriteDiagTraceFifo(i % 9, 0x90 | i << 8, i);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  WriteDiagTraceFifo(0, 0x80, 0);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "DiagTraceFifo overlow; data discarded");
  TTraceEvent ev;
  ASSERT_TRUE(ReadDiagTraceFifo(ev));
  EXPECT_EQ(ev.Port, 0);
  EXPECT_EQ(ev.Msg, 0x90u);
  ASSERT_TRUE(ReadDiagTraceFifo(ev));
  EXPECT_EQ(ev.Port, 1);
  EXPECT_EQ(ev.Time, 1);
  EXPECT_EQ(ev.Msg, 0x190u);
}

TEST_F(FifoTest, DiagMsgsKeepLongLinesCutToTheirSlot) {
  Trace.DiagFlags = 1;
  std::string line(400, 'd');
  PostDiagMsg(line);
  std::vector<std::string> lines = DiagLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], line.substr(0, TDiagMsg::kCapacity));
}

TEST_F(FifoTest, WithDiagnosticsOffNothingIsQueuedForTheLog) {
  PostDiagMsg("not wanted");
  WriteDiagTraceFifo(0, 0x643C90, 0);
  EXPECT_EQ(DiagMsgsFifo.Count, 0);
  EXPECT_EQ(DiagTraceFifo.Count, 0);
  std::string text = "kept";
  EXPECT_FALSE(ReadDiagMsgsFifo(text));
  EXPECT_EQ(text, "kept");
}

TEST_F(FifoTest, KeepsFifoOrderAcrossManyWraps) {
  uint32_t next = 1;
  uint32_t expected = 1;
  for (int round = 0; round < 25; ++round) {
    for (int i = 0; i < 700; ++i) ASSERT_TRUE(WriteRawFifo(next++));
    for (int i = 0; i < 700; ++i) ASSERT_EQ(ReadRawFifo(), expected++);
  }
  EXPECT_EQ(ReadRawFifo(), 0u);
  EXPECT_EQ(RawFifo.WriteIdx, (25 * 700) % 1000);
  EXPECT_EQ(RawFifo.ReadIdx, RawFifo.WriteIdx);
  EXPECT_EQ(RawFifo.HighWater, 700);
}

TEST_F(FifoTest, BlockIsTakenWholeOrRefusedWhole) {
  for (int i = 0; i < 991; ++i) ASSERT_TRUE(WriteLiveFifo(1));
  const std::array<uint32_t, 8> block = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
  // 8 places left: the block fits exactly.
  EXPECT_TRUE(WriteLiveFifoBlock(7, block));
  EXPECT_EQ(LiveFifo.Count, 999);
  EXPECT_EQ(LiveFifo.HighWater, 999);
  for (int i = 0; i < 991; ++i) ReadLiveFifo();
  for (uint32_t m = 0x10; m <= 0x17; ++m) EXPECT_EQ(ReadLiveFifo(), m);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());

  // 7 places left: refused whole, and nothing else is touched.
  for (int i = 0; i < 992; ++i) ASSERT_TRUE(WriteLiveFifo(2));
  LiveNoteOnCounter.Counts[1][1] = 1;
  EXPECT_FALSE(WriteLiveFifoBlock(7, block));
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "LiveFifo overflow; data discarded");
  EXPECT_EQ(LiveFifo.Count, 992);
  EXPECT_EQ(LiveNoteOnCounter.Counts[1][1], 1);
  // A smaller block still fits.
  EXPECT_TRUE(WriteLiveFifoBlock(6, block));
  EXPECT_EQ(LiveFifo.Count, 999);
  EXPECT_FALSE(WriteLiveFifoBlock(8, block));
  EXPECT_FALSE(WriteLiveFifoBlock(-1, block));
}

TEST_F(FifoTest, AWriteGivesUpAfterTheWaitWhileTheLockIsHeldElsewhere) {
  Trace.DiagFlags = 1;
  std::promise<void> held;
  std::promise<void> done;
  std::thread holder([&] {
    std::lock_guard lock(LiveFifo.Mutex);
    held.set_value();
    done.get_future().wait_for(std::chrono::seconds(5));
  });
  held.get_future().wait();
  auto start = std::chrono::steady_clock::now();
  bool written = WriteLiveFifo(0x643C90);
  auto waited = std::chrono::steady_clock::now() - start;
  uint32_t read = ReadLiveFifo();
  done.set_value();
  holder.join();

  EXPECT_FALSE(written);
  EXPECT_EQ(read, 0u);
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_EQ(LiveFifo.Count, 0);
  EXPECT_EQ(DiagLines(),
            (std::vector<std::string>{"Write LiveFifo timeout; data discarded", "Read LiveFifo timeout"}));
}

TEST_F(FifoTest, TimeoutsOfTheMessageQueueGoToTheWarning) {
  Trace.DiagFlags = 1;
  std::promise<void> held;
  std::promise<void> done;
  std::thread holder([&] {
    std::lock_guard lock(DiagMsgsFifo.Mutex);
    held.set_value();
    done.get_future().wait_for(std::chrono::seconds(5));
  });
  held.get_future().wait();
  PostDiagMsg("lost");
  std::string postWarning = Msgs.WarnMsg.TakeAndClear();
  ResetDiagMsgsFifo();
  std::string resetWarning = Msgs.WarnMsg.TakeAndClear();
  done.set_value();
  holder.join();
  EXPECT_EQ(postWarning, "Write DiagMsgsFifo timeout; data discarded");
  EXPECT_EQ(resetWarning, "Reset DiagMsgsFifo timeout");
  EXPECT_EQ(DiagMsgsFifo.Count, 0);
}

TEST_F(FifoTest, TheWriterMayTakeItsQueueLockAgain) {
  // An overflow empties the queue while the writer still holds it.
  std::lock_guard lock(LiveFifo.Mutex);
  for (int i = 0; i < 1000; ++i) WriteLiveFifo(1);
  EXPECT_EQ(LiveFifo.Count, 0);
}

TEST_F(FifoTest, ResetsEmptyEachQueue) {
  Trace.DiagFlags = 1;
  WriteLiveFifo(1);
  WriteRawFifo(2);
  WriteDiagTraceFifo(0, 3, 0);
  PostDiagMsg("4");
  LiveNoteOnCounter.Counts[15][127] = 3;
  MidiIn.MidiInBuffer[0] = {10, 0x90};
  MidiIn.MidiInBufferLast = 0;
  ResetLiveFifo();
  ResetRawFifo();
  ResetDiagTraceFifo();
  ResetDiagMsgsFifo();
  ResetMidiInBuffer();
  EXPECT_EQ(LiveFifo.Count, 0);
  EXPECT_EQ(RawFifo.Count, 0);
  EXPECT_EQ(DiagTraceFifo.Count, 0);
  EXPECT_EQ(DiagMsgsFifo.Count, 0);
  EXPECT_EQ(LiveFifo.ReadIdx, LiveFifo.WriteIdx);
  EXPECT_EQ(LiveNoteOnCounter.Counts[15][127], 0);
  EXPECT_EQ(MidiIn.MidiInBufferLast, -1);
  EXPECT_EQ(MidiIn.MidiInBuffer[0].Msg, 0u);
  EXPECT_EQ(ReadLiveFifo(), 0u);
  // High-water marks survive a reset.
  EXPECT_EQ(LiveFifo.HighWater, 1);
}

TEST_F(FifoTest, TraceEventReqdFollowsTheSwitches) {
  for (uint8_t s : {0x80, 0x9F, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF1, 0xF8, 0xFA, 0xFB, 0xFC, 0xFF})
    EXPECT_FALSE(TraceEventReqd(s)) << int(s);
  for (uint8_t s : {0xF0, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF9, 0xFD, 0xFE})
    EXPECT_TRUE(TraceEventReqd(s)) << int(s);
  Trace.TraceNotes = 1;
  EXPECT_TRUE(TraceEventReqd(0x80));
  EXPECT_TRUE(TraceEventReqd(0x9F));
  EXPECT_TRUE(TraceEventReqd(0xFF));
  EXPECT_FALSE(TraceEventReqd(0xB0));
  Trace.TracePressure = 1;
  EXPECT_TRUE(TraceEventReqd(0xA3));
  EXPECT_TRUE(TraceEventReqd(0xD3));
  Trace.TraceController = 1;
  EXPECT_TRUE(TraceEventReqd(0xB5));
  Trace.TraceProgChanges = 1;
  EXPECT_TRUE(TraceEventReqd(0xC5));
  Trace.TracePitchBend = 1;
  EXPECT_TRUE(TraceEventReqd(0xE5));
  Trace.TraceMTC = 1;
  EXPECT_TRUE(TraceEventReqd(0xF1));
  EXPECT_FALSE(TraceEventReqd(0xF8));
  Trace.TraceMC = 1;
  EXPECT_TRUE(TraceEventReqd(0xF8));
  EXPECT_FALSE(TraceEventReqd(0xFA));
  Trace.TraceSync = 1;
  EXPECT_TRUE(TraceEventReqd(0xFA));
  EXPECT_TRUE(TraceEventReqd(0xFC));
  EXPECT_TRUE(Msgs.ErrMsg.IsEmpty());

  EXPECT_TRUE(TraceEventReqd(0x3C));
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "TraceEventReqd-2 error: Unexpected StatusByte: 60");
}

}  // namespace
}  // namespace vel
