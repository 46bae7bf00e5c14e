#include "planner/ScheduleRun.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/backup/PlaceHolders.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/Reporter.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/monitor/RunMonitor.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/StepPlan.h"

namespace {

enum TPlanerOption { poIni, poDelay, poInteractive, poDark };

constexpr TOptionKeyword kPlanerOptions[] = {
    {"ini", true, poIni},
    {"delay", true, poDelay},
    {"interactive", false, poInteractive},
    {"dark", false, poDark},
};

QString SettingsFileFromOption(const QString& value, const QString& appPath)
{
    QString name = ExpandPathPlaceholders(value);
    if (!QFileInfo(name).fileName().contains(u'.'))
        name += QStringLiteral(".ini");
    return IsAbsolutePathText(name) ? name : appPath + name;
}

} // namespace

QString WeekdayName(int weekday, bool longName)
{
    if (weekday < 1 || weekday > 7)
        return QString();
    return QLocale().dayName(weekday, longName ? QLocale::LongFormat : QLocale::ShortFormat);
}

TPlanerRun::TPlanerRun(Reporter& reporter, TProcessLauncher& launcher, const TClock& clock,
                       std::function<void()> events)
    : FReporter(reporter), FLauncher(launcher), FClock(clock), FEvents(std::move(events))
{}

void TPlanerRun::StartUp(const QStringList& arguments)
{
    AppPath = ::AppPath();
    UserPath = GetKnownFolder(TKnownFolder::Documents);
    JobDir = UserPath + QStringLiteral("Kelvara/");
    KvPath = LocateKelvara();
    IniName = DefaultSettingsFile();
    TakeOverOlderSettings(IniName);
    SchedName.clear();
    OtherOptions.clear();
    Wait = 5;
    ReadCommandLine(arguments);
    QString error;
    Settings = LoadPlanerSettings(IniName, JobDir, &error);
    JobDir = Settings.JobDir;
    if (!error.isEmpty() && !IsBatch)
        FReporter.Error(error, 0);
    BuildDefOptions();
}

void TPlanerRun::ReadCommandLine(const QStringList& arguments)
{
    for (const QString& arg : arguments) {
        if (!IsOptionParam(arg)) {
            SchedName = arg;
            continue;
        }
        const TOptionMatch match = MatchOption(arg, kPlanerOptions);
        switch (match.id) {
        case poIni:
            IniName = SettingsFileFromOption(match.value, AppPath);
            UseAltIni = true;
            break;
        case poDelay:
            Wait = LeadingInteger(match.value).value_or(5);
            break;
        case poInteractive:
            IntAct = true;
            break;
        case poDark:
            UseDarkMode = true;
            break;
        default:
            OtherOptions += u' ' + arg;
        }
    }
}

void TPlanerRun::BuildDefOptions()
{
    DefOptions = OptionText(QStringLiteral("hide")) + OptionText(QStringLiteral("logmode"), 1);
    if (UseAltIni)
        DefOptions += OptionText(QStringLiteral("ini"), IniName);
}

void TPlanerRun::Event(uint32_t id, bool error, const QStringList& strings)
{
    if (EventSource)
        FReporter.Event({id, error ? TEventType::Error : TEventType::Information, strings});
}

void TPlanerRun::ReportNotFound(const QString& name, bool quiet, const char* message)
{
    if (quiet)
        Event(kEvScheduleNotFound, true, {name, IniName});
    else
        FReporter.Error(Fmt(Tr(message), {name}), 0);
}

bool TPlanerRun::CheckSchedule()
{
    // A missing backup program is told, and the run goes on: the start then fails with the
    // system's error, which is told as well.
    if (KvPath.isEmpty()) {
        if (IsBatch)
            Event(kEvProgramNotFound, true, {});
        else
            FReporter.Error(Fmt(Tr("\"%s\" not found on this system!"), {KelvaraFileName()}), 0);
    }
    const bool iniExists = QFileInfo(IniName).isFile();
    if (!IsBatch && !iniExists)
        FReporter.Error(
            QStringLiteral("Kelvara\r\n") + Fmt(Tr("File\r\n\"%s\"\r\nnot found!"), {IniName}), 0);
    if (!iniExists || SchedName.isEmpty()) {
        if (IsBatch)
            Event(kEvScheduleNotFound, true, {SchedName, IniName});
        return IsBatch;
    }
    const int index = FindSchedule(Settings.Schedules, SchedName);
    if (index < 0) {
        ReportNotFound(SchedName, IsBatch, TrNoop("Schedule \"%s\" not found!"));
        return IsBatch;
    }
    if (OtherOptions.isEmpty())
        OtherOptions = DefOptions;
    return RunMonitored(index) || IsBatch;
}

bool TPlanerRun::RunMonitored(int index)
{
    const QString name = Settings.Schedules[size_t(index)].SName;
    const QString pingUrl = Settings.Schedules[size_t(index)].PingUrl;
    TRunMonitor monitor(
        kPlanerProgram, Settings.Monitoring, [this, name](const TMonitorFailure& f) {
            if (EventSource)
                FReporter.Event(
                    {kEvMonitorFailed, TEventType::Warning, {f.Reason, f.Target, name}});
        });
    monitor.Begin(pingUrl);
    const bool done = StartSchedule(index, OtherOptions);
    TRunRecord record;
    record.Name = name;
    record.Errors = LastRun.Errors;
    record.ExitCode = LastRun.ExitCode;
    record.Mode = LastRun.Mode;
    record.Step = LastRun.Step;
    monitor.End(record, pingUrl, LastRun.MadeBackup);
    return done;
}

bool TPlanerRun::AlreadyDone(const TSchedTask& s)
{
    const QString done = Fmt(Tr("Backup already done for this day!\r\nSchedule: %s\r\nBackup "
                                "task: %s"),
                             {s.SName, s.Task});
    if (Quiet(s)) {
        Event(kEvAlreadyDone, false, {s.SName, s.Task});
        return false;
    }
    if (IntAct)
        return FReporter.Confirm(done + QStringLiteral("\r\n") + Tr("Run again?"));
    FReporter.Information(done, Wait);
    return false;
}

bool TPlanerRun::StartSchedule(int index, const QString& options)
{
    if (index < 0 || size_t(index) >= Settings.Schedules.size())
        return false;
    TSchedTask& s = Settings.Schedules[size_t(index)];
    LastRun = {};
    if (!s.IsStartable()) {
        LastRun = {true, 1, kExitNotStarted, QString(), 0};
        // A hand-edited rotation without steps cannot run; the file stays as it is.
        ReportNotFound(s.SName, Quiet(s),
                       TrNoop("Schedule \"%s\" cannot be started: its number of cycles or "
                              "steps is invalid!"));
        return false;
    }
    const QDate today = FClock.Today();
    const int T = DaysSince1899(today);
    const int D = today.dayOfWeek();
    bool repeat = false;
    if (s.LastDay == T) {
        repeat = AlreadyDone(s);
        if (!repeat)
            return true;
    }
    const TStepPlan plan = PlanStep(s, D, repeat);
    if (plan.Waiting) {
        const QString day = WeekdayName(s.FirstDay, true);
        if (Quiet(s))
            Event(kEvWaitForWeekday, false, {day, s.SName, s.Task});
        else
            FReporter.Information(
                Fmt(Tr("First full backup on next \"%s\"!\r\nSchedule: %s\r\nBackup task: %s"),
                    {day, s.SName, s.Task}),
                Wait);
        return true;
    }
    LastRun.MadeBackup = true;
    LastRun.Step = plan.Step;
    LastRun.Mode = QLatin1String(plan.Mode->mode);
    if (!plan.CatchUpFolder.isEmpty())
        RunCatchUpFull(s, plan, options);
    s.NextCyc = plan.NextCyc;
    s.LastFull = plan.LastFull;
    const uint32_t result = Launch(s, *plan.Mode, plan.Folder, options, false);
    if (result != 0) {
        ReportFailure(s, result);
        return true;
    }
    ReportStarted(s, *plan.Mode, s.NextCyc);
    s.LastDay = T;
    if (!WriteProgress(IniName, index, s, FReporter))
        ++LastRun.Errors;
    return true;
}

void TPlanerRun::RunCatchUpFull(const TSchedTask& s, const TStepPlan& plan, const QString& options)
{
    const uint32_t result = Launch(s, FullMode(), plan.CatchUpFolder, options, true);
    if (result != 0)
        ReportFailure(s, result);
    else
        ReportStarted(s, FullMode(), plan.Step);
}

uint32_t TPlanerRun::Launch(const TSchedTask& s, const TBackupModeInfo& mode, const QString& folder,
                            const QString& options, bool wait)
{
    const QString arguments = QuotedPath(s.Task) +
                              OptionText(QStringLiteral("startapp"), QStringLiteral("kvplaner")) +
                              OptionText(QStringLiteral("mode"), QLatin1String(mode.mode)) +
                              OptionText(QStringLiteral("backupdir"), folder) +
                              OptionText(QStringLiteral("force")) + options;
    return LaunchBackupProgram(FLauncher, KvPath, arguments, wait, FEvents);
}

void TPlanerRun::ReportStarted(const TSchedTask& s, const TBackupModeInfo& mode, int stepNumber)
{
    const QString number = QString::number(stepNumber);
    if (Quiet(s))
        Event(kEvBackupStarted, false, {s.SName, s.Task, QLatin1String(mode.name), number});
    else
        FReporter.Information(Fmt(Tr("Backup started for schedule: %s\r\nBackup task: %s\r\n"
                                     "Mode: %s / Step: %s"),
                                  {s.SName, s.Task, Tr(mode.name), number}),
                              Wait);
}

void TPlanerRun::ReportFailure(const TSchedTask& s, uint32_t result)
{
    const bool exitCode = (result & kExitCodeFlag) != 0;
    const QString code = QString::number(result & 0xFF);
    ++LastRun.Errors;
    LastRun.ExitCode = std::max(LastRun.ExitCode, exitCode ? int(result & 0xFF) : kExitNotStarted);
    const QString text = exitCode ? QString() : SystemErrorText(int(result));
    if (Quiet(s)) {
        Event(kEvStartFailed, !exitCode,
              {exitCode ? QStringLiteral("ExitCode = ") + code : text, s.SName, s.Task});
    } else if (exitCode) {
        FReporter.Error(Fmt(Tr("\"%s\" returned exit code: %u\r\nSchedule: %s\r\nBackup task: "
                               "%s"),
                            {KelvaraFileName(), code, s.SName, s.Task}),
                        0);
    } else {
        FReporter.Error(Fmt(Tr("Error %s on starting \"%s\"!\r\nSchedule: %s\r\nBackup task: %s"),
                            {text, KelvaraFileName(), s.SName, s.Task}),
                        0);
    }
}
