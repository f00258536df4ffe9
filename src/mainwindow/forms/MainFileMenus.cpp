#include "mainwindow/forms/MainFileMenus.h"

#include <unistd.h>

#include <QAction>
#include <QFileInfo>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>
#include <cerrno>
#include <cstring>
#include <optional>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Dumps.h"
#include "files/MidiFile.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMapsFactory.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/Help.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "mainwindow/forms/StatusNote.h"
#include "settings/CfgBinding.h"
#include "settings/CfgFactory.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

bool Exists(const std::string& path) {
  return QFileInfo::exists(QString::fromStdString(path));
}

bool IsFolder(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isDir();
}

std::string FileMsg(const std::string& message, const std::string& fileName) {
  return FormatFileMsg(message, fileName);
}

bool Confirmed(const std::string& question) {
  return ShowMessage(question, MsgKind::Confirmation, MsgButtons::YesNo) == MsgAnswer::Yes;
}

// The Config menu is disabled while one of its operations runs: its boxes and dialogs run their
// own event loops, and this is what keeps a second operation (or a Save button) out meanwhile.
class TConfigBusy {
 public:
  explicit TConfigBusy(const TFileMenuWidgets& menus) : item_(menus.mnuConfig->menuAction()) {
    item_->setEnabled(false);
  }
  ~TConfigBusy() { item_->setEnabled(true); }
  TConfigBusy(const TConfigBusy&) = delete;
  TConfigBusy& operator=(const TConfigBusy&) = delete;

 private:
  QAction* item_;
};

// Runs a file operation under EngineLock with the busy cursor. The boxes it raises (the operations
// ask nothing; they only report, with an OK button) show once the lock is let go and the cursor is
// back.
bool RunLocked(const std::function<bool()>& op, bool busyCursor) {
  const TUiAfterLock after;
  std::optional<TBusyCursor> busy;
  if (busyCursor) busy.emplace();
  return RunFileOp(op);
}

}  // namespace

// ---- File menu ----

bool TFileMenus::NoOutPortWarning() {
  if (RunCtl.OutPortsAllocated >= 0) return false;
  ShowMessage(kNoOutPortText, MsgKind::Warning);
  return true;
}

std::string TFileMenus::ChooseMidiFile(bool save, bool allParts, std::optional<TSelectionRule>& rule) {
  if (allParts) {
    RunEngineOp(DeselectAll);
  } else {
    rule.emplace();
  }
  return RunFileDialog(MidiFileDialog(save, allParts));
}

void TFileMenus::MidiLoadDialog(bool allParts) {
  if (NoOutPortWarning()) return;
  std::optional<TSelectionRule> rule;
  const std::string name = ChooseMidiFile(false, allParts, rule);
  if (!name.empty()) LoadMidiFileAndWarn(name, allParts);
}

void TFileMenus::MidiSaveDialog(bool allParts) {
  if (NoOutPortWarning()) return;
  std::optional<TSelectionRule> rule;
  const std::string name = ChooseMidiFile(true, allParts, rule);
  if (name.empty()) return;
  // The image is made under the engine lock, the file written after it: a slow disk must not
  // stall the timer.
  std::vector<uint8_t> bytes;
  if (!RunLocked(
          [&] {
            PostDiagMsg("Saving seqs to MIDI file " + name);
            return BuildMidiFileReported(true, allParts, bytes);
          },
          true))
    return;
  bool written = false;
  {
    TBusyCursor busy;
    written = WriteMidiFileBytes(name, bytes, true);
  }
  if (!written) return;
  Cfg.LastSavedMidiFolder = FolderOf(name);
  note_->Show("Seqs saved to " + name);
}

void TFileMenus::LoadMidiFileAndWarn(const std::string& fileName, bool allParts) {
  // The file is read without the engine lock (a slow disk must not stall the timer); the seqs are
  // changed under it, where the load is checked again.
  std::vector<uint8_t> bytes;
  bool read = false;
  if (RunLocked(
          [&] {
            if (!MidiLoadAllowed(true, allParts)) return false;
            Files.MetrSeqLoaded = 0;
            return true;
          },
          false)) {
    TBusyCursor busy;
    read = ReadMidiFileBytes(fileName, true, bytes);
  }
  if (read &&
      RunLocked([&] { return LoadSeqsFromMidiBytes(bytes.data(), bytes.size(), fileName, true, allParts); },
                true))
    Cfg.LastLoadedMidiFolder = FolderOf(fileName);
  WarnMetrSeqOverwritten();
}

void TFileMenus::WarnMetrSeqOverwritten() {
  if (RunCtl.ProgState.load() != TProgState::Config) return;
  ApplyPendingMetre();
  ApplyPendingSeqValues();
  w_.SelectMainControls(LoadMainCombos());
  if (MetrSeqOverwritten())
    ShowMessage(MetrSeqOverwrittenText(Cfg.MetrSeqNo, Cfg.StandardMode != 0), MsgKind::Warning);
}

void TFileMenus::LoadDemo(int32_t n) {
  RunLocked([n] { return LoadSeqsFromMidiFile(n, "Demo " + std::to_string(n + 1), true, true); }, false);
  WarnMetrSeqOverwritten();
}

void TFileMenus::OpenFolder(const std::string& folder) {
  OpenOnDesktop(folder, "folder", Desktop().ShellOpen);
}

void TFileMenus::WMDropFiles(const std::vector<std::string>& names) {
  if (NoOutPortWarning() || names.empty()) return;
  if (names.size() > 1) {
    ShowMessage(kTooManyDropsText, MsgKind::Error);
    return;
  }
  const std::string& name = names.front();
  // A folder would otherwise be read as a file and reported as a broken MIDI file.
  if (IsFolder(name)) {
    ShowMessage("Cannot drag/drop a folder\r\n" + name, MsgKind::Error);
    return;
  }
  const bool activeParts = Cfg.DragDropActiveParts != 0;
  std::optional<TSelectionRule> rule;
  if (activeParts) rule.emplace();
  LoadMidiFileAndWarn(name, !activeParts);
}

// ---- Config menu ----

void TFileMenus::SaveDefaultConfig() {
  if (!w_.mnuConfig->menuAction()->isEnabled()) {
    const bool panel =
        w_.pnlConfigInPorts->isVisibleTo(w_.Window) || w_.pnlConfigOutPorts->isVisibleTo(w_.Window);
    ShowMessage(SaveRefusalText(panel), MsgKind::Warning);
    return;
  }
  const TConfigBusy busy(w_);
  SaveConfigFile(true, CfgFull);
}

void TFileMenus::ViewEditFile(const std::string& folder, const std::string& name, bool isDefault) {
  const std::string path = folder.empty() ? name : folder + "/" + name;
  if (!Exists(path)) {
    ShowMessage("Can't find file\r\n" + path, MsgKind::Error);
    return;
  }
  if (!Confirmed(ViewEditQuestion(name, isDefault))) return;
  ShellOpen(path, [path](int32_t result) {
    if (result != kShellOk) ShowMessage(OpenFailedText("file", path, result), MsgKind::Error);
  });
}

void TFileMenus::ResetKeyMapsToFactory() {
  if (!Confirmed("About to reset all key maps to " + std::string(ModeWord(Cfg.StandardMode != 0)) +
                 " factory settings, ok?"))
    return;
  RunEngineOp(LoadKeyMapsFactory);
  CfgFiles.ConfigFileName.clear();
  w_.SetCaption();
}

namespace {

// The colours in force everywhere after a colour change.
void ApplyColours(const TFileMenuWidgets& menus) {
  menus.ApplyColourScheme();
  PublishTopic(TTopic::KeyColours);
  RunEngineOp(RecolourKeyMaps);
  PublishTopic(TTopic::Colours);
}

}  // namespace

void TFileMenus::ResetAllColours() {
  if (!Confirmed("About to reset all colours to factory settings, ok?")) return;
  LoadColoursFactory();
  ApplyColours(w_);
  CfgFiles.ConfigFileName.clear();
  w_.SetCaption();
}

void TFileMenus::ResetSysColours() {
  if (!Confirmed("About to reset system colours to original settings, ok?")) return;
  LoadColoursSystem();
  w_.ApplyColourScheme();
  PublishTopic(TTopic::Colours);
}

namespace {

void ResetStyles(const TFileMenuWidgets& menus, bool drum) {
  if (StyleChangeRefused(drum)) {
    ShowMessage(StyleRefusalText(drum, false), MsgKind::Error);
    return;
  }
  if (!Confirmed(std::string("About to reset all ") + (drum ? "drum" : "bass") +
                 " styles, patterns and chains to factory settings, ok?"))
    return;
  RunEngineOp(drum ? LoadDrumFactory : LoadBassFactory);
  PublishTopic(drum ? TTopic::DrumStyles : TTopic::BassStyles);
  CfgFiles.ConfigFileName.clear();
  menus.SetCaption();
}

}  // namespace

void TFileMenus::ResetDrumStyles() {
  ResetStyles(w_, true);
}

void TFileMenus::ResetBassStyles() {
  ResetStyles(w_, false);
}

void TFileMenus::ResetEverything() {
  if (!Confirmed("About to reset everything to " + std::string(ModeWord(Cfg.StandardMode != 0)) +
                 " factory settings, ok?"))
    return;
  const TConfigBusy busy(w_);
  ResetAllToFactory();
}

void TFileMenus::SetSettingsWindow(const char* item, std::function<void(const std::string& caption)> show) {
  QAction* action = w_.Window->findChild<QAction*>(item);
  if (!action) return;
  std::string title;
  for (const TSettingsItem& s : kSettingsItems)
    if (std::strcmp(s.Item, item) == 0) title = s.Title;
  action->disconnect(w_.Window);
  action->setEnabled(static_cast<bool>(show));
  if (show)
    QObject::connect(action, &QAction::triggered, w_.Window, [title, show] { show(SettingsCaption(title)); });
}

namespace {

// A subset of the settings from a file the user picks. A cancelled dialog changes nothing; a file
// that fails puts that subset alone back to factory settings (the reader does that).
void LoadSubset(const TFileMenuWidgets& menus, uint8_t kind) {
  if (kind == CfgDrumsOnly || kind == CfgBassOnly) {
    const bool drum = kind == CfgDrumsOnly;
    if (StyleChangeRefused(drum)) {
      ShowMessage(StyleRefusalText(drum, true), MsgKind::Error);
      return;
    }
  }
  const TConfigBusy busy(menus);
  const std::string previous = CfgFiles.ConfigFileName;
  // An empty name makes the reader ask for one.
  CfgFiles.ConfigFileName.clear();
  bool ok = false;
  {
    const TBusyCursor cursor;
    LoadConfig(false, false, kind, ok);
  }
  if (CfgFiles.LastLoadCancelled) {
    CfgFiles.ConfigFileName = previous;
    return;
  }
  // A subset file does not name the whole configuration.
  CfgFiles.ConfigFileName.clear();
  menus.SetCaption();
  switch (kind) {
    case CfgColoursOnly:
      ApplyColours(menus);
      break;
    case CfgDrumsOnly:
      PublishTopic(TTopic::DrumStyles);
      break;
    case CfgBassOnly:
      PublishTopic(TTopic::BassStyles);
      break;
    default:
      break;
  }
}

void SaveSubset(const TFileMenuWidgets& menus, uint8_t kind) {
  const TConfigBusy busy(menus);
  SaveConfigFile(false, kind);
}

void DeleteDefaultFile(const TFileMenuWidgets& menus) {
  const TConfigBusy busy(menus);
  const std::string path = *menus.DataFolder + kDefaultCfgName;
  if (!Exists(path)) {
    ShowMessage("Default auto-run config file does not exist", MsgKind::Warning);
    return;
  }
  if (!Confirmed("About to delete default auto-run config file, ok?\r\n" + path)) return;
  if (::unlink(path.c_str()) != 0) {
    const std::string text =
        FileMsg("Failed to delete auto-run config file", path) + "\r\n" + std::strerror(errno);
    if (Trace.DiagFlags) DiagLogTimed(text);
    ShowMessage(text, MsgKind::Error);
    return;
  }
  if (Trace.DiagFlags) DiagLogTimed("Default auto-run config file deleted");
}

void LoadAllFromDefault(const TFileMenuWidgets& menus) {
  const std::string path = *menus.DataFolder + kDefaultCfgName;
  if (!Exists(path)) return;
  if (!Confirmed(FileMsg("About to load default config file", path) +
                 "\r\n\r\nEverything will be reset to factory settings before loading file, ok?"))
    return;
  const TConfigBusy busy(menus);
  CfgFiles.ConfigFileName = path;
  bool ok = false;
  menus.LoadConfigAndApply(false, true, ok);
}

void LoadAllFromNamed(const TFileMenuWidgets& menus) {
  if (!Confirmed("About to load settings from named config file\r\n\r\n"
                 "Everything will be reset to factory settings before choosing file, ok?"))
    return;
  const TConfigBusy busy(menus);
  // The file is chosen before anything is reset: Cancel leaves every setting, style and port as
  // it was, instead of half a reset.
  const std::string path = CfgLink().OpenDialog
                               ? CfgLink().OpenDialog("Load full config", Cfg.LastLoadedConfigFolder)
                               : std::string();
  if (path.empty()) return;
  CfgFiles.ConfigFileName = path;
  bool ok = false;
  menus.LoadConfigAndApply(false, false, ok);
}

// The switch between novice and standard mode: a reset to the new mode's factory settings, the
// engine stopped first when it runs.
void SwitchMode(const TFileMenuWidgets& menus) {
  const bool standard = Cfg.StandardMode != 0;
  const bool running = RunCtl.ProgState.load() != TProgState::Config;
  const bool playing = AnySeqPlaying();
  // The mark follows the mode, not the click, until the switch is made.
  menus.mnuConfigMode->setChecked(!standard);
  if (!Confirmed(ModeSwitchQuestion(standard, running && playing))) return;
  {
    const TConfigBusy busy(menus);
    if (running) {
      const TBusyCursor cursor;
      StopRunning();
    }
    menus.mnuConfigMode->setChecked(standard);
    Cfg.StandardMode = standard ? 0 : 1;
    menus.SetCaption();
    RefreshAll(false);
    ResetAllToFactory();
  }
}

// The File menu as it opens: items by the ports and the scene folder, marks by the settings.
void ShowFileMenuState(const TFileMenuWidgets& ui) {
  const TFileMenuEnabling e = FileMenuEnabling(IsFolder(Cfg.RunTimeSceneFolder), RunCtl.OutPortsAllocated);
  ui.mnuFileExplore->setEnabled(e.Explore);
  for (QAction* a : {ui.mnuFileResetLive, ui.mnuFileResetSeqs->menuAction(),
                     ui.mnuFileDeleteSeqs->menuAction(), ui.mnuFileLoadPatterns->menuAction()})
    a->setEnabled(e.OutPortItems);
  // The marks show the settings as they are now, also after a settings load.
  ui.mnuFileSaveProgChanges->setChecked(Cfg.SaveProgChanges != 0);
  ui.mnuFileLoadDragDropAllParts->setChecked(Cfg.DragDropActiveParts == 0);
  ui.mnuFileLoadDragDropActiveParts->setChecked(Cfg.DragDropActiveParts != 0);
  ui.mnuFileLoadExtScenes->setChecked(Cfg.LoadExtScenes != 0);
  ui.mnuFileLoadProgChanges->setChecked(Cfg.LoadProgChanges != 0);
  ui.mnuFileIgnoreEmbeddedProgChanges->setChecked(Cfg.IgnoreEmbeddedProgChanges != 0);
}

}  // namespace

// ---- wiring ----

TFileMenus::TFileMenus(const TFileMenuWidgets& widgets)
    : w_(widgets), note_(new TStatusNote(widgets.Window)) {
  w_.Window->setAcceptDrops(true);
  WireFileMenu();
  WireConfigMenu();
  WireSettingsMenu();
}

void TFileMenus::WireFileMenu() {
  auto on = [this](QAction* a, auto fn) { QObject::connect(a, &QAction::triggered, w_.Window, fn); };
  auto opening = [this](QMenu* m, auto fn) { QObject::connect(m, &QMenu::aboutToShow, w_.Window, fn); };
  // File menu.
  opening(w_.mnuFile, [this] { ShowFileMenuState(w_); });
  on(w_.mnuFileSaveMidiAllParts, [this] { MidiSaveDialog(true); });
  on(w_.mnuFileSaveMidiActiveParts, [this] { MidiSaveDialog(false); });
  on(w_.mnuFileLoadMidiAllParts, [this] { MidiLoadDialog(true); });
  on(w_.mnuFileLoadMidiActiveParts, [this] { MidiLoadDialog(false); });
  // The loaders read these on the engine's threads too (scene keys, embedded programs).
  auto toggle = [on](QAction* a, uint8_t& setting) {
    on(a, [&setting](bool checked) { StoreLocked(setting, checked ? 1 : 0); });
  };
  toggle(w_.mnuFileSaveProgChanges, Cfg.SaveProgChanges);
  toggle(w_.mnuFileLoadExtScenes, Cfg.LoadExtScenes);
  toggle(w_.mnuFileLoadProgChanges, Cfg.LoadProgChanges);
  toggle(w_.mnuFileIgnoreEmbeddedProgChanges, Cfg.IgnoreEmbeddedProgChanges);
  auto dragDrop = [this](bool activeParts) {
    w_.mnuFileLoadDragDropActiveParts->setChecked(activeParts);
    w_.mnuFileLoadDragDropAllParts->setChecked(!activeParts);
    Cfg.DragDropActiveParts = activeParts ? 1 : 0;
  };
  on(w_.mnuFileLoadDragDropAllParts, [dragDrop] { dragDrop(false); });
  on(w_.mnuFileLoadDragDropActiveParts, [dragDrop] { dragDrop(true); });
  on(w_.mnuFileExplore, [this] { OpenFolder(Cfg.RunTimeSceneFolder); });
  opening(w_.mnuFileLoadPatterns, [this] { NoOutPortWarning(); });
  opening(w_.mnuFileLoadMisc, [this] {
    w_.mnuFileLoadSample2->setEnabled(SweepExampleEnabled(Cfg.StandardMode != 0, RunCtl.ProgState.load()));
  });
  const std::pair<QAction*, int32_t> demos[] = {{w_.mnuFileLoadQuickStart, 0}, {w_.mnuFileLoadTutorial, 1},
                                                {w_.mnuFileLoadSample1, 2},    {w_.mnuFileLoadSample2, 3},
                                                {w_.mnuFileLoadAnalog, 4},     {w_.mnuFileLoadSamba, 5},
                                                {w_.mnuFileLoadRhumba, 6},     {w_.mnuFileLoadRock, 7},
                                                {w_.mnuFileLoadPopShuffle, 8}, {w_.mnuFileLoadPop68, 9}};
  for (const auto& [action, n] : demos) on(action, [this, n = n] { LoadDemo(n); });
  WireFileResets();
  on(w_.mnuFileExit, [this] { w_.Window->close(); });
}

// Test loads, resets and deletions, each after its question.
void TFileMenus::WireFileResets() {
  auto on = [this](QAction* a, auto fn) { QObject::connect(a, &QAction::triggered, w_.Window, fn); };
  auto opening = [this](QMenu* m, auto fn) { QObject::connect(m, &QMenu::aboutToShow, w_.Window, fn); };
  // The loader takes the engine lock itself and shows its refusal after it.
  on(w_.mnuFileLoadTestA, [] { LoadTestSeqs(true); });
  on(w_.mnuFileLoadTestB, [] { LoadTestSeqs(false); });
  on(w_.mnuFileResetLive, [] {
    if (!Confirmed("About to reset live output, ok?")) return;
    ResetLiveOutput();
  });
  // An operation on all parts, or on the selection by the selection rule.
  auto allOrSelection = [on](QAction* all, QAction* sel, const char* allText, const char* selText,
                             void (*allOp)(), void (*selOp)()) {
    on(all, [allText, allOp] {
      if (Confirmed(allText)) RunEngineOp(allOp);
    });
    on(sel, [selText, selOp] {
      const TSelectionRule rule;
      if (Confirmed(selText)) RunEngineOp(selOp);
    });
  };
  allOrSelection(
      w_.mnuFileResetAllParts, w_.mnuFileResetSelSeqs, "About to reset all parts for all seqs, ok?",
      "About to reset active parts for all selected seqs, ok?", &ResetAllPartsAttribs, &ResetSelSeqs);
  allOrSelection(w_.mnuFileDeleteAllParts, w_.mnuFileDeleteSelSeqs,
                 "About to delete all parts for all seqs, ok?",
                 "About to delete active parts for all selected seqs, ok?", &DeleteAllParts, &DeleteSelSeqs);
  allOrSelection(w_.mnuFileDeleteProgsInAllParts, w_.mnuFileDeleteProgsInSelSeqs,
                 "About to delete prog changes in all parts for all seqs, ok?",
                 "About to delete prog changes in active parts for all selected seqs, ok?",
                 &DeleteProgsInAllParts, &DeleteProgsInSelSeqs);
  opening(w_.mnuFileDeleteSeqs, [this] {
    const bool none = !AnySeqPlaying();
    w_.mnuFileDeleteAllParts->setEnabled(none);
    w_.mnuFileDeleteSelSeqs->setEnabled(none);
  });
}

void TFileMenus::WireConfigMenu() {
  auto on = [this](QAction* a, auto fn) { QObject::connect(a, &QAction::triggered, w_.Window, fn); };
  auto opening = [this](QMenu* m, auto fn) { QObject::connect(m, &QMenu::aboutToShow, w_.Window, fn); };
  // Config menu.
  opening(w_.mnuConfig, [this] {
    TConfigMenuInput in;
    in.DefaultFileExists = Exists(*w_.DataFolder + kDefaultCfgName);
    in.AppDataFolderExists = IsFolder(RunCtl.AppDataFolder);
    in.State = RunCtl.ProgState.load();
    in.StandardMode = Cfg.StandardMode != 0;
    in.LoadNamedEnabled = w_.mnuConfigLoadAllFromNamed->isEnabled();
    in.ResetAllEnabled = w_.mnuConfigResetAll->isEnabled();
    const TConfigMenuView v = ConfigMenuView(in);
    w_.mnuConfigEditDefault->setEnabled(v.EditDefault);
    w_.mnuConfigDeleteDefault->setEnabled(v.DeleteDefault);
    w_.mnuConfigExploreDefault->setEnabled(v.ExploreDefault);
    w_.mnuConfigLoadAllFromDefault->setEnabled(v.LoadFromDefault);
    w_.mnuConfigLoadAllFromDefault->setStatusTip(Q(v.LoadFromDefaultHint));
    w_.mnuConfigLoadAllFromNamed->setStatusTip(Q(v.LoadNamedHint));
    w_.mnuConfigResetColours->setStatusTip(Q(v.ResetColoursHint));
    w_.mnuConfigResetKMaps->setStatusTip(Q(v.ResetKMapsHint));
    w_.mnuConfigResetAll->setStatusTip(Q(v.ResetAllHint));
    w_.mnuConfigMode->setStatusTip(Q(v.ModeHint));
    w_.mnuConfigMode->setChecked(Cfg.StandardMode == 0);
  });
  QObject::connect(w_.sbtnSaveConfig, &QToolButton::clicked, w_.Window, [this] { SaveDefaultConfig(); });
  on(w_.mnuConfigSaveAllToDefault, [this] { SaveDefaultConfig(); });
  on(w_.mnuConfigSaveAllToNamed, [this] { SaveSubset(w_, CfgFull); });
  on(w_.mnuConfigSaveKeyMaps, [this] { SaveSubset(w_, CfgKeyMapsOnly); });
  on(w_.mnuConfigSaveColours, [this] { SaveSubset(w_, CfgColoursOnly); });
  on(w_.mnuConfigSaveBass, [this] { SaveSubset(w_, CfgBassOnly); });
  on(w_.mnuConfigSaveDrums, [this] { SaveSubset(w_, CfgDrumsOnly); });
  on(w_.mnuConfigLoadAllFromDefault, [this] { LoadAllFromDefault(w_); });
  on(w_.mnuConfigLoadAllFromNamed, [this] { LoadAllFromNamed(w_); });
  on(w_.mnuConfigLoadKeyMaps, [this] { LoadSubset(w_, CfgKeyMapsOnly); });
  on(w_.mnuConfigLoadColours, [this] { LoadSubset(w_, CfgColoursOnly); });
  on(w_.mnuConfigLoadBass, [this] { LoadSubset(w_, CfgBassOnly); });
  on(w_.mnuConfigLoadDrums, [this] { LoadSubset(w_, CfgDrumsOnly); });
  on(w_.mnuConfigResetAll, [this] { ResetEverything(); });
  on(w_.mnuConfigResetKMaps, [this] { ResetKeyMapsToFactory(); });
  on(w_.mnuConfigResetColours, [this] { ResetAllColours(); });
  on(w_.mnuConfigResetBass, [this] { ResetBassStyles(); });
  on(w_.mnuConfigResetDrums, [this] { ResetDrumStyles(); });
  on(w_.mnuConfigEditDefault, [this] { ViewEditFile(RunCtl.AppDataFolder, kDefaultCfgName, true); });
  on(w_.mnuConfigDeleteDefault, [this] { DeleteDefaultFile(w_); });
  on(w_.mnuConfigExploreDefault, [this] { OpenFolder(RunCtl.AppDataFolder); });
  on(w_.mnuConfigEditNamed, [this] {
    const std::string path = RunFileDialog(ViewEditDialog());
    if (path.empty()) return;
    const std::string folder = FolderOf(path);
    Cfg.LastLoadedConfigFolder = folder;
    ViewEditFile(folder, path.substr(path.find_last_of('/') + 1), false);
  });
  on(w_.mnuConfigMode, [this] { SwitchMode(w_); });
}

void TFileMenus::WireSettingsMenu() {
  auto opening = [this](QMenu* m, auto fn) { QObject::connect(m, &QMenu::aboutToShow, w_.Window, fn); };
  // Settings menu: the port panel is the port panel's own; the other items wait for their windows.
  opening(w_.mnuSettings,
          [this] { w_.mnuCfgPorts->setStatusTip(Q(PortsMenuHint(RunCtl.ProgState.load()))); });
  for (const TSettingsItem& s : kSettingsItems) SetSettingsWindow(s.Item, nullptr);
}

void TFileMenus::Answer(TWindowCalls& calls) {
  // The settings reader and writer ask for their files through the same dialogs; the factory reset
  // reloads the whole window.
  auto cfgDialog = [](bool save) {
    return [save](const std::string& title, const std::string& folder) {
      return RunFileDialog({save, title, folder, "txt", "Text files (*.txt)|*.txt"});
    };
  };
  calls.Cfg.OpenDialog = cfgDialog(false);
  calls.Cfg.SaveDialog = cfgDialog(true);
  // The settings reader's and writer's notes ("Config converted", a kept copy) go to the status bar.
  calls.Cfg.SetStatusText = [this](const std::string& text) { note_->Show(text); };
  // Once the window is gone the factory reset loads the settings alone.
  calls.Cfg.LoadConfigAndApplyFactory = [this] {
    bool ok = false;
    w_.LoadConfigAndApply(true, false, ok);
  };
}

}  // namespace vel
