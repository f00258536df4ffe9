#include "engine/PlayCycle.h"

#include "engine/MidiFifo.h"
#include "engine/RunControl.h"
#include "settings/Settings.h"
#include "tools/ToolsState.h"

namespace vel {

midi::Result SendShortMsg(int32_t port, uint32_t msg, bool trace) {
  if (!LocalControlOn) return midi::kOk;
  if (port < 0 || port >= kMaxPorts) return midi::kErrInvalidHandle;
  const int32_t dev = PortDevIdx[port];
  if (dev < 0 || dev >= midi::kMaxDevs) return midi::kErrInvalidHandle;
  midi::Result result = midi::OutShortMsg(MidiOutDevs[dev].Handle, msg);
  if (trace && DiagFlags && OutTraceOn) WriteDiagTraceFifo(port, msg, 0);
  return result;
}

void ResetPortChannel(int32_t port, int32_t chan) {
  const uint32_t c = static_cast<uint32_t>(chan) & 0x0F;
  const uint32_t cc = 0xB0 | c;
  auto controller = [&](uint32_t number, uint32_t value) {
    SendShortMsg(port, cc | (number << 8) | (value << 16), TraceController);
  };
  SendShortMsg(port, (0xE0 | c) | (0x40u << 16), TracePitchBend);
  controller(0x01, 0);
  controller(0x07, static_cast<uint32_t>(CCVolResetValue) & 0x7F);
  controller(0x0A, 0x40);
  controller(0x40, 0);
  controller(0x42, 0);
  controller(0x43, 0);
  controller(0x79, 0);
  controller(0x7B, 0);
}

}  // namespace vel
