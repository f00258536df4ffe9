#include "mainwindow/UsageReport.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"

namespace vel {

namespace {

constexpr int32_t kEventsWidth = 4;  // digits of the pool size

std::string FifoFigures(const char* name, const TUsageInput::TFifo& f) {
  return std::string(name) + " " + std::to_string(f.Count) + "/" + std::to_string(f.Peak) + "/1000";
}

template <typename F>
TUsageInput::TFifo FifoOf(F& fifo) {
  FifoLock lock;
  if (!LockFifo(fifo.Mutex, lock)) return {};
  return {fifo.Count, fifo.HighWater};
}

}  // namespace

std::vector<std::string> UsageReportLines(const TUsageInput& in) {
  std::vector<std::string> lines;
  const int32_t last = in.MaxActiveSeqs < kSeqs - 1 ? in.MaxActiveSeqs : kSeqs - 1;
  const int32_t seqWidth = int32_t(std::to_string(in.MaxActiveSeqs).size());
  std::string line;
  int32_t onLine = 0;
  bool any = false;
  for (int32_t s = 0; s <= last; ++s)
    for (int32_t p = 0; p < kParts; ++p) {
      const TUsageInput::TPart& part = in.Parts[s][p];
      if (part.Peak < 0) continue;
      if (!any) lines.push_back("Seq/Part usage, max " + std::to_string(kPoolSize) + ", curr/peak:-");
      any = true;
      const std::string entry = "S" + PadStr(std::to_string(s + 1), -seqWidth, '0') + " P" +
                                std::to_string(p + 1) + " " +
                                PadStr(std::to_string(part.Used), -kEventsWidth, ' ') + "/" +
                                PadStr(std::to_string(part.Peak + 1), -kEventsWidth, ' ');
      line += (onLine == 0 ? "" : ", ") + entry;
      if (++onLine == 4) {
        lines.push_back(line);
        line.clear();
        onLine = 0;
      }
    }
  if (onLine > 0) lines.push_back(line);
  lines.push_back("Fifos curr/peak/max: " + FifoFigures("Live", in.Live) + ", " + FifoFigures("Raw", in.Raw) +
                  ", " + FifoFigures("Diag", in.Diag));
  lines.push_back("Warnings " + std::to_string(in.Warnings) + ", errors " + std::to_string(in.Errors));
  return lines;
}

TUsageInput TakeUsageFigures() {
  TUsageInput in;
  {
    std::lock_guard lock(EngineLock);
    in.MaxActiveSeqs = Cfg.MaxActiveSeqs;
    for (int32_t s = 0; s < kSeqs; ++s)
      for (int32_t p = 0; p < kParts; ++p) {
        const TPartBuf& b = Seqs.PartBufs[p][s];
        in.Parts[s][p] = {b.EventsUsed, b.EventsPeak};
      }
  }
  in.Live = FifoOf(LiveFifo);
  in.Raw = FifoOf(RawFifo);
  in.Diag = FifoOf(DiagTraceFifo);
  in.Warnings = Msgs.WarningCount;
  in.Errors = Msgs.ErrorCount;
  return in;
}

}  // namespace vel
