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

void RunningOrConfig(TProgState state, const TProgStateInputs& in, TProgStateView& v, Builder& b) {
  const bool run = state == TProgState::Running;
  const bool cfg = !run;
  const bool full = in.StandardMode;
  const bool out = in.OutPortsAllocated >= 0;
  const bool multi = in.OutPortsAllocated > 0;
  const bool inp = in.InPortsAllocated >= 0;
  const bool metr = in.MetrSeqSet;

  v.AcceptDroppedFiles = true;
  if (cfg) v.HideWaitMessage = true;

  // Clock panel.
  b["cboMaxActiveSeqs"] = run ? Shown(false) : ShownEnabled(full, out);
  b["lblActiveSeqs"] = Shown(cfg && full);
  b["lblClocksSource"] = Shown(full);
  b["lblClocksSource"].Caption = run ? "Source" : "Src";
  b["lblMidiInSync"] = Shown(full);
  b["lblMidiInSync"].Caption = run ? "Sync" : "Syn";
  b.Set({"lblTempoIntMSB", "cboTempoIntMSB"}, Shown(cfg && full));
  b["cboTempoIntLSB"] = run ? Shown(false) : ShownEnabled(true, out);
  b["lblvTempoInt"] = Shown(run);
  b["lblTempoIntLSB"] = Shown(true);
  v.TempoIntLsbAlign = run ? TLsbAlign::RightOfTempoInt : TLsbAlign::AtCombo;
  b.Set({"cboTSigBeats", "cboTSigFrac"}, run ? Shown(false) : ShownEnabled(true, out));
  b.Set({"lblvBar", "lblvBeat", "lblvTSig"}, Shown(run));
  b["chkQuantNoteOffs"] = Enabled(run ? full : full && out);
  b.Set({"lblQuantN", "lblQuantS"}, Shown(full));
  b.Set({"cboQuantN", "cboQuantS"}, run ? Shown(false) : ShownEnabled(full, out));
  b.Set({"lblvQuantN", "lblvQuantS"}, Shown(run && full));
  b.Set({"rbClocksInt"}, ShownEnabled(full, inp));
  b.Set({"rbClocksExt", "chkClocksExtLock", "lblvTempoExt", "chkMidiInSyncInt", "chkMidiInSyncExt"},
        Shown(full && inp));
  b.Set({"cboClocksExtPNos", "lblClocksExtPNos"}, Enabled(inp));
  b.Set({"lblTempoSlew", "lblvTempoSlew"}, Shown(full));

  // Metronome panel.
  v.UpdateMetrControls = run;
  b["shpMetrLight"] = Shown(run);
  b.Set({"sbtnMetrTypePitchLocked", "sbtnMetrTypePitched"},
        run ? ShownEnabled(out && metr, true) : ShownEnabled(metr, out));
  b.Set({"sbtnMetrBars1", "sbtnMetrBars2", "sbtnMetrBars3", "sbtnMetrBars4"},
        ShownEnabled(run ? full && metr : full, false));
  if (cfg) b.Set({"lblvMetrL", "lblvMetrR"}, Shown(false));

  // Live panel.
  if (run) {
    b.Set({"cboLiveChans", "cboLiveSVels", "cboLivePorts", "cboLiveProgs", "chkLivePLocked"}, Shown(false));
  } else {
    b["cboLiveChans"] = ShownEnabled(full, out);
    b["cboLiveChans"].Text = in.LivePort < 0 ? std::string() : std::to_string(in.LiveChan + 1);
    b["cboLiveSVels"] = ShownEnabled(full, out);
    b["cboLiveSVels"].Text = std::to_string(in.LiveSVel);
    b["cboLivePorts"] = ShownEnabled(full && multi, out);
    b.Set({"cboLiveProgs", "chkLivePLocked"}, ShownEnabled(full, out));
  }
  b.Set({"lblvLiveChan", "lblvLiveSVel", "lblvLiveProg"}, Shown(run && full));
  b["lblvLivePort"] = Shown(run && full && multi);
  b["lblvLiveScale"] = Shown(run && full && in.DspScale);
  b.Set({"lblvLiveTDiv", "lblSeqTDivs"}, Shown(full && in.DspTempoDiv));
  b["lblvLivePitch"] = Shown(run);
  b.Set({"lblvLiveTrans", "lblLive1", "lblSeqTrans", "lblSeqSVels", "lblSeqProgs", "lblSeqChans"},
        Shown(full));
  b["lblSeqMuted"] = Shown(cfg && full);
  b["lblSeqPitches"] = Shown(run || full);
  b["lblSeqPorts"] = Shown(full && multi);
  b["lblSeqScales"] = Shown(full && in.DspScale);
  b["lblSeqPartNos"] = Shown(full);
  b["lblSeqPartNos"].Caption = run ? "Sq.Pt" : "Part";
  b["shpLiveMidiActivity"] = Shown(in.DspMidiActivity);

  // Seq rows.
  const int32_t last = std::clamp(in.LastSeq, -1, kSeqs - 1);
  for (int32_t s = 0; s <= last; ++s) {
    TSeqRowCtls& r = v.SeqRows[s];
    for (TCtlState* c :
         {&r.PartNoCombo, &r.ChanCombo, &r.ProgCombo, &r.SVelCombo, &r.MutedCheck, &r.PitchLockCheck})
      *c = run ? Shown(false) : ShownEnabled(full, out);
    r.PortCombo = run ? Shown(false) : ShownEnabled(full && multi, out);
    for (TCtlState* c : {&r.PartNoLabel, &r.ChanLabel, &r.ProgLabel}) *c = Shown(run && full);
    r.PortLabel = Shown(run && full && multi);
    if (cfg) r.SVelLabel = Shown(false);
    r.PitchLabel = Shown(run);
    r.ScaleLabel = Shown(run && full && in.DspScale);
    r.TransLabel = Shown(full);
    r.TimeShiftMark = Shown(full);
    r.TempoDivLabel = Shown(full && in.DspTempoDiv);
    if (cfg) r.ActivityLight = Shown(in.DspMidiActivity);
  }

  // Control panel and menus.
  b.Set({"sbtnRescanInDevs", "sbtnRescanOutDevs"}, Enabled(cfg));
  TCtlState control;
  control.Caption = run ? "Stop" : "Run";
  control.Hint = run ? kControlHintStop : kControlHintRun;
  control.Enabled = run || out;
  b["sbtnControl"] = control;
  b["mnuActionControl"] = control;
  b["mnuActionEsc"] = Enabled(run);
  b["chkAuxInPortReqd"] = Enabled(cfg);
  b.Set({"lblOctave", "sbtnCalibrate", "mnuActionCalibrate"}, Shown(inp));
  b.Set({"lblFilterChan", "cboInPort0FilterChan"}, Shown(full && inp));
  b["cboInPort1FilterChan"] = Shown(in.InPort1NameVisible && in.AuxInPortReqdChecked);
  v.ShowTarloControls = cfg && full && out;
  b.Set({"mnuAction", "mnuConfig", "mnuSettings", "mnuCfgPorts", "mnuView", "mnuFile", "mnuFileLoadMidi",
         "mnuFileLoadPatterns", "mnuTools", "mnuWindows"},
        Enabled(true));
  b.Set({"mnuConfigLoadAllFromNamed", "mnuConfigResetAll", "mnuViewSeqGrid", "mnuViewColumns"}, Enabled(cfg));
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
