#include "files/MidiFile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>

#include "base/FileReplace.h"
#include "base/Formats.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/DemoFiles.h"
#include "platform/midi/ShortMsg.h"
#include "settings/Settings.h"

namespace vel {

namespace {

using midi::TShortMsg;

constexpr uint32_t kMaxDelta = 0x0FFFFFFF;
constexpr uint32_t kMaxTempoUs = 0xFFFFFF;

bool DiagOn() {
  return Trace.DiagFlags != 0;
}

// A failure of a load or save: an error box from the menu, else a warning that is not logged.
void ReportFileMsg(const std::string& text, bool fromMenu) {
  PostDiagMsg(text);
  if (fromMenu)
    ShowMessage(text, MsgKind::Error, MsgButtons::Ok);
  else
    Msgs.WarnMsg.Set("@" + text);
}

// ---------------------------------------------------------------------------------------------------
// Writing

class TByteWriter {
 public:
  explicit TByteWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Byte(uint32_t b) { out_.push_back(static_cast<uint8_t>(b)); }
  void Be16(uint32_t v) {
    Byte(v >> 8);
    Byte(v);
  }
  void Be24(uint32_t v) {
    Byte(v >> 16);
    Be16(v);
  }
  void Be32(uint32_t v) {
    Byte(v >> 24);
    Be24(v);
  }
  void Vlq(uint32_t v) {
    uint8_t buf[4];
    int n = 0;
    buf[n++] = v & 0x7F;
    while ((v >>= 7) != 0 && n < 4) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n > 0) Byte(buf[--n]);
  }
  void Id(const char* id) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(id[i]));
  }
  void Meta(uint32_t delta, uint8_t type, const std::string& data) {
    Vlq(delta);
    Byte(0xFF);
    Byte(type);
    Vlq(static_cast<uint32_t>(data.size()));
    for (char c : data) Byte(static_cast<uint8_t>(c));
  }

 private:
  std::vector<uint8_t>& out_;
};

// A sweep as the settings text holds it: mode (1 one way, 2 both ways), direction, low, high.
std::string SweepText(uint8_t pingPong, uint8_t dir, int32_t low, int32_t high) {
  return std::string(pingPong ? "2" : "1") + "/" + (dir == 0 ? "1" : "2") + "/" + std::to_string(low) + "/" +
         std::to_string(high);
}

struct TWriteSlot {
  int32_t part;
  int32_t seq;
};

// The part's output port and channel, -1 each when it has none.
int32_t PartPort(const TPartBuf& b) {
  return IsValidPort(b.PortPend) ? b.PortPend : -1;
}
int32_t PartChan(const TPartBuf& b) {
  return b.ChanPend >= 0 && b.ChanPend < kChans ? b.ChanPend : -1;
}

std::string SettingsText(int32_t part, int32_t seq, bool firstTrack) {
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  const TSeqRec& r = Seqs.SeqRecs[seq];
  const int32_t port = PartPort(b);
  const int32_t chan = PartChan(b);
  std::string t;
  if (firstTrack) t += std::string("i=") + kSmfProductWord + ",v=" + kSmfVersion + ",";
  t += "s=" + std::to_string(seq + 1) + ",p=" + std::to_string(part + 1);
  t += std::string(",pl=") + (b.PitchLocked ? "Y" : "N");
  t += ",tr=" + std::to_string(b.PitchBase);
  t += ",po=" + std::to_string(b.PortPend + 1);
  const int32_t prog = port >= 0 && chan >= 0 ? PlayCycle.PortChanProgs[port][chan].ProgReq : -1;
  t += ",pr=" + std::to_string(prog);
  t += ",sv=" + std::to_string(b.Pend.SVel);
  if (firstTrack) t += ",ht=" + std::to_string(Cfg.Tempo);
  t += ",pi=" + std::to_string(b.Pend.Transpose - b.PitchBase);
  if (r.PartSweepOn)
    t += ",ps=" + SweepText(r.PartSweepPingPong, r.PartSweepDir, r.PartSweepLow + 1, r.PartSweepHigh + 1);
  if (b.PortSweep.On)
    t += ",os=" + SweepText(b.PortSweep.PingPong, b.PortSweep.Dir, b.PortSweep.Low + 1, b.PortSweep.High + 1);
  if (b.ChanSweep.On)
    t += ",cs=" + SweepText(b.ChanSweep.PingPong, b.ChanSweep.Dir, b.ChanSweep.Low + 1, b.ChanSweep.High + 1);
  if (b.ProgSweep.On)
    t += ",rs=" + SweepText(b.ProgSweep.PingPong, b.ProgSweep.Dir, b.ProgSweep.Low, b.ProgSweep.High);
  if (b.SVelSweep.On)
    t += ",vs=" + SweepText(b.SVelSweep.PingPong, b.SVelSweep.Dir, b.SVelSweep.Low, b.SVelSweep.High);
  if (b.PitchCycles > 0)
    t += ",ic=" + std::to_string(b.PitchCycles) + "/" + std::to_string(b.PitchCycleTransA - b.PitchBase) +
         "/" + std::to_string(b.PitchCycleTransB - b.PitchBase);
  t += ",td=" + std::to_string(b.TempoDivPend);
  if (t.size() > 255) t.resize(255);
  return t;
}

// The first track's tempo and, when the beat is a power of two, time signature.
void WriteTempoAndTimeSig(TByteWriter& w) {
  uint32_t us = 60000000u / static_cast<uint32_t>(std::max(Cfg.Tempo / 100, 1));
  if (us > kMaxTempoUs) {
    PostDiagMsg("MicroSecsPerQN " + std::to_string(us) +
                " too large for a standard MIDI file; truncated to " + std::to_string(kMaxTempoUs) +
                "\r\nTempo will be incorrect if file is loaded into external programs");
    Msgs.WarnMsg.Set("@SMF tempo truncated - will be incorrect if loaded externally");
    us = kMaxTempoUs;
  } else if (DiagOn()) {
    PostDiagMsg("MicroSecsPerQN " + std::to_string(us));
  }
  w.Vlq(0);
  w.Byte(0xFF);
  w.Byte(0x51);
  w.Byte(3);
  w.Be24(us);
  const int32_t dd = PowerOf2Index(Cfg.NoteLenFrac);
  if (dd >= 0) {
    w.Vlq(0);
    w.Byte(0xFF);
    w.Byte(0x58);
    w.Byte(4);
    w.Byte(static_cast<uint32_t>(Cfg.BeatsPerBar) & 0xFF);
    w.Byte(static_cast<uint32_t>(dd));
    w.Byte(24);
    w.Byte(8);
  } else if (DiagOn()) {
    PostDiagMsg("Unexpected SOBNoteLenFrac " + std::to_string(Cfg.NoteLenFrac));
  }
}

// The part's events after the track's opening events, then the end of track at the part's length.
class TEventWriter {
 public:
  TEventWriter(TByteWriter& w, int32_t part, int32_t seq, uint32_t outChan, std::string& error)
      : w_(w), part_(part), seq_(seq), outChan_(outChan), error_(error) {}

  // False, with error set, for a delta the format cannot hold.
  bool Write() {
    const TPartBuf& b = Seqs.PartBufs[part_][seq_];
    // The walk checks every link and never runs longer than the pool, whatever the list holds.
    int32_t steps = 0;
    for (int32_t i = b.Head; i >= 0 && i < kPoolSize && steps < kPoolSize; i = b.Events[i].Next, ++steps) {
      const TPartEvent& ev = b.Events[i];
      bool stop = false;
      if (!Event(ev, ev.Next < 0, stop)) return false;
      if (stop) break;
    }
    if (endWritten_) return true;
    // The part's length holds even when its last events were left out (program changes).
    return End(b.Head < 0 ? 0 : b.RElap);
  }

 private:
  bool Delta(int32_t time, uint32_t& d) {
    const int64_t diff = std::max<int64_t>(0, static_cast<int64_t>(time) - lastTime_);
    if (diff > kMaxDelta) {
      error_ = "delta time " + std::to_string(diff) + " too large in seq " + std::to_string(seq_ + 1) +
               ", part " + std::to_string(part_ + 1);
      return false;
    }
    d = static_cast<uint32_t>(diff);
    lastTime_ = std::max<int64_t>(lastTime_, time);
    return true;
  }

  bool End(int32_t time) {
    uint32_t d = 0;
    if (!Delta(time, d)) return false;
    w_.Vlq(d);
    w_.Byte(0xFF);
    w_.Byte(0x2F);
    w_.Byte(0);
    endWritten_ = true;
    return true;
  }

  // stop: the track ends here.
  bool Event(const TPartEvent& ev, bool last, bool& stop) {
    const TShortMsg m{ev.Msg};
    const uint8_t status = m.Status();
    uint32_t d = 0;
    if (status == kEndMarker) {
      // Rests and bar ends within the part are not written; their time goes to the next event.
      if (!last) return true;
      stop = true;
      return End(ev.Time);
    }
    if (status >= 0xF0 || status < 0x80) {
      Msgs.WarnMsg.Set(status >= 0xF0 ? "WriteSeq error: Unexpected Status: " + std::to_string(status)
                                      : "WriteSeq error: Unexpected MidiCmd: " + std::to_string(status >> 4));
      stop = true;
      return true;
    }
    if (m.IsHotkey()) {
      if (!Delta(ev.Time, d)) return false;
      w_.Meta(d, 0x07, std::string(m.Kind() == 0x9 ? "h1" : "h0") + static_cast<char>(m.Data1()));
      return true;
    }
    const uint8_t kind = m.Kind();
    if (kind == 0xC && !Cfg.SaveProgChanges) return true;
    if (!Delta(ev.Time, d)) return false;
    w_.Vlq(d);
    w_.Byte(static_cast<uint32_t>(kind << 4) | outChan_);
    w_.Byte(m.Data1() & 0x7F);
    if (kind != 0xC && kind != 0xD) w_.Byte(m.Data2() & 0x7F);
    return true;
  }

  TByteWriter& w_;
  const int32_t part_;
  const int32_t seq_;
  const uint32_t outChan_;
  std::string& error_;
  int64_t lastTime_ = 0;
  bool endWritten_ = false;
};

// One part as track data. False, with error set, for a delta the format cannot hold.
bool WriteSeq(int32_t part, int32_t seq, int32_t trackNo, std::vector<uint8_t>& data, std::string& error) {
  TByteWriter w(data);
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  const bool first = trackNo == 1;
  const int32_t port = PartPort(b);
  const int32_t chan = PartChan(b);
  const int32_t prog = port >= 0 && chan >= 0 ? PlayCycle.PortChanProgs[port][chan].ProgReq : -1;
  if (DiagOn())
    PostDiagMsg("Saving seq " + std::to_string(seq + 1) + ", part " + std::to_string(part + 1) +
                " to track " + std::to_string(trackNo) + (b.Head < 0 ? " (empty)" : ""));
  w.Meta(0, 0x01, SettingsText(part, seq, first));
  if (first) WriteTempoAndTimeSig(w);
  if (chan >= 0) w.Meta(0, 0x20, std::string(1, static_cast<char>(chan)));
  if (port < 0 || chan < 0)
    PostDiagMsg("Part " + std::to_string(part + 1) + ", Seq " + std::to_string(seq + 1) + ", SOCAdjPort " +
                std::to_string(b.PortPend) + ", LProgNo " + std::to_string(prog) + ", LChanNo " +
                std::to_string(b.ChanPend));
  // A part without a channel plays its events on channel 1.
  const uint32_t outChan = chan >= 0 ? static_cast<uint32_t>(chan) : 0;
  if (Cfg.SaveProgChanges && prog >= 0 && prog <= 127) {
    w.Vlq(0);
    w.Byte(0xC0 | outChan);
    w.Byte(static_cast<uint32_t>(prog));
  }
  return TEventWriter(w, part, seq, outChan, error).Write();
}

bool AnyPartSweep() {
  for (int32_t s = 0; s <= LastSeq(); ++s)
    if (Seqs.SeqRecs[s].PartSweepOn) return true;
  return false;
}

bool PartEmpty(int32_t part, int32_t seq) {
  return Seqs.PartBufs[part][seq].Head < 0;
}

// ---------------------------------------------------------------------------------------------------
// Reading

class TByteReader {
 public:
  TByteReader(const uint8_t* data, std::size_t end) : data_(data), end_(end) {}
  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return end_ - pos_; }
  bool Byte(uint8_t& b) {
    if (pos_ >= end_) return false;
    b = data_[pos_++];
    return true;
  }
  bool Skip(std::size_t n) {
    if (n > Left()) return false;
    pos_ += n;
    return true;
  }
  bool Be16(uint32_t& v) { return BeN(2, v); }
  bool Be24(uint32_t& v) { return BeN(3, v); }
  bool Be32(uint32_t& v) { return BeN(4, v); }
  // At most four bytes.
  bool Vlq(uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = 0;
      if (!Byte(b)) return false;
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  bool Text(std::size_t n, std::string& s) {
    if (n > Left()) return false;
    s.assign(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return true;
  }
  // Moves past chunks of other ids to the chunk id; its length in len.
  bool FindChunk(const char* id, uint32_t& len) {
    for (;;) {
      std::string got;
      if (!Text(4, got)) return false;
      if (!Be32(len)) return false;
      if (got == std::string(id, 4)) return true;
      if (!Skip(len)) return false;
    }
  }
  const uint8_t* Here() const { return data_ + pos_; }

 private:
  bool BeN(int n, uint32_t& v) {
    if (static_cast<std::size_t>(n) > Left()) return false;
    v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | data_[pos_++];
    return true;
  }
  const uint8_t* data_;
  std::size_t end_;
  std::size_t pos_ = 0;
};

struct TSweepIn {
  uint8_t Mode = 2;  // 0 one way, 1 both ways, 2 off
  uint8_t Dir = 0;
  std::optional<int32_t> Low;
  std::optional<int32_t> High;
};

struct TTrackSettings {
  int32_t Chan = -1;
  int32_t Prog = -1;
  int32_t Seq = -1;
  int32_t Part = -1;
  uint8_t PitchLock = 0;
  int32_t BasePitch = 0;
  int32_t Port = -1;
  int32_t SVel = 5;
  int32_t Tempo = 0;
  int32_t Transpose = 0;
  TSweepIn PartSweep, PortSweep, ChanSweep, ProgSweep, SVelSweep;
  int32_t PitchCycles = 0;
  int32_t PitchCycleA = 0;
  int32_t PitchCycleB = 0;
  int32_t TempoDiv = -1;
  int32_t SavedProg = -1;  // "pr": the program the writer put ahead of the part's events
};

struct TTrackIn {
  int32_t Number = 0;
  TTrackSettings Set;
  std::vector<TPartEvent> Events;  // Time and Msg only
  bool Loopable = false;
  bool Hotkeys = false;
};

struct TFileIn {
  bool Own = false;
  int32_t Version = 0;
  bool TextSeen = false;
  std::optional<uint32_t> TempoUs;
  std::optional<int32_t> OwnTempo;  // "ht"
  std::optional<std::pair<int32_t, int32_t>> TimeSig;
  std::vector<TTrackIn> Tracks;
};

// A field's number; a field that is no number reads as the fallback, one too large as the nearest end.
int32_t ToInt(const std::string& s, int32_t fallback) {
  return ParseInt(s, {.Saturate = true}).value_or(fallback);
}

// A pitch offset in half steps; a file cannot move a part beyond the note range and back.
int32_t Pitch(const std::string& s) {
  return std::clamp(ToInt(s, 0), -127, 127);
}

TSweepIn ParseSweep(const std::string& v, int32_t lo, int32_t hi, bool plusOne) {
  TSweepIn s;
  const std::string mode = GetFields(v, '/', 1, 1);
  if (mode == "1")
    s.Mode = 0;
  else if (mode == "2")
    s.Mode = 1;
  else
    return s;
  s.Dir = GetFields(v, '/', 2, 2) == "2" ? 1 : 0;
  const int32_t adj = plusOne ? 1 : 0;
  const int32_t low = ToInt(GetFields(v, '/', 3, 3), INT32_MIN);
  const int32_t high = ToInt(GetFields(v, '/', 4, 4), INT32_MIN);
  if (low != INT32_MIN && InRange(low - adj, lo, hi)) s.Low = low - adj;
  if (high != INT32_MIN && InRange(high - adj, lo, hi)) s.High = high - adj;
  return s;
}

// What one key of the settings text sets.
using TSettingReader = void (*)(const std::string& val, bool firstTrack, TFileIn& file, TTrackSettings& t);
struct TSettingKey {
  const char* Key;
  TSettingReader Read;  // null: the key is read for its place only
};

// The keys of the settings text in the only order they are read.
constexpr TSettingKey kSettingKeys[] = {
    {"i", nullptr},
    {"v", nullptr},
    {"s", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.Seq = ToInt(v, 0) - 1; }},
    {"p", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.Part = ToInt(v, 0) - 1; }},
    {"pl",
     [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.PitchLock = YNToBool(v) ? 1 : 0; }},
    {"tr", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.BasePitch = Pitch(v); }},
    {"po",
     [](const std::string& v, bool, TFileIn& file, TTrackSettings& t) {
       const int32_t n = ToInt(v, INT32_MIN);
       if (n != INT32_MIN) t.Port = file.Version >= kSmfPortOneBasedVersion ? n - 1 : n;
     }},
    // The program itself comes from the track's program change; this tells that one apart.
    {"pr", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.SavedProg = ToInt(v, -1); }},
    {"sv", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.SVel = ToInt(v, -1); }},
    {"ht",
     [](const std::string& v, bool firstTrack, TFileIn& file, TTrackSettings&) {
       if (firstTrack) file.OwnTempo = ToInt(v, 0);
     }},
    {"pi", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.Transpose = Pitch(v); }},
    {"ps", [](const std::string& v, bool, TFileIn&,
              TTrackSettings& t) { t.PartSweep = ParseSweep(v, 0, 1, true); }},
    {"os", [](const std::string& v, bool, TFileIn&,
              TTrackSettings& t) { t.PortSweep = ParseSweep(v, 0, 31, true); }},
    {"cs", [](const std::string& v, bool, TFileIn&,
              TTrackSettings& t) { t.ChanSweep = ParseSweep(v, 0, 15, true); }},
    {"rs", [](const std::string& v, bool, TFileIn&,
              TTrackSettings& t) { t.ProgSweep = ParseSweep(v, 0, 127, false); }},
    {"vs", [](const std::string& v, bool, TFileIn&,
              TTrackSettings& t) { t.SVelSweep = ParseSweep(v, 0, 9, false); }},
    {"ic",
     [](const std::string& v, bool, TFileIn&, TTrackSettings& t) {
       const int32_t n = ToInt(GetFields(v, '/', 1, 1), 0);
       t.PitchCycles = InRange(n, 0, 99) ? n : 0;
       if (t.PitchCycles > 0) {
         t.PitchCycleA = Pitch(GetFields(v, '/', 2, 2));
         t.PitchCycleB = Pitch(GetFields(v, '/', 3, 3));
       }
     }},
    {"td", [](const std::string& v, bool, TFileIn&, TTrackSettings& t) { t.TempoDiv = ToInt(v, -1); }},
};

// The "key=value" field that starts at `start`, which moves past its comma.
void NextSettingField(const std::string& text, std::size_t& start, std::string& key, std::string& val) {
  std::size_t comma = text.find(',', start);
  if (comma == std::string::npos) comma = text.size();
  const std::string field = text.substr(start, comma - start);
  start = comma + 1;
  const std::size_t eq = field.find('=');
  key = field.substr(0, eq);
  val = eq == std::string::npos ? std::string() : field.substr(eq + 1);
}

void ParseSettingsText(const std::string& text, bool firstTrack, TFileIn& file, TTrackSettings& t) {
  std::size_t k = 0;
  constexpr std::size_t nKeys = std::size(kSettingKeys);
  std::size_t start = 0;
  while (start <= text.size() && k < nKeys) {
    std::string key;
    std::string val;
    NextSettingField(text, start, key, val);
    while (k < nKeys && key != kSettingKeys[k].Key) ++k;
    if (k == nKeys) break;
    const TSettingKey& setting = kSettingKeys[k++];
    if (setting.Read != nullptr) setting.Read(val, firstTrack, file, t);
  }
}

// Why a load stopped: the text it shows. Empty while all goes well.
struct TLoadError {
  std::string Text;
  bool Set() const { return !Text.empty(); }
  void Fail(const std::string& text) {
    if (Text.empty()) Text = text;
  }
};

constexpr const char* kInvalidTrack = "MIDI file error: invalid track data";

// Reads one track's events, meta events and settings text into a track.
class TTrackReader {
 public:
  TTrackReader(TByteReader& r, int32_t division, int32_t trackNo, TFileIn& file, TTrackIn& track)
      : r_(r), division_(division), trackNo_(trackNo), file_(file), track_(track) {
    track.Number = trackNo;
    track.Set.Tempo = Cfg.Tempo;
  }

  // False when the data is unreadable.
  bool Read() {
    for (;;) {
      if (r_.Left() == 0) return true;  // a track may end without its end-of-track event
      uint32_t delta = 0;
      if (!r_.Vlq(delta)) return false;
      srcTime_ += delta;
      if (TimeNow() > INT32_MAX) return false;
      uint8_t status = 0;
      if (!r_.Byte(status)) return false;
      uint8_t d1 = 0;
      bool haveD1 = false;
      if (status < 0x80) {
        // A data byte: the running status goes on, and there must be one.
        if (running_ == 0) return false;
        d1 = status;
        haveD1 = true;
        status = running_;
      }
      bool ended = false;
      if (status >= 0x80 && status <= 0xEF) {
        if (!ChannelEvent(status, d1, haveD1)) return false;
      } else if (status == 0xF0 || status == 0xF7) {
        uint32_t len = 0;
        if (!r_.Vlq(len) || !r_.Skip(len)) return false;
      } else if (status != 0xFF) {
        Msgs.ErrMsg.Set("HandleSysex error: Unexpected MidiQual: " + std::to_string(status));
        return false;
      } else if (!MetaEvent(ended)) {
        return false;
      }
      if (ended) return true;
    }
  }

 private:
  int64_t TimeNow() const { return srcTime_ * kSmfDivision / division_; }
  void Store(uint32_t msg) {
    TPartEvent ev;
    ev.Time = static_cast<int32_t>(TimeNow());
    ev.Msg = msg;
    track_.Events.push_back(ev);
  }

  bool ChannelEvent(uint8_t status, uint8_t d1, bool haveD1) {
    running_ = status;
    uint8_t d2 = 0;
    if (!haveD1 && !r_.Byte(d1)) return false;
    const uint8_t kind = status >> 4;
    const bool two = kind != 0xC && kind != 0xD;
    if (two && !r_.Byte(d2)) return false;
    if (d1 > 0x7F || d2 > 0x7F) return false;
    if (track_.Set.Chan < 0) track_.Set.Chan = status & 0x0F;
    uint32_t msg = TShortMsg::Pack(status, d1, d2).Raw;
    if (kind == 0x9 && d2 == 0) msg = TShortMsg::Pack(status & 0xEF, d1, d2).Raw;
    if (kind == 0x8 || kind == 0x9) track_.Loopable = true;
    const bool first = !channelSeen_;
    channelSeen_ = true;
    if (kind == 0xC) {
      if (!Cfg.LoadProgChanges) return true;
      if (track_.Set.Prog < 0) track_.Set.Prog = d1;
      // Our own writer starts a track with the part's program: that sets the program, it is not
      // one of the part's events (kept, it would gain one more program change each save).
      if (file_.Own && first && srcTime_ == 0 && d1 == track_.Set.SavedProg) return true;
    }
    Store(msg);
    return true;
  }

  void TextEvent(const std::string& data) {
    if (textSeen_) return;
    textSeen_ = true;
    if (!file_.TextSeen) {
      file_.TextSeen = true;
      file_.Own = GetFields(data, ',', 1, 1) == std::string("i=") + kSmfProductWord;
      if (file_.Own) {
        const std::string v = GetFields(data, ',', 2, 2);
        if (v.rfind("v=", 0) == 0) file_.Version = CfgVersionToInt(v.substr(2)).value_or(0);
      }
    }
    if (file_.Own) ParseSettingsText(data, trackNo_ == 1, file_, track_.Set);
  }

  // ended: the end of track was read.
  bool MetaEvent(bool& ended) {
    uint8_t type = 0;
    uint32_t len = 0;
    if (!r_.Byte(type) || !r_.Vlq(len)) return false;
    std::string data;
    if (!r_.Text(len, data)) return false;
    const auto byteAt = [&](std::size_t i) { return static_cast<uint8_t>(data[i]); };
    switch (type) {
      case 0x01:
        TextEvent(data);
        break;
      case 0x07:
        if (file_.Own && len == 3 && data[0] == 'h' && (data[1] == '1' || data[1] == '0') &&
            byteAt(2) <= 0x7F) {
          Store(TShortMsg::Pack(data[1] == '1' ? 0x90 : 0x80, byteAt(2), 128).Raw);
          track_.Loopable = true;
          track_.Hotkeys = true;
        }
        break;
      case 0x20:
        if (len >= 1 && track_.Set.Chan < 0 && byteAt(0) <= 15) track_.Set.Chan = byteAt(0);
        break;
      case 0x2F:
        Store(kEndMarker);
        ended = true;
        break;
      case 0x51:
        if (len >= 3 && !file_.TempoUs)
          file_.TempoUs = (uint32_t(byteAt(0)) << 16) | (byteAt(1) << 8) | byteAt(2);
        break;
      case 0x58:
        if (len >= 2 && !file_.TimeSig) file_.TimeSig = std::pair<int32_t, int32_t>(byteAt(0), byteAt(1));
        break;
      default:
        break;
    }
    return true;
  }

  TByteReader& r_;
  const int32_t division_;
  const int32_t trackNo_;
  TFileIn& file_;
  TTrackIn& track_;
  int64_t srcTime_ = 0;
  uint8_t running_ = 0;
  bool textSeen_ = false;
  bool channelSeen_ = false;
};

// Sets the load's error; false, for the reader to return.
bool LoadFails(TLoadError& err, const std::string& text) {
  err.Fail(text);
  return false;
}

// The header chunk: its format, track count and time division, each checked.
bool ReadHeader(TByteReader& r, uint32_t& tracks, int32_t& div, TLoadError& err) {
  uint32_t len = 0;
  if (!r.FindChunk("MThd", len)) return LoadFails(err, "MIDI file error: missing MThd chunk header");
  if (len != 6) return LoadFails(err, "MIDI file error: invalid header size");
  uint32_t format = 0, division = 0;
  if (!r.Be16(format)) return LoadFails(err, "MIDI file error: invalid format");
  if (format > 2)
    PostDiagMsg("MIDI file error: unrecognised format number (> 2); will try loading anyway...");
  if (!r.Be16(tracks)) return LoadFails(err, "MIDI file error: invalid no. of tracks field");
  if (DiagOn()) PostDiagMsg("Tracks: " + std::to_string(tracks));
  if (tracks == 0) return LoadFails(err, "MIDI file error: no tracks");
  if (format == 0 && tracks != 1)
    PostDiagMsg("MIDI file error: format & tracks mismatch; will try loading anyway...");
  if (!r.Be16(division)) return LoadFails(err, "MIDI file error: invalid time division");
  if (DiagOn()) PostDiagMsg("TimeDiv: " + std::to_string(division));
  if (division & 0x8000) return LoadFails(err, "MIDI file error: frames-per-sec currently unsupported");
  if (division == 0) return LoadFails(err, "MIDI file error: invalid time division");
  div = static_cast<int32_t>(division);
  return true;
}

// A division that is no whole multiple or part of ours rounds the event times.
void LogDivisionRounding(int32_t div) {
  if (div < kSmfDivision && kSmfDivision % div != 0) {
    PostDiagMsg("Timing may not be accurate due to Time Division rounding errors");
    PostDiagMsg("TickScaleFactor: x" + std::to_string(kSmfDivision / div) +
                ", rounding error: " + std::to_string(kSmfDivision % div));
  } else if (div > kSmfDivision && div % kSmfDivision != 0) {
    PostDiagMsg("Timing may not be accurate due to Time Division rounding errors");
    PostDiagMsg("TickScaleFactor: 1/" + std::to_string(div / kSmfDivision) +
                ", rounding error: " + std::to_string(div % kSmfDivision));
  }
}

bool ReadTracks(TByteReader& r, uint32_t tracks, int32_t div, TFileIn& file, TLoadError& err) {
  for (uint32_t t = 1; t <= tracks; ++t) {
    uint32_t tlen = 0;
    if (!r.FindChunk("MTrk", tlen)) return LoadFails(err, "MIDI file error: missing MTrk chunk header");
    if (tlen > r.Left()) return LoadFails(err, kInvalidTrack);
    TByteReader tr(r.Here(), tlen);
    file.Tracks.emplace_back();
    if (!TTrackReader(tr, div, static_cast<int32_t>(t), file, file.Tracks.back()).Read())
      return LoadFails(err, kInvalidTrack);
    r.Skip(tlen);
  }
  return true;
}

bool ParseFile(const uint8_t* data, std::size_t size, TFileIn& file, TLoadError& err) {
  TByteReader r(data, size);
  uint32_t tracks = 0;
  int32_t div = 0;
  if (!ReadHeader(r, tracks, div, err)) return false;
  if (DiagOn()) LogDivisionRounding(div);
  return ReadTracks(r, tracks, div, file, err);
}

void ApplyTempo(const TFileIn& file) {
  if (!file.TempoUs) return;
  const uint32_t us = *file.TempoUs;
  if (DiagOn()) PostDiagMsg("MicroSecsPerQN: " + std::to_string(us));
  if (us == 0) {
    PostDiagMsg("SMF tempo 0 ignored");
    return;
  }
  int32_t tempo = 0;
  if (file.Own && file.OwnTempo && InRange(*file.OwnTempo, kMinTempo, kMaxTempo)) {
    tempo = *file.OwnTempo;
    if (DiagOn()) PostDiagMsg("Vellorine tempo " + TempoToStr(tempo));
  } else {
    // To the nearest hundredth of a BPM: 666667 us (what most programs write for 90 BPM) is 90.00, not 89.
    const uint64_t hundredths = (6000000000ull + us / 2) / us;
    const std::string bpm = std::to_string(hundredths / 100);
    if (hundredths > static_cast<uint64_t>(kMaxTempo)) {
      const std::string text = "SMF tempo " + bpm + " too large, truncated to 320";
      PostDiagMsg(text);
      Msgs.WarnMsg.Set("@" + text);
      tempo = kMaxTempo;
    } else if (hundredths < static_cast<uint64_t>(kMinTempo)) {
      const std::string text = "SMF tempo " + bpm + " too small, increased to 20";
      PostDiagMsg(text);
      Msgs.WarnMsg.Set("@" + text);
      tempo = kMinTempo;
    } else {
      if (DiagOn()) PostDiagMsg("SMF tempo " + bpm);
      tempo = static_cast<int32_t>(hundredths);
    }
  }
  if (RunCtl.ProgState == TProgState::Running) {
    SetTargetTempo(tempo, false, true);
  } else {
    Cfg.Tempo = tempo;
    Cfg.TargetTempo = tempo;
  }
}

void ApplyTimeSig(const TFileIn& file) {
  if (!file.TimeSig) return;
  int32_t nn = file.TimeSig->first;
  const int32_t dd = file.TimeSig->second;
  if (dd > 7) return;  // no beat shorter than 1/128
  const int32_t den = 1 << dd;
  if (nn == 0) {
    SetTimeSig(4, 4);
    return;
  }
  if (nn == 1) {
    nn = den;
    PostDiagMsg("SMF TimeSig numerator is 1, so changing to " + std::to_string(den));
  }
  SetTimeSig(nn, den);
}

template <typename T>
void ApplySweep(TSweep<T>& s, const TSweepIn& in) {
  if (in.Mode == 2) return;
  s.On = 1;
  s.PingPong = in.Mode;
  s.Dir = in.Dir;
  if (in.Low) s.Low = static_cast<T>(*in.Low);
  if (in.High) s.High = static_cast<T>(*in.High);
}

void ApplyTrackSettings(int32_t part, int32_t seq, const TTrackSettings& t, bool& progWarned) {
  TPartBuf& b = Seqs.PartBufs[part][seq];
  b.PitchLocked = t.PitchLock;
  b.PitchBase = t.BasePitch;
  b.Pend.Transpose = t.BasePitch + t.Transpose;
  if (t.Port >= 0 && t.Port <= RunCtl.OutPortsAllocated && t.Port < kPorts)
    b.PortPend = static_cast<int8_t>(t.Port);
  if (InRange(t.SVel, 0, 9)) b.Pend.SVel = static_cast<uint8_t>(t.SVel);
  TSeqRec& r = Seqs.SeqRecs[seq];
  if (t.PartSweep.Mode != 2) {
    r.PartSweepOn = 1;
    r.PartSweepPingPong = t.PartSweep.Mode;
    r.PartSweepDir = t.PartSweep.Dir;
    if (t.PartSweep.Low) r.PartSweepLow = *t.PartSweep.Low;
    if (t.PartSweep.High) r.PartSweepHigh = *t.PartSweep.High;
  }
  ApplySweep(b.PortSweep, t.PortSweep);
  ApplySweep(b.ChanSweep, t.ChanSweep);
  ApplySweep(b.ProgSweep, t.ProgSweep);
  ApplySweep(b.SVelSweep, t.SVelSweep);
  if (t.PitchCycles > 0) {
    b.PitchCycles = b.PitchCyclesRem = t.PitchCycles;
    b.PitchCycleTransA = t.BasePitch + t.PitchCycleA;
    b.PitchCycleTransB = t.BasePitch + t.PitchCycleB;
    b.Pend.Transpose = b.PitchCycleTransB;
    b.PitchCycleSel = 1;
  }
  if (InRange(t.TempoDiv, 1, 64) && DividesWholeNote(t.TempoDiv)) b.TempoDivPend = b.TempoDiv = t.TempoDiv;
  const int32_t port = b.PortPend;
  if (t.Chan >= 0 && IsValidPort(port)) {
    b.ChanPend = static_cast<int8_t>(t.Chan);
    b.Chan[port] = static_cast<int8_t>(t.Chan);
    b.MChanApplies = Cfg.MChanEnabled[port] && t.Chan >= Cfg.MChanMin[port] && t.Chan <= Cfg.MChanMax[port];
    if (InRange(t.Prog, 0, 127)) {
      PlayCycle.PortChanProgs[port][t.Chan].ProgReq = t.Prog;
      if (!ProgChangesAllowed(port) && Cfg.LoadProgChanges && DiagOn() && !progWarned) {
        PostDiagMsg("Embedded MIDI prog changes will have no effect; prog changes are disabled for port " +
                    std::to_string(port + 1));
        progWarned = true;
      }
    }
  }
  RequestSeqGridRedraw();
}

// A track that will load and the part it goes to.
struct TPlacement {
  const TTrackIn* Track;
  int32_t Part;
  int32_t Seq;
};

// Whether a track loads into a part at all: it needs a loopable event and a length.
bool TrackLoops(const TTrackIn& track) {
  if (!track.Loopable) return false;
  int32_t length = 0;
  for (const TPartEvent& ev : track.Events) length = std::max(length, ev.Time);
  return length > 0;
}

// The next free parts while tracks are placed.
struct TSlots {
  int32_t NSeqs = 0;
  int32_t NextSlot = 0;  // all parts: track order, part 0 of each seq first
  int32_t NextSel = 0;   // selected: seq index
};

enum class TSlotChoice : uint8_t { Chosen, Skip, NoneLeft };

// The part a track goes to, by the rules of the load; a skipped track says why in the log.
TSlotChoice ChooseSlot(const TFileIn& file, const TTrackIn& track, bool allParts, TSlots& slots,
                       TPlacement& at) {
  const std::string t = std::to_string(track.Number);
  at.Track = &track;
  if (!allParts) {
    while (slots.NextSel < slots.NSeqs && !SeqBuf(slots.NextSel).Selected) ++slots.NextSel;
    if (slots.NextSel >= slots.NSeqs) {
      PostDiagMsg("No seq/part available so skipping track " + t);
      return TSlotChoice::Skip;
    }
    at.Seq = slots.NextSel;
    at.Part = Seqs.SeqRecs[at.Seq].PlayPart & 1;
    return TSlotChoice::Chosen;
  }
  if (file.Own && track.Set.Seq != -1 && track.Set.Part != -1) {
    at.Seq = track.Set.Seq;
    at.Part = track.Set.Part;
    if (at.Seq >= 0 && at.Seq < slots.NSeqs && (at.Part == 0 || at.Part == 1)) return TSlotChoice::Chosen;
    PostDiagMsg("Seq " + std::to_string(at.Seq + 1) + ", part " + std::to_string(at.Part + 1) +
                " unavailable so skipping track " + t);
    return TSlotChoice::Skip;
  }
  if (slots.NextSlot >= 2 * slots.NSeqs) {
    PostDiagMsg("Max seqs/parts reached so skipping remaining tracks");
    Msgs.WarnMsg.Set("@Tracks discarded; not enough seqs");
    return TSlotChoice::NoneLeft;
  }
  at.Part = slots.NextSlot / slots.NSeqs;
  at.Seq = slots.NextSlot % slots.NSeqs;
  return TSlotChoice::Chosen;
}

// Where each track goes, in the order tracks take their slots. Only tracks that will load are
// placed: a discarded track gives its slot to the next one. False, with the text in err, when a
// track holds more events than a part does: then nothing is loaded.
bool PlanFile(const TFileIn& file, bool allParts, std::vector<TPlacement>& plan, TLoadError& err) {
  TSlots slots;
  slots.NSeqs = LastSeq() + 1;
  for (const TTrackIn& track : file.Tracks) {
    if (track.Events.empty()) continue;
    TPlacement at{};
    const TSlotChoice choice = ChooseSlot(file, track, allParts, slots, at);
    if (choice == TSlotChoice::NoneLeft) break;
    if (choice == TSlotChoice::Skip) continue;
    if (track.Events.size() > static_cast<std::size_t>(kMaxPartEvents)) {
      err.Fail("Load seq " + std::to_string(at.Seq + 1) + " aborted; buffer overflow");
      return false;
    }
    if (!TrackLoops(track)) {
      if (DiagOn()) PostDiagMsg("Track " + std::to_string(track.Number) + " discarded - no loopable events");
      continue;  // the same slot goes to the next track
    }
    if (!allParts)
      ++slots.NextSel;
    else if (!(file.Own && track.Set.Seq != -1 && track.Set.Part != -1))
      ++slots.NextSlot;
    plan.push_back(at);
  }
  return true;
}

// Fills the part with the track. The plan has checked that it fits.
void LoadTrack(const TPlacement& at, bool& progWarned) {
  const TTrackIn& track = *at.Track;
  if (DiagOn())
    PostDiagMsg("Loading track " + std::to_string(track.Number) + " to seq " + std::to_string(at.Seq + 1) +
                ", part " + std::to_string(at.Part + 1));
  ClearPartBuf(at.Part, at.Seq);
  ResetSeqAttribs(at.Part, at.Seq, true);
  ApplyTrackSettings(at.Part, at.Seq, track.Set, progWarned);
  for (const TPartEvent& ev : track.Events) {
    const TShortMsg m{ev.Msg};
    InsertPartEvent(at.Part, at.Seq, ev.Msg, ev.Time, m.IsNote() && !m.IsHotkey());
  }
  if (track.Hotkeys) Seqs.PartBufs[at.Part][at.Seq].HasHotkeyEvents = 1;
  if (at.Seq == Cfg.MetrSeqNo) Files.MetrSeqLoaded = 1;
}

// Puts the parsed tracks into the parts. True when at least one seq was loaded; when none will
// be, or a track cannot be held, nothing changes.
bool ApplyFile(const TFileIn& file, bool allParts, TLoadError& err) {
  std::vector<TPlacement> plan;
  if (!PlanFile(file, allParts, plan, err) || plan.empty()) return false;
  if (allParts) {
    DeleteAllParts();
    ResetAllPartsAttribs();
  }
  ApplyTempo(file);
  ApplyTimeSig(file);
  bool progWarned = false;
  for (const TPlacement& at : plan) LoadTrack(at, progWarned);
  return true;
}

bool LoadBytes(const uint8_t* data, std::size_t size, bool fromMenu, bool allParts) {
  TFileIn file;
  TLoadError err;
  if (DiagOn()) {
    PostDiagMsg(std::string("Tracks will be loaded into ") +
                (allParts ? "all parts of all seqs" : "selected active parts only"));
    PostDiagMsg("Load prog-changes: " + BoolToYN(Cfg.LoadProgChanges != 0));
  }
  bool loaded = false;
  if (ParseFile(data, size, file, err)) {
    if (DiagOn()) PostDiagMsg("MIDI file contains " + std::to_string(file.Tracks.size()) + " track(s)");
    loaded = ApplyFile(file, allParts, err);
    if (!loaded) err.Fail("No seqs loaded");
  }
  if (err.Set()) ReportFileMsg(err.Text, fromMenu);
  return loaded;
}

// The refusals before anything is read.
bool LoadAllowed(bool fromMenu, bool allParts) {
  if (allParts ? !AllSeqsStopped() : !SelectedSeqsStopped()) {
    ReportFileMsg(allParts ? "Load command ignored: all seqs must be stopped"
                           : "Load command ignored: all selected seqs must be stopped",
                  fromMenu);
    return false;
  }
  return true;
}

}  // namespace

bool BuildMidiFile(bool fromMenu, bool allParts, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  if (AnyPartSweep()) {
    error = "Cannot save seqs with sweeping part nos.";
    return false;
  }
  const int32_t nSeqs = LastSeq() + 1;
  std::vector<TWriteSlot> slots;
  if (allParts) {
    int32_t last = -1;
    for (int32_t k = 0; k < kParts * nSeqs; ++k)
      if (!PartEmpty(k / nSeqs, k % nSeqs)) last = k;
    if (last < 0) {
      error = "Nothing saved; all seqs are empty";
      return false;
    }
    for (int32_t k = 0; k <= last; ++k)
      if (fromMenu || !PartEmpty(k / nSeqs, k % nSeqs)) slots.push_back({k / nSeqs, k % nSeqs});
    if (DiagOn()) {
      PostDiagMsg("Saving " + std::to_string(slots.size()) + " track(s), one for each part of each seq");
      PostDiagMsg(fromMenu ? "Saved via menu, so includes empty tracks for external compatibility"
                           : "Saved at run-time for internal use, so excludes empty tracks");
      PostDiagMsg("Seqs " + std::to_string(nSeqs) + ", parts per seq 2, last non-empty item: seq " +
                  std::to_string(last % nSeqs + 1) + ", part " + std::to_string(last / nSeqs + 1));
    }
  } else {
    for (int32_t s = 0; s < nSeqs; ++s) {
      const int32_t p = Seqs.SeqRecs[s].PlayPart & 1;
      if (Seqs.PartBufs[p][s].Selected && !PartEmpty(p, s)) slots.push_back({p, s});
    }
    if (slots.empty()) {
      error = "Nothing saved; seqs are empty";
      return false;
    }
    if (DiagOn())
      PostDiagMsg("Saving " + std::to_string(slots.size()) +
                  " track(s), one for each selected non-empty active part");
  }
  if (DiagOn()) PostDiagMsg("Save prog-changes: " + BoolToYN(Cfg.SaveProgChanges != 0));
  out.reserve(64 + slots.size() * 16 * 1024);
  TByteWriter w(out);
  w.Id("MThd");
  w.Be32(6);
  w.Be16(slots.size() == 1 ? 0 : 1);
  w.Be16(static_cast<uint32_t>(slots.size()));
  w.Be16(kSmfDivision);
  std::vector<uint8_t> track;
  int32_t trackNo = 1;
  for (const TWriteSlot& slot : slots) {
    track.clear();
    if (!WriteSeq(slot.part, slot.seq, trackNo++, track, error)) return false;
    w.Id("MTrk");
    w.Be32(static_cast<uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
  }
  return true;
}

bool BuildMidiFileReported(bool fromMenu, bool allParts, std::vector<uint8_t>& bytes) {
  std::string error;
  if (BuildMidiFile(fromMenu, allParts, bytes, error)) return true;
  const bool refusal = error.rfind("Cannot save", 0) == 0 || error.rfind("Nothing saved", 0) == 0;
  if (!refusal)
    error = fromMenu ? "Error processing MIDI data for saving; " + error : "Error in Save; " + error;
  ReportFileMsg(error, fromMenu);
  return false;
}

bool WriteMidiFileBytes(const std::string& fileName, const std::vector<uint8_t>& bytes, bool fromMenu) {
  std::string stage;
  std::string error;
  if (ReplaceFileAtomically(fileName, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, stage,
                            error))
    return true;
  if (stage == "write")
    ReportFileMsg(fromMenu ? "Save MIDI file write error; " + error + "\r\n" + fileName
                           : "Error writing MIDI file " + fileName,
                  fromMenu);
  else if (stage == "close")
    ReportFileMsg(
        fromMenu ? FormatFileMsg("Cannot close MIDI file", fileName) : "Error closing MIDI file " + fileName,
        fromMenu);
  else
    ReportFileMsg(fromMenu ? FormatFileMsg("Cannot create MIDI file", fileName)
                           : "Error creating MIDI file " + fileName,
                  fromMenu);
  return false;
}

bool SaveSeqsToMidiFile(const std::string& fileName, bool fromMenu, bool allParts) {
  PostDiagMsg("Saving seqs to MIDI file " + fileName);
  std::vector<uint8_t> bytes;
  return BuildMidiFileReported(fromMenu, allParts, bytes) && WriteMidiFileBytes(fileName, bytes, fromMenu);
}

bool LoadSeqsFromMidiBytes(const uint8_t* data, std::size_t size, const std::string& name, bool fromMenu,
                           bool allParts) {
  if (!LoadAllowed(fromMenu, allParts)) return false;
  PostDiagMsg("Loading seqs from MIDI file " + name);
  Files.MetrSeqLoaded = 0;
  return LoadBytes(data, size, fromMenu, allParts);
}

bool LoadSeqsFromMidiFile(int32_t demoIndex, const std::string& fileName, bool fromMenu, bool allParts) {
  if (demoIndex >= 0) {
    const std::span<const uint8_t> demo = DemoFile(demoIndex);
    if (demo.empty()) {
      Msgs.ErrMsg.Set("LoadSeqsFromMidiFile error: Unexpected DemoIndex");
      return false;
    }
    return LoadSeqsFromMidiBytes(demo.data(), demo.size(), "demo " + std::to_string(demoIndex + 1), fromMenu,
                                 allParts);
  }
  if (!LoadAllowed(fromMenu, allParts)) return false;
  Files.MetrSeqLoaded = 0;
  std::vector<uint8_t> bytes;
  return ReadMidiFileBytes(fileName, fromMenu, bytes) &&
         LoadSeqsFromMidiBytes(bytes.data(), bytes.size(), fileName, fromMenu, allParts);
}

bool MidiLoadAllowed(bool fromMenu, bool allParts) {
  return LoadAllowed(fromMenu, allParts);
}

bool ReadMidiFileBytes(const std::string& fileName, bool fromMenu, std::vector<uint8_t>& bytes) {
  std::ifstream f(fileName, std::ios::binary);
  if (!f) {
    ReportFileMsg(
        fromMenu ? FormatFileMsg("Cannot open MIDI file", fileName) : "Error opening MIDI file " + fileName,
        fromMenu);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  if (f.bad()) {
    ReportFileMsg(fromMenu ? "Load MIDI file read error at offset " + std::to_string(bytes.size()) + " - " +
                                 std::error_code(errno, std::generic_category()).message() + "\r\n" + fileName
                           : "Error reading MIDI file " + fileName,
                  fromMenu);
    return false;
  }
  return true;
}

}  // namespace vel
