#pragma once
// The fixed texts of the three reference windows: the virtual keyboard's shortcut help and the
// General MIDI program and drum lists. One entry a line; an empty entry is an empty line.
#include <string>
#include <vector>

namespace vel {

std::vector<std::string> QwertyHelpLines();
// 16 families of 8: heading, "n - name" lines, an empty line between families.
std::vector<std::string> GMProgramLines();
// Percussion notes 35..81 as note name, tab, drum name; then one empty line.
std::vector<std::string> GMDrumLines();

}  // namespace vel
