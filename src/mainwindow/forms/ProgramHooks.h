#pragma once
// The program's start-up wiring of the core's hooks that no window answers: the toolkit's message
// boxes and events, the key path, the key-mode calls and the settings' links to the engine and the
// validation. The window registry fills the rest as the windows register.
namespace vel {

void InstallProgramHooks();
// The part of it that leads the timer and MIDI-in threads to the windows through queues the GUI
// thread empties: the sample aid's tick, the record-bar count's end, the virtual keyboard's range
// move. Safe with no window yet: each queue waits for its window.
void InstallWindowQueues();

}  // namespace vel
