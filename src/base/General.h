#pragma once
// Small shared procedures used by every part of the program: range test, padding, environment
// and folder queries, delimited fields, the system version text, note and key names, Y/N texts,
// the display text of a MIDI event, time-signature parsing and checks. They keep no state.
#include <atomic>
#include <cstdint>
#include <string>

namespace vel {

// Ticks in a whole note (3840 per quarter).
constexpr int32_t kWholeNoteTicks = 15360;

bool InRange(int32_t value, int32_t lo, int32_t hi);

// Pads s with padChar to |width| characters: appended for width >= 1, prepended for width < 1.
// A text already that long is returned unchanged.
std::string PadStr(const std::string& s, int32_t width, char padChar);
// Upper-case hexadecimal, zero-filled to digits (1..8).
std::string IntToHex(uint32_t value, int32_t digits);

// The variable's whole value; empty when it is not set.
std::string GetEnvVar(const std::string& name);

bool DirExists(const std::string& path);

// Fields first..last (1-based) of s split at delim, with the delimiters between them. With delim
// ' ', blanks and tabs both separate and a run of them is one separator (its first character is
// kept). A delimiter left at the end of the result is removed; fields past the end give what
// exists.
std::string GetFields(const std::string& s, char delim, int32_t first, int32_t last);

// The operating system for the diagnostics log header: the kernel's name, release and version.
std::string WindowsVersionText();

// Note name and octave, C3 = 60 ("C-2" for 0, "C" for 24, "G8" for 127); with numeric, the
// number in decimal.
std::string KeyNoToNote(int32_t note, bool numeric = false);
// "C".."B" of key mod 12, without octave.
std::string PitchClassName(int32_t key);

std::string BoolToYN(bool b);
// True exactly when the text begins with y or t in either case.
bool YNToBool(const std::string& text);

// 0..7 for 1, 2, 4, ..., 128; -1 for anything else.
int32_t PowerOf2Index(int32_t n);
// A beat length a time signature may have: a power of two from 2 to 128.
bool IsValidBeatLen(int32_t n);
// True when n >= 1 and divides the whole note's 15360 ticks.
bool DividesWholeNote(int32_t n);

// Parses "beats/beatLen". error is empty when the signature is valid, else the reason; on text
// that is not two whole numbers around one "/", beats and beatLen are left unchanged.
void ParseTimeSig(const std::string& text, int32_t& beats, int32_t& beatLen, std::string& error);

// Checks that a style pattern's step count fits its time signature; message is empty when it
// does, else the reason and the step counts 1..maxSteps that would fit. True when it fits.
bool CheckBarSteps(int32_t num, int32_t den, int32_t steps, std::string& message, int32_t maxSteps);

// The text of a hotkey's key code (" a", " F1", "shft", ...); "?" for codes without one.
std::string KeyName(int32_t code);

// The display text of a packed short message (status in the low byte). inPart: an FF is a
// part buffer's rest or end marker; shortForm: a note without its channel.
std::string DecodeEvent(uint32_t msg, bool inPart, bool shortForm);

}  // namespace vel
