#include "planner/BackupLauncher.h"

#include <cstring>

#include "common/backup/Options.h"

TLaunchOutcome TSpawnLauncher::Start(const QString& commandLine, bool wait,
                                     const std::function<void()>& events)
{
    const std::unique_ptr<IProcessLauncher> launcher = CreateProcessLauncher();
    TProcessHandle handle;
    try {
        handle = launcher->Start(commandLine.toStdString(), std::string());
    } catch (const EProcessError& e) {
        return {int(e.Code()), 0};
    }
    if (!wait)
        return {};
    const uint32_t result = launcher->Wait(handle, 0, events);
    if (result & kExitCodeFlag)
        return {0, int(result & 0xFF)};
    return {int(result), 0};
}

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
