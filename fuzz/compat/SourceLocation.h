#pragma once
// clang 14 with libstdc++ 12 has no std::source_location (the library needs a builtin that clang
// gained in 15). The fuzz build forces this header in first: the same class over the builtins
// clang 14 has.
#include <source_location>

#if !defined(__cpp_lib_source_location)
namespace std {
struct source_location {
  static constexpr source_location current(const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION(),
                                           unsigned line = __builtin_LINE()) noexcept {
    source_location s;
    s.file_ = file;
    s.function_ = function;
    s.line_ = line;
    return s;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }
  constexpr unsigned line() const noexcept { return line_; }
  constexpr unsigned column() const noexcept { return 0; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  unsigned line_ = 0;
};
}  // namespace std
#endif
