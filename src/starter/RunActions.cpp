#include "starter/RunActions.h"

#include <cerrno>
#include <cstring>
#include <iterator>

#include "common/infra/Translate.h"
#include "common/platform/SystemInfo.h"
#include "common/platform/TaskbarWindows.h"

namespace {

const QString kAnnounce = QStringLiteral("  ==> ");

struct TButtonEffect {
    const char* caption;
    TDownMode logOff;
    TSuspendMode suspend;
};

// "Only backup" changes nothing, so an action of the command line stays in force.
constexpr TButtonEffect kButtons[] = {
    {TrNoop("Only backup"), dmNone, smNone},
    {TrNoop("Backup + Standby"), dmNone, smStandby},
    {TrNoop("Backup + Hibernate"), dmNone, smHibernate},
    {TrNoop("Backup + Logoff"), dmLogOff, smNone},
    {TrNoop("Backup + Restart"), dmRestart, smNone},
    {TrNoop("Backup + Shutdown"), dmShutdown, smNone},
};

void ReportTermination(const QString& first, const QString& systemText, QStringList& log,
                       int& errCount)
{
    log.append(QStringLiteral("  *** ") + first);
    log.append(QStringLiteral("      ") + systemText);
    ++errCount;
}

QString WithDetail(const char* text, const std::string& detail)
{
    return QStringLiteral("  *** ") + Tr(text) + QStringLiteral("\r\n") +
           QString::fromStdString(detail);
}

} // namespace

QStringList ActionButtonCaptions()
{
    QStringList captions;
    for (const TButtonEffect& b : kButtons)
        captions.append(Tr(b.caption));
    return captions;
}

QString ActionSelectionCaption(const QString& configList)
{
    QString groups = configList;
    groups.replace(u',', QStringLiteral(", "));
    return Tr("Start configurated backups as different user:") + u'\n' + groups;
}

QString ActionSelectionOption()
{
    return Tr("Terminate all running programs before starting backups");
}

bool ApplyActionSelection(int result, TActionChoice& choice)
{
    if (result < 0)
        return false;
    choice.TermProgs = (result & 256) != 0;
    const int button = result & 0xFF;
    if (button > 0 && button < int(std::size(kButtons))) {
        if (kButtons[button].logOff != dmNone)
            choice.LogOffMode = kButtons[button].logOff;
        if (kButtons[button].suspend != smNone)
            choice.SuspendMode = kButtons[button].suspend;
    }
    return true;
}

QString ActionAnnouncement(TDownMode logOff, TSuspendMode suspend)
{
    switch (logOff) {
    case dmShutdown:
    case dmPowerOff:
        return kAnnounce + Tr("The system will be shut down!");
    case dmRestart:
        return kAnnounce + Tr("The system will be restarted!");
    case dmLogOff:
        return kAnnounce + Tr("The user will be logged off!");
    default:
        break;
    }
    if (logOff != dmNone)
        return QString();
    switch (suspend) {
    case smStandby:
        return kAnnounce + Tr("The system will enter the standby state!");
    case smHibernate:
        return kAnnounce + Tr("The system will enter the hibernate state!");
    default:
        return QString();
    }
}

void TerminatePrograms(QStringList& log, int& errCount)
{
    const int own = CurrentProcessId();
    for (const TTaskbarWindow& window : ListTaskbarWindows()) {
        // Windows of clients on other hosts belong to no process here: they are left alone.
        if (!window.local || window.processId == own)
            continue;
        const QString title = QString::fromStdString(window.title);
        if (window.processId <= 1) {
            ReportTermination(Fmt(Tr("Terminating of \"%s\" failed:"), {title}),
                              QString::fromUtf8(std::strerror(ESRCH)), log, errCount);
            continue;
        }
        const auto program = ProcessProgramName(window.processId);
        const QString name = program ? QString::fromStdString(*program) : title;
        if (const auto failure = TerminateProcessById(window.processId))
            ReportTermination(Fmt(Tr("Terminating of \"%s\" failed:"), {name}),
                              QString::fromStdString(*failure), log, errCount);
    }
}

QString DoActionAfterRun(ISessionService& session, TDownMode logOff, TSuspendMode suspend)
{
    if (logOff != dmNone) {
        const bool ok =
            logOff == dmLogOff
                ? session.ExitWindowsSession({}, kExitLogOff | kExitForceIfHung, kReasonPlanned)
                : session.ShutdownComputer({}, logOff == dmRestart, kReasonPlanned);
        return ok ? QString()
                  : WithDetail(TrNoop("Error on shutting down or logging off!"),
                               session.LastError());
    }
    if (suspend != smNone && !session.SuspendComputer(suspend == smHibernate, false, false))
        return WithDetail(TrNoop("Error on suspending system!"), session.LastError());
    return QString();
}
