#include "common/backup/KvUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QSysInfo>

#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Registry.h"
#include "common/infra/Translate.h"

namespace {

QString& ProgramNameValue()
{
    static QString name;
    return name;
}

QString ExistingFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.absoluteFilePath() : QString();
}

struct TExitText {
    int code;
    const char* text;
};

constexpr TExitText kExitTexts[] = {
    {1, TrNoop("Task not found")},
    {2, TrNoop("Destination path not found")},
    {3, TrNoop("Source directory not found")},
    {4, TrNoop("Errors during backup")},
    {5, TrNoop("The backup was aborted by the user or due to an error")},
    {6, TrNoop("Invalid task configuration")},
};

} // namespace

QString KelvaraFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Kelvara.exe");
#else
    return QStringLiteral("Kelvara");
#endif
}

QString LocateKelvara()
{
    const QString name = KelvaraFileName();
    for (const QString& candidate :
         QStringList{QDir::current().filePath(name), ProgramFolder() + name}) {
        if (QString found = ExistingFile(candidate); !found.isEmpty())
            return found;
    }
    QString registered =
        ReadRegistryString(TRegHive::LocalMachine, kProductRegKey, QStringLiteral("Program"));
    if (!registered.isEmpty()) {
        if (QFileInfo(registered).isDir())
            registered = QDir(registered).filePath(name);
        if (QString found = ExistingFile(registered); !found.isEmpty())
            return found;
    }
    return QStandardPaths::findExecutable(name);
}

QString KelvaraExitText(int exitCode)
{
    const int low = exitCode & 0xFF;
    for (const TExitText& entry : kExitTexts)
        if (entry.code == low)
            return Tr(entry.text) + u'!';
    return Tr("Unexpected error") + u'!';
}

bool IsAbsolutePathText(const QString& path)
{
    return path.startsWith(u'/') || path.startsWith(u'\\') || path.contains(u':');
}

void SetProgramName(const QString& name)
{
    ProgramNameValue() = name;
}

QString ProgramName()
{
    const QString& name = ProgramNameValue();
    return name.isEmpty() ? QStringLiteral("KvStarter") : name;
}

QString ProgramVersion()
{
    return QStringLiteral(KV_VERSION_STRING);
}

QString CutVersion(const QString& version, int parts)
{
    QStringList items = version.split(u'.');
    if (parts > 0 && items.size() > parts)
        items.resize(parts);
    return items.join(u'.');
}

QString VersionText(int parts)
{
    return Tr("Version") + u' ' + CutVersion(ProgramVersion(), parts);
}

QString BitnessText()
{
    const bool process64 = QSysInfo::WordSize == 64;
    const bool system64 = QSysInfo::currentCpuArchitecture().contains(QLatin1String("64"));
    return (process64 && system64) ? QStringLiteral(" - 64-bit") : QStringLiteral(" - 32-bit");
}

QString ProgVersName()
{
    return ProgramName() + QStringLiteral(" (") + VersionText(3) + u')';
}

QString ProgVersDate()
{
    const QDateTime modified = QFileInfo(ProgramFilePath()).lastModified();
    return QLocale::system().toString(modified.date(), QLocale::ShortFormat);
}

TDisplayFormats LocaleDisplayFormats()
{
    const QLocale locale = QLocale::system();
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    TDisplayFormats f;
    f.clock24 = !time.contains(u'a', Qt::CaseInsensitive);
    if (f.clock24) {
        f.timeEdit = QStringLiteral("HH:mm");
        f.timeShort = QStringLiteral("HH:mm");
        f.timeLong = QStringLiteral("HH:mm:ss");
    } else {
        f.timeEdit = QStringLiteral("hh:mm AP");
        f.timeShort = QStringLiteral("hh:mm AP");
        f.timeLong = QStringLiteral("hh:mm:ss AP");
    }
    // Date order of the locale: month first, day first, or year first.
    const QString date = locale.dateFormat(QLocale::ShortFormat).toLower();
    const qsizetype d = date.indexOf(u'd'), m = date.indexOf(u'm'), y = date.indexOf(u'y');
    if (m >= 0 && d >= 0 && m < d && (y < 0 || m < y))
        f.date = QStringLiteral("MM/dd/yyyy");
    else if (d >= 0 && m >= 0 && d < m && (y < 0 || d < y))
        f.date = QStringLiteral("dd.MM.yyyy");
    else
        f.date = QStringLiteral("yyyy-MM-dd");
    return f;
}

QString HelpPagePath(const QString& page)
{
    return ProgramDataFolder() + QStringLiteral("help/") + page;
}

QString ProgramIconPath()
{
    return GetKnownFolder(TKnownFolder::ProgramFiles) +
           QStringLiteral("share/icons/hicolor/scalable/apps/org.kelvara.") + ProgramBaseName() +
           QStringLiteral(".svg");
}
