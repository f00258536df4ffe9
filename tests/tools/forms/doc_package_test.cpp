#include <QStringList>
#include <filesystem>

#include "mainwindow/forms/FormRig.h"
#include "tools/forms/DocPackage.h"

namespace vel {
namespace {

using DocPackageTest = test::FormRig;

// A package that could not be made whole names what failed and is not marked current, so the
// Help menu warns instead of opening stale or missing documents without a word.
TEST_F(DocPackageTest, APackageMadeFromMissingSourcesFailsAndHasNoVersionFile) {
  const std::string out = dir + "/docs";
  QStringList errors;
  EXPECT_FALSE(
      WriteDocsPackage(QString::fromStdString(dir + "/no-sources"), QString::fromStdString(out), &errors));
  EXPECT_EQ(errors.value(0), "Cannot copy Read-First.txt");
  EXPECT_EQ(errors.value(1), QString::fromStdString("Cannot read " + dir + "/no-sources/Quick-Start.md"));
  EXPECT_EQ(errors.size(), 7);
  EXPECT_FALSE(std::filesystem::exists(out + "/DocsVersion.txt"));
  // The generated documents do not depend on the sources and are made all the same.
  for (const char* made : {"Command-Reference.pdf", "Templates.pdf", "Configuration-Guide.pdf"})
    EXPECT_GT(std::filesystem::file_size(out + "/" + made), 10000u) << made;
}

}  // namespace
}  // namespace vel
