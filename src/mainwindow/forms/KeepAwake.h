#pragma once
// Keeps the display awake while asked: one org.freedesktop.ScreenSaver inhibition over the
// session bus, released when no longer asked or when this object goes. Without a session bus it
// does nothing.
#include <QObject>
#include <cstdint>

namespace vel {

class TKeepAwake : public QObject {
 public:
  explicit TKeepAwake(QObject* parent = nullptr);
  ~TKeepAwake() override;

  void Set(bool on);
  bool Held() const { return cookie_ != 0 || pending_; }

 private:
  void Release();

  uint32_t cookie_ = 0;
  bool pending_ = false;  // an Inhibit call awaits its reply
  bool wanted_ = false;
};

}  // namespace vel
