#include "base/EngineLock.h"

#include <cstdio>
#include <cstdlib>

#include "base/UiHooks.h"

namespace vel {

void EngineLockCheckFailed(bool wantHeld, const std::source_location& where) {
  // Plain stdio and abort: the failing thread may be the timer's, where nothing else is safe.
  std::fprintf(stderr, "EngineLock.%s failed in %s (%s:%u): this thread %s the engine lock\n",
               wantHeld ? "AssertHeld" : "AssertNotHeld", where.function_name(), where.file_name(),
               static_cast<unsigned>(where.line()), wantHeld ? "does not hold" : "holds");
  std::fflush(stderr);
  std::abort();
}

void RunEngineOp(void (*op)()) {
  const TUiAfterLock after;
  std::lock_guard lock(EngineLock);
  op();
}

}  // namespace vel
