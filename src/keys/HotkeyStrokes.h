#pragma once
// The 157 computer-key strokes that the Live, Hotkey and recording maps offer, in the order of the
// maps' hotkey codes (stroke i is Live code LiveHotkeyBase + i, Hotkey code HotkeyHotkeyBase + i),
// and the LiveFifo events that press one. A hotkey event is a note message whose data 1 is the
// Windows virtual-key code and data 2 is 128, which no device sends.
#include <array>
#include <cstdint>

#include "keymaps/KeyTokens.h"
#include "platform/midi/ShortMsg.h"

namespace vel {

inline constexpr uint8_t kVkShift = 0xA0;  // left Shift
inline constexpr uint8_t kVkCtrl = 0xA2;   // left Ctrl
inline constexpr uint8_t kVkAlt = 0xA4;    // left Alt

// A stroke: up to two modifiers, outer first (0 none), and the key.
struct THotkeyStroke {
  uint8_t Mod1 = 0;
  uint8_t Mod2 = 0;
  uint8_t Key = 0;
};

namespace hotkeystrokes {

constexpr uint8_t kVkCR = 0x0D, kVkEsc = 0x1B, kVkLeft = 0x25, kVkRight = 0x27, kVkUp = 0x26, kVkDown = 0x28,
                  kVkPageUp = 0x21, kVkPageDown = 0x22, kVkTab = 0x09, kVkF1 = 0x70;

constexpr std::array<THotkeyStroke, HotkeyCount> Build() {
  std::array<THotkeyStroke, HotkeyCount> s{};
  int i = 0;
  auto add = [&](uint8_t mod1, uint8_t mod2, uint8_t key) { s[i++] = {mod1, mod2, key}; };
  for (uint8_t k :
       {kVkCR, kVkEsc, kVkLeft, kVkRight, kVkUp, kVkDown, kVkPageUp, kVkPageDown, uint8_t{0x6B},
        uint8_t{0x6D}, uint8_t{0x6A}, uint8_t{0x6F}, uint8_t{0x6E}, uint8_t{0x20}, uint8_t{0x08}, kVkTab})
    add(0, 0, k);
  for (int k = 'A'; k <= 'Z'; ++k) add(0, 0, static_cast<uint8_t>(k));
  for (int k = '0'; k <= '9'; ++k) add(0, 0, static_cast<uint8_t>(k));
  for (int n = 0; n < 12; ++n) add(0, 0, static_cast<uint8_t>(kVkF1 + n));
  for (uint8_t k : {kVkLeft, kVkRight, uint8_t{0x7A}, uint8_t{0x7B}}) add(kVkShift, 0, k);
  for (uint8_t k : {kVkEsc, kVkLeft, kVkRight, kVkUp, kVkDown, kVkPageUp, kVkPageDown, kVkTab})
    add(kVkCtrl, 0, k);
  for (int k = 'A'; k <= 'Z'; ++k) add(kVkCtrl, 0, static_cast<uint8_t>(k));
  for (int k = '0'; k <= '9'; ++k) add(kVkCtrl, 0, static_cast<uint8_t>(k));
  for (int n = 0; n < 12; ++n) add(kVkCtrl, 0, static_cast<uint8_t>(kVkF1 + n));
  for (uint8_t k : {kVkLeft, kVkRight, kVkTab, uint8_t{'B'}, uint8_t{'F'}}) add(kVkCtrl, kVkShift, k);
  for (int n = 5; n < 12; ++n) add(kVkCtrl, kVkShift, static_cast<uint8_t>(kVkF1 + n));
  for (uint8_t k : {kVkLeft, kVkRight, uint8_t{0x7A}, uint8_t{0x7B}}) add(kVkCtrl, kVkAlt, k);
  for (uint8_t k : {kVkCR, kVkLeft, kVkRight, kVkTab, uint8_t{'1'}, uint8_t{'2'}, uint8_t{'3'}, uint8_t{0x71},
                    uint8_t{0x72}, uint8_t{0x73}, uint8_t{0x7A}, uint8_t{0x7B}})
    add(kVkAlt, 0, k);
  for (uint8_t k : {kVkLeft, kVkRight, kVkTab, uint8_t{0x7A}, uint8_t{0x7B}}) add(kVkAlt, kVkShift, k);
  // One more or one fewer stroke would leave the codes of the maps off by one.
  if (i != HotkeyCount) throw "hotkey stroke count";
  return s;
}

}  // namespace hotkeystrokes

inline constexpr std::array<THotkeyStroke, HotkeyCount> HotkeyStrokes = hotkeystrokes::Build();

// A hotkey event: 9n presses the key, 8n lets it go.
constexpr uint32_t HotkeyEvent(uint8_t virtualKey, bool press) {
  return midi::TShortMsg::Pack(press ? 0x90 : 0x80, virtualKey, 128).Raw;
}

// The stroke's events in the order they are pressed: each modifier down, outer first, the key down
// and up, the modifiers up in reverse order. Returns the index of the last event: 1, 3 or 5.
constexpr int32_t HotkeyStrokeEvents(const THotkeyStroke& stroke, std::array<uint32_t, 8>& events) {
  int32_t n = 0;
  if (stroke.Mod1) events[n++] = HotkeyEvent(stroke.Mod1, true);
  if (stroke.Mod2) events[n++] = HotkeyEvent(stroke.Mod2, true);
  events[n++] = HotkeyEvent(stroke.Key, true);
  events[n++] = HotkeyEvent(stroke.Key, false);
  if (stroke.Mod2) events[n++] = HotkeyEvent(stroke.Mod2, false);
  if (stroke.Mod1) events[n++] = HotkeyEvent(stroke.Mod1, false);
  return n - 1;
}

}  // namespace vel
