#include "common/tasks/TaskCron.h"

#include <array>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include "common/backup/Options.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/platform/LogonCheck.h"
#include "common/tasks/NextRunTime.h"
#include "common/tasks/TaskAccount.h"
#include "common/tasks/TaskTimes.h"
#include "common/tasks/TaskTriggerCheck.h"
#include "common/tasks/WinTask.h"

namespace {

const QString kBlockMark = QStringLiteral("kelvara-task");
// Day ranges of the first to fourth week of a month, and of the last days a last week can hold.
constexpr std::array kWeekDays = {"1-7", "8-14", "15-21", "22-28"};
const QString kLastWeekDays = QStringLiteral("22-31");
const QString kLastDays = QStringLiteral("28-31");
constexpr int kCronBusyTries = 3;

QString Refusal()
{
    return Tr("The trigger \"%s\" cannot be scheduled with cron (%s).");
}

QString ShellWord(const QString& word)
{
    QString quoted = word;
    return u'\'' + quoted.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

QString DateGuard(const QString& format, const QString& test, const QString& value)
{
    return QStringLiteral("[ \"$(date +") + format + QStringLiteral(")\" ") + test + u' ' + value +
           QStringLiteral(" ]");
}

QString MinuteStamp(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyyMMddHHmm"));
}

QString BitList(int mask, int count, int first)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        if (mask & (1 << i))
            items << QString::number(i + first);
    return items.size() == count ? QStringLiteral("*") : items.join(u',');
}

// A line of one trigger: its day and month fields and the guards of those days.
struct TCronDays {
    QString days = QStringLiteral("*"), months = QStringLiteral("*"),
            weekdays = QStringLiteral("*");
    QStringList guards;
};

QString WeekdayGuard(int daysOfWeek)
{
    QString set;
    for (int i = 0; i < 7; ++i)
        if (daysOfWeek & (1 << i))
            set += QString::number(i);
    return QStringLiteral("date +%w | grep -qx '[") + set + QStringLiteral("]'");
}

std::vector<TCronDays> DaysOf(const TTaskTriggerData& t, const QDateTime& start)
{
    TCronDays base;
    switch (t.type) {
    case TriggerKind::kTime:
        base.days = QString::number(start.date().day());
        base.months = QString::number(start.date().month());
        base.guards << DateGuard(QStringLiteral("%Y"), QStringLiteral("="),
                                 QString::number(start.date().year()));
        return {base};
    case TriggerKind::kDaily:
        return {base};
    case TriggerKind::kWeekly:
        if ((t.daysOfWeek & 0x7F) == 0)
            return {};
        base.weekdays = BitList(t.daysOfWeek & 0x7F, 7, 0);
        return {base};
    default:
        break;
    }
    base.months = BitList(t.monthsOfYear & 0xFFF, 12, 1);
    if (base.months.isEmpty())
        return {};
    std::vector<TCronDays> lines;
    if (t.type == TriggerKind::kMonthly) {
        const QString listed = BitList(t.daysOfMonth & 0x7FFFFFFF, 31, 1);
        if (!listed.isEmpty())
            lines.push_back({listed, base.months, base.weekdays, {}});
        if (t.runOnLastDayOfMonth)
            lines.push_back({kLastDays,
                             base.months,
                             base.weekdays,
                             {QStringLiteral("[ \"$(date -d tomorrow +%d)\" = 01 ]")}});
        return lines;
    }
    if ((t.daysOfWeek & 0x7F) == 0)
        return {};
    // Days of the month and of the week together mean "either" to cron: the weekday is a guard.
    const QString weekday = WeekdayGuard(t.daysOfWeek);
    for (int w = 0; w < 4; ++w)
        if (t.weeksOfMonth & (1 << w))
            lines.push_back(
                {QLatin1String(kWeekDays[size_t(w)]), base.months, base.weekdays, {weekday}});
    if (t.runOnLastWeekOfMonth)
        lines.push_back({kLastWeekDays,
                         base.months,
                         base.weekdays,
                         {weekday, QStringLiteral("[ \"$(date -d '+7 days' +%m)\" != "
                                                  "\"$(date +%m)\" ]")}});
    return lines;
}

QStringList TriggerLines(const TTaskTriggerData& t, const QString& command)
{
    if (!t.enabled)
        return {};
    CheckSimpleCalendarTrigger(t, Refusal());
    const QDateTime start = TaskTimeToDateTime(t.startBoundary);
    if (!IsDateTimeSet(start))
        throw TriggerRefused(t, Refusal(), Tr("no start time"));
    const QDateTime end = TaskTimeToDateTime(t.endBoundary);
    QStringList common;
    if (t.type != TriggerKind::kTime)
        common << DateGuard(QStringLiteral("%Y%m%d%H%M"), QStringLiteral("-ge"),
                            MinuteStamp(start));
    if (IsDateTimeSet(end))
        common << DateGuard(QStringLiteral("%Y%m%d%H%M"), QStringLiteral("-le"), MinuteStamp(end));
    if (const std::uint32_t delay = DurationToSeconds(t.randomDelay); delay > 0)
        common << QStringLiteral("sleep \"$(shuf -i 0-") + QString::number(delay) +
                      QStringLiteral(" -n 1)\"");
    QStringList lines;
    for (const TCronDays& d : DaysOf(t, start)) {
        const QStringList steps = d.guards + common + QStringList{command};
        lines << QStringLiteral("%1 %2 %3 %4 %5 ")
                         .arg(start.time().minute())
                         .arg(start.time().hour())
                         .arg(d.days, d.months, d.weekdays) +
                     steps.join(QStringLiteral(" && "));
    }
    return lines;
}

// The command of the task's program; with a run file, it records there when it started and
// how it ended ("<start seconds> <exit code>").
QString Command(const TTaskDefinitionData& definition, const QString& runFile)
{
    TWinTask task{TTaskDefinitionData(definition)};
    if (task.IndexOfNextExecAction(0) < 0)
        throw EOleSysError(TaskResult::kNotImplemented, Tr("cron can only start programs."));
    const TWinTaskAction& action = task.Actions(task.SelectedAction());
    QStringList words{ShellWord(action.ExecPath())};
    for (const QString& word : SplitCommandLine(action.ExecArguments()))
        words << ShellWord(word);
    QString command = (runFile.isEmpty() ? QStringLiteral("exec ") : QString()) + words.join(u' ');
    const QString folder = UnquotedExecPath(action.ExecWorkingDirectory());
    if (!folder.isEmpty())
        command = QStringLiteral("cd ") + ShellWord(folder) + QStringLiteral(" && ") + command;
    if (!runFile.isEmpty())
        command = QStringLiteral("{ s=$(date +%s); ") + command +
                  QStringLiteral("; echo \"$s $?\" > ") + ShellWord(runFile) +
                  QStringLiteral("; }");
    if (std::any_of(command.begin(), command.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        throw EOleSysError(TaskResult::kInvalidArg,
                           Tr("A crontab line cannot hold line breaks or control characters."));
    return command;
}

void CheckSettings(const TTaskSettingsData& settings)
{
    if (settings.startWhenAvailable)
        throw EOleSysError(TaskResult::kNotImplemented,
                           Tr("cron cannot start a task that was missed while the computer was "
                              "off (this needs anacron)."));
    if (settings.wakeToRun)
        throw EOleSysError(TaskResult::kNotImplemented, Tr("cron cannot wake the computer."));
}

QString BlockLine(const char* edge, const QString& taskName)
{
    return QStringLiteral("# ") + QLatin1String(edge) + u' ' + kBlockMark + u' ' +
           QString::fromLatin1(QUrl::toPercentEncoding(taskName, " -_"));
}

// The crontab's lines, each with its line end.
QList<QByteArray> LinesOf(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype end = text.indexOf('\n', from);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        lines << text.mid(from, next - from);
        from = next;
    }
    return lines;
}

QByteArray Chomped(const QByteArray& line)
{
    return line.endsWith('\n') ? line.chopped(1) : line;
}

EOleSysError CronFailure(const QString& text)
{
    return EOleSysError(TaskResult::kFail, text);
}

} // namespace

QStringList CronLines(const TTaskDefinitionData& definition, const QString& runFile)
{
    CheckRunnableDefinition(definition);
    const QString command = Command(definition, runFile);
    if (!definition.settings.enabled)
        return {};
    CheckSettings(definition.settings);
    QStringList lines;
    for (const auto& trigger : definition.triggers)
        lines << TriggerLines(*trigger, command);
    // cron reads an unescaped % as the end of the command.
    for (QString& line : lines)
        line.replace(u'%', QStringLiteral("\\%"));
    return lines;
}

QByteArray ReplaceCronBlock(const QByteArray& crontab, const QString& taskName,
                            const QStringList& lines)
{
    const QByteArray begin = BlockLine("BEGIN", taskName).toUtf8();
    const QByteArray end = BlockLine("END", taskName).toUtf8();
    const QList<QByteArray> all = LinesOf(crontab);
    QByteArray kept;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (Chomped(all[i]) != begin) {
            kept += all[i];
            continue;
        }
        // Skip our block; a block whose end mark was removed by hand loses its first line only.
        qsizetype j = i + 1;
        while (j < all.size() && Chomped(all[j]) != end)
            ++j;
        if (j < all.size())
            i = j;
    }
    if (lines.isEmpty())
        return kept;
    if (!kept.isEmpty() && !kept.endsWith('\n'))
        kept += '\n';
    kept += begin + '\n';
    for (const QString& line : lines)
        kept += line.toUtf8() + '\n';
    return kept + end + '\n';
}

QString CronFileName(const QString& taskName)
{
    QString name = kBlockMark + u'-';
    for (const char c : taskName.toUtf8()) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        name += plain ? QString(QLatin1Char(c))
                      : QStringLiteral("_%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return name;
}

// ---- Backend ----

TTaskCronStore::TTaskCronStore(QString folder, QString owner, TToolRunner run, QString systemFolder,
                               TClock clock)
    : TTaskFileStore(std::move(folder), std::move(clock)), FOwner(std::move(owner)),
      FRun(std::move(run)), FSystemFolder(IncludeTrailingPathDelimiter(systemFolder))
{
    if (FOwner == QString::fromStdString(CurrentAccountName()))
        FOwner.clear();
}

QString TTaskCronStore::DefaultFolder()
{
    return GetKnownFolder(TKnownFolder::LocalAppData) + QStringLiteral("Kelvara6/cron/");
}

bool TTaskCronStore::CronInstalled()
{
    const QStringList system{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                             QStringLiteral("/usr/bin")};
    const bool daemon = !QStandardPaths::findExecutable(QStringLiteral("cron"), system).isEmpty() ||
                        !QStandardPaths::findExecutable(QStringLiteral("crond"), system).isEmpty();
    return daemon && !QStandardPaths::findExecutable(QStringLiteral("crontab")).isEmpty();
}

bool TTaskCronStore::Available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("crontab")).isEmpty();
}

QString TTaskCronStore::Description() const
{
    return Tr("cron");
}

void TTaskCronStore::Connect()
{
    TTaskFileStore::Connect();
    if (!Available())
        throw EOleSysError(TaskResult::kServiceNotRunning, Tr("cron is not installed."));
}

QStringList TTaskCronStore::OwnerArguments() const
{
    return FOwner.isEmpty() ? QStringList() : QStringList{QStringLiteral("-u"), FOwner};
}

QByteArray TTaskCronStore::ReadCrontab()
{
    const QStringList arguments = OwnerArguments() + QStringList{QStringLiteral("-l")};
    const TToolOutput output = FRun(QStringLiteral("crontab"), arguments, {});
    if (output.exitCode == 0)
        return output.out;
    if (output.exitCode == 1 && output.err.contains(QStringLiteral("no crontab for")))
        return {};
    throw CronFailure(ToolFailure(QStringLiteral("crontab"), arguments, output));
}

void TTaskCronStore::WriteCrontab(const QByteArray& crontab)
{
    const QStringList arguments = OwnerArguments() + QStringList{QStringLiteral("-")};
    const TToolOutput output = FRun(QStringLiteral("crontab"), arguments, crontab);
    if (output.exitCode != 0)
        throw CronFailure(ToolFailure(QStringLiteral("crontab"), arguments, output));
}

void TTaskCronStore::UpdateCrontab(const QString& name, const QStringList& lines)
{
    for (int attempt = 0; attempt < kCronBusyTries; ++attempt) {
        const QByteArray before = ReadCrontab();
        const QByteArray after = ReplaceCronBlock(before, name, lines);
        if (after == before)
            return;
        // Edited by hand while we worked: start again from the new text.
        if (ReadCrontab() != before)
            continue;
        WriteCrontab(after);
        return;
    }
    throw CronFailure(Tr("The crontab keeps changing; please try again."));
}

void TTaskCronStore::WriteSystemFile(const QString& name, const QString& account,
                                     const QStringList& lines)
{
    const QString path = FSystemFolder + CronFileName(name);
    if (lines.isEmpty()) {
        QFile::remove(path);
        return;
    }
    if (!QDir().mkpath(FSystemFolder))
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("The task folder \"%s\" cannot be created."), {FSystemFolder}));
    QString text = BlockLine("BEGIN", name) +
                   QStringLiteral("\nSHELL=/bin/sh\nPATH=/usr/local/bin:/usr/bin:/bin\n");
    for (const QString& line : lines)
        text += line.section(u' ', 0, 4) + u' ' + account + u' ' + line.section(u' ', 5) + u'\n';
    WriteTaskFile(path, text.toUtf8());
}

void TTaskCronStore::Install(const QString& name, const TTaskDefinitionData& definition)
{
    const QString account = definition.principal.userId;
    const bool other = !account.isEmpty() &&
                       account != QString::fromStdString(CurrentAccountName()) && account != FOwner;
    // Runs from our own crontab record themselves beside the definition; another account may
    // not write there.
    const bool records = !other && FOwner.isEmpty();
    const QStringList lines = CronLines(definition, records ? RunFileOf(name) : QString());
    UpdateCrontab(name, other ? QStringList() : lines);
    if (other || QFile::exists(FSystemFolder + CronFileName(name)))
        WriteSystemFile(name, account, other ? lines : QStringList());
}

QString TTaskCronStore::RunFileOf(const QString& name) const
{
    return Folder() + CronFileName(name) + QStringLiteral(".run");
}

void TTaskCronStore::Register(const QString& name, const TTaskDefinitionData& definition,
                              const QString& user, const QString& password)
{
    CheckTaskName(name);
    CronLines(definition); // refuses before the account is checked
    const TTaskAccount account = CheckTaskAccount(user, password);
    if (account.other && !MayScheduleForOthers() && account.name != FOwner)
        throw OtherAccountRefused(account, Tr("only the administrator (root) can schedule "
                                              "tasks for another account."));
    Connect();
    TTaskDefinitionData stored = definition;
    // The account that was checked, never one named only in the definition.
    stored.principal.userId = account.name;
    const QString existing = StoredName(name);
    Install(existing.isEmpty() ? name : existing, stored);
    WriteDefinition(existing.isEmpty() ? name : existing, stored);
}

void TTaskCronStore::Delete(const QString& name)
{
    const QString stored = RequireName(name);
    UpdateCrontab(stored, {});
    QFile::remove(FSystemFolder + CronFileName(stored));
    QFile::remove(RunFileOf(stored));
    TTaskFileStore::Delete(stored);
}

void TTaskCronStore::SetEnabled(const QString& name, bool enabled)
{
    const QString stored = RequireName(name);
    TTaskDefinitionData definition = Definition(stored);
    definition.settings.enabled = enabled;
    Install(stored, definition);
    WriteDefinition(stored, definition);
}

TTaskRunInfo TTaskCronStore::Info(const QString& name)
{
    TTaskRunInfo info = TTaskFileStore::Info(name);
    const TTaskDefinitionData definition = Definition(name);
    // A run that cron started counts when it is later than the last run on demand.
    QFile run(RunFileOf(RequireName(name)));
    if (info.state != TaskState::kRunning && run.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> words = run.readAll().simplified().split(' ');
        const QDateTime started =
            QDateTime::fromSecsSinceEpoch(words.value(0).toLongLong()).toLocalTime();
        bool number = false;
        const int code = words.value(1).toInt(&number);
        if (words.size() == 2 && number && started.toSecsSinceEpoch() > 0 &&
            (!info.lastRunTime.isValid() || started > info.lastRunTime)) {
            info.lastRunTime = started;
            info.lastResult = code;
        }
    }
    if (definition.settings.enabled)
        info.nextRunTime = NextTaskRun(definition, Now());
    return info;
}
