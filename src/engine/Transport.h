#pragma once
// Timer callback, tempo and transport. TimerProc is the engine's heartbeat: every timer period it
// advances the millisecond clocks, glides the tempo toward its target, turns the elapsed time into
// ticks (3840 per quarter note) for TickSeq, sends MIDI clock, times out force-to-notes entry,
// feeds one live and one raw message to the live path, counts recording beats and ticks the
// sample aid. Also the time base and its conversions, the bar and beat settings, tempo text, the
// live sweeps' tempo step and the transport operations (reset, stop, record start and state).
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

constexpr int32_t kTicksPerQuarter = 3840;
constexpr int32_t kMinTempo = 2000;   // 20.00 BPM
constexpr int32_t kMaxTempo = 32000;  // 320.00 BPM

// Milliseconds, advanced by every timer tick while Running and never otherwise.
inline std::atomic<int32_t> MsClock{0};
inline std::atomic<int32_t> ClockWatchMs{0};

// Tempo and TargetTempo are settings (Settings.h). The glide steps every TempoSlewReload ms.
inline int32_t TempoSlewReload = 0;
inline int32_t TempoSlewCount = 0;

// Hundredths of ticks not yet passed to TickSeq; toward the next MIDI clock.
inline int32_t TickCentsAcc = 0;
inline int32_t ClockCentsAcc = 0;

// Bar settings: BeatsPerBar, NoteLenFrac, NQNoteLenFrac and SQNoteLenFrac are settings; the
// derived tick counts below follow them, and the active copies take them at each bar end.
inline int32_t BeatTicks = 3840;
inline int32_t BarTicks = 15360;
inline int32_t NQTicks = 1920;  // note-quantise grid, 0 off
inline int32_t SQTicks = 1920;  // seq-quantise grid
inline int32_t ActBeatsPerBar = 4;
inline int32_t ActNoteLenFrac = 4;
inline int32_t ActBeatTicks = 3840;
inline int32_t ActBarTicks = 15360;
inline int32_t NQActNoteLenFrac = 8;
inline int32_t NQActTicks = 1920;
inline int32_t SQActNoteLenFrac = 8;
inline int32_t SQActTicks = 1920;
// Bar within the metronome pattern, 1..MetrBars.
inline int32_t MetrBarCount = 1;

// Record counting. The record start time and position are set by the recording keys.
inline std::atomic<uint8_t> RecActive{0};
inline uint8_t RecBeatCountOn = 0;
inline std::atomic<int32_t> RecBeatCount{0};
inline std::atomic<uint8_t> RecBarCountOn{0};
inline std::atomic<int32_t> RecBarCount{-1};  // -1 off
inline uint8_t RecStartedClock = 0;           // recording sent MIDI Start
inline int32_t RecStartTimeStamp = 0;         // ms clock, internal clock
inline int32_t RecStartExtTicks = 0;          // external clock ticks
// Record-command flags: step recording, raw recording, started from a live key; retake asked.
inline std::atomic<uint8_t> RecStepMode{0};
inline std::atomic<uint8_t> RecRawMode{0};
inline uint8_t RecFromLiveKey = 0;
inline std::atomic<uint8_t> RecRetake{0};

// Ms left before a force-to-notes entry completes, 0 none.
inline int32_t FtnTimer = 0;

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

// The periodic timer callback (the multimedia timer's signature). Only in Running; in any other
// state it clears TimerBusy and returns.
void TimerProc(uint32_t timerId, uintptr_t user);

// The tick and clock remainders and any ticks still to be made up, cleared for a new run.
void ClearTimerAccumulators();

// Conversions at the current Tempo, in 64-bit arithmetic.
int32_t MsToTickCents(int32_t ms);
int32_t MsToTicks(int32_t ms);
int32_t TicksToMs(int32_t ticks);

// One step of the tempo: by steps x 1 BPM, or by factor^steps with UseLgTempos; kept within
// low..high.
int32_t TempoStep(bool down, int32_t steps, int32_t low, int32_t high, float factor);
// The tempo the clock moves toward; with glide it gets there over TempoSlewTime.
void SetTargetTempo(int32_t tempo, bool glide);
// The next tempo of the live tempo sweep, from the current Tempo.
int32_t TempoSweepNext(int32_t low, int32_t high, uint8_t bothWays, uint8_t& dir, int32_t step);

// "120.00" for 12000.
std::string TempoToStr(int32_t tempo);
// "120.5" is 12050, "95.05" 9505, "120" 12000; nothing for text that is not such a number.
std::optional<int32_t> StrToTempo(std::string_view text);
int32_t RoundTempo(int32_t tempo);

void RecalcQuantTicks();
void RecalcBeatTicks(bool rebuild);
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
