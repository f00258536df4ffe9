#pragma once
// The rules and texts of the main window's File, Config and Settings menus and of dropped files:
// what each menu enables when it opens, its hints and questions, the selection rule of the
// "Selection" operations and the file dialogs' set-up. GUI thread only.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/RunControl.h"

namespace vel {

inline constexpr const char* kNoOutPortText =
    "Please configure at least one output port\r\n\r\nClick 'Settings, Ports' to allocate ports";
inline constexpr const char* kTooManyDropsText = "Cannot drag/drop more than 1 file at a time";
inline constexpr const char* kDefaultCfgName = "SeqDefaults.txt";

// "standard" or "novice": the factory settings a reset goes back to.
std::string_view ModeWord(bool standardMode);

// The warning after a load in Config that put MIDI data into the metronome seq.
std::string MetrSeqOverwrittenText(int32_t metrSeqNo, bool standardMode);
// The mode switch's question; stopFirst adds the stuck-notes advice (running with a seq playing).
std::string ModeSwitchQuestion(bool standardMode, bool stopFirst);
// The question before a settings file is opened in the desktop's editor.
std::string ViewEditQuestion(const std::string& name, bool isDefault);
// Why SaveDefaultConfig refuses while the Config menu is disabled.
std::string SaveRefusalText(bool portPanelShowing);
// "Can't load drum styles while metronome drum seq running" and its three twins.
std::string StyleRefusalText(bool drum, bool load);

// A file dialog as the menus set it up; the filter in the "text|pattern" form the settings
// reader's dialogs also use.
struct TFileDialog {
  bool Save = false;
  std::string Title;
  std::string Folder;
  std::string DefaultExt;
  std::string Filter;
  bool operator==(const TFileDialog&) const = default;
};
TFileDialog MidiFileDialog(bool save, bool allParts);
TFileDialog ViewEditDialog();
// "MIDI files (*.mid)|*.mid" as the toolkit writes filters: "MIDI files (*.mid)", pairs joined by
// ";;"; a text without its patterns gets them in brackets.
std::string QtFileFilter(std::string_view filter);

// Dropped files are taken from the first Running or Config on, not while the settings (re)load
// that starts in Initialising; Stopping keeps Running's answer.
bool DropsAccepted(TProgState state);

// What the File menu enables as it opens.
struct TFileMenuEnabling {
  bool Explore = false;       // "&Open data folder": the run-time folder exists
  bool OutPortItems = false;  // "Reset li&ve", "&Reset seqs", "&Delete seqs", "Load &built-in patterns"
  bool operator==(const TFileMenuEnabling&) const = default;
};
TFileMenuEnabling FileMenuEnabling(bool sceneFolderExists, int32_t outPortsAllocated);
// "6-seq sweep example": standard mode while Running.
bool SweepExampleEnabled(bool standardMode, TProgState state);

// What the Config menu enables and says as it opens.
struct TConfigMenuInput {
  bool DefaultFileExists = false;
  bool AppDataFolderExists = false;
  TProgState State = TProgState::Config;
  bool StandardMode = true;
  // As the program state left them.
  bool LoadNamedEnabled = true;
  bool ResetAllEnabled = true;
};
struct TConfigMenuView {
  bool EditDefault = false;
  bool DeleteDefault = false;
  bool ExploreDefault = false;
  bool LoadFromDefault = false;
  std::string LoadFromDefaultHint;
  std::string LoadNamedHint;
  std::string ResetColoursHint;
  std::string ResetKMapsHint;
  std::string ResetAllHint;
  std::string ModeHint;
};
TConfigMenuView ConfigMenuView(const TConfigMenuInput& in);
// The hint of "&Ports, MIDI" as the Settings menu opens.
std::string PortsMenuHint(TProgState state);

// The settings windows of the Settings menu: item name and window title.
struct TSettingsItem {
  const char* Item;
  const char* Title;
};
inline constexpr TSettingsItem kSettingsItems[] = {
    {"mnuCfgKeyMaps", "Key Mapper"},
    {"mnuCfgBehaviour", "Settings - Behaviour/Safety"},
    {"mnuCfgMChan", "Settings - Channel multiplier"},
    {"mnuCfgColours", "Settings - Colours"},
    {"mnuCfgMetrSeq", "Settings - Metronome"},
    {"mnuCfgBass", "Settings - Metronome bass"},
    {"mnuCfgDrum", "Settings - Metronome drum"},
    {"mnuCfgPerformance", "Settings - Performance"},
    {"mnuCfgKinetrace", "Settings - Kinetrace"},
    {"mnuCfgTiming", "Settings - Timing/Recording/MIDI"},
    {"mnuCfgVKbd", "Settings - Virtual keyboard"},
};
// A window's caption: the title, after the program's name and version when they are to be shown.
std::string SettingsCaption(std::string_view title);

// The selection rule of every "Selection" operation: with no seq selected, every seq in use is
// selected for the operation and deselected after it, whatever the user answered. Takes
// EngineLock for each step, never across the operation's boxes.
class TSelectionRule {
 public:
  TSelectionRule();
  ~TSelectionRule();
  TSelectionRule(const TSelectionRule&) = delete;
  TSelectionRule& operator=(const TSelectionRule&) = delete;
  bool SelectedAll() const { return selectedAll_; }

 private:
  bool selectedAll_ = false;
};

// The metronome seq's playing part is not Stopped. Takes EngineLock.
bool MetrSeqRunning();
// A file load put events into the metronome seq (its message follows). Takes EngineLock.
bool MetrSeqOverwritten();
// Runs a file operation under EngineLock; its boxes and topics come once it lets go.
bool RunFileOp(const std::function<bool()>& op);
// Live output's attributes and the note displays are reset. Takes EngineLock.
void ResetLiveOutput();
// A loaded configuration starts with empty parts: every part's events go, and only they (the
// seqs' velocity, mute, scale and pitch lock were just loaded into the parts).
void ClearAllPartEvents();
// A style load or reset must wait while the metronome plays that family on a seq that runs.
bool StyleChangeRefused(bool drum);

}  // namespace vel
