#include "keys/Commands.h"

// Placeholder bodies.

namespace vel {

void ExecCommand(uint8_t, uint32_t, uint8_t) {}
void SetPlayMuteCycles(bool, int32_t, int32_t, bool, bool) {}
void HandleCmdPyMuTog(int32_t, int32_t, bool) {}
bool DPressCheck(const std::string&, int32_t&) {
  return false;
}
bool CheckSelTransport() {
  return false;
}
bool CheckSelPitch() {
  return false;
}
bool CheckSelTime() {
  return false;
}
bool CheckSelMidi() {
  return false;
}
bool CheckSelReset() {
  return false;
}
bool CheckSelDelete() {
  return false;
}
bool CheckSelPart() {
  return false;
}
void HandleCmdPort(uint8_t, uint32_t, uint8_t) {}
void HandleCmdChan(uint8_t, uint32_t, uint8_t) {}
void HandleCmdProg(uint8_t) {}
void HandleCmdVel(uint8_t) {}
void HandleCmdPart(uint8_t) {}
void HandleCmdTempo(uint8_t) {}
void HandleCmdLoad(uint8_t, bool) {}
void HandleCmdSave(uint8_t, bool) {}
void HandleCmdPitch(bool, bool, bool) {}
void SetPitchCyclesCmd(bool, int32_t) {}
void EnterPitchCyclesNN() {}
void HandleCmdTrans() {}
void HandleCmdPitchLock(bool) {}
void HandleCmdTimeShift(bool) {}
void HandleCmdRecB() {}
void HandleCmdRecBB() {}
void PrepRecordCmd() {}
void DeleteSeqsCmd() {}
void DeleteProgsCmd() {}
void ResetCmd() {}
void SetNoteQuantise(int32_t) {}
void ClearFtnMap() {}

}  // namespace vel
