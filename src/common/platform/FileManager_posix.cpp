#include "common/platform/FileManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include "common/platform/CommandLine.h"

namespace {

// The desktop entry that opens folders, as xdg-mime names it ("org.gnome.Nautilus.desktop").
QString FolderHandlerEntry()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        return QString();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("inode/directory")});
    if (!query.waitForFinished(3000) || query.exitCode() != 0)
        return QString();
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

QString ExecLineOf(const QString& entry)
{
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QString();
    QTextStream in(&f);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QStringLiteral("Exec=")))
            return line.mid(5);
    }
    return QString();
}

std::string FindProgram(const std::string& program)
{
    if (program.empty())
        return {};
    if (program.front() == '/')
        return QFile::exists(QString::fromStdString(program)) ? program : std::string();
    return QStandardPaths::findExecutable(QString::fromStdString(program)).toStdString();
}

} // namespace

const std::vector<std::string>& KnownFileManagers()
{
    static const std::vector<std::string> known{"nautilus", "dolphin",    "thunar",  "nemo",
                                                "caja",     "pcmanfm-qt", "pcmanfm", "konqueror"};
    return known;
}

std::string DesktopEntryProgram(const std::string& execLine)
{
    for (const std::string& word : SplitCommandLine(execLine))
        if (!word.empty() && word.front() != '%' && word.find('=') == std::string::npos)
            return word;
    return {};
}

std::string DefaultFileManager()
{
    const QString entry = FolderHandlerEntry();
    if (!entry.isEmpty()) {
        const std::string program =
            FindProgram(DesktopEntryProgram(ExecLineOf(entry).toStdString()));
        if (!program.empty())
            return program;
    }
    for (const std::string& name : KnownFileManagers())
        if (std::string path = FindProgram(name); !path.empty())
            return path;
    return {};
}
