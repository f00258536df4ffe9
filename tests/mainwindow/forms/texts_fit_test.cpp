#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <string>

#include "engine/RunControl.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/MainStatus.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgReader.h"
#include "settings/Settings.h"

namespace vel {
namespace {

using TextsFitTest = test::RunFormRig;

// The room a closed list gives its text.
int TextRoom(const QComboBox* c) {
  QStyleOptionComboBox opt;
  opt.initFrom(c);
  opt.editable = false;
  opt.frame = c->hasFrame();
  return c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c).width();
}

int Widest(const QComboBox* c) {
  int w = 0;
  for (int i = 0; i < c->count(); ++i) w = std::max(w, c->fontMetrics().horizontalAdvance(c->itemText(i)));
  return w;
}

TEST_F(TextsFitTest, ProgrammeNamesAndTheSeqHeadingsShowWhole) {
  // Config: every programme of the rows' and the live row's lists fits their closed list.
  for (const TSeqRow& r : form->SeqRows()) {
    if (!r.pnlSeq) continue;
    ASSERT_GT(r.cboSeqProg->count(), 1);
    EXPECT_GE(TextRoom(r.cboSeqProg), Widest(r.cboSeqProg)) << r.cboSeqProg->objectName().toStdString();
  }

  // The columns laid out in Config, as every resize of the window lays them out.
  form->LayoutSeqStatusColumns();
  Run();
  form->Status().UpdateDspStatus();
  QLabel* part = ui().lblSeqPartNos;
  EXPECT_EQ(part->text().toStdString(), "Sq.Pt");
  EXPECT_GE(part->width(), part->sizeHint().width());
  // The next heading stands clear of it.
  EXPECT_GT(ui().lblSeqChans->x(), part->geometry().right());
  // A resize lays the columns out again; the mute heading stays with Config.
  EXPECT_TRUE(ui().lblSeqMuted->isHidden());
  form->LayoutSeqStatusColumns();
  EXPECT_TRUE(ui().lblSeqMuted->isHidden());
  EXPECT_FALSE(part->isHidden());
  int rows = 0;
  for (const TSeqRow& r : form->SeqRows()) {
    if (!r.pnlSeq || r.lblSeqProg->isHidden()) continue;
    ++rows;
    const std::string text = r.lblSeqProg->text().toStdString();
    EXPECT_EQ(text.rfind("0-", 0), 0u) << text;
    EXPECT_GE(r.lblSeqProg->width(), r.lblSeqProg->fontMetrics().horizontalAdvance(r.lblSeqProg->text()))
        << text;
  }
  EXPECT_GT(rows, 0);
}

TEST_F(TextsFitTest, TheMetronomeStyleAndPatternShowWhole) {
  Cfg.MetrModeStyles = 1;
  Run();
  form->Status().UpdateDspStatus();
  QLabel* name = ui().lblvMetrStyleName;
  QLabel* pattern = ui().lblvMetrStylePatNo;
  ASSERT_EQ(pattern->text().toStdString(), "40-Main1");
  const QRect room = ui().grpMetr->contentsRect();
  for (QLabel* l : {name, pattern}) {
    EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(l->text()))
        << l->text().toStdString();
    EXPECT_LE(l->geometry().right(), room.right()) << l->text().toStdString();
  }
  EXPECT_GT(pattern->x(), name->geometry().right());
}

TEST(FileDialogFit, TheSizeColumnShowsEverySizeWhole) {
  int argc = 1;
  char name[] = "vellorine";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QFileDialog dialog(nullptr, "Load", QDir::tempPath());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* tree = dialog.findChild<QTreeView*>("treeView");
  ASSERT_NE(tree, nullptr);
  // The toolkit starts the column at its own guess, or at the width the user left it last time.
  tree->header()->resizeSection(1, tree->fontMetrics().horizontalAdvance("617 bytes"));
  WidenSizeColumn(dialog);
  const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
  const int room = tree->header()->sectionSize(1) - 2 * margin;
  for (qint64 bytes :
       {qint64{617}, qint64{1023}, qint64{1048575}, qint64{999999999}, qint64{1099511627775}}) {
    const QString text = QLocale::system().formattedDataSize(bytes);
    EXPECT_LE(tree->fontMetrics().horizontalAdvance(text), room) << text.toStdString();
  }
}

// A box keeps the lines its text places whole, where the toolkit would wrap them at half the
// screen and inside a word; a line too long for any box still wraps.
TEST(MessageBoxFit, TheTextsLinesStandWholeAndOnlyAnOverlongOneWraps) {
  int argc = 1;
  char name[] = "vellorine";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QMessageBox box(QMessageBox::Critical, "Vellorine", QString(), QMessageBox::Ok);
  const QString text = QString::fromStdString(
      ParamSyntaxText("Midi file specified in parameter list not found\r\n/home/user/Groove1.mid"));
  SetBoxText(box, text.toStdString());
  box.show();
  QCoreApplication::processEvents();
  auto* label = box.findChild<QLabel*>("qt_msgbox_label");
  ASSERT_NE(label, nullptr);
  const QStringList lines = text.split("\r\n");
  ASSERT_EQ(lines.size(), 13);
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
  EXPECT_GE(label->contentsRect().width(), widest);
  EXPECT_LT(label->height(), (lines.size() + 1) * label->fontMetrics().lineSpacing());

  SetBoxText(box, QString("overlong ").repeated(100).toStdString());
  QCoreApplication::processEvents();
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_TRUE(label->wordWrap());
  EXPECT_LE(box.width(), box.screen()->availableGeometry().width());
}

// Config with two outputs allocated through the port panel: each seq row's and the live row's
// port list shows its port names whole.
using PortNamesFitTest = test::FormRig;
TEST_F(PortNamesFitTest, OutputPortNamesShowWhole) {
  ui().mnuCfgPorts->trigger();
  for (const char* dev : {"Loopback Out 1", "Loopback Out 2"}) {
    const auto found = ui().lstOutDNames->findItems(QString::fromLatin1(dev), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << dev;
    ui().lstOutDNames->setCurrentItem(found.first());
    ui().sbtnOutPortAlloc->click();
  }
  ui().sbtnDone->click();
  ASSERT_EQ(RunCtl.OutPortsAllocated, 1);
  int rows = 0;
  for (const TSeqRow& r : form->SeqRows()) {
    if (!r.pnlSeq || r.pnlSeq->isHidden() || r.cboSeqPort->isHidden()) continue;
    ++rows;
    ASSERT_EQ(r.cboSeqPort->count(), 2);
    EXPECT_GE(TextRoom(r.cboSeqPort), Widest(r.cboSeqPort)) << r.cboSeqPort->objectName().toStdString();
  }
  EXPECT_GT(rows, 0);
  EXPECT_GE(TextRoom(ui().cboLivePorts), Widest(ui().cboLivePorts));
}

// The window system writes the display name after a title that does not end with it.
TEST_F(TextsFitTest, TheTitleIsTheCaptionAlone) {
  struct TShownTitle : QObject {
    std::string shown;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::WindowTitleChange) {
        const QString title = static_cast<QWidget*>(o)->windowTitle();
        const QString name = QGuiApplication::applicationDisplayName();
        shown = (title.endsWith(name) ? title : title + QStringLiteral(" \u2014 ") + name).toStdString();
      }
      return false;
    }
  } title;
  QApplication::setApplicationDisplayName("Vellorine");
  form->installEventFilter(&title);
  CfgFiles.ConfigFileName = dir + "/SeqDefaults.txt";
  form->SetCaption();
  EXPECT_EQ(title.shown, "Vellorine SeqDefaults");
  form->removeEventFilter(&title);
}

}  // namespace
}  // namespace vel
