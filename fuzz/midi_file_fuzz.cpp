// libFuzzer target: LoadSeqsFromMidiFile's reader on arbitrary bytes, into all parts and into the
// selected ones. No input may crash, hang, or leave a part with more events than it holds; an
// input that loads nothing changes no part and no tempo.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "base/EngineLock.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/MidiFile.h"

using namespace vel;

namespace {

void CheckParts() {
  for (int p = 0; p < kParts; ++p)
    for (int s = 0; s < kSeqs; ++s) {
      const TPartBuf& b = Seqs.PartBufs[p][s];
      if (b.EventsUsed > kMaxPartEvents) std::abort();
      int32_t steps = 0, last = INT32_MIN;
      for (int i = b.Head; i >= 0; i = b.Events[i].Next) {
        if (i >= kPoolSize || ++steps > b.EventsUsed || b.Events[i].Time < last) std::abort();
        last = b.Events[i].Time;
      }
      if (steps != b.EventsUsed) std::abort();
    }
}

// Every part's events in list order, and the tempo.
struct TState {
  std::vector<std::pair<int32_t, uint32_t>> Events;
  int32_t Tempo = 0;
  bool operator==(const TState&) const = default;
};

TState Snapshot() {
  TState st;
  st.Tempo = Cfg.Tempo;
  for (int p = 0; p < kParts; ++p)
    for (int s = 0; s < kSeqs; ++s) {
      const TPartBuf& b = Seqs.PartBufs[p][s];
      int32_t steps = 0;
      for (int i = b.Head; i >= 0 && i < kPoolSize && steps++ < kPoolSize; i = b.Events[i].Next)
        st.Events.emplace_back(b.Events[i].Time, b.Events[i].Msg);
      st.Events.emplace_back(-1, 0);  // the end of a part
    }
  return st;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::lock_guard lock(EngineLock);
  RunCtl.ProgState = TProgState::Config;
  RunCtl.OutPortsAllocated = 2;
  const bool all = size == 0 || (data[size - 1] & 1) == 0;
  if (!all) SeqBuf(1).Selected = SeqBuf(3).Selected = 1;
  const TState before = Snapshot();
  const bool loaded = LoadSeqsFromMidiBytes(data, size, "fuzz.mid", false, all);
  CheckParts();
  if (!loaded && !(Snapshot() == before)) std::abort();
  return 0;
}
