#include "mainwindow/forms/KeepAwake.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vel {

namespace {

constexpr int kCallTimeoutMs = 2000;

QDBusMessage ScreenSaverCall(const char* method) {
  return QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                        "org.freedesktop.ScreenSaver", QString::fromLatin1(method));
}

}  // namespace

TKeepAwake::TKeepAwake(QObject* parent, const QDBusConnection& bus) : QObject(parent), bus_(bus) {}

TKeepAwake::~TKeepAwake() {
  wanted_ = false;
  // An inhibition still on its way would outlive the program: wait for its cookie (bounded by
  // the call's time-out) so that it is given back.
  if (watcher_) {
    watcher_->disconnect(this);
    watcher_->waitForFinished();
    const QDBusPendingReply<uint32_t> reply = *watcher_;
    if (!reply.isError()) cookie_ = reply.value();
  }
  Release();
}

void TKeepAwake::Set(bool on) {
  wanted_ = on;
  if (!on) {
    Release();
    return;
  }
  if (cookie_ != 0 || pending_ || noBus_) return;
  if (!bus_.isConnected()) {
    // Asked once: a desktop without a session bus does not grow one while the program runs.
    noBus_ = true;
    return;
  }
  QDBusMessage m = ScreenSaverCall("Inhibit");
  m << QStringLiteral("Vellorine") << QStringLiteral("Live performance");
  // Asynchronous: the status tick never waits on the bus.
  pending_ = true;
  watcher_ = new QDBusPendingCallWatcher(bus_.asyncCall(m, kCallTimeoutMs), this);
  connect(watcher_, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    QDBusPendingReply<uint32_t> reply = *w;
    pending_ = false;
    watcher_ = nullptr;
    if (!reply.isError()) {
      cookie_ = reply.value();
      // Switched off while the call was under way.
      if (!wanted_) Release();
    }
    w->deleteLater();
  });
}

void TKeepAwake::Release() {
  if (cookie_ == 0) return;
  if (bus_.isConnected()) {
    QDBusMessage m = ScreenSaverCall("UnInhibit");
    m << cookie_;
    bus_.send(m);
  }
  cookie_ = 0;
}

}  // namespace vel
