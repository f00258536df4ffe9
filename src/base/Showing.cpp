#include "base/Showing.h"

#include <cstdio>
#include <string_view>

#include "base/Messages.h"
#include "platform/midi/ShortMsg.h"

namespace vel {

bool TraceEventReqd(uint8_t status) {
  if (status < 0x80) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "TraceEventReqd-2 error: Unexpected StatusByte: %u",
                          static_cast<unsigned>(status));
    Msgs.ErrMsg.Set(std::string_view(text, static_cast<std::size_t>(n)));
    return true;
  }
  switch (midi::TShortMsg{status}.Kind()) {
    case 0x8:
    case 0x9:
      return Trace.TraceNotes;
    case 0xA:
    case 0xD:
      return Trace.TracePressure;
    case 0xB:
      return Trace.TraceController;
    case 0xC:
      return Trace.TraceProgChanges;
    case 0xE:
      return Trace.TracePitchBend;
    default:
      break;
  }
  switch (status) {
    case 0xF1:
      return Trace.TraceMTC;
    case 0xF8:
      return Trace.TraceMC;
    case 0xFA:
    case 0xFB:
    case 0xFC:
      return Trace.TraceSync;
    case 0xFF:
      return Trace.TraceNotes;
    default:
      return true;
  }
}

}  // namespace vel
