#include <gtest/gtest.h>

#include <QAction>
#include <QPlainTextEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/FileReplace.h"
#include "base/Showing.h"
#include "keymapper/forms/KeyMaps.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {
namespace {

using KeyMapsFormTest = test::FormRig;

std::string FirstLine(const QPlainTextEdit* memo) {
  return memo->toPlainText().section('\n', 0, 0).toStdString();
}

std::string FileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

constexpr const char* kHeader = "Functions in each mode (Command, Live, Record etc) for all 128 keys,";

// What the window shows while the file is written, seen from the writer's hook.
std::string shownWhileWriting;
TfrmKeyMaps* writingWindow = nullptr;

TEST_F(KeyMapsFormTest, OpensFromTheToolsMenuFollowsEditsAndClosesOnAReinitLoad) {
  ASSERT_TRUE(ui().mnuToolsDspKeyMaps->isEnabled());
  ui().mnuToolsDspKeyMaps->trigger();
  TfrmKeyMaps& w = form->KeyMaps();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle().toStdString(), "Key Maps Table");
  EXPECT_EQ(FirstLine(w.memMaps), kHeader);
  // An edit reaches the open table through the views' refresh, and the rebuild pumps no events.
  SetKeyFnCmd(0, 2, "zzplay");
  const int pumps = rec.eventPumps;
  PublishTopic(TTopic::KeyMaps);
  EXPECT_EQ(rec.eventPumps, pumps);
  EXPECT_TRUE(w.memMaps->toPlainText().contains("zzplay"));
  EXPECT_EQ(w.memMaps->toPlainText().count('\n') + 1, int(w.Lines().size()));
  RefreshHooks.CloseKeyMapWindows();
  EXPECT_FALSE(w.isVisible());
}

// A save shows its layout while the file is written and layout 0 after; the file is CR LF lines
// and the folder is remembered.
TEST_F(KeyMapsFormTest, SaveShowsItsLayoutUntilDoneAndRemembersTheFolder) {
  form->KeyMaps().Open("Key Maps Table");
  TFileDialog asked;
  const std::string name = dir + "/maps.txt";
  Desktop().FileDialog = [&](const TFileDialog& d) {
    asked = d;
    return name;
  };
  Cfg.LastSavedKeyMapsFolder = "/nowhere";
  writingWindow = &form->KeyMaps();
  FileReplaceHooks.Written = [](const std::string&) {
    shownWhileWriting = FirstLine(writingWindow->memMaps);
  };
  form->KeyMaps().findChild<QAction*>("mnuFileSaveTabs")->trigger();
  FileReplaceHooks.Written = nullptr;
  EXPECT_EQ(asked.Folder, "/nowhere");
  EXPECT_EQ(asked.DefaultExt, "txt");
  EXPECT_EQ(shownWhileWriting.substr(0, 9), "Note:\tC-2");
  EXPECT_EQ(FirstLine(form->KeyMaps().memMaps), kHeader);
  const std::string text = FileText(name);
  EXPECT_EQ(text.substr(0, 9), "Note:\tC-2");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(Cfg.LastSavedKeyMapsFolder, dir);
  EXPECT_TRUE(rec.boxes.empty());
}

// A failing save keeps the old file, shows its step's text and keeps the folder; a cancel only logs.
TEST_F(KeyMapsFormTest, FailingOrCancelledSaveKeepsFileFolderAndTable) {
  form->KeyMaps().Open("Key Maps Table");
  const std::string old = dir + "/old.txt";
  std::ofstream(old) << "old";
  const struct {
    std::string name;
    void (*written)(const std::string&);
    const char* text;
  } cases[] = {
      {dir + "/missing/a.txt", nullptr, "Save key maps error: Cannot create file \r\n"},
      // The finished bytes vanish before they replace the old file.
      {old, [](const std::string& temp) { std::remove(temp.c_str()); },
       "Save key maps error: Cannot close file \r\n"},
  };
  Cfg.LastSavedKeyMapsFolder = "/kept";
  for (const auto& c : cases) {
    rec.boxes.clear();
    Desktop().FileDialog = [&](const TFileDialog&) { return c.name; };
    FileReplaceHooks.Written = c.written;
    form->KeyMaps().SaveKeyMaps(2);
    FileReplaceHooks.Written = nullptr;
    ASSERT_EQ(rec.boxes.size(), 1u) << c.name;
    EXPECT_EQ(rec.boxes[0].text, c.text + c.name);
    EXPECT_EQ(Cfg.LastSavedKeyMapsFolder, "/kept");
    EXPECT_EQ(FirstLine(form->KeyMaps().memMaps), kHeader);
  }
  EXPECT_EQ(FileText(old), "old");
  rec.boxes.clear();
  rec.log.clear();
  Trace.DiagFlags = 1;
  Desktop().FileDialog = [](const TFileDialog&) { return std::string(); };
  form->KeyMaps().SaveKeyMaps(0);
  Trace.DiagFlags = 0;
  EXPECT_TRUE(rec.boxes.empty());
  ASSERT_EQ(rec.log.size(), 1u);
  EXPECT_NE(rec.log[0].find(" Save key maps cancelled"), std::string::npos);
  EXPECT_EQ(Cfg.LastSavedKeyMapsFolder, "/kept");
}

}  // namespace
}  // namespace vel
