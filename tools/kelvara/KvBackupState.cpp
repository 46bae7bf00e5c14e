#include "KvBackupState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

#include "KvTaskFile.h"
#include "common/infra/IniFileUtils.h"

namespace {

const QString kDestSection = QStringLiteral("Destination");
const QString kFoldersKey = QStringLiteral("Folders");

// Holds an exclusive lock on the destination folder while the state file is changed.
class TFolderLock {
public:
    explicit TFolderLock(const QString& folder)
        : FFd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (FFd >= 0)
            ::flock(FFd, LOCK_EX);
    }
    ~TFolderLock()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    int FFd;
};

QString StateFile(const QString& destination)
{
    return destination + u'/' + QLatin1String(kStateFileName);
}

// One section per task file; the name is a digest, since paths may hold "[" and "]".
QString TaskSection(const QString& taskFile)
{
    const QByteArray digest =
        QCryptographicHash::hash(taskFile.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("Task ") + QString::fromLatin1(digest);
}

std::optional<timespec> ReadTime(const TMemIniFile& ini, const QString& section, const QString& key)
{
    const int64_t ns = ini.ReadInt64(section, key, -1);
    if (ns < 0)
        return std::nullopt;
    return timespec{time_t(ns / 1000000000), long(ns % 1000000000)};
}

void WriteTime(TMemIniFile& ini, const QString& section, const QString& key, const timespec& t)
{
    ini.WriteInt64(section, key, int64_t(t.tv_sec) * 1000000000 + t.tv_nsec);
    ini.WriteString(section, key + QStringLiteral("Text"),
                    QDateTime::fromSecsSinceEpoch(t.tv_sec).toString(Qt::ISODate));
}

} // namespace

TBackupStart BeginBackup(const QString& destination, const QString& taskFile,
                         const QString& backupFolder)
{
    TBackupStart result;
    TFolderLock lock(destination);
    try {
        TMemIniFile ini(StateFile(destination));
        const QString section = TaskSection(taskFile);
        result.times.lastFull = ReadTime(ini, section, QStringLiteral("LastFull"));
        result.times.lastBackup = ReadTime(ini, section, QStringLiteral("LastBackup"));
        if (backupFolder.isEmpty())
            return result;
        QStringList folders =
            ini.ReadString(kDestSection, kFoldersKey, QString()).split(u'/', Qt::SkipEmptyParts);
        result.folderKnown = folders.contains(backupFolder);
        if (!result.folderKnown) {
            folders << backupFolder;
            ini.WriteString(kDestSection, kFoldersKey, folders.join(u'/'));
            ini.UpdateFile();
        }
    } catch (const std::exception& e) {
        result.error = QString::fromUtf8(e.what());
    }
    return result;
}

QString FinishBackup(const QString& destination, const QString& taskFile, TBackupMode mode,
                     const timespec& start)
{
    TFolderLock lock(destination);
    try {
        TMemIniFile ini(StateFile(destination));
        const QString section = TaskSection(taskFile);
        ini.WriteString(section, QStringLiteral("Task"), taskFile);
        if (mode == TBackupMode::Full)
            WriteTime(ini, section, QStringLiteral("LastFull"), start);
        WriteTime(ini, section, QStringLiteral("LastBackup"), start);
        ini.UpdateFile();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
