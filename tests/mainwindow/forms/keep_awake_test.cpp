#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "mainwindow/forms/KeepAwake.h"

namespace vel {
namespace {

// A stand-in for the desktop's screen saver on a private bus: counts what it is asked.
class TFakeScreenSaver : public QDBusVirtualObject {
 public:
  explicit TFakeScreenSaver(const QDBusConnection& bus) : bus_(bus) {}
  // Read from the test's thread while the service answers on its own.
  std::vector<uint32_t> Inhibited() const {
    std::lock_guard lock(mutex_);
    return inhibited_;
  }
  std::vector<uint32_t> Released() const {
    std::lock_guard lock(mutex_);
    return released_;
  }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection&) override {
    if (m.interface() != "org.freedesktop.ScreenSaver") return false;
    std::lock_guard lock(mutex_);
    if (m.member() == "Inhibit") {
      inhibited_.push_back(uint32_t(inhibited_.size() + 7));
      bus_.send(m.createReply(QVariant::fromValue(uint(inhibited_.back()))));
      return true;
    }
    if (m.member() == "UnInhibit" && !m.arguments().isEmpty()) {
      released_.push_back(m.arguments().at(0).toUInt());
      return true;
    }
    return false;
  }

 private:
  QDBusConnection bus_;
  mutable std::mutex mutex_;
  std::vector<uint32_t> inhibited_;
  std::vector<uint32_t> released_;
};

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

TEST(KeepAwake, OneInhibitionWhileAskedReleasedWhenOffAndWhenGone) {
  const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
  if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  int argc = 1;
  char arg0[] = "vellorine";
  char* argv[] = {arg0, nullptr};
  QCoreApplication app(argc, argv);
  QProcess bus;
  bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
  ASSERT_TRUE(bus.waitForStarted(3000));
  ASSERT_TRUE(bus.waitForReadyRead(3000));
  const QString address = QString::fromUtf8(bus.readLine()).trimmed();
  {
    QDBusConnection server = QDBusConnection::connectToBus(address, "screensaver");
    ASSERT_TRUE(server.isConnected());
    // The service answers on a thread of its own, as another process would: closing waits for
    // its answer.
    QThread serviceThread;
    serviceThread.start();
    TFakeScreenSaver saver(server);
    saver.moveToThread(&serviceThread);
    ASSERT_TRUE(server.registerService("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(server.registerVirtualObject("/org/freedesktop/ScreenSaver", &saver));
    QDBusConnection client = QDBusConnection::connectToBus(address, "vellorine");
    ASSERT_TRUE(client.isConnected());
    {
      TKeepAwake awake(nullptr, client);
      awake.Set(true);
      awake.Set(true);  // every flash-phase change asks again: still one inhibition
      ASSERT_TRUE(WaitFor([&] { return !saver.Inhibited().empty() && awake.Held(); }));
      awake.Set(true);
      awake.Set(false);
      ASSERT_TRUE(WaitFor([&] { return !saver.Released().empty(); }));
      EXPECT_EQ(saver.Inhibited(), (std::vector<uint32_t>{7}));
      EXPECT_EQ(saver.Released(), (std::vector<uint32_t>{7}));
      EXPECT_FALSE(awake.Held());
      // Closing while the next inhibition is still on its way: it is waited for and given back.
      awake.Set(true);
    }
    ASSERT_TRUE(WaitFor([&] { return saver.Released().size() == 2; }));
    EXPECT_EQ(saver.Released(), (std::vector<uint32_t>{7, 8}));
    EXPECT_EQ(saver.Inhibited().size(), 2u);
    server.unregisterObject("/org/freedesktop/ScreenSaver");
    serviceThread.quit();
    serviceThread.wait();
    QDBusConnection::disconnectFromBus("vellorine");
    QDBusConnection::disconnectFromBus("screensaver");
  }
  bus.kill();
  bus.waitForFinished(3000);
}

TEST(KeepAwake, WithoutABusNothingHappens) {
  int argc = 1;
  char arg0[] = "vellorine";
  char* argv[] = {arg0, nullptr};
  QCoreApplication app(argc, argv);
  TKeepAwake awake(nullptr, QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none"));
  awake.Set(true);
  EXPECT_FALSE(awake.Held());
  awake.Set(false);
  QDBusConnection::disconnectFromBus("none");
}

}  // namespace
}  // namespace vel
