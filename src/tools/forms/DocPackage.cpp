#include "tools/forms/DocPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "platform/Version.h"
#include "tools/DocReference.h"

namespace vel {

namespace {

// Page width in the document's layout units (A4 less the margins, at the screen's 96 dpi).
constexpr double kImageWidthMax = 590;

// Images are read from baseDir and put into the document; screenshots wider than the page are
// drawn at the page's width, keeping their proportions.
void LoadImages(QTextDocument& doc, const QString& baseDir) {
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat image = fragment.charFormat().toImageFormat();
      const QImage picture(QDir(baseDir).filePath(image.name()));
      if (picture.isNull()) continue;
      doc.addResource(QTextDocument::ImageResource, QUrl(image.name()), picture);
      if (picture.width() <= kImageWidthMax) continue;
      image.setWidth(kImageWidthMax);
      image.setHeight(kImageWidthMax * picture.height() / picture.width());
      QTextCursor cursor(&doc);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(image);
    }
  }
}

// Tables get column widths by how much their columns hold, so descriptions are not squeezed into
// as narrow a column as a key name.
void FitTables(QTextDocument& doc) {
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table || table->columns() < 2) continue;
    std::vector<double> weight(table->columns(), 0);
    for (int r = 0; r < table->rows(); ++r)
      for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell cell = table->cellAt(r, c);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        weight[c] = std::max<double>(weight[c], std::min<qsizetype>(cursor.selectedText().size(), 60));
      }
    double sum = 0;
    for (double& w : weight) sum += (w = std::max(w, 4.0));
    QVector<QTextLength> widths;
    for (double w : weight) widths << QTextLength(QTextLength::PercentageLength, 100 * w / sum);
    QTextTableFormat format = table->format();
    format.setColumnWidthConstraints(widths);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table->setFormat(format);
  }
}

bool ReadText(const QString& path, QString* text) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  *text = QString::fromUtf8(file.readAll());
  return true;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
         file.flush();
}

// A generated document: refused when it lacks an entry the tables have.
bool RenderGenerated(const TDocText& doc, const QString& outDir, const QString& name, QStringList* errors) {
  if (!doc.Missing.empty()) {
    for (const std::string& m : doc.Missing) *errors << name + ": no entry for " + QString::fromStdString(m);
    return false;
  }
  QString error;
  if (RenderMarkdownPdf(QString::fromStdString(doc.Markdown), outDir, outDir + "/" + name,
                        QFileInfo(name).completeBaseName(), &error))
    return true;
  *errors << error;
  return false;
}

}  // namespace

bool RenderMarkdownPdf(const QString& markdown, const QString& baseDir, const QString& pdfPath,
                       const QString& title, QString* error) {
  QTextDocument doc;
  doc.setDefaultFont(QFont("DejaVu Sans", 9));
  doc.setBaseUrl(QUrl::fromLocalFile(QDir(baseDir).absolutePath() + "/"));
  if (markdown.startsWith("<html>"))
    doc.setHtml(markdown);
  else
    doc.setMarkdown(markdown);
  LoadImages(doc, baseDir);
  FitTables(doc);
  QPdfWriter writer(pdfPath);
  writer.setTitle(title);
  writer.setCreator("Vellorine");
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  doc.print(&writer);
  if (QFileInfo(pdfPath).size() > 0) return true;
  if (error) *error = "Cannot write " + pdfPath;
  return false;
}

bool WriteDocsPackage(const QString& sourceDir, const QString& outDir, QStringList* errors) {
  QDir().mkpath(outDir);
  bool ok = true;
  QString readFirst;
  if (!ReadText(sourceDir + "/Read-First.txt", &readFirst) ||
      !WriteBytes(outDir + "/Read-First.txt", readFirst.toUtf8())) {
    *errors << "Cannot copy Read-First.txt";
    ok = false;
  }
  for (const char* name :
       {"Quick-Start", "Tutorial", "Overview", "Advanced-Operation", "Troubleshooting", "Mods-History"}) {
    QString markdown, error;
    const QString source = sourceDir + "/" + name + ".md";
    if (!ReadText(source, &markdown)) {
      *errors << "Cannot read " + source;
      ok = false;
    } else if (!RenderMarkdownPdf(markdown, sourceDir, outDir + "/" + name + ".pdf", name, &error)) {
      *errors << error;
      ok = false;
    }
  }
  const TFactoryKeySets keys = CaptureFactoryKeyMaps();
  ok = RenderGenerated(CommandReferenceMarkdown(keys), outDir, "Command-Reference.pdf", errors) && ok;
  ok = RenderGenerated({TemplatesHtml(keys), {}}, outDir, "Templates.pdf", errors) && ok;
  ok = RenderGenerated(ConfigurationGuideMarkdown(FactorySettingsText()), outDir, "Configuration-Guide.pdf",
                       errors) &&
       ok;
  // Written last, so a package that failed part-way is not taken for current.
  if (ok &&
      !WriteBytes(outDir + "/DocsVersion.txt", QByteArray::fromStdString(version::VersionText() + "\n"))) {
    *errors << "Cannot write DocsVersion.txt";
    ok = false;
  }
  return ok;
}

}  // namespace vel
