#include "common/tasks/TaskFileStore.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUrl>

#include "common/backup/Options.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/tasks/TaskAccount.h"
#include "common/tasks/TaskProcess.h"
#include "common/tasks/WinTask.h"

namespace {

const QString kDefinitionExt = QStringLiteral(".xml");

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EOleSysError(TaskResult::kFileNotFound,
                           Tr("The system cannot find the file specified."));
    return QString::fromUtf8(file.readAll());
}

EOleSysError NotFound(const QString& name)
{
    return EOleSysError(TaskResult::kFileNotFound,
                        Fmt(Tr("The task \"%s\" does not exist."), {name}));
}

} // namespace

void WriteTaskFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("Error writing to \"%s\""), {path}) + u' ' + file.errorString());
}

void CheckRunnableDefinition(const TTaskDefinitionData& definition)
{
    if (definition.actions.empty())
        throw EOleSysError(TaskResult::kInvalidValue, Tr("The task has no action."));
    for (const auto& action : definition.actions)
        if (action->type == ActionKind::kExec && UnquotedExecPath(action->path).trimmed().isEmpty())
            throw EOleSysError(TaskResult::kInvalidValue, Tr("The task has no program to start."));
}

TTaskFileStore::TTaskFileStore(QString folder, TClock clock)
    : FFolder(IncludeTrailingPathDelimiter(folder)), FClock(std::move(clock))
{}

QString TTaskFileStore::DefaultFolder()
{
    return GetKnownFolder(TKnownFolder::LocalAppData) + QStringLiteral("Kelvara6/tasks/");
}

QString TTaskFileStore::Description() const
{
    return Tr("task files (not scheduled)");
}

QDateTime TTaskFileStore::Now() const
{
    return FClock ? FClock() : QDateTime::currentDateTime();
}

void TTaskFileStore::Connect()
{
    if (FFolder.isEmpty() || !QDir().mkpath(FFolder))
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("The task folder \"%s\" cannot be created."), {FFolder}));
}

QString TTaskFileStore::FileOf(const QString& name, const char* extension) const
{
    // Names may hold any character; the file name keeps them apart and reversible.
    const QByteArray encoded = QUrl::toPercentEncoding(name, " -_");
    return FFolder + QString::fromLatin1(encoded) + QLatin1String(extension);
}

QStringList TTaskFileStore::TaskNames()
{
    QStringList names;
    const QStringList files =
        QDir(FFolder).entryList({u'*' + kDefinitionExt}, QDir::Files | QDir::Readable);
    for (const QString& file : files)
        names << QUrl::fromPercentEncoding(file.chopped(kDefinitionExt.size()).toLatin1());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString TTaskFileStore::StoredName(const QString& name)
{
    for (const QString& stored : TaskNames())
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    return QString();
}

QString TTaskFileStore::RequireName(const QString& name)
{
    const QString stored = StoredName(name);
    if (stored.isEmpty())
        throw NotFound(name);
    return stored;
}

TTaskDefinitionData TTaskFileStore::Definition(const QString& name)
{
    return DefinitionFromXml(ReadText(FileOf(RequireName(name), ".xml")));
}

void TTaskFileStore::WriteDefinition(const QString& name, const TTaskDefinitionData& definition)
{
    TTaskDefinitionData stored = definition;
    stored.registration.uri = TaskPathOf(name);
    WriteTaskFile(FileOf(name, ".xml"), DefinitionToXml(stored).toUtf8());
}

void CheckTaskName(const QString& name)
{
    if (name.trimmed().isEmpty() || std::any_of(name.begin(), name.end(), [](QChar c) {
            return c.category() == QChar::Other_Control;
        }))
        throw EOleSysError(TaskResult::kInvalidArg, Tr("The parameter is incorrect."));
}

void TTaskFileStore::Register(const QString& name, const TTaskDefinitionData& definition,
                              const QString& user, const QString& password)
{
    CheckTaskName(name);
    CheckRunnableDefinition(definition);
    const TTaskAccount account = CheckTaskAccount(user, password);
    if (account.other)
        throw OtherAccountRefused(account, Tr("tasks that are not scheduled run only on demand, "
                                              "as the user who starts them."));
    Connect();
    const QString stored = StoredName(name);
    WriteDefinition(stored.isEmpty() ? name : stored, definition);
}

void TTaskFileStore::Delete(const QString& name)
{
    const QString stored = RequireName(name);
    for (const char* extension : {".state", ".result"})
        QFile::remove(FileOf(stored, extension));
    if (!QFile::remove(FileOf(stored, ".xml")))
        throw EOleSysError(TaskResult::kAccessDenied,
                           Fmt(Tr("The task \"%s\" cannot be deleted."), {stored}));
}

void TTaskFileStore::SetEnabled(const QString& name, bool enabled)
{
    const QString stored = RequireName(name);
    TTaskDefinitionData definition = Definition(stored);
    definition.settings.enabled = enabled;
    WriteDefinition(stored, definition);
}

TTaskFileStore::TRunState TTaskFileStore::ReadState(const QString& name) const
{
    TRunState state;
    QFile file(FileOf(name, ".state"));
    if (!file.open(QIODevice::ReadOnly))
        return state;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QString key = line.section(u'=', 0, 0), value = line.section(u'=', 1);
        if (key == u"LastRunTime")
            state.lastRun = QDateTime::fromString(value, Qt::ISODate);
        else if (key == u"LastResult")
            state.lastResult = HRESULT(value.toLongLong());
        else if (key == u"Pid")
            state.pid = value.toLongLong();
        else if (key == u"Token")
            state.token = value;
        else if (key == u"BootId")
            state.bootId = value;
    }
    return state;
}

void TTaskFileStore::WriteState(const QString& name, const TRunState& state) const
{
    const QString text = QStringLiteral("LastRunTime=") + state.lastRun.toString(Qt::ISODate) +
                         QStringLiteral("\nLastResult=") + QString::number(state.lastResult) +
                         QStringLiteral("\nPid=") + QString::number(state.pid) +
                         QStringLiteral("\nToken=") + state.token + QStringLiteral("\nBootId=") +
                         state.bootId + u'\n';
    WriteTaskFile(FileOf(name, ".state"), text.toUtf8());
}

bool TTaskFileStore::UpdateRun(const QString& name, TRunState& state) const
{
    if (state.pid == 0)
        return false;
    const TTaskProcessEnd end = ReadProcessEnd(FileOf(name, ".result"), state.token);
    const bool alive = !end.finished && state.bootId == BootId() && ProcessGroupAlive(state.pid);
    if (alive)
        return true;
    if (end.finished)
        state.lastResult = end.signaled ? TaskResult::kTerminated : end.code;
    else
        state.lastResult = TaskResult::kTerminated; // ended without a word, e.g. by a restart
    state.pid = 0;
    state.token.clear();
    WriteState(name, state);
    QFile::remove(FileOf(name, ".result"));
    return false;
}

void TTaskFileStore::Run(const QString& name)
{
    const QString stored = RequireName(name);
    TTaskDefinitionData definition = Definition(stored);
    if (!definition.settings.enabled)
        throw EOleSysError(TaskResult::kTaskDisabled, Tr("The task is disabled."));
    if (!definition.settings.allowDemandStart)
        throw EOleSysError(TaskResult::kAccessDenied,
                           Tr("The task does not allow starting on demand."));
    TRunState state = ReadState(stored);
    if (UpdateRun(stored, state)) {
        if (definition.settings.multipleInstances == 3)
            Stop(stored);
        else if (definition.settings.multipleInstances != 0)
            throw EOleSysError(TaskResult::kAlreadyRunning,
                               Tr("An instance of this task is already running."));
    }
    TWinTask task(std::move(definition));
    if (task.IndexOfNextExecAction(0) < 0)
        throw EOleSysError(TaskResult::kInvalidValue, Tr("The task has no program to start."));
    const TWinTaskAction& action = task.Actions(task.SelectedAction());
    const QString token = QString::number(QDateTime::currentMSecsSinceEpoch()) + u'-' +
                          QString::number(QRandomGenerator::global()->generate());
    state.pid = StartWatchedProcess(action.ExecPath(), SplitCommandLine(action.ExecArguments()),
                                    UnquotedExecPath(action.ExecWorkingDirectory()),
                                    FileOf(stored, ".result"), token);
    state.token = token;
    state.bootId = BootId();
    state.lastRun = Now();
    state.lastResult = TaskResult::kRunning;
    WriteState(stored, state);
}

void TTaskFileStore::Stop(const QString& name)
{
    const QString stored = RequireName(name);
    TRunState state = ReadState(stored);
    if (UpdateRun(stored, state))
        TerminateProcessGroup(state.pid);
}

TTaskRunInfo TTaskFileStore::Info(const QString& name)
{
    const QString stored = RequireName(name);
    const TTaskDefinitionData definition = Definition(stored);
    TRunState state = ReadState(stored);
    const bool running = UpdateRun(stored, state);
    TTaskRunInfo info;
    info.lastRunTime = state.lastRun;
    info.lastResult = state.lastResult;
    if (running)
        info.state = TaskState::kRunning;
    else
        info.state = definition.settings.enabled ? TaskState::kReady : TaskState::kDisabled;
    return info; // nothing starts these tasks at a time: no next run time
}

std::vector<int> TTaskFileStore::States(const QStringList& names)
{
    // One listing of the folder for all tasks instead of one per task.
    QHash<QString, QString> stored;
    for (const QString& name : TaskNames())
        stored.insert(name.toLower(), name);
    std::vector<int> states;
    states.reserve(size_t(names.size()));
    for (const QString& name : names) {
        const QString file = stored.value(name.toLower());
        int state = TaskState::kUnknown;
        try {
            if (!file.isEmpty()) {
                const bool enabled =
                    DefinitionFromXml(ReadText(FileOf(file, ".xml"))).settings.enabled;
                TRunState run = ReadState(file);
                state = UpdateRun(file, run) ? TaskState::kRunning
                        : enabled            ? TaskState::kReady
                                             : TaskState::kDisabled;
            }
        } catch (const EOleSysError&) {
            state = TaskState::kUnknown;
        }
        states.push_back(state);
    }
    return states;
}
