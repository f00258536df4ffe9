#include "keymapper/KeyMapperPrefill.h"

#include "base/General.h"
#include "keymaps/KeyMapsFactory.h"

namespace vel {

const std::array<TPrefillRow, KeyMapperRowCount>& PrefillRows() {
  static const std::array<TPrefillRow, KeyMapperRowCount> rows = {{
      {"Live", "live", "live mode keys", 162, 2, 0, "", LoadKeyMapFactoryLive},
      {"Cmd", "command", "command mode keys", 147, 1, 0, "", LoadKeyMapFactoryCmd},
      {"Rec", "record", "record mode keys", 207, 1, 47, "r", LoadKeyMapFactoryRec},
      {"SRec", "step record", "step record mode keys", 234, 1, 74, "sr", LoadKeyMapFactorySRec},
      {"RangeN", "digit", "digit keys", 44, 1, 0, "", LoadKeyMapFactoryNumN},
      {"TSigN", "time signature", "time signature keys", 68, 1, 0, "", LoadKeyMapFactoryTSigN},
      {"TShiftN", "time shift", "time shift keys", 77, 1, 0, "", LoadKeyMapFactoryTShiftN},
      {"QuantN", "quantise", "quantise time keys", 77, 1, 0, "", LoadKeyMapFactoryQuantN},
      {"FtsTypeN", "force-to-scale type", "force-to-scale type keys", 71, 1, 0, "",
       LoadKeyMapFactoryFtsTypeN},
      {"FtsRootN", "force-to-scale root", "force-to-scale root notes", 19, 1, 0, "",
       LoadKeyMapFactoryFtsRootN},
      {"Ftn", "force-to-notes", "force-to-notes notes", 19, 1, 0, "", LoadKeyMapFactoryFtn},
      {"PitchO", "pitch", "pitch keys", 112, 1, 0, "", LoadKeyMapFactoryPitchO},
      {"MetrN", "metr notes", "metronome notes", 140, 1, 0, "", LoadKeyMapFactoryMetrN},
      {"Hotkey", "hotkey", "hotkey mode keys", 162, 1, 0, "", LoadKeyMapFactoryHotkey},
  }};
  return rows;
}

uint8_t PrefillCode(const TPrefillRow& row, TPrefillFn fn) {
  return fn == TPrefillFn::Ignore ? row.IgnoreCode : fn == TPrefillFn::Play ? row.PlayCode : row.RecCode;
}

std::string PrefillLabel(const TPrefillRow& row, TPrefillFn fn) {
  return fn == TPrefillFn::Ignore ? " " : fn == TPrefillFn::Play ? "p" : row.RecLabel;
}

TPrefillRange PrefillRange(int32_t currentKey, int32_t octaveOffset, bool up) {
  const int32_t m = currentKey - 12 * octaveOffset;
  if (m < 0 || m > 127) return {0, -1, false};
  return up ? TPrefillRange{m, 127, true} : TPrefillRange{0, m, true};
}

std::string PrefillQuestion(int32_t from, int32_t to, const std::string& modeWord, bool standard,
                            bool& hintShown) {
  std::string text = from >= 0 ? "About to prefill " + modeWord + " mode from " + KeyNoToNote(from, false) +
                                     " to " + KeyNoToNote(to, false) + ", ok?"
                               : "About to reset " + modeWord + " mode to " +
                                     (standard ? "standard" : "novice") + " factory settings, ok?";
  if (!hintShown) {
    hintShown = true;
    text += "\r\n\r\n(you can toggle these warnings on/off using the button above the prefill buttons)";
  }
  return text;
}

std::string PrefillHint(const TPrefillRow& row, TPrefillFn fn) {
  const char* what = fn == TPrefillFn::Ignore ? "ignore"
                     : fn == TPrefillFn::Play ? "live play"
                     : row.RecCode == 47      ? "recordable"
                                              : "step-recordable";
  return std::string("Prefill ") + row.Subject + " with '" + what +
         "' function from current key to start/end depending on direction";
}

std::string FactoryHint(const TPrefillRow& row) {
  return std::string("Reset all ") + row.Subject + " to factory settings";
}

}  // namespace vel
