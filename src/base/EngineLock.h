#pragma once
// The engine lock. The timer thread, the MIDI-in worker and the GUI thread all touch the engine's
// data (part buffers, seq records, live settings, device tables); holding this one lock makes the
// engine single-threaded in effect.
//
// Rules:
// - Take it at the entry points only: the timer tick, each HandleMidiIn call (MIDI-in and GUI
//   threads), each GUI handler that changes engine data. Code below an entry point assumes it.
// - It is the outermost lock: the queue mutexes (MidiFifo.h) and the message texts are taken
//   inside it, never the other way round.
// - Never hold it while waiting for another thread (StopRunning's wait for the timer), nor
//   across a message box or any other dialog.
// - Displays copy what they draw while holding it and skip a refresh when it is busy.
// - It is recursive so that an entry point may call another (a GUI handler that runs
//   HandleMidiIn for the virtual keyboard).
#include <mutex>

namespace vel {

inline std::recursive_mutex EngineLock;

}  // namespace vel
