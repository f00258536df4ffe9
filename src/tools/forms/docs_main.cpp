// Makes the documentation package at build time: vellorine_docs SOURCE_DIR OUT_DIR.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "tools/forms/DocPackage.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vellorine_docs SOURCE_DIR OUT_DIR\n");
    return 2;
  }
  // Fonts only: no display is needed, nor wanted on a build machine.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  QStringList errors;
  const bool ok =
      vel::WriteDocsPackage(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), &errors);
  for (const QString& e : errors) std::fprintf(stderr, "vellorine_docs: %s\n", qPrintable(e));
  return ok ? 0 : 1;
}
