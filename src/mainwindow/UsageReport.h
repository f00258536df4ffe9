#pragma once
// The usage report written to the diagnostics log when running stops: part pool use per seq and
// part, the queues' current and peak fill, the warning and error counts.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Sizes.h"

namespace vel {

struct TUsageInput {
  int32_t MaxActiveSeqs = kSeqs - 1;
  struct TPart {
    int32_t Used = 0;
    int32_t Peak = -1;  // below 0: not used since the peaks were reset
  };
  std::array<std::array<TPart, kParts>, kSeqs> Parts{};
  struct TFifo {
    int32_t Count = 0;
    int32_t Peak = 0;
  };
  TFifo Live, Raw, Diag;
  int32_t Warnings = 0;
  int32_t Errors = 0;
};

std::vector<std::string> UsageReportLines(const TUsageInput& in);

// The figures as they stand: the parts under EngineLock, each queue under its own mutex (a queue
// that cannot be had within 100 ms reports 0 and 0).
TUsageInput TakeUsageFigures();

}  // namespace vel
