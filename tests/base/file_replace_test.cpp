#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/FileReplace.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vel-replace-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    oldMask = umask(022);
  }
  void TearDown() override {
    umask(oldMask);
    fs::remove_all(dir);
  }
  static void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static mode_t Mode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir;
  mode_t oldMask = 0;
};

TEST_F(FileReplaceTest, TheNewBytesTakeTheOldFilesModeOrANewFilesOne) {
  struct Case {
    mode_t oldMode;  // 0: no old file
    mode_t want;
  } cases[] = {{0640, 0640}, {0600, 0600}, {0755, 0755}, {0, 0644}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.oldMode);
    const fs::path file = dir / "set.txt";
    fs::remove(file);
    if (c.oldMode) {
      Write(file, "old");
      ASSERT_EQ(::chmod(file.c_str(), c.oldMode), 0);
    }
    std::string stage, error;
    ASSERT_TRUE(ReplaceFileAtomically(file.string(), "new bytes", stage, error)) << error;
    EXPECT_EQ(Read(file), "new bytes");
    EXPECT_EQ(Mode(file), c.want);
    EXPECT_EQ(Names(), std::vector<std::string>{"set.txt"});
  }
}

// A failed replacement leaves the old file as it was and no temporary file beside it.
TEST_F(FileReplaceTest, AFailureKeepsTheOldFileAndLeavesNoTemporary) {
  const fs::path file = dir / "song.mid";
  Write(file, "old bytes");
  fs::create_directory(dir / "folder");
  Write(dir / "folder" / "inside", "x");
  struct Case {
    const char* name;
    fs::path target;
    const char* stage;
    const char* error;
    std::vector<std::string> names;
  } cases[] = {
      {"no folder", dir / "none" / "song.mid", "create", "No such file or directory", {"folder", "song.mid"}},
      {"file too large", file, "write", "File too large", {"folder", "song.mid"}},
      {"a folder in the way", dir / "folder", "rename", "Is a directory", {"folder", "song.mid"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool limit = std::string(c.stage) == "write";
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (limit) {
      rlimit small = old;
      small.rlim_cur = 4;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    std::string stage, error;
    const bool ok = ReplaceFileAtomically(c.target.string(), "new bytes, more than four", stage, error);
    if (limit) setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(stage, c.stage);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(Read(file), "old bytes");
    EXPECT_EQ(Read(dir / "folder" / "inside"), "x");
    EXPECT_EQ(Names(), c.names);
  }
}

}  // namespace
}  // namespace vel
