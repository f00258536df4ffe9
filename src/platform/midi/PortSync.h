#pragma once
// libjack hands each port buffer from one client's process callback to the next through futexes
// the thread sanitizer does not see. Marking where a callback takes a buffer and where it is done
// with it tells the sanitizer of that order, so that it checks our own code on the process
// thread instead of reporting JACK's hand-over as a race. In other builds they are nothing.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace vel::midi::detail {

inline void PortBufferTaken([[maybe_unused]] void* buf) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(buf);
#endif
}

inline void PortBufferDone([[maybe_unused]] void* buf) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(buf);
#endif
}

}  // namespace vel::midi::detail
