#pragma once
// MIDI input path. Every opened input device reports to MidiInCallback on the MIDI layer's one
// MIDI-in worker thread; HandleMidiIn skips SysEx, filters the control inputs by channel, hands
// notes to the key routing, other channel messages to recording or to LiveFifo / RawFifo, handles
// Local Control, the external MIDI clock (which then drives TickSeq on this thread), MIDI Start,
// Continue and Stop, feeds the virtual keyboard's animation and the key mapper's live key, and
// traces what came in. HandleMidiIn also serves the computer and virtual keyboards on the GUI
// thread. Both entry points take EngineLock; the data below is guarded by it unless atomic.
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Atomic.h"
#include "base/HookSlots.h"
#include "base/Sizes.h"
#include "platform/midi/Midi.h"

namespace vel {

struct TMidiInEntry {
  uint32_t TimeStamp = 0;
  uint32_t Msg = 0;
};

constexpr int32_t kClockIntervals = 50;

// The virtual keyboard's note animation: per note the velocity, its shown level and the tail
// countdown of a released note; and the last sustain value per channel.
struct TNoteAnim {
  int32_t Vel = 0;
  int32_t Level = 0;
  int32_t Tail = 0;
};
// The MIDI input path's state. Guarded by EngineLock (HandleMidiIn takes it on the MIDI-in and GUI
// threads), but for the atomics: ExtClockAvg is read by the tempo display, LocalCtlDirty and
// MidiInMoreData are flags for the status display, all without the lock.
struct TMidiIn {
  // The recent-input buffer of the diagnostics dump; nothing fills it.
  std::array<TMidiInEntry, 1000> MidiInBuffer;
  int32_t MidiInBufferLast = -1;  // index of the last filled entry, -1 none
  // Per input port 0..8: inside a SysEx message, and the last time stamp accepted (ms).
  std::array<uint8_t, kPorts> InSysEx{};
  std::array<int32_t, kPorts> LastInTimestamp{};
  // The external MIDI clock. Each clock on the clock port (ClocksExtPNo) is 160 ticks; with the
  // external clock as source they go to TickSeq. ExtClockLastMs is the time stamp of the last clock,
  // -1 when none came since ResetExtClock, so that the first clock's interval is not averaged.
  int32_t ExtClockTicks = 0;
  int32_t ExtTickCents = 0;  // hundredths of ticks not yet passed to TickSeq
  int32_t ExtClockLastMs = -1;
  std::array<int32_t, kClockIntervals> ClockIntervals{};
  int32_t ClockIntervalIdx = 0;
  int64_t ClockIntervalSum = 0;
  int32_t ClockIntervalCount = 0;
  // Average interval of the last (up to 50) clocks, ms; the display shows the external tempo by it.
  TAtomic<int32_t> ExtClockAvg{0};
  // The input time of the message being handled (MIDI layer clock, ns), for what it writes to
  // LiveFifo and RawFifo; kNow outside the MIDI-in callback (the GUI's keys take the time they are
  // queued).
  int64_t InStampNs = midi::kNow;
  // Local Control changed (display flag; the timing window's box follows it).
  TAtomic<uint8_t> LocalCtlDirty{0};
  // Input came faster than the MIDI layer could hand it over and some was lost (overload light).
  TAtomic<uint8_t> MidiInMoreData{0};
  std::array<TNoteAnim, 128> LiveNoteTable{};
  std::array<int32_t, kChans> LiveNoteAux{};
};
inline TMidiIn MidiIn;

// Calls into the key path, which is built elsewhere and installs them at start-up. Each may be
// left empty: the input is then dropped. All are called under EngineLock, on the MIDI-in thread or
// (computer and virtual keyboards) the GUI thread.
struct TMidiInHooks {
  // Every note-on and note-off that passes the channel filter. A note-on of velocity 0 arrives as a
  // note-off (status 8n), the rest of msg untouched (a top byte of 1 marks the virtual keyboard).
  // input is the input port; raw is set for a port that is not a control input.
  void (*RouteKeyByKeyMode)(int8_t input, uint32_t msg, uint32_t timeStamp, bool noteOn, bool raw) = nullptr;
  // Other channel messages of an input in key mode Record (controllers 120..123 never come).
  void (*HandleRecModeKey)(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn,
                           bool raw) = nullptr;
  // The same in key mode Step record: controllers (but 120..123) and program changes.
  void (*HandleStepRecModeKey)(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn,
                               bool raw) = nullptr;
  // The command executor: MIDI Start and Continue run the Play command (code 2), MIDI Stop the Stop
  // command (code 55).
  void (*ExecCommand)(uint8_t input, uint32_t msg, uint8_t code) = nullptr;
  // Work the key path put off until the engine lock is free (a scene file to read or write): called
  // on the same thread once HandleMidiIn or MidiInCallback has let go of the lock, never under it.
  void (*AfterInput)() = nullptr;
};
inline TMidiInHooks MidiInHooks;

inline auto HookSlots(const TMidiInHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, RouteKeyByKeyMode),
      VEL_HOOK_SLOT(h, HandleRecModeKey),
      VEL_HOOK_SLOT(h, HandleStepRecModeKey),
      VEL_HOOK_SLOT(h, ExecCommand),
      VEL_HOOK_SLOT(h, AfterInput),
  });
}
static_assert(kAllSlotsListed<TMidiInHooks, void (*)()>, "a member of TMidiInHooks is not in HookSlots");

// The MIDI layer's input callback (MIDI-in worker thread); instance is the MidiInDevs index the
// device was opened with. Nothing is done while Initialising or with no input port allocated.
void MidiInCallback(midi::Handle handle, uintptr_t instance, const midi::InMessage& m);

// One short message of input port 0..8 (other ports are dropped) at time ms. Takes EngineLock.
void HandleMidiIn(int32_t port, uint32_t msg, int32_t time);

// The time stamp t (ms since the device started) checked against the last one of the port: out of
// the 32-bit signed range or earlier than the last, the last is used instead. The caller holds
// EngineLock.
int32_t CheckMidiInTimestamp(int32_t port, uint32_t msg, uint32_t t);

// System real-time input, from HandleMidiIn: the caller holds EngineLock.
void HandleMidiClock(int32_t port, int32_t time);
void HandleMidiStart(int32_t port, int32_t time);
void HandleMidiStop(int32_t port, int32_t time);

// Stops the seqs at once, silences the live output and every seq's channel, then sends nothing
// until Local Control comes back on. Takes EngineLock (the timing window calls it too).
void LocalControlOff();

// The external clock's position, its interval ring and average, and the per-input SysEx flags.
// Takes EngineLock.
void ResetExtClock();

}  // namespace vel
