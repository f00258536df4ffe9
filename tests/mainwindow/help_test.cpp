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
  TShellOpen open = [this](const std::string& target) {
    opened.push_back(target);
    return 0;
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
       "Vellorine 99.5\r\n\r\nPlease download and install the latest Vellorine from the Vellorine web site"},
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
    EXPECT_TRUE(OpenHelpFile(dir, "Quick-Start.pdf", open)) << c.what;
    EXPECT_TRUE(OpenHelpFile(dir, "Quick-Start.pdf", open)) << c.what;
    EXPECT_EQ(opened, (std::vector<std::string>{dir + "/Quick-Start.pdf", dir + "/Quick-Start.pdf"}))
        << c.what;
    ASSERT_EQ(rec.boxes.size(), c.boxStart.empty() ? 0u : 1u) << c.what;
    if (c.boxStart.empty()) continue;
    EXPECT_EQ(rec.boxes[0].text.substr(0, c.boxStart.size()), c.boxStart) << c.what;
    EXPECT_EQ(rec.boxes[0].kind, MsgKind::Warning);
  }
}

TEST_F(HelpTest, MissingOrUnopenableFilesGiveTheirBoxesAndNoDocsCheck) {
  EXPECT_FALSE(OpenHelpFile(dir, "Tutorial.pdf", open));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].substr(0, Texts()[0].find("\r\n\r\n")),
            "Can't find help file Tutorial.pdf\r\nin folder " + dir);
  EXPECT_FALSE(HelpState.DocsChecked);
  EXPECT_TRUE(opened.empty());

  rec.boxes.clear();
  Write("Tutorial.pdf", "%PDF");
  Write("DocsVersion.txt", version::VersionText());
  EXPECT_FALSE(OpenHelpFile(dir, "Tutorial.pdf", [](const std::string&) { return 31; }));
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"Error 31 opening help file Tutorial.pdf\r\nin folder " + dir}));
  rec.boxes.clear();
  EXPECT_FALSE(OpenUrl("https://example.invalid/v", "video", [](const std::string&) { return 31; }));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Error 31 accessing video\r\nhttps://example.invalid/v"}));
}

}  // namespace
}  // namespace vel
