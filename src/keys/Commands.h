#pragma once
// The command executor: one code of the Command key map, carried out on the selected seqs and the
// live output, or the switch into the argument mode that takes its value; and the small command
// handlers that the argument modes share. Runs on the key path's thread under EngineLock.
#include <cstdint>
#include <string>

#include "keys/KeyArgs.h"
#include "keys/ModeKey.h"

namespace vel {

// The command executor's own state. Guarded by EngineLock, as the whole key path.
struct TCommands {
  // The time-shift entry re-arms its shift at every start of cycle ("rept"). The time-shift
  // commands clear it; the time-shift argument keys set and read it.
  uint8_t TimeShiftRepeat = 0;
};
inline TCommands Commands;

// The draw behind the random cycle counts (R: 1..9, RR: 1..99): a value in 1..n for n >= 1. Tests
// install their own so that a random count is exact; CmdRandomDefault is the executor's own
// generator, seeded from the system unless SeedCmdRandom seeds it. Under EngineLock.
using TCmdRandomFn = int32_t (*)(int32_t n);
int32_t CmdRandomDefault(int32_t n);
void SeedCmdRandom(uint32_t seed);
inline TCmdRandomFn CmdRandom = &CmdRandomDefault;

// Carries out a Command map code (only the low byte counts). Codes 147 and above and CmdLiveN do
// nothing and leave the key mode as it is; outside Running every code is refused with an error
// text and changes nothing. input and msg are the key's, for the port and channel commands.
void ExecCommand(uint8_t input, uint32_t msg, uint8_t code);
// The same as the Command mode's handler in the key-mode table.
void ExecCommandKey(const TModeKey& key);

// The play and mute commands with cycle counts; alternate: play and mute alternate, count2 cycles
// of the second state.
void SetPlayMuteCycles(bool alternate, int32_t count, int32_t count2, bool mute, bool returnToLive);
// The play/mute toggle every count cycles (count2 for the second state).
void HandleCmdPyMuTog(int32_t count, int32_t count2, bool returnToLive);
// The cycle commands by kind; Pitch, the pitch cycles, sets no play or mute counts.
enum class TCycleKind : uint8_t { Play, PlayMute, Mute, MutePlay, PlayMuteTog, Pitch };
// The kind's play/mute command with count cycles (count2 of the second state where they alternate).
void SetCycles(TCycleKind kind, int32_t count, int32_t count2, bool returnToLive);
// The double-press rule: true when the command may go on (second press within DPressInterval, or
// no double press asked); deadline is the command's first-press deadline.
bool DPressCheck(const std::string& name, int32_t& deadline);
// Forgets every first press and the command waiting for its second one (start of running: the
// engine clock starts again from 0).
void ClearDPressTimes();

// Target checks: true when the command may go on (targets found, or the DefSel default applied).
bool CheckSelTransport();
bool CheckSelPitch();
bool CheckSelTime();
bool CheckSelMidi();
bool CheckSelReset();
bool CheckSelDelete();
bool CheckSelPart();

// The value commands: enter the argument mode or step the value by one.
void HandleCmdPort(uint8_t input, uint32_t msg, uint8_t valSource);
void HandleCmdChan(uint8_t input, uint32_t msg, uint8_t valSource);
void HandleCmdProg(uint8_t valSource);
void HandleCmdVel(uint8_t valSource);
void HandleCmdPart(uint8_t valSource);
void HandleCmdTempo(uint8_t valSource);
void HandleCmdLoad(uint8_t valSource, bool all);
void HandleCmdSave(uint8_t valSource, bool all);

// Pitch, transpose, lock, time shift and record commands.
void HandleCmdPitch(bool enterMode, bool up, bool hold);
void SetPitchCyclesCmd(bool enterMode, int32_t cycles);
void EnterPitchCyclesNN();
void HandleCmdTrans();
void HandleCmdPitchLock(bool lock);
void HandleCmdTimeShift(bool forward);
void HandleCmdRecB();
void HandleCmdRecBB();
void PrepRecordCmd();
void DeleteSeqsCmd();
void DeleteProgsCmd();
void ResetCmd();
void SetNoteQuantise(int32_t frac);
// Every FtnMap entry not held and FtnName empty.
void ClearFtnMap();

}  // namespace vel
