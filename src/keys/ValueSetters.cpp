#include "keys/ValueSetters.h"

#include <algorithm>
#include <optional>

#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/MidiMsg.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// The twelfth root of two: a logarithmic tempo step is one half step of tempo.
constexpr float kLgTempoFactor = 1.0594631f;

constexpr int32_t kLastProg = 127;
constexpr int32_t kLastSVel = 9;

// A sweep from a to b: none when they are equal, else up or down between them, back and forth
// with pingPong.
template <typename T>
void StartSweep(TSweep<T>& sweep, int32_t a, int32_t b, bool pingPong) {
  if (a == b) {
    sweep.On = 0;
    return;
  }
  sweep.Low = static_cast<T>(std::min(a, b));
  sweep.High = static_cast<T>(std::max(a, b));
  sweep.Dir = a < b ? 0 : 1;
  sweep.PingPong = pingPong ? 1 : 0;
  sweep.On = 1;
}

// One target's new value by valType: a keyed value or a step within lo..hi turn the target's
// sweep off, a sweep starts at a. Nothing for a bad valType.
template <typename T>
std::optional<int32_t> NewValue(uint8_t valType, int32_t cur, int32_t value, int32_t a, int32_t b,
                                bool pingPong, int32_t lo, int32_t hi, bool wrap, TSweep<T>& sweep) {
  switch (valType) {
    case VtAbsolute:
      sweep.On = 0;
      return value;
    case VtInc:
    case VtDec:
      sweep.On = 0;
      return SweepStepValue(cur, valType == VtDec, lo, hi, wrap);
    case VtSweep:
      StartSweep(sweep, a, b, pingPong);
      return a;
    default:
      return std::nullopt;
  }
}

// Calls fn(seq, buffer of its playing part) for each selected seq in use.
template <typename Fn>
void ForSelectedSeqs(Fn fn) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (b.Selected) fn(s, b);
  }
}

bool IsStopped(const TPartBuf& b) {
  return b.SeqState == TSeqState::Stopped;
}

// The live output's channel on the live port; the live port must be valid.
int32_t LiveChanOfPort() {
  return Live.Chan[RunCtl.LivePort] & 0x0F;
}

// The program record of a port and channel; none for a port that is no port.
TChanProg* ProgRec(int32_t port, int32_t chan) {
  if (!IsValidPort(port)) return nullptr;
  return &PlayCycle.PortChanProgs[port][chan & 0x0F];
}

void WarnLiveProgsDisabled() {
  Msgs.WarnMsg.Set("Cannot select Live output as prog changes are disabled for this port");
}
void WarnSeqProgsDisabled(int32_t seq) {
  Msgs.WarnMsg.Set("Cannot select Seq" + std::to_string(seq + 1) +
                   " as prog changes are disabled for this port");
}

// The live output's programs on its port and channel (or the multiplier's range) that were never
// sent, or sent with another program, go to LiveFifo, so a new live port or channel plays with
// the program it should.
void QueueLivePendingProgs() {
  const int32_t port = RunCtl.LivePort;
  if (!ProgChangesAllowed(port)) return;
  msg::ForProgChans(port, Live.MChanApplies, LiveChanOfPort(), [port](int32_t c) {
    TChanProg& cp = PlayCycle.PortChanProgs[port][c];
    // No program wanted: nothing to send.
    if (cp.ProgReq < 0 || cp.ProgReq > kLastProg) return;
    if (cp.ProgSentValid && cp.ProgSent == cp.ProgReq) return;
    QueueProgChange(c, cp.ProgReq);
    cp.ProgSentValid = 1;
    cp.ProgSent = cp.ProgReq;
  });
}

void SelectSeq(TPartBuf& b, bool on) {
  b.Selected = on ? 1 : 0;
  b.SelChanged = 1;
}

void SelectLive(bool on) {
  Live.Selected = on ? 1 : 0;
  Keys.SelectionChanged = 1;
}

// Selects, and readies for this command, every seq other than skip whose pending port and
// channel are the given ones and whose port takes program changes.
void SelectSeqsSharingProg(int32_t port, int32_t chan, int32_t skip) {
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    if (s == skip) continue;
    TPartBuf& b = SeqBuf(s);
    if (b.PortPend != port || (b.ChanPend & 0x0F) != chan || !ProgChangesAllowed(b.Port)) continue;
    if (!b.Selected) SelectSeq(b, true);
    if (TChanProg* rec = ProgRec(port, chan)) rec->Flag = 0;
  }
}

}  // namespace

int32_t SweepStepValue(int32_t value, bool down, int32_t lo, int32_t hi, bool wrap) {
  if (!down) {
    if (value < hi) return value + 1;
    if (wrap) return lo;
    return value > hi ? hi : value;
  }
  if (value > lo) return value - 1;
  if (wrap) return hi;
  return value < lo ? lo : value;
}

void SetPortValue(uint8_t valType, int8_t value, int8_t a, int8_t b, bool pingPong) {
  const int32_t last = RunCtl.OutPortsAllocated;
  if (Live.Selected) {
    FlushLiveFifo();
    const auto port =
        NewValue(valType, RunCtl.LivePort, value, a, b, pingPong, 0, last, true, Live.PortSweep);
    if (!port) {
      Msgs.ErrMsg.Set("SetPortValue-1 error: Unexpected ValType");
    } else {
      RunCtl.LivePort = static_cast<int8_t>(*port);
      // The multiplier is a port's: the live channel on the new port may or may not be in its range.
      if (IsValidPort(*port)) Live.MChanApplies = msg::MChanTakes(*port, LiveChanOfPort());
      QueueLivePendingProgs();
    }
  }
  ForSelectedSeqs([&](int32_t, TPartBuf& buf) {
    const auto port = NewValue(valType, buf.PortPend, value, a, b, pingPong, 0, last, true, buf.PortSweep);
    if (!port) {
      Msgs.ErrMsg.Set("SetPortValue-2 error: Unexpected ValType");
      return;
    }
    buf.PortPend = static_cast<int8_t>(*port);
    if (IsStopped(buf)) buf.Port = buf.PortPend;
  });
}

void SetChanValue(uint8_t valType, int8_t value, int8_t a, int8_t b, bool pingPong) {
  if (Live.Selected) {
    FlushLiveFifo();
    const int32_t port = RunCtl.LivePort;
    if (IsValidPort(port)) {
      const auto chan =
          NewValue(valType, Live.Chan[port], value, a, b, pingPong, 0, kLastChan, true, Live.ChanSweep);
      if (!chan) {
        Msgs.ErrMsg.Set("SetChanValue-1 error: Unexpected ValType");
      } else {
        Live.Chan[port] = static_cast<int8_t>(*chan);
        Live.MChanApplies = msg::MChanTakes(port, *chan);
        QueueLivePendingProgs();
      }
    }
  }
  ForSelectedSeqs([&](int32_t, TPartBuf& buf) {
    const auto chan =
        NewValue(valType, buf.ChanPend, value, a, b, pingPong, 0, kLastChan, true, buf.ChanSweep);
    if (!chan) {
      Msgs.ErrMsg.Set("SetChanValue-2 error: Unexpected ValType");
      return;
    }
    buf.ChanPend = static_cast<int8_t>(*chan);
    if (IsStopped(buf) && IsValidPort(buf.PortPend)) {
      buf.Chan[buf.PortPend] = buf.ChanPend;
      buf.MChanApplies = msg::MChanTakes(buf.PortPend, buf.ChanPend);
    }
  });
}

void SetProgValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong) {
  // Targets that share a port and channel share one program record: each record changes once
  // per command (its Flag; ExpandProgTargets clears it first).
  if (Live.Selected) {
    FlushLiveFifo();
    const int32_t port = RunCtl.LivePort;
    if (!ProgChangesAllowed(port)) {
      WarnLiveProgsDisabled();
    } else {
      const int32_t chan = LiveChanOfPort();
      TChanProg& rec = PlayCycle.PortChanProgs[port][chan];
      if (!rec.Flag) {
        const auto prog =
            NewValue(valType, rec.ProgSent, value, a, b, pingPong, 0, kLastProg, true, Live.ProgSweep);
        if (!prog) {
          Msgs.ErrMsg.Set("SetProgValue-1 error: Unexpected ValType");
        } else {
          msg::ForProgChans(port, Live.MChanApplies, chan, [&](int32_t c) {
            TChanProg& cp = PlayCycle.PortChanProgs[port][c];
            if (cp.ProgSentValid && cp.ProgSent == *prog) return;
            cp.ProgReq = *prog;
            QueueProgChange(c, *prog);
            cp.ProgSentValid = 1;
            cp.ProgSent = *prog;
            cp.Flag = 1;
          });
        }
      }
    }
  }
  ForSelectedSeqs([&](int32_t s, TPartBuf& buf) {
    if (!ProgChangesAllowed(buf.Port)) {
      WarnSeqProgsDisabled(s);
      return;
    }
    const int32_t port = buf.PortPend;
    const int32_t chan = buf.ChanPend & 0x0F;
    TChanProg* rec = ProgRec(port, chan);
    if (rec == nullptr || rec->Flag) return;
    const auto prog =
        NewValue(valType, rec->ProgReq, value, a, b, pingPong, 0, kLastProg, true, buf.ProgSweep);
    if (!prog) {
      Msgs.ErrMsg.Set("SetProgValue-2 error: Unexpected ValType");
      return;
    }
    msg::ForProgChans(port, buf.MChanApplies, chan, [&](int32_t c) {
      TChanProg& cp = PlayCycle.PortChanProgs[port][c];
      cp.ProgReq = *prog;
      cp.Flag = 1;
      // A playing seq sends it at its next start of cycle.
      if (IsStopped(buf)) SendPendingProg(port, c);
    });
  });
}

void SetSVelValue(uint8_t valType, uint8_t value, uint8_t a, uint8_t b, bool pingPong) {
  if (Live.Selected) {
    const auto svel =
        NewValue(valType, Live.SVel, value, a, b, pingPong, 0, kLastSVel, false, Live.SVelSweep);
    if (!svel) {
      Msgs.ErrMsg.Set("SetSVelValue-1 error: Unexpected ValType");
    } else {
      Live.SVel = static_cast<uint8_t>(*svel);
    }
  }
  ForSelectedSeqs([&](int32_t, TPartBuf& buf) {
    const auto svel =
        NewValue(valType, buf.Pend.SVel, value, a, b, pingPong, 0, kLastSVel, false, buf.SVelSweep);
    if (!svel) {
      Msgs.ErrMsg.Set("SetSVelValue-2 error: Unexpected ValType");
      return;
    }
    buf.Pend.SVel = static_cast<uint8_t>(*svel);
    if (IsStopped(buf)) buf.Act.SVel = buf.Pend.SVel;
  });
}

void SetTempoValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong, bool exact) {
  int32_t tempo = 0;
  switch (valType) {
    case VtAbsolute:
      Live.TempoSweep.On = 0;
      tempo = value;
      break;
    case VtInc:
    case VtDec:
      Live.TempoSweep.On = 0;
      tempo = Cfg.UseLgTempos
                  ? TempoStep(valType == VtDec, Cfg.LgTempoStep, kMinTempo, kMaxTempo, kLgTempoFactor)
                  : TempoStep(valType == VtDec, Cfg.LnTempoStep, kMinTempo, kMaxTempo, 0.0f);
      break;
    case VtSweep:
      StartSweep(Live.TempoSweep, a, b, pingPong);
      tempo = a;
      break;
    default:
      Msgs.ErrMsg.Set("SetTempoValue-2 error: Unexpected ValType");
      return;
  }
  SetTargetTempo(tempo, true, exact && valType == VtAbsolute);
}

bool SetPartValue(uint8_t valType, int32_t value, int32_t a, int32_t b, bool pingPong) {
  if (valType > VtSweep) {
    Msgs.ErrMsg.Set("SetPartValue error: Unexpected ValType");
    return false;
  }
  ForSelectedSeqs([&](int32_t s, TPartBuf& buf) {
    TSeqRec& r = Seqs.SeqRecs[s];
    TSweep<int32_t> sweep{r.PartSweepOn, r.PartSweepLow, r.PartSweepHigh, r.PartSweepDir,
                          r.PartSweepPingPong};
    const int32_t part = *NewValue(valType, r.SelPart, value, a, b, pingPong, 0, kParts - 1, true, sweep);
    r.PartSweepOn = sweep.On;
    r.PartSweepLow = sweep.Low;
    r.PartSweepHigh = sweep.High;
    r.PartSweepDir = sweep.Dir;
    r.PartSweepPingPong = sweep.PingPong;
    r.SelPart = part;
    // A stopped seq changes part at once; a playing one at its next start of cycle.
    if (IsStopped(buf)) {
      const int32_t old = r.PlayPart;
      r.PlayPart = part;
      HandlePartChange(old, part, s);
    }
  });
  return true;
}

void ExpandProgTargets() {
  if (Live.Selected) {
    const int32_t port = RunCtl.LivePort;
    if (ProgChangesAllowed(port)) {
      const int32_t chan = LiveChanOfPort();
      PlayCycle.PortChanProgs[port][chan].Flag = 0;
      SelectSeqsSharingProg(port, chan, -1);
    } else {
      WarnLiveProgsDisabled();
      SelectLive(false);
    }
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected) continue;
    if (!ProgChangesAllowed(b.Port)) {
      WarnSeqProgsDisabled(s);
      SelectSeq(b, false);
      continue;
    }
    const int32_t port = b.PortPend;
    const int32_t chan = b.ChanPend & 0x0F;
    TChanProg* rec = ProgRec(port, chan);
    if (rec == nullptr) continue;
    rec->Flag = 0;
    SelectSeqsSharingProg(port, chan, s);
    // The live output shares the record: it changes with the seq, where its port allows it.
    if (port == RunCtl.LivePort && chan == LiveChanOfPort() && ProgChangesAllowed(port)) {
      if (!Live.Selected) SelectLive(true);
    }
  }
}

void ReportValueOutOfRange(const std::string& command, int32_t value, int32_t lo, int32_t hi) {
  Msgs.WarnMsg.Set(command + " command ignored; value " + std::to_string(value) + " out of range " +
                   std::to_string(lo) + " to " + std::to_string(hi));
}

}  // namespace vel
