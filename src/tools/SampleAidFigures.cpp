#include "tools/SampleAidFigures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/EngineLock.h"

namespace vel {

const char* const kSampleAidMethods[5] = {"none", "cc0+32", "cc0", "cc32", "patch"};
const int32_t kSampleAidRates[10] = {8000, 11025, 22050, 24000, 32000, 44100, 48000, 88200, 96000, 192000};
const int32_t kSampleAidBits[10] = {8, 12, 14, 16, 18, 20, 24, 32, 48, 64};

namespace {

void AddMs(std::vector<std::string>& items) {
  for (int ms : {10, 20, 30, 40, 50, 100, 200, 300, 400, 500}) items.push_back(std::to_string(ms) + "ms");
}

// Seconds from 1 to last, halves too when asked.
void AddSeconds(std::vector<std::string>& items, int last, bool halves) {
  for (int s = 1; s <= last; ++s) {
    items.push_back(std::to_string(s) + "s");
    if (halves && s < last) items.push_back(std::to_string(s) + ".5s");
  }
}

}  // namespace

std::vector<std::string> SampleAidDurationItems(TSampleAidList list) {
  std::vector<std::string> items;
  switch (list) {
    case TSampleAidList::SampleNoteOn:
      AddMs(items);
      AddSeconds(items, 30, true);
      break;
    case TSampleAidList::AuditionNoteOn:
      AddMs(items);
      AddSeconds(items, 30, false);
      break;
    case TSampleAidList::SampleNoteOff:
      for (int ms : {200, 300, 400, 500}) items.push_back(std::to_string(ms) + "ms");
      AddSeconds(items, 30, false);
      break;
    case TSampleAidList::AuditionNoteOff:
      AddMs(items);
      items.insert(items.end(), {"1s", "1.5s", "2s"});
      break;
  }
  return items;
}

int32_t SampleAidDurationStart(TSampleAidList list) {
  switch (list) {
    case TSampleAidList::SampleNoteOn:
      return 9;  // 500ms
    case TSampleAidList::AuditionNoteOn:
      return 4;  // 50ms
    case TSampleAidList::SampleNoteOff:
      return 7;  // 4s
    case TSampleAidList::AuditionNoteOff:
      return 1;  // 20ms
  }
  return 0;
}

std::string FormatDurationMs(int64_t ms, bool wholeWhenLong, bool alwaysWhole) {
  if (alwaysWhole || (wholeWhenLong && ms >= 1000)) ms = (ms + 500) / 1000 * 1000;
  const int64_t h = ms / 3600000, m = ms % 3600000 / 60000, s = ms % 60000 / 1000, rest = ms % 1000;
  std::string text;
  if (h > 0) text += std::to_string(h) + "h:";
  if (h > 0 || m > 0) text += std::to_string(m) + "m:";
  text += std::to_string(s);
  if (rest > 0) {
    char frac[8];
    std::snprintf(frac, sizeof frac, ".%03d", static_cast<int>(rest));
    text += frac;
  }
  return text + "s";
}

std::string FormatByteSize(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + "B";
  if (bytes < 1048576) return std::to_string((bytes + 512) / 1024) + "KB";
  char text[32];
  if (bytes < 1073741824)
    std::snprintf(text, sizeof text, "%.2fMB", static_cast<double>(bytes) / 1048576.0);
  else
    std::snprintf(text, sizeof text, "%.2fGB", static_cast<double>(bytes) / 1073741824.0);
  return text;
}

int32_t ParseDurationText(std::string_view text) {
  const bool ms = text.find("ms") != std::string_view::npos;
  if (ms) text = text.substr(0, text.find("ms"));
  if (const auto s = text.find('s'); s != std::string_view::npos) text = text.substr(0, s);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  const bool point = text.find('.') != std::string_view::npos;
  const double result = ms && !point ? value : value * 1000 + 0.5;
  // A value outside the integer's range (or "nan") has no integer; converting it anyway is undefined.
  if (std::isnan(result)) return 0;
  return static_cast<int32_t>(std::clamp<double>(result, INT32_MIN, INT32_MAX));
}

int32_t SampleAidWalkSteps(int32_t first, int32_t last, int32_t step) {
  if (step <= 0) return 0;
  const int32_t span = std::abs(last - first) + 1;
  return span / step + (span % step ? 1 : 0);
}

TSampleAidTotals SampleAidTotals(const TSampleAidRange& r, int32_t rate, int32_t bits, int32_t channels) {
  TSampleAidTotals t;
  t.pitches = SampleAidWalkSteps(r.FirstPitch, r.LastPitch, r.PitchStep);
  t.vels = SampleAidWalkSteps(r.FirstVel, r.LastVel, r.VelStep);
  t.notes = t.pitches * t.vels;
  t.timeMs = int64_t{t.notes} * r.NoteLen;
  t.bytes = t.timeMs * rate * bits * channels / 8000;
  return t;
}

int32_t SampleAidNotesLeft(const TSampleAidRange& r) {
  const int32_t ps = std::max<int32_t>(r.PitchStep, 1), vs = std::max<int32_t>(r.VelStep, 1);
  const int32_t pLeft = std::abs(r.LastPitch - r.CurPitch) / ps;
  const int32_t vLeft = std::abs(r.LastVel - r.CurVel) / vs;
  if (r.HoldPitch && r.HoldVel) return 1;
  if (r.HoldPitch) return vLeft + 1;
  if (r.HoldVel) return pLeft + 1;
  if (r.PitchFirst) return pLeft + 1 + vLeft * (std::abs(r.LastPitch - r.FirstPitch) / ps + 1);
  return vLeft + 1 + pLeft * (std::abs(r.LastVel - r.FirstVel) / vs + 1);
}

int64_t SampleAidTimeLeftMs(const TSampleAidRange& r) {
  return int64_t{SampleAidNotesLeft(r)} * (r.NoteLen + r.Gap);
}

TWalkAxis PitchAxis(const TSampleAidRange& r) {
  return {r.FirstPitch, r.LastPitch, r.PitchStep, r.CurPitch, 0, 127};
}
TWalkAxis VelAxis(const TSampleAidRange& r) {
  return {r.FirstVel, r.LastVel, r.VelStep, r.CurVel, 1, 127};
}

void StorePitchAxis(TSampleAidRange& r, const TWalkAxis& a) {
  r.FirstPitch = a.first;
  r.LastPitch = a.last;
  r.PitchStep = a.step;
  r.CurPitch = a.cur;
}

void StoreVelAxis(TSampleAidRange& r, const TWalkAxis& a) {
  r.FirstVel = a.first;
  r.LastVel = a.last;
  r.VelStep = a.step;
  r.CurVel = a.cur;
}

void StoreSampleAidAxis(TSampleAidRange& r, bool pitch, const TWalkAxis& a) {
  std::lock_guard lock(EngineLock);
  (pitch ? StorePitchAxis : StoreVelAxis)(r, a);
}

namespace {

void Follow(TWalkAxis& a, bool outward) {
  a.last = SnapToStepGrid(a.first, a.last, a.last, a.step, a.min, a.max, outward);
  a.cur = SampleAidClampCurrent(a.first, a.last, a.cur, a.step, a.min, a.max, outward);
}

}  // namespace

bool SampleAidFirstChanged(TWalkAxis& a, int32_t value) {
  if (value == a.first) return false;
  const bool up = value > a.first;
  a.first = value;
  Follow(a, up);
  return true;
}

bool SampleAidLastChanged(TWalkAxis& a, int32_t delta) {
  if (delta == 0) return false;
  const int32_t size = std::abs(delta);
  int32_t move = a.step;
  if (a.step == 1)
    move = size;
  else if (a.step <= 5 && size > 1)
    move = (7 - a.step) * a.step;
  const int32_t last = a.last + (delta > 0 ? move : -move);
  if (last < a.min || last > a.max) return false;
  a.last = last;
  a.cur = SampleAidClampCurrent(a.first, a.last, a.cur, a.step, a.min, a.max, delta > 0);
  return true;
}

bool SampleAidStepChanged(TWalkAxis& a, int32_t step) {
  if (step == a.step || step < 1) return false;
  const bool grew = step > a.step;
  a.step = step;
  Follow(a, grew);
  return true;
}

}  // namespace vel
