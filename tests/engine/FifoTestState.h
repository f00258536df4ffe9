#pragma once
// Puts the queues, the message texts and the diagnostics switches back to a clean start.
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/MidiFifo.h"

namespace vel::test {

template <typename Fifo>
void EmptyFifo(Fifo& fifo) {
  std::lock_guard lock(fifo.Mutex);
  fifo.Clear();
  fifo.HighWater = 0;
}

inline void ResetFifoState() {
  EmptyFifo(LiveFifo);
  EmptyFifo(RawFifo);
  EmptyFifo(DiagTraceFifo);
  EmptyFifo(DiagMsgsFifo);
  {
    std::lock_guard lock(LiveNoteOnCounter.Mutex);
    for (auto& channel : LiveNoteOnCounter.Counts) channel.fill(0);
  }
  for (MessageText* t : {&Msgs.StatusMsg, &Msgs.WarnMsg, &Msgs.ErrMsg}) t->Clear();
  Trace = TTrace{};
  // A test traces only what it switches on.
  Trace.TraceNotes = Trace.TraceProgChanges = Trace.TraceHotkey = 0;
}

}  // namespace vel::test
