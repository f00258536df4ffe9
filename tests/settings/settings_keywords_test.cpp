// The keyword tables that the settings file's reader, writer and factory loader walk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "settings/Settings.h"

namespace vel {
namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return r;
}

// Single-value keywords of the general and performance sections, in writing order.
const std::vector<std::string_view> kScalarKeywords = {
    "NoviceMode",
    "AutoRunReadyBeep",
    "KeepAwake",
    "DragDropActiveParts",
    "LoadExtScenes",
    "LoadProgChanges",
    "SaveProgChanges",
    "IgnoreEmbeddedProgChanges",
    "AutoHints",
    "DspPortNames",
    "DspProgNames",
    "FtnLiveNotesReqd",
    "RunTimeSceneFolder",
    "LastLoadedMidiFolder",
    "LastSavedMidiFolder",
    "LastLoadedConfigFolder",
    "LastSavedConfigFolder",
    "LastSavedDiagLogFolder",
    "LastSavedKeyMapsFolder",
    "WindowMainLeft",
    "WindowMainWidth",
    "WindowMainTop",
    "WindowMainHeight",
    "WindowTemplateLeft",
    "WindowTemplateWidth",
    "WindowTemplateTop",
    "WindowDiagLeft",
    "WindowDiagWidth",
    "WindowDiagTop",
    "WindowDiagHeight",
    "WindowKeyMapperLeft",
    "WindowKeyMapperWidth",
    "WindowKeyMapperTop",
    "WindowKeyMapperHeight",
    "WindowKeyMapsLeft",
    "WindowKeyMapsWidth",
    "WindowKeyMapsTop",
    "WindowKeyMapsHeight",
    "WindowCfgColoursLeft",
    "WindowCfgColoursTop",
    "WindowCfgPerfLeft",
    "WindowCfgPerfTop",
    "WindowCfgKinetraceLeft",
    "WindowCfgKinetraceTop",
    "WindowCfgDrumLeft",
    "WindowCfgDrumTop",
    "WindowCfgBassLeft",
    "WindowCfgBassTop",
    "WindowCfgBehaviourLeft",
    "WindowCfgBehaviourTop",
    "WindowCfgMChanLeft",
    "WindowCfgMChanTop",
    "WindowCfgTimingLeft",
    "WindowCfgTimingTop",
    "WindowCfgVKbdLeft",
    "WindowCfgVKbdTop",
    "TemplateDocked",
    "MaxActiveSeqs",
    "SeqPanelsDBuff",
    "DspTemplate",
    "TemplateOnTop",
    "TemplateChanNo",
    "TemplateRawPort",
    "QwertyRawPort",
    "TemplateShowKeys",
    "TemplateShowButtons",
    "TemplateShowHelp",
    "TemplatePosnSensitive",
    "TemplateAnimateSize",
    "TemplateAnimateDecay",
    "TemplateVelSensitive",
    "TemplateLeftKeyNo",
    "TemplateRightKeyNo",
    "TemplateQwertyDisabled",
    "DspScale",
    "DspTempoDiv",
    "DspSeqLen",
    "DspSeqGrid",
    "DspMidiActivity",
    "DspSolidTracks",
    "DspSeqNumPosn",
    "DspKModeTitleColours",
    "DspKModeInputColours",
    "DspProgVersionReqd",
    "DspKinetrace",
    "KinetraceDBuff",
    "KinetracePosn",
    "KinetraceStyle",
    "KinetraceSize",
    "KinetraceDecay",
    "KinetraceTail",
    "KinetraceShape",
    "KinetraceImgFile",
    "KinetraceImgVisible",
    "KinetraceImgStretch",
    "IgnoreDriverTStamps",
    "MidiTimerInterval",
    "MidiTimerResolution",
    "DspStatusInterval",
    "DspMetrInterval",
    "DspDiagInterval",
    "AuxInPortReqd",
    "MainInPortFilterChan",
    "AuxInPortFilterChan",
    "MidiInSyncContEnabled",
    "MidiInSyncExtEnabled",
    "MidiInSyncIntEnabled",
    "InterpretLocalControl",
    "RecIntSyncReqd",
    "RecRawSyncReqd",
    "ProgChangeCalibReqd",
    "DefSelSeqsTransport",
    "DefSelSeqsPitch",
    "DefSelSeqsTime",
    "DefSelSeqsMidi",
    "DefSelSeqsPart",
    "DefSelSeqsReset",
    "DefSelSeqsDelete",
    "DefSelLivePitch",
    "DefSelLiveMidi",
    "DefSelLiveReset",
    "DisableHotkeys",
    "HotkeysTargetActiveWin",
    "HotkeysTargetWinName",
    "CCVolResetValue",
    "CCFullPedalMin",
    "CCHalfPedalMin",
    "ClocksSourceInternal",
    "ClocksSourceExtLock",
    "ClocksExtPNo",
    "Tempo",
    "TempoSlewTime",
    "UseLgTempos",
    "LnTempoStep",
    "LgTempoStep",
    "BeatsPerBar",
    "NoteLenFrac",
    "TapTempoOnBeats",
    "QuantiseNoteOffs",
    "NQNoteLenFrac",
    "SQNoteLenFrac",
    "SRecNoteLenFrac",
    "SRecNoteOnPercent",
    "SRecChordDetectReqd",
    "SRecChordDetectThreshold",
    "FtnTimerThreshold",
    "DPressInterval",
    "DPressCalibrateReqd",
    "DPressDeleteSeqsReqd",
    "DPressDeleteProgsInSeqsReqd",
    "DPressResetSeqsReqd",
    "DPressLoadReqd",
    "DPressSaveReqd",
    "DPressHotkeyReqd",
    "AutoHoldDigit",
    "AutoHoldTimeSig",
    "AutoHoldTimeShift",
    "AutoHoldQuantise",
    "AutoHoldFts",
    "AutoHoldFtn",
    "AutoHoldPitch",
    "AutoHoldMetr",
    "AutoHoldHotkey",
    "RecIntAttribSrcLive",
    "RecIntAttribSrcToLive",
    "RecRawAttribSrcLive",
    "RecRawChanSrcData",
    "RecRawAttribSrcToLive",
    "RecStopSeqNo",
    "RecStopCurrToDef",
    "RecStopImmStop",
    "RecStopAllowSPTrigger",
    "StopImmStop",
    "MetrSeqNo",
    "MetrBars",
    "MetrTypePitchLocked",
    "MetrModeStyles",
    "MetrDrumChan",
    "MetrBassChan",
    "MetrBassBarNote",
    "MetrBassBeatNote",
    "MetrDrumBarNote",
    "MetrDrumBeatNote",
    "MetrBassBarSVel",
    "MetrBassBeatSVel",
    "MetrDrumBarSVel",
    "MetrDrumBeatSVel",
    "MetrFill",
    "MetrNoteLenFrac",
    "MetrNoteOnPercent",
    "MetrStartOnLeft",
};

// Single colour keywords, in writing order.
const std::vector<std::string_view> kColourKeywords = {
    "ClSysBgGradStartActiveTitleBar",
    "ClSysBgGradEndActiveTitleBar",
    "ClSysBgGradStartInactiveTitleBar",
    "ClSysBgGradEndInactiveTitleBar",
    "ClSysFgActiveTitleBar",
    "ClSysFgInActiveTitleBar",
    "ClSysBgMenuBar",
    "ClSysFgMenuBar",
    "ClSysBgWindow",
    "ClSysFgWindowText",
    "ClSysBgBtnHighlight",
    "ClSysBgBtnFace",
    "ClSysBgWindowFrame",
    "ClSysBgActiveBorder",
    "ClSysBgBackground",
    "ClSysBgScrollBar",
    "ClSysBgInactiveBorder",
    "ClSysBgAppWorkspace",
    "ClSysBgHighlight",
    "ClSysFgHighlight",
    "ClSysBgBtnShadow",
    "ClSysFgGrayText",
    "ClSysFgBtnText",
    "ClSysBg3DDkShadow",
    "ClSysBg3DLight",
    "ClSysFgTooltip",
    "ClSysBgTooltip",
    "ClSysBgHotLight",
    "ClBgForm",
    "ClBgStatusBar",
    "ClText",
    "ClStSelected",
    "ClPanelSeqStatus",
    "ClPanelSeqOdd",
    "ClPanelSeqEven",
    "ClPanelSeqOddSel",
    "ClPanelSeqEvenSel",
    "ClPanelSeqRec",
    "ClPanelLive",
    "ClPanelLiveSel",
    "ClPanelControl",
    "ClPanelMetr",
    "ClPanelSync",
    "ClPanelPorts",
    "ClPanelScope",
    "ClPanelTitle",
    "ClTitleText",
    "ClSeqTrack",
    "ClSeqGridTicks",
    "ClPosnSeq",
    "ClPosnSeqMuted",
    "ClPosnMetrSeq",
    "ClPosnMetrSeqMuted",
    "ClMidiLightsSeqEmpty",
    "ClMidiLightsDefault",
    "ClMidiLightsHotkey",
    "ClMidiLightsNote",
    "ClMidiLightsEvent",
    "ClMidiLightsCommand",
    "ClMidiLightsIgnore",
    "ClMetrLightDefault",
    "ClMetrLightBeat1",
    "ClMetrLightBeatN",
    "ClMetrNoteBeat1",
    "ClMetrNoteBeatN",
    "ClStSeqNo",
    "ClStSelnActive",
    "ClStRunning",
    "ClStRunWithDiag",
    "ClStRunWithKeyMapper",
    "ClStInitialising",
    "ClStStopping",
    "ClStRecPrimed",
    "ClStRecording",
    "ClStLoading",
    "ClStStopped",
    "ClStIgnore",
    "ClStFlashPend",
    "ClStFlashPendPart",
    "ClStOverload",
    "ClStWarning",
    "ClStError",
    "ClStNoMidi",
    "ClStTempoInvalid",
    "ClStOctaveNonZero",
    "ClStCalibrate",
    "ClFgMetrDrum",
    "ClFgMetrBass",
    "ClKtBgBlackKeys",
    "ClKtBgWhiteKeys",
    "ClKtBgCKeys",
    "ClKtBgAnimatedKeys",
    "ClKtBgCmdMode",
    "ClKtBgRecPrimed",
    "ClKtBgCalibrate",
    "ClKtFgNone",
    "ClKtBgNone",
    "ClKtFgLiveVal",
    "ClKtBgLiveFcn",
    "ClKtFgWarnVal",
    "ClKtBgWarnFcn",
    "ClKtFgSelVal",
    "ClKtBgSelFcn",
    "ClKtFgDigitVal",
    "ClKtBgDigitFcn",
    "ClKtBgDigitFcn2",
    "ClKtFgPitchVal",
    "ClKtBgPitchFcn",
    "ClKtBgPitchFcn2",
    "ClKtBgHotkeyFcn",
    "ClKtBgHotkeyFcn2",
    "ClKtFgTimeVal",
    "ClKtBgTimeFcn",
    "ClKtBgTimeFcn2",
    "ClKtFgRecVal",
    "ClKtBgRecFcn",
    "ClKtFgNoteVal",
    "ClKtBgNoteFcn",
    "ClKtBgNoteFcn2",
};

TEST(SettingsKeywords, ScalarsAreTheFileKeywordsInWritingOrder) {
  std::vector<std::string_view> got;
  for (const CfgScalar& e : CfgScalars) got.push_back(e.Keyword);
  // The key-map introduction's switch comes last, after the metronome settings.
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back(), "KeyDefsNumeric");
  got.pop_back();
  EXPECT_EQ(got, kScalarKeywords);
}

TEST(SettingsKeywords, ColoursAreThe119FileKeywordsInWritingOrder) {
  std::vector<std::string_view> got;
  for (const CfgColour& e : CfgColours) got.push_back(e.Keyword);
  EXPECT_EQ(got.size(), 119u);
  EXPECT_EQ(got, kColourKeywords);
  EXPECT_EQ(std::count_if(got.begin(), got.end(), [](std::string_view k) { return k.starts_with("ClSys"); }),
            28);
}

// The reader matches keywords without regard to case, so no two may differ by case only, and the
// variables behind them must all be distinct.
TEST(SettingsKeywords, UniqueIgnoringCaseAndDistinctVariables) {
  std::set<std::string> keys;
  std::set<const void*> vars;
  size_t n = 0;
  for (const CfgScalar& e : CfgScalars) {
    keys.insert(Lower(e.Keyword));
    std::visit([&](auto* p) { vars.insert(p); }, e.Var);
    ++n;
  }
  for (const CfgColour& e : CfgColours) {
    keys.insert(Lower(e.Keyword));
    vars.insert(e.Var);
    ++n;
  }
  EXPECT_EQ(keys.size(), n);
  EXPECT_EQ(vars.size(), n);
}

// A factory loader sets each entry to its Factory value: that must be the value the variable starts
// with, and it must fit the variable's type.
TEST(SettingsKeywords, FactoryValuesMatchTheStartValues) {
  for (const CfgScalar& e : CfgScalars) {
    std::visit(
        [&](auto* p) {
          using T = std::remove_pointer_t<decltype(p)>;
          if constexpr (std::is_same_v<T, std::string>) {
            EXPECT_EQ(*p, "") << e.Keyword;
            EXPECT_EQ(e.Factory, 0) << e.Keyword;
          } else {
            EXPECT_EQ(int32_t(*p), e.Factory) << e.Keyword;
          }
        },
        e.Var);
  }
  for (const CfgColour& e : CfgColours) EXPECT_EQ(*e.Var, e.Factory) << e.Keyword;
}

TEST(SettingsKeywords, FormsOfTheTransformedValues) {
  auto form = [](std::string_view k) {
    for (const CfgScalar& e : CfgScalars)
      if (e.Keyword == k) return e.Form;
    ADD_FAILURE() << "no keyword " << k;
    return CfgForm::Int;
  };
  EXPECT_EQ(form("NoviceMode"), CfgForm::YNNot);
  for (const char* k : {"MaxActiveSeqs", "TemplateChanNo", "MainInPortFilterChan", "ClocksExtPNo",
                        "RecStopSeqNo", "MetrSeqNo", "MetrDrumChan"})
    EXPECT_EQ(form(k), CfgForm::Shown) << k;
  EXPECT_EQ(form("TempoSlewTime"), CfgForm::Seconds);
  EXPECT_EQ(form("Tempo"), CfgForm::Tempo);
  EXPECT_EQ(form("MetrDrumBeatNote"), CfgForm::Key);
  EXPECT_EQ(form("LastSavedKeyMapsFolder"), CfgForm::Folder);
  EXPECT_EQ(form("KinetraceImgFile"), CfgForm::FileName);
  EXPECT_EQ(form("HotkeysTargetWinName"), CfgForm::WinTitle);
  EXPECT_EQ(form("MetrBars"), CfgForm::Int);
  EXPECT_EQ(form("DspScale"), CfgForm::YN);
}

}  // namespace
}  // namespace vel
