#include "settings/CfgPatterns.h"

#include "base/General.h"
#include "settings/CfgFile.h"

namespace vel {

namespace {

bool ValidSteps(std::string_view steps, bool accent, bool bass) {
  if (steps.empty() || steps.size() > static_cast<std::size_t>(kStyleMaxSteps)) return false;
  for (char c : steps) {
    if (c == '.' || c == 'x') continue;
    if (accent) return false;
    if (c == 'f' || c == 'b' || (bass && c == 't')) continue;
    return false;
  }
  return true;
}

// A row-map line: the row's note, then its names or "r" + its row number when it was re-mapped.
// False when the keyword names no note.
bool ReadRowMapLine(TStyleStore& st, int32_t mapRow, const TCfgEntry& e) {
  const int32_t note = NoteNameToNo(e.Keyword);
  if (note < 0 || note > 127) return false;
  TStyleRowDef& d = st.RowMap[mapRow];
  d.Note = note;
  d.NoteName = KeyNoToNote(note);
  // A re-mapped row is written as "r" + its number, exactly; anything else ("r 3", "r03") is a name,
  // so that a name never reads back as a re-mapped row. The bass rows' own names are their numbers
  // as well.
  const std::string marker = "r" + std::to_string(mapRow + 1);
  if (e.Value == marker && d.ShortName.View() != marker) {
    d.MappedNote = -1;
    d.ShortName = marker;
    d.LongName = "";
    return true;
  }
  const std::size_t comma = e.Value.find(',');
  std::string shortName(TrimCfg(std::string_view(e.Value).substr(0, comma)));
  if (EqualsNoCase(shortName, "Unused")) shortName.clear();
  d.MappedNote = note;
  d.ShortName = CfgFreeText(shortName, kStyleShortNameLen, true);
  d.LongName = comma == std::string::npos
                   ? std::string()
                   : CfgFreeText(std::string_view(e.Value).substr(comma + 1), kStyleLongNameLen);
  return true;
}

// A "Main" or "Break" line: the last style's next pattern, with its time signature and name. Null
// when the style holds no more patterns of the kind or the time signature is not one.
TStylePattern* ReadPatternHeader(TStyleStore& st, bool isMain, const TCfgEntry& e) {
  TStyleHeader& h = st.Styles[st.LastStyle];
  int32_t& last = isMain ? h.LastMain : h.LastBreak;
  if (last + 1 >= (isMain ? kStyleMainCount : kStyleBreakCount)) return nullptr;
  ++last;
  TStylePattern& pat = st.Patterns[st.LastStyle][isMain ? last : kStyleFirstBreak + last];
  pat = TStylePattern{};
  const std::size_t comma = e.Value.find(',');
  std::string err;
  int32_t num = 0;
  int32_t den = 0;
  ParseTimeSig(std::string(TrimCfg(std::string_view(e.Value).substr(0, comma))), num, den, err);
  if (!err.empty()) return nullptr;
  pat.TSigNum = num;
  pat.TSigDen = den;
  if (comma != std::string::npos)
    pat.Name = CfgFreeText(std::string_view(e.Value).substr(comma + 1), kStylePatNameLen);
  return &pat;
}

}  // namespace

int32_t CfgRowOfKeyword(const std::array<TStyleRowDef, kStyleRows>& map, std::string_view kw) {
  if (EqualsNoCase(kw, "AC")) return 0;
  for (int32_t r = 1; r < kStyleRows; ++r)
    if (!map[r].ShortName.Empty() && EqualsNoCase(map[r].ShortName.View(), kw)) return r;
  if (kw.size() >= 2 && (kw[0] == 'r' || kw[0] == 'R')) {
    const std::optional<int32_t> n = ParseInt(kw.substr(1));
    if (n && *n >= 1 && *n <= kStyleRows) return *n - 1;
  }
  const int32_t note = NoteNameToNo(kw);
  if (note >= 0)
    for (int32_t r = 1; r < kStyleRows; ++r)
      if (map[r].Note == note) return r;
  return -1;
}

bool ParseCfgPatterns(std::string_view text, TStyleStore& st, const std::string& fileName,
                      std::string& error) {
  const std::string_view family = st.Traits->Name;
  const bool bass = family == "Bass";
  TCfgLines lines(text);
  bool inSection = false;
  int32_t mapRow = 1;
  TStylePattern* pat = nullptr;
  int32_t patLine = 0;
  TCfgEntry e;
  bool valid = false;
  std::string kept;
  auto fail = [&](const std::string& what, int32_t line) {
    error = FormatFileMsg("Illegal value '" + what + "' at line " + std::to_string(line) + " in config file",
                          fileName);
    return false;
  };
  while (lines.Next(e, valid, kept)) {
    const int32_t lineNo = lines.LineNo();
    const bool isSection = valid && EqualsNoCase(e.Keyword, "PatternSection");
    if (!inSection) {
      if (isSection && EqualsNoCase(e.Value, family)) {
        inSection = true;
        ClearStyles(st);
        st.LastStyle = -1;
      }
      continue;
    }
    if (isSection) break;
    if (!valid) return fail(kept, lineNo);
    if (EqualsNoCase(e.Keyword, "Style")) {
      if (pat != nullptr && pat->Steps == 0) return fail("", patLine);
      pat = nullptr;
      if (st.LastStyle + 1 >= kStyleCount) return fail(kept, lineNo);
      ++st.LastStyle;
      TStyleHeader& h = st.Styles[st.LastStyle];
      h = TStyleHeader{};
      h.Name = CfgFreeText(EqualsNoCase(e.Value, "Unused") ? std::string() : e.Value, kStyleNameLen);
      continue;
    }
    const bool isMain = EqualsNoCase(e.Keyword, "Main");
    if (isMain || EqualsNoCase(e.Keyword, "Break")) {
      if (st.LastStyle < 0 || (pat != nullptr && pat->Steps == 0)) return fail(kept, pat ? patLine : lineNo);
      pat = ReadPatternHeader(st, isMain, e);
      if (pat == nullptr) return fail(kept, lineNo);
      patLine = lineNo;
      continue;
    }
    if (st.LastStyle < 0) {
      if (mapRow >= kStyleRows || !ReadRowMapLine(st, mapRow, e)) return fail(kept, lineNo);
      ++mapRow;
      continue;
    }
    if (pat == nullptr) return fail(kept, lineNo);
    const int32_t row = CfgRowOfKeyword(st.RowMap, e.Keyword);
    if (row < 0 || !ValidSteps(e.Value, row == 0, bass)) return fail(kept, lineNo);
    if (pat->Steps == 0) pat->Steps = static_cast<int32_t>(e.Value.size());
    if (pat->Steps != static_cast<int32_t>(e.Value.size())) return fail(kept, lineNo);
    SetStyleRow(*pat, row, e.Value);
  }
  if (pat != nullptr && pat->Steps == 0) return fail("", patLine);
  return true;
}

void TakeCfgPatterns(TStyleStore& store, const TStyleStore& parsed) {
  store.Styles = parsed.Styles;
  store.LastStyle = parsed.LastStyle;
  store.Patterns = parsed.Patterns;
  store.RowMap = parsed.RowMap;
  store.StyleNo = 0;
  store.PatNo = 0;
  store.BuiltStyle = -1;
  store.BuiltPat = -1;
}

}  // namespace vel
