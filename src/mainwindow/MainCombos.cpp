#include "mainwindow/MainCombos.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/General.h"
#include "engine/LivePath.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "settings/Settings.h"

namespace vel {

namespace {

TItems Numbers(int32_t first, int32_t last) {
  TItems items;
  for (int32_t n = first; n <= last; ++n) items.push_back(std::to_string(n));
  return items;
}

// The quantise lengths: every n in 1..64 that divides the whole note's ticks.
TItems WholeNoteDivisors() {
  TItems items;
  for (int32_t n = 1; n <= 64; ++n)
    if (DividesWholeNote(n)) items.push_back(std::to_string(n));
  return items;
}

int32_t KeptIndex(bool resetSelection, int32_t currentIndex) {
  return resetSelection ? 0 : currentIndex;
}

// The list index of the program last sent (item 0 is "-", none); a seq shows the one it wants
// until one is sent.
int32_t ProgIndex(const TChanProg& cp, bool requestedWhenUnsent) {
  if (requestedWhenUnsent && cp.ProgSent < 0) return cp.ProgReq + 1;
  return cp.ProgSent + 1;
}

int32_t LastOutPort() {
  return RunCtl.OutPortsAllocated < kPorts ? RunCtl.OutPortsAllocated : kPorts - 1;
}

}  // namespace

TItems FillNumberCombo(int32_t lastIndex) {
  return Numbers(1, lastIndex + 1);
}

TComboFill FillProgCombos(bool resetSelection, int32_t currentIndex) {
  TComboFill fill;
  fill.Items.push_back("-");
  for (int32_t n = 0; n < kCfgProgs; ++n)
    fill.Items.push_back(Cfg.DspProgNames ? std::to_string(n) + "-" + Cfg.UserProgNames[n]
                                          : std::to_string(n));
  fill.ItemIndex = KeptIndex(resetSelection, currentIndex);
  return fill;
}

TTempoCombos FillTempoCombos(bool resetSelection, int32_t currentMSB, int32_t currentLSB) {
  return {{{"0"}, KeptIndex(resetSelection, currentMSB)},
          {Numbers(20, 320), KeptIndex(resetSelection, currentLSB)}};
}

TMainCombos FillMainCombos() {
  TMainCombos c;
  c.MaxActiveSeqs = Numbers(2, 4);
  c.LiveChans = FillNumberCombo(15);
  c.Progs = FillProgCombos(true, 0).Items;
  c.LiveSVels = Numbers(0, 9);
  c.MetrSVels = Numbers(1, 9);
  for (int32_t n = 0; n < 128; ++n) c.MetrNotes.push_back(KeyNoToNote(n));
  c.QuantS = WholeNoteDivisors();
  c.QuantN = c.QuantS;
  c.QuantN.insert(c.QuantN.begin(), "0");
  c.TSigBeats = Numbers(2, 64);
  c.TSigFrac = {"2", "4", "8", "16", "32", "64"};
  const TTempoCombos tempo = FillTempoCombos(true, 0, 0);
  c.TempoIntMSB = tempo.IntMSB.Items;
  c.TempoIntLSB = tempo.IntLSB.Items;
  c.FilterChans = FillNumberCombo(15);
  c.FilterChans.insert(c.FilterChans.begin(), "all");
  c.SeqParts = {"1", "2"};
  c.SeqChans = FillNumberCombo(15);
  c.SeqSVels = Numbers(0, 9);
  c.TarloSysexDevId = {Numbers(0, 127), 1};
  std::lock_guard lock(EngineLock);
  c.TarloPNoEnabled = RunCtl.OutPortsAllocated >= 0;
  return c;
}

int32_t FindItemIndex(const std::string& text, const TItems& items) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int32_t>(i);
  return -1;
}

TMainComboIndices LoadMainCombos() {
  std::lock_guard lock(EngineLock);
  const TCfg& c = Cfg;
  TMainComboIndices x;
  x.MaxActiveSeqs = c.MaxActiveSeqs - 1;
  const int32_t port = RunCtl.LivePort;
  if (IsValidPort(port)) {
    x.LivePorts = port;
    x.LiveChans = Live.Chan[port];
    x.LiveProgs =
        ProgChangesAllowed(port) ? ProgIndex(PlayCycle.PortChanProgs[port][Live.Chan[port] & 15], false) : 0;
  }
  x.LiveSVels = Live.SVel;

  const bool drums = c.MetrTypePitchLocked != 0;
  x.MetrBarNote = drums ? c.MetrDrumBarNote : c.MetrBassBarNote;
  x.MetrBarSVel = (drums ? c.MetrDrumBarSVel : c.MetrBassBarSVel) - 1;
  x.MetrBeatNote = drums ? c.MetrDrumBeatNote : c.MetrBassBeatNote;
  x.MetrBeatSVel = (drums ? c.MetrDrumBeatSVel : c.MetrBassBeatSVel) - 1;

  const TBarSettings& act = Transport.ActBar;
  const TItems quantS = WholeNoteDivisors();
  TItems quantN = quantS;
  quantN.insert(quantN.begin(), "0");
  x.QuantN = FindItemIndex(std::to_string(act.NQNoteLenFrac), quantN);
  x.QuantS = FindItemIndex(std::to_string(act.SQNoteLenFrac), quantS);
  x.TSigFrac = FindItemIndex(std::to_string(act.NoteLenFrac), {"2", "4", "8", "16", "32", "64"});
  x.TSigBeats = act.BeatsPerBar - 2;
  const int32_t bpm = (c.Tempo + 50) / 100;
  x.TempoIntMSB = bpm / 1000;
  x.TempoIntLSB = bpm - 1000 * (bpm / 1000) - 20;

  for (int32_t s = 0; s <= LastSeq(); ++s) {
    const int32_t part = Seqs.SeqRecs[s].PlayPart & 1;
    const TPartBuf& b = Seqs.PartBufs[part][s];
    TSeqComboIndices& q = x.Seqs[s];
    q.Part = part;
    q.Port = b.Port;
    if (IsValidPort(b.Port)) {
      q.Chan = b.Chan[b.Port];
      q.Prog = ProgChangesAllowed(b.Port)
                   ? ProgIndex(PlayCycle.PortChanProgs[b.Port][b.Chan[b.Port] & 15], true)
                   : 0;
    }
    q.SVel = b.Act.SVel;
    q.Muted = b.Act.Muted != 0;
    q.PitchLocked = b.PitchLocked != 0;
  }
  return x;
}

void ApplyPendingMetre() {
  std::lock_guard lock(EngineLock);
  Transport.ActBar = static_cast<const TBarSettings&>(Cfg);
}

void ApplyPendingSeqValues() {
  std::lock_guard lock(EngineLock);
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TSeqRec& r = Seqs.SeqRecs[s];
    r.PlayPart = r.SelPart & 1;
    TPartBuf& b = Seqs.PartBufs[r.PlayPart][s];
    b.Port = b.PortPend;
    for (int32_t p = 0; p <= LastOutPort(); ++p) b.Chan[p] = b.ChanPend;
    b.MChanApplies = IsValidPort(b.Port) && msg::MChanTakes(b.Port, b.ChanPend);
    b.Act.SVel = b.Pend.SVel;
    b.Act.Muted = b.Pend.Muted;
    b.Act.FtsRoot = b.Pend.FtsRoot;
    b.Act.FtsType = b.Pend.FtsType;
    // A custom scale plays from the part's own active map, which must then hold the pending one.
    if (b.Pend.ScaleTbl == &b.Pend.FtnMap) {
      b.Act.FtnMap = b.Pend.FtnMap;
      b.Act.ScaleTbl = &b.Act.FtnMap;
    } else {
      b.Act.ScaleTbl = b.Pend.ScaleTbl;
    }
  }
  for (int32_t p = 0; p <= LastOutPort(); ++p)
    for (TChanProg& cp : PlayCycle.PortChanProgs[p]) cp.ProgSent = cp.ProgReq;
}

}  // namespace vel
