#pragma once
// The settings the settings windows change that take the engine along: each stores its setting
// under EngineLock (the timer and MIDI-in threads read it) and then applies it at once. What a
// window shows in answer stays the window's. GUI thread.
#include <cstdint>

namespace vel {

// The MIDI-in thread's last time stamps are forgotten with the change.
void SetIgnoreDriverTStamps(bool on);
// Off silences the live output now (LocalControlOff); on takes effect at once.
void SetLocalControlOn(bool on);
// The external clock's input port (0-based); the clock starts afresh.
void SetClocksExtPNo(int32_t port);
// Step recording picks the change up at its next chord.
void SetSRecChordDetectReqd(bool on);

// The metronome's settings: a metronome seq in use is rebuilt, or refreshed outside Running.
void SetMetrNoteOnPercent(int32_t percent);
void SetMetrDrumChan(int32_t chan);  // 0-based
void SetMetrBassChan(int32_t chan);  // 0-based
// Refused, with a warning and false, below the time signature's note length.
bool SetMetrNoteLenFrac(int32_t n);
// The metronome seq (-1 none) and whether an output port exists, taken together.
struct TMetrSeqNow {
  int32_t Seq = -1;
  bool Outputs = false;
};
TMetrSeqNow MetrSeqNow();

// The number of seqs in use (count - 1 is the last); a metronome seq beyond them is dropped, and
// the allocated ports are kept as the loaded ones.
void SetMaxActiveSeqs(int32_t count);

// The display timers take a new interval at once where they run.
void SetDspStatusInterval(int32_t ms);
void SetDspMetrInterval(int32_t ms);
void SetDspDiagInterval(int32_t ms);

}  // namespace vel
