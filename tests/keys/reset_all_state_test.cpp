// The one reset: what a test leaves in any layer, from the platform's counters up to the key path
// and the files, the next test no longer finds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/Topics.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/MidiFile.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keymaps/KeyMaps.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/ResetAllState.h"
#include "platform/midi/Midi.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

int gCalls = 0;
int32_t CountingDraw(int32_t) {
  ++gCalls;
  return 1;
}
void CountingRequest() {
  ++gCalls;
}

// Leaves something behind in every layer; an output device stays open in run control's table.
void LeaveSomethingEverywhere(midi::Handle& out) {
  ASSERT_EQ(midi::SelectBackend(midi::Backend::Loopback), midi::kOk);
  midi::Rescan();
  ASSERT_EQ(midi::OutOpen(1, out), midi::kOk);
  RunCtl.MidiOutDevs[1].Handle = out;
  RunCtl.MidiOutDevs[1].Opened = 1;
  // A due time ahead of the loopback's stopped clock is clamped and counted.
  ASSERT_EQ(midi::OutShortMsgAt(out, 0x643C90, 5000000), midi::kOk);
  ASSERT_EQ(midi::ClampedStamps(), 1u);
  midi::SetLateWindowNs(0);
  midi::loopback::FailNext("open", midi::kErrBadDeviceId);
  Msgs.WarnMsg.Set("left over");
  Msgs.ErrorCount = 3;
  Trace.TraceNotes = 0;
  RaiseTopic(TTopic::LiveKey);
  Ui().ProcessEvents = [] { ++gCalls; };
  Cfg.Tempo = 5000;
  CfgFiles.ConfigFileName = "left.txt";
  CfgEngine.InPortsAllocated = 4;
  CfgLink().Apply = [](const TCfgEngineVals&) { ++gCalls; };
  KeyMaps.KeyFnTables[MapCmd][5] = 9;
  DrumStore.PatNo = 3;
  OnMetrRebuildRequest = &CountingRequest;
  Seqs.PartBufs[0][2].Selected = 1;
  ASSERT_TRUE(WriteLiveFifo(0x643C90));
  Keys.KeyMode = TKeyMode::Command;
  Transport.MsClock = 77;
  RunCtl.ProgState = TProgState::Running;
  Live.SVel = 9;
  MetrRandom = &CountingDraw;
  Args.PlayCyclesEntry = 5;
  Commands.TimeShiftRepeat = 1;
  CmdRandom = &CountingDraw;
  Scenes.CurScene = 4;
  Files.MetrSeqLoaded = 1;
  Tarlo.Pos = 9;
}

TEST(ResetAllStateTest, EveryLayerComesBackAsTheProgramStarts) {
  ResetAllState();
  midi::Handle out = midi::kInvalidHandle;
  LeaveSomethingEverywhere(out);
  if (HasFatalFailure()) return;
  ResetAllState();

  EXPECT_EQ(midi::ClampedStamps(), 0u);
  EXPECT_EQ(midi::LateWindowNs(), 1250000);
  EXPECT_EQ(midi::loopback::SentCount(1), 0u);
  // The device was closed and no failure waits: it opens again.
  midi::Handle again = midi::kInvalidHandle;
  EXPECT_EQ(midi::OutOpen(1, again), midi::kOk);
  midi::OutClose(again);
  EXPECT_EQ(RunCtl.MidiOutDevs[1].Opened, 0);

  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  EXPECT_EQ(Msgs.ErrorCount.load(), 0);
  EXPECT_EQ(Trace.TraceNotes.load(), 1);
  EXPECT_FALSE(Topics.Raised(TTopic::LiveKey));
  gCalls = 0;
  Ui().ProcessEvents();
  EXPECT_EQ(gCalls, 0);

  EXPECT_EQ(Cfg.Tempo, TCfg{}.Tempo);
  EXPECT_EQ(CfgFiles.ConfigFileName, "");
  EXPECT_EQ(CfgEngine.InPortsAllocated, TCfgEngineVals{}.InPortsAllocated);
  EXPECT_FALSE(CfgLink().Apply);
  EXPECT_EQ(KeyMaps.KeyFnTables[MapCmd][5].load(), 0);
  EXPECT_EQ(DrumStore.PatNo, 0);
  EXPECT_EQ(OnMetrRebuildRequest, nullptr);

  EXPECT_EQ(Seqs.PartBufs[0][2].Selected, 0);
  EXPECT_EQ(ReadLiveFifo(), 0u);
  EXPECT_EQ(Keys.KeyMode.load(), TKeys{}.KeyMode.load());
  EXPECT_EQ(Transport.MsClock.load(), 0);
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Initialising);
  EXPECT_EQ(Live.SVel, 5);
  EXPECT_EQ(MetrRandom, &MetrRandomDefault);

  EXPECT_EQ(Args.PlayCyclesEntry, 0);
  EXPECT_EQ(Commands.TimeShiftRepeat, 0);
  EXPECT_EQ(CmdRandom, &CmdRandomDefault);
  EXPECT_EQ(Scenes.CurScene, 0);
  EXPECT_EQ(Files.MetrSeqLoaded, 0);
  EXPECT_EQ(Tarlo.Pos, 0u);
}

}  // namespace
}  // namespace vel
