#pragma once
// One HTTP GET of the short version text, asynchronous: the window keeps running while it waits,
// and the answer, a failure or the time-out ends it once.
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

namespace vel {

class TVersionCheck {
 public:
  // ok false for any failure (no answer within the time-out, an HTTP error, a refused connection);
  // body is at most kMaxBody bytes of the answer.
  using TDone = std::function<void(bool ok, const std::string& body)>;
  static constexpr int kMaxBody = 256;

  explicit TVersionCheck(QObject* owner);
  // False (and done not called) when a check is under way or the address is empty.
  bool Start(const QString& url, int timeoutMs, TDone done);
  bool Busy() const { return !reply_.isNull(); }

 private:
  QObject* owner_;
  QNetworkAccessManager* nam_;
  QPointer<QNetworkReply> reply_;
};

}  // namespace vel
