// What each key function does, in the words of the command reference. Families of functions
// (counts, note values, notes, chords) are described by their pattern, the rest one by one; a
// keyword that fits nothing here gets no description, so a new function cannot be shipped
// without one.
#include <map>
#include <regex>

#include "tools/DocReference.h"

namespace vel {

namespace {

using TWords = std::map<std::string, std::string, std::less<>>;

std::optional<std::string> Lookup(const TWords& words, const std::string& key) {
  const auto it = words.find(key);
  if (it == words.end()) return std::nullopt;
  return it->second;
}

// The rest of a keyword after its prefix, or nothing when it does not start with it.
std::optional<std::string> After(const std::string& keyword, std::string_view prefix) {
  if (keyword.rfind(prefix, 0) != 0) return std::nullopt;
  return keyword.substr(prefix.size());
}

// "1" -> "1 cycle", "R" -> "a random 1 to 9 cycles", "N" -> "n cycles (one digit)".
std::optional<std::string> CycleCount(const std::string& c) {
  static const std::regex number("[0-9]+");
  if (c == "1") return "1 cycle";
  if (std::regex_match(c, number)) return c + " cycles";
  if (c == "R") return "a random 1 to 9 cycles";
  if (c == "RR") return "a random 1 to 99 cycles";
  if (c == "N") return "n cycles, n typed as one digit next";
  if (c == "NN") return "nn cycles, typed as two digits next";
  return std::nullopt;
}

// The play and mute families shared by the Command and recording maps.
std::optional<std::string> PlayMuteFamily(const std::string& rest, const std::string& what) {
  struct TFamily {
    std::string_view Name;
    std::string_view Forever;
    std::string_view Counted;  // {n} stands for the count
  };
  static const TFamily families[] = {
      {"PlayMuteTog", "toggle between playing and muted once", "toggle between playing and muted every {n}"},
      {"PlayMute", "", "play for {n}, then mute for as long, and so on"},
      {"MutePlay", "", "mute for {n}, then play for as long, and so on"},
      {"Play", "play un-muted until told otherwise", "play un-muted for {n}"},
      {"Mute", "run muted (in time, silent) until told otherwise", "run muted for {n}"},
  };
  for (const TFamily& f : families) {
    const std::optional<std::string> count = After(rest, f.Name);
    if (!count) continue;
    if (count->empty()) {
      if (f.Forever.empty()) return std::nullopt;
      return what + std::string(f.Forever) + ".";
    }
    const std::optional<std::string> n = CycleCount(*count);
    if (!n) return std::nullopt;
    std::string text(f.Counted);
    text.replace(text.find("{n}"), 3, *n);
    return what + text + ".";
  }
  return std::nullopt;
}

// The first five keys of every argument map.
std::optional<std::string> ArgHead(const std::string& rest) {
  static const TWords words = {
      {"Esc", "Abandons the entry and returns to Live mode."},
      {"LiveN", "Plays the key as a live note; the entry stays open."},
      {"Hold", "Hold on: the mode stays after the entry, for another value."},
      {"HoldOff", "Hold off: back to Live mode when the entry is complete."},
      {"HoldTog", "Toggles hold on and off."},
  };
  return Lookup(words, rest);
}

std::optional<std::string> CmdRecord(const std::string& rest) {
  static const std::regex rec("(Rec|SRec|RecB|RecBB)(Raw)?(AutoIncSeq)?");
  std::smatch m;
  if (!std::regex_match(rest, m, rec)) return std::nullopt;
  static const TWords kinds = {
      {"Rec", "Records the selected stopped seqs in real time, from the first note played"},
      {"SRec", "Step-records the selected stopped seqs, one note or chord per step"},
      {"RecB", "Records a number of bars (one digit next) in real time"},
      {"RecBB", "Records a number of bars (two digits next) in real time"},
  };
  std::string text = *Lookup(kinds, m[1].str());
  if (m[2].matched) text += ", raw (recording settings for raw takes apply)";
  if (m[3].matched) text += "; after each take the next seq is selected for the next one";
  return text + ".";
}

std::optional<std::string> CmdPitchCycles(const std::string& rest) {
  const std::optional<std::string> c = After(rest, "Pitch");
  if (!c || c->empty()) return std::nullopt;
  if (*c == "0") return "Stops the cyclic pitch change of the selected seqs.";
  const std::optional<std::string> n = CycleCount(*c);
  if (!n) return std::nullopt;
  return "Steps the pitch offset of the selected seqs every " + *n + ".";
}

const TWords& CmdWords() {
  static const TWords words = {
      {"Esc", "Leaves Command mode without a command, back to Live mode."},
      {"LiveN", "Plays the key as a live note; Command mode stays."},
      {"Stop", "Stops the selected seqs at the end of their cycle."},
      {"SelLive", "Selects or deselects the live output for the next command."},
      {"SelAllBut", "All but: selects every seq except those selected (inverts the selection)."},
      {"SelInv", "Inverts the seq selection."},
      {"DeSelAll", "Deselects every seq and the live output."},
      {"OctInc", "Raises the live pitch offset by one octave."},
      {"OctDec", "Lowers the live pitch offset by one octave."},
      {"Pitch", "Sets the pitch offset of the selected seqs or live output (Pitch mode)."},
      {"PitchMode", "Pitch mode with hold: pitch offsets until Esc."},
      {"Trans", "Transposes: the pitch offset is added to the base pitch."},
      {"PitchLock", "Locks the pitch of the selected seqs against pitch changes."},
      {"PitchUnlock", "Unlocks the pitch of the selected seqs."},
      {"Port", "Output port of the selected seqs or live output (one digit next)."},
      {"PortInc", "Next output port."},
      {"PortDec", "Previous output port."},
      {"Chan", "MIDI channel (two digits next)."},
      {"ChanInc", "Next MIDI channel."},
      {"ChanDec", "Previous MIDI channel."},
      {"Prog", "Program change (three digits next)."},
      {"ProgInc", "Next program."},
      {"ProgDec", "Previous program."},
      {"Vel", "Velocity scale SVel, 0 to 9 (one digit next)."},
      {"VelInc", "Raises the velocity scale."},
      {"VelDec", "Lowers the velocity scale."},
      {"Part", "Plays part n of the selected seqs (one digit next)."},
      {"PartInc", "Next part."},
      {"PartDec", "Previous part."},
      {"Tempo", "Tempo in BPM (three digits next, or +/-, or tap three times)."},
      {"TempoInc", "Raises the tempo by one step."},
      {"TempoDec", "Lowers the tempo by one step."},
      {"TempoSlew", "How fast the tempo glides to a new value (two digits next)."},
      {"TimeF", "Shifts the selected seqs forwards in time (Time-shift mode)."},
      {"TimeB", "Shifts the selected seqs backwards in time (Time-shift mode)."},
      {"TimeSig", "Time signature, beats and beat length (Time-signature mode)."},
      {"Quant", "Note quantise NQ, then seq quantise SQ (Quantise mode)."},
      {"NQ0", "Turns note quantise off."},
      {"NQ4", "Note quantise to 1/4 notes."},
      {"NQ8", "Note quantise to 1/8 notes."},
      {"NQ16", "Note quantise to 1/16 notes."},
      {"Fts", "Force to scale: a root, then a scale or chord (FTS root mode)."},
      {"Ftn", "Force to notes: the notes held become the only ones played (FTN mode)."},
      {"MetrNote", "Metronome bar and beat notes, clicks or styles (Metronome mode)."},
      {"Calib", "Calibrate: the next key pressed becomes the command key."},
      {"Reset", "Stops the selected seqs at once and resets their attributes."},
      {"DeleteSeqs", "Deletes the recordings of the selected seqs."},
      {"DeleteProgsInSeqs", "Deletes the program changes recorded in the selected seqs."},
      {"Load", "Loads scene nn (two digits next) into the selected seqs, or every seq when none is."},
      {"Save", "Saves the selected seqs, or every seq when none is, as scene nn (two digits next)."},
      {"Hotkey", "Hotkey mode: keys send computer key strokes."},
  };
  return words;
}

std::optional<std::string> DescribeCmd(const std::string& rest) {
  if (auto w = Lookup(CmdWords(), rest)) return w;
  if (auto seq = After(rest, "Seq"))
    return "Selects or deselects seq " + *seq + " for the next command" +
           (std::stoi(*seq) > 4 ? " (this build has seqs 1 to 4; the key does nothing)." : ".");
  if (auto r = CmdRecord(rest)) return r;
  if (auto p = CmdPitchCycles(rest)) return p;
  if (auto pm = PlayMuteFamily(rest, "The selected seqs ")) return pm;
  return std::nullopt;
}

const TWords& RecWords() {
  static const TWords words = {
      {"Esc", "Ends the take: a retake when nothing was recorded, else stops recording; back to Live mode."},
      {"LiveN", "Plays the key as a live note, not recorded."},
      {"Stop", "Stops recording; the seq stays stopped."},
      {"OctInc", "Records one octave higher."},
      {"OctDec", "Records one octave lower."},
      {"SRec", "Switches to step recording."},
      {"Rec", "Switches to real-time recording."},
      {"RecB", "Records a number of bars (one digit next)."},
      {"RecBB", "Records a number of bars (two digits next)."},
      {"AutoIncSeqTog", "Toggles moving on to the next seq after the take."},
      {"RawTog", "Toggles raw recording."},
      {"AttribSrcSeq", "The take keeps the seq's port, channel and program."},
      {"AttribSrcLive", "The take takes the live output's port, channel and program."},
      {"AttribSrcTog", "Toggles where the take's port, channel and program come from."},
      {"N", "A note key: recorded into the take."},
      {"NoteRest", "Records a rest of the step length."},
      {"NoteLenFracInc", "Longer step length."},
      {"NoteLenFracDec", "Shorter step length."},
      {"NoteOnPercentInc", "Longer notes within the step."},
      {"NoteOnPercentDec", "Shorter notes within the step."},
      {"ChordsOn", "Keys pressed together are recorded as one chord step."},
      {"ChordsOff", "Every key is a step of its own."},
      {"ChordsTog", "Toggles chord detection."},
      {"Undo", "Takes back the last step."},
  };
  return words;
}

std::optional<std::string> DescribeRec(const std::string& rest) {
  if (auto w = Lookup(RecWords(), rest)) return w;
  if (auto f = After(rest, "NoteLenFrac")) return "Step length 1/" + *f + " note.";
  if (auto p = After(rest, "NoteOnPercent")) return "Notes sound " + *p + " % of the step.";
  return PlayMuteFamily(rest, "Stops recording; the seqs then ");
}

std::optional<std::string> DescribeRangeN(const std::string& keyword) {
  static const TWords words = {
      {"NumInc", "Steps the value up by one (instead of digits)."},
      {"NumDec", "Steps the value down by one (instead of digits)."},
      {"NumSweep1", "Sweep: the value steps from a first to a second value, once per cycle."},
      {"NumSweep2", "Sweep up and down between two values, once per cycle."},
      {"NumCyclic", "A second count a/b: the play and mute counts differ."},
      {"NumExtMidi", "Takes the scene from the external scene folder."},
      {"NumTempoHiN", "Tempo with five digits, to hundredths of a BPM."},
      {"TapTempo", "Tap three times in time to set the tempo."},
      {"NumPort", "Switches the entry to the port value."},
      {"NumChan", "Switches the entry to the channel value."},
      {"NumProg", "Switches the entry to the program value."},
      {"NumVel", "Switches the entry to the velocity value."},
      {"NumPart", "Switches the entry to the part value."},
      {"NumLoad", "Switches the entry to loading a scene."},
      {"NumSave", "Switches the entry to saving a scene."},
      {"NumTempo", "Switches the entry to the tempo."},
      {"NumTempoSlew", "Switches the entry to the tempo slew."},
  };
  if (auto w = Lookup(words, keyword)) return w;
  static const std::regex digit("Num([0-9])");
  std::smatch m;
  if (std::regex_match(keyword, m, digit)) return "Digit " + m[1].str() + ".";
  if (auto r = After(keyword, "Num")) {
    static const std::regex count("(PlayMuteTog|PlayMute|MutePlay|Play|Mute|Pitch)(N|NN)");
    if (std::regex_match(*r, m, count))
      return "Switches the entry to the " + m[1].str() + " cycle count (" +
             (m[2].str() == "N" ? "one digit" : "two digits") + ").";
  }
  return std::nullopt;
}

std::optional<std::string> DescribeNoteValues(TModeType t, const std::string& rest) {
  static const std::regex number("[0-9]+");
  if (t == MtTSig && std::regex_match(rest, number))
    return "The value " + rest + ": beats per bar first, then the beat length 1/" + rest + ".";
  if (t == MtTShift) {
    if (rest == "0") return "No shift (off).";
    if (std::regex_match(rest, number))
      return "The value " + rest + ": number of beats first, then the beat length 1/" + rest + ".";
    static const TWords words = {
        {"Rept", "Repeats the shift at every cycle."},
        {"SeqSQ", "Shifts by the seq quantise step."},
        {"SeqSQInc", "Shifts forwards by one seq quantise step."},
        {"SeqSQDec", "Shifts backwards by one seq quantise step."},
        {"SeqAlign", "Aligns the seq to the seq quantise grid."},
        {"SeqAlignInc", "Aligns the seq to the next grid point."},
        {"SeqAlignDec", "Aligns the seq to the previous grid point."},
    };
    return Lookup(words, rest);
  }
  if (t == MtQuant && std::regex_match(rest, number))
    return rest == "0" ? "Quantise off."
                       : "Quantise to 1/" + rest + " notes (note grid NQ, then seq grid SQ).";
  return std::nullopt;
}

std::optional<std::string> DescribePitch(const std::string& rest) {
  static const TWords words = {
      {"Lock", "Locks the pitch of the selected seqs."},
      {"Unlock", "Unlocks the pitch of the selected seqs."},
      {"LockTog", "Toggles the pitch lock."},
      {"OctInc", "Offset one octave up."},
      {"OctDec", "Offset one octave down."},
      {"SelnLo", "Pitch follows the lowest note held."},
      {"SelnHi", "Pitch follows the highest note held."},
      {"Seln1", "Pitch follows the first note held."},
      {"SelnClr", "Clears the note choice."},
      {"Trans", "Transposes: the offset is added to the base pitch."},
  };
  if (auto w = Lookup(words, rest)) return w;
  if (auto n = After(rest, "Inc"))
    return *n == "0" ? "Pitch offset back to the base value." : "Pitch offset +" + *n + " semitones.";
  if (auto n = After(rest, "Dec")) return "Pitch offset -" + *n + " semitones.";
  return std::nullopt;
}

std::optional<std::string> DescribeMetr(const std::string& rest) {
  static const TWords words = {
      {"FillTog", "Toggles the style fills."},
      {"Bars1", "Metronome pattern of 1 bar."},
      {"Bars2", "Metronome pattern of 2 bars."},
      {"Bars3", "Metronome pattern of 3 bars."},
      {"Bars4", "Metronome pattern of 4 bars."},
      {"TypeTog", "Toggles between drum and bass styles."},
      {"Style", "Picks a style and pattern by number (digits next)."},
  };
  if (auto w = Lookup(words, rest)) return w;
  if (auto n = After(rest, "Note")) return "Note " + *n + " as the bar note, then as the beat note.";
  return std::nullopt;
}

std::optional<std::string> DescribeNoteChoice(TModeType t, const std::string& rest) {
  static const TWords words = {
      {"Ftn", "Switches to force-to-notes."},
      {"Fts", "Switches to force-to-scale."},
      {"Off", "Forcing off: every note plays as played (chromatic)."},
  };
  if (auto w = Lookup(words, rest)) return w;
  if (auto n = After(rest, "Note"))
    return t == MtFtsRoot ? "Root " + *n + "; the scale or chord type is next."
                          : "Note " + *n + " joins the notes played (press several together).";
  return std::nullopt;
}

std::optional<std::string> DescribeFtsType(const TKeyFn& fn) {
  static const TWords words = {
      {"FtsTypeFtn", "Switches to force-to-notes."},
      {"FtsTypeCurr", "Keeps the current scale or chord type with the new root."},
      {"FtsTypeOff", "Forcing off: every note plays as played (chromatic)."},
  };
  if (auto w = Lookup(words, fn.Keyword)) return w;
  if (After(fn.Keyword, "FtsScale")) return "Forces notes to the " + fn.Hint + ".";
  if (After(fn.Keyword, "FtsChord"))
    return "Forces notes to the chord `" + fn.Token + "`" +
           (fn.Hint != "chord" ? " (" + fn.Hint + ")." : ".");
  return std::nullopt;
}

// The computer key strokes of the Live, Hotkey and recording maps.
bool IsHotkeyFn(TModeType t, uint8_t code) {
  const int base = t == MtLive     ? LiveHotkeyBase
                   : t == MtHotkey ? HotkeyHotkeyBase
                   : t == MtRec    ? RecHotkeyBase
                   : t == MtSRec   ? SRecHotkeyBase
                                   : -1;
  return base >= 0 && code >= base && code < base + HotkeyCount;
}

}  // namespace

bool IsHotkeyKeyFn(TModeType t, uint8_t code) {
  return IsHotkeyFn(t, code);
}

std::optional<std::string> DescribeKeyFn(TModeType t, const TKeyFn& fn) {
  if (IsHotkeyFn(t, fn.Code)) return "Sends the computer key stroke \"" + fn.Token + "\" (needs X11).";
  const std::string prefix(KeyModeInfo(t).Prefix);
  const std::string rest = After(fn.Keyword, prefix).value_or(fn.Keyword);
  if (t != MtCmd && t != MtLive)
    if (auto head = ArgHead(rest)) return head;
  switch (t) {
    case MtLive: {
      static const TWords words = {{"LiveCmd", "The command key: switches to Command mode."},
                                   {"LiveRecStop", "Stops a record-bars take and plays it."},
                                   {"LiveN", "A note key: played live."}};
      return Lookup(words, fn.Keyword);
    }
    case MtCmd:
      return DescribeCmd(rest);
    case MtRec:
    case MtSRec:
      return DescribeRec(rest);
    case MtRangeN:
      return DescribeRangeN(fn.Keyword);
    case MtTSig:
    case MtTShift:
    case MtQuant:
      return DescribeNoteValues(t, rest);
    case MtPitch:
      return DescribePitch(rest);
    case MtMetr:
      return DescribeMetr(rest);
    case MtFtsRoot:
    case MtFtn:
      return DescribeNoteChoice(t, rest);
    case MtFtsType:
      return DescribeFtsType(fn);
    default:
      return std::nullopt;
  }
}

}  // namespace vel
