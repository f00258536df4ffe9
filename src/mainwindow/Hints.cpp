#include "mainwindow/Hints.h"

#include <map>

#include "base/Sizes.h"
#include "engine/PartBufs.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// A row whose hint is "=" + another row's name shares that row's hint.
std::string Same(const std::string& name) {
  return "=" + name;
}

}  // namespace

const std::vector<std::string> SeqHintFamilies = {
    "lblSeqNo",      "lblSeqState", "chkSeqMuted", "chkSeqPitchLock", "lblSeqPitch",
    "lblSeqScale",   "lblSeqTrans", "cboSeqProg",  "lblSeqProg",      "cboSeqPartNo",
    "lblSeqPartNo",  "cboSeqChan",  "lblSeqChan",  "cboSeqSVel",      "lblSeqSVel",
    "cboSeqPort",    "lblSeqPort",  "lblSeqLen",   "lblSeqTDiv",      "lblSeqTimeShift",
    "lblSeqNumPosn", "imgSeqTrack", "shpSeqLane",  "shpSeqPosn",      "shpSeqMidiActivity",
};

std::string NoteRangeText() {
  return "C" + std::to_string(-2) + " = lowest, " + "C" + std::to_string(3) + " = middle C, " + "G" +
         std::to_string(8) + " = highest";
}

std::vector<THintRow> SetHints() {
  const std::string n = NoteRangeText();
  std::vector<THintRow> rows = {
      // Control group.
      {"lblStatus", "Vellorine status   Running: normal mode,  Stopped: configuration mode"},
      {"lblvProgState", Same("lblStatus")},
      {"lblLastCmd", "Last command or value entered"},
      {"lblvLastCmd", Same("lblLastCmd")},
      {"lblKeyMode", "Shows how incoming MIDI will be interpreted"},
      {"lblvKeyMode",
       "Incoming MIDI interpretation: ignore: discarded, live: direct output, current command & values etc."},
      {"cboMaxActiveSeqs", "Set number of seqs in use; the port configuration will be reset"},
      // Input octave and live row.
      {"lblFilterChan", "MIDI channel accepted from each control input; all = any channel"},
      {"cboInPort0FilterChan", "MIDI channel accepted from the main control input; all = any channel"},
      {"cboInPort1FilterChan", "MIDI channel accepted from the auxiliary control input; all = any channel"},
      {"lblOctave", "Octave offset of each control input; change with the arrows or the calibrate key"},
      {"udInPort0Oct", "Octave offset of the main control input (-9 to 9)"},
      {"udInPort1Oct", "Octave offset of the auxiliary control input (-9 to 9)"},
      {"lblvInPort0OctOffset", Same("udInPort0Oct")},
      {"lblvInPort1OctOffset", Same("udInPort1Oct")},
      {"lblLive1",
       "Live play attributes; tags (->) indicate if these are transferred to/from seqs during recording"},
      {"lblLive2", Same("lblLive1")},
      {"cboLiveChans", "Set initial MIDI channel for live output (change with run-time chan command)"},
      {"lblvLiveChan", Same("cboLiveChans")},
      {"cboLiveProgs",
       "Set initial prog change to be sent on the live port/channel, '-' = disabled for this port (run-time "
       "prog "
       "command)"},
      {"lblvLiveProg", Same("cboLiveProgs")},
      {"cboLiveSVels",
       "Set initial MIDI velocity adjustment for live output; range 0-9, 0=muted ('greyed out'), 1=quietest, "
       "5=as "
       "played, 9=loudest"},
      {"lblvLiveSVel", Same("cboLiveSVels")},
      {"lblvLiveScale", "Live force-to-scale root and type (change with run-time scale commands)"},
      {"lblvLiveTDiv", "Live tempo divider, given to a seq recorded from live play"},
      {"lblvLivePitch", "Live pitch offset in semitones (change with run-time pitch command)"},
      {"lblvLiveTrans", "Live transpose in semitones (change with run-time transpose command)"},
      {"chkLivePLocked",
       "Set initial pitch-lock status for live output (change with run-time pitch-lock/unlock commands)"},
      {"cboLivePorts", "Set initial MIDI output port for live output (change with run-time port command)"},
      {"lblvLivePort", Same("cboLivePorts")},
      // Seq status headings.
      {"lblSeqMidiActivity", "MIDI activity for each seq"},
      {"lblSeqPartNos", "Part no. (1 or 2) played by each seq"},
      {"lblSeqNos", "Seq numbers; click to select or deselect a seq"},
      {"lblSeqChans", "MIDI channel used by each seq"},
      {"lblSeqProgs", "Prog change sent on each seq port/channel"},
      {"lblSeqMuted", "Mute status of each seq"},
      {"lblSeqSVels", "Velocity adjustment of each seq; range 0-9, 0=muted, 5=as recorded, 9=loudest"},
      {"lblSeqPitches", "Pitch offset of each seq in semitones"},
      {"lblSeqTrans", "Transpose of each seq in semitones"},
      {"lblSeqScales", "Force-to-scale root and type of each seq"},
      {"lblSeqLen", "Seq length indicator - <no. of bars>.<no. of SQ beats> (rounded down to whole number)"},
      {"lblSeqTDivs", "Tempo divider of each seq"},
      {"lblSeqTracks",
       "Relative seq length and playback position; colours indicate play vs. mute, normal vs. metr"},
      {"lblSeqStates",
       "States  pn: play n cycles,  p: play rpt,  mn: mute n cycles,  s: stopped (flash: pending),  r: rec "
       "primed "
       "(flash: recording)"},
      {"lblSeqPorts", "MIDI output port used by each seq"},
  };

  // The run-time controls of each seq in use: the column heading's hint unless their own.
  const std::map<std::string, std::string> seqHints = {
      {"lblSeqNo", Same("lblSeqNos")},
      {"lblSeqState", Same("lblSeqStates")},
      {"chkSeqMuted", "Set initial mute status for this seq (change with run-time mute, play, tog variants)"},
      {"chkSeqPitchLock",
       "Set initial pitch-lock status for this seq (change with run-time pitch-lock/unlock commands)"},
      {"lblSeqPitch", Same("lblSeqPitches")},
      {"lblSeqScale", Same("lblSeqScales")},
      {"lblSeqTrans", Same("lblSeqTrans")},
      {"cboSeqProg",
       "Set initial prog change to be sent on this seq port/channel, '-' = disabled for this port (run-time "
       "prog "
       "command)"},
      {"lblSeqProg", Same("lblSeqProgs")},
      {"cboSeqPartNo", "Set initial part no. to be used by this seq (change with run-time part command)"},
      {"lblSeqPartNo", Same("lblSeqPartNos")},
      {"cboSeqChan", "Set initial MIDI channel to be used by this seq (change with run-time chan command)"},
      {"lblSeqChan", Same("lblSeqChans")},
      {"cboSeqSVel", "Set initial velocity (0-9) for this seq (change with run-time vel command)"},
      {"lblSeqSVel", Same("lblSeqSVels")},
      {"cboSeqPort", Same("lblSeqPorts")},
      {"lblSeqPort", Same("lblSeqPorts")},
      {"lblSeqLen", Same("lblSeqLen")},
      {"lblSeqTDiv", Same("lblSeqTDivs")},
      {"lblSeqTimeShift",
       "Time shift direction for each seq if repeat set (not metronome seq) (change with run-time time-shift "
       "command)"},
      {"lblSeqNumPosn",
       "Numeric playback position for this seq; use View,Track menu to display track lanes instead"},
      {"imgSeqTrack", Same("lblSeqTracks")},
      {"shpSeqLane", "Track lane for this seq; use View,Track menu to display numeric posn if too long"},
      {"shpSeqPosn",
       "Track playback position for this seq; use View,Track menu to display numeric posn if track too long"},
      {"shpSeqMidiActivity", "MIDI activity for this seq"},
  };
  for (int32_t s = 0; s <= LastSeq(); ++s)
    for (const std::string& family : SeqHintFamilies)
      rows.push_back({family + std::to_string(s), seqHints.at(family)});

  const std::vector<THintRow> more = {
      {"shpLiveMidiActivity", "MIDI activity for live output"},
      // Scenes.
      {"lblIntScene", "Internal scene last loaded or saved (run-time scene commands)"},
      {"lblvIntScene", Same("lblIntScene")},
      {"lblExtScene", "Scene file last loaded or saved (run-time scene commands)"},
      {"lblvExtScene", Same("lblExtScene")},
      // Metronome.
      {"chkMetrModeStyles", "Use drum and bass styles for the metronome; off = bar and beat notes only"},
      {"lblMetrModeStyles", Same("chkMetrModeStyles")},
      {"sbtnMetrTypePitchLocked", "Metronome type: drums, pitch-locked (change with run-time metr command)"},
      {"sbtnMetrTypePitched",
       "Metronome type: bass, follows pitch changes (change with run-time metr command)"},
      {"sbtnMetrBars1", "Number of bars in the metronome pattern (change with run-time metr command)"},
      {"sbtnMetrBars2", Same("sbtnMetrBars1")},
      {"sbtnMetrBars3", Same("sbtnMetrBars1")},
      {"sbtnMetrBars4", Same("sbtnMetrBars1")},
      {"lblvMetrStyleName", "Metronome style in use"},
      {"lblvMetrStylePatNo", "Metronome style pattern no. in use"},
      {"cboMetrBarNote", "Audible metronome bar note, " + n + " (run-time metr command)"},
      {"lblvMetrBarNote", Same("cboMetrBarNote")},
      {"cboMetrBarSVel", "Audible metronome bar velocity, 1-9 (change with run-time metr command)"},
      {"lblvMetrBarSVel", Same("cboMetrBarSVel")},
      {"cboMetrBeatNote", "Audible metronome beat note, " + n + " (change with run-time metr command)"},
      {"lblvMetrBeatNote", Same("cboMetrBeatNote")},
      {"cboMetrBeatSVel", "Audible metronome beat velocity, 1-9 (change with run-time metr command)"},
      {"lblvMetrBeatSVel", Same("cboMetrBeatSVel")},
      {"chkQuantNoteOffs", "Quantise note-offs as well as note-ons while recording"},
      {"chkMetrFill", "Fill the metronome seq with metronome bars when recording starts"},
      {"lblMetrFill", Same("chkMetrFill")},
      {"cboQuantN",
       "Note quantise while recording, as 1/n note; 0 = off (change with run-time quantise command)"},
      {"lblQuantN", Same("cboQuantN")},
      {"lblvQuantN", Same("lblQuantN")},
      {"cboQuantS", "Seq length quantise, as 1/n note (change with run-time quantise command)"},
      {"lblQuantS", Same("cboQuantS")},
      {"lblvQuantS", Same("lblQuantS")},
      {"cboTSigBeats", "Time signature: beats per bar (change with run-time time-sig command)"},
      {"cboTSigFrac",
       "Time signature: beat length as a note fraction (change with run-time time-sig command)"},
      {"lblvTSig", "Time signature in force"},
      {"lblvBar", "Bar number"},
      {"lblvBeat", "Beat number within the bar"},
      // Clock.
      {"cboTempoIntMSB", "High part of internal clock tempo in " + std::to_string(1000) +
                             "x bpm units (change with run-time tempo command if internal clocks)"},
      {"cboTempoIntLSB",
       "Internal clock tempo in bpm (change with run-time tempo command if internal clocks)"},
      {"lblvTempoInt", "Internal clock tempo in bpm"},
      {"lblTempoSlew", "Time taken to glide to a new tempo (change with run-time tempo-slew command)"},
      {"lblvTempoSlew", Same("lblTempoSlew")},
      {"lblClocksSource", "Source of the tempo clock: internal, or MIDI clock from an input port"},
      {"rbClocksInt", "Use the internal clock"},
      {"rbClocksExt", "Use MIDI clock from the external clock input port"},
      {"chkClocksExtLock", "Stay locked to the external clock once it has been found"},
      {"lblvTempoExt", "External clock tempo in bpm"},
      {"shpMetrLight", "Metronome light; flashes on each beat"},
      // Load lights.
      {"lblLoad", "Overload warning lights"},
      {"lblvMidiInLimit", "If lit, MIDI input overload; click Help, Performance"},
      {"lblvDspMetrLimit", "If lit, metronome display can't keep up; click Help, Performance"},
      {"lblvDspStatusLimit", "If lit, status display can't keep up; click Help, Performance"},
      {"lblvDspDiagLimit", "If lit, diagnostics display can't keep up; click Help, Performance"},
      // Ports.
      {"sbtnSaveConfig", "Save all settings to the current config file"},
      {"lblvInPort0Name", "Main control input port"},
      {"chkAuxInPortReqd", "Use a second (auxiliary) control input port"},
      {"lstInDNames",
       "Devices found; double-click, or select & click right arrow, to allocate as input ports 1-9"},
      {"lstOutDNames",
       "Devices found; double-click, or select & click right arrow, to allocate as output ports 1-9"},
      {"lstInPNames",
       "Allocated ports; double-click, or select & click name button, to rename port; select & click left "
       "arrow to "
       "de-allocate it"},
      {"lstOutPNames", Same("lstInPNames")},
      {"sbtnRenameInPort", "Rename the selected input port"},
      {"sbtnRenameOutPort", "Rename the selected output port"},
      {"edtInPName",
       "Enter new port name, such as Synth, Drum machine etc; delete to revert to original device name"},
      {"edtOutPName", Same("edtInPName")},
      {"sbtnDone", "Close the port allocation panel"},
      {"pnlConfigInPorts", "Input port allocation"},
      {"pnlConfigOutPorts", "Output port allocation"},
      {"lblMidiOutClocks", "Send MIDI clock on this output port"},
      {"lblMidiOutSync", "Send MIDI start, continue and stop on this output port"},
  };
  rows.insert(rows.end(), more.begin(), more.end());
  for (int32_t p = 0; p < kPorts; ++p)
    rows.push_back({"chkMidiOutClocks" + std::to_string(p), Same("lblMidiOutClocks")});
  for (int32_t p = 0; p < kPorts; ++p)
    rows.push_back({"chkMidiOutSync" + std::to_string(p), Same("lblMidiOutSync")});

  const std::vector<THintRow> rest = {
      {"lblMidiInSync", "Respond to MIDI start, continue and stop from the input ports"},
      {"chkMidiInSyncInt",
       "Respond to MIDI start and stop from the input ports when using the internal clock"},
      {"chkMidiInSyncExt",
       "Respond to MIDI start and stop from the input ports when using an external clock"},
      {"lblIn0", "MIDI ports in use; click Settings, Ports to change them"},
      {"lblIn1", Same("lblIn0")},
      {"lblOut", Same("lblIn0")},
      {"pnlKinetrace",
       "Kinetrace mouse buttons: alt: shape, shift: size, ctrl: decay, ctrl+alt: tail, alt+shift: style, l: "
       "rand "
       "cols, r: bg col"},
      {"cboTarloPNo", "Keyboard label link port no."},
      {"cboTarloSysexDevId", "Keyboard label link sysex device id"},
      // File menu.
      {"mnuFileLoadMidiAllParts", "Load a MIDI file into all parts of all seqs"},
      {"mnuFileLoadMidiActiveParts", "Load a MIDI file into the active parts of all seqs"},
      {"mnuFileLoadDragDropActiveParts", "Dropped MIDI files load into the active parts of all seqs"},
      {"mnuFileLoadDragDropAllParts", "Dropped MIDI files load into all parts of all seqs"},
      {"mnuFileLoadPatterns", "Load the example patterns"},
      {"mnuFileLoadQuickStart", "Load the Quick Start example"},
      {"mnuFileLoadTutorial", "Load the Tutorial example"},
      {"mnuFileLoadSample1", "Load sample 1"},
      {"mnuFileLoadSample2", "Load sample 2"},
      {"mnuFileLoadTestA", "Load test file A"},
      {"mnuFileLoadTestB", "Load test file B"},
      {"mnuFileLoadExtScenes", "Load scenes embedded in MIDI files"},
      {"mnuFileLoadProgChanges", "Apply the prog changes saved in MIDI files when loading them"},
      {"mnuFileSaveProgChanges", "Save the current prog changes in MIDI files"},
      {"mnuFileIgnoreEmbeddedProgChanges",
       "Ignore prog change events recorded within seqs when loading MIDI files"},
      {"mnuFileSaveMidiAllParts", "Save all parts of all seqs to a MIDI file"},
      {"mnuFileSaveMidiActiveParts", "Save the active parts of all seqs to a MIDI file"},
      {"mnuFileExplore", "Open the Vellorine files folder"},
      {"mnuFileDeleteAllParts", "Delete the recordings of all parts of all seqs"},
      {"mnuFileDeleteSelSeqs", "Delete the recordings of the selected seqs"},
      {"mnuFileResetLive", "Reset the live play attributes"},
      {"mnuFileResetAllParts", "Reset the play attributes of all parts of all seqs"},
      {"mnuFileResetSelSeqs", "Reset the play attributes of the selected seqs"},
      {"mnuFileExit", "Close program; all seqs & config will be lost unless saved"},
      // Settings menu.
      {"mnuCfgMChan", "Channel multiplier settings of each output port"},
      {"mnuCfgKeyMaps", "Key map settings"},
      {"mnuCfgColours", "Colour settings"},
      {"mnuCfgPerformance", "Performance settings: timer and display refresh intervals"},
      {"mnuCfgKinetrace", "Kinetrace live note display settings"},
      {"mnuCfgBehaviour", "Behaviour settings of commands and recording"},
      {"mnuCfgTiming", "Timing settings: clock, tempo, quantise and double-press"},
      {"mnuCfgVKbd", "Virtual keyboard settings"},
      {"mnuCfgMetr", "Metronome settings"},
      {"mnuCfgMetrSeq", "Choose the metronome seq"},
      {"mnuCfgBass", "Bass metronome styles"},
      {"mnuCfgDrum", "Drum metronome styles"},
      // Config menu.
      {"mnuConfigSaveAllToDefault",
       "Save all settings to the default auto-run file (will automatically load & run at next restart)"},
      {"mnuConfigSaveAllToNamed", "Save all settings to a named config file"},
      {"mnuConfigSaveKeyMaps", "Save the key maps to a file"},
      {"mnuConfigSaveColours", "Save the colours to a file"},
      {"mnuConfigLoadAllFromNamed", "Load all settings from a named config file"},
      {"mnuConfigLoadKeyMaps", "Load key maps from a file"},
      {"mnuConfigLoadColours", "Load colours from a file"},
      {"mnuConfigEditDefault", "Edit the default auto-run file"},
      {"mnuConfigDeleteDefault",
       "Delete the default auto-run file, so that no settings load & run at next restart"},
      {"mnuConfigExploreDefault", "Open the folder of the default auto-run file"},
      {"mnuConfigEditNamed", "Edit a named config file"},
      // Action menu.
      {"mnuActionEsc", "Cancel the current command and return to live mode"},
      // View menu.
      {"mnuViewTemplateOptions", "Show the virtual keyboard template"},
      {"mnuTemplateOnTop", "Keep the virtual keyboard template on top of other windows"},
      {"mnuTemplateReset", "Reset the virtual keyboard template's size and place"},
      {"mnuViewKModeTitleColours", "Colour the window title by key mode"},
      {"mnuViewKModeInputColours", "Colour the input display by key mode"},
      {"mnuViewSolidTracks", "Show solid track lanes"},
      {"mnuViewSeqNumPosn", "Show the numeric playback position of long seqs in place of their lanes"},
      {"mnuViewColumns", "Choose the seq status columns shown"},
      {"mnuViewPortNames", "Show port names in place of port numbers"},
      {"mnuViewProgNames", "Show prog names with prog numbers"},
      {"mnuViewSeqLen", "Show the seq length column"},
      {"mnuViewMidiActivity", "Show the MIDI activity lights"},
      {"mnuViewScale", "Show the scale column"},
      {"mnuViewTDiv", "Show the tempo divider column"},
      {"mnuViewSeqGrid", "Show the bar and beat grid on the track lanes"},
      {"mnuViewProgVersion", "Show the program version in the window title"},
      {"mnuViewKinetrace", "Show the Kinetrace live note display"},
      // Kinetrace menu.
      {"mnuKinetraceClear", "Clear the Kinetrace display"},
      {"mnuKinetraceRandCols", "Random Kinetrace channel colours"},
      {"mnuKinetraceImgFile", "Load a Kinetrace background image"},
      {"mnuKinetraceImgUnload", "Unload the Kinetrace background image"},
      {"mnuKinetraceImgVisible", "Show the Kinetrace background image"},
      {"mnuKinetraceImgStretch", "Stretch the Kinetrace background image to fit"},
      {"mnuKinetraceImgPrev", "Previous image in the background image folder"},
      {"mnuKinetraceImgNext", "Next image in the background image folder"},
      {"mnuKinetraceIncShape", "Change the Kinetrace note shape"},
      {"mnuKinetraceDecShape", Same("mnuKinetraceIncShape")},
      {"mnuKinetraceIncSize", "Change the Kinetrace note size"},
      {"mnuKinetraceDecSize", Same("mnuKinetraceIncSize")},
      {"mnuKinetraceIncDecay", "Change the Kinetrace note decay time"},
      {"mnuKinetraceDecDecay", Same("mnuKinetraceIncDecay")},
      {"mnuKinetraceIncTail", "Change the Kinetrace note tail length"},
      {"mnuKinetraceDecTail", Same("mnuKinetraceIncTail")},
      {"mnuKinetraceIncStyle", "Change the Kinetrace display style"},
      {"mnuKinetraceDecStyle", Same("mnuKinetraceIncStyle")},
      {"mnuKinetraceIncPosn", "Change the Kinetrace display position"},
      {"mnuKinetraceDecPosn", Same("mnuKinetraceIncPosn")},
      {"mnuViewAutoHints", "Show status bar hints for all Vellorine windows"},
      // Tools menu.
      {"mnuToolsKeyMapper", "Key mapper: view and change the key maps"},
      {"mnuToolsDspKeyMaps", "Show the key maps as a table"},
      {"mnuToolsColourPicker", "Pick a colour and show its value"},
      {"mnuToolsDiag", "Diagnostics window: MIDI traces and log"},
      {"mnuToolsGMPrograms", "General MIDI program names"},
      {"mnuToolsGMDrums", "General MIDI drum names"},
      {"mnuToolsTarlo", "Keyboard label link on or off"},
      {"mnuToolsSampleAid", "Sample aid: step through notes to record samples"},
      // Windows menu.
      {"mnuWindowWidth", "Fit the main window's width to its columns"},
      {"mnuWindowHeight", "Fit the main window's height to its seqs"},
      {"mnuWindowCentreAll", "Centre all windows on the screen"},
      // Help menu.
      {"mnuHelpReadFirst", "Read this first"},
      {"mnuHelpQuickStart", "Quick start guide"},
      {"mnuHelpTutorial", "Tutorial"},
      {"mnuHelpCmdRef", "Command reference"},
      {"mnuHelpTemplates", "Keyboard templates"},
      {"mnuHelpWordMacro", "Word processor macro for keyboard templates"},
      {"mnuHelpPerf", "What the load lights mean"},
      {"mnuHelpModsHistory", "Changes in each program version"},
      {"mnuHelpCheckProgVersion", "Check the Vellorine web site for a newer program version"},
      {"mnuHelpAbout", "Program version and information"},
      {"mnuHelpVideos", "Videos on the internet"},
      {"mnuVideosQuickStart", "Quick start videos"},
      {"mnuVideosVirtualTestDrive", "Virtual test drive videos"},
      {"mnuVideosSampleAid", "Sample aid videos"},
      {"mnuHelpExamples", "User examples shared on the Vellorine web site"},
  };
  rows.insert(rows.end(), rest.begin(), rest.end());

  // Shared hints take their source's text; sources stand before the rows that share them.
  std::map<std::string, std::string> byName;
  for (THintRow& row : rows) {
    if (!row.Hint.empty() && row.Hint[0] == '=') row.Hint = byName.at(row.Hint.substr(1));
    byName[row.Name] = row.Hint;
  }
  return rows;
}

}  // namespace vel
