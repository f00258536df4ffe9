#include "mainwindow/Help.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/UiRecorder.h"
#include "mainwindow/ResetViewState.h"
#include "platform/Version.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetViewState();
    rec.Install();
    // Each test its own folder: ctest runs them side by side.
    char tmpl[] = "/tmp/vel-help-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    ResetViewState();
    fs::remove_all(dir);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir + "/" + name) << text; }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& b : rec.boxes) out.push_back(b.text);
    return out;
  }

  std::string dir;
  test::UiRecorder rec;
  std::vector<std::string> opened;
  TShellOpen open = [this](const std::string& target, const TShellDone& done) {
    opened.push_back(target);
    done(kShellOk);
  };
};

TEST_F(HelpTest, DocsVersionWarnsOncePerRunAndTheFileStillOpens) {
  const std::string older = "The help/doc file contents *may* be out of date\r\n";
  struct Case {
    const char* what;
    const char* docsVersion;  // nullptr: no file
    std::string boxStart;
  };
  const Case cases[] = {
      {"no version file", nullptr,
       older + "The documentation package is not installed (or not installed to correct folder)\r\n\r\n"},
      {"unreadable version", "docs\n", older + "Unable to determine documention version"},
      // A version without its minor number is no version either.
      {"no minor number", "9\n", older + "Unable to determine documention version"},
      {"newer docs", "99.5\r\n",
       "The help/doc file contents *may* be incorrect\r\nThe installed documentation package is for a newer "
       "Vellorine 99.5\r\n\r\nPlease install Vellorine again: its package installs the documentation that "
       "matches it\r\nto the same folder and menu location as the program"},
      {"same version", nullptr, ""},
  };
  Write("Quick-Start.pdf", "%PDF");
  for (const Case& c : cases) {
    HelpState = THelpState{};
    rec.boxes.clear();
    opened.clear();
    fs::remove(dir + "/DocsVersion.txt");
    if (c.docsVersion) Write("DocsVersion.txt", c.docsVersion);
    if (c.boxStart.empty()) Write("DocsVersion.txt", version::VersionText() + "\n");
    OpenHelpFile(dir, "Quick-Start.pdf", open);
    OpenHelpFile(dir, "Quick-Start.pdf", open);
    EXPECT_EQ(opened, (std::vector<std::string>{dir + "/Quick-Start.pdf", dir + "/Quick-Start.pdf"}))
        << c.what;
    ASSERT_EQ(rec.boxes.size(), c.boxStart.empty() ? 0u : 1u) << c.what;
    if (c.boxStart.empty()) continue;
    EXPECT_EQ(rec.boxes[0].text.substr(0, c.boxStart.size()), c.boxStart) << c.what;
    EXPECT_EQ(rec.boxes[0].kind, MsgKind::Warning);
  }
}

TEST_F(HelpTest, MissingOrUnopenableFilesGiveTheirBoxesAndNoDocsCheck) {
  OpenHelpFile(dir, "Tutorial.pdf", open);
  const std::string installed = fs::path(dir).parent_path().string() + "/share/doc/vellorine";
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{
                "Can't find help file Tutorial.pdf\r\nin folder " + dir + "\r\nnor in folder " + installed +
                "\r\n\r\nThe documentation is not installed: it installs with Vellorine\r\nto the "
                "same folder and menu location as the main program"}));
  EXPECT_FALSE(HelpState.DocsChecked);
  EXPECT_TRUE(opened.empty());

  // What the desktop answered, in the user's words; the path tells where to open it by hand.
  struct Case {
    int32_t result;
    std::string text;
  };
  const std::string where = "Tutorial.pdf\r\nin folder " + dir;
  const Case cases[] = {
      {kShellNoProgram, "No program was found to open help file " + where +
                            "\r\n\r\nThe desktop has no program set to open .pdf files.\r\nOpen the file by "
                            "hand from that folder, or install a program for it."},
      {kShellNotFound, "Can't find help file " + where},
      {5, "Error 5 opening help file " + where},
  };
  Write("Tutorial.pdf", "%PDF");
  Write("DocsVersion.txt", version::VersionText());
  for (const Case& c : cases) {
    rec.boxes.clear();
    OpenHelpFile(dir, "Tutorial.pdf", [&c](const std::string&, const TShellDone& done) { done(c.result); });
    EXPECT_EQ(Texts(), std::vector<std::string>{c.text}) << c.result;
  }
  EXPECT_EQ(OpenFailedText("file", "/home/u/Vellorine/Studio", kShellNoProgram),
            "No program was found to open file Studio\r\nin folder /home/u/Vellorine\r\n\r\nThe desktop has "
            "no program set to open this kind of file.\r\nOpen the file by hand from that folder, or install "
            "a program for it.");

  // A folder or an address: the target whole on its own line, and what to do by hand.
  const std::string web = "https://example.invalid/v";
  const std::string folder = "/home/u/Vellorine/Scenes";
  const struct {
    std::string what, target;
    int32_t result;
    std::string text;
  } places[] = {
      {"folder", folder, kShellNoProgram,
       "No program was found to open folder\r\n" + folder +
           "\r\n\r\nThe desktop has no file manager set to open folders.\r\n"
           "Open the folder by hand in a file manager."},
      {"folder", folder, kShellNotFound, "Can't find folder\r\n" + folder},
      {"video", web, kShellNoProgram,
       "No program was found to open video\r\n" + web +
           "\r\n\r\nThe desktop has no web browser set to open web addresses.\r\n"
           "Open the address by hand in a web browser."},
      {"web page", web, 5, "Error 5 opening web page\r\n" + web},
  };
  for (const auto& c : places) {
    rec.boxes.clear();
    OpenOnDesktop(c.target, c.what, [&c](const std::string& target, const TShellDone& done) {
      EXPECT_EQ(target, c.target);
      done(c.result);
    });
    EXPECT_EQ(Texts(), std::vector<std::string>{c.text}) << c.what << " " << c.result;
  }
  rec.boxes.clear();
  OpenOnDesktop(folder, "folder", [](const std::string&, const TShellDone& done) { done(kShellOk); });
  EXPECT_TRUE(Texts().empty());
}

// A document is opened from beside the program (a build tree) when it is there, else from the
// installed documents folder (bin/../share/doc/vellorine); the version file is read from the folder
// the document was found in.
TEST_F(HelpTest, DocumentsAreFoundBesideTheProgramElseInTheInstalledFolder) {
  const std::string bin = dir + "/bin";
  const std::string docs = dir + "/share/doc/vellorine";
  fs::create_directories(bin);
  fs::create_directories(docs);
  EXPECT_EQ(InstalledDocsFolder(bin), docs);
  EXPECT_EQ(InstalledDocsFolder(bin + "/"), docs);
  struct Case {
    const char* name;
    const char* besideProgram;  // nullptr: not there
    const char* installed;
    std::string folder;
  };
  const Case cases[] = {
      {"Overview.pdf", "%PDF", nullptr, bin},
      {"Tutorial.pdf", nullptr, "%PDF", docs},
      {"Read-First.txt", "build", "installed", bin},
      {"Templates.pdf", nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    if (c.besideProgram) std::ofstream(bin + "/" + c.name) << c.besideProgram;
    if (c.installed) std::ofstream(docs + "/" + c.name) << c.installed;
    EXPECT_EQ(FindHelpFolder(bin, c.name), c.folder) << c.name;
  }

  // An installed tree: the version file beside the program would be no proof of the installed one.
  std::ofstream(docs + "/DocsVersion.txt") << "99.5";
  OpenHelpFile(bin, "Tutorial.pdf", open);
  EXPECT_EQ(opened, std::vector<std::string>{docs + "/Tutorial.pdf"});
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_NE(Texts()[0].find("for a newer Vellorine 99.5"), std::string::npos) << Texts()[0];
}

}  // namespace
}  // namespace vel
