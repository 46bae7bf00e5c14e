#include "starter/StarterOptions.h"

#include <QDir>
#include <QFileInfo>

#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/backup/PlaceHolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/SettingsFolder.h"

namespace {

enum TOptionId { oForce, oTerm, oLogmode, oPrompt, oLockscreen, oDark, oEnd, oSuspend, oIni };

constexpr TOptionKeyword kKeywords[] = {{"force", false, oForce},
                                        {"term", false, oTerm},
                                        {"logmode", true, oLogmode},
                                        {"prompt", false, oPrompt},
                                        {"lockscreen", false, oLockscreen},
                                        {"dark", false, oDark},
                                        {"end", true, oEnd},
                                        {"suspend", true, oSuspend},
                                        {"ini", true, oIni}};

void ApplyEnd(const QString& value, TStarterOptions& o)
{
    switch (MatchOptionValue(value, {"shutdown", "lockdown", "logoff", "restart", "poweroff"})) {
    case 0:
        o.LogOffMode = dmShutdown;
        break;
    case 1:
        o.LogOffMode = dmShutdown;
        o.LockScreen = true;
        break;
    case 2:
        o.LogOffMode = dmLogOff;
        break;
    case 3:
        o.LogOffMode = dmRestart;
        break;
    case 4:
        o.LogOffMode = dmPowerOff;
        break;
    default:
        break;
    }
}

void ApplySuspend(const QString& value, TStarterOptions& o)
{
    switch (MatchOptionValue(value, {"standby", "hibernate"})) {
    case 0:
        o.SuspendMode = smStandby;
        break;
    case 1:
        o.SuspendMode = smHibernate;
        break;
    default:
        break;
    }
}

void ApplyOption(const TOptionMatch& m, TStarterOptions& o)
{
    switch (m.id) {
    case oForce:
        o.Force = true;
        break;
    case oTerm:
        o.TermProgs = true;
        break;
    case oLogmode:
        o.WriteLog = LeadingInteger(m.value).value_or(1) != 0;
        break;
    case oPrompt:
        o.ActPrompt = true;
        break;
    case oLockscreen:
        o.LockScreen = true;
        break;
    case oDark:
        o.UseDarkMode = true;
        break;
    case oEnd:
        ApplyEnd(m.value, o);
        break;
    case oSuspend:
        ApplySuspend(m.value, o);
        break;
    case oIni:
        o.HasIni = true;
        o.IniValue = m.value;
        break;
    default:
        break;
    }
}

} // namespace

TStarterOptions ParseStarterOptions(const QStringList& params)
{
    TStarterOptions o;
    bool first = true;
    for (const QString& param : params) {
        if (IsOptionParam(param)) {
            ApplyOption(MatchOption(param, kKeywords), o);
            continue;
        }
        o.ConfigList = first ? param : o.ConfigList + u',' + param;
        if (first)
            o.LastTask = param;
        first = false;
    }
    return o;
}

TSettingsChoice ChooseSettingsFile(const TStarterOptions& options)
{
    TSettingsChoice choice;
    if (!options.HasIni) {
        choice.IniName = DefaultSettingsFile();
        TakeOverOlderSettings(choice.IniName);
        return choice;
    }
    const QString value = ExpandPathPlaceholders(options.IniValue);
    if (IsAbsolutePathText(value)) {
        QString path = QFileInfo(value).absoluteFilePath();
        const bool isFolder =
            value.endsWith(u'/') || value.endsWith(u'\\') || QFileInfo(path).suffix().isEmpty();
        if (isFolder)
            path = IncludeTrailingPathDelimiter(path) + ProgramBaseName() + QStringLiteral(".ini");
        choice.IniName = QDir::cleanPath(path);
        choice.AIniPath = IncludeTrailingPathDelimiter(QFileInfo(choice.IniName).absolutePath());
    } else {
        choice.IniName =
            AppPath() + value + (value.contains(u'.') ? QString() : QStringLiteral(".ini"));
    }
    return choice;
}

QString RunLogName(const QString& iniName)
{
    return IncludeTrailingPathDelimiter(QFileInfo(iniName).absolutePath()) + ProgramBaseName() +
           QStringLiteral(".log");
}

QString EffectiveSettingsFolder(const TSettingsChoice& choice)
{
    return choice.AIniPath.isEmpty() ? SettingsFolder() : choice.AIniPath;
}
