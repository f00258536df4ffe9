#pragma once
// MIDI device services: device lists, input with a callback, output of short and SysEx messages.
// Three backends sit behind this facade (ALSA through RtMidi, JACK, in-process loopback); callers
// never see which one is in use beyond BackendName().
#include <cstddef>
#include <cstdint>
#include <string>

namespace vel::midi {

// Result codes of every call; 0 is success.
using Result = uint32_t;
enum : Result {
  kOk = 0,
  kErrBadDeviceId = 2,    // no device with that index
  kErrNotEnabled = 3,     // no backend is selected
  kErrAllocated = 4,      // device already open
  kErrInvalidHandle = 5,  // closed or unknown handle
  kErrNoDriver = 6,       // the MIDI server cannot be reached
  kErrNoMem = 7,
  kErrInvalParam = 11,    // malformed message or argument
  kErrStillPlaying = 65,  // SysEx block still being sent
  kErrNotReady = 67,      // device busy or not started
  kErrBackend = 100,      // the backend refused; see ErrorText
  kErrServerGone = 101,   // the MIDI server went away
  kErrQueueFull = 102,    // the device's queue could not take the message
};

// One-line text of at most 80 characters for any result code.
std::string ErrorText(Result code);

constexpr int kMaxDevs = 32;             // device tables hold 32 of each direction
constexpr std::size_t kMaxDevName = 31;  // names are cut to this many bytes, between characters

using Handle = uint32_t;
constexpr Handle kInvalidHandle = 0xFFFFFFFFu;

enum class Backend { Alsa, Jack, Loopback };

// Chooses the backend from VELLORINE_MIDI (alsa, jack, loopback); unset, ALSA when /dev/snd/seq
// exists, else JACK when a server answers, else loopback. Returns the chosen backend.
Backend SelectDefaultBackend();
// Switches to the given backend; every open device must be closed first. Choosing the backend in
// use again connects anew when its server went away (kErrNoDriver while none answers).
Result SelectBackend(Backend b);
Backend ActiveBackend();
const char* BackendName(Backend b);

// Device lists, re-read from the backend by Rescan(); names are stable from run to run, and a
// name that would repeat another is numbered (" #2"). With no device open, Rescan also connects
// again to a MIDI server that went away and came back.
void Rescan();
// One direction's list re-read alone: the other keeps its numbers, so a device of it opened by
// its number is still the device that number names. These never connect again to a server.
void RescanInputs();
void RescanOutputs();
int InDevCount();
int OutDevCount();
Result InDevName(int devId, std::string& name);
Result OutDevName(int devId, std::string& name);

// What an input callback is told.
//   Open       first message of every handle, queued by InOpen.
//   Close      last message of every handle, delivered before InClose returns.
//   Data       a short message (1 to 3 bytes) in msg.
//   LongData   a whole SysEx block F0 .. F7 in data / length.
//   Error      a record that is not a valid short message (its first bytes packed in msg, data /
//              length give all of it); or short messages lost because the device's queue was full
//              (msg the last of them, length how many, data null); or msg 0: the device stopped
//              delivering because its MIDI server went away.
//   LongError  a SysEx block without its F7 (data / length), or one lost because it did not fit the
//              queue (data null, length its size).
// data is valid only during the callback. Messages that arrive while the device is not started
// are dropped. A callback may call any function here, InClose of its own handle included.
enum class InMsg { Open, Close, Data, LongData, Error, LongError };
struct InMessage {
  InMsg type;
  uint32_t msg;         // Data: status in the low byte, data 1, data 2 above it
  uint32_t timeMs;      // milliseconds since the device was started
  const uint8_t* data;  // LongData: the whole SysEx block, F0 .. F7
  std::size_t length;
  int64_t timeNs = 0;  // when it arrived, on NowNs()'s clock
};
// Runs on the one MIDI-in worker thread, for every open input device, one message at a time.
using InCallback = void (*)(Handle h, uintptr_t instance, const InMessage& m);

// InClose stops the device and returns once the worker has finished with the handle: the callback
// is never called for it again. Messages not yet delivered are dropped. Do not call it while
// holding a lock the callback takes. InReset stops the device as InStop does; messages already
// received are still delivered. InClose and OutClose always release the handle; a result other
// than kOk tells that the backend did not close cleanly.
Result InOpen(int devId, InCallback cb, uintptr_t instance, Handle& out);
Result InStart(Handle h);
Result InStop(Handle h);
Result InReset(Handle h);
Result InClose(Handle h);

Result OutOpen(int devId, Handle& out);
Result OutClose(Handle h);
// Sends a note-off for every note this device has sounding.
Result OutReset(Handle h);
// msg: status in the low byte, then the data bytes the status calls for; the top byte is ignored.
// A data byte as status, F0, F7 or a data byte above 7F is kErrInvalParam.
Result OutShortMsg(Handle h, uint32_t msg);

// Time stamps. A message may carry the time it fell due (a seq event due inside the last timer
// period, a live message's input time) on NowNs()'s clock; the backend then places it at that
// time plus one constant latency, so the spacing of messages is kept exactly:
//   JACK      at its frame: the JACK period plus the late window after its due time, the due
//             time read as a frame exactly (the clock is the server's frames);
//   loopback  records the due time beside the send time;
//   ALSA      sent at once: RtMidi writes directly to the sequencer and has no scheduled queue.
// A due time earlier than the late window before now, or later than the backend can hold (a
// clock jump, an input stamp from before a restart) is moved to the window's edge and counted.
constexpr int64_t kNow = INT64_MIN;
// The active backend's clock in ns, the clock in force (platform/Clock.h): under JACK the
// server's frame clock, else the system clock; never blocks.
int64_t NowNs();
// How far in the past a due time may lie and still be placed at its time: the longest a message
// can take from falling due to being sent (one timer period and a little). Default 1.25 ms.
void SetLateWindowNs(int64_t ns);
int64_t LateWindowNs();
// Due times moved to the window's edge since the program started (or the last ResetCounters);
// JACK also counts messages it could not place by their frame.
uint64_t ClampedStamps();
// The late window back to its default and the clamp count to 0, as at start-up.
void ResetCounters();
// OutShortMsg for a message that fell due at dueNs (kNow: now).
Result OutShortMsgAt(Handle h, uint32_t msg, int64_t dueNs);
// One whole SysEx block F0 .. F7 with only data bytes between; anything else is kErrInvalParam.
Result OutLongMsg(Handle h, const uint8_t* data, std::size_t length);

// Test API of the loopback backend.
namespace loopback {
constexpr int kInDevs = 3;
constexpr int kOutDevs = 3;
// Lists that many devices of each direction from the next rescan on (at most kMaxDevs); the
// counts above are the default.
void SetDevCounts(int inDevs, int outDevs);
// The engine's clock in ms; messages are stamped with it. Null restores a zero clock.
void SetClock(uint32_t (*now)());
// Queues bytes as if they arrived on input device devId (one short message or a SysEx block).
Result Inject(int devId, const uint8_t* data, std::size_t length);
Result InjectShort(int devId, uint32_t msg);
struct Sent {
  uint32_t timeMs;  // engine clock when it was sent
  std::string bytes;
  int64_t dueNs = kNow;  // the time it was to be placed at, after the window; kNow: none given
};
// The newest messages sent on output device devId since the last ClearSent, at most kSentKept of
// them, oldest first.
constexpr std::size_t kSentKept = 4096;
std::size_t SentCount(int devId);
Sent SentAt(int devId, std::size_t i);
void ClearSent();
// The next call of the given name ("open", "start", "stop", "reset", "close", "send") on any
// loopback device fails with code; for testing the callers' failure paths.
void FailNext(const char* call, Result code);
// From now on the loopback outputs take n more messages between them and refuse every one after
// with kErrQueueFull, as a device whose queue is full does, until the next call; n < 0 (the
// default) takes them all.
void LimitSends(int64_t n);
// Input device devId loses its MIDI server: its callback is told so (an Error with msg 0), as a
// backend tells each open input once. kErrNotReady when the device is not open.
Result LoseInput(int devId);
// Blocks until the MIDI-in worker has delivered everything injected so far.
void Drain();
// Everything above as at start-up: default device counts, no clock, nothing sent, no failure
// waiting, no limit on sends. Open devices stay open.
void Reset();
}  // namespace loopback

}  // namespace vel::midi
