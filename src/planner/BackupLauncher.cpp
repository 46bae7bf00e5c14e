#include "planner/BackupLauncher.h"

#include <cstring>

#include "common/backup/Options.h"

uint32_t LaunchBackupProgram(TProcessLauncher& launcher, const QString& program,
                             const QString& arguments, bool wait,
                             const std::function<void()>& events)
{
    const QString commandLine = AlwaysQuoted(program) + u' ' + arguments;
    const TLaunchOutcome outcome = launcher.Start(commandLine, wait, events);
    if (outcome.error != 0)
        return uint32_t(outcome.error);
    if (!wait || outcome.exitCode == 0)
        return 0;
    return uint32_t(outcome.exitCode) | kExitCodeFlag;
}

QString SystemErrorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}
