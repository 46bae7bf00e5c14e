#include "starter/StarterRun.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include "common/backup/KvUtils.h"
#include "common/infra/EventLog.h"
#include "common/infra/Translate.h"
#include "common/mail/ReportQueue.h"
#include "common/monitor/RunMonitor.h"
#include "starter/ErrorReport.h"

namespace {

const QString kErrorPrefix = QStringLiteral("  *** ");

// What monitoring learns of a group's run. A cancelled password prompt is an error of the
// group: its backups did not run.
TRunRecord GroupRecord(const QString& name, const TGroupRunner& runner, bool completed)
{
    TRunRecord record;
    record.Name = name;
    record.Errors = runner.ErrCount + (completed ? 0 : 1);
    record.ExitCode = completed ? runner.WorstOutcome : int(roNotStarted);
    return record;
}

} // namespace

QString LongTimeFormat(const QLocale& locale)
{
    // The long format may name the time zone ("t"); a log line gives the clock time only.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

QString RunLogDateTime(const QDateTime& t, const QLocale& locale)
{
    return locale.toString(t.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(t.time(), LongTimeFormat(locale));
}

QString RunLogHeader()
{
    return ProgramName() + BitnessText() + QStringLiteral(" (") + VersionText(4) + u')';
}

bool AppendRunLog(const QString& fileName, const QStringList& lines,
                  const std::function<void(int ms)>& sleep)
{
    QByteArray text;
    for (const QString& line : lines)
        text += line.toUtf8() + "\r\n";
    text += "\r\n";
    for (int attempt = 0; attempt < 2; ++attempt) {
        QFile file(fileName);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return file.write(text) == text.size();
        }
        if (sleep)
            sleep(2000);
    }
    return false;
}

TStarterRun::TStarterRun(TStarterState& state, TStarterServices services)
    : FState(state), FServices(std::move(services))
{}

QString TStarterRun::Now() const
{
    return RunLogDateTime(FServices.Now ? FServices.Now() : QDateTime::currentDateTime(),
                          QLocale::system());
}

bool TStarterRun::CheckForce()
{
    const TStarterOptions& o = FState.Options;
    const bool force = o.Force;
    if (FState.KvPath.isEmpty()) {
        if (FServices.Hooks.ErrorMessage)
            FServices.Hooks.ErrorMessage(
                Fmt(Tr("\"%s\" not found on this system!"), {KelvaraFileName()}));
        return force;
    }
    if (!force)
        return false;
    TActionChoice choice{o.TermProgs, o.LogOffMode, o.SuspendMode};
    // Without a display nobody can answer the selection: the command line's actions apply.
    FSelectionSkipped = o.ActPrompt && !FServices.SelectAction;
    if (o.ActPrompt && FServices.SelectAction) {
        const int result = FServices.SelectAction(ActionSelectionCaption(o.ConfigList),
                                                  ActionButtonCaptions(), ActionSelectionOption());
        if (!ApplyActionSelection(result, choice))
            return true;
    }
    FState.Options.TermProgs = choice.TermProgs;
    FState.Options.LogOffMode = choice.LogOffMode;
    FState.Options.SuspendMode = choice.SuspendMode;
    RunGroups();
    return true;
}

void TStarterRun::RunGroups()
{
    const TStarterOptions& o = FState.Options;
    FLog.clear();
    FLog.append(RunLogHeader());
    FLog.append(QStringLiteral("  ==> ") + Tr("Start: ") + Now());
    if (FSelectionSkipped)
        FLog.append(QStringLiteral("  ==> ") +
                    Tr("No display to offer the action selection: the actions of the command "
                       "line apply."));
    FErrCount = 0;
    if (o.TermProgs) {
        if (FServices.Terminate)
            FServices.Terminate(FLog, FErrCount);
        else
            TerminatePrograms(FLog, FErrCount);
    }
    if (o.LockScreen && FServices.Session)
        FServices.Session->LockWorkStation();

    TGroupRunner runner(*FServices.Launcher, FServices.Hooks, FState.KvPath,
                        FState.Settings.AIniPath, ProgramName());
    TRunMonitor monitor(kStarterProgram, FState.Stored.Monitoring,
                        [this](const TMonitorFailure& f) { FLog.append(kErrorPrefix + f.Text); });
    if (FServices.Now)
        monitor.Now = [this] { return FServices.Now().toSecsSinceEpoch(); };
    // Names are taken from the front up to each ",", until nothing is left.
    QStringList names = o.ConfigList.split(u',');
    if (!names.isEmpty() && names.last().isEmpty())
        names.removeLast();
    for (const QString& name : names) {
        const int index = FState.Stored.IndexOfGroup(name);
        if (index < 0) {
            FLog.append(kErrorPrefix + Tr("Unknown group: ") + name);
            ++FErrCount;
            continue;
        }
        const TTaskProperties& group = *FState.Stored.Groups[size_t(index)];
        FLog.append(QStringLiteral("  ->  ") + Tr("Backup group:") + u' ' + group.Desc +
                    QStringLiteral(" - ") + Tr("User name: ") + group.User);
        runner.LogList.clear();
        runner.ErrCount = 0;
        monitor.Begin(group.PingUrl);
        const bool go = runner.RunGroup(group, false);
        FLog.append(runner.LogList);
        FErrCount += runner.ErrCount;
        if (!go)
            FLog.append(kErrorPrefix + Tr("Canceled by user"));
        monitor.End(GroupRecord(group.Desc, runner, go), group.PingUrl);
        if (!go)
            break;
    }
    FLog.append(QStringLiteral("  ==> ") + Tr("End") + QStringLiteral(": ") + Now());
    const QString announcement = ActionAnnouncement(o.LogOffMode, o.SuspendMode);
    if (!announcement.isEmpty())
        FLog.append(announcement);
    // The log is written after the report, so that it tells when the report was not sent.
    if (FServices.Mailer && FState.Stored.MailData.Enabled && FErrCount > 0)
        MailReport();
    WriteRunLog();
    if (FServices.Session) {
        const QString failure = DoActionAfterRun(*FServices.Session, o.LogOffMode, o.SuspendMode);
        if (!failure.isEmpty() && FServices.Hooks.ErrorMessage)
            FServices.Hooks.ErrorMessage(failure);
    }
}

void TStarterRun::MailReport()
{
    const QString notePrefix = QStringLiteral("  ==> ");
    TReportQueue queue(QueueFolderFor(FState.LogName),
                       [this, notePrefix](bool error, const QString& text) {
                           FLog.append((error ? kErrorPrefix : notePrefix) + text);
                       });
    TQueuedMessage unsent;
    ReportMailFailure(SendErrorReport(*FServices.Mailer, FState.Stored.MailData, FErrCount, FLog,
                                      ProgVersName(), FState.ProtocolLog, &queue, &unsent));
    if (!unsent.Message.isEmpty())
        queue.Add(unsent);
}

void TStarterRun::ReportMailFailure(const QString& reason)
{
    if (reason.isEmpty())
        return;
    FLog.append(kErrorPrefix + Tr("The error report could not be sent: ") + reason);
    const TEventEntry entry{
        kEvReportNotSent, TEventType::Error, {reason, FState.Stored.MailData.SMTP}};
    if (FServices.Event)
        FServices.Event(entry);
    else
        WriteEvent(entry);
}

void TStarterRun::WriteRunLog() const
{
    if (FState.Options.WriteLog)
        AppendRunLog(FState.LogName, FLog, FServices.Hooks.Sleep);
}
