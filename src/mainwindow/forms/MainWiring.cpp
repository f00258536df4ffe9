// The main window's areas, made and registered with the window registry in this one place, and the
// window's only links to them: its making and ending, the events it passes on (keys, drops) and its
// few calls into them. The window itself (Main.cpp) knows no area.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <utility>

#include "base/Showing.h"
#include "keymapper/forms/KeyMapper.h"
#include "keymapper/forms/KeyMaps.h"
#include "keys/KeyArgs.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/forms/KinetraceView.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainControls.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "mainwindow/forms/MainHelp.h"
#include "mainwindow/forms/MainKeys.h"
#include "mainwindow/forms/MainLanes.h"
#include "mainwindow/forms/MainPortPanel.h"
#include "mainwindow/forms/MainStatus.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"
#include "settings/forms/CfgBehaviour.h"
#include "settings/forms/CfgColours.h"
#include "settings/forms/CfgKinetrace.h"
#include "settings/forms/CfgMChan.h"
#include "settings/forms/CfgMetr.h"
#include "settings/forms/CfgPerf.h"
#include "settings/forms/CfgTiming.h"
#include "settings/forms/CfgVKbd.h"
#include "styles/forms/CfgStyle.h"
#include "tools/forms/Diag.h"
#include "tools/forms/ReferenceWindows.h"
#include "tools/forms/SampleAidWindow.h"
#include "tools/forms/Template.h"
#include "ui_Main.h"

namespace vel {

namespace {

// An edit left open in a style window is dropped.
void CloseStyleEdits(TfrmMain& f) {
  f.CfgDrum().ClosePendingEdits(false, true);
  f.CfgBass().ClosePendingEdits(false, true);
}

}  // namespace

// What each area is made from: the window's widgets and state, which only the wiring reaches, and
// its links to the areas and windows made after it.
struct TMainWiring {
  static TStatusWidgets StatusWidgets(TfrmMain& f);
  static TStatusLinks StatusLinks(TfrmMain& f);
  static TLanesWidgets LanesWidgets(TfrmMain& f);
  static TControlWidgets ControlWidgets(TfrmMain& f);
  static TFileMenuWidgets FileMenuWidgets(TfrmMain& f);
  static TViewMenuWidgets ViewMenuWidgets(TfrmMain& f);
  static TViewMenuLinks ViewMenuLinks(TfrmMain& f);
  static TPortPanelWidgets PortPanelWidgets(TfrmMain& f);
};

// The status display: the labels, lights and buttons it shows in, and the window's.
TStatusWidgets TMainWiring::StatusWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TStatusWidgets{
      .chkQuantNoteOffs = ui->chkQuantNoteOffs,
      .grpMetr = ui->grpMetr,
      .lblExtScene = ui->lblExtScene,
      .lblIntScene = ui->lblIntScene,
      .lblKeyMode = ui->lblKeyMode,
      .lblLive1 = ui->lblLive1,
      .lblLive2 = ui->lblLive2,
      .lblOut = ui->lblOut,
      .lblvBar = ui->lblvBar,
      .lblvBeat = ui->lblvBeat,
      .lblvDspDiagLimit = ui->lblvDspDiagLimit,
      .lblvDspMetrLimit = ui->lblvDspMetrLimit,
      .lblvDspStatusLimit = ui->lblvDspStatusLimit,
      .lblvExtScene = ui->lblvExtScene,
      .lblvInPort0OctOffset = ui->lblvInPort0OctOffset,
      .lblvInPort1OctOffset = ui->lblvInPort1OctOffset,
      .lblvIntScene = ui->lblvIntScene,
      .lblvKeyMode = ui->lblvKeyMode,
      .lblvLastCmd = ui->lblvLastCmd,
      .lblvLiveChan = ui->lblvLiveChan,
      .lblvLivePitch = ui->lblvLivePitch,
      .lblvLivePort = ui->lblvLivePort,
      .lblvLiveProg = ui->lblvLiveProg,
      .lblvLiveSVel = ui->lblvLiveSVel,
      .lblvLiveScale = ui->lblvLiveScale,
      .lblvLiveTDiv = ui->lblvLiveTDiv,
      .lblvLiveTrans = ui->lblvLiveTrans,
      .lblvMetrBarNote = ui->lblvMetrBarNote,
      .lblvMetrBarSVel = ui->lblvMetrBarSVel,
      .lblvMetrBeatNote = ui->lblvMetrBeatNote,
      .lblvMetrBeatSVel = ui->lblvMetrBeatSVel,
      .lblvMetrL = ui->lblvMetrL,
      .lblvMetrR = ui->lblvMetrR,
      .lblvMetrStyleName = ui->lblvMetrStyleName,
      .lblvMetrStylePatNo = ui->lblvMetrStylePatNo,
      .lblvMidiInLimit = ui->lblvMidiInLimit,
      .lblvProgState = ui->lblvProgState,
      .lblvQuantN = ui->lblvQuantN,
      .lblvQuantS = ui->lblvQuantS,
      .lblvTSig = ui->lblvTSig,
      .lblvTempoExt = ui->lblvTempoExt,
      .lblvTempoInt = ui->lblvTempoInt,
      .lblvTempoSlew = ui->lblvTempoSlew,
      .mnuActionCalibrate = ui->mnuActionCalibrate,
      .pnlLive = ui->pnlLive,
      .pnlSeqStatus = ui->pnlSeqStatus,
      .pnlTitle = ui->pnlTitle,
      .rbClocksInt = ui->rbClocksInt,
      .sbtnCalibrate = ui->sbtnCalibrate,
      .sbtnControl = ui->sbtnControl,
      .shpLiveMidiActivity = ui->shpLiveMidiActivity,
      .shpMetrLight = ui->shpMetrLight,
      .Window = &f,
      .SeqRows = &f.seqRows_,
      .SysPalette = &f.sysPalette_,
      .MainClosing = &f.MainClosing,
      .SelectMainControls = [&f](const TMainComboIndices& idx) { f.SelectMainControls(idx); }};
}

// The areas and windows the status display drives, made after it: reached when it calls.
TStatusLinks TMainWiring::StatusLinks(TfrmMain& f) {
  return TStatusLinks{.ApplyClockSource = [&f] { f.Controls().ApplyClockSource(); },
                      .LanesAndKinetraceLocked = [&f] { f.Lanes().LanesAndKinetraceLocked(); },
                      .ApplyLanesAndKinetrace = [&f] { f.Lanes().ApplyLanesAndKinetrace(); },
                      .ShowLocalControlOn =
                          [&f] {
                            if (f.CfgTiming().isVisible()) f.CfgTiming().ShowLocalControlOn();
                          }};
}

// The lanes and Kinetrace area: its panel, the seq rows and what it reads for its place.
TLanesWidgets TMainWiring::LanesWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TLanesWidgets{
      ui->pnlKinetrace, &f.seqRows_,     ui->pnlSeqStatus,  ui->grpControl,         ui->grpMetr,
      ui->grpClock,     ui->grpPorts,    ui->pnlLive,       ui->lblSeqMidiActivity, ui->lblSeqTracks,
      ui->lblSeqProgs,  ui->lblSeqSVels, ui->centralwidget, ui->pnlConfigOutPorts,  &f.columns_,
      &f.sysPalette_};
}

// The control groups area: its groups' controls and the window's run-time controls.
TControlWidgets TMainWiring::ControlWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TControlWidgets{
      .cboInPort0FilterChan = ui->cboInPort0FilterChan,
      .cboInPort1FilterChan = ui->cboInPort1FilterChan,
      .cboLiveChans = ui->cboLiveChans,
      .cboLivePorts = ui->cboLivePorts,
      .cboLiveProgs = ui->cboLiveProgs,
      .cboMetrBarNote = ui->cboMetrBarNote,
      .cboMetrBarSVel = ui->cboMetrBarSVel,
      .cboMetrBeatNote = ui->cboMetrBeatNote,
      .cboMetrBeatSVel = ui->cboMetrBeatSVel,
      .cboQuantN = ui->cboQuantN,
      .cboQuantS = ui->cboQuantS,
      .cboTSigBeats = ui->cboTSigBeats,
      .cboTSigFrac = ui->cboTSigFrac,
      .cboTempoIntLSB = ui->cboTempoIntLSB,
      .cboTempoIntMSB = ui->cboTempoIntMSB,
      .chkAuxInPortReqd = ui->chkAuxInPortReqd,
      .chkClocksExtLock = ui->chkClocksExtLock,
      .chkMetrFill = ui->chkMetrFill,
      .chkMetrModeStyles = ui->chkMetrModeStyles,
      .chkMidiInSyncExt = ui->chkMidiInSyncExt,
      .chkMidiInSyncInt = ui->chkMidiInSyncInt,
      .chkQuantNoteOffs = ui->chkQuantNoteOffs,
      .lblMetrFill = ui->lblMetrFill,
      .lblMetrModeStyles = ui->lblMetrModeStyles,
      .lblMetrSVel = ui->lblMetrSVel,
      .lblSeqNos = ui->lblSeqNos,
      .lblSeqPartNos = ui->lblSeqPartNos,
      .lblSeqTracks = ui->lblSeqTracks,
      .lblvInPort0OctOffset = ui->lblvInPort0OctOffset,
      .lblvInPort1OctOffset = ui->lblvInPort1OctOffset,
      .lblvMetrBarNote = ui->lblvMetrBarNote,
      .lblvMetrBarSVel = ui->lblvMetrBarSVel,
      .lblvMetrBeatNote = ui->lblvMetrBeatNote,
      .lblvMetrBeatSVel = ui->lblvMetrBeatSVel,
      .lblvMetrStyleName = ui->lblvMetrStyleName,
      .lblvMetrStylePatNo = ui->lblvMetrStylePatNo,
      .lblvTempoExt = ui->lblvTempoExt,
      .lblvTempoInt = ui->lblvTempoInt,
      .rbClocksExt = ui->rbClocksExt,
      .rbClocksInt = ui->rbClocksInt,
      .sbtnMetrBars1 = ui->sbtnMetrBars1,
      .sbtnMetrBars2 = ui->sbtnMetrBars2,
      .sbtnMetrBars3 = ui->sbtnMetrBars3,
      .sbtnMetrBars4 = ui->sbtnMetrBars4,
      .sbtnMetrTypePitchLocked = ui->sbtnMetrTypePitchLocked,
      .sbtnMetrTypePitched = ui->sbtnMetrTypePitched,
      .udInPort0Oct = ui->udInPort0Oct,
      .udInPort1Oct = ui->udInPort1Oct,
      .Window = &f,
      .RunTime = {&f.seqRows_, &f.chkMidiOutClocks, &f.chkMidiOutSync},
      .SysPalette = &f.sysPalette_,
      .SelectMainControls = [&f](const TMainComboIndices& idx) { f.SelectMainControls(idx); }};
}

// The file menus area: its menus' items and the window's calls after a load.
TFileMenuWidgets TMainWiring::FileMenuWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TFileMenuWidgets{
      .mnuCfgPorts = ui->mnuCfgPorts,
      .mnuConfig = ui->mnuConfig,
      .mnuConfigDeleteDefault = ui->mnuConfigDeleteDefault,
      .mnuConfigEditDefault = ui->mnuConfigEditDefault,
      .mnuConfigEditNamed = ui->mnuConfigEditNamed,
      .mnuConfigExploreDefault = ui->mnuConfigExploreDefault,
      .mnuConfigLoadAllFromDefault = ui->mnuConfigLoadAllFromDefault,
      .mnuConfigLoadAllFromNamed = ui->mnuConfigLoadAllFromNamed,
      .mnuConfigLoadBass = ui->mnuConfigLoadBass,
      .mnuConfigLoadColours = ui->mnuConfigLoadColours,
      .mnuConfigLoadDrums = ui->mnuConfigLoadDrums,
      .mnuConfigLoadKeyMaps = ui->mnuConfigLoadKeyMaps,
      .mnuConfigMode = ui->mnuConfigMode,
      .mnuConfigResetAll = ui->mnuConfigResetAll,
      .mnuConfigResetBass = ui->mnuConfigResetBass,
      .mnuConfigResetColours = ui->mnuConfigResetColours,
      .mnuConfigResetDrums = ui->mnuConfigResetDrums,
      .mnuConfigResetKMaps = ui->mnuConfigResetKMaps,
      .mnuConfigSaveAllToDefault = ui->mnuConfigSaveAllToDefault,
      .mnuConfigSaveAllToNamed = ui->mnuConfigSaveAllToNamed,
      .mnuConfigSaveBass = ui->mnuConfigSaveBass,
      .mnuConfigSaveColours = ui->mnuConfigSaveColours,
      .mnuConfigSaveDrums = ui->mnuConfigSaveDrums,
      .mnuConfigSaveKeyMaps = ui->mnuConfigSaveKeyMaps,
      .mnuFile = ui->mnuFile,
      .mnuFileDeleteAllParts = ui->mnuFileDeleteAllParts,
      .mnuFileDeleteProgsInAllParts = ui->mnuFileDeleteProgsInAllParts,
      .mnuFileDeleteProgsInSelSeqs = ui->mnuFileDeleteProgsInSelSeqs,
      .mnuFileDeleteSelSeqs = ui->mnuFileDeleteSelSeqs,
      .mnuFileDeleteSeqs = ui->mnuFileDeleteSeqs,
      .mnuFileExit = ui->mnuFileExit,
      .mnuFileExplore = ui->mnuFileExplore,
      .mnuFileIgnoreEmbeddedProgChanges = ui->mnuFileIgnoreEmbeddedProgChanges,
      .mnuFileLoadAnalog = ui->mnuFileLoadAnalog,
      .mnuFileLoadDragDropActiveParts = ui->mnuFileLoadDragDropActiveParts,
      .mnuFileLoadDragDropAllParts = ui->mnuFileLoadDragDropAllParts,
      .mnuFileLoadExtScenes = ui->mnuFileLoadExtScenes,
      .mnuFileLoadMidiActiveParts = ui->mnuFileLoadMidiActiveParts,
      .mnuFileLoadMidiAllParts = ui->mnuFileLoadMidiAllParts,
      .mnuFileLoadMisc = ui->mnuFileLoadMisc,
      .mnuFileLoadPatterns = ui->mnuFileLoadPatterns,
      .mnuFileLoadPop68 = ui->mnuFileLoadPop68,
      .mnuFileLoadPopShuffle = ui->mnuFileLoadPopShuffle,
      .mnuFileLoadProgChanges = ui->mnuFileLoadProgChanges,
      .mnuFileLoadQuickStart = ui->mnuFileLoadQuickStart,
      .mnuFileLoadRhumba = ui->mnuFileLoadRhumba,
      .mnuFileLoadRock = ui->mnuFileLoadRock,
      .mnuFileLoadSamba = ui->mnuFileLoadSamba,
      .mnuFileLoadSample1 = ui->mnuFileLoadSample1,
      .mnuFileLoadSample2 = ui->mnuFileLoadSample2,
      .mnuFileLoadTestA = ui->mnuFileLoadTestA,
      .mnuFileLoadTestB = ui->mnuFileLoadTestB,
      .mnuFileLoadTutorial = ui->mnuFileLoadTutorial,
      .mnuFileResetAllParts = ui->mnuFileResetAllParts,
      .mnuFileResetLive = ui->mnuFileResetLive,
      .mnuFileResetSelSeqs = ui->mnuFileResetSelSeqs,
      .mnuFileResetSeqs = ui->mnuFileResetSeqs,
      .mnuFileSaveMidiActiveParts = ui->mnuFileSaveMidiActiveParts,
      .mnuFileSaveMidiAllParts = ui->mnuFileSaveMidiAllParts,
      .mnuFileSaveProgChanges = ui->mnuFileSaveProgChanges,
      .mnuSettings = ui->mnuSettings,
      .pnlConfigInPorts = ui->pnlConfigInPorts,
      .pnlConfigOutPorts = ui->pnlConfigOutPorts,
      .sbtnSaveConfig = ui->sbtnSaveConfig,
      .Window = &f,
      .DataFolder = &f.dataFolder_,
      .SetCaption = [&f] { f.SetCaption(); },
      .ApplyColourScheme = [&f] { f.ApplyColourScheme(); },
      .SelectMainControls = [&f](const TMainComboIndices& idx) { f.SelectMainControls(idx); },
      .LoadConfigAndApply = [&f](bool factory, bool autoRun,
                                 bool& ok) { return f.LoadConfigAndApply(factory, autoRun, ok); }};
}

// The view menus: their items, the buttons, groups and panels they tend, and the window's.
TViewMenuWidgets TMainWiring::ViewMenuWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TViewMenuWidgets{.cboLiveProgs = ui->cboLiveProgs,
                          .cboTarloPNo = ui->cboTarloPNo,
                          .cboTarloSysexDevId = ui->cboTarloSysexDevId,
                          .grpClock = ui->grpClock,
                          .grpControl = ui->grpControl,
                          .grpMetr = ui->grpMetr,
                          .grpPorts = ui->grpPorts,
                          .mnuActionCalibrate = ui->mnuActionCalibrate,
                          .mnuActionControl = ui->mnuActionControl,
                          .mnuActionEsc = ui->mnuActionEsc,
                          .mnuKinetraceClear = ui->mnuKinetraceClear,
                          .mnuKinetraceDecDecay = ui->mnuKinetraceDecDecay,
                          .mnuKinetraceDecPosn = ui->mnuKinetraceDecPosn,
                          .mnuKinetraceDecShape = ui->mnuKinetraceDecShape,
                          .mnuKinetraceDecSize = ui->mnuKinetraceDecSize,
                          .mnuKinetraceDecStyle = ui->mnuKinetraceDecStyle,
                          .mnuKinetraceDecTail = ui->mnuKinetraceDecTail,
                          .mnuKinetraceImgFile = ui->mnuKinetraceImgFile,
                          .mnuKinetraceImgNext = ui->mnuKinetraceImgNext,
                          .mnuKinetraceImgPrev = ui->mnuKinetraceImgPrev,
                          .mnuKinetraceImgStretch = ui->mnuKinetraceImgStretch,
                          .mnuKinetraceImgUnload = ui->mnuKinetraceImgUnload,
                          .mnuKinetraceImgVisible = ui->mnuKinetraceImgVisible,
                          .mnuKinetraceIncDecay = ui->mnuKinetraceIncDecay,
                          .mnuKinetraceIncPosn = ui->mnuKinetraceIncPosn,
                          .mnuKinetraceIncShape = ui->mnuKinetraceIncShape,
                          .mnuKinetraceIncSize = ui->mnuKinetraceIncSize,
                          .mnuKinetraceIncStyle = ui->mnuKinetraceIncStyle,
                          .mnuKinetraceIncTail = ui->mnuKinetraceIncTail,
                          .mnuKinetraceOff = ui->mnuKinetraceOff,
                          .mnuKinetraceOn = ui->mnuKinetraceOn,
                          .mnuKinetraceRandCols = ui->mnuKinetraceRandCols,
                          .mnuTemplateHide = ui->mnuTemplateHide,
                          .mnuTemplateOnTop = ui->mnuTemplateOnTop,
                          .mnuTemplateReset = ui->mnuTemplateReset,
                          .mnuTemplateShow = ui->mnuTemplateShow,
                          .mnuTools = ui->mnuTools,
                          .mnuToolsCloseTarlo = ui->mnuToolsCloseTarlo,
                          .mnuToolsOpenTarlo = ui->mnuToolsOpenTarlo,
                          .mnuToolsSampleAid = ui->mnuToolsSampleAid,
                          .mnuToolsTarlo = ui->mnuToolsTarlo,
                          .mnuView = ui->mnuView,
                          .mnuViewAutoHints = ui->mnuViewAutoHints,
                          .mnuViewKModeInputColours = ui->mnuViewKModeInputColours,
                          .mnuViewKModeTitleColours = ui->mnuViewKModeTitleColours,
                          .mnuViewKinetrace = ui->mnuViewKinetrace,
                          .mnuViewMidiActivity = ui->mnuViewMidiActivity,
                          .mnuViewPortNames = ui->mnuViewPortNames,
                          .mnuViewProgNames = ui->mnuViewProgNames,
                          .mnuViewProgVersion = ui->mnuViewProgVersion,
                          .mnuViewScale = ui->mnuViewScale,
                          .mnuViewSeqGrid = ui->mnuViewSeqGrid,
                          .mnuViewSeqLen = ui->mnuViewSeqLen,
                          .mnuViewSeqNumPosn = ui->mnuViewSeqNumPosn,
                          .mnuViewSolidTracks = ui->mnuViewSolidTracks,
                          .mnuViewTDiv = ui->mnuViewTDiv,
                          .mnuViewTemplateOptions = ui->mnuViewTemplateOptions,
                          .mnuWindowCentreAll = ui->mnuWindowCentreAll,
                          .mnuWindowHeight = ui->mnuWindowHeight,
                          .mnuWindowWidth = ui->mnuWindowWidth,
                          .pnlKinetrace = ui->pnlKinetrace,
                          .pnlSeqStatus = ui->pnlSeqStatus,
                          .pnlTitle = ui->pnlTitle,
                          .sbtnCalibrate = ui->sbtnCalibrate,
                          .sbtnControl = ui->sbtnControl,
                          .shpLiveMidiActivity = ui->shpLiveMidiActivity,
                          .Window = &f,
                          .SeqRows = &f.seqRows_,
                          .SysPalette = &f.sysPalette_,
                          .MainClosing = &f.MainClosing,
                          .Started = [&f] { return f.Started(); },
                          .LayoutSeqStatusColumns = [&f] { f.LayoutSeqStatusColumns(); },
                          .PlaceGroupBoxes = [&f] { f.PlaceGroupBoxes(); },
                          .SetCaption = [&f] { f.SetCaption(); }};
}

// The windows and areas the view menus open and tend, most made after them: reached when the menus
// call.
TViewMenuLinks TMainWiring::ViewMenuLinks(TfrmMain& f) {
  return TViewMenuLinks{
      .ShowKeyMapper = [&f] { f.KeyMapper().Open(SettingsCaption("Key Mapper")); },
      .ShowCfgMetr = [&f] { f.CfgMetr().Open(SettingsCaption("Settings - Metronome")); },
      .ShowCfgMetrDrum = [&f] { f.CfgDrum().Open(SettingsCaption("Settings - Metronome drum")); },
      .ShowCfgMetrBass = [&f] { f.CfgBass().Open(SettingsCaption("Settings - Metronome bass")); },
      .CloseStyleEdits = [&f] { CloseStyleEdits(f); },
      .DockTemplateWindow = [&f] { f.Status().DockTemplateWindow(); },
      .SetKinetraceBounds = [&f] { f.Lanes().SetKinetraceBounds(); },
      .SetKinetracePicture = [&f](const QImage& picture) { f.Lanes().KinetraceView->SetPicture(picture); }};
}

// The port panel area: its panels, rows and lists, and what it stands in for.
TPortPanelWidgets TMainWiring::PortPanelWidgets(TfrmMain& f) {
  Ui::frmMain* ui = f.ui.get();
  return TPortPanelWidgets{.btnRenameInPortDone = ui->btnRenameInPortDone,
                           .btnRenameOutPortDone = ui->btnRenameOutPortDone,
                           .cboInPort0FilterChan = ui->cboInPort0FilterChan,
                           .cboInPort1FilterChan = ui->cboInPort1FilterChan,
                           .cboLivePorts = ui->cboLivePorts,
                           .cboLiveSVels = ui->cboLiveSVels,
                           .cboMaxActiveSeqs = ui->cboMaxActiveSeqs,
                           .cboTarloPNo = ui->cboTarloPNo,
                           .cboTarloSysexDevId = ui->cboTarloSysexDevId,
                           .chkLivePLocked = ui->chkLivePLocked,
                           .edtInPName = ui->edtInPName,
                           .edtOutPName = ui->edtOutPName,
                           .grpClock = ui->grpClock,
                           .grpControl = ui->grpControl,
                           .grpMetr = ui->grpMetr,
                           .grpPorts = ui->grpPorts,
                           .lblIn0 = ui->lblIn0,
                           .lblIn1 = ui->lblIn1,
                           .lblMidiOutClocks = ui->lblMidiOutClocks,
                           .lblMidiOutSync = ui->lblMidiOutSync,
                           .lblOut = ui->lblOut,
                           .lblTarlo = ui->lblTarlo,
                           .lblvInPort0Name = ui->lblvInPort0Name,
                           .lblvInPort0OctOffset = ui->lblvInPort0OctOffset,
                           .lblvInPort1Name = ui->lblvInPort1Name,
                           .lblvInPort1OctOffset = ui->lblvInPort1OctOffset,
                           .lblvOutPort0Name = ui->lblvOutPort0Name,
                           .lstInDNames = ui->lstInDNames,
                           .lstInPNames = ui->lstInPNames,
                           .lstOutDNames = ui->lstOutDNames,
                           .lstOutPNames = ui->lstOutPNames,
                           .mnuAction = ui->mnuAction,
                           .mnuCfgPorts = ui->mnuCfgPorts,
                           .mnuConfig = ui->mnuConfig,
                           .mnuFile = ui->mnuFile,
                           .mnuSettings = ui->mnuSettings,
                           .mnuView = ui->mnuView,
                           .mnuWindows = ui->mnuWindows,
                           .pnlConfigInPorts = ui->pnlConfigInPorts,
                           .pnlConfigOutPorts = ui->pnlConfigOutPorts,
                           .pnlKinetrace = ui->pnlKinetrace,
                           .pnlSeqStatus = ui->pnlSeqStatus,
                           .sbtnDone = ui->sbtnDone,
                           .sbtnInPortAlloc = ui->sbtnInPortAlloc,
                           .sbtnInPortDeAlloc = ui->sbtnInPortDeAlloc,
                           .sbtnInPortDown = ui->sbtnInPortDown,
                           .sbtnInPortUp = ui->sbtnInPortUp,
                           .sbtnOutPortAlloc = ui->sbtnOutPortAlloc,
                           .sbtnOutPortDeAlloc = ui->sbtnOutPortDeAlloc,
                           .sbtnOutPortDown = ui->sbtnOutPortDown,
                           .sbtnOutPortUp = ui->sbtnOutPortUp,
                           .sbtnRenameInPort = ui->sbtnRenameInPort,
                           .sbtnRenameOutPort = ui->sbtnRenameOutPort,
                           .sbtnRescanInDevs = ui->sbtnRescanInDevs,
                           .sbtnRescanOutDevs = ui->sbtnRescanOutDevs,
                           .udInPort0Oct = ui->udInPort0Oct,
                           .udInPort1Oct = ui->udInPort1Oct,
                           .Window = &f,
                           .RunTime = {&f.seqRows_, &f.chkMidiOutClocks, &f.chkMidiOutSync},
                           .LayoutSeqStatusColumns = [&f] { f.LayoutSeqStatusColumns(); },
                           .ApplyProgState = [&f](TProgState state) { f.ApplyProgState(state); }};
}

void TfrmMain::RegisterArea(TWindow& area) {
  registrations_.push_back(Windows().Register(area));
}

// The order is the order in which the registry runs the areas' answers to one call: the window's
// own program state first, then the control groups', the menus', and the computer keys' last.
void TfrmMain::WireAreas() {
  TWindowCalls& calls = own_.Calls;
  // A critical close: the run-time controls go and the system colours come back before the
  // closing warning shows.
  own_.Hears = [this](TTopic topic) {
    if (topic != TTopic::CriticalClose) return;
    HandleDynamicControls(false);
    SaveRestoreSysColours(false);
  };
  calls.Run.ApplyProgState = [this](TProgState state) { ApplyProgState(state); };
  calls.Run.EndApplication = [this] { EndApplication(); };
  // Every refresh of the program reloads the main window's lists and controls.
  calls.Refresh.ReloadMainWindow = [this] { FillMainControls(); };
  calls.Refresh.LoadMainControls = [this](const TMainComboIndices& idx) { SelectMainControls(idx); };
  // A reloaded program gives the virtual keyboard's hotkey advice once more; input may still
  // arrive, so under the lock.
  calls.Refresh.ClearWindowMessages = [] { StoreLocked(Args.VKbdHotkeyAdviceShown, 0); };
  RegisterArea(own_);

  status_ =
      std::make_unique<TStatusDisplay>(TMainWiring::StatusWidgets(*this), TMainWiring::StatusLinks(*this));
  RegisterArea(*status_);
  lanes_ = std::make_unique<TLanesAndKinetrace>(TMainWiring::LanesWidgets(*this));
  RegisterArea(*lanes_);
  controls_ = std::make_unique<TControlGroups>(TMainWiring::ControlWidgets(*this));
  RegisterArea(*controls_);
  files_ = std::make_unique<TFileMenus>(TMainWiring::FileMenuWidgets(*this));
  RegisterArea(*files_);
  views_ =
      std::make_unique<TViewMenus>(TMainWiring::ViewMenuWidgets(*this), TMainWiring::ViewMenuLinks(*this));
  RegisterArea(*views_);
  ports_ = std::make_unique<TPortPanel>(TMainWiring::PortPanelWidgets(*this));
  RegisterArea(*ports_);
  help_ = std::make_unique<THelpMenu>(
      THelpWidgets{ui->mnuHelp, ui->mnuHelpVideos, ui->mnuHelpWordMacro, ui->mnuVideoList,
                   ui->mnuHelpExamples, ui->mnuHelpPerf, ui->mnuHelpAbout, ui->mnuHelpCheckProgVersion},
      progFolder_);
  RegisterArea(*help_);
  keys_ = std::make_unique<TComputerKeys>(TComputerKeysWidgets{ui->centralwidget, menuBar()});
  RegisterArea(*keys_);
  WireSettingsWindows();
}

// Each registers itself for as long as it exists; the windows not made here keep their menu items
// disabled.
void TfrmMain::WireSettingsWindows() {
  cfgColours_ = std::make_unique<TfrmCfgColours>(*this);
  cfgPerf_ = std::make_unique<TfrmCfgPerf>(*this);
  cfgKinetrace_ = std::make_unique<TfrmCfgKinetrace>(*this);
  cfgVKbd_ = std::make_unique<TfrmCfgVKbd>(*this);
  cfgMetr_ = std::make_unique<TfrmCfgMetr>(*this);
  cfgBehaviour_ = std::make_unique<TfrmCfgBehaviour>(*this);
  cfgTiming_ = std::make_unique<TfrmCfgTiming>(*this);
  cfgMChan_ = std::make_unique<TfrmCfgMChan>(*this);
  cfgDrum_ = std::make_unique<TfrmCfgStyle>(*this, DrumStore);
  cfgBass_ = std::make_unique<TfrmCfgStyle>(*this, BassStore);
  qwertyHelp_ = MakeQwertyHelp(this);
  gmPrograms_ = MakeGMPrograms(this);
  gmDrums_ = MakeGMDrums(this);
  diag_ = std::make_unique<TfrmDiag>(this);
  ui->mnuToolsDiag->setEnabled(true);
  connect(ui->mnuToolsDiag, &QAction::triggered, diag_.get(),
          [this] { diag_->Open(ui->mnuToolsDiag->text().remove('&').toStdString()); });
  sampleAid_ = std::make_unique<TfrmSampleAid>(this);
  connect(ui->mnuToolsSampleAid, &QAction::triggered, sampleAid_.get(),
          [this] { sampleAid_->Open(SettingsCaption("Sample Aid")); });
  for (auto [item, w] :
       {std::pair{ui->mnuToolsGMPrograms, gmPrograms_}, std::pair{ui->mnuToolsGMDrums, gmDrums_}}) {
    item->setEnabled(true);
    connect(item, &QAction::triggered, w, [w] {
      w->show();
      w->raise();
    });
  }
  keyMaps_ = std::make_unique<TfrmKeyMaps>(this);
  keyMapper_ = std::make_unique<TfrmKeyMapper>(*this);
  ui->mnuToolsKeyMapper->setEnabled(true);
  QObject::connect(ui->mnuToolsKeyMapper, &QAction::triggered, this, [this] { views_->ShowKeyMapper(); });
  files_->SetSettingsWindow("mnuCfgKeyMaps", [this](const std::string&) { views_->ShowKeyMapper(); });
  ui->mnuToolsDspKeyMaps->setEnabled(true);
  QObject::connect(ui->mnuToolsDspKeyMaps, &QAction::triggered, this,
                   [this] { keyMaps_->Open(SettingsCaption("Key Maps Table")); });
  template_ = WireTemplateWindow(*this);
}

// Made and ended here, where the areas and windows it owns are known.
TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>()) {
  ui->setupUi(this);
  setObjectName("frmMain");
  tmAutoRun = new QTimer(this);
  tmAutoRun->setObjectName("tmAutoRun");
  connect(tmAutoRun, &QTimer::timeout, this, [this] { tmAutoRunTimer(); });
  FormCreate();
}

TfrmMain::~TfrmMain() {
  if (!MainClosing) FormClose();
  // The core's calls no longer reach this window; the last registered area goes first.
  while (!registrations_.empty()) registrations_.pop_back();
  // The per-seq procedures hold this window too.
  SeqHandlers = TSeqHandlers{};
}

void TfrmMain::LoadMidiFileNow() {
  if (MidiFileName.empty()) return;
  // As a menu load: under the engine lock, its boxes after it, the metronome seq's warning.
  files_->LoadMidiFileAndWarn(MidiFileName, true);
}

void TfrmMain::RefreshWholeProgram() {
  ports_->RefreshAllWithWindow(true);
}

void TfrmMain::ClosePortPanel() {
  ports_->ClosePortPanel();
}

void TfrmMain::SetMenuShortCuts() {
  views_->SetViewMenuShortCuts();
}

void TfrmMain::SetKinetraceBounds() {
  lanes_->SetKinetraceBounds();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  bool local = data && data->hasUrls() && !data->urls().isEmpty();
  if (local)
    for (const QUrl& url : data->urls()) local = local && url.isLocalFile();
  if (local && DropsAccepted(RunCtl.ProgState.load())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TfrmMain::dropEvent(QDropEvent* event) {
  std::vector<std::string> names;
  for (const QUrl& url : event->mimeData()->urls())
    names.push_back(QFileInfo(url.toLocalFile()).absoluteFilePath().toStdString());
  event->acceptProposedAction();
  // The drop is finished before anything loads: the dragging program is not kept waiting on our
  // boxes.
  QTimer::singleShot(0, this, [this, names] {
    if (DropsAccepted(RunCtl.ProgState.load())) files_->WMDropFiles(names);
  });
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  if (keys_ && !MainClosing && keys_->Key(*event, true)) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TfrmMain::keyReleaseEvent(QKeyEvent* event) {
  if (keys_ && !MainClosing && keys_->Key(*event, false)) {
    event->accept();
    return;
  }
  QMainWindow::keyReleaseEvent(event);
}

void TfrmMain::changeEvent(QEvent* event) {
  // Keys held while another window takes the keyboard would never be released here.
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && keys_) keys_->KeyboardLost();
  QMainWindow::changeEvent(event);
}

void TfrmMain::FollowWithDockedTemplate() {
  if (Showing.TemplateShowing && Cfg.TemplateDocked && !views_->AligningMainToTemplate)
    status_->DockTemplateWindow();
}

}  // namespace vel
