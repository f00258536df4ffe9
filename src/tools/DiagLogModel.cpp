#include "tools/DiagLogModel.h"

#include "base/FileReplace.h"

namespace vel {

size_t TDiagLogModel::Add(std::string_view text) {
  if (paused_) return 0;
  size_t added = 0;
  while (true) {
    const size_t end = text.find("\r\n");
    const std::string_view line = text.substr(0, end);
    if (!line.empty()) {
      lines_.emplace_back(line);
      ++added;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
  while (lines_.size() > kMaxLines) {
    lines_.pop_front();
    truncated_ = true;
  }
  return added;
}

void TDiagLogModel::Clear() {
  lines_.clear();
  truncated_ = false;
}

std::string TDiagLogModel::FileText(const std::string& version, const std::string& system) const {
  std::string out;
  out.reserve(64 + lines_.size() * 64);
  for (const std::string& head :
       {version, std::string(), system, std::string(truncated_ ? "Log truncated" : "")})
    out += head + "\r\n";
  for (const std::string& line : lines_) out += line + "\r\n";
  return out;
}

std::string SaveDiagLogFile(const std::string& fileName, std::string_view text) {
  std::string stage, error;
  if (ReplaceFileAtomically(fileName, text, stage, error)) return {};
  // A rename that fails leaves the old file, as a close that fails would.
  const char* what = stage == "create"  ? "Cannot create file "
                     : stage == "write" ? "Cannot write to file "
                                        : "Cannot close file ";
  return std::string("Save diag log error: ") + what + "\r\n" + fileName;
}

}  // namespace vel
