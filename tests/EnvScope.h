#pragma once
// One environment variable set or unset for the life of a scope, and what was there put back
// however the test ends: a later test in the same program must meet the test main's value (its
// private folders, the loopback devices), never this test's, nor none at all.
#include <cstdlib>
#include <optional>
#include <string>

namespace vel::test {

class TEnvScope {
 public:
  // A null value unsets the variable for the scope.
  TEnvScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  TEnvScope(const char* name, const std::string& value) : TEnvScope(name, value.c_str()) {}
  ~TEnvScope() { Set(old_ ? old_->c_str() : nullptr); }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

  // Another value within the scope; the one from before the scope still comes back at its end.
  void Set(const char* value) const {
    if (value != nullptr) {
      ::setenv(name_.c_str(), value, 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  void Set(const std::string& value) const { Set(value.c_str()); }
  // The value from before the scope; empty when there was none.
  std::string Before() const { return old_.value_or(""); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace vel::test
