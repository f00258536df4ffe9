#include "keymapper/forms/KeyMaps.h"

#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "base/DiagLog.h"
#include "base/FileReplace.h"
#include "base/Formats.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "keymapper/KeyMapsSave.h"
#include "keymapper/KeyMapsTable.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/Settings.h"

namespace vel {

namespace {
// The design's client size; only the height may change.
constexpr int kFixedWidth = 838;
constexpr int kDesignHeight = 243;
TSavedPlace SavedPlace() {
  return {&Cfg.WindowKeyMapsLeft, &Cfg.WindowKeyMapsTop, &Cfg.WindowKeyMapsWidth, &Cfg.WindowKeyMapsHeight};
}

}  // namespace

TfrmKeyMaps::TfrmKeyMaps(QWidget* parent) : QWidget(parent, Qt::Tool) {
  KeepSavedPlace(this, SavedPlace());
  setObjectName("frmKeyMaps");
  setWindowTitle("Key Maps");
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 4, 4);
  mnuKeyMaps = new QMenuBar(this);
  QMenu* file = mnuKeyMaps->addMenu("&File");
  file->setObjectName("mnuFile");
  const char* saves[] = {"Save as &space-separated format...", "Save in &tab-separated format...",
                         "Save in &comma-separated format..."};
  const char* names[] = {"mnuFileSaveSpaces", "mnuFileSaveTabs", "mnuFileSaveCommas"};
  for (int32_t l = 0; l < 3; ++l) {
    QAction* a = file->addAction(saves[l]);
    a->setObjectName(names[l]);
    QObject::connect(a, &QAction::triggered, this, [this, l] { SaveKeyMaps(l); });
  }
  file->addSeparator();
  QAction* exit = file->addAction("E&xit");
  exit->setObjectName("mnuFileExit");
  QObject::connect(exit, &QAction::triggered, this, [this] { close(); });
  layout->setMenuBar(mnuKeyMaps);
  memMaps = new QPlainTextEdit(this);
  memMaps->setObjectName("memMaps");
  memMaps->setReadOnly(true);
  memMaps->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Small enough that a block's 115 characters fit the fixed width.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  memMaps->setFont(fixed);
  layout->addWidget(memMaps);
  setFixedWidth(kFixedWidth);
  resize(kFixedWidth, kDesignHeight);
  registration_ = Windows().Register(*this);
}

TfrmKeyMaps::~TfrmKeyMaps() {
  registration_.Reset();
}

void TfrmKeyMaps::Answer(TWindowCalls& calls) {
  calls.Refresh.CloseKeyMapWindows = [this] { close(); };
}

void TfrmKeyMaps::Open(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
  RestoreSavedPlace(this, SavedPlace());
  show();
  raise();
  activateWindow();
}

void TfrmKeyMaps::ListKeyMapsTable(int32_t layout) {
  // Built whole and set in one call: no event runs between lines, so a second rebuild cannot mix
  // its lines into this one's.
  lines_ = vel::ListKeyMapsTable(layout);
  QString text;
  for (const std::string& line : lines_) {
    if (!text.isEmpty()) text += '\n';
    text += QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  }
  memMaps->setPlainText(text);
}

void TfrmKeyMaps::SaveKeyMaps(int32_t layout) {
  const std::string name = RunFileDialog(KeyMapsSaveDialog(layout, Cfg.LastSavedKeyMapsFolder));
  if (name.empty()) {
    if (Trace.DiagFlags) DiagLogTimed("Save key maps cancelled");
    return;
  }
  // The window shows what goes to the file while it is written.
  ListKeyMapsTable(layout);
  std::string stage;
  std::string error;
  // Replaced whole: a failing save keeps the old file rather than leaving half a table.
  if (ReplaceFileAtomically(name, KeyMapsFileBytes(lines_), stage, error)) {
    Cfg.LastSavedKeyMapsFolder = FolderOf(name);
  } else {
    const std::string text = KeyMapsSaveErrorText(stage, name);
    if (Trace.DiagFlags) DiagLogTimed(text);
    ShowMessage(text, MsgKind::Error);
  }
  ListKeyMapsTable(0);
}

void TfrmKeyMaps::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ListKeyMapsTable(0);
  memMaps->setFocus();
}

}  // namespace vel
