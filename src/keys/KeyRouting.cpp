#include "keys/KeyRouting.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/General.h"
#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "keys/KeyModeTable.h"
#include "keys/LiveKeys.h"
#include "keys/RecordKeys.h"
#include "keys/ScaleValue.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using midi::TShortMsg;

// Names of the pitch classes from C, kept here so that the timer thread's completion of a
// force-to-notes entry builds its texts without allocating.
constexpr std::array<std::string_view, 12> kPitchClassNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

int32_t MappedModeKey(int32_t input, int32_t note) {
  return InRange(input, 0, 1) ? MappedKey(input, note) : -1;
}

}  // namespace

uint8_t ModeKeyCode(TKeyMode mode, int32_t input, int32_t note) {
  const TKeyModeRow& row = KeyModeRow(mode);
  if (row.Map == kNoMap) return row.OutOfMapCode;
  const int32_t key = MappedModeKey(input, note);
  if (!InRange(key, 0, KeyCount - 1)) return row.OutOfMapCode;
  return KeyMaps.KeyFnTables[row.Map][key].load(std::memory_order_relaxed);
}

void RouteKeyByKeyMode(int8_t input, uint32_t msg, uint32_t timeStamp, bool noteOn, bool raw) {
  using H = TModeHandler;
  const TKeyMode mode = Keys.KeyMode.load();
  const TKeyModeRow& row = KeyModeRow(mode);
  switch (row.Handler) {
    case H::None:
      // Notes that sounded when running stopped still get their note-offs.
      if (!noteOn) WriteLiveFifo(msg);
      return;
    case H::Live:
      if (raw) {
        WriteRawFifo(msg);
      } else if (RunCtl.OutPortsAllocated >= 0) {
        HandleLiveKey(static_cast<uint8_t>(input), msg, noteOn);
      }
      return;
    case H::Rec:
      HandleRecModeKey(input, msg, timeStamp, true, noteOn, raw);
      return;
    case H::StepRec:
      HandleStepRecModeKey(input, msg, timeStamp, true, noteOn, raw);
      return;
    case H::Ftn:
      if (raw) {
        WriteRawFifo(msg);
      } else {
        HandleFtnModeKey(input, msg, noteOn);
      }
      return;
    default:
      if (raw) {
        WriteRawFifo(msg);
      } else if (noteOn) {
        const int32_t note = TShortMsg{msg}.Data1();
        row.Key({static_cast<uint8_t>(input), msg, ModeKeyCode(mode, input, note), note});
      } else {
        // An argument key's note-off only ends the note; its handler never sees it.
        WriteLiveFifo(msg);
      }
      return;
  }
}

void HandleFtnModeKey(int8_t input, uint32_t msg, bool noteOn) {
  const uint8_t code = ModeKeyCode(TKeyMode::Ftn, input, TShortMsg{msg}.Data1());
  const bool noteKey = code >= FtnNoteFirst && code <= FtnNoteLast;
  const int32_t pc = code - FtnNoteFirst;
  if (!noteOn) {
    // A key let go before the entry completes takes its note out again.
    if (noteKey) Args.FtnMap[pc] = Args.FtnMap[pc + 12] = -1;
    WriteLiveFifo(msg);
    return;
  }
  if (noteKey) {
    Args.FtnMap[pc] = Args.FtnMap[pc + 12] = 0;
    // Every held key starts the wait again. At least one ms, or a threshold of 0 would leave the
    // timer unarmed and the entry never completing.
    Transport.FtnTimer = std::max(Cfg.FtnTimerThreshold, 1);
    return;
  }
  switch (code) {
    case FtnEsc:
      Transport.FtnTimer = 0;
      ReturnToLiveMode();
      break;
    case FtnHold:
      Keys.KeyHold = 1;
      break;
    case FtnHoldOff:
      Keys.KeyHold = 0;
      break;
    case FtnHoldTog:
      Keys.KeyHold = !Keys.KeyHold;
      break;
    case FtnFts:
      Transport.FtnTimer = 0;
      SetKeyMode(TKeyMode::FtsRoot);
      break;
    case FtnOff:
      Transport.FtnTimer = 0;
      SetScaleValue(0, kFtsTypeOff);
      Msgs.StatusMsg.Set("Fts off");
      if (Keys.KeyHold) {
        SetKeyMode(TKeyMode::Ftn);
      } else {
        ReturnToLiveMode();
      }
      break;
    default:
      break;
  }
}

void FinishFtnEntry() {
  auto& map = Args.FtnMap;
  int32_t first = -1;
  for (int32_t i = 0; i < 12; ++i) {
    if (map[i] == 0) {
      first = i;
      break;
    }
  }
  if (first < 0) return;

  constexpr std::size_t kMax = TShortName::kMax;
  std::array<char, kMax> name{};
  std::size_t length = 0;
  // A name that does not fit ends in "!" where there is room for it.
  auto append = [&](std::string_view s) {
    if (length + s.size() <= kMax) {
      std::copy(s.begin(), s.end(), name.begin() + static_cast<std::ptrdiff_t>(length));
      length += s.size();
    } else if (length < kMax) {
      name[length++] = '!';
    }
  };
  append(kPitchClassNames[first]);

  // Each gap between two held pitch classes goes to the nearer of them, down at the middle; the
  // octave above the lowest held one closes the last gap.
  const int32_t end = first + 12;
  int32_t prev = first;
  while (prev < end) {
    int32_t next = prev + 1;
    while (next < end && map[next % 12] != 0) ++next;
    if (next < end) append(kPitchClassNames[next]);
    const int32_t mid = prev + (next - prev) / 2;
    for (int32_t i = prev + 1; i < next; ++i) map[i] = i <= mid ? prev - i : next - i;
    prev = next;
  }
  for (int32_t i = 0; i < 12; ++i) {
    if (i < first) {
      map[i] = map[i + 12];
    } else {
      map[i + 12] = map[i];
    }
  }
  Args.FtnName.Set(std::string_view(name.data(), length));

  SetScaleValue(0, kFtsTypeCustom);
  constexpr std::string_view kHead = "Ftn ";
  std::array<char, kHead.size() + kMax> status{};
  std::copy(kHead.begin(), kHead.end(), status.begin());
  std::copy_n(name.begin(), length, status.begin() + static_cast<std::ptrdiff_t>(kHead.size()));
  Msgs.StatusMsg.Set(std::string_view(status.data(), kHead.size() + length));
}

}  // namespace vel
