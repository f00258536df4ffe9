#pragma once
// The File, Config and Settings menus and the files dropped on the main window: MIDI files in and
// out, demos and folders, the settings files, the factory resets, and the Settings menu's windows.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/forms/MainArea.h"

namespace vel {

class TSelectionRule;

class TFileMenus : public TMainArea {
 public:
  // Wires the menus' items and accepts drops on the window.
  explicit TFileMenus(TfrmMain& form);
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
  // The menus, wired once by the constructor.
  void WireFileMenu();
  void WireFileResets();
  void WireConfigMenu();
  void WireSettingsMenu();
};

}  // namespace vel
