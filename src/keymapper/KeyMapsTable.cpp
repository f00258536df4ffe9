#include "keymapper/KeyMapsTable.h"

#include <algorithm>
#include <string_view>

#include "base/General.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"

namespace vel {

namespace {

struct TableRow {
  const char* label;
  TModeType mode;  // MtNone for the "Note:" row
};

constexpr TableRow kRows[] = {
    {"Note:", MtNone},       {"Live:", MtLive},       {"Cmd:", MtCmd},       {"Rec:", MtRec},
    {"StepRec:", MtSRec},    {"NumN:", MtRangeN},     {"TSig:", MtTSig},     {"TShift:", MtTShift},
    {"FtsType:", MtFtsType}, {"FtsRoot:", MtFtsRoot}, {"Ftn:", MtFtn},       {"Quant:", MtQuant},
    {"Pitch:", MtPitch},     {"MetrN:", MtMetr},      {"Hotkey:", MtHotkey},
};

// A comma-separated cell that holds a comma or a double quote would split or break the row.
std::string CsvCell(const std::string& cell) {
  if (cell.find_first_of(",\"") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CellText(const TableRow& row, int key) {
  if (row.mode == MtNone) return KeyNoToNote(key);
  const int m = MappedKey(0, key);
  if (InRange(m, 0, KeyCount - 1)) return KeyLabelsOf(row.mode)[m];
  return row.mode == MtPitch ? PitchCodeLabel(KeyModeInfo(MtPitch).IgnoreCode)
                             : KeyLabelDefs.ModeDefaultLabels[row.mode];
}

}  // namespace

std::vector<std::string> ListKeyMapsTable(int format) {
  const std::string sep = format == 0 ? " " : format == 1 ? "\t" : ",";
  std::vector<std::string> lines;
  if (format == 0) {
    lines.emplace_back("Functions in each mode (Command, Live, Record etc) for all 128 keys,");
    lines.emplace_back("one octave per block using a numbering convention of -2 to +8");
    lines.emplace_back(
        "'p' = playable live, 'r' = recordable, 'sr' = step recordable, ' ' = key ignored in that mode");
    lines.emplace_back();
  }
  for (int first = 0; first < KeyCount; first += 12) {
    const int last = std::min(first + 11, KeyCount - 1);
    for (const TableRow& row : kRows) {
      const std::string_view label = row.label;
      const bool fractionRow = label == "TSig:" || label == "TShift:" || label == "Quant:";
      std::string cells;
      for (int k = first; k <= last; ++k) {
        std::string cell = CellText(row, k);
        if (k > first) cells += sep;  // an empty label still takes its column
        if (format == 0) {
          cells += PadStr(cell, 8, ' ');
        } else if (format == 2) {
          // Keeps a spreadsheet from reading "4 1/4" as a date or a fraction.
          if (fractionRow && cell.find('/') != std::string::npos) cell = "0 " + cell;
          cells += CsvCell(cell);
        } else {
          cells += cell;
        }
      }
      lines.push_back(format == 0 ? PadStr(row.label, 8, ' ') + cells : row.label + sep + cells);
    }
    lines.emplace_back();
  }
  return lines;
}

}  // namespace vel
