#include "base/Messages.h"

#include <algorithm>

#include "base/DiagLog.h"
#include "base/Showing.h"
#include "base/UiHooks.h"

namespace vel {

void MessageText::Set(std::string_view text) {
  std::lock_guard lock(mutex_);
  length_ = std::min(text.size(), kCapacity);
  std::copy_n(text.data(), length_, text_.data());
}

MessageText& MessageText::operator=(const MessageText& other) {
  if (this == &other) return *this;
  std::scoped_lock lock(mutex_, other.mutex_);
  text_ = other.text_;
  length_ = other.length_;
  return *this;
}

void MessageText::Clear() {
  std::lock_guard lock(mutex_);
  length_ = 0;
}

std::string MessageText::TakeAndClear() {
  std::lock_guard lock(mutex_);
  std::string text(text_.data(), length_);
  length_ = 0;
  return text;
}

std::string MessageText::Peek() const {
  std::lock_guard lock(mutex_);
  return std::string(text_.data(), length_);
}

bool MessageText::IsEmpty() const {
  std::lock_guard lock(mutex_);
  return length_ == 0;
}

namespace {

void RaiseAlert(const std::string& alert) {
  Msgs.StatusAlertText.Set(alert);
  Msgs.StatusAlertPending = 1;
}

}  // namespace

void ReportDesignError(const std::string& text) {
  ++Msgs.ErrorCount;
  std::string alert = "Design error: " + text;
  RaiseAlert(alert);
  if (Trace.DiagFlags) DiagLogTimed(alert);
}

void ReportWarning(const std::string& text) {
  ++Msgs.WarningCount;
  bool quiet = !text.empty() && text[0] == '@';
  std::string alert = "Warning: " + (quiet ? text.substr(1) : text);
  RaiseAlert(alert);
  if (!quiet && Trace.DiagFlags) DiagLogTimed(alert);
}

bool ReportConfigError(const std::string& name, const std::string& text) {
  if (text.empty()) return true;
  std::string line = "Config error: " + name + ": " + text;
  if (Trace.DiagFlags) DiagLogTimed(line);
  ShowMessage(line, MsgKind::Error, MsgButtons::Ok);
  return false;
}

std::string AppendWithComma(const std::string& list, const std::string& item) {
  return list.empty() ? item : list + ", " + item;
}

}  // namespace vel
