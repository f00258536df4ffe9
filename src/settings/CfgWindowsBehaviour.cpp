#include "settings/CfgWindowsBehaviour.h"

#include <algorithm>
#include <set>

#include "settings/CfgBinding.h"
#include "settings/Settings.h"

namespace vel {

THotkeyDirectory& HotkeyDirectory() {
  static THotkeyDirectory directory;
  return directory;
}

std::vector<std::string> ListHotkeyTargetTitles(const THotkeyDirectory& directory) {
  std::vector<std::string> titles;
  std::set<keys::WindowId> found;
  for (const keys::TitledWindow& w : directory.List()) {
    if (w.title.empty()) continue;
    const keys::WindowId id = directory.Find(w.title);
    if (id == 0 || !found.insert(id).second) continue;
    titles.push_back(w.title);
  }
  std::sort(titles.begin(), titles.end());
  return titles;
}

THotkeyTarget HotkeyTargetShown(const THotkeySettings& s) {
  if (s.DisableHotkeys) return THotkeyTarget::Disabled;
  return s.HotkeysTargetActiveWin ? THotkeyTarget::ActiveWindow : THotkeyTarget::NamedWindow;
}

THotkeySettings ChooseHotkeyTarget(THotkeySettings s, THotkeyTarget target, const std::string* title) {
  switch (target) {
    case THotkeyTarget::Disabled:
      s.DisableHotkeys = 1;
      break;
    case THotkeyTarget::ActiveWindow:
      s.HotkeysTargetActiveWin = 1;
      s.DisableHotkeys = 0;
      break;
    case THotkeyTarget::NamedWindow:
      if (title) s.HotkeysTargetWinName = *title;
      s.HotkeysTargetActiveWin = 0;
      s.DisableHotkeys = 0;
      break;
  }
  return s;
}

std::string HotkeyTargetMissingText(const std::string& name) {
  if (name.empty())
    return "Hotkeys off: pick the nominated window in the list first (Refresh lists the open windows)";
  return "Hotkeys off: nominated window '" + name + "' not found (Refresh lists the open windows)";
}

const std::vector<int32_t>& StepLenFracs() {
  static const std::vector<int32_t> fracs{1, 2, 3, 4, 5, 6, 8, 12, 16, 20, 24, 32, 48, 64};
  return fracs;
}

const std::vector<int32_t>& GatePercents() {
  static const std::vector<int32_t> percents{5, 25, 50, 75, 95, 99};
  return percents;
}

int32_t StepLenButton(int32_t noteLenFrac) {
  const auto& f = StepLenFracs();
  return std::find(f.begin(), f.end(), noteLenFrac) != f.end() ? noteLenFrac : 8;
}

int32_t GateButton(int32_t noteOnPercent) {
  const auto& g = GatePercents();
  return std::find(g.begin(), g.end(), noteOnPercent) != g.end() ? noteOnPercent : 75;
}

THotkeySettings HotkeySettings() {
  return {Cfg.DisableHotkeys, Cfg.HotkeysTargetActiveWin, Cfg.HotkeysTargetWinName};
}

void StoreHotkeySettings(const THotkeySettings& s) {
  std::lock_guard lock(EngineLock);
  Cfg.DisableHotkeys = s.DisableHotkeys;
  Cfg.HotkeysTargetActiveWin = s.HotkeysTargetActiveWin;
  Cfg.HotkeysTargetWinName = s.HotkeysTargetWinName;
}

void StoreHotkeyTargetName(const std::string& title) {
  StoreLocked(Cfg.HotkeysTargetWinName, title);
}

}  // namespace vel
