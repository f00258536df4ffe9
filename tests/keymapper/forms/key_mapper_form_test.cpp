#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>
#include <string>

#include "base/Topics.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "keymapper/KeyMapLists.h"
#include "keymapper/KeyMapperGrid.h"
#include "keymapper/KeyMapsTable.h"
#include "keymapper/forms/KeyGrid.h"
#include "keymapper/forms/KeyMapper.h"
#include "keymapper/forms/KeyMaps.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {
namespace {

class KeyMapperFormTest : public test::FormRig {
 protected:
  TfrmKeyMapper& km() { return form->KeyMapper(); }
  void Key(int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&km(), &e);
  }
  void Wheel(int delta) {
    QWheelEvent e(QPointF(300, 100), QPointF(300, 100), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&km(), &e);
  }
  // A press in the middle of a grid cell.
  void Press(int key, int row) {
    const QPointF at = QRectF(km().Grid->CellRect(key, row)).center();
    QMouseEvent e(QEvent::MouseButtonPress, at, km().Grid->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(km().Grid, &e);
  }
  int First() { return km().Grid->FirstKey(); }
};

TEST_F(KeyMapperFormTest, FirstOpeningScrollsToTheCalibrateKeyLaterOnesKeepTheScrollReinitCloses) {
  Cfg.InPortLiveCmdKey[0] = 48;
  Keys.KeyMode = TKeyMode::Command;
  ASSERT_TRUE(ui().mnuToolsKeyMapper->isEnabled());
  ui().mnuToolsKeyMapper->trigger();
  EXPECT_EQ(km().windowTitle().toStdString(), "Key Mapper");
  EXPECT_EQ(First(), 48);
  EXPECT_EQ(Keys.KeyModeShown.load(), TKeyMode::Command);
  EXPECT_TRUE(Topics.Raised(TTopic::LiveKey));
  EXPECT_EQ(Showing.KeyMapperShowing.load(), 1);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(First(), 60);
  km().close();
  EXPECT_EQ(Showing.KeyMapperShowing.load(), 0);
  ui().mnuCfgKeyMaps->trigger();
  EXPECT_EQ(First(), 60);
  RefreshHooks.CloseKeyMapWindows();
  EXPECT_FALSE(km().isVisible());
}

TEST_F(KeyMapperFormTest, TheTextsAboveTheGridShowWhole) {
  km().Open("Key Mapper");
  for (const char* name : {"lblWarning", "lblHelp1", "lblHelp2"}) {
    const QLabel* l = km().findChild<QLabel*>(name);
    ASSERT_NE(l, nullptr) << name;
    EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(l->text())) << name;
    EXPECT_LE(l->geometry().right(), km().width() - l->x()) << name;
  }
  EXPECT_TRUE(km().findChild<QLabel*>("lblHelp1")->text().endsWith("' ' = key ignored in that mode"));
}

TEST_F(KeyMapperFormTest, CurrentKeyMarksAndDirectionToggleOnlyOnTheCurrentKeyNumber) {
  km().Open("Key Mapper");
  km().SetFirstVisibleKey(36);
  Press(40, TKeyGrid::kHitKeyNo);
  EXPECT_EQ(km().KmCurrentKey, 40);
  EXPECT_TRUE(km().KmPrefillUp);
  EXPECT_EQ(km().Grid->Mark(40).Caption, "40 -->");
  EXPECT_FALSE(km().Grid->Mark(39).InRange);
  Press(40, TKeyGrid::kHitNote);
  EXPECT_TRUE(km().KmPrefillUp);
  Press(40, TKeyGrid::kHitKeyNo);
  EXPECT_FALSE(km().KmPrefillUp);
  EXPECT_EQ(km().Grid->Mark(40).Caption, "<-- 40");
  EXPECT_TRUE(km().Grid->Mark(0).InRange);
  Press(42, TKeyGrid::kHitKeyNo);
  EXPECT_EQ(km().KmCurrentKey, 42);
  EXPECT_FALSE(km().KmPrefillUp);
}

TEST_F(KeyMapperFormTest, KeysAndWheelScrollUnlessAListIsOpenOrQwertyIsOff) {
  km().Open("Key Mapper");
  km().SetFirstVisibleKey(120);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(First(), 120);
  Key(Qt::Key_Right);
  EXPECT_EQ(First(), 121);
  Key(Qt::Key_Home);
  EXPECT_EQ(First(), 0);
  Key(Qt::Key_Down);
  EXPECT_EQ(First(), 0);
  Key(Qt::Key_End);
  EXPECT_EQ(First(), 127);
  Wheel(120);
  EXPECT_EQ(First(), 127);
  Wheel(-120);
  EXPECT_EQ(First(), 126);
  Cfg.TemplateQwertyDisabled = 1;
  Key(Qt::Key_Left);
  EXPECT_EQ(First(), 126);
  Cfg.TemplateQwertyDisabled = 0;
  km().KmLabelHints = false;
  km().SetFirstVisibleKey(36);
  Press(37, ScreenRowOf(MtCmd));
  ASSERT_TRUE(km().KmComboShowing);
  Key(Qt::Key_Right);
  Wheel(120);
  EXPECT_EQ(First(), 36);
  Cfg.TemplateQwertyDisabled = 1;
  Key(Qt::Key_Escape);
  EXPECT_FALSE(km().KmComboShowing);
  EXPECT_FALSE(km().Combos[std::size_t(ScreenRowOf(MtCmd))]->isVisible());
}

TEST_F(KeyMapperFormTest, PicksGoThroughTheListOnlyWhenTheUserPicks) {
  km().Open("Key Mapper");
  km().KmLabelHints = false;
  km().SetFirstVisibleKey(36);
  const int32_t row = ScreenRowOf(MtCmd);
  QComboBox* c = km().Combos[std::size_t(row)];
  const TModeCombo& list = ModeComboOf(MtCmd);
  SetKeyFnCmd(38, 147, " ");
  SetKeyFnCmd(39, 147, "zz9");
  km().FillLabels();
  // A blank cell preselects the ignore item; a caption matching no token keeps the previous item.
  c->setCurrentIndex(3);
  Press(38, row);
  EXPECT_EQ(c->currentIndex(), 0);
  c->setCurrentIndex(3);
  Press(39, row);
  EXPECT_EQ(c->currentIndex(), 3);
  // A programmatic change edits nothing; the user's pick stores the item's code and label.
  c->setCurrentIndex(2);
  EXPECT_EQ(KeyMapCmd[39].load(), 147);
  emit c->activated(2);
  EXPECT_EQ(KeyMapCmd[39].load(), list.Items[2].Code);
  EXPECT_EQ(km().Grid->Caption(row, 39), list.Items[2].Token);
  EXPECT_TRUE(c->isVisible());
  EXPECT_EQ(c->width(), km().Widths.KeyColWidth);
  // Dropped down again it takes its full width with hints.
  km().KmLabelHints = true;
  c->showPopup();
  EXPECT_EQ(c->width(), 260);
  c->hidePopup();
  km().KmLabelHints = false;
  // A key that the octave offset moves out of the maps warns and changes nothing.
  Cfg.InPortOctaveOffset[0] = 2;
  km().SetFirstVisibleKey(10);
  Press(20, row);
  const uint8_t before = KeyMapCmd[0].load();
  rec.boxes.clear();
  emit c->activated(2);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text,
            "Cannot change mapping for key 20\r\nThe octave shift setting has moved the key maps out of "
            "range for this key");
  EXPECT_EQ(KeyMapCmd[0].load(), before);
  EXPECT_FALSE(km().KmComboShowing);
}

// An open list closes when the window is left and on a press right of the last key; while the
// window is active its status bar shows the hint of the control under the mouse.
TEST_F(KeyMapperFormTest, ListsCloseOnLeavingAndPastTheLastKeyAndTheStatusBarShowsHints) {
  km().Open("Key Mapper");
  km().KmLabelHints = false;
  km().SetFirstVisibleKey(126);
  const int32_t row = ScreenRowOf(MtCmd);
  QComboBox* c = km().Combos[std::size_t(row)];
  Press(126, row);
  ASSERT_TRUE(c->isVisible());
  QEvent off(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(&km(), &off);
  EXPECT_FALSE(c->isVisible());
  EXPECT_FALSE(km().KmComboShowing);
  Press(127, row);
  ASSERT_TRUE(c->isVisible());
  const QPointF past(2.5 * km().Widths.KeyColWidth, QRectF(km().Grid->CellRect(127, row)).center().y());
  QMouseEvent e(QEvent::MouseButtonPress, past, km().Grid->mapToGlobal(past), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QCoreApplication::sendEvent(km().Grid, &e);
  EXPECT_FALSE(c->isVisible());
  EXPECT_FALSE(km().KmComboShowing);

  Cfg.AutoHints = 1;
  km().activateWindow();
  QApplication::processEvents();
  ASSERT_TRUE(km().isActiveWindow());
  QStatusBar* bar = km().findChild<QStatusBar*>("stbStatus");
  ASSERT_TRUE(bar);
  const std::pair<QWidget*, const char*> hints[] = {
      {km().lblKey, "MIDI key no. 0-127"},
      {km().RowLabels[std::size_t(row)],
       "Indicates how keys behave in command mode; see Command Reference for more details"},
      {km().sbtnWidth, "Expand/shrink window width"},
  };
  for (const auto& [w, hint] : hints) {
    QStatusTipEvent tip(w->statusTip());
    QCoreApplication::sendEvent(w, &tip);
    EXPECT_EQ(bar->currentMessage().toStdString(), hint);
    EXPECT_EQ(w->toolTip().toStdString(), hint);
  }
}

TEST_F(KeyMapperFormTest, LiveDisplayLightsTheShownRowAndReportsItsError) {
  km().Open("Key Mapper");
  Keys.KeyModeShown = TKeyMode::Command;
  Showing.LastLiveKey = -1;
  PublishTopic(TTopic::LiveKey);
  EXPECT_EQ(km().RowLabels[std::size_t(ScreenRowOf(MtCmd))]->palette().color(QPalette::Window),
            QColor(0, 255, 255));
  EXPECT_TRUE(km().Grid->Style(ScreenRowOf(MtCmd), 60).Bold);
  Keys.KeyModeShown = TKeyMode(200);
  Msgs.StatusAlertPending = 0;
  PublishTopic(TTopic::LiveKey);
  EXPECT_EQ(Msgs.StatusAlertPending.load(), 1);
  EXPECT_EQ(Msgs.StatusAlertText.TakeAndClear(),
            "Design error: UpdateMidiKeyDsp-2 error: Unexpected KeyMode");
  Keys.KeyModeShown = TKeyMode::Inactive;
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

QToolButton* Btn(TfrmKeyMapper& w, const char* name) {
  return w.findChild<QToolButton*>(name);
}

TEST_F(KeyMapperFormTest, PrefillButtonsAskOnceWithTheHintAndSetTheirCodes) {
  km().Open("Key Mapper");
  km().SetFirstVisibleKey(36);
  SetKeyFnRange(MtRec, 0, 127, 207, " ");
  Cfg.InPortOctaveOffset[0] = 1;
  Press(60, TKeyGrid::kHitNote);  // map entry 48, upwards
  rec.Answer(MsgAnswer::No);
  Btn(km(), "sbtnRecRec")->click();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text.substr(0, 45), "About to prefill record mode from C2 to G8, o");
  EXPECT_NE(rec.boxes[0].text.find("(you can toggle"), std::string::npos);
  EXPECT_NE(KeyMapRec[48].load(), 47);
  rec.Answer(MsgAnswer::Yes);
  Btn(km(), "sbtnRecRec")->click();
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[1].text, "About to prefill record mode from C2 to G8, ok?");
  EXPECT_EQ(KeyMapRec[47].load(), 207);
  EXPECT_EQ(KeyMapRec[48].load(), 47);
  EXPECT_EQ(KeyMapRec[127].load(), 47);
  // Prompts off: at once; downwards from the current key.
  Btn(km(), "sbtnPrefillWarningReqd")->click();
  EXPECT_TRUE(Btn(km(), "sbtnPrefillWarningReqd")->isChecked());
  Press(60, TKeyGrid::kHitKeyNo);
  ASSERT_FALSE(km().KmPrefillUp);
  Btn(km(), "sbtnLiveIgnore")->click();
  Btn(km(), "sbtnCmdIgnore")->click();
  EXPECT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(KeyMapLive[0].load(), 162);
  EXPECT_EQ(KeyMapLive[48].load(), 162);
  EXPECT_NE(KeyMapLive[49].load(), 162);
  EXPECT_EQ(KeyMapCmd[48].load(), 147);
  EXPECT_EQ(km().Grid->Caption(ScreenRowOf(MtCmd), 60), " ");
  // "Reset" asks whatever the prompt setting.
  rec.Answer(MsgAnswer::No);
  Btn(km(), "sbtnResetAll")->click();
  ASSERT_EQ(rec.boxes.size(), 3u);
  EXPECT_EQ(rec.boxes[2].text.substr(0, 34), "About to reset all key maps to sta");
  EXPECT_EQ(KeyMapLive[0].load(), 162);
}

// A key-map change from the Config menu (a load, the factory maps) reaches both open views, as the
// mapper's own edits do.
TEST_F(KeyMapperFormTest, BothKeyMapViewsFollowAKeyMapLoadAndTheFactoryReset) {
  const std::string name = dir + "/keys.txt";
  Desktop().FileDialog = [&](const TFileDialog&) { return name; };
  ui().mnuConfigSaveKeyMaps->trigger();
  ASSERT_TRUE(std::filesystem::exists(name));
  Cfg.InPortOctaveOffset[0] = 0;
  km().Open("Key Mapper");
  TfrmKeyMaps& table = form->KeyMaps();
  table.Open("Key Maps Table");
  const int row = ScreenRowOf(MtCmd);
  const int family = std::find(KeyMapperRows.begin(), KeyMapperRows.end(), MtCmd) - KeyMapperRows.begin();
  auto current = [&] {
    return km().Grid->Caption(row, 60) == FillKeyMapperLabels()[std::size_t(family)][60] &&
           table.Lines() == ListKeyMapsTable(0);
  };
  rec.Answer(MsgAnswer::Yes);
  for (QAction* item : {ui().mnuConfigLoadKeyMaps, ui().mnuConfigResetKMaps}) {
    SetKeyFnCmd(60, 2, "zzplay");  // an edit of the mapper's, shown in both
    RefreshKeyMapViews();
    ASSERT_TRUE(current()) << item->objectName().toStdString();
    item->trigger();
    EXPECT_NE(KeyMapCmd[60].load(), 2) << item->objectName().toStdString();
    EXPECT_TRUE(current()) << item->objectName().toStdString();
  }
}

}  // namespace
}  // namespace vel
