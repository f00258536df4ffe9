#pragma once
// A std::atomic that a module's state struct can hold and still be reset by assigning a fresh
// instance. Copying loads and stores each value on its own (relaxed): a reset is not one atomic
// step, which no reader needs, since each value is read on its own as well.
#include <atomic>

namespace vel {

template <typename T>
struct TAtomic : std::atomic<T> {
  using std::atomic<T>::atomic;
  using std::atomic<T>::operator=;
  constexpr TAtomic() noexcept : std::atomic<T>(T{}) {}
  TAtomic(const TAtomic& other) noexcept : std::atomic<T>(other.load(std::memory_order_relaxed)) {}
  TAtomic& operator=(const TAtomic& other) noexcept {
    this->store(other.load(std::memory_order_relaxed), std::memory_order_relaxed);
    return *this;
  }
};

}  // namespace vel
