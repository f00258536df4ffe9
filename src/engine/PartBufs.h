#pragma once
// Part buffers and the seq model. Four seqs of two parts; each part is a pool of timed short MIDI
// events kept as a time-ordered doubly linked list, plus every per-part play setting. All of it
// lives in fixed global arrays, so nothing here allocates. Guarded by EngineLock: the play cycle
// runs under it on the timer thread, commands and recording under it on the MIDI-in and GUI
// threads.
#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "base/Atomic.h"
#include "base/Sizes.h"
#include "settings/Settings.h"

namespace vel {

constexpr int32_t kPoolSize = 5000;
// One pool entry is never handed out, so a part holds at most this many events.
constexpr int32_t kMaxPartEvents = kPoolSize - 1;
// The status of a part's end marker (and of a take's rests): the last event of a part's list,
// whose time is the part's length. No MIDI message has it, since FF is never sent.
inline constexpr uint32_t kEndMarker = 0xFF;

// Seq states (the diagnostics dump names them). The play states come first, up to StopPrimed:
// IsPlaying relies on that order and nothing else may.
enum class TSeqState : uint8_t {
  PlayPrimed = 0,       // plays from its next event; position not advancing yet
  Playing = 1,          //
  PlayMutedPrimed = 2,  // as PlayPrimed, muted
  PlayMuted = 3,        // events run, notes silent
  StopPrimed = 4,       // plays to the end of the cycle, then stops
  Stopped = 5,
  RecPrimed = 6,
  Recording = 7,
};

// The play cycle runs through the part: PlayPrimed up to StopPrimed, muted or not. Its events are
// due and its activity shows; Stopped and the record states play nothing.
constexpr bool IsPlaying(TSeqState s) {
  return s <= TSeqState::StopPrimed;
}

// Force-to-scale type codes the play cycle knows.
constexpr uint8_t kFtsTypeCustom = 5;  // the part's own force-to-notes map
constexpr uint8_t kFtsTypeOff = 7;

// A scale table: per pitch class over two octaves, the half steps to add to a note.
using TScaleTbl = std::array<int32_t, 24>;

// A name of at most 10 characters in place, so that copying it never allocates.
struct TShortName {
  static constexpr std::size_t kMax = 10;
  std::array<char, kMax> Text{};
  uint8_t Length = 0;

  void Set(std::string_view s) {
    Length = static_cast<uint8_t>(s.size() < kMax ? s.size() : kMax);
    for (std::size_t i = 0; i < Length; ++i) Text[i] = s[i];
  }
  std::string_view View() const { return std::string_view(Text.data(), Length); }
};

// One event: a node of the part's list.
struct TPartEvent {
  int16_t Prev = -1;  // pool index, -1 none
  int16_t Next = -1;
  int32_t Time = 0;  // ticks from the start of the part, before the tempo clock divider
  uint32_t Msg = 0;  // packed short message, top byte 0; data 2 = 128 on a note marks a hotkey
};

// The next value of a sweep from low to high and back (pingPong 1) or round (0).
int32_t SweepNext(int32_t cur, int32_t low, int32_t high, uint8_t& dir, int32_t step, uint8_t pingPong);

// A value swept once per start of cycle.
template <typename T>
struct TSweep {
  uint8_t On = 0;
  T Low{};
  T High{};
  uint8_t Dir = 0;       // 0 upward, 1 downward
  uint8_t PingPong = 0;  // 1 back and forth, 0 one way and restart

  // The value one step on from cur, turning the sweep's direction at an end.
  T Next(int32_t cur) { return static_cast<T>(SweepNext(cur, Low, High, Dir, 1, PingPong)); }
};

// The attributes a part plays with. A part holds a pending and an active set: the pending values
// may change at any time; the play cycle takes them over whole at the seq's start of cycle
// (PrepSeqForSOC).
struct TPartAttribs {
  int32_t Transpose = 0;
  // Pitch offsets of the marked notes (TPartBuf's LowNote, HighNote, FirstNote).
  int32_t LowNoteOffs = 0;
  int32_t HighNoteOffs = 0;
  int32_t FirstNoteOffs = 0;
  uint8_t SVel = 5;  // 5 unchanged, 0 silent
  uint8_t Muted = 0;
  int32_t FtsRoot = 0;
  uint8_t FtsType = kFtsTypeOff;
  TShortName FtnScaleName;
  // In the active set, points at the active FtnMap when FtsType is custom: a set or buffer copied
  // as a whole must have it pointed again.
  const TScaleTbl* ScaleTbl = nullptr;
  TScaleTbl FtnMap{};
};

// One part of one seq. Port, channel and tempo divider have pending twins of their own, taken at
// the start of cycle as well.
struct TPartBuf {
  uint8_t Selected = 0;  // only the playing part's flag counts
  uint8_t WasRunning = 0;
  TSeqState SeqState = TSeqState::Stopped;
  uint8_t EndCycleNow = 0;
  uint8_t ChanResetReq = 0;
  uint8_t MChanApplies = 0;
  // Activity lights: the engine raises the flags, the status display stamps, shows and drops them.
  uint8_t LightOther = 0;
  int32_t LightOtherTime = 0;
  uint8_t LightNoteOn = 0;
  int32_t LightNoteOnTime = 0;
  uint8_t LightHotkey = 0;
  int32_t LightHotkeyTime = 0;
  uint8_t HasHotkeyEvents = 0;
  int32_t PitchBase = 0;
  uint8_t PitchLocked = 0;
  int32_t PlayCycles = 0;  // 0 = for ever
  int32_t PRRem = 0;
  int32_t MuteCycles = 0;  // 0 = for ever
  int32_t MRRem = 0;
  int32_t PitchCycles = 0;  // 0 = off
  int32_t PitchCyclesRem = 0;
  int32_t PitchCycleTransA = 0;
  int32_t PitchCycleTransB = 0;
  uint8_t PitchCycleSel = 0;
  TSweep<int8_t> PortSweep;
  TSweep<int32_t> ProgSweep;
  TSweep<int8_t> ChanSweep;
  TSweep<uint8_t> SVelSweep;
  TPartAttribs Pend;
  TPartAttribs Act;
  int32_t TimeShift = 0;
  int32_t TimeShiftRept = 0;
  uint8_t TimeShiftCarry = 0;
  uint8_t TimeShiftReptOn = 0;
  // Marked notes (-1 none) and their pitch offsets.
  int32_t LowNote = -1;
  int32_t HighNote = -1;
  int32_t FirstNote = -1;
  int8_t PortNoLoaded = -1;
  int8_t PortPend = 0;
  int8_t Port = 0;
  int8_t ChanPend = 0;
  std::array<int8_t, kPorts> Chan{};  // active channel per output port
  int32_t RElap = 0;                  // time of the last event: the part's length
  int32_t PElap = 0;                  // position within the cycle
  int32_t TempoDivPend = 1;
  int32_t TempoDiv = 1;
  uint32_t AdjMidiEvent = 0;  // the next due event, adjusted
  uint8_t DropEvent = 0;
  uint8_t MChanSend = 0;
  uint8_t HotkeyEvent = 0;
  int32_t TicksRem = 0;
  uint8_t SelChanged = 0;
  uint8_t RecChanged = 0;
  int32_t EventsPeak = -1;  // -1: no event since the usage peaks were reset
  uint8_t PoolFull = 0;
  int16_t Head = -1;  // -1: the part is empty
  int16_t Tail = -1;
  int16_t EventsUsed = 0;
  int16_t PlayEvIndex = -1;
  std::array<TPartEvent, kPoolSize> Events{};
};

struct TSeqRec {
  int32_t SelPart = 0;  // taken over at the next start of cycle
  int32_t PlayPart = 0;
  uint8_t PartSweepOn = 0;
  int32_t PartSweepLow = 0;
  int32_t PartSweepHigh = 1;
  uint8_t PartSweepDir = 0;
  uint8_t PartSweepPingPong = 0;
};

// The seqs: every part buffer and seq record. Guarded by EngineLock: the play cycle runs under it
// on the timer thread, commands and recording under it on the MIDI-in and GUI threads.
// SeqGridRedraw alone is a shared atomic: raised from any thread, cleared by the status display.
struct TSeqs {
  // [part][seq]
  std::array<std::array<TPartBuf, kSeqs>, kParts> PartBufs;
  std::array<TSeqRec, kSeqs> SeqRecs;
  std::array<uint8_t, kSeqs> SavedSeqSelection{};
  // The seq grid must be redrawn; raised from any thread, cleared by the status display.
  TAtomic<uint8_t> SeqGridRedraw{0};
};
inline TSeqs Seqs;
// Raises SeqGridRedraw while the seq grid is shown.
void RequestSeqGridRedraw();

// The highest seq index in use, within the tables (MaxActiveSeqs may hold anything a file gave).
inline int32_t LastSeq() {
  return Cfg.MaxActiveSeqs < kSeqs - 1 ? Cfg.MaxActiveSeqs : kSeqs - 1;
}
// The buffer of the seq's playing part.
TPartBuf& SeqBuf(int32_t seq);

// Empties the part. Tail and EventsPeak stay; every setting stays.
void ClearPartBuf(int32_t part, int32_t seq);
// Inserts an event after every event of the same or an earlier time. False, with PoolFull set,
// when the part holds kMaxPartEvents events already; refused until the part is cleared. With
// trackNotes, data 1 updates the marked low, high and (for the first event) first note.
bool InsertPartEvent(int32_t part, int32_t seq, uint32_t msg, int32_t time, bool trackNotes);
// Unlinks every program change. The pool room is not given back and the part keeps its length.
void DeleteProgChanges(int32_t part, int32_t seq);
// Back to default attributes; full also resets velocity scale, mute, scale and pitch lock.
void ResetSeqAttribs(int32_t part, int32_t seq, bool full);

void ToggleSeqSelected(int32_t seq);
void SelectAllSeqs();
bool AnySeqSelected();
bool AllSeqsSelected();
void SaveSeqSelection();
void RestoreSeqSelection();

// Over the seqs in use, on each seq's playing part.
bool NoSeqPlaying();         // every state is Stopped, RecPrimed or Recording
bool NoSeqPlayingButMetr();  // the same, leaving out the metronome seq
bool AllSeqsStopped();
bool SelectedSeqsStopped();

// The part commands; the caller holds EngineLock.
void DeleteProgsInPart(int32_t part);
void DeletePart(int32_t part);
void DeleteProgsInSelSeqs();
void DeleteSelSeqs();
void DeleteProgsInAllParts();
void DeleteAllParts();
void ResetPartAllSeqs(int32_t part);
void ResetSelSeqs();
void ResetAllPartsAttribs();

// A pitch command on the live output (when selected) and the selected seqs: an absolute transpose
// value, or one octave up or down. Transposes count from each target's pitch base.
void SetSeqPitch(bool absolute, int32_t value, bool up);

}  // namespace vel
