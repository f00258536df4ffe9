#pragma once
// Seq playback cycle: TickSeq advances every seq in use by whole ticks, sends what falls due,
// loops each part at its end and does the start-of-cycle work (pending settings become active,
// cycle counts, sweeps, part changes); it keeps the bar and beat counters. Also the fitting of a
// part's event to its port and channel, the per-port program bookkeeping, the controller reset of
// the outputs and the live note display's tables. Runs under EngineLock, on the timer thread with
// the internal clock or the MIDI-in thread with an external one; it never allocates.
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Atomic.h"
#include "base/Sizes.h"
#include "platform/midi/Midi.h"

namespace vel {

struct TPartBuf;

// The program wanted and last sent per output port and channel; a program change goes out only
// when it differs from a valid ProgSent.
struct TChanProg {
  int32_t ProgReq = 0;
  int32_t ProgSent = -1;
  uint8_t ProgSentValid = 0;
  uint8_t Flag = 0;
};

// The live note display (Kinetrace): per channel and note the velocity, its shown level and the
// tail countdown.
struct TNoteDsp {
  int32_t Vel = 0;
  int32_t Level = 0;
  int32_t Tail = 0;
};

// The output ports' channels as one bit per channel, per port.
using TChanMask = std::array<uint16_t, kPorts>;

// What a seq has left sounding on the port it plays on: per channel and note the note-ons not yet
// matched by a note-off, and the channels whose pedal is down. Chans marks the channels that may
// hold either, so a release looks at those only.
struct TSeqSounding {
  int8_t Port = -1;
  uint16_t Chans = 0;
  uint16_t Pedals = 0;
  std::array<std::array<uint8_t, 128>, kChans> Notes{};
};

// The messages an output port refused for a full queue while the stop reset it, in the order they
// were sent, for the stop to send again once the device has room.
struct THeldSends {
  // More than the resets of all sixteen channels of a port.
  static constexpr int32_t kMax = 256;
  std::array<uint32_t, kMax> Msgs{};
  int32_t Next = 0;  // the first not yet sent
  int32_t Count = 0;
};

// The play cycle's state. Guarded by EngineLock, but for the atomics, which the displays read
// without it: the beat and bar counters and the flags that tell them something changed. Local
// Control is read by every sender, on any thread.
struct TPlay {
  // Bar and beat (the bar settings are in Transport.h).
  int32_t TicksToBarEnd = 15360;
  TAtomic<int32_t> BeatNo{1};  // 1-based beat of the bar
  TAtomic<int32_t> BarNo{0};   // bars played
  TAtomic<uint8_t> BeatChanged{0};
  // Some seq played or recorded in the last tick.
  TAtomic<uint8_t> SeqsRunning{0};
  std::array<std::array<TChanProg, kChans>, kPorts> PortChanProgs;
  std::array<std::array<TNoteDsp, 128>, kChans> NoteOnCounts{};
  std::array<int32_t, kChans> SustainVals{};
  TAtomic<uint8_t> KinetraceDirty{0};
  // The note display's step counter.
  int32_t NoteOnCountsScroll = 0;
  // All engine output is allowed; cleared by a Local Control off, after which the engine sends
  // nothing.
  TAtomic<uint8_t> LocalControlOn{1};
  // When the messages being sent fell due, on the MIDI layer's clock (midi::kNow: now); every
  // SendShortMsg passes it on, so the output places them at their own time.
  int64_t SendDueNs = midi::kNow;
  // Set by the timer around its TickSeq call: the time of the tick, how far the exact position
  // already lies past the last whole tick (in kTickUnits per tick), and the tick units per ms at
  // the tempo. Unset (kNow) under an external clock: its events are sent as they come.
  int64_t TickNowNs = midi::kNow;
  int64_t TickFrac = 0;
  int64_t TickUnitsPerMs = 1;
  // The channels that got a channel message since their last controller reset: the stop resets
  // them all, wherever the seqs and the live output have since moved.
  TChanMask ChansDirty{};
  // Per seq, what it has left sounding; released when the seq moves to another port or channel.
  std::array<TSeqSounding, kSeqs> SeqSounding{};
  // Set by the stop for its resets: what a port refuses for a full queue is held, and what
  // follows on that port waits behind it (SendHeldSends); HeldLost counts what found no room.
  uint8_t HoldRefused = 0;
  std::array<THeldSends, kPorts> Held{};
  int32_t HeldLost = 0;
};
inline TPlay PlayCycle;

// Fractions of a tick the timer counts in: the tempo in hundredths of BPM x 64 units pass per
// ms, so the count is exact at every tempo and timer period.
constexpr int64_t kTickUnits = 100000;

// The one mapping between the clock's time and tick positions, at perMs tick units a ms (the
// tempo in hundredths of BPM x 64): the units a stretch of ns holds and the ns that units take,
// each cut toward zero. Whatever clock is in force, a due time and an input stamp go through it.
int64_t UnitsInNs(int64_t ns, int64_t perMs);
int64_t NsOfUnits(int64_t units, int64_t perMs);

// The time a message fell due that many ticks (and TickFrac) before the timer's tick; kNow
// outside the timer's TickSeq.
int64_t TickDueNs(int64_t ticksPast);
// Advances every seq in use by ticks (at least 1).
void TickSeq(int32_t ticks);
// Schedules the seq's next event; true when the seq changed part (start of cycle only).
bool AdvanceSeqEvent(int32_t seq, bool startOfCycle, int32_t ticksRem, int32_t prevTime);
// Start-of-cycle work of the playing part, then a part change when one is asked for; true on a
// part change.
bool StartSeqCycle(int32_t seq);
void PrepSeqForSOC(int32_t part, int32_t seq);
// The play/mute alternation at a start of cycle of a playing or muted part: the count of the side
// in force (PRRem, MRRem) runs down, and when it runs out the part turns to the other side with
// that side's full count. A count of 0 holds its side for ever; a turn to a side of count 0 ends
// the alternation there (the other count is cleared).
void StepPlayMuteCycle(TPartBuf& b);
void HandlePartChange(int32_t oldPart, int32_t newPart, int32_t seq);
// The event fitted to the seq's port and channel; sets DropEvent, MChanSend and HotkeyEvent of
// the seq's playing part.
uint32_t AdjustSeqEvent(uint32_t msg, int32_t seq);
// Sends the wanted program of one port and channel unless it was sent already.
void SendPendingProg(int32_t port, int32_t chan);

// Sets the warning "<proc> error: Unexpected MEvStatusByte <status in two hex digits>" without
// allocating, so the timer thread may call it.
void WarnUnexpectedStatus(const char* proc, uint8_t status);
// The output port has a device that takes program changes.
bool ProgChangesAllowed(int32_t port);
// Sends a one-byte message (clock, start, stop) to every allocated output port whose switch in
// enabled is on.
void SendToPorts(const std::array<uint8_t, kPorts>& enabled, uint32_t msg, bool trace);
// One short message to an output port's device, only while LocalControlOn. With trace, and
// diagnostics and output trace on, the message is also traced (time 0). Returns the MIDI layer's
// result; kErrInvalidHandle when the port has no open device. Nothing sent is not a fault.
midi::Result SendShortMsg(int32_t port, uint32_t msg, bool trace);

// The controller reset of one channel of an output port: pitch bend centre, modulation 0, volume
// to CCVolResetValue, pan centre, sustain, sostenuto and soft pedal off, reset all controllers,
// all notes off.
void ResetPortChannel(int32_t port, int32_t chan);
// Resets the port and channel of every seq marked ChanResetReq (of every seq in use unless
// markedOnly), each port and channel once, then clears the note displays. Not markedOnly, it also
// resets every channel used since its last reset (ChansDirty) but the live output's own, which
// the stop resets last, once nothing plays any more.
void ResetSeqOutputs(bool markedOnly);
// Resets each channel used since its last reset.
void ResetDirtyChans();
// Sends again what the ports held (HoldRefused), in order, as far as each device takes it; true
// when nothing is left held.
bool SendHeldSends();
// Ends the holding: what is still held is let go. The messages that never went out.
int32_t DropHeldSends();
// Note-offs for what the seq left sounding and pedal up, on every channel but those of keep on
// port (keep empty, or another port: everywhere).
void ReleaseSeqSounding(int32_t seq, int32_t port, uint16_t keep);
void ResetNoteDisplays();
// Clears the virtual keyboard's note animation table.
void ClearLiveNoteTable();

// The tail countdown of a released note on the live note display, by KinetraceDecay.
int32_t KinetraceTailTicks();

}  // namespace vel
