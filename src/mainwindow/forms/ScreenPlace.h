#pragma once
// Where a window opens and how its place is kept: a window opens at its saved place (centred where
// that place lies on no screen) and its place and size follow the user's moves into the settings.
#include <cstdint>
#include <functional>

class QWidget;

namespace vel {

void MoveToSavedPlace(QWidget* window, int32_t savedLeft, int32_t savedTop);

// A window's saved place in the settings; -1 is never placed. Width and height are left out by a
// window whose size is its own.
struct TSavedPlace {
  int32_t* Left;
  int32_t* Top;
  int32_t* Width = nullptr;
  int32_t* Height = nullptr;
};

// A hidden window takes its saved size, where one is saved, and place; a showing one stays put.
void RestoreSavedPlace(QWidget* window, const TSavedPlace& place);

// From now on the saved place follows the window's moves and resizes while it shows (a hidden
// window's geometry is Qt's, not the user's) and, where given, while keeping says so. Every
// window's place is kept this one way.
void KeepSavedPlace(QWidget* window, const TSavedPlace& place, std::function<bool()> keeping = {});

// The window's place and size saved as they are now, as its keeper would on a move and a resize;
// nothing for a window whose place is not kept.
void StoreSavedPlace(QWidget* window);

}  // namespace vel
