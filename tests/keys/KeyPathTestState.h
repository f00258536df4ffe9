#pragma once
// A running engine with the key path installed: every key map holds its ignore code until a test
// sets the keys it plays, key mode Live, both control inputs at octave offset 0, the key path's
// own state fresh. Keys go in through HandleMidiIn, as a MIDI device's would.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/EngineTestState.h"
#include "engine/MidiFifo.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "keys/KeyPath.h"
#include "keys/ResetAllState.h"
#include "platform/midi/ShortMsg.h"

namespace vel::test {

inline uint32_t NoteOn(int32_t note, int32_t vel = 100, int32_t chan = 0) {
  return midi::TShortMsg::Pack(0x90 | static_cast<uint32_t>(chan), static_cast<uint32_t>(note),
                               static_cast<uint32_t>(vel))
      .Raw;
}
inline uint32_t NoteOff(int32_t note, int32_t vel = 0, int32_t chan = 0) {
  return midi::TShortMsg::Pack(0x80 | static_cast<uint32_t>(chan), static_cast<uint32_t>(note),
                               static_cast<uint32_t>(vel))
      .Raw;
}
// The same key played on the on-screen keyboard.
inline uint32_t FromVKbd(uint32_t msg) {
  return msg | 1u << 24;
}

// Everything waiting in a queue, oldest first; the queue is left empty.
inline std::vector<uint32_t> TakeLiveFifo() {
  std::vector<uint32_t> out;
  while (const uint32_t m = ReadLiveFifo()) out.push_back(m);
  return out;
}
inline std::vector<uint32_t> TakeRawFifo() {
  std::vector<uint32_t> out;
  while (const uint32_t m = ReadRawFifo()) out.push_back(m);
  return out;
}

inline void ClearAllKeyMaps() {
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto type = static_cast<TModeType>(t);
    for (auto& code : KeyMapOf(type)) code.store(KeyModeInfo(type).IgnoreCode);
  }
}

class KeyPathTest : public EngineTest {
 protected:
  void ResetState() override { ResetAllState(); }
  void SetUp() override {
    EngineTest::SetUp();
    InstallKeyPath();
    ClearAllKeyMaps();
    Keys.KeyMode = TKeyMode::Live;
  }

  static void SetKey(TMapNo map, int key, uint8_t code) { KeyMaps.KeyFnTables[map][key].store(code); }
  // One key of control input `input` (0 main, 1 auxiliary), as the MIDI input path gets it.
  static void Key(uint32_t msg, int input = 0) { HandleMidiIn(input, msg, 0); }
  static void Press(int note, int input = 0) { Key(NoteOn(note), input); }
  static void Release(int note, int input = 0) { Key(NoteOff(note), input); }
  static TKeyMode Mode() { return Keys.KeyMode.load(); }
};

}  // namespace vel::test
