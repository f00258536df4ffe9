#include "keymapper/KeyMapperView.h"

namespace vel {

const std::array<TKeyMapperRowDef, KeyMapperRowCount>& KeyMapperRowDefs() {
  static const std::array<TKeyMapperRowDef, KeyMapperRowCount> defs = {{
      {"lblLive", "Live", 66,
       "Indicates how keys behave in live mode; see Command Reference for more details"},
      {"lblCmd", "Command", 86,
       "Indicates how keys behave in command mode; see Command Reference for more details"},
      {"lblRec", "Record", 106,
       "Indicates how keys behave in record mode; see Command Reference for more details"},
      {"lblSRec", "Step rec", 126,
       "Indicates how keys behave in step record mode; see Command Reference for more details"},
      {"lblRangeN", "Digits 0-9", 150,
       "Indicates how keys behave when a command key is pressed which needs a numeric value; 'tap' only "
       "applies to the Tempo command"},
      {"lblRangeTSigN", "Time sig", 170,
       "Indicates how keys behave when the Time Signature command key is pressed; see Command Reference for "
       "more details"},
      {"lblRangeTShiftN", "Time shft", 190,
       "Indicates how keys behave when the Time Shift command keys are pressed; see Command Reference for "
       "more "
       "details"},
      {"lblRangeQuantN", "Quantise", 210,
       "Indicates how keys behave when the Quantise command key is pressed; see Command Reference for more "
       "details"},
      {"lblRangeFtsTypeN", "Fts type", 230,
       "Indicates how keys behave when the Fts root key is pressed; see Command Reference for more details"},
      {"lblRangeFtsRootN", "Fts root", 250,
       "Indicates how keys behave when the Fts command key is pressed; see Command Reference for more "
       "details"},
      {"lblRangeFtn", "Ftn", 270,
       "Indicates how keys behave when the Ftn command key is pressed; see Command Reference for more "
       "details"},
      {"lblRangePitchO", "Pitch", 290,
       "Indicates how keys behave when the Pitch or PitchMode command keys are pressed; see Command "
       "Reference "
       "for more details"},
      {"lblRangeMetrN", "Metr note", 310,
       "Indicates how keys behave when the Metr command key is pressed; see Command Reference for more "
       "details"},
      {"lblRangeHotkeyN", "Hotkey", 330,
       "Indicates how keys behave when the Hotkey command is pressed; see Command Reference for more "
       "details"},
  }};
  return defs;
}

int32_t ScreenRowOf(TModeType t) {
  for (int32_t r = 0; r < KeyMapperRowCount; ++r)
    if (KeyMapperScreenRows[std::size_t(r)] == t) return r;
  return kGridRowNone;
}

int32_t GridRowOfKeyMode(uint8_t m) {
  // Key-mode bands and the map each reads; 101 (calibrate) lights the key numbers' label.
  static constexpr struct {
    uint8_t First, Last;
    TModeType Mode;
  } bands[] = {{1, 1, MtLive},        {2, 2, MtRec},         {3, 3, MtSRec},      {4, 4, MtCmd},
               {5, 5, MtRec},         {6, 61, MtRangeN},     {62, 62, MtQuant},   {63, 100, MtRangeN},
               {102, 102, MtHotkey},  {103, 103, MtPitch},   {104, 105, MtTSig},  {106, 109, MtTShift},
               {110, 110, MtFtsRoot}, {111, 111, MtFtsType}, {112, 112, MtFtn},   {113, 114, MtQuant},
               {115, 116, MtMetr},    {117, 117, MtTSig},    {118, 121, MtRangeN}};
  if (m == 0) return kGridRowNone;
  if (m == 101) return kGridRowKeyNo;
  for (const auto& b : bands)
    if (m >= b.First && m <= b.Last) return ScreenRowOf(b.Mode);
  return kGridRowInvalid;
}

std::array<TKeyNoMark, 128> KeyNoMarks(int32_t currentKey, bool prefillUp) {
  std::array<TKeyNoMark, 128> marks;
  for (int32_t k = 0; k < 128; ++k) {
    const std::string n = std::to_string(k);
    const bool in = prefillUp ? k >= currentKey : k <= currentKey;
    if (!in)
      marks[std::size_t(k)] = {n, false};
    else if (prefillUp)
      marks[std::size_t(k)] = {k == 127 ? n : n + " -->", true};
    else
      marks[std::size_t(k)] = {k == 0 ? n : "<-- " + n, true};
  }
  return marks;
}

int32_t ScrollFirstKey(int32_t firstKey, int32_t n) {
  if (n >= 0) return firstKey + n <= 127 ? firstKey + n : firstKey;
  return -n <= firstKey ? firstKey + n : firstKey;
}

TKeyMapperWidths KeyMapperWidthsFor(int32_t screenWidth) {
  if (screenWidth > 800) return {990, 65, 0};
  return {804, 55, 15};
}

namespace {
const char* KeyModeError(int step) {
  static const char* texts[] = {"UpdateMidiKeyDsp-1 error: Unexpected KeyMode",
                                "UpdateMidiKeyDsp-2 error: Unexpected KeyMode",
                                "UpdateMidiKeyDsp-3 error: Unexpected KeyMode"};
  return texts[step - 1];
}

// The family row of each screen row.
int32_t FamilyRow(int32_t screenRow) {
  for (int32_t r = 0; r < KeyMapperRowCount; ++r)
    if (KeyMapperRows[std::size_t(r)] == KeyMapperScreenRows[std::size_t(screenRow)]) return r;
  return 0;
}
}  // namespace

TKeyMapperDsp KeyMapperDsp(const TKeyMapperGrid& cells, bool labelColours, uint8_t keyModeShown,
                           uint8_t keyModeShownPrev, int32_t lastLiveKey) {
  TKeyMapperDsp d;
  const int32_t shown = GridRowOfKeyMode(keyModeShown);
  const int32_t prev = GridRowOfKeyMode(keyModeShownPrev);
  d.LitRow = shown == kGridRowInvalid ? kGridRowNone : shown;
  if (shown == kGridRowInvalid) d.ErrText = KeyModeError(1);
  for (int32_t k = 0; k < 128; ++k) {
    const std::size_t kk = std::size_t(k);
    d.KeyNoBack[kk] = clBtnFace;
    for (int32_t r = 0; r < KeyMapperRowCount; ++r) {
      const TKeyView& v = cells[std::size_t(FamilyRow(r))][kk];
      d.Cells[std::size_t(r)][kk] = labelColours ? TCellStyle{v.Font, v.Back, false} : TCellStyle{};
    }
    if (shown >= 0) {
      TCellStyle& c = d.Cells[std::size_t(shown)][kk];
      c.Bold = true;
      if (cells[std::size_t(FamilyRow(shown))][kk].Label == " ") c.Back = clSilver;
    } else if (shown == kGridRowInvalid) {
      d.ErrText = KeyModeError(2);
    }
    if (k != lastLiveKey) continue;
    d.KeyNoBack[kk] = clAqua;
    if (prev >= 0)
      d.Cells[std::size_t(prev)][kk].Back = clAqua;
    else if (prev == kGridRowInvalid)
      d.ErrText = KeyModeError(3);
  }
  return d;
}

}  // namespace vel

namespace vel {

int32_t FitComboLeft(int32_t left, int32_t w, int32_t gridRight, int32_t keyColWidth) {
  if (left + w <= gridRight) return left;
  if (gridRight < left + keyColWidth) return -1;
  const int32_t l = left - w + keyColWidth;
  return l < 0 ? -1 : l;
}

std::string ComboTooNarrowText(bool hints) {
  return std::string("Key mapper window not wide enough to display a drop-down list") +
         (hints ? " with hints" : "") + " for this key";
}

std::string KeyOutOfRangeText(int32_t key) {
  return "Cannot change mapping for key " + std::to_string(key) +
         "\r\nThe octave shift setting has moved the key maps out of range for this key";
}

}  // namespace vel
