#include "common/infra/ProgramPath.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    // Before the application object exists the kernel still knows the file.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramFolder()
{
    return IncludeTrailingPathDelimiter(QFileInfo(ProgramFilePath()).absolutePath());
}

QString ProgramBaseName()
{
    return QFileInfo(ProgramFilePath()).completeBaseName();
}

QString IncludeTrailingPathDelimiter(const QString& path)
{
    if (path.isEmpty() || path.endsWith(u'/'))
        return path;
    return path + u'/';
}
