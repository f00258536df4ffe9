#pragma once
// A rig for run-control and input-path tests: a clean engine in Config on the loopback backend,
// with every call that leaves the engine (windows, timer, sleeps, hooks) written to one journal in
// the order it happened. Diagnostic lines posted through the queue are taken into the journal
// before each entry, so they keep their place too.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/EngineTestState.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "platform/midi/Midi.h"

namespace vel::test {

// The loopback devices' clock: input time stamps and sent messages are stamped with it.
inline std::atomic<uint32_t> gRigClockMs{0};
inline uint32_t RigClock() {
  return gRigClockMs.load();
}

// What run-control tests add to a reset: the program in Config, not running, live on port 0.
inline void MakeEngineConfig() {
  MakeEngineRunning();
  RunCtl.ProgState = TProgState::Config;
  RunCtl.TimerBusy = 0;
}

// The play command as the key path's executor gives it: the selected stopped seqs start from their
// first event and the keys go back to Live.
inline void StandInPlay() {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    const TPartBuf& b = SeqBuf(s);
    if (b.Selected && b.Head >= 0 && b.SeqState == TSeqState::Stopped) StartSeq(s);
  }
  ReturnToLiveMode();
}

class RunRig : public ::testing::Test {
 protected:
  // Every module back to how the program starts, as far as the test's layer reaches.
  virtual void ResetState() { ResetEngineState(); }

  void SetUp() override {
    ResetState();
    MakeEngineConfig();
    ASSERT_EQ(midi::SelectBackend(midi::Backend::Loopback), midi::kOk);
    midi::Rescan();
    gRigClockMs = 0;
    midi::loopback::SetClock(&RigClock);
    midi::loopback::ClearSent();
    InstallRecorders();
  }

  void TearDown() override {
    ExpectNothingSoundingAfterStop();
    for (int32_t i = 0; i < midi::kMaxDevs; ++i) {
      if (RunCtl.MidiInDevs[i].Opened) midi::InClose(RunCtl.MidiInDevs[i].Handle);
      if (RunCtl.MidiOutDevs[i].Opened) midi::OutClose(RunCtl.MidiOutDevs[i].Handle);
    }
    if (RunCtl.TimerExists && realTimer_) mmtimer::KillEvent(RunCtl.MidiTimerId);
    if (RunCtl.PeriodBegun && realTimer_) mmtimer::EndPeriod(static_cast<uint32_t>(RunCtl.MidiTimerRes));
    ResetState();
  }

  // Journal entries: "log: text" (time of day cut), "post: text", "box: text", "pump", "cursor on",
  // "sleep 200", "timer: begin 1", "state 2", "dsp Status on 50", and what a test adds.
  void Note(const std::string& entry) {
    DrainPosts();
    journal.push_back(entry);
  }
  void DrainPosts() {
    std::string text;
    while (ReadDiagMsgsFifo(text)) journal.push_back("post: " + text);
  }
  std::vector<std::string> Journal() {
    DrainPosts();
    return journal;
  }
  // The entries from the first one equal to `from` on.
  std::vector<std::string> JournalFrom(const std::string& from) {
    const std::vector<std::string> all = Journal();
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i] == from) return std::vector<std::string>(all.begin() + static_cast<long>(i), all.end());
    return {};
  }

  // The recording timer: no thread, no callbacks; the test calls TimerProc itself.
  void InstallRecorders() {
    UiHooks& ui = Ui();
    ui.MessageBox = [this](const std::string& text, const std::string&, MsgKind, MsgButtons buttons) {
      Note("box: " + text);
      return FirstButtonAnswer(buttons);
    };
    ui.BusyCursor = [this](bool on) { Note(on ? "cursor on" : "cursor off"); };
    ui.ProcessEvents = [this] {
      Note("pump");
      if (onPump) onPump();
    };
    ui.AddLogLines = [this](const std::string& text) {
      // "hh:mm:ss " + text
      Note("log: " + (text.size() > 9 && text[2] == ':' && text[5] == ':' ? text.substr(9) : text));
    };
    // The closing events are noted where they fall among the other calls; the rest is raised.
    ui.Publish = [this](TTopic topic) {
      switch (topic) {
        case TTopic::InPortsClosed:
          return Note("in ports closed");
        case TTopic::OutPortsClosed:
          return Note("out ports closed");
        case TTopic::CriticalClose:
          return Note("critical close");
        case TTopic::ProgramEnding:
          return Note("program ending");
        default:
          return Topics.Raise(topic);
      }
    };

    TimerIo.GetDevCaps = [this](mmtimer::Caps& caps) {
      Note("timer: caps");
      caps = capsGiven;
      return capsResult;
    };
    TimerIo.BeginPeriod = [this](uint32_t ms) {
      Note("timer: begin " + std::to_string(ms));
      return beginResult;
    };
    TimerIo.EndPeriod = [this](uint32_t ms) {
      Note("timer: end " + std::to_string(ms));
      return mmtimer::kOk;
    };
    TimerIo.SetEvent = [this](uint32_t period, uint32_t res, mmtimer::TimerCallback cb, uintptr_t) {
      Note("timer: set " + std::to_string(period) + " " + std::to_string(res) +
           (cb == &TimerProc ? " TimerProc" : ""));
      if (onSetEvent) onSetEvent();
      return eventId;
    };
    TimerIo.KillEvent = [this](uint32_t id) {
      Note("timer: kill " + std::to_string(id));
      return mmtimer::kOk;
    };
    TimerIo.RealTimePriority = [this] { return realTimePriority; };
    TimerIo.Sleep = [this](int32_t ms) { Note("sleep " + std::to_string(ms)); };

    RunHooks.ApplyProgState = [this](TProgState state) {
      Note("state " + std::to_string(static_cast<int>(state)));
    };
    RunHooks.SetDspTimer = [this](TDspTimer t, bool on, int32_t ms) {
      static const char* names[] = {"Status", "Metr", "Diag"};
      Note(std::string("dsp ") + names[static_cast<int>(t)] + (on ? " on " + std::to_string(ms) : " off"));
    };
    RunHooks.TarloClose = [this] { Note("tarlo close"); };
    RunHooks.EndApplication = [this] { Note("end"); };
  }

  // The real multimedia timer and real sleeps.
  void UseRealTimer() {
    realTimer_ = true;
    TimerIo = TTimerIo{};
  }

  // Lists the loopback devices and allocates inputs 0..ins-1 and outputs 0..outs-1 to the devices
  // of the same number, opened.
  void Allocate(int ins, int outs) {
    LoadInDevNames();
    LoadOutDevList();
    for (int p = 0; p < ins; ++p) {
      RunCtl.InPortDevIdx[p] = static_cast<int8_t>(p);
      RunCtl.MidiInDevs[p].PortName = "In " + std::to_string(p + 1);
      ASSERT_TRUE(OpenInPort(p, p));
    }
    RunCtl.InPortsAllocated = static_cast<int8_t>(ins - 1);
    for (int p = 0; p < outs; ++p) {
      RunCtl.PortDevIdx[p] = static_cast<int8_t>(p);
      RunCtl.MidiOutDevs[p].PortName = "Out " + std::to_string(p + 1);
      // Program changes only where a test asks for them.
      RunCtl.MidiOutDevs[p].ProgChangesEnabled = 0;
      ASSERT_TRUE(OpenOutPort(p, p));
    }
    RunCtl.OutPortsAllocated = static_cast<int8_t>(outs - 1);
    RunCtl.LivePort = 0;
    DrainPosts();
    journal.clear();
    midi::loopback::ClearSent();
  }

  // What went out on an output device, as "B0 07 64".
  static std::vector<std::string> SentHex(int dev = 0) { return LoopbackSentHex(dev); }

  template <typename Fifo>
  static int32_t Count(Fifo& fifo) {
    std::lock_guard lock(fifo.Mutex);
    return fifo.Count;
  }

  std::vector<std::string> journal;
  std::function<void()> onPump;
  std::function<void()> onSetEvent;
  mmtimer::Caps capsGiven{1, 1000000};
  mmtimer::Result capsResult = mmtimer::kOk;
  mmtimer::Result beginResult = mmtimer::kOk;
  uint32_t eventId = 7;
  int realTimePriority = 5;  // 0: refused

 private:
  bool realTimer_ = false;
};

}  // namespace vel::test
