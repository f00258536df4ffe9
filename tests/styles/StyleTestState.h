#pragma once
// Puts both style stores, their refresh bytes and the rebuild hook back to a fresh start, and counts the
// rebuild requests a test causes.
#include <ostream>

#include "base/Messages.h"
#include "base/Showing.h"
#include "styles/StyleStore.h"

namespace vel {

// Failure messages show a stored text as text.
template <std::size_t N>
void PrintTo(const ShortStr<N>& s, std::ostream* os) {
  *os << '"' << s.View() << '"';
}

}  // namespace vel

namespace vel::test {

inline int RebuildRequests = 0;

inline void ResetStyleState() {
  static const TStyleStore freshDrum(kDrumTraits);
  static const TStyleStore freshBass(kBassTraits);
  DrumStore = freshDrum;
  BassStore = freshBass;
  Showing = TShowing{};
  RebuildRequests = 0;
  OnMetrRebuildRequest = [] { ++RebuildRequests; };
  Msgs.WarnMsg.Clear();
}

inline void ClearStyleHooks() {
  OnMetrRebuildRequest = nullptr;
  Msgs.WarnMsg.Clear();
}

}  // namespace vel::test
