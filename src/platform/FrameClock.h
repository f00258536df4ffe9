#pragma once
// The frame clock of an audio server: time counted in the server's frames, so that a message due
// at a time goes out at exactly the frame that time means, and an input's frame gives back the
// time it was played. The server reports each cycle (its first frame and, on the system clock,
// when it began and when the next one will); between cycles the clock reads the system clock at
// the cycle's pace, on past its end for as long as a cycle may come late, then holds until the
// next cycle comes. Pure: the system
// clock is a function given to it, and the cycles are fed to it, so tests can run a server at
// any pace.
#include <atomic>
#include <cstdint>

#include "platform/Clock.h"

namespace vel::clock {

// Frames and ns at rate frames a second, exactly: a frame's time is rounded down to the ns, a
// time's frame to the nearest, so a frame's time gives the frame back. Any sign.
int64_t FramesToNs(int64_t frames, int64_t rate);
int64_t NsToFrames(int64_t ns, int64_t rate);

// One cycle of the server: its first frame (32 bits, wrapping), when it began and when the next
// one is to begin on the system clock, its frames and the rate.
struct TCycle {
  uint32_t frame = 0;
  int64_t startNs = 0;
  int64_t nextNs = 0;
  uint32_t period = 0;
  uint32_t rate = 0;
};

class TFrameClock final : public TClock {
 public:
  explicit TFrameClock(int64_t (*systemNs)());

  // The cycle the server is in, from the server's process callback (a second feeder meanwhile is
  // ignored, and so is a cycle fed twice). A cycle that does not follow the one before (a new
  // server, another rate, frames skipped or a cycle come late) steps the clock and is counted; a
  // new server's frames carry on from where the clock stood, so the clock never goes back and never
  // jumps ahead. Which it is, is judged by the frames against the system clock as the cycles are
  // fed: the server's own cycle times are filtered estimates that lag behind, and even run back,
  // for a while after its driver slipped.
  void OnCycle(const TCycle& c);
  // As OnCycle, for the cycle the server is in before the writer's first (a client not yet
  // active): the cycles it does not see until then are no step, and the clock runs on the system
  // clock until then rather than hold at the cycle's end.
  void Prime(const TCycle& c);
  // The server went away: the clock runs on the system clock from its last cycle until a new
  // server's first cycle. Counted as a step.
  void Lost();

  // The time of a frame of the cycle last fed (or near it, within 2^31 frames).
  int64_t FrameNs(uint32_t frame) const;
  // The frame a time falls on, to the nearest.
  uint32_t FrameAt(int64_t ns) const;
  // The time at a moment of the system clock; before the first cycle, the system clock itself.
  int64_t AtSystemNs(int64_t systemNs);

  int64_t NowNs() override { return AtSystemNs(system_()); }
  TTickTime Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs) override;
  uint64_t Steps() const override { return steps_.load(std::memory_order_relaxed); }

  // The cycle as readers see it (rate 0: none yet): its frame in 64 bits beside the server's 32, and the
  // anchor the 64-bit frames are counted from (a frame and its time), which moves only at a new server.
  struct TSnap {
    int64_t frame64 = 0;
    uint32_t frame32 = 0;
    int64_t startNs = 0;
    int64_t seenNs = 0;  // on the system clock, when the cycle was fed
    int64_t nextNs = 0;
    uint32_t period = 0;
    uint32_t rate = 0;
    int64_t anchorFrame = 0;
    int64_t anchorNs = 0;
    bool operator==(const TSnap&) const = default;
  };
  // The last cycle published in whole. Never waits for the writer: a reader on a real-time thread
  // may outrank the server's callback that feeds the clock, and would keep it off the processor.
  TSnap Snapshot() const;

  // Tests only, set before the threads that use the clock start: called by the writer in the
  // middle of filling a slot, so that a test can hold it there, and by a reader between reading a
  // slot and checking it, so that a test can publish cycles under it.
  using TSeam = void (*)(void* arg);
  void SetPublishSeam(TSeam seam, void* arg) {
    publishSeam_ = seam;
    publishSeamArg_ = arg;
  }
  void SetReadSeam(TSeam seam, void* arg) {
    readSeam_ = seam;
    readSeamArg_ = arg;
  }

 private:
  // One published cycle. seq is odd while the writer fills it; the fields are atomics so that a
  // reader racing the writer reads stale values, never torn ones, and tells by seq.
  struct TSlot {
    std::atomic<uint64_t> seq{0};
    std::atomic<int64_t> frame64{0}, startNs{0}, seenNs{0}, nextNs{0}, anchorFrame{0}, anchorNs{0};
    std::atomic<uint32_t> frame32{0}, period{0}, rate{0};
  };
  // A whole snapshot of slot, or false when the writer filled it meanwhile.
  bool ReadSlot(const TSlot& slot, TSnap& s) const;
  void Feed(const TCycle& c);
  void Publish(const TSnap& s);
  static int64_t TimeOf(const TSnap& s, int64_t frame64);
  // Where the clock stands at systemNs, read from s.
  static int64_t Reading(const TSnap& s, int64_t systemNs, bool lost);
  // ns, or the latest time already handed out when ns lies before it.
  int64_t NeverBack(int64_t ns);
  // True when c carries on from prev without a new anchor; counts a step where it does not
  // follow exactly.
  bool Follows(const TSnap& prev, const TCycle& c, int64_t seenNs, int32_t frames);

  int64_t (*system_)();
  // The writer fills the slot readers do not use and then makes it the current one, so a reader
  // finds the current slot whole even while the writer is held in the middle of a cycle; only a
  // writer that published twice during one read makes it read again.
  TSlot slots_[2];
  std::atomic<uint32_t> current_{0};
  // Told apart from a clock built later at the same address, for the readers' last snapshots.
  const uint64_t id_;
  TSeam publishSeam_ = nullptr;
  void* publishSeamArg_ = nullptr;
  TSeam readSeam_ = nullptr;
  void* readSeamArg_ = nullptr;
  std::atomic<bool> lost_{false};
  std::atomic<bool> primed_{false};
  std::atomic<bool> writing_{false};
  std::atomic<int64_t> latest_{kNone};
  std::atomic<uint64_t> steps_{0};
};

}  // namespace vel::clock
