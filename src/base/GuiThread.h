#pragma once
// The thread that runs the windows: the one that starts the program. Static initialisation runs
// on it, and main() makes the event loop there, so no start-up call has to record it.
#include <source_location>

namespace vel {

bool OnGuiThread();

// Debug builds abort, naming the function, when the calling thread is not the windows' thread;
// release builds check nothing.
[[noreturn]] void GuiThreadCheckFailed(const std::source_location& where);
inline void AssertGuiThread([[maybe_unused]] std::source_location where = std::source_location::current()) {
#ifndef NDEBUG
  if (!OnGuiThread()) GuiThreadCheckFailed(where);
#endif
}

}  // namespace vel
