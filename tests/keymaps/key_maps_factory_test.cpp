#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/UiRecorder.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMapsFactory.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

// The no-function code of each mode, in mode-type order.
constexpr uint8_t kNoFn[ModeTypeCount] = {162, 147, 207, 234, 44, 68, 77, 77, 112, 140, 19, 71, 19, 162};

class KeyMapsFactoryTest : public test::KeyMapTest {
 protected:
  static std::tuple<int, std::string> KeyAt(TModeType t, int key) {
    return {KeyCodeAt(t, key), KeyLabelsOf(t)[key]};
  }
};

TEST_F(KeyMapsFactoryTest, EveryMapSetsItsKeysInStandardAndNoviceMode) {
  struct Row {
    TModeType mode;
    int key;
    int stdCode;
    const char* stdLabel;
    int novCode;
    const char* novLabel;
  };
  const Row rows[] = {
      {MtCmd, 35, CmdCalib, "cal", kNoFn[MtCmd], " "},
      {MtCmd, 36, CmdEsc, "esc", CmdEsc, "esc"},
      {MtCmd, 41, CmdSeq1, "seq 1", CmdSeq1, "seq 1"},
      {MtCmd, 45, CmdPlay2, "p 2", kNoFn[MtCmd], " "},
      {MtCmd, 51, CmdFtn, "ftn n..n", kNoFn[MtCmd], " "},
      {MtCmd, 55, CmdTempo, "temp nnn", CmdTempo, "temp nnn"},
      {MtCmd, 72, CmdCalib, "cal", kNoFn[MtCmd], " "},
      {MtCmd, 78, kNoFn[MtCmd], " ", kNoFn[MtCmd], " "},
      {MtCmd, 104, CmdMetrNote, "met nn", kNoFn[MtCmd], " "},
      {MtCmd, 108, CmdVelInc, "vel +", kNoFn[MtCmd], " "},
      {MtLive, 36, LiveCmd, "cmd", LiveCmd, "cmd"},
      {MtLive, 37, LiveN, "p", LiveN, "p"},
      {MtHotkey, 37, HKSubtract, " -", HKSubtract, " -"},
      {MtHotkey, 38, kNoFn[MtHotkey], " ", kNoFn[MtHotkey], " "},
      {MtHotkey, 41, HKRight, " rght", HKRight, " rght"},
      {MtRec, 38, RecMute2, "m 2", kNoFn[MtRec], " "},
      {MtRec, 40, RecOctDec, "oct -", RecN, "r"},
      {MtRec, 42, RecN, "r", RecN, "r"},
      {MtSRec, 38, SRecMute2, "m 2", kNoFn[MtSRec], " "},
      {MtSRec, 42, kNoFn[MtSRec], " ", kNoFn[MtSRec], " "},
      {MtSRec, 43, SRecNoteLenFrac4, "1/4", SRecNoteLenFrac4, "1/4"},
      {MtSRec, 47, SRecNoteRest, "rest", kNoFn[MtSRec], " "},
      {MtSRec, 48, SRecN, "sr", SRecN, "sr"},
      {MtRangeN, 37, NumDec, "-", NumDec, "-"},
      {MtRangeN, 40, Num0, "0", Num0, "0"},
      {MtRangeN, 49, Num9, "9", Num9, "9"},
      {MtRangeN, 58, NumExtMidi, "ext scen", kNoFn[MtRangeN], " "},
      {MtRangeN, 60, TapTempo, "tap", kNoFn[MtRangeN], " "},
      {MtTSig, 42, TSig2, "2 1/2", kNoFn[MtTSig], " "},
      {MtTSig, 43, TSig3, "3", kNoFn[MtTSig], " "},
      {MtTSig, 51, TSig16, "16 1/16", kNoFn[MtTSig], " "},
      {MtTSig, 56, TSig64, "64 1/64", kNoFn[MtTSig], " "},
      {MtTShift, 40, TShift0, "0 off", kNoFn[MtTShift], " "},
      {MtTShift, 47, TShift7, "7", kNoFn[MtTShift], " "},
      {MtTShift, 48, TShift8, "8 1/8", kNoFn[MtTShift], " "},
      {MtTShift, 57, kNoFn[MtTShift], " ", kNoFn[MtTShift], " "},
      {MtTShift, 58, TShiftRept, "*", kNoFn[MtTShift], " "},
      {MtQuant, 40, Q0, "0 off", kNoFn[MtQuant], " "},
      {MtQuant, 46, Q6, "6 1/6", kNoFn[MtQuant], " "},
      {MtQuant, 47, kNoFn[MtQuant], " ", kNoFn[MtQuant], " "},
      {MtQuant, 48, Q8, "8 1/8", kNoFn[MtQuant], " "},
      {MtQuant, 56, Q64, "64 1/64", kNoFn[MtQuant], " "},
      {MtPitch, 40, PitchOctDec, "oct -", PitchOctDec, "oct -"},
      {MtPitch, 48, PitchDec12, "-12", PitchDec12, "-12"},
      {MtPitch, 59, PitchDec1, "-1", PitchDec1, "-1"},
      {MtPitch, 60, PitchInc0, "+0", PitchInc0, "+0"},
      {MtPitch, 84, PitchInc24, "+24", PitchInc24, "+24"},
      {MtPitch, 85, kNoFn[MtPitch], " ", kNoFn[MtPitch], " "},
      {MtMetr, 37, MetrStyle, "met sty", MetrStyle, "met sty"},
      {MtMetr, 46, MetrNoteB2, "B2", MetrNoteB2, "B2"},
      {MtMetr, 47, MetrNoteFirst + 42, "F#1", MetrNoteFirst + 42, "F#1"},
      {MtMetr, 49, MetrNoteC + 1, "C#", MetrNoteC + 1, "C#"},
      {MtMetr, 60, MetrNoteC1, "C1", MetrNoteC1, "C1"},
      {MtMetr, 84, kNoFn[MtMetr], " ", kNoFn[MtMetr], " "},
      {MtFtsRoot, 39, FtsRootFtn, "ftn n..n", kNoFn[MtFtsRoot], " "},
      {MtFtsRoot, 41, FtsRootNoteF, "F", kNoFn[MtFtsRoot], " "},
      {MtFtsRoot, 42, FtsRootNoteF + 1, "F#", kNoFn[MtFtsRoot], " "},
      {MtFtsRoot, 48, FtsRootNoteC, "C", kNoFn[MtFtsRoot], " "},
      {MtFtsRoot, 53, kNoFn[MtFtsRoot], " ", kNoFn[MtFtsRoot], " "},
      {MtFtsType, 40, FtsTypeOff, "off", kNoFn[MtFtsType], " "},
      {MtFtsType, 41, FtsTypeCurr, "curr", kNoFn[MtFtsType], " "},
      {MtFtsType, 42, kNoFn[MtFtsType], " ", kNoFn[MtFtsType], " "},
      {MtFtsType, 48, FtsChordMaj, "M", kNoFn[MtFtsType], " "},
      {MtFtsType, 59, FtsChordDim, "dim", kNoFn[MtFtsType], " "},
      {MtFtn, 39, FtnFts, "fts nn", kNoFn[MtFtn], " "},
      {MtFtn, 41, FtnNoteF, "F", kNoFn[MtFtn], " "},
      {MtFtn, 51, FtnNoteD + 1, "D#", kNoFn[MtFtn], " "},
  };
  // Standard first, then novice over it: the second load must leave nothing of the first.
  for (const bool standard : {true, false}) {
    Cfg.StandardMode = standard ? 1 : 0;
    LoadKeyMapsFactory();
    for (const Row& r : rows) {
      const auto want = standard ? std::tuple<int, std::string>{r.stdCode, r.stdLabel}
                                 : std::tuple<int, std::string>{r.novCode, r.novLabel};
      EXPECT_EQ(KeyAt(r.mode, r.key), want)
          << "mode " << int(r.mode) << " key " << r.key << " standard " << standard;
    }
  }
}

TEST_F(KeyMapsFactoryTest, UnlistedKeysTakeTheModeDefault) {
  struct Row {
    TModeType mode;
    int defCode;
    const char* defLabel;
    int stdFunctions;  // keys that differ from the default
    int novFunctions;
  };
  const Row rows[] = {
      {MtCmd, kNoFn[MtCmd], " ", 58, 12},
      {MtLive, LiveN, "p", 1, 1},
      {MtHotkey, kNoFn[MtHotkey], " ", 5, 5},
      {MtRec, RecN, "r", 6, 4},
      {MtSRec, SRecN, "sr", 12, 12},
      {MtRangeN, kNoFn[MtRangeN], " ", 15, 13},
      {MtTSig, kNoFn[MtTSig], " ", 16, 1},
      {MtTShift, kNoFn[MtTShift], " ", 19, 1},
      {MtQuant, kNoFn[MtQuant], " ", 16, 1},
      {MtPitch, kNoFn[MtPitch], " ", 41, 41},
      {MtMetr, kNoFn[MtMetr], " ", 41, 41},
      {MtFtsRoot, kNoFn[MtFtsRoot], " ", 15, 1},
      {MtFtsType, kNoFn[MtFtsType], " ", 20, 1},
      {MtFtn, kNoFn[MtFtn], " ", 15, 1},
  };
  for (const bool standard : {true, false}) {
    Cfg.StandardMode = standard ? 1 : 0;
    LoadKeyMapsFactory();
    for (const Row& r : rows) {
      SCOPED_TRACE(testing::Message() << "mode " << int(r.mode) << " standard " << standard);
      int functions = 0;
      for (int k = 0; k < 128; ++k) {
        const auto [code, label] = KeyAt(r.mode, k);
        if (code != r.defCode)
          ++functions;
        else
          EXPECT_EQ(label, r.defLabel) << "key " << k;
      }
      EXPECT_EQ(functions, standard ? r.stdFunctions : r.novFunctions);
      EXPECT_EQ(KeyAt(r.mode, 0), (std::tuple<int, std::string>{r.defCode, r.defLabel}));
      EXPECT_EQ(KeyAt(r.mode, 127), (std::tuple<int, std::string>{r.defCode, r.defLabel}));
    }
  }
}

TEST_F(KeyMapsFactoryTest, LoadResetsOctaveOffsetsAndCalibrateKeys) {
  const std::tuple<int, int, int, int> before[] = {
      {2, -1, 48, 40}, {0, 0, 36, 36}, {-9, 9, 0, 127}, {1, 0, -1, 36}};
  for (const auto& [off0, off1, key0, key1] : before) {
    Cfg.InPortOctaveOffset[0].store(off0);
    Cfg.InPortOctaveOffset[1].store(off1);
    Cfg.InPortLiveCmdKey[0].store(key0);
    Cfg.InPortLiveCmdKey[1].store(key1);
    LoadKeyMapsFactory();
    EXPECT_EQ(std::make_tuple(Cfg.InPortOctaveOffset[0].load(), Cfg.InPortOctaveOffset[1].load(),
                              Cfg.InPortLiveCmdKey[0].load(), Cfg.InPortLiveCmdKey[1].load()),
              std::make_tuple(0, 0, 36, 36))
        << off0 << " " << off1 << " " << key0 << " " << key1;
  }
}

TEST_F(KeyMapsFactoryTest, LoadClearsThenLoadsEachMapInOrderSendsItAndRefreshesTheViewsLast) {
  test::UiRecorder ui;
  // Keys of a user's map that no factory map has.
  SetKeyFnCmd(100, CmdPlay, "play");
  SetKeyFnLive(60, LiveCmd, "cmd");
  SetKeyFnSRec(0, SRecEsc, "esc");
  SetKeyFnPitch(36, PitchHold, "hold");
  Cfg.InPortOctaveOffset[0].store(1);

  // A mode counts as loaded once its key 0 no longer holds the cleared "?".
  auto loadedModes = [] {
    int n = 0;
    for (int t = 0; t < ModeTypeCount; ++t) n += KeyLabelsOf(static_cast<TModeType>(t))[0] != "?";
    return n;
  };
  std::vector<std::string> events;
  KeyMapCalls().TarloSendKeyRange = [&](TModeType t, int first, int last) {
    events.push_back("send " + std::string(KeyModeInfo(t).Name) + " " + std::to_string(first) + ".." +
                     std::to_string(last) + " loaded " + std::to_string(loadedModes()) +
                     (KeyLabelsOf(t)[36] == "?" ? " unset" : ""));
  };
  Ui().Publish = [&](TTopic topic) {
    events.push_back(std::string("topic ") + TopicName(topic) + " offset " +
                     std::to_string(Cfg.InPortOctaveOffset[0].load()));
  };
  Cfg.StandardMode = 1;
  LoadKeyMapsFactory();

  const std::vector<std::string> want = {
      "send Cmd 0..127 loaded 1",    "send Live 0..127 loaded 2",  "send Hotkey 0..127 loaded 3",
      "send RangeN 0..127 loaded 4", "send Metr 0..127 loaded 5",  "send FtsRoot 0..127 loaded 6",
      "send Ftn 0..127 loaded 7",    "send Pitch 0..127 loaded 8", "send FtsType 0..127 loaded 9",
      "send Quant 0..127 loaded 10", "send TSig 0..127 loaded 11", "send TShift 0..127 loaded 12",
      "send Rec 0..127 loaded 13",   "send SRec 0..127 loaded 14", "topic KeyMaps offset 0",
  };
  EXPECT_EQ(events, want);
  EXPECT_EQ(KeyAt(MtCmd, 100), (std::tuple<int, std::string>{kNoFn[MtCmd], " "}));
  EXPECT_EQ(KeyAt(MtLive, 60), (std::tuple<int, std::string>{LiveN, "p"}));
  EXPECT_EQ(KeyAt(MtSRec, 0), (std::tuple<int, std::string>{SRecN, "sr"}));
  EXPECT_EQ(KeyAt(MtPitch, 36), (std::tuple<int, std::string>{PitchEsc, "esc"}));
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "");
}

TEST_F(KeyMapsFactoryTest, EachLoaderSetsOnlyItsOwnMapAndSendsIt) {
  const std::tuple<void (*)(), TModeType> loaders[] = {
      {LoadKeyMapFactoryCmd, MtCmd},          {LoadKeyMapFactoryLive, MtLive},
      {LoadKeyMapFactoryHotkey, MtHotkey},    {LoadKeyMapFactoryRec, MtRec},
      {LoadKeyMapFactorySRec, MtSRec},        {LoadKeyMapFactoryNumN, MtRangeN},
      {LoadKeyMapFactoryTSigN, MtTSig},       {LoadKeyMapFactoryTShiftN, MtTShift},
      {LoadKeyMapFactoryQuantN, MtQuant},     {LoadKeyMapFactoryPitchO, MtPitch},
      {LoadKeyMapFactoryMetrN, MtMetr},       {LoadKeyMapFactoryFtsRootN, MtFtsRoot},
      {LoadKeyMapFactoryFtsTypeN, MtFtsType}, {LoadKeyMapFactoryFtn, MtFtn},
  };
  test::UiRecorder ui;
  std::vector<std::tuple<TModeType, int, int>> sent;
  KeyMapCalls().TarloSendKeyRange = [&](TModeType t, int first, int last) {
    sent.emplace_back(t, first, last);
  };
  Cfg.StandardMode = 0;
  for (const auto& [load, mode] : loaders) {
    SCOPED_TRACE(KeyModeInfo(mode).Name);
    ClearKeyMaps();
    ResolveKeyMapSentinels();
    sent.clear();
    Cfg.InPortOctaveOffset[0].store(2);
    Cfg.InPortLiveCmdKey[0].store(40);
    load();
    // Key 36 is every factory map's escape or command key, code 0.
    for (int t = 0; t < ModeTypeCount; ++t)
      EXPECT_EQ(KeyCodeAt(static_cast<TModeType>(t), 36), t == mode ? 0 : kNoFn[t]) << "map " << t;
    EXPECT_EQ(sent, (std::vector<std::tuple<TModeType, int, int>>{{mode, 0, 127}}));
    EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 2);
    EXPECT_EQ(Cfg.InPortLiveCmdKey[0].load(), 40);
  }
  EXPECT_TRUE(ui.topics.empty());
}

}  // namespace
}  // namespace vel
