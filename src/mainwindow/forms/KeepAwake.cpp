#include "mainwindow/forms/KeepAwake.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vel {

namespace {

QDBusMessage ScreenSaverCall(const char* method) {
  return QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                        "org.freedesktop.ScreenSaver", QString::fromLatin1(method));
}

}  // namespace

TKeepAwake::TKeepAwake(QObject* parent) : QObject(parent) {}

TKeepAwake::~TKeepAwake() {
  wanted_ = false;
  Release();
}

void TKeepAwake::Set(bool on) {
  wanted_ = on;
  if (!on) {
    Release();
    return;
  }
  if (cookie_ != 0 || pending_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage m = ScreenSaverCall("Inhibit");
  m << QStringLiteral("Vellorine") << QStringLiteral("Live performance");
  // Asynchronous: the status tick never waits on the bus.
  pending_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(m), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    QDBusPendingReply<uint32_t> reply = *w;
    pending_ = false;
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
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage m = ScreenSaverCall("UnInhibit");
    m << cookie_;
    bus.send(m);
  }
  cookie_ = 0;
}

}  // namespace vel
