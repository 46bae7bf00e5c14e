#include "starter/AppLaunch.h"

#include <algorithm>
#include <memory>

#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"
#include "common/platform/CommandLine.h"
#include "common/platform/WinExecute.h"
#include "starter/GroupRun.h"

namespace {

QString HistoryKey(int i)
{
    return QStringLiteral("App") + QString::number(i);
}

} // namespace

TAppSettings LoadAppSettings(const QString& iniName, const QString& section)
{
    TAppSettings settings;
    std::unique_ptr<TUnicodeIniFile> ini;
    try {
        ini = TUnicodeIniFile::CreateForRead(iniName);
    } catch (const std::exception&) {
        return settings;
    }
    for (int i = 0; i < kAppHistoryStored; ++i) {
        const QString entry = ini->ReadString(section, HistoryKey(i), QString());
        if (!entry.isEmpty())
            settings.History.append(entry);
    }
    settings.Window.Top = ini->ReadInteger(section, "Top", -1);
    settings.Window.Left = ini->ReadInteger(section, "Left", -1);
    settings.Window.Height = ini->ReadInteger(section, "Height", 0);
    settings.Window.Width = ini->ReadInteger(section, "Width", 0);
    settings.FileManager = ini->ReadString(section, "FileManager", QString());
    settings.Application = ini->ReadString(section, "Application", QString());
    return settings;
}

void SaveAppSettings(const QString& iniName, const QString& section, const TAppSettings& settings)
{
    auto ini = TUnicodeIniFile::CreateForWrite(iniName, false);
    ini->WriteInteger(section, "Top", settings.Window.Top);
    ini->WriteInteger(section, "Left", settings.Window.Left);
    ini->WriteInteger(section, "Height", settings.Window.Height);
    ini->WriteInteger(section, "Width", settings.Window.Width);
    ini->WriteString(section, "FileManager", settings.FileManager);
    ini->WriteString(section, "Application", settings.Application);
    const int count = std::min(int(settings.History.size()), kAppHistoryStored);
    for (int i = 0; i < count; ++i)
        ini->WriteString(section, HistoryKey(i), settings.History[i]);
    ini->Close();
}

QString CommandProgram(const QString& commandLine)
{
    const std::vector<std::string> words = SplitCommandLine(commandLine.toStdString());
    return words.empty() ? QString() : QString::fromStdString(words.front());
}

bool NeedsPasswordPrompt(const QString& password, const QString& account,
                         const QString& incomingAccount)
{
    return password.isEmpty() || account.compare(incomingAccount, Qt::CaseInsensitive) != 0;
}

QStringList HistoryWithProgram(const QStringList& history, const QString& program)
{
    QStringList list = history;
    if (!list.removeOne(program) && list.size() >= kAppHistoryShown)
        list.removeLast();
    list.prepend(program);
    return list;
}

QString StartApplication(IProcessLauncher& launcher, const QString& account,
                         const QString& password, const QString& commandLine)
{
    const auto [domain, user] = SplitAccount(account);
    try {
        TProcessHandle handle =
            launcher.StartAsUser(user.toStdString(), domain.toStdString(), password.toStdString(),
                                 std::string(), commandLine.toStdString());
        handle.Close(); // not waited for; the child is reaped in the background
    } catch (const EProcessError& e) {
        return Fmt(Tr("Error starting application: %s"), {QString::fromUtf8(e.what())});
    }
    return QString();
}
