#include "common/infra/KnownFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/infra/ProgramPath.h"

namespace {

QString Writable(QStandardPaths::StandardLocation location)
{
    return IncludeTrailingPathDelimiter(QStandardPaths::writableLocation(location));
}

QString ProgramFilesFolder()
{
    // The program lives in <program files>/bin (or directly in a folder below it).
    QDir dir(ProgramFolder());
    if (!dir.cdUp())
        return QString();
    return IncludeTrailingPathDelimiter(dir.absolutePath());
}

} // namespace

QString GetKnownFolder(TKnownFolder folder)
{
    switch (folder) {
    case TKnownFolder::RoamingAppData:
        return Writable(QStandardPaths::GenericConfigLocation);
    case TKnownFolder::LocalAppData:
        return Writable(QStandardPaths::GenericDataLocation);
    case TKnownFolder::Documents:
        return Writable(QStandardPaths::DocumentsLocation);
    case TKnownFolder::Desktop:
        return Writable(QStandardPaths::DesktopLocation);
    case TKnownFolder::ProgramFiles:
        return ProgramFilesFolder();
    }
    return QString();
}

QString ProgramDataFolder()
{
    const QString programFiles = ProgramFilesFolder();
    return programFiles.isEmpty() ? QString() : programFiles + QStringLiteral("share/kelvara6/");
}
