#pragma once
// The three message texts every thread reports through, and the reporters that turn them into
// the status line's alert. Any thread may set a text; only the status display takes and clears
// WarnMsg and ErrMsg. The texts sit in fixed buffers so that the timer thread can set one
// without allocating.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace vel {

class MessageText {
 public:
  static constexpr std::size_t kCapacity = 511;  // longer texts are cut to this many bytes

  // Any thread; never allocates.
  void Set(std::string_view text);
  void Clear();
  // The text, leaving it empty: what the status display does with each text it shows.
  std::string TakeAndClear();
  // The text, left in place.
  std::string Peek() const;
  bool IsEmpty() const;

 private:
  mutable std::mutex mutex_;
  std::array<char, kCapacity> text_{};
  std::size_t length_ = 0;
};

// The result of the last command ("Play", "Reset", ...).
inline MessageText StatusMsg;
// A refusal or a soft fault; a leading "@" keeps it out of the diagnostics log.
inline MessageText WarnMsg;
// An internal inconsistency: procedure + " error: Unexpected " + field.
inline MessageText ErrMsg;

// The status line's alert: "Design error: " + text or "Warning: " + text. Written only by the
// reporters below (GUI thread).
inline MessageText StatusAlertText;
inline std::atomic<uint8_t> StatusAlertPending{0};
// When the alert began to show, ms of the engine clock; the status display sets it.
inline std::atomic<int32_t> StatusAlertTime{0};
// Reports since the last engine reset.
inline std::atomic<int32_t> ErrorCount{0};
inline std::atomic<int32_t> WarningCount{0};

// GUI thread: counts an internal error, raises "Design error: " + text and logs it when
// diagnostics are on.
void ReportDesignError(const std::string& text);
// GUI thread: counts a warning and raises "Warning: " + text. A leading "@" is cut off and
// keeps the line out of the log; any other warning is logged when diagnostics are on.
void ReportWarning(const std::string& text);
// GUI thread: with a non-empty text, logs "Config error: " + name + ": " + text (diagnostics
// on) and shows it in an error box. True when text is empty, that is when nothing was wrong.
bool ReportConfigError(const std::string& name, const std::string& text);
// list + ", " + item, or item alone when list is empty.
std::string AppendWithComma(const std::string& list, const std::string& item);

}  // namespace vel
