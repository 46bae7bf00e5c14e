#include <memory>

#include <QCoreApplication>

#include "common/backup/KvUtils.h"
#include "common/infra/EventLog.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"
#include "common/infra/Translate.h"
#include "common/ui/AppStart.h"
#include "common/ui/DialogReporter.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv);
    SetProgramName(QStringLiteral("KvPlaner"));
    InitProgramTranslation(
        {QString::fromLatin1(kRuntimeDomain), QString::fromLatin1(kUnitsDomain)});
    const bool display = ShowsWindows();
    std::unique_ptr<Reporter> reporter;
    if (display)
        reporter = std::make_unique<TDialogReporter>();
    else
        reporter = std::make_unique<StdErrReporter>();
    TSystemClock clock;
    TSpawnLauncher launcher;
    TPlanerRun run(*reporter, launcher, clock, [] { QCoreApplication::processEvents(); });
    run.IsBatch = !HasControllingTerminal() && !display;
    run.EventSource = EventSourceRegistered();
    run.StartUp(QCoreApplication::arguments().mid(1));
    run.CheckSchedule();
    // Without a schedule to run the schedule window takes over; until it exists the
    // program ends after its messages.
    return 0;
}
