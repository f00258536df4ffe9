#include "mainwindow/SettingSetters.h"

#include <mutex>
#include <string>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/Metronome.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "keys/RecordKeys.h"
#include "mainwindow/Refresh.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"

namespace vel {

void SetIgnoreDriverTStamps(bool on) {
  {
    std::lock_guard lock(EngineLock);
    Cfg.IgnoreDriverTStamps = on ? 1 : 0;
    MidiIn.LastInTimestamp.fill(0);
  }
  if (Trace.DiagFlags) DiagLogTimed("IgnoreDriverTStamps: " + BoolToYN(on));
}

void SetLocalControlOn(bool on) {
  if (!on) {
    if (PlayCycle.LocalControlOn) LocalControlOff();
  } else if (!PlayCycle.LocalControlOn) {
    PlayCycle.LocalControlOn = 1;
    MidiIn.LocalCtlDirty = 1;
  }
}

void SetClocksExtPNo(int32_t port) {
  StoreLocked(Cfg.ClocksExtPNo, port);
  ResetExtClock();
}

void SetSRecChordDetectReqd(bool on) {
  // Step recording reads and toggles it on the MIDI-in thread.
  StoreLocked(Cfg.SRecChordDetectReqd, on ? 1 : 0);
  RaiseTopic(TTopic::StepRecChord);
}

void SetMaxActiveSeqs(int32_t count) {
  std::lock_guard lock(EngineLock);
  Cfg.MaxActiveSeqs = count - 1;
  if (Cfg.MetrSeqNo > Cfg.MaxActiveSeqs) Cfg.MetrSeqNo = -1;
  Cfg.InPortsLoaded = RunCtl.InPortsAllocated;
  Cfg.OutPortsLoaded = RunCtl.OutPortsAllocated;
}

namespace {

// The metronome's follow-up of a changed metronome setting.
void MetrSettingChanged() {
  if (Cfg.MetrSeqNo < 0) return;
  if (RunCtl.ProgState.load() != TProgState::Config) {
    // The rebuild writes the part the timer thread plays.
    std::lock_guard lock(EngineLock);
    RequestMetrRebuild();
  } else {
    RefreshAll(false);
  }
}

// The metronome's settings are read by its builder on the timer and MIDI-in threads.
template <typename T>
void SetMetrSetting(T& setting, int32_t value) {
  StoreLocked(setting, value);
  MetrSettingChanged();
}

}  // namespace

void SetMetrNoteOnPercent(int32_t percent) {
  SetMetrSetting(Cfg.MetrNoteOnPercent, percent);
}

void SetMetrDrumChan(int32_t chan) {
  SetMetrSetting(Cfg.MetrDrumChan, chan);
}

void SetMetrBassChan(int32_t chan) {
  SetMetrSetting(Cfg.MetrBassChan, chan);
}

bool SetMetrNoteLenFrac(int32_t n) {
  {
    std::lock_guard lock(EngineLock);
    if (n < Cfg.NoteLenFrac) {
      Msgs.WarnMsg.Set("Value 1/" + std::to_string(n) +
                       " ignored - incompatible with current time signature");
      return false;
    }
    Cfg.MetrNoteLenFrac = n;
  }
  MetrSettingChanged();
  return true;
}

TMetrSeqNow MetrSeqNow() {
  std::lock_guard lock(EngineLock);
  return {Cfg.MetrSeqNo, RunCtl.OutPortsAllocated >= 0};
}

void SetDspStatusInterval(int32_t ms) {
  StoreLocked(Cfg.DspStatusInterval, ms);
  if (RunCtl.ProgState.load() == TProgState::Running) EnableDspStatus(true, false);
}

void SetDspMetrInterval(int32_t ms) {
  StoreLocked(Cfg.DspMetrInterval, ms);
  // The metronome display runs only while Running; otherwise it takes the value when it starts.
  if (RunCtl.ProgState.load() == TProgState::Running) EnableDspMetr(true);
}

void SetDspDiagInterval(int32_t ms) {
  StoreLocked(Cfg.DspDiagInterval, ms);
  if (Trace.DiagFlags) EnableDspDiag(true);
}

}  // namespace vel
