#pragma once
// A clean engine for play-cycle, timer and live-path tests: factory settings, empty parts, three
// loopback output devices on ports 0..2 (port p on device p) that stamp each message with the
// engine clock, the program Running, and helpers to read back what was sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/ResetEngineState.h"
#include "engine/RunControl.h"
#include "engine/SimFrameClock.h"
#include "engine/Sounding.h"
#include "engine/Transport.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace vel::test {

inline uint32_t EngineClock() {
  return static_cast<uint32_t>(Transport.MsClock.load());
}

// What engine tests add to a reset: no tracing, no metronome seq, no tempo slew, the program
// Running on port 0.
inline void MakeEngineRunning() {
  // A test traces only what it switches on.
  Trace.TraceNotes = Trace.TraceProgChanges = Trace.TraceHotkey = 0;
  Cfg.MetrSeqNo = -1;  // the metronome seq only where a test asks for it
  Cfg.TempoSlewTime = 0;
  RunCtl.ProgState = TProgState::Running;
  RunCtl.TimerBusy = 1;
  RunCtl.LivePort = 0;
}

// A message as the tests write it: "92 3C 64" and the callback (engine ms) it went out at.
struct SentMsg {
  uint32_t time;
  std::string hex;
  bool operator==(const SentMsg&) const = default;
};
inline void PrintTo(const SentMsg& m, std::ostream* os) {
  *os << "@" << m.time << " " << m.hex;
}

inline std::string Hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    if (!out.empty()) out += ' ';
    out += b;
  }
  return out;
}

// What went out on a loopback output device since the last ClearSent, with and without the time.
inline std::vector<SentMsg> LoopbackSent(int dev) {
  std::vector<SentMsg> out;
  for (std::size_t i = 0; i < midi::loopback::SentCount(dev); ++i) {
    const midi::loopback::Sent s = midi::loopback::SentAt(dev, i);
    out.push_back({s.timeMs, Hex(s.bytes)});
  }
  return out;
}
inline std::vector<std::string> LoopbackSentHex(int dev) {
  std::vector<std::string> out;
  for (const SentMsg& m : LoopbackSent(dev)) out.push_back(m.hex);
  return out;
}

// What a listener on each loopback output is left with ("1 pedal 2"), from all sent since the
// last ClearSent.
inline std::vector<std::string> LeftSoundingOnOutputs() {
  std::vector<std::vector<std::string>> sent;
  for (int d = 0; d < midi::loopback::kOutDevs; ++d) sent.push_back(LoopbackSentHex(d));
  return LeftSoundingOn(sent);
}

// After a stop of running every note and pedal sent on any output has been released.
inline void ExpectNothingSoundingAfterStop() {
  if (!RunCtl.StopRunningBusy) return;
  EXPECT_EQ(LeftSoundingOnOutputs(), std::vector<std::string>{}) << "after the stop";
}

// The nine messages that put a channel's controllers back, as "B2 07 64".
inline std::vector<std::string> ChannelResetHex(int chan) {
  std::vector<std::string> out;
  char b[12];
  std::snprintf(b, sizeof b, "E%X 00 40", chan);
  out.push_back(b);
  for (const char* cc : {"01 00", "07 64", "0A 40", "40 00", "42 00", "43 00", "79 00", "7B 00"}) {
    std::snprintf(b, sizeof b, "B%X %s", chan, cc);
    out.push_back(b);
  }
  return out;
}

// Lists of sent messages one after the other.
template <typename T = std::string>
std::vector<T> Join(std::initializer_list<std::vector<T>> parts) {
  std::vector<T> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Fills a part from (time, message) pairs.
inline void FillPart(int part, int seq, std::initializer_list<std::pair<int32_t, uint32_t>> events) {
  for (auto [time, msg] : events) ASSERT_TRUE(InsertPartEvent(part, seq, msg, time, (msg & 0xE0) == 0x80));
}

// Starts a seq's playing part from its head with its next tick, as the play command does.
inline void StartSeq(int seq, TSeqState state = TSeqState::Playing) {
  TPartBuf& b = SeqBuf(seq);
  b.SeqState = state;
  b.PlayEvIndex = b.Head;
  AdvanceSeqEvent(seq, true, 0, 0);
}

class EngineTest : public ::testing::Test {
 protected:
  // Every module back to how the program starts, as far as the test's layer reaches: fixtures
  // above the engine put in their layer's reset.
  virtual void ResetState() { ResetEngineState(); }

  void SetUp() override {
    if (TestsOnFrames()) {
      frames_ = std::make_unique<TSimFrameClock>();
      clock::Override(frames_.get());
    }
    ResetState();
    MakeEngineRunning();
    ASSERT_EQ(midi::SelectBackend(midi::Backend::Loopback), midi::kOk);
    midi::Rescan();
    midi::loopback::SetClock(&EngineClock);
    for (int d = 0; d < midi::loopback::kOutDevs; ++d) {
      ASSERT_EQ(midi::OutOpen(d, handles_[d]), midi::kOk);
      RunCtl.MidiOutDevs[d].Handle = handles_[d];
      RunCtl.MidiOutDevs[d].Opened = 1;
      // Program changes only where a test asks for them: every part's first cycle would send one.
      RunCtl.MidiOutDevs[d].ProgChangesEnabled = 0;
      RunCtl.PortDevIdx[d] = static_cast<int8_t>(d);
    }
    RunCtl.OutPortsAllocated = 2;
    midi::loopback::ClearSent();
  }
  void TearDown() override {
    ExpectNothingSoundingAfterStop();
    RunQueuedHotkeyStrokes();
    // The reset closes what run control's table holds open; a test may have changed the table.
    for (int d = 0; d < midi::loopback::kOutDevs; ++d) {
      midi::OutClose(handles_[d]);
      RunCtl.MidiOutDevs[d].Opened = 0;
    }
    ResetState();
    clock::Override(nullptr);
  }

  // What went out on a port's device since the last ClearSent.
  static std::vector<SentMsg> Sent(int dev = 0) { return LoopbackSent(dev); }
  static std::vector<std::string> SentHex(int dev = 0) { return LoopbackSentHex(dev); }
  static void ClearSent() { midi::loopback::ClearSent(); }

  // Timer callbacks, as the multimedia timer would make them.
  static void Ticks(int n) {
    for (int i = 0; i < n; ++i) TimerProc(1, 0);
  }

  static void Fill(int part, int seq, std::initializer_list<std::pair<int32_t, uint32_t>> events) {
    FillPart(part, seq, events);
  }
  static void Play(int seq, TSeqState state = TSeqState::Playing) { StartSeq(seq, state); }

  midi::Handle handles_[midi::loopback::kOutDevs] = {};
  // The frame clock the tests run on under VELLORINE_TEST_CLOCK=frames.
  std::unique_ptr<TSimFrameClock> frames_;
};

}  // namespace vel::test
