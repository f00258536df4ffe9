#pragma once
// The generated parts of the documentation package: the command reference, the configuration
// guide and the keyboard templates, written as Markdown (the templates as HTML) from the tables the program
// itself runs on (key modes, key-map vocabularies, factory maps, settings keywords), so the documents cannot
// say other than what the program does. GUI thread only: the factory maps are loaded to be read.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "keymaps/KeyMaps.h"
#include "keymaps/KeyTokens.h"

namespace vel {

// One factory map set: per mode type, each key's code and label.
struct TFactoryKeySet {
  std::array<std::array<uint8_t, KeyCount>, ModeTypeCount> Codes{};
  std::array<TKeyLabelTable, ModeTypeCount> Labels;  // no `{}`: it crashes clang 14
};
struct TFactoryKeySets {
  TFactoryKeySet Standard;
  TFactoryKeySet Novice;
};
// Loads the factory maps in standard and in novice mode and reads them back; the maps, their
// labels and colours, the octave offsets and the mode in use are put back afterwards.
TFactoryKeySets CaptureFactoryKeyMaps();

// What a function of a mode does, in a musician's words; nothing for a function the
// documentation does not know, which stops the reference from being made.
std::optional<std::string> DescribeKeyFn(TModeType t, const TKeyFn& fn);
// A computer key stroke of the Live, Hotkey or recording maps (listed in one table of their own).
bool IsHotkeyKeyFn(TModeType t, uint8_t code);

// A generated document, or the entries it lacks (then it must not be shipped).
struct TDocText {
  std::string Markdown;
  std::vector<std::string> Missing;
};
TDocText CommandReferenceMarkdown(const TFactoryKeySets& keys);
// factoryFile: the settings file as the program writes it with factory settings.
TDocText ConfigurationGuideMarkdown(const std::string& factoryFile);
// The templates are HTML: a strip needs cells of equal width and shaded black keys.
std::string TemplatesHtml(const TFactoryKeySets& keys);

// The settings file the program writes with every setting at its factory value; the factory
// settings are put in place to write it.
std::string FactorySettingsText();

}  // namespace vel
