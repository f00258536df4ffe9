#include "engine/ResetEngineState.h"

#include <mutex>

#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "settings/ResetModelState.h"

namespace vel {
namespace {

// A queue keeps its mutex, so it is emptied rather than assigned.
template <typename Fifo>
void EmptyFifo(Fifo& fifo) {
  std::lock_guard lock(fifo.Mutex);
  fifo.Clear();
  fifo.HighWater = 0;
}

void EmptyQueues() {
  StopHotkeySender();
  EmptyFifo(LiveFifo);
  EmptyFifo(RawFifo);
  EmptyFifo(DiagTraceFifo);
  EmptyFifo(DiagMsgsFifo);
  std::lock_guard lock(LiveNoteOnCounter.Mutex);
  LiveNoteOnCounter.Counts = {};
}

}  // namespace

void ResetEngineState() {
  // First: the device tables close what they hold open before anything the devices feed is reset.
  RunCtl = TRun{};
  ResetModelState();
  EmptyQueues();
  // A copy of a fresh instance: the part pools are too large for a temporary on the stack.
  static const TSeqs freshSeqs{};
  Seqs = freshSeqs;
  Keys = TKeys{};
  MidiIn = TMidiIn{};
  MidiInHooks = TMidiInHooks{};
  Transport = TTransport{};
  ClearTimerAccumulators();
  EngineHooks = TEngineHooks{};
  Live = TLive{};
  HotkeyIo = THotkeyIo{};
  PlayCycle = TPlay{};
  TimerIo = TTimerIo{};
  RunHooks = TRunHooks{};
  Metr = TMetr{};
  MetrRandom = &MetrRandomDefault;
}

}  // namespace vel
