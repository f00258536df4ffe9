// Step recording: each note is one step at the step position, with a fixed gate, whatever the
// clock does; rests, chords, controllers in place and undo.
#include <array>

#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

using midi::TShortMsg;

namespace {

using rec::kMarker;
using rec::kSRecIgnore;
using rec::PartOf;
using rec::RecomputeStepTicks;
constexpr std::array<int32_t, 14> kNoteLenFracs = {1, 2, 3, 4, 5, 6, 8, 12, 16, 20, 24, 32, 48, 64};
constexpr std::array<int32_t, 6> kNoteOnPercents = {5, 25, 50, 75, 95, 99};

constexpr bool IsEndCode(uint8_t code) {
  return code == SRecEsc || (code >= SRecStop && code <= SRecMutePlayRR);
}

// The last event of the part, when it lies at the step position with the message's status, takes
// the message's data instead of a new event coming after it.
bool UpdateInPlace(TPartBuf& b, uint32_t msg) {
  if (b.Tail < 0) return false;
  TPartEvent& ev = b.Events[b.Tail];
  const TShortMsg last{ev.Msg};
  const TShortMsg m{msg};
  if (ev.Time != RecKeys.SRecTime || last.Status() != m.Status()) return false;
  switch (m.Kind()) {
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB:
      if (last.Data1() != m.Data1()) return false;
      ev.Msg = TShortMsg::Pack(m.Status(), m.Data1(), m.Data2()).Raw;
      return true;
    case 0xC:
    case 0xD:
      ev.Msg = TShortMsg::Pack(m.Status(), m.Data1(), last.Data2()).Raw;
      return true;
    case 0xE:
      ev.Msg = TShortMsg::Pack(m.Status(), m.Data1(), m.Data2()).Raw;
      return true;
    default:
      return false;
  }
}

// A rest: a marker, and the step position moves on.
void RecordRestStep(int32_t t, int32_t step) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    InsertPartEvent(PartOf(s), s, kMarker, t, false);
    b.RElap = t + step;
  }
  RecKeys.RecLastEventTime = t + step;
  RecKeys.SRecTime = t + step;
  RecKeys.LastRecEvent = kMarker;
}

// A hotkey's block goes into the first recording seq only, at the step position, and is sent on.
void RecordHotkeyStep(const rec::TRecKey& k, const std::array<uint32_t, 8>& block, int32_t last, int32_t t) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    for (int32_t i = 0; i <= last; ++i) InsertPartEvent(PartOf(s), s, block[i], t, false);
    b.RElap = t;
    RecKeys.RecLastEventTime = t;
    b.HasHotkeyEvents = 1;
    break;
  }
  rec::SendRecordedHotkey(k, block, last, k.NoteOn);
  RecKeys.LastRecEvent = block[1];
}

// A controller or other message lies at the step position without moving it.
void RecordMessageStep(const rec::TRecKey& k, uint32_t msg, int32_t t) {
  if (TShortMsg{msg}.Kind() == 0xE) RecKeys.RecPitchBendSeen = 1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    if (!UpdateInPlace(b, msg)) InsertPartEvent(PartOf(s), s, msg, t, false);
    b.RElap = t;
  }
  RecKeys.RecLastEventTime = t;
  RecKeys.LastRecEvent = msg;
  rec::PassOn(k, msg);
}

// Where a note goes: the step position, or the last note's step when it was played as a chord.
int32_t StepNoteTime(int32_t t, int32_t now) {
  Trace.SRecChordNote = 0;
  int32_t at = t;
  if (Cfg.SRecChordDetectReqd && t > 0 && now - RecKeys.SRecLastNoteTime <= Cfg.SRecChordDetectThreshold) {
    // Back onto the step the last note started, wherever the step length has gone since.
    Trace.SRecChordNote = 1;
    at = RecKeys.SRecLastNoteStart;
  }
  RecKeys.SRecLastNoteTime = now;
  return at;
}

// A note with its own note-off a gate later; the step position moves on.
void RecordNoteOnStep(const rec::TRecKey& k, uint32_t msg, int32_t t, int32_t step, int32_t now) {
  const int32_t at = StepNoteTime(t, now);
  const TShortMsg m{msg};
  const uint32_t off = TShortMsg::Pack(0x80u + m.Channel(), m.Data1(), m.Data2()).Raw;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    InsertPartEvent(PartOf(s), s, msg, at, true);
    InsertPartEvent(PartOf(s), s, off, at + RecKeys.SRecGateTicks, true);
    b.RElap = at + step;
  }
  RecKeys.RecLastEventTime = at + step;
  RecKeys.SRecLastNoteStart = at;
  RecKeys.SRecTime = at + step;
  RecKeys.LastRecEvent = msg;
  rec::PassOn(k, msg);
}

void RecordNoteStep(const rec::TRecKey& k, bool isRest, bool isHotkey, const std::array<uint32_t, 8>& block,
                    int32_t last) {
  if (!Transport.RecActive && (k.NoteOn || !k.IsNote)) rec::StartTake(k);
  if (!Transport.RecActive) {
    rec::PassOn(k, k.Msg);
    return;
  }
  const int32_t now = Cfg.ClocksSourceInternal ? k.Time : TicksToMs(MidiIn.ExtClockTicks);
  if (!RecKeys.RecFirstNoteIn) {
    rec::TakeClockStart(k);
    RecKeys.SRecLastNoteTime = now;
  }
  if (k.Code == SRecN || isHotkey) RecKeys.RecNoteRecorded = 1;
  const uint32_t msg = k.Msg & 0x00FFFFFFu;
  const int32_t t = RecKeys.SRecTime;
  if (isRest) {
    RecordRestStep(t, RecKeys.SRecStepTicks);
  } else if (isHotkey) {
    RecordHotkeyStep(k, block, last, t);
  } else if (!k.IsNote) {
    RecordMessageStep(k, msg, t);
  } else if (!k.NoteOn) {
    // Step notes get their own note-offs.
    rec::PassOn(k, msg);
    return;
  } else {
    RecordNoteOnStep(k, msg, t, RecKeys.SRecStepTicks, now);
  }
  RecKeys.LastRecEventNew = 1;
  if (Cfg.DspSeqGrid) RequestSeqGridRedraw();
}

// Unlinks the events of the tail's time; true when they held a note-off that is no hotkey event.
bool RemoveTailGroup(TPartBuf& b, int32_t& time) {
  time = b.Events[b.Tail].Time;
  bool noteOff = false;
  while (b.Tail >= 0 && b.Events[b.Tail].Time == time) {
    const int16_t i = b.Tail;
    const TShortMsg m{b.Events[i].Msg};
    if (m.Kind() == 0x8 && !m.IsHotkey()) noteOff = true;
    b.Tail = b.Events[i].Prev;
    if (b.Tail >= 0) {
      b.Events[b.Tail].Next = -1;
    } else {
      b.Head = -1;
    }
    if (b.PlayEvIndex == i) b.PlayEvIndex = b.Head;
    // The newest pool entry comes back at once: undo and record again never fill the pool.
    if (i == b.EventsUsed - 1) {
      --b.EventsUsed;
      b.PoolFull = 0;
    }
  }
  return noteOff;
}

void UndoStep() {
  bool any = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording || b.Head < 0) continue;
    any = true;
    int32_t time = 0;
    while (RemoveTailGroup(b, time) && b.Head >= 0) {
    }
    if (b.Head < 0) {
      b.Tail = -1;
      b.EventsUsed = 0;
      b.PoolFull = 0;
      b.SeqState = TSeqState::RecPrimed;
      b.HasHotkeyEvents = 0;
      b.RElap = 0;
      RecKeys.SRecTime = 0;
      RecKeys.LastRecEvent = 0;
      continue;
    }
    RecKeys.SRecTime = time;
    b.RElap = time;
    const TPartEvent& tail = b.Events[b.Tail];
    const TShortMsg last{tail.Msg};
    Trace.SRecChordNote = 0;
    if (last.IsNoteOn()) {
      for (int16_t i = tail.Prev; i >= 0 && b.Events[i].Time == tail.Time; i = b.Events[i].Prev) {
        if (TShortMsg{b.Events[i].Msg}.Status() == last.Status()) Trace.SRecChordNote = 1;
      }
    }
    RecKeys.LastRecEvent = tail.Msg;
    if (b.HasHotkeyEvents) {
      b.HasHotkeyEvents = 0;
      for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) {
        if (TShortMsg{b.Events[i].Msg}.IsHotkey()) b.HasHotkeyEvents = 1;
      }
    }
  }
  if (!any) return;
  RecKeys.RecLastEventTime = RecKeys.SRecTime;
  RecKeys.SRecLastNoteStart = std::max(0, RecKeys.SRecTime - RecKeys.SRecStepTicks);
  RecKeys.LastRecEventNew = 1;
  if (Cfg.DspSeqGrid) RequestSeqGridRedraw();
  if (RecKeys.SRecTime == 0) ResetRecordState();
}

void HandleRecordKeyStep(const rec::TRecKey& k) {
  const int32_t start = rec::LoopStartTicks(k, true);
  rec::RestartBarAt(start);
  rec::EndTakes(k.Code, rec::RoundTakeEnd(RecKeys.SRecTime), true, start);
  if (Transport.RecRetake) {
    SendRecMidiStop();
    ResetRecordState();
    return;
  }
  if (Args.RecAutoIncSeq && rec::PrimeNextTakeSeq()) {
    ResetRecordState();
    return;
  }
  SendRecMidiStop();
  ResetRecBarCount();
  ReturnToLiveMode();
}

int32_t IndexOf(const auto& list, int32_t value) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == value) return static_cast<int32_t>(i);
  }
  return -1;
}

// The step length keys: a length of its own, or the next longer or shorter one.
bool StepLengthKey(uint8_t c) {
  if (c >= SRecNoteLenFrac1 && c <= SRecNoteLenFrac64) {
    SetSRecNoteLenFrac(kNoteLenFracs[c - SRecNoteLenFrac1]);
    return true;
  }
  if (c != SRecNoteLenFracInc && c != SRecNoteLenFracDec) return false;
  const int32_t i = IndexOf(kNoteLenFracs, Cfg.SRecNoteLenFrac);
  const int32_t next = c == SRecNoteLenFracInc ? i - 1 : i + 1;
  if (i >= 0 && InRange(next, 0, static_cast<int32_t>(kNoteLenFracs.size()) - 1))
    SetSRecNoteLenFrac(kNoteLenFracs[next]);
  return true;
}

// The gate keys: a gate of its own, or the next longer or shorter one.
bool StepGateKey(uint8_t c) {
  if (c >= SRecNoteOnPercent5 && c <= SRecNoteOnPercent99) {
    SetSRecNoteOnPercent(kNoteOnPercents[c - SRecNoteOnPercent5]);
    return true;
  }
  if (c != SRecNoteOnPercentInc && c != SRecNoteOnPercentDec) return false;
  // 99 is a choice of its own, outside the steps.
  const int32_t i = IndexOf(kNoteOnPercents, Cfg.SRecNoteOnPercent);
  const int32_t next = c == SRecNoteOnPercentInc ? i + 1 : i - 1;
  if (InRange(i, 0, 4) && InRange(next, 0, 4)) SetSRecNoteOnPercent(kNoteOnPercents[next]);
  return true;
}

void StepModeSwitch(const rec::TRecKey& k) {
  const uint8_t c = k.Code;
  const bool beforeFirst = !RecKeys.RecFirstNoteIn;
  if (StepLengthKey(c) || StepGateKey(c)) return;
  if (c >= SRecHKCR && c <= SRecHKCR + HotkeyCount - 1) {
    std::array<uint32_t, 8> block{};
    const int32_t last = rec::HotkeyBlock(c - SRecHKCR, block);
    RecordNoteStep(k, false, true, block, last);
    return;
  }
  switch (c) {
    case SRecOctInc:
    case SRecOctDec:
      if (Transport.RecRawMode) break;
      FlushLiveFifo();
      rec::StepPitchOffset(c == SRecOctInc);
      break;
    case SRecChordsOn:
    case SRecChordsOff:
    case SRecChordsTog:
      Cfg.SRecChordDetectReqd = c == SRecChordsOn ? 1 : c == SRecChordsOff ? 0 : !Cfg.SRecChordDetectReqd;
      RaiseTopic(TTopic::StepRecChord);
      break;
    case SRecUndo:
      if (!Transport.RecRawMode) UndoStep();
      break;
    case SRecRec:
      if (beforeFirst) rec::SwitchTakeKind(false);
      break;
    case SRecAutoIncSeqTog:
    case SRecRawTog:
    case SRecAttribSrcSeq:
    case SRecAttribSrcLive:
    case SRecAttribSrcTog:
      rec::TakeOptionKey(c - SRecAutoIncSeqTog, beforeFirst);
      break;
    default:
      break;
  }
}

}  // namespace

namespace rec {

void RecomputeStepTicks() {
  RecKeys.SRecStepTicks = 15360 / std::max(Cfg.SRecNoteLenFrac, 1);
  RecKeys.SRecGateTicks = RecKeys.SRecStepTicks * Cfg.SRecNoteOnPercent / 100;
}

}  // namespace rec

void HandleStepRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn,
                          bool raw) {
  rec::TRecKey k;
  k.Input = input;
  k.Time = rec::EngineTime(input, msg, timeStamp);
  k.Pos = rec::KeyTickPos(msg, k.Time);
  k.IsNote = isNote;
  k.NoteOn = noteOn;
  k.Raw = raw;
  k.Msg = msg;
  uint32_t mapped = 0;
  k.Code = rec::RecKeyCode(true, k, mapped);
  const bool passed = k.Code == kSRecIgnore && raw;
  k.Msg = (msg & 0xFF000000u) | (mapped & 0x00FFFFFFu);
  const uint8_t c = k.Code;
  const std::array<uint32_t, 8> none{};
  if (c == SRecEsc && noteOn && !RecKeys.RecFirstNoteIn) {
    rec::AbandonTake();
    return;
  }
  if (IsEndCode(c)) {
    // Before the first key an end key does not start the take.
    if (!noteOn) {
      WriteLiveFifo(k.Msg);
    } else if (RecKeys.RecFirstNoteIn) {
      HandleRecordKeyStep(k);
    }
    return;
  }
  if (c == SRecNoteRest) {
    if (noteOn && !Transport.RecRawMode) RecordNoteStep(k, true, false, none, -1);
    return;
  }
  if (c == SRecN) {
    RecordNoteStep(k, false, false, none, -1);
    return;
  }
  if (!noteOn) {
    if (!passed) rec::PassOn(k, k.Msg);
    return;
  }
  StepModeSwitch(k);
}

void SetSRecNoteLenFrac(int32_t n) {
  if (n == Cfg.SRecNoteLenFrac) return;
  Cfg.SRecNoteLenFrac = n;
  RaiseTopic(TTopic::StepRecNoteLen);
  RecomputeStepTicks();
}

void SetSRecNoteOnPercent(int32_t percent) {
  if (percent == Cfg.SRecNoteOnPercent) return;
  Cfg.SRecNoteOnPercent = percent;
  RaiseTopic(TTopic::StepRecNoteOn);
  RecomputeStepTicks();
}

}  // namespace vel
