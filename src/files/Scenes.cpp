#include "files/Scenes.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
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

namespace {

std::string SceneFileIn(const std::string& folder, int32_t scene) {
  return folder + "/Scenes/Scene-" + TwoDigits(scene) + ".mid";
}

std::string ExtSceneFileIn(const std::string& folder, int32_t scene) {
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

// A scene file to read or write once the key path has let go of the engine lock.
struct TSceneJob {
  bool Save = false;
  bool AllParts = false;
  bool External = false;
  int32_t Scene = 0;
  std::string Folder;  // the run-time folder when the job was asked for
  std::string DoneText;
  std::vector<uint8_t> Bytes;             // a save's image, made when it was asked for
  std::array<uint8_t, kSeqs> Selected{};  // a load into selected seqs: those selected when asked
};
// The job this thread asked for; no other thread touches it.
thread_local std::optional<TSceneJob> tSceneJob;

bool FinishSave(const TSceneJob& job) {
  const std::string name = SceneFileIn(job.Folder, job.Scene);
  PostDiagMsg("Saving seqs to MIDI file " + name);
  if (!WriteMidiFileBytes(name, job.Bytes, false)) return false;
  std::lock_guard lock(EngineLock);
  Scenes.CurScene = job.Scene;
  Scenes.SceneSaved = 1;
  if (!job.DoneText.empty()) Msgs.StatusMsg.Set(job.DoneText);
  return true;
}

bool FinishLoad(const TSceneJob& job) {
  const std::string name =
      job.External ? ExtSceneFileIn(job.Folder, job.Scene) : SceneFileIn(job.Folder, job.Scene);
  std::vector<uint8_t> bytes;
  const bool read = ReadMidiFileBytes(name, false, bytes);
  // The seqs may have started while the file was read: the load checks again under the lock.
  std::lock_guard lock(EngineLock);
  // The key that asked has gone back to live mode since, and that deselected the seqs: the load
  // goes to those selected when it was asked for, and the selection is left as it is now.
  std::array<uint8_t, kSeqs> now{};
  for (int32_t seq = 0; seq < kSeqs; ++seq) {
    now[seq] = SeqBuf(seq).Selected;
    if (!job.AllParts) SeqBuf(seq).Selected = job.Selected[seq];
  }
  const bool ok = read && LoadSeqsFromMidiBytes(bytes.data(), bytes.size(), name, false, job.AllParts);
  for (int32_t seq = 0; seq < kSeqs; ++seq) SeqBuf(seq).Selected = now[seq];
  if (ok) {
    (job.External ? Scenes.CurExtScene : Scenes.CurScene) = job.Scene;
    Scenes.SceneSaved = 1;
    if (!job.DoneText.empty()) Msgs.StatusMsg.Set(job.DoneText);
  }
  if (job.AllParts) DeselectAll();
  return ok;
}

}  // namespace

std::string SceneFileName(int32_t scene) {
  return SceneFileIn(SceneRootFolder(), scene);
}

std::string ExtSceneFileName(int32_t scene) {
  return ExtSceneFileIn(SceneRootFolder(), scene);
}

bool SetSaveValue(uint8_t valType, int32_t value, bool allParts, const std::string& doneText) {
  TSceneJob job;
  job.Save = true;
  job.Scene = PickScene(valType, value, Scenes.CurScene, "SetSaveValue");
  job.Folder = SceneRootFolder();
  job.DoneText = doneText;
  // The image is the seqs as they are now; only the writing waits.
  const bool ok = BuildMidiFileReported(false, allParts, job.Bytes);
  if (allParts) DeselectAll();
  if (ok) tSceneJob = std::move(job);
  return ok;
}

bool SetLoadValue(uint8_t valType, int32_t value, bool allParts, bool external, const std::string& doneText) {
  const int32_t current = external ? Scenes.CurExtScene : Scenes.CurScene;
  TSceneJob job;
  job.AllParts = allParts;
  job.External = external;
  job.Scene = PickScene(valType, value, current, "SetLoadValue");
  job.Folder = SceneRootFolder();
  job.DoneText = doneText;
  for (int32_t seq = 0; seq < kSeqs; ++seq) job.Selected[seq] = SeqBuf(seq).Selected;
  // A refused load reads nothing.
  if (!MidiLoadAllowed(false, allParts)) {
    if (allParts) DeselectAll();
    return false;
  }
  tSceneJob = std::move(job);
  return true;
}

bool RunSceneFileJob() {
  if (!tSceneJob) return false;
  const TSceneJob job = std::move(*tSceneJob);
  tSceneJob.reset();
  return job.Save ? FinishSave(job) : FinishLoad(job);
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
