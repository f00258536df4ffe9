#include "base/Topics.h"

#include <iterator>

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

void PublishTopic(TTopic topic) {
  Ui().Publish(topic);
}

}  // namespace vel
