#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "common/platform/WinExecute.h"
#include "starter/StarterSettings.h"

// What a run needs from around it; every member may be left empty in tests.
struct TRunHooks {
    // Shows an error box (interactive runs).
    std::function<void(const QString& text)> ErrorMessage;
    // Asks for a password: nullopt when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& prompt)>
        InputPassword;
    // Lets the window process its pending events.
    std::function<void()> ProcessEvents;
    // Sleeps while events keep flowing.
    std::function<void(int ms)> Sleep;
};

// Outcome of one backup program process.
enum TRunOutcome { roRunning = -1, roSuccess = 0, roNotStarted = 7, roWaitFailed = 8 };

// Runs groups of backup tasks and collects the run log lines and the error count.
class TGroupRunner {
public:
    TGroupRunner(IProcessLauncher& launcher, TRunHooks hooks, QString kvPath, QString aIniPath,
                 QString title);

    // The common part of the backup program's command line for the group.
    QString BuildCommandLine(const TTaskProperties& group) const;
    // Runs the group; false only when the password prompt was cancelled.
    bool RunGroup(const TTaskProperties& group, bool interactive);
    // Starts the command line under the account and waits for its end, processing events:
    // the outcome (TRunOutcome or an exit code) and its message.
    int RunBackupProgram(const QString& account, const QString& password,
                         const QString& commandLine, QString& message);

    QStringList LogList;
    int ErrCount = 0;
    // The highest outcome of the backup program in the last RunGroup: 0 when every process
    // ended with 0, else an exit code, roNotStarted or roWaitFailed.
    int WorstOutcome = 0;

private:
    struct TStarted {
        std::optional<TProcessHandle> handle;
        QString message;
    };
    TStarted StartBackupProgram(const QString& account, const QString& password,
                                const QString& commandLine);
    int PollBackupProgram(TProcessHandle& handle, QString& message);
    int OutcomeOf(std::uint32_t waitResult, QString& message) const;
    void ReportRunError(const QString& text, bool interactive);
    void ReportOutcome(int outcome, const QString& message, const TTaskProperties& group,
                       bool interactive);
    void RunSequential(const TTaskProperties& group, const QString& password,
                       const QString& commandLine, bool interactive);
    void RunParallel(const TTaskProperties& group, const QString& password,
                     const QString& commandLine, bool interactive);
    void ProcessEvents() const;

    IProcessLauncher& FLauncher;
    TRunHooks FHooks;
    QString FKvPath;
    QString FAIniPath;
    QString FTitle;
};

// The account "domain\user" split at its first backslash: domain and user (no backslash: an
// empty domain and the whole text).
std::pair<QString, QString> SplitAccount(const QString& account);

// "      Backup task: <path>"
QString BackupTaskLine(const QString& path);
