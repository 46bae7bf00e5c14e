#include "common/platform/ChildProcess_posix.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/platform/ProcessEnvironment.h"

namespace {

// Source descriptors are moved above this so that placing them on 0..n never overwrites one.
constexpr int kHandOverBase = 64;

std::vector<char*> CStrings(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    result.reserve(texts.size() + 1);
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

int OpenPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    return -1;
}

// Everything below runs in the forked child: only async-signal-safe calls.
[[noreturn]] void FailChild(int errorPipe)
{
    const int error = errno;
    [[maybe_unused]] ssize_t n = write(errorPipe, &error, sizeof error);
    _exit(127);
}

void ResetSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        sigaction(sig, &action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Closes the descriptors from first up to last (inclusive) in one call where the kernel can.
bool CloseRange(int first, unsigned last)
{
#ifdef SYS_close_range
    return first < 0 || unsigned(first) > last || syscall(SYS_close_range, first, last, 0) == 0;
#else
    return false;
#endif
}

void CloseFrom(int first, int keep)
{
    // A loop over every possible descriptor costs milliseconds where the limit is high.
    if (keep < first ? CloseRange(first, ~0U)
                     : CloseRange(first, unsigned(keep) - 1) && CloseRange(keep + 1, ~0U))
        return;
    const long max = sysconf(_SC_OPEN_MAX);
    const int last = max > 0 && max < 65536 ? static_cast<int>(max) : 65536;
    for (int fd = first; fd < last; ++fd)
        if (fd != keep)
            close(fd);
}

[[noreturn]] void RunChild(const TSpawnSpec& spec, char* const* argv, char* const* envp,
                           const std::vector<std::pair<int, int>>& files, int errorPipe)
{
    ResetSignals();
    if (spec.newSession && setsid() < 0)
        FailChild(errorPipe);
    for (const auto& [target, source] : files)
        if (dup2(source, target) < 0)
            FailChild(errorPipe);
    if (spec.closeOtherFiles) {
        int highest = 2;
        for (const auto& file : files)
            highest = std::max(highest, file.first);
        CloseFrom(highest + 1, errorPipe);
    }
    if (spec.identity) {
        const TIdentity& id = *spec.identity;
        if (setgroups(id.groups.size(), id.groups.data()) < 0 || setgid(id.gid) < 0 ||
            setuid(id.uid) < 0)
            FailChild(errorPipe);
    }
    // The folder is entered as the account the child runs as: it may be closed to it.
    if (!spec.folder.empty() && chdir(spec.folder.c_str()) < 0 &&
        (spec.fallbackFolder.empty() || chdir(spec.fallbackFolder.c_str()) < 0))
        FailChild(errorPipe);
    execve(spec.program.c_str(), argv, envp);
    FailChild(errorPipe);
}

// Moves the descriptors to hand over out of the way of their targets (closed by exec).
std::vector<std::pair<int, int>> LiftFiles(const TSpawnSpec& spec)
{
    std::vector<std::pair<int, int>> lifted;
    for (const auto& [target, source] : spec.files)
        lifted.emplace_back(target, fcntl(source, F_DUPFD_CLOEXEC, kHandOverBase));
    return lifted;
}

void CloseLifted(const std::vector<std::pair<int, int>>& lifted)
{
    for (const auto& file : lifted)
        if (file.second >= 0)
            close(file.second);
}

// The errno the child reported before exec, 0 once exec succeeded.
int ReadChildError(int errorPipe)
{
    int error = 0;
    ssize_t n;
    do
        n = read(errorPipe, &error, sizeof error);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string CurrentFolder()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

enum class TWaitState { Running, Ended, Failed };

// Waits up to ms for the child's end; Ended fills status, Failed fills error.
TWaitState WaitChild(TChildProcess& child, int ms, int& status, int& error)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid)
            return TWaitState::Ended;
        if (done < 0 && errno != EINTR) {
            error = errno;
            return TWaitState::Failed;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return TWaitState::Running;
        if (child.pidfd >= 0) {
            pollfd entry{child.pidfd, POLLIN, 0};
            poll(&entry, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
        }
    }
}

std::uint32_t ExitResult(int status)
{
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return code == 0 ? 0 : static_cast<std::uint32_t>(code) | kExitCodeFlag;
}

void MarkReaped(TChildProcess& child)
{
    if (child.pidfd >= 0)
        close(child.pidfd);
    child.pidfd = -1;
    child.pid = 0;
    if (child.onReaped)
        std::exchange(child.onReaped, nullptr)();
}

} // namespace

TChildProcess::~TChildProcess()
{
    if (pid <= 0)
        return;
    // Still running (or not yet collected): a background thread waits for it.
    std::thread([pid = pid, pidfd = pidfd, onReaped = std::move(onReaped)] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        if (pidfd >= 0)
            close(pidfd);
        if (onReaped)
            onReaped();
    }).detach();
}

int ReapNow(TChildProcess& child)
{
    int status = 0;
    if (child.pid <= 0)
        return status;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    MarkReaped(child);
    return status;
}

[[noreturn]] void ThrowErrno(int error, const std::string& account)
{
    throw EProcessError(std::strerror(error), static_cast<std::uint32_t>(error), account);
}

std::optional<std::string> ResolveProgram(const std::string& word, const std::string& searchPath)
{
    if (word.empty())
        return std::nullopt;
    if (word.find('/') != std::string::npos) {
        if (word.front() == '/')
            return word;
        return CurrentFolder() + "/" + word;
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
        const std::string folder = searchPath.substr(start, end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + word;
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

int SpawnChild(const TSpawnSpec& spec, std::unique_ptr<TChildProcess>& child)
{
    std::vector<std::string> args = spec.args;
    std::vector<char*> argv = CStrings(args);
    // Without an environment of its own the child gets the user's, not what we set for us.
    std::vector<std::string> environment = spec.environment ? *spec.environment : UserEnvironment();
    std::vector<char*> envp = CStrings(environment);

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) < 0)
        return errno;
    const std::vector<std::pair<int, int>> lifted = LiftFiles(spec);
    const pid_t pid = fork();
    if (pid == 0) {
        close(errorPipe[0]);
        RunChild(spec, argv.data(), envp.data(), lifted, errorPipe[1]);
    }
    const int forkError = errno;
    close(errorPipe[1]);
    CloseLifted(lifted);
    if (pid < 0) {
        close(errorPipe[0]);
        return forkError;
    }
    const int childError = ReadChildError(errorPipe[0]);
    close(errorPipe[0]);
    child = std::make_unique<TChildProcess>();
    child->pid = pid;
    if (childError != 0) {
        ReapNow(*child);
        child.reset();
        return childError;
    }
    child->pidfd = OpenPidFd(pid);
    return 0;
}

TProcessHandle::TProcessHandle() = default;
TProcessHandle::TProcessHandle(std::unique_ptr<TChildProcess> child) : child(std::move(child)) {}
TProcessHandle::TProcessHandle(TProcessHandle&& other) noexcept = default;
TProcessHandle& TProcessHandle::operator=(TProcessHandle&& other) noexcept = default;
TProcessHandle::~TProcessHandle() = default;

bool TProcessHandle::IsOpen() const
{
    return child && child->pid > 0;
}

int TProcessHandle::ProcessId() const
{
    return IsOpen() ? child->pid : 0;
}

void TProcessHandle::Close()
{
    child.reset();
}

std::uint32_t WaitForProcess(TProcessHandle& handle, std::uint32_t timeoutMs,
                             const TEventsHook& events)
{
    if (!handle.IsOpen())
        return EBADF;
    TChildProcess& child = *handle.Child();
    int status = 0;
    int error = 0;
    TWaitState state;
    if (timeoutMs != 0) {
        const auto ms = static_cast<int>(std::min<std::uint32_t>(timeoutMs, INT_MAX));
        state = WaitChild(child, ms, status, error);
        if (state == TWaitState::Running)
            return kWaitTimeout;
    } else {
        while ((state = WaitChild(child, 100, status, error)) == TWaitState::Running)
            if (events)
                events();
    }
    const std::uint32_t result =
        state == TWaitState::Ended ? ExitResult(status) : static_cast<std::uint32_t>(error);
    MarkReaped(child); // after a failed wait the child is not ours to collect any more
    handle.Close();
    return result;
}
