#pragma once
// Recording from the keyboard: real-time takes (the Record map) and step takes (the Step record
// map). A take is armed by the record commands (seqs RecPrimed), starts at its first key, and
// ends on an end key that also says what the seq does next. Runs on the key path's thread under
// EngineLock; the bar-count replay of the delayed record key on the GUI thread under it too.
#include <array>
#include <cstdint>
#include <string>

#include "base/Atomic.h"
#include "base/Sizes.h"
#include "engine/PartBufs.h"

namespace vel {

struct TPartBuf;

// The recording keys' take state. Guarded by EngineLock, but for the atomics, which the displays
// and the GUI's replay timer read without it. The record counters and flags shared with the
// engine's beat count are in Transport.
struct TRecKeys {
  // The first key of the take has been taken: the clock start is fixed.
  uint8_t RecFirstNoteIn = 0;
  // Half steps added to recorded control-input notes, a multiple of 12 within -108..108.
  int32_t RecPitchOffset = 0;
  // The take's length after its last insert; raised by the end of the take.
  int32_t RecLastEventTime = 0;
  // A playable note or hotkey went into the take; a take without one is discarded.
  uint8_t RecNoteRecorded = 0;
  uint8_t RecPitchBendSeen = 0;
  // The advice that hotkeys from the virtual keyboard are not sent live was posted in this take.
  uint8_t HotkeyAdviceShown = 0;
  // Per note: note-ons less note-offs seen in the take (after RecPitchOffset).
  std::array<int32_t, 128> RecHeldNoteCounts{};
  // Per note: the quantise adjustment of its last note-on and that note-on's recorded time.
  struct TNotePair {
    int32_t Adj = 0;
    int32_t Time = 0;
  };
  std::array<TNotePair, 128> RecNotePairs{};

  // Step recording: the position, step and gate lengths, the chord detection's last note time
  // (ms or external-clock ms). Whether the last note joined the step before it is the trace's
  // SRecChordNote, which the event decoding reads.
  int32_t SRecTime = 0;
  int32_t SRecStepTicks = 1920;
  int32_t SRecGateTicks = 1440;
  int32_t SRecLastNoteTime = 0;
  // Where the last step note started: a chord note goes back there.
  int32_t SRecLastNoteStart = 0;
  // The last step-recorded message, for the status display.
  uint32_t LastRecEvent = 0;
  TAtomic<uint8_t> LastRecEventNew{0};

  // Input time stamps count from each device's own start; a take maps them onto the engine clock
  // with one offset per input, fixed by that input's first key of the take, so that played keys,
  // the beat count and the delayed record key share one clock.
  std::array<int32_t, kPorts> InClockOffset{};
  std::array<uint8_t, kPorts> InClockMapped{};

  // The key that ends a bar-count take: its input, message and Record map code. The timer raises
  // DelayedRecKeyDue when the bars are done; ReplayDelayedRecKey serves it.
  int8_t DelayedRecKeyInput = 0;
  uint32_t DelayedRecKeyMsg = 0;
  uint8_t DelayedRecKeyCode = 0;
  TAtomic<uint8_t> DelayedRecKeyDue{0};
};
inline TRecKeys RecKeys;

// A key or other channel message in key mode Record: isNote for the router's notes, noteOn for a
// note-on; raw for an input that is no control input. timeStamp is the input's time stamp (ms).
void HandleRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn, bool raw);
// The same in key mode Step record.
void HandleStepRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn, bool raw);

// Clears the take state for a new take (the engine's ResetRecordState calls it): step mode takes
// its step and gate lengths from the settings; real time forgets the held notes.
void ResetRecKeys(bool stepMode);
// The timer's bar count of a bar-count take reached zero (timer thread: only raises the flag).
void RecBarCountDone();
// Replays the delayed record key when its bars are done: its note-on through the record keys at
// the engine clock, then its note-off to the live output. Takes EngineLock; true when it played.
bool ReplayDelayedRecKey();

// Inserts, for every held note, that many note-offs on the live channel at time into the part;
// true when it inserted any.
bool RecordHeldNoteOffs(int32_t part, int32_t seq, int32_t time);
// MIDI Stop to the sync outputs when this take sent MIDI Start.
void SendRecMidiStop();

// The step length 1/n and the gate percent: stored, flagged and applied when they differ.
void SetSRecNoteLenFrac(int32_t n);
void SetSRecNoteOnPercent(int32_t percent);

namespace rec {

// The code a record key gets that the take does not use (past the last code of its map), and the
// marker event of a take's start, rests and end.
inline constexpr uint8_t kRecIgnore = 207;
inline constexpr uint8_t kSRecIgnore = 234;
inline constexpr uint32_t kMarker = kEndMarker;

// The part of the seq the take goes into: the part that plays.
int32_t PartOf(int32_t seq);
// The step and gate lengths of the step-note length and note-on percentage.
void RecomputeStepTicks();

// What the record and step-record handlers share: the key's frame and the end of a take.
struct TRecKey {
  int8_t Input = 0;
  uint32_t Msg = 0;
  int32_t Time = 0;  // ms of the engine clock
  // The internal clock's position when the key was struck, in tick units (TickPosAtNs).
  int64_t Pos = 0;
  bool IsNote = false;
  bool NoteOn = false;
  bool Raw = false;
  uint8_t Code = 0;
};

// The input's time stamp on the engine clock.
int32_t EngineTime(int8_t input, uint32_t msg, uint32_t timeStamp);
// The internal clock's position at the key: at its input's arrival time where the MIDI layer gave
// one, else at its time on the engine clock (ms).
int64_t KeyTickPos(uint32_t msg, int32_t engineMs);
// The key's time in the take: ticks since the first key (internal clock: to the nearest tick of
// the exact positions; external: the clock's ticks).
int32_t TakeTime(const TRecKey& k);
// Ticks from the play cycle's last whole tick to a position of the internal clock (tick units):
// where a take's loop starts, when its end key is handled before or after the time it was struck.
// 0 under an external clock and for a position too far off to be a key's own time.
int32_t TicksToPos(int64_t pos);
// The end key's place on the take's timeline as TicksToPos gives it: its take time from the
// take's start (real time), or its own time (step).
int32_t LoopStartTicks(const TRecKey& k, bool step);
// Nothing else plays (internal clock): bar 1 starts where the loop will, start ticks from now.
void RestartBarAt(int32_t start);
// The take's start on each primed seq (clear, attributes, start of cycle, Recording); RecActive.
void StartTake(const TRecKey& k);
// The first key fixes the take's clock start (and sends MIDI Start when asked).
void TakeClockStart(const TRecKey& k);
// The part's end at t: marker, then (step: pitch-bend centre; real time also held notes' offs), a
// second marker when either inserted; false, the seq stopped, when the end marker found no room.
bool InsertEndMarkers(int32_t part, int32_t seq, int32_t t, bool heldNoteOffs);
// A part that ran out of room during the take: its newest events give way to the end marker and
// a note-off for every note still sounding, so that the loop leaves no note hanging; false when
// nothing could give way.
bool MakeRoomForEnd(TPartBuf& b, int32_t part, int32_t seq, int32_t t);
// After the end markers: the discarded take, the end key's play/mute cycles and start of play,
// shift ticks from now (the end key's place and the bar-grid phase). Returns the end key's status
// text ("" none).
std::string FinishSeqTake(int32_t seq, uint8_t code, int32_t shift, bool late);
// Auto-increment: the first stopped, unselected seq from the first selected one on becomes the
// next take's only selected, primed seq; false when there is none.
bool PrimeNextTakeSeq();
// The end key at t: closes every recording seq (end markers; a real-time take also drops the
// note-ons struck with the end key and closes its held notes), finishes them and the primed ones
// to loop from start ticks from now, flushes the live output and reports the end key's text, or
// the take's kind when it has none.
void EndTakes(uint8_t code, int32_t t, bool step, int32_t start);
// T rounded to the seq-length grid, never 0 and never before the last event; never past the
// largest time.
int32_t RoundTakeEnd(int32_t t);
// The seq-length grid's phase against the bar end at start ticks from now, and whether a start
// that late is late.
void TakePhase(int32_t start, int32_t& phase, bool& late);
// Abandons an armed take before its first key (esc).
void AbandonTake();
// The take's option keys, which both key maps list in the same order from the auto-increment
// toggle: 0 auto-increment toggle, 1 raw-take toggle, 2..4 attribute source seq, live, toggled.
// All but the first count before the take's first key only.
void TakeOptionKey(int32_t option, bool beforeFirst);
// The attribute-source keys: false, true, toggled; before the first key only.
void SetAttribSrc(int32_t how);
// The switch between a real-time and a step take before the first key: the armed take starts
// again as the other kind, without its bar count.
void SwitchTakeKind(bool step);
// The raw-take toggle before the first key: raw and real/step takes swap, a retake is off.
void ToggleRawTake();
// The octave keys: +12 / -12 within the limits; false when nothing changed.
bool StepPitchOffset(bool up);
// The record key's message with the input's octave offset and the pitch offset applied; its code
// in the map (ignore for a key outside it).
uint8_t RecKeyCode(bool step, const TRecKey& k, uint32_t& msg);
// The sent-live half: RawFifo for raw input, else LiveFifo.
void PassOn(const TRecKey& k, uint32_t msg);
// The hotkey block of a hotkey code's stroke; the index of its last event.
int32_t HotkeyBlock(int32_t stroke, std::array<uint32_t, 8>& events);
// Sends a recorded hotkey block live, or posts the once-per-take advice for a virtual keyboard key
// while hotkeys go to the active window.
void SendRecordedHotkey(const TRecKey& k, const std::array<uint32_t, 8>& events, int32_t last, bool advise);

}  // namespace rec

}  // namespace vel
