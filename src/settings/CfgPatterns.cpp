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

// One pass over a family's pattern section: the row map, then styles, each with its patterns.
struct TPatternPass {
  TPatternPass(TStyleStore& st, bool bass) : St(st), Bass(bass) {}

  TStyleStore& St;
  bool Bass;
  int32_t MapRow = 1;
  TStylePattern* Pat = nullptr;
  int32_t PatLine = 0;
  // The text and line the error names.
  std::string BadText;
  int32_t BadLine = 0;

  bool Fail(const std::string& what, int32_t line) {
    BadText = what;
    BadLine = line;
    return false;
  }
  // A pattern with no steps ends where the next one starts.
  bool PatternLeftEmpty() const { return Pat != nullptr && Pat->Steps == 0; }

  bool StyleLine(const TCfgEntry& e, const std::string& kept, int32_t lineNo) {
    if (PatternLeftEmpty()) return Fail("", PatLine);
    Pat = nullptr;
    if (St.LastStyle + 1 >= kStyleCount) return Fail(kept, lineNo);
    ++St.LastStyle;
    TStyleHeader& h = St.Styles[St.LastStyle];
    h = TStyleHeader{};
    h.Name = CfgFreeText(EqualsNoCase(e.Value, "Unused") ? std::string() : e.Value, kStyleNameLen);
    return true;
  }

  bool HeaderLine(bool isMain, const TCfgEntry& e, const std::string& kept, int32_t lineNo) {
    if (St.LastStyle < 0 || PatternLeftEmpty()) return Fail(kept, Pat ? PatLine : lineNo);
    Pat = ReadPatternHeader(St, isMain, e);
    if (Pat == nullptr) return Fail(kept, lineNo);
    PatLine = lineNo;
    return true;
  }

  bool MapLine(const TCfgEntry& e, const std::string& kept, int32_t lineNo) {
    if (MapRow >= kStyleRows || !ReadRowMapLine(St, MapRow, e)) return Fail(kept, lineNo);
    ++MapRow;
    return true;
  }

  // A row of the open pattern: its steps, as many as the pattern's first row.
  bool StepsLine(const TCfgEntry& e, const std::string& kept, int32_t lineNo) {
    if (Pat == nullptr) return Fail(kept, lineNo);
    const int32_t row = CfgRowOfKeyword(St.RowMap, e.Keyword);
    if (row < 0 || !ValidSteps(e.Value, row == 0, Bass)) return Fail(kept, lineNo);
    if (Pat->Steps == 0) Pat->Steps = static_cast<int32_t>(e.Value.size());
    if (Pat->Steps != static_cast<int32_t>(e.Value.size())) return Fail(kept, lineNo);
    SetStyleRow(*Pat, row, e.Value);
    return true;
  }

  bool Line(const TCfgEntry& e, const std::string& kept, int32_t lineNo) {
    if (EqualsNoCase(e.Keyword, "Style")) return StyleLine(e, kept, lineNo);
    const bool isMain = EqualsNoCase(e.Keyword, "Main");
    if (isMain || EqualsNoCase(e.Keyword, "Break")) return HeaderLine(isMain, e, kept, lineNo);
    if (St.LastStyle < 0) return MapLine(e, kept, lineNo);
    return StepsLine(e, kept, lineNo);
  }
};

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
  TCfgLines lines(text);
  bool inSection = false;
  TPatternPass pass(st, family == "Bass");
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
    if (!pass.Line(e, kept, lineNo)) return fail(pass.BadText, pass.BadLine);
  }
  if (pass.PatternLeftEmpty()) return fail("", pass.PatLine);
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
