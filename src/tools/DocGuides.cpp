// The configuration guide, made from the settings file the program writes with factory settings
// (its comments, keywords and values) and the keyword tables' forms and ranges; and the keyboard
// templates, made from the factory maps' labels.
#include <set>
#include <sstream>

#include "base/General.h"
#include "settings/CfgFactory.h"
#include "settings/CfgFile.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgLimits.h"
#include "settings/CfgLink.h"
#include "settings/CfgWriter.h"
#include "settings/Settings.h"
#include "tools/DocReference.h"

namespace vel {

namespace {

const CfgScalar* FindScalar(std::string_view keyword) {
  for (const CfgScalar& s : CfgScalars)
    if (s.Keyword == keyword) return &s;
  return nullptr;
}

bool IsColourKeyword(std::string_view keyword) {
  for (const CfgColour& c : CfgColours)
    if (c.Keyword == keyword) return true;
  return keyword.rfind("ClKinetrace-Chan", 0) == 0;
}

std::string LimitText(std::string_view keyword, std::string_view unit) {
  const std::optional<TCfgRange> r = CfgRangeOf(keyword);
  if (!r) return "a whole number" + std::string(unit);
  return std::to_string(r->Lo) + " to " + std::to_string(r->Hi) + std::string(unit) +
         (r->KeptInside ? " (kept inside)" : "");
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The settings written by hand (ports, channels, programs): by their keyword's form and value.
std::string OtherRangeText(std::string_view keyword, std::string_view value) {
  if (value == "Y" || value == "N") return "Y or N";
  if (keyword.rfind("ProgName-", 0) == 0) return "a name of up to 16 characters";
  if (EndsWith(keyword, "-Chan")) return "1 to 16";
  if (EndsWith(keyword, "-PortNo")) return "a port number, 1 to 9";
  if (EndsWith(keyword, "-Prog")) return "0 to 127";
  return "as written by Config, Save";
}

// What a value may be: from the keyword table's form and limits, else from the value's kind.
std::string RangeText(std::string_view keyword, std::string_view value) {
  if (IsColourKeyword(keyword)) return "red, green, blue (0 to 255 each), or a system colour number";
  const CfgScalar* s = FindScalar(keyword);
  if (!s) return OtherRangeText(keyword, value);
  switch (s->Form) {
    case CfgForm::YN:
    case CfgForm::YNNot:
      return "Y or N";
    case CfgForm::Tempo:
      return "20.00 to 320.00 BPM";
    case CfgForm::Key:
      return "a note (C-2 to G8) or 0 to 127";
    case CfgForm::Seconds:
      return LimitText(keyword, " seconds");
    case CfgForm::Folder:
      return "a folder, or Unused";
    case CfgForm::FileName:
      return "a file, or Unused";
    case CfgForm::WinTitle:
      return "a window title in quotes, or Unused";
    default:
      return LimitText(keyword, "");
  }
}

bool IsKeyMapKeyword(std::string_view keyword) {
  static const std::set<std::string, std::less<>> keywords = [] {
    std::set<std::string, std::less<>> k;
    for (int t = 0; t < ModeTypeCount; ++t)
      for (const TKeyFn& fn : KeyFns(static_cast<TModeType>(t))) k.insert(fn.Keyword);
    return k;
  }();
  return keywords.count(keyword) > 0;
}

// Walks the factory file: comments become text, entries become table rows, the key maps are left
// to the command reference and the style patterns to the style windows.
class TGuideWriter {
 public:
  explicit TGuideWriter(std::ostringstream& out) : out_(out) {}
  void Line(std::string_view line) {
    // The first line names the program that wrote the file.
    if (first_) {
      first_ = false;
      return;
    }
    if (line.rfind(";---", 0) == 0) return EndTable();
    if (line.rfind(";", 0) == 0) return Comment(TrimCfg(line.substr(1)));
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string keyword(TrimCfg(line.substr(0, eq)));
    if (IsKeyMapKeyword(keyword)) {
      pending_.clear();
      return;
    }
    Entry(keyword, std::string(TrimCfg(line.substr(eq + 1))));
  }
  void EndTable() {
    if (inTable_) out_ << "\n";
    inTable_ = false;
  }
  std::set<std::string> Keywords;

 private:
  // The file's comments are plain text: what Markdown would read as markup ("<m>" as a tag, "|"
  // as a cell) is escaped.
  static std::string Plain(std::string_view text) {
    std::string plain;
    for (char c : text) {
      if (std::string_view("\\`*_[]<>|#").find(c) != std::string_view::npos) plain += '\\';
      plain += c;
    }
    return plain;
  }
  void Comment(std::string_view text) {
    EndTable();
    if (text.rfind("- ", 0) == 0 || text.rfind(" - ", 0) == 0)
      pending_ += "\n- " + Plain(TrimCfg(text.substr(text.find('-') + 1)));
    else
      pending_ += (pending_.empty() || pending_.back() == '\n' ? "" : " ") + Plain(text);
  }
  void Entry(const std::string& keyword, std::string value) {
    if (!pending_.empty()) out_ << pending_ << "\n\n";
    pending_.clear();
    if (!inTable_) out_ << "| Keyword | Factory value | Range |\n|---|---|---|\n";
    inTable_ = true;
    const std::string home = UserProfileFolder();
    if (!home.empty() && value.rfind(home, 0) == 0) value = "~/Vellorine" + value.substr(home.size());
    out_ << "| `" << keyword << "` | `" << value << "` | " << RangeText(keyword, value) << " |\n";
    Keywords.insert(keyword);
  }
  std::ostringstream& out_;
  std::string pending_;
  bool inTable_ = false;
  bool first_ = true;
};

constexpr const char* kGuideIntro =
    "# Vellorine configuration guide\n\n"
    "Vellorine keeps its settings in a plain text file, `SeqDefaults.txt` in `~/.config/Vellorine` "
    "(or `$XDG_CONFIG_HOME/Vellorine`). Config, Save writes it; Config, Load reads it back; Config, "
    "Default file, View, Edit opens it in a text editor. A file saved to the default file is "
    "loaded, and the program run, at every start. Each line is `Keyword = Value`; text after `;` "
    "is a comment. A keyword left out keeps its factory value.\n\n"
    "When a file fails to load (a value out of range, a line that is no entry), Vellorine names "
    "the line, keeps the factory settings and leaves the file alone; the first save over it keeps "
    "the old file beside it with `.bak` added, so nothing you wrote is lost.\n\n"
    "Below is every keyword in the order the file has them, with the notes the file itself "
    "carries. The key-map keywords (one per key function, for example `CmdPlay = C#1`) are in the "
    "Command Reference with their factory keys; drum and bass style patterns follow the settings "
    "in the file and are best edited in their style windows.\n\n";

}  // namespace

std::string FactorySettingsText() {
  LoadConfigFactory();
  // One input and one output allocated, so that the per-port keywords are written too.
  TCfgEngineVals& e = CfgEngine;
  const int8_t ins = e.InPortsAllocated, outs = e.OutPortsAllocated;
  e.InPortsAllocated = e.OutPortsAllocated = 0;
  std::string text = BuildCfgText(InitialSaveState(CfgFull));
  e.InPortsAllocated = ins;
  e.OutPortsAllocated = outs;
  return text;
}

TDocText ConfigurationGuideMarkdown(const std::string& factoryFile) {
  std::ostringstream out;
  out << kGuideIntro;
  TGuideWriter guide(out);
  std::istringstream lines(factoryFile);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("PatternSection", 0) == 0) break;
    guide.Line(line);
  }
  guide.EndTable();
  TDocText doc{out.str(), {}};
  for (const CfgScalar& s : CfgScalars)
    if (!guide.Keywords.count(std::string(s.Keyword))) doc.Missing.emplace_back(s.Keyword);
  for (const CfgColour& c : CfgColours)
    if (!guide.Keywords.count(std::string(c.Keyword))) doc.Missing.emplace_back(c.Keyword);
  return doc;
}

namespace {

// The octaves a map's strip shows: from the lowest to the highest octave with a key that does
// something other than the map's most common function.
std::pair<int, int> StripOctaves(const std::array<uint8_t, KeyCount>& codes) {
  std::array<int, 256> count{};
  for (uint8_t c : codes) ++count[c];
  const uint8_t common = static_cast<uint8_t>(std::max_element(count.begin(), count.end()) - count.begin());
  int lo = -1, hi = -1;
  for (int k = 0; k < KeyCount; ++k)
    if (codes[k] != common) {
      if (lo < 0) lo = k / 12;
      hi = k / 12;
    }
  if (lo < 0) lo = hi = 3;
  return {lo, hi};
}

bool IsBlackKey(int pitchClass) {
  return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

std::string HtmlText(std::string_view text) {
  std::string html;
  for (char c : text) {
    if (c == '<')
      html += "&lt;";
    else if (c == '>')
      html += "&gt;";
    else if (c == '&')
      html += "&amp;";
    else if (c == ' ')
      html += "<br>";  // a label's words stand on lines of their own, as on the keys
    else
      html += c;
  }
  return html;
}

// One strip: a row per octave, a cell per key, the black keys shaded.
void Strip(std::ostringstream& out, const TFactoryKeySet& set, TModeType t) {
  const auto [lo, hi] = StripOctaves(set.Codes[t]);
  out << "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr><th width=\"8%\"></th>";
  for (int p = 0; p < 12; ++p) out << "<th width=\"7.6%\">" << HtmlText(PitchClassName(p)) << "</th>";
  out << "</tr>\n";
  for (int o = lo; o <= hi; ++o) {
    out << "<tr><td><b>" << KeyText(o * 12, false) << "</b></td>";
    for (int p = 0; p < 12; ++p) {
      const int key = o * 12 + p;
      const std::string label = key < KeyCount ? std::string(TrimCfg(set.Labels[t][key])) : std::string();
      out << "<td align=\"center\"" << (IsBlackKey(p) ? " bgcolor=\"#d0d0d0\"" : "") << "><tt>"
          << (label.empty() ? "&nbsp;" : HtmlText(label)) << "</tt></td>";
    }
    out << "</tr>\n";
  }
  out << "</table>\n";
}

}  // namespace

std::string TemplatesHtml(const TFactoryKeySets& keys) {
  std::ostringstream out;
  out << "<html><body><h1>Vellorine keyboard templates</h1>"
         "<p>Key labels of the factory key maps, one octave per row, to print, cut out and lay above "
         "the keys. The first column names the octave's C (C3 is MIDI note 60); shaded cells are the "
         "black keys. A blank key does nothing in that mode; <tt>p</tt> plays, <tt>r</tt> and "
         "<tt>sr</tt> record.</p>\n";
  for (const char* which : {"Standard", "Novice"}) {
    const bool standard = which[0] == 'S';
    out << "<h2>" << which << " maps</h2>\n";
    for (const TKeyMapBlock& block : KeyMapBlocks()) {
      const TModeType t = block.Mode;
      const bool same = keys.Standard.Codes[t] == keys.Novice.Codes[t];
      if (!standard && same) continue;
      out << "<h3>" << KeyModeInfo(t).Name << (standard && same ? " (the same in novice mode)" : "")
          << "</h3>\n";
      Strip(out, standard ? keys.Standard : keys.Novice, t);
    }
  }
  out << "</body></html>\n";
  return out.str();
}

}  // namespace vel
