#include "platform/Instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "EnvScope.h"

namespace vel::instance {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Each test gets its own runtime folder and its own names.
class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vel-instance-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    runtime_.Set(dir_);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    name_ = std::string("Vellorine-") + info->name() + std::to_string(getpid());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::unique_ptr<NamedMutex> MustCreate(const std::string& name) {
    std::unique_ptr<NamedMutex> m;
    std::string error;
    EXPECT_EQ(CreateNamedMutex(name, m, error), CreateResult::Created) << error;
    return m;
  }
  std::string LockPath(const std::string& stem) const { return dir_ + "/" + stem + ".lock"; }

  std::string dir_;
  std::string name_;
  const test::TEnvScope runtime_{"XDG_RUNTIME_DIR", nullptr};
};

// A child process that holds a name until it is killed.
struct Holder {
  pid_t pid = -1;
  ~Holder() { Kill(); }
  void Kill() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
};

// Forks a child that creates the name and reports the outcome ('C' created, 'E' exists, 'F'
// failed) through a pipe, then holds the name until it is killed.
char ForkHolder(const std::string& name, Holder& holder) {
  int fds[2];
  if (pipe(fds) != 0) return '?';
  holder.pid = fork();
  if (holder.pid == 0) {
    close(fds[0]);
    std::unique_ptr<NamedMutex> m;
    std::string error;
    const CreateResult r = CreateNamedMutex(name, m, error);
    const char code = r == CreateResult::Created ? 'C' : r == CreateResult::AlreadyExists ? 'E' : 'F';
    if (write(fds[1], &code, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(fds[1]);
  char code = '?';
  pollfd p{fds[0], POLLIN, 0};
  if (holder.pid > 0 && poll(&p, 1, 20000) == 1 && read(fds[0], &code, 1) != 1) code = '?';
  close(fds[0]);
  return code;
}

// A plain flock probe from a child, as another copy of the program would make it: 0 when the
// lock was free, 1 when it is held, 2 when the file could not be opened.
int ProbeFromChild(const std::string& path) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) _exit(2);
    _exit(flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno == EWOULDBLOCK ? 1 : 3);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(InstanceTest, SecondProcessLearnsTheNameExists) {
  Holder holder;
  ASSERT_EQ(ForkHolder(name_, holder), 'C');
  std::unique_ptr<NamedMutex> m;
  std::string error;
  EXPECT_EQ(CreateNamedMutex(name_, m, error), CreateResult::AlreadyExists);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(error, "");
}

TEST_F(InstanceTest, NameIsFreeOnceTheHolderIsKilled) {
  Holder holder;
  ASSERT_EQ(ForkHolder(name_, holder), 'C');
  holder.Kill();
  auto m = MustCreate(name_);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Name(), name_);
  // And now this process holds it against the next copy.
  Holder second;
  EXPECT_EQ(ForkHolder(name_, second), 'E');
  EXPECT_EQ(ProbeFromChild(LockPath(name_)), 1);
}

TEST_F(InstanceTest, DuplicateInOneProcessExistsUntilDestroyed) {
  auto first = MustCreate(name_);
  ASSERT_NE(first, nullptr);
  std::unique_ptr<NamedMutex> second;
  std::string error;
  EXPECT_EQ(CreateNamedMutex(name_, second, error), CreateResult::AlreadyExists);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(error, "");

  first.reset();
  EXPECT_EQ(ProbeFromChild(LockPath(name_)), 0);
  EXPECT_TRUE(fs::exists(LockPath(name_)));  // left in place: unlinking races with other copies
  EXPECT_NE(MustCreate(name_), nullptr);
}

TEST_F(InstanceTest, NamesAreKeptApartInFileNames) {
  auto plain = MustCreate("Vellorine-LiveFifo1");
  auto spaced = MustCreate("a b/c");
  auto underscored = MustCreate("a_20b_2Fc");  // would meet "a b/c" if '_' were kept as is
  auto dotted = MustCreate("..");
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(spaced, nullptr);
  ASSERT_NE(underscored, nullptr);
  ASSERT_NE(dotted, nullptr);
  EXPECT_TRUE(fs::is_regular_file(LockPath("Vellorine-LiveFifo1")));
  EXPECT_TRUE(fs::is_regular_file(LockPath("a_20b_2Fc")));
  EXPECT_TRUE(fs::is_regular_file(LockPath("a_5F20b_5F2Fc")));
  EXPECT_TRUE(fs::is_regular_file(LockPath("..")));
  EXPECT_EQ(spaced->Name(), "a b/c");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
  struct stat st;
  ASSERT_EQ(stat(LockPath("Vellorine-LiveFifo1").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(InstanceTest, WithoutRuntimeFolderUsesTmpPerUser) {
  unsetenv("XDG_RUNTIME_DIR");
  const std::string path = "/tmp/" + name_ + "." + std::to_string(getuid()) + ".lock";
  {
    auto m = MustCreate(name_);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(ProbeFromChild(path), 1);
  }
  EXPECT_EQ(ProbeFromChild(path), 0);
  unlink(path.c_str());
}

TEST_F(InstanceTest, UnusableFolderFailsWithReason) {
  const std::string missing = dir_ + "/missing";
  setenv("XDG_RUNTIME_DIR", missing.c_str(), 1);
  std::unique_ptr<NamedMutex> m;
  std::string error;
  EXPECT_EQ(CreateNamedMutex(name_, m, error), CreateResult::Failed);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(error, "Cannot open lock file " + missing + "/" + name_ + ".lock: No such file or directory");

  // A planted link is not followed.
  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  ASSERT_EQ(symlink((dir_ + "/elsewhere").c_str(), LockPath(name_).c_str()), 0);
  error.clear();
  EXPECT_EQ(CreateNamedMutex(name_, m, error), CreateResult::Failed);
  EXPECT_EQ(error, "Cannot open lock file " + LockPath(name_) + ": Too many levels of symbolic links");
  EXPECT_FALSE(fs::exists(dir_ + "/elsewhere"));
}

TEST_F(InstanceTest, WaitTimesOutWhileAnotherThreadHolds) {
  auto m = MustCreate(name_);
  ASSERT_NE(m, nullptr);
  std::atomic<bool> held{false};
  std::atomic<bool> letGo{false};
  std::thread other([&] {
    ASSERT_TRUE(m->Wait(0ms));
    held = true;
    while (!letGo) std::this_thread::sleep_for(1ms);
    m->Release();
  });
  while (!held) std::this_thread::sleep_for(1ms);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(m->Wait(100ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms);
  m->Release();  // not held by this thread: ignored, the other thread keeps it
  EXPECT_FALSE(m->Wait(0ms));

  letGo = true;
  other.join();
  EXPECT_TRUE(m->Wait(100ms));
  m->Release();
}

TEST_F(InstanceTest, WaitIsReentrant) {
  auto m = MustCreate(name_);
  ASSERT_NE(m, nullptr);
  ASSERT_TRUE(m->Wait(0ms));
  ASSERT_TRUE(m->Wait(0ms));
  auto tryFromOther = [&] {
    bool got = false;
    std::thread t([&] {
      got = m->Wait(0ms);
      if (got) m->Release();
    });
    t.join();
    return got;
  };
  m->Release();
  EXPECT_FALSE(tryFromOther());  // one hold left
  m->Release();
  EXPECT_TRUE(tryFromOther());
}

TEST_F(InstanceTest, DestroyingWhileHeldFreesTheName) {
  auto m = MustCreate(name_);
  ASSERT_NE(m, nullptr);
  ASSERT_TRUE(m->Wait(0ms));
  ASSERT_TRUE(m->Wait(0ms));
  m.reset();
  EXPECT_NE(MustCreate(name_), nullptr);
}

}  // namespace
}  // namespace vel::instance
