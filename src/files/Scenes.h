#pragma once
// Scene files: the seqs saved to and loaded from numbered MIDI files in the run-time folder's
// "Scenes" sub-folder, and loaded from the user's own numbered files ("07-Verse.mid") in the
// run-time folder itself. Asked for on the key path under EngineLock; the file itself is read or
// written once the key path has let go of the lock (RunSceneFileJob), so a slow disk never stalls
// the timer.
#include <cstdint>
#include <string>

#include "base/Atomic.h"

namespace vel {

inline constexpr int32_t kMaxScene = 99;  // scene numbers are entered with two digits

// The current scenes. Guarded by EngineLock; SceneSaved is a shared atomic, raised here and
// cleared by the status display.
struct TScenes {
  int32_t CurScene = 0;  // 0 undefined
  int32_t CurExtScene = 0;
  TAtomic<uint8_t> SceneSaved{0};
};
inline TScenes Scenes;

// The run-time folder: the setting, else ~/Vellorine.
std::string SceneRootFolder();
// <root>/Scenes/Scene-NN.mid, NN at least two digits.
std::string SceneFileName(int32_t scene);
// The first of <root>/NN-*.mid by name; the pattern itself when there is none.
std::string ExtSceneFileName(int32_t scene);

// valType: 0 the value is the scene, 1 the current scene + 1, 2 the current scene - 1 (1..99).
// Under EngineLock: the save's image is made, or the load checked, at once; a refusal is reported
// and gives false. Otherwise true: the file job waits for RunSceneFileJob, on this thread. When the
// scene is saved or loaded there it becomes the current one and doneText the status text.
bool SetSaveValue(uint8_t valType, int32_t value, bool allParts, const std::string& doneText = "");
bool SetLoadValue(uint8_t valType, int32_t value, bool allParts, bool external,
                  const std::string& doneText = "");
// Reads or writes the scene file this thread asked for, without the engine lock, then takes the
// lock to check the load again and put the seqs in. True when the scene was saved or loaded; false
// too when nothing was asked for. The key path calls it after letting go of the lock.
bool RunSceneFileJob();

// Makes the run-time folder and its "Scenes" sub-folder; an error box for each that cannot be made.
void CreateSceneFolders();

}  // namespace vel
