#include "net/CDownload.h"

#include "platform/CSettings.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kMaxErrorLength = 254;

QString Failed(QFile& file, const QString& error)
{
    file.close();
    file.remove();
    return error.left(kMaxErrorLength);
}

} // namespace

QString CDownload::UpdateUrl(const QString& path)
{
    QString base = CSettings::String(QStringLiteral("UpdateServer"),
                                     QStringLiteral("http://updates.cratewise.example"));
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + path;
}

int CDownload::TimeoutMs()
{
    return qMax(1, CSettings::Int(QStringLiteral("NetTimeout"), 15)) * 1000;
}

QString CDownload::Fetch(const QString& url, const QString& localFile)
{
    return Fetch(url, localFile, TimeoutMs());
}

QString CDownload::Fetch(const QString& url, const QString& localFile, int timeoutMs)
{
    const QUrl address(url);
    if (!address.isValid() || address.scheme().isEmpty())
        return QStringLiteral("Invalid address: %1").arg(url).left(kMaxErrorLength);
    QFile file(localFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("Cannot create %1: %2")
            .arg(localFile, file.errorString())
            .left(kMaxErrorLength);

    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.get(request);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool writeFailed = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray data = reply->readAll();
        if (file.write(data) != data.size()) {
            writeFailed = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();

    QString error;
    if (timedOut)
        error =
            QStringLiteral("The server did not answer within %1 seconds.").arg(timeoutMs / 1000.0);
    else if (writeFailed)
        error = QStringLiteral("Cannot write %1: %2").arg(localFile, file.errorString());
    else if (reply->error() != QNetworkReply::NoError)
        error = reply->errorString();
    if (error.isEmpty()) {
        const QByteArray rest = reply->readAll();
        if (file.write(rest) != rest.size())
            error = QStringLiteral("Cannot write %1: %2").arg(localFile, file.errorString());
    }
    if (!error.isEmpty())
        return Failed(file, error);
    if (!file.flush())
        return Failed(file, file.errorString());
    file.close();
    return QStringLiteral("YES");
}
