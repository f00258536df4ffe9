#include "engine/Transport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "keymaps/KeyModes.h"
#include "platform/Clock.h"
#include "platform/MmTimer.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// Timer ticks that found EngineLock busy, made up at the next tick that gets it.
std::atomic<int32_t> MissedTicks{0};

// Beyond one timer period, the time a message may take from falling due to being sent.
constexpr int64_t kSendMarginNs = 250000;

// The most live messages a tick takes from each queue.
constexpr int32_t kLiveMsgsPerTick = 16;

// The largest stretch of time one tick makes up; beyond it (the lock held for a minute) the rest
// is dropped rather than let the counters run out of range.
constexpr int32_t kMaxCatchUpMs = 60000;

// One half step of the tempo (the live tempo sweep's factor is a half step per step).
constexpr double kHalfStep = 1.0594630943592953;
// The glide's factor with UseLgTempos: 120 steps per octave.
const double kGlideFactor = std::pow(2.0, 1.0 / 120.0);

int32_t ClampTempo(int64_t t) {
  return static_cast<int32_t>(std::clamp<int64_t>(t, kMinTempo, kMaxTempo));
}

// Differences of the clocks wrap as the clocks do.
int32_t Since(int32_t now, int32_t then) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(then));
}

// The elapsed time of a recording, in ticks.
int32_t RecElapsedTicks() {
  if (Cfg.ClocksSourceInternal)
    return MsToTicks(Since(Transport.MsClock.load(std::memory_order_relaxed), Transport.RecStartTimeStamp));
  return Since(MidiIn.ExtClockTicks, Transport.RecStartExtTicks);
}

void CountRecBeats() {
  if (!Transport.RecActive || !Transport.RecBeatCountOn || Transport.ActBar.BeatTicks < 1) return;
  const int64_t elapsed = RecElapsedTicks();
  if (elapsed - static_cast<int64_t>(Transport.RecBeatCount) * Transport.ActBar.BeatTicks <
      Transport.ActBar.BeatTicks)
    return;
  const int32_t beats = Transport.RecBeatCount.fetch_add(1) + 1;
  if (Transport.RecBarCountOn && beats % std::max(Transport.ActBar.BeatsPerBar, 1) == 0 &&
      Transport.RecBarCount > 0) {
    if (Transport.RecBarCount.fetch_sub(1) - 1 == 0 && EngineHooks.RecBarCountDone)
      EngineHooks.RecBarCountDone();
  }
  RequestSeqGridRedraw();
}

// The tempo's glide toward TargetTempo over ms of timer periods.
void GlideTempo(int32_t ms) {
  if (Cfg.Tempo == Cfg.TargetTempo) return;
  if (Cfg.TempoSlewTime == 0) {
    Cfg.Tempo = ClampTempo(Cfg.TargetTempo);
    return;
  }
  Transport.TempoSlewCount -= ms;
  if (Transport.TempoSlewCount > 0) return;
  const float f = Cfg.UseLgTempos ? static_cast<float>(kGlideFactor) : 0.0f;
  Cfg.Tempo = Cfg.Tempo < Cfg.TargetTempo ? ClampTempo(TempoStep(false, 1, kMinTempo, Cfg.TargetTempo, f))
                                          : ClampTempo(TempoStep(true, 1, Cfg.TargetTempo, kMaxTempo, f));
  Transport.TempoSlewCount = Transport.TempoSlewReload;
}

// The internal clock moved elapsedNs up to nowNs: the exact ticks of that time, the remainder
// carried to the next tick (to the millionth of a unit), the same whether the ticks come one by
// one or made up together; then every MIDI clock due, each stamped with the time it fell due.
void AdvanceInternalClock(int64_t elapsedNs, int64_t nowNs) {
  const int64_t perMs = std::max<int64_t>(int64_t{Cfg.Tempo} * 64, 1);
  const __int128 scaled = static_cast<__int128>(elapsedNs) * perMs + Transport.TickSubUnits;
  const auto units = static_cast<int64_t>(scaled / 1000000);
  Transport.TickSubUnits = static_cast<int64_t>(scaled % 1000000);
  PlayCycle.TickUnitsPerMs = perMs;
  PlayCycle.TickNowNs = nowNs;
  Transport.TickFracAcc += units;
  Transport.TickPosUnits += units;
  Transport.TickPosNs = nowNs;
  Transport.TickPosMs = Transport.MsClock.load(std::memory_order_relaxed);
  if (Transport.TickFracAcc >= kTickUnits) {
    const int64_t ticks = Transport.TickFracAcc / kTickUnits;
    Transport.TickFracAcc -= ticks * kTickUnits;
    PlayCycle.TickFrac = Transport.TickFracAcc;
    TickSeq(static_cast<int32_t>(ticks));
  }
  constexpr int64_t kClockUnits = 160 * kTickUnits;
  Transport.ClockFracAcc += units;
  while (Transport.ClockFracAcc >= kClockUnits) {
    Transport.ClockFracAcc -= kClockUnits;
    PlayCycle.TickFrac = Transport.ClockFracAcc;
    PlayCycle.SendDueNs = TickDueNs(0);
    SendToPorts(Cfg.MIDIOutClocksEnabled, 0xF8, Trace.TraceMC);
  }
  PlayCycle.SendDueNs = midi::kNow;
  PlayCycle.TickNowNs = midi::kNow;
}

// Steps of the clock (an audio server restarted, frames skipped) since the last tick are counted;
// the clock already keeps its time going on, so no tick is made twice or left out.
void CountClockSteps() {
  const uint64_t steps = clock::Steps();
  if (steps > Transport.ClockStepsSeen)
    Transport.ClockSteps.fetch_add(static_cast<uint32_t>(steps - Transport.ClockStepsSeen),
                                   std::memory_order_relaxed);
  Transport.ClockStepsSeen = steps;
}

// Per tick and queue, the oldest live message, and after it every one due before the next tick's
// send, in order: a chord played at once goes out on its own frames, not one note per timer
// period, late. Bounded, so that a flood cannot hold up the tick.
void DrainLiveQueue(uint32_t (*read)(int64_t&, int64_t), int64_t nextTickNs) {
  int64_t stamp = midi::kNow;
  for (int32_t i = 0; i < kLiveMsgsPerTick; ++i) {
    const uint32_t msg = read(stamp, i == 0 ? INT64_MAX : nextTickNs);
    if (msg == 0) return;
    ProcessLiveEvent(msg, stamp);
  }
}

// The work of one timer tick, or of several when earlier ticks found the lock busy: n ticks of
// MidiTimerInterval each.
void TimerTicks(int32_t n) {
  const int32_t interval = std::max(Cfg.MidiTimerInterval, 1);
  n = std::clamp(n, 1, std::max(1, kMaxCatchUpMs / interval));
  const int32_t ms = interval * n;
  // A message falls due at most one timer period before it is sent, and a little more for the
  // timer's own wake-up and the MIDI-in thread's hand-over: the output's late window.
  const int64_t periodNs = int64_t{interval} * 1000000;
  const int64_t window = periodNs + kSendMarginNs;
  if (midi::LateWindowNs() != window) midi::SetLateWindowNs(window);
  Transport.MsClock.fetch_add(ms, std::memory_order_relaxed);
  Transport.ClockWatchMs.fetch_add(ms, std::memory_order_relaxed);
  // The clock in force says when this tick is and how far it moved since the last: under the
  // system clock exactly the timer periods, under an audio server's clock its frames, so the
  // ticks follow the device's pace and not the timer's.
  const clock::TTickTime at =
      clock::Tick(Transport.TickClockNs, int64_t{ms} * 1000000, mmtimer::CallbackLatenessNs());
  Transport.TickClockNs = at.nowNs;
  CountClockSteps();
  if (Cfg.ClocksSourceInternal) {
    GlideTempo(ms);
    AdvanceInternalClock(std::min<int64_t>(at.elapsedNs, int64_t{kMaxCatchUpMs} * 1000000), at.nowNs);
  }

  // A force-to-notes entry left by any other way than its own keys (a recalibration, a stop) has
  // nothing to complete: its timer must not take over whatever mode came next.
  if (Transport.FtnTimer > 0 && Keys.KeyMode != TKeyMode::Ftn) Transport.FtnTimer = 0;
  if (Transport.FtnTimer > 0) {
    Transport.FtnTimer -= ms;
    if (Transport.FtnTimer <= 0) {
      if (EngineHooks.FinishFtnEntry) EngineHooks.FinishFtnEntry();
      Transport.FtnTimer = 0;
      if (Keys.KeyHold) {
        SetKeyMode(TKeyMode::Ftn);
      } else {
        ReturnToLiveMode();
      }
    }
  }

  // The live output moved since the last tick: what it left sounding there is released.
  ReleaseMovedLiveOutput();
  const int64_t nextTickNs = at.nowNs + periodNs;
  DrainLiveQueue(&ReadLiveFifo, nextTickNs);
  DrainLiveQueue(&ReadRawFifo, nextTickNs);

  CountRecBeats();

  if (Showing.SampleAidShowing && EngineHooks.SampleAidTick) EngineHooks.SampleAidTick(ms);
}

int32_t TempoStepBy(int32_t tempo, bool down, int32_t step) {
  if (Cfg.UseLgTempos) {
    const double f = std::pow(kHalfStep, step);
    return static_cast<int32_t>(std::lround(down ? tempo / f : tempo * f));
  }
  return down ? tempo - step * 100 : tempo + step * 100;
}

}  // namespace

void TimerProc(uint32_t, uintptr_t) {
  if (RunCtl.ProgState.load() != TProgState::Running) {
    RunCtl.TimerBusy = 0;
    MissedTicks.store(0, std::memory_order_relaxed);
    return;
  }
  // The timer never waits for the lock: a tick that finds it held (a command, a file load) is
  // counted and made up by the next tick that gets it, so no time is lost and the timer thread is
  // never held up behind another thread.
  std::unique_lock lock(EngineLock, std::try_to_lock);
  if (!lock.owns_lock()) {
    MissedTicks.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  TimerTicks(1 + MissedTicks.exchange(0, std::memory_order_relaxed));
}

void ClearTimerAccumulators() {
  Transport.TickFracAcc = 0;
  Transport.ClockFracAcc = 0;
  Transport.TickPosNs = midi::kNow;
  Transport.TickPosMs = Transport.MsClock.load(std::memory_order_relaxed);
  Transport.TickClockNs = clock::kNone;
  Transport.TickSubUnits = 0;
  Transport.ClockStepsSeen = clock::Steps();
  MissedTicks.store(0, std::memory_order_relaxed);
}

int32_t TickCentsAcc() {
  return static_cast<int32_t>(Transport.TickFracAcc / (kTickUnits / 100));
}

int32_t ClockCentsAcc() {
  return static_cast<int32_t>(Transport.ClockFracAcc / (kTickUnits / 100));
}

int32_t MsToTickCents(int32_t ms) {
  return static_cast<int32_t>(static_cast<int64_t>(ms) * Cfg.Tempo * 64 * 100 / 1000 / 100);
}

int32_t MsToTicks(int32_t ms) {
  return static_cast<int32_t>(static_cast<int64_t>(ms) * Cfg.Tempo * 64 / 1000 / 100);
}

int32_t TicksToMs(int32_t ticks) {
  if (Cfg.Tempo < 1) return 0;
  return static_cast<int32_t>(static_cast<int64_t>(ticks) * 1000 * 100 / Cfg.Tempo / 64);
}

std::optional<int64_t> TickPosAtNs(int64_t ns) {
  // The "no time" marks first: the difference with either would overflow.
  if (Transport.TickPosNs == midi::kNow || ns == midi::kNow) return std::nullopt;
  const int64_t since = ns - Transport.TickPosNs;
  if (since > kTickPosReachNs || since < -kTickPosReachNs) return std::nullopt;
  // Tempo x 64 units per ms; within the reach the product stays far inside 64 bits.
  return Transport.TickPosUnits + UnitsInNs(since, int64_t{Cfg.Tempo} * 64);
}

int64_t TickPosAtMs(int32_t ms) {
  return Transport.TickPosUnits + int64_t{Since(ms, Transport.TickPosMs)} * Cfg.Tempo * 64;
}

int64_t WholeTickPos() {
  return Transport.TickPosUnits - Transport.TickFracAcc;
}

int64_t StartReachPos() {
  const int64_t now = clock::NowNs();
  if (Transport.TickPosNs == midi::kNow) {
    // No tick yet in this run: its time begins with the start, which the first tick carries on.
    Transport.TickClockNs = now;
    Transport.TickPosNs = now;
    Transport.TickPosMs = Transport.MsClock.load(std::memory_order_relaxed);
    return Transport.TickPosUnits;
  }
  // What is sent now or by the next timer tick goes out by the timer's next deadline after now
  // (a tick already overdue, the timer held up or the lock busy, may have to wait for it); what
  // was due more than the late window before that, the output can no longer place.
  const int64_t periodNs = int64_t{std::max(Cfg.MidiTimerInterval, 1)} * 1000000;
  const int64_t since = std::max<int64_t>(now - Transport.TickPosNs, 0);
  const int64_t nextTickNs = Transport.TickPosNs + (since / periodNs + 1) * periodNs;
  const int64_t earliestNs = nextTickNs - (periodNs + kSendMarginNs);
  return Transport.TickPosUnits + UnitsInNs(earliestNs - Transport.TickPosNs, int64_t{Cfg.Tempo} * 64);
}

int32_t StartLeadTicks() {
  const int64_t late = StartReachPos() - WholeTickPos();
  if (late <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>((late + kTickUnits - 1) / kTickUnits, INT32_MAX / 2));
}

void StartMidiClock(int64_t pos) {
  Transport.RecStartedClock = 1;
  // The clock counts from the Start: the next one is 160 ticks after it.
  Transport.ClockFracAcc = Transport.TickPosUnits - pos;
  const int64_t outer = PlayCycle.SendDueNs;
  if (Transport.TickPosNs != midi::kNow) {
    const int64_t perMs = std::max<int64_t>(int64_t{Cfg.Tempo} * 64, 1);
    PlayCycle.SendDueNs = Transport.TickPosNs + NsOfUnits(pos - Transport.TickPosUnits, perMs);
  }
  SendToPorts(Cfg.MidiOutSyncEnabled, 0xFA, Trace.TraceSync);
  SendToPorts(Cfg.MIDIOutClocksEnabled, 0xF8, Trace.TraceMC);
  PlayCycle.SendDueNs = outer;
}

int32_t TempoStep(bool down, int32_t steps, int32_t low, int32_t high, float factor) {
  int64_t t;
  if (Cfg.UseLgTempos && factor > 0) {
    const double f = std::pow(static_cast<double>(factor), steps);
    t = down ? std::llround(Cfg.Tempo / f) : std::llround(Cfg.Tempo * f);
  } else {
    t = down ? static_cast<int64_t>(Cfg.Tempo) - static_cast<int64_t>(steps) * 100
             : static_cast<int64_t>(Cfg.Tempo) + static_cast<int64_t>(steps) * 100;
  }
  return static_cast<int32_t>(down ? std::max<int64_t>(t, low) : std::min<int64_t>(t, high));
}

void SetTargetTempo(int32_t tempo, bool glide, bool exact) {
  Cfg.TargetTempo = tempo >= 1000 && !exact ? RoundTempo(tempo) : tempo;
  if (Cfg.TargetTempo == Cfg.Tempo) return;
  int32_t n = 0;
  if (glide) {
    if (Cfg.UseLgTempos) {
      if (Cfg.TargetTempo > 0 && Cfg.Tempo > 0)
        n = std::abs(static_cast<int32_t>(std::lround(
            std::log(static_cast<double>(Cfg.TargetTempo) / Cfg.Tempo) / std::log(kGlideFactor))));
    } else {
      n = std::abs((Cfg.TargetTempo - Cfg.Tempo) / 100);
    }
  }
  if (n > 0) {
    Transport.TempoSlewReload = Transport.TempoSlewCount = Cfg.TempoSlewTime / n;
  } else {
    Transport.TempoSlewReload = Transport.TempoSlewCount = 0;
  }
}

int32_t TempoSweepNext(int32_t low, int32_t high, uint8_t bothWays, uint8_t& dir, int32_t step) {
  const int32_t cur = Cfg.Tempo;
  if (dir == 1) {
    if (cur > low) {
      const int32_t v = std::max(low, TempoStepBy(cur, true, step));
      if (v <= low && bothWays == 1) dir = 0;
      return v;
    }
    if (bothWays != 1) return high;
    const int32_t v = std::min(high, TempoStepBy(low, false, step));
    if (v != high) dir = 0;
    return v;
  }
  if (cur < high) {
    const int32_t v = std::min(high, TempoStepBy(cur, false, step));
    if (v >= high && bothWays == 1) dir = 1;
    return v;
  }
  if (bothWays != 1) return low;
  const int32_t v = std::max(low, TempoStepBy(high, true, step));
  if (v != low) dir = 1;
  return v;
}

int32_t RoundTempo(int32_t tempo) {
  return (tempo + 50) / 100 * 100;
}

void RecalcQuantTicks() {
  Cfg.NQTicks = Cfg.NQNoteLenFrac > 0 ? kWholeNoteTicks / Cfg.NQNoteLenFrac : 0;
  Cfg.SQTicks = Cfg.SQNoteLenFrac > 0 ? kWholeNoteTicks / Cfg.SQNoteLenFrac : 0;
  RequestSeqGridRedraw();
}

namespace {

void RecalcBeatAndBar() {
  if (Cfg.NoteLenFrac > 0) {
    Cfg.BeatTicks = kWholeNoteTicks / Cfg.NoteLenFrac;
    Cfg.BarTicks = Cfg.BeatTicks * Cfg.BeatsPerBar;
    RecalcQuantTicks();
  }
}

void MetrNoteLenFollowsBeat() {
  if (Cfg.NoteLenFrac != Cfg.MetrNoteLenFrac) {
    Cfg.MetrNoteLenFrac = std::max(Cfg.NoteLenFrac, 4);
    RaiseTopic(TTopic::MetrNoteLen);
  }
}

}  // namespace

void RecalcBeatTicks(bool rebuild) {
  RecalcBeatAndBar();
  MetrNoteLenFollowsBeat();
  if (rebuild && Cfg.MetrSeqNo >= 0) RequestMetrRebuild();
}

void RecalcLoadedBeatTicks() {
  RecalcBeatAndBar();
  // The clicks a performer picked, and saved, stay: only a click longer than the beat is refused.
  if (!IsValidBeatLen(Cfg.MetrNoteLenFrac) || Cfg.MetrNoteLenFrac < Cfg.NoteLenFrac) MetrNoteLenFollowsBeat();
}

void TakeBarSettings() {
  Transport.ActBar = static_cast<const TBarSettings&>(Cfg);
}

void RecalcBarSettings() {
  TakeBarSettings();
  if (Transport.MetrBarCount < Cfg.MetrBars) {
    ++Transport.MetrBarCount;
    return;
  }
  Transport.MetrBarCount = 1;
  // Once per metronome pattern the live sweeps step.
  if (Cfg.ClocksSourceInternal && Live.TempoSweep.On)
    SetTargetTempo(TempoSweepNext(Live.TempoSweep.Low, Live.TempoSweep.High, Live.TempoSweep.PingPong,
                                  Live.TempoSweep.Dir, Cfg.UseLgTempos ? Cfg.LgTempoStep : Cfg.LnTempoStep),
                   false);
  if (Live.PortSweep.On && IsValidPort(RunCtl.LivePort)) {
    FlushLiveFifo();
    RunCtl.LivePort = Live.PortSweep.Next(RunCtl.LivePort);
  }
  if (Live.ProgSweep.On && IsValidPort(RunCtl.LivePort)) {
    FlushLiveFifo();
    const int32_t port = RunCtl.LivePort;
    auto step = [&](int32_t c) {
      TChanProg& cp = PlayCycle.PortChanProgs[port][c];
      const int32_t v = Live.ProgSweep.Next(cp.ProgReq);
      if (v != cp.ProgSent || !cp.ProgSentValid) {
        cp.ProgReq = v;
        QueueProgChange(c, v);
        cp.ProgSentValid = 1;
        cp.ProgSent = v;
      }
    };
    msg::ForProgChans(port, Live.MChanApplies, Live.Chan[port], step);
  }
  if (Live.ChanSweep.On && IsValidPort(RunCtl.LivePort)) {
    FlushLiveFifo();
    const int32_t port = RunCtl.LivePort;
    Live.Chan[port] = Live.ChanSweep.Next(Live.Chan[port]);
    Live.MChanApplies = msg::MChanTakes(port, Live.Chan[port]);
  }
  if (Live.SVelSweep.On) Live.SVel = Live.SVelSweep.Next(Live.SVel);
}

void StartBarCountdown(int32_t rest) {
  PlayCycle.TicksToBarEnd = rest + Transport.ActBar.BarTicks;
}

void RestartBeatCount(bool fromBar1) {
  PlayCycle.BeatNo = 1;
  StartBarCountdown(0);
  if (fromBar1) PlayCycle.BarNo = 1;
  Transport.MetrBarCount = 1;
  PlayCycle.BeatChanged = 1;
}

bool SetTimeSig(int32_t beats, int32_t beatLen) {
  if (beats < 1 || !IsValidBeatLen(beatLen)) return false;
  Cfg.BeatsPerBar = beats;
  Cfg.NoteLenFrac = beatLen;
  RecalcBeatTicks(true);
  return true;
}

bool ResetSeqs(bool resetAttribs, bool all) {
  bool stoppedReset = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!all && !b.Selected) continue;
    if (b.SeqState == TSeqState::Stopped) {
      if (resetAttribs) ResetSeqAttribs(Seqs.SeqRecs[s].PlayPart & 1, s, true);
      if (b.Head >= 0) {
        b.ChanResetReq = 1;
        stoppedReset = true;
      }
    } else {
      b.SeqState = TSeqState::StopPrimed;
      if (b.Head >= 0) {
        b.ChanResetReq = 1;
        b.EndCycleNow = 1;
      }
    }
    Msgs.StatusMsg.Set("Reset");
  }
  return stoppedReset;
}

void StopSeqs() {
  if (Cfg.StopImmStop) {
    if (ResetSeqs(false, false)) {
      ResetSeqOutputs(true);
      InvalidateSeqProgs(true);
    }
  } else {
    for (int32_t s = 0; s <= LastSeq(); ++s) {
      TPartBuf& b = SeqBuf(s);
      if (b.Selected && b.SeqState != TSeqState::Stopped) b.SeqState = TSeqState::StopPrimed;
    }
  }
  Msgs.StatusMsg.Set("Stop");
  ReturnToLiveMode();
}

void StartRecord() {
  if (!AnySeqSelected()) {
    Msgs.WarnMsg.Set("Record aborted; no seq(s) selected");
    ReturnToLiveMode();
    return;
  }
  bool any = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.SeqState != TSeqState::Stopped) continue;
    b.SeqState = TSeqState::RecPrimed;
    b.RecChanged = 1;
    Seqs.SeqRecs[s].PartSweepOn = 0;
    Seqs.SeqRecs[s].SelPart = Seqs.SeqRecs[s].PlayPart;
    any = true;
  }
  if (!any) {
    Msgs.WarnMsg.Set("Record aborted; seq(s) must be stopped first");
    ReturnToLiveMode();
    return;
  }
  StopLiveSweeps();
  ResetRecordState();
}

void ResetRecordState() {
  Transport.RecBeatCountOn = 0;
  Transport.RecBeatCount = 0;
  Transport.RecActive = 0;
  const bool step = Transport.RecStepMode;
  if (EngineHooks.ResetRecKeys) EngineHooks.ResetRecKeys(step);
  SetKeyMode(step ? TKeyMode::StepRecord : TKeyMode::Record);
  if (Transport.RecRawMode && Cfg.RecRawSyncReqd && Cfg.ClocksSourceInternal && !Transport.RecStartedClock) {
    const int32_t lead = StartLeadTicks();
    if (NoSeqPlaying()) {
      RestartBeatCount(true);
      StartBarCountdown(lead);
    }
    StartMidiClock(WholeTickPos() + int64_t{lead} * kTickUnits);
  }
}

void ResetRecBarCount() {
  Transport.RecBarCountOn = 0;
  Transport.RecStepMode = 0;
  Transport.RecRawMode = 0;
  Transport.RecFromLiveKey = 0;
  Transport.RecActive = 0;
  Transport.RecRetake = 0;
  Transport.RecBarCount = -1;
}

void InvalidateSeqProgs(bool forget) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    const int32_t port = b.Port;
    if (!ProgChangesAllowed(port)) continue;
    auto one = [&](int32_t c) {
      if (forget) {
        PlayCycle.PortChanProgs[port][c].ProgSentValid = 0;
      } else {
        SendPendingProg(port, c);
      }
    };
    msg::ForProgChans(port, b.MChanApplies, b.Chan[port], one);
  }
}

void StopLiveSweeps() {
  Live.PortSweep.On = 0;
  Live.ChanSweep.On = 0;
  Live.ProgSweep.On = 0;
  Live.SVelSweep.On = 0;
}

void ResetLiveAttribs() {
  PostDiagMsg("Live attribs reset");
  StopLiveSweeps();
  Live.FtsRoot = 0;
  Live.ScaleMap = nullptr;
  Live.FtsType = kFtsTypeOff;
  Live.Pitch = 0;
  Live.PitchLocked = 0;
  Live.TransposeBase = 0;
}

}  // namespace vel
