#include "common/tasks/TaskSystemd.h"

#include <algorithm>
#include <array>

#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>

#include "common/backup/Options.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/platform/LogonCheck.h"
#include "common/tasks/NextRunTime.h"
#include "common/tasks/TaskAccount.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskTexts.h"
#include "common/tasks/TaskTimes.h"
#include "common/tasks/TaskTriggerCheck.h"
#include "common/tasks/WinTask.h"

namespace {

const QString kPrefix = QStringLiteral("kelvara-task-");
constexpr std::array kDayAbbrev = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
// Day ranges of the first to fourth week of a month.
constexpr std::array kWeekDays = {"01..07", "08..14", "15..21", "22..28"};

QString Refusal()
{
    return Tr("The trigger \"%s\" cannot be scheduled with systemd timers (%s).");
}

EOleSysError Unsupported(const TTaskTriggerData& t, const QString& what)
{
    return TriggerRefused(t, Refusal(), what);
}

QString Two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString MonthList(int mask, int first, int last)
{
    QStringList months;
    for (int m = first; m <= last; ++m)
        if (mask & (1 << (m - 1)))
            months << Two(m);
    if (months.size() == 12)
        return QStringLiteral("*");
    return months.join(u',');
}

// The calendar of a recurring trigger, without the date range: weekdays, months, day specs.
struct TCalendarPattern {
    QString weekdays;   // "Mon,Fri " or empty
    int months = 0xFFF; // bit 0 January
    QStringList days;   // each its own expression: "*", "01,15", "~01", "~07/1"
};

TCalendarPattern PatternOf(const TTaskTriggerData& t)
{
    TCalendarPattern p;
    if (t.type == TriggerKind::kWeekly || t.type == TriggerKind::kMonthlyDow) {
        QStringList names;
        for (int i = 0; i < 7; ++i)
            if (t.daysOfWeek & (1 << i))
                names << QLatin1String(kDayAbbrev[size_t(i)]);
        p.weekdays = names.join(u',') + u' ';
    }
    if (t.type == TriggerKind::kDaily || t.type == TriggerKind::kWeekly) {
        p.days << QStringLiteral("*");
        return p;
    }
    p.months = t.monthsOfYear & 0xFFF;
    QStringList listed;
    if (t.type == TriggerKind::kMonthly) {
        for (int d = 0; d < 31; ++d)
            if (t.daysOfMonth & (1 << d))
                listed << Two(d + 1);
        if (!listed.isEmpty())
            p.days << listed.join(u',');
        if (t.runOnLastDayOfMonth)
            p.days << QStringLiteral("~01");
        return p;
    }
    for (int w = 0; w < 4; ++w)
        if (t.weeksOfMonth & (1 << w))
            listed << QLatin1String(kWeekDays[size_t(w)]);
    if (!listed.isEmpty())
        p.days << listed.join(u',');
    if (t.runOnLastWeekOfMonth)
        p.days << QStringLiteral("~07/1");
    return p;
}

// The starts of the trigger within one month, from `from` on and not after `end`, as one
// expression with explicit days.
QStringList ExplicitDays(const TTaskTriggerData& t, QDate from, const QDateTime& end,
                         const QString& time)
{
    const QTime clock = TaskTimeToDateTime(t.startBoundary).time();
    QStringList days;
    for (auto day = NextTriggerDay(t, from);
         day && day->month() == from.month() && day->year() == from.year();
         day = NextTriggerDay(t, day->addDays(1))) {
        if (end.isValid() && QDateTime(*day, clock) > end)
            break;
        days << Two(day->day());
    }
    if (days.isEmpty())
        return {};
    return {QString::number(from.year()) + u'-' + Two(from.month()) + u'-' + days.join(u',') +
            u' ' + time};
}

QStringList PatternLines(const TCalendarPattern& p, const QString& years, int firstMonth,
                         int lastMonth, const QString& time)
{
    const QString months = MonthList(p.months, firstMonth, lastMonth);
    if (months.isEmpty() || firstMonth > lastMonth)
        return {};
    QStringList lines;
    for (const QString& day : p.days)
        lines << p.weekdays + years + u'-' + months + (day.startsWith(u'~') ? day : u'-' + day) +
                     u' ' + time;
    return lines;
}

QString UnitText(const QString& text)
{
    // One line, with specifiers escaped.
    QString out;
    for (QChar c : text)
        out += c.category() == QChar::Other_Control ? QStringLiteral(" ")
               : c == u'%'                          ? QStringLiteral("%%")
                                                    : QString(c);
    return out;
}

QString ProgramFile(const QString& path)
{
    if (path.contains(u'/'))
        return path;
    const QString found = QStandardPaths::findExecutable(path);
    return found.isEmpty() ? path : found;
}

bool IsAccount(const QString& user, const QString& account)
{
    return user.isEmpty() || user.section(u'\\', -1) == account;
}

QMap<QString, QString> ParseProperties(const QString& block)
{
    QMap<QString, QString> map;
    for (const QString& line : block.split(u'\n'))
        if (line.contains(u'='))
            map.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    return map;
}

QDateTime ParseTimestamp(const QString& text)
{
    if (text.startsWith(u'@')) {
        const qint64 seconds = text.mid(1).toLongLong();
        return seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds).toLocalTime() : QDateTime();
    }
    // "Mon 2025-03-03 22:00:00 CET"
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return QDateTime();
    return QDateTime::fromString(parts[1] + u' ' + parts[2], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QString SystemdEscape(const QString& text)
{
    QString out;
    const QByteArray bytes = text.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ':' || c == '_' || (c == '.' && i > 0);
        out += plain ? QString(QLatin1Char(c))
                     : QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString SystemdUnescape(const QString& text)
{
    QByteArray bytes;
    const QByteArray in = text.toLatin1();
    for (qsizetype i = 0; i < in.size(); ++i) {
        bool hex = false;
        const int value = i + 3 < in.size() && in[i] == '\\' && in[i + 1] == 'x'
                              ? in.mid(i + 2, 2).toInt(&hex, 16)
                              : 0;
        bytes += hex ? char(value) : in[i];
        i += hex ? 3 : 0;
    }
    return QString::fromUtf8(bytes);
}

QString SystemdUnitBase(const QString& taskName)
{
    return kPrefix + SystemdEscape(taskName);
}

QString SystemdExecWord(const QString& word)
{
    QString out = QStringLiteral("\"");
    for (QChar c : word) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (c == u'%' || c == u'$')
            out += c;
        out += c;
    }
    return out + u'"';
}

QStringList CalendarExpressions(const TTaskTriggerData& t)
{
    if (!t.enabled)
        return {};
    CheckSimpleCalendarTrigger(t, Refusal());
    const QDateTime start = TaskTimeToDateTime(t.startBoundary);
    if (!IsDateTimeSet(start))
        throw Unsupported(t, Tr("no start time"));
    QDateTime end = TaskTimeToDateTime(t.endBoundary);
    if (!IsDateTimeSet(end))
        end = QDateTime();
    const QString time = start.toString(QStringLiteral("HH:mm:ss"));
    if (t.type == TriggerKind::kTime) {
        if (end.isValid() && start > end)
            return {};
        return {start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    }
    // Calendar expressions know no start or end date: the months around them are listed day
    // by day, the whole months and years between them as patterns.
    const TCalendarPattern p = PatternOf(t);
    const QDate s = start.date();
    const int y = s.year();
    QStringList lines = ExplicitDays(t, s, end, time);
    if (end.isValid() && end.date().year() == y && end.date().month() == s.month())
        return lines;
    const int lastMonthOfFirstYear =
        end.isValid() && end.date().year() == y ? end.date().month() - 1 : 12;
    lines << PatternLines(p, QString::number(y), s.month() + 1, lastMonthOfFirstYear, time);
    if (!end.isValid()) {
        lines << PatternLines(p, QString::number(y + 1) + QStringLiteral("/1"), 1, 12, time);
        return lines;
    }
    const int ey = end.date().year();
    if (ey - 1 >= y + 1)
        lines << PatternLines(
            p, QString::number(y + 1) + QStringLiteral("..") + QString::number(ey - 1), 1, 12,
            time);
    if (ey > y)
        lines << PatternLines(p, QString::number(ey), 1, end.date().month() - 1, time);
    lines << ExplicitDays(t, QDate(ey, end.date().month(), 1), end, time);
    return lines;
}

TSystemdUnits MakeSystemdUnits(const QString& taskName, const TTaskDefinitionData& definition)
{
    CheckRunnableDefinition(definition);
    TWinTask task{TTaskDefinitionData(definition)};
    task.IndexOfNextExecAction(0);
    if (task.SelectedAction() < 0)
        throw EOleSysError(TaskResult::kNotImplemented,
                           Tr("systemd timers can only start programs."));
    const TWinTaskAction& action = task.Actions(task.SelectedAction());

    TSystemdUnits units;
    units.baseName = SystemdUnitBase(taskName);
    QStringList exec{SystemdExecWord(ProgramFile(action.ExecPath()))};
    for (const QString& word : SplitCommandLine(action.ExecArguments()))
        exec << SystemdExecWord(word);
    // The programs start the backup without waiting for it and end. The unit stays active
    // until every process of its control group has ended, so the end of the program never
    // sends the backup a SIGTERM; an explicit stop still ends both.
    units.service = QStringLiteral("[Unit]\nDescription=") + UnitText(taskName) +
                    QStringLiteral("\n\n[Service]\nType=exec\nExitType=cgroup\nExecStart=") +
                    exec.join(u' ') + u'\n';
    const QString workDir = UnquotedExecPath(action.ExecWorkingDirectory());
    if (!workDir.isEmpty())
        units.service += QStringLiteral("WorkingDirectory=") + UnitText(workDir) + u'\n';

    QStringList timers;
    std::uint32_t randomDelay = 0;
    bool calendar = false;
    for (const auto& t : definition.triggers) {
        if (t->type == TriggerKind::kLogon && t->enabled) {
            // The user manager starts when the user logs on; the timer is enabled for its
            // next start only, so creating the task does not fire it.
            if (!IsAccount(t->userId, QString::fromStdString(CurrentAccountName())))
                throw Unsupported(*t, Tr("another user"));
            timers << QStringLiteral("OnStartupSec=") +
                          QString::number(qMax<std::uint32_t>(1, DurationToSeconds(t->delay)));
            units.atLogon = true;
            continue;
        }
        const QStringList lines = CalendarExpressions(*t);
        for (const QString& line : lines)
            timers << QStringLiteral("OnCalendar=") + line;
        calendar = calendar || !lines.isEmpty();
        randomDelay = qMax(randomDelay, DurationToSeconds(t->randomDelay));
    }
    if (timers.isEmpty())
        return units;
    if (units.atLogon && calendar)
        throw EOleSysError(TaskResult::kNotImplemented,
                           Tr("With systemd timers a task that starts at logon cannot have "
                              "other triggers."));
    const auto flag = [](bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    };
    units.timer = QStringLiteral("[Unit]\nDescription=") + UnitText(taskName) +
                  QStringLiteral("\n\n[Timer]\n") + timers.join(u'\n') +
                  QStringLiteral("\nAccuracySec=1s\nPersistent=") +
                  flag(definition.settings.startWhenAvailable) + QStringLiteral("\nWakeSystem=") +
                  flag(definition.settings.wakeToRun) + u'\n';
    if (randomDelay > 0)
        units.timer += QStringLiteral("RandomizedDelaySec=") + QString::number(randomDelay) + u'\n';
    units.timer += QStringLiteral("Unit=") + units.baseName +
                   QStringLiteral(".service\n\n[Install]\nWantedBy=timers.target\n");
    return units;
}

// ---- Backend ----

TTaskSystemdStore::TTaskSystemdStore(QString unitFolder, TRunner runner)
    : FFolder(
          IncludeTrailingPathDelimiter(unitFolder.isEmpty() ? DefaultUnitFolder() : unitFolder)),
      FRunner(std::move(runner))
{
    if (!FRunner)
        FRunner = [](const QStringList& arguments) {
            const TToolOutput output = RunTool(QStringLiteral("systemctl"),
                                               QStringList{QStringLiteral("--user")} + arguments);
            return TCommandOutput{output.exitCode, QString::fromUtf8(output.out), output.err};
        };
}

QString TTaskSystemdStore::DefaultUnitFolder()
{
    return GetKnownFolder(TKnownFolder::RoamingAppData) + QStringLiteral("systemd/user/");
}

bool LingerEnabled(const QString& user, const TToolRunner& run)
{
    const QStringList arguments{QStringLiteral("show-user"), user,
                                QStringLiteral("--property=Linger")};
    const TToolOutput output = run(QStringLiteral("loginctl"), arguments, {});
    if (output.exitCode != 0)
        throw EOleSysError(TaskResult::kFail,
                           ToolFailure(QStringLiteral("loginctl"), arguments, output));
    return output.out.trimmed() == "Linger=yes";
}

void EnableLinger(const QString& user, const TToolRunner& run)
{
    const QStringList arguments{QStringLiteral("enable-linger"), user};
    const TToolOutput output = run(QStringLiteral("loginctl"), arguments, {});
    if (output.exitCode != 0)
        throw EOleSysError(TaskResult::kFail,
                           ToolFailure(QStringLiteral("loginctl"), arguments, output));
}

bool TTaskSystemdStore::UserManagerRuns()
{
    // The manager's private socket exists while it runs, whichever session asks.
    return !QStandardPaths::findExecutable(QStringLiteral("systemctl")).isEmpty() &&
           QFileInfo::exists(UserRuntimeFolder() + QStringLiteral("/systemd/private"));
}

bool TTaskSystemdStore::Available()
{
    return FRunner({QStringLiteral("show-environment")}).exitCode == 0;
}

QString TTaskSystemdStore::Description() const
{
    return Tr("systemd user timers");
}

TTaskSystemdStore::TCommandOutput TTaskSystemdStore::Systemctl(const QStringList& arguments,
                                                               bool mustSucceed)
{
    TCommandOutput output = FRunner(arguments);
    // A call that may fail (disabling what is not loaded) still may not fail to run at all.
    if (output.exitCode != 0 && (mustSucceed || output.exitCode < 0))
        throw EOleSysError(TaskResult::kFail,
                           ToolFailure(QStringLiteral("systemctl"),
                                       QStringList{QStringLiteral("--user")} + arguments,
                                       TToolOutput{output.exitCode, {}, output.err}));
    return output;
}

void TTaskSystemdStore::Connect()
{
    if (!QDir().mkpath(FFolder))
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("The task folder \"%s\" cannot be created."), {FFolder}));
    if (!Available())
        throw EOleSysError(TaskResult::kServiceNotRunning,
                           Tr("The systemd user manager is not running."));
}

QString TTaskSystemdStore::PathOf(const QString& name, const char* suffix) const
{
    return FFolder + SystemdUnitBase(name) + QLatin1String(suffix);
}

QStringList TTaskSystemdStore::TaskNames()
{
    QStringList names;
    for (const QString& file :
         QDir(FFolder).entryList({kPrefix + QStringLiteral("*.xml")}, QDir::Files)) {
        QFile f(FFolder + file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        try {
            const QString uri = DefinitionFromXml(QString::fromUtf8(f.readAll())).registration.uri;
            if (uri.startsWith(u'\\'))
                names << uri.mid(1);
        } catch (const EOleSysError&) {
            // Listed all the same, under the name its file was made from; it reads as damaged.
            names << SystemdUnescape(file.chopped(4).mid(kPrefix.size()));
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString TTaskSystemdStore::RequireName(const QString& name)
{
    for (const QString& stored : TaskNames())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    throw EOleSysError(TaskResult::kFileNotFound,
                       Fmt(Tr("The task \"%s\" does not exist."), {name}));
}

TTaskDefinitionData TTaskSystemdStore::Definition(const QString& name)
{
    QFile file(PathOf(RequireName(name), ".xml"));
    if (!file.open(QIODevice::ReadOnly))
        throw EOleSysError(TaskResult::kFileNotFound,
                           Tr("The system cannot find the file specified."));
    return DefinitionFromXml(QString::fromUtf8(file.readAll()));
}

void TTaskSystemdStore::WriteUnits(const QString& name, const TTaskDefinitionData& definition)
{
    TTaskDefinitionData stored = definition;
    stored.registration.uri = TaskPathOf(name);
    const TSystemdUnits units =
        MakeSystemdUnits(name, stored); // refuses before anything is written
    if (!QDir().mkpath(FFolder))
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("The task folder \"%s\" cannot be created."), {FFolder}));
    WriteTaskFile(PathOf(name, ".service"), units.service.toUtf8());
    if (units.timer.isEmpty())
        QFile::remove(PathOf(name, ".timer"));
    else
        WriteTaskFile(PathOf(name, ".timer"), units.timer.toUtf8());
    WriteTaskFile(PathOf(name, ".xml"), DefinitionToXml(stored).toUtf8());
}

void TTaskSystemdStore::Activate(const QString& name, const TTaskDefinitionData& definition)
{
    Systemctl({QStringLiteral("daemon-reload")}, true);
    const QString timer = SystemdUnitBase(name) + QStringLiteral(".timer");
    if (!definition.settings.enabled || !QFileInfo::exists(PathOf(name, ".timer"))) {
        Systemctl({QStringLiteral("disable"), QStringLiteral("--now"), timer}, false);
        return;
    }
    // A logon timer started now would fire at once: the manager started long ago.
    if (MakeSystemdUnits(name, definition).atLogon) {
        Systemctl({QStringLiteral("stop"), timer}, false);
        Systemctl({QStringLiteral("enable"), timer}, true);
    } else {
        Systemctl({QStringLiteral("enable"), QStringLiteral("--now"), timer}, true);
    }
}

void TTaskSystemdStore::Register(const QString& name, const TTaskDefinitionData& definition,
                                 const QString& user, const QString& password)
{
    if (name.trimmed().isEmpty())
        throw EOleSysError(TaskResult::kInvalidArg, Tr("The parameter is incorrect."));
    MakeSystemdUnits(name, definition); // refuses before the account is checked
    const TTaskAccount account = CheckTaskAccount(user, password);
    if (account.other)
        throw OtherAccountRefused(
            account, Tr("systemd user timers run as the user who creates them; cron, as root, "
                        "can run tasks as another account (setting TaskScheduler=cron)."));
    QString stored = name;
    for (const QString& existing : TaskNames())
        if (existing.compare(name, Qt::CaseInsensitive) == 0)
            stored = existing;
    WriteUnits(stored, definition);
    Activate(stored, definition);
}

void TTaskSystemdStore::Delete(const QString& name)
{
    const QString stored = RequireName(name);
    Systemctl({QStringLiteral("disable"), QStringLiteral("--now"),
               SystemdUnitBase(stored) + QStringLiteral(".timer")},
              false);
    for (const char* suffix : {".timer", ".service", ".xml"})
        QFile::remove(PathOf(stored, suffix));
    Systemctl({QStringLiteral("daemon-reload")}, false);
}

void TTaskSystemdStore::SetEnabled(const QString& name, bool enabled)
{
    const QString stored = RequireName(name);
    TTaskDefinitionData definition = Definition(stored);
    definition.settings.enabled = enabled;
    WriteUnits(stored, definition);
    Activate(stored, definition);
}

void TTaskSystemdStore::Run(const QString& name)
{
    const QString stored = RequireName(name);
    if (!Definition(stored).settings.enabled)
        throw EOleSysError(TaskResult::kTaskDisabled, Tr("The task is disabled."));
    Systemctl({QStringLiteral("start"), QStringLiteral("--no-block"),
               SystemdUnitBase(stored) + QStringLiteral(".service")},
              true);
}

void TTaskSystemdStore::Stop(const QString& name)
{
    const QString stored = RequireName(name);
    Systemctl({QStringLiteral("stop"), QStringLiteral("--no-block"),
               SystemdUnitBase(stored) + QStringLiteral(".service")},
              true);
}

TTaskRunInfo TTaskSystemdStore::Info(const QString& name)
{
    const QString stored = RequireName(name);
    const TTaskDefinitionData definition = Definition(stored);
    const QString base = SystemdUnitBase(stored);
    const TCommandOutput output =
        Systemctl({QStringLiteral("show"), QStringLiteral("--timestamp=unix"), QStringLiteral("-p"),
                   QStringLiteral("MainPID,ExecMainCode,ExecMainStatus,ExecMainStartTimestamp,"
                                  "NextElapseUSecRealtime"),
                   base + QStringLiteral(".service"), base + QStringLiteral(".timer")},
                  true);
    const QStringList blocks = output.out.split(QStringLiteral("\n\n"));
    const auto service = ParseProperties(blocks.value(0));
    const auto timer = ParseProperties(blocks.value(1));

    TTaskRunInfo info;
    // The scheduled program, not the backup it left running in the unit.
    const bool running = service.value(QStringLiteral("MainPID")).toLongLong() > 0;
    info.state = running                       ? TaskState::kRunning
                 : definition.settings.enabled ? TaskState::kReady
                                               : TaskState::kDisabled;
    info.lastRunTime = ParseTimestamp(service.value(QStringLiteral("ExecMainStartTimestamp")));
    const int code = service.value(QStringLiteral("ExecMainCode")).toInt();
    if (running)
        info.lastResult = TaskResult::kRunning;
    else if (code == 1)
        info.lastResult = service.value(QStringLiteral("ExecMainStatus")).toInt();
    else if (code >= 2)
        info.lastResult = TaskResult::kTerminated;
    if (definition.settings.enabled)
        info.nextRunTime = ParseTimestamp(timer.value(QStringLiteral("NextElapseUSecRealtime")));
    return info;
}

std::vector<qint64> TTaskSystemdStore::MainPids(const QStringList& services)
{
    if (FMainPids)
        if (std::optional<std::vector<qint64>> pids = FMainPids(services);
            pids && pids->size() == size_t(services.size()))
            return *pids;
    std::vector<qint64> pids(size_t(services.size()), 0);
    TCommandOutput output;
    try {
        output = Systemctl(
            QStringList{QStringLiteral("show"), QStringLiteral("-p"), QStringLiteral("MainPID")} +
                services,
            true);
    } catch (const EOleSysError&) {
        return pids;
    }
    const QStringList blocks = output.out.split(QStringLiteral("\n\n"));
    for (qsizetype i = 0; i < services.size(); ++i)
        pids[size_t(i)] =
            ParseProperties(blocks.value(i)).value(QStringLiteral("MainPID")).toLongLong();
    return pids;
}

std::vector<int> TTaskSystemdStore::States(const QStringList& names)
{
    QHash<QString, QString> stored;
    for (const QString& name : TaskNames())
        stored.insert(name.toLower(), name);
    QStringList services;
    for (const QString& name : names)
        services << SystemdUnitBase(stored.value(name.toLower(), name)) +
                        QStringLiteral(".service");
    const std::vector<qint64> pids = MainPids(services);
    std::vector<int> states(size_t(names.size()), TaskState::kUnknown);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString file = stored.value(names[i].toLower());
        QFile xml(PathOf(file, ".xml"));
        if (file.isEmpty() || !xml.open(QIODevice::ReadOnly))
            continue;
        try {
            const bool enabled =
                DefinitionFromXml(QString::fromUtf8(xml.readAll())).settings.enabled;
            states[size_t(i)] = pids[size_t(i)] > 0 ? TaskState::kRunning
                                : enabled           ? TaskState::kReady
                                                    : TaskState::kDisabled;
        } catch (const EOleSysError&) {
        }
    }
    return states;
}
