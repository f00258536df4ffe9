#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>

#include "base/EngineLock.h"
#include "engine/EngineTestState.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/ResetViewState.h"

namespace vel {
namespace {

class MainCombosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetViewState();
    test::MakeEngineRunning();
    RunCtl.ProgState = TProgState::Config;
  }
  void TearDown() override { ResetViewState(); }
};

std::string Joined(const TItems& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
  return text;
}

TEST_F(MainCombosTest, FixedLists) {
  const TMainCombos c = FillMainCombos();
  struct Case {
    const char* list;
    const TItems& items;
    std::size_t count;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"MaxActiveSeqs", c.MaxActiveSeqs, 3, "2", "4"},
      {"LiveChans", c.LiveChans, 16, "1", "16"},
      {"Progs", c.Progs, 129, "-", "127-Gunshot"},
      {"LiveSVels", c.LiveSVels, 10, "0", "9"},
      {"MetrSVels", c.MetrSVels, 9, "1", "9"},
      {"MetrNotes", c.MetrNotes, 128, "C-2", "G8"},
      {"TSigBeats", c.TSigBeats, 63, "2", "64"},
      {"TempoIntMSB", c.TempoIntMSB, 1, "0", "0"},
      {"TempoIntLSB", c.TempoIntLSB, 301, "20", "320"},
      {"FilterChans", c.FilterChans, 17, "all", "16"},
      {"SeqParts", c.SeqParts, 2, "1", "2"},
      {"SeqChans", c.SeqChans, 16, "1", "16"},
      {"SeqSVels", c.SeqSVels, 10, "0", "9"},
      {"TarloSysexDevId", c.TarloSysexDevId.Items, 128, "0", "127"},
  };
  for (const Case& k : cases) {
    ASSERT_EQ(k.items.size(), k.count) << k.list;
    EXPECT_EQ(k.items.front(), k.first) << k.list;
    EXPECT_EQ(k.items.back(), k.last) << k.list;
  }
  EXPECT_EQ(c.Progs[1], "0-Ac Grand Piano");
  EXPECT_EQ(c.MetrNotes[60], "C3");
  EXPECT_EQ(c.MetrNotes[24], "C");
  EXPECT_EQ(Joined(c.QuantN), "0,1,2,3,4,5,6,8,10,12,15,16,20,24,30,32,40,48,60,64");
  EXPECT_EQ(Joined(c.QuantS), "1,2,3,4,5,6,8,10,12,15,16,20,24,30,32,40,48,60,64");
  EXPECT_EQ(Joined(c.TSigFrac), "2,4,8,16,32,64");
  EXPECT_EQ(c.TarloSysexDevId.ItemIndex, 1);
  EXPECT_FALSE(c.TarloPNoEnabled);  // no output allocated
  RunCtl.OutPortsAllocated = 0;
  EXPECT_TRUE(FillMainCombos().TarloPNoEnabled);
}

TEST_F(MainCombosTest, NumberAndProgramListsKeepOrResetTheIndex) {
  EXPECT_EQ(Joined(FillNumberCombo(15)), "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16");
  EXPECT_EQ(Joined(FillNumberCombo(0)), "1");
  EXPECT_TRUE(FillNumberCombo(-1).empty());

  Cfg.DspProgNames = 0;
  Cfg.UserProgNames[5] = "My EP";
  TComboFill progs = FillProgCombos(false, 7);
  EXPECT_EQ(progs.Items[6], "5");
  EXPECT_EQ(progs.ItemIndex, 7);
  Cfg.DspProgNames = 1;
  progs = FillProgCombos(true, 7);
  EXPECT_EQ(progs.Items[6], "5-My EP");
  EXPECT_EQ(progs.ItemIndex, 0);

  const TTempoCombos kept = FillTempoCombos(false, 0, 100);
  EXPECT_EQ(kept.IntLSB.ItemIndex, 100);
  EXPECT_EQ(FillTempoCombos(true, 0, 100).IntLSB.ItemIndex, 0);
}

TEST_F(MainCombosTest, FindItemIndexMatchesWholeText) {
  const TItems items = {"2", "4", "16"};
  EXPECT_EQ(FindItemIndex("16", items), 2);
  EXPECT_EQ(FindItemIndex("1", items), -1);
  EXPECT_EQ(FindItemIndex("", {}), -1);
}

TEST_F(MainCombosTest, LoadSelectsTheCurrentValues) {
  Cfg.MaxActiveSeqs = 2;
  RunCtl.OutPortsAllocated = 1;
  RunCtl.PortDevIdx[1] = 1;
  RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  RunCtl.LivePort = 1;
  Live.Chan[1] = 9;
  Live.SVel = 7;
  PlayCycle.PortChanProgs[1][9].ProgSent = 40;
  Cfg.MetrTypePitchLocked = 1;
  Cfg.MetrDrumBarNote = 41, Cfg.MetrDrumBarSVel = 5, Cfg.MetrDrumBeatNote = 42, Cfg.MetrDrumBeatSVel = 1;
  Transport.ActBar.NQNoteLenFrac = 0;
  Transport.ActBar.SQNoteLenFrac = 7;  // no such item
  Transport.ActBar.NoteLenFrac = 8;
  Transport.ActBar.BeatsPerBar = 3;
  Cfg.Tempo = 12049;  // 120.49 rounds to 120
  // Seq 1 plays part 2 on port 1 channel 4; no program sent there yet, 12 wanted.
  Seqs.SeqRecs[1].PlayPart = 1;
  TPartBuf& b = Seqs.PartBufs[1][1];
  b.Port = 1;
  b.Chan[1] = 3;
  b.Act.SVel = 8;
  b.Act.Muted = 1;
  b.PitchLocked = 1;
  PlayCycle.PortChanProgs[1][3].ProgReq = 12;
  // Seq 2 on a port without a device: no program changes.
  Seqs.PartBufs[0][2].Port = 2;
  Seqs.PartBufs[0][2].Chan[2] = 5;
  // Seq 0 on no valid port.
  Seqs.PartBufs[0][0].Port = -1;

  const TMainComboIndices x = LoadMainCombos();
  EXPECT_EQ(x.MaxActiveSeqs, 1);
  EXPECT_EQ(x.LivePorts, 1);
  EXPECT_EQ(x.LiveChans, 9);
  EXPECT_EQ(x.LiveProgs, 41);
  EXPECT_EQ(x.LiveSVels, 7);
  EXPECT_EQ(x.MetrBarNote, 41);
  EXPECT_EQ(x.MetrBarSVel, 4);
  EXPECT_EQ(x.MetrBeatNote, 42);
  EXPECT_EQ(x.MetrBeatSVel, 0);
  EXPECT_EQ(x.QuantN, 0);
  EXPECT_EQ(x.QuantS, -1);
  EXPECT_EQ(x.TSigFrac, 2);
  EXPECT_EQ(x.TSigBeats, 1);
  EXPECT_EQ(x.TempoIntMSB, 0);
  EXPECT_EQ(x.TempoIntLSB, 100);

  struct Row {
    int32_t part, port, chan, prog, svel;
    bool muted, locked;
  };
  const Row rows[] = {
      {0, -1, -1, -1, 5, false, false},
      {1, 1, 3, 13, 8, true, true},
      {0, 2, 5, 0, 5, false, false},
      {-1, -1, -1, -1, -1, false, false},  // seq 3 not in use
  };
  for (int s = 0; s < kSeqs; ++s) {
    const TSeqComboIndices& q = x.Seqs[s];
    const Row& r = rows[s];
    EXPECT_EQ(q.Part, r.part) << s;
    EXPECT_EQ(q.Port, r.port) << s;
    EXPECT_EQ(q.Chan, r.chan) << s;
    EXPECT_EQ(q.Prog, r.prog) << s;
    EXPECT_EQ(q.SVel, r.svel) << s;
    EXPECT_EQ(q.Muted, r.muted) << s;
    EXPECT_EQ(q.PitchLocked, r.locked) << s;
  }
}

TEST_F(MainCombosTest, LoadWithoutLivePortLeavesItsListsUnselected) {
  RunCtl.LivePort = -1;
  Cfg.MetrTypePitchLocked = 0;
  const TMainComboIndices x = LoadMainCombos();
  EXPECT_EQ(x.LivePorts, -1);
  EXPECT_EQ(x.LiveChans, -1);
  EXPECT_EQ(x.LiveProgs, -1);
  EXPECT_EQ(x.MetrBarNote, 24);  // bass values
  EXPECT_EQ(x.MetrBarSVel, 6);
  EXPECT_EQ(x.MetrBeatNote, 36);
  EXPECT_EQ(x.MetrBeatSVel, 4);
}

TEST_F(MainCombosTest, ApplyPendingMetreTakesTheWholeBar) {
  Cfg.BeatsPerBar = 3, Cfg.NoteLenFrac = 8, Cfg.NQNoteLenFrac = 16, Cfg.SQNoteLenFrac = 4;
  Cfg.BarTicks = 5760, Cfg.BeatTicks = 1920, Cfg.NQTicks = 960, Cfg.SQTicks = 3840;
  ApplyPendingMetre();
  const TBarSettings& a = Transport.ActBar;
  EXPECT_EQ(a.BeatsPerBar, 3);
  EXPECT_EQ(a.NoteLenFrac, 8);
  EXPECT_EQ(a.NQNoteLenFrac, 16);
  EXPECT_EQ(a.SQNoteLenFrac, 4);
  EXPECT_EQ(a.BarTicks, 5760);
  EXPECT_EQ(a.BeatTicks, 1920);
  EXPECT_EQ(a.NQTicks, 960);
  EXPECT_EQ(a.SQTicks, 3840);
}

TEST_F(MainCombosTest, ApplyPendingSeqValues) {
  Cfg.MaxActiveSeqs = 2;
  RunCtl.OutPortsAllocated = 1;
  Cfg.MChanEnabled[1] = 1, Cfg.MChanMin[1] = 2, Cfg.MChanMax[1] = 5;
  Seqs.SeqRecs[0].SelPart = 1;
  TPartBuf& b = Seqs.PartBufs[1][0];
  b.PortPend = 1, b.ChanPend = 4;
  b.Pend.SVel = 9, b.Pend.Muted = 1, b.Pend.FtsRoot = 2, b.Pend.FtsType = kFtsTypeCustom;
  b.Pend.FtnMap[3] = -1;
  b.Pend.ScaleTbl = &b.Pend.FtnMap;
  // Seq 1: channel outside the multiplier's range, port 2 not allocated.
  TPartBuf& c = Seqs.PartBufs[0][1];
  c.PortPend = 1, c.ChanPend = 6;
  // Seq 3 is not in use.
  Seqs.SeqRecs[3].SelPart = 1;
  PlayCycle.PortChanProgs[1][4].ProgReq = 33;
  PlayCycle.PortChanProgs[2][4].ProgReq = 44;

  ApplyPendingSeqValues();
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 1);
  EXPECT_EQ(b.Port, 1);
  EXPECT_EQ(b.Chan[0], 4);
  EXPECT_EQ(b.Chan[1], 4);
  EXPECT_EQ(b.Chan[2], 0);  // port 2 is not allocated
  EXPECT_EQ(b.MChanApplies, 1);
  EXPECT_EQ(b.Act.SVel, 9);
  EXPECT_EQ(b.Act.Muted, 1);
  EXPECT_EQ(b.Act.FtsRoot, 2);
  EXPECT_EQ(b.Act.FtsType, kFtsTypeCustom);
  // The custom scale plays from the active map, a copy of the pending one.
  EXPECT_EQ(b.Act.ScaleTbl, &b.Act.FtnMap);
  EXPECT_EQ(b.Act.FtnMap[3], -1);
  EXPECT_EQ(c.MChanApplies, 0);
  EXPECT_EQ(Seqs.SeqRecs[3].PlayPart, 0);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][4].ProgSent, 33);
  EXPECT_EQ(PlayCycle.PortChanProgs[2][4].ProgSent, -1);
}

TEST_F(MainCombosTest, ChangesWaitForTheEngineLock) {
  using namespace std::chrono_literals;
  Cfg.BeatsPerBar = 7;
  Seqs.SeqRecs[0].SelPart = 1;
  std::unique_lock lock(EngineLock);
  auto metre = std::async(std::launch::async, [] { ApplyPendingMetre(); });
  auto seqs = std::async(std::launch::async, [] { ApplyPendingSeqValues(); });
  EXPECT_EQ(metre.wait_for(50ms), std::future_status::timeout);
  EXPECT_EQ(seqs.wait_for(0ms), std::future_status::timeout);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 4);
  lock.unlock();
  metre.get();
  seqs.get();
  std::lock_guard relock(EngineLock);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 7);
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 1);
}

}  // namespace
}  // namespace vel
