#pragma once
// The argument keys of the scene load and save modes, and of the part and port modes with their
// sweeps (on the value-entry engine). Key path thread under EngineLock.
#include <cstdint>
#include <string>

#include "keys/ModeKey.h"

namespace vel {

// The sweep entries' first ends and styles. Guarded by EngineLock.
struct TSceneKeys {
  int32_t PartSweepFrom = 0;
  int32_t PortSweepFrom = 0;
  uint8_t PartSweepBothWays = 0;  // "<-->" rather than "-->"
  uint8_t PortSweepBothWays = 0;
};
inline TSceneKeys SceneKeys;

// The heads of the load and save status texts; the scene, "inc" or "dec" follows.
std::string LoadText(bool all, bool ext);
std::string SaveText(bool all);

void HandleLoadModeKey(const TModeKey& key);
void HandleSaveModeKey(const TModeKey& key);
void HandlePartModeKey(const TModeKey& key);
void HandlePortModeKey(const TModeKey& key);

}  // namespace vel
