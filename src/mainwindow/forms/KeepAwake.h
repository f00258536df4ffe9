#pragma once
// Keeps the display awake while asked: one org.freedesktop.ScreenSaver inhibition over the
// session bus, released when no longer asked or when this object goes. Without a session bus it
// does nothing.
#include <QDBusConnection>
#include <QObject>
#include <cstdint>

class QDBusPendingCallWatcher;

namespace vel {

class TKeepAwake : public QObject {
 public:
  // bus: the session bus, or a test's own connection.
  explicit TKeepAwake(QObject* parent = nullptr, const QDBusConnection& bus = QDBusConnection::sessionBus());
  ~TKeepAwake() override;

  void Set(bool on);
  bool Held() const { return cookie_ != 0 || pending_; }

 private:
  void Release();

  QDBusConnection bus_;
  uint32_t cookie_ = 0;
  bool pending_ = false;  // an Inhibit call awaits its reply
  QDBusPendingCallWatcher* watcher_ = nullptr;
  bool wanted_ = false;
  bool noBus_ = false;
};

}  // namespace vel
