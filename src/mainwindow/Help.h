#pragma once
// The Help menu's texts and checks: the help documents beside the program and their version, the
// version check's verdict, the load-lights note and the about box. Opening a file or an address is
// the caller's (the shell); GUI thread only.
#include <functional>
#include <string>

#include "base/UiHooks.h"

namespace vel {

// Hands a path or an address to the desktop: 0 when it opened, else the error number the boxes
// show (2: not found, 31: nothing on the desktop opens it).
using TShellOpen = std::function<int32_t(const std::string& target)>;

// GUI thread only.
struct THelpState {
  // The documentation check runs at the first help file of a run and never again.
  bool DocsChecked = false;
};
inline THelpState HelpState;

// One documentation item of the Help menu.
struct THelpDoc {
  const char* Action;  // the menu item's name
  const char* File;    // the document in the program's folder
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
    {"mnuHelpWordMacro", "Template-Macro.pdf"},
};
inline constexpr const char* kModsHistoryFile = "Mods-History.pdf";
inline constexpr const char* kDocsVersionFile = "DocsVersion.txt";

// Compares "DocsVersion.txt" in progFolder with the program's version, once per run, and warns
// when the documents may not match.
void CheckDocsVersion(const std::string& progFolder);
// Opens a document of the program's folder, after the documentation check; a missing file or a
// failed open gives its error box. True when opened.
bool OpenHelpFile(const std::string& progFolder, const std::string& name, const TShellOpen& open);
// Opens an address; kind ("video", "folder", "web page") names it in the error box.
bool OpenUrl(const std::string& address, const std::string& kind, const TShellOpen& open);

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
