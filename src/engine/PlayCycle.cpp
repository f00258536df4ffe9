#include "engine/PlayCycle.h"

#include <algorithm>
#include <cstdio>

#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// A play cycle that fell this far behind (a part far shorter than one tick) forgets the rest, so
// its countdown cannot run out of range.
constexpr int32_t kMaxBacklogTicks = 1000000;

using midi::TShortMsg;
using msg::ScaleNote;
using msg::WithNote;

// An index for the per-port tables; a port out of range has no device, so nothing is sent on it.
int32_t PortIdx(int32_t port) {
  return IsValidPort(port) ? port : 0;
}

const TMidiDevRec* OutDevOfPort(int32_t port) {
  if (!IsValidPort(port)) return nullptr;
  const int32_t dev = RunCtl.PortDevIdx[port];
  if (dev < 0 || dev >= midi::kMaxDevs) return nullptr;
  return &RunCtl.MidiOutDevs[dev];
}

bool OutTraceWanted(uint8_t status) {
  return Trace.DiagFlags && Trace.OutTraceOn && TraceEventReqd(status);
}

// The offset of a marked note, for events whose data 1 is that note.
int32_t MarkedNoteOffs(const TPartBuf& b, int32_t note) {
  if (note == b.LowNote) return b.Act.LowNoteOffs;
  if (note == b.HighNote) return b.Act.HighNoteOffs;
  if (note == b.FirstNote) return b.Act.FirstNoteOffs;
  return 0;
}

// The live note display's record of a message sent.
void NoteDisplayHook(uint32_t msg) {
  const TShortMsg m{msg};
  CountLiveNote(msg, m.IsNote(), m.IsNoteOn());
}

// The part's time of its next event, after the tempo clock divider.
int32_t EventTime(const TPartBuf& b) {
  const int64_t t = static_cast<int64_t>(b.Events[b.PlayEvIndex].Time) * std::max(b.TempoDiv, 1);
  return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN / 2, INT32_MAX / 2));
}

// The cycle length a time shift wraps at; a part whose events all sit at time 0 counts as one
// bar, so that nothing divides by zero.
int32_t ShiftWrapLength(const TPartBuf& b) {
  return b.RElap > 0 ? b.RElap : std::max(Transport.ActBar.BarTicks, 1);
}

constexpr uint16_t ChanBit(int32_t chan) {
  return static_cast<uint16_t>(1u << (chan & 0x0F));
}

// The port and channels a seq's part sounds on: its channel, or the multiplier range.
struct TSeqChans {
  int8_t Port = -1;
  uint16_t Chans = 0;
};
using TSeqChansAll = std::array<TSeqChans, kSeqs>;

TSeqChans SeqChans(const TPartBuf& b) {
  if (!IsValidPort(b.Port)) return {};
  TSeqChans out{b.Port, 0};
  msg::ForProgChans(b.Port, b.MChanApplies, b.Chan[b.Port], [&](int32_t c) { out.Chans |= ChanBit(c); });
  return out;
}

// Notes what a seq's message leaves sounding: a note-on until its note-off, a pedal until it goes
// up. A move to another port first releases what the old one holds.
void TrackSeqSend(int32_t seq, int32_t port, uint32_t msg) {
  const TShortMsg m{msg};
  const bool pedal = m.IsController(0x40);
  if (!m.IsNote() && !pedal) return;
  TSeqSounding& t = PlayCycle.SeqSounding[static_cast<std::size_t>(seq)];
  if (t.Port != port) {
    ReleaseSeqSounding(seq, port, 0);
    t.Port = static_cast<int8_t>(port);
  }
  const int32_t c = m.Channel();
  uint8_t& count = t.Notes[c][m.Data1() & 0x7F];
  if (m.IsNoteOn()) {
    if (count < 255) ++count;
    t.Chans |= ChanBit(c);
  } else if (m.IsNote()) {
    if (count > 0) --count;
  } else if (m.Data2() >= 64) {
    t.Pedals |= ChanBit(c);
    t.Chans |= ChanBit(c);
  } else {
    t.Pedals &= static_cast<uint16_t>(~ChanBit(c));
  }
}

// Sends the pending event of a seq through the channel multiplier: one copy per channel of the
// port's range, each with that channel's pitch offset.
void SendMultiplied(int32_t seq, TPartBuf& b, bool lightsAndDisplay) {
  const int32_t port = PortIdx(b.Port);
  const uint32_t msg = b.AdjMidiEvent;
  const TShortMsg m{msg};
  const int32_t shift = MarkedNoteOffs(b, m.Data1()) + b.Act.Transpose;
  const bool trace = OutTraceWanted(m.Status());
  msg::ForMChans(port, [&](int32_t c) {
    const uint32_t copy = msg::MChanNoteCopy(msg, port, c, shift, b.Act.ScaleTbl, b.Act.FtsRoot);
    if (SendShortMsg(b.Port, copy, trace) == midi::kOk) TrackSeqSend(seq, b.Port, copy);
    if (lightsAndDisplay && Cfg.DspKinetrace) NoteDisplayHook(copy);
  });
}

// Sends the seq's pending event as AdjustSeqEvent left it.
void SendDueEvent(int32_t seq, TPartBuf& b) {
  const uint32_t msg = b.AdjMidiEvent;
  const TShortMsg m{msg};
  if (b.DropEvent) return;
  if (b.HotkeyEvent) {
    if (Cfg.DisableHotkeys) return;
    SendHotkeyStroke(m.Data1(), m.IsNoteOn());
    if (Trace.TraceHotkey) WriteDiagTraceFifo(b.Port, msg, 0);
    if (m.IsNoteOn() && Cfg.DspMidiActivity && IsPlaying(b.SeqState)) b.LightHotkey = 1;
    return;
  }
  const bool shown = IsPlaying(b.SeqState);
  if (b.MChanSend) {
    SendMultiplied(seq, b, shown);
  } else {
    if (SendShortMsg(b.Port, msg, OutTraceWanted(m.Status())) == midi::kOk) TrackSeqSend(seq, b.Port, msg);
    if (shown && Cfg.DspKinetrace) NoteDisplayHook(msg);
  }
  if (shown && Cfg.DspMidiActivity) {
    if (m.IsNoteOn()) {
      b.LightNoteOn = 1;
    } else if (!m.IsNoteOff()) {
      b.LightOther = 1;
    }
  }
}

// Resets the channels taken per seq, in seq order, then those of extra, each port and channel
// once; then clears the note displays.
void ResetOutputs(const TSeqChansAll& seqs, const TChanMask* extra) {
  TChanMask done{};
  auto reset = [&](int32_t port, uint16_t chans) {
    for (int32_t c = 0; c < kChans; ++c) {
      if (!(chans & ChanBit(c)) || (done[port] & ChanBit(c))) continue;
      done[port] |= ChanBit(c);
      ResetPortChannel(port, c);
    }
  };
  for (const TSeqChans& sc : seqs)
    if (IsValidPort(sc.Port)) reset(sc.Port, sc.Chans);
  if (extra)
    for (int32_t p = 0; p < kPorts; ++p) reset(p, (*extra)[p]);
  ResetNoteDisplays();
}

// The seqs marked ChanResetReq, or taken already (taken[s], read before a metronome rebuild could
// move them), with their marks cleared.
TSeqChansAll MarkedSeqChans(const TSeqChansAll& taken) {
  TSeqChansAll out = taken;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.ChanResetReq && !IsValidPort(out[s].Port)) out[s] = SeqChans(b);
    b.ChanResetReq = 0;
  }
  return out;
}

// The end of a seq's cycle, at its last event or at once (EndCycleNow): it stops when it was
// primed to, else its next cycle starts. Returns the seq's buffer, another after a part change.
TPartBuf* WrapSeqCycle(int32_t s, TPartBuf* b, TSeqChansAll& endReset) {
  const bool endNow = b->EndCycleNow;
  b->EndCycleNow = 0;
  b->PlayEvIndex = b->Head;
  b->PElap = 0;
  TSeqRec& r = Seqs.SeqRecs[s];
  if (b->SeqState == TSeqState::StopPrimed) {
    b->SeqState = TSeqState::Stopped;
    b->TimeShift = 0;
    b->TimeShiftCarry = 0;
    // Reset after the loop where it sounded (a metronome bar rebuilt here may move its channel):
    // all of it when no reset has been done since the stop asked for one, else what sounded since.
    if (endNow) {
      endReset[s] = SeqChans(*b);
      if (!b->ChanResetReq && IsValidPort(endReset[s].Port))
        endReset[s].Chans &= PlayCycle.ChansDirty[endReset[s].Port];
      if (endReset[s].Chans == 0) endReset[s] = TSeqChans{};
    }
    if (s == Cfg.MetrSeqNo) {
      if (Cfg.MetrModeStyles && EngineHooks.RestartStyleChain) EngineHooks.RestartStyleChain();
      if (Metr.MetrRebuildPending) BuildMetronomeBar(r.PlayPart & 1, false);
    }
    r.PartSweepOn = 0;
    r.SelPart = r.PlayPart;
    return b;
  }
  if (s == Cfg.MetrSeqNo && Metr.MetrRebuildPending) {
    BuildMetronomeBar(r.PlayPart & 1, true);
    b->PlayEvIndex = b->Head;
  }
  int32_t ticksRem = b->TicksRem;
  if (b->RElap <= 0) ticksRem += std::max(Transport.ActBar.BarTicks, 1);  // an all-at-zero part lasts a bar
  if (AdvanceSeqEvent(s, true, ticksRem, 0)) b = &SeqBuf(s);
  return b;
}

// Whether the pending note-off, as adjusted, ends a note the seq has sounding: a transpose or
// scale changed since its note-on points it at another note. A multiplied one (its copies are
// shifted per channel) and a hotkey's key release go out as they are.
bool NoteOffFindsItsNote(int32_t s, const TPartBuf& b) {
  if (b.MChanSend || b.HotkeyEvent || b.DropEvent) return true;
  const TSeqSounding& t = PlayCycle.SeqSounding[static_cast<std::size_t>(s)];
  const TShortMsg m{b.AdjMidiEvent};
  return t.Port == b.Port && t.Notes[m.Channel()][m.Data1() & 0x7F] > 0;
}

// A cycle ended at once: the note-offs still to come in the part, for the notes it started
// before this point, go out as the part holds them, so no note hangs on a synthesizer that
// ignores the channel reset's all-notes-off; no note-on goes out. Then whatever the seq still
// holds (a note carried over the part's end) is released.
void EndSoundingNotes(int32_t s, TPartBuf& b, int32_t from) {
  const uint32_t adj = b.AdjMidiEvent;
  const uint8_t drop = b.DropEvent, mchan = b.MChanSend, hotkey = b.HotkeyEvent;
  std::array<std::array<bool, 128>, kChans> started{};
  int32_t budget = b.EventsUsed + 1;
  for (int32_t i = from; i >= 0 && budget-- > 0; i = b.Events[i].Next) {
    const TShortMsg m{b.Events[i].Msg};
    if (!m.IsNote()) continue;
    bool& on = started[m.Channel()][m.Data1() & 0x7F];
    if (m.IsNoteOn()) {
      on = true;
      continue;
    }
    if (on) continue;
    b.AdjMidiEvent = AdjustSeqEvent(m.Raw, s);
    if (!NoteOffFindsItsNote(s, b)) continue;
    SendDueEvent(s, b);
  }
  b.AdjMidiEvent = adj;
  b.DropEvent = drop;
  b.MChanSend = mchan;
  b.HotkeyEvent = hotkey;
  ReleaseSeqSounding(s, b.Port, 0);
}

// One playing seq's tick: sends what fell due, wrapping at the end of its cycle.
void PlaySeqTick(int32_t s, int32_t ticks, TSeqChansAll& endReset) {
  TPartBuf* b = &SeqBuf(s);
  const TSeqState state = b->SeqState;
  b->TicksRem -= ticks;
  if (state != TSeqState::PlayPrimed && state != TSeqState::PlayMutedPrimed) b->PElap += ticks;
  // A cycle ended at once sends its pending event only when it fell due: a note not due yet
  // would sound after the channel's reset.
  bool holdBack = b->EndCycleNow && b->TicksRem >= 1;
  if (b->EndCycleNow) b->TicksRem = 0;
  if (b->TicksRem >= 1) return;
  if (b->SeqState == TSeqState::PlayPrimed) b->SeqState = TSeqState::Playing;
  if (b->SeqState == TSeqState::PlayMutedPrimed) b->SeqState = TSeqState::PlayMuted;
  // One pass over the part at most per call: a part far shorter than a tick cannot hold the
  // timer here.
  int32_t budget = b->EventsUsed + 1;
  while (b->TicksRem <= 0 && b->SeqState != TSeqState::Stopped) {
    if (b->Head < 0 || b->PlayEvIndex < 0 || budget-- <= 0) {
      b->TicksRem = std::max(b->TicksRem, -kMaxBacklogTicks);
      break;
    }
    // Due when its tick passed, inside this timer period: the output places it there, and
    // the start-of-cycle programs that follow it with it.
    PlayCycle.SendDueNs = TickDueNs(-static_cast<int64_t>(b->TicksRem));
    if (!holdBack) SendDueEvent(s, *b);
    const TPartEvent& ev = b->Events[b->PlayEvIndex];
    if (b->EndCycleNow) EndSoundingNotes(s, *b, holdBack ? b->PlayEvIndex : ev.Next);
    holdBack = false;
    if (ev.Next < 0 || b->EndCycleNow) {
      b = WrapSeqCycle(s, b, endReset);
    } else {
      const int32_t oldTime = EventTime(*b);
      b->PlayEvIndex = ev.Next;
      AdvanceSeqEvent(s, false, b->TicksRem, oldTime);
    }
  }
  PlayCycle.SendDueNs = midi::kNow;
}

}  // namespace

void WarnUnexpectedStatus(const char* proc, uint8_t status) {
  char text[80];
  const int n = std::snprintf(text, sizeof text, "%s error: Unexpected MEvStatusByte %02X", proc, status);
  Msgs.WarnMsg.Set(std::string_view(text, static_cast<std::size_t>(n)));
}

bool ProgChangesAllowed(int32_t port) {
  const TMidiDevRec* dev = OutDevOfPort(port);
  return dev != nullptr && dev->ProgChangesEnabled;
}

void SendToPorts(const std::array<uint8_t, kPorts>& enabled, uint32_t msg, bool trace) {
  const int32_t last = std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1);
  for (int32_t p = 0; p <= last; ++p)
    if (enabled[p]) SendShortMsg(p, msg, trace);
}

int32_t KinetraceTailTicks() {
  switch (Cfg.KinetraceDecay) {
    case 1:
      return 1;
    case 2:
      return 200;
    case 3:
      return 500;
    case 4:
      return 1000;
    default:
      return 500;
  }
}

int64_t UnitsInNs(int64_t ns, int64_t perMs) {
  return static_cast<int64_t>(static_cast<__int128>(ns) * perMs / 1000000);
}

int64_t NsOfUnits(int64_t units, int64_t perMs) {
  return static_cast<int64_t>(static_cast<__int128>(units) * 1000000 / std::max<int64_t>(perMs, 1));
}

int64_t TickDueNs(int64_t ticksPast) {
  if (PlayCycle.TickNowNs == midi::kNow) return midi::kNow;
  const int64_t units = ticksPast * kTickUnits + PlayCycle.TickFrac;
  return PlayCycle.TickNowNs - NsOfUnits(units, PlayCycle.TickUnitsPerMs);
}

void TickSeq(int32_t ticks) {
  bool played = false;
  bool recPrimed = false;
  bool stoppedReset = false;
  TSeqChansAll endReset{};
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf* b = &SeqBuf(s);
    const TSeqState state = b->SeqState;
    if (IsPlaying(state) && b->Head < 0) {
      // An emptied part has nothing to play and no end to reach: the seq stops, rather than send
      // what was pending when the events went. Notes it started lost their note-offs with the
      // events: a part that was sounding gets its channel reset.
      if (state == TSeqState::Playing || (state == TSeqState::StopPrimed && b->PElap > 0)) {
        b->ChanResetReq = 1;
        stoppedReset = true;
      }
      b->SeqState = TSeqState::Stopped;
      continue;
    }
    if (IsPlaying(state)) {
      played = true;
      PlaySeqTick(s, ticks, endReset);
      if (IsValidPort(endReset[s].Port)) stoppedReset = true;
    } else if (state == TSeqState::Stopped) {
    } else if (state == TSeqState::RecPrimed) {
      recPrimed = true;
    } else if (state == TSeqState::Recording) {
      played = true;
    } else {
      Msgs.ErrMsg.Set("TickSeq-2 error: Unexpected SeqState");
    }
  }

  PlayCycle.TicksToBarEnd -= ticks;
  if (stoppedReset) ResetOutputs(MarkedSeqChans(endReset), nullptr);
  if (played) {
    PlayCycle.SeqsRunning = 1;
  } else {
    PlayCycle.SeqsRunning = 0;
    PlayCycle.BarNo = 0;
    if (!recPrimed && Transport.RecStartedClock && Cfg.ClocksSourceInternal) {
      PlayCycle.SendDueNs = TickDueNs(0);
      SendToPorts(Cfg.MidiOutSyncEnabled, 0xFC, Trace.TraceSync);
      PlayCycle.SendDueNs = midi::kNow;
      Transport.RecStartedClock = 0;
    }
  }
  if (PlayCycle.TicksToBarEnd < 1) {
    StartBarCountdown(PlayCycle.TicksToBarEnd);
    PlayCycle.BeatNo = 1;
    PlayCycle.BeatChanged = 1;
    PlayCycle.BarNo.fetch_add(1);
    RecalcBarSettings();
  } else if (static_cast<int64_t>(Transport.ActBar.BeatTicks) * PlayCycle.BeatNo <=
             Transport.ActBar.BarTicks - PlayCycle.TicksToBarEnd) {
    PlayCycle.BeatNo.fetch_add(1);
    PlayCycle.BeatChanged = 1;
  }
}

bool AdvanceSeqEvent(int32_t seq, bool startOfCycle, int32_t ticksRem, int32_t prevTime) {
  bool changed = false;
  TPartBuf* b = &SeqBuf(seq);
  if (!startOfCycle) {
    if (b->Head < 0 || b->PlayEvIndex < 0) return false;
    const int32_t t = EventTime(*b) - prevTime + ticksRem;
    if (b->TimeShiftCarry) {
      if (b->TimeShift + t >= 0) {
        b->TicksRem = b->TimeShift + t;
        b->TimeShift = 0;
        b->TimeShiftCarry = 0;
      } else {
        b->TimeShift += t;
        b->TicksRem = 0;
      }
    } else {
      b->TicksRem = t;
    }
  } else {
    changed = StartSeqCycle(seq);
    b = &SeqBuf(seq);
    if (changed) {
      b->TimeShift = 0;
      b->TimeShiftRept = 0;
      b->TimeShiftCarry = 0;
      // A part changed to starts its cycle from its start, wherever it last stood.
      b->PlayEvIndex = b->Head;
      b->PElap = 0;
      if (b->Head >= 0) b->TicksRem = EventTime(*b) + ticksRem;
    } else if (b->Head >= 0) {
      if (b->PlayEvIndex < 0) b->PlayEvIndex = b->Head;
      if (b->TimeShift == 0 && b->TimeShiftRept != 0) {
        b->TimeShift = b->TimeShiftRept;
        b->TimeShiftReptOn = 1;
      }
      const int32_t len = ShiftWrapLength(*b);
      b->TimeShift %= len;
      const int32_t t = EventTime(*b) + ticksRem;
      if (b->TimeShift >= 1) {
        b->TicksRem = t + b->TimeShift;
        b->PElap -= b->TimeShift;
        b->TimeShift = 0;
        b->TimeShiftCarry = 0;
      } else if (b->TimeShift < 0 && b->TimeShift + t >= 0) {
        b->TicksRem = b->TimeShift + t;
        b->TimeShift = 0;
        b->TimeShiftCarry = 0;
      } else if (b->TimeShift < 0) {
        b->TimeShift += t;
        b->PElap -= b->TimeShift;
        b->TicksRem = 0;
        b->TimeShiftCarry = 1;
      } else {
        b->TicksRem = t;
        b->TimeShiftCarry = 0;
      }
    }
  }
  if (b->Head >= 0 && b->PlayEvIndex >= 0)
    b->AdjMidiEvent = AdjustSeqEvent(b->Events[b->PlayEvIndex].Msg, seq);
  return changed;
}

bool StartSeqCycle(int32_t seq) {
  TSeqRec& r = Seqs.SeqRecs[seq];
  PrepSeqForSOC(r.PlayPart & 1, seq);
  bool changed = false;
  const int32_t sel = r.SelPart & 1;
  if (sel != (r.PlayPart & 1)) {
    const int32_t old = r.PlayPart & 1;
    r.PlayPart = sel;
    HandlePartChange(old, sel, seq);
    changed = true;
  }
  if (r.PartSweepOn)
    r.SelPart = SweepNext(r.SelPart, r.PartSweepLow, r.PartSweepHigh, r.PartSweepDir, 1, r.PartSweepPingPong);
  // What the seq left sounding where it no longer plays (a new port, channel or part) goes
  // silent before its new cycle begins.
  const TSeqChans now = SeqChans(SeqBuf(seq));
  ReleaseSeqSounding(seq, now.Port, now.Chans);
  return changed;
}

namespace {

// The pending port and channel become the part's and their sweeps step on for the next cycle;
// each channel the part plays on gets its wanted program, whose sweep steps on too.
void TakePortAndChan(TPartBuf& b) {
  b.Port = b.PortPend;
  if (b.PortSweep.On) b.PortPend = b.PortSweep.Next(b.PortPend);
  const int32_t port = PortIdx(b.Port);
  b.Chan[port] = b.ChanPend;
  b.MChanApplies = msg::MChanTakes(port, b.ChanPend);
  if (b.ChanSweep.On) b.ChanPend = b.ChanSweep.Next(b.ChanPend);
  if (!ProgChangesAllowed(b.Port)) return;
  auto progs = [&](int32_t c) {
    SendPendingProg(port, c);
    if (b.ProgSweep.On) {
      TChanProg& cp = PlayCycle.PortChanProgs[port][c];
      cp.ProgReq = b.ProgSweep.Next(cp.ProgReq);
    }
  };
  // Without the multiplier: the channel after the sweep step, the next cycle's.
  msg::ForProgChans(port, b.MChanApplies, b.ChanPend, progs);
}

// The pitch cycles alternate the pending transpose between its A and B values.
void StepPitchCycle(TPartBuf& b) {
  if (b.PitchCycles < 1 || --b.PitchCyclesRem >= 1) return;
  if (b.PitchCycleSel) {
    b.Pend.Transpose = b.PitchCycleTransB;
    b.PitchCycleSel = 0;
  } else {
    b.Pend.Transpose = b.PitchCycleTransA;
    b.PitchCycleSel = 1;
  }
  b.PitchCyclesRem = b.PitchCycles;
}

// A cycle that plays (or plays muted) takes the pending attributes whole.
void StartPlayingCycle(TPartBuf& b) {
  StepPlayMuteCycle(b);
  StepPitchCycle(b);
  b.Act = b.Pend;
  // A custom scale plays from the part's own active map.
  if (b.Act.FtsType == kFtsTypeCustom) b.Act.ScaleTbl = &b.Act.FtnMap;
  if (b.SVelSweep.On) b.Pend.SVel = b.SVelSweep.Next(b.Pend.SVel);
}

}  // namespace

void StepPlayMuteCycle(TPartBuf& b) {
  const bool muted = b.SeqState == TSeqState::PlayMutedPrimed || b.SeqState == TSeqState::PlayMuted;
  int32_t& count = muted ? b.MuteCycles : b.PlayCycles;
  int32_t& rem = muted ? b.MRRem : b.PRRem;
  const int32_t otherCount = muted ? b.PlayCycles : b.MuteCycles;
  int32_t& otherRem = muted ? b.PRRem : b.MRRem;
  if (count < 1 || --rem >= 1) return;
  b.SeqState = muted ? TSeqState::Playing : TSeqState::PlayMuted;
  b.Pend.Muted = muted ? 0 : 1;
  if (otherCount < 1) {
    count = 0;
  } else {
    otherRem = otherCount;
  }
}

void PrepSeqForSOC(int32_t part, int32_t seq) {
  TPartBuf& b = Seqs.PartBufs[part & 1][seq];
  TakePortAndChan(b);
  switch (b.SeqState) {
    case TSeqState::Stopped:
      return;
    case TSeqState::RecPrimed:
    case TSeqState::Recording:
      break;
    case TSeqState::PlayPrimed:
    case TSeqState::Playing:
    case TSeqState::StopPrimed:
    case TSeqState::PlayMutedPrimed:
    case TSeqState::PlayMuted:
      StartPlayingCycle(b);
      break;
    default:
      Msgs.ErrMsg.Set("PrepSeqForSOC error: Unexpected SeqState");
      return;
  }
  if (b.TempoDivPend != b.TempoDiv) {
    b.TempoDiv = b.TempoDivPend;
    RequestSeqGridRedraw();
  }
}

void HandlePartChange(int32_t oldPart, int32_t newPart, int32_t seq) {
  oldPart &= 1;
  newPart &= 1;
  if (oldPart == newPart) return;
  TPartBuf& o = Seqs.PartBufs[oldPart][seq];
  TPartBuf& n = Seqs.PartBufs[newPart][seq];
  n.Selected = o.Selected;
  o.Selected = 0;
  // The metronome's bar follows a part change of the metronome seq.
  if (Cfg.MetrSeqNo >= 0 && seq == Cfg.MetrSeqNo) {
    if (n.SeqState == TSeqState::Stopped) {
      BuildMetronomeBar(newPart, false);
    } else {
      Metr.MetrRebuildPending = 1;
    }
  }
  const TSeqState state = o.SeqState;
  switch (state) {
    case TSeqState::Playing:
    case TSeqState::PlayMuted:
      if (n.SeqState == TSeqState::Stopped && n.Head >= 0) {
        n.SeqState = state;
        n.Pend.Muted = n.Act.Muted = state == TSeqState::PlayMuted;
        n.PlayEvIndex = n.Head;
      }
      break;
    case TSeqState::Stopped:
      n.SeqState = TSeqState::Stopped;
      break;
    case TSeqState::PlayPrimed:
    case TSeqState::PlayMutedPrimed:
    case TSeqState::StopPrimed:
    case TSeqState::RecPrimed:
    case TSeqState::Recording:
      break;
    default:
      Msgs.ErrMsg.Set("HandlePartChange error: Unexpected SeqState");
      break;
  }
  // An empty part has nothing to play: the seq stops rather than send what the buffer last held.
  if (n.Head < 0 && IsPlaying(n.SeqState)) n.SeqState = TSeqState::Stopped;
  RequestSeqGridRedraw();
}

namespace {

// A note of the part on its channel, moved by the transpose, its marked note's offset and the
// scale, its velocity scaled; the channel multiplier moves it later, copy by copy. A note-on the
// repeated time shift skipped goes out silent.
uint32_t AdjustSeqNote(TPartBuf& b, TShortMsg m, uint32_t ch) {
  uint32_t msg = m.Raw;
  if (b.MChanApplies) {
    b.MChanSend = 1;
  } else {
    const int32_t d1 = m.Data1();
    const int32_t note =
        ScaleNote(b.Act.ScaleTbl, b.Act.FtsRoot, d1 + b.Act.Transpose + MarkedNoteOffs(b, d1));
    msg = WithNote(m.WithChannel(ch).Raw, note);
  }
  const TShortMsg adj{msg};
  if (!adj.IsNoteOn()) return msg;
  const uint32_t vel = adj.Data2();
  const uint32_t out =
      b.TimeShiftCarry && b.TimeShiftReptOn ? 0 : std::min<uint32_t>(127, vel * b.Act.SVel / 5);
  return TShortMsg::Pack(adj.Status(), adj.Data1(), out).Raw;
}

}  // namespace

uint32_t AdjustSeqEvent(uint32_t msg, int32_t seq) {
  TPartBuf& b = SeqBuf(seq);
  b.MChanSend = 0;
  b.HotkeyEvent = 0;
  b.DropEvent = 0;
  if (b.Act.Muted || b.Act.SVel == 0) {
    b.DropEvent = 1;
    return msg;
  }
  const int32_t port = PortIdx(b.Port);
  const uint32_t ch = static_cast<uint32_t>(b.Chan[port]) & 0x0F;
  const TShortMsg m{msg};
  if (m.IsHotkey()) {
    b.HotkeyEvent = 1;
    return msg;
  }
  switch (m.Kind()) {
    case 0x8:
    case 0x9:
      return AdjustSeqNote(b, m, ch);
    case 0xA:
    case 0xD:
    case 0xE:
      return m.WithChannel(ch).Raw;
    case 0xB: {
      const uint8_t cc = m.Data1();
      if (cc == 120 || cc == 121 || cc == 123) {
        b.DropEvent = 1;
        return msg;
      }
      return m.WithChannel(ch).Raw;
    }
    case 0xC: {
      if (Cfg.IgnoreEmbeddedProgChanges || !ProgChangesAllowed(b.Port)) {
        b.DropEvent = 1;
        return msg;
      }
      TChanProg& cp = PlayCycle.PortChanProgs[port][ch];
      cp.ProgReq = cp.ProgSent = m.Data1();
      return m.WithChannel(ch).Raw;
    }
    case 0xF:
      b.DropEvent = 1;
      return msg;
    default:
      b.DropEvent = 1;
      WarnUnexpectedStatus("AdjustSeqEvent", m.Status());
      return msg;
  }
}

int32_t SweepNext(int32_t cur, int32_t low, int32_t high, uint8_t& dir, int32_t step, uint8_t pingPong) {
  if (dir == 0) {
    if (cur < high) {
      const int32_t v = std::min(high, cur + step);
      if (v >= high && pingPong == 1) dir = 1;
      return v;
    }
    if (pingPong != 1) return low;
    const int32_t v = std::max(low, high - step);
    if (v != low) dir = 1;
    return v;
  }
  if (cur > low) {
    const int32_t v = std::max(low, cur - step);
    if (v <= low && pingPong == 1) dir = 0;
    return v;
  }
  if (pingPong != 1) return high;
  const int32_t v = std::min(high, low + step);
  if (v != high) dir = 0;
  return v;
}

void SendPendingProg(int32_t port, int32_t chan) {
  if (!IsValidPort(port) || chan < 0 || chan >= kChans) return;
  TChanProg& cp = PlayCycle.PortChanProgs[port][chan];
  // No program wanted ("none") is never sent.
  if (cp.ProgReq < 0 || cp.ProgReq > 127) return;
  if (cp.ProgSentValid && cp.ProgSent == cp.ProgReq) return;
  SendShortMsg(port, TShortMsg::Pack(0xC0, static_cast<uint32_t>(cp.ProgReq), 0).WithChannel(chan).Raw,
               Trace.TraceProgChanges);
  cp.ProgSentValid = 1;
  cp.ProgSent = cp.ProgReq;
}

namespace {

// A message sent with no due time of its own (a command between ticks, a reset) goes where the
// engine's time stands, at the last whole tick: a seq started by a command sends its program
// change at once and its first note, due from that tick, at the next timer tick; placed at "now",
// the program change held the note back behind it by up to a timer period. Never before the
// output's late window, nor under an external clock, whose events go out as they come.
int64_t UntimedDueNs() {
  if (Transport.TickPosNs == midi::kNow || !Cfg.ClocksSourceInternal) return midi::kNow;
  const int64_t wholeTickNs =
      Transport.TickPosNs - NsOfUnits(Transport.TickFracAcc, PlayCycle.TickUnitsPerMs);
  return std::max(wholeTickNs, midi::NowNs() - midi::LateWindowNs());
}

bool HoldsSends(int32_t port) {
  if (!PlayCycle.HoldRefused || !IsValidPort(port)) return false;
  const THeldSends& held = PlayCycle.Held[port];
  return held.Next < held.Count;
}

// kOk when the message is held for the stop to send; a full hold loses it.
midi::Result HoldSend(int32_t port, uint32_t msg) {
  if (!IsValidPort(port)) return midi::kErrQueueFull;
  THeldSends& held = PlayCycle.Held[port];
  if (held.Count == THeldSends::kMax) {
    ++PlayCycle.HeldLost;
    return midi::kErrQueueFull;
  }
  held.Msgs[held.Count++] = msg;
  return midi::kOk;
}

}  // namespace

midi::Result SendShortMsg(int32_t port, uint32_t msg, bool trace) {
  if (!PlayCycle.LocalControlOn) return midi::kOk;
  const TMidiDevRec* dev = OutDevOfPort(port);
  if (dev == nullptr) return midi::kErrInvalidHandle;
  const int64_t due = PlayCycle.SendDueNs != midi::kNow ? PlayCycle.SendDueNs : UntimedDueNs();
  // Behind held messages a message waits its turn, so that the device hears them in order.
  midi::Result result = HoldsSends(port) ? midi::kErrQueueFull : midi::OutShortMsgAt(dev->Handle, msg, due);
  if (result == midi::kOk) {
    ForgetSilencedLiveNotes(port, msg);
  } else if (result == midi::kErrQueueFull && PlayCycle.HoldRefused) {
    result = HoldSend(port, msg);
  }
  const TShortMsg m{msg};
  if (result == midi::kOk && m.Status() >= 0x80 && m.Status() < 0xF0)
    PlayCycle.ChansDirty[port] |= ChanBit(m.Channel());
  if (trace && Trace.DiagFlags && Trace.OutTraceOn) WriteDiagTraceFifo(port, msg, 0);
  return result;
}

void ResetPortChannel(int32_t port, int32_t chan) {
  auto controller = [&](uint32_t number, uint32_t value) {
    SendShortMsg(port, TShortMsg::Pack(0xB0, number, value).WithChannel(chan).Raw, Trace.TraceController);
  };
  SendShortMsg(port, TShortMsg::Pack(0xE0, 0x00, 0x40).WithChannel(chan).Raw, Trace.TracePitchBend);
  controller(0x01, 0);
  controller(0x07, static_cast<uint32_t>(Cfg.CCVolResetValue) & 0x7F);
  controller(0x0A, 0x40);
  controller(0x40, 0);
  controller(0x42, 0);
  controller(0x43, 0);
  controller(0x79, 0);
  controller(0x7B, 0);
  if (!IsValidPort(port) || chan < 0 || chan >= kChans) return;
  // Nothing is left sounding there, by any seq or the live output.
  PlayCycle.ChansDirty[port] &= static_cast<uint16_t>(~ChanBit(chan));
  for (TSeqSounding& t : PlayCycle.SeqSounding) {
    if (t.Port != port) continue;
    t.Notes[chan].fill(0);
    t.Chans &= static_cast<uint16_t>(~ChanBit(chan));
    t.Pedals &= static_cast<uint16_t>(~ChanBit(chan));
  }
  Live.PedalsDown[port] &= static_cast<uint16_t>(~ChanBit(chan));
}

void ReleaseSeqSounding(int32_t seq, int32_t port, uint16_t keep) {
  if (seq < 0 || seq >= kSeqs) return;
  TSeqSounding& t = PlayCycle.SeqSounding[static_cast<std::size_t>(seq)];
  if (t.Port != port) keep = 0;
  const uint16_t leave = t.Chans & static_cast<uint16_t>(~keep);
  if (leave == 0 || !IsValidPort(t.Port)) return;
  const bool traceNotes = OutTraceWanted(0x80), traceCtl = OutTraceWanted(0xB0);
  for (int32_t c = 0; c < kChans; ++c) {
    if (!(leave & ChanBit(c))) continue;
    for (int32_t n = 0; n < 128; ++n) {
      const uint32_t off = TShortMsg::Pack(0x80, static_cast<uint32_t>(n), 0).WithChannel(c).Raw;
      for (uint8_t& count = t.Notes[c][n]; count > 0; --count) SendShortMsg(t.Port, off, traceNotes);
    }
    if (t.Pedals & ChanBit(c))
      SendShortMsg(t.Port, TShortMsg::Pack(0xB0, 0x40, 0).WithChannel(c).Raw, traceCtl);
  }
  t.Chans &= static_cast<uint16_t>(~leave);
  t.Pedals &= static_cast<uint16_t>(~leave);
}

void ResetSeqOutputs(bool markedOnly) {
  if (!markedOnly)
    for (int32_t s = 0; s <= LastSeq(); ++s) SeqBuf(s).ChanResetReq = 1;
  const TSeqChansAll seqs = MarkedSeqChans({});
  if (markedOnly) {
    ResetOutputs(seqs, nullptr);
    return;
  }
  // Every channel used since its last reset, wherever the seqs and the live output have moved
  // since; the live channel in force is the stop's last reset.
  TChanMask used = PlayCycle.ChansDirty;
  if (IsValidPort(RunCtl.LivePort))
    used[RunCtl.LivePort] &= static_cast<uint16_t>(~ChanBit(Live.Chan[RunCtl.LivePort]));
  ResetOutputs(seqs, &used);
}

void ResetDirtyChans() {
  const TChanMask used = PlayCycle.ChansDirty;
  for (int32_t p = 0; p < kPorts; ++p)
    for (int32_t c = 0; c < kChans; ++c)
      if (used[p] & ChanBit(c)) ResetPortChannel(p, c);
}

bool SendHeldSends() {
  bool all = true;
  for (int32_t p = 0; p < kPorts; ++p) {
    THeldSends& held = PlayCycle.Held[p];
    const TMidiDevRec* dev = OutDevOfPort(p);
    while (held.Next < held.Count) {
      const uint32_t msg = held.Msgs[held.Next];
      const midi::Result r =
          dev != nullptr ? midi::OutShortMsgAt(dev->Handle, msg, midi::kNow) : midi::kErrInvalidHandle;
      if (r == midi::kErrQueueFull) break;
      // Any other failure will not mend by waiting.
      if (r == midi::kOk) ForgetSilencedLiveNotes(p, msg);
      ++held.Next;
    }
    all = all && held.Next == held.Count;
  }
  return all;
}

int32_t DropHeldSends() {
  int32_t left = PlayCycle.HeldLost;
  for (THeldSends& held : PlayCycle.Held) {
    left += held.Count - held.Next;
    held.Next = held.Count = 0;
  }
  PlayCycle.HeldLost = 0;
  PlayCycle.HoldRefused = 0;
  return left;
}

void ClearLiveNoteTable() {
  MidiIn.LiveNoteTable.fill(TNoteAnim{});
  if (Showing.TemplateShowing && Cfg.TemplateAnimateSize > 1) Showing.LiveNoteAnyLit = 1;
}

void ResetNoteDisplays() {
  ClearLiveNoteTable();
  for (auto& ch : PlayCycle.NoteOnCounts) ch.fill(TNoteDsp{});
  PlayCycle.SustainVals.fill(0);
  if (Cfg.DspKinetrace) PlayCycle.KinetraceDirty = 1;
}

}  // namespace vel
