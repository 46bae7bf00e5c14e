#pragma once

#include <optional>

#include <QString>

#include <time.h>

#include "KvArgs.h"

// What a destination remembers of earlier backups of one task.
struct TBackupTimes {
    std::optional<timespec> lastFull;   // start of the last successful full backup
    std::optional<timespec> lastBackup; // start of the last successful backup of any kind
};

struct TBackupStart {
    TBackupTimes times;
    bool folderKnown = false; // the backup folder was made by an earlier backup
    QString error;            // empty when the state file could be read and written
};

// Reads the times of the task from the destination's state file and records the backup
// folder (empty: the destination itself) as one of ours. Locked against parallel runs.
TBackupStart BeginBackup(const QString& destination, const QString& taskFile,
                         const QString& backupFolder);
// Records a successful backup that began at start. Returns an error text, empty on success.
QString FinishBackup(const QString& destination, const QString& taskFile, TBackupMode mode,
                     const timespec& start);
