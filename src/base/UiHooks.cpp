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

UiHooks& Ui() {
  static UiHooks hooks;
  return hooks;
}

}  // namespace vel
