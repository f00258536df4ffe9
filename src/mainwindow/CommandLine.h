#pragma once
// The command line and the choice of the starting settings file. Pure but for the file test,
// which tests hand in; the boxes are the caller's (ShowParamSyntax).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vel {

// What the command line asked for. Parameters are read in order; the first faulty one ends the
// reading, and start-up goes on with what was gathered before it.
struct TCommandLine {
  std::string ConfigFileName;  // "/c" value; empty: none named
  std::string MidiFileName;    // "/m" value
  int32_t DelaySecs = 0;       // "/d" value
  bool Factory = false;        // "/r": no settings file is read
  bool ShowSyntax = false;     // a fault or "/?", "/h": the syntax box is due
  bool Help = false;           // "/?", "/h", "-h" or "--help": the syntax, asked for
  std::string Fault;           // the fault's message; empty with "/?" or when all was well
};

using TFileTest = std::function<bool(const std::string& path)>;
// An existing file that is not a folder.
bool IsExistingFile(const std::string& path);

// params: the arguments after the program's own name. An argument that names an existing file,
// or a path with a folder in it, is a file named on its own rather than a switch.
TCommandLine ParseCommandLine(const std::vector<std::string>& params,
                              const TFileTest& fileExists = IsExistingFile);

// The start-up delay in ms; 64 bits, so long delays do not wrap.
int64_t StartupDelayMs(const TCommandLine& cl);

// The starting files.
struct TConfigChoice {
  std::string ConfigFileName;  // empty: factory settings
  std::string MidiFileName;    // empty: none
  bool DefaultUsed = false;    // the default settings file was found: an auto-run may follow
  std::string ConfigFault;     // for ShowParamSyntax, empty when none
  std::string MidiFault;
};

// dataFolder ends in "/"; it holds the default file "SeqDefaults.txt".
TConfigChoice ChooseConfig(const TCommandLine& cl, const std::string& dataFolder,
                           const TFileTest& fileExists);

// The syntax box's text: message + two line breaks (nothing when message is empty), then the help.
std::string ParamSyntaxText(const std::string& message);
// Shows ParamSyntaxText(message) in an error box.
void ShowParamSyntax(const std::string& message);
// The help as a terminal prints it: lines ended by LF alone.
std::string ParamSyntaxLines();

}  // namespace vel
