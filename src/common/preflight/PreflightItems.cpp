#include "common/preflight/PreflightItems.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include "common/backup/Volumes.h"
#include "common/infra/Translate.h"
#include "common/platform/AccountAccess.h"
#include "common/platform/CommandLine.h"
#include "common/platform/LogonCheck.h"
#include "common/preflight/CheckReport.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskSchedApi.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/TaskTimes.h"

namespace {

QString SizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes);
}

// What a full backup copies at most: the files below the source folders.
qint64 SourceBytes(const TBackupTask& task)
{
    qint64 total = 0;
    for (const TSourceFolder& source : task.sources) {
        QDirIterator it(source.path, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            total += it.nextFileInfo().size();
    }
    return total;
}

QString AccountText(const QString& account)
{
    return account.isEmpty() ? QString::fromStdString(CurrentAccountName()) : account;
}

void CheckFreeSpace(const TBackupTask& task, const QString& folder, TCheckReport& report)
{
    const qint64 free = QStorageInfo(folder).bytesAvailable();
    const qint64 needed = SourceBytes(task);
    if (free < 0)
        report.Warn(Fmt(Tr("Free space of \"%s\" is not known"), {folder}));
    else if (free < needed)
        report.Fail(Fmt(Tr("Only %s free in \"%s\", a full backup needs up to %s"),
                        {SizeText(free), folder, SizeText(needed)}),
                    Tr("make room or choose another destination"));
    else
        report.Ok(Fmt(Tr("%s free in \"%s\" (a full backup needs up to %s)"),
                      {SizeText(free), folder, SizeText(needed)}));
}

// The folder the backup writes into: the destination, or its parent when the backup makes it.
std::optional<QString> ExistingDestinationFolder(const QString& destination)
{
    if (QFileInfo(destination).isDir())
        return destination;
    const QString parent = QFileInfo(destination).path();
    if (QFileInfo(parent).isDir())
        return parent;
    return std::nullopt;
}

bool ActionRuns(const TTaskActionData& action, const TTaskLookup& lookup)
{
    if (action.type != ActionKind::kExec || QFileInfo(action.path).fileName() != lookup.programFile)
        return false;
    QStringList words;
    for (const std::string& word : SplitCommandLine(action.arguments.toStdString()))
        words << QString::fromStdString(word);
    return lookup.runsIt(words);
}

// Name of the first task whose action runs the group or schedule; empty when none does.
QString FindTask(ITaskBackend& backend, const TTaskLookup& lookup)
{
    for (const QString& name : backend.TaskNames()) {
        const TTaskDefinitionData definition = backend.Definition(name);
        for (const auto& action : definition.actions)
            if (action && ActionRuns(*action, lookup))
                return name;
    }
    return QString();
}

void CheckTaskRun(ITaskBackend& backend, const QString& name, TCheckReport& report)
{
    const TTaskRunInfo info = backend.Info(name);
    if (info.state == TaskState::kDisabled) {
        report.Fail(Fmt(Tr("Scheduled task \"%s\" is disabled"), {name}), Tr("enable the task"));
        return;
    }
    if (!backend.FiresTasks()) {
        report.Warn(Fmt(Tr("Scheduled task \"%s\" exists, but nothing starts it at its time (%s)"),
                        {name, backend.Description()}),
                    Tr("start it by hand, or use cron or systemd"));
        return;
    }
    if (!info.nextRunTime.isValid()) {
        report.Warn(Fmt(Tr("Scheduled task \"%s\" has no next run time"), {name}),
                    Tr("check the task's triggers"));
        return;
    }
    report.Ok(Fmt(Tr("Scheduled task \"%s\" runs next at %s"),
                  {name, TaskTimeToDisplay(info.nextRunTime)}));
}

// Connecting the file store makes its folder: without the folder it holds no tasks.
bool HoldsNoTasks(ITaskBackend& backend)
{
    const auto* store = dynamic_cast<TTaskFileStore*>(&backend);
    return store && !QFileInfo(store->Folder()).isDir();
}

void CheckLinger(ITaskBackend& backend, TCheckReport& report)
{
    if (!dynamic_cast<TTaskSystemdStore*>(&backend))
        return;
    const QString user = QString::fromStdString(CurrentAccountName());
    if (LingerEnabled(user))
        report.Ok(Tr("The user manager runs the task while you are logged out"));
    else
        report.Warn(Tr("The task runs only while you are logged in"),
                    Fmt(Tr("run \"loginctl enable-linger %s\""), {user}));
}

} // namespace

void CheckBackupProgram(const QString& kvPath, TCheckReport& report)
{
    const QFileInfo info(kvPath);
    if (kvPath.isEmpty())
        report.Fail(Tr("The backup program was not found"),
                    Tr("install it or set its path in the registry value \"Program\""));
    else if (!info.isFile() || !info.isExecutable())
        report.Fail(Fmt(Tr("The backup program \"%s\" cannot be executed"), {kvPath}),
                    Tr("check the file and its permissions"));
    else
        report.Ok(Fmt(Tr("Backup program: %s"), {kvPath}));
}

std::optional<TBackupTask> CheckTaskFile(const QString& file, TCheckReport& report)
{
    TTaskReadResult read = ReadBackupTask(file, TVolumeTable());
    if (!read.task) {
        report.Fail(Fmt(Tr("Task file \"%s\": %s"), {file, read.message}),
                    Tr("check the task file"));
        return std::nullopt;
    }
    report.Ok(Fmt(Tr("Task file \"%s\" reads as a task"), {file}));
    return std::move(read.task);
}

void CheckDestination(const TBackupTask& task, const QString& account, TCheckReport& report)
{
    const std::optional<QString> destination =
        ExpandTaskDestination(task, TVolumeTable(), QDateTime::currentDateTime());
    const std::optional<QString> folder =
        destination ? ExistingDestinationFolder(*destination) : std::nullopt;
    if (!folder) {
        report.Fail(
            Fmt(Tr("Destination \"%s\" not found"), {destination.value_or(task.destination)}),
            Tr("connect the drive or create the folder"));
        return;
    }
    if (!FolderWritableBy(*folder, account)) {
        report.Fail(
            Fmt(Tr("Account \"%s\" cannot write to \"%s\""), {AccountText(account), *folder}),
            Tr("give the account write permission"));
        return;
    }
    report.Ok(Fmt(Tr("Destination \"%s\" is writable"), {*destination}));
    CheckFreeSpace(task, *folder, report);
}

void CheckLogFolder(const QString& folder, const QString& account, TCheckReport& report)
{
    if (!QFileInfo(folder).isDir())
        report.Fail(Fmt(Tr("Log folder \"%s\" not found"), {folder}), Tr("create the folder"));
    else if (!FolderWritableBy(folder, account))
        report.Fail(Fmt(Tr("Account \"%s\" cannot write to the log folder \"%s\""),
                        {AccountText(account), folder}),
                    Tr("give the account write permission"));
    else
        report.Ok(Fmt(Tr("Log folder \"%s\" is writable"), {folder}));
}

void CheckScheduledTask(ITaskBackend& backend, const TTaskLookup& lookup, TCheckReport& report)
{
    QString name;
    try {
        if (!HoldsNoTasks(backend)) {
            backend.Connect();
            name = FindTask(backend, lookup);
        }
        if (name.isEmpty()) {
            // Started by hand or by a desktop shortcut, it may need none.
            report.Warn(
                Fmt(Tr("No scheduled task runs \"%s\" (%s)"), {lookup.what, backend.Description()}),
                Tr("create a scheduled task for it"));
            return;
        }
        CheckTaskRun(backend, name, report);
    } catch (const EOleSysError& e) {
        report.Fail(Fmt(Tr("Scheduled tasks cannot be read: %s"), {e.Message()}));
        return;
    }
    CheckLinger(backend, report);
}
