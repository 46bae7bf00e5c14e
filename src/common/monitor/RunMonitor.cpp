#include "common/monitor/RunMonitor.h"

#include <QDateTime>

#include "common/infra/EventLog.h"
#include "common/infra/Translate.h"

namespace {

QString Outcome(const TRunRecord& record, bool madeBackup)
{
    if (!record.Succeeded())
        return QStringLiteral("failure");
    return madeBackup ? QStringLiteral("success") : QStringLiteral("skipped");
}

} // namespace

QString RunJournalText(const TMonitoredProgram& program, const TRunRecord& record, bool madeBackup)
{
    QString text = QLatin1String(program.Name) + QStringLiteral(" run: ") +
                   QLatin1String(program.Label) + u'=' + LogQuoted(record.Name) +
                   QStringLiteral(" outcome=") + Outcome(record, madeBackup) +
                   QStringLiteral(" errors=") + QString::number(record.Errors) +
                   QStringLiteral(" exit_code=") + QString::number(record.ExitCode) +
                   QStringLiteral(" duration_seconds=") + QString::number(record.Duration, 'f', 3);
    if (program.Rotation && !record.Mode.isEmpty())
        text += QStringLiteral(" mode=") + record.Mode + QStringLiteral(" step=") +
                QString::number(record.Step);
    return text;
}

TRunMonitor::TRunMonitor(const TMonitoredProgram& program, TMonitorSettings settings,
                         std::function<void(const TMonitorFailure&)> failure)
    : FProgram(program), FSettings(std::move(settings)), FFailure(std::move(failure))
{}

void TRunMonitor::Ping(const QString& url, TPingKind kind)
{
    if (url.trimmed().isEmpty())
        return;
    const QString reason = SendPingOnDemand(url, kind, FSettings.PingCaFile);
    if (reason.isEmpty() || !FFailure)
        return;
    const QString address = PingAddress(url, kind);
    FFailure({address, reason, Fmt(Tr("Ping to %s failed: %s"), {address, reason})});
}

void TRunMonitor::Begin(const QString& pingUrl)
{
    Ping(pingUrl, TPingKind::Start);
    FTimer.start();
}

void TRunMonitor::End(TRunRecord record, const QString& pingUrl, bool madeBackup)
{
    record.Duration = FTimer.isValid() ? double(FTimer.elapsed()) / 1000.0 : 0.0;
    record.EndTime = Now ? Now() : QDateTime::currentSecsSinceEpoch();
    Ping(pingUrl, record.Succeeded() ? TPingKind::Success : TPingKind::Fail);
    if (madeBackup && !FSettings.MetricsDir.isEmpty()) {
        const QString reason = UpdateMetricsFile(FSettings.MetricsDir, FProgram, record);
        if (!reason.isEmpty() && FFailure)
            FFailure({FSettings.MetricsDir, reason,
                      Fmt(Tr("The metrics could not be written to \"%s\": %s"),
                          {FSettings.MetricsDir, reason})});
    }
    const QString line = RunJournalText(FProgram, record, madeBackup);
    if (Journal)
        Journal(!record.Succeeded(), line);
    else
        WriteSystemLog(record.Succeeded() ? TEventType::Information : TEventType::Error, line);
}
