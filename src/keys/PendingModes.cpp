#include "keys/PendingModes.h"

// Placeholder bodies.

namespace vel {

void HandleRecModeKey(int8_t, uint32_t, uint32_t, bool, bool, bool) {}
void HandleStepRecModeKey(int8_t, uint32_t, uint32_t, bool, bool, bool) {}
void HandleRecBarsStopKey(uint8_t, uint32_t, uint8_t) {}
void HandleRecBarsNModeKey(uint8_t, uint8_t) {}
void HandleRecBarsNNModeKey(uint8_t, uint8_t) {}
void HandleCycleModeKey(uint8_t, uint8_t) {}
void HandleVelModeKey(uint8_t, uint8_t) {}
void HandleMetrStyleModeKey(uint8_t, uint8_t) {}
void HandleLoadModeKey(uint8_t, uint8_t) {}
void HandleSaveModeKey(uint8_t, uint8_t) {}
void HandleTempoSlewModeKey(uint8_t, uint8_t) {}
void HandleTempoDivModeKey(uint8_t, uint8_t) {}
void HandlePartModeKey(uint8_t, uint8_t) {}
void HandlePortModeKey(uint8_t, uint32_t, uint8_t) {}
void HandleTimeSigModeKey(uint8_t, uint8_t) {}
void HandleTimeShiftModeKey(uint8_t, uint8_t) {}
void HandleQuantModeKey(uint8_t, uint8_t) {}
void HandleFtsRootModeKey(uint32_t, uint8_t) {}
void HandleFtsTypeModeKey(uint32_t, uint8_t) {}
void HandlePitchModeKey(uint32_t, int32_t, uint8_t) {}
void HandlePitchCyclesModeKey(uint32_t, uint8_t) {}
void HandleMetrNoteModeKey(uint32_t, uint8_t) {}
void SetMetrBarBeat(uint32_t, uint8_t) {}
void SetLoadValue(uint8_t) {}
void SetSaveValue(uint8_t) {}
void SetScaleValue(int32_t, uint8_t) {}

}  // namespace vel
