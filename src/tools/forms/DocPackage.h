#pragma once
// The documentation package the Help menu opens: hand-written Markdown from the source tree and
// the generated references, rendered to PDF with Qt alone, and the version file, all written
// beside the program. Needs a QGuiApplication (fonts); GUI thread.
#include <QString>
#include <QStringList>

namespace vel {

// The items of the Help menu that have no document yet: they keep their "Can't find help file" box.
inline constexpr const char* kDocsWithoutContent[] = {"Template-Macro.pdf"};

// Markdown (or HTML, when the text starts "<html>") to a PDF file (A4); relative image paths resolve against
// baseDir and images are fitted to the page width. False with error set when the file cannot be written.
bool RenderMarkdownPdf(const QString& markdown, const QString& baseDir, const QString& pdfPath,
                       const QString& title, QString* error);

// Writes every document of the package from sourceDir (the project's docs/) to outDir. False when
// any cannot be made, with a line per fault in errors; a generated reference that lacks an entry
// for a function code or settings keyword is such a fault.
bool WriteDocsPackage(const QString& sourceDir, const QString& outDir, QStringList* errors);

}  // namespace vel
