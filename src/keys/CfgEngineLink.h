#pragma once
// The settings file's road into the engine: fills the settings layer's copy of the part, live,
// program and port values before a save, and hands a full load's values to the engine after it.
// Start-up calls InstallCfgEngineLink once, before the first settings load.

namespace vel {

void InstallCfgEngineLink();

}  // namespace vel
