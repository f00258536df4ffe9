#include "engine/LivePath.h"

#include "engine/MidiFifo.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"

namespace vel {

void ProcessLiveEvent(uint32_t msg) {
  if (LivePort < 0 || LivePort >= kMaxPorts) return;
  const uint8_t status = msg & 0xFF;
  const int32_t kind = status >> 4;
  if (status < 0x80 || kind == 0xF) return;  // system messages do not go to the live output
  const bool isNote = kind == 0x8 || kind == 0x9;
  const uint32_t d2 = (msg >> 16) & 0xFF;
  if (isNote && d2 == 128) return;  // hotkeys are not notes to send
  if (isNote) {
    const bool noteOn = kind == 0x9 && d2 > 0;
    FifoLock lock;
    if (LockFifo(LiveNoteOnCounter.Mutex, lock)) {
      int32_t& count = LiveNoteOnCounter.Counts[status & 0x0F][(msg >> 8) & 0x7F];
      if (noteOn) {
        ++count;
      } else {
        if (count <= 0) return;
        --count;
      }
    } else {
      PostDiagMsg("LiveNoteOnCounter access timeout");
    }
  }
  SendShortMsg(LivePort, msg, TraceEventReqd(status));
}

void MarkLiveProgsSent() {}

void ResetNoteOnCounts() {}

}  // namespace vel
