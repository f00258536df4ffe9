#include "mainwindow/ControlRules.h"

#include <algorithm>
#include <mutex>

#include "base/EngineLock.h"
#include "base/Formats.h"
#include "base/UiHooks.h"
#include "engine/Metronome.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "keys/TimeKeys.h"
#include "settings/CfgFile.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"

namespace vel {

namespace {

using Lock = std::lock_guard<TEngineLock>;

constexpr int32_t kFirstBpmItem = 20;

// The last output port with clock and sync boxes, and what the metronome type buttons show; both
// under EngineLock.
int32_t LastOutPort() {
  return std::min<int32_t>(RunCtl.OutPortsAllocated, kPorts - 1);
}

TMetrTypeShown MetrTypeShown() {
  return {.Drum = Cfg.MetrTypePitchLocked != 0, .Styles = Cfg.MetrModeStyles != 0};
}

}  // namespace

std::optional<int32_t> ComboNumber(const std::string& text) {
  return ParseInt(text, {.Blanks = false});
}

int32_t TempoFromCombos(const std::string& warpText, const std::string& bpmText) {
  const int64_t warp = ComboNumber(warpText).value_or(0);
  const int64_t bpm = ComboNumber(bpmText).value_or(0);
  // 64 bits: a hand-made list item cannot overflow the sum before it is held to the range.
  return static_cast<int32_t>(std::clamp<int64_t>((warp * 1000 + bpm) * 100, kMinTempo, kMaxTempo));
}

int32_t TempoBpmIndex(int32_t tempo) {
  const int32_t bpm = (tempo + 50) / 100;
  return bpm - 1000 * (bpm / 1000) - kFirstBpmItem;
}

void SetTempoNow(int32_t tempo) {
  Lock lock(EngineLock);
  Cfg.Tempo = tempo;
  Cfg.TargetTempo = tempo;
  // No glide: a glide under way would carry the tempo off again.
  Transport.TempoSlewReload = 0;
  Transport.TempoSlewCount = 0;
}

std::string TSigRefusal(bool beats) {
  std::string family;
  {
    Lock lock(EngineLock);
    if (!TSigUnderStyleControl()) return {};
    family = Cfg.MetrTypePitchLocked ? "Drum" : "Bass";
  }
  if (!beats) return "Main time sig is under control of current metronome style";
  return "Main time signature is being overridden by the current metronome " + family + " style." +
         "\r\n\r\n" + "Either uncheck Styles here, or uncheck 'Override main tsig' in Settings, Metronome, " +
         family + "...";
}

bool SetMetrSVel(bool bar, const std::string& text) {
  const std::optional<int32_t> v = ComboNumber(text);
  if (!v || *v < 0 || *v > 9) return false;
  Lock lock(EngineLock);
  const bool drum = Cfg.MetrTypePitchLocked != 0;
  int32_t& target = bar ? (drum ? Cfg.MetrDrumBarSVel : Cfg.MetrBassBarSVel)
                        : (drum ? Cfg.MetrDrumBeatSVel : Cfg.MetrBassBeatSVel);
  target = *v;
  return true;
}

bool SetMetrNote(bool bar, const std::string& text) {
  const int32_t note = NoteNameToNo(text);
  if (note < 0 || note > 127) return false;
  Lock lock(EngineLock);
  const bool drum = Cfg.MetrTypePitchLocked != 0;
  int32_t& target = bar ? (drum ? Cfg.MetrDrumBarNote : Cfg.MetrBassBarNote)
                        : (drum ? Cfg.MetrDrumBeatNote : Cfg.MetrBassBeatNote);
  target = note;
  return true;
}

bool SetMetrBars(int32_t n) {
  if (n < 1 || n > 4) return false;
  Lock lock(EngineLock);
  if (n == Cfg.MetrBars) return false;
  Cfg.MetrBars = n;
  RequestMetrRebuild();
  return true;
}

TMetrTypeFollow SetMetrType(bool drum) {
  Lock lock(EngineLock);
  const auto v = static_cast<uint8_t>(drum);
  if (Cfg.MetrTypePitchLocked == v) return TMetrTypeFollow::Nothing;
  Cfg.MetrTypePitchLocked = v;
  if (Cfg.MetrSeqNo < 0) return TMetrTypeFollow::ShowOnly;
  if (RunCtl.ProgState.load() == TProgState::Config) return TMetrTypeFollow::Refresh;
  RequestMetrRebuild();
  return TMetrTypeFollow::Rebuilt;
}

void SetClockSource(bool internal, bool extLock) {
  Lock lock(EngineLock);
  Cfg.ClocksSourceInternal = static_cast<uint8_t>(internal);
  Cfg.ClocksSourceExtLock = static_cast<uint8_t>(extLock);
}

bool SetInPortOctave(int32_t input, int32_t offset) {
  if (input < 0 || input >= kCfgControlInputs || offset < -9 || offset > 9) return false;
  Lock lock(EngineLock);
  Cfg.InPortOctaveOffset[input] = offset;
  if (input == 0 && Cfg.TarloOn) Args.TarloOctaveSendPending = 1;
  return true;
}

std::string OctaveOffsetText(int32_t offset) {
  return offset >= 0 ? "+" + std::to_string(offset) : std::to_string(offset);
}

TControlChecks ControlChecksNow() {
  TControlChecks r;
  Lock lock(EngineLock);
  r.Cfg = Cfg;
  for (int32_t s = 0; s <= LastSeq(); ++s) r.PitchLocked[s] = SeqBuf(s).PitchLocked;
  r.LastOutPort = LastOutPort();
  return r;
}

int32_t LastOutPortNow() {
  Lock lock(EngineLock);
  return LastOutPort();
}

TMetrTypeShown RelabelMetrType() {
  const TUiAfterLock after;
  Lock lock(EngineLock);
  RelabelMetrNoteKeys();
  const TMetrTypeShown r = MetrTypeShown();
  if (r.Drum) {
    ClearDrumTrigger(true);
  } else {
    ClearBassTrigger(true);
  }
  return r;
}

int32_t MetrBarsNow() {
  Lock lock(EngineLock);
  return Cfg.MetrBars;
}

void RebuildMetrBar() {
  Lock lock(EngineLock);
  RequestMetrRebuild();
}

void SetMetrFill(bool on) {
  Lock lock(EngineLock);
  Cfg.MetrFill = on;
  RequestMetrRebuild();
}

void SetMidiOutClocks(int32_t port, bool on) {
  Lock lock(EngineLock);
  Cfg.MIDIOutClocksEnabled[port] = on;
  Transport.RecStartedClock = 0;
}

void SetMidiOutSync(int32_t port, bool on) {
  Lock lock(EngineLock);
  Cfg.MidiOutSyncEnabled[port] = on;
}

void ToggleDspSeqNumPosn() {
  Lock lock(EngineLock);
  Cfg.DspSeqNumPosn = !Cfg.DspSeqNumPosn;
}

void SetTimeSigChoice(bool beats, int32_t n) {
  Lock lock(EngineLock);
  (beats ? Cfg.BeatsPerBar : Cfg.NoteLenFrac) = n;
  RecalcBeatTicks(false);
}

void SetQuantNoteLen(int32_t TBarSettings::*field, int32_t n) {
  Lock lock(EngineLock);
  Cfg.*field = n;
  RecalcQuantTicks();
}

TMetrTypeShown MetrTypeNow() {
  Lock lock(EngineLock);
  return MetrTypeShown();
}

}  // namespace vel
