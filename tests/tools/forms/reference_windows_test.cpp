#include <QAction>
#include <QApplication>
#include <QTextBlock>

#include "mainwindow/forms/FormRig.h"
#include "tools/forms/ReferenceWindows.h"

namespace vel {
namespace {

using ReferenceWindowsTest = test::FormRig;

TEST_F(ReferenceWindowsTest, MenuItemsShowTheListsWithTheirCaptionsAndReadOnlyText) {
  struct Row {
    QAction* item;
    TfrmReference* window;
    const char* caption;
    const char* firstLine;
  } rows[] = {{form->Widgets().mnuToolsGMPrograms, form->GMPrograms(), "GM Program assignments", "Pianos"},
              {form->Widgets().mnuToolsGMDrums, form->GMDrums(), "GM Drum assignments", "B\tAc Bass Drum"}};
  for (const Row& r : rows) {
    EXPECT_TRUE(r.item->isEnabled());
    EXPECT_FALSE(r.window->isVisible());
    r.item->trigger();
    EXPECT_TRUE(r.window->isVisible());
    EXPECT_EQ(r.window->windowTitle(), r.caption);
    EXPECT_TRUE(r.window->Text()->isReadOnly());
    EXPECT_EQ(r.window->Text()->document()->firstBlock().text(), r.firstLine);
    r.window->close();
  }
}

TEST_F(ReferenceWindowsTest, SizesSpringBackToTheirRules) {
  struct Row {
    TfrmReference* window;
    QSize asked;
    QSize got;
    QSize text;
  } rows[] = {{form->GMPrograms(), {400, 10}, {208, 30}, {204, 28}},
              {form->GMDrums(), {50, 300}, {203, 300}, {199, 296}},
              {form->QwertyHelp(), {50, 10}, {100, 30}, {96, 26}},
              {form->QwertyHelp(), {600, 200}, {278, 200}, {274, 196}},
              {form->QwertyHelp(), {150, 200}, {150, 200}, {146, 196}}};
  for (const Row& r : rows) {
    r.window->show();
    r.window->resize(r.asked);
    QApplication::processEvents();
    EXPECT_EQ(r.window->size(), r.got) << r.window->objectName().toStdString();
    EXPECT_EQ(r.window->Text()->geometry(), QRect(QPoint(2, 2), r.text));
    r.window->close();
  }
}

}  // namespace
}  // namespace vel
