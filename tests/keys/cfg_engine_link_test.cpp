// The settings file's link to the engine: a save writes the part, live and program values the
// engine holds, and a full load hands them back.
#include <gtest/gtest.h>

#include <mutex>

#include "base/EngineLock.h"
#include "base/UiRecorder.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
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

}  // namespace
}  // namespace vel
