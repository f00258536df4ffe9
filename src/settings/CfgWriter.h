#pragma once
// The settings writer: the full settings file or one subset, to the default file or a chosen one.
#include <array>
#include <cstdint>
#include <string>

#include "settings/CfgFile.h"

namespace vel {

// What one save writes beside the held settings.
struct TCfgSaveState {
  uint8_t Kind = CfgFull;
  int32_t KeyShift = 0;  // keys by which every key map is moved (the normalise answer)
  // Offsets and calibrate keys written for control inputs 1 and 2.
  std::array<int32_t, 2> SavedOctaveOffset{};
  std::array<int32_t, 2> SavedLiveCmdKey{36, 36};
};

// The state a save starts from: the held offsets and calibrate keys, no shift.
TCfgSaveState InitialSaveState(uint8_t kind);

// The normalise question's text for main offset m; empty when it is not asked (not a full save, m 0,
// or a calibrate key would move outside 0..127). aux2 receives input 2's saved offset when it can be
// adjusted.
std::string NormaliseQuestion(const TCfgSaveState& st, bool& auxAdjustable, int32_t& auxOffset);
// The answer Yes: the maps move by 12 x m, input 1 is written with offset 0, input 2 compensated.
void ApplyNormalise(TCfgSaveState& st);

// The whole file text for a save state (the engine's values as CfgEngine holds them).
std::string BuildCfgText(const TCfgSaveState& st);

// The section writers, each writing what its kind holds.
void WriteCfgHeader(TCfgText& out, uint8_t kind);
void WriteCfgGeneral(TCfgText& out);
void WriteCfgColours(TCfgText& out);
void WriteCfgPerformance(TCfgText& out, uint8_t kind);
void WriteCfgKeyMapsIntro(TCfgText& out, const TCfgSaveState& st);
void WriteDrumPatterns(TCfgText& out, uint8_t kind);
void WriteBassPatterns(TCfgText& out, uint8_t kind);

// Saves the settings (kind 0) or one subset. toDefault writes the default file without asking;
// otherwise the save dialog asks for a name. True when written or cancelled; false after a file
// error, which the user has been shown. The old file stays whole whatever fails.
bool SaveConfigFile(bool toDefault, uint8_t kind);
// The same to a given file name, without dialog (the default save and tests use it).
bool SaveConfigFileAs(const std::string& fileName, uint8_t kind, bool named);

}  // namespace vel
