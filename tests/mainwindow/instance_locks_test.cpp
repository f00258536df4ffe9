#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "EnvScope.h"
#include "mainwindow/InstanceLocks.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

// Each test has a runtime folder of its own, so no other copy's names are in the way.
class InstanceLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vel-copies-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    runtime_.Set(dir_);
  }
  void TearDown() override {
    locks_.ReleaseAll();
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::unique_ptr<instance::NamedMutex> Hold(const std::string& name) {
    std::unique_ptr<instance::NamedMutex> m;
    std::string why;
    EXPECT_EQ(instance::CreateNamedMutex(name, m, why), instance::CreateResult::Created) << why;
    return m;
  }

  std::string dir_;
  const test::TEnvScope runtime_{"XDG_RUNTIME_DIR", nullptr};
  TInstanceLocks locks_;
};

TEST_F(InstanceLocksTest, OneCopyNumberForAllFiveNames) {
  std::string error;
  {
    // Another copy holds one name of number 1 only: this copy takes number 2 for all five.
    auto other = Hold("Vellorine-RawFifo1");
    ASSERT_TRUE(CreateInstanceMutexes(locks_, error));
    EXPECT_EQ(locks_.CopyNo, 2);
    EXPECT_FALSE(locks_.IsFirstInstance());
    const char* want[] = {"Vellorine-LiveFifo2", "Vellorine-RawFifo2", "Vellorine-DiagTraceFifo2",
                          "Vellorine-DiagMsgsFifo2", "Vellorine-LiveNoteOnCounter2"};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(locks_.Locks[i]->Name(), want[i]);
    // The names of number 1 this copy tried are free again.
    auto liveFifo1 = Hold("Vellorine-LiveFifo1");
    EXPECT_NE(liveFifo1, nullptr);
  }
  // With every name free the first copy gets number 1.
  ASSERT_TRUE(CreateInstanceMutexes(locks_, error));
  EXPECT_EQ(locks_.CopyNo, 1);
  EXPECT_TRUE(locks_.IsFirstInstance());
}

TEST_F(InstanceLocksTest, NoFreeNumberHoldsNothing) {
  auto a = Hold("Vellorine-LiveNoteOnCounter1");
  auto b = Hold("Vellorine-DiagTraceFifo2");
  auto c = Hold("Vellorine-LiveFifo3");
  std::string error;
  EXPECT_FALSE(CreateInstanceMutexes(locks_, error, 3));
  EXPECT_EQ(error, "Cannot run more than 3 copies");
  EXPECT_EQ(locks_.CopyNo, 0);
  for (const auto& l : locks_.Locks) EXPECT_EQ(l, nullptr);
  // Nothing of number 1 was kept.
  EXPECT_NE(Hold("Vellorine-LiveFifo1"), nullptr);
}

TEST_F(InstanceLocksTest, UnwritableLockFolderNamesTheLock) {
  if (geteuid() == 0) {
    // root writes anywhere; a folder that does not exist fails the same way.
    setenv("XDG_RUNTIME_DIR", (dir_ + "/missing/deeper").c_str(), 1);
  } else {
    chmod(dir_.c_str(), 0500);
  }
  std::string error;
  EXPECT_FALSE(CreateInstanceMutexes(locks_, error));
  EXPECT_EQ(error, "Failed to create mutex for Vellorine-LiveFifo1");
  EXPECT_EQ(locks_.CopyNo, 0);
}

}  // namespace
}  // namespace vel
