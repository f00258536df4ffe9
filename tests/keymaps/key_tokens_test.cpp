#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "keymaps/KeyTokens.h"

namespace vel {
namespace {

std::set<int> Codes(TModeType t) {
  std::set<int> s;
  for (const TKeyFn& fn : KeyFns(t)) s.insert(fn.Code);
  return s;
}

std::set<int> Span(int first, int last, std::set<int> s = {}) {
  for (int c = first; c <= last; ++c) s.insert(c);
  return s;
}

uint8_t CodeOf(TModeType t, const std::string& token) {
  const TKeyFn* fn = FindKeyFnByToken(t, token);
  return fn ? fn->Code : 255;
}

std::string KeywordOf(TModeType t, int code) {
  const TKeyFn* fn = FindKeyFnByCode(t, static_cast<uint8_t>(code));
  return fn ? fn->Keyword : "<none>";
}

TEST(KeyTokens, HotkeyListsLineUpEntryByEntry) {
  const auto& suffixes = HotkeySuffixes();
  const auto& tokens = HotkeyTokens();
  ASSERT_EQ(suffixes.size(), 157u);
  ASSERT_EQ(tokens.size(), 157u);
  const std::vector<std::tuple<int, std::string, std::string>> samples = {
      {0, "CR", " cr"},
      {1, "Esc", " escp"},
      {13, "Space", " spce"},
      {15, "Tab", " tab"},
      {16, "A", " a"},
      {41, "Z", " z"},
      {42, "0", " 0"},
      {51, "9", " 9"},
      {52, "F1", " F1"},
      {63, "F12", " F12"},
      {64, "ShiftLeft", "s+ left"},
      {67, "ShiftF12", "s+ F12"},
      {68, "CtrlEsc", "c+ escp"},
      {75, "CtrlTab", "c+ tab"},
      {76, "CtrlA", "c+ A"},
      {101, "CtrlZ", "c+ Z"},
      {102, "Ctrl0", "c+ 0"},
      {111, "Ctrl9", "c+ 9"},
      {112, "CtrlF1", "c+ F1"},
      {123, "CtrlF12", "c+ F12"},
      {124, "CtrlShiftLeft", "cs+ left"},
      {127, "CtrlShiftB", "cs+ B"},
      {128, "CtrlShiftF", "cs+ F"},
      {129, "CtrlShiftF6", "cs+ F6"},
      {135, "CtrlShiftF12", "cs+ F12"},
      {136, "CtrlAltLeft", "ca+ left"},
      {139, "CtrlAltF12", "ca+ F12"},
      {140, "AltCR", "a+ cr"},
      {143, "AltTab", "a+ tab"},
      {144, "Alt1", "a+ 1"},
      {147, "AltF2", "a+ F2"},
      {151, "AltF12", "a+ F12"},
      {152, "AltShiftLeft", "as+ left"},
      {156, "AltShiftF12", "as+ F12"},
  };
  for (const auto& [i, suffix, token] : samples) {
    EXPECT_EQ(suffixes[i], suffix) << i;
    EXPECT_EQ(tokens[i], token) << i;
  }
}

TEST(KeyTokens, EachModeHoldsExactlyItsUsedCodes) {
  EXPECT_EQ(Codes(MtCmd), Span(0, 146));
  EXPECT_EQ(Codes(MtLive), Span(0, 2, Span(4, 160)));
  EXPECT_EQ(Codes(MtRec), Span(0, 47, Span(49, 205)));
  EXPECT_EQ(Codes(MtSRec), Span(0, 74, Span(76, 232)));
  EXPECT_EQ(Codes(MtRangeN), Span(0, 43));
  EXPECT_EQ(Codes(MtTSig), Span(0, 67));
  EXPECT_EQ(Codes(MtTShift), Span(0, 76));
  EXPECT_EQ(Codes(MtFtsType), Span(0, 70));
  std::set<int> quant = Span(0, 4);
  for (int n : {0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 16, 20, 24, 30, 32, 40, 48, 60, 64}) quant.insert(12 + n);
  EXPECT_EQ(Codes(MtQuant), quant);
  EXPECT_EQ(Codes(MtPitch), Span(0, 111));
  EXPECT_EQ(Codes(MtMetr), Span(0, 139));
  EXPECT_EQ(Codes(MtFtsRoot), Span(0, 18));
  EXPECT_EQ(Codes(MtFtn), Span(0, 18));
  EXPECT_EQ(Codes(MtHotkey), Span(0, 161));
}

TEST(KeyTokens, ModeConstants) {
  struct Row {
    TModeType t;
    int ignore, outOfMap;
    std::string label, prefix;
  };
  const Row rows[] = {
      {MtLive, 162, 2, "p", "Live"},       {MtCmd, 147, 147, " ", "Cmd"},
      {MtRec, 207, 47, "r", "Rec"},        {MtSRec, 234, 74, "sr", "SRec"},
      {MtRangeN, 44, 44, " ", "Num"},      {MtTSig, 68, 68, " ", "TSig"},
      {MtTShift, 77, 77, " ", "TShift"},   {MtQuant, 77, 77, " ", "Q"},
      {MtPitch, 112, 112, " ", "Pitch"},   {MtMetr, 140, 140, " ", "Metr"},
      {MtFtsRoot, 19, 19, " ", "FtsRoot"}, {MtFtsType, 71, 71, " ", "FtsType"},
      {MtFtn, 19, 19, " ", "Ftn"},         {MtHotkey, 162, 162, " ", "Hotkey"},
  };
  for (const Row& r : rows) {
    const TKeyModeInfo& info = KeyModeInfo(r.t);
    EXPECT_EQ(info.ModeType, r.t);
    EXPECT_EQ(info.IgnoreCode, r.ignore) << info.Name;
    EXPECT_EQ(info.Sentinel(), r.ignore + 1) << info.Name;
    EXPECT_EQ(info.OutOfMapCode, r.outOfMap) << info.Name;
    EXPECT_EQ(info.DefaultLabel, r.label) << info.Name;
    EXPECT_EQ(info.Prefix, r.prefix) << info.Name;
  }
  // Map and label order differ only in their first two places.
  EXPECT_EQ(KeyModeInfo(MtCmd).MapNo, 0);
  EXPECT_EQ(KeyModeInfo(MtLive).MapNo, 1);
  EXPECT_EQ(KeyModeInfo(MtLive).LabelNo, 0);
  EXPECT_EQ(KeyModeInfo(MtCmd).LabelNo, 1);
  EXPECT_EQ(KeyModeInfo(MtFtsType).MapNo, 7);
  EXPECT_EQ(KeyModeInfo(MtFtsType).LabelNo, 7);
  EXPECT_EQ(KeyModeInfo(MtQuant).MapNo, 8);
  EXPECT_EQ(KeyModeInfo(MtHotkey).MapNo, 13);
  EXPECT_EQ(ModeTypeOfMap(MapFtsRoot), MtFtsRoot);
  EXPECT_EQ(ModeTypeOfLabel(LabCmd), MtCmd);
}

TEST(KeyTokens, KeywordsAreTheSettingsNames) {
  const std::vector<std::tuple<TModeType, int, std::string>> samples = {
      {MtCmd, 71, "CmdRecBBRawAutoIncSeq"},
      {MtCmd, 72, "CmdSeq1"},
      {MtCmd, 87, "CmdSeq16"},
      {MtCmd, 140, "CmdDeleteProgsInSeqs"},
      {MtCmd, 146, "CmdHotkey"},
      {MtLive, 4, "LiveHKCR"},
      {MtLive, 160, "LiveHKAltShiftF12"},
      {MtHotkey, 0, "HotkeyEsc"},
      {MtHotkey, 5, "HKCR"},
      {MtHotkey, 161, "HKAltShiftF12"},
      {MtRec, 47, "RecN"},
      {MtRec, 49, "RecHKCR"},
      {MtRec, 205, "RecHKAltShiftF12"},
      {MtSRec, 36, "SRecMutePlayRR"},
      {MtSRec, 74, "SRecN"},
      {MtSRec, 76, "SRecHKCR"},
      {MtSRec, 232, "SRecHKAltShiftF12"},
      {MtRangeN, 5, "Num0"},
      {MtRangeN, 14, "Num9"},
      {MtRangeN, 22, "TapTempo"},
      {MtRangeN, 43, "NumTempoSlew"},
      {MtTSig, 5, "TSig2"},
      {MtTSig, 67, "TSig64"},
      {MtTShift, 5, "TShiftSeqSQ"},
      {MtTShift, 11, "TShiftRept"},
      {MtTShift, 12, "TShift0"},
      {MtTShift, 76, "TShift64"},
      {MtFtsType, 8, "FtsScaleMajor"},
      {MtFtsType, 23, "FtsChordMaj"},
      {MtFtsType, 70, "FtsChord9s5b5"},
      {MtQuant, 12, "Q0"},
      {MtQuant, 76, "Q64"},
      {MtPitch, 15, "PitchInc0"},
      {MtPitch, 63, "PitchInc48"},
      {MtPitch, 64, "PitchDec1"},
      {MtPitch, 111, "PitchDec48"},
      {MtMetr, 12, "MetrNoteC-2"},
      {MtMetr, 35, "MetrNoteB-1"},
      {MtMetr, 36, "MetrNoteC"},
      {MtMetr, 37, "MetrNoteC#"},
      {MtMetr, 48, "MetrNoteC1"},
      {MtMetr, 139, "MetrNoteG8"},
      {MtFtsRoot, 5, "FtsRootFtn"},
      {MtFtsRoot, 8, "FtsRootNoteC#"},
      {MtFtsRoot, 18, "FtsRootNoteB"},
      {MtFtn, 5, "FtnFts"},
  };
  for (const auto& [t, code, keyword] : samples)
    EXPECT_EQ(KeywordOf(t, code), keyword) << int(t) << " " << code;

  // A keyword names one code of one mode in the settings file.
  std::set<std::string> seen;
  for (int t = 0; t < ModeTypeCount; ++t)
    for (const TKeyFn& fn : KeyFns(static_cast<TModeType>(t)))
      EXPECT_TRUE(seen.insert(fn.Keyword).second) << fn.Keyword;
}

TEST(KeyTokens, EveryTokenFindsItsOwnCodeFirst) {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (const TKeyFn& fn : KeyFns(mt)) {
      EXPECT_LE(fn.Token.size(), 8u) << fn.Keyword;
      if (fn.Token.empty()) continue;
      int expected = fn.Code;
      if (mt == MtFtsType && (fn.Code == 26 || fn.Code == 27)) expected = fn.Code - 11;  // the scales win
      EXPECT_EQ(CodeOf(mt, fn.Token), expected) << fn.Keyword;
    }
  }
  // Only the TShift seq-quantise and align keys have no token.
  for (int c = 5; c <= 10; ++c) EXPECT_EQ(FindKeyFnByCode(MtTShift, static_cast<uint8_t>(c))->Token, "");
  EXPECT_EQ(FindKeyFnByToken(MtTShift, ""), nullptr);
}

TEST(KeyTokens, TokensMatchExactly) {
  EXPECT_EQ(CodeOf(MtLive, " left"), 6);
  EXPECT_EQ(CodeOf(MtHotkey, " left"), 7);
  EXPECT_EQ(CodeOf(MtRec, " left"), 51);
  EXPECT_EQ(CodeOf(MtSRec, " left"), 78);
  EXPECT_EQ(CodeOf(MtLive, "left"), 255);
  EXPECT_EQ(CodeOf(MtCmd, "Play"), 255);
  EXPECT_EQ(CodeOf(MtCmd, "seq 16"), 87);
  EXPECT_EQ(CodeOf(MtCmd, "rcbb r+"), 71);
  EXPECT_EQ(CodeOf(MtLive, "rec stop"), 1);
  EXPECT_EQ(CodeOf(MtTSig, "2 1/2"), 5);
  EXPECT_EQ(CodeOf(MtTSig, "3"), 6);
  EXPECT_EQ(CodeOf(MtTSig, "4 1/4"), 7);
  EXPECT_EQ(CodeOf(MtTSig, "4"), 255);
  EXPECT_EQ(CodeOf(MtTSig, "10"), 13);
  EXPECT_EQ(CodeOf(MtTSig, "20"), 23);
  EXPECT_EQ(CodeOf(MtTSig, "64 1/64"), 67);
  EXPECT_EQ(CodeOf(MtTShift, "*"), 11);
  EXPECT_EQ(CodeOf(MtTShift, "0 off"), 12);
  EXPECT_EQ(CodeOf(MtTShift, "1 1/1"), 13);
  EXPECT_EQ(CodeOf(MtTShift, "7"), 19);
  EXPECT_EQ(CodeOf(MtTShift, "10 1/10"), 22);
  EXPECT_EQ(CodeOf(MtTShift, "20 1/20"), 32);
  EXPECT_EQ(CodeOf(MtTShift, "21"), 33);
  EXPECT_EQ(CodeOf(MtQuant, "15 1/15"), 27);
  EXPECT_EQ(CodeOf(MtQuant, "64 1/64"), 76);
  EXPECT_EQ(CodeOf(MtQuant, "7"), 255);
  EXPECT_EQ(CodeOf(MtPitch, "+0"), 15);
  EXPECT_EQ(CodeOf(MtPitch, "+48"), 63);
  EXPECT_EQ(CodeOf(MtPitch, "-1"), 64);
  EXPECT_EQ(CodeOf(MtPitch, "-48"), 111);
  EXPECT_EQ(CodeOf(MtMetr, "C-2"), 12);
  EXPECT_EQ(CodeOf(MtMetr, "B-1"), 35);
  EXPECT_EQ(CodeOf(MtMetr, "C"), 36);
  EXPECT_EQ(CodeOf(MtMetr, "C#"), 37);
  EXPECT_EQ(CodeOf(MtMetr, "C3"), 72);
  EXPECT_EQ(CodeOf(MtMetr, "G8"), 139);
  EXPECT_EQ(CodeOf(MtFtsRoot, "ftn n..n"), 5);
  EXPECT_EQ(CodeOf(MtFtn, "ftn n..n"), 255);
  EXPECT_EQ(CodeOf(MtFtn, "fts nn"), 5);
  EXPECT_EQ(CodeOf(MtFtsRoot, "A#"), 17);
  EXPECT_EQ(CodeOf(MtFtsType, "dim"), 15);
  EXPECT_EQ(CodeOf(MtFtsType, "M"), 23);
  EXPECT_EQ(CodeOf(MtFtsType, "m"), 24);
  EXPECT_EQ(CodeOf(MtSRec, "oct +"), 62);
  EXPECT_EQ(CodeOf(MtRec, "oct +"), 37);
  EXPECT_EQ(CodeOf(MtRangeN, "[nn]"), 21);
}

TEST(KeyTokens, FtsCodeCfgNames) {
  const std::pair<int, const char*> names[] = {
      {7, "off"},         {71, "off"},       {72, "off"},
      {200, "off"},       {8, "Major"},      {12, "MelodicMinorDesc"},
      {15, "Diminished"}, {16, "Augmented"}, {22, "Hungarian"},
      {23, "M"},          {24, "m"},         {26, "dim"},
      {27, "aug"},        {0, "esc"},        {5, "ftn n..n"},
      {70, "9+5-5"}};
  for (auto [in, want] : names) EXPECT_EQ(FtsCodeCfgName(in), want) << in;
}

TEST(KeyTokens, FtsTypeCodeFromLabelReadsBackWhatTheWriterWrites) {
  for (int code = 0; code <= 70; ++code) EXPECT_EQ(FtsTypeCodeFromLabel(FtsCodeCfgName(code)), code) << code;
  const std::pair<const char*, int> labels[] = {{"off", 7},  {"OFF", 7},  {"MAJOR", 8}, {"diminished", 15},
                                                {"dim", 26}, {"AUG", 27}, {"M", 23},    {"m", 24}};
  for (auto [in, want] : labels) EXPECT_EQ(FtsTypeCodeFromLabel(in), want) << in;
  // The short labels still read.
  const std::pair<const char*, int> shortLabels[] = {{"maj", 8},   {"NAT MIN", 9}, {"hunga", 22},
                                                     {"cm11", 57}, {"MAJ7", 33},   {"Major ", 71},
                                                     {"", 71},     {"Lydian", 71}};
  for (auto [in, want] : shortLabels) EXPECT_EQ(FtsTypeCodeFromLabel(in), want) << in;
}

}  // namespace
}  // namespace vel
