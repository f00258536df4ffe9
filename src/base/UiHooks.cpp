#include "base/UiHooks.h"

#include <iterator>

namespace vel {

MsgAnswer FirstButtonAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
      break;
  }
  return MsgAnswer::Ok;
}

const char* RefreshName(TRefresh which) {
  static constexpr const char* kNames[] = {
#define VEL_REFRESH_NAME(name) #name,
      VEL_REFRESH_REQUESTS(VEL_REFRESH_NAME)
#undef VEL_REFRESH_NAME
  };
  const auto i = static_cast<size_t>(which);
  return i < std::size(kNames) ? kNames[i] : "";
}

UiHooks& Ui() {
  static UiHooks hooks;
  return hooks;
}

}  // namespace vel
