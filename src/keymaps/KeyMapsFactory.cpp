#include "keymaps/KeyMapsFactory.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/UiHooks.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyTokens.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// C1: every factory map's escape or command key, and so the factory calibrate key.
constexpr int32_t kFactoryLiveCmdKey = 36;

// Keys Key .. Key + Count - 1 take the codes Code, Code + Step, ... Runs keep the tables close to
// how a player reads a keyboard: a row of digits, a rising row of notes.
struct TFactoryRun {
  uint8_t Key;
  uint8_t Code;
  uint8_t Count = 1;
  int8_t Step = 1;
};

using TKeySetter = void (*)(int key, uint8_t code, std::string_view label);

struct TFactoryMap {
  TModeType Mode;
  TKeySetter Setter;
  uint8_t DefaultCode;  // every key no run names
  std::span<const TFactoryRun> Standard;
  std::span<const TFactoryRun> Novice;
};

// The keys without function that a map names among its functions, so they are not the default.
constexpr uint8_t kRecNoFn = KeyModeInfo(MtRec).IgnoreCode;
constexpr uint8_t kSRecNoFn = KeyModeInfo(MtSRec).IgnoreCode;

constexpr TFactoryRun kCmdStandard[] = {
    {35, CmdCalib},        {36, CmdEsc},          {37, CmdPlay},        {38, CmdMute},
    {39, CmdRec},          {40, CmdStop},         {41, CmdSeq1, 4},     {45, CmdPlay2},
    {46, CmdMute2},        {47, CmdPlayMute2},    {48, CmdSelAllBut},   {49, CmdSelLive},
    {50, CmdPitch},        {51, CmdFtn},          {52, CmdOctDec},      {53, CmdOctInc},
    {54, CmdPitchN},       {55, CmdTempo},        {56, CmdSRec},        {57, CmdTimeSig},
    {58, CmdQuant},        {59, CmdTimeB},        {60, CmdTimeF},       {61, CmdLoad},
    {62, CmdSave},         {63, CmdPitch2},       {64, CmdPitchUnlock}, {65, CmdPitchLock},
    {66, CmdPort},         {67, CmdChan},         {68, CmdProg},        {69, CmdVel},
    {70, CmdDeleteSeqs},   {71, CmdReset},        {72, CmdCalib},       {73, CmdNQ0},
    {74, CmdNQ4},          {75, CmdTrans},        {76, CmdChanDec},     {77, CmdChanInc},
    {83, CmdProgDec},      {84, CmdProgInc},      {87, CmdTempoSlew},   {88, CmdTempoDec},
    {89, CmdTempoInc},     {94, CmdPart},         {95, CmdPartDec},     {96, CmdPartInc},
    {97, CmdPlayMuteTog1}, {98, CmdPlayMuteTog2}, {104, CmdMetrNote},   {105, CmdFts},
    {106, CmdDeSelAll},    {107, CmdVelDec},      {108, CmdVelInc},
};
constexpr TFactoryRun kCmdNovice[] = {
    {36, CmdEsc},     {37, CmdPlay},  {38, CmdMute},  {39, CmdRec},  {40, CmdStop},
    {41, CmdSeq1, 4}, {50, CmdPitch}, {55, CmdTempo}, {56, CmdSRec},
};

constexpr TFactoryRun kLive[] = {{36, LiveCmd}};

constexpr TFactoryRun kHotkey[] = {
    {36, HotkeyEsc}, {37, HKSubtract}, {39, HKAdd}, {40, HKLeft}, {41, HKRight},
};

constexpr TFactoryRun kRecStandard[] = {
    {36, RecEsc}, {37, RecPlay}, {38, RecMute2}, {39, RecStop}, {40, RecOctDec}, {41, RecOctInc},
};
constexpr TFactoryRun kRecNovice[] = {{36, RecEsc}, {37, RecPlay}, {38, kRecNoFn}, {39, RecStop}};

constexpr TFactoryRun kSRecStandard[] = {
    {36, SRecEsc},    {37, SRecPlay},         {38, SRecMute2}, {39, SRecStop},
    {40, SRecOctDec}, {41, SRecOctInc},       {42, kSRecNoFn}, {43, SRecNoteLenFrac4},
    {44, kSRecNoFn},  {45, SRecNoteLenFrac8}, {46, kSRecNoFn}, {47, SRecNoteRest},
};
constexpr TFactoryRun kSRecNovice[] = {
    {36, SRecEsc},   {37, SRecPlay},         {38, kSRecNoFn},
    {39, SRecStop},  {40, kSRecNoFn, 3, 0},  {43, SRecNoteLenFrac4},
    {44, kSRecNoFn}, {45, SRecNoteLenFrac8}, {46, kSRecNoFn, 2, 0},
};

constexpr TFactoryRun kNumNStandard[] = {
    {36, NumEsc}, {37, NumDec}, {39, NumInc}, {40, Num0, 10}, {58, NumExtMidi}, {60, TapTempo},
};
constexpr TFactoryRun kNumNNovice[] = {{36, NumEsc}, {37, NumDec}, {39, NumInc}, {40, Num0, 10}};

constexpr TFactoryRun kTSigNStandard[] = {
    {36, TSigEsc}, {42, TSig2, 8}, {50, TSig12}, {51, TSig16}, {52, TSig20},
    {53, TSig24},  {54, TSig32},   {55, TSig48}, {56, TSig64},
};
constexpr TFactoryRun kTSigNNovice[] = {{36, TSigEsc}};

constexpr TFactoryRun kTShiftNStandard[] = {
    {36, TShiftEsc}, {40, TShift0, 10}, {50, TShift12}, {51, TShift16}, {52, TShift20},
    {53, TShift24},  {54, TShift32},    {55, TShift48}, {56, TShift64}, {58, TShiftRept},
};
constexpr TFactoryRun kTShiftNNovice[] = {{36, TShiftEsc}};

constexpr TFactoryRun kQuantNStandard[] = {
    {36, QEsc}, {40, Q0, 7}, {48, Q8},  {50, Q12}, {51, Q16},
    {52, Q20},  {53, Q24},   {54, Q32}, {55, Q48}, {56, Q64},
};
constexpr TFactoryRun kQuantNNovice[] = {{36, QEsc}};

// The pitch steps fall away from key 60 (+0) both ways: -12 on key 48 up to +24 on key 84.
constexpr TFactoryRun kPitchO[] = {
    {36, PitchEsc},    {38, PitchHold},          {40, PitchOctDec},
    {41, PitchOctInc}, {48, PitchDec12, 12, -1}, {60, PitchInc0, 25},
};

// From key 48 up each key picks the note two octaves below it (key 60 picks C1); below them the
// drum notes most asked for: B (bass drum), B2 (ride) and F#1 (closed hi-hat), which has no name.
constexpr TFactoryRun kMetrN[] = {
    {36, MetrEsc},    {37, MetrStyle},      {45, MetrNoteB},
    {46, MetrNoteB2}, {47, MetrNoteF1 + 1}, {48, MetrNoteC, 36},
};

// The roots from F to B lie below C to E, so every root of an octave is one key away.
constexpr TFactoryRun kFtsRootNStandard[] = {
    {36, FtsRootEsc}, {39, FtsRootFtn}, {40, FtsRootOff}, {41, FtsRootNoteF, 7}, {48, FtsRootNoteC, 5},
};
constexpr TFactoryRun kFtsRootNNovice[] = {{36, FtsRootEsc}};

constexpr TFactoryRun kFtsTypeNStandard[] = {
    {36, FtsTypeEsc},    {39, FtsTypeFtn},     {40, FtsTypeOff},      {41, FtsTypeCurr},
    {43, FtsScaleMajor}, {44, FtsScaleNMinor}, {45, FtsScaleMajPent}, {46, FtsScaleMinPent},
    {48, FtsChordMaj},   {49, FtsChordMin},    {50, FtsChordSus4},    {51, FtsChordMin5},
    {52, FtsChord6},     {53, FtsChord7},      {54, FtsChordMin6},    {55, FtsChordMin7},
    {56, FtsChordMaj7},  {57, FtsChord9},      {58, FtsChordMin9},    {59, FtsChordDim},
};
constexpr TFactoryRun kFtsTypeNNovice[] = {{36, FtsTypeEsc}};

constexpr TFactoryRun kFtnStandard[] = {
    {36, FtnEsc}, {39, FtnFts}, {40, FtnOff}, {41, FtnNoteF, 7}, {48, FtnNoteC, 5},
};
constexpr TFactoryRun kFtnNovice[] = {{36, FtnEsc}};

// Every run stays inside the map and inside the code byte.
constexpr bool RunsFit(std::span<const TFactoryRun> runs) {
  for (const TFactoryRun& r : runs) {
    const int lastCode = r.Code + (r.Count - 1) * r.Step;
    if (r.Count < 1 || r.Key + r.Count > KeyCount || lastCode < 0 || lastCode > 255) return false;
  }
  return true;
}

constexpr TFactoryMap kCmdMap{MtCmd, SetKeyFnCmd, KeyModeInfo(MtCmd).IgnoreCode, kCmdStandard, kCmdNovice};
constexpr TFactoryMap kLiveMap{MtLive, SetKeyFnLive, LiveN, kLive, kLive};
constexpr TFactoryMap kHotkeyMap{MtHotkey, SetKeyFnHotkey, KeyModeInfo(MtHotkey).IgnoreCode, kHotkey,
                                 kHotkey};
constexpr TFactoryMap kRecMap{MtRec, SetKeyFnRec, RecN, kRecStandard, kRecNovice};
constexpr TFactoryMap kSRecMap{MtSRec, SetKeyFnSRec, SRecN, kSRecStandard, kSRecNovice};
constexpr TFactoryMap kNumNMap{MtRangeN, SetKeyFnRangeN, KeyModeInfo(MtRangeN).IgnoreCode, kNumNStandard,
                               kNumNNovice};
constexpr TFactoryMap kTSigNMap{MtTSig, SetKeyFnTSig, KeyModeInfo(MtTSig).IgnoreCode, kTSigNStandard,
                                kTSigNNovice};
constexpr TFactoryMap kTShiftNMap{MtTShift, SetKeyFnTShift, KeyModeInfo(MtTShift).IgnoreCode,
                                  kTShiftNStandard, kTShiftNNovice};
constexpr TFactoryMap kQuantNMap{MtQuant, SetKeyFnQuant, KeyModeInfo(MtQuant).IgnoreCode, kQuantNStandard,
                                 kQuantNNovice};
constexpr TFactoryMap kPitchOMap{MtPitch, SetKeyFnPitch, KeyModeInfo(MtPitch).IgnoreCode, kPitchO, kPitchO};
constexpr TFactoryMap kMetrNMap{MtMetr, SetKeyFnMetr, KeyModeInfo(MtMetr).IgnoreCode, kMetrN, kMetrN};
constexpr TFactoryMap kFtsRootNMap{MtFtsRoot, SetKeyFnFtsRoot, KeyModeInfo(MtFtsRoot).IgnoreCode,
                                   kFtsRootNStandard, kFtsRootNNovice};
constexpr TFactoryMap kFtsTypeNMap{MtFtsType, SetKeyFnFtsType, KeyModeInfo(MtFtsType).IgnoreCode,
                                   kFtsTypeNStandard, kFtsTypeNNovice};
constexpr TFactoryMap kFtnMap{MtFtn, SetKeyFnFtn, KeyModeInfo(MtFtn).IgnoreCode, kFtnStandard, kFtnNovice};

constexpr bool MapFits(const TFactoryMap& m) {
  return RunsFit(m.Standard) && RunsFit(m.Novice);
}
static_assert(MapFits(kCmdMap) && MapFits(kLiveMap) && MapFits(kHotkeyMap) && MapFits(kRecMap) &&
              MapFits(kSRecMap) && MapFits(kNumNMap) && MapFits(kTSigNMap) && MapFits(kTShiftNMap) &&
              MapFits(kQuantNMap) && MapFits(kPitchOMap) && MapFits(kMetrNMap) && MapFits(kFtsRootNMap) &&
              MapFits(kFtsTypeNMap) && MapFits(kFtnMap));

// A factory key shows its function's token, so that the key mapper's lists and a saved and
// reloaded map name it alike; a key without function shows a blank.
std::string FactoryLabel(TModeType t, uint8_t code) {
  if (code == KeyModeInfo(t).IgnoreCode) return " ";
  const TKeyFn* fn = FindKeyFnByCode(t, code);
  return fn ? fn->Token : " ";
}

void LoadFactoryMap(const TFactoryMap& map) {
  std::array<uint8_t, KeyCount> codes;
  codes.fill(map.DefaultCode);
  for (const TFactoryRun& run : Cfg.StandardMode != 0 ? map.Standard : map.Novice)
    for (int i = 0; i < run.Count; ++i) codes[run.Key + i] = static_cast<uint8_t>(run.Code + i * run.Step);
  for (int k = 0; k < KeyCount; ++k) map.Setter(k, codes[k], FactoryLabel(map.Mode, codes[k]));
  // The whole map in one message; the link's hook knows whether the link is open.
  if (KeyMapCalls().TarloSendKeyRange) KeyMapCalls().TarloSendKeyRange(map.Mode, 0, KeyCount - 1);
}

}  // namespace

void ResetInPortOctaves() {
  for (auto& offset : Cfg.InPortOctaveOffset) offset.store(0, kRelaxed);
  for (auto& key : Cfg.InPortLiveCmdKey) key.store(kFactoryLiveCmdKey, kRelaxed);
}

void LoadKeyMapFactoryCmd() {
  LoadFactoryMap(kCmdMap);
}
void LoadKeyMapFactoryLive() {
  LoadFactoryMap(kLiveMap);
}
void LoadKeyMapFactoryHotkey() {
  LoadFactoryMap(kHotkeyMap);
}
void LoadKeyMapFactoryRec() {
  LoadFactoryMap(kRecMap);
}
void LoadKeyMapFactorySRec() {
  LoadFactoryMap(kSRecMap);
}
void LoadKeyMapFactoryNumN() {
  LoadFactoryMap(kNumNMap);
}
void LoadKeyMapFactoryTSigN() {
  LoadFactoryMap(kTSigNMap);
}
void LoadKeyMapFactoryTShiftN() {
  LoadFactoryMap(kTShiftNMap);
}
void LoadKeyMapFactoryQuantN() {
  LoadFactoryMap(kQuantNMap);
}
void LoadKeyMapFactoryPitchO() {
  LoadFactoryMap(kPitchOMap);
}
void LoadKeyMapFactoryMetrN() {
  LoadFactoryMap(kMetrNMap);
}
void LoadKeyMapFactoryFtsRootN() {
  LoadFactoryMap(kFtsRootNMap);
}
void LoadKeyMapFactoryFtsTypeN() {
  LoadFactoryMap(kFtsTypeNMap);
}
void LoadKeyMapFactoryFtn() {
  LoadFactoryMap(kFtnMap);
}

void LoadKeyMapsFactory() {
  ResetInPortOctaves();
  ClearKeyMaps();
  LoadKeyMapFactoryCmd();
  LoadKeyMapFactoryLive();
  LoadKeyMapFactoryHotkey();
  LoadKeyMapFactoryNumN();
  LoadKeyMapFactoryMetrN();
  LoadKeyMapFactoryFtsRootN();
  LoadKeyMapFactoryFtn();
  LoadKeyMapFactoryPitchO();
  LoadKeyMapFactoryFtsTypeN();
  LoadKeyMapFactoryQuantN();
  LoadKeyMapFactoryTSigN();
  LoadKeyMapFactoryTShiftN();
  LoadKeyMapFactoryRec();
  LoadKeyMapFactorySRec();
  PublishTopic(TTopic::KeyMaps);
}

}  // namespace vel
