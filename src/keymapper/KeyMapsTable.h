#pragma once
// The key-maps table: every mode's label for all 128 keys as text, one octave per block, in one
// of three formats. The table window shows format 0 and saves any of them.
#include <string>
#include <vector>

namespace vel {

// Format 0: blank-separated columns padded to 8 characters, with a header; 1: tab-separated;
// 2: comma-separated, a cell holding a comma or a double quote quoted. Returns the lines in
// order, without line ends; the window clears its memo and adds them one by one.
std::vector<std::string> ListKeyMapsTable(int format);

}  // namespace vel
