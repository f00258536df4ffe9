#include "files/Scenes.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/General.h"
#include "base/Messages.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "files/MidiFile.h"
#include "keys/KeyArgs.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

std::string TwoDigits(int32_t n) {
  return PadStr(std::to_string(n), -2, '0');
}

// The scene a value setter's valType asks for, from the current one.
int32_t PickScene(uint8_t valType, int32_t value, int32_t current, const char* proc) {
  switch (valType) {
    case VtAbsolute:
      return value;
    case VtInc:
      return SweepStepValue(current, false, 1, kMaxScene, false);
    case VtDec:
      return SweepStepValue(current, true, 1, kMaxScene, false);
    default:
      Msgs.ErrMsg.Set(std::string(proc) + " error: Unexpected ValType");
      return current;
  }
}

}  // namespace

std::string SceneRootFolder() {
  if (!Cfg.RunTimeSceneFolder.empty()) return Cfg.RunTimeSceneFolder;
  return GetEnvVar("HOME") + "/Vellorine";
}

std::string SceneFileName(int32_t scene) {
  return SceneRootFolder() + "/Scenes/Scene-" + TwoDigits(scene) + ".mid";
}

std::string ExtSceneFileName(int32_t scene) {
  const std::string folder = SceneRootFolder();
  const std::string prefix = TwoDigits(scene) + "-";
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() >= prefix.size() + 4 && name.rfind(prefix, 0) == 0 &&
        name.compare(name.size() - 4, 4, ".mid") == 0 && it->is_regular_file(ec))
      names.push_back(name);
  }
  // The folder's own order is arbitrary: the first by name is the scene.
  if (names.empty()) return folder + "/" + prefix + "*.mid";
  return folder + "/" + *std::min_element(names.begin(), names.end());
}

bool SetSaveValue(uint8_t valType, int32_t value, bool allParts) {
  const int32_t scene = PickScene(valType, value, Scenes.CurScene, "SetSaveValue");
  const bool ok = SaveSeqsToMidiFile(SceneFileName(scene), false, allParts);
  if (ok) {
    Scenes.CurScene = scene;
    Scenes.SceneSaved = 1;
  }
  if (allParts) DeselectAll();
  return ok;
}

bool SetLoadValue(uint8_t valType, int32_t value, bool allParts, bool external) {
  int32_t& current = external ? Scenes.CurExtScene : Scenes.CurScene;
  const int32_t scene = PickScene(valType, value, current, "SetLoadValue");
  const std::string name = external ? ExtSceneFileName(scene) : SceneFileName(scene);
  const bool ok = LoadSeqsFromMidiFile(-1, name, false, allParts);
  if (ok) {
    current = scene;
    Scenes.SceneSaved = 1;
  }
  if (allParts) DeselectAll();
  return ok;
}

void CreateSceneFolders() {
  const std::string folder = SceneRootFolder();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder)) {
      ShowMessage("Fail to create run-time data folder for scenes\r\n" + folder + "\r\n" +
                      (ec ? ec.message() : std::string("Not a directory")),
                  MsgKind::Error);
      return;
    }
  }
  const std::string scenes = folder + "/Scenes";
  ec.clear();
  if (!std::filesystem::is_directory(scenes, ec)) {
    std::filesystem::create_directory(scenes, ec);
    if (ec || !std::filesystem::is_directory(scenes)) {
      ShowMessage("Fail to create run-time scene sub-folder\r\n" + scenes + "\r\n" +
                      (ec ? ec.message() : std::string("Not a directory")),
                  MsgKind::Error);
    }
  }
}

}  // namespace vel
