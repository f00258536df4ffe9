#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <filesystem>
#include <string>

#include "base/Showing.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"
#include "settings/forms/CfgColours.h"
#include "settings/forms/CfgKinetrace.h"
#include "settings/forms/CfgPerf.h"
#include "settings/forms/CfgVKbd.h"
#include "tools/TemplateSettings.h"
#include "ui_CfgColours.h"
#include "ui_CfgKinetrace.h"
#include "ui_CfgPerf.h"
#include "ui_CfgVKbd.h"
#include "ui_Main.h"

namespace vel {
namespace {

using CfgWindowsTest = test::FormRig;

// A user's pick of a list item.
void Pick(QComboBox* c, const QString& text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

int Checked(QButtonGroup* g) {
  return g->checkedId();
}

TEST_F(CfgWindowsTest, MenuItemsOpenTheBuiltWindowsOnlyWithTheMainWindowsTitles) {
  EXPECT_FALSE(form->CfgPerf().isVisible());
  struct Row {
    QAction* item;
    QWidget* window;
    const char* title;
  } rows[] = {
      {ui().mnuCfgColours, &form->CfgColours(), "Settings - Colours"},
      {ui().mnuCfgPerformance, &form->CfgPerf(), "Settings - Performance"},
      {ui().mnuCfgKinetrace, &form->CfgKinetrace(), "Settings - Kinetrace"},
      {ui().mnuCfgVKbd, &form->CfgVKbd(), "Settings - Virtual keyboard"},
  };
  for (const Row& r : rows) {
    ASSERT_TRUE(r.item->isEnabled()) << r.title;
    r.item->trigger();
    EXPECT_TRUE(r.window->isVisible()) << r.title;
    EXPECT_EQ(r.window->windowTitle().toStdString(), SettingsCaption(r.title));
    EXPECT_TRUE(r.window->windowFlags() & Qt::Tool);
    r.window->close();
    EXPECT_FALSE(r.window->isVisible()) << r.title;
  }
}

TEST_F(CfgWindowsTest, ARequestReachesOnlyAShowingWindowAndEverySettingsLoadReloadsIt) {
  TfrmCfgKinetrace& k = form->CfgKinetrace();
  TfrmCfgPerf& p = form->CfgPerf();
  Cfg.KinetraceSize = 2;
  PublishTopic(TTopic::Kinetrace);
  EXPECT_EQ(Checked(k.Size), -1);  // hidden: not asked
  ui().mnuCfgKinetrace->trigger();
  EXPECT_EQ(Checked(k.Size), 2);
  Cfg.KinetraceSize = 4;
  PublishTopic(TTopic::Kinetrace);
  EXPECT_EQ(Checked(k.Size), 4);
  // The menu's steps are followed by the open window.
  ui().mnuKinetraceIncSize->trigger();
  EXPECT_EQ(Checked(k.Size), 5);

  // Every settings load reloads the open windows, the second as the first; the hidden one stays.
  ui().mnuCfgPerformance->trigger();
  bool ok = false;
  for (int load = 0; load < 2; ++load) {
    const QSignalBlocker block(p.ui->cboDspMetrIntervals);
    p.ui->cboDspMetrIntervals->setCurrentIndex(0);
    Cfg.KinetraceSize = 1;
    form->LoadConfigAndApply(true, false, ok);
    EXPECT_EQ(p.ui->cboDspMetrIntervals->currentText().toInt(), Cfg.DspMetrInterval) << load;
    EXPECT_NE(Cfg.DspMetrInterval, 5);
    EXPECT_EQ(Checked(k.Size), Cfg.KinetraceSize) << load;
  }
  k.close();
  form->CfgVKbd().ui->cboKeySize->setCurrentIndex(0);
  form->LoadConfigAndApply(true, false, ok);
  EXPECT_EQ(form->CfgVKbd().ui->cboKeySize->currentIndex(), 0);
}

// What each loader shows of a stored value, that the value stays, and what a pick stores.
TEST_F(CfgWindowsTest, PerfLoaderShowsTheNextStepAndAPickStoresTheShownValue) {
  TfrmCfgPerf& p = form->CfgPerf();
  struct Row {
    int32_t* setting;
    QComboBox* combo;
    int32_t stored;
    const char* shown;
  } rows[] = {
      {&Cfg.DspStatusInterval, p.ui->cboDspStatusIntervals, 12, "15"},
      {&Cfg.DspStatusInterval, p.ui->cboDspStatusIntervals, 5, "5"},
      {&Cfg.DspMetrInterval, p.ui->cboDspMetrIntervals, 900, "200"},
      {&Cfg.DspDiagInterval, p.ui->cboDspDiagIntervals, 3, "10"},
      {&Cfg.DspDiagInterval, p.ui->cboDspDiagIntervals, 41, "50"},
  };
  ui().mnuCfgPerformance->trigger();
  for (const Row& r : rows) {
    *r.setting = r.stored;
    PublishTopic(TTopic::Settings);
    EXPECT_EQ(r.combo->currentText().toStdString(), r.shown) << r.stored;
    EXPECT_EQ(*r.setting, r.stored);
  }
  Pick(p.ui->cboDspStatusIntervals, "35");
  Pick(p.ui->cboDspDiagIntervals, "120");
  EXPECT_EQ(Cfg.DspStatusInterval, 35);
  EXPECT_EQ(Cfg.DspDiagInterval, 120);
  Cfg.SeqPanelsDBuff = 0;
  Cfg.KinetraceDBuff = 1;
  PublishTopic(TTopic::Settings);
  EXPECT_FALSE(p.ui->chkSeqPanelsDBuff->isChecked());
  EXPECT_TRUE(p.ui->chkKinetraceDBuff->isChecked());
  p.ui->chkKinetraceDBuff->click();
  EXPECT_EQ(Cfg.KinetraceDBuff, 0);
  // "Save" refused gives its text and leaves the window open.
  ui().mnuConfig->menuAction()->setEnabled(false);
  p.ui->sbtnSaveConfig->click();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Unable to save config file while main 'Config' menu is disabled");
  EXPECT_FALSE(std::filesystem::exists(form->DataFolder() + kDefaultCfgName));
  EXPECT_TRUE(p.isVisible());
}

TEST_F(CfgWindowsTest, KinetraceLoaderLeavesAValueNoButtonHoldsStoredAndDecayOffDisablesTails) {
  TfrmCfgKinetrace& k = form->CfgKinetrace();
  struct Row {
    int32_t* setting;
    QButtonGroup* TfrmCfgKinetrace::*group;
    int32_t stored;
    int shown;
  } rows[] = {
      {&Cfg.KinetraceStyle, &TfrmCfgKinetrace::Style, 2, 2},
      {&Cfg.KinetraceStyle, &TfrmCfgKinetrace::Style, 3, -1},
      {&Cfg.KinetraceSize, &TfrmCfgKinetrace::Size, 7, -1},
      {&Cfg.KinetraceSize, &TfrmCfgKinetrace::Size, 6, 6},
      {&Cfg.KinetraceDecay, &TfrmCfgKinetrace::Decay, 0, -1},
      {&Cfg.KinetraceShape, &TfrmCfgKinetrace::Shape, 4, 4},
      {&Cfg.KinetraceTail, &TfrmCfgKinetrace::Tail, 9, 9},
      {&Cfg.KinetraceTail, &TfrmCfgKinetrace::Tail, 10, -1},
  };
  ui().mnuCfgKinetrace->trigger();
  for (const Row& r : rows) {
    *r.setting = r.stored;
    PublishTopic(TTopic::Kinetrace);
    EXPECT_EQ(Checked(k.*r.group), r.shown) << r.stored;
    EXPECT_EQ(*r.setting, r.stored);
  }
  // The loader moves the track bar without its handler: a hand-edited place stays stored.
  Cfg.KinetracePosn = 40;
  PublishTopic(TTopic::Kinetrace);
  EXPECT_EQ(k.ui->tbKinetracePosn->value(), 22);
  EXPECT_EQ(Cfg.KinetracePosn, 40);
  Cfg.KinetracePosn = 9;
  PublishTopic(TTopic::Kinetrace);
  EXPECT_EQ(k.ui->tbKinetracePosn->value(), 9);
  k.ui->tbKinetracePosn->setValue(12);
  EXPECT_EQ(Cfg.KinetracePosn, 12);

  // Decay off disables the tails and keeps the tail; on again enables them.
  Cfg.KinetraceTail = 4;
  k.ui->rbKinetraceDecay1->click();
  EXPECT_EQ(Cfg.KinetraceDecay, 1);
  EXPECT_FALSE(k.ui->rbKinetraceTail4->isEnabled());
  EXPECT_EQ(Cfg.KinetraceTail, 4);
  k.ui->rbKinetraceDecay2->click();
  EXPECT_EQ(Cfg.KinetraceDecay, 2);
  EXPECT_TRUE(k.ui->rbKinetraceTail4->isEnabled());
  // The loader sets the enabling too.
  Cfg.KinetraceDecay = 1;
  PublishTopic(TTopic::Kinetrace);
  EXPECT_FALSE(k.ui->rbKinetraceTail9->isEnabled());
  k.ui->rbKinetraceTail7->click();
  EXPECT_EQ(Cfg.KinetraceTail, 4);
  k.ui->rbKinetraceDecay3->click();
  k.ui->rbKinetraceTail7->click();
  k.ui->rbKinetraceShape2->click();
  EXPECT_EQ(Cfg.KinetraceTail, 7);
  EXPECT_EQ(Cfg.KinetraceShape, 2);
}

TEST_F(CfgWindowsTest, VKbdLoaderAndPicksAndDepressionOffDisablesDecay) {
  TfrmCfgVKbd& v = form->CfgVKbd();
  // Start-up applied the loaded key length.
  EXPECT_EQ(GetTemplateKeySize(), Cfg.TemplateKeySizeLoaded);
  SetTemplateKeySize(12);
  SetTemplateChanNo(3);
  Cfg.TemplateAnimateSize = 6;
  SetTemplateAnimateDecay(2);
  Cfg.TemplateQwertyDisabled = 1;
  ui().mnuCfgVKbd->trigger();
  EXPECT_EQ(v.ui->cboKeySize->currentText(), "15");
  EXPECT_EQ(GetTemplateKeySize(), 12);
  EXPECT_EQ(v.ui->cboTemplateChanNo->currentText(), "4");
  EXPECT_EQ(Checked(v.AnimSize), -1);
  EXPECT_EQ(Cfg.TemplateAnimateSize, 6);
  EXPECT_EQ(Checked(v.AnimDecay), 2);
  EXPECT_TRUE(v.ui->chkTemplateQwertyDisabled->isChecked());

  Pick(v.ui->cboKeySize, "100");
  Pick(v.ui->cboTemplateChanNo, "16");
  EXPECT_EQ(GetTemplateKeySize(), 100);
  EXPECT_EQ(GetTemplateChanNo(), 15);
  v.ui->rbTemplateAnimSize1->click();
  EXPECT_EQ(Cfg.TemplateAnimateSize, 1);
  EXPECT_FALSE(v.ui->rbTemplateAnimDecay3->isEnabled());
  v.ui->rbTemplateAnimSize3->click();
  EXPECT_TRUE(v.ui->rbTemplateAnimDecay3->isEnabled());
  v.ui->rbTemplateAnimDecay4->click();
  EXPECT_EQ(GetTemplateAnimateDecay(), 4);
  v.ui->chkTemplateQwertyDisabled->click();
  EXPECT_EQ(Cfg.TemplateQwertyDisabled, 0);
  v.ui->chkQwertyRawPort->click();
  EXPECT_EQ(Cfg.QwertyRawPort, 1);
}

TEST_F(CfgWindowsTest, PlacesSurviveASaveAndRestartAndALostPlaceIsCentred) {
  ui().mnuCfgPerformance->trigger();
  form->CfgPerf().move(123, 45);
  form->move(20, 30);
  EXPECT_EQ(Cfg.WindowCfgPerfLeft, 123);
  EXPECT_EQ(Cfg.WindowMainLeft, 20);
  form->CfgPerf().ui->sbtnSaveConfig->click();
  ASSERT_TRUE(std::filesystem::exists(form->DataFolder() + kDefaultCfgName));
  // A settings load leaves the open windows where they are, and their places with them.
  bool ok = false;
  form->LoadConfigAndApply(true, false, ok);
  EXPECT_EQ(Cfg.WindowCfgPerfLeft, 123);
  EXPECT_EQ(Cfg.WindowMainTop, 30);

  form.reset();
  ResetAllToFactory();
  form = std::make_unique<TfrmMain>();
  ASSERT_TRUE(form->Started());
  EXPECT_EQ(form->pos(), QPoint(20, 30));
  EXPECT_EQ(Cfg.WindowCfgPerfTop, 45);
  ui().mnuCfgPerformance->trigger();
  EXPECT_EQ(form->CfgPerf().pos(), QPoint(123, 45));

  // A place off every screen opens centred on the first.
  form->CfgPerf().close();
  Cfg.WindowCfgPerfLeft = 30000;
  ui().mnuCfgPerformance->trigger();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form->CfgPerf().frameGeometry().center().x() / 4, screen.center().x() / 4);
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

class CfgColoursTest : public test::FormRig {
 protected:
  void BeforeStart() override {
    Desktop().ColourDialog = [this](uint32_t current, uint32_t& picked) {
      presets.push_back(current);
      if (answer) picked = *answer;
      return answer.has_value();
    };
  }
  TfrmCfgColours& Colours() { return form->CfgColours(); }
  std::vector<TColourAction> Press(const std::string& swatch) {
    std::vector<TColourAction> ran;
    Colours().RunAction = [&ran](TColourAction a) { ran.push_back(a); };
    Colours().PressSwatch(swatch);
    return ran;
  }
  std::optional<uint32_t> answer;
  std::vector<uint32_t> presets;
};

TEST_F(CfgColoursTest, CancelOrTheSameColourRunsNothingAndEachFollowUpRunsExactlyItsActions) {
  using A = TColourAction;
  ui().mnuCfgColours->trigger();
  Cfg.ClPanelControl = Rgb(1, 2, 3);
  PublishTopic(TTopic::Colours);
  answer.reset();
  EXPECT_TRUE(Press("shpClPanelControl").empty());
  EXPECT_EQ(presets, (std::vector<uint32_t>{Rgb(1, 2, 3)}));
  answer = Rgb(1, 2, 3);
  EXPECT_TRUE(Press("shpClPanelControl").empty());
  EXPECT_EQ(Cfg.ClPanelControl, Rgb(1, 2, 3));

  struct Row {
    const char* swatch;
    TColor* setting;
    std::vector<A> ran;
  } rows[] = {
      {"shpClPanelControl", &Cfg.ClPanelControl, {A::ApplyColourScheme}},
      {"shpClSeqTrack", &Cfg.ClSeqTrack, {}},
      {"shpClKtBgDigitFcn2", &Cfg.ClKtBgDigitFcn2, {A::RecolourKeyMaps, A::KeyLabels}},
      {"shpClKtBgCKeys", &Cfg.ClKtBgCKeys, {A::KeyColours}},
      {"shpClFgMetrDrum", &Cfg.ClFgMetrDrum, {A::MetrMode, A::ApplyColourScheme}},
      {"shpClFgMetrBass", &Cfg.ClFgMetrBass, {A::MetrMode, A::ApplyColourScheme}},
      {"shpClSeqGridTicks", &Cfg.ClSeqGridTicks, {A::RequestSeqGridRedraw}},
      {"shpClKinetraceChan15", &Cfg.ClKinetraceChan[15], {A::ApplyColourScheme}},
      {"shpClSysBgGradEndInActiveTitleBar", &Cfg.ClSysBgGradEndInactiveTitleBar, {A::ApplyColourScheme}},
  };
  answer = Rgb(200, 10, 20);
  for (const Row& r : rows) {
    EXPECT_EQ(Press(r.swatch), r.ran) << r.swatch;
    EXPECT_EQ(*r.setting, Rgb(200, 10, 20)) << r.swatch;
    auto* swatch = Colours().findChild<QWidget*>(r.swatch);
    EXPECT_EQ(swatch->palette().color(swatch->backgroundRole()), QColor(200, 10, 20)) << r.swatch;
  }
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(CfgColoursTest, WarningBeforeThePickAndTheSystemBoxOnlyInTheFirstCopy) {
  Cfg.DspSeqGrid = 0;
  Cfg.DspKModeTitleColours = 1;
  ui().mnuCfgColours->trigger();
  EXPECT_TRUE(Colours().ui->grpSystem->isVisible());
  EXPECT_FALSE(Colours().ui->grpSystemOff->isVisible());
  EXPECT_EQ(Colours().ui->lblSysWarning1->text(), "Warning - these affect all Vellorine windows");
  EXPECT_FALSE(Colours().findChild<QLabel*>("lblClSeqGridTicks")->isEnabled());
  answer = Rgb(9, 9, 9);
  Colours().RunAction = [](TColourAction) {};
  Colours().PressSwatch("shpClSeqGridTicks");
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Grid ticks colour won't take effect until grid is enabled (see View option)");
  EXPECT_EQ(Cfg.ClSeqGridTicks, Rgb(9, 9, 9));
  EXPECT_EQ(presets.size(), 1u);
  Colours().PressSwatch("shpClPanelTitle");
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[1].text.substr(0, 45), "Title panel colour won't take effect as it is");
  // A swatch pressed with its colour visible asks nothing.
  Colours().PressSwatch("shpClPanelSync");
  EXPECT_EQ(rec.boxes.size(), 2u);
  // The toggle of the grid enables its label at once.
  ui().mnuViewSeqGrid->trigger();
  EXPECT_TRUE(Colours().findChild<QLabel*>("lblClSeqGridTicks")->isEnabled());

  // "Reset" asks, then puts the factory colours back on the swatches.
  Cfg.ClPanelControl = Rgb(1, 1, 1);
  PublishTopic(TTopic::Colours);
  Colours().ui->sbtnColoursRst->click();
  ASSERT_EQ(rec.boxes.size(), 3u);
  EXPECT_EQ(rec.boxes[2].text, "About to reset all colours to factory settings, ok?");
  EXPECT_NE(Cfg.ClPanelControl, Rgb(1, 1, 1));
  auto* control = Colours().findChild<QWidget*>("shpClPanelControl");
  EXPECT_EQ(control->palette().color(control->backgroundRole()),
            ToQColor(Cfg.ClPanelControl, form->SavedPalette()));

  Colours().close();
  form->SetFirstInstance(false);
  ui().mnuCfgColours->trigger();
  EXPECT_FALSE(Colours().ui->grpSystem->isVisible());
  EXPECT_TRUE(Colours().ui->grpSystemOff->isVisible());
  EXPECT_EQ(Colours().ui->lblSysOff1->text(), "Multiple Vellorine's detected; can");
}

}  // namespace
}  // namespace vel
