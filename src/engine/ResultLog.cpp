#include "engine/ResultLog.h"

#include "base/General.h"
#include "base/Showing.h"
#include "engine/MidiFifo.h"
#include "platform/midi/Midi.h"

namespace vel {

bool LogMidiResult(uint32_t result, bool /*isOutput: one error text serves both directions*/,
                   const std::string& text, bool logOk) {
  if (Trace.DiagFlags) {
    if (result != 0)
      PostDiagMsg(text + " error: " + midi::ErrorText(result));
    else if (logOk)
      PostDiagMsg(text + " ok");
  }
  return result == 0;
}

bool LogTimerResult(uint32_t result, const std::string& text, bool logOk) {
  if (Trace.DiagFlags) {
    if (result != 0) {
      PostDiagMsg(text + " error: 0x" + IntToHex(result, 8));
    } else if (logOk) {
      PostDiagMsg(text + " ok");
    }
  }
  return result == 0;
}

}  // namespace vel
