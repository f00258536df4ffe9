#include "keymaps/KeyTokens.h"

#include <array>
#include <utility>

#include "base/General.h"
#include "settings/CfgFile.h"

namespace vel {

namespace {

struct FnDef {
  int code;
  const char* keyword;  // without the mode prefix unless marked otherwise
  const char* token;
};

// The five keys every argument map starts with.
constexpr FnDef kRangeHead[] = {
    {0, "Esc", "esc"},          {1, "LiveN", "p"},          {2, "Hold", "hold"},
    {3, "HoldOff", "hold off"}, {4, "HoldTog", "hold tog"},
};

// Fractions that the TShift and Quant values carry in their tokens ("8 1/8").
constexpr int kFracValues[] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 16, 20, 24, 30, 32, 40, 48, 60, 64};

bool IsFracValue(int n) {
  for (int v : kFracValues)
    if (v == n) return true;
  return false;
}

std::string FracToken(int n) {
  return std::to_string(n) + " 1/" + std::to_string(n);
}

void Add(std::vector<TKeyFn>& fns, int code, std::string keyword, std::string token) {
  fns.push_back({static_cast<uint8_t>(code), std::move(keyword), std::move(token), {}});
}

void AddDefs(std::vector<TKeyFn>& fns, std::string_view prefix, const FnDef* defs, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    Add(fns, defs[i].code, std::string(prefix) + defs[i].keyword, defs[i].token);
}

template <std::size_t N>
void AddDefs(std::vector<TKeyFn>& fns, std::string_view prefix, const FnDef (&defs)[N]) {
  AddDefs(fns, prefix, defs, N);
}

void AddHotkeys(std::vector<TKeyFn>& fns, int base, std::string_view keywordPrefix) {
  for (int i = 0; i < HotkeyCount; ++i)
    Add(fns, base + i, std::string(keywordPrefix) + HotkeySuffixes()[i], HotkeyTokens()[i]);
}

void SetHint(std::vector<TKeyFn>& fns, int code, const char* hint) {
  for (TKeyFn& f : fns)
    if (f.Code == code) {
      f.Hint = hint;
      return;
    }
}

// ---- Cmd ----

constexpr FnDef kCmd[] = {
    {0, "Esc", "esc"},
    {1, "LiveN", "p"},
    {2, "Play", "play"},
    {3, "Play1", "p 1"},
    {4, "Play2", "p 2"},
    {5, "Play4", "p 4"},
    {6, "Play8", "p 8"},
    {7, "Play16", "p 16"},
    {8, "Play32", "p 32"},
    {9, "PlayR", "p r"},
    {10, "PlayRR", "p rr"},
    {11, "PlayN", "p n"},
    {12, "PlayNN", "p nn"},
    {13, "PlayMute1", "pm 1"},
    {14, "PlayMute2", "pm 2"},
    {15, "PlayMute4", "pm 4"},
    {16, "PlayMute8", "pm 8"},
    {17, "PlayMute16", "pm 16"},
    {18, "PlayMute32", "pm 32"},
    {19, "PlayMuteR", "pm r"},
    {20, "PlayMuteRR", "pm rr"},
    {21, "PlayMuteN", "pm n"},
    {22, "PlayMuteNN", "pm nn"},
    {23, "Mute", "mute"},
    {24, "Mute1", "m 1"},
    {25, "Mute2", "m 2"},
    {26, "Mute4", "m 4"},
    {27, "Mute8", "m 8"},
    {28, "Mute16", "m 16"},
    {29, "Mute32", "m 32"},
    {30, "MuteR", "m r"},
    {31, "MuteRR", "m rr"},
    {32, "MuteN", "m n"},
    {33, "MuteNN", "m nn"},
    {34, "MutePlay1", "mp 1"},
    {35, "MutePlay2", "mp 2"},
    {36, "MutePlay4", "mp 4"},
    {37, "MutePlay8", "mp 8"},
    {38, "MutePlay16", "mp 16"},
    {39, "MutePlay32", "mp 32"},
    {40, "MutePlayR", "mp r"},
    {41, "MutePlayRR", "mp rr"},
    {42, "MutePlayN", "mp n"},
    {43, "MutePlayNN", "mp nn"},
    {44, "PlayMuteTog", "pmt"},
    {45, "PlayMuteTog1", "pmt 1"},
    {46, "PlayMuteTog2", "pmt 2"},
    {47, "PlayMuteTog4", "pmt 4"},
    {48, "PlayMuteTog8", "pmt 8"},
    {49, "PlayMuteTog16", "pmt 16"},
    {50, "PlayMuteTog32", "pmt 32"},
    {51, "PlayMuteTogR", "pmt r"},
    {52, "PlayMuteTogRR", "pmt rr"},
    {53, "PlayMuteTogN", "pmt n"},
    {54, "PlayMuteTogNN", "pmt nn"},
    {55, "Stop", "stop"},
    {56, "Rec", "rec"},
    {57, "RecRaw", "rec r"},
    {58, "RecAutoIncSeq", "rec +"},
    {59, "RecRawAutoIncSeq", "rec r+"},
    {60, "SRec", "srec"},
    {61, "SRecRaw", "srec r"},
    {62, "SRecAutoIncSeq", "srec +"},
    {63, "SRecRawAutoIncSeq", "srec r+"},
    {64, "RecB", "recb"},
    {65, "RecBRaw", "recb r"},
    {66, "RecBAutoIncSeq", "recb +"},
    {67, "RecBRawAutoIncSeq", "recb r+"},
    {68, "RecBB", "rcbb"},
    {69, "RecBBRaw", "rcbb r"},
    {70, "RecBBAutoIncSeq", "rcbb +"},
    {71, "RecBBRawAutoIncSeq", "rcbb r+"},
    // 72..87: the sixteen seq keys, added below
};

constexpr FnDef kCmdTail[] = {
    {88, "SelLive", "live"},
    {89, "SelAllBut", "all but"},
    {90, "SelInv", "inv"},
    {91, "OctInc", "oct +"},
    {92, "OctDec", "oct -"},
    {93, "Pitch", "pit"},
    {94, "Pitch0", "pit 0"},
    {95, "Pitch1", "pit 1"},
    {96, "Pitch2", "pit 2"},
    {97, "Pitch4", "pit 4"},
    {98, "Pitch8", "pit 8"},
    {99, "Pitch16", "pit 16"},
    {100, "Pitch32", "pit 32"},
    {101, "PitchR", "pit r"},
    {102, "PitchRR", "pit rr"},
    {103, "PitchN", "pit n"},
    {104, "PitchNN", "pit nn"},
    {105, "Trans", "tran"},
    {106, "PitchLock", "pit lck"},
    {107, "PitchUnlock", "pit ulck"},
    {108, "DeSelAll", "dsel"},
    {109, "Port", "port n"},
    {110, "PortInc", "port +"},
    {111, "PortDec", "port -"},
    {112, "Chan", "cha nn"},
    {113, "ChanInc", "cha +"},
    {114, "ChanDec", "cha -"},
    {115, "Prog", "prg nnn"},
    {116, "ProgInc", "prg +"},
    {117, "ProgDec", "prg -"},
    {118, "TimeF", "time +"},
    {119, "TimeB", "time -"},
    {120, "Calib", "cal"},
    {121, "Vel", "vel n"},
    {122, "VelInc", "vel +"},
    {123, "VelDec", "vel -"},
    {124, "Tempo", "temp nnn"},
    {125, "TempoInc", "temp +"},
    {126, "TempoDec", "temp -"},
    {127, "TempoSlew", "slew nn"},
    {128, "Fts", "fts nn"},
    {129, "Ftn", "ftn n..n"},
    {130, "Quant", "q tt"},
    {131, "NQ0", "nq 0"},
    {132, "NQ4", "nq 4"},
    {133, "NQ8", "nq 8"},
    {134, "NQ16", "nq 16"},
    {135, "TimeSig", "tsig tt"},
    {136, "MetrNote", "met nn"},
    {137, "PitchMode", "pit mde"},
    {138, "Reset", "rst"},
    {139, "DeleteSeqs", "del"},
    {140, "DeleteProgsInSeqs", "del prgs"},
    {141, "Part", "part n"},
    {142, "PartInc", "part +"},
    {143, "PartDec", "part -"},
    {144, "Load", "load nn"},
    {145, "Save", "save nn"},
    {146, "Hotkey", "hot key"},
};

std::vector<TKeyFn> CmdFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Cmd", kCmd);
  for (int n = 1; n <= 16; ++n) Add(f, 71 + n, "CmdSeq" + std::to_string(n), "seq " + std::to_string(n));
  AddDefs(f, "Cmd", kCmdTail);
  const std::pair<int, const char*> hints[] = {
      {0, "abort/return to live mode"},
      {89, "invert seq selection"},
      {120, "calibrate cmd key"},
      {112, "channel no. via digit mode"},
      {113, "increment channel no."},
      {114, "decrement channel no."},
      {139, "delete seqs"},
      {140, "delete embedded program-changes"},
      {108, "deselect all items"},
      {88, "toggle live selection"},
      {129, "force-to-notes via ftn mode"},
      {128, "force-to-scale via fts root mode"},
      {146, "switch to hotkey mode"},
      {90, "invert seq selection"},
      {144, "load MIDI file via digit mode"},
      {136, "notes/clicks/styles via metr/digit mode"},
      {23, "run seqs muted forever"},
      {24, "run seqs muted for 1 cycle"},
      {25, "...for 2 cycles"},
      {34, "run seqs muted/un-muted for 1 cycle each"},
      {35, "...for 2 cycles each"},
      {131, "turn note-quantise off"},
      {132, "set note-quantise to 1/4 notes"},
      {91, "pitch offset up 1 octave"},
      {92, "pitch offset down 1 octave"},
      {2, "run seqs un-muted forever"},
      {3, "run seqs un-muted for 1 cycle"},
      {4, "...for 2 cycles"},
      {13, "run seqs un-muted/muted for 1 cycle each"},
      {14, "...for 2 cycles each"},
      {44, "toggle un-muted/muted states once"},
      {45, "toggle every cycle"},
      {46, "...every 2 cycles"},
      {141, "part no. via digit mode"},
      {142, "increment part no."},
      {143, "decrement part no."},
      {93, "pitch offset via pitch mode"},
      {94, "reset cyclic pitch"},
      {95, "change pitch every cycle"},
      {96, "...every 2 cycles"},
      {103, "...every n cycles via digit mode"},
      {106, "lock pitch changes"},
      {107, "unlock pitch changes"},
      {137, "pitch offset with hold via pitch mode"},
      {109, "port no. via digit mode"},
      {110, "increment port no."},
      {111, "decrement port no."},
      {115, "program-change no. via digit mode"},
      {116, "increment prog-change no."},
      {117, "decrement prog-change no."},
      {130, "note NQ & seq SQ via quantise mode"},
      {56, "real-time record via rec mode"},
      {138, "immediate stop/reset attribs"},
      {145, "save MIDI file via digit mode"},
      {72, "toggle selection"},
      {73, "toggle selection"},
      {74, "toggle selection"},
      {75, "toggle selection"},
      {60, "step-time record via step-rec mode"},
      {55, "stop seqs"},
      {124, "tempo via digit mode"},
      {125, "increment tempo"},
      {126, "decrement tempo"},
      {127, "tempo slew rate via digit mode"},
      {118, "shift forwards via time-shift mode"},
      {119, "shift backwards via time-shift mode"},
      {135, "time signature via time-sig mode"},
      {105, "transpose; add pitch offset to base value"},
      {121, "velocity via digit mode"},
      {122, "increment velocity"},
      {123, "decrement velocity"},
  };
  for (const auto& [code, hint] : hints) SetHint(f, code, hint);
  return f;
}

// ---- Live and Hotkey ----

std::vector<TKeyFn> LiveFns() {
  std::vector<TKeyFn> f;
  Add(f, 0, "LiveCmd", "cmd");
  Add(f, 1, "LiveRecStop", "rec stop");
  Add(f, 2, "LiveN", "p");
  AddHotkeys(f, LiveHotkeyBase, "LiveHK");
  SetHint(f, 0, "switch to command mode");
  SetHint(f, 2, "live playable note");
  SetHint(f, LiveHotkeyBase + 2, "hotkey cursor left");
  SetHint(f, LiveHotkeyBase + 3, "hotkey cursor right");
  SetHint(f, LiveHotkeyBase + 8, "hotkey plus");
  SetHint(f, LiveHotkeyBase + 9, "hotkey minus");
  return f;
}

std::vector<TKeyFn> HotkeyFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Hotkey", kRangeHead);
  AddHotkeys(f, HotkeyHotkeyBase, "HK");
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, HotkeyHotkeyBase + 2, "hotkey cursor left");
  SetHint(f, HotkeyHotkeyBase + 3, "hotkey cursor right");
  SetHint(f, HotkeyHotkeyBase + 8, "hotkey plus");
  SetHint(f, HotkeyHotkeyBase + 9, "hotkey minus");
  return f;
}

// ---- Rec and SRec ----

// Codes 0..36, shared by Rec and SRec.
constexpr FnDef kRecHead[] = {
    {0, "Esc", "esc"},           {1, "LiveN", "p"},           {2, "Stop", "stop"},
    {3, "Play", "play"},         {4, "Play1", "p 1"},         {5, "Play2", "p 2"},
    {6, "Play4", "p 4"},         {7, "Play8", "p 8"},         {8, "Play16", "p 16"},
    {9, "Play32", "p 32"},       {10, "PlayR", "p r"},        {11, "PlayRR", "p rr"},
    {12, "PlayMute1", "pm 1"},   {13, "PlayMute2", "pm 2"},   {14, "PlayMute4", "pm 4"},
    {15, "PlayMute8", "pm 8"},   {16, "PlayMute16", "pm 16"}, {17, "PlayMute32", "pm 32"},
    {18, "PlayMuteR", "pm r"},   {19, "PlayMuteRR", "pm rr"}, {20, "Mute", "mute"},
    {21, "Mute1", "m 1"},        {22, "Mute2", "m 2"},        {23, "Mute4", "m 4"},
    {24, "Mute8", "m 8"},        {25, "Mute16", "m 16"},      {26, "Mute32", "m 32"},
    {27, "MuteR", "m r"},        {28, "MuteRR", "m rr"},      {29, "MutePlay1", "mp 1"},
    {30, "MutePlay2", "mp 2"},   {31, "MutePlay4", "mp 4"},   {32, "MutePlay8", "mp 8"},
    {33, "MutePlay16", "mp 16"}, {34, "MutePlay32", "mp 32"}, {35, "MutePlayR", "mp r"},
    {36, "MutePlayRR", "mp rr"},
};

constexpr FnDef kRecTail[] = {
    {37, "OctInc", "oct +"},
    {38, "OctDec", "oct -"},
    {39, "SRec", "srec"},
    {40, "RecB", "recb"},
    {41, "RecBB", "rcbb"},
    {42, "AutoIncSeqTog", "rec+ tog"},
    {43, "RawTog", "raw tog"},
    {44, "AttribSrcSeq", "src seq"},
    {45, "AttribSrcLive", "src live"},
    {46, "AttribSrcTog", "src tog"},
    {47, "N", "r"},
};

constexpr FnDef kSRecTail[] = {
    {37, "NoteRest", "rest"},
    {38, "NoteLenFrac1", "1/1"},
    {39, "NoteLenFrac2", "1/2"},
    {40, "NoteLenFrac3", "1/3"},
    {41, "NoteLenFrac4", "1/4"},
    {42, "NoteLenFrac5", "1/5"},
    {43, "NoteLenFrac6", "1/6"},
    {44, "NoteLenFrac8", "1/8"},
    {45, "NoteLenFrac12", "1/12"},
    {46, "NoteLenFrac16", "1/16"},
    {47, "NoteLenFrac20", "1/20"},
    {48, "NoteLenFrac24", "1/24"},
    {49, "NoteLenFrac32", "1/32"},
    {50, "NoteLenFrac48", "1/48"},
    {51, "NoteLenFrac64", "1/64"},
    {52, "NoteLenFracInc", "len +"},
    {53, "NoteLenFracDec", "len -"},
    {54, "NoteOnPercent5", "5%"},
    {55, "NoteOnPercent25", "25%"},
    {56, "NoteOnPercent50", "50%"},
    {57, "NoteOnPercent75", "75%"},
    {58, "NoteOnPercent95", "95%"},
    {59, "NoteOnPercent99", "99%"},
    {60, "NoteOnPercentInc", "gate +"},
    {61, "NoteOnPercentDec", "gate -"},
    {62, "OctInc", "oct +"},
    {63, "OctDec", "oct -"},
    {64, "ChordsOn", "chrd +"},
    {65, "ChordsOff", "chrd -"},
    {66, "ChordsTog", "chrd tog"},
    {67, "Undo", "undo"},
    {68, "Rec", "rec"},
    {69, "AutoIncSeqTog", "rec+ tog"},
    {70, "RawTog", "raw tog"},
    {71, "AttribSrcSeq", "src seq"},
    {72, "AttribSrcLive", "src live"},
    {73, "AttribSrcTog", "src tog"},
    {74, "N", "sr"},
};

// The hints that the Rec and SRec lists share, on the codes 0..36.
void SetRecStopHints(std::vector<TKeyFn>& f) {
  SetHint(f, 20, "stop rec & run muted forever");
  SetHint(f, 21, "stop rec & run muted for 1 cycle");
  SetHint(f, 22, "...for 2 cycles");
  SetHint(f, 29, "stop & run muted/un-muted for 1 cycle each");
  SetHint(f, 30, "...for 2 cycles each");
  SetHint(f, 3, "stop rec & run un-muted forever");
  SetHint(f, 4, "stop rec & run un-muted for 1 cycle");
  SetHint(f, 5, "...for 2 cycles");
  SetHint(f, 12, "stop & run un-muted/muted for 1 cycle each");
  SetHint(f, 13, "...for 2 cycles each");
  SetHint(f, 2, "stop recording");
}

void SetHotkeyHints(std::vector<TKeyFn>& f, int base) {
  SetHint(f, base + 2, "hotkey cursor left");
  SetHint(f, base + 3, "hotkey cursor right");
  SetHint(f, base + 8, "hotkey plus");
  SetHint(f, base + 9, "hotkey minus");
}

std::vector<TKeyFn> RecFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Rec", kRecHead);
  AddDefs(f, "Rec", kRecTail);
  AddHotkeys(f, RecHotkeyBase, "RecHK");
  SetHint(f, 0, "retake/stop recording/return to live mode");
  SetHint(f, 37, "record pitch up 1 octave");
  SetHint(f, 38, "record pitch down 1 octave");
  SetHint(f, 47, "recordable note");
  SetHint(f, 39, "switch to step-rec mode");
  SetRecStopHints(f);
  SetHotkeyHints(f, RecHotkeyBase);
  return f;
}

std::vector<TKeyFn> SRecFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "SRec", kRecHead);
  AddDefs(f, "SRec", kSRecTail);
  AddHotkeys(f, SRecHotkeyBase, "SRecHK");
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 74, "recordable note");
  SetHint(f, 62, "pitch offset up 1 octave");
  SetHint(f, 63, "pitch offset down 1 octave");
  SetHint(f, 37, "record rest note");
  SetHint(f, 68, "switch to real-time rec mode");
  SetRecStopHints(f);
  SetHotkeyHints(f, SRecHotkeyBase);
  return f;
}

// ---- RangeN ----

std::vector<TKeyFn> RangeNFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Num", kRangeHead);
  for (int d = 0; d <= 9; ++d) Add(f, 5 + d, "Num" + std::to_string(d), std::to_string(d));
  constexpr FnDef tail[] = {
      {15, "NumInc", "+"},
      {16, "NumDec", "-"},
      {17, "NumSweep1", "-->"},
      {18, "NumSweep2", "<-->"},
      {19, "NumCyclic", "/"},
      {20, "NumExtMidi", "ext scen"},
      {21, "NumTempoHiN", "[nn]"},
      {22, "TapTempo", "tap"},
      {23, "NumPort", "port n"},
      {24, "NumChan", "cha nn"},
      {25, "NumProg", "prg nnn"},
      {26, "NumVel", "vel n"},
      {27, "NumPart", "part n"},
      {28, "NumLoad", "load nn"},
      {29, "NumSave", "save nn"},
      {30, "NumPlayN", "p n"},
      {31, "NumPlayNN", "p nn"},
      {32, "NumPlayMuteN", "pm n"},
      {33, "NumPlayMuteNN", "pm nn"},
      {34, "NumMuteN", "m n"},
      {35, "NumMuteNN", "m nn"},
      {36, "NumMutePlayN", "mp n"},
      {37, "NumMutePlayNN", "mp nn"},
      {38, "NumPlayMuteTogN", "pmt n"},
      {39, "NumPlayMuteTogNN", "pmt nn"},
      {40, "NumPitchN", "pit n"},
      {41, "NumPitchNN", "pit nn"},
      {42, "NumTempo", "temp nnn"},
      {43, "NumTempoSlew", "slew nn"},
  };
  AddDefs(f, "", tail);  // keywords in full: "TapTempo" has no prefix
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 22, "tap 3 times for bpm if tempo command");
  SetHint(f, 15, "increment current value");
  SetHint(f, 16, "decrement current value");
  SetHint(f, 20, "load MIDI file from external scene pool");
  for (int d = 0; d <= 9; ++d) SetHint(f, 5 + d, "digit");
  return f;
}

// ---- TSig, TShift, Quant ----

std::vector<TKeyFn> TSigFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "TSig", kRangeHead);
  for (int n = 2; n <= 64; ++n) {
    const bool powerOf2 = (n & (n - 1)) == 0;
    Add(f, n + 3, "TSig" + std::to_string(n), powerOf2 ? FracToken(n) : std::to_string(n));
  }
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 5, "numerator & denominator values");
  return f;
}

std::vector<TKeyFn> TShiftFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "TShift", kRangeHead);
  // The seq-quantise and align keys have no token: only the factory maps and settings set them.
  constexpr FnDef noToken[] = {
      {5, "SeqSQ", ""},    {6, "SeqSQInc", ""},    {7, "SeqSQDec", ""},
      {8, "SeqAlign", ""}, {9, "SeqAlignInc", ""}, {10, "SeqAlignDec", ""},
  };
  AddDefs(f, "TShift", noToken);
  Add(f, 11, "TShiftRept", "*");
  Add(f, 12, "TShift0", "0 off");
  for (int n = 1; n <= 64; ++n)
    Add(f, 12 + n, "TShift" + std::to_string(n), IsFracValue(n) ? FracToken(n) : std::to_string(n));
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 11, "repeat timeshift at every cycle");
  SetHint(f, 13, "no. of beats & beat length values");
  return f;
}

std::vector<TKeyFn> QuantFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Q", kRangeHead);
  Add(f, 12, "Q0", "0 off");
  for (int n : kFracValues) Add(f, 12 + n, "Q" + std::to_string(n), FracToken(n));
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 13, "note-NQ & seq-SQ values");
  return f;
}

// ---- FtsType ----

constexpr FnDef kFtsType[] = {
    {5, "FtsTypeFtn", "ftn n..n"},
    {6, "FtsTypeCurr", "curr"},
    {7, "FtsTypeOff", "off"},
    {8, "FtsScaleMajor", "maj"},
    {9, "FtsScaleNMinor", "nat min"},
    {10, "FtsScaleHMinor", "har min"},
    {11, "FtsScaleMelMinA", "min asc"},
    {12, "FtsScaleMelMinD", "min des"},
    {13, "FtsScaleMinPent", "min pen"},
    {14, "FtsScaleMajPent", "maj pen"},
    {15, "FtsScaleDim", "dim"},
    {16, "FtsScaleAug", "aug"},
    {17, "FtsScalePelog", "pelog"},
    {18, "FtsScaleIndian", "india"},
    {19, "FtsScaleHiraj", "hiraj"},
    {20, "FtsScaleKumoi", "kumoi"},
    {21, "FtsScaleNeap", "neapo"},
    {22, "FtsScaleHung", "hunga"},
    {23, "FtsChordMaj", "M"},
    {24, "FtsChordMin", "m"},
    {25, "FtsChord7", "7"},
    // 26 and 27 share their labels with the scales 15 and 16; a token search finds the scales.
    {26, "FtsChordDim", "dim"},
    {27, "FtsChordAug", "aug"},
    {28, "FtsChordMin5", "m+5"},
    {29, "FtsChordMinus5", "-5"},
    {30, "FtsChord6", "6"},
    {31, "FtsChordMin6", "m6"},
    {32, "FtsChordMin7", "m7"},
    {33, "FtsChordMaj7", "maj7"},
    {34, "FtsChordMinMaj7", "m(maj7)"},
    {35, "FtsChordAdd9", "add9"},
    {36, "FtsChordMinAdd9", "madd9"},
    {37, "FtsChord69", "6.9"},
    {38, "FtsChordMin6p9", "m6.9"},
    {39, "FtsChord9", "9"},
    {40, "FtsChordMin9", "m9"},
    {41, "FtsChordMaj9", "maj9"},
    {42, "FtsChordMinMaj9", "m(maj9)"},
    {43, "FtsChord7b9", "(7)-9"},
    {44, "FtsChord7s9", "(7)+9"},
    {45, "FtsChordSus4", "sus4"},
    {46, "FtsChord7Sus4", "7sus4"},
    {47, "FtsChord7s5", "7+5"},
    {48, "FtsChord7b5", "7-5"},
    {49, "FtsChordMin7b5", "m7-5"},
    {50, "FtsChord9s5", "9+5"},
    {51, "FtsChord9b5", "9-5"},
    {52, "FtsChord7b9s5", "(7)-9+5"},
    {53, "FtsChord7b9b5", "(7)-9-5"},
    {54, "FtsChord7s9s5", "(7)+9+5"},
    {55, "FtsChord7s9b5", "(7)+9-5"},
    {56, "FtsChord11", "11"},
    {57, "FtsChordMin11", "Cm11"},
    {58, "FtsChordPlus11", "+11"},
    {59, "FtsChord13", "13"},
    {60, "FtsChordMinus13", "-13"},
    {61, "FtsChord13p9", "13.9"},
    {62, "FtsChord13b9", "13-9"},
    {63, "FtsChordMinus13b9", "-13-9"},
    {64, "FtsChord13p119", "13.11(9)"},
    {65, "FtsChord13p11b9", "13.11-9"},
    {66, "FtsChord13s119", "13+11(9)"},
    {67, "FtsChord13b5", "13-5"},
    {68, "FtsChordb13b5", "-13-5"},
    {69, "FtsChord13b9b5", "13-9-5"},
    {70, "FtsChord9s5b5", "9+5-5"},
};

std::vector<TKeyFn> FtsTypeFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "FtsType", kRangeHead);
  AddDefs(f, "", kFtsType);  // keywords in full: the scales and chords have prefixes of their own
  const std::pair<int, const char*> hints[] = {
      {0, "abort/return to live mode"},
      {5, "switch to force-to-notes mode"},
      {6, "use current scale/chord type"},
      {7, "reset forced notes to chromatic"},
      {8, "major scale"},
      {9, "minor scale"},
      {10, "harmonic minor scale"},
      {11, "melodic minor ascending scale"},
      {12, "melodic minor descending scale"},
      {13, "minor pentatonic scale"},
      {14, "major pentatonic scale"},
      {15, "diminished scale"},
      {16, "augmented scale"},
      {17, "pelog scale"},
      {18, "indian scale"},
      {19, "hirajoshi scale"},
      {20, "kumoi scale"},
      {21, "neapolitan scale"},
      {22, "hungarian scale"},
      {23, "major chord"},
      {24, "minor chord"},
      {25, "7th chord"},
      {26, "diminished chord"},
      {27, "augmented chord"},
  };
  for (const auto& [code, hint] : hints) SetHint(f, code, hint);
  for (int c = 28; c <= 70; ++c) SetHint(f, c, "chord");
  return f;
}

// ---- Pitch, Metr ----

std::vector<TKeyFn> PitchFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Pitch", kRangeHead);
  constexpr FnDef tail[] = {
      {5, "Lock", "pit lck"},    {6, "Unlock", "pit ulck"}, {7, "LockTog", "lck tog"},
      {8, "OctInc", "oct +"},    {9, "OctDec", "oct -"},    {10, "SelnLo", "seln lo"},
      {11, "SelnHi", "seln hi"}, {12, "Seln1", "seln 1st"}, {13, "SelnClr", "seln clr"},
      {14, "Trans", "tran"},
  };
  AddDefs(f, "Pitch", tail);
  for (int n = 0; n <= 48; ++n) Add(f, 15 + n, "PitchInc" + std::to_string(n), "+" + std::to_string(n));
  for (int n = 1; n <= 48; ++n) Add(f, 63 + n, "PitchDec" + std::to_string(n), "-" + std::to_string(n));
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 2, "don't return to live mode at command end");
  SetHint(f, 3, "return to live mode at command end");
  SetHint(f, 4, "toggle hold state");
  SetHint(f, 15, "reset pitch offset to base value");
  SetHint(f, 16, "set pitch offset to +1 semitone");
  SetHint(f, 64, "set pitch offset to -1 semitone");
  return f;
}

std::vector<TKeyFn> MetrFns() {
  std::vector<TKeyFn> f;
  AddDefs(f, "Metr", kRangeHead);
  constexpr FnDef tail[] = {
      {5, "FillTog", "fill tog"}, {6, "Bars1", "bars 1"}, {7, "Bars2", "bars 2"},
      {8, "Bars3", "bars 3"},     {9, "Bars4", "bars 4"}, {10, "TypeTog", "type tog"},
      {11, "Style", "met sty"},
  };
  AddDefs(f, "Metr", tail);
  for (int n = 0; n <= 127; ++n) {
    const std::string name = KeyNoToNote(n, false);
    Add(f, 12 + n, "MetrNote" + name, name);
  }
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 11, "switch to metr styles mode");
  SetHint(f, 12, "metr note for bar & beat");
  return f;
}

// ---- FtsRoot, Ftn ----

std::vector<TKeyFn> NoteChoiceFns(std::string_view prefix, const char* keyword5, const char* token5) {
  std::vector<TKeyFn> f;
  AddDefs(f, prefix, kRangeHead);
  Add(f, 5, std::string(prefix) + keyword5, token5);
  Add(f, 6, std::string(prefix) + "Off", "off");
  for (int p = 0; p < 12; ++p) {
    const std::string name = PitchClassName(p);
    Add(f, 7 + p, std::string(prefix) + "Note" + name, name);
  }
  SetHint(f, 0, "abort/return to live mode");
  SetHint(f, 6, "reset forced notes to chromatic");
  return f;
}

std::vector<TKeyFn> FtsRootFns() {
  std::vector<TKeyFn> f = NoteChoiceFns("FtsRoot", "Ftn", "ftn n..n");
  SetHint(f, 5, "switch to force-to-notes mode");
  SetHint(f, 7, "define root note and switch to fts type mode");
  return f;
}

std::vector<TKeyFn> FtnFns() {
  std::vector<TKeyFn> f = NoteChoiceFns("Ftn", "Fts", "fts nn");
  SetHint(f, 5, "switch to force-to-scale root mode");
  SetHint(f, 7, "target notes");
  return f;
}

// ---- the fourteen modes, in mode-type order ----

const std::array<std::vector<TKeyFn>, ModeTypeCount>& Vocabularies() {
  // Mode-type order.
  static const std::array<std::vector<TKeyFn>, ModeTypeCount> fns = {
      LiveFns(),  CmdFns(),   RecFns(),  SRecFns(),    RangeNFns(),  TSigFns(), TShiftFns(),
      QuantFns(), PitchFns(), MetrFns(), FtsRootFns(), FtsTypeFns(), FtnFns(),  HotkeyFns(),
  };
  return fns;
}

// Settings-file names of the scales 8..22.
const char* const kScaleCfgNames[15] = {
    "Major",           "NaturalMinor",    "HarmonicMinor", "MelodicMinorAsc", "MelodicMinorDesc",
    "MinorPentatonic", "MajorPentatonic", "Diminished",    "Augmented",       "Pelog",
    "Indian",          "Hirajoshi",       "Kumoi",         "Neapolitan",      "Hungarian",
};

bool SameFtsName(std::string_view a, std::string_view b) {
  // The major and minor chords differ only by case.
  if (a == "M" || a == "m" || b == "M" || b == "m") return a == b;
  return EqualsNoCase(a, b);
}

}  // namespace

const std::vector<std::string>& HotkeySuffixes() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> s = {"CR",      "Esc",      "Left",      "Right",    "Up",       "Down",
                                  "PageUp",  "PageDown", "Add",       "Subtract", "Multiply", "Divide",
                                  "Decimal", "Space",    "BackSpace", "Tab"};
    for (char c = 'A'; c <= 'Z'; ++c) s.emplace_back(1, c);
    for (char c = '0'; c <= '9'; ++c) s.emplace_back(1, c);
    for (int n = 1; n <= 12; ++n) s.push_back("F" + std::to_string(n));
    for (const char* x : {"ShiftLeft", "ShiftRight", "ShiftF11", "ShiftF12", "CtrlEsc", "CtrlLeft",
                          "CtrlRight", "CtrlUp", "CtrlDown", "CtrlPageUp", "CtrlPageDown", "CtrlTab"})
      s.emplace_back(x);
    for (char c = 'A'; c <= 'Z'; ++c) s.push_back(std::string("Ctrl") + c);
    for (char c = '0'; c <= '9'; ++c) s.push_back(std::string("Ctrl") + c);
    for (int n = 1; n <= 12; ++n) s.push_back("CtrlF" + std::to_string(n));
    for (const char* x : {"CtrlShiftLeft", "CtrlShiftRight", "CtrlShiftTab", "CtrlShiftB", "CtrlShiftF"})
      s.emplace_back(x);
    for (int n = 6; n <= 12; ++n) s.push_back("CtrlShiftF" + std::to_string(n));
    for (const char* x :
         {"CtrlAltLeft", "CtrlAltRight", "CtrlAltF11", "CtrlAltF12", "AltCR",        "AltLeft",
          "AltRight",    "AltTab",       "Alt1",       "Alt2",       "Alt3",         "AltF2",
          "AltF3",       "AltF4",        "AltF11",     "AltF12",     "AltShiftLeft", "AltShiftRight",
          "AltShiftTab", "AltShiftF11",  "AltShiftF12"})
      s.emplace_back(x);
    return s;
  }();
  return list;
}

const std::vector<std::string>& HotkeyTokens() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> s = {" cr", " escp", " left", " rght", " up", " down", " pgup", " pgdn",
                                  " +",  " -",    " *",    " /",    " .",  " spce", " bksp", " tab"};
    for (char c = 'a'; c <= 'z'; ++c) s.push_back(std::string(" ") + c);
    for (char c = '0'; c <= '9'; ++c) s.push_back(std::string(" ") + c);
    for (int n = 1; n <= 12; ++n) s.push_back(" F" + std::to_string(n));
    for (const char* x : {"s+ left", "s+ rght", "s+ F11", "s+ F12", "c+ escp", "c+ left", "c+ rght", "c+ up",
                          "c+ down", "c+ pgup", "c+ pgdn", "c+ tab"})
      s.emplace_back(x);
    for (char c = 'A'; c <= 'Z'; ++c) s.push_back(std::string("c+ ") + c);
    for (char c = '0'; c <= '9'; ++c) s.push_back(std::string("c+ ") + c);
    for (int n = 1; n <= 12; ++n) s.push_back("c+ F" + std::to_string(n));
    for (const char* x : {"cs+ left", "cs+ rght", "cs+ tab", "cs+ B", "cs+ F"}) s.emplace_back(x);
    for (int n = 6; n <= 12; ++n) s.push_back("cs+ F" + std::to_string(n));
    for (const char* x : {"ca+ left", "ca+ rght", "ca+ F11",  "ca+ F12",  "a+ cr",   "a+ left", "a+ rght",
                          "a+ tab",   "a+ 1",     "a+ 2",     "a+ 3",     "a+ F2",   "a+ F3",   "a+ F4",
                          "a+ F11",   "a+ F12",   "as+ left", "as+ rght", "as+ tab", "as+ F11", "as+ F12"})
      s.emplace_back(x);
    return s;
  }();
  return list;
}

const std::vector<TKeyFn>& KeyFns(TModeType t) {
  return Vocabularies()[KeyModeInfo(t).ModeType];
}

TModeType ModeTypeOfMap(TMapNo m) {
  for (const TKeyModeInfo& info : KeyModeInfos)
    if (info.MapNo == m) return info.ModeType;
  return MtNone;
}

TModeType ModeTypeOfLabel(TLabelNo l) {
  for (const TKeyModeInfo& info : KeyModeInfos)
    if (info.LabelNo == l) return info.ModeType;
  return MtNone;
}

const TKeyFn* FindKeyFnByToken(TModeType t, std::string_view token) {
  if (t >= ModeTypeCount || token.empty()) return nullptr;
  for (const TKeyFn& fn : Vocabularies()[t])
    if (fn.Token == token) return &fn;
  return nullptr;
}

const TKeyFn* FindKeyFnByCode(TModeType t, uint8_t code) {
  if (t >= ModeTypeCount) return nullptr;
  for (const TKeyFn& fn : Vocabularies()[t])
    if (fn.Code == code) return &fn;
  return nullptr;
}

std::string FtsCodeCfgName(int code) {
  if (code >= 8 && code <= 22) return kScaleCfgNames[code - 8];
  if (code == 7 || code < 0 || code > 70) return "off";
  const TKeyFn* fn = FindKeyFnByCode(MtFtsType, static_cast<uint8_t>(code));
  return fn ? fn->Token : "off";
}

uint8_t FtsTypeCodeFromLabel(std::string_view text) {
  // The names the settings writer writes come first, so that "dim" reads back as the chord the
  // writer meant (the scale is written "Diminished").
  for (int code = 0; code <= 70; ++code)
    if (SameFtsName(text, FtsCodeCfgName(code))) return static_cast<uint8_t>(code);
  for (const TKeyFn& fn : Vocabularies()[MtFtsType])
    if (!fn.Token.empty() && SameFtsName(text, fn.Token)) return fn.Code;
  return KeyModeInfo(MtFtsType).IgnoreCode;
}

}  // namespace vel
