#pragma once
// The check of the settings after every load.
#include <optional>
#include <string>

namespace vel {

// One failing group: its title and its items, comma separated.
struct TConfigFault {
  std::string Title;
  std::string List;
};

// The first failing group of the settings in force, or nothing when they all pass. Resolves the
// key-map sentinels first (every key still holding one becomes "ignore"). Takes EngineLock.
std::optional<TConfigFault> FindConfigFault();

// True when the settings may be used. Otherwise the first failing group is reported in one
// error box (ReportConfigError) and later groups are not tested. Call without EngineLock held:
// the box must not keep the engine waiting.
bool ValidateConfig();

}  // namespace vel
