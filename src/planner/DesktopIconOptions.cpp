#include "planner/DesktopIconOptions.h"

#include <QStringList>

#include "common/backup/Options.h"

namespace {

enum TIconOptionId { ioEnd, ioSuspend, ioPrompt, ioHide };

constexpr TOptionKeyword kKeywords[] = {
    {"end", true, ioEnd},
    {"suspend", true, ioSuspend},
    {"prompt", true, ioPrompt},
    {"hide", false, ioHide},
};

// Option and value of each action, indexed by TIconAction.
constexpr struct {
    const char* keyword;
    const char* value;
} kActionOptions[] = {
    {nullptr, nullptr}, {"suspend", "standby"}, {"suspend", "hibernate"}, {"end", "logoff"},
    {"end", "restart"}, {"end", "shutdown"},    {"end", "lockdown"},      {"end", "hybrid"},
};

// Values of "prompt", indexed by TIconStatus.
const QStringList kStatusValues{"quiet", "delay", "wait", "error", "silent"};

const QStringList kEndValues{"logoff", "restart", "shutdown", "lockdown", "hybrid"};
constexpr TIconAction kEndActions[] = {iaLogoff, iaRestart, iaShutdown, iaLockDown, iaHybridDown};
const QStringList kSuspendValues{"standby", "hibernate"};
constexpr TIconAction kSuspendActions[] = {iaStandby, iaHibernate};
// "prompt" values read back; "silent" is not.
const QStringList kPromptValues{"quiet", "wait", "error", "delay"};
constexpr TIconStatus kPromptStatus[] = {isQuiet, isWait, isError, isDelay};

// A kept option goes on whole: quoted when it holds a blank, as it came.
QString KeptOption(const QString& param)
{
    return u' ' + QuotedPath(u'/' + param.mid(1));
}

} // namespace

TIconOptions ReadIconOptions(const QString& options)
{
    TIconOptions result;
    for (const QString& word : SplitCommandLine(options)) {
        if (!IsOptionParam(word))
            continue;
        const TOptionMatch match = MatchOption(word, kKeywords);
        int v = -1;
        switch (match.id) {
        case ioEnd:
            if ((v = MatchOptionValue(match.value, kEndValues)) >= 0)
                result.Action = kEndActions[v];
            break;
        case ioSuspend:
            if ((v = MatchOptionValue(match.value, kSuspendValues)) >= 0)
                result.Action = kSuspendActions[v];
            break;
        case ioPrompt:
            if ((v = MatchOptionValue(match.value, kPromptValues)) >= 0)
                result.Status = kPromptStatus[v];
            break;
        case ioHide:
            result.NoSplash = true;
            break;
        default:
            result.OtherOptions += KeptOption(word);
        }
    }
    return result;
}

QString IconOptionsText(const TIconOptions& options)
{
    QString text = OptionText(QStringLiteral("prompt"), kStatusValues.value(options.Status));
    if (options.NoSplash)
        text += OptionText(QStringLiteral("hide"));
    if (!options.ActionChangeable)
        text += OptionText(QStringLiteral("noaction"));
    if (const auto& action = kActionOptions[options.Action]; action.keyword)
        text += OptionText(QString::fromLatin1(action.keyword), QString::fromLatin1(action.value));
    if (options.ActErr > 0)
        text += OptionText(QStringLiteral("erractions"), options.ActErr);
    return text + options.OtherOptions;
}

QString WithoutExtension(const QString& name)
{
    const int dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.indexOf(u'/', dot) >= 0 || name.indexOf(u'\\', dot) >= 0)
        return name;
    return name.left(dot);
}

QString ShortcutNamePreset(const QString& schedule)
{
    return QStringLiteral("KvSched-") + WithoutExtension(schedule);
}

QString ShortcutArguments(const QString& schedule, const QString& options)
{
    return AlwaysQuoted(schedule) + options + OptionText(QStringLiteral("interactive"));
}
