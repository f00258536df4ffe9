// The in-process backend: a few input and output devices that exist only inside this program.
// Tests inject input and read back the newest messages sent, stamped with the engine's clock.
#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi/MidiBackend.h"
#include "platform/midi/ShortMsg.h"

namespace vel::midi {
namespace {

using detail::BackendImpl;
using detail::BackendInput;
using detail::BackendOutput;
using detail::InputSink;

// The newest kSentKept messages of one device. Loopback is also the fallback when no MIDI server
// runs, so an unbounded list would grow for as long as the program plays. The slots are reserved
// at the first message and reused, so a short message is recorded without allocating.
class SentRing {
 public:
  void Push(uint32_t timeMs, const uint8_t* data, std::size_t length, int64_t due) {
    if (slots_.size() < loopback::kSentKept) {
      if (slots_.capacity() == 0) slots_.reserve(loopback::kSentKept);
      slots_.push_back({});
      Fill(slots_.back(), timeMs, data, length, due);
      return;
    }
    Fill(slots_[oldest_], timeMs, data, length, due);
    oldest_ = (oldest_ + 1) % slots_.size();
  }
  std::size_t Size() const { return slots_.size(); }
  // i counts from the oldest kept.
  const loopback::Sent& At(std::size_t i) const { return slots_[(oldest_ + i) % slots_.size()]; }
  void Clear() {
    slots_.clear();
    oldest_ = 0;
  }

 private:
  static void Fill(loopback::Sent& s, uint32_t timeMs, const uint8_t* data, std::size_t length, int64_t due) {
    s.timeMs = timeMs;
    s.bytes.assign(reinterpret_cast<const char*>(data), length);
    s.dueNs = due;
  }

  std::vector<loopback::Sent> slots_;
  std::size_t oldest_ = 0;  // the slot the next message overwrites once all are used
};

struct Loop {
  std::mutex mu;
  std::array<InputSink*, kMaxDevs> inSink{};  // open inputs
  std::array<bool, kMaxDevs> outOpen{};
  std::array<SentRing, kMaxDevs> sent;
  // The devices listed; SetDevCounts changes them.
  std::atomic<int> inDevs{loopback::kInDevs};
  std::atomic<int> outDevs{loopback::kOutDevs};
  std::map<std::string, Result> failNext;
  int64_t sendRoom = -1;  // messages the outputs still take; -1 no limit
  std::atomic<uint32_t (*)()> clock{nullptr};

  // Under mu.
  Result TakeFail(const char* call) {
    auto it = failNext.find(call);
    if (it == failNext.end()) return kOk;
    const Result r = it->second;
    failNext.erase(it);
    return r;
  }

  uint32_t NowMs() {
    uint32_t (*now)() = clock.load(std::memory_order_acquire);
    return now ? now() : 0;
  }
};

// Never destroyed, so a device closed while the program ends still finds it.
Loop& L() {
  static Loop* loop = new Loop;
  return *loop;
}

int64_t ClockNs() {
  return int64_t{L().NowMs()} * 1000000;
}

constexpr const char* kInPrefix = "Loopback In ";
constexpr const char* kOutPrefix = "Loopback Out ";

std::string DevName(const char* prefix, int i) {
  return prefix + std::to_string(i + 1);
}

// The number of the device of that name, -1 when there is none.
int DevIndex(const std::string& name, const char* prefix, int count) {
  for (int i = 0; i < count; ++i) {
    if (name == DevName(prefix, i)) return i;
  }
  return -1;
}

// The failure FailNext asked for this call, else kOk.
Result Fail(const char* call) {
  std::lock_guard lk(L().mu);
  return L().TakeFail(call);
}

class LoopInput final : public BackendInput {
 public:
  explicit LoopInput(int dev) : dev_(dev) {}
  ~LoopInput() override {
    std::lock_guard lk(L().mu);
    L().inSink[dev_] = nullptr;
  }
  Result Start() override { return Fail("start"); }
  Result Stop() override { return Fail("stop"); }
  Result Reset() override { return Fail("reset"); }
  Result Close() override { return Fail("close"); }

 private:
  int dev_;
};

class LoopOutput final : public BackendOutput {
 public:
  explicit LoopOutput(int dev) : dev_(dev) {}
  ~LoopOutput() override {
    std::lock_guard lk(L().mu);
    L().outOpen[dev_] = false;
  }
  Result Send(const uint8_t* data, std::size_t length, int64_t dueNs) override {
    const uint32_t now = L().NowMs();
    // No latency here: a due time may lie up to the late window before now, never after it. Now
    // is the clock in force: this backend's, or one a test stands in for it.
    const int64_t due = dueNs == kNow ? kNow : detail::ClampDue(dueNs, clock::NowNs(), 0);
    std::lock_guard lk(L().mu);
    if (const Result r = L().TakeFail("send")) return r;
    if (L().sendRoom == 0) return kErrQueueFull;
    if (L().sendRoom > 0) --L().sendRoom;
    L().sent[dev_].Push(now, data, length, due);
    return kOk;
  }
  Result Reset() override { return Fail("reset"); }
  Result Close() override { return Fail("close"); }

 private:
  int dev_;
};

class LoopBackend final : public BackendImpl {
 public:
  Backend Kind() const override { return Backend::Loopback; }

  Result ListInputs(std::vector<std::string>& names) override { return List(kInPrefix, L().inDevs, names); }
  Result ListOutputs(std::vector<std::string>& names) override {
    return List(kOutPrefix, L().outDevs, names);
  }

  Result OpenInput(const std::string& name, InputSink* sink, std::unique_ptr<BackendInput>& out) override {
    const int i = DevIndex(name, kInPrefix, L().inDevs);
    if (i < 0) return kErrBadDeviceId;
    std::lock_guard lk(L().mu);
    if (const Result r = L().TakeFail("open")) return r;
    if (L().inSink[i]) return kErrAllocated;
    L().inSink[i] = sink;
    out = std::make_unique<LoopInput>(i);
    return kOk;
  }

  Result OpenOutput(const std::string& name, std::unique_ptr<BackendOutput>& out) override {
    const int i = DevIndex(name, kOutPrefix, L().outDevs);
    if (i < 0) return kErrBadDeviceId;
    std::lock_guard lk(L().mu);
    if (const Result r = L().TakeFail("open")) return r;
    if (L().outOpen[i]) return kErrAllocated;
    L().outOpen[i] = true;
    out = std::make_unique<LoopOutput>(i);
    return kOk;
  }

  int64_t NowNs() override { return ClockNs(); }
  clock::TClock* Clock() override {
    // Never destroyed: the timer may read it while the program ends.
    static clock::TSystemClock* c = new clock::TSystemClock{ClockNs};
    return c;
  }

 private:
  static Result List(const char* prefix, int count, std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i < count; ++i) names.push_back(DevName(prefix, i));
    return kOk;
  }
};

}  // namespace

namespace detail {

std::unique_ptr<BackendImpl> MakeLoopbackBackend(Result& err) {
  err = kOk;
  return std::make_unique<LoopBackend>();
}

}  // namespace detail

namespace loopback {

void SetDevCounts(int inDevs, int outDevs) {
  L().inDevs = inDevs < 0 ? 0 : inDevs > kMaxDevs ? kMaxDevs : inDevs;
  L().outDevs = outDevs < 0 ? 0 : outDevs > kMaxDevs ? kMaxDevs : outDevs;
}

void SetClock(uint32_t (*now)()) {
  L().clock.store(now, std::memory_order_release);
}

Result Inject(int devId, const uint8_t* data, std::size_t length) {
  if (devId < 0 || devId >= L().inDevs) return kErrBadDeviceId;
  if (data == nullptr || length == 0) return kErrInvalParam;
  const int64_t now = int64_t{L().NowMs()} * 1000000;
  // Under the lock: the sink's ring takes one producer, and the device cannot close meanwhile.
  std::lock_guard lk(L().mu);
  InputSink* sink = L().inSink[devId];
  if (!sink) return kErrNotReady;
  sink->Push(data, length, now);
  return kOk;
}

Result InjectShort(int devId, uint32_t msg) {
  const std::array<uint8_t, 3> b = TShortMsg{msg}.Bytes();
  const int n = detail::ShortMsgLength(b[0]);
  if (n == 0) return kErrInvalParam;
  return Inject(devId, b.data(), static_cast<std::size_t>(n));
}

Result LoseInput(int devId) {
  if (devId < 0 || devId >= L().inDevs) return kErrBadDeviceId;
  std::lock_guard lk(L().mu);
  InputSink* sink = L().inSink[devId];
  if (!sink) return kErrNotReady;
  sink->Lost();
  return kOk;
}

std::size_t SentCount(int devId) {
  if (devId < 0 || devId >= L().outDevs) return 0;
  std::lock_guard lk(L().mu);
  return L().sent[devId].Size();
}

Sent SentAt(int devId, std::size_t i) {
  if (devId < 0 || devId >= L().outDevs) return {};
  std::lock_guard lk(L().mu);
  if (i >= L().sent[devId].Size()) return {};
  return L().sent[devId].At(i);
}

void ClearSent() {
  std::lock_guard lk(L().mu);
  for (SentRing& r : L().sent) r.Clear();
}

void FailNext(const char* call, Result code) {
  if (call == nullptr) return;
  std::lock_guard lk(L().mu);
  if (code == kOk) {
    L().failNext.erase(call);
  } else {
    L().failNext[call] = code;
  }
}

void LimitSends(int64_t n) {
  std::lock_guard lk(L().mu);
  L().sendRoom = n < 0 ? -1 : n;
}

void Drain() {
  detail::DrainInput();
}

void Reset() {
  SetDevCounts(kInDevs, kOutDevs);
  SetClock(nullptr);
  std::lock_guard lk(L().mu);
  for (SentRing& r : L().sent) r.Clear();
  L().failNext.clear();
  L().sendRoom = -1;
}

}  // namespace loopback

}  // namespace vel::midi
