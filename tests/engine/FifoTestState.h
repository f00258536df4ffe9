#pragma once
// A clean start for the queue tests: every module reset, and tracing only where a test switches
// it on.
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/MidiFifo.h"
#include "engine/ResetEngineState.h"

namespace vel::test {

inline void ResetFifoState() {
  ResetEngineState();
  Trace.TraceNotes = Trace.TraceProgChanges = Trace.TraceHotkey = 0;
}

}  // namespace vel::test
