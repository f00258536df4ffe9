#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/RunControl.h"
#include "mainwindow/Help.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/FormRig.h"
#include "mainwindow/forms/MainHelp.h"
#include "mainwindow/forms/MainInput.h"
#include "platform/Version.h"
#include "settings/Settings.h"
#include "tools/ReferenceTexts.h"

namespace vel {
namespace {

// A local web server with one answer: a body, or silence (the connection stays open, unanswered).
class TVersionServer {
 public:
  explicit TVersionServer(std::optional<std::string> body) : body_(std::move(body)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
          request_ += s->readAll();
          if (!request_.contains("\r\n\r\n") || !body_) return;
          const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                     std::to_string(body_->size()) + "\r\nConnection: close\r\n\r\n" + *body_;
          s->write(answer.data(), static_cast<qint64>(answer.size()));
          s->disconnectFromHost();
        });
      }
    });
  }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/version.txt";
  }

 private:
  std::optional<std::string> body_;
  QTcpServer server_;
  QByteArray request_;
};

class HelpMenuTest : public test::FormRig {};

TEST_F(HelpMenuTest, VersionCheckAgainstALocalServerKeepsTheItemDisabledUntilItEnds) {
  const std::string failed =
      "Unable to determine latest version on the internet\r\n"
      "Please try again later, or look for the latest version on the Vellorine web site\r\n\r\n";
  struct Case {
    const char* what;
    std::optional<std::string> body;
    MsgKind kind;
    std::string text;
  };
  const Case cases[] = {
      {"equal", version::VersionText() + "\r\n", MsgKind::Information, "Vellorine is up to date"},
      {"newer", "99.5\n", MsgKind::Information,
       "Later version 99.5 is available\r\nPlease download and install both Vellorine and Documentation "
       "packages from the Vellorine web site"},
      {"empty", "", MsgKind::Error, failed},
      {"garbage", "<html>not found</html>", MsgKind::Error, failed},
      {"no answer", std::nullopt, MsgKind::Error, failed},
  };
  QAction* item = ui().mnuHelpCheckProgVersion;
  // Shown as a build with a web site shows it (a hidden action is a disabled one).
  item->setVisible(true);
  for (const Case& c : cases) {
    TVersionServer server(c.body);
    // A server that answers gets time to, however busy the machine; the silent one runs out.
    form->Help().SetVersionSource(server.Url(), c.body ? 10000 : 300);
    rec.boxes.clear();
    item->trigger();
    EXPECT_FALSE(item->isEnabled()) << c.what;
    EXPECT_TRUE(rec.boxes.empty()) << c.what;
    QElapsedTimer waited;
    waited.start();
    while (!item->isEnabled() && waited.elapsed() < 15000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_TRUE(item->isEnabled()) << c.what;
    ASSERT_EQ(rec.boxes.size(), 1u) << c.what;
    EXPECT_EQ(rec.boxes[0].kind, c.kind) << c.what;
    EXPECT_EQ(rec.boxes[0].text, c.text) << c.what;
  }
}

TEST_F(HelpMenuTest, ItemsWithoutAWebSiteAreHiddenAndDocumentsOpenFromTheProgramFolder) {
  EXPECT_FALSE(ui().mnuHelpVideos->menuAction()->isVisible());
  EXPECT_FALSE(ui().mnuHelpExamples->isVisible());
  EXPECT_FALSE(ui().mnuHelpCheckProgVersion->isVisible());
  // The word processor macro it would open does not exist here.
  EXPECT_FALSE(ui().mnuHelpWordMacro->isVisible());
  EXPECT_TRUE(form->Help().VersionTextUrl().empty());
  std::vector<std::string> opened;
  Desktop().ShellOpen = [&opened](const std::string& target, const TShellDone& done) {
    opened.push_back(target);
    done(kShellOk);
  };
  form->SetProgFolder(dir);
  std::ofstream(dir + "/Read-First.txt") << "read me";
  std::ofstream(dir + "/DocsVersion.txt") << version::VersionText();
  HelpState = THelpState{};
  ui().mnuHelpReadFirst->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{dir + "/Read-First.txt"});
  EXPECT_TRUE(rec.boxes.empty());
  ui().mnuHelpPerf->trigger();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].caption, "Vellorine Performance Info");
  EXPECT_EQ(rec.boxes[0].text, PerformanceInfoText());
}

#ifdef VELLORINE_DOCS_DIR
// Every document item of the menu opens the document the build made, and the package is found
// current; an item whose document the build does not make keeps its box and opens nothing.
TEST_F(HelpMenuTest, TheBuiltDocumentsOpenFromTheMenuAndAreCurrent) {
  const std::string built = VELLORINE_DOCS_DIR;
  std::vector<std::string> made;  // the build's own list of documents
  std::stringstream list(VELLORINE_BUILT_DOCS);
  for (std::string name; std::getline(list, name, ',');) made.push_back(name);
  ASSERT_GE(made.size(), 9u);
  std::vector<std::string> opened;
  Desktop().ShellOpen = [&opened](const std::string& target, const TShellDone& done) {
    opened.push_back(target);
    done(kShellOk);
  };
  form->SetProgFolder(built);
  HelpState = THelpState{};
  for (const THelpDoc& doc : kHelpDocs) {
    const std::string file = doc.File;
    opened.clear();
    rec.boxes.clear();
    QAction* item = form->findChild<QAction*>(QString::fromLatin1(doc.Action));
    ASSERT_NE(item, nullptr) << doc.Action;
    item->trigger();
    if (std::find(made.begin(), made.end(), file) == made.end()) {
      EXPECT_TRUE(opened.empty()) << file;
      ASSERT_EQ(rec.boxes.size(), 1u) << file;
      EXPECT_EQ(rec.boxes[0].text.rfind("Can't find help file " + file, 0), 0u) << file;
    } else {
      EXPECT_EQ(opened, std::vector<std::string>{built + "/" + file});
      EXPECT_TRUE(rec.boxes.empty()) << file << ": " << (rec.boxes.empty() ? "" : rec.boxes[0].text);
    }
  }
  EXPECT_TRUE(HelpState.DocsChecked);
  std::ifstream version(built + "/DocsVersion.txt");
  std::string line;
  std::getline(version, line);
  EXPECT_EQ(line, version::VersionText());
}
#endif

TEST_F(HelpMenuTest, ComboFillersAndSelectByValue) {
  QComboBox combo;
  FillIntCombo(&combo, 1, 3, 12);
  std::vector<std::string> items;
  for (int i = 0; i < combo.count(); ++i) items.push_back(combo.itemText(i).toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{"1", "4", "7", "10"}));
  EXPECT_EQ(combo.maxVisibleItems(), 4);
  EXPECT_FALSE(combo.isEditable());
  FillIntCombo(&combo, 0, 1, 127);
  EXPECT_EQ(combo.count(), 128);
  EXPECT_EQ(combo.maxVisibleItems(), 20);

  combo.clear();
  for (const char* s : {"1", "2", "4", "8"}) combo.addItem(s);
  struct Case {
    int value;
    const char* selected;
  };
  for (const Case& c : {Case{3, "4"}, Case{9, "8"}, Case{0, "1"}, Case{8, "8"}}) {
    SelectComboByValue(&combo, c.value);
    EXPECT_EQ(combo.currentText().toStdString(), c.selected) << c.value;
  }

  // The clock port list: the inputs as port numbers, the clock's port selected.
  RunCtl.InPortsAllocated = 1;
  Cfg.ClocksExtPNo = 1;
  FillClockPortCombo(&combo);
  EXPECT_EQ(combo.count(), 2);
  EXPECT_EQ(combo.currentText().toStdString(), "P2");
  EXPECT_TRUE(combo.isEnabled());
  RunCtl.InPortsAllocated = -1;
  FillClockPortCombo(&combo);
  EXPECT_EQ(combo.count(), 0);
  EXPECT_FALSE(combo.isEnabled());
}

TEST_F(HelpMenuTest, ComputerKeysAreTranslatedFirstAndRepeatsIgnored) {
  std::vector<uint32_t> sent;
  InputIo.MidiIn = [&sent](int32_t, uint32_t msg, int32_t) { sent.push_back(msg); };
  RunCtl.ProgState = TProgState::Config;
  struct Case {
    const char* what;
    int key;
    bool repeat;
    bool swallowed;
    size_t boxes;
  };
  const Case cases[] = {
      {"Tab passes on without a box", Qt::Key_Tab, false, false, 0},
      {"F5 passes on without a box", Qt::Key_F5, false, false, 0},
      {"a repeat of M is swallowed quietly", Qt::Key_M, true, true, 0},
      {"M while stopped gives the box", Qt::Key_M, false, true, 1},
  };
  TQwertyKeys keys;
  for (const Case& c : cases) {
    rec.boxes.clear();
    const QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier, QString(), c.repeat);
    EXPECT_EQ(keys.Key(press, true), c.swallowed) << c.what;
    EXPECT_EQ(rec.boxes.size(), c.boxes) << c.what;
  }
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backslash), 220);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Equal), 187);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Minus), 189);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Escape), 27);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Z), 90);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_0), 48);
}

// The shortcut help names the keys to press: each command and number-row key it lists must be one
// the computer keys play, unshifted (a key needing Shift is refused).
TEST(ShortcutHelp, EveryKeyItNamesIsAComputerKey) {
  const std::vector<std::string> lines = QwertyHelpLines();
  const auto from = std::find(lines.begin(), lines.end(), "Num row assumes factory keymapping");
  const auto to = std::find(lines.begin(), lines.end(), "Playable/recordable keys C2..C3");
  ASSERT_LT(from, to);
  int named = 0;
  for (auto it = from + 1; it != to; ++it) {
    const std::string& line = *it;
    const size_t dash = line.find(" - ", 2);
    if (line.rfind("  ", 0) != 0 || dash == std::string::npos) continue;
    const std::string key = line.substr(2, dash - 2);
    const int qtKey = key == "esc" ? Qt::Key_Escape : key == "0..9" ? Qt::Key_9 : std::toupper(key[0]);
    EXPECT_TRUE(key.size() == 1 || key == "esc" || key == "0..9") << line;
    EXPECT_TRUE(IsQwertyKey(QtKeyToVirtualKey(qtKey))) << line;
    ++named;
  }
  EXPECT_EQ(named, 10);
}

}  // namespace
}  // namespace vel
