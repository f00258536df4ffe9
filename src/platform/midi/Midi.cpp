// The MIDI facade: backend choice, device lists, the handle tables, the one MIDI-in worker thread
// and the per-device output locks with their sounding-note tables.
#include "platform/midi/Midi.h"

#include <pthread.h>
#include <semaphore.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/RealTime.h"
#include "platform/midi/MidiBackend.h"
#include "platform/midi/ShortMsg.h"
#include "platform/midi/SpscRing.h"

namespace vel::midi {
namespace {

using detail::BackendImpl;
using detail::BackendInput;
using detail::BackendOutput;
using detail::Guard;

// Per input: room for a SysEx dump of some 64 KB, or about 3400 short messages the worker has
// not taken yet.
constexpr std::size_t kInRing = std::size_t{1} << 16;
using InRing = detail::SpscRing<kInRing>;
// Messages one input may deliver before the worker turns to the others, so that a flood on one
// device neither starves the rest nor holds up closing them.
constexpr int kServeBatch = 64;

constexpr Handle kOutBit = 0x40;
constexpr Handle kSlotMask = 0x3F;
static_assert(kMaxDevs <= 0x40, "slot numbers must fit below the direction bit");

thread_local bool tOnWorker = false;

// The late window and the clamp count: read on the timer thread and JACK's, so never behind a
// lock. The active backend's clock is the one in force (platform/Clock.h).
constexpr int64_t kDefaultLateWindowNs = 1250000;
std::atomic<int64_t> gLateWindowNs{kDefaultLateWindowNs};
std::atomic<uint64_t> gClamps{0};

class State;
State& St();
void Wake(bool force);

// Up to three bytes packed as a short message: status in the low byte.
uint32_t Pack(const uint8_t* data, std::size_t length) {
  auto at = [&](std::size_t i) -> uint32_t { return i < length ? data[i] : 0; };
  return TShortMsg::Pack(at(0), at(1), at(2)).Raw;
}

// What a backend's thread hands its messages to. Push never blocks and never allocates.
class InSink final : public detail::InputSink {
 public:
  void Push(const uint8_t* data, std::size_t length, int64_t timeNs) override {
    if (!started.load(std::memory_order_acquire) || data == nullptr || length == 0) return;
    // The time on the backend's clock, and in ms since the start in force as it arrives (what a
    // restart before it is delivered does not change).
    const int64_t start = startNs.load(std::memory_order_acquire);
    const int64_t at = timeNs < start ? start : timeNs;
    const int64_t rel = at - start;
    if (length > UINT32_MAX ||
        !ring.Push(data, static_cast<uint32_t>(length), at, static_cast<uint32_t>(rel / 1000000))) {
      if (data[0] == 0xF0) {
        lastLostLength.store(static_cast<uint32_t>(length > UINT32_MAX ? UINT32_MAX : length),
                             std::memory_order_relaxed);
        lastLostMs.store(static_cast<uint32_t>(rel / 1000000), std::memory_order_relaxed);
        lostLong.fetch_add(1, std::memory_order_release);
      } else {
        lastLostMsg.store(Pack(data, length), std::memory_order_relaxed);
        lastLostMs.store(static_cast<uint32_t>(rel / 1000000), std::memory_order_relaxed);
        lostShort.fetch_add(1, std::memory_order_release);
      }
    }
    Wake(false);
  }

  void Lost() override {
    serverGone.store(true, std::memory_order_release);
    Wake(false);
  }

  // Only while no backend feeds it and the worker does not serve it.
  void Reset() {
    ring.Clear();
    started.store(false, std::memory_order_release);
    startNs.store(0, std::memory_order_relaxed);
    lostShort.store(0, std::memory_order_relaxed);
    lostLong.store(0, std::memory_order_relaxed);
    serverGone.store(false, std::memory_order_relaxed);
  }

  InRing ring;
  std::atomic<bool> started{false};
  std::atomic<int64_t> startNs{0};
  std::atomic<uint32_t> lostShort{0};
  std::atomic<uint32_t> lostLong{0};
  std::atomic<uint32_t> lastLostMsg{0};
  std::atomic<uint32_t> lastLostLength{0};
  std::atomic<uint32_t> lastLostMs{0};
  std::atomic<bool> serverGone{false};
};

// kDone is set by the worker once it has said Close: from then on it never serves the slot, so
// the closing thread may tidy it up and free it.
enum SlotState : int { kFree, kOpen, kClosing, kDone };

struct InSlot {
  // Set while the slot is free, then published to the worker by state (release).
  InCallback cb = nullptr;
  uintptr_t instance = 0;
  std::atomic<Handle> handle{kInvalidHandle};
  std::atomic<int> state{kFree};
  std::atomic<bool> openPending{false};
  std::atomic<bool> closeReq{false};
  bool closeDone = false;  // under State::doneMx
  // Under State::api.
  std::string name;
  std::unique_ptr<BackendInput> dev;
  bool started = false;
  InSink sink;
};

struct OutSlot {
  std::mutex mu;  // serialises the device's sends; open and close take it too
  Handle handle = kInvalidHandle;
  std::string name;
  std::unique_ptr<BackendOutput> dev;
  std::array<std::array<uint8_t, 128>, 16> sounding{};  // note-ons not yet matched, per channel
};

class State {
 public:
  State() { sem_init(&sem, 0, 0); }

  std::mutex api;  // device lists, backend, opening and closing; never held while waiting for the worker
  std::unique_ptr<BackendImpl> backend;
  bool shutDown = false;
  std::vector<std::string> inNames;
  std::vector<std::string> outNames;
  uint32_t nextGen = 1;
  std::array<InSlot, kMaxDevs> ins;
  std::array<OutSlot, kMaxDevs> outs;

  // The MIDI-in worker.
  sem_t sem;
  std::atomic<bool> wakePending{false};
  std::atomic<bool> quit{false};
  std::thread worker;
  pid_t workerPid = 0;  // a forked child has no worker, whatever its copy of this says
  std::atomic<bool> workerRunning{false};
  std::mutex doneMx;
  std::condition_variable doneCv;
  uint64_t drainReq = 0;                  // under doneMx
  uint64_t passDone = 0;                  // under doneMx
  std::array<uint8_t, kInRing> popBuf{};  // worker only
};

void Wake(bool force) {
  State& s = St();
  // One post per batch: the worker clears the flag before it looks at the rings.
  if (!s.wakePending.exchange(true, std::memory_order_acq_rel) || force) sem_post(&s.sem);
}

void Call(InCallback cb, Handle h, uintptr_t inst, const InMessage& m) {
  try {
    cb(h, inst, m);
  } catch (...) {
    // The worker outlives a callback that throws; nothing else can be done with it here.
  }
}

InMessage Msg(InMsg type, uint32_t msg = 0, uint32_t timeMs = 0, const uint8_t* data = nullptr,
              std::size_t length = 0) {
  return InMessage{type, msg, timeMs, data, length};
}

InMessage Decode(const uint8_t* data, std::size_t length, uint32_t timeMs, int64_t timeNs) {
  const uint8_t st = data[0];
  InMessage m{};
  if (st == 0xF0) {
    const bool whole = length >= 2 && data[length - 1] == 0xF7;
    m = Msg(whole ? InMsg::LongData : InMsg::LongError, 0, timeMs, data, length);
  } else {
    bool valid = static_cast<std::size_t>(detail::ShortMsgLength(st)) == length;
    for (std::size_t i = 1; valid && i < length; ++i) valid = data[i] < 0x80;
    m = valid ? Msg(InMsg::Data, Pack(data, length), timeMs)
              : Msg(InMsg::Error, Pack(data, length), timeMs, data, length);
  }
  m.timeNs = timeNs;
  return m;
}

// Delivers what one input holds, up to kServeBatch messages; true when it holds more. The callback
// may close or reopen any handle (on this thread), so the slot is checked again after every call.
bool Serve(State& s, InSlot& slot) {
  const int st = slot.state.load(std::memory_order_acquire);
  if (st != kOpen && st != kClosing) return false;
  const Handle h = slot.handle.load(std::memory_order_relaxed);
  const InCallback cb = slot.cb;
  const uintptr_t inst = slot.instance;
  auto alive = [&] {
    const int now = slot.state.load(std::memory_order_acquire);
    return (now == kOpen || now == kClosing) && slot.handle.load(std::memory_order_relaxed) == h;
  };
  if (slot.openPending.exchange(false, std::memory_order_acq_rel)) {
    Call(cb, h, inst, Msg(InMsg::Open));
    if (!alive()) return false;
  }
  InSink& sink = slot.sink;
  for (int served = 0;; ++served) {
    if (slot.closeReq.load(std::memory_order_acquire)) {
      Call(cb, h, inst, Msg(InMsg::Close));
      slot.state.store(kDone, std::memory_order_release);
      {
        std::lock_guard lk(s.doneMx);
        slot.closeDone = true;
      }
      s.doneCv.notify_all();
      return false;
    }
    if (served == kServeBatch) return true;
    InRing::Header hd{};
    bool truncated = false;
    if (sink.ring.Pop(s.popBuf.data(), s.popBuf.size(), hd, truncated)) {
      const uint32_t timeMs = hd.tag;
      if (truncated) {
        Call(cb, h, inst, Msg(InMsg::LongError, 0, timeMs, nullptr, hd.length));
      } else if (hd.length != 0) {
        Call(cb, h, inst, Decode(s.popBuf.data(), hd.length, timeMs, hd.timeNs));
      }
    } else if (const uint32_t n = sink.lostShort.exchange(0, std::memory_order_acquire)) {
      // Losses are newer than everything the ring held, so they are told after it.
      Call(cb, h, inst,
           Msg(InMsg::Error, sink.lastLostMsg.load(std::memory_order_relaxed),
               sink.lastLostMs.load(std::memory_order_relaxed), nullptr, n));
    } else if (sink.lostLong.exchange(0, std::memory_order_acquire) != 0) {
      Call(cb, h, inst,
           Msg(InMsg::LongError, 0, sink.lastLostMs.load(std::memory_order_relaxed), nullptr,
               sink.lastLostLength.load(std::memory_order_relaxed)));
    } else if (sink.serverGone.exchange(false, std::memory_order_acq_rel)) {
      Call(cb, h, inst, Msg(InMsg::Error));
    } else {
      return false;
    }
    if (!alive()) return false;
  }
}

void WorkerMain(State& s) {
  tOnWorker = true;
  pthread_setname_np(pthread_self(), "vel-midi-in");
  // Live input waits for this thread: let it run before ordinary work where the system allows,
  // at most at the priority the MIDI server in use allows (a change applies before the next
  // message is served).
  int ceiling = realtime::PriorityCeiling();
  realtime::SetThreadRealTime(realtime::MidiInPriority());
  for (;;) {
    while (sem_wait(&s.sem) != 0 && errno == EINTR) {
    }
    s.wakePending.exchange(false, std::memory_order_acq_rel);
    if (s.quit.load(std::memory_order_acquire)) break;
    if (realtime::PriorityCeiling() != ceiling) {
      ceiling = realtime::PriorityCeiling();
      realtime::SetThreadRealTime(realtime::MidiInPriority());
    }
    uint64_t req;
    {
      std::lock_guard lk(s.doneMx);
      req = s.drainReq;
    }
    bool more = false;
    for (InSlot& slot : s.ins) more = Serve(s, slot) || more;
    if (more) {
      // Another pass; a drain is done only by a pass that left nothing behind.
      Wake(true);
      continue;
    }
    {
      std::lock_guard lk(s.doneMx);
      s.passDone = req;
    }
    s.doneCv.notify_all();
  }
}

// Under api.
void StartWorker(State& s) {
  if (s.workerRunning.load(std::memory_order_relaxed)) return;
  s.worker = std::thread([&s] { WorkerMain(s); });
  s.workerPid = getpid();
  s.workerRunning.store(true, std::memory_order_release);
}

std::unique_ptr<BackendImpl> Make(Backend b, Result& err) {
  std::unique_ptr<BackendImpl> impl;
  Result made = kOk;
  err = Guard([&] {
    switch (b) {
      case Backend::Alsa:
        impl = detail::MakeAlsaBackend(made);
        break;
      case Backend::Jack:
        impl = detail::MakeJackBackend(made);
        break;
      case Backend::Loopback:
        impl = detail::MakeLoopbackBackend(made);
        break;
    }
    return made;
  });
  if (err != kOk) impl.reset();
  if (!impl && err == kOk) err = kErrNoDriver;
  return impl;
}

// Under api: one direction's list taken again from the backend; the other's stays as it is.
void ListLocked(State& s, bool outputs) {
  std::vector<std::string>& names = outputs ? s.outNames : s.inNames;
  names.clear();
  if (!s.backend) return;
  std::vector<std::string> got;
  const Result r = Guard([&] { return outputs ? s.backend->ListOutputs(got) : s.backend->ListInputs(got); });
  if (r != kOk) got.clear();
  for (const std::string& n : got) {
    if (names.size() == kMaxDevs) break;
    names.push_back(detail::CutDevName(n));
  }
}

// Under api.
void RescanLocked(State& s) {
  ListLocked(s, false);
  ListLocked(s, true);
}

// Under api.
bool AnyOpen(State& s) {
  for (InSlot& i : s.ins) {
    if (i.state.load(std::memory_order_acquire) != kFree) return true;
  }
  for (OutSlot& o : s.outs) {
    if (o.handle != kInvalidHandle) return true;
  }
  return false;
}

// Under api.
Result SelectLocked(State& s, Backend b) {
  if (s.shutDown) return kErrNotEnabled;
  if (AnyOpen(s)) return kErrAllocated;
  // A backend whose server went away is made anew: the server may be back, and if it is not the
  // caller learns so instead of getting empty lists.
  if (!s.backend || s.backend->Kind() != b || !s.backend->Alive()) {
    Result err = kOk;
    std::unique_ptr<BackendImpl> impl = Make(b, err);
    if (!impl) {
      // A dead backend stays, but its lists must not go on offering the devices it had.
      if (s.backend && !s.backend->Alive()) RescanLocked(s);
      return err;
    }
    s.backend.reset();
    s.backend = std::move(impl);
    clock::Use(s.backend->Clock());
    realtime::SetPriorityCeiling(s.backend->PriorityCeiling());
    // The worker takes the new ceiling as it wakes, not only at the next message.
    if (s.workerRunning.load(std::memory_order_acquire)) Wake(false);
  }
  RescanLocked(s);
  return kOk;
}

bool Named(const char* env, const char* name) {
  return env != nullptr && strcasecmp(env, name) == 0;
}

// Under api. The program must always start, so the last resort is the loopback backend.
void SelectDefaultLocked(State& s) {
  if (s.shutDown || AnyOpen(s)) return;
  const char* env = std::getenv("VELLORINE_MIDI");
  if (Named(env, "alsa")) {
    if (SelectLocked(s, Backend::Alsa) == kOk) return;
  } else if (Named(env, "jack")) {
    if (SelectLocked(s, Backend::Jack) == kOk) return;
  } else if (!Named(env, "loopback")) {
    if (access("/dev/snd/seq", F_OK) == 0 && SelectLocked(s, Backend::Alsa) == kOk) return;
    if (SelectLocked(s, Backend::Jack) == kOk) return;
  }
  SelectLocked(s, Backend::Loopback);
}

// Under api. Nothing opens once the program has begun to end.
bool EnsureBackend(State& s) {
  if (s.shutDown) return false;
  if (!s.backend) SelectDefaultLocked(s);
  return s.backend != nullptr;
}

Handle NewHandle(State& s, int slot, bool out) {
  const Handle h = (s.nextGen << 8) | (out ? kOutBit : 0) | static_cast<Handle>(slot);
  s.nextGen = (s.nextGen + 1) & 0xFFFFFF;
  if (s.nextGen == 0) s.nextGen = 1;
  return h;
}

// Under api: the open input slot of h, else null.
InSlot* FindIn(State& s, Handle h) {
  if (h == kInvalidHandle || (h & kOutBit) != 0 || (h & kSlotMask) >= kMaxDevs) return nullptr;
  InSlot& slot = s.ins[h & kSlotMask];
  if (slot.state.load(std::memory_order_acquire) != kOpen) return nullptr;
  if (slot.handle.load(std::memory_order_relaxed) != h) return nullptr;
  return &slot;
}

// The output slot h would be in; its handle must still be checked under its mutex.
OutSlot* OutSlotOf(State& s, Handle h) {
  if (h == kInvalidHandle || (h & kOutBit) == 0 || (h & kSlotMask) >= kMaxDevs) return nullptr;
  return &s.outs[h & kSlotMask];
}

// Under api: the name of a listed device.
Result DevName(State& s, const std::vector<std::string>& names, int devId, std::string& name) {
  if (!EnsureBackend(s)) return kErrNotEnabled;
  if (devId < 0 || devId >= static_cast<int>(names.size())) return kErrBadDeviceId;
  name = names[devId];
  return kOk;
}

// Under api.
Result StopLocked(InSlot& slot) {
  const Result r = Guard([&] { return slot.dev->Stop(); });
  if (r != kOk) return r;
  slot.sink.started.store(false, std::memory_order_release);
  slot.started = false;
  return kOk;
}

void CloseAllAtExit();

State& St() {
  // Never destroyed: callbacks and backend threads may still look at it while the program ends;
  // the exit handler closes the devices and stops the worker instead.
  static State* s = [] {
    auto* st = new State;
    std::atexit(CloseAllAtExit);
    return st;
  }();
  return *s;
}

void CloseAllAtExit() {
  State& s = St();
  std::vector<Handle> handles;
  {
    std::lock_guard lk(s.api);
    // From here on nothing opens: a device opened now would outlive the worker.
    s.shutDown = true;
    for (InSlot& i : s.ins) {
      if (i.state.load(std::memory_order_acquire) == kOpen) handles.push_back(i.handle.load());
    }
  }
  for (Handle h : handles) InClose(h);
  handles.clear();
  {
    std::lock_guard lk(s.api);
    for (OutSlot& o : s.outs) {
      std::lock_guard ok(o.mu);
      if (o.handle != kInvalidHandle) handles.push_back(o.handle);
    }
  }
  for (Handle h : handles) OutClose(h);
  // A forked child that ends with exit() has no worker to join (its copy of the thread would
  // be waited for in vain); the parent's own exit stops it.
  if (s.workerRunning.load(std::memory_order_acquire) && s.workerPid == getpid()) {
    s.quit.store(true, std::memory_order_release);
    sem_post(&s.sem);
    if (tOnWorker) {
      s.worker.detach();
    } else {
      s.worker.join();
    }
    s.workerRunning.store(false, std::memory_order_release);
  }
  std::lock_guard lk(s.api);
  s.backend.reset();
}

}  // namespace

std::string ErrorText(Result code) {
  switch (code) {
    case kOk:
      return "The operation completed successfully";
    case kErrBadDeviceId:
      return "The device number is out of range";
    case kErrNotEnabled:
      return "No MIDI backend is active";
    case kErrAllocated:
      return "The device is already open";
    case kErrInvalidHandle:
      return "The device handle is closed or invalid";
    case kErrNoDriver:
      return "The MIDI server cannot be reached";
    case kErrNoMem:
      return "Not enough memory for the MIDI device";
    case kErrInvalParam:
      return "Malformed MIDI message or invalid parameter";
    case kErrStillPlaying:
      return "A SysEx block is still being sent";
    case kErrNotReady:
      return "The device is busy or not started";
    case kErrBackend:
      return "The MIDI backend refused the request";
    case kErrServerGone:
      return "The MIDI server went away";
    case kErrQueueFull:
      return "The device's queue is full; message not sent";
    default:
      return "Unknown MIDI error " + std::to_string(code);
  }
}

Backend SelectDefaultBackend() {
  State& s = St();
  std::lock_guard lk(s.api);
  SelectDefaultLocked(s);
  return s.backend ? s.backend->Kind() : Backend::Loopback;
}

Result SelectBackend(Backend b) {
  State& s = St();
  std::lock_guard lk(s.api);
  return SelectLocked(s, b);
}

Backend ActiveBackend() {
  State& s = St();
  std::lock_guard lk(s.api);
  EnsureBackend(s);
  return s.backend ? s.backend->Kind() : Backend::Loopback;
}

const char* BackendName(Backend b) {
  switch (b) {
    case Backend::Alsa:
      return "ALSA";
    case Backend::Jack:
      return "JACK";
    case Backend::Loopback:
      return "Loopback";
  }
  return "?";
}

void Rescan() {
  State& s = St();
  std::lock_guard lk(s.api);
  if (!EnsureBackend(s)) return;
  // After its server went away, a rescan with nothing open finds the server again if it is back.
  if (!s.backend->Alive() && !AnyOpen(s) && SelectLocked(s, s.backend->Kind()) == kOk) return;
  RescanLocked(s);
}

void RescanInputs() {
  State& s = St();
  std::lock_guard lk(s.api);
  if (EnsureBackend(s)) ListLocked(s, false);
}

void RescanOutputs() {
  State& s = St();
  std::lock_guard lk(s.api);
  if (EnsureBackend(s)) ListLocked(s, true);
}

int InDevCount() {
  State& s = St();
  std::lock_guard lk(s.api);
  return EnsureBackend(s) ? static_cast<int>(s.inNames.size()) : 0;
}

int OutDevCount() {
  State& s = St();
  std::lock_guard lk(s.api);
  return EnsureBackend(s) ? static_cast<int>(s.outNames.size()) : 0;
}

Result InDevName(int devId, std::string& name) {
  State& s = St();
  std::lock_guard lk(s.api);
  return DevName(s, s.inNames, devId, name);
}

Result OutDevName(int devId, std::string& name) {
  State& s = St();
  std::lock_guard lk(s.api);
  return DevName(s, s.outNames, devId, name);
}

Result InOpen(int devId, InCallback cb, uintptr_t instance, Handle& out) {
  out = kInvalidHandle;
  State& s = St();
  std::lock_guard lk(s.api);
  if (!EnsureBackend(s)) return kErrNotEnabled;
  if (devId < 0 || devId >= static_cast<int>(s.inNames.size())) return kErrBadDeviceId;
  if (cb == nullptr) return kErrInvalParam;
  const std::string& name = s.inNames[devId];
  InSlot* free = nullptr;
  for (InSlot& slot : s.ins) {
    if (slot.state.load(std::memory_order_acquire) == kFree) {
      if (!free) free = &slot;
    } else if (slot.name == name) {
      return kErrAllocated;
    }
  }
  if (!free) return kErrNoMem;
  InSlot& slot = *free;
  slot.sink.Reset();
  std::unique_ptr<BackendInput> dev;
  const Result r = Guard([&] { return s.backend->OpenInput(name, &slot.sink, dev); });
  if (r != kOk) return r;
  if (!dev) return kErrBackend;
  try {
    StartWorker(s);
  } catch (...) {
    return kErrNoMem;
  }
  slot.dev = std::move(dev);
  slot.name = name;
  slot.started = false;
  slot.cb = cb;
  slot.instance = instance;
  slot.closeReq.store(false, std::memory_order_relaxed);
  slot.openPending.store(true, std::memory_order_relaxed);
  const Handle h = NewHandle(s, static_cast<int>(&slot - s.ins.data()), false);
  slot.handle.store(h, std::memory_order_relaxed);
  slot.state.store(kOpen, std::memory_order_release);
  out = h;
  Wake(false);
  return kOk;
}

Result InStart(Handle h) {
  State& s = St();
  std::lock_guard lk(s.api);
  InSlot* slot = FindIn(s, h);
  if (!slot) return kErrInvalidHandle;
  if (slot->started) return kOk;
  int64_t now = 0;
  const Result rn = Guard([&]() -> Result {
    now = s.backend->NowNs();
    return kOk;
  });
  if (rn != kOk) return rn;
  slot->sink.startNs.store(now, std::memory_order_release);
  slot->sink.started.store(true, std::memory_order_release);
  const Result r = Guard([&] { return slot->dev->Start(); });
  if (r != kOk) {
    slot->sink.started.store(false, std::memory_order_release);
    return r;
  }
  slot->started = true;
  return kOk;
}

Result InStop(Handle h) {
  State& s = St();
  std::lock_guard lk(s.api);
  InSlot* slot = FindIn(s, h);
  return slot ? StopLocked(*slot) : kErrInvalidHandle;
}

Result InReset(Handle h) {
  State& s = St();
  std::lock_guard lk(s.api);
  InSlot* slot = FindIn(s, h);
  if (!slot) return kErrInvalidHandle;
  const Result r = StopLocked(*slot);
  return r != kOk ? r : Guard([&] { return slot->dev->Reset(); });
}

Result InClose(Handle h) {
  State& s = St();
  InSlot* slot = nullptr;
  Result r = kOk;
  {
    std::lock_guard lk(s.api);
    slot = FindIn(s, h);
    if (!slot) return kErrInvalidHandle;
    slot->state.store(kClosing, std::memory_order_release);
    slot->sink.started.store(false, std::memory_order_release);
    r = Guard([&] { return slot->dev->Stop(); });
    const Result rc = Guard([&] { return slot->dev->Close(); });
    if (r == kOk) r = rc;
    // Destroying the device ends the backend's pushes into this sink.
    slot->dev.reset();
    slot->started = false;
  }
  if (tOnWorker) {
    // Called from a callback: this thread is the worker, so it says goodbye itself.
    if (slot->openPending.exchange(false, std::memory_order_acq_rel)) {
      Call(slot->cb, h, slot->instance, Msg(InMsg::Open));
    }
    Call(slot->cb, h, slot->instance, Msg(InMsg::Close));
    slot->state.store(kDone, std::memory_order_release);
  } else {
    slot->closeReq.store(true, std::memory_order_release);
    Wake(true);
    std::unique_lock lk(s.doneMx);
    s.doneCv.wait(lk, [&] { return slot->closeDone; });
  }
  {
    std::lock_guard lk(s.api);
    {
      std::lock_guard dk(s.doneMx);
      slot->closeDone = false;
    }
    slot->closeReq.store(false, std::memory_order_relaxed);
    slot->openPending.store(false, std::memory_order_relaxed);
    slot->name.clear();
    slot->handle.store(kInvalidHandle, std::memory_order_relaxed);
    slot->state.store(kFree, std::memory_order_release);
  }
  return r;
}

Result OutOpen(int devId, Handle& out) {
  out = kInvalidHandle;
  State& s = St();
  std::lock_guard lk(s.api);
  if (!EnsureBackend(s)) return kErrNotEnabled;
  if (devId < 0 || devId >= static_cast<int>(s.outNames.size())) return kErrBadDeviceId;
  const std::string& name = s.outNames[devId];
  OutSlot* free = nullptr;
  for (OutSlot& slot : s.outs) {
    if (slot.handle == kInvalidHandle) {
      if (!free) free = &slot;
    } else if (slot.name == name) {
      return kErrAllocated;
    }
  }
  if (!free) return kErrNoMem;
  std::unique_ptr<BackendOutput> dev;
  const Result r = Guard([&] { return s.backend->OpenOutput(name, dev); });
  if (r != kOk) return r;
  if (!dev) return kErrBackend;
  std::lock_guard sk(free->mu);
  free->dev = std::move(dev);
  free->name = name;
  for (auto& ch : free->sounding) ch.fill(0);
  free->handle = NewHandle(s, static_cast<int>(free - s.outs.data()), true);
  out = free->handle;
  return kOk;
}

Result OutClose(Handle h) {
  State& s = St();
  OutSlot* slot = OutSlotOf(s, h);
  if (!slot) return kErrInvalidHandle;
  std::lock_guard lk(s.api);
  std::lock_guard sk(slot->mu);
  if (slot->handle != h) return kErrInvalidHandle;
  const Result r = Guard([&] { return slot->dev->Close(); });
  slot->dev.reset();
  slot->name.clear();
  slot->handle = kInvalidHandle;
  return r;
}

Result OutReset(Handle h) {
  State& s = St();
  OutSlot* slot = OutSlotOf(s, h);
  if (!slot) return kErrInvalidHandle;
  std::lock_guard sk(slot->mu);
  if (slot->handle != h) return kErrInvalidHandle;
  Result r = Guard([&] { return slot->dev->Reset(); });
  if (r != kOk) return r;
  for (int ch = 0; ch < 16; ++ch) {
    for (int note = 0; note < 128; ++note) {
      if (slot->sounding[ch][note] == 0) continue;
      const std::array<uint8_t, 3> off = TShortMsg::Pack(0x80, note, 0).WithChannel(ch).Bytes();
      const Result rs = Guard([&] { return slot->dev->Send(off.data(), off.size(), kNow); });
      if (r == kOk) r = rs;
    }
    slot->sounding[ch].fill(0);
  }
  return r;
}

Result OutShortMsg(Handle h, uint32_t msg) {
  return OutShortMsgAt(h, msg, kNow);
}

int64_t NowNs() {
  return clock::NowNs();
}

void SetLateWindowNs(int64_t ns) {
  gLateWindowNs.store(ns < 0 ? 0 : ns, std::memory_order_relaxed);
}

int64_t LateWindowNs() {
  return gLateWindowNs.load(std::memory_order_relaxed);
}

uint64_t ClampedStamps() {
  return gClamps.load(std::memory_order_relaxed);
}

void ResetCounters() {
  gLateWindowNs.store(kDefaultLateWindowNs, std::memory_order_relaxed);
  gClamps.store(0, std::memory_order_relaxed);
}

Result OutShortMsgAt(Handle h, uint32_t msg, int64_t dueNs) {
  State& s = St();
  OutSlot* slot = OutSlotOf(s, h);
  if (!slot) return kErrInvalidHandle;
  const TShortMsg m{msg};
  const std::array<uint8_t, 3> b = m.Bytes();
  std::lock_guard sk(slot->mu);
  if (slot->handle != h) return kErrInvalidHandle;
  const int n = detail::ShortMsgLength(b[0]);
  if (n == 0) return kErrInvalParam;
  for (int i = 1; i < n; ++i) {
    if (b[i] >= 0x80) return kErrInvalParam;
  }
  const Result r = Guard([&] { return slot->dev->Send(b.data(), static_cast<std::size_t>(n), dueNs); });
  if (r != kOk) return r;
  // Only notes are counted; a shorter message's upper bytes are no note number.
  if (!m.IsNote()) return kOk;
  uint8_t& count = slot->sounding[m.Channel()][m.Data1()];
  if (m.IsNoteOn()) {
    if (count < 0xFF) ++count;
  } else if (count > 0) {
    --count;
  }
  return kOk;
}

Result OutLongMsg(Handle h, const uint8_t* data, std::size_t length) {
  State& s = St();
  OutSlot* slot = OutSlotOf(s, h);
  if (!slot) return kErrInvalidHandle;
  std::lock_guard sk(slot->mu);
  if (slot->handle != h) return kErrInvalidHandle;
  if (data == nullptr || length < 2 || data[0] != 0xF0 || data[length - 1] != 0xF7) return kErrInvalParam;
  for (std::size_t i = 1; i + 1 < length; ++i) {
    if (data[i] >= 0x80) return kErrInvalParam;
  }
  return Guard([&] { return slot->dev->Send(data, length, kNow); });
}

namespace detail {

std::vector<std::string> TableNames(const std::vector<std::string>& full) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& f : full) {
    if (names.size() == static_cast<std::size_t>(kMaxDevs)) break;
    const std::string cut = CutDevName(f);
    std::string name = cut;
    for (int n = 2; taken.count(name) != 0; ++n) {
      const std::string suffix = " #" + std::to_string(n);
      name = CutDevName(cut, kMaxDevName - suffix.size()) + suffix;
    }
    taken.insert(name);
    names.push_back(std::move(name));
  }
  return names;
}

int64_t ClampDue(int64_t dueNs, int64_t nowNs, int64_t aheadNs) {
  if (dueNs == kNow) return nowNs;
  const int64_t earliest = nowNs - gLateWindowNs.load(std::memory_order_relaxed);
  if (dueNs >= earliest && dueNs - nowNs <= aheadNs) return dueNs;
  CountClamp();
  return dueNs < earliest ? earliest : nowNs + aheadNs;
}

void CountClamp() {
  gClamps.fetch_add(1, std::memory_order_relaxed);
}

void DrainInput() {
  if (tOnWorker) return;
  State& s = St();
  if (!s.workerRunning.load(std::memory_order_acquire) || s.quit.load(std::memory_order_acquire)) return;
  std::unique_lock lk(s.doneMx);
  const uint64_t ticket = ++s.drainReq;
  lk.unlock();
  Wake(true);
  lk.lock();
  s.doneCv.wait(lk, [&] { return s.passDone >= ticket; });
}

}  // namespace detail

}  // namespace vel::midi
