#pragma once
// The engine lock. The timer thread, the MIDI-in worker and the GUI thread all touch the engine's
// data (part buffers, seq records, live settings, device tables); holding this one lock makes the
// engine single-threaded in effect.
//
// Rules:
// - Take it at the entry points only: the timer tick, each HandleMidiIn call (MIDI-in and GUI
//   threads), each GUI handler that changes engine data. Code below an entry point assumes it.
// - It is the outermost lock: the queue mutexes (MidiFifo.h) and the message texts are taken
//   inside it, never the other way round.
// - Never hold it while waiting for another thread (StopRunning's wait for the timer), nor
//   across a message box or any other dialog.
// - Displays copy what they draw while holding it and skip a refresh when it is busy.
// - It is recursive so that an entry point may call another (a GUI handler that runs
//   HandleMidiIn for the virtual keyboard).
//
// It knows its owner, so the rules can be checked where they apply: AssertHeld at the top of code
// that runs below an entry point, AssertNotHeld before a wait on another thread. Debug builds
// abort on a broken rule, naming the check and the function; release builds check nothing.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <source_location>
#include <thread>

namespace vel {

// Reports a failed AssertHeld (wantHeld) or AssertNotHeld on stderr and aborts.
[[noreturn]] void EngineLockCheckFailed(bool wantHeld, const std::source_location& where);

// A recursive mutex that knows its owner thread and depth. The owner is atomic, so any thread may
// ask whether it holds the lock; the depth is touched by the owner alone, under the mutex.
class TEngineLock {
 public:
  void lock() {
    if (HeldByMe()) {
      ++depth_;
      return;
    }
    mutex_.lock();
    Take();
  }
  bool try_lock() {
    if (HeldByMe()) {
      ++depth_;
      return true;
    }
    if (!mutex_.try_lock()) return false;
    Take();
    return true;
  }
  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

  // Only the calling thread ever stores its own id, and it clears it before letting go, so a
  // relaxed load cannot show it a stale claim of its own.
  bool HeldByMe() const { return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id(); }
  // How often the calling thread has taken the lock and not yet released it; 0 when another
  // thread holds it or none does.
  int32_t Depth() const { return HeldByMe() ? depth_ : 0; }

  void AssertHeld([[maybe_unused]] std::source_location where = std::source_location::current()) const {
#ifndef NDEBUG
    if (!HeldByMe()) EngineLockCheckFailed(true, where);
#endif
  }
  void AssertNotHeld([[maybe_unused]] std::source_location where = std::source_location::current()) const {
#ifndef NDEBUG
    if (HeldByMe()) EngineLockCheckFailed(false, where);
#endif
  }

 private:
  void Take() {
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth_ = 1;
  }

  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int32_t depth_ = 0;
};

inline TEngineLock EngineLock;

// Runs an operation on the engine's data under the lock: a window's one way to call an engine
// procedure that expects the lock held. GUI thread; the boxes and topics the operation raises are
// shown and delivered once the lock is let go (TUiAfterLock, base/UiHooks.h).
void RunEngineOp(void (*op)());

}  // namespace vel
