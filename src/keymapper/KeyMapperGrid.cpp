#include "keymapper/KeyMapperGrid.h"

namespace vel {

std::array<std::array<std::string, 128>, KeyMapperRowCount> FillKeyMapperLabels() {
  std::array<std::array<std::string, 128>, KeyMapperRowCount> labels;
  for (int r = 0; r < KeyMapperRowCount; ++r)
    for (int k = 0; k < 128; ++k) labels[r][k] = KeyViewAt(KeyMapperRows[r], k).Label;
  return labels;
}

TKeyMapperGrid KeyMapperGridCells() {
  TKeyMapperGrid grid;
  for (int r = 0; r < KeyMapperRowCount; ++r)
    for (int k = 0; k < 128; ++k) grid[r][k] = KeyViewAt(KeyMapperRows[r], k);
  return grid;
}

}  // namespace vel
