// The engine running headless over a private JACK server: run control opens a JACK input and
// output, starts running on the real multimedia timer, and a peer client plays the keyboard and
// the external clock and records what the engine sends back.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "e2e/JackServer.h"
#include "engine/EngineLock.h"
#include "engine/EngineTestState.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/RunTestState.h"
#include "engine/Transport.h"
#include "keys/KeyMode.h"
#include "keys/KeyModes.h"
#include "platform/midi/Midi.h"
#include "platform/midi/SpscRing.h"

namespace vel {
namespace {

using namespace std::chrono_literals;
using test::JackServer;
using Lines = std::vector<std::string>;

bool ServerAnswers() {
  jack_status_t st{};
  jack_client_t* c = jack_client_open("probe", JackNoStartServer, &st);
  if (!c) return false;
  jack_client_close(c);
  return true;
}

// The keyboard and the clock on one side, the synth on the other: a client "peer" whose output
// "out" plays what the test queues and whose input "in" records what reaches it.
class KeyboardPeer {
 public:
  static constexpr std::size_t kMaxEvents = 1024;
  static constexpr int kPerCycle = 64;

  ~KeyboardPeer() { Close(); }

  bool Open(std::string& why) {
    client_ =
        jack_client_open("peer", static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), nullptr);
    if (!client_) {
      why = "peer client could not connect";
      return false;
    }
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!in_ || !out_ || jack_set_process_callback(client_, &KeyboardPeer::Process, this) != 0 ||
        jack_activate(client_) != 0) {
      why = "peer ports could not be set up";
      return false;
    }
    return true;
  }

  void Close() {
    if (client_) jack_client_close(client_);
    client_ = nullptr;
  }

  // Test thread only: one producer.
  bool Queue(std::initializer_list<uint8_t> bytes) {
    const std::vector<uint8_t> m(bytes);
    return ring_.Push(m.data(), static_cast<uint32_t>(m.size()), 0);
  }

  std::size_t Count() const { return count_.load(std::memory_order_acquire); }
  bool WaitCount(std::size_t n) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Count() < n) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  // What arrived, as "90 3C 64".
  Lines Received() const {
    Lines out;
    const std::size_t n = Count();
    for (std::size_t i = 0; i < n; ++i) {
      std::string s;
      char b[4];
      for (uint32_t k = 0; k < events_[i].length; ++k) {
        std::snprintf(b, sizeof b, "%02X", events_[i].bytes[k]);
        if (!s.empty()) s += ' ';
        s += b;
      }
      out.push_back(s);
    }
    return out;
  }

 private:
  struct Event {
    uint32_t length = 0;
    std::array<uint8_t, 3> bytes{};
  };

  static int Process(jack_nframes_t nframes, void* arg) {
    auto* self = static_cast<KeyboardPeer*>(arg);
    void* in = jack_port_get_buffer(self->in_, nframes);
    const uint32_t n = jack_midi_get_event_count(in);
    for (uint32_t i = 0; i < n; ++i) {
      jack_midi_event_t ev;
      if (jack_midi_event_get(&ev, in, i) != 0) continue;
      const std::size_t c = self->count_.load(std::memory_order_relaxed);
      if (c == kMaxEvents) break;
      Event& e = self->events_[c];
      e.length = static_cast<uint32_t>(std::min<std::size_t>(ev.size, e.bytes.size()));
      std::memcpy(e.bytes.data(), ev.buffer, e.length);
      self->count_.store(c + 1, std::memory_order_release);
    }
    void* out = jack_port_get_buffer(self->out_, nframes);
    jack_midi_clear_buffer(out);
    for (int k = 0; k < kPerCycle; ++k) {
      std::array<uint8_t, 16> buf;
      midi::detail::SpscRing<1 << 14>::Header h;
      bool truncated = false;
      if (!self->ring_.Pop(buf.data(), buf.size(), h, truncated)) break;
      if (!truncated) jack_midi_event_write(out, static_cast<jack_nframes_t>(k * 2), buf.data(), h.length);
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  std::array<Event, kMaxEvents> events_{};
  std::atomic<std::size_t> count_{0};
  midi::detail::SpscRing<1 << 14> ring_;
};

// Stands in for the command executor, which the key path installs: Stop is the transport's
// StopSeqs, Play starts the selected stopped seqs from their first event.
void StandInCommand(uint8_t, uint32_t, uint8_t code) {
  if (code == kCmdStop) {
    StopSeqs();
    return;
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.Head < 0 || b.SeqState != ssStopped) continue;
    b.SeqState = ssPlaying;
    b.PlayEvIndex = b.Head;
    AdvanceSeqEvent(s, true, 0, 0);
  }
  ReturnToLiveMode();
}

int32_t FindDev(const std::array<TMidiDevRec, midi::kMaxDevs>& table, int32_t last, const std::string& name) {
  for (int32_t i = 0; i <= last; ++i)
    if (table[i].DevName == name) return i;
  return -1;
}

class RunControlE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!JackServer::Installed()) GTEST_SKIP() << "/usr/bin/jackd is missing (install jackd2)";
    test::ResetEngineState();
    test::ResetRunState();
    std::string why;
    ASSERT_TRUE(server_.Start(ServerAnswers, why)) << why;
    peer_ = std::make_unique<KeyboardPeer>();
    ASSERT_TRUE(peer_->Open(why)) << why;
    ASSERT_EQ(midi::SelectBackend(midi::Backend::Jack), midi::kOk);
    midi::Rescan();
    MidiInHooks.ExecCommand = &StandInCommand;
  }

  void TearDown() override {
    StopRunning();
    for (int32_t i = 0; i <= MidiInDevsLast; ++i) CloseInPort(i, MidiInDevs[i].PortNo, false);
    for (int32_t i = 0; i <= MidiOutDevsLast; ++i) CloseOutPort(i, MidiOutDevs[i].PortNo, false);
    midi::SelectBackend(midi::Backend::Loopback);
    peer_.reset();
    server_.Stop();
    test::ResetRunState();
    test::ResetEngineState();
    test::FactoryScalars();
    ProgState = psInitialising;
    TimerBusy = 0;
  }

  // The peer's output on input port 1, the peer's input on output port 1.
  void AllocatePeer() {
    LoadInDevNames();
    LoadOutDevList();
    const int32_t in = FindDev(MidiInDevs, MidiInDevsLast, "peer:out");
    const int32_t out = FindDev(MidiOutDevs, MidiOutDevsLast, "peer:in");
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    InPortDevIdx[0] = static_cast<int8_t>(in);
    InPortsAllocated = 0;
    PortDevIdx[0] = static_cast<int8_t>(out);
    OutPortsAllocated = 0;
    MidiOutDevs[out].ProgChangesEnabled = 0;
    LivePort = 0;
    ASSERT_TRUE(OpenInPort(in, 0));
    ASSERT_TRUE(OpenOutPort(out, 0));
  }

  void Clocks(int n) {
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(peer_->Queue({0xF8}));
      // A few per JACK period, as a clock at a fast tempo would come.
      if (i % 4 == 3) std::this_thread::sleep_for(1ms);
    }
  }

  // Waits for exactly n messages from the engine: n arrive, and no more follow.
  Lines ReceivedWhenSettled(std::size_t n) {
    EXPECT_TRUE(peer_->WaitCount(n)) << peer_->Count() << " of " << n;
    std::this_thread::sleep_for(60ms);
    return peer_->Received();
  }

  // Engine data as the MIDI-in thread left it.
  static int32_t Locked(const std::function<int32_t()>& read) {
    std::lock_guard lock(EngineLock);
    return read();
  }

  JackServer server_;
  std::unique_ptr<KeyboardPeer> peer_;
};

TEST_F(RunControlE2E, LiveControllerClockedPlaybackAndMidiStopStartOverJack) {
  AllocatePeer();
  ClocksSourceInternal = 0;
  ClocksExtPNo = 0;
  MidiInSyncExtEnabled = 1;
  LiveChan[0] = 2;
  {
    std::lock_guard lock(EngineLock);
    for (auto [time, msg] : {std::pair<int32_t, uint32_t>{0, 0x643C90}, {1920, 0x003C80}, {3840, 0xFF}})
      ASSERT_TRUE(InsertPartEvent(0, 0, msg, time, (msg & 0xE0) == 0x80));
  }
  ProgState = psConfig;
  StartRunning();
  ASSERT_EQ(ProgState, psRunning);
  ASSERT_EQ(TimerExists, 1);
  ASSERT_EQ(KeyMode, KeyModeLive);
  {
    std::lock_guard lock(EngineLock);
    TPartBuf& b = SeqBuf(0);
    b.SeqState = ssPlaying;
    b.PlayEvIndex = b.Head;
    AdvanceSeqEvent(0, true, 0, 0);
  }

  // A controller of the control input comes back on the live channel, through the timer.
  ASSERT_TRUE(peer_->Queue({0xB0, 0x07, 0x64}));
  Lines expected = {"B2 07 64"};
  EXPECT_EQ(ReceivedWhenSettled(expected.size()), expected);

  // 96 clocks: four cycles of a one-beat part and the first note of the fifth.
  Clocks(96);
  for (int i = 0; i < 4; ++i) {
    expected.push_back("90 3C 64");
    expected.push_back("80 3C 00");
  }
  expected.push_back("90 3C 64");
  EXPECT_EQ(ReceivedWhenSettled(expected.size()), expected);
  EXPECT_EQ(Locked([] { return ExtClockTicks; }), 96 * 160);

  // MIDI Stop: the seq plays to the end of its cycle and stops there.
  ASSERT_TRUE(peer_->Queue({0xFC}));
  Clocks(24);
  expected.push_back("80 3C 00");
  EXPECT_EQ(ReceivedWhenSettled(expected.size()), expected);
  EXPECT_EQ(Locked([] { return SeqBuf(0).SeqState; }), ssStopped);
  EXPECT_EQ(Locked([] { return SeqBuf(0).WasRunning; }), 1);

  // MIDI Start: the seq that was playing starts again from its first event.
  ASSERT_TRUE(peer_->Queue({0xFA}));
  Clocks(24);
  for (const char* m : {"90 3C 64", "80 3C 00", "90 3C 64"}) expected.push_back(m);
  EXPECT_EQ(ReceivedWhenSettled(expected.size()), expected);
  EXPECT_EQ(Locked([] { return SeqBuf(0).SeqState; }), ssPlaying);

  // The stop resets the live channel, then the seqs' channel.
  StopRunning();
  EXPECT_EQ(ProgState, psConfig);
  EXPECT_EQ(TimerExists, 0);
  for (const char* m : {"E2 00 40", "B2 01 00", "B2 07 64", "B2 0A 40", "B2 40 00", "B2 42 00", "B2 43 00",
                        "B2 79 00", "B2 7B 00", "E0 00 40", "B0 01 00", "B0 07 64", "B0 0A 40", "B0 40 00",
                        "B0 42 00", "B0 43 00", "B0 79 00", "B0 7B 00"})
    expected.push_back(m);
  EXPECT_EQ(ReceivedWhenSettled(expected.size()), expected);
  // The inputs stay open: a controller in Config waits in its queue for the next run.
  ASSERT_TRUE(peer_->Queue({0xB0, 0x0A, 0x20}));
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  for (;;) {
    {
      std::lock_guard lock(LiveFifo.Mutex);
      if (LiveFifo.Count == 1) break;
    }
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the controller did not arrive";
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(ReadLiveFifo(), 0x200AB0u);
}

}  // namespace
}  // namespace vel
