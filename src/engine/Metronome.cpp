#include "engine/Metronome.h"

#include <algorithm>
#include <chrono>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Sizes.h"
#include "base/Topics.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"
#include "styles/StyleChains.h"

namespace vel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int32_t kMaxMetrBars = 4;
constexpr int32_t kMaxLevel = 9;
constexpr int32_t kMaxVel = 127;
constexpr int32_t kMaxNote = 127;
constexpr uint32_t kNoteOn = 0x90;
constexpr uint32_t kNoteOff = 0x80;

bool HasMetrSeq() {
  return Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo < kSeqs;
}

int32_t MetrBarsToBuild() {
  return std::clamp(Cfg.MetrBars, 1, kMaxMetrBars);
}

int32_t NoteOnPercent() {
  return std::clamp(Cfg.MetrNoteOnPercent, 0, 100);
}

uint32_t NoteOnMsg(int32_t note, int32_t vel) {
  return midi::TShortMsg::Pack(kNoteOn, static_cast<uint32_t>(note), static_cast<uint32_t>(vel)).Raw;
}
uint32_t NoteOffMsg(int32_t note) {
  return midi::TShortMsg::Pack(kNoteOff, static_cast<uint32_t>(note), 0).Raw;
}

// Writes the bar into the part. The first refused insertion (a full part) stops all further
// ones, so an overflowing bar costs no more than the part's room.
class TBarWriter {
 public:
  explicit TBarWriter(int32_t part) : part_(part) {}

  bool Full() const { return full_; }
  void Put(uint32_t msg, int32_t time) {
    if (!full_) full_ = !InsertPartEvent(part_, Cfg.MetrSeqNo, msg, time, midi::TShortMsg{msg}.IsNote());
  }
  // A note that is no note number (a setting that named none) keeps its place in time, unheard.
  void Note(int32_t note, int32_t vel, int32_t time, int32_t len) {
    if (note < 0 || note > kMaxNote) return;
    Put(NoteOnMsg(note, vel), time);
    Put(NoteOffMsg(note), time + len);
  }
  void End(int32_t time) { Put(kEndMarker, time); }

 private:
  int32_t part_;
  bool full_ = false;
};

// A style bar's rows, generated before they go into the part. Each row comes out in time order, so
// the part is filled by merging the rows: inserted row after row, every event would scan back
// over the rows before it, milliseconds on the timer thread for a full four-bar pattern. The merge
// gives the order row-by-row insertion gives (at equal times the lower row first) and puts the
// first row's first event in first, so the part's marked notes come out the same as well.
class TStyleBarEvents {
 public:
  // Each step makes at most a note and a flam or grace note; each bar of a row one end.
  static constexpr int32_t kCapacity = kStyleInstRows * kMaxMetrBars * (kStyleMaxSteps * 4 + 1);

  void Clear() {
    count_ = 0;
    runs_ = 0;
  }
  void BeginRow() {
    if (runs_ < kStyleInstRows) runStart_[runs_++] = count_;
  }
  bool Empty() const { return count_ == 0; }
  void NoteOn(int32_t note, int32_t vel, int32_t time) { Put(NoteOnMsg(note, vel), time); }
  void NoteOff(int32_t note, int32_t time) { Put(NoteOffMsg(note), time); }
  void End(int32_t time) { Put(kEndMarker, time); }

  void InsertInto(TBarWriter& w) {
    if (count_ == 0) return;
    w.Put(events_[0].Msg, events_[0].Time);
    std::array<int32_t, kStyleInstRows> next{};
    for (int32_t r = 0; r < runs_; ++r) next[r] = r == 0 ? runStart_[0] + 1 : runStart_[r];
    while (!w.Full()) {
      int32_t best = -1;
      for (int32_t r = 0; r < runs_; ++r) {
        const int32_t end = r + 1 < runs_ ? runStart_[r + 1] : count_;
        if (next[r] < end && (best < 0 || events_[next[r]].Time < events_[next[best]].Time)) best = r;
      }
      if (best < 0) break;
      const TEv& e = events_[next[best]++];
      w.Put(e.Msg, e.Time);
    }
  }

 private:
  struct TEv {
    int32_t Time;
    uint32_t Msg;
  };
  void Put(uint32_t msg, int32_t time) {
    if (count_ < kCapacity) events_[count_++] = {time, msg};
  }

  std::array<TEv, kCapacity> events_{};
  std::array<int32_t, kStyleInstRows> runStart_{};
  int32_t count_ = 0;
  int32_t runs_ = 0;
};

// The builders' scratch; every build runs under EngineLock.
TStyleBarEvents StyleBar;

// The start every builder shares. False when there is nothing to build into. A builder takes the
// pending bar settings at once (TakeBarSettings), so the new bar plays in the new signature; the
// bar count and the live sweeps are left to the bar end, so a metronome rebuilt every cycle does
// not step them a second time.
bool StartBuild(int32_t part) {
  Metr.MetrRebuildPending = 0;
  if (!HasMetrSeq()) {
    TakeBarSettings();
    return false;
  }
  if (RunCtl.OutPortsAllocated < 0) return false;
  ClearPartBuf(part, Cfg.MetrSeqNo);  // reports a part out of range
  return part >= 0 && part < kParts;
}

// The end every builder shares: the part's channel and pitch lock, and the overflow warning.
void FinishBuild(int32_t part, int32_t chan, bool pitchLocked) {
  TPartBuf& b = Seqs.PartBufs[part][Cfg.MetrSeqNo];
  const auto c = static_cast<int8_t>(std::clamp(chan, 0, kChans - 1));
  b.ChanPend = c;
  if (IsValidPort(b.Port)) b.Chan[b.Port] = c;
  b.PitchLocked = pitchLocked ? 1 : 0;
  if (b.PoolFull) Msgs.WarnMsg.Set("Metronome rebuild aborted; buffer overflow");
}

// The beat count restarts on the new bar when nothing but the metronome plays, unless atWrap:
// built at the metronome seq's own end of part. The bar countdown runs on the same ticks
// and ends in that same timer call, taking the new bar settings; restarting it there would swallow
// that bar end (the bar number and the live sweeps would miss a step) and put every later bar end a
// timer period ahead of the metronome.
void AnnounceBuild(bool atWrap) {
  if (!atWrap && NoSeqPlayingButMetr()) RestartBeatCount(false);
  Metr.MetrRebuilt = 1;
  RequestSeqGridRedraw();
}

// ---------------------------------------------------------------------------------------------------
// Style bars

// How one family places a step's notes. A step lasts StepLen: its note sounds for On; a flam
// (drum) or grace note (bass) starts SecondDelay after the note's on-time and lasts SecondLen,
// ending where the next step begins less its own gap. When the grace is longer than the gap, the
// note before it is cut short by FirstOffShift (zero or negative) so the two never overlap.
struct TStepTiming {
  int32_t StepLen = 1;
  int32_t On = 0;
  int32_t SecondDelay = 0;
  int32_t SecondLen = 0;
  int32_t FirstOffShift = 0;
};

// (100 - speed) percent of span, scaled from sixteenth steps to the pattern's steps; within 0..limit.
int32_t OrnamentLen(int32_t speed, int32_t span, int32_t stepsPerWhole, int32_t limit) {
  const int64_t len = static_cast<int64_t>(100 - std::clamp(speed, 0, 100)) * span * stepsPerWhole / 16 / 100;
  return static_cast<int32_t>(std::clamp<int64_t>(len, 0, limit));
}

TStepTiming DrumTiming(const TStyleStore& store, const TMetrPatCopy& copy) {
  TStepTiming tm;
  tm.StepLen = std::max(kWholeNoteTicks / copy.StepsPerWhole, 1);
  tm.On = tm.StepLen / 8;
  const int32_t gap = tm.StepLen - tm.On;
  // A flam longer than the gap would start before its own note ended.
  const int32_t flam = OrnamentLen(store.FlamSpeed, gap, copy.StepsPerWhole, gap);
  tm.SecondDelay = gap - flam;
  tm.SecondLen = flam;
  return tm;
}

TStepTiming BassTiming(const TStyleStore& store, const TMetrPatCopy& copy) {
  TStepTiming tm;
  const int32_t percent = NoteOnPercent();
  tm.StepLen = std::max(kWholeNoteTicks / copy.StepsPerWhole, 1);
  tm.On = tm.StepLen * percent / 100;
  const int32_t gap = tm.StepLen - tm.On;
  // A grace note longer than its step would start before the step does.
  const int32_t grace = OrnamentLen(store.FlamSpeed, tm.StepLen, copy.StepsPerWhole, tm.StepLen);
  const int32_t graceOn = grace * percent / 100;
  tm.SecondDelay = gap - grace;
  tm.SecondLen = graceOn;
  tm.FirstOffShift = std::min(gap - grace, 0);
  return tm;
}

// A fresh copy of the pattern; with the store's UsePatTSig the time signature follows it.
void TakePatCopy(const TStyleStore& store, TMetrPatCopy& copy, const TStylePattern& source) {
  copy.Rows = source.Rows;
  copy.Steps = std::clamp(source.Steps, 1, kStyleMaxSteps);
  copy.TSigNum = source.TSigNum;
  copy.TSigDen = source.TSigDen;
  const bool validTSig = copy.TSigNum >= 1 && IsValidBeatLen(copy.TSigDen);
  if (store.UsePatTSig && validTSig) {
    Cfg.BeatsPerBar = copy.TSigNum;
    Cfg.NoteLenFrac = copy.TSigDen;
    RecalcBeatTicks(false);
  }
  const int64_t perWhole = int64_t{copy.Steps} * std::max(copy.TSigDen, 1) / std::max(copy.TSigNum, 1);
  copy.StepsPerWhole = static_cast<int32_t>(std::clamp<int64_t>(perWhole, 1, kWholeNoteTicks));
}

// What one row's notes are written from: the pattern's shape and the row's note and velocities.
struct TStyleRowWrite {
  const TStepTiming& Tm;
  const ShortStr<kStyleMaxSteps>& AccentRow;
  bool Accents;
  bool Bass;
  int32_t VelVar;
  int32_t Bars;
  int32_t Steps;
  int32_t Note;
  int32_t RowVel;
  int32_t AccVel;
};

// One row of the pattern over every bar: its notes, ties (bass) and flams or grace notes.
void WriteStyleRow(TStyleBarEvents& w, const ShortStr<kStyleMaxSteps>& row, const TStyleRowWrite& in) {
  const TStepTiming& tm = in.Tm;
  const int32_t note = in.Note;
  w.BeginRow();
  int32_t t = 0;
  for (int32_t bar = 0; bar < in.Bars; ++bar) {
    bool tied = false;
    for (int32_t s = 0; s < in.Steps; ++s) {
      const char c = row.At(static_cast<std::size_t>(s));
      const bool main = c == 'x' || c == 'b';
      const bool second = (c == 'b' || c == 'f') && tm.SecondLen > 0;
      const int32_t mainOff = t + tm.On + (second ? tm.FirstOffShift : 0);
      if (tied) {
        // A tie runs on through "t" steps; a note step ends it where that note would end, any
        // other step at its start.
        if (c != 't') {
          w.NoteOff(note, main ? mainOff : t);
          tied = false;
        }
      } else if (main || (in.Bass && c == 't')) {
        const bool accented = in.Accents && in.AccentRow.At(static_cast<std::size_t>(s)) == 'x';
        w.NoteOn(note, RandomiseVel(accented ? in.AccVel : in.RowVel, in.VelVar), t);
        if (c == 't') {
          tied = true;
        } else {
          w.NoteOff(note, mainOff);
        }
      }
      if (second) {
        const int32_t at = t + tm.On + tm.SecondDelay;
        w.NoteOn(note, RandomiseVel(in.RowVel, in.VelVar), at);
        w.NoteOff(note, at + tm.SecondLen);
      }
      t += tm.StepLen;
    }
    if (tied) {
      w.NoteOff(note, t);
    } else {
      w.End(t);
    }
  }
}

// One builder for both families; bass adds ties and sizes its notes by MetrNoteOnPercent.
void RebuildStyleMetronome(TStyleStore& store, TMetrPatCopy& copy, bool bass, int32_t part, bool fromChain) {
  if (!StartBuild(part)) return;
  const TStyleBarPick pick = NextStyleBar(store, fromChain);
  if (pick.Stale && pick.Source) TakePatCopy(store, copy, *pick.Source);
  TakeBarSettings();

  const TStepTiming tm = bass ? BassTiming(store, copy) : DrumTiming(store, copy);
  const int32_t bars = MetrBarsToBuild();
  const int32_t steps = copy.Steps;
  const auto& accentRow = copy.Rows[0];
  const bool accents = store.AccentEnabled && !accentRow.Empty();
  TStyleBarEvents& w = StyleBar;
  w.Clear();
  // A style and pattern that name no pattern play as an empty bar.
  for (int32_t r = 1; r < kStyleRows && pick.Source; ++r) {
    const auto& row = copy.Rows[r];
    const int32_t note = store.RowMap[r].Note;
    if (!store.RowOn[r - 1] || row.Empty() || note < 0 || note > kMaxNote) continue;
    const int32_t rowVel = std::min<int32_t>(store.RowVel[r - 1], kMaxVel);
    const int32_t accVel = std::min<int32_t>(store.RowAccVel[r - 1], kMaxVel);
    WriteStyleRow(w, row, {tm, accentRow, accents, bass, store.VelVar, bars, steps, note, rowVel, accVel});
  }
  TBarWriter out(part);
  if (w.Empty()) {
    out.End(bars * steps * tm.StepLen);
  } else {
    w.InsertInto(out);
  }

  FinishBuild(part, bass ? Cfg.MetrBassChan : Cfg.MetrDrumChan, !bass);
  store.BuiltStyle = pick.Style;
  store.BuiltPat = pick.Pattern;
  AnnounceBuild(fromChain);
  if (pick.RebuildPending) Metr.MetrRebuildPending = 1;
}

// The plain click.
void RebuildClick(int32_t part, bool atWrap) {
  TakeBarSettings();
  if (!StartBuild(part)) return;
  const bool drum = Cfg.MetrTypePitchLocked;
  const int32_t step = std::max(kWholeNoteTicks / std::max(Cfg.MetrNoteLenFrac, 1), 1);
  const int32_t beats = std::max(Transport.ActBar.BarTicks / step, 1);
  const int32_t barNote = drum ? Cfg.MetrDrumBarNote : Cfg.MetrBassBarNote;
  const int32_t beatNote = drum ? Cfg.MetrDrumBeatNote : Cfg.MetrBassBeatNote;
  const int32_t barVel = LevelToVel(drum ? Cfg.MetrDrumBarSVel : Cfg.MetrBassBarSVel);
  const int32_t beatVel = LevelToVel(drum ? Cfg.MetrDrumBeatSVel : Cfg.MetrBassBeatSVel);
  const int32_t on = drum ? step / 8 : step * NoteOnPercent() / 100;
  const int32_t gap = step - on;
  const int32_t half = on / 2;
  const int32_t bars = MetrBarsToBuild();

  TBarWriter w(part);
  int32_t t = 0;
  for (int32_t bar = 1; bar <= bars && !w.Full(); ++bar) {
    for (int32_t beat = 0; beat < beats && !w.Full(); ++beat) {
      // A fill splits the last bar's last note in two (a bar of one beat: its bar note).
      const bool fill = Cfg.MetrFill && bar == bars && beat == beats - 1;
      const int32_t len = fill ? half : on;
      w.Note(beat == 0 ? barNote : beatNote, beat == 0 ? barVel : beatVel, t, len);
      t += len;
      if (fill) {
        t += gap / 2;
        w.Note(beatNote, beatVel, t, half);
        t += half + gap / 2;
      } else {
        t += gap;
      }
    }
    w.End(t);
  }
  FinishBuild(part, drum ? Cfg.MetrDrumChan : Cfg.MetrBassChan, drum);
  AnnounceBuild(atWrap);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

int32_t MetrRandomDefault(int32_t n) {
  // xorshift32: enough for velocity colour, and safe on the timer thread (callers hold EngineLock).
  static uint32_t state =
      static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) | 1u;
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return n >= 1 ? static_cast<int32_t>(state % static_cast<uint32_t>(n)) : 0;
}

int32_t LevelToVel(int32_t level) {
  return std::clamp(level, 0, kMaxLevel) * kMaxVel / kMaxLevel;
}

int32_t VelToLevel(int32_t vel) {
  return std::clamp(vel, 0, kMaxVel) * kMaxLevel / kMaxVel;
}

int32_t RandomiseVel(int32_t vel, int32_t variation) {
  if (vel <= 0) return 0;
  if (variation < 1) return std::min(vel, kMaxVel);
  int32_t r = MetrRandom ? MetrRandom(variation) : MetrRandomDefault(variation);
  r = std::clamp(r, 0, variation - 1);
  return std::clamp(vel + (r - variation / 2) * 50 / 100, 1, kMaxVel);
}

int32_t RandomiseDrumVel(int32_t vel) {
  return RandomiseVel(vel, DrumStore.VelVar);
}

int32_t RandomiseBassVel(int32_t vel) {
  return RandomiseVel(vel, BassStore.VelVar);
}

void BuildMetronomeBar(int32_t part, bool fromChain) {
  if (!Cfg.MetrModeStyles) {
    RebuildClick(part, fromChain);
  } else if (Cfg.MetrTypePitchLocked) {
    RebuildDrumMetronome(part, fromChain);
  } else {
    RebuildBassMetronome(part, fromChain);
  }
}

void RebuildMetronome(int32_t part) {
  EngineLock.AssertHeld();
  RebuildClick(part, false);
}

void RebuildDrumMetronome(int32_t part, bool fromChain) {
  RebuildStyleMetronome(DrumStore, Metr.DrumPatCopy, false, part, fromChain);
}

void RebuildBassMetronome(int32_t part, bool fromChain) {
  RebuildStyleMetronome(BassStore, Metr.BassPatCopy, true, part, fromChain);
}

bool RequestMetrRebuild() {
  if (!HasMetrSeq()) return false;
  Showing.MetrDrumChanged = 0;
  Showing.MetrBassChanged = 0;
  if (SeqBuf(Cfg.MetrSeqNo).SeqState == TSeqState::Stopped) {
    BuildMetronomeBar(Seqs.SeqRecs[Cfg.MetrSeqNo].PlayPart & 1, false);
  } else {
    Metr.MetrRebuildPending = 1;
  }
  return true;
}

void RestartMetrStyleChain() {
  TStyleStore& store = Cfg.MetrTypePitchLocked ? DrumStore : BassStore;
  RestartChain(store);
  RaiseTopic(store.Traits->Topics.Chain);
}

void InitMetronomeHooks() {
  OnMetrRebuildRequest = [] { RequestMetrRebuild(); };
  EngineHooks.RestartStyleChain = &RestartMetrStyleChain;
}

}  // namespace vel
