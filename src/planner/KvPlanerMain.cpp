#include <memory>

#include <QCoreApplication>

#include "common/backup/KvUtils.h"
#include "common/infra/EventLog.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"
#include "common/infra/Translate.h"
#include "common/ui/AppStart.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/PlanerUsage.h"
#include "planner/PlanerWindowContext.h"
#include "planner/PreflightCheck.h"
#include "planner/RotationCalendar.h"
#include "planner/ScheduleRun.h"

namespace {

void SetUpProgram()
{
    SetProgramName(QStringLiteral("KvPlaner"));
    InitProgramTranslation(
        {QString::fromLatin1(kRuntimeDomain), QString::fromLatin1(kUnitsDomain)});
}

// The calendar is text on standard output: it needs no display and loads no windows.
int RunCalendarCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SetUpProgram();
    return RunPlanerCalendar(QCoreApplication::arguments().mid(2), TSystemClock());
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered =
            AnswerProgramCommand(argc, argv, PlanerUsage(), {kCheckOption, kCalendarOption}))
        return *answered;
    if (IsCalendarCommand(argc, argv))
        return RunCalendarCommand(argc, argv);
    const TProgramStart start = StartProgram(argc, argv, QStringLiteral("KvPlanerUi"));
    SetUpProgram();
    if (IsCheckCommand(argc, argv))
        return RunPlanerCheck(QCoreApplication::arguments().mid(2), TSystemClock());
    if (ReportStartFailure(start))
        return 1;
    const bool display = ShowsWindows(start);
    const std::unique_ptr<Reporter> reporter =
        display ? start.Windows->CreateReporter() : std::make_unique<StdErrReporter>();
    TSystemClock clock;
    TSpawnLauncher launcher;
    TPlanerRun run(*reporter, launcher, clock, [] { QCoreApplication::processEvents(); });
    run.IsBatch = !HasControllingTerminal() && !display;
    run.EventSource = EventSourceRegistered();
    run.StartUp(QCoreApplication::arguments().mid(1));
    // Without a schedule to run the schedule window takes over.
    if (run.CheckSchedule() || !display)
        return 0;
    TPlanerWindowContext context{&run, &clock, &launcher};
    return start.Windows->RunMainWindow(&context);
}
