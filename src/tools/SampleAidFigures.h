#pragma once
// What the sample aid window shows and how its bars edit a walk, kept free of the toolkit: the
// duration lists, totals and remaining figures, the memory estimate and the text forms.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/SampleAid.h"

namespace vel {

// The four duration lists of the window.
enum class TSampleAidList { SampleNoteOn, AuditionNoteOn, SampleNoteOff, AuditionNoteOff };
std::vector<std::string> SampleAidDurationItems(TSampleAidList list);
// The start item's index in each list.
int32_t SampleAidDurationStart(TSampleAidList list);
extern const char* const kSampleAidMethods[5];

// Memory estimate tables picked by the window's up-downs.
extern const int32_t kSampleAidRates[10];
extern const int32_t kSampleAidBits[10];

// Rounds to whole seconds first when asked (always, or when at least a second long), so a
// rounded-up minute never shows as 60 seconds.
std::string FormatDurationMs(int64_t ms, bool wholeWhenLong, bool alwaysWhole = false);
std::string FormatByteSize(int64_t bytes);
// "500ms", "4s", "1.5s" -> ms; the point is read as such whatever the locale. Values beyond the
// integer's range give its ends, a text that is no number 0.
int32_t ParseDurationText(std::string_view text);

// Grid points of a walk, first and last included.
int32_t SampleAidWalkSteps(int32_t first, int32_t last, int32_t step);

struct TSampleAidTotals {
  int32_t pitches = 0, vels = 0, notes = 0;
  int64_t timeMs = 0;
  int64_t bytes = 0;
};
// Totals of a mode; bytes with rate, bits and channels of the estimate (0 for Audition).
TSampleAidTotals SampleAidTotals(const TSampleAidRange& r, int32_t rate, int32_t bits, int32_t channels);
// Notes left from the current point and the time they take with their gaps.
int32_t SampleAidNotesLeft(const TSampleAidRange& r);
int64_t SampleAidTimeLeftMs(const TSampleAidRange& r);

// One axis (pitch or velocity) of a walk as the bars edit it.
struct TWalkAxis {
  int32_t first, last, step, cur, min, max;
};
TWalkAxis PitchAxis(const TSampleAidRange& r);
TWalkAxis VelAxis(const TSampleAidRange& r);
void StorePitchAxis(TSampleAidRange& r, const TWalkAxis& a);
void StoreVelAxis(TSampleAidRange& r, const TWalkAxis& a);
// One of them as the window stores an edit: whole, under EngineLock, since the tick walks the
// same range.
void StoreSampleAidAxis(TSampleAidRange& r, bool pitch, const TWalkAxis& a);
// The first bar moved to value: last follows onto the grid, current stays inside. True on a change.
bool SampleAidFirstChanged(TWalkAxis& a, int32_t value);
// The last bar moved by delta positions: steps of the grid, larger for a page move.
bool SampleAidLastChanged(TWalkAxis& a, int32_t delta);
bool SampleAidStepChanged(TWalkAxis& a, int32_t step);

}  // namespace vel
