// The JACK backend, written on libjack so that each output message lands at the frame that keeps
// its spacing: Send() turns the time it fell due into a frame, adds one constant latency (the
// JACK period and the late window) and the process callback writes it at exactly that frame.
// Latency is constant instead of up to a period of jitter. Input messages take their time from
// their frame the same way. The time is the server's frame clock, which is then the engine's
// time base too: what the engine places keeps its spacing in frames, whatever the audio device's
// clock does against the system's.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FrameClock.h"
#include "platform/midi/MidiBackend.h"
#include "platform/midi/PortSync.h"
#include "platform/midi/SpscRing.h"

namespace vel::midi::detail {
namespace {

constexpr const char* kClientName = "Vellorine";
// Largest message taken by Send; the port buffer may allow less (see JackCore::maxMsg).
constexpr std::size_t kMaxMsg = 65536;
// Room for about 13000 short messages between two cycles per output.
constexpr std::size_t kOutRing = 1u << 18;
// Frames of late window the process callback expects at most (1 s at 192 kHz).
constexpr int32_t kMaxLateFrames = 192000;
// Periods a stamp may lie ahead of the clock and keep its frame; the process callback waits for
// a message up to 4 periods and the late window ahead of its cycle, which covers them.
constexpr int32_t kAheadPeriods = 2;
// How long a close waits for a running process callback to let go of a port.
constexpr auto kReaderWait = std::chrono::seconds(1);
// How long an output's close waits for its queued messages to go out (a period is rarely above
// 100 ms).
constexpr auto kDrainWait = std::chrono::milliseconds(500);

int64_t JackSystemNs() {
  return static_cast<int64_t>(jack_get_time()) * 1000;
}

// One frame clock for every client this process makes: a server that restarts (a new client)
// carries on the time where the last one left it. Never destroyed: the timer reads it while the
// program ends.
clock::TFrameClock& FrameClock() {
  static auto* c = new clock::TFrameClock(JackSystemNs);
  return *c;
}

struct InPort {
  jack_port_t* port = nullptr;
  InputSink* sink = nullptr;
  std::atomic<bool> started{false};
  std::atomic<bool> lostSent{false};
  std::atomic<int64_t> startNs{0};
  int64_t lastNs = 0;  // process callback only
  int slot = -1;
};

struct OutPort {
  jack_port_t* port = nullptr;
  SpscRing<kOutRing> ring;
  std::mutex sendMu;  // a second guard; the facade already serialises sends per device
  // The process callback's side: a message popped from the ring but due in a later cycle.
  std::atomic<bool> carryPending{false};  // hasCarry, as the closing thread sees it
  bool hasCarry = false;
  uint32_t carryFrame = 0;
  uint32_t carryLen = 0;
  std::array<uint8_t, kMaxMsg> carry{};
  int slot = -1;
};

// The client and the port tables shared by the backend and its open devices; it lives until the
// last of them is gone, so a device closed after the backend still finds its client.
class JackCore {
 public:
  jack_client_t* client = nullptr;
  std::string name;   // our client's actual name, "Vellorine" or with JACK's suffix
  uint32_t rate = 0;  // the server's, as it was when we connected
  // The real-time priority our process callback runs at, as the server gives its clients; 0 when
  // it runs without real-time scheduling.
  int clientPriority = 0;
  std::size_t maxMsg = kMaxMsg;
  std::atomic<bool> gone{false};

  // Port tables read by the process and shutdown callbacks without locks. A device closing clears
  // its slot and then waits for readers to drain before it frees the port (WaitNoReaders).
  std::array<std::atomic<InPort*>, kMaxDevs> ins{};
  std::array<std::atomic<OutPort*>, kMaxDevs> outs{};
  std::atomic<int> readers{0};
  std::atomic<uint64_t> cycles{0};  // process cycles completed

  std::mutex mu;  // slot allocation and every non-real-time JACK call that changes the graph
  std::array<bool, kMaxDevs> inUsed{};
  std::array<bool, kMaxDevs> outUsed{};
  std::shared_mutex sendMu;  // Send's jack_frame_time against the client being closed
  bool registered = false;   // in Clients(), under its mutex

  ~JackCore();

  // Closes the client of a core whose server went away; its devices make no JACK call since.
  void CloseDeadClient() {
    std::lock_guard lock(mu);
    std::unique_lock sendLock(sendMu);
    if (client) jack_client_close(client);
    client = nullptr;
  }

  bool WaitNoReaders() {
    const auto deadline = std::chrono::steady_clock::now() + kReaderWait;
    while (readers.load(std::memory_order_seq_cst) != 0) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
  }

  void SendLost(InPort* p) {
    if (!p->lostSent.exchange(true)) p->sink->Lost();
  }

  // Under mu: a port of ours, connected to theirs (from theirs for an input); null when either
  // step fails. A connection there already (a patchbay or session manager that restores
  // connections may make it as soon as the port appears) is what was asked for.
  jack_port_t* RegisterConnected(const std::string& ours, unsigned long flags, const std::string& theirs) {
    jack_port_t* port = jack_port_register(client, ours.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (!port) return nullptr;
    const bool input = (flags & JackPortIsInput) != 0;
    const char* from = input ? theirs.c_str() : jack_port_name(port);
    const char* to = input ? jack_port_name(port) : theirs.c_str();
    const int r = jack_connect(client, from, to);
    if (r != 0 && r != EEXIST) {
      jack_port_unregister(client, port);
      return nullptr;
    }
    return port;
  }

  // Under mu: takes a device's port out of the table the process callback reads, waits for the
  // callback to let go of it and unregisters it. idle is false when the callback never let go (a
  // stalled server): the port may then still be in use and must not be freed.
  template <typename Port>
  Result Withdraw(std::array<std::atomic<Port*>, kMaxDevs>& table, std::array<bool, kMaxDevs>& used, Port& p,
                  bool& idle) {
    table[p.slot].store(nullptr, std::memory_order_seq_cst);
    idle = WaitNoReaders();
    used[p.slot] = false;
    if (gone.load()) return kErrServerGone;
    return jack_port_unregister(client, p.port) != 0 ? kErrBackend : kOk;
  }

  // The frame a message due at dueNs goes out at: due time plus the period and the late window.
  // Under sendMu, with a live client. Whether it is too late is for the frames to say when the
  // process callback writes it (a frame already gone is counted there): the clock's reading
  // between cycles is an estimate, and judging lateness by it moved messages that still had
  // their frame.
  uint32_t TargetFrame(int64_t dueNs) {
    const jack_nframes_t period = jack_get_buffer_size(client);
    const int64_t rate = std::max<int64_t>(jack_get_sample_rate(client), 1);
    const int64_t nowNs = FrameClock().NowNs();
    int64_t due = dueNs == kNow ? nowNs : dueNs;
    // An input stamp is read up to a period before its frame comes round, and a step of the clock
    // may put one a little further ahead: it keeps its frame, since pulled in it would go out
    // before it. Further ahead than the process callback waits for, it is no time of this
    // server's clock: it waits at the furthest the callback holds, never before (nothing may go
    // out ahead of its time, even on a stamp of another clock).
    const int64_t aheadNs = clock::FramesToNs(int64_t{kAheadPeriods} * period, rate);
    if (due - nowNs > aheadNs) {
      CountClamp();
      due = nowNs + aheadNs;
    }
    const int64_t lateFrames = (LateWindowNs() * rate + 999999999) / 1000000000;
    return FrameClock().FrameAt(due) + period + static_cast<uint32_t>(lateFrames);
  }

  // Before activation only: the process callback is then the clock's one writer.
  void PrimeClock() { FeedClock(jack_get_buffer_size(client), true); }

  static int Process(jack_nframes_t nframes, void* arg) {
    static_cast<JackCore*>(arg)->RunCycle(nframes);
    return 0;
  }

  static void Shutdown(jack_status_t, const char*, void* arg) {
    auto* core = static_cast<JackCore*>(arg);
    core->gone.store(true, std::memory_order_seq_cst);
    FrameClock().Lost();
    core->readers.fetch_add(1, std::memory_order_seq_cst);
    for (auto& s : core->ins) {
      if (InPort* p = s.load(std::memory_order_seq_cst)) core->SendLost(p);
    }
    core->readers.fetch_sub(1, std::memory_order_release);
  }

 private:
  // Real-time: no allocation, no lock, no logging.
  void RunCycle(jack_nframes_t nframes) {
    readers.fetch_add(1, std::memory_order_seq_cst);
    const jack_nframes_t cycleStart = FeedClock(nframes);
    for (auto& s : ins) {
      if (InPort* p = s.load(std::memory_order_seq_cst)) ReadInput(*p, nframes, cycleStart);
    }
    for (auto& s : outs) {
      if (OutPort* p = s.load(std::memory_order_seq_cst)) WriteOutput(*p, nframes, cycleStart);
    }
    cycles.fetch_add(1, std::memory_order_release);
    readers.fetch_sub(1, std::memory_order_release);
  }

  // Tells the frame clock the cycle that begins (or, before the client is active, the cycle the
  // server is in, so that the time maps to frames before our first cycle); its first frame.
  jack_nframes_t FeedClock(jack_nframes_t nframes, bool prime = false) {
    jack_nframes_t frame = 0;
    jack_time_t start = 0, next = 0;
    float periodUs = 0;
    if (jack_get_cycle_times(client, &frame, &start, &next, &periodUs) != 0) {
      frame = jack_last_frame_time(client);
      start = jack_get_time();
      next = start + static_cast<jack_time_t>(clock::FramesToNs(nframes, rate) / 1000);
    }
    const clock::TCycle c{frame, static_cast<int64_t>(start) * 1000, static_cast<int64_t>(next) * 1000,
                          nframes, rate};
    if (prime) {
      FrameClock().Prime(c);
    } else {
      FrameClock().OnCycle(c);
    }
    return frame;
  }

  void ReadInput(InPort& p, jack_nframes_t nframes, jack_nframes_t cycleStart) {
    void* buf = jack_port_get_buffer(p.port, nframes);
    if (!buf || !p.started.load(std::memory_order_acquire)) return;
    PortBufferTaken(buf);
    const int64_t startNs = p.startNs.load(std::memory_order_acquire);
    const uint32_t count = jack_midi_get_event_count(buf);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t ev;
      if (jack_midi_event_get(&ev, buf, i) != 0 || ev.size == 0) continue;
      int64_t t = FrameClock().FrameNs(cycleStart + ev.time);
      // A frame of this cycle may lie a little before the moment Start() was called.
      t = std::max({t, startNs, p.lastNs});
      p.lastNs = t;
      p.sink->Push(ev.buffer, ev.size, t);
    }
    PortBufferDone(buf);
  }

  void WriteOutput(OutPort& p, jack_nframes_t nframes, jack_nframes_t cycleStart) {
    void* buf = jack_port_get_buffer(p.port, nframes);
    if (!buf) return;
    PortBufferTaken(buf);
    jack_midi_clear_buffer(buf);
    const auto n = static_cast<int32_t>(nframes);
    int32_t lastFrame = 0;
    bool wrote = false;
    for (;;) {
      if (!p.hasCarry) {
        SpscRing<kOutRing>::Header h;
        bool truncated = false;
        if (!p.ring.Pop(p.carry.data(), p.carry.size(), h, truncated)) break;
        if (truncated) continue;  // Send() refuses such lengths; never reached
        p.hasCarry = true;
        p.carryFrame = static_cast<uint32_t>(h.timeNs);
        p.carryLen = h.length;
      }
      // Its frame, wrap-safe in 32-bit frame arithmetic.
      int32_t off = static_cast<int32_t>(p.carryFrame - cycleStart);
      // Due in a later cycle. Send keeps frames within a few periods and the late window; an
      // offset beyond that can only come from a clock jump, and goes out now rather than wait.
      if (off >= n && off < 4 * n + kMaxLateFrames) break;
      // Too late for its frame (the send came after the latency it had): as early as possible,
      // never before what went out before it.
      if (off < 0) CountClamp();
      off = std::clamp(off, lastFrame, n - 1);
      // Asked first: libjack prints an error for every write into a full buffer, and a stop
      // after long live play fills several.
      if (jack_midi_max_event_size(buf) < p.carryLen ||
          jack_midi_event_write(buf, static_cast<jack_nframes_t>(off), p.carry.data(), p.carryLen) != 0) {
        // Port buffer full: the rest waits for the next cycle. A message that does not fit an
        // empty buffer never will, so it is dropped rather than block the device for good.
        if (wrote) break;
        p.hasCarry = false;
        continue;
      }
      wrote = true;
      p.hasCarry = false;
      lastFrame = off;
    }
    PortBufferDone(buf);
    p.carryPending.store(p.hasCarry, std::memory_order_release);
  }
};

// The priority our process callback's thread runs at, settled once the client is active (the
// thread takes it before activation returns); 0 when it runs without real-time scheduling. Read
// off the thread: what the server says it gives its clients (jack_client_real_time_priority) is
// what it was set to, also where the system refused it real-time scheduling.
int CallbackPriority(jack_client_t* client) {
  int policy = SCHED_OTHER;
  sched_param sp{};
  if (pthread_getschedparam(jack_client_thread_id(client), &policy, &sp) != 0) return 0;
  return policy == SCHED_FIFO || policy == SCHED_RR ? sp.sched_priority : 0;
}

// Every open client of this process. After its server goes away, libjack deletes all clients it
// still has as soon as any new one is opened, and a later jack_client_close of one of them would
// touch freed memory; so before opening, the dead ones are closed here.
struct ClientList {
  std::mutex mu;  // also keeps opening and closing clients apart
  std::vector<JackCore*> cores;
};
ClientList& Clients() {
  static ClientList* list = new ClientList;  // never destroyed: cores may outlive static destruction
  return *list;
}

JackCore::~JackCore() {
  ClientList& cl = Clients();
  std::lock_guard lock(cl.mu);
  if (registered) cl.cores.erase(std::find(cl.cores.begin(), cl.cores.end(), this));
  // jack_client_close is the one call allowed on a client whose server went away.
  if (client) jack_client_close(client);
}

class JackInput final : public BackendInput {
 public:
  explicit JackInput(std::shared_ptr<JackCore> core) : core_(std::move(core)) {}
  ~JackInput() override {
    try {
      Close();
    } catch (...) {
    }
  }

  void Adopt(InPort* p) { port_ = p; }

  Result Start() override {
    if (!port_) return kErrInvalidHandle;
    if (core_->gone.load()) return kErrServerGone;
    port_->startNs.store(FrameClock().NowNs(), std::memory_order_release);
    port_->started.store(true, std::memory_order_release);
    return kOk;
  }

  Result Stop() override {
    if (!port_) return kErrInvalidHandle;
    port_->started.store(false, std::memory_order_seq_cst);
    // The caller may rely on no message arriving after Stop returns.
    core_->WaitNoReaders();
    return core_->gone.load() ? kErrServerGone : kOk;
  }

  Result Reset() override { return core_->gone.load() ? kErrServerGone : kOk; }

  // Unregisters our port; kErrServerGone when there was no server left to tell.
  Result Close() override {
    if (!port_) return kOk;
    std::lock_guard lock(core_->mu);
    port_->started.store(false);
    bool idle = false;
    const Result r = core_->Withdraw(core_->ins, core_->inUsed, *port_, idle);
    if (idle) delete port_;
    port_ = nullptr;
    return r;
  }

 private:
  std::shared_ptr<JackCore> core_;
  InPort* port_ = nullptr;
};

class JackOutput final : public BackendOutput {
 public:
  explicit JackOutput(std::shared_ptr<JackCore> core) : core_(std::move(core)) {}
  ~JackOutput() override {
    try {
      Close();
    } catch (...) {
    }
  }

  void Adopt(OutPort* p) { port_ = p; }

  Result Send(const uint8_t* data, std::size_t length, int64_t dueNs) override {
    if (!port_) return kErrInvalidHandle;
    if (!data || length == 0 || length > core_->maxMsg) return kErrInvalParam;
    std::lock_guard lock(port_->sendMu);
    std::shared_lock clientLock(core_->sendMu);
    if (core_->gone.load()) return kErrServerGone;
    // The frame it is to go out at travels in the record's time field.
    const uint32_t frame = core_->TargetFrame(dueNs);
    if (!port_->ring.Push(data, static_cast<uint32_t>(length), static_cast<int64_t>(frame)))
      return kErrQueueFull;
    return kOk;
  }

  Result Reset() override { return core_->gone.load() ? kErrServerGone : kOk; }

  // Waits for what is queued to be written and to leave our port, so the note-offs of a reset
  // just before are not lost; bounded, in case the server stalls.
  Result Close() override {
    if (!port_) return kOk;
    std::lock_guard lock(core_->mu);
    const auto deadline = std::chrono::steady_clock::now() + kDrainWait;
    auto waitFor = [&](auto done) {
      while (!done() && !core_->gone.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    };
    waitFor([&] { return port_->ring.Empty() && !port_->carryPending.load(std::memory_order_acquire); });
    // The cycle that wrote the last of them hands it on in the next one at the latest.
    const uint64_t written = core_->cycles.load(std::memory_order_acquire);
    waitFor([&] { return core_->cycles.load(std::memory_order_acquire) >= written + 2; });
    bool idle = false;
    const Result r = core_->Withdraw(core_->outs, core_->outUsed, *port_, idle);
    if (idle) delete port_;
    port_ = nullptr;
    return r;
  }

 private:
  std::shared_ptr<JackCore> core_;
  OutPort* port_ = nullptr;
};

class JackBackend final : public BackendImpl {
 public:
  explicit JackBackend(std::shared_ptr<JackCore> core) : core_(std::move(core)) {}

  Backend Kind() const override { return Backend::Jack; }

  Result ListInputs(std::vector<std::string>& names) override {
    return Guard([&] { return List(JackPortIsOutput, names); });
  }
  Result ListOutputs(std::vector<std::string>& names) override {
    return Guard([&] { return List(JackPortIsInput, names); });
  }

  Result OpenInput(const std::string& name, InputSink* sink, std::unique_ptr<BackendInput>& out) override {
    return Guard([&]() -> Result {
      if (!sink) return kErrInvalParam;
      out.reset();  // not under the lock: closing takes it
      std::lock_guard lock(core_->mu);
      if (core_->gone.load()) return kErrServerGone;
      std::string theirs;
      if (!FindPort(JackPortIsOutput, name, theirs)) return kErrBadDeviceId;
      const int slot = FreeSlot(core_->inUsed);
      if (slot < 0) return kErrAllocated;
      auto dev = std::make_unique<JackInput>(core_);
      auto p = std::make_unique<InPort>();
      p->sink = sink;
      p->slot = slot;
      p->port = core_->RegisterConnected("midi_in_" + std::to_string(slot + 1), JackPortIsInput, theirs);
      if (!p->port) return kErrBackend;
      InPort* raw = p.release();
      dev->Adopt(raw);
      out = std::move(dev);
      core_->inUsed[slot] = true;
      core_->ins[slot].store(raw, std::memory_order_seq_cst);
      // The server may have gone between the check above and publishing the port.
      if (core_->gone.load(std::memory_order_seq_cst)) core_->SendLost(raw);
      return kOk;
    });
  }

  Result OpenOutput(const std::string& name, std::unique_ptr<BackendOutput>& out) override {
    return Guard([&]() -> Result {
      out.reset();
      std::lock_guard lock(core_->mu);
      if (core_->gone.load()) return kErrServerGone;
      std::string theirs;
      if (!FindPort(JackPortIsInput, name, theirs)) return kErrBadDeviceId;
      const int slot = FreeSlot(core_->outUsed);
      if (slot < 0) return kErrAllocated;
      auto dev = std::make_unique<JackOutput>(core_);
      auto p = std::make_unique<OutPort>();
      p->slot = slot;
      p->port = core_->RegisterConnected("midi_out_" + std::to_string(slot + 1), JackPortIsOutput, theirs);
      if (!p->port) return kErrBackend;
      OutPort* raw = p.release();
      dev->Adopt(raw);
      out = std::move(dev);
      core_->outUsed[slot] = true;
      core_->outs[slot].store(raw, std::memory_order_seq_cst);
      return kOk;
    });
  }

  int64_t NowNs() override { return FrameClock().NowNs(); }
  clock::TClock* Clock() override { return &FrameClock(); }
  bool Alive() override { return !core_->gone.load(); }
  int PriorityCeiling() const override { return core_->clientPriority; }

 private:
  static int FreeSlot(const std::array<bool, kMaxDevs>& used) {
    for (int i = 0; i < kMaxDevs; ++i) {
      if (!used[i]) return i;
    }
    return -1;
  }

  // Other clients' MIDI ports with the given flag: full names, sorted so the order does not depend
  // on which client registered first, and beside them the names the device table shows.
  void Ports(unsigned long flags, std::vector<std::string>& full, std::vector<std::string>& names) {
    full.clear();
    names.clear();
    const char** ports = jack_get_ports(core_->client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (!ports) return;
    const std::string mine = core_->name + ":";
    try {
      for (const char** p = ports; *p; ++p) {
        if (std::strncmp(*p, mine.c_str(), mine.size()) != 0) full.emplace_back(*p);
      }
    } catch (...) {
      jack_free(ports);
      throw;
    }
    jack_free(ports);
    std::sort(full.begin(), full.end());
    names = TableNames(full);
    full.resize(names.size());
  }

  Result List(unsigned long flags, std::vector<std::string>& names) {
    names.clear();
    std::lock_guard lock(core_->mu);
    if (core_->gone.load()) return kErrServerGone;
    std::vector<std::string> full;
    Ports(flags, full, names);
    return kOk;
  }

  // The full name of the port listed under name.
  bool FindPort(unsigned long flags, const std::string& name, std::string& full) {
    std::vector<std::string> all, names;
    Ports(flags, all, names);
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) return false;
    full = all[static_cast<std::size_t>(it - names.begin())];
    return true;
  }

  std::shared_ptr<JackCore> core_;
};

}  // namespace

std::unique_ptr<BackendImpl> MakeJackBackend(Result& err) {
  try {
    auto core = std::make_shared<JackCore>();
    ClientList& cl = Clients();
    std::lock_guard lock(cl.mu);  // released before a failed core is destroyed
    for (JackCore* c : cl.cores) {
      if (c->gone.load()) c->CloseDeadClient();
    }
    jack_status_t status{};
    // Never start a server: with none running this must fail at once, not hang.
    core->client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (!core->client) {
      err = kErrNoDriver;
      return nullptr;
    }
    core->name = jack_get_client_name(core->client);
    core->rate = jack_get_sample_rate(core->client);
    const std::size_t bufBytes = jack_port_type_get_buffer_size(core->client, JACK_DEFAULT_MIDI_TYPE);
    // Leave room for the buffer's own header and the event's record.
    if (bufBytes > 64) core->maxMsg = std::min(kMaxMsg, bufBytes - 64);
    if (jack_set_process_callback(core->client, &JackCore::Process, core.get()) != 0) {
      err = kErrBackend;
      return nullptr;
    }
    jack_on_info_shutdown(core->client, &JackCore::Shutdown, core.get());
    core->PrimeClock();
    if (jack_activate(core->client) != 0) {
      err = kErrBackend;
      return nullptr;
    }
    core->clientPriority = CallbackPriority(core->client);
    auto backend = std::make_unique<JackBackend>(core);
    cl.cores.push_back(core.get());
    core->registered = true;
    err = kOk;
    return backend;
  } catch (const std::bad_alloc&) {
    err = kErrNoMem;
  } catch (...) {
    err = kErrBackend;
  }
  return nullptr;
}

}  // namespace vel::midi::detail
