#pragma once
// A single-producer, single-consumer ring of variable-length byte records. Neither side blocks
// or allocates, so a real-time thread may be either end.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vel::midi::detail {

template <std::size_t Capacity>
class SpscRing {
  static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

 public:
  struct Header {
    int64_t timeNs;
    uint32_t length;
    uint32_t tag;  // a second value of the producer's (in what would be padding)
  };

  // False when the record does not fit; the ring is then unchanged.
  bool Push(const uint8_t* data, uint32_t length, int64_t timeNs, uint32_t tag = 0) {
    const std::size_t need = sizeof(Header) + length;
    const std::size_t w = write_.load(std::memory_order_relaxed);
    const std::size_t r = read_.load(std::memory_order_acquire);
    if (need > Capacity - (w - r)) return false;
    Header h{timeNs, length, tag};
    CopyIn(w, reinterpret_cast<const uint8_t*>(&h), sizeof h);
    CopyIn(w + sizeof h, data, length);
    write_.store(w + need, std::memory_order_release);
    return true;
  }

  // Reads the oldest record into buf (of size cap); false when empty. A record longer than cap
  // is skipped and reported with length set to its size and truncated = true.
  bool Pop(uint8_t* buf, std::size_t cap, Header& h, bool& truncated) {
    const std::size_t r = read_.load(std::memory_order_relaxed);
    const std::size_t w = write_.load(std::memory_order_acquire);
    if (r == w) return false;
    CopyOut(r, reinterpret_cast<uint8_t*>(&h), sizeof h);
    truncated = h.length > cap;
    if (!truncated) CopyOut(r + sizeof h, buf, h.length);
    read_.store(r + sizeof h + h.length, std::memory_order_release);
    return true;
  }

  bool Empty() const {
    return read_.load(std::memory_order_acquire) == write_.load(std::memory_order_acquire);
  }

  // Only when neither side is active.
  void Clear() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  void CopyIn(std::size_t pos, const uint8_t* src, std::size_t n) {
    const std::size_t at = pos & (Capacity - 1);
    const std::size_t first = n < Capacity - at ? n : Capacity - at;
    std::memcpy(&buf_[at], src, first);
    std::memcpy(&buf_[0], src + first, n - first);
  }
  void CopyOut(std::size_t pos, uint8_t* dst, std::size_t n) const {
    const std::size_t at = pos & (Capacity - 1);
    const std::size_t first = n < Capacity - at ? n : Capacity - at;
    std::memcpy(dst, &buf_[at], first);
    std::memcpy(dst + first, &buf_[0], n - first);
  }

  std::array<uint8_t, Capacity> buf_{};
  alignas(64) std::atomic<std::size_t> write_{0};
  alignas(64) std::atomic<std::size_t> read_{0};
};

}  // namespace vel::midi::detail
