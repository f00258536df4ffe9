#pragma once
// The File, Config and Settings menus and the files dropped on the main window: MIDI files in and
// out, demos and folders, the settings files, the factory resets, and the Settings menu's windows.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/MainCombos.h"
#include "mainwindow/WindowRegistry.h"

class QAction;
class QFrame;
class QMenu;
class QToolButton;
class QMainWindow;

namespace vel {

class TSelectionRule;
class TStatusNote;

// The File, Config and Settings menus' items; the window, which takes the drops, shows the status
// texts and owns the Settings menu's items; the folder of the default settings file; and the
// window's own calls after a load: its caption, colours, controls and the whole settings load.
struct TFileMenuWidgets {
  QAction* mnuCfgPorts = nullptr;
  QMenu* mnuConfig = nullptr;
  QAction* mnuConfigDeleteDefault = nullptr;
  QAction* mnuConfigEditDefault = nullptr;
  QAction* mnuConfigEditNamed = nullptr;
  QAction* mnuConfigExploreDefault = nullptr;
  QAction* mnuConfigLoadAllFromDefault = nullptr;
  QAction* mnuConfigLoadAllFromNamed = nullptr;
  QAction* mnuConfigLoadBass = nullptr;
  QAction* mnuConfigLoadColours = nullptr;
  QAction* mnuConfigLoadDrums = nullptr;
  QAction* mnuConfigLoadKeyMaps = nullptr;
  QAction* mnuConfigMode = nullptr;
  QAction* mnuConfigResetAll = nullptr;
  QAction* mnuConfigResetBass = nullptr;
  QAction* mnuConfigResetColours = nullptr;
  QAction* mnuConfigResetDrums = nullptr;
  QAction* mnuConfigResetKMaps = nullptr;
  QAction* mnuConfigSaveAllToDefault = nullptr;
  QAction* mnuConfigSaveAllToNamed = nullptr;
  QAction* mnuConfigSaveBass = nullptr;
  QAction* mnuConfigSaveColours = nullptr;
  QAction* mnuConfigSaveDrums = nullptr;
  QAction* mnuConfigSaveKeyMaps = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuFileDeleteAllParts = nullptr;
  QAction* mnuFileDeleteProgsInAllParts = nullptr;
  QAction* mnuFileDeleteProgsInSelSeqs = nullptr;
  QAction* mnuFileDeleteSelSeqs = nullptr;
  QMenu* mnuFileDeleteSeqs = nullptr;
  QAction* mnuFileExit = nullptr;
  QAction* mnuFileExplore = nullptr;
  QAction* mnuFileIgnoreEmbeddedProgChanges = nullptr;
  QAction* mnuFileLoadAnalog = nullptr;
  QAction* mnuFileLoadDragDropActiveParts = nullptr;
  QAction* mnuFileLoadDragDropAllParts = nullptr;
  QAction* mnuFileLoadExtScenes = nullptr;
  QAction* mnuFileLoadMidiActiveParts = nullptr;
  QAction* mnuFileLoadMidiAllParts = nullptr;
  QMenu* mnuFileLoadMisc = nullptr;
  QMenu* mnuFileLoadPatterns = nullptr;
  QAction* mnuFileLoadPop68 = nullptr;
  QAction* mnuFileLoadPopShuffle = nullptr;
  QAction* mnuFileLoadProgChanges = nullptr;
  QAction* mnuFileLoadQuickStart = nullptr;
  QAction* mnuFileLoadRhumba = nullptr;
  QAction* mnuFileLoadRock = nullptr;
  QAction* mnuFileLoadSamba = nullptr;
  QAction* mnuFileLoadSample1 = nullptr;
  QAction* mnuFileLoadSample2 = nullptr;
  QAction* mnuFileLoadTestA = nullptr;
  QAction* mnuFileLoadTestB = nullptr;
  QAction* mnuFileLoadTutorial = nullptr;
  QAction* mnuFileResetAllParts = nullptr;
  QAction* mnuFileResetLive = nullptr;
  QAction* mnuFileResetSelSeqs = nullptr;
  QMenu* mnuFileResetSeqs = nullptr;
  QAction* mnuFileSaveMidiActiveParts = nullptr;
  QAction* mnuFileSaveMidiAllParts = nullptr;
  QAction* mnuFileSaveProgChanges = nullptr;
  QMenu* mnuSettings = nullptr;
  QFrame* pnlConfigInPorts = nullptr;
  QFrame* pnlConfigOutPorts = nullptr;
  QToolButton* sbtnSaveConfig = nullptr;
  QMainWindow* Window = nullptr;
  const std::string* DataFolder = nullptr;
  std::function<void()> SetCaption;
  std::function<void()> ApplyColourScheme;
  std::function<void(const TMainComboIndices& idx)> SelectMainControls;
  std::function<bool(bool factory, bool autoRun, bool& ok)> LoadConfigAndApply;
};

class TFileMenus : public TWindow {
 public:
  // Wires the menus' items and accepts drops on the window.
  explicit TFileMenus(const TFileMenuWidgets& widgets);
  TFileMenus(const TFileMenus&) = delete;
  TFileMenus& operator=(const TFileMenus&) = delete;
  // The settings file dialogs and the factory reset's reload of the whole window.
  void Answer(TWindowCalls& calls) override;

  // True, after its warning box, when no output port is allocated: the dialogs and drops stop.
  bool NoOutPortWarning();
  void MidiLoadDialog(bool allParts);
  void MidiSaveDialog(bool allParts);
  // The selection the dialog's operation acts on (all parts: none selected; else the selection
  // rule, kept in rule until the operation ends), then the chosen file, "" when cancelled.
  std::string ChooseMidiFile(bool save, bool allParts, std::optional<TSelectionRule>& rule);
  // A MIDI file into the seqs from a menu, a drop, the command line or the auto-run.
  void LoadMidiFileAndWarn(const std::string& fileName, bool allParts);
  // In Config: the loaded values made active and shown, and the metronome seq's warning.
  void WarnMetrSeqOverwritten();
  void LoadDemo(int32_t n);
  void OpenFolder(const std::string& folder);
  // The files dropped on the window, by their full local paths.
  void WMDropFiles(const std::vector<std::string>& names);
  // The Save buttons' save of all settings to the default file; refused while the Config menu is
  // disabled (a Config operation or the port panel is under way).
  void SaveDefaultConfig();
  void ViewEditFile(const std::string& folder, const std::string& name, bool isDefault);
  void ResetKeyMapsToFactory();
  void ResetAllColours();
  void ResetSysColours();
  void ResetDrumStyles();
  void ResetBassStyles();
  void ResetEverything();
  // A settings window joins the Settings menu: its item is enabled and shows the window with its
  // caption. Items without a window stay disabled.
  void SetSettingsWindow(const char* item, std::function<void(const std::string& caption)> show);

 private:
  TFileMenuWidgets w_;
  // The saves' and the settings reader's notes.
  TStatusNote* note_;
  // The menus, wired once by the constructor.
  void WireFileMenu();
  void WireFileResets();
  void WireConfigMenu();
  void WireSettingsMenu();
};

}  // namespace vel
