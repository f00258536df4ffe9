#pragma once
// Reading the pattern sections of a settings file back into a style store.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "styles/StyleStore.h"

namespace vel {

// Parses the family's pattern section (after "PatternSection = Drum" or "= Bass") into store: the row
// map, the styles and their patterns. A text without the section leaves store as it was. False with
// error set (the line and its number) for a line that breaks the form.
bool ParseCfgPatterns(std::string_view text, TStyleStore& store, const std::string& fileName,
                      std::string& error);

// The row a grid keyword names in a row map: "AC", a short name, "r" + row number, or a row's note;
// -1 for none.
int32_t CfgRowOfKeyword(const std::array<TStyleRowDef, kStyleRows>& map, std::string_view kw);

// The parsed styles, patterns and row map become the store's; current style and pattern 0.
void TakeCfgPatterns(TStyleStore& store, const TStyleStore& parsed);

}  // namespace vel
