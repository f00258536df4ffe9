#include "settings/CfgWindowsMChan.h"

#include <array>

namespace vel {

std::vector<std::string> MChanOffsetTexts() {
  std::vector<std::string> texts;
  for (int32_t v = kMChanOffsetHi; v >= kMChanOffsetLo; --v)
    texts.push_back(v > 0 ? "+" + std::to_string(v) : std::to_string(v));
  return texts;
}

int32_t MChanOffsetItem(int32_t offset) {
  if (offset < kMChanOffsetLo || offset > kMChanOffsetHi) return -1;
  return kMChanOffsetHi - offset;
}

int32_t MChanItemOffset(int32_t item) {
  return kMChanOffsetHi - item;
}

std::vector<int32_t> ZeroPreset(int32_t lo, int32_t hi) {
  if (hi < lo) return {};
  return std::vector<int32_t>(static_cast<size_t>(hi - lo + 1), 0);
}

std::vector<int32_t> PipesPreset(int32_t lo, int32_t hi) {
  static constexpr std::array<int32_t, 9> kDrawbars = {-12, 7, 0, 12, 19, 24, 28, 31, 36};
  std::vector<int32_t> out;
  for (int32_t c = lo; c <= hi; ++c) out.push_back(kDrawbars[static_cast<size_t>(c - lo) % kDrawbars.size()]);
  return out;
}

int32_t MChanComboColour(bool inRange, bool on) {
  if (!on) return -1;
  return inRange ? kMChanOnColour : 0xC0F0C0;
}

}  // namespace vel
