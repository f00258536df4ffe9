#include "mainwindow/forms/FileDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "mainwindow/forms/Colours.h"

namespace vel {

namespace {

std::string ToolkitFileDialog(const TFileDialog& d) {
  QFileDialog dlg(QApplication::activeWindow(), QString::fromStdString(d.Title),
                  QString::fromStdString(d.Folder), QString::fromStdString(QtFileFilter(d.Filter)));
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

TDesktopHooks& Desktop() {
  static TDesktopHooks hooks{&ToolkitFileDialog, &DesktopOpen, &ToolkitColourDialog};
  return hooks;
}

}  // namespace vel
