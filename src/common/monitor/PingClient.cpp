#include "common/monitor/PingClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include "common/infra/Translate.h"

namespace {

bool IsWebAddress(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// The system's certificates plus those of the file.
std::optional<QSslConfiguration> TlsConfiguration(const QString& caFile, QString& error)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (caFile.isEmpty())
        return config;
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(caFile, QSsl::Pem);
    if (extra.isEmpty()) {
        error = Fmt(Tr("no certificates in \"%s\""), {caFile});
        return std::nullopt;
    }
    config.setCaCertificates(QSslConfiguration::systemCaCertificates() + extra);
    return config;
}

QString ReplyProblem(QNetworkReply& reply, bool timedOut, int limitMs)
{
    if (timedOut)
        return Fmt(Tr("no answer within %s seconds"), {QString::number(limitMs / 1000.0)});
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply.error() == QNetworkReply::NoError && status >= 200 && status < 300)
        return QString();
    if (status >= 300)
        return QStringLiteral("HTTP %1 %2")
            .arg(status)
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    return reply.errorString();
}

} // namespace

QString SendPing(const QString& url, TPingKind kind, const QString& caFile, int limitMs)
{
    const QUrl address(PingAddress(url, kind));
    if (!IsWebAddress(address))
        return Tr("not an http or https address");
    QString error;
    const std::optional<QSslConfiguration> tls = TlsConfiguration(caFile, error);
    if (!tls)
        return error;
    QNetworkRequest request(address);
    request.setSslConfiguration(*tls);
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    if (!reply->isFinished())
        loop.exec();
    return ReplyProblem(*reply, timedOut, limitMs);
}
