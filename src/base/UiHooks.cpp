#include "base/UiHooks.h"

#include <iterator>

#include "base/EngineLock.h"
#include "base/GuiThread.h"

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

namespace {
thread_local TUiAfterLock* tAfterLock = nullptr;
}  // namespace

MsgAnswer ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons, const std::string& caption,
                      std::source_location where) {
  AssertGuiThread(where);
  if (TUiAfterLock* after = TUiAfterLock::Current(); after && buttons == MsgButtons::Ok) {
    after->HoldBox(text, caption, kind);
    return MsgAnswer::Ok;
  }
  EngineLock.AssertNotHeld(where);
  return Ui().MessageBox(text, caption, kind, buttons);
}

TUiAfterLock::TUiAfterLock(std::source_location where) : outer_(tAfterLock), where_(where) {
  AssertGuiThread(where);
  tAfterLock = this;
}

TUiAfterLock::~TUiAfterLock() {
  tAfterLock = outer_;
  if (outer_) {
    for (THeld& h : held_) {
      if (h.IsTopic) {
        outer_->HoldTopic(h.Topic);  // still once
      } else {
        outer_->held_.push_back(std::move(h));
      }
    }
    return;
  }
  // Where the lock is still held, the checks below name the function that made this one.
  for (const THeld& h : held_) {
    if (h.IsTopic) {
      PublishTopic(h.Topic, where_);
    } else {
      ShowMessage(h.Text, h.Kind, MsgButtons::Ok, h.Caption, where_);
    }
  }
}

TUiAfterLock* TUiAfterLock::Current() {
  return tAfterLock;
}

void TUiAfterLock::HoldBox(const std::string& text, const std::string& caption, MsgKind kind) {
  held_.push_back({false, TTopic{}, text, caption, kind});
}

void TUiAfterLock::HoldTopic(TTopic topic) {
  // Delivered once: the windows redraw from what the model is then.
  for (const THeld& h : held_)
    if (h.IsTopic && h.Topic == topic) return;
  held_.push_back({true, topic, {}, {}, MsgKind::Information});
}

UiHooks& Ui() {
  static UiHooks hooks;
  return hooks;
}

}  // namespace vel
