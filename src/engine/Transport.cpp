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
#include "settings/Settings.h"
#include "settings/SettingsState.h"

namespace vel {

namespace {

// Timer ticks that found EngineLock busy, made up at the next tick that gets it.
std::atomic<int32_t> MissedTicks{0};

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
  if (ClocksSourceInternal)
    return MsToTicks(Since(MsClock.load(std::memory_order_relaxed), RecStartTimeStamp));
  return Since(ExtClockTicks, RecStartExtTicks);
}

void CountRecBeats() {
  if (!RecActive || !RecBeatCountOn || ActBeatTicks < 1) return;
  const int64_t elapsed = RecElapsedTicks();
  if (elapsed - static_cast<int64_t>(RecBeatCount) * ActBeatTicks < ActBeatTicks) return;
  const int32_t beats = RecBeatCount.fetch_add(1) + 1;
  if (RecBarCountOn && beats % std::max(ActBeatsPerBar, 1) == 0 && RecBarCount > 0) {
    if (RecBarCount.fetch_sub(1) - 1 == 0 && EngineHooks.RecBarCountDone) EngineHooks.RecBarCountDone();
  }
  RequestSeqGridRedraw();
}

// The work of one timer tick, or of several when earlier ticks found the lock busy: n ticks of
// MidiTimerInterval each.
void TimerTicks(int32_t n) {
  const int32_t interval = std::max(MidiTimerInterval, 1);
  n = std::clamp(n, 1, std::max(1, kMaxCatchUpMs / interval));
  const int32_t ms = interval * n;
  MsClock.fetch_add(ms, std::memory_order_relaxed);
  ClockWatchMs.fetch_add(ms, std::memory_order_relaxed);

  if (ClocksSourceInternal) {
    if (Tempo != TargetTempo) {
      if (TempoSlewTime == 0) {
        Tempo = ClampTempo(TargetTempo);
      } else {
        TempoSlewCount -= ms;
        if (TempoSlewCount <= 0) {
          const float f = UseLgTempos ? static_cast<float>(kGlideFactor) : 0.0f;
          Tempo = Tempo < TargetTempo ? ClampTempo(TempoStep(false, 1, kMinTempo, TargetTempo, f))
                                      : ClampTempo(TempoStep(true, 1, TargetTempo, kMaxTempo, f));
          TempoSlewCount = TempoSlewReload;
        }
      }
    }
    // The same hundredths per tick whether the ticks come one by one or made up together.
    const int32_t cents = MsToTickCents(interval) * n;
    TickCentsAcc += cents;
    if (TickCentsAcc >= 100) {
      const int32_t ticks = TickCentsAcc / 100;
      TickSeq(ticks);
      TickCentsAcc -= ticks * 100;
    }
    // Every clock due goes out, however many ticks this call covers.
    ClockCentsAcc += cents;
    while (ClockCentsAcc >= 16000) {
      ClockCentsAcc -= 16000;
      SendToPorts(MIDIOutClocksEnabled, 0xF8, TraceMC);
    }
  }

  if (FtnTimer > 0) {
    FtnTimer -= ms;
    if (FtnTimer <= 0) {
      if (EngineHooks.FinishFtnEntry) EngineHooks.FinishFtnEntry();
      FtnTimer = 0;
      if (KeyHold) {
        SetKeyMode(TKeyMode::Ftn);
      } else {
        ReturnToLiveMode();
      }
    }
  }

  if (const uint32_t msg = ReadLiveFifo()) ProcessLiveEvent(msg);
  if (const uint32_t msg = ReadRawFifo()) ProcessLiveEvent(msg);

  CountRecBeats();

  if (SampleAidShowing && EngineHooks.SampleAidTick) EngineHooks.SampleAidTick(ms);
}

int32_t TempoStepBy(int32_t tempo, bool down, int32_t step) {
  if (UseLgTempos) {
    const double f = std::pow(kHalfStep, step);
    return static_cast<int32_t>(std::lround(down ? tempo / f : tempo * f));
  }
  return down ? tempo - step * 100 : tempo + step * 100;
}

}  // namespace

void TimerProc(uint32_t, uintptr_t) {
  if (ProgState.load() != TProgState::Running) {
    TimerBusy = 0;
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
  TickCentsAcc = 0;
  ClockCentsAcc = 0;
  MissedTicks.store(0, std::memory_order_relaxed);
}

int32_t MsToTickCents(int32_t ms) {
  return static_cast<int32_t>(static_cast<int64_t>(ms) * Tempo * 64 * 100 / 1000 / 100);
}

int32_t MsToTicks(int32_t ms) {
  return static_cast<int32_t>(static_cast<int64_t>(ms) * Tempo * 64 / 1000 / 100);
}

int32_t TicksToMs(int32_t ticks) {
  if (Tempo < 1) return 0;
  return static_cast<int32_t>(static_cast<int64_t>(ticks) * 1000 * 100 / Tempo / 64);
}

int32_t TempoStep(bool down, int32_t steps, int32_t low, int32_t high, float factor) {
  int64_t t;
  if (UseLgTempos && factor > 0) {
    const double f = std::pow(static_cast<double>(factor), steps);
    t = down ? std::llround(Tempo / f) : std::llround(Tempo * f);
  } else {
    t = down ? static_cast<int64_t>(Tempo) - static_cast<int64_t>(steps) * 100
             : static_cast<int64_t>(Tempo) + static_cast<int64_t>(steps) * 100;
  }
  return static_cast<int32_t>(down ? std::max<int64_t>(t, low) : std::min<int64_t>(t, high));
}

void SetTargetTempo(int32_t tempo, bool glide) {
  TargetTempo = tempo >= 1000 ? RoundTempo(tempo) : tempo;
  if (TargetTempo == Tempo) return;
  int32_t n = 0;
  if (glide) {
    if (UseLgTempos) {
      if (TargetTempo > 0 && Tempo > 0)
        n = std::abs(static_cast<int32_t>(
            std::lround(std::log(static_cast<double>(TargetTempo) / Tempo) / std::log(kGlideFactor))));
    } else {
      n = std::abs((TargetTempo - Tempo) / 100);
    }
  }
  if (n > 0) {
    TempoSlewReload = TempoSlewCount = TempoSlewTime / n;
  } else {
    TempoSlewReload = TempoSlewCount = 0;
  }
}

int32_t TempoSweepNext(int32_t low, int32_t high, uint8_t bothWays, uint8_t& dir, int32_t step) {
  const int32_t cur = Tempo;
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

std::string TempoToStr(int32_t tempo) {
  char text[24];
  const int n = std::snprintf(text, sizeof text, "%d.%02d", tempo / 100, tempo % 100);
  return std::string(text, static_cast<std::size_t>(n));
}

std::optional<int32_t> StrToTempo(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(whole) || whole.size() > 6) return std::nullopt;
  if (dot != std::string_view::npos && !digits(frac)) return std::nullopt;
  int32_t tempo = 0;
  for (char c : whole) tempo = tempo * 10 + (c - '0');
  tempo *= 100;
  // The fraction is decimal: one digit is tenths, two hundredths; further digits are cut.
  if (!frac.empty()) tempo += (frac[0] - '0') * 10 + (frac.size() > 1 ? frac[1] - '0' : 0);
  return tempo;
}

int32_t RoundTempo(int32_t tempo) {
  return (tempo + 50) / 100 * 100;
}

void RecalcQuantTicks() {
  NQTicks = NQNoteLenFrac > 0 ? kWholeNoteTicks / NQNoteLenFrac : 0;
  SQTicks = SQNoteLenFrac > 0 ? kWholeNoteTicks / SQNoteLenFrac : 0;
  RequestSeqGridRedraw();
}

void RecalcBeatTicks(bool rebuild) {
  if (NoteLenFrac > 0) {
    BeatTicks = kWholeNoteTicks / NoteLenFrac;
    BarTicks = BeatTicks * BeatsPerBar;
    RecalcQuantTicks();
  }
  if (NoteLenFrac != MetrNoteLenFrac) {
    MetrNoteLenFrac = std::max(NoteLenFrac, 4);
    MetrNoteLenChanged = 1;
  }
  if (rebuild && MetrSeqNo >= 0) RequestMetrRebuild();
}

void TakeBarSettings() {
  ActNoteLenFrac = NoteLenFrac;
  NQActNoteLenFrac = NQNoteLenFrac;
  SQActNoteLenFrac = SQNoteLenFrac;
  ActBeatTicks = BeatTicks;
  NQActTicks = NQTicks;
  SQActTicks = SQTicks;
  ActBarTicks = BarTicks;
  ActBeatsPerBar = BeatsPerBar;
}

void RecalcBarSettings() {
  TakeBarSettings();
  if (MetrBarCount < MetrBars) {
    ++MetrBarCount;
    return;
  }
  MetrBarCount = 1;
  // Once per metronome pattern the live sweeps step.
  if (ClocksSourceInternal && TempoSweep.On)
    SetTargetTempo(TempoSweepNext(TempoSweep.Low, TempoSweep.High, TempoSweep.PingPong, TempoSweep.Dir,
                                  UseLgTempos ? LgTempoStep : LnTempoStep),
                   false);
  if (PortSweep.On && IsValidPort(LivePort)) {
    FlushLiveFifo();
    LivePort = static_cast<int8_t>(
        SweepNext(LivePort, PortSweep.Low, PortSweep.High, PortSweep.Dir, 1, PortSweep.PingPong));
  }
  if (ProgSweep.On && IsValidPort(LivePort)) {
    FlushLiveFifo();
    const int32_t port = LivePort;
    auto step = [&](int32_t c) {
      TChanProg& cp = PortChanProgs[port][c];
      const int32_t v =
          SweepNext(cp.ProgReq, ProgSweep.Low, ProgSweep.High, ProgSweep.Dir, 1, ProgSweep.PingPong);
      if (v != cp.ProgSent || !cp.ProgSentValid) {
        cp.ProgReq = v;
        QueueProgChange(c, v);
        cp.ProgSentValid = 1;
        cp.ProgSent = v;
      }
    };
    msg::ForProgChans(port, LiveMChanApplies, LiveChan[port], step);
  }
  if (ChanSweep.On && IsValidPort(LivePort)) {
    FlushLiveFifo();
    const int32_t port = LivePort;
    LiveChan[port] = static_cast<int8_t>(
        SweepNext(LiveChan[port], ChanSweep.Low, ChanSweep.High, ChanSweep.Dir, 1, ChanSweep.PingPong));
    LiveMChanApplies = msg::MChanTakes(port, LiveChan[port]);
  }
  if (SVelSweep.On)
    LiveSVel = static_cast<uint8_t>(
        SweepNext(LiveSVel, SVelSweep.Low, SVelSweep.High, SVelSweep.Dir, 1, SVelSweep.PingPong));
}

void StartBarCountdown(int32_t rest) {
  TicksToBarEnd = rest + ActBarTicks;
}

void RestartBeatCount(bool fromBar1) {
  BeatNo = 1;
  StartBarCountdown(0);
  if (fromBar1) BarNo = 1;
  MetrBarCount = 1;
  BeatChanged = 1;
}

bool SetTimeSig(int32_t beats, int32_t beatLen) {
  if (beats < 1 || !IsValidBeatLen(beatLen)) return false;
  BeatsPerBar = beats;
  NoteLenFrac = beatLen;
  RecalcBeatTicks(true);
  return true;
}

bool ResetSeqs(bool resetAttribs, bool all) {
  bool stoppedReset = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!all && !b.Selected) continue;
    if (b.SeqState == TSeqState::Stopped) {
      if (resetAttribs) ResetSeqAttribs(SeqRecs[s].PlayPart & 1, s, true);
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
    StatusMsg.Set("Reset");
  }
  return stoppedReset;
}

void StopSeqs() {
  if (StopImmStop) {
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
  StatusMsg.Set("Stop");
  ReturnToLiveMode();
}

void StartRecord() {
  if (!AnySeqSelected()) {
    WarnMsg.Set("Record aborted; no seq(s) selected");
    ReturnToLiveMode();
    return;
  }
  bool any = false;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.SeqState != TSeqState::Stopped) continue;
    b.SeqState = TSeqState::RecPrimed;
    b.RecChanged = 1;
    SeqRecs[s].PartSweepOn = 0;
    SeqRecs[s].SelPart = SeqRecs[s].PlayPart;
    any = true;
  }
  if (!any) {
    WarnMsg.Set("Record aborted; seq(s) must be stopped first");
    ReturnToLiveMode();
    return;
  }
  StopLiveSweeps();
  ResetRecordState();
}

void ResetRecordState() {
  RecBeatCountOn = 0;
  RecBeatCount = 0;
  RecActive = 0;
  const bool step = RecStepMode;
  if (EngineHooks.ResetRecKeys) EngineHooks.ResetRecKeys(step);
  SetKeyMode(step ? TKeyMode::StepRecord : TKeyMode::Record);
  if (RecRawMode && RecRawSyncReqd && ClocksSourceInternal && !RecStartedClock) {
    if (NoSeqPlaying()) RestartBeatCount(true);
    RecStartedClock = 1;
    SendToPorts(MidiOutSyncEnabled, 0xFA, TraceSync);
  }
}

void ResetRecBarCount() {
  RecBarCountOn = 0;
  RecStepMode = 0;
  RecRawMode = 0;
  RecFromLiveKey = 0;
  RecActive = 0;
  RecRetake = 0;
  RecBarCount = -1;
}

void InvalidateSeqProgs(bool forget) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    const int32_t port = b.Port;
    if (!ProgChangesAllowed(port)) continue;
    auto one = [&](int32_t c) {
      if (forget) {
        PortChanProgs[port][c].ProgSentValid = 0;
      } else {
        SendPendingProg(port, c);
      }
    };
    msg::ForProgChans(port, b.MChanApplies, b.Chan[port], one);
  }
}

void StopLiveSweeps() {
  PortSweep.On = 0;
  ChanSweep.On = 0;
  ProgSweep.On = 0;
  SVelSweep.On = 0;
}

void ResetLiveAttribs() {
  PostDiagMsg("Live attribs reset");
  StopLiveSweeps();
  LiveFtsRoot = 0;
  LiveScaleMap = nullptr;
  LiveFtsType = kFtsTypeOff;
  LivePitch = 0;
  LivePitchLocked = 0;
  LiveTransposeBase = 0;
}

}  // namespace vel
