#include "keymapper/forms/KeyGrid.h"

#include <QMouseEvent>
#include <QPainter>

#include "base/General.h"
#include "mainwindow/forms/Colours.h"

namespace vel {

TKeyGrid::TKeyGrid(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlKeyboard");
  for (auto& row : dsp_.Cells) row.fill(TCellStyle{});
  dsp_.KeyNoBack.fill(clBtnFace);
  marks_ = KeyNoMarks(0, true);
}

void TKeyGrid::SetColWidth(int32_t w) {
  colWidth_ = w;
  update();
}

void TKeyGrid::SetFirstKey(int32_t key) {
  firstKey_ = key;
  update();
}

void TKeyGrid::SetCaptions(const std::array<std::array<std::string, 128>, KeyMapperRowCount>& captions) {
  captions_ = captions;
  update();
}

void TKeyGrid::SetCaption(int32_t row, int32_t key, const std::string& caption) {
  captions_[std::size_t(row)][std::size_t(key)] = caption;
  update();
}

void TKeyGrid::SetMarks(const std::array<TKeyNoMark, 128>& marks, int32_t currentKey) {
  marks_ = marks;
  currentKey_ = currentKey;
  update();
}

void TKeyGrid::SetDsp(const TKeyMapperDsp& dsp) {
  dsp_ = dsp;
  update();
}

std::pair<int32_t, int32_t> TKeyGrid::HitAt(QPoint p) const {
  const int32_t key = p.x() < 0 ? -1 : firstKey_ + p.x() / colWidth_;
  if (key > 127) return {-1, kHitColumn};
  auto within = [&](int32_t top) { return p.y() >= top && p.y() <= top + kCellHeight; };
  if (within(kKeyNoTop)) return {key, kHitKeyNo};
  if (within(kNoteTop)) return {key, kHitNote};
  for (int32_t r = 0; r < KeyMapperRowCount; ++r)
    if (within(KeyMapperRowDefs()[std::size_t(r)].Top)) return {key, r};
  return {key, kHitColumn};
}

QRect TKeyGrid::CellRect(int32_t key, int32_t row) const {
  const int32_t top = row == kHitKeyNo  ? kKeyNoTop
                      : row == kHitNote ? kNoteTop
                                        : KeyMapperRowDefs()[std::size_t(row)].Top;
  return {(key - firstKey_) * colWidth_ + 3, top, colWidth_ - 6, kCellHeight};
}

void TKeyGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), ToQColor(clBtnFace, pal));
  for (int32_t k = firstKey_; k < 128; ++k) {
    const int32_t x = (k - firstKey_) * colWidth_;
    if (x >= width()) break;
    PaintColumn(p, k, x);
  }
}

void TKeyGrid::PaintColumn(QPainter& p, int32_t k, int32_t x) {
  const QPalette& pal = palette();
  const std::size_t kk = std::size_t(k);
  // The current key's column looks pressed in.
  const bool lowered = k == currentKey_;
  const QRect col(x, 0, colWidth_ - 1, height() - 1);
  p.setPen(lowered ? pal.color(QPalette::Dark) : pal.color(QPalette::Light));
  p.drawLine(col.topLeft(), col.topRight());
  p.drawLine(col.topLeft(), col.bottomLeft());
  p.setPen(lowered ? pal.color(QPalette::Light) : pal.color(QPalette::Dark));
  p.drawLine(col.bottomLeft(), col.bottomRight());
  p.drawLine(col.topRight(), col.bottomRight());

  QFont plain = font();
  QFont bold = font();
  bold.setBold(true);
  auto cell = [&](const QRect& r, TColor back, TColor fore, bool isBold, const std::string& text) {
    p.fillRect(r, ToQColor(back, pal));
    const QColor f = ToQColor(fore, pal);
    p.setPen(f.isValid() ? f : pal.color(QPalette::WindowText));
    p.setFont(isBold ? bold : plain);
    p.drawText(r, Qt::AlignCenter, QString::fromLatin1(text.data(), qsizetype(text.size())));
  };
  const TKeyNoMark& m = marks_[kk];
  cell(CellRect(k, kHitKeyNo), dsp_.KeyNoBack[kk], m.InRange ? clMaroon : clDefault, m.InRange, m.Caption);
  const bool white = (0xAB5u >> (k % 12)) & 1u;
  cell(CellRect(k, kHitNote), white ? 0x00FFFFFFu : 0u, white ? 0u : 0x00FFFFFFu, true, KeyNoToNote(k));
  for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
    const TCellStyle& s = dsp_.Cells[std::size_t(r)][kk];
    cell(CellRect(k, r), s.Back, s.Font, s.Bold, captions_[std::size_t(r)][kk]);
  }
}

void TKeyGrid::mousePressEvent(QMouseEvent* event) {
  const auto [key, hit] = HitAt(event->position().toPoint());
  // Right of the last key is the panel itself: the window takes that press.
  if (key < 0) return event->ignore();
  if (Pressed) Pressed(key, hit);
}

}  // namespace vel
