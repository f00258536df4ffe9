#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/RunControl.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyModeTable.h"
#include "keys/KeyPathTestState.h"
#include "keys/KeyRouting.h"

namespace vel {
namespace {

using H = TModeHandler;
using test::FromVKbd;
using test::KeyPathTest;
using test::NoteOff;
using test::NoteOn;
using test::TakeLiveFifo;
using test::TakeRawFifo;

// The key modes as bands of the same handler and map.
struct Band {
  int first;
  int last;
  H handler;
  TMapNo map;
};
constexpr Band kBands[] = {
    {0, 0, H::None, kNoMap},
    {1, 1, H::Live, MapLive},
    {2, 2, H::Rec, MapRec},
    {3, 3, H::StepRec, MapSRec},
    {4, 4, H::Command, MapCmd},
    {5, 5, H::RecBarsStop, MapRec},
    {6, 20, H::Tempo, MapRangeN},
    {21, 29, H::Prog, MapRangeN},
    {30, 31, H::Tempo, MapRangeN},
    {32, 33, H::Chan, MapRangeN},
    {34, 35, H::RecBarsNN, MapRangeN},
    {36, 47, H::Cycle, MapRangeN},
    {48, 55, H::Load, MapRangeN},
    {56, 59, H::Save, MapRangeN},
    {60, 61, H::TempoSlew, MapRangeN},
    {62, 62, H::TempoDiv, MapQuant},
    {63, 66, H::Chan, MapRangeN},
    {67, 78, H::Cycle, MapRangeN},
    {79, 79, H::RecBarsN, MapRangeN},
    {80, 80, H::Vel, MapRangeN},
    {81, 81, H::Part, MapRangeN},
    {82, 82, H::Port, MapRangeN},
    {83, 87, H::Cycle, MapRangeN},
    {88, 88, H::PitchCycles, MapRangeN},
    {89, 90, H::Part, MapRangeN},
    {91, 92, H::Port, MapRangeN},
    {93, 94, H::Vel, MapRangeN},
    {95, 100, H::Cycle, MapRangeN},
    {101, 101, H::Calibrate, kNoMap},
    {102, 102, H::Hotkey, MapHotkey},
    {103, 103, H::Pitch, MapPitch},
    {104, 105, H::TimeSig, MapTSig},
    {106, 109, H::TimeShift, MapTShift},
    {110, 110, H::FtsRoot, MapFtsRoot},
    {111, 111, H::FtsType, MapFtsType},
    {112, 112, H::Ftn, MapFtn},
    {113, 114, H::Quant, MapQuant},
    {115, 116, H::MetrNote, MapMetr},
    {117, 117, H::MetrNoteLen, MapTSig},
    {118, 121, H::MetrStyle, MapRangeN},
};

const Band* BandOf(int mode) {
  for (const Band& b : kBands)
    if (mode >= b.first && mode <= b.last) return &b;
  return nullptr;
}

// The out-of-map code of every map; the recording maps' is their note code, not their ignore code.
uint8_t ExpectedOutOfMap(TMapNo map) {
  switch (map) {
    case MapLive:
      return LiveN;
    case MapCmd:
      return 147;
    case MapRec:
      return RecN;
    case MapSRec:
      return SRecN;
    case MapRangeN:
      return 44;
    case MapQuant:
    case MapTShift:
      return 77;
    case MapTSig:
      return 68;
    case MapPitch:
      return 112;
    case MapMetr:
      return 140;
    case MapFtsRoot:
    case MapFtn:
      return 19;
    case MapFtsType:
      return 71;
    case MapHotkey:
      return 162;
  }
  return kNoCode;
}

TEST(KeyModeTable, EveryModeHasTheHandlerMapAndOutOfMapCodeOfItsBand) {
  for (int m = 0; m < kKeyModeCount; ++m) {
    SCOPED_TRACE("mode " + std::to_string(m));
    const Band* band = BandOf(m);
    ASSERT_NE(band, nullptr);
    const TKeyModeRow& row = KeyModeTable[m];
    EXPECT_EQ(row.Handler, band->handler);
    EXPECT_EQ(row.Map, band->map);
    EXPECT_EQ(row.OutOfMapCode, band->map == kNoMap ? kNoCode : ExpectedOutOfMap(band->map));
  }
  EXPECT_EQ(KeyModeRow(TKeyMode::Record).OutOfMapCode, 47);
  EXPECT_EQ(KeyModeRow(TKeyMode::StepRecord).OutOfMapCode, 74);
  // No mode from 122 on: routed as the inactive mode.
  EXPECT_EQ(&KeyModeRow(KeyModeFromNo(122)), &KeyModeTable[0]);
  EXPECT_EQ(&KeyModeRow(KeyModeFromNo(255)), &KeyModeTable[0]);
}

// What a key of a mode may do, by its handler.
enum class Expect {
  Dropped,    // note-on does nothing, note-off to LiveFifo
  ToCommand,  // Live: key 60 holds LiveCmd
  Escapes,    // the mode's handler takes the esc code of its own map back to Live
  OffOnly,    // a handler built elsewhere: only its note-off is checked
};

Expect ExpectedFor(int mode) {
  const Band* band = BandOf(mode);
  if (band == nullptr) return Expect::Dropped;
  switch (band->handler) {
    case H::None:
      return Expect::Dropped;
    case H::Live:
      return Expect::ToCommand;
    case H::Command:
    case H::Tempo:
    case H::Prog:
    case H::Chan:
    case H::Calibrate:
      return Expect::OffOnly;
    default:
      return Expect::Escapes;
  }
}

TEST_F(KeyPathTest, EveryKeyModeRoutesItsKeysThroughItsOwnMap) {
  for (int m = 0; m < 256; ++m) {
    SCOPED_TRACE("mode " + std::to_string(m));
    const Band* band = BandOf(m);
    test::ClearAllKeyMaps();
    Args = TKeyArgs{};
    Cfg.InPortOctaveOffset[0] = 0;
    // Key 60 is esc (code 0, LiveCmd in the Live map) in the mode's own map only.
    if (band != nullptr && band->map != kNoMap) SetKey(band->map, 60, 0);
    const TKeyMode mode = KeyModeFromNo(m);

    Keys.KeyMode = mode;
    Press(60);
    const Expect expect = ExpectedFor(m);
    EXPECT_TRUE(TakeLiveFifo().empty());
    EXPECT_TRUE(TakeRawFifo().empty());
    switch (expect) {
      case Expect::Dropped:
        EXPECT_EQ(Mode(), mode);
        break;
      case Expect::ToCommand:
        EXPECT_EQ(Mode(), TKeyMode::Command);
        break;
      case Expect::Escapes:
        EXPECT_EQ(Mode(), TKeyMode::Live);
        break;
      case Expect::OffOnly:
        break;
    }

    Keys.KeyMode = mode;
    Release(60);
    EXPECT_EQ(Mode(), mode);
    EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(60)});
    EXPECT_TRUE(TakeRawFifo().empty());
  }
}

TEST_F(KeyPathTest, LiveKeysNeedAnOutputPortButRawNotesGoToRawFifoRegardless) {
  struct Case {
    int8_t outPorts;
    int input;
    uint8_t auxControl;
    std::vector<uint32_t> live, raw;
  };
  const Case cases[] = {
      {2, 0, 1, {NoteOn(60), NoteOff(60)}, {}},
      {2, 1, 1, {NoteOn(60), NoteOff(60)}, {}},
      {-1, 0, 1, {}, {}},
      {-1, 1, 1, {}, {}},
      // The auxiliary input without key control, and any further input, play raw.
      {2, 1, 0, {}, {NoteOn(60), NoteOff(60)}},
      {-1, 1, 0, {}, {NoteOn(60), NoteOff(60)}},
      {-1, 2, 1, {}, {NoteOn(60), NoteOff(60)}},
  };
  SetKey(MapLive, 60, LiveN);
  for (const Case& c : cases) {
    SCOPED_TRACE("ports " + std::to_string(c.outPorts) + " input " + std::to_string(c.input) + " aux " +
                 std::to_string(c.auxControl));
    RunCtl.OutPortsAllocated = c.outPorts;
    Cfg.AuxInPortReqd = c.auxControl;
    Press(60, c.input);
    Release(60, c.input);
    EXPECT_EQ(TakeLiveFifo(), c.live);
    EXPECT_EQ(TakeRawFifo(), c.raw);
    EXPECT_EQ(Mode(), TKeyMode::Live);
  }
}

TEST_F(KeyPathTest, RawNotesInArgumentModesGoToRawFifoAndNeverReachTheHandler) {
  Cfg.AuxInPortReqd = 0;
  for (TKeyMode mode :
       {TKeyMode::Command, TKeyMode::Hotkey, TKeyMode::FtsRoot, TKeyMode::Ftn, KeyModeFromNo(36)}) {
    SCOPED_TRACE("mode " + std::to_string(ModeNo(mode)));
    test::ClearAllKeyMaps();
    for (TMapNo map : {MapCmd, MapHotkey, MapFtsRoot, MapFtn, MapRangeN}) SetKey(map, 60, 0);
    Keys.KeyMode = mode;
    Press(60, 1);
    Release(60, 1);
    EXPECT_EQ(Mode(), mode);
    EXPECT_EQ(TakeRawFifo(), (std::vector<uint32_t>{NoteOn(60), NoteOff(60)}));
    EXPECT_TRUE(TakeLiveFifo().empty());
  }
  // Inactive: only the note-off goes on, to LiveFifo.
  Keys.KeyMode = TKeyMode::Inactive;
  Press(60, 1);
  Release(60, 1);
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(60)});
  EXPECT_TRUE(TakeRawFifo().empty());
}

TEST_F(KeyPathTest, TheInputsOctaveOffsetMovesTheKeyAndKeysOffTheMapTakeTheOutOfMapCode) {
  struct Case {
    int input;
    int32_t offset;
    int note;
    bool escapes;  // reached key 48, which alone of the keys near it is esc
  };
  const Case cases[] = {
      {0, 1, 60, true},    {1, -2, 24, true}, {0, 0, 48, true},
      {0, 1, 48, false},   {0, 1, 5, false},  // key -7
      {0, -1, 120, false},                    // key 132
      {1, 9, 127, false},                     // key 19
  };
  // Esc at key 48 and at both ends of the map: a key off the map must not be clamped or wrapped
  // onto one of them.
  for (int k : {0, 48, 127}) SetKey(MapHotkey, k, HotkeyEsc);
  for (const Case& c : cases) {
    SCOPED_TRACE("input " + std::to_string(c.input) + " offset " + std::to_string(c.offset) + " note " +
                 std::to_string(c.note));
    Cfg.InPortOctaveOffset[0] = 0;
    Cfg.InPortOctaveOffset[1] = 0;
    Cfg.InPortOctaveOffset[c.input] = c.offset;
    Keys.KeyMode = TKeyMode::Hotkey;
    Press(c.note, c.input);
    EXPECT_EQ(Mode(), c.escapes ? TKeyMode::Live : TKeyMode::Hotkey);
    EXPECT_EQ(ModeKeyCode(TKeyMode::Hotkey, c.input, c.note), c.escapes ? HotkeyEsc : 162);
  }
  // In Live mode a key off the map plays as a live note, though every key of the map is LiveCmd.
  for (int k = 0; k < 128; ++k) SetKey(MapLive, k, LiveCmd);
  Cfg.InPortOctaveOffset[0] = 1;
  Keys.KeyMode = TKeyMode::Live;
  Press(5);
  EXPECT_EQ(Mode(), TKeyMode::Live);
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOn(5)});
  // Only the two control inputs have a map; the calibrate mode has none.
  EXPECT_EQ(ModeKeyCode(TKeyMode::Hotkey, 2, 48), 162);
  EXPECT_EQ(ModeKeyCode(TKeyMode::Calibrate, 0, 48), kNoCode);
}

TEST_F(KeyPathTest, ACalibrationKeyReturnsToLiveOrGoesOnWithTheProgramEntry) {
  struct Case {
    const char* name;
    TProgState state;
    uint8_t progCalibReqd, progCalibPending, hold, tarloOn;
    TKeyMode mode;
    const char* status;
    uint8_t pendingAfter, tarloSend;
    int32_t progEntry;
  };
  const Case cases[] = {
      {"plain", TProgState::Running, 0, 0, 0, 0, TKeyMode::Live, "Calibrate", 0, 0, 55},
      {"link open", TProgState::Running, 0, 0, 0, 1, TKeyMode::Live, "Calibrate", 0, 1, 55},
      {"program entry, hold", TProgState::Running, 1, 1, 1, 0, KeyModeFromNo(21), "Calibrate", 0, 0, 0},
      {"program entry, no hold", TProgState::Running, 1, 1, 0, 0, TKeyMode::Live, "Calibrate", 0, 0, 55},
      {"pending, not asked for", TProgState::Running, 0, 1, 1, 0, TKeyMode::Live, "Calibrate", 1, 0, 55},
      {"not running", TProgState::Config, 1, 1, 1, 1, TKeyMode::Inactive, "", 0, 1, 55},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunCtl.ProgState = c.state;
    Cfg.ProgChangeCalibReqd = c.progCalibReqd;
    Cfg.TarloOn = c.tarloOn;
    Args = TKeyArgs{};
    Args.ProgCalibPending = c.progCalibPending;
    Args.ProgEntry = 55;
    // A key a whole octave from the calibration key (36) completes a calibration.
    Args.CalibDone = 1;
    Keys.KeyHold = c.hold;
    Msgs.StatusMsg.Clear();
    Keys.KeyMode = TKeyMode::Calibrate;
    Press(48);
    EXPECT_EQ(Mode(), c.mode);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Args.ProgCalibPending, c.pendingAfter);
    EXPECT_EQ(Args.TarloOctaveSendPending.load(), c.tarloSend);
    EXPECT_EQ(Args.ProgEntry, c.progEntry);
    EXPECT_TRUE(TakeLiveFifo().empty());
  }
  // Without a calibration the mode waits for the right key.
  RunCtl.ProgState = TProgState::Running;
  Args = TKeyArgs{};
  Msgs.StatusMsg.Clear();
  Keys.KeyMode = TKeyMode::Calibrate;
  Press(49);
  Release(49);
  EXPECT_EQ(Mode(), TKeyMode::Calibrate);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(49)});
  // A key of the on-screen keyboard is routed like any other.
  Args.CalibDone = 1;
  Key(FromVKbd(NoteOn(48)));
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

}  // namespace
}  // namespace vel
