#include "platform/Keys.h"

#include <gtest/gtest.h>

#include "EnvScope.h"

// After gtest: Xlib's macros (None, Bool) would break its templates.
#include <X11/XF86keysym.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vel::keys {
namespace {

using namespace std::chrono_literals;

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// A private Xvfb, on a display number taken from the process id. It ends with this process even
// when a test crashes (parent-death signal), and is stopped and reaped when dropped.
class Xvfb {
 public:
  Xvfb() = default;
  ~Xvfb() { Stop(); }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  bool Start(int offset) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      const int n = 200 + (getpid() * 7 + offset * 101 + attempt) % 3000;
      if (Exists("/tmp/.X11-unix/X" + std::to_string(n)) || Exists("/tmp/.X" + std::to_string(n) + "-lock")) {
        continue;
      }
      if (Launch(n)) return true;
    }
    return false;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 300; ++i) {  // at most 3 s, then no more asking
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
    Kill();
  }

  // Ends the server at once, as a crash would, and clears what it could not.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    unlink(("/tmp/.X11-unix/X" + std::to_string(number_)).c_str());
    unlink(("/tmp/.X" + std::to_string(number_) + "-lock").c_str());
  }

  const std::string& Name() const { return name_; }

 private:
  bool Launch(int n) {
    const std::string display = ":" + std::to_string(n);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // SIGTERM lets it remove its socket and lock
      if (getppid() != parent) _exit(127);
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
      }
      execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    pid_ = pid;
    number_ = n;
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    for (int i = 0; i < 1000; ++i) {                  // at most 10 s
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {  // the number was taken after all
        pid_ = -1;
        return false;
      }
      if (Exists(socket)) {
        name_ = display;
        return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    Kill();
    return false;
  }

  pid_t pid_ = -1;
  int number_ = 0;
  std::string name_;
};

// Sets DISPLAY for the scope and gives the keys layer fresh connections on both ends.
class DisplayScope {
 public:
  explicit DisplayScope(const char* value) : display_("DISPLAY", value) {}
  ~DisplayScope() { Close(); }
  void Set(const char* value) { display_.Set(value); }

 private:
  test::TEnvScope display_;
};

// ---- The table --------------------------------------------------------------------------------

TEST(KeysTable, VirtualKeysMapToUnshiftedKeysyms) {
  // Letters give the small letter: the code names a key, and the key unshifted types it. The
  // punctuation codes are the keys of a US layout, by their unshifted symbol.
  // clang-format off
  const std::vector<std::pair<int, KeySym>> expected = {
      {0x41, XK_a},         {0x5A, XK_z},          {0x30, XK_0},          {0x39, XK_9},
      {0x70, XK_F1},        {0x7B, XK_F12},        {0x87, XK_F24},        {0x60, XK_KP_0},
      {0x69, XK_KP_9},      {0x6A, XK_KP_Multiply}, {0x6E, XK_KP_Decimal}, {0x6F, XK_KP_Divide},
      {0x08, XK_BackSpace}, {0x0D, XK_Return},     {0x1B, XK_Escape},     {0x20, XK_space},
      {0x21, XK_Page_Up},   {0x22, XK_Page_Down},  {0x25, XK_Left},       {0x28, XK_Down},
      {0x2C, XK_Print},     {0x13, XK_Pause},      {0x90, XK_Num_Lock},   {0x91, XK_Scroll_Lock},
      {0x10, XK_Shift_L},   {0xA1, XK_Shift_R},    {0xA2, XK_Control_L},  {0xA5, XK_Alt_R},
      {0xAD, XF86XK_AudioMute}, {0xAF, XF86XK_AudioRaiseVolume},
      {0xBA, XK_semicolon}, {0xBB, XK_equal},      {0xBF, XK_slash},      {0xC0, XK_grave},
      {0xDB, XK_bracketleft}, {0xDE, XK_apostrophe}};
  // clang-format on
  for (const auto& [vk, keysym] : expected) {
    EXPECT_EQ(KeysymFor(static_cast<uint8_t>(vk)), keysym) << "code 0x" << std::hex << vk;
  }
}
TEST(KeysTable, CodesWithoutAKeyHaveNoKeysym) {
  for (int vk : {0x00, 0x01, 0x07, 0x0A, 0x0E, 0x3A, 0x40, 0x5E, 0x88, 0x8F, 0x92, 0xC1, 0xDA, 0xDF, 0xFF}) {
    EXPECT_EQ(KeysymFor(static_cast<uint8_t>(vk)), 0u) << "code " << vk;
  }
}

// ---- Without X ------------------------------------------------------------------------------

TEST(KeysNoDisplay, EverythingFailsQuietlyWithTheReason) {
  DisplayScope scope(nullptr);
  Close();
  EXPECT_FALSE(Available());
  EXPECT_STREQ(UnavailableReason(), "no X display");
  EXPECT_FALSE(SendKey(0x41, true));
  EXPECT_EQ(FindWindowByTitle("anything"), 0u);
  EXPECT_EQ(ActiveWindow(), 0u);
  EXPECT_FALSE(Activate(0x200001));
  EXPECT_TRUE(ListTitledWindows().empty());

  // A display named but not there.
  int n = 4000 + getpid() % 2000;
  while (Exists("/tmp/.X11-unix/X" + std::to_string(n))) ++n;
  const std::string missing = ":" + std::to_string(n);
  scope.Set(missing.c_str());
  EXPECT_FALSE(Available());
  EXPECT_STREQ(UnavailableReason(), "cannot open X display");
  EXPECT_FALSE(SendKey(0x41, true));
}

// ---- Under Xvfb -----------------------------------------------------------------------------

// A plain Xlib client of the test's own: it makes the windows and reads what they receive.
class Client {
 public:
  explicit Client(const std::string& name) : d_(XOpenDisplay(name.c_str())) {}
  ~Client() {
    if (d_ != nullptr) XCloseDisplay(d_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  Display* d() const { return d_; }
  Window root() const { return DefaultRootWindow(d_); }
  Atom atom(const char* name) const { return XInternAtom(d_, name, False); }

  Window Make(const char* title, bool map = true, Window parent = 0) {
    Window w = XCreateSimpleWindow(d_, parent != 0 ? parent : root(), 10, 10, 100, 80, 0, 0, 0);
    if (title != nullptr) XStoreName(d_, w, title);
    XSelectInput(d_, w, KeyPressMask | KeyReleaseMask);
    if (map) XMapWindow(d_, w);
    XSync(d_, False);
    return w;
  }

  void SetUtf8Title(Window w, const std::string& title) {
    XChangeProperty(d_, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XSync(d_, False);
  }

  void SetWindows(Window on, const char* property, const std::vector<Window>& list) {
    std::vector<long> items(list.begin(), list.end());
    XChangeProperty(d_, on, atom(property), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()), static_cast<int>(items.size()));
    XSync(d_, False);
  }

  // The next key event, skipping any other; false after 5 s without one.
  bool NextKey(XEvent& out) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
      while (XPending(d_) > 0) {
        XNextEvent(d_, &out);
        if (out.type == KeyPress || out.type == KeyRelease) return true;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{ConnectionNumber(d_), POLLIN, 0};
      poll(&p, 1, static_cast<int>(left.count()));
    }
  }

  // No key event arrives within a short wait (after a round trip that would have brought it).
  bool NoKeyPending() {
    XSync(d_, False);
    std::this_thread::sleep_for(50ms);
    XEvent e;
    while (XPending(d_) > 0) {
      XNextEvent(d_, &e);
      if (e.type == KeyPress || e.type == KeyRelease) return false;
    }
    return true;
  }

 private:
  Display* d_;
};

struct KeySeen {
  int type;
  KeySym keysym;  // of the key's first level
  unsigned state;
  Window window;
  std::string text;
};

KeySeen ReadKey(Client& c) {
  XEvent e{};
  if (!c.NextKey(e)) return {0, 0, 0, 0, ""};
  char buffer[8] = {};
  KeySym ignored = 0;
  const int n = XLookupString(&e.xkey, buffer, sizeof buffer, &ignored, nullptr);
  return {e.type, XLookupKeysym(&e.xkey, 0), e.xkey.state, e.xkey.window, std::string(buffer, n > 0 ? n : 0)};
}

class KeysXvfb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new Xvfb;
    started_ = server_->Start(0);
    if (started_) scope_ = new DisplayScope(server_->Name().c_str());
  }
  static void TearDownTestSuite() {
    delete scope_;  // closes the layer's connections before the server goes
    scope_ = nullptr;
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(started_) << "Xvfb did not start";
    client_ = std::make_unique<Client>(server_->Name());
    ASSERT_NE(client_->d(), nullptr);
  }
  void TearDown() override { client_.reset(); }

  // Presses and releases a key and checks the pair that the window receives.
  void ExpectStroke(uint8_t vk, Window w) {
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << int(vk));
    ASSERT_TRUE(SendKey(vk, true));
    ASSERT_TRUE(SendKey(vk, false));
    const KeySeen press = ReadKey(*client_);
    const KeySeen release = ReadKey(*client_);
    EXPECT_EQ(press.type, KeyPress);
    EXPECT_EQ(press.keysym, KeysymFor(vk));
    EXPECT_EQ(press.window, w);
    EXPECT_EQ(release.type, KeyRelease);
    EXPECT_EQ(release.keysym, KeysymFor(vk));
  }

  static inline Xvfb* server_ = nullptr;
  static inline DisplayScope* scope_ = nullptr;
  static inline bool started_ = false;
  std::unique_ptr<Client> client_;
};

TEST_F(KeysXvfb, AvailableWithXTest) {
  EXPECT_TRUE(Available());
  EXPECT_STREQ(UnavailableReason(), "");
}

TEST_F(KeysXvfb, FindWindowByTitleMatchesTheWholeTitleExactly) {
  Client& c = *client_;
  const Window plain = c.Make("Vellorine hotkey target");
  const Window utf8 = c.Make("old name");
  c.SetUtf8Title(utf8, "Zielfenster \xc3\xbc");  // the EWMH title wins over WM_NAME
  const Window latin1 = c.Make("Caf\xe9");       // WM_NAME in Latin-1, compared as UTF-8
  const Window frame = c.Make(nullptr);          // an untitled frame holding a titled client
  const Window framed = c.Make("framed client", true, frame);
  c.Make("nested", true, plain);  // not a top-level window

  EXPECT_EQ(FindWindowByTitle("Vellorine hotkey target"), plain);
  EXPECT_EQ(FindWindowByTitle("Zielfenster \xc3\xbc"), utf8);
  EXPECT_EQ(FindWindowByTitle("old name"), 0u);
  EXPECT_EQ(FindWindowByTitle("Caf\xc3\xa9"), latin1);
  EXPECT_EQ(FindWindowByTitle("framed client"), framed);
  EXPECT_EQ(FindWindowByTitle("nested"), 0u);
  EXPECT_EQ(FindWindowByTitle("Vellorine hotkey"), 0u);
  EXPECT_EQ(FindWindowByTitle("vellorine hotkey target"), 0u);
  EXPECT_EQ(FindWindowByTitle("Vellorine hotkey target "), 0u);
  EXPECT_EQ(FindWindowByTitle("no such window"), 0u);

  // Two windows of one title: the one on top.
  const Window first = c.Make("Twin");
  const Window second = c.Make("Twin");
  EXPECT_EQ(FindWindowByTitle("Twin"), second);
  XRaiseWindow(c.d(), first);
  XSync(c.d(), False);
  EXPECT_EQ(FindWindowByTitle("Twin"), first);
}

TEST_F(KeysXvfb, ListTitledWindowsGivesShownTitledTopLevelsTopmostFirst) {
  Client& c = *client_;
  const Window a = c.Make("Alpha");
  c.Make("Hidden", false);
  c.Make(nullptr);
  c.Make("");
  const Window b = c.Make("Beta");
  const auto list = ListTitledWindows();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, b);
  EXPECT_EQ(list[0].title, "Beta");
  EXPECT_EQ(list[1].id, a);
  EXPECT_EQ(list[1].title, "Alpha");
}

TEST_F(KeysXvfb, KeysReachTheActivatedWindow) {
  Client& c = *client_;
  const Window other = c.Make("Other window");
  const Window target = c.Make("Hotkey target");
  XSetInputFocus(c.d(), other, RevertToParent, CurrentTime);
  XSync(c.d(), False);
  EXPECT_EQ(ActiveWindow(), other);

  const WindowId found = FindWindowByTitle("Hotkey target");
  ASSERT_EQ(found, target);
  ASSERT_TRUE(Activate(found));
  EXPECT_EQ(ActiveWindow(), target);

  for (uint8_t vk : {0x41, 0x5A, 0x30, 0x39, 0x70, 0x7B, 0x0D, 0x1B, 0x08, 0x09, 0x20, 0x25, 0x28, 0x21,
                     0x22, 0x2E, 0x6A, 0x6B, 0x6D, 0x6F, 0xBA, 0xBF, 0xC0, 0xDB, 0xDE, 0xA0, 0xA2, 0xA4}) {
    ExpectStroke(vk, target);
  }
}

TEST_F(KeysXvfb, ModifiersShapeTheFollowingKey) {
  Client& c = *client_;
  const Window target = c.Make("Modifier target");
  ASSERT_TRUE(Activate(target));

  // Shift + A, as the hotkey senders order it: modifier down, key down, key up, modifier up.
  using Event = std::pair<uint8_t, bool>;
  for (auto [vk, down] : std::vector<Event>{{0xA0, true}, {0x41, true}, {0x41, false}, {0xA0, false}}) {
    ASSERT_TRUE(SendKey(vk, down));
  }
  KeySeen shiftDown = ReadKey(c), aDown = ReadKey(c), aUp = ReadKey(c), shiftUp = ReadKey(c);
  EXPECT_EQ(shiftDown.keysym, static_cast<KeySym>(XK_Shift_L));
  EXPECT_EQ(aDown.type, KeyPress);
  EXPECT_EQ(aDown.state & ShiftMask, static_cast<unsigned>(ShiftMask));
  EXPECT_EQ(aDown.text, "A");
  EXPECT_EQ(aUp.type, KeyRelease);
  EXPECT_EQ(shiftUp.type, KeyRelease);

  // Ctrl + A gives the control character; afterwards a plain a again.
  for (auto [vk, down] : std::vector<Event>{
           {0xA2, true}, {0x41, true}, {0x41, false}, {0xA2, false}, {0x41, true}, {0x41, false}}) {
    ASSERT_TRUE(SendKey(vk, down));
  }
  ReadKey(c);
  KeySeen ctrlA = ReadKey(c);
  EXPECT_EQ(ctrlA.state & ControlMask, static_cast<unsigned>(ControlMask));
  EXPECT_EQ(ctrlA.text, "\x01");
  ReadKey(c);
  ReadKey(c);
  KeySeen plain = ReadKey(c);
  EXPECT_EQ(plain.state & (ShiftMask | ControlMask), 0u);
  EXPECT_EQ(plain.text, "a");
}

TEST_F(KeysXvfb, CodesWithoutAKeySendNothing) {
  Client& c = *client_;
  ASSERT_TRUE(Activate(c.Make("Quiet target")));
  EXPECT_FALSE(SendKey(0x07, true));
  EXPECT_FALSE(SendKey(0x00, true));
  EXPECT_FALSE(SendKey(0xFF, false));
  // F20 has a keysym but this server's keyboard has no such key.
  EXPECT_FALSE(SendKey(0x83, true));
  EXPECT_TRUE(c.NoKeyPending());
}

TEST_F(KeysXvfb, KeyboardMapChangesAreFollowed) {
  Client& c = *client_;
  const Window target = c.Make("Map target");
  ASSERT_TRUE(Activate(target));
  ASSERT_FALSE(SendKey(0x83, true));  // loads the map without F20

  // Put F20 on a keycode that carries nothing.
  int minCode = 0, maxCode = 0, perCode = 0;
  XDisplayKeycodes(c.d(), &minCode, &maxCode);
  KeySym* map = XGetKeyboardMapping(c.d(), minCode, maxCode - minCode + 1, &perCode);
  int spare = 0;
  // The lowest one above the first: this server tells no one of changes to its last keycode.
  for (int k = minCode + 1; k <= maxCode && spare == 0; ++k) {
    bool empty = true;
    for (int j = 0; j < perCode; ++j) empty = empty && map[(k - minCode) * perCode + j] == NoSymbol;
    if (empty) spare = k;
  }
  XFree(map);
  ASSERT_NE(spare, 0);
  // Xvfb does not announce the first map change after a client read the map: one that changes
  // nothing goes first, and is taken in before the real one.
  KeySym nothing = NoSymbol;
  XChangeKeyboardMapping(c.d(), spare, 1, &nothing, 1);
  XSync(c.d(), False);
  std::this_thread::sleep_for(50ms);
  ASSERT_FALSE(SendKey(0x83, true));
  KeySym f20 = XK_F20;
  XChangeKeyboardMapping(c.d(), spare, 1, &f20, 1);
  XSync(c.d(), False);

  bool sent = false;
  for (int i = 0; i < 100 && !sent; ++i) {  // the change notice travels as an event
    sent = SendKey(0x83, true);
    if (!sent) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(sent);
  EXPECT_TRUE(SendKey(0x83, false));
  XEvent e{};
  ASSERT_TRUE(c.NextKey(e));
  EXPECT_EQ(e.type, KeyPress);
  EXPECT_EQ(static_cast<int>(e.xkey.keycode), spare);

  XChangeKeyboardMapping(c.d(), spare, 1, &nothing, 1);
  XSync(c.d(), False);
}

TEST_F(KeysXvfb, ActiveWindowIsTheTitledWindowAroundTheFocus) {
  Client& c = *client_;
  const Window app = c.Make("Application");
  const Window field = c.Make(nullptr, true, app);
  XSetInputFocus(c.d(), field, RevertToParent, CurrentTime);
  XSync(c.d(), False);
  EXPECT_EQ(ActiveWindow(), app);

  XSetInputFocus(c.d(), PointerRoot, RevertToParent, CurrentTime);
  XSync(c.d(), False);
  EXPECT_EQ(ActiveWindow(), 0u);
}

TEST_F(KeysXvfb, ActivateFailsForAGoneOrHiddenWindow) {
  Client& c = *client_;
  const Window gone = c.Make("Short-lived");
  ASSERT_EQ(FindWindowByTitle("Short-lived"), gone);
  XDestroyWindow(c.d(), gone);
  XSync(c.d(), False);
  EXPECT_FALSE(Activate(gone));
  EXPECT_EQ(FindWindowByTitle("Short-lived"), 0u);

  const Window hidden = c.Make("Not shown", false);
  EXPECT_FALSE(Activate(hidden));
  EXPECT_FALSE(Activate(0));

  // The process and the connection live on.
  const Window shown = c.Make("Shown");
  EXPECT_TRUE(Activate(shown));
  ExpectStroke(0x42, shown);
}

// A stand-in window manager: the EWMH properties on the root, and the root's redirect so that the
// activation request arrives here.
TEST_F(KeysXvfb, WindowManagerListsAndActivationRequestsAreUsed) {
  Client& c = *client_;
  const Window a = c.Make("Managed A");
  const Window b = c.Make("Managed B");
  const Window twin = c.Make("Managed A");
  const Window loose = c.Make("Not managed");
  const Window check = c.Make(nullptr, false);
  c.SetWindows(check, "_NET_SUPPORTING_WM_CHECK", {check});
  c.SetWindows(c.root(), "_NET_SUPPORTING_WM_CHECK", {check});
  c.SetWindows(c.root(), "_NET_CLIENT_LIST_STACKING", {twin, b, a});  // bottom to top
  c.SetWindows(c.root(), "_NET_CLIENT_LIST", {a, b, twin});
  c.SetWindows(c.root(), "_NET_ACTIVE_WINDOW", {b});
  XSelectInput(c.d(), c.root(), SubstructureRedirectMask);
  XSync(c.d(), False);

  EXPECT_EQ(FindWindowByTitle("Managed A"), a);  // above its twin in the stacking list
  EXPECT_EQ(FindWindowByTitle("Managed B"), b);
  EXPECT_EQ(FindWindowByTitle("Not managed"), 0u);
  const auto list = ListTitledWindows();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].id, a);
  EXPECT_EQ(list[1].id, b);
  EXPECT_EQ(list[2].id, twin);
  EXPECT_EQ(ActiveWindow(), b);

  ASSERT_TRUE(Activate(a));
  XEvent e{};
  bool asked = false;
  const Atom activeAtom = c.atom("_NET_ACTIVE_WINDOW");
  for (int i = 0; i < 100 && !asked; ++i) {
    while (XPending(c.d()) > 0) {
      XNextEvent(c.d(), &e);
      if (e.type == ClientMessage && e.xclient.message_type == activeAtom) {
        asked = true;
        break;
      }
    }
    if (!asked) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(asked);
  EXPECT_EQ(e.xclient.window, a);
  EXPECT_EQ(e.xclient.format, 32);
  EXPECT_EQ(e.xclient.data.l[0], 2);
  ExpectStroke(0x43, a);  // the focus was set as well, so the key needs no wait for the manager

  // The manager quits: its check window goes, the stale lists no longer count.
  XSelectInput(c.d(), c.root(), NoEventMask);
  XDestroyWindow(c.d(), check);
  XSync(c.d(), False);
  EXPECT_EQ(FindWindowByTitle("Not managed"), loose);
  EXPECT_EQ(ActiveWindow(), a);  // from the focus now
  for (const char* property :
       {"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW"}) {
    XDeleteProperty(c.d(), c.root(), c.atom(property));
  }
  XSync(c.d(), False);
}

TEST_F(KeysXvfb, StrokesAndLookUpsFromTwoThreads) {
  Client& c = *client_;
  const Window target = c.Make("Busy target");
  ASSERT_TRUE(Activate(target));
  std::atomic<int> sendFailures{0};
  std::atomic<int> lookupFailures{0};
  std::thread strokes([&] {
    for (int i = 0; i < 100; ++i) {
      if (!SendKey(0x44, true) || !SendKey(0x44, false)) ++sendFailures;
    }
  });
  std::thread lookups([&] {
    for (int i = 0; i < 100; ++i) {
      if (FindWindowByTitle("Busy target") != target || ActiveWindow() != target) ++lookupFailures;
    }
  });
  strokes.join();
  lookups.join();
  EXPECT_EQ(sendFailures.load(), 0);
  EXPECT_EQ(lookupFailures.load(), 0);
  for (int i = 0; i < 100; ++i) {
    const KeySeen press = ReadKey(c);
    const KeySeen release = ReadKey(c);
    ASSERT_EQ(press.type, KeyPress) << "stroke " << i;
    ASSERT_EQ(release.type, KeyRelease) << "stroke " << i;
    EXPECT_EQ(press.keysym, static_cast<KeySym>(XK_d));
  }
  EXPECT_TRUE(c.NoKeyPending());
}

TEST_F(KeysXvfb, ALostServerFailsTheCallsAndIsLeftForAnother) {
#if defined(__SANITIZE_THREAD__)
  // When a connection breaks and the exit handler returns, libX11 (1.8) releases the display's own
  // lock a second time; harmless with the default mutex, but the thread sanitizer stops on it.
  GTEST_SKIP() << "libX11 unlocks a broken display twice";
#endif
  Xvfb second;
  ASSERT_TRUE(second.Start(1));
  DisplayScope scope(second.Name().c_str());
  Close();
  ASSERT_TRUE(Available());
  EXPECT_EQ(FindWindowByTitle("none"), 0u);  // opens the look-up connection too
  second.Kill();

  // A request written to the dead server first (SIGPIPE would end the process), then a stroke.
  EXPECT_FALSE(Activate(1));
  EXPECT_FALSE(SendKey(0x41, true));
  EXPECT_FALSE(Available());
  EXPECT_STREQ(UnavailableReason(), "X display connection lost");
  EXPECT_EQ(FindWindowByTitle("none"), 0u);

  // Back on the suite's server, both connections open again.
  scope.Set(server_->Name().c_str());
  EXPECT_TRUE(Available());
  EXPECT_STREQ(UnavailableReason(), "");
  const Window w = client_->Make("After the loss");
  EXPECT_EQ(FindWindowByTitle("After the loss"), w);
  ASSERT_TRUE(Activate(w));
  ExpectStroke(0x45, w);
}

}  // namespace
}  // namespace vel::keys
