#pragma once
// The Help menu: the help files, the videos and examples on the web, the performance and about
// boxes, and the check for a newer program version.
#include <cstdint>
#include <memory>
#include <string>

#include "mainwindow/WindowRegistry.h"

class QAction;
class QMenu;

namespace vel {

class TVersionCheck;

// The menu's own items.
struct THelpWidgets {
  // The whole menu, in which the help documents' items are found by the names their rows give.
  QMenu* Help = nullptr;
  // The video groups' menus, which the menu fills.
  QMenu* Videos = nullptr;
  QAction* WordMacro = nullptr;
  QAction* VideoList = nullptr;
  QAction* Examples = nullptr;
  QAction* Perf = nullptr;
  QAction* About = nullptr;
  QAction* CheckProgVersion = nullptr;
};

class THelpMenu : public TWindow {
 public:
  // Wires the menu's items; the documents are looked for from the program's folder.
  THelpMenu(const THelpWidgets& widgets, const std::string& progFolder);
  THelpMenu(const THelpMenu&) = delete;
  THelpMenu& operator=(const THelpMenu&) = delete;
  ~THelpMenu() override;

  // Fetches the version text without blocking the window; the menu item stays disabled until the
  // answer, a failure or the time-out.
  void CheckProgVersion();
  // The version text's address (empty: no check) and the check's time-out.
  const std::string& VersionTextUrl() const { return versionTextUrl_; }
  void SetVersionSource(const std::string& url, int32_t timeoutMs);

 private:
  THelpWidgets w_;
  std::string versionTextUrl_;
  int32_t versionCheckTimeoutMs_ = 10000;
  std::unique_ptr<TVersionCheck> versionCheck_;
};

}  // namespace vel
