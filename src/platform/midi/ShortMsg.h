#pragma once
// A packed short message: status in the low byte, data 1 in bits 8..15, data 2 in bits 16..23.
// Every layer reads messages through these queries, so what counts as a note-on, a note-off or a
// hotkey is decided here and nowhere else.
#include <array>
#include <cstdint>

namespace vel::midi {

struct TShortMsg {
  uint32_t Raw = 0;

  static constexpr TShortMsg Pack(uint32_t status, uint32_t d1, uint32_t d2) {
    return {(status & 0xFF) | ((d1 & 0xFF) << 8) | ((d2 & 0xFF) << 16)};
  }

  constexpr uint8_t Status() const { return static_cast<uint8_t>(Raw); }
  constexpr uint8_t Data1() const { return static_cast<uint8_t>(Raw >> 8); }
  constexpr uint8_t Data2() const { return static_cast<uint8_t>(Raw >> 16); }
  // The bytes in the order they go out; the length comes from the status.
  constexpr std::array<uint8_t, 3> Bytes() const { return {Status(), Data1(), Data2()}; }
  // The status's high nibble: 0x8 note-off .. 0xE pitch bend, 0xF system.
  constexpr uint8_t Kind() const { return Status() >> 4; }
  constexpr uint8_t Channel() const { return Status() & 0x0F; }

  constexpr bool IsNote() const { return Kind() == 0x8 || Kind() == 0x9; }
  // Keyboards send a note-on of velocity 0 for a note-off, so it is one.
  constexpr bool IsNoteOn() const { return Kind() == 0x9 && Data2() > 0; }
  constexpr bool IsNoteOff() const { return IsNote() && !IsNoteOn(); }
  // Velocity 128, which no device can send, marks a note that stands for a hotkey stroke: 9n
  // presses the key, 8n lets it go.
  constexpr bool IsHotkey() const { return IsNote() && Data2() == 128; }
  constexpr bool IsController(uint8_t number) const { return Kind() == 0xB && Data1() == number; }
  constexpr bool IsProgChange() const { return Kind() == 0xC; }

  // The substitutions change their nibble only; every other bit stays as it was.
  constexpr TShortMsg WithKind(uint8_t kind) const {
    return {(Raw & 0xFFFFFF0Fu) | ((static_cast<uint32_t>(kind) & 0x0F) << 4)};
  }
  constexpr TShortMsg WithChannel(uint32_t c) const { return {(Raw & 0xFFFFFFF0u) | (c & 0x0F)}; }
};

}  // namespace vel::midi
