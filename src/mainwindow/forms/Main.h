#pragma once
#include <QMainWindow>
#include <QPalette>
#include <QPixmap>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Sizes.h"
#include "mainwindow/Layout.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/ViewMenus.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QTimer;

namespace Ui {
class frmMain;
}

namespace vel {

class TStatusDisplay;
struct TProgStateView;
struct TCtlState;
class TSelectionRule;
class THelpMenu;
class TLanesAndKinetrace;
class TViewMenus;
class TFileMenus;
class TControlGroups;
class TPortPanel;
class TComputerKeys;
class TfrmCfgColours;
class TfrmCfgPerf;
class TfrmCfgKinetrace;
class TfrmCfgBehaviour;
class TfrmCfgTiming;
class TfrmCfgVKbd;
class TfrmCfgMetr;
class TfrmCfgMChan;
class TfrmCfgStyle;
class TfrmReference;
class TfrmDiag;
class TfrmSampleAid;
class TfrmKeyMaps;
class TfrmKeyMapper;
class TfrmTemplate;

// The main window. Its creation is the program's start-up: the per-copy locks, the folders, the
// command line, the settings, the layout and colours; closing it asks, stops tidily and ends.
class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // False when start-up could not take its locks: the program ends at once.
  bool Started() const { return started_; }

  // The question before closing; the stuck-notes line only while a seq plays.
  static std::string CloseQuestionText(bool seqPlaying);

  bool LoadConfigAndApply(bool factory, bool autoRun, bool& ok);
  void LayoutSeqStatusColumns();
  // Seq panel, rows, live panel and lanes to the window's width (each resize).
  void LayoutSeqStatusWidths();
  void PlaceGroupBoxes();
  void ApplyColourScheme();
  void SaveRestoreSysColours(bool save);
  void SetCaption();

  // The window's areas: controllers with their own state and handlers, each in its own files
  // (MainStatus, MainLanes, MainControls, MainFileMenus, MainViewMenus, MainPortPanel, MainHelp,
  // MainKeys), made and registered with the window registry in MainWiring.cpp.
  TStatusDisplay& Status() { return *status_; }
  TLanesAndKinetrace& Lanes() { return *lanes_; }
  TControlGroups& Controls() { return *controls_; }
  TFileMenus& Files() { return *files_; }
  TViewMenus& Views() { return *views_; }
  THelpMenu& Help() { return *help_; }
  // The settings windows, made hidden with the main window (MainWiring.cpp).
  TfrmCfgColours& CfgColours() { return *cfgColours_; }
  TfrmCfgPerf& CfgPerf() { return *cfgPerf_; }
  TfrmCfgKinetrace& CfgKinetrace() { return *cfgKinetrace_; }
  TfrmCfgVKbd& CfgVKbd() { return *cfgVKbd_; }
  TfrmCfgMetr& CfgMetr() { return *cfgMetr_; }
  TfrmCfgBehaviour& CfgBehaviour() { return *cfgBehaviour_; }
  TfrmCfgTiming& CfgTiming() { return *cfgTiming_; }
  TfrmCfgMChan& CfgMChan() { return *cfgMChan_; }
  TfrmCfgStyle& CfgDrum() { return *cfgDrum_; }
  TfrmCfgStyle& CfgBass() { return *cfgBass_; }
  // The reference windows, children of this one; the shortcut help waits for the keyboard window.
  TfrmReference* QwertyHelp() const { return qwertyHelp_; }
  TfrmReference* GMPrograms() const { return gmPrograms_; }
  TfrmReference* GMDrums() const { return gmDrums_; }
  TfrmDiag& Diag() { return *diag_; }
  TfrmSampleAid& SampleAidWindow() { return *sampleAid_; }
  TfrmKeyMaps& KeyMaps() { return *keyMaps_; }
  TfrmKeyMapper& KeyMapper() { return *keyMapper_; }
  TfrmTemplate& Template() { return *template_; }

  // The window's widgets, made from its form; the seq rows and port boxes are made at run time.
  const Ui::frmMain& Widgets() const { return *ui.get(); }
  const TSeqRows& SeqRows() const { return seqRows_; }
  const std::array<QCheckBox*, kPorts>& MidiOutClocks() const { return chkMidiOutClocks; }
  const std::array<QCheckBox*, kPorts>& MidiOutSync() const { return chkMidiOutSync; }
  const TColumnLayout& Columns() const { return columns_; }
  // The second's wait in the config state before an auto run starts running.
  QTimer* AutoRunTimer() const { return tmAutoRun; }
  // True once closing has begun, or a critical close has ended the program.
  bool Closing() const { return MainClosing; }
  // Only the first copy of the program may set the desktop's colours.
  bool FirstInstance() const { return IsFirstInstance; }
  void SetFirstInstance(bool first) { IsFirstInstance = first; }
  // The desktop's colours as start-up found them, put back at the end.
  const QPalette& SavedPalette() const { return savedPalette_; }
  // The system colours in force: what a colour setting that names one shows as.
  const QPalette& SysPalette() const { return sysPalette_; }
  // The folder of the default settings file, ending in "/".
  const std::string& DataFolder() const { return dataFolder_; }
  // The program's own folder, where the help documents open from.
  void SetProgFolder(const std::string& folder) { progFolder_ = folder; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // Drops go to the file menus, keys to the computer keys.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Gathers the areas' widgets and the window's state for their making (MainWiring.cpp).
  friend struct TMainWiring;

  // The program state's controls applied to the window (also on closing the port panel).
  void ApplyProgState(TProgState state);
  // The main window's controls set from the values (with caption, hints, layout and colours);
  // the global refresh calls it after filling the lists.
  void SelectMainControls(const TMainComboIndices& idx);
  // The main window's lists filled, then set from the values; the global refresh calls it.
  void FillMainControls();
  void HideMainPanels(bool hide);
  void HandleDynamicControls(bool create);
  // The seq rows' editing controls or value labels, as the program state and the columns say.
  void ApplySeqRowStates(const TProgStateView& view);
  void ShowWaitMessage(bool visible, const std::string& text);
  void ShowTarloControls(bool visible);
  void SetHintsOnControls();
  void ShutDownTidily();
  void FormCreate();
  void StartUp();
  void SetStartUpValues();
  void StartAutoRunOrConfig(bool ok);
  void SetMenuShortCuts();
  void ArrangeStartUpControls();
  // The state's shown, enabled, caption, hint and list choice of the named controls; true when a
  // seq heading's caption changed.
  bool ApplyStateControls(const TProgStateView& view);
  // One widget's part of it; true when a label was resized to a new caption.
  bool ApplyWidgetState(QWidget* w, const TCtlState& st);
  void LoadMidiFileNow();
  void tmAutoRunTimer();
  void FormClose();
  // The critical close's end: the per-copy locks go and the application quits without asking.
  void EndApplication();

  // Makes the window's areas and registers them with the window registry (MainWiring.cpp).
  void WireAreas();
  // The window's own few calls into its areas, beside their making (MainWiring.cpp), so that the
  // window itself knows none of them.
  void RefreshWholeProgram();
  void ClosePortPanel();
  void SetKinetraceBounds();
  // A docked virtual keyboard follows the window, unless it is the one moving it.
  void FollowWithDockedTemplate();
  // Makes the settings windows, hidden, each enabling its Settings menu item.
  void WireSettingsWindows();
  // The place and size the settings give the window (start-up, after the settings load).
  void RestorePlace();
  // An area registered with the window registry until the window goes. The areas register in the
  // order they are wired, which is the order the registry runs their answers to one call in.
  void RegisterArea(TWindow& area);

  // Made first and ended last: the areas hold the window's widgets, rows and colours.
  QTimer* tmAutoRun = nullptr;
  std::unique_ptr<Ui::frmMain> ui;
  TSeqRows seqRows_{};
  std::array<QCheckBox*, kPorts> chkMidiOutClocks{};
  std::array<QCheckBox*, kPorts> chkMidiOutSync{};
  bool MainClosing = false;
  bool IsFirstInstance = false;
  QPalette savedPalette_;
  QPalette sysPalette_;
  TColumnLayout columns_;
  std::string dataFolder_;
  std::string progFolder_;
  // The window's own answers: the program state, the critical close and the application's end,
  // the refresh's reload.
  TWindowAnswers own_;
  std::vector<TRegistration> registrations_;
  std::unique_ptr<TStatusDisplay> status_;
  std::unique_ptr<TLanesAndKinetrace> lanes_;
  std::unique_ptr<TControlGroups> controls_;
  std::unique_ptr<TFileMenus> files_;
  std::unique_ptr<TViewMenus> views_;
  std::unique_ptr<TPortPanel> ports_;
  std::unique_ptr<THelpMenu> help_;
  std::unique_ptr<TComputerKeys> keys_;
  std::unique_ptr<TfrmCfgColours> cfgColours_;
  std::unique_ptr<TfrmCfgPerf> cfgPerf_;
  std::unique_ptr<TfrmCfgKinetrace> cfgKinetrace_;
  std::unique_ptr<TfrmCfgVKbd> cfgVKbd_;
  std::unique_ptr<TfrmCfgMetr> cfgMetr_;
  std::unique_ptr<TfrmCfgBehaviour> cfgBehaviour_;
  std::unique_ptr<TfrmCfgTiming> cfgTiming_;
  std::unique_ptr<TfrmCfgMChan> cfgMChan_;
  std::unique_ptr<TfrmCfgStyle> cfgDrum_;
  std::unique_ptr<TfrmCfgStyle> cfgBass_;
  TfrmReference* qwertyHelp_ = nullptr;
  TfrmReference* gmPrograms_ = nullptr;
  TfrmReference* gmDrums_ = nullptr;
  std::unique_ptr<TfrmDiag> diag_;
  std::unique_ptr<TfrmSampleAid> sampleAid_;
  std::unique_ptr<TfrmKeyMaps> keyMaps_;
  std::unique_ptr<TfrmKeyMapper> keyMapper_;
  std::unique_ptr<TfrmTemplate> template_;
  bool placeKept_ = false;
  bool SysColoursSaved = false;
  // The MIDI file the command line names, loaded as the program starts.
  std::string MidiFileName;

  bool started_ = false;
  bool closeAccepted_ = false;
};

}  // namespace vel
