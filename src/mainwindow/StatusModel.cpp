#include "mainwindow/StatusModel.h"

#include <algorithm>

#include "base/General.h"
#include "keys/ScaleKeys.h"
#include "mainwindow/SeqLenText.h"

namespace vel {

namespace {

constexpr int32_t kFlashOnMs = 400;
constexpr int32_t kFlashOffMs = 100;
constexpr int32_t kAlertBrightMs = 50;
constexpr int32_t kAlertMs = 4000;

bool IsRecState(TSeqState s) {
  return s == TSeqState::RecPrimed || s == TSeqState::Recording;
}

std::string ScaleText(int32_t root, uint8_t type, const TShortName& name) {
  if (type == kFtsTypeOff) return "chrom";
  if (type == kFtsTypeCustom) return std::string(name.View());
  return PitchClassName(root) + FtsCodeName(type);
}

std::string ProgText(int32_t prog, const TCfg& cfg, bool& bold) {
  bold = false;
  if (prog < 0) return "?";
  if (!cfg.DspProgNames || prog >= kCfgProgs) {
    bold = !cfg.DspProgNames;
    return std::to_string(prog);
  }
  return std::to_string(prog) + "-" + cfg.UserProgNames[prog];
}

// What every column of one seq row reads: the seq, the settings and the row's own colour.
struct TRowIn {
  const TStatusSnapshot& Snap;
  const TSeqSnap& Q;
  const TCfg& Cfg;
  bool FlashOn;
  TSeqState St;
  TColor Row;  // the row's text colour: recording, selected or plain

  TFlashPick Pick(bool equal, bool sweep, bool actAtLeastPend, TColor pendColour) const {
    return FlashRule(equal, FlashOn, sweep, actAtLeastPend, St, Row, pendColour);
  }
  TFlashPick Pick(bool equal, bool sweep, bool actAtLeastPend) const {
    return Pick(equal, sweep, actAtLeastPend, Cfg.ClStFlashPend);
  }
};

// The row's panel colour, and its text colour (what TRowIn::Row holds).
TColor RowPanelAndColour(const TSeqSnap& q, bool odd, const TCfg& cfg, TSeqRowView& v) {
  if (IsRecState(q.State)) {
    v.Panel = cfg.ClPanelSeqRec;
    return cfg.ClStRecPrimed;
  }
  if (q.Selected) {
    v.Panel = odd ? cfg.ClPanelSeqOddSel : cfg.ClPanelSeqEvenSel;
    return cfg.ClStSelected;
  }
  v.Panel = odd ? cfg.ClPanelSeqOdd : cfg.ClPanelSeqEven;
  return cfg.ClText;
}

// Sq.Pt, with the arrow of a take from or to the live row.
TText PartNoText(const TRowIn& in, int32_t s, bool& toLiveShown) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f =
      in.Pick(q.PlayPart == q.SelPart, q.PartSweepOn, q.PlayPart >= q.SelPart, in.Cfg.ClStFlashPendPart);
  std::string text =
      std::to_string(s + 1) + "." + f.Mark + std::to_string((f.Active ? q.PlayPart : q.SelPart) + 1);
  if (IsRecState(in.St)) {
    if (in.Snap.ArrowFromLive) {
      text = "->" + text;
    } else if (in.Snap.ArrowToLive && !toLiveShown) {
      text += "->";
      toLiveShown = true;
    }
  }
  return TText{text, in.Row != in.Cfg.ClText ? f.Colour : in.Cfg.ClStSeqNo};
}

// Pitch: no sweep; the note-range offsets colour it.
TText PitchText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.Transpose == q.TransposePend, false, true);
  std::string text = SignedText((f.Active ? q.Transpose : q.TransposePend) - q.PitchBase);
  if (q.PitchCycles > 0) text += ":" + std::to_string(q.PitchCyclesRem);
  TColor c = f.Colour;
  if (f.Active) {
    c = q.ActOffs ? in.Cfg.ClStSelnActive : in.Row;
  } else if (in.St == TSeqState::Stopped) {
    c = q.PendOffs ? in.Cfg.ClStSelnActive : in.Row;
  }
  return TText{text, c, false, !q.PitchLocked};
}

TText ScaleColumnText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const bool equal = q.FtsType == kFtsTypeCustom ? q.FtnName.View() == q.FtnNamePend.View()
                                                 : q.FtsRoot == q.FtsRootPend && q.FtsType == q.FtsTypePend;
  const TFlashPick f = in.Pick(equal, false, true);
  return TText{f.Active ? ScaleText(q.FtsRoot, q.FtsType, q.FtnName)
                        : ScaleText(q.FtsRootPend, q.FtsTypePend, q.FtnNamePend),
               f.Colour, false, !q.PitchLocked};
}

TText LenText(const TRowIn& in) {
  const TStatusSnapshot& snap = in.Snap;
  const TBarGrid grid{snap.ActBarTicks, snap.ActSQTicks, snap.SQActNoteLenFrac};
  const bool rec = IsRecState(in.St);
  int64_t len = in.Q.RElap;
  if (rec) len = std::max<int64_t>(len, int64_t(snap.RecBeatCount) * snap.ActBeatTicks);
  len *= in.Q.TempoDiv;
  return TText{FmtSeqLen(rec, int32_t(std::clamp<int64_t>(len, INT32_MIN, INT32_MAX)), grid), in.Row};
}

TText TempoDivText(const TRowIn& in, int32_t s) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.TempoDiv == q.TempoDivPend, false, true);
  const int32_t div = f.Active ? q.TempoDiv : q.TempoDivPend;
  std::string text = s == in.Snap.MetrSeqNo ? "x" : div != 1 ? "1/" + std::to_string(div) : "-";
  return TText{text, f.Colour};
}

TText PortText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.Port == q.PortPend, q.PortSweep.On, q.Port >= q.PortPend);
  const int32_t port = f.Active ? q.Port : q.PortPend;
  if (in.Cfg.DspPortNames && port < kPorts) return TText{f.Mark + in.Snap.OutPortNames[port], f.Colour};
  return TText{f.Mark + std::to_string(port + 1), f.Colour, true};
}

TText ChanText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.Chan == q.ChanPend, q.ChanSweep.On, q.Chan >= q.ChanPend);
  const int32_t chan = f.Active ? q.Chan : q.ChanPend;
  return TText{f.Mark + (q.MChanApplies ? "*" : "") + std::to_string(chan + 1), f.Colour};
}

TText ProgColumnText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.ProgAct == q.ProgPend, q.ProgSweep.On, q.ProgAct >= q.ProgPend);
  const bool ok = f.Active ? q.ProgActOk : q.ProgPendOk;
  if (!ok) return TText{"-", in.Row};
  bool bold = false;
  const std::string text = ProgText(f.Active ? q.ProgAct : q.ProgPend, in.Cfg, bold);
  return TText{f.Mark + text, f.Colour, bold};
}

TText SVelText(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TFlashPick f = in.Pick(q.SVel == q.SVelPend, q.SVelSweep.On, q.SVel >= q.SVelPend);
  const uint8_t svel = f.Active ? q.SVel : q.SVelPend;
  const bool muted = f.Active ? q.Muted : q.MutedPend;
  const bool stillState = in.St == TSeqState::Stopped || in.St == TSeqState::RecPrimed;
  const bool blinkDark = in.FlashOn && q.MutedPend != q.Muted && !stillState;
  return TText{f.Mark + std::to_string(svel), f.Colour, false, !muted && svel != 0,
               in.Cfg.StandardMode != 0 && !blinkDark};
}

TSeqLightView SeqLight(const TRowIn& in) {
  const TSeqSnap& q = in.Q;
  const TCfg& cfg = in.Cfg;
  TSeqLightView l;
  if (!q.HasEvents) {
    l.Colour = cfg.ClMidiLightsSeqEmpty;
    return l;
  }
  l.Colour = cfg.ClMidiLightsDefault;
  l.Large =
      (in.St == TSeqState::Playing || in.St == TSeqState::StopPrimed) && q.PElap < in.Snap.ActBeatTicks / 4;
  if (q.LitBy == 1) l.Colour = cfg.ClMidiLightsHotkey;
  if (q.LitBy == 2) l.Colour = cfg.ClMidiLightsNote;
  if (q.LitBy == 3) l.Colour = cfg.ClMidiLightsEvent;
  return l;
}

void BuildRow(const TStatusSnapshot& snap, int32_t s, const TCfg& cfg, bool flashOn, bool& toLiveShown,
              TSeqRowView& v, std::vector<std::string>& errors) {
  const TSeqSnap& q = snap.Seqs[s];
  const bool odd = s % 2 == 0;
  const TRowIn in{snap, q, cfg, flashOn, q.State, RowPanelAndColour(q, odd, cfg, v)};
  const TColor seqNoColour = in.Row != cfg.ClText ? in.Row : cfg.ClStSeqNo;

  std::string error;
  v.State = SeqStateText(q, q.StateRaw, flashOn, snap.RecBarCountOn, snap.RecBarCount, cfg, error);
  if (!error.empty()) errors.push_back(error);

  v.PartNo = PartNoText(in, s, toLiveShown);
  v.SeqNo = TText{std::to_string(s + 1), seqNoColour};
  v.SeqNoBg = q.HasHotkeyEvents ? cfg.ClMidiLightsHotkey : (odd ? cfg.ClPanelSeqOdd : cfg.ClPanelSeqEven);
  v.Pitch = PitchText(in);
  if (cfg.DspScale) v.Scale = ScaleColumnText(in);
  v.Trans = TText{SignedText(q.PitchBase), in.Row};
  if (cfg.DspSeqLen) v.Len = LenText(in);
  if (cfg.DspTempoDiv) v.TDiv = TempoDivText(in, s);
  v.TimeShift = TText{q.TimeShiftRept == 0 ? "" : q.TimeShiftRept > 0 ? "<" : ">", in.Row};

  if (snap.OutPortsAllocated >= 0 && q.PortPend >= 0 && q.Port >= 0) {
    v.Port = PortText(in);
    v.Chan = ChanText(in);
    v.Prog = ProgColumnText(in);
  } else {
    v.Port.reset();
    v.Chan.reset();
    v.Prog.reset();
  }
  v.SVel = SVelText(in);
  if (cfg.DspMidiActivity) v.Light = SeqLight(in);
}

}  // namespace

bool StepFlashClock(TFlashClock& c, int32_t intervalMs) {
  c.MsLeft -= intervalMs;
  if (c.MsLeft > 0) return false;
  c.On = !c.On;
  c.MsLeft = c.On ? kFlashOnMs : kFlashOffMs;
  return true;
}

TAlertStep StepAlert(int32_t time, int32_t now, bool flashOn, const std::string& text, const TCfg& cfg) {
  TAlertStep a;
  if (time == 0) {
    a.Time = now;
    a.Colour = cfg.ClStWarning;
    return a;
  }
  a.Time = time;
  const int32_t elapsed = now - time;
  if (elapsed > kAlertMs) {
    a.Done = true;
    a.Time = 0;
    a.Colour = clBtnFace;
    a.Text = "";
    return a;
  }
  if (elapsed > kAlertBrightMs) a.Colour = cfg.ClBgStatusBar;
  a.Text = flashOn ? text : "";
  return a;
}

std::string SignedText(int32_t v) {
  return v >= 0 ? "+" + std::to_string(v) : std::to_string(v);
}

TFlashPick FlashRule(bool equal, bool flashOn, bool sweep, bool actAtLeastPend, TSeqState state,
                     TColor rowColour, TColor pendColour) {
  TFlashPick f;
  const bool still = state == TSeqState::Stopped || state == TSeqState::RecPrimed;
  f.Active = (equal || flashOn || sweep) && !still;
  if (f.Active) {
    if (sweep) f.Mark = actAtLeastPend ? "<" : ">";
    f.Colour = rowColour;
  } else {
    if (sweep) f.Mark = "^";
    f.Colour = state == TSeqState::Stopped ? rowColour : pendColour;
  }
  return f;
}

TText SeqStateText(const TSeqSnap& q, uint8_t raw, bool flashOn, bool recBarCountOn, int32_t recBarCount,
                   const TCfg& cfg, std::string& error) {
  std::string text;
  TColor colour = cfg.ClText;
  bool blinks = false;
  auto counted = [](const char* mark, int32_t n) {
    return n > 0 ? std::string(mark) + ":" + std::to_string(n) : mark;
  };
  const std::string rec = recBarCountOn && recBarCount > 0 ? "r:" + std::to_string(recBarCount) : "r";
  switch (raw) {
    case 0:
      text = counted("p", q.PRRem), blinks = true;
      break;
    case 1:
      text = q.PRRem > 0 ? counted("p", q.PRRem) : q.Muted ? "m" : "p";
      break;
    case 2:
      text = counted("m", q.MRRem), blinks = true;
      break;
    case 3:
      text = counted("m", q.MRRem);
      break;
    case 4:
      text = "s", blinks = true;
      break;
    case 5:
      text = q.HasEvents ? "s" : "-";
      break;
    case 6:
      text = rec, colour = cfg.ClStRecPrimed;
      break;
    case 7:
      text = rec, colour = cfg.ClStRecording, blinks = true;
      break;
    default:
      error = "UpdateDspStatus-3 error: Invalid SeqState";
      return TText{"?", cfg.ClText};
  }
  if (blinks && !flashOn) text.clear();
  return TText{text, colour};
}

void BuildStatusView(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, TStatusView& view) {
  view.Errors.clear();
  bool toLiveShown = false;
  view.LastRow = std::min(snap.MaxActiveSeqs, kSeqs - 1);
  for (int32_t s = 0; s <= view.LastRow; ++s)
    BuildRow(snap, s, cfg, flashOn, toLiveShown, view.Rows[s], view.Errors);

  if (snap.ProgState < TProgState::Running) {
    view.MetrStyleName = view.MetrStylePatNo = "?";
  } else if (snap.MetrSeqNo >= 0 && snap.MetrSeqNo <= view.LastRow) {
    const TSeqState st = snap.Seqs[snap.MetrSeqNo].State;
    const TFlashPick f = FlashRule(snap.MetrStyleEqual, flashOn, false, true, st, 0, 0);
    const bool act = f.Active && !snap.MetrStyleEqual;
    view.MetrStyleName = act ? snap.MetrStyleAct : snap.MetrStylePend;
    view.MetrStylePatNo = act ? snap.MetrPatAct : snap.MetrPatPend;
  }
}

}  // namespace vel
