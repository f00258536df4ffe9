#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>
#include <array>

#include "mainwindow/Help.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/VersionCheck.h"
#include "ui_Main.h"

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
int32_t DesktopOpened(const std::string& target) {
  return ShellOpen(target);
}

}  // namespace

void TfrmMain::InstallHelpMenu() {
  VersionTextUrl = kWebBase.empty() ? std::string() : kWebBase + "/version.txt";
  VersionCheck = new TVersionCheck(this);
  connect(this, &QObject::destroyed, [check = VersionCheck] { delete check; });

  auto open = [this](const std::string& file) {
    return [this, file] { OpenHelpFile(ProgFolder, file, &DesktopOpened); };
  };
  for (const THelpDoc& doc : kHelpDocs)
    if (QAction* a = findChild<QAction*>(QString::fromLatin1(doc.Action)))
      connect(a, &QAction::triggered, this, open(doc.File));
  connect(ui->mnuHelpModsHistory, &QAction::triggered, this, open(kModsHistoryFile));

  auto openUrl = [this](const std::string& address, const char* kind) {
    return [address, kind] { OpenUrl(address, kind, &DesktopOpened); };
  };
  const bool web = !kWebBase.empty();
  for (const TVideoGroup& g : kVideoGroups) {
    QMenu* menu = findChild<QMenu*>(QString::fromLatin1(g.Menu));
    if (!menu) continue;
    for (int32_t k = 1; k <= g.Count; ++k) {
      QAction* a = menu->addAction(QString("Video &%1").arg(k));
      a->setObjectName(QString("%1%2").arg(g.Menu).arg(k));
      connect(a, &QAction::triggered, this,
              openUrl(kWebBase + "/videos/" + g.Slug + "-" + std::to_string(k), "video"));
    }
  }
  connect(ui->mnuVideoList, &QAction::triggered, this, openUrl(kWebBase + "/videos", "web page"));
  connect(ui->mnuHelpExamples, &QAction::triggered, this, openUrl(kWebBase + "/examples", "folder"));
  ui->mnuHelpVideos->menuAction()->setVisible(web);
  ui->mnuHelpExamples->setVisible(web);

  connect(ui->mnuHelpPerf, &QAction::triggered, this, [] {
    ShowMessage(PerformanceInfoText(), MsgKind::Information, MsgButtons::Ok, kPerformanceInfoTitle);
  });
  connect(ui->mnuHelpAbout, &QAction::triggered, this,
          [] { ShowMessage(AboutText(), MsgKind::Information, MsgButtons::Ok, kAboutTitle); });
  connect(ui->mnuHelpCheckProgVersion, &QAction::triggered, this, [this] { CheckProgVersion(); });
  ui->mnuHelpCheckProgVersion->setVisible(!VersionTextUrl.empty());
}

void TfrmMain::CheckProgVersion() {
  QAction* item = ui->mnuHelpCheckProgVersion;
  item->setEnabled(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  auto done = [this, item](bool ok, const std::string& body) {
    QApplication::restoreOverrideCursor();
    item->setEnabled(true);
    const TVersionVerdict verdict = VersionCheckVerdict(ok, body);
    ShowMessage(verdict.Text, verdict.Kind);
  };
  if (!VersionCheck->Start(QString::fromStdString(VersionTextUrl), VersionCheckTimeoutMs, done))
    done(false, {});
}

}  // namespace vel
