#pragma once

#include <QDateTime>
#include <QString>

#include "KvArgs.h"

class TVolumeTable;

// Exit codes of the program.
enum TKelvaraExit {
    kExitOk = 0,
    kExitTaskNotFound = 1,
    kExitDestinationNotFound = 2,
    kExitSourceNotFound = 3,
    kExitBackupErrors = 4,
    kExitAborted = 5,
    kExitInvalidTask = 6,
    kExitEditorFailed = 10,
};

struct TRunContext {
    QString programPath;      // this program, for the default log name
    QString logFolder;        // option logdir
    QString defaultLogFolder; // used when logFolder does not exist
    const TVolumeTable* volumes = nullptr;
    bool echo = true; // log lines also to standard output
};

// Path of the log for the task file, found the way the calling programs look for it.
QString BackupLogFile(const QString& taskFile, const TRunContext& context, const QDateTime& now);
// Runs one task file and appends its lines to the log; returns the exit code.
int RunBackupTask(const QString& taskFile, const TKelvaraArgs& args, const TRunContext& context);
// The whole program: delay, then editing or the backups of every task file in turn; the first
// failure gives the exit code, an abort ends at once.
int RunKelvara(const TKelvaraArgs& args, const TRunContext& context);
// The folder for logs when no logdir is given: the "ini" value (a folder, or a file's folder),
// else the settings folder.
QString DefaultLogFolder(const QString& iniPath);
