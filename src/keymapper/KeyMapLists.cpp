#include "keymapper/KeyMapLists.h"

#include "keymaps/KeyFnFromLabel.h"

namespace vel {

namespace {

TModeCombo MakeCombo(std::string_view name, TModeType t, const std::vector<int>& codes) {
  const TKeyModeInfo& info = KeyModeInfo(t);
  TModeCombo combo{name, t, {}};
  combo.Items.push_back({" ", "ignore", info.IgnoreCode});
  for (int code : codes) {
    const TKeyFn* fn = FindKeyFnByCode(t, static_cast<uint8_t>(code));
    // Every listed code is in the vocabulary; the tests hold the lists to it.
    if (fn) combo.Items.push_back({fn->Token, fn->Hint, fn->Code});
  }
  return combo;
}

std::vector<int> Span(int first, int last) {
  std::vector<int> v;
  for (int c = first; c <= last; ++c) v.push_back(c);
  return v;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<TModeCombo> BuildCombos() {
  std::vector<TModeCombo> c;
  c.push_back(
      MakeCombo("cboCmd", MtCmd,
                {0,  89, 120, 112, 113, 114, 139, 140, 108, 88,  129, 128, 146, 90,  144, 136, 23,  24,
                 25, 34, 35,  131, 132, 91,  92,  2,   3,   4,   13,  14,  44,  45,  46,  141, 142, 143,
                 93, 94, 95,  96,  103, 106, 107, 137, 109, 110, 111, 115, 116, 117, 130, 56,  138, 145,
                 72, 73, 74,  75,  60,  55,  124, 125, 126, 127, 118, 119, 135, 105, 121, 122, 123}));
  c.push_back(MakeCombo("cboLive", MtLive, {0, 2, 6, 7, 12, 13}));
  c.push_back(MakeCombo("cboRec", MtRec,
                        {0, 37, 38, 47, 39, 20, 21, 22, 29, 30, 3, 4, 5, 12, 13, 2, 51, 52, 57, 58}));
  c.push_back(MakeCombo("cboSRec", MtSRec, {0,  74, 62, 63, 37, 41, 44, 68, 20, 21, 22, 29,
                                            30, 3,  4,  5,  12, 13, 2,  78, 79, 84, 85}));
  c.push_back(MakeCombo("cboRangeN", MtRangeN, Join({0, 22, 15, 16, 20}, Span(5, 14))));
  c.push_back(MakeCombo("cboRangeTSigN", MtTSig, Join({0}, Span(5, 67))));
  c.push_back(MakeCombo("cboRangeTShiftN", MtTShift, Join({0, 11}, Span(12, 76))));
  c.push_back(MakeCombo("cboRangeFtsTypeN", MtFtsType, Join({0}, Span(5, 70))));
  c.push_back(MakeCombo("cboRangeFtsRootN", MtFtsRoot, Join({0}, Span(5, 18))));
  c.push_back(MakeCombo("cboRangeFtn", MtFtn, Join({0}, Span(5, 18))));
  c.push_back(MakeCombo("cboRangeQuantN", MtQuant,
                        {0, 12, 13, 14, 15, 16, 17, 18, 20, 22, 24, 27, 28, 32, 36, 42, 44, 52, 60, 72, 76}));
  c.push_back(MakeCombo("cboRangePitchO", MtPitch, Join({0, 2, 3, 4}, Span(15, 111))));
  c.push_back(MakeCombo("cboRangeMetrN", MtMetr, Join({0, 11}, Span(12, 139))));
  c.push_back(MakeCombo("cboRangeHotkeyN", MtHotkey, {0, 7, 8, 13, 14}));
  return c;
}

}  // namespace

const std::vector<TModeCombo>& ModeCombos() {
  static const std::vector<TModeCombo> combos = BuildCombos();
  return combos;
}

const TModeCombo& ModeComboOf(TModeType t) {
  for (const TModeCombo& combo : ModeCombos())
    if (combo.ModeType == t) return combo;
  return ModeCombos().front();
}

std::string ModeComboItemText(const TModeComboItem& item, bool hints) {
  return hints ? item.Token + "  : " + item.Hint : item.Token;
}

std::vector<std::string> ModeComboItemTexts(const TModeCombo& combo, bool hints) {
  std::vector<std::string> texts;
  texts.reserve(combo.Items.size());
  for (const TModeComboItem& item : combo.Items) texts.push_back(ModeComboItemText(item, hints));
  return texts;
}

std::string ComboItemToken(std::string_view itemText) {
  std::string_view token = itemText.substr(0, itemText.find(':'));
  while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
  return std::string(token);
}

std::string KeyFnFromComboItem(TModeType t, int gridKey, const TModeComboItem& item) {
  const std::string token = ComboItemToken(item.Token);
  const TKeyFn* fn = FindKeyFnByToken(t, token);
  if (fn && fn->Code != item.Code) return KeyFnFromCode(t, gridKey, item.Code, token);
  return KeyFnFromLabel(t, gridKey, token);
}

}  // namespace vel
