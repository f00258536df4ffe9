#include "platform/Keys.h"

// X11 stays in this file: its macros (None, Status, Bool, True) would break names elsewhere.
#include <X11/XF86keysym.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

namespace vel::keys {
namespace {

// ---- Virtual-key codes to keysyms -------------------------------------------------------------
// Every entry is the key's unshifted symbol: the virtual-key code names a key, and XTest presses
// a key, so the symbol only serves to find the key in the current keyboard map. The punctuation
// codes are the keys of a US layout.
constexpr std::array<uint32_t, 256> MakeKeysymTable() {
  std::array<uint32_t, 256> t{};
  t[0x08] = XK_BackSpace;
  t[0x09] = XK_Tab;
  t[0x0C] = XK_Clear;
  t[0x0D] = XK_Return;
  t[0x10] = XK_Shift_L;  // the plain modifier codes press the left key
  t[0x11] = XK_Control_L;
  t[0x12] = XK_Alt_L;
  t[0x13] = XK_Pause;
  t[0x14] = XK_Caps_Lock;
  t[0x1B] = XK_Escape;
  t[0x20] = XK_space;
  t[0x21] = XK_Page_Up;
  t[0x22] = XK_Page_Down;
  t[0x23] = XK_End;
  t[0x24] = XK_Home;
  t[0x25] = XK_Left;
  t[0x26] = XK_Up;
  t[0x27] = XK_Right;
  t[0x28] = XK_Down;
  t[0x29] = XK_Select;
  t[0x2B] = XK_Execute;
  t[0x2C] = XK_Print;
  t[0x2D] = XK_Insert;
  t[0x2E] = XK_Delete;
  t[0x2F] = XK_Help;
  for (int i = 0; i < 10; ++i) t[0x30 + i] = XK_0 + i;
  for (int i = 0; i < 26; ++i) t[0x41 + i] = XK_a + i;
  t[0x5B] = XK_Super_L;
  t[0x5C] = XK_Super_R;
  t[0x5D] = XK_Menu;
  t[0x5F] = XF86XK_Sleep;
  for (int i = 0; i < 10; ++i) t[0x60 + i] = XK_KP_0 + i;
  t[0x6A] = XK_KP_Multiply;
  t[0x6B] = XK_KP_Add;
  t[0x6C] = XK_KP_Separator;
  t[0x6D] = XK_KP_Subtract;
  t[0x6E] = XK_KP_Decimal;
  t[0x6F] = XK_KP_Divide;
  for (int i = 0; i < 24; ++i) t[0x70 + i] = XK_F1 + i;
  t[0x90] = XK_Num_Lock;
  t[0x91] = XK_Scroll_Lock;
  t[0xA0] = XK_Shift_L;
  t[0xA1] = XK_Shift_R;
  t[0xA2] = XK_Control_L;
  t[0xA3] = XK_Control_R;
  t[0xA4] = XK_Alt_L;
  t[0xA5] = XK_Alt_R;
  t[0xA6] = XF86XK_Back;
  t[0xA7] = XF86XK_Forward;
  t[0xA8] = XF86XK_Refresh;
  t[0xA9] = XF86XK_Stop;
  t[0xAA] = XF86XK_Search;
  t[0xAB] = XF86XK_Favorites;
  t[0xAC] = XF86XK_HomePage;
  t[0xAD] = XF86XK_AudioMute;
  t[0xAE] = XF86XK_AudioLowerVolume;
  t[0xAF] = XF86XK_AudioRaiseVolume;
  t[0xB0] = XF86XK_AudioNext;
  t[0xB1] = XF86XK_AudioPrev;
  t[0xB2] = XF86XK_AudioStop;
  t[0xB3] = XF86XK_AudioPlay;
  t[0xB4] = XF86XK_Mail;
  t[0xB5] = XF86XK_AudioMedia;
  t[0xB6] = XF86XK_MyComputer;
  t[0xB7] = XF86XK_Calculator;
  t[0xBA] = XK_semicolon;
  t[0xBB] = XK_equal;
  t[0xBC] = XK_comma;
  t[0xBD] = XK_minus;
  t[0xBE] = XK_period;
  t[0xBF] = XK_slash;
  t[0xC0] = XK_grave;
  t[0xDB] = XK_bracketleft;
  t[0xDC] = XK_backslash;
  t[0xDD] = XK_bracketright;
  t[0xDE] = XK_apostrophe;
  t[0xE2] = XK_less;  // the extra key of a 102-key keyboard
  return t;
}

constexpr std::array<uint32_t, 256> kKeysyms = MakeKeysymTable();

// ---- X errors ---------------------------------------------------------------------------------
// Xlib reports protocol errors to one process-wide handler, whose default ends the process. Ours
// is installed before each use of our connections and hands errors of any other connection (the
// toolkit's) to the handler it replaced. An error of our connection goes to the innermost trap of
// the calling thread, which is the thread that made the request: each connection is used under
// its own mutex only.
struct ErrorTrap;
thread_local ErrorTrap* tTrap = nullptr;
std::atomic<XErrorHandler> gChainedHandler{nullptr};
std::atomic<XIOErrorHandler> gChainedIOHandler{nullptr};

int OnXError(Display* display, XErrorEvent* error);
int OnXIOError(Display* display);

struct ErrorTrap {
  explicit ErrorTrap(Display* d) : display(d), outer(tTrap) {
    XErrorHandler previous = XSetErrorHandler(OnXError);
    if (previous != OnXError) gChainedHandler.store(previous);
    XIOErrorHandler previousIO = XSetIOErrorHandler(OnXIOError);
    if (previousIO != OnXIOError) gChainedIOHandler.store(previousIO);
    firstSerial = NextRequest(display);
    tTrap = this;
  }
  ~ErrorTrap() { tTrap = outer; }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // The first error since the trap was set or last taken; 0 for none. Only requests sent since
  // then count, so a late error of an earlier call never fails this one.
  int Take() {
    int c = code;
    code = 0;
    firstSerial = NextRequest(display);
    return c;
  }

  Display* display;
  ErrorTrap* outer;
  unsigned long firstSerial = 0;
  int code = 0;
};

int OnXError(Display* display, XErrorEvent* error) {
  for (ErrorTrap* t = tTrap; t != nullptr; t = t->outer) {
    if (t->display != display) continue;
    if (t->code == 0 && error->serial >= t->firstSerial) t->code = error->error_code;
    return 0;
  }
  XErrorHandler next = gChainedHandler.load();
  return next != nullptr ? next(display, error) : 0;
}

// A broken connection goes to one process-wide handler too, whose default ends the process. For
// ours it returns, and the connection's exit handler (OnConnectionLost) marks it lost.
int OnXIOError(Display* display) {
  for (ErrorTrap* t = tTrap; t != nullptr; t = t->outer) {
    if (t->display == display) return 0;
  }
  XIOErrorHandler next = gChainedIOHandler.load();
  return next != nullptr ? next(display) : 0;
}

// A write to a server that has just gone away raises SIGPIPE (xcb writes with writev), which would
// end the process: held back on this thread while we talk to the server, and consumed if it came.
class SigPipeBlock {
 public:
  SigPipeBlock() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &saved_);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
  }
  ~SigPipeBlock() {
    if (!wasPending_) {
      sigset_t pending;
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE) == 1) {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        const timespec zero{0, 0};
        sigtimedwait(&pipe, nullptr, &zero);
      }
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SigPipeBlock(const SigPipeBlock&) = delete;
  SigPipeBlock& operator=(const SigPipeBlock&) = delete;

 private:
  sigset_t saved_;
  bool wasPending_ = false;
};

// ---- Connections ------------------------------------------------------------------------------
enum AtomIndex {
  kNetSupportingWmCheck,
  kNetClientList,
  kNetClientListStacking,
  kNetActiveWindow,
  kNetWmName,
  kUtf8String,
  kAtomCount
};
const char* const kAtomNames[kAtomCount] = {
    "_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING",
    "_NET_ACTIVE_WINDOW",       "_NET_WM_NAME",     "UTF8_STRING"};

using Clock = std::chrono::steady_clock;
constexpr auto kRetryInterval = std::chrono::seconds(1);

struct Connection {
  explicit Connection(bool xtest) : needsXTest(xtest) {}
  const bool needsXTest;
  std::mutex mutex;
  Display* display = nullptr;
  std::atomic<bool> lost{false};
  const char* reason = "no X display";
  std::string openedName;  // DISPLAY as it was when the connection was opened
  // The last failed attempt, so that a missing server is not asked again on every call.
  bool failed = false;
  std::string failedName;
  Clock::time_point failedAt{};
  Atom atoms[kAtomCount] = {};
};

Connection gStrokes(true);
Connection gLookups(false);

// Called by Xlib when the connection breaks; returning instead of exiting leaves the display
// unusable (every call on it returns at once) until we close it.
void OnConnectionLost(Display*, void* connection) {
  static_cast<Connection*>(connection)->lost = true;
}

void CloseLocked(Connection& c) {
  if (c.display == nullptr) return;
  {
    ErrorTrap trap(c.display);
    XCloseDisplay(c.display);
  }
  c.display = nullptr;
  c.lost = false;
}

void NoteFailure(Connection& c, const char* reason, const std::string& name) {
  c.reason = reason;
  c.failed = true;
  c.failedName = name;
  c.failedAt = Clock::now();
}

bool EnsureOpen(Connection& c) {
  if (c.display != nullptr && !c.lost) return true;
  const char* env = std::getenv("DISPLAY");
  const std::string name = env != nullptr ? env : "";
  if (c.display != nullptr) {
    // Lost: the same server is asked again only after the pause, another one at once.
    CloseLocked(c);
    NoteFailure(c, "X display connection lost", c.openedName);
  }
  if (name.empty()) {
    c.reason = "no X display";
    return false;
  }
  if (c.failed && name == c.failedName && Clock::now() - c.failedAt < kRetryInterval) return false;

  // Xlib 1.8 does this itself when loaded; older ones need it before the first connection.
  static std::once_flag threadsOnce;
  std::call_once(threadsOnce, [] { XInitThreads(); });
  Display* d = XOpenDisplay(name.c_str());
  if (d == nullptr) {
    NoteFailure(c, "cannot open X display", name);
    return false;
  }
  XSetIOErrorExitHandler(d, OnConnectionLost, &c);
  c.display = d;
  c.lost = false;
  c.openedName = name;
  ErrorTrap trap(d);
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (c.needsXTest && !XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor)) {
    CloseLocked(c);
    NoteFailure(c, "XTEST extension missing", name);
    return false;
  }
  char* names[kAtomCount];
  for (int i = 0; i < kAtomCount; ++i) names[i] = const_cast<char*>(kAtomNames[i]);  // only read
  if (!XInternAtoms(d, names, kAtomCount, False, c.atoms) || c.lost) {
    CloseLocked(c);
    NoteFailure(c, "cannot open X display", name);
    return false;
  }
  c.reason = "";
  c.failed = false;
  return true;
}

// One use of a connection: holds its mutex, opens it when needed and traps its errors.
class Session {
 public:
  explicit Session(Connection& c) : lock_(c.mutex), c_(c) {
    if (EnsureOpen(c)) trap_.emplace(c.display);
  }
  explicit operator bool() const { return trap_.has_value(); }
  Display* display() const { return c_.display; }
  Window root() const { return DefaultRootWindow(c_.display); }
  Atom atom(AtomIndex i) const { return c_.atoms[i]; }
  bool lost() const { return c_.lost; }
  ErrorTrap& trap() { return *trap_; }

 private:
  std::lock_guard<std::mutex> lock_;
  Connection& c_;
  SigPipeBlock sigPipe_;
  std::optional<ErrorTrap> trap_;
};

// ---- Window properties ------------------------------------------------------------------------
// Reads a property of 32-bit items (windows); nullopt when it is missing, of another type, or the
// window is gone.
std::optional<std::vector<Window>> GetWindowList(Session& s, Window w, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  int status = XGetWindowProperty(s.display(), w, property, 0, 65536, False, XA_WINDOW, &type, &format,
                                  &count, &after, &data);
  const bool failed = s.trap().Take() != 0 || status != Success;
  std::optional<std::vector<Window>> out;
  if (!failed && type == XA_WINDOW && format == 32) {
    // 32-bit items come back as longs.
    const long* items = reinterpret_cast<const long*>(data);
    out.emplace();
    for (unsigned long i = 0; i < count; ++i) out->push_back(static_cast<Window>(items[i]));
  }
  if (data != nullptr) XFree(data);
  return out;
}

std::optional<Window> GetWindowProperty(Session& s, Window w, Atom property) {
  auto list = GetWindowList(s, w, property);
  if (!list || list->empty()) return std::nullopt;
  return list->front();
}

std::string Latin1ToUtf8(const unsigned char* text, size_t length) {
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The window's title in UTF-8: _NET_WM_NAME, else WM_NAME in whatever encoding it was stored;
// nullopt when it has neither or is gone.
std::optional<std::string> GetTitle(Session& s, Window w) {
  Display* d = s.display();
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  int status = XGetWindowProperty(d, w, s.atom(kNetWmName), 0, 16384, False, s.atom(kUtf8String), &type,
                                  &format, &count, &after, &data);
  if (s.trap().Take() != 0 || status != Success) {
    if (data != nullptr) XFree(data);
    return std::nullopt;
  }
  if (data != nullptr && type == s.atom(kUtf8String) && format == 8) {
    std::string title(reinterpret_cast<const char*>(data), count);
    XFree(data);
    return title;
  }
  if (data != nullptr) XFree(data);

  XTextProperty text{};
  const Status got = XGetWMName(d, w, &text);
  if (s.trap().Take() != 0 || !got || text.value == nullptr) {
    if (text.value != nullptr) XFree(text.value);
    return std::nullopt;
  }
  std::string title;
  if (text.format != 8) {
    // not text: counts as an empty title
  } else if (text.encoding == XA_STRING) {
    title = Latin1ToUtf8(text.value, text.nitems);
  } else if (text.encoding == s.atom(kUtf8String)) {
    title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
  } else {
    // Compound text and the like: Xlib converts it; the raw bytes when it cannot.
    char** list = nullptr;
    int n = 0;
    if (Xutf8TextPropertyToTextList(d, &text, &list, &n) >= Success && n > 0 && list != nullptr) {
      title = list[0];
    } else {
      title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
    }
    if (list != nullptr) XFreeStringList(list);
  }
  XFree(text.value);
  return title;
}

// A window manager that follows EWMH is running: its check window names itself.
bool WmRunning(Session& s) {
  const auto check = GetWindowProperty(s, s.root(), s.atom(kNetSupportingWmCheck));
  if (!check || *check == 0) return false;
  const auto self = GetWindowProperty(s, *check, s.atom(kNetSupportingWmCheck));
  return self && *self == *check;
}

std::vector<Window> Children(Session& s, Window w) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<Window> out;
  const Status ok = XQueryTree(s.display(), w, &root, &parent, &children, &count);
  if (s.trap().Take() == 0 && ok) out.assign(children, children + count);
  if (children != nullptr) XFree(children);
  return out;
}

struct Candidate {
  Window id;
  std::string title;
};

// Top-level windows with a title, topmost first. With a window manager its client list (in
// stacking order when it keeps one); without one the children of the root, or for an untitled
// child (a frame of a manager without EWMH) its topmost titled child. visibleOnly drops windows
// that are not mapped where no manager lists the managed ones.
std::vector<Candidate> TopLevels(Session& s, bool visibleOnly) {
  std::vector<Candidate> out;
  if (WmRunning(s)) {
    auto clients = GetWindowList(s, s.root(), s.atom(kNetClientListStacking));
    if (clients) {
      std::reverse(clients->begin(), clients->end());
    } else {
      clients = GetWindowList(s, s.root(), s.atom(kNetClientList));
    }
    if (clients) {
      for (Window w : *clients) {
        if (auto title = GetTitle(s, w)) out.push_back({w, std::move(*title)});
      }
      return out;
    }
  }
  auto top = Children(s, s.root());
  std::reverse(top.begin(), top.end());  // XQueryTree lists bottom to top
  for (Window w : top) {
    if (visibleOnly) {
      XWindowAttributes attributes{};
      const Status ok = XGetWindowAttributes(s.display(), w, &attributes);
      if (s.trap().Take() != 0 || !ok || attributes.map_state != IsViewable) continue;
    }
    if (auto title = GetTitle(s, w)) {
      out.push_back({w, std::move(*title)});
      continue;
    }
    auto inner = Children(s, w);
    for (auto it = inner.rbegin(); it != inner.rend(); ++it) {
      if (auto title = GetTitle(s, *it)) {
        out.push_back({*it, std::move(*title)});
        break;
      }
    }
  }
  return out;
}

}  // namespace

// ---- Public calls -----------------------------------------------------------------------------

bool Available() {
  Session s(gStrokes);
  return static_cast<bool>(s);
}

const char* UnavailableReason() {
  Session s(gStrokes);
  return gStrokes.reason;
}

uint32_t KeysymFor(uint8_t virtualKey) {
  return kKeysyms[virtualKey];
}

bool SendKey(uint8_t virtualKey, bool down) {
  const KeySym keysym = kKeysyms[virtualKey];
  if (keysym == 0) return false;
  Session s(gStrokes);
  if (!s) return false;
  Display* d = s.display();
  // Keyboard map changes arrive as events; taking them keeps the keysym look-up current.
  while (!s.lost() && XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
  }
  const KeyCode code = XKeysymToKeycode(d, keysym);
  if (code == 0 || s.lost()) return false;
  XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
  XFlush(d);
  return !s.lost();
}

WindowId FindWindowByTitle(const std::string& title) {
  Session s(gLookups);
  if (!s) return 0;
  for (const Candidate& c : TopLevels(s, false)) {
    if (c.title == title) return c.id;
  }
  return 0;
}

std::vector<TitledWindow> ListTitledWindows() {
  std::vector<TitledWindow> out;
  Session s(gLookups);
  if (!s) return out;
  for (Candidate& c : TopLevels(s, true)) {
    if (!c.title.empty()) out.push_back({c.id, std::move(c.title)});
  }
  return out;
}

WindowId ActiveWindow() {
  Session s(gStrokes);
  if (!s) return 0;
  if (WmRunning(s)) {
    if (auto active = GetWindowProperty(s, s.root(), s.atom(kNetActiveWindow))) return *active;
  }
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(s.display(), &focus, &revert);
  if (s.trap().Take() != 0 || focus == None || focus == PointerRoot) return 0;
  // The focus may sit in a child of the application's window: the titled ancestor is the one
  // FindWindowByTitle gives.
  const Window root = s.root();
  Window w = focus;
  for (int depth = 0; depth < 64 && w != root; ++depth) {
    if (GetTitle(s, w)) return w;
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    const Status ok = XQueryTree(s.display(), w, &rootOut, &parent, &children, &count);
    if (children != nullptr) XFree(children);
    if (s.trap().Take() != 0 || !ok) return 0;
    if (parent == root) return w;
    w = parent;
  }
  return 0;
}

bool Activate(WindowId window) {
  if (window == 0) return false;
  Session s(gStrokes);
  if (!s) return false;
  Display* d = s.display();
  const Window w = static_cast<Window>(window);
  XWindowAttributes attributes{};
  const Status ok = XGetWindowAttributes(d, w, &attributes);
  if (s.trap().Take() != 0 || !ok) return false;
  if (WmRunning(s)) {
    // Source 2 (a pager): the request comes from the user's own action, so window managers do
    // not treat it as a focus theft.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = s.atom(kNetActiveWindow);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, s.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  }
  // The manager acts later; the focus is set here as well so that a key sent right after goes to
  // this window. A window that is not shown cannot take it.
  if (attributes.map_state != IsViewable) {
    XFlush(d);
    return false;
  }
  XRaiseWindow(d, w);
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  XSync(d, False);
  return s.trap().Take() == 0 && !s.lost();
}

void Close() {
  for (Connection* c : {&gStrokes, &gLookups}) {
    std::lock_guard<std::mutex> lock(c->mutex);
    SigPipeBlock sigPipe;
    CloseLocked(*c);
    c->reason = "no X display";
    c->failed = false;
  }
}

}  // namespace vel::keys
