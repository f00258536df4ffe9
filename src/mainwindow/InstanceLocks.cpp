#include "mainwindow/InstanceLocks.h"

namespace vel {

void TInstanceLocks::ReleaseAll() {
  for (auto& lock : Locks) lock.reset();
  CopyNo = 0;
}

std::string InstanceMutexName(const char* name, int32_t n) {
  return std::string("Vellorine-") + name + std::to_string(n);
}

bool CreateInstanceMutexes(TInstanceLocks& locks, std::string& errorText, int32_t maxCopies) {
  locks.ReleaseAll();
  for (int32_t n = 1; n <= maxCopies; ++n) {
    bool allFree = true;
    for (std::size_t i = 0; i < kInstanceMutexNames.size() && allFree; ++i) {
      const std::string name = InstanceMutexName(kInstanceMutexNames[i], n);
      std::string why;
      switch (instance::CreateNamedMutex(name, locks.Locks[i], why)) {
        case instance::CreateResult::Created:
          break;
        case instance::CreateResult::AlreadyExists:
          allFree = false;
          break;
        case instance::CreateResult::Failed:
          locks.ReleaseAll();
          errorText = "Failed to create mutex for " + name;
          return false;
      }
    }
    if (allFree) {
      locks.CopyNo = n;
      return true;
    }
    locks.ReleaseAll();
  }
  errorText = "Cannot run more than " + std::to_string(maxCopies) + " copies";
  return false;
}

}  // namespace vel
