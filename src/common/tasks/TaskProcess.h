#pragma once

#include <QString>
#include <QStringList>

// Starting the program of a task without waiting for it, while still learning its exit code.

struct TTaskProcessEnd {
    bool finished = false; // false: no result for this run yet
    bool signaled = false; // ended by a signal (stopped)
    int code = 0;          // exit code, or the signal number
};

// Starts program (searched on PATH when it has no folder) with the arguments in workDir (the
// caller's folder when empty), detached from the caller. When it ends, "<token> <status>" is
// written to resultFile. Returns the process id, which is also its process group. Throws
// EOleSysError when the program cannot be started.
qint64 StartWatchedProcess(const QString& program, const QStringList& arguments,
                           const QString& workDir, const QString& resultFile, const QString& token);
// The end of the run with that token as recorded in resultFile.
TTaskProcessEnd ReadProcessEnd(const QString& resultFile, const QString& token);
// True while a process (group) with that id exists.
bool ProcessGroupAlive(qint64 pid);
// Sends SIGTERM to the process group.
void TerminateProcessGroup(qint64 pid);
// Identifies the current boot, so process ids of an earlier boot are not trusted.
QString BootId();
