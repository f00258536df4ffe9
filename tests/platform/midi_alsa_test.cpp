// The ALSA backend against a peer client with virtual ports, made through RtMidi. Runs only where
// an ALSA sequencer exists.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi/Midi.h"

namespace vel::midi {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPeerClient = "VelMidiTestPeer";

struct Inbox {
  std::mutex mu;
  std::condition_variable cv;
  std::vector<InMessage> msgs;  // data pointers are not kept
  std::vector<std::string> bytes;
  std::thread::id tid;

  static void Cb(Handle, uintptr_t inst, const InMessage& m) {
    auto* in = reinterpret_cast<Inbox*>(inst);
    std::lock_guard lk(in->mu);
    in->msgs.push_back(m);
    in->bytes.emplace_back(m.data ? std::string(reinterpret_cast<const char*>(m.data), m.length) : "");
    in->tid = std::this_thread::get_id();
    in->cv.notify_all();
  }
  bool WaitFor(std::size_t n) {
    std::unique_lock lk(mu);
    return cv.wait_for(lk, 5s, [&] { return msgs.size() >= n; });
  }
};

int FindDev(bool input, const std::string& name) {
  const int n = input ? InDevCount() : OutDevCount();
  for (int i = 0; i < n; ++i) {
    std::string s;
    if ((input ? InDevName(i, s) : OutDevName(i, s)) == kOk && s == name) return i;
  }
  return -1;
}

class MidiAlsa : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) {
      GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq is missing or not accessible)";
    }
    ASSERT_EQ(SelectBackend(Backend::Alsa), kOk);
    peerOut_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kPeerClient);
    peerOut_->openVirtualPort("Peer Out");
    peerIn_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kPeerClient);
    peerIn_->ignoreTypes(false, false, false);
    peerIn_->openVirtualPort("Peer In");
    Rescan();
  }
  void TearDown() override {
    if (in_ != kInvalidHandle) InClose(in_);
    if (out_ != kInvalidHandle) OutClose(out_);
    peerIn_.reset();
    peerOut_.reset();
    SelectBackend(Backend::Loopback);
  }

  // The peer's next message, waiting up to five seconds.
  std::vector<unsigned char> PeerReceive() {
    std::vector<unsigned char> m;
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
      peerIn_->getMessage(&m);
      if (!m.empty()) return m;
      std::this_thread::sleep_for(1ms);
    }
    return m;
  }

  std::unique_ptr<RtMidiOut> peerOut_;
  std::unique_ptr<RtMidiIn> peerIn_;
  Handle in_ = kInvalidHandle;
  Handle out_ = kInvalidHandle;
};

TEST_F(MidiAlsa, PeerPortsAreListedByStableNames) {
  const std::string outName = std::string(kPeerClient) + ":Peer Out";
  const std::string inName = std::string(kPeerClient) + ":Peer In";
  EXPECT_GE(FindDev(true, outName), 0);
  EXPECT_GE(FindDev(false, inName), 0);
  std::vector<std::string> first;
  for (int i = 0; i < InDevCount(); ++i) {
    std::string s;
    ASSERT_EQ(InDevName(i, s), kOk);
    EXPECT_LE(s.size(), kMaxDevName);
    first.push_back(s);
  }
  Rescan();
  for (int i = 0; i < InDevCount() && i < static_cast<int>(first.size()); ++i) {
    std::string s;
    ASSERT_EQ(InDevName(i, s), kOk);
    EXPECT_EQ(s, first[i]);
  }
}

TEST_F(MidiAlsa, InputFromThePeerArrivesWholeOnTheWorker) {
  const int dev = FindDev(true, std::string(kPeerClient) + ":Peer Out");
  ASSERT_GE(dev, 0);
  Inbox box;
  ASSERT_EQ(InOpen(dev, &Inbox::Cb, reinterpret_cast<uintptr_t>(&box), in_), kOk);
  ASSERT_EQ(InStart(in_), kOk);
  ASSERT_TRUE(box.WaitFor(1));  // Open
  const std::vector<std::vector<unsigned char>> sent = {
      {0x90, 0x3C, 0x64}, {0xF8}, {0xFE}, {0xF0, 0x7D, 0x01, 0x02, 0x03, 0xF7}, {0x80, 0x3C, 0x00}};
  for (const auto& m : sent) peerOut_->sendMessage(&m);
  ASSERT_TRUE(box.WaitFor(1 + sent.size()));
  std::lock_guard lk(box.mu);
  EXPECT_EQ(box.msgs[0].type, InMsg::Open);
  EXPECT_EQ(box.msgs[1].type, InMsg::Data);
  EXPECT_EQ(box.msgs[1].msg, 0x643C90u);
  EXPECT_EQ(box.msgs[2].msg, 0xF8u);
  EXPECT_EQ(box.msgs[3].msg, 0xFEu);
  EXPECT_EQ(box.msgs[4].type, InMsg::LongData);
  EXPECT_EQ(box.bytes[4], std::string("\xF0\x7D\x01\x02\x03\xF7", 6));
  EXPECT_EQ(box.msgs[5].msg, 0x3C80u);
  for (std::size_t i = 2; i < box.msgs.size(); ++i) EXPECT_GE(box.msgs[i].timeMs, box.msgs[i - 1].timeMs);
  EXPECT_NE(box.tid, std::this_thread::get_id());
}

TEST_F(MidiAlsa, OutputReachesThePeerAndResetSilencesIt) {
  const int dev = FindDev(false, std::string(kPeerClient) + ":Peer In");
  ASSERT_GE(dev, 0);
  ASSERT_EQ(OutOpen(dev, out_), kOk);
  ASSERT_EQ(OutShortMsg(out_, 0x643C90), kOk);
  EXPECT_EQ(PeerReceive(), (std::vector<unsigned char>{0x90, 0x3C, 0x64}));
  const uint8_t sx[] = {0xF0, 0x7E, 0x05, 0x02, 0x12, 0x40, 0x01, 0xF7};
  ASSERT_EQ(OutLongMsg(out_, sx, sizeof sx), kOk);
  EXPECT_EQ(PeerReceive(), std::vector<unsigned char>(sx, sx + sizeof sx));
  ASSERT_EQ(OutReset(out_), kOk);
  EXPECT_EQ(PeerReceive(), (std::vector<unsigned char>{0x80, 0x3C, 0x00}));
  ASSERT_EQ(OutClose(out_), kOk);
  EXPECT_EQ(OutShortMsg(out_, 0xF8), kErrInvalidHandle);
  out_ = kInvalidHandle;
}

}  // namespace
}  // namespace vel::midi
