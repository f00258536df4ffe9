#include "keys/SceneKeys.h"

#include <string>

#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "files/Scenes.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/ArgKeys.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/ValueEntry.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

void LoadDone(bool all) {
  Args.LoadSceneEntry = 0;
  HoldOrReturn(LoadMode(all, Cfg.LoadExtScenes != 0));
}

void SaveDone(bool all) {
  Args.SaveSceneEntry = 0;
  HoldOrReturn(SaveMode(all));
}

}  // namespace

std::string LoadText(bool all, bool ext) {
  return std::string(all ? "Load all from " : "Load from ") + (ext ? "ext scene " : "scene ");
}

std::string SaveText(bool all) {
  return all ? "Save all to scene " : "Save to scene ";
}

void HandleLoadModeKey(const TModeKey& key) {
  const TKeyMode mode = Keys.KeyMode.load();
  if (!IsLoadMode(mode)) return;
  // Each load entry takes its tens in its first mode, its units in the next.
  const bool first = (ModeNo(mode) - ModeNo(TKeyMode::LoadAll)) % keymode::LoadAll.Count() == 0;
  const bool all = mode < TKeyMode::LoadSel;
  const bool ext = IsExtLoadMode(mode);
  const int32_t current = ext ? Scenes.CurExtScene : Scenes.CurScene;
  switch (key.Code) {
    case NumExtMidi:
      if (first && !ext) SetKeyMode(LoadMode(all, true));
      return;
    case NumInc:
    case NumDec: {
      const bool inc = key.Code == NumInc;
      if (!first || current < (inc ? 1 : 2)) return;
      SetLoadValue(inc ? VtInc : VtDec, 0, all, ext, LoadText(all, ext) + (inc ? "inc" : "dec"));
      LoadDone(all);
      return;
    }
    default:
      break;
  }
  const int32_t digit = DecodeNumKey(key.Input, key.Code);
  if (digit < 0) return;
  if (first) {
    Args.LoadSceneEntry += 10 * digit;
    EnterMode(ModeNo(mode) + 1);
    return;
  }
  Args.LoadSceneEntry += digit;
  if (Args.LoadSceneEntry == 0 && current == 0) {
    Msgs.WarnMsg.Set(ext ? "Load command ignored; current ext scene undefined"
                         : "Load command ignored; current scene undefined");
  } else {
    const int32_t scene = Args.LoadSceneEntry == 0 ? current : Args.LoadSceneEntry;
    SetLoadValue(VtAbsolute, scene, all, ext, LoadText(all, ext) + std::to_string(scene));
  }
  LoadDone(all);
}

void HandleSaveModeKey(const TModeKey& key) {
  const int32_t mode = ModeNow();
  if (mode < keymode::SaveAll.First || mode > keymode::SaveSel.Last) return;
  const bool all = keymode::SaveAll.Has(mode);
  const bool first = mode == (all ? keymode::SaveAll : keymode::SaveSel).First;
  const std::string text = SaveText(all);
  if (key.Code == NumInc || key.Code == NumDec) {
    const bool inc = key.Code == NumInc;
    if (!first || Scenes.CurScene < (inc ? 1 : 2)) return;
    SetSaveValue(inc ? VtInc : VtDec, 0, all, text + (inc ? "inc" : "dec"));
    SaveDone(all);
    return;
  }
  const int32_t digit = DecodeNumKey(key.Input, key.Code);
  if (digit < 0) return;
  if (first) {
    Args.SaveSceneEntry += 10 * digit;
    EnterMode(mode + 1);
    return;
  }
  Args.SaveSceneEntry += digit;
  if (Args.SaveSceneEntry == 0 && Scenes.CurScene == 0) {
    Msgs.WarnMsg.Set("Save command ignored; current scene undefined");
  } else {
    const int32_t scene = Args.SaveSceneEntry == 0 ? Scenes.CurScene : Args.SaveSceneEntry;
    SetSaveValue(VtAbsolute, scene, all, text + std::to_string(scene));
  }
  SaveDone(all);
}

void HandlePartModeKey(const TModeKey& key) {
  HandleValueKey(TEntryValue::Part, key.Input, key.Code);
}

void HandlePortModeKey(const TModeKey& key) {
  HandleValueKey(TEntryValue::Port, key.Input, key.Code);
}

}  // namespace vel
