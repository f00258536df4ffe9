#pragma once
// The sample aid's note sequencer: single notes, steps or whole walks over a grid of pitches and
// velocities, to audition a sound (Audition mode) or to let a sampler record a synth (Sample
// mode). The window edits the ranges and starts actions on the GUI thread; SampleAidTick times the
// notes on the timer thread under EngineLock. The two share everything here as atomics, so the
// tick never blocks and never allocates.
#include <atomic>
#include <cstdint>

namespace vel {

// The actions; the state of an action of Audition mode is that of Sample mode plus 4.
enum TSampleAidAction : uint8_t { SaNote = 1, SaStep = 2, SaPlay1 = 3, SaPlay = 4 };
constexpr uint8_t kSampleAidAuditionBase = 4;

// One mode's walk and timing. Current values lie on the grid between first and last.
struct TSampleAidRange {
  std::atomic<int32_t> FirstPitch, LastPitch, PitchStep, CurPitch;
  std::atomic<int32_t> FirstVel, LastVel, VelStep, CurVel;
  std::atomic<int32_t> NoteLen;  // ms each note sounds
  std::atomic<int32_t> Gap;      // ms from a note-off to the next note-on
  std::atomic<uint8_t> HoldPitch{0}, HoldVel{0}, PitchFirst{1};
};

// Where a mode's notes go and which sound it selects first.
struct TSampleAidOutput {
  std::atomic<int32_t> Port{0}, Channel{0};
  std::atomic<int32_t> Method{1};  // bank select: 1 none, 2 cc0+32, 3 cc0, 4 cc32, 5 patch
  std::atomic<int32_t> Msb{0}, LsbOrPatch{0}, Program{0};
};

// A countdown of the timer thread: active flag, ms left and the value it reloads with.
struct TSampleAidCountdown {
  std::atomic<uint8_t> Active{0};
  std::atomic<int32_t> Left{0};
};

struct TSampleAidState {
  TSampleAidRange Sample, Audition;
  TSampleAidOutput AuditionOut, TargetOut;
  std::atomic<int32_t> SamplerPort{0}, SamplerChannel{0};

  std::atomic<uint8_t> State{0};  // 0 idle, else the action (plus 4 for Audition)
  std::atomic<uint8_t> NoteSounding{0};
  std::atomic<uint8_t> StopReq{1};
  std::atomic<uint8_t> Waiting{0};  // WaitForSampleAid runs: new actions are refused
  TSampleAidCountdown NoteCd, GapCd;

  // The sounding note and where it went, so its note-off follows it whatever the lists show now.
  std::atomic<int32_t> SndPitch{0}, SndVel{0}, SndPort{0}, SndChannel{0};
  std::atomic<int32_t> SndSamplerPort{0}, SndSamplerChannel{0};

  // Display requests for the window's refresh; index 0 Sample, 1 Audition.
  std::atomic<uint8_t> ReqMode{0}, ReqAuditionOut{1}, ReqTargetOut{1}, ReqTotals{0}, ReqRemaining{0},
      ReqLamp{0};
  std::atomic<uint8_t> ReqCurPitch[2] = {}, ReqCurVel[2] = {}, ReqStepFocus[2] = {};
};
inline TSampleAidState SampleAid;

// Puts ranges, outputs and run state back to their start values.
void ResetSampleAid();

// How the sequencer sends; SendTestMidi unless a test swaps it.
using TSampleAidSender = bool (*)(int32_t port, int32_t channel, int32_t bankMethod, int32_t bankMsb,
                                  int32_t bankLsbOrPatch, int32_t program, int32_t note, bool noteOn,
                                  int32_t velocity);
void SetSampleAidSender(TSampleAidSender sender);
// Wakes the window's refresh from any thread; must not block or allocate.
void SetSampleAidWake(void (*wake)());

// Grid arithmetic of a walk from first toward last by step.
int32_t StepTowardLast(int32_t first, int32_t last, int32_t step, int32_t value);
int32_t StepTowardFirst(int32_t first, int32_t last, int32_t step, int32_t value);
int32_t SnapToStepGrid(int32_t first, int32_t ref, int32_t target, int32_t step, int32_t min, int32_t max,
                       bool outward);
int32_t SampleAidClampCurrent(int32_t first, int32_t last, int32_t current, int32_t step, int32_t min,
                              int32_t max, bool outward);

// Steps a mode's walk; false when it wrapped to its start.
bool SampleAidAdvance(TSampleAidRange& r);
bool SampleAidAdvanceSample();
bool SampleAidAdvanceAudition();

// Starts an action (GUI thread; takes EngineLock, which the tick holds). False when refused:
// another action or note still runs, a wait for the sample aid is on, or the note-on was refused
// (its box shows once the lock is let go).
bool SampleAidStart(uint8_t state);
// Ends the running action: a sounding note ends and a gap is cancelled on the next tick.
void SampleAidAbort();
bool SampleAidBusy();

// The timer tick: elapsed ms of one timer period. Timer thread, under EngineLock.
void SampleAidTick(int32_t elapsed);

// Stop routine's wait for a sounding note (GUI thread, the timer still ticking). When it gives
// up with a note sounding it sends the note-off itself, while the engine still runs.
void WaitForSampleAid(int32_t pauseMs = 100);

// Ends the action at once: the sounding note's note-off goes out now, as the next tick would send
// it, and the note is forgotten even when that is refused (a stopped engine has already silenced
// every channel it used). For closing the window. GUI thread.
void SampleAidEndNote();

// Bank select and program change of a mode's output (Sample: to the target only).
bool SampleAidSendProgBank(int32_t port, int32_t channel, int32_t program, int32_t lsbOrPatch, int32_t msb,
                           int32_t method);

// Sets the engine's tick hook. The stop's wait is the window's (TfrmSampleAid::On).
void InstallSampleAidHooks();
// The window goes: no tick reaches it once this returns (a tick in flight holds EngineLock, which
// this takes).
void StopSampleAidTicks();

}  // namespace vel
