// Boxes and topics never come with the engine lock held: what a handler reports under the lock
// waits until it lets go, and debug builds stop a box or a delivery under the lock.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/EngineLock.h"
#include "base/UiHooks.h"

namespace vel {
namespace {

// What reached the hooks, in order, each marked when the engine lock was held then.
std::vector<std::string> Seen;

void Note(const std::string& what) {
  Seen.push_back(what + (EngineLock.HeldByMe() ? " (locked)" : ""));
}

class UiAfterLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Seen.clear();
    Ui().MessageBox = [](const std::string& text, const std::string&, MsgKind, MsgButtons) {
      Note("box " + text);
      return MsgAnswer::Ok;
    };
    Ui().Publish = [](TTopic topic) { Note(TopicName(topic)); };
  }
  void TearDown() override { Ui() = UiHooks{}; }
};

TEST_F(UiAfterLockTest, WhatAnEngineOpReportsAndPublishesComesAfterTheLockInOrder) {
  RunEngineOp([] {
    ShowMessage("one", MsgKind::Warning);
    PublishTopic(TTopic::KeyMaps);
    PublishTopic(TTopic::KeyMaps);
    ShowMessage("two", MsgKind::Error);
    Note("op done");
  });
  EXPECT_EQ(Seen, (std::vector<std::string>{"op done (locked)", "box one", "KeyMaps", "box two"}));

  // One made inside another hands what it holds to the outer one.
  Seen.clear();
  {
    const TUiAfterLock outer;
    {
      const TUiAfterLock inner;
      PublishTopic(TTopic::Colours);
    }
    Note("inner gone");
  }
  PublishTopic(TTopic::Settings);
  EXPECT_EQ(Seen, (std::vector<std::string>{"inner gone", "Colours", "Settings"}));
}

#ifndef NDEBUG
TEST_F(UiAfterLockTest, DebugBuildsStopABoxOrADeliveryUnderTheLockOrOffTheWindowsThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(std::thread([] { PublishTopic(TTopic::KeyMaps); }).join(),
               "AssertGuiThread failed in .*TestBody.*not the windows' thread");
  std::lock_guard lock(EngineLock);
  EXPECT_DEATH(ShowMessage("x", MsgKind::Error), "AssertNotHeld failed in .*TestBody.*holds the engine lock");
  EXPECT_DEATH(PublishTopic(TTopic::KeyMaps), "AssertNotHeld failed in .*TestBody.*holds the engine lock");
  // A question cannot wait for the lock to go.
  const TUiAfterLock after;
  EXPECT_DEATH(ShowMessage("?", MsgKind::Confirmation, MsgButtons::YesNo),
               "AssertNotHeld failed in .*TestBody.*holds the engine lock");
}
#endif

}  // namespace
}  // namespace vel
