#pragma once
// The settings: every setting is a member of Cfg named by its settings-file keyword and starts at its
// factory value, so the factory settings are a fresh TCfg.
//
// Most scalar settings are declared through the VEL_CFG_* lists below, so that one line gives the
// member, its factory value and its file form; CfgScalars and CfgColours list them by keyword for the
// settings file's reader and writer and for the factory loader. Settings whose keyword is not the
// variable's name, per-port and per-channel arrays and the port allocation as loaded are declared by hand
// after the lists; their keywords are given beside them.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "base/Atomic.h"
#include "base/Sizes.h"

namespace vel {

// ---------------------------------------------------------------------------------------------------
// Colours

// A colour as the settings file and the windows hold it: $00BBGGRR for a plain colour (red in the low
// byte), or a system colour (top bit set, the element number in the low 24 bits).
using TColor = uint32_t;

constexpr TColor Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr TColor SysColour(uint32_t element) {
  return 0x80000000u | (element & 0x00FFFFFFu);
}
constexpr bool IsSysColour(TColor c) {
  return (c & 0x80000000u) != 0;
}

// The button face: system colour 15.
inline constexpr TColor clBtnFace = SysColour(15);
// A control's own default colour. Neither a plain nor a system colour; the settings file writes it by
// its low three bytes.
inline constexpr TColor clDefault = 0x20000000u;

// ---------------------------------------------------------------------------------------------------
// Sizes (ports and channels: base/Sizes.h)

inline constexpr int kCfgControlInputs = 2;  // main and auxiliary control input
inline constexpr int kCfgProgs = 128;        // program numbers

// ---------------------------------------------------------------------------------------------------
// File forms of a value

enum class CfgForm : uint8_t {
  YN,        // "Y" / "N"
  YNNot,     // "Y" / "N" of the inverse ("NoviceMode" holds not StandardMode)
  Int,       // decimal as held
  Shown,     // held 0-based, written + 1
  Seconds,   // held in ms, written div 1000
  Tempo,     // hundredths of BPM, written "120.00"
  Key,       // note number, a number or a note name by KeyDefsNumeric
  Folder,    // text, "Unused" when empty
  FileName,  // text, "Unused" when empty
  WinTitle,  // text between single quotes, "Unused" when empty
};

// X(type, name, factory value, form); the keyword is the name.

// General section.
#define VEL_CFG_GENERAL(X)                     \
  X(uint8_t, AutoRunReadyBeep, 0, YN)          \
  X(uint8_t, KeepAwake, 1, YN)                 \
  X(uint8_t, DragDropActiveParts, 1, YN)       \
  X(uint8_t, LoadExtScenes, 0, YN)             \
  X(uint8_t, LoadProgChanges, 1, YN)           \
  X(uint8_t, SaveProgChanges, 0, YN)           \
  X(uint8_t, IgnoreEmbeddedProgChanges, 0, YN) \
  X(uint8_t, AutoHints, 1, YN)                 \
  X(uint8_t, DspPortNames, 1, YN)              \
  X(uint8_t, DspProgNames, 1, YN)              \
  X(uint8_t, FtnLiveNotesReqd, 0, YN)

// Remembered folders. The factory value is the user's profile folder, which only start-up knows
// (InitFolderDefaults); they start empty.
#define VEL_CFG_FOLDERS(X)                           \
  X(std::string, RunTimeSceneFolder, "", Folder)     \
  X(std::string, LastLoadedMidiFolder, "", Folder)   \
  X(std::string, LastSavedMidiFolder, "", Folder)    \
  X(std::string, LastLoadedConfigFolder, "", Folder) \
  X(std::string, LastSavedConfigFolder, "", Folder)  \
  X(std::string, LastSavedDiagLogFolder, "", Folder) \
  X(std::string, LastSavedKeyMapsFolder, "", Folder)

// Saved window places and sizes in pixels; -1 is the default place.
#define VEL_CFG_WINDOWS(X)                    \
  X(int32_t, WindowMainLeft, -1, Int)         \
  X(int32_t, WindowMainWidth, -1, Int)        \
  X(int32_t, WindowMainTop, -1, Int)          \
  X(int32_t, WindowMainHeight, -1, Int)       \
  X(int32_t, WindowTemplateLeft, -1, Int)     \
  X(int32_t, WindowTemplateWidth, -1, Int)    \
  X(int32_t, WindowTemplateTop, -1, Int)      \
  X(int32_t, WindowDiagLeft, -1, Int)         \
  X(int32_t, WindowDiagWidth, -1, Int)        \
  X(int32_t, WindowDiagTop, -1, Int)          \
  X(int32_t, WindowDiagHeight, -1, Int)       \
  X(int32_t, WindowKeyMapperLeft, -1, Int)    \
  X(int32_t, WindowKeyMapperWidth, -1, Int)   \
  X(int32_t, WindowKeyMapperTop, -1, Int)     \
  X(int32_t, WindowKeyMapperHeight, -1, Int)  \
  X(int32_t, WindowKeyMapsLeft, -1, Int)      \
  X(int32_t, WindowKeyMapsWidth, -1, Int)     \
  X(int32_t, WindowKeyMapsTop, -1, Int)       \
  X(int32_t, WindowKeyMapsHeight, -1, Int)    \
  X(int32_t, WindowCfgColoursLeft, -1, Int)   \
  X(int32_t, WindowCfgColoursTop, -1, Int)    \
  X(int32_t, WindowCfgPerfLeft, -1, Int)      \
  X(int32_t, WindowCfgPerfTop, -1, Int)       \
  X(int32_t, WindowCfgKinetraceLeft, -1, Int) \
  X(int32_t, WindowCfgKinetraceTop, -1, Int)  \
  X(int32_t, WindowCfgDrumLeft, -1, Int)      \
  X(int32_t, WindowCfgDrumTop, -1, Int)       \
  X(int32_t, WindowCfgBassLeft, -1, Int)      \
  X(int32_t, WindowCfgBassTop, -1, Int)       \
  X(int32_t, WindowCfgBehaviourLeft, -1, Int) \
  X(int32_t, WindowCfgBehaviourTop, -1, Int)  \
  X(int32_t, WindowCfgMChanLeft, -1, Int)     \
  X(int32_t, WindowCfgMChanTop, -1, Int)      \
  X(int32_t, WindowCfgTimingLeft, -1, Int)    \
  X(int32_t, WindowCfgTimingTop, -1, Int)     \
  X(int32_t, WindowCfgVKbdLeft, -1, Int)      \
  X(int32_t, WindowCfgVKbdTop, -1, Int)       \
  X(uint8_t, TemplateDocked, 0, YN)

// Seqs in use, display options and the virtual keyboard. MaxActiveSeqs is the highest seq index in use.
// DspKinetrace's factory value follows StandardMode (on in standard mode, which the program starts in).
#define VEL_CFG_DISPLAY(X)                       \
  X(int32_t, MaxActiveSeqs, 3, Shown)            \
  X(uint8_t, SeqPanelsDBuff, 1, YN)              \
  X(uint8_t, DspTemplate, 1, YN)                 \
  X(uint8_t, TemplateOnTop, 0, YN)               \
  X(uint8_t, TemplateChanNo, 0, Shown)           \
  X(uint8_t, TemplateRawPort, 0, YN)             \
  X(uint8_t, QwertyRawPort, 0, YN)               \
  X(uint8_t, TemplateShowKeys, 1, YN)            \
  X(uint8_t, TemplateShowButtons, 1, YN)         \
  X(uint8_t, TemplateShowHelp, 1, YN)            \
  X(uint8_t, TemplatePosnSensitive, 1, YN)       \
  X(int32_t, TemplateAnimateSize, 4, Int)        \
  X(int32_t, TemplateAnimateDecay, 3, Int)       \
  X(uint8_t, TemplateVelSensitive, 1, YN)        \
  X(int32_t, TemplateLeftKeyNo, 36, Int)         \
  X(int32_t, TemplateRightKeyNo, 72, Int)        \
  X(uint8_t, TemplateQwertyDisabled, 0, YN)      \
  X(uint8_t, DspScale, 1, YN)                    \
  X(uint8_t, DspTempoDiv, 1, YN)                 \
  X(uint8_t, DspSeqLen, 1, YN)                   \
  X(uint8_t, DspSeqGrid, 1, YN)                  \
  X(uint8_t, DspMidiActivity, 1, YN)             \
  X(uint8_t, DspSolidTracks, 0, YN)              \
  X(uint8_t, DspSeqNumPosn, 1, YN)               \
  X(uint8_t, DspKModeTitleColours, 1, YN)        \
  X(uint8_t, DspKModeInputColours, 1, YN)        \
  X(uint8_t, DspProgVersionReqd, 0, YN)          \
  X(uint8_t, DspKinetrace, 1, YN)                \
  X(uint8_t, KinetraceDBuff, 1, YN)              \
  X(int32_t, KinetracePosn, 3, Int)              \
  X(int32_t, KinetraceStyle, 1, Int)             \
  X(int32_t, KinetraceSize, 5, Int)              \
  X(int32_t, KinetraceDecay, 3, Int)             \
  X(int32_t, KinetraceTail, 7, Int)              \
  X(int32_t, KinetraceShape, 1, Int)             \
  X(std::string, KinetraceImgFile, "", FileName) \
  X(uint8_t, KinetraceImgVisible, 0, YN)         \
  X(uint8_t, KinetraceImgStretch, 1, YN)

// Performance timers, in milliseconds.
#define VEL_CFG_TIMERS(X)                 \
  X(uint8_t, IgnoreDriverTStamps, 0, YN)  \
  X(int32_t, MidiTimerInterval, 1, Int)   \
  X(int32_t, MidiTimerResolution, 1, Int) \
  X(int32_t, DspStatusInterval, 50, Int)  \
  X(int32_t, DspMetrInterval, 10, Int)    \
  X(int32_t, DspDiagInterval, 20, Int)

// Control inputs, sync, defaults and hotkeys. The filter channels are 0-based, -1 for any channel.
// InterpretLocalControl is written through SetInterpretLocalControl, which only stores it.
#define VEL_CFG_INPUTS(X)                            \
  X(uint8_t, AuxInPortReqd, 1, YN)                   \
  X(int32_t, MainInPortFilterChan, -1, Shown)        \
  X(int32_t, AuxInPortFilterChan, -1, Shown)         \
  X(uint8_t, MidiInSyncContEnabled, 0, YN)           \
  X(uint8_t, MidiInSyncExtEnabled, 0, YN)            \
  X(uint8_t, MidiInSyncIntEnabled, 0, YN)            \
  X(uint8_t, InterpretLocalControl, 0, YN)           \
  X(uint8_t, RecIntSyncReqd, 0, YN)                  \
  X(uint8_t, RecRawSyncReqd, 1, YN)                  \
  X(uint8_t, ProgChangeCalibReqd, 0, YN)             \
  X(uint8_t, DefSelSeqsTransport, 1, YN)             \
  X(uint8_t, DefSelSeqsPitch, 1, YN)                 \
  X(uint8_t, DefSelSeqsTime, 1, YN)                  \
  X(uint8_t, DefSelSeqsMidi, 1, YN)                  \
  X(uint8_t, DefSelSeqsPart, 1, YN)                  \
  X(uint8_t, DefSelSeqsReset, 1, YN)                 \
  X(uint8_t, DefSelSeqsDelete, 1, YN)                \
  X(uint8_t, DefSelLivePitch, 0, YN)                 \
  X(uint8_t, DefSelLiveMidi, 0, YN)                  \
  X(uint8_t, DefSelLiveReset, 0, YN)                 \
  X(uint8_t, DisableHotkeys, 1, YN)                  \
  X(uint8_t, HotkeysTargetActiveWin, 0, YN)          \
  X(std::string, HotkeysTargetWinName, "", WinTitle) \
  X(int32_t, CCVolResetValue, 100, Int)              \
  X(int32_t, CCFullPedalMin, 64, Int)                \
  X(int32_t, CCHalfPedalMin, 50, Int)

// Timing: clock source, tempo (hundredths of BPM), time signature, quantise, step recording, double
// press. ClocksExtPNo is the 0-based input port of the external clock. The time signature and the
// quantise lengths (VEL_CFG_BAR_*) are the pending bar settings, which the play cycle takes over at
// each bar end; they stand between the other timing settings in the file.
#define VEL_CFG_TIMING_A(X)                \
  X(uint8_t, ClocksSourceInternal, 1, YN)  \
  X(uint8_t, ClocksSourceExtLock, 0, YN)   \
  X(int32_t, ClocksExtPNo, 0, Shown)       \
  X(int32_t, Tempo, 12000, Tempo)          \
  X(int32_t, TempoSlewTime, 3000, Seconds) \
  X(uint8_t, UseLgTempos, 0, YN)           \
  X(int32_t, LnTempoStep, 5, Int)          \
  X(int32_t, LgTempoStep, 1, Int)

#define VEL_CFG_BAR_A(X)          \
  X(int32_t, BeatsPerBar, 4, Int) \
  X(int32_t, NoteLenFrac, 4, Int)

#define VEL_CFG_TIMING_B(X)          \
  X(uint8_t, TapTempoOnBeats, 1, YN) \
  X(uint8_t, QuantiseNoteOffs, 1, YN)

#define VEL_CFG_BAR_B(X)            \
  X(int32_t, NQNoteLenFrac, 8, Int) \
  X(int32_t, SQNoteLenFrac, 8, Int)

#define VEL_CFG_TIMING_C(X)                      \
  X(int32_t, SRecNoteLenFrac, 8, Int)            \
  X(int32_t, SRecNoteOnPercent, 75, Int)         \
  X(uint8_t, SRecChordDetectReqd, 1, YN)         \
  X(int32_t, SRecChordDetectThreshold, 150, Int) \
  X(int32_t, FtnTimerThreshold, 50, Int)         \
  X(int32_t, DPressInterval, 400, Int)           \
  X(uint8_t, DPressCalibrateReqd, 1, YN)         \
  X(uint8_t, DPressDeleteSeqsReqd, 1, YN)        \
  X(uint8_t, DPressDeleteProgsInSeqsReqd, 1, YN) \
  X(uint8_t, DPressResetSeqsReqd, 1, YN)         \
  X(uint8_t, DPressLoadReqd, 1, YN)              \
  X(uint8_t, DPressSaveReqd, 1, YN)              \
  X(uint8_t, DPressHotkeyReqd, 1, YN)

// Argument modes that stay active after a value is applied.
#define VEL_CFG_AUTOHOLD(X)            \
  X(uint8_t, AutoHoldDigit, 0, YN)     \
  X(uint8_t, AutoHoldTimeSig, 0, YN)   \
  X(uint8_t, AutoHoldTimeShift, 0, YN) \
  X(uint8_t, AutoHoldQuantise, 0, YN)  \
  X(uint8_t, AutoHoldFts, 0, YN)       \
  X(uint8_t, AutoHoldFtn, 0, YN)       \
  X(uint8_t, AutoHoldPitch, 0, YN)     \
  X(uint8_t, AutoHoldMetr, 0, YN)      \
  X(uint8_t, AutoHoldHotkey, 0, YN)

// Recording. RecStopSeqNo is the default seq of the record/stop key, -1 none (factory: seq 2).
#define VEL_CFG_RECORDING(X)               \
  X(uint8_t, RecIntAttribSrcLive, 1, YN)   \
  X(uint8_t, RecIntAttribSrcToLive, 0, YN) \
  X(uint8_t, RecRawAttribSrcLive, 1, YN)   \
  X(uint8_t, RecRawChanSrcData, 1, YN)     \
  X(uint8_t, RecRawAttribSrcToLive, 0, YN) \
  X(int32_t, RecStopSeqNo, 1, Shown)       \
  X(uint8_t, RecStopCurrToDef, 0, YN)      \
  X(uint8_t, RecStopImmStop, 1, YN)        \
  X(uint8_t, RecStopAllowSPTrigger, 0, YN) \
  X(uint8_t, StopImmStop, 0, YN)

// Metronome. MetrSeqNo is the 0-based metronome seq, -1 none; the channels are 0-based; the notes are
// note numbers ("C" 24, "C1" 36, "F1" 41, "FS1" 42), -1 when a loaded text names no note; the SVels
// are 0..9.
#define VEL_CFG_METRONOME(X)             \
  X(int32_t, MetrSeqNo, 0, Shown)        \
  X(int32_t, MetrBars, 1, Int)           \
  X(uint8_t, MetrTypePitchLocked, 0, YN) \
  X(uint8_t, MetrModeStyles, 0, YN)      \
  X(uint8_t, MetrDrumChan, 9, Shown)     \
  X(uint8_t, MetrBassChan, 0, Shown)     \
  X(int32_t, MetrBassBarNote, 24, Key)   \
  X(int32_t, MetrBassBeatNote, 36, Key)  \
  X(int32_t, MetrDrumBarNote, 41, Key)   \
  X(int32_t, MetrDrumBeatNote, 42, Key)  \
  X(int32_t, MetrBassBarSVel, 7, Int)    \
  X(int32_t, MetrBassBeatSVel, 5, Int)   \
  X(int32_t, MetrDrumBarSVel, 5, Int)    \
  X(int32_t, MetrDrumBeatSVel, 5, Int)   \
  X(uint8_t, MetrFill, 1, YN)            \
  X(int32_t, MetrNoteLenFrac, 4, Int)    \
  X(int32_t, MetrNoteOnPercent, 75, Int) \
  X(uint8_t, MetrStartOnLeft, 1, YN)

// Key-map introduction: key lists are written as numbers rather than note names.
#define VEL_CFG_KEYMAPS(X) X(uint8_t, KeyDefsNumeric, 0, YN)

#define VEL_CFG_ALL_SCALARS(X) \
  VEL_CFG_GENERAL(X)           \
  VEL_CFG_FOLDERS(X)           \
  VEL_CFG_WINDOWS(X)           \
  VEL_CFG_DISPLAY(X)           \
  VEL_CFG_TIMERS(X)            \
  VEL_CFG_INPUTS(X)            \
  VEL_CFG_TIMING_A(X)          \
  VEL_CFG_BAR_A(X)             \
  VEL_CFG_TIMING_B(X)          \
  VEL_CFG_BAR_B(X)             \
  VEL_CFG_TIMING_C(X)          \
  VEL_CFG_AUTOHOLD(X)          \
  VEL_CFG_RECORDING(X)         \
  VEL_CFG_METRONOME(X)         \
  VEL_CFG_KEYMAPS(X)

// X(name, factory value) in the settings file's order. The 28 system colours start as the desktop's
// own element; LoadColoursSystem replaces them with the colours saved at start-up.
#define VEL_CFG_COLOURS(X)                          \
  X(ClSysBgGradStartActiveTitleBar, SysColour(2))   \
  X(ClSysBgGradEndActiveTitleBar, SysColour(27))    \
  X(ClSysBgGradStartInactiveTitleBar, SysColour(3)) \
  X(ClSysBgGradEndInactiveTitleBar, SysColour(28))  \
  X(ClSysFgActiveTitleBar, SysColour(9))            \
  X(ClSysFgInActiveTitleBar, SysColour(19))         \
  X(ClSysBgMenuBar, SysColour(4))                   \
  X(ClSysFgMenuBar, SysColour(7))                   \
  X(ClSysBgWindow, SysColour(5))                    \
  X(ClSysFgWindowText, SysColour(8))                \
  X(ClSysBgBtnHighlight, SysColour(20))             \
  X(ClSysBgBtnFace, SysColour(15))                  \
  X(ClSysBgWindowFrame, SysColour(6))               \
  X(ClSysBgActiveBorder, SysColour(10))             \
  X(ClSysBgBackground, SysColour(1))                \
  X(ClSysBgScrollBar, SysColour(0))                 \
  X(ClSysBgInactiveBorder, SysColour(11))           \
  X(ClSysBgAppWorkspace, SysColour(12))             \
  X(ClSysBgHighlight, SysColour(13))                \
  X(ClSysFgHighlight, SysColour(14))                \
  X(ClSysBgBtnShadow, SysColour(16))                \
  X(ClSysFgGrayText, SysColour(17))                 \
  X(ClSysFgBtnText, SysColour(18))                  \
  X(ClSysBg3DDkShadow, SysColour(21))               \
  X(ClSysBg3DLight, SysColour(22))                  \
  X(ClSysFgTooltip, SysColour(23))                  \
  X(ClSysBgTooltip, SysColour(24))                  \
  X(ClSysBgHotLight, SysColour(26))                 \
  X(ClBgForm, clBtnFace)                            \
  X(ClBgStatusBar, clBtnFace)                       \
  X(ClText, clDefault)                              \
  X(ClStSelected, Rgb(0, 0, 255))                   \
  X(ClPanelSeqStatus, clBtnFace)                    \
  X(ClPanelSeqOdd, Rgb(208, 208, 208))              \
  X(ClPanelSeqEven, Rgb(224, 224, 224))             \
  X(ClPanelSeqOddSel, Rgb(176, 192, 240))           \
  X(ClPanelSeqEvenSel, Rgb(192, 208, 240))          \
  X(ClPanelSeqRec, Rgb(240, 208, 208))              \
  X(ClPanelLive, clBtnFace)                         \
  X(ClPanelLiveSel, Rgb(144, 160, 240))             \
  X(ClPanelControl, clBtnFace)                      \
  X(ClPanelMetr, clBtnFace)                         \
  X(ClPanelSync, clBtnFace)                         \
  X(ClPanelPorts, clBtnFace)                        \
  X(ClPanelScope, Rgb(0, 0, 0))                     \
  X(ClPanelTitle, clBtnFace)                        \
  X(ClTitleText, Rgb(128, 0, 0))                    \
  X(ClSeqTrack, Rgb(192, 192, 192))                 \
  X(ClSeqGridTicks, Rgb(0, 0, 0))                   \
  X(ClPosnSeq, Rgb(128, 0, 0))                      \
  X(ClPosnSeqMuted, Rgb(128, 128, 128))             \
  X(ClPosnMetrSeq, Rgb(0, 0, 255))                  \
  X(ClPosnMetrSeqMuted, Rgb(0, 128, 128))           \
  X(ClMidiLightsSeqEmpty, Rgb(192, 192, 192))       \
  X(ClMidiLightsDefault, Rgb(128, 128, 128))        \
  X(ClMidiLightsHotkey, Rgb(255, 255, 0))           \
  X(ClMidiLightsNote, Rgb(0, 255, 255))             \
  X(ClMidiLightsEvent, Rgb(255, 0, 0))              \
  X(ClMidiLightsCommand, Rgb(255, 255, 255))        \
  X(ClMidiLightsIgnore, Rgb(239, 176, 176))         \
  X(ClMetrLightDefault, Rgb(192, 192, 192))         \
  X(ClMetrLightBeat1, Rgb(0, 255, 255))             \
  X(ClMetrLightBeatN, Rgb(0, 0, 255))               \
  X(ClMetrNoteBeat1, Rgb(0, 255, 255))              \
  X(ClMetrNoteBeatN, Rgb(0, 0, 255))                \
  X(ClStSeqNo, Rgb(128, 0, 0))                      \
  X(ClStSelnActive, Rgb(254, 58, 1))                \
  X(ClStRunning, Rgb(0, 96, 0))                     \
  X(ClStRunWithDiag, Rgb(128, 0, 0))                \
  X(ClStRunWithKeyMapper, Rgb(128, 0, 0))           \
  X(ClStInitialising, Rgb(128, 0, 0))               \
  X(ClStStopping, Rgb(128, 0, 0))                   \
  X(ClStRecPrimed, Rgb(255, 0, 0))                  \
  X(ClStRecording, Rgb(255, 0, 0))                  \
  X(ClStLoading, Rgb(128, 0, 0))                    \
  X(ClStStopped, Rgb(128, 0, 0))                    \
  X(ClStIgnore, Rgb(128, 0, 0))                     \
  X(ClStFlashPend, Rgb(128, 0, 0))                  \
  X(ClStFlashPendPart, clDefault)                   \
  X(ClStOverload, Rgb(255, 0, 0))                   \
  X(ClStWarning, Rgb(128, 0, 0))                    \
  X(ClStError, Rgb(255, 0, 0))                      \
  X(ClStNoMidi, Rgb(128, 0, 0))                     \
  X(ClStTempoInvalid, Rgb(128, 0, 0))               \
  X(ClStOctaveNonZero, Rgb(128, 0, 0))              \
  X(ClStCalibrate, Rgb(128, 0, 0))                  \
  X(ClFgMetrDrum, Rgb(0, 0, 213))                   \
  X(ClFgMetrBass, Rgb(145, 68, 43))                 \
  X(ClKtBgBlackKeys, Rgb(15, 15, 15))               \
  X(ClKtBgWhiteKeys, Rgb(255, 255, 255))            \
  X(ClKtBgCKeys, Rgb(208, 251, 242))                \
  X(ClKtBgAnimatedKeys, Rgb(255, 0, 0))             \
  X(ClKtBgCmdMode, Rgb(252, 252, 252))              \
  X(ClKtBgRecPrimed, Rgb(255, 160, 160))            \
  X(ClKtBgCalibrate, Rgb(239, 144, 144))            \
  X(ClKtFgNone, clDefault)                          \
  X(ClKtBgNone, clBtnFace)                          \
  X(ClKtFgLiveVal, clDefault)                       \
  X(ClKtBgLiveFcn, clBtnFace)                       \
  X(ClKtFgWarnVal, Rgb(255, 0, 0))                  \
  X(ClKtBgWarnFcn, Rgb(239, 176, 176))              \
  X(ClKtFgSelVal, Rgb(0, 0, 0))                     \
  X(ClKtBgSelFcn, Rgb(168, 255, 253))               \
  X(ClKtFgDigitVal, Rgb(0, 0, 255))                 \
  X(ClKtBgDigitFcn, Rgb(192, 224, 255))             \
  X(ClKtBgDigitFcn2, Rgb(224, 240, 255))            \
  X(ClKtFgPitchVal, clDefault)                      \
  X(ClKtBgPitchFcn, Rgb(255, 255, 192))             \
  X(ClKtBgPitchFcn2, Rgb(255, 255, 224))            \
  X(ClKtBgHotkeyFcn, Rgb(255, 255, 112))            \
  X(ClKtBgHotkeyFcn2, Rgb(255, 255, 192))           \
  X(ClKtFgTimeVal, Rgb(0, 128, 0))                  \
  X(ClKtBgTimeFcn, Rgb(192, 240, 192))              \
  X(ClKtBgTimeFcn2, Rgb(192, 240, 224))             \
  X(ClKtFgRecVal, Rgb(255, 0, 0))                   \
  X(ClKtBgRecFcn, Rgb(239, 208, 208))               \
  X(ClKtFgNoteVal, Rgb(128, 0, 0))                  \
  X(ClKtBgNoteFcn, Rgb(192, 160, 240))              \
  X(ClKtBgNoteFcn2, Rgb(240, 208, 255))

// "ProgName-" + n, n = 0..127: the user's program names, at most 16 characters.
// clang-format off
inline constexpr std::array<std::string_view, kCfgProgs> GMProgNamesFactory = {
    "Ac Grand Piano", "Bright Ac Piano", "El Grand Piano", "Honky-tonk Piano",
    "El Pno1", "El Pno2", "Harpsichord", "Clavinet",
    "Celeste", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Perc Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Nylon Str Gtr", "Ac Gtr, Steel", "El Gtr, Jazz", "El Gtr, Clean",
    "El Gtr, Muted", "Overdriven Gtr", "Distortion Gtr", "Gtr Harmonics",
    "Acoustic Bass", "Electric Bass", "Picked Bass", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizz Strings", "Orchestral Harp", "Timpani",
    "Str Ensemble1", "Str Ensemble2", "Synth Strings1", "Synth Strings2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "Synth Brass1", "Synth Brass2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Squ Wave Synth", "Saw Wave Synth", "Synth Calliope", "Chiff Lead",
    "Charang Lead", "Voice Lead", "Fifth Lead", "Bass and Lead",
    "New Age Pad", "Warm Pad", "Polysynth Pad", "Choir Pad",
    "Bowed Pad", "Metallic Pad", "Halo Pad", "Sweep Pad",
    "Rain", "Soundtrack", "Crystal", "Atmosphere",
    "Brightness", "Goblins", "Echo Sweep", "Sci-Fi",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bagpipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Wood Block",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Gtr Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Phone Ring", "Helicopter", "Applause", "Gunshot",
};
// clang-format on
inline std::array<std::string, kCfgProgs> FactoryProgNames() {
  std::array<std::string, kCfgProgs> names;
  for (int i = 0; i < kCfgProgs; ++i) names[i] = std::string(GMProgNamesFactory[i]);
  return names;
}

// "ClKinetrace-Chan" + c, c = 1..16: the note display's colour of each MIDI channel.
inline constexpr std::array<TColor, kChans> KinetraceChanColoursFactory = {
    Rgb(0, 0, 255),     Rgb(0, 255, 0),     Rgb(255, 0, 0),     Rgb(0, 255, 255),
    Rgb(255, 255, 0),   Rgb(255, 0, 255),   Rgb(0, 128, 255),   Rgb(128, 255, 0),
    Rgb(128, 0, 255),   Rgb(128, 255, 255), Rgb(255, 255, 128), Rgb(255, 128, 255),
    Rgb(128, 128, 255), Rgb(128, 255, 128), Rgb(255, 128, 128), Rgb(0, 255, 128),
};
#define VEL_CFG_DECLARE_SCALAR(T, Name, Factory, Form) T Name = Factory;
#define VEL_CFG_DECLARE_COLOUR(Name, Factory) TColor Name = Factory;

// The pending bar settings: the time signature and quantise lengths as set, and the tick counts
// derived from them. The play cycle's active copy (Transport.ActBar) takes them over whole at each
// bar end.
struct TBarSettings {
  VEL_CFG_BAR_A(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_BAR_B(VEL_CFG_DECLARE_SCALAR)
  int32_t BeatTicks = 3840;
  int32_t BarTicks = 15360;
  int32_t NQTicks = 1920;  // note-quantise grid, 0 off
  int32_t SQTicks = 1920;  // seq-quantise grid
};

// Every setting, at its factory value. Guarded by EngineLock: the engine reads it under the lock,
// and a GUI handler or the settings reader that changes a value takes the lock too. The two
// per-input key-mapping arrays are atomics because the MIDI-in thread's key mapping reads them
// outside any lock; so is TarloOn, which the display link writes.
// The GUI thread alone writes the general, folder, window, display, display-timer and colour
// members (VEL_CFG_GENERAL, _FOLDERS, _WINDOWS, _DISPLAY, _TIMERS, VEL_CFG_COLOURS), the user
// programme names and the metronome's MetrStartOnLeft: no key, command or engine path does. So
// the GUI thread may read those without the lock, and the status tick does, after releasing it.
// What the key path and the engine change (metre, tempo, quantise, metronome notes, step
// recording) the tick reads from its snapshot, taken under the lock.
struct TCfg : TBarSettings {
  VEL_CFG_GENERAL(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_FOLDERS(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_WINDOWS(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_DISPLAY(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_TIMERS(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_INPUTS(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_TIMING_A(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_TIMING_B(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_TIMING_C(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_AUTOHOLD(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_RECORDING(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_METRONOME(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_KEYMAPS(VEL_CFG_DECLARE_SCALAR)
  VEL_CFG_COLOURS(VEL_CFG_DECLARE_COLOUR)

  // Settings declared by hand.

  // "NoviceMode" = not StandardMode. 0 = novice mode; the factory settings leave it alone.
  uint8_t StandardMode = 1;

  // The tempo a glide moves toward (not in the file; "Tempo" is). Hundredths of BPM.
  int32_t TargetTempo = 12000;

  // Virtual keyboard key size in pixels: -1 until start-up applies the loaded size, so nothing is laid out
  // before then. "TemplateKeySize" is written from the window's size and read into TemplateKeySizeLoaded.
  int32_t TemplateKeySize = -1;
  int32_t TemplateKeySizeLoaded = 40;

  // The display link is open ("TarloOn" is written from it and read into TarloOnRequested).
  // Atomic: the link opens and closes on the GUI thread while the key path reads it.
  TAtomic<uint8_t> TarloOn{};

  // Control inputs 1 and 2 (index 0 main, 1 auxiliary): "InPort" + n + "-OctaveOffset" (octaves -9..9)
  // and "InPort" + n + "-LiveCmdKey" (the live command and calibrate key, -1 when a loaded text names no
  // note). The MIDI-in thread's key mapping reads them without a lock.
  std::array<TAtomic<int32_t>, kCfgControlInputs> InPortOctaveOffset = {0, 0};
  std::array<TAtomic<int32_t>, kCfgControlInputs> InPortLiveCmdKey = {36, 36};

  // Per output port n (index n - 1):
  //   "Port" + n + "-MIDIOutClocksEnabled", "Port" + n + "-MidiOutSyncEnabled",
  //   "Port" + n + "-MChanEnabled", "-MChanMin", "-MChanMax" (0-based channels, written + 1),
  //   "Port" + n + "-Chan" + c + "-MChanPitchOffset" (notes, -12..36).
  std::array<uint8_t, kPorts> MIDIOutClocksEnabled{};
  std::array<uint8_t, kPorts> MidiOutSyncEnabled{};
  std::array<uint8_t, kPorts> MChanEnabled{};
  std::array<int8_t, kPorts> MChanMin{};
  std::array<int8_t, kPorts> MChanMax{};
  std::array<std::array<int32_t, kChans>, kPorts> MChanPitchOffset{};

  // Port allocation as loaded: the reader leaves these and the main window's refresh applies them.

  // "InPortsAllocated" / "OutPortsAllocated" hold the count, that is the highest port index + 1; -1 none.
  // The factory settings make it 0 when a device exists, which only start-up knows.
  int8_t InPortsLoaded = -1;
  int8_t OutPortsLoaded = -1;
  // "InPort" + n + "-DevName", "InPort" + n + "-PortName", and the OutPort twins.
  std::array<std::string, kPorts> InPortDevNames;
  std::array<std::string, kPorts> InPortNames;
  std::array<std::string, kPorts> OutPortDevNames;
  std::array<std::string, kPorts> OutPortNames;
  // "Port" + n + "-ProgChangesEnabled".
  std::array<uint8_t, kPorts> ProgChangesEnabled = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  // "Live-PortNo": 0-based live output port, written + 1.
  int8_t LivePortNoLoaded = 0;
  // "TarloSysEx-PortNo" (0-based, written + 1), "TarloSysEx-DevId", "TarloOn".
  int8_t TarloSysExPortNo = 0;
  int32_t TarloSysExDevId = 1;
  uint8_t TarloOnRequested = 0;

  // "ProgName-" + n, n = 0..127: the user's program names, at most 16 characters.
  std::array<std::string, kCfgProgs> UserProgNames = FactoryProgNames();
  // "ClKinetrace-Chan" + c, c = 1..16: the note display's colour of each MIDI channel.
  std::array<TColor, kChans> ClKinetraceChan = KinetraceChanColoursFactory;
};
#undef VEL_CFG_DECLARE_SCALAR
#undef VEL_CFG_DECLARE_COLOUR

inline TCfg Cfg;

// ---------------------------------------------------------------------------------------------------
// Keyword tables

using CfgVarRef = std::variant<uint8_t*, int8_t*, int32_t*, std::string*>;

struct CfgScalar {
  std::string_view Keyword;
  CfgVarRef Var;
  CfgForm Form;
  int32_t Factory;  // texts: always empty
};

struct CfgColour {
  std::string_view Keyword;
  TColor* Var;
  TColor Factory;
};

namespace cfg_detail {
template <class V>
constexpr int32_t FactoryInt(V v) {
  if constexpr (std::is_arithmetic_v<V>) {
    return int32_t(v);
  } else {
    return 0;
  }
}
}  // namespace cfg_detail

#define VEL_CFG_SCALAR_ENTRY(T, Name, Factory, Form) \
  CfgScalar{#Name, &Cfg.Name, CfgForm::Form, cfg_detail::FactoryInt(Factory)},
#define VEL_CFG_COLOUR_ENTRY(Name, Factory) CfgColour{#Name, &Cfg.Name, Factory},

// Every scalar setting whose value is one variable. "NoviceMode" stands first, as in the file; the rest
// (ports, per-port arrays, program names, key size, display link, octave offsets) are read and written
// by hand.
inline constexpr CfgScalar CfgScalars[] = {CfgScalar{"NoviceMode", &Cfg.StandardMode, CfgForm::YNNot, 1},
                                           VEL_CFG_ALL_SCALARS(VEL_CFG_SCALAR_ENTRY)};

// The 119 single colours in the file's order; "ClKinetrace-Chan" + c follow them (ClKinetraceChan).
inline constexpr CfgColour CfgColours[] = {VEL_CFG_COLOURS(VEL_CFG_COLOUR_ENTRY)};

#undef VEL_CFG_SCALAR_ENTRY
#undef VEL_CFG_COLOUR_ENTRY

}  // namespace vel
