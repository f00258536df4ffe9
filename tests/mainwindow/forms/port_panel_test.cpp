#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/forms/FormRig.h"
#include "platform/midi/Midi.h"
#include "settings/CfgReader.h"
#include "settings/CfgWriter.h"
#include "settings/Settings.h"

namespace vel {
namespace {

using Strs = std::vector<std::string>;

Strs Items(const QListWidget* list) {
  Strs out;
  for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
  return out;
}

void Select(QListWidget* list, const std::string& text) {
  const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text;
  list->setCurrentItem(found.first());
}

class PortPanelTest : public test::FormRig {
 protected:
  void Open() {
    ui().mnuCfgPorts->trigger();
    ASSERT_FALSE(ui().pnlConfigOutPorts->isHidden());
  }
  void Allocate(bool inputs, const std::string& dev) {
    Select(inputs ? ui().lstInDNames : ui().lstOutDNames, dev);
    (inputs ? ui().sbtnInPortAlloc : ui().sbtnOutPortAlloc)->click();
  }
};

TEST_F(PortPanelTest, OpeningTakesTheWindowAndDoneGivesItBack) {
  Open();
  EXPECT_FALSE(ui().pnlConfigInPorts->isHidden());
  for (QMenu* m :
       {ui().mnuFile, ui().mnuAction, ui().mnuConfig, ui().mnuSettings, ui().mnuView, ui().mnuWindows})
    EXPECT_FALSE(m->menuAction()->isEnabled()) << m->objectName().toStdString();
  EXPECT_FALSE(ui().mnuCfgPorts->isEnabled());
  EXPECT_TRUE(ui().pnlSeqStatus->isHidden());
  EXPECT_TRUE(ui().grpPorts->isHidden());
  Allocate(false, "Loopback Out 2");
  Allocate(true, "Loopback In 1");
  ui().sbtnDone->click();
  EXPECT_TRUE(ui().pnlConfigOutPorts->isHidden());
  EXPECT_TRUE(ui().pnlConfigInPorts->isHidden());
  EXPECT_FALSE(ui().pnlSeqStatus->isHidden());
  for (QMenu* m : {ui().mnuFile, ui().mnuConfig, ui().mnuSettings, ui().mnuView, ui().mnuWindows})
    EXPECT_TRUE(m->menuAction()->isEnabled()) << m->objectName().toStdString();
  EXPECT_TRUE(ui().mnuCfgPorts->isEnabled());
  // The Ports group and the port lists follow the new ports.
  EXPECT_EQ(ui().lblvOutPort0Name->text().toStdString(), "Loopback Out 2");
  EXPECT_EQ(ui().lblvInPort0Name->text().toStdString(), "Loopback In 1");
  EXPECT_FALSE(ui().lblvInPort0Name->isHidden());
  EXPECT_EQ(ui().cboLivePorts->count(), 1);
  EXPECT_EQ(ui().cboLivePorts->currentText().toStdString(), "P1- Loopback Out 2");
  EXPECT_EQ(ui().cboTarloPNo->count(), 1);

  // Refresh closes that side's ports and lists its devices again.
  Open();
  ui().sbtnRescanOutDevs->click();
  EXPECT_TRUE(Items(ui().lstOutPNames).empty());
  EXPECT_EQ(Items(ui().lstOutDNames),
            (Strs{"Free devices below:-", "Loopback Out 1", "Loopback Out 2", "Loopback Out 3"}));
  EXPECT_EQ(RunCtl.OutPortsAllocated, -1);
  EXPECT_EQ(Items(ui().lstInPNames), Strs{"P1- Loopback In 1"});
  ui().sbtnDone->click();
  EXPECT_TRUE(ui().lblvOutPort0Name->isHidden());
  EXPECT_EQ(ui().cboLivePorts->count(), 0);

  // Closing every input at once (a settings load does) leaves no input in the lists or rows.
  CloseAllInPorts();
  EXPECT_TRUE(PortLists.In.PortItems.empty());
  EXPECT_EQ(Items(ui().lstInDNames),
            (Strs{"Free devices below:-", "Loopback In 1", "Loopback In 2", "Loopback In 3"}));
  EXPECT_TRUE(ui().lblvInPort0Name->isHidden());
}

TEST_F(PortPanelTest, AllocateButtonFollowsTheRowTheStateAndTheCount) {
  Open();
  Allocate(false, "Loopback Out 3");
  ASSERT_EQ(Items(ui().lstOutPNames), Strs{"P1- Loopback Out 3"});
  EXPECT_EQ(Items(ui().lstOutDNames),
            (Strs{"Loopback Out 3", "Free devices below:-", "Loopback Out 1", "Loopback Out 2"}));
  struct Case {
    const char* what;
    const char* row;
    int8_t allocated;
    bool enabled;
  };
  const Case cases[] = {
      {"a free device", "Loopback Out 1", 0, true},
      {"the separator", "Free devices below:-", 0, false},
      {"an opened device", "Loopback Out 3", 0, false},
      {"nine ports", "Loopback Out 1", 8, false},
  };
  for (const Case& c : cases) {
    RunCtl.OutPortsAllocated = c.allocated;
    Select(ui().lstOutDNames, c.row);
    EXPECT_EQ(ui().sbtnOutPortAlloc->isEnabled(), c.enabled) << c.what;
  }
  RunCtl.OutPortsAllocated = 0;
  // Outside Config only renaming is left, and the hints say why.
  ui().sbtnDone->click();
  RunCtl.ProgState = TProgState::Running;
  Open();
  Select(ui().lstOutDNames, "Loopback Out 1");
  Select(ui().lstOutPNames, "P1- Loopback Out 3");
  EXPECT_FALSE(ui().lstOutDNames->isEnabled());
  for (QToolButton* b : {ui().sbtnOutPortAlloc, ui().sbtnOutPortDeAlloc, ui().sbtnOutPortUp,
                         ui().sbtnOutPortDown, ui().sbtnRescanOutDevs}) {
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(b->statusTip().toStdString(), "Not available in Run mode; click Stop first");
  }
  EXPECT_TRUE(ui().sbtnRenameOutPort->isEnabled());
  ui().sbtnOutPortAlloc->click();
  EXPECT_EQ(RunCtl.OutPortsAllocated, 0);
  RunCtl.ProgState = TProgState::Config;
}

TEST_F(PortPanelTest, DeallocateAndMoveCarryTheClockSyncAndMultiplier) {
  Open();
  for (const char* dev : {"Loopback Out 1", "Loopback Out 2", "Loopback Out 3"}) Allocate(false, dev);
  Cfg.MIDIOutClocksEnabled = {1, 0, 1};
  Cfg.MidiOutSyncEnabled = {0, 1, 1};
  Cfg.MChanEnabled = {1, 1, 1};
  Cfg.MChanMin = {1, 2, 3};
  Cfg.MChanMax = {11, 12, 13};
  Cfg.MChanPitchOffset[2][0] = 7;
  Select(ui().lstOutPNames, "P1- Loopback Out 1");
  ui().sbtnOutPortDeAlloc->click();
  EXPECT_EQ(Items(ui().lstOutPNames), (Strs{"P1- Loopback Out 2", "P2- Loopback Out 3"}));
  EXPECT_EQ(ui().lstOutPNames->currentRow(), 0);
  auto row = [](int p) {
    return std::vector<int>{Cfg.MIDIOutClocksEnabled[p],
                            Cfg.MidiOutSyncEnabled[p],
                            Cfg.MChanEnabled[p],
                            Cfg.MChanMin[p],
                            Cfg.MChanMax[p],
                            Cfg.MChanPitchOffset[p][0]};
  };
  EXPECT_EQ(row(0), (std::vector<int>{0, 1, 0, 2, 12, 0}));
  EXPECT_EQ(row(1), (std::vector<int>{1, 1, 1, 3, 13, 7}));
  EXPECT_EQ(row(2), (std::vector<int>{0, 0, 0, 0, 0, 0}));
  auto boxes = [this](int p) {
    return std::vector<bool>{form->MidiOutClocks()[p]->isChecked(), form->MidiOutSync()[p]->isChecked(),
                             form->MidiOutClocks()[p]->isHidden(), form->MidiOutClocks()[p]->isEnabled()};
  };
  EXPECT_EQ(boxes(0), (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(boxes(1), (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(boxes(2), (std::vector<bool>{false, false, true, false}));

  // Port 2 up to port 1: its values go with it, and the new port 1 has its multiplier off.
  Select(ui().lstOutPNames, "P2- Loopback Out 3");
  EXPECT_FALSE(ui().sbtnOutPortDown->isEnabled());
  ui().sbtnOutPortUp->click();
  EXPECT_EQ(Items(ui().lstOutPNames), (Strs{"P1- Loopback Out 3", "P2- Loopback Out 2"}));
  EXPECT_EQ(ui().lstOutPNames->currentRow(), 0);
  EXPECT_EQ(row(0), (std::vector<int>{1, 1, 0, 3, 13, 7}));
  EXPECT_EQ(row(1), (std::vector<int>{0, 1, 0, 2, 12, 0}));
  EXPECT_EQ(boxes(0), (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(RunCtl.MidiOutDevs[2].PortName, "P1- Loopback Out 3");
}

TEST_F(PortPanelTest, RenameBoxStripsAPrefixAndEmptyGivesTheDeviceName) {
  Open();
  Allocate(true, "Loopback In 2");
  Allocate(true, "Loopback In 3");
  Select(ui().lstInPNames, "P2- Loopback In 3");
  ui().sbtnRenameInPort->click();
  QLineEdit* edit = ui().edtInPName;
  ASSERT_FALSE(edit->isHidden());
  EXPECT_EQ(edit->text().toStdString(), "Loopback In 3");
  EXPECT_EQ(edit->selectedText(), edit->text());
  struct Case {
    const char* typed;
    const char* item;
  };
  const Case cases[] = {{"P3- Synth ", "P2- Synth"}, {"Keys", "P2- Keys"}, {"", "P2- Loopback In 3"}};
  for (const Case& c : cases) {
    edit->selectAll();
    edit->del();
    edit->insert(QString::fromLatin1(c.typed));
    EXPECT_EQ(ui().lstInPNames->item(1)->text().toStdString(), c.item) << c.typed;
    EXPECT_EQ(RunCtl.MidiInDevs[2].PortName, c.item) << c.typed;
  }
  // Name again hides the box.
  ui().sbtnRenameInPort->click();
  EXPECT_TRUE(edit->isHidden());
}

TEST_F(PortPanelTest, AnInputThatFailsToOpenGivesItsTextAndNothingChanges) {
  Open();
  Allocate(true, "Loopback In 1");
  const Strs devs = Items(ui().lstInDNames);
  rec.boxes.clear();
  midi::loopback::FailNext("open", midi::kErrAllocated);
  Allocate(true, "Loopback In 2");
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(
      rec.boxes[0].text,
      "Failed to open/start input port 2: Loopback In 2\r\n(possibly in use by another program?)\r\n\r\n"
      "Click 'Settings, Ports' to allocate ports");
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(Items(ui().lstInPNames), Strs{"P1- Loopback In 1"});
  EXPECT_EQ(Items(ui().lstInDNames), devs);
  EXPECT_EQ(RunCtl.InPortsAllocated, 0);
  // The device stays selected and can be tried again.
  EXPECT_EQ(ui().lstInDNames->currentItem()->text().toStdString(), "Loopback In 2");
  EXPECT_TRUE(ui().sbtnInPortAlloc->isEnabled());
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

TEST_F(PortPanelTest, ChangingTheSeqCountKeepsThePortsAsTheyStand) {
  Open();
  Allocate(false, "Loopback Out 1");
  Allocate(false, "Loopback Out 3");
  Allocate(true, "Loopback In 2");
  Select(ui().lstOutPNames, "P2- Loopback Out 3");
  ui().sbtnRenameOutPort->click();
  ui().edtOutPName->selectAll();
  ui().edtOutPName->insert("Synth");
  ui().sbtnDone->click();
  RunCtl.LivePort = 1;
  Seqs.PartBufs[0][0].PortPend = 1;
  QComboBox* seqs = ui().cboMaxActiveSeqs;
  ASSERT_EQ(seqs->currentText().toStdString(), "4");
  auto choose = [seqs](const char* count) {
    const int index = seqs->findText(count);
    seqs->setCurrentIndex(index);
    emit seqs->activated(index);
  };

  rec.Answer(MsgAnswer::No);
  choose("3");
  EXPECT_EQ(seqs->currentText().toStdString(), "4");
  EXPECT_EQ(Cfg.MaxActiveSeqs, 3);

  rec.boxes.clear();
  rec.Answer(MsgAnswer::Yes);
  choose("3");
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Warning - Changing no. of seqs may reset port allocation and names, ok?");
  EXPECT_EQ(Cfg.MaxActiveSeqs, 2);
  EXPECT_EQ(PortLists.Out.PortItems, (Strs{"P1- Loopback Out 1", "P2- Synth"}));
  EXPECT_EQ(PortLists.In.PortItems, Strs{"P1- Loopback In 2"});
  EXPECT_EQ(RunCtl.OutPortsAllocated, 1);
  EXPECT_EQ(RunCtl.InPortsAllocated, 0);
  EXPECT_EQ(RunCtl.LivePort, 1);
  EXPECT_EQ(Seqs.PartBufs[0][0].PortPend, 1);
  EXPECT_EQ(ui().cboLivePorts->currentText().toStdString(), "P2- Synth");
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

TEST_F(PortPanelTest, ClosingTheWindowWithThePanelOpenOnlyClosesThePanel) {
  form->show();
  Open();
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(ui().pnlConfigOutPorts->isHidden());
  EXPECT_FALSE(ui().pnlSeqStatus->isHidden());
  EXPECT_TRUE(ui().mnuSettings->menuAction()->isEnabled());
  EXPECT_TRUE(ui().mnuCfgPorts->isEnabled());
  EXPECT_TRUE(rec.boxes.empty());
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

TEST_F(PortPanelTest, LiveVelocityAndPitchLockSurviveTheirRefresh) {
  // The live controls work once an output exists.
  Open();
  Allocate(false, "Loopback Out 1");
  ui().sbtnDone->click();
  QComboBox* svel = ui().cboLiveSVels;
  const int index = svel->findText("7");
  svel->setCurrentIndex(index);
  emit svel->activated(index);
  ui().chkLivePLocked->click();
  EXPECT_EQ(Live.SVel, 7);
  EXPECT_EQ(Live.PitchLocked, 1);
  EXPECT_EQ(svel->currentText().toStdString(), "7");
  EXPECT_EQ(RunCtl.ProgState.load(), TProgState::Config);
}

// The display link's port and device-id lists start at the factory values, are what a save
// writes, and show what a load brings.
TEST_F(PortPanelTest, DisplayLinkListsFollowTheSettings) {
  QComboBox* port = ui().cboTarloPNo;
  QComboBox* id = ui().cboTarloSysexDevId;
  EXPECT_EQ(id->currentText().toStdString(), "1");
  Open();
  Allocate(false, "Loopback Out 1");
  Allocate(false, "Loopback Out 2");
  ui().sbtnDone->click();
  ASSERT_EQ(port->count(), 2);
  port->setCurrentIndex(1);
  emit port->activated(1);
  id->setCurrentIndex(9);
  emit id->activated(9);
  const std::string path = dir + "/link.txt";
  ASSERT_TRUE(SaveConfigFileAs(path, CfgFull, true));
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("\r\nTarloSysEx-PortNo = 2\r\nTarloSysEx-DevId = 9\r\n"), std::string::npos);

  bool ok = false;
  form->LoadConfigAndApply(true, false, ok);
  EXPECT_EQ(id->currentText().toStdString(), "1");
  CfgFiles.ConfigFileName = path;
  form->LoadConfigAndApply(false, false, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(port->currentIndex(), 1);
  EXPECT_EQ(id->currentText().toStdString(), "9");
  for (const auto& b : rec.boxes) ADD_FAILURE() << b.text;
}

}  // namespace
}  // namespace vel
