#pragma once
// The program's start-up wiring of the core's hooks that no window answers: the toolkit's message
// boxes and events, the key path, the key-mode calls and the settings' links to the engine and the
// validation. The window registry fills the rest as the windows register.
namespace vel {

void InstallProgramHooks();

}  // namespace vel
