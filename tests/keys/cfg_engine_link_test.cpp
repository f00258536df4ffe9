// The settings file's link to the engine: a save writes the part, live and program values the
// engine holds, and a full load hands them back.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "base/EngineLock.h"
#include "base/UiRecorder.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "keys/CfgEngineLink.h"
#include "keys/ResetAllState.h"
#include "keys/ScaleValue.h"
#include "settings/CfgFactory.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"

namespace vel {
namespace {

TEST(CfgEngineLink, SaveTakesEngineValuesAndLoadGivesThemBack) {
  ResetAllState();
  test::UiRecorder ui;
  InstallCfgEngineLink();
  {
    std::lock_guard lock(EngineLock);
    Seqs.PartBufs[1][2].Pend.SVel = 3;
    Seqs.PartBufs[1][2].Pend.FtsType = 23;
    Seqs.PartBufs[0][1].Pend.FtsRoot = 7;
    Seqs.PartBufs[0][3].Chan[0] = 4;
    Live.SVel = 8;
    PlayCycle.PortChanProgs[0][2].ProgReq = 33;
  }
  const std::string text = [] {
    if (CfgLink().Capture) CfgLink().Capture(CfgEngine);
    CfgEngine.OutPortsAllocated = 0;  // the loopback-free test has no ports; write port 1's entries
    return BuildCfgText(InitialSaveState(CfgFull));
  }();
  EXPECT_NE(text.find("\r\nPart2-Seq3-SVel = 3\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPart2-Seq3-FtsType = M\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPart1-Seq2-FtsRoot = G\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPart1-Seq4-Port1-Chan = 5\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nLive-SVel = 8\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPort1-Chan3-Prog = 33\r\n"), std::string::npos);
  {
    std::lock_guard lock(EngineLock);
    Seqs.PartBufs[1][2].Pend.SVel = 5;
    Seqs.PartBufs[1][2].Pend.FtsType = 7;
    Live.SVel = 5;
    PlayCycle.PortChanProgs[0][2].ProgReq = 0;
  }
  ASSERT_TRUE(LoadConfigText(text, CfgFull, "/tmp/link.txt"));
  EXPECT_EQ(Seqs.PartBufs[1][2].Pend.SVel, 3);
  EXPECT_EQ(Seqs.PartBufs[1][2].Pend.FtsType, 23);
  EXPECT_EQ(Seqs.PartBufs[1][2].Pend.ScaleTbl, FtsScaleTable(23));
  EXPECT_EQ(Seqs.PartBufs[0][3].Chan[0], 4);
  EXPECT_EQ(Live.SVel, 8);
  EXPECT_EQ(PlayCycle.PortChanProgs[0][2].ProgReq, 33);
  EXPECT_TRUE(ui.boxes.empty());
  ResetAllState();
}

// Notes per bar, saved and loaded, come back as saved where the loaded time signature allows
// them; one longer than its beat follows the beat. A time signature set later still sets them to
// its beat (at least a quarter).
TEST(CfgEngineLink, ALoadKeepsTheMetronomesNotesPerBarThatItsTimeSignatureAllows) {
  struct Row {
    int32_t beats, beatLen, metr, loaded;
  };
  for (const Row r :
       {Row{4, 4, 8, 8}, Row{4, 4, 64, 64}, Row{6, 8, 16, 16}, Row{2, 2, 2, 2}, Row{6, 8, 4, 8}}) {
    SCOPED_TRACE(std::to_string(r.beats) + "/" + std::to_string(r.beatLen) + " " + std::to_string(r.metr));
    ResetAllState();
    test::UiRecorder ui;
    Cfg.BeatsPerBar = r.beats;
    Cfg.NoteLenFrac = r.beatLen;
    Cfg.MetrNoteLenFrac = r.metr;
    const std::string text = BuildCfgText(InitialSaveState(CfgFull));
    ASSERT_NE(text.find("\r\nMetrNoteLenFrac = " + std::to_string(r.metr) + "\r\n"), std::string::npos);
    ResetAllState();
    InstallCfgEngineLink();
    ASSERT_TRUE(LoadConfigText(text, CfgFull, "/tmp/link.txt"));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Cfg.NoteLenFrac, r.beatLen);
    EXPECT_EQ(Cfg.BeatTicks, 15360 / r.beatLen);
    EXPECT_EQ(Cfg.MetrNoteLenFrac, r.loaded);
  }
  ASSERT_EQ(Cfg.MetrNoteLenFrac, 8);
  ASSERT_TRUE(SetTimeSig(7, 8));
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 8);
  Cfg.MetrNoteLenFrac = 16;
  ASSERT_TRUE(SetTimeSig(4, 4));
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 4);
  ASSERT_TRUE(SetTimeSig(2, 2));
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 4);
  ResetAllState();
}

}  // namespace
}  // namespace vel
