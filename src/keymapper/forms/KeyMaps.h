#pragma once
// The key-maps table window: every mode's label for all 128 keys as read-only text, saved in one of
// three layouts. It follows every key-map change while it shows.
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "mainwindow/WindowRegistry.h"

class QPlainTextEdit;
class QMenuBar;

namespace vel {

class TfrmKeyMaps : public QWidget, public TWindow {
 public:
  explicit TfrmKeyMaps(QWidget* parent);
  ~TfrmKeyMaps() override;

  void On(TTopic topic) override {
    if (isVisible() && topic == TTopic::KeyMaps) ListKeyMapsTable(0);
  }
  void Answer(TWindowCalls& calls) override;

  // Opens it with this title at its saved place, or brings it to the front.
  void Open(const std::string& title);
  // Rebuilds the text in this layout, all lines set at once.
  void ListKeyMapsTable(int32_t layout);
  // The save command of the three menu items.
  void SaveKeyMaps(int32_t layout);
  // The text shown, for the save and for tests.
  std::vector<std::string> Lines() const { return lines_; }

  QPlainTextEdit* memMaps = nullptr;
  QMenuBar* mnuKeyMaps = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::vector<std::string> lines_;
  TRegistration registration_;
};

}  // namespace vel
