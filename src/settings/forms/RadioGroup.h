#pragma once
// A set of radio buttons that stands for one number: each button carries its number as the
// group's id. Every window builds, shows and reads its radio choices through these, so that a
// load never stores, a click stores the clicked button's number, and a number no button has
// shows no choice.
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "settings/CfgBinding.h"

class QAbstractButton;
class QButtonGroup;
class QObject;
class QWidget;

namespace vel {

// One button of a group and the number it stands for.
struct TRadio {
  QAbstractButton* Button;
  int32_t Id;
};

// A group of these buttons; a missing (null) one is left out.
QButtonGroup* MakeRadioGroup(QObject* owner, std::initializer_list<TRadio> buttons);
// A group of the window's buttons prefix + id for each id; an id without a button is left out.
QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, const std::vector<int32_t>& ids);
// The same for ids first .. last.
QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, int32_t first, int32_t last);
// The same over the setting's range.
QButtonGroup* MakeRadioGroup(QWidget* window, const QString& prefix, const TCfgBinding& binding);

// Checks the group's button of this id, quietly; an id no button has leaves the group without a
// choice.
void SelectRadio(QButtonGroup* group, int32_t id);
// The checked button's id; -1 while none is checked.
int32_t CheckedRadio(const QButtonGroup* group);
// Calls picked with the button's id each time the user clicks one (the checked one too), never
// when a button is checked by the program.
void OnRadioPicked(QButtonGroup* group, QObject* context, std::function<void(int32_t id)> picked);
// Enables or disables every button of the group.
void EnableRadios(QButtonGroup* group, bool on);

}  // namespace vel
