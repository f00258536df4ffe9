#pragma once
// Replacing a file on disk whole, so that a save that fails half-way never leaves half a file.
#include <string>
#include <string_view>

namespace vel {

// Replaces a file whole: the bytes go to a temporary file in the same folder, which is flushed to
// disk and renamed over the old file. On any failure the old file is untouched, the temporary file
// removed, and error holds the system's text; stage tells which step failed ("create", "write",
// "close").
bool ReplaceFileAtomically(const std::string& fileName, std::string_view bytes, std::string& stage,
                           std::string& error);

}  // namespace vel
