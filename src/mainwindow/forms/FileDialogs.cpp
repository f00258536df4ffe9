#include "mainwindow/forms/FileDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "mainwindow/forms/Colours.h"

namespace vel {

namespace {

std::string ToolkitFileDialog(const TFileDialog& d) {
  QFileDialog dlg(QApplication::activeWindow(), QString::fromStdString(d.Title),
                  QString::fromStdString(d.Folder), QString::fromStdString(QtFileFilter(d.Filter)));
  WidenSizeColumn(dlg);
  dlg.setAcceptMode(d.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(d.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setDefaultSuffix(QString::fromStdString(d.DefaultExt));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return QFileInfo(dlg.selectedFiles().constFirst()).absoluteFilePath().toStdString();
}

// The desktop's opener is run and waited for without blocking: it says by its exit status whether
// anything opened the file (xdg-open exits 3 when no program is set for the type), where the
// toolkit's own open counts a started opener as success. Without xdg-open the toolkit's open is
// all there is.
void DesktopOpen(const std::string& path, const TShellDone& done) {
  const QString target = QString::fromStdString(path);
  QString argument = target;
  if (!target.contains("://")) {
    const QFileInfo info(target);
    if (!info.exists()) {
      done(kShellNotFound);
      return;
    }
    argument = info.absoluteFilePath();
  }
  const QString opener = QStandardPaths::findExecutable("xdg-open");
  if (opener.isEmpty()) {
    const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(argument);
    done(QDesktopServices::openUrl(url) ? kShellOk : kShellNoProgram);
    return;
  }
  // Not parented: an opener that runs the viewer in the foreground outlives a closing program
  // rather than taking the viewer down with it.
  auto* run = new QProcess;
  run->setProgram(opener);
  run->setArguments({argument});
  // Its notes go to our terminal as they did, and a long-running viewer never fills a pipe.
  run->setProcessChannelMode(QProcess::ForwardedChannels);
  run->setStandardInputFile(QProcess::nullDevice());
  auto end = [run, done](int32_t result) {
    run->disconnect();
    run->deleteLater();
    done(result);
  };
  QObject::connect(run, &QProcess::errorOccurred, run, [end](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) end(kShellNoProgram);
  });
  QObject::connect(run, &QProcess::finished, run, [end](int code, QProcess::ExitStatus status) {
    end(status == QProcess::NormalExit && code == 0 ? kShellOk : kShellNoProgram);
  });
  run->start();
}

bool ToolkitColourDialog(uint32_t current, uint32_t& picked) {
  const QColor c =
      QColorDialog::getColor(ToQColor(current, QApplication::palette()), QApplication::activeWindow(),
                             QString(), QColorDialog::DontUseNativeDialog);
  if (!c.isValid()) return false;
  picked = Rgb(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
  return true;
}

}  // namespace

int32_t SizeColumnWidth(const QWidget& view) {
  // The widest size the list writes: just under each unit's next step.
  int32_t widest = 0;
  for (qint64 bytes = 1023; bytes > 0 && bytes < (qint64{1} << 50); bytes = bytes * 1024 + 1023)
    widest =
        std::max(widest, view.fontMetrics().horizontalAdvance(QLocale::system().formattedDataSize(bytes)));
  // A view's cell keeps a margin each side of its text.
  const int32_t margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
  return widest + 2 * margin;
}

void WidenSizeColumn(QFileDialog& dialog) {
  // The toolkit's own dialog (no desktop one) lists the files in a tree whose narrow Size column
  // cut "617 bytes" to "617…tes".
  auto* tree = dialog.findChild<QTreeView*>("treeView");
  if (!tree) return;
  QHeaderView* header = tree->header();
  constexpr int kSizeColumn = 1;
  header->resizeSection(kSizeColumn, std::max(header->sectionSize(kSizeColumn), SizeColumnWidth(*tree)));
}

TDesktopHooks& Desktop() {
  static TDesktopHooks hooks{&ToolkitFileDialog, &DesktopOpen, &ToolkitColourDialog};
  return hooks;
}

}  // namespace vel
