#pragma once
// Test state for the settings file: factory settings, one output and two input ports allocated,
// recording UI hooks, and a private settings folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/UiRecorder.h"
#include "keymaps/KeyMapsFactory.h"
#include "settings/CfgFactory.h"
#include "settings/CfgFile.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "settings/ResetModelState.h"
#include "styles/StyleStore.h"

namespace vel::test {

class CfgTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vel-cfg-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    ::setenv("HOME", dir_.c_str(), 1);
    ResetModelState();
    ui.Install();
    LoadConfigFactory();
    CfgEngine.InPortsAllocated = 1;
    CfgEngine.OutPortsAllocated = 0;
    CfgEngine.InPortDevNames[0] = "Keys In";
    CfgEngine.InPortNames[0] = "Keys";
    CfgEngine.InPortDevNames[1] = "Pads In";
    CfgEngine.InPortNames[1] = "Pads";
    CfgEngine.OutPortDevNames[0] = "Synth Out";
    CfgEngine.OutPortNames[0] = "Synth";
  }
  void TearDown() override {
    ResetModelState();
    std::filesystem::remove_all(dir_);
  }

  std::string Full() { return BuildCfgText(InitialSaveState(CfgFull)); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  // The lines of a text that begin with prefix, CR LF removed.
  static std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }
  // The first line of text that begins with prefix; "<none>" when none does.
  static std::string First(const std::string& text, const std::string& prefix) {
    const auto l = Lines(text, prefix);
    return l.empty() ? std::string("<none>") : l[0];
  }
  // "" when both texts are the same, else the first line where they differ, as "a | b".
  static std::string FirstDiff(const std::string& a, const std::string& b) {
    std::istringstream ia(a);
    std::istringstream ib(b);
    std::string la;
    std::string lb;
    while (true) {
      const bool ga = static_cast<bool>(std::getline(ia, la));
      const bool gb = static_cast<bool>(std::getline(ib, lb));
      if (!ga && !gb) return {};
      if (!ga || !gb || la != lb) return (ga ? la : "<end>") + " | " + (gb ? lb : "<end>");
    }
  }
  // The value of the entry keyword in text; "<none>" when absent.
  static std::string ValueOf(const std::string& text, const std::string& keyword) {
    for (const std::string& l : Lines(text, keyword + " = ")) return l.substr(keyword.size() + 3);
    return "<none>";
  }

  UiRecorder ui;
  std::filesystem::path dir_;
};

}  // namespace vel::test
