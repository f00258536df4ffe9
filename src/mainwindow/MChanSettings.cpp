#include "mainwindow/MChanSettings.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/Sizes.h"
#include "mainwindow/InputProcs.h"
#include "settings/Settings.h"

namespace vel {
namespace {

using Lock = std::lock_guard<TEngineLock>;

bool ValidPort(int32_t port) {
  return port >= 0 && port < kPorts;
}
bool ValidChan(int32_t chan) {
  return chan >= 0 && chan < kChans;
}

template <typename Store>
void StoreAndApply(int32_t port, Store store) {
  if (!ValidPort(port)) return;
  {
    Lock lock(EngineLock);
    store();
  }
  UpdateMChanApplies();
}

}  // namespace

void SetMChanEnabled(int32_t port, bool on) {
  StoreAndApply(port, [&] { Cfg.MChanEnabled[port] = on ? 1 : 0; });
}

void SetMChanMin(int32_t port, int32_t chan) {
  if (!ValidChan(chan)) return;
  StoreAndApply(port, [&] { Cfg.MChanMin[port] = static_cast<int8_t>(chan); });
}

void SetMChanMax(int32_t port, int32_t chan) {
  if (!ValidChan(chan)) return;
  StoreAndApply(port, [&] { Cfg.MChanMax[port] = static_cast<int8_t>(chan); });
}

void StoreMChanPitchOffset(int32_t port, int32_t chan, int32_t offset) {
  if (!ValidPort(port) || !ValidChan(chan)) return;
  Lock lock(EngineLock);
  Cfg.MChanPitchOffset[port][chan] = offset;
}

}  // namespace vel
