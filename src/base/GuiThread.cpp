#include "base/GuiThread.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vel {

namespace {
const std::thread::id GuiThread = std::this_thread::get_id();
}  // namespace

bool OnGuiThread() {
  return std::this_thread::get_id() == GuiThread;
}

void GuiThreadCheckFailed(const std::source_location& where) {
  std::fprintf(stderr, "AssertGuiThread failed in %s (%s:%u): this is not the windows' thread\n",
               where.function_name(), where.file_name(), static_cast<unsigned>(where.line()));
  std::fflush(stderr);
  std::abort();
}

}  // namespace vel
