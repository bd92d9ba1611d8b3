#include "platform/CDownload.h"

#include "platform/CNetCancel.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kMaxErrorLength = 254;

} // namespace

QString CDownload::UpdateUrl(const QString& path)
{
    QString base = CSettings::String(ESetting::UpdateServer);
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + path;
}

void CDownload::NameIfUnencrypted(const QString& url, CPrompts* prompts)
{
    const QUrl address(url);
    if (!prompts || address.scheme().compare(u"http", Qt::CaseInsensitive) != 0)
        return;
    // The server part only: the paths of one server are one question.
    const QString server = address
                               .adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                         QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                               .toString();
    QStringList named = CSettings::String(ESetting::PlainNamed).split(u' ', Qt::SkipEmptyParts);
    if (named.contains(server))
        return;
    named.append(server);
    while (named.size() > 16) // a handful of servers, not a growing list
        named.removeFirst();
    CSettings::SetString(ESetting::PlainNamed, named.join(u' '));
    prompts->Exclaim(QStringLiteral("The address %1 is not encrypted (http://): what it answers "
                                    "can be changed on the way. An https:// address avoids "
                                    "that. This is said once.")
                         .arg(server),
                     QStringLiteral("Cratewise"));
}

int CDownload::TimeoutMs()
{
    return CSettings::Int(ESetting::NetTimeout) * 1000;
}

QString CDownload::Get(const QString& url, QByteArray& body, CNetCancel* cancel)
{
    return Get(url, body, TimeoutMs(), cancel);
}

QString CDownload::Get(const QString& url, QByteArray& body, int timeoutMs, CNetCancel* cancel)
{
    body.clear();
    const QUrl address(url);
    if (!address.isValid() || address.scheme().isEmpty())
        return QStringLiteral("Invalid address: %1").arg(url).left(kMaxErrorLength);

    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.get(request);
    // What Qt holds unread is bounded too; the rest waits in the socket.
    reply->setReadBufferSize(64 * 1024);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    const auto take = [&] {
        body += reply->read(kMaxBytes + 1 - body.size());
        if (body.size() > kMaxBytes) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        CNetCancel::Wait(loop, cancel);
    deadline.stop();
    const bool cancelled = !reply->isFinished() && cancel && cancel->IsCancelled();
    if (cancelled)
        reply->abort();
    if (!timedOut && !tooLarge && reply->error() == QNetworkReply::NoError)
        take();

    QString error;
    if (cancelled)
        error = QStringLiteral("Cancelled.");
    else if (timedOut)
        error =
            QStringLiteral("The server did not answer within %1 seconds.").arg(timeoutMs / 1000.0);
    else if (tooLarge)
        error = QStringLiteral("The server sent more than %1 KB; no answer it owes is that "
                               "long.")
                    .arg(kMaxBytes / 1024);
    else if (reply->error() == QNetworkReply::InsecureRedirectError)
        error = QStringLiteral("%1 sent the request on to an unencrypted (http://) address; "
                               "refused.")
                    .arg(address.host());
    else if (reply->error() != QNetworkReply::NoError)
        error = reply->errorString();
    if (error.isEmpty())
        return QStringLiteral("YES");
    body.clear();
    return error.left(kMaxErrorLength);
}
