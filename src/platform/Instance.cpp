#include "platform/Instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace vel::instance {
namespace {

std::string ErrnoText(int e) {
  return std::error_code(e, std::generic_category()).message();
}

// Keeps a name to one file: letters, digits, '.' and '-' stay, every other byte becomes '_' and
// two hex digits ('_' itself among them), so two different names never share a lock file.
std::string FileStem(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-') {
      out += static_cast<char>(c);
    } else {
      out += '_';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// $XDG_RUNTIME_DIR belongs to the user; /tmp is shared, so there the user id goes into the file
// name and another user's copy neither blocks ours nor is blocked by it.
std::string LockFilePath(const std::string& name) {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir != nullptr && runtimeDir[0] != '\0') {
    return std::string(runtimeDir) + "/" + FileStem(name) + ".lock";
  }
  return "/tmp/" + FileStem(name) + "." + std::to_string(getuid()) + ".lock";
}

// Lock files held by this process. flock alone would already refuse a second hold here, but the
// set says so without touching the file system.
std::mutex gHeldMutex;
std::set<std::string>& Held() {
  static auto* held = new std::set<std::string>;  // never destroyed: names may outlive statics
  return *held;
}

// The in-process side is a re-entrant mutex with a timed wait, made of a plain mutex and a
// condition variable: std::recursive_timed_mutex waits through pthread_mutex_clocklock, which the
// thread sanitizer does not follow, so it would report races that are not there.
class LockFileMutex final : public NamedMutex {
 public:
  LockFileMutex(std::string name, std::string path, int fd)
      : name_(std::move(name)), path_(std::move(path)), fd_(fd) {}

  ~LockFileMutex() override {
    std::lock_guard lock(gHeldMutex);
    // Closing drops the flock. The file stays: unlinking it could let a copy that has just opened
    // the old file and a copy that creates a new one both think they hold the name.
    close(fd_);
    Held().erase(path_);
  }

  bool Wait(std::chrono::milliseconds timeout) override {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(m_);
    if (depth_ > 0 && owner_ == me) {
      ++depth_;
      return true;
    }
    if (!free_.wait_for(lock, timeout, [this] { return depth_ == 0; })) return false;
    owner_ = me;
    depth_ = 1;
    return true;
  }

  // A thread that does not hold the mutex cannot release it; the call is ignored.
  void Release() override {
    std::lock_guard lock(m_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) return;
    if (--depth_ > 0) return;
    owner_ = std::thread::id();
    free_.notify_one();  // under the lock: a waiter that gets it may destroy this object at once
  }

  const std::string& Name() const override { return name_; }

 private:
  std::string name_;
  std::string path_;
  int fd_;
  std::mutex m_;
  std::condition_variable free_;
  std::thread::id owner_;  // under m_
  int depth_ = 0;          // under m_
};

}  // namespace

CreateResult CreateNamedMutex(const std::string& name, std::unique_ptr<NamedMutex>& out,
                              std::string& errorText) {
  out.reset();
  const std::string path = LockFilePath(name);
  std::lock_guard lock(gHeldMutex);
  if (Held().count(path) != 0) return CreateResult::AlreadyExists;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    errorText = "Cannot open lock file " + path + ": " + ErrnoText(errno);
    return CreateResult::Failed;
  }
  int rc;
  while ((rc = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    const int e = errno;
    close(fd);
    if (e == EWOULDBLOCK) return CreateResult::AlreadyExists;
    errorText = "Cannot lock " + path + ": " + ErrnoText(e);
    return CreateResult::Failed;
  }
  Held().insert(path);
  out = std::make_unique<LockFileMutex>(name, path, fd);
  return CreateResult::Created;
}

}  // namespace vel::instance
