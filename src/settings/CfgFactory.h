#pragma once
// Factory settings: every setting, the colours, and the whole reset through the main window.

namespace vel {

// Every remembered folder becomes the user's profile folder.
void InitFolderDefaults();
// The system colours (keywords "ClSys...") as the desktop had them at start-up.
void LoadColoursSystem();
// Every colour setting, the note display's channel colours included.
void LoadColoursFactory();
// Every setting, in the fixed order: general, colours, display, virtual keyboard, timers, record
// and double press, ports, channel multiplier, parts and live output, programs, octave offsets,
// tempo, defaults and hotkeys, sync, time and quantise, metronome, styles, key maps, display link.
// StandardMode stays as it is.
void LoadConfigFactory();
// No settings file in use, and the main window's settings loader with the factory flag (or, without
// a main window, the factory settings themselves).
void ResetAllToFactory();

}  // namespace vel
