#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/RunControl.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/FormRig.h"
#include "settings/Settings.h"

namespace vel {
namespace {

using Sent = std::vector<std::pair<int32_t, uint32_t>>;

// Note-on and note-off of middle C from a computer key: channel 1, velocity 127, the keyboards'
// mark in the top byte.
constexpr uint32_t kMOn = 0x017F3C90, kMOff = 0x017F3C80;

// The main window able to run, the keyboards' input recorded.
class ComputerKeysTest : public test::RunFormRig {
 protected:
  void SetUp() override {
    RunFormRig::SetUp();
    InputIo.MidiIn = [this](int32_t port, uint32_t msg, int32_t) { sent.emplace_back(port, msg); };
  }
  // A key as the window system delivers it: to the focused widget, from there up to the window.
  static void Key(QWidget* to, bool down, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  bool repeat = false) {
    const QString text =
        key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar('a' + (key - Qt::Key_A))) : QString();
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, mods, text, repeat);
    QApplication::sendEvent(to, &e);
  }
  void Tap(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Key(ui().centralwidget, true, key, mods);
    Key(ui().centralwidget, false, key, mods);
  }

  Sent sent;
};

TEST_F(ComputerKeysTest, KeysOfTheWindowReachTheInputOnTheKeyboardsPort) {
  Run();
  struct Case {
    const char* what;
    uint8_t rawPort;
    int32_t inPorts;  // InPortsAllocated
    uint8_t auxIn;
    int32_t port;
  };
  const Case cases[] = {
      {"the main control input", 0, 1, 0, 0},
      {"the raw port asked for and there", 1, 1, 0, 1},
      {"the raw port asked for, one input only", 1, 0, 0, 0},
      {"the raw port asked for, the second input auxiliary", 1, 1, 1, 0},
  };
  const int32_t inPorts = RunCtl.InPortsAllocated;
  for (const Case& c : cases) {
    Cfg.QwertyRawPort = c.rawPort;
    RunCtl.InPortsAllocated = c.inPorts;
    Cfg.AuxInPortReqd = c.auxIn;
    sent.clear();
    Tap(Qt::Key_M);
    EXPECT_EQ(sent, (Sent{{c.port, kMOn}, {c.port, kMOff}})) << c.what;
  }
  RunCtl.InPortsAllocated = inPorts;
  Cfg.QwertyRawPort = 0;
  Cfg.AuxInPortReqd = 0;

  // Held: the window system repeats the key as release and press pairs; one note all the same.
  sent.clear();
  QWidget* w = ui().centralwidget;
  Key(w, true, Qt::Key_M);
  Key(w, false, Qt::Key_M, Qt::NoModifier, true);
  Key(w, true, Qt::Key_M, Qt::NoModifier, true);
  Key(w, false, Qt::Key_M);
  EXPECT_EQ(sent, (Sent{{0, kMOn}, {0, kMOff}}));

  // With a modifier, with "Disable qwerty controls", and for keys of no note or command: nothing.
  sent.clear();
  Tap(Qt::Key_M, Qt::ShiftModifier);
  Tap(Qt::Key_M, Qt::ControlModifier);
  Tap(Qt::Key_K);
  Cfg.TemplateQwertyDisabled = 1;
  Tap(Qt::Key_M);
  Cfg.TemplateQwertyDisabled = 0;
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ComputerKeysTest, APressOutsideRunningGivesItsBoxOnceAndTheReleaseGoesOn) {
  QWidget* w = ui().centralwidget;
  Key(w, true, Qt::Key_M);
  Key(w, true, Qt::Key_M, Qt::NoModifier, true);
  Key(w, true, Qt::Key_M);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text,
            "Qwerty key ignored - Vellorine must be running to process MIDI input\r\n"
            "Click the Run button, or click 'Action, Run'");
  EXPECT_TRUE(sent.empty());
  Key(w, false, Qt::Key_M);
  EXPECT_EQ(sent, (Sent{{0, kMOff}}));
}

TEST_F(ComputerKeysTest, AKeyHeldAcrossStopIsReleasedWithoutABox) {
  Run();
  QWidget* w = ui().centralwidget;
  Key(w, true, Qt::Key_M);
  Key(w, true, Qt::Key_Z);
  rec.boxes.clear();
  ui().sbtnControl->click();  // asks first, as a box would take the keyboard
  ASSERT_NE(RunCtl.ProgState.load(), TProgState::Running);
  ASSERT_EQ(rec.boxes.size(), 1u);
  // The box took the keyboard (the window is not the active one); M's repeats and release, and
  // Z's release, come after it.
  QEvent deactivated(QEvent::ActivationChange);
  QApplication::sendEvent(form.get(), &deactivated);
  Key(w, false, Qt::Key_M, Qt::NoModifier, true);
  Key(w, true, Qt::Key_M, Qt::NoModifier, true);
  Key(w, false, Qt::Key_M);
  Key(w, false, Qt::Key_Z);
  EXPECT_EQ(rec.boxes.size(), 1u);
  constexpr uint32_t kZOn = 0x017F3290, kZOff = 0x017F3280;
  EXPECT_EQ(sent, (Sent{{0, kMOn}, {0, kZOn}, {0, kMOff}, {0, kZOff}}));
}

TEST_F(ComputerKeysTest, AKeyTypedIntoAFocusedComboDoesNotPlay) {
  Run();
  // The metronome's bar note stays a list while running.
  QComboBox* combo = ui().cboMetrBarNote;
  ASSERT_GT(combo->count(), 0);
  form->show();
  combo->setFocus();
  Key(combo, true, Qt::Key_M);
  Key(combo, false, Qt::Key_M);
  EXPECT_TRUE(sent.empty());
  // A click on the background takes the keys back.
  EXPECT_EQ(ui().centralwidget->focusPolicy(), Qt::ClickFocus);
  Tap(Qt::Key_M);
  EXPECT_EQ(sent, (Sent{{0, kMOn}, {0, kMOff}}));
}

TEST_F(ComputerKeysTest, RunningTakesTheKeysBackFromAListFocusedInConfig) {
  form->show();
  ui().cboLiveChans->setFocus();
  ASSERT_EQ(form->focusWidget(), ui().cboLiveChans);
  Run();
  ASSERT_EQ(form->focusWidget(), ui().centralwidget);
  Key(form->focusWidget(), true, Qt::Key_M);
  EXPECT_EQ(sent, (Sent{{0, kMOn}}));
}

// Keys as the window system types them: to an open popup, else to the focused control, short-cuts
// first. Between a person's keys the event loop runs what the window queued for itself.
void Type(std::initializer_list<Qt::Key> keys) {
  for (Qt::Key k : keys) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), k);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
  }
}

TEST_F(ComputerKeysTest, AfterAMenuOrBoxClosedWithEscTheNextKeysReachTheInput) {
  form->show();
  QApplication::setActiveWindow(form.get());
  struct Case {
    const char* what;
    std::function<void()> openAndEsc;
  };
  const Case cases[] = {
      {"a menu of the menu bar, clicked open",
       [&] {
         QMenuBar* bar = form->menuBar();
         QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(ui().mnuFile->menuAction()).center());
         ASSERT_EQ(QApplication::activePopupWidget(), ui().mnuFile);
         Type({Qt::Key_Escape});
       }},
      {"a menu of the menu bar, opened by its letter",
       [&] {
         QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_F, Qt::AltModifier);
         ASSERT_EQ(QApplication::activePopupWidget(), ui().mnuFile);
         Type({Qt::Key_Escape});
       }},
      {"a context menu",
       [&] {
         QMenu menu(form.get());
         menu.addAction("Item");
         menu.popup(form->geometry().center());
         ASSERT_EQ(QApplication::activePopupWidget(), &menu);
         Type({Qt::Key_Escape});
       }},
      {"a message box",
       [&] {
         QMessageBox box(QMessageBox::Warning, "Vellorine", "Text", QMessageBox::Ok, form.get());
         box.show();
         QApplication::setActiveWindow(&box);
         Type({Qt::Key_Escape});
         ASSERT_FALSE(box.isVisible());
         QApplication::setActiveWindow(form.get());
       }},
      {"a list of a control, before Run",
       [&] {
         StopRunning();
         QComboBox* combo = ui().cboLiveChans;
         QTest::mouseClick(combo, Qt::LeftButton, {}, combo->rect().center());
         ASSERT_NE(QApplication::activePopupWidget(), nullptr);
         Type({Qt::Key_Escape});
         Run();
       }},
  };
  Run();
  Type({Qt::Key_Escape, Qt::Key_1, Qt::Key_P});
  const Sent untouched = sent;
  ASSERT_EQ(untouched.size(), 6u);
  for (const Case& c : cases) {
    sent.clear();
    c.openAndEsc();
    EXPECT_TRUE(sent.empty()) << c.what;
    Type({Qt::Key_Escape, Qt::Key_1, Qt::Key_P});
    EXPECT_EQ(sent, untouched) << c.what;
    EXPECT_EQ(QApplication::focusWidget(), ui().centralwidget) << c.what;
  }
}

}  // namespace
}  // namespace vel
