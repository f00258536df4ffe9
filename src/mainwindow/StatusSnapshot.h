#pragma once
// What the status and metronome displays show, copied from the engine in one short EngineLock
// hold so that the views are built from plain values that no other thread touches. The same hold
// serves the engine-side flags that the display owns (activity lights stamped and dropped, the
// selection and record flags of the parts, the external clock watch).
#include <array>
#include <cstdint>
#include <string>

#include "base/Sizes.h"
#include "engine/PartBufs.h"
#include "engine/ProgState.h"
#include "keymaps/KeyModes.h"

namespace vel {

// A sweep as the display sees it.
struct TSweepSnap {
  bool On = false;
  bool Down = false;
};

// One seq's playing part, with the seq record.
struct TSeqSnap {
  TSeqState State = TSeqState::Stopped;
  uint8_t StateRaw = 5;  // the byte as found: a value outside 0..7 is reported
  bool Selected = false;
  bool HasEvents = false;
  bool HasHotkeyEvents = false;
  bool PitchLocked = false;
  bool MChanApplies = false;
  int32_t PlayPart = 0;
  int32_t SelPart = 0;
  bool PartSweepOn = false;
  int32_t PRRem = 0;
  int32_t MRRem = 0;
  int32_t PitchBase = 0;
  int32_t PitchCycles = 0;
  int32_t PitchCyclesRem = 0;
  int32_t Transpose = 0;
  int32_t TransposePend = 0;
  bool ActOffs = false;   // an active note-range offset is not 0
  bool PendOffs = false;  // a pending one is not 0
  uint8_t SVel = 5;
  uint8_t SVelPend = 5;
  bool Muted = false;
  bool MutedPend = false;
  int32_t FtsRoot = 0;
  int32_t FtsRootPend = 0;
  uint8_t FtsType = kFtsTypeOff;
  uint8_t FtsTypePend = kFtsTypeOff;
  TShortName FtnName;
  TShortName FtnNamePend;
  int32_t TempoDiv = 1;
  int32_t TempoDivPend = 1;
  int32_t RElap = 0;
  int32_t PElap = 0;
  int32_t TimeShiftRept = 0;
  int8_t Port = 0;
  int8_t PortPend = 0;
  int8_t Chan = 0;  // the active channel on the active port
  int8_t ChanPend = 0;
  TSweepSnap PortSweep, ChanSweep, ProgSweep, SVelSweep;
  // Programs: last sent on the active port and channel, wanted on the pending ones; whether each
  // side's port has a device that takes program changes.
  int32_t ProgAct = -1;
  int32_t ProgPend = -1;
  bool ProgActOk = false;
  bool ProgPendOk = false;
  // The activity light's colour this tick: 0 none lit, 1 hotkey, 2 note, 3 other.
  uint8_t LitBy = 0;
  bool SelChanged = false;  // served in Command mode (key marks)
  bool GridDirty = false;   // the record or selection flag was raised
  bool SelWaiting = false;  // the selection flag waits for Command mode (kept between ticks)
};

// The live output's values.
struct TLiveSnap {
  int8_t Port = -1;
  int8_t Chan = 0;
  bool MChanApplies = false;
  uint8_t SVel = 5;
  int32_t Pitch = 0;
  int32_t TransposeBase = 0;
  bool PitchLocked = false;
  int32_t FtsRoot = 0;
  uint8_t FtsType = kFtsTypeOff;
  TShortName FtsName;
  int32_t TempoClockDiv = 1;
  bool Selected = false;
  TSweepSnap PortSweep, ChanSweep, ProgSweep, SVelSweep, TempoSweep;
  bool HasDevice = false;
  bool ProgOk = false;
  int32_t Prog = -1;  // last sent on the live port and channel
  // The input light this tick: 0 none, 1 hotkey, 2 note, 3 other (other alone outside Live mode).
  uint8_t LitBy = 0;
  bool OtherLit = false;
};

// The digits keyed so far of the argument entries the prompt fills in.
struct TEntrySnap {
  int32_t TempoEntry = 0;
  bool TempoEntryStarted = false;
  int32_t TempoSweepTo = 0;
  bool TempoSweepBothWays = false;
  int32_t ProgEntry = 0;
  int32_t ProgSweepTo = 0;
  bool ProgSweepBothWays = false;
  int32_t ChanEntry = 0;
  int32_t ChanSweepTo = 0;
  bool ChanSweepBothWays = false;
  int32_t TempoSlewEntry = 0;
  int32_t RecBarsEntry = 0;
  int32_t PlayCyclesEntry = 0;
  int32_t MuteCyclesEntry = 0;
  int32_t PmtCyclesEntry = 0;
  int32_t PitchCyclesEntry = 0;
  // The second counts of the alternating cycle entries.
  int32_t PlayMuteMuteEntry = 0;
  int32_t MutePlayPlayEntry = 0;
  int32_t PmtMuteEntry = 0;
  // The one-place sweeps' starts and directions.
  int32_t PartSweepFrom = 0;
  int32_t PortSweepFrom = 0;
  int32_t VelSweepFrom = 0;
  bool PartSweepBothWays = false;
  bool PortSweepBothWays = false;
  bool VelSweepBothWays = false;
  bool TimeShiftRepeat = false;  // "rept"
  int32_t LoadSceneEntry = 0;
  int32_t SaveSceneEntry = 0;
  int32_t PitchCycles = 0;
  bool PitchCyclesOn = false;  // PitchCyclesN or PitchCyclesNN
  std::string DPressPendingCmd;
  int32_t CurScene = 0;
  // The first halves of the two-step entries.
  int32_t TSigBeatsEntry = 0;
  int32_t TimeShiftBeatsEntry = 0;
  int32_t QuantNoteEntry = 0;
  int32_t FtsRootEntry = 0;
  int32_t MetrBarNoteEntry = 0;
  int32_t MetrBeatNoteEntry = 0;
};

struct TStatusSnapshot {
  TProgState ProgState = TProgState::Initialising;
  uint8_t ProgStateRaw = 0;
  TKeyMode KeyMode = TKeyMode::Inactive;
  bool KeyHold = false;
  int32_t MsClock = 0;
  int32_t MaxActiveSeqs = kSeqs - 1;  // the last seq shown
  int32_t MetrSeqNo = -1;
  int8_t OutPortsAllocated = -1;
  int8_t InPortsAllocated = -1;
  std::array<TSeqSnap, kSeqs> Seqs{};
  TLiveSnap Live;
  TEntrySnap Entry;
  // Record state.
  bool RecActive = false;
  bool RecRawMode = false;
  // The record arrows: attributes taken from live, given to live (the record keys switch them).
  bool ArrowFromLive = false;
  bool ArrowToLive = false;
  bool RecRetake = false;
  bool RecAutoIncSeq = false;
  bool RecBarCountOn = false;
  int32_t RecBarCount = -1;
  int32_t RecBeatCount = 0;
  int32_t RecPitchOffset = 0;
  int32_t SRecNoteLenFrac = 8;
  int32_t SRecNoteOnPercent = 75;
  // Bar settings, pending (settings) and active (the play cycle's).
  int32_t BeatsPerBar = 4, NoteLenFrac = 4, NQNoteLenFrac = 8, SQNoteLenFrac = 8;
  int32_t ActBeatsPerBar = 4, ActNoteLenFrac = 4, NQActNoteLenFrac = 8, SQActNoteLenFrac = 8;
  int32_t ActBeatTicks = 3840, ActBarTicks = 15360, ActSQTicks = 1920;
  // Tempo and clock.
  int32_t Tempo = 12000;
  int32_t TempoSlewTime = 3000;
  bool ClockLost = false;         // the external clock's last clock is 200 ms old or more
  bool SwitchToInternal = false;  // ... while it was the unlocked source: warn and switch
  int32_t ClocksExtPNo = 0;
  int32_t ExtClockCount = 0;   // intervals averaged
  int64_t ExtClockSum = 0;     // their sum, ms
  bool ExtClockValid = false;  // ExtClockAvg at least 1
  // Metronome style captions of the metronome seq: active (last built) and pending (chosen).
  bool MetrStyleEqual = true;
  std::string MetrStyleAct, MetrPatAct, MetrStylePend, MetrPatPend;
  // Scenes and the settings the metronome notes show.
  int32_t CurScene = 0, CurExtScene = 0;
  bool MetrTypePitchLocked = false;
  int32_t MetrBarNote = 0, MetrBarSVel = 0, MetrBeatNote = 0, MetrBeatSVel = 0;
  // Last step-recorded event, when new.
  bool LastRecEventNew = false;
  uint32_t LastRecEvent = 0;
  int32_t SRecTime = 0;
  // A part's record or selection flag asks for the lane grid (DspSeqGrid on).
  bool GridDirty = false;
  // Key marks: the Command map's CmdSelLive key and the Pitch map's zone keys.
  bool MarkSelLive = false;
  bool MarkPitchZones = false;
  std::array<bool, 3> PitchZoneSel{};
  std::array<std::string, kPorts> OutPortNames;  // OutPortName of each port (DspPortNames on)
};

// One EngineLock try: false (nothing changed, nothing copied) when another thread holds it.
// wantPortNames: copy the port names (DspPortNames on).
bool TakeStatusSnapshot(TStatusSnapshot& snap, bool wantPortNames);

// An activity light: raised by the engine, stamped with MsClock on the first tick that sees it,
// dropped (flag and time) once more than 100 ms have passed. True while lit.
bool AgeLight(uint8_t& flag, int32_t& since, int32_t now);

}  // namespace vel
