#include "platform/RealTime.h"

#include <pthread.h>
#include <sched.h>

namespace vel::realtime {

bool SetThreadRealTime(int priority) {
  sched_param sp{};
  sp.sched_priority = priority > 0 ? priority : 0;
  return pthread_setschedparam(pthread_self(), priority > 0 ? SCHED_FIFO : SCHED_OTHER, &sp) == 0;
}

}  // namespace vel::realtime
