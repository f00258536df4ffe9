#pragma once
// The Help menu: the help files, the videos and examples on the web, the performance and about
// boxes, and the check for a newer program version.
#include <cstdint>
#include <memory>
#include <string>

#include "mainwindow/forms/MainArea.h"

namespace vel {

class TVersionCheck;

class THelpMenu : public TMainArea {
 public:
  // Wires the menu's items.
  explicit THelpMenu(TfrmMain& form);
  ~THelpMenu() override;

  // Fetches the version text without blocking the window; the menu item stays disabled until the
  // answer, a failure or the time-out.
  void CheckProgVersion();
  // The version text's address (empty: no check) and the check's time-out.
  const std::string& VersionTextUrl() const { return versionTextUrl_; }
  void SetVersionSource(const std::string& url, int32_t timeoutMs);

 private:
  std::string versionTextUrl_;
  int32_t versionCheckTimeoutMs_ = 10000;
  std::unique_ptr<TVersionCheck> versionCheck_;
};

}  // namespace vel
