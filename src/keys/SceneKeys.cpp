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

void HandleLoadModeKey(uint8_t input, uint8_t code) {
  const TKeyMode mode = Keys.KeyMode.load();
  if (!IsLoadMode(mode)) return;
  // Each load entry takes its tens in its first mode, its units in the next.
  const bool first = (ModeNo(mode) - ModeNo(TKeyMode::LoadAll)) % keymode::LoadAll.Count() == 0;
  const bool all = mode < TKeyMode::LoadSel;
  const bool ext = IsExtLoadMode(mode);
  const int32_t current = ext ? Scenes.CurExtScene : Scenes.CurScene;
  switch (code) {
    case NumExtMidi:
      if (first && !ext) SetKeyMode(LoadMode(all, true));
      return;
    case NumInc:
    case NumDec: {
      const bool inc = code == NumInc;
      if (!first || current < (inc ? 1 : 2)) return;
      SetLoadValue(inc ? VtInc : VtDec, 0, all, ext, LoadText(all, ext) + (inc ? "inc" : "dec"));
      LoadDone(all);
      return;
    }
    default:
      break;
  }
  const int32_t digit = DecodeNumKey(input, code);
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

void HandleSaveModeKey(uint8_t input, uint8_t code) {
  const int32_t mode = ModeNow();
  if (mode < keymode::SaveAll.First || mode > keymode::SaveSel.Last) return;
  const bool all = keymode::SaveAll.Has(mode);
  const bool first = mode == (all ? keymode::SaveAll : keymode::SaveSel).First;
  const std::string text = SaveText(all);
  if (code == NumInc || code == NumDec) {
    const bool inc = code == NumInc;
    if (!first || Scenes.CurScene < (inc ? 1 : 2)) return;
    SetSaveValue(inc ? VtInc : VtDec, 0, all, text + (inc ? "inc" : "dec"));
    SaveDone(all);
    return;
  }
  const int32_t digit = DecodeNumKey(input, code);
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

namespace {

// The shape the part and port entries share: inc/dec, a value, or a sweep from one value to another.
struct TValueEntry {
  const char* Name;  // "Part", "Port"
  int32_t ValueMode, FromMode, ToMode;
  int32_t High;  // values 1..High
  int32_t& From;
  uint8_t& BothWays;
  bool (*Step)(bool inc);
  void (*Absolute)(int32_t zeroBased);
  void (*Sweep)(int32_t fromZeroBased, int32_t toZeroBased, bool bothWays);
};

void HandleValueEntryKey(const TValueEntry& e, uint8_t input, uint8_t code) {
  const int32_t mode = ModeNow();
  const std::string name = e.Name;
  switch (code) {
    case NumInc:
    case NumDec:
      if (e.Step(code == NumInc)) Msgs.StatusMsg.Set(name + (code == NumInc ? " inc" : " dec"));
      HoldOrReturn(e.ValueMode);
      return;
    case NumSweep1:
    case NumSweep2:
      if (mode != e.ValueMode && mode != e.FromMode) return;
      e.BothWays = code == NumSweep2 ? 1 : 0;
      EnterMode(e.FromMode);
      return;
    default:
      break;
  }
  const int32_t n = DecodeNumKey(input, code);
  if (n < 0) return;
  if (n < 1 || n > e.High) {
    ReportValueOutOfRange(name, n, 1, e.High);
    HoldOrReturn(e.ValueMode);
    return;
  }
  if (mode == e.FromMode) {
    e.From = n;
    EnterMode(e.ToMode);
    return;
  }
  if (mode == e.ToMode) {
    e.Sweep(e.From - 1, n - 1, e.BothWays != 0);
    Msgs.StatusMsg.Set(name + " sweep " + std::to_string(e.From) + (e.BothWays ? "<-->" : "-->") +
                       std::to_string(n));
  } else {
    e.Absolute(n - 1);
    Msgs.StatusMsg.Set(name + " " + std::to_string(n));
  }
  HoldOrReturn(e.ValueMode);
}

}  // namespace

void HandlePartModeKey(uint8_t input, uint8_t code) {
  const TValueEntry e{
      "Part",
      ModeNo(TKeyMode::Part),
      keymode::PartSweep.First,
      keymode::PartSweep.Last,
      2,
      SceneKeys.PartSweepFrom,
      SceneKeys.PartSweepBothWays,
      [](bool inc) { return SetPartValue(inc ? VtInc : VtDec, 0, 0, 0, false); },
      [](int32_t v) { SetPartValue(VtAbsolute, v, 0, 0, false); },
      [](int32_t a, int32_t b, bool both) { SetPartValue(VtSweep, 0, a, b, both); },
  };
  HandleValueEntryKey(e, input, code);
}

void HandlePortModeKey(uint8_t input, uint32_t, uint8_t code) {
  const TValueEntry e{
      "Port",
      ModeNo(TKeyMode::Port),
      keymode::PortSweep.First,
      keymode::PortSweep.Last,
      RunCtl.OutPortsAllocated + 1,
      SceneKeys.PortSweepFrom,
      SceneKeys.PortSweepBothWays,
      [](bool inc) {
        SetPortValue(inc ? VtInc : VtDec, 0, 0, 0, false);
        return true;
      },
      [](int32_t v) { SetPortValue(VtAbsolute, static_cast<int8_t>(v), 0, 0, false); },
      [](int32_t a, int32_t b, bool both) {
        SetPortValue(VtSweep, 0, static_cast<int8_t>(a), static_cast<int8_t>(b), both);
      },
  };
  HandleValueEntryKey(e, input, code);
}

}  // namespace vel
