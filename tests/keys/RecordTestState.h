#pragma once
// A take from the keyboard: the key path on a running engine, the Record and Step record maps with
// a few keys each, seq 0 selected. Keys go in through HandleMidiIn at the engine clock (or at an
// input stamp a test gives); with the external clock a test sets the take's ticks directly.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/EngineLock.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyPathTestState.h"
#include "keys/RecordKeys.h"
#include "platform/midi/Midi.h"

namespace vel::test {

// The keys the tests play: 48..84 record notes, the rest one function each.
enum TRecTestKey : int {
  kEscKey = 20,
  kStopKey,
  kPlayKey,
  kPlay4Key,
  kPlayMute4Key,
  kMuteKey,
  kMute2Key,
  kMutePlay1Key,
  kOctIncKey,
  kOctDecKey,
  kAutoIncKey,
  kHotkeyAKey,
  kRestKey,
  kUndoKey,
  kLenIncKey,
  kLenDecKey,
  kGateIncKey,
  kGateDecKey,
  kLen4Key,
  kLen8Key,
  kLen1Key,
  kLen16Key,
  kGate50Key,
};

class RecordTest : public KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    for (int n = 48; n <= 84; ++n) {
      SetKey(MapRec, n, RecN);
      SetKey(MapSRec, n, SRecN);
    }
    const std::pair<int, uint8_t> rec[] = {
        {kEscKey, RecEsc},
        {kStopKey, RecStop},
        {kPlayKey, RecPlay},
        {kPlay4Key, RecPlay4},
        {kPlayMute4Key, RecPlayMute4},
        {kMuteKey, RecMute},
        {kMute2Key, RecMute2},
        {kMutePlay1Key, RecMutePlay1},
        {kOctIncKey, RecOctInc},
        {kOctDecKey, RecOctDec},
        {kAutoIncKey, RecAutoIncSeqTog},
        {kHotkeyAKey, RecHKA},
    };
    for (auto [key, code] : rec) SetKey(MapRec, key, code);
    const std::pair<int, uint8_t> srec[] = {
        {kEscKey, SRecEsc},
        {kStopKey, SRecStop},
        {kPlayKey, SRecPlay},
        {kRestKey, SRecNoteRest},
        {kUndoKey, SRecUndo},
        {kLenIncKey, SRecNoteLenFracInc},
        {kLenDecKey, SRecNoteLenFracDec},
        {kGateIncKey, SRecNoteOnPercentInc},
        {kGateDecKey, SRecNoteOnPercentDec},
        {kLen4Key, SRecNoteLenFrac4},
        {kLen8Key, SRecNoteLenFrac8},
        {kLen1Key, SRecNoteLenFrac1},
        {kLen16Key, SRecNoteLenFrac16},
        {kGate50Key, SRecNoteOnPercent50},
        {kOctIncKey, SRecOctInc},
    };
    for (auto [key, code] : srec) SetKey(MapSRec, key, code);
    SeqBuf(0).Selected = 1;
  }

  // Arms a take on the selected seqs, as the record commands do.
  static void Arm(bool step = false) {
    std::lock_guard lock(EngineLock);
    Transport.RecStepMode = step;
    StartRecord();
  }
  // Timer ticks up to engine ms.
  static void At(int32_t ms) {
    while (Transport.MsClock.load() < ms) Ticks(1);
  }
  // A key at the engine clock, or at a device's own time stamp.
  static void Hit(uint32_t msg, int input = 0) { HandleMidiIn(input, msg, Transport.MsClock.load()); }
  static void HitAt(uint32_t msg, int32_t stamp, int input = 0) { HandleMidiIn(input, msg, stamp); }
  static void Down(int note, int vel = 100) { Hit(NoteOn(note, vel)); }
  static void Up(int note) { Hit(NoteOff(note)); }
  // Input port 0 on device 0, whose messages come through the MIDI input callback.
  static void UseDevice() {
    RunCtl.InPortsAllocated = 0;
    RunCtl.MidiInDevs[0].PortNo = 0;
  }
  // A device's message handled now, stamped offNs after the last timer tick (before it when
  // negative), as the MIDI layer hands it over.
  static void DeviceKey(uint32_t msg, int64_t offNs) {
    const auto ms = static_cast<uint32_t>(Transport.MsClock.load());
    MidiInCallback(0, 0,
                   midi::InMessage{midi::InMsg::Data, msg, ms, nullptr, 0, Transport.TickPosNs + offNs});
  }
  // The due times of the notes sent on output device 0, in ns.
  static std::vector<int64_t> NoteDues() {
    std::vector<int64_t> out;
    for (std::size_t i = 0; i < midi::loopback::SentCount(0); ++i) {
      const midi::loopback::Sent m = midi::loopback::SentAt(0, i);
      if (m.bytes.size() == 3 && (m.bytes[0] & 0xE0) == 0x80) out.push_back(m.dueNs);
    }
    return out;
  }
  // Where a whole tick of the run falls on the clock at 120 BPM: 7.68 ticks a ms.
  static double TickNs(int64_t tick) { return static_cast<double>(tick) * 1e11 / 768000; }
  // With the external clock the take's ticks are the external tick count.
  static void ExtTicks(int32_t ticks) { MidiIn.ExtClockTicks = ticks; }

  // The seq's part as (time, "90 3C 64").
  static std::vector<std::pair<int32_t, std::string>> Events(int seq = 0) {
    std::vector<std::pair<int32_t, std::string>> out;
    const TPartBuf& b = SeqBuf(seq);
    for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) {
      const midi::TShortMsg m{b.Events[i].Msg};
      char text[12];
      std::snprintf(text, sizeof text, "%02X %02X %02X", m.Status(), m.Data1(), m.Data2());
      out.emplace_back(b.Events[i].Time, text);
    }
    return out;
  }
};

}  // namespace vel::test
