#include "mainwindow/CommandLine.h"

#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/Formats.h"
#include "base/UiHooks.h"

namespace vel {

namespace {

// A whole decimal number with an optional sign, in 32 bits; nothing else around it.
bool ParseDecimal(const std::string& text, int32_t& value) {
  const std::optional<int32_t> v = ParseInt(text, {.Blanks = false});
  if (v) value = *v;
  return v.has_value();
}

bool IsSwitchShaped(const std::string& param) {
  return param.size() >= 2 && (param[0] == '/' || param[0] == '-');
}

// A name with a folder in it, never a switch: "/home/u/set.txt", "Songs/groove.mid". Every
// absolute path starts with "/", so the folder tells it from "/m" or "/h".
bool IsPath(const std::string& param) {
  return !param.empty() && param[0] != '-' && param.find('/', 1) != std::string::npos;
}

// "/c/home/u/set.txt" is what the shell leaves of /c"/home/u/set.txt": a switch with a path.
bool IsNameSwitchWithPath(const std::string& param, const TFileTest& fileExists) {
  if (param.size() < 3 || param[0] != '/') return false;
  const char letter = char(std::tolower(static_cast<unsigned char>(param[1])));
  if (letter != 'c' && letter != 'm') return false;
  return param[2] == '/' || fileExists(param.substr(2));
}

bool IsMidiFileName(const std::string& name) {
  auto endsWith = [&name](std::string_view tail) {
    if (name.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(name[name.size() - tail.size() + i])) != tail[i])
        return false;
    return true;
  };
  return endsWith(".mid") || endsWith(".midi");
}

// The switch's value: what follows its letter, else the next parameter unless that is a switch
// itself ("-m song.mid"); i then moves past it.
std::string SwitchValue(const std::vector<std::string>& params, std::size_t& i, const TFileTest& fileExists) {
  const std::string value = params[i].substr(2);
  if (!value.empty() || i + 1 >= params.size()) return value;
  const std::string& next = params[i + 1];
  int32_t number = 0;
  const bool isDelay = params[i][1] == 'd' || params[i][1] == 'D';
  if (IsSwitchShaped(next) && !IsPath(next) && !fileExists(next) && !(isDelay && ParseDecimal(next, number)))
    return value;
  ++i;
  return next;
}

bool AskHelp(TCommandLine& cl) {
  cl.ShowSyntax = true;
  cl.Help = true;
  return false;
}

// Reads the switch params[i] (and its value). False ends the reading: a fault or the help.
bool ReadSwitch(TCommandLine& cl, const std::vector<std::string>& params, std::size_t& i,
                const TFileTest& fileExists) {
  auto fail = [&cl](std::string text) {
    cl.Fault = std::move(text);
    cl.ShowSyntax = true;
    return false;
  };
  const std::string& param = params[i];
  // The long form every Linux program answers.
  if (param == "--help") return AskHelp(cl);
  if (param.size() < 2) return fail("Invalid parameter '" + param + "'");
  if (param[0] != '/' && param[0] != '-') return fail("Invalid param prefix '" + param.substr(0, 1) + "'");
  const char letter = param[1];
  if (letter == 'c' || letter == 'C') {
    cl.ConfigFileName = SwitchValue(params, i, fileExists);
  } else if (letter == 'm' || letter == 'M') {
    cl.MidiFileName = SwitchValue(params, i, fileExists);
  } else if (letter == 'd' || letter == 'D') {
    const std::string value = SwitchValue(params, i, fileExists);
    if (!ParseDecimal(value, cl.DelaySecs))
      return fail("Startup delay parameter error; invalid number '" + value + "'");
  } else if (letter == 'r' || letter == 'R') {
    cl.Factory = true;
  } else if (letter == '?' || letter == 'h' || letter == 'H') {
    return AskHelp(cl);
  } else {
    return fail("Invalid param switch '" + param.substr(1, 1) + "'");
  }
  return true;
}

}  // namespace

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

TCommandLine ParseCommandLine(const std::vector<std::string>& params, const TFileTest& fileExists) {
  TCommandLine cl;
  for (std::size_t i = 0; i < params.size(); ++i) {
    const std::string& param = params[i];
    // A file named on its own: a MIDI file by its name, any other the settings file. A missing
    // one is reported by ChooseConfig, as for "/c" and "/m".
    if (fileExists(param) || (IsPath(param) && !IsNameSwitchWithPath(param, fileExists))) {
      (IsMidiFileName(param) ? cl.MidiFileName : cl.ConfigFileName) = param;
    } else if (!ReadSwitch(cl, params, i, fileExists)) {
      break;
    }
  }
  return cl;
}

int64_t StartupDelayMs(const TCommandLine& cl) {
  return cl.DelaySecs > 0 ? int64_t(cl.DelaySecs) * 1000 : 0;
}

TConfigChoice ChooseConfig(const TCommandLine& cl, const std::string& dataFolder,
                           const TFileTest& fileExists) {
  TConfigChoice choice;
  if (cl.Factory) {
    // A factory start drops any "/c" name.
  } else if (!cl.ConfigFileName.empty()) {
    if (fileExists(cl.ConfigFileName)) {
      choice.ConfigFileName = cl.ConfigFileName;
    } else if (fileExists(cl.ConfigFileName + ".txt")) {
      choice.ConfigFileName = cl.ConfigFileName + ".txt";
    } else {
      choice.ConfigFault = "Config file specified in parameter list not found\r\n" + cl.ConfigFileName;
    }
  } else {
    const std::string def = dataFolder + "SeqDefaults.txt";
    if (fileExists(def)) {
      choice.ConfigFileName = def;
      choice.DefaultUsed = true;
    }
  }
  if (!cl.MidiFileName.empty()) {
    if (fileExists(cl.MidiFileName)) {
      choice.MidiFileName = cl.MidiFileName;
    } else {
      choice.MidiFault = "Midi file specified in parameter list not found\r\n" + cl.MidiFileName;
    }
  }
  return choice;
}

std::string ParamSyntaxText(const std::string& message) {
  std::string text = message.empty() ? "" : message + "\r\n\r\n";
  // Each line is short enough to stand whole in a box, and an example runs on over the next line
  // the way a shell reads it.
  text +=
      "Syntax: vellorine [/c<config filename>] [/m<midi filename>] [/d<secs>] [/r] [<filename>]\r\n"
      "  /d - startup delay for turnkey operation; e.g. allows slow USB drivers to start\r\n"
      "  /r - reset to factory, ignoring config file, e.g. if corrupted\r\n"
      "  '-' may stand for '/', and a switch's value may be the next parameter\r\n"
      "  A filename on its own is the midi file if it ends in .mid or .midi, else the config file\r\n"
      "  Use double quotes around filenames if they contain spaces\r\n"
      "  e.g. 1: vellorine /c\"/home/user/.config/Vellorine/Studio.txt\"\r\n"
      "  e.g. 2: vellorine -c \"/home/user/Seq Configs/Live Set.txt\" \\\r\n"
      "            -m \"/home/user/Midi Files/Groove1.mid\" -d 5\r\n"
      "  e.g. 3: vellorine \"/home/user/Midi Files/Groove1.mid\"";
  return text;
}

void ShowParamSyntax(const std::string& message) {
  ShowMessage(ParamSyntaxText(message), MsgKind::Error, MsgButtons::Ok);
}

std::string ParamSyntaxLines() {
  std::string text = ParamSyntaxText("");
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') lines += text[i];
  return lines + "\n";
}

}  // namespace vel
