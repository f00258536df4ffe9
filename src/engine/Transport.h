#pragma once
// Timer callback, tempo and transport. TimerProc is the engine's heartbeat: every timer period it
// advances the millisecond clocks, glides the tempo toward its target, turns the elapsed time into
// ticks (3840 per quarter note) for TickSeq, sends MIDI clock, times out force-to-notes entry,
// feeds one live and one raw message to the live path, counts recording beats and ticks the
// sample aid. Also the time base and its conversions, the bar and beat settings, tempo text, the
// live sweeps' tempo step and the transport operations (reset, stop, record start and state).
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Atomic.h"
#include "base/HookSlots.h"
#include "platform/Clock.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace vel {

constexpr int32_t kTicksPerQuarter = 3840;
constexpr int32_t kMinTempo = 2000;   // 20.00 BPM
constexpr int32_t kMaxTempo = 32000;  // 320.00 BPM

// The clock, tempo glide, bar and record counting. Guarded by EngineLock (the timer tick, the
// MIDI-in thread's external clock and the GUI's transport commands take it), but for the atomics:
// the ms clocks and the record counters and flags are read by the displays and by the MIDI-in
// thread's key routing without the lock.
struct TTransport {
  // Milliseconds, advanced by every timer tick while Running and never otherwise.
  TAtomic<int32_t> MsClock{0};
  TAtomic<int32_t> ClockWatchMs{0};
  // Tempo and TargetTempo are settings (Cfg). The glide steps every TempoSlewReload ms.
  int32_t TempoSlewReload = 0;
  int32_t TempoSlewCount = 0;
  // Ticks not yet passed to TickSeq and toward the next MIDI clock, in kTickUnits per tick, so
  // no fraction is lost from tick to tick at any tempo.
  int64_t TickFracAcc = 0;
  int64_t ClockFracAcc = 0;
  // Where the internal clock stood at the last timer tick: ticks since the run began in
  // kTickUnits per tick, the tick's time on the MIDI layer's clock (kNow before the first) and
  // the ms clock then. A key's exact position is read from them (TickPosAtNs, TickPosAtMs).
  int64_t TickPosUnits = 0;
  int64_t TickPosNs = midi::kNow;
  int32_t TickPosMs = 0;
  // The clock's time at the last timer tick (kNone before the first of a run), what its elapsed
  // time left over below a tick unit (in millionths of one), the clock's steps (an audio server
  // restarted, frames skipped) seen while running, and the clock's own count at the last look.
  int64_t TickClockNs = clock::kNone;
  int64_t TickSubUnits = 0;
  TAtomic<uint32_t> ClockSteps{0};
  uint64_t ClockStepsSeen = 0;
  // The active bar settings, taken over whole from the pending ones (Cfg) at each bar end.
  TBarSettings ActBar;
  // Bar within the metronome pattern, 1..MetrBars.
  int32_t MetrBarCount = 1;
  // Record counting. The record start time and position are set by the recording keys.
  TAtomic<uint8_t> RecActive{0};
  uint8_t RecBeatCountOn = 0;
  TAtomic<int32_t> RecBeatCount{0};
  TAtomic<uint8_t> RecBarCountOn{0};
  TAtomic<int32_t> RecBarCount{-1};  // -1 off
  uint8_t RecStartedClock = 0;       // recording sent MIDI Start
  int32_t RecStartTimeStamp = 0;     // ms clock, internal clock
  int64_t RecStartTickPos = 0;       // tick units (TickPosUnits' scale), internal clock
  int32_t RecStartExtTicks = 0;      // external clock ticks
  // Record-command flags: step recording, raw recording, started from a live key; retake asked.
  TAtomic<uint8_t> RecStepMode{0};
  TAtomic<uint8_t> RecRawMode{0};
  uint8_t RecFromLiveKey = 0;
  TAtomic<uint8_t> RecRetake{0};
  // Ms left before a force-to-notes entry completes, 0 none.
  int32_t FtnTimer = 0;
};
inline TTransport Transport;

// Calls into parts of the program built elsewhere; each is installed by its owner at start-up and
// may be left empty. The timer-thread ones must neither block nor allocate.
struct TEngineHooks {
  // Completes a force-to-notes entry (timer thread).
  void (*FinishFtnEntry)() = nullptr;
  // One sample aid tick of ms milliseconds (timer thread, while SampleAidShowing).
  void (*SampleAidTick)(int32_t ms) = nullptr;
  // A bar-count recording reached its last bar: the held-back record key is to be replayed on the
  // GUI thread (timer thread).
  void (*RecBarCountDone)() = nullptr;
  // Clears the recording keys' take state for a new take: real-time or step.
  void (*ResetRecKeys)(bool stepMode) = nullptr;
  // The metronome seq stopped at its end of part: the running style chain restarts.
  void (*RestartStyleChain)() = nullptr;
};
inline TEngineHooks EngineHooks;

inline auto HookSlots(const TEngineHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, FinishFtnEntry),
      VEL_HOOK_SLOT(h, SampleAidTick),
      VEL_HOOK_SLOT(h, RecBarCountDone),
      VEL_HOOK_SLOT(h, ResetRecKeys),
      VEL_HOOK_SLOT(h, RestartStyleChain),
  });
}
static_assert(kAllSlotsListed<TEngineHooks, void (*)()>, "a member of TEngineHooks is not in HookSlots");

// The periodic timer callback (the multimedia timer's signature). Only in Running; in any other
// state it clears TimerBusy and returns.
void TimerProc(uint32_t timerId, uintptr_t user);

// The tick and clock remainders in hundredths of a tick.
int32_t TickCentsAcc();
int32_t ClockCentsAcc();

// The tick and clock remainders and any ticks still to be made up, cleared for a new run.
void ClearTimerAccumulators();

// Conversions at the current Tempo, in 64-bit arithmetic.
int32_t MsToTickCents(int32_t ms);
int32_t MsToTicks(int32_t ms);
int32_t TicksToMs(int32_t ticks);

// The internal clock's position, in kTickUnits per tick on TickPosUnits' scale, at a time on the
// MIDI layer's clock or of the ms clock: the position at the last timer tick plus the time since
// (or before) it at the current Tempo. AtNs gives nothing before the run's first tick or for a
// time more than kTickPosReachNs away from the last tick (a stamp from before a restart).
constexpr int64_t kTickPosReachNs = 60'000'000'000;
std::optional<int64_t> TickPosAtNs(int64_t ns);
int64_t TickPosAtMs(int32_t ms);

// The internal clock's position (tick units) of the play cycle's last whole tick, where a seq
// started now has its tick 0.
int64_t WholeTickPos();
// The earliest position (tick units) that the output can still place at its time when the next
// timer tick sends it. Before the run's first tick, the run's time begins now, there.
int64_t StartReachPos();
// Playing begins from stopped: the whole ticks from WholeTickPos to where it starts, the first
// whole tick at or after StartReachPos (0 unless the engine's time lags behind now, or a tick
// lasts longer than the output's margin).
int32_t StartLeadTicks();
// MIDI Start to the sync outputs and a clock to the clock outputs, both at the internal clock's
// position pos (tick units), where the clock's count begins again: the next clock is 160 ticks
// after it. Marks the clock started (RecStartedClock).
void StartMidiClock(int64_t pos);

// One step of the tempo: by steps x 1 BPM, or by factor^steps with UseLgTempos; kept within
// low..high.
int32_t TempoStep(bool down, int32_t steps, int32_t low, int32_t high, float factor);
// The tempo the clock moves toward, in whole BPM; with glide it gets there over TempoSlewTime.
// exact keeps the hundredths (a tempo keyed to the hundredth).
void SetTargetTempo(int32_t tempo, bool glide, bool exact = false);
// The next tempo of the live tempo sweep, from the current Tempo.
int32_t TempoSweepNext(int32_t low, int32_t high, uint8_t bothWays, uint8_t& dir, int32_t step);

int32_t RoundTempo(int32_t tempo);

void RecalcQuantTicks();
// A time signature set: beat, bar and grid lengths, and the metronome's clicks take the beat.
void RecalcBeatTicks(bool rebuild);
// A time signature loaded with the settings: as RecalcBeatTicks, but the metronome's click length
// loaded with it stays where that signature allows it (a power of two, not longer than the beat).
void RecalcLoadedBeatTicks();
// The pending bar settings (beat, bar and quantise lengths) become active.
void TakeBarSettings();
// At a bar end: the pending bar settings become active; once per metronome pattern the live sweeps
// step.
void RecalcBarSettings();
void StartBarCountdown(int32_t rest);
void RestartBeatCount(bool fromBar1);
// False, changing nothing, for fewer than 1 beat or an invalid beat length; the new signature
// takes effect at the next bar end.
bool SetTimeSig(int32_t beats, int32_t beatLen);

// Transport. True when stopped seqs were marked for an output reset.
bool ResetSeqs(bool resetAttribs, bool all);
void StopSeqs();
void StartRecord();
void ResetRecordState();
void ResetRecBarCount();
// forget: every seq's program is sent again at its next cycle; else pending programs go now.
void InvalidateSeqProgs(bool forget);
void StopLiveSweeps();
void ResetLiveAttribs();

}  // namespace vel
