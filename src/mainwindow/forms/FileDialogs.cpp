#include "mainwindow/forms/FileDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
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

int32_t DesktopOpen(const std::string& path) {
  const QString target = QString::fromStdString(path);
  if (target.contains("://")) return QDesktopServices::openUrl(QUrl(target)) ? kShellOk : kShellNoProgram;
  const QFileInfo info(target);
  if (!info.exists()) return kShellNotFound;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kShellOk : kShellNoProgram;
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
