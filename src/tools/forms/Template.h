#pragma once
// The virtual keyboard ("template") window: a row of 12 to 128 keys whose two-line labels show what
// each key does in the current key mode, keys that play when clicked or glided over, computer keys
// that play and steer, keys that light and sink while the MIDI keyboard plays them, and buttons,
// keys and wheel that move, stretch, zoom, dock and widen the range. One widget draws the whole
// key row and hit-tests the pointer, so that a drag glides from key to key. GUI thread only; the
// one way in from another thread is MoveTemplateKeyRangeQueued.
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/MainInput.h"
#include "tools/VirtualKeyboard.h"

namespace Ui {
class frmTemplate;
}

namespace vel {

class TfrmMain;
class TfrmTemplate;

// What the key row shows of one key.
struct TKeyRowKey {
  QString Label;  // up to two lines
  QColor Font, Back, Key;
  bool Bold = false;
};

// The key row: lit strips, label backgrounds, labels, wells and keys, drawn in that order of
// layers, and the pointer's key and part.
class TKeyRowView : public QWidget {
 public:
  explicit TKeyRowView(TfrmTemplate& form);
  struct THit {
    int32_t Key = -1;
    TKeyPart Part = TKeyPart::None;
    int32_t Y = 0;  // from the top of the part hit
  };
  THit HitTest(QPoint p) const;
  // The rectangle of a shown key's part, for tests and the screenshots' pointer.
  QRect PartRect(int32_t key, TKeyPart part) const;
  // What an animation step repaints: the lit strips and the keys, not the labels.
  QRegion AnimatedRegion() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  TfrmTemplate& form_;
};

class TfrmTemplate : public QWidget, public TWindow {
  Q_OBJECT
 public:
  explicit TfrmTemplate(TfrmMain& main);
  ~TfrmTemplate() override;

  // The main window's "O&n, show" and its status refresh: caption, show, dock or first place
  // under the main window, stay on top.
  void ShowTemplateWindow();
  // "O&ff" and the close box.
  void CloseTemplateWindow();
  // The main window puts a docked window under itself.
  void PlaceUnderMain(int32_t left, int32_t top, int32_t width);
  void Settle();
  void ApplyStayOnTop();

  // The range: refused silently unless it keeps 12 keys within 0..127.
  void SetTemplateKeyRange(int32_t left, int32_t right);
  TKeyRange GetTemplateKeyRange() const;
  void ApplyRangeOp(TRangeOp op);
  void ZoomOctaves(int32_t n);
  // The moves posted from the key path's thread, applied here in order.
  void TakeRangeMoves();

  void BuildKeyGeometry();
  void FormResize();
  void RelayoutKeys();
  void SetKeyColours();
  void UpdateTemplateLabels();
  // A label set bold or plain to mark a state (the selected seqs in Command mode).
  void MarkLabel(int32_t key, bool bold);
  // One animation step from the live note table; the caller holds EngineLock.
  void AnimateKeysLocked(int32_t intervalMs);

  bool HandleNavKey(uint8_t virtualKey, bool down, bool ctrl);
  void ToggleTemplateWidth();
  // True when the requested state was reached.
  bool DockToMain(bool dock);

  // The mouse, as the key row reports it.
  void KeyMouseDownUp(const TKeyRowView::THit& hit, bool down);
  void KeyMouseMove(const TKeyRowView::THit& hit, bool leftHeld);
  void ReleaseMouseNote(bool leftHeld);
  void BackgroundPressed();

  void On(TTopic topic) override;

  int32_t MouseNote() const { return mouseNote_; }
  const TKeyHeights& Heights() const { return heights_; }
  bool Laid() const { return laidKeySize_ >= 0; }
  const std::array<TKeyRowKey, kVkbdKeys>& Keys() const { return keys_; }
  const std::array<TKeyLight, kVkbdKeys>& Lights() const { return lights_; }
  const std::vector<TKeyBox>& Boxes() const { return boxes_; }
  TKeyRowView* KeyRow() const { return row_; }
  int32_t WholeOctavesShown() const { return wholeOctaves_; }
  std::unique_ptr<Ui::frmTemplate> ui;

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool event(QEvent* e) override;

 private:
  friend class TKeyRowView;
  void WireButtons();
  void PlacePanels();
  void SendMouseNote(int32_t note, bool on, int32_t velocity);
  int32_t Velocity(const TKeyRowView::THit& hit) const;
  bool Docking() const;
  void KeepRangeDrawable();
  bool KeyEvent(QKeyEvent* e, bool down);

  TfrmMain& main_;
  TKeyRowView* row_ = nullptr;
  TKeyHeights heights_;
  int32_t laidKeySize_ = -1;
  std::array<TKeyRowKey, kVkbdKeys> keys_;
  std::array<TKeyLight, kVkbdKeys> lights_{};
  std::vector<TKeyBox> boxes_;  // the shown keys, left to right
  TKeyRange laidRange_{-1, -1};
  int32_t wholeOctaves_ = -1;
  int32_t mouseNote_ = -2;
  bool showKeys_ = true;
  bool resizing_ = false;
  bool placing_ = false;
  bool settling_ = false;  // first shown, the window manager not yet done placing it
  TQwertyKeys qwerty_;
  TRegistration registration_ = Windows().Register(*this);  // the last member: goes first
};

// Moves the shown range by keys from any thread (the key path's octave calibration): the move is
// queued and the window takes it on its own thread. Nothing happens without a window.
void MoveTemplateKeyRangeQueued(int32_t keys);

// Makes the window hidden with the main window and wires it to the main window's menus, status
// refresh and the key path's range hook.
std::unique_ptr<TfrmTemplate> WireTemplateWindow(TfrmMain& main);

}  // namespace vel
