#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "EnvScope.h"
#include "base/UiRecorder.h"
#include "mainwindow/Help.h"
#include "mainwindow/ResetViewState.h"
#include "mainwindow/forms/FileDialogs.h"
#include "platform/Version.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

// A private X server for the test's life: the toolkit's desktop services need a real display,
// where the offscreen one fails every open at once and hides what the opener says.
class TXvfb {
 public:
  explicit TXvfb(const std::string& program) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // The server writes its display number to its standard output.
      ::dup2(fds[1], 1);
      ::close(fds[0]);
      ::execl(program.c_str(), "Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') display_ += c;
    ::close(fds[0]);
    if (display_.empty() && pid_ > 0) Stop();
  }
  ~TXvfb() { Stop(); }
  // ":N", empty when the server did not start.
  std::string Display() const { return display_.empty() ? std::string() : ":" + display_; }

 private:
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  pid_t pid_ = -1;
  std::string display_;
};

// A private X server and a folder at the head of the path for a stand-in opener, for the test's
// life.
class DesktopOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty()) GTEST_SKIP() << "no Xvfb installed: the desktop open needs a real X display";
    server_ = std::make_unique<TXvfb>(xvfb.toStdString());
    ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
    char tmpl[] = "/tmp/vel-open-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    display_.Set(server_->Display());
    std::ofstream(dir + "/Quick-Start.pdf") << "%PDF";
    std::ofstream(dir + "/DocsVersion.txt") << version::VersionText();
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  struct Case {
    const char* interpreter;  // the stand-in opener's; null: no opener on the path at all
    int exit;
    std::string target;
    int32_t result;
    std::string box;  // empty: none
  };
  // Opens the case's target as its menu item does, through the real desktop open, with the stand-in
  // opener (which notes what it was handed) on the path, and checks the result and the box.
  void Run(const Case& c, test::UiRecorder& rec) {
    const std::string opener = dir + "/xdg-open";
    fs::remove(opener);
    if (c.interpreter) {
      std::ofstream(opener) << "#!" << c.interpreter << "\necho \"$1\" > \"" << dir << "/handed\"\nexit "
                            << c.exit << "\n";
      fs::permissions(opener, fs::perms::owner_all);
    }
    // Without an opener the toolkit looks for the desktop's own programs on the path as well.
    path_.Set(c.interpreter ? dir + ":" + path_.Before() : dir);
    fs::remove(dir + "/handed");
    rec.boxes.clear();
    std::vector<int32_t> results;
    const TShellOpen open = [&results](const std::string& target, const TShellDone& done) {
      ShellOpen(target, [&results, done](int32_t result) {
        results.push_back(result);
        done(result);
      });
    };
    if (c.target.find("://") != std::string::npos) {
      OpenOnDesktop(c.target, "web page", open);
    } else if (c.target == dir) {
      OpenOnDesktop(dir, "folder", open);
    } else {
      OpenHelpFile(dir, "Quick-Start.pdf", open);
    }
    QElapsedTimer waited;
    waited.start();
    while (results.empty() && waited.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(results, std::vector<int32_t>{c.result});
    std::vector<std::string> boxes;
    for (const auto& b : rec.boxes) boxes.push_back(b.text);
    EXPECT_EQ(boxes, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    std::string handed;
    std::getline(std::ifstream(dir + "/handed"), handed);
    EXPECT_EQ(handed, c.interpreter && std::string(c.interpreter) == "/bin/sh" ? c.target : "");
  }

  std::string dir;

 private:
  // The path and display are put back however the test ends.
  const test::TEnvScope path_{"PATH", std::getenv("PATH")};
  const test::TEnvScope display_{"DISPLAY", std::getenv("DISPLAY")};
  std::unique_ptr<TXvfb> server_;
};

// What the musician met: a desktop opener that is there but has nothing for the file exits 3 at
// once; the Help item, and the items that open a folder, must then say so with their box.
TEST_F(DesktopOpen, TheOpenersExitStatusDecidesAndAFailureGivesTheBox) {
  int argc = 3;
  char arg0[] = "vellorine";
  char arg1[] = "-platform";
  char arg2[] = "xcb";
  char* argv[] = {arg0, arg1, arg2, nullptr};
  QApplication app(argc, argv);
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  ResetViewState();
  test::UiRecorder rec;

  const std::string doc = dir + "/Quick-Start.pdf";
  const std::string failed = OpenFailedText("help file", doc, kShellNoProgram);
  const std::string web = "https://example.invalid/videos";
  const std::string folderFailed = OpenTargetFailedText("folder", dir, kShellNoProgram);
  const Case cases[] = {
      {"/bin/sh", 0, doc, kShellOk, ""},
      {"/bin/sh", 3, doc, kShellNoProgram, failed},
      // An opener that cannot be started at all.
      {"/nonexistent/sh", 0, doc, kShellNoProgram, failed},
      {"/bin/sh", 4, web, kShellNoProgram, OpenTargetFailedText("web page", web, kShellNoProgram)},
      {"/bin/sh", 0, dir, kShellOk, ""},
      {"/bin/sh", 3, dir, kShellNoProgram, folderFailed},
      {nullptr, 0, dir, kShellNoProgram, folderFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target + " exit " + std::to_string(c.exit) + (c.interpreter ? "" : ", no opener"));
    Run(c, rec);
  }
  ResetViewState();
}

}  // namespace
}  // namespace vel
