#pragma once
// The ranges of the plain-number settings: outside the first list a file's value is refused, the
// second list's values are moved to the nearest end. The reader enforces them, the configuration
// guide prints them and the settings windows offer them.
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/Sizes.h"
#include "settings/CfgLink.h"

namespace vel {

struct TCfgLimit {
  std::string_view Keyword;
  int32_t Lo, Hi;
};

// As the settings windows offer them; a file value outside is illegal.
inline constexpr TCfgLimit kCfgIllegalOutside[] = {
    {"TemplateChanNo", 1, 16},       {"MainInPortFilterChan", 0, 16},
    {"AuxInPortFilterChan", 0, 16},  {"MetrDrumChan", 1, 16},
    {"MetrBassChan", 1, 16},         {"MetrBassBarSVel", 0, 9},
    {"MetrBassBeatSVel", 0, 9},      {"MetrDrumBarSVel", 0, 9},
    {"MetrDrumBeatSVel", 0, 9},      {"ClocksExtPNo", 0, kPorts},
    {"MetrSeqNo", 0, kCfgSeqs},      {"RecStopSeqNo", 0, kCfgSeqs},
    {"BeatsPerBar", 1, 64},          {"MetrBars", 1, 4},
    {"TemplateLeftKeyNo", 0, 127},   {"TemplateRightKeyNo", 0, 127},
    {"MidiTimerInterval", 1, 100},   {"MidiTimerResolution", 1, 100},
    {"DspStatusInterval", 1, 10000}, {"DspMetrInterval", 1, 10000},
    {"DspDiagInterval", 1, 10000},
};
// Kept inside the range: a value beyond an end becomes that end.
inline constexpr TCfgLimit kCfgClampTo[] = {
    {"KinetraceStyle", 1, 2},      {"KinetraceSize", 1, 6},       {"KinetraceDecay", 1, 4},
    {"KinetraceTail", 1, 9},       {"KinetraceShape", 1, 4},      {"KinetracePosn", 1, 22},
    {"CCVolResetValue", 64, 127},  {"TemplateAnimateSize", 1, 5}, {"TemplateAnimateDecay", 1, 4},
    {"TempoSlewTime", 0, 1000000}, {"LnTempoStep", 1, 100},       {"LgTempoStep", 1, 100},
};

// A setting's limits by its keyword; none for a setting without.
struct TCfgRange {
  int32_t Lo, Hi;
  bool KeptInside;  // a value beyond an end becomes that end, else it is refused
};
constexpr std::optional<TCfgRange> CfgRangeOf(std::string_view keyword) {
  for (const TCfgLimit& l : kCfgIllegalOutside)
    if (l.Keyword == keyword) return TCfgRange{l.Lo, l.Hi, false};
  for (const TCfgLimit& l : kCfgClampTo)
    if (l.Keyword == keyword) return TCfgRange{l.Lo, l.Hi, true};
  return std::nullopt;
}

}  // namespace vel
