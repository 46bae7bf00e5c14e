#pragma once

#include <QDateTime>
#include <QString>

class TVolumeTable;

// The user and computer names that placeholders insert.
QString PlaceholderUserName();
QString PlaceholderComputerName();

// Folder and environment words of an "ini" value (%appdata%, %perspath%, ...).
QString ExpandPathPlaceholders(const QString& text);
// Date, counter and time words (%date%, %yaw%, %d#7%, %time%, ...) for the given moment.
QString ExpandDatePlaceholders(const QString& text, int backupCount, const QDateTime& now);
// %volume%, %evar(NAME)% and then the date words.
QString ExpandDestination(const QString& destination, const QString& volume, int backupCount,
                          const QDateTime& now);
// Words of a log file name (%date%, %dest%, %drive%, %volume%, ...).
QString ExpandLogName(const QString& logName, const QString& destination, const QDateTime& now,
                      const TVolumeTable& volumes);

// Where the backup program's log of a task is written.
struct TLogNameContext {
    QString kvPath;           // the backup program, for the default log name
    QString groupLogFolder;   // the group's log folder field value
    QString defaultLogFolder; // used when the group's folder does not exist
};
// Full path of the backup program's log for the task file; empty when the file does not exist.
QString GetBackupLogName(const QString& taskFile, const TLogNameContext& context,
                         const QDateTime& now, const TVolumeTable& volumes);
// Week of the month (1 to 5), weeks beginning on Monday, counted as ISO weeks are; 0 for an
// invalid date.
int WeekOfTheMonth(const QDate& date);
