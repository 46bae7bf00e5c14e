#include "common/backup/PlaceHolders.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "common/backup/KvUtils.h"
#include "common/backup/Volumes.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/platform/SystemInfo.h"

namespace {

struct TWord {
    const char* word;
    QString value;
};

QString ReplaceWords(QString text, std::initializer_list<TWord> words)
{
    for (const TWord& w : words)
        text.replace(QLatin1String(w.word), w.value, Qt::CaseInsensitive);
    return text;
}

QString NoSlash(const QString& folder)
{
    if (folder.size() > 1 && folder.endsWith(u'/'))
        return folder.chopped(1);
    return folder;
}

QString Known(TKnownFolder folder)
{
    return NoSlash(GetKnownFolder(folder));
}

QString EnvOr(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

// Machine-wide application data: the first of the XDG data folders.
QString SharedDataFolder()
{
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    const QString first = dirs.section(u':', 0, 0);
    return first.isEmpty() ? QStringLiteral("/usr/local/share") : NoSlash(first);
}

QString Digits(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString WithoutDots(QString name)
{
    return name.remove(u'.');
}

// The ISO week with the calendar year, lowered by one in January for a week above 25.
QString YearAndWeek(const QDate& date)
{
    const int week = date.weekNumber();
    int year = date.year();
    if (date.month() == 1 && week > 25)
        --year;
    return Digits(year, 4) + u'-' + Digits(week, 2);
}

// Replaces counters "%d#N%", "%w#N%", "%m#N%", "%v#N%".
QString ExpandCounters(QString text, const QDate& date, int backupCount)
{
    struct TCounter {
        QChar letter;
        int value; // zero-based
    };
    const TCounter counters[] = {{u'd', date.dayOfYear() - 1},
                                 {u'w', date.weekNumber() - 1},
                                 {u'm', date.month() - 1},
                                 {u'v', backupCount - 1}};
    for (const TCounter& c : counters) {
        const QString start = QStringLiteral("%") + c.letter + u'#';
        qsizetype pos = 0;
        while ((pos = text.indexOf(start, pos, Qt::CaseInsensitive)) >= 0) {
            const qsizetype end = text.indexOf(u'%', pos + 3);
            if (end < 0)
                break;
            bool ok = false;
            const int n = QStringView(text).mid(pos + 3, end - pos - 3).toInt(&ok);
            QString value;
            if (ok && n > 0) {
                const int width = n >= 100 ? 3 : (n < 10 ? 1 : 2);
                value = Digits(c.value % n + 1, width);
            }
            text.replace(pos, end - pos + 1, value);
            pos += value.size();
        }
    }
    return text;
}

// Replaces "%evar(NAME)%" by the variable's value when it is set and not empty.
QString ExpandEnvironmentWords(QString text)
{
    const QString start = QStringLiteral("%evar(");
    qsizetype pos = 0;
    while ((pos = text.indexOf(start, pos, Qt::CaseInsensitive)) >= 0) {
        const qsizetype close = text.indexOf(QLatin1String(")%"), pos + start.size());
        if (close < 0)
            break;
        const QString name = text.mid(pos + start.size(), close - pos - start.size());
        const QString value = qEnvironmentVariable(name.toLocal8Bit().constData());
        if (name.isEmpty() || value.isEmpty()) {
            pos = close + 2;
            continue;
        }
        text.replace(pos, close + 2 - pos, value);
        pos += value.size();
    }
    return text;
}

QString DriveOf(const QString& destination, const TVolumeTable& volumes)
{
    if (destination.isEmpty())
        return QString();
    const QString mountPoint = volumes.MountPointOf(destination);
    return mountPoint == u'/' ? QString() : mountPoint;
}

QString VolumeWordOf(const QString& destination, const TVolumeTable& volumes)
{
    if (IsVolumeLabelDestination(destination))
        return VolumeLabelOf(destination);
    if (destination.isEmpty() || !destination.startsWith(u'/'))
        return QString();
    if (!volumes.MountsKnown())
        return QStringLiteral("not available");
    return volumes.LabelOfMountPoint(volumes.MountPointOf(destination)).value_or(QString());
}

} // namespace

QString PlaceholderUserName()
{
    return QString::fromStdString(GetLoginUserName());
}

QString PlaceholderComputerName()
{
    return QString::fromStdString(GetLocalComputerName());
}

QString ExpandPathPlaceholders(const QString& text)
{
    const QString home = NoSlash(QDir::homePath());
    const QString programFiles = Known(TKnownFolder::ProgramFiles);
    QString result = ReplaceWords(text, {{"%perspath%", Known(TKnownFolder::Documents)},
                                         {"%apppath%", Known(TKnownFolder::RoamingAppData)},
                                         {"%profile%", home},
                                         {"%desktop%", Known(TKnownFolder::Desktop)},
                                         {"%favorites%", QString()},
                                         {"%progfiles%", programFiles},
                                         {"%progpath%", NoSlash(ProgramFolder())},
                                         {"%username%", PlaceholderUserName()},
                                         {"%computername%", PlaceholderComputerName()},
                                         {"%user%", QString()},
                                         {"%computer%", QString()}});
    const QString shared = EnvOr("ALLUSERSPROFILE", SharedDataFolder());
    const QString publicShare =
        NoSlash(QStandardPaths::writableLocation(QStandardPaths::PublicShareLocation));
    const QString programs64 = EnvOr("ProgramW6432", programFiles);
    const QString common64 = EnvOr("CommonProgramW6432", QString());
    return ReplaceWords(result,
                        {{"%appdata%", Known(TKnownFolder::RoamingAppData)},
                         {"%localappdata%", Known(TKnownFolder::LocalAppData)},
                         {"%allusersprofile%", shared},
                         {"%public%", EnvOr("PUBLIC", publicShare)},
                         {"%programfiles%", programs64},
                         {"%commonprogramfiles%", common64},
                         {"%programfiles(x86)%", EnvOr("ProgramFiles(x86)", programs64)},
                         {"%commonprogramfiles(x86)%", EnvOr("CommonProgramFiles(x86)", common64)},
                         {"%programdata%", shared},
                         {"%userprofile%", home}});
}

int WeekOfTheMonth(const QDate& date)
{
    if (!date.isValid())
        return 0;
    const QDate first(date.year(), date.month(), 1);
    const int startDow = first.dayOfWeek();
    int dayOfMonth = date.day();
    // A month whose first days fall on Friday to Sunday counts them to the previous month.
    if (startDow >= 5)
        dayOfMonth -= 8 - startDow;
    else
        dayOfMonth += startDow - 1;
    if (dayOfMonth <= 0)
        return WeekOfTheMonth(first.addDays(-1));
    int week = (dayOfMonth + 6) / 7;
    const QDate last(date.year(), date.month(), date.daysInMonth());
    const int endDow = last.dayOfWeek();
    // Its last days before a Thursday belong to the next month's first week.
    if (endDow <= 3 && date.daysInMonth() - date.day() < endDow)
        week = 1;
    return week;
}

QString ExpandDatePlaceholders(const QString& text, int backupCount, const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    const QLocale locale = QLocale::system();
    QString result = ReplaceWords(
        text, {{"%date%", date.toString(QStringLiteral("yyyy-MM-dd"))},
               {"%yaw%", YearAndWeek(date)},
               {"%dow%", WithoutDots(locale.dayName(date.dayOfWeek(), QLocale::ShortFormat))},
               {"%ldow%", WithoutDots(locale.dayName(date.dayOfWeek(), QLocale::LongFormat))},
               {"%dnw%", QString::number(date.dayOfWeek())},
               {"%day%", Digits(date.dayOfYear(), 3)},
               {"%week%", Digits(date.weekNumber(), 2)},
               {"%dom%", Digits(date.day(), 2)},
               {"%wom%", QString::number(WeekOfTheMonth(date))},
               {"%month%", Digits(date.month(), 2)},
               {"%lmonth%", WithoutDots(locale.monthName(date.month(), QLocale::LongFormat))},
               {"%year%", Digits(date.year(), 4)},
               {"%user%", PlaceholderUserName()},
               {"%computer%", PlaceholderComputerName()}});
    if (backupCount > 0)
        result = ExpandCounters(result, date, backupCount);
    return ReplaceWords(result, {{"%time%", time.toString(QStringLiteral("HHmmss"))},
                                 {"%hour%", time.toString(QStringLiteral("HH"))},
                                 {"%minute%", time.toString(QStringLiteral("mm"))},
                                 {"%username%", PlaceholderUserName()},
                                 {"%computername%", PlaceholderComputerName()},
                                 {"%d#?%", QString()},
                                 {"%w#?%", QString()},
                                 {"%m#?%", QString()},
                                 {"%v#?%", QString()},
                                 {"%volume%", QString()},
                                 {"%mode%", QString()}});
}

QString ExpandDestination(const QString& destination, const QString& volume, int backupCount,
                          const QDateTime& now)
{
    QString result = destination;
    result.replace(QLatin1String("%volume%"), volume, Qt::CaseInsensitive);
    return ExpandDatePlaceholders(ExpandEnvironmentWords(result), backupCount, now);
}

QString ExpandLogName(const QString& logName, const QString& destination, const QDateTime& now,
                      const TVolumeTable& volumes)
{
    const QDate date = now.date();
    return ReplaceWords(logName,
                        {{"%date%", date.toString(QStringLiteral("yyyy-MM-dd"))},
                         {"%time%", now.time().toString(QStringLiteral("HHmmss"))},
                         {"%yaw%", YearAndWeek(date)},
                         {"%yam%", Digits(date.year(), 4) + u'-' + Digits(date.month(), 2)},
                         {"%year%", Digits(date.year(), 4)},
                         {"%username%", PlaceholderUserName()},
                         {"%computername%", PlaceholderComputerName()},
                         {"%dest%", destination},
                         {"%drive%", DriveOf(destination, volumes)},
                         {"%volume%", VolumeWordOf(destination, volumes)}});
}

QString GetBackupLogName(const QString& taskFile, const TLogNameContext& context,
                         const QDateTime& now, const TVolumeTable& volumes)
{
    if (taskFile.isEmpty() || !QFileInfo(taskFile).isFile())
        return QString();
    QString logName;
    try {
        auto task = TUnicodeIniFile::CreateForRead(taskFile);
        const QString global = QStringLiteral("Global");
        logName = task->ReadString(global, QStringLiteral("LogName"), QString());
        if (logName.isEmpty()) {
            const QString kv = context.kvPath.isEmpty() ? KelvaraFileName() : context.kvPath;
            logName = QFileInfo(kv).completeBaseName() + QStringLiteral(".log");
        } else {
            logName.replace(QLatin1String("%taskname%"), QFileInfo(taskFile).completeBaseName(),
                            Qt::CaseInsensitive);
            QString destination =
                task->ReadString(global, QStringLiteral("Destination"), QString());
            const std::optional<QString> resolved =
                destination.isEmpty() ? std::nullopt : ResolveVolumeLabel(destination, volumes);
            if (logName.startsWith(QLatin1String("%dest%"), Qt::CaseInsensitive) && resolved) {
                const int count = task->ReadInteger(global, QStringLiteral("BackupCount"), 1);
                const QString volume =
                    task->ReadString(QStringLiteral("Dir000"), QStringLiteral("Volume"), QString());
                destination = ExpandDestination(*resolved, volume, count, now);
            }
            logName = ExpandLogName(logName, destination, now, volumes);
        }
    } catch (const std::exception&) {
        return QString();
    }
    if (IsAbsolutePathText(logName) ||
        logName.startsWith(QLatin1String("%dest%"), Qt::CaseInsensitive))
        return logName;
    const QString folder =
        QFileInfo(context.groupLogFolder).isDir() && !context.groupLogFolder.isEmpty()
            ? context.groupLogFolder
            : context.defaultLogFolder;
    return IncludeTrailingPathDelimiter(folder) + logName;
}
