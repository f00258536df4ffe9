#include "files/DemoFiles.h"

namespace vel {

namespace {
// The images, authored by scripts/make-demo-files.py at build time.
#include "DemoFiles.inc"
}  // namespace

static_assert(std::size(kDemoImages) == kDemoFiles);

std::span<const uint8_t> DemoFile(int32_t index) {
  if (index < 0 || index >= kDemoFiles) return {};
  return kDemoImages[index];
}

}  // namespace vel
