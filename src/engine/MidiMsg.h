#pragma once
// The note and channel work that the seqs and the live output share: the note fitted to a scale table, the
// note moved with an off-keyboard note silenced, the channel multiplier's range and the channels a port's
// programs are kept for. One copy, so the seqs and the live output cannot drift apart.
#include <algorithm>
#include <array>
#include <cstdint>

#include "base/Sizes.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel::msg {

// a mod n in 0..n-1, negative a included.
constexpr int32_t FloorMod(int32_t a, int32_t n) {
  const int32_t r = a % n;
  return r < 0 ? r + n : r;
}

// The note fitted to a force-to-scale table (24 entries: per pitch class over two octaves, the
// half steps to add) with the given root; no table leaves it as it is.
inline int32_t ScaleNote(const std::array<int32_t, 24>* tbl, int32_t root, int32_t note) {
  if (tbl == nullptr) return note;
  return note + (*tbl)[FloorMod(note, 12) + 12 - FloorMod(root, 12)];
}

// Sets data 1 to the note, or the velocity to 0 when the note is off the keyboard; the message is
// built anew from its three bytes.
constexpr uint32_t WithNote(uint32_t msg, int32_t note) {
  const midi::TShortMsg m{msg};
  if (note < 0 || note > 127) return midi::TShortMsg::Pack(m.Status(), m.Data1(), 0).Raw;
  return midi::TShortMsg::Pack(m.Status(), static_cast<uint32_t>(note), m.Data2()).Raw;
}

// One channel multiplier copy of a note message: on channel c, data 1 moved by the channel's
// pitch offset plus shift, then fitted to the scale. Each copy starts from the message as it
// came, so one channel's note off the keyboard silences only that channel.
inline uint32_t MChanNoteCopy(uint32_t msg, int32_t port, int32_t c, int32_t shift,
                              const std::array<int32_t, 24>* tbl, int32_t root) {
  const midi::TShortMsg m{msg};
  return WithNote(m.WithChannel(c).Raw,
                  ScaleNote(tbl, root, Cfg.MChanPitchOffset[port][c] + shift + m.Data1()));
}

// The ends of the port's multiplier range, kept within 0..15. port 0..8.
inline int32_t MChanLo(int32_t port) {
  return std::max<int32_t>(Cfg.MChanMin[port], 0);
}
inline int32_t MChanHi(int32_t port) {
  return std::min<int32_t>(Cfg.MChanMax[port], kChans - 1);
}

// Calls fn(c) for each channel of the port's multiplier range, kept within 0..15. port 0..8.
template <typename Fn>
void ForMChans(int32_t port, Fn fn) {
  const int32_t hi = MChanHi(port);
  for (int32_t c = MChanLo(port); c <= hi; ++c) fn(c);
}

// Whether a port's channel multiplier takes in this channel.
inline bool MChanTakes(int32_t port, int32_t chan) {
  return Cfg.MChanEnabled[port] && Cfg.MChanMin[port] <= chan && chan <= Cfg.MChanMax[port];
}

// The channels whose programs a sender on the port keeps: the multiplier's range when it
// applies, else the one channel. port 0..8.
template <typename Fn>
void ForProgChans(int32_t port, bool mchanApplies, int32_t chan, Fn fn) {
  if (mchanApplies) {
    ForMChans(port, fn);
  } else {
    fn(chan & 0x0F);
  }
}

}  // namespace vel::msg
