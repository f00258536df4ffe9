// The JACK backend against a real server: a private jackd per test and a peer client on libjack
// that plays the other end of every connection.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "e2e/JackPeer.h"
#include "e2e/JackServer.h"
#include "platform/Clock.h"
#include "platform/FrameClock.h"
#include "platform/midi/Midi.h"
#include "platform/midi/MidiBackend.h"

namespace vel::midi {
namespace {
// While set, the next connection our client asks for is first made by this other client, as a
// patchbay or session manager restoring connections does the moment our port appears.
std::atomic<jack_client_t*> gConnectsFirst{nullptr};
std::atomic<int> gFirstConnect{-1};  // what the other client's connect answered
}  // namespace
}  // namespace vel::midi

// Stands in for libjack's jack_connect in this program (the backend is linked in statically, so
// its calls come here), to put the other client's connection between our port's registration
// and our own connect on the real server.
extern "C" int jack_connect(jack_client_t* client, const char* source, const char* destination) {
  using Connect = int (*)(jack_client_t*, const char*, const char*);
  static const auto real = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "jack_connect"));
  jack_client_t* first = vel::midi::gConnectsFirst.load();
  if (first && first != client && vel::midi::gConnectsFirst.compare_exchange_strong(first, nullptr))
    vel::midi::gFirstConnect = real(first, source, destination);
  return real(client, source, destination);
}

namespace vel::midi {
namespace {

using namespace std::chrono_literals;
using test::InIndex;
using test::JackServer;
using test::OutIndex;
using test::Peer;
using test::ServerAnswers;
using test::WaitUntil;

// 36 characters: its full name "peer:" + this is cut to 31 in the device list.
constexpr const char* kLongPort = "an_output_port_with_a_very_long_name";
constexpr const char* kLongPortCut = "peer:an_output_port_with_a_very";

std::vector<uint8_t> SysEx(std::size_t length) {
  std::vector<uint8_t> v(length);
  v[0] = 0xF0;
  v[1] = 0x7D;  // non-commercial id
  for (std::size_t i = 2; i + 1 < length; ++i) v[i] = static_cast<uint8_t>((i * 7 + 3) & 0x7F);
  v[length - 1] = 0xF7;
  return v;
}

// Everything an input callback was told, with the thread it ran on.
struct Recorder {
  struct Entry {
    InMsg type;
    uint32_t msg;
    uint32_t timeMs;
    std::vector<uint8_t> data;
    std::thread::id thread;
    std::string threadName;
  };
  std::mutex mu;
  std::vector<Entry> entries;

  static void Callback(Handle, uintptr_t instance, const InMessage& m) {
    auto* self = reinterpret_cast<Recorder*>(instance);
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    Entry e{m.type, m.msg, m.timeMs, {}, std::this_thread::get_id(), name};
    if (m.type == InMsg::LongData && m.data) e.data.assign(m.data, m.data + m.length);
    std::lock_guard lock(self->mu);
    self->entries.push_back(std::move(e));
  }
  std::vector<Entry> Of(InMsg type) {
    std::lock_guard lock(mu);
    std::vector<Entry> out;
    for (const auto& e : entries) {
      if (e.type == type) out.push_back(e);
    }
    return out;
  }
  std::size_t CountOf(InMsg type) { return Of(type).size(); }
  bool WaitCount(InMsg type, std::size_t n) {
    return WaitUntil([&] { return CountOf(type) >= n; });
  }
};

// Handles closed at the end of a test whatever happened in it, so the backend can be switched.
struct InGuard {
  Handle h = kInvalidHandle;
  ~InGuard() {
    if (h != kInvalidHandle) InClose(h);
  }
};
struct OutGuard {
  Handle h = kInvalidHandle;
  ~OutGuard() {
    if (h != kInvalidHandle) OutClose(h);
  }
};

std::vector<std::string> Names(bool input) {
  std::vector<std::string> v;
  std::string n;
  for (int i = 0; i < (input ? InDevCount() : OutDevCount()); ++i) {
    if ((input ? InDevName(i, n) : OutDevName(i, n)) == kOk) v.push_back(n);
  }
  return v;
}
std::vector<std::string> InNames() {
  return Names(true);
}
std::vector<std::string> OutNames() {
  return Names(false);
}

// Our client's MIDI ports as the server sees them.
std::vector<std::string> OurPorts(jack_client_t* c) {
  std::vector<std::string> v;
  if (const char** ports = jack_get_ports(c, "^Vellorine", JACK_DEFAULT_MIDI_TYPE, 0)) {
    for (const char** p = ports; *p; ++p) v.emplace_back(*p);
    jack_free(ports);
  }
  return v;
}

// What the server's graph shows, once it has caught up: a client sees a change of ports or
// connections from the cycle that makes it current on, which a busy machine may hold up.
bool ShowsConnected(jack_port_t* port, const char* other) {
  return WaitUntil([&] { return jack_port_connected_to(port, other) == 1; });
}
bool ShowsOurPorts(jack_client_t* c, const std::vector<std::string>& want) {
  return WaitUntil([&] { return OurPorts(c) == want; });
}

class JackMidi : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!JackServer::Installed()) GTEST_SKIP() << "/usr/bin/jackd is missing (install jackd2)";
    ASSERT_TRUE(StartSession(false));
  }
  void TearDown() override { EndSession(); }

  bool StartSession(bool longPortFirst) {
    std::string why;
    if (!server_.Start(ServerAnswers, why)) {
      ADD_FAILURE() << why;
      return false;
    }
    peer_ = std::make_unique<Peer>();
    if (!peer_->Open(why, {kLongPort}, longPortFirst)) {
      ADD_FAILURE() << why;
      return false;
    }
    const Result r = SelectBackend(Backend::Jack);
    if (r != kOk) {
      ADD_FAILURE() << "SelectBackend(Jack): " << ErrorText(r);
      return false;
    }
    Rescan();
    return true;
  }
  void EndSession() {
    SelectBackend(Backend::Loopback);
    peer_.reset();
    server_.Stop();
  }

  JackServer server_;
  std::unique_ptr<Peer> peer_;
};

TEST_F(JackMidi, DevicesAreOtherClientsMidiPortsByFullNameCutTo31) {
  EXPECT_EQ(ActiveBackend(), Backend::Jack);
  // Sorted by name; the server's own audio ports are not MIDI devices.
  EXPECT_EQ(InNames(), (std::vector<std::string>{kLongPortCut, "peer:out"}));
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"peer:in"}));

  // Our own ports never show up as devices, and opening registers and connects one.
  Recorder rec;
  InGuard in;
  OutGuard out;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  EXPECT_TRUE(ShowsOurPorts(peer_->Client(),
                            std::vector<std::string>{"Vellorine:midi_in_1", "Vellorine:midi_out_1"}));
  EXPECT_TRUE(ShowsConnected(peer_->Out(), "Vellorine:midi_in_1"));
  EXPECT_TRUE(ShowsConnected(peer_->In(), "Vellorine:midi_out_1"));
  Rescan();
  EXPECT_EQ(InNames(), (std::vector<std::string>{kLongPortCut, "peer:out"}));
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"peer:in"}));

  // A device listed under its cut name opens too.
  InGuard longIn;
  ASSERT_EQ(InOpen(InIndex(kLongPortCut), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), longIn.h),
            kOk);
  EXPECT_TRUE(ShowsConnected(jack_port_by_name(peer_->Client(), (std::string("peer:") + kLongPort).c_str()),
                             "Vellorine:midi_in_2"));

  // Closing unregisters our ports.
  EXPECT_EQ(InClose(in.h), kOk);
  EXPECT_EQ(InClose(longIn.h), kOk);
  EXPECT_EQ(OutClose(out.h), kOk);
  in.h = longIn.h = out.h = kInvalidHandle;
  EXPECT_TRUE(ShowsOurPorts(peer_->Client(), std::vector<std::string>{}));
}

TEST_F(JackMidi, DeviceNamesMatchBetweenRuns) {
  const auto ins1 = InNames(), outs1 = OutNames();
  EndSession();
  // A new server, the peer registering its ports in another order.
  ASSERT_TRUE(StartSession(true));
  EXPECT_EQ(InNames(), ins1);
  EXPECT_EQ(OutNames(), outs1);
  EXPECT_EQ(ins1, (std::vector<std::string>{kLongPortCut, "peer:out"}));
}

// Ports whose full names share their first 31 characters must still be told apart: a repeat is
// numbered, and each name opens its own port.
TEST_F(JackMidi, PortsAlikeInTheirFirst31CharactersAreNumberedAndEachOpensItsOwn) {
  const std::string second = std::string(kLongPort) + "_too";
  const std::string secondCut = "peer:an_output_port_with_a_v #2";
  ASSERT_TRUE(peer_->AddOutput(second));
  Rescan();
  EXPECT_EQ(InNames(), (std::vector<std::string>{kLongPortCut, secondCut, "peer:out"}));

  Recorder rec;
  InGuard first, other;
  ASSERT_EQ(InOpen(InIndex(secondCut), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), other.h), kOk);
  ASSERT_EQ(InOpen(InIndex(kLongPortCut), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), first.h),
            kOk);
  auto peerPort = [&](const std::string& name) {
    return jack_port_by_name(peer_->Client(), ("peer:" + name).c_str());
  };
  EXPECT_TRUE(ShowsConnected(peerPort(second), "Vellorine:midi_in_1"));
  EXPECT_TRUE(ShowsConnected(peerPort(kLongPort), "Vellorine:midi_in_2"));
  EXPECT_EQ(jack_port_connected_to(peerPort(kLongPort), "Vellorine:midi_in_1"), 0);
}

TEST_F(JackMidi, ThousandShortMessagesOutArriveInOrder) {
  OutGuard out;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  constexpr int kCount = 1000;
  for (int i = 0; i < kCount; ++i) {
    // Note-ons on all channels: note and velocity carry the index.
    const uint32_t msg = (0x90u | (i & 0x0F)) | (((i >> 4) & 0x7Fu) << 8) | ((i & 0x7Fu) << 16);
    ASSERT_EQ(OutShortMsg(out.h, msg), kOk) << i;
  }
  ASSERT_TRUE(peer_->WaitCount(kCount)) << peer_->Count() << " of " << kCount;
  std::this_thread::sleep_for(50ms);  // nothing more may follow
  ASSERT_EQ(peer_->Count(), static_cast<std::size_t>(kCount));
  uint32_t prevFrame = peer_->At(0).frame;
  for (int i = 0; i < kCount; ++i) {
    const auto& e = peer_->At(i);
    ASSERT_EQ(e.Bytes(),
              (std::vector<uint8_t>{static_cast<uint8_t>(0x90 | (i & 0x0F)),
                                    static_cast<uint8_t>((i >> 4) & 0x7F), static_cast<uint8_t>(i & 0x7F)}))
        << i;
    ASSERT_GE(static_cast<int32_t>(e.frame - prevFrame), 0) << i;
    prevFrame = e.frame;
  }
}

TEST_F(JackMidi, ThousandShortMessagesInReachTheCallbackOnTheWorkerThread) {
  Recorder rec;
  InGuard in;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_EQ(InStart(in.h), kOk);
  constexpr int kCount = 1000;
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(peer_->Queue({static_cast<uint8_t>(0x90 | (i & 0x0F)), static_cast<uint8_t>((i >> 4) & 0x7F),
                              static_cast<uint8_t>(i & 0x7F)}));
  }
  ASSERT_TRUE(rec.WaitCount(InMsg::Data, kCount)) << rec.CountOf(InMsg::Data) << " of " << kCount;
  std::this_thread::sleep_for(50ms);
  const auto got = rec.Of(InMsg::Data);
  ASSERT_EQ(got.size(), static_cast<std::size_t>(kCount));

  const std::thread::id worker = got[0].thread;
  EXPECT_NE(worker, std::this_thread::get_id());
  for (int i = 0; i < kCount; ++i) {
    const uint32_t want = (0x90u | (i & 0x0F)) | (((i >> 4) & 0x7Fu) << 8) | ((i & 0x7Fu) << 16);
    ASSERT_EQ(got[i].msg, want) << i;
    ASSERT_EQ(got[i].thread, worker) << i;
    if (i > 0) {
      ASSERT_GE(got[i].timeMs, got[i - 1].timeMs) << i;
    }
    // Our own worker, not one of JACK's threads.
    ASSERT_EQ(got[i].threadName, "vel-midi-in") << i;
  }
  // 1000 messages at 64 per 256-frame cycle span 16 cycles, about 85 ms at 48 kHz.
  EXPECT_GT(got.back().timeMs, got.front().timeMs);
}

TEST_F(JackMidi, SystemAndShortMessagesOfEveryLengthArrivePacked) {
  Recorder rec;
  InGuard in;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_EQ(InStart(in.h), kOk);
  const std::vector<std::vector<uint8_t>> sent = {
      {0xF8}, {0xFA}, {0xFB}, {0xFC}, {0xFE}, {0xC3, 0x05}, {0xB0, 0x7B, 0x00}};
  for (const auto& m : sent) ASSERT_TRUE(peer_->Queue(m));
  ASSERT_TRUE(rec.WaitCount(InMsg::Data, sent.size()));
  std::vector<uint32_t> msgs;
  for (const auto& e : rec.Of(InMsg::Data)) msgs.push_back(e.msg);
  EXPECT_EQ(msgs, (std::vector<uint32_t>{0xF8, 0xFA, 0xFB, 0xFC, 0xFE, 0x05C3, 0x007BB0}));
}

TEST_F(JackMidi, InputBeforeStartAndAfterStopIsNotDelivered) {
  Recorder rec;
  InGuard in;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_TRUE(peer_->Queue({0x90, 0x01, 0x40}));
  std::this_thread::sleep_for(50ms);  // several cycles
  ASSERT_EQ(InStart(in.h), kOk);
  ASSERT_TRUE(peer_->Queue({0x90, 0x02, 0x40}));
  ASSERT_TRUE(rec.WaitCount(InMsg::Data, 1));
  ASSERT_EQ(InStop(in.h), kOk);
  ASSERT_TRUE(peer_->Queue({0x90, 0x03, 0x40}));
  std::this_thread::sleep_for(50ms);
  const auto got = rec.Of(InMsg::Data);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].msg, 0x400290u);
}

TEST_F(JackMidi, SysEx200BytesArrivesWholeBothWays) {
  const auto block = SysEx(200);

  OutGuard out;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  ASSERT_EQ(OutShortMsg(out.h, 0x403C90), kOk);
  ASSERT_EQ(OutLongMsg(out.h, block.data(), block.size()), kOk);
  ASSERT_EQ(OutShortMsg(out.h, 0x003C80), kOk);
  ASSERT_TRUE(peer_->WaitCount(3));
  EXPECT_EQ(peer_->At(0).Bytes(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
  EXPECT_EQ(peer_->At(1).length, 200u);
  EXPECT_EQ(peer_->At(1).Bytes(), block);
  EXPECT_EQ(peer_->At(2).Bytes(), (std::vector<uint8_t>{0x80, 0x3C, 0x00}));

  Recorder rec;
  InGuard in;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_EQ(InStart(in.h), kOk);
  ASSERT_TRUE(peer_->Queue({0x90, 0x3C, 0x40}));
  ASSERT_TRUE(peer_->Queue(block));
  ASSERT_TRUE(peer_->Queue({0x80, 0x3C, 0x00}));
  ASSERT_TRUE(rec.WaitCount(InMsg::Data, 2));
  ASSERT_TRUE(rec.WaitCount(InMsg::LongData, 1));
  const auto longs = rec.Of(InMsg::LongData);
  ASSERT_EQ(longs.size(), 1u);
  EXPECT_EQ(longs[0].data, block);
  const auto shorts = rec.Of(InMsg::Data);
  ASSERT_EQ(shorts.size(), 2u);
  EXPECT_EQ(shorts[0].msg, 0x403C90u);
  EXPECT_EQ(shorts[1].msg, 0x003C80u);
}

// Closing right after a reset's note-offs must not swallow them: the close waits for what is
// queued to be written.
TEST_F(JackMidi, MessagesSentJustBeforeCloseStillArrive) {
  Handle out = kInvalidHandle;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out), kOk);
  for (uint32_t note = 0; note < 50; ++note) ASSERT_EQ(OutShortMsg(out, 0x400090u | note << 8), kOk);
  ASSERT_EQ(OutReset(out), kOk);
  ASSERT_EQ(OutClose(out), kOk);
  ASSERT_TRUE(peer_->WaitCount(100)) << peer_->Count();
  for (uint32_t note = 0; note < 50; ++note) {
    EXPECT_EQ(peer_->At(50 + note).Bytes(), (std::vector<uint8_t>{0x80, static_cast<uint8_t>(note), 0x00}))
        << note;
  }
}

// The reason this backend exists: a message lands one period after the frame it was sent at,
// not at the start of the next cycle. Its send frame is bracketed by reading the clock just
// before and after the send; the tolerance only absorbs a late cycle of the dummy driver.
TEST_F(JackMidi, OutputLandsOnePeriodAfterItsSendFrame) {
  OutGuard out;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  constexpr int kCount = 40;
  constexpr int32_t kSlack = JackServer::kPeriod / 4;
  std::vector<std::pair<uint32_t, uint32_t>> brackets;
  for (int i = 0; i < kCount; ++i) {
    const uint32_t before = peer_->FrameTime();
    ASSERT_EQ(OutShortMsg(out.h, 0x400090u | (static_cast<uint32_t>(i) << 8)), kOk);
    const uint32_t after = peer_->FrameTime();
    brackets.emplace_back(before, after);
    // Uneven gaps so sends fall at every offset of the cycle.
    std::this_thread::sleep_for(std::chrono::microseconds(1300 + 700 * (i % 5)));
  }
  ASSERT_TRUE(peer_->WaitCount(kCount));
  int outside = 0;
  for (int i = 0; i < kCount; ++i) {
    const uint32_t got = peer_->At(i).frame;
    const int32_t early = static_cast<int32_t>(brackets[i].first + JackServer::kPeriod - got);
    const int32_t late = static_cast<int32_t>(got - (brackets[i].second + JackServer::kPeriod));
    if (early > kSlack || late > kSlack) ++outside;
    EXPECT_EQ(peer_->At(i).bytes[1], i) << i;
  }
  // Writing at frame 0 of the next cycle would miss by up to a period: most of them, not one.
  EXPECT_LE(outside, 1);
}

// Another client connected our new port to the device before we did: the connection is there,
// as asked, so the device opens and MIDI flows both ways.
TEST_F(JackMidi, APortAnotherClientConnectedFirstOpensAndPlays) {
  Recorder rec;
  InGuard in;
  OutGuard out;
  gConnectsFirst = peer_->Client();
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  EXPECT_EQ(gFirstConnect.exchange(-1), 0);  // the other client's connect made it
  gConnectsFirst = peer_->Client();
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  EXPECT_EQ(gFirstConnect.exchange(-1), 0);
  EXPECT_TRUE(ShowsConnected(peer_->In(), "Vellorine:midi_out_1"));
  EXPECT_TRUE(ShowsConnected(peer_->Out(), "Vellorine:midi_in_1"));
  ASSERT_EQ(OutShortMsg(out.h, 0x403C90), kOk);
  ASSERT_TRUE(peer_->WaitCount(1));
  EXPECT_EQ(peer_->At(0).Bytes(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
  ASSERT_EQ(InStart(in.h), kOk);
  ASSERT_TRUE(peer_->Queue({0x80, 0x3C, 0x00}));
  ASSERT_TRUE(rec.WaitCount(InMsg::Data, 1));
  EXPECT_EQ(rec.Of(InMsg::Data)[0].msg, 0x3C80u);
}

// A message due ahead of the clock (an input stamp read before its frame, or one a step of the
// clock put further ahead) goes out at its own frame plus the constant latency, never before it.
TEST_F(JackMidi, AMessageDueAheadOfTheClockGoesOutAtItsOwnFrame) {
  OutGuard out;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  auto* frames = dynamic_cast<clock::TFrameClock*>(&clock::Active());
  ASSERT_NE(frames, nullptr);
  const uint32_t lateFrames =
      static_cast<uint32_t>((LateWindowNs() * JackServer::kRate + 999'999'999) / 1'000'000'000);
  const uint64_t clamps = ClampedStamps();
  std::vector<uint32_t> expected;
  for (const int64_t ahead : {100, 300, 500}) {  // frames; a period is 256
    const int64_t due = NowNs() + clock::FramesToNs(ahead, JackServer::kRate);
    expected.push_back(frames->FrameAt(due) + JackServer::kPeriod + lateFrames);
    ASSERT_EQ(OutShortMsgAt(out.h, 0x400090u | static_cast<uint32_t>(expected.size()) << 8, due), kOk);
  }
  ASSERT_TRUE(peer_->WaitCount(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(peer_->At(i).frame, expected[i]) << i;
  EXPECT_EQ(ClampedStamps(), clamps);

  // Further ahead than the callback waits (two periods) it is counted and held at that bound:
  // never sent before it.
  const int64_t before = NowNs();
  const uint32_t earliest =
      frames->FrameAt(before + clock::FramesToNs(2 * JackServer::kPeriod, JackServer::kRate)) +
      JackServer::kPeriod + lateFrames;
  ASSERT_EQ(OutShortMsgAt(out.h, 0x400490u, before + clock::FramesToNs(5000, JackServer::kRate)), kOk);
  ASSERT_TRUE(peer_->WaitCount(expected.size() + 1));
  EXPECT_GE(peer_->At(expected.size()).frame, earliest);
  EXPECT_EQ(ClampedStamps(), clamps + 1);
}

TEST_F(JackMidi, BadDeviceIndexAndDoubleCloseAreRefused) {
  Recorder rec;
  Handle h = kInvalidHandle;
  EXPECT_EQ(InOpen(InDevCount(), &Recorder::Callback, 0, h), kErrBadDeviceId);
  EXPECT_EQ(InOpen(-1, &Recorder::Callback, 0, h), kErrBadDeviceId);
  EXPECT_EQ(OutOpen(OutDevCount(), h), kErrBadDeviceId);
  EXPECT_EQ(OutOpen(-1, h), kErrBadDeviceId);
  EXPECT_FALSE(ErrorText(kErrBadDeviceId).empty());
  EXPECT_LE(ErrorText(kErrBadDeviceId).size(), 80u);

  Handle in = kInvalidHandle, out = kInvalidHandle;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in), kOk);
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out), kOk);
  EXPECT_EQ(InClose(in), kOk);
  EXPECT_EQ(InClose(in), kErrInvalidHandle);
  EXPECT_EQ(InStart(in), kErrInvalidHandle);
  EXPECT_EQ(OutClose(out), kOk);
  EXPECT_EQ(OutClose(out), kErrInvalidHandle);
  EXPECT_EQ(OutShortMsg(out, 0x403C90), kErrInvalidHandle);
  EXPECT_TRUE(ShowsOurPorts(peer_->Client(), std::vector<std::string>{}));
}

TEST_F(JackMidi, PortGoneSinceTheScanIsRefused) {
  const int idx = InIndex(kLongPortCut);
  ASSERT_GE(idx, 0);
  jack_port_unregister(peer_->Client(),
                       jack_port_by_name(peer_->Client(), (std::string("peer:") + kLongPort).c_str()));
  Handle h = kInvalidHandle;
  EXPECT_EQ(InOpen(idx, &Recorder::Callback, 0, h), kErrBadDeviceId);
  EXPECT_TRUE(ShowsOurPorts(peer_->Client(), std::vector<std::string>{}));
}

// The server going away, politely (SIGTERM) or not (SIGKILL): open inputs are told with an Error
// message, every later call says the server is gone, and nothing hangs.
class JackMidiServerGone : public JackMidi, public ::testing::WithParamInterface<bool> {};

TEST_P(JackMidiServerGone, CallsReportItAndNothingHangs) {
  Recorder rec;
  InGuard in;
  OutGuard out;
  ASSERT_EQ(InOpen(InIndex("peer:out"), &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec), in.h), kOk);
  ASSERT_EQ(InStart(in.h), kOk);
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  ASSERT_EQ(OutShortMsg(out.h, 0x403C90), kOk);
  ASSERT_TRUE(peer_->WaitCount(1));

  if (GetParam()) {
    server_.Kill();
  } else {
    server_.Stop();
  }
  ASSERT_TRUE(rec.WaitCount(InMsg::Error, 1));
  std::this_thread::sleep_for(50ms);
  const auto errors = rec.Of(InMsg::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].msg, 0u);  // the device stopped delivering

  const auto block = SysEx(200);
  EXPECT_EQ(OutShortMsg(out.h, 0x003C80), kErrServerGone);
  EXPECT_EQ(OutLongMsg(out.h, block.data(), block.size()), kErrServerGone);
  EXPECT_FALSE(ErrorText(kErrServerGone).empty());
  EXPECT_LE(ErrorText(kErrServerGone).size(), 80u);
  EXPECT_EQ(OutReset(out.h), kErrServerGone);
  EXPECT_EQ(InStop(in.h), kErrServerGone);
  // The handles are released all the same; the result tells the ports could not be unregistered.
  EXPECT_EQ(InClose(in.h), kErrServerGone);
  EXPECT_EQ(OutClose(out.h), kErrServerGone);
  EXPECT_EQ(InClose(in.h), kErrInvalidHandle);
  EXPECT_EQ(OutClose(out.h), kErrInvalidHandle);
  in.h = out.h = kInvalidHandle;
  EXPECT_EQ(SelectBackend(Backend::Loopback), kOk);
  // libjack drops every client left from a dead server when a new one opens: the peer goes first.
  peer_.reset();
  // No server answers now: choosing JACK fails at once.
  EXPECT_EQ(SelectBackend(Backend::Jack), kErrNoDriver);
  EXPECT_EQ(SelectBackend(Backend::Loopback), kOk);
}

// A server that went away and came back: choosing JACK again, or a rescan, reaches the new one
// instead of keeping the dead client with its empty lists.
TEST_F(JackMidi, AfterTheServerWentAwayJackCanBeChosenAgain) {
  server_.Stop();
  // The peer's client is dead too; it goes before any new client opens (see CallsReportIt...).
  peer_.reset();
  ASSERT_TRUE(WaitUntil([] { return SelectBackend(Backend::Jack) == kErrNoDriver; }))
      << "choosing JACK with no server kept the dead backend";
  EXPECT_EQ(ActiveBackend(), Backend::Jack);
  EXPECT_EQ(InDevCount(), 0);
  Rescan();
  EXPECT_EQ(InDevCount(), 0);

  std::string why;
  ASSERT_TRUE(server_.Start(ServerAnswers, why)) << why;
  peer_ = std::make_unique<Peer>();
  ASSERT_TRUE(peer_->Open(why, {kLongPort})) << why;
  Rescan();
  EXPECT_EQ(InNames(), (std::vector<std::string>{kLongPortCut, "peer:out"}));
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"peer:in"}));
  OutGuard out;
  ASSERT_EQ(OutOpen(OutIndex("peer:in"), out.h), kOk);
  ASSERT_EQ(OutShortMsg(out.h, 0x403C90), kOk);
  ASSERT_TRUE(peer_->WaitCount(1));
  EXPECT_EQ(peer_->At(0).Bytes(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
}

INSTANTIATE_TEST_SUITE_P(Jack, JackMidiServerGone, ::testing::Values(false, true), [](const auto& info) {
  return info.param ? std::string("Killed") : std::string("Stopped");
});

// The backend on its own, where the facade would hide what it is told.
TEST(JackBackend, NoServerFailsAtOnce) {
  const std::string absent = "vel_absent_" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", absent.c_str(), 1);
  Result err = kOk;
  auto b = detail::MakeJackBackend(err);
  EXPECT_EQ(b.get(), nullptr);
  EXPECT_EQ(err, kErrNoDriver);
}

struct SinkRecorder : detail::InputSink {
  std::atomic<int> pushes{0};
  std::atomic<int> lost{0};
  std::atomic<int64_t> lastNs{0};
  void Push(const uint8_t*, std::size_t, int64_t timeNs) override {
    lastNs.store(timeNs);
    pushes.fetch_add(1);
  }
  void Lost() override { lost.fetch_add(1); }
};

TEST(JackBackend, InputTimesFollowNowAndLossIsToldOnce) {
  if (!JackServer::Installed()) GTEST_SKIP() << "/usr/bin/jackd is missing (install jackd2)";
  JackServer server;
  std::string why;
  ASSERT_TRUE(server.Start(ServerAnswers, why)) << why;
  Peer peer;
  ASSERT_TRUE(peer.Open(why, {kLongPort})) << why;
  Result err = kErrBackend;
  auto b = detail::MakeJackBackend(err);
  ASSERT_EQ(err, kOk);
  ASSERT_NE(b.get(), nullptr);
  EXPECT_EQ(b->Kind(), Backend::Jack);

  SinkRecorder sink, idle;
  std::unique_ptr<detail::BackendInput> in, in2;
  ASSERT_EQ(b->OpenInput("peer:out", &sink, in), kOk);
  ASSERT_EQ(b->OpenInput("peer:out", &idle, in2), kOk);  // open, never started
  ASSERT_EQ(in->Start(), kOk);
  const int64_t before = b->NowNs();
  ASSERT_TRUE(peer.Queue({0x90, 0x3C, 0x40}));
  ASSERT_TRUE(WaitUntil([&] { return sink.pushes.load() == 1; }));
  const int64_t after = b->NowNs();
  // Stamped from its frame: within the cycle around the moment it was pushed.
  const int64_t periodNs = int64_t{JackServer::kPeriod} * 1'000'000'000 / JackServer::kRate;
  EXPECT_GE(sink.lastNs.load(), before - periodNs);
  EXPECT_LE(sink.lastNs.load(), after + periodNs);
  EXPECT_EQ(idle.pushes.load(), 0);

  std::unique_ptr<detail::BackendOutput> out;
  ASSERT_EQ(b->OpenOutput("peer:in", out), kOk);
  const uint8_t none = 0;
  EXPECT_EQ(out->Send(&none, 0, kNow), kErrInvalParam);

  server.Kill();
  ASSERT_TRUE(WaitUntil([&] { return sink.lost.load() == 1 && idle.lost.load() == 1; }));
  const uint8_t msg[3] = {0x80, 0x3C, 0};
  EXPECT_EQ(out->Send(msg, 3, kNow), kErrServerGone);
  EXPECT_EQ(in->Start(), kErrServerGone);
  std::vector<std::string> names;
  EXPECT_EQ(b->ListInputs(names), kErrServerGone);
  std::unique_ptr<detail::BackendOutput> out2;
  EXPECT_EQ(b->OpenOutput("peer:in", out2), kErrServerGone);
  EXPECT_EQ(in->Close(), kErrServerGone);
  EXPECT_EQ(in->Close(), kOk);  // already closed

  // Trying again while the dead backend and its devices still live: libjack would delete our dead
  // client under us when the new one opens, unless the backend has closed it first.
  peer.Close();
  Result againErr = kOk;
  auto again = detail::MakeJackBackend(againErr);
  EXPECT_EQ(again.get(), nullptr);
  EXPECT_EQ(againErr, kErrNoDriver);
  EXPECT_EQ(out->Send(msg, 3, kNow), kErrServerGone);
  // The backend may go first; its devices still close after it.
  b.reset();
  EXPECT_EQ(out->Close(), kErrServerGone);
  in.reset();
  in2.reset();
  out.reset();
  EXPECT_EQ(sink.lost.load(), 1);
  EXPECT_EQ(idle.lost.load(), 1);
}

}  // namespace
}  // namespace vel::midi
