#pragma once

#include <optional>

#include <QString>
#include <QStringList>

enum class TBackupMode { Full, Differential, Incremental };

// What the command line asks for. Options the program has no use for (status window, sounds,
// power actions) are accepted and kept only where a run looks at them.
struct TKelvaraArgs {
    QStringList taskFiles;
    std::optional<TBackupMode> mode; // nullopt: full
    bool badMode = false;            // a mode word that is none of the three
    QString backupDir;               // empty: back up into the destination itself
    QString logDir;
    QString iniPath;
    QString prompt;
    QString startApp;
    int delaySeconds = 0;
    int instance = 0;
    bool edit = false;
};

// Reads the program's arguments (without the program itself): options start with "/" or "-"
// and may be abbreviated; every other argument, and every unknown "/" word that looks like a
// path, is a task file. Other unknown options are ignored.
TKelvaraArgs ParseKelvaraArgs(const QStringList& args);
// "full", "differential", "incremental".
QString ModeWord(TBackupMode mode);
// True when the name can be a backup folder below the destination: one plain path component.
bool IsPlainFolderName(const QString& name);
