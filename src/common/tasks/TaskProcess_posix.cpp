#include "common/tasks/TaskProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/infra/Translate.h"
#include "common/tasks/TaskSchedApi.h"

namespace {

// Everything the child processes need, prepared before fork (after it only system calls).
struct TSpawnPlan {
    QByteArray program, workDir, resultFile, tempFile, token;
    std::vector<QByteArray> args;
    std::vector<char*> argv;
};

void WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= size_t(n);
    }
}

// Decimal text of a number without the C library's formatting (safe after fork).
size_t FormatNumber(char* out, long value)
{
    char digits[24];
    size_t n = 0;
    const bool negative = value < 0;
    unsigned long v =
        negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    size_t len = 0;
    if (negative)
        out[len++] = '-';
    while (n > 0)
        out[len++] = digits[--n];
    return len;
}

[[noreturn]] void RunProgram(const TSpawnPlan& plan, int errFd)
{
    setpgid(0, 0);
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    signal(SIGPIPE, SIG_DFL);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) {
        dup2(null, 0);
        close(null);
    }
    if (!plan.workDir.isEmpty() && chdir(plan.workDir.constData()) != 0) {
        const int e = errno;
        WriteAll(errFd, reinterpret_cast<const char*>(&e), sizeof e);
        _exit(127);
    }
    execv(plan.program.constData(), plan.argv.data());
    const int e = errno;
    WriteAll(errFd, reinterpret_cast<const char*>(&e), sizeof e);
    _exit(127);
}

[[noreturn]] void Watch(const TSpawnPlan& plan, int pidFd, int errFd)
{
    setsid();
    const pid_t child = fork();
    if (child == 0)
        RunProgram(plan, errFd);
    close(errFd);
    WriteAll(pidFd, reinterpret_cast<const char*>(&child), sizeof child);
    close(pidFd);
    if (child < 0)
        _exit(1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char line[160];
    size_t len = 0;
    const size_t tokenLen = qMin<size_t>(size_t(plan.token.size()), 100);
    memcpy(line, plan.token.constData(), tokenLen);
    len += tokenLen;
    line[len++] = ' ';
    line[len++] = WIFSIGNALED(status) ? 's' : 'x';
    len += FormatNumber(line + len, WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    line[len++] = '\n';
    const int fd = open(plan.tempFile.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        WriteAll(fd, line, len);
        close(fd);
        rename(plan.tempFile.constData(), plan.resultFile.constData());
    }
    _exit(0);
}

TSpawnPlan MakePlan(const QString& program, const QStringList& arguments, const QString& workDir,
                    const QString& resultFile, const QString& token)
{
    QString path = program;
    if (!program.contains(u'/'))
        path = QStandardPaths::findExecutable(program);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw EOleSysError(TaskResult::kFileNotFound,
                           Fmt(Tr("The program \"%s\" was not found."), {program}));
    TSpawnPlan plan;
    plan.program = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    plan.workDir = QFile::encodeName(workDir);
    plan.resultFile = QFile::encodeName(resultFile);
    plan.tempFile = plan.resultFile + ".tmp";
    plan.token = token.toUtf8();
    plan.args.push_back(QFile::encodeName(path));
    for (const QString& a : arguments)
        plan.args.push_back(a.toUtf8());
    for (QByteArray& a : plan.args)
        plan.argv.push_back(a.data());
    plan.argv.push_back(nullptr);
    return plan;
}

int ReadInt(int fd, void* out, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, static_cast<char*>(out) + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    return int(got);
}

EOleSysError StartError(int error, const QString& program)
{
    const HRESULT code = HRESULT(0x80070000u | (unsigned(error) & 0xFFFF));
    return EOleSysError(code, Fmt(Tr("The program \"%s\" could not be started: %s"),
                                  {program, QString::fromLocal8Bit(strerror(error))}));
}

} // namespace

qint64 StartWatchedProcess(const QString& program, const QStringList& arguments,
                           const QString& workDir, const QString& resultFile, const QString& token)
{
    const TSpawnPlan plan = MakePlan(program, arguments, workDir, resultFile, token);
    int pidPipe[2], errPipe[2];
    if (pipe2(pidPipe, O_CLOEXEC) != 0)
        throw StartError(errno, program);
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        const int e = errno;
        close(pidPipe[0]);
        close(pidPipe[1]);
        throw StartError(e, program);
    }
    // The intermediate process ends at once, so the watcher belongs to no one of ours.
    const pid_t first = fork();
    if (first == 0) {
        close(pidPipe[0]);
        close(errPipe[0]);
        if (fork() == 0)
            Watch(plan, pidPipe[1], errPipe[1]);
        _exit(0);
    }
    const int forkError = errno;
    close(pidPipe[1]);
    close(errPipe[1]);
    pid_t child = -1;
    int execError = 0;
    if (first > 0) {
        while (waitpid(first, nullptr, 0) < 0 && errno == EINTR) {
        }
        if (ReadInt(pidPipe[0], &child, sizeof child) != sizeof child)
            child = -1;
        if (ReadInt(errPipe[0], &execError, sizeof execError) != sizeof execError)
            execError = 0;
    }
    close(pidPipe[0]);
    close(errPipe[0]);
    if (first < 0)
        throw StartError(forkError, program);
    if (child <= 0)
        throw StartError(EAGAIN, program);
    if (execError != 0)
        throw StartError(execError, program);
    return child;
}

TTaskProcessEnd ReadProcessEnd(const QString& resultFile, const QString& token)
{
    QFile file(resultFile);
    if (token.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> parts = file.readLine(256).trimmed().split(' ');
    if (parts.size() != 2 || QString::fromUtf8(parts[0]) != token || parts[1].size() < 2)
        return {};
    TTaskProcessEnd end;
    end.finished = true;
    end.signaled = parts[1][0] == 's';
    end.code = parts[1].mid(1).toInt();
    return end;
}

bool ProcessGroupAlive(qint64 pid)
{
    return pid > 0 && (kill(pid_t(-pid), 0) == 0 || errno == EPERM);
}

void TerminateProcessGroup(qint64 pid)
{
    if (pid > 0)
        kill(pid_t(-pid), SIGTERM);
}

QString BootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed())
                                          : QString();
}
