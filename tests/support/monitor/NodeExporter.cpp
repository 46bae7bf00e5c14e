#include "monitor/NodeExporter.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTest>

#include "common/monitor/MetricsFile.h"
#include "smtp/SmtpTestServer.h"

namespace {

const QString kProgram = QStringLiteral("prometheus-node-exporter");

} // namespace

TNodeExporter::~TNodeExporter()
{
    fProcess.kill();
    fProcess.waitForFinished(5000);
}

bool TNodeExporter::Available()
{
    return !QStandardPaths::findExecutable(kProgram).isEmpty();
}

QString TNodeExporter::Start(const QString& folder)
{
    fPort = UnusedPort();
    fProcess.setProcessChannelMode(QProcess::MergedChannels);
    fProcess.start(kProgram, {"--web.listen-address=127.0.0.1:" + QString::number(fPort),
                              "--collector.disable-defaults", "--collector.textfile",
                              "--collector.textfile.directory=" + folder});
    if (!fProcess.waitForStarted(10000))
        return kProgram + " did not start";
    for (int i = 0; i < 100; ++i) {
        if (!Scrape().isEmpty())
            return QString();
        if (fProcess.state() == QProcess::NotRunning)
            return kProgram + " ended: " + QString::fromUtf8(fProcess.readAll());
        QTest::qWait(100);
    }
    return kProgram + " does not answer";
}

QByteArray TNodeExporter::Scrape() const
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl("http://127.0.0.1:" + QString::number(fPort) + "/metrics"));
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
}

std::optional<double> ScrapedValue(const QByteArray& text, const QString& name,
                                   const QList<std::pair<QString, QString>>& labels)
{
    for (const QByteArray& line : text.split('\n')) {
        const std::optional<TMetricSeries> s = ParseSeriesLine(QString::fromUtf8(line));
        if (!s || s->Name != name)
            continue;
        bool all = true;
        for (const auto& [label, value] : labels)
            all = all && s->Label(label) == value;
        if (all)
            return s->Value.toDouble();
    }
    return std::nullopt;
}
