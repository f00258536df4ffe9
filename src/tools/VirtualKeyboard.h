#pragma once
// The virtual keyboard's rules without the window: the vertical geometry and the heights the
// window snaps to, the key widths that fill the row, the velocity of a click, the operations on
// the shown key range with their refusals, the placement of the window against the main window,
// and one step of the key animation. The window (tools/forms/Template) draws what these say.
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/MidiIn.h"
#include "settings/Settings.h"

namespace vel {

inline constexpr int32_t kVkbdKeys = 128;

// ---- geometry ----

// The window's heights for one key length. The label row is the two-line label plus a pixel
// above and below; the keys start two pixels above its bottom, so the row's border covers them.
struct TKeyHeights {
  int32_t LabelHeight = 0;
  int32_t LabelRowHeight = 0;  // LabelHeight + 2
  int32_t LabelRowTop = 4;     // below the lit strips
  int32_t KeyTop = 0;
  int32_t KeySize = 0;
  int32_t LabelsHeight = 0;   // labels only
  int32_t KeysHeight = 0;     // labels and keys
  int32_t ButtonsHeight = 0;  // and the button panels
  int32_t HelpHeight = 0;     // and the captions under them
  bool operator==(const TKeyHeights&) const = default;
};
TKeyHeights BuildKeyHeights(int32_t labelHeight, int32_t keySize, int32_t panelHeight, int32_t captionHeight);

// What a client height shows once snapped: too small opens only the labels, too big is cut to
// the full height, and a height between the labels and the keys jumps to one of them.
struct TSnappedHeight {
  int32_t Height = 0;
  bool ShowKeys = false;
  bool ShowButtons = false;
  bool ShowHelp = false;
  bool operator==(const TSnappedHeight&) const = default;
};
TSnappedHeight SnapHeight(const TKeyHeights& h, int32_t clientHeight);

// The narrowest client width that still holds the three panels apart.
int32_t MinClientWidth(int32_t leftPanel, int32_t middlePanel, int32_t rightPanel);

// One shown key across the row: its label background (neighbours share a border pixel) and the
// key, 7/8 of it, centred.
struct TKeyBox {
  int32_t BackLeft = 0;
  int32_t BackWidth = 0;
  int32_t KeyLeft = 0;
  int32_t KeyWidth = 0;
  bool operator==(const TKeyBox&) const = default;
};
// The keys left..right across a client width, from 4 to width - 4 exactly: each width is taken
// from the room still left, so the remainder falls to the keys on the right. Empty when the range
// is empty.
std::vector<TKeyBox> LayoutKeys(int32_t left, int32_t right, int32_t clientWidth);

// The number of whole octaves the range spans when it runs from a note to the same note (13 keys
// for one), else -1.
int32_t WholeOctaves(int32_t left, int32_t right);

// ---- range ----

struct TKeyRange {
  int32_t Left = 36;
  int32_t Right = 72;
  bool operator==(const TKeyRange&) const = default;
};
// At least 12 keys within 0..127.
bool KeyRangeAllowed(int32_t left, int32_t right);

enum class TRangeOp : uint8_t {
  StretchLeft,
  ShrinkLeft,
  StretchRight,
  ShrinkRight,
  PanUp,
  PanDown,
  OctaveUp,
  OctaveDown,
  ToTop,
  ToBottom,
};
// The range after the operation, or nothing when its condition refuses it.
std::optional<TKeyRange> ApplyRangeOp(TKeyRange r, TRangeOp op);
// n octaves and one key from the left key, n 1..6; nothing when it would pass 127.
std::optional<TKeyRange> ZoomOctaves(TKeyRange r, int32_t n);
// The range moved by whole keys (an octave calibration), nothing when it would leave 0..127.
std::optional<TKeyRange> MoveKeyRange(TKeyRange r, int32_t keys);

// The Windows virtual-key codes the window steers with.
inline constexpr uint8_t kVkPageUp = 33, kVkPageDown = 34, kVkEnd = 35, kVkHome = 36, kVkLeft = 37,
                         kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkInsert = 45, kVkDelete = 46, kVkF1 = 112,
                         kVkSlash = 191;
// What a navigation key does on its press.
enum class TNavAction : uint8_t { None, Range, FocusMain, Help };
struct TNavKey {
  bool Consumed = false;  // the key is the window's, pressed or released
  TNavAction Action = TNavAction::None;
  TRangeOp Op = TRangeOp::PanUp;
  bool operator==(const TNavKey&) const = default;
};
TNavKey NavKey(uint8_t virtualKey, bool down, bool ctrl);

// Where a wheel turn acts, by the pointer's x alone.
enum class TWheelZone : uint8_t { LeftEdge, Pan, RightEdge };
struct TWheelColumns {
  int32_t LeftPanelLeft = 0, LeftPanelWidth = 0;
  int32_t MiddlePanelLeft = 0, MiddlePanelWidth = 0;
  int32_t PanLeft = 0, PanWidth = 0;  // the pan buttons, from the middle panel's left
};
TWheelZone WheelZoneAt(const TWheelColumns& c, int32_t x);
// The range operation of one wheel message: forward stretches or pans up.
TRangeOp WheelOp(TWheelZone zone, bool forward);

// ---- velocity ----

// The part of a key the pointer is on: the label (or its background) or the key (or its well).
enum class TKeyPart : uint8_t { None, Label, Key };
struct TVelocityRule {
  bool PosnSensitive = true;
  bool ShowKeys = true;
  int32_t LabelRowHeight = 0;
  int32_t KeySize = 0;
};
// 1..127: growing from the top of the label down the key, 127 from half way down the label and
// key together, near the key's top at the factory key size; y is the pointer from the top of the
// part hit.
int32_t VelocityFromMouse(const TVelocityRule& rule, TKeyPart part, int32_t y);

// ---- placement ----

struct TRectI {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TRectI&) const = default;
};
// The three widths in turn: the screen's, the main window's, then the compact one centred.
TRectI ToggleTemplateWidth(const TRectI& frame, int32_t screenWidth, const TRectI& mainFrame, bool docked,
                           int32_t compactWidth);
// Under the main window with its left and width; nothing when the screen has no room below it.
std::optional<TRectI> DockedFrame(const TRectI& frame, const TRectI& mainFrame, int32_t screenHeight);
// Undocking lets the window drop 3 pixels, so it is seen to come loose, when the screen has room.
int32_t UndockedTop(int32_t top, int32_t screenHeight);

// ---- animation ----

// One animation step's inputs, named: the pieces that call it order the pedals differently.
struct TAnimateArgs {
  int32_t IntervalMs = 50;  // the refresh period, not a measured time
  bool LiveMode = true;
  bool FullPedal = false;
  bool HalfPedal = false;
  int32_t Decay = 3;        // TemplateAnimateDecay 1..4
  int32_t AnimateSize = 4;  // TemplateAnimateSize: 1 off, 2..5 depression scale
  int32_t KeySize = 40;
  bool VelSensitive = true;
  TColor LitColour = 0x0000FF;
};
// How one key is drawn: lit with its colour, and pushed down by Depress pixels.
struct TKeyLight {
  bool Lit = false;
  TColor Colour = 0;
  int32_t Depress = 0;
  bool operator==(const TKeyLight&) const = default;
};
// Decays one note's record by one refresh and says how its key looks; fading is set while a
// released key is still lit, so the next refresh comes back to it.
TKeyLight AnimateKey(TNoteAnim& r, const TAnimateArgs& a, bool& fading);
// Every key of the table, drawn only left..right; true when one is still fading.
bool AnimateKeys(std::array<TNoteAnim, 128>& table, int32_t left, int32_t right, const TAnimateArgs& a,
                 std::array<TKeyLight, 128>& lights);

// ---- range moves from another thread ----

// Octave calibrations move the range from the key path's thread; the window owns the range and
// takes the moves on its own thread, in order. Post never blocks for long and never allocates.
class TRangeMoves {
 public:
  // False when the queue is full (a flood of calibrations; the earlier moves stand).
  bool Post(int32_t keys);
  // The moves posted since the last call, oldest first.
  std::vector<int32_t> TakeAll();

 private:
  std::mutex mutex_;
  std::array<int32_t, 32> moves_{};
  int32_t count_ = 0;
};

}  // namespace vel
