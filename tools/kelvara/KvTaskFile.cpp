#include "KvTaskFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "KvArgs.h"
#include "common/backup/PlaceHolders.h"
#include "common/backup/Volumes.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"

namespace {

const QString kGlobal = QStringLiteral("Global");

TTaskReadResult Invalid(const QString& message)
{
    return {std::nullopt, 6, message};
}

QStringList Patterns(const TMemIniFile& ini, const QString& section, const QString& key)
{
    QStringList list = ini.ReadString(section, key, QString()).split(u';', Qt::SkipEmptyParts);
    for (QString& p : list)
        p = p.trimmed();
    list.removeAll(QString());
    return list;
}

// Sections "Dir" + three digits, in the order of their numbers.
QStringList DirSections(const TMemIniFile& ini)
{
    static const QRegularExpression re(QStringLiteral("^Dir(\\d{3})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList sections;
    ini.ReadSections(sections);
    QStringList dirs;
    for (const QString& s : sections)
        if (re.match(s).hasMatch() && !dirs.contains(s, Qt::CaseInsensitive))
            dirs << s;
    std::sort(dirs.begin(), dirs.end(), [](const QString& a, const QString& b) {
        return a.mid(3).toInt() < b.mid(3).toInt();
    });
    return dirs;
}

QString SourcePath(const TSourceFolder& s, const TVolumeTable& volumes)
{
    if (s.volume.isEmpty())
        return QDir::cleanPath(s.folder);
    const std::optional<QString> mount = volumes.MountPointOfLabel(s.volume);
    return mount ? QDir::cleanPath(*mount + u'/' + s.folder) : QString();
}

// Reads one source section; the message is empty when the section is sound.
QString ReadSource(const TMemIniFile& ini, const QString& section, const TVolumeTable& volumes,
                   TSourceFolder& s)
{
    s.section = section;
    s.volume = ini.ReadString(section, QStringLiteral("Volume"), QString()).trimmed();
    s.folder = ini.ReadString(section, QStringLiteral("Folder"), QString()).trimmed();
    if (s.folder.isEmpty())
        return Fmt(Tr("No source folder given in section \"%s\""), {section});
    if (s.volume.isEmpty() && QDir::isRelativePath(s.folder))
        return Fmt(Tr("The source folder \"%s\" is not an absolute path"), {s.folder});
    s.path = SourcePath(s, volumes);
    const QString defTarget = QFileInfo(QDir::cleanPath(s.folder)).fileName();
    s.target = ini.ReadString(section, QStringLiteral("Target"), defTarget).trimmed();
    if (!IsPlainFolderName(s.target) || s.target == QLatin1String(kStateFileName))
        return Fmt(Tr("Invalid target folder name \"%s\" in section \"%s\""), {s.target, section});
    s.include = Patterns(ini, section, QStringLiteral("Include"));
    s.exclude = Patterns(ini, section, QStringLiteral("Exclude"));
    return QString();
}

} // namespace

QString TaskName(const QString& file)
{
    return QFileInfo(file).completeBaseName();
}

TTaskReadResult ReadBackupTask(const QString& file, const TVolumeTable& volumes)
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return {std::nullopt, 1, Fmt(Tr("Task file not found: %s"), {file})};
    std::unique_ptr<TUnicodeIniFile> ini;
    try {
        ini = TUnicodeIniFile::CreateForRead(file);
    } catch (const std::exception& e) {
        return {std::nullopt, 1, QString::fromUtf8(e.what())};
    }
    TBackupTask task;
    task.file = QFileInfo(file).absoluteFilePath();
    task.name = TaskName(file);
    task.destination = ini->ReadString(kGlobal, QStringLiteral("Destination"), QString()).trimmed();
    if (task.destination.isEmpty())
        return Invalid(Tr("No destination given"));
    task.backupCount = ini->ReadInteger(kGlobal, QStringLiteral("BackupCount"), 1);
    task.timeMarginSeconds =
        std::clamp(ini->ReadInteger(kGlobal, QStringLiteral("TimeMargin"), 2), 0, 86400);
    QSet<QString> targets;
    for (const QString& section : DirSections(*ini)) {
        TSourceFolder s;
        if (const QString message = ReadSource(*ini, section, volumes, s); !message.isEmpty())
            return Invalid(message);
        if (targets.contains(s.target))
            return Invalid(
                Fmt(Tr("Two source folders share the target folder \"%s\""), {s.target}));
        targets.insert(s.target);
        task.sources.push_back(std::move(s));
    }
    if (task.sources.empty())
        return Invalid(Tr("No source folders given"));
    return {std::move(task), 0, QString()};
}

std::optional<QString> ExpandTaskDestination(const TBackupTask& task, const TVolumeTable& volumes,
                                             const QDateTime& now)
{
    const std::optional<QString> resolved = ResolveVolumeLabel(task.destination, volumes);
    if (!resolved)
        return std::nullopt;
    const QString volume = task.sources.empty() ? QString() : task.sources.front().volume;
    return ExpandDestination(*resolved, volume, task.backupCount, now);
}
