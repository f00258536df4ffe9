#include "mainwindow/ValidateConfig.h"

#include <mutex>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "keymaps/KeyMaps.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// Collects one group's faulty items.
class TGroup {
 public:
  explicit TGroup(std::string title) : title_(std::move(title)) {}

  // name + " (" + lo + ".." + hi + ")" when value lies outside lo..hi.
  void Range(const std::string& name, int32_t value, int32_t lo, int32_t hi) {
    Range(name, value, lo, hi, std::to_string(lo), std::to_string(hi));
  }
  void Range(const std::string& name, int32_t value, int32_t lo, int32_t hi, const std::string& loText,
             const std::string& hiText) {
    if (!InRange(value, lo, hi)) Add(name + " (" + loText + ".." + hiText + ")");
  }
  void Add(const std::string& item) { list_ = AppendWithComma(list_, item); }

  bool Failed() const { return !list_.empty(); }
  TConfigFault Fault() const { return {title_, list_}; }

 private:
  std::string title_;
  std::string list_;
};

bool IsPowerOf2UpTo128(int32_t n) {
  return PowerOf2Index(n) >= 0;
}

using TFault = std::optional<TConfigFault>;

TFault TimerFault(const TCfg& c) {
  TGroup timers("Out of range");
  timers.Range("MidiTimerInterval", c.MidiTimerInterval, 1, 500);
  timers.Range("MidiTimerResolution", c.MidiTimerResolution, 1, 50);
  timers.Range("DspStatusInterval", c.DspStatusInterval, 1, 500);
  timers.Range("DspMetrInterval", c.DspMetrInterval, 1, 500);
  timers.Range("DspDiagInterval", c.DspDiagInterval, 1, 500);
  if (timers.Failed()) return timers.Fault();
  return std::nullopt;
}

TFault BarFault(const TCfg& c) {
  TGroup bar("Out of range");
  bar.Range("Tempo", c.Tempo, 2000, 32000, "20", "320");
  bar.Range("BeatsPerBar", c.BeatsPerBar, 2, 64);
  bar.Range("NoteLenFrac", c.NoteLenFrac, 2, 64);
  bar.Range("NQNoteLenFrac", c.NQNoteLenFrac, 0, 64);
  bar.Range("SQNoteLenFrac", c.SQNoteLenFrac, 1, 64);
  if (bar.Failed()) return bar.Fault();
  return std::nullopt;
}

TFault NoteLengthFault(const TCfg& c) {
  TGroup powers("Not a power of 2");
  if (!IsPowerOf2UpTo128(c.NoteLenFrac)) powers.Add("NoteLenFrac");
  if (!IsPowerOf2UpTo128(c.MetrNoteLenFrac)) powers.Add("MetrNoteLenFrac");
  if (powers.Failed()) return powers.Fault();

  TGroup factors("Not a factor of " + std::to_string(kWholeNoteTicks));
  if (c.NQNoteLenFrac > 0 && !DividesWholeNote(c.NQNoteLenFrac)) factors.Add("NQNoteLenFrac");
  if (!DividesWholeNote(c.SRecNoteLenFrac)) factors.Add("SRecNoteLenFrac");
  if (factors.Failed()) return factors.Fault();
  return std::nullopt;
}

TFault MetronomeFault(const TCfg& c) {
  TGroup metr("Out of range");
  metr.Range("MetrSeqNo", c.MetrSeqNo + 1, 0, c.MaxActiveSeqs + 1);
  const bool numeric = c.KeyDefsNumeric != 0;
  const std::string lowNote = KeyNoToNote(0, numeric);
  const std::string highNote = KeyNoToNote(127, numeric);
  metr.Range("MetrDrumBarNote", c.MetrDrumBarNote, 0, 127, lowNote, highNote);
  metr.Range("MetrBassBarNote", c.MetrBassBarNote, 0, 127, lowNote, highNote);
  metr.Range("MetrDrumBarSVel", c.MetrDrumBarSVel, 0, 9);
  metr.Range("MetrBassBarSVel", c.MetrBassBarSVel, 0, 9);
  metr.Range("MetrDrumBeatNote", c.MetrDrumBeatNote, 0, 127, lowNote, highNote);
  metr.Range("MetrBassBeatNote", c.MetrBassBeatNote, 0, 127, lowNote, highNote);
  metr.Range("MetrDrumBeatSVel", c.MetrDrumBeatSVel, 0, 9);
  metr.Range("MetrBassBeatSVel", c.MetrBassBeatSVel, 0, 9);
  if (metr.Failed()) return metr.Fault();
  return std::nullopt;
}

// The live and seq velocity scales, the seqs' part by part.
TFault VelocityFault(const TCfg&) {
  TGroup live("Out of range");
  live.Range("SVelLive", Live.SVel, 0, 9);
  if (live.Failed()) return live.Fault();

  for (int32_t part = 0; part < kParts; ++part) {
    TGroup seqs("Out of range");
    for (int32_t s = 0; s <= LastSeq(); ++s)
      seqs.Range("SVelSeq" + std::to_string(s + 1), Seqs.PartBufs[part][s].Pend.SVel, 0, 9);
    if (seqs.Failed()) return seqs.Fault();
  }
  return std::nullopt;
}

// Both control inputs calibrate on one key; only its octave may differ between them.
TFault LiveCmdKeyFault(const TCfg& c) {
  if (c.InPortsLoaded >= 1 && PitchClassName(c.InPortLiveCmdKey[0]) != PitchClassName(c.InPortLiveCmdKey[1]))
    return TConfigFault{"LiveCmdKey mismatch",
                        "Keys for each port must be same note on same or different octaves"};
  return std::nullopt;
}

}  // namespace

std::optional<TConfigFault> FindConfigFault() {
  std::lock_guard lock(EngineLock);
  ResolveKeyMapSentinels();
  // The first group with a fault is the one reported.
  for (auto check : {TimerFault, BarFault, NoteLengthFault, MetronomeFault, VelocityFault, LiveCmdKeyFault})
    if (TFault fault = check(Cfg)) return fault;
  return std::nullopt;
}

bool ValidateConfig() {
  if (Trace.DiagFlags) DiagLogTimed("Validating config...");
  const std::optional<TConfigFault> fault = FindConfigFault();
  if (!fault) return true;
  return ReportConfigError(fault->Title, fault->List);
}

}  // namespace vel
