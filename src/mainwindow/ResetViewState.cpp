#include "mainwindow/ResetViewState.h"

#include "keys/ResetAllState.h"
#include "mainwindow/Help.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/PortModel.h"
#include "mainwindow/Refresh.h"

namespace vel {

void ResetViewState() {
  ResetAllState();
  PortLists = TPortLists{};
  PortHooks = TPortHooks{};
  RefreshHooks = TRefreshHooks{};
  HelpState = THelpState{};
  InputIo = TInputIo{};
  InstanceLocks = TInstanceLocks{};
}

}  // namespace vel
