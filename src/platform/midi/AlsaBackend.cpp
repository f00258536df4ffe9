// The ALSA sequencer through RtMidi. RtMidi's input thread only hands each message to the
// facade's sink; every RtMidi call is wrapped so that no exception leaves this file.
#include <RtMidi.h>

#include <atomic>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/midi/MidiBackend.h"

namespace vel::midi::detail {
namespace {

// The ALSA client name of every RtMidi object we make; ports of such clients are our own and are
// not offered as devices.
constexpr const char* kClient = "Vellorine";

// RtMidi reports through this instead of printing or throwing once it is installed. Errors and
// warnings are only counted: the calling code looks at the counts after each call.
struct ErrTrap {
  std::atomic<int> errors{0};
  std::atomic<int> warnings{0};
  int Total() const { return errors.load() + warnings.load(); }

  static void OnError(RtMidiError::Type type, const std::string&, void* user) {
    auto* trap = static_cast<ErrTrap*>(user);
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) {
      trap->warnings.fetch_add(1);
    } else {
      trap->errors.fetch_add(1);
    }
  }
};

// True when the text after the last blank is RtMidi's "client:port" pair.
bool EndsWithPortNumbers(const std::string& s, std::size_t& blank) {
  blank = s.rfind(' ');
  if (blank == std::string::npos) return false;
  const std::string tail = s.substr(blank + 1);
  const std::size_t colon = tail.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (i != colon && !std::isdigit(static_cast<unsigned char>(tail[i]))) return false;
  }
  return true;
}

Result CountError(const ErrTrap& trap, int before) {
  return trap.Total() != before ? kErrBackend : kOk;
}

// The device names of what rt sees now; portOf[i] is the RtMidi port number of names[i].
template <typename Rt>
void ListPorts(Rt& rt, std::vector<std::string>& names, std::vector<unsigned>& portOf) {
  std::vector<std::string> raw;
  const unsigned n = rt.getPortCount();
  for (unsigned i = 0; i < n; ++i) raw.push_back(rt.getPortName(i));
  StablePortNames(raw, kClient, names, portOf);
}

// Looked up with the object that is about to open the port, so that the number is the one it
// will use even if the ports changed since the list was made.
template <typename Rt>
Result FindPort(Rt& rt, const std::string& name, unsigned& port) {
  std::vector<std::string> names;
  std::vector<unsigned> portOf;
  ListPorts(rt, names, portOf);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) {
      port = portOf[i];
      return kOk;
    }
  }
  return kErrBadDeviceId;
}

class AlsaInput final : public BackendInput {
 public:
  AlsaInput(std::unique_ptr<RtMidiIn> in, std::unique_ptr<ErrTrap> trap, InputSink* sink)
      : in_(std::move(in)), trap_(std::move(trap)), sink_(sink) {}

  ~AlsaInput() override {
    try {
      in_->closePort();  // joins RtMidi's input thread: no push comes after this
      in_.reset();
    } catch (...) {
    }
  }

  // Installed before the port opens; runs on RtMidi's input thread.
  static void OnMessage(double, std::vector<unsigned char>* msg, void* user) {
    auto* self = static_cast<AlsaInput*>(user);
    if (msg == nullptr || msg->empty() || !self->started_.load(std::memory_order_acquire)) return;
    self->sink_->Push(msg->data(), msg->size(), clock::MonotonicNs());
  }

  Result Start() override {
    started_.store(true, std::memory_order_release);
    return kOk;
  }
  Result Stop() override {
    started_.store(false, std::memory_order_release);
    return kOk;
  }

 private:
  std::unique_ptr<RtMidiIn> in_;
  std::unique_ptr<ErrTrap> trap_;
  InputSink* sink_;
  std::atomic<bool> started_{false};

  friend class AlsaBackend;
};

class AlsaOutput final : public BackendOutput {
 public:
  AlsaOutput(std::unique_ptr<RtMidiOut> out, std::unique_ptr<ErrTrap> trap)
      : out_(std::move(out)), trap_(std::move(trap)) {}

  ~AlsaOutput() override {
    try {
      out_->closePort();
      out_.reset();
    } catch (...) {
    }
  }

  // RtMidi writes straight to the sequencer, without a scheduled queue: sent now.
  Result Send(const uint8_t* data, std::size_t length, int64_t) override {
    const int before = trap_->Total();
    try {
      out_->sendMessage(data, length);
    } catch (...) {
      return kErrBackend;
    }
    return CountError(*trap_, before);
  }

 private:
  std::unique_ptr<RtMidiOut> out_;
  std::unique_ptr<ErrTrap> trap_;
};

class AlsaBackend final : public BackendImpl {
 public:
  AlsaBackend(std::unique_ptr<RtMidiIn> in, std::unique_ptr<RtMidiOut> out)
      : enumIn_(std::move(in)), enumOut_(std::move(out)) {
    enumIn_->setErrorCallback(&ErrTrap::OnError, &trap_);
    enumOut_->setErrorCallback(&ErrTrap::OnError, &trap_);
  }

  Backend Kind() const override { return Backend::Alsa; }

  Result ListInputs(std::vector<std::string>& names) override { return List(*enumIn_, names); }
  Result ListOutputs(std::vector<std::string>& names) override { return List(*enumOut_, names); }

  Result OpenInput(const std::string& name, InputSink* sink, std::unique_ptr<BackendInput>& out) override {
    return Guard([&] {
      auto trap = std::make_unique<ErrTrap>();
      auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClient);
      in->setErrorCallback(&ErrTrap::OnError, trap.get());
      unsigned port = 0;
      if (const Result r = FindPort(*in, name, port)) return r;
      // Nothing filtered: SysEx, clock and active sensing all reach the engine.
      in->ignoreTypes(false, false, false);
      auto dev = std::make_unique<AlsaInput>(std::move(in), std::move(trap), sink);
      dev->in_->setCallback(&AlsaInput::OnMessage, dev.get());
      dev->in_->openPort(port, "In " + name);
      if (dev->trap_->errors.load() != 0 || !dev->in_->isPortOpen()) return Result{kErrBackend};
      out = std::move(dev);
      return Result{kOk};
    });
  }

  Result OpenOutput(const std::string& name, std::unique_ptr<BackendOutput>& out) override {
    return Guard([&] {
      auto trap = std::make_unique<ErrTrap>();
      auto rt = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClient);
      rt->setErrorCallback(&ErrTrap::OnError, trap.get());
      unsigned port = 0;
      if (const Result r = FindPort(*rt, name, port)) return r;
      rt->openPort(port, "Out " + name);
      if (trap->errors.load() != 0 || !rt->isPortOpen()) return Result{kErrBackend};
      out = std::make_unique<AlsaOutput>(std::move(rt), std::move(trap));
      return Result{kOk};
    });
  }

  int64_t NowNs() override { return clock::MonotonicNs(); }
  clock::TClock* Clock() override {
    // Never destroyed: the timer may read it while the program ends.
    static clock::TSystemClock* c = new clock::TSystemClock{clock::MonotonicNs};
    return c;
  }

 private:
  template <typename Rt>
  Result List(Rt& rt, std::vector<std::string>& names) {
    names.clear();
    return Guard([&] {
      std::vector<unsigned> portOf;
      ListPorts(rt, names, portOf);
      return Result{kOk};
    });
  }

  ErrTrap trap_;
  std::unique_ptr<RtMidiIn> enumIn_;
  std::unique_ptr<RtMidiOut> enumOut_;
};

}  // namespace

void StablePortNames(const std::vector<std::string>& raw, const std::string& ownClient,
                     std::vector<std::string>& names, std::vector<unsigned>& portOf) {
  portOf.clear();
  const std::string own = ownClient + ":";
  std::vector<std::string> stripped;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::string name = raw[i];
    if (name.empty() || name.compare(0, own.size(), own) == 0) continue;
    std::size_t blank = 0;
    if (EndsWithPortNumbers(name, blank)) name.erase(blank);
    stripped.push_back(std::move(name));
    portOf.push_back(static_cast<unsigned>(i));
  }
  names = TableNames(stripped);
  portOf.resize(names.size());
}

std::unique_ptr<BackendImpl> MakeAlsaBackend(Result& err) {
  err = kOk;
  try {
    auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClient);
    auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClient);
    // RtMidi falls back to another API when ALSA is missing; only ALSA will do here.
    if (in->getCurrentApi() != RtMidi::LINUX_ALSA || out->getCurrentApi() != RtMidi::LINUX_ALSA) {
      err = kErrNoDriver;
      return nullptr;
    }
    return std::make_unique<AlsaBackend>(std::move(in), std::move(out));
  } catch (const std::bad_alloc&) {
    err = kErrNoMem;
  } catch (...) {
    err = kErrNoDriver;
  }
  return nullptr;
}

}  // namespace vel::midi::detail
