#include "keymapper/KeyMapsSave.h"

namespace vel {

TFileDialog KeyMapsSaveDialog(int32_t layout, const std::string& folder) {
  TFileDialog d;
  d.Save = true;
  d.Title = "Save key maps to file";
  d.Folder = folder;
  d.DefaultExt = layout == 2 ? "csv" : "txt";
  d.Filter = layout == 2 ? "CSV files (*.csv)|*.csv" : "Text files (*.txt)|*.txt";
  return d;
}

std::string KeyMapsFileBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::string KeyMapsSaveErrorText(const std::string& stage, const std::string& fileName) {
  const char* what = stage == "create"  ? "Cannot create file"
                     : stage == "write" ? "Cannot write to file"
                                        : "Cannot close file";
  return std::string("Save key maps error: ") + what + " \r\n" + fileName;
}

}  // namespace vel
