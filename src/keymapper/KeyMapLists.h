#pragma once
// The key mapper's fourteen drop-down lists as plain data: per mode the items offered, in list
// order, each with its token, hint and function code. The window fills its combo boxes from them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keymaps/KeyTokens.h"

namespace vel {

struct TModeComboItem {
  std::string Token;  // " " for the ignore item; else the key label the item gives
  std::string Hint;
  uint8_t Code;  // the code the item stands for (the mode's ignore code for the ignore item)
};

struct TModeCombo {
  std::string_view Name;  // "cboCmd", "cboLive", ...
  TModeType ModeType;
  std::vector<TModeComboItem> Items;
};

// The fourteen lists in family order (the window places each at its row): Cmd, Live, Rec, SRec, RangeN, TSig,
// TShift, FtsType, FtsRoot, Ftn, Quant, Pitch, Metr, Hotkey.
const std::vector<TModeCombo>& ModeCombos();
// The list of a mode.
const TModeCombo& ModeComboOf(TModeType t);

// An item as the list shows it: with hints, token + "  : " + hint; else the bare token.
std::string ModeComboItemText(const TModeComboItem& item, bool hints);
// Every item text of a list, in order.
std::vector<std::string> ModeComboItemTexts(const TModeCombo& combo, bool hints);
// The token of an item text: the text before its first ":" (all of it when there is none), with
// trailing blanks removed; leading blanks stay.
std::string ComboItemToken(std::string_view itemText);

// Applies a picked item to a grid key and returns the label stored: through the mode's token
// parser, or, for an item whose token names another code first (the "dim" and "aug" chords), by
// the item's own code.
std::string KeyFnFromComboItem(TModeType t, int gridKey, const TModeComboItem& item);

}  // namespace vel
