#include "mainwindow/Help.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/DiagLog.h"
#include "base/Formats.h"
#include "base/Showing.h"
#include "files/MidiFile.h"
#include "mainwindow/Caption.h"
#include "platform/Version.h"

namespace vel {

namespace {

constexpr const char* kOutOfDate = "The help/doc file contents *may* be out of date\r\n";
// The documents install with the program, so a mismatch is mended by installing it again.
constexpr const char* kReinstallDocs =
    "Please install Vellorine again: its package installs the documentation that matches it\r\n"
    "to the same folder and menu location as the program";

void Log(const std::string& text) {
  if (Trace.DiagFlags) DiagLogTimed(text);
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A version text is digits and dots; anything else from the server is not shown to the user.
bool IsVersionText(const std::string& text) {
  return !text.empty() && text.size() <= 16 &&
         std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

void HandToDesktop(const TShellOpen& open, const std::string& target, const TShellDone& done) {
  if (open) {
    open(target, done);
  } else {
    done(kShellNoProgram);
  }
}

std::string InstalledDocsFolder(const std::string& progFolder) {
  return (std::filesystem::path(progFolder) / "../share/doc/vellorine").lexically_normal().string();
}

std::string FindHelpFolder(const std::string& progFolder, const std::string& name) {
  for (const std::string& folder : {progFolder, InstalledDocsFolder(progFolder)}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder + "/" + name, ec)) return folder;
  }
  return {};
}

void CheckDocsVersion(const std::string& docsFolder) {
  if (HelpState.DocsChecked) return;
  HelpState.DocsChecked = true;
  const std::string path = docsFolder + "/" + kDocsVersionFile;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    Log("Documentation version file not found \r\n" + path);
    ShowMessage(
        std::string(kOutOfDate) +
            "The documentation package is not installed (or not installed to correct folder)\r\n\r\n" +
            FormatFileMsg("Looked for", path) + "\r\n" + kReinstallDocs,
        MsgKind::Warning);
    return;
  }
  std::string line;
  std::ifstream in(path);
  if (!in || !std::getline(in, line)) {
    Log("Unable to check documentation version; error reading \r\n" + path);
    line.clear();
  }
  line = Trim(line);
  const int32_t docs = CfgVersionToInt(line).value_or(0);
  const int32_t prog = CfgVersionToInt(version::VersionText()).value_or(0);
  if (docs == 0) {
    Log("Unable to extract documentation version from \r\n" + path);
    ShowMessage(std::string(kOutOfDate) +
                    "Unable to determine documention version, so the doc package may not be installed "
                    "correctly\r\n\r\n" +
                    kReinstallDocs,
                MsgKind::Warning);
  } else if (prog > docs) {
    ShowMessage(std::string(kOutOfDate) + "The installed documentation package is for an older Vellorine " +
                    line + "\r\n\r\n" + kReinstallDocs,
                MsgKind::Warning);
  } else if (prog < docs) {
    ShowMessage(
        "The help/doc file contents *may* be incorrect\r\nThe installed documentation package is for a newer "
        "Vellorine " +
            line + "\r\n\r\n" + kReinstallDocs,
        MsgKind::Warning);
  }
}

void OpenHelpFile(const std::string& progFolder, const std::string& name, const TShellOpen& open) {
  const std::string folder = FindHelpFolder(progFolder, name);
  if (folder.empty()) {
    ShowMessage(FormatFileMsg("Can't find help file", progFolder + "/" + name) + "\r\nnor in folder " +
                    InstalledDocsFolder(progFolder) +
                    "\r\n\r\nThe documentation is not installed: it installs with Vellorine\r\n"
                    "to the same folder and menu location as the main program",
                MsgKind::Error);
    return;
  }
  CheckDocsVersion(folder);
  const std::string path = folder + "/" + name;
  HandToDesktop(open, path, [path](int32_t result) {
    if (result != kShellOk) ShowMessage(OpenFailedText("help file", path, result), MsgKind::Error);
  });
}

std::string OpenFailedText(const std::string& what, const std::string& path, int32_t result) {
  if (result == kShellNotFound) return FormatFileMsg("Can't find " + what, path);
  if (result != kShellNoProgram)
    return FormatFileMsg("Error " + std::to_string(result) + " opening " + what, path);
  const std::string ext = std::filesystem::path(path).extension().string();
  const std::string kind = ext.empty() ? "this kind of file" : ext + " files";
  return FormatFileMsg("No program was found to open " + what, path) +
         "\r\n\r\nThe desktop has no program set to open " + kind +
         ".\r\nOpen the file by hand from that folder, or install a program for it.";
}

std::string OpenTargetFailedText(const std::string& what, const std::string& target, int32_t result) {
  const std::string named = what + "\r\n" + target;
  if (result == kShellNotFound) return "Can't find " + named;
  if (result != kShellNoProgram) return "Error " + std::to_string(result) + " opening " + named;
  const bool address = target.find("://") != std::string::npos;
  return "No program was found to open " + named +
         (address ? "\r\n\r\nThe desktop has no web browser set to open web addresses.\r\n"
                    "Open the address by hand in a web browser."
                  : "\r\n\r\nThe desktop has no file manager set to open folders.\r\n"
                    "Open the folder by hand in a file manager.");
}

void OpenOnDesktop(const std::string& target, const std::string& what, const TShellOpen& open) {
  HandToDesktop(open, target, [target, what](int32_t result) {
    if (result != kShellOk) ShowMessage(OpenTargetFailedText(what, target, result), MsgKind::Error);
  });
}

TVersionVerdict VersionCheckVerdict(bool ok, const std::string& body) {
  const std::string latest = Trim(body);
  const int32_t l = ok && IsVersionText(latest) ? CfgVersionToInt(latest).value_or(0) : 0;
  if (l == 0)
    return {MsgKind::Error,
            "Unable to determine latest version on the internet\r\n"
            "Please try again later, or look for the latest version on the Vellorine web site\r\n\r\n"};
  if (CfgVersionToInt(version::VersionText()).value_or(0) < l)
    return {MsgKind::Information, "Later version " + latest + " is available\r\n" +
                                      "Please download and install both Vellorine and Documentation packages "
                                      "from the Vellorine web site"};
  return {MsgKind::Information, "Vellorine is up to date"};
}

std::string PerformanceInfoText() {
  return "The Load lights show which functions are struggling.\r\n"
         "If lights stay on, adjust refresh intervals and/or reduce items displayed."
         "\r\n\r\n"
         "Displayed items are controlled via View & Settings menus."
         "\r\n"
         "Some refresh intervals are under 'Settings, Performance', others are in the config file."
         "\r\n"
         "Use 'Config, Save' to create a config file if necessary, then edit & reload it.";
}

std::string AboutText() {
  return ProgVersionText(true, true) +
         "\r\n\r\nLive hands-on MIDI sequencer/looper\r\n\r\n"
         "Converts an ordinary MIDI keyboard/controller into a live\r\n"
         "instrument for real-time multi-track recording & playback"
         "\r\n\r\nConforms to Tarlo v4 sysex protocol"
         "\r\n\r\nConcept & Design by the Vellorine developers"
         "\r\n\r\nThanks to the following for their enthusiasm & suggestions:-\r\n"
         "the players who tried it out and told us what they found"
         "\r\n\r\nSee the documentation package for contact details and updates";
}

}  // namespace vel
