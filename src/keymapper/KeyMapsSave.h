#pragma once
// Saving the key-maps table: the dialog it asks, the bytes it writes and the words of its errors.
#include <cstdint>
#include <string>
#include <vector>

#include "mainwindow/FileMenus.h"

namespace vel {

// The save dialog for layout 0 (spaces), 1 (tabs) or 2 (commas), opening in folder.
TFileDialog KeyMapsSaveDialog(int32_t layout, const std::string& folder);
// The file: every line followed by CR LF, the labels' bytes as they are.
std::string KeyMapsFileBytes(const std::vector<std::string>& lines);
// The message for a failed step of the file's replacement ("create", "write", "close", "rename"):
// "Save key maps error: Cannot ... file \r\n" and the file name. The rename finishes the file, so it
// counts as the close.
std::string KeyMapsSaveErrorText(const std::string& stage, const std::string& fileName);

}  // namespace vel
