// The main of every test program. Before any test runs, the process is given a home of its own, so
// that no test can read or write the musician's settings, data or runtime folders (a saved default
// settings file would change what a window shows), the in-process MIDI devices, so that no test
// reaches the desktop's MIDI system or a running JACK server, and no way into the desktop session.
// A test that needs more sets it itself: the backend tests make their own peer ports, the
// end-to-end tests start their own JACK server, the hotkey and opener tests their own X server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace {

bool MakePrivateFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0;
}

// The folder holding the private home, or empty when it could not be made.
std::string MakePrivateHome() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  std::string pattern = base + "/vellorine-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  const std::string root = pattern;
  const std::string home = root + "/home";
  if (!MakePrivateFolder(home) || !MakePrivateFolder(home + "/.config") || !MakePrivateFolder(root + "/run"))
    return {};
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
  // The desktop's session: no test may switch off the musician's screensaver through their session
  // bus, nor type into their windows through their display. Tests that need a display start their own.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + root + "/run/bus").c_str(), 1);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("VELLORINE_MIDI", "loopback", 1);
  // A server by this name runs only if a test starts it.
  ::setenv("JACK_DEFAULT_SERVER", ("vellorine-test-" + std::to_string(::getpid())).c_str(), 1);
  return root;
}

// A death test's child is this program again, started by the parent with its private home already
// in the environment; a home of its own would outlive it, since it ends without returning.
bool IsDeathTestChild(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]).starts_with("--gtest_internal_run_death_test")) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (IsDeathTestChild(argc, argv)) {
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
  }
  const std::string root = MakePrivateHome();
  if (root.empty()) {
    std::perror("test main: cannot make a private home folder");
    return 2;
  }
  testing::InitGoogleMock(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return result;
}
