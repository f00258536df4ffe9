#include "tools/SampleAid.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/Transport.h"
#include "mainwindow/InputProcs.h"

namespace vel {
namespace {

std::atomic<TSampleAidSender> Sender{&SendTestMidi};
std::atomic<void (*)()> Wake{nullptr};

void WakeRefresh() {
  if (auto w = Wake.load()) w();
}

struct TRangeStart {
  int32_t firstPitch, lastPitch, pitchStep, firstVel, lastVel, velStep, noteLen, gap;
};

void ResetRange(TSampleAidRange& r, const TRangeStart& s) {
  r.FirstPitch = s.firstPitch;
  r.LastPitch = s.lastPitch;
  r.PitchStep = s.pitchStep;
  r.CurPitch = s.firstPitch;
  r.FirstVel = s.firstVel;
  r.LastVel = s.lastVel;
  r.VelStep = s.velStep;
  r.CurVel = s.firstVel;
  r.NoteLen = s.noteLen;
  r.Gap = s.gap;
  r.HoldPitch = 0;
  r.HoldVel = 0;
  r.PitchFirst = 1;
}

void ResetOutput(TSampleAidOutput& o) {
  o.Port = 0;
  o.Channel = 0;
  o.Method = 1;
  o.Msb = 0;
  o.LsbOrPatch = 0;
  o.Program = 0;
}

bool IsAudition(uint8_t state) {
  return state > kSampleAidAuditionBase;
}
uint8_t ActionOf(uint8_t state) {
  return IsAudition(state) ? state - kSampleAidAuditionBase : state;
}
TSampleAidRange& RangeOf(uint8_t state) {
  return IsAudition(state) ? SampleAid.Audition : SampleAid.Sample;
}
int ModeIndex(uint8_t state) {
  return IsAudition(state) ? 1 : 0;
}

// Moves value one step toward last (or first); false when it cannot.
bool Next(std::atomic<int32_t>& value, int32_t first, int32_t last, int32_t step) {
  const int32_t v = value;
  const int32_t n = StepTowardLast(first, last, step, v);
  value = n;
  return n != v;
}

// One walk of two axes: the inner one moves first and wraps into the outer one.
bool AdvanceAxes(std::atomic<int32_t>& inner, int32_t iFirst, int32_t iLast, int32_t iStep,
                 std::atomic<int32_t>& outer, int32_t oFirst, int32_t oLast, int32_t oStep) {
  if (Next(inner, iFirst, iLast, iStep)) return true;
  inner = iFirst;
  if (Next(outer, oFirst, oLast, oStep)) return true;
  outer = oFirst;
  return false;
}

bool SendNote(bool on) {
  auto& s = SampleAid;
  const TSampleAidSender send = Sender.load();
  const int32_t pitch = s.SndPitch, vel = s.SndVel, port = s.SndPort, chan = s.SndChannel;
  bool ok = send(port, chan, 1, 0, 0, -1, pitch, on, vel);
  if (ok && !IsAudition(s.State)) {
    const int32_t sPort = s.SndSamplerPort, sChan = s.SndSamplerChannel;
    if (sPort != port || sChan != chan) ok = send(sPort, sChan, 1, 0, 0, -1, pitch, on, vel);
  }
  // A refused note-off cannot be sent later either (the port or the engine is gone): the note is
  // forgotten, else it would refuse every new action and the window's close for good.
  if (ok || !on) {
    s.NoteSounding = on && ok ? 1 : 0;
    s.ReqLamp = 1;
    WakeRefresh();
  }
  return ok;
}

bool NoteOn() {
  auto& s = SampleAid;
  const uint8_t state = s.State;
  const TSampleAidRange& r = RangeOf(state);
  const TSampleAidOutput& o = IsAudition(state) ? s.AuditionOut : s.TargetOut;
  s.SndPitch = r.CurPitch.load();
  s.SndVel = r.CurVel.load();
  s.SndPort = o.Port.load();
  s.SndChannel = o.Channel.load();
  s.SndSamplerPort = s.SamplerPort.load();
  s.SndSamplerChannel = s.SamplerChannel.load();
  if (SendNote(true)) {
    s.NoteCd.Active = 1;
    return true;
  }
  s.StopReq = 1;
  s.ReqStepFocus[ModeIndex(state)] = 1;
  WakeRefresh();
  return false;
}

// What follows a note-off in a Play-1 or Play run.
void AfterPlayNote(bool repeat) {
  auto& s = SampleAid;
  const uint8_t state = s.State;
  TSampleAidRange& r = RangeOf(state);
  const bool stopped = s.StopReq != 0;
  const bool more = SampleAidAdvance(r);
  if (stopped) return;
  if (!more && !repeat) {
    s.StopReq = 1;
    return;
  }
  if (!more) {
    if (!r.HoldPitch) r.CurPitch = r.FirstPitch.load();
    if (!r.HoldVel) r.CurVel = r.FirstVel.load();
  }
  s.GapCd.Active = 1;
  s.ReqRemaining = 1;
}

void NoteOff() {
  auto& s = SampleAid;
  const uint8_t state = s.State;
  s.NoteCd.Active = 0;
  if (!SendNote(false)) {
    s.StopReq = 1;
  } else {
    switch (ActionOf(state)) {
      case SaNote:
        s.StopReq = 1;
        break;
      case SaStep:
        SampleAidAdvance(RangeOf(state));
        s.StopReq = 1;
        break;
      case SaPlay1:
        AfterPlayNote(false);
        break;
      default:
        AfterPlayNote(true);
        break;
    }
  }
  const int m = ModeIndex(state);
  s.ReqCurPitch[m] = 1;
  s.ReqCurVel[m] = 1;
  if (s.StopReq) s.ReqStepFocus[m] = 1;
  WakeRefresh();
}

void NextNote() {
  SampleAid.GapCd.Active = 0;
  NoteOn();
}

}  // namespace

void ResetSampleAid() {
  auto& s = SampleAid;
  ResetRange(s.Audition, {36, 84, 1, 47, 127, 20, 50, 20});
  ResetRange(s.Sample, {36, 60, 3, 47, 127, 40, 500, 4000});
  ResetOutput(s.AuditionOut);
  ResetOutput(s.TargetOut);
  s.SamplerPort = 0;
  s.SamplerChannel = 0;
  s.State = 0;
  s.NoteSounding = 0;
  s.StopReq = 1;
  s.Waiting = 0;
  s.NoteCd.Active = 0;
  s.NoteCd.Left = 0;
  s.GapCd.Active = 0;
  s.GapCd.Left = 0;
  s.ReqAuditionOut = 1;
  s.ReqTargetOut = 1;
}

void SetSampleAidSender(TSampleAidSender sender) {
  Sender = sender ? sender : &SendTestMidi;
}
void SetSampleAidWake(void (*wake)()) {
  Wake = wake;
}

int32_t StepTowardLast(int32_t first, int32_t last, int32_t step, int32_t value) {
  if (last >= first) return value + step > last ? value : value + step;
  return value - step < last ? value : value - step;
}

int32_t StepTowardFirst(int32_t first, int32_t last, int32_t step, int32_t value) {
  if (last >= first) return value - step < first ? value : value - step;
  return value + step > first ? value : value + step;
}

int32_t SnapToStepGrid(int32_t first, int32_t ref, int32_t target, int32_t step, int32_t min, int32_t max,
                       bool outward) {
  if (target == first) return first;
  const int32_t dir = ref >= first ? 1 : -1;
  int32_t point = first;
  for (;;) {
    const int32_t next = point + dir * step;
    if (next < min || next > max) return point;
    if (next == target) return next;
    if ((dir > 0 && next > target) || (dir < 0 && next < target)) return outward ? next : point;
    point = next;
  }
}

int32_t SampleAidClampCurrent(int32_t first, int32_t last, int32_t current, int32_t step, int32_t min,
                              int32_t max, bool outward) {
  const bool rising = last >= first;
  if (rising ? current < first : current > first) return first;
  if (rising ? current > last : current < last) return last;
  return SnapToStepGrid(first, last, current, step, min, max, outward);
}

bool SampleAidAdvance(TSampleAidRange& r) {
  const bool holdP = r.HoldPitch != 0, holdV = r.HoldVel != 0;
  const int32_t fp = r.FirstPitch, lp = r.LastPitch, sp = r.PitchStep;
  const int32_t fv = r.FirstVel, lv = r.LastVel, sv = r.VelStep;
  if (holdP && holdV) return true;
  if (holdP || holdV) {
    auto& value = holdP ? r.CurVel : r.CurPitch;
    if (holdP ? Next(value, fv, lv, sv) : Next(value, fp, lp, sp)) return true;
    value = holdP ? fv : fp;
    return false;
  }
  if (r.PitchFirst) return AdvanceAxes(r.CurPitch, fp, lp, sp, r.CurVel, fv, lv, sv);
  return AdvanceAxes(r.CurVel, fv, lv, sv, r.CurPitch, fp, lp, sp);
}

bool SampleAidAdvanceSample() {
  return SampleAidAdvance(SampleAid.Sample);
}
bool SampleAidAdvanceAudition() {
  return SampleAidAdvance(SampleAid.Audition);
}

bool SampleAidBusy() {
  const auto& s = SampleAid;
  return s.NoteSounding || s.NoteCd.Active || s.GapCd.Active;
}

bool SampleAidStart(uint8_t state) {
  auto& s = SampleAid;
  // A refused note-on's box shows once the lock is let go.
  const TUiAfterLock after;
  // The tick runs under the lock: a start between its note-off and its countdown's end would have
  // its countdown cleared, leaving the note sounding with nothing to end it.
  std::lock_guard lock(EngineLock);
  if (state < 1 || state > 2 * kSampleAidAuditionBase || s.Waiting || SampleAidBusy()) return false;
  // The window's ticks end each note: with the window closed a note would sound on for good.
  if (!Showing.SampleAidShowing) return false;
  const TSampleAidRange& r = RangeOf(state);
  s.State = state;
  s.NoteCd.Left = r.NoteLen.load();
  const uint8_t action = ActionOf(state);
  if (action == SaPlay1 || action == SaPlay) s.GapCd.Left = r.Gap.load();
  s.StopReq = 0;
  return NoteOn();
}

void SampleAidAbort() {
  SampleAid.StopReq = 1;
  WakeRefresh();
}

void SampleAidTick(int32_t elapsed) {
  auto& s = SampleAid;
  bool started = false;  // a note that starts now counts its length from the next tick
  if (s.GapCd.Active) {
    // The window's "Next in" counts whole seconds: each one wakes its refresh.
    if (s.StopReq) {
      s.GapCd.Active = 0;
      s.GapCd.Left = 0;
      s.ReqRemaining = 1;
      WakeRefresh();
    } else {
      s.GapCd.Left -= elapsed;
      if (s.GapCd.Left <= 0) {
        NextNote();
        started = true;
        s.GapCd.Left = RangeOf(s.State).Gap.load();
      }
      if (s.GapCd.Left % 1000 == 0) {
        s.ReqRemaining = 1;
        WakeRefresh();
      }
    }
  }
  if (s.NoteCd.Active) {
    if (s.StopReq) {
      if (s.NoteSounding) {
        NoteOff();
      } else {
        s.NoteCd.Active = 0;
      }
    } else if (!started) {
      s.NoteCd.Left -= elapsed;
      if (s.NoteCd.Left <= 0) {
        NoteOff();
        s.NoteCd.Left = RangeOf(s.State).NoteLen.load();
      }
    }
  }
}

void WaitForSampleAid(int32_t pauseMs) {
  auto& s = SampleAid;
  s.Waiting = 1;
  s.StopReq = 1;
  for (int i = 0; i < 50 && s.NoteSounding; ++i) {
    if (i == 0 && Trace.DiagFlags) DiagLog("Waiting for Sample Aid");
    Ui().ProcessEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
  if (s.NoteSounding) {
    if (Trace.DiagFlags) DiagLog("Sample Aid timed out");
    // The engine is about to stop and would refuse the note-off then: send it now.
    std::lock_guard lock(EngineLock);
    s.NoteCd.Active = 0;
    s.GapCd.Active = 0;
    SendNote(false);
  }
  s.Waiting = 0;
}

void SampleAidEndNote() {
  auto& s = SampleAid;
  std::lock_guard lock(EngineLock);
  s.StopReq = 1;
  // As the next tick would end it: the note-off, and the walk moves on as the action says.
  if (s.NoteSounding) NoteOff();
  s.NoteCd.Active = 0;
  s.GapCd.Active = 0;
  s.NoteSounding = 0;
  s.ReqLamp = 1;
}

bool SampleAidSendProgBank(int32_t port, int32_t channel, int32_t program, int32_t lsbOrPatch, int32_t msb,
                           int32_t method) {
  return Sender.load()(port, channel, method, msb, lsbOrPatch, program, -1, false, 0);
}

void StopSampleAidTicks() {
  std::lock_guard lock(EngineLock);
  Showing.SampleAidShowing = 0;
}

void InstallSampleAidHooks() {
  EngineHooks.SampleAidTick = &SampleAidTick;
}

}  // namespace vel
