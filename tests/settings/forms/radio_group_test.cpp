#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QRadioButton>
#include <QWidget>
#include <vector>

#include "mainwindow/forms/FormRig.h"
#include "settings/forms/RadioGroup.h"

namespace vel {
namespace {

using RadioGroupTest = test::FormRig;

// A group cleared for a number no button has stays one choice: a click checks one button only,
// a click on the checked one keeps it, and the program's selections never count as picks.
TEST_F(RadioGroupTest, AClearedGroupStaysExclusiveAndOnlyClicksArePicks) {
  // Buttons in two different boxes, as the sample aid window's mode buttons are; id 3 has none.
  QWidget window;
  QWidget* boxes[2] = {new QWidget(&window), new QWidget(&window)};
  auto* one = new QRadioButton(boxes[0]);
  auto* two = new QRadioButton(boxes[1]);
  one->setObjectName("rbTest1");
  two->setObjectName("rbTest2");
  QButtonGroup* listed = MakeRadioGroup(&window, {{one, 1}, {nullptr, 3}, {two, 2}});
  ASSERT_EQ(listed->buttons().size(), 2);
  delete listed;
  QButtonGroup* group = MakeRadioGroup(&window, "rbTest", {1, 2, 3});
  ASSERT_EQ(group->buttons().size(), 2);
  ASSERT_EQ(group->button(1), one);
  ASSERT_EQ(group->button(2), two);
  std::vector<int32_t> picks;
  OnRadioPicked(group, &window, [&picks](int32_t id) { picks.push_back(id); });

  enum Do { Select, Click };
  struct Step {
    Do what;
    int32_t id;
    int32_t checked;
    std::vector<int32_t> picks;
  } steps[] = {
      {Select, 2, 2, {}},           // quietly
      {Select, 3, -1, {}},          // no button: no choice
      {Click, 1, 1, {1}},           // one choice again
      {Click, 1, 1, {1, 1}},        // the checked one stays checked, picked again
      {Click, 2, 2, {1, 1, 2}},     // and unchecks the other
      {Select, 1, 1, {1, 1, 2}},    // moved back by the program
      {Select, 9, -1, {1, 1, 2}},   // past every id
      {Click, 2, 2, {1, 1, 2, 2}},  // still one choice
  };
  for (const Step& s : steps) {
    if (s.what == Select) {
      SelectRadio(group, s.id);
    } else {
      group->button(s.id)->click();
    }
    EXPECT_EQ(CheckedRadio(group), s.checked) << s.what << " " << s.id;
    EXPECT_EQ(int(one->isChecked()) + int(two->isChecked()), s.checked < 0 ? 0 : 1) << s.id;
    EXPECT_EQ(picks, s.picks) << s.what << " " << s.id;
  }
}

}  // namespace
}  // namespace vel
