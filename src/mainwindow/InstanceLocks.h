#pragma once
// The per-copy locks. One copy number serves all five names: the first n whose five names are all
// free, so two copies never share a number for some names and not for others.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Instance.h"

namespace vel {

inline constexpr int32_t kMaxCopies = 1000;
inline constexpr std::array<const char*, 5> kInstanceMutexNames = {"LiveFifo", "RawFifo", "DiagTraceFifo",
                                                                   "DiagMsgsFifo", "LiveNoteOnCounter"};

struct TInstanceLocks {
  std::array<std::unique_ptr<instance::NamedMutex>, 5> Locks;
  int32_t CopyNo = 0;  // 0 while none is held
  bool IsFirstInstance() const { return CopyNo == 1; }
  void ReleaseAll();
};

// "Vellorine-" + name + n.
std::string InstanceMutexName(const char* name, int32_t n);

// Takes the five locks of the first free copy number 1..maxCopies. On failure nothing is held and
// errorText says why: "Failed to create mutex for " + the name, or "Cannot run more than " +
// maxCopies + " copies".
bool CreateInstanceMutexes(TInstanceLocks& locks, std::string& errorText, int32_t maxCopies = kMaxCopies);

// The locks of this copy, held until the process ends.
inline TInstanceLocks InstanceLocks;

}  // namespace vel
