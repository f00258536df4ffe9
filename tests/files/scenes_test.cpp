// Scene files: names by number, steps within 1..99, external scenes, failures that keep the
// current scene, and the folders.
#include "files/Scenes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/General.h"
#include "base/UiRecorder.h"
#include "files/FilesTestState.h"
#include "files/TempFolder.h"
#include "keys/KeyArgs.h"

namespace vel {
namespace {

using test::TEvents;

class ScenesTest : public test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    Cfg.RunTimeSceneFolder = dir.Path();
    std::filesystem::create_directories(dir / "Scenes");
  }
  test::TempFolder dir;
};

TEST_F(ScenesTest, NamesKeepEveryDigit) {
  EXPECT_EQ(SceneFileName(7), dir / "Scenes/Scene-07.mid");
  EXPECT_EQ(SceneFileName(123), dir / "Scenes/Scene-123.mid");
  Cfg.RunTimeSceneFolder.clear();
  EXPECT_EQ(SceneFileName(1), GetEnvVar("HOME") + "/Vellorine/Scenes/Scene-01.mid");
}

TEST_F(ScenesTest, SaveAndLoadByNumberAndByStep) {
  Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}});
  SeqBuf(0).Selected = 1;
  ASSERT_TRUE(SetSaveValue(VtAbsolute, 7, true) && RunSceneFileJob());
  EXPECT_TRUE(std::filesystem::exists(dir / "Scenes/Scene-07.mid"));
  EXPECT_EQ(Scenes.CurScene, 7);
  EXPECT_EQ(Scenes.SceneSaved, 1);
  EXPECT_EQ(SeqBuf(0).Selected, 0);  // an all-parts save deselects
  struct Row {
    uint8_t valType;
    int32_t from;
    int32_t to;
  } rows[] = {{VtInc, 7, 8}, {VtDec, 8, 7}, {VtDec, 1, 1}, {VtInc, 99, 99}, {VtDec, 0, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << int(r.valType) << " " << r.from);
    Scenes.CurScene = r.from;
    ASSERT_TRUE(SetSaveValue(r.valType, 0, true) && RunSceneFileJob());
    EXPECT_EQ(Scenes.CurScene, r.to);
    EXPECT_TRUE(std::filesystem::exists(SceneFileName(r.to)));
  }
  // Loading scene 7 brings back what was saved.
  ClearPartBuf(0, 0);
  Scenes.SceneSaved = 0;
  ASSERT_TRUE(SetLoadValue(VtAbsolute, 7, true, false) && RunSceneFileJob());
  EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x643C90}, {960, 0x3C80}, {960, 0xFF}}));
  EXPECT_EQ(Scenes.CurScene, 7);
  EXPECT_EQ(Scenes.SceneSaved, 1);
}

TEST_F(ScenesTest, FailuresKeepTheCurrentScene) {
  Scenes.CurScene = 4;
  EXPECT_FALSE(SetLoadValue(VtAbsolute, 5, true, false) && RunSceneFileJob());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Error opening MIDI file " + (dir / "Scenes/Scene-05.mid"));
  EXPECT_EQ(Scenes.CurScene, 4);
  SeqBuf(2).Selected = 1;
  EXPECT_FALSE(SetSaveValue(VtInc, 0, true) && RunSceneFileJob());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Nothing saved; all seqs are empty");
  EXPECT_EQ(Scenes.CurScene, 4);
  EXPECT_EQ(SeqBuf(2).Selected, 0);
  EXPECT_FALSE(SetSaveValue(7, 0, false) && RunSceneFileJob());
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "SetSaveValue error: Unexpected ValType");
  EXPECT_FALSE(SetLoadValue(9, 0, false, false) && RunSceneFileJob());
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "SetLoadValue error: Unexpected ValType");
}

TEST_F(ScenesTest, ExternalScenesTakeTheFirstNameInOrder) {
  Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}});
  std::vector<uint8_t> intro, outro;
  std::string error;
  ASSERT_TRUE(BuildMidiFile(false, true, intro, error));
  ClearPartBuf(0, 0);
  Fill(0, 0, {{0, 0x644090}, {480, 0x4080}});
  ASSERT_TRUE(BuildMidiFile(false, true, outro, error));
  test::WriteBytes(dir / "03-Outro.mid", outro);
  test::WriteBytes(dir / "03-Intro.mid", intro);
  test::WriteBytes(dir / "03-Intro.txt", outro);
  test::WriteBytes(dir / "13-Other.mid", outro);
  EXPECT_EQ(ExtSceneFileName(3), dir / "03-Intro.mid");
  Scenes.CurExtScene = 2;
  ASSERT_TRUE(SetLoadValue(VtInc, 0, true, true) && RunSceneFileJob());
  EXPECT_EQ(Scenes.CurExtScene, 3);
  EXPECT_EQ(Scenes.CurScene, 0);
  EXPECT_EQ(test::PartEvents(0, 0).front().second, 0x643C90u);
  EXPECT_FALSE(SetLoadValue(VtAbsolute, 4, true, true) && RunSceneFileJob());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "@Error opening MIDI file " + (dir / "04-*.mid"));
  EXPECT_EQ(Scenes.CurExtScene, 3);
}

TEST_F(ScenesTest, FoldersAreMadeOrTheFailureIsShown) {
  test::UiRecorder ui;
  Cfg.RunTimeSceneFolder = dir / "run/time";
  Unlocked(CreateSceneFolders);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "run/time/Scenes"));
  EXPECT_TRUE(ui.boxes.empty());
  test::WriteBytes(dir / "file", {1});
  Cfg.RunTimeSceneFolder = dir / "file/sub";
  Unlocked(CreateSceneFolders);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Fail to create run-time data folder for scenes\r\n" + (dir / "file/sub") +
                                  "\r\nNot a directory");
  std::filesystem::create_directories(dir / "plain");
  test::WriteBytes(dir / "plain/Scenes", {1});
  Cfg.RunTimeSceneFolder = dir / "plain";
  Unlocked(CreateSceneFolders);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text,
            "Fail to create run-time scene sub-folder\r\n" + (dir / "plain/Scenes") + "\r\nFile exists");
}

}  // namespace
}  // namespace vel
