#pragma once
// The key mapper's prefill and factory buttons without the window: per row its codes, words and
// factory map, the stretch a prefill covers and the question it asks.
#include <array>
#include <cstdint>
#include <string>

#include "keymapper/KeyMapperGrid.h"

namespace vel {

enum class TPrefillFn : uint8_t { Ignore, Play, Rec };

struct TPrefillRow {
  const char* Name;      // the buttons' middle name: "Live" gives sbtnLiveIgnore .. sbtnLiveFactory
  const char* ModeWord;  // in the questions
  const char* Subject;   // in the hints
  uint8_t IgnoreCode;
  uint8_t PlayCode;
  uint8_t RecCode;       // 0: the row has no record button
  const char* RecLabel;  // "r" or "sr"
  void (*Factory)();
};
// Per screen row of the key mapper.
const std::array<TPrefillRow, KeyMapperRowCount>& PrefillRows();

// The code and label a button of a row sets.
uint8_t PrefillCode(const TPrefillRow& row, TPrefillFn fn);
std::string PrefillLabel(const TPrefillRow& row, TPrefillFn fn);

// The map entries a prefill covers from the current grid key: up to 127 or from 0; inMap false
// when the octave offset moves the key out of the maps.
struct TPrefillRange {
  int32_t From;
  int32_t To;
  bool InMap;
};
TPrefillRange PrefillRange(int32_t currentKey, int32_t octaveOffset, bool up);

// The question before a prefill (from >= 0) or a row's factory reset (from < 0). The first
// question of a run tells where the prompts are switched off; hintShown records that it did.
std::string PrefillQuestion(int32_t from, int32_t to, const std::string& modeWord, bool standard,
                            bool& hintShown);

// The buttons' hints.
std::string PrefillHint(const TPrefillRow& row, TPrefillFn fn);
std::string FactoryHint(const TPrefillRow& row);

}  // namespace vel
