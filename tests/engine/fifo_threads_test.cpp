// Two writers and one reader on one queue at the same time: run under the thread sanitizer too.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "engine/FifoTestState.h"
#include "engine/MidiFifo.h"

namespace vel {
namespace {

class FifoThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetFifoState(); }
  void TearDown() override { test::ResetFifoState(); }
};

// Messages carry their writer (1 or 2) above a running number, so the reader can check that
// each writer's messages arrive complete and in order.
TEST_F(FifoThreadsTest, TwoWritersAndAReaderLoseNothingBelowTheLimit) {
  constexpr uint32_t kPerWriter = 450;  // two writers stay below the 999 limit between drains
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    auto writer = [&](uint32_t id) {
      for (uint32_t i = 0; i < kPerWriter; ++i) EXPECT_TRUE(WriteLiveFifo(id << 16 | i));
    };
    std::array<uint32_t, 3> next{};
    uint32_t received = 0;
    std::thread reader([&] {
      // A lost message would leave the reader waiting: give up after a generous while.
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (received < 2 * kPerWriter) {
        uint32_t msg = ReadLiveFifo();
        if (msg == 0) {
          if (std::chrono::steady_clock::now() > deadline) break;
          std::this_thread::yield();
          continue;
        }
        uint32_t id = msg >> 16;
        ASSERT_TRUE(id == 1 || id == 2) << msg;
        ASSERT_EQ(msg & 0xFFFF, next[id]) << "writer " << id;
        ++next[id];
        ++received;
      }
    });
    std::thread w1(writer, 1u);
    std::thread w2(writer, 2u);
    w1.join();
    w2.join();
    reader.join();
    ASSERT_EQ(received, 2 * kPerWriter) << "round " << round;
    ASSERT_TRUE(Msgs.WarnMsg.IsEmpty()) << Msgs.WarnMsg.Peek();
  }
}

TEST_F(FifoThreadsTest, DiagnosticPostsFromManyThreadsAllArrive) {
  Trace.DiagFlags = 1;
  std::array<std::thread, 4> posters;
  for (int t = 0; t < 4; ++t)
    posters[t] = std::thread([t] {
      for (int i = 0; i < 30; ++i) PostDiagMsg("T" + std::to_string(t) + " " + std::to_string(i));
    });
  for (auto& p : posters) p.join();
  std::array<int, 4> next{};
  std::string text;
  int lines = 0;
  while (ReadDiagMsgsFifo(text)) {
    int t = text[1] - '0';
    EXPECT_EQ(text, "T" + std::to_string(t) + " " + std::to_string(next[t]));
    ++next[t];
    ++lines;
  }
  EXPECT_EQ(lines, 120);
}

}  // namespace
}  // namespace vel
