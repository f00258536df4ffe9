#include "platform/FrameClock.h"

#include <algorithm>

namespace vel::clock {
namespace {

constexpr int64_t kNsPerS = 1000000000;
// Beyond a period, how late a cycle may begin before the frames are taken to have slipped
// behind the system clock (the clock reads on that far past a cycle's end), and how far ahead of
// it they may lie before they are taken for a new server's: a busy machine's late wake-up, not a
// fault.
constexpr int64_t kSlackNs = 2000000;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int64_t FramesToNs(int64_t frames, int64_t rate) {
  if (rate <= 0) return 0;
  const int64_t q = FloorDiv(frames, rate);
  const int64_t rem = frames - q * rate;
  return q * kNsPerS + rem * kNsPerS / rate;
}

int64_t NsToFrames(int64_t ns, int64_t rate) {
  const int64_t q = FloorDiv(ns, kNsPerS);
  const int64_t rem = ns - q * kNsPerS;
  return q * rate + (rem * rate + kNsPerS / 2) / kNsPerS;
}

namespace {

// How often a reader tries again when the writer filled its slot under it. Each miss means the
// writer published a whole cycle meanwhile, so a few tries are enough for any reader not held
// off the processor for cycles on end.
constexpr int kReadTries = 4;
std::atomic<uint64_t> gClockIds{0};

// The last snapshot this thread read whole, and of which clock: what a reader takes when every
// try missed, rather than wait for the writer.
struct TLastRead {
  uint64_t clock = 0;
  TFrameClock::TSnap snap;
};
thread_local TLastRead tLastRead;

}  // namespace

TFrameClock::TFrameClock(int64_t (*systemNs)())
    : system_(systemNs), id_(gClockIds.fetch_add(1, std::memory_order_relaxed) + 1) {}

bool TFrameClock::ReadSlot(const TSlot& slot, TSnap& s) const {
  const uint64_t before = slot.seq.load(std::memory_order_acquire);
  if ((before & 1) != 0) return false;
  s.frame64 = slot.frame64.load(std::memory_order_relaxed);
  s.frame32 = slot.frame32.load(std::memory_order_relaxed);
  s.startNs = slot.startNs.load(std::memory_order_relaxed);
  s.seenNs = slot.seenNs.load(std::memory_order_relaxed);
  s.nextNs = slot.nextNs.load(std::memory_order_relaxed);
  s.period = slot.period.load(std::memory_order_relaxed);
  s.rate = slot.rate.load(std::memory_order_relaxed);
  s.anchorFrame = slot.anchorFrame.load(std::memory_order_relaxed);
  s.anchorNs = slot.anchorNs.load(std::memory_order_relaxed);
  if (readSeam_) readSeam_(readSeamArg_);
  std::atomic_thread_fence(std::memory_order_acquire);
  return slot.seq.load(std::memory_order_relaxed) == before;
}

TFrameClock::TSnap TFrameClock::Snapshot() const {
  // A slot changes under a reader only once the writer has made the other one current, so every
  // miss means a whole cycle was published meanwhile: a reader never waits on a writer held in
  // the middle of a cycle, only goes round again behind one that keeps publishing.
  TSnap s;
  for (int i = 0;; ++i) {
    if (ReadSlot(slots_[current_.load(std::memory_order_acquire)], s)) {
      tLastRead = {id_, s};
      return s;
    }
    // Kept off the processor while the writer went round both slots, again and again: the last
    // whole snapshot this thread read. A thread that has none reads on.
    if (i + 1 >= kReadTries && tLastRead.clock == id_) return tLastRead.snap;
  }
}

void TFrameClock::Publish(const TSnap& s) {
  const uint32_t next = current_.load(std::memory_order_relaxed) ^ 1u;
  TSlot& slot = slots_[next];
  const uint64_t seq = slot.seq.load(std::memory_order_relaxed);
  slot.seq.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  slot.frame64.store(s.frame64, std::memory_order_relaxed);
  slot.frame32.store(s.frame32, std::memory_order_relaxed);
  slot.startNs.store(s.startNs, std::memory_order_relaxed);
  slot.seenNs.store(s.seenNs, std::memory_order_relaxed);
  if (publishSeam_) publishSeam_(publishSeamArg_);
  slot.nextNs.store(s.nextNs, std::memory_order_relaxed);
  slot.period.store(s.period, std::memory_order_relaxed);
  slot.rate.store(s.rate, std::memory_order_relaxed);
  slot.anchorFrame.store(s.anchorFrame, std::memory_order_relaxed);
  slot.anchorNs.store(s.anchorNs, std::memory_order_relaxed);
  slot.seq.store(seq + 2, std::memory_order_release);
  current_.store(next, std::memory_order_release);
}

int64_t TFrameClock::TimeOf(const TSnap& s, int64_t frame64) {
  return s.anchorNs + FramesToNs(frame64 - s.anchorFrame, s.rate);
}

int64_t TFrameClock::Reading(const TSnap& s, int64_t systemNs, bool lost) {
  const int64_t base = TimeOf(s, s.frame64);
  const int64_t into = std::max<int64_t>(systemNs - s.startNs, 0);
  if (lost) return base + into;
  const int64_t periodNs = FramesToNs(s.period, s.rate);
  const int64_t span = s.nextNs > s.startNs ? s.nextNs - s.startNs : periodNs;
  // At the pace the server reports, on past the cycle's end for as long as a cycle may come
  // late: a late wake-up of the server's thread neither stops the clock nor makes it jump when
  // the cycle comes. Beyond that it holds: the frames have slipped, and the clock keeps to them.
  const auto scaled = static_cast<__int128>(std::min(into, span + kSlackNs)) * periodNs / span;
  return base + static_cast<int64_t>(scaled);
}

int64_t TFrameClock::NeverBack(int64_t ns) {
  int64_t latest = latest_.load(std::memory_order_relaxed);
  while (ns > latest && !latest_.compare_exchange_weak(latest, ns, std::memory_order_relaxed)) {
  }
  return std::max(ns, latest);
}

bool TFrameClock::Follows(const TSnap& prev, const TCycle& c, int64_t seenNs, int32_t frames) {
  if (c.rate != prev.rate || frames <= 0) return false;
  const int64_t since = seenNs - prev.seenNs;
  const int64_t framesNs = FramesToNs(frames, c.rate);
  const int64_t periodNs = FramesToNs(prev.period, c.rate);
  // More frames than the system clock allows since the cycle before: another server's. Allowed
  // is the time since its callback, or since its start when more: after callbacks held up, the
  // cycle that follows the xrun comes right behind the late one, with the frames it skipped.
  const int64_t sinceStart = std::min(c.startNs, seenNs) - prev.startNs;
  if (framesNs > std::max(since, sinceStart) + periodNs + kSlackNs) return false;
  // Frames skipped (an xrun), or the cycle came so late that the frames fell behind: the clock
  // follows the frames, and says it stepped.
  const bool unseen = primed_.exchange(false, std::memory_order_relaxed);
  if (!unseen && (static_cast<uint32_t>(frames) != prev.period || since > framesNs + periodNs + kSlackNs))
    steps_.fetch_add(1, std::memory_order_relaxed);
  return true;
}

void TFrameClock::OnCycle(const TCycle& c) {
  if (c.rate == 0 || c.period == 0) return;
  // Two clients of ours on one server (one closing as the next opens) feed the same cycles: one
  // writer at a time, and a cycle fed already is not fed again.
  if (writing_.exchange(true, std::memory_order_acquire)) return;
  Feed(c);
  writing_.store(false, std::memory_order_release);
}

void TFrameClock::Feed(const TCycle& c) {
  const TSnap prev = Snapshot();
  const bool lost = lost_.load(std::memory_order_acquire);
  const int64_t seen = system_();
  TSnap next;
  next.frame32 = c.frame;
  // A cycle cannot have begun after its callback runs, whatever the server's estimate says.
  next.startNs = std::min(c.startNs, seen);
  next.seenNs = seen;
  next.nextNs = c.nextNs;
  next.period = c.period;
  next.rate = c.rate;
  const auto frames = static_cast<int32_t>(c.frame - prev.frame32);
  if (prev.rate != 0 && !lost && frames == 0 && c.rate == prev.rate) return;
  if (prev.rate != 0 && !lost && Follows(prev, c, seen, frames)) {
    next.frame64 = prev.frame64 + frames;
    next.anchorFrame = prev.anchorFrame;
    next.anchorNs = prev.anchorNs;
  } else if (prev.rate == 0) {
    // The first cycle: the clock starts where the system clock stood at its start.
    next.frame64 = c.frame;
    next.anchorFrame = c.frame;
    next.anchorNs = next.startNs;
  } else {
    // A new server (or the old one's frames restarted): its frames carry on from where the clock
    // stood by the system clock at the cycle's start. Not at its callback, which may run well
    // after: every frame would then be placed that much early. A reading handed out already
    // beyond the start holds until the frames reach it (NeverBack), rather than move the frames.
    const int64_t at = next.startNs;
    next.frame64 = prev.frame64 + std::max<int64_t>(NsToFrames(at - TimeOf(prev, prev.frame64), c.rate), 1);
    next.anchorFrame = next.frame64;
    next.anchorNs = at;
    if (!lost) steps_.fetch_add(1, std::memory_order_relaxed);  // a loss was counted as it came
  }
  Publish(next);
  if (lost) lost_.store(false, std::memory_order_release);
}

void TFrameClock::Prime(const TCycle& c) {
  OnCycle(c);
  primed_.store(true, std::memory_order_relaxed);
}

void TFrameClock::Lost() {
  if (!lost_.exchange(true, std::memory_order_acq_rel)) steps_.fetch_add(1, std::memory_order_relaxed);
}

int64_t TFrameClock::FrameNs(uint32_t frame) const {
  const TSnap s = Snapshot();
  return TimeOf(s, s.frame64 + static_cast<int32_t>(frame - s.frame32));
}

uint32_t TFrameClock::FrameAt(int64_t ns) const {
  const TSnap s = Snapshot();
  const int64_t frame64 = s.anchorFrame + NsToFrames(ns - s.anchorNs, s.rate);
  return s.frame32 + static_cast<uint32_t>(frame64 - s.frame64);
}

int64_t TFrameClock::AtSystemNs(int64_t systemNs) {
  const TSnap s = Snapshot();
  if (s.rate == 0) return NeverBack(systemNs);
  // Primed and not yet fed by a callback of its own, the clock cannot hold at a cycle's end: a
  // client's activation takes cycles, and a held clock would lag the frames by as much.
  const bool unfed = lost_.load(std::memory_order_acquire) || primed_.load(std::memory_order_relaxed);
  return NeverBack(Reading(s, systemNs, unfed));
}

TTickTime TFrameClock::Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs) {
  const int64_t now = AtSystemNs(system_() - lateNs);
  if (lastNs == kNone) return {now, periodsNs};
  return {now, std::max<int64_t>(now - lastNs, 0)};
}

}  // namespace vel::clock
