#pragma once
// Counts every operator new of a test program, but only on a thread that armed the count and only
// while it is armed, so the program's other tests are not disturbed. It replaces the global
// allocation functions: include it in one file of a test program only.
#include <cstdlib>
#include <new>

namespace vel::test {

inline thread_local bool tCountNew = false;
inline thread_local long tNewCount = 0;

// The allocations fn makes on this thread.
template <typename Fn>
long CountNews(Fn fn) {
  tNewCount = 0;
  tCountNew = true;
  fn();
  tCountNew = false;
  return tNewCount;
}

}  // namespace vel::test

void* operator new(std::size_t size) {
  if (vel::test::tCountNew) ++vel::test::tNewCount;
  if (size == 0) size = 1;
  if (void* p = std::malloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
