#include "keys/RecordKeys.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiFifo.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/HotkeyStrokes.h"
#include "keys/KeyArgs.h"
#include "keys/KeyRouting.h"
#include "keys/ScaleValue.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

using midi::TShortMsg;

namespace {

using rec::kMarker;
using rec::kRecIgnore;
using rec::PartOf;
constexpr int32_t kMaxPitchOffset = 108;
// The hotkey block of a key that is not a hotkey.
constexpr std::array<uint32_t, 8> kNoBlock{};

// How far from the clock's last tick a key may lie and still start a take's loop at its own time:
// well beyond a MIDI server's period and the key path's delays, short of a stamp that jumped.
constexpr int64_t kLoopStartReachMs = 250;

// A take time moved by a quantise step: a time at its limit stays there rather than wrap.
int32_t SatTime(int64_t t) {
  return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
}

// Rounded to the nearest whole, halves up, for either sign.
int64_t RoundDiv(int64_t n, int64_t d) {
  const int64_t q = n / d;
  const int64_t r = n % d;
  if (r * 2 >= d) return q + 1;
  if (r * 2 < -d) return q - 1;
  return q;
}

constexpr bool IsEndCode(uint8_t code) {
  return code == RecEsc || (code >= RecStop && code <= RecMutePlayRR);
}

int8_t LiveChan() {
  const int32_t port = RunCtl.LivePort;
  return InRange(port, 0, kPorts - 1) ? Live.Chan[port] : 0;
}

// Note-on: one more held; note-off: one fewer, or an unmatched note-off (its note-on came before
// the take) that goes live and is not recorded.
uint8_t CountHeldNote(const rec::TRecKey& k, uint32_t msg, uint8_t code) {
  const int32_t note = TShortMsg{msg}.Data1();
  int32_t& count = RecKeys.RecHeldNoteCounts[note];
  if (k.NoteOn) {
    ++count;
  } else if (count > 0) {
    --count;
  } else {
    return kRecIgnore;
  }
  return code;
}

// Quantise on record, on the note grid: a note-on to the nearest point (its adjustment kept for
// its note-off when pairs), a note-off on its own or by its note-on's adjustment.
int32_t QuantisedTime(const rec::TRecKey& k, uint32_t msg, int32_t time, bool pairs) {
  const int32_t grid = Transport.ActBar.NQTicks;
  if (!k.IsNote || grid <= 0) return time;
  const int32_t r = time % grid;
  const int32_t adj = r < grid / 2 ? -r : grid - r;
  auto& pair = RecKeys.RecNotePairs[TShortMsg{msg}.Data1()];
  if (k.NoteOn) {
    time = SatTime(int64_t{time} + adj);
    if (pairs) pair = {adj, time};
  } else if (Cfg.QuantiseNoteOffs) {
    time = SatTime(int64_t{time} + adj);
    // A note is never shorter than one grid step.
    if (pair.Time >= time) time = SatTime(int64_t{time} + grid);
    pair.Adj = 0;
  } else if (pair.Adj != 0) {
    // The note keeps its played length.
    time = SatTime(int64_t{time} + pair.Adj);
    pair.Adj = 0;
  }
  return time;
}

// The take time of a recorded key, and its message: the take's first key starts the take's clock.
int32_t RecordTime(const rec::TRecKey& k, bool isHotkey, uint32_t& msg) {
  const bool recN = k.Code == RecN;
  const bool octave = k.Code == RecOctInc || k.Code == RecOctDec;
  if (!RecKeys.RecFirstNoteIn) {
    rec::TakeClockStart(k);
    // A take started by a play or stop key begins with a marker; it is never quantised.
    if (!recN && !isHotkey) msg = kMarker;
    return 0;
  }
  const int32_t time = QuantisedTime(k, msg, rec::TakeTime(k), !octave && !isHotkey);
  if (!k.IsNote && recN && TShortMsg{msg}.Kind() == 0xE) RecKeys.RecPitchBendSeen = 1;
  return time;
}

// A hotkey's block goes into the first recording seq only, and is sent on.
void RecordHotkeyRt(const rec::TRecKey& k, const std::array<uint32_t, 8>& block, int32_t last, int32_t time) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    for (int32_t i = 0; i <= last; ++i) InsertPartEvent(PartOf(s), s, block[i], time, false);
    RecKeys.RecLastEventTime = b.RElap;
    b.HasHotkeyEvents = 1;
    break;
  }
  rec::SendRecordedHotkey(k, block, last, true);
}

// A note, message or marker goes into every recording seq; an octave key ends their held notes.
void RecordKeyRt(const rec::TRecKey& k, uint32_t msg, int32_t time) {
  const bool recN = k.Code == RecN;
  const bool octave = k.Code == RecOctInc || k.Code == RecOctDec;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState != TSeqState::Recording) continue;
    if (octave) {
      RecordHeldNoteOffs(PartOf(s), s, time);
    } else {
      InsertPartEvent(PartOf(s), s, msg, time, k.IsNote && recN);
      RecKeys.RecLastEventTime = b.RElap;
    }
  }
  if (octave) {
    for (auto& c : RecKeys.RecHeldNoteCounts) c = std::min(c, 0);
  } else if (msg != kMarker) {
    rec::PassOn(k, msg);
  }
}

void RecordNoteRt(const rec::TRecKey& k, bool isHotkey, const std::array<uint32_t, 8>& block, int32_t last) {
  if (!Transport.RecActive && k.IsNote && k.NoteOn) rec::StartTake(k);
  if (!Transport.RecActive) {
    rec::PassOn(k, k.Msg);
    return;
  }
  uint32_t msg = k.Msg & 0x00FFFFFFu;
  const int32_t time = RecordTime(k, isHotkey, msg);
  if (k.Code == RecN || isHotkey) RecKeys.RecNoteRecorded = 1;
  if (isHotkey) {
    RecordHotkeyRt(k, block, last, time);
  } else {
    RecordKeyRt(k, msg, time);
  }
  if (Cfg.DspSeqGrid) RequestSeqGridRedraw();
}

// Unlinks the note-ons at time t from the tail of the part: a key struck with the end key belongs
// to the next cycle, not to this one's end.
void RemoveTrailingNoteOns(TPartBuf& b, int32_t t) {
  int16_t i = b.Tail;
  while (i >= 0 && b.Events[i].Time == t) {
    const int16_t prev = b.Events[i].Prev;
    const TShortMsg m{b.Events[i].Msg};
    if (m.IsNoteOn() && !m.IsHotkey()) {
      int32_t& count = RecKeys.RecHeldNoteCounts[m.Data1()];
      if (count > 0) --count;
      const int16_t next = b.Events[i].Next;
      if (prev >= 0) {
        b.Events[prev].Next = next;
      } else {
        b.Head = next;
      }
      if (next >= 0) {
        b.Events[next].Prev = prev;
      } else {
        b.Tail = prev;
      }
      if (b.PlayEvIndex == i) b.PlayEvIndex = b.Head;
    }
    i = prev;
  }
  if (b.Head < 0) {
    b.Tail = -1;
    b.PlayEvIndex = -1;
  }
}

void HandleRecordKey(const rec::TRecKey& k) {
  const int32_t start = rec::LoopStartTicks(k, false);
  rec::RestartBarAt(start);
  const int32_t t = rec::RoundTakeEnd(rec::TakeTime(k));
  RecKeys.RecLastEventTime = t;
  rec::EndTakes(k.Code, t, false, start);
  if (Transport.RecRetake) {
    SendRecMidiStop();
    if (Transport.RecBarCountOn) Transport.RecBarCount = Args.RecBarsEntry;
    ResetRecordState();
    return;
  }
  if (Args.RecAutoIncSeq && rec::PrimeNextTakeSeq()) {
    if (Transport.RecBarCountOn) Transport.RecBarCount = Args.RecBarsEntry;
    ResetRecordState();
    return;
  }
  SendRecMidiStop();
  const bool fromLiveKey = Transport.RecFromLiveKey;
  ResetRecBarCount();
  if (fromLiveKey) {
    Keys.KeyHold = 0;
    SetKeyMode(TKeyMode::Live);
    RestoreSeqSelection();
  } else {
    ReturnToLiveMode();
  }
}

// An end or octave key before the take's first note: Esc abandons the take, an end key starts it
// with a marker, an octave key moves the pitch. False when the key is none of these.
bool KeyBeforeFirstNote(const rec::TRecKey& k, uint8_t c) {
  if (c == RecEsc && k.NoteOn) {
    rec::AbandonTake();
    return true;
  }
  if (c >= RecStop && c <= RecMutePlayRR) {
    if (!Transport.RecFromLiveKey || Cfg.RecStopAllowSPTrigger) RecordNoteRt(k, false, kNoBlock, -1);
    return true;
  }
  if (c == RecOctInc || c == RecOctDec) {
    if (!Transport.RecRawMode && k.NoteOn) rec::StepPitchOffset(c == RecOctInc);
    return true;
  }
  return false;
}

// An end or octave key during the take; their releases go live. False when the key is neither.
bool KeyAfterFirstNote(const rec::TRecKey& k, uint8_t c) {
  if (IsEndCode(c)) {
    if (k.NoteOn) {
      HandleRecordKey(k);
    } else {
      WriteLiveFifo(k.Msg);
    }
    return true;
  }
  if (c == RecOctInc || c == RecOctDec) {
    if (!k.NoteOn) {
      WriteLiveFifo(k.Msg);
    } else if (!Transport.RecRawMode) {
      FlushLiveFifo();
      // The held notes end where the octave changes.
      if (rec::StepPitchOffset(c == RecOctInc)) RecordNoteRt(k, false, kNoBlock, -1);
    }
    return true;
  }
  return false;
}

// The pressed keys that set the take up rather than record, and the recorded hotkeys.
void TakeSetupKey(const rec::TRecKey& k, uint8_t c) {
  const bool beforeFirst = !RecKeys.RecFirstNoteIn;
  switch (c) {
    case RecSRec:
      if (beforeFirst) rec::SwitchTakeKind(true);
      break;
    case RecRecB:
    case RecRecBB:
      if (!beforeFirst) break;
      for (int32_t s = 0; s <= LastSeq(); ++s) {
        if (SeqBuf(s).SeqState == TSeqState::RecPrimed) SeqBuf(s).SeqState = TSeqState::Stopped;
      }
      Transport.RecRetake = 0;
      Args.RecBarsEntry = 0;
      SetKeyMode(c == RecRecB ? TKeyMode::RecBarsN : TKeyMode::RecBarsNN);
      break;
    case RecAutoIncSeqTog:
    case RecRawTog:
    case RecAttribSrcSeq:
    case RecAttribSrcLive:
    case RecAttribSrcTog:
      rec::TakeOptionKey(c - RecAutoIncSeqTog, beforeFirst);
      break;
    default:
      if (c >= RecHKCR && c <= RecHKCR + HotkeyCount - 1) {
        std::array<uint32_t, 8> block{};
        const int32_t last = rec::HotkeyBlock(c - RecHKCR, block);
        RecordNoteRt(k, true, block, last);
      }
      break;
  }
}

// The real-time record keys, at engine time k.Time.
void RecModeKeyAt(rec::TRecKey k) {
  uint32_t msg = 0;
  k.Code = rec::RecKeyCode(false, k, msg);
  const bool passed = k.Code == kRecIgnore && k.Raw;
  if (k.Code == RecN && k.IsNote) k.Code = CountHeldNote(k, msg, k.Code);
  k.Msg = (k.Msg & 0xFF000000u) | (msg & 0x00FFFFFFu);
  const uint8_t c = k.Code;
  if (RecKeys.RecFirstNoteIn ? KeyAfterFirstNote(k, c) : KeyBeforeFirstNote(k, c)) return;
  if (c == RecN) {
    RecordNoteRt(k, false, kNoBlock, -1);
    return;
  }
  if (!k.NoteOn) {
    if (!passed) rec::PassOn(k, k.Msg);
    return;
  }
  TakeSetupKey(k, c);
}

// The count of a counted end key: 1, 2, 4, 8, 16, 32, R (1..9), RR (1..99).
int32_t EndKeyCount(int32_t step) {
  if (step < 6) return 1 << step;
  return 1 + MetrRandom(step == 6 ? 9 : 99);
}

// The cycles of a play or mute end key, and its status text; `alternate` when cycles of the other
// state follow.
int32_t EndKeyCycles(uint8_t code, bool mute, bool& alternate, std::string& text) {
  const int32_t plain = mute ? RecMute : RecPlay;
  const int32_t first = mute ? RecMute1 : RecPlay1;
  const int32_t altFirst = mute ? RecMutePlay1 : RecPlayMute1;
  alternate = code >= altFirst;
  const int32_t n = code == plain ? 0 : EndKeyCount(code - (alternate ? altFirst : first));
  const char* name = mute ? (alternate ? "MutePlay" : "Mute") : (alternate ? "PlayMute" : "Play");
  if (code == plain) text = name;
  if (n > 0) text = std::string(name) + " cycles:" + std::to_string(n);
  return n;
}

// A play key; a take that recorded nothing stops.
TSeqState EndWithPlay(TPartBuf& b, uint8_t code, std::string& text) {
  bool playMute = false;
  const int32_t n = EndKeyCycles(code, false, playMute, text);
  if (b.SeqState == TSeqState::RecPrimed) return TSeqState::Stopped;
  b.PlayCycles = b.PRRem = n;
  b.MuteCycles = b.MRRem = playMute ? n : 0;
  b.Pend.Muted = 0;
  return TSeqState::Playing;
}

// A mute key; a take that recorded nothing stops.
TSeqState EndWithMute(TPartBuf& b, uint8_t code, std::string& text) {
  bool mutePlay = false;
  const int32_t n = EndKeyCycles(code, true, mutePlay, text);
  if (b.SeqState == TSeqState::RecPrimed) return TSeqState::Stopped;
  b.MuteCycles = n;
  b.MRRem = n > 0 ? n + 1 : 0;
  b.PlayCycles = b.PRRem = mutePlay ? n : 0;
  b.Pend.Muted = 1;
  return TSeqState::PlayMuted;
}

}  // namespace

namespace rec {

int32_t PartOf(int32_t seq) {
  return Seqs.SeqRecs[seq].PlayPart & 1;
}

int32_t EngineTime(int8_t input, uint32_t msg, uint32_t timeStamp) {
  const int32_t now = Transport.MsClock.load(std::memory_order_relaxed);
  // The on-screen and computer keyboards are stamped with the engine clock already.
  if (FromVirtualKeyboard(msg) || !InRange(input, 0, kPorts - 1)) return now;
  const auto i = static_cast<std::size_t>(input);
  if (!RecKeys.InClockMapped[i]) {
    RecKeys.InClockOffset[i] = static_cast<int32_t>(static_cast<uint32_t>(now) - timeStamp);
    RecKeys.InClockMapped[i] = 1;
  }
  return static_cast<int32_t>(timeStamp + static_cast<uint32_t>(RecKeys.InClockOffset[i]));
}

int64_t KeyTickPos(uint32_t msg, int32_t engineMs) {
  // Only a device's message carries its arrival time; the on-screen and computer keyboards, and a
  // replayed key, are timed by the engine clock.
  if (!FromVirtualKeyboard(msg) && MidiIn.InStampNs != midi::kNow) {
    if (const auto pos = TickPosAtNs(MidiIn.InStampNs)) return *pos;
  }
  return TickPosAtMs(engineMs);
}

int32_t TakeTime(const TRecKey& k) {
  // The tick count wraps as the clocks do.
  if (!Cfg.ClocksSourceInternal)
    return static_cast<int32_t>(static_cast<uint32_t>(MidiIn.ExtClockTicks) -
                                static_cast<uint32_t>(Transport.RecStartExtTicks));
  // The nearest tick, so that the take plays back within half a tick of where it was played. A
  // key handled after a later-stamped one of another input cannot go before the take's start.
  const int64_t units = k.Pos - Transport.RecStartTickPos;
  if (units <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>((units + kTickUnits / 2) / kTickUnits, INT32_MAX));
}

int32_t TicksToPos(int64_t pos) {
  if (!Cfg.ClocksSourceInternal) return 0;
  // The seqs count whole ticks from the last one the timer passed them.
  const int64_t units = pos - WholeTickPos();
  const int64_t reach = kLoopStartReachMs * Cfg.Tempo * 64;
  if (units > reach || units < -reach) return 0;
  return static_cast<int32_t>(RoundDiv(units, kTickUnits));
}

int32_t LoopStartTicks(const TRecKey& k, bool step) {
  if (!Cfg.ClocksSourceInternal) return 0;
  // A real-time take's notes lie at their ticks from its first key: the loop goes on from the end
  // key's tick on the same count.
  if (!step) return TicksToPos(Transport.RecStartTickPos + int64_t{TakeTime(k)} * kTickUnits);
  return TicksToPos(k.Pos);
}

void RestartBarAt(int32_t start) {
  if (!Cfg.ClocksSourceInternal || !NoSeqPlaying()) return;
  RestartBeatCount(true);
  StartBarCountdown(start);
}

void StartTake(const TRecKey& k) {
  const bool attribLive = k.Raw ? Cfg.RecRawAttribSrcLive : Cfg.RecIntAttribSrcLive;
  const bool attribToLive = k.Raw ? Cfg.RecRawAttribSrcToLive : Cfg.RecIntAttribSrcToLive;
  const bool chanFromData = k.Raw && Cfg.RecRawChanSrcData;
  const auto dataChan = static_cast<int8_t>(TShortMsg{k.Msg}.Channel());
  bool first = true;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (SeqBuf(s).SeqState != TSeqState::RecPrimed) continue;
    ClearPartBuf(PartOf(s), s);
    TPartBuf& b = SeqBuf(s);
    if (attribLive) {
      b.PortPend = RunCtl.LivePort;
      b.ChanPend = chanFromData ? dataChan : LiveChan();
      b.Pend.SVel = Live.SVel;
      b.Pend.FtsRoot = Live.FtsRoot;
      b.Pend.FtsType = Live.FtsType;
      if (Live.FtsType == kFtsTypeCustom) {
        b.Pend.FtnMap = Live.FtnMap;
        b.Pend.ScaleTbl = &b.Pend.FtnMap;
        b.Pend.FtnScaleName = Live.FtsName;
      } else {
        b.Pend.ScaleTbl = Live.ScaleMap;
      }
      b.Pend.Transpose = Live.Pitch;
      b.PitchLocked = Live.PitchLocked;
      b.PitchBase = Live.TransposeBase;
    } else if (attribToLive && first) {
      FlushLiveFifo();
      RunCtl.LivePort = b.PortPend;
      if (InRange(b.PortPend, 0, kPorts - 1))
        Live.Chan[static_cast<std::size_t>(b.PortPend)] = chanFromData ? dataChan : b.ChanPend;
      Live.SVel = b.Pend.SVel;
      Live.FtsRoot = b.Pend.FtsRoot;
      Live.FtsType = b.Pend.FtsType;
      if (b.Pend.FtsType == kFtsTypeCustom) {
        Live.FtnMap = b.Pend.FtnMap;
        Live.ScaleMap = &Live.FtnMap;
        Live.FtsName = b.Pend.FtnScaleName;
      } else {
        Live.ScaleMap = b.Pend.ScaleTbl;
      }
      Live.Pitch = b.Pend.Transpose;
      Live.PitchLocked = b.PitchLocked;
      Live.TransposeBase = b.PitchBase;
    }
    first = false;
    StartSeqCycle(s);
    SeqBuf(s).SeqState = TSeqState::Recording;
  }
  Transport.RecActive = 1;
}

void TakeClockStart(const TRecKey& k) {
  // A raw take that asked for sync sent MIDI Start when it was armed.
  if (!Transport.RecRawMode && Cfg.RecIntSyncReqd && !Transport.RecStartedClock && Cfg.ClocksSourceInternal) {
    // The take's clock begins at its first key, or where the output can still place it.
    const int64_t reach = StartReachPos();
    if (NoSeqPlaying()) RestartBeatCount(true);
    StartMidiClock(std::max(k.Pos, reach));
  }
  if (Cfg.ClocksSourceInternal) {
    Transport.RecStartTimeStamp = k.Time;
    Transport.RecStartTickPos = k.Pos;
  } else {
    Transport.RecStartExtTicks = MidiIn.ExtClockTicks;
  }
  Transport.RecBeatCountOn = 1;
  Transport.RecRetake = 0;
  RecKeys.RecFirstNoteIn = 1;
}

int32_t RoundTakeEnd(int32_t t) {
  const int32_t grid = Transport.ActBar.SQTicks;
  if (grid < 1) return std::max({t, RecKeys.RecLastEventTime, 1});
  const int32_t r = t % grid;
  t = r < grid / 2 ? t - r : SatTime(int64_t{t} + grid - r);
  // A coarser note grid may have put events more than one step past the key.
  while ((t == 0 || t < RecKeys.RecLastEventTime) && t < INT32_MAX) t = SatTime(int64_t{t} + grid);
  return t;
}

void TakePhase(int32_t start, int32_t& phase, bool& late) {
  const int32_t grid = Transport.ActBar.SQTicks;
  // The bar's end as it lies from the loop's start.
  const int64_t toBarEnd = int64_t{PlayCycle.TicksToBarEnd} - start;
  phase = grid >= 1 ? static_cast<int32_t>((toBarEnd % grid + grid) % grid) : 0;
  late = false;
  if (phase > grid / 2) {
    phase -= grid;
    late = std::abs(phase) > Cfg.BeatTicks / 2;
  }
}

bool InsertEndMarkers(int32_t part, int32_t seq, int32_t t, bool heldNoteOffs) {
  TPartBuf& b = Seqs.PartBufs[part][seq];
  const bool full = b.PoolFull != 0;
  if (full) {
    Msgs.WarnMsg.Set("Seq" + std::to_string(seq + 1) + " buffer overflow; take shortened");
    if (!MakeRoomForEnd(b, part, seq, t)) {
      // Nothing could give way: the take is not closed and does not play.
      b.SeqState = TSeqState::Stopped;
      return false;
    }
  } else if (!InsertPartEvent(part, seq, kMarker, t, false)) {
    b.SeqState = TSeqState::Stopped;
    return false;
  }
  if (b.PitchCycles > 0) b.PitchCycles = 0;
  // A shortened part has its sounding notes closed already.
  bool any = heldNoteOffs && !full && RecordHeldNoteOffs(part, seq, t);
  if (RecKeys.RecPitchBendSeen) {
    any = InsertPartEvent(part, seq, TShortMsg::Pack(0xE0u + static_cast<uint8_t>(LiveChan()), 0, 64).Raw, t,
                          false) ||
          any;
  }
  if (any) InsertPartEvent(part, seq, kMarker, t, false);
  if (Cfg.DspSeqGrid) RequestSeqGridRedraw();
  return true;
}

bool MakeRoomForEnd(TPartBuf& b, int32_t part, int32_t seq, int32_t t) {
  // Note-ons less note-offs per channel and note, over what the part holds.
  std::array<int32_t, 16 * 128> sounding{};
  auto count = [&](uint32_t msg, int32_t by) {
    const TShortMsg m{msg};
    if (!m.IsNote() || m.IsHotkey()) return;
    int32_t& c = sounding[static_cast<std::size_t>(m.Channel() * 128 + m.Data1())];
    c += m.IsNoteOn() ? by : -by;
  };
  for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) count(b.Events[i].Msg, 1);
  auto need = [&] {
    int32_t n = 3;  // the end marker, a pitch-bend centre and the second marker
    for (int32_t c : sounding) n += std::max(c, 0);
    return n;
  };
  // The newest events give way; only the newest pool entry can be handed back.
  while (b.Tail >= 0 && b.EventsUsed + need() > kMaxPartEvents && b.Tail == b.EventsUsed - 1) {
    const int16_t i = b.Tail;
    count(b.Events[i].Msg, -1);
    b.Tail = b.Events[i].Prev;
    if (b.Tail >= 0) {
      b.Events[b.Tail].Next = -1;
    } else {
      b.Head = -1;
    }
    if (b.PlayEvIndex == i) b.PlayEvIndex = b.Head;
    --b.EventsUsed;
  }
  if (b.EventsUsed + need() > kMaxPartEvents) return false;
  b.PoolFull = 0;
  b.RElap = b.Tail >= 0 ? b.Events[b.Tail].Time : 0;
  InsertPartEvent(part, seq, kMarker, t, false);
  for (std::size_t k = 0; k < sounding.size(); ++k) {
    const auto chan = static_cast<uint32_t>(k / 128);
    const auto note = static_cast<uint32_t>(k % 128);
    for (int32_t n = sounding[k]; n > 0; --n)
      InsertPartEvent(part, seq, TShortMsg::Pack(0x80u + chan, note, 0).Raw, t, false);
  }
  return true;
}

std::string FinishSeqTake(int32_t seq, uint8_t code, int32_t shift, bool late) {
  TPartBuf& b = SeqBuf(seq);
  if (Transport.RecActive && !RecKeys.RecNoteRecorded) {
    ClearPartBuf(PartOf(seq), seq);
    b.SeqState = TSeqState::RecPrimed;
  }
  TSeqState state = b.SeqState;
  std::string text;
  if (code == RecEsc) {
    state = TSeqState::RecPrimed;
    Transport.RecRetake = 1;
  } else if (code == RecStop) {
    state = TSeqState::Stopped;
    text = "Stop";
  } else if (code >= RecPlay && code <= RecPlayMuteRR) {
    state = EndWithPlay(b, code, text);
  } else if (code >= RecMute && code <= RecMutePlayRR) {
    state = EndWithMute(b, code, text);
  } else {
    Msgs.ErrMsg.Set("HandleRecordKey error: Invalid MapRecKey");
  }
  if (Transport.RecRetake || state == TSeqState::Stopped || state == TSeqState::RecPrimed) {
    b.SeqState = state;
    return text;
  }
  // Position, time shift and first event are in place before the seq plays.
  b.PElap = 0;
  b.PlayEvIndex = b.Head;
  b.TimeShift = shift;
  if (shift < 0) b.TimeShiftReptOn = late;
  b.SeqState = state;
  AdvanceSeqEvent(seq, true, 0, 0);
  return text;
}

bool PrimeNextTakeSeq() {
  int32_t first = 0;
  while (first <= LastSeq() && !SeqBuf(first).Selected) ++first;
  for (int32_t n = 0; n <= LastSeq(); ++n) {
    const int32_t s = (first + n) % (LastSeq() + 1);
    TPartBuf& b = SeqBuf(s);
    if (b.Selected || b.SeqState != TSeqState::Stopped) continue;
    DeselectAll();
    b.Selected = 1;
    b.SelChanged = 1;
    b.SeqState = TSeqState::RecPrimed;
    b.RecChanged = 1;
    Seqs.SeqRecs[s].PartSweepOn = 0;
    Seqs.SeqRecs[s].SelPart = Seqs.SeqRecs[s].PlayPart;
    return true;
  }
  return false;
}

void EndTakes(uint8_t code, int32_t t, bool step, int32_t start) {
  int32_t phase = 0;
  bool late = false;
  TakePhase(start, phase, late);
  std::string endText;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.SeqState == TSeqState::Recording) {
      // Step notes bring their own note-offs; only a real-time take has notes still held.
      if (!step) RemoveTrailingNoteOns(b, t);
      if (!InsertEndMarkers(PartOf(s), s, t, !step)) continue;
    } else if (b.SeqState != TSeqState::RecPrimed) {
      continue;
    }
    std::string text = FinishSeqTake(s, code, start + phase, late);
    if (!text.empty()) endText = std::move(text);
  }
  FlushLiveFifo();
  // The end key's own result says more than the kind of take.
  Msgs.StatusMsg.Set(!endText.empty() ? std::string_view(endText)
                     : step           ? "Step recording"
                                      : "Real-time recording");
}

void AbandonTake() {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (SeqBuf(s).SeqState == TSeqState::RecPrimed) SeqBuf(s).SeqState = TSeqState::Stopped;
  }
  FlushLiveFifo();
  SendRecMidiStop();
  ResetRecBarCount();
  ReturnToLiveMode();
}

void SwitchTakeKind(bool step) {
  ResetRecBarCount();
  Transport.RecStepMode = step ? 1 : 0;
  ResetRecordState();
}

void ToggleRawTake() {
  Transport.RecRawMode = !Transport.RecRawMode;
  Transport.RecRetake = 0;
  ResetRecordState();
}

static_assert(RecRawTog - RecAutoIncSeqTog == 1 && RecAttribSrcTog - RecAutoIncSeqTog == 4 &&
              SRecRawTog - SRecAutoIncSeqTog == 1 && SRecAttribSrcSeq - SRecAutoIncSeqTog == 2 &&
              SRecAttribSrcTog - SRecAutoIncSeqTog == 4 && RecAttribSrcSeq - RecAutoIncSeqTog == 2);

void TakeOptionKey(int32_t option, bool beforeFirst) {
  if (option == 0) {
    Args.RecAutoIncSeq = !Args.RecAutoIncSeq;
  } else if (!beforeFirst) {
    return;
  } else if (option == 1) {
    ToggleRawTake();
  } else {
    SetAttribSrc(option - 2);
  }
}

void SetAttribSrc(int32_t how) {
  uint8_t& src = Transport.RecRawMode ? Cfg.RecRawAttribSrcLive : Cfg.RecIntAttribSrcLive;
  src = how == 0 ? 0 : how == 1 ? 1 : !src;
  RaiseTopic(TTopic::Behaviour);
}

bool StepPitchOffset(bool up) {
  int32_t& offset = RecKeys.RecPitchOffset;
  if (up ? offset >= kMaxPitchOffset : offset <= -kMaxPitchOffset) return false;
  offset += up ? 12 : -12;
  return true;
}

uint8_t RecKeyCode(bool step, const TRecKey& k, uint32_t& msg) {
  const uint8_t recN = step ? SRecN : RecN;
  const uint8_t ignore = step ? kSRecIgnore : kRecIgnore;
  msg = k.Msg;
  if (!k.IsNote || k.Raw) {
    const bool take = k.Raw == static_cast<bool>(Transport.RecRawMode);
    if (!take && k.Raw) WriteRawFifo(msg);
    return take ? recN : ignore;
  }
  const TShortMsg m{msg};
  const uint8_t code = ModeKeyCode(step ? TKeyMode::StepRecord : TKeyMode::Record, k.Input, m.Data1());
  if (code != recN) return code;
  if (Transport.RecRawMode) return ignore;
  const int32_t note = m.Data1() + RecKeys.RecPitchOffset;
  if (InRange(note, 0, 127)) msg = (msg & 0xFFFF00FFu) | (static_cast<uint32_t>(note) << 8);
  return code;
}

void PassOn(const TRecKey& k, uint32_t msg) {
  if (k.Raw) {
    WriteRawFifo(msg);
  } else {
    WriteLiveFifo(msg);
  }
}

int32_t HotkeyBlock(int32_t stroke, std::array<uint32_t, 8>& events) {
  return HotkeyStrokeEvents(HotkeyStrokes[static_cast<std::size_t>(stroke)], events);
}

void SendRecordedHotkey(const TRecKey& k, const std::array<uint32_t, 8>& events, int32_t last, bool advise) {
  if (FromVirtualKeyboard(k.Msg) && Cfg.HotkeysTargetActiveWin) {
    if (advise && Trace.DiagFlags && !RecKeys.HotkeyAdviceShown) {
      RecKeys.HotkeyAdviceShown = 1;
      PostDiagMsg("Hotkeys to active window from virtual keyboard are recorded but not sent live");
    }
    return;
  }
  WriteLiveFifoBlock(last, events);
}

}  // namespace rec

void HandleRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn, bool raw) {
  rec::TRecKey k;
  k.Input = input;
  k.Msg = msg;
  k.Time = rec::EngineTime(input, msg, timeStamp);
  k.Pos = rec::KeyTickPos(msg, k.Time);
  k.IsNote = isNote;
  k.NoteOn = noteOn;
  k.Raw = raw;
  RecModeKeyAt(k);
}

void ResetRecKeys(bool stepMode) {
  RecKeys.RecFirstNoteIn = 0;
  RecKeys.RecNoteRecorded = 0;
  RecKeys.RecPitchBendSeen = 0;
  RecKeys.RecPitchOffset = 0;
  RecKeys.SRecTime = 0;
  RecKeys.RecLastEventTime = 0;
  RecKeys.HotkeyAdviceShown = 0;
  RecKeys.InClockMapped = {};
  if (stepMode) {
    rec::RecomputeStepTicks();
  } else {
    RecKeys.RecHeldNoteCounts = {};
    RecKeys.RecNotePairs = {};
  }
}

void RecBarCountDone() {
  RecKeys.DelayedRecKeyDue = 1;
}

bool ReplayDelayedRecKey() {
  std::lock_guard lock(EngineLock);
  if (!RecKeys.DelayedRecKeyDue.exchange(0)) return false;
  if (Keys.KeyMode.load() != TKeyMode::Record) return false;
  rec::TRecKey k;
  // The key comes back from the input it was struck on, so its octave offset maps it to the same
  // code; its time is the engine clock's now.
  k.Input = RecKeys.DelayedRecKeyInput;
  k.Msg = RecKeys.DelayedRecKeyMsg;
  k.Time = Transport.MsClock.load(std::memory_order_relaxed);
  k.Pos = TickPosAtMs(k.Time);
  k.IsNote = true;
  k.NoteOn = true;
  RecModeKeyAt(k);
  WriteLiveFifo(TShortMsg{RecKeys.DelayedRecKeyMsg}.WithKind(0x8).Raw);
  return true;
}

bool RecordHeldNoteOffs(int32_t part, int32_t seq, int32_t time) {
  bool any = false;
  const auto chan = static_cast<uint8_t>(LiveChan());
  for (int32_t note = 0; note < 128; ++note) {
    for (int32_t n = RecKeys.RecHeldNoteCounts[note]; n > 0; --n)
      any = InsertPartEvent(part, seq, TShortMsg::Pack(0x80u + chan, note, 0).Raw, time, false) || any;
  }
  return any;
}

void SendRecMidiStop() {
  const bool asked = Transport.RecRawMode ? Cfg.RecRawSyncReqd : Cfg.RecIntSyncReqd;
  if (Transport.RecStartedClock && Cfg.ClocksSourceInternal && asked)
    SendToPorts(Cfg.MidiOutSyncEnabled, 0xFC, Trace.TraceSync);
  Transport.RecStartedClock = 0;
}

}  // namespace vel
