#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "mainwindow/PortRig.h"

namespace vel {
namespace {

using Strs = std::vector<std::string>;
using Ints = std::vector<int>;
constexpr TPortSide kIn = TPortSide::Inputs;
constexpr TPortSide kOut = TPortSide::Outputs;

class PortModelTest : public test::PortRig {};

TEST_F(PortModelTest, DeviceListsKeepAllocatedDevicesAboveTheSeparator) {
  EXPECT_EQ(DevTexts(kOut),
            (Strs{"Free devices below:-", "Loopback Out 1", "Loopback Out 2", "Loopback Out 3"}));
  AllocateByName(kOut, "Loopback Out 3");
  AllocateByName(kOut, "Loopback Out 1");
  const Strs allocated{"Loopback Out 3", "Loopback Out 1", "Free devices below:-", "Loopback Out 2"};
  EXPECT_EQ(DevTexts(kOut), allocated);
  // Listing again gives the same rows.
  ListOutDevices();
  EXPECT_EQ(DevTexts(kOut), allocated);
  AllocateByName(kOut, "Loopback Out 2");
  EXPECT_EQ(DevTexts(kOut), (Strs{"Loopback Out 3", "Loopback Out 1", "Loopback Out 2"}));
  EXPECT_EQ(PortLists.Out.PortItems,
            (Strs{"P1- Loopback Out 3", "P2- Loopback Out 1", "P3- Loopback Out 2"}));
  EXPECT_EQ(RunCtl.MidiOutDevs[0].PortName, "P2- Loopback Out 1");
  EXPECT_EQ(RunCtl.MidiOutDevs[0].PortNo, 1);
  EXPECT_EQ(RunCtl.OutPortsAllocated, 2);
  EXPECT_EQ(DevIdxs(kOut), (Ints{2, 0, 1, -1, -1, -1, -1, -1, -1}));
}

TEST_F(PortModelTest, AnInputIsOpenedStartedAndGivesTheClockAPort) {
  struct Case {
    int clockBefore;
    int clockAfter;
  };
  const Case cases[] = {{-1, 0}, {0, 0}, {3, 3}};
  for (const Case& c : cases) {
    RescanDevices(false);
    journal.clear();
    Cfg.ClocksExtPNo = c.clockBefore;
    AllocateByName(kIn, "Loopback In 2");
    EXPECT_EQ(Cfg.ClocksExtPNo, c.clockAfter) << c.clockBefore;
    const TMidiDevRec& d = RunCtl.MidiInDevs[1];
    EXPECT_EQ((Ints{d.Opened, d.Started, d.PortNo, RunCtl.InPortDevIdx[0], RunCtl.InPortsAllocated}),
              (Ints{1, 1, 0, 1, 0}));
    EXPECT_EQ(d.PortName, "P1- Loopback In 2");
    Strs calls;
    for (const std::string& e : Journal())
      if (e.rfind("log: ", 0) != 0 && e.rfind("post: ", 0) != 0) calls.push_back(e);
    EXPECT_EQ(calls, (Strs{"pump", "cursor on", "users: in", "cursor off"}));
  }
  // A second input leaves the clock where it is.
  Cfg.ClocksExtPNo = -1;
  AllocateByName(kIn, "Loopback In 1");
  EXPECT_EQ(Cfg.ClocksExtPNo, -1);
  EXPECT_EQ(PortLists.In.PortItems, (Strs{"P1- Loopback In 2", "P2- Loopback In 1"}));
}

TEST_F(PortModelTest, AllocateButtonEnabling) {
  AllocateByName(kIn, "Loopback In 2");
  struct Case {
    const char* what;
    int32_t row;
    TProgState state;
    int8_t allocated;
    bool can;
  };
  // Rows: In 2 (opened), separator, In 1, In 3.
  const Case cases[] = {
      {"free device", 2, TProgState::Config, 0, true},    {"separator", 1, TProgState::Config, 0, false},
      {"opened device", 0, TProgState::Config, 0, false}, {"no row", -1, TProgState::Config, 0, false},
      {"past the end", 4, TProgState::Config, 0, false},  {"running", 2, TProgState::Running, 0, false},
      {"nine ports", 2, TProgState::Config, 8, false},    {"eight ports", 2, TProgState::Config, 7, true},
  };
  for (const Case& c : cases) {
    RunCtl.ProgState = c.state;
    RunCtl.InPortsAllocated = c.allocated;
    EXPECT_EQ(CanAllocate(kIn, c.row), c.can) << c.what;
  }
  RunCtl.ProgState = TProgState::Config;
  RunCtl.InPortsAllocated = 0;
}

TEST_F(PortModelTest, FailedOpensShowTheirTextAndChangeNothing) {
  struct Case {
    TPortSide side;
    const char* call;
    const char* dev;
    const char* box;
  };
  const Case cases[] = {
      {kOut, "open", "Loopback Out 2",
       "box: Failed to open output port 2: Loopback Out 2\r\n(possibly in use by another program?)\r\n\r\n"
       "Click 'Settings, Ports' to allocate ports"},
      {kIn, "open", "Loopback In 2",
       "box: Failed to open/start input port 2: Loopback In 2\r\n(possibly in use by another "
       "program?)\r\n\r\n"
       "Click 'Settings, Ports' to allocate ports"},
      {kIn, "start", "Loopback In 3",
       "box: Failed to open/start input port 2: Loopback In 3\r\n(possibly in use by another "
       "program?)\r\n\r\n"
       "Click 'Settings, Ports' to allocate ports"},
  };
  AllocateByName(kIn, "Loopback In 1");
  AllocateByName(kOut, "Loopback Out 1");
  for (const Case& c : cases) {
    const bool in = c.side == kIn;
    const Strs rowsBefore = DevTexts(c.side);
    journal.clear();
    midi::loopback::FailNext(c.call, midi::kErrAllocated);
    EXPECT_FALSE(AllocateSelectedDevice(c.side, Row(c.side, c.dev))) << c.dev;
    Strs boxes;
    for (const std::string& e : Journal())
      if (e.rfind("box: ", 0) == 0 || e.rfind("users: ", 0) == 0) boxes.push_back(e);
    EXPECT_EQ(boxes, Strs{c.box});
    const int dev = c.dev[std::string(c.dev).size() - 1] - '1';
    const TMidiDevRec& d = in ? RunCtl.MidiInDevs[dev] : RunCtl.MidiOutDevs[dev];
    EXPECT_EQ(d.Opened, 0) << c.dev;
    EXPECT_EQ(d.PortNo, -1) << c.dev;
    EXPECT_EQ(d.PortName, "") << c.dev;
    EXPECT_EQ(DevIdxs(c.side), (Ints{0, -1, -1, -1, -1, -1, -1, -1, -1})) << c.dev;
    EXPECT_EQ(in ? RunCtl.InPortsAllocated : RunCtl.OutPortsAllocated, 0) << c.dev;
    EXPECT_EQ(PortListOf(c.side).PortItems.size(), 1u) << c.dev;
    EXPECT_EQ(DevTexts(c.side), rowsBefore) << c.dev;
  }
}

TEST_F(PortModelTest, DeallocatingOutputPortOneOfThreeMovesTheRestDown) {
  AllocateByName(kOut, "Loopback Out 1");
  AllocateByName(kOut, "Loopback Out 2");
  AllocateByName(kOut, "Loopback Out 3");
  ApplyPortRename(kOut, 1, "Bass");
  ApplyPortRename(kOut, 2, "Drums");
  for (int p = 0; p < 3; ++p) {
    Cfg.MIDIOutClocksEnabled[p] = static_cast<uint8_t>(p != 1);
    Cfg.MidiOutSyncEnabled[p] = static_cast<uint8_t>(p == 1);
    Cfg.MChanEnabled[p] = 1;
    Cfg.MChanMin[p] = static_cast<int8_t>(p);
    Cfg.MChanMax[p] = static_cast<int8_t>(p + 10);
    Cfg.MChanPitchOffset[p][3] = 12 * p + 1;
  }
  EXPECT_EQ(DeallocatePort(kOut, 0), 0);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Bass", "P2- Drums"}));
  EXPECT_EQ(DevTexts(kOut),
            (Strs{"Loopback Out 2", "Loopback Out 3", "Free devices below:-", "Loopback Out 1"}));
  EXPECT_EQ(RunCtl.OutPortsAllocated, 1);
  EXPECT_EQ(DevIdxs(kOut), (Ints{1, 2, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].PortNo, -1);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].PortName, "");
  EXPECT_EQ(RunCtl.MidiOutDevs[1].PortName, "P1- Bass");
  EXPECT_EQ(RunCtl.MidiOutDevs[1].PortNo, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortName, "P2- Drums");
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortNo, 1);
  // Settings moved with their ports; the new port 1's multiplier off; the freed place cleared.
  EXPECT_EQ(Ints(Cfg.MIDIOutClocksEnabled.begin(), Cfg.MIDIOutClocksEnabled.begin() + 3), (Ints{0, 1, 0}));
  EXPECT_EQ(Ints(Cfg.MidiOutSyncEnabled.begin(), Cfg.MidiOutSyncEnabled.begin() + 3), (Ints{1, 0, 0}));
  EXPECT_EQ(Ints(Cfg.MChanEnabled.begin(), Cfg.MChanEnabled.begin() + 3), (Ints{0, 1, 0}));
  EXPECT_EQ(Ints(Cfg.MChanMin.begin(), Cfg.MChanMin.begin() + 3), (Ints{1, 2, 0}));
  EXPECT_EQ(Ints(Cfg.MChanMax.begin(), Cfg.MChanMax.begin() + 3), (Ints{11, 12, 0}));
  EXPECT_EQ((Ints{Cfg.MChanPitchOffset[0][3], Cfg.MChanPitchOffset[1][3], Cfg.MChanPitchOffset[2][3]}),
            (Ints{13, 25, 0}));
  // The last port: the selection moves up one; the only port: none left.
  EXPECT_EQ(DeallocatePort(kOut, 1), 0);
  EXPECT_EQ(PortLists.Out.PortItems, Strs{"P1- Bass"});
  EXPECT_EQ(DeallocatePort(kOut, 0), -1);
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
  EXPECT_EQ(DevTexts(kOut),
            (Strs{"Free devices below:-", "Loopback Out 1", "Loopback Out 2", "Loopback Out 3"}));
}

TEST_F(PortModelTest, TheExternalClockStaysWithItsInputDevice) {
  struct Case {
    const char* what;
    int inputs;
    int clock;
    bool move;  // else de-allocate
    int port;
    bool down;
    int clockAfter;
  };
  const Case cases[] = {
      {"clock device removed, inputs remain", 3, 1, false, 1, false, 0},
      {"earlier port removed", 3, 2, false, 0, false, 1},
      {"later port removed", 3, 0, false, 2, false, 0},
      {"last input removed", 1, 0, false, 0, false, -1},
      {"clock port moved up", 3, 1, true, 1, false, 0},
      {"clock port moved down", 3, 1, true, 1, true, 2},
      {"other port moved onto the clock's place", 3, 1, true, 0, true, 0},
      {"unrelated move", 3, 0, true, 1, true, 0},
  };
  const char* names[] = {"Loopback In 1", "Loopback In 2", "Loopback In 3"};
  for (const Case& c : cases) {
    RescanDevices(false);
    for (int i = 0; i < c.inputs; ++i) AllocateByName(kIn, names[i]);
    Cfg.ClocksExtPNo = c.clock;
    const int clockDev = RunCtl.InPortDevIdx[c.clock];
    if (c.move) {
      EXPECT_EQ(MovePort(kIn, c.port, c.down), c.down ? c.port + 1 : c.port - 1) << c.what;
      EXPECT_EQ(RunCtl.InPortDevIdx[Cfg.ClocksExtPNo], clockDev) << c.what;
    } else {
      DeallocatePort(kIn, c.port);
    }
    EXPECT_EQ(Cfg.ClocksExtPNo, c.clockAfter) << c.what;
  }
}

TEST_F(PortModelTest, MovingSwapsPortsWithTheirSettings) {
  AllocateByName(kOut, "Loopback Out 1");
  AllocateByName(kOut, "Loopback Out 2");
  AllocateByName(kOut, "Loopback Out 3");
  ApplyPortRename(kOut, 0, "Lead");
  Cfg.MIDIOutClocksEnabled = {1, 0, 0};
  Cfg.MChanEnabled = {0, 1, 1};
  Cfg.MChanMax = {5, 6, 7};
  EXPECT_EQ(MovePort(kOut, 2, false), 1);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Lead", "P2- Loopback Out 3", "P3- Loopback Out 2"}));
  EXPECT_EQ(DevTexts(kOut), (Strs{"Loopback Out 1", "Loopback Out 3", "Loopback Out 2"}));
  EXPECT_EQ(DevIdxs(kOut), (Ints{0, 2, 1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(Ints(Cfg.MChanMax.begin(), Cfg.MChanMax.begin() + 3), (Ints{5, 7, 6}));
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortName, "P2- Loopback Out 3");
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortNo, 1);
  // Towards port 1: what becomes port 1 has its multiplier off.
  EXPECT_EQ(MovePort(kOut, 1, false), 0);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Loopback Out 3", "P2- Lead", "P3- Loopback Out 2"}));
  EXPECT_EQ(Ints(Cfg.MChanEnabled.begin(), Cfg.MChanEnabled.begin() + 3), (Ints{0, 0, 1}));
  EXPECT_EQ(Ints(Cfg.MIDIOutClocksEnabled.begin(), Cfg.MIDIOutClocksEnabled.begin() + 3), (Ints{0, 1, 0}));
  // Past either end nothing moves.
  EXPECT_EQ(MovePort(kOut, 0, false), 0);
  EXPECT_EQ(MovePort(kOut, 2, true), 2);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Loopback Out 3", "P2- Lead", "P3- Loopback Out 2"}));
}

TEST_F(PortModelTest, StructuralChangesOnlyInConfigRenamingAlways) {
  AllocateByName(kOut, "Loopback Out 1");
  AllocateByName(kOut, "Loopback Out 2");
  RunCtl.ProgState = TProgState::Running;
  EXPECT_EQ(DeallocatePort(kOut, 0), -1);
  EXPECT_EQ(MovePort(kOut, 1, false), 1);
  EXPECT_FALSE(AllocateSelectedDevice(kOut, Row(kOut, "Loopback Out 3")));
  ApplyPortRename(kOut, 1, "Pads");
  RunCtl.ProgState = TProgState::Config;
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Loopback Out 1", "P2- Pads"}));
  EXPECT_EQ(RunCtl.OutPortsAllocated, 1);
}

TEST_F(PortModelTest, RenameTakesTheNameLessPrefixAndBlanks) {
  RunCtl.MidiOutDevsLast = 0;
  RunCtl.MidiOutDevs[0].DevName = "Soundcard XY Interface AB Synth";
  ListOutDevices();
  AllocateByName(kOut, "Soundcard XY Interface AB Synth");
  EXPECT_EQ(PortLists.Out.PortItems, Strs{"P1- Soundc..AB Synth"});
  const std::pair<const char*, const char*> cases[] = {
      {"  Strings ", "P1- Strings"},   {"P7- Keys", "P1- Keys"},         {"", "P1- Soundc..AB Synth"},
      {"   ", "P1- Soundc..AB Synth"}, {"P1- ", "P1- Soundc..AB Synth"}, {"Bass=Low;2", "P1- BassLow2"},
      {"Tab\tPad ", "P1- Tab Pad"},    {";=", "P1- Soundc..AB Synth"},   {"unused", "P1- Soundc..AB Synth"},
  };
  for (const auto& [text, item] : cases) {
    ApplyPortRename(kOut, 0, text);
    EXPECT_EQ(PortLists.Out.PortItems[0], item) << text;
    EXPECT_EQ(RunCtl.MidiOutDevs[0].PortName, item) << text;
  }
  ApplyPortRename(kOut, 1, "nobody");  // no such port
  EXPECT_EQ(PortLists.Out.PortItems, Strs{"P1- Soundc..AB Synth"});
}

TEST_F(PortModelTest, RescanClosesEveryPortOfTheSide) {
  AllocateByName(kIn, "Loopback In 1");
  AllocateByName(kIn, "Loopback In 2");
  AllocateByName(kOut, "Loopback Out 1");
  RescanDevices(false);
  EXPECT_EQ(RunCtl.InPortsAllocated, -1);
  EXPECT_EQ(DevIdxs(kIn), (Ints{-1, -1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_TRUE(PortLists.In.PortItems.empty());
  EXPECT_EQ(DevTexts(kIn), (Strs{"Free devices below:-", "Loopback In 1", "Loopback In 2", "Loopback In 3"}));
  EXPECT_EQ(RunCtl.MidiInDevs[0].Opened + RunCtl.MidiInDevs[1].Opened, 0);
  // The other side is untouched.
  EXPECT_EQ(RunCtl.OutPortsAllocated, 0);
  EXPECT_EQ(RunCtl.MidiOutDevs[0].Opened, 1);
  EXPECT_EQ(PortLists.Out.PortItems, Strs{"P1- Loopback Out 1"});
}

TEST_F(PortModelTest, RefreshFindsANewDeviceWhileTheOtherSideStaysOpenAndPlays) {
  struct Case {
    TPortSide refreshed;
    int ins, outs;  // devices the system has once the refreshed side gains one
    Strs listed;
  };
  const Case cases[] = {
      {kIn, 4, 3, {kFreeDevicesLine, "Loopback In 1", "Loopback In 2", "Loopback In 3", "Loopback In 4"}},
      {kOut,
       3,
       4,
       {kFreeDevicesLine, "Loopback Out 1", "Loopback Out 2", "Loopback Out 3", "Loopback Out 4"}},
  };
  for (const Case& c : cases) {
    const bool keepOut = c.refreshed == kIn;
    const TPortSide kept = keepOut ? kOut : kIn;
    const auto& table = keepOut ? RunCtl.MidiOutDevs : RunCtl.MidiInDevs;
    AllocateByName(kept, keepOut ? "Loopback Out 2" : "Loopback In 2");
    const uint32_t handle = table[1].Handle;
    const Strs keptRows = DevTexts(kept);
    midi::loopback::SetDevCounts(c.ins, c.outs);
    RescanDevices(c.refreshed == kOut);
    EXPECT_EQ(DevTexts(c.refreshed), c.listed);
    EXPECT_EQ(DevTexts(kept), keptRows);
    EXPECT_EQ((Ints{table[1].Opened, table[1].PortNo, static_cast<int>(table[1].DevId)}), (Ints{1, 0, 1}));
    EXPECT_EQ(table[1].Handle, handle);
    // The kept device is still the one its port plays through.
    if (keepOut) {
      midi::loopback::ClearSent();
      ASSERT_EQ(midi::OutShortMsg(handle, 0x6407B0), midi::kOk);
      EXPECT_EQ(SentHex(1), Strs{"B0 07 64"});
    } else {
      ASSERT_EQ(midi::loopback::InjectShort(1, 0x6407B0), midi::kOk);
      midi::loopback::Drain();
      EXPECT_EQ(Count(LiveFifo), 1);
    }
    midi::loopback::SetDevCounts(midi::loopback::kInDevs, midi::loopback::kOutDevs);
    RescanDevices(keepOut);
  }
}

TEST(SelectPortComboByName, MatchesTheNameLessPrefixElseKeepsTheSelection) {
  const Strs items{"P1- Left", "P2- Right", "P3- Right", "Stray"};
  struct Case {
    const char* name;
    int32_t current;
    int32_t port;
    int32_t currentAfter;
  };
  const Case cases[] = {
      {"Right", 0, 1, 1},    // the first match
      {"Left", 2, 0, 0},     //
      {"left", 2, 2, 2},     // case counts: the current item's port
      {"Stray", 0, -1, 3},   // an item without a prefix has no port
      {"None", -1, -1, -1},  // nothing selected
  };
  for (const Case& c : cases) {
    int32_t current = c.current;
    EXPECT_EQ(SelectPortComboByName(items, current, c.name), c.port) << c.name;
    EXPECT_EQ(current, c.currentAfter) << c.name;
  }
}

// The display link's port: the last allocated output port on its device, else what the list had.
TEST_F(PortModelTest, TheLinksPortIsTheLastAllocatedOutputOnItsDevice) {
  struct Case {
    int allocated;
    int dev;
    int otherwise;
    int want;
  };
  // Ports 0..3 on devices 2, 0, 2, 1.
  const Case cases[] = {{3, 2, 5, 2}, {1, 2, 5, 0},  {3, 1, 5, 3}, {2, 1, 5, 5},
                        {3, 4, 6, 6}, {3, -1, 7, 7}, {-1, 2, 4, 4}};
  for (const Case& c : cases) {
    RunCtl.PortDevIdx = {2, 0, 2, 1, -1, -1, -1, -1, -1};
    RunCtl.OutPortsAllocated = int8_t(c.allocated);
    EXPECT_EQ(OutPortOfDev(c.dev, c.otherwise), c.want) << c.allocated << " " << c.dev;
  }
}

// The seq port lists show the pending port of each seq's playing part.
TEST_F(PortModelTest, PortListsShowThePendingPortOfThePlayingPart) {
  for (int32_t s = 0; s < 4; ++s) {
    Seqs.SeqRecs[s].PlayPart = s;
    Seqs.PartBufs[0][s].PortPend = int8_t(10 + s);
    Seqs.PartBufs[1][s].PortPend = int8_t(20 + s);
  }
  RunCtl.LivePort = 3;
  const TChosenPorts chosen = ChosenPortsNow();
  EXPECT_EQ(chosen.Live, 3);
  EXPECT_EQ((Ints{chosen.Seqs[0], chosen.Seqs[1], chosen.Seqs[2], chosen.Seqs[3]}), (Ints{10, 21, 12, 23}));
}

}  // namespace
}  // namespace vel
