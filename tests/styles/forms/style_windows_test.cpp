#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <string>

#include "base/EngineLock.h"
#include "base/Showing.h"
#include "base/Topics.h"
#include "keys/StyleKeys.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/MainControls.h"
#include "mainwindow/forms/MainStatus.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/Settings.h"
#include "settings/forms/CfgMetr.h"
#include "styles/StyleChains.h"
#include "styles/forms/CfgStyle.h"
#include "tools/forms/Template.h"
#include "ui_CfgMetr.h"
#include "ui_CfgStyle.h"
#include "ui_Main.h"

namespace vel {
namespace {

// One suite for both windows: the parameter says drum.
class StyleWindowTest : public test::FormRig, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    FormRig::SetUp();
    S().ShowChains = 1;
    S().ShowPatterns = 1;
    rebuilds = 0;
    OnMetrRebuildRequest = [] { ++rebuilds; };
  }
  void TearDown() override {
    OnMetrRebuildRequest = nullptr;
    FormRig::TearDown();
  }
  bool Drum() const { return GetParam(); }
  TStyleStore& S() { return Drum() ? DrumStore : BassStore; }
  TfrmCfgStyle& W() { return Drum() ? form->CfgDrum() : form->CfgBass(); }
  Ui::frmCfgStyle& U() { return *W().ui; }
  void Open() {
    if (Drum())
      form->Views().ShowCfgMetrDrum();
    else
      form->Views().ShowCfgMetrBass();
    ASSERT_TRUE(W().isVisible());
  }
  void Press(QWidget* w, int x, Qt::MouseButton b = Qt::LeftButton,
             QEvent::Type t = QEvent::MouseButtonPress) {
    QMouseEvent e(t, QPointF(x, 2), w->mapToGlobal(QPointF(x, 2)), b, b, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  // The middle of step n (from 0) of a grid row.
  int StepX(int n) { return W().GridCharWidth() * n + W().GridCharWidth() / 2; }
  std::string Text(QLabel* l) { return l->text().toStdString(); }
  static std::string Line(QListWidget* l, int row) {
    return row < l->count() ? l->item(row)->text().toStdString() : "(none)";
  }
  QLabel* Cell(int step, int col) { return W().ChainCells[0][step][col]; }
  static inline int rebuilds = 0;
};
INSTANTIATE_TEST_SUITE_P(Families, StyleWindowTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Drum" : "Bass"; });

TEST_P(StyleWindowTest, OpensFromMenuAndMetrWindowWithListsGridAndCaptions) {
  QAction* item = form->findChild<QAction*>(Drum() ? "mnuCfgDrum" : "mnuCfgBass");
  ASSERT_TRUE(item && item->isEnabled());
  item->trigger();
  EXPECT_EQ(W().windowTitle().toStdString(),
            SettingsCaption(Drum() ? "Settings - Metronome drum" : "Settings - Metronome bass"));
  EXPECT_TRUE(W().isVisible());
  EXPECT_EQ(Line(U().lstPatStyles, 0), Drum() ? "01 4/4 Rock" : "01 4/4 Sample1");
  EXPECT_EQ(Line(U().lstPatMains, 0), "40 4/4 Main1");
  EXPECT_EQ(Line(U().lstPatBreaks, 0), "70 4/4 Break1");
  EXPECT_EQ(U().lstPatMains->currentRow(), 0);
  EXPECT_EQ(Text(U().lblvPatTSigSteps), Drum() ? "4/4, 16" : "4/4, 8");
  EXPECT_EQ(Text(W().lblvGridSteps[2]), Drum() ? "x.x.x.x.x.x.x.x." : "..t...tt");
  EXPECT_EQ(Text(W().lblvGridBeats[0]), Drum() ? ".   .   .   .   " : ".   .   ");
  EXPECT_EQ(W().cboNotes[0]->currentIndex(), 127 - S().RowMap[1].Note);
  // The drum lists are wider while they show the General MIDI names.
  EXPECT_EQ(W().cboNotes[0]->width() > form->CfgBass().cboNotes[0]->width(), Drum());
  EXPECT_EQ(U().chkDspGMNames->isVisibleTo(&W()), Drum());
  // Styles mode off at factory.
  Cfg.MetrTypePitchLocked = 1;
  EXPECT_EQ(U().grpStyles->title().toStdString(),
            std::string(Drum() ? "Drum" : "Bass") + " styles - n/a if styles mode is off");
  Cfg.MetrModeStyles = 1;
  form->Controls().UpdateMetrControls(false);
  EXPECT_EQ(U().grpPattern->title().toStdString(),
            Drum() ? "Drum pattern" : "Bass pattern - n/a if metr type is drum");
  W().close();
  EXPECT_FALSE(W().isVisible());
  // The metronome window's button opens it too.
  form->Views().ShowCfgMetr();
  (Drum() ? form->CfgMetr().ui->sbtnConfigDrum : form->CfgMetr().ui->sbtnConfigBass)->click();
  EXPECT_TRUE(W().isVisible());
}

TEST_P(StyleWindowTest, GridClicksEditRevertAndRefuseInChainMode) {
  Open();
  QLabel* row = W().lblvGridSteps[13];  // an empty row of both factory patterns
  const std::string before = Text(row);
  const TStylePattern saved = S().Patterns[0][0];
  const int steps = S().Patterns[0][0].Steps;
  Press(row, StepX(1));
  EXPECT_EQ(Text(row)[1], 'x');
  EXPECT_EQ(S().Patterns[0][0].Rows[14].At(1), 'x');
  EXPECT_EQ(rebuilds, 1);
  EXPECT_TRUE(U().sbtnRevertPat->isEnabled());
  Press(row, StepX(1), Qt::RightButton);
  EXPECT_EQ(Text(row)[1], Drum() ? 'f' : 't');
  // Right of the last step: nothing.
  Press(row, StepX(steps));
  Press(U().lblvGridAccent, StepX(0), Qt::RightButton);
  EXPECT_EQ(rebuilds, 2);
  U().sbtnRevertPat->click();
  EXPECT_EQ(Text(row), before);
  EXPECT_TRUE(SamePattern(S().Patterns[0][0], saved));
  EXPECT_FALSE(U().sbtnRevertPat->isEnabled());

  U().chkChainOn->click();
  EXPECT_EQ(S().ChainOn, 1);
  EXPECT_FALSE(U().lstPatStyles->isEnabled());
  EXPECT_FALSE(U().sbtnCopyPat->isEnabled());
  rec.boxes.clear();
  Press(row, StepX(0));
  W().OpenEditor(TfrmCfgStyle::TEditor::PatName);
  Press(Cell(0, 0), 3);
  W().sbtnChainNoStart[0]->click();
  ASSERT_EQ(rec.boxes.size(), 4u);
  EXPECT_EQ(rec.boxes[0].text, "Cannot edit pattern if chain mode is on");
  EXPECT_EQ(rec.boxes[1].text, "Can't edit pattern name if chain mode is on");
  EXPECT_EQ(rec.boxes[2].text, "Cannot change style/pattern if chain mode is on");
  EXPECT_EQ(rec.boxes[3].text, "Cannot set chain start if chain mode is on");
  EXPECT_TRUE(W().sbtnChainNoStart[0]->isChecked());
  EXPECT_EQ(Text(row), before);
  U().chkChainOn->click();
  EXPECT_TRUE(U().lstPatStyles->isEnabled());
}

TEST_P(StyleWindowTest, TimeSignatureEditorRefusesKeepsOpenAsksAndRebuilds) {
  Open();
  using E = TfrmCfgStyle::TEditor;
  QLineEdit* edt = U().edtPatTSigSteps;
  const int steps = S().Patterns[0][0].Steps;
  W().OpenEditor(E::TSigSteps);
  ASSERT_TRUE(W().EditorOpen(E::TSigSteps));
  const QString opened = edt->text();
  for (const char* bad : {"abc", "3/5", "0", "", "99999999999"}) {
    edt->setText(bad);
    rec.boxes.clear();
    emit edt->returnPressed();
    ASSERT_EQ(rec.boxes.size(), 1u) << bad;
    EXPECT_EQ(rec.boxes[0].kind, MsgKind::Error);
    EXPECT_TRUE(W().EditorOpen(E::TSigSteps)) << bad;
    EXPECT_EQ(edt->text(), opened) << bad;
  }
  EXPECT_EQ(rebuilds, 0);
  // A shrink that loses notes asks; No keeps everything.
  edt->setText("4/4 4");
  rec.Answer(MsgAnswer::No);
  rec.boxes.clear();
  emit edt->returnPressed();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "About to truncate pattern from " + std::to_string(steps) +
                                   " steps to 4; some grid data will be discarded, ok?");
  EXPECT_EQ(S().Patterns[0][0].Steps, steps);
  edt->setText("3/4, 12");
  emit edt->returnPressed();
  EXPECT_FALSE(W().EditorOpen(E::TSigSteps));
  EXPECT_EQ(S().Patterns[0][0].Steps, 12);
  EXPECT_EQ(Text(U().lblvPatTSigSteps), "3/4, 12");
  EXPECT_EQ(Line(U().lstPatMains, 0), "40 3/4 Main1");
  EXPECT_EQ(rebuilds, 1);
}

TEST_P(StyleWindowTest, NameEditorsStoreAsTypedCancelRestoresAcceptNamesUnnamed) {
  Open();
  using E = TfrmCfgStyle::TEditor;
  const std::string name = S().Styles[0].Name.Str();
  Press(U().lblvStyleName, 2, Qt::LeftButton, QEvent::MouseButtonDblClick);
  ASSERT_TRUE(W().EditorOpen(E::StyleName));
  EXPECT_EQ(U().edtStyleName->maxLength(), 10);
  emit U().edtStyleName->textEdited("Swing;x");
  EXPECT_EQ(S().Styles[0].Name, "Swing");
  EXPECT_EQ(Line(U().lstPatStyles, 0), "01 4/4 Swing");
  // Ten characters are held and shown whole however many bytes they take.
  emit U().edtStyleName->textEdited(QString::fromUtf8("Rockabill\xC3\xA9"));
  EXPECT_EQ(S().Styles[0].Name, "Rockabill\xC3\xA9");
  EXPECT_EQ(Line(U().lstPatStyles, 0), "01 4/4 Rockabill\xC3\xA9");
  U().btnStyleNameEsc->click();
  EXPECT_FALSE(W().EditorOpen(E::StyleName));
  EXPECT_EQ(S().Styles[0].Name, name);
  W().OpenEditor(E::StyleName);
  U().edtStyleName->setText("  ");
  emit U().edtStyleName->returnPressed();
  EXPECT_EQ(S().Styles[0].Name, "Unnamed");
  // Any other action drops an open edit; so does a key that switches the metronome type.
  W().OpenEditor(E::PatName);
  emit U().edtPatName->textEdited("Verse");
  EXPECT_EQ(S().Patterns[0][0].Name, "Verse");
  RaiseTopic(TTopic::MetrModeByKey);
  form->Status().tmUpdateDspStatusTimer();
  EXPECT_FALSE(W().EditorOpen(E::PatName));
  EXPECT_EQ(S().Patterns[0][0].Name, "Main1");
  // So does activating the virtual keyboard.
  W().OpenEditor(E::PatName);
  form->Template().show();
  form->Template().activateWindow();
  QApplication::processEvents();
  EXPECT_FALSE(W().EditorOpen(E::PatName));
}

TEST_P(StyleWindowTest, EditorsKeepToThePatternTheyOpenedOnWhenAKeyMovesTheSelection) {
  Open();
  using E = TfrmCfgStyle::TEditor;
  const int brk = kStyleFirstBreak;
  const int brkSteps = S().Patterns[0][brk].Steps;
  // A pattern key on the MIDI keyboard (or a break) moves the selection under an open editor.
  auto patternKey = [&](int pattern) {
    std::lock_guard lock(EngineLock);
    ASSERT_TRUE(SelectStyle(S(), 0, pattern));
  };
  W().OpenEditor(E::PatName);
  patternKey(brk);
  emit U().edtPatName->textEdited("Verse");
  EXPECT_EQ(S().Patterns[0][0].Name, "Verse");
  U().btnPatNameEsc->click();
  EXPECT_EQ(S().Patterns[0][0].Name, "Main1");
  EXPECT_EQ(S().Patterns[0][brk].Name, "Break1");
  patternKey(0);
  W().OpenEditor(E::TSigSteps);
  patternKey(brk);
  U().edtPatTSigSteps->setText("3/4, 12");
  rec.Answer(MsgAnswer::Yes);
  emit U().edtPatTSigSteps->returnPressed();
  EXPECT_EQ(S().Patterns[0][0].Steps, 12);
  EXPECT_EQ(S().Patterns[0][brk].Steps, brkSteps);
}

TEST_P(StyleWindowTest, DeletesAskAndAddsFillTheLists) {
  Open();
  rec.Answer(MsgAnswer::No);
  U().sbtnDelMain->click();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].kind, MsgKind::Confirmation);
  EXPECT_EQ(S().Styles[0].LastMain, 0);
  U().sbtnAddMain->click();
  U().sbtnInsMain->click();
  EXPECT_EQ(U().lstPatMains->count(), 3);
  EXPECT_EQ(U().lstPatMains->currentRow(), 1);
  EXPECT_EQ(Line(U().lstPatMains, 2), "42 4/4 ");
  // Delete every main: the break is selected, not an undefined slot.
  for (int i = 0; i < 3; ++i) U().sbtnDelMain->click();
  EXPECT_EQ(U().lstPatMains->count(), 0);
  EXPECT_EQ(S().PatNo, 30);
  EXPECT_EQ(U().lstPatBreaks->currentRow(), 0);
  EXPECT_FALSE(U().sbtnDelMain->isEnabled());
  U().sbtnDelBreak->click();
  // No pattern left: the grid is empty and refuses clicks.
  EXPECT_EQ(Text(W().lblvGridSteps[0]), "");
  rebuilds = 0;
  Press(W().lblvGridSteps[0], StepX(0));
  EXPECT_EQ(rebuilds, 0);
  U().sbtnAddStyle->click();
  EXPECT_EQ(U().lstPatStyles->count(), 2);
  EXPECT_EQ(U().lstPatStyles->currentRow(), 1);
  EXPECT_EQ(Line(U().lstPatStyles, 1), "02 4/4 Unnamed");
  rec.boxes.clear();
  U().sbtnDelStyle->click();
  EXPECT_EQ(
      rec.boxes.at(0).text,
      "About to delete current style '02 Unnamed', ok?\r\n\r\nAll main and break patterns for this style "
      "will also be deleted");
  EXPECT_EQ(U().lstPatStyles->count(), 1);
  // A full list refuses with a box.
  S().LastStyle = kStyleCount - 1;
  rec.boxes.clear();
  U().sbtnAddStyle->click();
  EXPECT_EQ(rec.boxes.at(0).text, "Style list is full (40 styles)");
}

TEST_P(StyleWindowTest, ADeleteDropsTheUndoCopySoRevertCannotPutItOverTheNextPattern) {
  Open();
  U().sbtnAddMain->click();
  const TStylePattern added = S().Patterns[0][1];
  W().PatListClick(TPatList::Main, 0);
  Press(W().lblvGridSteps[13], StepX(1));
  ASSERT_TRUE(U().sbtnRevertPat->isEnabled());
  rec.Answer(MsgAnswer::Yes);
  U().sbtnDelMain->click();
  // The new main moved into the deleted one's place; the undo copy was the deleted pattern's.
  ASSERT_EQ(S().PatNo, 0);
  ASSERT_TRUE(SamePattern(S().Patterns[0][0], added));
  EXPECT_FALSE(U().sbtnRevertPat->isEnabled());
  W().RevertClick();
  EXPECT_TRUE(SamePattern(S().Patterns[0][0], added));
}

TEST_P(StyleWindowTest, ShowingTheChainsKeepsTheStylesWhereTheyWereAndTheWindowOnTheScreen) {
  S().ShowChains = 0;
  Open();
  // Each show button keeps its own arrow, pointing to where its group stands, whichever shows.
  const std::string patternHint =
      !Drum() ? "Show/hide pattern & note settings" : "Show/hide pattern & instrument settings";
  for (int shown = 0; shown < 4; ++shown) {
    if (U().sbtnShowChains->isChecked() != ((shown & 1) != 0)) U().sbtnShowChains->click();
    if (U().sbtnShowPatterns->isChecked() != ((shown & 2) != 0)) U().sbtnShowPatterns->click();
    EXPECT_EQ(U().sbtnShowChains->text().toStdString(), "\u21E6") << shown;
    EXPECT_EQ(U().sbtnShowPatterns->text().toStdString(), "\u21E8") << shown;
  }
  EXPECT_EQ(U().sbtnShowChains->statusTip().toStdString(), "Show/hide chain/song settings");
  EXPECT_EQ(U().sbtnShowPatterns->statusTip().toStdString(), patternHint);
  U().sbtnShowChains->click();
  const int screenLeft = W().screen()->availableGeometry().left();
  for (const int left : {screenLeft + 700, screenLeft + 10}) {
    W().move(left, 40);
    QApplication::processEvents();
    const QPoint styles = U().grpStyles->mapToGlobal(QPoint(0, 0));
    U().sbtnShowChains->click();
    QApplication::processEvents();
    ASSERT_TRUE(U().grpChains->isVisible());
    if (left > screenLeft + 10)
      EXPECT_EQ(U().grpStyles->mapToGlobal(QPoint(0, 0)), styles);
    else
      EXPECT_EQ(W().x(), screenLeft);
    U().sbtnShowChains->click();
  }
}

TEST_P(StyleWindowTest, ChainCellsTriggerAndSelectionCopy) {
  S().Chains[0][0] = {-1, 0, 30, 2};
  Open();
  EXPECT_EQ(Text(Cell(0, 0)) + Text(Cell(0, 1)) + Text(Cell(0, 2)) + Text(Cell(0, 3)), "0170 2 -");
  EXPECT_EQ(Cell(0, 0)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(Cell(1, 0)->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
  Press(Cell(1, 2), 2, Qt::RightButton);
  EXPECT_EQ(S().Chains[0][1].Repeats, 1);
  EXPECT_EQ(Text(Cell(1, 2)), " 1");
  Press(Cell(1, 3), 2, Qt::LeftButton);
  EXPECT_EQ(S().Chains[0][1].Jump, -1);
  // A selected cell takes the pattern then picked, and lets go.
  Press(Cell(1, 1), 2);
  EXPECT_EQ(S().ChainCellStep, 1);
  EXPECT_EQ(U().lblMains->palette().color(QPalette::Window), QColor(255, 255, 0));
  emit U().lstPatBreaks->itemClicked(U().lstPatBreaks->item(0));
  EXPECT_EQ(S().Chains[0][1].Pattern, 30);
  EXPECT_EQ(S().ChainCellStep, -1);
  EXPECT_EQ(Text(Cell(1, 0)), " -");
  // The trigger: only while the metronome plays this family, else it stays idle.
  U().sbtnTriggerBreak->click();
  EXPECT_EQ(U().sbtnTriggerBreak->text().toStdString(), "/");
  S().BreakTrigger = 1;
  PublishTopic(S().Traits->Topics.Trigger);
  EXPECT_EQ(U().sbtnTriggerBreak->text().toStdString(), ">");
  EXPECT_TRUE(U().sbtnTriggerBreak->font().bold());
  S().BreakTrigger = 0;
  S().BreakActive = 1;
  PublishTopic(S().Traits->Topics.Trigger);
  EXPECT_EQ(U().sbtnTriggerBreak->text().toStdString(), "<");
  U().sbtnTriggerBreak->click();
  EXPECT_EQ(U().sbtnTriggerBreak->text().toStdString(), "/");
  EXPECT_EQ(S().BreakActive, 0);
}

// Activating the window, or the virtual keyboard, drops an edit left open and lets a selected
// chain cell go, so the next pattern picked is not copied into that step. Back from a modal box
// (the time signature's error) the editor stays open to be put right.
TEST_P(StyleWindowTest, ActivationDropsOpenEditsAndTheChainCell) {
  using E = TfrmCfgStyle::TEditor;
  Open();
  S().Chains[0][1] = {-1, 0, 0, 1};
  TfrmTemplate& keyboard = form->Template();
  auto activate = [](QWidget* w) {
    QEvent off(QEvent::WindowDeactivate), on(QEvent::WindowActivate);
    QApplication::sendEvent(w, &off);
    QApplication::sendEvent(w, &on);
  };
  const std::string name = S().Patterns[0][0].Name.Str();
  for (QWidget* w : {static_cast<QWidget*>(&W()), static_cast<QWidget*>(&keyboard)}) {
    SCOPED_TRACE(w->objectName().toStdString());
    W().OpenEditor(E::PatName);
    U().edtPatName->setText("half");
    activate(w);
    EXPECT_FALSE(W().EditorOpen(E::PatName));
    EXPECT_EQ(S().Patterns[0][0].Name.Str(), name);
    Press(Cell(1, 1), 2);
    ASSERT_EQ(S().ChainCellStep, 1);
    activate(w);
    EXPECT_EQ(S().ChainCellStep, -1);
    EXPECT_EQ(U().lblMains->palette().color(QPalette::Window),
              U().lblBreaks->palette().color(QPalette::Window));
    emit U().lstPatBreaks->itemClicked(U().lstPatBreaks->item(0));
    EXPECT_EQ(S().Chains[0][1].Pattern, 0);
  }
  W().OpenEditor(E::TSigSteps);
  QWidget box;
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  QEvent off(QEvent::WindowDeactivate), on(QEvent::WindowActivate);
  QApplication::sendEvent(&W(), &off);
  box.hide();
  QApplication::sendEvent(&W(), &on);
  EXPECT_TRUE(W().EditorOpen(E::TSigSteps));
  activate(&W());
  EXPECT_FALSE(W().EditorOpen(E::TSigSteps));
}

TEST_P(StyleWindowTest, RowsNoteListsLevelsAndResets) {
  Open();
  W().cboNotes[0]->setCurrentIndex(0);
  emit W().cboNotes[0]->activated(0);
  EXPECT_EQ(S().RowMap[1].Note, 127);
  W().chkNotes[2]->click();
  EXPECT_EQ(S().RowOn[2], 0);
  // A muted row with steps shows light green.
  EXPECT_EQ(W().cboNotes[2]->palette().color(QPalette::Button), QColor(0xC0, 0xF0, 0xC0));
  W().tbVels[0]->setValue(33);
  EXPECT_EQ(S().RowVel[0], 33);
  rec.Answer(MsgAnswer::Yes);
  U().sbtnResetNotes->click();
  EXPECT_EQ(rec.boxes.at(0).text,
            Drum() ? "About to reset all drum instruments to factory settings, ok?\r\n(on/off "
                     "settings will remain unchanged)"
                   : "About to reset all bass notes to factory settings, ok?\r\n(on/off "
                     "settings will remain unchanged)");
  EXPECT_EQ(S().RowMap[1].Note, S().Traits->Notes[1]);
  EXPECT_EQ(S().RowOn[2], 0);
  EXPECT_EQ(S().RowVel[0], 33);
  EXPECT_EQ(W().cboNotes[0]->currentIndex(), 127 - S().Traits->Notes[1]);
  U().sbtnResetVels->click();
  EXPECT_EQ(S().RowVel[0], 80);
  EXPECT_EQ(W().tbVels[0]->value(), 80);
  if (Drum()) {
    U().chkDspGMNames->click();
    EXPECT_EQ(W().cboNotes[0]->width(), form->CfgBass().cboNotes[0]->width());
    EXPECT_EQ(W().cboNotes[0]->itemText(127 - 36).toStdString(), "C1");
    EXPECT_EQ(W().cboNotes[0]->currentIndex(), 127 - S().Traits->Notes[1]);
  }
}

}  // namespace
}  // namespace vel
