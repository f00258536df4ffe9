#include "mainwindow/Caption.h"

#include "platform/Version.h"
#include "settings/Settings.h"

namespace vel {

std::string ProgVersionText(bool withVersion, bool withBuild) {
  std::string text = "Vellorine";
  if (!withVersion) return text;
  text += " " + version::VersionText();
  if (withBuild) text += " (build " + std::to_string(version::BuildNumber()) + ")";
  return text;
}

std::string SetMainCaption(const std::string& configFileName) {
  std::string text = ProgVersionText(Cfg.DspProgVersionReqd != 0, false);
  if (Cfg.StandardMode == 0) text += "  < novice mode > ";
  if (!configFileName.empty()) {
    const std::size_t slash = configFileName.find_last_of('/');
    std::string name = slash == std::string::npos ? configFileName : configFileName.substr(slash + 1);
    // A name without an extension shows whole; so does a hidden file's (".name").
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    text += " " + name;
  }
  return text;
}

std::string StartupDelayWaitText(int32_t secs) {
  return "Startup delay " + std::to_string(secs) + " secs (via /d parameter)...";
}

TPoint WaitMessagePos(int32_t panelWidth, int32_t panelHeight, int32_t labelWidth, int32_t labelHeight) {
  return {(panelWidth - labelWidth) / 2, (panelHeight - labelHeight) / 2};
}

}  // namespace vel
