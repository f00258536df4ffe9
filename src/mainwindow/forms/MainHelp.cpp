#include "mainwindow/forms/MainHelp.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <array>

#include "mainwindow/Help.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/VersionCheck.h"

// The address under which the version text and the web pages lie; empty hides their items.
#ifndef VELLORINE_WEB_BASE
#define VELLORINE_WEB_BASE ""
#endif

namespace vel {

namespace {

const std::string kWebBase = VELLORINE_WEB_BASE;

// The video groups of the Help menu, with the number of videos in each.
struct TVideoGroup {
  const char* Menu;
  const char* Slug;
  int32_t Count;
};
constexpr std::array<TVideoGroup, 4> kVideoGroups{{{"mnuVideosQuickStart", "quick-start", 4},
                                                   {"mnuVideosVirtualTestDrive", "virtual-test-drive", 7},
                                                   {"mnuVideosMiscDemos", "misc-demos", 10},
                                                   {"mnuVideosSampleAid", "sample-aid", 3}}};

// Through the window's one desktop seam, which tests replace.
void DesktopOpened(const std::string& target, const TShellDone& done) {
  ShellOpen(target, done);
}

// The item of that name in the menu or its sub-menus.
QAction* ItemNamed(const QMenu& menu, const QString& name) {
  for (QAction* a : menu.actions()) {
    if (a->objectName() == name) return a;
    if (QAction* found = a->menu() ? ItemNamed(*a->menu(), name) : nullptr) return found;
  }
  return nullptr;
}

}  // namespace

THelpMenu::THelpMenu(const THelpWidgets& widgets, const std::string& progFolder)
    : w_(widgets),
      versionTextUrl_(kWebBase.empty() ? std::string() : kWebBase + "/version.txt"),
      versionCheck_(std::make_unique<TVersionCheck>(widgets.CheckProgVersion)) {
  for (const THelpDoc& doc : kHelpDocs)
    if (QAction* a = ItemNamed(*w_.Help, QString::fromLatin1(doc.Action)))
      QObject::connect(a, &QAction::triggered, a, [&progFolder, file = std::string(doc.File)] {
        OpenHelpFile(progFolder, file, &DesktopOpened);
      });
  // The word processor macro it would open does not exist on this desktop.
  w_.WordMacro->setVisible(false);

  auto openUrl = [](const std::string& address, const char* kind) {
    return [address, kind] { OpenOnDesktop(address, kind, &DesktopOpened); };
  };
  const bool web = !kWebBase.empty();
  for (const TVideoGroup& g : kVideoGroups) {
    QMenu* menu = w_.Videos->findChild<QMenu*>(QString::fromLatin1(g.Menu));
    if (!menu) continue;
    for (int32_t k = 1; k <= g.Count; ++k) {
      QAction* a = menu->addAction(QString("Video &%1").arg(k));
      a->setObjectName(QString("%1%2").arg(g.Menu).arg(k));
      QObject::connect(a, &QAction::triggered, a,
                       openUrl(kWebBase + "/videos/" + g.Slug + "-" + std::to_string(k), "video"));
    }
  }
  QObject::connect(w_.VideoList, &QAction::triggered, w_.VideoList,
                   openUrl(kWebBase + "/videos", "web page"));
  QObject::connect(w_.Examples, &QAction::triggered, w_.Examples, openUrl(kWebBase + "/examples", "folder"));
  w_.Videos->menuAction()->setVisible(web);
  w_.Examples->setVisible(web);

  QObject::connect(w_.Perf, &QAction::triggered, w_.Perf, [] {
    ShowMessage(PerformanceInfoText(), MsgKind::Information, MsgButtons::Ok, kPerformanceInfoTitle);
  });
  QObject::connect(w_.About, &QAction::triggered, w_.About,
                   [] { ShowMessage(AboutText(), MsgKind::Information, MsgButtons::Ok, kAboutTitle); });
  QObject::connect(w_.CheckProgVersion, &QAction::triggered, w_.CheckProgVersion,
                   [this] { CheckProgVersion(); });
  w_.CheckProgVersion->setVisible(!versionTextUrl_.empty());
}

THelpMenu::~THelpMenu() = default;

void THelpMenu::SetVersionSource(const std::string& url, int32_t timeoutMs) {
  versionTextUrl_ = url;
  versionCheckTimeoutMs_ = timeoutMs;
}

void THelpMenu::CheckProgVersion() {
  QAction* item = w_.CheckProgVersion;
  item->setEnabled(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  auto done = [item](bool ok, const std::string& body) {
    QApplication::restoreOverrideCursor();
    item->setEnabled(true);
    const TVersionVerdict verdict = VersionCheckVerdict(ok, body);
    ShowMessage(verdict.Text, verdict.Kind);
  };
  if (!versionCheck_->Start(QString::fromStdString(versionTextUrl_), versionCheckTimeoutMs_, done))
    done(false, {});
}

}  // namespace vel
