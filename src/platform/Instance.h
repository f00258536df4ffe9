#pragma once
// Named locks that tell one running copy of the program from another. Each name is a lock file
// under $XDG_RUNTIME_DIR (else /tmp) held with flock, so a crash or kill frees it.
#include <chrono>
#include <memory>
#include <string>

namespace vel::instance {

class NamedMutex;

enum class CreateResult { Created, AlreadyExists, Failed };

// Creates the named lock. AlreadyExists when another running copy (or this process) holds the
// name; out is then empty. Failed when the lock file cannot be made; errorText says why.
CreateResult CreateNamedMutex(const std::string& name, std::unique_ptr<NamedMutex>& out,
                              std::string& errorText);

// The in-process side: a re-entrant timed mutex, as the queues wait on it for at most 100 ms.
// Destroying it frees the name.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
  // True when acquired within the wait; false on time-out.
  virtual bool Wait(std::chrono::milliseconds timeout) = 0;
  virtual void Release() = 0;
  virtual const std::string& Name() const = 0;
};

}  // namespace vel::instance
