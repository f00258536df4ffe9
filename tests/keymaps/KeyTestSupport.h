#pragma once
// Shared fixture of the key-map tests: every key colour setting gets a value of its own (so that a
// rule that swaps two colours fails), the maps start as after a load that named no key, and the
// globals the tests touch are put back afterwards.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "base/Messages.h"
#include "base/Showing.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"
#include "settings/ResetModelState.h"
#include "settings/Settings.h"

namespace vel::test {

// Every colour the key colour rules use.
inline TColor* const kKeyColourSettings[] = {
    &Cfg.ClKtFgNone,     &Cfg.ClKtFgLiveVal,   &Cfg.ClKtFgWarnVal,   &Cfg.ClKtFgSelVal,
    &Cfg.ClKtFgDigitVal, &Cfg.ClKtFgPitchVal,  &Cfg.ClKtFgTimeVal,   &Cfg.ClKtFgRecVal,
    &Cfg.ClKtFgNoteVal,  &Cfg.ClKtBgNone,      &Cfg.ClKtBgWarnFcn,   &Cfg.ClKtBgLiveFcn,
    &Cfg.ClKtBgSelFcn,   &Cfg.ClKtBgCmdMode,   &Cfg.ClKtBgDigitFcn,  &Cfg.ClKtBgDigitFcn2,
    &Cfg.ClKtBgPitchFcn, &Cfg.ClKtBgPitchFcn2, &Cfg.ClKtBgHotkeyFcn, &Cfg.ClKtBgHotkeyFcn2,
    &Cfg.ClKtBgTimeFcn,  &Cfg.ClKtBgTimeFcn2,  &Cfg.ClKtBgRecFcn,    &Cfg.ClKtBgNoteFcn,
    &Cfg.ClKtBgNoteFcn2,
};
inline constexpr std::size_t kKeyColourCount = std::size(kKeyColourSettings);

class KeyMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModelState();
    for (std::size_t i = 0; i < kKeyColourCount; ++i)
      *kKeyColourSettings[i] = Rgb(10, 20, static_cast<uint8_t>(100 + i));
    Cfg.MetrModeStyles = 0;
    ClearKeyMaps();
    ResolveKeyMapSentinels();
    SetKLabDefs();
  }

  void TearDown() override { ResetModelState(); }

  static std::pair<TColor, TColor> Colours(TColor font, TColor back) { return {font, back}; }
  static std::pair<TColor, TColor> KeyColoursAt(TModeType t, int key) {
    return {KeyFontColoursOf(t)[key], KeyBackColoursOf(t)[key]};
  }
};

}  // namespace vel::test
