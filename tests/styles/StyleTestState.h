#pragma once
// A fresh start for the style tests, counting the rebuild requests a test causes.
#include <ostream>

#include "settings/ResetModelState.h"
#include "styles/StyleStore.h"

namespace vel {

// Failure messages show a stored text as text.
template <std::size_t N, std::size_t Bytes>
void PrintTo(const ShortStr<N, Bytes>& s, std::ostream* os) {
  *os << '"' << s.View() << '"';
}

}  // namespace vel

namespace vel::test {

inline int RebuildRequests = 0;

// Every module reset, and the rebuild requests counted from here on.
inline void ResetStyleState() {
  ResetModelState();
  RebuildRequests = 0;
  OnMetrRebuildRequest = [] { ++RebuildRequests; };
}

}  // namespace vel::test
