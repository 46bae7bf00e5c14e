#include "KvArgs.h"

#include <array>

#include "common/backup/Options.h"

namespace {

enum TOptionId {
    oStartApp,
    oPrompt,
    oWait,
    oIni,
    oLogDir,
    oLogMode,
    oHide,
    oNoSound,
    oElevate,
    oForce,
    oNoAction,
    oDelay,
    oXInst,
    oMode,
    oBackupDir,
    oParallel,
    oSuspend,
    oEnd,
    oErrActions,
    oEdit,
};

// Tried in this order, so an abbreviation picks the harmless reading ("/e" never opens an
// editor).
constexpr std::array<TOptionKeyword, 20> kKeywords{{
    {"startapp", true, oStartApp},
    {"prompt", true, oPrompt},
    {"wait", true, oWait},
    {"ini", true, oIni},
    {"logdir", true, oLogDir},
    {"logmode", true, oLogMode},
    {"hide", false, oHide},
    {"nosound", false, oNoSound},
    {"elevate", false, oElevate},
    {"force", false, oForce},
    {"noaction", false, oNoAction},
    {"delay", true, oDelay},
    {"xinst", true, oXInst},
    {"mode", true, oMode},
    {"backupdir", true, oBackupDir},
    {"parallel", false, oParallel},
    {"suspend", false, oSuspend},
    {"end", false, oEnd},
    {"erractions", true, oErrActions},
    {"edit", false, oEdit},
}};

const QStringList& ModeWords()
{
    static const QStringList words{QStringLiteral("full"), QStringLiteral("differential"),
                                   QStringLiteral("incremental")};
    return words;
}

void ApplyOption(TKelvaraArgs& args, const TOptionMatch& match)
{
    switch (match.id) {
    case oStartApp:
        args.startApp = match.value;
        break;
    case oPrompt:
        args.prompt = match.value;
        break;
    case oIni:
        args.iniPath = match.value;
        break;
    case oLogDir:
        args.logDir = match.value;
        break;
    case oDelay:
        args.delaySeconds = std::max(0, LeadingInteger(match.value).value_or(0));
        break;
    case oXInst:
        args.instance = LeadingInteger(match.value).value_or(0);
        break;
    case oBackupDir:
        args.backupDir = match.value;
        break;
    case oEdit:
        args.edit = true;
        break;
    case oMode: {
        const int i = match.value.isEmpty() ? -1 : MatchOptionValue(match.value, ModeWords());
        args.badMode = i < 0;
        args.mode = i < 0 ? std::nullopt : std::optional(TBackupMode(i));
        break;
    }
    default:
        break;
    }
}

// An absolute path also begins with "/": an unknown "/" word is a task file when the part before
// any ":" holds another "/" or the word names a task file.
bool IsPathLike(const QString& arg)
{
    return arg.startsWith(u'/') && (arg.section(u':', 0, 0).indexOf(u'/', 1) > 0 ||
                                    arg.endsWith(QLatin1String(".buj"), Qt::CaseInsensitive));
}

} // namespace

TKelvaraArgs ParseKelvaraArgs(const QStringList& args)
{
    TKelvaraArgs result;
    for (const QString& arg : args) {
        const TOptionMatch match = MatchOption(arg, kKeywords);
        if (match.id >= 0)
            ApplyOption(result, match);
        else if (!arg.isEmpty() && (!IsOptionParam(arg) || IsPathLike(arg)))
            result.taskFiles << arg;
    }
    return result;
}

QString ModeWord(TBackupMode mode)
{
    return ModeWords().at(int(mode));
}

bool IsPlainFolderName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}
