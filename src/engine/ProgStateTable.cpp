#include "engine/ProgStateTable.h"

#include <algorithm>
#include <initializer_list>

#include "engine/LivePath.h"
#include "engine/RunControl.h"
#include "settings/Settings.h"

namespace vel {

namespace {

TCtlState Shown(bool shown) {
  TCtlState c;
  c.Shown = shown;
  return c;
}

TCtlState Enabled(bool enabled) {
  TCtlState c;
  c.Enabled = enabled;
  return c;
}

TCtlState ShownEnabled(bool shown, bool enabled) {
  TCtlState c;
  c.Shown = shown;
  c.Enabled = enabled;
  return c;
}

class Builder {
 public:
  explicit Builder(TProgStateView& v) : v_(v) {}

  TCtlState& operator[](const char* name) { return v_.Controls[name]; }

  void Set(std::initializer_list<const char*> names, const TCtlState& state) {
    for (const char* n : names) Merge(v_.Controls[n], state);
  }

 private:
  static void Merge(TCtlState& into, const TCtlState& from) {
    if (from.Shown) into.Shown = from.Shown;
    if (from.Enabled) into.Enabled = from.Enabled;
    if (from.Caption) into.Caption = from.Caption;
    if (from.Hint) into.Hint = from.Hint;
    if (from.Text) into.Text = from.Text;
  }
  TProgStateView& v_;
};

constexpr std::initializer_list<const char*> kBusyMenus = {"mnuAction", "mnuConfig", "mnuSettings",
                                                           "mnuFile",   "mnuTools",  "mnuWindows"};

void Initialising(TProgStateView& v, Builder& b) {
  v.WaitMessage = "Initialising...";
  v.AcceptDroppedFiles = false;
  b.Set({"cboMaxActiveSeqs",
         "lblActiveSeqs",
         "lblTempoIntMSB",
         "cboTempoIntMSB",
         "lblTempoIntLSB",
         "cboTempoIntLSB",
         "lblvTempoInt",
         "cboTSigBeats",
         "cboTSigFrac",
         "cboQuantN",
         "lblvQuantN",
         "cboQuantS",
         "lblvQuantS",
         "lblvMetrStyleName",
         "lblvMetrStylePatNo",
         "cboMetrBarNote",
         "lblvMetrBarNote",
         "cboMetrBeatNote",
         "lblvMetrBeatNote",
         "lblMetrSVel",
         "cboMetrBarSVel",
         "lblvMetrBarSVel",
         "cboMetrBeatSVel",
         "lblvMetrBeatSVel",
         "lblvMetrL",
         "lblvMetrR",
         "shpMetrLight",
         "chkMetrFill",
         "lblMetrFill",
         "chkMetrModeStyles",
         "lblMetrModeStyles",
         "sbtnMetrTypePitchLocked",
         "sbtnMetrTypePitched",
         "sbtnMetrBars1",
         "sbtnMetrBars2",
         "sbtnMetrBars3",
         "sbtnMetrBars4",
         "cboLiveChans",
         "lblvLiveChan",
         "lblSeqMuted",
         "cboLiveSVels",
         "lblvLiveSVel",
         "lblvLiveScale",
         "lblvLiveTDiv",
         "cboLivePorts",
         "lblvLivePort",
         "lblSeqProgs",
         "cboLiveProgs",
         "lblvLiveProg",
         "lblSeqTDivs",
         "shpLiveMidiActivity",
         "lblSeqPorts",
         "rbClocksExt",
         "chkClocksExtLock",
         "lblvTempoExt",
         "chkMidiInSyncInt",
         "chkMidiInSyncExt",
         "lblOctave",
         "sbtnCalibrate",
         "lblFilterChan",
         "cboInPort0FilterChan",
         "cboInPort1FilterChan"},
        Shown(false));
  b.Set({"chkQuantNoteOffs", "rbClocksInt", "sbtnRescanInDevs", "sbtnRescanOutDevs", "sbtnControl"},
        Enabled(false));
  v.HideSeqRows = true;
  v.ShowTarloControls = false;
  b["mnuActionCalibrate"].Shown = false;  // as sbtnCalibrate
  b["mnuActionControl"].Enabled = false;  // as sbtnControl
  b.Set({"mnuActionEsc", "mnuFileLoadMidi", "mnuFileLoadPatterns", "mnuAction", "mnuConfig", "mnuSettings",
         "mnuView", "mnuWindows"},
        Enabled(false));
  b.Set({"cboClocksExtPNos", "lblClocksExtPNos"}, Enabled(false));
}

// Running and Config set the same controls; these flags decide how.
struct TRunFlags {
  bool Run;    // Running, else Config
  bool Cfg;    // Config
  bool Full;   // standard mode
  bool Out;    // an output port
  bool Multi;  // more than one output port
  bool Inp;    // an input port
  bool Metr;   // a metronome seq
};

void ClockPanel(const TRunFlags& f, TProgStateView& v, Builder& b) {
  b["cboMaxActiveSeqs"] = f.Run ? Shown(false) : ShownEnabled(f.Full, f.Out);
  b["lblActiveSeqs"] = Shown(f.Cfg && f.Full);
  b["lblClocksSource"] = Shown(f.Full);
  b["lblClocksSource"].Caption = f.Run ? "Source" : "Src";
  b["lblMidiInSync"] = Shown(f.Full);
  b["lblMidiInSync"].Caption = f.Run ? "Sync" : "Syn";
  b.Set({"lblTempoIntMSB", "cboTempoIntMSB"}, Shown(f.Cfg && f.Full));
  b["cboTempoIntLSB"] = f.Run ? Shown(false) : ShownEnabled(true, f.Out);
  b["lblvTempoInt"] = Shown(f.Run);
  b["lblTempoIntLSB"] = Shown(true);
  v.TempoIntLsbAlign = f.Run ? TLsbAlign::RightOfTempoInt : TLsbAlign::AtCombo;
  b.Set({"cboTSigBeats", "cboTSigFrac"}, f.Run ? Shown(false) : ShownEnabled(true, f.Out));
  b.Set({"lblvBar", "lblvBeat", "lblvTSig"}, Shown(f.Run));
  b["chkQuantNoteOffs"] = Enabled(f.Run ? f.Full : f.Full && f.Out);
  b.Set({"lblQuantN", "lblQuantS"}, Shown(f.Full));
  b.Set({"cboQuantN", "cboQuantS"}, f.Run ? Shown(false) : ShownEnabled(f.Full, f.Out));
  b.Set({"lblvQuantN", "lblvQuantS"}, Shown(f.Run && f.Full));
  b.Set({"rbClocksInt"}, ShownEnabled(f.Full, f.Inp));
  b.Set({"rbClocksExt", "chkClocksExtLock", "lblvTempoExt", "chkMidiInSyncInt", "chkMidiInSyncExt"},
        Shown(f.Full && f.Inp));
  b.Set({"cboClocksExtPNos", "lblClocksExtPNos"}, Enabled(f.Inp));
  b.Set({"lblTempoSlew", "lblvTempoSlew"}, Shown(f.Full));
}

void MetronomePanel(const TRunFlags& f, TProgStateView& v, Builder& b) {
  v.UpdateMetrControls = f.Run;
  b["shpMetrLight"] = Shown(f.Run);
  b.Set({"sbtnMetrTypePitchLocked", "sbtnMetrTypePitched"},
        f.Run ? ShownEnabled(f.Out && f.Metr, true) : ShownEnabled(f.Metr, f.Out));
  b.Set({"sbtnMetrBars1", "sbtnMetrBars2", "sbtnMetrBars3", "sbtnMetrBars4"},
        ShownEnabled(f.Run ? f.Full && f.Metr : f.Full, false));
  if (f.Cfg) b.Set({"lblvMetrL", "lblvMetrR"}, Shown(false));
}

void LivePanel(const TRunFlags& f, const TProgStateInputs& in, Builder& b) {
  if (f.Run) {
    b.Set({"cboLiveChans", "cboLiveSVels", "cboLivePorts", "cboLiveProgs", "chkLivePLocked"}, Shown(false));
  } else {
    b["cboLiveChans"] = ShownEnabled(f.Full, f.Out);
    b["cboLiveChans"].Text = in.LivePort < 0 ? std::string() : std::to_string(in.LiveChan + 1);
    b["cboLiveSVels"] = ShownEnabled(f.Full, f.Out);
    b["cboLiveSVels"].Text = std::to_string(in.LiveSVel);
    b["cboLivePorts"] = ShownEnabled(f.Full && f.Multi, f.Out);
    b.Set({"cboLiveProgs", "chkLivePLocked"}, ShownEnabled(f.Full, f.Out));
  }
  b.Set({"lblvLiveChan", "lblvLiveSVel", "lblvLiveProg"}, Shown(f.Run && f.Full));
  b["lblvLivePort"] = Shown(f.Run && f.Full && f.Multi);
  b["lblvLiveScale"] = Shown(f.Run && f.Full && in.DspScale);
  b.Set({"lblvLiveTDiv", "lblSeqTDivs"}, Shown(f.Full && in.DspTempoDiv));
  b["lblvLivePitch"] = Shown(f.Run);
  b.Set({"lblvLiveTrans", "lblLive1", "lblSeqTrans", "lblSeqSVels", "lblSeqProgs", "lblSeqChans"},
        Shown(f.Full));
  b["lblSeqMuted"] = Shown(f.Cfg && f.Full);
  b["lblSeqPitches"] = Shown(f.Run || f.Full);
  b["lblSeqPorts"] = Shown(f.Full && f.Multi);
  b["lblSeqScales"] = Shown(f.Full && in.DspScale);
  b["lblSeqPartNos"] = Shown(f.Full);
  b["lblSeqPartNos"].Caption = f.Run ? "Sq.Pt" : "Part";
  b["shpLiveMidiActivity"] = Shown(in.DspMidiActivity);
}

void SeqRowControls(const TRunFlags& f, const TProgStateInputs& in, TProgStateView& v) {
  const int32_t last = std::clamp(in.LastSeq, -1, kSeqs - 1);
  for (int32_t s = 0; s <= last; ++s) {
    TSeqRowCtls& r = v.SeqRows[s];
    for (TCtlState* c :
         {&r.PartNoCombo, &r.ChanCombo, &r.ProgCombo, &r.SVelCombo, &r.MutedCheck, &r.PitchLockCheck})
      *c = f.Run ? Shown(false) : ShownEnabled(f.Full, f.Out);
    r.PortCombo = f.Run ? Shown(false) : ShownEnabled(f.Full && f.Multi, f.Out);
    for (TCtlState* c : {&r.PartNoLabel, &r.ChanLabel, &r.ProgLabel}) *c = Shown(f.Run && f.Full);
    r.PortLabel = Shown(f.Run && f.Full && f.Multi);
    if (f.Cfg) r.SVelLabel = Shown(false);
    r.PitchLabel = Shown(f.Run);
    r.ScaleLabel = Shown(f.Run && f.Full && in.DspScale);
    r.TransLabel = Shown(f.Full);
    r.TimeShiftMark = Shown(f.Full);
    r.TempoDivLabel = Shown(f.Full && in.DspTempoDiv);
    if (f.Cfg) r.ActivityLight = Shown(in.DspMidiActivity);
  }
}

void ControlPanelAndMenus(const TRunFlags& f, const TProgStateInputs& in, TProgStateView& v, Builder& b) {
  b.Set({"sbtnRescanInDevs", "sbtnRescanOutDevs"}, Enabled(f.Cfg));
  TCtlState control;
  control.Caption = f.Run ? "Stop" : "Run";
  control.Hint = f.Run ? kControlHintStop : kControlHintRun;
  control.Enabled = f.Run || f.Out;
  b["sbtnControl"] = control;
  b["mnuActionControl"] = control;
  b["mnuActionEsc"] = Enabled(f.Run);
  b["chkAuxInPortReqd"] = Enabled(f.Cfg);
  b.Set({"lblOctave", "sbtnCalibrate", "mnuActionCalibrate"}, Shown(f.Inp));
  b.Set({"lblFilterChan", "cboInPort0FilterChan"}, Shown(f.Full && f.Inp));
  b["cboInPort1FilterChan"] = Shown(in.InPort1NameVisible && in.AuxInPortReqdChecked);
  v.ShowTarloControls = f.Cfg && f.Full && f.Out;
  b.Set({"mnuAction", "mnuConfig", "mnuSettings", "mnuCfgPorts", "mnuView", "mnuFile", "mnuFileLoadMidi",
         "mnuFileLoadPatterns", "mnuTools", "mnuWindows"},
        Enabled(true));
  b.Set({"mnuConfigLoadAllFromNamed", "mnuConfigResetAll", "mnuViewSeqGrid", "mnuViewColumns"},
        Enabled(f.Cfg));
}

void RunningOrConfig(TProgState state, const TProgStateInputs& in, TProgStateView& v, Builder& b) {
  const bool run = state == TProgState::Running;
  const TRunFlags f{run,
                    !run,
                    in.StandardMode,
                    in.OutPortsAllocated >= 0,
                    in.OutPortsAllocated > 0,
                    in.InPortsAllocated >= 0,
                    in.MetrSeqSet};
  v.AcceptDroppedFiles = true;
  if (f.Cfg) v.HideWaitMessage = true;
  ClockPanel(f, v, b);
  MetronomePanel(f, v, b);
  LivePanel(f, in, b);
  SeqRowControls(f, in, v);
  ControlPanelAndMenus(f, in, v, b);
}

}  // namespace

TProgStateView ProgStateControls(TProgState state, const TProgStateInputs& in) {
  TProgStateView v;
  if (!IsValidProgState(state)) return v;
  v.Valid = true;
  Builder b(v);
  switch (state) {
    case TProgState::Initialising:
      Initialising(v, b);
      break;
    case TProgState::LoadingConfig:
      b.Set(kBusyMenus, Enabled(false));
      v.WaitMessage = "Loading config...";
      break;
    case TProgState::Stopping:
      b.Set(kBusyMenus, Enabled(false));
      b["sbtnControl"] = Enabled(false);
      b["mnuActionControl"] = Enabled(false);
      b["mnuActionEsc"] = Enabled(false);
      break;
    default:
      RunningOrConfig(state, in, v, b);
      break;
  }
  // The driver's time stamps may be switched only while nothing runs.
  b["chkIgnoreDriverTStamps"] = Enabled(state == TProgState::Config);
  return v;
}

TProgStateInputs CurrentProgStateInputs() {
  TProgStateInputs in;
  in.StandardMode = Cfg.StandardMode != 0;
  in.InPortsAllocated = RunCtl.InPortsAllocated;
  in.OutPortsAllocated = RunCtl.OutPortsAllocated;
  in.MetrSeqSet = Cfg.MetrSeqNo >= 0;
  in.DspScale = Cfg.DspScale != 0;
  in.DspTempoDiv = Cfg.DspTempoDiv != 0;
  in.DspMidiActivity = Cfg.DspMidiActivity != 0;
  in.AuxInPortReqdChecked = Cfg.AuxInPortReqd != 0;
  in.LivePort = RunCtl.LivePort;
  in.LiveChan = IsValidPort(RunCtl.LivePort) ? Live.Chan[RunCtl.LivePort] : 0;
  in.LiveSVel = Live.SVel;
  in.LastSeq = Cfg.MaxActiveSeqs;
  return in;
}

}  // namespace vel
