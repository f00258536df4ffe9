#include "engine/PartBufs.h"

#include <algorithm>
#include <cstdio>

#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/MidiMsg.h"
#include "engine/PlayCycle.h"
#include "settings/Settings.h"

namespace vel {

namespace {

bool ValidPartSeq(int32_t part, int32_t seq, std::string_view proc) {
  if (part >= 0 && part < kParts && seq >= 0 && seq < kSeqs) return true;
  char text[96];
  const int n = std::snprintf(text, sizeof text, "%.*s error: Unexpected part %d, seq %d",
                              static_cast<int>(proc.size()), proc.data(), part, seq);
  ErrMsg.Set(std::string_view(text, static_cast<std::size_t>(n)));
  return false;
}

using msg::Data1;

bool IsProgChange(uint32_t msg) {
  return (msg & 0xF0) == 0xC0;
}

// The part buffers a pitch command on seq acts on: its playing part, or every part of its part
// sweep.
template <typename Fn>
void ForPitchParts(int32_t seq, Fn fn) {
  const TSeqRec& r = SeqRecs[seq];
  if (!r.PartSweepOn) {
    fn(SeqBuf(seq), true);
    return;
  }
  const int32_t lo = std::clamp(std::min(r.PartSweepLow, r.PartSweepHigh), 0, kParts - 1);
  const int32_t hi = std::clamp(std::max(r.PartSweepLow, r.PartSweepHigh), 0, kParts - 1);
  for (int32_t p = lo; p <= hi; ++p) fn(PartBufs[p][seq], p == (r.PlayPart & 1));
}

}  // namespace

void RequestSeqGridRedraw() {
  if (DspSeqGrid) SeqGridRedraw = 1;
}

TPartBuf& SeqBuf(int32_t seq) {
  return PartBufs[SeqRecs[seq].PlayPart & 1][seq];
}

void ClearPartBuf(int32_t part, int32_t seq) {
  if (!ValidPartSeq(part, seq, "ClearPartBuf")) return;
  TPartBuf& b = PartBufs[part][seq];
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
  TPartBuf& b = PartBufs[part][seq];
  if (b.PoolFull) return false;
  msg &= 0x00FFFFFFu;
  const int32_t note = Data1(msg);
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
  TPartBuf& b = PartBufs[part][seq];
  const int16_t play = b.PlayEvIndex;
  const bool playUnlinked = play >= 0 && play < b.EventsUsed && IsProgChange(b.Events[play].Msg);
  int32_t count = 0;
  // An unlinked event keeps its own links, so a walk along Next from it still meets the events
  // that followed it.
  for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) {
    TPartEvent& ev = b.Events[i];
    if (!IsProgChange(ev.Msg)) continue;
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
    while (next >= 0 && IsProgChange(b.Events[next].Msg)) next = b.Events[next].Next;
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
  if (DiagFlags && count > 0) {
    char text[80];
    const int n = std::snprintf(text, sizeof text, "Seq:%d, Part:%d, Prog changes deleted: %d", seq + 1,
                                part + 1, count);
    PostDiagMsg(std::string_view(text, static_cast<std::size_t>(n)));
  }
}

void ResetSeqAttribs(int32_t part, int32_t seq, bool full) {
  if (!ValidPartSeq(part, seq, "ResetSeqAttribs")) return;
  TPartBuf& b = PartBufs[part][seq];
  if (full) {
    b.SVelPend = b.SVel = 5;
    b.MutedPend = b.Muted = 0;
    b.FtsRootPend = b.FtsRoot = 0;
    b.ScaleTblPend = b.ScaleTbl = nullptr;
    b.FtsTypePend = b.FtsType = kFtsTypeOff;
    b.PitchLocked = 0;
  }
  b.WasRunning = 0;
  b.EndCycleNow = 0;
  b.LightOther = b.LightNoteOn = b.LightHotkey = 0;
  b.LightOtherTime = b.LightNoteOnTime = b.LightHotkeyTime = 0;
  b.PitchBase = 0;
  b.TransposePend = 0;
  b.LowNoteOffsPend = b.HighNoteOffsPend = b.FirstNoteOffsPend = 0;
  b.PitchCycles = b.PlayCycles = b.MuteCycles = 0;
  b.PortSweep.On = b.ChanSweep.On = b.ProgSweep.On = b.SVelSweep.On = 0;
  b.PlayEvIndex = b.Head;
  b.PElap = 0;
  b.TimeShift = b.TimeShiftRept = 0;
  b.TimeShiftCarry = 0;
  b.ChanResetReq = 0;
  SeqRecs[seq].PartSweepOn = 0;
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
  for (int32_t s = 0; s < kSeqs; ++s) SavedSeqSelection[s] = SeqBuf(s).Selected;
}

void RestoreSeqSelection() {
  for (int32_t s = 0; s < kSeqs; ++s) {
    SeqBuf(s).Selected = SavedSeqSelection[s];
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
    if (s != MetrSeqNo && !NotPlayingState(SeqBuf(s).SeqState)) return false;
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
  for (int32_t s = 0; s <= LastSeq(); ++s) DeleteProgChanges(part, s);
}

void DeletePart(int32_t part) {
  for (int32_t s = 0; s <= LastSeq(); ++s) ClearPartBuf(part, s);
}

void DeleteProgsInSelSeqs() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) DeleteProgChanges(SeqRecs[s].PlayPart & 1, s);
}

void DeleteSelSeqs() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) ClearPartBuf(SeqRecs[s].PlayPart & 1, s);
  ResetNoteDisplays();
}

void DeleteProgsInAllParts() {
  for (int32_t p = 0; p < kParts; ++p) DeleteProgsInPart(p);
}

void DeleteAllParts() {
  for (int32_t p = 0; p < kParts; ++p) DeletePart(p);
  ResetNoteDisplays();
}

void ResetPartAllSeqs(int32_t part) {
  for (int32_t s = 0; s <= LastSeq(); ++s) ResetSeqAttribs(part, s, true);
}

void ResetSelSeqs() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (SeqBuf(s).Selected) ResetSeqAttribs(SeqRecs[s].PlayPart & 1, s, true);
  ResetNoteDisplays();
}

void ResetAllPartsAttribs() {
  for (int32_t p = 0; p < kParts; ++p) ResetPartAllSeqs(p);
  ResetNoteDisplays();
}

void SetSeqPitch(bool absolute, int32_t value, bool up) {
  auto changed = [&](int32_t v) { return absolute ? value : (up ? v + 12 : v - 12); };
  auto changedTranspose = [&](int32_t transpose, int32_t base) { return changed(transpose - base) + base; };

  if (LiveSelected && !LivePitchLocked) {
    FlushLiveFifo();
    LivePitch = changedTranspose(LivePitch, LiveTransposeBase);
  }
  const bool cycleCmd = PitchCyclesN || PitchCyclesNN;
  const bool anyZone = PitchZoneSel[0] || PitchZoneSel[1] || PitchZoneSel[2];
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (!SeqBuf(s).Selected) continue;
    ForPitchParts(s, [&](TPartBuf& b, bool playing) {
      if (b.PitchLocked) return;
      if (cycleCmd && PitchCycles > 0 && b.Head >= 0) {
        b.PitchCyclesRem = b.SeqState != TSeqState::Stopped ? PitchCycles + 1 : PitchCycles;
        b.PitchCycleTransB = changedTranspose(b.TransposePend, b.PitchBase);
        if (b.PitchCycles != 0) {
          b.TransposePend = b.PitchCycleTransA;
          b.PitchCycleSel = 1;
        } else {
          b.PitchCycleTransA = b.Transpose;
          b.TransposePend = b.PitchCycleTransB;
          b.PitchCycleSel = 0;
        }
        b.PitchCycles = PitchCycles;
      } else if (cycleCmd) {
        b.PitchCycles = 0;
        b.TransposePend = changedTranspose(b.TransposePend, b.PitchBase);
      } else if (b.PitchCycles >= 1) {
        const int32_t distance = b.PitchCycleTransB - b.PitchCycleTransA;
        b.PitchCycleTransA = changedTranspose(b.PitchCycleTransA, b.PitchBase);
        b.PitchCycleTransB = b.PitchCycleTransA + distance;
      } else if (!anyZone) {
        b.TransposePend = changedTranspose(b.TransposePend, b.PitchBase);
      } else {
        int32_t* offs[3] = {&b.LowNoteOffsPend, &b.HighNoteOffsPend, &b.FirstNoteOffsPend};
        const int32_t notes[3] = {b.LowNote, b.HighNote, b.FirstNote};
        for (int32_t z = 0; z < 3; ++z) {
          if (!PitchZoneSel[z]) continue;
          *offs[z] = changed(*offs[z]);
          for (int32_t o = 0; o < 3; ++o)
            if (o != z && notes[o] == notes[z]) *offs[o] = *offs[z];
        }
      }
      if (!playing) b.Transpose = b.TransposePend;
    });
  }
}

}  // namespace vel
