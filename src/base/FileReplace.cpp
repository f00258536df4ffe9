#include "base/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/Formats.h"

namespace vel {

namespace {

// The process's umask, read without setting it: umask() would change it for every thread a moment.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

// The old file's permissions, else those of a new file; never mkstemp's 0600.
mode_t ModeFor(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return 0666 & ~CurrentUmask();
}

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // Some file systems cannot flush a folder; their rename is as safe as it gets.
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  const int err = errno;
  ::close(fd);
  errno = err;
  return ok;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& fileName, std::string_view bytes, std::string& stage,
                           std::string& error) {
  std::string folder = FolderOf(fileName);
  if (folder.empty()) folder = ".";
  std::string tmp = folder + "/.vellorine-save-XXXXXX";
  const mode_t mode = ModeFor(fileName);
  stage = "create";
  const int fd = mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  stage = "write";
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int err = errno;
  if (ok) {
    stage = "close";
    ok = ::close(fd) == 0;
    err = errno;
  } else {
    ::close(fd);
  }
  if (ok && FileReplaceHooks.Written) FileReplaceHooks.Written(tmp);
  if (ok) {
    stage = "rename";
    ok = ::rename(tmp.c_str(), fileName.c_str()) == 0;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    error = std::strerror(err);
    return false;
  }
  if (!SyncFolder(folder)) {
    stage = "close";
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vel
