#pragma once
// The settings reader: a settings file, whole or one subset, back into the settings, the key maps
// and the style stores, with older files converted and a bad file falling back to factory settings.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/CfgFile.h"

namespace vel {

// The settings reader's state. GUI thread only.
struct TCfgFiles {
  // The settings file in use; empty when none (factory settings).
  std::string ConfigFileName;
  // The last LoadConfigFile ended in the file dialog's Cancel (nothing was changed).
  bool LastLoadCancelled = false;
  // Files whose load failed in this run and that no save has replaced since. They hold the user's
  // work, so the first save over one keeps a copy of it (SaveConfigFile).
  std::vector<std::string> RefusedFiles;
};
inline TCfgFiles CfgFiles;

// The bookkeeping of RefusedFiles; a file is the same whether named alike or by another path.
bool IsRefusedCfgFile(const std::string& fileName);
void NoteRefusedCfgFile(const std::string& fileName);
void ForgetRefusedCfgFile(const std::string& fileName);

// The main window's entry: factory settings, or the file (ConfigFileName, else a dialog) with the
// subset's factory settings as the fallback. Returns true; ok tells whether the file loaded.
bool LoadConfig(bool factory, bool autoRun, uint8_t kind, bool& ok);
// Reads the file and applies it; true when every section succeeded, or a subset load was cancelled.
bool LoadConfigFile(bool autoRun, uint8_t kind);
// The same from text already in memory (the file's bytes); fileName names it in messages.
bool LoadConfigText(std::string_view bytes, uint8_t kind, const std::string& fileName);

// One load's state, shared by the section readers.
struct TCfgLoad {
  std::string FileName;
  uint8_t Kind = 0;
  std::vector<TCfgEntry> Entries;
  std::unordered_map<std::string, std::size_t> Index;  // lower-case keyword -> first entry
  std::string Error;
  int32_t LineNo = 0;
  std::string Value;
  int32_t Version = 0;
  // Message boxes held back while the engine lock is held, shown in order afterwards.
  struct TBox {
    std::string Text;
    bool Warning;
  };
  std::vector<TBox> Boxes;

  // The value of a keyword ("" when missing, empty or "Unused"); the first entry wins.
  std::string GetCfgValue(std::string_view keyword);
  // Sets the illegal-value error for the value being converted (first error wins). False always.
  bool Illegal();
  bool IllegalKeyMap(const std::string& list);
};

// The section readers, each returning false with L.Error set.
bool CheckCfgVersion(TCfgLoad& L);
bool LoadCfgGeneral(TCfgLoad& L);
bool LoadCfgColours(TCfgLoad& L);
bool LoadCfgPerformance(TCfgLoad& L);
bool LoadCfgDrumChains(TCfgLoad& L);
bool LoadCfgBassChains(TCfgLoad& L);
bool LoadCfgKeyMaps(TCfgLoad& L);

// The entry pass over a file's text: entries up to the first "PatternSection". False with the
// invalid-entry error.
bool ReadCfgEntries(TCfgLoad& L, std::string_view text);

}  // namespace vel
