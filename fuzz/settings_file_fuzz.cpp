// libFuzzer target: arbitrary bytes as a settings file of each kind (the first byte picks the kind),
// loaded through the reader's own path from memory (LoadConfigText, which LoadConfigFile calls with
// the file's bytes). A load may fail with its message; it must never crash, hang or leave the
// settings unusable, so each input that loads is saved again, must load again, and the second save
// must give the same text: every value written reads back to itself.
//
// VEL_FUZZ_FILE=1 goes through LoadConfigFile and a temporary file instead (slower: file I/O).
// VEL_FUZZ_SEEDS=folder writes the factory file of each kind there as a seed and ends.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/UiHooks.h"
#include "settings/CfgFactory.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"

namespace {

bool& ThroughFile() {
  static bool on = false;
  return on;
}

std::string TempFile() {
  static const std::string name = "/tmp/vel-fuzz-settings-" + std::to_string(::getpid()) + ".txt";
  return name;
}

std::string& LastBox() {
  static std::string text;
  return text;
}

void WriteSeeds(const char* folder) {
  for (uint8_t kind = 0; kind < 5; ++kind) {
    const std::string text = vel::BuildCfgText(vel::InitialSaveState(kind));
    const std::string name = std::string(folder) + "/kind" + std::to_string(kind) + ".txt";
    if (FILE* f = std::fopen(name.c_str(), "wb")) {
      std::fputc(kind, f);
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
  }
}

bool Load(std::string_view bytes, uint8_t kind) {
  if (!ThroughFile()) return vel::LoadConfigText(bytes, kind, "/fuzz/input.txt");
  const std::string file = TempFile();
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  vel::CfgFiles.ConfigFileName = file;
  return vel::LoadConfigFile(false, kind);
}

// The line of text that holds byte at, control bytes escaped.
std::string LineAt(const std::string& text, std::size_t at) {
  const std::size_t from = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
  const std::size_t start = from == std::string::npos ? 0 : from + 1;
  std::string line;
  for (std::size_t i = start; i < text.size() && text[i] != '\n'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    line += c < 0x20 || c == 0x7F ? std::string(hex) : std::string(1, text[i]);
  }
  return line;
}

[[noreturn]] void Fail(const char* what, const std::string& first, const std::string& second) {
  std::fprintf(stderr, "%s (last message: %s)\n", what, LastBox().c_str());
  // The first line where the two saves differ.
  std::size_t at = 0;
  while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
  std::fprintf(stderr, "first:  %s\nsecond: %s\n", LineAt(first, at).c_str(), LineAt(second, at).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("XDG_CONFIG_HOME", "/tmp/vel-fuzz-config", 1);
  vel::Ui().MessageBox = [](const std::string& text, const std::string&, vel::MsgKind, vel::MsgButtons b) {
    LastBox() = text;
    return vel::FirstButtonAnswer(b);
  };
  vel::LoadConfigFactory();
  if (const char* seeds = std::getenv("VEL_FUZZ_SEEDS")) {
    WriteSeeds(seeds);
    std::exit(0);
  }
  const char* file = std::getenv("VEL_FUZZ_FILE");
  ThroughFile() = file != nullptr && *file != '\0' && *file != '0';
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t kind = data[0] % 5;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (Load(bytes, kind)) {
    // What loaded must save, load again and save the same text.
    const std::string first = vel::BuildCfgText(vel::InitialSaveState(kind));
    if (!vel::LoadConfigText(first, kind, "/fuzz/again.txt"))
      Fail("Saved settings did not load again", first, {});
    const std::string second = vel::BuildCfgText(vel::InitialSaveState(kind));
    if (first != second) Fail("Saved settings changed on the next save", first, second);
  } else {
    vel::LoadConfigFactory();
  }
  return 0;
}
