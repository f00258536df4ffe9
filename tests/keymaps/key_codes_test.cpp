#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keymaps/KeyCodes.h"
#include "keymaps/KeyTokens.h"

namespace vel {
namespace {

struct NamedCode {
  const char* name;
  uint8_t code;
};

// Every named code of every mode is the code its keyword has in the token tables, and every keyword
// that can be a name has its constant.
#define VEL_NAMED_CODE(Name, Code) NamedCode{#Name, Code},

TEST(KeyCodes, EachNameIsItsKeywordsCode) {
  const std::pair<TModeType, std::vector<NamedCode>> modes[] = {
      {MtCmd, {VEL_CODES_CMD(VEL_NAMED_CODE)}},         {MtLive, {VEL_CODES_LIVE(VEL_NAMED_CODE)}},
      {MtHotkey, {VEL_CODES_HOTKEY(VEL_NAMED_CODE)}},   {MtRec, {VEL_CODES_REC(VEL_NAMED_CODE)}},
      {MtSRec, {VEL_CODES_SREC(VEL_NAMED_CODE)}},       {MtRangeN, {VEL_CODES_RANGEN(VEL_NAMED_CODE)}},
      {MtTSig, {VEL_CODES_TSIG(VEL_NAMED_CODE)}},       {MtTShift, {VEL_CODES_TSHIFT(VEL_NAMED_CODE)}},
      {MtQuant, {VEL_CODES_QUANT(VEL_NAMED_CODE)}},     {MtPitch, {VEL_CODES_PITCH(VEL_NAMED_CODE)}},
      {MtMetr, {VEL_CODES_METR(VEL_NAMED_CODE)}},       {MtFtsRoot, {VEL_CODES_FTSROOT(VEL_NAMED_CODE)}},
      {MtFtsType, {VEL_CODES_FTSTYPE(VEL_NAMED_CODE)}}, {MtFtn, {VEL_CODES_FTN(VEL_NAMED_CODE)}},
  };
  for (const auto& [mode, codes] : modes) {
    std::size_t nameable = 0;
    for (const TKeyFn& f : KeyFns(mode))
      if (f.Keyword.find_first_of("#-") == std::string::npos) ++nameable;
    EXPECT_EQ(codes.size(), nameable) << int(mode);
    for (const NamedCode& c : codes) {
      const TKeyFn* f = FindKeyFnByCode(mode, c.code);
      ASSERT_NE(f, nullptr) << c.name;
      EXPECT_EQ(f->Keyword, c.name);
    }
  }
  EXPECT_EQ(FindKeyFnByCode(MtMetr, MetrNoteFirst)->Keyword, "MetrNoteC-2");
  EXPECT_EQ(FindKeyFnByCode(MtMetr, MetrNoteLast)->Keyword, "MetrNoteG8");
  EXPECT_EQ(FindKeyFnByCode(MtFtsRoot, FtsRootNoteLast)->Keyword, "FtsRootNoteB");
  EXPECT_EQ(FindKeyFnByCode(MtFtn, FtnNoteFirst)->Keyword, "FtnNoteC");
}

}  // namespace
}  // namespace vel
