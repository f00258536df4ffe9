#include "mainwindow/forms/Colours.h"

#include <QWidget>

namespace vel {

const std::vector<TSysRole>& SysColourRoles() {
  static const std::vector<TSysRole> roles = {
      {5, QPalette::Base},
      {8, QPalette::Text},
      {8, QPalette::WindowText},
      {13, QPalette::Highlight},
      {14, QPalette::HighlightedText},
      {15, QPalette::Window},
      {15, QPalette::Button},
      {16, QPalette::Dark},
      {17, QPalette::PlaceholderText},
      {18, QPalette::ButtonText},
      {20, QPalette::Light},
      {21, QPalette::Shadow},
      {22, QPalette::Midlight},
      {23, QPalette::ToolTipText},
      {24, QPalette::ToolTipBase},
      {26, QPalette::Link},
  };
  return roles;
}

QColor ToQColor(TColor colour, const QPalette& sys) {
  if (colour == clDefault) return {};
  if (IsSysColour(colour)) {
    const uint32_t element = colour & 0x00FFFFFFu;
    for (const TSysRole& r : SysColourRoles())
      if (r.Element == element) return sys.color(QPalette::Active, r.Role);
    // No role of its own: menu and caption texts (7, 9, 19) take the window text, so that a
    // text never takes its background's colour; the face colour stands in for the rest, as most
    // of them are frame shades.
    const bool text = element == 7 || element == 9 || element == 19;
    return sys.color(QPalette::Active, text ? QPalette::WindowText : QPalette::Window);
  }
  return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

QPalette SysPaletteFromSettings(const QPalette& saved) {
  QPalette p = saved;
  for (const CfgColour& c : CfgColours) {
    if (c.Keyword.substr(0, 5) != "ClSys") continue;
    const TColor value = *c.Var;
    // Still the element itself: the desktop's own colour.
    if (value == c.Factory) continue;
    const QColor q = ToQColor(value, saved);
    if (!q.isValid()) continue;
    const uint32_t element = c.Factory & 0x00FFFFFFu;
    for (const TSysRole& r : SysColourRoles())
      if (r.Element == element) p.setColor(r.Role, q);
  }
  return p;
}

QPalette MenuBarPalette(const QPalette& sys) {
  QPalette p = sys;
  auto own = [&](TColor value, TColor element, QPalette::ColorRole role) {
    if (value == element) return;  // the desktop's own
    const QColor q = ToQColor(value, sys);
    if (q.isValid()) p.setColor(role, q);
  };
  own(Cfg.ClSysBgMenuBar, SysColour(4), QPalette::Window);
  own(Cfg.ClSysFgMenuBar, SysColour(7), QPalette::ButtonText);
  return p;
}

void SetBgColour(QWidget* w, const QColor& colour) {
  if (!w || !colour.isValid()) return;
  if (w->autoFillBackground() && w->palette().color(w->backgroundRole()) == colour) return;
  QPalette p = w->palette();
  p.setColor(w->backgroundRole(), colour);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void SetFgColour(QWidget* w, const QColor& colour) {
  if (!w || !colour.isValid()) return;
  const QPalette::ColorRole role = w->foregroundRole();
  if (w->palette().color(QPalette::Active, role) == colour &&
      w->palette().color(QPalette::Inactive, role) == colour)
    return;
  // The disabled text keeps its grey: a coloured control that cannot be used must still look so.
  QPalette p = w->palette();
  p.setColor(QPalette::Active, role, colour);
  p.setColor(QPalette::Inactive, role, colour);
  w->setPalette(p);
}

}  // namespace vel
