#pragma once
// A slot of a hook struct as start-up left it. Each hook struct lists its slots in HookSlots next to
// its definition, so that one test can see that start-up fills every slot the core calls; a
// static_assert beside each list (kAllSlotsListed) fails the build when a member is added to the
// struct without a line in the list.
#include <cstddef>
#include <tuple>
#include <utility>

// A slot's line in a list: its name as written and whether it is filled.
#define VEL_HOOK_SLOT(hooks, member)             \
  ::vel::THookSlot {                             \
#member, static_cast < bool>((hooks).member) \
  }

namespace vel {

struct THookSlot {
  const char* Name = "";
  bool Filled = false;
  // The program may leave it empty; the list says why beside it.
  bool Optional = false;
};

// Every member of Hooks is listed by HookSlots(Hooks), its members being all of the size of Slot.
template <typename Hooks, typename Slot>
inline constexpr bool kAllSlotsListed =
    sizeof(Hooks) == std::tuple_size_v<decltype(HookSlots(std::declval<const Hooks&>()))> * sizeof(Slot);

}  // namespace vel
