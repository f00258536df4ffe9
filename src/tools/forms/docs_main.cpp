// Makes the documentation package at build time: vellorine_docs SOURCE_DIR OUT_DIR.
// "vellorine_docs --factory-settings FILE" writes the settings file with every factory value (key
// maps included), from which scripts/make-doc-screenshots starts the program.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/DocReference.h"
#include "tools/forms/DocPackage.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vellorine_docs SOURCE_DIR OUT_DIR | --factory-settings FILE\n");
    return 2;
  }
  // Fonts only: no display is needed, nor wanted on a build machine.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  if (std::strcmp(argv[1], "--factory-settings") == 0) {
    const std::string text = vel::FactorySettingsText();
    std::ofstream file(argv[2], std::ios::binary);
    file << text;
    file.close();
    if (file) return 0;
    std::fprintf(stderr, "vellorine_docs: cannot write %s\n", argv[2]);
    return 1;
  }
  QStringList errors;
  const bool ok =
      vel::WriteDocsPackage(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), &errors);
  for (const QString& e : errors) std::fprintf(stderr, "vellorine_docs: %s\n", qPrintable(e));
  return ok ? 0 : 1;
}
