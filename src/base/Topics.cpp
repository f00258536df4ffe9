#include "base/Topics.h"

#include <iterator>

#include "base/EngineLock.h"
#include "base/GuiThread.h"
#include "base/UiHooks.h"

namespace vel {

const char* TopicName(TTopic topic) {
  static constexpr const char* kNames[] = {
#define VEL_TOPIC_NAME(name) #name,
      VEL_TOPICS(VEL_TOPIC_NAME)
#undef VEL_TOPIC_NAME
  };
  const auto i = static_cast<size_t>(topic);
  return i < std::size(kNames) ? kNames[i] : "";
}

void PublishTopic(TTopic topic, std::source_location where) {
  AssertGuiThread(where);
  if (TUiAfterLock* after = TUiAfterLock::Current()) {
    after->HoldTopic(topic);
    return;
  }
  EngineLock.AssertNotHeld(where);
  Ui().Publish(topic);
}

}  // namespace vel
