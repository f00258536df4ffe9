// The MIDI facade driven through the loopback backend: input through the worker thread, output
// with its sounding-note tracking, and every bad call.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <future>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EnvScope.h"
#include "platform/midi/Midi.h"

namespace vel::midi {
namespace {

std::atomic<uint32_t> gClockMs{0};
uint32_t FakeClock() {
  return gClockMs.load();
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

struct Rec {
  Handle h;
  InMsg type;
  uint32_t msg;
  uint32_t timeMs;
  std::string data;  // LongData, LongError, Error: the bytes given
  bool hasData;
  std::size_t length;
  std::thread::id tid;
  int64_t timeNs = 0;
};

// Collects what an input callback is told. The instance value is the recorder's address.
class Recorder {
 public:
  static void Cb(Handle h, uintptr_t inst, const InMessage& m) {
    reinterpret_cast<Recorder*>(inst)->Add(h, m);
  }
  uintptr_t Inst() { return reinterpret_cast<uintptr_t>(this); }

  std::vector<Rec> Take() {
    std::lock_guard lk(mu_);
    return recs_;
  }
  std::size_t Count() {
    std::lock_guard lk(mu_);
    return recs_.size();
  }
  // Runs on the worker inside the callback, after the message is recorded.
  std::function<void(Handle, const InMessage&)> hook;

 private:
  void Add(Handle h, const InMessage& m) {
    Rec r{h, m.type, m.msg, m.timeMs, {}, m.data != nullptr, m.length, std::this_thread::get_id()};
    if (m.data) r.data.assign(reinterpret_cast<const char*>(m.data), m.length);
    r.timeNs = m.timeNs;
    {
      std::lock_guard lk(mu_);
      recs_.push_back(r);
    }
    if (hook) hook(h, m);
  }
  std::mutex mu_;
  std::vector<Rec> recs_;
};

std::vector<Rec> OfType(const std::vector<Rec>& recs, InMsg type) {
  std::vector<Rec> out;
  for (const Rec& r : recs) {
    if (r.type == type) out.push_back(r);
  }
  return out;
}

class MidiLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SelectBackend(Backend::Loopback), kOk);
    loopback::Reset();
    ResetCounters();
    gClockMs = 0;
    loopback::SetClock(&FakeClock);
  }
  void TearDown() override {
    for (Handle h : ins_) InClose(h);
    for (Handle h : outs_) OutClose(h);
    loopback::Reset();
    ResetCounters();
  }

  Handle OpenIn(int dev, Recorder& r, bool start = true) {
    Handle h = kInvalidHandle;
    EXPECT_EQ(InOpen(dev, &Recorder::Cb, r.Inst(), h), kOk);
    ins_.push_back(h);
    if (start) {
      EXPECT_EQ(InStart(h), kOk);
    }
    return h;
  }
  Handle OpenOut(int dev) {
    Handle h = kInvalidHandle;
    EXPECT_EQ(OutOpen(dev, h), kOk);
    outs_.push_back(h);
    return h;
  }
  static std::vector<std::string> SentBytes(int dev) {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < loopback::SentCount(dev); ++i) v.push_back(loopback::SentAt(dev, i).bytes);
    return v;
  }

  // Recorders outlive the handles TearDown closes, which still hear Close.
  Recorder& NewRec() { return recs_.emplace_back(); }

  std::vector<Handle> ins_, outs_;
  std::list<Recorder> recs_;
};

TEST_F(MidiLoopback, DeviceListsNameTheLoopbackPorts) {
  EXPECT_EQ(ActiveBackend(), Backend::Loopback);
  EXPECT_STREQ(BackendName(ActiveBackend()), "Loopback");
  ASSERT_EQ(InDevCount(), loopback::kInDevs);
  ASSERT_EQ(OutDevCount(), loopback::kOutDevs);
  std::string name;
  ASSERT_EQ(InDevName(0, name), kOk);
  EXPECT_EQ(name, "Loopback In 1");
  ASSERT_EQ(OutDevName(2, name), kOk);
  EXPECT_EQ(name, "Loopback Out 3");
  for (int i = 0; i < InDevCount(); ++i) {
    ASSERT_EQ(InDevName(i, name), kOk);
    EXPECT_LE(name.size(), kMaxDevName);
  }
  name = "unchanged";
  EXPECT_EQ(InDevName(loopback::kInDevs, name), kErrBadDeviceId);
  EXPECT_EQ(OutDevName(-1, name), kErrBadDeviceId);
  EXPECT_EQ(name, "unchanged");
  Rescan();
  ASSERT_EQ(InDevName(0, name), kOk);
  EXPECT_EQ(name, "Loopback In 1");
}

TEST_F(MidiLoopback, ASideRescanLeavesTheOtherListAndItsOpenDevices) {
  const Handle out = OpenOut(0);
  loopback::SetDevCounts(5, 1);
  RescanInputs();
  EXPECT_EQ((std::vector<int>{InDevCount(), OutDevCount()}), (std::vector<int>{5, 3}));
  std::string name;
  ASSERT_EQ(InDevName(4, name), kOk);
  EXPECT_EQ(name, "Loopback In 5");
  ASSERT_EQ(OutDevName(1, name), kOk);
  EXPECT_EQ(name, "Loopback Out 2");
  ASSERT_EQ(OutShortMsg(out, 0x6407B0), kOk);
  EXPECT_EQ(SentBytes(0), std::vector<std::string>{Bytes({0xB0, 0x07, 0x64})});
  // The outputs' own rescan drops the device gone from the system; the open one still sends.
  RescanOutputs();
  EXPECT_EQ((std::vector<int>{InDevCount(), OutDevCount()}), (std::vector<int>{5, 1}));
  EXPECT_EQ(OutDevName(1, name), kErrBadDeviceId);
  ASSERT_EQ(OutShortMsg(out, 0x6407B0), kOk);
  EXPECT_EQ(SentBytes(0).size(), 2u);
}

TEST_F(MidiLoopback, ShortMessagesAndSysExArriveWholeAndInOrderOnTheWorker) {
  Recorder& rec = NewRec();
  const Handle h = OpenIn(1, rec);
  const std::vector<std::string> input = {Bytes({0x90, 0x3C, 0x64}),
                                          Bytes({0xF8}),
                                          Bytes({0xFA}),
                                          Bytes({0xFB}),
                                          Bytes({0xFC}),
                                          Bytes({0xFE}),
                                          Bytes({0xF0, 0x7E, 0x01, 0x02, 0x12, 0xF7}),
                                          Bytes({0xB0, 0x07, 0x7F}),
                                          Bytes({0xC3, 0x05}),
                                          Bytes({0xF2, 0x10, 0x20}),
                                          Bytes({0x80, 0x3C, 0x00}),
                                          Bytes({0xF0, 0xF7})};
  for (const std::string& m : input) {
    ASSERT_EQ(loopback::Inject(1, reinterpret_cast<const uint8_t*>(m.data()), m.size()), kOk);
  }
  ASSERT_EQ(loopback::InjectShort(1, 0x7F40E5), kOk);  // pitch bend, channel 6
  loopback::Drain();

  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), 14u);
  EXPECT_EQ(r[0].type, InMsg::Open);
  const uint32_t shorts[] = {0x643C90, 0xF8, 0xFA, 0xFB, 0xFC, 0xFE};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(r[1 + i].type, InMsg::Data) << i;
    EXPECT_EQ(r[1 + i].msg, shorts[i]) << i;
  }
  EXPECT_EQ(r[7].type, InMsg::LongData);
  EXPECT_EQ(r[7].data, input[6]);
  EXPECT_EQ(r[7].length, 6u);
  EXPECT_EQ(r[8].msg, 0x7F07B0u);
  EXPECT_EQ(r[9].msg, 0x05C3u);
  EXPECT_EQ(r[10].msg, 0x2010F2u);
  EXPECT_EQ(r[11].msg, 0x3C80u);
  EXPECT_EQ(r[12].type, InMsg::LongData);
  EXPECT_EQ(r[12].data, Bytes({0xF0, 0xF7}));
  EXPECT_EQ(r[13].type, InMsg::Data);
  EXPECT_EQ(r[13].msg, 0x7F40E5u);
  for (const Rec& x : r) {
    EXPECT_EQ(x.h, h);
    EXPECT_NE(x.tid, std::this_thread::get_id());
    EXPECT_EQ(x.tid, r[0].tid);
  }
}

TEST_F(MidiLoopback, MalformedInputIsReportedAsErrors) {
  Recorder& rec = NewRec();
  OpenIn(0, rec);
  const std::string bad[] = {Bytes({0x3C, 0x40}), Bytes({0x90, 0x3C}), Bytes({0x90, 0x3C, 0x80}),
                             Bytes({0xF7}), Bytes({0xF0, 0x01, 0x02})};
  for (const std::string& m : bad) {
    ASSERT_EQ(loopback::Inject(0, reinterpret_cast<const uint8_t*>(m.data()), m.size()), kOk);
  }
  EXPECT_EQ(loopback::Inject(0, nullptr, 3), kErrInvalParam);
  EXPECT_EQ(loopback::Inject(0, reinterpret_cast<const uint8_t*>("x"), 0), kErrInvalParam);
  EXPECT_EQ(loopback::InjectShort(0, 0x3C), kErrInvalParam);
  loopback::Drain();

  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), 6u);
  const uint32_t packed[] = {0x403C, 0x3C90, 0x803C90, 0xF7};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r[1 + i].type, InMsg::Error) << i;
    EXPECT_EQ(r[1 + i].msg, packed[i]) << i;
    EXPECT_EQ(r[1 + i].data, bad[i]) << i;
  }
  EXPECT_EQ(r[5].type, InMsg::LongError);
  EXPECT_EQ(r[5].data, bad[4]);
  EXPECT_EQ(r[5].length, 3u);
}

TEST_F(MidiLoopback, TimeStampsCountFromStartOnTheInjectedClock) {
  Recorder& rec = NewRec();
  gClockMs = 1000;
  const Handle h = OpenIn(0, rec, false);
  gClockMs = 1500;
  ASSERT_EQ(InStart(h), kOk);
  gClockMs = 1507;
  loopback::InjectShort(0, 0x643C90);
  gClockMs = 1750;
  loopback::InjectShort(0, 0xF8);
  gClockMs = 1800;
  ASSERT_EQ(InStart(h), kOk);  // already started: the count goes on
  gClockMs = 1801;
  loopback::InjectShort(0, 0xF8);
  ASSERT_EQ(InStop(h), kOk);
  gClockMs = 3000;
  ASSERT_EQ(InStart(h), kOk);
  gClockMs = 3003;
  loopback::InjectShort(0, 0xFA);
  loopback::Drain();

  const std::vector<Rec> d = OfType(rec.Take(), InMsg::Data);
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0].timeMs, 7u);
  EXPECT_EQ(d[1].timeMs, 250u);
  EXPECT_EQ(d[2].timeMs, 301u);
  EXPECT_EQ(d[3].timeMs, 3u);
  EXPECT_EQ(d[3].msg, 0xFAu);
  // The same times on the clock itself, which the output's due times use.
  EXPECT_EQ(d[0].timeNs, 1507000000);
  EXPECT_EQ(d[1].timeNs, 1750000000);
  EXPECT_EQ(d[2].timeNs, 1801000000);
  EXPECT_EQ(d[3].timeNs, 3003000000);
  EXPECT_EQ(NowNs(), 3003000000);
}

TEST_F(MidiLoopback, ADueTimeIsRecordedWithinTheLateWindowAndClampedOutsideIt) {
  const Handle h = OpenOut(0);
  SetLateWindowNs(2000000);
  gClockMs = 100;
  struct Case {
    int64_t due;
    int64_t recorded;
  };
  const Case cases[] = {
      {kNow, kNow},           {99500000, 99500000},   {98000000, 98000000},     {97999999, 98000000},
      {100000000, 100000000}, {100000001, 100000000}, {INT64_MIN + 1, 98000000}};
  for (const Case& c : cases) ASSERT_EQ(OutShortMsgAt(h, 0x643C90, c.due), kOk);
  ASSERT_EQ(loopback::SentCount(0), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(loopback::SentAt(0, i).dueNs, cases[i].recorded) << i;
    EXPECT_EQ(loopback::SentAt(0, i).timeMs, 100u);
  }
  EXPECT_EQ(ClampedStamps(), 3u);
  // A malformed message is refused before its time is looked at.
  EXPECT_EQ(OutShortMsgAt(h, 0x3C, 1), kErrInvalParam);
  EXPECT_EQ(ClampedStamps(), 3u);
  // The counters go back to how the program starts.
  ResetCounters();
  EXPECT_EQ(ClampedStamps(), 0u);
  EXPECT_EQ(LateWindowNs(), 1250000);
}

TEST_F(MidiLoopback, AResetForgetsTheSentFailuresCountsAndClockButKeepsOpenDevices) {
  const Handle h = OpenOut(0);
  gClockMs = 40;
  ASSERT_EQ(OutShortMsg(h, 0x643C90), kOk);
  loopback::FailNext("open", kErrBadDeviceId);
  loopback::SetDevCounts(1, 1);
  loopback::Reset();
  EXPECT_EQ(loopback::SentCount(0), 0u);
  Rescan();
  EXPECT_EQ(OutDevCount(), loopback::kOutDevs);
  OpenOut(2);
  ASSERT_EQ(OutShortMsg(h, 0x643C90), kOk);
  ASSERT_EQ(loopback::SentCount(0), 1u);
  EXPECT_EQ(loopback::SentAt(0, 0).timeMs, 0u);
}

TEST_F(MidiLoopback, InputIsDroppedWhileNotStarted) {
  Recorder& rec = NewRec();
  const Handle h = OpenIn(2, rec, false);
  EXPECT_EQ(loopback::InjectShort(2, 0x01), kErrInvalParam);
  EXPECT_EQ(loopback::InjectShort(2, 0x643C90), kOk);  // arrives, but the device is not started
  ASSERT_EQ(InStart(h), kOk);
  loopback::InjectShort(2, 0x643D90);
  ASSERT_EQ(InStop(h), kOk);
  loopback::InjectShort(2, 0x643E90);
  ASSERT_EQ(InStart(h), kOk);
  loopback::InjectShort(2, 0x643F90);
  ASSERT_EQ(InReset(h), kOk);
  loopback::InjectShort(2, 0x644090);
  loopback::Drain();

  const std::vector<Rec> d = OfType(rec.Take(), InMsg::Data);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].msg, 0x643D90u);
  EXPECT_EQ(d[1].msg, 0x643F90u);
  // A device that is not open takes nothing.
  EXPECT_EQ(loopback::InjectShort(1, 0xF8), kErrNotReady);
  EXPECT_EQ(loopback::InjectShort(3, 0xF8), kErrBadDeviceId);
}

TEST_F(MidiLoopback, OpenComesFirstAndCloseLastThenTheHandleIsDead) {
  Recorder& rec = NewRec();
  const Handle h = OpenIn(0, rec);
  loopback::InjectShort(0, 0xF8);
  loopback::Drain();
  ASSERT_EQ(InClose(h), kOk);
  ins_.clear();
  const std::size_t n = rec.Count();
  EXPECT_EQ(loopback::InjectShort(0, 0xF8), kErrNotReady);
  loopback::Drain();

  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(r[0].type, InMsg::Open);
  EXPECT_EQ(r[1].type, InMsg::Data);
  EXPECT_EQ(r[2].type, InMsg::Close);
  EXPECT_NE(r[2].tid, std::this_thread::get_id());
  EXPECT_EQ(InClose(h), kErrInvalidHandle);
  EXPECT_EQ(InStart(h), kErrInvalidHandle);
  EXPECT_EQ(InStop(h), kErrInvalidHandle);
  EXPECT_EQ(InReset(h), kErrInvalidHandle);

  // The slot is used again with a new handle; the old one stays dead.
  Recorder& rec2 = NewRec();
  const Handle h2 = OpenIn(0, rec2);
  EXPECT_NE(h2, h);
  EXPECT_EQ(InStop(h), kErrInvalidHandle);
  EXPECT_EQ(InStop(h2), kOk);
}

TEST_F(MidiLoopback, CloseWithoutAnyTrafficStillSaysOpenThenClose) {
  Recorder& rec = NewRec();
  Handle h = kInvalidHandle;
  ASSERT_EQ(InOpen(0, &Recorder::Cb, rec.Inst(), h), kOk);
  ASSERT_EQ(InClose(h), kOk);
  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].type, InMsg::Open);
  EXPECT_EQ(r[1].type, InMsg::Close);
}

TEST_F(MidiLoopback, CloseWaitsForARunningCallbackAndNothingFollows) {
  Recorder& rec = NewRec();
  std::atomic<bool> inside{false}, finished{false};
  rec.hook = [&](Handle, const InMessage& m) {
    if (m.type != InMsg::Data || m.msg != 0xF8) return;
    inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    finished = true;
  };
  const Handle h = OpenIn(0, rec);
  loopback::InjectShort(0, 0xF8);
  while (!inside) std::this_thread::yield();
  for (int i = 0; i < 20; ++i) loopback::InjectShort(0, 0xFE);
  ASSERT_EQ(InClose(h), kOk);
  ins_.clear();
  EXPECT_TRUE(finished);
  const std::size_t n = rec.Count();
  loopback::Drain();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), n);
  EXPECT_EQ(r.back().type, InMsg::Close);
  EXPECT_EQ(OfType(r, InMsg::Close).size(), 1u);
}

TEST_F(MidiLoopback, ACallbackMayCloseItsOwnAndOtherHandles) {
  Recorder& a = NewRec();
  Recorder& b = NewRec();
  Handle hb = kInvalidHandle;
  std::atomic<Result> closeOwn{kErrBackend}, closeOther{kErrBackend}, again{kOk};
  Handle ha = kInvalidHandle;
  a.hook = [&](Handle h, const InMessage& m) {
    if (m.type != InMsg::Data) return;
    if (m.msg == 0xFA) closeOther = InClose(hb);
    if (m.msg == 0xFC) {
      closeOwn = InClose(h);
      again = InClose(h);
    }
  };
  ha = OpenIn(0, a);
  hb = OpenIn(1, b);
  loopback::InjectShort(1, 0xF8);
  loopback::Drain();
  loopback::InjectShort(0, 0xFA);
  loopback::Drain();
  EXPECT_EQ(loopback::InjectShort(1, 0xF8), kErrNotReady);
  loopback::InjectShort(0, 0xFC);
  loopback::Drain();
  ins_.clear();
  EXPECT_EQ(closeOther.load(), kOk);
  EXPECT_EQ(closeOwn.load(), kOk);
  EXPECT_EQ(again.load(), kErrInvalidHandle);
  EXPECT_EQ(InStart(ha), kErrInvalidHandle);

  const std::vector<Rec> ra = a.Take(), rb = b.Take();
  ASSERT_EQ(ra.size(), 4u);
  EXPECT_EQ(ra[1].msg, 0xFAu);
  EXPECT_EQ(ra[2].msg, 0xFCu);
  EXPECT_EQ(ra[3].type, InMsg::Close);
  ASSERT_EQ(rb.size(), 3u);
  EXPECT_EQ(rb[0].type, InMsg::Open);
  EXPECT_EQ(rb[1].msg, 0xF8u);
  EXPECT_EQ(rb[2].type, InMsg::Close);
  EXPECT_EQ(rb[2].tid, ra[0].tid);
}

TEST_F(MidiLoopback, EachInputKeepsItsOwnHandleInstanceAndOrder) {
  Recorder& a = NewRec();
  Recorder& b = NewRec();
  const Handle ha = OpenIn(0, a), hb = OpenIn(2, b);
  std::thread ta([] {
    for (int i = 0; i < 500; ++i) loopback::InjectShort(0, 0x90 | (i % 128) << 8 | 0x40 << 16);
  });
  std::thread tb([] {
    for (int i = 0; i < 500; ++i) loopback::InjectShort(2, 0xB1 | (i % 128) << 8 | (i / 128) << 16);
  });
  ta.join();
  tb.join();
  loopback::Drain();
  const std::vector<Rec> da = OfType(a.Take(), InMsg::Data), db = OfType(b.Take(), InMsg::Data);
  ASSERT_EQ(da.size(), 500u);
  ASSERT_EQ(db.size(), 500u);
  for (int i = 0; i < 500; ++i) {
    EXPECT_EQ(da[i].h, ha);
    EXPECT_EQ(da[i].msg, static_cast<uint32_t>(0x90 | (i % 128) << 8 | 0x40 << 16));
    EXPECT_EQ(db[i].h, hb);
    EXPECT_EQ(db[i].msg, static_cast<uint32_t>(0xB1 | (i % 128) << 8 | (i / 128) << 16));
  }
}

TEST_F(MidiLoopback, AFullQueueReportsTheLossAfterWhatItHeld) {
  Recorder& rec = NewRec();
  std::mutex mu;
  std::condition_variable cv;
  bool entered = false, release = false;
  rec.hook = [&](Handle, const InMessage& m) {
    if (m.type != InMsg::Data || m.msg != 0xFA) return;
    std::unique_lock lk(mu);
    entered = true;
    cv.notify_all();
    cv.wait(lk, [&] { return release; });
  };
  OpenIn(0, rec);
  loopback::InjectShort(0, 0xFA);
  {
    std::unique_lock lk(mu);
    cv.wait(lk, [&] { return entered; });
  }
  // The worker is held in the callback, so nothing leaves the queue while it fills.
  constexpr int kTotal = 5000;
  auto msgOf = [](int i) { return static_cast<uint32_t>(0xB0 | (i % 128) << 8 | (i / 128) << 16); };
  for (int i = 0; i < kTotal; ++i) ASSERT_EQ(loopback::InjectShort(0, msgOf(i)), kOk);
  {
    std::lock_guard lk(mu);
    release = true;
  }
  cv.notify_all();
  loopback::Drain();

  const std::vector<Rec> r = rec.Take();
  ASSERT_GE(r.size(), 4u);
  const std::size_t kept = r.size() - 3;  // Open, FA, the kept messages, one Error
  ASSERT_GT(kept, 0u);
  ASSERT_LT(kept, static_cast<std::size_t>(kTotal));
  for (std::size_t i = 0; i < kept; ++i) {
    ASSERT_EQ(r[2 + i].type, InMsg::Data);
    ASSERT_EQ(r[2 + i].msg, msgOf(static_cast<int>(i)));
  }
  const Rec& e = r.back();
  EXPECT_EQ(e.type, InMsg::Error);
  EXPECT_EQ(e.msg, msgOf(kTotal - 1));
  EXPECT_EQ(e.length, kTotal - kept);
  EXPECT_FALSE(e.hasData);
}

// A device flooding faster than its callback takes the messages must not hold the worker: another
// device still hears its messages and can be closed meanwhile.
TEST_F(MidiLoopback, AFloodOnOneInputHoldsUpNeitherTheOthersNorTheirClose) {
  Recorder& flooded = NewRec();
  Recorder& quiet = NewRec();
  flooded.hook = [](Handle, const InMessage&) { std::this_thread::sleep_for(std::chrono::microseconds(20)); };
  OpenIn(0, flooded);
  const Handle hq = OpenIn(1, quiet);
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    while (!stop) loopback::InjectShort(0, 0xFE);
  });
  while (flooded.Count() < 200) std::this_thread::yield();

  ASSERT_EQ(loopback::InjectShort(1, 0x643C90), kOk);
  const bool heard = [&] {
    for (int i = 0; i < 5000 && quiet.Count() < 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return quiet.Count() >= 2;
  }();
  auto closing = std::async(std::launch::async, [hq] { return InClose(hq); });
  const bool closedInTime = closing.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  stop = true;
  flood.join();
  EXPECT_TRUE(heard);
  EXPECT_TRUE(closedInTime);
  EXPECT_EQ(closing.get(), kOk);
  ins_.erase(ins_.begin() + 1);

  const std::vector<Rec> r = quiet.Take();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].type, InMsg::Open);
  EXPECT_EQ(r[1].type, InMsg::Data);
  EXPECT_EQ(r[1].msg, 0x643C90u);
  EXPECT_EQ(r[2].type, InMsg::Close);
}

TEST_F(MidiLoopback, ASysExTooLargeForTheQueueIsALongError) {
  Recorder& rec = NewRec();
  OpenIn(0, rec);
  std::vector<uint8_t> big(70000, 0x11);
  big.front() = 0xF0;
  big.back() = 0xF7;
  gClockMs = 42;
  ASSERT_EQ(loopback::Inject(0, big.data(), big.size()), kOk);
  loopback::Drain();
  std::vector<uint8_t> ok(20000, 0x22);
  ok.front() = 0xF0;
  ok.back() = 0xF7;
  ASSERT_EQ(loopback::Inject(0, ok.data(), ok.size()), kOk);
  loopback::Drain();

  const std::vector<Rec> r = rec.Take();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[1].type, InMsg::LongError);
  EXPECT_FALSE(r[1].hasData);
  EXPECT_EQ(r[1].length, 70000u);
  EXPECT_EQ(r[1].timeMs, 42u);
  EXPECT_EQ(r[2].type, InMsg::LongData);
  EXPECT_EQ(r[2].data, std::string(ok.begin(), ok.end()));
}

TEST_F(MidiLoopback, ShortMessagesGoOutWithTheirLengthAndClockTime) {
  const Handle h = OpenOut(1);
  gClockMs = 12;
  ASSERT_EQ(OutShortMsg(h, 0x643C90), kOk);
  gClockMs = 13;
  ASSERT_EQ(OutShortMsg(h, 0xAA0005C3), kOk);  // program change: the top byte and data 2 are not sent
  ASSERT_EQ(OutShortMsg(h, 0x7F0F8), kOk);
  ASSERT_EQ(OutShortMsg(h, 0x37FF2), kOk);
  ASSERT_EQ(OutShortMsg(h, 0x13F1), kOk);
  ASSERT_EQ(OutShortMsg(h, 0x2000E0), kOk);
  ASSERT_EQ(loopback::SentCount(1), 6u);
  EXPECT_EQ(loopback::SentAt(1, 0).bytes, Bytes({0x90, 0x3C, 0x64}));
  EXPECT_EQ(loopback::SentAt(1, 0).timeMs, 12u);
  EXPECT_EQ(loopback::SentAt(1, 1).bytes, Bytes({0xC3, 0x05}));
  EXPECT_EQ(loopback::SentAt(1, 1).timeMs, 13u);
  EXPECT_EQ(loopback::SentAt(1, 2).bytes, Bytes({0xF8}));
  EXPECT_EQ(loopback::SentAt(1, 3).bytes, Bytes({0xF2, 0x7F, 0x03}));
  EXPECT_EQ(loopback::SentAt(1, 4).bytes, Bytes({0xF1, 0x13}));
  EXPECT_EQ(loopback::SentAt(1, 5).bytes, Bytes({0xE0, 0x00, 0x20}));
  EXPECT_EQ(loopback::SentCount(0), 0u);
  EXPECT_EQ(loopback::SentAt(1, 6).bytes, "");

  const uint32_t bad[] = {0x3C, 0x647F, 0xF0, 0xF7, 0x803C90, 0x008090, 0x80C0};
  for (uint32_t m : bad) EXPECT_EQ(OutShortMsg(h, m), kErrInvalParam) << std::hex << m;
  EXPECT_EQ(loopback::SentCount(1), 6u);
}

TEST_F(MidiLoopback, TheSentRecordKeepsOnlyTheNewestMessages) {
  const Handle h = OpenOut(1);
  // Pitch bends numbered by their 14-bit value, each at its own clock time.
  auto bend = [](uint32_t n) { return Bytes({0xE0, static_cast<int>(n & 0x7F), static_cast<int>(n >> 7)}); };
  const uint32_t total = loopback::kSentKept + 5;
  for (uint32_t n = 0; n < total; ++n) {
    gClockMs = n;
    ASSERT_EQ(OutShortMsg(h, 0xE0 | (n & 0x7F) << 8 | (n >> 7) << 16), kOk);
  }
  ASSERT_EQ(loopback::SentCount(1), loopback::kSentKept);
  EXPECT_EQ(loopback::SentAt(1, 0).bytes, bend(5));
  EXPECT_EQ(loopback::SentAt(1, 0).timeMs, 5u);
  EXPECT_EQ(loopback::SentAt(1, 1000).bytes, bend(1005));
  EXPECT_EQ(loopback::SentAt(1, loopback::kSentKept - 1).bytes, bend(total - 1));
  EXPECT_EQ(loopback::SentAt(1, loopback::kSentKept - 1).timeMs, total - 1);
  EXPECT_EQ(loopback::SentAt(1, loopback::kSentKept).bytes, "");

  // After a clear the record starts again from the first slot.
  loopback::ClearSent();
  ASSERT_EQ(OutShortMsg(h, 0x643C91), kOk);
  ASSERT_EQ(OutShortMsg(h, 0x003C81), kOk);
  ASSERT_EQ(loopback::SentCount(1), 2u);
  EXPECT_EQ(loopback::SentAt(1, 0).bytes, Bytes({0x91, 0x3C, 0x64}));
  EXPECT_EQ(loopback::SentAt(1, 1).bytes, Bytes({0x81, 0x3C, 0x00}));
}

TEST_F(MidiLoopback, SysExGoesOutWholeAndMalformedBlocksAreRefused) {
  const Handle h = OpenOut(0);
  const uint8_t sx[] = {0xF0, 0x7E, 0x05, 0x02, 0x12, 0x40, 0x01, 0xF7};
  ASSERT_EQ(OutLongMsg(h, sx, sizeof sx), kOk);
  ASSERT_EQ(loopback::SentCount(0), 1u);
  EXPECT_EQ(loopback::SentAt(0, 0).bytes, std::string(reinterpret_cast<const char*>(sx), sizeof sx));

  const uint8_t noEnd[] = {0xF0, 0x01, 0x02};
  const uint8_t noStart[] = {0x01, 0x02, 0xF7};
  const uint8_t statusInside[] = {0xF0, 0x01, 0x90, 0xF7};
  EXPECT_EQ(OutLongMsg(h, noEnd, sizeof noEnd), kErrInvalParam);
  EXPECT_EQ(OutLongMsg(h, noStart, sizeof noStart), kErrInvalParam);
  EXPECT_EQ(OutLongMsg(h, statusInside, sizeof statusInside), kErrInvalParam);
  EXPECT_EQ(OutLongMsg(h, sx, 1), kErrInvalParam);
  EXPECT_EQ(OutLongMsg(h, nullptr, 8), kErrInvalParam);
  EXPECT_EQ(loopback::SentCount(0), 1u);
}

TEST_F(MidiLoopback, ResetSendsOneNoteOffForEachNoteLeftSounding) {
  const Handle h = OpenOut(2);
  const uint32_t msgs[] = {
      0x643C90,  // ch1 60 on
      0x503C90,  // ch1 60 on again: two sounding
      0x003C80,  // ch1 60 off: one left
      0x7F4095,  // ch6 64 on
      0x004095,  // ch6 64 on with velocity 0: off
      0x4024,    // (data byte as status: refused, counts nothing)
      0x102399,  // ch10 35 on
      0x00308F,  // ch16 48 off without an on: does not go below zero
      0x40309F,  // ch16 48 on
      0x010090,  // ch1 note 0 on
  };
  for (uint32_t m : msgs) OutShortMsg(h, m);
  loopback::ClearSent();
  ASSERT_EQ(OutReset(h), kOk);
  EXPECT_EQ(SentBytes(2), (std::vector<std::string>{Bytes({0x80, 0x00, 0x00}), Bytes({0x80, 0x3C, 0x00}),
                                                    Bytes({0x89, 0x23, 0x00}), Bytes({0x8F, 0x30, 0x00})}));
  loopback::ClearSent();
  ASSERT_EQ(OutReset(h), kOk);
  EXPECT_EQ(loopback::SentCount(2), 0u);
}

TEST_F(MidiLoopback, SendsFromManyThreadsAreEachWholeAndInOrder) {
  const Handle h = OpenOut(0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([h, t] {
      for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(OutShortMsg(h, 0x90 | t | (i % 128) << 8 | 0x40 << 16), kOk);
        EXPECT_EQ(OutShortMsg(h, 0x80 | t | (i % 128) << 8), kOk);
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_EQ(loopback::SentCount(0), 4000u);
  int next[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < 4000; ++i) {
    const std::string b = loopback::SentAt(0, i).bytes;
    ASSERT_EQ(b.size(), 3u);
    const int t = b[0] & 0x0F;
    const int k = next[t]++;
    const int want = (k % 2 == 0 ? 0x90 : 0x80) | t;
    EXPECT_EQ(static_cast<uint8_t>(b[0]), want);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), (k / 2) % 128);
  }
  loopback::ClearSent();
  ASSERT_EQ(OutReset(h), kOk);
  EXPECT_EQ(loopback::SentCount(0), 0u);
}

TEST_F(MidiLoopback, BadCallsReturnTheirCodes) {
  Recorder& rec = NewRec();
  Handle h = 123;
  EXPECT_EQ(InOpen(loopback::kInDevs, &Recorder::Cb, 0, h), kErrBadDeviceId);
  EXPECT_EQ(h, kInvalidHandle);
  EXPECT_EQ(InOpen(-1, &Recorder::Cb, 0, h), kErrBadDeviceId);
  EXPECT_EQ(InOpen(0, nullptr, 0, h), kErrInvalParam);
  EXPECT_EQ(OutOpen(99, h), kErrBadDeviceId);
  EXPECT_EQ(h, kInvalidHandle);

  const Handle in = OpenIn(0, rec);
  const Handle out = OpenOut(0);
  EXPECT_EQ(InOpen(0, &Recorder::Cb, rec.Inst(), h), kErrAllocated);
  EXPECT_EQ(OutOpen(0, h), kErrAllocated);
  EXPECT_EQ(SelectBackend(Backend::Loopback), kErrAllocated);

  // Handles of the other direction, made-up ones and the invalid one.
  for (Handle bad : {in, kInvalidHandle, Handle{0}, Handle{12345}, Handle{0x7F}}) {
    EXPECT_EQ(OutShortMsg(bad, 0x643C90), kErrInvalidHandle);
    EXPECT_EQ(OutLongMsg(bad, reinterpret_cast<const uint8_t*>("\xF0\xF7"), 2), kErrInvalidHandle);
    EXPECT_EQ(OutReset(bad), kErrInvalidHandle);
    EXPECT_EQ(OutClose(bad), kErrInvalidHandle);
  }
  for (Handle bad : {out, kInvalidHandle, Handle{0}, Handle{12345}, Handle{0xBF}}) {
    EXPECT_EQ(InStart(bad), kErrInvalidHandle);
    EXPECT_EQ(InStop(bad), kErrInvalidHandle);
    EXPECT_EQ(InReset(bad), kErrInvalidHandle);
    EXPECT_EQ(InClose(bad), kErrInvalidHandle);
  }

  ASSERT_EQ(OutClose(out), kOk);
  outs_.clear();
  EXPECT_EQ(OutClose(out), kErrInvalidHandle);
  EXPECT_EQ(OutShortMsg(out, 0x643C90), kErrInvalidHandle);
  EXPECT_EQ(OutReset(out), kErrInvalidHandle);
  EXPECT_EQ(loopback::SentCount(0), 0u);
  const Handle out2 = OpenOut(0);  // same slot, new handle
  EXPECT_NE(out2, out);
  EXPECT_EQ(OutShortMsg(out, 0xF8), kErrInvalidHandle);
  EXPECT_EQ(OutShortMsg(out2, 0xF8), kOk);
}

TEST_F(MidiLoopback, FailNextFailsOneCallOfThatName) {
  Recorder& rec = NewRec();
  Handle h = kInvalidHandle;
  loopback::FailNext("open", kErrNoDriver);
  EXPECT_EQ(InOpen(0, &Recorder::Cb, rec.Inst(), h), kErrNoDriver);
  EXPECT_EQ(h, kInvalidHandle);
  const Handle in = OpenIn(0, rec, false);

  loopback::FailNext("start", kErrNotReady);
  EXPECT_EQ(InStart(in), kErrNotReady);
  loopback::InjectShort(0, 0xF8);  // not started: dropped
  ASSERT_EQ(InStart(in), kOk);
  loopback::FailNext("stop", kErrBackend);
  EXPECT_EQ(InStop(in), kErrBackend);
  loopback::InjectShort(0, 0xFA);  // the stop failed: still started
  loopback::FailNext("reset", kErrBackend);
  EXPECT_EQ(InReset(in), kErrBackend);
  loopback::Drain();
  const std::vector<Rec> d = OfType(rec.Take(), InMsg::Data);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].msg, 0xFAu);

  const Handle out = OpenOut(1);
  loopback::FailNext("send", kErrServerGone);
  EXPECT_EQ(OutShortMsg(out, 0x643C90), kErrServerGone);  // not sent, so not sounding
  ASSERT_EQ(OutShortMsg(out, 0x643D90), kOk);
  loopback::FailNext("reset", kErrBackend);
  EXPECT_EQ(OutReset(out), kErrBackend);
  EXPECT_EQ(SentBytes(1), std::vector<std::string>{Bytes({0x90, 0x3D, 0x64})});
  ASSERT_EQ(OutReset(out), kOk);  // the note is still known after the failed reset
  EXPECT_EQ(SentBytes(1), (std::vector<std::string>{Bytes({0x90, 0x3D, 0x64}), Bytes({0x80, 0x3D, 0x00})}));

  // A failed close is reported, and the handle is released all the same.
  loopback::FailNext("close", kErrBackend);
  EXPECT_EQ(OutClose(out), kErrBackend);
  outs_.clear();
  EXPECT_EQ(OutShortMsg(out, 0xF8), kErrInvalidHandle);
  OpenOut(1);
  loopback::FailNext("close", kErrBackend);
  EXPECT_EQ(InClose(in), kErrBackend);
  ins_.clear();
  EXPECT_EQ(InStart(in), kErrInvalidHandle);
  OpenIn(0, rec);

  loopback::FailNext("send", kErrBackend);
  loopback::FailNext("send", kOk);  // withdrawn
  EXPECT_EQ(OutShortMsg(outs_.back(), 0xF8), kOk);
}

TEST_F(MidiLoopback, StartStopAndInjectFromOtherThreadsDoNotRace) {
  Recorder& rec = NewRec();
  const Handle h = OpenIn(0, rec, false);
  std::atomic<bool> stop{false};
  std::thread injector([&] {
    while (!stop) loopback::InjectShort(0, 0x643C90);
  });
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(InStart(h), kOk);
    EXPECT_EQ(InStop(h), kOk);
  }
  stop = true;
  injector.join();
  EXPECT_EQ(InClose(h), kOk);
  ins_.clear();
  for (const Rec& r : rec.Take()) {
    // A flood may overrun the queue; whatever is told is still the one message.
    if (r.type == InMsg::Data || r.type == InMsg::Error) {
      EXPECT_EQ(r.msg, 0x643C90u);
    }
  }
  EXPECT_EQ(rec.Take().back().type, InMsg::Close);
}

TEST_F(MidiLoopback, TheEnvironmentChoosesTheBackendInAnyCase) {
  {
    const test::TEnvScope midi("VELLORINE_MIDI", "LoopBack");
    EXPECT_EQ(SelectDefaultBackend(), Backend::Loopback);
    // With a device open the choice stays as it is.
    OpenOut(0);
    EXPECT_EQ(SelectDefaultBackend(), Backend::Loopback);
  }
  EXPECT_STREQ(BackendName(Backend::Alsa), "ALSA");
  EXPECT_STREQ(BackendName(Backend::Jack), "JACK");
}

TEST(MidiErrorText, EveryCodeHasOneShortLine) {
  const std::pair<Result, const char*> texts[] = {
      {kOk, "The operation completed successfully"},
      {kErrBadDeviceId, "The device number is out of range"},
      {kErrNotEnabled, "No MIDI backend is active"},
      {kErrAllocated, "The device is already open"},
      {kErrInvalidHandle, "The device handle is closed or invalid"},
      {kErrNoDriver, "The MIDI server cannot be reached"},
      {kErrNoMem, "Not enough memory for the MIDI device"},
      {kErrInvalParam, "Malformed MIDI message or invalid parameter"},
      {kErrStillPlaying, "A SysEx block is still being sent"},
      {kErrNotReady, "The device is busy or not started"},
      {kErrBackend, "The MIDI backend refused the request"},
      {kErrServerGone, "The MIDI server went away"},
      {kErrQueueFull, "The device's queue is full; message not sent"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(ErrorText(code), text) << code;
  EXPECT_EQ(ErrorText(1), "Unknown MIDI error 1");
  EXPECT_EQ(ErrorText(0xFFFFFFFFu), "Unknown MIDI error 4294967295");
  for (Result c = 0; c < 1000; ++c) {
    const std::string t = ErrorText(c);
    EXPECT_FALSE(t.empty());
    EXPECT_LE(t.size(), 80u) << c;
    EXPECT_EQ(t.find('\n'), std::string::npos) << c;
  }
}

}  // namespace
}  // namespace vel::midi
