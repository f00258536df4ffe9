#include "tools/VirtualKeyboard.h"

#include <algorithm>

namespace vel {

// ---- geometry ----

TKeyHeights BuildKeyHeights(int32_t labelHeight, int32_t keySize, int32_t panelHeight,
                            int32_t captionHeight) {
  TKeyHeights h;
  h.LabelHeight = labelHeight;
  h.LabelRowHeight = labelHeight + 2;
  h.KeyTop = h.LabelRowTop + h.LabelRowHeight - 2;
  h.KeySize = keySize;
  h.LabelsHeight = labelHeight + 8;
  h.KeysHeight = h.KeyTop + keySize;
  // The panels sit 2 pixels below the keys; the buttons' height holds them whole.
  h.ButtonsHeight = h.KeysHeight + 2 + panelHeight;
  h.HelpHeight = h.ButtonsHeight + captionHeight + 2;
  return h;
}

TSnappedHeight SnapHeight(const TKeyHeights& k, int32_t clientHeight) {
  int32_t h = clientHeight;
  if (h < k.LabelsHeight) {
    h = k.LabelsHeight;
  } else if (h > k.HelpHeight) {
    h = k.HelpHeight;
  } else if (h < k.KeysHeight) {
    // Dragging the edge a little below the labels opens the keys at once; dragging it up from the
    // keys closes them at once.
    if (h > k.KeyTop + k.KeySize / 2) {
      h = k.LabelsHeight;
    } else {
      h = h > k.LabelsHeight + 10 ? k.KeysHeight : k.LabelsHeight;
    }
  }
  return {h, h >= k.KeysHeight, h >= k.ButtonsHeight, h >= k.HelpHeight};
}

int32_t MinClientWidth(int32_t leftPanel, int32_t middlePanel, int32_t rightPanel) {
  return leftPanel + 8 + middlePanel + 4 + rightPanel + 4 + 24;
}

std::vector<TKeyBox> LayoutKeys(int32_t left, int32_t right, int32_t clientWidth) {
  std::vector<TKeyBox> boxes;
  int32_t n = right - left + 1;
  if (n < 1) return boxes;
  boxes.reserve(static_cast<std::size_t>(n));
  int32_t room = clientWidth - 8;
  for (int32_t k = left; k <= right; ++k) {
    TKeyBox b;
    b.BackWidth = room / n + (k == right ? 0 : 1);
    b.BackLeft = boxes.empty() ? 4 : boxes.back().BackLeft + boxes.back().BackWidth - 1;
    room -= b.BackWidth - 1;
    --n;
    b.KeyWidth = b.BackWidth * 7 / 8;
    b.KeyLeft = b.BackLeft + (b.BackWidth - b.KeyWidth) / 2;
    boxes.push_back(b);
  }
  return boxes;
}

int32_t WholeOctaves(int32_t left, int32_t right) {
  const int32_t n = right - left + 1;
  return n % 12 == 1 ? n / 12 : -1;
}

// ---- range ----

bool KeyRangeAllowed(int32_t left, int32_t right) {
  return left >= 0 && right <= 127 && right - left >= 11;
}

std::optional<TKeyRange> ApplyRangeOp(TKeyRange r, TRangeOp op) {
  using O = TRangeOp;
  auto to = [](bool ok, int32_t left, int32_t right) -> std::optional<TKeyRange> {
    if (!ok) return std::nullopt;
    return TKeyRange{left, right};
  };
  switch (op) {
    case O::StretchLeft:
      return to(r.Left > 0, r.Left - 1, r.Right);
    case O::ShrinkLeft:
      return to(r.Right - 11 > r.Left, r.Left + 1, r.Right);
    case O::StretchRight:
      return to(r.Right < 127, r.Left, r.Right + 1);
    case O::ShrinkRight:
      return to(r.Left + 11 < r.Right, r.Left, r.Right - 1);
    case O::PanUp:
      return to(r.Right < 127, r.Left + 1, r.Right + 1);
    case O::PanDown:
      return to(r.Left > 0, r.Left - 1, r.Right - 1);
    case O::OctaveUp:
      return to(r.Right + 12 <= 127, r.Left + 12, r.Right + 12);
    case O::OctaveDown:
      return to(r.Left - 12 >= 0, r.Left - 12, r.Right - 12);
    case O::ToTop:
      return to(r.Right < 127, r.Left + (127 - r.Right), 127);
    case O::ToBottom:
      return to(r.Left > 0, 0, r.Right - r.Left);
  }
  return std::nullopt;
}

std::optional<TKeyRange> ZoomOctaves(TKeyRange r, int32_t n) {
  if (n < 1 || n > 6 || r.Left + 12 * n > 127) return std::nullopt;
  return TKeyRange{r.Left, r.Left + 12 * n};
}

std::optional<TKeyRange> MoveKeyRange(TKeyRange r, int32_t keys) {
  if (!KeyRangeAllowed(r.Left + keys, r.Right + keys)) return std::nullopt;
  return TKeyRange{r.Left + keys, r.Right + keys};
}

TNavKey NavKey(uint8_t virtualKey, bool down, bool ctrl) {
  using O = TRangeOp;
  auto range = [down](O op) { return TNavKey{true, down ? TNavAction::Range : TNavAction::None, op}; };
  switch (virtualKey) {
    case kVkPageUp:
      return range(O::OctaveUp);
    case kVkPageDown:
      return range(O::OctaveDown);
    case kVkEnd:
      return range(O::ToTop);
    case kVkHome:
      return range(O::ToBottom);
    case kVkLeft:
    case kVkDown:
      return range(O::PanDown);
    case kVkUp:
    case kVkRight:
      return range(O::PanUp);
    case kVkInsert:
      return range(O::StretchRight);
    case kVkDelete:
      return range(O::ShrinkRight);
    case kVkF1:
      return {true, down && ctrl ? TNavAction::FocusMain : TNavAction::None};
    case kVkSlash:
      return {true, down ? TNavAction::Help : TNavAction::None};
    default:
      return {};
  }
}

TWheelZone WheelZoneAt(const TWheelColumns& c, int32_t x) {
  if (x >= c.LeftPanelLeft && x <= c.LeftPanelLeft + c.LeftPanelWidth) return TWheelZone::LeftEdge;
  const int32_t inMiddle = x - c.MiddlePanelLeft;
  if (inMiddle >= 0 && inMiddle <= c.MiddlePanelWidth && inMiddle >= c.PanLeft &&
      inMiddle <= c.PanLeft + c.PanWidth)
    return TWheelZone::Pan;
  return TWheelZone::RightEdge;
}

TRangeOp WheelOp(TWheelZone zone, bool forward) {
  switch (zone) {
    case TWheelZone::LeftEdge:
      return forward ? TRangeOp::StretchLeft : TRangeOp::ShrinkLeft;
    case TWheelZone::Pan:
      return forward ? TRangeOp::PanUp : TRangeOp::PanDown;
    case TWheelZone::RightEdge:
      break;
  }
  return forward ? TRangeOp::StretchRight : TRangeOp::ShrinkRight;
}

// ---- velocity ----

int32_t VelocityFromMouse(const TVelocityRule& rule, TKeyPart part, int32_t y) {
  if (!rule.PosnSensitive) return 127;
  // The whole label and key together is the scale; 127 is reached half way down it.
  const int32_t whole = std::max(1, rule.LabelRowHeight + rule.KeySize - 1);
  int32_t v = 1;
  if (part == TKeyPart::Label) {
    v = y * 254 / (rule.ShowKeys ? whole : std::max(1, rule.LabelRowHeight - 1));
  } else if (part == TKeyPart::Key) {
    v = (y + rule.LabelRowHeight) * 254 / whole;
  }
  return std::clamp(v, 1, 127);
}

// ---- placement ----

TRectI ToggleTemplateWidth(const TRectI& frame, int32_t screenWidth, const TRectI& mainFrame, bool docked,
                           int32_t compactWidth) {
  TRectI r = frame;
  if (frame.Width != screenWidth) {
    r.Left = 0;
    r.Width = screenWidth;
  } else if (mainFrame.Width != screenWidth) {
    r.Left = mainFrame.Left;
    r.Width = mainFrame.Width;
  } else {
    r.Width = docked ? compactWidth : screenWidth / 2;
    r.Left = (screenWidth - r.Width) / 2;
  }
  return r;
}

std::optional<TRectI> DockedFrame(const TRectI& frame, const TRectI& mainFrame, int32_t screenHeight) {
  if (screenHeight < mainFrame.Top + mainFrame.Height + frame.Height) return std::nullopt;
  return TRectI{mainFrame.Left, mainFrame.Top + mainFrame.Height, mainFrame.Width, frame.Height};
}

int32_t UndockedTop(int32_t top, int32_t screenHeight) {
  return screenHeight > top + 3 ? top + 3 : top;
}

// ---- animation ----

namespace {

// The level a released note loses per refresh.
int32_t LevelStep(int32_t vel, const TAnimateArgs& a) {
  if (!a.LiveMode) return 127;
  if (a.FullPedal) return 1;
  if (a.HalfPedal) return 2;
  int32_t periodMs = 200;
  switch (a.Decay) {
    case 1:
      return 127;
    case 2:
      periodMs = 100;
      break;
    case 4:
      periodMs = 500;
      break;
    default:
      break;
  }
  // A refresh slower than the period fades the note in one refresh's worth, not by a zero
  // division.
  const int32_t refreshes = std::max(1, periodMs / std::max(1, a.IntervalMs));
  return std::max(1, vel / refreshes);
}

int32_t Depression(int32_t level, const TAnimateArgs& a) {
  const int32_t scaled = a.KeySize * level / 127;
  int32_t d = 0;
  switch (a.AnimateSize) {
    case 2:
      d = scaled / 6;
      break;
    case 3:
      d = scaled / 4;
      break;
    case 4:
      d = scaled / 2;
      break;
    case 5:
      d = scaled;
      break;
    default:
      break;
  }
  // A key pushed further than its size less 8 would vanish under its label.
  return d > 0 ? std::min(d, std::max(0, a.KeySize - 8)) : 0;
}

}  // namespace

TKeyLight AnimateKey(TNoteAnim& r, const TAnimateArgs& a, bool& fading) {
  if (r.Level <= 0 && r.Tail <= 0) return {};
  if (r.Tail > 0) {
    r.Tail -= a.FullPedal ? 1 : a.HalfPedal ? 2 : std::max(1, a.IntervalMs);
    if (r.Tail <= 0) {
      r.Level = 0;
      return {};
    }
    r.Level = std::max(0, r.Level - LevelStep(r.Vel, a));
    if (r.Level > 0) fading = true;
  }
  if (r.Level <= 0) return {};
  TKeyLight light;
  light.Lit = true;
  light.Colour = a.LitColour;
  if (a.VelSensitive) {
    const uint32_t g = static_cast<uint32_t>(std::clamp(255 - 2 * r.Level, 0, 255));
    light.Colour = a.LitColour | (g * 65793u);
  }
  light.Depress = Depression(r.Level, a);
  return light;
}

bool AnimateKeys(std::array<TNoteAnim, 128>& table, int32_t left, int32_t right, const TAnimateArgs& a,
                 std::array<TKeyLight, 128>& lights) {
  bool fading = false;
  for (int32_t k = 0; k < kVkbdKeys; ++k) {
    // Keys outside the range fade too: else a note released there long ago would light up once
    // the range is moved over it.
    const auto i = static_cast<std::size_t>(k);
    const TKeyLight light = AnimateKey(table[i], a, fading);
    lights[i] = k >= left && k <= right ? light : TKeyLight{};
  }
  return fading;
}

// ---- range moves from another thread ----

bool TRangeMoves::Post(int32_t keys) {
  std::lock_guard lock(mutex_);
  if (count_ >= static_cast<int32_t>(moves_.size())) return false;
  moves_[static_cast<std::size_t>(count_++)] = keys;
  return true;
}

std::vector<int32_t> TRangeMoves::TakeAll() {
  std::lock_guard lock(mutex_);
  std::vector<int32_t> taken(moves_.begin(), moves_.begin() + count_);
  count_ = 0;
  return taken;
}

}  // namespace vel
