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

#include "base/Atomic.h"

namespace vel {

class MessageText {
 public:
  static constexpr std::size_t kCapacity = 511;  // longer texts are cut to this many bytes

  MessageText() = default;
  // Takes the other's text, so that a module reset can assign a fresh set of slots.
  MessageText& operator=(const MessageText& other);

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

// The message slots and the status line's alert. Each text slot guards itself, so any thread may
// set one (the timer thread included: no allocation); the counters and the alert's flag and time
// are shared atomics, raised by the reporters on the GUI thread and read by the displays.
struct TMessages {
  // The result of the last command ("Play", "Reset", ...).
  MessageText StatusMsg;
  // A refusal or a soft fault; a leading "@" keeps it out of the diagnostics log.
  MessageText WarnMsg;
  // An internal inconsistency: procedure + " error: Unexpected " + field.
  MessageText ErrMsg;
  // The status line's alert: "Design error: " + text or "Warning: " + text. Written only by the
  // reporters below (GUI thread).
  MessageText StatusAlertText;
  TAtomic<uint8_t> StatusAlertPending{0};
  // When the alert began to show, ms of the engine clock; the status display sets it.
  TAtomic<int32_t> StatusAlertTime{0};
  // Reports since the last engine reset.
  TAtomic<int32_t> ErrorCount{0};
  TAtomic<int32_t> WarningCount{0};
};
inline TMessages Msgs;

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
