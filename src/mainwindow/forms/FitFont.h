#pragma once
// A text that must show whole in a fixed room: the font made smaller until it fits.
#include <QFont>
#include <QString>
#include <cstdint>

namespace vel {

// font, or a smaller size of it (not below a smallest readable size) in which the widest line of
// text (lines split at '\n') is at most width pixels.
QFont FitFont(const QFont& font, const QString& text, int32_t width);

}  // namespace vel
