#pragma once
// Colours at the window's edge: the settings keep TColor ($00BBGGRR, or a system colour), the
// widgets take QColor. A system colour resolves through the system colours in force.
#include <QColor>
#include <QPalette>
#include <cstdint>
#include <vector>

#include "settings/Settings.h"

namespace vel {

// An invalid QColor for clDefault: the control keeps its own colour.
QColor ToQColor(TColor colour, const QPalette& sys);

// The system colour elements that have a palette role here; the others are only stored.
struct TSysRole {
  uint32_t Element;
  QPalette::ColorRole Role;
};
const std::vector<TSysRole>& SysColourRoles();

// The saved palette with each system-colour setting that names a colour of its own applied to
// its role.
QPalette SysPaletteFromSettings(const QPalette& saved);

// The menu bar's colours, which have no role in the application palette: sys with the menu
// bar's face (Window) and text (ButtonText, as the style draws menu bar items) from their
// settings, where those name a colour of their own.
QPalette MenuBarPalette(const QPalette& sys);

// A widget's background, set only when it differs (no style sheets: a palette change repaints
// the one widget).
void SetBgColour(QWidget* w, const QColor& colour);
// A widget's text colour, likewise.
void SetFgColour(QWidget* w, const QColor& colour);

}  // namespace vel
