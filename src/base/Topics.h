#pragma once
// What changed in the model, as the core says it. The core never names a window: it raises a
// topic, and the windows that show something of it redraw (TWindow::On, mainwindow/WindowRegistry.h).
//
// Two roads, one vocabulary:
// - RaiseTopic, from any thread (the timer, MIDI-in and GUI threads): sets a bit without a lock or an
//   allocation; the main window's status tick delivers what was raised, each topic once.
// - PublishTopic, on the GUI thread: delivered to the windows before it returns, for a handler whose
//   next step needs the windows redrawn. Headless (no window registered) it raises instead.
#include <atomic>
#include <cstdint>
#include <source_location>

namespace vel {

#define VEL_TOPICS(X)                                                                           \
  X(KeyMaps)            /* a key map's keys, or the maps in force */                            \
  X(KeyMode)            /* the key mode in force */                                             \
  X(KeyLabels)          /* what the keys are labelled with (octave, scale, metronome notes) */  \
  X(KeyColours)         /* the colours the keys are drawn in */                                 \
  X(LiveKey)            /* the last control key received, and the keys lit */                   \
  X(Colours)            /* any colour setting */                                                \
  X(MetrMode)           /* the metronome type or styles mode as shown, or their colours */      \
  X(MetrModeByKey)      /* a key switched the metronome type or styles mode */                  \
  X(MetrNoteLen)        /* the metronome's note length */                                       \
  X(StepRecNoteLen)     /* step recording's note length */                                      \
  X(StepRecNoteOn)      /* step recording's note-on percentage */                               \
  X(StepRecChord)       /* step recording's chord detection */                                  \
  X(TempoSlew)          /* the tempo slew time */                                               \
  X(Behaviour)          /* a behaviour setting a key or the hotkey target changed */            \
  X(Kinetrace)          /* the Kinetrace display settings */                                    \
  X(Settings)           /* the settings as a whole (loaded, reset) */                           \
  X(InPorts)            /* the input ports allocated */                                         \
  X(OutPorts)           /* the output ports allocated */                                        \
  X(DrumStyles)         /* the drum styles defined */                                           \
  X(DrumStyle)          /* the drum style or pattern chosen, or its rows */                     \
  X(DrumTrigger)        /* the drum break trigger's state */                                    \
  X(DrumChain)          /* the drum chain's step */                                             \
  X(BassStyles)         /* the same for the bass */                                             \
  X(BassStyle)                                                                                  \
  X(BassTrigger)                                                                                \
  X(BassChain)                                                                                  \
  /* Events: published on the GUI thread at the moment they happen. */                         \
  X(EngineReset)        /* the engine was reset: the displays start afresh */                   \
  X(RunStarted)         /* running began */                                                     \
  X(CalibrationLost)    /* the octave offsets were reset: the performer must calibrate again */ \
  X(RunStopping)        /* a stop begins; the timer still runs */                               \
  X(RunStopped)         /* running ended and the engine was reset */                            \
  X(InPortsClosed)      /* every input port closed: no port, every device free */               \
  X(OutPortsClosed)     /* every output port closed */                                          \
  X(CriticalClose)      /* a critical error ends the program: run-time controls go, the system  \
                           colours come back */                                                 \
  X(ProgramEnding)      /* the closing warning was seen: the windows close without asking */

enum class TTopic : uint8_t {
#define VEL_TOPIC_ENUM(name) name,
  VEL_TOPICS(VEL_TOPIC_ENUM)
#undef VEL_TOPIC_ENUM
};
inline constexpr int32_t kTopicCount = 0
#define VEL_TOPIC_COUNT(name) +1
    VEL_TOPICS(VEL_TOPIC_COUNT)
#undef VEL_TOPIC_COUNT
    ;
static_assert(kTopicCount <= 64, "the raised topics are one 64-bit word");

// The topic's name ("KeyMaps"), for logs and test records.
const char* TopicName(TTopic topic);

// The topics raised and not yet delivered. Shared atomic: any thread raises, the GUI thread takes.
class TTopicSet {
 public:
  void Raise(TTopic topic) { bits_.fetch_or(Bit(topic), std::memory_order_release); }
  bool Raised(TTopic topic) const { return (bits_.load(std::memory_order_acquire) & Bit(topic)) != 0; }
  // Every topic raised since the last take, as bits by topic number; none is left raised.
  uint64_t TakeAll() { return bits_.exchange(0, std::memory_order_acq_rel); }
  void Clear() { bits_.store(0, std::memory_order_release); }
  static constexpr uint64_t Bit(TTopic topic) { return uint64_t{1} << static_cast<unsigned>(topic); }

 private:
  std::atomic<uint64_t> bits_{0};
};
inline TTopicSet Topics;

// Raises the topic (any thread).
inline void RaiseTopic(TTopic topic) { Topics.Raise(topic); }
// Delivers the topic to the windows now; see above. GUI thread, never with the engine lock held:
// the windows' redraws run inside it (debug builds abort, naming the caller). Inside a
// TUiAfterLock (base/UiHooks.h) it is delivered when that goes.
void PublishTopic(TTopic topic, std::source_location where = std::source_location::current());

}  // namespace vel
