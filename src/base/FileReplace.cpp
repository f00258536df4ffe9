#include "base/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/Formats.h"

namespace vel {

bool ReplaceFileAtomically(const std::string& fileName, std::string_view bytes, std::string& stage,
                           std::string& error) {
  std::string folder = FolderOf(fileName);
  if (folder.empty()) folder = ".";
  std::string tmp = folder + "/.vellorine-save-XXXXXX";
  stage = "create";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  // A replaced settings file keeps the usual permissions of a new file, not mkstemp's 0600.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  stage = "write";
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : ENOSPC);
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    error = std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  stage = "close";
  if (::close(fd) != 0) {
    error = std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), fileName.c_str()) != 0) {
    error = std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace vel
