#pragma once
// The engine fixture with the reset that reaches the main window's models.
#include "engine/EngineTestState.h"
#include "mainwindow/ResetViewState.h"

namespace vel::test {

class ViewEngineTest : public EngineTest {
 protected:
  void ResetState() override { ResetViewState(); }
};

}  // namespace vel::test
