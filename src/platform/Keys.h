#pragma once
// Synthesized key presses for hotkeys and finding a window by its title, on X11 (XTest and the
// window manager's EWMH properties). Without an X display (a plain Wayland session, a console)
// the layer reports itself unavailable and every call does nothing.
//
// Two connections to the display are opened on first use and kept: one for the strokes
// (SendKey, ActiveWindow, Activate; the timer thread), one for the window look-ups
// (FindWindowByTitle, ListTitledWindows; the GUI thread), so a look-up never holds up a stroke.
// Every call is thread-safe. X protocol errors and a lost display are caught here: they make a
// call fail, never end the process.
#include <cstdint>
#include <string>
#include <vector>

namespace vel::keys {

// An X window id; 0 is no window.
using WindowId = uint64_t;

// True when the stroke connection is open (opening it if need be) and the server has the XTEST
// extension. After a failure the same display is tried again at most once a second.
bool Available();

// Why Available() is false: "no X display" (DISPLAY unset or empty), "cannot open X display",
// "XTEST extension missing" or "X display connection lost"; "" while available.
const char* UnavailableReason();

// Presses (down) or releases a key given by its Windows virtual-key code, on whatever window
// has the keyboard focus. False for a code with no X key, a key missing from the keyboard map,
// or no display.
bool SendKey(uint8_t virtualKey, bool down);

// The keysym (an X11/keysym.h value) that SendKey presses for a virtual-key code, 0 when the
// code has none. Letters give the lower-case keysym: a virtual-key code names a key, not a
// character, and the key unshifted types the small letter.
uint32_t KeysymFor(uint8_t virtualKey);

// The top-level window whose title is exactly `title` (the window manager's client list, else
// the window tree when none runs), topmost first; 0 when none or no display.
WindowId FindWindowByTitle(const std::string& title);

// The window that has the keyboard: the window manager's active window, else the titled window
// that holds the input focus; 0 when none or no display.
WindowId ActiveWindow();

// Brings a window forward and gives it the keyboard focus. False when the window is gone, cannot
// take the focus now (for example it is minimised; a window manager is asked to restore it) or
// there is no display.
bool Activate(WindowId window);

struct TitledWindow {
  WindowId id = 0;
  std::string title;  // UTF-8
};

// The top-level windows that are shown and have a non-empty title, topmost first. With a window
// manager these are the windows it manages, minimised ones included.
std::vector<TitledWindow> ListTitledWindows();

// Closes both connections; the next call opens them again. For shutdown and tests.
void Close();

}  // namespace vel::keys
