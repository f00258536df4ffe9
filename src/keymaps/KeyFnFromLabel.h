#pragma once
// The token parsers of the key mapper: a picked token becomes a key's function code and label.
// GUI thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "keymaps/KeyTokens.h"

namespace vel {

// Sets grid key gridKey of mode t (the key it maps to under input 1's octave offset) to the code
// its token names, the first in code order; a token that names nothing, the empty one among
// them, gives the mode's ignore code and the label " ". Returns the label stored. The Live "cmd"
// token may first ask whether the calibrate key should follow.
std::string KeyFnFromLabel(TModeType t, int gridKey, std::string_view token);

std::string KeyFnFromLabelLive(int gridKey, std::string_view token);
std::string KeyFnFromLabelHotkey(int gridKey, std::string_view token);
std::string KeyFnFromLabelCmd(int gridKey, std::string_view token);
std::string KeyFnFromLabelRec(int gridKey, std::string_view token);
std::string KeyFnFromLabelSRec(int gridKey, std::string_view token);
std::string KeyFnFromLabelRangeN(int gridKey, std::string_view token);
std::string KeyFnFromLabelTSig(int gridKey, std::string_view token);
std::string KeyFnFromLabelTShift(int gridKey, std::string_view token);
std::string KeyFnFromLabelFtsType(int gridKey, std::string_view token);
std::string KeyFnFromLabelQuant(int gridKey, std::string_view token);
std::string KeyFnFromLabelMetr(int gridKey, std::string_view token);
std::string KeyFnFromLabelFtsRoot(int gridKey, std::string_view token);
std::string KeyFnFromLabelFtn(int gridKey, std::string_view token);
std::string KeyFnFromLabelPitch(int gridKey, std::string_view token);

// Sets grid key gridKey of mode t to a code chosen by other means than its token (a list item
// whose token another code also carries) with the given label, and sends it to the label
// display. Returns the label stored.
std::string KeyFnFromCode(TModeType t, int gridKey, uint8_t code, std::string_view label);

// What the status line prompts in the calibrate key mode: "Press live Cmd key (" + the note name of
// the main input's calibrate key + ")".
std::string CalibPromptText();

}  // namespace vel
