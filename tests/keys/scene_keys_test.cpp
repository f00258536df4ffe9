// The scene load and save keys and the part and port keys with their sweeps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/FileReplace.h"
#include "files/MidiFile.h"
#include "files/Scenes.h"
#include "files/TempFolder.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyEntryTestState.h"
#include "keys/KeyPathTestState.h"
#include "keys/SceneKeys.h"

namespace vel {
namespace {

constexpr TKeyMode M(int n) {
  return KeyModeFromNo(n);
}

class SceneKeysTest : public test::KeyEntryTest {
 protected:
  void SetUp() override {
    KeyEntryTest::SetUp();
    Cfg.RunTimeSceneFolder = dir.Path();
    std::filesystem::create_directories(dir / "Scenes");
    Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}});
  }
  test::TempFolder dir;
};

TEST_F(SceneKeysTest, SaveAndLoadScenesByTwoDigits) {
  struct Row {
    int mode;
    bool save;
    int curScene;
    uint8_t tens, units;
    const char* status;
    const char* warn;
    int scene;
  } rows[] = {
      {56, true, 0, Num0, Num7, "Save all to scene 7", "", 7},
      {58, true, 0, Num1, Num2, "Save to scene 12", "", 12},
      {56, true, 0, Num0, Num0, "", "Save command ignored; current scene undefined", 0},
      {56, true, 3, Num0, Num0, "Save all to scene 3", "", 3},
      {48, false, 7, Num0, Num7, "Load all from scene 7", "", 7},
      {48, false, 7, Num0, Num0, "Load all from scene 7", "", 7},
      {52, false, 7, Num0, Num7, "Load from scene 7", "", 7},
      {48, false, 0, Num0, Num0, "", "Load command ignored; current scene undefined", 0},
      {48, false, 5, Num0, Num8, "", "@Error opening MIDI file ", 5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    Scenes.CurScene = r.curScene;
    SelectSeq(0);
    Keys.KeyMode = M(r.mode);
    auto handler = r.save ? &HandleSaveModeKey : &HandleLoadModeKey;
    handler({.Code = r.tens});
    EXPECT_EQ(Keys.KeyMode.load(), M(r.mode + 1));
    handler({.Code = r.units});
    RunSceneFileJob();  // as the key path does once it lets go of the lock
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Msgs.WarnMsg.Peek().substr(0, std::string(r.warn).size()), r.warn);
    EXPECT_EQ(Scenes.CurScene, r.scene);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "Scenes/Scene-07.mid"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Scenes/Scene-12.mid"));
}

TEST_F(SceneKeysTest, StepsExternalScenesAndHold) {
  ASSERT_TRUE(SetSaveValue(VtAbsolute, 2, true) && RunSceneFileJob());
  ASSERT_TRUE(SetSaveValue(VtAbsolute, 3, true) && RunSceneFileJob());
  // Inc needs a current scene; dec one above 1.
  Scenes.CurScene = 0;
  Keys.KeyMode = M(48);
  HandleLoadModeKey({.Code = NumInc});
  EXPECT_EQ(Keys.KeyMode.load(), M(48));
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  Scenes.CurScene = 2;
  Keys.KeyHold = 1;
  HandleLoadModeKey({.Code = NumInc});
  RunSceneFileJob();
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Load all from scene inc");
  EXPECT_EQ(Scenes.CurScene, 3);
  EXPECT_EQ(Keys.KeyMode.load(), M(48));
  HandleSaveModeKey({.Code = NumDec});  // not in a save mode: nothing
  EXPECT_EQ(Scenes.CurScene, 3);
  Keys.KeyMode = M(56);
  HandleSaveModeKey({.Code = NumDec});
  RunSceneFileJob();
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Save all to scene dec");
  EXPECT_EQ(Scenes.CurScene, 2);
  // The ext key moves to external scenes; with LoadExtScenes the hold returns there.
  Cfg.LoadExtScenes = 1;
  Keys.KeyMode = M(52);
  HandleLoadModeKey({.Code = NumExtMidi});
  EXPECT_EQ(Keys.KeyMode.load(), M(54));
  HandleLoadModeKey({.Code = Num0});
  HandleLoadModeKey({.Code = Num0});
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Load command ignored; current ext scene undefined");
  EXPECT_EQ(Keys.KeyMode.load(), M(54));
  std::filesystem::copy_file(dir / "Scenes/Scene-02.mid", dir / "04-Song.mid");
  SelectSeq(0);
  HandleLoadModeKey({.Code = Num0});
  HandleLoadModeKey({.Code = Num4});
  RunSceneFileJob();
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Load from ext scene 4");
  EXPECT_EQ(Scenes.CurExtScene, 4);
  HandleLoadModeKey({.Code = NumEsc});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
}

TEST_F(SceneKeysTest, PartAndPortValuesSweepsAndRanges) {
  struct Row {
    TModeKeyFn handler;
    int mode;
    std::vector<uint8_t> codes;
    const char* status;
    const char* warn;
  } rows[] = {
      {&HandlePartModeKey, 81, {Num2}, "Part 2", ""},
      {&HandlePartModeKey, 81, {Num3}, "", "Part command ignored; value 3 out of range 1 to 2"},
      {&HandlePartModeKey, 81, {NumInc}, "Part inc", ""},
      {&HandlePartModeKey, 81, {NumSweep2, Num1, Num2}, "Part sweep 1<-->2", ""},
      {&HandlePartModeKey, 81, {NumSweep1, Num0}, "", "Part command ignored; value 0 out of range 1 to 2"},
      {&HandlePortModeKey, 82, {Num3}, "Port 3", ""},
      {&HandlePortModeKey, 82, {Num4}, "", "Port command ignored; value 4 out of range 1 to 3"},
      {&HandlePortModeKey, 82, {NumSweep1, Num1, Num3}, "Port sweep 1-->3", ""},
      {&HandlePortModeKey, 82, {NumDec}, "Port dec", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    SelectSeq(1);
    Keys.KeyMode = M(r.mode);
    for (uint8_t c : r.codes) r.handler({.Code = c});
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.warn);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  }
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepOn, 1);
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepPingPong, 1);
  EXPECT_EQ(SeqBuf(1).PortSweep.On, 0);  // the last row stepped the port and stopped its sweep
  EXPECT_EQ(SeqBuf(1).PortPend, 2);      // down from port 1 wraps round
  // The sweep keys act only in the value mode and the first sweep mode; with hold the part mode
  // comes back.
  Keys.KeyHold = 1;
  Keys.KeyMode = M(90);
  HandlePartModeKey({.Code = NumSweep1});
  EXPECT_EQ(Keys.KeyMode.load(), M(90));
  HandlePartModeKey({.Code = Num1});
  EXPECT_EQ(Keys.KeyMode.load(), M(81));
}

// A scene loaded from the keyboard reads its file once the key path has let go of the engine lock,
// on the same thread, and checks the seqs again under the lock before it swaps them in. A pipe
// stands in for a slow disk: it gives its bytes only after it has found the lock free.
class SceneKeyPathTest : public test::KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    Cfg.RunTimeSceneFolder = dir.Path();
    std::filesystem::create_directories(dir / "Scenes");
  }
  test::TempFolder dir;
};

TEST_F(SceneKeyPathTest, AKeyLoadReadsTheSceneWithoutTheEngineLock) {
  struct Row {
    const char* name;
    bool startsWhileRead;  // a seq starts while the file is being read
    const char* status;
    const char* warn;
  } rows[] = {
      {"loads", false, "Load all from scene 7", ""},
      {"checked again", true, "", "@Load command ignored: all seqs must be stopped"},
  };
  std::vector<uint8_t> image;
  {
    std::lock_guard lock(EngineLock);
    test::FillPart(0, 2, {{0, 0x643C90}, {960, 0x3C80}});
    std::string error;
    ASSERT_TRUE(BuildMidiFile(false, true, image, error)) << error;
  }
  SetKey(MapRangeN, 60, Num0);
  SetKey(MapRangeN, 61, Num7);
  const std::string pipe = dir / "Scenes/Scene-07.mid";
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    {
      std::lock_guard lock(EngineLock);
      ClearPartBuf(0, 2);
      SeqBuf(1).SeqState = TSeqState::Stopped;
      Scenes.CurScene = 0;
      Msgs.StatusMsg.Clear();
      Msgs.WarnMsg.Clear();
    }
    std::filesystem::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> lockFree{false};
    std::thread disk([&] {
      std::ofstream out(pipe, std::ios::binary);  // opens once the reader has
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (EngineLock.try_lock()) {
        lockFree = true;
        if (r.startsWhileRead) SeqBuf(1).SeqState = TSeqState::Playing;
        EngineLock.unlock();
      }
      out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    });
    Keys.KeyMode = M(48);
    Press(60);
    Press(61);
    disk.join();
    EXPECT_TRUE(lockFree);
    std::lock_guard lock(EngineLock);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.warn);
    EXPECT_EQ(Scenes.CurScene, r.startsWhileRead ? 0 : 7);
    EXPECT_EQ(Seqs.PartBufs[0][2].EventsUsed, r.startsWhileRead ? 0 : 3);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  }
  std::lock_guard lock(EngineLock);
  SeqBuf(1).SeqState = TSeqState::Stopped;
}

// A save from the keyboard takes the seqs as they are at the key and writes them after the lock.
TEST_F(SceneKeyPathTest, AKeySaveWritesTheSceneWithoutTheEngineLock) {
  {
    // An image of some size, so the save is more than one small write.
    std::lock_guard lock(EngineLock);
    for (int seq = 0; seq < 4; ++seq)
      for (int i = 0; i < 4000; ++i)
        ASSERT_TRUE(InsertPartEvent(0, seq, i % 2 ? 0x3C80 : 0x643C90, i * 16384, true));
  }
  SetKey(MapRangeN, 60, Num0);
  SetKey(MapRangeN, 61, Num7);
  // The image is written beside the scene and renamed over it; while it lies on disk under its
  // temporary name, another thread must get the engine lock.
  static std::atomic<bool> lockFree;
  static std::vector<char> written;
  lockFree = false;
  written.clear();
  FileReplaceHooks.Written = [](const std::string& tempName) {
    std::thread([] {
      if (EngineLock.try_lock()) {
        lockFree = true;
        EngineLock.unlock();
      }
    }).join();
    std::ifstream in(tempName, std::ios::binary);
    written.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  Keys.KeyMode = M(56);
  Press(60);
  Press(61);
  FileReplaceHooks.Written = nullptr;
  EXPECT_TRUE(lockFree);
  std::lock_guard lock(EngineLock);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Save all to scene 7");
  EXPECT_EQ(Scenes.CurScene, 7);
  std::vector<uint8_t> image;
  std::string error;
  ASSERT_TRUE(BuildMidiFile(false, true, image, error));
  ASSERT_GT(image.size(), 65536u);
  EXPECT_EQ(std::vector<char>(image.begin(), image.end()), written);
}

}  // namespace
}  // namespace vel
