#pragma once
// The key mapper's grid: one column per key with its number, note name and fourteen mode cells,
// painted as one widget. Scrolling only changes the first key shown.
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "keymapper/KeyMapperView.h"

namespace vel {

class TKeyGrid : public QWidget {
 public:
  // What a press hits besides a mode row (0..13).
  static constexpr int32_t kHitColumn = -1;
  static constexpr int32_t kHitKeyNo = -2;
  static constexpr int32_t kHitNote = -3;
  static constexpr int32_t kKeyNoTop = 3;
  static constexpr int32_t kNoteTop = 21;
  static constexpr int32_t kCellHeight = 17;

  explicit TKeyGrid(QWidget* parent);

  // Called with the key and what was hit on any mouse press on a column.
  std::function<void(int32_t key, int32_t hit)> Pressed;

  void SetColWidth(int32_t w);
  void SetFirstKey(int32_t key);
  int32_t FirstKey() const { return firstKey_; }
  // Captions by screen row.
  void SetCaptions(const std::array<std::array<std::string, 128>, KeyMapperRowCount>& captions);
  void SetCaption(int32_t row, int32_t key, const std::string& caption);
  void SetMarks(const std::array<TKeyNoMark, 128>& marks, int32_t currentKey);
  void SetDsp(const TKeyMapperDsp& dsp);

  // The key and what lies at a point; key -1 past the last key.
  std::pair<int32_t, int32_t> HitAt(QPoint p) const;
  // A cell's place in the grid (row as HitAt gives it).
  QRect CellRect(int32_t key, int32_t row) const;
  const std::string& Caption(int32_t row, int32_t key) const {
    return captions_[std::size_t(row)][std::size_t(key)];
  }
  const TCellStyle& Style(int32_t row, int32_t key) const {
    return dsp_.Cells[std::size_t(row)][std::size_t(key)];
  }
  const TKeyNoMark& Mark(int32_t key) const { return marks_[std::size_t(key)]; }
  TColor KeyNoBack(int32_t key) const { return dsp_.KeyNoBack[std::size_t(key)]; }
  int32_t CurrentKey() const { return currentKey_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void PaintColumn(class QPainter& p, int32_t key, int32_t x);
  int32_t colWidth_ = 65;
  int32_t firstKey_ = 36;
  int32_t currentKey_ = 0;
  std::array<std::array<std::string, 128>, KeyMapperRowCount> captions_{};
  std::array<TKeyNoMark, 128> marks_{};
  TKeyMapperDsp dsp_;
};

}  // namespace vel
