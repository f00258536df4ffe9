#include "settings/ResetModelState.h"

#include "base/ResetBaseState.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {

void ResetModelState() {
  ResetBaseState();
  // Copies of fresh instances, not temporaries: the stores are too large for the stack.
  static const TStyleStore freshDrum{kDrumTraits};
  static const TStyleStore freshBass{kBassTraits};
  // Default-initialised, not `{}`: clang 14 crashes value-initialising nested arrays of strings. A
  // static is zeroed before that, so it is the same fresh instance; it is only read (a const one
  // would need the `{}`).
  static TKeyMaps freshKeyMaps;
  Cfg = TCfg{};
  CfgFiles = TCfgFiles{};
  CfgEngine = TCfgEngineVals{};
  CfgLink() = TCfgLinkHooks{};
  HotkeyDirectory() = THotkeyDirectory{};
  KeyMaps = freshKeyMaps;
  KeyLabelDefs = TKeyLabelDefaults{};
  KeyMapCalls() = KeyMapHooks{};
  DrumStore = freshDrum;
  BassStore = freshBass;
  OnMetrRebuildRequest = nullptr;
}

}  // namespace vel
