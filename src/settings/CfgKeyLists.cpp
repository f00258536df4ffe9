#include "settings/CfgKeyLists.h"

#include "base/General.h"
#include "keymaps/KeyMaps.h"
#include "platform/TextCut.h"

namespace vel {

namespace {

using Item = TKeyBlockItem;

Item E(int code) {
  return {Item::Entry, static_cast<uint8_t>(code), {}};
}
Item C(std::string text) {
  return {Item::Comment, 0, std::move(text)};
}
Item B() {
  return {Item::Blank, 0, {}};
}

void Run(std::vector<Item>& v, int first, int last) {
  for (int c = first; c <= last; ++c) v.push_back(E(c));
}
void Codes(std::vector<Item>& v, std::initializer_list<int> codes) {
  for (int c : codes) v.push_back(E(c));
}
void Heads(std::vector<Item>& v, std::initializer_list<const char*> lines) {
  for (const char* l : lines) v.push_back(C(l));
}
void Group(std::vector<Item>& v, std::initializer_list<const char*> lines) {
  v.push_back(B());
  Heads(v, lines);
}

std::vector<TKeyMapBlock> MakeBlocks() {
  std::vector<TKeyMapBlock> blocks;
  auto add = [&](TModeType m) -> std::vector<Item>& {
    blocks.push_back({m, {}});
    return blocks.back().Items;
  };
  const std::string upTo =
      "This build handles values up to 1/" + std::to_string(64) + ", but you don't need to use every value";
  {
    auto& v = add(MtLive);
    Heads(v, {"Key maps for live mode.", "Pressing any keys assigned to...",
              "...LiveCmd will change to Command mode.", "...LiveN will send the key to MIDI out unchanged.",
              "...LiveHK will send the hotkey to the active window."});
    Codes(v, {0, 1, 2});
    Group(v, {"Hotkey shortcuts"});
    Run(v, LiveHotkeyBase, LiveHotkeyBase + HotkeyCount - 1);
  }
  {
    auto& v = add(MtCmd);
    Heads(v, {"Key maps for command mode.", "Pressing any keys assigned to...",
              "...CmdEsc will abort the command and change to Live mode.",
              "...SeqN will select/deselect that sequence.", "...Cmdxxx will initiate command xxx,",
              "   which will operate on the selected sequence(s) (if relevant).",
              "   If the command needs no further data, change to Live mode,",
              "   otherise KeyMode changes to the relevant range mode (see below)."});
    Codes(v, {0, 1, 55, 56, 64, 58, 66, 57, 65, 59, 67, 68, 70, 69, 71});
    Group(v, {"Step record"});
    Codes(v, {60, 62, 61, 63});
    Group(v, {"These are an assortment of play & mute variations; see Command Guide.",
              "Any combinations can be used; try a few and see which ones you prefer."});
    Run(v, 2, 43);
    Group(v, {"These toggle selected seqs between play & mute modes.", "Not available in record mode."});
    Run(v, 44, 54);
    Group(v, {"Sequence select keys; you'll normally need one for each sequence,",
              "although it is possible to select them en masse via the AllBut key."});
    Run(v, 72, 75);
    for (int n = 5; n <= 16; ++n) v.push_back({Item::Unused, 0, "CmdSeq" + std::to_string(n)});
    Codes(v, {88});
    Group(v, {"The all-but & invert functions are exactly the same, just a different label name"});
    Codes(v, {89, 90, 93, 91, 92});
    Run(v, 94, 108);
    Codes(v, {141, 142, 143});
    Run(v, 109, 123);
    Codes(v, {144, 145});
    Run(v, 124, 141);
    Codes(v, {144, 145, 146});
  }
  {
    auto& v = add(MtHotkey);
    Heads(v, {"Key maps for hotkey mode.", "Pressing any keys assigned to...",
              "...HotkeyEsc will abort the command and change to Live mode.",
              "...HKxx will send hotkey to active Window."});
    Run(v, 0, 4);
    Run(v, HotkeyHotkeyBase, HotkeyHotkeyBase + HotkeyCount - 1);
  }
  {
    auto& v = add(MtRec);
    Heads(v, {"Key maps for record mode.", "Pressing any keys assigned to...",
              "...RecEsc will stop the recording.",
              "   (some of these are also used to record rests; see Command Ref).",
              "...RecStop will stop the recording.", "...RecPlayxx will stop the recording, start Playxx.",
              "...RecMutexx will stop the recording, start muted Playxx.",
              "   (the no. is the no. of cycle repeats; R is random 1-9, RR is random 1-99).",
              "...RecN will record the key, and send it to MIDI out."});
    Run(v, 0, 38);
    Group(v, {"Command shortcuts"});
    Codes(v, {40, 41, 39, 42, 43, 44, 45, 46, 47});
    Group(v, {"Hotkey shortcuts"});
    Run(v, RecHotkeyBase, RecHotkeyBase + HotkeyCount - 1);
  }
  {
    auto& v = add(MtSRec);
    Heads(v, {"Key maps for step record mode.", "Pressing any keys assigned to...",
              "...SRecEsc will stop the recording.", "...SRecStop will stop the recording.",
              "...SRecPlayxx will stop the recording, start Playxx.",
              "...SRecMutexx will stop the recording, start muted Playxx.",
              "   (the no. is the no. of cycle repeats; R is random 1-9, RR is random 1-99).",
              "...SRecN will record the key, and send it to MIDI out.",
              "...SRecHKxx will record the hotkey, and send it to the active window."});
    Run(v, 0, 37);
    Group(v, {"Step length"});
    Run(v, 38, 53);
    Group(v, {"Gate time, percent on"});
    Run(v, 54, 67);
    Group(v, {"Command shortcut to real-time record mode"});
    Run(v, 68, 74);
    Group(v, {"Hotkey shortcuts"});
    Run(v, SRecHotkeyBase, SRecHotkeyBase + HotkeyCount - 1);
  }
  {
    auto& v = add(MtRangeN);
    Heads(v, {"Key maps for numeric values 0-9", "Pressing any keys assigned to...",
              "...NumEsc will abort the command.",
              "...NumN; depending on the command, one or more successive key presses",
              "   will change the value to N, NN or NNN.",
              "   e.g. Tempo & Prog need 3 digits, Channel needs 2, Vel needs 1, etc.",
              "...Inc/Dec will increment/decrement current value.",
              "...Sweep1/2 will repeat inc/dec every cycle.",
              "...Cyclic modifies the command to expect a pair of values.",
              "...Tap; another way to set tempo value; press any 3 in time with beat.",
              "...Num<command> direct switch to <command> mode."});
    Run(v, 0, 14);
    Codes(v, {21, 15, 16, 17, 18, 19, 20, 22, 27, 23, 24, 25, 26});
    Run(v, 28, 43);
  }
  {
    auto& v = add(MtPitch);
    Heads(v, {"Key maps for single-key relative (+/-) pitch values.", "Pressing any keys assigned to...",
              "...PitchEsc will abort the command.", "...PitchOff will set the relative offset to 0.",
              "...PitchInc/Dec will set the relative offset.",
              "PitchOff can be replicated and/or mapped anywhere; same as Inc0 or Dec0"});
    Run(v, 0, 111);
  }
  {
    auto& v = add(MtMetr);
    Heads(v,
          {"Key maps for metronome bar & beat note values.", "Pressing any keys assigned to...",
           "...MetrEsc will abort the command.",
           "...MetrN; 2 succesive key presses will change the metronome bar", "& beat notes & velocities."});
    Codes(v, {0, 11});
    Run(v, 1, 10);
    Run(v, 12, 139);
  }
  {
    auto& v = add(MtTSig);
    Heads(v, {"Key maps for time signature Beats/LenFrac values.", "Pressing any keys assigned to...",
              "...TSigEsc will abort the command.",
              "...TSigN; 2 successive key presses will change the time signature."});
    v.push_back(C(upTo));
    Run(v, 0, 67);
  }
  {
    auto& v = add(MtTShift);
    Heads(v, {"Key maps for time shift Beats/LenFrac values.", "Pressing any keys assigned to...",
              "...TShiftEsc will abort the command.",
              "...TShiftN; 2 successive key presses will change the time shift."});
    v.push_back(C(upTo));
    Run(v, 0, 76);
  }
  {
    auto& v = add(MtFtsRoot);
    Heads(v, {"Key maps for force-to-scale root note values.", "Pressing any keys assigned to...",
              "...FtsRootEsc will abort the command.",
              "...FtsRootN; next key press will change the root note", "   & change to fts type mode."});
    Run(v, 0, 4);
    Group(v, {"Ftn allows functionality without a separate command key"});
    Run(v, 5, 18);
  }
  {
    auto& v = add(MtFtsType);
    Heads(v, {"Key maps for force-to-scale/chord type values.", "Pressing any keys assigned to...",
              "...FtsTypeEsc will abort the command."});
    Run(v, 0, 4);
    Group(v, {"Direct command shortcut to ftn from fts range mode"});
    Run(v, 5, 70);
  }
  {
    auto& v = add(MtFtn);
    Heads(v, {"Key maps for force-to-note values.", "Pressing any keys assigned to...",
              "...FtnEsc will abort the command.", "...FtnN; next key presses will define Ftn type."});
    Run(v, 0, 4);
    Group(v, {"Direct command shortcut to fts from ftn range mode"});
    Run(v, 5, 18);
  }
  {
    auto& v = add(MtQuant);
    Heads(v,
          {"Key maps shared between quantise note & seq length values", "and tempo time division values.",
           "Pressing any keys assigned to...", "...QEsc will abort the command.",
           "...QN; 2 successive key presses will change the Note & Seq length", "   quantise values to 1/N.",
           "Numbers are note length fractions, 0=no quantise (for Note Q only)",
           "e.g. Quant4 will quantise to 1/4 notes, Quant8 for 1/8 notes, etc."});
    v.push_back(C(upTo));
    Run(v, 0, 4);
    Codes(v, {12, 13, 14, 15, 16, 17, 18, 20, 22, 24, 27, 28, 32, 36, 42, 44, 52, 60, 72, 76});
  }
  return blocks;
}

// The key-list builder of one entry.
struct TKeyListBuilder {
  bool Numeric = false;
  bool HasKey = false;
  bool Open = false;
  int32_t First = 0;
  std::string List;
  std::string Range;

  void StartKeyRange(int32_t k) {
    HasKey = true;
    if (!Open) {
      Open = true;
      First = k;
      Range = KeyText(k, Numeric);
    }
  }
  void EndKeyRange(int32_t k) {
    if (Open) AddKeyRangeText(k - 1);
  }
  void AddKeyRangeText(int32_t last) {
    if (last != First) {
      Range += "..";
      Range += KeyText(last, Numeric);
    }
    if (!List.empty()) List += ", ";
    List += Range;
    Range.clear();
    Open = false;
  }
  std::string FinishKeyList() {
    if (Open) AddKeyRangeText(127);
    return HasKey ? List : std::string("Unused");
  }
};

}  // namespace

const std::vector<TKeyMapBlock>& KeyMapBlocks() {
  static const std::vector<TKeyMapBlock> blocks = MakeBlocks();
  return blocks;
}

bool TakesOutOfMapKeys(TModeType mode, uint8_t code) {
  return (mode == MtLive || mode == MtRec || mode == MtSRec) && code == KeyModeInfo(mode).OutOfMapCode;
}

std::string BuildKeyList(TModeType mode, uint8_t code, int32_t keyShift, bool numeric) {
  const TKeyMap& map = KeyMapOf(mode);
  const bool outOfMap = TakesOutOfMapKeys(mode, code);
  TKeyListBuilder b;
  b.Numeric = numeric;
  for (int32_t k = 0; k < 128; ++k) {
    const int32_t s = k - keyShift;
    if (s >= 0 && s <= 127) {
      if (map[s].load(std::memory_order_relaxed) == code)
        b.StartKeyRange(k);
      else
        b.EndKeyRange(k);
    } else if (outOfMap) {
      b.StartKeyRange(k);
    } else {
      b.EndKeyRange(k);
    }
  }
  return b.FinishKeyList();
}

void WriteCfgKeyMaps(TCfgText& out, int32_t keyShift, bool numeric) {
  bool first = true;
  for (const TKeyMapBlock& block : KeyMapBlocks()) {
    if (!first) out.Sep();
    first = false;
    for (const TKeyBlockItem& it : block.Items) {
      switch (it.K) {
        case TKeyBlockItem::Comment:
          out.WriteCfgLine(it.Text);
          break;
        case TKeyBlockItem::Blank:
          out.Blank();
          break;
        case TKeyBlockItem::Unused:
          out.WriteCfgLine(it.Text, "Unused");
          break;
        case TKeyBlockItem::Entry: {
          const TKeyFn* fn = FindKeyFnByCode(block.Mode, it.Code);
          if (fn == nullptr) break;
          out.WriteCfgLine(fn->Keyword, BuildKeyList(block.Mode, it.Code, keyShift, numeric));
          break;
        }
      }
    }
  }
}

void ParseKeyRange(std::string_view item, int32_t& first, int32_t& last) {
  // Fields 1 and 3 at '.': "60..72" gives 60 and 72, "60.62" gives 60 and an empty last.
  const std::size_t d1 = item.find('.');
  const std::string_view f1 = item.substr(0, d1);
  std::string_view f3;
  if (d1 != std::string_view::npos) {
    const std::size_t d2 = item.find('.', d1 + 1);
    if (d2 != std::string_view::npos) {
      const std::size_t d3 = item.find('.', d2 + 1);
      f3 = item.substr(d2 + 1, d3 == std::string_view::npos ? item.npos : d3 - d2 - 1);
    }
  }
  first = NoteNameToNo(f1);
  last = TrimCfg(f3).empty() ? first : NoteNameToNo(f3);
}

std::string KeyFnLabel(TModeType mode, uint8_t code) {
  const TKeyFn* fn = FindKeyFnByCode(mode, code);
  if (fn == nullptr) return " ";
  if (!fn->Token.empty()) return fn->Token;
  std::string_view kw = fn->Keyword;
  const std::string_view prefix = KeyModeInfo(mode).Prefix;
  if (kw.substr(0, prefix.size()) == prefix) kw.remove_prefix(prefix.size());
  return std::string(CutChars(kw, 8));
}

std::string_view KeyListLoaderName(TModeType mode) {
  switch (mode) {
    case MtLive:
      return "LoadLiveKeys";
    case MtHotkey:
      return "LoadRangeHotkeyNKeys";
    case MtCmd:
      return "LoadCmdKeys";
    case MtRec:
      return "LoadRecordKeys";
    case MtSRec:
      return "LoadSRecKeys";
    case MtRangeN:
      return "LoadNumNKeys";
    case MtMetr:
      return "LoadMetrNKeys";
    case MtFtsRoot:
      return "LoadFtsRootNKeys";
    case MtFtn:
      return "LoadFtnKeys";
    case MtTSig:
      return "LoadTSigNKeys";
    case MtTShift:
      return "LoadTShiftNKeys";
    case MtFtsType:
      return "LoadFtsTypeNKeys";
    case MtQuant:
      return "LoadQuantNKeys";
    case MtPitch:
      return "LoadPitchOKeys";
    default:
      return "LoadKeys";
  }
}

namespace {

// Calls set(key) for each key of a list of keys and key ranges ("36, 40..43"), in order. False at
// the first item that names no key 0..127 (the keys before it are set); that item goes to badItem.
template <class F>
bool ForEachListedKey(std::string_view list, F&& set, std::string* badItem) {
  list = TrimCfg(list);
  if (list.empty() || EqualsNoCase(list, "Unused")) return true;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::string_view item =
        list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
    // An empty field ends the list; a field of blanks is an invalid key.
    if (item.empty()) return true;
    int32_t first = -1;
    int32_t last = -1;
    ParseKeyRange(item, first, last);
    if (static_cast<uint32_t>(first) >= 128 || static_cast<uint32_t>(last) >= 128) {
      if (badItem) *badItem = item;
      return false;
    }
    for (int32_t k = first; k <= last; ++k) set(k);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return true;
}

}  // namespace

bool LoadKeyList(TModeType mode, uint8_t code, std::string_view label, std::string_view list,
                 std::string* badItem) {
  return ForEachListedKey(
      list, [&](int32_t k) { SetKeyFn(mode, k, code, label); }, badItem);
}

namespace {

// Older keywords of a code, with the version from which the current one is written.
struct TOldKeyword {
  TModeType Mode;
  uint8_t Code;
  int32_t Below;
  const char* Keyword;
};
constexpr TOldKeyword kOldKeywords[] = {
    {MtCmd, 138, 906, "CmdResetSeqs"}, {MtCmd, 91, 1024, "CmdPitchInc"}, {MtCmd, 92, 1024, "CmdPitchDec"},
    {MtCmd, 60, 1210, "CmdStepRec"},   {MtRec, 39, 1210, "RecStepRec"},
};

constexpr TModeType kReadOrder[] = {MtLive, MtHotkey, MtCmd,    MtRec,     MtSRec,    MtRangeN, MtPitch,
                                    MtMetr, MtTSig,   MtTShift, MtFtsRoot, MtFtsType, MtFtn,    MtQuant};

using TGetCfg = std::function<std::string(std::string_view keyword)>;

// Codes that older files kept elsewhere, so their current keyword is not read.
bool ReadElsewhere(int32_t version, TModeType mode, uint8_t code) {
  // Before 9.03 the metronome notes and the relative pitch keys were lists of their own.
  if (version < 903 && mode == MtMetr && code >= 12 && code <= 139) return true;
  if (version < 903 && mode == MtPitch && code >= 15 && code <= 111) return true;
  // Before 12.10 "RecAttribSrcLive" named the recording setting (a Y/N), not a record key.
  return version < 1210 && mode == MtRec && code == 45;
}

std::string ListKeyword(const TKeyFn& fn, int32_t version, TModeType mode, uint8_t code) {
  std::string keyword = fn.Keyword;
  for (const TOldKeyword& o : kOldKeywords)
    if (o.Mode == mode && o.Code == code && version < o.Below) keyword = o.Keyword;
  return keyword;
}

// The lists of one block's entries, each code once.
bool LoadBlockLists(const TKeyMapBlock& block, const TGetCfg& get, int32_t version, std::string& badList,
                    std::string& badLog) {
  const TModeType mode = block.Mode;
  std::vector<bool> seen(256, false);
  for (const TKeyBlockItem& it : block.Items) {
    if (it.K != TKeyBlockItem::Entry || seen[it.Code]) continue;
    seen[it.Code] = true;
    const TKeyFn* fn = FindKeyFnByCode(mode, it.Code);
    if (fn == nullptr || ReadElsewhere(version, mode, it.Code)) continue;
    const std::string list = get(ListKeyword(*fn, version, mode, it.Code));
    std::string item;
    if (!LoadKeyList(mode, it.Code, KeyFnLabel(mode, it.Code), list, &item)) {
      badList = list;
      badLog = std::string(KeyListLoaderName(mode)) + ": invalid key " + item;
      return false;
    }
  }
  return true;
}

// "MetrN" before 9.03: each key gets the metronome note of its own number.
bool LoadPre903MetrKeys(const TGetCfg& get, std::string& badList) {
  const std::string list = get("MetrN");
  const auto set = [](int32_t k) { SetKeyFn(MtMetr, k, static_cast<uint8_t>(12 + k), KeyNoToNote(k)); };
  if (!ForEachListedKey(list, set, nullptr)) {
    badList = list;
    return false;
  }
  return true;
}

// "PitchOrigin" and "PitchRel" before 9.03: keys relative to one origin key.
bool LoadPre903PitchKeys(const TGetCfg& get, std::string& badList, std::string& badLog) {
  const int32_t origin = NoteNameToNo(get("PitchOrigin"));
  if (origin < 0 || origin > 127) return true;
  SetKeyFn(MtPitch, origin, 15, "+0");
  const std::string list = get("PitchRel");
  const auto set = [origin](int32_t k) {
    const int32_t off = k - origin;
    if (off >= -48 && off <= -1)
      SetKeyFn(MtPitch, k, static_cast<uint8_t>(63 - off), "-" + std::to_string(-off));
    else if (off >= 0 && off <= 48)
      SetKeyFn(MtPitch, k, static_cast<uint8_t>(15 + off), "+" + std::to_string(off));
    else
      SetKeyFn(MtPitch, k, 112, " ");
  };
  std::string item;
  if (!ForEachListedKey(list, set, &item)) {
    badList = list;
    badLog = "LoadPre903PitchRelKeys: invalid key " + item;
    return false;
  }
  return true;
}

const TKeyMapBlock* FindBlock(TModeType mode) {
  const TKeyMapBlock* block = nullptr;
  for (const auto& b : KeyMapBlocks())
    if (b.Mode == mode) block = &b;
  return block;
}

}  // namespace

bool LoadCfgKeyMapLists(const std::function<std::string(std::string_view keyword)>& get, int32_t version,
                        std::string& badList, std::string& badLog) {
  for (TModeType mode : kReadOrder) {
    const TKeyMapBlock* block = FindBlock(mode);
    if (block == nullptr) continue;
    if (!LoadBlockLists(*block, get, version, badList, badLog)) return false;
    if (version < 903 && mode == MtMetr && !LoadPre903MetrKeys(get, badList)) return false;
    if (version < 903 && mode == MtPitch && !LoadPre903PitchKeys(get, badList, badLog)) return false;
  }
  return true;
}

}  // namespace vel
