#include "mainwindow/forms/FitFont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace vel {

QFont FitFont(const QFont& font, const QString& text, int32_t width) {
  // A smaller letter reads; a cut text ("cm", "in that mo") does not.
  constexpr int32_t kSmallest = 6;
  QFont f = font;
  for (int32_t px = QFontInfo(font).pixelSize(); px > kSmallest; --px) {
    const QFontMetrics m(f);
    int32_t widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, m.horizontalAdvance(line));
    if (widest <= width) break;
    f.setPixelSize(px - 1);
  }
  return f;
}

}  // namespace vel
