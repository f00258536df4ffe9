#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/FileReplace.h"
#include "tools/DiagLogModel.h"

namespace vel {
namespace {

TEST(DiagLogModel, SplitsAtCrLfDroppingBlankLinesAndCapsAfterEveryAdd) {
  TDiagLogModel log;
  EXPECT_EQ(log.Add("a\r\n\r\nb"), 2u);
  EXPECT_EQ(log.Add("c\r\n"), 1u);
  EXPECT_EQ(log.Lines(), (std::deque<std::string>{"a", "b", "c"}));
  EXPECT_FALSE(log.Truncated());
  for (int i = 3; i < 1000; ++i) log.Add("x" + std::to_string(i));
  ASSERT_EQ(log.Lines().size(), 1000u);
  EXPECT_FALSE(log.Truncated());
  log.Add("d\r\ne\r\nf");
  ASSERT_EQ(log.Lines().size(), 1000u);
  EXPECT_TRUE(log.Truncated());
  EXPECT_EQ(log.Lines().front(), "x3");
  EXPECT_EQ(log.Lines().back(), "f");
  log.SetPaused(true);
  EXPECT_EQ(log.Add("g"), 0u);
  EXPECT_EQ(log.Lines().back(), "f");
  log.Clear();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_FALSE(log.Truncated());
}

TEST(DiagLogModel, FileTextHasFourHeaderLinesAndCrLfEnds) {
  TDiagLogModel log;
  EXPECT_EQ(log.FileText("V 1", "OS"), "V 1\r\n\r\nOS\r\n\r\n");
  for (int i = 0; i < 1001; ++i) log.Add("l");
  log.Clear();
  log.Add("one\r\ntwo");
  EXPECT_EQ(log.FileText("V", "S"), "V\r\n\r\nS\r\n\r\none\r\ntwo\r\n");
  for (int i = 0; i < 1001; ++i) log.Add("l");
  EXPECT_EQ(log.FileText("V", "S").substr(0, 23), "V\r\n\r\nS\r\nLog truncated\r\n");
}

TEST(DiagLogModel, AFailedLastStepKeepsTheOldFile) {
  char tmpl[] = "/tmp/vel-diaglog-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/d.log";
  EXPECT_EQ(SaveDiagLogFile(file, "old\r\n"), "");
  const auto read = [&file] {
    std::ifstream in(file, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
  };
  // The last step failing (its temporary file gone before the rename) still keeps the old file.
  FileReplaceHooks.Written = [](const std::string& temp) { std::filesystem::remove(temp); };
  EXPECT_EQ(SaveDiagLogFile(file, "new\r\n"), "Save diag log error: Cannot close file \r\n" + file);
  FileReplaceHooks.Written = nullptr;
  EXPECT_EQ(read(), "old\r\n");
  std::filesystem::remove_all(dir);
}

TEST(DiagLogModel, ASaveIntoAReadOnlyFolderCannotCreateTheFile) {
  char tmpl[] = "/tmp/vel-diaglog-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/d.log";
  chmod(dir.c_str(), 0500);
  if (access(dir.c_str(), W_OK) == 0) {
    std::filesystem::remove_all(dir);
    GTEST_SKIP() << "running as root: the folder stays writable";
  }
  EXPECT_EQ(SaveDiagLogFile(file, "new\r\n"), "Save diag log error: Cannot create file \r\n" + file);
  chmod(dir.c_str(), 0700);
  EXPECT_FALSE(std::filesystem::exists(file));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vel
