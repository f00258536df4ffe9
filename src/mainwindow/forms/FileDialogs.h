#pragma once
// The main window's roads to the desktop: the open and save dialogs and the shell's opening of a
// file or folder. Each runs through a hook that tests replace, so no test waits on a dialog or
// starts a desktop program.
#include <cstdint>
#include <functional>
#include <string>

#include "mainwindow/FileMenus.h"
#include "mainwindow/Help.h"

class QFileDialog;
class QWidget;

namespace vel {

struct TDesktopHooks {
  // The chosen file with its full path; empty when cancelled.
  std::function<std::string(const TFileDialog& dialog)> FileDialog;
  // Opens the file, folder or web address with the desktop's program for it; done hears one of
  // the shell's results (kShellOk...) once the desktop has answered.
  TShellOpen ShellOpen;
  // The colour dialog preset to current (a settings colour, $00BBGGRR or a system colour); true
  // with the chosen colour in picked, false when cancelled.
  std::function<bool(uint32_t current, uint32_t& picked)> ColourDialog;
};
// The hooks in force; the defaults show the toolkit's dialog and ask the desktop.
TDesktopHooks& Desktop();

// The toolkit's own file dialog with its Size column wide enough for every size it writes (the
// view's text width of the widest, with the cell's margins).
void WidenSizeColumn(QFileDialog& dialog);
int32_t SizeColumnWidth(const QWidget& view);

inline std::string RunFileDialog(const TFileDialog& dialog) {
  return Desktop().FileDialog(dialog);
}
inline void ShellOpen(const std::string& path, const TShellDone& done) {
  HandToDesktop(Desktop().ShellOpen, path, done);
}

}  // namespace vel
