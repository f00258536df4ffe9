#pragma once
// Puts the base layer's module state, its hook table and the platform's process-wide counters back
// to how the program starts. Call it only while no other thread runs system code (at start of a
// test); every layer above has its own piece that calls the one below it.

namespace vel {

void ResetBaseState();

}  // namespace vel
