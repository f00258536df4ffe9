#include <gtest/gtest.h>

#include <string>

#include "keymapper/KeyMapsSave.h"

namespace vel {
namespace {

TEST(KeyMapsSaveTest, DialogPerLayoutAndErrorTextPerFailingStep) {
  const TFileDialog commas = KeyMapsSaveDialog(2, "/k");
  EXPECT_EQ(commas, (TFileDialog{true, "Save key maps to file", "/k", "csv", "CSV files (*.csv)|*.csv"}));
  for (int32_t layout : {0, 1}) {
    const TFileDialog d = KeyMapsSaveDialog(layout, "");
    EXPECT_EQ(d.DefaultExt, "txt");
    EXPECT_EQ(d.Filter, "Text files (*.txt)|*.txt");
  }
  const struct {
    const char* stage;
    const char* text;
  } cases[] = {
      {"create", "Save key maps error: Cannot create file \r\n/k/a.txt"},
      {"write", "Save key maps error: Cannot write to file \r\n/k/a.txt"},
      {"close", "Save key maps error: Cannot close file \r\n/k/a.txt"},
      {"rename", "Save key maps error: Cannot close file \r\n/k/a.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyMapsSaveErrorText(c.stage, "/k/a.txt"), c.text) << c.stage;
  EXPECT_EQ(KeyMapsFileBytes({"a", "", "b c"}), "a\r\n\r\nb c\r\n");
}

}  // namespace
}  // namespace vel
