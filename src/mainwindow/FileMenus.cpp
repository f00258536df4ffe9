#include "mainwindow/FileMenus.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "files/MidiFile.h"
#include "mainwindow/Caption.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr const char* kMustStop = " (must be stopped first)";

}  // namespace

std::string_view ModeWord(bool standardMode) {
  return standardMode ? "standard" : "novice";
}

std::string MetrSeqOverwrittenText(int32_t metrSeqNo, bool standardMode) {
  std::string text =
      "MIDI data has just been loaded into the sequence allocated as the audible metronome (seq " +
      std::to_string(metrSeqNo + 1) + ")\r\nThe metronome pattern will overwrite this ";
  if (standardMode)
    return text + "unless you turn it off before clicking Run\r\n(see 'Settings, Metronome, Seq no.')";
  return text + "when you click Run (novice mode only)";
}

std::string ModeSwitchQuestion(bool standardMode, bool stopFirst) {
  std::string text = standardMode ? "About to turn on novice mode, ok?"
                                  : "About to turn off novice mode and revert to full operation, ok?";
  if (stopFirst) text += "\r\n\r\nPlease stop all seqs first to reduce chance of stuck notes";
  // A box shows its text as it stands: one "&", where a menu caption would need two.
  text += "\r\n\r\nConfiguration & key maps will be reset to ";
  if (standardMode) return text + "novice factory settings";
  return text +
         "standard factory settings,\r\nso check/adjust your settings afterwards and re-save the config";
}

std::string ViewEditQuestion(const std::string& name, bool isDefault) {
  const std::string t =
      "\r\n\r\nIf you make any changes, save the file in plain text format,\r\n"
      "(most text editors do this automatically),\r\n";
  if (isDefault)
    return "About to view/edit the default auto-run config file, ok?" + t +
           "then reload it via 'Config, Load...', or restart Vellorine";
  return "About to view/edit file '" + name + "', ok?" + t + "then reload it via 'Config, Load...'";
}

std::string SaveRefusalText(bool portPanelShowing) {
  return std::string("Unable to save config file while ") +
         (portPanelShowing ? "Port allocation screen is active" : "main 'Config' menu is disabled");
}

std::string StyleRefusalText(bool drum, bool load) {
  const char* family = drum ? "drum" : "bass";
  return std::string("Can't ") + (load ? "load " : "reset ") + family + " styles while metronome " + family +
         " seq running";
}

TFileDialog MidiFileDialog(bool save, bool allParts) {
  TFileDialog d;
  d.Save = save;
  d.Title = std::string(save ? "MIDI save - " : "MIDI load - ") +
            (allParts ? "all parts of all seqs" : "active parts of selected seqs only");
  d.Folder = save ? Cfg.LastSavedMidiFolder : Cfg.LastLoadedMidiFolder;
  d.DefaultExt = "mid";
  d.Filter = "MIDI files (*.mid)|*.mid";
  return d;
}

TFileDialog ViewEditDialog() {
  TFileDialog d;
  d.Title = "View/Edit config";
  d.Folder = Cfg.LastLoadedConfigFolder;
  d.DefaultExt = "txt";
  d.Filter = "Text files (*.txt)|*.txt";
  return d;
}

std::string QtFileFilter(std::string_view filter) {
  std::string out;
  while (!filter.empty()) {
    const std::size_t bar = filter.find('|');
    const std::string_view text = filter.substr(0, bar);
    std::string_view patterns;
    if (bar == std::string_view::npos) {
      filter = {};
    } else {
      filter.remove_prefix(bar + 1);
      const std::size_t next = filter.find('|');
      patterns = filter.substr(0, next);
      filter = next == std::string_view::npos ? std::string_view{} : filter.substr(next + 1);
    }
    if (!out.empty()) out += ";;";
    out += text;
    if (text.find('(') == std::string_view::npos && !patterns.empty()) {
      // The toolkit reads the patterns from the brackets, separated by blanks.
      std::string p(patterns);
      for (char& c : p)
        if (c == ';') c = ' ';
      out += " (" + p + ")";
    }
  }
  return out;
}

bool DropsAccepted(TProgState state) {
  return state == TProgState::Running || state == TProgState::Stopping || state == TProgState::Config;
}

TFileMenuEnabling FileMenuEnabling(bool sceneFolderExists, int32_t outPortsAllocated) {
  return {sceneFolderExists, outPortsAllocated >= 0};
}

bool SweepExampleEnabled(bool standardMode, TProgState state) {
  return standardMode && state == TProgState::Running;
}

TConfigMenuView ConfigMenuView(const TConfigMenuInput& in) {
  TConfigMenuView v;
  v.EditDefault = in.DefaultFileExists;
  v.DeleteDefault = in.DefaultFileExists;
  v.ExploreDefault = in.AppDataFolderExists;
  v.LoadFromDefault = in.DefaultFileExists && in.State == TProgState::Config;
  v.LoadFromDefaultHint =
      "Load full configuration from the default auto-run file (mimics the auto-run start-up process)";
  if (!v.LoadFromDefault) v.LoadFromDefaultHint += kMustStop;
  v.LoadNamedHint = "Load full configuration from any previously saved file";
  if (!in.LoadNamedEnabled) v.LoadNamedHint += kMustStop;
  const std::string m(ModeWord(in.StandardMode));
  v.ResetColoursHint = "Reset screen colours only to " + m + " factory settings";
  v.ResetKMapsHint = "Reset key maps only to " + m + " factory settings";
  v.ResetAllHint = "Reset full current configuration to " + m + " factory settings";
  if (!in.ResetAllEnabled) v.ResetAllHint += kMustStop;
  v.ModeHint = in.StandardMode
                   ? "Turn on novice mode for training with the novice keyboard template & reduced display"
                   : "Turn off novice mode and revert to full operation";
  return v;
}

std::string PortsMenuHint(TProgState state) {
  std::string hint = "Allocate & rename MIDI ports, clocks, sync, Tarlo";
  if (state != TProgState::Config) hint += " (only port names, clock & sync can be changed in Run mode)";
  return hint;
}

std::string SettingsCaption(std::string_view title) {
  if (!Cfg.DspProgVersionReqd) return std::string(title);
  return ProgVersionText(true, false) + " " + std::string(title);
}

TSelectionRule::TSelectionRule() {
  std::lock_guard lock(EngineLock);
  if (AnySeqSelected()) return;
  SelectAllSeqs();
  selectedAll_ = true;
}

TSelectionRule::~TSelectionRule() {
  if (!selectedAll_) return;
  std::lock_guard lock(EngineLock);
  DeselectAll();
}

bool MetrSeqRunning() {
  std::lock_guard lock(EngineLock);
  return Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo < kSeqs && SeqBuf(Cfg.MetrSeqNo).SeqState != TSeqState::Stopped;
}

bool StyleChangeRefused(bool drum) {
  // The metronome type is switched from the keyboard too: read under the lock.
  std::lock_guard lock(EngineLock);
  return (Cfg.MetrTypePitchLocked != 0) == drum && MetrSeqRunning();
}

void ClearAllPartEvents() {
  std::lock_guard lock(EngineLock);
  for (int32_t part = 0; part < kParts; ++part)
    for (int32_t seq = 0; seq < kSeqs; ++seq) ClearPartBuf(part, seq);
}

bool MetrSeqOverwritten() {
  std::lock_guard lock(EngineLock);
  return Files.MetrSeqLoaded && Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo < kSeqs &&
         SeqBuf(Cfg.MetrSeqNo).Head != -1;
}

bool RunFileOp(const std::function<bool()>& op) {
  const TUiAfterLock after;
  std::lock_guard lock(EngineLock);
  return op();
}

void ResetLiveOutput() {
  std::lock_guard lock(EngineLock);
  ResetLiveAttribs();
  ResetNoteDisplays();
}

}  // namespace vel
