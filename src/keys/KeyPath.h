#pragma once
// Start-up of the key path: the engine's calls into it (key routing, the recording modes' other
// channel messages, the command executor, the force-to-notes completion) are pointed at the real
// procedures.
namespace vel {

void InstallKeyPath();

}  // namespace vel
