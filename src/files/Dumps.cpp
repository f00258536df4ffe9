#include "files/Dumps.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/Transport.h"
#include "platform/midi/ShortMsg.h"

namespace vel {

namespace {

using midi::TShortMsg;

const char* SeqStateName(TSeqState s) {
  static constexpr const char* kNames[] = {"PlayPrimed", "Playing", "PlayMutedPrimed", "PlayMuted",
                                           "StopPrimed", "Stopped", "RecPrimed",       "Recording"};
  const auto i = static_cast<uint8_t>(s);
  if (i < std::size(kNames)) return kNames[i];
  Msgs.ErrMsg.Set("DspSeqs error: Unexpected SeqState");
  return "?";
}

// The events of the list in order. The engine may be changing the list while it is read, so every
// link is checked and the walk never takes more steps than the pool has entries.
std::vector<int16_t> WalkList(const TPartBuf& b) {
  std::vector<int16_t> out;
  int32_t i = b.Head;
  for (int32_t steps = 0; i >= 0 && i < kPoolSize && steps < kPoolSize; ++steps) {
    out.push_back(static_cast<int16_t>(i));
    i = b.Events[i].Next;
  }
  return out;
}

bool IsNoteOnEv(const TShortMsg& m) {
  return m.Kind() == 0x9 && m.Data2() != 128;
}
bool IsNoteOffEv(const TShortMsg& m) {
  return m.Kind() == 0x8 && m.Data2() != 128;
}

constexpr std::array<int32_t, 9> kTestNotesA = {24, 27, 31, 36, 31, 27, 24, 36, 24};
constexpr std::array<int32_t, 9> kTestNotesOdd = {36, 31, 27, 24, 31, 24, 27, 24, 36};

std::string SeqSummary(const TPartBuf& b, int32_t part, int32_t seq) {
  std::string text = "Seq:" + std::to_string(seq + 1) + ", Part:" + std::to_string(part + 1) +
                     ", State:" + SeqStateName(b.SeqState) + ", PlayEvIndex:" + std::to_string(b.PlayEvIndex);
  text += "\r\nRElap:" + std::to_string(b.RElap) + ", PElap:" + std::to_string(b.PElap) +
          ", PRRem:" + std::to_string(b.PRRem) + ", MRRem:" + std::to_string(b.MRRem);
  text += "\r\nTicksRem:" + std::to_string(b.TicksRem) + ", AdjMidiEvent:" + IntToHex(b.AdjMidiEvent, 8);
  if (b.AdjMidiEvent != 0) text += ", " + DecodeEvent(b.AdjMidiEvent, true, false);
  return text;
}

// The widths of the elapsed and delta columns: the widest value, at least 4.
void ColumnWidths(const TPartBuf& b, const std::vector<int16_t>& list, std::size_t& elapWidth,
                  std::size_t& deltaWidth) {
  elapWidth = 4;
  deltaWidth = 4;
  int32_t prev = 0;
  for (int16_t i : list) {
    elapWidth = std::max(elapWidth, std::to_string(b.Events[i].Time).size());
    deltaWidth = std::max(deltaWidth, std::to_string(b.Events[i].Time - prev).size());
    prev = b.Events[i].Time;
  }
}

// A note-off's length from the earliest open note-on of its note, which it closes.
std::string NoteLenSuffix(std::array<std::vector<int32_t>, 128>& open, const TShortMsg& m, int32_t time) {
  if (IsNoteOnEv(m)) {
    open[m.Data1() & 0x7F].push_back(time);
  } else if (IsNoteOffEv(m)) {
    auto& o = open[m.Data1() & 0x7F];
    if (o.empty()) return ", missing note-on";
    std::string suffix = ", len " + std::to_string(time - o.front());
    o.erase(o.begin());
    return suffix;
  }
  return {};
}

void AppendEventLines(std::string& text, const TPartBuf& b, const std::vector<int16_t>& list, bool filtered) {
  std::size_t elapWidth = 0;
  std::size_t deltaWidth = 0;
  ColumnWidths(b, list, elapWidth, deltaWidth);
  text += "\r\nElap ticks, delta ticks, hex event, decode";
  std::array<std::vector<int32_t>, 128> open;
  int32_t prev = 0;
  for (std::size_t n = 0; n < list.size(); ++n) {
    const TPartEvent& ev = b.Events[list[n]];
    const TShortMsg m{ev.Msg};
    const bool last = n + 1 == list.size();
    const std::string suffix = NoteLenSuffix(open, m, ev.Time);
    const int32_t delta = ev.Time - prev;
    prev = ev.Time;
    if (filtered && (m.IsHotkey() ? !Trace.TraceHotkey : !TraceEventReqd(m.Status()))) continue;
    // A marker inside the part is a rest; the last one ends the part.
    const std::string decode =
        last && m.Status() == kEndMarker ? std::string("end marker") : DecodeEvent(ev.Msg, true, false);
    text += "\r\n" + PadStr(std::to_string(ev.Time), -static_cast<int32_t>(elapWidth), '0') + " " +
            PadStr(std::to_string(delta), -static_cast<int32_t>(deltaWidth), '0') + " " +
            IntToHex(ev.Msg, 8) + " " + decode + suffix;
  }
}

// The note-ons no later note-off closes, newest first.
void AppendMissingNoteOffs(std::string& text, const TPartBuf& b, const std::vector<int16_t>& list) {
  std::array<int32_t, 128> laterOffs{};
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const TPartEvent& ev = b.Events[*it];
    const TShortMsg m{ev.Msg};
    if (IsNoteOffEv(m)) {
      ++laterOffs[m.Data1() & 0x7F];
    } else if (IsNoteOnEv(m)) {
      if (laterOffs[m.Data1() & 0x7F] > 0)
        --laterOffs[m.Data1() & 0x7F];
      else
        text += "\r\n" + std::to_string(ev.Time) + " " + IntToHex(ev.Msg, 8) + " " +
                DecodeEvent(ev.Msg, true, false) + ", missing note-off";
    }
  }
}

// Note bookkeeping over the whole list.
void AppendNoteCounts(std::string& text, const TPartBuf& b, const std::vector<int16_t>& list) {
  std::array<int32_t, 128> openCount{};
  int32_t noteOns = 0, missingOns = 0;
  for (int16_t i : list) {
    const TShortMsg m{b.Events[i].Msg};
    if (IsNoteOnEv(m)) {
      ++noteOns;
      ++openCount[m.Data1() & 0x7F];
    } else if (IsNoteOffEv(m)) {
      if (openCount[m.Data1() & 0x7F] > 0)
        --openCount[m.Data1() & 0x7F];
      else
        ++missingOns;
    }
  }
  const int32_t missingOffs = static_cast<int32_t>(
      std::count_if(openCount.begin(), openCount.end(), [](int32_t c) { return c > 0; }));
  text += "\r\nTotal note-on's " + std::to_string(noteOns) + ", missing note-on's " +
          std::to_string(missingOns) + ", missing note-off's " + std::to_string(missingOffs);
  if (missingOffs > 0) AppendMissingNoteOffs(text, b, list);
}

}  // namespace

void DumpMidiInBuffer() {
  if (!Trace.DiagFlags) return;
  std::string text = "MIDI input buffer";
  const int32_t last =
      std::min<int32_t>(MidiIn.MidiInBufferLast, static_cast<int32_t>(MidiIn.MidiInBuffer.size()) - 1);
  for (int32_t i = 0; i <= last; ++i)
    text += "\r\n" + std::to_string(MidiIn.MidiInBuffer[i].TimeStamp) + " " +
            IntToHex(MidiIn.MidiInBuffer[i].Msg, 8);
  DiagLog(text);
}

void DspSeqs(int32_t part, int32_t seq, bool filtered, bool summaryOnly) {
  if (!Trace.DiagFlags || part < 0 || part > 1 || seq < 0 || seq > LastSeq()) return;
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  if (b.Head < 0) return;
  std::string text = SeqSummary(b, part, seq);
  const std::vector<int16_t> list = WalkList(b);
  if (!summaryOnly) AppendEventLines(text, b, list, filtered);
  AppendNoteCounts(text, b, list);
  text += "\r\nLowest note " + KeyNoToNote(b.LowNote) + ", highest " + KeyNoToNote(b.HighNote) + ", first " +
          KeyNoToNote(b.FirstNote);
  DiagLog(text);
}

void LoadTestSeqs(bool variantA) {
  const TUiAfterLock after;
  std::lock_guard lock(EngineLock);
  if (!NoSeqPlaying()) {
    ShowMessage("Load ignored: all seqs must be stopped", MsgKind::Error, MsgButtons::Ok);
    return;
  }
  DeleteAllParts();
  TakeBarSettings();
  const int32_t beat = Transport.ActBar.BeatTicks;
  const int32_t beats = Transport.ActBar.BeatsPerBar;
  const int32_t on = 3 * beat / 4;
  const int32_t off = beat - on;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    const int32_t part = Seqs.SeqRecs[s].PlayPart & 1;
    ClearPartBuf(part, s);
    const bool even = s % 2 == 0;
    const auto& table = variantA || even ? kTestNotesA : kTestNotesOdd;
    const int32_t offset = variantA ? 12 * s : 24;
    int32_t time = 0;
    bool first = true;
    bool ok = true;
    for (int32_t bar = 0; bar < (even ? 2 : 1) && ok; ++bar) {
      for (int32_t i = 0; i < beats && ok; ++i) {
        if (!first) time += on;
        first = false;
        const uint32_t note = static_cast<uint32_t>(table[std::min<int32_t>(i, 8)] + offset) & 0x7F;
        const uint32_t vel = i == 0 ? 127 : 48;
        ok = InsertPartEvent(part, s, TShortMsg::Pack(0x90, note, vel).Raw, time, true);
        time += off;
        ok = ok && InsertPartEvent(part, s, TShortMsg::Pack(0x80, note, vel).Raw, time, true);
      }
    }
    ok = ok && InsertPartEvent(part, s, kEndMarker, time + on, false);
    if (!ok) {
      ReportWarning("Preload aborted; buffer overflow; sequence " + std::to_string(s + 1) + " cleared");
      ClearPartBuf(part, s);
    }
  }
  RequestSeqGridRedraw();
}

}  // namespace vel
