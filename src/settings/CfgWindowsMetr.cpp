#include "settings/CfgWindowsMetr.h"

#include <algorithm>
#include <array>

namespace vel {

std::vector<std::string> MetrSeqItems(int32_t maxActiveSeqs) {
  std::vector<std::string> items{"None"};
  for (int32_t s = 0; s <= maxActiveSeqs; ++s) items.push_back(std::to_string(s + 1));
  return items;
}

int32_t MetrSeqItemIndex(int32_t metrSeqNo, int32_t maxActiveSeqs) {
  if (metrSeqNo < 0) return 0;
  return metrSeqNo <= maxActiveSeqs ? metrSeqNo + 1 : -1;
}

bool MetrSeqControlsEnabled(int32_t itemIndex) {
  return itemIndex > 0;
}

namespace {

template <size_t N>
int32_t OwnOr(const std::array<int32_t, N>& own, int32_t value, int32_t otherwise) {
  return std::find(own.begin(), own.end(), value) != own.end() ? value : otherwise;
}

}  // namespace

int32_t MetrNoteLenFracButton(int32_t value) {
  return OwnOr(std::array<int32_t, 5>{2, 4, 16, 32, 64}, value, 8);
}

int32_t MetrNoteOnPercentButton(int32_t value) {
  return OwnOr(std::array<int32_t, 5>{5, 25, 50, 95, 99}, value, 75);
}

}  // namespace vel
