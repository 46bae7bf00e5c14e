#include <memory>

#include <QApplication>
#include <QCoreApplication>

#include "common/backup/KvUtils.h"
#include "common/infra/EventLog.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"
#include "common/ui/DialogReporter.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"

namespace {

// A window program only where a display answers; a scheduled run at night gets a bare one.
std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv)
{
    if (!HasGraphicalSession())
        return std::make_unique<QCoreApplication>(argc, argv);
    // A display named in the environment that does not answer must not abort the run.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                       ? "xcb;offscreen"
                                       : "wayland;xcb;offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

bool ShowsWindows()
{
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv);
    SetProgramName(QStringLiteral("KvPlaner"));
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
