#include "settings/CfgBinding.h"

#include <optional>
#include <type_traits>

#include "settings/CfgLimits.h"

namespace vel {

namespace {

const CfgScalar* RowOf(const CfgVarRef& var) {
  for (const CfgScalar& s : CfgScalars)
    if (s.Var == var) return &s;
  return nullptr;
}

}  // namespace

TCfgBinding BindCfg(CfgVarRef var) {
  TCfgBinding b{var};
  const CfgScalar* row = RowOf(var);
  if (!row) return b;
  if (row->Form == CfgForm::Shown) b.Offset = -1;
  if (row->Form == CfgForm::Seconds) b.Scale = 1000;
  // A refused-outside range is in the file's unit already; a kept-inside one is checked once
  // seconds became ms.
  if (const std::optional<TCfgRange> r = CfgRangeOf(row->Keyword)) {
    const int32_t scale = r->KeptInside ? b.Scale : 1;
    b.Lo = r->Lo / scale;
    b.Hi = r->Hi / scale;
  }
  return b;
}

int32_t ShownValue(const TCfgBinding& b, int32_t held) {
  return (held - b.Offset) / b.Scale;
}

int32_t HeldValue(const TCfgBinding& b, int32_t shown) {
  return shown * b.Scale + b.Offset;
}

int32_t HeldCfg(const TCfgBinding& b) {
  return std::visit(
      [](auto* v) -> int32_t {
        if constexpr (std::is_same_v<decltype(v), std::string*>) {
          return 0;
        } else {
          return int32_t(*v);
        }
      },
      b.Var);
}

int32_t ReadCfgLocked(const TCfgBinding& b) {
  std::lock_guard lock(EngineLock);
  return HeldCfg(b);
}

void StoreCfg(const TCfgBinding& b, int32_t held) {
  std::lock_guard lock(EngineLock);
  std::visit(
      [held](auto* v) {
        using T = std::remove_pointer_t<decltype(v)>;
        if constexpr (!std::is_same_v<T, std::string>) *v = T(held);
      },
      b.Var);
}

}  // namespace vel
