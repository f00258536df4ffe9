// libFuzzer target: arbitrary bytes as a settings file of each kind, loaded through LoadConfigFile.
// A load may fail with its message; it must never crash, hang or leave the settings unusable, so
// each input that loads is saved again and must load again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/UiHooks.h"
#include "settings/CfgFactory.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"

namespace {

std::string TempFile() {
  static const std::string name = "/tmp/vel-fuzz-settings-" + std::to_string(::getpid()) + ".txt";
  return name;
}

std::string& LastBox() {
  static std::string text;
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("XDG_CONFIG_HOME", "/tmp/vel-fuzz-config", 1);
  vel::Ui().MessageBox = [](const std::string& text, const std::string&, vel::MsgKind, vel::MsgButtons b) {
    LastBox() = text;
    return vel::FirstButtonAnswer(b);
  };
  vel::LoadConfigFactory();
  // VEL_FUZZ_SEEDS=folder: writes the factory file of each kind there as a seed and ends.
  if (const char* seeds = std::getenv("VEL_FUZZ_SEEDS")) {
    for (uint8_t kind = 0; kind < 5; ++kind) {
      const std::string text = vel::BuildCfgText(vel::InitialSaveState(kind));
      const std::string name = std::string(seeds) + "/kind" + std::to_string(kind) + ".txt";
      if (FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fputc(kind, f);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
      }
    }
    std::exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t kind = data[0] % 5;
  const std::string file = TempFile();
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  vel::CfgFiles.ConfigFileName = file;
  if (vel::LoadConfigFile(false, kind)) {
    // What loaded must save and load again.
    const std::string again = vel::BuildCfgText(vel::InitialSaveState(kind));
    if (!vel::LoadConfigText(again, kind, file)) {
      std::fprintf(stderr, "Saved settings did not load again: %s\n", LastBox().c_str());
      std::abort();
    }
  } else {
    vel::LoadConfigFactory();
  }
  return 0;
}
