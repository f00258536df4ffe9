#pragma once
// The diagnostics log as the window shows it: its lines, the cap that keeps it near a thousand
// lines, and the paused and truncated flags; and the log's file text. GUI thread only.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace vel {

class TDiagLogModel {
 public:
  static constexpr size_t kMaxLines = 1000;
  // Adds the text split at CR LF, blank lines dropped; then drops the oldest lines beyond the cap
  // (a multi-line dump must not grow the log without end). Returns the number of lines added:
  // none while paused.
  size_t Add(std::string_view text);
  void Clear();
  void SetPaused(bool on) { paused_ = on; }
  bool Paused() const { return paused_; }
  bool Truncated() const { return truncated_; }
  const std::deque<std::string>& Lines() const { return lines_; }
  // The file: version line, an empty line, the system line, "Log truncated" or empty, then every
  // line; each ended by CR LF.
  std::string FileText(const std::string& version, const std::string& system) const;

 private:
  std::deque<std::string> lines_;
  bool paused_ = false;
  bool truncated_ = false;
};

// Writes the log file whole (a failed save keeps the old file). Empty when saved, else the
// message for the failing step, "Save diag log error: Cannot … file " + CR LF + the file name.
std::string SaveDiagLogFile(const std::string& fileName, std::string_view text);

}  // namespace vel
