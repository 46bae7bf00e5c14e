#include "common/tasks/ui/TaskSchedLogic.h"

#include <array>
#include <cmath>

#include <QDir>
#include <QFileInfo>

#include "common/backup/Options.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/tasks/WinTask.h"

namespace {

struct TKindRow {
    const char* key;
    const char* extension;
    const char* text;
    const char* prefix;
};

// Indexed by TKvAction.
constexpr std::array<TKindRow, 7> kKinds = {{
    {"Backup", ".buj", TrNoop("Backup"), "Backup-"},
    {"Restore", ".rsj", TrNoop("Restore"), "Restore-"},
    {"Cleanup", ".cuj", TrNoop("Cleanup"), "Cleanup-"},
    {"Schedule", "", TrNoop("Alternating schedule"), "Schedule-"},
    {"Verify", ".vfj", TrNoop("Verify"), "Verify-"},
    {"Starter", "", TrNoop("Start backups"), "Starter-"},
    {"Tb-Backup", ".buj", TrNoop("Thunderbird mail backup"), "Thunderbird Backup-"},
}};

// Option values of the prompt box, in list order.
const QStringList kPromptValues = {"wait", "delay", "quiet", "error", "silent"};
// Option of each subsequent action (index TEndAction) and its value.
constexpr std::array<std::pair<const char*, const char*>, 6> kEndOptions = {{
    {"", ""},
    {"suspend", "standby"},
    {"suspend", "hibernate"},
    {"end", "logoff"},
    {"end", "shutdown"},
    {"end", "restart"},
}};

enum TOptionId {
    oiEnd,
    oiSuspend,
    oiErrActions,
    oiSpeed,
    oiIni,
    oiWait,
    oiLogMode,
    oiPrompt,
    oiQuiet,
    oiHide,
    oiParallel,
    oiForce,
    oiClean,
    oiRestore,
    oiVerify,
    oiMode,
    oiSched,
    oiStartApp
};

// Tried in this order: the first keyword that the option begins wins.
constexpr TOptionKeyword kArgumentKeywords[] = {
    {"end", true, oiEnd},
    {"suspend", true, oiSuspend},
    {"erractions", true, oiErrActions},
    {"speed", true, oiSpeed},
    {"ini", true, oiIni},
    {"wait", true, oiWait},
    {"logmode", true, oiLogMode},
    {"prompt", true, oiPrompt},
    {"quiet", false, oiQuiet},
    {"hide", false, oiHide},
    {"parallel", false, oiParallel},
    {"force", false, oiForce},
    {"clean", false, oiClean},
    {"restore", false, oiRestore},
    {"verify", false, oiVerify},
    {"mode", false, oiMode},
    {"sched", false, oiSched},
    {"startapp", true, oiStartApp},
};

bool IsInside(const QString& path, const QString& folder)
{
    return !folder.isEmpty() && path.startsWith(folder, Qt::CaseInsensitive);
}

QString RelativeTo(const QString& path, const QString& folder)
{
    return IsInside(path, folder) ? path.mid(folder.size()) : path;
}

QString AbsoluteTo(const QString& path, const QString& folder)
{
    return QDir::isAbsolutePath(path) || folder.isEmpty() ? path : folder + path;
}

// An absolute path is a task here, not an option, though it begins with a slash: its part
// before any colon holds another slash ("/jobs/a.buj", but "/ini:/home/me/x.ini" is an option).
bool IsPathWord(const QString& word)
{
    return word.startsWith(u'/') && word.section(u':', 0, 0).indexOf(u'/', 1) > 0;
}

QString Unquoted(const QString& entry)
{
    const QStringList words = SplitCommandLine(entry);
    return words.isEmpty() ? QString() : words.join(u' ');
}

void ApplyValueOption(int id, const QString& value, TParsedArguments& parsed)
{
    TSchedOptions& o = parsed.options;
    switch (id) {
    case oiEnd:
        if (const int i = MatchOptionValue(value, {"logoff", "restart", "poweroff", "shutdown"});
            i >= 0)
            o.endAction = std::array{eaLogoff, eaRestart, eaShutdown, eaShutdown}[size_t(i)];
        break;
    case oiSuspend:
        if (const int i = MatchOptionValue(value, {"standby", "hibernate"}); i >= 0)
            o.endAction = i == 0 ? eaStandby : eaHibernate;
        break;
    case oiErrActions:
        o.errorActions = qMax(0, LeadingInteger(value).value_or(0));
        break;
    case oiSpeed:
        if (const int i = MatchOptionValue(value, {"fast", "slow"}); i >= 0)
            o.priority = i == 0 ? peHigh : peLow;
        break;
    case oiIni:
        o.iniFile = value;
        break;
    case oiWait:
        o.wait = qBound(1, LeadingInteger(value).value_or(5), 99);
        break;
    case oiLogMode:
        o.logMode = qBound(0, LeadingInteger(value).value_or(0), 3);
        break;
    case oiPrompt:
        if (const int i = MatchOptionValue(value, kPromptValues); i >= 0)
            o.prompt = i;
        break;
    default:
        break;
    }
}

// False for an option the page has no control for.
bool ApplyFlagOption(int id, TParsedArguments& parsed)
{
    switch (id) {
    case oiQuiet:
        parsed.options.prompt = pmQuiet;
        return true;
    case oiHide:
        parsed.options.hide = true;
        return true;
    case oiParallel:
        parsed.options.parallel = true;
        return true;
    case oiForce:
        if (parsed.kind != kaTbBackup)
            parsed.kind = kaBackup;
        return true;
    case oiClean:
        parsed.kind = kaCleanup;
        return true;
    case oiRestore:
        parsed.kind = kaRestore;
        return true;
    case oiVerify:
        parsed.kind = kaVerify;
        return true;
    case oiMode:
        parsed.kind = kaSchedule;
        return true;
    case oiSched:
    case oiStartApp:
        return true;
    default:
        return false;
    }
}

struct TErrorRow {
    HRESULT code;
    const char* text;
};

// The messages of the codes the backends report.
constexpr TErrorRow kErrorTexts[] = {
    {TaskResult::kFail, TrNoop("Unspecified error")},
    {TaskResult::kNotImplemented, TrNoop("Not implemented")},
    {TaskResult::kFileNotFound, TrNoop("The system cannot find the file specified.")},
    {TaskResult::kAccessDenied, TrNoop("Access is denied.")},
    {TaskResult::kInvalidArg, TrNoop("The parameter is incorrect.")},
    {TaskResult::kServiceNotRunning, TrNoop("The Task Scheduler service is not running.")},
    {TaskResult::kInvalidValue, TrNoop("The task XML contains a value which is incorrectly "
                                       "formatted or out of range.")},
    {TaskResult::kMalformedXml, TrNoop("The task XML is malformed.")},
    {TaskResult::kAlreadyRunning, TrNoop("An instance of this task is already running.")},
    {TaskResult::kTaskDisabled, TrNoop("The task is disabled.")},
    {TaskResult::kLogonFailure, TrNoop("The user name or password is incorrect.")},
    {TaskResult::kNoneMapped, TrNoop("No mapping between account names and security IDs was "
                                     "done.")},
};

QString HexCode(HRESULT code)
{
    return QStringLiteral("0x%1").arg(quint32(code), 8, 16, QLatin1Char('0'));
}

} // namespace

QString KvActionKey(TKvAction kind)
{
    return QString::fromLatin1(kKinds[size_t(kind)].key);
}

QString KvActionExtension(TKvAction kind)
{
    return QString::fromLatin1(kKinds[size_t(kind)].extension);
}

QString KvActionText(TKvAction kind)
{
    return Tr(kKinds[size_t(kind)].text);
}

QString KvActionPrefix(TKvAction kind)
{
    return QString::fromLatin1(kKinds[size_t(kind)].prefix);
}

namespace {
QString& ScheduledProgram()
{
    static QString path;
    return path;
}
} // namespace

QString ScheduledProgramPath()
{
    return ScheduledProgram().isEmpty() ? ProgramFilePath() : ScheduledProgram();
}

void SetScheduledProgramPath(const QString& path)
{
    ScheduledProgram() = path;
}

bool ShowsProgramPage(TKvAction kind)
{
    return kind != kaStarter && kind != kaTbBackup;
}

bool PromptUsesWait(int prompt)
{
    return prompt == pmDelay || prompt == pmError;
}

QString BuildSchedOptions(TKvAction kind, const TSchedOptions& options, bool withIni)
{
    QString text;
    switch (kind) {
    case kaRestore:
        text += OptionText("restore");
        break;
    case kaCleanup:
        text += OptionText("clean");
        break;
    case kaVerify:
        text += OptionText("verify");
        break;
    case kaBackup:
    case kaTbBackup:
        text += OptionText("force") + OptionText("startapp", QStringLiteral("scheduler"));
        break;
    default:
        break;
    }
    if (options.hide)
        text += OptionText("hide");
    if (options.parallel)
        text += OptionText("parallel");
    text += OptionText("prompt", kPromptValues.value(options.prompt, kPromptValues[pmDelay]));
    if (PromptUsesWait(options.prompt))
        text += OptionText("wait", options.wait);
    if (options.errorActions > 0)
        text += OptionText("erractions", options.errorActions);
    if (options.priority == peLow || options.priority == peHigh)
        text += OptionText("speed", options.priority == peLow ? QStringLiteral("slow")
                                                              : QStringLiteral("fast"));
    if (withIni && !options.iniFile.isEmpty())
        text += OptionText("ini", options.iniFile);
    if (options.logMode > 0)
        text += OptionText("logmode", options.logMode);
    if (options.endAction > eaNone && options.endAction <= eaRestart) {
        const auto& [name, value] = kEndOptions[size_t(options.endAction)];
        text += OptionText(QString::fromLatin1(name), QString::fromLatin1(value));
    }
    return text;
}

TParsedArguments ParseSchedArguments(const QString& arguments, TKvAction kind,
                                     const QString& folder, const TSchedOptions& start)
{
    TParsedArguments parsed;
    parsed.options = start;
    parsed.kind = kind;
    QString kept;
    for (const QString& word : SplitCommandLine(arguments)) {
        if (!IsOptionParam(word) || IsPathWord(word)) {
            parsed.tasks << TaskListEntry(RelativeTo(word, folder));
            continue;
        }
        const TOptionMatch match = MatchOption(word, kArgumentKeywords);
        if (match.id >= oiEnd && match.id <= oiPrompt)
            ApplyValueOption(match.id, match.value, parsed);
        else if (!ApplyFlagOption(match.id, parsed))
            kept += QStringLiteral(" /") + word.mid(1);
    }
    parsed.userOptions = kept.trimmed();
    return parsed;
}

QStringList SplitTaskList(const QString& list)
{
    QStringList entries;
    QString entry;
    bool quoted = false;
    for (const QChar c : list) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u',' && !quoted) {
            entries << entry.trimmed();
            entry.clear();
        } else {
            entry += c;
        }
    }
    entries << entry.trimmed();
    entries.removeAll(QString());
    return entries;
}

QString TaskListEntry(const QString& name)
{
    return name.contains(u' ') || name.contains(u',') || name.contains(u'"') ? AlwaysQuoted(name)
                                                                             : name;
}

QString NewTaskName(TKvAction kind, const QString& task)
{
    if (kind == kaSchedule || kind == kaStarter || kind == kaTbBackup)
        return KvActionPrefix(kind) + task;
    const QString first = Unquoted(SplitTaskList(task).value(0));
    return KvActionPrefix(kind) + QFileInfo(first).completeBaseName();
}

QString NewTaskArguments(TKvAction kind, const QString& task, const QString& options,
                         const QString& folder)
{
    switch (kind) {
    case kaSchedule:
        return TaskListEntry(task) + u' ' + options;
    case kaStarter:
    case kaTbBackup:
        return options;
    default:
        break;
    }
    QStringList files;
    for (const QString& entry : SplitTaskList(task))
        files << QuotedPath(RelativeTo(Unquoted(entry), folder));
    return files.join(u' ') + u' ' + options;
}

QString RebuildArguments(TKvAction kind, const QStringList& tasks, const TSchedOptions& options,
                         const QString& userOptions, const QString& folder)
{
    QString text;
    if (kind == kaSchedule) {
        text = TaskListEntry(Unquoted(tasks.value(0)));
    } else {
        QStringList files;
        for (const QString& entry : tasks)
            files << QuotedPath(AbsoluteTo(Unquoted(entry), folder));
        text = files.join(u' ');
    }
    text += BuildSchedOptions(kind, options, true);
    if (!userOptions.trimmed().isEmpty())
        text += u' ' + userOptions.trimmed();
    return text;
}

TUnitValue DelayUnitValue(std::uint32_t seconds)
{
    if (seconds % 3600 == 0 || seconds >= 43200)
        return {tuHours, int(qMin<std::uint32_t>(seconds / 3600, 24)), 24};
    if (seconds % 60 != 0 && seconds < 1800)
        return {tuSeconds, int(seconds), 599};
    return {tuMinutes, int(qMin<std::uint32_t>(seconds / 60, 719)), 719};
}

TUnitValue RepeatUnitValue(int minutes)
{
    if (minutes % 60 != 0)
        return {tuMinutes, qMin(minutes, 1439), 1439};
    return {tuHours, qMin(minutes / 60, 167), 167};
}

TUnitValue LimitUnitValue(int minutes)
{
    if (minutes % 1440 == 0 || minutes >= 10080)
        return {tuDays, qMin(minutes / 1440, 365), 365};
    if (minutes % 60 != 0 && minutes < 1440)
        return {tuMinutes, minutes, 1439};
    return {tuHours, qMin(minutes / 60, 167), 167};
}

std::uint32_t UnitSeconds(const TUnitValue& value)
{
    constexpr std::array<std::uint32_t, 4> kFactors = {1, 60, 3600, 86400};
    return std::uint32_t(qMax(0, value.value)) * kFactors[size_t(value.unit)];
}

TUnitValue DelayUnitPreset(TTimeUnit unit)
{
    switch (unit) {
    case tuHours:
        return {tuHours, 1, 24};
    case tuSeconds:
        return {tuSeconds, 30, 599};
    default:
        return {tuMinutes, 1, 719};
    }
}

TUnitValue RepeatUnitPreset(TTimeUnit unit)
{
    return unit == tuHours ? TUnitValue{tuHours, 1, 167} : TUnitValue{tuMinutes, 30, 1439};
}

TUnitValue LimitUnitPreset(TTimeUnit unit)
{
    switch (unit) {
    case tuDays:
        return {tuDays, 3, 3650};
    case tuHours:
        return {tuHours, 6, 167};
    default:
        return {tuMinutes, 30, 1439};
    }
}

int UnitStep(TTimeUnit unit)
{
    return unit == tuSeconds || unit == tuMinutes ? 10 : 1;
}

int MondayFirstToSundayFirst(int mask)
{
    return ((mask << 1) & 0x7E) | ((mask >> 6) & 1);
}

int SundayFirstToMondayFirst(int mask)
{
    return ((mask >> 1) & 0x3F) | ((mask & 1) << 6);
}

TAdvancedSettings DefaultAdvancedSettings(const QDateTime& now)
{
    TAdvancedSettings settings;
    settings.EndDate = now;
    return settings;
}

void ReadTaskSettings(TWinTask& task, TAdvancedSettings& settings)
{
    TWinTaskSettings& s = task.Settings();
    settings.ReRun = s.RunIfMissed();
    settings.PowerOnly = s.DisallowOnBatteries();
    settings.StopBattery = s.StopOnBatteries();
    settings.WakeUp = s.WakeToRun();
    settings.NetworkOnly = s.RunOnlyIfNetwork();
    if (s.Compatibility() < tcVista)
        s.SetCompatibility(GetOsCompatibility());
}

void WriteTaskSettings(const TAdvancedSettings& settings, TWinTask& task)
{
    TWinTaskSettings& s = task.Settings();
    s.SetRunIfMissed(settings.ReRun);
    s.SetDisallowOnBatteries(settings.PowerOnly);
    s.SetStopOnBatteries(settings.StopBattery);
    s.SetWakeToRun(settings.WakeUp);
    s.SetRunOnlyIfNetwork(settings.NetworkOnly);
}

void ReadTriggerSettings(const TWinTaskTrigger& trigger, const QDateTime& registered,
                         const QDateTime& now, TAdvancedSettings& settings)
{
    const QDateTime end = trigger.EndTime();
    settings.UseEndDate = IsDateTimeSet(end) && end > now;
    if (settings.UseEndDate)
        settings.EndDate = QDateTime(end.date(), QTime(23, 59, 59));
    else
        settings.EndDate = (IsDateTimeSet(registered) ? registered : now).addDays(366).addSecs(-1);
    settings.RepeatTask = trigger.Interval() != 0;
    if (settings.RepeatTask) {
        settings.MinutesInterval = int(trigger.Interval() / 60);
        settings.MinutesDuration = int(trigger.Duration() / 60);
    }
    settings.StopEndDuration = trigger.StopAtDurationEnd();
    settings.UseLimit = trigger.ExecutionTimeLimit() != 0;
    if (settings.UseLimit)
        settings.MinutesLimit = int(trigger.ExecutionTimeLimit() / 60);
}

void WriteTriggerSettings(const TAdvancedSettings& settings, const QDateTime& start,
                          TWinTaskTrigger& trigger)
{
    if (!settings.UseEndDate)
        trigger.SetEndTime({});
    else if (IsDateTimeSet(start) && settings.EndDate <= start)
        trigger.SetEndTime(start.addSecs(60));
    else
        trigger.SetEndTime(settings.EndDate);
    trigger.SetStopAtDurationEnd(settings.StopEndDuration);
    const bool repeat = settings.RepeatTask;
    trigger.SetDuration(repeat ? std::uint32_t(qMax(0, settings.MinutesDuration)) * 60 : 0);
    trigger.SetInterval(repeat ? std::uint32_t(qMax(0, settings.MinutesInterval)) * 60 : 0);
    trigger.SetExecutionTimeLimit(
        settings.UseLimit ? std::uint32_t(qMax(0, settings.MinutesLimit)) * 60 : 0);
}

QDateTime StartBoundary(const QDateTime& date, const QDateTime& time)
{
    if (!IsDateTimeSet(date) && !IsDateTimeSet(time))
        return {};
    const QDate day = IsDateTimeSet(date) ? date.date() : ZeroDateTime().date().addDays(1);
    const int seconds = time.isValid() ? time.time().msecsSinceStartOfDay() / 1000 : 0;
    const int minutes = int(std::lround(seconds / 60.0));
    return QDateTime(day, QTime(0, 0)).addSecs(qint64(minutes) * 60);
}

QString TriggerCaption(int index)
{
    const int n = index + 1;
    static const char* const kSuffixes[] = {"st ", "nd ", "rd "};
    const QString ordinal = QString::number(n) + QLatin1String(n <= 3 ? kSuffixes[n - 1] : "th ");
    return ordinal + Tr("Schedule");
}

QString SchedulerErrorText(HRESULT code)
{
    for (const TErrorRow& row : kErrorTexts)
        if (row.code == code)
            return Tr(row.text) + QStringLiteral(" (") + HexCode(code) + u')';
    return Tr("Error code") + QStringLiteral(" = ") + HexCode(code);
}

bool MayRetryRegistration(HRESULT code)
{
    const int low = code & 0xFFFF;
    return (low >= 1326 && low <= 1332) || low == 87;
}

bool HasInvalidTaskNameCharacters(const QString& name)
{
    static const QString kInvalid = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || kInvalid.contains(c))
            return true;
    return false;
}

QString InvalidTaskNameCharacters()
{
    return QStringLiteral("* ? < > : \" / \\ |");
}
