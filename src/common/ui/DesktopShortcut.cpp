#include "common/ui/DesktopShortcut.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "common/infra/Translate.h"
#include "common/platform/WinShell.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

QString Hex(int code)
{
    return QStringLiteral("0x%1").arg(uint(std::abs(code)), 8, 16, QLatin1Char('0'));
}

} // namespace

QString DesktopShortcutFile(const QString& name)
{
    const QString folder = QString::fromStdString(GetDesktopFolder());
    return folder.isEmpty() ? QString()
                            : folder + name + QString::fromStdString(ShortcutExtension());
}

QString ShortcutErrorMessage(int code)
{
    const QString system = QString::fromStdString(ShellErrorMessage(code));
    const QString text = system.isEmpty()
                             ? QString(Tr("Error code") + QStringLiteral(" = ") + Hex(code))
                             : QString(system + QStringLiteral(" (") + Hex(code) + u')');
    return Tr("Error creating desktop shortcut!") + QStringLiteral("\r\n") + text;
}

bool PutShortcutOnDesktop(const QString& name, const QString& arguments,
                          const QString& workingFolder, const QString& description, bool runAsAdmin,
                          const QString& replaceQuestion)
{
    const QString file = DesktopShortcutFile(name);
    if (file.isEmpty()) {
        ErrorMessage(ShortcutErrorMessage(0));
        return false;
    }
    if (QFileInfo::exists(file) && !ConfirmMessage(replaceQuestion))
        return false;
    // A desktop that has never been used may not have its folder yet.
    QDir().mkpath(QFileInfo(file).absolutePath());
    const int rc =
        CreateShortcut(file.toStdString(), QCoreApplication::applicationFilePath().toStdString(),
                       arguments.toStdString(), workingFolder.toStdString(),
                       description.toStdString(), runAsAdmin);
    if (rc < 0) {
        ErrorMessage(ShortcutErrorMessage(rc));
        return false;
    }
    RefreshDesktop();
    return true;
}
