#pragma once
// Puts every core module's state, queue and hook table back to how the program starts: the key
// path and files on top of the engine, settings, base and the platform's counters (the windows'
// own state is theirs). Tests start from it; call it without EngineLock, while no other thread
// runs system code.

namespace vel {

void ResetAllState();

}  // namespace vel
