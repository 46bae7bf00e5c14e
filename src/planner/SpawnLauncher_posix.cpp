#include "planner/BackupLauncher.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

#include "common/backup/Options.h"

extern char** environ;

namespace {

int WaitForExit(pid_t pid, const std::function<void()>& events)
{
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0 && errno != EINTR)
            return 0;
        if (events)
            events();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace

TLaunchOutcome TSpawnLauncher::Start(const QString& commandLine, bool wait,
                                     const std::function<void()>& events)
{
    const QStringList words = SplitCommandLine(commandLine);
    if (words.isEmpty() || words.front().isEmpty())
        return {ENOENT, 0};
    std::vector<std::string> args;
    for (const QString& w : words)
        args.push_back(QFile::encodeName(w).toStdString());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0)
        return {rc, 0};
    return {0, wait ? WaitForExit(pid, events) : 0};
}
