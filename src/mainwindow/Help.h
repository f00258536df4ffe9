#pragma once
// The Help menu's texts and checks: the help documents (beside the program or installed) and their
// version, the version check's verdict, the load-lights note and the about box. Opening a file or an
// address is the caller's (the shell); GUI thread only.
#include <cstdint>
#include <functional>
#include <string>

#include "base/UiHooks.h"

namespace vel {

// What the desktop made of an open: one of the results below.
using TShellDone = std::function<void(int32_t result)>;
// Hands a path or an address to the desktop and calls done once with the result: at once, or
// later on the GUI thread when the desktop's opener has ended.
using TShellOpen = std::function<void(const std::string& target, const TShellDone& done)>;
// Opened, no such file or folder, or nothing on the desktop would open it.
inline constexpr int32_t kShellOk = 0;
inline constexpr int32_t kShellNotFound = 2;
inline constexpr int32_t kShellNoProgram = 31;
// Through open; with none, done hears that nothing would open it.
void HandToDesktop(const TShellOpen& open, const std::string& target, const TShellDone& done);

// GUI thread only.
struct THelpState {
  // The documentation check runs at the first help file of a run and never again.
  bool DocsChecked = false;
};
inline THelpState HelpState;

// One document item of the Help menu.
struct THelpDoc {
  const char* Action;  // the menu item's name
  const char* File;    // the document's file name
};
inline constexpr THelpDoc kHelpDocs[] = {
    {"mnuHelpReadFirst", "Read-First.txt"},
    {"mnuHelpQuickStart", "Quick-Start.pdf"},
    {"mnuHelpTutorial", "Tutorial.pdf"},
    {"mnuHelpOverview", "Overview.pdf"},
    {"mnuHelpAdvanced", "Advanced-Operation.pdf"},
    {"mnuHelpConfiguration", "Configuration-Guide.pdf"},
    {"mnuHelpTroubleshooting", "Troubleshooting.pdf"},
    {"mnuHelpCmdRef", "Command-Reference.pdf"},
    {"mnuHelpTemplates", "Templates.pdf"},
    {"mnuHelpModsHistory", "Mods-History.pdf"},
};
inline constexpr const char* kDocsVersionFile = "DocsVersion.txt";

// Where the documents are looked for, first to last: beside the program (a build tree), then the
// documents folder of the tree the program is installed in (bin/../share/doc/vellorine).
std::string InstalledDocsFolder(const std::string& progFolder);
// The first of those folders that holds the file name; empty when neither does.
std::string FindHelpFolder(const std::string& progFolder, const std::string& name);

// Compares "DocsVersion.txt" in docsFolder with the program's version, once per run, and warns
// when the documents may not match.
void CheckDocsVersion(const std::string& docsFolder);
// Opens a document found by FindHelpFolder, after the documentation check of its folder; a missing
// file or a failed open gives its error box.
void OpenHelpFile(const std::string& progFolder, const std::string& name, const TShellOpen& open);
// The error box's text for a file the desktop did not open; what names it ("help file", "file").
std::string OpenFailedText(const std::string& what, const std::string& path, int32_t result);
// The error box's text for a folder or an address the desktop did not open; what names it
// ("folder", "web page"). The target stands whole on a line of its own.
std::string OpenTargetFailedText(const std::string& what, const std::string& target, int32_t result);
// Opens a folder or an address; what ("folder", "video", "web page") names it in the error box.
void OpenOnDesktop(const std::string& target, const std::string& what, const TShellOpen& open);

// The version check's answer: ok false for any failure of the request, body the answer's text.
struct TVersionVerdict {
  MsgKind Kind = MsgKind::Error;
  std::string Text;
};
TVersionVerdict VersionCheckVerdict(bool ok, const std::string& body);

inline constexpr const char* kPerformanceInfoTitle = "Vellorine Performance Info";
std::string PerformanceInfoText();
inline constexpr const char* kAboutTitle = "Program Information";
std::string AboutText();

}  // namespace vel
