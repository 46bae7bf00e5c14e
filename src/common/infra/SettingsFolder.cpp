#include "common/infra/SettingsFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Registry.h"

namespace {

bool SameFolder(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

} // namespace

QString AppPath()
{
    const QString roaming = GetKnownFolder(TKnownFolder::RoamingAppData);
    if (roaming.isEmpty())
        return ProgramFolder();
    return roaming + QStringLiteral("Kelvara6/");
}

QString SettingsFolderPath()
{
    QString folder =
        ReadRegistryString(TRegHive::CurrentUser, kProductRegKey, QStringLiteral("IniPath"))
            .trimmed();
    if (folder.isEmpty()) {
        folder = AppPath();
    } else if (QDir::isRelativePath(folder)) {
        folder = GetKnownFolder(TKnownFolder::RoamingAppData) + folder;
    }
    return IncludeTrailingPathDelimiter(QDir::cleanPath(folder));
}

QString SettingsFolder()
{
    const QString folder = SettingsFolderPath();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return folder;
    const QString appPath = AppPath();
    QDir().mkpath(appPath);
    return appPath;
}

QString DefaultSettingsFile()
{
    return SettingsFolder() + ProgramBaseName() + QStringLiteral(".ini");
}

void TakeOverOlderSettings(const QString& settingsFile)
{
    const QFileInfo target(settingsFile);
    if (target.exists())
        return;
    const QString appPath = AppPath();
    if (SameFolder(target.absolutePath(), appPath))
        return;
    const QString name = target.fileName();
    const QString inAppPath = appPath + name;
    if (QFileInfo(inAppPath).isFile()) {
        QFile::copy(inAppPath, settingsFile);
        return;
    }
    const QString roaming = GetKnownFolder(TKnownFolder::RoamingAppData);
    if (roaming.isEmpty())
        return;
    const QString older = roaming + QStringLiteral("Kelvara5/") + name;
    if (QFileInfo(older).isFile())
        QFile::copy(older, settingsFile);
}
