#pragma once
// The texts of the port lists: a port's item and its device's PortName read "P" + port number
// (1..9) + "- " + name, for example "P3- Synth"; the settings file stores the name alone.
#include <cstdint>
#include <string>

namespace vel {

// A device's default port name, at most 16 characters: a longer name keeps its head and its tail
// around "..", cut at blanks where that fits ("Soundcard XY Interface AB Synth" gives
// "Soundc..AB Synth").
std::string AbbrevDevName(const std::string& devName);
// The text from its 5th character when it begins with a port prefix ("P", a character, "- "),
// else the text unchanged.
std::string StripPortPrefix(const std::string& text);
// The port index 0..8 of an item that begins with "P1- " .. "P9- "; -1 for anything else.
int32_t PortIdxFromItem(const std::string& text);

}  // namespace vel
