#include "engine/PartBufs.h"

#include <algorithm>
#include <cstdio>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PlayCycle.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

bool ValidPartSeq(int32_t part, int32_t seq, std::string_view proc) {
  if (part >= 0 && part < kParts && seq >= 0 && seq < kSeqs) return true;
  char text[96];
  const int n = std::snprintf(text, sizeof text, "%.*s error: Unexpected part %d, seq %d",
                              static_cast<int>(proc.size()), proc.data(), part, seq);
  Msgs.ErrMsg.Set(std::string_view(text, static_cast<std::size_t>(n)));
  return false;
}

using midi::TShortMsg;

// The part buffers a pitch command on seq acts on: its playing part, or every part of its part
// sweep.
template <typename Fn>
void ForPitchParts(int32_t seq, Fn fn) {
  const TSeqRec& r = Seqs.SeqRecs[seq];
  if (!r.PartSweepOn) {
    fn(SeqBuf(seq), true);
    return;
  }
  const int32_t lo = std::clamp(std::min(r.PartSweepLow, r.PartSweepHigh), 0, kParts - 1);
  const int32_t hi = std::clamp(std::max(r.PartSweepLow, r.PartSweepHigh), 0, kParts - 1);
  for (int32_t p = lo; p <= hi; ++p) fn(Seqs.PartBufs[p][seq], p == (r.PlayPart & 1));
}

}  // namespace

void RequestSeqGridRedraw() {
  if (Cfg.DspSeqGrid) Seqs.SeqGridRedraw = 1;
}

TPartBuf& SeqBuf(int32_t seq) {
  return Seqs.PartBufs[Seqs.SeqRecs[seq].PlayPart & 1][seq];
}

void ClearPartBuf(int32_t part, int32_t seq) {
  if (!ValidPartSeq(part, seq, "ClearPartBuf")) return;
  TPartBuf& b = Seqs.PartBufs[part][seq];
  b.Head = -1;
  b.EventsUsed = 0;
  b.PoolFull = 0;
  b.RElap = 0;
  b.PElap = 0;
  b.TimeShift = 0;
  b.TimeShiftRept = 0;
  b.TimeShiftCarry = 0;
  b.TempoDivPend = 1;
  b.TempoDiv = 1;
  b.HasHotkeyEvents = 0;
  RequestSeqGridRedraw();
}

bool InsertPartEvent(int32_t part, int32_t seq, uint32_t msg, int32_t time, bool trackNotes) {
  if (!ValidPartSeq(part, seq, "InsertPartEvent")) return false;
  TPartBuf& b = Seqs.PartBufs[part][seq];
  if (b.PoolFull) return false;
  msg &= 0x00FFFFFFu;
  const int32_t note = TShortMsg{msg}.Data1();
  if (b.Head < 0) {
    TPartEvent& ev = b.Events[0];
    ev.Prev = -1;
    ev.Next = -1;
    ev.Time = time;
    ev.Msg = msg;
    b.Head = b.Tail = b.PlayEvIndex = 0;
    b.RElap = time;
    if (trackNotes) b.LowNote = b.HighNote = b.FirstNote = note;
    b.EventsPeak = std::max(b.EventsPeak, 0);
    b.EventsUsed = 1;
    return true;
  }
  if (b.EventsUsed >= kMaxPartEvents) {
    b.PoolFull = 1;
    return false;
  }
  const int16_t idx = b.EventsUsed;
  TPartEvent& ev = b.Events[idx];
  // The new event goes after every event of the same or an earlier time.
  int16_t after = b.Tail;
  while (after >= 0 && b.Events[after].Time > time) after = b.Events[after].Prev;
  if (after < 0) {
    ev.Prev = -1;
    ev.Next = b.Head;
    b.Events[b.Head].Prev = idx;
    b.Head = idx;
    b.PlayEvIndex = idx;
  } else {
    ev.Prev = after;
    ev.Next = b.Events[after].Next;
    if (ev.Next >= 0) b.Events[ev.Next].Prev = idx;
    b.Events[after].Next = idx;
    if (after == b.Tail) {
      b.Tail = idx;
      b.RElap = time;
    }
  }
  ev.Time = time;
  ev.Msg = msg;
  if (trackNotes) {
    if (note > b.HighNote) {
      b.HighNote = note;
    } else if (note < b.LowNote) {
      b.LowNote = note;
    }
  }
  b.EventsPeak = std::max<int32_t>(b.EventsPeak, idx);
  b.EventsUsed = static_cast<int16_t>(idx + 1);
  return true;
}

void DeleteProgChanges(int32_t part, int32_t seq) {
  if (!ValidPartSeq(part, seq, "DeleteProgChanges")) return;
  TPartBuf& b = Seqs.PartBufs[part][seq];
  const int16_t play = b.PlayEvIndex;
  const bool playUnlinked = play >= 0 && play < b.EventsUsed && TShortMsg{b.Events[play].Msg}.IsProgChange();
  int32_t count = 0;
  // An unlinked event keeps its own links, so a walk along Next from it still meets the events
  // that followed it.
  for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) {
    TPartEvent& ev = b.Events[i];
    if (!TShortMsg{ev.Msg}.IsProgChange()) continue;
    if (ev.Prev >= 0) {
      b.Events[ev.Prev].Next = ev.Next;
    } else {
      b.Head = ev.Next;
    }
    if (ev.Next >= 0) {
      b.Events[ev.Next].Prev = ev.Prev;
    } else {
      b.Tail = ev.Prev;
    }
    ++count;
  }
  if (playUnlinked) {
    // The play index must stay on a linked event. While the seq plays, the event it was on was the
    // pending one: the next linked event takes its place, timed from it; when none is left in
    // this cycle, the tail stands in for it, silent, so that the part still wraps on time.
    int16_t next = b.Events[play].Next;
    while (next >= 0 && TShortMsg{b.Events[next].Msg}.IsProgChange()) next = b.Events[next].Next;
    const bool scheduled = IsPlaying(b.SeqState) && &b == &SeqBuf(seq);
    if (b.Head < 0) {
      b.PlayEvIndex = -1;
    } else if (next >= 0) {
      b.PlayEvIndex = next;
      if (scheduled) {
        const int32_t div = std::max(b.TempoDiv, 1);
        AdvanceSeqEvent(seq, false, b.TicksRem, b.Events[play].Time * div);
      }
    } else if (scheduled) {
      b.PlayEvIndex = b.Tail;
      b.DropEvent = 1;
    } else {
      b.PlayEvIndex = b.Head;
    }
  }
  if (Trace.DiagFlags && count > 0) {
    char text[80];
    const int n = std::snprintf(text, sizeof text, "Seq:%d, Part:%d, Prog changes deleted: %d", seq + 1,
                                part + 1, count);
    PostDiagMsg(std::string_view(text, static_cast<std::size_t>(n)));
  }
}

void ResetSeqAttribs(int32_t part, int32_t seq, bool full) {
  if (!ValidPartSeq(part, seq, "ResetSeqAttribs")) return;
  TPartBuf& b = Seqs.PartBufs[part][seq];
  if (full) {
    b.Pend.SVel = b.Act.SVel = 5;
    b.Pend.Muted = b.Act.Muted = 0;
    b.Pend.FtsRoot = b.Act.FtsRoot = 0;
    b.Pend.ScaleTbl = b.Act.ScaleTbl = nullptr;
    b.Pend.FtsType = b.Act.FtsType = kFtsTypeOff;
    b.PitchLocked = 0;
  }
  b.WasRunning = 0;
  b.EndCycleNow = 0;
  b.LightOther = b.LightNoteOn = b.LightHotkey = 0;
  b.LightOtherTime = b.LightNoteOnTime = b.LightHotkeyTime = 0;
  b.PitchBase = 0;
  b.Pend.Transpose = 0;
  b.Pend.LowNoteOffs = b.Pend.HighNoteOffs = b.Pend.FirstNoteOffs = 0;
  b.PitchCycles = b.PlayCycles = b.MuteCycles = 0;
  b.PortSweep.On = b.ChanSweep.On = b.ProgSweep.On = b.SVelSweep.On = 0;
  b.PlayEvIndex = b.Head;
  b.PElap = 0;
  b.TimeShift = b.TimeShiftRept = 0;
  b.TimeShiftCarry = 0;
  b.ChanResetReq = 0;
  Seqs.SeqRecs[seq].PartSweepOn = 0;
}

void ToggleSeqSelected(int32_t seq) {
  if (seq < 0 || seq >= kSeqs) return;
  TPartBuf& b = SeqBuf(seq);
  b.Selected = !b.Selected;
  b.SelChanged = 1;
}

void SelectAllSeqs() {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    SeqBuf(s).Selected = 1;
    SeqBuf(s).SelChanged = 1;
  }
}

bool AnySeqSelected() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) return true;
  return false;
}

bool AllSeqsSelected() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (!SeqBuf(s).Selected) return false;
  return true;
}

void SaveSeqSelection() {
  for (int32_t s = 0; s < kSeqs; ++s) Seqs.SavedSeqSelection[s] = SeqBuf(s).Selected;
}

void RestoreSeqSelection() {
  for (int32_t s = 0; s < kSeqs; ++s) {
    SeqBuf(s).Selected = Seqs.SavedSeqSelection[s];
    SeqBuf(s).SelChanged = 1;
  }
}

namespace {

bool NotPlayingState(TSeqState state) {
  return state == TSeqState::Stopped || state == TSeqState::RecPrimed || state == TSeqState::Recording;
}

}  // namespace

bool NoSeqPlaying() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (!NotPlayingState(SeqBuf(s).SeqState)) return false;
  return true;
}

bool NoSeqPlayingButMetr() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (s != Cfg.MetrSeqNo && !NotPlayingState(SeqBuf(s).SeqState)) return false;
  return true;
}

bool AllSeqsStopped() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).SeqState != TSeqState::Stopped) return false;
  return true;
}

bool SelectedSeqsStopped() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected && SeqBuf(s).SeqState != TSeqState::Stopped) return false;
  return true;
}

void DeleteProgsInPart(int32_t part) {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s) DeleteProgChanges(part, s);
}

void DeletePart(int32_t part) {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s) ClearPartBuf(part, s);
}

void DeleteProgsInSelSeqs() {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) DeleteProgChanges(Seqs.SeqRecs[s].PlayPart & 1, s);
}

void DeleteSelSeqs() {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) ClearPartBuf(Seqs.SeqRecs[s].PlayPart & 1, s);
  ResetNoteDisplays();
}

void DeleteProgsInAllParts() {
  EngineLock.AssertHeld();
  for (int32_t p = 0; p < kParts; ++p) DeleteProgsInPart(p);
}

void DeleteAllParts() {
  EngineLock.AssertHeld();
  for (int32_t p = 0; p < kParts; ++p) DeletePart(p);
  ResetNoteDisplays();
}

void ResetPartAllSeqs(int32_t part) {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s) ResetSeqAttribs(part, s, true);
}

void ResetSelSeqs() {
  EngineLock.AssertHeld();
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) ResetSeqAttribs(Seqs.SeqRecs[s].PlayPart & 1, s, true);
  ResetNoteDisplays();
}

void ResetAllPartsAttribs() {
  EngineLock.AssertHeld();
  for (int32_t p = 0; p < kParts; ++p) ResetPartAllSeqs(p);
  ResetNoteDisplays();
}

namespace {

// A pitch command's change: to value, or an octave up or down.
struct TPitchChange {
  bool Absolute;
  int32_t Value;
  bool Up;

  int32_t Changed(int32_t v) const { return Absolute ? Value : (Up ? v + 12 : v - 12); }
  int32_t ChangedTranspose(int32_t transpose, int32_t base) const { return Changed(transpose - base) + base; }
};

// A pitch cycle begins (or restarts) between the part's transpose and the changed one.
void StartPitchCycle(TPartBuf& b, const TPitchChange& c) {
  b.PitchCyclesRem = b.SeqState != TSeqState::Stopped ? Keys.PitchCycles + 1 : Keys.PitchCycles;
  b.PitchCycleTransB = c.ChangedTranspose(b.Pend.Transpose, b.PitchBase);
  if (b.PitchCycles != 0) {
    b.Pend.Transpose = b.PitchCycleTransA;
    b.PitchCycleSel = 1;
  } else {
    b.PitchCycleTransA = b.Act.Transpose;
    b.Pend.Transpose = b.PitchCycleTransB;
    b.PitchCycleSel = 0;
  }
  b.PitchCycles = Keys.PitchCycles;
}

// The selected note zones' offsets; a zone on the same note as another takes it along.
void ShiftZoneOffsets(TPartBuf& b, const TPitchChange& c) {
  int32_t* offs[3] = {&b.Pend.LowNoteOffs, &b.Pend.HighNoteOffs, &b.Pend.FirstNoteOffs};
  const int32_t notes[3] = {b.LowNote, b.HighNote, b.FirstNote};
  for (int32_t z = 0; z < 3; ++z) {
    if (!Keys.PitchZoneSel[z]) continue;
    *offs[z] = c.Changed(*offs[z]);
    for (int32_t o = 0; o < 3; ++o)
      if (o != z && notes[o] == notes[z]) *offs[o] = *offs[z];
  }
}

void SetPartPitch(TPartBuf& b, bool playing, const TPitchChange& c, bool cycleCmd, bool anyZone) {
  if (b.PitchLocked) return;
  if (cycleCmd && Keys.PitchCycles > 0 && b.Head >= 0) {
    StartPitchCycle(b, c);
  } else if (cycleCmd) {
    b.PitchCycles = 0;
    b.Pend.Transpose = c.ChangedTranspose(b.Pend.Transpose, b.PitchBase);
  } else if (b.PitchCycles >= 1) {
    const int32_t distance = b.PitchCycleTransB - b.PitchCycleTransA;
    b.PitchCycleTransA = c.ChangedTranspose(b.PitchCycleTransA, b.PitchBase);
    b.PitchCycleTransB = b.PitchCycleTransA + distance;
  } else if (!anyZone) {
    b.Pend.Transpose = c.ChangedTranspose(b.Pend.Transpose, b.PitchBase);
  } else {
    ShiftZoneOffsets(b, c);
  }
  if (!playing) b.Act.Transpose = b.Pend.Transpose;
}

}  // namespace

void SetSeqPitch(bool absolute, int32_t value, bool up) {
  const TPitchChange c{absolute, value, up};
  if (Live.Selected && !Live.PitchLocked) {
    FlushLiveFifo();
    Live.Pitch = c.ChangedTranspose(Live.Pitch, Live.TransposeBase);
  }
  const bool cycleCmd = Keys.PitchCyclesN || Keys.PitchCyclesNN;
  const bool anyZone = Keys.PitchZoneSel[0] || Keys.PitchZoneSel[1] || Keys.PitchZoneSel[2];
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (!SeqBuf(s).Selected) continue;
    ForPitchParts(s, [&](TPartBuf& b, bool playing) { SetPartPitch(b, playing, c, cycleCmd, anyZone); });
  }
}

}  // namespace vel
