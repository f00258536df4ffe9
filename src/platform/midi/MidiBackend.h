#pragma once
// The contract between the MIDI facade and its backends. Internal to platform/midi.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/RealTime.h"
#include "platform/TextCut.h"
#include "platform/midi/Midi.h"
#include "platform/midi/ShortMsg.h"

namespace vel::midi::detail {

// Where a backend hands over each complete input message (a short message or a whole SysEx
// block). Called from the backend's own thread (RtMidi's, JACK's real-time callback): it only
// copies into a lock-free ring and wakes the MIDI-in worker, it never blocks.
class InputSink {
 public:
  virtual ~InputSink() = default;
  // timeNs is on the backend's clock (BackendImpl::NowNs).
  virtual void Push(const uint8_t* data, std::size_t length, int64_t timeNs) = 0;
  // The device stopped delivering (its server went away).
  virtual void Lost() = 0;
};

class BackendInput {
 public:
  virtual ~BackendInput() = default;
  virtual Result Start() = 0;  // after this the sink receives messages
  virtual Result Stop() = 0;
  // Called by the facade's InReset (after Stop) and InClose (before destruction).
  virtual Result Reset() { return kOk; }
  virtual Result Close() { return kOk; }
};

class BackendOutput {
 public:
  virtual ~BackendOutput() = default;
  // One complete message; the facade serialises calls per device. dueNs is the time it fell due
  // on the backend's clock (kNow: now); a backend that places by time keeps it within the window
  // with ClampDue.
  virtual Result Send(const uint8_t* data, std::size_t length, int64_t dueNs) = 0;
  // Called by the facade's OutReset (before its note-offs) and OutClose (before destruction).
  virtual Result Reset() { return kOk; }
  virtual Result Close() { return kOk; }
};

class BackendImpl {
 public:
  virtual ~BackendImpl() = default;
  virtual Backend Kind() const = 0;
  // Device names, already stable and cut to kMaxDevName, at most kMaxDevs of each.
  virtual Result ListInputs(std::vector<std::string>& names) = 0;
  virtual Result ListOutputs(std::vector<std::string>& names) = 0;
  // Opens by the name listed; the sink outlives the returned input.
  virtual Result OpenInput(const std::string& name, InputSink* sink, std::unique_ptr<BackendInput>& out) = 0;
  virtual Result OpenOutput(const std::string& name, std::unique_ptr<BackendOutput>& out) = 0;
  // The clock input times are given on.
  virtual int64_t NowNs() = 0;
  // The same clock as the engine's time base; it outlives the program, so it can be read without
  // a lock.
  virtual clock::TClock* Clock() = 0;
  // False once the backend can no longer work (its server went away); the facade then makes a new
  // one when asked to choose or rescan with nothing open.
  virtual bool Alive() { return true; }
  // The highest priority our real-time threads may take beside this backend's server
  // (realtime::kNoCeiling: no limit; 0: normal scheduling only).
  virtual int PriorityCeiling() const { return realtime::kNoCeiling; }
};

std::unique_ptr<BackendImpl> MakeAlsaBackend(Result& err);
std::unique_ptr<BackendImpl> MakeJackBackend(Result& err);
std::unique_ptr<BackendImpl> MakeLoopbackBackend(Result& err);

// Bytes of a short message with this status; 0 for a data byte, F0 and F7 (SysEx is sent whole).
inline int ShortMsgLength(uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xF0) {
    const uint8_t kind = TShortMsg{status}.Kind();
    return kind == 0xC || kind == 0xD ? 2 : 3;  // Cn, Dn take one data byte
  }
  switch (status) {
    case 0xF0:
    case 0xF7:
      return 0;
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    default:
      return 1;
  }
}

// Runs a backend call; an exception from the library under it becomes a result code here, so none
// leaves the layer.
template <typename F>
Result Guard(F&& fn) {
  try {
    return fn();
  } catch (const std::bad_alloc&) {
    return kErrNoMem;
  } catch (...) {
    return kErrBackend;
  }
}

// A due time (kNow: now) within now - the late window .. now + ahead; a due time moved to the
// edge is counted.
int64_t ClampDue(int64_t dueNs, int64_t nowNs, int64_t aheadNs);
// Counts one message a backend could not place at its time.
void CountClamp();
// Blocks until the MIDI-in worker has delivered everything its inputs hold (returns at once on
// the worker itself or when no input was ever opened).
void DrainInput();

// Names for a device table: each is cut to kMaxDevName and a name already in the list gets " #2",
// " #3", ... (over the end of a full-width name), so every entry can be told apart and opened; the
// same ports in the same order always give the same names. At most kMaxDevs are kept.
std::vector<std::string> TableNames(const std::vector<std::string>& full);

// Device names for the lists from RtMidi's ALSA names ("client:port 20:0"): the client:port
// numbers, which change from boot to boot, are dropped; ports of clients named ownClient are left
// out; then TableNames. portOf[i] is the RtMidi port number of names[i].
void StablePortNames(const std::vector<std::string>& raw, const std::string& ownClient,
                     std::vector<std::string>& names, std::vector<unsigned>& portOf);

// Names of the form "client:port" shown to the user are cut to the table's width, between
// characters: the settings file keeps the name, and half a character would not read back.
inline std::string CutDevName(const std::string& s, std::size_t maxBytes = kMaxDevName) {
  return std::string(CutChars(s, std::string_view::npos, maxBytes));
}

}  // namespace vel::midi::detail
