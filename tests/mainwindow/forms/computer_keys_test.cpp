#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QToolButton>
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

}  // namespace
}  // namespace vel
