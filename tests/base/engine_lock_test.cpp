// The engine lock: recursion, ownership across threads, and the debug checks.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "base/EngineLock.h"

namespace vel {
namespace {

// What another thread sees of the lock: whether it holds it, its depth, and whether it can take it.
struct TOtherView {
  bool heldByMe = true;
  int32_t depth = -1;
  bool took = true;
};

TOtherView ViewFromAnotherThread(TEngineLock& lock) {
  TOtherView v;
  std::thread([&] {
    v.heldByMe = lock.HeldByMe();
    v.depth = lock.Depth();
    v.took = lock.try_lock();
    if (v.took) lock.unlock();
  }).join();
  return v;
}

TEST(EngineLockTest, TheOwnerReentersAndCountsItsDepthWhileOtherThreadsAreKeptOut) {
  TEngineLock lock;
  EXPECT_FALSE(lock.HeldByMe());
  EXPECT_EQ(lock.Depth(), 0);
  {
    std::lock_guard outer(lock);
    EXPECT_TRUE(lock.HeldByMe());
    EXPECT_EQ(lock.Depth(), 1);
    {
      std::unique_lock inner(lock, std::try_to_lock);
      ASSERT_TRUE(inner.owns_lock());
      std::lock_guard innermost(lock);
      EXPECT_EQ(lock.Depth(), 3);
      const TOtherView other = ViewFromAnotherThread(lock);
      EXPECT_FALSE(other.heldByMe);
      EXPECT_EQ(other.depth, 0);
      EXPECT_FALSE(other.took);
    }
    EXPECT_EQ(lock.Depth(), 1);
    EXPECT_FALSE(ViewFromAnotherThread(lock).took);
  }
  EXPECT_FALSE(lock.HeldByMe());
  EXPECT_EQ(lock.Depth(), 0);
  const TOtherView free = ViewFromAnotherThread(lock);
  EXPECT_TRUE(free.took);
  EXPECT_FALSE(free.heldByMe);
}

TEST(EngineLockTest, ALockTakenOnAnotherThreadIsNotHeldHere) {
  TEngineLock lock;
  std::atomic<int> stage{0};
  std::thread holder([&] {
    std::lock_guard guard(lock);
    lock.lock();
    stage = 1;
    while (stage != 2) std::this_thread::yield();
    EXPECT_EQ(lock.Depth(), 2);
    lock.unlock();
  });
  while (stage != 1) std::this_thread::yield();
  EXPECT_FALSE(lock.HeldByMe());
  EXPECT_EQ(lock.Depth(), 0);
  EXPECT_FALSE(lock.try_lock());
  lock.AssertNotHeld();
  stage = 2;
  holder.join();
  // Once the holder let go the lock is this thread's to take.
  std::unique_lock mine(lock, std::try_to_lock);
  EXPECT_TRUE(mine.owns_lock());
  EXPECT_EQ(lock.Depth(), 1);
  lock.AssertHeld();
}

#ifndef NDEBUG
TEST(EngineLockDeathTest, EachCheckAbortsNamingItselfAndItsCaller) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TEngineLock lock;
  EXPECT_DEATH(lock.AssertHeld(),
               "EngineLock.AssertHeld failed in .*TestBody.*does not hold the engine lock");
  std::lock_guard guard(lock);
  EXPECT_DEATH(lock.AssertNotHeld(), "EngineLock.AssertNotHeld failed in .*TestBody.*holds the engine lock");
}
#endif

}  // namespace
}  // namespace vel
