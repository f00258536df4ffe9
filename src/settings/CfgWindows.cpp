#include "settings/CfgWindows.h"

namespace vel {

int32_t RadioFor(int32_t value, int32_t first, int32_t last) {
  return value >= first && value <= last ? value : 0;
}

bool KinetraceTailsEnabled(int32_t decay) {
  return decay > 1;
}

bool TemplateAnimDecayEnabled(int32_t animateSize) {
  return animateSize > 1;
}

std::vector<TColourAction> FollowUpActions(TColourFollowUp kind) {
  using A = TColourAction;
  switch (kind) {
    case TColourFollowUp::A:
      return {A::ApplyColourScheme};
    case TColourFollowUp::K:
      return {A::RecolourKeyMaps, A::KeyLabels};
    case TColourFollowUp::T:
      return {A::KeyColours};
    case TColourFollowUp::D:
      return {A::MetrMode, A::ApplyColourScheme};
    case TColourFollowUp::B:
      return {A::MetrMode, A::ApplyColourScheme};
    case TColourFollowUp::G:
      return {A::RequestSeqGridRedraw};
    case TColourFollowUp::None:
      break;
  }
  return {};
}

namespace {

using B = TColourBox;
using F = TColourFollowUp;

// The window's rows, top to bottom and box by box.
const std::vector<TColourRow> kColourRows = {
    {B::Panels, "Status", {"ClPanelSeqStatus"}, F::A},
    {B::Panels, "Control", {"ClPanelControl"}, F::A},
    {B::Panels, "Metronome", {"ClPanelMetr"}, F::A},
    {B::Panels, "Clock", {"ClPanelSync"}, F::A},
    {B::Panels, "Ports", {"ClPanelPorts"}, F::A},
    {B::Panels, "Title", {"ClPanelTitle"}, F::A},
    {B::Panels, "Odd seq", {"ClPanelSeqOdd"}, F::A},
    {B::Panels, "Even seq", {"ClPanelSeqEven"}, F::A},
    {B::Panels, "Live", {"ClPanelLive"}, F::A},
    {B::Panels, "Odd seq sel", {"ClPanelSeqOddSel"}, F::A},
    {B::Panels, "Even seq sel", {"ClPanelSeqEvenSel"}, F::A},
    {B::Panels, "Live sel", {"ClPanelLiveSel"}, F::A},
    {B::Panels, "Record seq", {"ClPanelSeqRec"}, F::A},
    {B::Tracks, "Track lane", {"ClSeqTrack"}, F::None},
    {B::Tracks, "Normal blob", {"ClPosnSeq"}, F::None},
    {B::Tracks, "Muted blob", {"ClPosnSeqMuted"}, F::None},
    {B::Tracks, "Metr normal", {"ClPosnMetrSeq"}, F::None},
    {B::Tracks, "Metr muted", {"ClPosnMetrSeqMuted"}, F::None},
    {B::Tracks, "Grid ticks", {"ClSeqGridTicks"}, F::G},
    {B::Text, "Seq nos.", {"ClStSeqNo"}, F::A},
    {B::Text, "Selected seqs", {"ClStSelected"}, F::A},
    {B::Text, "Seln active", {"ClStSelnActive"}, F::None},
    {B::Text, "Record primed", {"ClStRecPrimed"}, F::None},
    {B::Text, "Recording", {"ClStRecording"}, F::None},
    {B::Text, "Warning", {"ClStWarning"}, F::None},
    {B::Text, "Title text", {"ClTitleText"}, F::A},
    {B::Text, "Other text", {"ClText"}, F::A},
    {B::Text, "Metr drum", {"ClFgMetrDrum"}, F::D},
    {B::Text, "Metr bass", {"ClFgMetrBass"}, F::B},
    {B::MidiLights, "Empty seq", {"ClMidiLightsSeqEmpty"}, F::None},
    {B::MidiLights, "Default", {"ClMidiLightsDefault"}, F::None},
    {B::MidiLights, "Hotkeys", {"ClMidiLightsHotkey"}, F::None},
    {B::MidiLights, "Note event", {"ClMidiLightsNote"}, F::None},
    {B::MidiLights, "Other event", {"ClMidiLightsEvent"}, F::None},
    {B::MidiLights, "Cmd mode", {"ClMidiLightsCommand"}, F::None},
    {B::MidiLights, "Ignored", {"ClMidiLightsIgnore"}, F::None},
    {B::MetrLights, "Default", {"ClMetrLightDefault"}, F::None},
    {B::MetrLights, "Pulse beat 1", {"ClMetrLightBeat1"}, F::None},
    {B::MetrLights, "Pulse beat n", {"ClMetrLightBeatN"}, F::None},
    {B::MetrLights, "Note beat 1", {"ClMetrNoteBeat1"}, F::None},
    {B::MetrLights, "Note beat n", {"ClMetrNoteBeatN"}, F::None},
    {B::Window, "Form", {"ClBgForm"}, F::A},
    {B::Window, "Status bar", {"ClBgStatusBar"}, F::A},
    {B::Labels, "Default", {"ClKtFgNone", "ClKtBgNone"}, F::K},
    {B::Labels, "Live play", {"ClKtFgLiveVal", "ClKtBgLiveFcn"}, F::K},
    {B::Labels, "Record", {"ClKtFgRecVal", "ClKtBgRecFcn"}, F::K},
    {B::Labels, "Seq-select", {"ClKtFgSelVal", "ClKtBgSelFcn"}, F::K},
    {B::Labels, "Warning", {"ClKtFgWarnVal", "ClKtBgWarnFcn"}, F::K},
    {B::Labels, "Command mode", {"ClKtBgCmdMode"}, F::K},
    {B::Labels, "Rec primed", {"ClKtBgRecPrimed"}, F::K},
    {B::Labels, "Calibrate", {"ClKtBgCalibrate"}, F::K},
    {B::Labels, "Digit values", {"ClKtFgDigitVal", "ClKtBgDigitFcn", "ClKtBgDigitFcn2"}, F::K},
    {B::Labels, "Pitch values", {"ClKtFgPitchVal", "ClKtBgPitchFcn", "ClKtBgPitchFcn2"}, F::K},
    {B::Labels, "Time values", {"ClKtFgTimeVal", "ClKtBgTimeFcn", "ClKtBgTimeFcn2"}, F::K},
    {B::Labels, "Note values", {"ClKtFgNoteVal", "ClKtBgNoteFcn", "ClKtBgNoteFcn2"}, F::K},
    {B::Labels, "Hotkey values", {"ClKtBgHotkeyFcn", "ClKtBgHotkeyFcn2"}, F::K},
    {B::Keys, "Black notes", {"ClKtBgBlackKeys"}, F::T},
    {B::Keys, "White notes", {"ClKtBgWhiteKeys"}, F::T},
    {B::Keys, "'C' notes", {"ClKtBgCKeys"}, F::T},
    {B::Keys, "Animation", {"ClKtBgAnimatedKeys"}, F::T},
    {B::Kinetrace, "Panel", {"ClPanelScope"}, F::A},
    {B::System,
     "Active title bar",
     {"ClSysFgActiveTitleBar", "ClSysBgGradStartActiveTitleBar", "ClSysBgGradEndActiveTitleBar"},
     F::A},
    {B::System,
     "Inactive title bar",
     {"ClSysFgInActiveTitleBar", "ClSysBgGradStartInactiveTitleBar", "ClSysBgGradEndInactiveTitleBar"},
     F::A},
    {B::System, "Menu bar", {"ClSysFgMenuBar", "ClSysBgMenuBar"}, F::A},
    {B::System, "Window", {"ClSysFgWindowText", "ClSysBgWindow"}, F::A},
    {B::System, "GrayText", {"ClSysFgGrayText"}, F::A},
    {B::System, "Btn text", {"ClSysFgBtnText"}, F::A},
    {B::System, "Btn face", {"ClSysBgBtnFace"}, F::A},
    {B::System, "Btn highlight", {"ClSysBgBtnHighlight"}, F::A},
    {B::System, "Btn shadow", {"ClSysBgBtnShadow"}, F::A},
    {B::System, "Scroll bar", {"ClSysBgScrollBar"}, F::A},
    {B::System, "Tooltip", {"ClSysFgTooltip", "ClSysBgTooltip"}, F::A},
    {B::System, "Highlight", {"ClSysFgHighlight", "ClSysBgHighlight"}, F::A},
    {B::System, "App workspace", {"ClSysBgAppWorkspace"}, F::A},
    {B::System, "Active border", {"ClSysBgActiveBorder"}, F::A},
    {B::System, "Inactive border", {"ClSysBgInactiveBorder"}, F::A},
    {B::System, "Background", {"ClSysBgBackground"}, F::A},
    {B::System, "Window frame", {"ClSysBgWindowFrame"}, F::A},
    {B::System, "Hot-tracked light", {"ClSysBgHotLight"}, F::A},
    {B::System, "3D dark shadow", {"ClSysBg3DDkShadow"}, F::A},
    {B::System, "3D light", {"ClSysBg3DLight"}, F::A},
};

}  // namespace

const std::vector<TColourRow>& ColourRows() {
  return kColourRows;
}

std::string SwatchName(const std::string& setting) {
  std::string name = "shp" + setting;
  const std::string inactive = "InactiveTitleBar";
  const size_t at = name.find(inactive);
  if (at != std::string::npos && name.find("Grad") != std::string::npos) name.replace(at, 3, "InA");
  return name;
}

}  // namespace vel
