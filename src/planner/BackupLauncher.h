#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "common/platform/WinExecute.h"

// How a started program ended.
struct TLaunchOutcome {
    int error = 0;    // system error code when the program could not be started
    int exitCode = 0; // the program's exit code (only when waited for)
};

// Starts programs from a command line.
class TProcessLauncher {
public:
    virtual ~TProcessLauncher() = default;
    // Starts the command line (split into words, never through a shell) with this process's
    // environment and current folder. With wait, checks every 100 ms whether it has ended and
    // calls events in between.
    virtual TLaunchOutcome Start(const QString& commandLine, bool wait,
                                 const std::function<void()>& events) = 0;
};

// The launcher over the platform's process services (no zombie is left when not waiting).
class TSpawnLauncher : public TProcessLauncher {
public:
    TLaunchOutcome Start(const QString& commandLine, bool wait,
                         const std::function<void()>& events) override;
};

// Starts the backup program with the arguments: 0 on success, the system error code when the
// start failed, or (with wait) a non-zero exit code with kExitCodeFlag set.
uint32_t LaunchBackupProgram(TProcessLauncher& launcher, const QString& program,
                             const QString& arguments, bool wait,
                             const std::function<void()>& events);
// The system's text for an error code.
QString SystemErrorText(int code);
