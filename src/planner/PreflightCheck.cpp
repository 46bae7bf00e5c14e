#include "planner/PreflightCheck.h"

#include <cstdio>

#include <QFileInfo>

#include "common/infra/Reporter.h"
#include "common/infra/Translate.h"
#include "common/preflight/CheckReport.h"
#include "common/preflight/PreflightItems.h"
#include "common/tasks/WinTask.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"
#include "planner/StepPlan.h"

namespace {

void ReportPlan(const TStepPlan& plan, const QString& when, const QString& firstDay,
                TCheckReport& report)
{
    if (plan.Waiting) {
        report.Ok(Fmt(Tr("%s: no backup, the first full backup is made on the next \"%s\""),
                      {when, firstDay}));
        return;
    }
    if (!plan.CatchUpFolder.isEmpty())
        report.Ok(Fmt(Tr("%s: the missing full backup of this cycle first, folder \"%s\""),
                      {when, plan.CatchUpFolder}));
    report.Ok(Fmt(Tr("%s: step %s, %s backup, folder \"%s\""),
                  {when, QString::number(plan.Step), Tr(plan.Mode->name), plan.Folder}));
}

// Today's step, or tomorrow's when today's backup was made already.
void CheckStep(const TSchedTask& s, const QDate& today, TCheckReport& report)
{
    const bool doneToday = s.LastDay == DaysSince1899(today);
    const QDate day = doneToday ? today.addDays(1) : today;
    const QString when =
        doneToday ? Tr("Today's backup is done; tomorrow's run") : Tr("Today's run");
    ReportPlan(PlanStep(s, day.dayOfWeek(), false), when, WeekdayName(s.FirstDay, true), report);
}

bool StartsSchedule(const QStringList& words, const QString& name)
{
    for (const QString& word : words)
        if (!word.startsWith(u'/') && !word.startsWith(u'-'))
            return word.compare(name, Qt::CaseInsensitive) == 0;
    return false;
}

void Print(const QString& text)
{
    std::fputs(qPrintable(text), stdout);
}

} // namespace

void CheckScheduleItems(const TSchedTask& s, const QDate& today, TCheckReport& report)
{
    if (!s.IsStartable()) {
        report.Fail(Tr("The number of cycles or steps of the schedule is invalid"),
                    Tr("correct the schedule"));
        return;
    }
    report.Ok(Fmt(Tr("Rotation: %s cycles of %s steps"),
                  {QString::number(s.Cycles), QString::number(s.Steps)}));
    CheckStep(s, today, report);
    if (const std::optional<TBackupTask> task = CheckTaskFile(s.Task, report))
        CheckDestination(*task, QString(), report);
    const std::unique_ptr<ITaskBackend> backend = CreateTaskBackend();
    const QString name = s.SName;
    CheckScheduledTask(*backend,
                       {QStringLiteral("KvPlaner"), name,
                        [name](const QStringList& words) { return StartsSchedule(words, name); }},
                       report);
}

int RunPlanerCheck(const QStringList& arguments, const TClock& clock)
{
    StdErrReporter reporter;
    TSpawnLauncher unused; // nothing is started
    TPlanerRun run(reporter, unused, clock);
    run.IsBatch = true; // a settings file that cannot be read is an item below
    run.StartUp(arguments);

    TCheckReport report;
    CheckBackupProgram(run.KvPath, report);
    const int index = FindSchedule(run.Settings.Schedules, run.SchedName);
    if (!QFileInfo(run.IniName).isFile())
        report.Fail(Fmt(Tr("Settings file \"%s\" not found"), {run.IniName}),
                    Tr("name the settings file with /ini:file"));
    else if (index < 0)
        report.Fail(Fmt(Tr("Schedule \"%s\" not found!"), {run.SchedName}),
                    Fmt(Tr("check the name in \"%s\""), {run.IniName}));
    else
        CheckScheduleItems(run.Settings.Schedules[size_t(index)], clock.Today(), report);
    Print(Fmt(Tr("Schedule \"%s\":"), {run.SchedName}) + u'\n' + report.Text());
    return report.ExitCode();
}
