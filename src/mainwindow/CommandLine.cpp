#include "mainwindow/CommandLine.h"

#include <charconv>

#include "base/UiHooks.h"

namespace vel {

namespace {

// A whole decimal number with an optional sign, in 32 bits; nothing else around it.
bool ParseDecimal(const std::string& text, int32_t& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') {
    ++first;
    if (first == last || *first < '0' || *first > '9') return false;
  }
  int32_t v = 0;
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last) return false;
  value = v;
  return true;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& params) {
  TCommandLine cl;
  auto fail = [&cl](std::string text) {
    cl.Fault = std::move(text);
    cl.ShowSyntax = true;
  };
  for (const std::string& param : params) {
    if (param.size() < 2) {
      fail("Invalid parameter '" + param + "'");
      break;
    }
    if (param[0] != '/' && param[0] != '-') {
      fail("Invalid param prefix '" + param.substr(0, 1) + "'");
      break;
    }
    const std::string value = param.substr(2);
    const char letter = param[1];
    if (letter == 'c' || letter == 'C') {
      cl.ConfigFileName = value;
    } else if (letter == 'm' || letter == 'M') {
      cl.MidiFileName = value;
    } else if (letter == 'd' || letter == 'D') {
      if (!ParseDecimal(value, cl.DelaySecs)) {
        fail("Startup delay parameter error; invalid number '" + value + "'");
        break;
      }
    } else if (letter == 'r' || letter == 'R') {
      cl.Factory = true;
    } else if (letter == '?' || letter == 'h' || letter == 'H') {
      cl.ShowSyntax = true;
      break;
    } else {
      fail("Invalid param switch '" + param.substr(1, 1) + "'");
      break;
    }
  }
  return cl;
}

int64_t StartupDelayMs(const TCommandLine& cl) {
  return cl.DelaySecs > 0 ? int64_t(cl.DelaySecs) * 1000 : 0;
}

TConfigChoice ChooseConfig(const TCommandLine& cl, const std::string& dataFolder,
                           const std::function<bool(const std::string& path)>& fileExists) {
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
  text +=
      "Syntax: Vellorine [/c<config filename>] [/m<midi filename>] [/d<secs>] [/r]\r\n"
      "  /d - startup delay for turnkey operation; e.g. allows slow USB drivers to start\r\n"
      "  /r - reset to factory, ignoring config file, e.g. if corrupted\r\n"
      "  Use double quotes around filenames if they contain spaces\r\n"
      "  e.g. 1: Vellorine /c\"/home/user/Vellorine/MicroKorg.txt\"\r\n"
      "  e.g. 2: Vellorine /c\"/home/user/Seq Configs/Karma.txt\" /m\"/home/user/Midi Files/Riff1.mid\" /d5";
  return text;
}

void ShowParamSyntax(const std::string& message) {
  ShowMessage(ParamSyntaxText(message), MsgKind::Error, MsgButtons::Ok);
}

}  // namespace vel
