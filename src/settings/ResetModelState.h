#pragma once
// Puts the settings, key maps and style stores, their hook tables and everything below them back
// to how the program starts (before any settings file or factory load). Only while no other thread
// runs system code.

namespace vel {

void ResetModelState();

}  // namespace vel
