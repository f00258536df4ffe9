#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "files/Scenes.h"
#include "mainwindow/PortRig.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

using Strs = std::vector<std::string>;
using Ints = std::vector<int>;
constexpr TPortSide kIn = TPortSide::Inputs;
constexpr TPortSide kOut = TPortSide::Outputs;

class RefreshTest : public test::PortRig {
 protected:
  void SetUp() override {
    PortRig::SetUp();
    RefreshHooks.PortRowsChanged = [this](TPortSide side) { Note(side == kIn ? "rows: in" : "rows: out"); };
    RefreshHooks.LoadMainControls = [this](const TMainComboIndices&) { Note("main controls"); };
  }
  Strs States() {
    Strs states;
    for (const std::string& e : Journal())
      if (e.rfind("state ", 0) == 0 || e.rfind("rows: ", 0) == 0 || e == "main controls") states.push_back(e);
    return states;
  }
};

TEST_F(RefreshTest, ReallocatesPortsByNameUntilOneIsMissing) {
  Cfg.InPortsLoaded = 2;
  Cfg.InPortDevNames = {"Loopback In 1", "Gone", "Loopback In 3"};
  Cfg.InPortNames = {"Keys", "Pads", "Drums"};
  Cfg.OutPortsLoaded = 1;
  Cfg.OutPortDevNames = {"Loopback Out 3", "Loopback Out 1"};
  Cfg.OutPortNames = {"Synth", "Piano"};
  Cfg.ProgChangesEnabled = {0, 1};
  ASSERT_TRUE(RefreshAll(true));
  EXPECT_EQ(RunCtl.InPortsAllocated, 0);
  EXPECT_EQ(Cfg.InPortsLoaded, 0);
  EXPECT_EQ(PortLists.In.PortItems, Strs{"P1- Keys"});
  EXPECT_EQ(DevTexts(kIn), (Strs{"Loopback In 1", "Free devices below:-", "Loopback In 2", "Loopback In 3"}));
  EXPECT_EQ(RunCtl.MidiInDevs[2].Opened, 0);
  EXPECT_EQ(RunCtl.OutPortsAllocated, 1);
  EXPECT_EQ(Cfg.OutPortsLoaded, 1);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Synth", "P2- Piano"}));
  EXPECT_EQ(DevIdxs(kOut), (Ints{2, 0, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(RunCtl.MidiOutDevs[2].ProgChangesEnabled, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].ProgChangesEnabled, 1);
  EXPECT_EQ(RunCtl.ProgState, TProgState::Config);
  EXPECT_EQ(States(), (Strs{"state 0", "rows: in", "rows: out", "main controls", "state 4"}));
}

TEST_F(RefreshTest, AReinitStartsFromCleanMessagesAndReloadsTheWindowsFirst) {
  RefreshHooks.ClearWindowMessages = [this] { Note("clear window messages"); };
  RefreshHooks.CloseKeyMapWindows = [this] { Note("close key maps"); };
  RefreshHooks.ReloadMainWindow = [this] { Note("reload main"); };
  Ui().Publish = [this](TTopic topic) {
    if (topic == TTopic::Settings) Note("reload settings");
  };
  Msgs.ErrMsg.Set("X error: Unexpected Y");
  Msgs.WarnMsg.Set("Z");
  Msgs.StatusAlertText.Set("Warning: Z");
  Msgs.StatusAlertPending = 1;
  // No output port: the live port rests on port 1 whatever was loaded.
  Cfg.LivePortNoLoaded = 4;
  RunCtl.LivePort = 3;
  ASSERT_TRUE(RefreshAll(true));
  Strs calls;
  for (const std::string& e : Journal())
    if (e.rfind("log: ", 0) != 0 && e.rfind("post: ", 0) != 0 && e.rfind("timer: ", 0) != 0)
      calls.push_back(e);
  EXPECT_EQ(calls, (Strs{"state 0", "clear window messages", "close key maps", "reload main",
                         "reload settings", "rows: in", "rows: out", "main controls", "state 4"}));
  EXPECT_EQ((Strs{Msgs.ErrMsg.Peek(), Msgs.WarnMsg.Peek(), Msgs.StatusAlertText.Peek()}), (Strs{"", "", ""}));
  EXPECT_EQ(Msgs.StatusAlertPending, 0);
  EXPECT_EQ(RunCtl.LivePort, 0);
}

TEST_F(RefreshTest, TwoDevicesOfOneNameBothComeBack) {
  for (TMidiDevRec& d : RunCtl.MidiOutDevs) d.DevName = "Synth";
  ListOutDevices();
  Cfg.OutPortsLoaded = 2;
  Cfg.OutPortDevNames = {"Synth", "Synth", "Synth"};
  Cfg.OutPortNames = {"A", "B", "C"};
  ASSERT_TRUE(RefreshAll(true));
  EXPECT_EQ(RunCtl.OutPortsAllocated, 2);
  EXPECT_EQ(DevIdxs(kOut), (Ints{0, 1, 2, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- A", "P2- B", "P3- C"}));
  EXPECT_EQ(DevTexts(kOut), (Strs{"Synth", "Synth", "Synth"}));
}

TEST_F(RefreshTest, LiveAndSeqPortsFollowTheirSavedNames) {
  Cfg.OutPortsLoaded = 1;
  Cfg.OutPortDevNames = {"Loopback Out 1", "Loopback Out 2"};
  Cfg.OutPortNames = {"Left", "Right"};
  Cfg.LivePortNoLoaded = 1;
  struct Case {
    int8_t loaded;
    int8_t before;
    int8_t port;
  };
  // Port 3 is not there: its name matches no item and the seq keeps its port.
  const Case cases[] = {{1, 0, 1}, {0, 1, 0}, {-1, 1, 1}, {2, 1, 1}};
  for (int s = 0; s < kSeqs; ++s) {
    Seqs.PartBufs[0][s].PortNoLoaded = cases[s].loaded;
    Seqs.PartBufs[0][s].PortPend = cases[s].before;
  }
  Cfg.OutPortNames[2] = "Gone";
  ASSERT_TRUE(RefreshAll(true));
  EXPECT_EQ(RunCtl.LivePort, 1);
  for (int s = 0; s < kSeqs; ++s) {
    EXPECT_EQ(Seqs.PartBufs[0][s].PortPend, cases[s].port) << s;
    EXPECT_EQ(Seqs.PartBufs[0][s].Port, cases[s].port) << s;
  }
}

TEST_F(RefreshTest, RefusedWhileRunning) {
  Cfg.OutPortsLoaded = 0;
  Cfg.OutPortDevNames[0] = "Loopback Out 1";
  Scenes.CurScene = 7;
  RunCtl.ProgState = TProgState::Running;
  EXPECT_FALSE(RefreshAll(true));
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "RefreshAll error: Unexpected ProgState");
  EXPECT_EQ(RunCtl.ProgState, TProgState::Running);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
  EXPECT_EQ(Scenes.CurScene, 7);
  EXPECT_EQ(States(), Strs{});
  RunCtl.ProgState = TProgState::Config;
}

TEST_F(RefreshTest, WithoutReinitPortsStayAndTheSeqsStop) {
  AllocateByName(kOut, "Loopback Out 2");
  Cfg.OutPortsLoaded = 1;  // not applied without reinit
  Cfg.OutPortDevNames = {"Loopback Out 1", "Loopback Out 3"};
  Scenes.CurScene = 12;
  Scenes.CurExtScene = 3;
  Scenes.SceneSaved = 0;
  for (int s = 0; s < kSeqs; ++s) Seqs.PartBufs[0][s].SeqState = TSeqState::Playing;
  ASSERT_TRUE(RefreshAll(false));
  EXPECT_EQ(PortLists.Out.PortItems, Strs{"P1- Loopback Out 2"});
  EXPECT_EQ(DevIdxs(kOut), (Ints{1, -1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ((Ints{Scenes.CurScene, Scenes.CurExtScene, Scenes.SceneSaved}), (Ints{0, 0, 1}));
  for (int s = 0; s < kSeqs; ++s) EXPECT_EQ(Seqs.PartBufs[0][s].SeqState, TSeqState::Stopped) << s;
  EXPECT_EQ(States(), (Strs{"main controls", "state 4"}));
}

TEST_F(RefreshTest, AnInvalidMetronomeStyleFallsBackToTheFirst) {
  // Style 2 with main patterns 0..3 is defined in both stores.
  const int32_t d = 2;
  const int32_t b = 2;
  const auto savedDrum = std::make_pair(DrumStore.LastStyle, DrumStore.Styles[d].LastMain);
  const auto savedBass = std::make_pair(BassStore.LastStyle, BassStore.Styles[b].LastMain);
  DrumStore.LastStyle = BassStore.LastStyle = 2;
  DrumStore.Styles[d].LastMain = BassStore.Styles[b].LastMain = 3;
  struct Case {
    uint8_t drums;
    int32_t drumStyle, drumPat, bassStyle, bassPat;
    Ints after;  // drum style, pattern, bass style, pattern
  };
  const Case cases[] = {
      {1, 99, 1, b, 1, {0, 0, b, 1}},
      {1, d, 500, b, 1, {0, 0, b, 1}},
      {1, d, 1, 99, 1, {d, 1, 99, 1}},  // bass is not in use
      {1, -1, 0, b, 1, {0, 0, b, 1}},
      {0, 99, 1, b, 900, {99, 1, 0, 0}},
      {0, d, 1, b, 1, {d, 1, b, 1}},
      // Style 1 has no pattern: it stays chosen with pattern 0, and with any other falls back.
      {1, 1, 0, b, 1, {1, 0, b, 1}},
      {1, 1, 5, b, 1, {0, 0, b, 1}},
  };
  for (const Case& c : cases) {
    Cfg.MetrTypePitchLocked = c.drums;
    DrumStore.StyleNo = c.drumStyle;
    DrumStore.PatNo = c.drumPat;
    BassStore.StyleNo = c.bassStyle;
    BassStore.PatNo = c.bassPat;
    Showing.MetrDrumChanged = 1;
    Showing.MetrBassChanged = 1;
    ASSERT_TRUE(RefreshAll(false));
    EXPECT_EQ((Ints{DrumStore.StyleNo, DrumStore.PatNo, BassStore.StyleNo, BassStore.PatNo}), c.after)
        << c.drumStyle << " " << c.drumPat << " " << c.bassStyle << " " << c.bassPat;
    EXPECT_EQ(Showing.MetrDrumChanged + Showing.MetrBassChanged, 0);
  }
  std::tie(DrumStore.LastStyle, DrumStore.Styles[d].LastMain) = savedDrum;
  std::tie(BassStore.LastStyle, BassStore.Styles[b].LastMain) = savedBass;
}

TEST_F(RefreshTest, UsagePeaksAndQueueCountsReset) {
  {
    std::lock_guard lock(LiveFifo.Mutex);
    for (int i = 0; i < 5; ++i) LiveFifo.Push(TLiveMsg{0x90u + static_cast<uint32_t>(i)});
  }
  {
    std::lock_guard lock(DiagMsgsFifo.Mutex);
    DiagMsgsFifo.HighWater = 40;
  }
  Cfg.MaxActiveSeqs = 1;
  for (auto& parts : Seqs.PartBufs)
    for (TPartBuf& b : parts) b.EventsPeak = 17;
  ResetUsagePeaks();
  {
    std::lock_guard lock(LiveFifo.Mutex);
    EXPECT_EQ(LiveFifo.Count, 0);
    EXPECT_EQ(LiveFifo.HighWater, 0);
    // The ring agrees with its count: nothing is left to take.
    TLiveMsg m;
    EXPECT_FALSE(LiveFifo.Pop(m));
    EXPECT_TRUE(LiveFifo.Push(TLiveMsg{0x80}));
    EXPECT_EQ(LiveFifo.Count, 1);
  }
  EXPECT_EQ(DiagMsgsFifo.HighWater, 0);
  Ints peaks;
  for (int s = 0; s < kSeqs; ++s) peaks.push_back(Seqs.PartBufs[1][s].EventsPeak);
  EXPECT_EQ(peaks, (Ints{-1, -1, 17, 17}));
}

TEST_F(RefreshTest, TablesAndPartsClearedBeforeALoad) {
  Live.Chan = {3, 4, 5, 6, 7, 8, 9, 10, 11};
  PlayCycle.PortChanProgs[8][15] = TChanProg{42, 41, 1, 1};
  Seqs.PartBufs[1][3].Chan[8] = 9;
  Seqs.PartBufs[1][3].TempoDiv = 4;
  Seqs.PartBufs[1][3].TempoDivPend = 3;
  ASSERT_TRUE(InsertPartEvent(1, 3, 0x403C90, 0, false));
  ResetPortChanTables();
  EXPECT_EQ(Ints(Live.Chan.begin(), Live.Chan.end()), Ints(kPorts, 0));
  const TChanProg& cp = PlayCycle.PortChanProgs[8][15];
  EXPECT_EQ((Ints{cp.ProgReq, cp.ProgSent, cp.ProgSentValid, cp.Flag}), (Ints{0, -1, 0, 0}));
  EXPECT_EQ(Seqs.PartBufs[1][3].Chan[8], 0);
  ClearAllPartBufs();
  const TPartBuf& b = Seqs.PartBufs[1][3];
  EXPECT_EQ((Ints{b.Head, b.EventsUsed, b.TempoDiv, b.TempoDivPend}), (Ints{-1, 0, 1, 1}));
}

TEST(UpdateMetrControls, FollowsSeqStylesPortsAndMode) {
  struct Case {
    bool running;
    int metrSeq;
    uint8_t styles;
    int outs;
    uint8_t standard;
    // Visible: style labels, note combos, SVel label, note labels, fill, bar/beat, mode styles,
    // type buttons; then enabled: note combos, fill, mode styles.
    Ints shown;
  };
  const Case cases[] = {
      {false, 0, 0, 0, 1, {0, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1}},
      {false, 0, 0, -1, 0, {0, 1, 1, 0, 1, 1, 0, 1, 0, 0, 0}},
      {true, 0, 0, 0, 1, {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
      {false, 0, 1, 0, 1, {1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1}},
      {true, 2, 1, 0, 1, {1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}},
      {false, -1, 0, 0, 1, {0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1}},
  };
  const TCfg saved = Cfg;
  const int8_t savedOuts = RunCtl.OutPortsAllocated;
  for (const Case& c : cases) {
    Cfg.MetrSeqNo = c.metrSeq;
    Cfg.MetrModeStyles = c.styles;
    Cfg.StandardMode = c.standard;
    RunCtl.OutPortsAllocated = static_cast<int8_t>(c.outs);
    const TMetrControls m = UpdateMetrControls(c.running);
    const Ints shown{m.StyleLabels.Visible, m.NoteCombos.Visible,  m.SVelLabel.Visible,
                     m.NoteLabels.Visible,  m.Fill.Visible,        m.BarBeatLabels.Visible,
                     m.ModeStyles.Visible,  m.TypeButtons.Visible, m.NoteCombos.Enabled,
                     m.Fill.Enabled,        m.ModeStyles.Enabled};
    EXPECT_EQ(shown, c.shown) << c.running << c.metrSeq << int(c.styles) << c.outs << int(c.standard);
    EXPECT_EQ(m.ModeStylesChecked, c.styles != 0);
  }
  Cfg = saved;
  RunCtl.OutPortsAllocated = savedOuts;
}

}  // namespace
}  // namespace vel
