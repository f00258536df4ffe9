#pragma once
// Replacing a file on disk whole, so that a save that fails half-way never leaves half a file.
#include <array>
#include <string>
#include <string_view>

#include "base/HookSlots.h"

namespace vel {

// Replaces a file whole: the bytes go to a temporary file in the same folder (a name of mkstemp's),
// which is flushed to disk and renamed over the old file; then the folder is flushed, so the new
// name survives a power cut. The new file keeps the old file's permissions (a new file gets the
// usual ones under the umask). On a failure before the rename the old file is untouched, the
// temporary file removed, and error holds the system's text; stage tells which step failed
// ("create", "write", "close", "rename"; "close" too when only the folder's flush fails, the new file
// then in place).
bool ReplaceFileAtomically(const std::string& fileName, std::string_view bytes, std::string& stage,
                           std::string& error);

// Called with the temporary file's name once its bytes are on disk, before the rename: tests look
// there at what a writer holds while the disk is busy. Empty in the program.
struct TFileReplaceHooks {
  void (*Written)(const std::string& tempName) = nullptr;
};
inline TFileReplaceHooks FileReplaceHooks;

inline auto HookSlots(const TFileReplaceHooks& h) {
  // Only a test looks between the write and the rename.
  return std::to_array<THookSlot>({{"Written", h.Written != nullptr, true}});
}
static_assert(kAllSlotsListed<TFileReplaceHooks, void (*)()>,
              "a member of TFileReplaceHooks is not in HookSlots");

}  // namespace vel
