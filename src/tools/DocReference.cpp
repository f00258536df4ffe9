#include "tools/DocReference.h"

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>

#include "keymaps/KeyMapsFactory.h"
#include "keys/KeyModeTable.h"
#include "settings/CfgFactory.h"
#include "settings/CfgFile.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgLimits.h"
#include "settings/CfgWriter.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

void ReadMaps(TFactoryKeySet& set) {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mode = static_cast<TModeType>(t);
    for (int k = 0; k < KeyCount; ++k) set.Codes[t][k] = KeyMapOf(mode)[k].load(kRelaxed);
    set.Labels[t] = KeyLabelsOf(mode);
  }
}

// The key maps, octave offsets and mode in use, put back when it goes.
class TSavedKeyMaps {
 public:
  TSavedKeyMaps() : maps_(std::make_unique<TKeyMaps>()), mode_(Cfg.StandardMode) {
    Copy(KeyMaps, *maps_);
    for (int i = 0; i < 2; ++i) {
      offsets_[i] = Cfg.InPortOctaveOffset[i].load(kRelaxed);
      cmdKeys_[i] = Cfg.InPortLiveCmdKey[i].load(kRelaxed);
    }
  }
  ~TSavedKeyMaps() {
    Copy(*maps_, KeyMaps);
    Cfg.StandardMode = mode_;
    for (int i = 0; i < 2; ++i) {
      Cfg.InPortOctaveOffset[i].store(offsets_[i], kRelaxed);
      Cfg.InPortLiveCmdKey[i].store(cmdKeys_[i], kRelaxed);
    }
  }
  TSavedKeyMaps(const TSavedKeyMaps&) = delete;
  TSavedKeyMaps& operator=(const TSavedKeyMaps&) = delete;

 private:
  static void Copy(const TKeyMaps& from, TKeyMaps& to) {
    for (int t = 0; t < ModeTypeCount; ++t) {
      for (int k = 0; k < KeyCount; ++k)
        to.KeyFnTables[t][k].store(from.KeyFnTables[t][k].load(kRelaxed), kRelaxed);
      to.KeyLabelTables[t] = from.KeyLabelTables[t];
      to.KeyFontColours[t] = from.KeyFontColours[t];
      to.KeyBackColours[t] = from.KeyBackColours[t];
    }
  }
  std::unique_ptr<TKeyMaps> maps_;
  uint8_t mode_;
  std::array<int32_t, 2> offsets_{};
  std::array<int32_t, 2> cmdKeys_{};
};

// "C1", "F1..G#1, C3": the keys of a map that carry a code, runs joined.
std::string KeysWith(const std::array<uint8_t, KeyCount>& codes, uint8_t code) {
  std::string text;
  for (int k = 0; k < KeyCount; ++k) {
    if (codes[k] != code) continue;
    int last = k;
    while (last + 1 < KeyCount && codes[last + 1] == code) ++last;
    if (!text.empty()) text += ", ";
    text += KeyText(k, false);
    if (last > k) text += ".." + KeyText(last, false);
    k = last;
  }
  return text;
}

// An empty table cell would let its neighbour's text run into it.
std::string OrDash(const std::string& text) {
  return text.empty() ? "-" : text;
}

std::string Code(std::string_view text) {
  return text.empty() ? std::string() : "`" + std::string(text) + "`";
}

std::string ModeTitle(TModeType t) {
  static const char* const titles[ModeTypeCount] = {
      "Live mode",           "Command mode",        "Real-time record mode",    "Step record mode",
      "Digit mode",          "Time-signature mode", "Time-shift mode",          "Quantise mode",
      "Pitch mode",          "Metronome mode",      "Force-to-scale root mode", "Force-to-scale type mode",
      "Force-to-notes mode", "Hotkey mode"};
  return titles[t];
}

void KeyModesSection(std::ostringstream& out) {
  out << "## Key modes in detail\n\n"
         "The key mode says what the next key of the keyboard means. The main window shows it after "
         "\"Mode:\", with the prompt below. Entries that take several keys walk through several "
         "modes, one per key.\n\n"
         "| Modes | Keys read in | The display asks |\n|---|---|---|\n";
  for (int m = 0; m < kKeyModeCount;) {
    const TKeyModeRow& row = KeyModeTable[m];
    int last = m;
    std::set<std::string> prompts;
    for (; last < kKeyModeCount && KeyModeTable[last].Handler == row.Handler &&
           KeyModeTable[last].Map == row.Map;
         ++last) {
      const TKeyModeRow& r = KeyModeTable[last];
      if (!r.Prompt.empty()) prompts.insert(std::string(r.Prompt));
      if (!r.PromptAlt.empty()) prompts.insert(std::string(r.PromptAlt));
      if (r.Prompt.empty() && !r.PromptHead.empty())
        prompts.insert(std::string(r.PromptHead) + "..." + std::string(r.PromptTail));
    }
    std::string cell;
    for (const std::string& p : prompts) cell += (cell.empty() ? "" : "; ") + Code(p);
    const std::string map = row.Map == kNoMap ? "no map" : ModeTitle(ModeTypeOfMap(row.Map));
    out << "| " << m << (last - 1 > m ? ".." + std::to_string(last - 1) : "") << " | " << map << " | " << cell
        << " |\n";
    m = last;
  }
  out << "\n";
}

// The command keys of the standard map in keyboard order: what a player looks up first.
void CommandKeysSection(std::ostringstream& out, const TFactoryKeySet& standard) {
  out << "## The command keys on the keyboard\n\n"
         "After the command key, these keys of the standard factory map give these commands. "
         "Novice mode keeps only a few of them; the Command mode table below says which.\n\n"
         "| Key | Label | Command |\n|---|---|---|\n";
  const uint8_t ignore = KeyModeInfo(MtCmd).IgnoreCode;
  for (int k = 0; k < KeyCount; ++k) {
    const uint8_t code = standard.Codes[MtCmd][k];
    const TKeyFn* fn = code == ignore ? nullptr : FindKeyFnByCode(MtCmd, code);
    if (!fn) continue;
    out << "| " << KeyText(k, false) << " | " << Code(fn->Token) << " | "
        << DescribeKeyFn(MtCmd, *fn).value_or("?") << " |\n";
  }
  out << "\n";
}

void FnTable(std::ostringstream& out, TModeType t, const TFactoryKeySets& keys,
             std::vector<std::string>& missing) {
  out << "| Keyword | Label | What it does | Standard keys | Novice keys |\n|---|---|---|---|---|\n";
  for (const TKeyFn& fn : KeyFns(t)) {
    if (IsHotkeyKeyFn(t, fn.Code)) continue;
    const std::optional<std::string> what = DescribeKeyFn(t, fn);
    if (!what) missing.push_back(fn.Keyword);
    out << "| " << Code(fn.Keyword) << " | " << OrDash(Code(fn.Token)) << " | " << what.value_or("?") << " | "
        << OrDash(KeysWith(keys.Standard.Codes[t], fn.Code)) << " | "
        << OrDash(KeysWith(keys.Novice.Codes[t], fn.Code)) << " |\n";
  }
  out << "\n";
}

// The computer key strokes: one row per stroke, the keyword and factory keys in each map.
void HotkeyTable(std::ostringstream& out, const TFactoryKeySets& keys) {
  const std::pair<TModeType, uint8_t> maps[] = {{MtLive, LiveHotkeyBase},
                                                {MtHotkey, HotkeyHotkeyBase},
                                                {MtRec, RecHotkeyBase},
                                                {MtSRec, SRecHotkeyBase}};
  out << "## Computer key strokes\n\n"
         "Live, Hotkey and both record modes can send a computer key stroke to the window that has "
         "the focus (X11 only). The keyword differs by mode; factory keys are shown after it.\n\n"
         "| Stroke | Live | Hotkey | Rec | SRec |\n|---|---|---|---|---|\n";
  for (int i = 0; i < HotkeyCount; ++i) {
    out << "| " << Code(HotkeyTokens()[i]);
    for (const auto& [t, base] : maps) {
      const TKeyFn* fn = FindKeyFnByCode(t, static_cast<uint8_t>(base + i));
      const std::string k = fn ? KeysWith(keys.Standard.Codes[t], fn->Code) : std::string();
      out << " | " << (fn ? Code(fn->Keyword) : std::string("-")) << (k.empty() ? "" : " " + k);
    }
    out << " |\n";
  }
  out << "\n";
}

constexpr const char* kCmdRefIntro =
    "# Vellorine command reference\n\n"
    "Everything Vellorine does can be played from the MIDI keyboard. Keys are named as notes, "
    "as the settings file names them: C3 is MIDI note 60 (middle C), C1 is note 36, and the "
    "octave below C1 is written without a number (C to B, notes 24 to 35). In Live mode every key "
    "plays, except the command key (C1 in the factory maps). Press it, and the next key is a "
    "command: the seq keys (F1 to G#1) select seqs, and a command key acts on the seqs selected. "
    "A command that needs a value switches to an argument mode (digits, note values, pitch "
    "steps and so on); its keys are listed below under the mode. In every mode C1 is Esc: it "
    "abandons the entry and goes back to Live mode.\n\n"
    "The keyword is the name of the function in the settings file and in the key mapper; the "
    "label is what the virtual keyboard and key templates show. Novice mode (Config menu) loads "
    "smaller factory maps with only the first few commands.\n\n";

}  // namespace

TFactoryKeySets CaptureFactoryKeyMaps() {
  const TSavedKeyMaps saved;
  TFactoryKeySets sets;
  Cfg.StandardMode = 1;
  LoadKeyMapsFactory();
  ReadMaps(sets.Standard);
  Cfg.StandardMode = 0;
  LoadKeyMapsFactory();
  ReadMaps(sets.Novice);
  return sets;
}

TDocText CommandReferenceMarkdown(const TFactoryKeySets& keys) {
  TDocText doc;
  std::ostringstream out;
  out << kCmdRefIntro;
  CommandKeysSection(out, keys.Standard);
  for (const TKeyMapBlock& block : KeyMapBlocks()) {
    out << "## " << ModeTitle(block.Mode) << "\n\n";
    FnTable(out, block.Mode, keys, doc.Missing);
  }
  HotkeyTable(out, keys);
  KeyModesSection(out);
  doc.Markdown = out.str();
  return doc;
}

}  // namespace vel
