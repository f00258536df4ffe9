#include "mainwindow/forms/VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace vel {

TVersionCheck::TVersionCheck(QObject* owner) : owner_(owner), nam_(new QNetworkAccessManager(owner)) {}

bool TVersionCheck::Start(const QString& url, int timeoutMs, TDone done) {
  if (Busy() || url.isEmpty()) return false;
  QNetworkRequest request{QUrl(url)};
  QNetworkReply* reply = nam_->get(request);
  reply_ = reply;
  // The whole request, not only a silence, is limited: a server that trickles bytes ends too.
  auto* deadline = new QTimer(reply);
  deadline->setSingleShot(true);
  deadline->setTimerType(Qt::PreciseTimer);
  QObject::connect(deadline, &QTimer::timeout, reply, [reply] { reply->abort(); });
  deadline->start(timeoutMs);
  // A version text is a few bytes; a server that sends more is not one.
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
    if (reply->bytesAvailable() > kMaxBody) reply->abort();
  });
  QObject::connect(reply, &QNetworkReply::finished, owner_, [this, reply, done = std::move(done)] {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = reply->error() == QNetworkReply::NoError && status == 200;
    const std::string body = ok ? reply->read(kMaxBody).toStdString() : std::string();
    reply_.clear();
    reply->deleteLater();
    done(ok, body);
  });
  return true;
}

}  // namespace vel
