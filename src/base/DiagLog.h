#pragma once
// Writers of the diagnostics log, GUI thread only; other threads post through DiagMsgsFifo
// (PostDiagMsg). Neither tests DiagFlags: their callers do.
#include <string>

namespace vel {

// One line: the time of day ("hh:mm:ss") + " " + text.
void DiagLogTimed(const std::string& text);
// Text without a time stamp; the log splits it into lines at CR LF.
void DiagLog(const std::string& text);

// The local time of day as the log stamps it, "hh:mm:ss".
std::string TimeOfDayText();

}  // namespace vel
