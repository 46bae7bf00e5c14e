#pragma once

#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

class TVolumeTable;

// File name of the state file that a destination keeps (backup times, backup folders).
inline constexpr const char* kStateFileName = "Kelvara.state";

// One source folder of a task (section "Dir000", "Dir001", ...).
struct TSourceFolder {
    QString section;
    QString volume;      // label of the volume the folder lies on; empty: the root file system
    QString folder;      // as written in the task file
    QString path;        // absolute path; empty when the volume is not mounted
    QString target;      // folder name below the backup folder
    QStringList include; // file name patterns; empty: every file
    QStringList exclude; // file and folder name patterns
};

struct TBackupTask {
    QString file;
    QString name; // file name without folder and extension
    QString destination;
    int backupCount = 1;
    int timeMarginSeconds = 2;
    std::vector<TSourceFolder> sources;
};

struct TTaskReadResult {
    std::optional<TBackupTask> task;
    int exitCode = 0; // 1 task file not found, 6 invalid configuration
    QString message;
};

// Reads and checks a task file.
TTaskReadResult ReadBackupTask(const QString& file, const TVolumeTable& volumes);
// The destination with its volume label resolved and its placeholders expanded; nullopt when
// the volume is not mounted.
std::optional<QString> ExpandTaskDestination(const TBackupTask& task, const TVolumeTable& volumes,
                                             const QDateTime& now);
// Name of a task file without folder and extension.
QString TaskName(const QString& file);
