#include "settings/forms/RadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QSignalBlocker>
#include <QWidget>
#include <utility>

namespace vel {

namespace {

void AddRadio(QButtonGroup* group, QAbstractButton* button, int32_t id) {
  if (!button) return;
  // The group alone decides, so that a group may also show no choice.
  button->setAutoExclusive(false);
  group->addButton(button, id);
}

// Checks the radio button with every handler quiet: loading never stores or applies anything.
void FocusCfgControl(QAbstractButton* button) {
  // Checked directly: taking the focus would fail on a hidden window and steal it from the user.
  const QSignalBlocker block(button);
  button->setChecked(true);
}

}  // namespace

QButtonGroup* MakeRadioGroup(QObject* owner, std::initializer_list<TRadio> buttons) {
  auto* group = new QButtonGroup(owner);
  for (const TRadio& r : buttons) AddRadio(group, r.Button, r.Id);
  return group;
}

QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, const std::vector<int32_t>& ids) {
  auto* group = new QButtonGroup(window);
  for (int32_t id : ids)
    AddRadio(group, window->findChild<QAbstractButton*>(prefix + QString::number(id)), id);
  return group;
}

QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, int32_t first, int32_t last) {
  std::vector<int32_t> ids;
  for (int32_t n = first; n <= last; ++n) ids.push_back(n);
  return MakeRadioGroup(window, prefix, ids);
}

QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, const TCfgBinding& binding) {
  return MakeRadioGroup(window, prefix, binding.Lo, binding.Hi);
}

void SelectRadio(QButtonGroup* group, int32_t id) {
  const QSignalBlocker quiet(group);
  if (QAbstractButton* b = group->button(id)) {
    FocusCfgControl(b);
    return;
  }
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) {
    const QSignalBlocker block(b);
    b->setChecked(false);
  }
  group->setExclusive(true);
}

int32_t CheckedRadio(const QButtonGroup* group) {
  return group->checkedId();
}

void OnRadioPicked(QButtonGroup* group, QObject* context, std::function<void(int32_t id)> picked) {
  QObject::connect(group, &QButtonGroup::idClicked, context,
                   [picked = std::move(picked)](int id) { picked(id); });
}

void EnableRadios(QButtonGroup* group, bool on) {
  for (QAbstractButton* b : group->buttons()) b->setEnabled(on);
}

}  // namespace vel
