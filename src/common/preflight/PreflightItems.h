#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "KvTaskFile.h"

class ITaskBackend;
class TCheckReport;

// The items that groups and schedules share. None of them changes a file or starts a backup.

// The backup program was found and may be executed.
void CheckBackupProgram(const QString& kvPath, TCheckReport& report);
// The task file exists and reads as a task; the task when it does.
std::optional<TBackupTask> CheckTaskFile(const QString& file, TCheckReport& report);
// The task's destination exists (or only its last folder is missing, which the backup makes),
// the account (empty: this program's) may write there, and there is room for a full backup of
// the sources.
void CheckDestination(const TBackupTask& task, const QString& account, TCheckReport& report);
// The folder where logs go exists and the account may write there.
void CheckLogFolder(const QString& folder, const QString& account, TCheckReport& report);

// Which scheduled task starts the group or schedule: its action runs programFile with
// arguments that runsIt accepts (the arguments split into words).
struct TTaskLookup {
    QString programFile; // "KvStarter", "KvPlaner"
    QString what;        // shown: the group or schedule
    std::function<bool(const QStringList& words)> runsIt;
};
// A task exists, is enabled and has a next run time, and the scheduler fires it while the
// user is logged out (lingering, for systemd user timers).
void CheckScheduledTask(ITaskBackend& backend, const TTaskLookup& lookup, TCheckReport& report);
