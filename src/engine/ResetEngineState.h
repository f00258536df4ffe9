#pragma once
// Puts the engine's module state, queues and hook tables, and every layer below, back to how the
// program starts: nothing running, empty parts and queues, no hooks installed, the hotkey sender
// stopped. Call it without EngineLock, while no other thread runs system code.

namespace vel {

void ResetEngineState();

}  // namespace vel
