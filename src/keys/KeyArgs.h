#pragma once
// The key path's own state: the argument-entry accumulators of the commands, the double-press
// deadlines, the force-to-notes entry and the octave calibration. Guarded by EngineLock: the key
// path runs under it (HandleMidiIn on the MIDI-in and GUI threads), and so does the force-to-notes
// completion on the timer thread. TarloOctaveSendPending alone is a shared atomic: the status
// display takes it without the lock.
#include <array>
#include <cstdint>
#include <string>

#include "base/Atomic.h"
#include "engine/PartBufs.h"

namespace vel {

// How a value command takes its value: 0 enter the argument mode, 1 step up by one, 2 step down.
enum TValSource : uint8_t { VsEnterMode = 0, VsInc = 1, VsDec = 2 };
// What a value setter does: 0 absolute, 1 increment, 2 decrement, 3 sweep between two values.
enum TValType : uint8_t { VtAbsolute = 0, VtInc = 1, VtDec = 2, VtSweep = 3 };

// The command waiting for its second press ("" none) and the first presses' deadlines (ms of the
// engine clock, 0 none).
struct TDoublePress {
  std::string DPressPendingCmd;
  int32_t DPressTimeDelete = 0;
  int32_t DPressTimeDeleteProgs = 0;
  int32_t DPressTimeReset = 0;
  int32_t DPressTimeCalibrate = 0;
  int32_t DPressTimeLoad = 0;
  int32_t DPressTimeSave = 0;
  int32_t DPressTimeHotkey = 0;
};

struct TKeyArgs {
  // The command waiting for its second press and the first presses' deadlines.
  TDoublePress DPress;

  // Argument-entry accumulators, cleared by the command that enters the mode.
  int32_t PlayCyclesEntry = 0;
  int32_t MuteCyclesEntry = 0;
  int32_t PmtCyclesEntry = 0;
  int32_t PitchCyclesEntry = 0;
  int32_t TempoSlewEntry = 0;
  int32_t TempoEntry = 0;
  uint8_t TempoEntryStarted = 0;  // five-place tempo entry: a value or a sweep start under way
  int32_t ChanEntry = 0;
  int32_t ProgEntry = 0;
  int32_t RecBarsEntry = 0;
  int32_t LoadSceneEntry = 0;
  int32_t SaveSceneEntry = 0;
  int32_t MetrStyleEntry = 0;
  int32_t MetrPatternEntry = 0;
  // The force-to-scale entry's chosen root (0..11, C..B).
  int32_t FtsRootEntry = 0;
  // The metronome entry's bar and beat notes and their velocity levels (1..9).
  int32_t MetrBarNoteEntry = 0;
  int32_t MetrBeatNoteEntry = 0;
  int32_t MetrBarVelEntry = 1;
  int32_t MetrBeatVelEntry = 1;
  // Sweep ends and styles of the program, tempo and channel entries ("<-->" both ways).
  int32_t ProgSweepTo = 0;
  int32_t TempoSweepTo = 0;
  int32_t ChanSweepTo = 0;
  uint8_t ProgSweepBothWays = 0;
  uint8_t TempoSweepBothWays = 0;
  uint8_t ChanSweepBothWays = 0;

  // Tap tempo: the last tap (ms), the interval (ms) and the tempo it gives (hundredths of BPM).
  int32_t TapTempoTime = 0;
  int32_t TapTempoInterval = 0;
  int32_t TapTempoValue = 0;

  // Octave calibration: a key of the calibration key's pitch class came; a program entry waits
  // for the calibration that follows it.
  uint8_t CalibDone = 0;
  uint8_t ProgCalibPending = 0;
  uint8_t CalibratePending = 0;
  // The new octave offset is to go over the display link (the status display sends it).
  TAtomic<uint8_t> TarloOctaveSendPending{0};

  // The next recording moves on to the next seq when it ends.
  uint8_t RecAutoIncSeq = 0;

  // Force to notes: per pitch class over two octaves -1 not held, 0 held; after the entry the half
  // steps to the nearest held pitch class. The held notes' names.
  std::array<int32_t, 24> FtnMap = FtnMapCleared();
  TShortName FtnName;

  // The hotkey advice for the virtual keyboard was posted in this run.
  uint8_t VKbdHotkeyAdviceShown = 0;

  static constexpr std::array<int32_t, 24> FtnMapCleared() {
    std::array<int32_t, 24> m{};
    for (auto& v : m) v = -1;
    return m;
  }
};
inline TKeyArgs Args;

}  // namespace vel
