#include "KvBackupRun.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "KvBackupLog.h"
#include "KvBackupState.h"
#include "KvTaskFile.h"
#include "KvTreeCopy.h"
#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/backup/PlaceHolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"

namespace {

QString SysError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

timespec Now()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

// The canonical form of a path that may not exist yet: its deepest existing folder resolved.
QString CanonicalPath(const QString& path)
{
    QString head = QDir::cleanPath(path);
    QString tail;
    while (!QFileInfo::exists(head) && head != QLatin1String("/") && !head.isEmpty()) {
        tail = QFileInfo(head).fileName() + (tail.isEmpty() ? QString() : u'/' + tail);
        head = QFileInfo(head).path();
    }
    const QString canonical = QFileInfo(head).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? head : canonical) + u'/' + tail);
}

bool IsInside(const QString& path, const QString& folder)
{
    return path == folder || folder == QLatin1String("/") || path.startsWith(folder + u'/');
}

std::vector<std::string> ToUtf8(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& s : list)
        result.push_back(QFile::encodeName(s).toStdString());
    return result;
}

// A folder below an open folder, created when missing, never through a symbolic link.
int OpenSubFolder(int parentFd, const QString& name)
{
    const QByteArray n = QFile::encodeName(name);
    if (::mkdirat(parentFd, n.constData(), 0755) != 0 && errno != EEXIST)
        return -1;
    return ::openat(parentFd, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return FFd; }

private:
    int FFd;
};

// One run of one task.
class TBackupRun {
public:
    TBackupRun(const TKelvaraArgs& args, const TRunContext& context, TBackupLog& log)
        : FArgs(args), FContext(context), FLog(log)
    {}
    int Run(const QString& taskFile, const QDateTime& now);
    int64_t Files() const { return FFiles; }

private:
    int CheckArgs();
    int CheckSources(const TBackupTask& task, const QString& backupPath);
    int Backup(const TBackupTask& task, const QString& destination);
    void CopySources(const TBackupTask& task, int backupFd, const QString& backupPath,
                     std::optional<timespec> since, std::vector<std::pair<dev_t, ino_t>> skip);
    std::optional<timespec> Since(const TBackupTimes& times, int marginSeconds);

    const TKelvaraArgs& FArgs;
    const TRunContext& FContext;
    TBackupLog& FLog;
    TBackupMode FMode = TBackupMode::Full;
    int64_t FFiles = 0;
    int64_t FErrors = 0;
    bool FMissingSource = false;
    bool FAborted = false;
};

int TBackupRun::CheckArgs()
{
    if (FArgs.badMode) {
        FLog.Error(Tr("Unknown backup mode"));
        return kExitInvalidTask;
    }
    if (!FArgs.backupDir.isEmpty() && !IsPlainFolderName(FArgs.backupDir)) {
        FLog.Error(Fmt(Tr("Invalid backup folder name \"%s\""), {FArgs.backupDir}));
        return kExitInvalidTask;
    }
    FMode = FArgs.mode.value_or(TBackupMode::Full);
    return kExitOk;
}

// A source inside the backup folder would be copied onto itself.
int TBackupRun::CheckSources(const TBackupTask& task, const QString& backupPath)
{
    const QString backup = CanonicalPath(backupPath);
    for (const TSourceFolder& s : task.sources) {
        if (!s.path.isEmpty() && IsInside(CanonicalPath(s.path), backup)) {
            FLog.Error(Fmt(Tr("The source folder \"%s\" lies inside the backup folder \"%s\""),
                           {s.path, backupPath}));
            return kExitInvalidTask;
        }
    }
    return kExitOk;
}

std::optional<timespec> TBackupRun::Since(const TBackupTimes& times, int marginSeconds)
{
    std::optional<timespec> since;
    if (FMode == TBackupMode::Differential)
        since = times.lastFull;
    else if (FMode == TBackupMode::Incremental)
        since = times.lastBackup;
    if (FMode != TBackupMode::Full && !since)
        FLog.Add(QStringLiteral("  ") + Tr("No earlier backup found: all files are copied"));
    if (since) // the clocks of other file systems may lag behind ours
        since->tv_sec -= marginSeconds;
    return since;
}

void TBackupRun::CopySources(const TBackupTask& task, int backupFd, const QString& backupPath,
                             std::optional<timespec> since,
                             std::vector<std::pair<dev_t, ino_t>> skip)
{
    for (const TSourceFolder& s : task.sources) {
        if (FAborted)
            return;
        if (s.path.isEmpty() || !QFileInfo(s.path).isDir()) {
            FLog.Error(Fmt(Tr("Source folder not found: %s"),
                           {s.path.isEmpty() ? s.volume + u':' + s.folder : s.path}));
            FMissingSource = true;
            continue;
        }
        TCopyJob job;
        job.source = QFile::encodeName(s.path).toStdString();
        job.destParentFd = backupFd;
        job.destName = QFile::encodeName(s.target).toStdString();
        job.destPath = QFile::encodeName(backupPath + u'/' + s.target).toStdString();
        job.since = since;
        job.wholeTree = !since;
        job.include = ToUtf8(s.include);
        job.exclude = ToUtf8(s.exclude);
        job.skipFolders = skip;
        job.onError = [this](const QString& m) { FLog.Error(m); };
        const TCopyStats stats = CopyTree(job);
        FFiles += stats.files;
        FErrors += stats.errors;
        FAborted = stats.aborted;
        FLog.Add(Fmt(Tr("  %s files copied from %s"), {QString::number(stats.files), s.path}));
    }
}

int TBackupRun::Backup(const TBackupTask& task, const QString& destination)
{
    const QString backupPath =
        FArgs.backupDir.isEmpty() ? destination : destination + u'/' + FArgs.backupDir;
    if (const int code = CheckSources(task, backupPath); code != kExitOk)
        return code;
    // Only the destination's last folder is created: a missing parent usually means a volume
    // that is not mounted, and the backup must not fill the disk below it.
    if (!QFileInfo(destination).isDir() &&
        (!QFileInfo(QFileInfo(destination).path()).isDir() || !QDir().mkdir(destination))) {
        FLog.Error(Fmt(Tr("Destination path not found: %s"), {destination}));
        return kExitDestinationNotFound;
    }
    const TFd destFd(
        ::open(QFile::encodeName(destination).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const TFd backupFd(FArgs.backupDir.isEmpty() ? ::dup(destFd.get())
                                                 : OpenSubFolder(destFd.get(), FArgs.backupDir));
    if (destFd.get() < 0 || backupFd.get() < 0) {
        FLog.Error(Fmt(Tr("Cannot open the backup folder \"%s\": %s"), {backupPath, SysError()}));
        return kExitDestinationNotFound;
    }
    const timespec start = Now();
    const TBackupStart state = BeginBackup(destination, task.file, FArgs.backupDir);
    if (!state.error.isEmpty()) {
        FLog.Error(state.error);
        ++FErrors;
    }
    FLog.Add(Fmt(Tr("  Mode: %s - Backup folder: %s"), {ModeWord(FMode), backupPath}));
    const std::optional<timespec> since = Since(state.times, task.timeMarginSeconds);
    // A backup folder of an earlier rotation is emptied first; a folder that some other
    // program made is left as it is.
    if (state.folderKnown &&
        !RemoveFolderContents(backupFd.get(), QFile::encodeName(backupPath).toStdString(),
                              [this](const QString& m) { FLog.Error(m); }))
        ++FErrors;
    struct stat d {
    }, b{};
    ::fstat(destFd.get(), &d);
    ::fstat(backupFd.get(), &b);
    CopySources(task, backupFd.get(), backupPath, since,
                {{d.st_dev, d.st_ino}, {b.st_dev, b.st_ino}});
    if (FAborted) {
        FLog.Error(Tr("Backup aborted"));
        return kExitAborted;
    }
    if (FMissingSource)
        return kExitSourceNotFound;
    if (FErrors > 0)
        return kExitBackupErrors;
    if (const QString error = FinishBackup(destination, task.file, FMode, start);
        !error.isEmpty()) {
        FLog.Error(error);
        return kExitBackupErrors;
    }
    return kExitOk;
}

int TBackupRun::Run(const QString& taskFile, const QDateTime& now)
{
    if (const int code = CheckArgs(); code != kExitOk)
        return code;
    const TTaskReadResult read = ReadBackupTask(taskFile, *FContext.volumes);
    if (!read.task) {
        FLog.Error(read.message);
        return read.exitCode;
    }
    const std::optional<QString> destination =
        ExpandTaskDestination(*read.task, *FContext.volumes, now);
    if (!destination) {
        FLog.Error(Fmt(Tr("Destination path not found: %s"), {read.task->destination}));
        return kExitDestinationNotFound;
    }
    if (QDir::isRelativePath(*destination)) {
        FLog.Error(Fmt(Tr("The destination \"%s\" is not an absolute path"), {*destination}));
        return kExitInvalidTask;
    }
    return Backup(*read.task, QDir::cleanPath(*destination));
}

QString FinalLine(int code, int64_t files)
{
    const QString result = code == kExitOk ? Tr("Backup completed") : KelvaraExitText(code);
    return Fmt(Tr("  Finished: %s files copied - exit code %s: %s"),
               {QString::number(files), QString::number(code), result});
}

int EditTask(const QString& taskFile)
{
    if (!QFileInfo(taskFile).isFile()) {
        std::fputs(qPrintable(Fmt(Tr("Task file not found: %s"), {taskFile}) + u'\n'), stderr);
        return kExitTaskNotFound;
    }
    QStringList command;
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        if (command.isEmpty())
            command = SplitCommandLine(qEnvironmentVariable(variable));
    }
    if (command.isEmpty())
        command << QStringLiteral("xdg-open");
    const QString program = command.takeFirst();
    if (QProcess::execute(program, command << taskFile) < 0) {
        std::fputs(qPrintable(Fmt(Tr("Cannot start the editor \"%s\""), {program}) + u'\n'),
                   stderr);
        return kExitEditorFailed;
    }
    return kExitOk;
}

// Waits the given seconds; false when an abort came first.
bool Delay(int seconds)
{
    for (int64_t i = 0; i < int64_t(seconds) * 10; ++i) {
        if (gKvAbortRequested)
            return false;
        QThread::msleep(100);
    }
    return !gKvAbortRequested;
}

} // namespace

QString BackupLogFile(const QString& taskFile, const TRunContext& context, const QDateTime& now)
{
    const QString logName = GetBackupLogName(
        taskFile, {context.programPath, context.logFolder, context.defaultLogFolder}, now,
        *context.volumes);
    if (!logName.isEmpty())
        return logName;
    // No task file to read the name from: the default name in the log folder.
    const QString folder = !context.logFolder.isEmpty() && QFileInfo(context.logFolder).isDir()
                               ? context.logFolder
                               : context.defaultLogFolder;
    return IncludeTrailingPathDelimiter(folder) +
           QFileInfo(context.programPath).completeBaseName() + QStringLiteral(".log");
}

int RunBackupTask(const QString& taskFile, const TKelvaraArgs& args, const TRunContext& context)
{
    const QDateTime now = QDateTime::currentDateTime();
    TBackupLog log(context.echo);
    log.Add(QStringLiteral("Kelvara - ") + TaskName(taskFile) + QStringLiteral(" - ") +
            now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    TBackupRun run(args, context, log);
    const int code = run.Run(taskFile, now);
    log.Add(FinalLine(code, run.Files()));
    if (const QString error = log.AppendTo(BackupLogFile(taskFile, context, now)); !error.isEmpty())
        std::fputs(qPrintable(error + u'\n'), stderr);
    return code;
}

int RunKelvara(const TKelvaraArgs& args, const TRunContext& context)
{
    if (args.taskFiles.isEmpty()) {
        std::fputs(qPrintable(Tr("No backup task given") + u'\n'), stderr);
        return kExitTaskNotFound;
    }
    if (!Delay(args.delaySeconds))
        return kExitAborted;
    int result = kExitOk;
    for (const QString& taskFile : args.taskFiles) {
        const int code = args.edit ? EditTask(taskFile) : RunBackupTask(taskFile, args, context);
        if (result == kExitOk)
            result = code;
        if (code == kExitAborted || gKvAbortRequested)
            return kExitAborted;
    }
    return result;
}

QString DefaultLogFolder(const QString& iniPath)
{
    if (iniPath.isEmpty())
        return SettingsFolder();
    const QString path = ExpandPathPlaceholders(iniPath);
    const QFileInfo info(path);
    const bool isFile =
        info.isFile() || info.suffix().compare(QLatin1String("ini"), Qt::CaseInsensitive) == 0;
    return IncludeTrailingPathDelimiter(isFile ? info.absolutePath() : info.absoluteFilePath());
}
