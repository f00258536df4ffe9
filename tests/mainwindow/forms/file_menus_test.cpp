#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <span>
#include <sstream>
#include <thread>

#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "files/DemoFiles.h"
#include "files/Dumps.h"
#include "files/MidiFile.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainFileMenus.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"
#include "ui_Main.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

// The seqs' selection, "1" per selected seq.
std::string Selected() {
  std::lock_guard lock(EngineLock);
  std::string s;
  for (int32_t seq = 0; seq < kSeqs; ++seq) s += SeqBuf(seq).Selected ? '1' : '0';
  return s;
}

bool AnyEvents() {
  std::lock_guard lock(EngineLock);
  for (const auto& part : Seqs.PartBufs)
    for (const TPartBuf& b : part)
      if (b.Head != -1) return true;
  return false;
}

// The window started offscreen in a private home on the loopback backend; dialogs, shell opens and
// boxes answer from scripts and note the selection as they are shown.
class FileMenusTest : public test::FormRig {
 protected:
  void BeforeStart() override {
    StandInDspTimer([](TDspTimer, bool, int32_t) {});
    Desktop().FileDialog = [this](const TFileDialog& d) {
      dialogs.push_back(d);
      selAtDialog.push_back(Selected());
      if (files.empty()) return std::string();
      std::string f = files.front();
      files.pop_front();
      return f;
    };
    Desktop().ShellOpen = [this](const std::string& path, const TShellDone& done) {
      opened.push_back(path);
      done(shellResult);
    };
    const auto record = Ui().MessageBox;
    Ui().MessageBox = [this, record](const std::string& text, const std::string& caption, MsgKind kind,
                                     MsgButtons buttons) {
      selAtBox.push_back(Selected());
      lockedAtBox = lockedAtBox || EngineLock.HeldByMe();
      return record(text, caption, kind, buttons);
    };
  }
  void SetUp() override {
    FormRig::SetUp();
    Cfg.MetrSeqNo = -1;
    rec.boxes.clear();
  }
  void AllocateOutput() {
    ListOutDevices();
    ASSERT_TRUE(AllocateSelectedDevice(TPortSide::Outputs, FreeDevicesRow(TPortSide::Outputs) + 1));
    ASSERT_EQ(RunCtl.OutPortsAllocated, 0);
  }
  // A MIDI file of the two-bar test arpeggio in every seq, and the seqs empty again.
  std::string WriteMidiFile(const std::string& name) {
    const std::string path = dir + "/" + name;
    LoadTestSeqs(true);
    std::lock_guard lock(EngineLock);
    EXPECT_TRUE(SaveSeqsToMidiFile(path, true, true));
    for (int32_t part = 0; part < kParts; ++part)
      for (int32_t s = 0; s < kSeqs; ++s) ClearPartBuf(part, s);
    return path;
  }
  void SelectSeq(int32_t seq) {
    std::lock_guard lock(EngineLock);
    SeqBuf(seq).Selected = 1;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& b : rec.boxes) t.push_back(b.text);
    return t;
  }

  std::deque<std::string> files;
  std::vector<TFileDialog> dialogs;
  std::vector<std::string> selAtDialog, selAtBox, opened;
  bool lockedAtBox = false;
  int32_t shellResult = kShellOk;
};

TEST_F(FileMenusTest, DroppedFilesThatCannotLoadSayWhyAndLoadNothing) {
  const std::string good = WriteMidiFile("good.mid");
  const std::string text = dir + "/notes.mid";
  std::ofstream(text) << "not a MIDI file";
  fs::create_directories(dir + "/Songs");
  struct Case {
    bool port;
    std::vector<std::string> names;
    std::string box;
  };
  const Case cases[] = {
      {false, {good}, kNoOutPortText},
      {true, {good, good}, kTooManyDropsText},
      {true, {dir + "/Songs"}, "Cannot drag/drop a folder\r\n" + dir + "/Songs"},
      {true, {text}, "MIDI file error: missing MThd chunk header"},
      {true, {dir + "/gone.mid"}, "Cannot open MIDI file gone.mid\r\nin folder " + dir},
  };
  for (const Case& c : cases) {
    if (c.port && RunCtl.OutPortsAllocated < 0) AllocateOutput();
    rec.boxes.clear();
    Cfg.LastLoadedMidiFolder = "/before";
    form->Files().WMDropFiles(c.names);
    EXPECT_EQ(Texts(), std::vector<std::string>{c.box}) << c.names.front();
    EXPECT_EQ(rec.boxes.at(0).kind, c.port ? MsgKind::Error : MsgKind::Warning);
    EXPECT_FALSE(AnyEvents());
    EXPECT_EQ(Cfg.LastLoadedMidiFolder, "/before");
  }
  // The loader's box waits until the engine lock is released.
  EXPECT_FALSE(lockedAtBox);
  // The dialogs stop at the same warning without asking for a file.
  CloseAllOutPorts();
  rec.boxes.clear();
  form->Widgets().mnuFileLoadMidiAllParts->trigger();
  form->Widgets().mnuFileSaveMidiActiveParts->trigger();
  EXPECT_EQ(Texts(), (std::vector<std::string>{kNoOutPortText, kNoOutPortText}));
  EXPECT_TRUE(dialogs.empty());

  // A real drop: local paths taken in full and loaded once the drop is done.
  AllocateOutput();
  Cfg.DragDropActiveParts = 0;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(good))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &drop);
  QApplication::processEvents();
  EXPECT_TRUE(AnyEvents());
  EXPECT_EQ(Cfg.LastLoadedMidiFolder, dir);
  RunCtl.ProgState = TProgState::Initialising;
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
  RunCtl.ProgState = TProgState::Config;
}

TEST_F(FileMenusTest, SelectionOperationsUseEverySeqWhenNoneIsSelected) {
  AllocateOutput();
  const std::string song = WriteMidiFile("song.mid");
  struct Case {
    const char* what;
    int32_t selected;  // -1 none
    std::function<void()> act;
    const char* during;
    const char* after;
  };
  auto dropActive = [&] {
    Cfg.DragDropActiveParts = 1;
    form->Files().WMDropFiles({song});
  };
  auto dropAll = [&] {
    Cfg.DragDropActiveParts = 0;
    form->Files().WMDropFiles({song});
  };
  const Case cases[] = {
      {"delete, No", -1, [&] { rec.Answer(MsgAnswer::No), form->Widgets().mnuFileDeleteSelSeqs->trigger(); },
       "1111", "0000"},
      {"reset, Yes", -1, [&] { form->Widgets().mnuFileResetSelSeqs->trigger(); }, "1111", "0000"},
      {"load, cancelled", -1, [&] { form->Widgets().mnuFileLoadMidiActiveParts->trigger(); }, "1111", "0000"},
      {"save, cancelled", 2, [&] { form->Widgets().mnuFileSaveMidiActiveParts->trigger(); }, "0010", "0010"},
      {"delete, one seq", 2, [&] { form->Widgets().mnuFileDeleteProgsInSelSeqs->trigger(); }, "0010", "0010"},
      {"load all parts", 2, [&] { form->Widgets().mnuFileLoadMidiAllParts->trigger(); }, "0000", "0000"},
      {"drop, active parts", -1, dropActive, nullptr, "0000"},
      {"drop, all parts", 2, dropAll, nullptr, "0010"},
  };
  for (const Case& c : cases) {
    {
      std::lock_guard lock(EngineLock);
      DeselectAll();
    }
    if (c.selected >= 0) SelectSeq(c.selected);
    selAtDialog.clear();
    selAtBox.clear();
    c.act();
    std::vector<std::string> during = selAtDialog;
    during.insert(during.end(), selAtBox.begin(), selAtBox.end());
    if (c.during) {
      ASSERT_EQ(during.size(), 1u) << c.what;
      EXPECT_EQ(during[0], c.during) << c.what;
    }
    EXPECT_EQ(Selected(), c.after) << c.what;
  }
  // Both drops loaded the file: no box but the loads' own.
  EXPECT_TRUE(AnyEvents());
  EXPECT_EQ(dialogs.at(0).Title, "MIDI load - active parts of selected seqs only");
}

TEST_F(FileMenusTest, ADemoIntoTheMetronomeSeqWarnsOnlyInConfig) {
  Cfg.LastLoadedMidiFolder = "/before";
  form->Widgets().mnuFileLoadSample1->trigger();  // no port needed, no folder remembered
  EXPECT_TRUE(AnyEvents());
  EXPECT_TRUE(rec.boxes.empty());
  Cfg.MetrSeqNo = 0;
  form->Widgets().mnuFileLoadSample1->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{MetrSeqOverwrittenText(0, true)});
  RunCtl.ProgState = TProgState::Running;
  form->Widgets().mnuFileLoadSample1->trigger();
  RunCtl.ProgState = TProgState::Config;
  EXPECT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(Cfg.LastLoadedMidiFolder, "/before");
}

// The file is read without the engine lock, so a slow disk cannot stall the timer: a pipe stands in
// for the disk and gives its bytes only after it has found the lock free.
TEST_F(FileMenusTest, AMidiFileIsReadWithoutTheEngineLock) {
  const std::string pipe = dir + "/slow disk.mid";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::span<const uint8_t> image = DemoFile(2);
  std::atomic<bool> lockFree{false};
  std::thread disk([&] {
    std::ofstream out(pipe, std::ios::binary);  // opens once the reader has
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (EngineLock.try_lock()) {
      lockFree = true;
      EngineLock.unlock();
    }
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  });
  form->Files().LoadMidiFileAndWarn(pipe, true);
  disk.join();
  EXPECT_TRUE(lockFree);
  EXPECT_TRUE(AnyEvents());
  EXPECT_TRUE(rec.boxes.empty()) << Texts()[0];
}

TEST_F(FileMenusTest, TestLoadsRefusedWhileASeqPlaysShowTheirBoxAfterTheLock) {
  for (QAction* item : {form->Widgets().mnuFileLoadTestA, form->Widgets().mnuFileLoadTestB}) {
    {
      std::lock_guard lock(EngineLock);
      SeqBuf(1).SeqState = TSeqState::Playing;
    }
    rec.boxes.clear();
    lockedAtBox = false;
    item->trigger();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Load ignored: all seqs must be stopped"});
    EXPECT_EQ(rec.boxes.at(0).kind, MsgKind::Error);
    EXPECT_FALSE(lockedAtBox);
    EXPECT_FALSE(AnyEvents());
    {
      std::lock_guard lock(EngineLock);
      SeqBuf(1).SeqState = TSeqState::Stopped;
    }
    rec.boxes.clear();
    item->trigger();
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_TRUE(AnyEvents());
    std::lock_guard lock(EngineLock);
    for (int32_t part = 0; part < kParts; ++part)
      for (int32_t s = 0; s < kSeqs; ++s) ClearPartBuf(part, s);
  }
}

TEST_F(FileMenusTest, TheFactoryKeyMapsReachTheWindowsOnceTheLockIsLetGo) {
  // A window's redraw may open a box (the key mapper's error path): none may run under the lock.
  std::vector<bool> lockedAtKeyMaps;
  TWindowAnswers window;
  window.Hears = [&lockedAtKeyMaps](TTopic topic) {
    if (topic == TTopic::KeyMaps) lockedAtKeyMaps.push_back(EngineLock.HeldByMe());
  };
  TRegistration registration = Windows().Register(window);
  form->Widgets().mnuConfigResetKMaps->trigger();
  EXPECT_EQ(lockedAtKeyMaps, std::vector<bool>{false});
}

TEST_F(FileMenusTest, FileMenuEnablesByPortsFolderAndPlayingSeqs) {
  Cfg.RunTimeSceneFolder = dir + "/missing";
  emit form->Widgets().mnuFile->aboutToShow();
  EXPECT_FALSE(form->Widgets().mnuFileExplore->isEnabled());
  for (QAction* a :
       {form->Widgets().mnuFileResetLive, form->Widgets().mnuFileResetSeqs->menuAction(),
        form->Widgets().mnuFileDeleteSeqs->menuAction(), form->Widgets().mnuFileLoadPatterns->menuAction()})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  emit form->Widgets().mnuFileLoadPatterns->aboutToShow();
  EXPECT_EQ(Texts(), std::vector<std::string>{kNoOutPortText});

  AllocateOutput();
  Cfg.RunTimeSceneFolder = dir;
  Cfg.DragDropActiveParts = 1;
  emit form->Widgets().mnuFile->aboutToShow();
  EXPECT_TRUE(form->Widgets().mnuFileExplore->isEnabled());
  EXPECT_TRUE(form->Widgets().mnuFileResetLive->isEnabled());
  EXPECT_TRUE(form->Widgets().mnuFileLoadDragDropActiveParts->isChecked());
  EXPECT_FALSE(form->Widgets().mnuFileLoadDragDropAllParts->isChecked());
  // Choosing the checked mode again keeps it.
  form->Widgets().mnuFileLoadDragDropActiveParts->trigger();
  EXPECT_TRUE(form->Widgets().mnuFileLoadDragDropActiveParts->isChecked());
  EXPECT_EQ(Cfg.DragDropActiveParts, 1);
  form->Widgets().mnuFileLoadDragDropAllParts->trigger();
  EXPECT_EQ(Cfg.DragDropActiveParts, 0);
  EXPECT_FALSE(form->Widgets().mnuFileLoadDragDropActiveParts->isChecked());

  {
    std::lock_guard lock(EngineLock);
    SeqBuf(1).SeqState = TSeqState::Playing;
  }
  emit form->Widgets().mnuFileDeleteSeqs->aboutToShow();
  EXPECT_FALSE(form->Widgets().mnuFileDeleteAllParts->isEnabled());
  EXPECT_FALSE(form->Widgets().mnuFileDeleteSelSeqs->isEnabled());
  {
    std::lock_guard lock(EngineLock);
    SeqBuf(1).SeqState = TSeqState::Stopped;
  }
  emit form->Widgets().mnuFileDeleteSeqs->aboutToShow();
  EXPECT_TRUE(form->Widgets().mnuFileDeleteAllParts->isEnabled());

  // The shell's refusal to open the folder.
  rec.boxes.clear();
  shellResult = kShellNoProgram;
  form->Widgets().mnuFileExplore->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{dir});
  EXPECT_EQ(Texts(), std::vector<std::string>{OpenTargetFailedText("folder", dir, kShellNoProgram)});
  // Every settings item has its window now, the style windows last.
  EXPECT_TRUE(form->Widgets().mnuCfgDrum->isEnabled());
}

TEST_F(FileMenusTest, TheDefaultFileSavedRefusedDeletedAndItsItems) {
  const std::string path = form->DataFolder() + kDefaultCfgName;
  auto openConfig = [&] { emit form->Widgets().mnuConfig->aboutToShow(); };
  openConfig();
  EXPECT_FALSE(form->Widgets().mnuConfigEditDefault->isEnabled());
  EXPECT_FALSE(form->Widgets().mnuConfigDeleteDefault->isEnabled());
  EXPECT_FALSE(form->Widgets().mnuConfigLoadAllFromDefault->isEnabled());

  // Refused while the Config menu is disabled, saying why.
  form->Widgets().mnuConfig->menuAction()->setEnabled(false);
  form->Widgets().pnlConfigOutPorts->show();
  form->Files().SaveDefaultConfig();
  form->Widgets().pnlConfigOutPorts->hide();
  form->Files().SaveDefaultConfig();
  EXPECT_EQ(Texts(), (std::vector<std::string>{SaveRefusalText(true), SaveRefusalText(false)}));
  EXPECT_FALSE(fs::exists(path));
  form->Widgets().mnuConfig->menuAction()->setEnabled(true);
  form->Widgets().mnuConfigSaveAllToDefault->trigger();
  EXPECT_TRUE(fs::exists(path));
  EXPECT_TRUE(form->Widgets().mnuConfig->menuAction()->isEnabled());
  openConfig();
  EXPECT_TRUE(form->Widgets().mnuConfigEditDefault->isEnabled());
  EXPECT_TRUE(form->Widgets().mnuConfigLoadAllFromDefault->isEnabled());

  // Viewing it hands it to the desktop after the question.
  rec.boxes.clear();
  form->Widgets().mnuConfigEditDefault->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{ViewEditQuestion(kDefaultCfgName, true)});
  EXPECT_EQ(opened, std::vector<std::string>{path});
  // With nothing on the desktop to open it or its folder, the box says so and where it lies.
  rec.boxes.clear();
  shellResult = kShellNoProgram;
  form->Widgets().mnuConfigEditDefault->trigger();
  form->Widgets().mnuConfigExploreDefault->trigger();
  shellResult = kShellOk;
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{
                ViewEditQuestion(kDefaultCfgName, true),
                "No program was found to open file SeqDefaults.txt\r\nin folder " + RunCtl.AppDataFolder +
                    "\r\n\r\nThe desktop has no program set to open .txt "
                    "files.\r\nOpen the file by hand from that folder, or "
                    "install a program for it.",
                OpenTargetFailedText("folder", RunCtl.AppDataFolder, kShellNoProgram)}));

  // A folder that may not be written keeps the file and gives the system's reason.
  if (geteuid() != 0) {
    rec.boxes.clear();
    fs::permissions(form->DataFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    form->Widgets().mnuConfigDeleteDefault->trigger();
    fs::permissions(form->DataFolder(), fs::perms::owner_all);
    EXPECT_TRUE(fs::exists(path));
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[1].text, "Failed to delete auto-run config file SeqDefaults.txt\r\nin folder " +
                                     RunCtl.AppDataFolder + "\r\nPermission denied");
  }
  rec.boxes.clear();
  form->Widgets().mnuConfigDeleteDefault->trigger();
  EXPECT_FALSE(fs::exists(path));
  form->Widgets().mnuConfigDeleteDefault->trigger();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"About to delete default auto-run config file, ok?\r\n" + path,
                                               "Default auto-run config file does not exist"}));
  form->Files().ViewEditFile(RunCtl.AppDataFolder, kDefaultCfgName, true);
  EXPECT_EQ(rec.boxes.back().text, "Can't find file\r\n" + path);
}

// Every save of the menus says in the status line what it saved, and the hint of the control the
// menu closes over does not cover it at once.
TEST_F(FileMenusTest, EverySaveSaysWhatItSavedInTheStatusLine) {
  AllocateOutput();
  LoadTestSeqs(true);
  const std::string def = form->DataFolder() + kDefaultCfgName;
  struct Case {
    QAction* item;  // nullptr: the Save button
    std::string file;
    std::string note;
  };
  const auto& w = ui();
  const Case cases[] = {
      {w.mnuConfigSaveAllToDefault, "", "Settings saved to " + def},
      {nullptr, "", "Settings saved to " + def},
      {w.mnuConfigSaveAllToNamed, dir + "/all.txt", "Settings saved to " + dir + "/all.txt"},
      {w.mnuConfigSaveKeyMaps, dir + "/keys.txt", "Settings saved to " + dir + "/keys.txt"},
      {w.mnuConfigSaveColours, dir + "/colours.txt", "Settings saved to " + dir + "/colours.txt"},
      {w.mnuConfigSaveBass, dir + "/bass.txt", "Settings saved to " + dir + "/bass.txt"},
      {w.mnuConfigSaveDrums, dir + "/drums.txt", "Settings saved to " + dir + "/drums.txt"},
      {w.mnuFileSaveMidiAllParts, dir + "/all.mid", "Seqs saved to " + dir + "/all.mid"},
      {w.mnuFileSaveMidiActiveParts, dir + "/sel.mid", "Seqs saved to " + dir + "/sel.mid"},
  };
  for (const Case& c : cases) {
    form->statusBar()->showMessage("an earlier hint");
    if (!c.file.empty()) files = {c.file};
    if (c.item) {
      c.item->trigger();
    } else {
      w.sbtnSaveConfig->click();
    }
    QStatusTipEvent hint("the hint of the control under the mouse");
    QCoreApplication::sendEvent(w.sbtnControl, &hint);
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), c.note);
    EXPECT_TRUE(fs::exists(c.file.empty() ? def : c.file)) << c.note;
  }
  EXPECT_TRUE(Texts().empty()) << Texts().front();
}

TEST_F(FileMenusTest, StyleLoadsWaitForTheMetronomesOwnFamily) {
  {
    std::lock_guard lock(EngineLock);
    SeqBuf(0).SeqState = TSeqState::Playing;
  }
  Cfg.MetrSeqNo = 0;
  struct Case {
    uint8_t drumDrives;
    QAction* item;
    const char* refusal;  // nullptr: the dialog is asked
  };
  const Case cases[] = {
      {1, form->Widgets().mnuConfigLoadDrums, "Can't load drum styles while metronome drum seq running"},
      {1, form->Widgets().mnuConfigLoadBass, nullptr},
      {1, form->Widgets().mnuConfigResetDrums, "Can't reset drum styles while metronome drum seq running"},
      {0, form->Widgets().mnuConfigLoadBass, "Can't load bass styles while metronome bass seq running"},
      {0, form->Widgets().mnuConfigLoadDrums, nullptr},
  };
  for (const Case& c : cases) {
    Cfg.MetrTypePitchLocked = c.drumDrives;
    rec.boxes.clear();
    dialogs.clear();
    CfgFiles.ConfigFileName = "/gig/Set.txt";
    c.item->trigger();
    if (c.refusal) {
      EXPECT_EQ(Texts(), std::vector<std::string>{c.refusal});
      EXPECT_TRUE(dialogs.empty());
    } else {
      // Cancelled: nothing changes, not even the settings file's name.
      EXPECT_TRUE(rec.boxes.empty());
      EXPECT_EQ(dialogs.size(), 1u);
      EXPECT_EQ(CfgFiles.ConfigFileName, "/gig/Set.txt");
    }
    EXPECT_TRUE(form->Widgets().mnuConfig->menuAction()->isEnabled());
  }
}

TEST_F(FileMenusTest, KeyMapAndColourSubsetsSaveAndLoadAlone) {
  const TColor factoryColour = Cfg.ClBgForm;
  const uint8_t factoryKey = KeyMapLive[60];
  const uint8_t otherKey = factoryKey == 0 ? 1 : 0;
  files = {dir + "/keys.txt", dir + "/colours.txt"};
  form->Widgets().mnuConfigSaveKeyMaps->trigger();
  form->Widgets().mnuConfigSaveColours->trigger();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].Title, "Save keymap config");
  EXPECT_EQ(dialogs[1].Title, "Save colour config");

  // Each subset brings back its own settings and leaves the other's change alone.
  Cfg.ClBgForm = Rgb(1, 2, 3);
  KeyMapLive[60] = otherKey;
  CfgFiles.ConfigFileName = "/gig/Set.txt";
  files = {dir + "/keys.txt"};
  form->Widgets().mnuConfigLoadKeyMaps->trigger();
  EXPECT_EQ(KeyMapLive[60], factoryKey);
  EXPECT_EQ(Cfg.ClBgForm, Rgb(1, 2, 3));
  EXPECT_EQ(CfgFiles.ConfigFileName, "");
  KeyMapLive[60] = otherKey;
  files = {dir + "/colours.txt"};
  form->Widgets().mnuConfigLoadColours->trigger();
  EXPECT_EQ(Cfg.ClBgForm, factoryColour);
  EXPECT_EQ(KeyMapLive[60], otherKey);
  EXPECT_EQ(dialogs.back().Title, "Load colour config");

  // A file that fails puts back that subset's factory settings only.
  std::ofstream(dir + "/bad.txt") << "Vellorine Configuration File\r\nnonsense\r\n";
  Cfg.ClBgForm = Rgb(1, 2, 3);
  rec.boxes.clear();
  files = {dir + "/bad.txt"};
  form->Widgets().mnuConfigLoadKeyMaps->trigger();
  EXPECT_FALSE(rec.boxes.empty());
  EXPECT_EQ(KeyMapLive[60], factoryKey);
  EXPECT_EQ(Cfg.ClBgForm, Rgb(1, 2, 3));
  EXPECT_TRUE(form->Widgets().mnuConfig->menuAction()->isEnabled());

  // The full load asks for its file before resetting anything: Cancel keeps styles and colours.
  DrumStore.ChainNoStart = 3;
  CfgFiles.ConfigFileName = "/gig/Set.txt";
  rec.boxes.clear();
  form->Widgets().mnuConfigLoadAllFromNamed->trigger();
  EXPECT_EQ(dialogs.back().Title, "Load full config");
  EXPECT_EQ(DrumStore.ChainNoStart, 3);
  EXPECT_EQ(Cfg.ClBgForm, Rgb(1, 2, 3));
  EXPECT_EQ(CfgFiles.ConfigFileName, "/gig/Set.txt");
  EXPECT_EQ(rec.boxes.size(), 1u);  // the question only
  files = {dir + "/full.txt", dir + "/full.txt"};
  form->Widgets().mnuConfigSaveAllToNamed->trigger();
  Cfg.ClBgForm = Rgb(4, 5, 6);
  form->Widgets().mnuConfigLoadAllFromNamed->trigger();
  EXPECT_EQ(Cfg.ClBgForm, Rgb(1, 2, 3));
  EXPECT_EQ(CfgFiles.ConfigFileName, dir + "/full.txt");
  EXPECT_EQ(form->windowTitle().toStdString(), "Vellorine full");
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
}

// A settings file refused at load changes no port: the ports in force stay, whether the file
// asks for others or for none. The same file unbroken does take its port.
TEST_F(FileMenusTest, ARefusedFileChangesNoPort) {
  files = {dir + "/base.txt"};
  form->Widgets().mnuConfigSaveAllToNamed->trigger();
  std::stringstream read;
  read << std::ifstream(dir + "/base.txt").rdbuf();
  const std::string base = read.str();
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  // Its key maps come after the ports: a bad key there refuses a file whose ports were read.
  const std::string askPort2 =
      replaced(base, "OutPortsAllocated = 0",
               "OutPortsAllocated = 1\r\nOutPort1-DevName = Loopback Out 2\r\nOutPort1-PortName = Two");
  auto refused = [&](const std::string& text) {
    return replaced(text, "CmdStop = E1", "CmdStop = nonsense");
  };
  struct Case {
    const char* what;
    std::string text;
    bool portBefore;    // Loopback Out 1 on port 1 before the load
    const char* after;  // the device on port 1 after it; nullptr for none
  };
  const Case cases[] = {
      {"refused, asks for another", refused(askPort2), true, "Loopback Out 1"},
      {"refused, asks for one", refused(askPort2), false, nullptr},
      {"refused, asks for none", refused(base), true, "Loopback Out 1"},
      {"loaded", askPort2, true, "Loopback Out 2"},
  };
  for (const Case& c : cases) {
    while (RunCtl.OutPortsAllocated >= 0) DeallocatePort(TPortSide::Outputs, 0);
    if (c.portBefore) AllocateOutput();
    std::ofstream(dir + "/load.txt", std::ios::binary) << c.text;
    files = {dir + "/load.txt"};
    rec.boxes.clear();
    form->Widgets().mnuConfigLoadAllFromNamed->trigger();
    const bool wasRefused = std::string(c.what) != "loaded";
    EXPECT_EQ(rec.boxes.size() > 1, wasRefused) << c.what;  // the question, then the refusal's boxes
    if (!c.after) {
      EXPECT_EQ(RunCtl.OutPortsAllocated, -1) << c.what;
      continue;
    }
    ASSERT_EQ(RunCtl.OutPortsAllocated, 0) << c.what;
    EXPECT_EQ(RunCtl.MidiOutDevs[RunCtl.PortDevIdx[0]].DevName, c.after) << c.what;
  }
}

TEST_F(FileMenusTest, ModeSwitchWhileRunningAsksOnceStopsAndResets) {
  AllocateOutput();
  StartRunning();
  ASSERT_EQ(RunCtl.ProgState.load(), TProgState::Running);
  KeyMapLive[60] = KeyMapLive[60] == 0 ? 1 : 0;
  const uint8_t changed = KeyMapLive[60];
  rec.Answer(MsgAnswer::Yes);
  form->Widgets().mnuConfigMode->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{ModeSwitchQuestion(true, false)});
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
  EXPECT_EQ(Cfg.StandardMode, 0);
  EXPECT_TRUE(form->Widgets().mnuConfigMode->isChecked());
  EXPECT_NE(KeyMapLive[60], changed);
  EXPECT_NE(form->windowTitle().toStdString().find("novice mode"), std::string::npos);
  EXPECT_TRUE(form->Widgets().mnuConfig->menuAction()->isEnabled());
  // No: nothing changes, and the mark stays with the mode.
  rec.Answer(MsgAnswer::No);
  form->Widgets().mnuConfigMode->trigger();
  EXPECT_EQ(Cfg.StandardMode, 0);
  EXPECT_TRUE(form->Widgets().mnuConfigMode->isChecked());
  Cfg.StandardMode = 1;
}

}  // namespace
}  // namespace vel
